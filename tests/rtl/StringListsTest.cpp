#include "Raises.h"
#include "Streams.h"
#include "StringLists.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Lines(const TStrings& list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
    return lines;
}

using L = std::vector<std::string>;

} // namespace

TEST(StringList, EditingObjectsAndIndexErrors)
{
    TStringList list;
    TObject a, b;
    list.Add("one");
    list.AddObject("Two", &a);
    list.InsertObject(0, "zero", &b);
    EXPECT_EQ(Lines(list), (L{"zero", "one", "Two"}));
    EXPECT_EQ(list.Objects(2), &a);
    EXPECT_EQ(list.IndexOf("TWO"), 2); // case-insensitive
    EXPECT_EQ(list.IndexOf("three"), -1);
    EXPECT_EQ(list.IndexOfObject(&b), 0);

    list.SetStrings(2, "two"); // keeps the object
    EXPECT_EQ(list.Objects(2), &a);
    list.Delete(0);
    EXPECT_EQ(Lines(list), (L{"one", "two"}));

    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Strings(2); }), "List index out of bounds (2)");
    EXPECT_THROW(list.Insert(3, "x"), EStringListError);
    EXPECT_THROW(list.Delete(-1), EListError);

    TStringList copy;
    copy.Assign(&list);
    EXPECT_EQ(Lines(copy), Lines(list));
    EXPECT_EQ(copy.Objects(1), &a);
}

TEST(StringList, TextSplitsEveryLineBreakAndJoinsWithCrLf)
{
    const struct {
        std::string text;
        L lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\rc\r\n\r\nd", {"a", "b", "c", "", "d"}},
        {"\r\n", {""}},
        {"a\n\rb", {"a", "", "b"}},
    };
    TStringList list;
    for (const auto& c : cases) {
        list.SetText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << c.text;
    }
    list.SetText("x\ny");
    EXPECT_EQ(list.Text(), "x\r\ny\r\n");
}

TEST(StringList, CommaTextQuotesAndSplits)
{
    const struct {
        std::string text;
        L lines;
    } parsing[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"  a , b  ", {"a", "b"}},
        {"walk 0 10", {"walk", "0", "10"}}, // blanks outside quotes split too
        {"\"run fast\",1,2,morph", {"run fast", "1", "2", "morph"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {"\"ab\"cd,e", {"ab", "cd", "e"}},
        {"\"open", {"open"}},
        {"", {}},
    };
    TStringList list;
    for (const auto& c : parsing) {
        list.SetCommaText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << c.text;
    }

    list.SetText("plain\nwith blank\nwith,comma\nwith \"quote\"\n\n\xD0\x96");
    const std::string comma = list.CommaText();
    EXPECT_EQ(comma, "plain,\"with blank\",\"with,comma\",\"with \"\"quote\"\"\",\"\",\xD0\x96");
    TStringList back;
    back.SetCommaText(comma);
    EXPECT_EQ(Lines(back), Lines(list));
}

TEST(StringList, NamesAndValues)
{
    TStringList list;
    list.SetText("[BlankImage]\nWidth=64\nheight=32\nDepth=");
    EXPECT_EQ(list.Names(0), "");
    EXPECT_EQ(list.Names(1), "Width");
    EXPECT_EQ(list.Values("WIDTH"), "64");
    EXPECT_EQ(list.Values("Height"), "32");
    EXPECT_EQ(list.Values("Depth"), "");
    EXPECT_EQ(list.Values("Missing"), "");
    EXPECT_EQ(list.IndexOfName("depth"), 3);

    list.SetValues("Height", "16");   // replaces
    list.SetValues("Format", "a=b");  // adds; the value may hold '='
    list.SetValues("Width", "");      // deletes
    EXPECT_EQ(Lines(list), (L{"[BlankImage]", "Height=16", "Depth=", "Format=a=b"}));
    EXPECT_EQ(list.Values("format"), "a=b");
}

TEST(StringList, SortedFindAndDuplicates)
{
    TStringList list;
    list.SetText("pear\nApple\nfig");
    list.SetSorted(true);
    EXPECT_EQ(Lines(list), (L{"Apple", "fig", "pear"}));
    EXPECT_EQ(list.Add("banana"), 1);
    int index = -1;
    EXPECT_TRUE(list.Find("PEAR", index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(list.Find("cherry", index));
    EXPECT_EQ(index, 2);

    EXPECT_EQ(list.Add("APPLE"), 0); // dupIgnore answers the line it has
    EXPECT_EQ(list.Count(), 4);
    list.SetDuplicates(dupAccept);
    EXPECT_EQ(list.Add("APPLE"), 1);
    list.SetDuplicates(dupError);
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Add("fig"); }), "String list does not allow duplicates");
    EXPECT_THROW(list.Insert(0, "a"), EStringListError);
    EXPECT_THROW(list.SetStrings(0, "a"), EStringListError);
}

TEST(StringList, ChangeEventsOncePerUpdateBracket)
{
    TStringList list;
    int changes = 0;
    TObject* sender = nullptr;
    list.OnChange = [&](TObject* s) {
        ++changes;
        sender = s;
    };
    list.Add("a");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(sender, &list);
    list.SetText("x\ny\nz");
    EXPECT_EQ(changes, 2);
    list.BeginUpdate();
    list.Add("1");
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(changes, 3);
}

TEST(StringList, LoadDecodesAndSaveWritesUtf8)
{
    TempFolder folder;
    const struct {
        std::string bytes;
        TLegacyCodePage codePage;
        L lines;
    } files[] = {
        {"\xEF\xBB\xBF" "one\r\ntwo\r\n", lcpWindows1252, {"one", "two"}},
        {std::string("\xFF\xFE" "a\0\r\0\n\0\x16\x04", 10), lcpWindows1252, {"a", "\xD0\x96"}},
        {"caf\xE9\n", lcpWindows1252, {"caf\xC3\xA9"}},
        {"\xCF\xF0\xE8\xE2\xE5\xF2", lcpWindows1251, {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"}},
        {"\xD0\x96\n", lcpWindows1251, {"\xD0\x96"}},
    };
    TStringList list;
    for (const auto& f : files) {
        folder.Write("in.txt", f.bytes);
        list.LoadFromFile(folder / "in.txt", f.codePage);
        EXPECT_EQ(Lines(list), f.lines);
    }

    list.SetText("caf\xC3\xA9\nline");
    list.SaveToFile(folder / "out.txt");
    EXPECT_EQ(folder.Read("out.txt"), "caf\xC3\xA9\r\nline\r\n");

    // A stream is read from its position on.
    TStringStream stream("skip|a\nb");
    stream.SetPosition(5);
    list.LoadFromStream(stream);
    EXPECT_EQ(Lines(list), (L{"a", "b"}));
    TMemoryStream out;
    list.SaveToStream(out);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Memory()), out.Size()), "a\r\nb\r\n");

    EXPECT_THROW(list.LoadFromFile(folder / "missing.txt"), EFOpenError);
    EXPECT_EQ(Lines(list), (L{"a", "b"})); // a failed load changes nothing
}
