// PNG files as engine images, read and written through the picture layer's PNG codec.
#pragma once

#include "GLGraphics.h"

class TGLPNGImage : public TGLBaseImage {
public:
    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead | dfcWrite; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }

    // Any colour type and depth: palettes and grey below 8 bits are expanded, transparency becomes alpha,
    // 16-bit samples stay 16-bit in the machine's byte order.
    void LoadFromStream(TStream& stream) override;
    // Level 0 of an 8- or 16-bit grey, grey+alpha, RGB or RGBA image.
    void SaveToStream(TStream& stream) override;

    using TGLBaseImage::AssignFromTexture;
    // Level 0 of the 2D or rectangle texture textureHandle, read in textureContext; the internal format is
    // the texture's with CurrentFormat, else intFormat. Other targets read nothing.
    void AssignFromTexture(TGLContext* textureContext, uint32_t textureHandle, TGLTextureTarget textureTarget,
                           bool CurrentFormat, TGLInternalFormat intFormat);
};

// Registers "png" in the raster format registry.
void RegisterGLFilePNG();
