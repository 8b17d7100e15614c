// The settings window's own reading from any bytes: the input's files are, in order, "gh.cfg",
// "text\en\adventures.txt" and "text\adventureid.txt" (a file the input does not reach is missing). Opening the
// window either leaves a step undone (logged) or shows the language of the file's first line, the adventures'
// lines in their list, and holds every whole-number setting within its bounds; choosing the adventure shown then
// takes that line of the identifiers (or the default when there is none).
#include "UGHSettings.h"
#include "UGH_data.h"

#include "GameFuzzFiles.h"
#include "StdCtrls.h"

#include <array>
#include <cstdint>
#include <string>

// The window's texts load Qt's font list, and fontconfig leaves a few bytes of its parsed configuration
// unreachable then: the leak checker is told so here, whatever environment the replay runs in.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

const std::array<const char*, 3> cFiles = {"gh.cfg", "text/en/adventures.txt", "text/adventureid.txt"};

// The settings as a fresh configuration sets them, the adventure too.
void DefaultSettings(const std::filesystem::path& folder)
{
    static const std::string defaults = [&] {
        gamedir = (folder / "defaults").string();
        std::filesystem::create_directories(gamedir);
        SaveSettings();
        return ReadFuzzFile(folder / "defaults" / "gh.cfg");
    }();
    WriteFuzzFile(folder / "defaults" / "gh.cfg", defaults);
    gamedir = (folder / "defaults").string();
    ReadConfig();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path folder = FuzzFolder();
    DefaultSettings(folder);
    const std::filesystem::path input = folder / "input";
    std::filesystem::remove_all(input);
    for (size_t k = 0; k < cFiles.size() && k < parts.size(); ++k) WriteFuzzFile(input / cFiles[k], parts[k]);
    gamedir = input.string();
    lng = "en";

    static TForm5* const window = new TForm5(nullptr);
    window->FormShow(window);
    for (const int32_t* setting : {&movespeed, &turnspeed, &minvd, &maxvd, &fogdist, &camdist, &soundvol,
                                   &musicvol, &soundrate, &brightness, &cardsize, &difficulty, &desiredfps}) {
        const TSettingBounds bounds = SettingBounds(*setting);
        Check(*setting >= bounds.Low && *setting <= bounds.High);
    }

    TLineBuffer lines;
    try {
        lines.LoadFromFile(GamePath("\\text\\en\\adventures.txt"));
    } catch (const EGameDataError&) {
        return 0;
    }
    Check(window->ComboBox6->Items()->Count() == lines.Count());
    for (int32_t i = 0; i < lines.Count(); ++i) Check(window->ComboBox6->Items()->Strings(i) == lines.ReadTextLine(i));
    const int32_t chosen = window->ComboBox6->ItemIndex();
    window->Button6->Click();
    if (chosen >= 0) Check(adventure == chosen && adventureid == ReadAdventureId(chosen));
    return 0;
}
