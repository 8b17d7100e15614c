#include "GLGeomObjects.h"

#include "GLNodes.h"
#include "GLPolynomials.h"
#include "GLSilhouette.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"
#include "VAVodad_vectors.h"
#include "XOpenGL.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

inline constexpr TEnumNames<2> cConePartNames{"coSides", "coBottom"};
inline constexpr TEnumNames<3> cCylinderPartNames{"cySides", "cyBottom", "cyTop"};
inline constexpr TEnumNames<3> cCylinderAlignmentNames{"caCenter", "caTop", "caBottom"};
inline constexpr TEnumNames<4> cAnnulusPartNames{"anInnerSides", "anOuterSides", "anBottom", "anTop"};
inline constexpr TEnumNames<3> cArrowLinePartNames{"alLine", "alTopArrow", "alBottomArrow"};
inline constexpr TEnumNames<3> cArrowArcPartNames{"aaArc", "aaTopArrow", "aaBottomArrow"};
inline constexpr TEnumNames<3> cArrowHeadStackingStyleNames{"ahssStacked", "ahssCentered", "ahssIncluded"};

constexpr double cInfinity = std::numeric_limits<double>::infinity();

TVector3f Vec3(double x, double y, double z)
{
    return TVector3f{{{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)}}};
}

TVector4f Point4(double x, double y, double z)
{
    return TVector4f{{{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 1}}};
}

TVector4f Vector4(double x, double y, double z)
{
    return TVector4f{{{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 0}}};
}

// A GLU quadric set up the object's way, deleted however the drawing ends.
class TQuadric {
public:
    explicit TQuadric(const TGLQuadricObject& object) : FQuadric(gluNewQuadric())
    {
        if (FQuadric) object.SetupQuadricParams(FQuadric);
    }
    ~TQuadric()
    {
        if (FQuadric) gluDeleteQuadric(FQuadric);
    }
    TQuadric(const TQuadric&) = delete;
    TQuadric& operator=(const TQuadric&) = delete;

    // Null when GLU could not make one (out of memory): nothing is drawn then.
    GLUquadric* operator*() const { return FQuadric; }

private:
    GLUquadric* FQuadric;
};

// GLU's quadrics lie along their Z axis: turned so that it becomes the object's Y axis.
void TurnGLUZToY(TGLExtensionsAndEntryPoints& gl)
{
    gl.Rotatef(-90, 1, 0, 0);
}

// A disk at height z (GLU's axis) inside the current matrix.
void DiskAt(TGLExtensionsAndEntryPoints& gl, GLUquadric* q, double z, double inner, double outer, int32_t slices,
            int32_t loops)
{
    gl.PushMatrix();
    gl.Translatef(0, 0, static_cast<float>(z));
    gluDisk(q, inner, outer, slices, loops);
    gl.PopMatrix();
}

// ---------------------------------------------------------------------------------------------------------
// Ray tests in the object's frame

struct TLocalRay {
    TVector4f Start;  // a point
    TVector4f Vector; // a direction
};

TLocalRay LocalRay(TGLBaseSceneObject& object, const TVector4f& rayStart, const TVector4f& rayVector)
{
    return {object.AbsoluteToLocal(TVector4f{{{rayStart.X, rayStart.Y, rayStart.Z, 1}}}),
            object.AbsoluteToLocal(TVector4f{{{rayVector.X, rayVector.Y, rayVector.Z, 0}}})};
}

TVector4f PointAt(const TLocalRay& ray, double t)
{
    return Point4(ray.Start.X + t * ray.Vector.X, ray.Start.Y + t * ray.Vector.Y, ray.Start.Z + t * ray.Vector.Z);
}

// The nearest hit found in the object's frame, handed back in world space; the outputs stay untouched on a
// miss.
struct THit {
    double T = cInfinity;
    TVector4f Point{};
    TVector4f Normal{};

    // Kept when nearer along the ray than what was found before.
    void Offer(double t, const TVector4f& point, const TVector4f& normal)
    {
        if (t >= T) return;
        T = t;
        Point = point;
        Normal = normal;
    }
    bool Report(TGLBaseSceneObject& object, TVector4f* intersectPoint, TVector4f* intersectNormal) const
    {
        if (T == cInfinity) return false;
        if (intersectPoint) *intersectPoint = object.LocalToAbsolute(Point);
        if (intersectNormal) *intersectNormal = object.LocalToAbsolute(Normal);
        return true;
    }
};

double SquaredRadius(const TVector4f& p)
{
    return double{p.X} * p.X + double{p.Z} * p.Z;
}

// The wall of a solid of revolution about Y whose radius runs linearly from rb at height yb to rt at height yt:
// a cylinder when the two are equal, else (part of) a cone.
struct TWall {
    double yb, rb, yt, rt;

    double Slope() const { return yt == yb ? 0 : (rt - rb) / (yt - yb); }
    double RadiusAt(double y) const { return rb + Slope() * (y - yb); }

    // The nearest point ahead where the ray meets the wall between its two heights. The surface
    // x^2 + z^2 = RadiusAt(y)^2 goes on beyond them (past a cone's apex, mirrored): a nearer meeting point out
    // there must not hide the wall.
    bool Nearest(const TLocalRay& ray, double& t) const
    {
        const TVector4f& s = ray.Start;
        const TVector4f& d = ray.Vector;
        const double slope = Slope();
        const double r0 = RadiusAt(s.Y);
        const double c[3] = {SquaredRadius(s) - r0 * r0,
                             2 * (double{s.X} * d.X + double{s.Z} * d.Z - slope * r0 * d.Y),
                             double{d.X} * d.X + double{d.Z} * d.Z - slope * slope * d.Y * d.Y};
        TDoubleArray within;
        for (const double root : SolveQuadraticEquation(c)) {
            const double y = s.Y + root * d.Y;
            if (y >= std::min(yb, yt) && y <= std::max(yb, yt)) within.push_back(root);
        }
        return MinNonNegativeRoot(within, t);
    }
    // The outward normal at p on the wall, not normalised: (x, 0, z) for a cylinder.
    TVector4f Normal(const TVector4f& p) const
    {
        return Vector4(p.X, -Slope() * RadiusAt(p.Y), p.Z);
    }
};

// The heights of the top and bottom ends of something Height long along Y, placed as alignment says.
struct TEnds {
    double Bottom, Top;
};

TEnds EndsAligned(TCylinderAlignment alignment, double height)
{
    switch (alignment) {
    case caTop:
        return {-height, 0};
    case caBottom:
        return {0, height};
    case caCenter:
        break;
    }
    return {-height * 0.5, height * 0.5};
}

// Puts an object that stands Height tall along its Up between two points: it starts at the first, its Up
// points to the second (in its parent's frame), it is as tall as they are apart and centred between them.
template <class TObject> void AlignBetween(TObject& object, const TVector4f& startPoint, const TVector4f& endPoint)
{
    object.SetAbsolutePosition(startPoint);
    TVector4f v = Vector4(endPoint.X - startPoint.X, endPoint.Y - startPoint.Y, endPoint.Z - startPoint.Z);
    if (object.Parent()) v = object.Parent()->AbsoluteToLocal(v);
    object.Up()->SetVector(v.X, v.Y, v.Z);
    object.SetHeight(static_cast<float>(HmgLength(v)));
    object.Lift(object.Height() * 0.5f);
    object.SetAlignment(caCenter);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLDisk

TGLDisk::TGLDisk(TComponent* AOwner) : TGLQuadricObject(AOwner) {}

void TGLDisk::SetStartAngle(float Value)
{
    if (Store(FStartAngle, Value)) StructureChanged();
}

void TGLDisk::SetSweepAngle(float Value)
{
    if (Store(FSweepAngle, Value)) StructureChanged();
}

void TGLDisk::SetOuterRadius(float Value)
{
    if (Store(FOuterRadius, Value)) StructureChanged();
}

void TGLDisk::SetInnerRadius(float Value)
{
    if (Store(FInnerRadius, Value)) StructureChanged();
}

void TGLDisk::SetSlices(int32_t Value)
{
    if (Store(FSlices, Value)) StructureChanged();
}

void TGLDisk::SetLoops(int32_t Value)
{
    if (Store(FLoops, Value)) StructureChanged();
}

void TGLDisk::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLDisk*>(Source)) {
        FOuterRadius = source->FOuterRadius;
        FInnerRadius = source->FInnerRadius;
        FSlices = source->FSlices;
        FLoops = source->FLoops;
        FStartAngle = source->FStartAngle;
        FSweepAngle = source->FSweepAngle;
    }
    TGLQuadricObject::Assign(Source);
}

void TGLDisk::DefineProperties(TFiler& Filer)
{
    TGLQuadricObject::DefineProperties(Filer);
    DefineSingleProperty(Filer, "InnerRadius", FInnerRadius, 0, [this](float v) { SetInnerRadius(v); });
    DefineIntegerProperty(Filer, "Loops", FLoops, 2, [this](int32_t v) { SetLoops(v); });
    DefineSingleProperty(Filer, "OuterRadius", FOuterRadius, 0.5f, [this](float v) { SetOuterRadius(v); });
    DefineIntegerProperty(Filer, "Slices", FSlices, 16, [this](int32_t v) { SetSlices(v); });
    DefineSingleProperty(Filer, "StartAngle", FStartAngle, 0, [this](float v) { SetStartAngle(v); });
    DefineSingleProperty(Filer, "SweepAngle", FSweepAngle, 360, [this](float v) { SetSweepAngle(v); });
}

TVector4f TGLDisk::AxisAlignedDimensionsUnscaled()
{
    const float r = std::fabs(FOuterRadius);
    return TVector4f{{{r, r, 0, 0}}};
}

bool TGLDisk::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                               TVector4f* intersectNormal)
{
    if (FSweepAngle <= 0) return false;
    TVector4f planePoint;
    if (!RayIntersectPlane(rayStart, rayVector, AbsolutePosition(), AbsoluteDirection(), &planePoint)) return false;
    if (intersectPoint) *intersectPoint = planePoint;
    const TVector4f p = AbsoluteToLocal(planePoint);
    const double r2 = double{p.X} * p.X + double{p.Y} * p.Y + double{p.Z} * p.Z;
    if (r2 < double{FInnerRadius} * FInnerRadius || r2 > double{FOuterRadius} * FOuterRadius) return false;
    if (FSweepAngle < 360) {
        // Clockwise from +Y, as GLU lays out a partial disk.
        double angle = RadiansToDegrees(std::atan2(p.X, p.Y));
        if (angle < 0) angle += 360;
        // The truncated angles keep their sign through the remainder.
        const int32_t start = static_cast<int32_t>(std::trunc(FStartAngle)) % 360;
        const int32_t stop = static_cast<int32_t>(std::trunc(FStartAngle + FSweepAngle)) % 360;
        const bool inside = start > stop ? (angle > start || angle < stop) : (angle > start && angle < stop);
        if (!inside) return false;
    }
    if (intersectNormal) *intersectNormal = AbsoluteDirection();
    return true;
}

void TGLDisk::BuildList(TGLRenderContextInfo& /*rci*/)
{
    TQuadric q(*this);
    if (!*q) return;
    gluPartialDisk(*q, FInnerRadius, FOuterRadius, FSlices, FLoops, FStartAngle, FSweepAngle);
}

// ---------------------------------------------------------------------------------------------------------
// TGLCylinderBase

TGLCylinderBase::TGLCylinderBase(TComponent* AOwner, int32_t defaultStacks)
    : TGLQuadricObject(AOwner), FStacks(defaultStacks), FDefaultStacks(defaultStacks)
{
}

void TGLCylinderBase::SetBottomRadius(float Value)
{
    ChangeStructure(*this, FBottomRadius, Value);
}

void TGLCylinderBase::SetHeight(float Value)
{
    ChangeStructure(*this, FHeight, Value);
}

void TGLCylinderBase::SetSlices(int32_t Value)
{
    ChangeStructure(*this, FSlices, Value);
}

void TGLCylinderBase::SetStacks(int32_t Value)
{
    ChangeStructure(*this, FStacks, Value);
}

void TGLCylinderBase::SetLoops(int32_t Value)
{
    if (Value > 0) ChangeStructure(*this, FLoops, Value);
}

void TGLCylinderBase::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCylinderBase*>(Source)) {
        FBottomRadius = source->FBottomRadius;
        FSlices = source->FSlices;
        FStacks = source->FStacks;
        FLoops = source->FLoops;
        FHeight = source->FHeight;
    }
    TGLQuadricObject::Assign(Source);
}

void TGLCylinderBase::DefineProperties(TFiler& Filer)
{
    TGLQuadricObject::DefineProperties(Filer);
    DefineSingleProperty(Filer, "BottomRadius", FBottomRadius, 0.5f, [this](float v) { SetBottomRadius(v); });
    DefineSingleProperty(Filer, "Height", FHeight, 1, [this](float v) { SetHeight(v); });
    DefineIntegerProperty(Filer, "Loops", FLoops, 1, [this](int32_t v) { SetLoops(v); });
    DefineIntegerProperty(Filer, "Slices", FSlices, 16, [this](int32_t v) { SetSlices(v); });
    DefineIntegerProperty(Filer, "Stacks", FStacks, FDefaultStacks, [this](int32_t v) { SetStacks(v); });
}

std::unique_ptr<TGLSilhouette> TGLCylinderBase::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters)
{
    // Too few sides would give a poor outline.
    const int32_t n = std::max(FSlices, 5);
    const double h = FHeight * 0.5;
    const double rb = FBottomRadius;
    const double rt = GetTopRadius();
    // Point i of the ring of radius r at height y; a ring of radius 0 is its centre (exactly, with no -0 among
    // its coordinates: the connectivity shares only bit-equal points).
    const auto ring = [n](double r, double y, int32_t i) {
        if (r == 0) return Vec3(0, y, 0);
        const double a = i % n * 2 * std::numbers::pi / n;
        return Vec3(r * std::sin(a), y, r * std::cos(a));
    };
    const TVector3f bottomCentre = Vec3(0, -h, 0);
    const TVector3f topCentre = Vec3(0, h, 0);
    TConnectivity connectivity(true);
    // An end of radius 0 (a cone's apex) collapses faces to lines or points. Left in, they would count as
    // facing every light and add their edges to the outline.
    const auto addFace = [&connectivity](const TVector3f& v0, const TVector3f& v1, const TVector3f& v2) {
        const auto same = [](const TVector3f& a, const TVector3f& b) { return a.X == b.X && a.Y == b.Y && a.Z == b.Z; };
        if (!same(v0, v1) && !same(v1, v2) && !same(v2, v0)) connectivity.AddFace(v0, v1, v2);
    };
    for (int32_t i = 0; i < n; ++i) {
        // The last segment ends on the first one's points, so the surface is closed.
        const TVector3f ba = ring(rb, -h, i), bb = ring(rb, -h, i + 1), ta = ring(rt, h, i), tb = ring(rt, h, i + 1);
        addFace(ta, ba, bb);
        addFace(tb, ta, bb);
        addFace(bottomCentre, bb, ba);
        addFace(ta, tb, topCentre);
    }
    TGLSilhouette* silhouette = nullptr;
    connectivity.CreateSilhouette(silhouetteParameters, silhouette, false);
    return std::unique_ptr<TGLSilhouette>(silhouette);
}

void TGLCylinderBase::DrawUpright(float bottom, float topRadius, bool sides, bool top, bool base)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TQuadric q(*this);
    if (!*q) return;
    gl.PushMatrix();
    TurnGLUZToY(gl);
    gl.Translatef(0, 0, bottom);
    if (sides) gluCylinder(*q, FBottomRadius, topRadius, FHeight, FSlices, FStacks);
    if (top) DiskAt(gl, *q, FHeight, 0, topRadius, FSlices, FLoops);
    if (base) {
        // Seen from below.
        SetInvertedQuadricOrientation(*q);
        gluDisk(*q, 0, FBottomRadius, FSlices, FLoops);
    }
    gl.PopMatrix();
}

// ---------------------------------------------------------------------------------------------------------
// TGLCone

TGLCone::TGLCone(TComponent* AOwner) : TGLCylinderBase(AOwner, 4) {}

void TGLCone::SetParts(TConeParts Value)
{
    ChangeStructure(*this, FParts, Value);
}

void TGLCone::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCone*>(Source)) FParts = source->FParts;
    TGLCylinderBase::Assign(Source);
}

void TGLCone::DefineProperties(TFiler& Filer)
{
    TGLCylinderBase::DefineProperties(Filer);
    DefineSetProperty<TConePart>(Filer, "Parts", cConePartNames, FParts, TConeParts{coSides, coBottom},
                                 [this](TConeParts v) { SetParts(v); });
}

TVector4f TGLCone::AxisAlignedDimensionsUnscaled()
{
    const float r = std::fabs(FBottomRadius);
    return TVector4f{{{r, FHeight * 0.5f, r, 0}}};
}

bool TGLCone::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                               TVector4f* intersectNormal)
{
    TLocalRay ray = LocalRay(*this, rayStart, rayVector);
    HmgNormalizeInPlace(ray.Vector);
    const double h = FHeight * 0.5;
    const double r2 = double{FBottomRadius} * FBottomRadius;
    // From below, the base comes first.
    if (FParts.Contains(coBottom) && ray.Start.Y < -h) {
        TVector4f p;
        if (RayIntersectPlane(ray.Start, ray.Vector, Point4(0, -h, 0), Vector4(0, 1, 0), &p) && SquaredRadius(p) <= r2) {
            if (intersectPoint) *intersectPoint = LocalToAbsolute(p);
            if (intersectNormal) HmgNegate(AbsoluteUp(), *intersectNormal);
            return true;
        }
    }
    THit hit;
    double t;
    const TWall side{-h, FBottomRadius, h, 0};
    if (FParts.Contains(coSides) && side.Nearest(ray, t)) {
        const TVector4f p = PointAt(ray, t);
        TVector4f normal = side.Normal(p);
        HmgNormalizeInPlace(normal);
        hit.Offer(t, p, normal);
    }
    return hit.Report(*this, intersectPoint, intersectNormal);
}

void TGLCone::BuildList(TGLRenderContextInfo& /*rci*/)
{
    DrawUpright(-FHeight * 0.5f, 0, FParts.Contains(coSides), false, FParts.Contains(coBottom));
}

// ---------------------------------------------------------------------------------------------------------
// TGLCylinder

TGLCylinder::TGLCylinder(TComponent* AOwner) : TGLCylinderBase(AOwner, 4) {}

void TGLCylinder::SetParts(TCylinderParts Value)
{
    ChangeStructure(*this, FParts, Value);
}

void TGLCylinder::SetTopRadius(float Value)
{
    ChangeStructure(*this, FTopRadius, Value);
}

void TGLCylinder::SetAlignment(TCylinderAlignment Value)
{
    ChangeStructure(*this, FAlignment, Value);
}

void TGLCylinder::Align(const TVector4f& startPoint, const TVector4f& endPoint)
{
    AlignBetween(*this, startPoint, endPoint);
}

void TGLCylinder::Align(TGLBaseSceneObject* startObj, TGLBaseSceneObject* endObj)
{
    Align(startObj->AbsolutePosition(), endObj->AbsolutePosition());
}

void TGLCylinder::Align(const TVector3f& startPoint, const TVector3f& endPoint)
{
    Align(Point4(startPoint.X, startPoint.Y, startPoint.Z), Point4(endPoint.X, endPoint.Y, endPoint.Z));
}

void TGLCylinder::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCylinder*>(Source)) {
        FParts = source->FParts;
        FTopRadius = source->FTopRadius;
    }
    TGLCylinderBase::Assign(Source);
}

void TGLCylinder::DefineProperties(TFiler& Filer)
{
    TGLCylinderBase::DefineProperties(Filer);
    DefineEnumProperty<TCylinderAlignment>(Filer, "Alignment", cCylinderAlignmentNames, FAlignment, caCenter,
                                           [this](TCylinderAlignment v) { SetAlignment(v); });
    DefineSetProperty<TCylinderPart>(Filer, "Parts", cCylinderPartNames, FParts,
                                     TCylinderParts{cySides, cyBottom, cyTop}, [this](TCylinderParts v) { SetParts(v); });
    DefineSingleProperty(Filer, "TopRadius", FTopRadius, 0.5f, [this](float v) { SetTopRadius(v); });
}

TVector4f TGLCylinder::AxisAlignedDimensionsUnscaled()
{
    const float r = std::max(std::fabs(FBottomRadius), std::fabs(FTopRadius));
    return TVector4f{{{r, FHeight * 0.5f, r, 0}}};
}

bool TGLCylinder::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                   TVector4f* intersectNormal)
{
    const TLocalRay ray = LocalRay(*this, rayStart, rayVector);
    const auto [bottom, top] = EndsAligned(FAlignment, FHeight);
    // Each end is as wide as its own radius: a truncated cone is tested as one.
    const TWall side{bottom, FBottomRadius, top, FTopRadius};
    THit hit;
    if (ray.Vector.Y != 0) {
        const double tTop = (top - ray.Start.Y) / ray.Vector.Y;
        const double tBottom = (bottom - ray.Start.Y) / ray.Vector.Y;
        if (FParts.Contains(cyTop) && tTop > 0) {
            const TVector4f p = PointAt(ray, tTop);
            if (SquaredRadius(p) <= double{FTopRadius} * FTopRadius) hit.Offer(tTop, p, Vector4(0, 1, 0));
        }
        if (FParts.Contains(cyBottom) && tBottom > 0) {
            const TVector4f p = PointAt(ray, tBottom);
            if (SquaredRadius(p) <= double{FBottomRadius} * FBottomRadius) hit.Offer(tBottom, p, Vector4(0, -1, 0));
        }
    }
    double t;
    if (FParts.Contains(cySides) && side.Nearest(ray, t)) {
        const TVector4f p = PointAt(ray, t);
        hit.Offer(t, p, side.Normal(p));
    }
    return hit.Report(*this, intersectPoint, intersectNormal);
}

void TGLCylinder::BuildList(TGLRenderContextInfo& /*rci*/)
{
    const float bottom = static_cast<float>(EndsAligned(FAlignment, FHeight).Bottom);
    DrawUpright(bottom, FTopRadius, FParts.Contains(cySides), FParts.Contains(cyTop), FParts.Contains(cyBottom));
}

// ---------------------------------------------------------------------------------------------------------
// TGLAnnulus

TGLAnnulus::TGLAnnulus(TComponent* AOwner) : TGLCylinderBase(AOwner, 4) {}

void TGLAnnulus::SetParts(TAnnulusParts Value)
{
    ChangeStructure(*this, FParts, Value);
}

void TGLAnnulus::SetBottomInnerRadius(float Value)
{
    ChangeStructure(*this, FBottomInnerRadius, Value);
}

void TGLAnnulus::SetTopInnerRadius(float Value)
{
    ChangeStructure(*this, FTopInnerRadius, Value);
}

void TGLAnnulus::SetTopRadius(float Value)
{
    ChangeStructure(*this, FTopRadius, Value);
}

void TGLAnnulus::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLAnnulus*>(Source)) {
        FParts = source->FParts;
        FTopRadius = source->FTopRadius;
        FTopInnerRadius = source->FTopInnerRadius;
        FBottomRadius = source->FBottomRadius;
        FBottomInnerRadius = source->FBottomInnerRadius;
    }
    TGLCylinderBase::Assign(Source);
}

void TGLAnnulus::DefineProperties(TFiler& Filer)
{
    TGLCylinderBase::DefineProperties(Filer);
    DefineSingleProperty(Filer, "BottomInnerRadius", FBottomInnerRadius, 0.3f,
                         [this](float v) { SetBottomInnerRadius(v); });
    DefineSingleProperty(Filer, "TopInnerRadius", FTopInnerRadius, 0.3f, [this](float v) { SetTopInnerRadius(v); });
    DefineSingleProperty(Filer, "TopRadius", FTopRadius, 0.5f, [this](float v) { SetTopRadius(v); });
    DefineSetProperty<TAnnulusPart>(Filer, "Parts", cAnnulusPartNames, FParts,
                                    TAnnulusParts{anInnerSides, anOuterSides, anBottom, anTop},
                                    [this](TAnnulusParts v) { SetParts(v); });
}

TVector4f TGLAnnulus::AxisAlignedDimensionsUnscaled()
{
    const float r = std::max(std::fabs(FBottomRadius), std::fabs(FTopRadius));
    return TVector4f{{{r, FHeight * 0.5f, r, 0}}};
}

bool TGLAnnulus::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                  TVector4f* intersectNormal)
{
    const TLocalRay ray = LocalRay(*this, rayStart, rayVector);
    const double h = FHeight * 0.5;
    THit hit;
    if (ray.Vector.Y != 0) {
        // The cap the ray meets first, a ring between its inner and outer radius; through it, the ray is in.
        const bool upwards = ray.Vector.Y > 0;
        const double t = ((upwards ? -h : h) - ray.Start.Y) / ray.Vector.Y;
        const double inner = upwards ? FBottomInnerRadius : FTopInnerRadius;
        const double outer = upwards ? FBottomRadius : FTopRadius;
        if (FParts.Contains(upwards ? anBottom : anTop) && t > 0) {
            const TVector4f p = PointAt(ray, t);
            const double r2 = SquaredRadius(p);
            if (inner * inner <= r2 && r2 <= outer * outer) {
                hit.Offer(t, p, Vector4(0, upwards ? -1 : 1, 0));
                return hit.Report(*this, intersectPoint, intersectNormal);
            }
        }
    }
    // The nearest of the walls' meeting points. The inner wall faces the hole.
    const struct {
        TAnnulusPart Part;
        TWall Wall;
        float Facing;
    } walls[] = {{anOuterSides, {-h, FBottomRadius, h, FTopRadius}, 1},
                 {anInnerSides, {-h, FBottomInnerRadius, h, FTopInnerRadius}, -1}};
    for (const auto& w : walls) {
        if (!FParts.Contains(w.Part)) continue;
        double t;
        if (w.Wall.Nearest(ray, t)) {
            const TVector4f p = PointAt(ray, t);
            TVector4f normal;
            HmgScale(w.Wall.Normal(p), w.Facing, normal);
            hit.Offer(t, p, normal);
        }
    }
    return hit.Report(*this, intersectPoint, intersectNormal);
}

void TGLAnnulus::BuildList(TGLRenderContextInfo& /*rci*/)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TQuadric q(*this);
    if (!*q) return;
    gl.PushMatrix();
    TurnGLUZToY(gl);
    gl.Translatef(0, 0, -FHeight * 0.5f);
    if (FParts.Contains(anOuterSides)) gluCylinder(*q, FBottomRadius, FTopRadius, FHeight, FSlices, FStacks);
    if (FParts.Contains(anTop)) DiskAt(gl, *q, FHeight, FTopInnerRadius, FTopRadius, FSlices, FLoops);
    if (FParts.Contains(anInnerSides) || FParts.Contains(anBottom)) {
        SetInvertedQuadricOrientation(*q);
        if (FParts.Contains(anBottom)) gluDisk(*q, FBottomInnerRadius, FBottomRadius, FSlices, FLoops);
        if (FParts.Contains(anInnerSides))
            gluCylinder(*q, FBottomInnerRadius, FTopInnerRadius, FHeight, FSlices, FStacks);
    }
    gl.PopMatrix();
}

// ---------------------------------------------------------------------------------------------------------
// TGLArrowBase

void TGLArrowBase::SetTopRadius(float Value)
{
    ChangeStructure(*this, FTopRadius, Value);
}

void TGLArrowBase::SetTopArrowHeadHeight(float Value)
{
    ChangeStructure(*this, fTopArrowHeadHeight, Value);
}

void TGLArrowBase::SetTopArrowHeadRadius(float Value)
{
    ChangeStructure(*this, fTopArrowHeadRadius, Value);
}

void TGLArrowBase::SetBottomArrowHeadHeight(float Value)
{
    ChangeStructure(*this, fBottomArrowHeadHeight, Value);
}

void TGLArrowBase::SetBottomArrowHeadRadius(float Value)
{
    ChangeStructure(*this, fBottomArrowHeadRadius, Value);
}

void TGLArrowBase::SetHeadStackingStyle(TArrowHeadStackingStyle Value)
{
    ChangeStructure(*this, FHeadStackingStyle, Value);
}

void TGLArrowBase::AssignArrow(const TGLArrowBase& source)
{
    FTopRadius = source.FTopRadius;
    fTopArrowHeadHeight = source.fTopArrowHeadHeight;
    fTopArrowHeadRadius = source.fTopArrowHeadRadius;
    fBottomArrowHeadHeight = source.fBottomArrowHeadHeight;
    fBottomArrowHeadRadius = source.fBottomArrowHeadRadius;
    FHeadStackingStyle = source.FHeadStackingStyle;
}

void TGLArrowBase::DefineArrowProperties(TFiler& Filer)
{
    DefineSingleProperty(Filer, "BottomArrowHeadHeight", fBottomArrowHeadHeight, 0.5f,
                         [this](float v) { SetBottomArrowHeadHeight(v); });
    DefineSingleProperty(Filer, "BottomArrowHeadRadius", fBottomArrowHeadRadius, 0.2f,
                         [this](float v) { SetBottomArrowHeadRadius(v); });
    DefineEnumProperty<TArrowHeadStackingStyle>(Filer, "HeadStackingStyle", cArrowHeadStackingStyleNames,
                                                FHeadStackingStyle, ahssStacked,
                                                [this](TArrowHeadStackingStyle v) { SetHeadStackingStyle(v); });
    DefineSingleProperty(Filer, "TopArrowHeadHeight", fTopArrowHeadHeight, 0.5f,
                         [this](float v) { SetTopArrowHeadHeight(v); });
    DefineSingleProperty(Filer, "TopArrowHeadRadius", fTopArrowHeadRadius, 0.2f,
                         [this](float v) { SetTopArrowHeadRadius(v); });
    DefineSingleProperty(Filer, "TopRadius", FTopRadius, 0.1f, [this](float v) { SetTopRadius(v); });
}

namespace {

// How much of each arrow head lies within the arrow's length.
float HeadInset(TArrowHeadStackingStyle style)
{
    switch (style) {
    case ahssCentered:
        return 0.5f;
    case ahssIncluded:
        return 1;
    case ahssStacked:
        break;
    }
    return 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLArrowLine

TGLArrowLine::TGLArrowLine(TComponent* AOwner) : TGLArrowBase(AOwner, 4)
{
    FBottomRadius = 0.1f;
}

void TGLArrowLine::SetParts(TArrowLineParts Value)
{
    ChangeStructure(*this, FParts, Value);
}

void TGLArrowLine::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLArrowLine*>(Source)) {
        FParts = source->FParts;
        AssignArrow(*source);
    }
    TGLCylinderBase::Assign(Source);
}

void TGLArrowLine::DefineProperties(TFiler& Filer)
{
    TGLCylinderBase::DefineProperties(Filer);
    DefineArrowProperties(Filer);
    DefineSetProperty<TArrowLinePart>(Filer, "Parts", cArrowLinePartNames, FParts,
                                      TArrowLineParts{alLine, alTopArrow}, [this](TArrowLineParts v) { SetParts(v); });
}

void TGLArrowLine::BuildList(TGLRenderContextInfo& /*rci*/)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    const float k = HeadInset(FHeadStackingStyle);
    const bool line = FParts.Contains(alLine);
    const bool topArrow = FParts.Contains(alTopArrow);
    const bool bottomArrow = FParts.Contains(alBottomArrow);
    float length = FHeight;
    float z0 = -FHeight * 0.5f;
    TQuadric q(*this);
    if (!*q) return;
    if (topArrow) {
        length -= fTopArrowHeadHeight * k;
        gl.PushMatrix();
        gl.Translatef(0, 0, FHeight * 0.5f - fTopArrowHeadHeight * k);
        gluCylinder(*q, fTopArrowHeadRadius, 0, fTopArrowHeadHeight, FSlices, FStacks);
        SetInvertedQuadricOrientation(*q);
        gluDisk(*q, line ? FTopRadius : 0, fTopArrowHeadRadius, FSlices, FLoops);
        gl.PopMatrix();
    }
    if (bottomArrow) {
        length -= fBottomArrowHeadHeight * k;
        z0 += fBottomArrowHeadHeight * k;
        gl.PushMatrix();
        gl.Rotatef(180, 1, 0, 0);
        gl.Translatef(0, 0, FHeight * 0.5f - fBottomArrowHeadHeight * k);
        SetNormalQuadricOrientation(*q);
        gluCylinder(*q, fBottomArrowHeadRadius, 0, fBottomArrowHeadHeight, FSlices, FStacks);
        SetInvertedQuadricOrientation(*q);
        gluDisk(*q, line ? FBottomRadius : 0, fBottomArrowHeadRadius, FSlices, FLoops);
        gl.PopMatrix();
    }
    if (line && length > 0) {
        gl.PushMatrix();
        gl.Translatef(0, 0, z0);
        SetNormalQuadricOrientation(*q);
        gluCylinder(*q, FBottomRadius, FTopRadius, length, FSlices, FStacks);
        if (!topArrow) DiskAt(gl, *q, length, 0, FTopRadius, FSlices, FLoops);
        if (!bottomArrow) {
            SetInvertedQuadricOrientation(*q);
            gluDisk(*q, 0, FBottomRadius, FSlices, FLoops);
        }
        gl.PopMatrix();
    }
}

// ---------------------------------------------------------------------------------------------------------
// TGLArrowArc

TGLArrowArc::TGLArrowArc(TComponent* AOwner) : TGLArrowBase(AOwner, 16)
{
    FBottomRadius = 0.1f;
}

void TGLArrowArc::SetArcRadius(float Value)
{
    ChangeStructure(*this, fArcRadius, Value);
}

void TGLArrowArc::SetStartAngle(float Value)
{
    ChangeStructure(*this, FStartAngle, Value);
}

void TGLArrowArc::SetStopAngle(float Value)
{
    ChangeStructure(*this, FStopAngle, Value);
}

void TGLArrowArc::SetParts(TArrowArcParts Value)
{
    ChangeStructure(*this, FParts, Value);
}

void TGLArrowArc::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLArrowArc*>(Source)) {
        fArcRadius = source->fArcRadius;
        FStartAngle = source->FStartAngle;
        FStopAngle = source->FStopAngle;
        FParts = source->FParts;
        AssignArrow(*source);
        FMesh.clear();
    }
    TGLCylinderBase::Assign(Source);
}

void TGLArrowArc::DefineProperties(TFiler& Filer)
{
    TGLCylinderBase::DefineProperties(Filer);
    DefineArrowProperties(Filer);
    DefineSingleProperty(Filer, "ArcRadius", fArcRadius, 0.5f, [this](float v) { SetArcRadius(v); });
    DefineSingleProperty(Filer, "StartAngle", FStartAngle, 0, [this](float v) { SetStartAngle(v); });
    DefineSingleProperty(Filer, "StopAngle", FStopAngle, 360, [this](float v) { SetStopAngle(v); });
    DefineSetProperty<TArrowArcPart>(Filer, "Parts", cArrowArcPartNames, FParts, TArrowArcParts{aaArc, aaTopArrow},
                                     [this](TArrowArcParts v) { SetParts(v); });
}

void TGLArrowArc::StructureChanged()
{
    FMesh.clear();
    TGLArrowBase::StructureChanged();
}

namespace {

constexpr TVector3f cZ{{{0, 0, 1}}};
constexpr TVector3f cMinusZ{{{0, 0, -1}}};

// The unit vector from the arc's centre towards p, in the arc's plane.
TVector3f Outwards(const TVector3f& p)
{
    return Normalized(Vec3(p.X, p.Y, 0));
}

} // namespace

void TGLArrowArc::BuildMesh()
{
    const int32_t slices = FSlices;
    const int32_t stacks = FStacks;
    const size_t ring = static_cast<size_t>(slices) + 1;
    const bool arc = FParts.Contains(aaArc);
    const bool startHead = FParts.Contains(aaBottomArrow);
    const bool stopHead = FParts.Contains(aaTopArrow);
    const size_t rows = (arc ? static_cast<size_t>(stacks) + 1 : 0) + (startHead ? 3 : 1) + (stopHead ? 3 : 1);
    FMesh.assign(rows * ring, TVertexRec{});
    const double R = fArcRadius;
    // Q(a, b, t): the point at tube angle b of the ring of radius t about the centre line at arc angle a.
    const auto q = [R](double a, double b, double t) {
        const double across = t * std::cos(b) + R;
        return Vec3(std::cos(a) * across, -std::sin(a) * across, t * std::sin(b));
    };
    const auto centre = [R](double a) { return Vec3(std::cos(a) * R, -std::sin(a) * R, 0); };
    // Record j of a ring lies at tube angle (Slices - j + 1) 2 pi / Slices: j = 0 and j = Slices coincide.
    const auto tubeAngle = [slices](int32_t j) { return (slices - j + 1) * 2 * std::numbers::pi / slices; };
    const auto row = [&](size_t index) { return &FMesh[index * ring]; };
    const auto texCoord = [](double s, double t) {
        return TVector2f{{{static_cast<float>(s), static_cast<float>(t)}}};
    };

    const double inset = HeadInset(FHeadStackingStyle);
    // The angles (degrees) the heads take off the tube's ends.
    const double startTrim = startHead ? RadiansToDegrees(std::atan(inset * fBottomArrowHeadHeight / R)) : 0;
    const double stopTrim = stopHead ? RadiansToDegrees(std::atan(inset * fTopArrowHeadHeight / R)) : 0;
    const double startAngle = DegreesToRadiansExt(FStartAngle + startTrim);
    const double stopAngle = DegreesToRadiansExt(FStopAngle - stopTrim);

    size_t next = 0;
    if (arc) {
        const double step = DegreesToRadiansExt((FStopAngle - stopTrim) - (FStartAngle + startTrim)) / stacks;
        for (int32_t i = stacks; i >= 0; --i) {
            const double a = startAngle + (stacks - i) * step;
            const double t = FTopRadius + (FBottomRadius - FTopRadius) * i / stacks;
            TVertexRec* records = row(i);
            for (int32_t j = slices; j >= 0; --j) {
                const double b = tubeAngle(j);
                TVertexRec& r = records[j];
                r.Position = q(a, b, t);
                r.Normal = Vec3(std::cos(a) * std::cos(b), -std::sin(a) * std::cos(b), std::sin(b));
                r.Tangent = Cross(cZ, Outwards(r.Position));
                r.Binormal = Cross(r.Normal, r.Tangent);
                r.TexCoord = texCoord(static_cast<double>(i) / stacks, static_cast<double>(j) / slices);
            }
        }
        next = static_cast<size_t>(stacks) + 1;
    }

    // An end of the tube at arc angle a: a cone head (base, ring and apex rows) pointing back along the arc at
    // the start and on along it at the stop, or a flat cap. The centre of the end's fan takes the first base
    // record's vectors. Head bases and caps face away from the tube; where the two ends differ only in
    // direction, `same` (a head at the start or a cap at the stop) picks one of the two.
    const auto end = [&](bool atStart, bool head, double a, double headHeight, double headRadius, double capRadius,
                         TVertexRec& fanCentre) {
        const bool same = head == atStart;
        TVertexRec* base = row(next++);
        for (int32_t j = slices; j >= 0; --j) {
            TVertexRec& r = base[j];
            r.Position = q(a, tubeAngle(j), head ? headRadius : capRadius);
            const TVector3f v = Outwards(r.Position);
            r.Normal = same ? Cross(v, cZ) : Cross(cZ, v);
            r.Tangent = v;
            r.Binormal = head || atStart ? cZ : cMinusZ;
            r.TexCoord = texCoord(same ? 1 : 0, static_cast<double>(j) / slices);
        }
        fanCentre = base[0];
        fanCentre.Position = centre(a);
        fanCentre.TexCoord = same ? texCoord(0, 0) : texCoord(1, 1);
        if (!head) return;
        TVertexRec* ringRow = row(next++);
        TVertexRec* apexRow = row(next++);
        const TVector3f c = centre(a);
        const double ahead = atStart ? headHeight : -headHeight;
        const TVector3f apex = Vec3(c.X + ahead * std::sin(a), c.Y + ahead * std::cos(a), 0);
        const double apexS = atStart ? 1 : 0;
        for (int32_t j = slices; j >= 0; --j) {
            const double b = tubeAngle(j);
            const TVector3f ringPoint = base[j].Position;
            // Along the head's slope, from the ring towards the apex at the start, the other way at the stop.
            const TVector3f tangent =
                Normalized(atStart ? Difference(ringPoint, apex) : Difference(apex, ringPoint));
            const TVector3f binormal = Vec3(-std::sin(b) * std::cos(a), std::sin(b) * std::sin(a), std::cos(b));
            const double t = static_cast<double>(j) / slices;
            for (TVertexRec* r : {&ringRow[j], &apexRow[j]}) {
                r->Position = r == &ringRow[j] ? ringPoint : apex;
                r->Tangent = tangent;
                r->Binormal = binormal;
                r->Normal = Cross(binormal, tangent);
            }
            ringRow[j].TexCoord = texCoord(1 - apexS, t);
            apexRow[j].TexCoord = texCoord(apexS, t);
        }
    };
    end(true, startHead, startAngle, fBottomArrowHeadHeight, fBottomArrowHeadRadius, FBottomRadius, FStartCentre);
    end(false, stopHead, stopAngle, fTopArrowHeadHeight, fTopArrowHeadRadius, FTopRadius, FStopCentre);
}

namespace {

// Draws kept vertices: texture coordinate, normal, then for a shader in use the tangent and binormal at its
// "Tangent" and "Binormal" attributes, then the position.
class TMeshDrawer {
public:
    explicit TMeshDrawer(TGLRenderContextInfo& rci)
        : gl(*GetCurrentGL()), xgl(*GetCurrentMultitextureCoordinator())
    {
        const uint32_t program = gl.ARB_shader_objects ? rci.GLStates->CurrentProgram() : 0;
        if (program != 0) {
            FTangent = gl.GetAttribLocation(program, "Tangent");
            FBinormal = gl.GetAttribLocation(program, "Binormal");
        }
    }

    void Send(const TVertexRec& r) const
    {
        xgl.TexCoord2fv(r.TexCoord.V);
        gl.Normal3fv(r.Normal.V);
        if (FTangent > -1) gl.VertexAttrib3fv(FTangent, r.Tangent.V);
        if (FBinormal > -1) gl.VertexAttrib3fv(FBinormal, r.Binormal.V);
        gl.Vertex3fv(r.Position.V);
    }
    // Two triangles for each cell of `rows` + 1 rows of `width` + 1 records from `first` on, from the last
    // cell back.
    void Grid(const TVertexRec* first, int32_t rows, int32_t width) const
    {
        const size_t ring = static_cast<size_t>(width) + 1;
        gl.Begin_(GL_TRIANGLES);
        for (int32_t i = rows - 1; i >= 0; --i) Cells(first + i * ring, first + (i + 1) * ring, width);
        gl.End_();
    }
    // The triangles of the cells between two rows (inside a GL_TRIANGLES group), back from the last.
    void Cells(const TVertexRec* r0, const TVertexRec* r1, int32_t width) const
    {
        for (int32_t j = width - 1; j >= 0; --j)
            for (const TVertexRec* v : {&r0[j], &r0[j + 1], &r1[j], &r1[j + 1], &r1[j], &r0[j + 1]}) Send(*v);
    }
    // A fan about centre over the `width` + 1 records of a row, walking them down or up.
    void Fan(const TVertexRec& centre, const TVertexRec* records, int32_t width, bool down) const
    {
        gl.Begin_(GL_TRIANGLE_FAN);
        Send(centre);
        for (int32_t k = 0; k <= width; ++k) Send(records[down ? width - k : k]);
        gl.End_();
    }

    TGLExtensionsAndEntryPoints& gl;

private:
    TGLMultitextureCoordinator& xgl;
    GLint FTangent = -1;
    GLint FBinormal = -1;
};

} // namespace

void TGLArrowArc::BuildList(TGLRenderContextInfo& rci)
{
    // No ring or no stack to divide the tube into.
    if (FSlices < 1 || FStacks < 1) return;
    if (FMesh.empty()) BuildMesh();
    const TMeshDrawer drawer(rci);
    TGLExtensionsAndEntryPoints& gl = drawer.gl;
    const int32_t slices = FSlices;
    const size_t ring = static_cast<size_t>(slices) + 1;
    const auto row = [&](size_t index) { return &FMesh[index * ring]; };
    size_t next = 0;
    if (FParts.Contains(aaArc)) {
        drawer.Grid(row(0), FStacks, slices);
        next = static_cast<size_t>(FStacks) + 1;
    }
    // A head's cone between its ring and apex rows, with the winding of the end it closes.
    const auto cone = [&](const TVertexRec* ringRow, const TVertexRec* apexRow, bool atStart) {
        gl.Begin_(GL_TRIANGLES);
        if (atStart)
            drawer.Cells(ringRow, apexRow, slices);
        else
            drawer.Cells(apexRow, ringRow, slices);
        gl.End_();
    };
    if (FParts.Contains(aaBottomArrow)) {
        drawer.Fan(FStartCentre, row(next), slices, true);
        cone(row(next + 1), row(next + 2), true);
        next += 3;
    } else {
        drawer.Fan(FStartCentre, row(next++), slices, false);
    }
    if (FParts.Contains(aaTopArrow)) {
        drawer.Fan(FStopCentre, row(next), slices, false);
        cone(row(next + 1), row(next + 2), false);
    } else {
        drawer.Fan(FStopCentre, row(next), slices, true);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Capsule, torus, truncated pyramid and filled polygon

namespace {

inline constexpr TEnumNames<3> cTorusPartNames{"toSides", "toStartDisk", "toStopDisk"};
inline constexpr TEnumNames<6> cFrustrumPartNames{"fpTop", "fpBottom", "fpFront", "fpBack", "fpLeft", "fpRight"};
inline constexpr TEnumNames<2> cPolygonPartNames{"ppTop", "ppBottom"};

TVector3f Negated(TVector3f v)
{
    AffineNegateInPlace(v);
    return v;
}

// Properties written whatever their value: a value left out would read back as the constructor's.
void DefineStoredSingle(TFiler& filer, const char* name, float value, const std::function<void(float)>& setter)
{
    filer.DefineProperty(
        name, [setter](TReader& reader) { setter(reader.ReadSingle()); },
        [value](TWriter& writer) { writer.WriteSingle(value); }, true);
}

void DefineStoredInteger(TFiler& filer, const char* name, int32_t value, const std::function<void(int32_t)>& setter)
{
    filer.DefineProperty(
        name, [setter](TReader& reader) { setter(reader.ReadInteger()); },
        [value](TWriter& writer) { writer.WriteInteger(value); }, true);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLCapsule

TGLCapsule::TGLCapsule(TComponent* AOwner) : TVAVodadObject(AOwner) {}

void TGLCapsule::SetParts(TCylinderParts Value)
{
    if (Store(FParts, Value)) StructureChanged();
}

void TGLCapsule::SetRadius(float Value)
{
    if (Store(FRadius, Value)) StructureChanged();
}

void TGLCapsule::SetSlices(int32_t Value)
{
    if (Store(FSlices, Value)) StructureChanged();
}

void TGLCapsule::SetStacks(int32_t Value)
{
    if (Store(FStacks, Value)) StructureChanged();
}

void TGLCapsule::SetHeight(float Value)
{
    if (Store(FHeight, Value)) StructureChanged();
}

void TGLCapsule::SetAlignment(TCylinderAlignment Value)
{
    if (Store(FAlignment, Value)) StructureChanged();
}

void TGLCapsule::Align(const TVector4f& startPoint, const TVector4f& endPoint)
{
    AlignBetween(*this, startPoint, endPoint);
}

void TGLCapsule::Align(TGLBaseSceneObject* startObj, TGLBaseSceneObject* endObj)
{
    Align(startObj->AbsolutePosition(), endObj->AbsolutePosition());
}

void TGLCapsule::Align(const TVector3f& startPoint, const TVector3f& endPoint)
{
    Align(Point4(startPoint.X, startPoint.Y, startPoint.Z), Point4(endPoint.X, endPoint.Y, endPoint.Z));
}

void TGLCapsule::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCapsule*>(Source)) {
        FParts = source->FParts;
        FRadius = source->FRadius;
    }
    TVAVodadObject::Assign(Source);
}

void TGLCapsule::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    DefineStoredSingle(Filer, "Height", FHeight, [this](float v) { SetHeight(v); });
    DefineStoredInteger(Filer, "Slices", FSlices, [this](int32_t v) { SetSlices(v); });
    DefineStoredInteger(Filer, "Stacks", FStacks, [this](int32_t v) { SetStacks(v); });
    DefineStoredSingle(Filer, "Radius", FRadius, [this](float v) { SetRadius(v); });
    DefineSetProperty<TCylinderPart>(Filer, "Parts", cCylinderPartNames, FParts,
                                     TCylinderParts{cySides, cyBottom, cyTop}, [this](TCylinderParts v) { SetParts(v); });
    DefineEnumProperty<TCylinderAlignment>(Filer, "Alignment", cCylinderAlignmentNames, FAlignment, caCenter,
                                           [this](TCylinderAlignment v) { SetAlignment(v); });
}

TVector4f TGLCapsule::AxisAlignedDimensionsUnscaled()
{
    const float r = std::fabs(FRadius);
    return TVector4f{{{r, FHeight * 0.5f, r, 0}}};
}

bool TGLCapsule::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                  TVector4f* intersectNormal)
{
    const TLocalRay ray = LocalRay(*this, rayStart, rayVector);
    const auto [bottom, top] = EndsAligned(FAlignment, FHeight);
    const double r = FRadius;
    THit hit;
    double t;
    const TWall side{bottom, r, top, r};
    if (FParts.Contains(cySides) && side.Nearest(ray, t)) {
        const TVector4f p = PointAt(ray, t);
        hit.Offer(t, p, side.Normal(p));
    }
    // The half sphere about the end at height y, on the side `outwards` (+1 up, -1 down) of it.
    const auto end = [&](double y, double outwards) {
        const TVector4f& s = ray.Start;
        const TVector4f& d = ray.Vector;
        const double sy = s.Y - y;
        const double c[3] = {double{s.X} * s.X + sy * sy + double{s.Z} * s.Z - r * r,
                             2 * (double{s.X} * d.X + sy * d.Y + double{s.Z} * d.Z),
                             double{d.X} * d.X + double{d.Y} * d.Y + double{d.Z} * d.Z};
        TDoubleArray beyond;
        for (const double root : SolveQuadraticEquation(c))
            if ((sy + root * d.Y) * outwards >= 0) beyond.push_back(root);
        if (!MinNonNegativeRoot(beyond, t)) return;
        const TVector4f p = PointAt(ray, t);
        hit.Offer(t, p, Vector4(p.X, p.Y - y, p.Z));
    };
    if (FParts.Contains(cyTop)) end(top, 1);
    if (FParts.Contains(cyBottom)) end(bottom, -1);
    return hit.Report(*this, intersectPoint, intersectNormal);
}

void TGLCapsule::BuildList(TGLRenderContextInfo& /*rci*/)
{
    if (FSlices < 1 || FStacks < 1) return;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    const TEnds ends = EndsAligned(FAlignment, FHeight);
    const double r = FRadius;
    const double h = FHeight * 0.5;
    const int64_t n = int64_t{FSlices} * FStacks;
    // Around a ring: n segments.
    const double step = 2 * std::numbers::pi / static_cast<double>(n);
    const double c = std::cos(step), s = std::sin(step);
    const auto turn = [c, s](double& x, double& y) {
        const double x2 = c * x - s * y;
        y = s * x + c * y;
        x = x2;
    };
    // Over an end: Slices bands from the rim to the pole, one more lying over the last.
    const double polarStep = std::numbers::pi / 2 / FSlices;
    const double pc = std::cos(polarStep), ps = std::sin(polarStep);
    // The point (x, y) of a ring of radius 1 at height a on the unit sphere about the axis point at z.
    const auto vertex = [&gl, r](double x, double y, double a, double z, double u, double v) {
        gl.Normal3d(x, y, a);
        gl.TexCoord2f(static_cast<float>(u), static_cast<float>(v));
        gl.Vertex3d(x * r, y * r, a * r + z);
    };
    gl.PushMatrix();
    // Drawn along Z, turned so that it becomes the local Y axis.
    gl.Rotatef(-90, 1, 0, 0);
    gl.Translatef(0, 0, static_cast<float>((ends.Bottom + ends.Top) * 0.5));
    if (FParts.Contains(cySides)) {
        gl.Begin_(GL_TRIANGLE_STRIP);
        double x = 0, y = 1;
        for (int64_t i = 0; i <= n; ++i) {
            const double u = static_cast<double>(i) / n;
            vertex(x, y, 0, h, u, 1);
            vertex(x, y, 0, -h, u, 0);
            turn(x, y);
        }
        gl.End_();
    }
    // An end at height `outwards` x h: bands from ring (a, b) (a its height on the unit sphere, b its radius)
    // to the next one; the top end sends the next ring's point first, the bottom end the current one's.
    const auto end = [&](double outwards) {
        double a = 0, b = 1;
        for (int32_t j = 0; j <= FSlices; ++j) {
            const double a2 = pc * a + outwards * ps * b;
            const double b2 = -outwards * ps * a + pc * b;
            double x1 = b, y1 = 0, x2 = b2, y2 = 0;
            const double v1 = (j - 1.0) / n, v2 = static_cast<double>(j) / n;
            gl.Begin_(GL_TRIANGLE_STRIP);
            for (int64_t i = 0; i <= n; ++i) {
                const double u = static_cast<double>(i) / n;
                if (outwards > 0) {
                    vertex(x2, y2, a2, h, u, v2);
                    vertex(x1, y1, a, h, u, v1);
                } else {
                    vertex(x1, y1, a, -h, u, v1);
                    vertex(x2, y2, a2, -h, u, v2);
                }
                turn(x1, y1);
                turn(x2, y2);
            }
            gl.End_();
            a = a2;
            b = b2;
        }
    };
    if (FParts.Contains(cyTop)) end(1);
    if (FParts.Contains(cyBottom)) end(-1);
    gl.PopMatrix();
}

// ---------------------------------------------------------------------------------------------------------
// TGLTorus

TGLTorus::TGLTorus(TComponent* AOwner) : TVAVodadObject(AOwner) {}

template <typename T> void TGLTorus::Change(T& field, T Value)
{
    if (!Store(field, Value)) return;
    FMesh.clear();
    StructureChanged();
}

void TGLTorus::SetMajorRadius(float Value)
{
    Change(FMajorRadius, Value);
}

void TGLTorus::SetMinorRadius(float Value)
{
    Change(FMinorRadius, Value);
}

void TGLTorus::SetRings(uint32_t Value)
{
    if (Value == FRings) return;
    Change(FRings, std::max(Value, 2u));
}

void TGLTorus::SetSides(uint32_t Value)
{
    if (Value == FSides) return;
    Change(FSides, std::max(Value, 3u));
}

void TGLTorus::SetStartAngle(float Value)
{
    Change(FStartAngle, Value);
}

void TGLTorus::SetStopAngle(float Value)
{
    Change(FStopAngle, Value);
}

void TGLTorus::SetParts(TTorusParts Value)
{
    Change(FParts, Value);
}

void TGLTorus::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    // A negative count read is taken as 0, and so raised to the least allowed.
    const auto count = [](int32_t v) { return static_cast<uint32_t>(std::max(v, 0)); };
    DefineStoredSingle(Filer, "MajorRadius", FMajorRadius, [this](float v) { SetMajorRadius(v); });
    DefineStoredSingle(Filer, "MinorRadius", FMinorRadius, [this](float v) { SetMinorRadius(v); });
    DefineIntegerProperty(Filer, "Rings", static_cast<int32_t>(FRings), 25,
                          [this, count](int32_t v) { SetRings(count(v)); });
    DefineIntegerProperty(Filer, "Sides", static_cast<int32_t>(FSides), 15,
                          [this, count](int32_t v) { SetSides(count(v)); });
    DefineStoredSingle(Filer, "StartAngle", FStartAngle, [this](float v) { SetStartAngle(v); });
    DefineStoredSingle(Filer, "StopAngle", FStopAngle, [this](float v) { SetStopAngle(v); });
    DefineSetProperty<TTorusPart>(Filer, "Parts", cTorusPartNames, FParts, TTorusParts{toSides, toStartDisk, toStopDisk},
                                  [this](TTorusParts v) { SetParts(v); });
}

TVector4f TGLTorus::AxisAlignedDimensionsUnscaled()
{
    const float r = std::fabs(FMajorRadius) + std::fabs(FMinorRadius);
    return TVector4f{{{r, r, std::fabs(FMinorRadius), 0}}};
}

bool TGLTorus::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                TVector4f* intersectNormal)
{
    TLocalRay ray = LocalRay(*this, rayStart, rayVector);
    HmgNormalizeInPlace(ray.Vector);
    const TVector4f& o = ray.Start;
    const TVector4f& d = ray.Vector;
    const double R2 = double{FMajorRadius} * FMajorRadius;
    const double r2 = double{FMinorRadius} * FMinorRadius;
    const double g = double{o.X} * d.X + double{o.Y} * d.Y + double{o.Z} * d.Z;
    const double k = double{o.X} * o.X + double{o.Y} * o.Y + double{o.Z} * o.Z - (R2 + r2);
    // |p|^2 - (R^2 + r^2))^2 = 4 R^2 (r^2 - p.z^2) at p = o + t d, |d| = 1.
    const double c[5] = {k * k - 4 * R2 * (r2 - double{o.Z} * o.Z), 4 * g * k + 8 * R2 * o.Z * d.Z,
                         4 * g * g + 2 * k + 4 * R2 * d.Z * d.Z, 4 * g, 1};
    double t = 1e20;
    for (const double root : SolveQuarticEquation(c))
        if (root > 0 && root < t) t = root;
    if (t == 1e20) return false;
    const TVector4f p = PointAt(ray, t);
    if (intersectPoint) *intersectPoint = LocalToAbsolute(p);
    if (intersectNormal) {
        // From the nearest point of the tube's centre line.
        const double towards = FMajorRadius / (std::hypot(double{p.X}, double{p.Y}) + 1e-6);
        *intersectNormal = LocalToAbsolute(Vector4(p.X - p.X * towards, p.Y - p.Y * towards, p.Z));
    }
    return true;
}

void TGLTorus::BuildMesh()
{
    const uint32_t rings = FRings, sides = FSides;
    const size_t ring = static_cast<size_t>(sides) + 1;
    const bool tube = FParts.Contains(toSides);
    const size_t tubeRows = tube ? static_cast<size_t>(rings) + 1 : 0;
    FMesh.assign((tubeRows + (FParts.Contains(toStartDisk) ? 1 : 0) + (FParts.Contains(toStopDisk) ? 1 : 0)) * ring,
                 TVertexRec{});
    const auto row = [&](size_t index) { return &FMesh[index * ring]; };
    const double R = FMajorRadius, r = FMinorRadius;
    const double startAngle = DegreesToRadiansExt(FStartAngle);
    const double stopAngle = DegreesToRadiansExt(FStopAngle);
    const double ringStep = DegreesToRadiansExt(FStopAngle - FStartAngle) / rings;
    const double sideStep = 2 * std::numbers::pi / sides;
    // Record j of a ring lies at tube angle (Sides - j + 1) 2 pi / Sides: j = 0 and j = Sides coincide.
    const auto tubeAngle = [sides, sideStep](uint32_t j) { return (sides - j + 1) * sideStep; };
    const auto position = [R, r](double a, double b) {
        const double across = r * std::cos(b) + R;
        return Vec3(std::cos(a) * across, -std::sin(a) * across, r * std::sin(b));
    };
    const auto texCoord = [](double s, double t) {
        return TVector2f{{{static_cast<float>(s), static_cast<float>(t)}}};
    };
    if (tube) {
        for (uint32_t i = 0; i <= rings; ++i) {
            // Row Rings lies at the start angle, row 0 at the stop angle.
            const double a = startAngle + (rings - i) * ringStep;
            TVertexRec* records = row(i);
            for (uint32_t j = 0; j <= sides; ++j) {
                const double b = tubeAngle(j);
                TVertexRec& v = records[j];
                v.Position = position(a, b);
                v.Normal = Vec3(std::cos(a) * std::cos(b), -std::sin(a) * std::cos(b), std::sin(b));
                v.Tangent = Cross(cZ, Outwards(v.Position));
                v.Binormal = Cross(v.Normal, v.Tangent);
                v.TexCoord = texCoord(static_cast<double>(i) / rings, static_cast<double>(j) / sides);
            }
        }
    }
    // A disk closing the section at angle a: its rim takes the tube's end row when there is one. The start
    // disk faces back along the section, the stop disk on along it.
    size_t next = tubeRows;
    const auto disk = [&](double a, bool atStart, const TVertexRec* tubeRow, TVertexRec& centre) {
        TVertexRec* records = row(next++);
        for (uint32_t j = 0; j <= sides; ++j) {
            TVertexRec& v = records[j];
            const double t = static_cast<double>(j) / sides;
            if (tubeRow) {
                v.Position = tubeRow[j].Position;
                v.Normal = atStart ? tubeRow[j].Tangent : Negated(tubeRow[j].Tangent);
                v.Tangent = Vec3(v.Position.X, v.Position.Y, 0);
                v.TexCoord = texCoord(atStart ? 0 : 1, tubeRow[j].TexCoord.Y);
            } else {
                v.Position = position(a, tubeAngle(j));
                v.Tangent = Outwards(v.Position);
                const TVector3f normal = Cross(cZ, v.Tangent);
                v.Normal = atStart ? normal : Negated(normal);
                v.TexCoord = texCoord(atStart ? 0 : 1, t);
            }
            v.Binormal = atStart ? cZ : cMinusZ;
        }
        centre = records[0];
        centre.Position = Vec3(std::cos(a) * R, -std::sin(a) * R, 0);
        centre.TexCoord = atStart ? texCoord(1, 1) : texCoord(0, 0);
    };
    if (FParts.Contains(toStartDisk)) disk(startAngle, true, tube ? row(rings) : nullptr, FStartCentre);
    if (FParts.Contains(toStopDisk)) disk(stopAngle, false, tube ? row(0) : nullptr, FStopCentre);
}

void TGLTorus::BuildList(TGLRenderContextInfo& rci)
{
    if (FMesh.empty()) BuildMesh();
    const TMeshDrawer drawer(rci);
    const int32_t sides = static_cast<int32_t>(FSides);
    const size_t ring = static_cast<size_t>(FSides) + 1;
    size_t next = 0;
    if (FParts.Contains(toSides)) {
        drawer.Grid(FMesh.data(), static_cast<int32_t>(FRings), sides);
        next = static_cast<size_t>(FRings) + 1;
    }
    if (FParts.Contains(toStartDisk)) drawer.Fan(FStartCentre, &FMesh[next++ * ring], sides, false);
    if (FParts.Contains(toStopDisk)) drawer.Fan(FStopCentre, &FMesh[next * ring], sides, true);
}

// ---------------------------------------------------------------------------------------------------------
// TGLFrustrum

namespace {

bool IsSize(float value)
{
    return std::isfinite(value) && value >= 0;
}

} // namespace

TGLFrustrum::TGLFrustrum(TComponent* AOwner) : TVAVodadObject(AOwner) {}

void TGLFrustrum::SetApexHeight(float Value)
{
    // Without height there is no slope to cut.
    if (!IsSize(Value) || Value == 0 || Value == FApexHeight) return;
    FApexHeight = Value;
    if (Value < FHeight) FHeight = Value;
    StructureChanged();
}

void TGLFrustrum::SetBaseDepth(float Value)
{
    if (IsSize(Value) && Store(FBaseDepth, Value)) StructureChanged();
}

void TGLFrustrum::SetBaseWidth(float Value)
{
    if (IsSize(Value) && Store(FBaseWidth, Value)) StructureChanged();
}

void TGLFrustrum::SetHeight(float Value)
{
    if (!IsSize(Value) || Value == FHeight) return;
    FHeight = Value;
    if (Value > FApexHeight) FApexHeight = Value;
    StructureChanged();
}

void TGLFrustrum::SetParts(TFrustrumParts Value)
{
    if (Store(FParts, Value)) StructureChanged();
}

void TGLFrustrum::SetNormalDirection(TNormalDirection Value)
{
    if (Store(FNormalDirection, Value)) StructureChanged();
}

float TGLFrustrum::TopDepth() const
{
    return (FApexHeight - FHeight) * FBaseDepth / FApexHeight;
}

float TGLFrustrum::TopWidth() const
{
    return (FApexHeight - FHeight) * FBaseWidth / FApexHeight;
}

void TGLFrustrum::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLFrustrum*>(Source)) {
        FApexHeight = source->FApexHeight;
        FBaseDepth = source->FBaseDepth;
        FBaseWidth = source->FBaseWidth;
        FHeight = source->FHeight;
        FParts = source->FParts;
        FNormalDirection = source->FNormalDirection;
    }
    TVAVodadObject::Assign(Source);
}

void TGLFrustrum::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "FrustrumSize",
        [this](TStream& stream) {
            // Read whole, then through the setters: a stored size breaking their rules is refused as theirs are.
            float size[4];
            stream.ReadBuffer(size, sizeof(size));
            SetApexHeight(size[0]);
            SetBaseDepth(size[1]);
            SetBaseWidth(size[2]);
            SetHeight(size[3]);
        },
        [this](TStream& stream) {
            const float size[4] = {FApexHeight, FBaseDepth, FBaseWidth, FHeight};
            stream.WriteBuffer(size, sizeof(size));
        },
        FApexHeight != 1 || FBaseDepth != 1 || FBaseWidth != 1 || FHeight != 0.5f);
    DefineEnumProperty<TNormalDirection>(Filer, "NormalDirection", cNormalDirectionNames, FNormalDirection, ndOutside,
                                         [this](TNormalDirection v) { SetNormalDirection(v); });
    DefineSetProperty<TFrustrumPart>(Filer, "Parts", cFrustrumPartNames, FParts,
                                     TFrustrumParts{fpTop, fpBottom, fpFront, fpBack, fpLeft, fpRight},
                                     [this](TFrustrumParts v) { SetParts(v); });
}

TVector4f TGLFrustrum::AxisAlignedDimensionsUnscaled()
{
    return TVector4f{{{FBaseWidth * 0.5f, FHeight * 0.5f, FBaseDepth * 0.5f, 0}}};
}

namespace {

// A corner of a frustum face: its texture point, then which side of X and Z it lies on and whether on the cut
// face (true) or the base.
struct TFrustrumCorner {
    float S, T;
    int8_t X;
    bool Top;
    int8_t Z;
};

struct TFrustrumFace {
    TFrustrumPart Part;
    TFrustrumCorner Corners[4];
};

// The faces in drawing order.
constexpr TFrustrumFace cFrustrumFaces[] = {
    {fpFront, {{1, 1, 1, true, 1}, {0, 1, -1, true, 1}, {0, 0, -1, false, 1}, {1, 0, 1, false, 1}}},
    {fpBack, {{0, 1, 1, true, -1}, {0, 0, 1, false, -1}, {1, 0, -1, false, -1}, {1, 1, -1, true, -1}}},
    {fpLeft, {{1, 1, -1, true, 1}, {0, 1, -1, true, -1}, {0, 0, -1, false, -1}, {1, 0, -1, false, 1}}},
    {fpRight, {{0, 1, 1, true, 1}, {0, 0, 1, false, 1}, {1, 0, 1, false, -1}, {1, 1, 1, true, -1}}},
    {fpTop, {{0, 1, -1, true, -1}, {0, 0, -1, true, 1}, {1, 0, 1, true, 1}, {1, 1, 1, true, -1}}},
    {fpBottom, {{0, 0, -1, false, -1}, {1, 0, 1, false, -1}, {1, 1, 1, false, 1}, {0, 1, -1, false, 1}}},
};

} // namespace

void TGLFrustrum::BuildList(TGLRenderContextInfo& /*rci*/)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    const float hw = FBaseWidth * 0.5f, hd = FBaseDepth * 0.5f, h2 = FHeight * 0.5f;
    const float tw = TopWidth() * 0.5f, td = TopDepth() * 0.5f;
    const float n = FNormalDirection == ndOutside ? 1 : -1;
    // The slopes of the front and back faces (alpha) and of the sides (beta) against the base.
    const double alpha = std::atan2(FApexHeight, hd), beta = std::atan2(FApexHeight, hw);
    const float ca = n * static_cast<float>(std::cos(alpha)), sa = n * static_cast<float>(std::sin(alpha));
    const float cb = n * static_cast<float>(std::cos(beta)), sb = n * static_cast<float>(std::sin(beta));
    const auto normal = [&](TFrustrumPart part) {
        switch (part) {
        case fpFront:
            return Vec3(0, ca, sa);
        case fpBack:
            return Vec3(0, ca, -sa);
        case fpLeft:
            return Vec3(-sb, cb, 0);
        case fpRight:
            return Vec3(sb, cb, 0);
        case fpTop:
            return Vec3(0, n, 0);
        case fpBottom:
            break;
        }
        return Vec3(0, -n, 0);
    };
    gl.Begin_(GL_QUADS);
    for (const TFrustrumFace& face : cFrustrumFaces) {
        if (!FParts.Contains(face.Part)) continue;
        // A cut at the apex leaves no top face.
        if (face.Part == fpTop && FHeight >= FApexHeight) continue;
        const TVector3f faceNormal = normal(face.Part);
        gl.Normal3fv(faceNormal.V);
        for (const TFrustrumCorner& c : face.Corners) {
            xgl.TexCoord2f(c.S, c.T);
            gl.Vertex3f(c.X * (c.Top ? tw : hw), c.Top ? h2 : -h2, c.Z * (c.Top ? td : hd));
        }
    }
    gl.End_();
}

// ---------------------------------------------------------------------------------------------------------
// TGLPolygon

TGLPolygon::TGLPolygon(TComponent* AOwner) : TGLPolygonBase(AOwner) {}

void TGLPolygon::SetParts(TPolygonParts Value)
{
    if (Store(FParts, Value)) StructureChanged();
}

void TGLPolygon::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLPolygon*>(Source)) FParts = source->FParts;
    TGLPolygonBase::Assign(Source);
}

void TGLPolygon::DefineProperties(TFiler& Filer)
{
    TGLPolygonBase::DefineProperties(Filer);
    DefineSetProperty<TPolygonPart>(Filer, "Parts", cPolygonPartNames, FParts, TPolygonParts{ppTop, ppBottom},
                                    [this](TPolygonParts v) { SetParts(v); });
}

void TGLPolygon::BuildList(TGLRenderContextInfo& /*rci*/)
{
    if (FNodes->Count() < 2) return;
    TVector3f normal = FNodes->Normal();
    // A zero normal (nodes in a line) is left for the tessellator to find.
    const TVector3f* givenNormal = normal.X == 0 && normal.Y == 0 && normal.Z == 0 ? nullptr : &normal;
    const int32_t divisions = SplineMode() == lsmLines ? 1 : Division();
    if (FParts.Contains(ppTop)) FNodes->RenderTesselatedPolygon(true, givenNormal, divisions, false);
    if (FParts.Contains(ppBottom)) {
        normal = Negated(normal);
        FNodes->RenderTesselatedPolygon(true, givenNormal, divisions, true);
    }
}

// ---------------------------------------------------------------------------------------------------------

void RegisterGLGeomObjectsClasses()
{
    RegisterClasses<TGLCylinder, TGLCone, TGLTorus, TGLDisk, TGLArrowLine, TGLAnnulus, TGLFrustrum, TGLPolygon,
                    TGLCapsule, TGLArrowArc>();
}
