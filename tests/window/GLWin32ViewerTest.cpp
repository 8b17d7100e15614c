// The scene viewer in a form on an X server: a cube turned by the frame clock, frame after frame, its pixels
// read back before each frame is presented; the viewport following the window; a new context for new pixel
// settings; a second viewer in another form sharing the first one's materials; and the full-screen viewer
// entering and leaving full screen.
#include "GLCadencer.h"
#include "GLFullScreenViewer.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLWin32Viewer.h"
#include "OpenGLAdapter.h"
#include "ProcessUntil.h"
#include "RealGLTestContext.h"
#include "StdCtrls.h"
#include "VAVodad.h"
#include "VAVodadInit.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numeric>
#include <memory>
#include <vector>

namespace {

// A cube of half size 1, each face in its own colour.
void DrawCube(TObject*, TGLRenderContextInfo&)
{
    static const float faces[6][4][3] = {
        {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},     {{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}},
        {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},     {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
        {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}},     {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
    };
    static const float colours[6][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}};
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    gl->Begin_(GL_QUADS);
    for (int f = 0; f < 6; ++f) {
        gl->Color3fv(colours[f]);
        for (const auto& v : faces[f]) gl->Vertex3fv(v);
    }
    gl->End_();
}

class ViewerWindow : public RealGLTestContext {
protected:
    // The program's windowed start-up: the viewers' X connection and window destruction reach the GL layer.
    static void SetUpTestSuite()
    {
        InitVAVodadWindows();
        RealGLTestContext::SetUpTestSuite();
    }

    void SetUp() override
    {
        ASSERT_NE(GetX11Display(), nullptr) << "no X server";
        Scene = new TVAVodad(nullptr);
        Camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene->Objects());
        Camera->SetFocalLength(20);
        Cube = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(Scene->Objects());
        Cube->SetUseBuildList(false);
        Cube->OnRender = DrawCube;
        Cube->Position()->SetPoint(0, 0, -5);
        Cube->SetPitchAngle(30);

        Form = new TForm(nullptr);
        Form->SetClientWidth(160);
        Form->SetClientHeight(120);
        Viewer = new TVAVodadViewer(Form);
        Viewer->SetParent(Form);
        Viewer->SetAlign(alClient);
        Viewer->SetCamera(Camera);
        Viewer->Buffer()->SetBackgroundColor(clBlack);
        Viewer->Buffer()->SetLighting(false);
        Viewer->Buffer()->SetFaceCulling(false);
        // Each frame's pixels, read before the frame is presented.
        Viewer->PostRender() = [this](TObject*) {
            const int32_t w = Viewer->Buffer()->Width(), h = Viewer->Buffer()->Height();
            Frames.emplace_back(static_cast<size_t>(w) * h * 4);
            GetCurrentGL()->ReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, Frames.back().data());
        };
        Form->Show();
    }
    void TearDown() override
    {
        Free(Form);
        Free(Scene);
    }

    static size_t Lit(const std::vector<uint8_t>& frame)
    {
        size_t lit = 0;
        for (size_t i = 0; i < frame.size(); i += 4) lit += (frame[i] | frame[i + 1] | frame[i + 2]) != 0;
        return lit;
    }

    TVAVodad* Scene = nullptr;
    TGLCamera* Camera = nullptr;
    TGLDirectOpenGL* Cube = nullptr;
    TForm* Form = nullptr;
    TVAVodadViewer* Viewer = nullptr;
    std::vector<std::vector<uint8_t>> Frames;
};

TEST_F(ViewerWindow, TheFrameClockTurnsTheCubeAndEveryFrameShowsItAnew)
{
    ASSERT_TRUE(Viewer->IsRenderingContextAvailable());
    EXPECT_EQ(Viewer->Buffer()->Width(), 160);
    // The cube's turn at each frame: the window system may ask for a repaint of its own (an expose) between
    // two ticks, which shows the same turn again.
    std::vector<float> turns;
    const TNotifyEvent recordFrame = Viewer->PostRender();
    Viewer->PostRender() = [&](TObject* Sender) {
        recordFrame(Sender);
        turns.push_back(Cube->TurnAngle());
    };
    const auto distinctTurns = [&] {
        return turns.empty() ? 0 : 1 + std::inner_product(turns.begin() + 1, turns.end(), turns.begin(), size_t{0},
                                                          std::plus<>(), std::not_equal_to<>());
    };
    TGLCadencer cadencer(nullptr);
    int ticks = 0;
    // The game's frame: move the scene, then ask for a repaint (served inside the next tick).
    cadencer.OnProgress = [&](TObject*, double, double) {
        Cube->SetTurnAngle(Cube->TurnAngle() + 20);
        Viewer->Invalidate();
        if (++ticks == 200 || distinctTurns() >= 6) cadencer.SetEnabled(false);
    };
    cadencer.SetScene(Scene);
    ASSERT_TRUE(ProcessUntil([&] { return !cadencer.Enabled(); }, 2000));
    ASSERT_GE(distinctTurns(), 6u) << "after " << ticks << " ticks";
    EXPECT_GT(Viewer->FramesPerSecond(), 0);
    for (size_t i = 1; i < Frames.size(); ++i) {
        const size_t lit = Lit(Frames[i]);
        EXPECT_GT(lit, 500u) << "frame " << i;       // the cube is there
        EXPECT_LT(lit, 160u * 120u) << "frame " << i; // on the black background
        if (turns[i] == turns[i - 1])
            EXPECT_EQ(Frames[i], Frames[i - 1]) << "frame " << i << " repaints the same turn differently";
        else
            EXPECT_NE(Frames[i], Frames[i - 1]) << "frame " << i << " shows the cube as it was";
    }
}

TEST_F(ViewerWindow, TheFieldOfViewIsForTheSmallerSideAndEachFrameKeepsTheSwapIntervalAsAsked)
{
    ASSERT_EQ(Viewer->Width(), 160);
    ASSERT_EQ(Viewer->Height(), 120);
    Viewer->SetFieldOfView(90);
    EXPECT_NEAR(Viewer->FieldOfView(), 90, 1e-3);
    EXPECT_NEAR(Camera->GetFieldOfView(120), 90, 1e-3);
    EXPECT_GT(Camera->GetFieldOfView(160), 90);

    struct Case {
        TVSyncMode mode;
        int32_t interval;
    };
    for (const Case c : {Case{vsmSync, 1}, Case{vsmNoSync, 0}}) {
        Viewer->SetVSync(c.mode);
        int32_t interval = -1;
        Viewer->PostRender() = [&](TObject*) {
            TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
            if (gl->W_EXT_swap_control) interval = gl->WGetSwapIntervalEXT();
        };
        Viewer->Invalidate();
        ASSERT_TRUE(ProcessUntil([&] { return interval != -1; }, 2000)) << "no swap control on this display";
        EXPECT_EQ(interval, c.interval);
    }

    Viewer->SetCamera(nullptr);
    EXPECT_EQ(Viewer->FieldOfView(), 0);
}

// The bitmap's pixels that are not black.
size_t LitPixels(const TBitmap& bitmap)
{
    size_t lit = 0;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < bitmap.Width(); ++x, row += bitmap.BytesPerPixel())
            lit += (row[0] | row[1] | row[2]) != 0;
    }
    return lit;
}

// On a window surface the back buffer is undefined after a swap: snapshots and Freeze must take a frame before
// it is presented, and a frozen view's snapshot is its frozen picture.
TEST_F(ViewerWindow, SnapshotsAndFreezeOfAWindowTakeTheFrameBeforeItIsPresented)
{
    ASSERT_TRUE(ProcessUntil([&] { return !Frames.empty(); }, 2000));
    TVAVodadBuffer* buffer = Viewer->Buffer();
    ASSERT_TRUE(buffer->ContextOptions().Contains(roDoubleBuffer));
    std::unique_ptr<TBitmap> live(buffer->CreateSnapShotBitmap());
    EXPECT_EQ(LitPixels(*live), Lit(Frames.back()));
    EXPECT_GT(LitPixels(*live), 500u);

    buffer->Freeze();
    ASSERT_TRUE(buffer->Freezed());
    Cube->Position()->SetPoint(0, 0, 50); // behind the camera: a live frame would be empty
    std::unique_ptr<TBitmap> frozen(buffer->CreateSnapShotBitmap());
    EXPECT_EQ(LitPixels(*frozen), LitPixels(*live));

    buffer->Melt();
    std::unique_ptr<TBitmap> melted(buffer->CreateSnapShotBitmap());
    EXPECT_EQ(LitPixels(*melted), 0u);
}

// Counts the size messages that reach the viewer.
class TCountingViewer : public TVAVodadViewer {
public:
    using TVAVodadViewer::TVAVodadViewer;
    int Sizes = 0;

protected:
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_SIZE) ++Sizes;
        TVAVodadViewer::WndProc(Message);
    }
};

TEST_F(ViewerWindow, TheViewportFollowsTheWindowAndNewPixelSettingsMakeANewContext)
{
    Form->SetClientWidth(200);
    ASSERT_TRUE(ProcessUntil([&] { return Viewer->Buffer()->Width() == 200; }, 2000));
    EXPECT_EQ(Viewer->Buffer()->Height(), 120);

    // A structural change: a new window, and on it a new context that renders.
    const uint64_t oldWindow = GetX11Window(Viewer->Handle());
    Viewer->Buffer()->SetAntiAliasing(aa4x);
    EXPECT_NE(GetX11Window(Viewer->Handle()), oldWindow);
    ASSERT_TRUE(Viewer->IsRenderingContextAvailable());
    Frames.clear();
    Viewer->Invalidate();
    ASSERT_TRUE(ProcessUntil([&] { return !Frames.empty(); }, 2000));
    EXPECT_GT(Lit(Frames.back()), 500u);
}

TEST_F(ViewerWindow, AMovedViewerGetsOneSizeMessageOnItsNextPaint)
{
    auto* viewer = new TCountingViewer(Form);
    viewer->SetParent(Form);
    viewer->SetBounds(0, 0, 40, 30);
    viewer->SetCamera(Camera);
    ASSERT_TRUE(ProcessUntil([&] { return !Frames.empty(); }, 2000)); // everything painted once
    Application->ProcessMessages();
    viewer->Invalidate();
    Application->ProcessMessages();
    const int before = viewer->Sizes;
    viewer->SetLeft(50);
    viewer->Invalidate();
    ASSERT_TRUE(ProcessUntil([&] { return viewer->Sizes > before; }, 2000));
    Application->ProcessMessages();
    EXPECT_EQ(viewer->Sizes, before + 1);
    EXPECT_EQ(viewer->Buffer()->Width(), 40);
}

// A second viewer inside a child control of another form, as an editor's preview beside the game's view: its
// context joins the service context's share group, so a material library that the first viewer has uploaded
// serves it too; and it renders only while its form is shown.
// A scene with a camera looking down -Z at a plane that fills the view.
struct TPlaneScene {
    explicit TPlaneScene(TGLMaterialLibrary* library)
    {
            Scene = new TVAVodad(nullptr);
            Camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene->Objects());
            Camera->SetFocalLength(20);
            Plane = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Scene->Objects());
            Plane->SetWidth(40);
            Plane->SetHeight(40);
            Plane->Position()->SetPoint(0, 0, -5);
            Plane->Material()->SetMaterialLibrary(library);
            Plane->Material()->SetLibMaterialName("red");
    }
    ~TPlaneScene() { Free(Scene); }

    TVAVodad* Scene;
    TGLCamera* Camera;
    TGLPlane* Plane;
};

// A viewer of the scene on parent, counting its frames and keeping the centre pixel of the last one.
struct TCountedViewer {
    TCountedViewer(TForm* form, TWinControl* parent, TPlaneScene& scene)
    {
            Viewer = new TVAVodadViewer(form);
            Viewer->SetParent(parent);
            Viewer->SetAlign(alClient);
            Viewer->SetCamera(scene.Camera);
            Viewer->Buffer()->SetBackgroundColor(clBlack);
            Viewer->Buffer()->SetLighting(false);
            Viewer->PostRender() = [this](TObject*) {
                ++Frames;
                GetCurrentGL()->ReadPixels(Viewer->Buffer()->Width() / 2, Viewer->Buffer()->Height() / 2, 1, 1, GL_RGBA,
                                           GL_UNSIGNED_BYTE, Centre);
            };
    }

    TVAVodadViewer* Viewer;
    int Frames = 0;
    uint8_t Centre[4] = {};
};

TEST_F(ViewerWindow, AnEditorsPreviewSharesTheGamesMaterialsAndRendersOnlyWhileItsFormIsShown)
{
    auto* library = new TGLMaterialLibrary(nullptr);
    TBitmap red;
    red.SetPixelFormat(pf32bit);
    red.SetSize(4, 4);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) std::memcpy(red.ScanLine(y) + 4 * x, "\x00\x00\xff\xff", 4);
    library->AddTextureMaterial("red", &red)->Material()->SetMaterialOptions(TMaterialOptions{moNoLighting});

    // The game's window shows the material first: its texture is made in the game's context.
    {
        TPlaneScene gameScene(library), previewScene(library);
        auto* game = new TForm(nullptr);
        game->SetClientWidth(120);
        game->SetClientHeight(90);
        TCountedViewer gameView(game, game, gameScene);
        game->Show();
        ASSERT_TRUE(ProcessUntil([&] { return gameView.Frames > 0; }, 2000));

        // The editor: the viewer sits in a group box of a form made hidden.
        auto* editor = new TForm(nullptr);
        editor->SetClientWidth(160);
        editor->SetClientHeight(120);
        auto* group = new TGroupBox(editor);
        group->SetParent(editor);
        group->SetBounds(10, 10, 120, 100);
        TCountedViewer preview(editor, group, previewScene);
        editor->Show();
        ASSERT_TRUE(ProcessUntil([&] { return preview.Frames > 0; }, 2000));
        ASSERT_TRUE(preview.Viewer->IsRenderingContextAvailable());

        const auto shared = preview.Viewer->Buffer()->RenderingContext()->SharedContexts();
        EXPECT_NE(std::find(shared.begin(), shared.end(), GetServiceContext()), shared.end());
        EXPECT_NE(std::find(shared.begin(), shared.end(), gameView.Viewer->Buffer()->RenderingContext()), shared.end());
        EXPECT_GT(preview.Centre[0], 200);
        EXPECT_LT(preview.Centre[1], 40);
        EXPECT_LT(preview.Centre[2], 40);

        // Hidden, a changed scene and an asked-for repaint draw nothing; shown again, the preview draws.
        editor->Hide();
        Application->ProcessMessages();
        const int framesWhenHidden = preview.Frames;
        previewScene.Plane->SetTurnAngle(10);
        preview.Viewer->Invalidate();
        gameView.Viewer->Invalidate();
        const int gameFrames = gameView.Frames;
        ASSERT_TRUE(ProcessUntil([&] { return gameView.Frames > gameFrames; }, 2000));
        Application->ProcessMessages();
        EXPECT_EQ(preview.Frames, framesWhenHidden);
        editor->Show();
        EXPECT_TRUE(ProcessUntil([&] { return preview.Frames > framesWhenHidden; }, 2000));

        Free(editor);
        Free(game);
    }
    Free(library);
}

TEST_F(ViewerWindow, TheFullScreenViewerCoversTheScreenAndLeavesNoWindowBehind)
{
    TGLFullScreenViewer viewer(nullptr);
    viewer.SetCamera(Camera);
    viewer.Buffer()->SetBackgroundColor(clBlack);
    viewer.Buffer()->SetLighting(false);
    viewer.Buffer()->SetFaceCulling(false);
    int frames = 0;
    viewer.Buffer()->PostRender = [&](TObject*) { ++frames; };
    viewer.UseCurrentResolution(); // the screen as it is: no mode switch
    viewer.SetActive(true);
    ASSERT_TRUE(viewer.Active());
    ASSERT_NE(viewer.Form(), nullptr);
    EXPECT_NE(viewer.Handle(), nullptr);
    EXPECT_EQ(viewer.Form()->ClientWidth(), viewer.Width());
    EXPECT_EQ(viewer.Form()->ClientHeight(), viewer.Height());
    ASSERT_TRUE(ProcessUntil([&] { return frames > 0; }, 2000));
    EXPECT_EQ(CurrentVideoMode, 0);
    viewer.SetActive(false);
    EXPECT_EQ(viewer.Form(), nullptr);
    EXPECT_EQ(viewer.Handle(), nullptr);
}

} // namespace
