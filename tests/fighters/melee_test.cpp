// Melee: the attack rows, the hits an attack lands on its frames, who blocks and from where, the
// damage and experience, the event for another machine's fighter, and what a hit shows and sounds
// on the victim.
#include <cmath>
#include <cstring>
#include <vector>

#include "combat_fixture.h"

namespace fightertest {
namespace {

constexpr float kPi = 3.14159265f;

class MeleeTest : public CombatTest {
protected:
    // Side 0 facing +z with strength 100; the victim of side 1 just ahead of it with
    // constitution 50 and health to spare, facing it.
    void SetUp() override {
        CombatTest::SetUp();
        Stage();
    }
    // Both fighters spawned afresh and nothing made or heard yet.
    void Stage() {
        Made().clear();
        Recorder().sounds.clear();
        Recorder().events.clear();
        attacker_ = &Spawned(0, 0, Vec3{4.5f, 0.0f, 4.5f});
        Force(*attacker_, 0);
        attacker_->strength = 100.0f;
        Pose(*attacker_);
        victim_ = &Spawned(1, 1, Vec3{4.5f, 0.0f, 8.5f});
        Force(*victim_, 0);
        victim_->SetYaw(kPi);
        victim_->constitution = 50.0f;
        victim_->maxHealth = victim_->health = 1000.0f;
        victim_->position = Vec3{attacker_->position.x, 0.0f, attacker_->position.z + 0.57f};
    }
    // The attack's frame crossed, then the frame's melee step.
    void HitOn(int animation, float frame) {
        if (attacker_->currentAnimation != animation) Force(*attacker_, animation);
        Cross(*attacker_, frame);
        attacker_->MeleeHits();
    }
    // The hit point of the attacker's model frame in the world (the model stands 0.13 behind
    // the feet, facing +z).
    Vec3 World(const Vec3& p) const {
        return Vec3{attacker_->position.x + p.x, p.y, attacker_->position.z - 0.13f + p.z};
    }
    static int32_t ReactionOf(const std::vector<uint8_t>& event22) {
        int32_t r = 0;
        std::memcpy(&r, &event22[19], 4);
        return r;
    }

    Character* attacker_ = nullptr;
    Character* victim_ = nullptr;
};

TEST(AttackRows, BothSidesShareTheFirstGroupAndNameTheirOwnSecondGroupWithoutHits) {
    for (int side = 0; side < SIDE_COUNT; ++side) {
        const AttackRow* rows = SIDE_TABLE_ROWS[side].attacks;
        for (int i = 0; i < ATTACK_ROWS; ++i) {
            SCOPED_TRACE(testing::Message() << "side " << side << " row " << i);
            const int32_t want = i < 29 ? 50 + i : i == 29 ? -1 : (side == 0 ? 80 : 92) + i - 30;
            EXPECT_EQ(rows[i].animation, want);
            EXPECT_EQ(rows[i].hits[0].frame >= 0.0f, i < 29) << "every first-group attack hits";
            for (const AttackHit& h : rows[i].hits) {
                if (h.frame < 0.0f) {
                    EXPECT_EQ(h.reaction, -1);
                    EXPECT_EQ(h.damage, 0.0f);
                } else {
                    EXPECT_TRUE(h.reaction == 115 || h.reaction == 119 || h.reaction == 124 || h.reaction == 130);
                    EXPECT_GT(h.damage, 0.0f);
                }
            }
            if (rows[i].hits[1].frame >= 0.0f) {
                EXPECT_GT(rows[i].hits[1].frame, rows[i].hits[0].frame);
            }
        }
    }
}

TEST_F(MeleeTest, AnAttackRowIsTakenOnlyWhereItNamesTheAnimationPlayed) {
    const struct { int side, cls, animation, row; float first, second; } cases[] = {
        {0, 3, 58, 8, 15.0f, 18.0f}, {1, 3, 50, 0, 5.0f, -1.0f},  {0, 3, 79, -1, -1.0f, -1.0f},
        {0, 4, 80, 30, -1.0f, -1.0f}, {0, 4, 89, 39, -1.0f, -1.0f}, {0, 4, 90, -1, -1.0f, -1.0f},
        {1, 4, 92, 30, -1.0f, -1.0f}, {1, 4, 101, 39, -1.0f, -1.0f}, {1, 4, 80, -1, -1.0f, -1.0f},
        {1, 4, 91, -1, -1.0f, -1.0f}, {1, 4, 102, -1, -1.0f, -1.0f}, {0, 4, 20, -1, -1.0f, -1.0f},
        {0, 5, 58, -1, -1.0f, -1.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << "side " << t.side << " class " << t.cls << " animation " << t.animation);
        Character& c = t.side == 0 ? *attacker_ : *victim_;
        int row = 7;
        float first = 7.0f, second = 7.0f;
        EXPECT_EQ(c.GetAttackRow(t.cls, t.animation, &row, &first, &second), t.row >= 0);
        EXPECT_EQ(row, t.row);
        EXPECT_EQ(first, t.first);
        EXPECT_EQ(second, t.second);
    }
    Force(*attacker_, 66);
    EXPECT_EQ(attacker_->AttackHitFrame(), 13.0f);
    Force(*attacker_, 0);
    EXPECT_EQ(attacker_->AttackHitFrame(), -1.0f);
}

TEST_F(MeleeTest, Attack58HitsTwiceOnItsFramesEachAtItsOwnPoint) {
    HitOn(58, 15.0f);
    HitOn(58, 18.0f);
    HitOn(58, 25.0f);
    const std::vector<MadeEffect> sparks = MadeOfType(40);
    ASSERT_EQ(sparks.size(), 2u);
    ExpectNear(sparks[0].start, World(Vec3{0.16f, 0.539f, 0.687f}));
    ExpectNear(sparks[1].start, World(Vec3{0.419f, 0.66f, 0.353f}));
    EXPECT_EQ(MadeOfType(41).size(), 2u) << "heavy hits";
    EXPECT_FLOAT_EQ(victim_->health, 1000.0f - 2.0f * 40.0f);
    EXPECT_EQ(victim_->lastAttacker, attacker_);
    EXPECT_EQ(victim_->currentAnimation, 130);
}

TEST_F(MeleeTest, TheReactionByGuardTimingAndTheSideTheHitComesFrom) {
    const struct {
        const char* name;
        float yaw;
        int guard;
        float frame;
        bool frozen;
        int state;   // of the victim: 1 knocked down, 2 invulnerable
        int32_t reaction;
        float damage;
    } cases[] = {
        {"front guard in time", kPi, 143, 5.0f, false, 0, -2, 2.0f},
        {"front guard late", kPi, 143, 8.0f, false, 0, 130, 40.0f},
        {"front guard early", kPi, 140, 1.5f, false, 0, -2, 2.0f},
        {"projectile guard", kPi, 149, 6.9f, false, 0, -2, 2.0f},
        {"side guard from the front", kPi, 141, 5.0f, false, 0, 130, 40.0f},
        {"frozen attacker", kPi, 143, 5.0f, true, 0, 130, 40.0f},
        {"right side guarded", kPi / 2.0f, 141, 5.0f, false, 0, -2, 2.0f},
        {"right side open", kPi / 2.0f, 142, 5.0f, false, 0, 132, 40.0f},
        {"left side guarded", 3.0f * kPi / 2.0f, 148, 5.0f, false, 0, -2, 2.0f},
        {"left side open", 3.0f * kPi / 2.0f, 0, 5.0f, false, 0, 133, 40.0f},
        {"from behind in guard", 0.0f, 143, 5.0f, false, 0, 131, 40.0f},
        {"knocked down", kPi, 0, 5.0f, false, 1, -1, 0.0f},
        {"invulnerable in guard", kPi, 143, 5.0f, false, 2, -3, 0.0f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Stage();
        victim_->SetYaw(t.yaw);
        victim_->position = Vec3{attacker_->position.x, 0.0f, attacker_->position.z + 0.57f};
        if (t.guard) Force(*victim_, t.guard);
        Force(*attacker_, 58);
        Cross(*attacker_, 15.0f);
        victim_->model->SetAnimationFrame(0, t.frame, true);
        attacker_->states[STATE_FREEZE].active = t.frozen ? 1 : 0;
        victim_->knockedDown = t.state == 1 ? 1 : 0;
        victim_->states[STATE_INVULNERABILITY].active = t.state == 2 ? 1 : 0;
        Recorder().local = attacker_;
        Network(true, true);
        Recorder().events.clear();
        attacker_->MeleeHits();
        const auto hits = EventsOfType(22);
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(ReactionOf(hits[0]), t.reaction);
        EXPECT_FLOAT_EQ(victim_->health, 1000.0f - t.damage);
        EXPECT_TRUE(MadeOfType(40).empty()) << "the victim's own machine shows the hit";
        Network(false, false);
        Recorder().local = nullptr;
    }
}

TEST_F(MeleeTest, AnotherMachinesVictimGetsTheHitAsAnEvent) {
    Recorder().local = attacker_;
    Network(true, true);
    HitOn(58, 15.0f);
    const auto hits = EventsOfType(22);
    ASSERT_EQ(hits.size(), 1u);
    ASSERT_EQ(hits[0].size(), 27u);
    EXPECT_EQ(hits[0][1], 1);   // victim
    EXPECT_EQ(hits[0][2], 0);   // attacker
    float damage = 0.0f;
    std::memcpy(&damage, &hits[0][3], 4);
    EXPECT_EQ(damage, 10.0f);
    EXPECT_EQ((std::vector<uint8_t>(hits[0].begin() + 19, hits[0].end())),
              (std::vector<uint8_t>{130, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_NE(victim_->currentAnimation, 130);
}

TEST_F(MeleeTest, TheBlowFromBelowOnlyReachesAFighterOnTheGround) {
    for (bool down : {false, true}) {
        SCOPED_TRACE(down ? "knocked down" : "standing");
        Stage();
        victim_->position.y = -1.0f;   // the hit point lies 0.27 below the attacker's feet
        victim_->knockedDown = down ? 1 : 0;
        HitOn(77, 13.0f);
        EXPECT_FLOAT_EQ(victim_->health, down ? 1000.0f - 28.0f : 1000.0f);
        ASSERT_EQ(MadeOfType(40).size(), 1u) << "the hit shows either way";
        EXPECT_EQ(MadeOfType(40)[0].colour, 16724530u);
        EXPECT_EQ(SoundIds().size(), down ? 2u : 0u);
    }
}

TEST_F(MeleeTest, StrengthTwiceTheConstitutionDoublesTheDamageAndHalvesTheExperience) {
    const float before = attacker_->experience;
    HitOn(63, 9.0f);
    EXPECT_FLOAT_EQ(victim_->health, 980.0f);
    const float gained = attacker_->experience - before;
    EXPECT_GT(double(gained), 5.0 / 3.0);
    EXPECT_NEAR(gained, 5.0f / 3.0f, 1e-6f);
    const std::vector<MadeEffect> sparks = MadeOfType(42);
    ASSERT_EQ(sparks.size(), 5u);
    for (const MadeEffect& s : sparks) {
        ExpectNear(s.start, World(Vec3{-0.202f, 0.307f, 0.529f}));
        ExpectNear(s.second, Vec3Add(attacker_->position, Vec3{0.0f, 0.75f, 0.0f}));
        EXPECT_NEAR(Vec3Length(s.velocity), 12.0f, 1e-3f);
        EXPECT_GE(s.velocity.y, 0.0f);
        EXPECT_EQ(s.durationMs, -1);
        EXPECT_EQ(s.owner, attacker_);
    }
}

TEST_F(MeleeTest, ADeadVictimTakesNothingButStillShowsTheHitAndNobodyAtThePointDoesNothing) {
    victim_->dead = 1;
    const float experience = attacker_->experience;
    HitOn(58, 15.0f);
    EXPECT_FLOAT_EQ(victim_->health, 1000.0f);
    EXPECT_FLOAT_EQ(attacker_->experience, experience);
    EXPECT_TRUE(MadeOfType(42).empty());
    EXPECT_EQ(MadeOfType(40).size(), 1u);

    Stage();
    victim_->position.x += 1.0f;   // out of reach of the hit point, 0.84 to its side
    HitOn(58, 15.0f);
    EXPECT_TRUE(Made().empty());
    EXPECT_TRUE(Recorder().sounds.empty());
}

class HitReactionTest : public MeleeTest {};

TEST_F(HitReactionTest, ImpactAndVoiceByReactionCodeTheVoiceOfSideOneSixOn) {
    const struct {
        int reaction, side;
        bool dead;
        int impactLow, impactHigh, voiceLow, voiceHigh;   // voice -1: none
    } cases[] = {
        {-3, 1, false, 0, 0, -1, -1},     {-2, 0, false, 0, 0, -1, -1},   {115, 0, false, 1, 7, 20, 21},
        {118, 1, false, 1, 7, 26, 27},    {119, 0, false, 8, 13, 22, 23}, {124, 1, false, 8, 13, 28, 29},
        {123, 0, true, 8, 13, -1, -1},    {130, 1, true, 14, 19, 30, 31}, {133, 0, false, 14, 19, 24, 25},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.reaction << " side " << t.side << (t.dead ? " dead" : ""));
        for (int i = 0; i < 20; ++i) {
            Recorder().sounds.clear();
            Character& v = t.side == 0 ? *attacker_ : *victim_;
            v.dead = t.dead ? 1 : 0;
            v.ApplyHit(1.0f, v.position, t.reaction, 0, nullptr);
            const std::vector<int> ids = SoundIds();
            ASSERT_EQ(ids.size(), t.voiceLow < 0 ? 1u : 2u);
            EXPECT_TRUE(ids[0] >= t.impactLow && ids[0] <= t.impactHigh) << ids[0];
            if (t.voiceLow >= 0) {
                EXPECT_TRUE(ids[1] >= t.voiceLow && ids[1] <= t.voiceHigh) << ids[1];
            }
        }
    }
    Recorder().sounds.clear();
    victim_->ApplyHit(1.0f, victim_->position, -1, 0, nullptr);
    victim_->ApplyHit(1.0f, victim_->position, 140, 0, nullptr);
    EXPECT_TRUE(Recorder().sounds.empty());
}

TEST_F(HitReactionTest, ABlockPushesAwayFromTheHitAndShowsBlueAHeavyHitFlashes) {
    const Vec3 p = Vec3Add(victim_->position, Vec3{0.0f, 1.0f, -2.0f});
    victim_->momentum = Vec3{1.0f, 0.0f, 0.0f};
    victim_->ApplyHit(5.0f, p, -2, 2, nullptr);
    ExpectNear(victim_->momentum, Vec3{1.0f, -5.0f / std::sqrt(5.0f), 10.0f / std::sqrt(5.0f)});
    ASSERT_EQ(Made().size(), 1u) << "no flash for a blocked hit";
    EXPECT_EQ(Made()[0].colour, 3289855u);
    EXPECT_EQ(Made()[0].durationMs, 350);
    EXPECT_EQ(SoundIds(), (std::vector<int>{0}));

    Made().clear();
    victim_->ApplyHit(10.0f, p, 130, 2, nullptr);
    ASSERT_EQ(Made().size(), 2u);
    EXPECT_EQ(Made()[0].type, 41);
    EXPECT_EQ(Made()[0].durationMs, 450);
    EXPECT_EQ(Made()[1].scale, 1.0f);
    EXPECT_EQ(Made()[1].colour, 16724530u);
    for (const MadeEffect& m : Made()) {
        ExpectNear(m.start, p);
        ExpectNear(m.second, p);
        EXPECT_EQ(m.owner, nullptr);
    }
    Made().clear();
    victim_->ApplyHit(10.0f, p, 115, 0, nullptr);
    ASSERT_EQ(Made().size(), 1u);
    EXPECT_EQ(Made()[0].scale, 0.5f);
}

TEST_F(HitReactionTest, AHitThatIsNoNumberChangesNothing) {
    const float inf = INFINITY;
    const struct { float damage; Vec3 point; } cases[] = {
        {NAN, {4.5f, 1.0f, 4.5f}}, {inf, {4.5f, 1.0f, 4.5f}}, {1.0f, {NAN, 1.0f, 4.5f}}, {1.0f, {4.5f, -inf, 4.5f}},
    };
    for (const auto& t : cases) {
        victim_->ApplyHit(t.damage, t.point, -2, 0, attacker_);
        victim_->ApplyHit(t.damage, t.point, 115, 0, attacker_);
    }
    ExpectNear(victim_->momentum, Vec3{0.0f, 0.0f, 0.0f});
    EXPECT_EQ(victim_->currentAnimation, 0);
    EXPECT_EQ(victim_->lastAttacker, nullptr);
    EXPECT_TRUE(Made().empty());
    EXPECT_TRUE(Recorder().sounds.empty());
}

TEST_F(HitReactionTest, OnlyALivingEnemyBecomesTheLastAttacker) {
    Character& mate = Spawned(2, 1, Vec3{8.5f, 0.0f, 8.5f});
    victim_->ApplyHit(1.0f, victim_->position, -1, 0, &mate);
    EXPECT_EQ(victim_->lastAttacker, nullptr);
    attacker_->dead = 1;
    victim_->ApplyHit(1.0f, victim_->position, -1, 0, attacker_);
    EXPECT_EQ(victim_->lastAttacker, nullptr);
    attacker_->dead = 0;
    victim_->ApplyHit(1.0f, victim_->position, -1, 0, attacker_);
    EXPECT_EQ(victim_->lastAttacker, attacker_);
}

TEST_F(HitReactionTest, WhichMachineShowsTellsAndPlaysAHit) {
    const struct {
        const char* name;
        bool network, hosting, localVictim;
        size_t effectEvents, soundEvents;
        bool played;
    } cases[] = {
        {"offline", false, false, false, 0, 0, true},
        {"host", true, true, false, 2, 2, true},
        {"client, its own fighter", true, false, true, 2, 2, false},
        {"client, another fighter", true, false, false, 0, 2, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Recorder().events.clear();
        Recorder().sounds.clear();
        Made().clear();
        Recorder().local = t.localVictim ? victim_ : nullptr;
        Network(t.network, t.hosting);
        victim_->ApplyHit(10.0f, victim_->position, 130, 2, nullptr);
        EXPECT_EQ(Made().size(), 2u);
        EXPECT_EQ(EventsOfType(31).size(), t.effectEvents);
        EXPECT_EQ(EventsOfType(37).size(), t.soundEvents);
        EXPECT_EQ(Recorder().sounds.size(), t.played ? 2u : 0u);
    }
    Network(false, false);
}

}  // namespace
}  // namespace fightertest
