// The sound lists from any bytes, as the start-up loads them on an unshown main window: the input's first file is
// "\sounds\audio\soundlist.txt", its second "\sounds\music\musiclist.txt" (empty when the input has one), beside a
// sample "step.wav" of each folder. Loading either raises the data-file error (a list it cannot read) or fills
// each table with the list's lines in order, at most the table's size, each in the sound library under its
// name + ".wav".
#include "GLSound.h"
#include "UGH_main.h"

#include "GameFuzzWindow.h"

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

// A silent 16-bit mono WAV of four samples.
constexpr char cWave[] = "RIFF\x2C\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1F\0\0\x80\x3E\0\0\x02\0\x10\0"
                         "data\x08\0\0\0\0\0\0\0\0\0\0\0";

void CheckTable(const TBoundedTable<soundinf, 0, 1000>& table, int32_t count, const std::filesystem::path& list,
                const TGLSoundLibrary& library)
{
    TLineBuffer lines;
    lines.LoadFromFile(list.string());
    Check(lines.Count() == count);
    for (int32_t i = 0; i < count && i <= table.High(); ++i) {
        Check(table[i].name == lines.ReadTextLine(i) && table[i].id == i);
        Check(library.Samples()->GetByName(table[i].name + ".wav") != nullptr);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string_view> parts = FuzzParts(data, size);
    parts.resize(2);
    TForm1& form = FuzzWindow();
    gamedir = FuzzFolder().string();
    const std::filesystem::path sounds = FuzzFolder() / "sounds";
    const std::array<std::filesystem::path, 2> lists = {sounds / "audio" / "soundlist.txt",
                                                        sounds / "music" / "musiclist.txt"};
    for (size_t k = 0; k < lists.size(); ++k) {
        WriteFuzzFile(lists[k], parts[k]);
        WriteFuzzFile(lists[k].parent_path() / "step.wav", std::string_view(cWave, sizeof cWave - 1));
    }
    fullmute = soundsloaded = false;
    form.GLSoundLibrary1->Samples()->Clear();

    try {
        form.LoadSounds();
    } catch (const EGameDataError&) {
        Check(!soundsloaded);
        return 0;
    }
    Check(soundsloaded);
    CheckTable(soundlist, soundcount, lists[0], *form.GLSoundLibrary1);
    CheckTable(musiclist, musiccount, lists[1], *form.GLSoundLibrary1);
    return 0;
}
