// DDS files as engine images: mip levels, cube maps, volumes and DXT or uncompressed pixels, read and written.
#pragma once

#include "GLGraphics.h"

// Mip levels dropped from the top when reading: 0 keeps them all, 1 the largest, 2 the two largest.
extern int32_t vDDSDetailLevel;
// Levels of images that are not cube maps are turned bottom row first on reading and back on writing.
extern bool vVerticalFlipDDS;

class TGLDDSImage : public TGLBaseImage {
public:
    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead | dfcWrite; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }

    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

    using TGLBaseImage::AssignFromTexture;
    // Every level (and face) of the texture textureHandle for textureTarget, read in textureContext; the
    // internal format is the texture's with CurrentFormat, else intFormat, its pixels in the DDS order of the
    // mask table where it has a row.
    void AssignFromTexture(TGLContext* textureContext, uint32_t textureHandle, TGLTextureTarget textureTarget,
                           bool CurrentFormat, TGLInternalFormat intFormat);

private:
    // Bytes of one face of a level as the file stores it, without the image buffer's padding.
    size_t FileLevelBytes(int32_t width, int32_t height, int32_t depth) const;
    void FlipLevelVertically(uint8_t* data, int32_t width, int32_t height, int32_t depth) const;
};

// Registers "dds" in the raster format registry.
void RegisterGLFileDDS();
