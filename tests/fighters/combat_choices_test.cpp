// The computer fighters' combat choices on the kit's models: when a parry answers a hit about to
// land and how it is timed, which bolts are blocked, the melee attack and power choices, and how
// often a weak fighter attacks.
#include "combat_fixture.h"
#include "core/settings.h"
#include "fighters/side_table.h"

namespace fightertest {
namespace {

class CombatChoiceTest : public CombatTest {
protected:
    void SetUp() override {
        CombatTest::SetUp();
        g_Settings.difficulty = 1;
        // The attacker of side 0 facing +z; the defender of side 1 just ahead, facing it.
        a_ = &Spawned(0, 0, Vec3{4.5f, 0.0f, 4.5f});
        Force(*a_, 0);
        Pose(*a_);
        v_ = &Spawned(1, 1, Vec3{4.5f, 0.0f, 8.5f});
        Force(*v_, 0);
        v_->SetYaw(kPi);
        v_->position = Vec3Add(a_->position, Vec3{0.0f, 0.0f, 0.57f});
        Pose(*v_);
    }
    // The attacker plays the animation standing at the frame.
    void AttackAt(int animation, float frame) {
        Force(*a_, animation);
        a_->model->SetAnimationFrame(0, frame, true);
        Pose(*a_);
    }

    Character* a_ = nullptr;
    Character* v_ = nullptr;
};

TEST_F(CombatChoiceTest, AParryAnswersAFrontalHitFourFramesBeforeItLands) {
    // Attack 52 hits on frame 14 with reaction 119, which 143 parries.
    SideRow knockDown = SIDE_TABLE_ROWS[0];
    knockDown.attacks[2].hits[0].reaction = 124;
    const struct {
        const char* name;
        float frame;
        float defenderYaw;
        bool knocksDown;
        int level;
        int animation;
        float parryFrame;
    } cases[] = {
        {"six frames before the hit", 8.0f, kPi, false, 60, 0, 0.0f},
        {"three frames before the hit", 11.0f, kPi, false, 60, 143, 1.0f},
        {"four frames before, a low level", 10.0f, kPi, false, 10, 143, 0.0f},
        {"turned a quarter to the left of it", 11.0f, kPi / 2.0f, false, 60, 144, 1.0f},
        {"turned a quarter to the right of it", 11.0f, 3.0f * kPi / 2.0f, false, 60, 145, 1.0f},
        {"from behind", 11.0f, 0.0f, false, 60, 0, 0.0f},
        {"a knock-down", 11.0f, kPi, true, 60, 0, 0.0f},
        {"the hit frame passed", 15.0f, kPi, false, 60, 0, 0.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        a_->sideRow = t.knocksDown ? &knockDown : &g_SideTable[0];
        Force(*v_, 0);
        v_->SetYaw(t.defenderYaw);
        v_->level = t.level;
        AttackAt(52, t.frame);
        v_->AiDefend();
        EXPECT_EQ(v_->currentAnimation, t.animation);
        if (t.animation != 0) {
            EXPECT_NEAR(v_->model->GetAnimationFrame(0), t.parryFrame, 1e-4f);
        }
    }
    a_->sideRow = &g_SideTable[0];
    g_Settings.difficulty = 0;
    Force(*v_, 0);
    v_->SetYaw(kPi);
    AttackAt(52, 11.0f);
    v_->AiDefend();
    EXPECT_EQ(v_->currentAnimation, 0) << "the easiest difficulty never parries";
}

TEST_F(CombatChoiceTest, OnlyTheBasicBoltsOfAnotherFighterAreBlocked) {
    const struct {
        const char* name;
        int32_t type;
        bool ownBolt, stopped;
        float speed;
        bool blocked;
    } cases[] = {
        {"side 0's basic bolt", 0, false, false, 30.0f, true},
        {"side 1's basic bolt", 10, false, false, 30.0f, true},
        {"power 3's bolt", 3, false, false, 30.0f, false},
        {"power 3's bolt of side 1", 13, false, false, 30.0f, false},
        {"its own bolt", 0, true, false, 30.0f, false},
        {"a stopped bolt", 0, false, true, 30.0f, false},
        {"too slow to arrive in a third of a second", 0, false, false, 6.0f, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Recorder().Clear();
        Force(*v_, 0);
        v_->SetYaw(kPi);
        // Four units ahead of the defender, flying at it.
        const Vec3 from = Vec3Add(v_->position, Vec3{0.0f, 1.0f, -4.0f});
        const int32_t s = CreateEffect(-1, t.type, from, from, Vec3{0.0f, 0.0f, t.speed}, Vec3{}, Vec3{}, -1, 1.0f, 0,
                                       t.ownBolt ? v_ : a_);
        ASSERT_GE(s, 0);
        Recorder().effects[s].stopped = t.stopped;
        Vec3 at{};
        EXPECT_EQ(v_->FindIncomingEffect(&at), t.blocked);
        v_->AiDefend();
        EXPECT_EQ(v_->currentAnimation, t.blocked ? 149 : 0);
        if (t.blocked) ExpectNear(at, from);
    }
}

TEST_F(CombatChoiceTest, ALyingOpponentIsOnlyAttackedFromTheGround) {
    Force(*a_, 0);
    Pose(*a_);
    v_->knockedDown = 1;
    // Lying in a dip, so that the low kicks reach it.
    v_->position.y = -0.5f;
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        SeedRandom(seed);
        const int a = a_->ChooseMeleeAttack(v_);
        EXPECT_TRUE(a == 77 || a == 78) << a;
    }
    v_->position.y = 0.0f;
    EXPECT_EQ(a_->ChooseMeleeAttack(v_), -1) << "the kicks pass under a body on the same floor";
    v_->knockedDown = 0;
    const int a = a_->ChooseMeleeAttack(v_);
    EXPECT_GE(a, 50);
    EXPECT_LE(a, 72);
    a_->airborne = 1;
    EXPECT_EQ(a_->ChooseMeleeAttack(v_), -1);
}

TEST_F(CombatChoiceTest, AnAttackTheModelLacksIsNeverChosen) {
    Vec3 p{};
    EXPECT_TRUE(a_->AttackHitPoint(&p, 52));
    ExpectNear(p, Vec3Add(a_->position, Vec3{-0.159f, 0.506f, 0.737f - 0.13f}));
    // 79 has no attack row, 200 no animation; 52 without its animation gives no point.
    EXPECT_FALSE(a_->AttackHitPoint(&p, 79));
    EXPECT_FALSE(a_->AttackHitPoint(&p, 200));
    a_->model->animationGroup = 7;
    EXPECT_FALSE(a_->AttackHitPoint(&p, 52));
    EXPECT_EQ(a_->ChooseMeleeAttack(v_), -1);
    Vec3 d{};
    EXPECT_FALSE(a_->RootDisplacement(&d, 52, 5.0f, 4.0f));
}

TEST_F(CombatChoiceTest, PowersAreTakenFromEachSidesListByRange) {
    const struct {
        const char* name;
        int side;
        float distance;
        bool facing, poisoned;
        int power;
    } cases[] = {
        {"side 1 at 10 casts power 9", 1, 10.0f, true, false, 9},
        {"side 1 at 6: below 9's minimum, 1 out of range", 1, 6.0f, true, false, 0},
        {"side 1 at 3 against a healthy opponent", 1, 3.0f, true, false, 6},
        {"side 1 at 3 against a poisoned opponent", 1, 3.0f, true, true, 1},
        {"side 0 at 1.5: the third entry", 0, 1.5f, true, false, 6},
        {"side 0 at 1.5 facing away", 0, 1.5f, false, false, -1},
        {"side 0 at 35: 9 is out of range", 0, 35.0f, true, false, 8},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = t.side == 0 ? *a_ : *v_;
        Character& o = t.side == 0 ? *v_ : *a_;
        Force(c, 0);
        c.level = 99;
        c.maxEnergy = c.energy = 1000.0f;
        c.position = Vec3{4.5f, 0.0f, 4.5f};
        o.position = Vec3{4.5f, 0.0f, 4.5f + t.distance};
        c.SetYaw(t.facing ? 0.0f : kPi);
        o.states[STATE_POISONING].active = t.poisoned;
        EXPECT_EQ(c.ChoosePower(&o), t.power);
        o.states[STATE_INVULNERABILITY].active = 1;
        EXPECT_EQ(c.ChoosePower(&o), -1);
        o.states[STATE_INVULNERABILITY].active = 0;
    }
}

TEST_F(CombatChoiceTest, ALowLevelFighterAttacksAtMostOnceASecond) {
    const struct {
        const char* name;
        uint32_t sinceLast;
        bool attacks;
    } cases[] = {
        {"half a second after the last", 500, false},
        {"999 ms after the last", 999, false},
        {"a second after the last", 1000, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Force(*a_, 0);
        Pose(*a_);
        a_->level = 10;
        a_->attackStartTime = kStartTime - t.sinceLast;
        a_->idleStart = kStartTime - 1;
        a_->AiMelee(v_, a_->DistanceTo(v_));
        EXPECT_EQ(a_->actionClass == 3 || a_->actionClass == 4, t.attacks) << a_->currentAnimation;
    }
}

TEST_F(CombatChoiceTest, ASkilledFighterWaitsSettledForAFacingOpponent) {
    g_Match.gameKind = 0;
    // The opponent four ahead, walking in place: not standing, so not attacked for that.
    const Vec3 ahead = Vec3Add(a_->position, Vec3{0.0f, 0.0f, 4.0f});
    v_->SetPosition(ahead.x, ahead.y, ahead.z, false);
    const struct {
        const char* name;
        float opponentYaw;
        bool settled;
        bool approaches;
    } cases[] = {
        {"settled, the opponent facing it: it waits", kPi, true, false},
        {"settled, the opponent turned away: it closes in", 0.0f, true, true},
        {"not settled, the opponent facing it: it closes in", kPi, false, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Force(*a_, 0);
        a_->StopMoving();
        a_->level = 30;
        a_->idleStart = t.settled ? kStartTime : kStartTime - 1;
        Force(*v_, 20);
        v_->SetYaw(t.opponentYaw);
        a_->AiMelee(v_, a_->DistanceTo(v_));
        EXPECT_EQ(a_->following || a_->pathRequested, t.approaches);
        // Settled, nothing is started: no attack, no cast.
        if (t.settled) EXPECT_EQ(a_->actionClass, 0) << a_->currentAnimation;
    }
}

}  // namespace
}  // namespace fightertest
