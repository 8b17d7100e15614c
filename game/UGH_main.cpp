// The main window's globals, its construction and the game's start-up behind the splash window.
#include "UGH_main.h"

#include "UGH_data.h"
#include "UGH_log.h"

#include "GLBitmapFont.h"
#include "GLObjects.h"
#include "GLCadencer.h"
#include "GLPostEffects.h"
#include "GLSMOpenAL.h"
#include "GLShadowVolume.h"
#include "GLVectorFileObjects.h"
#include "GLWin32Viewer.h"
#include "GLWindowsFont.h"
#include "Graphics.h"
#include "RandomGenerator.h"
#include "VAVodad.h"

#include <cmath>

bool loading = false;
std::string loadstatus;
int32_t loadstage = 0;
std::string appversion;
std::unique_ptr<TGHThread> framethread;
bool framebusy = false;
double framedelta = 0;
bool framerunning = false;
std::string frameerrors;
TBoundedTable<bool, 1, 8> cadblocks = [] {
    TBoundedTable<bool, 1, 8> blocks;
    blocks.Fill(true);
    return blocks;
}();
bool fsinitdone = false;
int32_t scrw = 0, scrh = 0;
int32_t halfw = 0, halfh = 0, fullw = 0, fullh = 0;
bool uirefresh = false;
bool minimapon = true;
int32_t mbdcount = 0;
int32_t curfps = 0;
int32_t lastpx = 0, lastpy = 0;
double stepscale = 0;
int32_t activecard = 0;
double fmbtime = 0;
int32_t fmbrate = 1000;
int32_t loadscrno = 0;

TForm1* Form1 = nullptr;

namespace {

// The main-menu level is itself a level.
constexpr const char* cMainMenuMap = "\\levels\\mm_map.map";

constexpr int cClientWidth = 1024, cClientHeight = 768;

void ProcessPendingMessages()
{
    if (Application) Application->ProcessMessages();
}

// The poor-quality look: a heavier face, a third larger.
void EnlargeFont(TGLWindowsBitmapFont* font)
{
    TFont* face = font->Font();
    face->SetName("Arial Black");
    face->SetSize(face->Size() + static_cast<int32_t>(std::nearbyint(face->Size() / 3.0)));
}

} // namespace

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("MainForm");
    SetClientWidth(cClientWidth);
    SetClientHeight(cClientHeight);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    BuildScene();
    OnResize = [this](TObject* Sender) { FormResize(Sender); };
    OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
    OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
    // While a level is read, written or built the load screen paints and the window's messages are handled, but
    // keys and clicks wait: they would act on a level that is not there yet.
    OnKeyDown = [this](TObject* Sender, uint16_t& Key, TShiftState Shift) {
        if (!levelbusy) FormKeyDown(Sender, Key, Shift);
    };
    OnKeyPress = [this](TObject* Sender, char16_t& Key) {
        if (!levelbusy) FormKeyPress(Sender, Key);
    };
    OnKeyUp = [this](TObject* Sender, uint16_t& Key, TShiftState Shift) {
        if (!levelbusy) FormKeyUp(Sender, Key, Shift);
    };
    VAVodadViewer1->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X,
                                         int32_t Y) {
        if (!levelbusy) VAVodadViewer1MouseDown(Sender, Button, Shift, X, Y);
    };
    VAVodadViewer1->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X,
                                       int32_t Y) {
        if (!levelbusy) VAVodadViewer1MouseUp(Sender, Button, Shift, X, Y);
    };
    VAVodadViewer1->OnMouseMove = [this](TObject* Sender, TShiftState Shift, int32_t X, int32_t Y) {
        VAVodadViewer1MouseMove(Sender, Shift, X, Y);
    };
    VAVodadViewer1->OnMouseLeave = [this](TObject* Sender) { VAVodadViewer1MouseLeave(Sender); };
    VAVodadViewer1->OnDblClick = [this](TObject* Sender) {
        if (!levelbusy) VAVodadViewer1DblClick(Sender);
    };
    GLCadencer1->OnProgress = [this](TObject* Sender, double deltaTime, double newTime) {
        GLCadencer1Progress(Sender, deltaTime, newTime);
    };
}

TForm1::~TForm1()
{
    // The frame object runs frames of this window only.
    if (framethread) framethread.reset();
    // The level's objects go with the scene.
    ForgetLevelObjects();
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::ShowStatus(const std::string& text)
{
    loadstatus = text;
    ProcessPendingMessages();
}

void TForm1::FormCreate(TObject*)
{
    // 1. Names for random maps; the catalogue starts anew; no floor, ceiling or wall is built.
    setdefaultrndons();
    matnames.assign(1, std::string());
    for (auto& column : cellfloors)
        for (TGLFreeForm*& floor : column) FreeAndNil(floor);
    for (auto& column : cellceils)
        for (TGLPlane*& ceiling : column) FreeAndNil(ceiling);
    for (auto& column : cellwalls)
        for (TGLFreeForm*& wall : column) FreeAndNil(wall);

    // 2.
    loading = true;
    loadstage = 0;
    appversion = GetAppVersionStr();

    // 3. No battle is pending, no request queued.
    battlelist.Fill(-2);
    for (character& slot : btlslots) {
        slot.name = "nil";
        slot.blind = -1;
    }
    for (rqftp& request : rfqueue) request.active = false;
    Randomize();

    // 4. The text fonts hold every character up to the em dash, and the last Cyrillic letter: setting range 1's
    // stop below its start moves the start down to it.
    ShowStatus("Loading config");
    for (TGLWindowsBitmapFont* font : {GLWindowsBitmapFont1, GLWindowsBitmapFont2}) {
        TGLBitmapFontRanges* ranges = font->Ranges();
        ranges->BeginUpdate();
        ranges->GetItems(0)->SetStartASCII(u'\u0000');
        ranges->GetItems(0)->SetStopASCII(u'\u2014');
        ranges->GetItems(1)->SetStartASCII(u'\u2122');
        ranges->GetItems(1)->SetStopASCII(u'\u044F');
        ranges->EndUpdate();
    }

    // 5. The data folder is the one the program set in gamedir.
    ReadConfig();
    if (fullmute) GLSMOpenAL1->SetActive(false);

    // 6.
    cparray.assign(1, -1);
    switch (shadowmode) {
    case 1:
        shadowz->SetMode(svmDarkening);
        break;
    case 2:
        shadowz->SetMode(svmAccurate);
        break;
    default:
        shadowz->SetMode(svmOff);
        break;
    }

    // 7.
    for (card& entry : cards) entry.enabled = false;
    for (loot& entry : items) entry.count = 0;
    envrlist.Fill(envr{"none", false});

    // 8.
    ShowStatus("Loading localization");
    fillstrarr(lng, strarr);
    loadstage = 1;
    // The effect names only label perks: the game goes on without them.
    try {
        getcpeids();
    } catch (const EGameDataError& e) {
        GameLog(e.Message() + "; the coded perk effects have no names");
    }

    // 9. The catalogue advances loadstage to 11.
    loadstage = 2;
    preparematerials();

    // 10. Seven lights for the level; the first casts shadows, and so does the player's torch when wanted.
    for (int32_t i = scenelights.Low(); i <= scenelights.High(); ++i) {
        TGLLightSource* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(dcgame);
        light->SetLightStyle(lsOmni);
        light->SetConstAttenuation(0);
        light->SetLinearAttenuation(0);
        light->SetQuadraticAttenuation(0);
        light->SetShining(false);
        scenelights[i] = light;
    }
    shadowz->Lights()->AddCaster(scenelights[0], 0, scmRecursivelyVisible);
    if (torchshadows) shadowz->Lights()->AddCaster(playerlight, 0, scmRecursivelyVisible);

    // 11.
    ShowStatus(strarr[162]);
    prepareuiobjects();
    loadstage = 12;
    ShowStatus(strarr[162]);

    // 12. The buttons, then the main menu: an empty level and a new character.
    definebutsets();
    ClearLevel();
    ResetStats();
    mmmode = true;
    ingame = invmode = chargen = itemlistmode = false;

    // 13.
    loadstage = 13;
    ShowStatus(strarr[163]);
    ReadLevel(GamePath(cMainMenuMap));
    GoToStart();
    loadstage = 14;
    BuildLevel();
    CheckAvisars(playerx, playery);
    FullMBW(viewdist);

    // 14. The splash window hides itself on its next tick.
    loadstage = 15;
    loading = false;

    // 15.
    if (poorquality) {
        PixelateShader->SetEnabled(true);
        PostShaderHolder->Shaders()->Add()->SetShader(PixelateShader);
        for (TGLWindowsBitmapFont* font : {GLWindowsBitmapFont1, GLWindowsBitmapFont2, GLWindowsBitmapFont3})
            EnlargeFont(font);
    }

    // 16. The frame object's first run finds no frame pending; from now on the frame loop runs.
    framethread = std::make_unique<TGHThread>(this);
    framethread->Execute();
    seteffectpolarity();
    GLCadencer1->SetEnabled(true);

    // 17.
    shadowz->SetActive(shadows);
    if (shadows) FormOccluderArr();
}

void TForm1::setdefaultrndons()
{
    static const char* const names[] = {
        "altar1", "spr_table", "spr_barrel1", "spr_ralt4", "spr_ralt3", "spr_ralt2", "spr_ralt1", "spr_ralt0",
        "mark_enter", "mark_exit", "spr_keyshrines", "spr_keyshrineg", "spr_keyshrinee", "spr_ang_alt",
        "spr_ang_alt", "spr_ang_alt", "spr_altarsilence", "spr_wisdom_orb",
    };
    defrndons.Clear();
    int32_t i = 0;
    for (const char* name : names) defrndons[i++] = name;
}

void TForm1::ClearLevel()
{
    ++levelserial;
    TLevelData level;
    SwapLevelData(level);
    ClearLevelTables(level);
    SwapLevelData(level);
    // The lights are off: the scene lights follow once the start-up has made them.
    if (scenelights[0]) ProcessLights();
}

void TForm1::GoToStart()
{
    playerx = startx;
    playery = starty;
    lookside = startdir;
}
