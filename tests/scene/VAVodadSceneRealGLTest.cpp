// The camera's projections and views, the lights and the fog as Mesa receives them, and the drawing that needs
// display lists or materials: each test runs with a small off-screen context current.
#include "VAVodad.h"

#include "GLContext.h"
#include "GLMaterial.h"
#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "RealGLTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// A buffer showing the scene through the test's context.
class TContextBuffer : public TGLUpdateAbleObject, public IVAVodadSceneBuffer {
public:
    explicit TContextBuffer(TGLContext* AContext) : TGLUpdateAbleObject(nullptr), Context(AContext) {}
    void NotifyChange(TObject*) override {}
    TGLContext* RenderingContext() const override { return Context; }
    TGLCamera* Camera() const override { return nullptr; }
    void SetCamera(TGLCamera*) override {}
    TRectangle ViewPort() const override { return {0, 0, 1024, 768}; }
    int32_t RenderDPI() const override { return 96; }
    TGLBaseSceneObject* PickingCurrentObject() const override { return nullptr; }
    void SetPickingCurrentObject(TGLBaseSceneObject*) override {}

private:
    TGLContext* Context;
};

// Asks for one more pass the first time it is unapplied.
class TTwoPassShader : public TGLShader {
public:
    using TGLShader::TGLShader;

protected:
    bool DoUnApply(TGLRenderContextInfo&) override { return ++UnApplies == 1; }

public:
    int UnApplies = 0;
};

class TCounted : public TVAVodadObject {
public:
    using TVAVodadObject::TVAVodadObject;
    void BuildList(TGLRenderContextInfo&) override { ++Builds; }
    int Builds = 0;
};

double Degrees(double radians)
{
    return radians * 180 / std::numbers::pi;
}

class SceneRealGL : public RealGLCurrentContext {
protected:
    SceneRealGL() : RealGLCurrentContext(4, 4)
    {
        Transformation().IdentityAll();
        rci.objectsSorting = osNone;
        rci.visibilityCulling = vcNone;
    }
    ~SceneRealGL() override { Free(FScene); }
    TGLTransformation& Transformation() { return *Context->PipelineTransformation(); }
    TMatrix4f Projection() { return Transformation().ProjectionMatrix(); }
    void Project(TGLCamera& camera, int32_t width, int32_t height)
    {
        Transformation().IdentityAll();
        camera.ApplyPerspective(TRectangle{0, 0, width, height}, width, height, 96);
    }

    TVAVodad* FScene = new TVAVodad(nullptr);
};

} // namespace

TEST_F(SceneRealGL, CameraDefaultsAndCorrectedSettings)
{
    TGLCamera camera(nullptr);
    EXPECT_EQ(camera.FocalLength(), 50);
    EXPECT_EQ(camera.DepthOfView(), 100);
    EXPECT_EQ(camera.NearPlaneBias(), 1);
    EXPECT_EQ(camera.SceneScale(), 1);
    EXPECT_EQ(camera.CameraStyle(), csPerspective);
    EXPECT_FLOAT_EQ(camera.Direction()->Z(), -1);
    const struct {
        void (TGLCamera::*Set)(float);
        float (TGLCamera::*Get)() const;
        float Value;
        float Stored;
    } cases[] = {
        {&TGLCamera::SetFocalLength, &TGLCamera::FocalLength, 0, 1},
        {&TGLCamera::SetFocalLength, &TGLCamera::FocalLength, -3, 1},
        {&TGLCamera::SetNearPlaneBias, &TGLCamera::NearPlaneBias, -1, 1},
        {&TGLCamera::SetSceneScale, &TGLCamera::SceneScale, -2, -2},
        {&TGLCamera::SetSceneScale, &TGLCamera::SceneScale, 0, 1},
    };
    for (const auto& c : cases) {
        (camera.*c.Set)(c.Value);
        EXPECT_EQ((camera.*c.Get)(), c.Stored) << c.Value;
    }
    // Field of view and focal length are inverse; a degenerate angle is ignored.
    camera.SetFieldOfView(90, 1024);
    EXPECT_NEAR(camera.FocalLength(), 512, 1e-3);
    camera.SetFieldOfView(0, 1024);
    camera.SetFieldOfView(180, 1024);
    EXPECT_NEAR(camera.FocalLength(), 512, 1e-3);
    camera.SetFocalLength(20);
    EXPECT_NEAR(camera.GetFieldOfView(768), 174.03708, 1e-4);
}

TEST_F(SceneRealGL, CameraGoldenProjections)
{
    TGLCamera camera(nullptr);
    camera.SetFocalLength(20);
    camera.SetNearPlaneBias(0.1f);
    Project(camera, 1024, 768);
    const float near = 20.0f * 2 * 96 / (25.4f * 1024) * 0.1f;
    EXPECT_NEAR(camera.NearPlane(), 0.0147638, 1e-7);
    TMatrix4f expected;
    MatrixFrustumProjection(-0.05f, 0.05f, -0.0375f, 0.0375f, near, near + 100, expected);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(Projection().V[i].V[j], expected.V[i].V[j], 1e-4) << i << j;

    camera.SetCameraStyle(csInfinitePerspective);
    Project(camera, 1024, 768);
    const TMatrix4f p = Projection();
    EXPECT_NEAR(p.X.X, 0.2952756, 1e-5);
    EXPECT_NEAR(p.Y.Y, 0.3937008, 1e-5);
    EXPECT_FLOAT_EQ(p.Z.X, 0);
    EXPECT_FLOAT_EQ(p.Z.Y, 0);
    EXPECT_NEAR(p.Z.Z, -0.9999, 1e-6);
    EXPECT_FLOAT_EQ(p.Z.W, -1);
    EXPECT_NEAR(p.W.Z, -1.9999 * near, 1e-7);
    EXPECT_FLOAT_EQ(p.W.W, 0);
    EXPECT_NEAR(camera.ViewPortRadius(), 4.2333, 1e-3);

    // The game's camera: focal length 100 spans about 68.2 degrees across and 53.9 up.
    camera.SetFocalLength(100);
    camera.SetDepthOfView(250);
    Project(camera, 1024, 768);
    EXPECT_NEAR(Degrees(2 * std::atan(1 / Projection().X.X)), 68.2, 0.05);
    EXPECT_NEAR(Degrees(2 * std::atan(1 / Projection().Y.Y)), 53.9, 0.05);

    // No projection below one pixel.
    Transformation().IdentityAll();
    camera.ApplyPerspective(TRectangle{0, 0, 0, 600}, 0, 600, 96);
    EXPECT_TRUE(MatrixIdentical(Projection(), IdentityHmgMatrix));
}

TEST_F(SceneRealGL, KeepFovHoldsTheChosenAngleWhileResizing)
{
    TGLCamera camera(nullptr);
    camera.SetCameraStyle(csPerspectiveKeepFOV);
    Project(camera, 800, 600);
    const double across = 2 * std::atan(1 / Projection().X.X);
    const double up = 2 * std::atan(1 / Projection().Y.Y);
    EXPECT_NEAR(across, camera.FOVX(), 1e-5);
    Project(camera, 1000, 600);
    EXPECT_NEAR(2 * std::atan(1 / Projection().X.X), across, 1e-5);
    EXPECT_GT(std::abs(2 * std::atan(1 / Projection().Y.Y) - up), 1e-3);
    // A lens change takes both angles from the next frame.
    camera.SetFocalLength(100);
    EXPECT_EQ(camera.FOVY(), -1);
    Project(camera, 1000, 600);
    EXPECT_LT(camera.FOVX(), across);
}

TEST_F(SceneRealGL, CameraViewAndTarget)
{
    auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(FScene->Objects());
    camera->Position()->SetPoint(0, 0, 5);
    EXPECT_EQ(camera->DistanceToTarget(), 1);
    const TVector4f direction = camera->AbsoluteVectorToTarget();
    EXPECT_FLOAT_EQ(direction.Z, -1);
    camera->Apply();
    // The view takes the camera's position to the origin.
    TVector4f eye;
    HmgTransform(TVector4f{{{0, 0, 5, 1}}}, Transformation().ViewMatrix(), eye);
    EXPECT_NEAR(eye.X, 0, 1e-6);
    EXPECT_NEAR(eye.Z, 0, 1e-6);

    auto* target = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(FScene->Objects());
    target->Position()->SetPoint(3, 0, 1);
    camera->SetTargetObject(target);
    EXPECT_FLOAT_EQ(camera->DistanceToTarget(), 5);
    EXPECT_FLOAT_EQ(camera->AbsoluteVectorToTarget().X, 0.6f);
    camera->AdjustDistanceToTarget(2);
    EXPECT_FLOAT_EQ(camera->DistanceToTarget(), 10);
    Free(target);
    EXPECT_EQ(camera->TargetObject(), nullptr);
}

TEST_F(SceneRealGL, CameraNavigation)
{
    auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(FScene->Objects());
    camera->Position()->SetPoint(0, 0, 5);
    EXPECT_TRUE(camera->PointInFront(TVector4f{{{0, 0, 0, 1}}}));
    EXPECT_FALSE(camera->PointInFront(TVector4f{{{0, 0, 6, 1}}}));
    // Forward is -Z, up is +Y, and right is the camera's X axis (up x direction), -X when looking down -Z.
    camera->MoveInEyeSpace(1, 2, 3);
    const TVector4f moved = camera->Position()->AsVector();
    EXPECT_FLOAT_EQ(moved.X, -2);
    EXPECT_FLOAT_EQ(moved.Y, 3);
    EXPECT_FLOAT_EQ(moved.Z, 4);
    // A screen delta in the XZ plane: up the screen is forward, across is right.
    const TVector4f forward = camera->ScreenDeltaToVector(0, 10, 0.5f, TVector4f{{{0, 1, 0, 0}}});
    EXPECT_NEAR(forward.Z, -5, 1e-5);
    const TVector4f across = camera->ScreenDeltaToVectorXZ(10, 0, 0.5f);
    EXPECT_NEAR(across.X, 5, 1e-5);
    EXPECT_NEAR(across.Z, 0, 1e-5);

    // Reset looks down -Z from where a 1024 x 768 viewport shows the origin; ZoomAll looks back at it.
    TContextBuffer buffer(Context);
    camera->Reset(&buffer);
    EXPECT_EQ(camera->FocalLength(), 50);
    EXPECT_NEAR(camera->Position()->Z(), camera->NearPlane() * 768 / 4, 1e-4);
    EXPECT_FLOAT_EQ(camera->Direction()->Z(), -1);
    camera->Position()->SetPoint(7, 7, 7);
    camera->ZoomAll(&buffer);
    EXPECT_NEAR(camera->Position()->Z(), camera->NearPlane() * 768 / 4, 1e-4);

    // Turning an object about the camera's view axes keeps its place and scale.
    auto* object = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(FScene->Objects());
    object->Position()->SetPoint(1, 2, 3);
    object->Scale()->SetVector(2, 2, 2);
    camera->RotateObject(object, 0, 90);
    EXPECT_NEAR(object->Direction()->X(), -1, 1e-5);
    EXPECT_FLOAT_EQ(object->Position()->X(), 1);
    EXPECT_FLOAT_EQ(object->Scale()->Y(), 2);

    // A camera without a parent copies another's lens, place and view of its target.
    TGLCamera copy(nullptr);
    camera->SetFocalLength(35);
    camera->SetTargetObject(object);
    copy.Assign(camera);
    EXPECT_EQ(copy.FocalLength(), 35);
    EXPECT_EQ(copy.TargetObject(), nullptr);
    EXPECT_FLOAT_EQ(copy.Position()->Z(), camera->AbsolutePosition().Z);
}

TEST_F(SceneRealGL, SetupLightsSendsTheFirstEntriesAndDisablesTheRest)
{
    for (int i = 0; i < 6; ++i) TGLBaseSceneObject::CreateAsChild<TGLLightSource>(FScene->Objects());
    TGLStateCache& states = *Context->GLStates();
    FScene->SetupLights(4);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(states.LightEnabling(i), i < 4) << i;
    EXPECT_TRUE(GetCurrentGL()->IsEnabled(GL_LIGHT3));
    EXPECT_FALSE(GetCurrentGL()->IsEnabled(GL_LIGHT4));
    EXPECT_TRUE(MatrixIdentical(Transformation().ModelMatrix(), IdentityHmgMatrix));
}

TEST_F(SceneRealGL, AParallelLightIsPlacedByItsDirection)
{
    Transformation().SetLoadMatricesEnabled(true);
    auto* group = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(FScene->Objects());
    group->Position()->SetPoint(0, 10, 0);
    auto* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(group);
    light->Position()->SetPoint(1, 2, 3);
    light->SetLightStyle(lsParallel);
    light->SpotDirection()->SetVector(0, -1, 0);
    light->SetTurnAngle(90);
    FScene->SetupLights(8);

    TVector4f expected;
    HmgTransform(TVector4f{{{0, -1, 0, 0}}}, light->AbsoluteMatrix(), expected);
    GLfloat position[4] = {};
    GetCurrentGL()->GetLightfv(GL_LIGHT0, GL_POSITION, position);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(position[i], expected.V[i], 1e-5) << i;
    // The state cache holds the light's position, with W = 0.
    const TVector4f cached = Context->GLStates()->LightPosition(0);
    EXPECT_FLOAT_EQ(cached.X, 1);
    EXPECT_FLOAT_EQ(cached.Y, 12);
    EXPECT_FLOAT_EQ(cached.Z, 3);
    EXPECT_FLOAT_EQ(cached.W, 0);
    Transformation().SetLoadMatricesEnabled(false);
}

TEST_F(SceneRealGL, FogReachesTheContext)
{
    TContextBuffer buffer(Context);
    TGLFogEnvironment fog(&buffer);
    fog.SetFogMode(fmExp);
    fog.FogColor()->SetColor(1, 1, 1, 0.3f);
    fog.ApplyFog();
    GLfloat density = 0;
    GetCurrentGL()->GetFloatv(GL_FOG_DENSITY, &density);
    EXPECT_FLOAT_EQ(density, 0.3f);
    fog.SetFogMode(fmLinear);
    fog.SetFogStart(10);
    fog.SetFogEnd(100);
    // Applied also from a thread where the context is not current.
    Context->Deactivate();
    fog.ApplyFog();
    Context->Activate();
    GLint mode = 0;
    GLfloat start = 0;
    GLfloat end = 0;
    GetCurrentGL()->GetIntegerv(GL_FOG_MODE, &mode);
    GetCurrentGL()->GetFloatv(GL_FOG_START, &start);
    GetCurrentGL()->GetFloatv(GL_FOG_END, &end);
    EXPECT_EQ(mode, GL_LINEAR);
    EXPECT_FLOAT_EQ(start, 10);
    EXPECT_FLOAT_EQ(end, 100);
}

TEST_F(SceneRealGL, DirectOpenGLCompiledOnceIntoAList)
{
    auto* direct = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(FScene->Objects());
    int calls = 0;
    direct->OnRender = [&calls](TObject*, TGLRenderContextInfo&) { ++calls; };
    FScene->Objects()->Render(rci);
    EXPECT_EQ(calls, 1);
    direct->SetUseBuildList(true);
    for (int frame = 0; frame < 3; ++frame) FScene->Objects()->Render(rci);
    EXPECT_EQ(calls, 2);
    direct->StructureChanged();
    FScene->Objects()->Render(rci);
    EXPECT_EQ(calls, 3);
    // The name kept between frames goes with the list: a list destroyed is made again, not called by name.
    direct->DestroyHandles();
    FScene->Objects()->Render(rci);
    EXPECT_EQ(calls, 4);
}

TEST_F(SceneRealGL, AMultiPassMaterialDrawsTheGeometryAgain)
{
    auto* library = new TGLMaterialLibrary(nullptr);
    auto* shader = new TTwoPassShader(nullptr);
    TGLLibMaterial* libMaterial = library->Materials()->Add();
    libMaterial->SetName("twoPass");
    libMaterial->SetShader(shader);
    auto* object = TGLBaseSceneObject::CreateAsChild<TCounted>(FScene->Objects());
    object->SetObjectStyle(object->ObjectStyle() + TGLObjectStyles{osDirectDraw});
    object->Material()->SetMaterialLibrary(library);
    object->Material()->SetLibMaterialName("twoPass");
    FScene->Objects()->Render(rci);
    EXPECT_EQ(object->Builds, 2);
    EXPECT_EQ(shader->UnApplies, 2);
    // Geometry only: the material is left out.
    rci.ignoreMaterials = true;
    FScene->Objects()->Render(rci);
    EXPECT_EQ(object->Builds, 3);
    Free(FScene);
    FScene = nullptr;
    Free(shader);
    Free(library);
}
