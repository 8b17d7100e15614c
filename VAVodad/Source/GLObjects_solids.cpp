// The solids of the scene-object unit: the box, the sphere, the superellipsoid, the quadric base and the
// polygon base.
#include "GLObjects.h"

#include "GLCoordinates.h"
#include "GLNodes.h"
#include "GLSilhouette.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "GLVectorLists.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"
#include "XOpenGL.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

inline constexpr TEnumNames<6> cCubePartNames{"cpTop", "cpBottom", "cpFront", "cpBack", "cpLeft", "cpRight"};
inline constexpr TEnumNames<3> cNormalSmoothingNames{"nsFlat", "nsSmooth", "nsNone"};

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLQuadricObject

void TGLQuadricObject::SetNormals(TNormalSmoothing Value)
{
    ChangeStructure(*this, FNormals, Value);
}

void TGLQuadricObject::SetNormalDirection(TNormalDirection Value)
{
    ChangeStructure(*this, FNormalDirection, Value);
}

void TGLQuadricObject::SetupQuadricParams(GLUquadric* quadric) const
{
    static constexpr GLenum cNormals[] = {GLU_FLAT, GLU_SMOOTH, GLU_NONE};
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricNormals(quadric, cNormals[FNormals]);
    SetNormalQuadricOrientation(quadric);
    gluQuadricTexture(quadric, GL_TRUE);
}

void TGLQuadricObject::SetNormalQuadricOrientation(GLUquadric* quadric) const
{
    gluQuadricOrientation(quadric, FNormalDirection == ndOutside ? GLU_OUTSIDE : GLU_INSIDE);
}

void TGLQuadricObject::SetInvertedQuadricOrientation(GLUquadric* quadric) const
{
    gluQuadricOrientation(quadric, FNormalDirection == ndOutside ? GLU_INSIDE : GLU_OUTSIDE);
}

void TGLQuadricObject::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLQuadricObject*>(Source)) {
        FNormals = source->FNormals;
        FNormalDirection = source->FNormalDirection;
    }
    TVAVodadObject::Assign(Source);
}

void TGLQuadricObject::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    DefineEnumProperty<TNormalDirection>(Filer, "NormalDirection", cNormalDirectionNames, FNormalDirection,
                                         ndOutside, [this](TNormalDirection v) { SetNormalDirection(v); });
    DefineEnumProperty<TNormalSmoothing>(Filer, "Normals", cNormalSmoothingNames, FNormals, nsSmooth,
                                         [this](TNormalSmoothing v) { SetNormals(v); });
}

// ---------------------------------------------------------------------------------------------------------
// TGLCube

namespace {

// A component of a face's normal, tangent, binormal or corner: 0 or +-1, or +-cN for plus or minus the normal
// direction's sign n (the corners that swap when the faces turn inwards).
constexpr int8_t cN = 2;

struct TCubeFace {
    TCubePart Part;
    int8_t Normal[3], Tangent[3], Binormal[3];
    // P0 to P3 in half sizes, and their texture coordinates.
    int8_t Corner[4][3];
    float Tex[4][2];
};

// In the order drawn.
constexpr TCubeFace cCubeFaces[] = {
    {cpFront, {0, 0, cN}, {cN, 0, 0}, {0, cN, 0},
     {{1, 1, 1}, {-cN, cN, 1}, {-1, -1, 1}, {cN, -cN, 1}}, {{1, 1}, {0, 1}, {0, 0}, {1, 0}}},
    {cpBack, {0, 0, -cN}, {-cN, 0, 0}, {0, cN, 0},
     {{1, 1, -1}, {cN, -cN, -1}, {-1, -1, -1}, {-cN, cN, -1}}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
    {cpLeft, {-cN, 0, 0}, {0, 0, cN}, {0, cN, 0},
     {{-1, 1, 1}, {-1, cN, -cN}, {-1, -1, -1}, {-1, -cN, cN}}, {{1, 1}, {0, 1}, {0, 0}, {1, 0}}},
    {cpRight, {cN, 0, 0}, {0, 0, -cN}, {0, cN, 0},
     {{1, 1, 1}, {1, -cN, cN}, {1, -1, -1}, {1, cN, -cN}}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
    {cpTop, {0, cN, 0}, {cN, 0, 0}, {0, 0, -cN},
     {{-1, 1, -1}, {-cN, 1, cN}, {1, 1, 1}, {cN, 1, -cN}}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
    {cpBottom, {0, -cN, 0}, {-cN, 0, 0}, {0, 0, cN},
     {{-1, -1, -1}, {cN, -1, -cN}, {1, -1, 1}, {-cN, -1, cN}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
};

float Resolve(int8_t code, float n)
{
    return code == cN ? n : code == -cN ? -n : code;
}

TVector3f Resolve(const int8_t (&codes)[3], float n, const TVector3f& scale = TVector3f{{{1, 1, 1}}})
{
    return TVector3f{{{Resolve(codes[0], n) * scale.X, Resolve(codes[1], n) * scale.Y, Resolve(codes[2], n) * scale.Z}}};
}

} // namespace

TGLCube::TGLCube(TComponent* AOwner) : TVAVodadObject(AOwner)
{
    SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
}

void TGLCube::SetCubeWHD(int32_t Index, float Value)
{
    ChangeStructure(*this, FCubeSize.V[Index], Value);
}

void TGLCube::SetParts(TCubeParts Value)
{
    ChangeStructure(*this, FParts, Value);
}

void TGLCube::SetNormalDirection(TNormalDirection Value)
{
    ChangeStructure(*this, FNormalDirection, Value);
}

void TGLCube::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLCube*>(Source)) {
        FCubeSize = source->FCubeSize;
        FParts = source->FParts;
        FNormalDirection = source->FNormalDirection;
    }
    TVAVodadObject::Assign(Source);
}

void TGLCube::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "CubeSize",
        [this](TStream& stream) {
            // Read whole before storing: a property cut short leaves the size as it was.
            TVector3f size;
            stream.ReadBuffer(size.V, sizeof(size.V));
            for (int32_t i = 0; i < 3; ++i) SetCubeWHD(i, size.V[i]);
        },
        [this](TStream& stream) { stream.WriteBuffer(FCubeSize.V, sizeof(FCubeSize.V)); },
        FCubeSize.X != 1 || FCubeSize.Y != 1 || FCubeSize.Z != 1);
    DefineSetProperty<TCubePart>(Filer, "Parts", cCubePartNames, FParts,
                                 {cpTop, cpBottom, cpFront, cpBack, cpLeft, cpRight},
                                 [this](TCubeParts v) { SetParts(v); });
    DefineEnumProperty<TNormalDirection>(Filer, "NormalDirection", cNormalDirectionNames, FNormalDirection,
                                         ndOutside, [this](TNormalDirection v) { SetNormalDirection(v); });
}

TVector4f TGLCube::AxisAlignedDimensionsUnscaled()
{
    return TVector4f{{{FCubeSize.X * 0.5f, FCubeSize.Y * 0.5f, FCubeSize.Z * 0.5f, 0}}};
}

bool TGLCube::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                               TVector4f* intersectNormal)
{
    const TVector4f s = AbsoluteToLocal(rayStart);
    TVector4f v = AbsoluteToLocal(rayVector);
    HmgNormalizeInPlace(v);
    // A little slack, so that a ray along an edge still meets the box.
    const float slack[3] = {FCubeSize.X * 0.5001f, FCubeSize.Y * 0.5001f, FCubeSize.Z * 0.5001f};
    // The axis normals +X, +Y, +Z, -X, -Y, -Z: the ray can only enter through the faces it runs towards,
    // those whose outward normal is the opposite one.
    for (int32_t k = 0; k < 6; ++k) {
        const int32_t axis = k % 3;
        const float sign = k < 3 ? 1.0f : -1.0f;
        const float towards = sign * v.V[axis];
        if (!(towards > 0)) continue;
        const float t = -(sign * s.V[axis] + FCubeSize.V[axis] * 0.5f) / towards;
        // Ahead of the start only (v is of unit length, so t is the distance along the ray).
        if (!(t > 0)) continue;
        const TVector4f p{{{s.X + t * v.X, s.Y + t * v.Y, s.Z + t * v.Z, 1}}};
        if (!(std::fabs(p.X) <= slack[0] && std::fabs(p.Y) <= slack[1] && std::fabs(p.Z) <= slack[2])) continue;
        if (intersectPoint) *intersectPoint = LocalToAbsolute(p);
        if (intersectNormal) {
            TVector4f normal{};
            normal.V[axis] = -sign;
            *intersectNormal = LocalToAbsolute(normal);
        }
        return true;
    }
    return false;
}

std::unique_ptr<TGLSilhouette> TGLCube::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters)
{
    TConnectivity connectivity(true);
    const TVector3f half{{{FCubeSize.X * 0.5f, FCubeSize.Y * 0.5f, FCubeSize.Z * 0.5f}}};
    for (const TCubeFace& face : cCubeFaces)
        if (FParts.Contains(face.Part))
            connectivity.AddQuad(Resolve(face.Corner[0], 1, half), Resolve(face.Corner[1], 1, half),
                                 Resolve(face.Corner[2], 1, half), Resolve(face.Corner[3], 1, half));
    TGLSilhouette* silhouette = nullptr;
    connectivity.CreateSilhouette(silhouetteParameters, silhouette, false);
    return std::unique_ptr<TGLSilhouette>(silhouette);
}

void TGLCube::BuildList(TGLRenderContextInfo& rci)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    const float n = FNormalDirection == ndOutside ? 1.0f : -1.0f;
    const TVector3f half{{{FCubeSize.X * 0.5f, FCubeSize.Y * 0.5f, FCubeSize.Z * 0.5f}}};
    // A shader in use may want each face's tangent space.
    GLint tangent = -1, binormal = -1;
    if (gl.ARB_shader_objects && rci.GLStates->CurrentProgram() != 0) {
        const uint32_t program = rci.GLStates->CurrentProgram();
        tangent = gl.GetAttribLocation(program, "Tangent");
        binormal = gl.GetAttribLocation(program, "Binormal");
    }
    gl.Begin_(GL_TRIANGLES);
    for (const TCubeFace& face : cCubeFaces) {
        if (!FParts.Contains(face.Part)) continue;
        gl.Normal3fv(Resolve(face.Normal, n).V);
        if (tangent > -1) {
            const TVector3f t = Resolve(face.Tangent, n);
            gl.VertexAttrib3f(tangent, t.X, t.Y, t.Z);
        }
        if (binormal > -1) {
            const TVector3f b = Resolve(face.Binormal, n);
            gl.VertexAttrib3f(binormal, b.X, b.Y, b.Z);
        }
        TVector3f p[4];
        for (int32_t k = 0; k < 4; ++k) p[k] = Resolve(face.Corner[k], n, half);
        // P0 P1 P2, P2 P3 P0; the repeated P2 keeps the coordinate just sent.
        for (const int32_t k : {0, 1, 2}) {
            xgl.TexCoord2fv(face.Tex[k]);
            gl.Vertex3fv(p[k].V);
        }
        gl.Vertex3fv(p[2].V);
        for (const int32_t k : {3, 0}) {
            xgl.TexCoord2fv(face.Tex[k]);
            gl.Vertex3fv(p[k].V);
        }
    }
    gl.End_();
}

// ---------------------------------------------------------------------------------------------------------
// TGLSphericalObject

namespace {

inline constexpr TEnumNames<3> cCapTypeNames{"ctNone", "ctCenter", "ctFlat"};

constexpr float cDegreesToRadians = static_cast<float>(std::numbers::pi / 180);

// t^c, with the sign of t kept for a power that is not whole (a whole power keeps its own).
float SignedPower(float t, float c)
{
    if (t > 0 || c == std::trunc(c)) return static_cast<float>(FloatPower(t, c));
    return -static_cast<float>(FloatPower(-t, c));
}

// The sphere's sines and cosines as they are.
struct TSphereCurve {
    float V(float t) const { return t; }
    float H(float t) const { return t; }
};

// The superellipsoid's: raised to VCurve across the latitudes, to HCurve around the axis.
struct TPowerCurve {
    float VCurve, HCurve;
    float V(float t) const { return SignedPower(t, VCurve); }
    float H(float t) const { return SignedPower(t, HCurve); }
};

} // namespace

void TGLSphericalObject::SetRadius(float Value)
{
    ChangeStructure(*this, FRadius, Value);
}

void TGLSphericalObject::SetSlices(int32_t Value)
{
    ChangeStructure(*this, FSlices, std::max(Value, 1));
}

void TGLSphericalObject::SetStacks(int32_t Value)
{
    ChangeStructure(*this, FStacks, std::max(Value, 1));
}

void TGLSphericalObject::SetTop(int32_t Value)
{
    ChangeStructure(*this, FTop, static_cast<int8_t>(std::clamp(Value, -90, 90)));
}

void TGLSphericalObject::SetBottom(int32_t Value)
{
    ChangeStructure(*this, FBottom, static_cast<int8_t>(std::clamp(Value, -90, 90)));
}

void TGLSphericalObject::SetStart(int32_t Value)
{
    const auto start = static_cast<uint16_t>(std::clamp(Value, 0, 360));
    if (start == FStart) return;
    Assert(start <= FStop, "", cGLObjectsUnit);
    ChangeStructure(*this, FStart, start);
}

void TGLSphericalObject::SetStop(int32_t Value)
{
    const auto stop = static_cast<uint16_t>(std::clamp(Value, 0, 360));
    if (stop == FStop) return;
    Assert(stop >= FStart, "", cGLObjectsUnit);
    ChangeStructure(*this, FStop, stop);
}

void TGLSphericalObject::SetTopCap(TCapType Value)
{
    ChangeStructure(*this, FTopCap, Value);
}

void TGLSphericalObject::SetBottomCap(TCapType Value)
{
    ChangeStructure(*this, FBottomCap, Value);
}

void TGLSphericalObject::AssignShape(const TGLSphericalObject& source)
{
    FRadius = source.FRadius;
    FSlices = source.FSlices;
    FStacks = source.FStacks;
    FBottom = source.FBottom;
    FTop = source.FTop;
    FStart = source.FStart;
    FStop = source.FStop;
}

void TGLSphericalObject::DefineProperties(TFiler& Filer)
{
    TGLQuadricObject::DefineProperties(Filer);
    DefineSingleProperty(Filer, "Radius", FRadius, 0.5f, [this](float v) { SetRadius(v); });
    DefineIntegerProperty(Filer, "Slices", FSlices, 16, [this](int32_t v) { SetSlices(v); });
    DefineIntegerProperty(Filer, "Stacks", FStacks, 16, [this](int32_t v) { SetStacks(v); });
    DefineIntegerProperty(Filer, "Top", FTop, 90, [this](int32_t v) { SetTop(v); });
    DefineIntegerProperty(Filer, "Bottom", FBottom, -90, [this](int32_t v) { SetBottom(v); });
    DefineIntegerProperty(Filer, "Start", FStart, 0, [this](int32_t v) { SetStart(v); });
    DefineIntegerProperty(Filer, "Stop", FStop, 360, [this](int32_t v) { SetStop(v); });
    DefineEnumProperty<TCapType>(Filer, "TopCap", cCapTypeNames, FTopCap, ctNone,
                                 [this](TCapType v) { SetTopCap(v); });
    DefineEnumProperty<TCapType>(Filer, "BottomCap", cCapTypeNames, FBottomCap, ctNone,
                                 [this](TCapType v) { SetBottomCap(v); });
}

TVector4f TGLSphericalObject::AxisAlignedDimensionsUnscaled()
{
    const float r = std::fabs(FRadius);
    return TVector4f{{{r, r, r, 0}}};
}

bool TGLSphericalObject::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                          TVector4f* intersectPoint, TVector4f* intersectNormal)
{
    const TVector4f s = AbsoluteToLocal(rayStart);
    TVector4f v = AbsoluteToLocal(rayVector);
    HmgNormalizeInPlace(v);
    TVector4f i1{}, i2{};
    if (RayIntersectSphere(s, v, TVector4f{{{0, 0, 0, 1}}}, FRadius, i1, i2) == 0) return false;
    i1.W = 1;
    if (intersectPoint) *intersectPoint = LocalToAbsolute(i1);
    if (intersectNormal) {
        i1.W = 0;
        *intersectNormal = LocalToAbsolute(i1);
    }
    return true;
}

std::unique_ptr<TGLSilhouette> TGLSphericalObject::GenerateSilhouette(
    const TGLSilhouetteParameters& silhouetteParameters)
{
    const int32_t k = std::max(FStacks, FSlices);
    const TVector3f& seenFrom = silhouetteParameters.SeenFrom;
    // Two axes across the view.
    TVector3f a, b;
    AffineCross(seenFrom, TVector3f{{{1, 0, 0}}}, a);
    if (AffineLength(a) < 0.001) AffineCross(seenFrom, TVector3f{{{0, 1, 0}}}, a);
    AffineCross(seenFrom, a, b);
    AffineNormalizeInPlace(a);
    AffineNormalizeInPlace(b);
    auto silhouette = std::make_unique<TGLSilhouette>();
    silhouette->SetParameters(silhouetteParameters);
    TVectorList* vertices = silhouette->Vertices();
    TIntegerList* indices = silhouette->Indices();
    const bool capped = silhouetteParameters.CappingRequired;
    for (int32_t i = 0; i < k; ++i) {
        const double angle = 2 * std::numbers::pi * i / k;
        const float sa = FRadius * static_cast<float>(std::sin(angle));
        const float ca = FRadius * static_cast<float>(std::cos(angle));
        vertices->AddPoint(sa * a.X + ca * b.X, sa * a.Y + ca * b.Y, sa * a.Z + ca * b.Z);
        indices->Add(i, (i + 1) % k);
        if (capped) silhouette->CapIndices()->Add(k, i, (i + 1) % k);
    }
    if (capped) vertices->AddPoint(0, 0, 0);
    return silhouette;
}

template <class TCurve>
void TGLSphericalObject::BuildSurface(TGLRenderContextInfo& rci, const TCurve& curve, float scale,
                                      bool flatBottomRingNormals)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    const bool inside = NormalDirection() == ndInside;
    const float facing = inside ? -1.0f : 1.0f;
    const float top = FTop * cDegreesToRadians;
    const float bottom = FBottom * cDegreesToRadians;
    const float start = FStart * cDegreesToRadians;
    const float stop = FStop * cDegreesToRadians;
    const float stepH = (stop - start) / FSlices;
    const float stepV = (top - bottom) / FStacks;
    // The unscaled point at latitude p and longitude q.
    const auto point = [&curve](float p, float q) {
        const float cp = curve.V(std::cos(p));
        return TVector3f{{{cp * curve.H(std::sin(q)), curve.V(std::sin(p)), cp * curve.H(std::cos(q))}}};
    };
    const auto vertex = [&gl, scale](const TVector3f& r) {
        const TVector3f scaled{{{r.X * scale, r.Y * scale, r.Z * scale}}};
        gl.Vertex3fv(scaled.V);
    };
    // A fan closing the latitude: up is +1 for the top, -1 for the bottom; the ring runs from longitude q0 in
    // steps of dq.
    const auto cap = [&](TCapType type, float latitude, float up, float q0, float dq, bool flatRingNormals) {
        static constexpr float cCentreTex[2] = {0.5f, 0.5f};
        const TVector3f centreNormal{{{0, up * facing, 0}}};
        gl.Begin_(GL_TRIANGLE_FAN);
        xgl.TexCoord2fv(cCentreTex);
        gl.Normal3fv(centreNormal.V);
        vertex(TVector3f{{{0, type == ctFlat ? point(latitude, 0).Y : 0, 0}}});
        for (int32_t j = 0; j <= FSlices; ++j) {
            const float q = q0 + j * dq;
            const TVector3f r = point(latitude, q);
            const float tex[2] = {0.5f + 0.5f * curve.H(std::sin(q)), 0.5f + 0.5f * curve.H(std::cos(q))};
            xgl.TexCoord2fv(tex);
            if (type == ctCenter) {
                // The part of (0, up, 0) at right angles to the ring point.
                const float along = up * r.Y;
                const TVector3f normal{{{-along * r.X * facing, (up - along * r.Y) * facing, -along * r.Z * facing}}};
                gl.Normal3fv(normal.V);
            } else if (flatRingNormals) {
                gl.Normal3fv(centreNormal.V);
            }
            vertex(r);
        }
        gl.End_();
    };
    if (inside) rci.GLStates->InvertGLFrontFace();
    if (FTop < 90 && FTopCap != ctNone) cap(FTopCap, top, 1, start, stepH, true);
    for (int32_t i = 0; i < FStacks; ++i) {
        const float p1 = top - i * stepV;
        const float p2 = p1 - stepV;
        const float t1 = 1 - static_cast<float>(i) / FStacks;
        const float t2 = 1 - static_cast<float>(i + 1) / FStacks;
        gl.Begin_(GL_TRIANGLE_STRIP);
        for (int32_t j = 0; j <= FSlices; ++j) {
            const float q = start + j * stepH;
            const float u = static_cast<float>(j) / FSlices;
            for (const auto& [p, t] : {std::pair{p1, t1}, std::pair{p2, t2}}) {
                const TVector3f r = point(p, q);
                const float tex[2] = {u, t};
                const TVector3f normal{{{r.X * facing, r.Y * facing, r.Z * facing}}};
                xgl.TexCoord2fv(tex);
                gl.Normal3fv(normal.V);
                vertex(r);
            }
        }
        gl.End_();
    }
    if (FBottom > -90 && FBottomCap != ctNone) cap(FBottomCap, bottom, -1, stop, -stepH, flatBottomRingNormals);
    if (inside) rci.GLStates->InvertGLFrontFace();
}

// ---------------------------------------------------------------------------------------------------------
// TGLSphere

void TGLSphere::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLSphere*>(Source)) AssignShape(*source);
    TGLSphericalObject::Assign(Source);
}

void TGLSphere::BuildList(TGLRenderContextInfo& rci)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    // The unit sphere, scaled by the matrix.
    rci.GLStates->PushAttrib(TGLStateTypes{sttPolygon});
    gl.PushMatrix();
    gl.Scalef(Radius(), Radius(), Radius());
    BuildSurface(rci, TSphereCurve{}, 1, true);
    gl.PopMatrix();
    rci.GLStates->PopAttrib();
}

// ---------------------------------------------------------------------------------------------------------
// TGLSuperellipsoid

void TGLSuperellipsoid::SetVCurve(float Value)
{
    ChangeStructure(*this, FVCurve, Value);
}

void TGLSuperellipsoid::SetHCurve(float Value)
{
    ChangeStructure(*this, FHCurve, Value);
}

void TGLSuperellipsoid::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLSuperellipsoid*>(Source)) AssignShape(*source);
    TGLSphericalObject::Assign(Source);
}

void TGLSuperellipsoid::DefineProperties(TFiler& Filer)
{
    TGLSphericalObject::DefineProperties(Filer);
    DefineSingleProperty(Filer, "VCurve", FVCurve, 1, [this](float v) { SetVCurve(v); });
    DefineSingleProperty(Filer, "HCurve", FHCurve, 1, [this](float v) { SetHCurve(v); });
}

void TGLSuperellipsoid::BuildList(TGLRenderContextInfo& rci)
{
    // Only an exact even whole value is moved: once moved it stays, and the shape is not rebuilt again.
    const bool evenV = std::fmod(FVCurve, 2.0f) == 0;
    const bool evenH = std::fmod(FHCurve, 2.0f) == 0;
    if (evenV) SetVCurve(FVCurve + 0.000001f);
    if (evenH) SetHCurve(FHCurve - 0.000001f);
    BuildSurface(rci, TPowerCurve{FVCurve, FHCurve}, Radius(), false);
}

// ---------------------------------------------------------------------------------------------------------
// TGLPolygonBase

TGLPolygonBase::TGLPolygonBase(TComponent* AOwner) : TVAVodadObject(AOwner)
{
    CreateNodes();
}

TGLPolygonBase::~TGLPolygonBase() = default;

void TGLPolygonBase::CreateNodes()
{
    FNodes = std::make_unique<TGLNodes>(this, NodeClassOf<TGLNode>);
}

void TGLPolygonBase::SetNodes(TGLNodes* Value)
{
    FNodes->Assign(Value);
    StructureChanged();
}

void TGLPolygonBase::SetDivision(int32_t Value)
{
    ChangeStructure(*this, FDivision, std::max(Value, 1));
}

void TGLPolygonBase::SetSplineMode(TLineSplineMode Value)
{
    ChangeStructure(*this, FSplineMode, Value);
}

void TGLPolygonBase::AddNode(const TGLCustomCoordinates& Coords)
{
    FNodes->AddNode(Coords);
    StructureChanged();
}

void TGLPolygonBase::AddNode(float X, float Y, float Z)
{
    FNodes->AddNode(X, Y, Z);
    StructureChanged();
}

void TGLPolygonBase::AddNode(const TVector4f& Value)
{
    FNodes->AddNode(Value);
    StructureChanged();
}

void TGLPolygonBase::AddNode(const TVector3f& Value)
{
    FNodes->AddNode(Value);
    StructureChanged();
}

void TGLPolygonBase::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLPolygonBase*>(Source)) {
        SetNodes(source->FNodes.get());
        FDivision = source->FDivision;
        FSplineMode = source->FSplineMode;
    }
    TVAVodadObject::Assign(Source);
}

void TGLPolygonBase::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    DefineIntegerProperty(Filer, "Division", FDivision, 10, [this](int32_t v) { SetDivision(v); });
    DefineEnumProperty<TLineSplineMode>(Filer, "SplineMode", cLineSplineModeNames, FSplineMode, lsmLines,
                                        [this](TLineSplineMode v) { SetSplineMode(v); });
    DefineNodesProperty(Filer, *FNodes);
}

void TGLPolygonBase::NotifyChange(TObject* Sender)
{
    if (FNodes && Sender == FNodes.get()) StructureChanged();
    TVAVodadObject::NotifyChange(Sender);
}
