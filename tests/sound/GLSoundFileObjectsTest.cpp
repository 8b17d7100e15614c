#include "GLFileMP3.h"
#include "GLFileWAV.h"
#include "GLSoundFileObjects.h"

#include <gtest/gtest.h>

namespace {

// Two formats of the file layer's own, so that registry tests need not touch the process's registry.
class TSoundFileA : public TGLWAVFile {
public:
    using TGLWAVFile::TGLWAVFile;
};
class TSoundFileB : public TGLMP3File {
public:
    using TGLMP3File::TGLMP3File;
};

TEST(GLSoundFileObjects, FindExtIgnoresCaseAndADotAndTheLastRegistrationWins)
{
    TGLSoundFileFormatsList formats;
    formats.Add("WAV", "first", 0, SoundFileClassOf<TSoundFileA>());
    for (const char* ext : {"wav", ".wav", "WAV", ".Wav"})
        EXPECT_EQ(formats.FindExt(ext), &SoundFileClassOf<TSoundFileA>()) << ext;
    EXPECT_EQ(formats.FindExt("mp3"), nullptr);
    EXPECT_EQ(formats.FindExt("..wav"), nullptr);

    formats.Add("wav", "second", 0, SoundFileClassOf<TSoundFileB>());
    EXPECT_EQ(formats.FindExt(".wav"), &SoundFileClassOf<TSoundFileB>());
    // Removing a class drops its entries and those of its descendants only.
    formats.Remove(SoundFileClassOf<TGLMP3File>());
    EXPECT_EQ(formats.FindExt("wav"), &SoundFileClassOf<TSoundFileA>());
    formats.Remove(SoundFileClassOf<TGLSoundFile>());
    EXPECT_EQ(formats.Count(), 0);
}

TEST(GLSoundFileObjects, FilterStringsListTheLastRegisteredFirst)
{
    TGLSoundFileFormatsList formats;
    formats.Add("wav", "Windows WAV files", 0, SoundFileClassOf<TSoundFileA>());
    std::string descriptions, filters;
    formats.BuildFilterStrings(SoundFileClassOf<TGLSoundFile>(), descriptions, filters);
    EXPECT_EQ(descriptions, "Windows WAV files (*.wav)|*.wav");
    EXPECT_EQ(filters, "*.wav");

    formats.Add("mp3", "MPEG Layer3 files", 0, SoundFileClassOf<TSoundFileB>());
    formats.Add("", "no extension", 0, SoundFileClassOf<TSoundFileB>());
    formats.BuildFilterStrings(SoundFileClassOf<TGLSoundFile>(), descriptions, filters);
    EXPECT_EQ(filters, "*.mp3;*.wav");
    EXPECT_EQ(descriptions,
              cAllFormatsCaption + " (*.mp3;*.wav)|*.mp3;*.wav|MPEG Layer3 files (*.mp3)|*.mp3|"
                                   "Windows WAV files (*.wav)|*.wav");
    // Only the formats of the class asked for.
    formats.BuildFilterStrings(SoundFileClassOf<TGLWAVFile>(), descriptions, filters);
    EXPECT_EQ(filters, "*.wav");
}

TEST(GLSoundFileObjects, TheEngineRegistersWavAndMp3ForLookUpAndStreaming)
{
    EXPECT_EQ(GetGLSoundFileFormats().FindExt("WAV"), &SoundFileClassOf<TGLWAVFile>());
    EXPECT_EQ(GetGLSoundFileFormats().FindExt(".mp3"), &SoundFileClassOf<TGLMP3File>());
    EXPECT_EQ(FindSoundFileClass("tglwavfile"), &SoundFileClassOf<TGLWAVFile>());
    EXPECT_EQ(FindSoundFileClass("TGLMP3File"), &SoundFileClassOf<TGLMP3File>());
    EXPECT_EQ(FindSoundFileClass("TGLSoundFile"), nullptr);
    EXPECT_EQ(FindSoundFileClass(""), nullptr);

    std::unique_ptr<TGLSoundFile> file(FindSoundFileClass("TGLWAVFile")->Create(nullptr));
    EXPECT_NE(dynamic_cast<TGLWAVFile*>(file.get()), nullptr);
}

TEST(GLSoundFileObjects, SamplingDerivesItsRatesAndWaveFormatByShifts)
{
    TGLSoundSampling sampling;
    EXPECT_EQ(sampling.Frequency(), 22050);
    EXPECT_EQ(sampling.NbChannels(), 1);
    EXPECT_EQ(sampling.BitsPerSample(), 8);
    sampling.SetValues(44100, 2, 16);
    EXPECT_EQ(sampling.BytesPerSec(), 176400);
    EXPECT_EQ(sampling.BytesPerSample(), 2);
    const TWaveFormatEx format = sampling.WaveFormat();
    EXPECT_EQ(format.wFormatTag, 1);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(format.nBlockAlign, 4);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_EQ(format.cbSize, 0);
    sampling.SetValues(11025, 1, 12); // a depth that is no whole number of bytes: 1 byte a sample
    EXPECT_EQ(sampling.BytesPerSec(), 16537);
    EXPECT_EQ(sampling.BytesPerSample(), 1);

    TGLSoundSampling copy;
    copy.Assign(&sampling);
    EXPECT_EQ(copy.BitsPerSample(), 12);
    EXPECT_EQ(copy.Frequency(), 11025);
}

TEST(GLSoundFileObjects, LengthsAreZeroWhereTheSamplingCannotDivide)
{
    TGLWAVFile file(nullptr);
    EXPECT_EQ(file.LengthInSamples(), 0);
    EXPECT_EQ(file.LengthInSec(), 0.0f);
    TGLSoundSampling broken;
    broken.SetValues(0, 0, 0);
    file.SetSampling(broken);
    EXPECT_EQ(file.LengthInSamples(), 0);
    EXPECT_EQ(file.LengthInSec(), 0.0f);
}

} // namespace
