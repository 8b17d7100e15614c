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

// The level build's meshes: a box of side 20 centred at the origin (8 corners, 12 triangles) for walls and doors,
// and a 20 x 20 square at height 0 for floors.
inline constexpr const char* cBenchBoxMesh = "v -10 -10 -10\nv 10 -10 -10\nv 10 10 -10\nv -10 10 -10\n"
                                             "v -10 -10 10\nv 10 -10 10\nv 10 10 10\nv -10 10 10\n"
                                             "f 1 3 2\nf 1 4 3\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
                                             "f 2 3 7\nf 2 7 6\nf 3 4 8\nf 3 8 7\nf 4 1 5\nf 4 5 8\n";
inline constexpr const char* cBenchSquareMesh = "v -10 -10 0\nv 10 -10 0\nv 10 10 0\nv -10 10 0\nf 1 2 3\nf 1 3 4\n";

// A dense 100 x 100 level "full": walls around 10 x 10 rooms, doors, sprites, every free mesh a moving pillar.
inline TLevelData DenseBenchLevel()
{
    TLevelData level;
    level.mapmaxx = level.mapmaxy = 99;
    ClearLevelTables(level);
    level.mapid = "full";
    level.startx = level.starty = 1;
    for (int32_t x = 0; x <= 99; ++x)
        for (int32_t y = 0; y <= 99; ++y) {
            lcell& cell = level.levelgrid[x][y];
            cell.wall = x % 10 == 0 || y % 10 == 0;
            cell.passable = !cell.wall;
            cell.door = !cell.wall && (x + y) % 17 == 0;
            cell.spritename = (x + y) % 7 == 0 ? "spr_barrel1" : "0";
            cell.plz = 10;
        }
    for (freemesh& mesh : level.mapfreemeshes) {
        mesh.enabled = true;
        mesh.name = "pillar";
        mesh.spd = 1.5;
    }
    return level;
}
