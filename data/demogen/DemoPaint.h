// Drawing the adventure's pictures: noise that is a pure function of position and seed (so that pictures come
// out the same on every run), colours, metal fittings, and the picture files the game reads.
#pragma once

#include "DemoOutput.h"

#include <QColor>
#include <QImage>

#include <cstdint>
#include <string>

class QPainter;
class QRectF;
class TBitmap;

// Every picture of a quality folder is drawn at this size; "lq" and "pq" are it at half and quarter size.
constexpr int cTextureSize = 128;
constexpr const char* cQualities[] = {"hq", "lq", "pq"};

uint32_t Hash(int32_t x, int32_t y, uint32_t seed);
// Hash as 0..1.
double Unit(int32_t x, int32_t y, uint32_t seed);
// Smooth value noise in 0..1 on a lattice that repeats every period points, so that textures tile.
double Noise(double u, double v, int period, uint32_t seed);
// Octaves of noise over a picture of cTextureSize: (x, y) in pixels, the coarsest octave period cells across.
double Fbm(double x, double y, int period, int octaves, uint32_t seed);

struct TRgb {
    double r, g, b;
};
TRgb Mix(TRgb a, TRgb b, double t);
TRgb Scaled(TRgb c, double k);
QRgb Opaque(TRgb c);
QColor ColorOf(TRgb c, int alpha = 255);

// A transparent picture.
QImage Blank(int width, int height);
// A picture computed pixel by pixel, pixel(x, y) called directly: this runs for every pixel of every picture.
template <class F> QImage PixelImage(int width, int height, F pixel)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) line[x] = Opaque(pixel(x, y));
    }
    return image;
}

struct TMetal {
    TRgb light, dark;
};
constexpr TMetal cIron = {{118, 118, 124}, {42, 42, 48}};
constexpr TMetal cSilver = {{236, 240, 248}, {120, 126, 140}};
constexpr TMetal cGold = {{250, 214, 110}, {140, 96, 24}};
// A shining band with rivets along it.
void MetalBand(QPainter& painter, const QRectF& band, const TMetal& metal);

// Half the size, each pixel the mean of four (alpha-weighted, as the picture is premultiplied).
QImage Half(const QImage& source);
// The picture's pixels in a platform bitmap: B, G, R (and A, straight, when alpha is kept), top row first.
void ToBitmap(const QImage& picture, bool alpha, TBitmap& bitmap);
std::string TgaFile(const QImage& picture, bool alpha);
std::string JpegFile(const QImage& picture);
std::string BmpFile(const QImage& picture);
std::string PngFile(const QImage& picture, bool alpha);
// The picture as "textures/<quality>/<name>.tga" in every quality folder, halved from one to the next.
void PublishTexture(TDemoOutput& output, const std::string& name, const QImage& picture, bool alpha);
