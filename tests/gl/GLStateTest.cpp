// The state cache on the recording fake OpenGL: which calls it makes, which it skips, and what display lists
// record.
#include "StateCacheFixture.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

TEST(StateEnumerations, AttributeBitsAndGLValues)
{
    EXPECT_EQ(GLStateTypesToAttribBits(TGLStateTypes{sttMultisample}), 0x20000000u);
    EXPECT_EQ(GLStateTypesToAttribBits(TGLStateTypes{sttCurrent, sttScissor, sttDepthBuffer}), 0x80101u);
    EXPECT_EQ(GLStateTypesToAttribBits(TGLStateTypes{}), 0u);
    EXPECT_EQ((TColorMask{ccRed, ccAlpha}).Bits(), 9);
    EXPECT_EQ(cAllColorComponents.Bits(), 15);
    EXPECT_EQ(cGLStateToGLEnum[stDepthClamp].GLEnum, 0x864Fu);
    EXPECT_TRUE(cGLStateToGLEnum[stPointSprite].FixedFunctionOnly);
    EXPECT_FALSE(cGLStateToGLEnum[stColorLogicOp].FixedFunctionOnly);
    EXPECT_EQ(GLLogicOpToGLEnum(loSet), 0x150Fu);
    EXPECT_EQ(cGLBlendFunctionToGLEnum[bfSrcAlphaSat], 0x308u);
    EXPECT_EQ(cGLQueryTypeToGLEnum[qryAnySamplesPassed], 0x8C2Fu);
    EXPECT_EQ(cGLStencilOpToGLEnum[soZero], 0u);
}

// One row per setter: what it sends for a new value, which rule it follows and which group a list records.
namespace {
enum TRule { ruCached, ruPlain, ruAlways };
struct TSetterCase {
    const char* Name;
    TRule Rule;
    TGLStateType Group; // recorded inside a list (not for plain setters)
    std::function<void(TGLStateCache&)> SetInitial, SetNew;
    TGLCall Expected;                              // the call SetNew makes
    std::function<bool(TGLStateCache&)> HoldsNew;  // the cache reads the new value
};

const TVector4f cRed = {{{1, 0, 0, 1}}};

const TSetterCase cSetterCases[] = {
    {"DepthFunc", ruCached, sttDepthBuffer, [](auto& c) { c.SetDepthFunc(cfLess); },
     [](auto& c) { c.SetDepthFunc(cfLEqual); }, GLCall("DepthFunc", GL_LEQUAL),
     [](auto& c) { return c.DepthFunc() == cfLEqual; }},
    {"DepthWriteMask", ruCached, sttDepthBuffer, [](auto& c) { c.SetDepthWriteMask(true); },
     [](auto& c) { c.SetDepthWriteMask(false); }, GLCall("DepthMask", 0), [](auto& c) { return !c.DepthWriteMask(); }},
    {"DepthRange", ruCached, sttViewport, [](auto& c) { c.SetDepthRange(0, 1); },
     [](auto& c) { c.SetDepthRangeFar(0.5); }, GLCall("DepthRange", 0, 0.5),
     [](auto& c) { return c.DepthRangeFar() == 0.5; }},
    {"StencilFunc", ruCached, sttStencilBuffer, [](auto& c) { c.SetStencilFunc(cfAlways, 0, 0xFFFFFFFF); },
     [](auto& c) { c.SetStencilFunc(cfEqual, 1, 0xFF); }, GLCall("StencilFunc", GL_EQUAL, 1, 0xFF),
     [](auto& c) { return c.StencilFunc() == cfEqual && c.StencilRef() == 1 && c.StencilValueMask() == 0xFF; }},
    {"StencilOp", ruCached, sttStencilBuffer, [](auto& c) { c.SetStencilOp(soKeep, soKeep, soKeep); },
     [](auto& c) { c.SetStencilOp(soKeep, soIncrWrap, soZero); }, GLCall("StencilOp", GL_KEEP, GL_INCR_WRAP, 0),
     [](auto& c) { return c.StencilPassDepthFail() == soIncrWrap; }},
    {"StencilWriteMask", ruCached, sttStencilBuffer, [](auto& c) { c.SetStencilWriteMask(0xFFFFFFFF); },
     [](auto& c) { c.SetStencilWriteMask(0x0F); }, GLCall("StencilMaskSeparate", GL_FRONT, 0x0F),
     [](auto& c) { return c.StencilWriteMask() == 0x0F; }},
    {"BlendFuncSeparate", ruCached, sttColorBuffer,
     [](auto& c) { c.SetBlendFuncSeparate(bfOne, bfZero, bfOne, bfZero); },
     [](auto& c) { c.SetBlendFuncSeparate(bfOne, bfZero, bfSrcAlpha, bfZero); },
     GLCall("BlendFuncSeparate", GL_ONE, GL_ZERO, GL_SRC_ALPHA, GL_ZERO),
     [](auto& c) { return c.BlendSrcAlpha() == bfSrcAlpha; }},
    {"BlendColor", ruCached, sttColorBuffer, [](auto& c) { c.SetBlendColor({{{0, 0, 0, 0}}}); },
     [](auto& c) { c.SetBlendColor(cRed); }, GLCall("BlendColor", 1, 0, 0, 1),
     [](auto& c) { return c.BlendColor().X == 1; }},
    {"LogicOpMode", ruCached, sttColorBuffer, [](auto& c) { c.SetLogicOpMode(loCopy); },
     [](auto& c) { c.SetLogicOpMode(loXOr); }, GLCall("LogicOp", GL_XOR),
     [](auto& c) { return c.LogicOpMode() == loXOr; }},
    {"PolygonMode", ruCached, sttPolygon, [](auto& c) { c.SetPolygonMode(pmFill); },
     [](auto& c) { c.SetPolygonMode(pmLines); }, GLCall("PolygonMode", GL_FRONT_AND_BACK, GL_LINE),
     [](auto& c) { return c.PolygonMode() == pmLines; }},
    {"LineStipplePattern", ruCached, sttLine, [](auto& c) { c.SetLineStipplePattern(0xFFFF); },
     [](auto& c) { c.SetLineStipplePattern(0x00FF); }, GLCall("LineStipple", 1, 0x00FF),
     [](auto& c) { return c.LineStipplePattern() == 0x00FF; }},
    {"PointSpriteCoordOrigin", ruCached, sttPoint, [](auto& c) { c.SetPointSpriteCoordOrigin(GL_UPPER_LEFT); },
     [](auto& c) { c.SetPointSpriteCoordOrigin(GL_LOWER_LEFT); },
     GLCall("PointParameterf", GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT),
     [](auto& c) { return c.PointSpriteCoordOrigin() == GL_LOWER_LEFT; }},
    {"ViewPort", ruCached, sttViewport, [](auto& c) { c.SetViewPort({{{0, 0, 0, 0}}}); },
     [](auto& c) { c.SetViewPort({{{1, 2, 30, 40}}}); }, GLCall("Viewport", 1, 2, 30, 40),
     [](auto& c) { return c.ViewPort().W == 40; }},
    {"SampleCoverage", ruCached, sttMultisample, [](auto& c) { c.SetSampleCoverage(1, false); },
     [](auto& c) { c.SetSampleCoverageInvert(true); }, GLCall("SampleCoverage", 1, 1),
     [](auto& c) { return c.SampleCoverageInvert(); }},
    {"LineSmoothHint", ruCached, sttHint, [](auto& c) { c.SetLineSmoothHint(hintDontCare); },
     [](auto& c) { c.SetLineSmoothHint(hintNicest); }, GLCall("Hint", GL_LINE_SMOOTH_HINT, GL_NICEST),
     [](auto& c) { return c.LineSmoothHint() == hintNicest; }},
    {"ColorMask", ruAlways, sttColorBuffer, [](auto& c) { c.SetColorMask(cAllColorComponents); },
     [](auto& c) { c.SetColorMask(TColorMask{ccRed, ccAlpha}); }, GLCall("ColorMask", 1, 0, 0, 1),
     [](auto& c) { return c.ColorWriteMask(15) == TColorMask{ccRed, ccAlpha}; }},
    {"StencilFuncSeparate", ruAlways, sttStencilBuffer,
     [](auto& c) { c.SetStencilFuncSeparate(cmBack, cfAlways, 0, 0xFFFFFFFF); },
     [](auto& c) { c.SetStencilFuncSeparate(cmBack, cfNever, 2, 3); },
     GLCall("StencilFuncSeparate", GL_BACK, GL_NEVER, 2, 3),
     [](auto& c) { return c.StencilBackFunc() == cfNever && c.StencilBackRef() == 2 && c.StencilFunc() == cfAlways; }},
    {"CurrentProgram", ruPlain, sttCurrent, [](auto& c) { c.SetCurrentProgram(0); },
     [](auto& c) { c.SetCurrentProgram(7); }, GLCall("UseProgram", 7), [](auto& c) { return c.CurrentProgram() == 7; }},
    {"UnpackAlignment", ruPlain, sttCurrent, [](auto& c) { c.SetUnpackAlignment(4); },
     [](auto& c) { c.SetUnpackAlignment(1); }, GLCall("PixelStoref", GL_UNPACK_ALIGNMENT, 1),
     [](auto& c) { return c.UnpackAlignment() == 1; }},
    {"PackSwapBytes", ruPlain, sttCurrent, [](auto& c) { c.SetPackSwapBytes(false); },
     [](auto& c) { c.SetPackSwapBytes(true); }, GLCall("PixelStorei", GL_PACK_SWAP_BYTES, 1),
     [](auto& c) { return c.PackSwapBytes(); }},
    {"EnableBlend[3]", ruPlain, sttCurrent, [](auto& c) { c.SetEnableBlend(3, false); },
     [](auto& c) { c.SetEnableBlend(3, true); }, GLCall("Enablei", GL_BLEND, 3),
     [](auto& c) { return c.EnableBlend(3); }},
    {"EnableClipDistance[2]", ruPlain, sttCurrent, [](auto& c) { c.SetEnableClipDistance(2, false); },
     [](auto& c) { c.SetEnableClipDistance(2, true); }, GLCall("Enable", GL_CLIP_DISTANCE2),
     [](auto& c) { return c.EnableClipDistance(2); }},
    {"EnableSampleMask", ruPlain, sttCurrent, [](auto& c) { c.SetEnableSampleMask(false); },
     [](auto& c) { c.SetEnableSampleMask(true); }, GLCall("Enable", GL_SAMPLE_MASK),
     [](auto& c) { return c.EnableSampleMask(); }},
    {"ColorWriteMask[1]", ruPlain, sttCurrent, [](auto& c) { c.SetColorWriteMask(1, cAllColorComponents); },
     [](auto& c) { c.SetColorWriteMask(1, TColorMask{ccGreen}); }, GLCall("ColorMaski", 1, 0, 1, 0, 0),
     [](auto& c) { return c.ColorWriteMask(1) == TColorMask{ccGreen}; }},
    {"CurrentVertexAttrib[5]", ruPlain, sttCurrent, [](auto& c) { c.SetCurrentVertexAttrib(5, {{{0, 0, 0, 1}}}); },
     [](auto& c) { c.SetCurrentVertexAttrib(5, cRed); }, GLCall("VertexAttrib4fv", 5, 1, 0, 0, 1),
     [](auto& c) { return c.CurrentVertexAttrib(5).X == 1; }},
    {"ReadFrameBuffer", ruPlain, sttCurrent, [](auto& c) { c.SetReadFrameBuffer(0); },
     [](auto& c) { c.SetReadFrameBuffer(4); }, GLCall("BindFramebuffer", GL_READ_FRAMEBUFFER, 4),
     [](auto& c) { return c.ReadFrameBuffer() == 4; }},
};
} // namespace

TEST_F(StateCache, SettersSkipWhatIsInPlaceByTheirRule)
{
    for (const TSetterCase& row : cSetterCases) {
        SCOPED_TRACE(row.Name);
        TGLStateCache cache;
        const std::vector<TGLCall> once{row.Expected};
        GL.Calls.clear();
        row.SetInitial(cache);
        EXPECT_EQ(GL.Calls.size(), row.Rule == ruAlways ? 1u : 0u) << "the value a new context has";
        GL.Calls.clear();
        row.SetNew(cache);
        EXPECT_EQ(GL.Calls, once);
        EXPECT_TRUE(row.HoldsNew(cache));
        GL.Calls.clear();
        row.SetNew(cache);
        EXPECT_EQ(GL.Calls, row.Rule == ruAlways ? once : cNoCalls) << "the same value again";
    }
}

TEST_F(StateCache, InsideAListSettersCallRecordAndKeepTheCache)
{
    for (const TSetterCase& row : cSetterCases) {
        SCOPED_TRACE(row.Name);
        TGLStateCache cache;
        cache.NewList(1, GL_COMPILE);
        GL.Calls.clear();
        row.SetInitial(cache);
        EXPECT_EQ(GL.Calls.size(), row.Rule == ruPlain ? 0u : 1u) << "the cached value is not trusted in a list";
        GL.Calls.clear();
        row.SetNew(cache);
        EXPECT_EQ(GL.Calls, std::vector<TGLCall>{row.Expected});
        cache.EndList();
        // Plain setters store and record nothing; the others leave the cache and record their group.
        EXPECT_EQ(row.HoldsNew(cache), row.Rule == ruPlain);
        GL.Calls.clear();
        cache.CallList(1);
        const std::vector<TGLCall> bracketed{GLCall("PushAttrib", cGLStateTypeToGLEnum[row.Group]),
                                             GLCall("CallList", 1), GLCall("PopAttrib")};
        EXPECT_EQ(GL.Calls, row.Rule == ruPlain ? std::vector<TGLCall>{GLCall("CallList", 1)} : bracketed);
    }
}

TEST_F(StateCache, VectorsCompareByBitsScalarsByValue)
{
    EXPECT_EQ(CallsOf([](auto& c) { c.SetColorClearValue({{{-0.0f, 0, 0, 0}}}); }).size(), 1u);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetPolygonOffset(-0.0f, 0); }), cNoCalls);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetDepthRange(-0.0, 1); }), cNoCalls);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetPolygonOffsetUnits(2); }), std::vector{GLCall("PolygonOffset", 0, 2)});
}

TEST_F(StateCache, BlendFuncSetsBothFactorPairs)
{
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
                  c.SetBlendFuncSeparate(bfSrcAlpha, bfOneMinusSrcAlpha, bfSrcAlpha, bfOneMinusSrcAlpha);
              }),
              std::vector{GLCall("BlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)});
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetBlendEquation(beMax);
                  c.SetBlendEquationSeparate(beMax, beMax);
              }),
              std::vector{GLCall("BlendEquation", GL_MAX)});
}

TEST_F(StateCache, EnableAndDisable)
{
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.Enable(stBlend);
                  c.Enable(stBlend);
                  c.SetGLState(stBlend);
              }),
              std::vector{GLCall("Enable", GL_BLEND)});
    EXPECT_TRUE(Cache.States().Contains(stBlend));
    EXPECT_EQ(CallsOf([](auto& c) { c.PerformEnable(stBlend); }), std::vector{GLCall("Enable", GL_BLEND)});
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.UnSetGLState(stBlend);
                  c.Disable(stBlend);
              }),
              std::vector{GLCall("Disable", GL_BLEND)});
    EXPECT_EQ(CallsOf([](auto& c) { c.PerformDisable(stBlend); }), std::vector{GLCall("Disable", GL_BLEND)});
    EXPECT_EQ(Cache.States(), TGLStates{stDither});

    Cache.Enable(stDepthTest);
    EXPECT_TRUE(Cache.EnableDepthTest());
    EXPECT_FALSE(Cache.EnableStencilTest());
}

TEST_F(StateCache, ANewCacheKnowsDitherAndColourWritesAreOn)
{
    EXPECT_TRUE(Cache.EnableDither());
    EXPECT_EQ(CallsOf([](auto& c) { c.Enable(stDither); }), cNoCalls);
    EXPECT_EQ(CallsOf([](auto& c) { c.Disable(stDither); }), std::vector{GLCall("Disable", GL_DITHER)});
    EXPECT_EQ(CallsOf([](auto& c) { c.SetGLColorWriting(true); }), cNoCalls);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetGLColorWriting(false); }), std::vector{GLCall("ColorMask", 0, 0, 0, 0)});
}

TEST_F(StateCache, ForwardContextIgnoresFixedFunctionCapabilities)
{
    Cache.SetForwardContext(true);
    EXPECT_FALSE(Cache.FixedFunctionPipeLight());
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.Enable(stLighting);
                  c.PerformEnable(stFog);
                  c.SetGLAlphaFunction(cfGreater, 0.5f);
                  c.SetGLMaterialColors(cmFront, cRed, cRed, cRed, cRed, 5);
              }),
              cNoCalls);
    EXPECT_FALSE(Cache.States().Contains(stLighting));
    EXPECT_EQ(CallsOf([](auto& c) { c.Enable(stBlend); }), std::vector{GLCall("Enable", GL_BLEND)});
    Cache.SetFixedFunctionPipeLight(true);
    EXPECT_FALSE(Cache.FixedFunctionPipeLight());
}

TEST_F(StateCache, DisablingColorMaterialSendsTheCachedMaterial)
{
    Cache.SetGLMaterialColors(cmBack, cRed, cRed, cRed, cRed, 9);
    Cache.Enable(stColorMaterial);
    const auto calls = CallsOf([](auto& c) { c.Disable(stColorMaterial); });
    ASSERT_EQ(calls.size(), 11u);
    EXPECT_EQ(calls[0], GLCall("Disable", GL_COLOR_MATERIAL));
    EXPECT_EQ(calls[1], GLCall("Materialfv", GL_FRONT, GL_EMISSION, 0, 0, 0, 1));
    EXPECT_EQ(calls[3], GLCall("Materialfv", GL_FRONT, GL_DIFFUSE, 0.8f, 0.8f, 0.8f, 1));
    EXPECT_EQ(calls[5], GLCall("Materiali", GL_FRONT, GL_SHININESS, 0));
    EXPECT_EQ(calls[9], GLCall("Materialfv", GL_BACK, GL_SPECULAR, 1, 0, 0, 1));
    EXPECT_EQ(calls[10], GLCall("Materiali", GL_BACK, GL_SHININESS, 9));

    // Inside a list the group is recorded instead.
    Cache.Enable(stColorMaterial);
    CompileList(2, [](auto& c) { c.Disable(stColorMaterial); });
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(2); })[0],
              GLCall("PushAttrib", GL_ENABLE_BIT | GL_LIGHTING_BIT));
}

TEST_F(StateCache, PerformEnableInsideAListRecordsAndKeepsStates)
{
    CompileList(1, [](auto& c) { c.PerformEnable(stCullFace); });
    EXPECT_FALSE(Cache.States().Contains(stCullFace));
    EXPECT_EQ(CallsOf([](auto& c) { c.Enable(stCullFace); }), std::vector{GLCall("Enable", GL_CULL_FACE)});
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(1); })[0], GLCall("PushAttrib", GL_ENABLE_BIT));
}

TEST_F(StateCache, DisplayListRecords)
{
    // Several groups are pushed together; a list that changed nothing through the cache is called bare.
    CompileList(3, [](auto& c) {
        c.SetDepthFunc(cfLess);
        c.Enable(stBlend);
        c.SetLineWidth(2);
    });
    EXPECT_EQ(Cache.DepthFunc(), cfLess);
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(3); }),
              (std::vector{GLCall("PushAttrib", GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT | GL_LINE_BIT),
                           GLCall("CallList", 3), GLCall("PopAttrib")}));
    CompileList(3, [](auto&) {});
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(3); }), std::vector{GLCall("CallList", 3)});
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(1000); }), std::vector{GLCall("CallList", 1000)});
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(0); }), std::vector{GLCall("CallList", 0)});

    // A name beyond the first 128 records.
    CompileList(300, [](auto& c) { c.SetStencilClearValue(1); });
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(300); })[0], GLCall("PushAttrib", GL_STENCIL_BUFFER_BIT));
    EXPECT_FALSE(Cache.InsideList());
}

TEST_F(StateCache, NewListWithVertexBuffersUnbindsThemFirst)
{
    GL.Table.ARB_vertex_buffer_object = true;
    Cache.SetArrayBufferBinding(5);
    const auto calls = CallsOf([](auto& c) { c.NewList(1, GL_COMPILE); });
    ASSERT_EQ(calls.size(), 18u);
    EXPECT_EQ(calls[0], GLCall("BindBuffer", GL_ARRAY_BUFFER, 0));
    EXPECT_EQ(calls[1], GLCall("DisableVertexAttribArray", 0));
    EXPECT_EQ(calls[16], GLCall("DisableVertexAttribArray", 15));
    EXPECT_EQ(calls[17], GLCall("NewList", 1, GL_COMPILE));
    EXPECT_TRUE(Cache.InsideList());
}

TEST_F(StateCache, RefusedListsAndQueriesSayWhy)
{
    EXPECT_THAT(MessageOf([&] { Cache.NewList(1, GL_COMPILE_AND_EXECUTE); }),
                HasSubstr("Compile & executing not supported by TGLStateCache"));
    EXPECT_THAT(MessageOf([&] { Cache.NewList(0, GL_COMPILE); }), HasSubstr("Invalid display list name"));
    EXPECT_THAT(MessageOf([&] { Cache.NewList(0xFFFFFFFF, GL_COMPILE); }), HasSubstr("Invalid display list name"));
    EXPECT_FALSE(Cache.InsideList());
    EXPECT_EQ(GL.Count("NewList"), 0u);

    Cache.BeginQuery(qryTimeElapsed, 4);
    EXPECT_EQ(Cache.CurrentQuery(qryTimeElapsed), 4u);
    EXPECT_THAT(MessageOf([&] { Cache.BeginQuery(qryTimeElapsed, 5); }),
                HasSubstr("Can only have one query (of each type) running at a time"));
    Cache.BeginQuery(qrySamplesPassed, 6); // another type may run beside it
    Cache.EndQuery(qryTimeElapsed);
    EXPECT_THAT(MessageOf([&] { Cache.EndQuery(qryTimeElapsed); }), HasSubstr("No query running"));
    EXPECT_EQ(GL.Only({"BeginQuery", "EndQuery"}),
              (std::vector{GLCall("BeginQuery", GL_TIME_ELAPSED, 4), GLCall("BeginQuery", GL_SAMPLES_PASSED, 6),
                           GLCall("EndQuery", GL_TIME_ELAPSED)}));
}

TEST_F(StateCache, ArrayBuffersAreAlwaysBoundWhileAVertexArrayIs)
{
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetArrayBufferBinding(3);
                  c.SetArrayBufferBinding(3);
              }).size(),
              1u);
    Cache.SetVertexArrayBinding(9);
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetElementBufferBinding(3);
                  c.SetElementBufferBinding(3);
              }).size(),
              2u);
}

TEST_F(StateCache, SpecialSkipRules)
{
    // Hints that skip an equal value even inside a list, and one that does not.
    CompileList(1, [](auto& c) {
        c.SetFragmentShaderDerivitiveHint(hintDontCare);
        c.SetMultisampleFilterHint(hintNicest); // no NV_multisample_filter_hint: nothing
        c.SetTextureCompressionHint(hintDontCare);
        c.SetTransformFeedbackBufferBinding(0);
        c.SetFrameBuffer(0);
    });
    EXPECT_EQ(CallsOf([](auto& c) { c.CallList(1); })[0], GLCall("PushAttrib", GL_HINT_BIT));
    Cache.NewList(2, GL_COMPILE);
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetFragmentShaderDerivitiveHint(hintDontCare);
                  c.SetTextureCompressionHint(hintDontCare);
                  c.SetTransformFeedbackBufferBinding(0);
                  c.SetFrameBuffer(0);
              }),
              (std::vector{GLCall("Hint", GL_TEXTURE_COMPRESSION_HINT, GL_DONT_CARE),
                           GLCall("BindBuffer", GL_TRANSFORM_FEEDBACK_BUFFER, 0),
                           GLCall("BindFramebuffer", GL_FRAMEBUFFER, 0)}));
    Cache.EndList();

    Cache.SetFrameBuffer(6);
    EXPECT_EQ(Cache.DrawFrameBuffer(), 6u);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetDrawFrameBuffer(6); }), cNoCalls);
}

TEST_F(StateCache, StencilMasksOnOldVersions)
{
    GL.SetVersion(1, 5);
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetStencilBackWriteMask(3);
                  c.SetStencilWriteMask(5);
              }),
              std::vector{GLCall("StencilMask", 5)});
    EXPECT_EQ(Cache.StencilBackWriteMask(), 3u);
}

TEST_F(StateCache, PrimitiveRestartDependsOnTheContext)
{
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetEnablePrimitiveRestart(true);
                  c.SetPrimitiveRestartIndex(7);
              }),
              cNoCalls);
    EXPECT_TRUE(Cache.EnablePrimitiveRestart());
    EXPECT_EQ(Cache.PrimitiveRestartIndex(), 0u);

    GL.Table.NV_primitive_restart = true;
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetEnablePrimitiveRestart(false);
                  c.SetPrimitiveRestartIndex(7);
              }),
              (std::vector{GLCall("DisableClientState", GL_PRIMITIVE_RESTART_NV), GLCall("PrimitiveRestartIndex", 7)}));

    Cache.SetForwardContext(true);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetEnablePrimitiveRestart(true); }),
              std::vector{GLCall("Enable", GL_PRIMITIVE_RESTART)});
}

TEST_F(StateCache, IndexedBufferBindings)
{
    // A whole buffer: bound once, then only the general binding is checked.
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetBufferIndexedBinding(5, bbtUniform, 2, GLsizeiptr{256});
                  c.SetBufferIndexedBinding(5, bbtUniform, 2, GLsizeiptr{256});
              }),
              std::vector{GLCall("BindBufferBase", GL_UNIFORM_BUFFER, 2, 5)});
    EXPECT_EQ(Cache.UniformBufferBinding(), 5u);
    Cache.SetUniformBufferBinding(0);
    EXPECT_EQ(CallsOf([](auto& c) { c.SetBufferIndexedBinding(5, bbtUniform, 2, GLsizeiptr{256}); }),
              std::vector{GLCall("BindBuffer", GL_UNIFORM_BUFFER, 5)});

    // A range: bound when any of buffer, offset and size differs.
    EXPECT_EQ(CallsOf([](auto& c) {
                  c.SetBufferIndexedBinding(8, bbtTransformFeedBack, 1, GLintptr{16}, GLsizeiptr{64});
                  c.SetBufferIndexedBinding(8, bbtTransformFeedBack, 1, GLintptr{16}, GLsizeiptr{64});
                  c.SetBufferIndexedBinding(8, bbtTransformFeedBack, 1, GLintptr{32}, GLsizeiptr{64});
              }),
              (std::vector{GLCall("BindBufferRange", GL_TRANSFORM_FEEDBACK_BUFFER, 1, 8, 16, 64),
                           GLCall("BindBufferRange", GL_TRANSFORM_FEEDBACK_BUFFER, 1, 8, 32, 64)}));
    EXPECT_EQ(Cache.TransformFeedbackBufferBinding(), 8u);

    EXPECT_THAT(MessageOf([&] { Cache.SetBufferIndexedBinding(1, bbtUniform, 75, GLsizeiptr{4}); }),
                HasSubstr("Index out of range"));
    Cache.NewList(1, GL_COMPILE);
    EXPECT_THAT(MessageOf([&] { Cache.SetUniformBufferBinding(3); }), HasSubstr("Assertion failure"));
    EXPECT_THAT(MessageOf([&] { Cache.SetBufferIndexedBinding(1, bbtUniform, 0, GLsizeiptr{4}); }),
                HasSubstr("Assertion failure"));
    Cache.EndList();
}

TEST_F(StateCache, LimitsAreAskedUntilKnown)
{
    GL.Integers[GL_MAX_TEXTURE_SIZE] = 0;
    EXPECT_EQ(Cache.MaxTextureSize(), 0u);
    GL.Integers[GL_MAX_TEXTURE_SIZE] = 8192;
    EXPECT_EQ(Cache.MaxTextureSize(), 8192u);
    EXPECT_EQ(Cache.MaxTextureSize(), 8192u);
    EXPECT_EQ(GL.Count("GetIntegerv"), 2u);

    GL.Integers[GL_MAX_SAMPLES] = 4;
    EXPECT_EQ(Cache.MaxSamples(), 0u); // only asked with EXT_multisample
    GL.Table.EXT_multisample = true;
    EXPECT_EQ(Cache.MaxSamples(), 4u);
    GL.Integers[GL_MAX_TEXTURE_IMAGE_UNITS] = 32;
    EXPECT_EQ(Cache.MaxTextureUnits(), 32u);
    GL.Integers[GL_MAX_LIGHTS] = 8;
    EXPECT_EQ(Cache.MaxLights(), 8u);
    TGLStateCache forward;
    forward.SetForwardContext(true);
    EXPECT_EQ(forward.MaxLights(), 16u);
}

TEST_F(StateCache, IndicesOutsideTheCacheAreRefused)
{
    EXPECT_THAT(MessageOf([&] { Cache.SetEnableBlend(16, true); }), HasSubstr("Index out of range"));
    EXPECT_THAT(MessageOf([&] { Cache.SetEnableClipDistance(8, true); }), HasSubstr("Index out of range"));
    EXPECT_THAT(MessageOf([&] { Cache.SetCurrentVertexAttrib(-1, cRed); }), HasSubstr("Index out of range"));
    EXPECT_THAT(MessageOf([&] { Cache.SetSampleMaskValue(16, 1); }), HasSubstr("Index out of range"));
    EXPECT_THAT(MessageOf([&] { Cache.SetTextureBinding(48, ttTexture2D, 1); }), HasSubstr("Index out of range"));
    EXPECT_THAT(MessageOf([&] { Cache.SetActiveTexture(48); }), HasSubstr("Index out of range"));
    EXPECT_THAT(MessageOf([&] { Cache.SetLightEnabling(16, true); }), HasSubstr("Index out of range"));
    EXPECT_EQ(GL.Calls, cNoCalls);
}
