// The scene component without OpenGL: the light table, change notification to buffers, progress order, ray
// casts, light and scene property rules, and scene streams.
#include "VAVodad.h"


#include "ComponentStreams.h"
#include "GLPersistentClasses.h"
#include "GLVectorGeometry.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A buffer that counts the repaints it is asked for.
class TSpyBuffer : public TGLUpdateAbleObject, public IVAVodadSceneBuffer {
public:
    TSpyBuffer() : TGLUpdateAbleObject(nullptr) {}
    void NotifyChange(TObject*) override { ++Changes; }
    TGLContext* RenderingContext() const override { return nullptr; }
    TGLCamera* Camera() const override { return FCamera; }
    void SetCamera(TGLCamera* Value) override { FCamera = Value; }
    TRectangle ViewPort() const override { return {0, 0, 100, 100}; }
    int32_t RenderDPI() const override { return 96; }
    TGLBaseSceneObject* PickingCurrentObject() const override { return nullptr; }
    void SetPickingCurrentObject(TGLBaseSceneObject*) override {}

    int Changes = 0;
    TGLCamera* FCamera = nullptr;
};

class Scene : public ::testing::Test {
protected:
    ~Scene() override { Free(FScene); }

    TGLLightSource* AddLight(TGLBaseSceneObject* parent = nullptr)
    {
        return TGLBaseSceneObject::CreateAsChild<TGLLightSource>(parent ? parent : FScene->Objects());
    }
    int32_t EntryOf(TGLLightSource* light) const { return FScene->Lights()->IndexOf(light); }

    TVAVodad* FScene = new TVAVodad(nullptr);
};

} // namespace

TEST_F(Scene, NewSceneHasARootAndEightEmptyLightEntries)
{
    EXPECT_EQ(FScene->Objects()->Name(), "ObjectRoot");
    EXPECT_EQ(FScene->Objects()->Scene(), FScene);
    EXPECT_TRUE(FScene->Objects()->ObjectStyle().Contains(osDirectDraw));
    ASSERT_EQ(FScene->Lights()->Count(), 8);
    for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(FScene->Lights()->Items(i), nullptr);
    EXPECT_EQ(FScene->ObjectsSorting(), osRenderBlendedLast);
    EXPECT_EQ(FScene->VisibilityCulling(), vcNone);
    FScene->SetObjectsSorting(osInherited);
    FScene->SetVisibilityCulling(vcInherited);
    EXPECT_EQ(FScene->ObjectsSorting(), osRenderBlendedLast);
    EXPECT_EQ(FScene->VisibilityCulling(), vcNone);
}

TEST_F(Scene, LightsTakeTheFirstFreeEntry)
{
    TGLLightSource* l1 = AddLight();
    TGLLightSource* l2 = AddLight();
    TGLLightSource* l3 = AddLight();
    EXPECT_EQ(l1->LightID(), 0u);
    EXPECT_EQ(l2->LightID(), 1u);
    EXPECT_EQ(l3->LightID(), 2u);
    Free(l2);
    TGLLightSource* l4 = AddLight();
    EXPECT_EQ(l4->LightID(), 1u);
    EXPECT_EQ(EntryOf(l4), 1);

    // A subtree entering and leaving takes and gives back the entries of all its lights.
    auto* group = new TGLBaseSceneObject(nullptr);
    TGLLightSource* deep = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(group);
    FScene->Objects()->AddChild(group);
    EXPECT_EQ(EntryOf(deep), 3);
    FScene->Objects()->Remove(group, false);
    EXPECT_EQ(EntryOf(deep), -1);
    Free(group);
}

TEST_F(Scene, ANinthLightHasNoEntryUntilItIsAddedAgain)
{
    std::vector<TGLLightSource*> lights;
    for (int i = 0; i < 9; ++i) lights.push_back(AddLight());
    TGLLightSource* ninth = lights.back();
    EXPECT_EQ(EntryOf(ninth), -1);
    Free(lights[4]);
    EXPECT_EQ(EntryOf(ninth), -1);
    ninth->MoveTo(nullptr);
    FScene->Objects()->AddChild(ninth);
    EXPECT_EQ(EntryOf(ninth), 4);
    EXPECT_EQ(ninth->LightID(), 4u);
}

TEST_F(Scene, DeletingALightsChildrenKeepsTheLightsEntry)
{
    TGLLightSource* light = AddLight();
    TGLLightSource* child = AddLight(light);
    EXPECT_EQ(EntryOf(child), 1);
    light->DeleteChildren();
    EXPECT_EQ(EntryOf(light), 0);
    EXPECT_EQ(FScene->Lights()->Items(1), nullptr);
}

TEST_F(Scene, FreeingTheSceneFreesTheTreeBeforeTheLightTable)
{
    // Under the sanitizer a light giving its entry back to a freed table would be reported.
    AddLight(AddLight());
    Free(FScene);
    FScene = nullptr;
}

TEST_F(Scene, SpotCutOffTakesZeroToNinetyOrExactly180)
{
    TGLLightSource* light = AddLight();
    TSpyBuffer buffer;
    FScene->AddBuffer(&buffer);
    const struct {
        float Value;
        float Stored;
        int Changes;
    } cases[] = {{45, 45, 1}, {120, 45, 0}, {0, 0, 1}, {90.5f, 0, 0}, {-1, 0, 0}, {90, 90, 1}, {180, 180, 1}};
    for (const auto& c : cases) {
        buffer.Changes = 0;
        light->SetSpotCutOff(c.Value);
        EXPECT_EQ(light->SpotCutOff(), c.Stored) << c.Value;
        EXPECT_EQ(buffer.Changes, c.Changes) << c.Value;
    }
    FScene->RemoveBuffer(&buffer);
}

TEST_F(Scene, LightDefaultsAndAttenuation)
{
    TGLLightSource* light = AddLight();
    EXPECT_EQ(light->LightStyle(), lsSpot);
    EXPECT_TRUE(light->Shining());
    EXPECT_FLOAT_EQ(light->SpotDirection()->Z(), -1);
    EXPECT_FLOAT_EQ(light->Diffuse()->Red(), 1);
    EXPECT_FALSE(light->Attenuated());
    light->SetLinearAttenuation(0.01f);
    EXPECT_TRUE(light->Attenuated());
    light->SetLightStyle(lsParallel);
    EXPECT_FALSE(light->Attenuated());
}

TEST_F(Scene, ChangesReachTheBuffersUnlessUpdating)
{
    TSpyBuffer first;
    TSpyBuffer second;
    FScene->AddBuffer(&first);
    FScene->AddBuffer(&first);
    FScene->AddBuffer(&second);
    EXPECT_EQ(FScene->BufferCount(), 2);
    auto* object = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(FScene->Objects());
    first.Changes = second.Changes = 0;
    object->Position()->SetPoint(1, 2, 3);
    EXPECT_GE(first.Changes, 1);
    EXPECT_EQ(first.Changes, second.Changes);

    first.Changes = 0;
    FScene->BeginUpdate();
    FScene->BeginUpdate();
    object->Position()->SetPoint(4, 5, 6);
    object->SetVisible(false);
    FScene->EndUpdate();
    EXPECT_EQ(first.Changes, 0);
    FScene->EndUpdate();
    EXPECT_EQ(first.Changes, 1);
    EXPECT_THROW(FScene->EndUpdate(), EAssertionFailed);

    FScene->RemoveBuffer(&first);
    FScene->RemoveBuffer(&first);
    EXPECT_EQ(FScene->BufferCount(), 1);
    FScene->RemoveBuffer(&second);
    EXPECT_EQ(FScene->BaseContext(), nullptr);
}

TEST_F(Scene, ProgressRunsInOrder)
{
    std::vector<std::string> log;
    auto logger = [&log](const std::string& name) {
        return [&log, name](TObject*, double deltaTime, double newTime) {
            log.push_back(name + " " + std::to_string(deltaTime) + " " + std::to_string(newTime));
        };
    };
    FScene->OnBeforeProgress = logger("before");
    FScene->OnProgress = logger("scene");
    auto* a = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(FScene->Objects());
    auto* b = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(FScene->Objects());
    a->OnProgress = logger("a");
    b->OnProgress = logger("b");
    FScene->Progress(0.25, 2.5);
    EXPECT_EQ(log, (std::vector<std::string>{"before 0.250000 2.500000", "b 0.250000 2.500000",
                                             "a 0.250000 2.500000", "scene 0.250000 2.500000"}));
    EXPECT_EQ(FScene->CurrentDeltaTime(), 0.25);
}

TEST_F(Scene, RayCastFindsTheNearestVisibleObject)
{
    TGLBaseSceneObject* root = FScene->Objects();
    auto* far = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(root);
    far->Position()->SetPoint(0, 0, -10);
    auto* group = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(root);
    group->Position()->SetPoint(0, 0, -3);
    auto* near = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(group);
    near->Position()->SetPoint(0, 0, -2);
    auto* hidden = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(root);
    hidden->Position()->SetPoint(0, 0, -1);
    hidden->SetVisible(false);

    TVector4f point{};
    TVector4f normal{};
    const TVector4f start{{{0, 0, 0, 1}}};
    const TVector4f down{{{0, 0, -1, 0}}};
    // The group itself (a unit cube at -3) lies in front of its child.
    EXPECT_EQ(FScene->RayCastIntersect(start, down, &point, &normal), group);
    group->SetVisible(false);
    EXPECT_EQ(FScene->RayCastIntersect(start, down, &point, &normal), far);
    group->SetVisible(true);
    group->Position()->SetPoint(0, 0, -30);
    EXPECT_EQ(FScene->RayCastIntersect(start, down, &point, &normal), far);
    EXPECT_NEAR(point.Z, -10 + 0.8660254, 1e-5);
    EXPECT_NEAR(normal.Z, 1, 1e-5);
    const TVector4f up{{{0, 0, 1, 0}}};
    EXPECT_EQ(FScene->RayCastIntersect(start, up), nullptr);
    (void)near;

    // A child beside a parent scaled five times: the quick test before the parent's box must let the whole
    // subtree through, though the ray passes the parent itself and the parent's unscaled extent by.
    group->SetVisible(false);
    auto* scaled = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(root);
    scaled->Position()->SetPoint(0, 0, -20);
    scaled->Scale()->SetVector(5, 5, 5);
    auto* outlying = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(scaled);
    outlying->Position()->SetPoint(1, 0, 0);
    TVector4f toOutlying;
    HmgSubtract(outlying->AbsolutePosition(), start, toOutlying);
    HmgNormalizeInPlace(toOutlying);
    EXPECT_EQ(FScene->RayCastIntersect(start, toOutlying), outlying);
}

TEST_F(Scene, StreamRoundTripKeepsTheTreeAndTheBuffersCamera)
{
    TGLLightSource* light = AddLight();
    light->SetName("Lamp");
    light->SetLightStyle(lsOmni);
    light->SetLinearAttenuation(0.25f);
    light->SetShining(false);
    auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(light);
    camera->SetName("Eye");
    camera->SetFocalLength(20);
    camera->SetCameraStyle(csInfinitePerspective);
    FScene->SetObjectsSorting(osNone);
    TSpyBuffer buffer;
    buffer.SetCamera(camera);
    FScene->AddBuffer(&buffer);

    TMemoryStream stream;
    FScene->SaveToStream(stream);
    FScene->SetObjectsSorting(osRenderFarthestFirst);
    stream.SetPosition(0);
    FScene->LoadFromStream(stream);

    EXPECT_EQ(FScene->ObjectsSorting(), osNone);
    ASSERT_EQ(FScene->Objects()->Count(), 1);
    auto* lamp = dynamic_cast<TGLLightSource*>(FScene->FindSceneObject("Lamp"));
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->LightStyle(), lsOmni);
    EXPECT_FLOAT_EQ(lamp->LinearAttenuation(), 0.25f);
    EXPECT_FALSE(lamp->Shining());
    EXPECT_EQ(EntryOf(lamp), 0);
    auto* eye = dynamic_cast<TGLCamera*>(FScene->FindSceneObject("Eye"));
    ASSERT_NE(eye, nullptr);
    EXPECT_EQ(eye->Parent(), lamp);
    EXPECT_EQ(eye->FocalLength(), 20);
    EXPECT_EQ(eye->CameraStyle(), csInfinitePerspective);
    EXPECT_EQ(buffer.Camera(), eye);
    FScene->RemoveBuffer(&buffer);
}

TEST_F(Scene, StreamRoundTripKeepsPlacementColoursAndTheCamerasTarget)
{
    TGLLightSource* light = AddLight();
    light->SetName("Lamp");
    light->Position()->SetPoint(1, 2, 3);
    light->Ambient()->SetColor(0.1f, 0.2f, 0.3f, 0.4f);
    light->Diffuse()->SetColor(0.5f, 0.6f, 0.7f, 0.8f);
    light->Specular()->SetColor(0.9f, 1, 0, 1);
    light->SpotDirection()->SetVector(0, -1, 0);
    auto* box = TGLBaseSceneObject::CreateAsChild<TVAVodadObject>(FScene->Objects());
    box->SetName("Box");
    box->Position()->SetPoint(4, 5, 6);
    box->Scale()->SetVector(2, 3, 4);
    box->SetTurnAngle(90);
    box->SetVisible(false);
    box->SetPickable(false);
    box->SetShowAxes(true);
    box->SetObjectsSorting(osNone);
    box->SetVisibilityCulling(vcHierarchical);
    box->SetHint("crate");
    // The camera comes before its target in the stream: the target is found once the whole stream is in.
    auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(light);
    camera->SetName("Eye");
    camera->Position()->SetPoint(0, 0, 10);
    camera->Up()->SetVector(1, 0, 0);
    camera->SetTargetObject(box);
    const TVector4f boxDirection = box->Direction()->AsVector();
    const TVector4f cameraDirection = camera->Direction()->AsVector();
    const TVector4f cameraUp = camera->Up()->AsVector();

    TMemoryStream stream;
    FScene->SaveToStream(stream);
    const std::string bytes(stream.Memory(), stream.Memory() + stream.Size());
    EXPECT_NE(bytes.find("\x14Position.Coordinates"), std::string::npos);
    EXPECT_NE(bytes.find("\x0d" "Ambient.Color"), std::string::npos);
    stream.SetPosition(0);
    FScene->LoadFromStream(stream);

    auto* lamp = dynamic_cast<TGLLightSource*>(FScene->FindSceneObject("Lamp"));
    auto* crate = dynamic_cast<TVAVodadObject*>(FScene->FindSceneObject("Box"));
    auto* eye = dynamic_cast<TGLCamera*>(FScene->FindSceneObject("Eye"));
    ASSERT_TRUE(lamp && crate && eye);
    auto expectVector = [](const TVector4f& v, TVector4f expected, const char* what) {
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(v.V[i], expected.V[i], 1e-6) << what << " " << i;
    };
    expectVector(lamp->Position()->AsVector(), {{{1, 2, 3, 1}}}, "light position");
    expectVector(lamp->Ambient()->Color(), {{{0.1f, 0.2f, 0.3f, 0.4f}}}, "ambient");
    expectVector(lamp->Diffuse()->Color(), {{{0.5f, 0.6f, 0.7f, 0.8f}}}, "diffuse");
    expectVector(lamp->Specular()->Color(), {{{0.9f, 1, 0, 1}}}, "specular");
    expectVector(lamp->SpotDirection()->AsVector(), {{{0, -1, 0, 0}}}, "spot direction");
    expectVector(crate->Position()->AsVector(), {{{4, 5, 6, 1}}}, "box position");
    expectVector(crate->Scale()->AsVector(), {{{2, 3, 4, 0}}}, "box scale");
    // The angle is stored as read and not applied again to the direction read with it.
    expectVector(crate->Direction()->AsVector(), boxDirection, "box direction");
    EXPECT_FLOAT_EQ(crate->TurnAngle(), 90);
    EXPECT_FALSE(crate->Visible());
    EXPECT_FALSE(crate->Pickable());
    EXPECT_TRUE(crate->ShowAxes());
    EXPECT_EQ(crate->ObjectsSorting(), osNone);
    EXPECT_EQ(crate->VisibilityCulling(), vcHierarchical);
    EXPECT_EQ(crate->Hint(), "crate");
    expectVector(eye->Position()->AsVector(), {{{0, 0, 10, 1}}}, "camera position");
    expectVector(eye->Direction()->AsVector(), cameraDirection, "camera direction");
    expectVector(eye->Up()->AsVector(), cameraUp, "camera up");
    EXPECT_EQ(eye->TargetObject(), crate);
}

TEST_F(Scene, CorruptStreamsFailWithAnError)
{
    AddLight()->SetName("Lamp");
    TMemoryStream stream;
    FScene->SaveToStream(stream);
    std::vector<uint8_t> bytes(static_cast<size_t>(stream.Size()));
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), stream.Size());
    // Every truncation fails with an exception and leaves the scene as it was.
    for (size_t size = 0; size < bytes.size(); ++size) {
        TMemoryStream truncated;
        truncated.WriteBuffer(bytes.data(), static_cast<int64_t>(size));
        truncated.SetPosition(0);
        EXPECT_THROW(FScene->LoadFromStream(truncated), Exception) << size;
        ASSERT_EQ(FScene->Objects()->Count(), 1);
        EXPECT_EQ(FScene->Objects()->Children(0)->Name(), "Lamp");
    }
}

TEST_F(Scene, SceneFilesMayStartWithAResourceHeader)
{
    AddLight()->SetName("Lamp");
    TMemoryStream scene;
    FScene->SaveToStream(scene);
    const std::string path = ::testing::TempDir() + "scene_with_header.bin";
    auto writeFile = [&](uint32_t claimedSize) {
        TFileStream file(path, fmCreate);
        const uint8_t header[] = {0xFF, 10, 0, 'S', 'C', 'E', 'N', 'E', 0, 0x30, 0x10};
        file.WriteBuffer(header, sizeof header);
        file.WriteBuffer(&claimedSize, 4);
        scene.SetPosition(0);
        file.CopyFrom(scene, scene.Size());
    };
    writeFile(static_cast<uint32_t>(scene.Size()));
    FScene->Objects()->DeleteChildren();
    FScene->LoadFromFile(path);
    EXPECT_NE(FScene->FindSceneObject("Lamp"), nullptr);
    // A header naming more data than the file holds is refused before anything is read.
    writeFile(static_cast<uint32_t>(scene.Size()) + 1);
    EXPECT_THROW(FScene->LoadFromFile(path), EReadError);
    EXPECT_NE(FScene->FindSceneObject("Lamp"), nullptr);
}

TEST_F(Scene, FogBelongsToASceneBuffer)
{
    TSpyBuffer buffer;
    EXPECT_THROW(TGLFogEnvironment fog(nullptr), EInvalidCast);
    EXPECT_THROW(TGLFogEnvironment fog(FScene), EInvalidCast);
    TGLFogEnvironment fog(&buffer);
    EXPECT_TRUE(fog.IsAtDefaultValues());
    fog.SetFogEnd(100);
    fog.SetFogEnd(100);
    EXPECT_EQ(buffer.Changes, 1);
    EXPECT_FALSE(fog.IsAtDefaultValues());
    TGLFogEnvironment copy(&buffer);
    copy.FogColor()->SetAlpha(0.5f);
    copy.SetFogMode(fmExp);
    fog.Assign(&copy);
    EXPECT_EQ(fog.FogMode(), fmExp);
    EXPECT_FLOAT_EQ(fog.FogEnd(), 1000);
    EXPECT_FLOAT_EQ(fog.FogColor()->Alpha(), 0.5f);
    // Without a context there is nothing to apply the fog to.
    fog.ApplyFog();
}

TEST_F(Scene, ACameraOutsideTheTreeForgetsItsSceneWhenTheSceneIsFreed)
{
    auto* inTree = TGLBaseSceneObject::CreateAsChild<TGLCamera>(FScene->Objects());
    auto* copy = new TGLCamera(nullptr);
    copy->Assign(inTree);
    auto* carried = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(copy);
    ASSERT_EQ(copy->Scene(), FScene);
    ASSERT_EQ(carried->Scene(), FScene);

    Free(FScene);
    FScene = nullptr;
    EXPECT_EQ(copy->Scene(), nullptr);
    EXPECT_EQ(carried->Scene(), nullptr);
    // Under the sanitizer a change reaching the freed scene would be reported.
    copy->SetFocalLength(35);
    carried->Position()->SetPoint(1, 2, 3);
    Free(copy);
}

TEST_F(Scene, ACameraWatchesOnlyTheSceneItIsGiven)
{
    auto* source = TGLBaseSceneObject::CreateAsChild<TGLCamera>(FScene->Objects());
    auto* other = new TVAVodad(nullptr);
    auto* camera = new TGLCamera(nullptr);
    camera->Assign(source);
    camera->SetScene(other);
    // The first scene dying leaves the camera with the one it now shows.
    Free(FScene);
    FScene = nullptr;
    EXPECT_EQ(camera->Scene(), other);
    Free(other);
    EXPECT_EQ(camera->Scene(), nullptr);
    Free(camera);
}

TEST_F(Scene, AMemoryViewerIsReadBackByItsClassName)
{
    auto* viewer = new TGLMemoryViewer(nullptr);
    viewer->SetName("Offscreen");
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(viewer);
    Free(viewer);
    stream.SetPosition(0);
    TComponent* read = TReader(stream).ReadRootComponent(nullptr);
    EXPECT_NE(dynamic_cast<TGLMemoryViewer*>(read), nullptr);
    EXPECT_EQ(read->Name(), "Offscreen");
    Free(read);
}
