// Mesh objects drawn into the recording fake OpenGL (immediate mode, client arrays, buffer objects, material
// walks over face groups, the lightmap unit), and drawn for real on Mesa through each path.
#include "GLVectorFileObjects.h"

#include "../scene/RecordingDrawFixture.h"
#include "../scene/SceneRenderFixture.h"
#include "GLMaterial.h"
#include "GLObjects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

// The values the vector calls send, each call as its name and numbers.
std::vector<std::string>* vSentCalls = nullptr;

void Record(const char* name, const GLfloat* v, int n, double unit = -1)
{
    std::string text = name;
    if (unit >= 0) text += " " + std::to_string(int(unit) - GL_TEXTURE0) + ":";
    for (int i = 0; i < n; ++i) text += " " + std::to_string(int(v[i]));
    vSentCalls->push_back(text);
}

class MeshObjectDrawTest : public RecordingDrawFixture {
protected:
    MeshObjectDrawTest()
    {
        vSentCalls = &SentCalls;
        GL->Table.Vertex3fv = [](const GLfloat* v) { Record("V", v, 3); };
        GL->Table.Normal3fv = [](const GLfloat* v) { Record("N", v, 3); };
        GL->Table.Color4fv = [](const GLfloat* v) { Record("C", v, 4); };
        GL->Table.TexCoord2fv = [](const GLfloat* v) { Record("T", v, 2); };
        GL->Table.MultiTexCoord4fv = [](GLenum unit, const GLfloat* v) { Record("M", v, 4, unit); };
        GL->Table.GenBuffers = [](GLsizei n, GLuint* names) {
            static GLuint next = 0;
            for (GLsizei i = 0; i < n; ++i) names[i] = ++next;
        };
        // Immediate-mode texture coordinates reach unit 0 through the coordinator's routing.
        GetCurrentMultitextureCoordinator()->MapTexCoordToNull();
        GetCurrentMultitextureCoordinator()->MapTexCoordToMain();
    }
    ~MeshObjectDrawTest() override { vSentCalls = nullptr; }

    // n vertices whose x is their index, with normals, texture coordinates and colours of k entries each.
    static void Fill(TGLMeshObject& meshObject, int n, int k)
    {
        for (int i = 0; i < n; ++i) meshObject.Vertices()->Add(P(float(i), 1, 2));
        for (int i = 0; i < k; ++i) {
            meshObject.Normals()->Add(P(0, 0, 1));
            meshObject.TexCoords()->Add(P(float(i), 7, 0));
            meshObject.Colors()->Add(TVector4f{{{float(i), 1, 0, 1}}});
        }
    }

    void DrawMesh(TGLMeshObject& meshObject)
    {
        SentCalls.clear();
        GL->Calls.clear();
        meshObject.BuildList(Rci);
    }

    std::vector<std::string> SentCalls;
};

} // namespace

TEST_F(MeshObjectDrawTest, ImmediateModeSendsWhatCoversEveryVertex)
{
    const struct {
        int lists; // entries in normals, texture coordinates and colours
        std::vector<std::string> sent;
        size_t colourMaterial;
    } cases[] = {
        {3, {"N 0 0 1", "C 0 1 0 1", "T 0 7", "V 0 1 2", "N 0 0 1", "C 1 1 0 1", "T 1 7", "V 1 1 2", "N 0 0 1",
             "C 2 1 0 1", "T 2 7", "V 2 1 2"},
         1},
        {2, {"V 0 1 2", "V 1 1 2", "V 2 1 2"}, 0},
    };
    for (const auto& c : cases) {
        TGLMeshObject meshObject;
        Fill(meshObject, 3, c.lists);
        DrawMesh(meshObject);
        EXPECT_EQ(SentCalls, c.sent);
        EXPECT_EQ(GL->Count("ColorMaterial"), c.colourMaterial);
        EXPECT_EQ(GL->Only({"Begin", "End"}), (std::vector<TGLCall>{GLCall("Begin", GL_TRIANGLES), GLCall("End")}));
        // The immediate path declares no arrays.
        EXPECT_EQ(GL->Count("EnableClientState") + GL->Count("DisableClientState"), 0u);
    }
    // Per-vertex colours drive the material.
    EXPECT_EQ(Cache->States().Contains(stColorMaterial), true);
}

TEST_F(MeshObjectDrawTest, ExtraSetsGoToTheirUnitsAndSetZeroReplacesTheTextureCoordinates)
{
    TGLMeshObject meshObject;
    meshObject.SetMode(momTriangleStrip);
    Fill(meshObject, 2, 2);
    meshObject.Normals()->Clear();
    meshObject.Colors()->Clear();
    meshObject.TexCoordsEx(0)->Add(5, 5, 5, 5);
    meshObject.TexCoordsEx(0)->Add(6, 6, 6, 6);
    meshObject.TexCoordsEx(1)->Add(8, 8, 8, 8); // does not cover both vertices
    meshObject.TexCoordsEx(2)->Add(1, 2, 3, 4);
    meshObject.TexCoordsEx(2)->Add(4, 3, 2, 1);
    DrawMesh(meshObject);
    EXPECT_EQ(SentCalls, (std::vector<std::string>{"M 0: 5 5 5 5", "M 2: 1 2 3 4", "V 0 1 2", "M 0: 6 6 6 6",
                                                   "M 2: 4 3 2 1", "V 1 1 2"}));
    EXPECT_EQ(GL->Only({"Begin"}), (std::vector<TGLCall>{GLCall("Begin", GL_TRIANGLE_STRIP)}));

    // Without multitexturing the texture coordinates serve.
    GL->Table.ARB_multitexture = false;
    DrawMesh(meshObject);
    EXPECT_EQ(SentCalls, (std::vector<std::string>{"T 0 7", "V 0 1 2", "T 1 7", "V 1 1 2"}));
}

TEST_F(MeshObjectDrawTest, FaceGroupsDrawFromArraysThatCoverEveryVertexAndReleaseThem)
{
    TGLMeshObject meshObject;
    meshObject.SetMode(momFaceGroups);
    Fill(meshObject, 4, 4);
    meshObject.Normals()->Delete(3); // too short to be declared
    for (const auto& indices : {std::vector<int32_t>{0, 1, 2}, std::vector<int32_t>{1, 2, 3, 0, 1, 2}}) {
        auto* group = new TFGVertexIndexList(meshObject.FaceGroups());
        group->VertexIndices()->AddIntegers(indices.data(), int32_t(indices.size()));
    }
    DrawMesh(meshObject);

    // No buffer objects in this context: the mesh object keeps its arrays in its own memory from now on.
    EXPECT_FALSE(meshObject.UseVBO());
    EXPECT_EQ(GL->Count("NormalPointer"), 0u);
    EXPECT_EQ(GL->Only({"ColorPointer", "VertexPointer", "TexCoordPointer"}),
              (std::vector<TGLCall>{GLCall("ColorPointer", 4, GL_FLOAT, 0, 0), GLCall("TexCoordPointer", 2, GL_FLOAT, 12, 0),
                                    GLCall("VertexPointer", 3, GL_FLOAT, 0, 0)}));
    const std::vector<TGLCall> draws = GL->Only({"DrawElements"});
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].Args[1], 3);
    EXPECT_EQ(draws[1].Args[1], 6);
    // Every array enabled is disabled again at the end.
    const std::vector<TGLCall> states = GL->Only({"EnableClientState", "DisableClientState"});
    for (const GLenum array : {GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY}) {
        const auto last = std::find_if(states.rbegin(), states.rend(),
                                       [array](const TGLCall& c) { return c.Args[0] == double(array); });
        ASSERT_NE(last, states.rend()) << array;
        EXPECT_EQ(last->Name, "DisableClientState") << array;
    }
    EXPECT_FALSE(meshObject.ArraysDeclared());
}

namespace {

// A group that fails after the arrays were declared for it.
class TFailingGroup : public TFGVertexIndexList {
public:
    using TFGVertexIndexList::TFGVertexIndexList;
    void BuildList(TGLRenderContextInfo& mrci) override
    {
        MeshObject()->SetupVertexArrays(mrci, false);
        AssertionFailed("failing group", "test");
    }
};

} // namespace

TEST_F(MeshObjectDrawTest, ADrawThatFailsReleasesItsArrays)
{
    TGLMeshObject meshObject;
    meshObject.SetMode(momFaceGroups);
    Fill(meshObject, 3, 3);
    new TFailingGroup(meshObject.FaceGroups());
    EXPECT_THROW(DrawMesh(meshObject), EAssertionFailed);
    EXPECT_FALSE(meshObject.ArraysDeclared());
    EXPECT_EQ(GL->Only({"DisableClientState"}).front(), GLCall("DisableClientState", GL_VERTEX_ARRAY));
}

TEST_F(MeshObjectDrawTest, BuffersAreFilledOnceAndAgainWhenMarkedStale)
{
    GL->Table.ARB_vertex_buffer_object = true;
    TGLMeshObject meshObject;
    meshObject.SetMode(momFaceGroups);
    Fill(meshObject, 3, 3);
    meshObject.LightMapTexCoords()->Add(P(0, 0, 0), P(1, 0, 0), P(1, 1, 0));
    meshObject.TexCoordsEx(0)->AddNulls(3);
    auto* group = new TFGVertexIndexList(meshObject.FaceGroups());
    group->VertexIndices()->AddIntegers({0, 1, 2});

    const auto bufferSizes = [&] {
        std::vector<double> sizes;
        for (const TGLCall& call : GL->Only({"BufferData"})) sizes.push_back(call.Args[1]);
        return sizes;
    };
    DrawMesh(meshObject);
    EXPECT_TRUE(meshObject.UseVBO());
    // Vertices, normals, colours, texture coordinates, lightmap, extra set 0 (its own buffer), indices.
    EXPECT_EQ(bufferSizes(), (std::vector<double>{36, 36, 48, 36, 36, 48, 12}));
    // Pointers are offsets into the bound buffers.
    EXPECT_EQ(GL->Only({"VertexPointer"}), (std::vector<TGLCall>{GLCall("VertexPointer", 3, GL_FLOAT, 0, 0)}));

    DrawMesh(meshObject);
    EXPECT_EQ(bufferSizes(), (std::vector<double>{36})); // only the lightmap coordinates each time
    meshObject.Prepare();
    DrawMesh(meshObject);
    EXPECT_EQ(bufferSizes().size(), 6u); // the index buffer was not changed

    // Compiled into a display list, the arrays leave the buffers for good.
    Cache->NewList(1, GL_COMPILE);
    DrawMesh(meshObject);
    Cache->EndList();
    EXPECT_FALSE(meshObject.UseVBO());
    EXPECT_EQ(GL->Count("BufferData"), 0u);
}

namespace {

// What a material walk did: the materials applied, "+" for each further pass, and the index count of each
// group drawn.
std::string* vWalk = nullptr;

// Marks its library material's applications in the walk; asks for passes - 1 further passes.
class TProbeShader : public TGLShader {
public:
    TProbeShader(std::string name, int passes) : TGLShader(nullptr), FName(std::move(name)), FPasses(passes)
    {
        SetShaderStyle(ssLowLevel);
    }

protected:
    void DoApply(TGLRenderContextInfo&, TObject*) override
    {
        *vWalk += FName + " ";
        FPass = 1;
    }
    bool DoUnApply(TGLRenderContextInfo&) override
    {
        if (FPass == FPasses) return false;
        ++FPass;
        *vWalk += "+ ";
        return true;
    }

private:
    std::string FName;
    int FPasses;
    int FPass = 0;
};

} // namespace

TEST_F(MeshObjectDrawTest, MaterialRunsAreDrawnUnderOneApplicationAndGroupingGathersThem)
{
    std::string walk;
    vWalk = &walk;
    GL->Table.DrawElements = [](GLenum, GLsizei count, GLenum, const void*) { *vWalk += std::to_string(count) + " "; };
    auto* library = new TGLMaterialLibrary(nullptr);
    TProbeShader shaderA("A", 2), shaderB("B", 1);
    for (auto [name, shader] : {std::pair{"A", &shaderA}, std::pair{"B", &shaderB}}) {
        TGLLibMaterial* material = library->Materials()->Add();
        material->SetName(name);
        material->SetShader(shader);
    }
    TGLMeshObject meshObject;
    meshObject.SetMode(momFaceGroups);
    Fill(meshObject, 3, 3);
    for (const auto& [name, count] : {std::pair{"A", 3}, std::pair{"B", 6}, std::pair{"A", 9}, std::pair{"", 1}}) {
        auto* group = new TFGVertexIndexList(meshObject.FaceGroups());
        group->SetMaterialName(name);
        for (int i = 0; i < count; ++i) group->Add(i % 3);
    }
    meshObject.PrepareMaterialLibraryCache(library);
    Rci.materialLibrary = library;
    Rci.bufferFaceCull = true;

    // Material A asks for two passes: each pass draws its run again.
    DrawMesh(meshObject);
    EXPECT_EQ(walk, "A 3 + 3 B 6 A 9 + 9 1 ");
    EXPECT_TRUE(Cache->EnableCullFace());

    // Grouped, each material's groups are drawn together, on every pass, draw after draw.
    meshObject.SetRenderingOptions({moroGroupByMaterial});
    for (int draw = 0; draw < 2; ++draw) {
        walk.clear();
        DrawMesh(meshObject);
        EXPECT_EQ(walk, "A 3 9 + 3 9 B 6 1 ") << draw;
    }

    // Without a library in the frame the groups draw as they come, without materials.
    Rci.materialLibrary = nullptr;
    walk.clear();
    DrawMesh(meshObject);
    EXPECT_EQ(walk, "3 6 9 1 ");
    meshObject.DropMaterialLibraryCache();
    Free(library);
    vWalk = nullptr;
}

TEST_F(MeshObjectDrawTest, TheLightmapUnitNeedsDeclaredArraysAndIsSwitchedOffWithThem)
{
    TGLMeshObject meshObject;
    Fill(meshObject, 3, 3);
    EXPECT_THROW(meshObject.EnableLightmapUnit(Rci), EAssertionFailed);
    meshObject.SetupVertexArrays(Rci, false);
    GL->Calls.clear();
    meshObject.EnableLightmapUnit(Rci);
    meshObject.EnableLightmapUnit(Rci);
    EXPECT_EQ(GL->Only({"ActiveTexture", "Enable"}),
              (std::vector<TGLCall>{GLCall("ActiveTexture", GL_TEXTURE1), GLCall("Enable", GL_TEXTURE_2D),
                                    GLCall("ActiveTexture", GL_TEXTURE0)}));
    GL->Calls.clear();
    meshObject.ReleaseVertexArrays(Rci);
    EXPECT_EQ(GL->Count("Disable"), 1u);
    EXPECT_FALSE(meshObject.ArraysDeclared());
}

TEST_F(MeshObjectDrawTest, DeclaredTextureCoordinatesFollowTheMaterialsUnits)
{
    TGLMeshObject meshObject;
    Fill(meshObject, 3, 3);
    meshObject.SetupVertexArrays(Rci, false);
    GL->Calls.clear();
    meshObject.SetupVertexArrays(Rci, false);
    EXPECT_EQ(GL->Count("TexCoordPointer"), 0u);
    GetCurrentMultitextureCoordinator()->MapTexCoordToDual();
    meshObject.SetupVertexArrays(Rci, false);
    EXPECT_EQ(GL->Count("TexCoordPointer"), 2u); // once per unit routed
    GL->Calls.clear();
    meshObject.SetupVertexArrays(Rci, false);
    EXPECT_EQ(GL->Count("TexCoordPointer"), 0u);
    meshObject.ReleaseVertexArrays(Rci);
}

// ---------------------------------------------------------------------------------------------------------
// On Mesa

namespace {

class MeshObjectRenderTest : public SceneRenderFixture {
protected:
    // A mesh object filling the middle of the view with a red triangle list (as vertex colours), drawn through
    // a direct-OpenGL object.
    TGLMeshObject& AddMesh(TGLMeshObjectMode mode, bool useVBO)
    {
        Mesh = std::make_unique<TGLMeshObject>();
        Mesh->SetMode(mode);
        Mesh->SetUseVBO(useVBO);
        const TVector3f corners[] = {P(-2, -2, -5), P(2, -2, -5), P(2, 2, -5), P(-2, 2, -5)};
        const int order[] = {0, 1, 2, 0, 2, 3};
        if (mode == momFaceGroups) {
            for (const TVector3f& c : corners) Mesh->Vertices()->Add(c);
            auto* group = new TFGVertexIndexList(Mesh->FaceGroups());
            group->VertexIndices()->AddIntegers(order, 6);
        } else {
            for (const int i : order) Mesh->Vertices()->Add(corners[i]);
        }
        for (int i = 0; i < Mesh->Vertices()->Count(); ++i) Mesh->Colors()->Add(TVector4f{{{1, 0, 0, 1}}});
        auto* object = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(Scene->Objects());
        object->SetUseBuildList(false);
        object->OnRender = [this](TObject*, TGLRenderContextInfo& rci) { Mesh->BuildList(rci); };
        Drawer = object;
        return *Mesh;
    }

    std::unique_ptr<TGLMeshObject> Mesh;
    TGLDirectOpenGL* Drawer = nullptr;
};

} // namespace

TEST_F(MeshObjectRenderTest, EveryPathDrawsTheSamePicture)
{
    const struct {
        TGLMeshObjectMode mode;
        bool useVBO;
    } paths[] = {{momTriangles, false}, {momFaceGroups, false}, {momFaceGroups, true}};
    for (const auto& path : paths) {
        SCOPED_TRACE(std::to_string(path.mode) + (path.useVBO ? " with buffers" : ""));
        TGLMeshObject& mesh = AddMesh(path.mode, path.useVBO);
        Render();
        Render(); // the buffers are current the second time
        EXPECT_EQ(mesh.UseVBO(), path.useVBO);
        EXPECT_EQ(Pixel(32, 24), Rgb(255, 0, 0));
        EXPECT_EQ(Pixel(1, 1), Rgb(0, 0, 0));
        Free(Drawer);
    }
}
