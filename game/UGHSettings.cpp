#include "UGHSettings.h"

#include "UGH_data.h"
#include "UGH_log.h"
#include "UGH_main.h"
#include "UGH_tables.h"

#include "Dialogs.h"
#include "GLObjects.h"
#include "GLSMOpenAL.h"
#include "SysUtils.h"
#include "VAVodad.h"

#include <array>
#include <climits>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

TForm5* Form5 = nullptr;

namespace {

const char* const cConfigFile = "\\gh.cfg";
const char* const cPictureFile = "\\textures\\settings_img.bmp";

struct TResolution {
    int32_t Width, Height;
};

// The resolution list in item order: the first six 4:3 or 5:4 (and 1920 x 1280), then the widescreen ones.
constexpr std::array<TResolution, 13> cResolutions{{{320, 240},
                                                    {640, 480},
                                                    {800, 600},
                                                    {1024, 768},
                                                    {1280, 1024},
                                                    {1920, 1280},
                                                    {320, 180},
                                                    {640, 360},
                                                    {800, 450},
                                                    {1024, 576},
                                                    {1280, 720},
                                                    {1440, 810},
                                                    {1920, 1080}}};
// The widescreen item of each of the first six widths.
constexpr std::array<int32_t, 6> cWidescreenItems{6, 7, 8, 9, 10, 12};

// The texquality each texture-quality item stores: "hq", "lq", "pq" (the reader's mapping).
constexpr std::array<int32_t, 3> cQualityOfItem{1, 0, -1};

// The music emitter is the main window's; without it there is no music to stop.
void StopMusic()
{
    if (Form1 && Form1->GLSphere1) Form1->GLSphere1->Behaviours()->Clear();
}

void ShowError(const std::string& text)
{
    TMessageBoxRequest request;
    request.Kind = mtError;
    request.Caption = Application ? Application->Title() : std::string();
    request.Text = text;
    ShowMessageBox(request);
}

// A language is a folder below "\text\": one plain name.
bool PlainFolderName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name)
        if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < ' ') return false;
    return true;
}

// Runs one opening step; a step that fails is logged and the others still run.
void OpeningStep(const char* what, const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& e) {
        GameLog(std::string("Settings window, ") + what + ": " + e.what());
    }
}

template <class T> T* Make(TComponent* owner, TWinControl* parent, int32_t x, int32_t y, int32_t w, int32_t h)
{
    auto* control = new T(owner);
    control->SetParent(parent);
    control->SetBounds(x, y, w, h);
    return control;
}

void SetCaptionOf(TWinControl* control, const std::string& text)
{
    if (auto* label = dynamic_cast<TLabel*>(control)) label->SetCaption(text);
    else if (auto* check = dynamic_cast<TCheckBox*>(control)) check->SetCaption(text);
    else if (auto* button = dynamic_cast<TButton*>(control)) button->SetCaption(text);
    else if (auto* group = dynamic_cast<TGroupBox*>(control)) group->SetCaption(text);
}

// The window's controls and their globals, as tables that the constructor, the opening and the handlers share.
struct TCheckSetting {
    TCheckBox* TForm5::*Box;
    bool* Global;
};
const std::array<TCheckSetting, 23> cCheckSettings{{
    {&TForm5::CheckBox1, &soundon},      {&TForm5::CheckBox2, &musicon},       {&TForm5::CheckBox3, &showbtllog},
    {&TForm5::CheckBox4, &leveling},     {&TForm5::CheckBox5, &autodeck},      {&TForm5::CheckBox6, &lessredraws},
    {&TForm5::CheckBox7, &randommode},   {&TForm5::CheckBox8, &tooltips},      {&TForm5::CheckBox9, &hardcore},
    {&TForm5::CheckBox10, &fullscreen},  {&TForm5::CheckBox11, &vsyncon},      {&TForm5::CheckBox12, &no3ddoors},
    {&TForm5::CheckBox13, &nolights},    {&TForm5::CheckBox14, &nofire},       {&TForm5::CheckBox15, &multithread},
    {&TForm5::CheckBox16, &nograss},     {&TForm5::CheckBox17, &extdmginfo},   {&TForm5::CheckBox18, &shortbtllog},
    {&TForm5::CheckBox19, &shadows},     {&TForm5::CheckBox20, &torchshadows}, {&TForm5::CheckBox21, &globalcast},
    {&TForm5::CheckBox22, &desiredfpson}, {&TForm5::CheckBox23, &fullmute},
}};

// Edit5 (the refresh rate) stores nothing. Each control takes the values its setting's bounds allow.
struct TEditSetting {
    TEdit* TForm5::*Edit;
    int32_t* Global;
};
const std::array<TEditSetting, 6> cEditSettings{{
    {&TForm5::Edit1, &minvd},
    {&TForm5::Edit2, &fogdist},
    {&TForm5::Edit3, &camdist},
    {&TForm5::Edit4, &soundrate},
    {&TForm5::Edit6, &desiredfps},
    {&TForm5::Edit7, &maxvd},
}};

struct TTrackSetting {
    TTrackBar* TForm5::*Track;
    int32_t* Global;
};
const std::array<TTrackSetting, 7> cTrackSettings{{
    {&TForm5::TrackBar1, &movespeed},
    {&TForm5::TrackBar2, &turnspeed},
    {&TForm5::TrackBar3, &soundvol},
    {&TForm5::TrackBar4, &musicvol},
    {&TForm5::TrackBar5, &brightness},
    {&TForm5::TrackBar6, &cardsize},
    {&TForm5::TrackBar7, &difficulty},
}};

} // namespace

TForm5::TForm5(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Settings");
    SetBorderStyle(bsDialog);
    SetFormStyle(fsStayOnTop);
    SetPosition(poScreenCenter);
    SetClientWidth(776);
    SetClientHeight(505);

    // The language, above the groups.
    Label1 = Make<TLabel>(this, this, 8, 12, 90, 17);
    ComboBox1 = Make<TComboBox>(this, this, 100, 8, 80, 23);
    ComboBox1->Items()->SetText("en\nru");
    Button1 = Make<TButton>(this, this, 186, 8, 72, 23);

    GroupBox1 = Make<TGroupBox>(this, this, 8, 38, 250, 150);
    Label2 = Make<TLabel>(this, GroupBox1, 8, 20, 230, 17);
    TrackBar1 = Make<TTrackBar>(this, GroupBox1, 8, 36, 234, 28);
    Label3 = Make<TLabel>(this, GroupBox1, 8, 66, 230, 17);
    TrackBar2 = Make<TTrackBar>(this, GroupBox1, 8, 82, 234, 28);
    Button3 = Make<TButton>(this, GroupBox1, 8, 116, 100, 25);

    GroupBox3 = Make<TGroupBox>(this, this, 8, 194, 250, 150);
    CheckBox23 = Make<TCheckBox>(this, GroupBox3, 8, 20, 230, 19);
    CheckBox23->SetCaption("Full Mute");
    CheckBox1 = Make<TCheckBox>(this, GroupBox3, 8, 44, 20, 19);
    Label7 = Make<TLabel>(this, GroupBox3, 30, 44, 208, 17);
    TrackBar3 = Make<TTrackBar>(this, GroupBox3, 8, 62, 234, 28);
    CheckBox2 = Make<TCheckBox>(this, GroupBox3, 8, 96, 20, 19);
    Label8 = Make<TLabel>(this, GroupBox3, 30, 96, 208, 17);
    TrackBar4 = Make<TTrackBar>(this, GroupBox3, 8, 114, 234, 28);
    Label9 = Make<TLabel>(this, GroupBox3, 8, 120, 120, 17);
    Edit4 = Make<TEdit>(this, GroupBox3, 130, 118, 60, 23);

    GroupBox4 = Make<TGroupBox>(this, this, 8, 350, 250, 96);
    CheckBox3 = Make<TCheckBox>(this, GroupBox4, 8, 20, 234, 19);
    CheckBox17 = Make<TCheckBox>(this, GroupBox4, 8, 44, 234, 19);
    CheckBox18 = Make<TCheckBox>(this, GroupBox4, 8, 68, 234, 19);

    GroupBox2 = Make<TGroupBox>(this, this, 266, 8, 250, 490);
    Label4 = Make<TLabel>(this, GroupBox2, 8, 20, 234, 17);
    Label18 = Make<TLabel>(this, GroupBox2, 8, 40, 28, 17);
    Label18->SetCaption("min");
    Edit1 = Make<TEdit>(this, GroupBox2, 38, 38, 50, 23);
    Label19 = Make<TLabel>(this, GroupBox2, 100, 40, 28, 17);
    Label19->SetCaption("max");
    Edit7 = Make<TEdit>(this, GroupBox2, 130, 38, 50, 23);
    Label5 = Make<TLabel>(this, GroupBox2, 8, 66, 120, 17);
    Edit2 = Make<TEdit>(this, GroupBox2, 130, 64, 50, 23);
    Label6 = Make<TLabel>(this, GroupBox2, 8, 66, 120, 17);
    Edit3 = Make<TEdit>(this, GroupBox2, 130, 64, 50, 23);
    Label10 = Make<TLabel>(this, GroupBox2, 8, 66, 234, 17);
    TrackBar5 = Make<TTrackBar>(this, GroupBox2, 8, 82, 234, 28);
    Label16 = Make<TLabel>(this, GroupBox2, 8, 118, 110, 17);
    ComboBox4 = Make<TComboBox>(this, GroupBox2, 120, 114, 122, 23);
    Label17 = Make<TLabel>(this, GroupBox2, 8, 144, 110, 17);
    ComboBox5 = Make<TComboBox>(this, GroupBox2, 120, 140, 122, 23);
    Label11 = Make<TLabel>(this, GroupBox2, 8, 170, 110, 17);
    ComboBox2 = Make<TComboBox>(this, GroupBox2, 120, 166, 122, 23);
    ComboBox2->Items()->SetText("0\n2\n4\n8\n16");
    Label12 = Make<TLabel>(this, GroupBox2, 8, 194, 234, 17);
    TrackBar6 = Make<TTrackBar>(this, GroupBox2, 8, 210, 234, 28);
    CheckBox22 = Make<TCheckBox>(this, GroupBox2, 8, 244, 170, 19);
    Edit6 = Make<TEdit>(this, GroupBox2, 184, 242, 58, 23);
    CheckBox6 = Make<TCheckBox>(this, GroupBox2, 8, 270, 115, 19);
    CheckBox8 = Make<TCheckBox>(this, GroupBox2, 127, 270, 115, 19);
    CheckBox11 = Make<TCheckBox>(this, GroupBox2, 8, 292, 115, 19);
    CheckBox12 = Make<TCheckBox>(this, GroupBox2, 127, 292, 115, 19);
    CheckBox13 = Make<TCheckBox>(this, GroupBox2, 8, 314, 115, 19);
    CheckBox14 = Make<TCheckBox>(this, GroupBox2, 127, 314, 115, 19);
    CheckBox15 = Make<TCheckBox>(this, GroupBox2, 8, 336, 115, 19);
    CheckBox16 = Make<TCheckBox>(this, GroupBox2, 8, 336, 115, 19);
    CheckBox19 = Make<TCheckBox>(this, GroupBox2, 127, 336, 115, 19);
    CheckBox20 = Make<TCheckBox>(this, GroupBox2, 8, 358, 115, 19);
    CheckBox21 = Make<TCheckBox>(this, GroupBox2, 127, 358, 115, 19);
    Button4 = Make<TButton>(this, GroupBox2, 8, 382, 100, 25);
    GroupBox6 = Make<TGroupBox>(this, GroupBox2, 8, 412, 234, 70);
    CheckBox10 = Make<TCheckBox>(this, GroupBox6, 8, 22, 218, 19);
    ComboBox3 = Make<TComboBox>(this, GroupBox6, 8, 42, 110, 23);
    for (const TResolution& r : cResolutions)
        ComboBox3->Items()->Add(std::to_string(r.Width) + " x " + std::to_string(r.Height));
    Button5 = Make<TButton>(this, GroupBox6, 124, 42, 50, 23);
    Button5->SetCaption("init");
    Label15 = Make<TLabel>(this, GroupBox6, 8, 46, 80, 17);
    Label15->SetCaption("Refresh freq");
    Edit5 = Make<TEdit>(this, GroupBox6, 180, 42, 46, 23);
    Edit5->SetText("60");

    GroupBox5 = Make<TGroupBox>(this, this, 524, 8, 244, 290);
    Label13 = Make<TLabel>(this, GroupBox5, 8, 20, 180, 17);
    Label14 = Make<TLabel>(this, GroupBox5, 200, 20, 36, 17);
    TrackBar7 = Make<TTrackBar>(this, GroupBox5, 8, 36, 228, 28);
    CheckBox4 = Make<TCheckBox>(this, GroupBox5, 8, 70, 228, 19);
    CheckBox7 = Make<TCheckBox>(this, GroupBox5, 8, 92, 228, 19);
    CheckBox9 = Make<TCheckBox>(this, GroupBox5, 8, 114, 228, 19);
    CheckBox5 = Make<TCheckBox>(this, GroupBox5, 8, 136, 228, 19);
    GroupBox7 = Make<TGroupBox>(this, GroupBox5, 8, 164, 228, 114);
    Label20 = Make<TLabel>(this, GroupBox7, 8, 20, 212, 17);
    ComboBox6 = Make<TComboBox>(this, GroupBox7, 8, 40, 212, 23);
    Button6 = Make<TButton>(this, GroupBox7, 8, 72, 100, 25);

    Image1 = Make<TImage>(this, this, 524, 306, 244, 128);
    Image1->SetStretch(true);
    Label21 = Make<TLabel>(this, this, 524, 442, 244, 17);
    Button2 = Make<TButton>(this, this, 692, 470, 76, 27);

    for (TComboBox* box : {ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6}) box->SetStyle(csDropDownList);
    // Present but not shown: the fog and camera distances, the music volume, the unused sound rate, the threading
    // switch, and the full-screen size with its trial button and refresh rate. The music box keeps its label.
    for (TWinControl* c : std::initializer_list<TWinControl*>{Label5, Edit2, Label6, Edit3, TrackBar4, Label9, Edit4,
                                                               CheckBox15, ComboBox3, Button5, Label15, Edit5})
        c->Hide();
    CheckBox15->SetEnabled(false);

    // Ranges first, so that the handlers see only real settings.
    for (const TTrackSetting& s : cTrackSettings) {
        const TSettingBounds bounds = SettingBounds(*s.Global);
        (this->*s.Track)->SetMin(bounds.Low);
        (this->*s.Track)->SetMax(bounds.High);
    }
    // Each control stores its global; a few do more besides.
    for (const TCheckSetting& s : cCheckSettings)
        (this->*s.Box)->OnClick = [this, s](TObject* Sender) {
            *s.Global = (this->*s.Box)->Checked();
            if (s.Box == &TForm5::CheckBox1) CheckBox1Click(Sender);
            if (s.Box == &TForm5::CheckBox2) CheckBox2Click(Sender);
        };
    for (const TEditSetting& s : cEditSettings)
        (this->*s.Edit)->OnChange = [this, s](TObject* Sender) {
            TEdit* edit = this->*s.Edit;
            const TSettingBounds bounds = SettingBounds(*s.Global);
            int32_t value = 0;
            if (!TryStrToInt(edit->Text(), value) || value < bounds.Low || value > bounds.High) {
                edit->SetInvalid(bounds.Low == INT32_MIN ? std::string("a whole number")
                                                         : Format("a whole number from %d to %d",
                                                                  {int64_t(bounds.Low), int64_t(bounds.High)}));
                return;
            }
            *s.Global = value;
            if (s.Edit == &TForm5::Edit7) Edit7Change(Sender);
        };
    for (const TTrackSetting& s : cTrackSettings)
        (this->*s.Track)->OnChange = [this, s](TObject* Sender) {
            *s.Global = (this->*s.Track)->Position();
            if (s.Track == &TForm5::TrackBar3) TrackBar3Change(Sender);
            if (s.Track == &TForm5::TrackBar4) TrackBar4Change(Sender);
            if (s.Track == &TForm5::TrackBar7) TrackBar7Change(Sender);
        };
    ComboBox3->OnChange = [this](TObject* Sender) { ComboBox3Change(Sender); };
    ComboBox4->OnChange = [this](TObject* Sender) { ComboBox4Change(Sender); };
    ComboBox5->OnChange = [this](TObject* Sender) { ComboBox5Change(Sender); };
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
    Button5->OnClick = [this](TObject* Sender) { Button5Click(Sender); };
    Button6->OnClick = [this](TObject* Sender) { Button6Click(Sender); };
    OnShow = [this](TObject* Sender) { FormShow(Sender); };
}

int32_t TForm5::ResolutionItem(int32_t width, int32_t height)
{
    if (width == 1440) return 11;
    for (std::size_t item = 0; item < cWidescreenItems.size(); ++item)
        if (cResolutions[item].Width == width)
            return cResolutions[item].Height == height ? static_cast<int32_t>(item) : cWidescreenItems[item];
    return -1;
}

int32_t TForm5::QualityItem(int32_t quality)
{
    for (std::size_t item = 0; item < cQualityOfItem.size(); ++item)
        if (cQualityOfItem[item] == quality) return static_cast<int32_t>(item);
    return -1;
}

int32_t TForm5::QualityOfItem(int32_t item) { return cQualityOfItem.at(static_cast<std::size_t>(item)); }

void TForm5::FormShow(TObject*)
{
    OpeningStep("captions", [this] {
        SetCaption(strarr[108]);
        const std::pair<TWinControl*, int32_t> captions[] = {
            {Label1, 109},     {Label2, 110},     {Label3, 111},     {Button1, 112},    {Button3, 113},
            {GroupBox1, 114},  {GroupBox2, 118},  {Label4, 120},     {Label5, 121},     {Label6, 122},
            {GroupBox3, 123},  {Label7, 124},     {Label9, 125},     {Label8, 126},     {GroupBox4, 160},
            {CheckBox3, 161},  {CheckBox4, 164},  {GroupBox5, 165},  {CheckBox6, 198},  {Label11, 207},
            {Label12, 235},    {Label10, 237},    {CheckBox7, 241},  {CheckBox8, 267},  {CheckBox9, 305},
            {Label13, 307},    {GroupBox6, 338},  {CheckBox10, 339}, {CheckBox11, 340}, {CheckBox12, 348},
            {CheckBox13, 349}, {CheckBox14, 350}, {CheckBox15, 351}, {CheckBox17, 372}, {Label16, 380},
            {CheckBox5, 383},  {CheckBox16, 388}, {CheckBox18, 399}, {CheckBox19, 400}, {CheckBox20, 403},
            {Label17, 404},    {CheckBox21, 408}, {CheckBox22, 409}, {Button4, 113},    {GroupBox7, 417},
            {Label20, 418},    {Button6, 112},    {Button2, 90},
        };
        for (const auto& [control, index] : captions) SetCaptionOf(control, strarr[index]);
    });
    OpeningStep("check boxes", [this] {
        for (const TCheckSetting& s : cCheckSettings) (this->*s.Box)->SetChecked(*s.Global);
    });
    OpeningStep("lists", [this] {
        const std::pair<TComboBox*, std::array<int32_t, 3>> lists[] = {{ComboBox4, {381, 382, 365}},
                                                                       {ComboBox5, {405, 406, 407}}};
        for (const auto& [box, items] : lists) {
            box->Items()->Clear();
            for (const int32_t index : items) box->Items()->Add(strarr[index]);
        }
    });
    OpeningStep("resolution", [this] {
        if (const int32_t item = ResolutionItem(fswidth, fsheight); item >= 0) ComboBox3->SetItemIndex(item);
    });
    // The language and the movement speeds as the file holds them; without a readable file, as they stand.
    OpeningStep("movement", [this] {
        ComboBox1->SetText(lng);
        TrackBar1->SetPosition(movespeed);
        TrackBar2->SetPosition(turnspeed);
        TLineBuffer buffer;
        buffer.LoadFromFile(GamePath(cConfigFile));
        const int32_t move = buffer.ReadIntLine(1), turn = buffer.ReadIntLine(2);
        ComboBox1->SetText(buffer.ReadTextLine(0));
        TrackBar1->SetPosition(move);
        TrackBar2->SetPosition(turn);
    });
    OpeningStep("adventures", [this] {
        ComboBox6->Items()->Clear();
        TLineBuffer buffer;
        buffer.LoadFromFile(GamePath("\\text\\" + lng + "\\adventures.txt"));
        ComboBox6->Items()->BeginUpdate();
        for (int line = 0; line < buffer.Count(); ++line) ComboBox6->Items()->Add(buffer.ReadTextLine(line));
        ComboBox6->Items()->EndUpdate();
        ComboBox6->SetItemIndex(adventure);
    });
    OpeningStep("selections", [this] {
        ComboBox4->SetItemIndex(QualityItem(texquality));
        ComboBox5->SetItemIndex(shadowmode);
        // OK writes the list's choice: it starts at the setting in force, not at the first item.
        ComboBox2->SetItemIndex(aaindex);
    });
    OpeningStep("values", [this] {
        for (const TTrackSetting& s : cTrackSettings)
            if (s.Track != &TForm5::TrackBar1 && s.Track != &TForm5::TrackBar2)
                (this->*s.Track)->SetPosition(*s.Global);
        for (const TEditSetting& s : cEditSettings) (this->*s.Edit)->SetText(IntToStr(*s.Global));
    });
    OpeningStep("picture", [this] {
        Label21->SetCaption("Mirefall v. " + appversion);
        Image1->Picture()->LoadFromFile(GamePath(cPictureFile));
    });
}

void TForm5::Button1Click(TObject*)
{
    const std::string language = ComboBox1->Text();
    const std::string strings = GamePath("\\text\\" + language + "\\strings.txt");
    if (!PlainFolderName(language)) {
        ShowError("\"" + language + "\" is not a language folder: the language stays \"" + lng + "\".");
        return;
    }
    if (!DataFileExists(strings)) {
        ShowError("The language \"" + language + "\" has no " + strings + ": the language stays \"" + lng + "\".");
        return;
    }
    lng = language;
}

void TForm5::Button2Click(TObject*)
{
    if (Form1) Form1->SwitchAA(ComboBox2->ItemIndex());
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        ShowError("The settings could not be written to " + GamePath(cConfigFile) + " (" + e.what() + ").");
        return;
    }
    if (!Form1) return;
    Form1->ReadConfig();
    Form1->InitFullscreen();
}

void TForm5::Button3Click(TObject*)
{
    TrackBar1->SetPosition(50);
    TrackBar2->SetPosition(10);
}

void TForm5::Button4Click(TObject*)
{
    Edit1->SetText("5");
    Edit2->SetText("100");
    Edit3->SetText("250");
    ComboBox2->SetItemIndex(0);
}

void TForm5::Button5Click(TObject*)
{
    if (Form1) Form1->InitFullscreen();
}

void TForm5::Button6Click(TObject*)
{
    const int32_t item = ComboBox6->ItemIndex();
    if (item < 0) return;
    adventure = item;
    adventureid = ReadAdventureId(item);
}

void TForm5::CheckBox1Click(TObject*)
{
    StopMusic();
}

void TForm5::CheckBox2Click(TObject*)
{
    if (!musicon) StopMusic();
}

void TForm5::ComboBox3Change(TObject*)
{
    const int32_t item = ComboBox3->ItemIndex();
    if (item < 0) return;
    fswidth = cResolutions[static_cast<std::size_t>(item)].Width;
    fsheight = cResolutions[static_cast<std::size_t>(item)].Height;
}

void TForm5::ComboBox4Change(TObject*)
{
    const int32_t item = ComboBox4->ItemIndex();
    if (item < 0) return;
    texquality = QualityOfItem(item);
    qualitydir = QualityDirOf(texquality);
    poorquality = texquality == -1;
}

void TForm5::ComboBox5Change(TObject*)
{
    if (ComboBox5->ItemIndex() >= 0) shadowmode = ComboBox5->ItemIndex();
}

void TForm5::Edit7Change(TObject*)
{
    viewdist = maxvd;
}

void TForm5::TrackBar3Change(TObject*)
{
    if (Form1 && Form1->GLSMOpenAL1) Form1->GLSMOpenAL1->SetMasterVolume(TrackBar3->Position() / 100.0f);
}

void TForm5::TrackBar4Change(TObject*)
{
    // The frame's music step starts the wanted track again, as it differs from this name.
    currenttrack = "lalalareset";
}

void TForm5::TrackBar7Change(TObject*)
{
    Label14->SetCaption(IntToStr(TrackBar7->Position()));
}

void TForm5::SaveSettings()
{
    if (ComboBox2->ItemIndex() >= 0) aaindex = ComboBox2->ItemIndex();
    ::SaveSettings();
    Hide();
}
