// Any bytes as a script, run with every command word live on a small level of an unshown main window: the run
// returns within its character budget, leaves no context busy, and a script starting itself (the input is also
// "\scripts\self.txt") or running as a global script changes nothing of that.
#include "UGH_main.h"

#include "GameFuzzWindow.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TForm1& form = FuzzWindow();
    OpenFuzzLevel(form);
    WriteFuzzFile(FuzzFolder() / "scripts" / "other.txt", "SetInt 1,1;");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    WriteFuzzFile(FuzzFolder() / "scripts" / "self.txt", text);

    form.readscript(TForm1::preparescript(text, "fuzz"));
    Check(ScriptDepth() == 0);
    Check(std::all_of(cparray.begin(), cparray.end(), [](int32_t pos) { return pos == -1; }));

    form.cleargslist();
    form.addglobscript("self");
    form.processglobscripts();
    Check(ScriptDepth() == 0);
    Check(gslist.size() <= static_cast<size_t>(cGlobalScripts));
    return 0;
}
