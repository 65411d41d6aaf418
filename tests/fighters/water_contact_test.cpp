// Shallow water: splashes on going in and out, wakes while moving, rings while standing.
#include <vector>

#include "effects/effect_list.h"
#include "effects/sprite_mover.h"
#include "motion_fixture.h"

namespace fightertest {
namespace {

using testsupport::ARENA_WATER_SURFACE;

class WaterTest : public MotionTest {
protected:
    // Standing on the bed, already counted as in the water.
    Character& Wading(const Vec3& at = Vec3{20, -1, 12}) {
        Character& c = Standing(0, at);
        c.inWater = 1;
        c.waterPoint = c.position;
        c.waterTime = 0;
        return c;
    }
    // The ground is looked for under the point itself.
    static void MoveTo(Character& c, const Vec3& at) {
        c.previousPosition = at;
        c.SetPosition(at.x, at.y, at.z, true);
    }
    static int Sprites() { return g_Scene.effects->Count(); }
    static std::vector<Vec3> SpritePositions() {
        std::vector<Vec3> out;
        for (EffectListNode* n = g_Scene.effects->Head(); n; n = n->next) {
            Vec3 p{};
            n->item->GetPosition(&p);
            out.push_back(p);
        }
        return out;
    }
    static int Splashes() { return int(Recorder().CreatedOfType(86).size()); }
    static int SplashSounds() {
        int n = 0;
        for (const testsupport::RecordedSound& s : Recorder().sounds) n += s.id == 261;
        return n;
    }
};

TEST_F(WaterTest, GoingInAndOutSplashesOnceEachButNotWhileSpawning) {
    g_Scenario.row = ScenarioRowOf(1);
    for (int cls : {0, 13}) {
        SCOPED_TRACE(cls);
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        Character& c = Standing(0, Vec3{10, 0, 12});
        c.actionClass = cls;
        const int expected = cls == 13 ? 0 : 1;
        for (const Vec3& at : {Vec3{20, -1, 12}, Vec3{20.1f, -1, 12}, Vec3{10, 0, 12}}) {
            MoveTo(c, at);
            c.WaterContactEffects(20);
        }
        EXPECT_EQ(Splashes(), 2 * expected);
        EXPECT_EQ(SplashSounds(), 2 * expected);
        EXPECT_EQ(c.inWater, 0);
        const std::vector<int32_t> splashes = Recorder().CreatedOfType(86);
        if (expected && !splashes.empty()) EXPECT_EQ(Recorder().effects[splashes[0]].position.x, 20.0f);
    }
}

TEST_F(WaterTest, AMovingFighterLeavesAWakeEveryOtherFrameAt60PerSecond) {
    Character& c = Wading();
    for (int frame = 1; frame <= 10; ++frame) {
        MoveTo(c, Vec3{20, -1, 12 + 0.05f * float(frame)});
        c.WaterContactEffects(16);
        EXPECT_EQ(Sprites(), frame / 2) << frame;
    }
    EXPECT_EQ(c.waterTime, 10u);
    for (const Vec3& p : SpritePositions()) EXPECT_NEAR(p.y, ARENA_WATER_SURFACE + 0.001f, 1e-5f);
    EXPECT_EQ(Splashes(), 0);

    // A long frame spreads its wakes over the way it made.
    c.waterTime = 0;
    MoveTo(c, Vec3{20, -1, 13.5f});
    c.WaterContactEffects(90);
    const std::vector<Vec3> wake = SpritePositions();
    ASSERT_EQ(wake.size(), 8u);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(wake[size_t(2 - k)].z, 12.5f + float(k) / 3.0f, 1e-3f) << k;
}

TEST_F(WaterTest, AFighterStandingInWaterMakesAPairOfRingsEvery1500Ms) {
    Character& c = Wading();
    for (int frame = 1; frame <= 150; ++frame) {
        c.WaterContactEffects(20);
        if (frame == 74) EXPECT_EQ(Sprites(), 0);
        if (frame == 75) EXPECT_EQ(Sprites(), 2);
    }
    EXPECT_EQ(Sprites(), 4);
    const std::vector<Vec3> rings = SpritePositions();
    EXPECT_NEAR(rings[0].y, ARENA_WATER_SURFACE - 0.014f, 1e-5f);
    EXPECT_NEAR(rings[1].y, ARENA_WATER_SURFACE + 0.001f, 1e-5f);
    EXPECT_EQ(rings[0].x, 20.0f);
}

TEST_F(WaterTest, TheWaterPointFollowsOnlyInWaterAndNoTimeDoesNothing) {
    Character& c = Wading();
    MoveTo(c, Vec3{20, -1, 13});
    c.WaterContactEffects(0);
    EXPECT_EQ(c.waterPoint.z, 12.0f);
    EXPECT_EQ(c.inWater, 1);
    c.WaterContactEffects(20);
    EXPECT_EQ(c.waterPoint.z, 13.0f);
    MoveTo(c, Vec3{10, 0, 12});
    c.WaterContactEffects(20);
    EXPECT_EQ(c.waterPoint.z, 13.0f);
    EXPECT_EQ(c.waterPoint.x, 20.0f);
    EXPECT_FALSE(c.ProbeWater());
}

}  // namespace
}  // namespace fightertest
