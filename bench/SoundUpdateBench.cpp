// One update of the OpenAL manager as the game loads it: 53 playing sources (51 effects, the music and one
// more) over a library of 1000 samples, on the sound tests' recording OpenAL with recording off. Beside it the
// same OpenAL calls made directly: the listener and, per source, its state and its position and direction.
#include "FakeOpenAL.h"
#include "GLSMOpenAL.h"
#include "SoundScene.h"

#include <benchmark/benchmark.h>

#include "BenchBaseline.h"

namespace {

constexpr int cSources = 53;
constexpr int cSamples = 1000;

void BM_OpenALUpdateSources(benchmark::State& state)
{
    FakeAL().Reset();
    FakeAL().recording = false;
    SetOpenALOverride(&FakeAL().table);
    {
        TGLSoundLibrary library(nullptr);
        const Bytes wav = ToneWav(0.001);
        for (int i = 0; i < cSamples; ++i) AddWavSample(library, "sample" + std::to_string(i) + ".wav", wav);
        std::unique_ptr<TGLSMOpenAL, TFreeDeleter> manager(new TGLSMOpenAL(nullptr));
        manager->SetActive(true);
        TSoundObject object;
        // Samples from all over the library, the later ones (the longest look-ups) among them.
        for (int i = 0; i < cSources; ++i)
            object.AddEmitter(library, "SAMPLE" + std::to_string(cSamples - 1 - i * 17) + ".wav")->SetPlaying(true);
        manager->UpdateSources(); // voices and buffers made
        for (auto _ : state) manager->UpdateSources();
        state.counters["sources"] = static_cast<double>(manager->Sources()->Count());
    }
    SetOpenALOverride(nullptr);
    FakeAL().recording = true;
}
BENCHMARK(BM_OpenALUpdateSources)->Unit(benchmark::kMicrosecond);

void BM_PlainOpenALCalls(benchmark::State& state)
{
    FakeAL().Reset();
    FakeAL().recording = false;
    const TOpenALEntryPoints& al = FakeAL().table;
    ALuint voices[cSources];
    al.alGenSources(cSources, voices);
    float position[4] = {0, 0, 0, 1}, orientation[6] = {0, 0, 1, 0, 1, 0};
    for (auto _ : state) {
        al.alListenerfv(AL_POSITION, position);
        al.alListenerfv(AL_VELOCITY, position);
        al.alListenerfv(AL_ORIENTATION, orientation);
        for (ALuint voice : voices) {
            ALint playing = 0;
            al.alGetSourcei(voice, AL_SOURCE_STATE, &playing);
            al.alSourcefv(voice, AL_POSITION, position);
            al.alSourcefv(voice, AL_DIRECTION, position);
            benchmark::DoNotOptimize(playing);
        }
    }
    FakeAL().recording = true;
}
BENCHMARK(BM_PlainOpenALCalls)->Unit(benchmark::kMicrosecond);
BENCHMARK_BASELINE(BM_OpenALUpdateSources, BM_PlainOpenALCalls);

} // namespace
