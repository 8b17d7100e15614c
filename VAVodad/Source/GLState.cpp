// The state cache: capabilities, display lists and the pipeline state. Texture units, material and lights are
// in GLState_textures.cpp.
#include "GLState.h"

#include "OpenGLAdapter.h"
#include "SysUtils.h"

#include <algorithm>
#include <bit>

// Display-list records are indexed by list name; names beyond this are refused rather than sized for.
static constexpr uint32_t cMaxListName = 1u << 24;
static constexpr uint32_t cInitialListRecords = 128;

GLbitfield GLStateTypesToAttribBits(TGLStateTypes ATypes)
{
    GLbitfield bits = 0;
    for (int32_t t = sttCurrent; t <= sttMultisample; ++t)
        if (ATypes.Contains(static_cast<TGLStateType>(t))) bits |= cGLStateTypeToGLEnum[t];
    return bits;
}

TGLStateCache::TGLStateCache() : FListStates(cInitialListRecords)
{
    for (auto& face : FFrontBackColors) {
        face[mcEmission] = {{{0, 0, 0, 1}}};
        face[mcAmbient] = {{{0.2f, 0.2f, 0.2f, 1}}};
        face[mcDiffuse] = {{{0.8f, 0.8f, 0.8f, 1}}};
        face[mcSpecular] = {{{0, 0, 0, 1}}};
    }
    for (int32_t i = 0; i < cMaxLights; ++i) {
        const float on = i == 0 ? 1.0f : 0.0f; // light 0 is white in a new context, the others black
        FLightStates.Position[i] = {{{0, 0, 0, 0}}};
        FLightStates.Ambient[i] = {{{0, 0, 0, 1}}};
        FLightStates.Diffuse[i] = {{{on, on, on, 1}}};
        FLightStates.Specular[i] = {{{on, on, on, 1}}};
        FLightStates.SpotDirection[i] = {{{0, 0, -1, 0}}};
        FLightStates.SpotCosCutoffExponent[i] = {{{-1, 0, 0, 0}}};
        FLightStates.Attenuation[i] = {{{0, 0, 0, 0}}};
        FSpotCutoff[i] = 180;
    }
    std::fill(std::begin(FSampleMaskValue), std::end(FSampleMaskValue), 0xFFFFFFFFu);
    std::fill(std::begin(FColorWriteMask), std::end(FColorWriteMask), cAllColorComponents);
    std::fill(std::begin(FCurrentVertexAttrib), std::end(FCurrentVertexAttrib), TVector4f{{{0, 0, 0, 1}}});
}

TGLExtensionsAndEntryPoints& TGLStateCache::GL()
{
    return *GetCurrentGL();
}

void TGLStateCache::CheckIndex(int64_t AIndex, int64_t ACount)
{
    if (AIndex < 0 || AIndex >= ACount) Assert(false, "Index out of range", cGLStateUnit);
}

// ---- capabilities ----

void TGLStateCache::Enable(TGLState AState)
{
    const TGLStateInfo& info = cGLStateToGLEnum[AState];
    if (info.FixedFunctionOnly && FForwardContext) return;
    if (FInsideList)
        Record(sttEnable);
    else {
        if (FStates.Contains(AState)) return;
        FStates.Include(AState);
    }
    GL().Enable(info.GLEnum);
}

void TGLStateCache::Disable(TGLState AState)
{
    const TGLStateInfo& info = cGLStateToGLEnum[AState];
    if (info.FixedFunctionOnly && FForwardContext) return;
    if (FInsideList)
        Record(sttEnable);
    else {
        if (!FStates.Contains(AState)) return;
        FStates.Exclude(AState);
    }
    GL().Disable(info.GLEnum);
    // While colour material was on, OpenGL's material followed the current colour: put the cached one back.
    if (AState == stColorMaterial) {
        if (FInsideList)
            Record(sttLighting);
        else {
            SendMaterial(cmFront);
            SendMaterial(cmBack);
        }
    }
}

// Inside a list the call is compiled, not executed, so States keeps its belief and the group is recorded.
void TGLStateCache::PerformEnable(TGLState AState)
{
    const TGLStateInfo& info = cGLStateToGLEnum[AState];
    if (info.FixedFunctionOnly && FForwardContext) return;
    if (FInsideList)
        Record(sttEnable);
    else
        FStates.Include(AState);
    GL().Enable(info.GLEnum);
}

void TGLStateCache::PerformDisable(TGLState AState)
{
    const TGLStateInfo& info = cGLStateToGLEnum[AState];
    if (info.FixedFunctionOnly && FForwardContext) return;
    if (FInsideList)
        Record(sttEnable);
    else
        FStates.Exclude(AState);
    GL().Disable(info.GLEnum);
}

void TGLStateCache::SetForwardContext(bool Value)
{
    if (Value == FForwardContext) return;
    FForwardContext = Value;
    if (Value) SetFixedFunctionPipeLight(false);
}

// ---- display lists ----

void TGLStateCache::NewList(uint32_t AList, uint32_t AMode)
{
    Assert(AMode == GL_COMPILE, "Compile & executing not supported by TGLStateCache", cGLStateUnit);
    // OpenGL never hands out list 0; a name beyond the limit would need an absurd record array.
    Assert(AList != 0 && AList <= cMaxListName, "Invalid display list name", cGLStateUnit);
    const uint32_t index = AList - 1;
    if (index >= FListStates.size()) FListStates.resize(std::bit_ceil(index + 1));
    FCurrentList = index;
    FListStates[index] = {};
    FInsideList = true;
    TGLExtensionsAndEntryPoints& gl = GL();
    if (gl.ARB_vertex_buffer_object) {
        // A list must not capture buffer bindings or vertex arrays of whatever was drawn before.
        SetArrayBufferBinding(0);
        SetElementBufferBinding(0);
        for (GLuint i = 0; i < cMaxVertexAttribs; ++i) gl.DisableVertexAttribArray(i);
    }
    gl.NewList(AList, AMode);
}

void TGLStateCache::EndList()
{
    GL().EndList();
    FInsideList = false;
}

void TGLStateCache::CallList(uint32_t AList)
{
    const uint32_t index = AList - 1; // list 0 wraps beyond every record
    if (index < FListStates.size() && !FListStates[index].Empty()) {
        PushAttrib(FListStates[index]);
        GL().CallList(AList);
        PopAttrib();
    } else
        GL().CallList(AList);
}

void TGLStateCache::PushAttrib(TGLStateTypes AStateTypes)
{
    GL().PushAttrib(GLStateTypesToAttribBits(AStateTypes));
}

void TGLStateCache::PopAttrib()
{
    GL().PopAttrib();
}

// ---- depth ----

void TGLStateCache::SetDepthFunc(TComparisonFunction Value)
{
    if (Cached(FDepthFunc, Value, sttDepthBuffer)) GL().DepthFunc(cGLComparisonFunctionToGLEnum[Value]);
}

void TGLStateCache::SetDepthWriteMask(bool Value)
{
    if (Cached(FDepthWriteMask, Value, sttDepthBuffer)) GL().DepthMask(Value);
}

void TGLStateCache::SetDepthClearValue(float Value)
{
    if (Cached(FDepthClearValue, Value, sttDepthBuffer)) GL().ClearDepth(Value);
}

void TGLStateCache::SetDepthRange(double ZNear, double ZFar)
{
    if (CachedAll(sttViewport, std::tie(FDepthRange[0], FDepthRange[1]), std::tuple(ZNear, ZFar)))
        GL().DepthRange(ZNear, ZFar);
}

// ---- stencil ----

void TGLStateCache::SetStencilFunc(TComparisonFunction func, int32_t ref, uint32_t mask)
{
    if (CachedAll(sttStencilBuffer, std::tie(FStencilFunc, FStencilRef, FStencilValueMask),
                  std::tuple(func, ref, mask)))
        GL().StencilFunc(cGLComparisonFunctionToGLEnum[func], ref, mask);
}

void TGLStateCache::SetStencilOp(TStencilOp fail, TStencilOp zfail, TStencilOp zpass)
{
    if (CachedAll(sttStencilBuffer, std::tie(FStencilFail, FStencilPassDepthFail, FStencilPassDepthPass),
                  std::tuple(fail, zfail, zpass)))
        GL().StencilOp(cGLStencilOpToGLEnum[fail], cGLStencilOpToGLEnum[zfail], cGLStencilOpToGLEnum[zpass]);
}

void TGLStateCache::SetStencilFuncSeparate(TCullFaceMode face, TComparisonFunction func, int32_t ref,
                                           uint32_t mask)
{
    if (FInsideList)
        Record(sttStencilBuffer);
    else {
        if (face != cmBack) std::tie(FStencilFunc, FStencilRef, FStencilValueMask) = std::tuple(func, ref, mask);
        if (face != cmFront)
            std::tie(FStencilBackFunc, FStencilBackRef, FStencilBackValueMask) =
                std::tuple(func, static_cast<uint32_t>(ref), mask);
    }
    GL().StencilFuncSeparate(cGLCullFaceModeToGLEnum[face], cGLComparisonFunctionToGLEnum[func], ref, mask);
}

void TGLStateCache::SetStencilOpSeparate(TCullFaceMode face, TStencilOp sfail, TStencilOp dpfail,
                                         TStencilOp dppass)
{
    if (FInsideList)
        Record(sttStencilBuffer);
    else {
        if (face != cmBack)
            std::tie(FStencilFail, FStencilPassDepthFail, FStencilPassDepthPass) = std::tuple(sfail, dpfail, dppass);
        if (face != cmFront)
            std::tie(FStencilBackFail, FStencilBackPassDepthFail, FStencilBackPassDepthPass) =
                std::tuple(sfail, dpfail, dppass);
    }
    GL().StencilOpSeparate(cGLCullFaceModeToGLEnum[face], cGLStencilOpToGLEnum[sfail],
                           cGLStencilOpToGLEnum[dpfail], cGLStencilOpToGLEnum[dppass]);
}

void TGLStateCache::SetStencilWriteMask(uint32_t Value)
{
    if (!Cached(FStencilWriteMask, Value, sttStencilBuffer)) return;
    TGLExtensionsAndEntryPoints& gl = GL();
    // Separate masks came with OpenGL 2.0; before it the one mask serves both faces.
    if (gl.VERSION_2_0)
        gl.StencilMaskSeparate(GL_FRONT, Value);
    else
        gl.StencilMask(Value);
}

void TGLStateCache::SetStencilBackWriteMask(uint32_t Value)
{
    if (Cached(FStencilBackWriteMask, Value, sttStencilBuffer) && GL().VERSION_2_0)
        GL().StencilMaskSeparate(GL_BACK, Value);
}

void TGLStateCache::SetStencilClearValue(uint32_t Value)
{
    if (Cached(FStencilClearValue, Value, sttStencilBuffer)) GL().ClearStencil(Value);
}

// ---- blending and colour ----

void TGLStateCache::SetBlendFunc(TBlendFunction Src, TDstBlendFunction Dst)
{
    if (FInsideList)
        Record(sttColorBuffer);
    else {
        if (FBlendSrcRGB == Src && FBlendDstRGB == Dst) return;
        FBlendSrcRGB = FBlendSrcAlpha = Src;
        FBlendDstRGB = FBlendDstAlpha = Dst;
    }
    GL().BlendFunc(cGLBlendFunctionToGLEnum[Src], cGLBlendFunctionToGLEnum[Dst]);
}

void TGLStateCache::SetBlendFuncSeparate(TBlendFunction SrcRGB, TDstBlendFunction DstRGB,
                                         TBlendFunction SrcAlpha, TDstBlendFunction DstAlpha)
{
    if (CachedAll(sttColorBuffer, std::tie(FBlendSrcRGB, FBlendDstRGB, FBlendSrcAlpha, FBlendDstAlpha),
                  std::tuple(SrcRGB, DstRGB, SrcAlpha, DstAlpha)))
        GL().BlendFuncSeparate(cGLBlendFunctionToGLEnum[SrcRGB], cGLBlendFunctionToGLEnum[DstRGB],
                               cGLBlendFunctionToGLEnum[SrcAlpha], cGLBlendFunctionToGLEnum[DstAlpha]);
}

void TGLStateCache::SetBlendEquation(TBlendEquation mode)
{
    if (CachedAll(sttColorBuffer, std::tie(FBlendEquationRGB, FBlendEquationAlpha), std::tuple(mode, mode)))
        GL().BlendEquation(cGLBlendEquationToGLEnum[mode]);
}

void TGLStateCache::SetBlendEquationSeparate(TBlendEquation modeRGB, TBlendEquation modeAlpha)
{
    if (CachedAll(sttColorBuffer, std::tie(FBlendEquationRGB, FBlendEquationAlpha), std::tuple(modeRGB, modeAlpha)))
        GL().BlendEquationSeparate(cGLBlendEquationToGLEnum[modeRGB], cGLBlendEquationToGLEnum[modeAlpha]);
}

void TGLStateCache::SetBlendColor(const TVector4f& Value)
{
    if (Cached(FBlendColor, Value, sttColorBuffer)) GL().BlendColor(Value.X, Value.Y, Value.Z, Value.W);
}

void TGLStateCache::SetClampReadColor(GLenum Value)
{
    if (Cached(FClampReadColor, Value, sttColorBuffer)) GL().ClampColor(GL_CLAMP_READ_COLOR, Value);
}

void TGLStateCache::SetColorClearValue(const TVector4f& Value)
{
    if (Cached(FColorClearValue, Value, sttColorBuffer)) GL().ClearColor(Value.X, Value.Y, Value.Z, Value.W);
}

void TGLStateCache::SetLogicOpMode(TLogicOp Value)
{
    if (Cached(FLogicOpMode, Value, sttColorBuffer)) GL().LogicOp(GLLogicOpToGLEnum(Value));
}

void TGLStateCache::SetGLAlphaFunction(TComparisonFunction func, float ref)
{
    if (FForwardContext) return;
    if (CachedAll(sttColorBuffer, std::tie(FAlphaFunc, FAlphaRef), std::tuple(func, ref)))
        GL().AlphaFunc(cGLComparisonFunctionToGLEnum[func], ref);
}

void TGLStateCache::SetColorMask(TColorMask mask)
{
    if (FInsideList)
        Record(sttColorBuffer);
    else
        std::fill(std::begin(FColorWriteMask), std::end(FColorWriteMask), mask);
    GL().ColorMask(mask.Contains(ccRed), mask.Contains(ccGreen), mask.Contains(ccBlue), mask.Contains(ccAlpha));
}

void TGLStateCache::SetGLColorWriting(bool flag)
{
    if (Cached(FColorWriting, flag, sttColorBuffer)) GL().ColorMask(flag, flag, flag, flag);
}

TColorMask TGLStateCache::ColorWriteMask(int32_t Index) const
{
    CheckIndex(Index, cMaxDrawBuffers);
    return FColorWriteMask[Index];
}

void TGLStateCache::SetColorWriteMask(int32_t Index, TColorMask mask)
{
    CheckIndex(Index, cMaxDrawBuffers);
    if (Plain(FColorWriteMask[Index], mask))
        GL().ColorMaski(Index, mask.Contains(ccRed), mask.Contains(ccGreen), mask.Contains(ccBlue),
                        mask.Contains(ccAlpha));
}

bool TGLStateCache::EnableBlend(int32_t Index) const
{
    CheckIndex(Index, cMaxDrawBuffers);
    return FEnableBlend[Index];
}

void TGLStateCache::SetEnableBlend(int32_t Index, bool Value)
{
    CheckIndex(Index, cMaxDrawBuffers);
    if (!Plain(FEnableBlend[Index], Value)) return;
    if (Value)
        GL().Enablei(GL_BLEND, Index);
    else
        GL().Disablei(GL_BLEND, Index);
}

// ---- rasterisation ----

void TGLStateCache::SetCullFaceMode(TCullFaceMode Value)
{
    if (Cached(FCullFaceMode, Value, sttPolygon)) GL().CullFace(cGLCullFaceModeToGLEnum[Value]);
}

void TGLStateCache::SetFrontFace(TFaceWinding Value)
{
    if (Cached(FFrontFace, Value, sttPolygon)) GL().FrontFace(cGLFaceWindingToGLEnum[Value]);
}

void TGLStateCache::SetPolygonMode(TPolygonMode Value)
{
    if (!Cached(FPolygonMode, Value, sttPolygon)) return;
    if (!FInsideList) FPolygonBackMode = Value;
    GL().PolygonMode(GL_FRONT_AND_BACK, cGLPolygonModeToGLEnum[Value]);
}

void TGLStateCache::SetPolygonOffset(float factor, float units)
{
    if (CachedAll(sttPolygon, std::tie(FPolygonOffsetFactor, FPolygonOffsetUnits), std::tuple(factor, units)))
        GL().PolygonOffset(factor, units);
}

void TGLStateCache::SetLineWidth(float Value)
{
    if (Cached(FLineWidth, Value, sttLine)) GL().LineWidth(Value);
}

void TGLStateCache::SetLineStippleFactor(int32_t Value)
{
    if (Cached(FLineStippleFactor, Value, sttLine)) GL().LineStipple(Value, FLineStipplePattern);
}

void TGLStateCache::SetLineStipplePattern(uint16_t Value)
{
    if (Cached(FLineStipplePattern, Value, sttLine)) GL().LineStipple(FLineStippleFactor, Value);
}

void TGLStateCache::SetPointSize(float Value)
{
    if (Cached(FPointSize, Value, sttPoint)) GL().PointSize(Value);
}

void TGLStateCache::SetPointFadeThresholdSize(float Value)
{
    if (Cached(FPointFadeThresholdSize, Value, sttPoint)) GL().PointParameterf(GL_POINT_FADE_THRESHOLD_SIZE, Value);
}

void TGLStateCache::SetPointSpriteCoordOrigin(GLenum Value)
{
    if (Cached(FPointSpriteCoordOrigin, Value, sttPoint))
        GL().PointParameterf(GL_POINT_SPRITE_COORD_ORIGIN, static_cast<float>(Value));
}

void TGLStateCache::SetViewPort(const TVector4i& Value)
{
    if (Cached(FViewPort, Value, sttViewport)) GL().Viewport(Value.X, Value.Y, Value.Z, Value.W);
}

void TGLStateCache::SetScissorBox(const TVector4i& Value)
{
    if (Cached(FScissorBox, Value, sttScissor)) GL().Scissor(Value.X, Value.Y, Value.Z, Value.W);
}

void TGLStateCache::SetProvokingVertex(GLenum Value)
{
    if (Plain(FProvokingVertex, Value)) GL().ProvokingVertex(Value);
}

bool TGLStateCache::EnableClipDistance(int32_t Index) const
{
    CheckIndex(Index, cMaxClipDistances);
    return FEnableClipDistance[Index];
}

void TGLStateCache::SetEnableClipDistance(int32_t Index, bool Value)
{
    CheckIndex(Index, cMaxClipDistances);
    SetPlainCapability(FEnableClipDistance[Index], GL_CLIP_DISTANCE0 + Index, Value);
}

// ---- multisampling ----

void TGLStateCache::SetSampleCoverage(float Value, bool invert)
{
    if (CachedAll(sttMultisample, std::tie(FSampleCoverageValue, FSampleCoverageInvert), std::tuple(Value, invert)))
        GL().SampleCoverage(Value, invert);
}

uint32_t TGLStateCache::SampleMaskValue(int32_t Index) const
{
    CheckIndex(Index, std::size(FSampleMaskValue));
    return FSampleMaskValue[Index];
}

void TGLStateCache::SetSampleMaskValue(int32_t Index, uint32_t Value)
{
    CheckIndex(Index, std::size(FSampleMaskValue));
    if (Cached(FSampleMaskValue[Index], Value, sttMultisample)) GL().SampleMaski(Index, Value);
}

// ---- capabilities switched as properties ----

void TGLStateCache::SetPlainCapability(bool& AField, GLenum ACapability, bool Value)
{
    if (!Plain(AField, Value)) return;
    if (Value)
        GL().Enable(ACapability);
    else
        GL().Disable(ACapability);
}

void TGLStateCache::SetEnableColorLogicOp(bool Value)
{
    SetPlainCapability(FEnableColorLogicOp, GL_COLOR_LOGIC_OP, Value);
}

void TGLStateCache::SetEnableSampleAlphaToCoverage(bool Value)
{
    SetPlainCapability(FEnableSampleAlphaToCoverage, GL_SAMPLE_ALPHA_TO_COVERAGE, Value);
}

void TGLStateCache::SetEnableSampleAlphaToOne(bool Value)
{
    SetPlainCapability(FEnableSampleAlphaToOne, GL_SAMPLE_ALPHA_TO_ONE, Value);
}

void TGLStateCache::SetEnableSampleCoverage(bool Value)
{
    SetPlainCapability(FEnableSampleCoverage, GL_SAMPLE_COVERAGE, Value);
}

void TGLStateCache::SetEnableSampleMask(bool Value)
{
    SetPlainCapability(FEnableSampleMask, GL_SAMPLE_MASK, Value);
}

void TGLStateCache::SetEnableProgramPointSize(bool Value)
{
    SetPlainCapability(FEnableProgramPointSize, GL_PROGRAM_POINT_SIZE, Value);
}

void TGLStateCache::SetEnableTextureCubeMapSeamless(bool Value)
{
    SetPlainCapability(FEnableTextureCubeMapSeamless, GL_TEXTURE_CUBE_MAP_SEAMLESS, Value);
}

void TGLStateCache::SetEnablePrimitiveRestart(bool Value)
{
    if (!Plain(FEnablePrimitiveRestart, Value)) return;
    TGLExtensionsAndEntryPoints& gl = GL();
    if (FForwardContext) {
        if (Value)
            gl.Enable(GL_PRIMITIVE_RESTART);
        else
            gl.Disable(GL_PRIMITIVE_RESTART);
    } else if (gl.NV_primitive_restart) {
        if (Value)
            gl.EnableClientState(GL_PRIMITIVE_RESTART_NV);
        else
            gl.DisableClientState(GL_PRIMITIVE_RESTART_NV);
    }
}

void TGLStateCache::SetPrimitiveRestartIndex(uint32_t Value)
{
    if (!FForwardContext && !GL().NV_primitive_restart) return;
    if (Plain(FPrimitiveRestartIndex, Value)) GL().PrimitiveRestartIndex(Value);
}

// ---- hints ----

// ASkipEqualInList: an equal value is skipped even while a list is recorded.
void TGLStateCache::SetHint(THintType& AField, GLenum ATarget, THintType Value, bool ASkipEqualInList)
{
    if (AField == Value && (ASkipEqualInList || !FInsideList)) return;
    if (FInsideList)
        Record(sttHint);
    else
        AField = Value;
    GL().Hint(ATarget, cGLHintToGLEnum[Value]);
}

void TGLStateCache::SetLineSmoothHint(THintType Value)
{
    SetHint(FLineSmoothHint, GL_LINE_SMOOTH_HINT, Value, false);
}

void TGLStateCache::SetPolygonSmoothHint(THintType Value)
{
    SetHint(FPolygonSmoothHint, GL_POLYGON_SMOOTH_HINT, Value, false);
}

void TGLStateCache::SetTextureCompressionHint(THintType Value)
{
    SetHint(FTextureCompressionHint, GL_TEXTURE_COMPRESSION_HINT, Value, false);
}

void TGLStateCache::SetFragmentShaderDerivitiveHint(THintType Value)
{
    SetHint(FFragmentShaderDerivitiveHint, GL_FRAGMENT_SHADER_DERIVATIVE_HINT, Value, true);
}

void TGLStateCache::SetMultisampleFilterHint(THintType Value)
{
    if (GL().NV_multisample_filter_hint) SetHint(FMultisampleFilterHint, GL_MULTISAMPLE_FILTER_HINT_NV, Value, true);
}

// ---- buffer and object bindings ----

void TGLStateCache::SetVertexArrayBinding(uint32_t Value)
{
    if (Plain(FVertexArrayBinding, Value)) GL().BindVertexArray(Value);
}

void TGLStateCache::SetArrayBufferBinding(uint32_t Value)
{
    if (Value == FArrayBufferBinding && FVertexArrayBinding == 0) return;
    FArrayBufferBinding = Value;
    GL().BindBuffer(GL_ARRAY_BUFFER, Value);
}

void TGLStateCache::SetElementBufferBinding(uint32_t Value)
{
    if (Value == FElementBufferBinding && FVertexArrayBinding == 0) return;
    FElementBufferBinding = Value;
    GL().BindBuffer(GL_ELEMENT_ARRAY_BUFFER, Value);
}

void TGLStateCache::SetTextureBufferBinding(uint32_t Value)
{
    if (Plain(FTextureBufferBinding, Value)) GL().BindBuffer(GL_TEXTURE_BUFFER, Value);
}

void TGLStateCache::SetCopyReadBufferBinding(uint32_t Value)
{
    if (Plain(FCopyReadBufferBinding, Value)) GL().BindBuffer(GL_COPY_READ_BUFFER, Value);
}

void TGLStateCache::SetCopyWriteBufferBinding(uint32_t Value)
{
    if (Plain(FCopyWriteBufferBinding, Value)) GL().BindBuffer(GL_COPY_WRITE_BUFFER, Value);
}

void TGLStateCache::SetPixelPackBufferBinding(uint32_t Value)
{
    if (Plain(FPixelPackBufferBinding, Value)) GL().BindBuffer(GL_PIXEL_PACK_BUFFER, Value);
}

void TGLStateCache::SetPixelUnpackBufferBinding(uint32_t Value)
{
    if (Plain(FPixelUnpackBufferBinding, Value)) GL().BindBuffer(GL_PIXEL_UNPACK_BUFFER, Value);
}

void TGLStateCache::SetTransformFeedbackBufferBinding(uint32_t Value)
{
    if (Value == FTransformFeedbackBufferBinding && !FInsideList) return;
    FTransformFeedbackBufferBinding = Value;
    GL().BindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, Value);
}

void TGLStateCache::SetUniformBufferBinding(uint32_t Value)
{
    Assert(!FInsideList, "", cGLStateUnit);
    if (Plain(FUniformBufferBinding, Value)) GL().BindBuffer(GL_UNIFORM_BUFFER, Value);
}

void TGLStateCache::SetBufferIndexedBinding(uint32_t Value, TGLBufferBindingTarget ATarget, uint32_t AIndex,
                                            GLsizeiptr ABufferSize)
{
    Assert(!FInsideList, "", cGLStateUnit);
    CheckIndex(AIndex, cMaxUniformBufferBindings);
    TUBOState& entry = FUBOStates[ATarget][AIndex];
    if (entry.Buffer == Value && entry.Offset <= 0 && entry.Size == ABufferSize) {
        if (ATarget == bbtUniform)
            SetUniformBufferBinding(Value);
        else
            SetTransformFeedbackBufferBinding(Value);
        return;
    }
    // Binding an indexed point binds the general point too.
    (ATarget == bbtUniform ? FUniformBufferBinding : FTransformFeedbackBufferBinding) = Value;
    entry = {Value, 0, ABufferSize};
    GL().BindBufferBase(cGLBufferBindingTargetToGLEnum[ATarget], AIndex, Value);
}

void TGLStateCache::SetBufferIndexedBinding(uint32_t Value, TGLBufferBindingTarget ATarget, uint32_t AIndex,
                                            GLintptr AOffset, GLsizeiptr ARangeSize)
{
    Assert(!FInsideList, "", cGLStateUnit);
    CheckIndex(AIndex, cMaxUniformBufferBindings);
    TUBOState& entry = FUBOStates[ATarget][AIndex];
    if (entry.Buffer == Value && entry.Offset == AOffset && entry.Size == ARangeSize) return;
    (ATarget == bbtUniform ? FUniformBufferBinding : FTransformFeedbackBufferBinding) = Value;
    entry = {Value, AOffset, ARangeSize};
    GL().BindBufferRange(cGLBufferBindingTargetToGLEnum[ATarget], AIndex, Value, AOffset, ARangeSize);
}

void TGLStateCache::SetCurrentProgram(uint32_t Value)
{
    if (Plain(FCurrentProgram, Value)) GL().UseProgram(Value);
}

void TGLStateCache::SetDrawFrameBuffer(uint32_t Value)
{
    if (Plain(FDrawFrameBuffer, Value)) GL().BindFramebuffer(GL_DRAW_FRAMEBUFFER, Value);
}

void TGLStateCache::SetReadFrameBuffer(uint32_t Value)
{
    if (Plain(FReadFrameBuffer, Value)) GL().BindFramebuffer(GL_READ_FRAMEBUFFER, Value);
}

void TGLStateCache::SetFrameBuffer(uint32_t Value)
{
    if (FDrawFrameBuffer == Value && FReadFrameBuffer == Value && !FInsideList) return;
    FDrawFrameBuffer = FReadFrameBuffer = Value;
    GL().BindFramebuffer(GL_FRAMEBUFFER, Value);
}

void TGLStateCache::SetRenderBuffer(uint32_t Value)
{
    if (Plain(FRenderBuffer, Value)) GL().BindRenderbuffer(GL_RENDERBUFFER, Value);
}

TVector4f TGLStateCache::CurrentVertexAttrib(int32_t Index) const
{
    CheckIndex(Index, cMaxVertexAttribs);
    return FCurrentVertexAttrib[Index];
}

void TGLStateCache::SetCurrentVertexAttrib(int32_t Index, const TVector4f& Value)
{
    CheckIndex(Index, cMaxVertexAttribs);
    if (Plain(FCurrentVertexAttrib[Index], Value)) GL().VertexAttrib4fv(Index, Value.V);
}

// ---- pixel storage ----

void TGLStateCache::SetPixelStore(bool& AField, GLenum AName, bool Value)
{
    if (Plain(AField, Value)) GL().PixelStorei(AName, Value ? 1 : 0);
}

void TGLStateCache::SetPixelStore(uint32_t& AField, GLenum AName, uint32_t Value)
{
    if (Plain(AField, Value)) GL().PixelStoref(AName, static_cast<float>(Value));
}

// ---- implementation limits ----

uint32_t TGLStateCache::QueryLimit(uint32_t& AField, GLenum AName)
{
    if (AField == 0) {
        GLint value = 0;
        GL().GetIntegerv(AName, &value);
        AField = value > 0 ? static_cast<uint32_t>(value) : 0;
    }
    return AField;
}

uint32_t TGLStateCache::MaxTextureSize()
{
    return QueryLimit(FMaxTextureSize, GL_MAX_TEXTURE_SIZE);
}

uint32_t TGLStateCache::Max3DTextureSize()
{
    return QueryLimit(FMax3DTextureSize, GL_MAX_3D_TEXTURE_SIZE);
}

uint32_t TGLStateCache::MaxCubeTextureSize()
{
    return QueryLimit(FMaxCubeTextureSize, GL_MAX_CUBE_MAP_TEXTURE_SIZE);
}

uint32_t TGLStateCache::MaxArrayTextureSize()
{
    return QueryLimit(FMaxArrayTextureSize, GL_MAX_ARRAY_TEXTURE_LAYERS);
}

uint32_t TGLStateCache::MaxTextureImageUnits()
{
    return QueryLimit(FMaxTextureImageUnits, GL_MAX_TEXTURE_IMAGE_UNITS);
}

uint32_t TGLStateCache::MaxTextureUnits()
{
    return QueryLimit(FMaxTextureUnits, GL_MAX_TEXTURE_IMAGE_UNITS);
}

uint32_t TGLStateCache::MaxTextureAnisotropy()
{
    return GL().EXT_texture_filter_anisotropic ? QueryLimit(FMaxTextureAnisotropy, GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT)
                                               : FMaxTextureAnisotropy;
}

uint32_t TGLStateCache::MaxSamples()
{
    return GL().EXT_multisample ? QueryLimit(FMaxSamples, GL_MAX_SAMPLES) : FMaxSamples;
}

// ---- queries ----

void TGLStateCache::BeginQuery(TQueryType Target, uint32_t Value)
{
    Assert(FCurrentQuery[Target] == 0, "Can only have one query (of each type) running at a time", cGLStateUnit);
    FCurrentQuery[Target] = Value;
    GL().BeginQuery(cGLQueryTypeToGLEnum[Target], Value);
}

void TGLStateCache::EndQuery(TQueryType Target)
{
    Assert(FCurrentQuery[Target] != 0, "No query running", cGLStateUnit);
    FCurrentQuery[Target] = 0;
    GL().EndQuery(cGLQueryTypeToGLEnum[Target]);
}
