// Content files from any bytes: the input's first file is read as a card, a perk, a character and an item; the
// second (when there is one) is the name override of card 5 and of item 5. Only a card may raise, with the
// data-file error; every record read writes a file that reads back to the same record and writes again byte
// for byte.
#include "UGH_data.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <string>

namespace {

// Writes the record, reads it back, and checks that the two agree and the file writes again the same.
template <class R, class TSave, class TLoad> void CheckRoundTrip(const R& record, TSave save, TLoad load)
{
    const std::filesystem::path out = FuzzFolder() / "out";
    save(record, (out / "5.a").string());
    const R again = load((out / "5.a").string());
    Check(again == record);
    save(again, (out / "5.b").string());
    Check(ReadFuzzFile(out / "5.a") == ReadFuzzFile(out / "5.b"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path folder = FuzzFolder();
    std::filesystem::remove_all(folder / "text");
    std::filesystem::create_directories(folder / "out");
    WriteFuzzFile(folder / "in" / "5.crd", parts[0]);
    if (parts.size() > 1)
        for (const char* kind : {"spells", "items"})
            WriteFuzzFile(folder / "text" / "en" / "overrides" / kind / "5.txt", parts[1]);
    gamedir = folder.string();
    lng = "en";
    const std::string input = (folder / "in" / "5.crd").string();

    try {
        const card c = LoadCard(input, "en");
        Check(c.enabled);
        CheckRoundTrip(c, SaveCard, [](const std::string& fn) { return LoadCard(fn, "en"); });
    } catch (const EGameDataError&) {
    }

    perks[5] = LoadPerk(5, input);
    Check(perks[5].id == 5);
    CheckRoundTrip(
        perks[5], [](const perk&, const std::string& fn) { SavePerk(5, fn); },
        [](const std::string& fn) { return LoadPerk(5, fn); });

    const character ch = LoadChar(input);
    Check(ch.oname == ch.name);
    CheckRoundTrip(ch, SaveChar, LoadChar);

    const loot item = LoadLoot(input);
    Check(parts.size() > 1 || item.overridename == item.name);
    CheckRoundTrip(item, SaveLoot, LoadLoot);
    return 0;
}
