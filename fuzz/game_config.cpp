// The configuration file from any bytes: the input's first file is "gh.cfg", its second (when there is one)
// "text\adventureid.txt". Reading either raises the data-file error and changes no setting, or gives
// settings that write out and read back to the same file.
#include "UGH_data.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <string>

namespace {

// The settings as SaveSettings writes them, into a folder of their own.
std::string SavedSettings()
{
    gamedir = (FuzzFolder() / "saved").string();
    std::filesystem::create_directories(gamedir);
    SaveSettings();
    return ReadFuzzFile(FuzzFolder() / "saved" / "gh.cfg");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path input = FuzzFolder() / "input";
    std::filesystem::remove_all(input);
    WriteFuzzFile(input / "gh.cfg", parts[0]);
    if (parts.size() > 1) WriteFuzzFile(input / "text" / "adventureid.txt", parts[1]);

    const std::string before = SavedSettings();
    gamedir = input.string();
    try {
        ReadConfig();
    } catch (const EGameDataError&) {
        Check(SavedSettings() == before);
        return 0;
    }
    Check(viewdist == maxvd);
    Check(qualitydir == "hq" || qualitydir == "lq" || qualitydir == "pq");
    const std::string saved = SavedSettings();
    ReadConfig(); // the saved file, from the folder SavedSettings left as gamedir
    Check(SavedSettings() == saved);
    return 0;
}
