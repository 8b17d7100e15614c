// Saved games from any bytes, loaded over a running level on an unshown main window: the input's files are, in
// order, "saved.map", "chsave1.sav", "chsave2.sav", "gslist.txt", "jseq.txt" and "lightdata.txt" (a file the input
// does not reach is missing). Loading either refuses with one request form and leaves the running game exactly as
// it was, or goes on exploring a consistent game: the player on a cell of the loaded map facing one of the four
// ways, worn items that index the item table, a journal, the global scripts that exist (active), no battle
// pending. The game is never left busy.
#include "UGH_main.h"

#include "UGH_data.h"

#include "GameFuzzWindow.h"
#include "../tests/game/GameStateSnapshot.h"

#include <algorithm>
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

constexpr std::array<const char*, 6> cSaveFiles = {"saved.map",  "chsave1.sav", "chsave2.sav",
                                                   "gslist.txt", "jseq.txt",    "lightdata.txt"};

// The running game: the fuzz level built, with the global script "clock", a journal and a battle pending.
void RunningLevel(TForm1& form)
{
    OpenFuzzLevel(form);
    WriteFuzzFile(FuzzFolder() / "scripts" / "clock.txt", "Wait 1\r\n");
    form.BuildLevel();
    mmmode = btlmode = false;
    ingame = true;
    jseq = {0, 2};
    form.cleargslist();
    form.addglobscript("clock");
    battlelist[0] = 1;
    for (rqftp& request : rfqueue) request.active = false;
}

int32_t Requests()
{
    return static_cast<int32_t>(std::count_if(rfqueue.begin(), rfqueue.end(), [](const rqftp& r) { return r.active; }));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path saves = FuzzFolder() / "saves";
    std::filesystem::remove_all(saves);
    for (size_t k = 0; k < cSaveFiles.size() && k < parts.size(); ++k) WriteFuzzFile(saves / cSaveFiles[k], parts[k]);

    TForm1& form = FuzzWindow();
    // A refused save set leaves the running game as it was (checked below): only its message goes. A loaded one
    // replaced it, so the next input builds it again.
    static bool running = false;
    static TGameSnapshot before;
    if (running) {
        for (rqftp& request : rfqueue) request.active = false;
    } else {
        RunningLevel(form);
        before = GameSnapshot();
    }
    form.LoadGame();
    Check(!levelbusy && !levelsaving);

    running = Requests() != 0;
    if (running) {
        Check(Requests() == 1 && GameSnapshot() == before);
        return 0;
    }
    Check(ingame && !mmmode && !btlmode && battlelist[0] == -2);
    Check(mapmaxx >= 0 && mapmaxx <= 100 && mapmaxy >= 0 && mapmaxy <= 100);
    Check(playerx >= 0 && playerx <= mapmaxx && playery >= 0 && playery <= mapmaxy);
    Check(lookside >= 0 && lookside <= 3);
    for (const int32_t id : equipped) Check(id >= -1 && id <= items.High());
    Check(!jseq.empty());
    for (const globscript& script : gslist) Check(script.id == "clock" && script.active);
    return 0;
}
