// Body-part data and the generated levels' light from any bytes: the input's first file is read as each kind of
// body-part data (head, hair, back hair, torso, hat), the second (when there is one) as "defaultlightdata.txt".
// A read either fills its entry with finite values (a torso ratio above 0) or raises the data-file error and
// leaves what was read before.
#include "UGH_data.h"
#include "UGH_main.h"

#include "GameFuzzFiles.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path folder = FuzzFolder();
    for (const char* kind : {"head", "hair", "hairb", "torso", "hat"})
        WriteFuzzFile(folder / "bodypartdata" / "0" / (std::string(kind) + "_0.txt"), parts[0]);
    std::filesystem::remove(folder / "levels" / "defaultlightdata.txt");
    if (parts.size() > 1) WriteFuzzFile(folder / "levels" / "defaultlightdata.txt", parts[1]);
    gamedir = folder.string();
    lng = "en";

    for (int32_t bpt = bptHead; bpt <= bptHat; ++bpt) {
        const TBodyPartData before = bpdata[bpt];
        const double ratio = torsoratio;
        try {
            readbpartdata(0, bpt, 0);
            const TBodyPartData& d = bpdata[bpt];
            Check(std::isfinite(d.w) && std::isfinite(d.h) && std::isfinite(d.x) && std::isfinite(d.y));
            Check(std::isfinite(torsoratio) && torsoratio > 0);
        } catch (const EGameDataError&) {
            Check(bpdata[bpt] == before && torsoratio == ratio);
        }
    }

    try {
        const playerlightvalues light = ReadLightData(GamePath("\\levels\\defaultlightdata.txt"));
        Check(std::isfinite(light.ca) && std::isfinite(light.dr));
        Check(parts.size() > 1);
    } catch (const EGameDataError&) {
    }
    return 0;
}
