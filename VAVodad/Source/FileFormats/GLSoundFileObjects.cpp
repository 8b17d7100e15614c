#include "GLSoundFileObjects.h"

#include "GLFileFormatRegistry.h"
#include "SysUtils.h"

#include <vector>

// ---------------------------------------------------------------------------------------------------------
// TGLSoundSampling

void TGLSoundSampling::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLSoundSampling*>(Source))
        SetValues(source->FFrequency, source->FNbChannels, source->FBitsPerSample);
    else
        TPersistent::Assign(Source);
}

void TGLSoundSampling::SetValues(int32_t frequency, int32_t nbChannels, int32_t bitsPerSample)
{
    FFrequency = frequency;
    FNbChannels = nbChannels;
    FBitsPerSample = bitsPerSample;
}

int32_t TGLSoundSampling::BytesPerSec() const
{
    // In 64 bits: a rate read from a bad header must not overflow the product.
    return static_cast<int32_t>((int64_t{FFrequency} * FBitsPerSample * FNbChannels) >> 3);
}

TWaveFormatEx TGLSoundSampling::WaveFormat() const
{
    TWaveFormatEx format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<uint16_t>(FNbChannels);
    format.nSamplesPerSec = static_cast<uint32_t>(FFrequency);
    format.nAvgBytesPerSec = static_cast<uint32_t>(BytesPerSec());
    format.nBlockAlign = static_cast<uint16_t>(FNbChannels * BytesPerSample());
    format.wBitsPerSample = static_cast<uint16_t>(FBitsPerSample);
    format.cbSize = 0;
    return format;
}

// ---------------------------------------------------------------------------------------------------------
// TGLSoundFile

TGLSoundFile::TGLSoundFile(TPersistent* AOwner)
    : TGLDataFile(AOwner), FSampling(std::make_unique<TGLSoundSampling>(this))
{
}

TGLSoundFile::~TGLSoundFile() = default;

int32_t TGLSoundFile::LengthInSamples() const
{
    const int64_t divisor = int64_t{FSampling->BytesPerSample()} * FSampling->NbChannels();
    return divisor > 0 ? static_cast<int32_t>(LengthInBytes() / divisor) : 0;
}

float TGLSoundFile::LengthInSec() const
{
    const int32_t bytesPerSec = FSampling->BytesPerSec();
    return bytesPerSec != 0 ? static_cast<float>(LengthInBytes()) / static_cast<float>(bytesPerSec) : 0.0f;
}

// ---------------------------------------------------------------------------------------------------------
// Registry

namespace {

// The classes RegisterSoundFileFormat made known for streaming by name.
std::vector<const TGLSoundFileClass*>& StreamableSoundFileClasses()
{
    static std::vector<const TGLSoundFileClass*> classes;
    return classes;
}

} // namespace

TGLSoundFileFormatsList::~TGLSoundFileFormatsList()
{
    Clean();
}

void TGLSoundFileFormatsList::Add(const std::string& Ext, const std::string& Desc, int32_t DescID,
                                  const TGLSoundFileClass& AClass)
{
    auto* entry = new TGLSoundFileFormat();
    entry->Extension = LowerCase(Ext);
    entry->Description = Desc;
    entry->DescResID = DescID;
    entry->SoundFileClass = &AClass;
    TPersistentObjectList::Add(entry);
}

const TGLSoundFileClass* TGLSoundFileFormatsList::FindExt(std::string ext) const
{
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    return FileFormatRegistry::FindExt(*this, &TGLSoundFileFormat::SoundFileClass, ext);
}

void TGLSoundFileFormatsList::Remove(const TGLSoundFileClass& AClass)
{
    FileFormatRegistry::Remove(*this, &TGLSoundFileFormat::SoundFileClass, AClass);
}

void TGLSoundFileFormatsList::BuildFilterStrings(const TGLSoundFileClass& soundFileClass, std::string& descriptions,
                                                 std::string& filters) const
{
    FileFormatRegistry::BuildFilterStrings(*this, &TGLSoundFileFormat::SoundFileClass, soundFileClass, descriptions,
                                           filters, true, false, true);
}

TGLSoundFileFormatsList& GetGLSoundFileFormats()
{
    static const std::unique_ptr<TGLSoundFileFormatsList> formats = std::make_unique<TGLSoundFileFormatsList>();
    return *formats;
}

void RegisterSoundFileFormat(const std::string& sExtension, const std::string& sDescription,
                             const TGLSoundFileClass& aClass)
{
    if (!FindSoundFileClass(aClass.ClassName())) StreamableSoundFileClasses().push_back(&aClass);
    GetGLSoundFileFormats().Add(sExtension, sDescription, 0, aClass);
}

const TGLSoundFileClass* FindSoundFileClass(const std::string& className)
{
    for (const TGLSoundFileClass* fileClass : StreamableSoundFileClasses())
        if (SameText(fileClass->ClassName(), className)) return fileClass;
    return nullptr;
}
