// Runtime library: file names, the program folder, path resolution and atomic file replacement.
// Names may use "\" or "/"; every file operation here resolves its name with ResolvePath first.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

class TStream;

// The folder of the program file, without a trailing separator.
std::string ProgramFolder();

// The parts of a file name; "\" and "/" both separate folders.
std::string ExtractFilePath(std::string_view fileName); // the folder with its trailing separator
std::string ExtractFileName(std::string_view fileName);
std::string ExtractFileExt(std::string_view fileName);  // from the last "." of the name on, "" when none
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view path);

// Turns "\" into "/"; when that name does not exist, finds each part of the path case-insensitively. Parts
// with no match are kept as given, so the result also names files still to be created.
std::string ResolvePath(std::string_view fileName);

bool FileExists(std::string_view fileName);

// FileExists for a pass over many names in folders that do not change while it lasts (a start-up that counts
// its data files): each folder is listed once, on its first check, and every check after that is a lookup in
// memory. Names match in any letter case, as ResolvePath finds them. One thread at a time.
class TFolderSnapshot {
public:
    TFolderSnapshot();
    ~TFolderSnapshot();
    TFolderSnapshot(const TFolderSnapshot&) = delete;
    TFolderSnapshot& operator=(const TFolderSnapshot&) = delete;

    bool FileExists(std::string_view fileName);

private:
    // The folded names of each folder's regular files, by the folder as asked (with "/").
    std::unordered_map<std::string, std::unordered_set<std::string>> FListings;
};
bool DirectoryExists(std::string_view folder);
// Creates the folder and its missing parents; true when it exists afterwards.
bool ForceDirectories(std::string_view folder);
bool DeleteFile(std::string_view fileName);
// Fails when the new name exists already.
bool RenameFile(std::string_view oldName, std::string_view newName);

// Makes a file's contents, or a folder's entries, durable: on the disk when it returns. False (errno set) when
// the name cannot be opened or the disk refuses.
bool FlushFileToDisk(std::string_view fileName);
bool FlushFolderToDisk(std::string_view folder);
// Swaps two existing folders in one step: afterwards each name holds what the other held, and no moment shows
// one of them missing or half of either. The folders above them are flushed. False (errno set) when either
// is missing or the file system cannot exchange, and nothing has changed; also when a folder above them
// cannot be flushed, the exchange done but perhaps not yet on the disk.
bool ExchangeFolders(std::string_view a, std::string_view b);

// Writes a file through a temporary file in the same folder that replaces the old one only once it is
// completely written and flushed: when writing fails, the old file is intact, the temporary file is removed
// and the error passes on.
void ReplaceFileAtomically(const std::string& fileName, const std::function<void(TStream&)>& write);
void ReplaceFileAtomically(const std::string& fileName, std::string_view bytes);
