// The program's one random generator: 15-bit results, one global state.
#pragma once

#include <cstdint>

constexpr int RANDOM_MAX = 32767;

// Also how tests put the generator back to a known state.
void SeedRandom(uint32_t seed);
// 0..RANDOM_MAX.
int Random();
