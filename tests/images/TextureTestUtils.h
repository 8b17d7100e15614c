// Helpers of the texture tests: small bitmaps with known corners, with the tests' scratch folder
// (TempFolder.h) and the message of an exception (Raises.h).
#pragma once

#include "Graphics.h"
#include "Raises.h"
#include "TempFolder.h"

#include <cstdint>
#include <memory>

// A 24-bit bitmap of w x h in one colour (R, G, B), its top-left pixel (top row first) in another.
inline std::unique_ptr<TBitmap> MakeBitmap(int32_t w, int32_t h, uint32_t rgb, uint32_t topLeftRgb)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = x == 0 && y == 0 ? topLeftRgb : rgb;
            uint8_t* p = bitmap->ScanLine(y) + 3 * x;
            p[0] = uint8_t(c);       // blue
            p[1] = uint8_t(c >> 8);  // green
            p[2] = uint8_t(c >> 16); // red
        }
    return bitmap;
}
