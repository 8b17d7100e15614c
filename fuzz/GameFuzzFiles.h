// The game's fuzz targets read their inputs as files of a data folder: a temporary folder of the process, removed
// at exit. An input holds several files, separated by the byte 0x1E.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

inline void Check(bool condition)
{
    if (!condition) std::abort();
}

inline const std::filesystem::path& FuzzFolder()
{
    static const std::filesystem::path folder = [] {
        // In memory where the system offers a folder there: the game's writers flush each file to the disk, which
        // costs a disk's time on every input.
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "mirefall_fuzz_XXXXXX").string();
        return std::filesystem::path(mkdtemp(pattern.data()));
    }();
    // Registered once the folder is made, so that the removal runs before the folder's name is destroyed.
    static const bool removedAtExit = (std::atexit([] { std::filesystem::remove_all(folder); }), true);
    (void)removedAtExit;
    return folder;
}

inline void WriteFuzzFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFuzzFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The files of an input, in order: the bytes between separators.
inline std::vector<std::string_view> FuzzParts(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (size_t split; (split = bytes.find('\x1E')) != std::string_view::npos; bytes.remove_prefix(split + 1))
        parts.push_back(bytes.substr(0, split));
    parts.push_back(bytes);
    return parts;
}
