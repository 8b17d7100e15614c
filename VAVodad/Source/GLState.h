// The OpenGL state cache of a rendering context: it keeps the value of every piece of OpenGL state the engine
// changes and skips a call whose value is already in place. While a display list is compiled it trusts and
// changes nothing, but notes which attribute groups the list touches; calling the list then brackets it with
// PushAttrib/PopAttrib, so a list never leaves OpenGL in a state the cache does not know.
//
// Every OpenGL call goes through GetCurrentGL(), the entry points of the context current on the calling
// thread, which must be the cache's own context.
//
// Three setter rules recur (templates at the end of this header): cached (skipped when equal outside a list;
// inside a list it always calls, records its attribute group and leaves the cached value alone), plain
// (skipped when equal, never records) and always (never skipped; records inside a list, stores outside).
#pragma once

#include "GLTextureFormat.h"
#include "GLVectorTypes.h"
#include "Components.h"
#include "Sets.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

// The unit name that the assertion texts of this unit's files carry.
inline constexpr const char* cGLStateUnit = "VAVodad\\Source\\GLState";

class TGLExtensionsAndEntryPoints;

// Switchable capabilities.
enum TGLState {
    stAlphaTest,
    stAutoNormal,
    stBlend,
    stColorMaterial,
    stCullFace,
    stDepthTest,
    stDither,
    stFog,
    stLighting,
    stLineSmooth,
    stLineStipple,
    stIndexLogicOp,
    stColorLogicOp,
    stNormalize,
    stPointSmooth,
    stPointSprite,
    stPolygonSmooth,
    stPolygonStipple,
    stScissorTest,
    stStencilTest,
    stPolygonOffsetPoint,
    stPolygonOffsetLine,
    stPolygonOffsetFill,
    stDepthClamp
};
using TGLStates = TSet<TGLState, uint32_t>;

struct TGLStateInfo {
    GLenum GLEnum;
    bool FixedFunctionOnly; // ignored in a forward (core) context
};
inline constexpr TGLStateInfo cGLStateToGLEnum[] = {
    {GL_ALPHA_TEST, true},          {GL_AUTO_NORMAL, true},          {GL_BLEND, false},
    {GL_COLOR_MATERIAL, true},      {GL_CULL_FACE, false},           {GL_DEPTH_TEST, false},
    {GL_DITHER, false},             {GL_FOG, true},                  {GL_LIGHTING, true},
    {GL_LINE_SMOOTH, true},         {GL_LINE_STIPPLE, true},         {GL_INDEX_LOGIC_OP, true},
    {GL_COLOR_LOGIC_OP, false},     {GL_NORMALIZE, true},            {GL_POINT_SMOOTH, true},
    {GL_POINT_SPRITE, true},        {GL_POLYGON_SMOOTH, true},       {GL_POLYGON_STIPPLE, true},
    {GL_SCISSOR_TEST, false},       {GL_STENCIL_TEST, false},        {GL_POLYGON_OFFSET_POINT, false},
    {GL_POLYGON_OFFSET_LINE, false}, {GL_POLYGON_OFFSET_FILL, false}, {GL_DEPTH_CLAMP, false}};

// Attribute groups, as PushAttrib saves them.
enum TGLStateType {
    sttCurrent,
    sttPoint,
    sttLine,
    sttPolygon,
    sttPolygonStipple,
    sttPixelMode,
    sttLighting,
    sttFog,
    sttDepthBuffer,
    sttAccumBuffer,
    sttStencilBuffer,
    sttViewport,
    sttTransform,
    sttEnable,
    sttColorBuffer,
    sttHint,
    sttEval,
    sttList,
    sttTexture,
    sttScissor,
    sttMultisample
};
using TGLStateTypes = TSet<TGLStateType, uint32_t>;

// Member n is bit 1 << n up to sttScissor; the multisample bit stands apart.
inline constexpr GLbitfield cGLStateTypeToGLEnum[] = {
    GL_CURRENT_BIT,   GL_POINT_BIT,     GL_LINE_BIT,           GL_POLYGON_BIT,   GL_POLYGON_STIPPLE_BIT,
    GL_PIXEL_MODE_BIT, GL_LIGHTING_BIT, GL_FOG_BIT,            GL_DEPTH_BUFFER_BIT, GL_ACCUM_BUFFER_BIT,
    GL_STENCIL_BUFFER_BIT, GL_VIEWPORT_BIT, GL_TRANSFORM_BIT,  GL_ENABLE_BIT,    GL_COLOR_BUFFER_BIT,
    GL_HINT_BIT,      GL_EVAL_BIT,      GL_LIST_BIT,           GL_TEXTURE_BIT,   GL_SCISSOR_BIT,
    GL_MULTISAMPLE_BIT};
// The union of the attribute bits of the groups.
GLbitfield GLStateTypesToAttribBits(TGLStateTypes ATypes);

enum TComparisonFunction { cfNever, cfAlways, cfLess, cfLEqual, cfEqual, cfGreater, cfNotEqual, cfGEqual };
inline constexpr GLenum cGLComparisonFunctionToGLEnum[] = {GL_NEVER, GL_ALWAYS,  GL_LESS,     GL_LEQUAL,
                                                           GL_EQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL};

enum TBlendFunction {
    bfZero,
    bfOne,
    bfSrcColor,
    bfOneMinusSrcColor,
    bfDstColor,
    bfOneMinusDstColor,
    bfSrcAlpha,
    bfOneMinusSrcAlpha,
    bfDstAlpha,
    bfOneMinusDstAlpha,
    bfConstantColor,
    bfOneMinusConstantColor,
    bfConstantAlpha,
    bfOneMinusConstantAlpha,
    bfSrcAlphaSat
};
// The destination factors: every blend function but bfSrcAlphaSat.
using TDstBlendFunction = TBlendFunction;
inline constexpr GLenum cGLBlendFunctionToGLEnum[] = {
    GL_ZERO,      GL_ONE,           GL_SRC_COLOR,           GL_ONE_MINUS_SRC_COLOR,
    GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA,     GL_ONE_MINUS_SRC_ALPHA,
    GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA, GL_CONSTANT_COLOR, GL_ONE_MINUS_CONSTANT_COLOR,
    GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA, GL_SRC_ALPHA_SATURATE};

enum TBlendEquation { beAdd, beSubtract, beReverseSubtract, beMin, beMax };
inline constexpr GLenum cGLBlendEquationToGLEnum[] = {GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT,
                                                      GL_MIN, GL_MAX};

enum TStencilOp { soKeep, soZero, soReplace, soIncr, soDecr, soInvert, soIncrWrap, soDecrWrap };
inline constexpr GLenum cGLStencilOpToGLEnum[] = {GL_KEEP, GL_ZERO,   GL_REPLACE,   GL_INCR,
                                                  GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};

enum TLogicOp {
    loClear,
    loAnd,
    loAndReverse,
    loCopy,
    loAndInverted,
    loNoOp,
    loXOr,
    loOr,
    loNor,
    loEquiv,
    loInvert,
    loOrReverse,
    loCopyInverted,
    loOrInverted,
    loNAnd,
    loSet
};
// GL_CLEAR to GL_SET in the same order.
inline constexpr GLenum GLLogicOpToGLEnum(TLogicOp AOp) { return GL_CLEAR + static_cast<GLenum>(AOp); }

enum TQueryType {
    qrySamplesPassed,
    qryPrimitivesGenerated,
    qryTransformFeedbackPrimitivesWritten,
    qryTimeElapsed,
    qryAnySamplesPassed
};
inline constexpr GLenum cGLQueryTypeToGLEnum[] = {GL_SAMPLES_PASSED, GL_PRIMITIVES_GENERATED,
                                                  GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, GL_TIME_ELAPSED,
                                                  GL_ANY_SAMPLES_PASSED};

enum TFaceWinding { fwCounterClockWise, fwClockWise };
inline constexpr GLenum cGLFaceWindingToGLEnum[] = {GL_CCW, GL_CW};

enum TPolygonMode { pmFill, pmLines, pmPoints };
inline constexpr GLenum cGLPolygonModeToGLEnum[] = {GL_FILL, GL_LINE, GL_POINT};

enum TCullFaceMode { cmFront, cmBack, cmFrontAndBack };
inline constexpr GLenum cGLCullFaceModeToGLEnum[] = {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK};

enum TColorComponent { ccRed, ccGreen, ccBlue, ccAlpha };
using TColorMask = TSet<TColorComponent, uint8_t>;
inline constexpr TColorMask cAllColorComponents{ccRed, ccGreen, ccBlue, ccAlpha};

enum THintType { hintDontCare, hintFastest, hintNicest };
inline constexpr GLenum cGLHintToGLEnum[] = {GL_DONT_CARE, GL_FASTEST, GL_NICEST};

enum TGLBufferBindingTarget { bbtUniform, bbtTransformFeedBack };
inline constexpr GLenum cGLBufferBindingTargetToGLEnum[] = {GL_UNIFORM_BUFFER, GL_TRANSFORM_FEEDBACK_BUFFER};

inline constexpr int32_t cMaxLights = 16;
inline constexpr int32_t cMaxShaderLights = 8;
inline constexpr int32_t cMaxTextureUnits = 48;
inline constexpr int32_t cMaxTextureTargets = ttTextureCubeArray + 1;
inline constexpr int32_t cMaxDrawBuffers = 16;
inline constexpr int32_t cMaxClipDistances = 8;
inline constexpr int32_t cMaxVertexAttribs = 16;
inline constexpr int32_t cMaxUniformBufferBindings = 75;

// The parameters of the sixteen lights: one entry per light in each array.
struct TLightSourceState {
    TVector4f Position[cMaxLights];
    TVector4f Ambient[cMaxLights];
    TVector4f Diffuse[cMaxLights];
    TVector4f Specular[cMaxLights];
    TVector4f SpotDirection[cMaxLights];
    TVector4f SpotCosCutoffExponent[cMaxLights]; // x: cosine of the cutoff angle, y: spot exponent
    TVector4f Attenuation[cMaxLights];           // x: constant, y: linear, z: quadratic
};

// The same parameters for the eight lights a shader sees.
struct TShaderLightSourceState {
    TVector4f Position[cMaxShaderLights];
    TVector4f Ambient[cMaxShaderLights];
    TVector4f Diffuse[cMaxShaderLights];
    TVector4f Specular[cMaxShaderLights];
    TVector4f SpotDirection[cMaxShaderLights];
    TVector4f SpotCosCutoffExponent[cMaxShaderLights];
    TVector4f Attenuation[cMaxShaderLights];
};

class TGLStateCache;
using TOnLightsChanged = std::function<void(TGLStateCache* Sender)>;

class TGLStateCache : public TObject {
public:
    TGLStateCache();
    TGLStateCache(const TGLStateCache&) = delete;
    TGLStateCache& operator=(const TGLStateCache&) = delete;

    // ---- capabilities and display lists ----

    // Through the cache: skipped when the capability already has that value outside a list; a
    // fixed-function capability does nothing in a forward context. Disabling stColorMaterial sends the cached
    // material again.
    void Enable(TGLState AState);
    void Disable(TGLState AState);
    void SetGLState(TGLState AState) { Enable(AState); }
    void UnSetGLState(TGLState AState) { Disable(AState); }
    // Unconditional: the call is made whatever the cache believes (inside a list it is recorded instead of
    // changing States).
    void PerformEnable(TGLState AState);
    void PerformDisable(TGLState AState);
    TGLStates States() const { return FStates; }

    // Only GL_COMPILE is supported; list names start at 1.
    void NewList(uint32_t AList, uint32_t AMode);
    void EndList();
    // Calls the list, bracketed by PushAttrib/PopAttrib of what it changed when it was compiled.
    void CallList(uint32_t AList);
    bool InsideList() const { return FInsideList; }
    void PushAttrib(TGLStateTypes AStateTypes);
    void PopAttrib();

    // True for a context without the fixed-function pipeline; setting it turns fixed-function lights off.
    bool ForwardContext() const { return FForwardContext; }
    void SetForwardContext(bool Value);

    // Capabilities as States reports them; multisampling and sRGB writes are never switched by the cache and
    // stay as a new context has them.
    bool EnableCullFace() const { return FStates.Contains(stCullFace); }
    bool EnableDepthClamp() const { return FStates.Contains(stDepthClamp); }
    bool EnableDepthTest() const { return FStates.Contains(stDepthTest); }
    bool EnableDither() const { return FStates.Contains(stDither); }
    bool EnableFramebufferSRGB() const { return FEnableFramebufferSRGB; }
    bool EnableLineSmooth() const { return FStates.Contains(stLineSmooth); }
    bool EnableMultisample() const { return FEnableMultisample; }
    bool EnablePolygonOffsetFill() const { return FStates.Contains(stPolygonOffsetFill); }
    bool EnablePolygonOffsetLine() const { return FStates.Contains(stPolygonOffsetLine); }
    bool EnablePolygonOffsetPoint() const { return FStates.Contains(stPolygonOffsetPoint); }
    bool EnablePolygonSmooth() const { return FStates.Contains(stPolygonSmooth); }
    bool EnableScissorTest() const { return FStates.Contains(stScissorTest); }
    bool EnableStencilTest() const { return FStates.Contains(stStencilTest); }

    // ---- depth ----
    TComparisonFunction DepthFunc() const { return FDepthFunc; }
    void SetDepthFunc(TComparisonFunction Value);
    bool DepthWriteMask() const { return FDepthWriteMask; }
    void SetDepthWriteMask(bool Value);
    float DepthClearValue() const { return FDepthClearValue; }
    void SetDepthClearValue(float Value);
    void SetDepthRange(double ZNear, double ZFar);
    double DepthRangeNear() const { return FDepthRange[0]; }
    void SetDepthRangeNear(double Value) { SetDepthRange(Value, FDepthRange[1]); }
    double DepthRangeFar() const { return FDepthRange[1]; }
    void SetDepthRangeFar(double Value) { SetDepthRange(FDepthRange[0], Value); }

    // ---- stencil ----
    void SetStencilFunc(TComparisonFunction func, int32_t ref, uint32_t mask);
    void SetStencilOp(TStencilOp fail, TStencilOp zfail, TStencilOp zpass);
    void SetStencilFuncSeparate(TCullFaceMode face, TComparisonFunction func, int32_t ref, uint32_t mask);
    void SetStencilOpSeparate(TCullFaceMode face, TStencilOp sfail, TStencilOp dpfail, TStencilOp dppass);
    TComparisonFunction StencilFunc() const { return FStencilFunc; }
    uint32_t StencilValueMask() const { return FStencilValueMask; }
    int32_t StencilRef() const { return FStencilRef; }
    TStencilOp StencilFail() const { return FStencilFail; }
    TStencilOp StencilPassDepthFail() const { return FStencilPassDepthFail; }
    TStencilOp StencilPassDepthPass() const { return FStencilPassDepthPass; }
    TComparisonFunction StencilBackFunc() const { return FStencilBackFunc; }
    uint32_t StencilBackValueMask() const { return FStencilBackValueMask; }
    uint32_t StencilBackRef() const { return FStencilBackRef; }
    TStencilOp StencilBackFail() const { return FStencilBackFail; }
    TStencilOp StencilBackPassDepthPass() const { return FStencilBackPassDepthPass; }
    TStencilOp StencilBackPassDepthFail() const { return FStencilBackPassDepthFail; }
    uint32_t StencilWriteMask() const { return FStencilWriteMask; }
    void SetStencilWriteMask(uint32_t Value);
    // Sent only from OpenGL 2.0 on; stored in any case.
    uint32_t StencilBackWriteMask() const { return FStencilBackWriteMask; }
    void SetStencilBackWriteMask(uint32_t Value);
    uint32_t StencilClearValue() const { return FStencilClearValue; }
    void SetStencilClearValue(uint32_t Value);

    // ---- blending and colour ----
    // Src and Dst become both the colour and the alpha factors.
    void SetBlendFunc(TBlendFunction Src, TDstBlendFunction Dst);
    void SetBlendFuncSeparate(TBlendFunction SrcRGB, TDstBlendFunction DstRGB, TBlendFunction SrcAlpha,
                              TDstBlendFunction DstAlpha);
    TBlendFunction BlendSrcRGB() const { return FBlendSrcRGB; }
    TBlendFunction BlendSrcAlpha() const { return FBlendSrcAlpha; }
    TDstBlendFunction BlendDstRGB() const { return FBlendDstRGB; }
    TDstBlendFunction BlendDstAlpha() const { return FBlendDstAlpha; }
    void SetBlendEquation(TBlendEquation mode);
    void SetBlendEquationSeparate(TBlendEquation modeRGB, TBlendEquation modeAlpha);
    TBlendEquation BlendEquationRGB() const { return FBlendEquationRGB; }
    TBlendEquation BlendEquationAlpha() const { return FBlendEquationAlpha; }
    TVector4f BlendColor() const { return FBlendColor; }
    void SetBlendColor(const TVector4f& Value);
    GLenum ClampReadColor() const { return FClampReadColor; }
    void SetClampReadColor(GLenum Value);
    TVector4f ColorClearValue() const { return FColorClearValue; }
    void SetColorClearValue(const TVector4f& Value);
    TLogicOp LogicOpMode() const { return FLogicOpMode; }
    void SetLogicOpMode(TLogicOp Value);
    // Nothing in a forward context.
    void SetGLAlphaFunction(TComparisonFunction func, float ref);
    TComparisonFunction AlphaFunc() const { return FAlphaFunc; }
    float AlphaRef() const { return FAlphaRef; }
    // The mask of every draw buffer at once.
    void SetColorMask(TColorMask mask);
    void SetGLColorWriting(bool flag);
    TColorMask ColorWriteMask(int32_t Index) const;
    void SetColorWriteMask(int32_t Index, TColorMask mask);
    bool EnableBlend(int32_t Index) const;
    void SetEnableBlend(int32_t Index, bool Value);

    // ---- rasterisation ----
    TCullFaceMode CullFaceMode() const { return FCullFaceMode; }
    void SetCullFaceMode(TCullFaceMode Value);
    TFaceWinding FrontFace() const { return FFrontFace; }
    void SetFrontFace(TFaceWinding Value);
    // The mode of both faces.
    TPolygonMode PolygonMode() const { return FPolygonMode; }
    void SetPolygonMode(TPolygonMode Value);
    void SetPolygonOffset(float factor, float units);
    float PolygonOffsetFactor() const { return FPolygonOffsetFactor; }
    void SetPolygonOffsetFactor(float Value) { SetPolygonOffset(Value, FPolygonOffsetUnits); }
    float PolygonOffsetUnits() const { return FPolygonOffsetUnits; }
    void SetPolygonOffsetUnits(float Value) { SetPolygonOffset(FPolygonOffsetFactor, Value); }
    float LineWidth() const { return FLineWidth; }
    void SetLineWidth(float Value);
    int32_t LineStippleFactor() const { return FLineStippleFactor; }
    void SetLineStippleFactor(int32_t Value);
    uint16_t LineStipplePattern() const { return FLineStipplePattern; }
    void SetLineStipplePattern(uint16_t Value);
    float PointSize() const { return FPointSize; }
    void SetPointSize(float Value);
    float PointFadeThresholdSize() const { return FPointFadeThresholdSize; }
    void SetPointFadeThresholdSize(float Value);
    GLenum PointSpriteCoordOrigin() const { return FPointSpriteCoordOrigin; }
    void SetPointSpriteCoordOrigin(GLenum Value);
    TVector4i ViewPort() const { return FViewPort; }
    void SetViewPort(const TVector4i& Value);
    TVector4i ScissorBox() const { return FScissorBox; }
    void SetScissorBox(const TVector4i& Value);
    GLenum ProvokingVertex() const { return FProvokingVertex; }
    void SetProvokingVertex(GLenum Value);
    bool EnableClipDistance(int32_t Index) const;
    void SetEnableClipDistance(int32_t Index, bool Value);

    // ---- multisampling ----
    void SetSampleCoverage(float Value, bool invert);
    float SampleCoverageValue() const { return FSampleCoverageValue; }
    void SetSampleCoverageValue(float Value) { SetSampleCoverage(Value, FSampleCoverageInvert); }
    bool SampleCoverageInvert() const { return FSampleCoverageInvert; }
    void SetSampleCoverageInvert(bool Value) { SetSampleCoverage(FSampleCoverageValue, Value); }
    uint32_t SampleMaskValue(int32_t Index) const;
    void SetSampleMaskValue(int32_t Index, uint32_t Value);

    // ---- capabilities switched as properties (plain rule) ----
    bool EnableColorLogicOp() const { return FEnableColorLogicOp; }
    void SetEnableColorLogicOp(bool Value);
    bool EnableSampleAlphaToCoverage() const { return FEnableSampleAlphaToCoverage; }
    void SetEnableSampleAlphaToCoverage(bool Value);
    bool EnableSampleAlphaToOne() const { return FEnableSampleAlphaToOne; }
    void SetEnableSampleAlphaToOne(bool Value);
    bool EnableSampleCoverage() const { return FEnableSampleCoverage; }
    void SetEnableSampleCoverage(bool Value);
    bool EnableSampleMask() const { return FEnableSampleMask; }
    void SetEnableSampleMask(bool Value);
    bool EnableProgramPointSize() const { return FEnableProgramPointSize; }
    void SetEnableProgramPointSize(bool Value);
    bool EnableTextureCubeMapSeamless() const { return FEnableTextureCubeMapSeamless; }
    void SetEnableTextureCubeMapSeamless(bool Value);
    bool EnablePrimitiveRestart() const { return FEnablePrimitiveRestart; }
    void SetEnablePrimitiveRestart(bool Value);
    // Kept only in a forward context or with NV_primitive_restart.
    uint32_t PrimitiveRestartIndex() const { return FPrimitiveRestartIndex; }
    void SetPrimitiveRestartIndex(uint32_t Value);

    // ---- hints ----
    THintType LineSmoothHint() const { return FLineSmoothHint; }
    void SetLineSmoothHint(THintType Value);
    THintType PolygonSmoothHint() const { return FPolygonSmoothHint; }
    void SetPolygonSmoothHint(THintType Value);
    THintType TextureCompressionHint() const { return FTextureCompressionHint; }
    void SetTextureCompressionHint(THintType Value);
    THintType FragmentShaderDerivitiveHint() const { return FFragmentShaderDerivitiveHint; }
    void SetFragmentShaderDerivitiveHint(THintType Value);
    // Only with NV_multisample_filter_hint.
    THintType MultisampleFilterHint() const { return FMultisampleFilterHint; }
    void SetMultisampleFilterHint(THintType Value);

    // ---- buffer and object bindings ----
    uint32_t VertexArrayBinding() const { return FVertexArrayBinding; }
    void SetVertexArrayBinding(uint32_t Value);
    // While a vertex array object is bound these are always sent: the binding belongs to that object.
    uint32_t ArrayBufferBinding() const { return FArrayBufferBinding; }
    void SetArrayBufferBinding(uint32_t Value);
    uint32_t ElementBufferBinding() const { return FElementBufferBinding; }
    void SetElementBufferBinding(uint32_t Value);
    uint32_t TextureBufferBinding() const { return FTextureBufferBinding; }
    void SetTextureBufferBinding(uint32_t Value);
    uint32_t CopyReadBufferBinding() const { return FCopyReadBufferBinding; }
    void SetCopyReadBufferBinding(uint32_t Value);
    uint32_t CopyWriteBufferBinding() const { return FCopyWriteBufferBinding; }
    void SetCopyWriteBufferBinding(uint32_t Value);
    uint32_t PixelPackBufferBinding() const { return FPixelPackBufferBinding; }
    void SetPixelPackBufferBinding(uint32_t Value);
    uint32_t PixelUnpackBufferBinding() const { return FPixelUnpackBufferBinding; }
    void SetPixelUnpackBufferBinding(uint32_t Value);
    uint32_t TransformFeedbackBufferBinding() const { return FTransformFeedbackBufferBinding; }
    void SetTransformFeedbackBufferBinding(uint32_t Value);
    // Not while a list is recorded.
    uint32_t UniformBufferBinding() const { return FUniformBufferBinding; }
    void SetUniformBufferBinding(uint32_t Value);
    // Indexed binding points 0 to 74 of uniform and transform-feedback buffers: the whole buffer, or a range
    // of it. Not while a list is recorded.
    void SetBufferIndexedBinding(uint32_t Value, TGLBufferBindingTarget ATarget, uint32_t AIndex,
                                 GLsizeiptr ABufferSize);
    void SetBufferIndexedBinding(uint32_t Value, TGLBufferBindingTarget ATarget, uint32_t AIndex,
                                 GLintptr AOffset, GLsizeiptr ARangeSize);
    uint32_t CurrentProgram() const { return FCurrentProgram; }
    void SetCurrentProgram(uint32_t Value);
    uint32_t DrawFrameBuffer() const { return FDrawFrameBuffer; }
    void SetDrawFrameBuffer(uint32_t Value);
    uint32_t ReadFrameBuffer() const { return FReadFrameBuffer; }
    void SetReadFrameBuffer(uint32_t Value);
    // Binds Value for drawing and reading at once.
    void SetFrameBuffer(uint32_t Value);
    uint32_t RenderBuffer() const { return FRenderBuffer; }
    void SetRenderBuffer(uint32_t Value);
    TVector4f CurrentVertexAttrib(int32_t Index) const;
    void SetCurrentVertexAttrib(int32_t Index, const TVector4f& Value);

    // ---- pixel storage ----
    bool UnpackSwapBytes() const { return FUnpackSwapBytes; }
    void SetUnpackSwapBytes(bool Value) { SetPixelStore(FUnpackSwapBytes, GL_UNPACK_SWAP_BYTES, Value); }
    bool UnpackLSBFirst() const { return FUnpackLSBFirst; }
    void SetUnpackLSBFirst(bool Value) { SetPixelStore(FUnpackLSBFirst, GL_UNPACK_LSB_FIRST, Value); }
    uint32_t UnpackRowLength() const { return FUnpackRowLength; }
    void SetUnpackRowLength(uint32_t Value) { SetPixelStore(FUnpackRowLength, GL_UNPACK_ROW_LENGTH, Value); }
    uint32_t UnpackSkipRows() const { return FUnpackSkipRows; }
    void SetUnpackSkipRows(uint32_t Value) { SetPixelStore(FUnpackSkipRows, GL_UNPACK_SKIP_ROWS, Value); }
    uint32_t UnpackSkipPixels() const { return FUnpackSkipPixels; }
    void SetUnpackSkipPixels(uint32_t Value) { SetPixelStore(FUnpackSkipPixels, GL_UNPACK_SKIP_PIXELS, Value); }
    uint32_t UnpackAlignment() const { return FUnpackAlignment; }
    void SetUnpackAlignment(uint32_t Value) { SetPixelStore(FUnpackAlignment, GL_UNPACK_ALIGNMENT, Value); }
    uint32_t UnpackSkipImages() const { return FUnpackSkipImages; }
    void SetUnpackSkipImages(uint32_t Value) { SetPixelStore(FUnpackSkipImages, GL_UNPACK_SKIP_IMAGES, Value); }
    uint32_t UnpackImageHeight() const { return FUnpackImageHeight; }
    void SetUnpackImageHeight(uint32_t Value) { SetPixelStore(FUnpackImageHeight, GL_UNPACK_IMAGE_HEIGHT, Value); }
    bool PackSwapBytes() const { return FPackSwapBytes; }
    void SetPackSwapBytes(bool Value) { SetPixelStore(FPackSwapBytes, GL_PACK_SWAP_BYTES, Value); }
    bool PackLSBFirst() const { return FPackLSBFirst; }
    void SetPackLSBFirst(bool Value) { SetPixelStore(FPackLSBFirst, GL_PACK_LSB_FIRST, Value); }
    uint32_t PackRowLength() const { return FPackRowLength; }
    void SetPackRowLength(uint32_t Value) { SetPixelStore(FPackRowLength, GL_PACK_ROW_LENGTH, Value); }
    uint32_t PackSkipRows() const { return FPackSkipRows; }
    void SetPackSkipRows(uint32_t Value) { SetPixelStore(FPackSkipRows, GL_PACK_SKIP_ROWS, Value); }
    uint32_t PackSkipPixels() const { return FPackSkipPixels; }
    void SetPackSkipPixels(uint32_t Value) { SetPixelStore(FPackSkipPixels, GL_PACK_SKIP_PIXELS, Value); }
    uint32_t PackAlignment() const { return FPackAlignment; }
    void SetPackAlignment(uint32_t Value) { SetPixelStore(FPackAlignment, GL_PACK_ALIGNMENT, Value); }
    uint32_t PackSkipImages() const { return FPackSkipImages; }
    void SetPackSkipImages(uint32_t Value) { SetPixelStore(FPackSkipImages, GL_PACK_SKIP_IMAGES, Value); }
    uint32_t PackImageHeight() const { return FPackImageHeight; }
    void SetPackImageHeight(uint32_t Value) { SetPixelStore(FPackImageHeight, GL_PACK_IMAGE_HEIGHT, Value); }

    // ---- implementation limits: asked on the first read, asked again while the answer is 0 ----
    uint32_t MaxTextureSize();
    uint32_t Max3DTextureSize();
    uint32_t MaxCubeTextureSize();
    uint32_t MaxArrayTextureSize();
    uint32_t MaxTextureImageUnits();
    // Image units (as MaxTextureImageUnits), not the fixed-function texture units.
    uint32_t MaxTextureUnits();
    uint32_t MaxTextureAnisotropy();
    uint32_t MaxSamples();

    // ---- queries: one running query of each type ----
    void BeginQuery(TQueryType Target, uint32_t Value);
    void EndQuery(TQueryType Target);
    uint32_t CurrentQuery(TQueryType Target) const { return FCurrentQuery[Target]; }

    // ---- texture units (units 0 to 47) ----
    // Does nothing without ARB_multitexture.
    int32_t ActiveTexture() const { return FActiveTexture; }
    void SetActiveTexture(int32_t Value);
    uint32_t TextureBinding(int32_t Index, TGLTextureTarget target) const;
    // Binds on unit Index and makes the previously active unit active again; the binding time is stamped
    // even when the name was already bound. ttNoShape does nothing.
    void SetTextureBinding(int32_t Index, TGLTextureTarget target, uint32_t Value);
    // When the last bind request came, in milliseconds of DistinctMillisecondClock: the clock the frame read
    // (SetTextureBindingClock), stepped past the previous stamp so that stamps never repeat or go back.
    double TextureBindingTime(int32_t Index, TGLTextureTarget target) const;
    // The scene buffer reads the clock once per frame for the bind requests that follow, rather than each
    // request reading it.
    void SetTextureBindingClock(double Milliseconds) { FTextureBindingClock = Milliseconds; }
    // On the active unit; ttNoShape fails an assertion.
    bool ActiveTextureEnabled(TGLTextureTarget Target) const;
    void SetActiveTextureEnabled(TGLTextureTarget Target, bool Value);
    // Units above 47 are ignored.
    uint32_t SamplerBinding(uint32_t Index) const;
    void SetSamplerBinding(uint32_t Index, uint32_t Value);
    // Texture matrix of the active unit; nothing in a forward context.
    void SetGLTextureMatrix(const TMatrix4f& matrix);
    void ResetGLTextureMatrix();
    // Loads the identity on units 3 to 0 where it is not known to be there.
    void ResetAllGLTextureMatrix();
    // Unbinds every supported target of the unit; unit 0 is active afterwards.
    void ResetGLTexture(int32_t TextureUnit);
    // Unbinds every supported target of every unit; unit 0 is active afterwards.
    void ResetGLCurrentTexture();

    // ---- material (nothing in a forward context) ----
    // aFace is cmFront or cmBack.
    void SetGLMaterialColors(TCullFaceMode aFace, const TVector4f& emission, const TVector4f& ambient,
                             const TVector4f& diffuse, const TVector4f& specular, int32_t shininess);
    // aFace is GL_FRONT or GL_BACK (or, for the alpha, GL_FRONT_AND_BACK). With lighting off these set the
    // current colour instead.
    void SetGLMaterialAlphaChannel(uint32_t aFace, float alpha);
    void SetGLMaterialDiffuseColor(uint32_t aFace, const TVector4f& diffuse);
    TVector4f MaterialEmission(TCullFaceMode aFace) const;
    TVector4f MaterialAmbient(TCullFaceMode aFace) const;
    TVector4f MaterialDiffuse(TCullFaceMode aFace) const;
    TVector4f MaterialSpecular(TCullFaceMode aFace) const;
    int32_t MaterialShininess(TCullFaceMode aFace) const;
    // Sends OpenGL's default material to both faces; the next SetGLMaterialColors sends every colour.
    void ResetGLMaterialColors();

    // ---- lights (numbers 0 to 15) ----
    uint32_t MaxLights();
    // Whether light changes are also sent to the fixed-function pipeline; never in a forward context.
    bool FixedFunctionPipeLight() const { return FFFPLight; }
    void SetFixedFunctionPipeLight(bool Value) { FFFPLight = Value && !FForwardContext; }
    int32_t LightNumber() const { return FLightNumber; }
    bool LightEnabling(int32_t I) const;
    void SetLightEnabling(int32_t I, bool Value);
    TVector4f LightPosition(int32_t I) const;
    // Kept for the scene's light code, which sends positions and directions itself; no OpenGL call.
    void SetLightPosition(int32_t I, const TVector4f& Value);
    TVector3f LightSpotDirection(int32_t I) const;
    void SetLightSpotDirection(int32_t I, const TVector3f& Value);
    TVector4f LightAmbient(int32_t I) const;
    void SetLightAmbient(int32_t I, const TVector4f& Value);
    TVector4f LightDiffuse(int32_t I) const;
    void SetLightDiffuse(int32_t I, const TVector4f& Value);
    TVector4f LightSpecular(int32_t I) const;
    void SetLightSpecular(int32_t I, const TVector4f& Value);
    // Degrees.
    float LightSpotCutoff(int32_t I) const;
    void SetSpotCutoff(int32_t I, float Value);
    float LightSpotExponent(int32_t I) const;
    void SetSpotExponent(int32_t I, float Value);
    float LightConstantAtten(int32_t I) const;
    void SetConstantAtten(int32_t I, float Value);
    float LightLinearAtten(int32_t I) const;
    void SetLinearAtten(int32_t I, float Value);
    float LightQuadraticAtten(int32_t I) const;
    void SetQuadAtten(int32_t I, float Value);
    // The numbers of the enabled lights in increasing order, LightNumber of them, then stale entries.
    const int32_t* GetLightIndicesAsAddress() const { return FLightIndices; }
    // The parameters of up to eight lights for shaders, rebuilt first when a light changed.
    const TShaderLightSourceState* GetLightStateAsAddress();
    // Called after every change of light state.
    TOnLightsChanged OnLightsChanged;

    // ---- resets ----
    void ResetGLPolygonMode();
    void ResetGLFrontFace();
    void SetGLFrontFaceCW();
    void InvertGLFrontFace();
    // Polygon mode, material, texture bindings and winding back to OpenGL's defaults.
    void ResetAll();

private:
    // The entry points of the calling thread's context.
    static TGLExtensionsAndEntryPoints& GL();
    // Fails an assertion unless 0 <= AIndex < ACount.
    static void CheckIndex(int64_t AIndex, int64_t ACount);

    // The setter rules; each answers whether the OpenGL call is to be made.
    template <typename T> bool Cached(T& AField, const T& AValue, TGLStateType AType);
    template <typename... T> bool CachedAll(TGLStateType AType, std::tuple<T&...> AFields, std::tuple<T...> AValues);
    template <typename T> bool Plain(T& AField, const T& AValue);
    void Record(TGLStateType AType) { FListStates[FCurrentList].Include(AType); }
    void SetPlainCapability(bool& AField, GLenum ACapability, bool Value);
    void SetHint(THintType& AField, GLenum ATarget, THintType Value, bool ASkipEqualInList);
    void SetPixelStore(bool& AField, GLenum AName, bool Value);
    void SetPixelStore(uint32_t& AField, GLenum AName, uint32_t Value);
    uint32_t QueryLimit(uint32_t& AField, GLenum AName);
    void SendMaterial(TCullFaceMode aFace);
    int32_t MaterialFaceIndex(uint32_t aFace) const;
    void UnbindTargets(int32_t AUnit);
    void NoteTextureMatrix(int32_t AUnit, bool AIdentity);
    void LightsChanged();
    void LightParameter(int32_t I, GLenum AName, const float* AValue);
    template <typename T> void SetLightParameter(int32_t I, GLenum AName, T& AField, const T& Value);

    // Material colours per face (front, back): emission, ambient, diffuse, specular.
    enum { mcEmission, mcAmbient, mcDiffuse, mcSpecular };
    TVector4f FFrontBackColors[2][4];
    int32_t FFrontBackShininess[2] = {0, 0};
    // After ResetGLMaterialColors: OpenGL holds the cached default colours, but the next
    // SetGLMaterialColors of that face sends all of them anyway.
    bool FMaterialColorsForced[2] = {false, false};
    TComparisonFunction FAlphaFunc = cfAlways;
    float FAlphaRef = 0;
    TPolygonMode FPolygonBackMode = pmFill;
    uint32_t FMaxLights = 0;
    bool FLightEnabling[cMaxLights] = {};
    int32_t FLightIndices[cMaxLights] = {};
    int32_t FLightNumber = 0;
    TLightSourceState FLightStates;
    float FSpotCutoff[cMaxLights];
    TShaderLightSourceState FShaderLightStates = {};
    bool FShaderLightStatesChanged = false;
    // A new context writes every colour component.
    bool FColorWriting = true;
    // A new context dithers.
    TGLStates FStates{stDither};
    std::vector<TGLStateTypes> FListStates;
    uint32_t FCurrentList = 0;
    bool FTextureMatrixIsIdentity[4] = {false, false, false, false};
    bool FForwardContext = false;
    bool FFFPLight = true;
    uint32_t FVertexArrayBinding = 0;
    uint32_t FArrayBufferBinding = 0;
    uint32_t FElementBufferBinding = 0;
    uint32_t FTextureBufferBinding = 0;
    bool FEnablePrimitiveRestart = false;
    uint32_t FPrimitiveRestartIndex = 0;
    TVector4i FViewPort = {};
    double FDepthRange[2] = {0.0, 1.0};
    bool FEnableClipDistance[cMaxClipDistances] = {};
    GLenum FClampReadColor = GL_FIXED_ONLY;
    GLenum FProvokingVertex = GL_LAST_VERTEX_CONVENTION;
    float FPointSize = 1;
    float FPointFadeThresholdSize = 1;
    GLenum FPointSpriteCoordOrigin = GL_UPPER_LEFT;
    float FLineWidth = 1;
    int32_t FLineStippleFactor = 1;
    uint16_t FLineStipplePattern = 0xFFFF;
    TCullFaceMode FCullFaceMode = cmBack;
    TFaceWinding FFrontFace = fwCounterClockWise;
    TPolygonMode FPolygonMode = pmFill;
    float FPolygonOffsetFactor = 0;
    float FPolygonOffsetUnits = 0;
    bool FEnableMultisample = true;
    bool FEnableSampleAlphaToCoverage = false;
    bool FEnableSampleAlphaToOne = false;
    bool FEnableSampleCoverage = false;
    float FSampleCoverageValue = 1;
    bool FSampleCoverageInvert = false;
    bool FEnableSampleMask = false;
    uint32_t FSampleMaskValue[16];
    uint32_t FMaxTextureSize = 0;
    uint32_t FMax3DTextureSize = 0;
    uint32_t FMaxCubeTextureSize = 0;
    uint32_t FMaxArrayTextureSize = 0;
    uint32_t FMaxTextureImageUnits = 0;
    uint32_t FMaxTextureAnisotropy = 0;
    uint32_t FMaxSamples = 0;
    uint32_t FTextureBinding[cMaxTextureUnits][cMaxTextureTargets] = {};
    double FTextureBindingTime[cMaxTextureUnits][cMaxTextureTargets] = {};
    double FTextureBindingClock = 0;
    double FLastTextureBindingTime = 0;
    uint32_t FSamplerBinding[cMaxTextureUnits] = {};
    int32_t FActiveTexture = 0;
    bool FActiveTextureEnabling[cMaxTextureUnits][cMaxTextureTargets] = {};
    TVector4i FScissorBox = {};
    TComparisonFunction FStencilFunc = cfAlways;
    uint32_t FStencilValueMask = 0xFFFFFFFF;
    int32_t FStencilRef = 0;
    TStencilOp FStencilFail = soKeep;
    TStencilOp FStencilPassDepthFail = soKeep;
    TStencilOp FStencilPassDepthPass = soKeep;
    TComparisonFunction FStencilBackFunc = cfAlways;
    uint32_t FStencilBackValueMask = 0xFFFFFFFF;
    uint32_t FStencilBackRef = 0;
    TStencilOp FStencilBackFail = soKeep;
    TStencilOp FStencilBackPassDepthPass = soKeep;
    TStencilOp FStencilBackPassDepthFail = soKeep;
    TComparisonFunction FDepthFunc = cfLess;
    bool FEnableBlend[cMaxDrawBuffers] = {};
    TBlendFunction FBlendSrcRGB = bfOne;
    TBlendFunction FBlendSrcAlpha = bfOne;
    TDstBlendFunction FBlendDstRGB = bfZero;
    TDstBlendFunction FBlendDstAlpha = bfZero;
    TBlendEquation FBlendEquationRGB = beAdd;
    TBlendEquation FBlendEquationAlpha = beAdd;
    TVector4f FBlendColor = {};
    bool FEnableFramebufferSRGB = false;
    bool FEnableColorLogicOp = false;
    TLogicOp FLogicOpMode = loCopy;
    TColorMask FColorWriteMask[cMaxDrawBuffers];
    bool FDepthWriteMask = true;
    uint32_t FStencilWriteMask = 0xFFFFFFFF;
    uint32_t FStencilBackWriteMask = 0xFFFFFFFF;
    TVector4f FColorClearValue = {};
    float FDepthClearValue = 1;
    uint32_t FStencilClearValue = 0;
    uint32_t FDrawFrameBuffer = 0;
    uint32_t FReadFrameBuffer = 0;
    uint32_t FRenderBuffer = 0;
    bool FUnpackSwapBytes = false;
    bool FUnpackLSBFirst = false;
    uint32_t FUnpackImageHeight = 0;
    uint32_t FUnpackSkipImages = 0;
    uint32_t FUnpackRowLength = 0;
    uint32_t FUnpackSkipRows = 0;
    uint32_t FUnpackSkipPixels = 0;
    uint32_t FUnpackAlignment = 4;
    bool FPackSwapBytes = false;
    bool FPackLSBFirst = false;
    uint32_t FPackImageHeight = 0;
    uint32_t FPackSkipImages = 0;
    uint32_t FPackRowLength = 0;
    uint32_t FPackSkipRows = 0;
    uint32_t FPackSkipPixels = 0;
    uint32_t FPackAlignment = 4;
    uint32_t FPixelPackBufferBinding = 0;
    uint32_t FPixelUnpackBufferBinding = 0;
    uint32_t FCurrentProgram = 0;
    uint32_t FMaxTextureUnits = 0;
    uint32_t FUniformBufferBinding = 0;
    struct TUBOState {
        uint32_t Buffer;
        GLintptr Offset;
        GLsizeiptr Size;
    };
    TUBOState FUBOStates[2][cMaxUniformBufferBindings] = {};
    TVector4f FCurrentVertexAttrib[cMaxVertexAttribs];
    bool FEnableProgramPointSize = false;
    uint32_t FTransformFeedbackBufferBinding = 0;
    THintType FTextureCompressionHint = hintDontCare;
    THintType FPolygonSmoothHint = hintDontCare;
    THintType FFragmentShaderDerivitiveHint = hintDontCare;
    THintType FLineSmoothHint = hintDontCare;
    THintType FMultisampleFilterHint = hintDontCare;
    uint32_t FCurrentQuery[qryAnySamplesPassed + 1] = {};
    uint32_t FCopyReadBufferBinding = 0;
    uint32_t FCopyWriteBufferBinding = 0;
    bool FEnableTextureCubeMapSeamless = false;
    bool FInsideList = false;
};

// Cached values compare by value, except vectors, which compare by their bits (0.0 and -0.0 differ).
template <typename T> inline bool SameGLState(const T& A, const T& B) { return A == B; }
inline bool SameGLState(const TVector4f& A, const TVector4f& B) { return std::memcmp(&A, &B, sizeof A) == 0; }
inline bool SameGLState(const TVector4i& A, const TVector4i& B) { return std::memcmp(&A, &B, sizeof A) == 0; }

// Cached rule: outside a list an equal value is skipped and a new one stored; inside a list the call is
// always made, the attribute group recorded and the cached value left alone.
template <typename T> bool TGLStateCache::Cached(T& AField, const T& AValue, TGLStateType AType)
{
    if (FInsideList) {
        Record(AType);
        return true;
    }
    if (SameGLState(AField, AValue)) return false;
    AField = AValue;
    return true;
}

// The cached rule for a call that sets several values at once: skipped only when all are equal.
template <typename... T>
bool TGLStateCache::CachedAll(TGLStateType AType, std::tuple<T&...> AFields, std::tuple<T...> AValues)
{
    if (FInsideList) {
        Record(AType);
        return true;
    }
    const bool same = [&]<std::size_t... I>(std::index_sequence<I...>) {
        return (SameGLState(std::get<I>(AFields), std::get<I>(AValues)) && ...);
    }(std::index_sequence_for<T...>{});
    if (same) return false;
    AFields = AValues;
    return true;
}

// Plain rule: an equal value is skipped, lists or not; nothing is recorded.
template <typename T> bool TGLStateCache::Plain(T& AField, const T& AValue)
{
    if (SameGLState(AField, AValue)) return false;
    AField = AValue;
    return true;
}
