#include "GLApplicationFileIO.h"

#include "Raises.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

// Unsets the file-access hooks whatever a test did.
struct HookReset {
    ~HookReset()
    {
        SetStreamFactoryHook(nullptr);
        SetFileExistsHook(nullptr);
    }
};

std::string ReadAll(TStream& stream)
{
    std::string bytes(static_cast<size_t>(stream.Size()), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

// A format that stores its bytes as they are; it fails to save when told to, after writing half.
class TRawFile : public TGLDataFile {
public:
    using TGLDataFile::TGLDataFile;
    TGLDataFileCapabilities Capabilities() const override { return dfcRead | dfcWrite; }
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TRawFile(AOwner); }
    void LoadFromStream(TStream& stream) override { bytes = ReadAll(stream); }
    void SaveToStream(TStream& stream) override
    {
        stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size() / (failSave ? 2 : 1)));
        if (failSave) throw Exception("disk full");
    }
    std::string bytes;
    bool failSave = false;
};

class TReadOnlyFile : public TGLDataFile {
public:
    using TGLDataFile::TGLDataFile;
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TReadOnlyFile(AOwner); }
};

} // namespace

TEST(CreateHookedFileStreamTest, ResolvesBackslashesAndLetterCase)
{
    TempFolder folder;
    folder.Write("textures/wall.png", "PNG bytes");
    const std::string name = folder.path.string() + "\\Textures\\Wall.PNG";
    EXPECT_TRUE(HookedFileExists(name));
    EXPECT_EQ(ReadAll(*CreateHookedFileStream(name, fmOpenRead | fmShareDenyNone)), "PNG bytes");
    EXPECT_EQ(ReadAll(*CreateHookedFileStream(name, fmOpenRead | fmShareDenyWrite)), "PNG bytes");
}

TEST(CreateHookedFileStreamTest, MissingFileRaisesUnlessCreated)
{
    TempFolder folder;
    const std::string name = folder / "Levels\\missing.map";
    EXPECT_FALSE(HookedFileExists(name));
    EXPECT_EQ(MessageOf<EFOpenError>([&] { CreateHookedFileStream(name, fmOpenRead | fmShareDenyNone); }),
              "File not found: \"" + name + "\"");
    const std::string created = folder / "new.bin";
    CreateHookedFileStream(created, fmCreate)->WriteBuffer("ab", 2);
    EXPECT_EQ(folder.Read("new.bin"), "ab");
}

TEST(CreateHookedFileStreamTest, HooksRedirectAccessAndAnEmptyAnswerFallsBackToTheDisk)
{
    HookReset reset;
    TempFolder folder;
    folder.Write("on-disk.txt", "disk");
    std::vector<std::string> asked;
    SetStreamFactoryHook([&asked](const std::string& fileName, uint16_t mode) -> std::unique_ptr<TStream> {
        asked.push_back(fileName + "/" + std::to_string(mode));
        if (fileName.find("archived") == std::string::npos) return nullptr;
        return std::make_unique<TStringStream>("from the archive");
    });
    EXPECT_FALSE(FileIOHooksAssigned());
    SetFileExistsHook([](const std::string& fileName) { return fileName == "archived.txt"; });
    EXPECT_TRUE(FileIOHooksAssigned());

    EXPECT_EQ(ReadAll(*CreateHookedFileStream("archived.txt", fmOpenRead | fmShareDenyNone)), "from the archive");
    EXPECT_EQ(ReadAll(*CreateHookedFileStream(folder / "on-disk.txt", fmOpenRead)), "disk");
    EXPECT_EQ(asked, (std::vector<std::string>{"archived.txt/64", folder / "on-disk.txt/0"}));
    EXPECT_TRUE(HookedFileExists("archived.txt"));
    EXPECT_FALSE(HookedFileExists(folder / "on-disk.txt"));
}

TEST(GLDataFileTest, LoadAndSaveGoThroughTheDoorAndRememberTheName)
{
    TempFolder folder;
    folder.Write("models/ship.raw", "hull");
    TRawFile file(nullptr);
    file.LoadFromFile(folder.path.string() + "\\Models\\SHIP.raw");
    EXPECT_EQ(file.bytes, "hull");
    EXPECT_EQ(file.ResourceName(), "SHIP.raw");
    EXPECT_EQ(file.Capabilities(), dfcRead | dfcWrite);

    file.bytes = "new hull";
    file.SaveToFile(folder / "copy.raw");
    EXPECT_EQ(folder.Read("copy.raw"), "new hull");
    EXPECT_EQ(file.ResourceName(), "copy.raw");

    std::unique_ptr<TGLDataFile> copy(file.CreateCopy(&file));
    EXPECT_NE(dynamic_cast<TRawFile*>(copy.get()), nullptr);
    EXPECT_EQ(copy->Owner(), &file);
}

TEST(GLDataFileTest, FailedSaveLeavesTheOldFileWhole)
{
    TempFolder folder;
    folder.Write("ship.raw", "old hull");
    TRawFile file(nullptr);
    file.bytes = "a much longer new hull";
    file.failSave = true;
    EXPECT_THROW(file.SaveToFile(folder / "ship.raw"), Exception);
    EXPECT_EQ(folder.Read("ship.raw"), "old hull");
}

TEST(GLDataFileTest, BaseStreamingRaisesNamingTheClasses)
{
    TReadOnlyFile file(nullptr);
    EXPECT_EQ(file.Capabilities(), dfcRead);
    TMemoryStream stream;
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { file.LoadFromStream(stream); }),
              "Imaport for TReadOnlyFile to TMemoryStream not available. "
              "(VAVodad\\Source\\GLApplicationFileIO, line 322)");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { file.SaveToStream(stream); }),
              "Export for TReadOnlyFile to TMemoryStream not available. "
              "(VAVodad\\Source\\GLApplicationFileIO, line 330)");
}
