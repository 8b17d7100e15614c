// A wave output device for the tests: it notes every voice it opens and plays nothing; a test finishes a voice
// as the device's thread would, or makes the device refuse voices.
#pragma once

#include "WaveOut.h"

#include <vector>

struct TFakeWaveOut : TWaveOutDevice {
    struct Voice : TWaveOutVoice {
        Voice(TFakeWaveOut& device, const TWaveOutFormat& format, int32_t length, uint32_t loops)
            : device(device), format(format), length(length), loops(loops)
        {
            device.open.push_back(this);
        }
        ~Voice() override { std::erase(device.open, this); }
        void Finish() { MarkDone(); }

        TFakeWaveOut& device;
        TWaveOutFormat format;
        int32_t length;
        uint32_t loops;
    };

    std::unique_ptr<TWaveOutVoice> OpenVoice(const TWaveOutFormat& format, const void* /*data*/, int32_t length,
                                             uint32_t loops) override
    {
        if (refuse) return nullptr;
        return std::make_unique<Voice>(*this, format, length, loops);
    }

    bool refuse = false;
    std::vector<Voice*> open; // the voices not yet freed, in order of opening
};
