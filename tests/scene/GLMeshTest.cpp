// The raw mesh and its vertex list: growth, index checks on every indexed access, change notification (also
// for Translate), interpolation, locking into (fake) driver memory, the dimension cache, flat normals per
// mode, and on the recording fake OpenGL the arrays each vertex mode declares, the texture-only layout
// included.
#include "GLMesh.h"

#include "Raises.h"
#include "RecordingDrawFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

namespace {

const std::string cAssertion = "Assertion failure (VAVodad\\Source\\GLMesh)";

class CountingOwner : public TGLUpdateAbleObject {
public:
    CountingOwner() : TGLUpdateAbleObject(nullptr) {}
    void NotifyChange(TObject*) override { ++Heard; }
    int Heard = 0;
};

TVertexData Vertex(float x, float y, float z)
{
    return TVertexData{{0, 0}, {{{0, 0, 0, 1}}}, {{{0, 0, 1}}}, {{{x, y, z}}}};
}

void ExpectVector(const TVector3f& actual, float x, float y, float z, const std::string& what)
{
    EXPECT_NEAR(actual.X, x, 1e-6f) << what;
    EXPECT_NEAR(actual.Y, y, 1e-6f) << what;
    EXPECT_NEAR(actual.Z, z, 1e-6f) << what;
}

TEST(GLVertexList, GrowsAddsAndTellsItsOwner)
{
    CountingOwner owner;
    TGLVertexList list(&owner);
    list.SetGrowth(4);
    EXPECT_EQ(list.Growth(), 16);
    list.AddVertex(TVector3f{{{1, 2, 3}}}, TVector3f{{{0, 1, 0}}});
    EXPECT_EQ(list.Capacity(), 16);
    EXPECT_EQ(list.VertexColor(0).W, 1);
    EXPECT_EQ(list.VertexTexCoord(0).S, 0);
    list.AddVertex3(Vertex(1, 0, 0), Vertex(2, 0, 0), Vertex(3, 0, 0));
    list.DuplicateVertex(2);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.VertexCoord(4).X, 2);
    EXPECT_EQ(owner.Heard, 3);

    // Every change but Assign notifies: Translate too, so a mesh's dimensions follow.
    list.Translate(TVector3f{{{1, 1, 1}}});
    EXPECT_EQ(owner.Heard, 4);
    ExpectVector(list.SumVertexCoords(), 1 + 1 + 2 + 3 + 2 + 5, 2 + 5, 3 + 5, "sum");

    list.SetVertexNormal(0, TVector3f{{{0, 3, 4}}});
    list.NormalizeNormals();
    ExpectVector(list.VertexNormal(0), 0, 0.6f, 0.8f, "normalised normal");
    ExpectVector(list.VertexCoord(0), 2, 3, 4, "coordinates kept");

    TGLVertexList copy(nullptr);
    copy.Assign(&list);
    EXPECT_EQ(copy.Count(), 5);
    EXPECT_EQ(copy.Capacity(), 5);
    copy.SetCapacity(2);
    EXPECT_EQ(copy.Capacity(), 5);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    TVector3f min, max;
    list.GetExtents(min, max);
    EXPECT_GT(min.X, max.X);
}

TEST(GLVertexList, IndexedAccessStaysInsideTheList)
{
    TGLVertexList list(nullptr);
    list.AddVertex(Vertex(1, 2, 3));
    list.AddVertex(Vertex(4, 5, 6));
    const std::map<std::string, std::function<void(int32_t)>> accesses = {
        {"Vertices", [&](int32_t i) { list.Vertices(i); }},
        {"SetVertices", [&](int32_t i) { list.SetVertices(i, Vertex(0, 0, 0)); }},
        {"VertexCoord", [&](int32_t i) { list.VertexCoord(i); }},
        {"SetVertexCoord", [&](int32_t i) { list.SetVertexCoord(i, TVector3f{}); }},
        {"SetVertexNormal", [&](int32_t i) { list.SetVertexNormal(i, TVector3f{}); }},
        {"SetVertexTexCoord", [&](int32_t i) { list.SetVertexTexCoord(i, TTexPoint{}); }},
        {"SetVertexColor", [&](int32_t i) { list.SetVertexColor(i, TVector4f{}); }},
        {"DuplicateVertex", [&](int32_t i) { list.DuplicateVertex(i); }},
    };
    for (const auto& [name, access] : accesses) {
        for (const int32_t index : {-1, list.Count()})
            EXPECT_EQ(MessageOf<EAssertionFailed>([&] { access(index); }), cAssertion) << name << " " << index;
        EXPECT_EQ(MessageOf<EAssertionFailed>([&] { access(1); }), cNoException) << name;
    }

    TGLVertexList other(nullptr);
    other.AddVertex(Vertex(0, 0, 0));
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { list.CreateInterpolatedCoords(other, 0.5f); }), cAssertion);
    other.AddVertex(Vertex(10, 20, 30));
    TGLVertexList start(nullptr);
    start.AddVertex(Vertex(0, 0, 0));
    start.AddVertex(Vertex(0, 0, 0));
    const std::unique_ptr<TGLVertexList> halfway = start.CreateInterpolatedCoords(other, 0.25f);
    ExpectVector(halfway->VertexCoord(1), 2.5f, 5, 7.5f, "interpolated");
    EXPECT_EQ(halfway->VertexColor(1).W, 1);
}

// Driver memory from the C heap, in place of a driver that offers it.
void* FakeAllocate(GLsizei size, GLfloat, GLfloat, GLfloat)
{
    return std::malloc(size);
}

void FakeFree(void* pointer)
{
    std::free(pointer);
}

class GLMeshDrawing : public RecordingDrawFixture {};

TEST_F(GLMeshDrawing, LockedListsSitInDriverMemoryAndKeepTheirSize)
{
    TGLVertexList list(nullptr);
    list.AddVertex(Vertex(1, 2, 3));
    list.SetLocked(true);
    EXPECT_FALSE(list.Locked()); // this GL has no vertex array range

    GL->Table.NV_vertex_array_range = true;
    GL->Table.WAllocateMemoryNV = reinterpret_cast<TGLProc>(&FakeAllocate);
    GL->Table.WFreeMemoryNV = reinterpret_cast<TGLProc>(&FakeFree);
    TVertexData* ordinary = list.FirstEntry();
    list.SetLocked(true);
    ASSERT_TRUE(list.Locked());
    EXPECT_NE(list.FirstEntry(), ordinary);
    EXPECT_EQ(list.VertexCoord(0).Y, 2);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { list.Clear(); }),
              "Cannot clear a locked list ! (VAVodad\\Source\\GLMesh)");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { list.SetCapacity(40); }),
              "Cannot change locked list capacity ! (VAVodad\\Source\\GLMesh)");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] {
                  for (int i = 0; i < 300; ++i) list.AddVertex(Vertex(0, 0, 0));
              }),
              "Cannot add to a locked list ! (VAVodad\\Source\\GLMesh)");
    list.SetVertexCoord(0, TVector3f{{{7, 8, 9}}});
    list.EnterLockSection();
    list.LeaveLockSection();
    EXPECT_EQ(GL->Count("VertexArrayRangeNV"), 1u);
    EXPECT_EQ(GL->Count("FlushVertexArrayRangeNV"), 1u);

    // What was written while locked survives the unlock.
    list.SetLocked(false);
    EXPECT_FALSE(list.Locked());
    EXPECT_EQ(list.FirstEntry(), ordinary);
    ExpectVector(list.VertexCoord(0), 7, 8, 9, "after unlock");
}

const void* vTexPointer = nullptr;
const void* vVertexPointer = nullptr;
TGLCall vInterleaved;
const void* vInterleavedPointer = nullptr;

TEST_F(GLMeshDrawing, EachVertexModeDeclaresItsArrays)
{
    GL->Table.TexCoordPointer = [](GLint, GLenum, GLsizei, const void* p) { vTexPointer = p; };
    GL->Table.VertexPointer = [](GLint, GLenum, GLsizei, const void* p) { vVertexPointer = p; };
    GL->Table.InterleavedArrays = [](GLenum format, GLsizei stride, const void* p) {
        vInterleaved = GLCall("InterleavedArrays", format, stride);
        vInterleavedPointer = p;
    };
    TGLMesh mesh(nullptr);
    TGLVertexList& v = *mesh.Vertices();
    const auto* base = reinterpret_cast<const char*>(v.FirstEntry());

    const struct {
        TVertexMode Mode;
        GLenum Format;
        GLsizei Stride;
        size_t Offset;
        bool ColorMaterial;
    } cases[] = {
        {vmV, GL_V3F, 48, 36, false},
        {vmVN, GL_N3F_V3F, 48, 24, false},
        {vmVNC, GL_C4F_N3F_V3F, 48, 8, true},
        {vmVNCT, GL_T2F_C4F_N3F_V3F, 0, 0, true},
        {vmVNT, GL_T2F_C4F_N3F_V3F, 0, 0, false},
    };
    for (const auto& c : cases) {
        mesh.SetVertexMode(c.Mode);
        vInterleavedPointer = nullptr;
        Draw(mesh);
        EXPECT_EQ(vInterleaved, GLCall("InterleavedArrays", c.Format, c.Stride)) << c.Mode;
        EXPECT_EQ(vInterleavedPointer, base + c.Offset) << c.Mode;
        EXPECT_EQ(GL->Count("ColorMaterial"), c.ColorMaterial ? 1u : 0u) << c.Mode;
        EXPECT_EQ(GL->Only({"DrawArrays"}), std::vector<TGLCall>{GLCall("DrawArrays", GL_TRIANGLE_STRIP, 0, 3)});
    }

    // Texture points and coordinates each with the record as stride, from their own place in the record.
    mesh.SetVertexMode(vmVT);
    mesh.SetMode(mmTriangles);
    vInterleavedPointer = nullptr;
    Draw(mesh);
    EXPECT_EQ(vInterleavedPointer, nullptr);
    EXPECT_EQ(vTexPointer, base);
    EXPECT_EQ(vVertexPointer, base + 36);
    EXPECT_EQ(GL->Only({"DrawArrays"}), std::vector<TGLCall>{GLCall("DrawArrays", GL_TRIANGLES, 0, 3)});
    // No array is left pointing into the list.
    const std::vector<TGLCall> states = GL->Only({"EnableClientState", "DisableClientState"});
    for (const GLenum array : {GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY}) {
        const auto last = std::find_if(states.rbegin(), states.rend(),
                                       [&](const TGLCall& call) { return call.Args[0] == array; });
        ASSERT_NE(last, states.rend());
        EXPECT_EQ(last->Name, "DisableClientState");
    }
}

TEST(GLMesh, DimensionsFollowTheVertices)
{
    TGLMesh mesh(nullptr);
    ASSERT_EQ(mesh.Vertices()->Count(), 3);
    ExpectVector(mesh.Vertices()->VertexNormal(2), 0, 0, 1, "default normal");
    EXPECT_EQ(mesh.Vertices()->VertexColor(2).W, 0);
    const TVector4f d = mesh.AxisAlignedDimensionsUnscaled();
    ExpectVector(TVector3f{{{d.X, d.Y, d.Z}}}, 1, 1, 1, "default");

    mesh.Vertices()->SetVertexCoord(0, TVector3f{{{-5, 0, 0}}});
    EXPECT_EQ(mesh.AxisAlignedDimensionsUnscaled().X, 5);
    mesh.Vertices()->Translate(TVector3f{{{0, 0, -3}}});
    EXPECT_EQ(mesh.AxisAlignedDimensionsUnscaled().Z, 3);

    TGLMesh copy(nullptr);
    copy.SetMode(mmPolygon);
    copy.Assign(&mesh);
    EXPECT_EQ(copy.Mode(), mmTriangleStrip);
    EXPECT_EQ(copy.AxisAlignedDimensionsUnscaled().X, 5);
    mesh.Vertices()->Clear();
    EXPECT_EQ(mesh.AxisAlignedDimensionsUnscaled().X, 0);
}

TEST(GLMesh, CalcNormalsFollowsTheModesPrimitives)
{
    TGLMesh mesh(nullptr);
    TGLVertexList& v = *mesh.Vertices();
    v.Clear();
    // A strip of two triangles in the XY plane, both counter-clockwise seen from +Z in strip order.
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) v.AddVertex(Vertex(x, y, 0));
    for (int32_t i = 0; i < 4; ++i) v.SetVertexNormal(i, TVector3f{});
    mesh.CalcNormals(fwCounterClockWise);
    ExpectVector(v.VertexNormal(0), 0, 0, 1, "strip 0");
    ExpectVector(v.VertexNormal(1), 0, 0, 1, "strip 1, taken as (v2, v1, v3)");
    ExpectVector(v.VertexNormal(2), 0, 0, 0, "the last two keep theirs");
    mesh.CalcNormals(fwClockWise);
    ExpectVector(v.VertexNormal(1), 0, 0, -1, "clockwise strip 1");

    mesh.SetMode(mmTriangles); // one whole triangle; the fourth vertex is left alone
    mesh.CalcNormals(fwCounterClockWise);
    ExpectVector(v.VertexNormal(2), 0, 0, 1, "triangles");
    ExpectVector(v.VertexNormal(3), 0, 0, 0, "incomplete triangle");

    mesh.SetMode(mmQuads);
    v.SetVertexCoord(3, TVector3f{{{-1, 1, 0}}});
    mesh.CalcNormals(fwClockWise);
    ExpectVector(v.VertexNormal(3), 0, 0, -1, "quads");

    mesh.SetMode(mmPolygon);
    mesh.CalcNormals(fwCounterClockWise);
    ExpectVector(v.VertexNormal(3), 0, 0, 1, "polygon");

    for (const TMeshMode mode : {mmTriangleFan, mmQuadStrip}) {
        mesh.SetMode(mode);
        EXPECT_EQ(MessageOf<EAssertionFailed>([&] { mesh.CalcNormals(fwCounterClockWise); }), cAssertion);
    }
    EXPECT_NE(GetClass("TGLMesh"), nullptr);
}

} // namespace
