// The tagged archive byte for byte, persistent objects through streams, strings and files, the object list's
// operations and archive, and corrupt archives that must end in read errors.
#include "Bytes.h"
#include "GLPersistentClasses.h"
#include "Raises.h"
#include "StringLists.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

// vaWString of an ASCII name.
Bytes WideName(const std::string& name)
{
    Bytes result{0x12, static_cast<uint8_t>(name.size()), 0, 0, 0};
    for (char c : name) result.insert(result.end(), {static_cast<uint8_t>(c), 0});
    return result;
}

template <class Write> Bytes Written(Write write)
{
    TMemoryStream stream;
    TBinaryWriter writer(&stream);
    write(writer);
    return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

// Archived test objects: a version, then one integer.
class TArchiveA : public TPersistentObject {
public:
    int32_t Value = 0;
    static int Alive;
    TArchiveA() { ++Alive; }
    ~TArchiveA() override { --Alive; }
    void WriteToFiler(TVirtualWriter* writer) override
    {
        TPersistentObject::WriteToFiler(writer);
        writer->WriteInteger(0);
        writer->WriteInteger(Value);
    }
    void ReadFromFiler(TVirtualReader* reader) override
    {
        TPersistentObject::ReadFromFiler(reader);
        const int32_t version = reader->ReadInteger();
        if (version != 0) RaiseUnknownArchiveVersion(version);
        Value = reader->ReadInteger();
    }
};
int TArchiveA::Alive = 0;

class TArchiveB : public TArchiveA {};

class TSignedArchive : public TArchiveA {
public:
    std::string FileSignature() const override { return "SIG1"; }
};

// Records the objects its reader makes.
class TRecordingList : public TPersistentObjectList {
public:
    std::vector<TObject*> Created;

protected:
    void ItemCreatedByReader(TObject* Sender) override { Created.push_back(Sender); }
};

class PersistentClasses : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterClasses<TArchiveA, TArchiveB, TSignedArchive>(); }
    void TearDown() override { EXPECT_EQ(TArchiveA::Alive, 0); }
};

// Lists do not own their objects: what a load made, nested lists included, is freed here.
void CleanAll(TPersistentObjectList& list)
{
    for (int32_t i = 0; i < list.Count(); ++i)
        if (auto* nested = dynamic_cast<TPersistentObjectList*>(list.Get(i))) CleanAll(*nested);
    list.Clean();
}

TArchiveA* NewA(int32_t value)
{
    auto* a = new TArchiveA;
    a->Value = value;
    return a;
}

TArchiveB* NewB(int32_t value)
{
    auto* b = new TArchiveB;
    b->Value = value;
    return b;
}

} // namespace

TEST_F(PersistentClasses, WriterGoldenBytesReadBack)
{
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteInteger(127); }), (Bytes{0x02, 0x7F}));
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteInteger(-128); }), (Bytes{0x02, 0x80}));
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteInteger(128); }), (Bytes{0x03, 0x80, 0x00}));
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteInteger(-32768); }), (Bytes{0x03, 0x00, 0x80}));
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteInteger(32768); }), (Bytes{0x04, 0x00, 0x80, 0x00, 0x00}));
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteInteger(-2147483647 - 1); }),
              (Bytes{0x04, 0x00, 0x00, 0x00, 0x80}));
    EXPECT_EQ(Written([](TBinaryWriter& w) {
                  w.WriteBoolean(true);
                  w.WriteBoolean(false);
                  w.WriteListBegin();
                  w.WriteListEnd();
              }),
              (Bytes{0x09, 0x08, 0x01, 0x00}));
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteString("abc"); }),
              (Bytes{0x12, 3, 0, 0, 0, 0x61, 0, 0x62, 0, 0x63, 0}));
    // A character outside the 8-bit range and one outside the basic plane (a surrogate pair).
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteString("\xE2\x82\xAC\xF0\x9F\x98\x80"); }),
              (Bytes{0x12, 3, 0, 0, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteFloat(1.0); }),
              (Bytes{0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    EXPECT_EQ(Written([](TBinaryWriter& w) { w.WriteFloat(-2.5); }),
              (Bytes{0x05, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}));

    const Bytes short8 = Written([](TBinaryWriter& w) { w.WriteAnsiText(std::string(255, 'x')); });
    ASSERT_EQ(short8.size(), 2u + 255u);
    EXPECT_EQ(short8[0], 0x06);
    EXPECT_EQ(short8[1], 0xFF);
    const Bytes long8 = Written([](TBinaryWriter& w) { w.WriteAnsiText(std::string(256, 'x')); });
    ASSERT_EQ(long8.size(), 5u + 256u);
    EXPECT_EQ(Bytes(long8.begin(), long8.begin() + 5), (Bytes{0x0C, 0x00, 0x01, 0x00, 0x00}));

    // Everything above, read back in one stream.
    TMemoryStream stream;
    {
        TBinaryWriter w(&stream);
        for (int32_t v : {127, -128, 128, -32768, 32768, -2147483647 - 1, 2147483647}) w.WriteInteger(v);
        w.WriteBoolean(true);
        w.WriteBoolean(false);
        w.WriteString("abc");
        w.WriteString("");
        w.WriteAnsiText(std::string(256, 'x'));
        for (double v : {1.0, -2.5, 0.1, 1e-310, -0.0, std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::max()})
            w.WriteFloat(v);
        w.WriteListBegin();
        w.WriteListEnd();
    }
    stream.SetPosition(0);
    TBinaryReader r(&stream);
    for (int32_t v : {127, -128, 128, -32768, 32768, -2147483647 - 1, 2147483647}) EXPECT_EQ(r.ReadInteger(), v);
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_FALSE(r.ReadBoolean());
    EXPECT_EQ(r.ReadString(), "abc");
    EXPECT_EQ(r.ReadString(), "");
    EXPECT_EQ(r.ReadString(), std::string(256, 'x'));
    for (double v : {1.0, -2.5, 0.1, 1e-310, -0.0, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::max()}) {
        const double read = r.ReadFloat();
        EXPECT_EQ(read, v);
        EXPECT_EQ(std::signbit(read), std::signbit(v));
    }
    {
        TStringStream nan(ToString(Written([](TBinaryWriter& w) { w.WriteFloat(std::nan("")); })));
        EXPECT_TRUE(std::isnan(TBinaryReader(&nan).ReadFloat()));
    }
    EXPECT_EQ(r.NextValue(), vaList);
    EXPECT_EQ(r.NextValue(), vaList);
    r.ReadListBegin();
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST_F(PersistentClasses, ReaderTakesEveryStringTagAndRejectsOtherKinds)
{
    const struct {
        Bytes bytes;
        std::string text;
    } cases[] = {
        {{0x06, 3, 'a', 'b', 'c'}, "abc"},
        {{0x06, 1, 0xE9}, "\xC3\xA9"},                 // 8-bit text is the legacy code page: e acute
        {{0x0C, 2, 0, 0, 0, 0x80, 'x'}, "\xE2\x82\xAC" "x"}, // the euro sign of that code page
        {{0x12, 1, 0, 0, 0, 0xE9, 0x00}, "\xC3\xA9"},
        {{0x14, 2, 0, 0, 0, 0xC3, 0xA9}, "\xC3\xA9"},
        {{0x14, 4, 0, 0, 0, 0xF0, 0x9F, 0x98, 0x80}, "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        TStringStream stream(ToString(c.bytes));
        TBinaryReader reader(&stream);
        EXPECT_EQ(reader.ReadString(), c.text);
        EXPECT_EQ(stream.Position(), stream.Size());
    }

    TStringStream floatThenInt(ToString(Written([](TBinaryWriter& w) { w.WriteFloat(3); })));
    TBinaryReader reader(&floatThenInt);
    EXPECT_EQ(MessageOf<EReadError>([&] { reader.ReadInteger(); }), "TBinaryReader, read type error");
    EXPECT_EQ(floatThenInt.Position(), 1); // past the tag
    for (const Bytes& wrong : {Bytes{0x02, 1}, Bytes{0x01}}) {
        TStringStream s(ToString(wrong));
        EXPECT_THROW(TBinaryReader(&s).ReadString(), EReadError);
    }
    TStringStream intAsFloat(ToString(Bytes{0x02, 1}));
    EXPECT_THROW(TBinaryReader(&intAsFloat).ReadFloat(), EReadError);
    TStringStream intAsBool(ToString(Bytes{0x02, 1}));
    EXPECT_THROW(TBinaryReader(&intAsBool).ReadBoolean(), EReadError);
}

TEST(Utf8BytesToWideString, LenientConversion)
{
    const struct {
        Bytes bytes;
        std::u16string units;
    } cases[] = {
        {{'a', 0xC3, 0xA9}, u"a\u00E9"},
        {{0xF0, 0x9F, 0x98, 0x80}, u"\U0001F600"},
        {{0xED, 0xA0, 0x80}, std::u16string(1, char16_t(0xD800))}, // no legality checks
        {{0xF4, 0x90, 0x80, 0x80}, u"\uFFFD"},                    // above U+10FFFF
        {{0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}, u"\uFFFD"},
        {{'a', 0xE2, 0x82}, u"a\uFFFD"}, // cut short by the end of the data
        {{0xF0}, u"\uFFFD"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8BytesToWideString(c.bytes.data(), c.bytes.size()), c.units);
}

TEST_F(PersistentClasses, ObjectListArchiveNamesEachClassOnce)
{
    TRecordingList list;
    list.Add(NewA(1));
    list.Add(nullptr);
    list.Add(NewB(300));
    list.Add(NewA(-2));
    const Bytes expected = Concat({{0x02, 0x00, 0x01},
                                   WideName("TArchiveA"),
                                   {0x02, 0x00, 0x02, 0x01},
                                   {0x08, 0x02, 0x00},
                                   WideName("TArchiveB"),
                                   {0x02, 0x00, 0x03, 0x2C, 0x01},
                                   {0x02, 0x00, 0x02, 0x00, 0x02, 0xFE},
                                   {0x00}});
    const std::string archive = list.SaveToString();
    EXPECT_EQ(ToBytes(archive), expected);

    TRecordingList copy;
    copy.Add(NewA(99)); // freed by the load
    copy.LoadFromString(archive);
    ASSERT_EQ(copy.Count(), 4);
    EXPECT_EQ(copy.Get(1), nullptr);
    EXPECT_EQ(typeid(*copy.Get(0)), typeid(TArchiveA));
    EXPECT_EQ(typeid(*copy.Get(2)), typeid(TArchiveB));
    EXPECT_EQ(typeid(*copy.Get(3)), typeid(TArchiveA));
    EXPECT_EQ(static_cast<TArchiveA*>(copy.Get(2))->Value, 300);
    EXPECT_EQ(static_cast<TArchiveA*>(copy.Get(3))->Value, -2);
    EXPECT_EQ(copy.Created, (std::vector<TObject*>{copy.Get(0), copy.Get(2), copy.Get(3)}));
    list.Clean();
    copy.Clean();

    // A nested list reads back as a list; this module registers its own class.
    RegisterGLPersistentClasses();
    TPersistentObjectList outer;
    auto* inner = new TPersistentObjectList;
    inner->Add(NewA(5));
    outer.Add(inner);
    TPersistentObjectList outerCopy;
    outerCopy.LoadFromString(outer.SaveToString());
    auto* innerCopy = dynamic_cast<TPersistentObjectList*>(outerCopy.Get(0));
    ASSERT_NE(innerCopy, nullptr);
    EXPECT_EQ(static_cast<TArchiveA*>(innerCopy->Get(0))->Value, 5);
    inner->Clean();
    outer.Clean();
    innerCopy->Clean();
    outerCopy.Clean();
}

TEST_F(PersistentClasses, SignatureVersionAssignCloneAndFiles)
{
    TSignedArchive signed_;
    signed_.Value = 7;
    const std::string archive = signed_.SaveToString();
    EXPECT_EQ(ToBytes(archive), (Bytes{'S', 'I', 'G', '1', 0x02, 0x00, 0x02, 0x07}));

    // Exactly the four signature bytes are read before the object's data.
    TSignedArchive loaded;
    TStringStream stream(archive + "tail");
    loaded.LoadFromStream(&stream);
    EXPECT_EQ(loaded.Value, 7);
    EXPECT_EQ(stream.Position(), 8);
    for (const std::string& bad : {std::string("SIG2\x02\x00\x02\x07", 8), std::string("SIG")}) {
        TSignedArchive target;
        target.Value = 3;
        EXPECT_EQ(MessageOf<EInvalidFileSignature>([&] { target.LoadFromString(bad); }), "Invalid file signature");
        EXPECT_EQ(target.Value, 3);
    }

    TArchiveA a;
    EXPECT_EQ(MessageOf<EFilerException>([&] { a.LoadFromString(ToString(Bytes{0x02, 0x07, 0x02, 0x01})); }),
              "TArchiveA : unknown archive version 7");

    TArchiveA source;
    source.Value = 42;
    a.Assign(&source);
    EXPECT_EQ(a.Value, 42);
    TArchiveB b;
    EXPECT_THROW(a.Assign(&b), EConvertError); // another class: the persistent base refuses
    const std::unique_ptr<TPersistentObject> clone(source.CreateClone());
    EXPECT_EQ(typeid(*clone), typeid(TArchiveA));
    EXPECT_EQ(static_cast<TArchiveA&>(*clone).Value, 42);

    TempFolder folder;
    const std::string fileName = folder / "object.bin";
    signed_.SaveToFile(fileName);
    TSignedArchive fromFile;
    fromFile.LoadFromFile(fileName);
    EXPECT_EQ(fromFile.Value, 7);
}

TEST_F(PersistentClasses, ObjectListOperations)
{
    TPersistentObjectList list;
    EXPECT_EQ(list.GrowthDelta(), 16);
    EXPECT_EQ(list.Capacity(), 0);
    std::vector<TArchiveA*> objects;
    for (int i = 0; i < 5; ++i) objects.push_back(NewA(i));
    for (TArchiveA* o : objects) list.Add(o);
    EXPECT_EQ(list.Capacity(), 16);
    list.AddNils(12);
    EXPECT_EQ(list.Count(), 17);
    EXPECT_EQ(list.Capacity(), 17); // raised exactly
    list.Add(nullptr);
    EXPECT_EQ(list.Capacity(), 33);

    list.InsertNils(0, 2);
    list.Pack();
    EXPECT_EQ(list.Count(), 5);
    list.Move(0, 4); // 1 2 3 4 0
    list.Exchange(0, 1); // 2 1 3 4 0
    EXPECT_EQ(list.First(), objects[2]);
    EXPECT_EQ(list.Last(), objects[0]);
    list.Sort([](TObject* x, TObject* y) {
        return static_cast<TArchiveA*>(x)->Value - static_cast<TArchiveA*>(y)->Value;
    });
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list.Get(i), objects[i]);
    EXPECT_EQ(list.Remove(objects[3]), 3);
    EXPECT_EQ(list.Remove(objects[3]), -1);
    list.Insert(3, objects[3]);

    for (const auto& bad : std::vector<std::function<void()>>{
             [&] { list.Get(5); }, [&] { list.Get(-1); }, [&] { list.Put(5, nullptr); },
             [&] { list.Delete(5); }, [&] { list.Insert(6, nullptr); }, [&] { list.Exchange(0, 5); },
             [&] { list.Move(5, 0); }})
        EXPECT_EQ(MessageOf<EListError>(bad), "Invalid list index");
    EXPECT_EQ(list.Count(), 5);

    TPersistentObjectList other;
    EXPECT_EQ(other.AddObjects(&list), 0);
    EXPECT_EQ(other.AddObjects(nullptr), 0);
    EXPECT_EQ(other.Capacity(), 5);
    other.RemoveObjects(&list);
    EXPECT_EQ(other.Count(), 0);

    list.DeleteAndFreeItems(1, 2); // frees objects 1 and 2
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(TArchiveA::Alive, 3);
    list.DeleteAndFreeItems(2, 10); // clipped to the end
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.RemoveAndFree(objects[0]), 0);
    list.PopAndFree();
    EXPECT_EQ(TArchiveA::Alive, 0);
    EXPECT_EQ(list.Pop(), nullptr);
    list.PopAndFree(); // nothing on an empty list

    list.Add(NewA(1));
    list.Add(NewA(2));
    list.Clean();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

TEST_F(PersistentClasses, StringListsRoundTrip)
{
    TStringList lines;
    lines.Add("one");
    lines.Add("\xC3\xA9t\xC3\xA9");
    TMemoryStream stream;
    {
        TBinaryWriter writer(&stream);
        writer.WriteTStrings(&lines, true);
        writer.WriteTStrings(nullptr, false);
    }
    EXPECT_EQ(stream.Memory()[0], 0x09);
    stream.SetPosition(0);
    TBinaryReader reader(&stream);
    TStringList read;
    read.Add("old");
    reader.ReadTStrings(&read);
    ASSERT_EQ(read.Count(), 2);
    EXPECT_EQ(read.Strings(1), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(read.Objects(1), nullptr);
    reader.ReadTStrings(&read);
    EXPECT_EQ(read.Count(), 0);
}

// Every corrupt archive ends in an exception with a message and frees what it made.
TEST_F(PersistentClasses, CorruptArchivesRaiseReadErrors)
{
    const struct {
        Bytes bytes;
        std::string message;
    } cases[] = {
        {{0x02, 0x00, 0x01, 0x0C, 0xFF, 0xFF, 0xFF, 0x7F}, "TBinaryReader, read type error"}, // huge length
        {{0x02, 0x00, 0x01, 0x12, 0xFF, 0xFF, 0xFF, 0xFF}, "TBinaryReader, read type error"}, // negative
        {{0x02, 0x00, 0x01, 0x14, 0x00, 0x00, 0x00, 0x40, 'a'}, "TBinaryReader, read type error"},
        {{0x02, 0x00, 0x01, 0x02, 0x00, 0x02, 0x00, 0x02, 0x01, 0x00}, "Broken ObjectList archive"}, // no class 0
        {Concat({{0x02, 0x00, 0x01}, WideName("TArchiveA"), {0x02, 0x00, 0x02, 0x01, 0x02, 0x01}}),
         "Broken ObjectList archive"}, // class index 1 of a table of one
        {{0x02, 0x00, 0x01, 0x02, 0xFF}, "Broken ObjectList archive"},                    // negative index
        {{0x02, 0x00, 0x01, 0x08, 0x04, 0x78, 0x56, 0x34, 0x12, 0x00}, "Broken ObjectList archive"},
        {{0x02, 0x00, 0x01, 0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}, "Broken ObjectList archive"},
        {{0x02, 0x00, 0x01, 0x06, 0x03, 'T', 'N', 'o', 0x00}, "Class TNo not found"},
        {{0x02, 0x01, 0x01, 0x00}, "TPersistentObjectList : unknown archive version 1"},
        {{0x02, 0x00, 0x01}, "Stream read error"}, // no end of list
        {{0x02}, "Stream read error"},
        {{}, "Stream read error"},
    };
    for (const auto& c : cases) {
        TPersistentObjectList list;
        EXPECT_EQ(MessageOf([&] { list.LoadFromString(ToString(c.bytes)); }), c.message);
        list.Clean();
    }

    // Lists nested deeper than any archive needs.
    RegisterGLPersistentClasses();
    std::string deep;
    for (int i = 0; i < 1000; ++i) deep += ToString(Concat({{0x02, 0x00, 0x01}, WideName("TPersistentObjectList")}));
    TPersistentObjectList list;
    EXPECT_EQ(MessageOf([&] { list.LoadFromString(deep); }), "Broken ObjectList archive");
}

TEST_F(PersistentClasses, EveryTruncationAndFlippedTagFailsCleanly)
{
    RegisterGLPersistentClasses();
    TPersistentObjectList list;
    list.Add(NewA(1000));
    list.Add(nullptr);
    list.Add(NewB(-5));
    // A list cut short inside must free what it read, down to the entries of the lists it holds.
    auto* deeper = new TPersistentObjectList;
    deeper->Add(NewA(3));
    auto* nested = new TPersistentObjectList;
    nested->Add(NewA(1));
    nested->Add(deeper);
    nested->Add(NewB(2));
    list.Add(nested);
    list.Add(NewA(70000));
    const std::string archive = list.SaveToString();
    CleanAll(list);

    for (size_t length = 0; length < archive.size(); ++length) {
        TPersistentObjectList target;
        EXPECT_THROW(target.LoadFromString(archive.substr(0, length)), Exception) << length;
        CleanAll(target);
    }
    // Any byte changed to any of a few values: the load either works or raises.
    for (size_t at = 0; at < archive.size(); ++at)
        for (uint8_t value : {0x00, 0x01, 0x02, 0x05, 0x08, 0x0C, 0x12, 0x14, 0x7F, 0xFF}) {
            std::string changed = archive;
            changed[at] = static_cast<char>(value);
            TPersistentObjectList target;
            try {
                target.LoadFromString(changed);
            } catch (const Exception&) {
            }
            CleanAll(target);
        }
}
