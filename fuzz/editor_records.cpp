// Content records from any bytes through the editors, as a user would take them: the input is written as an item
// file, a perk file and a monster file; each goes through its editor's load, a tick of its timer and its save,
// twice. No step may fail, and the second save writes the first one's bytes.
#include "UGHItemedit.h"
#include "UGHPerkEdit.h"
#include "UGHcharedit.h"
#include "UGH_data.h"
#include "UGH_tables.h"

#include "Dialogs.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <functional>
#include <string>

namespace {

// Load, tick and save twice; the file's bytes after each save.
void CheckStableSave(const std::filesystem::path& file, const std::function<void()>& loadTickSave)
{
    loadTickSave();
    const std::string first = ReadFuzzFile(file);
    loadTickSave();
    Check(ReadFuzzFile(file) == first);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path folder = FuzzFolder();
    ResetGameTables();
    gamedir = folder.string();
    lng = "en";
    int messages = 0;
    SetMessageBoxHook([&messages](const TMessageBoxRequest& request) {
        ++messages;
        return request.Default;
    });

    WriteFuzzFile(folder / "items" / "5.lot", bytes);
    static TForm7* const itemEditor = new TForm7(nullptr);
    itemEditor->LabeledEdit4->SetText("5");
    CheckStableSave(folder / "items" / "5.lot", [] {
        itemEditor->Button1->Click();
        itemEditor->Timer1Timer(itemEditor);
        itemEditor->Button2->Click();
    });

    WriteFuzzFile(folder / "perks" / "p_5.prk", bytes);
    static TForm11* const perkEditor = new TForm11(nullptr);
    perkEditor->FormShow(perkEditor);
    perkEditor->Edit1->SetText("5");
    CheckStableSave(folder / "perks" / "p_5.prk", [] {
        perkEditor->Button2->Click();
        // Both modes' boxes go back into the record.
        for (TButton* mode : {perkEditor->Button4, perkEditor->Button3}) {
            mode->Click();
            perkEditor->Timer1Timer(perkEditor);
        }
        perkEditor->Button1->Click();
    });

    WriteFuzzFile(folder / "monsters" / "5.mon", bytes);
    static TForm4* const characterEditor = new TForm4(nullptr);
    characterEditor->Edit1->SetText("5");
    CheckStableSave(folder / "monsters" / "5.mon", [] {
        characterEditor->Button1->Click();
        characterEditor->Timer1Timer(characterEditor);
        characterEditor->Button2->Click();
    });

    Check(messages == 0);
    SetMessageBoxHook(nullptr);
    return 0;
}
