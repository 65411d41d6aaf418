// The sounds tied to animation frames: the cue table's rows and chains, the channels, the side's
// voices, the guard cue, and the fighter playing them at its place each frame.
#include <set>
#include <string>
#include <vector>

#include "animation_fixture.h"
#include "fighters/animation_cues.h"

namespace fightertest {
namespace {

class AnimationSoundsTest : public AnimationTest {};

constexpr int kNone = CUE_NONE;

// A sound expected in lo..hi; {kNone, kNone} none.
struct Heard {
    int lo, hi;
    Heard(int id) : lo(id), hi(id) {}
    Heard(int l, int h) : lo(l), hi(h) {}
};
const Heard kStep{70, 79};

void ExpectSound(int actual, const Heard& expected) {
    EXPECT_GE(actual, expected.lo);
    EXPECT_LE(actual, expected.hi);
}

// Chosen rows: the frames the last advance crossed, the channels that sound, and for "or"
// chains the frames that were asked about.
TEST(AnimationCueTable, RowsFireAtTheirFramesAndOnlyTheFirstCrossedAlternativeCounts) {
    const struct {
        int animation, side;
        std::vector<float> crossed;
        Heard a, b, c;
        std::vector<float> asked;   // empty: not checked
    } cases[] = {
        {4, 0, {12}, 102, kNone, kNone, {}},
        {4, 0, {12, 57}, 103, kNone, kNone, {}},       // a later cue of a channel replaces it
        {12, 0, {104, 124}, kStep, 114, kNone, {}},    // B 113 replaced; A from frame 124
        {9, 0, {52, 86}, 104, kNone, kNone, {52, 82, 86}},
        {6, 0, {20, 40, 60}, kStep, kNone, kNone, {20}},
        {6, 0, {40}, kStep, kNone, kNone, {20, 30, 40}},
        {19, 0, {42, 72, 82}, 116, 117, kNone, {42, 62, 72}},
        {10, 0, {68, 115}, kStep, kNone, kNone, {20, 34, 44, 50, 57, 62, 68, 115}},
        {76, 0, {10}, 42, {54, 55}, kNone, {}},
        {2, 0, {8, 15}, kStep, kStep, kNone, {8, 15}},
        {2, 1, {8, 15}, kNone, kNone, kNone, {12, 23}},
        {190, 0, {0}, 140, kNone, kNone, {}},
        {191, 1, {0}, 141, kNone, kNone, {}},
        {192, 0, {10}, kNone, 142, kNone, {}},
        {193, 0, {0, 20}, 180, 143, 144, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE("animation " + std::to_string(t.animation) + " side " + std::to_string(t.side));
        const CueSet* set = FindAnimationCues(t.animation);
        ASSERT_NE(set, nullptr);
        std::vector<float> asked;
        const CueSounds cues = EvaluateCueRows(*set, t.side, [&](float frame) {
            asked.push_back(frame);
            for (float f : t.crossed)
                if (f == frame) return true;
            return false;
        });
        ExpectSound(cues.a, t.a);
        ExpectSound(cues.b, t.b);
        ExpectSound(cues.c, t.c);
        if (!t.asked.empty()) {
            EXPECT_EQ(asked, t.asked);
        }
    }
}

TEST(AnimationCueTable, EachAnimationHasOneSetAndOnlyTheFightersOwnRowsLieBeyondTheViewersIds) {
    std::set<int> animations;
    for (const CueSet& set : AnimationCueTable()) {
        ASSERT_FALSE(set.rows.empty());
        EXPECT_EQ(set.rows.front().orElse, 0);
        for (int a : set.animations) {
            EXPECT_TRUE(animations.insert(a).second) << a;
            EXPECT_TRUE((a >= 2 && a <= 156) || (a >= 190 && a <= 193)) << a;
        }
    }
    EXPECT_EQ(animations.size(), 84u);
    EXPECT_EQ(FindAnimationCues(194), nullptr);
    EXPECT_EQ(FindAnimationCues(0), nullptr);
}

TEST_F(AnimationSoundsTest, AFighterPlaysItsCuesInChannelOrderAtItsPlaceWithItsSidesVoices) {
    const struct {
        int side, animation;
        std::vector<float> frames;   // crossed one after another in the same frame's advance
        std::vector<int> sounds;
    } cases[] = {
        {0, 59, {0}, {56}},
        {1, 59, {0}, {66}},
        {1, 50, {0}, {61}},   // 50 + 41 mod 4, seed 1's first draw being 41, one side further
        {1, 73, {20}, {67}},
        {0, 4, {12}, {102}},
        {1, 193, {20}, {143, 144}},
        {0, 192, {10}, {142}},
        {0, 0, {5}, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE("side " + std::to_string(t.side) + " animation " + std::to_string(t.animation));
        Character& c = Fighter(t.side);
        Force(c, t.animation);
        for (float f : t.frames) Cross(c, f);
        Recorder().sounds.clear();
        SeedRandom(1);
        c.AnimationSounds();
        EXPECT_EQ(SoundIds(), t.sounds);
        for (const testsupport::RecordedSound& s : Recorder().sounds) {
            EXPECT_TRUE(s.hasPosition);
            EXPECT_NEAR(s.position.x, c.position.x, 1e-6f);
            EXPECT_NEAR(s.position.z, c.position.z, 1e-6f);
        }
    }
}

TEST_F(AnimationSoundsTest, TheGuardPoseCuesItsArmAfterTheTableAndTheUpdateStepPlaysTheCues) {
    Character& c = Fighter();
    Force(c, 4);
    c.StartGuard();
    Advance(100);   // the 100 ms blend, then six frames at 60
    Recorder().sounds.clear();
    c.AnimationSounds();
    EXPECT_EQ(SoundIds(), std::vector<int>{95});

    c.EndGuard();
    Cross(c, 12);
    Recorder().sounds.clear();
    c.Update(20);
    EXPECT_EQ(SoundIds(), std::vector<int>{102});
}

}  // namespace
}  // namespace fightertest
