// OBJ model files and their MTL material files.
#include "GLFileOBJ.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"
#include "GLMaterial.h"
#include "GLTexture.h"
#include "GLUtilities.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "Streams.h"
#include "XOpenGL.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const char* const cUnit = "VAVodad\\Source\\FileFormats\\GLFileOBJ";

// The reader takes the stream in chunks of this many bytes.
constexpr int64_t cChunkSize = 10240;

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// The part of text before the first blank or tab (all of it when there is none); text keeps what follows it,
// without leading blanks.
std::string_view NextWord(std::string_view& text)
{
    const char* const first = text.data();
    const char* const end = first + text.size();
    const char* at = first;
    while (at < end && *at != ' ' && *at != '\t') ++at;
    const std::string_view word(first, static_cast<size_t>(at - first));
    while (at < end && IsBlank(*at)) ++at;
    text = std::string_view(at, static_cast<size_t>(end - at));
    return word;
}

// The number of a token: digits with "." as the decimal point, an optional sign in front and an optional
// exponent; false for anything else and for values beyond Single.
bool TokenToSingle(std::string_view token, float& value)
{
    const bool plus = token.starts_with('+');
    const size_t digits = plus || token.starts_with('-') ? 1 : 0;
    // A digit or the point comes first: the parser below also reads "inf", "nan" and a second sign.
    if (digits >= token.size() || (token[digits] != '.' && (token[digits] < '0' || token[digits] > '9')))
        return false;
    const char* const end = token.data() + token.size();
    const auto [stop, error] = std::from_chars(token.data() + (plus ? 1 : 0), end, value);
    if (stop != end) return false;
    if (error == std::errc()) return true;
    // Out of range either way: too large fails, too small reads as what a Single keeps of it.
    double wide = 0;
    if (!TryStrToFloat(token, wide) || std::fabs(wide) > std::numeric_limits<float>::max()) return false;
    value = static_cast<float>(wide);
    return true;
}

// Reads a corner part from p up to the next "/", blank or tab, or the end, which p is left at: its integer (an
// optional sign and decimal digits within Integer), 0 for anything else, an empty part too, as StrToIntDef
// gives it.
int32_t ScanPart(const char*& p, const char* end)
{
    const bool negative = p < end && *p == '-';
    if (negative || (p < end && *p == '+')) ++p;
    bool valid = p < end && *p >= '0' && *p <= '9';
    int64_t value = 0;
    for (; p < end && *p != '/' && *p != ' ' && *p != '\t'; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned('0');
        if (digit > 9) valid = false;
        if (!valid) continue;
        value = value * 10 + digit;
        valid = value <= int64_t(std::numeric_limits<int32_t>::max()) + negative;
    }
    return valid ? static_cast<int32_t>(negative ? -value : value) : 0;
}

// Whether a command token is name, letter case aside (name upper case).
bool IsCommand(std::string_view token, std::string_view name)
{
    if (token.size() != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if ((token[i] & ~0x20) != name[i]) return false;
    return true;
}

// A written index made 0-based: counted from 1, or back from the end of the list (-1 the last entry read so
// far); 0 or a part that is not a number gives -1, "missing".
int32_t ListIndex(int32_t written, int32_t count)
{
    if (written > 0) return written - 1;
    if (written < 0) return count + written;
    return -1;
}

// The three lists a face corner indexes, in the order of its parts.
enum TCornerPart { cpVertex, cpTexCoord, cpNormal };
constexpr const char* cCornerPartNames[] = {"Vertex", "Texture coordinate", "Normal"};

TVector3f EntryOrZero(const TAffineVectorList* list, int32_t index)
{
    return list && index >= 0 && index < list->Count() ? list->List()[index] : TVector3f{};
}

// The corner item of a written face: v/t/n, 1-based, with an empty place for a missing part.
std::string CornerItem(int32_t vertex, int32_t texCoord, int32_t normal)
{
    std::string item = IntToStr(vertex + 1) + "/";
    if (texCoord >= 0) item += IntToStr(texCoord + 1);
    item += "/";
    if (normal >= 0) item += IntToStr(normal + 1);
    return item;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TOBJFGVertexNormalTexIndexList

TOBJFGVertexNormalTexIndexList::TOBJFGVertexNormalTexIndexList() = default;

TOBJFGVertexNormalTexIndexList::TOBJFGVertexNormalTexIndexList(TGLFaceGroups* AOwner)
    : TFGVertexNormalTexIndexList(AOwner)
{
}

TOBJFGVertexNormalTexIndexList::~TOBJFGVertexNormalTexIndexList() = default;

void TOBJFGVertexNormalTexIndexList::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TOBJFGVertexNormalTexIndexList*>(Source);
    if (!source) {
        TFGVertexNormalTexIndexList::Assign(Source);
        return;
    }
    FMode = source->FMode;
    FName = source->FName;
    FCurrentVertexCount = source->FCurrentVertexCount;
    FShowNormals = source->FShowNormals;
    if (source->FPolygonVertices) {
        FPolygonVertices = std::make_unique<TIntegerList>();
        FPolygonVertices->Assign(source->FPolygonVertices.get());
    } else {
        FPolygonVertices.reset();
    }
}

void TOBJFGVertexNormalTexIndexList::WriteToFiler(TVirtualWriter* writer)
{
    TFGVertexNormalTexIndexList::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    writer->WriteInteger(FMode);
    writer->WriteString(FName);
    writer->WriteInteger(FCurrentVertexCount);
    writer->WriteBoolean(FShowNormals);
    if (FPolygonVertices) FPolygonVertices->WriteToFiler(writer);
}

void TOBJFGVertexNormalTexIndexList::ReadFromFiler(TVirtualReader* reader)
{
    TFGVertexNormalTexIndexList::ReadFromFiler(reader);
    const int32_t version = reader->ReadInteger();
    if (version != 0) RaiseUnknownArchiveVersion(version);
    const auto refuse = [this](const char* what) { throw EReadError(ClassName() + " : " + what); };
    const int32_t mode = reader->ReadInteger();
    if (mode != objfgmmPolygons && mode != objfgmmTriangleStrip) refuse("unknown mode");
    std::string name = reader->ReadString();
    const int32_t currentVertexCount = reader->ReadInteger();
    const bool showNormals = reader->ReadBoolean();
    std::unique_ptr<TIntegerList> polygonVertices;
    if (mode == objfgmmPolygons) {
        polygonVertices = std::make_unique<TIntegerList>();
        polygonVertices->ReadFromFiler(reader);
    }
    // Drawing walks the polygons through the corners: every corner needs its normal entry, and the polygons
    // may not claim more corners than there are.
    const int32_t count = VertexIndices()->Count();
    if (currentVertexCount < 0 || NormalIndices()->Count() < count) refuse("index lists do not match");
    if (polygonVertices) {
        int64_t corners = 0;
        for (int32_t i = 0; i < polygonVertices->Count(); ++i) {
            const int32_t n = polygonVertices->List()[i];
            if (n < 0) refuse("negative polygon size");
            corners += n;
        }
        if (corners > count) refuse("polygons beyond the corners");
    }
    // Taken only whole, so that the mode and the polygon list always agree.
    FMode = static_cast<TOBJFGMode>(mode);
    FName = std::move(name);
    FCurrentVertexCount = currentVertexCount;
    FShowNormals = showNormals;
    FPolygonVertices = std::move(polygonVertices);
}

template <class TTriangle> void TOBJFGVertexNormalTexIndexList::ForEachTriangle(TTriangle&& triangle) const
{
    const int32_t count = VertexIndices()->Count();
    if (FMode == objfgmmTriangleStrip) {
        for (int32_t i = 0; i + 2 < count; ++i)
            if (i % 2 == 0)
                triangle(i, i + 1, i + 2);
            else
                triangle(i + 2, i + 1, i);
        return;
    }
    int32_t first = 0;
    for (int32_t p = 0; p < FPolygonVertices->Count(); ++p) {
        const int32_t n = FPolygonVertices->List()[p];
        if (n > count - first) return;
        for (int32_t k = 2; k < n; ++k) triangle(first, first + k - 1, first + k);
        first += n;
    }
}

void TOBJFGVertexNormalTexIndexList::BuildList(TGLRenderContextInfo& /*mrci*/)
{
    const TIntegerList& vertexIndices = *VertexIndices();
    const TIntegerList& normalIndices = *NormalIndices();
    const TIntegerList& texCoordIndices = *TexCoordIndices();
    const int32_t count = vertexIndices.Count();
    Assert((texCoordIndices.Count() == 0 || texCoordIndices.Count() >= count) && normalIndices.Count() >= count,
           "Number of Vertices does not match number of Normals or Texture coordinates.", cUnit);
    TGLMeshObject* meshObject = MeshObject();
    if (!meshObject || count == 0) return;
    const TAffineVectorList& vertices = *meshObject->Vertices();
    // Corners naming no vertex (an archive can hold them) draw nothing.
    const auto [lowest, highest] = std::minmax_element(vertexIndices.List(), vertexIndices.List() + count);
    if (*lowest < 0 || *highest >= vertices.Count()) return;
    const TAffineVectorList& normals = *meshObject->Normals();
    const TAffineVectorList& texCoords = *meshObject->TexCoords();
    const bool useTexCoords = texCoordIndices.Count() > 0;
    const TVector4f* colors =
        meshObject->Colors()->Count() == vertices.Count() ? meshObject->Colors()->List() : nullptr;
    const auto normalAt = [&](int32_t i) -> const TVector3f* {
        const int32_t n = normalIndices.List()[i];
        return n >= 0 && n < normals.Count() ? &normals.List()[n] : nullptr;
    };
    const auto texCoordAt = [&](int32_t i) -> const TVector3f* {
        const int32_t t = useTexCoords ? texCoordIndices.List()[i] : -1;
        return t >= 0 && t < texCoords.Count() ? &texCoords.List()[t] : nullptr;
    };
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();

    if (FMode == objfgmmTriangleStrip) {
        gl.Begin_(GL_TRIANGLE_STRIP);
        for (int32_t i = 0; i < count; ++i) {
            if (const TVector3f* normal = normalAt(i)) gl.Normal3fv(normal->V);
            if (const TVector3f* texCoord = texCoordAt(i))
                GetCurrentMultitextureCoordinator()->TexCoord2fv(texCoord->V);
            gl.Vertex3fv(vertices.List()[vertexIndices.List()[i]].V);
        }
        gl.End_();
        return;
    }

    // Both units take the coordinates, unless the second one is kept for a lightmap.
    const bool bothUnits =
        useTexCoords && gl.ARB_multitexture && !GetCurrentMultitextureCoordinator()->SecondTextureUnitForbidden();
    int32_t first = 0;
    for (int32_t p = 0; p < FPolygonVertices->Count(); ++p) {
        const int32_t n = FPolygonVertices->List()[p];
        if (n > count - first) return;
        gl.Begin_(GL_POLYGON);
        for (int32_t i = first; i < first + n; ++i) {
            const int32_t vertex = vertexIndices.List()[i];
            if (const TVector3f* normal = normalAt(i)) gl.Normal3fv(normal->V);
            if (colors) gl.Color4fv(colors[vertex].V);
            if (const TVector3f* texCoord = texCoordAt(i)) {
                if (bothUnits) {
                    gl.MultiTexCoord2fv(GL_TEXTURE0, texCoord->V);
                    gl.MultiTexCoord2fv(GL_TEXTURE1, texCoord->V);
                } else {
                    gl.TexCoord2fv(texCoord->V);
                }
            }
            gl.Vertex3fv(vertices.List()[vertex].V);
        }
        gl.End_();
        if (FShowNormals)
            for (int32_t i = first; i < first + n; ++i) {
                const TVector3f* normal = normalAt(i);
                if (!normal) continue;
                const TVector3f& vertex = vertices.List()[vertexIndices.List()[i]];
                TVector3f tip = vertex;
                AffineAddScaledInPlace(tip, *normal, 0.1f);
                gl.Begin_(GL_LINES);
                gl.Vertex3fv(vertex.V);
                gl.Vertex3fv(tip.V);
                gl.End_();
            }
        first += n;
    }
}

void TOBJFGVertexNormalTexIndexList::AddCorners(const TAffineVectorList* source, TAffineVectorList* destination,
                                                const TIntegerList& indices)
{
    if (!destination) return;
    const int32_t first = destination->Count();
    destination->AddNulls(TriangleCount() * 3);
    TVector3f* entry = destination->List() + first;
    const auto add = [&](int32_t position) {
        *entry++ = EntryOrZero(source, position < indices.Count() ? indices.List()[position] : -1);
    };
    ForEachTriangle([&](int32_t a, int32_t b, int32_t c) {
        add(a);
        add(b);
        add(c);
    });
}

void TOBJFGVertexNormalTexIndexList::AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords,
                                                    TAffineVectorList* aNormals)
{
    TGLMeshObject* meshObject = MeshObject();
    if (!meshObject) return;
    AddCorners(meshObject->Vertices(), aList, *VertexIndices());
    AddCorners(meshObject->TexCoords(), aTexCoords, *TexCoordIndices());
    AddCorners(meshObject->Normals(), aNormals, *NormalIndices());
}

bool TOBJFGVertexNormalTexIndexList::AddTriangleIndices(TIntegerList* aList)
{
    const int32_t* idx = VertexIndices()->List();
    aList->AdjustCapacityToAtLeast(aList->Count() + TriangleCount() * 3);
    ForEachTriangle([aList, idx](int32_t a, int32_t b, int32_t c) { aList->Add(idx[a], idx[b], idx[c]); });
    return true;
}

bool TOBJFGVertexNormalTexIndexList::TriangleCorners(int32_t tri, int32_t corners[3])
{
    const int32_t* idx = VertexIndices()->List();
    const int32_t count = VertexIndices()->Count();
    if (tri < 0) return false;
    if (FMode == objfgmmTriangleStrip) {
        if (tri > count - 3) return false;
        corners[0] = idx[tri], corners[1] = idx[tri + 1], corners[2] = idx[tri + 2];
        return true;
    }
    // The polygon holding the triangle.
    int32_t first = 0;
    for (int32_t p = 0; p < FPolygonVertices->Count(); ++p) {
        const int32_t n = FPolygonVertices->List()[p];
        if (n > count - first) return false;
        if (tri < n - 2) {
            corners[0] = idx[first], corners[1] = idx[first + tri + 1], corners[2] = idx[first + tri + 2];
            return true;
        }
        tri -= std::max(n - 2, 0);
        first += n;
    }
    return false;
}

int32_t TOBJFGVertexNormalTexIndexList::TriangleCount()
{
    const int32_t count = VertexIndices()->Count();
    if (FMode == objfgmmTriangleStrip) return std::max(count - 2, 0);
    int32_t result = 0, first = 0;
    for (int32_t p = 0; p < FPolygonVertices->Count(); ++p) {
        const int32_t n = FPolygonVertices->List()[p];
        if (n > count - first) break;
        result += std::max(n - 2, 0);
        first += n;
    }
    return result;
}

void TOBJFGVertexNormalTexIndexList::Add(int32_t VertexIdx, int32_t NormalIdx, int32_t TexCoordIdx)
{
    TFGVertexNormalTexIndexList::Add(VertexIdx, NormalIdx, TexCoordIdx);
    ++FCurrentVertexCount;
}

void TOBJFGVertexNormalTexIndexList::PolygonComplete()
{
    Assert(FMode == objfgmmPolygons, "PolygonComplete may only be called for Facegroups with Mode=objfgmmPolygons.",
           cUnit);
    FPolygonVertices->Add(FCurrentVertexCount);
    FCurrentVertexCount = 0;
}

void TOBJFGVertexNormalTexIndexList::SetMode(TOBJFGMode Value)
{
    if (Value == FMode) return;
    Assert(VertexIndices()->Count() == 0, "Decide on the mode before adding vertices.", cUnit);
    FMode = Value;
    if (FMode == objfgmmPolygons)
        FPolygonVertices = std::make_unique<TIntegerList>();
    else
        FPolygonVertices.reset();
}

// ---------------------------------------------------------------------------------------------------------
// TGLMTLFile

void TGLMTLFile::Prepare()
{
    for (int i = Count() - 1; i >= 0; --i) {
        std::string line = UpperCase(Trim(Get(i)));
        if (line.empty() || line[0] == '#' || line[0] == '$') {
            Delete(i);
            continue;
        }
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) line[tab] = ' ';
        Put(i, line);
    }
}

std::string TGLMTLFile::MaterialStringProperty(const std::string& materialName,
                                               const std::string& propertyName) const
{
    const std::string section = "NEWMTL " + UpperCase(materialName);
    const std::string prefix = UpperCase(propertyName) + " ";
    int i = 0;
    while (i < Count() && Get(i) != section) ++i;
    for (++i; i < Count(); ++i) {
        const std::string line = Get(i);
        if (line.starts_with("NEWMTL ")) break;
        if (line.starts_with(prefix)) return line.substr(prefix.size());
    }
    return {};
}

TVector4f TGLMTLFile::MaterialVectorProperty(const std::string& materialName, const std::string& propertyName,
                                             const TVector4f& defaultValue) const
{
    TStringList items;
    items.SetCommaText(MaterialStringProperty(materialName, propertyName));
    if (items.Count() == 0) return defaultValue;
    TVector4f result{};
    for (int i = 0; i < std::min(items.Count(), 4); ++i)
        result.V[i] = static_cast<float>(TextToFloatDef(items.Get(i), 0));
    return result;
}

// ---------------------------------------------------------------------------------------------------------
// TGLOBJVectorFile

// Face corners that named entries the file had not given yet when they were read, checked once it is all in.
struct TGLOBJVectorFile::TFaceCheck {
    struct TReference {
        int32_t LineNo = 0; // 0: none
        int32_t Written = 0;
        int32_t Index = 0;
    };
    // Per list, the references past its end at their time, each naming a higher entry than the one before it:
    // a lower one fails only where an earlier one fails too.
    std::array<std::vector<TReference>, 3> Ahead;
    // Per list, the first reference that names no entry whatever is read later.
    std::array<TReference, 3> Before;

    // A corner's part as written and made 0-based: a count back past the start, or a corner without a vertex,
    // can never name an entry.
    void Note(TCornerPart part, int32_t lineNo, int32_t written, int32_t index, int32_t count)
    {
        if (written < 0 ? index < 0 : written == 0 && part == cpVertex) {
            if (Before[part].LineNo == 0) Before[part] = {lineNo, written, index};
        } else if (index >= count && (Ahead[part].empty() || index > Ahead[part].back().Index)) {
            Ahead[part].push_back({lineNo, written, index});
        }
    }
};

TGLOBJVectorFile::TGLOBJVectorFile(TPersistent* AOwner) : TGLVectorFile(AOwner) {}

TGLOBJVectorFile::~TGLOBJVectorFile() = default;

void TGLOBJVectorFile::Error(const std::string& message) const
{
    throw EGLOBJFileError(message, FLineNo);
}

bool TGLOBJVectorFile::FillBuffer()
{
    FBufPos = 0;
    FBufLen = 0;
    if (FBytesLeft <= 0) return false;
    const int64_t read = FSourceStream->Read(FBuffer.get(), std::min(FBytesLeft, cChunkSize));
    FBufLen = static_cast<size_t>(std::max<int64_t>(read, 0));
    // A stream that ends early ends the file.
    FBytesLeft = FBufLen > 0 ? FBytesLeft - read : 0;
    return FBufLen > 0;
}

std::string_view TGLOBJVectorFile::ReadLine()
{
    FLine.clear();
    ++FLineNo;
    for (;;) {
        if (FBufPos >= FBufLen && !FillBuffer()) {
            FEof = true;
            return FLine;
        }
        const char* data = FBuffer.get();
        // One more CR or LF directly after a line end belongs to it: CR LF, LF CR, CR CR and LF LF each end one
        // line, so an empty line between two LFs is not counted.
        if (FLineEnd) {
            const char next = data[FBufPos];
            if (next == '\r' || next == '\n') ++FBufPos;
            FLineEnd = 0;
            continue;
        }
        // The first LF, or a CR before it.
        const char* lf = static_cast<const char*>(std::memchr(data + FBufPos, '\n', FBufLen - FBufPos));
        const size_t lfAt = lf ? static_cast<size_t>(lf - data) : FBufLen;
        const char* cr = static_cast<const char*>(std::memchr(data + FBufPos, '\r', lfAt - FBufPos));
        const size_t end = cr ? static_cast<size_t>(cr - data) : lfAt;
        const std::string_view part(data + FBufPos, end - FBufPos);
        FBufPos = end;
        if (end == FBufLen) {
            FLine += part; // the line goes on in the next chunk
            continue;
        }
        FLineEnd = data[end];
        ++FBufPos;
        if (FLine.empty()) return part;
        FLine += part;
        return FLine;
    }
}

void TGLOBJVectorFile::ReadVector(std::string_view values, int32_t maxCount, float* result)
{
    for (int32_t i = 0; i < maxCount && !values.empty(); ++i) {
        const std::string_view token = NextWord(values);
        if (!TokenToSingle(token, result[i])) Error(Format("'%s' is not a valid floating-point constant.", {token}));
    }
}

void TGLOBJVectorFile::ReadCorners(std::string_view corners)
{
    const int32_t counts[] = {FMeshObject->Vertices()->Count(), FMeshObject->TexCoords()->Count(),
                              FMeshObject->Normals()->Count()};
    // Corners are separated by blanks, their parts by "/"; the first three parts count.
    const char* p = corners.data();
    const char* const end = p + corners.size();
    while (p < end) {
        int32_t written[3] = {0, 0, 0};
        for (int part = 0;; ++part) {
            const int32_t value = ScanPart(p, end);
            if (part < 3) written[part] = value;
            if (p == end || *p != '/') break;
            // Control characters after a "/" belong to no part.
            for (++p; p < end && IsBlank(*p) && *p != ' ' && *p != '\t';) ++p;
        }
        while (p < end && IsBlank(*p)) ++p;
        int32_t index[3];
        for (const TCornerPart part : {cpVertex, cpTexCoord, cpNormal}) {
            index[part] = ListIndex(written[part], counts[part]);
            FFaceCheck->Note(part, FLineNo, written[part], index[part], counts[part]);
        }
        FCurrentFaceGroup->Add(index[cpVertex], index[cpNormal], index[cpTexCoord]);
    }
}

void TGLOBJVectorFile::SetCurrentFaceGroup(const std::string& aName, const std::string& aMaterial)
{
    const std::string key = UpperCase(aName);
    const auto found = FGroupsByName.find(key);
    if (found != FGroupsByName.end()) {
        TOBJFGVertexNormalTexIndexList* group = found->second;
        if (group->Name() == aName && group->MaterialName() == aMaterial &&
            group->PolygonVertices()->Count() == 0) {
            FCurrentFaceGroup = group;
            return;
        }
    }
    auto* group = new TOBJFGVertexNormalTexIndexList(FMeshObject->FaceGroups());
    group->SetName(aName);
    group->SetMode(objfgmmPolygons);
    group->SetMaterialName(aMaterial);
    FGroupsByName[key] = group;
    FCurrentFaceGroup = group;
}

void TGLOBJVectorFile::UseMaterial(const std::string& materialName)
{
    TGLMaterialLibrary* library = Owner()->MaterialLibrary();
    // A material without a name is no material (and makes no library entry).
    if (!library || materialName.empty()) {
        FCurrentMaterialName.clear();
        return;
    }
    if (!library->LibMaterialByName(materialName)) CreateMaterial(*library, materialName);
    FCurrentMaterialName = materialName;
}

const TGLMTLFile* TGLOBJVectorFile::MaterialFile(TGLMaterialLibrary& library)
{
    const std::string fileName = library.TexturePaths().empty()
                                     ? FMaterialLibFileName
                                     : IncludeTrailingPathDelimiter(library.TexturePaths()) + FMaterialLibFileName;
    if (FMTLFileRead && fileName == FMTLFileName) return FMTLFile.get();
    FMTLFileRead = true;
    FMTLFileName = fileName;
    FMTLFile.reset();
    try {
        const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone);
        auto mtl = std::make_unique<TGLMTLFile>();
        mtl->LoadFromStream(*stream);
        mtl->Prepare();
        FMTLFile = std::move(mtl);
    } catch (const Exception&) {
        // Materials without their file keep the defaults.
    }
    return FMTLFile.get();
}

void TGLOBJVectorFile::CreateMaterial(TGLMaterialLibrary& library, const std::string& materialName)
{
    TGLLibMaterial* libMat = library.Materials()->Add();
    libMat->SetName(materialName);
    const TGLMTLFile* mtl = MaterialFile(library);
    if (!mtl) return;
    TGLMaterial& material = *libMat->Material();
    TGLFaceProperties& front = *material.FrontProperties();
    front.Ambient()->SetColor(mtl->MaterialVectorProperty(materialName, "Ka", {{{0.2f, 0.2f, 0.2f, 1}}}));
    TVector4f diffuse = mtl->MaterialVectorProperty(materialName, "Kd", {{{0.8f, 0.8f, 0.8f, 1}}});
    diffuse.W = static_cast<float>(TextToFloatDef(mtl->MaterialStringProperty(materialName, "d"), 1));
    front.Diffuse()->SetColor(diffuse);
    if (diffuse.W < 1) material.SetBlendingMode(bmTransparency);
    switch (StrToIntDef(mtl->MaterialStringProperty(materialName, "illum"), 1)) {
    case 0: material.SetMaterialOptions({moNoLighting}); break;
    case 1: break;
    case 2: front.Specular()->SetColor(mtl->MaterialVectorProperty(materialName, "Ks", {})); break;
    default:
        material.SetMaterialOptions({moNoLighting});
        front.Diffuse()->SetColor(0.8f, 0.8f, 0.8f, 1);
    }
    front.SetShininess(StrToIntDef(mtl->MaterialStringProperty(materialName, "Ns"), 1));
    LoadMaterialTextures(library, *libMat, *mtl, materialName);
}

void TGLOBJVectorFile::LoadMaterialTextures(TGLMaterialLibrary& library, TGLLibMaterial& libMat,
                                            const TGLMTLFile& mtl, const std::string& materialName)
{
    const std::string diffuseMap = mtl.MaterialStringProperty(materialName, "map_Kd");
    if (!diffuseMap.empty()) {
        TGLTexture& texture = *libMat.Material()->Texture();
        LoadModelTexture(*Owner(), texture, diffuseMap);
        texture.SetTextureMode(tmModulate);
    }
    const std::string lightMap = mtl.MaterialStringProperty(materialName, "map_Ke");
    if (lightMap.empty()) return;
    // A library material of the lightmap's name is taken as it is.
    const std::string lightMapName = materialName + "_lm";
    TGLLibMaterial* lightMapMaterial = library.LibMaterialByName(lightMapName);
    if (!lightMapMaterial) {
        lightMapMaterial = library.Materials()->Add();
        lightMapMaterial->SetName(lightMapName);
        TGLTexture& texture = *lightMapMaterial->Material()->Texture();
        LoadModelTexture(*Owner(), texture, lightMap);
        texture.SetMinFilter(miLinear);
        texture.SetTextureWrap(twNone);
        texture.SetTextureFormat(TGLTextureFormat::tfRGB);
        texture.SetTextureMode(tmModulate);
    }
    libMat.SetTexture2Name(lightMapName);
}

void TGLOBJVectorFile::CheckFaceIndices() const
{
    const int32_t counts[] = {FMeshObject->Vertices()->Count(), FMeshObject->TexCoords()->Count(),
                              FMeshObject->Normals()->Count()};
    const TFaceCheck::TReference* failed = nullptr;
    TCornerPart failedPart = cpVertex;
    const auto consider = [&](const TFaceCheck::TReference* reference, TCornerPart part) {
        if (reference && reference->LineNo != 0 && (!failed || reference->LineNo < failed->LineNo)) {
            failed = reference;
            failedPart = part;
        }
    };
    for (const TCornerPart part : {cpVertex, cpTexCoord, cpNormal}) {
        consider(&FFaceCheck->Before[part], part);
        const auto& ahead = FFaceCheck->Ahead[part];
        const auto beyond = std::find_if(ahead.begin(), ahead.end(), [&](const TFaceCheck::TReference& reference) {
            return reference.Index >= counts[part];
        });
        if (beyond != ahead.end()) consider(&*beyond, part);
    }
    if (failed)
        throw EGLOBJFileError(Format("%s index %d out of range.", {cCornerPartNames[failedPart], failed->Written}),
                              failed->LineNo);
}

void TGLOBJVectorFile::CalcMissingOBJNormals()
{
    const TVector3f* vertices = FMeshObject->Vertices()->List();
    TAffineVectorList& normals = *FMeshObject->Normals();
    TGLFaceGroups& groups = *FMeshObject->FaceGroups();
    for (int32_t g = 0; g < groups.Count(); ++g) {
        auto* group = dynamic_cast<TOBJFGVertexNormalTexIndexList*>(groups.Items(g));
        if (!group || group->Mode() != objfgmmPolygons) continue;
        const int32_t* vertexIndices = group->VertexIndices()->List();
        int32_t* normalIndices = group->NormalIndices()->List();
        const TIntegerList& polygons = *group->PolygonVertices();
        int32_t first = 0;
        for (int32_t p = 0; p < polygons.Count(); ++p) {
            const int32_t n = polygons.List()[p];
            for (int32_t k = 0; k < n; ++k) {
                if (normalIndices[first + k] >= 0) continue;
                const TVector3f& before = vertices[vertexIndices[first + (k + n - 1) % n]];
                const TVector3f& corner = vertices[vertexIndices[first + k]];
                const TVector3f& after = vertices[vertexIndices[first + (k + 1) % n]];
                TVector3f normal;
                AffineTriangleNormal(before, corner, after, normal);
                normalIndices[first + k] = normals.Add(normal);
            }
            first += n;
        }
    }
}

void TGLOBJVectorFile::LoadFromStream(TStream& aStream)
{
    FSourceStream = &aStream;
    // Asking a file for its size costs seeks: once per load is enough.
    FBytesLeft = aStream.Size() - aStream.Position();
    if (!FBuffer) FBuffer.reset(new char[cChunkSize]);
    FBufPos = FBufLen = 0;
    FLineEnd = 0;
    FLineNo = 0;
    FEof = false;
    FMeshObject = new TGLMeshObject(Owner()->MeshObjects());
    FMeshObject->SetMode(momFaceGroups);
    FCurrentFaceGroup = nullptr;
    FGroupsByName.clear();
    FCurrentMaterialName.clear();
    FMaterialLibFileName.clear();
    FFaceCheck = std::make_unique<TFaceCheck>();
    FMTLFileRead = false;
    FMTLFile.reset();

    while (!FEof) {
        std::string_view rest = ReadLine();
        // A line of blanks and tabs alone is as empty as an empty one.
        if (rest.find_first_not_of(" \t") == std::string_view::npos || rest[0] == '#' || rest[0] == '$') continue;
        const std::string_view command = NextWord(rest);
        if (IsCommand(command, "V")) {
            float v[4] = {0, 0, 0, 0};
            ReadVector(rest, 4, v);
            FMeshObject->Vertices()->Add(v[0], v[1], v[2]);
        } else if (IsCommand(command, "VT")) {
            float v[3] = {0, 0, 0};
            ReadVector(rest, 3, v);
            FMeshObject->TexCoords()->Add(v[0], v[1], 0.0f);
        } else if (IsCommand(command, "VN")) {
            float v[3] = {0, 0, 0};
            ReadVector(rest, 3, v);
            FMeshObject->Normals()->Add(v[0], v[1], v[2]);
        } else if (IsCommand(command, "F")) {
            if (rest.empty()) continue;
            if (!FCurrentFaceGroup) SetCurrentFaceGroup("", FCurrentMaterialName);
            // A face inside a strip has no polygon to close.
            if (FCurrentFaceGroup->Mode() != objfgmmPolygons) Error("f-line after t-line.");
            ReadCorners(rest);
            FCurrentFaceGroup->PolygonComplete();
        } else if (IsCommand(command, "G")) {
            SetCurrentFaceGroup(std::string(NextWord(rest)), FCurrentMaterialName);
        } else if (IsCommand(command, "USEMTL")) {
            UseMaterial(std::string(NextWord(rest)));
            SetCurrentFaceGroup(FCurrentFaceGroup ? FCurrentFaceGroup->Name() : std::string(), FCurrentMaterialName);
        } else if (IsCommand(command, "MTLLIB")) {
            FMaterialLibFileName = NextWord(rest);
        } else if (IsCommand(command, "T")) {
            FCurrentFaceGroup = new TOBJFGVertexNormalTexIndexList(FMeshObject->FaceGroups());
            ReadCorners(rest);
        } else if (IsCommand(command, "Q")) {
            // A continuation belongs to a strip: corners added to a polygon group would join its next face.
            if (!FCurrentFaceGroup || FCurrentFaceGroup->Mode() != objfgmmTriangleStrip)
                Error("q-line without preceding t-line.");
            ReadCorners(rest);
        } else if (!IsCommand(command, "VP") && !IsCommand(command, "O") && !IsCommand(command, "S")) {
            Error("Unsupported Command '" + UpperCase(command) + "'");
        }
    }
    CheckFaceIndices();
    FMeshObject->FaceGroups()->SortByMaterial();
    CalcMissingOBJNormals();
}

void TGLOBJVectorFile::SaveToStream(TStream& aStream)
{
    Assert(dynamic_cast<TGLFreeForm*>(Owner()) != nullptr, "Can only save FreeForms.", cUnit);
    TGLMeshObjectList& meshObjects = *Owner()->MeshObjects();
    std::string text;
    const auto line = [&text](std::string_view s) {
        text += s;
        text += "\r\n";
    };
    // One list of every mesh object per section, after the mesh objects' numbers.
    const auto section = [&](TAffineVectorList* (TGLMeshObject::*listOf)() const, const char* itemFormat,
                             bool twoComponents, const char* totalFormat) {
        int32_t total = 0;
        for (int32_t k = 0; k < meshObjects.Count(); ++k) {
            line(Format("# Mesh %d", {k + 1}));
            const TAffineVectorList& list = *(meshObjects.Items(k)->*listOf)();
            for (int32_t i = 0; i < list.Count(); ++i) {
                const TVector3f& v = list.List()[i];
                line(twoComponents ? Format(itemFormat, {double(v.X), double(v.Y)})
                                   : Format(itemFormat, {double(v.X), double(v.Y), double(v.Z)}));
            }
            total += list.Count();
        }
        line(Format(totalFormat, {total}));
        line("");
    };
    line("# OBJ-File exported by VAVodad");
    line("");
    section(&TBaseMeshObject::Vertices, "v %g %g %g", false, "# %d Vertices");
    section(&TBaseMeshObject::Normals, "vn %g %g %g", false, "# %d Normals");
    section(&TGLMeshObject::TexCoords, "vt %g %g", true, "# %d Texture-Coordinates");

    // Each list's entries are numbered on from those of the mesh objects written before.
    int32_t vertexOffset = 0, texCoordOffset = 0, normalOffset = 0;
    for (int32_t k = 0; k < meshObjects.Count(); ++k) {
        TGLMeshObject& meshObject = *meshObjects.Items(k);
        const std::string groupLine = "g " + (meshObject.Name().empty() ? Format("Mesh%d", {k + 1}) : meshObject.Name());
        line(groupLine);
        const bool texCoordPerVertex = meshObject.TexCoords()->Count() == meshObject.Vertices()->Count();
        TGLFaceGroups& groups = *meshObject.FaceGroups();
        // Faces after a strip need a group of their own again.
        bool inStrip = false;
        for (int32_t j = 0; j < groups.Count(); ++j) {
            auto* group = dynamic_cast<TOBJFGVertexNormalTexIndexList*>(groups.Items(j));
            const bool strip = group && group->Mode() == objfgmmTriangleStrip;
            if (inStrip && !strip) line(groupLine);
            inStrip = strip;
            line(Format("s %d", {j + 1}));
            if (group) {
                const int32_t* v = group->VertexIndices()->List();
                const int32_t count = group->VertexIndices()->Count();
                const auto entry = [](const TIntegerList& list, int32_t i, int32_t offset) {
                    const int32_t index = i < list.Count() ? list.List()[i] : -1;
                    return index < 0 ? -1 : index + offset;
                };
                const auto item = [&](int32_t i) {
                    return CornerItem(v[i] + vertexOffset, entry(*group->TexCoordIndices(), i, texCoordOffset),
                                      entry(*group->NormalIndices(), i, normalOffset)) +
                           " ";
                };
                // A strip stays one strip.
                if (strip) {
                    std::string face = "t ";
                    for (int32_t i = 0; i < count; ++i) face += item(i);
                    line(face);
                } else {
                    const TIntegerList& polygons = *group->PolygonVertices();
                    int32_t first = 0;
                    for (int32_t p = 0; p < polygons.Count() && polygons.List()[p] <= count - first; ++p) {
                        std::string face = "f ";
                        for (int32_t i = first; i < first + polygons.List()[p]; ++i) face += item(i);
                        first += polygons.List()[p];
                        line(face);
                    }
                }
                line("");
            } else if (auto* indexList = dynamic_cast<TFGVertexIndexList*>(groups.Items(j))) {
                const int32_t* idx = indexList->VertexIndices()->List();
                const int32_t count = indexList->VertexIndices()->Count();
                // Each vertex's texture coordinate, when every vertex has one, is the one of the same number.
                const auto item = [&](int32_t i) {
                    const std::string vertex = IntToStr(idx[i] + vertexOffset + 1);
                    return texCoordPerVertex ? vertex + "/" + IntToStr(idx[i] + texCoordOffset + 1) : vertex;
                };
                const auto face = [&](std::initializer_list<int32_t> positions) {
                    std::string result = "f";
                    for (const int32_t i : positions) result += " " + item(i);
                    line(result);
                };
                switch (indexList->Mode()) {
                case fgmmTriangles:
                case fgmmFlatTriangles:
                    for (int32_t i = 0; i + 2 < count; i += 3) face({i, i + 1, i + 2});
                    break;
                case fgmmTriangleStrip:
                    // Every other triangle of a strip turns the other way.
                    for (int32_t i = 0; i + 2 < count; ++i)
                        if (i % 2 == 0)
                            face({i, i + 1, i + 2});
                        else
                            face({i + 1, i, i + 2});
                    break;
                case fgmmTriangleFan: {
                    std::string fan = "f";
                    for (int32_t i = 0; i < count; ++i) fan += " " + item(i);
                    if (count > 0) line(fan);
                    break;
                }
                case fgmmQuads:
                    for (int32_t i = 0; i + 3 < count; i += 4) face({i, i + 1, i + 2, i + 3});
                    break;
                }
            } else {
                AssertionFailed("", cUnit);
            }
        }
        vertexOffset += meshObject.Vertices()->Count();
        texCoordOffset += meshObject.TexCoords()->Count();
        normalOffset += meshObject.Normals()->Count();
    }
    aStream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

// ---------------------------------------------------------------------------------------------------------

void RegisterGLFileOBJ()
{
    RegisterVectorFileFormat<TGLOBJVectorFile>("obj", "WaveFront model file");
    RegisterVectorFileFormat<TGLOBJVectorFile>("objf", "Stripe model file");
    RegisterClass<TOBJFGVertexNormalTexIndexList>();
}
