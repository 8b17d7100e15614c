// The composite texture image: an image in any internal format, read and written through the raster file
// formats (DDS with its compressed formats and mipmaps, for instance), uploaded as it is.
#pragma once

#include "GLTexture.h"

class TGLCompositeImage : public TGLTextureImage {
public:
    explicit TGLCompositeImage(TPersistent* AOwner);
    ~TGLCompositeImage() override;

    static std::string FriendlyName() { return "Composite Image"; }
    static std::string FriendlyDescription() { return "Image contained any internal formats of OpenGL textures"; }

    // Another composite image (its working image), an image or a graphic: copied, then the owner's format
    // follows.
    void Assign(TPersistent* Source) override;
    // Through the raster format of the file name; the owner texture takes the image's internal format.
    void LoadFromFile(const std::string& fileName) override;
    // The format found by the stream's signature; nothing happens when fewer than 200 bytes are left.
    void LoadFromStream(TStream& stream);
    // The owner's texture read back from OpenGL when possible, else the working image.
    void SaveToFile(const std::string& fileName) override;

    TGLTextureTarget NativeTextureTarget() override;
    TGLImage* GetBitmap32() override;
    void ReleaseBitmap32() override;

    int32_t Width() const override { return FWidth; }
    int32_t Height() const override { return FHeight; }
    int32_t Depth() const override { return FDepth; }
    // Values <= 0 become 1; negative depths 0.
    void SetWidth(int32_t val);
    void SetHeight(int32_t val);
    void SetDepth(int32_t val);

private:
    // The working image takes source (an image or a platform graphic); the sizes, the resource name and the
    // owner's format follow.
    void TakeImage(TPersistent* source, const std::string& resourceName);

    std::unique_ptr<TGLImage> FBitmap;
    int32_t FWidth = 256;
    int32_t FHeight = 256;
    int32_t FDepth = 0;
};

// Registers TGLCompositeImage among the texture image classes; start-up calls it once.
void RegisterGLCompositeImage();
