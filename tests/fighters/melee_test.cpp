// Melee: the attack rows, the hits an attack lands, who blocks and from where, damage and
// experience, the event for another machine's victim, and what a hit shows and sounds.
#include <cstring>

#include "combat_fixture.h"

namespace fightertest {
namespace {

class MeleeTest : public CombatTest {
protected:
    void SetUp() override {
        CombatTest::SetUp();
        Stage();
    }
    // Side 0 of strength 100 facing +z; side 1 of constitution 50 just ahead, facing it.
    void Stage() {
        Recorder().created.clear();
        Recorder().sounds.clear();
        Recorder().events.clear();
        a_ = &Spawned(0, 0, Vec3{4.5f, 0.0f, 4.5f});
        Force(*a_, 0);
        a_->strength = 100.0f;
        Pose(*a_);
        v_ = &Spawned(1, 1, Vec3{4.5f, 0.0f, 8.5f});
        Force(*v_, 0);
        v_->SetYaw(kPi);
        v_->constitution = 50.0f;
        v_->maxHealth = v_->health = 1000.0f;
        v_->position = Vec3Add(a_->position, Vec3{0.0f, 0.0f, 0.57f});
    }
    void HitOn(int animation, float frame) {
        if (a_->currentAnimation != animation) Force(*a_, animation);
        Cross(*a_, frame);
        a_->MeleeHits();
    }
    // A point of the attacker's model frame in the world.
    Vec3 World(const Vec3& p) const { return Vec3Add(a_->position, Vec3{p.x, p.y, p.z - 0.13f}); }

    Character* a_ = nullptr;
    Character* v_ = nullptr;
};

TEST_F(MeleeTest, AttackRowsAreTakenOnlyWhereTheyNameTheAnimationPlayed) {
    for (int side = 0; side < SIDE_COUNT; ++side)
        for (int i = 0; i < ATTACK_ROWS; ++i)
            EXPECT_EQ(SIDE_TABLE_ROWS[side].attacks[i].animation, i < 29 ? 50 + i : i == 29 ? -1 : (side ? 92 : 80) + i - 30);
    const struct { int side, cls, animation, row; float first, second; } cases[] = {
        {0, 3, 58, 8, 15, 18},  {1, 3, 50, 0, 5, -1},   {0, 3, 79, -1, -1, -1}, {0, 4, 89, 39, -1, -1},
        {0, 4, 90, -1, -1, -1}, {1, 4, 92, 30, -1, -1}, {1, 4, 80, -1, -1, -1}, {1, 4, 102, -1, -1, -1},
        {0, 5, 58, -1, -1, -1},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << "side " << t.side << " class " << t.cls << " animation " << t.animation);
        int row = 7;
        float first = 7.0f, second = 7.0f;
        EXPECT_EQ((t.side ? v_ : a_)->GetAttackRow(t.cls, t.animation, &row, &first, &second), t.row >= 0);
        EXPECT_EQ(row, t.row);
        EXPECT_EQ(first, t.first);
        EXPECT_EQ(second, t.second);
    }
    Force(*a_, 66);
    EXPECT_EQ(a_->AttackHitFrame(), 13.0f);
}

TEST_F(MeleeTest, Attack58HitsTwiceOnItsFramesEachAtItsOwnPoint) {
    for (float frame : {15.0f, 18.0f, 25.0f}) HitOn(58, frame);
    const std::vector<KitEffectSlot> sparks = Made(40);
    ASSERT_EQ(sparks.size(), 2u);
    ExpectNear(sparks[0].position, World(Vec3{0.16f, 0.539f, 0.687f}));
    ExpectNear(sparks[1].position, World(Vec3{0.419f, 0.66f, 0.353f}));
    EXPECT_EQ(Made(41).size(), 2u) << "heavy hits flash";
    EXPECT_FLOAT_EQ(v_->health, 1000.0f - 2.0f * 40.0f);
    EXPECT_EQ(v_->currentAnimation, 130);
    EXPECT_EQ(v_->lastAttacker, a_);
}

TEST_F(MeleeTest, TheReactionByGuardTimingTheSideItComesFromAndTheVictimsState) {
    const struct {
        const char* name;
        float yaw;
        int guard;
        float frame;
        int state;   // 1 the attacker frozen, 2 the victim knocked down, 3 the victim invulnerable
        int32_t reaction;
        float damage;
    } cases[] = {
        {"front guard in time", kPi, 143, 5, 0, -2, 2},   {"front guard late", kPi, 143, 8, 0, 130, 40},
        {"front guard early", kPi, 140, 1.5f, 0, -2, 2},  {"side guard in front", kPi, 141, 5, 0, 130, 40},
        {"frozen attacker", kPi, 143, 5, 1, 130, 40},     {"right guarded", kPi / 2, 141, 5, 0, -2, 2},
        {"right open", kPi / 2, 142, 5, 0, 132, 40},      {"left guarded", 3 * kPi / 2, 148, 5, 0, -2, 2},
        {"left open", 3 * kPi / 2, 0, 5, 0, 133, 40},     {"behind in guard", 0, 143, 5, 0, 131, 40},
        {"knocked down", kPi, 0, 5, 2, -1, 0},            {"invulnerable", kPi, 143, 5, 3, -3, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Stage();
        v_->SetYaw(t.yaw);
        v_->position = Vec3Add(a_->position, Vec3{0.0f, 0.0f, 0.57f});
        if (t.guard) Force(*v_, t.guard);
        Force(*a_, 58);
        Cross(*a_, 15.0f);
        v_->model->SetAnimationFrame(0, t.frame, true);
        a_->states[STATE_FREEZE].active = t.state == 1;
        v_->knockedDown = t.state == 2;
        v_->states[STATE_INVULNERABILITY].active = t.state == 3;
        Recorder().local = a_;
        Network(true, true);
        a_->MeleeHits();
        const auto hits = EventsOfType(22);
        ASSERT_EQ(hits.size(), 1u);
        int32_t reaction = 0;
        std::memcpy(&reaction, &hits[0][19], 4);
        EXPECT_EQ(reaction, t.reaction);
        EXPECT_FLOAT_EQ(v_->health, 1000.0f - t.damage);
        EXPECT_TRUE(Made(40).empty()) << "shown on the victim's own machine";
        Network(false, false);
        Recorder().local = nullptr;
    }
    // The event in full: victim, attacker, D, the point, reaction and heavy flag.
    const std::vector<uint8_t>& e = Recorder().events.back();
    ASSERT_EQ(e.size(), 27u);
    float damage = 0.0f;
    std::memcpy(&damage, &e[3], 4);
    EXPECT_EQ((std::vector<uint8_t>{e[1], e[2], e[19], e[20], e[23]}), (std::vector<uint8_t>{1, 0, 0xFD, 0xFF, 2}));
    EXPECT_EQ(damage, 10.0f);
}

TEST_F(MeleeTest, DamageExperienceAndSparksByStrengthAgainstConstitution) {
    HitOn(63, 9.0f);   // D 5, strength 100 against 50
    EXPECT_FLOAT_EQ(v_->health, 980.0f);
    EXPECT_GT(double(a_->experience), 5.0 / 3.0);
    EXPECT_NEAR(a_->experience, 5.0f / 3.0f, 1e-6f);
    const std::vector<KitEffectSlot> sparks = Made(42);
    ASSERT_EQ(sparks.size(), 5u);
    for (const KitEffectSlot& s : sparks) {
        ExpectNear(s.position, World(Vec3{-0.202f, 0.307f, 0.529f}));
        ExpectNear(s.aimPoint, Vec3Add(a_->position, Vec3{0.0f, 0.75f, 0.0f}));
        EXPECT_NEAR(Vec3Length(s.velocity), 12.0f, 1e-3f);
        EXPECT_TRUE(s.velocity.y >= 0.0f && s.durationMs == -1 && s.owner == a_);
    }
    // The low blow reaches only a fighter on the ground; a dead one takes nothing but shows it.
    for (int down = 0; down < 3; ++down) {
        SCOPED_TRACE(down);
        Stage();
        v_->position.y = -1.0f;   // the hit point lies 0.27 below the attacker's feet
        v_->knockedDown = down > 0;
        v_->dead = down == 2;
        HitOn(77, 13.0f);
        EXPECT_FLOAT_EQ(v_->health, down == 1 ? 1000.0f - 28.0f : 1000.0f);
        EXPECT_EQ(a_->experience > 0.0f, down == 1);
        ASSERT_EQ(Made(40).size(), 1u);
        EXPECT_EQ(Made(40)[0].colour, 16724530u);
        EXPECT_EQ(SoundIds().size(), down ? 2u - (down == 2) : 0u);
    }
    Stage();
    v_->position.x += 1.0f;   // 0.84 beside the hit point
    HitOn(58, 15.0f);
    EXPECT_TRUE(Made().empty() && Recorder().sounds.empty());
}

TEST_F(MeleeTest, ABlockPushesAwayFromTheHitShowsBlueAndAHitOfNoNumberChangesNothing) {
    const Vec3 p = Vec3Add(v_->position, Vec3{0.0f, 1.0f, -2.0f});
    v_->ApplyHit(5.0f, p, -2, 2, a_);
    ExpectNear(v_->momentum, Vec3{0.0f, -5.0f / std::sqrt(5.0f), 10.0f / std::sqrt(5.0f)});
    ASSERT_EQ(Made().size(), 1u) << "no flash for a blocked hit";
    EXPECT_TRUE(Made()[0].colour == 3289855u && Made()[0].durationMs == 350 && Made()[0].scale == 1.0f);
    EXPECT_EQ(SoundIds(), (std::vector<int>{0}));
    EXPECT_EQ(v_->lastAttacker, a_);
    const Vec3 pushed = v_->momentum;
    for (float bad : {NAN, INFINITY}) {
        v_->ApplyHit(bad, p, -2, 0, a_);
        v_->ApplyHit(1.0f, Vec3{p.x, bad, p.z}, 115, 0, a_);
    }
    ExpectNear(v_->momentum, pushed);
    EXPECT_EQ(v_->currentAnimation, 0);
    EXPECT_EQ(Made().size(), 1u);
}

TEST_F(MeleeTest, WhichMachineShowsTellsAndPlaysAHitAndWhatItPlays) {
    const struct { bool network, hosting, local; size_t effectEvents, soundEvents, played; } cases[] = {
        {false, false, false, 0, 0, 2}, {true, true, false, 2, 2, 2}, {true, false, true, 2, 2, 0},
        {true, false, false, 0, 2, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.network << t.hosting << t.local);
        Stage();
        Recorder().local = t.local ? v_ : nullptr;
        Network(t.network, t.hosting);
        v_->ApplyHit(10.0f, v_->position, 130, 2, nullptr);
        EXPECT_EQ(Made().size(), 2u);
        for (size_t i = 0; i < Recorder().sounds.size(); ++i) {
            const int id = Recorder().sounds[i].id;   // heavy impact, then side 1's voice six on
            EXPECT_TRUE(i == 0 ? id >= 14 && id <= 19 : id == 30 || id == 31) << id;
        }
        EXPECT_EQ(EventsOfType(31).size(), t.effectEvents);
        EXPECT_EQ(EventsOfType(37).size(), t.soundEvents);
        EXPECT_EQ(Recorder().sounds.size(), t.played);
        Network(false, false);
    }
}

}  // namespace
}  // namespace fightertest
