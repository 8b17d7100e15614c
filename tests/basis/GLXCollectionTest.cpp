#include "GLXCollection.h"

#include "Bytes.h"
#include "ComponentStreams.h"
#include "GLPersistentClasses.h"
#include "Raises.h"
#include "Streams.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using ::testing::AllOf;
using ::testing::Ne;
using ::testing::StartsWith;

namespace {

class A : public TGLXCollectionItem {
public:
    explicit A(TGLXCollection* aOwner) : A(aOwner, XCollectionItemClassOf<A>()) {}
    int LoadedCalls = 0;
    void Loaded() override { ++LoadedCalls; }

protected:
    A(TGLXCollection* aOwner, const TGLXCollectionItemClass& aClass) : TGLXCollectionItem(aOwner, aClass) {}
};

class ADerived : public A {
public:
    explicit ADerived(TGLXCollection* aOwner) : A(aOwner, XCollectionItemClassOf<ADerived>()) {}
    static std::string FriendlyName() { return "Derived"; }
};

class B : public TGLXCollectionItem {
public:
    explicit B(TGLXCollection* aOwner) : TGLXCollectionItem(aOwner, XCollectionItemClassOf<B>()) {}
    static std::string FriendlyName() { return "Bee"; }
    static std::string FriendlyDescription() { return "A bee"; }
};

class Unique : public TGLXCollectionItem {
public:
    explicit Unique(TGLXCollection* aOwner) : Unique(aOwner, XCollectionItemClassOf<Unique>()) {}
    static bool UniqueItem() { return true; }

protected:
    Unique(TGLXCollection* aOwner, const TGLXCollectionItemClass& aClass) : TGLXCollectionItem(aOwner, aClass) {}
};

// Inherits UniqueItem from Unique.
class UniqueDerived : public Unique {
public:
    explicit UniqueDerived(TGLXCollection* aOwner) : Unique(aOwner, XCollectionItemClassOf<UniqueDerived>()) {}
};

class Refusing : public TGLXCollectionItem {
public:
    explicit Refusing(TGLXCollection* aOwner) : TGLXCollectionItem(aOwner, XCollectionItemClassOf<Refusing>()) {}
    static bool CanAddTo(TGLXCollection*) { return false; }
};

// Forgets to pass its own class reference.
class Careless : public TGLXCollectionItem {
public:
    explicit Careless(TGLXCollection* aOwner) : TGLXCollectionItem(aOwner) {}
};

// A collection of A items only.
class ACollection : public TGLXCollection {
public:
    using TGLXCollection::TGLXCollection;
    const TGLXCollectionItemClass& ItemsClass() const override { return XCollectionItemClassOf<A>(); }
};

class XCollectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AddXCollectionItemClass<A>();
        AddXCollectionItemClass<B>();
    }
    void TearDown() override
    {
        RemoveXCollectionItemClass<A>();
        RemoveXCollectionItemClass<B>();
    }

    static Bytes Write(TGLXCollection& collection)
    {
        TMemoryStream stream;
        {
            TWriter writer(stream);
            collection.WriteToFiler(writer);
        }
        return Bytes(stream.Memory(), stream.Memory() + stream.Size());
    }

    static void Read(TGLXCollection& collection, const Bytes& bytes)
    {
        TMemoryStream stream;
        stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        stream.SetPosition(0);
        TReader reader(stream);
        collection.ReadFromFiler(reader);
    }

    static std::vector<std::string> Describe(const TGLXCollection& collection)
    {
        std::vector<std::string> result;
        for (int i = 0; i < collection.Count(); ++i)
            result.push_back(collection.Items(i)->ClassName() + ":" + collection.Items(i)->Name());
        return result;
    }
};

const Bytes cHeader3 = {0x04, 0x58, 0x43, 0x4F, 0x4C, 0x02, 0x01, 0x02, 0x03}; // "XCOL", version 1, count 3
const Bytes cEmptyName = {0x12, 0x00, 0x00, 0x00, 0x00};

} // namespace

TEST_F(XCollectionTest, WritesClassNamesOnceThenIndicesAndReadsBack)
{
    TGLXCollection collection(nullptr);
    new A(&collection);
    (new B(&collection))->SetName("b");
    new A(&collection);
    const Bytes expected = cHeader3 + Bytes{0x06, 0x01, 'A', 0x02, 0x00} + cEmptyName +
                           Bytes{0x06, 0x01, 'B', 0x02, 0x00, 0x06, 0x01, 'b'} + Bytes{0x02, 0x00, 0x02, 0x00} +
                           cEmptyName;
    EXPECT_EQ(Write(collection), expected);
    EXPECT_EQ(collection.archiveVersion(), 1);

    TGLXCollection copy(nullptr);
    new B(&copy); // replaced by the stream
    Read(copy, expected);
    EXPECT_EQ(Describe(copy), (std::vector<std::string>{"A:", "B:b", "A:"}));
    EXPECT_EQ(copy.archiveVersion(), 1);
    EXPECT_EQ(Write(copy), expected);
}

// The item names show the string forms of the stream.
TEST_F(XCollectionTest, NamesTakeTheStringFormTheirTextNeeds)
{
    const std::string longName(300, 'a');
    const struct {
        std::string name;
        Bytes encoded;
    } cases[] = {
        {"", {0x12, 0x00, 0x00, 0x00, 0x00}},
        {"abc", Bytes{0x06, 0x03} + ToBytes("abc")},
        {longName, Bytes{0x0C, 0x2C, 0x01, 0x00, 0x00} + ToBytes(longName)},
        {"\xC3\xA9", {0x12, 0x01, 0x00, 0x00, 0x00, 0xE9, 0x00}},                   // "é": 2 bytes, 1 unit
        {"a\xC3\xA9", {0x14, 0x03, 0x00, 0x00, 0x00, 'a', 0xC3, 0xA9}},             // "aé": 3 bytes, 2 units
        {"\xF0\x9F\x94\xA5", {0x12, 0x02, 0x00, 0x00, 0x00, 0x3D, 0xD8, 0x25, 0xDD}}, // 4 bytes, 2 units
    };
    for (const auto& c : cases) {
        TGLXCollection collection(nullptr);
        (new B(&collection))->SetName(c.name);
        const Bytes expected = Bytes{0x04, 0x58, 0x43, 0x4F, 0x4C, 0x02, 0x01, 0x02, 0x01, 0x06, 0x01, 'B',
                                     0x02, 0x00} +
                               c.encoded;
        EXPECT_EQ(Write(collection), expected) << c.name;
        TGLXCollection copy(nullptr);
        Read(copy, expected);
        ASSERT_EQ(copy.Count(), 1);
        EXPECT_EQ(copy.Items(0)->Name(), c.name);
    }
}

TEST_F(XCollectionTest, ReadsStreamsWithoutSignature)
{
    const Bytes item = Bytes{0x06, 0x01, 'A', 0x02, 0x00} + cEmptyName;
    const Bytes again = Bytes{0x02, 0x00, 0x02, 0x00} + cEmptyName;
    const struct {
        Bytes stream;
        size_t count;
    } cases[] = {
        {Bytes{0x02, 0x02} + item + again, 2}, // the count as the first integer
        {Bytes{0x01, 0x00, 0x00, 0x00} + item, 1}, // the count as four raw bytes
        {Bytes{0x01}, 0},                         // too short for them: nothing
    };
    for (const auto& c : cases) {
        TGLXCollection collection(nullptr);
        Read(collection, c.stream);
        EXPECT_EQ(collection.Count(), static_cast<int>(c.count));
        EXPECT_EQ(collection.archiveVersion(), 0);
    }
}

TEST_F(XCollectionTest, CorruptStreamsRaiseAndKeepWhatWasRead)
{
    const Bytes first = Bytes{0x06, 0x01, 'A', 0x02, 0x00} + cEmptyName;
    const struct {
        Bytes stream;
        std::string message; // start of the message
        int kept;
    } cases[] = {
        {cHeader3 + Bytes{0x06, 0x01, 'Z'}, "Class Z unknown. Add the relevant unit to your \"uses\". (", 0},
        {cHeader3 + Bytes{0x06, 0x01, 'a'}, "Class a unknown.", 0}, // names are case-sensitive
        {cHeader3 + first + Bytes{0x02, 0x01}, "Invalid classlistIndex: 1 (", 1},
        {cHeader3 + first + Bytes{0x02, 0xFF}, "Invalid classlistIndex: -1 (", 1},
        {cHeader3 + Bytes{0x06, 0x01, 'A', 0x02, 0x01}, "Assertion failure (", 1}, // item data version 1
        {Bytes{0x04, 0x58, 0x43, 0x4F, 0x4C, 0x02, 0x02, 0x02, 0x00}, "TGLXCollection : unknown archive version 2",
         0},
        // A class name of another string type is not a class name, and not an integer either.
        {cHeader3 + Bytes{0x14, 0x01, 0x00, 0x00, 0x00, 'A'}, "", 0},
        {Bytes{0x04, 0x58, 0x43, 0x4F, 0x4C, 0x02, 0x01, 0x02, 0xFF}, "Invalid item count: -1", 0},
        {Bytes{0x01, 0x00, 0x00, 0x80}, "Invalid item count: -2147483647", 0},
        // A huge count ends at the end of the stream.
        {Bytes{0x04, 0x58, 0x43, 0x4F, 0x4C, 0x02, 0x01, 0x04, 0xFF, 0xFF, 0xFF, 0x7F} + first, "", 1},
    };
    for (const auto& c : cases) {
        TGLXCollection collection(nullptr);
        EXPECT_THAT(MessageOf([&] { Read(collection, c.stream); }), AllOf(Ne(cNoException), StartsWith(c.message)));
        EXPECT_EQ(collection.Count(), c.kept) << c.message;
    }
}

TEST_F(XCollectionTest, EveryTruncationRaisesAReadError)
{
    TGLXCollection collection(nullptr);
    new A(&collection);
    (new B(&collection))->SetName("b");
    new A(&collection);
    const Bytes whole = Write(collection);
    for (size_t size = 0; size < whole.size(); ++size) {
        TGLXCollection copy(nullptr);
        EXPECT_THROW(Read(copy, Bytes(whole.begin(), whole.begin() + size)), EReadError) << size;
    }
}

TEST_F(XCollectionTest, UniqueItemsAndRefusingClasses)
{
    TGLXCollection collection(nullptr);
    const auto& unique = XCollectionItemClassOf<Unique>();
    const auto& uniqueDerived = XCollectionItemClassOf<UniqueDerived>();
    EXPECT_TRUE(collection.CanAdd(unique));
    new UniqueDerived(&collection);
    EXPECT_FALSE(collection.CanAdd(unique));        // a Unique (descendant) is present
    EXPECT_FALSE(collection.CanAdd(uniqueDerived)); // the same class again
    EXPECT_TRUE(collection.CanAdd(XCollectionItemClassOf<A>()));

    TGLXCollection other(nullptr);
    new Unique(&other);
    EXPECT_FALSE(other.CanAdd(uniqueDerived)); // descends from a unique class present

    EXPECT_FALSE(collection.CanAdd(XCollectionItemClassOf<Refusing>()));
    EXPECT_THAT(MessageOf<EAssertionFailed>([&] { new Refusing(&collection); }),
                StartsWith("Addition of Refusing to TGLXCollection rejected. ("));
    EXPECT_EQ(collection.Count(), 1);

    Refusing loose(nullptr);
    EXPECT_THROW(collection.Add(&loose), EAssertionFailed);
    EXPECT_EQ(loose.Owner(), nullptr);
    EXPECT_EQ(collection.Count(), 1);
}

TEST_F(XCollectionTest, ClassReferencesKnowInheritanceAndClassQueries)
{
    const auto& a = XCollectionItemClassOf<A>();
    const auto& derived = XCollectionItemClassOf<ADerived>();
    const auto& base = XCollectionItemClassOf<TGLXCollectionItem>();
    EXPECT_TRUE(derived.InheritsFrom(a));
    EXPECT_TRUE(a.InheritsFrom(a));
    EXPECT_TRUE(a.InheritsFrom(base));
    EXPECT_FALSE(a.InheritsFrom(derived));
    EXPECT_FALSE(XCollectionItemClassOf<B>().InheritsFrom(a));

    EXPECT_EQ(a.ClassName(), "A");
    EXPECT_EQ(base.FriendlyName(), "");
    EXPECT_EQ(derived.FriendlyDescription(), "Derived"); // the friendly name when not declared
    EXPECT_EQ(XCollectionItemClassOf<B>().FriendlyDescription(), "A bee");

    EXPECT_EQ(XCollectionItemClassByName("A"), &a);
    EXPECT_EQ(XCollectionItemClassByName("a"), nullptr);
    AddXCollectionItemClass<A>(); // registered once only
    RemoveXCollectionItemClass<A>();
    EXPECT_EQ(XCollectionItemClassByName("A"), nullptr);

    TGLXCollection collection(nullptr);
    Careless* careless = new Careless(&collection);
    EXPECT_THROW(careless->ItemClass(), EAssertionFailed);
}

TEST_F(XCollectionTest, GetOrCreateAndLookups)
{
    ACollection collection(nullptr);
    const auto& a = XCollectionItemClassOf<A>();
    const auto& derived = XCollectionItemClassOf<ADerived>();
    TGLXCollectionItem* first = collection.GetOrCreate(derived);
    EXPECT_EQ(collection.GetOrCreate(a), first); // a descendant counts
    EXPECT_EQ(collection.GetOrCreate(derived), first);
    EXPECT_EQ(collection.Count(), 1);
    EXPECT_THROW(collection.GetOrCreate(XCollectionItemClassOf<B>()), EAssertionFailed);

    TGLXCollectionItem* plain = new A(&collection);
    plain->SetName("Wheel");
    EXPECT_EQ(collection.IndexOf(plain), 1);
    EXPECT_EQ(collection.IndexOfClass(a), 0);
    EXPECT_EQ(collection.GetByClass(XCollectionItemClassOf<B>()), nullptr);
    EXPECT_EQ(collection.IndexOfName("Wheel"), 1);
    EXPECT_EQ(collection.IndexOfName("wheel"), -1);

    B stray(nullptr);
    EXPECT_THROW(collection.Add(&stray), EAssertionFailed); // not an A
    EXPECT_THROW(collection.Items(2), EListError);
}

TEST_F(XCollectionTest, OwnershipMovesAndEnds)
{
    TGLXCollection one(nullptr), two(nullptr);
    A* a = new A(&one);
    B* b = new B(&one);
    A* c = new A(&one);
    EXPECT_EQ(two.Add(b), 0);
    EXPECT_EQ(b->Owner(), &two);
    EXPECT_EQ(one.Count(), 2);

    c->MoveUp();
    EXPECT_EQ(c->Index(), 0);
    c->MoveUp(); // already first
    EXPECT_EQ(c->Index(), 0);
    c->MoveDown();
    c->MoveDown(); // already last
    EXPECT_EQ(c->Index(), 1);

    Free(a); // leaves its collection
    EXPECT_EQ(one.Count(), 1);
    EXPECT_EQ(one.Items(0), c);
    EXPECT_THROW(one.Delete(1), EAssertionFailed);
    one.Remove(c);
    EXPECT_EQ(one.Count(), 0);
    one.Remove(b); // not there: nothing
    EXPECT_EQ(two.Count(), 1);
}

TEST_F(XCollectionTest, AssignCopiesItemsOfTheSameClasses)
{
    TGLXCollection source(nullptr), target(nullptr);
    (new ADerived(&source))->SetName("x");
    (new B(&source))->SetName("y");
    new A(&target);
    target.Assign(&source);
    EXPECT_EQ(Describe(target), (std::vector<std::string>{"ADerived:x", "B:y"}));

    ACollection other(nullptr);
    EXPECT_THROW(target.Assign(&other), EConvertError);
    target.Assign(nullptr);
    EXPECT_EQ(target.Count(), 0);

    A item(nullptr);
    item.Assign(source.Items(1));
    EXPECT_EQ(item.Name(), "y");
    EXPECT_THROW(item.Assign(&source), EConvertError);
}

TEST_F(XCollectionTest, NamePathsAndLoaded)
{
    TComponent owner(nullptr);
    owner.SetName("Sprite");
    TGLXCollection owned(&owner);
    TGLXCollection loose(nullptr);
    new A(&owned);
    A* second = new A(&owned);
    A* looseItem = new A(&loose);
    A alone(nullptr);
    EXPECT_EQ(owned.GetNamePath(), "Sprite.XCollection");
    EXPECT_EQ(second->GetNamePath(), "Sprite.XCollection[1]");
    EXPECT_EQ(loose.GetNamePath(), "TGLXCollection");
    EXPECT_EQ(looseItem->GetNamePath(), "TGLXCollection[0]");
    EXPECT_EQ(alone.GetNamePath(), "A");

    owned.Loaded();
    EXPECT_EQ(second->LoadedCalls, 1);
}
