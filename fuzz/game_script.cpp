// Any bytes as a script, run with every command word live on a small level of an unshown main window: the run
// returns within its character budget, leaves no context busy, and a script starting itself (the input is also
// "\scripts\self.txt") or running as a global script changes nothing of that.
#include "UGH_main.h"

#include "GLObjects.h"
#include "UGH_data.h"

#include "GameFuzzFiles.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

namespace {

// The window and its folder: one-triangle meshes, texts "s<n>", a level 10 x 10 open inside its border.
TForm1& Window()
{
    static TForm1* form = [] {
        const std::filesystem::path& folder = FuzzFolder();
        for (const char* mesh : {"m_wall.obj", "m_floor.obj", "m_door.obj"})
            WriteFuzzFile(folder / "meshes" / mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
        WriteFuzzFile(folder / "scripts" / "other.txt", "SetInt 1,1;");
        auto* window = new TForm1(nullptr);
        for (TGLLightSource*& light : window->scenelights)
            light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(window->dcgame);
        return window;
    }();
    return *form;
}

void OpenLevel(TForm1& form)
{
    ResetGameTables();
    gamedir = FuzzFolder().string();
    lng = "en";
    for (int32_t i = 0; i <= 400; ++i) strarr[i] = "s" + std::to_string(i);
    mapid = "fz";
    mapmaxx = mapmaxy = 9;
    form.ClearLevel();
    for (int32_t x = 1; x < 9; ++x)
        for (int32_t y = 1; y < 9; ++y) levelgrid[x][y].passable = true;
    playerx = playery = 5;
    levelbusy = false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TForm1& form = Window();
    OpenLevel(form);
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
