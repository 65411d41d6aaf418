// Balls striking fighters: the contact by prop size, the hit code by impact and side, the damage,
// and which machine applies the hit.
#include <cstring>
#include <numbers>

#include "prop_fixture.h"

namespace proptest {
namespace {

constexpr float kLargeMass = 12.566371f * 0.33333334f * 200.0f;
constexpr float kSmallMass = 0.001f * 12.566371f * 0.33333334f * 200.0f;
const Vec3 kFighter{8, 0, 8};

class PropHitTest : public PropTest {
protected:
    // A ball of the type moved by step from q, going that way at the speed, with no gravity.
    DynamicObject& Shot(uint32_t type, const Vec3& q, const Vec3& step, float speed) {
        DynamicObject& ball = Ball(type, q, PROP_FLYING, Vec3Scale(Vec3Normalize(step), speed));
        ball.acceleration = {0, 0, 0};
        ball.SetPosition(Vec3Add(q, step));
        return ball;
    }
    // Where a large ball starts its step head-on into the fighter's sphere from -x.
    static Vec3 HeadOnStart(const Character& c) { return {c.position.x - 1.9f, c.position.y + 0.75f, c.position.z}; }
    // That ball, after its step to 0.05 inside touching.
    DynamicObject& HeadOn(const Character& c, float speed) {
        return Shot(PROP_TYPE_LARGE, HeadOnStart(c), {0.2f, 0, 0}, speed);
    }
};

TEST_F(PropHitTest, TheHitCodeFollowsTheImpactAndTheSideStruck) {
    Character& fighter = Spawned(2, 0, kFighter);
    // The ball comes from -x: a fighter facing 3 pi / 2 takes it in front.
    struct Case {
        const char* what;
        float speed;   // before the head-on bounce halves it
        float yaw;
        bool knockedDown, immune;
        int code, heavy;
        float damage;
    } cases[] = {
        {"heavy, front", 10, 1.5f * kPi, false, false, 130, 2, 5 * kLargeMass * 0.002f},
        {"heavy, back", 10, 0.5f * kPi, false, false, 131, 2, 5 * kLargeMass * 0.002f},
        {"medium, turned right", 6, kPi, false, false, 121, 0, 3 * kLargeMass * 0.002f},
        {"light, turned left", 3, 0, false, false, 118, 0, 1.5f * kLargeMass * 0.002f},
        {"no reaction", 1.6f, 1.5f * kPi, false, false, -1, 0, 0.8f * kLargeMass * 0.002f},
        {"knocked down: speed before the bounce", 10, 0, true, false, 124, 0, 10 * kLargeMass * 0.002f},
        {"immune", 10, 0, false, true, -3, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Calls() = PropCallRecorder();
        if (c.immune) Calls().immune.push_back(&fighter);
        fighter.yaw = c.yaw;
        fighter.knockedDown = c.knockedDown;
        DynamicObject& ball = HeadOn(fighter, c.speed);
        const Vec3 q = HeadOnStart(fighter);
        ASSERT_TRUE(ball.CollideWithCharacters(q));
        ASSERT_EQ(Calls().hits.size(), 1u);
        EXPECT_EQ(Calls().hits[0].victim, &fighter);
        EXPECT_EQ(Calls().hits[0].reaction, c.code);
        EXPECT_EQ(Calls().hits[0].heavy, c.heavy);
        EXPECT_NEAR(Calls().hits[0].point.x, fighter.position.x - 1.7f, 1e-5f);
        if (c.immune) {
            EXPECT_TRUE(Calls().healthChanges.empty());
        } else {
            ASSERT_EQ(Calls().healthChanges.size(), 1u);
            EXPECT_NEAR(Calls().healthChanges[0].amount, -c.damage, 1e-3f);
        }
        // Bounced back at half speed, put back by the reflected step from where it came.
        EXPECT_NEAR(ball.velocity.x, -0.5f * c.speed, 1e-4f);
        EXPECT_NEAR(ball.position.x, q.x - 0.2f, 1e-5f);
        ball.Despawn();
    }
    // About 5.03 for a large ball at 3 after the bounce.
    EXPECT_NEAR(3 * kLargeMass * 0.002f, 5.03f, 0.005f);
}

TEST_F(PropHitTest, ALargeBallMovingAwayFromAFighterItOverlapsDoesNotHit) {
    const Character& fighter = Spawned(2, 0, kFighter);
    const Vec3 q = Vec3Add(HeadOnStart(fighter), {0.4f, 0, 0});
    DynamicObject& ball = Shot(PROP_TYPE_LARGE, q, {-0.2f, 0, 0}, 10);
    EXPECT_FALSE(ball.CollideWithCharacters(q));
    EXPECT_TRUE(Calls().hits.empty());
    EXPECT_NEAR(ball.velocity.x, -10.0f, 1e-5f);
}

TEST_F(PropHitTest, ASmallBallStrikesTheBodyItsStepCrosses) {
    Character& fighter = Spawned(2, 0, kFighter);
    fighter.yaw = 1.5f * kPi;
    // 30 before the head-on bounce, 15 after: 15 x mass x 0.1.
    const Vec3 q{fighter.position.x - 0.8f, 1, fighter.position.z};
    DynamicObject& ball = Shot(PROP_TYPE_SMALL, q, {0.6f, 0, 0}, 30);
    ASSERT_TRUE(ball.CollideWithCharacters(q));
    ASSERT_EQ(Calls().healthChanges.size(), 1u);
    EXPECT_NEAR(Calls().healthChanges[0].amount, -15 * kSmallMass * 0.1f, 1e-4f);
    EXPECT_NEAR(Calls().healthChanges[0].amount, -1.26f, 0.005f);
    ASSERT_EQ(Calls().hits.size(), 1u);
    EXPECT_EQ(Calls().hits[0].reaction, 115);
    EXPECT_NEAR(Calls().hits[0].point.x, fighter.position.x - 0.5f, 1e-4f);
    // Put back from the contact point by the reflected step.
    EXPECT_NEAR(ball.position.x, fighter.position.x - 1.1f, 1e-4f);

    // A step that stops short of the body strikes nothing.
    const Vec3 far = Vec3Add(q, {-0.7f, 0, 0});
    DynamicObject& shortShot = Shot(PROP_TYPE_SMALL, far, {0.6f, 0, 0}, 30);
    EXPECT_FALSE(shortShot.CollideWithCharacters(far));
}

TEST_F(PropHitTest, HitsAreDealtOfflineOrByTheHostWhichTellsARemoteVictim) {
    Character& victim = Spawned(2, 0, kFighter);
    victim.yaw = 0;
    Character& thrower = Spawned(3, 1, {2, 0, 2});
    struct Case {
        const char* what;
        bool network, hosting, victimLocal;
        size_t health, hits, events;
    } cases[] = {
        {"offline", false, false, false, 1, 1, 0},
        {"host, its own fighter", true, true, true, 1, 1, 0},
        {"host, a remote fighter", true, true, false, 1, 0, 1},
        {"client", true, false, true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Network(false, false);
        DynamicObject& ball = HeadOn(victim, 10);
        ball.owner = &thrower;
        Network(c.network, c.hosting);
        testsupport::Recorder().local = c.victimLocal ? &victim : nullptr;
        Calls() = PropCallRecorder();
        testsupport::Recorder().events.clear();
        ASSERT_TRUE(ball.CollideWithCharacters(HeadOnStart(victim)));
        EXPECT_EQ(Calls().healthChanges.size(), c.health);
        EXPECT_EQ(Calls().hits.size(), c.hits);
        if (c.health) {
            EXPECT_EQ(Calls().healthChanges[0].attacker, &thrower);
        }
        const auto events = EventsOfType(EVENT_APPLY_HIT);
        ASSERT_EQ(events.size(), c.events);
        EXPECT_EQ(testsupport::Recorder().events.size(), c.events);
        if (c.events) {
            const std::vector<uint8_t>& e = events[0];
            ASSERT_EQ(e.size(), 27u);
            EXPECT_EQ(e[1], 2);
            EXPECT_EQ(e[2], 3);
            float x;
            int32_t code;
            uint32_t heavy;
            std::memcpy(&x, &e[7], 4);
            std::memcpy(&code, &e[19], 4);
            std::memcpy(&heavy, &e[23], 4);
            EXPECT_NEAR(x, victim.position.x - 1.7f, 1e-5f);
            EXPECT_EQ(code, 133);   // heavy, on the side: the fighter faces +z, the ball comes from -x
            EXPECT_EQ(heavy, 2u);
        }
        // Every machine bounces the ball the same way.
        EXPECT_NEAR(ball.velocity.x, -5.0f, 1e-4f);
        ball.Despawn();
    }
}

}  // namespace
}  // namespace proptest
