// The game's benchmarks read and write files of a data folder made once per benchmark file and removed at exit,
// beside plain line splits of the same files.
#pragma once

#include "UGH_data.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// A fresh data folder, filled by fill on the first call; each call site (each fill) has a folder of its own.
// Every call makes it the game's folder (language "en"), since benchmarks of other files run in between.
template <class TFill> const std::filesystem::path& BenchDataFolder(TFill fill)
{
    static const std::filesystem::path folder = [&] {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirefall_bench_XXXXXX").string();
        std::filesystem::path made = mkdtemp(pattern.data());
        gamedir = made.string();
        fill(made);
        return made;
    }();
    // Registered once the folder is made, so that the removal runs before the folder's name is destroyed.
    static const bool removedAtExit = (std::atexit([] { std::filesystem::remove_all(folder); }), true);
    (void)removedAtExit;
    gamedir = folder.string();
    lng = "en";
    return folder;
}

// The lines of a file as a plain std::getline split gives them, CR LF or LF.
inline std::vector<std::string> PlainSplit(const std::string& fileName)
{
    std::vector<std::string> lines;
    std::ifstream in(fileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}
