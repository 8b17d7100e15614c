// TGA files as engine images: uncompressed or run-length encoded true colour at 16, 24 or 32 bits and grey
// at 8 bits, stored with either origin. The engine reads them; it does not write them.
#pragma once

#include "GLGraphics.h"

class TGLTGAImage : public TGLBaseImage {
public:
    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }

    void LoadFromStream(TStream& stream) override;
    // Raises EInvalidRasterFile "Saving ... images is not supported" and leaves the stream untouched.
    void SaveToStream(TStream& stream) override;
};

// Registers "tga" in the raster format registry.
void RegisterGLFileTGA();
