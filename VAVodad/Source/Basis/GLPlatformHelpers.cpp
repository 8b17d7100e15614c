#include "GLPlatformHelpers.h"

#include "Components.h"
#include "Dialogs.h"
#include "FileUtils.h"
#include "SysUtils.h"
#include "TextEncoding.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

bool HasSubComponentStyle(const TComponent* component)
{
    return (component->ComponentStyle() & csSubComponent) != 0;
}

void ShowMessageBoxOK(const std::string& text, const std::string& caption)
{
    ShowMessageBox({mtCustom, caption, text, mbsOK, mrOk});
}

uint64_t GetTickCountMs()
{
    return static_cast<uint32_t>(MonotonicMilliseconds());
}

int32_t PackRGBColor(int32_t red, int32_t green, int32_t blue)
{
    return (red & 0xFF) | ((green << 8) & 0xFF00) | ((blue & 0xFF) << 16);
}

TRect RectFromEdges(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    TRect r;
    r.Left = left;
    r.Top = top;
    r.Right = right;
    r.Bottom = bottom;
    return r;
}

void InflateRectClamped(TRect& r, int32_t dx, int32_t dy)
{
    r.Left -= dx;
    r.Right += dx;
    r.Top -= dy;
    r.Bottom += dy;
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
}

void IntersectRectOrClear(TRect& a, const TRect& b)
{
    if (b.Right >= a.Left && a.Right >= b.Left && b.Bottom >= a.Top && a.Bottom >= b.Top)
        a = RectFromEdges(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                          std::min(a.Bottom, b.Bottom));
    else
        a = RectFromEdges(0, 0, 0, 0);
}

void RaiseLastSystemError()
{
    throw EOSError("OS Error : " + std::string(std::strerror(errno)));
}

void ReadScreenDeviceCaps(TScreenDeviceCaps& caps)
{
    // Fixed until the window layer reports the real screen.
    caps.PixelsPerInchX = 96;
    caps.PixelsPerInchY = 96;
    caps.BitsPerPixel = 24;
    caps.NumColors = -1;
}

int32_t ScreenPixelsPerInchX()
{
    TScreenDeviceCaps caps;
    ReadScreenDeviceCaps(caps);
    return caps.PixelsPerInchX;
}

int32_t ScreenColorDepthBits()
{
    TScreenDeviceCaps caps;
    ReadScreenDeviceCaps(caps);
    return caps.BitsPerPixel;
}

int32_t PixelFormatToBitCount(TPixelFormat pixelFormat)
{
    // Bitmaps here are always 24 or 32 bits; there is no device-dependent format to ask the screen about.
    return pixelFormat == pf32bit ? 32 : 24;
}

uint8_t* BitmapRowPointer(TBitmap& bitmap, int32_t row)
{
    return bitmap.ScanLine(row);
}

void ReadPerformanceCounter(int64_t& counter)
{
    counter = MonotonicNanoseconds();
}

bool ReadPerformanceFrequency(int64_t& frequency)
{
    frequency = 1000000000;
    return true;
}

namespace {

struct TDistinctClock {
    int64_t StartNs = MonotonicNanoseconds();
    double LastReading = -1;    // whole milliseconds since start
    double LastResult = -1;
    double Step = 0.1;
};

} // namespace

// Whole milliseconds of the monotonic clock since the first call. Calls within one millisecond answer t,
// t + 0.1, t + 0.3, t + 0.6, ... (the added step grows by 0.1 each time) as long as that stays inside the
// millisecond; past it they answer the next representable value, so the clock never repeats a value, never
// goes back and never runs ahead of the next millisecond however often it is read.
double DistinctMillisecondClock()
{
    static TDistinctClock clock;
    const double t = static_cast<double>((MonotonicNanoseconds() - clock.StartNs) / 1000000);
    if (t != clock.LastReading) {
        clock.LastReading = t;
        clock.Step = 0.1;
        clock.LastResult = t;
        return t;
    }
    double result = clock.LastResult + clock.Step;
    clock.Step += 0.1;
    if (result >= t + 1) result = std::nextafter(clock.LastResult, HUGE_VAL);
    clock.LastResult = result;
    return result;
}

void SetCurrentDirToAppFolder()
{
    if (::chdir(ProgramFolder().c_str()) != 0) RaiseLastSystemError();
}

namespace {
// Number formatting in this program is locale-free and always writes "."; the setting is kept for the
// callers that save and restore it around their output.
char gDecimalSeparator = '.';
} // namespace

char GetDecimalSeparatorChar()
{
    return gDecimalSeparator;
}

void SetDecimalSeparatorChar(char c)
{
    gDecimalSeparator = c;
}

float HalfFloatToSingle(uint16_t h)
{
    const uint32_t sign = static_cast<uint32_t>(h >> 15) << 31;
    int32_t exponent = (h >> 10) & 0x1F;
    uint32_t mantissa = h & 0x3FF;
    uint32_t bits;
    if (exponent == 0) {
        if (mantissa == 0) {
            bits = sign;
        } else {
            int32_t shifts = 0;
            while ((mantissa & 0x400) == 0) {
                mantissa <<= 1;
                ++shifts;
            }
            bits = sign | static_cast<uint32_t>(113 - shifts) << 23 | (mantissa & 0x3FF) << 13;
        }
    } else if (exponent == 31) {
        bits = sign | 0x7F800000 | mantissa << 13;
    } else {
        bits = sign | static_cast<uint32_t>(exponent + 112) << 23 | mantissa << 13;
    }
    return std::bit_cast<float>(bits);
}

uint16_t SingleToHalfFloat(float s)
{
    const uint32_t bits = std::bit_cast<uint32_t>(s);
    const uint32_t sign = (bits >> 31) << 15;
    int32_t e = static_cast<int32_t>((bits >> 23) & 0xFF) - 112;
    uint32_t m = bits & 0x7FFFFF;

    if (e >= 1 && e <= 29) return static_cast<uint16_t>(sign + (static_cast<uint32_t>(e) << 10) + ((m + 0x1000) >> 13));
    if (e <= 0) {
        // Below the smallest subnormal half the sign is dropped too.
        if (e < -10) return 0;
        uint32_t f = (m | 0x800000) >> (1 - e);
        if (f & 0x1000) f += 0x2000;
        return static_cast<uint16_t>(sign | (f >> 13));
    }
    if (e == 143) {
        // A NaN whose payload lies only in the low bits would read as infinity: keep it a (quiet) NaN.
        uint32_t payload = m >> 13;
        if (m != 0 && payload == 0) payload = 0x200;
        return static_cast<uint16_t>(sign | 0x7C00 | payload);
    }
    if (bits & 0x1000) {
        m += 0x2000;
        if (m >= 0x800000) {
            ++e;
            m = 0;
        }
    }
    if (e <= 30) return static_cast<uint16_t>(sign | static_cast<uint32_t>(e) << 10 | m >> 13);
    return static_cast<uint16_t>(sign | 0x7C00);
}

char16_t AnsiByteToWideChar(uint8_t b)
{
    return LegacyCharToUnicode(b, lcpWindows1252);
}
