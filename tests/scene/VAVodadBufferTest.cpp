// The scene buffer on Mesa through the memory viewer: a whole frame (clear, camera, lights, fog, the tree
// with blended objects last), frozen frames, snapshots and files, copies into textures, float dumps, picking
// and pixel reads.
#include "SceneRenderFixture.h"

#include "Dialogs.h"
#include "FileUtils.h"
#include "GLGraphics.h"
#include "GLMaterial.h"
#include "GLPipelineTransformation.h"
#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "GLSelection.h"
#include "GLTexture.h"
#include "Graphics.h"
#include "Raises.h"
#include "SysUtils.h"
#include "TempFolder.h"

#include <gmock/gmock.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using ::testing::StartsWith;

namespace {

class VAVodadBufferTest : public SceneRenderFixture {
protected:
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetSavePictureDialogHook(nullptr);
        SceneRenderFixture::TearDown();
    }

    TempFolder Folder;
};

// A square of half size 0.9 facing the camera, drawn through its material with texture coordinates.
class TTexturedQuad : public TVAVodadObject {
public:
    using TVAVodadObject::TVAVodadObject;
    void BuildList(TGLRenderContextInfo&) override
    {
        static constexpr float cCorners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
        gl->Begin_(GL_QUADS);
        gl->Normal3f(0, 0, 1);
        for (const auto& corner : cCorners) {
            gl->TexCoord2f((corner[0] + 1) / 2, (corner[1] + 1) / 2);
            gl->Vertex3f(corner[0] * 0.9f, corner[1] * 0.9f, 0);
        }
        gl->End_();
    }
};

} // namespace

TEST_F(VAVodadBufferTest, NewBufferDefaultsAndTheContextItAsksFor)
{
    TVAVodadBuffer buffer(nullptr);
    EXPECT_TRUE(buffer.DepthTest());
    EXPECT_TRUE(buffer.FaceCulling());
    EXPECT_TRUE(buffer.Lighting());
    EXPECT_FALSE(buffer.FogEnable());
    EXPECT_EQ(buffer.BackgroundAlpha(), 1.0f);
    EXPECT_EQ(buffer.BackgroundColor(), clBtnFace);
    EXPECT_EQ(buffer.AmbientColor()->Color().X, 0.2f);
    EXPECT_EQ(buffer.Layer(), clMainPlane);
    EXPECT_EQ(buffer.ContextOptions(), (TContextOptions{roDoubleBuffer, roRenderToWindow, roDebugContext}));

    struct Case {
        TContextOptions options;
        TGLColorDepth colour;
        TGLDepthPrecision depth;
        int32_t colourBits, depthBits, stencilBits, alphaBits;
        TGLContextAcceleration acceleration;
    };
    const Case cases[] = {
        {{}, cdDefault, dpDefault, 24, 24, 0, 0, chaHardware},
        {{roStencilBuffer, roDestinationAlpha}, cdFloat128bits, dp32bits, 128, 32, 8, 8, chaHardware},
        {{roNoColorBuffer, roSoftwareMode}, cd16bits, dp16bits, 0, 16, 0, 0, chaSoftware},
    };
    for (const Case& c : cases) {
        buffer.SetContextOptions(c.options);
        buffer.SetColorDepth(c.colour);
        buffer.SetDepthPrecision(c.depth);
        TGLContext* context = vGLContextManager->CreateContext();
        buffer.ApplyContextSettings(context);
        EXPECT_EQ(context->ColorBits(), c.colourBits);
        EXPECT_EQ(context->DepthBits(), c.depthBits);
        EXPECT_EQ(context->StencilBits(), c.stencilBits);
        EXPECT_EQ(context->AlphaBits(), c.alphaBits);
        EXPECT_EQ(context->Acceleration(), c.acceleration);
        Free(context);
    }
}

TEST_F(VAVodadBufferTest, SettingsReachTheirEventAndSizesAreHeldInRange)
{
    int changes = 0, structural = 0;
    TVAVodadBuffer buffer(nullptr);
    buffer.OnChange = [&](TObject*) { ++changes; };
    buffer.OnStructuralChange = [&](TObject*) { ++structural; };
    buffer.SetAntiAliasing(aa4x);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(structural, 1);
    buffer.SetBackgroundColor(clRed);
    buffer.SetBackgroundColor(clRed);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(structural, 1);

    // A camera outside any scene is not taken.
    TGLCamera loose(nullptr);
    buffer.SetCamera(&loose);
    EXPECT_EQ(buffer.Camera(), nullptr);
    EXPECT_EQ(changes, 2);

    buffer.Resize(0, 0, 0, -5);
    EXPECT_EQ(buffer.Width(), 1);
    EXPECT_EQ(buffer.Height(), 1);
    Viewer->SetWidth(-3);
    EXPECT_EQ(Viewer->Width(), 1);
    Viewer->SetBufferCount(0);
    EXPECT_EQ(Viewer->BufferCount(), 1);
    Viewer->SetBufferCount(7);
    EXPECT_EQ(Viewer->BufferCount(), 4);
}

TEST_F(VAVodadBufferTest, AFrameClearsToTheBackgroundAndDrawsTheTree)
{
    Buffer()->SetBackgroundColor(Rgb(51, 102, 153));
    AddQuad(-5, 0.5f, {{{1, 0, 0, 1}}});
    Render();
    int changesDuringFrame = 0;
    Buffer()->OnChange = [&](TObject*) { ++changesDuringFrame; };
    Buffer()->PostRender = [&](TObject*) { Buffer()->NotifyChange(nullptr); };
    Render();
    EXPECT_EQ(changesDuringFrame, 0); // no repaint requests from inside a frame
    EXPECT_TRUE(Near(Pixel(2, 2), Rgb(51, 102, 153), 1));
    EXPECT_EQ(Pixel(cWidth / 2, cHeight / 2), Rgb(255, 0, 0));
    EXPECT_EQ(Buffer()->FrameCount(), 2);

    Buffer()->RenderingContext()->Activate();
    EXPECT_EQ(Buffer()->GetLimit(limLights), 8);
    EXPECT_EQ(Buffer()->GetLimit(limDoubleBuffer), 0);
    EXPECT_GE(Buffer()->GetLimit(limViewportDims), 4096);
    Buffer()->RenderingContext()->Deactivate();
}

TEST_F(VAVodadBufferTest, LinearFogHalfWayMixesTheQuadWithTheFogColour)
{
    // A 0.5 grey quad at depth 55 in white fog from 10 to 100: f = (100 - 55) / 90 = 0.5.
    AddQuad(-55, 100, {{{0.5f, 0.5f, 0.5f, 1}}});
    Buffer()->SetFogEnable(true);
    TGLFogEnvironment* fog = Buffer()->FogEnvironment();
    fog->SetFogStart(10);
    fog->SetFogEnd(100);
    fog->FogColor()->SetColor(1, 1, 1, 1);
    Render();
    EXPECT_EQ(Pixel(cWidth / 2, cHeight / 2), Rgb(191, 191, 191));
}

TEST_F(VAVodadBufferTest, BlendedObjectsAreDrawnAfterOpaqueOnes)
{
    // The half-transparent red quad comes first in the tree and in front: drawn in tree order, it would hide
    // the green one behind it from the depth test.
    TGLDirectOpenGL* front = AddQuad(-5, 1, {{{1, 0, 0, 0.5f}}});
    front->SetBlend(true);
    const auto drawFront = front->OnRender;
    front->OnRender = [drawFront](TObject* sender, TGLRenderContextInfo& rci) {
        rci.GLStates->Enable(stBlend);
        rci.GLStates->SetBlendFunc(bfSrcAlpha, bfOneMinusSrcAlpha);
        drawFront(sender, rci);
        rci.GLStates->Disable(stBlend);
    };
    AddQuad(-10, 5, {{{0, 1, 0, 1}}});
    Render();
    EXPECT_TRUE(Near(Pixel(cWidth / 2, cHeight / 2), Rgb(128, 128, 0), 1));
}

TEST_F(VAVodadBufferTest, ALibraryMaterialSharedByNeighboursReachesNothingElse)
{
    // A green texture: a plain red quad drawn while it is still on would come out black.
    TBitmap green;
    green.SetPixelFormat(pf32bit);
    green.SetSize(2, 2);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x) std::memcpy(green.ScanLine(y) + 4 * x, "\x00\xff\x00\xff", 4);
    auto* library = new TGLMaterialLibrary(nullptr);
    library->AddTextureMaterial("green", &green);
    const auto textured = [&](TGLBaseSceneObject* parent, float x) {
        auto* quad = TGLBaseSceneObject::CreateAsChild<TTexturedQuad>(parent);
        quad->Material()->SetMaterialLibrary(library);
        quad->Material()->SetLibMaterialName("green");
        quad->Position()->SetPoint(x, 0, -5);
        return quad;
    };
    // In tree order: two textured neighbours, the second with a plain child above it, a plain quad, a textured
    // one; then the frame ends.
    textured(Scene->Objects(), -3);
    TTexturedQuad* parent = textured(Scene->Objects(), -1);
    TGLDirectOpenGL* child = AddQuad(0, 0.9f, {{{1, 0, 0, 1}}}, parent);
    child->Position()->SetPoint(0, 2.2f, 0);
    AddQuad(0, 0.9f, {{{1, 0, 0, 1}}})->Position()->SetPoint(1, 0, -5);
    textured(Scene->Objects(), 3);
    for (int frame = 0; frame < 2; ++frame) {
        Render();
        const auto isGreen = [this](int32_t x, int32_t y) {
            const TColor c = Pixel(x, y);
            return (c & 0xFF) < 30 && ((c >> 8) & 0xFF) > 150 && ((c >> 16) & 0xFF) < 30;
        };
        EXPECT_TRUE(isGreen(10, 24)) << frame;
        EXPECT_TRUE(isGreen(25, 24)) << frame;
        EXPECT_EQ(Pixel(25, 8), Rgb(255, 0, 0)) << frame;
        EXPECT_EQ(Pixel(40, 24), Rgb(255, 0, 0)) << frame;
        EXPECT_TRUE(isGreen(55, 24)) << frame;
        EXPECT_FALSE(Buffer()->RenderingContext()->GLStates()->ActiveTextureEnabled(ttTexture2D)) << frame;
    }
    Free(library);
}

TEST_F(VAVodadBufferTest, ANinthLightStaysDarkUntilItGetsAFreeEntry)
{
    Buffer()->SetLighting(true);
    Buffer()->AmbientColor()->SetColor(0, 0, 0, 1);
    std::vector<TGLLightSource*> lights;
    for (int i = 0; i < 8; ++i) {
        lights.push_back(TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects()));
        lights.back()->SetShining(false);
    }
    auto* ninth = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects());
    ninth->SetLightStyle(lsOmni);
    AddQuad(-5, 5, {{{1, 1, 1, 1}}});
    Render();
    EXPECT_EQ(Pixel(cWidth / 2, cHeight / 2), Rgb(0, 0, 0));

    Free(lights[3]);
    Scene->Objects()->Remove(ninth, false);
    Scene->Objects()->AddChild(ninth);
    EXPECT_EQ(ninth->LightID(), 3u);
    Render();
    // Lit by the white light: some even grey.
    const TColor lit = Pixel(cWidth / 2, cHeight / 2);
    EXPECT_GT(lit & 0xFF, 60);
    EXPECT_TRUE(Near(lit, Rgb(lit & 0xFF, lit & 0xFF, lit & 0xFF), 1));
}

TEST_F(VAVodadBufferTest, PickingFindsTheNearerObjectUnderAPixelAndNothingOverTheBackground)
{
    TGLDirectOpenGL* far = AddQuad(-10, 2, {{{0, 1, 0, 1}}});
    TGLDirectOpenGL* nearQuad = AddQuad(-5, 0.5f, {{{1, 0, 0, 1}}});
    int picked = 0;
    nearQuad->OnPicked = [&](TObject* sender) { picked += sender == nearQuad; };
    Render();
    EXPECT_EQ(Buffer()->GetPickedObject(cWidth / 2, cHeight / 2), nearQuad);
    EXPECT_EQ(picked, 1);
    EXPECT_EQ(Buffer()->GetPickedObject(1, 1), nullptr);

    // A rectangle over both finds both, the nearer first; a guess far too small only costs more passes.
    std::unique_ptr<TGLPickList> both(Buffer()->GetPickedObjects(TRect{0, 0, cWidth, cHeight}, 1));
    ASSERT_EQ(both->Count(), 2);
    EXPECT_EQ(both->Hit(0), nearQuad);
    EXPECT_EQ(both->Hit(1), far);
    EXPECT_LT(both->NearDistance(0), both->NearDistance(1));

    nearQuad->SetPickable(false);
    EXPECT_EQ(Buffer()->GetPickedObject(cWidth / 2, cHeight / 2), far);
    EXPECT_FALSE(Buffer()->Rendering());
}

TEST_F(VAVodadBufferTest, PixelReadsUseTheRowFromTheTopAndDepthsConvertToDistances)
{
    // A red band over the top row only.
    AddScreenRect(-1, 1 - 2.0f / cHeight, 1, 1, {{{1, 0, 0, 1}}});
    AddQuad(-20, 100, {{{0, 0, 1, 1}}});
    Render();
    EXPECT_EQ(Pixel(5, 0), Rgb(255, 0, 0));
    EXPECT_EQ(Pixel(5, 1), Rgb(0, 0, 255));
    EXPECT_NEAR(Buffer()->PixelDepthToDistance(Buffer()->GetPixelDepth(cWidth / 2, cHeight / 2)), 20.0f, 0.05f);
    EXPECT_FLOAT_EQ(Buffer()->PixelDepthToDistance(0), Camera->NearPlane());
    EXPECT_NEAR(Buffer()->PixelDepthToDistance(1), Camera->NearPlane() + Camera->DepthOfView(), 1e-3);

    // The viewport centre at depth 0 lies on the near plane straight ahead, and projects back to itself.
    const TVector3f centre{{{cWidth / 2.0f, cHeight / 2.0f, 0}}};
    const TVector3f world = Buffer()->ScreenToWorld(centre);
    EXPECT_NEAR(world.X, 0, 1e-5);
    EXPECT_NEAR(world.Y, 0, 1e-5);
    EXPECT_NEAR(world.Z, -Camera->NearPlane(), 1e-4);
    const TVector3f back = Buffer()->WorldToScreen(world);
    EXPECT_NEAR(back.X, centre.X, 1e-3);
    EXPECT_NEAR(back.Y, centre.Y, 1e-3);
}

TEST_F(VAVodadBufferTest, TheScreenRayMeetsEachAxisPlaneAtItsOffset)
{
    Render();
    struct Case {
        const char* plane;
        TVector3f screenPoint; // y from the bottom
        int axis;
        float offset;
    };
    const Case cases[] = {
        {"XY", {{{cWidth / 2.0f, cHeight / 2.0f, 0}}}, 2, -10},
        {"YZ", {{{cWidth * 0.75f, cHeight / 2.0f, 0}}}, 0, 1},
        {"XZ", {{{cWidth / 2.0f, cHeight * 0.75f, 0}}}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plane);
        TVector4f hit{};
        const bool found = c.axis == 2   ? Buffer()->ScreenVectorIntersectWithPlaneXY(c.screenPoint, c.offset, hit)
                           : c.axis == 0 ? Buffer()->ScreenVectorIntersectWithPlaneYZ(c.screenPoint, c.offset, hit)
                                         : Buffer()->ScreenVectorIntersectWithPlaneXZ(c.screenPoint, c.offset, hit);
        ASSERT_TRUE(found);
        EXPECT_NEAR(hit.V[c.axis], c.offset, 1e-4);
        EXPECT_LT(hit.Z, 0); // ahead of the camera
        EXPECT_EQ(hit.W, 0);
    }
    // The general form gives a point.
    TVector4f hit{};
    ASSERT_TRUE(
        Buffer()->ScreenVectorIntersectWithPlane(cases[0].screenPoint, {{{0, 0, -10, 1}}}, {{{0, 0, 1, 0}}}, hit));
    EXPECT_NEAR(hit.X, 0, 1e-4);
    EXPECT_NEAR(hit.Y, 0, 1e-4);
    EXPECT_EQ(hit.W, 1);

    Viewer->SetCamera(nullptr);
    EXPECT_FALSE(Buffer()->ScreenVectorIntersectWithPlaneXY(cases[0].screenPoint, -10, hit));
}

TEST_F(VAVodadBufferTest, OnlyTheBuffersTheOptionsNameAreClearedBetweenFrames)
{
    TGLDirectOpenGL* nearRed = AddQuad(-5, 1.5f, {{{1, 0, 0, 1}}});
    TGLDirectOpenGL* farGreen = AddQuad(-8, 0.5f, {{{0, 1, 0, 1}}});
    struct Case {
        TContextOptions options;
        TColor besideGreen; // inside the red square of the first frame, outside the green one of the second
    };
    const Case cases[] = {
        {{roDoubleBuffer, roRenderToWindow}, Rgb(0, 0, 0)},
        {{roDoubleBuffer, roRenderToWindow, roNoColorBufferClear}, Rgb(255, 0, 0)},
    };
    for (const Case& c : cases) {
        Buffer()->SetContextOptions(c.options);
        nearRed->SetVisible(true);
        farGreen->SetVisible(false);
        Render();
        nearRed->SetVisible(false);
        farGreen->SetVisible(true);
        Render();
        // The depth buffer is cleared in both: the farther green square is not hidden by the red one's depth.
        EXPECT_EQ(Pixel(cWidth / 2, cHeight / 2), Rgb(0, 255, 0));
        EXPECT_EQ(Pixel(cWidth / 2 + 7, cHeight / 2), c.besideGreen);
    }
}

TEST_F(VAVodadBufferTest, ASnapshotWrittenToAFileReadsBackWithTheSamePixels)
{
    AddQuad(-5, 0.3f, {{{1, 0.5f, 0, 1}}});
    AddScreenRect(-1, 1 - 2.0f / cHeight, 1, 1, {{{0, 1, 0, 1}}}); // the top row, to show which way is up
    Buffer()->SetBackgroundColor(Rgb(0, 64, 128));
    Render();
    const std::unique_ptr<TBitmap> snapshot(Buffer()->CreateSnapShotBitmap());
    ASSERT_EQ(snapshot->Width(), cWidth);
    EXPECT_EQ(PixelOf(*snapshot, cWidth / 2, cHeight / 2), Pixel(cWidth / 2, cHeight / 2));
    EXPECT_EQ(PixelOf(*snapshot, 1, 0), Rgb(0, 255, 0));
    EXPECT_EQ(PixelOf(*snapshot, 1, 1), Rgb(0, 64, 128));
    EXPECT_EQ(PixelOf(*snapshot, 1, cHeight - 1), Rgb(0, 64, 128));

    for (const char* name : {"view.png", "view.bmp"}) {
        SCOPED_TRACE(name);
        const std::string file = Folder / name;
        Buffer()->RenderToFile(file, 96);
        TPicture picture;
        picture.LoadFromFile(file);
        TBitmap saved;
        saved.Assign(picture.Graphic());
        ASSERT_EQ(saved.Width(), cWidth);
        ASSERT_EQ(saved.Height(), cHeight);
        for (int32_t y = 0; y < cHeight; y += 7)
            for (int32_t x = 0; x < cWidth; x += 5) ASSERT_EQ(PixelOf(saved, x, y), PixelOf(*snapshot, x, y));
    }
}

TEST_F(VAVodadBufferTest, RenderToFileSavesNothingWhenTheUserDeclines)
{
    Render();
    const std::string file = Folder / "kept.bmp";
    Folder.Write("kept.bmp", "old");
    std::string question;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        question = request.Text;
        return mrNo;
    });
    Buffer()->RenderToFile(file, 96);
    EXPECT_EQ(question, "Overwrite file " + file + "?");
    EXPECT_EQ(Folder.Read("kept.bmp"), "old");

    bool asked = false;
    SetSavePictureDialogHook([&](const TSavePictureRequest&, std::string&) { return !(asked = true); });
    Buffer()->RenderToFile("", 96);
    EXPECT_TRUE(asked);

    // A view without width cannot give the resolution of a larger picture.
    Buffer()->SetViewPort(0, 0, 0, cHeight);
    EXPECT_THROW(Buffer()->RenderToFile(file, 128, 96), Exception);
}

TEST_F(VAVodadBufferTest, AFailedBitmapRenderGivesTheBufferItsContextBack)
{
    Render();
    TGLContext* own = Buffer()->RenderingContext();
    Buffer()->OnPrepareGLContext = [](TObject*) { throw std::runtime_error("no context for the bitmap"); };
    TBitmap bitmap;
    bitmap.SetSize(16, 16);
    EXPECT_THROW(Buffer()->RenderToBitmap(&bitmap, 96), std::runtime_error);
    EXPECT_EQ(Buffer()->RenderingContext(), own);
    EXPECT_FALSE(Buffer()->Rendering());
    EXPECT_EQ(Buffer()->Width(), cWidth);

    Buffer()->OnPrepareGLContext = nullptr;
    AddQuad(-5, 5, {{{0, 1, 0, 1}}});
    Render();
    EXPECT_EQ(Pixel(cWidth / 2, cHeight / 2), Rgb(0, 255, 0));
    Buffer()->RenderToBitmap(&bitmap, 96);
    EXPECT_EQ(PixelOf(bitmap, 8, 8), Rgb(0, 255, 0));
}

TEST_F(VAVodadBufferTest, AFrozenBufferRepaintsTheSamePictureWithoutCountingFrames)
{
    TGLDirectOpenGL* quad = AddQuad(-5, 5, {{{0, 0, 1, 1}}});
    Buffer()->Freeze();
    EXPECT_FALSE(Buffer()->Freezed()); // nothing to freeze before the first frame made the context
    Render();
    Buffer()->Freeze();
    ASSERT_TRUE(Buffer()->Freezed());
    const int32_t frames = Buffer()->FrameCount();
    const float rate = Buffer()->FramesPerSecond();
    Buffer()->SetBackgroundColor(clWhite);
    quad->SetVisible(false);
    Render();
    EXPECT_EQ(Pixel(cWidth / 2, cHeight / 2), Rgb(0, 0, 255));
    EXPECT_EQ(Buffer()->FrameCount(), frames);
    EXPECT_EQ(Buffer()->FramesPerSecond(), rate);

    Buffer()->Melt();
    Render();
    EXPECT_EQ(Pixel(cWidth / 2, cHeight / 2), Rgb(255, 255, 255));
}

TEST_F(VAVodadBufferTest, FramesAreCountedFromTheLastReset)
{
    Render();
    Buffer()->ResetPerformanceMonitor();
    for (int i = 0; i < 5; ++i) Render();
    EXPECT_EQ(Buffer()->FrameCount(), 5);
    EXPECT_GT(Buffer()->FramesPerSecond(), 0);
    EXPECT_GT(Buffer()->LastFrameTime(), 0);
    const std::string text = Buffer()->FramesPerSecondText(2);
    EXPECT_EQ(text.substr(text.size() - 4), " FPS");
}

TEST_F(VAVodadBufferTest, UnbalancedMatrixStacksAreReported)
{
    Buffer()->PostRender = [this](TObject*) { Buffer()->PushViewMatrix(IdentityHmgMatrix); };
    ASSERT_THAT(MessageOf<EAssertionFailed>([&] { Render(); }), StartsWith("Unbalance Push/PopViewMatrix."))
        << "a frame ending with a pushed view matrix";
    Buffer()->PostRender = nullptr;
    Buffer()->RenderingContext()->Activate();
    EXPECT_THAT(MessageOf<EAssertionFailed>([&] { Buffer()->PopViewMatrix(); }), StartsWith("Unbalanced PopViewMatrix"))
        << "popping an empty stack";
    Buffer()->RenderingContext()->Deactivate();
    Render(); // the buffer renders again
    EXPECT_FALSE(Buffer()->Rendering());
}

TEST_F(VAVodadBufferTest, TheFrameCopiedIntoATextureReplacesItsPicture)
{
    Buffer()->SetBackgroundColor(Rgb(200, 100, 50));
    Render();
    TGLTexture texture(nullptr);
    Buffer()->CopyToTexture(&texture, 0, 0, 16, 8, 0, 0);
    ASSERT_EQ(texture.GetImageClassName(), ClassNameOf<TGLBlankImage>());
    EXPECT_EQ(texture.Image()->Width(), 16);
    EXPECT_EQ(texture.Image()->Height(), 8);

    Buffer()->RenderingContext()->Activate();
    std::vector<uint8_t> texels(16 * 8 * 4);
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    gl->BindTexture(GL_TEXTURE_2D, texture.Handle());
    gl->GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    Buffer()->RenderingContext()->Deactivate();
    EXPECT_EQ(texels[0], 200);
    EXPECT_EQ(texels[1], 100);
    EXPECT_EQ(texels[2], 50);
    EXPECT_EQ(texels[texels.size() - 2], 50);
}

TEST_F(VAVodadBufferTest, TheFloatDumpIsRawRgbaFloatsFromTheBottomRow)
{
    Viewer->SetWidth(2);
    Viewer->SetHeight(2);
    // The bottom row red, the top row blue.
    AddScreenRect(-1, -1, 1, 0, {{{1, 0, 0, 1}}});
    AddScreenRect(-1, 0, 1, 1, {{{0, 0, 1, 1}}});
    Render();
    Buffer()->SaveAsFloatToFile(Folder / "frame.raw");
    const std::string bytes = Folder.Read("frame.raw");
    ASSERT_EQ(bytes.size(), 64u);
    float pixel[8];
    std::memcpy(pixel, bytes.data(), sizeof(pixel));
    EXPECT_EQ(pixel[0], 1.0f);
    EXPECT_EQ(pixel[2], 0.0f);
    EXPECT_EQ(pixel[3], 1.0f);
    std::memcpy(pixel, bytes.data() + 32, sizeof(pixel));
    EXPECT_EQ(pixel[0], 0.0f);
    EXPECT_EQ(pixel[2], 1.0f);
}

TEST_F(VAVodadBufferTest, AViewerOutlivingItsSceneRendersWithoutIt)
{
    Render();
    Free(Scene);
    Scene = nullptr;
    EXPECT_EQ(Viewer->Camera(), nullptr);
    Buffer()->SetBackgroundColor(clWhite);
    Render();
    EXPECT_EQ(Buffer()->GetPixelColor(1, 1), 0); // no camera: no pixel reads either
    const std::unique_ptr<TGLImage> image(Buffer()->CreateSnapShot());
    EXPECT_EQ(image->Width(), cWidth);
}

TEST_F(VAVodadBufferTest, CubeMapFacesAreRenderedFromTheCameraPosition)
{
    Viewer->SetWidth(32);
    Viewer->SetHeight(32);
    Buffer()->SetBackgroundColor(Rgb(0, 0, 255));
    // Straight ahead of a camera that stands off the origin: only a view that moves before it turns has the
    // quad in the middle of the -Z face.
    Camera->Position()->SetPoint(3, 0, 0);
    AddQuad(-10, 2, {{{1, 0, 0, 1}}})->Position()->SetPoint(3, 0, 0);
    TGLTexture cubeMap(nullptr);
    Viewer->RenderCubeMapTextures(&cubeMap);
    EXPECT_FALSE(Camera->DeferredApply);

    const auto texel = [&](GLenum face, int32_t x, int32_t y) {
        std::vector<uint8_t> texels(32 * 32 * 4);
        Buffer()->RenderingContext()->Activate();
        TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
        gl->BindTexture(GL_TEXTURE_CUBE_MAP, cubeMap.Handle());
        gl->GetTexImage(face, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        Buffer()->RenderingContext()->Deactivate();
        const uint8_t* p = &texels[(static_cast<size_t>(y) * 32 + x) * 4];
        return Rgb(p[0], p[1], p[2]);
    };
    EXPECT_EQ(texel(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 16, 16), Rgb(255, 0, 0));
    EXPECT_EQ(texel(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 2, 16), Rgb(0, 0, 255));
    EXPECT_EQ(texel(GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 16, 16), Rgb(0, 0, 255));
    EXPECT_EQ(texel(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 16, 16), Rgb(0, 0, 255));

    struct Case {
        int32_t width;
        bool camera, texture;
        const char* message;
    };
    const Case cases[] = {{32, true, true, "Memory Viewer must render to a square!"},
                          {16, false, true, "Camera not specified"},
                          {16, true, false, "Texture not specified"}};
    for (const Case& c : cases) {
        Viewer->SetWidth(c.width);
        Viewer->SetHeight(16);
        Viewer->SetCamera(c.camera ? Camera : nullptr);
        EXPECT_THAT(MessageOf<EAssertionFailed>([&] { Viewer->RenderCubeMapTextures(c.texture ? &cubeMap : nullptr); }),
                    StartsWith(c.message));
    }
}

TEST_F(VAVodadBufferTest, CopyingFromAColourBufferMakesTheTexturesStorageOnceThenCopiesIntoIt)
{
    Buffer()->SetBackgroundColor(Rgb(255, 0, 0));
    Render();
    TGLTexture texture(nullptr);
    // Without mipmaps: Mesa's mipmap generation leaves driver threads that crash the leak checker at exit.
    texture.SetMinFilter(miLinear);
    Viewer->CopyToTextureMRT(&texture, 0);
    const auto firstTexel = [&] {
        Buffer()->RenderingContext()->Activate();
        TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
        gl->BindTexture(GL_TEXTURE_2D, texture.TextureHandle()->Handle());
        GLint width = 0, height = 0;
        gl->GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        gl->GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        std::vector<uint8_t> texels(static_cast<size_t>(width) * height * 4 + 4);
        gl->GetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        Buffer()->RenderingContext()->Deactivate();
        EXPECT_EQ(width, cWidth);
        EXPECT_EQ(height, cHeight);
        return Rgb(texels[0], texels[1], texels[2]);
    };
    EXPECT_EQ(firstTexel(), Rgb(255, 0, 0));

    Buffer()->SetBackgroundColor(Rgb(0, 255, 0));
    Render();
    Viewer->CopyToTextureMRT(&texture, 0);
    EXPECT_EQ(firstTexel(), Rgb(0, 255, 0));
}

TEST_F(VAVodadBufferTest, AnOverflowingPickDoublesItsGuessInsteadOfGrowingByOne)
{
    int passes = 0;
    for (int i = 0; i < 20; ++i) {
        TGLDirectOpenGL* quad = AddQuad(-5.0f - i, 1, {{{1, 1, 1, 1}}});
        if (i == 0) {
            const auto draw = quad->OnRender;
            quad->OnRender = [&passes, draw](TObject* sender, TGLRenderContextInfo& rci) {
                passes += rci.drawState == dsPicking;
                draw(sender, rci);
            };
        }
    }
    Render();
    // Eight hits fit the first pass; then room for 16, then 32.
    std::unique_ptr<TGLPickList> hits(Buffer()->GetPickedObjects(TRect{30, 22, 34, 26}, 8));
    EXPECT_EQ(hits->Count(), 20);
    EXPECT_EQ(passes, 3);
    for (int32_t i = 1; i < hits->Count(); ++i) EXPECT_LE(hits->NearDistance(i - 1), hits->NearDistance(i));
}

TEST_F(VAVodadBufferTest, AContextThatCouldNotBeMadeNeverBecomesTheScenesBaseContext)
{
    Buffer()->OnPrepareGLContext = [](TObject*) { throw std::runtime_error("no pixel format"); };
    EXPECT_THROW(Render(), std::runtime_error);
    EXPECT_EQ(Buffer()->RenderingContext(), nullptr);
    EXPECT_FALSE(Buffer()->Rendering());
    EXPECT_EQ(Scene->BufferCount(), 0);
    EXPECT_EQ(Scene->BaseContext(), nullptr);

    Buffer()->OnPrepareGLContext = nullptr;
    Render();
    ASSERT_NE(Buffer()->RenderingContext(), nullptr);
    EXPECT_EQ(Scene->BufferCount(), 1);
    EXPECT_EQ(Scene->BaseContext(), Buffer()->RenderingContext());
}
