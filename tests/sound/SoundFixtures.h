// Sounds the sound tests and benchmarks make for themselves: tones, RIFF/WAVE byte images built chunk by
// chunk, and MP3 files encoded from a tone.
#pragma once

#include "Bytes.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

// Interleaved 16-bit samples of a sine tone at a quarter of full scale, the same on every channel.
inline std::vector<int16_t> SineTone(double hz, int rate, int channels, double seconds)
{
    const auto frames = static_cast<size_t>(rate * seconds);
    std::vector<int16_t> samples(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<int16_t>(8192.0 * std::sin(2.0 * std::numbers::pi * hz * i / rate));
        for (int c = 0; c < channels; ++c) samples[i * channels + c] = value;
    }
    return samples;
}

inline Bytes LE16(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}

inline Bytes LE32(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

// A chunk: id, size, body and the pad byte after an odd body (unless pad is false).
inline Bytes Chunk(const std::string& id, const Bytes& body, bool pad = true)
{
    Bytes chunk = ToBytes(id) + LE32(static_cast<uint32_t>(body.size())) + body;
    if (pad && body.size() % 2) chunk.push_back(0);
    return chunk;
}

// A 16-byte "fmt " body.
inline Bytes FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
{
    const uint16_t align = static_cast<uint16_t>(channels * (bits / 8));
    return Concat({LE16(tag), LE16(channels), LE32(rate), LE32(rate * align), LE16(align), LE16(bits)});
}

// "RIFF", the size of what follows (or riffSize when given), "WAVE" and the chunks.
inline Bytes Riff(const Bytes& chunks, int64_t riffSize = -1)
{
    const auto size = static_cast<uint32_t>(riffSize >= 0 ? riffSize : int64_t(chunks.size() + 4));
    return ToBytes("RIFF") + LE32(size) + ToBytes("WAVE") + chunks;
}

// A plain PCM WAV file of the samples.
inline Bytes MakeWav(const std::vector<int16_t>& samples, int rate, int channels)
{
    Bytes data(samples.size() * 2);
    std::memcpy(data.data(), samples.data(), data.size());
    return Riff(Chunk("fmt ", FmtBody(1, channels, rate, 16)) + Chunk("data", data));
}

// An MP3 file of the interleaved samples, with the encoder's information frame first so that a decoder can
// drop the encoder's delay and padding (the frame needs 64 kbit/s or more to hold it).
inline Bytes EncodeMp3(const std::vector<int16_t>& samples, int rate, int channels, int kbps = 64)
{
    lame_t encoder = lame_init();
    lame_set_in_samplerate(encoder, rate);
    lame_set_out_samplerate(encoder, rate);
    lame_set_num_channels(encoder, channels);
    lame_set_mode(encoder, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(encoder, kbps);
    lame_set_quality(encoder, 7);
    lame_set_bWriteVbrTag(encoder, 1);
    lame_init_params(encoder);
    const int frames = static_cast<int>(samples.size() / channels);
    Bytes out(static_cast<size_t>(frames * 1.25 + 7200 + 16384));
    int size = channels == 1
                   ? lame_encode_buffer(encoder, samples.data(), samples.data(), frames, out.data(),
                                        static_cast<int>(out.size()))
                   : lame_encode_buffer_interleaved(encoder, const_cast<short*>(samples.data()), frames,
                                                    out.data(), static_cast<int>(out.size()));
    size += lame_encode_flush(encoder, out.data() + size, static_cast<int>(out.size()) - size);
    out.resize(static_cast<size_t>(size));
    uint8_t tag[2880];
    const size_t tagSize = lame_get_lametag_frame(encoder, tag, sizeof tag);
    if (tagSize <= out.size()) std::memcpy(out.data(), tag, tagSize);
    lame_close(encoder);
    return out;
}
