#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "common/random.h"
#include "effects/random_range.h"

namespace {

TEST(RandomInRange, HandWorkedDraws) {
    struct Case {
        const char* name;
        float lo, hi;
        uint32_t steps;
        float expected;
    } cases[] = {
        // span 10: 41 % 11 = 8 -> 8 / 10
        {"small span", 0.0f, 1.0f, 10, 0.8f},
        // shifted by 1 to [0, 2]: span 2000, 41 % 2001 = 41 -> 41/1000 - 1
        {"negative lo", -1.0f, 1.0f, 1000, -0.959f},
        // span 100000 in pieces 32767, 32767, 32767, 1699:
        // 41 + 18467 + 6334 + 26500 % 1700 (= 1000) = 25842 -> 25.842
        {"pieces", 0.0f, 100.0f, 1000, 25.842f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SeedRandom(1);
        EXPECT_NEAR(RandomInRange(c.lo, c.hi, c.steps), c.expected, 1e-5f);
    }
}

TEST(RandomInRange, SpanBelowOneStepGivesItsLowGridPointWithoutDrawing) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float lo, hi;
        uint32_t steps;
        float expected;
    } cases[] = {
        {0.5f, 0.55f, 10, 0.5f},
        {0.15f, 0.16f, 10, 0.1f},     // 1.5 and 1.6 truncate to 1: the grid point below lo
        {2.0f, 1.0f, 10, 2.0f},       // reversed
        {-0.55f, -0.5f, 10, -0.55f},  // shifted to start at 0, then back
        // No grid, or no finite span: lo.
        {1.0f, 5.0f, 0, 1.0f},
        {0.0f, inf, 10, 0.0f},
        {-2.0f, nan, 10, -2.0f},
        {-inf, 1.0f, 10, -inf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi << " / " << c.steps);
        SeedRandom(1);
        EXPECT_FLOAT_EQ(RandomInRange(c.lo, c.hi, c.steps), c.expected);
        EXPECT_EQ(Random(), 41);  // nothing was drawn: still the first value after seed 1
    }
}

TEST(RandomInRange, TruncatesStepsTimesBounds) {
    // 0.15 x 10 truncates to 1, so the lowest value is 0.1, one step under lo;
    // 0.7f x 10 is 7 in f32 arithmetic, so 0.7 itself is reachable.
    SeedRandom(3);
    std::set<int> tenths;
    for (int i = 0; i < 2000; ++i) tenths.insert(static_cast<int>(std::lround(RandomInRange(0.15f, 0.7f, 10) * 10)));
    EXPECT_EQ(tenths, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(RandomInRange, HugeSpansStayInRangeWithoutOverflow) {
    struct Case {
        float lo, hi;
        uint32_t steps;
    } cases[] = {
        {0.0f, 1e9f, 1000},                    // 10^12 steps: beyond 32 bits
        {0.0f, 3e38f, UINT32_MAX},             // product past the f32 range
        {-FLT_MAX, FLT_MAX, UINT32_MAX},       // shifted hi past the f32 range
    };
    SeedRandom(11);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi);
        for (int i = 0; i < 20; ++i) {
            float v = RandomInRange(c.lo, c.hi, c.steps);
            ASSERT_TRUE(std::isfinite(v));
            ASSERT_GE(v, c.lo);
            ASSERT_LE(v, c.hi);
        }
    }
}

}  // namespace
