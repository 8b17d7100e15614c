// A non-visual component that captures one of the two system joysticks and turns its messages into two
// events: a move with the stick's deflection in percent, smoothed over the last five samples, and a button
// change. A hidden window of its own receives the joystick messages.
#pragma once

#include "Components.h"
#include "Messages.h"
#include "Sets.h"

#include <array>
#include <cstdint>
#include <functional>

enum TJoystickID { jidNoJoystick, jidJoystick1, jidJoystick2 };
enum TJoystickButton { jbButton1, jbButton2, jbButton3, jbButton4 };
// Bit 0 is button 1, as in the buttons of a joystick message.
using TJoystickButtons = TSet<TJoystickButton, uint8_t>;

using TJoystickEvent = std::function<void(TObject* Sender, TJoystickID JoyID, TJoystickButtons Buttons,
                                          int32_t XDeflection, int32_t YDeflection)>;

class TGLJoystick : public TComponent {
public:
    explicit TGLJoystick(TComponent* AOwner);
    // The hidden window goes first, and the capture it holds with it.
    ~TGLJoystick() override;

    // From another joystick: interval, threshold, capture and id, then the capture set up again; when that
    // fails the id becomes jidNoJoystick, Capture False, and the error passes on.
    void Assign(TPersistent* Source) override;
    void Loaded() override;
    void DefineProperties(TFiler& Filer) override;

    bool Capture() const { return FCapture; }
    // Sets the capture up again (unless loading); a failure clears Capture and passes on.
    void SetCapture(bool AValue);
    bool NoCaptureErrors() const { return FNoCaptureErrors; }
    void SetNoCaptureErrors(bool AValue) { FNoCaptureErrors = AValue; }
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t AValue);
    uint32_t Threshold() const { return FThreshold; }
    void SetThreshold(uint32_t AValue);
    TJoystickID JoystickID() const { return FJoystickID; }
    // Captures the new joystick (unless loading). When that raises, the old joystick is set up again, the
    // error goes to the application's error report and the old id stays. The old joystick's capture is kept.
    void SetJoystickID(TJoystickID AValue);

    TJoystickButtons JoyButtons() const { return FJoyButtons; }
    int32_t XPosition() const { return FXPosition; }
    int32_t YPosition() const { return FYPosition; }

    TJoystickEvent OnJoystickButtonChange;
    TJoystickEvent OnJoystickMove;

private:
    struct TAxisRange {
        int32_t Min, Center, Max;
    };

    void DoJoystickCapture(TJoystickID AJoystick);
    void WndProc(TMessage& Message);
    void HandleMove(const TMessage& Message);
    void HandleButton(const TMessage& Message);

    HWND FWindowHandle = nullptr;
    int32_t FLastX = -1;
    int32_t FLastY = -1;
    // No move has been taken yet: the next one seeds the histories. A flag of its own, as any smoothed position
    // (-1 included) is a sample.
    bool FNoSample = true;
    uint32_t FThreshold = 1000;
    uint32_t FInterval = 100;
    bool FCapture = false;
    bool FNoCaptureErrors = true;
    TJoystickID FJoystickID = jidNoJoystick;
    // X, Y, Z, R, U, V.
    std::array<TAxisRange, 6> FMinMaxInfo{};
    // The last five raw positions, oldest first.
    std::array<int32_t, 5> FXPosInfo{};
    std::array<int32_t, 5> FYPosInfo{};
    int32_t FXPosition = 0;
    int32_t FYPosition = 0;
    TJoystickButtons FJoyButtons;
};

void RegisterGLJoystickClasses();
