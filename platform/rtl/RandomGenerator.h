// Runtime library: the program's one random sequence, a linear congruential generator shared by everything
// that draws random numbers (seed := seed x 134775813 + 1, modulo 2^32). Main thread only.
#pragma once

#include <cstdint>

// The seed starts at 0; start-up seeds it from the clock, tests set it to repeat a sequence.
uint32_t RandSeed();
void SetRandSeed(uint32_t Value);
void Randomize();

// Uniform in [0, 1): the next seed scaled by 2^-32.
double Random();
// Uniform in 0 .. n - 1: the upper 32 bits of n times the next seed; 0 when n <= 0 (a seed step is still taken).
int32_t Random(int32_t n);
