// Where the root displacement may take a fighter: other fighters, props, walls, the momentum's
// part into them, ceilings, and the fighter's shape for ray hits.
#include <cmath>

#include "fighters/animation_control.h"
#include "motion_fixture.h"
#include "render/geometry.h"

namespace fightertest {
namespace {

class CollisionTest : public MotionTest {
protected:
    // The root displacement proposes the point; the frame started where the fighter stands.
    static void Propose(Character& c, const Vec3& to) {
        c.rootDisplacement = Vec3Sub(to, c.position);
        c.model->applyRootMotion = 1;
    }
};

void ExpectAt(const Vec3& p, float x, float z) {
    EXPECT_NEAR(p.x, x, 1e-3f);
    EXPECT_NEAR(p.z, z, 1e-3f);
}

TEST_F(CollisionTest, AFighterInTheWaySlidesARunnerStopsAWalkerAndPushesOut) {
    const struct {
        const char* name;
        int actionClass;
        Vec3 other;
        bool otherDown, selfDown;
        bool touched;
        float x, z;
    } cases[] = {
        {"running slides round it", 1, {5.3f, 0, 6.5f}, false, false, true, 4.82f, 5.06f},
        {"walking at it within 45 degrees stops", 0, {5.3f, 0, 6.5f}, false, false, true, 5.0f, 5.0f},
        {"stopped inside: out to 1.1", 0, {5.0f, 0, 5.8f}, false, false, true, 5.0f, 4.7f},
        {"a knocked-down other: 0.85", 0, {5.0f, 0, 5.6f}, true, false, true, 5.0f, 4.75f},
        {"knocked down itself: no push", 0, {5.0f, 0, 5.8f}, false, true, true, 5.0f, 5.0f},
        {"farther than the radius", 0, {5.0f, 0, 6.4f}, false, false, false, 5.0f, 5.0f},
        {"1.5 above", 0, {5.0f, 1.5f, 5.8f}, false, false, false, 5.0f, 5.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, Vec3{5, 0, 5});
        Character& other = Standing(1, Vec3{t.other.x, 0, t.other.z});
        other.SetPosition(t.other.x, t.other.y, t.other.z, false);
        other.knockedDown = t.otherDown ? 1 : 0;
        c.knockedDown = t.selfDown ? 1 : 0;
        c.actionClass = t.actionClass;
        EXPECT_EQ(c.CollideWithFighters(Vec3{5, 0, t.other.x == 5.0f ? 5.3f : 5.6f}), t.touched);
        ExpectAt(c.position, t.x, t.z);
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
    // Straight at them there is nothing to slide along.
    ExpectAt(c.position, 5.0f, 5.0f);
    EXPECT_NEAR(light.velocity.z, 2.0f, 1e-5f);
    EXPECT_NEAR(heavy.velocity.z, 0.4f, 1e-5f);
    for (const DynamicObject* b : {&light, &heavy}) {
        EXPECT_EQ(b->state, PROP_ROLLING);
        EXPECT_EQ(b->owner, &c);
    }
    EXPECT_NEAR(normal.z, -1.0f, 1e-5f);
    // Running at the large ball pushes with the upper body.
    EXPECT_EQ(c.upperAnimation, ANIM_UPPER_BODY_ONLY);

    light.Despawn();
    heavy.Despawn();
    Ball(PROP_TYPE_LARGE, Vec3{5, 1.0f, 5.8f});
    EXPECT_TRUE(c.CollideWithProps(Vec3{5, 0, 5.3f}, &normal));
    // d = (0, -1, -0.8) from the ball, so 1.6 / 1.28062 of it.
    ExpectAt(c.position, 5.0f, 4.80049f);
    EXPECT_NEAR(normal.y, -1.24939f, 1e-4f);
    EXPECT_NEAR(normal.z, -0.99951f, 1e-4f);
}

TEST_F(CollisionTest, WallsKeepTheMoveAlongThemAndTheMomentumOutOfThem) {
    LoadWalledCorner();
    const struct {
        const char* name;
        Vec3 from, to, momentum;
        float x, z;
        Vec3 after;
    } cases[] = {
        {"into a wall at an angle", {11.5f, 0, 8}, {11.8f, 0, 8.3f}, {3, 2, 1}, 11.5f, 8.3f, {0, 0, 1}},
        {"along the wall", {11.5f, 0, 8}, {11.5f, 0, 8.3f}, {3, 2, 1}, 11.5f, 8.3f, {3, 2, 1}},
        {"away from it", {11.5f, 0, 8}, {11.2f, 0, 8.3f}, {-3, 2, 1}, 11.2f, 8.3f, {-3, 2, 1}},
        {"a second wall stops the slide", {11.2f, 0, 15.5f}, {11.5f, 0, 15.8f}, {}, 11.2f, 15.5f, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, t.from);
        c.momentum = t.momentum;
        Propose(c, t.to);
        const bool wall = std::fabs(t.to.x - t.from.x) > 0.1f && t.to.x > t.from.x;
        EXPECT_EQ(c.MoveWithCollision(20), wall);
        EXPECT_EQ(c.wallContact, wall ? 1 : 0);
        if (wall) ExpectAt(c.position, t.x, t.z);
        EXPECT_NEAR(c.momentum.x, t.after.x, 1e-4f);
        EXPECT_NEAR(c.momentum.y, t.after.y, 1e-4f);
        EXPECT_NEAR(c.momentum.z, t.after.z, 1e-4f);
    }
}

TEST_F(CollisionTest, OnlyTheLocalFighterMeetsCeilings) {
    LoadWalledCorner();
    const struct {
        const char* name;
        bool local, airborne;
        Vec3 at;
        bool result;
        float x, y;
    } cases[] = {
        {"computer fighter", false, false, {4, 1.5f, 4}, false, 4.0f, 1.5f},
        {"on foot: the step is taken back", true, false, {4, 1.5f, 4}, false, 3.7f, 0.0f},
        {"flat, in the air: under it", true, true, {4, 1.5f, 4}, false, 4.0f, 1.3f},
        // The probe's low edge at x 21.85 meets the slope at 3.4625: 0.2375 too high, stepped
        // along (0.970, 0.243).
        {"sloping, in the air: along it", true, true, {22, 2.0f, 4}, true, 22.2304f, 1.8201f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing(0, Vec3{t.at.x, 0, t.at.z});
        Recorder().local = t.local ? &c : nullptr;
        c.airborne = t.airborne ? 1 : 0;
        c.SetPosition(t.at.x, t.at.y, t.at.z, false);
        c.rootDisplacement = Vec3{0.3f, 0, 0};
        EXPECT_EQ(c.MoveWithCollision(20), t.result);
        EXPECT_EQ(c.ceilingContact, t.result ? 1 : 0);
        EXPECT_NEAR(c.position.x, t.x, 1e-3f);
        EXPECT_NEAR(c.position.y, t.y, 1e-3f);
    }
}

TEST_F(CollisionTest, RaysHitTheLivingBodyWithinTheDistance) {
    Character& c = Standing(0, Vec3{5, 0, 5});
    const struct {
        const char* name;
        Vec3 origin, direction;
        float distance;
        bool dead, hit;
    } cases[] = {
        {"hit", {5, 1, 0}, {0, 0, 1}, 5.0f, false, true},
        {"beyond the distance", {5, 1, 0}, {0, 0, 1}, 4.4f, false, false},
        {"above the head", {5, 1.6f, 0}, {0, 0, 1}, 9.0f, false, false},
        {"beside it", {5.6f, 1, 0}, {0, 0, 1}, 9.0f, false, false},
        {"dead", {5, 1, 0}, {0, 0, 1}, 9.0f, true, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        c.dead = t.dead ? 1 : 0;
        Vec3 point{}, normal{};
        EXPECT_EQ(c.IntersectRay(Ray{t.direction, t.origin}, t.distance, &point, &normal), t.hit);
        if (t.hit) {
            EXPECT_NEAR(point.z, 4.5f, 1e-4f);
            EXPECT_NEAR(normal.z, -1.0f, 1e-4f);
        }
    }
}

}  // namespace
}  // namespace fightertest
