#include "RandomGenerator.h"

#include <chrono>

namespace {

uint32_t vSeed = 0;

uint32_t NextSeed()
{
    vSeed = vSeed * 134775813u + 1u;
    return vSeed;
}

} // namespace

uint32_t RandSeed() { return vSeed; }

void SetRandSeed(uint32_t Value) { vSeed = Value; }

void Randomize()
{
    vSeed = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

double Random() { return NextSeed() * (1.0 / 4294967296.0); }

int32_t Random(int32_t n)
{
    const uint32_t seed = NextSeed();
    if (n <= 0) return 0;
    return static_cast<int32_t>((static_cast<uint64_t>(static_cast<uint32_t>(n)) * seed) >> 32);
}
