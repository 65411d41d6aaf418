#include <gtest/gtest.h>

#include <algorithm>

#include "common/random.h"

namespace {

TEST(Random, FirstValuesOfSeedOne) {
    // state' = state * 214013 + 2531011 (mod 2^32), result = (state' >> 16) & 0x7FFF:
    //   1          -> 2745024              >> 16 = 41
    //   2745024    -> 587473352323    mod 2^32 = 3357800067 >> 16 = 51235 & 0x7FFF = 18467
    //   3357800067 -> 718612868269882 mod 2^32 = 415139642  >> 16 = 6334
    //   415139642  -> 88845282734357  mod 2^32 = 3884216597 >> 16 = 59268 & 0x7FFF = 26500
    SeedRandom(1);
    EXPECT_EQ(Random(), 41);
    EXPECT_EQ(Random(), 18467);
    EXPECT_EQ(Random(), 6334);
    EXPECT_EQ(Random(), 26500);
    // 0 * 214013 + 2531011 = 2531011, >> 16 = 38.
    SeedRandom(0);
    EXPECT_EQ(Random(), 38);
}

TEST(Random, StaysWithinFifteenBitsAndCoversTheRange) {
    SeedRandom(7);
    int lowest = RANDOM_MAX, highest = 0;
    for (int i = 0; i < 200000; ++i) {
        int r = Random();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, RANDOM_MAX);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_EQ(RANDOM_MAX, 32767);
    EXPECT_LT(lowest, 10);
    EXPECT_GT(highest, RANDOM_MAX - 10);
}

}  // namespace
