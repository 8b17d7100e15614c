// Face groups: lists of indices into a mesh object's arrays, each drawn as one kind of primitive with a library
// material and an optional lightmap, archived with the mesh object and asked for their triangles.
#include "GLVectorFileObjects.h"

#include "GLContext.h"
#include "GLMaterial.h"
#include "GLState.h"
#include "GLTexture.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"
#include "XOpenGL.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr GLenum cPrimitives[] = {GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLES, GL_TRIANGLE_FAN, GL_QUADS};

constexpr float cInfinity = std::numeric_limits<float>::infinity();

GLenum Primitive(TGLFaceGroupMeshMode mode)
{
    return cPrimitives[mode];
}

int32_t TriangleCountOf(TGLFaceGroupMeshMode mode, int32_t count)
{
    switch (mode) {
    case fgmmTriangles:
    case fgmmFlatTriangles: return count / 3;
    case fgmmTriangleStrip:
    case fgmmTriangleFan: return std::max(count - 2, 0);
    case fgmmQuads: return count / 4 * 2;
    }
    AssertionFailed("", cGLVectorFileObjectsUnit);
}

// Calls corner(p) with the position p in the index list of every triangle corner that count indices make in
// mode, triangle after triangle; the corners keep the first triangle's winding.
template <class TCorner> void ForEachCorner(TGLFaceGroupMeshMode mode, int32_t count, TCorner&& corner)
{
    switch (mode) {
    case fgmmTriangles:
    case fgmmFlatTriangles:
        for (int32_t p = 0; p < count / 3 * 3; ++p) corner(p);
        return;
    case fgmmTriangleStrip:
        for (int32_t i = 0; i + 2 < count; ++i) {
            const bool odd = i % 2 != 0;
            corner(odd ? i + 2 : i);
            corner(i + 1);
            corner(odd ? i : i + 2);
        }
        return;
    case fgmmTriangleFan:
        for (int32_t i = 2; i < count; ++i) {
            corner(0);
            corner(i - 1);
            corner(i);
        }
        return;
    case fgmmQuads:
        for (int32_t q = 0; q < count / 4 * 4; q += 4)
            for (const int32_t p : {q, q + 1, q + 2, q, q + 2, q + 3}) corner(p);
        return;
    }
    AssertionFailed("", cGLVectorFileObjectsUnit);
}

std::vector<int32_t> CornerPositions(TGLFaceGroupMeshMode mode, int32_t count)
{
    std::vector<int32_t> positions;
    positions.reserve(static_cast<size_t>(TriangleCountOf(mode, count)) * 3);
    ForEachCorner(mode, count, [&positions](int32_t p) { positions.push_back(p); });
    return positions;
}

// Appends one entry per triangle corner to destination, valueAt(p, entry) filling the zeroed entry of the
// corner at index-list position p. Nothing without a destination or with fewer than three indices.
template <class TValueAt>
void AppendCorners(TGLFaceGroupMeshMode mode, int32_t count, TAffineVectorList* destination, TValueAt&& valueAt)
{
    if (!destination || count < 3) return;
    const int32_t first = destination->Count();
    destination->AddNulls(TriangleCountOf(mode, count) * 3);
    TVector3f* entry = destination->List() + first;
    ForEachCorner(mode, count, [&](int32_t p) { valueAt(p, *entry++); });
}

// The entries of list at positions, in that order; a position outside the list gives missing. An empty list
// stays empty (the vertex indices then serve in its place).
template <class TList, class TItem>
void RearrangeList(TList& list, const std::vector<int32_t>& positions, const TItem& missing)
{
    if (list.Count() == 0) return;
    TList result;
    result.SetCount(static_cast<int32_t>(positions.size()));
    TItem* out = result.List();
    for (const int32_t p : positions) *out++ = p < list.Count() ? list.List()[p] : missing;
    list.Assign(&result);
}

// Whether the first count indices all name an entry of a list of length entries.
bool IndicesWithin(const TIntegerList& indices, int32_t count, int32_t length)
{
    if (count > indices.Count()) return false;
    const int32_t* first = indices.List();
    const auto [lowest, highest] = std::minmax_element(first, first + count);
    return count == 0 || (*lowest >= 0 && *highest < length);
}

// A separate index list, or the vertex indices in its place when it is empty.
TIntegerList* IndicesOrVertices(TIntegerList* own, TIntegerList* vertexIndices)
{
    return own->Count() > 0 ? own : vertexIndices;
}

// The archive version of a class that has only version 0.
void ReadVersion0(TVirtualReader* reader, const TPersistentObject& object)
{
    const int32_t version = reader->ReadInteger();
    if (version != 0) object.RaiseUnknownArchiveVersion(version);
}

// Refuses a face group's stored data that its drawing could not use.
void CheckArchived(bool valid, const TObject& group, const char* what)
{
    if (!valid) throw EReadError(group.ClassName() + " : " + what);
}

// Opaque groups first, then by material name (character codes), then by lightmap index.
int32_t CompareByMaterial(TObject* item1, TObject* item2)
{
    const auto* group1 = static_cast<TGLFaceGroup*>(item1);
    const auto* group2 = static_cast<TGLFaceGroup*>(item2);
    const auto blended = [](const TGLFaceGroup* group) {
        return group->MaterialCache() && group->MaterialCache()->Blended();
    };
    if (blended(group1) != blended(group2)) return blended(group1) ? 1 : -1;
    if (const int order = group1->MaterialName().compare(group2->MaterialName())) return order < 0 ? -1 : 1;
    const int32_t lightMap1 = group1->LightMapIndex(), lightMap2 = group2->LightMapIndex();
    return (lightMap1 > lightMap2) - (lightMap1 < lightMap2);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLFaceGroup

TGLFaceGroup::TGLFaceGroup() : TGLFaceGroup(nullptr) {}

TGLFaceGroup::TGLFaceGroup(TGLFaceGroups* AOwner) : FOwner(AOwner)
{
    if (AOwner) AOwner->Add(this);
}

TGLFaceGroup::~TGLFaceGroup()
{
    if (FOwner) FOwner->Remove(this);
}

void TGLFaceGroup::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    const bool withLightmap = FLightMapIndex >= 0;
    writer->WriteInteger(withLightmap ? 1 : 0); // archive version
    writer->WriteString(FMaterialName);
    if (withLightmap) writer->WriteInteger(FLightMapIndex);
}

void TGLFaceGroup::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t version = reader->ReadInteger();
    if (version != 0 && version != 1) RaiseUnknownArchiveVersion(version);
    FMaterialName = reader->ReadString();
    FLightMapIndex = version == 1 ? reader->ReadInteger() : -1;
}

void TGLFaceGroup::AddToTriangles(TAffineVectorList* /*aList*/, TAffineVectorList* /*aTexCoords*/,
                                  TAffineVectorList* /*aNormals*/)
{
}

void TGLFaceGroup::PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib)
{
    FMaterialCache = !FMaterialName.empty() && matLib ? matLib->LibMaterialByName(FMaterialName) : nullptr;
}

TGLMeshObject* TGLFaceGroup::MeshObject() const
{
    return FOwner ? FOwner->Owner() : nullptr;
}

void TGLFaceGroup::SetupLightmap(TGLRenderContextInfo& mrci)
{
    TGLMeshObject* meshObject = MeshObject();
    auto* library = dynamic_cast<TGLMaterialLibrary*>(mrci.lightmapLibrary);
    if (!meshObject || !GetCurrentGL()->ARB_multitexture || mrci.ignoreMaterials || !library) return;
    if (meshObject->LastLightMapIndex() == FLightMapIndex) return;
    if (FLightMapIndex < 0) {
        meshObject->SetLastLightMapIndex(FLightMapIndex);
        meshObject->DisableLightmapUnit(mrci);
        return;
    }
    Assert(FLightMapIndex < library->Materials()->Count(), "", cGLVectorFileObjectsUnit);
    BindLightmapTexture(library->Materials()->Items(FLightMapIndex)->Material()->Texture(), mrci);
    meshObject->SetLastLightMapIndex(FLightMapIndex);
    meshObject->EnableLightmapUnit(mrci);
}

void TGLFaceGroup::BindLightmapTexture(TGLTexture* lightMap, TGLRenderContextInfo& mrci)
{
    if (!GetCurrentGL()->ARB_multitexture) return;
    Assert(lightMap->Image()->NativeTextureTarget() == ttTexture2D, "", cGLVectorFileObjectsUnit);
    TGLStateCache& states = *mrci.GLStates;
    // The environment mode belongs to the active unit: unit 1 stays active until it is set.
    states.SetActiveTexture(1);
    states.SetTextureBinding(1, ttTexture2D, lightMap->Handle());
    GetCurrentGL()->TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    states.SetActiveTexture(0);
}

// ---------------------------------------------------------------------------------------------------------
// TFGVertexIndexList

TFGVertexIndexList::TFGVertexIndexList() : TFGVertexIndexList(nullptr) {}

TFGVertexIndexList::TFGVertexIndexList(TGLFaceGroups* AOwner)
    : TGLFaceGroup(AOwner), FVertexIndices(std::make_unique<TIntegerList>())
{
}

TFGVertexIndexList::~TFGVertexIndexList() = default;

void TFGVertexIndexList::WriteToFiler(TVirtualWriter* writer)
{
    TGLFaceGroup::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    FVertexIndices->WriteToFiler(writer);
    writer->WriteInteger(FMode);
}

void TFGVertexIndexList::ReadFromFiler(TVirtualReader* reader)
{
    TGLFaceGroup::ReadFromFiler(reader);
    ReadVersion0(reader, *this);
    FVertexIndices->ReadFromFiler(reader);
    IndicesChanged();
    const int32_t mode = reader->ReadInteger();
    CheckArchived(mode >= fgmmTriangles && mode <= fgmmQuads, *this, "unknown mode");
    FMode = static_cast<TGLFaceGroupMeshMode>(mode);
}

void TFGVertexIndexList::BuildList(TGLRenderContextInfo& mrci)
{
    TGLMeshObject* meshObject = MeshObject();
    if (FVertexIndices->Count() == 0 || !meshObject) return;
    meshObject->SetupVertexArrays(mrci, false);
    SetupLightmap(mrci);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    // The mesh object declares only arrays with an entry for every vertex.
    const int32_t length = meshObject->Vertices()->Count();
    if (!meshObject->UseVBO()) {
        if (IndicesWithin(*FVertexIndices, FVertexIndices->Count(), length))
            gl.DrawElements(Primitive(FMode), FVertexIndices->Count(), GL_UNSIGNED_INT, FVertexIndices->List());
        return;
    }
    if (!FIndexVBO) FIndexVBO.reset(new TGLVBOElementArrayHandle());
    // Without a buffer the null offset would be read as client memory.
    if (FIndexVBO->AllocateHandle() == 0) return;
    if (FIndexVBO->IsDataNeedUpdate()) {
        const int32_t count = FVertexIndices->Count();
        FIndexVBO->BindBufferData(FVertexIndices->List(), count * int32_t(sizeof(int32_t)), GL_STATIC_DRAW);
        FIndexVBO->NotifyDataUpdated();
        const int32_t* first = FVertexIndices->List();
        const auto [lowest, highest] = std::minmax_element(first, first + count);
        FIndexVBOTop = *lowest < 0 ? std::numeric_limits<int32_t>::max() : *highest + 1;
    }
    // What the buffer holds is drawn, as far as the arrays reach.
    if (FIndexVBOTop > length) return;
    FIndexVBO->Bind();
    gl.DrawElements(Primitive(FMode), FIndexVBO->BufferSize() / int32_t(sizeof(int32_t)), GL_UNSIGNED_INT, nullptr);
    FIndexVBO->UnBind();
}

void TFGVertexIndexList::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                        TAffineVectorList* aNormals)
{
    TGLMeshObject* meshObject = MeshObject();
    if (!meshObject) return;
    AddIndexedTriangles(meshObject->Vertices(), aList, FVertexIndices.get());
    AddIndexedTriangles(meshObject->TexCoords(), aTexCoords, FVertexIndices.get());
    AddIndexedTriangles(meshObject->Normals(), aNormals, FVertexIndices.get());
}

int32_t TFGVertexIndexList::TriangleCount()
{
    // Two triangles per pair of quad indices: a trailing part of a quad counts, though no triangle is made of
    // it (the triangle queries then find none there).
    const int32_t count = FVertexIndices->Count();
    return FMode == fgmmQuads ? count / 2 : TriangleCountOf(FMode, count);
}

void TFGVertexIndexList::Reverse()
{
    std::vector<int32_t> positions(static_cast<size_t>(FVertexIndices->Count()));
    for (size_t k = 0; k < positions.size(); ++k) positions[k] = static_cast<int32_t>(positions.size() - 1 - k);
    Rearrange(positions);
}

void TFGVertexIndexList::Add(int32_t idx)
{
    FVertexIndices->Add(idx);
    IndicesChanged();
}

void TFGVertexIndexList::GetExtents(TVector3f& min, TVector3f& max)
{
    min = {{{cInfinity, cInfinity, cInfinity}}};
    max = {{{-cInfinity, -cInfinity, -cInfinity}}};
    TGLMeshObject* meshObject = MeshObject();
    if (!meshObject) return;
    const TAffineVectorList& vertices = *meshObject->Vertices();
    for (int32_t i = 0; i < FVertexIndices->Count(); ++i) {
        const int32_t index = FVertexIndices->List()[i];
        if (index < 0 || index >= vertices.Count()) continue;
        const TVector3f& v = vertices.List()[index];
        for (int axis = 0; axis < 3; ++axis) {
            min.V[axis] = std::min(min.V[axis], v.V[axis]);
            max.V[axis] = std::max(max.V[axis], v.V[axis]);
        }
    }
}

void TFGVertexIndexList::ConvertToList()
{
    const int32_t count = FVertexIndices->Count();
    if (count < 3 || (FMode != fgmmTriangleStrip && FMode != fgmmTriangleFan)) return;
    Rearrange(CornerPositions(FMode, count));
    FMode = fgmmTriangles;
}

TVector3f TFGVertexIndexList::GetNormal()
{
    TGLMeshObject* meshObject = MeshObject();
    if (FVertexIndices->Count() < 3 || !meshObject) return {};
    const TAffineVectorList& vertices = *meshObject->Vertices();
    if (!IndicesWithin(*FVertexIndices, 3, vertices.Count())) return {};
    const int32_t* idx = FVertexIndices->List();
    TVector3f normal;
    AffineTriangleNormal(vertices.List()[idx[0]], vertices.List()[idx[1]], vertices.List()[idx[2]], normal);
    return normal;
}

bool TFGVertexIndexList::AddTriangleIndices(TIntegerList* aList)
{
    if (FMode == fgmmQuads) return false;
    const int32_t* idx = FVertexIndices->List();
    aList->AdjustCapacityToAtLeast(aList->Count() + TriangleCount() * 3);
    ForEachCorner(FMode, FVertexIndices->Count(), [aList, idx](int32_t p) { aList->Add(idx[p]); });
    return true;
}

void TFGVertexIndexList::SetVertexIndices(TIntegerList* Value)
{
    FVertexIndices->Assign(Value);
    IndicesChanged();
}

void TFGVertexIndexList::AddIndexedTriangles(TAffineVectorList* source, TAffineVectorList* destination,
                                             TIntegerList* indices)
{
    // A corner whose index is missing or names no entry of the source gets the zero vector, like every
    // corner of an empty source: the lists extracted side by side stay parallel.
    const int32_t sourceCount = source ? source->Count() : 0;
    AppendCorners(FMode, FVertexIndices->Count(), destination, [&](int32_t p, TVector3f& entry) {
        if (p >= indices->Count()) return;
        const int32_t index = indices->List()[p];
        if (index >= 0 && index < sourceCount) entry = source->List()[index];
    });
}

void TFGVertexIndexList::IndicesChanged()
{
    if (FIndexVBO) FIndexVBO->NotifyChangesOfData();
}

void TFGVertexIndexList::Rearrange(const std::vector<int32_t>& positions)
{
    RearrangeList(*FVertexIndices, positions, -1);
    IndicesChanged();
}

// ---------------------------------------------------------------------------------------------------------
// TFGVertexNormalTexIndexList

TFGVertexNormalTexIndexList::TFGVertexNormalTexIndexList() : TFGVertexNormalTexIndexList(nullptr) {}

TFGVertexNormalTexIndexList::TFGVertexNormalTexIndexList(TGLFaceGroups* AOwner)
    : TFGVertexIndexList(AOwner), FNormalIndices(std::make_unique<TIntegerList>()),
      FTexCoordIndices(std::make_unique<TIntegerList>())
{
}

TFGVertexNormalTexIndexList::~TFGVertexNormalTexIndexList() = default;

void TFGVertexNormalTexIndexList::WriteToFiler(TVirtualWriter* writer)
{
    TFGVertexIndexList::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    FNormalIndices->WriteToFiler(writer);
    FTexCoordIndices->WriteToFiler(writer);
}

void TFGVertexNormalTexIndexList::ReadFromFiler(TVirtualReader* reader)
{
    TFGVertexIndexList::ReadFromFiler(reader);
    ReadVersion0(reader, *this);
    FNormalIndices->ReadFromFiler(reader);
    FTexCoordIndices->ReadFromFiler(reader);
    const int32_t count = VertexIndices()->Count();
    const auto parallel = [count](const TIntegerList& list) { return list.Count() == 0 || list.Count() >= count; };
    CheckArchived(parallel(*FNormalIndices) && parallel(*FTexCoordIndices), *this,
                  "index lists shorter than the vertex indices");
}

void TFGVertexNormalTexIndexList::BuildList(TGLRenderContextInfo& /*mrci*/)
{
    TGLMeshObject* meshObject = MeshObject();
    const TIntegerList& vertexIndices = *VertexIndices();
    const int32_t count = vertexIndices.Count();
    const TIntegerList& normalIndices = *IndicesOrVertices(FNormalIndices.get(), VertexIndices());
    const TIntegerList& texCoordIndices = *IndicesOrVertices(FTexCoordIndices.get(), VertexIndices());
    Assert(normalIndices.Count() >= count && texCoordIndices.Count() >= count, "", cGLVectorFileObjectsUnit);
    Assert(Mode() != fgmmQuads, "", cGLVectorFileObjectsUnit);
    // Indices outside the vertices draw nothing.
    if (count == 0 || !meshObject || !IndicesWithin(vertexIndices, count, meshObject->Vertices()->Count())) return;
    // An attribute list that does not reach every index used is not sent.
    const TVector3f* normals = meshObject->Normals()->List();
    const TVector4f* colors = meshObject->Colors()->List();
    const TVector3f* texCoords = meshObject->TexCoords()->List();
    if (!IndicesWithin(normalIndices, count, meshObject->Normals()->Count())) normals = nullptr;
    if (!IndicesWithin(vertexIndices, count, meshObject->Colors()->Count())) colors = nullptr;
    if (!IndicesWithin(texCoordIndices, count, meshObject->TexCoords()->Count())) texCoords = nullptr;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& coordinator = *GetCurrentMultitextureCoordinator();
    const TVector3f* vertices = meshObject->Vertices()->List();
    gl.Begin_(Primitive(Mode()));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t vertex = vertexIndices.List()[i];
        if (normals) gl.Normal3fv(normals[normalIndices.List()[i]].V);
        if (colors) gl.Color4fv(colors[vertex].V);
        if (texCoords) coordinator.TexCoord2fv(texCoords[texCoordIndices.List()[i]].V);
        gl.Vertex3fv(vertices[vertex].V);
    }
    gl.End_();
}

void TFGVertexNormalTexIndexList::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                                 TAffineVectorList* aNormals)
{
    TGLMeshObject* meshObject = MeshObject();
    if (!meshObject) return;
    AddIndexedTriangles(meshObject->Vertices(), aList, VertexIndices());
    AddIndexedTriangles(meshObject->TexCoords(), aTexCoords, IndicesOrVertices(FTexCoordIndices.get(), VertexIndices()));
    AddIndexedTriangles(meshObject->Normals(), aNormals, IndicesOrVertices(FNormalIndices.get(), VertexIndices()));
}

void TFGVertexNormalTexIndexList::Add(int32_t vertexIdx, int32_t normalIdx, int32_t texCoordIdx)
{
    FNormalIndices->Add(normalIdx);
    FTexCoordIndices->Add(texCoordIdx);
    TFGVertexIndexList::Add(vertexIdx);
}

void TFGVertexNormalTexIndexList::SetNormalIndices(TIntegerList* Value)
{
    FNormalIndices->Assign(Value);
}

void TFGVertexNormalTexIndexList::SetTexCoordIndices(TIntegerList* Value)
{
    FTexCoordIndices->Assign(Value);
}

void TFGVertexNormalTexIndexList::Rearrange(const std::vector<int32_t>& positions)
{
    TFGVertexIndexList::Rearrange(positions);
    RearrangeList(*FNormalIndices, positions, -1);
    RearrangeList(*FTexCoordIndices, positions, -1);
}

// ---------------------------------------------------------------------------------------------------------
// TFGIndexTexCoordList

TFGIndexTexCoordList::TFGIndexTexCoordList() : TFGIndexTexCoordList(nullptr) {}

TFGIndexTexCoordList::TFGIndexTexCoordList(TGLFaceGroups* AOwner)
    : TFGVertexIndexList(AOwner), FTexCoords(std::make_unique<TAffineVectorList>())
{
}

TFGIndexTexCoordList::~TFGIndexTexCoordList() = default;

void TFGIndexTexCoordList::WriteToFiler(TVirtualWriter* writer)
{
    TFGVertexIndexList::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    FTexCoords->WriteToFiler(writer);
}

void TFGIndexTexCoordList::ReadFromFiler(TVirtualReader* reader)
{
    TFGVertexIndexList::ReadFromFiler(reader);
    ReadVersion0(reader, *this);
    FTexCoords->ReadFromFiler(reader);
    CheckArchived(FTexCoords->Count() == VertexIndices()->Count(), *this,
                  "texture coordinates not one per index");
}

void TFGIndexTexCoordList::BuildList(TGLRenderContextInfo& /*mrci*/)
{
    TGLMeshObject* meshObject = MeshObject();
    const TIntegerList& vertexIndices = *VertexIndices();
    const int32_t count = vertexIndices.Count();
    const int32_t vertexCount = meshObject ? meshObject->Vertices()->Count() : 0;
    Assert(count == FTexCoords->Count(), "", cGLVectorFileObjectsUnit);
    // Indices outside the vertices draw nothing.
    if (count == 0 || !IndicesWithin(vertexIndices, count, vertexCount)) return;
    const TVector3f* normals = meshObject->Normals()->Count() == vertexCount ? meshObject->Normals()->List() : nullptr;
    const TVector4f* colors = meshObject->Colors()->Count() == vertexCount ? meshObject->Colors()->List() : nullptr;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& coordinator = *GetCurrentMultitextureCoordinator();
    const TVector3f* vertices = meshObject->Vertices()->List();
    gl.Begin_(Primitive(Mode()));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t vertex = vertexIndices.List()[i];
        coordinator.TexCoord2fv(FTexCoords->List()[i].V);
        if (colors) gl.Color4fv(colors[vertex].V);
        if (normals) gl.Normal3fv(normals[vertex].V);
        gl.Vertex3fv(vertices[vertex].V);
    }
    gl.End_();
    gl.CheckError();
}

void TFGIndexTexCoordList::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                          TAffineVectorList* aNormals)
{
    TGLMeshObject* meshObject = MeshObject();
    if (!meshObject) return;
    AddIndexedTriangles(meshObject->Vertices(), aList, VertexIndices());
    AddIndexedTriangles(meshObject->Normals(), aNormals, VertexIndices());
    // The group's own coordinates follow the corners by position.
    const TAffineVectorList& texCoords = *FTexCoords;
    AppendCorners(Mode(), VertexIndices()->Count(), aTexCoords, [&texCoords](int32_t p, TVector3f& entry) {
        if (p < texCoords.Count()) entry = texCoords.List()[p];
    });
}

void TFGIndexTexCoordList::Add(int32_t idx, const TVector3f& texCoord)
{
    FTexCoords->Add(texCoord);
    TFGVertexIndexList::Add(idx);
}

void TFGIndexTexCoordList::Add(int32_t idx, float s, float t)
{
    Add(idx, TVector3f{{{s, t, 0}}});
}

void TFGIndexTexCoordList::SetTexCoords(TAffineVectorList* Value)
{
    FTexCoords->Assign(Value);
}

void TFGIndexTexCoordList::Rearrange(const std::vector<int32_t>& positions)
{
    TFGVertexIndexList::Rearrange(positions);
    RearrangeList(*FTexCoords, positions, TVector3f{});
}

// ---------------------------------------------------------------------------------------------------------
// TGLFaceGroups

TGLFaceGroups::TGLFaceGroups() : TGLFaceGroups(nullptr) {}

TGLFaceGroups::TGLFaceGroups(TGLMeshObject* AOwner) : FOwner(AOwner) {}

TGLFaceGroups::~TGLFaceGroups()
{
    Clear();
}

void TGLFaceGroups::ReadFromFiler(TVirtualReader* reader)
{
    // The reader stores nil entries as they come; a face-group list never holds one, whatever the outcome.
    try {
        TPersistentObjectList::ReadFromFiler(reader);
    } catch (...) {
        Pack();
        throw;
    }
    const int32_t read = Count();
    Pack();
    if (Count() != read) CheckArchivedItem<TGLFaceGroup>(nullptr, *this);
}

void TGLFaceGroups::Clear()
{
    for (int32_t i = 0; i < Count(); ++i) {
        TObject* item = List()[i];
        if (auto* group = dynamic_cast<TGLFaceGroup*>(item)) group->SetOwner(nullptr);
        Free(item);
    }
    TPersistentObjectList::Clear();
}

void TGLFaceGroups::PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib)
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->PrepareMaterialLibraryCache(matLib);
}

void TGLFaceGroups::DropMaterialLibraryCache()
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->DropMaterialLibraryCache();
}

void TGLFaceGroups::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                   TAffineVectorList* aNormals)
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->AddToTriangles(aList, aTexCoords, aNormals);
}

TGLMaterialLibrary* TGLFaceGroups::MaterialLibrary() const
{
    if (!FOwner || !FOwner->Owner() || !FOwner->Owner()->Owner()) return nullptr;
    return FOwner->Owner()->Owner()->MaterialLibrary();
}

void TGLFaceGroups::SortByMaterial()
{
    // Without the chain of owners up to a base mesh there is no library: every group counts as opaque.
    PrepareMaterialLibraryCache(MaterialLibrary());
    Sort(&CompareByMaterial);
}

void TGLFaceGroups::ItemCreatedByReader(TObject* Sender)
{
    CheckArchivedItem<TGLFaceGroup>(Sender, *this)->SetOwner(this);
}
