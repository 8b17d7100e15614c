#include "GLCompositeImage.h"

#include "GLContext.h"

#include <algorithm>

TGLCompositeImage::TGLCompositeImage(TPersistent* AOwner) : TGLTextureImage(AOwner) {}
TGLCompositeImage::~TGLCompositeImage() = default;

void TGLCompositeImage::SetWidth(int32_t val)
{
    val = std::max(val, 1);
    if (val == FWidth) return;
    FWidth = val;
    Invalidate();
}

void TGLCompositeImage::SetHeight(int32_t val)
{
    val = std::max(val, 1);
    if (val == FHeight) return;
    FHeight = val;
    Invalidate();
}

void TGLCompositeImage::SetDepth(int32_t val)
{
    val = std::max(val, 0);
    if (val == FDepth) return;
    FDepth = val;
    Invalidate();
}

TGLImage* TGLCompositeImage::GetBitmap32()
{
    if (!FBitmap) {
        FBitmap = std::make_unique<TGLImage>();
        FBitmap->SetBlank(true);
        FWidth = 256;
        FHeight = 256;
        FDepth = 0;
        FBitmap->SetWidth(FWidth);
        FBitmap->SetHeight(FHeight);
        FBitmap->SetDepth(FDepth);
    }
    return FBitmap.get();
}

void TGLCompositeImage::ReleaseBitmap32()
{
    FBitmap.reset();
}

TGLTextureTarget TGLCompositeImage::NativeTextureTarget()
{
    return FBitmap ? FBitmap->GetTextureTarget() : ttNoShape;
}

void TGLCompositeImage::TakeImage(TPersistent* source, const std::string& resourceName)
{
    if (!FBitmap) FBitmap = std::make_unique<TGLImage>();
    FBitmap->Assign(source);
    FWidth = FBitmap->Width();
    FHeight = FBitmap->Height();
    FDepth = FBitmap->Depth();
    FResourceFile = resourceName;
    if (FOwnerTexture) FOwnerTexture->SetTextureFormatEx(FBitmap->InternalFormat());
    NotifyChange(this);
}

void TGLCompositeImage::LoadFromFile(const std::string& fileName)
{
    if (fileName.empty()) return;
    std::unique_ptr<TGLBaseImage> image(GetRasterFileFormats().FindFromFileName(fileName).Create());
    image->LoadFromFile(fileName);
    TakeImage(image.get(), image->ResourceName());
}

void TGLCompositeImage::LoadFromStream(TStream& stream)
{
    if (stream.Size() - stream.Position() < 200) return;
    std::unique_ptr<TGLBaseImage> image(GetRasterFileFormats().FindFromStream(stream).Create());
    image->LoadFromStream(stream);
    TakeImage(image.get(), "");
}

void TGLCompositeImage::SaveToFile(const std::string& fileName)
{
    if (fileName.empty()) return;
    std::unique_ptr<TGLBaseImage> image(GetRasterFileFormats().FindFromFileName(fileName).Create());
    const bool readBack = FOwnerTexture && GetCurrentGLContext() &&
                          image->AssignFromTexture(FOwnerTexture->TextureHandle(), false,
                                                   FOwnerTexture->TextureFormatEx());
    if (!readBack) image->Assign(GetBitmap32());
    image->SaveToFile(fileName);
    FResourceFile = fileName;
}

void TGLCompositeImage::Assign(TPersistent* Source)
{
    if (!Source) {
        TGLTextureImage::Assign(Source);
        return;
    }
    if (auto* composite = dynamic_cast<TGLCompositeImage*>(Source))
        TakeImage(composite->GetBitmap32(), composite->ResourceName());
    else if (auto* image = dynamic_cast<TGLBaseImage*>(Source))
        TakeImage(image, image->ResourceName());
    else
        TakeImage(Source, "");
}

void RegisterGLCompositeImage()
{
    RegisterGLTextureImageClass(TextureImageClassOf<TGLCompositeImage>());
}
