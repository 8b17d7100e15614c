// A fresh empty folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

struct TempFolder {
    std::filesystem::path path;

    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirefall_test_XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path); }

    std::string operator/(const std::string& name) const { return (path / name).string(); }

    void Write(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories((path / name).parent_path());
        std::ofstream(path / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(path / name, std::ios::binary);
        std::ostringstream bytes; // in one piece: a character at a time is slow under the sanitizers
        bytes << in.rdbuf();
        return std::move(bytes).str();
    }
};
