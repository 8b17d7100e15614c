// The one door through which engine code opens files, with hooks an application can set to redirect every
// engine file access (into an archive, for example), and the base class of the engine's file formats.
// Names may be written with "\" and in any letter case: without hooks they are resolved on the disk.
#pragma once

#include "GLBaseClasses.h"
#include "Streams.h"

#include <functional>
#include <memory>
#include <string>

// A stream for the name and mode, or nullptr to leave the file to the disk.
using TGLStreamFactoryHook = std::function<std::unique_ptr<TStream>(const std::string& fileName, uint16_t mode)>;
using TGLFileExistsHook = std::function<bool(const std::string& fileName)>;

// Unset at start; an empty hook unsets.
void SetStreamFactoryHook(TGLStreamFactoryHook hook);
void SetFileExistsHook(TGLFileExistsHook hook);
// True when both hooks are set: callers then skip their own disk checks.
bool FileIOHooksAssigned();

// The stream hook's stream when it gives one; otherwise the file on disk. A mode other than fmCreate on a
// missing file raises EFOpenError 'File not found: "<fileName>"'. The modes the engine uses are
// fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareDenyWrite and fmCreate.
std::unique_ptr<TStream> CreateHookedFileStream(const std::string& fileName, uint16_t mode);
// The file-exists hook's answer when set, else whether the file is on disk.
bool HookedFileExists(const std::string& fileName);
// Writes a whole file: into the stream hook's stream when it gives one, else on disk through a temporary file
// that replaces the old one only when complete, so a failed write never leaves a half-written file.
void SaveHookedFile(const std::string& fileName, const std::function<void(TStream&)>& write);

// The caption of the all-formats entry that the file-format registries put in front of an open dialog's
// filters.
inline const std::string cAllFormatsCaption = "All";

using TGLDataFileCapabilities = uint32_t;
constexpr TGLDataFileCapabilities dfcRead = 1u << 0;
constexpr TGLDataFileCapabilities dfcWrite = 1u << 1;

// Base of the file formats (images, models, sounds). Each format overrides what it supports.
class TGLDataFile : public TGLUpdateAbleObject {
public:
    using TGLUpdateAbleObject::TGLUpdateAbleObject;

    virtual TGLDataFileCapabilities Capabilities() const { return dfcRead; }
    // A new, empty object of the same class with AOwner (formats copy their data into it as well).
    virtual TGLDataFile* CreateCopy(TPersistent* AOwner) const = 0;

    // ResourceName := the name without its folder; the stream is freed also when loading fails.
    virtual void LoadFromFile(const std::string& fileName);
    virtual void SaveToFile(const std::string& fileName);
    // The base raises an assertion failure naming the class and the stream's class.
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream);
    virtual void Initialize() {}

    const std::string& ResourceName() const { return FResourceName; }
    void SetResourceName(const std::string& Value) { FResourceName = Value; }

private:
    std::string FResourceName;
};
