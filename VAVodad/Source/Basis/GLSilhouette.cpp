#include "GLSilhouette.h"

#include "GLVectorGeometry.h"
#include "SysUtils.h"

#include <string>

namespace {

const char* const cUnit = "VAVodad\\Source\\Basis\\GLSilhouette";

// splitmix64's finaliser: spreads neighbouring vertex pairs over the table.
uint64_t MixEdgeKey(int32_t v0, int32_t v1)
{
    const uint32_t lo = static_cast<uint32_t>(v0 < v1 ? v0 : v1);
    const uint32_t hi = static_cast<uint32_t>(v0 < v1 ? v1 : v0);
    uint64_t x = (static_cast<uint64_t>(hi) << 32) | lo;
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    return x;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLSilhouette

TGLSilhouette::TGLSilhouette()
    : FVertices(std::make_unique<TVectorList>()),
      FIndices(std::make_unique<TIntegerList>()),
      FCapIndices(std::make_unique<TIntegerList>())
{
}

TGLSilhouette::~TGLSilhouette() = default;

void TGLSilhouette::SetVertices(TVectorList* value)
{
    FVertices->Assign(value);
}

void TGLSilhouette::SetIndices(TIntegerList* value)
{
    FIndices->Assign(value);
}

void TGLSilhouette::SetCapIndices(TIntegerList* value)
{
    FCapIndices->Assign(value);
}

void TGLSilhouette::Flush()
{
    FVertices->Flush();
    FIndices->Flush();
    FCapIndices->Flush();
}

void TGLSilhouette::Clear()
{
    FVertices->Clear();
    FIndices->Clear();
    FCapIndices->Clear();
}

int32_t TGLSilhouette::AddPoint(const TAffineVector& v, bool tightButSlow)
{
    return tightButSlow ? FVertices->FindOrAddPoint(v) : FVertices->AddPoint(v);
}

void TGLSilhouette::AddEdgeToSilhouette(const TAffineVector& v0, const TAffineVector& v1, bool tightButSlow)
{
    const int32_t i1 = AddPoint(v1, tightButSlow);
    const int32_t i0 = AddPoint(v0, tightButSlow);
    FIndices->Add(i0, i1);
}

void TGLSilhouette::AddIndexedEdgeToSilhouette(int32_t vi0, int32_t vi1)
{
    FIndices->Add(vi0, vi1);
}

void TGLSilhouette::AddCapToSilhouette(const TAffineVector& v0, const TAffineVector& v1, const TAffineVector& v2,
                                       bool tightButSlow)
{
    const int32_t i2 = AddPoint(v2, tightButSlow);
    const int32_t i1 = AddPoint(v1, tightButSlow);
    const int32_t i0 = AddPoint(v0, tightButSlow);
    FCapIndices->Add(i0, i1, i2);
}

void TGLSilhouette::AddIndexedCapToSilhouette(int32_t vi0, int32_t vi1, int32_t vi2)
{
    FCapIndices->Add(vi0, vi1, vi2);
}

void TGLSilhouette::ExtrudeVerticesToInfinity(const TAffineVector& origin)
{
    const int32_t n = FVertices->Count();
    FVertices->SetCount(2 * n);
    TVector4f* v = FVertices->List();
    for (int32_t i = 0; i < n; ++i)
        v[n + i] = TVector4f{{{v[i].X - origin.X, v[i].Y - origin.Y, v[i].Z - origin.Z, 0.0f}}};

    // Each pair (a, b) becomes the quad (a, b, b + n, a + n); going from the last pair down, a quad never
    // overwrites a pair still to be read.
    const int32_t pairs = FIndices->Count() / 2;
    FIndices->SetCount(2 * FIndices->Count());
    int32_t* e = FIndices->List();
    for (int32_t k = pairs - 1; k >= 0; --k) {
        const int32_t a = e[2 * k];
        const int32_t b = e[2 * k + 1];
        e[4 * k] = a;
        e[4 * k + 1] = b;
        e[4 * k + 2] = b + n;
        e[4 * k + 3] = a + n;
    }

    // The caps in place move to the far vertices; their originals are appended in reverse, which turns
    // each near triangle's winding around.
    const int32_t c = FCapIndices->Count();
    FCapIndices->SetCapacity(2 * c);
    for (int32_t i = c - 1; i >= 0; --i) {
        const int32_t value = FCapIndices->List()[i];
        FCapIndices->Add(value);
        FCapIndices->List()[i] = value + n;
    }
}

// ---------------------------------------------------------------------------------------------------------
// TBaseConnectivity

TBaseConnectivity::TBaseConnectivity(bool APrecomputeFaceNormal) : FPrecomputeFaceNormal(APrecomputeFaceNormal)
{
}

void TBaseConnectivity::CreateSilhouette(const TGLSilhouetteParameters&, TGLSilhouette*&, bool)
{
}

// ---------------------------------------------------------------------------------------------------------
// TConnectivity

TConnectivity::TConnectivity(bool APrecomputeFaceNormal)
    : TBaseConnectivity(APrecomputeFaceNormal),
      FEdgeVertices(std::make_unique<TIntegerList>()),
      FEdgeFaces(std::make_unique<TIntegerList>()),
      FFaceVisible(std::make_unique<TByteList>()),
      FFaceVertexIndex(std::make_unique<TIntegerList>()),
      FFaceNormal(std::make_unique<TAffineVectorList>()),
      FVertexMemory(std::make_unique<TIntegerList>()),
      FVertices(new TAffineVectorList()), FOwnVertices(FVertices)
{
}

int32_t TConnectivity::EdgeCount() const
{
    return FEdgeVertices->Count() / 2;
}

int32_t TConnectivity::FaceCount() const
{
    return FFaceVisible->Count();
}

void TConnectivity::Clear()
{
    FEdgeVertices->Clear();
    FEdgeFaces->Clear();
    FFaceVisible->Clear();
    FFaceVertexIndex->Clear();
    FFaceNormal->Clear();
    FVertexMemory->Clear();
    if (FVertices) FVertices->Clear();
    ResetEdgeIndex();
}

int32_t TConnectivity::AddIndexedFace(int32_t vi0, int32_t vi1, int32_t vi2)
{
    // The indices come from mesh code: a face must lie on vertices that exist.
    const uint32_t count = static_cast<uint32_t>(FVertices ? FVertices->Count() : 0);
    if (static_cast<uint32_t>(vi0) >= count || static_cast<uint32_t>(vi1) >= count ||
        static_cast<uint32_t>(vi2) >= count)
        Assert(false, "Face vertex index out of range: " + std::to_string(vi0) + ", " + std::to_string(vi1) +
                          ", " + std::to_string(vi2),
               cUnit);

    FFaceVertexIndex->Add(vi0, vi1, vi2);
    if (FPrecomputeFaceNormal) {
        const TAffineVector* v = FVertices->List();
        TAffineVector n;
        AffineTriangleNormal(v[vi0], v[vi1], v[vi2], n);
        FFaceNormal->Add(n);
    }
    const int32_t faceID = FFaceVisible->Add(0);
    AddIndexedEdge(vi0, vi1, faceID);
    AddIndexedEdge(vi1, vi2, faceID);
    AddIndexedEdge(vi2, vi0, faceID);
    return faceID;
}

int32_t TConnectivity::AddIndexedEdge(int32_t vertexIndex0, int32_t vertexIndex1, int32_t FaceID)
{
    SyncEdgeIndex();
    const int32_t found = FindEdge(vertexIndex0, vertexIndex1);
    if (found >= 0) {
        FEdgeFaces->List()[2 * found + 1] = FaceID;
        return found;
    }
    FEdgeVertices->Add(vertexIndex0, vertexIndex1);
    FEdgeFaces->Add(FaceID, -1);
    const int32_t edge = EdgeCount() - 1;
    IndexEdge(edge);
    FIndexedEdges = EdgeCount();
    FIndexedRevision = FEdgeVertices->Revision();
    return edge;
}

int32_t TConnectivity::AddFace(const TAffineVector& vertex0, const TAffineVector& vertex1,
                               const TAffineVector& vertex2)
{
    const int32_t a = FVertices->FindOrAdd(vertex0);
    const int32_t b = FVertices->FindOrAdd(vertex1);
    const int32_t c = FVertices->FindOrAdd(vertex2);
    return AddIndexedFace(a, b, c);
}

int32_t TConnectivity::AddQuad(const TAffineVector& vertex0, const TAffineVector& vertex1,
                               const TAffineVector& vertex2, const TAffineVector& vertex3)
{
    const int32_t a = FVertices->FindOrAdd(vertex0);
    const int32_t b = FVertices->FindOrAdd(vertex1);
    const int32_t c = FVertices->FindOrAdd(vertex2);
    const int32_t d = FVertices->FindOrAdd(vertex3);
    const int32_t result = AddIndexedFace(a, b, c);
    AddIndexedFace(c, d, a);
    return result;
}

int32_t TConnectivity::MapVertex(int32_t i, TGLSilhouette& silhouette)
{
    const int32_t known = FVertexMemory->Count();
    if (i >= known) {
        FVertexMemory->SetCount(i + 1);
        int32_t* memory = FVertexMemory->List();
        for (int32_t k = known; k <= i; ++k) memory[k] = -1;
    }
    int32_t& entry = FVertexMemory->List()[i];
    if (entry == -1) entry = silhouette.Vertices()->AddPoint(FVertices->List()[i]);
    return entry;
}

void TConnectivity::CreateSilhouette(const TGLSilhouetteParameters& silhouetteParameters,
                                     TGLSilhouette*& aSilhouette, bool AddToSilhouette)
{
    if (!aSilhouette)
        aSilhouette = new TGLSilhouette();
    else if (!AddToSilhouette)
        aSilhouette->Flush();
    TGLSilhouette& silhouette = *aSilhouette;

    // The map holds at most one entry per vertex: reserve them once instead of growing entry by entry.
    FVertexMemory->Flush();
    if (FVertices) FVertexMemory->AdjustCapacityToAtLeast(FVertices->Count());

    // A descendant may share a vertex list that shrank since the faces were added: check every face.
    const uint32_t vertexCount = static_cast<uint32_t>(FVertices ? FVertices->Count() : 0);
    const int32_t faceCount = FaceCount();
    const int32_t* faceVertices = FFaceVertexIndex->List();
    uint8_t* visible = FFaceVisible->List();
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t i0 = faceVertices[3 * f];
        const int32_t i1 = faceVertices[3 * f + 1];
        const int32_t i2 = faceVertices[3 * f + 2];
        if (static_cast<uint32_t>(i0) >= vertexCount || static_cast<uint32_t>(i1) >= vertexCount ||
            static_cast<uint32_t>(i2) >= vertexCount)
            Assert(false, "Face vertex index out of range: " + std::to_string(f), cUnit);
        const TAffineVector* v = FVertices->List();
        TAffineVector n;
        if (FPrecomputeFaceNormal)
            n = FFaceNormal->List()[f];
        else
            AffineTriangleNormal(v[i0], v[i1], v[i2], n);
        // A face whose plane passes through SeenFrom counts as facing.
        const bool facing = SilhouetteFaceFacing(silhouetteParameters, v[i0], n) >= 0;
        visible[f] = facing ? 1 : 0;
        if (!facing && silhouetteParameters.CappingRequired) {
            const int32_t m2 = MapVertex(i2, silhouette);
            const int32_t m1 = MapVertex(i1, silhouette);
            const int32_t m0 = MapVertex(i0, silhouette);
            silhouette.CapIndices()->Add(m0, m1, m2);
        }
    }

    // An edge between a facing and a turned-away face (or an open edge of a turned-away face) is oriented
    // as the turned-away face sees it.
    const int32_t edgeCount = EdgeCount();
    const int32_t* edgeVertices = FEdgeVertices->List();
    const int32_t* edgeFaces = FEdgeFaces->List();
    for (int32_t e = 0; e < edgeCount; ++e) {
        const int32_t f0 = edgeFaces[2 * e];
        const int32_t f1 = edgeFaces[2 * e + 1];
        if (f1 != -1 && visible[f0] == visible[f1]) continue;
        if (visible[f0] == 0) {
            const int32_t ma = MapVertex(edgeVertices[2 * e], silhouette);
            const int32_t mb = MapVertex(edgeVertices[2 * e + 1], silhouette);
            silhouette.Indices()->Add(ma, mb);
        } else if (f1 != -1) {
            const int32_t ma = MapVertex(edgeVertices[2 * e], silhouette);
            const int32_t mb = MapVertex(edgeVertices[2 * e + 1], silhouette);
            silhouette.Indices()->Add(mb, ma);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Edge index

int32_t TConnectivity::FindEdge(int32_t v0, int32_t v1) const
{
    if (FEdgeSlots.empty()) return -1;
    const size_t mask = FEdgeSlots.size() - 1;
    const int32_t* edgeVertices = FEdgeVertices->List();
    for (size_t slot = MixEdgeKey(v0, v1) & mask;; slot = (slot + 1) & mask) {
        const int32_t edge = FEdgeSlots[slot];
        if (edge < 0) return -1;
        const int32_t a = edgeVertices[2 * edge];
        const int32_t b = edgeVertices[2 * edge + 1];
        if ((a == v0 && b == v1) || (a == v1 && b == v0)) return edge;
    }
}

void TConnectivity::IndexEdge(int32_t edge)
{
    // Kept at most half full so probes stay short; growing re-inserts in edge order.
    if (static_cast<size_t>(edge + 1) * 2 > FEdgeSlots.size()) {
        FEdgeSlots.assign(FEdgeSlots.empty() ? 64 : FEdgeSlots.size() * 2, -1);
        for (int32_t e = 0; e < edge; ++e) IndexEdge(e);
    }
    const size_t mask = FEdgeSlots.size() - 1;
    const int32_t* edgeVertices = FEdgeVertices->List();
    size_t slot = MixEdgeKey(edgeVertices[2 * edge], edgeVertices[2 * edge + 1]) & mask;
    while (FEdgeSlots[slot] >= 0) slot = (slot + 1) & mask;
    FEdgeSlots[slot] = edge;
}

void TConnectivity::SyncEdgeIndex()
{
    if (FIndexedEdges == EdgeCount() && FIndexedRevision == FEdgeVertices->Revision()) return;
    // The edge list was changed directly: index it again. Inserting in edge order puts the first of equal
    // edges first on its probe path, so it is the one found, as a search from the start would find it.
    ResetEdgeIndex();
    const int32_t edgeCount = EdgeCount();
    for (int32_t e = 0; e < edgeCount; ++e) IndexEdge(e);
    FIndexedEdges = edgeCount;
    FIndexedRevision = FEdgeVertices->Revision();
}

void TConnectivity::ResetEdgeIndex()
{
    FEdgeSlots.clear();
    FEdgeSlots.shrink_to_fit();
    FIndexedEdges = 0;
    FIndexedRevision = FEdgeVertices->Revision();
}
