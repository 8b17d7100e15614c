#include "GLApplicationFileIO.h"

#include "FileUtils.h"

#include <mutex>
#include <typeinfo>

namespace {

std::mutex gHookLock;
TGLStreamFactoryHook gStreamFactoryHook;
TGLFileExistsHook gFileExistsHook;

TGLStreamFactoryHook StreamFactoryHook()
{
    std::lock_guard<std::mutex> guard(gHookLock);
    return gStreamFactoryHook;
}

TGLFileExistsHook FileExistsHook()
{
    std::lock_guard<std::mutex> guard(gHookLock);
    return gFileExistsHook;
}

std::unique_ptr<TStream> HookedStream(const std::string& fileName, uint16_t mode)
{
    const TGLStreamFactoryHook hook = StreamFactoryHook();
    return hook ? hook(fileName, mode) : nullptr;
}

} // namespace

void SetStreamFactoryHook(TGLStreamFactoryHook hook)
{
    std::lock_guard<std::mutex> guard(gHookLock);
    gStreamFactoryHook = std::move(hook);
}

void SetFileExistsHook(TGLFileExistsHook hook)
{
    std::lock_guard<std::mutex> guard(gHookLock);
    gFileExistsHook = std::move(hook);
}

bool FileIOHooksAssigned()
{
    std::lock_guard<std::mutex> guard(gHookLock);
    return gStreamFactoryHook && gFileExistsHook;
}

std::unique_ptr<TStream> CreateHookedFileStream(const std::string& fileName, uint16_t mode)
{
    // A hook that gives no stream leaves the file to the disk rather than handing callers nothing.
    if (std::unique_ptr<TStream> stream = HookedStream(fileName, mode)) return stream;
    if ((mode & fmCreate) != fmCreate && !FileExists(fileName))
        throw EFOpenError("File not found: \"" + fileName + "\"");
    return std::make_unique<TFileStream>(fileName, mode);
}

bool HookedFileExists(const std::string& fileName)
{
    if (const TGLFileExistsHook hook = FileExistsHook()) return hook(fileName);
    return FileExists(fileName);
}

void SaveHookedFile(const std::string& fileName, const std::function<void(TStream&)>& write)
{
    if (std::unique_ptr<TStream> stream = HookedStream(fileName, fmCreate))
        write(*stream);
    else
        ReplaceFileAtomically(fileName, write);
}

void TGLDataFile::LoadFromFile(const std::string& fileName)
{
    SetResourceName(ExtractFileName(fileName));
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(*stream);
}

void TGLDataFile::SaveToFile(const std::string& fileName)
{
    SetResourceName(ExtractFileName(fileName));
    SaveHookedFile(fileName, [this](TStream& stream) { SaveToStream(stream); });
}

void TGLDataFile::LoadFromStream(TStream& stream)
{
    Assert(false, "Imaport for " + ClassName() + " to " + ClassNameOf(typeid(stream)) + " not available.",
           "VAVodad\\Source\\GLApplicationFileIO", 322);
}

void TGLDataFile::SaveToStream(TStream& stream)
{
    Assert(false, "Export for " + ClassName() + " to " + ClassNameOf(typeid(stream)) + " not available.",
           "VAVodad\\Source\\GLApplicationFileIO", 330);
}
