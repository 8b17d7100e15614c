// Textures and their texture images. A texture image says where a texture's pixels come from (nothing but a
// size, a platform picture, a picture file read by name, six cube faces, or an image file of any internal
// format) and delivers them as a working TGLImage on request. A texture turns that image into an OpenGL
// texture the first time it is bound in each rendering context, carries the sampler state, and sets the
// texture state of a texture unit when a material is applied. A change to an image climbs to its texture and
// from there to the texture's owner (the material).
#pragma once

#include "GLBaseClasses.h"
#include "GLGraphics.h"
#include "GLState.h"
#include "GLTextureFormat.h"
#include "GLVectorTypes.h"
#include "Graphics.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The unit name that the assertion texts of this unit's files carry.
inline constexpr const char* cGLTextureUnit = "VAVodad\\Source\\GLTexture";

class TGLColor;
class TGLCoordinates3;
class TGLCoordinates4;
class TGLTexture;
class TGLTextureHandle;
class TGLTextureImage;
class TGLVirtualHandle;
class TStrings;
struct TGLRenderContextInfo;

// The texture module's exception.
class ETexture : public Exception {
public:
    using Exception::Exception;
};

// Asked for the real name of a file before it is read; may change fileName.
using TTextureNeededEvent = std::function<void(TObject* Sender, std::string& fileName)>;

// ---------------------------------------------------------------------------------------------------------
// Texture image classes: chosen by class name at run time.

class TGLTextureImageClass {
public:
    virtual ~TGLTextureImageClass() = default;
    virtual const std::string& ClassName() const = 0;
    virtual TGLTextureImage* Create(TPersistent* AOwner) const = 0;
    virtual std::string FriendlyName() const = 0;
    virtual std::string FriendlyDescription() const = 0;
};

template <class T> class TGLTextureImageClassOf final : public TGLTextureImageClass {
public:
    const std::string& ClassName() const override { return ClassNameOf<T>(); }
    TGLTextureImage* Create(TPersistent* AOwner) const override { return new T(AOwner); }
    std::string FriendlyName() const override { return T::FriendlyName(); }
    std::string FriendlyDescription() const override { return T::FriendlyDescription(); }
};

template <class T> const TGLTextureImageClass& TextureImageClassOf()
{
    static const TGLTextureImageClassOf<T> imageClass;
    return imageClass;
}

// Appends a class (a class already registered is not added again).
void RegisterGLTextureImageClass(const TGLTextureImageClass& AClass);
// The first registered class of exactly that name, or nullptr.
const TGLTextureImageClass* FindGLTextureImageClass(const std::string& className);
// The registered classes in registration order.
const std::vector<const TGLTextureImageClass*>& GetGLTextureImageClasses();

// The picture classes of file extensions, consulted before the platform picture registry.
// extension: with its dot; kept in lower case.
void RegisterGraphicClassForExtension(const std::string& extension, TGraphicClass graphicClass);
// The platform picture registry's class for an extension (one leading dot is dropped), or nullptr.
TGraphicClass GraphicClassForPictureExtension(const std::string& extension);
// "ext=description" for every format of the platform picture registry, in registration order.
void ListPictureFileFormats(TStrings& list);
// A graphic read from the file by the class of its extension; nullptr when the file does not exist or no
// class reads the extension. Read errors pass on.
std::unique_ptr<TGraphic> CreateGraphicFromFile(const std::string& fileName);

// Registers the image kinds of this module (blank, persistent, picture file, cube map) and ".bmp" with the
// platform bitmap; start-up calls it once.
void RegisterGLTextureImageClasses();

// ---------------------------------------------------------------------------------------------------------
// Texture images

class TGLTextureImage : public TGLUpdateAbleObject {
public:
    // AOwner is the texture or nullptr; any other class fails the class cast (EConvertError).
    explicit TGLTextureImage(TPersistent* AOwner);

    static std::string FriendlyName() { return ""; }
    static std::string FriendlyDescription() { return FriendlyName(); }

    // True for kinds that upload their pixels themselves; none does.
    virtual bool UploadsItself() const { return false; }
    virtual void UploadTexture(GLenum /*target*/, TGLInternalFormat /*internalFormat*/) {}
    virtual TGLTextureTarget NativeTextureTarget() { return ttNoShape; }
    virtual int32_t Width() const { return 0; }
    virtual int32_t Height() const { return 0; }
    virtual int32_t Depth() const { return 0; }
    // The working image, owned by this image until ReleaseBitmap32; nullptr when the kind has none.
    virtual TGLImage* GetBitmap32() { return nullptr; }
    virtual void ReleaseBitmap32() {}

    // The base only asks OnTextureNeeded; saving does nothing.
    virtual void LoadFromFile(const std::string& fileName);
    virtual void SaveToFile(const std::string& /*fileName*/) {}
    // Drops the working image and tells the texture to upload again.
    virtual void Invalidate();

    // With an owner texture: marks its pixels and sampler for re-sending, lets the kind refresh its shape,
    // then tells the texture. Without one nothing happens.
    void NotifyChange(TObject* Sender) override;

    // A new 32-bit bitmap of the working image (the caller owns it); nullptr when there is none.
    std::unique_ptr<TBitmap> AsBitmap();
    void AssignToBitmap(TBitmap* aBitmap);

    TGLTexture* OwnerTexture() const { return FOwnerTexture; }
    const std::string& ResourceName() const { return FResourceFile; }
    TTextureNeededEvent OnTextureNeeded;

protected:
    // fileName after OnTextureNeeded.
    std::string DoTextureNeeded(const std::string& fileName);

    TGLTexture* FOwnerTexture;
    std::string FResourceFile;
};

// Pixels of a given size and shape, never filled: render targets and textures filled by other means. Its
// file is the text "[BlankImage]" with Width=, Height= and Depth= lines.
class TGLBlankImage : public TGLTextureImage {
public:
    explicit TGLBlankImage(TPersistent* AOwner);
    ~TGLBlankImage() override;

    static std::string FriendlyName() { return "Blank Image"; }
    static std::string FriendlyDescription() { return "Blank Image (Width x Height x Depth)"; }

    // Another blank image: its shape, then Invalidate; anything else goes into the working image. Both end
    // in NotifyChange.
    void Assign(TPersistent* Source) override;
    void SaveToFile(const std::string& fileName) override;
    // A missing file fails the assertion "Could not open file: %s"; values that are no integers raise
    // EConvertError. A missing Depth reads 1. Sizes are held within the setters' limits and the readers' caps.
    void LoadFromFile(const std::string& fileName) override;

    TGLTextureTarget NativeTextureTarget() override;
    TGLImage* GetBitmap32() override;
    void ReleaseBitmap32() override;

    int32_t Width() const override { return fWidth; }
    int32_t Height() const override { return fHeight; }
    int32_t Depth() const override { return fDepth; }
    // Values <= 0 become 1.
    void SetWidth(int32_t val);
    void SetHeight(int32_t val);
    // Negative values become 0.
    void SetDepth(int32_t val);
    bool CubeMap() const { return fCubeMap; }
    void SetCubeMap(bool val);
    bool TextureArray() const { return fArray; }
    void SetTextureArray(bool val);
    GLenum ColorFormat() const { return fColorFormat; }
    void SetColorFormat(GLenum val) { fColorFormat = val; }

private:
    // Invalidate when the value changes.
    template <class T> void Change(T& field, T value);

    std::unique_ptr<TGLImage> fBitmap;
    int32_t fWidth = 256;
    int32_t fHeight = 256;
    int32_t fDepth = 0;
    GLenum fColorFormat = GL_RGBA;
    bool fCubeMap = false;
    bool fArray = false;
};

// Pixels of a platform picture kept with the image; an empty picture gives the error image.
class TGLPictureImage : public TGLTextureImage {
public:
    explicit TGLPictureImage(TPersistent* AOwner);
    ~TGLPictureImage() override;

    // A persistent image: its picture; a graphic or picture: copied; a TGLImage: through a 32-bit bitmap,
    // with its resource name.
    void Assign(TPersistent* Source) override;

    TGLTextureTarget NativeTextureTarget() override { return ttTexture2D; }
    int32_t Width() const override;
    int32_t Height() const override;
    TGLImage* GetBitmap32() override;
    void ReleaseBitmap32() override;

    // While updating, picture changes go unheard; the outermost EndUpdate invalidates once. An EndUpdate
    // without BeginUpdate fails an assertion.
    void BeginUpdate();
    void EndUpdate();

    // Made on first use.
    TPicture* Picture();
    // The picture copies Value.
    void SetPicture(TPicture* Value);

protected:
    void PictureChanged(TObject* Sender);
    // Detaches and re-attaches the picture's change event.
    void Attach(bool on);

    std::unique_ptr<TGLImage> FBitmap;
    std::unique_ptr<TPicture> FGLPicture;
    int32_t FUpdateCounter = 0;
};

// The default kind: the picture is kept with the texture. The game loads every texture through it.
class TGLPersistentImage : public TGLPictureImage {
public:
    using TGLPictureImage::TGLPictureImage;

    static std::string FriendlyName() { return "Persistent Image"; }
    static std::string FriendlyDescription()
    {
        return "Image data is stored in its original format with other form resources,ie. in the DFM at "
               "design-time, and embedded in the EXE at run-time.";
    }

    // Reads the picture (through the file hooks when they are set); a file that cannot be found empties the
    // picture and raises ETexture "Could not open file: %s". Unreadable files raise the reader's error.
    void LoadFromFile(const std::string& fileName) override;
    void SaveToFile(const std::string& fileName) override;
};

// Pixels read from a picture file by name each time the working image is built; the picture itself is not
// kept. A missing file shows a message once (until the name changes) and gives the error image.
class TGLPicFileImage : public TGLPictureImage {
public:
    using TGLPictureImage::TGLPictureImage;

    static std::string FriendlyName() { return "PicFile Image"; }
    static std::string FriendlyDescription() { return "Image data is retrieved from a file."; }

    // Another picture-file image: its file name; otherwise as the picture kind.
    void Assign(TPersistent* Source) override;
    // A file below 512 bytes without a zero byte is a link whose content names the picture file; any other
    // file is the picture file itself.
    void LoadFromFile(const std::string& fileName) override;
    // Writes the link (nothing for an empty name).
    void SaveToFile(const std::string& fileName) override;
    void Invalidate() override;

    TGLImage* GetBitmap32() override;
    int32_t Width() const override { return FWidth; }
    int32_t Height() const override { return FHeight; }

    const std::string& PictureFileName() const { return FPictureFileName; }
    void SetPictureFileName(const std::string& val);

private:
    std::string FPictureFileName;
    bool FAlreadyWarnedAboutMissingFile = false;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
};

// Six platform pictures, the faces +X, -X, +Y, -Y, +Z, -Z of a cube map. Its file is the word 256 followed by
// six bitmap files.
class TGLCubeMapImage : public TGLTextureImage {
public:
    explicit TGLCubeMapImage(TPersistent* AOwner);
    ~TGLCubeMapImage() override;

    static std::string FriendlyName() { return "CubeMap Image"; }
    static std::string FriendlyDescription() { return "Image data is contain 6 pictures of cubemap faces."; }

    void Assign(TPersistent* Source) override;
    void SaveToFile(const std::string& fileName) override;
    // A version word other than 256 fails an assertion; unreadable bitmaps raise their reader's error. The
    // faces change only when all six were read.
    void LoadFromFile(const std::string& fileName) override;

    TGLTextureTarget NativeTextureTarget() override { return ttTextureCube; }
    int32_t Width() const override { return FPicture[0]->Width(); }
    int32_t Height() const override { return FPicture[0]->Height(); }
    // The faces at the size of the +X face; a face of another size or no picture stays black.
    TGLImage* GetBitmap32() override;
    void ReleaseBitmap32() override;

    void BeginUpdate();
    void EndUpdate();

    // index 0 to 5 in face order.
    TPicture* Picture(int32_t index) const { return FPicture.at(index).get(); }
    void SetPicture(int32_t index, TPicture* Value) { Picture(index)->Assign(Value); }

private:
    void PictureChanged(TObject* Sender);
    void Attach(int32_t index, bool on);

    std::unique_ptr<TGLImage> FImage;
    int32_t FUpdateCounter = 0;
    std::array<std::unique_ptr<TPicture>, 6> FPicture;
};

// ---------------------------------------------------------------------------------------------------------
// Textures

enum TGLTextureMode { tmDecal, tmModulate, tmBlend, tmReplace, tmAdd };
enum TGLTextureWrap { twBoth, twNone, twVertical, twHorizontal, twSeparate };
enum TGLMinFilter {
    miNearest,
    miLinear,
    miNearestMipmapNearest,
    miLinearMipmapNearest,
    miNearestMipmapLinear,
    miLinearMipmapLinear
};
enum TGLMagFilter { maNearest, maLinear };
enum TGLTextureMappingMode {
    tmmUser,
    tmmObjectLinear,
    tmmEyeLinear,
    tmmSphere,
    tmmCubeMapReflection,
    tmmCubeMapNormal,
    tmmCubeMapLight0,
    tmmCubeMapCamera
};
enum TGLTextureImageAlpha {
    tiaDefault,
    tiaAlphaFromIntensity,
    tiaSuperBlackTransparent,
    tiaLuminance,
    tiaLuminanceSqrt,
    tiaOpaque,
    tiaTopLeftPointColorTransparent,
    tiaInverseLuminance,
    tiaInverseLuminanceSqrt,
    tiaBottomRightPointColorTransparent
};
// Short-hands for internal formats; the names share their prefix with TGLInternalFormat, hence the class.
enum class TGLTextureFormat {
    tfDefault,
    tfRGB,
    tfRGBA,
    tfRGB16,
    tfRGBA16,
    tfAlpha,
    tfLuminance,
    tfLuminanceAlpha,
    tfIntensity,
    tfNormalMap,
    tfRGBAFloat16,
    tfRGBAFloat32,
    tfExtended
};
enum TGLDepthTextureMode { dtmLuminance, dtmIntensity, dtmAlpha };

// What a texture's default format and compression stand for.
constexpr TGLInternalFormat vDefaultTextureFormat = tfRGBA8;
constexpr TGLInternalCompression vDefaultTextureCompression = tcNone;

// Owners that hear of texture-mapping changes as well as of ordinary changes (materials).
class IGLTextureNotifyAble : public IGLNotifyAble {
public:
    virtual void NotifyTexMapChange(TObject* Sender) = 0;

protected:
    ~IGLTextureNotifyAble() = default;
};

class TGLTexture : public TGLUpdateAbleObject {
public:
    // Disabled, with an empty persistent image and no OpenGL objects.
    explicit TGLTexture(TPersistent* AOwner);
    ~TGLTexture() override;
    TGLTexture(const TGLTexture&) = delete;
    TGLTexture& operator=(const TGLTexture&) = delete;

    // Another texture: its settings and image; nullptr: disabled with an empty persistent image; a graphic
    // or picture: into the image.
    void Assign(TPersistent* Source) override;
    // A change of an image marks the pixels for upload, then the owner hears of it.
    void NotifyChange(TObject* Sender) override;
    void NotifyImageChange();
    void NotifyParamsChange();

    // ---- the OpenGL texture (a current rendering context is needed)
    // The name in the current context; the pixels and sampler state are sent first when they are out of
    // date there. The bindings of the active unit are left as they were.
    uint32_t Handle();
    // The name, the sampler state sent, without pixels; 0 when the image has no shape the context supports.
    uint32_t AllocateHandle();
    bool IsHandleAllocated() const;
    void DestroyHandles();
    // Uploads before a display list is compiled.
    void PrepareBuildList() { Handle(); }

    // Binds on unit 0 and sets its environment, texture generation and (for cube maps) texture matrix, then
    // routes texture coordinates to unit 0; a disabled texture only routes.
    void Apply(TGLRenderContextInfo& rci);
    void UnApply(TGLRenderContextInfo& rci);
    // Unit 1, and unit n - 1 (n counts from 1); textureMatrix may be nullptr.
    void ApplyAsTexture2(TGLRenderContextInfo& rci, const TMatrix4f* textureMatrix = nullptr)
    {
        ApplyAsTextureN(2, rci, textureMatrix);
    }
    void UnApplyAsTexture2(TGLRenderContextInfo& rci, bool reloadIdentityTextureMatrix)
    {
        UnApplyAsTextureN(2, rci, reloadIdentityTextureMatrix);
    }
    void ApplyAsTextureN(int32_t n, TGLRenderContextInfo& rci, const TMatrix4f* textureMatrix = nullptr);
    void UnApplyAsTextureN(int32_t n, TGLRenderContextInfo& rci, bool reloadIdentityTextureMatrix);
    // Texture-coordinate generation on the active unit.
    void ApplyMappingMode();
    void UnApplyMappingMode();

    // Bytes the texture occupies in OpenGL (cached until the next upload or DestroyHandles).
    int32_t TextureImageRequiredMemory() const;
    // The internal-format enum an upload would ask for.
    int32_t OpenGLTextureFormat();
    bool IsFloatType() const { return IsFloatInternalFormat(FTextureFormat); }

    // ---- settings
    TGLTextureImage* Image() const { return FImage.get(); }
    // nullptr: a new empty persistent image; an image of another class replaces the current one; then the
    // image copies Value.
    void SetImage(TGLTextureImage* Value);
    std::string GetImageClassName() const;
    // An unregistered name fails an assertion and keeps the image; no change notification.
    void SetImageClassName(const std::string& Value);

    TGLTextureImageAlpha ImageAlpha() const { return FImageAlpha; }
    void SetImageAlpha(TGLTextureImageAlpha Value) { SetImageSetting(FImageAlpha, Value); }
    float ImageBrightness() const { return FImageBrightness; }
    void SetImageBrightness(float Value) { SetImageSetting(FImageBrightness, Value); }
    float ImageGamma() const { return FImageGamma; }
    void SetImageGamma(float Value) { SetImageSetting(FImageGamma, Value); }
    TGLInternalFormat TextureFormatEx() const { return FTextureFormat; }
    void SetTextureFormatEx(TGLInternalFormat Value);
    // A view on TextureFormatEx; the normal-map choice is remembered beside its format (tfRGB8).
    TGLTextureFormat TextureFormat() const;
    // Stores the mapped format without notification; tfExtended changes nothing.
    void SetTextureFormat(TGLTextureFormat Value);
    float NormalMapScale() const { return FNormalMapScale; }
    void SetNormalMapScale(float Value);

    TGLMagFilter MagFilter() const { return FMagFilter; }
    void SetMagFilter(TGLMagFilter Value) { SetParam(FMagFilter, Value); }
    TGLMinFilter MinFilter() const { return FMinFilter; }
    void SetMinFilter(TGLMinFilter Value) { SetParam(FMinFilter, Value); }
    TGLTextureMode TextureMode() const { return FTextureMode; }
    void SetTextureMode(TGLTextureMode Value) { SetParam(FTextureMode, Value); }
    TGLTextureWrap TextureWrap() const { return FTextureWrap; }
    void SetTextureWrap(TGLTextureWrap Value) { SetParam(FTextureWrap, Value); }
    TGLSeparateTextureWrap TextureWrapS() const { return FTextureWrapS; }
    void SetTextureWrapS(TGLSeparateTextureWrap Value) { SetParam(FTextureWrapS, Value); }
    TGLSeparateTextureWrap TextureWrapT() const { return FTextureWrapT; }
    void SetTextureWrapT(TGLSeparateTextureWrap Value) { SetParam(FTextureWrapT, Value); }
    TGLSeparateTextureWrap TextureWrapR() const { return FTextureWrapR; }
    void SetTextureWrapR(TGLSeparateTextureWrap Value) { SetParam(FTextureWrapR, Value); }
    TGLInternalCompression Compression() const { return FCompression; }
    void SetCompression(TGLInternalCompression Value) { SetParam(FCompression, Value); }
    TGLTextureFilteringQuality FilteringQuality() const { return FFilteringQuality; }
    void SetFilteringQuality(TGLTextureFilteringQuality Value) { SetParam(FFilteringQuality, Value); }
    TGLTextureCompareMode TextureCompareMode() const { return fTextureCompareMode; }
    void SetTextureCompareMode(TGLTextureCompareMode Value) { SetParam(fTextureCompareMode, Value); }
    TComparisonFunction TextureCompareFunc() const { return fTextureCompareFunc; }
    void SetTextureCompareFunc(TComparisonFunction Value) { SetParam(fTextureCompareFunc, Value); }
    TGLDepthTextureMode DepthTextureMode() const { return fDepthTextureMode; }
    void SetDepthTextureMode(TGLDepthTextureMode Value) { SetParam(fDepthTextureMode, Value); }
    TGLColor* EnvColor() const { return FEnvColor.get(); }
    void SetEnvColor(TGLColor* Value);
    TGLColor* BorderColor() const { return FBorderColor.get(); }
    void SetBorderColor(TGLColor* Value);

    TGLTextureMappingMode MappingMode() const { return FMappingMode; }
    void SetMappingMode(TGLTextureMappingMode Value);
    // Made on first read.
    TGLCoordinates4* MappingSCoordinates();
    TGLCoordinates4* MappingTCoordinates();
    TGLCoordinates4* MappingRCoordinates();
    TGLCoordinates4* MappingQCoordinates();
    void SetMappingSCoordinates(TGLCoordinates4* Value);
    void SetMappingTCoordinates(TGLCoordinates4* Value);
    void SetMappingRCoordinates(TGLCoordinates4* Value);
    void SetMappingQCoordinates(TGLCoordinates4* Value);

    bool Disabled() const { return FDisabled; }
    void SetDisabled(bool Value);
    bool Enabled() const { return !FDisabled; }
    void SetEnabled(bool Value) { SetDisabled(!Value); }
    bool KeepImageAfterTransfer() const { return FKeepImageAfterTransfer; }
    void SetKeepImageAfterTransfer(bool Value) { FKeepImageAfterTransfer = Value; }

    TGLTextureHandle* TextureHandle() const { return FTextureHandle.get(); }
    int32_t TexWidth() const { return FTexWidth; }
    int32_t TexHeight() const { return FTexHeight; }
    int32_t TexDepth() const { return FTexDepth; }

    TTextureNeededEvent OnTextureNeeded;

protected:
    friend class TGLTextureImage; // marks both handles when the image changes

    virtual void UploadImage(GLenum glTarget);
    virtual void ApplySamplerParams(GLenum glTarget);

private:
    template <class T> void SetImageSetting(T& field, T value)
    {
        if (field == value) return;
        field = value;
        NotifyImageChange();
    }
    template <class T> void SetParam(T& field, T value)
    {
        if (field == value) return;
        field = value;
        NotifyParamsChange();
    }
    // A new image of that class, owned by this texture, asking this texture's OnTextureNeeded.
    void MakeImage(const TGLTextureImageClass& AClass);
    // The texture shows the error pattern from now on.
    void UseErrorImage();
    // The alpha, brightness and gamma preparations on the working image.
    void PrepareImage(TGLImage& bmp);
    void SetCubeMapTextureMatrix(TGLRenderContextInfo& rci);
    TGLCoordinates4* Coordinates(std::unique_ptr<TGLCoordinates4>& field, const TVector4f& initial);
    void ApplyEnvironment();

    std::unique_ptr<TGLTextureHandle, TFreeDeleter> FTextureHandle;
    std::unique_ptr<TGLVirtualHandle, TFreeDeleter> FSamplerHandle;
    TGLInternalFormat FTextureFormat = vDefaultTextureFormat;
    bool FNormalMap = false; // tfNormalMap was chosen for FTextureFormat
    TGLTextureMode FTextureMode = tmDecal;
    TGLTextureWrap FTextureWrap = twBoth;
    TGLMinFilter FMinFilter = miLinearMipmapLinear;
    TGLMagFilter FMagFilter = maLinear;
    bool FDisabled = true;
    std::unique_ptr<TGLTextureImage> FImage;
    TGLTextureImageAlpha FImageAlpha = tiaDefault;
    float FImageBrightness = 1.0f;
    float FImageGamma = 1.0f;
    TGLTextureMappingMode FMappingMode = tmmUser;
    std::unique_ptr<TGLCoordinates4> FMapSCoordinates, FMapTCoordinates, FMapRCoordinates, FMapQCoordinates;
    TGLInternalCompression FCompression = tcDefault;
    mutable int32_t FRequiredMemorySize = -1; // TextureImageRequiredMemory's answer, -1 until asked
    TGLTextureFilteringQuality FFilteringQuality = tfIsotropic;
    int32_t FTexWidth = 0, FTexHeight = 0, FTexDepth = 0;
    std::unique_ptr<TGLColor> FEnvColor;
    std::unique_ptr<TGLColor> FBorderColor;
    float FNormalMapScale = 0.125f;
    TGLSeparateTextureWrap FTextureWrapS = twRepeat, FTextureWrapT = twRepeat, FTextureWrapR = twRepeat;
    TGLTextureCompareMode fTextureCompareMode = tcmNone;
    TComparisonFunction fTextureCompareFunc = cfLEqual;
    TGLDepthTextureMode fDepthTextureMode = dtmLuminance;
    bool FKeepImageAfterTransfer = false;
};

// ---------------------------------------------------------------------------------------------------------
// Texture lists: further textures on numbered texture units, each with a texture matrix.

class TGLTextureEx;

class TGLTextureExItem : public TPersistent, public IGLTextureNotifyAble {
public:
    // The texture unit starts as the item's ID in its list.
    TGLTextureExItem(TGLTextureEx* ACollection, int32_t AID);
    ~TGLTextureExItem() override;
    TGLTextureExItem(const TGLTextureExItem&) = delete;
    TGLTextureExItem& operator=(const TGLTextureExItem&) = delete;

    // Another item: its texture, unit, offset and scale.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;
    // "Tex [n]" with the texture unit.
    std::string DisplayName() const;
    int32_t ID() const { return FID; }
    TGLTextureEx* Collection() const { return FCollection; }

    // Loads the texture matrix on the item's unit and applies the texture there; nothing for a disabled
    // texture. UnApply undoes only what Apply did.
    void Apply(TGLRenderContextInfo& rci);
    void UnApply(TGLRenderContextInfo& rci);
    bool Applied() const { return FApplied; }

    // To the list, which tells its owner.
    void NotifyChange(TObject* Sender) override;
    // To the list's owner when it hears of texture-mapping changes.
    void NotifyTexMapChange(TObject* Sender) override;

    TGLTexture* Texture() const { return FTexture.get(); }
    void SetTexture(TGLTexture* Value);
    int32_t TextureIndex() const { return FTextureIndex; }
    // Negative units are stored as 0.
    void SetTextureIndex(int32_t Value);
    TGLCoordinates3* TextureOffset() const { return FTextureOffset.get(); }
    void SetTextureOffset(TGLCoordinates3* Value);
    TGLCoordinates3* TextureScale() const { return FTextureScale.get(); }
    void SetTextureScale(TGLCoordinates3* Value);
    bool TextureMatrixIsIdentity() const { return FTextureMatrixIsIdentity; }
    const TMatrix4f& TextureMatrix() const { return FTextureMatrix; }
    // Identity for offset (0, 0, 0, 0) and scale (1, 1, 1, 0), else scale then offset; then NotifyChange.
    void CalculateTextureMatrix();

private:
    TGLTextureEx* FCollection;
    int32_t FID;
    std::unique_ptr<TGLTexture> FTexture;
    int32_t FTextureIndex;
    std::unique_ptr<TGLCoordinates3> FTextureOffset;
    std::unique_ptr<TGLCoordinates3> FTextureScale;
    bool FTextureMatrixIsIdentity = false;
    TMatrix4f FTextureMatrix;
    bool FApplied = false;
};

class TGLTextureEx : public TPersistent {
public:
    explicit TGLTextureEx(TGLUpdateAbleObject* AOwner);
    ~TGLTextureEx() override;
    TGLTextureEx(const TGLTextureEx&) = delete;
    TGLTextureEx& operator=(const TGLTextureEx&) = delete;

    // Another list: copies of its items; nullptr: empty.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override { return FOwner; }

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    TGLTextureExItem* Items(int32_t index) const;
    void SetItems(int32_t index, TGLTextureExItem* Value) { Items(index)->Assign(Value); }
    TGLTextureExItem* Add();
    void Delete(int32_t index);
    void Clear();

    // With ARB_multitexture: every item whose unit exists, then texture coordinates routed to the units of
    // the applied user-mapped items above unit 0 as well.
    void Apply(TGLRenderContextInfo& rci);
    void UnApply(TGLRenderContextInfo& rci);
    // Recomputes the items' texture matrices after loading.
    void Loaded();
    // Whether an item on that unit has an enabled texture.
    bool IsTextureEnabled(int32_t index) const;
    void NotifyChange(TObject* Sender);

private:
    TGLUpdateAbleObject* FOwner;
    std::vector<std::unique_ptr<TGLTextureExItem>> FItems;
    int32_t FNextID = 0;
};
