#include "GLMesh.h"

#include "GLContext.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "VAVodad_streaming.h"
#include "XOpenGL.h"
#include "ZODLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

inline constexpr TEnumNames<6> cMeshModeNames{"mmTriangleStrip", "mmTriangleFan", "mmTriangles",
                                              "mmQuadStrip",     "mmQuads",       "mmPolygon"};
inline constexpr TEnumNames<6> cVertexModeNames{"vmV", "vmVN", "vmVNC", "vmVNCT", "vmVNT", "vmVT"};

constexpr GLsizei cStride = sizeof(TVertexData);

using TAllocateMemoryNV = void* (*)(GLsizei size, GLfloat readFrequency, GLfloat writeFrequency, GLfloat priority);
using TFreeMemoryNV = void (*)(void* pointer);

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLVertexList

TGLVertexList::TGLVertexList(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner) {}

TGLVertexList::~TGLVertexList()
{
    try {
        SetLocked(false);
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(std::string("Vertex list destruction: ") + e.what());
    }
}

void TGLVertexList::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLVertexList*>(Source);
    if (!source) {
        TGLUpdateAbleObject::Assign(Source);
        return;
    }
    if (source == this) return;
    Assert(!Locked(), "Cannot change locked list capacity !", cGLMeshUnit);
    FArray.assign(source->FValues, source->FValues + source->FCount);
    FCount = source->FCount;
    Reseat();
}

void TGLVertexList::SetCapacity(int32_t Value)
{
    Assert(!Locked(), "Cannot change locked list capacity !", cGLMeshUnit);
    FArray.resize(std::max(Value, FCount));
    Reseat();
}

void TGLVertexList::SetGrowth(int32_t Value)
{
    FGrowth = std::max(16, Value);
}

void TGLVertexList::Grow()
{
    Assert(!Locked(), "Cannot add to a locked list !", cGLMeshUnit);
    SetCapacity(Capacity() + FGrowth);
}

TVertexData& TGLVertexList::Append()
{
    if (FCount == Capacity()) Grow();
    return FValues[FCount++];
}

void TGLVertexList::CheckIndex(int32_t index) const
{
    Assert(index >= 0 && index < FCount, "", cGLMeshUnit);
}

void TGLVertexList::AddVertex(const TVertexData& vertexData)
{
    Append() = vertexData;
    NotifyChange(this);
}

void TGLVertexList::AddVertex(const TVector3f& aVertex, const TVector3f& aNormal, const TVector4f& aColor,
                              const TTexPoint& aTexPoint)
{
    AddVertex(TVertexData{aTexPoint, aColor, aNormal, aVertex});
}

void TGLVertexList::AddVertex(const TVector3f& vertex, const TVector3f& normal, const TVector4f& color)
{
    AddVertex(vertex, normal, color, TTexPoint{0, 0});
}

void TGLVertexList::AddVertex(const TVector3f& vertex, const TVector3f& normal)
{
    AddVertex(vertex, normal, TVector4f{{{0, 0, 0, 1}}});
}

void TGLVertexList::AddVertex3(const TVertexData& vd1, const TVertexData& vd2, const TVertexData& vd3)
{
    if (FCount + 2 >= Capacity()) Grow();
    for (const TVertexData* vd : {&vd1, &vd2, &vd3}) FValues[FCount++] = *vd;
    NotifyChange(this);
}

void TGLVertexList::DuplicateVertex(int32_t index)
{
    CheckIndex(index);
    const TVertexData copy = FValues[index]; // growing moves the records
    Append() = copy;
    NotifyChange(this);
}

void TGLVertexList::Clear()
{
    Assert(!Locked(), "Cannot clear a locked list !", cGLMeshUnit);
    std::vector<TVertexData>().swap(FArray);
    FCount = 0;
    Reseat();
    NotifyChange(this);
}

const TVertexData& TGLVertexList::Vertices(int32_t index) const
{
    CheckIndex(index);
    return FValues[index];
}

void TGLVertexList::SetVertices(int32_t index, const TVertexData& Value)
{
    CheckIndex(index);
    FValues[index] = Value;
    NotifyChange(this);
}


TVector3f TGLVertexList::SumVertexCoords() const
{
    TVector3f sum{};
    for (int32_t i = 0; i < FCount; ++i) AffineAddInPlace(sum, FValues[i].coord);
    return sum;
}

void TGLVertexList::GetExtents(TVector3f& min, TVector3f& max) const
{
    constexpr float cInf = std::numeric_limits<float>::infinity();
    min = TVector3f{{{cInf, cInf, cInf}}};
    max = TVector3f{{{-cInf, -cInf, -cInf}}};
    for (int32_t i = 0; i < FCount; ++i) {
        for (int32_t k = 0; k < 3; ++k) {
            const float v = FValues[i].coord.V[k];
            min.V[k] = std::min(min.V[k], v);
            max.V[k] = std::max(max.V[k], v);
        }
    }
}

void TGLVertexList::Translate(const TVector3f& v)
{
    for (int32_t i = 0; i < FCount; ++i) AffineAddInPlace(FValues[i].coord, v);
    // The mesh's dimensions follow the coordinates.
    NotifyChange(this);
}

void TGLVertexList::NormalizeNormals()
{
    for (int32_t i = 0; i < FCount; ++i) AffineNormalizeInPlace(FValues[i].normal);
    NotifyChange(this);
}

std::unique_ptr<TGLVertexList> TGLVertexList::CreateInterpolatedCoords(const TGLVertexList& list2,
                                                                      float lerpFactor) const
{
    Assert(FCount == list2.FCount, "", cGLMeshUnit);
    auto result = std::make_unique<TGLVertexList>(nullptr);
    result->Assign(const_cast<TGLVertexList*>(this));
    for (int32_t i = 0; i < FCount; ++i) {
        TVector3f& c = result->FValues[i].coord;
        const TVector3f& other = list2.FValues[i].coord;
        for (int32_t k = 0; k < 3; ++k) c.V[k] += lerpFactor * (other.V[k] - c.V[k]);
    }
    return result;
}

void TGLVertexList::DefineOpenGLArrays()
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    gl.EnableClientState(GL_VERTEX_ARRAY);
    gl.VertexPointer(3, GL_FLOAT, cStride, FirstVertex());
    gl.EnableClientState(GL_NORMAL_ARRAY);
    gl.NormalPointer(GL_FLOAT, cStride, FirstNormal());
    xgl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
    xgl.TexCoordPointer(2, GL_FLOAT, cStride, FirstTexPoint());
}

void TGLVertexList::SetLocked(bool Value)
{
    if (Value == Locked() || !GetCurrentGLContext()) return;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    if (!gl.NV_vertex_array_range) return;
    if (Value) {
        if (!gl.WAllocateMemoryNV || FCount == 0) return;
        // The whole capacity: records may still be added up to it while locked.
        void* memory = reinterpret_cast<TAllocateMemoryNV>(gl.WAllocateMemoryNV)(Capacity() * cStride, 0, 0, 0.5f);
        if (!memory) return;
        std::memcpy(memory, FArray.data(), FCount * sizeof(TVertexData));
        FLocked = static_cast<TVertexData*>(memory);
    } else {
        // What was written while locked is kept.
        std::memcpy(FArray.data(), FLocked, FCount * sizeof(TVertexData));
        if (gl.WFreeMemoryNV) reinterpret_cast<TFreeMemoryNV>(gl.WFreeMemoryNV)(FLocked);
        FLocked = nullptr;
    }
    Reseat();
}

void TGLVertexList::EnterLockSection()
{
    if (!Locked()) return;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.VertexArrayRangeNV(FCount * cStride, FValues);
    gl.EnableClientState(GL_VERTEX_ARRAY_RANGE_NV);
}

void TGLVertexList::LeaveLockSection()
{
    if (!Locked()) return;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    gl.DisableClientState(GL_VERTEX_ARRAY_RANGE_NV);
    gl.FlushVertexArrayRangeNV();
}

// ---------------------------------------------------------------------------------------------------------
// TGLMesh

TGLMesh::TGLMesh(TComponent* AOwner) : TVAVodadObject(AOwner), FVertices(std::make_unique<TGLVertexList>(this))
{
    const TVector3f normal{{{0, 0, 1}}};
    const TVector4f color{{{0, 0, 0, 0}}};
    for (const TVector3f& corner : {TVector3f{{{1, 0, 0}}}, TVector3f{{{0, 1, 0}}}, TVector3f{{{0, 0, 1}}}})
        FVertices->AddVertex(corner, normal, color);
    FVertices->OnNotifyChange = [this](TObject*) { StructureChanged(); };
}

TGLMesh::~TGLMesh() = default;

void TGLMesh::SetVertices(TGLVertexList* Value)
{
    if (Value == FVertices.get()) return;
    FVertices->Assign(Value);
    StructureChanged();
}

void TGLMesh::SetMode(TMeshMode Value)
{
    if (Value == FMode) return;
    FMode = Value;
    StructureChanged();
}

void TGLMesh::SetVertexMode(TVertexMode Value)
{
    if (Value == FVertexMode) return;
    FVertexMode = Value;
    StructureChanged();
}

void TGLMesh::Assign(TPersistent* Source)
{
    if (auto* mesh = dynamic_cast<TGLMesh*>(Source)) {
        FVertices->Assign(mesh->FVertices.get());
        FMode = mesh->FMode;
        FVertexMode = mesh->FVertexMode;
        StructureChanged();
        return;
    }
    TVAVodadObject::Assign(Source);
}

void TGLMesh::DefineProperties(TFiler& Filer)
{
    TVAVodadObject::DefineProperties(Filer);
    DefineEnumProperty<TMeshMode>(Filer, "Mode", cMeshModeNames, FMode, mmTriangleStrip,
                                  [this](TMeshMode v) { SetMode(v); });
    DefineEnumProperty<TVertexMode>(Filer, "VertexMode", cVertexModeNames, FVertexMode, vmVNCT,
                                    [this](TVertexMode v) { SetVertexMode(v); });
}

TVector4f TGLMesh::AxisAlignedDimensionsUnscaled()
{
    if (FAxisAlignedDimensionsCache.X < 0) {
        FAxisAlignedDimensionsCache = TVector4f{};
        if (FVertices->Count() > 0) {
            TVector3f min, max;
            FVertices->GetExtents(min, max);
            for (int32_t k = 0; k < 3; ++k)
                FAxisAlignedDimensionsCache.V[k] = std::max(std::fabs(min.V[k]), std::fabs(max.V[k]));
        }
    }
    return FAxisAlignedDimensionsCache;
}

void TGLMesh::StructureChanged()
{
    FAxisAlignedDimensionsCache.X = -1;
    TVAVodadObject::StructureChanged();
}

void TGLMesh::BuildList(TGLRenderContextInfo& rci)
{
    TVAVodadObject::BuildList(rci);
    const bool direct = ObjectStyle().Contains(osDirectDraw);
    if (direct) FVertices->EnterLockSection();
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    switch (FVertexMode) {
    case vmV: gl.InterleavedArrays(GL_V3F, cStride, FVertices->FirstVertex()); break;
    case vmVN: gl.InterleavedArrays(GL_N3F_V3F, cStride, FVertices->FirstNormal()); break;
    case vmVNC: gl.InterleavedArrays(GL_C4F_N3F_V3F, cStride, FVertices->FirstColor()); break;
    case vmVNCT:
    case vmVNT: gl.InterleavedArrays(GL_T2F_C4F_N3F_V3F, 0, FVertices->FirstEntry()); break;
    case vmVT:
        // No interleaved format skips the colour and normal between the texture point and the coordinates.
        gl.DisableClientState(GL_COLOR_ARRAY);
        gl.DisableClientState(GL_NORMAL_ARRAY);
        gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl.TexCoordPointer(2, GL_FLOAT, cStride, FVertices->FirstTexPoint());
        gl.EnableClientState(GL_VERTEX_ARRAY);
        gl.VertexPointer(3, GL_FLOAT, cStride, FVertices->FirstVertex());
        break;
    default: AssertionFailed("Interleaved Array format not supported yet. Sorry.", cGLMeshUnit);
    }
    if (FVertexMode == vmVNC || FVertexMode == vmVNCT) {
        TGLStateCache& states = *rci.GLStates;
        states.Enable(stColorMaterial);
        gl.ColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        for (const TCullFaceMode face : {cmFront, cmBack})
            states.SetGLMaterialColors(face, TVector4f{{{0, 0, 0, 1}}}, TVector4f{{{0.2f, 0.2f, 0.2f, 1}}},
                                       TVector4f{{{0.8f, 0.8f, 0.8f, 1}}}, TVector4f{{{0, 0, 0, 1}}}, 0);
    }
    static constexpr GLenum cPrimitives[] = {GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN, GL_TRIANGLES,
                                             GL_QUAD_STRIP,     GL_QUADS,        GL_POLYGON};
    gl.DrawArrays(cPrimitives[FMode], 0, FVertices->Count());
    // The arrays point into this list: no later draw may read them.
    for (const GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY})
        gl.DisableClientState(array);
    if (direct) FVertices->LeaveLockSection();
}

void TGLMesh::CalcNormals(TFaceWinding Frontface)
{
    TVertexData* v = FVertices->FirstEntry();
    const int32_t n = FVertices->Count();
    // The normal of the triangle (a, b, c) taken in front-face order.
    const auto normal = [&](int32_t a, int32_t b, int32_t c) {
        TVector3f result;
        if (Frontface == fwClockWise) std::swap(a, c);
        AffineTriangleNormal(v[a].coord, v[b].coord, v[c].coord, result);
        return result;
    };
    switch (FMode) {
    case mmTriangleStrip:
        for (int32_t i = 0; i + 2 < n; ++i)
            v[i].normal = i % 2 == 0 ? normal(i, i + 1, i + 2) : normal(i + 1, i, i + 2);
        break;
    case mmTriangles:
    case mmQuads: {
        const int32_t size = FMode == mmTriangles ? 3 : 4;
        for (int32_t first = 0; first + size <= n; first += size) {
            const TVector3f face = normal(first, first + 1, first + 2);
            for (int32_t k = 0; k < size; ++k) v[first + k].normal = face;
        }
        break;
    }
    case mmPolygon:
        if (n > 2) {
            const TVector3f face = normal(0, 1, 2);
            for (int32_t i = 0; i < n; ++i) v[i].normal = face;
        }
        break;
    default: AssertionFailed("", cGLMeshUnit);
    }
    StructureChanged();
}

void RegisterGLMeshClasses()
{
    RegisterClasses<TGLMesh>();
}
