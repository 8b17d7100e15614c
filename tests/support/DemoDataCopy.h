// The demo adventure beside a test program, copied for a test that changes it. The programs stay behind, and so
// does what the game's tests running at the same time write there (the save set, the fresh set being written, the
// temporary files of a replaced file): they come and go while the copy is made.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

// Copies every entry of from into to but those above; skip may leave out more (the entry, its name).
inline void CopyDemoData(const std::filesystem::path& from, const std::filesystem::path& to,
                         const std::function<bool(const std::filesystem::directory_entry&, const std::string&)>& skip =
                             nullptr)
{
    namespace fs = std::filesystem;
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        const std::string name = entry.path().filename().string();
        const bool program = entry.is_regular_file() &&
                             (entry.status().permissions() & fs::perms::owner_exec) != fs::perms::none;
        const bool written = name.starts_with("saves") || name.starts_with(".~");
        if (program || written || (skip && skip(entry, name))) continue;
        fs::copy(entry.path(), to / name, fs::copy_options::recursive);
    }
}
