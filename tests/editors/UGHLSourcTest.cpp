// The light-source editor over the start map: the slot list, reading and writing a slot with its scaled boxes,
// refused boxes that end the writing, and the buttons that reach the map editor's cursor, the game's lights and the
// free-mesh editor.
#include "UFreeMeshEd.h"
#include "UGHLSourc.h"

#include "EditorFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class LightEditor : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        form.reset(new TForm17(nullptr));
        Form17 = form.get();
    }
    void TearDown() override
    {
        Form17 = nullptr;
        form.reset();
        EditorFixture::TearDown();
    }

    std::unique_ptr<TForm17, TFreeDeleter> form;
};

TEST_F(LightEditor, ListsEverySlotWithItsDiffuseColourToOneDecimal)
{
    lightslot& shining = levellights[3];
    shining = lightslot{};
    shining.x = 60;
    shining.y = 80;
    shining.z = 10;
    shining.lgroup = 2;
    shining.dr = 0.5;
    shining.dg = 0.26;
    shining.db = 1;
    shining.shining = true;
    levellights[4] = lightslot{};
    levellights[4].dg = 0.25; // the half goes to the even tenth
    levellights[4].x = -20;

    form->FormShow(form.get());
    ASSERT_EQ(form->ListBox1->Items()->Count(), 20);
    EXPECT_EQ(form->ListBox1->Items()->Get(3), "3) r0.5 g0.3 b1 / x=60 y=80 z=10 lg=2 *");
    EXPECT_EQ(form->ListBox1->Items()->Get(4), "4) r0 g0.2 b0 / x=-20 y=0 z=0 lg=0 ");

    // A click on a line reads its slot.
    form->ListBox1->SetItemIndex(3);
    form->ListBox1Click(form->ListBox1);
    EXPECT_EQ(form->Edit0->Text(), "3");
    EXPECT_EQ(form->Edit4->Text(), "128");
    EXPECT_EQ(form->Edit5->Text(), "66");
    EXPECT_EQ(form->Edit13->Text(), "60");
    EXPECT_TRUE(form->CheckBox1->Checked());
}

TEST_F(LightEditor, ReadShowsScaledWholeNumbersAndWtiteStoresThemBack)
{
    lightslot l;
    l.ar = 0.5;
    l.ag = 1;
    l.ab = 0;
    l.ca = 0.5;
    l.la = 0.01234;
    l.qa = 0.00004;
    l.x = 40;
    l.y = -20;
    l.z = 15;
    l.style = 1;
    l.sdx = 0;
    l.sdy = 0;
    l.sdz = -1;
    l.cutoff = 45;
    l.exponent = 2.5;
    l.lgroup = 3;
    l.persists = true;
    levellights[7] = l;

    form->Edit0->SetText("7");
    form->Button1->Click();
    struct Shown {
        TEdit* box;
        const char* text;
    };
    for (const Shown& s : std::vector<Shown>{{form->Edit1, "128"},
                                             {form->Edit2, "255"},
                                             {form->Edit3, "0"},
                                             {form->Edit10, "5000"},
                                             {form->Edit11, "123"},
                                             {form->Edit12, "0"},
                                             {form->Edit15, "15"},
                                             {form->Edit18, "-1"},
                                             {form->Edit19, "45"},
                                             {form->Edit20, "2.5"},
                                             {form->Edit21, "3"}})
        EXPECT_EQ(s.box->Text(), s.text);
    EXPECT_EQ(form->ComboBox1->ItemIndex(), 1);
    EXPECT_FALSE(form->CheckBox1->Checked());
    EXPECT_TRUE(form->CheckBox2->Checked());

    // Written into another slot: what the boxes show, divided back.
    form->Edit0->SetText("8");
    form->Edit20->SetText("0,75");
    form->CheckBox1->SetChecked(true);
    form->Button2->Click();
    EXPECT_TRUE(messages.empty());
    const lightslot& w = levellights[8];
    EXPECT_DOUBLE_EQ(w.ar, 128.0 / 255);
    EXPECT_NEAR(w.ar, 0.50196, 1e-5);
    EXPECT_DOUBLE_EQ(w.ag, 1);
    EXPECT_DOUBLE_EQ(w.la, 0.0123);
    EXPECT_DOUBLE_EQ(w.qa, 0);
    EXPECT_DOUBLE_EQ(w.exponent, 0.75);
    EXPECT_EQ(w.x, 40);
    EXPECT_EQ(w.y, -20);
    EXPECT_EQ(w.sdz, -1);
    EXPECT_EQ(w.cutoff, 45);
    EXPECT_EQ(w.style, 1);
    EXPECT_EQ(w.lgroup, 3);
    EXPECT_TRUE(w.shining);
    EXPECT_TRUE(w.persists);
    EXPECT_FALSE(w.external);
    EXPECT_EQ(levellights[7], l);
    // The list is made again.
    EXPECT_EQ(form->ListBox1->Items()->Get(8), "8) r0 g0 b0 / x=40 y=-20 z=15 lg=3 *");
}

// A refused box is named and ends the command: the fields before it stay written, the ones after it keep their
// values; a slot outside the table is written nowhere.
TEST_F(LightEditor, ARefusedBoxEndsWritingAndIsNamed)
{
    struct Case {
        TEdit* box;
        const char* text;
        const char* message;
        bool positionWritten; // x comes after the colours and before the direction
    };
    for (const Case& c : std::vector<Case>{
             {form->Edit0, "20", "id: a whole number from 0 to 19", false},
             {form->Edit0, "-1", "id: a whole number from 0 to 19", false},
             {form->Edit11, "x", "lin (x10000): a whole number", false},
             {form->Edit14, "", "position y: a whole number", true},
             {form->Edit20, "fast", "spot exponent: a number", true},
         }) {
        form->Edit0->SetText("2");
        form->Button1->Click();
        const lightslot before = levellights[2];
        form->Edit13->SetText("999");
        form->Edit21->SetText("77"); // the light group, written last of the boxes
        const std::string old = c.box->Text();
        c.box->SetText(c.text);
        messages.clear();
        form->Button2->Click();
        EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.text;
        EXPECT_TRUE(c.box->Invalid()) << c.text;
        EXPECT_EQ(levellights[2].x, c.positionWritten ? 999 : before.x) << c.text;
        EXPECT_EQ(levellights[2].lgroup, before.lgroup) << c.text;
        c.box->SetText(old);
        levellights[2] = before;
    }
    // "read" of a slot outside the table changes no box.
    form->Edit0->SetText("20");
    form->Edit13->SetText("5");
    messages.clear();
    form->Button1->Click();
    EXPECT_EQ(messages, std::vector<std::string>{"id: a whole number from 0 to 19"});
    EXPECT_EQ(form->Edit13->Text(), "5");
}

TEST_F(LightEditor, ActCellProcessAndDropToTheFreeMeshEditor)
{
    form->Edit0->SetText("6");
    form->Button1->Click();
    edcurx = 3;
    edcury = 4;
    form->Button4->Click();
    EXPECT_EQ(form->Edit13->Text(), "60");
    EXPECT_EQ(form->Edit14->Text(), "80");
    EXPECT_EQ(form->Edit15->Text(), "10");

    // The only shining slot of the player's light group becomes the first scene light.
    for (lightslot& l : levellights) l.shining = false;
    playerx = 3;
    playery = 4;
    levelgrid[3][4].lgroup = 0;
    form->CheckBox1->SetChecked(true);
    form->CheckBox3->SetChecked(false);
    form->Edit21->SetText("0");
    form->Button2->Click();
    form->Button3->Click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(mainlight, 6);
    EXPECT_EQ(main->scenelights[0]->Position()->X(), 60);
    EXPECT_EQ(main->scenelights[0]->Position()->Y(), 80);

    std::unique_ptr<TForm16, TFreeDeleter> meshes(new TForm16(nullptr));
    Form16 = meshes.get();
    form->Button5->Click();
    EXPECT_EQ(meshes->Edit14->Text(), "6");
    Form16 = nullptr;
}

TEST_F(LightEditor, TheMapViewMarksTheSlotOfTheIdBoxInRedWhileTheWindowIsShown)
{
    for (freemesh& m : freemeshes) m.enabled = false;
    for (freesprite& s : freesprites) s.enabled = false;
    for (wanderer& w : wanderers) w.enabled = false;
    for (lightslot& l : levellights) l.shining = false;
    for (const int32_t slot : {2, 3}) {
        levellights[slot].shining = true;
        levellights[slot].lgroup = 0;
        levellights[slot].x = 40 * slot;
        levellights[slot].y = 40;
    }
    // Whether the light's ring (its box from x + 7 to x + 13) has a pixel of the colour.
    const auto ringHas = [](int32_t slot, TColor color) {
        const int32_t x = 40 * slot, y = 40;
        for (int32_t py = y + 6; py <= y + 14; ++py)
            for (int32_t px = x + 6; px <= x + 14; ++px) {
                const uint8_t* p = edmapbmp->ScanLine(py) + px * edmapbmp->BytesPerPixel();
                if (static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16)) == color) return true;
            }
        return false;
    };
    form->Edit0->SetText("2");
    editor->RenderMap();
    EXPECT_FALSE(ringHas(2, clRed)) << "hidden";
    form->Show();
    for (const char* id : {"2", "x", "-1"}) {
        form->Edit0->SetText(id);
        editor->RenderMap();
        EXPECT_EQ(ringHas(2, clRed), std::string(id) == "2") << id;
        EXPECT_FALSE(ringHas(3, clRed)) << id;
        EXPECT_TRUE(ringHas(3, 0xB3DEF5)) << id; // wheat
    }
    form->Hide();
}

} // namespace
