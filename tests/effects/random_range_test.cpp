#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "common/random.h"
#include "effects/random_range.h"

namespace {

// The first draws after SeedRandom(1), worked out by hand from
// state' = state * 214013 + 2531011, result = (state' >> 16) & 0x7FFF.
constexpr int kSeed1Draws[] = {41, 18467, 6334, 26500, 19169};

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
        // a = 20, b = 50: 41 % 31 = 10 -> (10 + 20) / 10
        {"positive lo", 2.0f, 5.0f, 10, 3.0f},
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

TEST(RandomInRange, SpanBelowOneStepGivesLo) {
    struct Case {
        float lo, hi;
        uint32_t steps;
    } cases[] = {
        {0.5f, 0.55f, 10}, {2.0f, 1.0f, 10},  // reversed
        {1.0f, 5.0f, 0},                      // no steps
    };
    for (const Case& c : cases) {
        SeedRandom(1);
        EXPECT_EQ(RandomInRange(c.lo, c.hi, c.steps), c.lo);
        // Nothing was drawn.
        EXPECT_EQ(Random(), kSeed1Draws[0]);
    }
}

void ExpectInRangeOnGrid(float lo, float hi, uint32_t steps, float gridOrigin, int draws) {
    SCOPED_TRACE(testing::Message() << lo << ".." << hi << " / " << steps);
    for (int i = 0; i < draws; ++i) {
        float v = RandomInRange(lo, hi, steps);
        ASSERT_GE(v, lo);
        ASSERT_LE(v, hi);
        double k = (static_cast<double>(v) - gridOrigin) * steps;
        ASSERT_NEAR(k, std::round(k), 1e-3 * std::max(1.0, std::fabs(k) * 1e-3)) << v;
    }
}

TEST(RandomInRange, StaysInRangeOnTheGrid) {
    SeedRandom(99);
    ExpectInRangeOnGrid(-1.0f, 1.0f, 1000, 0.0f, 2000);    // camera shake direction
    ExpectInRangeOnGrid(-50.0f, 50.0f, 1000, 0.0f, 500);   // shifted and several pieces
    ExpectInRangeOnGrid(-0.25f, 1.0f, 10, -0.25f, 500);    // grid counted from lo
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

TEST(RandomInRange, NonFiniteInputsGiveLo) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(RandomInRange(0.0f, inf, 10), 0.0f);
    EXPECT_EQ(RandomInRange(-2.0f, nan, 10), -2.0f);
    EXPECT_EQ(RandomInRange(-inf, 1.0f, 10), -inf);
}

}  // namespace
