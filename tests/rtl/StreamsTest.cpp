#include "Raises.h"
#include "Streams.h"
#include "StringLists.h"
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using ::testing::HasSubstr;

TEST(Streams, MemoryStreamWritesReadsSeeksAndRaisesOnShortRead)
{
    TMemoryStream stream;
    const int32_t values[] = {1, -2, 0x12345678};
    stream.WriteBuffer(values, sizeof values);
    EXPECT_EQ(stream.Size(), 12);
    EXPECT_EQ(stream.Position(), 12);

    stream.SetPosition(4);
    int32_t v = 0;
    stream.ReadBuffer(&v, 4);
    EXPECT_EQ(v, -2);

    // Writing past the end grows the stream; the gap reads as zeros.
    stream.Seek(4, soEnd);
    stream.WriteBuffer(&v, 4);
    EXPECT_EQ(stream.Size(), 20);
    stream.SetPosition(12);
    stream.ReadBuffer(&v, 4);
    EXPECT_EQ(v, 0);

    // A short read moves what there is but raises.
    stream.SetPosition(18);
    EXPECT_EQ(MessageOf<EReadError>([&] { stream.ReadBuffer(&v, 4); }), "Stream read error");
    stream.SetPosition(20);
    EXPECT_EQ(stream.Read(&v, 4), 0);
    EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);

    stream.SetSize(2);
    EXPECT_EQ(stream.Position(), 2);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
}

TEST(Streams, StringStreamHoldsBytesAsText)
{
    TStringStream stream(std::string("ab\0c", 4));
    EXPECT_EQ(stream.Position(), 0);
    char c[4];
    stream.ReadBuffer(c, 4);
    EXPECT_EQ(c[3], 'c');
    stream.WriteBuffer("xy", 2);
    EXPECT_EQ(stream.DataString(), std::string("ab\0cxy", 6));
}

TEST(Streams, FileStreamRoundTripAndCopy)
{
    TempFolder folder;
    const std::string name = folder / "data.bin";
    {
        TFileStream file(name, fmCreate);
        file.WriteBuffer("hello world", 11);
        EXPECT_EQ(file.Size(), 11);
    }
    {
        TFileStream file(name, fmOpenRead | fmShareDenyNone);
        char text[5];
        file.SetPosition(6);
        file.ReadBuffer(text, 5);
        EXPECT_EQ(std::string(text, 5), "world");
        EXPECT_THROW(file.ReadBuffer(text, 1), EReadError);
        // Writing to a stream opened for reading fails as a short write.
        EXPECT_THROW(file.WriteBuffer("x", 1), EWriteError);
    }
    {
        TFileStream file(name, fmOpenReadWrite | fmShareExclusive);
        file.SetSize(5);
        file.Seek(0, soEnd);
        file.WriteBuffer("!", 1);
    }

    TMemoryStream memory;
    memory.LoadFromFile(name);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(memory.Memory()), 6), "hello!");
    EXPECT_EQ(memory.Position(), 0);

    TMemoryStream copy;
    memory.SetPosition(3);
    EXPECT_EQ(copy.CopyFrom(memory, 0), 6); // 0 copies the whole source from its start
    memory.SetPosition(1);
    copy.CopyFrom(memory, 2);
    EXPECT_EQ(copy.Size(), 8);
    EXPECT_THROW(copy.CopyFrom(memory, 10), EReadError);

    const std::string saved = folder / "saved.bin";
    memory.SaveToFile(saved);
    EXPECT_EQ(std::filesystem::file_size(saved), 6u);
}

TEST(Streams, FileStreamFailuresNameTheFile)
{
    TempFolder folder;
    const std::string missing = folder / "missing.dat";
    EXPECT_THAT(MessageOf<EFOpenError>([&] { TFileStream file(missing, fmOpenRead | fmShareDenyNone); }),
                HasSubstr("Cannot open file \"" + missing + "\""));
    // Names in the system's own spelling resolve to the file on disk.
    folder.Write("Data/Wall.BIN", "x");
    EXPECT_EQ(TFileStream(folder / "data\\wall.bin", fmOpenRead | fmShareDenyWrite).Size(), 1);

    // A folder is no file, whichever way it is opened.
    const std::string data = folder / "Data";
    const std::function<void()> openings[] = {
        [&] { TFileStream(data, fmOpenRead | fmShareDenyNone); },
        [&] { TMemoryStream().LoadFromFile(data); },
        [&] { TStringList().LoadFromFile(data); },
    };
    for (const auto& open : openings)
        EXPECT_THAT(MessageOf<EFOpenError>(open), HasSubstr("Cannot open file \"" + data + "\". Is a directory"));

    const std::string noFolder = folder / "no/such/folder.dat";
    EXPECT_THAT(MessageOf<EFCreateError>([&] { TFileStream file(noFolder, fmCreate); }),
                HasSubstr("Cannot create file \"" + noFolder + "\""));
}
