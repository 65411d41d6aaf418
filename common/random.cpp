#include "common/random.h"

namespace {
// Seed 1 until start-up seeds it, so an unseeded run is still reproducible.
uint32_t g_RandomState = 1;
}  // namespace

void SeedRandom(uint32_t seed) { g_RandomState = seed; }

int Random() {
    // Unsigned arithmetic: the wrap-around modulo 2^32 is the generator.
    g_RandomState = g_RandomState * 214013u + 2531011u;
    return static_cast<int>((g_RandomState >> 16) & 0x7FFFu);
}
