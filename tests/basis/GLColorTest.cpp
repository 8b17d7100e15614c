#include "GLColor.h"

#include "ComponentStreams.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

TVector4f V(float r, float g, float b, float a)
{
    return TVector4f{{{r, g, b, a}}};
}

std::array<float, 4> A(const TVector4f& v)
{
    return {v.X, v.Y, v.Z, v.W};
}

// An owner that counts what it hears.
class CountingOwner : public TGLUpdateAbleObject {
public:
    CountingOwner() : TGLUpdateAbleObject(nullptr) {}
    void NotifyChange(TObject* Sender) override
    {
        ++Heard;
        LastSender = Sender;
    }
    int Heard = 0;
    TObject* LastSender = nullptr;
};

// A component that streams one colour.
class ColoredThing : public TComponent {
public:
    using TComponent::TComponent;
    void DefineProperties(TFiler& Filer) override { Paint.DefineProperties(Filer); }
    TGLColor Paint{this};
};

} // namespace

TEST(GLColor, NamedColours)
{
    EXPECT_EQ(A(ColorTransparent), (std::array<float, 4>{0, 0, 0, 0}));
    EXPECT_EQ(A(ColorBlack), (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_EQ(A(ColorDarkGray), (std::array<float, 4>{0.2f, 0.2f, 0.2f, 1}));
    EXPECT_EQ(A(ColorLightGray), (std::array<float, 4>{0.8f, 0.8f, 0.8f, 1}));
    EXPECT_EQ(A(ColorWhite), (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_EQ(A(ColorOrange), (std::array<float, 4>{1, 0.5f, 0, 1}));
    EXPECT_EQ(A(ColorYellow), (std::array<float, 4>{1, 1, 0, 1}));
    EXPECT_EQ(A(ColorBlue), (std::array<float, 4>{0, 0, 1, 1}));
    EXPECT_EQ(A(TGLColor(nullptr).Color()), A(ColorBlack));
}

TEST(GLColor, NotificationReachesTheOwnerOnlyForChanges)
{
    int events = 0;
    TGLColor loose(nullptr, ColorWhite, [&](TObject*) { ++events; });
    loose.SetColor(ColorBlue);
    loose.SetRed(0.5f);
    EXPECT_EQ(events, 0); // no owner: not even the event
    EXPECT_EQ(A(loose.Color()), (std::array<float, 4>{0.5f, 0, 1, 1}));

    CountingOwner owner;
    TObject* eventSender = nullptr;
    TGLColor color(&owner, ColorWhite, [&](TObject* sender) {
        ++events;
        eventSender = sender;
    });
    EXPECT_EQ(owner.Heard, 0); // initialised silently

    color.SetRed(1.0f); // unchanged component
    EXPECT_EQ(owner.Heard, 0);
    color.SetColorComponent(2, 0.25f);
    EXPECT_EQ(color.GetColorComponent(2), 0.25f);
    // The owner hears directly and again through the base notification; the event fires once.
    EXPECT_EQ(owner.Heard, 2);
    EXPECT_EQ(owner.LastSender, &color);
    EXPECT_EQ(events, 1);
    EXPECT_EQ(eventSender, &color);

    EXPECT_THROW(color.SetColorComponent(4, 1), EAssertionFailed);
    EXPECT_THROW(color.GetColorComponent(-1), EAssertionFailed);
    EXPECT_EQ(owner.Heard, 2);

    color.SetColor(color.Color()); // the whole colour notifies even unchanged
    EXPECT_EQ(owner.Heard, 4);
    color.SetDirectColor(ColorBlack);
    EXPECT_EQ(owner.Heard, 4);
    color.SetAsWinColor(0x0000FF);
    EXPECT_EQ(owner.Heard, 6);
    EXPECT_EQ(A(color.Color()), (std::array<float, 4>{1, 0, 0, 1}));
}

TEST(GLColor, AssignCopiesColoursOnly)
{
    CountingOwner owner;
    TGLColor source(nullptr, ColorOrange), target(&owner);
    target.Assign(&source);
    EXPECT_EQ(A(target.Color()), A(ColorOrange));
    EXPECT_EQ(owner.Heard, 2);
    EXPECT_THROW(target.Assign(&owner), EConvertError);
}

TEST(GLColor, HSVAReadAndWrite)
{
    const struct {
        TVector4f rgba, hsva;
    } reads[] = {
        {V(1, 0, 0, 1), V(0, 1, 1, 1)},
        {V(0, 0, 1, 0.5f), V(240, 1, 1, 0.5f)},
        {V(0, 1, 0, 1), V(120, 1, 1, 1)},
        {V(1, 0, 1, 1), V(300, 1, 1, 1)}, // (G - B) negative: + 360
        {V(0.5f, 0.5f, 0.5f, 1), V(0, 0, 0.5f, 1)},
        {V(0, 0, 0, 0.25f), V(0, 0, 0, 0.25f)},
    };
    for (const auto& r : reads) {
        TGLColor color(nullptr, r.rgba);
        EXPECT_EQ(A(color.HSVA()), A(r.hsva));
    }

    TGLColor color(nullptr);
    color.SetHSVA(V(120, 1, 1, 1));
    EXPECT_EQ(A(color.Color()), (std::array<float, 4>{0, 1, 0, 1}));
    color.SetHSVA(V(-90, 1, 1, 0.5f)); // no sector: red, green and blue stay
    EXPECT_EQ(A(color.Color()), (std::array<float, 4>{0, 1, 0, 0.5f}));
    color.SetHSVA(V(200, 0, 0.75f, 1)); // no saturation: grey of the value
    EXPECT_EQ(A(color.Color()), (std::array<float, 4>{0.75f, 0.75f, 0.75f, 1}));
    color.SetHSVA(V(1e30f, 1, 1, 1)); // a huge hue still lands in a sector
    EXPECT_EQ(color.Color().W, 1);

    // Round trips through every sector.
    for (const TVector4f& rgba : {V(0.9f, 0.3f, 0.1f, 1), V(0.6f, 0.8f, 0.2f, 1), V(0.1f, 0.7f, 0.4f, 1),
                                  V(0.2f, 0.3f, 0.9f, 1), V(0.5f, 0.1f, 0.7f, 1), V(0.8f, 0.2f, 0.5f, 1)}) {
        TGLColor c(nullptr, rgba);
        const TVector4f hsva = c.HSVA();
        c.SetHSVA(hsva);
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(c.Color().V[k], rgba.V[k], 1e-6) << hsva.X;
    }
}

TEST(GLColor, WinColorConversions)
{
    EXPECT_EQ(A(WinColorToVector(0x0080FF40, 0.5f)), (std::array<float, 4>{0x40 / 255.0f, 1, 0x80 / 255.0f, 0.5f}));
    // System colour codes are plain RGB values here: the high byte is ignored.
    EXPECT_EQ(A(WinColorToVector(static_cast<TColor>(0xFF00000F))), (std::array<float, 4>{15 / 255.0f, 0, 0, 1}));
    EXPECT_EQ(RedByteOf(0x123456), 0x56);
    EXPECT_EQ(GreenByteOf(0x123456), 0x34);
    EXPECT_EQ(BlueByteOf(0x123456), 0x12);

    const struct {
        TVector4f v;
        TColor packed;
    } cases[] = {
        {V(1, 0, 0, 1), 0x0000FF},
        {V(0.5f, 0, 0, 1), 0x000080},             // 127.5 to the even 128
        {V(1.2f, -0.1f, 0.2f, 1), 0x3300FF},      // out of range components held, not wrapped
        {V(NAN, 0, 1, 1), 0xFF0000},
    };
    for (const auto& c : cases) EXPECT_EQ(VectorToWinColor(c.v), c.packed);
    TGLColor color(nullptr, V(0, 0.2f, 1, 1));
    EXPECT_EQ(color.AsWinColor(), 0xFF3300);
}

TEST(GLColor, RandomColorKeepsAlphaAndStaysBelowOne)
{
    TGLColor color(nullptr, V(0, 0, 0, 0.5f));
    bool changed = false;
    for (int i = 0; i < 100; ++i) {
        color.RandomColor();
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(color.Color().V[k], 0.0f);
            EXPECT_LT(color.Color().V[k], 1.0f);
        }
        changed = changed || color.Red() != color.Green();
    }
    EXPECT_TRUE(changed);
    EXPECT_EQ(color.Alpha(), 0.5f);
}

TEST(GLColor, StreamsAsTheBinaryPropertyColor)
{
    ColoredThing thing(nullptr);
    thing.Paint.Initialize(V(1, 0.5f, -2, 0.25f));
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(&thing);
    const std::vector<uint8_t> bytes(stream.Memory(), stream.Memory() + stream.Size());
    const std::vector<uint8_t> property = {5,    'C',  'o',  'l',  'o',  'r',  0x0A, 0x10, 0x00, 0x00, 0x00,
                                           0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00,
                                           0x00, 0xC0, 0x00, 0x00, 0x80, 0x3E};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), property.begin(), property.end()), bytes.end());

    ColoredThing copy(nullptr);
    stream.SetPosition(0);
    TReader(stream).ReadRootComponent(&copy);
    EXPECT_EQ(A(copy.Paint.Color()), (std::array<float, 4>{1, 0.5f, -2, 0.25f}));

    // A property too short for four Singles is a read error.
    std::vector<uint8_t> shortened = bytes;
    const auto at = std::search(shortened.begin(), shortened.end(), property.begin(), property.end());
    at[7] = 0x0C;
    shortened.erase(at + 11 + 12, at + 11 + 16);
    TMemoryStream broken;
    broken.WriteBuffer(shortened.data(), static_cast<int64_t>(shortened.size()));
    broken.SetPosition(0);
    ColoredThing other(nullptr);
    EXPECT_THROW(TReader(broken).ReadRootComponent(&other), EReadError);
    EXPECT_EQ(A(other.Paint.Color()), A(ColorBlack));
}
