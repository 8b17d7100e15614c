#include "GLCoordinates.h"

#include "ComponentStreams.h"
#include "Raises.h"
#include "Streams.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

using Vec = std::array<float, 4>;

Vec A(const TVector4f& v)
{
    return {v.X, v.Y, v.Z, v.W};
}

TVector4f V(float x, float y, float z, float w)
{
    return TVector4f{{{x, y, z, w}}};
}

// Records the owner's two hooks in the order they run.
class TSpyOwner : public TGLCoordinatesUpdateAbleComponent {
public:
    TSpyOwner() : TGLCoordinatesUpdateAbleComponent(nullptr) {}
    void CoordinateChanged(TGLCustomCoordinates* Sender) override
    {
        Log += "C";
        LastSender = Sender;
    }
    void NotifyChange(TObject*) override { Log += "N"; }
    std::string Log;
    TGLCustomCoordinates* LastSender = nullptr;
};

// An owner without the coordinates interface.
class TPlainOwner : public TGLUpdateAbleComponent {
public:
    TPlainOwner() : TGLUpdateAbleComponent(nullptr) {}
    void NotifyChange(TObject*) override { ++Changes; }
    int Changes = 0;
};

// A component whose only streamed property is its coordinates.
class THolder : public TComponent {
public:
    THolder() : TComponent(nullptr) {}
    void DefineProperties(TFiler& Filer) override { Coords.DefineProperties(Filer); }
    TGLCoordinates3 Coords{nullptr, V(0, 0, 0, 1), CsPoint};
};

std::vector<uint8_t> Bytes(TMemoryStream& stream)
{
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(p, p + stream.Size());
}

} // namespace

TEST(GLCoordinates, SettersCheckTheStyleAndForceW)
{
    struct Case {
        const char* name;
        TGLCoordinatesStyle style;
        std::function<void(TGLCoordinates&)> op;
        Vec expected;             // the value afterwards
        const char* errorPrefix;  // nullptr: no error
    };
    const char* useSetVector = "If you are getting assertions here, consider using the SetVector procedure";
    const char* useSetPoint = "If you are getting assertions here, consider using the SetPoint procedure";
    const char* useEither =
        "If you are getting assertions here, consider using one of the SetVector or SetPoint procedures";
    const Vec start{9, 9, 9, 9};
    const std::vector<Case> cases = {
        {"SetPoint on a point", CsPoint, [](auto& c) { c.SetPoint(1, 2, 3); }, {1, 2, 3, 1}, nullptr},
        {"SetVector on a vector", CsVector, [](auto& c) { c.SetVector(1, 2, 3); }, {1, 2, 3, 0}, nullptr},
        {"SetVector with W", CsVector, [](auto& c) { c.SetVector(1, 2, 3, 7); }, {1, 2, 3, 7}, nullptr},
        {"SetPoint on a vector", CsVector, [](auto& c) { c.SetPoint(1, 2, 3); }, start, useSetVector},
        {"SetVector on a point", CsPoint, [](auto& c) { c.SetVector(1, 2, 3); }, start, useSetPoint},
        {"SetPoint2D on a point", CsPoint, [](auto& c) { c.SetPoint2D(1, 2); }, start, useEither},
        {"SetPoint2D on a 2D point", CsPoint2D, [](auto& c) { c.SetPoint2D(V(1, 2, 3, 4)); }, {1, 2, 0, 0}, nullptr},
        {"AsVector on a point", CsPoint, [](auto& c) { c.SetAsVector(V(1, 2, 3, 7)); }, {1, 2, 3, 1}, nullptr},
        {"AsVector on a 2D point", CsPoint2D, [](auto& c) { c.SetAsVector(V(1, 2, 3, 7)); }, {1, 2, 0, 0}, nullptr},
        // Copied first, then refused.
        {"AsVector unknown", CsUnknown, [](auto& c) { c.SetAsVector(V(1, 2, 3, 7)); }, {1, 2, 3, 7},
         "Assertion failure"},
        {"AsAffineVector unknown", CsUnknown, [](auto& c) { c.SetAsAffineVector(TVector3f{{{1, 2, 3}}}); }, start,
         "Assertion failure"},
        {"AsAffineVector point", CsPoint, [](auto& c) { c.SetAsAffineVector(TVector3f{{{1, 2, 3}}}); },
         {1, 2, 3, 1}, nullptr},
        {"AsPoint2D unknown", CsUnknown, [](auto& c) { c.SetAsPoint2D(TVector2f{{{1, 2}}}); }, start,
         "Assertion failure"},
        {"SetToZero point", CsPoint, [](auto& c) { c.SetToZero(); }, {0, 0, 0, 1}, nullptr},
        {"SetToZero vector", CsVector, [](auto& c) { c.SetToZero(); }, {0, 0, 0, 0}, nullptr},
        {"Normalize", CsPoint, [](auto& c) { c.SetDirectVector(V(3, 0, 4, 1)), c.Normalize(); },
         {0.6f, 0, 0.8f, 0}, nullptr},
        {"Invert", CsVector, [](auto& c) { c.Invert(); }, {-9, -9, -9, -9}, nullptr},
        {"Translate keeps W", CsPoint, [](auto& c) { c.Translate(V(1, 2, 3, 5)); }, {10, 11, 12, 9}, nullptr},
        {"AddScaledVector 3", CsPoint, [](auto& c) { c.AddScaledVector(2, TVector3f{{{1, 2, 3}}}); },
         {11, 13, 15, 9}, nullptr},
        {"AddScaledVector 4", CsPoint, [](auto& c) { c.AddScaledVector(2, V(1, 2, 3, 4)); }, {11, 13, 15, 17},
         nullptr},
        {"Scale", CsPoint, [](auto& c) { c.Scale(2); }, {18, 18, 18, 9}, nullptr},
        {"Coordinate index", CsPoint, [](auto& c) { c.SetCoordinate(4, 1); }, start, "Coordinate index"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGLCoordinates coords(nullptr, V(9, 9, 9, 9), c.style);
        if (c.errorPrefix) {
            EXPECT_THAT(MessageOf<EAssertionFailed>([&] { c.op(coords); }),
                        AllOf(StartsWith(c.errorPrefix), HasSubstr("VAVodad\\Source\\GLCoordinates")));
        } else {
            c.op(coords);
        }
        EXPECT_EQ(A(coords.AsVector()), c.expected);
    }
}

TEST(GLCoordinates, ReadersAndText)
{
    TGLCoordinates point(nullptr, V(1, 2, 3, 1), CsPoint);
    EXPECT_EQ(point.AsString(), "(1; 2; 3)");
    EXPECT_EQ(point.GetCoordinate(2), 3);
    EXPECT_FLOAT_EQ(point.VectorLength(), std::sqrt(14.0f));
    EXPECT_EQ(point.VectorNorm(), 14);
    EXPECT_EQ(point.MaxXYZ(), 3);
    EXPECT_TRUE(point.Equals(V(1, 2, 3, 1)));
    EXPECT_FALSE(point.Equals(V(1, 2, 3, 0)));
    TGLCoordinates vector(nullptr, V(1, 2, 3, 0.5f), CsVector);
    EXPECT_EQ(vector.AsString(), "(1; 2; 3; 0.5)");
    TGLCoordinates2 flat(nullptr, V(-1.5f, 2, 0, 0), CsPoint2D);
    EXPECT_EQ(flat.AsString(), "(-1.5; 2)");
    TGLCoordinates unknown(nullptr, V(0, 0, 0, 0), CsUnknown);
    EXPECT_THROW(unknown.AsString(), EAssertionFailed);
    // The address is the value itself: callers write through it.
    point.AsAddress()[1] = 7;
    EXPECT_EQ(point.Y(), 7);
}

TEST(GLCoordinates, EveryWriteNotifiesTheOwnerInterfaceFirst)
{
    TSpyOwner owner;
    TGLCoordinates coords(&owner, V(1, 2, 3, 1), CsPoint);
    coords.SetX(coords.X()); // unchanged, still notified
    EXPECT_EQ(owner.Log, "CN");
    EXPECT_EQ(owner.LastSender, &coords);
    coords.SetPoint(1, 2, 3);
    EXPECT_EQ(owner.Log, "CNCN");

    owner.Log.clear();
    TGLCoordinates other(nullptr, V(5, 6, 7, 1), CsPoint);
    coords.Assign(&other);
    coords.SetDirectX(8);
    coords.Initialize(V(0, 0, 0, 1));
    EXPECT_EQ(owner.Log, "");
    other.SetDirectW(4);
    coords.Assign(&other);
    EXPECT_EQ(A(coords.AsVector()), (Vec{5, 6, 7, 4})); // W too

    TPlainOwner plain;
    int events = 0;
    TGLCoordinates plainCoords(&plain, V(0, 0, 0, 1), CsPoint);
    plainCoords.OnNotifyChange = [&](TObject*) { ++events; };
    plainCoords.Translate(V(1, 0, 0, 0));
    EXPECT_EQ(plain.Changes, 1);
    EXPECT_EQ(events, 1);

    // Held back while the coordinates themselves are updating; the owner's interface still hears.
    coords.BeginUpdate();
    coords.SetY(3);
    EXPECT_EQ(owner.Log, "C");
    coords.EndUpdate();
    EXPECT_EQ(owner.Log, "CCN");
}

TEST(GLCoordinates, ComponentStreamHoldsTheRawBytes)
{
    THolder source;
    source.Coords.SetPoint(1, 2, 3);
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(&source);
    const std::vector<uint8_t> bytes = Bytes(stream);
    // "Coordinates", vaBinary, size 16, then X Y Z W as little-endian Singles.
    const std::vector<uint8_t> property = {11, 'C', 'o', 'o', 'r', 'd', 'i', 'n', 'a', 't', 'e', 's', vaBinary,
                                           16, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40,
                                           0, 0, 0x80, 0x3F};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), property.begin(), property.end()), bytes.end());

    THolder target;
    stream.SetPosition(0);
    TReader(stream).ReadRootComponent(&target);
    EXPECT_EQ(A(target.Coords.AsVector()), (Vec{1, 2, 3, 1}));

    // A property of 8 bytes fails to read and leaves the value whole.
    std::vector<uint8_t> cut = bytes;
    const auto at = std::search(cut.begin(), cut.end(), property.begin(), property.end()) + 13;
    *at = 8;
    cut.erase(at + 4 + 8, at + 4 + 16);
    TMemoryStream cutStream;
    cutStream.WriteBuffer(cut.data(), static_cast<int64_t>(cut.size()));
    cutStream.SetPosition(0);
    THolder untouched;
    EXPECT_THROW(TReader(cutStream).ReadRootComponent(&untouched), EReadError);
    EXPECT_EQ(A(untouched.Coords.AsVector()), (Vec{0, 0, 0, 1}));
}

TEST(GLCoordinates, ArchiveFormAndStreamDefaults)
{
    TGLCoordinates coords(nullptr, V(1, 2, 3, 1), CsPoint);
    TMemoryStream stream;
    {
        TWriter writer(stream);
        coords.WriteToFiler(writer);
    }
    std::vector<uint8_t> expected = {vaInt8, 0, vaTrue};
    const std::vector<uint8_t> raw = {0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40, 0, 0, 0x80, 0x3F};
    expected.insert(expected.end(), raw.begin(), raw.end());
    EXPECT_EQ(Bytes(stream), expected);

    TGLCoordinates read(nullptr, V(0, 0, 0, 1), CsPoint);
    stream.SetPosition(0);
    TReader reader(stream);
    read.ReadFromFiler(reader);
    EXPECT_EQ(A(read.AsVector()), (Vec{1, 2, 3, 1}));

    // A False flag leaves the value as it was when no default is kept.
    TMemoryStream notStored;
    const uint8_t flagFalse[] = {vaInt8, 0, vaFalse};
    notStored.WriteBuffer(flagFalse, sizeof flagFalse);
    notStored.SetPosition(0);
    TReader falseReader(notStored);
    read.ReadFromFiler(falseReader);
    EXPECT_EQ(A(read.AsVector()), (Vec{1, 2, 3, 1}));

    // A truncated value raises and changes nothing.
    TMemoryStream truncated;
    truncated.WriteBuffer(expected.data(), expected.size() - 1);
    truncated.SetPosition(0);
    TReader truncatedReader(truncated);
    TGLCoordinates untouched(nullptr, V(5, 5, 5, 1), CsPoint);
    EXPECT_THROW(untouched.ReadFromFiler(truncatedReader), EReadError);
    EXPECT_EQ(A(untouched.AsVector()), (Vec{5, 5, 5, 1}));

    // With default sets on, an unchanged value is not stored and a False flag restores the default.
    vUseDefaultCoordinateSets = true;
    TGLCoordinates withDefault(nullptr, V(4, 5, 6, 1), CsPoint);
    vUseDefaultCoordinateSets = false;
    TMemoryStream defaultStream;
    {
        TWriter writer(defaultStream);
        withDefault.WriteToFiler(writer);
    }
    EXPECT_EQ(Bytes(defaultStream), (std::vector<uint8_t>{vaInt8, 0, vaFalse}));
    withDefault.SetPoint(7, 8, 9);
    defaultStream.SetPosition(0);
    TReader defaultReader(defaultStream);
    withDefault.ReadFromFiler(defaultReader);
    EXPECT_EQ(A(withDefault.AsVector()), (Vec{4, 5, 6, 1}));
}
