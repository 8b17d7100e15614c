// The free-mesh editor over the start map: showing and setting a slot (both copies, the scene object), refused
// boxes and slots, the placement buttons, the rotation boxes kept equal to their track bars, the redirect file,
// "do" with the light-source editor, and the preview scene.
#include "UFreeMeshEd.h"
#include "UGHLSourc.h"
#include "UGH_editlists.h"

#include "EditorFixture.h"
#include "GLMaterial.h"
#include "GLVectorFileObjects.h"
#include "GLWin32Viewer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class FreeMeshEditor : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        form.reset(new TForm16(nullptr));
        Form16 = form.get();
        form->FormShow(form.get());
    }
    void TearDown() override
    {
        Form16 = nullptr;
        form.reset();
        EditorFixture::TearDown();
    }

    // Chooses a slot as the user does in the list.
    void Choose(int32_t slot)
    {
        form->ComboBox1->SetItemIndex(slot);
        form->ComboBox1Change(form->ComboBox1);
    }

    std::unique_ptr<TForm16, TFreeDeleter> form;
};

TEST_F(FreeMeshEditor, ShowingListsTheSlotsAndMeshesAndShowsSlotZero)
{
    EXPECT_EQ(form->ComboBox1->Items()->Count(), 201);
    EXPECT_EQ(form->ComboBox1->ItemIndex(), 0);
    EXPECT_FALSE(form->Button7->Enabled()); // no slot before 0
    EXPECT_GT(form->Edit7->Items()->IndexOf("crate"), -1);
    EXPECT_EQ(form->edit12->Items()->Count(), static_cast<int>(spritelist.size()));
    EXPECT_TRUE(form->VAVodadViewer1->Visible());
    EXPECT_TRUE(form->Timer1->Enabled());
    form->FormHide(form.get());
    EXPECT_FALSE(form->VAVodadViewer1->Visible());
    EXPECT_FALSE(form->Timer1->Enabled());
}

TEST_F(FreeMeshEditor, SetWritesBothCopiesResetsTexture2AndMovesTheSceneObject)
{
    freemesh& stored = mapfreemeshes[5];
    stored = freemesh{};
    stored.name = "pillar";
    stored.texture2 = "glow";
    stored.va1 = 3;
    stored.spd = 1.5;
    stored.bhv = 2;
    Choose(5);
    EXPECT_TRUE(form->Button7->Enabled());
    EXPECT_EQ(form->Edit24->Text(), "1.5");
    EXPECT_EQ(form->ComboBox2->ItemIndex(), 2);

    form->Edit1->SetText("60");
    form->Edit2->SetText("80");
    form->Edit3->SetText("10");
    form->Edit4->SetText("90");
    form->Edit9->SetText("50");
    form->Edit7->SetText("crate");
    form->edit12->SetText("spr_barrel1");
    form->Edit26->SetText("msg(1)");
    form->CheckBox1->SetChecked(true);
    form->ComboBox2->SetItemIndex(0);
    form->Button1->Click();
    ASSERT_TRUE(messages.empty()) << messages.front();

    const freemesh& m = mapfreemeshes[5];
    freemesh working = freemeshes[5];
    working.va1 = m.va1; // the running level finds the mesh's visibility areas itself
    working.va2 = m.va2;
    EXPECT_EQ(working, m);
    EXPECT_EQ(m.name, "crate");
    EXPECT_EQ(m.texture, "spr_barrel1");
    EXPECT_EQ(m.texture2, "0");
    EXPECT_EQ(m.trscript, "msg(1)");
    EXPECT_EQ(m.va1, 3); // not an editor field
    EXPECT_EQ(m.x, 60);
    EXPECT_EQ(m.rx, 60);
    EXPECT_EQ(m.ry, 80);
    EXPECT_EQ(m.rz, 10);
    EXPECT_EQ(m.ta, 90);
    EXPECT_EQ(m.rta, 90);
    EXPECT_EQ(m.sx, 50);
    EXPECT_EQ(m.bhv, 0);
    EXPECT_TRUE(m.enabled);
    ASSERT_NE(fmeshobjs[5], nullptr);
    EXPECT_EQ(fmeshobjs[5]->Position()->X(), 60);
    EXPECT_EQ(fmeshobjs[5]->Position()->Y(), 80);
    EXPECT_EQ(fmeshobjs[5]->TurnAngle(), 90);
    EXPECT_FLOAT_EQ(fmeshobjs[5]->Scale()->X(), 0.5f);
}

// A refused box is named and ends "set": the fields before it stay written in the map's copy, the ones after it
// and the running level's copy keep theirs.
TEST_F(FreeMeshEditor, ARefusedBoxEndsSetAndIsNamed)
{
    Choose(4);
    const freemesh stored = mapfreemeshes[4], working = freemeshes[4];
    struct Case {
        TWinControl* box;
        const char* text;
        const char* message;
        bool placed, speedWritten; // rx, ry, rz follow x, y and z once all three are written
    };
    for (const Case& c : std::vector<Case>{
             {form->Edit2, "x", "position y: a whole number", false, false},
             {form->Edit23, "", "minmax z2: a whole number", true, false},
             {form->Edit24, "fast", "speed: a number", true, false},
             {form->Edit7, "../pillar", "mesh: a plain name (no \"/\" or \"\\\", not \".\" or \"..\")", true, true},
             {form->Edit7, "", "mesh: a plain name (no \"/\" or \"\\\", not \".\" or \"..\")", true, true},
         }) {
        mapfreemeshes[4] = stored;
        Choose(4);
        form->Edit7->SetText("crate");
        form->Edit1->SetText("999");
        form->Edit24->SetText("2.5");
        form->Edit26->SetText("after.txt"); // the trajectory script comes after the mesh
        if (auto* edit = dynamic_cast<TEdit*>(c.box))
            edit->SetText(c.text);
        else
            dynamic_cast<TComboBox*>(c.box)->SetText(c.text);
        messages.clear();
        form->Button1->Click();
        EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.text;
        EXPECT_EQ(mapfreemeshes[4].x, 999) << c.text;
        EXPECT_EQ(mapfreemeshes[4].rx, c.placed ? 999 : stored.rx) << c.text;
        EXPECT_EQ(mapfreemeshes[4].spd, c.speedWritten ? 2.5 : stored.spd) << c.text;
        EXPECT_EQ(mapfreemeshes[4].trscript, stored.trscript) << c.text;
        EXPECT_EQ(freemeshes[4], working) << c.text;
    }
    mapfreemeshes[4] = stored;

    // Slots outside the table: shown as nothing, cloned from nowhere, and no slot before 0.
    mapfreemeshes[0].x = 7;
    Choose(0);
    form->ShowFM(201);
    EXPECT_EQ(form->ComboBox1->ItemIndex(), 0);
    EXPECT_EQ(form->Edit1->Text(), "7");
    messages.clear();
    form->Edit25->SetText("201");
    form->Button13->Click();
    EXPECT_EQ(messages, std::vector<std::string>{"clone: a whole number from 0 to 200"});
    EXPECT_TRUE(form->Edit25->Invalid());
    messages.clear();
    form->Button7->Click();
    EXPECT_EQ(messages, std::vector<std::string>{"attach to prev: slot 0 has no previous slot"});
    EXPECT_EQ(form->Edit1->Text(), "7");
}

TEST_F(FreeMeshEditor, PlacementButtonsCloneAndAttachToPrev)
{
    edcurx = 2;
    edcury = 5;
    form->Button2->Click(); // acc
    EXPECT_EQ(form->Edit1->Text(), "40");
    EXPECT_EQ(form->Edit2->Text(), "100");
    EXPECT_EQ(form->Edit3->Text(), "10");
    form->PlusX->Click();
    form->MinusY->Click();
    form->ZeroZ->Click();
    form->Edit9->SetText("x");
    form->MinusZ->Click();
    EXPECT_EQ(form->Edit1->Text(), "50");
    EXPECT_EQ(form->Edit2->Text(), "90");
    EXPECT_EQ(form->Edit3->Text(), "-10");
    form->Button11->Click(); // 100
    EXPECT_EQ(form->Edit9->Text(), "100");
    EXPECT_EQ(form->Edit11->Text(), "100");
    form->Button12->Click(); // afmc
    EXPECT_EQ(form->Edit18->Text(), "50");
    EXPECT_EQ(form->Edit19->Text(), "50");
    EXPECT_EQ(form->Edit21->Text(), "90");
    EXPECT_EQ(form->Edit23->Text(), "-10");

    // Attach to prev takes the previous slot's working copy, not the stored one.
    freemeshes[2].x = 33;
    freemeshes[2].pa = 45;
    freemeshes[2].sz = 70;
    mapfreemeshes[2].x = 11;
    Choose(3);
    form->Button7->Click();
    EXPECT_EQ(form->Edit1->Text(), "33");
    EXPECT_EQ(form->Edit6->Text(), "45");
    EXPECT_EQ(form->Edit11->Text(), "70");

    // Clone copies the stored slot whole and shows it; the working copy waits for "set".
    mapfreemeshes[2].name = "obelisk";
    form->Edit25->SetText("2");
    form->Button13->Click();
    EXPECT_EQ(mapfreemeshes[3], mapfreemeshes[2]);
    EXPECT_EQ(form->Edit1->Text(), "11");
    EXPECT_EQ(form->Edit7->Text(), "obelisk");
    EXPECT_NE(freemeshes[3], mapfreemeshes[3]);
}

TEST_F(FreeMeshEditor, RotationBoxesAndTrackBarsStayEqualAndAaSetsEachChange)
{
    Choose(6);
    form->Edit5->SetText("400");
    EXPECT_EQ(form->TrackBar5->Position(), 40);
    EXPECT_EQ(form->Edit5->Text(), "400");
    form->Edit5->SetText("-90");
    EXPECT_EQ(form->TrackBar5->Position(), 270);
    form->Edit5->SetText("a");
    EXPECT_EQ(form->TrackBar5->Position(), 270);
    form->TrackBar4->SetPosition(123);
    EXPECT_EQ(form->Edit4->Text(), "123");
    EXPECT_NE(mapfreemeshes[6].ta, 123);

    form->Edit5->SetText("0");
    form->Edit7->SetText("crate");
    form->CheckBox4->SetChecked(true);
    form->TrackBar6->SetPosition(15);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(mapfreemeshes[6].pa, 15);
    EXPECT_EQ(freemeshes[6].pa, 15);
    form->Edit4->SetText("200");
    EXPECT_EQ(mapfreemeshes[6].ta, 200);

    // Showing a slot moves the bars without setting it; choosing a slot unticks "aa".
    mapfreemeshes[7].ta = 10;
    const freemesh seven = mapfreemeshes[7];
    form->ShowFM(7);
    EXPECT_EQ(form->TrackBar4->Position(), 10);
    EXPECT_EQ(mapfreemeshes[7], seven);
    EXPECT_EQ(mapfreemeshes[6].ta, 200);
    Choose(7);
    EXPECT_FALSE(form->CheckBox4->Checked());
}

TEST_F(FreeMeshEditor, CreateWritesTheRedirectFileOfAPlainMeshName)
{
    form->Edit7->SetText("pillar");
    form->Edit8->SetText("tex_marble");
    form->Button3->Click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(folder.Read("meshes/pillar.red"), "tex_marble\r\n");

    form->Edit7->SetText("..");
    form->Button3->Click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "meshes" / "...red"));
}

TEST_F(FreeMeshEditor, DoWritesTheAttachedLightAtTheMeshesPosition)
{
    std::unique_ptr<TForm17, TFreeDeleter> lights(new TForm17(nullptr));
    Form17 = lights.get();
    levellights[9].lgroup = 4;
    form->Edit1->SetText("120");
    form->Edit2->SetText("140");
    form->Edit3->SetText("12");

    form->Edit14->SetText("20");
    form->Button10->Click();
    EXPECT_EQ(messages, std::vector<std::string>{"attach light: a whole number from 0 to 19"});
    EXPECT_FALSE(lights->Visible());

    messages.clear();
    form->Edit14->SetText("9");
    form->Button10->Click();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(lights->Visible());
    EXPECT_EQ(lights->Edit0->Text(), "9");
    EXPECT_EQ(levellights[9].x, 120);
    EXPECT_EQ(levellights[9].y, 140);
    EXPECT_EQ(levellights[9].z, 12);
    EXPECT_EQ(levellights[9].lgroup, 4);
    lights->Hide();
    Form17 = nullptr;
}

TEST_F(FreeMeshEditor, PreviewLoadsTheMeshWithTheGamesMaterialAndTurnsWithItsBars)
{
    form->Edit7->SetText("crate");
    form->edit12->SetText("0");
    form->Edit4->SetText("30");
    form->Edit5->SetText("0");
    form->Edit6->SetText("90");
    form->Button4->Click();
    EXPECT_TRUE(messages.empty());
    EXPECT_GT(form->preview->MeshObjects()->Count(), 0);
    EXPECT_EQ(form->preview->MaterialLibrary(), main->matlib);
    EXPECT_EQ(form->preview->Material()->LibMaterialName(), "tex_fs_crate");
    EXPECT_EQ(form->preview->TurnAngle(), 30);
    EXPECT_EQ(form->preview->PitchAngle(), 90);

    form->TrackBar1->SetPosition(15);
    EXPECT_EQ(form->preview->TurnAngle(), 45);
    EXPECT_EQ(mapfreemeshes[0].ta, 0); // the slot does not turn

    form->Button5->Click();
    form->Button5->Click();
    form->Button6->Click();
    EXPECT_EQ(form->GLCamera1->Position()->X(), -35);

    // A mesh that reads neither way is reported; the material and angles stay.
    form->Edit7->SetText("nosuch");
    form->Edit4->SetText("60");
    form->Button4->Click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(form->preview->Material()->LibMaterialName(), "tex_fs_crate");
    EXPECT_EQ(form->preview->TurnAngle(), 45);

    form->preview->Direction()->SetVector(1, 0, 0);
    form->preview->Up()->SetVector(0, 0, 1);
    form->Timer1Timer(form->Timer1);
    EXPECT_EQ(form->Label1->Caption(), "dir x=1; y=0; z=0; up x=0; y=0; z=1");
}

TEST_F(FreeMeshEditor, TheMapViewMarksTheChosenSlotInMagenta)
{
    for (freemesh& m : freemeshes) m.enabled = false;
    for (freesprite& s : freesprites) s.enabled = false;
    for (wanderer& w : wanderers) w.enabled = false;
    for (lightslot& l : levellights) l.shining = false;
    for (const int32_t slot : {2, 3}) {
        freemeshes[slot].enabled = true;
        freemeshes[slot].x = 40 * slot;
        freemeshes[slot].y = 40;
    }
    Choose(2);
    editor->RenderMap();
    // The crosses' horizontal bars, 3 pixels right of their centres.
    const auto pixel = [](int32_t x, int32_t y) {
        const uint8_t* p = edmapbmp->ScanLine(y) + x * edmapbmp->BytesPerPixel();
        return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
    };
    EXPECT_EQ(pixel(80 + 13, 50), clFuchsia);
    EXPECT_EQ(pixel(120 + 13, 50), 0x8B008B); // dark magenta
}

TEST(FreeMeshNames, ExtractOnlyFileNameCutsTheExtensionAtTheEnd)
{
    struct Case {
        const char* file;
        const char* name;
    };
    for (const Case& c : {Case{"wall.obj", "wall"}, Case{"my.objects.obj", "my.objects"},
                          Case{"meshes\\pillar.3ds", "pillar"}, Case{"noext", "noext"}})
        EXPECT_EQ(ExtractOnlyFileName(c.file), c.name) << c.file;
}

} // namespace
