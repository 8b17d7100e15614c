// The game as the program runs it, for the end-to-end tests: started once per test program, on the demo
// adventure the build writes into the program folder, with the windows the program makes. Its frame clock
// ticks only when a test steps it, on a clock of the tests' own (so frames do not depend on the machine's
// speed); its message boxes take the answers the tests queue; everything it logs is kept.
//
//   class GameMainMenu : public GameWindow {};
//   TEST_F(GameMainMenu, ...) { StepFrames(3); EXPECT_TRUE(mmmode); ... }
//
// Under CTest each suite is a process of its own. Suites whose tests end the game derive from
// GameWindowEnding: they run only when they are all the program was asked to run.
#pragma once

#include "Dialogs.h"
#include "Graphics.h"
#include "UGH_main.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The message boxes the game shows: each takes the next queued answer, or its own default when none is
// queued (so nothing waits for a user), and is kept for the tests to look at.
class TScriptedMessageBoxes {
public:
    void QueueAnswer(TModalResult answer) { FAnswers.push_back(answer); }
    const std::vector<TMessageBoxRequest>& Shown() const { return FShown; }
    // Forgets the boxes shown and the answers not yet given.
    void Clear();
    TModalResult Show(const TMessageBoxRequest& request);

private:
    std::deque<TModalResult> FAnswers;
    std::vector<TMessageBoxRequest> FShown;
};

class GameWindow : public ::testing::Test {
protected:
    // Starts the game on the first use in this process.
    static void SetUpTestSuite();
    // Fails the test when the game did not start, skips it when an earlier test ended it; forgets the message
    // boxes and the log of earlier tests.
    void SetUp() override;

    static TForm1& Game() { return *Form1; }
    // Ticks the frame clock count times, dt seconds of game time each, and lets every tick's repaint happen
    // (a tick invalidates the view; the message loop then paints it).
    static void StepFrames(int count, double dt = 1.0 / 60);
    // Frames the game's view has painted since the start.
    static int64_t PaintedFrames();
    // The view as it was after the first frame.
    static TBitmap& FirstFrame();
    // The view now.
    static std::unique_ptr<TBitmap> Snapshot();

    static TScriptedMessageBoxes& MessageBoxes();
    // What the game and the engine logged since this test began, and during the start-up (a line each).
    static TGLLogCapture& Log();
    static const std::string& StartUpLog();

    // <build folder>/artefacts/game/<name>, for pictures a person looks at; the folder is made.
    static std::filesystem::path ArtefactPath(const std::string& name);
    // The frame as a PNG picture at ArtefactPath(name).
    static void SavePicture(TBitmap& frame, const std::string& name);
    // How many pixels of two pictures of one size differ in colour.
    static int32_t PixelsThatDiffer(const TBitmap& a, const TBitmap& b);

    // Posts a key's press and release (a virtual-key code) to the game's window, as the keyboard delivers them,
    // and lets the window handle them.
    static void PressKey(uint16_t key);
    // Posts the characters the keyboard's layout types (a WM_CHAR for each UTF-16 unit) to the game's window and
    // lets the window handle them.
    static void TypeText(const std::u16string& text);
    // Posts a move of the pointer to (x, y) of the game's view and lets the view handle it.
    static void MoveMouse(int32_t x, int32_t y);
    // Posts a click of a mouse button at (x, y) of the game's view, as a pointer makes it: the move there, the
    // press and the release; then lets the view handle them.
    static void PressMouse(int32_t x, int32_t y, TMouseButton button = mbLeft);
    // A click on game button id where the last frame laid it out, then a frame of dt to show what it did.
    static void ClickGameButton(int32_t id, double dt);
    // The request on screen answered with Enter: it goes, and a frame of dt follows.
    static void AnswerRequest(double dt);
};

// Base of the suites whose tests end the game (closing it): such a suite runs only when it is the only suite
// selected, as CTest runs it, so that no test after it finds the game ended; otherwise its tests are skipped.
class GameWindowEnding : public GameWindow {
protected:
    void SetUp() override;
};
