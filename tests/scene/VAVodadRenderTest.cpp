// How a scene tree draws on the recording fake OpenGL: the order of children under each sorting mode,
// culling by object and by subtree, objects drawn over the depth buffer, post effects, axes, render points
// and proxies. Objects draw directly (no display lists) and log their names.
#include "VAVodad.h"

#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "RecordingGL.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string>* vLog = nullptr;

template <class TBase> class TLoggedOf : public TBase {
public:
    explicit TLoggedOf(TComponent* AOwner) : TBase(AOwner)
    {
        this->SetObjectStyle(this->ObjectStyle() + TGLObjectStyles{osDirectDraw});
    }
    bool Blended() override { return FBlended; }
    void BuildList(TGLRenderContextInfo& rci) override
    {
        vLog->push_back(this->Name());
        DepthTestWhileDrawn = rci.GLStates->EnableDepthTest();
        ModelWhileDrawn = rci.PipelineTransformation->ModelMatrix();
        ViewWhileDrawn = rci.PipelineTransformation->ViewMatrix();
    }
    bool FBlended = false;
    bool DepthTestWhileDrawn = false;
    TMatrix4f ModelWhileDrawn{};
    TMatrix4f ViewWhileDrawn{};
};
using TLogged = TLoggedOf<TGLImmaterialSceneObject>;

class TLogPostEffect : public TGLObjectPostEffect {
public:
    explicit TLogPostEffect(TGLXCollection* aOwner)
        : TGLObjectPostEffect(aOwner, XCollectionItemClassOf<TLogPostEffect>())
    {
    }
    void Render(TGLRenderContextInfo& rci) override
    {
        vLog->push_back(Name());
        Model = rci.PipelineTransformation->ModelMatrix();
    }
    TMatrix4f Model{};
};

class TPlainEffect : public TGLObjectEffect {
public:
    explicit TPlainEffect(TGLXCollection* aOwner) : TGLObjectEffect(aOwner, XCollectionItemClassOf<TPlainEffect>()) {}
    void Render(TGLRenderContextInfo&) override { vLog->push_back(Name()); }
};

class SceneRender : public ::testing::Test {
protected:
    SceneRender()
    {
        vLog = &Log;
        Rci.scene = Scene;
        Rci.GLStates = &Cache;
        Rci.PipelineTransformation = &Pipeline;
        Rci.drawState = dsRendering;
        Rci.objectsSorting = osRenderBlendedLast;
        Rci.visibilityCulling = vcNone;
        Rci.bufferDepthTest = true;
        Rci.cameraPosition = TVector4f{{{0, 0, 0, 1}}};
        // A camera at the origin looking down -Z, 90 degrees wide, from 1 to 100.
        TMatrix4f projection;
        MatrixFrustumProjection(-1, 1, -1, 1, 1, 100, projection);
        FrustumFromMatrix(projection, Rci.rcci.frustum);
        Rci.rcci.nearClippingDistance = 1;
        Rci.rcci.farClippingDistance = 100;
    }
    ~SceneRender() override
    {
        Free(Scene);
        vLog = nullptr;
    }

    TLogged* Add(TGLBaseSceneObject* parent, const std::string& name, float x, float y, float z, bool blended = false)
    {
        auto* object = TGLBaseSceneObject::CreateAsChild<TLogged>(parent);
        object->SetName(name);
        object->Position()->SetPoint(x, y, z);
        object->FBlended = blended;
        return object;
    }
    void RenderRoot()
    {
        Log.clear();
        Scene->Objects()->Render(Rci);
    }

    std::vector<std::string> Log;
    TRecordingGL GL;
    TGLStateCache Cache;
    TGLTransformation Pipeline;
    TVAVodad* Scene = new TVAVodad(nullptr);
    TGLRenderContextInfo Rci{};
};

using TNames = std::vector<std::string>;

} // namespace

TEST_F(SceneRender, SortingModesOrderTheChildren)
{
    TGLBaseSceneObject* root = Scene->Objects();
    Add(root, "B1", 0, 0, -1, true);
    Add(root, "O2", 0, 0, -2);
    Add(root, "B5", 0, 0, -5, true);
    Add(root, "B3", 0, 0, -3, true);
    Add(root, "hidden", 0, 0, -4, true)->SetVisible(false);
    const struct {
        TGLObjectsSorting Sorting;
        TNames Expected;
    } cases[] = {
        {osRenderBlendedLast, {"O2", "B5", "B3", "B1"}},
        {osRenderNearestFirst, {"B1", "O2", "B3", "B5"}},
        {osRenderFarthestFirst, {"B5", "B3", "O2", "B1"}},
        {osNone, {"B1", "O2", "B5", "B3"}},
    };
    for (const auto& c : cases) {
        root->SetObjectsSorting(c.Sorting);
        RenderRoot();
        EXPECT_EQ(Log, c.Expected) << c.Sorting;
    }
    // The inherited mode is the render record's; the record is left as it was.
    root->SetObjectsSorting(osInherited);
    Rci.objectsSorting = osRenderFarthestFirst;
    RenderRoot();
    EXPECT_EQ(Log, (TNames{"B5", "B3", "O2", "B1"}));
    EXPECT_EQ(Rci.objectsSorting, osRenderFarthestFirst);
    // A range of one child draws it without sorting.
    Log.clear();
    root->RenderChildren(2, 2, Rci);
    EXPECT_EQ(Log, TNames{"B5"});
}

TEST_F(SceneRender, NestedSortedNodesKeepTheirOwnOrder)
{
    TGLBaseSceneObject* root = Scene->Objects();
    TLogged* near = Add(root, "near", 0, 0, -2, true);
    TLogged* far = Add(root, "far", 0, 0, -9, true);
    Add(far, "far.a", 0, 0, 1, true);  // at -8
    Add(far, "far.b", 0, 0, -1, true); // at -10
    Add(near, "near.a", 0, 0, -1, true);
    RenderRoot();
    EXPECT_EQ(Log, (TNames{"far", "far.b", "far.a", "near", "near.a"}));
}

TEST_F(SceneRender, CullingByObjectAndBySubtree)
{
    TGLBaseSceneObject* root = Scene->Objects();
    // Away from the origin but in view: the whole subtree is tested where it is.
    Add(root, "inside", 5, 0, -20);
    TLogged* parent = Add(root, "outside", 100, 0, -10);
    TLogged* child = Add(parent, "child", 5, 0, 0);
    child->SetObjectStyle(child->ObjectStyle() + TGLObjectStyles{osNoVisibilityCulling});
    const struct {
        TGLVisibilityCulling Culling;
        TNames Expected;
    } cases[] = {
        {vcNone, {"inside", "outside", "child"}},
        // The child is tested on its own, and exempt.
        {vcObjectBased, {"inside", "child"}},
        // A culled subtree hides its exempt child too.
        {vcHierarchical, {"inside"}},
    };
    for (const auto& c : cases) {
        Rci.visibilityCulling = c.Culling;
        RenderRoot();
        EXPECT_EQ(Log, c.Expected) << c.Culling;
    }
    // A node's own mode holds for its subtree, and the record gets its mode back.
    Rci.visibilityCulling = vcNone;
    root->SetVisibilityCulling(vcObjectBased);
    RenderRoot();
    EXPECT_EQ(Log, (TNames{"inside", "child"}));
    EXPECT_EQ(Rci.visibilityCulling, vcNone);
}

TEST_F(SceneRender, IgnoringTheDepthBufferRestoresTheDepthTestAsFound)
{
    TLogged* overlay = Add(Scene->Objects(), "overlay", 0, 0, -5);
    overlay->SetObjectStyle(overlay->ObjectStyle() + TGLObjectStyles{osIgnoreDepthBuffer});
    for (const bool depthTest : {true, false}) {
        if (depthTest)
            Cache.Enable(stDepthTest);
        else
            Cache.Disable(stDepthTest);
        RenderRoot();
        EXPECT_EQ(Log, TNames{"overlay"});
        EXPECT_FALSE(overlay->DepthTestWhileDrawn);
        EXPECT_EQ(Cache.EnableDepthTest(), depthTest);
    }
}

TEST_F(SceneRender, PostEffectsDrawAfterTheirObjectInItsFrame)
{
    TLogged* object = Add(Scene->Objects(), "object", 1, 2, -3);
    object->AddNewEffect(XCollectionItemClassOf<TPlainEffect>())->SetName("plain");
    auto* post = static_cast<TLogPostEffect*>(object->AddNewEffect(XCollectionItemClassOf<TLogPostEffect>()));
    post->SetName("post");
    RenderRoot();
    EXPECT_EQ(Log, (TNames{"object", "post"}));
    EXPECT_TRUE(MatrixIdentical(post->Model, object->AbsoluteMatrix()));
    EXPECT_TRUE(MatrixIdentical(object->ModelWhileDrawn, object->AbsoluteMatrix()));
    // Every level pushed was popped.
    EXPECT_TRUE(MatrixIdentical(Pipeline.ModelMatrix(), IdentityHmgMatrix));
}

TEST_F(SceneRender, PickingSkipsNonPickableSubtrees)
{
    TLogged* hidden = Add(Scene->Objects(), "notPickable", 0, 0, -5);
    Add(hidden, "below", 0, 0, 0);
    Add(Scene->Objects(), "pickable", 0, 0, -5);
    hidden->SetPickable(false);
    Rci.drawState = dsPicking;
    RenderRoot();
    EXPECT_EQ(Log, TNames{"pickable"});
    Rci.drawState = dsRendering;
    RenderRoot();
    EXPECT_EQ(Log, (TNames{"notPickable", "below", "pickable"}));
}

TEST_F(SceneRender, AxesAreSixLinesOfTheClippingDepth)
{
    TLogged* object = Add(Scene->Objects(), "object", 0, 0, -5);
    object->SetShowAxes(true);
    RenderRoot();
    const std::vector<TGLCall> lines = GL.Only({"Begin", "Color3f", "Vertex3f", "End"});
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines.front(), GLCall("Begin", GL_LINES));
    EXPECT_EQ(lines[1], GLCall("Color3f", 0.5, 0, 0));
    EXPECT_EQ(lines[3], GLCall("Vertex3f", -99, 0, 0));
    EXPECT_EQ(lines[4], GLCall("Color3f", 1, 0, 0));
    EXPECT_EQ(lines[18], GLCall("Vertex3f", 0, 0, 99));
    EXPECT_EQ(Cache.LineStipplePattern(), 0xCCCC);
    EXPECT_EQ(Log, TNames{"object"});
}

TEST_F(SceneRender, CameraInvariantObjectsIgnoreTheCamerasPlaceOrTurn)
{
    using TInvariant = TLoggedOf<TGLCameraInvariantObject>;
    auto* object = TGLBaseSceneObject::CreateAsChild<TInvariant>(Scene->Objects());
    object->SetName("invariant");
    object->Position()->SetPoint(0, 0, -5);
    Rci.cameraPosition = TVector4f{{{1, 2, 3, 1}}};
    TMatrix4f atCamera;
    MatrixTranslationHmg(Rci.cameraPosition, atCamera);
    TMatrix4f unturned;
    MatrixScaling(TVector3f{{{1, -1, -1}}}, unturned);
    const struct {
        TGLCameraInvarianceMode Mode;
        TMatrix4f View;
    } cases[] = {{cimNone, IdentityHmgMatrix}, {cimPosition, atCamera}, {cimOrientation, unturned}};
    for (const auto& c : cases) {
        object->SetCamInvarianceMode(c.Mode);
        RenderRoot();
        EXPECT_EQ(Log, TNames{"invariant"});
        EXPECT_TRUE(MatrixIdentical(object->ViewWhileDrawn, c.View)) << c.Mode;
        EXPECT_TRUE(MatrixIdentical(object->ModelWhileDrawn, object->Matrix())) << c.Mode;
        EXPECT_TRUE(MatrixIdentical(Pipeline.ViewMatrix(), IdentityHmgMatrix));
    }
}

TEST_F(SceneRender, RenderPointCallsItsCallbacksAndTheirFreeCallbacksLastFirst)
{
    auto* point = TGLBaseSceneObject::CreateAsChild<TGLRenderPoint>(Scene->Objects());
    int a = 0;
    int b = 0;
    auto render = [this](const char* name) {
        return [this, name](TObject*, TGLRenderContextInfo&) { Log.push_back(name); };
    };
    auto freed = [this](const char* name) { return [this, name](TObject*) { Log.push_back(name); }; };
    point->RegisterCallBack(&a, render("a"), freed("a freed"));
    point->RegisterCallBack(&b, render("b"), freed("b freed"));
    point->RegisterCallBack(&a, render("a again"), freed("a again freed"));
    point->UnRegisterCallBack(&a);
    RenderRoot();
    EXPECT_EQ(Log, (TNames{"b", "a again"}));
    Log.clear();
    Free(point);
    EXPECT_EQ(Log, (TNames{"a again freed", "b freed"}));
}

TEST_F(SceneRender, ProxyDrawsItsMasterAtItsOwnPlaceOnce)
{
    TGLBaseSceneObject* root = Scene->Objects();
    TLogged* master = Add(root, "master", 0, 0, -5);
    auto* proxy = TGLBaseSceneObject::CreateAsChild<TGLProxyObject>(master);
    proxy->Position()->SetPoint(3, 0, 0);
    proxy->SetMasterObject(master);
    // The master draws itself, then its child the proxy draws the master again; the master's own drawing
    // reaches the proxy once more, which then draws nothing.
    RenderRoot();
    EXPECT_EQ(Log, (TNames{"master", "master"}));
    TMatrix4f expected;
    MatrixProduct(master->Matrix(), proxy->AbsoluteMatrix(), expected);
    EXPECT_TRUE(MatrixIdentical(master->ModelWhileDrawn, expected));

    // Dimensions and the barycentre follow the master, placed at the proxy.
    const TVector4f barycenter = proxy->BarycenterAbsolutePosition();
    EXPECT_FLOAT_EQ(barycenter.X, 3);
    EXPECT_FLOAT_EQ(barycenter.Z, -5);

    Free(master); // the proxy goes with it
    auto* orphan = TGLBaseSceneObject::CreateAsChild<TGLProxyObject>(root);
    TLogged* other = Add(root, "other", 0, 0, -5);
    orphan->SetMasterObject(other);
    Free(other);
    EXPECT_EQ(orphan->MasterObject(), nullptr);
    RenderRoot();
    EXPECT_TRUE(Log.empty());
}
