// The animations of a fighter's life cycle: entering, dying by the reaction it was in, lying,
// getting up, rising again, falling off the ground, and the turn of a sideways fall.
#include <string>
#include <vector>

#include "animation_fixture.h"

namespace fightertest {
namespace {

class FighterAnimationLifeTest : public AnimationTest {};

TEST_F(FighterAnimationLifeTest, AFighterEntersWithItsSidesAnimationOrStandsInTheEditorAndTheMenu) {
    const struct {
        const char* name;
        int side, mode;
        bool menu;
        int animation;
    } cases[] = {
        {"side 0", 0, 0, false, 190}, {"side 1", 1, 0, false, 192}, {"editor", 1, 3, false, 0},
        {"menu", 0, 0, true, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Settings.mode = t.mode;
        g_Menu.active = t.menu ? 1 : 0;
        Character& c = Fighter(t.side);
        EXPECT_EQ(c.currentAnimation, t.animation);
        EXPECT_EQ(c.model->GetAnimationIndex(0), t.animation);
        EXPECT_EQ(c.actionClass, ActionClassOf(t.animation));
    }
}

TEST_F(FighterAnimationLifeTest, TheDeathFollowsTheHitReactionAndLyingOrFallingStaysAsItIs) {
    const struct {
        int current, death;
    } cases[] = {{0, 130},   {116, 131}, {120, 131}, {117, 132}, {121, 132}, {118, 133}, {122, 133},
                 {119, 130}, {124, 124}, {131, 131}, {134, 134}, {135, 130}, {50, 130}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.current);
        Character& c = Fighter();
        Force(c, t.current);
        c.Die();
        EXPECT_EQ(c.currentAnimation, t.death);
        EXPECT_EQ(c.model->GetAnimationIndex(0), t.death);
    }
}

TEST_F(FighterAnimationLifeTest, TheDeadRiseAfter3000MsOfAMatchStillRunning) {
    const struct {
        const char* name;
        int side, matchState;
        uint32_t after;
        int animation;
    } cases[] = {
        {"side 0", 0, 0, 3001, 191}, {"side 1", 1, 0, 3001, 193}, {"at 3000", 0, 0, 3000, 134},
        {"match over", 0, 1, 9000, 134},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        g_Match.state = t.matchState;
        Character& c = Fighter(t.side);
        Force(c, 134);
        c.dead = 1;
        c.deathTime = kStartTime;
        SetTime(kStartTime + t.after);
        ToWrap(c);
        c.UpdateStates();
        EXPECT_EQ(c.currentAnimation, t.animation);
    }
}

TEST_F(FighterAnimationLifeTest, LyingTurnsIntoTheKnockDownAndTheFighterGetsUpOnceItHasLainLongEnough) {
    const struct {
        const char* name;
        bool network, local;
        uint32_t lying;
    } cases[] = {
        {"computer fighter", false, false, 3000},
        {"local fighter", false, true, 6000},
        {"network game", true, true, 6000},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        SetTime(kStartTime);
        Character& c = Fighter();
        Recorder().local = t.local ? &c : nullptr;
        Network(t.network, false);
        Force(c, 124);
        c.knockDownTime = kStartTime - 100;
        ToWrap(c);
        c.UpdateAnimationEnd();
        EXPECT_EQ(c.currentAnimation, 134);
        EXPECT_EQ(c.knockDownTime, kStartTime - 100);
        SetTime(kStartTime - 100 + t.lying);
        ToWrap(c);
        c.UpdateAnimationEnd();
        EXPECT_EQ(c.currentAnimation, 134);
        SetTime(kStartTime - 100 + t.lying + 1);
        ToWrap(c);
        c.UpdateAnimationEnd();
        EXPECT_EQ(c.currentAnimation, 136);
        EXPECT_EQ(c.knockedDown, 0);
        Network(false, false);
        Recorder().local = nullptr;
    }
}

TEST_F(FighterAnimationLifeTest, ASidewaysFallLeavesTheBodyTurnedAsItLiesDown) {
    const struct {
        int fall;
        bool dead;
        float turn;
    } cases[] = {{132, true, -1.1519173f}, {133, true, 1.0995574f}, {133, false, 1.0995574f}, {131, true, 0.0f}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.fall);
        Character& c = Fighter();
        Force(c, t.fall);
        c.dead = t.dead ? 1 : 0;
        ToWrap(c);
        c.UpdateAnimationEnd();
        EXPECT_NEAR(c.model->angles.y, t.turn, 1e-6f);
        EXPECT_NEAR(c.yaw, WrapYaw(t.turn), 1e-5f);
        EXPECT_EQ(c.currentAnimation, 134);
    }
}

TEST_F(FighterAnimationLifeTest, AFighterWithoutGroundUnderItFalls) {
    const struct {
        float momentum;
        uint32_t blend;
    } cases[] = {{0.0f, 300}, {0.2f, 300}, {0.3f, 0}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.momentum);
        Character& c = Fighter();
        Force(c, 0);
        c.airborne = 0;   // the landing is not the spawn's yet
        c.momentum = Vec3{t.momentum, 0.0f, 0.0f};
        c.model->heightOffset = 0.95f;
        c.previousPosition = Vec3{c.position.x, 0.95f, c.position.z};
        c.UpdateGround(true);
        ASSERT_EQ(c.airborne, 1);
        EXPECT_EQ(c.currentAnimation, 37);
        EXPECT_EQ(Controller(c, 0).blendTotal, t.blend);
    }
}

}  // namespace
}  // namespace fightertest
