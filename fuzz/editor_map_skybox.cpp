// The map editor's sky-box read from any bytes: the input is the "skybox.txt" of the running level's folder, read
// when a map is opened (here the open dialog is cancelled, which builds the level again from the tables). The box
// shows the file's first line and writes it back as it changes, the level is built again and the player stands on
// its start.
#include "UGHmapedit.h"
#include "UGH_data.h"

#include "Dialogs.h"
#include "StdCtrls.h"

#include "GameFuzzWindow.h"

#include <cstdint>
#include <string>

// The window's texts load Qt's font list, and fontconfig leaves a few bytes of its parsed configuration
// unreachable then: the leak checker is told so here, whatever environment the replay runs in.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TForm1& form = FuzzWindow();
    Form1 = &form;
    OpenFuzzLevel(form);
    startx = starty = 3;
    playerx = playery = 5;
    SetFileDialogHook([](const TFileDialogRequest&, std::string&) { return false; });
    SetMessageBoxHook([](const TMessageBoxRequest& request) { return request.Default; });
    static TForm2* const editor = new TForm2(nullptr);
    // The box writes its line to the file as it changes: set before the file is.
    editor->Edit25->SetText("none");

    const std::filesystem::path file = FuzzFolder() / "levels" / "fz" / "skybox.txt";
    WriteFuzzFile(file, std::string_view(reinterpret_cast<const char*>(data), size));
    TLineBuffer lines;
    lines.LoadFromFile(file.string());
    const std::string first = lines.ReadTextLine(0);
    editor->SpeedButton5Click(editor);
    Check(editor->Edit25->Text() == first);
    Check(playerx == 3 && playery == 3 && !levelbusy);
    // What the box wrote back reads as the line it shows.
    lines.LoadFromFile(file.string());
    Check(lines.ReadTextLine(0) == first);
    SetFileDialogHook(nullptr);
    SetMessageBoxHook(nullptr);
    return 0;
}
