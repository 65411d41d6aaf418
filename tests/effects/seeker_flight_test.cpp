// Seekers in flight on the pool's own step, against the fighters' real bodies: how near, how far
// and how fast a target may be and still be struck, and how long a seeker that strikes nothing
// keeps its slot. Everything happens well away from the arena's walls, at chest height.
#include <gtest/gtest.h>

#include <string>

#include "effect_fixture.h"
#include "effects/effect_list.h"
#include "effects/effect_pool.h"
#include "effects/effects.h"
#include "support/fighter_fixture.h"

// The host's record of which player holds which fighter (net/game_ops.h, whose effect request
// is not the pool's).
void SetFighterOwner(int slot, uint32_t player);
void ResetFighterOwners();

namespace {

using testsupport::Recorder;

constexpr uint32_t kFrameMs = 16;
const Vec3 kCaster{100, 0, 100};
constexpr float kChest = 0.75f;
// Power 9 of side 1 fires its seekers at this speed along the caster's facing; power 8's fly at 20.
constexpr float kBoltSpeed = 12.0f;
constexpr float kShotSpeed = 20.0f;
constexpr float kRunSpeed = 9.0f;
// However far a seeker is from striking, it gives up after this long.
constexpr uint32_t kBoundMs = 30000;

Vec3 Offset(const Vec3& p, float x, float y, float z) { return Vec3{p.x + x, p.y + y, p.z + z}; }

// What became of a seeker: when its target first lost health, when it stopped and when its slot
// was freed (ms after launch; 0 for never).
struct Flight {
    uint32_t struckMs = 0, stoppedMs = 0, freedMs = 0;
};

class SeekerFlightTest : public fightertest::FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        // The pool's own step, hits and ray rather than the kit's.
        ResetEffectCalls();
        ResetEffectPool();
        Recorder().frameSeconds = float(kFrameMs) / 1000.0f;
    }
    void TearDown() override {
        ResetEffectPool();
        FighterTest::TearDown();
    }
    Character& Fighter(int slot, int side, const Vec3& at) { return PlainFighter(slot, side, at); }
    static EffectSlot& Launch(int type, const Vec3& at, const Vec3& aim, const Vec3& velocity, Character* owner,
                              Character* target) {
        const int32_t s = CreateEffectInPool({.type = type, .position = at, .aimPoint = aim, .velocity = velocity,
                                              .durationMs = EFFECT_ENDLESS, .owner = owner});
        EXPECT_GE(s, 0);
        EffectSlot& slot = g_EffectSlots[s < 0 ? 0 : s];
        slot.target = target;
        return slot;
    }
    // Frames of the game until the slot is freed or `ms` have passed; the target, if any, runs
    // at `run` units per second.
    Flight Fly(const EffectSlot& s, uint32_t ms, Character* target = nullptr, const Vec3& run = {}) {
        Flight f;
        const float health = target ? target->health : 0.0f;
        for (uint32_t t = kFrameMs; t <= ms; t += kFrameMs) {
            if (target) target->position = Vec3Add(target->position, Vec3Scale(run, float(kFrameMs) / 1000.0f));
            SetTime(s.startTime + t);
            UpdateEffects(kFrameMs);
            g_Scene.effects->Update(kFrameMs);
            if (target && !f.struckMs && target->health < health) f.struckMs = t;
            if (!f.stoppedMs && (s.stopped || !s.active)) f.stoppedMs = t;
            if (!s.active) {
                f.freedMs = t;
                break;
            }
        }
        return f;
    }
};

// Fired along the caster's facing (+z) at a fighter standing beside him: one a step away stands
// inside the tightest circle the bolt's own turn allows, one far off is struck in about the time
// of a straight flight.
TEST_F(SeekerFlightTest, PowerNinesBoltStrikesATargetAStepAwayAsSurelyAsOneAtTheEdgeOfItsReach) {
    for (float d : {1.0f, 2.0f, 3.0f, 8.0f, 20.0f, 29.5f}) {
        SCOPED_TRACE("target " + std::to_string(d) + " units beside");
        Character& caster = Fighter(0, 1, kCaster);
        Character& target = Fighter(1, 0, Offset(kCaster, d, 0, 0));
        const EffectSlot& bolt =
            Launch(19, Offset(kCaster, 0, kChest, 0), target.position, {0, 0, kBoltSpeed}, &caster, &target);
        const Flight f = Fly(bolt, kBoundMs, &target);
        EXPECT_GT(f.struckMs, 0u);
        EXPECT_LE(f.struckMs, uint32_t(1000.0f * (d / kBoltSpeed + 0.5f)));
        EXPECT_NE(f.freedMs, 0u) << "the bolt still holds its slot";
        EXPECT_LE(f.freedMs, f.struckMs + 1500);
        ResetEffectPool();
        ResetCharacters();
    }
}

// Behind the caster at the edge of the reach, running off at run speed: the bolt turns round and
// closes at 3 units per second, the slowest chase it ever wins.
TEST_F(SeekerFlightTest, PowerNinesBoltCatchesAFighterRunningOffFromBehindAtTheEdgeOfItsReach) {
    Character& caster = Fighter(0, 1, kCaster);
    Character& target = Fighter(1, 0, Offset(kCaster, 2, 0, -29.5f));
    const EffectSlot& bolt =
        Launch(19, Offset(kCaster, 0, kChest, 0), target.position, {0, 0, kBoltSpeed}, &caster, &target);
    const Flight f = Fly(bolt, kBoundMs, &target, {0, 0, -kRunSpeed});
    EXPECT_GT(f.struckMs, 29500u / 3u);
    EXPECT_NE(f.freedMs, 0u) << "the bolt still holds its slot";
}

// Power 8 of either side: aimed at the target by a computer caster, or along the crosshair with the
// target beside (a machine that flies a player's shot at whoever he fights).
TEST_F(SeekerFlightTest, PowerEightsShotStrikesItsTargetAimedAtOrBesideTheCaster) {
    struct Case {
        float beside, ahead;
    };
    for (int type : {8, 18})
        for (Case c : {Case{0, 8}, Case{0, 20}, Case{0, 30}, Case{1, 0}, Case{3, 0}, Case{8, 0}}) {
            SCOPED_TRACE("type " + std::to_string(type) + ", target " + std::to_string(c.beside) + " beside, " +
                         std::to_string(c.ahead) + " ahead");
            Character& caster = Fighter(0, type == 8 ? 0 : 1, kCaster);
            Character& target = Fighter(1, type == 8 ? 1 : 0, Offset(kCaster, c.beside, 0, c.ahead));
            const Vec3 from = Offset(kCaster, 0, kChest, 0);
            const Vec3 chest = Offset(target.position, 0, kChest, 0);
            const Vec3 along = c.ahead > 0.0f ? UnitOrZero(Vec3Sub(chest, from)) : Vec3{0, 0, 1};
            const EffectSlot& shot = Launch(type, from, chest, Vec3Scale(along, kShotSpeed), &caster, &target);
            const Flight f = Fly(shot, kBoundMs, &target);
            EXPECT_GT(f.struckMs, 0u);
            EXPECT_LE(f.struckMs, uint32_t(1000.0f * ((c.beside + c.ahead) / kShotSpeed + 0.5f)));
            EXPECT_NE(f.freedMs, 0u) << "the shot still holds its slot";
            ResetEffectPool();
            ResetCharacters();
        }
}

// Fired straight away from its target, along the line through it or a step beside it: whatever
// the way, even straight up from a target below, each seeker turns round and strikes.
TEST_F(SeekerFlightTest, ASeekerFlyingStraightAwayFromItsTargetTurnsRoundAndStrikesIt) {
    struct Way {
        Vec3 away;
        float beside;
    };
    for (int type : {19, 8, 18})
        for (float d : {6.0f, 9.0f})
            for (const Way& w : {Way{{0, 0, 1}, 0}, Way{{-1, 0, 0}, 0}, Way{{0, 1, 0}, 0}, Way{{0, 0, 1}, 0.2f}}) {
                SCOPED_TRACE("type " + std::to_string(type) + ", " + std::to_string(d) + " units, away along (" +
                             std::to_string(w.away.x) + ", " + std::to_string(w.away.y) + ", " +
                             std::to_string(w.away.z) + "), " + std::to_string(w.beside) + " beside");
                const float speed = type == 19 ? kBoltSpeed : kShotSpeed;
                Character& caster = Fighter(0, type == 8 ? 0 : 1, Offset(kCaster, 0, 0, 40));
                Character& target = Fighter(1, type == 8 ? 1 : 0, kCaster);
                const Vec3 chest = Offset(target.position, 0, kChest, 0);
                const Vec3 from = Offset(Vec3Add(chest, Vec3Scale(w.away, d)), w.beside, 0, 0);
                const EffectSlot& bolt = Launch(type, from, chest, Vec3Scale(w.away, speed), &caster, &target);
                const Flight f = Fly(bolt, kBoundMs, &target);
                EXPECT_GT(f.struckMs, 0u);
                // Power 9's bolt, the quickest to turn, is round and back in a moment.
                if (type == 19) EXPECT_LE(f.struckMs, 2500u);
                EXPECT_NE(f.freedMs, 0u) << "the seeker still holds its slot";
                ResetEffectPool();
                ResetCharacters();
            }
}

// Power 9 cast by a fighter at an enemy straight in front of him, and at one straight behind (as
// the host holds a player's fighter whose own machine shows it turned round): either is struck,
// by a cast of his own and by a player's cast the host carries out.
TEST_F(SeekerFlightTest, PowerNineCastAtAnEnemyStraightInFrontOrBehindStrikesIt) {
    g_NetRoleCalls.inSession = [](uint32_t) { return true; };
    for (bool hosted : {false, true})
        for (float d : {6.0f, 9.0f, -6.0f, -9.0f}) {
            SCOPED_TRACE(std::string(hosted ? "a player's cast on the host" : "a cast offline") + ", enemy " +
                         std::to_string(d) + " ahead");
            Network(false, false);
            Character& caster = Fighter(1, 1, kCaster);
            Character& enemy = Fighter(2, 0, Offset(kCaster, 0, 0, d));
            ASSERT_EQ(caster.yaw, 0.0f) << "facing +z";
            caster.SetLevel(69, false, true);
            caster.energy = caster.maxEnergy = 1000.0f;
            ASSERT_TRUE(caster.SetAnimation(0, 0, 0, 0));
            if (hosted) {
                Network(true, true);
                SetFighterOwner(caster.slot, 9);
                Receive({{9, uint8_t(caster.slot), 175, 0, 0, 0, 0, 0, 0, 0, 0}, {30, uint8_t(caster.slot), 9}}, 9);
            } else {
                ASSERT_TRUE(caster.StartPower(9));
            }
            caster.model->SetAnimationFrame(4, 4.5f, true);
            Advance(33);
            caster.UpdatePowers();
            const EffectSlot* bolt = nullptr;
            for (const EffectSlot& e : g_EffectSlots)
                if (e.active && e.type == 19) bolt = &e;
            ASSERT_NE(bolt, nullptr) << "no bolt";
            EXPECT_EQ(bolt->target, &enemy);
            const Flight f = Fly(*bolt, kBoundMs, &enemy);
            EXPECT_GT(f.struckMs, 0u);
            EXPECT_LE(f.struckMs, 3000u) << "at most a turn round and a flight back";
            ResetEffectPool();
            ResetCharacters();
            ResetFighterOwners();
        }
    Network(false, false);
    ResetNetRoleCalls();
}

// A seeker that cannot strike gives up at its bound, as if its target had left, and its slot frees
// once its last sparks fade: power 9's bolt after a fighter whose boosted run outpaces it, and
// power 8's shot fired with nobody to seek at a point in the open sky, which it reaches and hangs
// about.
TEST_F(SeekerFlightTest, ASeekerThatCannotStrikeEndsAtItsBoundAndFreesItsSlot) {
    for (int type : {19, 18}) {
        SCOPED_TRACE("type " + std::to_string(type));
        Character& caster = Fighter(0, 1, kCaster);
        Character& target = Fighter(1, 0, Offset(kCaster, 0, 0, 10));
        const Vec3 from = Offset(kCaster, 0, kChest, 0);
        const Vec3 sky = Offset(from, 0, 30, 40);
        const EffectSlot& seeker =
            type == 19 ? Launch(19, from, target.position, {0, 0, kBoltSpeed}, &caster, &target)
                       : Launch(18, from, sky, Vec3Scale(UnitOrZero(Vec3Sub(sky, from)), kShotSpeed), &caster, nullptr);
        const Flight f = Fly(seeker, kBoundMs + 2000, &target, {0, 0, 1.5f * kRunSpeed});
        EXPECT_EQ(f.struckMs, 0u);
        EXPECT_GE(f.stoppedMs, kBoundMs);
        EXPECT_LT(f.stoppedMs, kBoundMs + 2 * kFrameMs);
        EXPECT_NE(f.freedMs, 0u) << "the seeker still holds its slot";
        EXPECT_LE(f.freedMs, f.stoppedMs + 1500);
        ResetEffectPool();
        ResetCharacters();
    }
}

// A spark of experience that sets off a little over its landing distance from its owner, across
// the way to him, lands as surely as one from far off.
TEST_F(SeekerFlightTest, AnExperienceSparkLandsOnItsOwnerFromNearAsFromFar) {
    for (float d : {1.1f, 1.2f, 1.4f, 10.0f}) {
        SCOPED_TRACE("spark " + std::to_string(d) + " units off");
        Character& owner = Fighter(0, 0, kCaster);
        const Vec3 chest = Offset(kCaster, 0, kChest, 0);
        const EffectSlot& spark = Launch(42, Offset(chest, d, 0, 0), chest, {0, 0, 12}, &owner, nullptr);
        const Flight f = Fly(spark, 5000);
        EXPECT_GT(f.stoppedMs, 0u);
        EXPECT_LE(f.stoppedMs, uint32_t(1000.0f * (d / 12.0f + 0.5f)));
        EXPECT_NE(f.freedMs, 0u) << "the spark still holds its slot";
        ResetEffectPool();
        ResetCharacters();
    }
}

// The element map's slow seeker drifts about its point as it always has: its gentle turn even
// a unit from it, and no end of its own.
TEST_F(SeekerFlightTest, TheElementMapsSeekerKeepsItsGentleTurnAndItsEndlessLife) {
    const Vec3 at = Offset(kCaster, 0, kChest, 0);
    EffectSlot& seeker = Launch(65, at, Offset(at, 1, 0, 0), {0, 0, 1}, nullptr, nullptr);
    seeker.Update();
    // After 16 ms at 1 unit per second: t = unit(1, 0, -0.016), u = (0, 0, 1) + 1.5 x 0.016 t.
    efftest::ExpectNear(seeker.velocity, {0.023999f, 0, 0.999712f}, 1e-5f);
    const Flight f = Fly(seeker, kBoundMs + 2000);
    EXPECT_EQ(f.stoppedMs, 0u);
}

}  // namespace
