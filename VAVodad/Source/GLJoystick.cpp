#include "GLJoystick.h"

#include "ComponentStreams.h"
#include "Forms.h"
#include "Joystick.h"
#include "Windows.h"

#include <cmath>

namespace {

// The system's number of each joystick; jidNoJoystick's is one with no joystick, so every call on it fails.
constexpr std::array<uint32_t, 3> cJoystickNumbers{9, JOYSTICKID1, JOYSTICKID2};

std::string CaptureErrorText(uint32_t Code)
{
    switch (Code) {
    case MMSYSERR_NODRIVER:
        return "There's no joystick driver present";
    case JOYERR_UNPLUGGED:
        return "Joystick is not connected to your system";
    default:
        return "Your system reports a joystick error, can't do anything about it";
    }
}

TJoystickButtons ButtonsOf(WPARAM Flags) { return TJoystickButtons::FromBits(static_cast<uint8_t>(Flags & 0xF)); }

// The least-squares straight line through the five samples (indices 0..4, oldest first) at index 4; the line's
// value there is (-y0 + y2 + 2 y3 + 3 y4) / 5, taken exactly and rounded half to even.
int32_t SmoothedPosition(const std::array<int32_t, 5>& Samples)
{
    const int64_t fifths = -int64_t{Samples[0]} + Samples[2] + 2 * int64_t{Samples[3]} + 3 * int64_t{Samples[4]};
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(fifths) / 5.0));
}

// The percentage of the way from the centre to the end of the range; nothing without a centre above 0.
int32_t Deflection(int32_t Position, int32_t Center)
{
    if (Center <= 0) return 0;
    const int64_t product = (int64_t{Position} - Center) * 100;
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(product) / Center));
}

void PushSample(std::array<int32_t, 5>& Samples, int32_t Value)
{
    for (size_t i = 0; i + 1 < Samples.size(); ++i) Samples[i] = Samples[i + 1];
    Samples.back() = Value;
}

// The joystick id stored as its number; a number that names no id is refused.
TJoystickID ReadJoystickID(TReader& Reader)
{
    const int32_t value = Reader.ReadInteger();
    if (value < jidNoJoystick || value > jidJoystick2) throw EReadError("Invalid property value");
    return static_cast<TJoystickID>(value);
}

} // namespace

TGLJoystick::TGLJoystick(TComponent* AOwner) : TComponent(AOwner)
{
    FWindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TGLJoystick::~TGLJoystick() { DeallocateHWnd(FWindowHandle); }

void TGLJoystick::DoJoystickCapture(TJoystickID AJoystick)
{
    const uint32_t number = cJoystickNumbers[AJoystick];
    if (AJoystick != jidNoJoystick) joyReleaseCapture(number);
    if (!FCapture || (ComponentState() & csDesigning)) return;
    TJoyCaps caps;
    uint32_t code = joyGetDevCapsW(number, caps);
    if (code == JOYERR_NOERROR) {
        const std::array<std::pair<uint32_t, uint32_t>, 6> ranges{{{caps.wXmin, caps.wXmax},
                                                                   {caps.wYmin, caps.wYmax},
                                                                   {caps.wZmin, caps.wZmax},
                                                                   {caps.wRmin, caps.wRmax},
                                                                   {caps.wUmin, caps.wUmax},
                                                                   {caps.wVmin, caps.wVmax}}};
        for (size_t i = 0; i < ranges.size(); ++i) {
            const auto min = static_cast<int32_t>(ranges[i].first);
            const auto max = static_cast<int32_t>(ranges[i].second);
            FMinMaxInfo[i] = {min, static_cast<int32_t>((int64_t{min} + max) / 2), max};
        }
        code = joySetCapture(FWindowHandle, number, FInterval, true);
    }
    if (code == JOYERR_NOERROR) {
        joySetThreshold(number, FThreshold);
        return;
    }
    FCapture = false;
    if (!FNoCaptureErrors) throw Exception(CaptureErrorText(code));
}

void TGLJoystick::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLJoystick*>(Source);
    if (!source) {
        TComponent::Assign(Source);
        return;
    }
    FInterval = source->FInterval;
    FThreshold = source->FThreshold;
    FCapture = source->FCapture;
    FJoystickID = source->FJoystickID;
    try {
        DoJoystickCapture(FJoystickID);
    } catch (...) {
        FJoystickID = jidNoJoystick;
        FCapture = false;
        throw;
    }
}

void TGLJoystick::Loaded()
{
    TComponent::Loaded();
    DoJoystickCapture(FJoystickID);
}

void TGLJoystick::SetCapture(bool AValue)
{
    if (FCapture == AValue) return;
    FCapture = AValue;
    if (ComponentState() & csLoading) return;
    try {
        DoJoystickCapture(FJoystickID);
    } catch (...) {
        FCapture = false;
        throw;
    }
}

void TGLJoystick::SetInterval(uint32_t AValue)
{
    if (FInterval == AValue) return;
    FInterval = AValue;
    if (!(ComponentState() & csLoading)) DoJoystickCapture(FJoystickID);
}

void TGLJoystick::SetThreshold(uint32_t AValue)
{
    if (FThreshold == AValue) return;
    FThreshold = AValue;
    if (!(ComponentState() & csLoading)) DoJoystickCapture(FJoystickID);
}

void TGLJoystick::SetJoystickID(TJoystickID AValue)
{
    if (FJoystickID == AValue) return;
    if (ComponentState() & csLoading) {
        FJoystickID = AValue;
        return;
    }
    const bool capture = FCapture;
    try {
        DoJoystickCapture(AValue);
        FJoystickID = AValue;
    } catch (const Exception& E) {
        // The failed attempt cleared Capture: the old joystick is captured again as it was. Should that fail
        // too, Capture stays False; the error reported is the one of the id asked for.
        FCapture = capture;
        try {
            DoJoystickCapture(FJoystickID);
        } catch (const Exception&) {
        }
        if (Application) Application->ShowException(E);
    }
}

void TGLJoystick::DefineProperties(TFiler& Filer)
{
    TComponent::DefineProperties(Filer);
    Filer.DefineProperty(
        "Capture", [this](TReader& reader) { SetCapture(reader.ReadBoolean()); },
        [this](TWriter& writer) { writer.WriteBoolean(FCapture); }, FCapture);
    Filer.DefineProperty(
        "NoCaptureErrors", [this](TReader& reader) { FNoCaptureErrors = reader.ReadBoolean(); },
        [this](TWriter& writer) { writer.WriteBoolean(FNoCaptureErrors); }, !FNoCaptureErrors);
    Filer.DefineProperty(
        "Interval", [this](TReader& reader) { SetInterval(static_cast<uint32_t>(reader.ReadInteger())); },
        [this](TWriter& writer) { writer.WriteInteger(static_cast<int32_t>(FInterval)); }, FInterval != 100);
    Filer.DefineProperty(
        "JoystickID", [this](TReader& reader) { SetJoystickID(ReadJoystickID(reader)); },
        [this](TWriter& writer) { writer.WriteInteger(FJoystickID); }, FJoystickID != jidNoJoystick);
    Filer.DefineProperty(
        "Threshold", [this](TReader& reader) { SetThreshold(static_cast<uint32_t>(reader.ReadInteger())); },
        [this](TWriter& writer) { writer.WriteInteger(static_cast<int32_t>(FThreshold)); }, FThreshold != 1000);
}

void TGLJoystick::WndProc(TMessage& Message)
{
    Message.Result = 0;
    if (FJoystickID == jidNoJoystick) return;
    const TJoystickMessageSet& messages = cJoystickMessages[cJoystickNumbers[FJoystickID]];
    if (Message.Msg == messages.Move)
        HandleMove(Message);
    else if (Message.Msg == messages.ZMove)
        FJoyButtons = ButtonsOf(Message.WParam);
    else if (Message.Msg == messages.ButtonDown || Message.Msg == messages.ButtonUp)
        HandleButton(Message);
}

void TGLJoystick::HandleMove(const TMessage& Message)
{
    const auto lParam = static_cast<uint32_t>(Message.LParam);
    const int32_t x = static_cast<int32_t>(lParam & 0xFFFF);
    const int32_t y = static_cast<int32_t>(lParam >> 16);
    if (FNoSample) {
        FNoSample = false;
        FLastX = x;
        FLastY = y;
        FXPosInfo.fill(x);
        FYPosInfo.fill(y);
        return;
    }
    PushSample(FXPosInfo, x);
    PushSample(FYPosInfo, y);
    const int32_t smoothedX = SmoothedPosition(FXPosInfo);
    const int32_t smoothedY = SmoothedPosition(FYPosInfo);
    FJoyButtons = ButtonsOf(Message.WParam);
    const int32_t xDeflection = Deflection(smoothedX, FMinMaxInfo[0].Center);
    const int32_t yDeflection = Deflection(smoothedY, FMinMaxInfo[1].Center);
    if (OnJoystickMove) OnJoystickMove(this, FJoystickID, FJoyButtons, xDeflection, yDeflection);
    FXPosition = xDeflection;
    FYPosition = yDeflection;
    FLastX = smoothedX;
    FLastY = smoothedY;
}

void TGLJoystick::HandleButton(const TMessage& Message)
{
    if (!OnJoystickButtonChange) return;
    FJoyButtons = ButtonsOf(Message.WParam);
    OnJoystickButtonChange(this, FJoystickID, FJoyButtons, FLastX, FLastY);
}

void RegisterGLJoystickClasses() { RegisterClass<TGLJoystick>(); }
