// The demo adventure's text scripts, read from its sources as the game's interpreter reads them: every command
// word of the game serves in at least one of them, every command in them is a word the game knows, and the
// texts, scripts and journal pages they name are there.
#include "DemoOutput.h"
#include "DemoSources.h"
#include "UGH_main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path cSources(MIREFALL_DEMO_SOURCES);

struct TDemoCommand {
    std::string file; // relative to the sources
    std::string word;
    std::vector<std::string> args;
};

// The game's command words; If and Else are read by the interpreter as well.
std::set<std::string, std::less<>> CommandWords()
{
    std::set<std::string, std::less<>> words = {"If", "Else"};
    for (const TScriptWord& entry : ScriptWordTable()) words.emplace(entry.word);
    return words;
}

// The text scripts: global, nested, choice, wanderer and arrival scripts (the event scripts "scr_<n>" are
// lines of integers), card scripts and the cells' scripts of every level.
std::vector<fs::path> ScriptFiles()
{
    std::vector<fs::path> files;
    const auto add = [&](const fs::path& folder) {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".txt" && !entry.path().filename().string().starts_with("scr_"))
                files.push_back(entry.path());
    };
    add(cSources / "scripts");
    add(cSources / "cards");
    for (const fs::directory_entry& level : fs::directory_iterator(cSources / "levels"))
        if (level.is_directory()) add(level.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Each command of the demo's scripts; a command that begins with no word has an empty word and its text as
// the only argument. Spaces, CR and LF count for nothing, ";" ends a command and "," an argument.
std::vector<TDemoCommand> DemoCommands()
{
    const auto words = CommandWords();
    std::vector<TDemoCommand> commands;
    for (const fs::path& file : ScriptFiles()) {
        std::string text = ReadSourceFile(file);
        std::erase_if(text, [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = std::min(text.find(';', at), text.size());
            const std::string command = text.substr(at, end - at);
            at = end + 1;
            if (command.empty() || command == "EndIf") continue;
            TDemoCommand parsed{fs::relative(file, cSources).string(), "", {}};
            // No word begins another: at most one fits.
            for (const std::string& word : words)
                if (command.starts_with(word)) parsed.word = word;
            std::string rest = command.substr(parsed.word.size());
            for (std::size_t from = 0; from <= rest.size();) {
                const std::size_t comma = std::min(rest.find(',', from), rest.size());
                parsed.args.push_back(rest.substr(from, comma - from));
                from = comma + 1;
            }
            commands.push_back(std::move(parsed));
        }
    }
    return commands;
}

TEST(DemoScripts, EveryCommandWordServesInADemoScript)
{
    std::set<std::string, std::less<>> unused = CommandWords();
    for (const TDemoCommand& command : DemoCommands()) unused.erase(command.word);
    std::string list;
    for (const std::string& word : unused) list += " " + word;
    EXPECT_TRUE(unused.empty()) << "words no demo script uses:" << list;
}

TEST(DemoScripts, EveryCommandIsAWordAndWhatItNamesIsThere)
{
    // The files a word's argument names: "{}" stands for the argument.
    struct TNamed {
        const char* word;
        std::size_t arg;
        std::vector<std::string> files;
    };
    const TNamed named[] = {
        {"ShowMsg", 0, {"text/en/txt_{}.txt", "text/en/txt_{}_h.txt"}},
        {"ShowScroll", 0, {"text/en/txt_{}.txt", "text/en/txt_{}_h.txt"}},
        {"ShowImg", 0, {"text/en/txt_{}.txt", "text/en/txt_{}_h.txt"}},
        {"ShowChoice", 0, {"text/en/txt_{}.txt", "text/en/txt_{}_h.txt"}},
        {"ShowChoice", 1, {"scripts/{}.txt"}},
        {"StartScript", 1, {"scripts/{}.txt"}},
        {"ChangeFMTrScript", 1, {"scripts/{}.txt"}},
        {"Choice", 1, {"text/en/{}.txt"}},
        {"UpdateJournal", 0, {"text/en/journal/jrn_{}.txt"}},
    };
    for (const TDemoCommand& command : DemoCommands()) {
        SCOPED_TRACE(command.file);
        EXPECT_FALSE(command.word.empty()) << "\"" << command.args[0] << "\" begins with no command word";
        for (const TNamed& entry : named) {
            if (command.word != entry.word) continue;
            ASSERT_GT(command.args.size(), entry.arg) << command.word;
            for (std::string file : entry.files) {
                file.replace(file.find("{}"), 2, command.args[entry.arg]);
                EXPECT_TRUE(fs::exists(cSources / file)) << command.word << " names " << file;
            }
        }
    }
}

TEST(DemoScripts, TheScriptsTheLevelsNameAreThere)
{
    for (const fs::directory_entry& source : fs::directory_iterator(cSources / "levels")) {
        if (source.path().extension() != ".txt") continue;
        SCOPED_TRACE(source.path().filename().string());
        auto level = std::make_unique<TLevelData>();
        TDemoMapInfo info;
        CompileMap(ReadSourceFile(source.path()), source.path().string(), *level, info);
        std::vector<std::string> names;
        for (int32_t i = 0; i <= level->wanderers.High(); ++i) names.push_back(level->wanderers[i].script);
        for (int32_t i = 0; i <= level->freemeshes.High(); ++i) names.push_back(level->freemeshes[i].trscript);
        for (const std::string& name : names) {
            if (!name.empty()) EXPECT_TRUE(fs::exists(cSources / "scripts" / (name + ".txt"))) << name;
        }
    }
}

} // namespace
