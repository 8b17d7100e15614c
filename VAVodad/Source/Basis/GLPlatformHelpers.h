// The engine's thin wrappers over platform services: message boxes, clocks, screen capabilities, rectangles,
// system errors, the program folder, the decimal separator, half-precision floats and the ANSI code page.
#pragma once

#include "Graphics.h"
#include "SysUtils.h"
#include "Types.h"

#include <cstdint>
#include <string>

class TComponent;

// True when the component is flagged as a sub-component.
bool HasSubComponentStyle(const TComponent* component);

// A modal message box with one OK button.
void ShowMessageBoxOK(const std::string& text, const std::string& caption);

// The 32-bit millisecond tick count (monotonic, wraps after 49.7 days) zero-extended to 64 bits.
uint64_t GetTickCountMs();

// red in the low byte, then green, then blue.
int32_t PackRGBColor(int32_t red, int32_t green, int32_t blue);

TRect RectFromEdges(int32_t left, int32_t top, int32_t right, int32_t bottom);
// Grows the rectangle by dx, dy on each side; a shrink past empty leaves Right = Left or Bottom = Top.
void InflateRectClamped(TRect& r, int32_t dx, int32_t dy);
// a := the intersection of a and b (touching rectangles keep the shared edge); all zero when they are apart.
void IntersectRectOrClear(TRect& a, const TRect& b);

// Raises EOSError "OS Error : " + the system's text for the last error (errno).
[[noreturn]] void RaiseLastSystemError();

struct TScreenDeviceCaps {
    int32_t PixelsPerInchX;
    int32_t PixelsPerInchY;
    int32_t BitsPerPixel;
    int32_t NumColors;          // -1: more colours than a palette holds
};
void ReadScreenDeviceCaps(TScreenDeviceCaps& caps);
int32_t ScreenPixelsPerInchX();
int32_t ScreenColorDepthBits();

// Bits per pixel of a bitmap pixel format.
int32_t PixelFormatToBitCount(TPixelFormat pixelFormat);
// The address of a pixel row of the bitmap (row 0 is the top); a row outside it raises EInvalidGraphic.
uint8_t* BitmapRowPointer(TBitmap& bitmap, int32_t row);

// The high-resolution counter: nanoseconds of the monotonic clock, so the frequency is 1e9.
void ReadPerformanceCounter(int64_t& counter);
bool ReadPerformanceFrequency(int64_t& frequency);

// Milliseconds since start-up that never repeat and never go back; see the .cpp for the rule within one
// millisecond. Main thread only.
double DistinctMillisecondClock();

// Makes the program's folder the current directory.
void SetCurrentDirToAppFolder();

// The process-wide decimal separator used when numbers are turned into text.
char GetDecimalSeparatorChar();
void SetDecimalSeparatorChar(char c);

// IEEE 754 binary16 <-> binary32.
float HalfFloatToSingle(uint16_t h);
uint16_t SingleToHalfFloat(float s);

// The UTF-16 unit of a byte of the ANSI code page (Windows-1252).
char16_t AnsiByteToWideChar(uint8_t b);
