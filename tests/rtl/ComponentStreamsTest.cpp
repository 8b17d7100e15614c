#include "Bytes.h"
#include "ComponentStreams.h"
#include "Raises.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using ::testing::HasSubstr;

namespace {

// A short string as the stream holds it: its length byte, then its characters.
Bytes Str(const std::string& text)
{
    Bytes bytes{static_cast<uint8_t>(text.size())};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

Bytes Content(TMemoryStream& stream) { return Bytes(stream.Memory(), stream.Memory() + stream.Size()); }

void Fill(TMemoryStream& stream, const Bytes& bytes, size_t count)
{
    stream.Clear();
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(count));
    stream.SetPosition(0);
}

std::vector<std::string> gLoaded;

// A component with one property of each kind a stored engine object uses, and children placed under it.
class TStreamedThing : public TComponent {
public:
    using TComponent::TComponent;

    int32_t Count = 0;
    std::string Caption;
    bool Visible = false;
    double Scale = 0;
    float Color[4] = {0, 0, 0, 0};
    std::vector<int32_t> Values;
    TComponentState StateWhileReading = 0;
    std::vector<TStreamedThing*> Children;
    TStreamedThing* Parent = nullptr;

    void BeforeDestruction() override
    {
        for (TStreamedThing* child : Children) child->Parent = nullptr;
        if (Parent) std::erase(Parent->Children, this);
        TComponent::BeforeDestruction();
    }
    void DefineProperties(TFiler& Filer) override
    {
        TComponent::DefineProperties(Filer);
        Filer.DefineProperty(
            "Count",
            [this](TReader& r) {
                StateWhileReading = ComponentState();
                Count = r.ReadInteger();
            },
            [this](TWriter& w) { w.WriteInteger(Count); }, Count != 0);
        Filer.DefineProperty(
            "Caption", [this](TReader& r) { Caption = r.ReadString(); },
            [this](TWriter& w) { w.WriteString(Caption); }, !Caption.empty());
        Filer.DefineProperty(
            "Visible", [this](TReader& r) { Visible = r.ReadBoolean(); },
            [this](TWriter& w) { w.WriteBoolean(Visible); }, true);
        Filer.DefineProperty(
            "Scale", [this](TReader& r) { Scale = r.ReadFloat(); }, [this](TWriter& w) { w.WriteFloat(Scale); },
            Scale != 0);
        Filer.DefineBinaryProperty(
            "Color",
            [this](TStream& s) {
                std::memset(Color, 0, sizeof Color);
                s.Read(Color, sizeof Color);
            },
            [this](TStream& s) { s.WriteBuffer(Color, sizeof Color); }, true);
        Filer.DefineProperty(
            "Values",
            [this](TReader& r) {
                Values.clear();
                r.ReadListBegin();
                while (!r.EndOfList()) Values.push_back(r.ReadInteger());
                r.ReadListEnd();
            },
            [this](TWriter& w) {
                w.WriteListBegin();
                for (int32_t value : Values) w.WriteInteger(value);
                w.WriteListEnd();
            },
            !Values.empty());
    }
    void GetChildren(const TGetChildProc& Proc, TComponent* /*Root*/) override
    {
        for (TStreamedThing* child : Children) Proc(child);
    }
    void SetParentComponent(TComponent* Value) override
    {
        if (auto* parent = dynamic_cast<TStreamedThing*>(Value)) {
            Parent = parent;
            parent->Children.push_back(this);
        }
    }
    void Loaded() override
    {
        gLoaded.push_back(Name() + ((ComponentState() & csLoading) ? " loading" : ""));
        TComponent::Loaded();
    }
};

class TNotAComponent : public TPersistent {};

// The stored form of a root "Root" with every property and one child "Kid".
const Bytes kRootHeader = Str("TStreamedThing") + Str("Root");
const Bytes kRootProperties = Str("Count") + Bytes{0x03, 0x2C, 0x01} +                      // 300: vaInt16
                              Str("Caption") + Bytes{0x06} + Str("Hi") +                     // vaString
                              Str("Visible") + Bytes{0x09} +                                 // vaTrue
                              Str("Scale") + Bytes{0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F} + // 0.5
                              Str("Color") + Bytes{0x0A, 16, 0, 0, 0} +                      // vaBinary, 16 bytes
                              Bytes{0, 0, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0x3F, 0, 0, 0x80, 0x3F} +
                              Str("Values") + Bytes{0x01, 0x02, 0x01, 0x03, 0xE8, 0x03, 0x00}; // [1, 1000]
const Bytes kKid = Str("TStreamedThing") + Str("Kid") + Str("Count") + Bytes{0x02, 0x05} + Str("Visible") +
                   Bytes{0x08} + Str("Color") + Bytes{0x0A, 16, 0, 0, 0} + Bytes(16, 0) + Bytes{0x00} // properties
                   + Bytes{0x00};                                                                   // children
const Bytes kStored = kRootHeader + kRootProperties + Bytes{0x00} + kKid + Bytes{0x00};

class ComponentStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterClasses<TStreamedThing, TNotAComponent>();
        gLoaded.clear();
    }
};

TEST_F(ComponentStreamTest, WritesPropertiesAndChildrenByteForByte)
{
    auto* root = new TStreamedThing(nullptr);
    root->SetName("Root");
    root->Count = 300;
    root->Caption = "Hi";
    root->Visible = true;
    root->Scale = 0.5;
    const float color[4] = {1, 0, 0.5f, 1};
    std::memcpy(root->Color, color, sizeof color);
    root->Values = {1, 1000};
    auto* kid = new TStreamedThing(root);
    kid->SetName("Kid");
    kid->Count = 5;
    kid->SetParentComponent(root);

    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(root);
    EXPECT_EQ(Content(stream), kStored);
    Free(root); // children point at their parent: the pre-destroy step must run
}

TEST_F(ComponentStreamTest, ReadsBackWithLoadingStateAndLoadedOnce)
{
    TMemoryStream stream;
    Fill(stream, kStored, kStored.size());
    TComponent* read = TReader(stream).ReadRootComponent(nullptr);
    auto* root = dynamic_cast<TStreamedThing*>(read);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_EQ(root->Name(), "Root");
    EXPECT_EQ(root->Count, 300);
    EXPECT_EQ(root->Caption, "Hi");
    EXPECT_TRUE(root->Visible);
    EXPECT_EQ(root->Scale, 0.5);
    EXPECT_EQ(root->Color[2], 0.5f);
    EXPECT_EQ(root->Values, (std::vector<int32_t>{1, 1000}));
    EXPECT_EQ(root->StateWhileReading & (csLoading | csReading), csLoading | csReading);
    ASSERT_EQ(root->ComponentCount(), 1);
    ASSERT_EQ(root->Children.size(), 1u);
    EXPECT_EQ(root->Children[0], root->Components(0));
    EXPECT_EQ(root->Children[0]->Name(), "Kid");
    EXPECT_EQ(root->Children[0]->Count, 5);
    // Loaded runs once per component, in the order read, while each is still loading.
    EXPECT_EQ(gLoaded, (std::vector<std::string>{"Root loading", "Kid loading"}));
    EXPECT_FALSE(root->ComponentState() & csLoading);
    EXPECT_FALSE(root->Children[0]->ComponentState() & (csLoading | csReading));

    TMemoryStream again;
    TWriter(again).WriteRootComponent(root);
    EXPECT_EQ(Content(again), kStored);
    Free(root);
}

TEST_F(ComponentStreamTest, ReadsIntoAGivenRoot)
{
    TMemoryStream stream;
    Fill(stream, kStored, kStored.size());
    auto* root = new TStreamedThing(nullptr);
    EXPECT_EQ(TReader(stream).ReadRootComponent(root), root);
    EXPECT_EQ(root->Name(), "Root");
    EXPECT_EQ(root->Count, 300);
    EXPECT_EQ(root->ComponentCount(), 1);
    Free(root);
}

TEST_F(ComponentStreamTest, TruncatedStreamsRaiseReadErrorAndLeaveNothingBehind)
{
    TMemoryStream stream;
    for (size_t length = 0; length < kStored.size(); ++length) {
        SCOPED_TRACE(length);
        Fill(stream, kStored, length);
        EXPECT_THROW(TReader(stream).ReadRootComponent(nullptr), EReadError);

        Fill(stream, kStored, length);
        TStreamedThing root(nullptr);
        EXPECT_THROW(TReader(stream).ReadRootComponent(&root), EReadError);
        EXPECT_EQ(root.ComponentCount(), 0);
        EXPECT_TRUE(root.Children.empty());
        EXPECT_FALSE(root.ComponentState() & (csLoading | csReading));
    }
    EXPECT_TRUE(gLoaded.empty());
}

TEST_F(ComponentStreamTest, CorruptValuesRaiseClearErrors)
{
    struct Case {
        const char* what;
        Bytes properties;
        const char* message;
    };
    const Case cases[] = {
        {"text for an integer", Str("Count") + Bytes{0x06} + Str("x"), "integer expected, value type 0x06 found"},
        {"integer for a Boolean", Str("Visible") + Bytes{0x02, 0x01}, "Boolean expected, value type 0x02 found"},
        {"integer for a binary block", Str("Color") + Bytes{0x02, 0x01}, "binary property expected"},
        {"a list without its start", Str("Values") + Bytes{0x02, 0x01}, "list expected, value type 0x02 found"},
        {"an unknown type for a real", Str("Scale") + Bytes{0x0B}, "real expected, value type 0x0B found"},
        {"huge binary block", Str("Color") + Bytes{0x0A, 0xFF, 0xFF, 0xFF, 0x7F}, "2147483647 bytes needed"},
        {"negative binary size", Str("Color") + Bytes{0x0A, 0xFF, 0xFF, 0xFF, 0xFF}, "negative length -1"},
        {"huge long string", Str("Caption") + Bytes{0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, "2147483647 bytes needed"},
        {"huge wide string", Str("Caption") + Bytes{0x12, 0x00, 0x00, 0x00, 0x40}, "2147483648 bytes needed"},
        {"unknown property", Str("Bogus") + Bytes{0x02, 0x01}, "TStreamedThing has no property Bogus"},
    };
    TMemoryStream stream;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes bytes = kRootHeader + c.properties + Bytes{0x00, 0x00};
        Fill(stream, bytes, bytes.size());
        EXPECT_THAT(MessageOf<EReadError>([&] { TReader(stream).ReadRootComponent(nullptr); }), HasSubstr(c.message));
    }
}

TEST_F(ComponentStreamTest, BadClassesAndDeepNestingAreRefused)
{
    TMemoryStream stream;
    const Bytes unknown = kRootHeader + Bytes{0x00} + Str("TNoSuchThing") + Str("x") + Bytes{0x00, 0x00, 0x00};
    Fill(stream, unknown, unknown.size());
    EXPECT_THROW(TReader(stream).ReadRootComponent(nullptr), EClassNotFound);

    const Bytes plain = kRootHeader + Bytes{0x00} + Str("TNotAComponent") + Str("x") + Bytes{0x00, 0x00, 0x00};
    Fill(stream, plain, plain.size());
    EXPECT_THROW(TReader(stream).ReadRootComponent(nullptr), EReadError);

    Bytes deep = kRootHeader + Bytes{0x00};
    for (int i = 0; i < 1001; ++i) deep = deep + Str("TStreamedThing") + Str("") + Bytes{0x00};
    Fill(stream, deep, deep.size());
    TStreamedThing root(nullptr);
    EXPECT_THAT(MessageOf<EReadError>([&] { TReader(stream).ReadRootComponent(&root); }),
                HasSubstr("nested deeper than 1000"));
    EXPECT_EQ(root.ComponentCount(), 0);
}

// ---- single values

struct ValueCase {
    const char* what;
    std::function<void(TWriter&)> write;
    Bytes bytes;
    std::function<void(TReader&)> readBack; // checks the value read
};

std::vector<ValueCase> ValueCases()
{
    auto integer = [](int32_t v, Bytes bytes) {
        return ValueCase{"integer", [v](TWriter& w) { w.WriteInteger(v); }, bytes,
                         [v](TReader& r) { EXPECT_EQ(r.ReadInteger(), v); }};
    };
    auto text = [](const char* what, std::string v, Bytes bytes) {
        return ValueCase{what, [v](TWriter& w) { w.WriteString(v); }, bytes,
                         [v](TReader& r) { EXPECT_EQ(r.ReadString(), v); }};
    };
    const std::string long256(256, 'a');
    return {
        integer(127, {0x02, 0x7F}),
        integer(-128, {0x02, 0x80}),
        integer(128, {0x03, 0x80, 0x00}),
        integer(-129, {0x03, 0x7F, 0xFF}),
        integer(-32768, {0x03, 0x00, 0x80}),
        integer(32768, {0x04, 0x00, 0x80, 0x00, 0x00}),
        integer(std::numeric_limits<int32_t>::min(), {0x04, 0x00, 0x00, 0x00, 0x80}),
        {"true", [](TWriter& w) { w.WriteBoolean(true); }, {0x09}, [](TReader& r) { EXPECT_TRUE(r.ReadBoolean()); }},
        {"false", [](TWriter& w) { w.WriteBoolean(false); }, {0x08},
         [](TReader& r) { EXPECT_FALSE(r.ReadBoolean()); }},
        text("empty text is wide", "", {0x12, 0, 0, 0, 0}),
        text("ASCII is short", "abc", Bytes{0x06} + Str("abc")),
        text("255 bytes are short", std::string(255, 'b'), Bytes{0x06} + Str(std::string(255, 'b'))),
        text("256 bytes are long", long256, Bytes{0x0C, 0x00, 0x01, 0x00, 0x00} + ToBytes(long256)),
        text("mostly ASCII is UTF-8", "a\xC3\xA9", {0x14, 3, 0, 0, 0, 'a', 0xC3, 0xA9}),
        text("two bytes a unit is wide", "\xC3\xA9", {0x12, 1, 0, 0, 0, 0xE9, 0x00}),
        text("Cyrillic is wide", "\xD0\xAF", {0x12, 1, 0, 0, 0, 0x2F, 0x04}),
        text("a surrogate pair is wide", "\xF0\x9F\x98\x80", {0x12, 2, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE}),
        text("bytes that are not UTF-8 are kept", "\xFF\xFE", {0x14, 2, 0, 0, 0, 0xFF, 0xFE}),
        {"identifier", [](TWriter& w) { w.WriteIdent("osInherited"); }, Bytes{0x07} + Str("osInherited"),
         [](TReader& r) { EXPECT_EQ(r.ReadIdent(), "osInherited"); }},
        {"extended", [](TWriter& w) { w.WriteFloat(-2.5); }, {0x05, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0},
         [](TReader& r) { EXPECT_EQ(r.ReadFloat(), -2.5); }},
        {"single", [](TWriter& w) { w.WriteSingle(1.0f); }, {0x0F, 0x00, 0x00, 0x80, 0x3F},
         [](TReader& r) { EXPECT_EQ(r.ReadSingle(), 1.0f); }},
        {"list", [](TWriter& w) {
             w.WriteListBegin();
             w.WriteListEnd();
         }, {0x01, 0x00},
         [](TReader& r) {
             r.ReadListBegin();
             EXPECT_TRUE(r.EndOfList());
             r.ReadListEnd();
         }},
    };
}

TEST(ComponentValueTest, ValuesHaveTheirStoredFormAndReadBack)
{
    Bytes all;
    for (const ValueCase& c : ValueCases()) {
        SCOPED_TRACE(c.what);
        TMemoryStream stream;
        TWriter writer(stream);
        c.write(writer);
        EXPECT_EQ(Content(stream), c.bytes);
        stream.SetPosition(0);
        TReader reader(stream);
        c.readBack(reader);
        EXPECT_EQ(stream.Position(), stream.Size());
        all = all + c.bytes;
    }

    // The whole sequence cut at every length: every read before the cut succeeds, the one across it
    // raises EReadError.
    const std::vector<ValueCase> cases = ValueCases();
    TMemoryStream stream;
    for (size_t length = 0; length < all.size(); ++length) {
        Fill(stream, all, length);
        TReader reader(stream);
        EXPECT_THROW(
            {
                for (const ValueCase& c : cases) c.readBack(reader);
            },
            EReadError)
            << length;
    }
}

TEST(ComponentValueTest, ReadersAcceptTheirKindsOnly)
{
    TMemoryStream stream;
    const Bytes bytes{0x02, 0x07, 0x09};
    Fill(stream, bytes, bytes.size());
    TReader reader(stream);
    EXPECT_EQ(reader.NextValue(), vaInt8);
    EXPECT_EQ(reader.NextValue(), vaInt8); // not consumed
    EXPECT_EQ(reader.ReadFloat(), 7.0);    // a real may be stored as an integer
    EXPECT_EQ(reader.ReadIdent(), "True");
    EXPECT_THROW(reader.NextValue(), EReadError); // at the end

    const std::function<void(TReader&)> misreads[] = {
        [](TReader& r) { r.ReadString(); },  [](TReader& r) { r.ReadBoolean(); },
        [](TReader& r) { r.ReadIdent(); },   [](TReader& r) { r.ReadListBegin(); },
        [](TReader& r) { r.ReadListEnd(); },
    };
    for (const auto& misread : misreads) {
        Fill(stream, bytes, bytes.size());
        TReader wrong(stream);
        EXPECT_THROW(misread(wrong), EReadError);
    }
    Fill(stream, Bytes{0x06, 0x01, 'x'}, 3);
    EXPECT_THROW(TReader(stream).ReadInteger(), EReadError);
}

TEST(ComponentValueTest, NamesLongerThan255BytesAreRefused)
{
    TMemoryStream stream;
    TWriter writer(stream);
    EXPECT_THROW(writer.WriteStr(std::string(256, 'n')), EWriteError);
    EXPECT_THROW(writer.WriteIdent(std::string(300, 'n')), EWriteError);
}

// ---- extended reals

TEST(Extended80Test, DoublesConvertExactlyBothWays)
{
    struct Case {
        double value;
        Bytes bytes;
    };
    const Case cases[] = {
        {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
        {-2.5, {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}},
        {0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {-0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
        {std::numeric_limits<double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
        // The smallest subnormal double, 2^-1074, is a normal extended.
        {std::numeric_limits<double>::denorm_min(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}},
        {std::numeric_limits<double>::max(), {0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x43}},
        {0.1, {0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        uint8_t bytes[10];
        DoubleToExtended80(c.value, bytes);
        EXPECT_EQ(Bytes(bytes, bytes + 10), c.bytes);
        const double back = Extended80ToDouble(c.bytes.data());
        EXPECT_EQ(std::signbit(back), std::signbit(c.value));
        EXPECT_EQ(back, c.value);
    }
    uint8_t nan[10];
    DoubleToExtended80(std::numeric_limits<double>::quiet_NaN(), nan);
    EXPECT_TRUE(std::isnan(Extended80ToDouble(nan)));
}

TEST(Extended80Test, ValuesBeyondDoubleSaturate)
{
    const Bytes huge{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F}; // 2^16383
    EXPECT_EQ(Extended80ToDouble(huge.data()), std::numeric_limits<double>::infinity());
    const Bytes tiny{0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x80}; // -2^-16382
    const double zero = Extended80ToDouble(tiny.data());
    EXPECT_EQ(zero, 0.0);
    EXPECT_TRUE(std::signbit(zero));
    // 1 + 2^-63 rounds to 1.
    const Bytes fine{1, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(Extended80ToDouble(fine.data()), 1.0);
}

} // namespace
