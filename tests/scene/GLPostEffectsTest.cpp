// Post effects on Mesa: the pixelate post shader over a rendered frame (also when another object moved the
// active texture unit, and in a new context of the same size), the holder's rules for its shaders, and the
// processor presets over a tiny picture.
#include "GLPostEffects.h"

#include "ComponentStreams.h"
#include "GLState.h"
#include "Raises.h"
#include "RandomGenerator.h"
#include "SceneRenderFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

class PostShaderHolder : public SceneRenderFixture {
protected:
    void SetUp() override
    {
        SceneRenderFixture::SetUp();
        // A picture that changes at every pixel: red grows to the right, green upwards.
        auto* picture = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(Scene->Objects());
        picture->SetUseBuildList(false);
        picture->OnRender = [this](TObject*, TGLRenderContextInfo& rci) {
            rci.GLStates->SetActiveTexture(ActiveUnit);
            rci.GLStates->Disable(stDepthTest);
            rci.GLStates->SetDepthWriteMask(false);
            rci.PipelineTransformation->Push();
            rci.PipelineTransformation->SetViewMatrix(IdentityHmgMatrix);
            rci.PipelineTransformation->SetProjectionMatrix(IdentityHmgMatrix);
            TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
            gl->Begin_(GL_QUADS);
            gl->Color3f(0, 0, Blue);
            gl->Vertex2f(-1, -1);
            gl->Color3f(1, 0, Blue);
            gl->Vertex2f(1, -1);
            gl->Color3f(1, 1, Blue);
            gl->Vertex2f(1, 1);
            gl->Color3f(0, 1, Blue);
            gl->Vertex2f(-1, 1);
            gl->End_();
            rci.PipelineTransformation->Pop();
        };
        Holder = TGLBaseSceneObject::CreateAsChild<TGLPostShaderHolder>(Scene->Objects());
        Holder->SetTempTextureTarget(ttTextureRect);
        Shader = new TGLSLPostPixelateShader(nullptr);
        Holder->Shaders()->Add()->SetShader(Shader);
        // What draws after the holder finds the depth state the state cache believes in.
        auto* after = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(Scene->Objects());
        after->SetUseBuildList(false);
        after->OnRender = [this](TObject*, TGLRenderContextInfo& rci) {
            TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
            GLboolean depthWrite = GL_FALSE;
            gl->GetBooleanv(GL_DEPTH_WRITEMASK, &depthWrite);
            DepthStateTrue = (gl->IsEnabled(GL_DEPTH_TEST) != 0) == rci.GLStates->States().Contains(stDepthTest) &&
                             (depthWrite != 0) == rci.GLStates->DepthWriteMask();
        };
    }

    void TearDown() override
    {
        Free(Shader); // its item leaves the holder
        SceneRenderFixture::TearDown();
    }

    // The first pixel that breaks the 8 x 12 blocks: every block one colour, each unlike its neighbours;
    // "" when none does. Also checks each block's blue.
    std::string BrokenBlock(int blue)
    {
        for (int32_t by = 0; by < cHeight / 12; ++by)
            for (int32_t bx = 0; bx < cWidth / 8; ++bx) {
                const int32_t x = bx * 8, y = by * 12;
                const TColor c = Pixel(x, y);
                const auto at = [&](int32_t px, int32_t py) {
                    return "block at " + std::to_string(x) + ", " + std::to_string(y) + " vs " + std::to_string(px) +
                           ", " + std::to_string(py);
                };
                if (static_cast<int>((c >> 16) & 0xFF) != blue) return at(x, y) + ": blue";
                for (const auto& [px, py] : {std::pair{x + 7, y}, {x, y + 11}, {x + 7, y + 11}})
                    if (Pixel(px, py) != c) return at(px, py);
                if (bx > 0 && Pixel(x - 8, y) == c) return at(x - 8, y) + ": same colour";
                if (by > 0 && Pixel(x, y - 12) == c) return at(x, y - 12) + ": same colour";
            }
        return "";
    }

    TGLPostShaderHolder* Holder = nullptr;
    TGLSLPostPixelateShader* Shader = nullptr;
    int32_t ActiveUnit = 0;
    float Blue = 0;
    bool DepthStateTrue = false;
};

TEST_F(PostShaderHolder, PixelateMakesBlocksAfterUnitChangesAndInANewContext)
{
    Render();
    EXPECT_EQ(BrokenBlock(0), "");
    EXPECT_TRUE(DepthStateTrue);
    const TColor corner = Pixel(cWidth - 1, 0);

    // A new picture while another unit is active: the copy still reaches the screen texture.
    ActiveUnit = 2;
    Blue = 1;
    Render();
    EXPECT_EQ(BrokenBlock(255), "");

    // The same size in a new context: the screen texture is made there.
    Buffer()->DestroyRC();
    ActiveUnit = 0;
    Blue = 0;
    Render();
    EXPECT_EQ(BrokenBlock(0), "");
    EXPECT_EQ(Pixel(cWidth - 1, 0), corner);
}

TEST_F(PostShaderHolder, DisabledShadersAreSkippedAndItemsNeedAShader)
{
    Shader->SetEnabled(false);
    Render();
    EXPECT_NE(Pixel(0, 0), Pixel(1, 0)) << "the picture as drawn";

    Holder->Shaders()->Add();
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { Render(); }), "Assertion failure (VAVodad\\Source\\GLPostEffects)");
}

TEST(GLPostShaderCollection, ShadersMustFitTheHolderAndLeaveWhenTheyDie)
{
    TGLPostShaderHolder holder(nullptr); // ttTexture2D
    auto* pixelate = new TGLSLPostPixelateShader(nullptr);
    TGLSLShader plain(nullptr);
    TGLPostShaderCollectionItem* item = holder.Shaders()->Add();
    const struct {
        TGLShader* shader;
        const char* expected;
    } refusals[] = {
        {pixelate, "Error: TextureTarget is not compatible!"},
        {&plain, "Shader must support interface IGLPostShader!"},
    };
    for (const auto& r : refusals) {
        EXPECT_EQ(MessageOf<EGLPostShaderHolderException>([&] { item->SetShader(r.shader); }), r.expected);
        EXPECT_EQ(item->Shader(), nullptr);
    }

    holder.SetTempTextureTarget(ttTextureRect);
    item->SetShader(pixelate);
    EXPECT_EQ(item->GetDisplayName(), "TGLSLPostPixelateShader");
    EXPECT_EQ(MessageOf<EGLPostShaderHolderException>([&] { item->SetShader(nullptr); }),
              "Shader must support interface IGLPostShader!");
    EXPECT_EQ(item->Shader(), pixelate);
    // The same shader in a second item that then takes another: the first item still hears of its death.
    auto* other = new TGLSLPostPixelateShader(nullptr);
    TGLPostShaderCollectionItem* second = holder.Shaders()->Add();
    second->SetShader(pixelate);
    second->SetShader(other);
    Free(pixelate);
    ASSERT_EQ(holder.Shaders()->Count(), 1);
    EXPECT_EQ(holder.Shaders()->GetItems(0)->Shader(), other);
    Free(other);
    EXPECT_EQ(holder.Shaders()->Count(), 0);
}

TEST(GLSLPostPixelateShader, SizesAreStoredOnlyFromAboveZeroTo64)
{
    for (const auto& [size, stored] : {std::pair{0.0f, false}, {100.0f, false}, {8.0f, true}, {-64.0f, true}}) {
        TGLSLPostPixelateShader shader(nullptr);
        shader.SetPixelWidth(size);
        TMemoryStream stream;
        TWriter(stream).WriteRootComponent(&shader);
        const std::string bytes(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
        EXPECT_EQ(bytes.find("PixelWidth") != std::string::npos, stored) << size;
    }
}

// The presets over a 4 x 5 picture whose pixel p (rows bottom-up) is red p * p mod 256, green 10 p and blue
// 255 - 10 p.
class GLPostEffectPresets : public RealGLCurrentContext {
protected:
    static constexpr int32_t cW = 4, cH = 5, cCount = cW * cH;
    using TPicture = std::array<TGLPostEffectColor, cCount>;

    GLPostEffectPresets() : RealGLCurrentContext(cW, cH) { rci.viewPortSize = {cW, cH}; }

    static TPicture Fixture()
    {
        TPicture picture;
        for (int p = 0; p < cCount; ++p)
            picture[p] = {uint8_t(p * p % 256), uint8_t(10 * p), uint8_t(255 - 10 * p), 255};
        return picture;
    }

    // Draws the fixture, leaves the raster position in the middle of the view, runs the effect, reads back.
    TPicture Run(TGLPostEffect& effect)
    {
        TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
        const TPicture fixture = Fixture();
        gl.RasterPos2f(-1, -1);
        gl.DrawPixels(cW, cH, GL_RGBA, GL_UNSIGNED_BYTE, fixture.data());
        gl.RasterPos2f(0, 0);
        effect.DoRender(rci, true, false);
        TPicture result;
        gl.ReadPixels(0, 0, cW, cH, GL_RGBA, GL_UNSIGNED_BYTE, result.data());
        return result;
    }

    static std::array<int, 3> Rgb(const TGLPostEffectColor& c) { return {c.R, c.G, c.B}; }
};

TEST_F(GLPostEffectPresets, PresetsChangeThePictureInPlace)
{
    TGLPostEffect effect(nullptr);
    const TPicture fixture = Fixture();

    effect.SetPreset(pepNegative);
    const TPicture negative = Run(effect);
    for (int p = 0; p < cCount; ++p)
        EXPECT_EQ(Rgb(negative[p]), (std::array<int, 3>{255 - fixture[p].R, 255 - fixture[p].G, 255 - fixture[p].B}))
            << p;

    effect.SetPreset(pepGray);
    EXPECT_EQ(Rgb(Run(effect)[1]), (std::array<int, 3>{33, 33, 33})) << "0.3 + 5.9 + 26.95";

    // Rows 2 from each end stay; inside, each pixel takes the fifth of itself and its four neighbours two
    // away, those below already blurred.
    effect.SetPreset(pepBlur);
    const TPicture blurred = Run(effect);
    for (int p : {0, 7, 12, 19}) EXPECT_EQ(Rgb(blurred[p]), Rgb(fixture[p])) << p;
    EXPECT_EQ(blurred[8].R, 40) << "(36 + 64 + 100 + 0 + 0) div 5";
    EXPECT_EQ(blurred[10].R, 71) << "(40 + 100 + 144 + 4 + 68) div 5";

    effect.SetPreset(pepNoise);
    SetRandSeed(1);
    const TPicture noisy = Run(effect);
    for (int p = 0; p < cCount; ++p) {
        EXPECT_LE(noisy[p].G, fixture[p].G) << p;
        EXPECT_GE(noisy[p].G, fixture[p].G / 4) << p;
    }

    effect.SetPreset(pepCustom);
    effect.OnCustomEffect = [](TObject*, TGLRenderContextInfo&, TGLPostEffectBuffer& buffer) {
        buffer[0] = {255, 255, 255, 255};
    };
    EXPECT_EQ(Rgb(Run(effect)[0]), (std::array<int, 3>{255, 255, 255}));

    rci.viewPortSize = {0, 0};
    effect.SetPreset(pepBlur);
    EXPECT_EQ(Rgb(Run(effect)[5]), Rgb(fixture[5])) << "no area, nothing done";
}

} // namespace
