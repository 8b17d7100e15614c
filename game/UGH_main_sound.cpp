// Sound effects and music: both lists' samples loaded into the sound library at start-up, effects played by
// name on GLSphere2, and the music track chosen every frame and played on GLSphere1. Both spheres follow the
// camera, which is the listener.
#include "UGH_main.h"

#include "GLObjects.h"
#include "GLSound.h"
#include "UGH_data.h"
#include "UGH_log.h"

#include <exception>

int32_t soundcount = 0, musiccount = 0;
bool soundsloaded = false;
std::string wantedtrack, currenttrack;

namespace {

// Effects are searched in entries 0..999 of soundlist, music in all of musiclist.
constexpr int32_t cHighestEffect = 999;
// GLSphere2 is emptied when an effect finds more emitters than this on it.
constexpr int32_t cMostEffectEmitters = 51;
constexpr int32_t cMusicLoops = 100;

// The file of a listed sample in folder: name + ".mp3" when it exists, otherwise name + ".wav".
std::string SampleFile(const std::string& folder, const std::string& name)
{
    const std::string mp3 = GamePath(folder + name + ".mp3");
    return DataFileExists(mp3) ? mp3 : GamePath(folder + name + ".wav");
}

// The index of the first entry named name among entries 0..highest, or -1.
int32_t FindListed(const TBoundedTable<soundinf, 0, 1000>& list, int32_t highest, const std::string& name)
{
    for (int32_t i = list.Low(); i <= highest; ++i)
        if (list[i].name == name) return i;
    return -1;
}

// One sample for each line of the list, into the form's library under its name + ".wav" whatever its file is,
// and into the table (at most its size; the rest is logged and left out). A sample that cannot be read stays
// empty and silent, and the others load all the same. status(i) is shown before line i loads.
void LoadListed(TForm1& form, const std::string& folder, const TLineBuffer& lines,
                TBoundedTable<soundinf, 0, 1000>& list, const std::function<std::string(int32_t line)>& status)
{
    if (lines.Count() > list.Length())
        GameLog(lines.FileName() + " names " + IntToStr(lines.Count()) + " sounds; those after the first " +
                IntToStr(list.Length()) + " are left out");
    TGLSoundSamples& samples = *form.GLSoundLibrary1->Samples();
    for (int32_t i = 0; i < lines.Count() && i <= list.High(); ++i) {
        form.ShowStatus(status(i));
        const std::string name = lines.ReadTextLine(i);
        try {
            samples.AddFile(SampleFile(folder, name), name + ".wav");
        } catch (const std::exception& e) {
            GameLog("The sound \"" + name + "\" stays silent: " + e.what());
            samples.Add()->SetName(name + ".wav");
        }
        list[i] = soundinf{name, i};
    }
}

// A new emitter on object playing the library's sample name + ".wav".
void PlayEmitter(TGLBaseSceneObject* object, TGLSoundLibrary* library, const std::string& name, float volume,
                 int32_t loops, const std::string& emitterName)
{
    auto* emitter = new TGLBSoundEmitter(object->Behaviours());
    emitter->SetName(emitterName);
    TGLBaseSoundSource* source = emitter->Source();
    source->SetSoundLibrary(library);
    source->SetVolume(volume);
    source->SetNbLoops(loops);
    source->SetSoundName(name + ".wav");
    emitter->SetPlaying(true);
}

// Removes every emitter of the object; what goes wrong is logged, as the game goes on either way.
void ClearEmitters(TGLBaseSceneObject* object, const std::string& what)
{
    try {
        object->Behaviours()->Clear();
    } catch (const std::exception& e) {
        GameLog("The " + what + " could not be stopped: " + e.what());
    }
}

} // namespace

bool TMusicFiles::Exists(std::string_view track)
{
    if (FFolder != gamedir) {
        FExists.clear();
        FFolder = gamedir;
    }
    auto found = FExists.find(track);
    if (found == FExists.end()) {
        const std::string base = "\\sounds\\music\\" + std::string(track);
        const bool exists = DataFileExists(GamePath(base + ".mp3")) || DataFileExists(GamePath(base + ".wav"));
        found = FExists.emplace(std::string(track), exists).first;
    }
    return found->second;
}

void TForm1::LoadSounds()
{
    if (fullmute) return;
    const std::string audio = "\\sounds\\audio\\", music = "\\sounds\\music\\";
    TLineBuffer lines;
    lines.LoadFromFile(GamePath(audio + "soundlist.txt"));
    soundcount = lines.Count();
    LoadListed(*this, audio, lines, soundlist,
               [](int32_t i) { return strarr[187] + " (" + IntToStr(i) + "/" + IntToStr(soundcount) + ")"; });
    lines.LoadFromFile(GamePath(music + "musiclist.txt"));
    ShowStatus(strarr[185] + ":\n\r" + lines.Text());
    musiccount = lines.Count();
    LoadListed(*this, music, lines, musiclist,
               [](int32_t i) { return strarr[189] + " (" + IntToStr(i) + "/" + IntToStr(musiccount) + ")"; });
    soundsloaded = true;
}

void TForm1::DoSound(const std::string& sndn)
{
    // Without an active manager nothing could play: every footstep would only be refused.
    if (fullmute || !soundsloaded || !soundon || !GetActiveSoundManager()) return;
    const int32_t i = FindListed(soundlist, cHighestEffect, sndn);
    if (i < 0) return;
    // Finished effects stay on the sphere until there are too many; then all go, playing or not.
    if (GLSphere2->Behaviours()->Count() > cMostEffectEmitters) ClearEmitters(GLSphere2, "sound effects");
    try {
        PlayEmitter(GLSphere2, GLSoundLibrary1, soundlist[i].name, soundvol / 100.0f, 1, std::string());
    } catch (const std::exception& e) {
        GameLog("The sound \"" + sndn + "\" could not be played: " + e.what());
    }
}

void TForm1::ControlMusic()
{
    if (fullmute || !soundsloaded) return;
    if (mmmode) {
        wantedtrack = "menu";
    } else if (btlmode) {
        wantedtrack = musicfiles.Exists(opponent.oname) ? opponent.oname : "battle";
    } else {
        wantedtrack = "peace" + std::to_string(envindex);
        if (!musicfiles.Exists(wantedtrack)) wantedtrack = "menu";
    }
    if (musicon && GetActiveSoundManager() && wantedtrack != currenttrack) {
        currenttrack = wantedtrack;
        const int32_t i = FindListed(musiclist, musiclist.High(), currenttrack);
        if (i < 0) return;
        ClearEmitters(GLSphere1, "music");
        try {
            PlayEmitter(GLSphere1, GLSoundLibrary1, musiclist[i].name, musicvol / 100.0f, cMusicLoops, "coalmusic");
        } catch (const std::exception& e) {
            GameLog("The music \"" + currenttrack + "\" could not be played: " + e.what());
            ClearEmitters(GLSphere1, "music");
        }
    }
    if (!musicon && !currenttrack.empty()) currenttrack.clear();
}
