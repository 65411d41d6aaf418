// The character viewer: the next/previous animation search, the modes its keys answer in, the
// random look, and its animation sound cues ("else" chains, later rows overwriting earlier ones,
// the side-1 voices), all through a stand-in model that says which frames its last advance crossed.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/random.h"
#include "fighters/character.h"
#include "render/video.h"
#include "scene/character_model.h"
#include "shell/control.h"
#include "core/settings.h"
#include "shell/viewer.h"
#include "viewer_fake.h"

using viewertest::Fake;

namespace {

class ViewerKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        Fake() = viewertest::FakeViewer();
        g_ViewerCalls = viewertest::FakeCalls();
        g_Settings.Clear();
        g_Settings.mode = 1;
        g_Control = Control();
        g_Control.viewerModel = &model;
    }
    void TearDown() override {
        ResetViewerCalls();
        g_Settings.Clear();
        g_Control = Control();
    }

    std::vector<int> Range(int from, int to, int step) {
        std::vector<int> out;
        for (int i = from; i != to + step; i += step) out.push_back(i);
        return out;
    }

    CharacterModel model;
};

TEST_F(ViewerKeysTest, NextAndPreviousFindThePlayableAnimationsAcrossGapsAndTheWrap) {
    Fake().group = {5, 17, 400};
    Fake().animation[0] = 17;
    g_Control.viewerBlend = 250;
    g_Control.viewerRate = 12.5f;

    g_Control.ViewerNextAnimation();
    EXPECT_EQ(Fake().tried, Range(18, 400, 1));
    ASSERT_EQ(Fake().played.size(), 1u);
    const viewertest::PlayCall& call = Fake().played[0];
    EXPECT_EQ(call.animation, 400);
    EXPECT_EQ(call.blendMs, 250u);
    EXPECT_FLOAT_EQ(call.rate, 12.5f);

    Fake().tried.clear();
    g_Control.ViewerNextAnimation();
    std::vector<int> expected = Range(401, 999, 1);
    for (int i = 0; i <= 5; ++i) expected.push_back(i);
    EXPECT_EQ(Fake().tried, expected);
    EXPECT_EQ(Fake().animation[0], 5);

    Fake().tried.clear();
    g_Control.ViewerPrevAnimation();
    expected = Range(4, 0, -1);
    for (int i = 999; i >= 400; --i) expected.push_back(i);
    EXPECT_EQ(Fake().tried, expected);
    EXPECT_EQ(Fake().animation[0], 400);
}

TEST_F(ViewerKeysTest, WithNothingElsePlayableTheSearchTriesEveryOtherIdOnce) {
    Fake().group = {17};
    Fake().animation[0] = 17;
    g_Control.ViewerNextAnimation();
    std::vector<int> expected = Range(18, 999, 1);
    for (int i = 0; i <= 16; ++i) expected.push_back(i);
    EXPECT_EQ(Fake().tried, expected);
    EXPECT_TRUE(Fake().played.empty());
    // Nothing playing and nothing playable: all thousand ids, from the top going back.
    Fake() = viewertest::FakeViewer();
    g_Control.ViewerPrevAnimation();
    EXPECT_EQ(Fake().tried, Range(999, 0, -1));
}

TEST_F(ViewerKeysTest, ViewerOnlyKeysDoNothingOutsideTheViewerOrWithoutAModel) {
    Fake().group = {3};
    Fake().animation[0] = 1;
    g_Video.lightingLocked = 0;
    model.lod = 2;
    model.position = Vec3{1.0f, 2.0f, 3.0f};
    for (int mode : {0, 3}) {
        g_Settings.mode = mode;
        g_Control.ViewerNextAnimation();
        g_Control.ViewerLevelUp();
        g_Control.ViewerCameraToModel();
        g_Control.ViewerReloadAnimations();
        g_Control.ViewerToggleLighting();
    }
    g_Settings.mode = 1;
    g_Control.viewerModel = nullptr;
    g_Control.ViewerNextAnimation();
    g_Control.ViewerLevelUp();
    g_Control.ViewerCameraToModel();
    EXPECT_TRUE(Fake().tried.empty());
    EXPECT_EQ(Fake().reloads, 0);
    EXPECT_EQ(model.lod, 2);
    EXPECT_EQ(model.position.x, 1.0f);
    EXPECT_EQ(g_Video.lightingLocked, 0);
}

TEST_F(ViewerKeysTest, RandomLookComposesASkinInRangeForTheFightersSideAndClearsTheCache) {
    g_Control.RandomLook();
    EXPECT_TRUE(Fake().composed.empty()) << "no local fighter, no look";

    Character fighter;
    fighter.side = 1;
    g_Control.localCharacter = &fighter;
    std::set<int> skins, eyes, rest;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        SeedRandom(seed);
        Fake() = viewertest::FakeViewer();
        g_Control.RandomLook();
        ASSERT_EQ(Fake().composed.size(), 1u);
        EXPECT_EQ(Fake().composed[0].side, 1);
        const SkinParts& p = Fake().composed[0].parts;
        skins.insert(p.skin);
        eyes.insert(p.eyes);
        rest.insert(p.clothes);
        for (int i = 0; i < 7; ++i) rest.insert(p.tattoos[i]);
        EXPECT_EQ(p.tattoos[7], -1);   // the slot after the eight values stays empty
    }
    // Every value of each range is reached and none outside it.
    EXPECT_EQ(skins, (std::set<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(eyes, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(rest, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

constexpr int kNone = CUE_NONE;

class ViewerCuesTest : public ViewerKeysTest {
protected:
    // Bone 0 plays `animation` and its last advance crossed `frames`.
    void Playing(int animation, std::initializer_list<float> frames) {
        Fake() = viewertest::FakeViewer();
        Fake().animation[0] = animation;
        for (float f : frames) Fake().crossed.insert({0, f});
    }
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
        {12, 0, {64, 104, 108}, 115, 113},
        // Side 1 hears its own voices but the same effects.
        {30, 1, {23, 52}, 80, 60},
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

// The entering and reviving rows of the shared table belong to the fighters only.
TEST_F(ViewerCuesTest, TheFightersOwnRowsPlayNothingInTheViewer) {
    for (int animation = 190; animation <= 193; ++animation) {
        SCOPED_TRACE(animation);
        ASSERT_NE(FindAnimationCues(animation), nullptr);
        EXPECT_EQ(FindViewerCues(animation), nullptr);
        Playing(animation, {0, 10, 20});
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
        // Thirteen rows in one chain, then a row of its own.
        {10, {68}, {20, 34, 44, 50, 57, 62, 68, 115}, 1},
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
