// Where the root displacement may take a fighter: other fighters, props, walls, the momentum's
// part into them, ceilings, and the fighter's shape for ray hits.
#include "fighters/animation_control.h"
#include "motion_fixture.h"
#include "render/geometry.h"

namespace fightertest {
namespace {

class CollisionTest : public MotionTest {};

void ExpectAt(const Vec3& p, float x, float z) {
    EXPECT_NEAR(p.x, x, 1e-3f);
    EXPECT_NEAR(p.z, z, 1e-3f);
}

TEST_F(CollisionTest, AFighterInTheWaySlidesARunnerStopsAWalkerAndPushesOut) {
    const struct {
        const char* name;
        int actionClass;
        Vec3 other;
        bool otherDown, selfDown, touched;
        float z;           // the proposed point is (5, 0, z) from (5, 0, 5)
        float atX, atZ;
    } cases[] = {
        {"running slides round it", 1, {5.3f, 0, 6.5f}, false, false, true, 5.6f, 4.82f, 5.06f},
        {"walking within 45 degrees stops", 0, {5.3f, 0, 6.5f}, false, false, true, 5.6f, 5.0f, 5.0f},
        {"stopped inside: out to 1.1", 0, {5, 0, 5.8f}, false, false, true, 5.3f, 5.0f, 4.7f},
        {"a knocked-down other: out to 0.85", 0, {5, 0, 5.6f}, true, false, true, 5.3f, 5.0f, 4.75f},
        {"knocked down itself: not pushed", 0, {5, 0, 5.8f}, false, true, true, 5.3f, 5.0f, 5.0f},
        {"1.5 above", 0, {5, 1.5f, 5.8f}, false, false, false, 5.3f, 5.0f, 5.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, Vec3{5, 0, 5});
        Character& other = Standing(1, t.other);
        other.knockedDown = t.otherDown;
        c.knockedDown = t.selfDown;
        c.actionClass = t.actionClass;
        EXPECT_EQ(c.CollideWithFighters(Vec3{5, 0, t.z}), t.touched);
        ExpectAt(c.position, t.atX, t.atZ);
        ResetCharacters();
    }
}

TEST_F(CollisionTest, PropsArePushedByTheirSizeAndBigOnesPushTheFighterOut) {
    Character& c = Standing(0, Vec3{5, 0, 5});
    c.SetAnimation(ANIM_RUN, 0, 0, 0);
    c.totalVelocity = Vec3{0, 0, 4};
    DynamicObject& light = Ball(PROP_TYPE_SMALL, Vec3{5, 0.1f, 5.35f});
    DynamicObject& heavy = Ball(PROP_TYPE_LARGE, Vec3{5, 1.0f, 6.2f});
    Vec3 normal{};
    EXPECT_TRUE(c.CollideWithProps(Vec3{5, 0, 5.3f}, &normal));
    ExpectAt(c.position, 5.0f, 5.0f);   // straight at them: nothing to slide along
    EXPECT_NEAR(light.velocity.z, 2.0f, 1e-5f);
    EXPECT_NEAR(heavy.velocity.z, 0.4f, 1e-5f);
    EXPECT_EQ(heavy.state, PROP_ROLLING);
    EXPECT_EQ(light.owner, &c);
    EXPECT_EQ(c.upperAnimation, ANIM_UPPER_BODY_ONLY);   // a run at the large ball pushes with the upper body

    light.Despawn();
    heavy.Despawn();
    Ball(PROP_TYPE_LARGE, Vec3{5, 1.0f, 5.8f});
    EXPECT_TRUE(c.CollideWithProps(Vec3{5, 0, 5.3f}, &normal));
    // d = (0, -1, -0.8) from the ball: out along it to 1.6.
    ExpectAt(c.position, 5.0f, 4.80049f);
    EXPECT_NEAR(normal.y, -1.24939f, 1e-4f);
}

TEST_F(CollisionTest, WallsKeepTheMoveAlongThemAndTheMomentumOutOfThem) {
    LoadWalledCorner();
    const struct {
        const char* name;
        Vec3 from, to, momentum;
        bool wall;
        float x, z;
        Vec3 after;
    } cases[] = {
        {"into a wall at an angle", {11.5f, 0, 8}, {11.8f, 0, 8.3f}, {3, 2, 1}, true, 11.5f, 8.3f, {0, 0, 1}},
        {"away from it", {11.5f, 0, 8}, {11.2f, 0, 8.3f}, {-3, 2, 1}, false, 11.2f, 8.3f, {-3, 2, 1}},
        {"a second wall stops the slide", {11.2f, 0, 15.5f}, {11.5f, 0, 15.8f}, {}, true, 11.2f, 15.5f, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, t.from);
        c.momentum = t.momentum;
        c.rootDisplacement = Vec3Sub(t.to, t.from);
        c.model->applyRootMotion = 1;
        EXPECT_EQ(c.MoveWithCollision(20), t.wall);
        EXPECT_EQ(c.wallContact, t.wall);
        if (t.wall) ExpectAt(c.position, t.x, t.z);
        EXPECT_NEAR(Vec3Length(Vec3Sub(c.momentum, t.after)), 0.0f, 1e-4f);
    }
}

TEST_F(CollisionTest, OnlyTheLocalFighterMeetsCeilings) {
    LoadWalledCorner();
    const struct {
        const char* name;
        bool local, airborne;
        Vec3 at;
        float x, y;
    } cases[] = {
        {"computer fighter", false, false, {4, 1.5f, 4}, 4.0f, 1.5f},
        {"on foot: the step is taken back", true, false, {4, 1.5f, 4}, 3.7f, 0.0f},
        {"flat, in the air: under it", true, true, {4, 1.5f, 4}, 4.0f, 1.3f},
        // The probe's low edge at x 21.85 meets the slope at 3.4625: 0.2375 into it, stepped
        // along (0.970, 0.243).
        {"sloping, in the air: along it", true, true, {22, 2.0f, 4}, 22.2304f, 1.8201f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, Vec3{t.at.x, 0, t.at.z});
        Recorder().local = t.local ? &c : nullptr;
        c.airborne = t.airborne;
        c.SetPosition(t.at.x, t.at.y, t.at.z, false);
        c.rootDisplacement = Vec3{0.3f, 0, 0};
        const bool along = t.x > 22.0f;
        EXPECT_EQ(c.MoveWithCollision(20), along);
        EXPECT_EQ(c.ceilingContact, along);
        EXPECT_NEAR(c.position.x, t.x, 1e-3f);
        EXPECT_NEAR(c.position.y, t.y, 1e-3f);
    }
}

TEST_F(CollisionTest, RaysHitTheLivingBodyWithinTheDistance) {
    Character& c = Standing(0, Vec3{5, 0, 5});
    Vec3 point{}, normal{};
    EXPECT_TRUE(c.IntersectRay(Ray{{0, 0, 1}, {5, 1, 0}}, 5.0f, &point, &normal));
    EXPECT_NEAR(point.z, 4.5f, 1e-4f);
    EXPECT_FALSE(c.IntersectRay(Ray{{0, 0, 1}, {5, 1, 0}}, 4.4f, &point, &normal));
    EXPECT_FALSE(c.IntersectRay(Ray{{0, 0, 1}, {5, 1.6f, 0}}, 9.0f, &point, &normal));
    c.dead = 1;
    EXPECT_FALSE(c.IntersectRay(Ray{{0, 0, 1}, {5, 1, 0}}, 9.0f, &point, &normal));
}

}  // namespace
}  // namespace fightertest
