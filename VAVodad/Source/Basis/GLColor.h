// RGBA colours with change notification, the named colour constants and the conversions to and from the
// platform's packed colour values.
#pragma once

#include "GLBaseClasses.h"
#include "GLVectorTypes.h"
#include "Graphics.h"

#include <cstdint>
#include <functional>

extern const TVector4f ColorTransparent;
extern const TVector4f ColorBlack;
extern const TVector4f ColorDarkGray;
extern const TVector4f ColorLightGray;
extern const TVector4f ColorWhite;
extern const TVector4f ColorOrange;
extern const TVector4f ColorYellow;
extern const TVector4f ColorBlue;

// (byte 0, byte 1, byte 2) / 255 and the given alpha. System colour codes have no meaning here: every value
// is read as plain RGB.
TVector4f WinColorToVector(TColor aColor, float alpha = 1.0f);
// Each of red, green and blue times 255, rounded half to even and held to 0..255, packed.
TColor VectorToWinColor(const TVector4f& v);
uint8_t RedByteOf(TColor c);
uint8_t GreenByteOf(TColor c);
uint8_t BlueByteOf(TColor c);

// An RGBA colour property: setters notify the owner, the direct setter does not. Streams as the 16-byte
// binary property "Color".
class TGLColor : public TGLUpdateAbleObject {
public:
    explicit TGLColor(TPersistent* AOwner);
    // CreateInitialized: the colour given, then changeEvent as OnNotifyChange.
    TGLColor(TPersistent* AOwner, const TVector4f& color, TNotifyEvent changeEvent = nullptr);

    void Assign(TPersistent* Source) override;
    void NotifyChange(TObject* Sender) override;
    // Stores without notification.
    void Initialize(const TVector4f& color);

    const TVector4f& Color() const { return FColor; }
    void SetColor(const TVector4f& value);
    void SetColor(float red, float green, float blue, float alpha = 1.0f);
    const TVector4f& DirectColor() const { return FColor; }
    void SetDirectColor(const TVector4f& value) { FColor = value; }
    // index 0 red, 1 green, 2 blue, 3 alpha. The setter notifies only when the value changes.
    float GetColorComponent(int index) const;
    void SetColorComponent(int index, float value);
    float Red() const { return FColor.X; }
    void SetRed(float value) { SetColorComponent(0, value); }
    float Green() const { return FColor.Y; }
    void SetGreen(float value) { SetColorComponent(1, value); }
    float Blue() const { return FColor.Z; }
    void SetBlue(float value) { SetColorComponent(2, value); }
    float Alpha() const { return FColor.W; }
    void SetAlpha(float value) { SetColorComponent(3, value); }
    TColor AsWinColor() const { return VectorToWinColor(FColor); }
    void SetAsWinColor(TColor value);
    // Hue in degrees (0..360), saturation, value, alpha.
    TVector4f HSVA() const;
    void SetHSVA(const TVector4f& hsva);
    // No default copy is kept, so the default is the current colour and the colour is always streamed.
    const TVector4f& DefaultColor() const { return FColor; }
    // The four Singles, for handing to GL calls.
    float* AsAddress() { return FColor.V; }
    const float* AsAddress() const { return FColor.V; }

    // Red, green and blue each to a uniform random value in [0, 1) through the component setter.
    void RandomColor();

    // The binary property "Color": red, green, blue and alpha as 16 raw bytes.
    void DefineProperties(TFiler& Filer) override;

private:
    TVector4f FColor;
};
