// OBJ model files: the reader that puts a whole file into one face-group mesh object of a base mesh (its
// materials made from the companion MTL file into the mesh's material library), the writer of a mesh's geometry,
// and the face group that keeps the file's polygons and strips.
#pragma once

#include "GLVectorFileObjects.h"
#include "StringLists.h"
#include "SysUtils.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class TGLLibMaterial;
class TGLMaterialLibrary;
class TStream;

// Bad data in an OBJ file; LineNo is the line it was found at (not part of the message).
class EGLOBJFileError : public Exception {
public:
    EGLOBJFileError(const std::string& message, int32_t lineNo) : Exception(message), FLineNo(lineNo) {}
    int32_t LineNo() const { return FLineNo; }

private:
    int32_t FLineNo;
};

enum TOBJFGMode { objfgmmPolygons, objfgmmTriangleStrip };

// The corners of an OBJ group: polygons (PolygonVertices holds the corner count of each, in file order) or one
// triangle strip. Its three index lists run parallel, one entry per corner; -1 marks a missing normal or
// texture coordinate. Triangle consumers get polygons as fans (c0, c(k-1), c(k)).
class TOBJFGVertexNormalTexIndexList : public TFGVertexNormalTexIndexList {
public:
    // A strip group (the archive reader sets the mode it stored).
    TOBJFGVertexNormalTexIndexList();
    // A strip group created into AOwner, which then owns it.
    explicit TOBJFGVertexNormalTexIndexList(TGLFaceGroups* AOwner);
    ~TOBJFGVertexNormalTexIndexList() override;
    TPersistentObject* NewInstance() const override { return new TOBJFGVertexNormalTexIndexList; }

    // From another OBJ group: Mode, Name, the open corner count, ShowNormals and the polygon list (not the
    // indices or the material); anything else as a persistent object.
    void Assign(TPersistent* Source) override;
    // Version 0: Mode, Name, the open corner count, ShowNormals, then the polygon list in polygon mode.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // Immediate mode: each polygon as GL_POLYGON (then its normals as lines with ShowNormals), or the strip.
    void BuildList(TGLRenderContextInfo& mrci) override;
    void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords = nullptr,
                        TAffineVectorList* aNormals = nullptr) override;
    bool AddTriangleIndices(TIntegerList* aList) override;
    // A polygon's triangle t is (c0, c(t+1), c(t+2)); a strip's triangle t its corners t, t+1, t+2.
    bool TriangleCorners(int32_t tri, int32_t corners[3]) override;
    // Polygons: the sum of (corners - 2) over those with at least three; a strip: corners - 2, at least 0.
    int32_t TriangleCount() override;

    void Add(int32_t VertexIdx, int32_t NormalIdx, int32_t TexCoordIdx);
    // Closes the polygon of the corners added since the last one; polygon mode only (assertion).
    void PolygonComplete();

    TOBJFGMode Mode() const { return FMode; }
    // Decided before corners are added (assertion); polygon mode keeps a polygon list, strip mode none.
    void SetMode(TOBJFGMode Value);
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    // nullptr in strip mode.
    TIntegerList* PolygonVertices() const { return FPolygonVertices.get(); }
    bool ShowNormals() const { return FShowNormals; }
    void SetShowNormals(bool Value) { FShowNormals = Value; }

private:
    // Calls triangle(a, b, c) with the index-list positions of each triangle's corners, in order.
    template <class TTriangle> void ForEachTriangle(TTriangle&& triangle) const;
    // Appends one entry per triangle corner: source's entry at indices[position], zero where there is none.
    void AddCorners(const TAffineVectorList* source, TAffineVectorList* destination,
                    const TIntegerList& indices);

    TOBJFGMode FMode = objfgmmTriangleStrip;
    std::string FName;
    std::unique_ptr<TIntegerList> FPolygonVertices;
    int32_t FCurrentVertexCount = 0;
    bool FShowNormals = false;
};

// The lines of an MTL file.
class TGLMTLFile : public TStringList {
public:
    // Trims and upper-cases every line, drops empty ones and comments ("#", "$") and turns the first tab of
    // each into a space.
    void Prepare();
    // The text after "<propertyName> " on the first such line of the material's "NEWMTL <name>" section; ''
    // when the material or the property is missing. Names are compared upper-cased.
    std::string MaterialStringProperty(const std::string& materialName, const std::string& propertyName) const;
    // Up to four numbers of the property (separated by commas or blanks, 0 for one that is not a number, the
    // rest 0); defaultValue when the property holds none.
    TVector4f MaterialVectorProperty(const std::string& materialName, const std::string& propertyName,
                                     const TVector4f& defaultValue) const;
};

// OBJ files ("obj", and "objf" for the strips of stripped models): read into a new mesh object of the owner
// and written from its mesh objects.
class TGLOBJVectorFile : public TGLVectorFile {
public:
    explicit TGLOBJVectorFile(TPersistent* AOwner);
    ~TGLOBJVectorFile() override;

    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead | dfcWrite; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TGLOBJVectorFile(AOwner); }

    // The whole stream into a new face-group mesh object of the owner. Bad data raises EGLOBJFileError; what
    // was read stays in the owner's list.
    void LoadFromStream(TStream& aStream) override;
    // Vertices, normals, texture coordinates, then the faces of every mesh object, as CR LF lines.
    void SaveToStream(TStream& aStream) override;

private:
    // The face corners of one load that are checked once the whole file is in.
    struct TFaceCheck;

    // The next line, valid until the next read; FEof at the end of the stream. CR LF and LF CR end one line.
    std::string_view ReadLine();
    // Refills FBuffer from the stream; false at its end.
    bool FillBuffer();
    [[noreturn]] void Error(const std::string& message) const;
    void ReadVector(std::string_view values, int32_t maxCount, float* result);
    // The corners of a face, strip or strip continuation into the current group.
    void ReadCorners(std::string_view corners);
    // The current group for the name and material: the last one made for that name when it is still empty
    // and of the same material, else a new polygon group.
    void SetCurrentFaceGroup(const std::string& aName, const std::string& aMaterial);
    void UseMaterial(const std::string& materialName);
    // A library material of that name with the MTL file's data (defaults when the file cannot be read).
    void CreateMaterial(TGLMaterialLibrary& library, const std::string& materialName);
    void LoadMaterialTextures(TGLMaterialLibrary& library, TGLLibMaterial& libMat, const TGLMTLFile& mtl,
                              const std::string& materialName);
    // The prepared MTL file of the library name in force, read once per load; nullptr when it cannot be read.
    const TGLMTLFile* MaterialFile(TGLMaterialLibrary& library);
    // Raises for the first face line that names a vertex, texture coordinate or normal the file lacks.
    void CheckFaceIndices() const;
    // A normal for each polygon corner that has none, from the corner and its two neighbours.
    void CalcMissingOBJNormals();

    TStream* FSourceStream = nullptr;
    std::unique_ptr<char[]> FBuffer;
    size_t FBufPos = 0;
    size_t FBufLen = 0;
    // What the stream holds beyond the chunks read.
    int64_t FBytesLeft = 0;
    // A line that runs from one chunk into the next.
    std::string FLine;
    // The CR or LF that ended the last line: its partner, when it comes next, belongs to it.
    char FLineEnd = 0;
    int32_t FLineNo = 0;
    bool FEof = false;

    TGLMeshObject* FMeshObject = nullptr;
    TOBJFGVertexNormalTexIndexList* FCurrentFaceGroup = nullptr;
    // The polygon groups by upper-cased name, the last one made for each.
    std::unordered_map<std::string, TOBJFGVertexNormalTexIndexList*> FGroupsByName;
    std::string FCurrentMaterialName;
    std::string FMaterialLibFileName;
    std::unique_ptr<TFaceCheck> FFaceCheck;
    std::unique_ptr<TGLMTLFile> FMTLFile;
    std::string FMTLFileName;
    bool FMTLFileRead = false;
};

// Registers "obj" and "objf" in the model-file registry and the OBJ face group for the mesh archive.
void RegisterGLFileOBJ();
