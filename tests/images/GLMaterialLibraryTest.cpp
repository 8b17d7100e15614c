// Materials and the material library without OpenGL: names, links and their cycles, notifications reaching a
// material's users, texture matrices, texture paths, and the archive.
#include "GLMaterial.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"
#include "GLColor.h"
#include "GLCoordinates.h"
#include "GLPersistentClasses.h"
#include "GLVectorGeometryMatrices.h"
#include "StringLists.h"
#include "TextureTestUtils.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

// An owner that counts what its material tells it.
class TRecordingOwner : public TPersistent, public IGLTextureNotifyAble {
public:
    void NotifyChange(TObject*) override { ++Changes; }
    void NotifyTexMapChange(TObject*) override { ++TexMapChanges; }
    int Changes = 0;
    int TexMapChanges = 0;
};

TEST(GLMaterialLibrary, NamesAreUniqueHashedAndCaseSensitive)
{
    EXPECT_EQ(ComputeNameHashKey(""), 0);
    EXPECT_EQ(ComputeNameHashKey("AB"), 204);
    EXPECT_EQ(ComputeNameHashKey("LibMaterial"), 202226);
    EXPECT_EQ(ComputeNameHashKey("ui_bg"), 3551);
    EXPECT_EQ(ComputeNameHashKey(std::string(40, 'a')), -97);

    TGLMaterialLibrary lib(nullptr);
    TGLLibMaterial* a = lib.Materials()->Add();
    TGLLibMaterial* b = lib.Materials()->Add();
    TGLLibMaterial* c = lib.Materials()->Add();
    EXPECT_EQ(a->Name(), "LibMaterial");
    EXPECT_EQ(b->Name(), "LibMaterial1");
    EXPECT_EQ(c->Name(), "LibMaterial2");
    c->SetName("LibMaterial"); // its own name counts as taken
    EXPECT_EQ(c->Name(), "LibMaterial3");

    a->SetName("Stone");
    EXPECT_EQ(lib.LibMaterialByName("Stone"), a);
    EXPECT_EQ(lib.LibMaterialByName("stone"), nullptr);
    EXPECT_EQ(lib.Materials()->GetNameOfLibMaterial(b), "LibMaterial1");

    EXPECT_EQ(lib.TextureByName(""), nullptr);
    EXPECT_EQ(lib.TextureByName("Stone"), a->Material()->Texture());
    EXPECT_EQ(MessageOf<ETexture>([&] { lib.TextureByName("Wood"); }),
              "Error: Material \"Wood\" not found in current Material Library!");

    TStringList names;
    lib.SetNamesToTStrings(&names);
    ASSERT_EQ(names.Count(), 3);
    EXPECT_EQ(names.Strings(0), "Stone");
    EXPECT_EQ(names.Objects(2), c);
}

TEST(GLMaterialLibrary, LinksResolveLateAndDieWithTheLibraryMaterial)
{
    TGLMaterialLibrary lib(nullptr);
    TGLLibMaterial* wall = lib.Materials()->Add();
    wall->SetName("wall");
    TRecordingOwner owner;
    TGLMaterial material(&owner);
    material.SetLibMaterialName("wall"); // no library yet: kept without a link
    EXPECT_FALSE(material.MaterialIsLinkedToLib());
    material.SetMaterialLibrary(&lib);
    EXPECT_EQ(material.GetLibMaterial(), wall);
    EXPECT_EQ(material.GetActualPrimaryMaterial(), wall->Material());
    EXPECT_TRUE(wall->IsUsed());

    // A change to the library material's image climbs to the user's owner.
    owner.Changes = owner.TexMapChanges = 0;
    wall->Material()->Texture()->Image()->Invalidate();
    EXPECT_GE(owner.Changes, 1);
    wall->Material()->Texture()->SetEnabled(true);
    EXPECT_EQ(owner.TexMapChanges, 1);

    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { wall->RegisterUser(static_cast<TGLUpdateAbleObject*>(&material)); }),
              "Assertion failure (VAVodad\\Source\\GLMaterial, line 2024)");

    lib.Materials()->Delete(0);
    EXPECT_FALSE(material.MaterialIsLinkedToLib());
    EXPECT_EQ(material.MaterialLibrary(), nullptr);
    EXPECT_EQ(material.LibMaterialName(), "");
}

TEST(GLMaterialLibrary, CyclicLinksAreRefusedAndCut)
{
    TGLMaterialLibrary lib(nullptr);
    TGLLibMaterial* l1 = lib.Materials()->Add();
    l1->SetName("L1");
    TGLLibMaterial* l2 = lib.Materials()->Add();
    l2->SetName("L2");
    l1->Material()->SetMaterialLibrary(&lib);
    l2->Material()->SetMaterialLibrary(&lib);
    l1->Material()->SetLibMaterialName("L2");
    {
        TGLLogCapture log;
        l2->Material()->SetLibMaterialName("L1");
        EXPECT_TRUE(log.Contains("Cyclic reference detected in material \"L1\""));
    }
    EXPECT_EQ(l2->Material()->LibMaterialName(), "");
    EXPECT_FALSE(l2->Material()->MaterialIsLinkedToLib());

    // A chain of 16 library materials ends in time; one of 17 runs on past the limit.
    std::vector<TGLLibMaterial*> chain;
    for (int i = 1; i <= 17; ++i) {
        chain.push_back(lib.Materials()->Add());
        chain.back()->SetName("C" + std::to_string(i));
        chain.back()->Material()->SetMaterialLibrary(&lib);
    }
    for (int i = 1; i < 17; ++i) chain[i - 1]->Material()->SetLibMaterialName("C" + std::to_string(i + 1));
    TGLMaterial head(nullptr);
    head.SetMaterialLibrary(&lib);
    {
        TGLLogCapture log;
        head.SetLibMaterialName("C2");
        EXPECT_FALSE(log.Contains("Cyclic"));
        head.SetLibMaterialName("C1");
        EXPECT_TRUE(log.Contains("Cyclic reference detected in material \"C1\""));
        EXPECT_EQ(head.LibMaterialName(), "C2");
    }

    // Links made without the check: the recursion is cut with the same error.
    l2->Material()->QuickAssignMaterial(&lib, l1);
    l2->Material()->SetBlendingMode(bmTransparency);
    TGLLogCapture log;
    EXPECT_FALSE(l1->Blended());
    EXPECT_TRUE(log.Contains("Cyclic reference detected in material"));
}

TEST(GLMaterialLibrary, TextureMatrixFollowsOffsetScaleAndRotation)
{
    TGLMaterialLibrary lib(nullptr);
    TGLLibMaterial* m = lib.Materials()->Add();
    EXPECT_TRUE(m->TextureMatrixIsIdentity());
    m->SetTextureRotate(90);
    EXPECT_FALSE(m->TextureMatrixIsIdentity());
    TVector4f turned;
    HmgTransform(TVector4f{{{1, 0, 0, 1}}}, m->TextureMatrix(), turned);
    EXPECT_NEAR(turned.X, 0, 1e-6);
    EXPECT_NEAR(std::fabs(turned.Y), 1, 1e-6);

    m->SetTextureRotate(0);
    TGLCoordinates3 offset(nullptr, TVector4f{{{0.5f, 0.25f, 0, 0}}}, CsPoint);
    m->SetTextureOffset(&offset);
    HmgTransform(TVector4f{{{0, 0, 0, 1}}}, m->TextureMatrix(), turned);
    EXPECT_FLOAT_EQ(turned.X, 0.5f);
    EXPECT_FLOAT_EQ(turned.Y, 0.25f);

    m->SetTextureMatrix(IdentityHmgMatrix);
    EXPECT_TRUE(m->TextureMatrixIsIdentity());
    EXPECT_TRUE(m->TextureOverride());
}

TEST(GLMaterialLibrary, TexturePathsResolveRelativeNamesInOrder)
{
    TempFolder folder;
    const std::string second = folder / "b";
    ASSERT_TRUE(ForceDirectories(second));
    {
        TFileStream(second + "/stone.tga", fmCreate);
    }
    TGLMaterialLibrary lib(nullptr);
    lib.SetTexturePaths(" " + folder / "a" + " ;; " + second + ";");
    ASSERT_EQ(lib.TexturePathList()->Count(), 2);
    TGLLibMaterial* m = lib.Materials()->Add();
    std::vector<std::string> asked;
    lib.OnTextureNeeded = [&](TObject* Sender, std::string& name) {
        EXPECT_EQ(Sender, &lib);
        asked.push_back(name);
    };
    std::string name = "stone.tga";
    m->ResolveTextureFileName(nullptr, name);
    EXPECT_EQ(name, second + "/stone.tga");
    for (std::string fixed : {"c:\\stone.tga", "\\stone.tga", "missing.tga"}) {
        std::string resolved = fixed;
        m->ResolveTextureFileName(nullptr, resolved);
        EXPECT_EQ(resolved, fixed);
    }
    EXPECT_EQ(asked.size(), 4u);
}

TEST(GLMaterialSettings, KeepTheirRanges)
{
    TGLDepthProperties depth(nullptr);
    depth.SetZNear(1.5f);
    depth.SetZFar(-2);
    EXPECT_EQ(depth.ZNear(), 1);
    EXPECT_EQ(depth.ZFar(), 0);

    TGLBlendingParameters blending(nullptr);
    blending.SetAlphaBlendFuncSFactor(bfOne); // ignored without separate functions
    EXPECT_EQ(blending.AlphaBlendFuncSFactor(), bfSrcAlpha);
    blending.SetBlendFuncSFactor(bfDstColor);
    EXPECT_EQ(blending.AlphaBlendFuncSFactor(), bfDstColor);
    blending.SetSeparateBlendFunc(true);
    blending.SetAlphaBlendFuncDFactor(bfZero);
    blending.SetSeparateBlendFunc(false);
    EXPECT_EQ(blending.AlphaBlendFuncDFactor(), bfOneMinusSrcAlpha);

    TGLMaterial material(nullptr);
    material.FrontProperties()->SetShininess(500);
    EXPECT_EQ(material.FrontProperties()->Shininess(), 128);
    for (TBlendingMode mode : {bmOpaque, bmAlphaTest50, bmAlphaTest100, bmCustom, bmTransparency, bmAdditive,
                               bmModulate}) {
        material.SetBlendingMode(mode);
        EXPECT_EQ(material.Blended(), mode == bmTransparency || mode == bmAdditive || mode == bmModulate) << mode;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Archive

std::string SaveToBytes(TGLMaterialLibrary& lib)
{
    TStringStream stream;
    lib.SaveToStream(stream);
    return stream.DataString();
}

void LoadFromBytes(TGLMaterialLibrary& lib, const std::string& bytes)
{
    TStringStream stream(bytes);
    lib.LoadFromStream(stream);
}

// A library of three kinds of material: a picture with changed texture settings, a plain one with custom
// blending, and one with a texture list.
void FillLibrary(TGLMaterialLibrary& lib)
{
    auto picture = MakeBitmap(4, 2, 0x336699, 0xFF0000);
    TGLLibMaterial* pic = lib.AddTextureMaterial("pic", picture.get());
    TGLTexture* t = pic->Material()->Texture();
    t->SetMagFilter(maNearest);
    t->SetTextureMode(tmReplace);
    t->SetImageAlpha(tiaOpaque);
    t->SetImageGamma(1.5f);
    t->SetTextureWrap(twSeparate);
    t->SetTextureWrapT(twMirrorRepeat);
    t->EnvColor()->SetColor(0.1f, 0.2f, 0.3f, 0.4f);
    t->MappingTCoordinates()->SetVector(0, 2, 0, 1);
    TGLMaterial* m = pic->Material();
    m->FrontProperties()->Diffuse()->SetColor(1, 0.5f, 0.25f, 0.75f);
    m->FrontProperties()->SetShininess(40);
    m->BackProperties()->Emission()->SetColor(0.5f, 0, 0, 1);
    m->SetPolygonMode(pmLines);
    m->SetBlendingMode(bmAlphaTest50);
    m->SetFaceCulling(fcNoCull);
    m->SetMaterialOptions({moNoLighting});
    TGLCoordinates3 offset(nullptr, TVector4f{{{0.5f, 0.25f, 0, 1}}}, CsPoint);
    pic->SetTextureOffset(&offset);
    pic->SetTextureRotate(30);
    pic->SetTexture2Name("plain");

    TGLLibMaterial* plain = lib.Materials()->Add();
    plain->SetName("plain");
    plain->Material()->SetBlendingMode(bmCustom);
    TGLBlendingParameters* params = plain->Material()->BlendingParams();
    params->SetUseAlphaFunc(true);
    params->SetAlphaFuncRef(0.25f);
    params->SetAlphaFunctType(cfLess);
    params->SetBlendFuncSFactor(bfOne);
    params->SetBlendFuncDFactor(bfOneMinusSrcColor);

    TGLLibMaterial* listed = lib.Materials()->Add();
    listed->SetName("listed");
    TGLTextureExItem* item = listed->Material()->TextureEx()->Add();
    item->Texture()->Image()->Assign(picture.get());
    item->Texture()->SetEnabled(true);
    item->SetTextureIndex(2);
    TGLCoordinates3 scale(nullptr, TVector4f{{{2, 3, 1, 1}}}, CsPoint);
    item->SetTextureScale(&scale);
    listed->Material()->TextureEx()->Add(); // no picture
}

TEST(GLMaterialLibraryArchive, RoundTripsEveryField)
{
    TGLMaterialLibrary lib(nullptr);
    FillLibrary(lib);
    const std::string bytes = SaveToBytes(lib);
    EXPECT_EQ(uint8_t(bytes[0]), 2); // the version as a one-byte integer: 4
    EXPECT_EQ(uint8_t(bytes[1]), 4);

    TGLMaterialLibrary copy(nullptr);
    copy.Materials()->Add()->SetName("gone");
    LoadFromBytes(copy, bytes);
    ASSERT_EQ(copy.Materials()->Count(), 3);
    EXPECT_EQ(copy.LibMaterialByName("gone"), nullptr);
    // Written again, the copy gives the same bytes: every field came back.
    EXPECT_EQ(SaveToBytes(copy), bytes);

    TGLLibMaterial* pic = copy.LibMaterialByName("pic");
    ASSERT_NE(pic, nullptr);
    TGLTexture* t = pic->Material()->Texture();
    EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(t->MagFilter(), maNearest);
    EXPECT_EQ(t->TextureWrapT(), twMirrorRepeat);
    EXPECT_EQ(t->Image()->Width(), 4);
    EXPECT_FLOAT_EQ(pic->Material()->FrontProperties()->Diffuse()->Alpha(), 0.75f);
    EXPECT_EQ(pic->Material()->MaterialOptions(), TMaterialOptions{moNoLighting});
    EXPECT_FALSE(pic->TextureMatrixIsIdentity()); // offset and rotation reach the matrix
    EXPECT_FLOAT_EQ(pic->TextureRotate(), 30);
    EXPECT_EQ(pic->Texture2Name(), "plain");
    TGLBlendingParameters* params = copy.LibMaterialByName("plain")->Material()->BlendingParams();
    EXPECT_EQ(params->BlendFuncDFactor(), bfOneMinusSrcColor);
    EXPECT_FLOAT_EQ(params->AlphaFuncRef(), 0.25f);
    TGLTextureEx* list = copy.LibMaterialByName("listed")->Material()->TextureEx();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Items(0)->TextureIndex(), 2);
    EXPECT_TRUE(list->Items(0)->Texture()->Enabled());
    EXPECT_FALSE(list->Items(0)->TextureMatrixIsIdentity());
}

TEST(GLMaterialLibraryArchive, AddingUpdatesMaterialsOfTheSameName)
{
    TGLMaterialLibrary lib(nullptr);
    FillLibrary(lib);
    const std::string bytes = SaveToBytes(lib);
    TGLMaterialLibrary target(nullptr);
    TGLLibMaterial* plain = target.Materials()->Add();
    plain->SetName("plain");
    target.Materials()->Add()->SetName("mine");
    TStringStream stream(bytes);
    target.AddMaterialsFromStream(stream);
    EXPECT_EQ(target.Materials()->Count(), 4);
    EXPECT_EQ(target.LibMaterialByName("plain"), plain);
    EXPECT_EQ(plain->Material()->BlendingMode(), bmCustom);
}

TEST(GLMaterialLibraryArchive, ReadsOlderVersions)
{
    auto front = [](TVirtualWriter& w) {
        const float ambient[3] = {0.1f, 0.2f, 0.3f}, diffuse[4] = {0.4f, 0.5f, 0.6f, 0.7f};
        const float emission[3] = {0, 0, 0}, specular[3] = {1, 1, 1};
        w.Write(ambient, 12);
        w.Write(diffuse, 16);
        w.Write(emission, 12);
        w.Write(specular, 12);
    };
    TStringStream v0;
    {
        TBinaryWriter w(&v0);
        w.WriteInteger(0);
        w.WriteInteger(1);
        w.WriteString("old");
        w.WriteBoolean(false);
        front(w);
    }
    TGLMaterialLibrary lib(nullptr);
    LoadFromBytes(lib, v0.DataString());
    ASSERT_EQ(lib.Materials()->Count(), 1);
    EXPECT_FLOAT_EQ(lib.LibMaterialByName("old")->Material()->FrontProperties()->Diffuse()->Alpha(), 0.7f);

    TStringStream v1;
    {
        TBinaryWriter w(&v1);
        w.WriteInteger(1);
        w.WriteInteger(1);
        w.WriteString("one");
        w.WriteBoolean(false);
        front(w);
        const uint8_t shininess = 12;
        w.Write(&shininess, 1);
        w.WriteInteger(pmPoints);
        front(w);
        w.Write(&shininess, 1);
        w.WriteInteger(pmPoints);
        w.WriteInteger(bmAdditive);
        w.WriteInteger(3); // a longer options block keeps its first byte
        const uint8_t options[3] = {2, 0xFF, 0xFF};
        w.Write(options, 3);
        const float offset[3] = {1, 0, 0}, scale[3] = {1, 1, 1};
        w.Write(offset, 12);
        w.Write(scale, 12);
        w.WriteString("two");
    }
    LoadFromBytes(lib, v1.DataString());
    TGLLibMaterial* one = lib.LibMaterialByName("one");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->Material()->FrontProperties()->Shininess(), 12);
    EXPECT_EQ(one->Material()->PolygonMode(), pmPoints);
    EXPECT_EQ(one->Material()->BlendingMode(), bmAdditive);
    EXPECT_EQ(one->Material()->MaterialOptions(), TMaterialOptions{moNoLighting});
    EXPECT_EQ(one->Texture2Name(), "two");
    EXPECT_FALSE(one->TextureMatrixIsIdentity());
}

TEST(GLMaterialLibraryArchive, RefusesUnknownVersionsAndBrokenInput)
{
    TGLMaterialLibrary lib(nullptr);
    TStringStream v5;
    {
        TBinaryWriter w(&v5);
        w.WriteInteger(5);
        w.WriteInteger(0);
    }
    EXPECT_EQ(MessageOf<EFilerException>([&] { LoadFromBytes(lib, v5.DataString()); }),
              "TGLMaterialLibrary : unknown archive version 5");

    FillLibrary(lib);
    const std::string bytes = SaveToBytes(lib);
    // Every archive cut short raises an error with a message; none is read as complete.
    for (size_t size = 0; size < bytes.size(); ++size) {
        TGLMaterialLibrary target(nullptr);
        EXPECT_THROW(LoadFromBytes(target, bytes.substr(0, size)), Exception) << size;
    }

    // Values out of range are refused, not stored.
    std::string bad = bytes;
    const std::string plainRecord = std::string("p\0l\0a\0i\0n\0", 10);
    const size_t at = bad.rfind(plainRecord) + plainRecord.size() + 1 /* no picture */ + 4 * 13 + 1 + 2 + 4 * 13 +
                      1 + 2; // front face, polygon mode, back face, polygon mode again: the blending mode
    ASSERT_EQ(uint8_t(bad[at]), 2);
    bad[at + 1] = 7;
    EXPECT_EQ(MessageOf<EFilerException>([&] { LoadFromBytes(lib, bad); }),
              "TGLMaterialLibrary : BlendingMode 7 out of range");
}

TEST(GLMaterialLibraryArchive, FilesGoThroughTheFileHooks)
{
    TempFolder folder;
    TGLMaterialLibrary lib(nullptr);
    FillLibrary(lib);
    const std::string file = folder / "materials.glml";
    lib.SaveToFile(file);
    TGLMaterialLibrary copy(nullptr);
    copy.LoadFromFile(file);
    EXPECT_EQ(SaveToBytes(copy), SaveToBytes(lib));
    copy.AddMaterialsFromFile(file);
    EXPECT_EQ(copy.Materials()->Count(), 3);
}

} // namespace
