#include "GLColor.h"

#include "ComponentStreams.h"
#include "GLPlatformHelpers.h"
#include "RandomGenerator.h"

#include <algorithm>
#include <cmath>
#include <string>

const TVector4f ColorTransparent{{{0, 0, 0, 0}}};
const TVector4f ColorBlack{{{0, 0, 0, 1}}};
const TVector4f ColorDarkGray{{{0.2f, 0.2f, 0.2f, 1}}};
const TVector4f ColorLightGray{{{0.8f, 0.8f, 0.8f, 1}}};
const TVector4f ColorWhite{{{1, 1, 1, 1}}};
const TVector4f ColorOrange{{{1, 0.5f, 0, 1}}};
const TVector4f ColorYellow{{{1, 1, 0, 1}}};
const TVector4f ColorBlue{{{0, 0, 1, 1}}};

namespace {

// A component times 255 as a byte value; out-of-range components (and NaN) are held to 0..255 so they do not
// wrap around when packed.
int32_t ComponentToByte(float component)
{
    const double scaled = static_cast<double>(component) * 255.0;
    if (!(scaled > 0.0)) return 0;
    if (scaled >= 255.0) return 255;
    return static_cast<int32_t>(std::nearbyint(scaled));
}

void CheckComponentIndex(int index)
{
    if (index < 0 || index > 3)
        Assert(false, "Colour component index out of range: " + std::to_string(index),
               "VAVodad\\Source\\Basis\\GLColor");
}

} // namespace

TVector4f WinColorToVector(TColor aColor, float alpha)
{
    return TVector4f{{{RedByteOf(aColor) / 255.0f, GreenByteOf(aColor) / 255.0f, BlueByteOf(aColor) / 255.0f,
                       alpha}}};
}

TColor VectorToWinColor(const TVector4f& v)
{
    return PackRGBColor(ComponentToByte(v.X), ComponentToByte(v.Y), ComponentToByte(v.Z));
}

uint8_t RedByteOf(TColor c)
{
    return static_cast<uint8_t>(c & 0xFF);
}

uint8_t GreenByteOf(TColor c)
{
    return static_cast<uint8_t>((c >> 8) & 0xFF);
}

uint8_t BlueByteOf(TColor c)
{
    return static_cast<uint8_t>((c >> 16) & 0xFF);
}

// ---------------------------------------------------------------------------------------------------------
// TGLColor

TGLColor::TGLColor(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner), FColor(ColorBlack)
{
}

TGLColor::TGLColor(TPersistent* AOwner, const TVector4f& color, TNotifyEvent changeEvent) : TGLColor(AOwner)
{
    Initialize(color);
    OnNotifyChange = std::move(changeEvent);
}

void TGLColor::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLColor*>(Source)) {
        FColor = source->FColor;
        NotifyChange(this);
    } else {
        TGLUpdateAbleObject::Assign(Source);
    }
}

void TGLColor::NotifyChange(TObject* Sender)
{
    // A colour without an owner stays silent, its own event included. An owner that takes notifications
    // hears first directly, then once more through the base notification.
    TPersistent* owner = GetOwner();
    if (!owner) return;
    if (auto* notifyAble = dynamic_cast<IGLNotifyAble*>(owner)) notifyAble->NotifyChange(this);
    TGLUpdateAbleObject::NotifyChange(Sender);
}

void TGLColor::Initialize(const TVector4f& color)
{
    FColor = color;
}

void TGLColor::SetColor(const TVector4f& value)
{
    FColor = value;
    NotifyChange(this);
}

void TGLColor::SetColor(float red, float green, float blue, float alpha)
{
    SetColor(TVector4f{{{red, green, blue, alpha}}});
}

float TGLColor::GetColorComponent(int index) const
{
    CheckComponentIndex(index);
    return FColor.V[index];
}

void TGLColor::SetColorComponent(int index, float value)
{
    CheckComponentIndex(index);
    float& component = FColor.V[index];
    if (component == value) return;
    component = value;
    NotifyChange(this);
}

void TGLColor::SetAsWinColor(TColor value)
{
    FColor = WinColorToVector(value, 1.0f);
    NotifyChange(this);
}

TVector4f TGLColor::HSVA() const
{
    const double red = FColor.X, green = FColor.Y, blue = FColor.Z;
    const double max = std::fmax(red, std::fmax(green, blue));
    const double min = std::fmin(red, std::fmin(green, blue));
    double hue = 0, saturation = 0;
    const double delta = max - min;
    if (max != 0 && delta != 0) {
        saturation = delta / max;
        if (red == max)
            hue = (green - blue) * 60 / delta;
        else if (green == max)
            hue = (blue - red) * 60 / delta + 120;
        else
            hue = (red - green) * 60 / delta + 240;
        if (hue < 0) hue += 360;
    }
    return TVector4f{{{static_cast<float>(hue), static_cast<float>(saturation), static_cast<float>(max),
                       FColor.W}}};
}

void TGLColor::SetHSVA(const TVector4f& hsva)
{
    const double value = hsva.Z, saturation = hsva.Y;
    if (saturation == 0) {
        FColor.X = FColor.Y = FColor.Z = hsva.Z;
    } else {
        // The sector is the whole part of hue / 60 taken mod 6 with the sign of the hue, so a negative hue
        // names no sector and leaves red, green and blue as they are. Done in doubles, which also keeps
        // huge or undefined hues from overflowing an integer.
        const double h = hsva.X / 60.0;
        const double whole = std::trunc(h);
        const double f = h - whole;
        const double sector = std::fmod(whole, 6.0);
        const float p = static_cast<float>(value * (1 - saturation));
        const float q = static_cast<float>(value * (1 - saturation * f));
        const float t = static_cast<float>(value * (1 - saturation * (1 - f)));
        const float v = hsva.Z;
        const float rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
        if (sector >= 0 && sector < 6) {
            const auto* chosen = rgb[static_cast<int>(sector)];
            FColor.X = chosen[0];
            FColor.Y = chosen[1];
            FColor.Z = chosen[2];
        }
    }
    FColor.W = hsva.W;
    NotifyChange(this);
}

void TGLColor::RandomColor()
{
    // Each drawn as a Single below 1: a value just under 1 must not round up to it.
    for (int component = 0; component < 3; ++component)
        SetColorComponent(component, std::min(static_cast<float>(Random()), std::nextafter(1.0f, 0.0f)));
}

void TGLColor::DefineProperties(TFiler& Filer)
{
    TGLUpdateAbleObject::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Color",
        [this](TStream& stream) {
            // Read whole before storing: a property cut short leaves the colour as it was.
            TVector4f color;
            stream.ReadBuffer(color.V, sizeof(color.V));
            FColor = color;
        },
        [this](TStream& stream) { stream.WriteBuffer(FColor.V, sizeof(FColor.V)); }, true);
}
