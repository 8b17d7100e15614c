#include "GLCoordinates.h"

#include "ComponentStreams.h"
#include "GLVectorGeometry.h"
#include "SysUtils.h"

#include <bit>

static_assert(std::endian::native == std::endian::little, "coordinates are streamed as their raw little-endian bytes");

namespace {

const char* const cUnit = "VAVodad\\Source\\GLCoordinates";
const char* const cUseSetVector = "If you are getting assertions here, consider using the SetVector procedure";
const char* const cUseSetPoint = "If you are getting assertions here, consider using the SetPoint procedure";
const char* const cUseSetVectorOrPoint =
    "If you are getting assertions here, consider using one of the SetVector or SetPoint procedures";

} // namespace

bool vUseDefaultCoordinateSets = false;

TGLCustomCoordinates::TGLCustomCoordinates(TPersistent* AOwner, const TVector4f& AValue, TGLCoordinatesStyle AStyle)
    : TGLUpdateAbleObject(AOwner), FStyle(AStyle)
{
    Initialize(AValue);
}

void TGLCustomCoordinates::Initialize(const TVector4f& Value)
{
    FCoords = Value;
    if (vUseDefaultCoordinateSets) FPDefaultCoords = std::make_unique<TVector4f>(Value);
}

void TGLCustomCoordinates::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCustomCoordinates*>(Source))
        FCoords = source->FCoords;
    else
        TGLUpdateAbleObject::Assign(Source);
}

bool TGLCustomCoordinates::StoreCoordinates() const
{
    return !FPDefaultCoords || !HmgEquals(*FPDefaultCoords, FCoords);
}

void TGLCustomCoordinates::DefineProperties(TFiler& Filer)
{
    TGLUpdateAbleObject::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Coordinates",
        [this](TStream& stream) {
            // Read whole before storing: a property cut short leaves the value as it was.
            TVector4f value;
            stream.ReadBuffer(value.V, sizeof(value.V));
            FCoords = value;
        },
        [this](TStream& stream) { stream.WriteBuffer(FCoords.V, sizeof(FCoords.V)); }, StoreCoordinates());
}

void TGLCustomCoordinates::WriteToFiler(TWriter& writer)
{
    writer.WriteInteger(0); // archive version
    const bool stored = StoreCoordinates();
    writer.WriteBoolean(stored);
    if (stored) writer.Write(FCoords.V, sizeof(FCoords.V));
}

void TGLCustomCoordinates::ReadFromFiler(TReader& reader)
{
    reader.ReadInteger(); // archive version, any
    if (reader.ReadBoolean()) {
        TVector4f value;
        reader.Read(value.V, sizeof(value.V));
        FCoords = value;
    } else if (FPDefaultCoords) {
        FCoords = *FPDefaultCoords;
    }
}

void TGLCustomCoordinates::NotifyChange(TObject* Sender)
{
    if (auto* owner = dynamic_cast<IGLCoordinatesUpdateAble*>(Owner())) owner->CoordinateChanged(this);
    TGLUpdateAbleObject::NotifyChange(Sender);
}

void TGLCustomCoordinates::CheckStyle(TGLCoordinatesStyle expected, const char* message) const
{
    if (FStyle != expected) Assert(false, message, cUnit);
}

void TGLCustomCoordinates::Translate(const TVector4f& translationVector)
{
    FCoords.X += translationVector.X;
    FCoords.Y += translationVector.Y;
    FCoords.Z += translationVector.Z;
    NotifyChange(this);
}

void TGLCustomCoordinates::Translate(const TVector3f& translationVector)
{
    Translate(TVector4f{{{translationVector.X, translationVector.Y, translationVector.Z, 0}}});
}

void TGLCustomCoordinates::AddScaledVector(float factor, const TVector4f& translationVector)
{
    HmgAddScaledInPlace(FCoords, translationVector, factor);
    NotifyChange(this);
}

void TGLCustomCoordinates::AddScaledVector(float factor, const TVector3f& translationVector)
{
    HmgAddScaledAffineInPlace(FCoords, translationVector, factor);
    NotifyChange(this);
}

void TGLCustomCoordinates::Rotate(const TVector3f& anAxis, float anAngle)
{
    HmgRotateInPlaceByAffineAxis(FCoords, anAxis, anAngle);
    NotifyChange(this);
}

void TGLCustomCoordinates::Rotate(const TVector4f& anAxis, float anAngle)
{
    HmgRotateInPlace(FCoords, anAxis, anAngle);
    NotifyChange(this);
}

void TGLCustomCoordinates::Normalize()
{
    HmgNormalizeInPlace(FCoords);
    NotifyChange(this);
}

void TGLCustomCoordinates::Invert()
{
    HmgNegateInPlace(FCoords);
    NotifyChange(this);
}

void TGLCustomCoordinates::Scale(float factor)
{
    TVector3f xyz = AsAffineVector();
    AffineScaleInPlace(xyz, factor);
    FCoords.X = xyz.X;
    FCoords.Y = xyz.Y;
    FCoords.Z = xyz.Z;
    NotifyChange(this);
}

double TGLCustomCoordinates::VectorLength() const
{
    return HmgLength(FCoords);
}

double TGLCustomCoordinates::VectorNorm() const
{
    return HmgLengthSquared(FCoords);
}

float TGLCustomCoordinates::MaxXYZ() const
{
    return HmgMaxComponentXYZ(FCoords);
}

bool TGLCustomCoordinates::Equals(const TVector4f& aVector) const
{
    return HmgEquals(FCoords, aVector);
}

void TGLCustomCoordinates::SetPoint(float X, float Y, float Z)
{
    CheckStyle(CsPoint, cUseSetVector);
    FCoords = TVector4f{{{X, Y, Z, 1}}};
    NotifyChange(this);
}

void TGLCustomCoordinates::SetPoint(const TVector3f& v)
{
    SetPoint(v.X, v.Y, v.Z);
}

void TGLCustomCoordinates::SetPoint(const TVector4f& v)
{
    SetPoint(v.X, v.Y, v.Z);
}

void TGLCustomCoordinates::SetPoint2D(float X, float Y)
{
    CheckStyle(CsPoint2D, cUseSetVectorOrPoint);
    FCoords = TVector4f{{{X, Y, 0, 0}}};
    NotifyChange(this);
}

void TGLCustomCoordinates::SetPoint2D(const TVector2f& v)
{
    SetPoint2D(v.X, v.Y);
}

void TGLCustomCoordinates::SetPoint2D(const TVector3f& v)
{
    SetPoint2D(v.X, v.Y);
}

void TGLCustomCoordinates::SetPoint2D(const TVector4f& v)
{
    SetPoint2D(v.X, v.Y);
}

void TGLCustomCoordinates::SetVector(float X, float Y, float Z)
{
    SetVector(X, Y, Z, 0);
}

void TGLCustomCoordinates::SetVector(const TVector3f& v)
{
    SetVector(v.X, v.Y, v.Z, 0);
}

void TGLCustomCoordinates::SetVector(float X, float Y, float Z, float W)
{
    CheckStyle(CsVector, cUseSetPoint);
    FCoords = TVector4f{{{X, Y, Z, W}}};
    NotifyChange(this);
}

void TGLCustomCoordinates::SetVector(const TVector4f& v)
{
    SetVector(v.X, v.Y, v.Z, v.W);
}

void TGLCustomCoordinates::SetToZero()
{
    FCoords = TVector4f{{{0, 0, 0, FStyle == CsPoint ? 1.0f : 0.0f}}};
    NotifyChange(this);
}

void TGLCustomCoordinates::SetAsVector(const TVector4f& Value)
{
    FCoords = Value;
    switch (FStyle) {
    case CsPoint2D:
        FCoords.Z = 0;
        FCoords.W = 0;
        break;
    case CsPoint:
        FCoords.W = 1;
        break;
    case CsVector:
        FCoords.W = 0;
        break;
    case CsUnknown:
        Assert(false, "", cUnit);
    }
    NotifyChange(this);
}

void TGLCustomCoordinates::SetAsAffineVector(const TVector3f& Value)
{
    float w = 0;
    switch (FStyle) {
    case CsPoint2D:
    case CsVector:
        break;
    case CsPoint:
        w = 1;
        break;
    case CsUnknown:
        Assert(false, "", cUnit);
    }
    FCoords = TVector4f{{{Value.X, Value.Y, Value.Z, w}}};
    NotifyChange(this);
}

void TGLCustomCoordinates::SetAsPoint2D(const TVector2f& Value)
{
    if (FStyle == CsUnknown) Assert(false, "", cUnit);
    FCoords = TVector4f{{{Value.X, Value.Y, 0, 0}}};
    NotifyChange(this);
}

std::string TGLCustomCoordinates::AsString() const
{
    switch (FStyle) {
    case CsPoint2D:
        return Format("(%g; %g)", {FCoords.X, FCoords.Y});
    case CsPoint:
        return Format("(%g; %g; %g)", {FCoords.X, FCoords.Y, FCoords.Z});
    case CsVector:
        return Format("(%g; %g; %g; %g)", {FCoords.X, FCoords.Y, FCoords.Z, FCoords.W});
    case CsUnknown:
        break;
    }
    Assert(false, "", cUnit);
    return {};
}

float TGLCustomCoordinates::GetCoordinate(int AIndex) const
{
    if (AIndex < 0 || AIndex > 3) Assert(false, "Coordinate index out of range", cUnit);
    return FCoords.V[AIndex];
}

void TGLCustomCoordinates::SetCoordinate(int AIndex, float AValue)
{
    if (AIndex < 0 || AIndex > 3) Assert(false, "Coordinate index out of range", cUnit);
    FCoords.V[AIndex] = AValue;
    NotifyChange(this);
}

void RegisterGLCoordinatesClasses()
{
    RegisterClasses<TGLCoordinates2, TGLCoordinates3, TGLCoordinates4>();
}
