// Display modes through XRandR on the application's X11 connection. X11 stays in this file: its macros
// would break Qt and the rest of the code.
#include "Windows.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <mutex>
#include <vector>

namespace {

struct TScreenMode {
    int SizeIndex;
    uint32_t Width, Height, Frequency;
};

struct TSavedConfiguration {
    bool Saved = false;
    int SizeIndex = 0;
    Rotation Rotate = RR_Rotate_0;
    short Rate = 0;
};

std::mutex gModesLock;
std::vector<TScreenMode> gModes; // read again when mode 0 is asked for
TSavedConfiguration gOriginal;   // the mode in force before the first switch

// The bits per pixel of the screen's depth (Xvfb: depth 24 is stored in 32 bits).
uint32_t BitsPerPixel(Display* display)
{
    const int depth = DefaultDepth(display, DefaultScreen(display));
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    uint32_t bits = static_cast<uint32_t>(depth);
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == depth) bits = static_cast<uint32_t>(formats[i].bits_per_pixel);
    if (formats) XFree(formats);
    return bits;
}

// The screen's configuration, freed with the holder.
struct TConfiguration {
    explicit TConfiguration(Display* display)
        : Root(DefaultRootWindow(display)), Config(XRRGetScreenInfo(display, Root))
    {
    }
    ~TConfiguration()
    {
        if (Config) XRRFreeScreenConfigInfo(Config);
    }
    TConfiguration(const TConfiguration&) = delete;
    TConfiguration& operator=(const TConfiguration&) = delete;

    Window Root;
    XRRScreenConfiguration* Config;
};

std::vector<TScreenMode> ReadModes(Display* display)
{
    std::vector<TScreenMode> modes;
    TConfiguration screen(display);
    if (!screen.Config) return modes;
    int sizeCount = 0;
    XRRScreenSize* sizes = XRRConfigSizes(screen.Config, &sizeCount);
    for (int s = 0; s < sizeCount; ++s) {
        const auto width = static_cast<uint32_t>(sizes[s].width);
        const auto height = static_cast<uint32_t>(sizes[s].height);
        int rateCount = 0;
        short* rates = XRRConfigRates(screen.Config, s, &rateCount);
        if (rateCount == 0) modes.push_back(TScreenMode{s, width, height, 0});
        for (int r = 0; r < rateCount; ++r)
            modes.push_back(TScreenMode{s, width, height, static_cast<uint32_t>(rates[r] > 0 ? rates[r] : 0)});
    }
    return modes;
}

bool Matches(const TScreenMode& Mode, const TDevMode& Wanted, uint32_t Bits)
{
    if ((Wanted.dmFields & DM_BITSPERPEL) && Wanted.dmBitsPerPel != Bits) return false;
    if ((Wanted.dmFields & DM_PELSWIDTH) && Wanted.dmPelsWidth != Mode.Width) return false;
    if ((Wanted.dmFields & DM_PELSHEIGHT) && Wanted.dmPelsHeight != Mode.Height) return false;
    if ((Wanted.dmFields & DM_DISPLAYFREQUENCY) && Wanted.dmDisplayFrequency != 0 &&
        Wanted.dmDisplayFrequency != Mode.Frequency)
        return false;
    return true;
}

int32_t Apply(Display* display, int SizeIndex, Rotation Rotate, short Rate)
{
    TConfiguration screen(display);
    if (!screen.Config) return DISP_CHANGE_FAILED;
    const Status status = Rate > 0 ? XRRSetScreenConfigAndRate(display, screen.Config, screen.Root, SizeIndex,
                                                               Rotate, Rate, CurrentTime)
                                   : XRRSetScreenConfig(display, screen.Config, screen.Root, SizeIndex, Rotate,
                                                        CurrentTime);
    XSync(display, False);
    return status == RRSetConfigSuccess ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_FAILED;
}

bool HasRandR(Display* display)
{
    int eventBase = 0, errorBase = 0;
    return XRRQueryExtension(display, &eventBase, &errorBase);
}

} // namespace

bool EnumDisplaySettings(int32_t ModeNum, TDevMode& DevMode)
{
    auto* display = static_cast<Display*>(GetX11Display());
    if (!display || !HasRandR(display)) return false;
    std::lock_guard<std::mutex> guard(gModesLock);
    const uint32_t bits = BitsPerPixel(display);
    const uint32_t fields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    if (ModeNum == ENUM_CURRENT_SETTINGS) {
        TConfiguration screen(display);
        if (!screen.Config) return false;
        Rotation rotation;
        const int current = XRRConfigCurrentConfiguration(screen.Config, &rotation);
        int sizeCount = 0;
        XRRScreenSize* sizes = XRRConfigSizes(screen.Config, &sizeCount);
        if (current < 0 || current >= sizeCount) return false;
        const short rate = XRRConfigCurrentRate(screen.Config);
        DevMode = TDevMode{fields, bits, static_cast<uint32_t>(sizes[current].width),
                           static_cast<uint32_t>(sizes[current].height), static_cast<uint32_t>(rate > 0 ? rate : 0)};
        return true;
    }
    if (ModeNum < 0) return false;
    if (ModeNum == 0 || gModes.empty()) gModes = ReadModes(display);
    if (static_cast<size_t>(ModeNum) >= gModes.size()) return false;
    const TScreenMode& mode = gModes[static_cast<size_t>(ModeNum)];
    DevMode = TDevMode{fields, bits, mode.Width, mode.Height, mode.Frequency};
    return true;
}

int32_t ChangeDisplaySettings(const TDevMode* DevMode, uint32_t Flags)
{
    auto* display = static_cast<Display*>(GetX11Display());
    if (!display || !HasRandR(display)) return DISP_CHANGE_FAILED;
    std::lock_guard<std::mutex> guard(gModesLock);
    if (!DevMode) {
        if (!gOriginal.Saved || (Flags & CDS_TEST)) return DISP_CHANGE_SUCCESSFUL;
        const int32_t result = Apply(display, gOriginal.SizeIndex, gOriginal.Rotate, gOriginal.Rate);
        if (result == DISP_CHANGE_SUCCESSFUL) gOriginal.Saved = false;
        return result;
    }
    const uint32_t bits = BitsPerPixel(display);
    const std::vector<TScreenMode> modes = ReadModes(display);
    const TScreenMode* chosen = nullptr;
    for (const TScreenMode& mode : modes)
        if (Matches(mode, *DevMode, bits)) {
            chosen = &mode;
            break;
        }
    if (!chosen) return DISP_CHANGE_BADMODE;
    if (Flags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
    if (!gOriginal.Saved) {
        TConfiguration screen(display);
        if (!screen.Config) return DISP_CHANGE_FAILED;
        gOriginal.SizeIndex = XRRConfigCurrentConfiguration(screen.Config, &gOriginal.Rotate);
        gOriginal.Rate = XRRConfigCurrentRate(screen.Config);
        gOriginal.Saved = true;
    }
    const short rate = (DevMode->dmFields & DM_DISPLAYFREQUENCY) ? static_cast<short>(chosen->Frequency) : 0;
    return Apply(display, chosen->SizeIndex, gOriginal.Rotate, rate);
}
