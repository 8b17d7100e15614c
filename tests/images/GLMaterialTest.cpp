// Materials on Mesa: quads drawn through materials and library materials into an off-screen context, their
// pixels read back (textures, blending presets, a light-mapped second texture, a two-pass shader, a missing
// picture); the shader hook's balance rules; unused materials deleted in passes.
#include "GLMaterial.h"

#include "Dialogs.h"
#include "GLColor.h"
#include "GLContext.h"
#include "GLRenderContextInfo.h"
#include "OpenGLAdapter.h"
#include "../gl/RealGLTestContext.h"
#include "TextureTestUtils.h"
#include "XOpenGL.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

namespace {

constexpr int32_t cSide = 16;

using TPixel = std::array<int, 3>;

// A shader that asks for a second pass and draws it added on top of the first.
class TTwoPassShader : public TGLShader {
public:
    using TGLShader::TGLShader;
    int Initialized = 0;
    int Passes = 0;

protected:
    void DoInitialize(TGLRenderContextInfo&, TObject*) override { ++Initialized; }
    void DoApply(TGLRenderContextInfo&, TObject*) override { Passes = 0; }
    bool DoUnApply(TGLRenderContextInfo& rci) override
    {
        if (++Passes > 1) return false;
        rci.GLStates->Enable(stBlend);
        rci.GLStates->SetBlendFunc(bfOne, bfOne);
        return true;
    }
};

class GLMaterial : public RealGLCurrentContext {
protected:
    GLMaterial() : RealGLCurrentContext(cSide, cSide) {}
    ~GLMaterial() override
    {
        Library.reset(); // its textures go while the context is there
    }

    static TGLExtensionsAndEntryPoints& GL() { return *GetCurrentGL(); }

    TGLMaterialLibrary& Lib()
    {
        if (!Library) Library = std::make_unique<TGLMaterialLibrary>(nullptr);
        return *Library;
    }

    // A library material showing a w x h picture of one colour (its top-left pixel in another), unfiltered.
    TGLLibMaterial* PictureMaterial(const std::string& name, uint32_t rgb, uint32_t topLeftRgb, TGLTextureMode mode)
    {
        auto picture = MakeBitmap(4, 4, rgb, topLeftRgb);
        TGLLibMaterial* libMat = Lib().AddTextureMaterial(name, picture.get());
        TGLTexture* texture = libMat->Material()->Texture();
        texture->SetMinFilter(miNearest);
        texture->SetMagFilter(maNearest);
        texture->SetTextureMode(mode);
        return libMat;
    }

    void Clear(const TVector4f& color)
    {
        rci.GLStates->SetColorClearValue(color);
        GL().Clear(GL_COLOR_BUFFER_BIT);
    }

    // A quad over the whole view, drawn as often as the material asks.
    void Render(TGLMaterial& material)
    {
        material.Apply(rci);
        do {
            TGLMultitextureCoordinator* xgl = GetCurrentMultitextureCoordinator();
            GL().Begin_(GL_QUADS);
            xgl->TexCoord2f(0, 0);
            GL().Vertex2f(-1, -1);
            xgl->TexCoord2f(1, 0);
            GL().Vertex2f(1, -1);
            xgl->TexCoord2f(1, 1);
            GL().Vertex2f(1, 1);
            xgl->TexCoord2f(0, 1);
            GL().Vertex2f(-1, 1);
            GL().End_();
        } while (material.UnApply(rci));
    }

    // x, y from the bottom-left corner.
    TPixel Pixel(int32_t x, int32_t y)
    {
        uint8_t rgba[4] = {};
        GL().Finish();
        GL().ReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return {rgba[0], rgba[1], rgba[2]};
    }

    // A material of the scene linked to a library material.
    std::unique_ptr<TGLMaterial> Linked(const std::string& name)
    {
        auto material = std::make_unique<TGLMaterial>(nullptr);
        material->SetMaterialLibrary(&Lib());
        material->SetLibMaterialName(name);
        return material;
    }

    std::unique_ptr<TGLMaterialLibrary> Library;
};

void ExpectPixel(const TPixel& actual, const TPixel& expected, const std::string& what = {})
{
    for (int i = 0; i < 3; ++i)
        EXPECT_LE(std::abs(actual[i] - expected[i]), 2) << what << " channel " << i << ": " << actual[0] << ","
                                                        << actual[1] << "," << actual[2];
}

TEST_F(GLMaterial, TexturedQuadThroughALibraryMaterial)
{
    PictureMaterial("brick", 0xFF0000, 0x00FF00, tmReplace);
    auto material = Linked("brick");
    Clear(ColorBlack);
    Render(*material);
    ExpectPixel(Pixel(cSide / 2, cSide / 2), {255, 0, 0});
    ExpectPixel(Pixel(0, cSide - 1), {0, 255, 0}, "the picture's top-left pixel");

    // The same through the library by name, which must be unapplied before the library goes.
    Clear(ColorBlack);
    EXPECT_FALSE(Lib().ApplyMaterial("none", rci));
    ASSERT_TRUE(Lib().ApplyMaterial("brick", rci));
    EXPECT_FALSE(Lib().UnApplyMaterial(rci));
    EXPECT_EQ(Lib().LastAppliedMaterial(), nullptr);
    Lib().ApplyMaterial("brick", rci);
    material.reset();
    TGLLogCapture log;
    Library.reset();
    EXPECT_TRUE(log.Contains("Unbalanced material application"));
}

TEST_F(GLMaterial, BlendingAndAlphaTestPresets)
{
    struct TCase {
        TBlendingMode Mode;
        TPixel Expected; // a 40 % opaque red over blue
    };
    const TCase cases[] = {
        {bmOpaque, {255, 0, 0}},     {bmTransparency, {102, 0, 153}}, {bmAdditive, {102, 0, 255}},
        {bmAlphaTest50, {0, 0, 255}}, {bmAlphaTest100, {0, 0, 255}},  {bmModulate, {0, 0, 0}},
        {bmCustom, {102, 0, 153}},
    };
    TGLMaterial material(nullptr);
    material.FrontProperties()->Diffuse()->SetColor(1, 0, 0, 0.4f);
    for (const TCase& c : cases) {
        material.SetBlendingMode(c.Mode);
        Clear(ColorBlue);
        Render(material);
        ExpectPixel(Pixel(cSide / 2, cSide / 2), c.Expected, "mode " + std::to_string(c.Mode));
    }

    // Requests ignored: the blending of the previous material stays.
    material.SetBlendingMode(bmTransparency);
    Render(material);
    rci.ignoreBlendingRequests = true;
    material.SetBlendingMode(bmOpaque);
    Clear(ColorBlue);
    Render(material);
    ExpectPixel(Pixel(cSide / 2, cSide / 2), {102, 0, 153}, "ignored blending");
}

TEST_F(GLMaterial, TextureOrTextureList)
{
    // A red texture, and a list with a green texture on unit 1 only.
    TGLMaterial material(nullptr);
    auto red = MakeBitmap(4, 4, 0xFF0000, 0xFF0000);
    auto green = MakeBitmap(4, 4, 0x00FF00, 0x00FF00);
    TGLTexture* texture = material.Texture();
    texture->Image()->Assign(red.get());
    texture->SetMinFilter(miNearest);
    texture->SetTextureMode(tmReplace);
    texture->SetEnabled(true);
    TGLTextureExItem* item = material.TextureEx()->Add();
    item->SetTextureIndex(1);
    item->Texture()->Image()->Assign(green.get());
    item->Texture()->SetMinFilter(miNearest);
    item->Texture()->SetTextureMode(tmReplace);
    item->Texture()->SetEnabled(true);

    Clear(ColorBlack);
    Render(material);
    ExpectPixel(Pixel(cSide / 2, cSide / 2), {255, 0, 0}, "enabled texture, nothing listed on unit 0");
    EXPECT_FALSE(item->Applied());

    texture->SetEnabled(false);
    Clear(ColorBlack);
    Render(material);
    ExpectPixel(Pixel(cSide / 2, cSide / 2), {0, 255, 0}, "disabled texture: the list");
    EXPECT_FALSE(item->Applied()); // unapplied as well

    // Without a list a disabled texture binds nothing but still takes the coordinates to unit 0.
    TGLMaterial plain(nullptr);
    plain.Texture();
    GetCurrentMultitextureCoordinator()->MapTexCoordToNull();
    plain.Apply(rci);
    EXPECT_EQ(GetCurrentMultitextureCoordinator()->MapTexCoordMode(), mtcmMain);
    EXPECT_FALSE(plain.UnApply(rci));
}

TEST_F(GLMaterial, LightMappedSecondTexture)
{
    TGLLibMaterial* base = PictureMaterial("wall", 0xC8C8C8, 0xC8C8C8, tmReplace);
    TGLLibMaterial* light = PictureMaterial("wall_2", 0x80FF00, 0x80FF00, tmModulate);
    base->SetTexture2Name("wall_2");
    auto material = Linked("wall");
    EXPECT_FALSE(material->HasSecondaryTexture()); // resolved on the first Apply
    Clear(ColorBlack);
    Render(*material);
    ExpectPixel(Pixel(cSide / 2, cSide / 2), {100, 200, 0});
    EXPECT_TRUE(material->HasSecondaryTexture());

    // A disabled light map: only the base applies, its coordinates on the main unit.
    light->Material()->Texture()->SetEnabled(false);
    Clear(ColorBlack);
    material->Apply(rci);
    EXPECT_EQ(GetCurrentMultitextureCoordinator()->MapTexCoordMode(), mtcmMain);
    material->UnApply(rci);
    Render(*material);
    ExpectPixel(Pixel(cSide / 2, cSide / 2), {200, 200, 200});

    // A second-texture name that names nothing is dropped at the first use.
    base->SetTexture2Name("nothing");
    Render(*material);
    EXPECT_EQ(base->Texture2Name(), "");
}

TEST_F(GLMaterial, TwoPassShader)
{
    TGLLibMaterial* glow = Lib().Materials()->Add();
    glow->SetName("glow");
    glow->Material()->FrontProperties()->Diffuse()->SetColor(0.4f, 0, 0, 1);
    auto* shader = new TTwoPassShader(Library.get());
    glow->SetShader(shader);
    auto material = Linked("glow");
    for (int frame = 0; frame < 2; ++frame) {
        Clear(ColorBlack);
        Render(*material);
        ExpectPixel(Pixel(cSide / 2, cSide / 2), {204, 0, 0});
        EXPECT_EQ(shader->Passes, 2);
        EXPECT_FALSE(shader->ShaderActive());
    }
    EXPECT_EQ(shader->Initialized, 1); // once per context
    shader->NotifyChange(shader);
    Render(*material);
    EXPECT_EQ(shader->Initialized, 2);

    // Replacing the material: only the shader runs, and the coordinator is left balanced.
    shader->SetShaderStyle(ssReplace);
    Clear(ColorBlack);
    Render(*material);
    EXPECT_EQ(shader->Passes, 2);
    GetCurrentMultitextureCoordinator()->MapTexCoordToNull();
    EXPECT_EQ(GetCurrentMultitextureCoordinator()->MapTexCoordMode(), mtcmNull);

    // Freeing the shader detaches it.
    Free(shader);
    EXPECT_EQ(glow->Shader(), nullptr);
}

TEST_F(GLMaterial, ShaderBalanceAndFailedInitialisation)
{
    TGLShader shader(nullptr);
    shader.SetEnabled(false);
    shader.Apply(rci, nullptr);
    EXPECT_TRUE(shader.ShaderActive());
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { shader.Apply(rci, nullptr); }),
              "Unbalanced shader application. (VAVodad\\Source\\GLMaterial, line 1218)");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { shader.SetEnabled(true); }),
              "Shader is active. (VAVodad\\Source\\GLMaterial, line 1277)");
    EXPECT_FALSE(shader.UnApply(rci));
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { shader.UnApply(rci); }),
              "Unbalanced shader application. (VAVodad\\Source\\GLMaterial, line 1238)");
    // An enabled shader of the base class draws one pass.
    shader.SetEnabled(true);
    shader.Apply(rci, nullptr);
    EXPECT_FALSE(shader.UnApply(rci));
    EXPECT_FALSE(shader.ShaderActive());

    shader.SetName("Glass");
    EXPECT_EQ(shader.NotSupportedMessage(), "Your hardware/driver doesn't support shader \"Glass\"!");
    shader.SetFailedInitAction(fiaSilentDisable);
    EXPECT_NO_THROW(shader.ReportFailedInit("gone"));
    shader.SetFailedInitAction(fiaRaiseHandledException);
    EXPECT_NO_THROW(shader.ReportFailedInit("gone"));
    shader.SetFailedInitAction(fiaRaiseStandardException);
    EXPECT_EQ(MessageOf<EGLShaderException>([&] { shader.ReportFailedInit("gone"); }),
              "Your hardware/driver doesn't support shader \"Glass\"!");
    shader.SetFailedInitAction(fiaReRaiseException);
    EXPECT_EQ(MessageOf<EGLShaderException>([&] { shader.ReportFailedInit("gone"); }), "gone");
}

TEST_F(GLMaterial, MissingPictureShowsTheErrorImage)
{
    int warnings = 0;
    SetMessageBoxHook([&](const TMessageBoxRequest&) {
        ++warnings;
        return mrOk;
    });
    TempFolder folder;
    TGLLibMaterial* missing = Lib().AddTextureMaterial("missing", folder / "missing.png", false);
    auto material = Linked("missing");
    Clear(ColorBlack);
    EXPECT_NO_THROW(Render(*material));
    EXPECT_NO_THROW(Render(*material));
    SetMessageBoxHook(nullptr);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(missing->Material()->Texture()->TexWidth(), 64);
    EXPECT_NE(Pixel(cSide / 2, cSide / 2), (TPixel{0, 0, 0}));
}

TEST_F(GLMaterial, DeleteUnusedFreesSecondTexturesInALaterPass)
{
    PictureMaterial("kept", 0xFFFFFF, 0xFFFFFF, tmReplace);
    PictureMaterial("A", 0xFFFFFF, 0xFFFFFF, tmReplace)->SetTexture2Name("B");
    PictureMaterial("B", 0xFFFFFF, 0xFFFFFF, tmModulate);
    auto material = Linked("kept");
    ASSERT_TRUE(Lib().ApplyMaterial("A", rci)); // A takes B as its second texture now
    Lib().UnApplyMaterial(rci);
    ASSERT_TRUE(Lib().LibMaterialByName("B")->IsUsed());
    Lib().Materials()->DeleteUnusedMaterials();
    ASSERT_EQ(Lib().Materials()->Count(), 1);
    EXPECT_EQ(Lib().Materials()->Items(0)->Name(), "kept");
}

} // namespace
