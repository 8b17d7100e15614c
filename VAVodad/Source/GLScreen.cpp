#include "GLScreen.h"

#include "SysUtils.h"

#include <algorithm>

std::vector<TVideoMode> VideoModes;
int32_t VideoModeCount = 0;
int32_t CurrentVideoMode = 0;

namespace {

struct TLowResolutionMode {
    uint16_t Width, Height;
    uint8_t Bits;
};
constexpr TLowResolutionMode LowResolutionModes[] = {
    {320, 200, 8},  {320, 200, 15}, {320, 200, 16}, {320, 200, 24}, {320, 200, 32},
    {400, 300, 8},  {400, 300, 15}, {400, 300, 16}, {400, 300, 24}, {400, 300, 32},
    {512, 384, 8},  {512, 384, 15}, {512, 384, 16}, {512, 384, 24}, {512, 384, 32},
};

TEnumDisplaySettingsProc vEnum;
TChangeDisplaySettingsProc vChange;

bool EnumSettings(int32_t ModeNum, TDevMode& DevMode)
{
    return vEnum ? vEnum(ModeNum, DevMode) : EnumDisplaySettings(ModeNum, DevMode);
}

int32_t ChangeSettings(const TDevMode* DevMode, uint32_t Flags)
{
    return vChange ? vChange(DevMode, Flags) : ChangeDisplaySettings(DevMode, Flags);
}

TDevMode SizeAndBits(uint32_t Width, uint32_t Height, uint32_t Bits)
{
    TDevMode dm;
    dm.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    dm.dmPelsWidth = Width;
    dm.dmPelsHeight = Height;
    dm.dmBitsPerPel = Bits;
    return dm;
}

} // namespace

void SetDisplaySettingsProcs(TEnumDisplaySettingsProc AEnum, TChangeDisplaySettingsProc AChange)
{
    vEnum = std::move(AEnum);
    vChange = std::move(AChange);
}

TDevMode CurrentScreenMode()
{
    TDevMode dm;
    if (!EnumSettings(ENUM_CURRENT_SETTINGS, dm)) dm = TDevMode{};
    return dm;
}

void ReadVideoModes()
{
    if (VideoModeCount > 0) return;
    const TDevMode screen = CurrentScreenMode();
    VideoModes.assign(1, TVideoMode{static_cast<uint16_t>(screen.dmPelsWidth), static_cast<uint16_t>(screen.dmPelsHeight),
                                    static_cast<uint8_t>(screen.dmBitsPerPel), 0, "default"});
    VideoModes.reserve(cMaxVideoModes);
    VideoModeCount = 1;
    TDevMode dm;
    for (int32_t i = 0; VideoModeCount < cMaxVideoModes && EnumSettings(i, dm); ++i) AddVideoMode(dm);
    // A screen that takes any mode says nothing by taking the low-resolution ones.
    const TDevMode nonsense = SizeAndBits(42, 37, 8);
    if (ChangeSettings(&nonsense, CDS_TEST | CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) return;
    for (const TLowResolutionMode& mode : LowResolutionModes) {
        if (VideoModeCount >= cMaxVideoModes) break;
        AddVideoMode(SizeAndBits(mode.Width, mode.Height, mode.Bits));
    }
}

void AddVideoMode(const TDevMode& dm)
{
    for (int32_t i = 1; i < VideoModeCount; ++i) {
        TVideoMode& mode = VideoModes[i];
        if (mode.ColorDepth == dm.dmBitsPerPel && mode.Width == dm.dmPelsWidth && mode.Height == dm.dmPelsHeight) {
            mode.MaxFrequency =
                static_cast<uint16_t>(std::max<uint32_t>(mode.MaxFrequency, std::min<uint32_t>(dm.dmDisplayFrequency, 0xFFFF)));
            return;
        }
    }
    if (VideoModeCount >= cMaxVideoModes) return;
    TDevMode test = SizeAndBits(dm.dmPelsWidth, dm.dmPelsHeight, dm.dmBitsPerPel);
    if (ChangeSettings(&test, CDS_TEST | CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return;
    const auto width = static_cast<int32_t>(dm.dmPelsWidth), height = static_cast<int32_t>(dm.dmPelsHeight),
               bits = static_cast<int32_t>(dm.dmBitsPerPel);
    VideoModes.push_back(TVideoMode{static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                    static_cast<uint8_t>(bits),
                                    static_cast<uint16_t>(std::min<uint32_t>(dm.dmDisplayFrequency, 0xFFFF)),
                                    Format("%d x %d, %d bpp", {width, height, bits})});
    ++VideoModeCount;
}

uint8_t ClosestVideoMode(int32_t minWidth, int32_t minHeight, int32_t minBits)
{
    ReadVideoModes();
    int32_t best = 0, bestDW = 9999, bestDH = 9999, bestDB = 99;
    for (int32_t i = 1; i < VideoModeCount; ++i) {
        const TVideoMode& mode = VideoModes[i];
        if (mode.Width < minWidth || mode.Height < minHeight || mode.ColorDepth < minBits) continue;
        const int32_t dw = mode.Width - minWidth, dh = mode.Height - minHeight, db = mode.ColorDepth - minBits;
        if (dw <= bestDW && dh <= bestDH && db <= bestDB) {
            best = i;
            bestDW = dw;
            bestDH = dh;
            bestDB = db;
        }
    }
    return static_cast<uint8_t>(best);
}

bool ApplyVideoMode(int32_t modeIndex, int32_t refreshRate)
{
    if (modeIndex < 0 || modeIndex >= VideoModeCount) return false;
    const TVideoMode& mode = VideoModes[modeIndex];
    TDevMode dm = SizeAndBits(mode.Width, mode.Height, mode.ColorDepth);
    if (refreshRate > 0) {
        dm.dmFields |= DM_DISPLAYFREQUENCY;
        dm.dmDisplayFrequency = std::min<uint32_t>(static_cast<uint32_t>(refreshRate), mode.MaxFrequency);
    }
    if (ChangeSettings(&dm, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
    CurrentVideoMode = modeIndex;
    return true;
}

void RestoreDefaultVideoMode()
{
    if (ChangeSettings(nullptr, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) CurrentVideoMode = 0;
}

void DoneGLScreen()
{
    if (CurrentVideoMode != 0) RestoreDefaultVideoMode();
    CurrentVideoMode = 0;
    VideoModes.clear();
    VideoModeCount = 0;
}
