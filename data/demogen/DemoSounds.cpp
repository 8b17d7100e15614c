#include "DemoSounds.h"

#include "DemoPaint.h"
#include "UGH_data.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double cTau = 2 * std::numbers::pi;

// Effects are sampled at this rate, music (but the MP3) at half of it: small files that still sound.
constexpr int32_t cEffectRate = 22050;
constexpr int32_t cMusicRate = 11025;

std::size_t FrameAt(double seconds, int32_t rate)
{
    return static_cast<std::size_t>(std::nearbyint(seconds * rate));
}

// A sound being made: samples around -1..1 for each channel.
struct TTrack {
    int32_t rate;
    std::vector<double> left, right; // right stays empty for a mono track

    TTrack(int32_t sampleRate, double seconds, bool stereo) : rate(sampleRate), left(FrameAt(seconds, sampleRate))
    {
        if (stereo) right.resize(left.size());
    }
    double Seconds() const { return static_cast<double>(left.size()) / rate; }
};

// Adds voice(t, n) over [start, start + seconds) of the track, t the seconds and n the frames from start; on a
// stereo track pan(t) places it from -1 (left) to 1 (right). What would run past the track's end is left out.
template <class V, class P> void MixPanned(TTrack& track, double start, double seconds, V voice, P pan)
{
    const std::size_t first = FrameAt(start, track.rate);
    const std::size_t count = FrameAt(seconds, track.rate);
    for (std::size_t n = 0; n < count && first + n < track.left.size(); ++n) {
        const double t = static_cast<double>(n) / track.rate;
        const double value = voice(t, n);
        if (track.right.empty()) {
            track.left[first + n] += value;
            continue;
        }
        const double place = std::clamp(pan(t), -1.0, 1.0);
        track.left[first + n] += value * std::sqrt((1 - place) / 2);
        track.right[first + n] += value * std::sqrt((1 + place) / 2);
    }
}

template <class V> void Mix(TTrack& track, double start, double seconds, V voice)
{
    MixPanned(track, start, seconds, voice, [](double) { return 0.0; });
}

// Rises over attack seconds, then fades by e every decay seconds.
double Envelope(double t, double attack, double decay)
{
    return t < attack ? t / attack : std::exp(-(t - attack) / decay);
}

// A swell that is 0 at 0 and at length, 1 halfway.
double Hump(double t, double length)
{
    return t <= 0 || t >= length ? 0 : std::sin(std::numbers::pi * t / length);
}

// Fades in and out over fade seconds at the two ends of length, so that a sound starts and stops without a click.
double Edges(double t, double length, double fade)
{
    return std::clamp(std::min(t, length - t) / fade, 0.0, 1.0);
}

// White noise in -1..1: a pure function of the frame and the seed.
double White(std::size_t n, uint32_t seed)
{
    return 2 * Unit(static_cast<int32_t>(n), 0, seed) - 1;
}

// The pitch semitones above (or below) the A at 440 Hz.
double Pitch(double semitones)
{
    return 440 * std::exp2(semitones / 12);
}

// The phase of a tone whose frequency may change from one sample to the next, in turns.
struct TPhase {
    double turns = 0;
    double Next(double frequency, int32_t rate)
    {
        const double now = turns;
        turns += frequency / rate;
        turns -= std::floor(turns);
        return now;
    }
};

// A buzzing tone: the first harmonics of a sawtooth.
double Saw(double turns, int harmonics)
{
    double value = 0;
    for (int k = 1; k <= harmonics; ++k) value += std::sin(cTau * k * turns) / k;
    return value;
}

// Everything below cutoff Hz passes, what lies above is softened.
struct TLowPass {
    double level = 0;
    double operator()(double x, double cutoff, int32_t rate)
    {
        level += (1 - std::exp(-cTau * cutoff / rate)) * (x - level);
        return level;
    }
};

// Noise between low and high(t) Hz (low 0: everything below high), about as loud as amplitude whatever the band,
// shaped by envelope(t).
template <class H, class E>
void Noise(TTrack& track, double start, double seconds, double low, H high, double amplitude, uint32_t seed,
           E envelope)
{
    Mix(track, start, seconds,
        [=, below = TLowPass{}, base = TLowPass{}, rate = track.rate](double t, std::size_t n) mutable {
            const double top = std::min(high(t), rate / 2.0);
            const double x = White(n, seed);
            const double band = below(x, top, rate) - (low > 0 ? base(x, low, rate) : 0);
            return amplitude * envelope(t) * band * std::sqrt(rate / 2.0 / std::max(top - low, 1.0));
        });
}

auto Fixed(double hertz)
{
    return [hertz](double) { return hertz; };
}

struct TPartial {
    double frequency, weight, decay;
};

// A struck sound: each partial fades by e every decay seconds; those above half the rate are left out. It stops
// without a click after seconds, or at the track's end.
void Strike(TTrack& track, double start, double seconds, std::vector<TPartial> partials)
{
    std::erase_if(partials, [&](const TPartial& p) { return p.frequency >= track.rate / 2.0; });
    const double length = std::min(seconds, track.Seconds() - start);
    if (length <= 0) return;
    Mix(track, start, length, [partials = std::move(partials), length](double t, std::size_t) {
        double value = 0;
        for (const TPartial& p : partials) value += p.weight * std::sin(cTau * p.frequency * t) * std::exp(-t / p.decay);
        return value * Edges(t, length, 0.003);
    });
}

// A plucked note: the harmonics weighted 1, 1/2, 1/3 ..., the higher ones fading sooner.
void Note(TTrack& track, double start, double seconds, double frequency, double amplitude, double decay,
          int harmonics = 3)
{
    std::vector<TPartial> partials;
    for (int k = 1; k <= harmonics; ++k) partials.push_back({k * frequency, amplitude / k, decay / k});
    Strike(track, start, seconds, std::move(partials));
}

// Soft held tones, each with a slightly detuned twin, rising and falling over fade seconds.
void Pad(TTrack& track, double start, double seconds, std::vector<double> frequencies, double amplitude, double fade)
{
    Mix(track, start, seconds, [=](double t, std::size_t) {
        double value = 0;
        for (const double f : frequencies) value += std::sin(cTau * f * t) + std::sin(cTau * f * 1.003 * t);
        return amplitude * value * Edges(t, seconds, fade);
    });
}

// A hinge that creaks: a buzz wavering upward from base Hz, in stick-slip grains.
void Creak(TTrack& track, double start, double seconds, double base, double rise)
{
    Mix(track, start, seconds, [=, phase = TPhase{}, rate = track.rate](double t, std::size_t) mutable {
        const double frequency = base + rise * t + 0.1 * base * std::sin(cTau * 6 * t);
        const double grain = std::pow(std::abs(std::sin(cTau * 19 * t)), 3);
        return 0.5 * Saw(phase.Next(frequency, rate), 5) * grain * Hump(t, seconds);
    });
}

// ---- Drums ----

void Kick(TTrack& track, double start, double amplitude)
{
    Mix(track, start, 0.3, [=, phase = TPhase{}, rate = track.rate](double t, std::size_t) mutable {
        return amplitude * std::sin(cTau * phase.Next(45 + 90 * std::exp(-t / 0.04), rate)) *
               Envelope(t, 0.002, 0.1) * Edges(t, 0.3, 0.003);
    });
}

void Snare(TTrack& track, double start, double amplitude, uint32_t seed)
{
    Noise(track, start, 0.25, 900, Fixed(6000), 0.6 * amplitude, seed, [](double t) { return std::exp(-t / 0.06); });
    Strike(track, start, 0.2, {{185, 0.4 * amplitude, 0.05}});
}

void Hat(TTrack& track, double start, double amplitude, uint32_t seed)
{
    Noise(track, start, 0.08, 3500, Fixed(20000), amplitude, seed, [](double t) { return std::exp(-t / 0.015); });
}

// ---- The effects ----

TTrack Footsteps()
{
    TTrack track(cEffectRate, 0.5, false);
    for (int step = 0; step < 2; ++step) {
        const double at = 0.25 * step, level = step ? 0.8 : 1.0;
        // The heel's thud, then the sole scraping grit.
        Noise(track, at, 0.2, 0, Fixed(700), level, 11 + step, [](double t) { return Envelope(t, 0.004, 0.04); });
        Strike(track, at, 0.2, {{70, 0.6 * level, 0.05}});
        Noise(track, at + 0.01, 0.12, 2500, Fixed(9000), 0.25 * level, 21 + step,
              [](double t) { return Envelope(t, 0.01, 0.025); });
    }
    return track;
}

TTrack DoorOpens()
{
    TTrack track(cEffectRate, 0.9, false);
    Creak(track, 0, 0.7, 150, 80);
    // The door comes to rest against the wall.
    Strike(track, 0.68, 0.22, {{62, 0.8, 0.07}, {131, 0.3, 0.04}});
    Noise(track, 0.68, 0.2, 0, Fixed(500), 0.6, 31, [](double t) { return Envelope(t, 0.003, 0.05); });
    return track;
}

TTrack Locked()
{
    TTrack track(cEffectRate, 0.4, false);
    // The bolt rattles in its catch three times.
    const double hits[] = {0, 0.11, 0.2};
    for (uint32_t hit = 0; hit < std::size(hits); ++hit) {
        Strike(track, hits[hit], 0.15, {{1850, 0.5, 0.03}, {2710, 0.35, 0.025}, {4130, 0.2, 0.02}});
        Noise(track, hits[hit], 0.02, 1500, Fixed(9000), 0.5, 41 + hit, [](double t) { return std::exp(-t / 0.004); });
    }
    return track;
}

TTrack ChestOpens()
{
    TTrack track(cEffectRate, 0.6, false);
    // The lid's hinge, higher and shorter than a door's; the lid falls back and its latch clinks.
    Creak(track, 0, 0.35, 230, 120);
    Strike(track, 0.36, 0.2, {{180, 0.7, 0.05}, {410, 0.3, 0.03}});
    Noise(track, 0.36, 0.15, 0, Fixed(1200), 0.5, 51, [](double t) { return Envelope(t, 0.002, 0.03); });
    Strike(track, 0.4, 0.2, {{2300, 0.25, 0.04}, {3550, 0.15, 0.03}});
    return track;
}

TTrack Portal()
{
    TTrack track(cEffectRate, 1.0, true);
    // A shimmering chord that rises two octaves and crosses from the left to the right.
    for (const double ratio : {1.0, 1.5, 2.0}) {
        MixPanned(
            track, 0, 1.0,
            [ratio, phase = TPhase{}, rate = track.rate](double t, std::size_t) mutable {
                const double tremolo = 0.6 + 0.4 * std::sin(cTau * 12 * t);
                return 0.3 * std::sin(cTau * phase.Next(300 * ratio * std::exp2(2 * t), rate)) * tremolo *
                       Edges(t, 1.0, 0.25);
            },
            [](double t) { return 1.8 * t - 0.9; });
    }
    return track;
}

TTrack LevelUp()
{
    TTrack track(cEffectRate, 1.0, false);
    // C, E, G and the C above one after another, ringing on together.
    const double notes[] = {3, 7, 10, 15};
    for (std::size_t i = 0; i < std::size(notes); ++i)
        Note(track, 0.1 * i, 1.0 - 0.1 * i, Pitch(notes[i]), 0.5, 0.35);
    return track;
}

TTrack Button()
{
    // 551 frames: the data chunk's odd size takes a pad byte.
    TTrack track(cMusicRate, 0.05, false);
    Strike(track, 0, 0.05, {{1800, 0.7, 0.008}});
    Noise(track, 0, 0.01, 0, Fixed(5000), 0.5, 61, [](double t) { return std::exp(-t / 0.002); });
    return track;
}

TTrack ButtonHover()
{
    TTrack track(cEffectRate, 0.04, false);
    Strike(track, 0, 0.04, {{2600, 0.5, 0.006}, {5200, 0.1, 0.003}});
    return track;
}

TTrack SwordSkill()
{
    TTrack track(cEffectRate, 0.45, false);
    // The blade swishes through the air and rings.
    Noise(track, 0, 0.28, 300, [](double t) { return 800 + 20000 * t; }, 0.8, 71, [](double t) { return Hump(t, 0.28); });
    Strike(track, 0.18, 0.27, {{1320, 0.4, 0.1}, {2170, 0.25, 0.08}, {3390, 0.15, 0.05}});
    return track;
}

TTrack BowSkill()
{
    TTrack track(cEffectRate, 0.4, false);
    // The string twangs and the arrow hisses away.
    Mix(track, 0, 0.3, [phase = TPhase{}, rate = track.rate](double t, std::size_t) mutable {
        return 0.6 * Saw(phase.Next(190 - 20 * t, rate), 6) * Envelope(t, 0.002, 0.07) * Edges(t, 0.3, 0.003);
    });
    Noise(track, 0.05, 0.3, 1500, Fixed(7000), 0.35, 81, [](double t) { return Hump(t, 0.3); });
    return track;
}

TTrack MagicSkill()
{
    TTrack track(cEffectRate, 0.7, false);
    // Sparkles at scattered high pitches over a soft swell.
    for (int i = 0; i < 6; ++i) Note(track, 0.07 * i, 0.7 - 0.07 * i, 1400 + 1800 * Unit(i, 0, 91), 0.25, 0.12, 2);
    Mix(track, 0, 0.7, [](double t, std::size_t) {
        return 0.2 * std::sin(cTau * 660 * t) * (0.5 + 0.5 * std::sin(cTau * 9 * t)) * Hump(t, 0.7);
    });
    return track;
}

TTrack ArmourSkill()
{
    TTrack track(cEffectRate, 0.4, false);
    // Plates clank dully together.
    Strike(track, 0, 0.4, {{310, 0.5, 0.09}, {537, 0.35, 0.07}, {881, 0.25, 0.05}, {1290, 0.12, 0.03}});
    Noise(track, 0, 0.1, 0, Fixed(900), 0.6, 101, [](double t) { return Envelope(t, 0.002, 0.03); });
    return track;
}

TTrack FireCard()
{
    TTrack track(cEffectRate, 0.8, false);
    // A rush of flame that swells, brightens and crackles.
    Noise(track, 0, 0.8, 0, [](double t) { return 400 + 2500 * t; }, 0.8, 111, [](double t) { return Hump(t, 0.8); });
    for (int i = 0; i < 9; ++i)
        Noise(track, 0.05 + 0.08 * i + 0.03 * Unit(i, 1, 113), 0.03, 2000, Fixed(9000), 0.4, 115 + i,
              [](double t) { return std::exp(-t / 0.004); });
    return track;
}

TTrack MendCard()
{
    TTrack track(cEffectRate, 0.9, false);
    // A warm swell under a rising chime.
    Pad(track, 0, 0.9, {Pitch(-12), Pitch(-8)}, 0.12, 0.3);
    const double notes[] = {12, 16, 19};
    for (std::size_t i = 0; i < std::size(notes); ++i) Note(track, 0.12 * i, 0.9 - 0.12 * i, Pitch(notes[i]), 0.35, 0.3);
    return track;
}

// ---- The music: loops whose length is a whole number of bars ----

TTrack MenuMusic()
{
    constexpr double beat = 0.5;
    TTrack track(cEffectRate, 16 * beat, false);
    // A minor, F, C and G, a bar each: a pad under plucked arpeggios, the root low at each half bar.
    const int chords[][3] = {{0, 3, 7}, {-4, 0, 3}, {3, 7, 10}, {-2, 2, 5}};
    const int arpeggio[] = {0, 1, 2, 1, 0, 2, 1, 2};
    for (int bar = 0; bar < 4; ++bar) {
        const int* chord = chords[bar];
        const double at = 4 * beat * bar;
        Pad(track, at, 4 * beat, {Pitch(chord[0] - 24), Pitch(chord[1] - 12), Pitch(chord[2] - 12)}, 0.05, 0.3);
        for (int half = 0; half < 2; ++half) Note(track, at + 2 * beat * half, 2 * beat, Pitch(chord[0] - 24), 0.5, 0.6);
        for (int step = 0; step < 8; ++step) {
            const int octave = step == 3 || step == 6 ? 12 : 0;
            Note(track, at + step * beat / 2, 1.5 * beat, Pitch(chord[arpeggio[step]] - 12 + octave), 0.3, 0.35);
        }
    }
    return track;
}

TTrack BattleMusic()
{
    constexpr double beat = 0.375;
    TTrack track(cMusicRate, 16 * beat, false);
    // E minor, driven: a running bass in eighths, hats over it, the kick on every beat and the snare on two and
    // four; a chord stabs each bar (E minor, C, D, B).
    const int bass[] = {0, 0, 3, 0, 5, 0, 7, 5};
    const int stabs[][3] = {{-5, -2, 2}, {-9, -5, -2}, {-7, -3, 0}, {-10, -6, -3}};
    for (int eighth = 0; eighth < 32; ++eighth) {
        const double at = eighth * beat / 2;
        Note(track, at, beat / 2, Pitch(-29 + bass[eighth % 8]), 0.5, 0.12, 4);
        Hat(track, at, eighth % 2 ? 0.15 : 0.25, 201 + eighth);
    }
    for (int b = 0; b < 16; ++b) {
        Kick(track, b * beat, 0.9);
        if (b % 2) Snare(track, b * beat, 0.7, 241 + b);
        if (b % 4 == 0)
            for (const int note : stabs[b / 4]) Note(track, b * beat, beat, Pitch(note), 0.25, 0.2, 4);
    }
    return track;
}

// A slow pentatonic tune over a drone; each wall set has a key and a tune of its own.
TTrack PeaceMusic(int32_t set)
{
    constexpr double beat = 0.6;
    TTrack track(cMusicRate, 12 * beat, false);
    const int tonic = -9 + (5 * set) % 12;
    const int scale[] = {0, 2, 4, 7, 9, 12};
    Pad(track, 0, 12 * beat, {Pitch(tonic - 12), Pitch(tonic - 5)}, 0.08, 0.6);
    for (int step = 0; step < 12; ++step) {
        if (Unit(step, set, 131) >= 0.8) continue;
        const int degree = static_cast<int>(Hash(step, set, 133) % std::size(scale));
        Note(track, step * beat, 2 * beat, Pitch(tonic + scale[degree]), 0.35, 0.5);
    }
    return track;
}

TTrack BossMusic()
{
    constexpr double beat = 0.5;
    TTrack track(cMusicRate, 12 * beat, false);
    // A low drone on D that beats slowly against its twin, heavy drums, and D against A flat at each bar of three.
    const double length = track.Seconds();
    Mix(track, 0, length, [=, a = TPhase{}, b = TPhase{}, rate = track.rate](double t, std::size_t) mutable {
        const double swell = 0.7 + 0.3 * std::sin(cTau * t / length * 3);
        return 0.2 * (Saw(a.Next(Pitch(-31), rate), 8) + Saw(b.Next(Pitch(-31) * 1.006, rate), 8)) * swell *
               Edges(t, length, 0.02);
    });
    for (int bar = 0; bar < 4; ++bar) {
        const double at = 3 * beat * bar;
        for (const double hit : {0.0, 1.5, 2.0}) Kick(track, at + hit * beat, 1.0);
        Note(track, at, 3 * beat, Pitch(-19), 0.4, 0.4, 5);
        Note(track, at, 3 * beat, Pitch(-13), 0.4, 0.4, 5);
    }
    return track;
}

// ---- Files ----

// The loudest sample at peak.
void Normalize(TTrack& track, double peak)
{
    double highest = 0;
    for (const std::vector<double>* channel : {&track.left, &track.right})
        for (const double value : *channel) highest = std::max(highest, std::abs(value));
    if (highest == 0) return;
    for (std::vector<double>* channel : {&track.left, &track.right})
        for (double& value : *channel) value *= peak / highest;
}

int16_t Sample16(double value)
{
    return static_cast<int16_t>(std::clamp(std::nearbyint(value * 32767), -32768.0, 32767.0));
}

uint8_t Sample8(double value)
{
    return static_cast<uint8_t>(std::clamp(128 + std::nearbyint(value * 127), 0.0, 255.0));
}

void PutLittleEndian(std::string& bytes, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A RIFF chunk: its id, its size, its payload and a pad byte when the size is odd.
std::string Chunk(const std::string& id, const std::string& payload)
{
    std::string chunk = id;
    PutLittleEndian(chunk, static_cast<uint32_t>(payload.size()), 4);
    chunk += payload;
    if (payload.size() % 2) chunk += '\0';
    return chunk;
}

// A PCM WAV file of 8 or 16 bits; with a title, a "LIST" chunk of "INFO" with its name and maker stands between
// the format and the data.
std::string WavFile(const TTrack& track, int32_t bits, const std::string& title)
{
    const uint32_t channels = track.right.empty() ? 1 : 2;
    const uint32_t frameBytes = channels * static_cast<uint32_t>(bits) / 8;
    std::string format;
    PutLittleEndian(format, 1, 2); // PCM
    PutLittleEndian(format, channels, 2);
    PutLittleEndian(format, static_cast<uint32_t>(track.rate), 4);
    PutLittleEndian(format, static_cast<uint32_t>(track.rate) * frameBytes, 4);
    PutLittleEndian(format, frameBytes, 2);
    PutLittleEndian(format, static_cast<uint32_t>(bits), 2);
    // Sized once: the samples are many, and each append would check and grow the string.
    std::string data(track.left.size() * frameBytes, '\0');
    char* at = data.data();
    for (std::size_t n = 0; n < track.left.size(); ++n) {
        for (uint32_t channel = 0; channel < channels; ++channel) {
            const double value = channel ? track.right[n] : track.left[n];
            if (bits == 8) {
                *at++ = static_cast<char>(Sample8(value));
                continue;
            }
            const auto sample = static_cast<uint16_t>(Sample16(value));
            *at++ = static_cast<char>(sample & 0xFF);
            *at++ = static_cast<char>(sample >> 8);
        }
    }
    std::string body = "WAVE" + Chunk("fmt ", format);
    if (!title.empty())
        body += Chunk("LIST", "INFO" + Chunk("INAM", title + '\0') + Chunk("ISFT", std::string("demogen") + '\0'));
    body += Chunk("data", data);
    std::string file = "RIFF";
    PutLittleEndian(file, static_cast<uint32_t>(body.size()), 4);
    return file + body;
}

// A mono track as a constant-rate MP3 of 32 kbit/s with no tag, so the same samples give the same bytes.
std::string Mp3File(const TTrack& track)
{
    std::vector<short> pcm;
    for (const double value : track.left) pcm.push_back(Sample16(value));
    const std::unique_ptr<lame_global_flags, decltype(&lame_close)> lame(lame_init(), lame_close);
    if (!lame) throw EDemoSource("the MP3 encoder cannot start");
    lame_global_flags* flags = lame.get();
    lame_set_num_channels(flags, 1);
    lame_set_mode(flags, MONO);
    lame_set_in_samplerate(flags, track.rate);
    lame_set_out_samplerate(flags, track.rate);
    lame_set_VBR(flags, vbr_off);
    lame_set_brate(flags, 32);
    lame_set_quality(flags, 5);
    lame_set_bWriteVbrTag(flags, 0);
    lame_set_write_id3tag_automatic(flags, 0);
    if (lame_init_params(flags) < 0) throw EDemoSource("the MP3 encoder refuses its settings");
    // The encoder's own bound for its output: 1.25 times the samples and 7200 bytes.
    std::vector<unsigned char> bytes(pcm.size() * 5 / 4 + 7200);
    const int encoded = lame_encode_buffer(flags, pcm.data(), pcm.data(), static_cast<int>(pcm.size()), bytes.data(),
                                           static_cast<int>(bytes.size()));
    if (encoded < 0) throw EDemoSource("the MP3 encoder failed (" + std::to_string(encoded) + ")");
    const int flushed = lame_encode_flush(flags, bytes.data() + encoded, static_cast<int>(bytes.size()) - encoded);
    if (flushed < 0) throw EDemoSource("the MP3 encoder failed to finish (" + std::to_string(flushed) + ")");
    return std::string(reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(encoded + flushed));
}

// How a sound is made and stored: 8 or 16 bits, or 0 for an MP3; the "LIST" chunk's title, empty for none.
struct TSound {
    const char* name;
    TTrack (*make)();
    double peak = 0.9;
    int32_t bits = 16;
    const char* title = "";
};

// The effects the game plays by name.
const TSound cEffects[] = {
    {"snd_footsteps", Footsteps},
    {"snd_door", DoorOpens},
    {"snd_locked", Locked},
    {"snd_chest", ChestOpens, 0.9, 16, "Chest"},
    {"snd_port", Portal},
    {"snd_levelup", LevelUp},
    {"snd_btn", Button, 0.6, 8},
    {"snd_btnovr", ButtonHover, 0.35},
    {"skl_sword", SwordSkill},
    {"skl_bow", BowSkill},
    {"skl_magic", MagicSkill},
    {"skl_armour", ArmourSkill},
};

// The sounds cards may name.
const TSound cCardSounds[] = {
    {"crd_fire", FireCard},
    {"crd_mend", MendCard},
};

const TSound cMusic[] = {
    {"menu", MenuMusic, 0.7, 0},
    {"battle", BattleMusic, 0.7},
};

// Writes the sound under folder as its name with ".wav" or ".mp3", and names it in the list.
void WriteSound(const TSound& sound, const std::string& name, TTrack track, const std::string& folder,
                TLineBuffer& list, TDemoOutput& output)
{
    Normalize(track, sound.peak);
    const std::string path = "sounds/" + folder + "/" + name;
    if (sound.bits == 0) output.Publish(path + ".mp3", Mp3File(track));
    else output.Publish(path + ".wav", WavFile(track, sound.bits, sound.title));
    list.WriteTextLine(name);
}

} // namespace

void WriteSounds(const TDemoContent& content, const std::set<int32_t>& wallSets, TDemoOutput& output)
{
    TLineBuffer effects;
    for (const TSound& sound : cEffects) WriteSound(sound, sound.name, sound.make(), "audio", effects, output);
    std::set<std::string> cardSounds;
    for (std::size_t id = 0; id < content.cards.size(); ++id) {
        const std::string& name = content.cards[id].record.sound;
        if (name == "0" || !cardSounds.insert(name).second) continue;
        const auto sound = std::find_if(std::begin(cCardSounds), std::end(cCardSounds),
                                        [&](const TSound& made) { return made.name == name; });
        if (sound == std::end(cCardSounds))
            throw EDemoSource("card " + std::to_string(id) + " names the sound \"" + name +
                              "\", which the generator does not make");
        WriteSound(*sound, name, sound->make(), "audio", effects, output);
    }
    output.Publish("sounds/audio/soundlist.txt", effects.Text());

    TLineBuffer music;
    for (const TSound& track : cMusic) WriteSound(track, track.name, track.make(), "music", music, output);
    const TSound peace{"peace", nullptr, 0.7};
    for (const int32_t set : wallSets)
        WriteSound(peace, "peace" + std::to_string(set), PeaceMusic(set), "music", music, output);
    // A boss's own track is named after the boss as its file names it.
    const TSound boss{"boss", BossMusic, 0.8};
    for (const TDemoEntry<character>& monster : content.monsters)
        if (monster.record.boss) WriteSound(boss, monster.record.name, BossMusic(), "music", music, output);
    output.Publish("sounds/music/musiclist.txt", music.Text());
}
