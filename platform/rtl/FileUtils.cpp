#include "FileUtils.h"

#include "Streams.h"
#include "SysUtils.h"
#include "TextEncoding.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

bool IsDelimiter(char c)
{
    return c == '/' || c == '\\';
}

size_t NameStart(std::string_view fileName)
{
    const size_t last = fileName.find_last_of("/\\");
    return last == std::string_view::npos ? 0 : last + 1;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Folds a name for case-insensitive lookup. Only valid UTF-8 is folded: a byte that starts no valid sequence
// stays as it is, so two different invalid names (or one and U+FFFD) never fold to the same key.
std::string FoldCase(std::string_view name)
{
    std::string folded;
    folded.reserve(name.size());
    for (size_t pos = 0; pos < name.size();) {
        const size_t start = pos;
        const char32_t c = NextUtf8CodePoint(name, pos);
        if (c == 0xFFFD && pos - start == 1)
            folded += name[start];
        else
            AppendUtf8(folded, UnicodeLowerCase(c));
    }
    return folded;
}

// Directory listings for the case-insensitive fallback, re-read when the folder's modification time changes.
class TListingCache {
public:
    // The entry of folder whose name equals name case-insensitively ("" when none); the first in byte order
    // when several do.
    std::string Find(const std::string& folder, std::string_view name)
    {
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::string();
        const std::string key = FoldCase(name);
        std::lock_guard<std::mutex> lock(FMutex);
        TListing& listing = FListings[folder];
        if (!listing.valid || listing.modified.tv_sec != st.st_mtim.tv_sec ||
            listing.modified.tv_nsec != st.st_mtim.tv_nsec) {
            Read(folder, listing);
            listing.modified = st.st_mtim;
            listing.valid = true;
        }
        const auto found = listing.names.find(key);
        return found == listing.names.end() ? std::string() : found->second;
    }

private:
    struct TListing {
        bool valid = false;
        timespec modified{};
        std::unordered_map<std::string, std::string> names; // folded name -> name on disk
    };

    static void Read(const std::string& folder, TListing& listing)
    {
        listing.names.clear();
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            auto [at, added] = listing.names.try_emplace(FoldCase(name), name);
            if (!added && name < at->second) at->second = name;
        }
        ::closedir(dir);
    }

    std::mutex FMutex;
    std::unordered_map<std::string, TListing> FListings;
};

TListingCache& ListingCache()
{
    static TListingCache cache;
    return cache;
}

std::string CurrentFolder()
{
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

std::string CannotCreate(const std::string& fileName, int error)
{
    return "Cannot create file \"" + fileName + "\". " + std::strerror(error);
}

// A temporary file's name: ".~", the writing process's id and a counter, each as eight hexadecimal digits, and
// ".tmp".
constexpr const char* cTemporaryName = ".~%08x%08x.tmp";
constexpr std::size_t cTemporaryNameLength = 22;

// The process that named a temporary file, or 0 when name is not one.
pid_t TemporaryFileOwner(std::string_view name)
{
    if (name.size() != cTemporaryNameLength || !name.starts_with(".~") || !name.ends_with(".tmp")) return 0;
    unsigned owner = 0;
    const char* digits = name.data() + 2;
    const auto [end, error] = std::from_chars(digits, digits + 8, owner, 16);
    return error == std::errc() && end == digits + 8 ? static_cast<pid_t>(owner) : 0;
}

// Removes the temporary files that writers killed after naming them and before the rename left in folder: those
// of processes that no longer run. A running process's file may be in the middle of its write.
void RemoveOrphanedTemporaryFiles(const std::string& folder)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = TemporaryFileOwner(entry->d_name);
        if (owner > 0 && owner != self && ::kill(owner, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// Runs make (answering 0 or an errno value) with fresh temporary names beside the target until one is not
// taken, a few times at most; answers the name that worked, or "" with errno set. The names are short and of
// a fixed length, so they fit wherever the target's own name fits.
template <class Make> std::string WithFreshTemporaryName(const std::string& folder, Make make)
{
    static std::atomic<unsigned> counter{0};
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, cTemporaryName, static_cast<unsigned>(::getpid()), counter++);
        std::string temporary = folder + name;
        error = make(temporary);
        if (error == 0) return temporary;
    }
    errno = error;
    return std::string();
}

} // namespace

std::string ProgramFolder()
{
    static const std::string folder = [] {
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (length <= 0) return CurrentFolder();
        const std::string_view path(buffer, static_cast<size_t>(length));
        return std::string(path.substr(0, std::max<size_t>(path.rfind('/'), 1)));
    }();
    return folder;
}

std::string ExtractFilePath(std::string_view fileName)
{
    return std::string(fileName.substr(0, NameStart(fileName)));
}

std::string ExtractFileName(std::string_view fileName)
{
    return std::string(fileName.substr(NameStart(fileName)));
}

std::string ExtractFileExt(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos || dot < NameStart(fileName) ? std::string()
                                                                       : std::string(fileName.substr(dot));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension)
{
    const size_t dot = fileName.rfind('.');
    const size_t end = dot == std::string_view::npos || dot < NameStart(fileName) ? fileName.size() : dot;
    return std::string(fileName.substr(0, end)) + std::string(extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view path)
{
    std::string result(path);
    if (result.empty() || !IsDelimiter(result.back())) result += '/';
    return result;
}

std::string ResolvePath(std::string_view fileName)
{
    std::string path(fileName);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || Exists(path)) return path;

    // The longest leading part that exists as spelled stays; the parts after it are looked up one by one.
    const std::string base = path[0] == '/' ? std::string() : CurrentFolder() + '/';
    size_t kept = path.size();
    do {
        kept = kept == 0 ? std::string::npos : path.rfind('/', kept - 1);
    } while (kept != std::string::npos && kept > 0 && !Exists(base + path.substr(0, kept)));
    size_t pos = kept == std::string::npos ? 0 : kept + 1;
    std::string resolved = path.substr(0, pos);
    while (pos < path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();
        const std::string_view part = std::string_view(path).substr(pos, end - pos);
        std::string next = resolved + std::string(part);
        if (!part.empty() && part != "." && part != ".." && !Exists(base + next)) {
            const std::string found = ListingCache().Find(base + (resolved.empty() ? "." : resolved), part);
            if (found.empty()) {
                resolved.append(path, pos); // no match: the rest stays as given
                break;
            }
            next = resolved + found;
        }
        resolved = std::move(next);
        if (end < path.size()) resolved += '/';
        pos = end + 1;
    }
    return resolved;
}

bool FileExists(std::string_view fileName)
{
    struct stat st;
    return ::stat(ResolvePath(fileName).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

TFolderSnapshot::TFolderSnapshot() = default;
TFolderSnapshot::~TFolderSnapshot() = default;

bool TFolderSnapshot::FileExists(std::string_view fileName)
{
    std::string path(fileName);
    std::replace(path.begin(), path.end(), '\\', '/');
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.empty() || name == "." || name == "..") return false;

    auto [at, added] = FListings.try_emplace(folder);
    std::unordered_set<std::string>& listing = at->second;
    if (added) {
        // Regular files only, links followed.
        const std::string resolved = IncludeTrailingPathDelimiter(ResolvePath(folder));
        if (DIR* dir = ::opendir(resolved.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string_view entryName = entry->d_name;
                bool file = entry->d_type == DT_REG;
                if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                    struct stat st;
                    file = ::stat((resolved + std::string(entryName)).c_str(), &st) == 0 && S_ISREG(st.st_mode);
                }
                if (!file) continue;
                listing.insert(FoldCase(entryName));
            }
            ::closedir(dir);
        }
    }
    return listing.contains(FoldCase(name));
}

bool DirectoryExists(std::string_view folder)
{
    struct stat st;
    return ::stat(ResolvePath(folder).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(std::string_view folder)
{
    if (folder.empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(ResolvePath(folder), error);
    return DirectoryExists(folder);
}

bool DeleteFile(std::string_view fileName)
{
    return ::unlink(ResolvePath(fileName).c_str()) == 0;
}

bool RenameFile(std::string_view oldName, std::string_view newName)
{
    const std::string target = ResolvePath(newName);
    return !Exists(target) && ::rename(ResolvePath(oldName).c_str(), target.c_str()) == 0;
}

namespace {

// fsync of a file or folder opened read-only; errno is kept from the call that failed.
bool FlushToDisk(const std::string& name, int flags)
{
    const int handle = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (handle < 0) return false;
    const bool flushed = ::fsync(handle) == 0;
    const int error = errno;
    ::close(handle);
    errno = error;
    return flushed;
}

// The folder holding name (which has no trailing separator), "." for a bare name.
std::string ParentFolder(const std::string& name)
{
    const std::string parent = ExtractFilePath(name);
    return parent.empty() ? "." : parent;
}

} // namespace

bool FlushFileToDisk(std::string_view fileName)
{
    return FlushToDisk(ResolvePath(fileName), 0);
}

bool FlushFolderToDisk(std::string_view folder)
{
    return FlushToDisk(ResolvePath(folder), O_DIRECTORY);
}

bool ExchangeFolders(std::string_view a, std::string_view b)
{
    std::string first = ResolvePath(a), second = ResolvePath(b);
    while (first.size() > 1 && first.back() == '/') first.pop_back();
    while (second.size() > 1 && second.back() == '/') second.pop_back();
    if (!DirectoryExists(first) || !DirectoryExists(second)) {
        errno = ENOENT;
        return false;
    }
    if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) != 0) return false;
    // The exchange is durable once both parents' entries are.
    const std::string p1 = ParentFolder(first), p2 = ParentFolder(second);
    bool flushed = FlushToDisk(p1, O_DIRECTORY);
    if (p2 != p1) flushed = FlushToDisk(p2, O_DIRECTORY) && flushed;
    return flushed;
}

void ReplaceFileAtomically(const std::string& fileName, const std::function<void(TStream&)>& write)
{
    // A NUL would cut every name built from this one short.
    if (fileName.find('\0') != std::string::npos) throw EFCreateError(CannotCreate(fileName, EINVAL));
    const std::string target = ResolvePath(fileName);
    const std::string folder = ExtractFilePath(target);

    // An unnamed file in the target's folder, so that a process killed while writing leaves nothing behind;
    // where the file system has no unnamed files, a named temporary file.
    std::string temporary;
    int handle = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (handle < 0) {
        temporary = WithFreshTemporaryName(folder, [&](const std::string& name) {
            handle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            return handle < 0 ? errno : 0;
        });
        if (handle < 0) throw EFCreateError(CannotCreate(fileName, errno));
    }
    struct stat old;
    if (::stat(target.c_str(), &old) == 0) ::fchmod(handle, old.st_mode & 07777);

    try {
        {
            TFileStream stream(handle, fileName);
            write(stream);
            stream.Flush();
            // The written file gets a name only now, for the moment until it replaces the target.
            if (temporary.empty()) {
                const std::string self = "/proc/self/fd/" + std::to_string(handle);
                std::string linked = WithFreshTemporaryName(folder, [&](const std::string& name) {
                    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                                           : errno;
                });
                if (linked.empty()) throw EFCreateError(CannotCreate(fileName, errno));
                temporary = std::move(linked);
            }
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0) throw EFCreateError(CannotCreate(fileName, errno));
    } catch (...) {
        if (!temporary.empty()) ::unlink(temporary.c_str());
        throw;
    }
    // Make the rename itself durable.
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    RemoveOrphanedTemporaryFiles(folder);
}

void ReplaceFileAtomically(const std::string& fileName, std::string_view bytes)
{
    ReplaceFileAtomically(fileName,
                          [bytes](TStream& stream) { stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size())); });
}
