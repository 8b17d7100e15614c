// Coordinates: a four-component vector property with a style (2D point, point, vector) that tells its owner
// whenever it is written, and the component base class whose descendants learn which of their coordinates
// changed. Scene objects keep their position, direction, up, scale and rotation in coordinates objects.
#pragma once

#include "GLBaseClasses.h"
#include "GLVectorTypes.h"

#include <memory>
#include <string>

class TReader;
class TWriter;

// The style decides W: a point has W = 1, a vector W = 0, a 2D point Z = W = 0.
enum TGLCoordinatesStyle { CsPoint2D, CsPoint, CsVector, CsUnknown };

// When on, Initialize keeps the initial value as the stream default, and coordinates equal to it are not
// streamed. Off unless a program turns it on.
extern bool vUseDefaultCoordinateSets;

class TGLCustomCoordinates;

// Owners that want to know which of their coordinates changed (before the ordinary change notification).
class IGLCoordinatesUpdateAble {
public:
    virtual void CoordinateChanged(TGLCustomCoordinates* Sender) = 0;

protected:
    ~IGLCoordinatesUpdateAble() = default;
};

class TGLCustomCoordinates : public TGLUpdateAbleObject {
public:
    explicit TGLCustomCoordinates(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner) {}
    // CreateInitialized: the owner, Initialize(AValue) and the style.
    TGLCustomCoordinates(TPersistent* AOwner, const TVector4f& AValue, TGLCoordinatesStyle AStyle);

    // Stores without notifying (and keeps the stream default while vUseDefaultCoordinateSets is on).
    void Initialize(const TVector4f& Value);
    // From another coordinates object: the four components, without notifying.
    void Assign(TPersistent* Source) override;
    // The binary property "Coordinates": X, Y, Z, W as little-endian Singles.
    void DefineProperties(TFiler& Filer) override;
    // The engine archive form: Integer 0 (version), Boolean "values stored", then the 16 bytes when stored.
    void WriteToFiler(TWriter& writer);
    void ReadFromFiler(TReader& reader);
    // The owner's CoordinateChanged first (when it has the interface), then the ordinary notification.
    void NotifyChange(TObject* Sender) override;

    TGLCoordinatesStyle Style() const { return FStyle; }
    void SetStyle(TGLCoordinatesStyle Value) { FStyle = Value; }

    // Every setter below notifies, also when the value does not change.
    void Translate(const TVector4f& translationVector);
    void Translate(const TVector3f& translationVector);
    void AddScaledVector(float factor, const TVector4f& translationVector);
    void AddScaledVector(float factor, const TVector3f& translationVector);
    // Angle in radians.
    void Rotate(const TVector3f& anAxis, float anAngle);
    void Rotate(const TVector4f& anAxis, float anAngle);
    // W becomes 0.
    void Normalize();
    void Invert();
    void Scale(float factor);
    double VectorLength() const;
    double VectorNorm() const;
    float MaxXYZ() const;
    // Bitwise equality of the four components.
    bool Equals(const TVector4f& aVector) const;

    // Style CsPoint only; W = 1.
    void SetPoint(float X, float Y, float Z);
    void SetPoint(const TVector3f& v);
    void SetPoint(const TVector4f& v);
    // Style CsPoint2D only; Z = W = 0.
    void SetPoint2D(float X, float Y);
    void SetPoint2D(const TVector2f& v);
    void SetPoint2D(const TVector3f& v);
    void SetPoint2D(const TVector4f& v);
    // Style CsVector only; the three-component forms store W = 0, the others W as given.
    void SetVector(float X, float Y, float Z);
    void SetVector(const TVector3f& v);
    void SetVector(float X, float Y, float Z, float W);
    void SetVector(const TVector4f& v);
    // X = Y = Z = 0, W = 1 for a point, else 0.
    void SetToZero();

    const TVector4f& AsVector() const { return FCoords; }
    // Copies the four values, then forces Z and W by the style (an assertion for CsUnknown, after the copy).
    void SetAsVector(const TVector4f& Value);
    TVector3f AsAffineVector() const { return TVector3f{{{FCoords.X, FCoords.Y, FCoords.Z}}}; }
    void SetAsAffineVector(const TVector3f& Value);
    TVector2f AsPoint2D() const { return TVector2f{{{FCoords.X, FCoords.Y}}}; }
    void SetAsPoint2D(const TVector2f& Value);
    // "(x; y)", "(x; y; z)" or "(x; y; z; w)" by style.
    std::string AsString() const;
    // The four Singles, for callers that read or write them directly.
    float* AsAddress() { return FCoords.V; }

    float X() const { return FCoords.X; }
    float Y() const { return FCoords.Y; }
    float Z() const { return FCoords.Z; }
    float W() const { return FCoords.W; }
    void SetX(float AValue) { SetCoordinate(0, AValue); }
    void SetY(float AValue) { SetCoordinate(1, AValue); }
    void SetZ(float AValue) { SetCoordinate(2, AValue); }
    void SetW(float AValue) { SetCoordinate(3, AValue); }
    // Index 0..3 for X, Y, Z, W; the setter notifies.
    float GetCoordinate(int AIndex) const;
    void SetCoordinate(int AIndex, float AValue);

    // Without notification.
    float DirectX() const { return FCoords.X; }
    float DirectY() const { return FCoords.Y; }
    float DirectZ() const { return FCoords.Z; }
    float DirectW() const { return FCoords.W; }
    void SetDirectX(float AValue) { FCoords.X = AValue; }
    void SetDirectY(float AValue) { FCoords.Y = AValue; }
    void SetDirectZ(float AValue) { FCoords.Z = AValue; }
    void SetDirectW(float AValue) { FCoords.W = AValue; }
    const TVector4f& DirectVector() const { return FCoords; }
    void SetDirectVector(const TVector4f& Value) { FCoords = Value; }

protected:
    void CheckStyle(TGLCoordinatesStyle expected, const char* message) const;

    TVector4f FCoords{};
    TGLCoordinatesStyle FStyle = CsPoint2D;
    std::unique_ptr<TVector4f> FPDefaultCoords;

private:
    // Whether the component stream and the archive must hold the value.
    bool StoreCoordinates() const;
};

// The published kinds: X, Y (TGLCoordinates2); X, Y, Z (TGLCoordinates3); X, Y, Z, W (TGLCoordinates4).
class TGLCoordinates2 : public TGLCustomCoordinates {
public:
    using TGLCustomCoordinates::TGLCustomCoordinates;
};

class TGLCoordinates3 : public TGLCustomCoordinates {
public:
    using TGLCustomCoordinates::TGLCustomCoordinates;
};

class TGLCoordinates4 : public TGLCustomCoordinates {
public:
    using TGLCustomCoordinates::TGLCustomCoordinates;
};

using TGLCoordinates = TGLCoordinates3;

// An update-able component that owns coordinates objects and hears which of them changed.
class TGLCoordinatesUpdateAbleComponent : public TGLUpdateAbleComponent, public IGLCoordinatesUpdateAble {
public:
    using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
    void CoordinateChanged(TGLCustomCoordinates* Sender) override = 0;
};

// Registers the coordinates classes for component streaming; calling it again does nothing.
void RegisterGLCoordinatesClasses();
