// Shallow water: splashes on going in and out, wakes while moving, rings while standing.
#include <vector>

#include "effects/effect_list.h"
#include "effects/positioned_object.h"
#include "motion_fixture.h"

namespace fightertest {
namespace {

using testsupport::ARENA_WATER_SURFACE;

class WaterTest : public MotionTest {
protected:
    // The ground is looked for under the point itself.
    static void MoveTo(Character& c, const Vec3& at) {
        c.previousPosition = at;
        c.SetPosition(at.x, at.y, at.z, true);
    }
    // Standing on the bed of the arena's pool, already counted as in the water.
    Character& Wading() {
        Character& c = Standing(0, Vec3{20, -1, 12});
        c.inWater = 1;
        c.waterPoint = c.position;
        return c;
    }
    static std::vector<Vec3> Sprites() {
        std::vector<Vec3> out;
        for (EffectListNode* n = g_Scene.effects->Head(); n; n = n->next) {
            out.emplace_back();
            n->item->GetPosition(&out.back());
        }
        return out;
    }
};

TEST_F(WaterTest, GoingInAndOutSplashesOnceEachButNotWhileSpawning) {
    for (int cls : {0, 13}) {
        SCOPED_TRACE(cls);
        Recorder().created.clear();
        Recorder().sounds.clear();
        Character& c = Standing(0, Vec3{10, 0, 12});
        c.actionClass = cls;
        for (const Vec3& at : {Vec3{20, -1, 12}, Vec3{20.1f, -1, 12}, Vec3{10, 0, 12}}) {
            MoveTo(c, at);
            c.WaterContactEffects(20);
        }
        const size_t splashes = cls == 13 ? 0 : 2;
        EXPECT_EQ(Recorder().CreatedOfType(86).size(), splashes);
        EXPECT_EQ(Recorder().sounds.size(), splashes);
        if (splashes) {
            EXPECT_EQ(Recorder().sounds[0].id, 261);
        }
    }
}

TEST_F(WaterTest, AMovingFighterLeavesAWakeEveryOtherFrameAt60PerSecond) {
    Character& c = Wading();
    for (int frame = 1; frame <= 10; ++frame) {
        MoveTo(c, Vec3{20, -1, 12 + 0.05f * float(frame)});
        c.WaterContactEffects(16);
        EXPECT_EQ(Sprites().size(), size_t(frame / 2)) << frame;
    }
    for (const Vec3& p : Sprites()) EXPECT_NEAR(p.y, ARENA_WATER_SURFACE + 0.001f, 1e-5f);
}

TEST_F(WaterTest, AFighterStandingInWaterMakesAPairOfRingsEvery1500Ms) {
    Character& c = Wading();
    for (int frame = 1; frame <= 150; ++frame) {
        c.WaterContactEffects(20);
        if (frame == 74 || frame == 75) {
            EXPECT_EQ(Sprites().size(), frame == 74 ? 0u : 2u);
        }
    }
    const std::vector<Vec3> rings = Sprites();
    ASSERT_EQ(rings.size(), 4u);
    EXPECT_NEAR(rings[0].y, ARENA_WATER_SURFACE - 0.014f, 1e-5f);
    EXPECT_NEAR(rings[1].y, ARENA_WATER_SURFACE + 0.001f, 1e-5f);
}

TEST_F(WaterTest, TheWaterPointFollowsOnlyInWaterAndNoTimeDoesNothing) {
    Character& c = Wading();
    MoveTo(c, Vec3{20, -1, 13});
    c.WaterContactEffects(0);
    EXPECT_EQ(c.waterPoint.z, 12.0f);
    c.WaterContactEffects(20);
    EXPECT_EQ(c.waterPoint.z, 13.0f);
    MoveTo(c, Vec3{10, 0, 12});
    c.WaterContactEffects(20);
    EXPECT_EQ(c.waterPoint.z, 13.0f);
    EXPECT_EQ(c.inWater, 0);
}

}  // namespace
}  // namespace fightertest
