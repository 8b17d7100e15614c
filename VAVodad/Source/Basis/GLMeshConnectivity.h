// The connectivity that silhouettes of meshes are extracted from: one per mesh object, over the faces of its
// vertex-index face groups and sharing the mesh object's own vertex list, and one per mesh that holds those of
// its visible mesh objects and merges their silhouettes.
#pragma once

#include "GLSilhouette.h"

#include <cstdint>
#include <memory>
#include <vector>

class TGLBaseMesh;
class TGLMeshObject;

// The faces of one mesh object. Attached to a mesh object, its vertex list is the mesh object's Vertices
// (not owned): changed face groups need RebuildEdgeList, and so do moved vertices when face normals are
// precomputed (without, silhouettes follow the vertices as they are).
class TGLFaceGroupConnectivity : public TConnectivity {
public:
    explicit TGLFaceGroupConnectivity(bool APrecomputeFaceNormal);
    // Attached to aMeshObject, with its faces.
    TGLFaceGroupConnectivity(TGLMeshObject* aMeshObject, bool APrecomputeFaceNormal);

    // Empties faces and edges; the mesh object's vertices are never emptied.
    void Clear() override;
    // The faces of every face group again, in order; each group must be a TFGVertexIndexList (assertion
    // failure "Method only works for descendants of TFGVertexIndexList.") and not of quads (assertion failure
    // "Not supported"); faces of earlier groups stay. A face on an index outside the vertices is left out.
    void RebuildEdgeList();

    TGLMeshObject* MeshObject() const { return FMeshObject; }
    // Takes the mesh object's vertex list and builds its faces; nullptr goes back to an own, empty list.
    void SetMeshObject(TGLMeshObject* Value);

private:
    TGLMeshObject* FMeshObject = nullptr;
    bool FOwnsVertices = true;
    // The vertex list the connectivity started with, used while no mesh object is attached.
    TAffineVectorList* const FOwnVertexList;
    // A face group's triangles, reused from group to group.
    std::unique_ptr<TIntegerList> FTriangles;
};

// The connectivities of a mesh's visible mesh objects. Its mesh outlives it (the mesh keeps it, or makes one
// for a single silhouette).
class TGLBaseMeshConnectivity : public TBaseConnectivity {
public:
    explicit TGLBaseMeshConnectivity(bool APrecomputeFaceNormal);
    // One connectivity per visible mesh object of aGLBaseMesh.
    explicit TGLBaseMeshConnectivity(TGLBaseMesh* aGLBaseMesh);

    int32_t EdgeCount() const override;
    int32_t FaceCount() const override;
    // Flushes aSilhouette (a nullptr gets a new one the caller owns), then every mesh object's connectivity
    // adds its silhouette; AddToSilhouette is not consulted.
    void CreateSilhouette(const TGLSilhouetteParameters& silhouetteParameters, TGLSilhouette*& aSilhouette,
                          bool AddToSilhouette) override;

    // SaveFaceGroupConnectivity: every connectivity is emptied and kept; otherwise they are freed.
    void Clear(bool SaveFaceGroupConnectivity);
    void RebuildEdgeList();

    int32_t ConnectivityCount() const { return static_cast<int32_t>(FFaceGroupConnectivityList.size()); }
    // Raises EListError for an index out of range.
    TGLFaceGroupConnectivity* FaceGroupConnectivity(int32_t i) const;
    TGLBaseMesh* GLBaseMesh() const { return FGLBaseMesh; }
    // Frees the connectivities and makes one for every visible mesh object of Value (none for nullptr).
    void SetGLBaseMesh(TGLBaseMesh* Value);

private:
    TGLBaseMesh* FGLBaseMesh = nullptr;
    std::vector<std::unique_ptr<TGLFaceGroupConnectivity>> FFaceGroupConnectivityList;
};
