// The state cache's texture units, texture matrices, material and lights on the recording fake OpenGL.
#include "StateCacheFixture.h"

#include <gmock/gmock.h>

#include <cmath>

using ::testing::HasSubstr;

namespace {

const TVector4f cBlack = {{{0, 0, 0, 1}}};
const TVector4f cGrey = {{{0.2f, 0.2f, 0.2f, 1}}};
const TVector4f cLightGrey = {{{0.8f, 0.8f, 0.8f, 1}}};

TVector4f WithAlpha(TVector4f AColor, float AAlpha)
{
    AColor.W = AAlpha;
    return AColor;
}

} // namespace

TEST_F(StateCache, TextureBindingSwitchesUnitsOnlyToBind)
{
    EXPECT_EQ(CallsOf([](auto& c) { c.SetTextureBinding(2, ttTexture2D, 5); }),
              (std::vector{GLCall("ActiveTexture", GL_TEXTURE2), GLCall("BindTexture", GL_TEXTURE_2D, 5),
                           GLCall("ActiveTexture", GL_TEXTURE0)}));
    EXPECT_EQ(Cache.TextureBinding(2, ttTexture2D), 5u);
    EXPECT_EQ(Cache.TextureBinding(0, ttTexture2D), 0u);
    EXPECT_EQ(Cache.ActiveTexture(), 0);

    // Binding the same name again makes no call but stamps the time.
    const double first = Cache.TextureBindingTime(2, ttTexture2D);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetTextureBinding(2, ttTexture2D, 5); }), cNoCalls);
    EXPECT_GT(Cache.TextureBindingTime(2, ttTexture2D), first);

    // ttNoShape is nothing at all, not even a time.
    EXPECT_EQ(CallsOf([](auto& c) { c.SetTextureBinding(3, ttNoShape, 5); }), cNoCalls);
    EXPECT_EQ(Cache.TextureBindingTime(3, ttNoShape), 0);

    // On the active unit there is no switch.
    Cache.SetActiveTexture(2);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetTextureBinding(2, ttTextureCube, 6); }),
              std::vector{GLCall("BindTexture", GL_TEXTURE_CUBE_MAP, 6)});

    // Inside a list the same name is bound again and the texture group recorded.
    CompileList(1, [](auto& c) { c.SetTextureBinding(2, ttTexture2D, 5); });
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(1); })[0], GLCall("PushAttrib", GL_TEXTURE_BIT));
}

TEST_F(StateCache, BindTimesComeFromTheFramesClockAndNeverRepeatOrGoBack)
{
    Cache.SetTextureBindingClock(1000);
    Cache.SetTextureBinding(2, ttTexture2D, 5);
    EXPECT_EQ(Cache.TextureBindingTime(2, ttTexture2D), 1000);
    Cache.SetTextureBinding(1, ttTexture2D, 5);
    Cache.SetTextureBinding(2, ttTexture2D, 5);
    const double first = Cache.TextureBindingTime(1, ttTexture2D);
    const double second = Cache.TextureBindingTime(2, ttTexture2D);
    EXPECT_GT(first, 1000);
    EXPECT_GT(second, first);
    EXPECT_LT(second, 1000.001); // still the frame's millisecond

    // A clock behind the stamps (read before them) never takes them back; a later one is taken as it is.
    Cache.SetTextureBindingClock(999);
    Cache.SetTextureBinding(2, ttTexture2D, 5);
    EXPECT_GT(Cache.TextureBindingTime(2, ttTexture2D), second);
    Cache.SetTextureBindingClock(1016);
    Cache.SetTextureBinding(2, ttTexture2D, 5);
    EXPECT_EQ(Cache.TextureBindingTime(2, ttTexture2D), 1016);
}

TEST_F(StateCache, WithoutMultitextureThereIsOneUnit)
{
    GL.Table.ARB_multitexture = false;
    EXPECT_EQ(CallsOf([](auto& c) { c.SetActiveTexture(3); }), cNoCalls);
    EXPECT_EQ(Cache.ActiveTexture(), 0);
    EXPECT_EQ(CallsOf([](auto& c) { c.ResetGLCurrentTexture(); }),
              (std::vector{GLCall("BindTexture", GL_TEXTURE_1D, 0), GLCall("BindTexture", GL_TEXTURE_2D, 0)}));
}

TEST_F(StateCache, TargetEnablesAreKeptPerUnit)
{
    Cache.SetActiveTexture(1);
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetActiveTextureEnabled(ttTexture2D, true);
                  c.SetActiveTextureEnabled(ttTexture2D, true);
                  c.SetActiveTextureEnabled(ttTexture3D, true); // not supported by this context
              }),
              std::vector{GLCall("Enable", GL_TEXTURE_2D)});
    EXPECT_TRUE(Cache.ActiveTextureEnabled(ttTexture2D));
    Cache.SetActiveTexture(0);
    EXPECT_FALSE(Cache.ActiveTextureEnabled(ttTexture2D));
    EXPECT_EQ(MessageOf([&] { Cache.SetActiveTextureEnabled(ttNoShape, true); }),
              "Assertion failure (VAVodad\\Source\\GLTextureFormat)");

    Cache.SetForwardContext(true);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetActiveTextureEnabled(ttTexture2D, true); }), cNoCalls);
}

TEST_F(StateCache, SamplersBeyondTheUnitsAreIgnored)
{
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetSamplerBinding(47, 3);
                  c.SetSamplerBinding(47, 3);
                  c.SetSamplerBinding(48, 3);
              }),
              std::vector{GLCall("BindSampler", 47, 3)});
    EXPECT_EQ(Cache.SamplerBinding(47), 3u);
    EXPECT_EQ(Cache.SamplerBinding(48), 0u);
}

TEST_F(StateCache, TextureMatricesResetWhereNotKnownIdentity)
{
    const TMatrix4f scale = {{{{{{2, 0, 0, 0}}}, {{{0, 2, 0, 0}}}, {{{0, 0, 2, 0}}}, {{{0, 0, 0, 1}}}}}};
    Cache.SetActiveTexture(1);
    const auto set = CallsOf([&](auto& c) { c.SetGLTextureMatrix(scale); });
    ASSERT_EQ(set.size(), 3u);
    EXPECT_EQ(set[0], GLCall("MatrixMode", GL_TEXTURE));
    EXPECT_EQ(set[1].Name, "LoadMatrixf");
    EXPECT_EQ(set[1].Args[0], 2);
    EXPECT_EQ(set[2], GLCall("MatrixMode", GL_MODELVIEW));

    // A new cache knows no unit to be the identity: all four are reset, and unit 1 is active again.
    EXPECT_EQ(CallsOf([](auto& c) { c.ResetAllGLTextureMatrix(); }),
              (std::vector{GLCall("MatrixMode", GL_TEXTURE), GLCall("ActiveTexture", GL_TEXTURE3),
                           GLCall("LoadIdentity"), GLCall("ActiveTexture", GL_TEXTURE2), GLCall("LoadIdentity"),
                           GLCall("ActiveTexture", GL_TEXTURE1), GLCall("LoadIdentity"),
                           GLCall("ActiveTexture", GL_TEXTURE0), GLCall("LoadIdentity"),
                           GLCall("MatrixMode", GL_MODELVIEW), GLCall("ActiveTexture", GL_TEXTURE1)}));
    EXPECT_EQ(Cache.ActiveTexture(), 1);

    // Now only a unit whose matrix was set again is reset.
    Cache.SetActiveTexture(2);
    Cache.SetGLTextureMatrix(scale);
    Cache.SetActiveTexture(0);
    EXPECT_EQ(CallsOf([](auto& c) { c.ResetAllGLTextureMatrix(); }),
              (std::vector{GLCall("MatrixMode", GL_TEXTURE), GLCall("ActiveTexture", GL_TEXTURE2),
                           GLCall("LoadIdentity"), GLCall("MatrixMode", GL_MODELVIEW),
                           GLCall("ActiveTexture", GL_TEXTURE0)}));

    // A list that sets a texture matrix leaves it set when called: the unit is no longer known identity.
    CompileList(1, [&](auto& c) { c.SetGLTextureMatrix(scale); });
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(1); })[0], GLCall("PushAttrib", GL_TRANSFORM_BIT));
    EXPECT_EQ(CallsOf([](auto& c) { c.ResetAllGLTextureMatrix(); }),
              (std::vector{GLCall("MatrixMode", GL_TEXTURE), GLCall("LoadIdentity"), GLCall("MatrixMode", GL_MODELVIEW)}))
        << "unit 0, the active one, is reset again";
}

TEST_F(StateCache, UnbindingIsBoundedByTheCachedUnits)
{
    GL.Table.ARB_texture_cube_map = true;
    GL.Integers[GL_MAX_TEXTURE_IMAGE_UNITS] = 192; // more than the cache keeps
    Cache.SetTextureBinding(47, ttTextureCube, 4);
    Cache.SetTextureBinding(0, ttTexture2D, 9);
    Cache.SetActiveTexture(5);
    const auto calls = CallsOf([](auto& c) { c.ResetGLCurrentTexture(); });
    const auto units = GL.Only({"ActiveTexture"});
    ASSERT_EQ(units.size(), 48u);
    EXPECT_EQ(units.front(), GLCall("ActiveTexture", GL_TEXTURE0 + 47));
    EXPECT_EQ(units.back(), GLCall("ActiveTexture", GL_TEXTURE0));
    EXPECT_EQ(calls.back(), GLCall("BindTexture", GL_TEXTURE_CUBE_MAP, 0));
    EXPECT_EQ(GL.Count("BindTexture"), 48u * 3);
    EXPECT_EQ(Cache.TextureBinding(47, ttTextureCube), 0u);
    EXPECT_EQ(Cache.TextureBinding(0, ttTexture2D), 0u);
    EXPECT_EQ(Cache.ActiveTexture(), 0);

    Cache.SetTextureBinding(3, ttTexture2D, 9);
    Cache.SetActiveTexture(1);
    EXPECT_EQ(CallsOf([](auto& c) { c.ResetGLTexture(3); }),
              (std::vector{GLCall("ActiveTexture", GL_TEXTURE3), GLCall("BindTexture", GL_TEXTURE_1D, 0),
                           GLCall("BindTexture", GL_TEXTURE_2D, 0), GLCall("BindTexture", GL_TEXTURE_CUBE_MAP, 0),
                           GLCall("ActiveTexture", GL_TEXTURE0)}));
    EXPECT_EQ(Cache.TextureBinding(3, ttTexture2D), 0u);
    EXPECT_EQ(Cache.ActiveTexture(), 0);
}

TEST_F(StateCache, MaterialColoursCompareAsDocumented)
{
    const TVector4f red = {{{1, 0, 0, 1}}};
    Cache.SetGLMaterialColors(cmFront, cBlack, cGrey, cLightGrey, cBlack, 0);
    EXPECT_EQ(GL.Calls, cNoCalls) << "the material of a new context";

    struct TCase {
        const char* Name;
        TVector4f Emission, Ambient, Diffuse, Specular;
        int32_t Shininess;
        std::vector<TGLCall> Expected;
    };
    const TCase cases[] = {
        {"ambient alpha only", cBlack, WithAlpha(cGrey, 0.5f), cLightGrey, cBlack, 0, {}},
        {"emission and specular alpha only", WithAlpha(cBlack, 0), cGrey, cLightGrey, WithAlpha(cBlack, 0), 0, {}},
        {"diffuse alpha only", cBlack, cGrey, WithAlpha(cLightGrey, 0.5f), cBlack, 0,
         {GLCall("Materialfv", GL_FRONT, GL_DIFFUSE, 0.8f, 0.8f, 0.8f, 0.5f)}},
        {"shininess and emission", red, cGrey, WithAlpha(cLightGrey, 0.5f), cBlack, 20,
         {GLCall("Materiali", GL_FRONT, GL_SHININESS, 20), GLCall("Materialfv", GL_FRONT, GL_EMISSION, 1, 0, 0, 1)}},
    };
    for (const TCase& row : cases) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(CallsOf([&](auto& c) {
                      c.SetGLMaterialColors(cmFront, row.Emission, row.Ambient, row.Diffuse, row.Specular,
                                            row.Shininess);
                  }),
                  row.Expected);
    }
    EXPECT_EQ(Cache.MaterialShininess(cmFront), 20);
    EXPECT_EQ(Cache.MaterialDiffuse(cmFront).W, 0.5f);
    EXPECT_EQ(Cache.MaterialAmbient(cmBack).X, 0.2f);

    GL.Calls.clear();
    EXPECT_THAT(MessageOf([&] { Cache.SetGLMaterialColors(cmFrontAndBack, red, red, red, red, 1); }),
                HasSubstr("Only cmFront or cmBack supported"));
    EXPECT_EQ(GL.Calls, cNoCalls);
}

TEST_F(StateCache, AfterAMaterialResetTheNextMaterialIsSentWhole)
{
    const auto reset = CallsOf([](auto& c) { c.ResetGLMaterialColors(); });
    EXPECT_EQ(reset, (std::vector{GLCall("Materialfv", GL_FRONT_AND_BACK, GL_AMBIENT, 0.2f, 0.2f, 0.2f, 1),
                                  GLCall("Materialfv", GL_FRONT_AND_BACK, GL_DIFFUSE, 0.8f, 0.8f, 0.8f, 1),
                                  GLCall("Materialfv", GL_FRONT_AND_BACK, GL_SPECULAR, 0, 0, 0, 1),
                                  GLCall("Materialfv", GL_FRONT_AND_BACK, GL_EMISSION, 0, 0, 0, 1),
                                  GLCall("Materiali", GL_FRONT_AND_BACK, GL_SHININESS, 0)}));
    EXPECT_EQ(Cache.MaterialAmbient(cmFront).X, 0.2f) << "the cache holds what OpenGL holds";

    auto calls = CallsOf([](auto& c) { c.SetGLMaterialColors(cmBack, cBlack, cGrey, cLightGrey, cBlack, 0); });
    EXPECT_EQ(calls.size(), 4u) << "four colours, no shininess";
    EXPECT_EQ(calls[1], GLCall("Materialfv", GL_BACK, GL_AMBIENT, 0.2f, 0.2f, 0.2f, 1));
    EXPECT_EQ(CallsOf([](auto& c) { c.SetGLMaterialColors(cmBack, cBlack, cGrey, cLightGrey, cBlack, 0); }), cNoCalls);
    calls = CallsOf([](auto& c) { c.SetGLMaterialColors(cmFront, cBlack, cGrey, cLightGrey, cBlack, 3); });
    EXPECT_EQ(calls.size(), 5u);

    // The alpha channel keeps the default diffuse colour rather than a marker value.
    Cache.ResetGLMaterialColors();
    Cache.Enable(stLighting);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetGLMaterialAlphaChannel(GL_BACK, 0.25f); }),
              std::vector{GLCall("Materialfv", GL_BACK, GL_DIFFUSE, 0.8f, 0.8f, 0.8f, 0.25f)});
}

TEST_F(StateCache, AlphaChannelAndDiffuseFollowLighting)
{
    // Lighting off: the current colour.
    GL.Floats[GL_CURRENT_COLOR] = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(CallsOf([](auto& c) { c.SetGLMaterialAlphaChannel(GL_FRONT, 0.5f); }),
              (std::vector{GLCall("GetFloatv", GL_CURRENT_COLOR), GLCall("Color4fv", 0.1f, 0.2f, 0.3f, 0.5f)}));
    EXPECT_EQ(CallsOf([](auto& c) { c.SetGLMaterialDiffuseColor(GL_FRONT, cGrey); }),
              std::vector{GLCall("Color4fv", 0.2f, 0.2f, 0.2f, 1)});

    // Lighting on: the cached diffuse colour.
    Cache.Enable(stLighting);
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetGLMaterialAlphaChannel(GL_FRONT, 1);
                  c.SetGLMaterialDiffuseColor(GL_FRONT, cLightGrey);
              }),
              cNoCalls);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetGLMaterialDiffuseColor(GL_FRONT, cGrey); }),
              std::vector{GLCall("Materialfv", GL_FRONT, GL_DIFFUSE, 0.2f, 0.2f, 0.2f, 1)});
    EXPECT_EQ(CallsOf([](auto& c) { c.SetGLMaterialAlphaChannel(GL_FRONT, 0.5f); }),
              std::vector{GLCall("Materialfv", GL_FRONT, GL_DIFFUSE, 0.2f, 0.2f, 0.2f, 0.5f)});
    EXPECT_EQ(Cache.MaterialDiffuse(cmFront).W, 0.5f);
    // Both faces: each keeps its own colour.
    const auto calls = CallsOf([](auto& c) { c.SetGLMaterialAlphaChannel(GL_FRONT_AND_BACK, 0.25f); });
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], GLCall("Materialfv", GL_FRONT, GL_DIFFUSE, 0.2f, 0.2f, 0.2f, 0.25f));
    EXPECT_EQ(calls[1].Args[0], GL_BACK);
    EXPECT_EQ(Cache.MaterialDiffuse(cmBack).W, 0.25f);
    EXPECT_THAT(MessageOf([&] { Cache.SetGLMaterialAlphaChannel(GL_FRONT_LEFT, 0.5f); }),
                HasSubstr("Only cmFront or cmBack supported"));
}

TEST_F(StateCache, EnabledLightsArePackedInOrder)
{
    int changes = 0;
    Cache.OnLightsChanged = [&](TGLStateCache* ASender) {
        EXPECT_EQ(ASender, &Cache);
        ++changes;
    };
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetLightEnabling(7, true);
                  c.SetLightEnabling(3, true);
                  c.SetLightEnabling(3, true);
              }),
              (std::vector{GLCall("Enable", GL_LIGHT7), GLCall("Enable", GL_LIGHT3)}));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Cache.LightNumber(), 2);
    EXPECT_EQ(Cache.GetLightIndicesAsAddress()[0], 3);
    EXPECT_EQ(Cache.GetLightIndicesAsAddress()[1], 7);
    Cache.SetLightEnabling(3, false);
    EXPECT_EQ(Cache.LightNumber(), 1);
    EXPECT_EQ(Cache.GetLightIndicesAsAddress()[0], 7);
    EXPECT_EQ(Cache.GetLightIndicesAsAddress()[1], 7) << "entries past the count keep what they held";
}

TEST_F(StateCache, ShaderCopyOfTheLights)
{
    for (int32_t i = 0; i < cMaxLights; ++i) Cache.SetLightAmbient(i, {{{float(i), 0, 0, 1}}});
    Cache.SetLightEnabling(3, true);
    Cache.SetLightEnabling(7, true);

    // Before OpenGL 3.0 the copy is packed with the enabled lights.
    GL.SetVersion(2, 1);
    const TShaderLightSourceState* copy = Cache.GetLightStateAsAddress();
    EXPECT_EQ(copy->Ambient[0].X, 3);
    EXPECT_EQ(copy->Ambient[1].X, 7);
    EXPECT_EQ(copy->Ambient[2].X, 0) << "slots past the enabled lights are not filled";

    // From 3.0 on it holds lights 0 to 7 in place, to be indexed through the light indices.
    GL.SetVersion(3, 0);
    Cache.SetLightAmbient(1, {{{11, 0, 0, 1}}});
    copy = Cache.GetLightStateAsAddress();
    EXPECT_EQ(copy->Ambient[1].X, 11);
    EXPECT_EQ(copy->Ambient[7].X, 7);
}

TEST_F(StateCache, LightParameters)
{
    EXPECT_EQ(Cache.LightDiffuse(0).X, 1);
    EXPECT_EQ(Cache.LightDiffuse(1).X, 0);
    EXPECT_EQ(Cache.LightSpotCutoff(4), 180);

    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetSpotCutoff(0, 90);
                  c.SetSpotCutoff(0, 90);
                  c.SetSpotExponent(0, 2);
                  c.SetConstantAtten(0, 1);
                  c.SetLinearAtten(0, 0);
                  c.SetQuadAtten(0, 0.5f);
                  c.SetLightSpecular(2, {{{0, 0, 0, 1}}});
              }),
              (std::vector{GLCall("Lightfv", GL_LIGHT0, GL_SPOT_CUTOFF, 90), GLCall("Lightfv", GL_LIGHT0, GL_SPOT_EXPONENT, 2),
                           GLCall("Lightfv", GL_LIGHT0, GL_CONSTANT_ATTENUATION, 1),
                           GLCall("Lightfv", GL_LIGHT0, GL_QUADRATIC_ATTENUATION, 0.5f)}));
    Cache.SetLightEnabling(0, true);
    EXPECT_NEAR(Cache.GetLightStateAsAddress()->SpotCosCutoffExponent[0].X, 0, 1e-7);
    EXPECT_EQ(Cache.LightSpotExponent(0), 2);

    // Positions and directions are kept for the scene's light code, which sends them itself.
    int changes = 0;
    Cache.OnLightsChanged = [&](TGLStateCache*) { ++changes; };
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetLightPosition(1, {{{0, 0, 1, 0}}});
                  c.SetLightPosition(1, {{{0, 0, 1, 0}}});
                  c.SetLightSpotDirection(1, {{{0, 1, 0}}});
              }),
              cNoCalls);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Cache.LightSpotDirection(1).Y, 1);

    // Without the fixed-function pipeline only the cache and the shader copy change.
    Cache.SetFixedFunctionPipeLight(false);
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetLightEnabling(1, true);
                  c.SetLightDiffuse(1, {{{0, 1, 0, 1}}});
              }),
              cNoCalls);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(Cache.GetLightStateAsAddress()->Diffuse[1].Y, 1);
}

TEST_F(StateCache, ResetsPutOpenGLDefaultsBack)
{
    Cache.SetPolygonMode(pmLines);
    Cache.SetFrontFace(fwClockWise);
    const auto calls = CallsOf([](auto& c) { c.ResetAll(); });
    ASSERT_GE(calls.size(), 8u);
    EXPECT_EQ(calls.front(), GLCall("PolygonMode", GL_FRONT_AND_BACK, GL_FILL));
    EXPECT_EQ(calls[1].Name, "Materialfv");
    EXPECT_EQ(calls[6].Name, "GetIntegerv") << "the unit count for the texture reset";
    EXPECT_EQ(calls.back(), GLCall("FrontFace", GL_CCW));
    EXPECT_EQ(Cache.PolygonMode(), pmFill);
    EXPECT_EQ(Cache.FrontFace(), fwCounterClockWise);

    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetGLFrontFaceCW();
                  c.SetGLFrontFaceCW();
                  c.InvertGLFrontFace();
              }),
              (std::vector{GLCall("FrontFace", GL_CW), GLCall("FrontFace", GL_CCW)}));
}
