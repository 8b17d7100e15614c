#include "Streams.h"

#include "FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t TStream::Size()
{
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count > 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count > 0 && Write(buffer, count) != count) throw EWriteError();
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr int64_t chunk = 64 * 1024;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, chunk)));
    for (int64_t left = count; left > 0;) {
        const int64_t n = std::min(left, chunk);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// Memory stream

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    const int64_t available = Size() - FPosition;
    if (count <= 0 || available <= 0) return 0;
    const int64_t n = std::min(count, available);
    std::memcpy(buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0) return 0;
    const int64_t end = FPosition + count;
    if (end > Size()) FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? FPosition : Size();
    if (base + offset < 0) throw EStreamError("Stream seek error");
    FPosition = base + offset;
    return FPosition;
}

void TMemoryStream::SetSize(int64_t size)
{
    FData.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    FPosition = std::min(FPosition, Size());
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    const int64_t size = stream.Size();
    SetSize(size);
    stream.ReadBuffer(FData.data(), size);
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& stream)
{
    stream.WriteBuffer(FData.data(), Size());
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    ReplaceFileAtomically(fileName, [this](TStream& file) { SaveToStream(file); });
}

// String stream

TStringStream::TStringStream(const std::string& data)
{
    WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    SetPosition(0);
}

std::string TStringStream::DataString()
{
    return std::string(reinterpret_cast<const char*>(Memory()), static_cast<size_t>(Size()));
}

// File stream

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : FFileName(fileName)
{
    const bool create = (mode & fmCreate) == fmCreate;
    int flags = O_RDONLY;
    if (create)
        flags = O_RDWR | O_CREAT | O_TRUNC;
    else if ((mode & 3) == fmOpenWrite)
        flags = O_WRONLY;
    else if ((mode & 3) == fmOpenReadWrite)
        flags = O_RDWR;
    const std::string path = ResolvePath(fileName);
    do
        FHandle = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    while (FHandle < 0 && errno == EINTR);
    // Opening a folder for reading succeeds, but it has no bytes to read and no size to seek to.
    struct stat st;
    if (FHandle >= 0 && ::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        errno = EISDIR;
    }
    if (FHandle < 0) {
        const std::string reason = std::strerror(errno);
        if (create) throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    }
}

TFileStream::TFileStream(int handle, const std::string& fileName) : FFileName(fileName), FHandle(handle) {}

TFileStream::~TFileStream()
{
    ::close(FHandle);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(FHandle, static_cast<uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    int64_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::write(FHandle, static_cast<const uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    const off_t position = ::lseek(FHandle, offset, whence);
    if (position < 0) throw EStreamError("Stream seek error in \"" + FFileName + "\". " + std::strerror(errno));
    return position;
}

void TFileStream::SetSize(int64_t size)
{
    if (::ftruncate(FHandle, size) != 0)
        throw EWriteError("Cannot set the size of \"" + FFileName + "\". " + std::strerror(errno));
    if (Position() > size) SetPosition(size);
}

void TFileStream::Flush()
{
    if (::fsync(FHandle) != 0)
        throw EWriteError("Cannot write \"" + FFileName + "\". " + std::strerror(errno));
}
