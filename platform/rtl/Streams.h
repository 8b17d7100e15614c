// Runtime library: byte streams (abstract stream, memory, file and string streams) and their errors.
#pragma once

#include "SysUtils.h"

#include <cstdint>
#include <string>
#include <vector>

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// A short read: "Stream read error" unless the raiser gives its own text.
class EReadError : public EStreamError {
public:
    EReadError() : EStreamError("Stream read error") {}
    using EStreamError::EStreamError;
};

// A short write: "Stream write error".
class EWriteError : public EStreamError {
public:
    EWriteError() : EStreamError("Stream write error") {}
    using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// File modes: the access in the low bits, the share flags above it, create as a mode of its own.
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;
constexpr uint16_t fmCreate = 0xFF00;

class TStream {
public:
    virtual ~TStream() = default;

    // Reads or writes up to count bytes at the position and answers how many were moved.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the position and answers the new one; a position past the end is allowed.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t size) = 0;

    // Exactly count bytes or EReadError / EWriteError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source's position; count 0 copies the whole source from its start.
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t size) override;

    uint8_t* Memory() { return FData.data(); }
    const uint8_t* Memory() const { return FData.data(); }
    void Clear();
    // Replaces the content with the whole of the stream or file; the position goes to 0.
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    // Writes the whole content; a file is replaced atomically.
    void SaveToStream(TStream& stream);
    void SaveToFile(const std::string& fileName);

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

// A memory stream whose bytes are a string, one character per byte.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const std::string& data = std::string());
    std::string DataString();
};

class TFileStream : public TStream {
public:
    // Opens fileName, resolved as ResolvePath does, with a mode: fmCreate, or fmOpenRead/Write/ReadWrite with
    // share flags (accepted, not enforced). Raises EFCreateError or EFOpenError naming the file; a folder is
    // no file and raises too.
    TFileStream(const std::string& fileName, uint16_t mode);
    // Takes over an open file handle, closed with the stream; fileName names the file in messages.
    TFileStream(int handle, const std::string& fileName);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    const std::string& FileName() const { return FFileName; }
    // Pushes written bytes to the disk; raises EWriteError when the system reports a failure.
    void Flush();

private:
    std::string FFileName;
    int FHandle = -1;
};
