// Typed lists: growth and revision rules, search semantics, sorting, interpolation, archives and the "Items"
// property, and archives that must be refused.
#include "GLVectorLists.h"

#include "Bytes.h"
#include "ComponentStreams.h"
#include "GLVectorGeometry.h"
#include "Raises.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using ::testing::HasSubstr;

namespace {

TVector3f V3(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

Bytes FloatBytes(std::initializer_list<float> values)
{
    Bytes result(values.size() * 4);
    std::memcpy(result.data(), values.begin(), result.size());
    return result;
}

std::vector<int32_t> Items(const TIntegerList& list)
{
    return std::vector<int32_t>(list.List(), list.List() + list.Count());
}

std::string AssertionText(int line)
{
    return "Assertion failure (VAVodad\\Source\\Basis\\GLVectorLists, line " + std::to_string(line) + ")";
}

// Exposes the "Items" property's reader and writer.
class TItemsAffineList : public TAffineVectorList {
public:
    using TAffineVectorList::LoadItemsProperty;
    using TAffineVectorList::StoreItemsProperty;
};

} // namespace

TEST(VectorLists, CapacityGrowsBySixteenAndExactlyForBulkOperations)
{
    TAffineVectorList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(list.GrowthDelta(), 16);
    list.Add(1.0f, 2.0f, 3.0f);
    EXPECT_EQ(list.Capacity(), 16);
    for (int i = 1; i < 16; ++i) list.Add(V3(i, 0, 0));
    EXPECT_EQ(list.Capacity(), 16);
    list.Add(V3(16, 0, 0));
    EXPECT_EQ(list.Capacity(), 32);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(list.Get(i).X, i == 0 ? 1.0f : float(i));

    // Multi-item Add: Count first, then Capacity in GrowthDelta steps until it holds Count.
    TAffineVectorList three;
    three.Add(V3(1, 1, 1), V3(2, 2, 2), V3(3, 3, 3));
    EXPECT_EQ(three.Count(), 3);
    EXPECT_EQ(three.Capacity(), 16);
    three.SetGrowthDelta(1);
    three.AddNulls(13);
    three.Add(V3(4, 4, 4), V3(5, 5, 5));
    EXPECT_EQ(three.Capacity(), 18);
    EXPECT_EQ(three.Get(17).X, 5.0f);

    // An item of the list itself, appended or inserted when the buffer is full and must move.
    TAffineVectorList own;
    for (int i = 0; i < 16; ++i) own.Add(V3(i + 1, 0, 0));
    own.Add(own.List()[0]);
    own.Insert(0, own.List()[16]);
    EXPECT_EQ(own.Get(0).X, 1.0f);
    EXPECT_EQ(own.Get(17).X, 1.0f);

    TIntegerList ints;
    ints.SetCount(5);
    EXPECT_EQ(ints.Capacity(), 5);
    EXPECT_EQ(Items(ints), (std::vector<int32_t>{0, 0, 0, 0, 0}));
    ints.AddIntegers({1, 2, 3});
    EXPECT_EQ(ints.Capacity(), 8);
    ints.Add(&ints); // appending a list to itself
    EXPECT_EQ(Items(ints), (std::vector<int32_t>{0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 1, 2, 3}));
    ints.InsertNulls(1, 2);
    EXPECT_EQ(ints.Capacity(), 18);
    ints.SetCapacity(2); // below Count: Count follows
    EXPECT_EQ(ints.Count(), 2);
    ints.Clear();
    EXPECT_EQ(ints.Capacity(), 0);

    // Without the reset flag, items that come back keep their old values instead of zeros.
    TIntegerList kept;
    kept.AddIntegers({7, 8});
    kept.SetSetCountResetsMemory(false);
    kept.SetCount(0);
    kept.SetCount(2);
    EXPECT_EQ(Items(kept), (std::vector<int32_t>{7, 8}));
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { kept.SetCount(-1); }), AssertionText(979));
    EXPECT_EQ(kept.Count(), 2);
}

TEST(VectorLists, RevisionRulesPerClass)
{
    const struct {
        const char* what;
        std::function<void(TBaseList&)> change;
        TBaseList* list;
        uint32_t bumps;
    } cases[] = {
        {"affine Add", [](TBaseList& l) { static_cast<TAffineVectorList&>(l).Add(V3(1, 2, 3)); },
         new TAffineVectorList, 1},
        {"vector Add", [](TBaseList& l) { static_cast<TVectorList&>(l).Add(V3(1, 2, 3), 1); }, new TVectorList, 0},
        {"affine Put", [](TBaseList& l) { static_cast<TAffineVectorList&>(l).Put(0, V3(1, 2, 3)); },
         new TAffineVectorList, 1},
        {"integer Put", [](TBaseList& l) { static_cast<TIntegerList&>(l).Put(0, 5); }, new TIntegerList, 0},
        {"4-byte Add", [](TBaseList& l) { static_cast<T4ByteList&>(l).Add(1.0f, 2.0f); }, new T4ByteList, 1},
        {"affine Scale(1)", [](TBaseList& l) { static_cast<TAffineVectorList&>(l).Scale(1.0f); },
         new TAffineVectorList, 0},
        {"affine Scale(2)", [](TBaseList& l) { static_cast<TAffineVectorList&>(l).Scale(2.0f); },
         new TAffineVectorList, 1},
        {"affine FindOrAdd new", [](TBaseList& l) { static_cast<TAffineVectorList&>(l).FindOrAdd(V3(9, 9, 9)); },
         new TAffineVectorList, 2},
        {"affine FindOrAdd found", [](TBaseList& l) { static_cast<TAffineVectorList&>(l).FindOrAdd(V3(0, 0, 0)); },
         new TAffineVectorList, 1},
        {"affine Pop", [](TBaseList& l) { static_cast<TAffineVectorList&>(l).Pop(); }, new TAffineVectorList, 2},
        {"integer Pop", [](TBaseList& l) { static_cast<TIntegerList&>(l).Pop(); }, new TIntegerList, 1},
        {"Exchange", [](TBaseList& l) { l.Exchange(0, 0); }, new TIntegerList, 1},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<TBaseList> list(c.list);
        list->AddNulls(1);
        list->AdjustCapacityToAtLeast(16); // no growth inside the change
        const uint32_t before = list->Revision();
        c.change(*list);
        EXPECT_EQ(list->Revision() - before, c.bumps) << c.what;
    }
}

TEST(VectorLists, IndexOfComparesBitsOrValuesAsEachClassDoes)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TAffineVectorList affine;
    affine.Add(V3(-0.0f, 0, 0));
    affine.Add(V3(nan, 0, 0));
    EXPECT_EQ(affine.IndexOf(V3(0, 0, 0)), -1);
    EXPECT_EQ(affine.IndexOf(V3(-0.0f, 0, 0)), 0);
    EXPECT_EQ(affine.IndexOf(V3(nan, 0, 0)), 1); // the same bits

    TVectorList vectors;
    vectors.Add(-0.0f, 0, 0, 1);
    EXPECT_EQ(vectors.IndexOf(TVector4f{{{0, 0, 0, 1}}}), -1);
    EXPECT_EQ(vectors.FindOrAddPoint(V3(-0.0f, 0, 0)), 0);

    TTexPointList tex;
    tex.Add(-0.0f, 0.0f);
    tex.Add(nan, 1.0f);
    EXPECT_EQ(tex.IndexOf(TTexPoint{0, 0}), 0);
    EXPECT_EQ(tex.IndexOf(TTexPoint{nan, 1}), -1);
    EXPECT_EQ(tex.FindOrAdd(TTexPoint{nan, 1}), 2);

    TQuaternionList quaternions;
    quaternions.Add(V3(1, 2, 3), -0.0f);
    EXPECT_EQ(quaternions.IndexOf(TQuaternion{V3(1, 2, 3), 0.0f}), 0); // the real part as a value
    quaternions.Put(0, TQuaternion{V3(-0.0f, 2, 3), 1});
    EXPECT_EQ(quaternions.IndexOf(TQuaternion{V3(0, 2, 3), 1}), -1); // the imaginary part by bits
}

TEST(VectorLists, IntegerSortSearchAndSeries)
{
    TIntegerList list;
    list.AddIntegers({5, 1, 5, 3, 1});
    list.SortAndRemoveDuplicates();
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 3, 5}));
    bool found = true;
    EXPECT_EQ(list.BinarySearch(4, true, found), 1);
    EXPECT_FALSE(found);
    EXPECT_EQ(list.BinarySearch(0, true, found), -1);
    EXPECT_EQ(list.BinarySearch(9, true, found), 2);
    EXPECT_EQ(list.BinarySearch(3, false, found), 1);
    EXPECT_TRUE(found);
    EXPECT_EQ(list.BinarySearch(4), -1);
    EXPECT_EQ(list.AddSorted(4), 2);
    EXPECT_EQ(list.AddSorted(3), 2); // after the equal value
    EXPECT_EQ(list.AddSorted(3, true), -1);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 3, 3, 4, 5}));
    list.RemoveSorted(4);
    list.RemoveSorted(42);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 3, 3, 5}));
    EXPECT_EQ(TIntegerList().BinarySearch(1, true, found), -1);

    list.Clear();
    list.AddSerie(10, -2, 3);
    list.AddSerie(1, 1, 0);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{10, 8, 6}));
    EXPECT_EQ(list.MinInteger(), 6);
    EXPECT_EQ(list.MaxInteger(), 10);
    list.Offset(1, 1, 2);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{10, 9, 7}));
    EXPECT_THROW(list.Offset(1, 2, 2), EListError);

    std::mt19937 random(7);
    std::vector<int32_t> values(1000);
    for (int32_t& v : values) v = static_cast<int32_t>(random() % 100) - 50;
    list.Clear();
    list.AddIntegers(values.data(), static_cast<int32_t>(values.size()));
    list.Sort();
    std::sort(values.begin(), values.end());
    EXPECT_EQ(Items(list), values);
}

TEST(VectorLists, KeySortsKeepObjectsPaired)
{
    std::mt19937 random(11);
    TSingleList keys;
    TPersistentObjectList objects;
    TList<TObject> platformObjects;
    std::vector<std::unique_ptr<TObject>> owned;
    for (int i = 0; i < 1000; ++i) {
        keys.Add(static_cast<float>(random() % 200) / 4.0f);
        owned.push_back(std::make_unique<TObject>());
        objects.Add(owned.back().get());
        platformObjects.Add(owned.back().get());
    }
    std::vector<std::pair<float, TObject*>> pairs;
    for (int i = 0; i < keys.Count(); ++i) pairs.emplace_back(keys.Get(i), objects.Get(i));
    TSingleList keys2;
    keys2.Assign(&keys);

    QuickSortKeysWithObjectList(0, keys.Count() - 1, &keys, &objects);
    QuickSortSingleKeysWithList(0, keys2.Count() - 1, &keys2, &platformObjects);
    std::vector<std::pair<float, TObject*>> sorted, sorted2;
    for (int i = 0; i < keys.Count(); ++i) {
        if (i > 0) {
            EXPECT_LE(keys.Get(i - 1), keys.Get(i));
        }
        sorted.emplace_back(keys.Get(i), objects.Get(i));
        sorted2.emplace_back(keys2.Get(i), platformObjects.Items(i));
    }
    auto byObject = [](auto a, auto b) { return a.second < b.second; };
    std::sort(pairs.begin(), pairs.end(), byObject);
    std::sort(sorted.begin(), sorted.end(), byObject);
    std::sort(sorted2.begin(), sorted2.end(), byObject);
    EXPECT_EQ(sorted, pairs);
    EXPECT_EQ(sorted2, pairs);

    // A range of two with equal keys is left as it is.
    TSingleList two;
    two.AddSingles({1.0f, 1.0f});
    TPersistentObjectList pair;
    pair.Add(owned[0].get());
    pair.Add(owned[1].get());
    QuickSortKeysWithObjectList(0, 1, &two, &pair);
    EXPECT_EQ(pair.Get(0), owned[0].get());
    EXPECT_THROW(QuickSortKeysWithObjectList(0, 2, &two, &pair), EListError);
}

TEST(VectorLists, ItemAccessAndMovesAreChecked)
{
    TIntegerList list;
    list.AddIntegers({1, 2, 3, 4});
    list.Reverse();
    EXPECT_EQ(Items(list), (std::vector<int32_t>{4, 3, 2, 1}));
    list.Move(0, 3);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{3, 2, 1, 4}));
    list.Move(3, 1);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{3, 4, 2, 1}));
    list.Exchange(0, 3);
    list.DeleteItems(1, 2);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 3}));
    list.Insert(2, 9);
    EXPECT_EQ(list[2], 9);

    for (const auto& bad : std::vector<std::function<void()>>{
             [&] { list.Get(3); }, [&] { list.Put(-1, 0); }, [&] { list.Insert(4, 0); }, [&] { list.Delete(3); },
             [&] { list.Exchange(0, 3); }, [&] { list.Move(3, 0); }, [&] { list.DeleteItems(2, 2); },
             [&] { list.InsertNulls(5, 1); }})
        EXPECT_THAT(MessageOf<EListError>(bad), HasSubstr("List index out of bounds"));
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 3, 9}));

    TQuaternionList quaternions;
    const TQuaternion popped = quaternions.Pop();
    EXPECT_EQ(popped.RealPart, 1.0f);
    EXPECT_EQ(popped.ImagPart.X, 0.0f);
    EXPECT_EQ(TIntegerList().Pop(), 0);

    T4ByteList fours;
    fours.Add(1.5f, 2.5f);
    fours.Add(-1, 2, 3);
    fours.Add(7u);
    EXPECT_EQ(fours.Count(), 6);
    EXPECT_EQ(fours.Get(1).Float, 2.5f);
    EXPECT_EQ(fours.Get(2).Int, -1);
    EXPECT_EQ(fours.Get(5).UInt, 7u);
}

TEST(VectorLists, ExternalMemoryAndAssign)
{
    TIntegerList list;
    list.AddIntegers({1, 2, 3});
    int32_t external[4] = {};
    list.UseMemory(external, 8); // too small for three: nothing happens
    EXPECT_NE(list.List(), external);
    list.UseMemory(external, sizeof(external));
    EXPECT_EQ(list.List(), external);
    EXPECT_EQ(list.Capacity(), 4);
    EXPECT_EQ(external[2], 3);
    list.AddIntegers({4, 5}); // leaves the caller's memory with its items
    EXPECT_NE(list.List(), external);
    EXPECT_EQ(Items(list), (std::vector<int32_t>{1, 2, 3, 4, 5}));

    TIntegerList copy;
    copy.SetTagString("tag");
    list.SetTagString("source");
    copy.Assign(&list);
    EXPECT_EQ(Items(copy), Items(list));
    EXPECT_EQ(copy.TagString(), "source");
    TSingleList singles;
    singles.AddSingles({9.0f});
    singles.Assign(&list); // another item type: the sizes only, items zero
    EXPECT_EQ(singles.Count(), 5);
    EXPECT_EQ(singles.Get(0), 0.0f);
    singles.Assign(nullptr);
    EXPECT_EQ(singles.Count(), 0);

    const std::unique_ptr<TPersistentObject> clone(list.CreateClone());
    auto* cloned = dynamic_cast<TIntegerList*>(clone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(Items(*cloned), Items(list));
}

TEST(VectorLists, VectorOperations)
{
    TAffineVectorList list;
    TVector3f min, max;
    list.GetExtents(min, max);
    EXPECT_EQ(min.X, std::numeric_limits<float>::infinity());
    EXPECT_EQ(max.Z, -std::numeric_limits<float>::infinity());
    list.Add(V3(1, -2, 3));
    list.Add(V3(-4, 5, 0));
    list.GetExtents(min, max);
    EXPECT_EQ(min.X, -4);
    EXPECT_EQ(max.Y, 5);
    EXPECT_EQ(list.Sum().Z, 3);

    TAffineVectorList other;
    other.Add(V3(1, 1, 1));
    other.Add(V3(2, 2, 2));
    list.Combine(&other, 2);
    EXPECT_EQ(list.Get(1).X, 0);
    EXPECT_EQ(list.MaxSpacing(&other), 11); // |0-2| + |9-2| + |4-2|
    list.TranslateInv(&other);
    EXPECT_EQ(list.Get(0).Y, -1);
    list.Translate(V3(1, 0, 0), 1, 1);
    EXPECT_EQ(list.Get(1).X, -1);
    list.Scale(V3(2, 3, 4));
    EXPECT_EQ(list.Get(0).Z, 16);

    TAffineVectorList lerp;
    lerp.Lerp(&list, &other, 0.5f);
    EXPECT_EQ(lerp.Count(), 2);
    EXPECT_FLOAT_EQ(lerp.Get(0).Z, 8.5f);
    other.Add(V3(0, 0, 0));
    for (const auto& [line, call] : std::vector<std::pair<int, std::function<void()>>>{
             {1327, [&] { list.MaxSpacing(&other); }},
             {1834, [&] { lerp.Lerp(&list, &other, 0.5f); }},
             {1379, [&] { lerp.AngleLerp(&list, &other, 0.5f); }},
             {1422, [&] { other.Combine(&list, 1); }}})
        EXPECT_EQ(MessageOf<EAssertionFailed>(call), AssertionText(line));

    // Quaternions: Translate adds to the imaginary parts; Combine with quaternions turns by a part of each.
    TQuaternionList q, d;
    q.Add(V3(1, 2, 3), 1);
    d.Add(V3(1, 1, 1), 5);
    q.Translate(&d);
    EXPECT_EQ(q.Get(0).ImagPart.Z, 4);
    EXPECT_EQ(q.Get(0).RealPart, 1);
    TQuaternionList turn, turned;
    turn.Add(V3(0, 0, std::sin(0.5f)), std::cos(0.5f)); // 1 radian about z
    turned.Add(V3(0, 0, 0), 1);
    turned.Combine(&turn, 0.5f);
    EXPECT_NEAR(turned.Get(0).ImagPart.Z, std::sin(0.25f), 1e-6);
    EXPECT_NEAR(turned.Get(0).RealPart, std::cos(0.25f), 1e-6);

    // Two-component items: the vector operations touch S and T only.
    TTexPointList tex;
    tex.Add(1.0f, 2.0f);
    tex.Translate(V3(1, 1, 1));
    tex.GetExtents(min, max);
    EXPECT_EQ(tex.Get(0).S, 2.0f);
    EXPECT_EQ(max.Z, 0.0f);
    tex.ScaleAndTranslate(TTexPoint{2, 2}, TTexPoint{1, 0});
    EXPECT_EQ(tex.Get(0).S, 5.0f);

    TSingleList singles;
    singles.AddSerie(1.0f, 0.1f, 3);
    EXPECT_EQ(singles.Get(2), (1.0f + 0.1f) + 0.1f);
    TSingleList shorter;
    EXPECT_EQ(MessageOf([&] { singles.Offset(&shorter); }), "SingleList count do not match");
    EXPECT_EQ(TSingleList().Min(), 0.0f);
    TDoubleList doubles;
    for (double v : {3.5, -1.25, 2.0}) doubles.Add(v);
    EXPECT_EQ(doubles.Min(), -1.25f);
    EXPECT_EQ(doubles.Max(), 3.5f);
}

TEST(VectorLists, ArchivesGoldenBytesAndRoundTrip)
{
    TAffineVectorList affine;
    affine.Add(V3(1, 2, 3));
    affine.Add(V3(4, 5, 6));
    const std::string archive = affine.SaveToString();
    EXPECT_EQ(ToBytes(archive),
              Concat({{0x02, 0x00, 0x02, 0x02, 0x02, 0x0C}, FloatBytes({1, 2, 3, 4, 5, 6}), {0x02, 0x00}}));
    TAffineVectorList affineCopy;
    affineCopy.LoadFromString(archive);
    EXPECT_EQ(affineCopy.Count(), 2);
    EXPECT_EQ(affineCopy.Capacity(), 2);
    EXPECT_EQ(affineCopy.Get(1).Z, 6);

    TTexPointList tex;
    tex.Add(0.5f, 0.25f);
    EXPECT_EQ(ToBytes(tex.SaveToString()), Concat({{0x02, 0x00, 0x02, 0x01, 0x02, 0x08}, FloatBytes({0.5f, 0.25f})}));
    TIntegerList ints;
    ints.AddIntegers({1, 2, 3});
    EXPECT_EQ(ToBytes(ints.SaveToString()),
              (Bytes{0x02, 0, 0x02, 3, 0x02, 4, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));

    // Lists inside an object list are found by class name.
    TPersistentObjectList objects;
    objects.Add(affine.CreateClone());
    objects.Add(tex.CreateClone());
    TPersistentObjectList objectsCopy;
    objectsCopy.LoadFromString(objects.SaveToString());
    EXPECT_EQ(static_cast<TTexPointList*>(objectsCopy.Get(1))->Get(0).T, 0.25f);
    objects.Clean();
    objectsCopy.Clean();
}

TEST(VectorLists, ItemsPropertyIsUpperCaseHexOfTheArchive)
{
    TItemsAffineList list;
    list.Add(V3(1, 0, -1));
    TMemoryStream stream;
    {
        TWriter writer(stream);
        list.StoreItemsProperty(writer);
    }
    stream.SetPosition(0);
    const std::string text = TReader(stream).ReadString();
    EXPECT_EQ(text, "02000201020C0000803F00000000000080BF0200");
    stream.SetPosition(0);
    TItemsAffineList read;
    TReader reader(stream);
    read.LoadItemsProperty(reader);
    EXPECT_EQ(read.Get(0).Z, -1.0f);

    for (const std::string bad : {"020", "02000G", "0200 2"}) {
        TMemoryStream badStream;
        {
            TWriter writer(badStream);
            writer.WriteString(bad);
        }
        badStream.SetPosition(0);
        TReader badReader(badStream);
        EXPECT_EQ(MessageOf<EReadError>([&] { read.LoadItemsProperty(badReader); }), "Invalid property value") << bad;
        EXPECT_EQ(read.Count(), 1);
    }
}

TEST(VectorLists, CorruptListArchivesAreRefused)
{
    const Bytes header{0x02, 0x00, 0x02, 0x02, 0x02, 0x0C};
    const Bytes good = Concat({header, FloatBytes({1, 2, 3, 4, 5, 6}), {0x02, 0x00}});
    const struct {
        Bytes bytes;
        std::string message;
    } cases[] = {
        {{0x02, 0x00, 0x02, 0x02, 0x02, 0x10, 0, 0, 0, 0}, "TBinaryReader, read type error"}, // item size 16
        {{0x02, 0x00, 0x02, 0x01, 0x02, 0x04, 0, 0, 0, 0}, "TBinaryReader, read type error"},
        {{0x02, 0x00, 0x02, 0xFF, 0x02, 0x0C}, "TBinaryReader, read type error"}, // negative count
        {{0x02, 0x00, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 0x02, 0x0C}, "TBinaryReader, read type error"}, // huge
        {{0x02, 0x00, 0x04, 0x00, 0x00, 0x00, 0x10, 0x02, 0x0C, 1, 2, 3}, "TBinaryReader, read type error"},
        {Concat({header, FloatBytes({1, 2, 3, 4, 5, 6}), {0x02, 0x03}}),
         "TAffineVectorList : unknown archive version 3"},
        {{0x02, 0x01}, "TAffineVectorList : unknown archive version 1"},
    };
    for (const auto& c : cases) {
        TAffineVectorList list;
        EXPECT_EQ(MessageOf([&] { list.LoadFromString(std::string(c.bytes.begin(), c.bytes.end())); }), c.message);
    }
    for (size_t length = 0; length < good.size(); ++length) {
        TAffineVectorList list;
        EXPECT_THROW(list.LoadFromString(std::string(good.begin(), good.begin() + length)), Exception) << length;
    }
}
