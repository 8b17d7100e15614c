#include "GameWindow.h"

#include "Forms.h"
#include "GLCadencer.h"
#include "GLWin32Viewer.h"
#include "PngImage.h"
#include "UGH_data.h"
#include "UGH_program.h"
#include "VAVodadInit.h"
#include "VirtualKeys.h"
#include "Windows.h"

#ifndef MIREFALL_BINARY_DIR
#error "MIREFALL_BINARY_DIR: the build folder the artefacts go under"
#endif

void TScriptedMessageBoxes::Clear()
{
    FAnswers.clear();
    FShown.clear();
}

TModalResult TScriptedMessageBoxes::Show(const TMessageBoxRequest& request)
{
    FShown.push_back(request);
    if (FAnswers.empty()) return request.Default;
    const TModalResult answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
}

namespace {

// The game of this process: started by the first test that wants it, freed when the test program ends.
struct TGameSession {
    TGameWindows Windows;
    TScriptedMessageBoxes Boxes;
    std::unique_ptr<TGLLogCapture> Log;
    std::string StartUpLog;
    std::unique_ptr<TBitmap> FirstFrame;
    int64_t Painted = 0;
    bool Ended = false;
};

TGameSession* vSession = nullptr;

// On the external time reference the clock reads its own current time less its origin. Reset and read once,
// it stands at 0 with the origin at 0; an origin of -dt for one tick moves it on by exactly dt, and the origin
// back at 0 leaves the time where the tick put it.
void UseTheTestsClock(TGLCadencer& clock)
{
    clock.SetMode(cmManual);
    clock.SetTimeReference(cmExternal);
    clock.Reset();
    clock.GetCurrenttime();
    clock.SetOriginTime(0);
}

void Tick(TGLCadencer& clock, double dt)
{
    clock.SetOriginTime(-dt);
    clock.Progress();
    clock.SetOriginTime(0);
}

void StartSession()
{
    vSession = new TGameSession;
    SetMessageBoxHook([](const TMessageBoxRequest& request) { return vSession->Boxes.Show(request); });
    vSession->Log = std::make_unique<TGLLogCapture>();
    // The program's windowed start-up: the viewer's X connection and window destruction reach the GL layer.
    InitVAVodadWindows();
    vSession->Windows = StartGame();
    for (const std::string& text : vSession->Log->Texts()) vSession->StartUpLog += text + "\n";
    if (!vSession->Windows.Started) return;
    UseTheTestsClock(*Form1->GLCadencer1);
    TNotifyEvent& afterRender = Form1->VAVodadViewer1->AfterRender();
    afterRender = [previous = afterRender](TObject* Sender) {
        ++vSession->Painted;
        if (previous) previous(Sender);
    };
    Application->ProcessMessages();
    Tick(*Form1->GLCadencer1, 1.0 / 60);
    Application->ProcessMessages();
    vSession->FirstFrame.reset(Form1->VAVodadViewer1->CreateSnapShotBitmap());
}

// Frees the game's windows while the application and the engine still run (the test main stops the engine
// after the tests).
class TGameSessionEnd : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (!vSession) return;
        FreeGameWindows(vSession->Windows);
        SetMessageBoxHook(nullptr);
        delete vSession;
        vSession = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const vSessionEnd =
    ::testing::AddGlobalTestEnvironment(new TGameSessionEnd);

// What a start-up that failed showed and logged.
std::string StartUpReport()
{
    std::string report;
    for (const TMessageBoxRequest& box : vSession->Boxes.Shown()) report += box.Text + "\n";
    return report + vSession->StartUpLog;
}

} // namespace

void GameWindow::SetUpTestSuite()
{
    if (!vSession) StartSession();
}

void GameWindow::SetUp()
{
    ASSERT_TRUE(vSession->Windows.Started) << "the game did not start; it said:\n" << StartUpReport();
    if (vSession->Ended) GTEST_SKIP() << "an earlier test of this suite ended the game";
    vSession->Boxes.Clear();
    vSession->Log->Clear();
}

void GameWindow::StepFrames(int count, double dt)
{
    for (int i = 0; i < count; ++i) {
        Tick(*Form1->GLCadencer1, dt);
        // The tick invalidated the view: its paint is one of the pending messages.
        Application->ProcessMessages();
    }
}

int64_t GameWindow::PaintedFrames() { return vSession->Painted; }

TBitmap& GameWindow::FirstFrame() { return *vSession->FirstFrame; }

std::unique_ptr<TBitmap> GameWindow::Snapshot()
{
    return std::unique_ptr<TBitmap>(Form1->VAVodadViewer1->CreateSnapShotBitmap());
}

TScriptedMessageBoxes& GameWindow::MessageBoxes() { return vSession->Boxes; }

TGLLogCapture& GameWindow::Log() { return *vSession->Log; }

const std::string& GameWindow::StartUpLog() { return vSession->StartUpLog; }

void GameWindowEnding::SetUp()
{
    const ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
    if (tests.test_to_run_count() != tests.current_test_suite()->test_to_run_count())
        GTEST_SKIP() << "ends the game: runs only as the one suite selected (--gtest_filter=" 
                     << tests.current_test_suite()->name() << ".*, as CTest runs it)";
    GameWindow::SetUp();
    vSession->Ended = true;
}

std::filesystem::path GameWindow::ArtefactPath(const std::string& name)
{
    const std::filesystem::path folder = std::filesystem::path(MIREFALL_BINARY_DIR) / "artefacts" / "game";
    std::filesystem::create_directories(folder);
    return folder / name;
}

void GameWindow::SavePicture(TBitmap& frame, const std::string& name)
{
    TPngImage png;
    png.Assign(&frame);
    png.SaveToFile(ArtefactPath(name).string());
}

int32_t GameWindow::PixelsThatDiffer(const TBitmap& a, const TBitmap& b)
{
    int32_t count = 0;
    for (int32_t y = 0; y < a.Height(); ++y) {
        const uint8_t* p = a.ScanLine(y);
        const uint8_t* q = b.ScanLine(y);
        for (int32_t x = 0; x < a.Width(); ++x, p += a.BytesPerPixel(), q += b.BytesPerPixel())
            count += p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
    }
    return count;
}

void GameWindow::PressKey(uint16_t key)
{
    for (const uint32_t message : {WM_KEYDOWN, WM_KEYUP}) ASSERT_TRUE(PostMessage(Form1->Handle(), message, key, 0));
    Application->ProcessMessages();
}

void GameWindow::TypeText(const std::u16string& text)
{
    for (const char16_t unit : text) ASSERT_TRUE(PostMessage(Form1->Handle(), WM_CHAR, unit, 0));
    Application->ProcessMessages();
}

namespace {

LPARAM PointParam(int32_t x, int32_t y)
{
    return MAKELPARAM(static_cast<uint16_t>(x), static_cast<uint16_t>(y));
}

} // namespace

void GameWindow::MoveMouse(int32_t x, int32_t y)
{
    ASSERT_TRUE(PostMessage(Form1->VAVodadViewer1->Handle(), WM_MOUSEMOVE, 0, PointParam(x, y)));
    Application->ProcessMessages();
}

void GameWindow::PressMouse(int32_t x, int32_t y, TMouseButton button)
{
    struct TButtonMessages {
        uint32_t down, up;
        WPARAM held;
    };
    static constexpr TButtonMessages cMessages[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON},
                                                    {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON},
                                                    {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON}};
    const TButtonMessages& messages = cMessages[button];
    const HWND view = Form1->VAVodadViewer1->Handle();
    const LPARAM at = PointParam(x, y);
    ASSERT_TRUE(PostMessage(view, WM_MOUSEMOVE, 0, at));
    ASSERT_TRUE(PostMessage(view, messages.down, messages.held, at));
    ASSERT_TRUE(PostMessage(view, messages.up, 0, at));
    Application->ProcessMessages();
}

void GameWindow::ClickGameButton(int32_t id, double dt)
{
    ASSERT_TRUE(gbuttons[id].visible) << id;
    PressMouse(gbuttons[id].x, gbuttons[id].y);
    StepFrames(1, dt);
}

void GameWindow::AnswerRequest(double dt)
{
    ASSERT_TRUE(rfmode);
    PressKey(VK_RETURN);
    EXPECT_FALSE(rfmode);
    StepFrames(1, dt);
}
