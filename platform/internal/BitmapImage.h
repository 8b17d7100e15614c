// For the platform layers' own .cpp files: a bitmap's pixels seen as a Qt image.
#pragma once

#include "Graphics.h"

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
