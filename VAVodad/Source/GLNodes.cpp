#include "GLNodes.h"

#include "ComponentStreams.h"
#include "GLBaseClasses.h"
#include "GLCoordinates.h"
#include "GLSpline.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"
#include "XOpenGL.h"

#include <GL/glu.h>

#include <deque>
#include <exception>
#include <new>
#include <limits>
#include <string>

// ---------------------------------------------------------------------------------------------------------
// TGLNode

void TGLNode::Assign(TPersistent* Source)
{
    if (auto* node = dynamic_cast<TGLNode*>(Source)) {
        FCoords = node->FCoords;
        return;
    }
    TPersistent::Assign(Source);
}

void TGLNode::DefineProperties(TFiler& Filer)
{
    TPersistent::DefineProperties(Filer);
    static const char* const cNames[3] = {"X", "Y", "Z"};
    for (int32_t i = 0; i < 3; ++i) {
        Filer.DefineProperty(
            cNames[i], [this, i](TReader& reader) { SetCoordinate(i, static_cast<float>(reader.ReadFloat())); },
            [this, i](TWriter& writer) { writer.WriteSingle(FCoords.V[i]); }, FCoords.V[i] != 0);
    }
}

TPersistent* TGLNode::GetOwner() const
{
    return FCollection;
}

std::string TGLNode::GetDisplayName() const
{
    return Format("%.4f; %.4f; %.4f", {FCoords.X, FCoords.Y, FCoords.Z});
}

int32_t TGLNode::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

void TGLNode::SetAsVector(const TVector4f& Value)
{
    FCoords = Value;
    Changed();
}

void TGLNode::SetAsAffineVector(const TVector3f& Value)
{
    SetAsVector(TVector4f{{{Value.X, Value.Y, Value.Z, 0}}});
}

void TGLNode::SetCoordinate(int32_t index, float Value)
{
    FCoords.V[index] = Value;
    Changed();
}

void TGLNode::Changed()
{
    if (FCollection) FCollection->NotifyChange();
}

void TGLNode::SetX(float Value) { SetCoordinate(0, Value); }
void TGLNode::SetY(float Value) { SetCoordinate(1, Value); }
void TGLNode::SetZ(float Value) { SetCoordinate(2, Value); }

// ---------------------------------------------------------------------------------------------------------
// TGLNodes: the list

TGLNodes::TGLNodes(TPersistent* AOwner, TGLNodeClass AItemClass)
    : FOwner(AOwner), FItemClass(AItemClass ? AItemClass : &NodeClassOf<TGLNode>)
{
}

TGLNodes::~TGLNodes()
{
    // No owner is told while the list dies.
    ++FUpdateCount;
    FItems.clear();
}

std::unique_ptr<TGLNodes> TGLNodes::CreateCopy(TPersistent* AOwner) const
{
    auto copy = std::make_unique<TGLNodes>(AOwner, FItemClass);
    copy->Assign(const_cast<TGLNodes*>(this));
    return copy;
}

void TGLNodes::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLNodes*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    BeginUpdate();
    TryFinally(
        [&] {
            Clear();
            for (const auto& node : source->FItems) Add()->Assign(node.get());
        },
        [&] { EndUpdate(); });
}

TGLNode* TGLNodes::GetItems(int32_t Index) const
{
    if (Index < 0 || Index >= Count()) RaiseListError("List index out of bounds (%d)", Index);
    return FItems[Index].get();
}

void TGLNodes::SetItems(int32_t Index, TGLNode* Value)
{
    GetItems(Index)->Assign(Value);
    NotifyChange();
}

TGLNode* TGLNodes::First() const
{
    return FItems.empty() ? nullptr : FItems.front().get();
}

TGLNode* TGLNodes::Last() const
{
    return FItems.empty() ? nullptr : FItems.back().get();
}

TGLNode* TGLNodes::FindItemID(int32_t ID) const
{
    for (const auto& node : FItems)
        if (node->FID == ID) return node.get();
    return nullptr;
}

int32_t TGLNodes::IndexOf(const TGLNode* Node) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (FItems[i].get() == Node) return i;
    return -1;
}

TGLNode* TGLNodes::Add()
{
    std::unique_ptr<TGLNode> node = FItemClass(this);
    node->FID = FNextID++;
    FItems.push_back(std::move(node));
    NotifyChange();
    return FItems.back().get();
}

void TGLNodes::Delete(int32_t Index)
{
    GetItems(Index);
    FItems.erase(FItems.begin() + Index);
    NotifyChange();
}

void TGLNodes::Clear()
{
    if (FItems.empty()) return;
    FItems.clear();
    NotifyChange();
}

void TGLNodes::AddNode(const TGLCustomCoordinates& Coords)
{
    Add()->SetAsVector(Coords.AsVector());
}

void TGLNodes::AddNode(float X, float Y, float Z)
{
    Add()->SetAsVector(TVector4f{{{X, Y, Z, 1}}});
}

void TGLNodes::AddNode(const TVector4f& Value)
{
    Add()->SetAsVector(Value);
}

void TGLNodes::AddNode(const TVector3f& Value)
{
    Add()->SetAsAffineVector(Value);
}

void TGLNodes::EndUpdate()
{
    Assert(FUpdateCount > 0, "", cGLNodesUnit);
    if (--FUpdateCount == 0) NotifyChange();
}

void TGLNodes::NotifyChange()
{
    if (FUpdateCount != 0) return;
    if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(FOwner)) owner->NotifyChange(this);
}

// ---------------------------------------------------------------------------------------------------------
// TGLNodes: geometry

void TGLNodes::AddXYArc(float XRadius, float YRadius, float StartAngle, float StopAngle, int32_t NbSegments,
                        const TVector3f& Center)
{
    constexpr float cDegToRad = 0.0174532924f;
    const float start = StartAngle * cDegToRad;
    const float stop = StopAngle * cDegToRad;
    BeginUpdate();
    TryFinally(
        [&] {
            for (int32_t i = 0; i <= NbSegments; ++i) {
                // No segments: the one node at the start angle, not 0 / 0.
                const float angle =
                    i == 0 ? start : start + static_cast<float>(i) * (stop - start) / static_cast<float>(NbSegments);
                float s, c;
                SinCosSingle(angle, s, c);
                AddNode(Center.X + XRadius * c, Center.Y + YRadius * s, Center.Z);
            }
        },
        [&] { EndUpdate(); });
}

TVector3f TGLNodes::Barycenter() const
{
    TVector3f sum{};
    for (const auto& node : FItems) AffineAddInPlace(sum, node->AsAffineVector());
    if (!FItems.empty()) AffineScaleInPlace(sum, 1.0f / static_cast<float>(Count()));
    return sum;
}

TVector3f TGLNodes::Normal() const
{
    TVector3f n{};
    if (Count() < 3) return n;
    TVector3f a, b;
    AffineSubtract(FItems[1]->AsAffineVector(), FItems[0]->AsAffineVector(), a);
    AffineSubtract(FItems[2]->AsAffineVector(), FItems[0]->AsAffineVector(), b);
    AffineCross(a, b, n);
    AffineNormalizeInPlace(n);
    return n;
}

TVector3f TGLNodes::Vector(int32_t I) const
{
    Assert(I >= 0 && I < Count(), "", cGLNodesUnit);
    constexpr double cMinSquare = 0.00001;
    const auto p = [this](int32_t k) { return FItems[k]->AsAffineVector(); };
    const auto difference = [](const TVector3f& a, const TVector3f& b) {
        TVector3f d;
        AffineSubtract(a, b, d);
        return d;
    };
    TVector3f v{};
    if (I > 0) v = difference(p(I + 1 < Count() ? I + 1 : I), p(I - 1));
    else if (Count() > 1) v = difference(p(1), p(0));
    if (AffineLengthSquared(v) < cMinSquare) {
        // Coinciding neighbours: the first distinct node ahead, else behind (node 0 is never tried).
        bool found = false;
        for (int32_t s = 1; !found && I + s < Count(); ++s) {
            v = difference(p(I + s), p(I));
            found = AffineLengthSquared(v) > cMinSquare;
        }
        for (int32_t s = 1; !found && I - s > 0; ++s) {
            v = difference(p(I), p(I - s));
            found = AffineLengthSquared(v) > cMinSquare;
        }
        if (!found) return TVector3f{};
    }
    AffineNormalizeInPlace(v);
    return v;
}

void TGLNodes::GetExtents(TVector3f& Min, TVector3f& Max) const
{
    constexpr float cInf = std::numeric_limits<float>::infinity();
    Min = TVector3f{{{cInf, cInf, cInf}}};
    Max = TVector3f{{{-cInf, -cInf, -cInf}}};
    for (const auto& node : FItems) {
        for (int32_t k = 0; k < 3; ++k) {
            const float v = node->FCoords.V[k];
            if (v < Min.V[k]) Min.V[k] = v;
            if (v > Max.V[k]) Max.V[k] = v;
        }
    }
}

template <class F> void TGLNodes::TransformNodes(F change)
{
    for (const auto& node : FItems) change(node->FCoords);
    NotifyChange();
}

void TGLNodes::Translate(const TVector3f& Tv)
{
    TransformNodes([&](TVector4f& v) {
        for (int32_t k = 0; k < 3; ++k) v.V[k] += Tv.V[k];
    });
}

void TGLNodes::Scale(const TVector3f& Fv)
{
    TransformNodes([&](TVector4f& v) {
        for (int32_t k = 0; k < 3; ++k) v.V[k] *= Fv.V[k];
    });
}

void TGLNodes::Scale(float F)
{
    Scale(TVector3f{{{F, F, F}}});
}

void TGLNodes::RotateNodes(int32_t a, int32_t b, float Angle)
{
    float s, c;
    SinCosSingle(static_cast<float>(DegreesToRadians(Angle)), s, c);
    TransformNodes([&](TVector4f& v) {
        const float oa = v.V[a], ob = v.V[b];
        v.V[a] = c * oa + s * ob;
        v.V[b] = c * ob - s * oa;
    });
}

void TGLNodes::RotateAroundX(float Angle)
{
    RotateNodes(1, 2, Angle);
}

void TGLNodes::RotateAroundY(float Angle)
{
    RotateNodes(0, 2, Angle);
}

void TGLNodes::RotateAroundZ(float Angle)
{
    RotateNodes(1, 0, Angle);
}

std::unique_ptr<TCubicSpline> TGLNodes::CreateNewCubicSpline() const
{
    std::vector<float> x(Count()), y(Count()), z(Count());
    for (int32_t i = 0; i < Count(); ++i) {
        x[i] = FItems[i]->FCoords.X;
        y[i] = FItems[i]->FCoords.Y;
        z[i] = FItems[i]->FCoords.Z;
    }
    return std::make_unique<TCubicSpline>(x.data(), y.data(), z.data(), nullptr, Count());
}

// ---------------------------------------------------------------------------------------------------------
// TGLNodes: tessellation

namespace {

// What the tessellator's callbacks share during one polygon. GLU keeps the vertex pointers it is given until
// the polygon ends, so the points made here live in a deque, whose elements never move. Nothing may be thrown
// through GLU's C frames: a failure is kept and raised once the tessellator is gone.
struct TTessellation {
    TGLExtensionsAndEntryPoints* gl;
    TGLMultitextureCoordinator* xgl; // textured only
    std::deque<TVector3f> points;
    GLenum error = 0;
    std::exception_ptr failure;

    TVector3f* NewPoint(float x, float y, float z) { return &points.emplace_back(TVector3f{{{x, y, z}}}); }

    template <class F> void Guarded(F body) noexcept
    {
        if (failure) return;
        try {
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    }
};

TTessellation& StateOf(void* data)
{
    return *static_cast<TTessellation*>(data);
}

extern "C" {

static void GLAPIENTRY TessBegin(GLenum type, void* data)
{
    TTessellation& t = StateOf(data);
    t.Guarded([&] { t.gl->Begin_(type); });
}

static void GLAPIENTRY TessVertex(void* vertex, void* data)
{
    TTessellation& t = StateOf(data);
    const float* v = static_cast<const float*>(vertex);
    t.Guarded([&] {
        if (t.xgl) t.xgl->TexCoord2fv(v); // x and y
        t.gl->Vertex3fv(v);
    });
}

static void GLAPIENTRY TessEnd(void* data)
{
    TTessellation& t = StateOf(data);
    t.Guarded([&] { t.gl->End_(); });
}

static void GLAPIENTRY TessCombine(GLdouble coords[3], void* /*vertexData*/[4], GLfloat /*weight*/[4], void** outData,
                                   void* data)
{
    TTessellation& t = StateOf(data);
    *outData = nullptr;
    t.Guarded([&] {
        *outData = t.NewPoint(static_cast<float>(coords[0]), static_cast<float>(coords[1]),
                              static_cast<float>(coords[2]));
    });
}

static void GLAPIENTRY TessError(GLenum error, void* data)
{
    TTessellation& t = StateOf(data);
    if (t.error == 0) t.error = error;
}

} // extern "C"

struct TTessDeleter {
    void operator()(GLUtesselator* tess) const { gluDeleteTess(tess); }
};

void Callback(GLUtesselator* tess, GLenum which, void (*callback)())
{
    gluTessCallback(tess, which, reinterpret_cast<_GLUfuncptr>(callback));
}

} // namespace

void TGLNodes::RenderTesselatedPolygon(bool ATextured, const TVector3f* ANormal, int32_t ASplineDivisions,
                                       bool AInvertNormals) const
{
    if (Count() < 3) return;
    TTessellation t{GetCurrentGL(), ATextured ? GetCurrentMultitextureCoordinator() : nullptr, {}, 0, nullptr};
    {
        std::unique_ptr<GLUtesselator, TTessDeleter> tess(gluNewTess());
        if (!tess) throw std::bad_alloc();
        Callback(tess.get(), GLU_TESS_BEGIN_DATA, reinterpret_cast<void (*)()>(&TessBegin));
        Callback(tess.get(), GLU_TESS_VERTEX_DATA, reinterpret_cast<void (*)()>(&TessVertex));
        Callback(tess.get(), GLU_TESS_END_DATA, reinterpret_cast<void (*)()>(&TessEnd));
        Callback(tess.get(), GLU_TESS_COMBINE_DATA, reinterpret_cast<void (*)()>(&TessCombine));
        Callback(tess.get(), GLU_TESS_ERROR_DATA, reinterpret_cast<void (*)()>(&TessError));
        if (ANormal) {
            t.gl->Normal3fv(ANormal->V);
            gluTessNormal(tess.get(), ANormal->X, ANormal->Y, ANormal->Z);
        }
        gluTessBeginPolygon(tess.get(), &t);
        gluTessBeginContour(tess.get());
        const auto vertex = [&](TVector3f* p) {
            GLdouble coords[3] = {p->X, p->Y, p->Z};
            gluTessVertex(tess.get(), coords, p);
        };
        if (ASplineDivisions > 1) {
            const std::unique_ptr<TCubicSpline> spline = CreateNewCubicSpline();
            const int32_t last = ASplineDivisions * (Count() - 1);
            const float k = static_cast<float>(ASplineDivisions);
            for (int32_t n = 0; n <= last; ++n) {
                const int32_t i = AInvertNormals ? last - n : n;
                const TVector3f p = spline->SplineAffineVector(static_cast<float>(i) / k);
                vertex(t.NewPoint(p.X, p.Y, p.Z));
            }
        } else {
            for (int32_t n = 0; n < Count(); ++n)
                vertex(reinterpret_cast<TVector3f*>(FItems[AInvertNormals ? Count() - 1 - n : n]->AsAddress()));
        }
        gluTessEndContour(tess.get());
        gluTessEndPolygon(tess.get());
    }
    if (t.failure) std::rethrow_exception(t.failure);
    if (t.error != 0) {
        const auto* text = reinterpret_cast<const char*>(gluErrorString(t.error));
        AssertionFailed(std::to_string(t.error) + ": " + (text ? text : ""), cGLNodesUnit);
    }
}

void DefineNodesProperty(TFiler& Filer, TGLNodes& Nodes)
{
    DefineCollectionProperty(
        Filer, "Nodes", Nodes.Count(), [&Nodes](int32_t i) { return Nodes[i]; }, [&Nodes] { Nodes.Clear(); },
        [&Nodes] { return Nodes.Add(); });
}
