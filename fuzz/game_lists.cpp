// The lists beside a save game and a map from any bytes: the input's files are, in order, "gslist.txt",
// "jseq.txt", "lightdata.txt", "cpe.txt", a map's "monsterlist.txt" and the side files "_mo.txt" and "_w.txt" of
// its cell (1, 1). Each read either raises the data-file error or gives values that write a file reading back
// the same: script names only of scripts that exist, a journal that is never empty, the cell's overrides as the
// editor writes them again.
#include "UGH_data.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <string>

namespace {

template <class F> void Refused(F&& read)
{
    try {
        read();
    } catch (const EGameDataError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string_view> parts = FuzzParts(data, size);
    parts.resize(7);
    const std::filesystem::path folder = FuzzFolder();
    std::filesystem::remove_all(folder / "levels");
    WriteFuzzFile(folder / "gslist.txt", parts[0]);
    WriteFuzzFile(folder / "jseq.txt", parts[1]);
    WriteFuzzFile(folder / "lightdata.txt", parts[2]);
    WriteFuzzFile(folder / "text" / "en" / "cpe.txt", parts[3]);
    WriteFuzzFile(folder / "levels" / "fz" / "monsterlist.txt", parts[4]);
    WriteFuzzFile(folder / "levels" / "fz" / "1_1_mo.txt", parts[5]);
    WriteFuzzFile(folder / "levels" / "fz" / "1_1_w.txt", parts[6]);
    WriteFuzzFile(folder / "scripts" / "clock.txt", "Wait 1\r\n");
    gamedir = folder.string();
    lng = "en";
    mapid = "fz";
    const std::string out = (folder / "out.txt").string();

    Refused([&] {
        const std::vector<std::string> names = LoadGS((folder / "gslist.txt").string());
        Check(names.size() <= 10001);
        gslist.assign(names.size(), {});
        for (size_t i = 0; i < names.size(); ++i) {
            Check(SameText(names[i], "clock"));
            gslist[i].id = names[i];
        }
        SaveGS(out);
        Check(LoadGS(out) == names);
    });
    Refused([&] {
        jseq = LoadJSeq((folder / "jseq.txt").string());
        Check(!jseq.empty());
        SaveJSeq(out);
        Check(LoadJSeq(out) == jseq);
    });
    Refused([&] {
        const playerlightvalues light = ReadLightData((folder / "lightdata.txt").string());
        WriteLightData(out, light);
        Check(ReadLightData(out) == light);
    });
    getcpeids();
    for (const std::string& name : cpenames) Check(name.find_first_of("\r\n") == std::string::npos);

    LoadMonsterList();
    const auto monsters = mapmonsters;
    SaveMonsterList();
    LoadMonsterList();
    Check(mapmonsters == monsters);

    Refused([&] {
        ReadCellOverrides(1, 1);
        const lcell cell = levelgrid[1][1];
        WriteCellMeshData(1, 1);
        WriteCellOverride(1, 1, cell.wco, "w");
        ReadCellOverrides(1, 1);
        Check(levelgrid[1][1] == cell);
    });
    return 0;
}
