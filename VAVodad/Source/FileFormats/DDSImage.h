// The DDS picture: a platform bitmap that shows the first image of a DDS file (the +X face of a cube map, the
// first slice of a volume) at 32 bits, and writes uncompressed DDS files from 24- or 32-bit bitmaps.
#pragma once

#include "Graphics.h"

class TDDSImage : public TBitmap {
public:
    // Raises what the engine's DDS reader raises (EInvalidRasterFile) and leaves the bitmap as it was.
    void LoadFromStream(TStream& Stream) override;
    // Top row first; a transparent 32-bit bitmap keeps its alpha.
    void SaveToStream(TStream& Stream) override;
};

// Registers TDDSImage with the picture framework for "dds".
void RegisterDDSPicture();
