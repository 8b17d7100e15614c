#include "ComponentStreams.h"

#include "TextEncoding.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Deeper nesting than any stored tree has; it bounds the recursion on hostile input.
constexpr int MaxComponentDepth = 1000;

template <class T> T LoadLE(const uint8_t* bytes)
{
    using U = std::make_unsigned_t<T>;
    U value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<U>(static_cast<U>(bytes[i]) << (8 * i));
    return static_cast<T>(value);
}

template <class T> void StoreLE(T value, uint8_t* bytes)
{
    using U = std::make_unsigned_t<T>;
    const U bits = static_cast<U>(value);
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
}

std::string StreamError(const std::string& text) { return "Invalid component stream: " + text; }

} // namespace

// ---- 80-bit extended reals

void DoubleToExtended80(double value, uint8_t bytes[10])
{
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const uint16_t sign = (bits >> 63) ? 0x8000 : 0;
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t(1) << 52) - 1);
    uint64_t mantissa = 0;
    int biased = 0;
    if (exponent == 0x7FF) { // infinity or NaN
        biased = 0x7FFF;
        mantissa = (uint64_t(1) << 63) | (fraction << 11);
    } else if (exponent != 0) {
        biased = exponent - 1023 + 16383;
        mantissa = (uint64_t(1) << 63) | (fraction << 11);
    } else if (fraction != 0) { // a subnormal double is a normal extended
        const int shift = std::countl_zero(fraction);
        mantissa = fraction << shift;
        biased = -1011 - shift + 16383;
    }
    StoreLE<uint64_t>(mantissa, bytes);
    StoreLE<uint16_t>(static_cast<uint16_t>(sign | biased), bytes + 8);
}

double Extended80ToDouble(const uint8_t bytes[10])
{
    const uint64_t mantissa = LoadLE<uint64_t>(bytes);
    const uint16_t signExponent = LoadLE<uint16_t>(bytes + 8);
    const bool negative = signExponent & 0x8000;
    const int exponent = signExponent & 0x7FFF;
    double magnitude;
    if (exponent == 0x7FFF) {
        if ((mantissa << 1) == 0)
            magnitude = std::numeric_limits<double>::infinity();
        else
            magnitude = std::bit_cast<double>(uint64_t(0x7FF8000000000000) | ((mantissa << 1) >> 12));
    } else {
        // Exponent field 0 holds denormals, which count from the smallest normal exponent.
        magnitude = std::ldexp(static_cast<double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
    }
    return negative ? -magnitude : magnitude;
}

// ---- TWriter

void TWriter::DefineProperty(const std::string& Name, const TReaderProc& /*ReadData*/, const TWriterProc& WriteData,
                             bool HasData)
{
    if (!HasData || !WriteData) return;
    WriteStr(Name);
    WriteData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc& /*ReadData*/,
                                   const TStreamProc& WriteData, bool HasData)
{
    if (!HasData || !WriteData) return;
    TMemoryStream data;
    WriteData(data);
    if (data.Size() > std::numeric_limits<int32_t>::max())
        throw EWriteError("Property " + Name + " is too large to store");
    WriteStr(Name);
    WriteValue(vaBinary);
    uint8_t size[4];
    StoreLE<int32_t>(static_cast<int32_t>(data.Size()), size);
    Write(size, 4);
    Write(data.Memory(), data.Size());
}

void TWriter::Write(const void* Buffer, int64_t Count) { FStream.WriteBuffer(Buffer, Count); }

void TWriter::WriteValue(TValueType Value)
{
    const uint8_t byte = Value;
    Write(&byte, 1);
}

void TWriter::WriteInteger(int32_t Value)
{
    uint8_t bytes[5];
    size_t size;
    if (Value >= -128 && Value <= 127) {
        bytes[0] = vaInt8;
        bytes[1] = static_cast<uint8_t>(Value);
        size = 2;
    } else if (Value >= -32768 && Value <= 32767) {
        bytes[0] = vaInt16;
        StoreLE<int16_t>(static_cast<int16_t>(Value), bytes + 1);
        size = 3;
    } else {
        bytes[0] = vaInt32;
        StoreLE<int32_t>(Value, bytes + 1);
        size = 5;
    }
    Write(bytes, size);
}

void TWriter::WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }

void TWriter::WriteString(const std::string& Value)
{
    uint8_t header[5];
    auto writeLong = [&](TValueType type, size_t length) {
        header[0] = type;
        StoreLE<int32_t>(static_cast<int32_t>(length), header + 1);
        Write(header, 5);
    };
    if (Value.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw EWriteError("Text is too long to store");
    if (!IsValidUtf8(Value)) { // kept byte for byte
        writeLong(vaUTF8String, Value.size());
        Write(Value.data(), Value.size());
        return;
    }
    size_t units = 0;
    bool wide = false;
    for (size_t pos = 0; pos < Value.size();) {
        const uint8_t lead = static_cast<uint8_t>(Value[pos]);
        wide |= lead >= 0x80;
        units += NextUtf8CodePoint(Value, pos) > 0xFFFF ? 2 : 1;
    }
    if (Value.size() >= 2 * units) {
        const std::u16string text = Utf8ToUtf16(Value);
        writeLong(vaWString, text.size());
        std::string bytes(text.size() * 2, '\0');
        for (size_t i = 0; i < text.size(); ++i)
            StoreLE<uint16_t>(text[i], reinterpret_cast<uint8_t*>(bytes.data()) + 2 * i);
        Write(bytes.data(), bytes.size());
    } else if (wide) {
        writeLong(vaUTF8String, Value.size());
        Write(Value.data(), Value.size());
    } else if (Value.size() >= 256) {
        writeLong(vaLString, Value.size());
        Write(Value.data(), Value.size());
    } else {
        WriteValue(vaString);
        WriteStr(Value);
    }
}

void TWriter::WriteIdent(const std::string& Ident)
{
    WriteValue(vaIdent);
    WriteStr(Ident);
}

void TWriter::WriteFloat(double Value)
{
    uint8_t bytes[11];
    bytes[0] = vaExtended;
    DoubleToExtended80(Value, bytes + 1);
    Write(bytes, sizeof bytes);
}

void TWriter::WriteSingle(float Value)
{
    uint8_t bytes[5];
    bytes[0] = vaSingle;
    StoreLE<uint32_t>(std::bit_cast<uint32_t>(Value), bytes + 1);
    Write(bytes, sizeof bytes);
}

void TWriter::WriteStr(const std::string& Value)
{
    if (Value.size() > 255) throw EWriteError("Cannot store a name of more than 255 bytes: " + Value.substr(0, 32));
    const uint8_t length = static_cast<uint8_t>(Value.size());
    Write(&length, 1);
    Write(Value.data(), Value.size());
}

void TWriter::WriteRootComponent(TComponent* Root)
{
    FRoot = Root;
    WriteComponent(Root);
}

void TWriter::WriteProperties(TPersistent* Instance)
{
    Instance->DefineProperties(*this);
    WriteListEnd();
}

void TWriter::WriteComponent(TComponent* Instance)
{
    WriteStr(Instance->ClassName());
    WriteStr(Instance->Name());
    WriteProperties(Instance);
    Instance->GetChildren([this](TComponent* Child) { WriteComponent(Child); }, FRoot);
    WriteListEnd();
}

// ---- TReader

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& /*WriteData*/,
                             bool /*HasData*/)
{
    if (FPropName.empty() || !ReadData || !SameText(Name, FPropName)) return;
    FPropName.clear();
    ReadData(*this);
}

void TReader::DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                   const TStreamProc& /*WriteData*/, bool /*HasData*/)
{
    if (FPropName.empty() || !ReadData || !SameText(Name, FPropName)) return;
    FPropName.clear();
    CheckValue(vaBinary, "binary property");
    const int64_t size = ReadLength();
    TMemoryStream data;
    data.SetSize(size);
    Read(data.Memory(), size);
    data.SetPosition(0);
    ReadData(data);
}

void TReader::Read(void* Buffer, int64_t Count)
{
    CheckAvailable(Count);
    FStream.ReadBuffer(Buffer, Count);
}

void TReader::CheckAvailable(int64_t Count)
{
    const int64_t left = FStream.Size() - FStream.Position();
    if (Count > left)
        throw EReadError(StreamError(std::to_string(Count) + " bytes needed, " + std::to_string(std::max<int64_t>(left, 0)) +
                                     " left"));
}

TValueType TReader::ReadValue()
{
    uint8_t byte;
    Read(&byte, 1);
    return static_cast<TValueType>(byte);
}

TValueType TReader::NextValue()
{
    const TValueType value = ReadValue();
    FStream.Seek(-1, soCurrent);
    return value;
}

void TReader::CheckValue(TValueType Expected, const char* What)
{
    const TValueType found = ReadValue();
    if (found != Expected) TypeError(found, What);
}

void TReader::TypeError(TValueType Found, const char* Expected)
{
    throw EReadError(StreamError(std::string(Expected) + " expected, value type 0x" + IntToHex(int32_t(Found), 2) +
                                 " found"));
}

int64_t TReader::ReadLength(int UnitSize)
{
    uint8_t bytes[4];
    Read(bytes, 4);
    const int32_t length = LoadLE<int32_t>(bytes);
    if (length < 0) throw EReadError(StreamError("negative length " + std::to_string(length)));
    CheckAvailable(int64_t(length) * UnitSize);
    return length;
}

int32_t TReader::ReadInteger()
{
    uint8_t bytes[4];
    switch (const TValueType value = ReadValue()) {
    case vaInt8:
        Read(bytes, 1);
        return static_cast<int8_t>(bytes[0]);
    case vaInt16:
        Read(bytes, 2);
        return LoadLE<int16_t>(bytes);
    case vaInt32:
        Read(bytes, 4);
        return LoadLE<int32_t>(bytes);
    default:
        TypeError(value, "integer");
    }
}

bool TReader::ReadBoolean()
{
    const TValueType value = ReadValue();
    if (value != vaTrue && value != vaFalse) TypeError(value, "Boolean");
    return value == vaTrue;
}

std::string TReader::ReadString()
{
    switch (const TValueType value = ReadValue()) {
    case vaString:
        return ReadStr();
    case vaLString:
    case vaUTF8String: {
        std::string text(ReadLength(), '\0');
        Read(text.data(), text.size());
        return text;
    }
    case vaWString: {
        const int64_t units = ReadLength(2);
        std::string bytes(2 * units, '\0');
        Read(bytes.data(), bytes.size());
        std::u16string text(units, u'\0');
        for (int64_t i = 0; i < units; ++i)
            text[i] = LoadLE<uint16_t>(reinterpret_cast<const uint8_t*>(bytes.data()) + 2 * i);
        return Utf16ToUtf8(text);
    }
    default:
        TypeError(value, "string");
    }
}

std::string TReader::ReadIdent()
{
    switch (const TValueType value = ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    default:
        TypeError(value, "identifier");
    }
}

double TReader::ReadFloat()
{
    uint8_t bytes[10];
    switch (const TValueType value = NextValue()) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
        return ReadInteger();
    case vaExtended:
        ReadValue();
        Read(bytes, 10);
        return Extended80ToDouble(bytes);
    case vaSingle:
        ReadValue();
        Read(bytes, 4);
        return std::bit_cast<float>(LoadLE<uint32_t>(bytes));
    default:
        ReadValue();
        TypeError(value, "real");
    }
}

float TReader::ReadSingle() { return static_cast<float>(ReadFloat()); }

std::string TReader::ReadStr()
{
    uint8_t length;
    Read(&length, 1);
    std::string text(length, '\0');
    Read(text.data(), length);
    return text;
}

// ---- components

void TReader::ReadProperties(TPersistent* Instance)
{
    while (!EndOfList()) {
        FPropName = ReadStr();
        const std::string name = FPropName;
        Instance->DefineProperties(*this);
        if (!FPropName.empty()) {
            FPropName.clear();
            throw EReadError(StreamError(Instance->ClassName() + " has no property " + name));
        }
    }
    ReadListEnd();
}

void TReader::ReadChildren(TComponent* Parent, int Depth)
{
    if (Depth > MaxComponentDepth)
        throw EReadError(StreamError("components nested deeper than " + std::to_string(MaxComponentDepth)));
    while (!EndOfList()) ReadComponent(Parent, Depth);
    ReadListEnd();
}

TComponent* TReader::ReadComponent(TComponent* Parent, int Depth)
{
    const std::string className = ReadStr();
    const TPersistentClass& componentClass = FindClass(className);
    if (!componentClass.IsComponent()) throw EReadError(StreamError(className + " is not a component class"));
    auto* instance = static_cast<TComponent*>(componentClass.Create(FRoot));
    instance->FComponentState |= csLoading | csReading;
    FLoaded.push_back(instance);
    instance->SetParentComponent(Parent);
    instance->SetName(ReadStr());
    ReadProperties(instance);
    instance->FComponentState &= ~csReading;
    ReadChildren(instance, Depth + 1);
    return instance;
}

TComponent* TReader::ReadRootComponent(TComponent* Root)
{
    FRoot = Root;
    FLoaded.clear();
    try {
        const std::string className = ReadStr();
        if (!FRoot) {
            const TPersistentClass& rootClass = FindClass(className);
            if (!rootClass.IsComponent()) throw EReadError(StreamError(className + " is not a component class"));
            FRoot = static_cast<TComponent*>(rootClass.Create(nullptr));
        }
        FRoot->FComponentState |= csLoading | csReading;
        FLoaded.push_back(FRoot);
        FRoot->SetName(ReadStr());
        ReadProperties(FRoot);
        FRoot->FComponentState &= ~csReading;
        ReadChildren(FRoot, 1);
    } catch (...) {
        if (!Root) {
            FreeAndNil(FRoot); // owns everything read
        } else {
            // What this read made goes again; a component freed by another's destruction is no longer in
            // the root's list and is skipped.
            for (size_t i = FLoaded.size(); i-- > 1;) {
                TComponent* made = FLoaded[i];
                for (int k = 0; k < Root->ComponentCount(); ++k)
                    if (Root->Components(k) == made) {
                        Free(made);
                        break;
                    }
            }
            Root->FComponentState &= ~(csLoading | csReading);
        }
        FLoaded.clear();
        throw;
    }
    const std::vector<TComponent*> loaded = std::move(FLoaded);
    FLoaded.clear();
    for (TComponent* component : loaded) component->Loaded();
    return FRoot;
}
