// TGLTexture: settings, lazy upload per context, sampler state, and applying to texture units.
#include "GLTexture.h"

#include "GLColor.h"
#include "GLContext.h"
#include "GLCoordinates.h"
#include "GLPersistentClasses.h"
#include "GLPipelineTransformation.h"
#include "GLRenderContextInfo.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "VAVodad.h"
#include "XOpenGL.h"
#include "ZODLog.h"

#include <algorithm>
#include <climits>

namespace {

constexpr GLenum cTextureModeToGL[] = {GL_DECAL, GL_MODULATE, GL_BLEND, GL_REPLACE, GL_ADD};
constexpr GLenum cSeparateWrapToGL[] = {GL_REPEAT, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_BORDER, GL_MIRRORED_REPEAT,
                                        0x8743 /* GL_MIRROR_CLAMP_TO_EDGE_EXT */,
                                        0x8912 /* GL_MIRROR_CLAMP_TO_BORDER_EXT */};
constexpr GLenum cMinFilterToGL[] = {GL_NEAREST,
                                     GL_LINEAR,
                                     GL_NEAREST_MIPMAP_NEAREST,
                                     GL_LINEAR_MIPMAP_NEAREST,
                                     GL_NEAREST_MIPMAP_LINEAR,
                                     GL_LINEAR_MIPMAP_LINEAR};
constexpr GLenum cDepthTextureModeToGL[] = {GL_LUMINANCE, GL_INTENSITY, GL_ALPHA};

// The internal format behind each texture format from tfRGB on (tfNormalMap included); tfDefault stands for
// the default format and tfExtended for none.
struct TFormatRow {
    TGLTextureFormat Format;
    TGLInternalFormat Internal;
};
constexpr TFormatRow cFormatRows[] = {
    {TGLTextureFormat::tfRGB, tfRGB8},
    {TGLTextureFormat::tfRGBA, tfRGBA8},
    {TGLTextureFormat::tfRGB16, tfRGB5},
    {TGLTextureFormat::tfRGBA16, tfRGBA4},
    {TGLTextureFormat::tfAlpha, tfALPHA8},
    {TGLTextureFormat::tfLuminance, tfLUMINANCE8},
    {TGLTextureFormat::tfLuminanceAlpha, tfLUMINANCE8_ALPHA8},
    {TGLTextureFormat::tfIntensity, tfINTENSITY8},
    {TGLTextureFormat::tfNormalMap, tfRGB8},
    {TGLTextureFormat::tfRGBAFloat16, tfRGBA_FLOAT16},
    {TGLTextureFormat::tfRGBAFloat32, tfRGBA_FLOAT32},
};

bool IsMipmapFilter(TGLMinFilter filter)
{
    return filter >= miNearestMipmapNearest;
}

bool IsMultisample(TGLTextureTarget target)
{
    return target == ttTexture2DMultisample || target == ttTexture2DMultisampleArray;
}

// The S, T and R wrap of the simple wrap modes; clamp is GL_CLAMP_TO_EDGE or GL_CLAMP.
void SimpleWrap(TGLTextureWrap wrap, GLenum clamp, GLenum (&stR)[3])
{
    const bool repeatS = wrap == twBoth || wrap == twHorizontal;
    const bool repeatT = wrap == twBoth || wrap == twVertical;
    stR[0] = repeatS ? GL_REPEAT : clamp;
    stR[1] = repeatT ? GL_REPEAT : clamp;
    stR[2] = stR[1];
}

TMatrix4f OrthonormalTransposed(TMatrix4f m)
{
    MatrixOrthonormalizeInPlace(m);
    MatrixTransposeInPlace(m);
    return m;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Creation and notification

TGLTexture::TGLTexture(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner), FTextureHandle(new TGLTextureHandle()), FSamplerHandle(new TGLVirtualHandle())
{
    FSamplerHandle->OnAllocate = [](TGLContextHandle*, uint32_t& handle) { handle = 1; };
    FSamplerHandle->OnDestroy = [](TGLContextHandle*, uint32_t& handle) { handle = 0; };
    const auto paramsChanged = [this](TObject*) { NotifyParamsChange(); };
    FEnvColor = std::make_unique<TGLColor>(nullptr, ColorTransparent, paramsChanged);
    FBorderColor = std::make_unique<TGLColor>(nullptr, ColorTransparent, paramsChanged);
    MakeImage(TextureImageClassOf<TGLPersistentImage>());
}

TGLTexture::~TGLTexture()
{
    try {
        DestroyHandles();
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(e.what());
    }
}

void TGLTexture::MakeImage(const TGLTextureImageClass& AClass)
{
    std::unique_ptr<TGLTextureImage> image(AClass.Create(this));
    image->OnTextureNeeded = [this](TObject* Sender, std::string& fileName) {
        if (OnTextureNeeded) OnTextureNeeded(Sender, fileName);
    };
    FImage = std::move(image);
}

void TGLTexture::NotifyChange(TObject* Sender)
{
    if (auto* item = dynamic_cast<TGLTextureExItem*>(Owner())) item->NotifyChange(this);
    if (dynamic_cast<TGLTextureImage*>(Sender)) FTextureHandle->NotifyChangesOfData();
    TGLUpdateAbleObject::NotifyChange(Sender);
}

void TGLTexture::NotifyImageChange()
{
    FTextureHandle->NotifyChangesOfData();
    NotifyChange(this);
}

void TGLTexture::NotifyParamsChange()
{
    FSamplerHandle->NotifyChangesOfData();
    NotifyChange(this);
}

void TGLTexture::Assign(TPersistent* Source)
{
    if (auto* texture = dynamic_cast<TGLTexture*>(Source)) {
        if (texture == this) return;
        FImageAlpha = texture->FImageAlpha;
        FTextureMode = texture->FTextureMode;
        FTextureWrap = texture->FTextureWrap;
        FTextureFormat = texture->FTextureFormat;
        FNormalMap = texture->FNormalMap;
        FCompression = texture->FCompression;
        FMinFilter = texture->FMinFilter;
        FMagFilter = texture->FMagFilter;
        FMappingMode = texture->FMappingMode;
        MappingSCoordinates()->Assign(texture->MappingSCoordinates());
        MappingTCoordinates()->Assign(texture->MappingTCoordinates());
        MappingRCoordinates()->Assign(texture->MappingRCoordinates());
        MappingQCoordinates()->Assign(texture->MappingQCoordinates());
        FDisabled = texture->FDisabled;
        SetImage(texture->FImage.get());
        FImageBrightness = texture->FImageBrightness;
        FImageGamma = texture->FImageGamma;
        FFilteringQuality = texture->FFilteringQuality;
        FEnvColor->SetDirectColor(texture->FEnvColor->Color());
        FBorderColor->SetDirectColor(texture->FBorderColor->Color());
        FNormalMapScale = texture->FNormalMapScale;
    } else if (!Source) {
        FDisabled = true;
        SetImage(nullptr);
    } else if (auto* picture = dynamic_cast<TPicture*>(Source)) {
        FImage->Assign(picture->Graphic());
        return;
    } else if (dynamic_cast<TGraphic*>(Source)) {
        FImage->Assign(Source);
        return;
    } else {
        TGLUpdateAbleObject::Assign(Source);
        return;
    }
    FTextureHandle->NotifyChangesOfData();
    FSamplerHandle->NotifyChangesOfData();
}

// ---------------------------------------------------------------------------------------------------------
// Settings

void TGLTexture::SetImage(TGLTextureImage* Value)
{
    if (!Value) {
        MakeImage(TextureImageClassOf<TGLPersistentImage>());
        return;
    }
    if (Value->ClassName() != FImage->ClassName()) {
        const TGLTextureImageClass* imageClass = FindGLTextureImageClass(Value->ClassName());
        Assert(imageClass != nullptr,
               "Make sure you include the unit for " + Value->ClassName() + " in your uses clause", cGLTextureUnit,
               2533);
        MakeImage(*imageClass);
    }
    FImage->Assign(Value);
}

std::string TGLTexture::GetImageClassName() const
{
    return FImage->ClassName();
}

void TGLTexture::SetImageClassName(const std::string& Value)
{
    if (Value.empty() || Value == FImage->ClassName()) return;
    const TGLTextureImageClass* imageClass = FindGLTextureImageClass(Value);
    Assert(imageClass != nullptr, "Make sure you include the unit for " + Value + " in your uses clause",
           cGLTextureUnit, 2533);
    MakeImage(*imageClass);
}

void TGLTexture::SetTextureFormatEx(TGLInternalFormat Value)
{
    if (Value == FTextureFormat && !FNormalMap) return;
    FTextureFormat = Value;
    FNormalMap = false;
    NotifyImageChange();
}

TGLTextureFormat TGLTexture::TextureFormat() const
{
    if (FTextureFormat == vDefaultTextureFormat) return TGLTextureFormat::tfDefault;
    if (FNormalMap) return TGLTextureFormat::tfNormalMap;
    for (const TFormatRow& row : cFormatRows)
        if (row.Internal == FTextureFormat) return row.Format;
    return TGLTextureFormat::tfExtended;
}

void TGLTexture::SetTextureFormat(TGLTextureFormat Value)
{
    if (Value == TGLTextureFormat::tfExtended) return;
    FNormalMap = Value == TGLTextureFormat::tfNormalMap;
    if (Value == TGLTextureFormat::tfDefault) {
        FTextureFormat = vDefaultTextureFormat;
        return;
    }
    for (const TFormatRow& row : cFormatRows)
        if (row.Format == Value) FTextureFormat = row.Internal;
}

void TGLTexture::SetNormalMapScale(float Value)
{
    if (Value == FNormalMapScale) return;
    FNormalMapScale = Value;
    if (TextureFormat() == TGLTextureFormat::tfNormalMap) NotifyImageChange();
}

void TGLTexture::SetEnvColor(TGLColor* Value)
{
    FEnvColor->Assign(Value);
    NotifyParamsChange();
}

void TGLTexture::SetBorderColor(TGLColor* Value)
{
    FBorderColor->Assign(Value);
    NotifyParamsChange();
}

void TGLTexture::SetDisabled(bool Value)
{
    if (Value == FDisabled) return;
    FDisabled = Value;
    if (auto* owner = dynamic_cast<IGLTextureNotifyAble*>(Owner()))
        owner->NotifyTexMapChange(this);
    else
        NotifyChange(this);
}

void TGLTexture::SetMappingMode(TGLTextureMappingMode Value)
{
    if (Value == FMappingMode) return;
    const bool texMapChange = (FMappingMode == tmmUser) != (Value == tmmUser);
    FMappingMode = Value;
    if (!texMapChange)
        NotifyChange(this);
    else if (auto* owner = dynamic_cast<IGLTextureNotifyAble*>(Owner()))
        owner->NotifyTexMapChange(this);
}

TGLCoordinates4* TGLTexture::Coordinates(std::unique_ptr<TGLCoordinates4>& field, const TVector4f& initial)
{
    if (!field) field = std::make_unique<TGLCoordinates4>(this, initial, CsVector);
    return field.get();
}

TGLCoordinates4* TGLTexture::MappingSCoordinates()
{
    return Coordinates(FMapSCoordinates, TVector4f{{{1, 0, 0, 0}}});
}
TGLCoordinates4* TGLTexture::MappingTCoordinates()
{
    return Coordinates(FMapTCoordinates, TVector4f{{{0, 1, 0, 0}}});
}
TGLCoordinates4* TGLTexture::MappingRCoordinates()
{
    return Coordinates(FMapRCoordinates, TVector4f{{{0, 0, 1, 0}}});
}
TGLCoordinates4* TGLTexture::MappingQCoordinates()
{
    return Coordinates(FMapQCoordinates, TVector4f{{{0, 0, 0, 1}}});
}
void TGLTexture::SetMappingSCoordinates(TGLCoordinates4* Value)
{
    MappingSCoordinates()->Assign(Value);
}
void TGLTexture::SetMappingTCoordinates(TGLCoordinates4* Value)
{
    MappingTCoordinates()->Assign(Value);
}
void TGLTexture::SetMappingRCoordinates(TGLCoordinates4* Value)
{
    MappingRCoordinates()->Assign(Value);
}
void TGLTexture::SetMappingQCoordinates(TGLCoordinates4* Value)
{
    MappingQCoordinates()->Assign(Value);
}

// ---------------------------------------------------------------------------------------------------------
// The OpenGL texture

uint32_t TGLTexture::Handle()
{
    TGLStateCache& states = *GetCurrentGLContextOrAbort()->GLStates();
    // Up to date in this context: nothing to send, and the bindings stay as they are.
    if (const uint32_t current = FTextureHandle->Handle(); current != 0 && !FTextureHandle->IsDataNeedUpdate() &&
                                                           !FSamplerHandle->IsDataNeedUpdate() &&
                                                           FImage->NativeTextureTarget() == FTextureHandle->Target())
        return current;
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    const int32_t unit = states.ActiveTexture();
    if (states.TextureBinding(unit, FTextureHandle->Target()) == FTextureHandle->Handle())
        states.SetTextureBinding(unit, FTextureHandle->Target(), 0);
    uint32_t saved[cMaxTextureTargets];
    for (int32_t t = 0; t < cMaxTextureTargets; ++t) saved[t] = states.TextureBinding(unit, TGLTextureTarget(t));
    const auto restore = [&] {
        for (int32_t t = ttTexture1D; t < cMaxTextureTargets; ++t)
            states.SetTextureBinding(unit, TGLTextureTarget(t), saved[t]);
    };
    return TryFinally(
        [&] {
            uint32_t name = AllocateHandle();
            // A failed upload switches to the error image on a new texture, which is uploaded in a second round.
            for (int round = 0; round < 2 && FTextureHandle->IsDataNeedUpdate(); ++round) {
                FTextureHandle->NotifyDataUpdated();
                const TGLTextureTarget imageTarget = FImage->NativeTextureTarget();
                if (imageTarget == ttNoShape) break; // no shape yet: nothing to upload
                GLenum glTarget = TextureTargetToGLEnum(imageTarget);
                if (!IsGLTargetSupported(glTarget) || !IsInternalFormatSupported(FTextureFormat)) {
                    UseErrorImage();
                    name = FTextureHandle->Handle();
                    FTextureHandle->NotifyDataUpdated();
                    glTarget = GL_TEXTURE_2D;
                }
                if (!gl->EXT_direct_state_access)
                    states.SetTextureBinding(states.ActiveTexture(), FTextureHandle->Target(), name);
                UploadImage(glTarget);
                name = FTextureHandle->Handle();
            }
            return name;
        },
        restore);
}

uint32_t TGLTexture::AllocateHandle()
{
    const TGLTextureTarget target = FImage->NativeTextureTarget();
    if (target != ttNoShape && FTextureHandle->Target() != ttNoShape && target != FTextureHandle->Target())
        FTextureHandle->DestroyHandle();
    uint32_t name = FTextureHandle->Handle();
    if (name == 0) {
        FTextureHandle->AllocateHandle();
        name = FTextureHandle->Handle();
    }
    if (FTextureHandle->IsDataNeedUpdate()) {
        FTextureHandle->SetTarget(target);
        FSamplerHandle->NotifyChangesOfData();
    }
    if (FSamplerHandle->Handle() == 0) FSamplerHandle->AllocateHandle();
    if (FTextureHandle->Target() == ttNoShape || !IsTextureTargetSupported(FTextureHandle->Target())) return 0;
    if (!FSamplerHandle->IsDataNeedUpdate()) return name;
    TGLStateCache& states = *GetCurrentGLContextOrAbort()->GLStates();
    states.SetTextureBinding(states.ActiveTexture(), FTextureHandle->Target(), name);
    ApplySamplerParams(TextureTargetToGLEnum(FTextureHandle->Target()));
    FSamplerHandle->NotifyDataUpdated();
    return name;
}

bool TGLTexture::IsHandleAllocated() const
{
    return FTextureHandle->Handle() != 0;
}

void TGLTexture::DestroyHandles()
{
    FTextureHandle->DestroyHandle();
    FSamplerHandle->DestroyHandle();
    FRequiredMemorySize = -1;
}

void TGLTexture::UseErrorImage()
{
    TGLImage errorImage;
    errorImage.SetErrorImage();
    MakeImage(TextureImageClassOf<TGLBlankImage>());
    FImage->Assign(&errorImage);
    SetMagFilter(maNearest);
    SetMinFilter(miNearest);
    SetTextureWrap(twBoth);
    SetMappingMode(tmmUser);
    SetCompression(tcNone);
    // The pattern must be shown in a format every driver takes, and a blank image rebuilt after its release
    // has no pixels: the format goes back to the default and the pattern is kept for every later upload.
    FTextureFormat = vDefaultTextureFormat;
    FNormalMap = false;
    FKeepImageAfterTransfer = true;
    AllocateHandle();
}

void TGLTexture::PrepareImage(TGLImage& bmp)
{
    switch (FImageAlpha) {
    case tiaDefault: break;
    case tiaAlphaFromIntensity:
    case tiaLuminance: bmp.SetAlphaFromIntensity(); break;
    case tiaSuperBlackTransparent: bmp.SetAlphaTransparentForColor(TGLPixel24{0, 0, 0}); break;
    case tiaLuminanceSqrt:
        bmp.SetAlphaFromIntensity();
        bmp.SqrtAlpha();
        break;
    case tiaOpaque: bmp.SetAlphaToValue(255); break;
    case tiaTopLeftPointColorTransparent:
    case tiaBottomRightPointColorTransparent: {
        bmp.Narrow();
        const int32_t index = FImageAlpha == tiaTopLeftPointColorTransparent ? 0 : bmp.Width() - 1;
        if (bmp.Data() && !bmp.Blank() && index >= 0) bmp.SetAlphaTransparentForColor(bmp.Data()[index]);
        break;
    }
    case tiaInverseLuminance:
        bmp.SetAlphaFromIntensity();
        bmp.InvertAlpha();
        break;
    case tiaInverseLuminanceSqrt:
        bmp.SetAlphaFromIntensity();
        bmp.SqrtAlpha();
        bmp.InvertAlpha();
        break;
    }
    if (FImageBrightness != 1.0f) bmp.BrightnessCorrection(FImageBrightness);
    if (FImageGamma != 1.0f) bmp.GammaCorrection(FImageGamma);
}

int32_t TGLTexture::OpenGLTextureFormat()
{
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    TGLInternalCompression compression = tcNone;
    if (gl->ARB_texture_compression && TextureFormat() != TGLTextureFormat::tfExtended) {
        compression = FCompression == tcDefault ? vDefaultTextureCompression : FCompression;
        if (compression == tcDefault || IsFloatType()) compression = tcNone;
    }
    if (compression == tcNone || TextureFormat() > TGLTextureFormat::tfNormalMap)
        return static_cast<int32_t>(InternalFormatToGLEnum(FTextureFormat));
    if (TGLContext* context = GetCurrentGLContext()) {
        static constexpr THintType cHints[] = {hintDontCare, hintDontCare, hintDontCare, hintNicest, hintFastest};
        context->GLStates()->SetTextureCompressionHint(cHints[compression]);
    }
    return static_cast<int32_t>(InternalFormatToGenericCompressed(FTextureFormat));
}

void TGLTexture::UploadImage(GLenum glTarget)
{
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    if (FImage->UploadsItself()) {
        FImage->UploadTexture(glTarget, FTextureFormat);
    } else {
        TGLImage* bmp = nullptr;
        try {
            bmp = FImage->GetBitmap32();
        } catch (const Exception& e) {
            // A picture that cannot be read shows the error image; the program goes on.
            GlobalLogSession()->LogError(e.Message());
            UseErrorImage();
            return;
        }
        if (!bmp || bmp->IsEmpty()) return;
        if (TextureFormat() == TGLTextureFormat::tfNormalMap)
            bmp->GrayScaleToNormalMap(FNormalMapScale, FTextureWrap == twBoth || FTextureWrap == twHorizontal,
                                      FTextureWrap == twBoth || FTextureWrap == twVertical);
        PrepareImage(*bmp);
        const GLenum format = static_cast<GLenum>(OpenGLTextureFormat());
        bmp->RegisterAsOpenGLTexture(FTextureHandle.get(), IsMipmapFilter(FMinFilter), format, FTexWidth, FTexHeight,
                                     FTexDepth);
    }
    if (gl->GetError() != GL_NO_ERROR) {
        gl->ClearError();
        UseErrorImage();
        return;
    }
    FRequiredMemorySize = -1;
    TextureImageRequiredMemory();
    if (!FKeepImageAfterTransfer) FImage->ReleaseBitmap32();
}

void TGLTexture::ApplySamplerParams(GLenum glTarget)
{
    if (glTarget == GL_TEXTURE_2D_MULTISAMPLE || glTarget == GL_TEXTURE_2D_MULTISAMPLE_ARRAY) return;
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    TGLStateCache& states = *GetCurrentGLContextOrAbort()->GLStates();
    states.SetUnpackAlignment(1);
    states.SetUnpackRowLength(0);
    states.SetUnpackSkipRows(0);
    states.SetUnpackSkipPixels(0);
    gl->TexParameterfv(glTarget, GL_TEXTURE_BORDER_COLOR, FBorderColor->AsAddress());

    const bool hasR = gl->ARB_texture_cube_map || gl->EXT_texture3D;
    GLenum wrap[3];
    if (gl->VERSION_1_2 || gl->EXT_texture_edge_clamp) {
        if (FTextureWrap == twSeparate) {
            wrap[0] = cSeparateWrapToGL[FTextureWrapS];
            wrap[1] = cSeparateWrapToGL[FTextureWrapT];
            wrap[2] = cSeparateWrapToGL[FTextureWrapR];
        } else {
            SimpleWrap(FTextureWrap, GL_CLAMP_TO_EDGE, wrap);
        }
        gl->TexParameteri(glTarget, GL_TEXTURE_WRAP_S, GLint(wrap[0]));
        gl->TexParameteri(glTarget, GL_TEXTURE_WRAP_T, GLint(wrap[1]));
        if (hasR) gl->TexParameteri(glTarget, GL_TEXTURE_WRAP_R, GLint(wrap[2]));
    } else {
        SimpleWrap(FTextureWrap, GL_CLAMP, wrap);
        gl->TexParameteri(glTarget, GL_TEXTURE_WRAP_S, GLint(wrap[0]));
        gl->TexParameteri(glTarget, GL_TEXTURE_WRAP_T, GLint(wrap[1]));
    }

    TGLMinFilter filter = FMinFilter;
    if (glTarget == GL_TEXTURE_RECTANGLE || !(gl->EXT_texture_lod || gl->SGIS_texture_lod)) {
        if (filter == miNearestMipmapNearest || filter == miNearestMipmapLinear) filter = miNearest;
        if (filter == miLinearMipmapNearest || filter == miLinearMipmapLinear) filter = miLinear;
    }
    gl->TexParameteri(glTarget, GL_TEXTURE_MIN_FILTER, GLint(cMinFilterToGL[filter]));
    gl->TexParameteri(glTarget, GL_TEXTURE_MAG_FILTER, FMagFilter == maNearest ? GL_NEAREST : GL_LINEAR);

    if (gl->EXT_texture_filter_anisotropic)
        gl->TexParameteri(glTarget, GL_TEXTURE_MAX_ANISOTROPY_EXT, FFilteringQuality == tfIsotropic ? 1 : 2);

    if (IsDepthInternalFormat(FTextureFormat)) {
        gl->TexParameteri(glTarget, GL_TEXTURE_COMPARE_MODE,
                          fTextureCompareMode == tcmNone ? GL_NONE : GL_COMPARE_R_TO_TEXTURE);
        gl->TexParameteri(glTarget, GL_TEXTURE_COMPARE_FUNC,
                          GLint(cGLComparisonFunctionToGLEnum[fTextureCompareFunc]));
        if (!states.ForwardContext())
            gl->TexParameteri(glTarget, GL_DEPTH_TEXTURE_MODE, GLint(cDepthTextureModeToGL[fDepthTextureMode]));
    }
}

int32_t TGLTexture::TextureImageRequiredMemory() const
{
    if (FRequiredMemorySize >= 0) return FRequiredMemorySize;
    int64_t w = FImage->Width(), h = FImage->Height();
    if (IsCompressedInternalFormat(FTextureFormat)) {
        w = (w + 3) / 4;
        h = (h + 3) / 4;
    }
    const int64_t es = InternalFormatElementSize(FTextureFormat);
    int64_t size = w * h * es;
    if (FImage->Depth() > 0) size *= FImage->Depth();
    if (IsMipmapFilter(FMinFilter))
        for (int64_t m = size; m > es;) {
            m /= 4;
            size += m;
        }
    if (FImage->NativeTextureTarget() == ttTextureCube) size *= 6;
    FRequiredMemorySize = static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX));
    return FRequiredMemorySize;
}

// ---------------------------------------------------------------------------------------------------------
// Applying to texture units

void TGLTexture::ApplyEnvironment()
{
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    gl->TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLint(cTextureModeToGL[FTextureMode]));
    gl->TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, FEnvColor->AsAddress());
}

void TGLTexture::SetCubeMapTextureMatrix(TGLRenderContextInfo& rci)
{
    const TMatrix4f view = OrthonormalTransposed(rci.PipelineTransformation->ViewMatrix());
    TMatrix4f m;
    switch (FMappingMode) {
    case tmmCubeMapReflection:
    case tmmCubeMapNormal: rci.GLStates->SetGLTextureMatrix(view); break;
    case tmmCubeMapLight0: {
        auto* light = rci.lights && rci.lights->Count() > 0
                          ? dynamic_cast<TGLBaseSceneObject*>(rci.lights->Items(0))
                          : nullptr;
        if (!light) break;
        TMatrix4f lightMatrix = light->AbsoluteMatrix();
        MatrixOrthonormalizeInPlace(lightMatrix);
        MatrixProduct(lightMatrix, view, m);
        rci.GLStates->SetGLTextureMatrix(m);
        break;
    }
    case tmmCubeMapCamera: {
        TMatrix4f camera;
        HmgCross(rci.cameraUp, rci.cameraDirection, camera.X);
        camera.X.W = 0;
        camera.Y = TVector4f{{{-rci.cameraDirection.X, -rci.cameraDirection.Y, -rci.cameraDirection.Z,
                               -rci.cameraDirection.W}}};
        camera.Z = rci.cameraUp;
        camera.W = TVector4f{{{0, 0, 0, 1}}};
        MatrixProduct(camera, view, m);
        rci.GLStates->SetGLTextureMatrix(m);
        break;
    }
    default: break;
    }
}

void TGLTexture::Apply(TGLRenderContextInfo& rci)
{
    if (IsMultisample(FTextureHandle->Target())) return;
    const uint32_t name = Handle();
    TGLStateCache& states = *rci.GLStates;
    if (!FDisabled && name != 0) {
        const TGLTextureTarget target = FTextureHandle->Target();
        states.SetActiveTexture(0);
        states.SetTextureBinding(0, target, name);
        states.SetActiveTextureEnabled(target, true);
        if (states.ForwardContext()) return;
        if (target == ttTextureCube) SetCubeMapTextureMatrix(rci);
        ApplyEnvironment();
        ApplyMappingMode();
        GetCurrentMultitextureCoordinator()->MapTexCoordToMain();
    } else if (!states.ForwardContext()) {
        GetCurrentMultitextureCoordinator()->MapTexCoordToMain();
    }
}

void TGLTexture::UnApply(TGLRenderContextInfo& rci)
{
    const TGLTextureTarget target = FTextureHandle->Target();
    TGLStateCache& states = *rci.GLStates;
    if (FDisabled || states.ForwardContext() || target == ttNoShape || IsMultisample(target)) return;
    states.SetActiveTexture(0);
    states.SetActiveTextureEnabled(target, false);
    if (target == ttTextureCube) states.ResetGLTextureMatrix();
    UnApplyMappingMode();
}

void TGLTexture::ApplyAsTextureN(int32_t n, TGLRenderContextInfo& rci, const TMatrix4f* textureMatrix)
{
    if (FDisabled || IsMultisample(FTextureHandle->Target())) return;
    TGLStateCache& states = *rci.GLStates;
    states.SetActiveTexture(n - 1);
    const uint32_t name = Handle();
    const TGLTextureTarget target = FTextureHandle->Target();
    if (name == 0 || target == ttNoShape) {
        // Nothing the unit could show.
        states.SetActiveTexture(0);
        return;
    }
    states.SetTextureBinding(n - 1, target, name);
    states.SetActiveTextureEnabled(target, true);
    if (textureMatrix)
        states.SetGLTextureMatrix(*textureMatrix);
    else if (target == ttTextureCube)
        states.SetGLTextureMatrix(OrthonormalTransposed(rci.PipelineTransformation->ModelViewMatrix()));
    if (states.ForwardContext()) return;
    ApplyEnvironment();
    ApplyMappingMode();
    states.SetActiveTexture(0);
}

void TGLTexture::UnApplyAsTextureN(int32_t n, TGLRenderContextInfo& rci, bool reloadIdentityTextureMatrix)
{
    const TGLTextureTarget target = FTextureHandle->Target();
    TGLStateCache& states = *rci.GLStates;
    if (states.ForwardContext() || IsMultisample(target) || target == ttNoShape) return;
    states.SetActiveTexture(n - 1);
    states.SetActiveTextureEnabled(target, false);
    UnApplyMappingMode();
    if (reloadIdentityTextureMatrix || target == ttTextureCube) states.ResetGLTextureMatrix();
    states.SetActiveTexture(0);
}

void TGLTexture::ApplyMappingMode()
{
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    const bool withRQ = gl->ARB_texture_cube_map || gl->EXT_texture3D;
    const GLenum coords[4] = {GL_S, GL_T, GL_R, GL_Q};
    const GLenum gens[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
    TGLCoordinates4* const planes[4] = {MappingSCoordinates(), MappingTCoordinates(), MappingRCoordinates(),
                                        MappingQCoordinates()};
    // mode (0: leave the mode as it is) and plane (0: none) for the first count coordinates, then enabled.
    const auto generate = [&](int count, GLint mode, GLenum plane) {
        for (int i = 0; i < count; ++i) {
            if (mode) gl->TexGeni(coords[i], GL_TEXTURE_GEN_MODE, mode);
            if (plane) gl->TexGenfv(coords[i], plane, planes[i]->AsAddress());
            gl->Enable(gens[i]);
        }
    };
    switch (FMappingMode) {
    case tmmUser: break;
    case tmmObjectLinear: generate(withRQ ? 4 : 2, GL_OBJECT_LINEAR, GL_OBJECT_PLANE); break;
    case tmmEyeLinear:
        gl->TexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
        gl->TexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
        gl->MatrixMode(GL_MODELVIEW);
        gl->PushMatrix();
        gl->LoadIdentity();
        generate(withRQ ? 4 : 2, 0, GL_EYE_PLANE);
        gl->PopMatrix();
        break;
    case tmmSphere: generate(2, GL_SPHERE_MAP, 0); break;
    case tmmCubeMapReflection:
    case tmmCubeMapCamera:
        if (gl->ARB_texture_cube_map) generate(3, GL_REFLECTION_MAP, 0);
        break;
    case tmmCubeMapNormal:
    case tmmCubeMapLight0:
        if (gl->ARB_texture_cube_map) generate(3, GL_NORMAL_MAP, 0);
        break;
    default: Assert(false, "", cGLTextureUnit, 3155);
    }
}

void TGLTexture::UnApplyMappingMode()
{
    if (FMappingMode == tmmUser) return;
    TGLExtensionsAndEntryPoints* const gl = GetCurrentGL();
    gl->Disable(GL_TEXTURE_GEN_S);
    gl->Disable(GL_TEXTURE_GEN_T);
    if (gl->ARB_texture_cube_map || gl->EXT_texture3D) {
        gl->Disable(GL_TEXTURE_GEN_R);
        gl->Disable(GL_TEXTURE_GEN_Q);
    }
}
