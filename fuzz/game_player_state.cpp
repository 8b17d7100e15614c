// Player state files ("chsave2.sav") from any bytes: the input's first two bytes give the highest cell of the map
// the state was saved on (each -2..101, so that sizes beyond the explored table occur), the rest is the file. A
// state either raises the data-file error or holds a player cell on the map, a facing 0..3 and worn items that
// index the item table, and writes a file that reads back to the same state and writes again byte for byte. The
// game is never left busy.
#include "UGH_data.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const int32_t maxx = data[0] % 104 - 2, maxy = data[1] % 104 - 2;
    const std::filesystem::path folder = FuzzFolder();
    WriteFuzzFile(folder / "chsave2.sav", std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2));
    gamedir = folder.string();
    lng = "en";

    character base;
    base.name = "base";
    TPlayerState state;
    try {
        state = LoadPlayer((folder / "chsave2.sav").string(), maxx, maxy, base);
    } catch (const EGameDataError&) {
        Check(!levelbusy);
        return 0;
    }
    Check(!levelbusy);
    Check(maxx >= 0 && maxx <= 100 && maxy >= 0 && maxy <= 100);
    Check(state.playerx >= 0 && state.playerx <= maxx && state.playery >= 0 && state.playery <= maxy);
    Check(state.lookside >= 0 && state.lookside <= 3 && state.player.name == "base");
    for (const int32_t id : state.equipped) Check(id >= -1 && id <= 1000);

    SavePlayer(state, maxx, maxy, (folder / "a.sav").string());
    Check(!levelbusy && !levelsaving);
    const TPlayerState again = LoadPlayer((folder / "a.sav").string(), maxx, maxy, base);
    Check(again == state);
    SavePlayer(again, maxx, maxy, (folder / "b.sav").string());
    Check(ReadFuzzFile(folder / "a.sav") == ReadFuzzFile(folder / "b.sav"));
    return 0;
}
