// For the platform layers' own .cpp files: a bitmap's pixels seen as a Qt image, and a colour
// and a font as Qt draws them.
#pragma once

#include "Graphics.h"

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QImage>

// The bitmap's pixels as an image, without a copy. 32-bit bitmaps blend by their alpha when transparent.
inline QImage WrapBitmap(TBitmap& bitmap)
{
    if (bitmap.Empty()) return QImage();
    const QImage::Format format = bitmap.PixelFormat() == pf24bit ? QImage::Format_BGR888
                                  : bitmap.Transparent()          ? QImage::Format_ARGB32
                                                                  : QImage::Format_RGB32;
    return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), bitmap.RowStride(), format);
}

// A system colour as its fixed RGB value.
QColor ToQColor(TColor color);
// The installed face standing for the font's name, at its pixel height, with its style. Needs the graphics layer
// initialised (EInvalidGraphic otherwise).
QFont ToQFont(const TFont& font);
