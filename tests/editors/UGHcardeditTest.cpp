// The card editor and the card pictures: the lines each card shows (text, colour, place), the three variants
// written in their order, the pictures and the title's colour on each, the labels of the editor's own string table,
// the lists, the timer's copy, and the demo adventure's pictures drawn again the same.
#include "UGHcardedit.h"

#include "UGH_cardimage.h"
#include "UGH_data.h"
#include "UGH_tables.h"

#include "Components.h"
#include "ContentEditorFixture.h"
#include "FileUtils.h"
#include "JPEG.h"
#include "PngImage.h"
#include "TGA.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr TColor cBackground = 0x204060, cPicture = 0xC08020, cNoPicture = 0x20A020;

// The labels a card's lines take, by string number.
const std::vector<std::pair<int32_t, std::string>> cLabels = {
    {48, "HP"}, {49, "Mana"}, {50, "Damage"}, {52, "Cost"}, {92, "Angel"}, {96, "Bonus"}, {199, "turns"}, {397, "all"}};

class CardEditor : public ContentEditorFixture {
protected:
    void SetUp() override
    {
        ContentEditorFixture::SetUp();
        for (std::string& entry : cardeditstrs) entry.clear();
        form.reset(new TForm3(nullptr));
        Form3 = form.get();
        ForceDirectories(GamePath("\\cards"));
        WritePicture("\\textures\\cards\\b0_0.jpg", 140, 220, cBackground);
        WritePicture("\\textures\\cards\\noimg.jpg", 40, 30, cNoPicture);
        TBitmap icon;
        icon.SetSize(8, 8);
        Fill(icon, clRed);
        TTGAImage tga;
        tga.Assign(&icon);
        ForceDirectories(GamePath("\\textures\\hq"));
        tga.SaveToFile(GamePath("\\textures\\hq\\effect_3.tga"));
    }
    void TearDown() override
    {
        Form3 = nullptr;
        form.reset();
        for (std::string& entry : cardeditstrs) entry.clear();
        ContentEditorFixture::TearDown();
    }

    static void Fill(TBitmap& bitmap, TColor colour)
    {
        bitmap.Canvas()->Brush()->SetColor(colour);
        bitmap.Canvas()->FillRect(TRect{0, 0, bitmap.Width(), bitmap.Height()});
    }
    static void WritePicture(const std::string& path, int32_t w, int32_t h, TColor colour)
    {
        TBitmap bitmap;
        bitmap.SetSize(w, h);
        Fill(bitmap, colour);
        TJPEGImage jpeg;
        jpeg.Assign(&bitmap);
        ForceDirectories(ExtractFilePath(GamePath(path)));
        jpeg.SaveToFile(GamePath(path));
    }
    // "\text\<language>\strings.txt" holding the labels.
    void WriteStrings(const std::string& language) const
    {
        std::vector<std::string> entries(398);
        for (const auto& [n, text] : cLabels) entries[n] = text;
        std::string text;
        for (const std::string& entry : entries) text += entry + "@";
        folder.Write("text/" + language + "/strings.txt", text);
    }
    static TBoundedTable<std::string, 0, 10000>& Labelled()
    {
        for (const auto& [n, text] : cLabels) cardeditstrs[n] = text;
        return cardeditstrs;
    }
    // A card on the test background with 5 damage and nothing else.
    static card Plain()
    {
        card c;
        c.name = "Spark";
        c.dmgph = c.mindam = 5;
        c.consumes = -1;
        c.bont = -1;
        return c;
    }
    static std::vector<TCardPass> Render(const card& c, int32_t id = 7, bool save = false,
                                         const std::function<void(TBitmap&)>& shown = {})
    {
        const TCardStyle style{cardtitlefont, cardtextfont, &cardeditstrs, cardeditlng};
        return RenderCard(c, id, save, style, shown);
    }
    static std::vector<std::string> Texts(const TCardPass& pass)
    {
        std::vector<std::string> texts;
        for (const TCardText& line : pass.Lines) texts.push_back(line.Text);
        return texts;
    }
    void SaveCardFile(int32_t id, const card& c) const { SaveCard(c, GamePath("\\cards\\" + IntToStr(id) + ".crd")); }

    std::unique_ptr<TForm3, TFreeDeleter> form;
};

// Whether the colours differ by at most tolerance in each channel (the pictures are JPEGs).
bool Near(TColor a, TColor b, int tolerance = 24)
{
    for (int shift : {0, 8, 16})
        if (std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

TColor Pixel(TBitmap& bitmap, int32_t x, int32_t y)
{
    const uint8_t* p = bitmap.ScanLine(y) + x * bitmap.BytesPerPixel();
    return p[2] | p[1] << 8 | p[0] << 16;
}

TEST_F(CardEditor, EachLineStandsUnderItsConditionInItsColourAndPlace)
{
    Labelled();
    items[3].overridename = "Ember salt";
    folder.Write("text/en/overrides/items/4.txt", "Moss\r\n");
    struct Case {
        const char* what;
        std::function<void(card&)> change;
        std::vector<std::string> lines;
    };
    const std::string rule = "-------------";
    const Case cases[] = {
        {"plain", [](card&) {}, {"Damage: 5", rule}},
        {"a range hitting all", [](card& c) { c.mindam = 2, c.AOE = true; }, {"Damage: 2-5 all", rule}},
        {"no damage", [](card& c) { c.dmgph = 0; }, {rule}},
        {"percent and gains", [](card& c) { c.dmgph = 0, c.dmgperc = 30, c.addhp = 4, c.addmp = 2; },
         {"Damage: 30% HP", "+4 HP", "+2 Mana", rule}},
        {"effect on the target", [](card& c) { c.addeffect = 3, c.efflgth = 4, c.effdir = 1; },
         {"Damage: 5", " 4 turns >", rule}},
        {"effect with strength on the user", [](card& c) { c.addeffect = 3, c.efflgth = 4, c.effstrgth = 2; },
         {"Damage: 5", " 2/4 turns <", rule}},
        {"consumes, item table", [](card& c) { c.consumes = 3; }, {"Damage: 5", "-1 Ember salt", rule}},
        {"consumes, override", [](card& c) { c.consumes = 4; }, {"Damage: 5", "-1 Moss", rule}},
        {"consumes beyond the items", [](card& c) { c.consumes = 5000; }, {"Damage: 5", "-1 5000", rule}},
        {"a negative bonus", [](card& c) { c.bont = 1, c.bonam = -10; },
         {"Damage: 5", rule, "Angel", "Bonus: -10%", rule}},
        {"costs", [](card& c) { c.mc = 2, c.hpc = 3; }, {"Damage: 5", rule, "Cost: 2 Mana", "Cost: 3 HP"}},
    };
    for (const Case& c : cases) {
        card crd = Plain();
        c.change(crd);
        const std::vector<TCardPass> passes = Render(crd);
        ASSERT_EQ(passes.size(), 3u);
        EXPECT_EQ(Texts(passes[2]), c.lines) << c.what;
        // 12 pixels are 9 points: the lines step 11 pixels from 110, at x 21 (the effect's line beside its icon).
        for (std::size_t i = 0; i < passes[2].Lines.size(); ++i) {
            const TCardText& line = passes[2].Lines[i];
            EXPECT_EQ(line.Y, 110 + 11 * static_cast<int32_t>(i)) << c.what << " " << i;
            EXPECT_EQ(line.X, line.Text.starts_with(" ") ? 44 : 21) << c.what << " " << i;
        }
    }
}

TEST_F(CardEditor, TheCostsHaveTheirColoursAndTheRestThePassColour)
{
    Labelled();
    card crd = Plain();
    crd.mc = 2;
    crd.hpc = 3;
    crd.addeffect = 3;
    crd.efflgth = 1;
    const std::vector<TCardPass> passes = Render(crd);
    const TColor colours[] = {clLime, clYellow, clWhite};
    for (int i = 0; i < 3; ++i) {
        const TCardPass& pass = passes[i];
        EXPECT_EQ(pass.Pass, 2 - i);
        EXPECT_EQ(pass.Title, (TCardText{"Spark", colours[i], 16, 95}));
        ASSERT_EQ(pass.Lines.size(), 5u);
        for (int line : {0, 1, 2}) EXPECT_EQ(pass.Lines[line].Color, colours[i]) << i << " " << line;
        // Aqua is RGB 0, 255, 255; red 255, 0, 0.
        EXPECT_EQ(pass.Lines[3].Color, 0xFFFF00);
        EXPECT_EQ(pass.Lines[4].Color, 0x0000FF);
        // The icon is as large as two text points: 18 pixels.
        EXPECT_EQ(pass.Icon->Left, 21);
        EXPECT_EQ(pass.Icon->Top, 121);
        EXPECT_EQ(pass.Icon->Width(), 18);
        EXPECT_EQ(pass.Icon->Height(), 18);
    }
}

// The picture fills (14, 14)-(126, 92) and nothing else; the title is written in each variant's colour; the icon
// is drawn where the data says.
TEST_F(CardEditor, TheVariantsShowThePictureTheTitleColourAndTheIcon)
{
    WritePicture("\\textures\\cards\\h7.jpg", 60, 40, cPicture);
    card crd = Plain();
    crd.addeffect = 3;
    std::vector<TColor> titles;
    const std::vector<TCardPass> passes = Render(crd, 7, false, [&](TBitmap& variant) {
        EXPECT_EQ(variant.Width(), 140);
        EXPECT_EQ(variant.Height(), 220);
        for (const auto& [x, y] : {std::pair{14, 14}, {125, 91}, {70, 50}}) EXPECT_TRUE(Near(Pixel(variant, x, y), cPicture)) << x << "," << y;
        for (const auto& [x, y] : {std::pair{13, 50}, {126, 50}, {70, 13}, {70, 92}, {5, 5}})
            EXPECT_TRUE(Near(Pixel(variant, x, y), cBackground)) << x << "," << y;
        EXPECT_EQ(Pixel(variant, 25, 125), clRed);
        // The title's strokes: the colour met most in its box that is not the background's.
        int found = 0;
        const TColor colour = CardPassColor(static_cast<int32_t>(2 - titles.size()));
        for (int32_t y = 95; y < 109; ++y)
            for (int32_t x = 16; x < 70; ++x) found += Near(Pixel(variant, x, y), colour, 40);
        titles.push_back(found > 10 ? colour : clNone);
    });
    EXPECT_EQ(titles, (std::vector<TColor>{clLime, clYellow, clWhite}));
    // Without its own picture, a card shows "noimg.jpg".
    fs::remove(folder.path / "textures/cards/h7.jpg");
    Render(crd, 7, false, [](TBitmap& variant) { EXPECT_TRUE(Near(Pixel(variant, 70, 50), cNoPicture)); });
}

TEST_F(CardEditor, SaveWritesTheVariantsTwoOneZeroIntoAFolderItMakes)
{
    SaveCardFile(7, Plain());
    cardeditlng = "de";
    form->Edit1->SetText("7");
    form->Button1Click(nullptr);
    const fs::path out = folder.path / "textures/cards/de";
    std::vector<std::vector<bool>> seen;
    TPngImage written;
    // Each variant is shown, then written: what exists as each one shows tells the order.
    const std::vector<TCardPass> passes = Render(cardwork, 7, true, [&](TBitmap&) {
        std::vector<bool> exist;
        for (int pass : {2, 1, 0}) exist.push_back(fs::exists(out / ("7_" + std::to_string(pass) + ".png")));
        seen.push_back(exist);
    });
    EXPECT_EQ(seen, (std::vector<std::vector<bool>>{{false, false, false}, {true, false, false}, {true, true, false}}));
    written.LoadFromFile((out / "7_0.png").string());
    EXPECT_EQ(written.Width(), 140);

    // The button does the same, and the preview keeps the white variant.
    fs::remove_all(out);
    form->Button4Click(nullptr);
    EXPECT_TRUE(messages.empty()) << messages.front();
    for (int pass : {0, 1, 2}) EXPECT_TRUE(fs::exists(out / ("7_" + std::to_string(pass) + ".png")));
    TBitmap* preview = form->Image1->Picture()->Bitmap();
    EXPECT_EQ(CardPng(*preview), folder.Read("textures/cards/de/7_0.png"));
}

TEST_F(CardEditor, LabelsAreEmptyBeforeOkAndFromTheChosenLanguageAfter)
{
    WriteStrings("fr");
    EXPECT_EQ(Texts(Render(Plain())[2]).front(), ": 5");
    // A language without strings changes nothing.
    form->Edit2->SetText("xx");
    form->Button9Click(nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("strings.txt"), std::string::npos) << messages[0];
    EXPECT_EQ(cardeditlng, "en");
    // Nor does one that is no plain folder name.
    form->Edit2->SetText("..");
    form->Button9Click(nullptr);
    EXPECT_TRUE(form->Edit2->Invalid());
    EXPECT_EQ(cardeditlng, "en");
    form->Edit2->SetText("fr");
    form->Button9Click(nullptr);
    EXPECT_EQ(cardeditlng, "fr");
    EXPECT_EQ(Texts(Render(Plain())[2]).front(), "Damage: 5");
}

TEST_F(CardEditor, AMissingBackgroundOrIconStopsWithAMessageNamingIt)
{
    SaveCardFile(7, Plain());
    form->Edit1->SetText("7");
    form->Button1Click(nullptr);
    struct Case {
        std::function<void()> change;
        const char* file;
    };
    const Case cases[] = {
        {[] { cardwork.govskill = 2; }, "b2_0.jpg"},
        {[] { cardwork.addeffect = 9; }, "effect_9.dds"},
    };
    for (const Case& c : cases) {
        cardwork = Plain();
        c.change();
        messages.clear();
        form->Button4Click(nullptr);
        ASSERT_EQ(messages.size(), 1u) << c.file;
        EXPECT_NE(messages[0].find(c.file), std::string::npos) << messages[0];
        EXPECT_FALSE(fs::exists(folder.path / "textures/cards/en/7_2.png"));
    }
    // A card chosen from the list passes every failure over.
    cardwork = Plain();
    SaveCardFile(0, [] {
        card c = Plain();
        c.govskill = 3;
        return c;
    }());
    form->FormShow(nullptr);
    messages.clear();
    form->ComboBox2->SetItemIndex(0);
    form->ComboBox2Change(nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form->Edit1->Text(), "0");
    EXPECT_EQ(cardwork.govskill, 3);
}

TEST_F(CardEditor, TheListsEndAtTheFirstGapAndAtTheLastEffect)
{
    for (int32_t id : {0, 1, 2, 4}) {
        card c = Plain();
        c.name = "card " + IntToStr(id);
        SaveCardFile(id, c);
    }
    form->FormShow(nullptr);
    ASSERT_EQ(form->ComboBox2->Items()->Count(), 3);
    EXPECT_EQ(form->ComboBox2->Items()->Strings(2), "card 2");
    strarr[60] = "Poison";
    form->FormShow(nullptr);
    TStrings& effects = *form->ComboBox3->Items();
    ASSERT_EQ(effects.Count(), 25);
    EXPECT_EQ(effects.Strings(0), "--none--");
    EXPECT_EQ(effects.Strings(8), "Poison");
    // The effect box and its number follow each other.
    form->LabeledEdit7->SetText("8");
    EXPECT_EQ(form->ComboBox3->ItemIndex(), 8);
    form->ComboBox3->SetItemIndex(0);
    form->ComboBox3Change(nullptr);
    EXPECT_EQ(form->LabeledEdit7->Text(), "0");
}

TEST_F(CardEditor, LoadFillsTheControlsAndTheTimerCopiesThemBackToTheFirstBadBox)
{
    card c = Plain();
    c.accum = true;
    c.govskill = 2;
    c.element = 4;
    c.consumes = 3;
    c.sound = "crd_fire";
    SaveCardFile(5, c);
    folder.Write("cards/5_script.txt", "say hello\r\n");
    form->Edit1->SetText("5");
    form->Button1Click(nullptr);
    EXPECT_EQ(cardwork, LoadCard(GamePath("\\cards\\5.crd"), "en"));
    EXPECT_EQ(form->ComboBox1->Text(), "magic");
    EXPECT_EQ(form->ComboBox5->Text(), "Fire");
    EXPECT_TRUE(form->CheckBox1->Checked());
    EXPECT_EQ(form->Edit3->Text(), "3");
    ASSERT_EQ(form->Memo1->Lines()->Count(), 1);
    EXPECT_EQ(form->Memo1->Lines()->Strings(0), "say hello");

    // mindam comes after consumes: a bad consumes keeps the old mindam.
    form->LabeledEdit9->SetText("Blaze");
    form->LabeledEdit12->SetText("6");
    form->Edit3->SetText("x");
    form->Edit4->SetText("1");
    form->Timer1Timer(nullptr);
    EXPECT_EQ(cardwork.name, "Blaze");
    EXPECT_EQ(cardwork.effstrgth, 6);
    EXPECT_EQ(cardwork.consumes, 3);
    EXPECT_EQ(cardwork.mindam, 5);
    EXPECT_TRUE(form->Edit3->Invalid());
    form->Edit3->SetText("-1");
    form->Timer1Timer(nullptr);
    EXPECT_EQ(cardwork.mindam, 1);

    // The check boxes write at once; save writes the working card, save script the memo, orr the name.
    form->CheckBox2->SetChecked(true);
    EXPECT_TRUE(cardwork.monly);
    form->Memo1->Lines()->SetText("say bye");
    ForceDirectories(GamePath("\\text\\en\\overrides\\spells"));
    form->Button2Click(nullptr);
    form->Button12Click(nullptr);
    form->Button10Click(nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(LoadCard(GamePath("\\cards\\5.crd"), "xx"), cardwork);
    EXPECT_EQ(ReadLines("cards/5_script.txt"), std::vector<std::string>{"say bye"});
    EXPECT_EQ(ReadLines("text/en/overrides/spells/5.txt"), std::vector<std::string>{"Blaze"});
    // A card without a script empties the memo; an id beyond the cards is refused by name.
    SaveCardFile(6, Plain());
    form->Edit1->SetText("6");
    form->Button1Click(nullptr);
    EXPECT_EQ(form->Memo1->Lines()->Count(), 0);
    form->Edit1->SetText("1001");
    form->Button1Click(nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "card id: a whole number from 0 to 1000");
}

// "All" in "en" over the demo adventure draws its card pictures byte for byte.
TEST(CardEditorDemo, TheDemoCardPicturesAreTheRoutinesOwn)
{
    ResetGameTables();
    gamedir = ProgramFolder();
    fillstrarr("en", cardeditstrs);
    TFont title, text;
    SetDefaultCardFonts(title, text);
    const TCardStyle style{&title, &text, &cardeditstrs, "en"};
    for (int32_t id = 0; DataFileExists(GamePath("\\items\\" + IntToStr(id) + ".lot")); ++id)
        items[id] = LoadLoot(GamePath("\\items\\" + IntToStr(id) + ".lot"));
    int32_t cards = 0;
    for (; DataFileExists(GamePath("\\cards\\" + IntToStr(cards) + ".crd")); ++cards) {
        const card c = LoadCard(GamePath("\\cards\\" + IntToStr(cards) + ".crd"), "en");
        int32_t pass = 2;
        RenderCard(c, cards, false, style, [&](TBitmap& variant) {
            std::ifstream in(GamePath(CardPngPath("en", cards, pass)), std::ios::binary);
            const std::string demo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_TRUE(CardPng(variant) == demo) << "card " << cards << " variant " << pass;
            --pass;
        });
    }
    EXPECT_EQ(cards, 50);
    for (std::string& entry : cardeditstrs) entry.clear();
    ResetGameTables();
    gamedir.clear();
}

} // namespace
