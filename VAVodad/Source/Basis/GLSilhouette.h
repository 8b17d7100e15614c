// Silhouettes of triangle meshes as seen from a light, and the connectivity (unique vertices, faces, edges
// with their two faces) from which they are extracted. Shadow volumes extrude a silhouette to infinity.
#pragma once

#include "GLVectorLists.h"
#include "GLVectorTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

enum TGLSilhouetteStyle : uint8_t { ssOmni, ssParallel };

#pragma pack(push, 1)
// What a silhouette was built for: the light (or eye) position, its direction and kind, and whether caps are
// wanted.
struct TGLSilhouetteParameters {
    TVector3f SeenFrom;
    TVector3f LightDirection;
    TGLSilhouetteStyle Style;
    bool CappingRequired;
};
#pragma pack(pop)
static_assert(sizeof(TGLSilhouetteParameters) == 26);

// Vertices (W = 1 for real points, W = 0 for points at infinity), edge index pairs (quads after extrusion)
// and cap index triples.
class TGLSilhouette {
public:
    TGLSilhouette();
    virtual ~TGLSilhouette();
    TGLSilhouette(const TGLSilhouette&) = delete;
    TGLSilhouette& operator=(const TGLSilhouette&) = delete;

    TVectorList* Vertices() const { return FVertices.get(); }
    TIntegerList* Indices() const { return FIndices.get(); }
    TIntegerList* CapIndices() const { return FCapIndices.get(); }
    // The setters copy the given list.
    void SetVertices(TVectorList* value);
    void SetIndices(TIntegerList* value);
    void SetCapIndices(TIntegerList* value);
    const TGLSilhouetteParameters& Parameters() const { return FParameters; }
    void SetParameters(const TGLSilhouetteParameters& value) { FParameters = value; }

    // Empties the three lists keeping their storage (reuse from frame to frame).
    void Flush();
    // Empties the three lists releasing their storage.
    void Clear();

    // Stores v1 then v0 (each reused when tightButSlow finds an identical point) and the edge (v0, v1).
    void AddEdgeToSilhouette(const TAffineVector& v0, const TAffineVector& v1, bool tightButSlow);
    void AddIndexedEdgeToSilhouette(int32_t vi0, int32_t vi1);
    // Stores v2, v1, v0 the same way and the cap triangle (v0, v1, v2).
    void AddCapToSilhouette(const TAffineVector& v0, const TAffineVector& v1, const TAffineVector& v2,
                            bool tightButSlow);
    void AddIndexedCapToSilhouette(int32_t vi0, int32_t vi1, int32_t vi2);

    // Appends every vertex again as a direction away from origin (W = 0), turns each edge into a quad
    // reaching those far vertices, and makes the caps a far cap plus a near cap of reversed winding.
    void ExtrudeVerticesToInfinity(const TAffineVector& origin);

private:
    int32_t AddPoint(const TAffineVector& v, bool tightButSlow);

    std::unique_ptr<TVectorList> FVertices;
    std::unique_ptr<TIntegerList> FIndices;
    std::unique_ptr<TIntegerList> FCapIndices;
    TGLSilhouetteParameters FParameters{};
};

class TBaseConnectivity {
public:
    explicit TBaseConnectivity(bool APrecomputeFaceNormal);
    virtual ~TBaseConnectivity() = default;
    TBaseConnectivity(const TBaseConnectivity&) = delete;
    TBaseConnectivity& operator=(const TBaseConnectivity&) = delete;

    virtual int32_t EdgeCount() const { return 0; }
    virtual int32_t FaceCount() const { return 0; }
    // Builds the silhouette seen from silhouetteParameters.SeenFrom into aSilhouette; a null aSilhouette gets
    // a new one that the caller owns. Nothing here.
    virtual void CreateSilhouette(const TGLSilhouetteParameters& silhouetteParameters, TGLSilhouette*& aSilhouette,
                                  bool AddToSilhouette);

    bool PrecomputeFaceNormal() const { return FPrecomputeFaceNormal; }

protected:
    bool FPrecomputeFaceNormal;
};

class TConnectivity : public TBaseConnectivity {
public:
    explicit TConnectivity(bool APrecomputeFaceNormal);

    int32_t EdgeCount() const override;
    int32_t FaceCount() const override;
    void CreateSilhouette(const TGLSilhouetteParameters& silhouetteParameters, TGLSilhouette*& aSilhouette,
                          bool AddToSilhouette) override;
    // Empties every list (the vertex list too, when there is one), releasing their storage.
    virtual void Clear();

    // Appends a face over FVertices and its three edges; answers the face ID.
    int32_t AddIndexedFace(int32_t vi0, int32_t vi1, int32_t vi2);
    // Gives the edge (either vertex order) its second face, or appends a new edge with FaceID as its first
    // face. A third face on an edge replaces the second. Answers the edge's index.
    int32_t AddIndexedEdge(int32_t vertexIndex0, int32_t vertexIndex1, int32_t FaceID);
    // Shares bit-for-bit equal vertex positions, then adds the face.
    int32_t AddFace(const TAffineVector& vertex0, const TAffineVector& vertex1, const TAffineVector& vertex2);
    // Two faces (0, 1, 2) and (2, 3, 0); answers the first one's ID.
    int32_t AddQuad(const TAffineVector& vertex0, const TAffineVector& vertex1, const TAffineVector& vertex2,
                    const TAffineVector& vertex3);

protected:
    std::unique_ptr<TIntegerList> FEdgeVertices; // two vertex indices per edge
    std::unique_ptr<TIntegerList> FEdgeFaces;    // two face indices per edge, the second -1 while open
    std::unique_ptr<TByteList> FFaceVisible;     // per face: turned toward SeenFrom at the last extraction
    std::unique_ptr<TIntegerList> FFaceVertexIndex;
    std::unique_ptr<TAffineVectorList> FFaceNormal; // only with PrecomputeFaceNormal
    std::unique_ptr<TIntegerList> FVertexMemory;    // connectivity vertex -> silhouette vertex, -1 = not yet
    // The unique vertex positions: the connectivity's own list, or one a descendant points it at (which the
    // connectivity does not own).
    TAffineVectorList* FVertices;

private:
    int32_t MapVertex(int32_t i, TGLSilhouette& silhouette);
    // Edge lookup by vertex pair: an open-addressing table of edge indices, kept in step with FEdgeVertices
    // and rebuilt from it whenever the list changed behind its back.
    int32_t FindEdge(int32_t v0, int32_t v1) const;
    void IndexEdge(int32_t edge);
    void SyncEdgeIndex();
    void ResetEdgeIndex();

    std::vector<int32_t> FEdgeSlots;
    int32_t FIndexedEdges = 0;
    uint32_t FIndexedRevision = 0;
    std::unique_ptr<TAffineVectorList> FOwnVertices; // what FVertices points at from the start
};
