// Runtime library: the component value stream. Every value is a type byte followed by its data, little-
// endian. Components are written as their class name, their name, their declared properties (name and
// value) up to a null, then their children up to a null. Engine objects also use the writer and reader
// directly for their own value sequences (the item-collection stream).
#pragma once

#include "Components.h"
#include "Streams.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum TValueType : uint8_t {
    vaNull = 0x00,       // end of a list
    vaList = 0x01,       // begin of a list
    vaInt8 = 0x02,       // 1 byte, signed
    vaInt16 = 0x03,      // 2 bytes, signed
    vaInt32 = 0x04,      // 4 bytes, signed
    vaExtended = 0x05,   // 10 bytes: 80-bit extended precision
    vaString = 0x06,     // 1-byte length, then 8-bit characters
    vaIdent = 0x07,      // 1-byte length, then the identifier
    vaFalse = 0x08,      // no data
    vaTrue = 0x09,       // no data
    vaBinary = 0x0A,     // 4-byte size, then the bytes
    vaLString = 0x0C,    // 4-byte length, then 8-bit characters
    vaSingle = 0x0F,     // 4 bytes, IEEE single
    vaWString = 0x12,    // 4-byte count of UTF-16 units, then the units
    vaUTF8String = 0x14, // 4-byte length, then UTF-8 bytes
};

// The 10 bytes of an 80-bit extended real (64-bit mantissa with its integer bit, 15-bit exponent biased by
// 16383, sign) and back. Every double converts exactly; reading rounds to the nearest double, values beyond
// its range become infinities or zeros.
void DoubleToExtended80(double value, uint8_t bytes[10]);
double Extended80ToDouble(const uint8_t bytes[10]);

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader& Reader)>;
using TWriterProc = std::function<void(TWriter& Writer)>;
using TStreamProc = std::function<void(TStream& Stream)>;

// What writers and readers share: the stream (not owned), the root component of the stream and the
// property definitions that TPersistent::DefineProperties makes.
class TFiler {
public:
    explicit TFiler(TStream& Stream) : FStream(Stream) {}
    virtual ~TFiler() = default;
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;

    TStream& Stream() const { return FStream; }
    TComponent* Root() const { return FRoot; }

    // A property whose value the procs write and read with the typed values below; written only when
    // HasData is true.
    virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                                bool HasData) = 0;
    // A property whose value is a block of bytes (vaBinary, its size, the bytes): WriteData writes into a
    // memory stream, ReadData reads the block from one.
    virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                      const TStreamProc& WriteData, bool HasData) = 0;

protected:
    TStream& FStream;
    TComponent* FRoot = nullptr;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;

    void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;

    // Raw bytes, no type.
    void Write(const void* Buffer, int64_t Count);
    void WriteValue(TValueType Value);
    // The smallest of vaInt8, vaInt16 and vaInt32 that holds the value.
    void WriteInteger(int32_t Value);
    void WriteBoolean(bool Value);
    // vaWString when the UTF-8 form is at least twice as long as its count of UTF-16 units (so also the
    // empty string), else vaUTF8String when any byte is 0x80 or above, else vaLString from 256 bytes, else
    // vaString. Bytes that are not UTF-8 are kept as vaUTF8String.
    void WriteString(const std::string& Value);
    void WriteIdent(const std::string& Ident);
    void WriteFloat(double Value);
    void WriteSingle(float Value);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    // A name: its length in one byte, then the bytes, no type; longer than 255 bytes raises EWriteError.
    void WriteStr(const std::string& Value);

    // An object's declared properties (name and value) up to a null: a collection item inside a property.
    void WriteProperties(TPersistent* Instance);

    // The component with its properties and children (GetChildren), Root being the stream's root.
    void WriteRootComponent(TComponent* Root);
    void WriteComponent(TComponent* Instance);
};

class TReader : public TFiler {
public:
    using TFiler::TFiler;

    void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;

    // Every read checks the type it finds and the bytes left: a wrong type, a truncated value or a length
    // beyond the end of the stream raises EReadError before anything is allocated for it.
    void Read(void* Buffer, int64_t Count);
    TValueType ReadValue();
    // The type of the next value, not consumed.
    TValueType NextValue();
    bool EndOfList() { return NextValue() == vaNull; }
    void ReadListBegin() { CheckValue(vaList, "list"); }
    void ReadListEnd() { CheckValue(vaNull, "end of list"); }
    int32_t ReadInteger();
    bool ReadBoolean();
    // Any of the four string types; vaWString is converted to UTF-8, 8-bit strings keep their bytes.
    std::string ReadString();
    // vaIdent, or vaFalse / vaTrue as "False" / "True".
    std::string ReadIdent();
    // vaExtended, vaSingle or an integer.
    double ReadFloat();
    float ReadSingle();
    std::string ReadStr();
    // Properties written by WriteProperties into Instance; a name it does not declare raises EReadError.
    void ReadProperties(TPersistent* Instance);

    // Reads a stream written by WriteRootComponent into Root (whose stored class name is not checked), or
    // into a new component of the stored class (registered with RegisterClass) when Root is nullptr;
    // answers the root. Children are made with the
    // root as owner and placed under their parent (SetParentComponent). Everything read is in csLoading
    // until Loaded, which runs for each component in the order read once the whole stream is in. On an error
    // the component being read is freed (a root made here too), the others lose their loading state without
    // Loaded, and the error passes on.
    TComponent* ReadRootComponent(TComponent* Root);

private:
    void CheckValue(TValueType Expected, const char* What);
    [[noreturn]] void TypeError(TValueType Found, const char* Expected);
    // Raises EReadError when fewer than Count bytes are left.
    void CheckAvailable(int64_t Count);
    // A 4-byte length of items of UnitSize bytes, checked against the bytes left.
    int64_t ReadLength(int UnitSize = 1);
    void ReadChildren(TComponent* Parent, int Depth);
    TComponent* ReadComponent(TComponent* Parent, int Depth);

    std::string FPropName; // the property being read until a definition takes it
    std::vector<TComponent*> FLoaded;
};
