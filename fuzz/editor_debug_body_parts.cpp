// Body-part files from any bytes through the debug console: the input's first byte chooses the sex and the part,
// the rest is the file "\bodypartdata\<sex>\<prefix>0.txt". "read" shows its first four lines (or "0") in the
// boxes and ticks the two flags as its fifth and sixth lines say; when "set" takes the boxes without a message,
// the file it writes reads back to the same boxes and flags.
#include "UGHDebug.h"
#include "UGH_data.h"
#include "UGH_tables.h"

#include "Dialogs.h"
#include "StdCtrls.h"

#include "GameFuzzFiles.h"

#include <array>
#include <cstdint>
#include <string>

namespace {

const std::array<const char*, 5> cPrefixes = {"head_", "hair_", "hairb_", "torso_", "hat_"};

struct TShown {
    std::array<std::string, 4> Boxes;
    bool Flag1, Flag2;
    bool operator==(const TShown&) const = default;
};

TShown Shown(const TForm14& console)
{
    return {{console.Edit1->Text(), console.Edit2->Text(), console.Edit4->Text(), console.Edit5->Text()},
            console.CheckBox9->Checked(),
            console.CheckBox10->Checked()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const int32_t sex = data[0] % 2, part = data[0] / 2 % 5;
    const std::filesystem::path file =
        FuzzFolder() / "bodypartdata" / std::to_string(sex) / (std::string(cPrefixes[part]) + "0.txt");
    WriteFuzzFile(file, std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    gamedir = FuzzFolder().string();
    lng = "en";
    int32_t messages = 0;
    SetMessageBoxHook([&messages](const TMessageBoxRequest& request) {
        ++messages;
        return request.Default;
    });

    static TForm14* const console = new TForm14(nullptr);
    console->ComboBox1->SetItemIndex(sex);
    console->ComboBox2->SetItemIndex(part);
    console->Edit3->SetText("0");
    console->Button2->Click();
    Check(messages == 0);
    TLineBuffer lines;
    lines.LoadFromFile(file.string());
    const TShown read = Shown(*console);
    for (int32_t line = 0; line < 4; ++line)
        Check(read.Boxes[static_cast<size_t>(line)] == (line < lines.Count() ? lines.ReadTextLine(line) : "0"));
    Check(read.Flag1 == (lines.Count() > 4 && lines.ReadBoolLine(4)));
    Check(read.Flag2 == (lines.Count() > 5 && lines.ReadBoolLine(5)));

    console->Button3->Click();
    if (messages == 0) {
        console->Edit1->SetText("");
        console->CheckBox9->SetChecked(!read.Flag1);
        console->Button2->Click();
        Check(messages == 0 && Shown(*console) == read);
    }
    SetMessageBoxHook(nullptr);
    return 0;
}
