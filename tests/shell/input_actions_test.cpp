// The controller action values: buffered items into state blocks, the merge of all devices and
// FindActiveControl. Real devices are driven through SDL's virtual joysticks in tests/platform.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "shell/input_system.h"

namespace {

// A state block with a guard behind it, so a write past its end shows.
struct Block {
    float v[ACTION_VALUE_COUNT + 4] = {};
    Block() {
        for (int i = 0; i < 4; ++i) v[ACTION_VALUE_COUNT + i] = 7.0f;
    }
    std::vector<int> NonZero() const {
        std::vector<int> out;
        for (int i = 0; i < ACTION_VALUE_COUNT + 4; ++i) {
            if (v[i] != 0.0f && !(i >= ACTION_VALUE_COUNT && v[i] == 7.0f)) out.push_back(i);
        }
        return out;
    }
};

class InputActionsTest : public ::testing::Test {
protected:
    void SetUp() override { g_Input.Release(); }
    void TearDown() override { g_Input.Release(); }
    static void Merge(std::vector<const Block*> blocks) {
        std::vector<const float*> p;
        for (const Block* b : blocks) p.push_back(b->v);
        MergeActionValues(g_Input.actionValues, p.data(), int(p.size()), &g_Input.hatDirections);
    }
};

TEST_F(InputActionsTest, ItemsLandAtTheirApplicationValuesIndex) {
    const struct {
        uint32_t value;
        int32_t data;
        std::vector<int> set;
        float stored;
    } cases[] = {
        {1, -100, {0}, -1.0f}, {19, 30, {20}, 0.3f}, {24, 31500, {25, 137}, 31500.0f}, {64, 0x80, {65}, 1.0f},
        {40, 0x7F, {}, 0.0f},
        // Unknown application values change nothing.
        {0, 0x80, {}, 0.0f}, {65, 0x80, {}, 0.0f}, {0xFFFFFFFFu, 0x80, {}, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Block b;
        ApplyDeviceItem(b.v, c.value, c.data);
        EXPECT_EQ(b.NonZero(), c.set);
        if (!c.set.empty()) {
            EXPECT_FLOAT_EQ(b.v[c.set[0]], c.stored);
        }
    }
}

TEST_F(InputActionsTest, AHatKeepsOnlyItsCurrentDirection) {
    const int up = ACTION_FIRST_HAT_DIRECTION, hat4 = ACTION_FIRST_HAT_DIRECTION + 24;
    Block b;
    ApplyDeviceItem(b.v, 21, 0);
    EXPECT_EQ(b.NonZero(), (std::vector<int>{up}));
    ApplyDeviceItem(b.v, 21, 9000);   // right without passing the centre
    EXPECT_EQ(b.NonZero(), (std::vector<int>{22, up + 2}));
    ApplyDeviceItem(b.v, 21, -1);
    EXPECT_EQ(b.NonZero(), (std::vector<int>{22}));
    EXPECT_FLOAT_EQ(b.v[22], -1.0f);
    // Values between the eight directions, or beyond them, set none.
    for (int32_t odd : {4501, 36000, -4500, 100}) {
        ApplyDeviceItem(b.v, 24, 13500);
        ApplyDeviceItem(b.v, 24, odd);
        for (int d = 0; d < 8; ++d) EXPECT_FLOAT_EQ(b.v[hat4 + d], 0.0f) << odd;
    }
}

TEST_F(InputActionsTest, MergeTakesTheStrongerAxisAndOrsButtonsAndHats) {
    Merge({});
    EXPECT_EQ(g_Input.actionValues[22], -1.0f);
    EXPECT_EQ(g_Input.actionValues[25], -1.0f);
    EXPECT_EQ(g_Input.FindActiveControl(), -1);

    Block a, b, c;
    a.v[0] = 0.4f;
    b.v[0] = -0.7f;      // stronger and opposite: only its half is flagged
    a.v[2] = -0.9f;
    b.v[2] = 0.5f;
    a.v[4] = 0.02f;      // at the flag threshold
    b.v[5] = -0.021f;
    a.v[26] = 1.0f;
    b.v[65] = 1.0f;
    a.v[106] = 1.0f;     // hat 1 up
    b.v[121] = 1.0f;     // hat 2 down-left
    a.v[22] = 0.0f;
    b.v[22] = 9000.0f;   // the last device's hat value wins...
    c.v[22] = -1.0f;     // ...unless it is centred
    c.v[20] = 0.01f;     // slot 20 at rest shares its flags with hat 1's first four
    Merge({&a, &b, &c});
    const float* m = g_Input.actionValues;
    EXPECT_FLOAT_EQ(m[0], -0.7f);
    EXPECT_EQ(m[66] - m[67], 1.0f);
    EXPECT_FLOAT_EQ(m[2], -0.9f);
    EXPECT_EQ(m[70] - m[71], 1.0f);
    EXPECT_EQ(m[74] + m[75], 0.0f);
    EXPECT_EQ(m[76], 1.0f);
    EXPECT_EQ(m[26] + m[65], 2.0f);
    EXPECT_EQ(m[27], 0.0f);
    EXPECT_EQ(m[106] + m[121], 2.0f);
    EXPECT_EQ(m[22], 9000.0f);
}

TEST_F(InputActionsTest, FindActiveControlReportsHalfAxesButtonsAndHatDirections) {
    const struct {
        std::vector<std::pair<int, float>> values;
        int found;
    } cases[] = {
        {{{0, -1.0f}}, 66}, {{{0, 1.0f}}, 67}, {{{21, -0.6f}}, 108},
        {{{0, 0.3f}}, -1},                 // moved and flagged, but under the threshold
        {{{22, 9000.0f}}, -1},             // a raw hat value alone
        {{{26, 1.0f}}, 26}, {{{130, 1.0f}}, 130},
        {{{5, 0.9f}, {40, 1.0f}, {106, 1.0f}, {1, 0.2f}}, 77},   // lowest index first
        {{{40, 1.0f}, {106, 1.0f}}, 40},
    };
    for (const auto& c : cases) {
        Block b;
        for (int p = 22; p < 26; ++p) b.v[p] = -1.0f;
        for (const auto& [index, value] : c.values) b.v[index] = value;
        Merge({&b});
        EXPECT_EQ(g_Input.FindActiveControl(), c.found) << c.values[0].first;
    }
}

}  // namespace
