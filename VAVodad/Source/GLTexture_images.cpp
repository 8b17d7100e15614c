// The texture image kinds, their small file formats and the registries of image classes and picture classes.
#include "GLTexture.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"
#include "GLContext.h"
#include "GLPlatformHelpers.h"
#include "GLUtilities.h"
#include "StringLists.h"
#include "Streams.h"
#include "ZODLog.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

std::vector<const TGLTextureImageClass*>& ImageClasses()
{
    static std::vector<const TGLTextureImageClass*> classes;
    return classes;
}

struct TExtensionClass {
    std::string Extension; // lower case, with its dot
    TGraphicClass GraphicClass;
};

std::vector<TExtensionClass>& ExtensionClasses()
{
    static std::vector<TExtensionClass> classes;
    return classes;
}

// Runs f with the picture's change event detached, attaching it again on every way out.
template <class F> void WithoutChangeEvent(TPicture& picture, F f)
{
    const TScopedValue<TNotifyEvent> detached(picture.OnChange, nullptr);
    f();
}

// "Key=value" lines; the value of the first line with that key, or an empty text.
std::string ValueOfKey(const std::string& text, const std::string& key)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (equals != std::string::npos && line.compare(0, equals, key) == 0 && equals == key.size())
            return line.substr(equals + 1);
        start = end + 1;
    }
    return "";
}

int32_t Clamped(int32_t value, int32_t low, int32_t high)
{
    return std::clamp(value, low, high);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Registries

void RegisterGLTextureImageClass(const TGLTextureImageClass& AClass)
{
    auto& classes = ImageClasses();
    if (std::find(classes.begin(), classes.end(), &AClass) == classes.end()) classes.push_back(&AClass);
}

const TGLTextureImageClass* FindGLTextureImageClass(const std::string& className)
{
    for (const TGLTextureImageClass* imageClass : ImageClasses())
        if (imageClass->ClassName() == className) return imageClass;
    return nullptr;
}

const std::vector<const TGLTextureImageClass*>& GetGLTextureImageClasses()
{
    return ImageClasses();
}

void RegisterGraphicClassForExtension(const std::string& extension, TGraphicClass graphicClass)
{
    const std::string lower = LowerCase(extension);
    auto& classes = ExtensionClasses();
    const bool known = std::any_of(classes.begin(), classes.end(), [&](const TExtensionClass& entry) {
        return entry.Extension == lower && entry.GraphicClass == graphicClass;
    });
    if (!known) classes.push_back({lower, graphicClass});
}

TGraphicClass GraphicClassForPictureExtension(const std::string& extension)
{
    const std::string name = !extension.empty() && extension[0] == '.' ? extension.substr(1) : extension;
    for (const TPictureFileFormat& format : TPicture::FileFormats())
        if (SameText(format.Extension, name)) return format.GraphicClass;
    return nullptr;
}

void ListPictureFileFormats(TStrings& list)
{
    for (const TPictureFileFormat& format : TPicture::FileFormats()) list.Add(format.Entry());
}

std::unique_ptr<TGraphic> CreateGraphicFromFile(const std::string& fileName)
{
    if (!HookedFileExists(fileName)) return nullptr;
    const std::string extension = LowerCase(ExtractFileExt(fileName));
    TGraphicClass graphicClass = nullptr;
    for (const TExtensionClass& entry : ExtensionClasses())
        if (entry.Extension == extension) {
            graphicClass = entry.GraphicClass;
            break;
        }
    if (!graphicClass) graphicClass = GraphicClassForPictureExtension(extension);
    if (!graphicClass) return nullptr;
    std::unique_ptr<TGraphic> graphic(CreateGraphic(graphicClass));
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead);
    graphic->LoadFromStream(*stream);
    return graphic;
}

void RegisterGLTextureImageClasses()
{
    RegisterGLTextureImageClass(TextureImageClassOf<TGLBlankImage>());
    RegisterGLTextureImageClass(TextureImageClassOf<TGLPersistentImage>());
    RegisterGLTextureImageClass(TextureImageClassOf<TGLPicFileImage>());
    RegisterGLTextureImageClass(TextureImageClassOf<TGLCubeMapImage>());
    RegisterGraphicClassForExtension(".bmp", GraphicClass<TBitmap>());
}

// ---------------------------------------------------------------------------------------------------------
// TGLTextureImage

namespace {

TGLTexture* TextureOwner(TPersistent* AOwner)
{
    if (!AOwner) return nullptr;
    auto* texture = dynamic_cast<TGLTexture*>(AOwner);
    if (!texture) throw EConvertError("Invalid class typecast");
    return texture;
}

} // namespace

TGLTextureImage::TGLTextureImage(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner), FOwnerTexture(TextureOwner(AOwner))
{
}

void TGLTextureImage::NotifyChange(TObject* /*Sender*/)
{
    if (!FOwnerTexture) return;
    FOwnerTexture->FTextureHandle->NotifyChangesOfData();
    FOwnerTexture->FSamplerHandle->NotifyChangesOfData();
    NativeTextureTarget(); // a blank image takes its shape from its working image here
    FOwnerTexture->NotifyChange(this);
}

std::string TGLTextureImage::DoTextureNeeded(const std::string& fileName)
{
    std::string name = fileName;
    if (OnTextureNeeded) OnTextureNeeded(this, name);
    return name;
}

void TGLTextureImage::LoadFromFile(const std::string& fileName)
{
    DoTextureNeeded(fileName);
}

void TGLTextureImage::Invalidate()
{
    ReleaseBitmap32();
    NotifyChange(this);
}

std::unique_ptr<TBitmap> TGLTextureImage::AsBitmap()
{
    TGLImage* image = GetBitmap32();
    return std::unique_ptr<TBitmap>(image ? image->Create32BitsBitmap() : nullptr);
}

void TGLTextureImage::AssignToBitmap(TBitmap* aBitmap)
{
    if (TGLImage* image = GetBitmap32()) image->AssignToBitmap(aBitmap);
}

// ---------------------------------------------------------------------------------------------------------
// TGLBlankImage

TGLBlankImage::TGLBlankImage(TPersistent* AOwner) : TGLTextureImage(AOwner) {}
TGLBlankImage::~TGLBlankImage() = default;

template <class T> void TGLBlankImage::Change(T& field, T value)
{
    if (field == value) return;
    field = value;
    Invalidate();
}

void TGLBlankImage::SetWidth(int32_t val)
{
    Change(fWidth, std::max(val, 1));
}

void TGLBlankImage::SetHeight(int32_t val)
{
    Change(fHeight, std::max(val, 1));
}

void TGLBlankImage::SetDepth(int32_t val)
{
    Change(fDepth, std::max(val, 0));
}

void TGLBlankImage::SetCubeMap(bool val)
{
    Change(fCubeMap, val);
}

void TGLBlankImage::SetTextureArray(bool val)
{
    Change(fArray, val);
}

TGLImage* TGLBlankImage::GetBitmap32()
{
    if (!fBitmap) {
        fBitmap = std::make_unique<TGLImage>();
        fBitmap->SetWidth(fWidth);
        fBitmap->SetHeight(fHeight);
        fBitmap->SetDepth(fDepth);
        fBitmap->SetCubeMap(fCubeMap);
        fBitmap->SetTextureArray(fArray);
        fBitmap->SetColorFormatDataType(fColorFormat, GL_UNSIGNED_BYTE);
    }
    return fBitmap.get();
}

void TGLBlankImage::ReleaseBitmap32()
{
    fBitmap.reset();
}

TGLTextureTarget TGLBlankImage::NativeTextureTarget()
{
    if (fBitmap) {
        fWidth = fBitmap->Width();
        fHeight = fBitmap->Height();
        fDepth = fBitmap->Depth();
        fCubeMap = fBitmap->CubeMap();
        fArray = fBitmap->TextureArray();
    }
    TGLTextureTarget target = ttTexture2D;
    if (fHeight == 1) target = ttTexture1D;
    if (fCubeMap) target = ttTextureCube;
    if (fDepth > 0) target = ttTexture3D;
    if (fArray) {
        target = fDepth < 2 ? ttTexture1DArray : ttTexture2DArray;
        if (fCubeMap) target = ttTextureCubeArray;
    }
    if (FOwnerTexture && FOwnerTexture->TextureFormatEx() >= tfFLOAT_R16 &&
        FOwnerTexture->TextureFormatEx() <= tfFLOAT_RGBA32)
        target = ttTextureRect;
    return target;
}

void TGLBlankImage::Assign(TPersistent* Source)
{
    if (!Source) {
        TGLTextureImage::Assign(Source);
        return;
    }
    if (auto* blank = dynamic_cast<TGLBlankImage*>(Source)) {
        fWidth = blank->Width();
        fHeight = blank->Height();
        fDepth = blank->Depth();
        fCubeMap = blank->fCubeMap;
        fArray = blank->fArray;
        fColorFormat = blank->fColorFormat;
        FResourceFile = blank->FResourceFile;
        Invalidate();
    } else {
        GetBitmap32()->Assign(Source);
    }
    NotifyChange(this);
}

void TGLBlankImage::SaveToFile(const std::string& fileName)
{
    WriteAnsiTextFile(fileName, "[BlankImage]\r\nWidth=" + IntToStr(fWidth) + "\r\nHeight=" + IntToStr(fHeight) +
                                    "\r\nDepth=" + IntToStr(fDepth));
}

void TGLBlankImage::LoadFromFile(const std::string& fileName)
{
    const std::string name = DoTextureNeeded(fileName);
    Assert(HookedFileExists(name), Format("Could not open file: %s", {fileName}), cGLTextureUnit, 1586);
    std::string text;
    ReadAnsiTextFile(name, text);
    const int32_t width = StrToInt(ValueOfKey(text, "Width"));
    const int32_t height = StrToInt(ValueOfKey(text, "Height"));
    const std::string depth = ValueOfKey(text, "Depth");
    // Values a setter would refuse, or sizes no reader accepts, are held within those limits.
    const int32_t maxSide = static_cast<int32_t>(cMaxRasterSide);
    fWidth = Clamped(width, 1, maxSide);
    fHeight = Clamped(height, 1, maxSide);
    fDepth = depth.empty() ? 1 : Clamped(StrToInt(depth), 0, static_cast<int32_t>(cMaxRasterDepth));
}

// ---------------------------------------------------------------------------------------------------------
// TGLPictureImage

TGLPictureImage::TGLPictureImage(TPersistent* AOwner) : TGLTextureImage(AOwner) {}

TGLPictureImage::~TGLPictureImage()
{
    if (FGLPicture) FGLPicture->OnChange = nullptr;
}

TPicture* TGLPictureImage::Picture()
{
    if (!FGLPicture) {
        FGLPicture = std::make_unique<TPicture>();
        Attach(true);
    }
    return FGLPicture.get();
}

void TGLPictureImage::SetPicture(TPicture* Value)
{
    Picture()->Assign(Value);
}

void TGLPictureImage::Attach(bool on)
{
    if (!FGLPicture) return;
    if (on)
        FGLPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
    else
        FGLPicture->OnChange = nullptr;
}

void TGLPictureImage::PictureChanged(TObject* /*Sender*/)
{
    Invalidate();
}

void TGLPictureImage::BeginUpdate()
{
    ++FUpdateCounter;
    Attach(false);
}

void TGLPictureImage::EndUpdate()
{
    Assert(FUpdateCounter > 0, ClassName() + ": Unbalanced Begin/EndUpdate", cGLTextureUnit, 1715);
    --FUpdateCounter;
    if (FUpdateCounter > 0) return;
    Attach(true);
    PictureChanged(Picture());
}

int32_t TGLPictureImage::Width() const
{
    return FGLPicture ? FGLPicture->Width() : 0;
}

int32_t TGLPictureImage::Height() const
{
    return FGLPicture ? FGLPicture->Height() : 0;
}

TGLImage* TGLPictureImage::GetBitmap32()
{
    if (!FBitmap) {
        FBitmap = std::make_unique<TGLImage>();
        TPicture* picture = Picture();
        if (TGraphic* graphic = picture->Graphic())
            WithoutChangeEvent(*picture, [&] { FBitmap->Assign(graphic); });
        else
            FBitmap->SetErrorImage();
    }
    return FBitmap.get();
}

void TGLPictureImage::ReleaseBitmap32()
{
    FBitmap.reset();
}

void TGLPictureImage::Assign(TPersistent* Source)
{
    if (auto* persistent = dynamic_cast<TGLPersistentImage*>(Source)) {
        Picture()->Assign(persistent->Picture());
    } else if (dynamic_cast<TGraphic*>(Source) || dynamic_cast<TPicture*>(Source)) {
        Picture()->Assign(Source);
    } else if (auto* image = dynamic_cast<TGLImage*>(Source)) {
        const std::unique_ptr<TBitmap> bitmap(image->Create32BitsBitmap());
        Picture()->SetGraphic(bitmap.get());
        FResourceFile = image->ResourceName();
    } else {
        TGLTextureImage::Assign(Source);
    }
}

// ---------------------------------------------------------------------------------------------------------
// TGLPersistentImage

void TGLPersistentImage::LoadFromFile(const std::string& fileName)
{
    FResourceFile = fileName;
    const std::string name = DoTextureNeeded(fileName);
    if (FileIOHooksAssigned()) {
        if (std::unique_ptr<TGraphic> graphic = CreateGraphicFromFile(name)) {
            Picture()->SetGraphic(graphic.get());
            return;
        }
    } else if (HookedFileExists(name)) {
        Picture()->LoadFromFile(name);
        return;
    }
    Picture()->SetGraphic(nullptr);
    throw ETexture(Format("Could not open file: %s", {fileName}));
}

void TGLPersistentImage::SaveToFile(const std::string& fileName)
{
    Picture()->SaveToFile(fileName);
    FResourceFile = fileName;
}

// ---------------------------------------------------------------------------------------------------------
// TGLPicFileImage

void TGLPicFileImage::SetPictureFileName(const std::string& val)
{
    if (val == FPictureFileName) return;
    FPictureFileName = val;
    FResourceFile = val;
    FAlreadyWarnedAboutMissingFile = false;
    Invalidate();
}

void TGLPicFileImage::Assign(TPersistent* Source)
{
    if (auto* picFile = dynamic_cast<TGLPicFileImage*>(Source)) {
        FPictureFileName = picFile->FPictureFileName;
        FResourceFile = picFile->FResourceFile;
    } else {
        TGLPictureImage::Assign(Source);
    }
}

void TGLPicFileImage::LoadFromFile(const std::string& fileName)
{
    TGLTextureImage::LoadFromFile(fileName);
    std::string name = fileName;
    // A missing file is no link: its own name is kept, and building the image reports it.
    if (HookedFileExists(fileName) && FileByteSize(fileName) < 512) {
        std::string content;
        ReadAnsiTextFile(fileName, content);
        if (content.find('\0') == std::string::npos) name = content;
    }
    SetPictureFileName(name);
    FResourceFile = FPictureFileName;
}

void TGLPicFileImage::SaveToFile(const std::string& fileName)
{
    FResourceFile = fileName;
    WriteAnsiTextFile(fileName, FPictureFileName);
}

void TGLPicFileImage::Invalidate()
{
    TPicture* picture = Picture();
    WithoutChangeEvent(*picture, [&] {
        picture->SetGraphic(nullptr);
        ReleaseBitmap32();
    });
    TGLPictureImage::Invalidate();
}

// The file is read whenever the working image is built, so the picture is back after every release (an
// upload, a context made again), not only the first time.
TGLImage* TGLPicFileImage::GetBitmap32()
{
    if (FBitmap || FPictureFileName.empty()) return TGLPictureImage::GetBitmap32();
    TPicture* picture = Picture();
    WithoutChangeEvent(*picture, [&] {
        std::string name = FPictureFileName;
        SetCurrentDirToAppFolder();
        if (OnTextureNeeded) OnTextureNeeded(this, name);
        if (HookedFileExists(name)) {
            // A file that cannot be read shows the error image like a missing one, and is read again next time.
            try {
                picture->SetGraphic(CreateGraphicFromFile(name).get());
            } catch (const Exception& e) {
                GlobalLogSession()->LogError(e.Message());
                picture->SetGraphic(nullptr);
            }
        } else {
            picture->SetGraphic(nullptr);
            if (!FAlreadyWarnedAboutMissingFile) {
                FAlreadyWarnedAboutMissingFile = true;
                ShowMessageBoxOK(Format("Could not open file: %s\r\n(Current directory is %s)",
                                        {FPictureFileName, std::filesystem::current_path().string()}),
                                 "Error!");
            }
        }
        TGLPictureImage::GetBitmap32();
        FWidth = FBitmap->Width();
        FHeight = FBitmap->Height();
        picture->SetGraphic(nullptr);
    });
    return FBitmap.get();
}

// ---------------------------------------------------------------------------------------------------------
// TGLCubeMapImage

TGLCubeMapImage::TGLCubeMapImage(TPersistent* AOwner) : TGLTextureImage(AOwner)
{
    for (int32_t i = 0; i < 6; ++i) {
        FPicture[i] = std::make_unique<TPicture>();
        Attach(i, true);
    }
}

TGLCubeMapImage::~TGLCubeMapImage()
{
    for (auto& picture : FPicture) picture->OnChange = nullptr;
}

void TGLCubeMapImage::Attach(int32_t index, bool on)
{
    if (on)
        FPicture[index]->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
    else
        FPicture[index]->OnChange = nullptr;
}

void TGLCubeMapImage::PictureChanged(TObject* /*Sender*/)
{
    Invalidate();
}

void TGLCubeMapImage::BeginUpdate()
{
    ++FUpdateCounter;
    for (int32_t i = 0; i < 6; ++i) Attach(i, false);
}

void TGLCubeMapImage::EndUpdate()
{
    Assert(FUpdateCounter > 0, ClassName() + ": Unbalanced Begin/EndUpdate", cGLTextureUnit, 2241);
    --FUpdateCounter;
    if (FUpdateCounter > 0) return;
    for (int32_t i = 0; i < 6; ++i) Attach(i, true);
    PictureChanged(FPicture[0].get());
}

TGLImage* TGLCubeMapImage::GetBitmap32()
{
    FImage = std::make_unique<TGLImage>();
    size_t faceSize = 0;
    for (int32_t i = 0; i < 6; ++i) {
        TPicture& picture = *FPicture[i];
        WithoutChangeEvent(picture, [&] {
            TGLImage face;
            face.SetVerticalReverseOnAssignFromBitmap(true);
            if (picture.Graphic()) face.Assign(picture.Graphic());
            // Faces come in whatever row format the bitmap had; the cube holds them all as RGBA8.
            face.Narrow();
            if (i == 0) {
                if (face.IsEmpty()) return;
                FImage->SetBlank(true);
                FImage->SetWidth(face.Width());
                FImage->SetHeight(face.Height());
                FImage->SetCubeMap(true);
                FImage->SetBlank(false);
                faceSize = FImage->LevelSizeInByte(0) / 6;
            }
            // A face that does not match the first one leaves its part of the cube black.
            if (faceSize == 0 || face.IsEmpty() || face.Width() != FImage->Width() ||
                face.Height() != FImage->Height())
                return;
            std::memcpy(FImage->GetLevelAddress(0, i), face.GetLevelAddress(0),
                        std::min(faceSize, face.LevelSizeInByte(0)));
        });
    }
    return FImage.get();
}

void TGLCubeMapImage::ReleaseBitmap32()
{
    FImage.reset();
}

void TGLCubeMapImage::Assign(TPersistent* Source)
{
    auto* cube = dynamic_cast<TGLCubeMapImage*>(Source);
    if (!cube) {
        TGLTextureImage::Assign(Source);
        return;
    }
    for (int32_t i = 0; i < 6; ++i) WithoutChangeEvent(*FPicture[i], [&] { FPicture[i]->Assign(cube->Picture(i)); });
    Invalidate();
}

void TGLCubeMapImage::SaveToFile(const std::string& fileName)
{
    SaveHookedFile(fileName, [&](TStream& stream) {
        const uint16_t version = 256;
        stream.WriteBuffer(&version, sizeof(version));
        for (const auto& picture : FPicture) {
            TBitmap bitmap;
            if (picture->Graphic()) bitmap.Assign(picture->Graphic());
            bitmap.SaveToStream(stream);
        }
    });
}

void TGLCubeMapImage::LoadFromFile(const std::string& fileName)
{
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyWrite);
    uint16_t version = 0;
    stream->ReadBuffer(&version, sizeof(version));
    Assert(version == 256, "", cGLTextureUnit, 2289);
    std::array<TBitmap, 6> faces;
    for (TBitmap& face : faces) face.LoadFromStream(*stream);
    BeginUpdate();
    for (int32_t i = 0; i < 6; ++i) FPicture[i]->SetGraphic(&faces[i]);
    EndUpdate();
}
