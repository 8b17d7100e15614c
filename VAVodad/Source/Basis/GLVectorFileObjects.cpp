// The vector-file registry, the vector-file base and the base mesh object; the module's registration.
#include "GLVectorFileObjects.h"

#include "GLFileFormatRegistry.h"
#include "GLVectorGeometry.h"
#include "SysUtils.h"

#include <vector>

// ---------------------------------------------------------------------------------------------------------
// Registry

TGLVectorFileFormatsList::~TGLVectorFileFormatsList()
{
    Clean();
}

void TGLVectorFileFormatsList::Add(const std::string& Ext, const std::string& Desc, int32_t DescID,
                                   const TGLVectorFileClass& AClass)
{
    auto* entry = new TGLVectorFileFormat();
    entry->Extension = LowerCase(Ext);
    entry->Description = Desc;
    entry->DescResID = DescID;
    entry->VectorFileClass = &AClass;
    TPersistentObjectList::Add(entry);
}

const TGLVectorFileClass* TGLVectorFileFormatsList::FindExt(const std::string& ext) const
{
    return FileFormatRegistry::FindExt(*this, &TGLVectorFileFormat::VectorFileClass, ext);
}

const TGLVectorFileClass& TGLVectorFileFormatsList::FindFromFileName(const std::string& fileName) const
{
    const std::string ext = FileFormatRegistry::ExtensionOf(fileName);
    const TGLVectorFileClass* found = FindExt(ext);
    if (!found) FileFormatRegistry::RaiseUnknownExtension<EInvalidVectorFile>(ext);
    return *found;
}

void TGLVectorFileFormatsList::Remove(const TGLVectorFileClass& AClass)
{
    FileFormatRegistry::Remove(*this, &TGLVectorFileFormat::VectorFileClass, AClass);
}

void TGLVectorFileFormatsList::BuildFilterStrings(const TGLVectorFileClass& vectorFileClass,
                                                  std::string& descriptions, std::string& filters,
                                                  bool formatsThatCanBeOpened, bool formatsThatCanBeSaved) const
{
    FileFormatRegistry::BuildFilterStrings(*this, &TGLVectorFileFormat::VectorFileClass, vectorFileClass,
                                           descriptions, filters, formatsThatCanBeOpened, formatsThatCanBeSaved);
}

std::string TGLVectorFileFormatsList::FindExtByIndex(int32_t index, bool formatsThatCanBeOpened,
                                                     bool formatsThatCanBeSaved) const
{
    return FileFormatRegistry::FindExtByIndex(*this, &TGLVectorFileFormat::VectorFileClass, index,
                                              formatsThatCanBeOpened, formatsThatCanBeSaved);
}

TGLVectorFileFormatsList& GetVectorFileFormats()
{
    static const std::unique_ptr<TGLVectorFileFormatsList> formats = std::make_unique<TGLVectorFileFormatsList>();
    return *formats;
}

void RegisterVectorFileFormat(const std::string& aExtension, const std::string& aDescription,
                              const TGLVectorFileClass& aClass)
{
    GetVectorFileFormats().Add(aExtension, aDescription, 0, aClass);
}

// ---------------------------------------------------------------------------------------------------------
// TGLVectorFile

TGLVectorFile::TGLVectorFile(TPersistent* AOwner) : TGLDataFile(AOwner)
{
    Assert(dynamic_cast<TGLBaseMesh*>(AOwner) != nullptr, "", cGLVectorFileObjectsUnit);
}

TGLBaseMesh* TGLVectorFile::Owner() const
{
    return static_cast<TGLBaseMesh*>(TGLDataFile::Owner());
}

// ---------------------------------------------------------------------------------------------------------
// TBaseMeshObject

TBaseMeshObject::TBaseMeshObject()
    : FVertices(std::make_unique<TAffineVectorList>()), FNormals(std::make_unique<TAffineVectorList>())
{
}

TBaseMeshObject::~TBaseMeshObject() = default;

void TBaseMeshObject::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TBaseMeshObject*>(Source)) {
        FName = source->FName;
        FVertices->Assign(source->FVertices.get());
        FNormals->Assign(source->FNormals.get());
    } else {
        TPersistentObject::Assign(Source);
    }
}

void TBaseMeshObject::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(1); // archive version
    writer->WriteString(FName);
    FVertices->WriteToFiler(writer);
    FNormals->WriteToFiler(writer);
    writer->WriteBoolean(FVisible);
}

void TBaseMeshObject::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0 && archiveVersion != 1) RaiseUnknownArchiveVersion(archiveVersion);
    FName = reader->ReadString();
    FVertices->ReadFromFiler(reader);
    FNormals->ReadFromFiler(reader);
    FVisible = archiveVersion == 0 || reader->ReadBoolean();
}

void TBaseMeshObject::AccumulateBarycenter(TVector3f& sum, int32_t& count)
{
    AffineAddInPlace(sum, FVertices->Sum());
    count += FVertices->Count();
}

void TBaseMeshObject::Clear()
{
    FNormals->Clear();
    FVertices->Clear();
}

void TBaseMeshObject::Translate(const TVector3f& delta)
{
    FVertices->Translate(delta);
}

std::unique_ptr<TAffineVectorList> TBaseMeshObject::ExtractTriangles(TAffineVectorList* /*texCoords*/,
                                                                     TAffineVectorList* normals)
{
    auto result = std::make_unique<TAffineVectorList>();
    if (FVertices->Count() % 3 == 0) {
        result->Assign(FVertices.get());
        if (normals) normals->Assign(FNormals.get());
    }
    return result;
}

void TBaseMeshObject::BuildNormals(TIntegerList* vertexIndices, TGLMeshObjectMode mode, TIntegerList* normalIndices)
{
    Assert(mode == momTriangles || mode == momTriangleStrip, "", cGLVectorFileObjectsUnit);
    const int32_t* indices = vertexIndices->List();
    const int32_t indexCount = vertexIndices->Count();
    const TVector3f* vertices = FVertices->List();
    const int32_t vertexCount = FVertices->Count();
    const auto isVertex = [vertexCount](int32_t index) { return index >= 0 && index < vertexCount; };
    // Calls add(i, faceNormal) for each triangle starting at index position i; a triangle with a corner
    // outside the vertices has no face normal (zero).
    const auto forEachTriangle = [&](auto add) {
        const int32_t step = mode == momTriangles ? 3 : 1;
        for (int32_t i = 0; i + 2 < indexCount; i += step) {
            const int32_t a = indices[i];
            int32_t b = indices[i + 1], c = indices[i + 2];
            if (i % 2 == 1 && mode == momTriangleStrip) std::swap(b, c);
            TVector3f faceNormal{};
            if (isVertex(a) && isVertex(b) && isVertex(c))
                AffineTriangleNormal(vertices[a], vertices[b], vertices[c], faceNormal);
            add(i, faceNormal);
        }
    };

    if (!normalIndices) {
        FNormals->Clear();
        FNormals->AddNulls(vertexCount);
        TVector3f* normals = FNormals->List();
        forEachTriangle([&](int32_t i, const TVector3f& faceNormal) {
            for (int32_t k = i; k < i + 3; ++k)
                if (isVertex(indices[k])) AffineAddInPlace(normals[indices[k]], faceNormal);
        });
        FNormals->Normalize();
        return;
    }

    const int32_t oldCount = FNormals->Count();
    std::vector<int32_t> normalOfVertex(vertexCount, -1);
    forEachTriangle([&](int32_t i, const TVector3f& faceNormal) {
        for (int32_t k = i; k < i + 3; ++k) {
            const int32_t vertex = indices[k];
            // A corner without a vertex has no normal; its entry still keeps the index lists parallel.
            if (!isVertex(vertex)) {
                normalIndices->Add(-1);
                continue;
            }
            int32_t& normal = normalOfVertex[vertex];
            if (normal < oldCount) normal = FNormals->Add(TVector3f{});
            AffineAddInPlace(FNormals->List()[normal], faceNormal);
            normalIndices->Add(normal);
        }
    });
    TVector3f* normals = FNormals->List();
    for (int32_t i = oldCount; i < FNormals->Count(); ++i) AffineNormalizeInPlace(normals[i]);
}

void TBaseMeshObject::SetVertices(TAffineVectorList* Value)
{
    FVertices->Assign(Value);
}

void TBaseMeshObject::SetNormals(TAffineVectorList* Value)
{
    FNormals->Assign(Value);
}

// ---------------------------------------------------------------------------------------------------------

void RegisterGLVectorFileObjects()
{
    RegisterVectorFileFormat<TGLGLSMVectorFile>("glsm", "VAVodad Mesh");
    RegisterClasses<TGLFreeForm, TGLActor, TGLMeshObject, TFGVertexIndexList, TFGVertexNormalTexIndexList,
                    TFGIndexTexCoordList>();
    RegisterClasses<TGLSkeleton, TGLSkeletonFrame, TGLSkeletonBone, TGLSkeletonMeshObject, TGLSkeletonFrameList,
                    TMeshMorphTarget, TMorphableMeshObject, TGLAnimationControler, TGLSkeletonCollider,
                    TGLSkeletonColliderList>();
}
