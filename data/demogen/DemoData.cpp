#include "DemoData.h"

#include "DemoCards.h"
#include "DemoContent.h"
#include "DemoContentPictures.h"
#include "DemoDocument.h"
#include "DemoMeshes.h"
#include "DemoOutput.h"
#include "DemoPictures.h"
#include "DemoSounds.h"
#include "DemoSources.h"
#include "UGH_data.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The ".txt" files of folder whose names start with prefix, in name order.
std::vector<fs::path> SourceFiles(const fs::path& folder, const std::string& prefix)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".txt" && entry.path().filename().string().starts_with(prefix))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

// The frame loop must run on a software renderer: no shadow volumes. Sound is on; with no sound device the game
// runs silent.
void SetDemoSettings()
{
    lng = "en";
    movespeed = 400;
    turnspeed = 10;
    minvd = 5;
    fogdist = 100;
    camdist = 250;
    soundvol = 80;
    musicvol = 60;
    soundrate = 44100;
    soundon = musicon = true;
    showbtllog = false;
    leveling = true;
    texquality = 1;
    brightness = 100;
    lessredraws = false;
    aaindex = 0;
    cardsize = 0;
    randommode = false;
    tooltips = true;
    hardcore = false;
    difficulty = 0;
    fullscreen = false;
    fswidth = 1024;
    fsheight = 768;
    fsrefresh = 60;
    vsyncon = no3ddoors = nolights = nofire = false;
    multithread = true;
    poorquality = extdmginfo = autodeck = nograss = false;
    shortbtllog = true;
    shadows = torchshadows = false;
    shadowmode = 1;
    globalcast = false;
    desiredfpson = true;
    desiredfps = 30;
    maxvd = 15;
    adventure = 0;
    fullmute = false;
}

namespace {

// The highest coded perk effect.
constexpr int32_t cHighestCodedEffect = 100;

void WriteStrings(const fs::path& sources, TDemoOutput& output)
{
    for (const std::string language : {"en"}) {
        const fs::path folder = sources / "text" / language;
        const fs::path strings = folder / "strings.src";
        output.Publish("text/" + language + "/strings.txt", CompileStrings(ReadSourceFile(strings), strings.string()));
        // The coded perk effects' names: a line for each effect, empty where none is given.
        const fs::path effects = folder / "cpe.src";
        const std::map<int32_t, std::string> names =
            ReadIndexedTexts(TSourceLines(ReadSourceFile(effects), effects.string()), cHighestCodedEffect);
        TLineBuffer cpe;
        for (int32_t effect = 0; effect <= cHighestCodedEffect; ++effect)
            cpe.WriteTextLine(names.contains(effect) ? names.at(effect) : "");
        output.Publish("text/" + language + "/cpe.txt", cpe.Text());
        // The texts events show: "txt_<n>_h.txt" the title, "txt_<n>.txt" the text.
        for (const fs::path& text : SourceFiles(folder, "txt_"))
            output.Publish("text/" + language + "/" + text.filename().string(), CompileText(ReadSourceFile(text)));
        // The captions of the scripts' choice buttons, a file each, read whole.
        for (const fs::path& caption : SourceFiles(folder, "ch_")) {
            const std::string text = ReadSourceFile(caption);
            output.Publish("text/" + language + "/" + caption.filename().string(),
                           text.substr(0, text.find_first_of("\r\n"))); // a caption is its first line
        }
        // The journal's pages "journal/jrn_<n>.txt".
        for (const fs::path& page : SourceFiles(folder / "journal", "jrn_"))
            output.Publish("text/" + language + "/journal/" + page.filename().string(),
                           CompileText(ReadSourceFile(page)));
        // What the character screen tells of a monster shown there and the item list of an item:
        // "desc/monster_<id>.txt", "desc/item_<id>.txt".
        for (const char* kind : {"monster_", "item_"})
            for (const fs::path& page : SourceFiles(folder / "desc", kind))
                output.Publish("text/" + language + "/desc/" + page.filename().string(),
                               CompileText(ReadSourceFile(page)));
    }
    // The credits are the same in every language.
    output.Publish("text/credits.txt", CompileText(ReadSourceFile(sources / "text" / "credits.txt")));
}

// The ".txt" files of folder as they are, published under target: the game reads them as the player may
// edit them. A missing folder holds none.
void PublishAsWritten(const fs::path& folder, const std::string& target, TDemoOutput& output)
{
    if (!fs::is_directory(folder)) return;
    for (const fs::path& file : SourceFiles(folder, ""))
        output.Publish(target + file.filename().string(), ReadSourceFile(file));
}

// Event scripts "scripts/scr_<n>.txt" (three integer lines an event) and the text scripts beside them: global,
// nested, choice, wanderer and free-mesh scripts, and "startscript.txt" of a new game.
void WriteScripts(const fs::path& sources, TDemoOutput& output)
{
    for (const fs::path& script : SourceFiles(sources / "scripts", "")) {
        const std::string name = script.filename().string();
        output.Publish("scripts/" + name, name.starts_with("scr_")
                                              ? CompileEventScript(ReadSourceFile(script), script.string())
                                              : ReadSourceFile(script));
    }
    // Card scripts "cards/<id>_script.txt".
    PublishAsWritten(sources / "cards", "cards/", output);
}

// SaveMap writes the current level: a compiled one stands in for it while this lives.
struct TCurrentLevel {
    TLevelData& level;
    explicit TCurrentLevel(TLevelData& compiled) : level(compiled) { SwapLevelData(level); }
    ~TCurrentLevel() { SwapLevelData(level); }
    TCurrentLevel(const TCurrentLevel&) = delete;
    TCurrentLevel& operator=(const TCurrentLevel&) = delete;
};

// Every level source "levels/<name>.txt" becomes the map file of its id with its side files. Answers the wall
// sets the levels use.
std::set<int32_t> WriteLevels(const fs::path& sources, TDemoOutput& output)
{
    std::set<int32_t> wallSets;
    for (const fs::path& file : SourceFiles(sources / "levels", "")) {
        auto level = std::make_unique<TLevelData>();
        TDemoMapInfo info;
        CompileMap(ReadSourceFile(file), file.string(), *level, info);
        const std::string id = level->mapid;
        // The side files the game's writers make in the map's folder.
        const std::pair<std::string, std::function<void()>> writers[] = {
            {"monsterlist.txt", [] { SaveMonsterList(); }},
            {"lightdata.txt", [] {
                 const playerlightvalues& light = playerlightdata;
                 savelight(light.ca, light.la, light.qa, light.dr, light.dg, light.db, 1);
             }},
        };
        std::string map;
        std::vector<std::string> sideFiles;
        {
            const TCurrentLevel current(*level);
            const std::string path = "\\levels\\" + id + ".map";
            map = output.Stage(path, [&] { SaveMap(GamePath(path), true); });
            for (const auto& [name, write] : writers)
                sideFiles.push_back(output.Stage("\\levels\\" + id + "\\" + name, write));
        }
        output.Publish("levels/" + id + ".map", map);
        for (std::size_t at = 0; at < sideFiles.size(); ++at)
            output.Publish("levels/" + id + "/" + writers[at].first, sideFiles[at]);
        output.Publish("levels/" + id + "/mapname_en.txt", LinesText({level->mapname}));
        output.Publish("levels/" + id + "/skybox.txt", LinesText({std::to_string(info.skybox)}));
        // The cells' scripts: "script_<x>_<y>.txt" on activation, "sscript_<x>_<y>.txt" on a search.
        PublishAsWritten(sources / "levels" / id, "levels/" + id + "/", output);
        wallSets.insert(level->envindex);
    }
    return wallSets;
}

} // namespace

TDemoWriteCount WriteDemoData(const std::string& sourceFolder, const std::string& outputFolder)
{
    const fs::path sources(sourceFolder);
    TDemoOutput output(outputFolder);
    output.Publish("gh.cfg", output.Stage("\\gh.cfg", [] {
        SetDemoSettings();
        SaveSettings();
    }));
    // Two adventures: the main one and a short cave whose levels after the first are generated. The settings
    // window lists them by their names, line by line.
    output.Publish("text/adventureid.txt", LinesText({"map_", "cave_"}));
    output.Publish("text/en/adventures.txt", LinesText({"The Flooded Cellar", "The Dripping Cave"}));
    WriteStrings(sources, output);
    const std::set<int32_t> wallSets = WriteLevels(sources, output);
    // The player light of generated levels (the map "map_1" has no file, so the second level change makes one): a
    // torch that reaches down a passage, as on the levels made by hand, for a level with no lights of its own.
    output.Publish("levels/defaultlightdata.txt", LinesText({"5000", "100", "2", "255", "178", "76"}));
    WriteScripts(sources, output);
    WriteMeshes(output);
    const TDemoContent content = ReadContent(sources);
    WriteContent(content, output);
    WritePictures(output);
    WriteContentPictures(content, output);
    WriteCardPictures(content, outputFolder, output);
    WriteSounds(content, wallSets, output);
    // What the map editor's Help opens.
    output.Publish("scripting_ref.docx", ScriptingReference());
    // A second language for the editors that start on "ru": its override and description folders, empty.
    for (const char* folder : {"items", "monsters", "perks", "spells"})
        output.MakeFolder(std::string("text/ru/overrides/") + folder);
    output.MakeFolder("text/ru/desc");
    output.MakeFolder("saves");
    output.MakeFolder("screenshots");
    return output.Count();
}
