#include "GLMeshConnectivity.h"

#include "Components.h"
#include "GLVectorFileObjects.h"
#include "SysUtils.h"

namespace {

const char* const cUnit = "VAVodad\\Source\\Basis\\GLMeshConnectivity";

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLFaceGroupConnectivity

TGLFaceGroupConnectivity::TGLFaceGroupConnectivity(bool APrecomputeFaceNormal)
    : TConnectivity(APrecomputeFaceNormal), FOwnVertexList(FVertices), FTriangles(std::make_unique<TIntegerList>())
{
}

TGLFaceGroupConnectivity::TGLFaceGroupConnectivity(TGLMeshObject* aMeshObject, bool APrecomputeFaceNormal)
    : TGLFaceGroupConnectivity(APrecomputeFaceNormal)
{
    SetMeshObject(aMeshObject);
}

void TGLFaceGroupConnectivity::SetMeshObject(TGLMeshObject* Value)
{
    Clear();
    FMeshObject = Value;
    FOwnsVertices = Value == nullptr;
    FVertices = Value ? Value->Vertices() : FOwnVertexList;
    RebuildEdgeList();
}

void TGLFaceGroupConnectivity::Clear()
{
    if (FOwnsVertices) {
        TConnectivity::Clear();
        return;
    }
    // The inherited clear empties the vertex list: keep the mesh object's out of its reach.
    FVertices = nullptr;
    TConnectivity::Clear();
    FVertices = FMeshObject->Vertices();
}

void TGLFaceGroupConnectivity::RebuildEdgeList()
{
    Clear();
    if (!FMeshObject) return;
    TGLFaceGroups* groups = FMeshObject->FaceGroups();
    for (int32_t g = 0; g < groups->Count(); ++g) {
        auto* group = dynamic_cast<TFGVertexIndexList*>(groups->Items(g));
        Assert(group != nullptr, "Method only works for descendants of TFGVertexIndexList.", cUnit);
        FTriangles->Flush();
        Assert(group->AddTriangleIndices(FTriangles.get()), "Not supported", cUnit);
        // Face normals are computed from the vertices as faces are added: an index must name one.
        const uint32_t vertexCount = static_cast<uint32_t>(FVertices->Count());
        const int32_t* t = FTriangles->List();
        for (int32_t i = 0; i + 2 < FTriangles->Count(); i += 3)
            if (static_cast<uint32_t>(t[i]) < vertexCount && static_cast<uint32_t>(t[i + 1]) < vertexCount &&
                static_cast<uint32_t>(t[i + 2]) < vertexCount)
                AddIndexedFace(t[i], t[i + 1], t[i + 2]);
    }
}

// ---------------------------------------------------------------------------------------------------------
// TGLBaseMeshConnectivity

TGLBaseMeshConnectivity::TGLBaseMeshConnectivity(bool APrecomputeFaceNormal)
    : TBaseConnectivity(APrecomputeFaceNormal)
{
}

TGLBaseMeshConnectivity::TGLBaseMeshConnectivity(TGLBaseMesh* aGLBaseMesh) : TGLBaseMeshConnectivity(true)
{
    SetGLBaseMesh(aGLBaseMesh);
}

int32_t TGLBaseMeshConnectivity::EdgeCount() const
{
    int32_t result = 0;
    for (const auto& connectivity : FFaceGroupConnectivityList) result += connectivity->EdgeCount();
    return result;
}

int32_t TGLBaseMeshConnectivity::FaceCount() const
{
    int32_t result = 0;
    for (const auto& connectivity : FFaceGroupConnectivityList) result += connectivity->FaceCount();
    return result;
}

void TGLBaseMeshConnectivity::CreateSilhouette(const TGLSilhouetteParameters& silhouetteParameters,
                                               TGLSilhouette*& aSilhouette, bool)
{
    if (aSilhouette)
        aSilhouette->Flush();
    else
        aSilhouette = new TGLSilhouette();
    for (const auto& connectivity : FFaceGroupConnectivityList)
        connectivity->CreateSilhouette(silhouetteParameters, aSilhouette, true);
}

void TGLBaseMeshConnectivity::Clear(bool SaveFaceGroupConnectivity)
{
    if (SaveFaceGroupConnectivity)
        for (const auto& connectivity : FFaceGroupConnectivityList) connectivity->Clear();
    else
        FFaceGroupConnectivityList.clear();
}

void TGLBaseMeshConnectivity::RebuildEdgeList()
{
    for (const auto& connectivity : FFaceGroupConnectivityList) connectivity->RebuildEdgeList();
}

TGLFaceGroupConnectivity* TGLBaseMeshConnectivity::FaceGroupConnectivity(int32_t i) const
{
    if (i < 0 || i >= ConnectivityCount()) RaiseListError("List index out of bounds (%d)", i);
    return FFaceGroupConnectivityList[i].get();
}

void TGLBaseMeshConnectivity::SetGLBaseMesh(TGLBaseMesh* Value)
{
    Clear(false);
    FGLBaseMesh = Value;
    // An actor moves its vertices every frame: its face normals are computed as silhouettes are made.
    FPrecomputeFaceNormal = !dynamic_cast<TGLActor*>(Value);
    if (!Value) return;
    TGLMeshObjectList* meshObjects = Value->MeshObjects();
    for (int32_t i = 0; i < meshObjects->Count(); ++i) {
        TGLMeshObject* meshObject = meshObjects->Items(i);
        if (meshObject->Visible())
            FFaceGroupConnectivityList.push_back(
                std::make_unique<TGLFaceGroupConnectivity>(meshObject, FPrecomputeFaceNormal));
    }
}
