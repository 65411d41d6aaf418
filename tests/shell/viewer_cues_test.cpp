// The character viewer's animation sound cues: which frames of which animation sound what, the
// "else" chains, later rows overwriting earlier ones, the side-1 voices, the random ranges and
// cue C, all through a stand-in model that says which frames its last advance crossed.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/random.h"
#include "scene/character_model.h"
#include "shell/control.h"
#include "core/settings.h"
#include "shell/viewer.h"
#include "viewer_fake.h"

using viewertest::Fake;

namespace {

constexpr int kNone = CUE_NONE;

class ViewerCuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Fake() = viewertest::FakeViewer();
        g_ViewerCalls = viewertest::FakeCalls();
        g_Settings.Clear();
        g_Settings.mode = 1;
        g_Control = Control();
        g_Control.viewerModel = &model;
        SeedRandom(1);
    }
    void TearDown() override {
        ResetViewerCalls();
        g_Settings.Clear();
        g_Control = Control();
    }

    // Bone 0 plays `animation` and its last advance crossed `frames`.
    void Playing(int animation, std::initializer_list<float> frames) {
        Fake() = viewertest::FakeViewer();
        Fake().animation[0] = animation;
        for (float f : frames) Fake().crossed.insert({0, f});
    }

    CharacterModel model;
};

struct FixedCase {
    int animation;
    int side;
    std::vector<float> crossed;
    int a;
    int b;
};

// Rows with fixed sounds, a sample of the table's shapes.
TEST_F(ViewerCuesTest, FixedRowsSoundAtTheirFramesAndLaterRowsOverwriteEarlierOnes) {
    const FixedCase cases[] = {
        {4, 0, {12}, 102, kNone},
        {4, 0, {12, 57}, 103, kNone},   // one advance over both: the later row wins
        {4, 0, {13}, kNone, kNone},
        {9, 0, {52, 82}, 104, kNone},
        {12, 0, {64, 104, 108}, 115, 113},
        {30, 0, {23}, kNone, 50},
        {59, 0, {0, 16}, 40, 56},
        {69, 0, {7, 10, 0}, 41, 56},
        {110, 0, {18, 60}, 133, kNone},
        {152, 0, {27}, 42, kNone},
        // Side 1 hears its own voices but the same effects.
        {30, 1, {23, 52}, 80, 60},
        {59, 1, {0}, kNone, 66},
        {12, 1, {104}, kNone, 113},
    };
    for (const FixedCase& c : cases) {
        SCOPED_TRACE("animation " + std::to_string(c.animation) + " side " + std::to_string(c.side));
        Playing(c.animation, {});
        for (float f : c.crossed) Fake().crossed.insert({0, f});
        g_Settings.localSide = c.side;
        g_Control.PlayViewerAnimationSounds();
        std::vector<int> expected;
        if (c.a != kNone) expected.push_back(c.a);
        if (c.b != kNone) expected.push_back(c.b);
        EXPECT_EQ(Fake().FxIds(), expected);
        for (const auto& call : Fake().fx) EXPECT_TRUE(call.hasPosition && call.position.x == 0.0f && call.flags == 0u);
    }
}

TEST_F(ViewerCuesTest, AnimationsWithoutRowsPlayNothingWhateverTheyCrossed) {
    for (int animation : {-1, 0, 43, 153, 999}) {
        SCOPED_TRACE(animation);
        Fake() = viewertest::FakeViewer();
        Fake().animation[0] = animation;
        for (int f = 0; f <= 150; ++f) Fake().crossed.insert({0, float(f)});
        g_Control.PlayViewerAnimationSounds();
        EXPECT_TRUE(Fake().fx.empty());
    }
}

// A row marked "else" is tested only when no row of its chain fired before it.
TEST_F(ViewerCuesTest, ElseRowsAreSkippedOnceTheirChainHasFired) {
    struct Case {
        int animation;
        std::vector<float> crossed;
        std::vector<float> tested;
        int sounds;
    } cases[] = {
        {6, {}, {20, 30, 40, 50, 60}, 0},
        {6, {40}, {20, 30, 40}, 1},
        {6, {20, 40, 60}, {20}, 1},
        // The else row after a row that did not fire is tested.
        {9, {52, 86}, {52, 82, 86}, 1},
        {9, {52, 82}, {52, 82}, 1},
        // Thirteen rows in one chain, then a row of its own.
        {10, {20, 115}, {20, 115}, 1},
        {10, {68}, {20, 34, 44, 50, 57, 62, 68, 115}, 1},
        {109, {24, 53}, {24}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("animation " + std::to_string(c.animation));
        Fake() = viewertest::FakeViewer();
        Fake().animation[0] = c.animation;
        for (float f : c.crossed) Fake().crossed.insert({0, f});
        g_Control.PlayViewerAnimationSounds();
        EXPECT_EQ(Fake().Bone0Frames(), c.tested);
        EXPECT_EQ(int(Fake().fx.size()), c.sounds);
    }
    // The chain's sound and the row after it are told apart in animation 10.
    Playing(10, {20});
    g_Control.PlayViewerAnimationSounds();
    EXPECT_EQ(Fake().FxIds(), std::vector<int>{95});
    Playing(10, {98, 115});
    g_Control.PlayViewerAnimationSounds();
    ASSERT_EQ(Fake().fx.size(), 1u);
    EXPECT_GE(Fake().fx[0].id, 70);
    EXPECT_LE(Fake().fx[0].id, 79);
}

TEST_F(ViewerCuesTest, WalkingRowsDependOnTheLocalSide) {
    for (int animation : {2, 3}) {
        SCOPED_TRACE(animation);
        g_Settings.localSide = 0;
        Playing(animation, {8, 12, 15, 23});
        g_Control.PlayViewerAnimationSounds();
        EXPECT_EQ(Fake().Bone0Frames(), (std::vector<float>{8, 15}));
        ASSERT_EQ(Fake().fx.size(), 2u);

        Playing(animation, {12, 23});
        g_Control.PlayViewerAnimationSounds();
        EXPECT_TRUE(Fake().fx.empty()) << "side 1's frames do not sound for side 0";

        g_Settings.localSide = 1;
        Playing(animation, {8, 12, 15, 23});
        g_Control.PlayViewerAnimationSounds();
        EXPECT_EQ(Fake().Bone0Frames(), (std::vector<float>{12, 23}));
        ASSERT_EQ(Fake().fx.size(), 2u);
        for (const auto& call : Fake().fx) {
            // Footsteps lie outside the voices and keep their numbers on side 1.
            EXPECT_GE(call.id, 70);
            EXPECT_LE(call.id, 79);
        }
    }
}

// Over many seeds each random cue stays in its range and reaches every number of it.
TEST_F(ViewerCuesTest, RandomCuesCoverTheirWholeRange) {
    struct Case {
        int animation;
        float frame;
        int side;
        bool voice;     // the random sound is cue B
        int lo, hi;
        int fixedA;     // the A sound that comes with it, or none
    } cases[] = {
        {6, 20, 0, false, 70, 79, kNone}, {42, 0, 0, false, 82, 84, kNone}, {50, 0, 1, true, 60, 63, kNone},
        {52, 10, 0, true, 50, 53, 41},    {53, 14, 1, true, 64, 65, 42},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("animation " + std::to_string(c.animation) + " side " + std::to_string(c.side));
        g_Settings.localSide = c.side;
        std::set<int> seen;
        for (uint32_t seed = 1; seed <= 300; ++seed) {
            SeedRandom(seed);
            Playing(c.animation, {c.frame});
            g_Control.PlayViewerAnimationSounds();
            std::vector<int> ids = Fake().FxIds();
            ASSERT_EQ(ids.size(), c.fixedA != kNone ? 2u : 1u);
            if (c.fixedA != kNone) {
                EXPECT_EQ(ids[0], c.fixedA);
            }
            int id = ids.back();
            ASSERT_GE(id, c.lo);
            ASSERT_LE(id, c.hi);
            seen.insert(id);
        }
        EXPECT_EQ(int(seen.size()), c.hi - c.lo + 1);
    }
}

TEST_F(ViewerCuesTest, CueCSoundsWhenBone112CrossesFrameFiveOfAnimation43AndPlaysLast) {
    // Alone.
    Fake().animation[0] = 1;
    Fake().animation[112] = 43;
    Fake().crossed.insert({112, 5.0f});
    g_Control.PlayViewerAnimationSounds();
    EXPECT_EQ(Fake().FxIds(), std::vector<int>{95});

    // After A and B, and not moved to side 1's voices.
    g_Settings.localSide = 1;
    SeedRandom(7);
    Playing(52, {10});
    Fake().animation[112] = 43;
    Fake().crossed.insert({112, 5.0f});
    g_Control.PlayViewerAnimationSounds();
    std::vector<int> ids = Fake().FxIds();
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], 41);
    EXPECT_GE(ids[1], 60);
    EXPECT_LE(ids[1], 63);
    EXPECT_EQ(ids[2], 95);

    // Another animation on bone 112, or the frame not crossed: nothing.
    for (auto [animation, frame] : {std::pair{42, 5.0f}, std::pair{43, 6.0f}}) {
        Playing(1, {});
        Fake().animation[112] = animation;
        Fake().crossed.insert({112, frame});
        g_Control.PlayViewerAnimationSounds();
        EXPECT_TRUE(Fake().fx.empty()) << animation;
    }
}

TEST_F(ViewerCuesTest, BackwardsPlayStillSoundsTheCuesItCrosses) {
    g_Control.viewerRate = 0.5f;
    g_Control.ViewerSlower();
    g_Control.ViewerSlower();
    EXPECT_FLOAT_EQ(g_Control.viewerRate, -0.5f);
    ASSERT_EQ(Fake().speeds, (std::vector<float>{0.0f, -0.5f}));
    // The model reports the crossing of frame 57 while its time runs down.
    Playing(4, {57});
    g_Control.PlayViewerAnimationSounds();
    EXPECT_EQ(Fake().FxIds(), std::vector<int>{103});
}

TEST_F(ViewerCuesTest, NothingIsAskedWithoutAViewedModel) {
    g_Control.viewerModel = nullptr;
    Fake().animation[0] = 4;
    Fake().crossed.insert({0, 12.0f});
    g_Control.PlayViewerAnimationSounds();
    EXPECT_TRUE(Fake().queried.empty());
    EXPECT_TRUE(Fake().fx.empty());
}

// The table as data: each animation once, in 2..156, every row sounding, no chain starting
// with "else", and only the four random ranges.
TEST_F(ViewerCuesTest, CueTableIsWellFormed) {
    const std::set<std::pair<int, int>> ranges = {{70, 79}, {82, 84}, {50, 53}, {54, 55}};
    std::set<int> animations;
    for (const CueSet& set : ViewerCueTable()) {
        ASSERT_FALSE(set.animations.empty());
        ASSERT_FALSE(set.rows.empty());
        EXPECT_EQ(set.rows.front().orElse, 0);
        for (int a : set.animations) {
            EXPECT_GE(a, 2);
            EXPECT_LE(a, 156);
            EXPECT_TRUE(animations.insert(a).second) << "animation " << a << " listed twice";
            EXPECT_EQ(FindViewerCues(a), &set);
        }
        for (const CueRow& row : set.rows) {
            EXPECT_GE(row.frame, 0.0f);
            EXPECT_TRUE(row.a.lo >= 0 || row.b.lo >= 0);
            for (const CueSound& s : {row.a, row.b}) {
                if (s.lo < 0) continue;
                EXPECT_LE(s.lo, s.hi);
                if (s.lo != s.hi) {
                    EXPECT_TRUE(ranges.count({s.lo, s.hi})) << s.lo << ".." << s.hi;
                }
            }
        }
    }
    EXPECT_EQ(animations.size(), 80u);   // 2..78 in part, 105..114, 130..135 in part, 150..152, 156
}

}  // namespace
