// Pictures into materials by the game's naming convention, and the first steps of the start-up catalogue, on a
// small texture folder of the test's own and an unshown main window.
#include "UGH_main.h"

#include "MaterialCatalogue.h"

#include "DDSImage.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLTexCombineShader.h"
#include "GLTexture.h"
#include "PngImage.h"
#include "TGA.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST_F(MaterialCatalogue, PictureChoice)
{
    Picture<TTGAImage>("textures/hq/wall.tga", 2);
    Picture<TDDSImage>("textures/hq/wall.dds", 4);
    Picture<TPngImage>("textures/hq/card.png", 8);
    Picture<TTGAImage>("textures/hq/Upper.TGA", 2);
    Picture<TDDSImage>("textures/hq/short.dds", 4);
    Picture<TTGAImage>("textures/hq/lonely_2.tga", 2);

    struct TCase {
        const char* fn;
        int32_t width;
    } const cases[] = {
        {"hq\\wall.tga", 4},   // the DDS picture wins over the TGA one
        {"hq\\card.png", 8},   // a PNG picture with no DDS beside it
        {"hq\\upper.tga", 2},  // a name in another letter case
        {"hq\\short", 4},      // no extension to cut: the name itself, and its DDS
        {"hq\\gone.tga", 16},  // missing: empty.tga
        {"hq\\lonely.tga", 16}, // only its light map is there: still missing
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.fn);
        Add(c.fn, c.fn, "hq", 1.0, 0, true);
        ASSERT_NE(Material(c.fn), nullptr);
        EXPECT_EQ(PictureWidth(c.fn), c.width);
        EXPECT_FALSE(Texture(c.fn)->Disabled());
        EXPECT_EQ(Material(std::string(c.fn) + "_2"), nullptr);
        EXPECT_EQ(Material(c.fn)->Texture2Name(), "");
    }
}

TEST_F(MaterialCatalogue, LightMapJoinsThroughTheCombiner)
{
    Picture<TTGAImage>("textures/hq/0/tex_0.tga", 2);
    Picture<TTGAImage>("textures/hq/0/tex_0_2.tga", 8);
    Picture<TDDSImage>("textures/hq/1/tex_0.dds", 4);
    Picture<TDDSImage>("textures/hq/1/tex_0_2.dds", 8);

    for (const char* set : {"0", "1"}) {
        const std::string mn = std::string("etex_") + set + "_0";
        Add(std::string("hq\\") + set + "\\tex_0.tga", mn, "pq", 0.0, 0, true);
        TGLLibMaterial* light = Material(mn + "_2");
        ASSERT_NE(light, nullptr) << mn;
        EXPECT_EQ(Material(mn)->Texture2Name(), mn + "_2");
        EXPECT_EQ(Material(mn)->Shader(), form->GLTexCombineShader1);
        EXPECT_EQ(PictureWidth(mn + "_2"), 8);
        EXPECT_EQ(Texture(mn + "_2")->TextureMode(), tmModulate);
        EXPECT_EQ(Texture(mn + "_2")->MinFilter(), miNearest);
        EXPECT_EQ(light->Material()->BlendingMode(), bmTransparency);
    }
    // Without uselm the light map stays out.
    Add("hq\\0\\tex_0.tga", "plain", "hq", 1.0, 0, false);
    EXPECT_EQ(Material("plain_2"), nullptr);
    EXPECT_EQ(Material("plain")->Shader(), nullptr);
    EXPECT_EQ(matnames, (TDynArray<std::string>{"", "etex_0_0", "etex_1_0", "plain"}));
    EXPECT_EQ(lastmat, "plain");
}

TEST_F(MaterialCatalogue, MaterialSettings)
{
    Picture<TTGAImage>("textures/hq/pic.tga", 2);
    struct TCase {
        const char* qs;
        double emit;
        int32_t mode;
        TGLTextureMode textureMode;
        TGLMinFilter minFilter;
        TGLMagFilter magFilter;
    } const cases[] = {
        {"hq", 1.0, 0, tmModulate, miLinearMipmapLinear, maLinear},
        {"hq", 0.0, 1, tmReplace, miLinearMipmapLinear, maLinear},
        {"lq", 0.5, 2, tmBlend, miLinearMipmapLinear, maLinear},
        {"pq", 1.0, 3, tmDecal, miNearest, maNearest},
        {"hq", 1.0, 7, tmDecal, miLinearMipmapLinear, maLinear}, // an unknown mode keeps the texture's own
    };
    form->matlib2->LibMaterialByName("deflm")->Material()->Texture()->SetCompression(tcHighQuality);
    int n = 0;
    for (const TCase& c : cases) {
        const std::string mn = "m" + std::to_string(n++);
        SCOPED_TRACE(mn);
        Add("hq\\pic.tga", mn, c.qs, c.emit, c.mode);
        TGLMaterial& material = *Material(mn)->Material();
        EXPECT_EQ(material.Texture()->TextureMode(), c.textureMode);
        EXPECT_EQ(material.Texture()->MinFilter(), c.minFilter);
        EXPECT_EQ(material.Texture()->MagFilter(), c.magFilter);
        EXPECT_EQ(material.Texture()->Compression(), tcHighQuality);
        EXPECT_EQ(material.Texture()->ImageAlpha(), tiaDefault);
        EXPECT_EQ(material.BlendingMode(), bmTransparency);
        const TVector4f emission = material.FrontProperties()->Emission()->Color();
        EXPECT_FLOAT_EQ(emission.X, static_cast<float>(c.emit));
        EXPECT_FLOAT_EQ(emission.Y, static_cast<float>(c.emit));
        EXPECT_FLOAT_EQ(emission.Z, static_cast<float>(c.emit));
    }
    // Without the light-map library's own material the default compression stays.
    form->matlib2->Materials()->Clear();
    Add("hq\\pic.tga", "nodeflm");
    EXPECT_EQ(Texture("nodeflm")->Compression(), tcDefault);
}

TEST_F(MaterialCatalogue, UnreadablePicturesGoOnWithoutTexture)
{
    folder.Write("textures/hq/broken.tga", "not a picture");
    TGLLogCapture log;
    Add("hq\\broken.tga", "broken");
    EXPECT_EQ(PictureWidth("broken"), 16);
    EXPECT_TRUE(log.Contains("broken.tga"));

    // Without empty.tga, missing pictures leave their materials untextured; that is said once, naming it.
    std::filesystem::remove(folder.path / "textures/hq/empty.tga");
    log.Clear();
    Add("hq\\gone1.tga", "gone1");
    Add("hq\\gone2.tga", "gone2");
    EXPECT_TRUE(Texture("gone1")->Disabled());
    EXPECT_TRUE(Texture("gone2")->Disabled());
    const std::vector<std::string> texts = log.Texts();
    const auto saysEmptyIsMissing = [](const std::string& text) {
        return text.find("empty.tga is missing") != std::string::npos;
    };
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(), saysEmptyIsMissing), 1) << ::testing::PrintToString(texts);
    EXPECT_EQ(matnames, (TDynArray<std::string>{"", "broken", "gone1", "gone2"}));
}

TEST_F(MaterialCatalogue, SpriteListFields)
{
    struct TCase {
        const char* line;
        const char* name;
        int32_t purpose, size, size2;
    } const cases[] = {
        {"name", "name", -1, 10, 15},
        {"name,2,,30", "name", 2, 10, 30},
        {"name,x,1.5,$", "name", -1, 10, 15}, // not integers: the defaults
        {"altar1,3,12,20,extra", "altar1", 3, 12, 20},
        {",4", "", 4, 10, 15},
        {"", "", -1, 10, 15},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(form->getslitem(c.line, 0, 0), c.name);
        EXPECT_EQ(form->getslitem(c.line, 0, 1), std::to_string(c.purpose));
        EXPECT_EQ(form->getslitem(c.line, 0, 2), std::to_string(c.size));
        EXPECT_EQ(form->getslitem(c.line, 0, 3), std::to_string(c.size2));
    }
    EXPECT_EQ(form->getslitem("a,b,c,d,e", 0, 4), "e");

    WriteLines("textures/spritelist.txt", {"spr_table,2,,30", "", "   ", ",3", "altar1"});
    EXPECT_EQ(ReadSpriteList(GamePath("\\textures\\spritelist.txt")),
              (TDynArray<spritelistitem>{{"spr_table", 2, 10, 30}, {"altar1", -1, 10, 15}}));
}

TEST_F(MaterialCatalogue, WallSets)
{
    for (int set : {0, 1, 3}) Picture<TTGAImage>("textures/hq/" + std::to_string(set) + "/tex_0.tga", 2);
    Picture<TDDSImage>("textures/hq/2/tex_0.dds", 4);
    EXPECT_EQ(form->GetSets(), 4);
    qualitydir = "lq";
    EXPECT_EQ(form->GetSets(), 0);

    // The table holds 101 sets: set 101 and beyond are left out, and the log says so.
    qualitydir = "pq";
    for (int set = 0; set <= 101; ++set) folder.Write("textures/pq/" + std::to_string(set) + "/tex_0.dds", "");
    TGLLogCapture log;
    EXPECT_EQ(form->GetSets(), 101);
    EXPECT_TRUE(log.Contains("are left out"));

    struct TCase {
        const char* text; // nullptr: no file
        bool read;
        envr set;
    } const cases[] = {
        {nullptr, false, {"none", false}},
        {"", false, {"none", false}},
        {"Crypt\r\n", false, {"none", false}},
        {"Crypt\r\n-1\r\n", true, {"Crypt", true}},
        {"Moss Hall\nfalse", true, {"Moss Hall", false}},
        {"Odd\r\nyes\r\nmore", true, {"Odd", false}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(no file)");
        std::filesystem::remove(folder.path / "arid.txt");
        if (c.text) folder.Write("arid.txt", c.text);
        envr set{"none", false};
        EXPECT_EQ(ReadWallSetInfo(GamePath("\\arid.txt"), set), c.read);
        EXPECT_EQ(set, c.set);
    }
}

TEST_F(MaterialCatalogue, TextureListWhileSpritesArePreloaded)
{
    form->addtotexlist("spr_table");
    EXPECT_TRUE(form->checkitemintexlist("spr_table"));
    EXPECT_FALSE(form->checkitemintexlist("SPR_TABLE"));
    // All sprites are loaded at start-up: the on-demand loader and the list's clearing do nothing.
    form->preparemat("altar1");
    form->cleartexlist();
    EXPECT_EQ(texlist, (TDynArray<std::string>{"spr_table"}));
    EXPECT_EQ(form->matlib->LibMaterialByName("altar1"), nullptr);
}

TEST_F(CatalogueFolder, FirstStagesLoadTheFolder)
{
    TGLHUDSprite* const oldGlow = form->teleport_glow;
    form->preparematerials();

    EXPECT_EQ(loadscrcount, 2);
    EXPECT_NE(Material("loadscr_1"), nullptr);
    EXPECT_EQ(Material("loadscr_3"), nullptr);
    EXPECT_EQ(form->loadscr_f->Material()->LibMaterialName(), "---");

    EXPECT_EQ(envcount, 2);
    EXPECT_NE(Material("etex_1_9"), nullptr);
    EXPECT_EQ(envrlist[0], (envr{"Stone halls", true}));
    EXPECT_EQ(envrlist[1], (envr{"none", false}));

    EXPECT_EQ(spritelist, (TDynArray<spritelistitem>{{"spr_table", 2, 10, 15}, {"altar1", -1, 10, 15}}));
    EXPECT_EQ(texlist, (TDynArray<std::string>{"spr_table", "altar1"}));
    EXPECT_EQ(PictureWidth("altar1"), 16);
    const TVector4f spriteEmission = Material("spr_table")->Material()->FrontProperties()->Emission()->Color();
    EXPECT_EQ(spriteEmission.X, 0);

    ASSERT_NE(Material("ui_tooltip"), nullptr);
    EXPECT_EQ(Material("ui_bg")->Material()->FrontProperties()->Emission()->Color().X, 1);

    // The glow is made anew, last under dcuimiddle, with its own picture and no alpha yet.
    TGLHUDSprite* const glow = form->teleport_glow;
    ASSERT_NE(glow, nullptr);
    EXPECT_NE(glow, oldGlow);
    EXPECT_EQ(glow->Parent(), form->dcuimiddle);
    EXPECT_EQ(form->dcuimiddle->Children(form->dcuimiddle->Count() - 1), glow);
    EXPECT_TRUE(glow->Visible());
    EXPECT_EQ(glow->Material()->Texture()->Image()->Width(), 4);
    EXPECT_EQ(glow->Material()->FrontProperties()->Diffuse()->Alpha(), 0);

    const std::vector<std::string> names = {"",       "loadscr_0", "loadscr_1", "etex_0_0", "etex_0_1",
                                            "etex_0_2", "etex_0_3",  "etex_0_4",  "etex_0_5", "etex_0_6",
                                            "etex_0_7", "etex_0_8",  "etex_0_9",  "etex_1_0", "etex_1_1",
                                            "etex_1_2", "etex_1_3",  "etex_1_4",  "etex_1_5", "etex_1_6",
                                            "etex_1_7", "etex_1_8",  "etex_1_9",  "spr_table", "altar1",
                                            "ui_bg",    "ui_tooltip"};
    // These stages stand between the paper doll's wings and the cards.
    const auto first = std::find(matnames.begin(), matnames.end(), "wings_3") + 1;
    std::vector<std::string> staged = {""};
    staged.insert(staged.end(), first, std::find(first, matnames.end(), "card_xp"));
    EXPECT_EQ(staged, names);
    EXPECT_TRUE(form->GLPlane1->Visible());
    EXPECT_EQ(form->GLPlane1->Material()->LibMaterialName(), matnames.back());
    EXPECT_EQ(form->GLPlane1->Material()->GetLibMaterial(), Material(matnames.back()));

    EXPECT_EQ(loadstage, 11);
    EXPECT_EQ(loadstatus, "Loading: stage 159");
}

TEST_F(CatalogueFolder, StagesThatLoadNothingAreLogged)
{
    std::filesystem::remove_all(folder.path / "textures/hq/loadscr");
    WriteLines("textures/uilist.txt", {});
    TGLLogCapture log;
    form->preparematerials();
    // Whether a "loaded nothing" line names the stage (the closing summary names every stage).
    const auto loadedNothing = [&log](const std::string& stage) {
        return std::ranges::any_of(log.Texts(), [&stage](const std::string& text) {
            return text.find("loaded nothing") != std::string::npos && text.find(stage) != std::string::npos;
        });
    };
    EXPECT_EQ(loadscrcount, 0);
    EXPECT_TRUE(loadedNothing("load screens")) << ::testing::PrintToString(log.Texts());
    EXPECT_TRUE(loadedNothing("uilist.txt"));
    EXPECT_FALSE(loadedNothing("wall sets"));
    EXPECT_FALSE(loadedNothing("spritelist.txt"));
}

TEST_F(CatalogueFolder, MissingListsStopTheCatalogueNamingTheFile)
{
    for (const char* list : {"spritelist.txt", "uilist.txt"}) {
        SCOPED_TRACE(list);
        CatalogueFolder::TearDown();
        CatalogueFolder::SetUp();
        std::filesystem::remove(folder.path / "textures" / list);
        try {
            form->preparematerials();
            ADD_FAILURE() << "no error";
        } catch (const EGameDataError& e) {
            EXPECT_NE(e.Message().find(list), std::string::npos) << e.Message();
        }
    }
}

} // namespace
