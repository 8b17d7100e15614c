// Mesh objects (archive, triangle access, tangent space, extents and the render path) and the mesh-object list.
#include "GLVectorFileObjects.h"

#include "GLContext.h"
#include "GLMaterial.h"
#include "GLMeshUtils.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"
#include "XOpenGL.h"

#include <algorithm>
#include <climits>
#include <utility>

bool vGLVectorFileObjectsUseVBODefault = true;

namespace {

// Texture units GL_TEXTURE0 .. GL_TEXTURE31 exist; an archive asking for more extra sets is refused.
constexpr int32_t cMaxTexCoordsEx = 32;

// The grouped draws so far: each draw takes the next number, so marks left by earlier draws need no reset.
int32_t vRenderGroupID = 0;

int32_t NextRenderGroupID()
{
    vRenderGroupID = vRenderGroupID == INT_MAX ? 1 : vRenderGroupID + 1;
    return vRenderGroupID;
}

// The coordinator's unit mask; 0 while it routes texture coordinates nowhere.
uint32_t TexMapping(const TGLMultitextureCoordinator& xgl)
{
    const TMapTexCoordMode mode = xgl.RequestedMapTexCoordMode();
    return mode == mtcmNull || mode == mtcmUndefined ? 0 : xgl.GetBitWiseMapping();
}

[[noreturn]] void RaiseBadArchive(const TObject& object, const std::string& what)
{
    throw EReadError(object.ClassName() + " : " + what);
}

// A list the arrays may draw from: one entry (at least) for each of count vertices.
bool Covers(const TBaseList& list, int32_t count)
{
    return count > 0 && list.Count() >= count;
}

// A corner of a triangle with the two texture components the tangent step orders by.
struct TTangentCorner {
    TVector3f Position;
    float Tex[2];
};

// The direction, in the triangle's plane, along which texture component k grows: the corners ordered by k
// (largest first) as A, B, C, the point P on AC level with B in k, then P - B, turned round when B's other
// component lies below P's.
TVector3f TexGradient(TTangentCorner c[3], int k)
{
    const int other = 1 - k;
    const auto order = [&](int a, int b) {
        if (c[a].Tex[k] < c[b].Tex[k]) std::swap(c[a], c[b]);
    };
    order(0, 1);
    order(0, 2);
    order(1, 2);
    const TTangentCorner &a = c[0], &b = c[1], &cc = c[2];
    const float r = cc.Tex[k] == a.Tex[k] ? 1.0f : (b.Tex[k] - a.Tex[k]) / (cc.Tex[k] - a.Tex[k]);
    TVector3f p;
    AffineLerp(a.Position, cc.Position, r, p);
    const float otherAtP = a.Tex[other] + r * (cc.Tex[other] - a.Tex[other]);
    TVector3f d;
    AffineSubtract(p, b.Position, d);
    if (b.Tex[other] < otherAtP) AffineNegate(d, d);
    return d;
}

// d without its part along n, normalised, W 0.
TVector4f InPlaneDirection(const TVector3f& d, const TVector3f& n)
{
    TVector3f t;
    AffineAddScaled(d, n, -float(AffineDot(d, n)), t);
    AffineNormalizeInPlace(t);
    return TVector4f{{{t.X, t.Y, t.Z, 0.0f}}};
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLMeshObject: life, properties, archive

TGLMeshObject::TGLMeshObject()
    : FTexCoords(std::make_unique<TAffineVectorList>()), FLightMapTexCoords(std::make_unique<TAffineVectorList>()),
      FColors(std::make_unique<TVectorList>()), FFaceGroups(new TGLFaceGroups(this))
{
}

TGLMeshObject::TGLMeshObject(TGLMeshObjectList* AOwner) : TGLMeshObject()
{
    FOwner = AOwner;
    if (AOwner) AOwner->Add(this);
}

TGLMeshObject::~TGLMeshObject()
{
    if (FOwner) FOwner->Remove(this);
}

void TGLMeshObject::Assign(TPersistent* Source)
{
    TBaseMeshObject::Assign(Source);
    auto* source = dynamic_cast<TGLMeshObject*>(Source);
    if (!source || source == this) return;
    FTexCoords->Assign(source->FTexCoords.get());
    FLightMapTexCoords->Assign(source->FLightMapTexCoords.get());
    FColors->Assign(source->FColors.get());
    FFaceGroups->Assign(source->FFaceGroups.get());
    FMode = source->FMode;
    FRenderingOptions = source->FRenderingOptions;
    FBinormalsTexCoordIndex = source->FBinormalsTexCoordIndex;
    FTangentsTexCoordIndex = source->FTangentsTexCoordIndex;
    FTexCoordsEx.clear();
    for (const auto& set : source->FTexCoordsEx) {
        FTexCoordsEx.push_back(std::make_unique<TVectorList>());
        FTexCoordsEx.back()->Assign(set.get());
    }
    MarkBuffersStale();
}

void TGLMeshObject::WriteToFiler(TVirtualWriter* writer)
{
    TBaseMeshObject::WriteToFiler(writer);
    writer->WriteInteger(3); // archive version
    FTexCoords->WriteToFiler(writer);
    FLightMapTexCoords->WriteToFiler(writer);
    FColors->WriteToFiler(writer);
    FFaceGroups->WriteToFiler(writer);
    writer->WriteInteger(FMode);
    const uint8_t options = FRenderingOptions.Bits();
    writer->WriteInteger(sizeof(options));
    writer->Write(&options, sizeof(options));
    writer->WriteInteger(TexCoordsExCount());
    for (const auto& set : FTexCoordsEx) set->WriteToFiler(writer);
    writer->WriteInteger(FBinormalsTexCoordIndex);
    writer->WriteInteger(FTangentsTexCoordIndex);
}

void TGLMeshObject::ReadFromFiler(TVirtualReader* reader)
{
    TBaseMeshObject::ReadFromFiler(reader);
    MarkBuffersStale();
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion < 0 || archiveVersion > 3) RaiseUnknownArchiveVersion(archiveVersion);
    FTexCoords->ReadFromFiler(reader);
    if (archiveVersion == 0) {
        FLightMapTexCoords->Clear();
    } else if (archiveVersion < 3) {
        // Older archives hold the lightmap coordinates as texture points.
        const auto points = TPersistentObject::CreateFromFiler<TTexPointList>(reader);
        FLightMapTexCoords->Clear();
        FLightMapTexCoords->AdjustCapacityToAtLeast(points->Count());
        for (int32_t i = 0; i < points->Count(); ++i) FLightMapTexCoords->Add(points->List()[i]);
    } else {
        FLightMapTexCoords->ReadFromFiler(reader);
    }
    FColors->ReadFromFiler(reader);
    FFaceGroups->ReadFromFiler(reader);
    const int32_t mode = reader->ReadInteger();
    if (mode < momTriangles || mode > momFaceGroups) RaiseBadArchive(*this, "unknown mesh mode " + std::to_string(mode));
    FMode = static_cast<TGLMeshObjectMode>(mode);
    // A block of any size; its first byte is the set.
    const int32_t optionsSize = reader->ReadInteger();
    if (optionsSize < 0 || optionsSize > reader->BytesLeft()) RaiseBadArchive(*this, "broken rendering options");
    std::string options(static_cast<size_t>(optionsSize), '\0');
    if (optionsSize > 0) reader->Read(options.data(), optionsSize);
    FRenderingOptions = TGLMeshObjectRenderingOptions::FromBits(optionsSize > 0 ? uint8_t(options[0]) : 0);
    if (archiveVersion >= 2) {
        const int32_t setCount = reader->ReadInteger();
        if (setCount < 0 || setCount > cMaxTexCoordsEx) RaiseBadArchive(*this, "too many extra coordinate sets");
        FTexCoordsEx.clear();
        for (int32_t k = 0; k < setCount; ++k) {
            FTexCoordsEx.push_back(std::make_unique<TVectorList>());
            FTexCoordsEx.back()->ReadFromFiler(reader);
        }
        const int32_t binormals = reader->ReadInteger();
        const int32_t tangents = reader->ReadInteger();
        for (const int32_t index : {binormals, tangents})
            if (index < 0 || index >= cMaxTexCoordsEx) RaiseBadArchive(*this, "extra coordinate set index out of range");
        SetBinormalsTexCoordIndex(binormals);
        SetTangentsTexCoordIndex(tangents);
    }
}

void TGLMeshObject::Clear()
{
    TBaseMeshObject::Clear();
    FFaceGroups->Clear();
    FColors->Clear();
    FTexCoords->Clear();
    FLightMapTexCoords->Clear();
    for (const auto& set : FTexCoordsEx) set->Clear();
}

void TGLMeshObject::SetTexCoords(TAffineVectorList* Value)
{
    FTexCoords->Assign(Value);
}

void TGLMeshObject::SetLightMapTexCoords(TAffineVectorList* Value)
{
    FLightMapTexCoords->Assign(Value);
}

void TGLMeshObject::SetColors(TVectorList* Value)
{
    FColors->Assign(Value);
}

TVectorList* TGLMeshObject::TexCoordsEx(int32_t index)
{
    Assert(index >= 0, "", cGLVectorFileObjectsUnit);
    if (TexCoordsExCount() < index + 1)
        while (TexCoordsExCount() < index + 2) FTexCoordsEx.push_back(std::make_unique<TVectorList>());
    return FTexCoordsEx[index].get();
}

void TGLMeshObject::SetTexCoordsEx(int32_t index, TVectorList* Value)
{
    TexCoordsEx(index)->Assign(Value);
}

void TGLMeshObject::SetBinormalsTexCoordIndex(int32_t Value)
{
    Assert(Value >= 0, "", cGLVectorFileObjectsUnit);
    FBinormalsTexCoordIndex = Value;
}

void TGLMeshObject::SetTangentsTexCoordIndex(int32_t Value)
{
    Assert(Value >= 0, "", cGLVectorFileObjectsUnit);
    FTangentsTexCoordIndex = Value;
}

// ---------------------------------------------------------------------------------------------------------
// Triangles

int32_t TGLMeshObject::TriangleCount()
{
    switch (FMode) {
    case momTriangles: return Vertices()->Count() / 3;
    case momTriangleStrip: return std::max(Vertices()->Count() - 2, 0);
    case momFaceGroups: {
        int32_t result = 0;
        for (int32_t i = 0; i < FFaceGroups->Count(); ++i) result += FFaceGroups->Items(i)->TriangleCount();
        return result;
    }
    }
    AssertionFailed("", cGLVectorFileObjectsUnit);
}

std::unique_ptr<TAffineVectorList> TGLMeshObject::ExtractTriangles(TAffineVectorList* texCoords,
                                                                   TAffineVectorList* normals)
{
    switch (FMode) {
    case momTriangles: {
        auto result = TBaseMeshObject::ExtractTriangles();
        if (texCoords) texCoords->Assign(FTexCoords.get());
        if (normals) normals->Assign(Normals());
        return result;
    }
    case momTriangleStrip: {
        auto result = std::make_unique<TAffineVectorList>();
        StripToTriangleList(Vertices(), result.get());
        if (texCoords) StripToTriangleList(FTexCoords.get(), texCoords);
        if (normals) StripToTriangleList(Normals(), normals);
        return result;
    }
    case momFaceGroups: {
        auto result = std::make_unique<TAffineVectorList>();
        FFaceGroups->AddToTriangles(result.get(), texCoords, normals);
        return result;
    }
    }
    AssertionFailed("", cGLVectorFileObjectsUnit);
}

bool TFGVertexIndexList::TriangleCorners(int32_t tri, int32_t corners[3])
{
    int32_t at[3];
    switch (FMode) {
    case fgmmTriangles:
    case fgmmFlatTriangles: at[0] = 3 * tri, at[1] = 3 * tri + 1, at[2] = 3 * tri + 2; break;
    case fgmmTriangleStrip: at[0] = tri, at[1] = tri + 1, at[2] = tri + 2; break;
    case fgmmTriangleFan: at[0] = 0, at[1] = tri + 1, at[2] = tri + 2; break;
    case fgmmQuads: {
        const int32_t q = tri / 2, r = tri % 2;
        at[0] = 4 * q, at[1] = 4 * q + r + 1, at[2] = 4 * q + r + 2;
        break;
    }
    default: AssertionFailed("", cGLVectorFileObjectsUnit);
    }
    const TIntegerList& indices = *FVertexIndices;
    for (int k = 0; k < 3; ++k) {
        if (at[k] < 0 || at[k] >= indices.Count()) return false;
        corners[k] = indices.List()[at[k]];
    }
    return true;
}

bool TGLMeshObject::GroupTriangleCorners(TGLFaceGroup* group, int32_t tri, int32_t corners[3])
{
    auto* indexList = dynamic_cast<TFGVertexIndexList*>(group);
    Assert(indexList != nullptr, "", cGLVectorFileObjectsUnit);
    return indexList->TriangleCorners(tri, corners);
}

bool TGLMeshObject::TriangleCorners(int32_t tri, int32_t corners[3])
{
    if (tri < 0) return false;
    switch (FMode) {
    case momTriangles: corners[0] = 3 * tri, corners[1] = 3 * tri + 1, corners[2] = 3 * tri + 2; return true;
    case momTriangleStrip: corners[0] = tri, corners[1] = tri + 1, corners[2] = tri + 2; return true;
    case momFaceGroups:
        for (int32_t i = 0; i < FFaceGroups->Count(); ++i) {
            TGLFaceGroup* group = FFaceGroups->Items(i);
            const int32_t count = group->TriangleCount();
            if (tri < count) return GroupTriangleCorners(group, tri, corners);
            tri -= count;
        }
        return false;
    }
    AssertionFailed("", cGLVectorFileObjectsUnit);
}

template <class TList, class TItem>
bool TGLMeshObject::TriangleData(int32_t tri, TList* list, TItem* const items[3], bool write)
{
    int32_t corners[3];
    if (!TriangleCorners(tri, corners)) return false;
    for (const int32_t corner : corners)
        if (corner < 0 || corner >= list->Count()) return false;
    TItem* data = list->List();
    for (int k = 0; k < 3; ++k) {
        if (write)
            data[corners[k]] = *items[k];
        else
            *items[k] = data[corners[k]];
    }
    if (write) list->SetRevision(list->Revision() + 1);
    return true;
}

bool TGLMeshObject::GetTriangleData(int32_t tri, TAffineVectorList* list, TVector3f& v0, TVector3f& v1,
                                    TVector3f& v2)
{
    TVector3f* const items[3] = {&v0, &v1, &v2};
    return TriangleData(tri, list, items, false);
}

bool TGLMeshObject::GetTriangleData(int32_t tri, TVectorList* list, TVector4f& v0, TVector4f& v1, TVector4f& v2)
{
    TVector4f* const items[3] = {&v0, &v1, &v2};
    return TriangleData(tri, list, items, false);
}

bool TGLMeshObject::SetTriangleData(int32_t tri, TAffineVectorList* list, const TVector3f& v0, const TVector3f& v1,
                                    const TVector3f& v2)
{
    TVector3f corners[3] = {v0, v1, v2};
    TVector3f* const items[3] = {&corners[0], &corners[1], &corners[2]};
    return TriangleData(tri, list, items, true);
}

bool TGLMeshObject::SetTriangleData(int32_t tri, TVectorList* list, const TVector4f& v0, const TVector4f& v1,
                                    const TVector4f& v2)
{
    TVector4f corners[3] = {v0, v1, v2};
    TVector4f* const items[3] = {&corners[0], &corners[1], &corners[2]};
    return TriangleData(tri, list, items, true);
}

void TGLMeshObject::BuildTangentSpace(bool buildBinormals, bool buildTangents)
{
    const int32_t vertexCount = Vertices()->Count();
    TVectorList* tangents = Tangents();
    TVectorList* binormals = Binormals();
    tangents->Clear();
    binormals->Clear();
    // The two may be one set: it still gets one entry per vertex.
    if (buildTangents) tangents->SetCount(vertexCount);
    if (buildBinormals) binormals->SetCount(vertexCount);
    const int32_t triangleCount = TriangleCount();
    for (int32_t t = 0; t < triangleCount; ++t) {
        TVector3f position[3], normal[3], tex[3];
        // A triangle whose corners lack a position, normal or texture coordinate gets nothing.
        if (!GetTriangleData(t, Vertices(), position[0], position[1], position[2]) ||
            !GetTriangleData(t, Normals(), normal[0], normal[1], normal[2]) ||
            !GetTriangleData(t, FTexCoords.get(), tex[0], tex[1], tex[2]))
            continue;
        const auto build = [&](TVectorList* set, int texComponent) {
            TTangentCorner corners[3];
            for (int j = 0; j < 3; ++j) corners[j] = {position[j], {tex[j].X, tex[j].Y}};
            const TVector3f d = TexGradient(corners, texComponent);
            SetTriangleData(t, set, InPlaneDirection(d, normal[0]), InPlaneDirection(d, normal[1]),
                            InPlaneDirection(d, normal[2]));
        };
        if (buildTangents) build(tangents, 1);
        if (buildBinormals) build(binormals, 0);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Extents

void TGLMeshObject::GetExtents(TVector3f& min, TVector3f& max)
{
    if (!FExtentCacheValid || Vertices()->Revision() != FExtentCacheRevision) {
        Vertices()->GetExtents(FExtentCache.Min, FExtentCache.Max);
        FExtentCacheRevision = Vertices()->Revision();
        FExtentCacheValid = true;
    }
    min = FExtentCache.Min;
    max = FExtentCache.Max;
}

void TGLMeshObject::GetExtents(TAABB& aabb)
{
    GetExtents(aabb.Min, aabb.Max);
}

TVector4f TGLMeshObject::GetBarycenter()
{
    TVector3f min, max;
    GetExtents(min, max);
    return TVector4f{{{(min.X + max.X) / 2, (min.Y + max.Y) / 2, (min.Z + max.Z) / 2, 0.0f}}};
}

bool TGLMeshObject::PointInObject(const TVector3f& aPoint)
{
    TVector3f min, max;
    GetExtents(min, max);
    for (int k = 0; k < 3; ++k)
        if (aPoint.V[k] < min.V[k] || aPoint.V[k] > max.V[k]) return false;
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Materials and buffers

void TGLMeshObject::PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib)
{
    FFaceGroups->PrepareMaterialLibraryCache(matLib);
}

void TGLMeshObject::DropMaterialLibraryCache()
{
    FFaceGroups->DropMaterialLibraryCache();
}

void TGLMeshObject::Prepare()
{
    ChangeValidBuffers(TVBOBuffers{});
    for (int32_t i = 0; i < FFaceGroups->Count(); ++i) FFaceGroups->Items(i)->Prepare();
}

void TGLMeshObject::SetUseVBO(bool Value)
{
    if (Value == FUseVBO) return;
    if (!Value) FreeBuffers();
    FUseVBO = Value;
    FValidBuffers = TVBOBuffers{};
}

void TGLMeshObject::FreeBuffers()
{
    FVerticesVBO.reset();
    FNormalsVBO.reset();
    FColorsVBO.reset();
    FTexCoordsVBO.clear();
    FLightmapTexCoordsVBO.reset();
}

template <class F> void TGLMeshObject::ForEachBuffer(F f)
{
    for (auto* handle : {&FVerticesVBO, &FNormalsVBO, &FColorsVBO, &FLightmapTexCoordsVBO})
        if (*handle) f(**handle);
    for (const auto& handle : FTexCoordsVBO)
        if (handle) f(*handle);
}

void TGLMeshObject::MarkBuffersStale()
{
    ForEachBuffer([](TGLVBOArrayBufferHandle& handle) { handle.NotifyChangesOfData(); });
}

void TGLMeshObject::ChangeValidBuffers(TVBOBuffers buffers)
{
    if (buffers == FValidBuffers) return;
    FValidBuffers = buffers;
    MarkBuffersStale();
}

namespace {

// Makes the buffer when missing and fills it from the list when its data is stale (or always); false for an
// empty list, which gets no buffer.
bool UploadList(std::unique_ptr<TGLVBOArrayBufferHandle, TFreeDeleter>& handle, const TBaseVectorList& list,
                bool always)
{
    if (list.Count() == 0) return false;
    if (!handle) handle.reset(new TGLVBOArrayBufferHandle());
    handle->AllocateHandle();
    if (always || handle->IsDataNeedUpdate()) {
        handle->BindBufferData(list.GetItemAddress(0), list.DataSize(), GL_DYNAMIC_DRAW);
        handle->NotifyDataUpdated();
        handle->UnBind();
    }
    return true;
}

} // namespace

void TGLMeshObject::UploadBufferObjects()
{
    if (UploadList(FVerticesVBO, *Vertices(), false)) FValidBuffers.Include(vbVertices);
    if (UploadList(FNormalsVBO, *Normals(), false)) FValidBuffers.Include(vbNormals);
    if (UploadList(FColorsVBO, *FColors, false)) FValidBuffers.Include(vbColors);
    // Slot 0 holds the texture coordinates and slot k + 1 the extra set k, so no two lists share a buffer.
    FTexCoordsVBO.resize(FTexCoordsEx.size() + 1);
    if (UploadList(FTexCoordsVBO[0], *FTexCoords, false)) FValidBuffers.Include(vbTexCoords);
    if (UploadList(FLightmapTexCoordsVBO, *FLightMapTexCoords, true)) FValidBuffers.Include(vbLightMapTexCoords);
    for (size_t k = 0; k < FTexCoordsEx.size(); ++k)
        if (UploadList(FTexCoordsVBO[k + 1], *FTexCoordsEx[k], false)) FValidBuffers.Include(vbTexCoordsEx);
    GetCurrentGL()->CheckError();
}

// ---------------------------------------------------------------------------------------------------------
// Drawing

const void* TGLMeshObject::ArrayData(TGLVBOArrayBufferHandle* buffer, const TBaseVectorList& list) const
{
    if (!FUseVBO) return list.GetItemAddress(0);
    buffer->Bind();
    return nullptr;
}

void TGLMeshObject::SetupVertexArrays(TGLRenderContextInfo& mrci, bool force)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    const int32_t vertexCount = Vertices()->Count();
    if (!force && FArraysDeclared) {
        // The current material may route the texture coordinates to other units than when they were declared.
        if (mrci.ignoreMaterials || mrci.drawState == dsPicking || !Covers(*FTexCoords, vertexCount)) return;
        const uint32_t mapping = TexMapping(xgl);
        if (mapping == FLastXOpenGLTexMapping) return;
        xgl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
        xgl.TexCoordPointer(2, GL_FLOAT, sizeof(TVector3f), ArrayData(TexCoordsBuffer(0), *FTexCoords));
        FLastXOpenGLTexMapping = mapping;
        return;
    }

    SetUseVBO(FUseVBO && gl.ARB_vertex_buffer_object && !mrci.GLStates->InsideList());
    if (FUseVBO) UploadBufferObjects();
    // Only lists with an entry for every vertex are declared: the draw reads one per vertex.
    if (mrci.ignoreMaterials) {
        gl.DisableClientState(GL_NORMAL_ARRAY);
        gl.DisableClientState(GL_COLOR_ARRAY);
        xgl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
    } else {
        if (Covers(*Normals(), vertexCount)) {
            gl.EnableClientState(GL_NORMAL_ARRAY);
            gl.NormalPointer(GL_FLOAT, 0, ArrayData(FNormalsVBO.get(), *Normals()));
        } else {
            gl.DisableClientState(GL_NORMAL_ARRAY);
        }
        if (Covers(*FColors, vertexCount)) {
            gl.EnableClientState(GL_COLOR_ARRAY);
            gl.ColorPointer(4, GL_FLOAT, 0, ArrayData(FColorsVBO.get(), *FColors));
        } else {
            gl.DisableClientState(GL_COLOR_ARRAY);
        }
        if (Covers(*FTexCoords, vertexCount)) {
            xgl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
            xgl.TexCoordPointer(2, GL_FLOAT, sizeof(TVector3f), ArrayData(TexCoordsBuffer(0), *FTexCoords));
        } else {
            xgl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        if (gl.ARB_multitexture) {
            if (Covers(*FLightMapTexCoords, vertexCount)) {
                gl.ClientActiveTexture(GL_TEXTURE1);
                gl.TexCoordPointer(2, GL_FLOAT, sizeof(TVector3f),
                                   ArrayData(FLightmapTexCoordsVBO.get(), *FLightMapTexCoords));
                gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
            }
            for (int32_t k = 0; k < UsableTexCoordsExCount(); ++k) {
                if (!Covers(*FTexCoordsEx[k], vertexCount)) continue;
                gl.ClientActiveTexture(GL_TEXTURE0 + k);
                gl.TexCoordPointer(4, GL_FLOAT, sizeof(TVector4f), ArrayData(TexCoordsBuffer(k + 1), *FTexCoordsEx[k]));
                gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
            }
            gl.ClientActiveTexture(GL_TEXTURE0);
        }
    }
    if (vertexCount > 0) {
        gl.EnableClientState(GL_VERTEX_ARRAY);
        gl.VertexPointer(3, GL_FLOAT, 0, ArrayData(FVerticesVBO.get(), *Vertices()));
    } else {
        gl.DisableClientState(GL_VERTEX_ARRAY);
    }
    FArraysLocked = gl.EXT_compiled_vertex_array && FLightMapTexCoords->Count() == 0 && !FUseVBO && vertexCount > 0;
    if (FArraysLocked) gl.LockArrays(0, vertexCount);
    FLastLightMapIndex = -1;
    FArraysDeclared = true;
    FLightMapArrayEnabled = false;
    if (mrci.drawState != dsPicking) FLastXOpenGLTexMapping = TexMapping(xgl);
}

void TGLMeshObject::ReleaseVertexArrays(TGLRenderContextInfo& mrci)
{
    if (!FArraysDeclared) return;
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    DisableLightmapUnit(mrci);
    if (FArraysLocked) gl.UnlockArrays();
    FArraysLocked = false;
    if (Vertices()->Count() > 0) gl.DisableClientState(GL_VERTEX_ARRAY);
    if (!mrci.ignoreMaterials) {
        if (Normals()->Count() > 0) gl.DisableClientState(GL_NORMAL_ARRAY);
        if (FColors->Count() > 0) gl.DisableClientState(GL_COLOR_ARRAY);
        if (FTexCoords->Count() > 0) GetCurrentMultitextureCoordinator()->DisableClientState(GL_TEXTURE_COORD_ARRAY);
        if (gl.ARB_multitexture) {
            if (FLightMapTexCoords->Count() > 0) {
                gl.ClientActiveTexture(GL_TEXTURE1);
                gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
            }
            for (int32_t k = 0; k < UsableTexCoordsExCount(); ++k) {
                if (FTexCoordsEx[k]->Count() == 0) continue;
                gl.ClientActiveTexture(GL_TEXTURE0 + k);
                gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
            }
            gl.ClientActiveTexture(GL_TEXTURE0);
        }
    }
    if (FUseVBO) ForEachBuffer([](TGLVBOArrayBufferHandle& handle) { handle.UnBind(); });
    FArraysDeclared = false;
}

void TGLMeshObject::EnableLightmapUnit(TGLRenderContextInfo& mrci)
{
    if (!GetCurrentGL()->ARB_multitexture || mrci.ignoreMaterials) return;
    Assert(FArraysDeclared, "", cGLVectorFileObjectsUnit);
    if (FLightMapArrayEnabled) return;
    SetTextureUnit1(*mrci.GLStates, true);
    FLightMapArrayEnabled = true;
}

void TGLMeshObject::DisableLightmapUnit(TGLRenderContextInfo& mrci)
{
    if (!FLightMapArrayEnabled) return;
    SetTextureUnit1(*mrci.GLStates, false);
    FLightMapArrayEnabled = false;
}

void TGLMeshObject::SetTextureUnit1(TGLStateCache& states, bool enabled)
{
    states.SetActiveTexture(1);
    states.SetActiveTextureEnabled(ttTexture2D, enabled);
    states.SetActiveTexture(0);
}

TGLVBOArrayBufferHandle* TGLMeshObject::TexCoordsBuffer(size_t slot) const
{
    return slot < FTexCoordsVBO.size() ? FTexCoordsVBO[slot].get() : nullptr;
}

int32_t TGLMeshObject::UsableTexCoordsExCount() const
{
    return std::min(TexCoordsExCount(), cMaxTexCoordsEx);
}

void TGLMeshObject::PrepareBuildList(TGLRenderContextInfo& mrci)
{
    if (FMode != momFaceGroups || !mrci.materialLibrary) return;
    for (int32_t i = 0; i < FFaceGroups->Count(); ++i)
        if (TGLLibMaterial* material = FFaceGroups->Items(i)->MaterialCache()) material->PrepareBuildList();
}

void TGLMeshObject::BuildList(TGLRenderContextInfo& mrci)
{
    FArraysDeclared = false;
    FLastXOpenGLTexMapping = 0;
    const int32_t vertexCount = Vertices()->Count();
    if (vertexCount > 0 && vertexCount == FColors->Count()) {
        TGLStateCache& states = *mrci.GLStates;
        states.Enable(stColorMaterial);
        GetCurrentGL()->ColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        for (const TCullFaceMode face : {cmFront, cmBack})
            states.SetGLMaterialColors(face, TVector4f{{{0, 0, 0, 1}}}, TVector4f{{{0.2f, 0.2f, 0.2f, 1}}},
                                       TVector4f{{{0.8f, 0.8f, 0.8f, 1}}}, TVector4f{{{0, 0, 0, 1}}}, 0);
    }
    try {
        switch (FMode) {
        case momTriangles:
        case momTriangleStrip:
            if (vertexCount > 0) DrawImmediate();
            break;
        case momFaceGroups: DrawFaceGroups(mrci); break;
        default: AssertionFailed("", cGLVectorFileObjectsUnit);
        }
    } catch (...) {
        // The arrays point into this object's lists: none may stay declared for whatever draws next.
        ReleaseVertexArrays(mrci);
        throw;
    }
    ReleaseVertexArrays(mrci);
}

void TGLMeshObject::DrawImmediate()
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    TGLMultitextureCoordinator& xgl = *GetCurrentMultitextureCoordinator();
    const int32_t n = Vertices()->Count();
    const TVector3f* vertices = Vertices()->List();
    const TVector3f* normals = Normals()->Count() == n ? Normals()->List() : nullptr;
    const TVector4f* colors = FColors->Count() == n ? FColors->List() : nullptr;
    const TVector3f* texCoords = FTexCoords->Count() == n ? FTexCoords->List() : nullptr;
    // The extra sets that cover every vertex, by unit; set 0 stands in for the texture coordinates.
    const TVector4f* sets[cMaxTexCoordsEx] = {};
    const int32_t setCount = gl.ARB_multitexture ? UsableTexCoordsExCount() : 0;
    for (int32_t k = 0; k < setCount; ++k)
        if (FTexCoordsEx[k]->Count() >= n) sets[k] = FTexCoordsEx[k]->List();
    gl.Begin_(FMode == momTriangles ? GL_TRIANGLES : GL_TRIANGLE_STRIP);
    for (int32_t i = 0; i < n; ++i) {
        if (normals) gl.Normal3fv(normals[i].V);
        if (colors) gl.Color4fv(colors[i].V);
        if (sets[0])
            gl.MultiTexCoord4fv(GL_TEXTURE0, sets[0][i].V);
        else if (texCoords)
            xgl.TexCoord2fv(texCoords[i].V);
        for (int32_t k = 1; k < setCount; ++k)
            if (sets[k]) gl.MultiTexCoord4fv(GL_TEXTURE0 + k, sets[k][i].V);
        gl.Vertex3fv(vertices[i].V);
    }
    gl.End_();
}

void TGLMeshObject::DrawFaceGroups(TGLRenderContextInfo& mrci)
{
    TGLFaceGroups& groups = *FFaceGroups;
    const int32_t count = groups.Count();
    if (!mrci.materialLibrary) {
        for (int32_t i = 0; i < count; ++i) groups.Items(i)->BuildList(mrci);
        return;
    }
    if (!FRenderingOptions.Contains(moroGroupByMaterial)) {
        // Each run of consecutive groups with one material is drawn under one application of it.
        for (int32_t i = 0; i < count;) {
            TGLLibMaterial* material = groups.Items(i)->MaterialCache();
            int32_t end = i + 1;
            if (!material) {
                groups.Items(i)->BuildList(mrci);
            } else {
                while (end < count && groups.Items(end)->MaterialCache() == material) ++end;
                material->Apply(mrci);
                do {
                    for (int32_t j = i; j < end; ++j) groups.Items(j)->BuildList(mrci);
                } while (material->UnApply(mrci));
            }
            i = end;
        }
    } else {
        // Every group of a material is drawn when the first of them comes up, marked with this draw's number;
        // a further pass of the material draws the groups it marked.
        const int32_t id = NextRenderGroupID();
        for (int32_t i = 0; i < count; ++i) {
            if (groups.Items(i)->RenderGroupID() == id) continue;
            TGLLibMaterial* material = groups.Items(i)->MaterialCache();
            if (material) material->Apply(mrci);
            bool firstPass = true;
            do {
                for (int32_t j = i; j < count; ++j) {
                    TGLFaceGroup* group = groups.Items(j);
                    if (group->MaterialCache() != material || (group->RenderGroupID() == id) == firstPass) continue;
                    group->SetRenderGroupID(id);
                    group->BuildList(mrci);
                }
                firstPass = false;
            } while (material && material->UnApply(mrci));
        }
    }
    TGLStateCache& states = *mrci.GLStates;
    if (states.EnableCullFace() && !mrci.bufferFaceCull)
        states.Disable(stCullFace);
    else if (!states.EnableCullFace() && mrci.bufferFaceCull)
        states.Enable(stCullFace);
}

// ---------------------------------------------------------------------------------------------------------
// TGLMeshObjectList

TGLMeshObjectList::TGLMeshObjectList() = default;

TGLMeshObjectList::TGLMeshObjectList(TGLBaseMesh* aOwner) : FOwner(aOwner) {}

TGLMeshObjectList::~TGLMeshObjectList()
{
    Clear();
}

void TGLMeshObjectList::ItemCreatedByReader(TObject* Sender)
{
    CheckArchivedItem<TGLMeshObject>(Sender, *this)->SetOwner(this);
}

void TGLMeshObjectList::ReadFromFiler(TVirtualReader* reader)
{
    // The archive stores a missing entry as nil, which no mesh object list holds, also after a failed read.
    ReadOwnedObjectList<TGLMeshObject>(*this, reader);
    // Skinned mesh objects bind to the bones as they are placed now.
    for (int32_t i = 0; i < Count(); ++i)
        if (auto* skinned = dynamic_cast<TGLSkeletonMeshObject*>(Items(i))) skinned->PrepareBoneMatrixInvertedMeshes();
}

void TGLMeshObjectList::Clear()
{
    DropMaterialLibraryCache();
    // The entries leave the list before the mesh objects die, so none finds itself in it.
    const std::vector<TObject*> items(List(), List() + Count());
    TPersistentObjectList::Clear();
    for (TObject* item : items) {
        if (auto* meshObject = dynamic_cast<TGLMeshObject*>(item)) meshObject->SetOwner(nullptr);
        Free(item);
    }
}

void TGLMeshObjectList::PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib)
{
    for (int32_t i = 0; i < Count(); ++i)
        if (Items(i)) Items(i)->PrepareMaterialLibraryCache(matLib);
}

void TGLMeshObjectList::DropMaterialLibraryCache()
{
    for (int32_t i = 0; i < Count(); ++i)
        if (Items(i)) Items(i)->DropMaterialLibraryCache();
}

void TGLMeshObjectList::PrepareBuildList(TGLRenderContextInfo& mrci)
{
    for (int32_t i = 0; i < Count(); ++i)
        if (Items(i)->Visible()) Items(i)->PrepareBuildList(mrci);
}

void TGLMeshObjectList::BuildList(TGLRenderContextInfo& mrci)
{
    for (int32_t i = 0; i < Count(); ++i)
        if (Items(i)->Visible()) Items(i)->BuildList(mrci);
}

void TGLMeshObjectList::Prepare()
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->Prepare();
}

void TGLMeshObjectList::GetExtents(TVector3f& min, TVector3f& max)
{
    min = TVector3f{{{1e30f, 1e30f, 1e30f}}};
    max = TVector3f{{{-1e30f, -1e30f, -1e30f}}};
    for (int32_t i = 0; i < Count(); ++i) {
        TVector3f itemMin, itemMax;
        Items(i)->GetExtents(itemMin, itemMax);
        for (int k = 0; k < 3; ++k) {
            min.V[k] = std::min(min.V[k], itemMin.V[k]);
            max.V[k] = std::max(max.V[k], itemMax.V[k]);
        }
    }
}

void TGLMeshObjectList::Translate(const TVector3f& delta)
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->Translate(delta);
}

int32_t TGLMeshObjectList::TriangleCount()
{
    int32_t result = 0;
    for (int32_t i = 0; i < Count(); ++i) result += Items(i)->TriangleCount();
    return result;
}

void TGLMeshObjectList::BuildTangentSpace(bool buildBinormals, bool buildTangents)
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->BuildTangentSpace(buildBinormals, buildTangents);
}

std::unique_ptr<TAffineVectorList> TGLMeshObjectList::ExtractTriangles(TAffineVectorList* texCoords,
                                                                       TAffineVectorList* normals)
{
    auto result = std::make_unique<TAffineVectorList>();
    TAffineVectorList itemTexCoords, itemNormals;
    for (int32_t i = 0; i < Count(); ++i) {
        TGLMeshObject* meshObject = Items(i);
        if (!meshObject->Visible()) continue;
        itemTexCoords.Clear();
        itemNormals.Clear();
        const auto triangles =
            meshObject->ExtractTriangles(texCoords ? &itemTexCoords : nullptr, normals ? &itemNormals : nullptr);
        result->Add(triangles.get());
        // A mesh object may give more or fewer coordinates or normals than corners (a triangle list whose
        // vertex count is no multiple of 3, lists of other lengths): cut or padded with zeros, the three
        // lists stay parallel.
        if (texCoords) {
            itemTexCoords.SetCount(triangles->Count());
            texCoords->Add(&itemTexCoords);
        }
        if (normals) {
            itemNormals.SetCount(triangles->Count());
            normals->Add(&itemNormals);
        }
    }
    return result;
}

TGLMeshObject* TGLMeshObjectList::FindMeshByName(const std::string& MeshName) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (Items(i)->Name() == MeshName) return Items(i);
    return nullptr;
}

bool TGLMeshObjectList::UseVBO() const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (!Items(i)->UseVBO()) return false;
    return true;
}

void TGLMeshObjectList::SetUseVBO(bool Value)
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->SetUseVBO(Value);
}
