// The sound file layer: the sampling of a sound (rate, channels, depth), the base of the sound file formats
// and the process-wide registry of those formats by extension.
#pragma once

#include "GLApplicationFileIO.h"
#include "GLPersistentClasses.h"

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

class TGLSoundFile;

// The unit the module's assertions name.
inline constexpr const char* cGLSoundFileObjectsUnit = "VAVodad\\Source\\FileFormats\\GLSoundFileObjects";

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// The PCM wave format record a sound device is opened with (18 bytes on file, little-endian, in this order).
struct TWaveFormatEx {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};

// The sampling of a sound: samples a second, channels and bits a sample.
class TGLSoundSampling : public TPersistent {
public:
    explicit TGLSoundSampling(TPersistent* AOwner = nullptr) : FOwner(AOwner) {}

    // A sampling source copies its three values; anything else is refused.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override { return FOwner; }

    int32_t Frequency() const { return FFrequency; }
    void SetFrequency(int32_t Value) { FFrequency = Value; }
    int32_t NbChannels() const { return FNbChannels; }
    void SetNbChannels(int32_t Value) { FNbChannels = Value; }
    int32_t BitsPerSample() const { return FBitsPerSample; }
    void SetBitsPerSample(int32_t Value) { FBitsPerSample = Value; }
    // Sets all three at once.
    void SetValues(int32_t frequency, int32_t nbChannels, int32_t bitsPerSample);

    // Frequency x BitsPerSample x NbChannels / 8, by a shift as the wave format record counts it.
    int32_t BytesPerSec() const;
    // BitsPerSample / 8, by a shift.
    int32_t BytesPerSample() const { return FBitsPerSample >> 3; }
    // The PCM record of this sampling (format tag 1, extra size 0).
    TWaveFormatEx WaveFormat() const;

private:
    TPersistent* FOwner;
    int32_t FFrequency = 22050;
    int32_t FNbChannels = 1;
    int32_t FBitsPerSample = 8;
};

// Class reference of a sound file format: its name, its constructor and its class-level capabilities, as
// SoundFileClassOf<T>() gives it. Each class has exactly one, so references compare by address.
class TGLSoundFileClass {
public:
    virtual ~TGLSoundFileClass() = default;
    virtual const std::string& ClassName() const = 0;
    // A new, empty file object owned by AOwner; the caller frees it.
    virtual TGLSoundFile* Create(TPersistent* AOwner) const = 0;
    virtual TGLDataFileCapabilities Capabilities() const = 0;
    // This class is aClass or descends from it.
    bool InheritsFrom(const TGLSoundFileClass& aClass) const { return aClass.IsAncestorOf(*this); }

protected:
    virtual bool IsAncestorOf(const TGLSoundFileClass& aClass) const = 0;
    // Throws a null pointer of the class's own type: a handler for an ancestor's pointer type catches it.
    [[noreturn]] virtual void ThrowClassPointer() const = 0;

    template <class T> friend class TGLSoundFileClassOf;
};

// T has a constructor taking its owner and a static ClassCapabilities().
template <class T> class TGLSoundFileClassOf final : public TGLSoundFileClass {
public:
    const std::string& ClassName() const override { return ClassNameOf<T>(); }
    TGLSoundFile* Create(TPersistent* AOwner) const override;
    TGLDataFileCapabilities Capabilities() const override { return T::ClassCapabilities(); }

protected:
    bool IsAncestorOf(const TGLSoundFileClass& aClass) const override
    {
        return ThrowsPointerTo<T>([&] { aClass.ThrowClassPointer(); });
    }
    [[noreturn]] void ThrowClassPointer() const override { throw static_cast<const T*>(nullptr); }
};

template <class T> const TGLSoundFileClass& SoundFileClassOf()
{
    static const TGLSoundFileClassOf<T> fileClass;
    return fileClass;
}

// Base of the sound file formats. A file object keeps its sound in memory for as long as it lives: the whole
// file image where the format has one, and the PCM samples a back end plays.
class TGLSoundFile : public TGLDataFile {
public:
    explicit TGLSoundFile(TPersistent* AOwner);
    ~TGLSoundFile() override;

    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }

    TGLSoundSampling& Sampling() const { return *FSampling; }
    // Copies the values.
    void SetSampling(const TGLSoundSampling& Value)
    {
        FSampling->SetValues(Value.Frequency(), Value.NbChannels(), Value.BitsPerSample());
    }

    // The whole file image (for formats that are one), nullptr when empty.
    virtual const uint8_t* WAVData() const = 0;
    virtual int32_t WAVDataSize() const = 0;
    // The raw samples in the sampling's layout, nullptr when there are none.
    virtual const uint8_t* PCMData() const = 0;
    // The size of PCMData in bytes.
    virtual int32_t LengthInBytes() const = 0;
    // Plays the file through the platform's simple wave playback; nothing here.
    virtual void PlayOnWaveOut() {}

    // LengthInBytes / (BytesPerSample x NbChannels), 0 when that divisor is not positive.
    int32_t LengthInSamples() const;
    // LengthInBytes / BytesPerSec, 0 when BytesPerSec is 0 (a sampling read from a bad header).
    float LengthInSec() const;

private:
    std::unique_ptr<TGLSoundSampling> FSampling;
};

template <class T> TGLSoundFile* TGLSoundFileClassOf<T>::Create(TPersistent* AOwner) const
{
    // The reference of an abstract format (the base itself) serves look-ups only.
    if constexpr (std::is_abstract_v<T>)
        throw EAssertionFailed("Cannot create a file object of the abstract class " + ClassName());
    else
        return new T(AOwner);
}

// One registered format.
class TGLSoundFileFormat : public TObject {
public:
    const TGLSoundFileClass* SoundFileClass = nullptr;
    std::string Extension; // lower case, without the dot
    std::string Description;
    int32_t DescResID = 0;
};

// The formats in order of registration; it owns its entries. Of two entries with one extension the later wins.
class TGLSoundFileFormatsList : public TPersistentObjectList {
public:
    ~TGLSoundFileFormatsList() override;

    void Add(const std::string& Ext, const std::string& Desc, int32_t DescID, const TGLSoundFileClass& AClass);
    // The class of the last entry whose extension is ext, letter case ignored, with or without a leading
    // dot; nullptr when none.
    const TGLSoundFileClass* FindExt(std::string ext) const;
    // Deletes every entry of AClass or a descendant.
    void Remove(const TGLSoundFileClass& AClass);
    // File-dialog texts of the formats of soundFileClass (or descendants) that have an extension, from the
    // last registered to the first: descriptions "desc (*.ext)|*.ext" joined by "|", filters "*.ext" joined
    // by ";"; with two or more formats the all-formats entry leads the descriptions.
    void BuildFilterStrings(const TGLSoundFileClass& soundFileClass, std::string& descriptions,
                            std::string& filters) const;

    TGLSoundFileFormat* Entry(int32_t index) const { return static_cast<TGLSoundFileFormat*>(Get(index)); }
};

// The process's registry, made on first use and freed when the program ends.
TGLSoundFileFormatsList& GetGLSoundFileFormats();

// Registers the class for streaming by its class name and appends (lower-cased ext, desc) to the registry.
void RegisterSoundFileFormat(const std::string& sExtension, const std::string& sDescription,
                             const TGLSoundFileClass& aClass);
template <class T> void RegisterSoundFileFormat(const std::string& sExtension, const std::string& sDescription)
{
    RegisterSoundFileFormat(sExtension, sDescription, SoundFileClassOf<T>());
}

// The sound file class registered for streaming under that class name (letter case ignored), nullptr when
// none. Removing a format from the registry does not unregister its class.
const TGLSoundFileClass* FindSoundFileClass(const std::string& className);
