#include "DemoPaint.h"

#include "JPEG.h"
#include "PngImage.h"
#include "Streams.h"
#include "TGA.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

std::string Saved(TGraphic& graphic)
{
    TMemoryStream stream;
    graphic.SaveToStream(stream);
    return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

} // namespace

// ---- Noise: a pure function of position and seed, so that pictures come out the same on every run ----

uint32_t Hash(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

double Unit(int32_t x, int32_t y, uint32_t seed)
{
    return Hash(x, y, seed) / 4294967296.0;
}

// Smooth value noise in 0..1 on a lattice that repeats every period points, so that textures tile.
double Noise(double u, double v, int period, uint32_t seed)
{
    const double fu = std::floor(u), fv = std::floor(v);
    const auto wrap = [period](double i) {
        return static_cast<int32_t>(((static_cast<int64_t>(i) % period) + period) % period);
    };
    const int32_t x0 = wrap(fu), x1 = wrap(fu + 1), y0 = wrap(fv), y1 = wrap(fv + 1);
    const auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    const double tu = smooth(u - fu), tv = smooth(v - fv);
    const double topLeft = Unit(x0, y0, seed), bottomLeft = Unit(x0, y1, seed);
    const double top = topLeft + (Unit(x1, y0, seed) - topLeft) * tu;
    const double bottom = bottomLeft + (Unit(x1, y1, seed) - bottomLeft) * tu;
    return top + (bottom - top) * tv;
}

// Octaves of noise over a picture of cTextureSize: (x, y) in pixels, the coarsest octave period cells across.
double Fbm(double x, double y, int period, int octaves, uint32_t seed)
{
    double sum = 0, amplitude = 0.5, total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        const double scale = period * double(1 << octave) / cTextureSize;
        sum += amplitude * Noise(x * scale, y * scale, period << octave, seed + octave);
        total += amplitude;
        amplitude *= 0.5;
    }
    return sum / total;
}

// ---- Colours ----

TRgb Mix(TRgb a, TRgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

TRgb Scaled(TRgb c, double k)
{
    return {c.r * k, c.g * k, c.b * k};
}

QRgb Opaque(TRgb c)
{
    const auto channel = [](double v) { return std::clamp(static_cast<int>(v + 0.5), 0, 255); };
    return qRgb(channel(c.r), channel(c.g), channel(c.b));
}

QColor ColorOf(TRgb c, int alpha)
{
    QColor color = QColor::fromRgb(Opaque(c));
    color.setAlpha(alpha);
    return color;
}

QImage Blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void MetalBand(QPainter& painter, const QRectF& band, const TMetal& metal)
{
    QLinearGradient shine(band.topLeft(), band.width() > band.height() ? band.bottomLeft() : band.topRight());
    shine.setColorAt(0, ColorOf(metal.light));
    shine.setColorAt(0.5, ColorOf(Mix(metal.light, metal.dark, 0.4)));
    shine.setColorAt(1, ColorOf(metal.dark));
    painter.fillRect(band, shine);
    // Rivets along the band.
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColorOf(metal.dark));
    const bool across = band.width() > band.height();
    const double length = across ? band.width() : band.height();
    for (double at = 6; at < length - 3; at += 16) {
        const QPointF centre =
            across ? QPointF(band.left() + at, band.center().y()) : QPointF(band.center().x(), band.top() + at);
        painter.drawEllipse(centre, 2.2, 2.2);
    }
}

// Half the size, each pixel the mean of four (alpha-weighted, as the picture is premultiplied).
QImage Half(const QImage& source)
{
    QImage half(source.width() / 2, source.height() / 2, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < half.height(); ++y) {
        const auto* top = reinterpret_cast<const QRgb*>(source.constScanLine(2 * y));
        const auto* bottom = reinterpret_cast<const QRgb*>(source.constScanLine(2 * y + 1));
        auto* line = reinterpret_cast<QRgb*>(half.scanLine(y));
        for (int x = 0; x < half.width(); ++x) {
            const QRgb p[4] = {top[2 * x], top[2 * x + 1], bottom[2 * x], bottom[2 * x + 1]};
            const auto mean = [&](int (*channel)(QRgb)) {
                return (channel(p[0]) + channel(p[1]) + channel(p[2]) + channel(p[3]) + 2) / 4;
            };
            line[x] = qRgba(mean(qRed), mean(qGreen), mean(qBlue), mean(qAlpha));
        }
    }
    return half;
}

// The picture's pixels in a platform bitmap: B, G, R (and A, straight, when alpha is kept), top row first.
void ToBitmap(const QImage& picture, bool alpha, TBitmap& bitmap)
{
    const QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
    bitmap.SetPixelFormat(alpha ? pf32bit : pf24bit);
    bitmap.SetSize(straight.width(), straight.height());
    for (int y = 0; y < straight.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        uint8_t* target = bitmap.ScanLine(y);
        for (int x = 0; x < straight.width(); ++x) {
            const uint8_t pixel[4] = {uint8_t(qBlue(source[x])), uint8_t(qGreen(source[x])), uint8_t(qRed(source[x])),
                                      uint8_t(qAlpha(source[x]))};
            std::memcpy(target, pixel, alpha ? 4 : 3);
            target += alpha ? 4 : 3;
        }
    }
}

std::string TgaFile(const QImage& picture, bool alpha)
{
    TTGAImage tga;
    ToBitmap(picture, alpha, tga);
    return Saved(tga);
}

std::string JpegFile(const QImage& picture)
{
    TBitmap bitmap;
    ToBitmap(picture, false, bitmap);
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    return Saved(jpeg);
}

std::string BmpFile(const QImage& picture)
{
    TBitmap bitmap;
    ToBitmap(picture, false, bitmap);
    return Saved(bitmap);
}

std::string PngFile(const QImage& picture, bool alpha)
{
    TBitmap bitmap;
    ToBitmap(picture, alpha, bitmap);
    TPngImage png;
    png.Assign(&bitmap);
    return Saved(png);
}

void PublishTexture(TDemoOutput& output, const std::string& name, const QImage& picture, bool alpha)
{
    QImage scaled = picture;
    for (const char* quality : cQualities) {
        output.Publish(std::string("textures/") + quality + "/" + name + ".tga", TgaFile(scaled, alpha));
        scaled = Half(scaled);
    }
}
