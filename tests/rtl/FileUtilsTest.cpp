#include "FileUtils.h"
#include "Raises.h"
#include "Streams.h"
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using ::testing::HasSubstr;

TEST(FileNames, PartsWithEitherSeparator)
{
    EXPECT_EQ(ExtractFilePath("C:\\game\\textures\\wall.png"), "C:\\game\\textures\\");
    EXPECT_EQ(ExtractFilePath("/a/b.c/d"), "/a/b.c/");
    EXPECT_EQ(ExtractFilePath("name"), "");
    EXPECT_EQ(ExtractFileName("\\levels\\map1\\skybox.txt"), "skybox.txt");
    EXPECT_EQ(ExtractFileExt("a/b.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("a.d/readme"), "");
    EXPECT_EQ(ChangeFileExt("\\textures\\wall.tga", ".dds"), "\\textures\\wall.dds");
    EXPECT_EQ(ChangeFileExt("a.d/readme", ".txt"), "a.d/readme.txt");
    EXPECT_EQ(IncludeTrailingPathDelimiter("tex"), "tex/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("tex\\"), "tex\\");

    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_TRUE(FileExists(folder + "/test_rtl"));
}

TEST(FileNames, ResolvesEachPartCaseInsensitively)
{
    TempFolder folder;
    folder.Write("Textures/hq/Wall.PNG", "png");
    folder.Write("levels/Map1/skybox.txt", "sky");
    const std::string root = folder.path.string();

    EXPECT_EQ(ResolvePath(root + "\\textures\\HQ\\wall.png"), root + "/Textures/hq/Wall.PNG");
    EXPECT_TRUE(FileExists(root + "\\TEXTURES\\hq\\WALL.png"));
    EXPECT_FALSE(FileExists(root + "\\textures\\hq"));
    EXPECT_TRUE(DirectoryExists(root + "\\textures\\hq\\"));
    EXPECT_FALSE(FileExists(root + "\\textures\\hq\\floor.png"));
    // Among several spellings the exact one wins, else the first in byte order.
    folder.Write("Data/a.txt", "");
    folder.Write("Data/A.txt", "");
    EXPECT_EQ(ResolvePath(root + "/data/a.txt"), root + "/Data/a.txt");
    EXPECT_EQ(ResolvePath(root + "/data/a.TXT"), root + "/Data/A.txt");
    // A missing part keeps its spelling, and so does everything after it.
    EXPECT_EQ(ResolvePath(root + "\\LEVELS\\map2\\Skybox.txt"), root + "/levels/map2/Skybox.txt");

    // A file that appears after the folder was listed is still found.
    EXPECT_FALSE(FileExists(root + "/levels/map1/NEW.txt"));
    folder.Write("levels/Map1/new.txt", "");
    EXPECT_TRUE(FileExists(root + "/levels/map1/NEW.txt"));

    // Relative names resolve from the current folder.
    const std::string before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    EXPECT_EQ(ResolvePath("levels\\MAP1\\Skybox.TXT"), "levels/Map1/skybox.txt");
    std::filesystem::current_path(before);

    EXPECT_TRUE(ForceDirectories(root + "\\LEVELS\\map1\\saves\\slot1"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path / "levels/Map1/saves/slot1"));
    EXPECT_TRUE(RenameFile(root + "\\levels\\map1\\SKYBOX.txt", root + "\\levels\\map1\\sky2.txt"));
    EXPECT_EQ(folder.Read("levels/Map1/sky2.txt"), "sky");
    EXPECT_FALSE(RenameFile(root + "/levels/map1/new.txt", root + "/levels/map1/sky2.txt")); // taken
    EXPECT_TRUE(DeleteFile(root + "\\Levels\\Map1\\Sky2.TXT"));
    EXPECT_FALSE(DeleteFile(root + "\\Levels\\Map1\\Sky2.TXT"));
}

TEST(FileNames, AtomicReplacementKeepsTheOldFileWhenWritingFails)
{
    TempFolder folder;
    folder.Write("Saves/game.sav", "old content");
    ::chmod((folder.path / "Saves/game.sav").c_str(), 0640);
    const std::string name = folder / "saves\\GAME.SAV";

    EXPECT_THROW(ReplaceFileAtomically(name,
                                       [](TStream& stream) {
                                           stream.WriteBuffer("partial", 7);
                                           throw EWriteError();
                                       }),
                 EWriteError);
    EXPECT_EQ(folder.Read("Saves/game.sav"), "old content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path / "Saves"), {}), 1); // no leftovers

    ReplaceFileAtomically(name, "new content");
    EXPECT_EQ(folder.Read("Saves/game.sav"), "new content");
    EXPECT_EQ(std::filesystem::status(folder.path / "Saves/game.sav").permissions(),
              std::filesystem::perms(0640)); // the old file's rights
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path / "Saves"), {}), 1);

    TMemoryStream memory;
    memory.WriteBuffer("from memory", 11);
    memory.SaveToFile(folder / "Saves/new.bin");
    EXPECT_EQ(folder.Read("Saves/new.bin"), "from memory");

    EXPECT_THROW(ReplaceFileAtomically(folder / "no/such/folder/x.txt", "x"), EFCreateError);
}

// A save killed while writing leaves the old file and nothing else; the longest valid name saves; a name with
// a NUL in it is refused instead of saved under the part before the NUL.
TEST(FileNames, AtomicReplacementLeavesNoTemporaryFiles)
{
    TempFolder folder;
    folder.Write("game.sav", "old content");
    auto entries = [&] { return std::distance(std::filesystem::directory_iterator(folder.path), {}); };
    EXPECT_EXIT(ReplaceFileAtomically(folder / "game.sav",
                                      [](TStream& stream) {
                                          stream.WriteBuffer("partial", 7);
                                          std::_Exit(3);
                                      }),
                ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(folder.Read("game.sav"), "old content");
    EXPECT_EQ(entries(), 1);

    const std::string longest(255, 'n');
    ReplaceFileAtomically(folder / longest, "long name");
    EXPECT_EQ(folder.Read(longest), "long name");
    EXPECT_EQ(entries(), 2);

    EXPECT_THAT(MessageOf<EFCreateError>([&] { ReplaceFileAtomically(folder / std::string("new\0x", 5), "x"); }),
                HasSubstr("Invalid argument"));
    EXPECT_EQ(entries(), 2);
}

// A writer killed between naming its temporary file and the rename leaves that file behind: the next write in
// the folder removes it, but not the file of a process still running, whose write may be under way.
TEST(FileNames, AtomicReplacementClearsTheTemporaryFilesOfKilledWriters)
{
    TempFolder folder;
    const auto temporaryOf = [](pid_t pid) {
        char name[32];
        std::snprintf(name, sizeof name, ".~%08x%08x.tmp", static_cast<unsigned>(pid), 0u);
        return std::string(name);
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        folder.Write(temporaryOf(::getpid()), "partial");
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::filesystem::path killed = folder.path / temporaryOf(child);
    const std::string running = temporaryOf(::getppid());
    folder.Write(running, "being written");
    folder.Write("other/" + temporaryOf(child), "elsewhere");
    ASSERT_TRUE(std::filesystem::exists(killed));

    ReplaceFileAtomically(folder / "gh.cfg", "settings");
    EXPECT_FALSE(std::filesystem::exists(killed));
    EXPECT_EQ(folder.Read(running), "being written");
    EXPECT_EQ(folder.Read("other/" + temporaryOf(child)), "elsewhere");
    EXPECT_EQ(folder.Read("gh.cfg"), "settings");
}

// Only valid UTF-8 is matched case-insensitively: bytes that are no UTF-8 never match other invalid bytes or
// U+FFFD, so saving under such a name never overwrites another file.
TEST(FileNames, InvalidUtf8NamesMatchOnlyThemselves)
{
    TempFolder folder;
    folder.Write("a\xff.txt", "kept");
    const std::string root = folder.path.string();
    EXPECT_EQ(ResolvePath(root + "/a\xfe.txt"), root + "/a\xfe.txt");
    EXPECT_EQ(ResolvePath(root + "/a\xef\xbf\xbd.txt"), root + "/a\xef\xbf\xbd.txt");
    EXPECT_EQ(ResolvePath(root + "/A\xff.TXT"), root + "/a\xff.txt");
    ReplaceFileAtomically(root + "/a\xfe.txt", "new");
    EXPECT_EQ(folder.Read("a\xff.txt"), "kept");
}

TEST(FileNames, FolderSnapshotAnswersAsFileExistsFromOneListing)
{
    TempFolder folder;
    folder.Write("Textures/hq/Wall.TGA", "");
    folder.Write("Textures/hq/floor.tga", "");
    folder.Write("cards/0.crd", "");
    std::filesystem::create_directories(folder.path / "Textures/hq/sub");
    std::filesystem::create_symlink(folder.path / "cards/0.crd", folder.path / "cards/link.crd");
    std::filesystem::create_symlink(folder.path / "cards/gone.crd", folder.path / "cards/dangling.crd");
    const std::string root = folder.path.string();

    TFolderSnapshot snapshot;
    const char* const names[] = {
        "\\textures\\HQ\\wall.tga", "/Textures/hq/floor.tga", "\\textures\\hq\\floor.dds", "\\textures\\hq\\sub",
        "\\textures\\hq\\",         "\\textures\\lq\\wall.tga", "\\cards\\0.crd",         "\\cards\\1.crd",
        "\\cards\\LINK.crd",        "\\cards\\dangling.crd",    "\\cards\\.",             "\\nothing",
    };
    for (const char* name : names) EXPECT_EQ(snapshot.FileExists(root + name), FileExists(root + name)) << name;
    EXPECT_TRUE(snapshot.FileExists(root + "\\textures\\HQ\\wall.tga"));
    EXPECT_TRUE(snapshot.FileExists(root + "\\cards\\link.crd"));

    // The listing is taken once: a file made later is not seen by this snapshot, but by a new one.
    folder.Write("cards/1.crd", "");
    EXPECT_FALSE(snapshot.FileExists(root + "\\cards\\1.crd"));
    EXPECT_TRUE(TFolderSnapshot().FileExists(root + "\\cards\\1.crd"));

    // Relative names are looked up from the current folder.
    const std::string before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path / "cards");
    EXPECT_TRUE(TFolderSnapshot().FileExists("0.CRD"));
    std::filesystem::current_path(before);
}

// A save set is made durable file by file and folder by folder, then swapped into place in one step.
TEST(FileNames, FlushesAndExchangesFolders)
{
    TempFolder folder;
    folder.Write("saves/saved.map", "old map");
    folder.Write("saves/chsave2.sav", "old player");
    folder.Write("saves.new/saved.map", "new map");

    EXPECT_TRUE(FlushFileToDisk(folder / "saves.new/saved.map"));
    EXPECT_TRUE(FlushFolderToDisk(folder / "Saves.NEW"));
    struct TRefusal {
        const char* what;
        bool (*flush)(std::string_view);
        std::string name;
        int error;
    };
    const TRefusal refusals[] = {
        {"a missing file", FlushFileToDisk, folder / "saves/none.sav", ENOENT},
        {"a file flushed as a folder", FlushFolderToDisk, folder / "saves/saved.map", ENOTDIR},
        {"a missing folder", FlushFolderToDisk, folder / "none", ENOENT},
    };
    for (const TRefusal& r : refusals) {
        SCOPED_TRACE(r.what);
        errno = 0;
        EXPECT_FALSE(r.flush(r.name));
        EXPECT_EQ(errno, r.error);
    }

    // Any letter case finds the folders; each name then holds the other's files.
    ASSERT_TRUE(ExchangeFolders(folder / "saves.new", folder / "SAVES"));
    EXPECT_EQ(folder.Read("saves/saved.map"), "new map");
    EXPECT_FALSE(std::filesystem::exists(folder.path / "saves/chsave2.sav"));
    EXPECT_EQ(folder.Read("saves.new/saved.map"), "old map");
    EXPECT_EQ(folder.Read("saves.new/chsave2.sav"), "old player");

    // A missing folder or a file in the place of one: refused, and both stay as they were.
    EXPECT_FALSE(ExchangeFolders(folder / "saves", folder / "none"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(ExchangeFolders(folder / "saves.new/saved.map", folder / "saves"));
    EXPECT_EQ(folder.Read("saves/saved.map"), "new map");
    EXPECT_EQ(folder.Read("saves.new/saved.map"), "old map");
}
