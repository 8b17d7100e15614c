// What the sound model's tests and benchmarks play with: a library of samples made from WAV bytes, a scene
// object that carries emitters, and an emitter set up to play one sample.
#pragma once

#include "GLFileWAV.h"
#include "GLObjects.h"
#include "GLSound.h"
#include "SoundFixtures.h"
#include "Streams.h"

#include <memory>
#include <string>

// A sample of the library named name, holding the WAV file of the bytes.
inline TGLSoundSample* AddWavSample(TGLSoundLibrary& library, const std::string& name, const Bytes& wav)
{
    TMemoryStream stream;
    stream.WriteBuffer(wav.data(), static_cast<int64_t>(wav.size()));
    stream.SetPosition(0);
    TGLWAVFile file(nullptr);
    file.LoadFromStream(stream);
    TGLSoundSample* sample = library.Samples()->Add();
    sample->SetName(name);
    sample->SetData(&file);
    return sample;
}

// A WAV of a 440 Hz tone: 16-bit mono at 44100 Hz unless said otherwise.
inline Bytes ToneWav(double seconds, int rate = 44100, int channels = 1)
{
    return MakeWav(SineTone(440, rate, channels, seconds), rate, channels);
}

// A scene object that dies with the holder.
struct TSoundObject {
    std::unique_ptr<TGLDummyCube, TFreeDeleter> object{new TGLDummyCube(nullptr)};

    // A new emitter of this object for the library's sample.
    TGLBSoundEmitter* AddEmitter(TGLSoundLibrary& library, const std::string& sampleName, int32_t nbLoops = 1)
    {
        auto* emitter = new TGLBSoundEmitter(object->Behaviours());
        emitter->Source()->SetSoundLibrary(&library);
        emitter->Source()->SetSoundName(sampleName);
        emitter->Source()->SetNbLoops(nbLoops);
        return emitter;
    }
};
