// The raw mesh: an interleaved array of vertex records drawn as one primitive of a chosen kind, with flat
// normals computed on request and the array optionally kept in fast driver memory.
#pragma once

#include "GLBaseClasses.h"
#include "GLState.h"
#include "GLVectorTypes.h"
#include "VAVodad.h"

#include <cstdint>
#include <memory>
#include <vector>

inline constexpr const char* cGLMeshUnit = "VAVodad\\Source\\GLMesh";

// One vertex, in the order of OpenGL's interleaved format T2F_C4F_N3F_V3F, so that the whole array is handed
// to GL as it is.
struct TVertexData {
    TTexPoint textCoord;
    TVector4f color;
    TVector3f normal;
    TVector3f coord;
};
static_assert(sizeof(TVertexData) == 48, "a vertex record is one interleaved T2F_C4F_N3F_V3F element");

enum TMeshMode { mmTriangleStrip, mmTriangleFan, mmTriangles, mmQuadStrip, mmQuads, mmPolygon };
// Which components of the records are drawn.
enum TVertexMode { vmV, vmVN, vmVNC, vmVNCT, vmVNT, vmVT };

// A growable array of vertex records. Every indexed access checks the index; every change but Assign tells
// the owner. While locked the records sit in driver memory and the array's size cannot change.
class TGLVertexList : public TGLUpdateAbleObject {
public:
    explicit TGLVertexList(TPersistent* AOwner);
    // Unlocks (when a context is current) and frees the records.
    ~TGLVertexList() override;

    // From another vertex list: its records, with the capacity trimmed to them (without notifying).
    void Assign(TPersistent* Source) override;

    int32_t Count() const { return FCount; }
    int32_t Capacity() const { return static_cast<int32_t>(FArray.size()); }
    // Never below Count.
    void SetCapacity(int32_t Value);
    int32_t Growth() const { return FGrowth; }
    // Never below 16.
    void SetGrowth(int32_t Value);

    void AddVertex(const TVertexData& vertexData);
    void AddVertex(const TVector3f& aVertex, const TVector3f& aNormal, const TVector4f& aColor,
                   const TTexPoint& aTexPoint);
    // Texture point (0, 0).
    void AddVertex(const TVector3f& vertex, const TVector3f& normal, const TVector4f& color);
    // Colour (0, 0, 0, 1), texture point (0, 0).
    void AddVertex(const TVector3f& vertex, const TVector3f& normal);
    void AddVertex3(const TVertexData& vd1, const TVertexData& vd2, const TVertexData& vd3);
    // Appends a copy of the record at index.
    void DuplicateVertex(int32_t index);
    void Clear();

    const TVertexData& Vertices(int32_t index) const;
    void SetVertices(int32_t index, const TVertexData& Value);
    const TVector3f& VertexCoord(int32_t index) const { return Vertices(index).coord; }
    void SetVertexCoord(int32_t index, const TVector3f& Value) { SetField(index, &TVertexData::coord, Value); }
    const TVector3f& VertexNormal(int32_t index) const { return Vertices(index).normal; }
    void SetVertexNormal(int32_t index, const TVector3f& Value) { SetField(index, &TVertexData::normal, Value); }
    const TTexPoint& VertexTexCoord(int32_t index) const { return Vertices(index).textCoord; }
    void SetVertexTexCoord(int32_t index, const TTexPoint& Value) { SetField(index, &TVertexData::textCoord, Value); }
    const TVector4f& VertexColor(int32_t index) const { return Vertices(index).color; }
    void SetVertexColor(int32_t index, const TVector4f& Value) { SetField(index, &TVertexData::color, Value); }

    TVector3f SumVertexCoords() const;
    // Per axis, from +infinity and -infinity (which an empty list keeps).
    void GetExtents(TVector3f& min, TVector3f& max) const;
    void Translate(const TVector3f& v);
    // Gives every record's normal unit length.
    void NormalizeNormals();
    // A new list without owner (the caller's) holding these records with their coordinates moved lerpFactor of
    // the way toward list2's; both lists must have the same count.
    std::unique_ptr<TGLVertexList> CreateInterpolatedCoords(const TGLVertexList& list2, float lerpFactor) const;
    // The vertex, normal and (through the multitexture coordinator) texture-coordinate arrays, with the record
    // size as stride; not the colours.
    void DefineOpenGLArrays();

    // Addresses in the first record, for GL array calls.
    TVertexData* FirstEntry() const { return FValues; }
    float* FirstColor() const { return FValues ? FValues->color.V : nullptr; }
    float* FirstNormal() const { return FValues ? FValues->normal.V : nullptr; }
    float* FirstVertex() const { return FValues ? FValues->coord.V : nullptr; }
    float* FirstTexPoint() const { return FValues ? &FValues->textCoord.S : nullptr; }

    bool Locked() const { return FLocked != nullptr; }
    // Nothing without a current context, without NV_vertex_array_range, or when the driver gives no memory.
    // Unlocking brings back what was written meanwhile.
    void SetLocked(bool Value);
    // While locked: the driver's vertex array range over the records, on and off.
    void EnterLockSection();
    void LeaveLockSection();

private:
    void Grow();
    // index in 0..Count-1, else an assertion failure.
    void CheckIndex(int32_t index) const;
    TVertexData& Append();
    // Writes one field of the record at index, then notifies.
    template <class T> void SetField(int32_t index, T TVertexData::*field, const T& Value)
    {
        CheckIndex(index);
        FValues[index].*field = Value;
        NotifyChange(this);
    }
    // The records in use: the ordinary array, or the driver memory while locked.
    void Reseat() { FValues = FLocked ? FLocked : FArray.data(); }

    std::vector<TVertexData> FArray; // size = capacity
    TVertexData* FValues = nullptr;
    TVertexData* FLocked = nullptr; // driver memory
    int32_t FCount = 0;
    int32_t FGrowth = 256;
};

// A scene object drawing its vertex list as one primitive with one interleaved array.
class TGLMesh : public TVAVodadObject {
public:
    // Three vertices (1, 0, 0), (0, 1, 0), (0, 0, 1) with normal (0, 0, 1), colour (0, 0, 0, 0) and texture
    // point (0, 0), as a triangle strip of full records.
    explicit TGLMesh(TComponent* AOwner);
    ~TGLMesh() override;

    TGLVertexList* Vertices() const { return FVertices.get(); }
    // Copies another list's records.
    void SetVertices(TGLVertexList* Value);
    TMeshMode Mode() const { return FMode; }
    void SetMode(TMeshMode Value);
    TVertexMode VertexMode() const { return FVertexMode; }
    void SetVertexMode(TVertexMode Value);

    // From another mesh: its vertices, Mode and VertexMode.
    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    // Per axis the larger absolute extent of the vertices (0 without vertices), kept until the next change.
    TVector4f AxisAlignedDimensionsUnscaled() override;
    void BuildList(TGLRenderContextInfo& rci) override;
    void StructureChanged() override;
    // Flat normals for the mode's primitives, the triangles taken in the given front-face order. Fans and quad
    // strips fail an assertion.
    void CalcNormals(TFaceWinding Frontface);

private:
    std::unique_ptr<TGLVertexList> FVertices;
    TMeshMode FMode = mmTriangleStrip;
    TVertexMode FVertexMode = vmVNCT;
    TVector4f FAxisAlignedDimensionsCache{{{-1, 0, 0, 0}}}; // X < 0: to be computed
};

void RegisterGLMeshClasses();
