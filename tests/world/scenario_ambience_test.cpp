// The scenario's ambience over the fighters' arena with a scripted random sequence, a stand-in
// local fighter and the recording stand-ins of the rain, ripples, glow motes, bubbles and flash.
#include <gtest/gtest.h>

#include <vector>

#include "core/settings.h"
#include "fighters/character.h"
#include "frontend/menu.h"
#include "scene/collision_octree.h"
#include "scene/object_list.h"
#include "scene/scene_element_records.h"
#include "scene/water.h"
#include "support/ambience_standins.h"
#include "support/fighter_kit.h"
#include "world/scenario.h"

using namespace testsupport;

namespace {

constexpr uint32_t kNow = 10000;

class AmbienceTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        ResetScenario();
        ASSERT_TRUE(LoadArenaCollision(g_Scene.collisionOctree));
        Recorder().Clear();
        InstallFighterRecorders();
        Ambience().Clear();
        InstallAmbienceStandIns();
        g_Settings.mode = 0;
        ResetMenu();
        StopMatchClockAt(kNow);
        Recorder().local = &g_Characters[0];
        // A fresh stamp and no sequence: the lightning draws nothing.
        g_LightningTime = kNow;
        g_LightningCounter = 4;
    }
    void TearDown() override {
        ResetScenario();
        ResetCharacters();
        RemoveAmbienceStandIns();
        RemoveFighterRecorders();
        g_Settings.rain = 0;
        fxtest::FxDeviceTest::TearDown();
    }

    void Use(uint8_t rain, uint8_t glowMotes, uint8_t bubbles) {
        row = NeutralScenarioRow;
        row.rain = rain;
        row.glowMotes = glowMotes;
        row.bubbles = bubbles;
        g_Scenario.row = &row;
    }
    static void FighterAt(const Vec3& p) { g_Characters[0].position = p; }
    static void ExpectScriptUsedUp() {
        EXPECT_TRUE(Ambience().randoms.empty()) << Ambience().randoms.size() << " scripted draws left";
        EXPECT_EQ(Ambience().drawsPastScript, 0);
    }

    ScenarioRow row{};
};

TEST_F(AmbienceTest, RainSetUpGivesTheEmitterItsValuesAndAHeadStart) {
    Use(1, 0, 0);
    g_Scenario.SetupRain(true);
    const AmbienceRecorder& a = Ambience();
    ASSERT_TRUE(a.rainInitialised);
    EXPECT_EQ(a.rainBoxMax.y, 2.0f);
    EXPECT_EQ(a.rainBoxMin.z, -20.0f);
    EXPECT_EQ(a.rainRate, 700);
    EXPECT_FLOAT_EQ(a.rainDrops.floorHeight, -5.0f);
    EXPECT_NEAR(a.rainDrops.direction.y, -0.96225045f, 1e-6f);   // (0.2, -1, 0.2) / sqrt(1.08)
    EXPECT_EQ(a.rainDrops.headColour, 0x80006496u);
    EXPECT_EQ(a.rainAdvances, (std::vector<uint32_t>{1000}));
    EXPECT_EQ(g_Scene.ambientEffect, &g_Scenario.rain);
    EXPECT_EQ(g_Settings.rain, 1);
    g_Scenario.SetupRain(false);
    EXPECT_EQ(g_Scene.ambientEffect, nullptr);
    EXPECT_EQ(g_Settings.rain, 0);

    Ambience().Clear();
    Use(0, 1, 1);
    g_Scenario.SetupRain(true);
    EXPECT_FALSE(Ambience().rainInitialised) << "a row without rain";
}

TEST_F(AmbienceTest, TheEmitterSnapsWithinTenUnitsMovesBeyondAndEndsItsDrops22BelowTheTarget) {
    Use(1, 0, 0);
    g_Scenario.rain.SetPosition(Vec3{});
    struct Step {
        Vec3 fighter;
        bool moved;
    } steps[] = {{{3, 0, 4}, true}, {{3, 0, 13}, false}, {{3, 5, 24}, true}};   // 18.7, 9 and 12.1 away
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.fighter.x << ", " << s.fighter.y << ", " << s.fighter.z);
        Ambience().rainPlacements.clear();
        Ambience().rainFloors.clear();
        FighterAt(s.fighter);
        g_Scenario.UpdateRain(0);
        ASSERT_EQ(Ambience().rainPlacements.size(), 1u);
        EXPECT_EQ(Ambience().rainPlacements[0].moved, s.moved);
        EXPECT_FLOAT_EQ(Ambience().rainPlacements[0].centre.y, s.fighter.y + 18.0f);
        EXPECT_EQ(Ambience().rainFloors, (std::vector<float>{s.fighter.y - 4.0f}));
    }
    ExpectScriptUsedUp();
}

TEST_F(AmbienceTest, RippleAttemptsComeOnePerFiveMillisecondsOnTheWaterOnly) {
    Use(1, 0, 0);
    FighterAt({20, -1, 12});
    g_Scenario.UpdateRain(50);
    ExpectScriptUsedUp();   // no water object: no attempt

    auto* water = new WaterObject();
    water->level = ARENA_WATER_SURFACE;
    g_Scene.waters->Add(water);
    g_Scenario.ripple0 = 7;
    // 12 ms: two attempts, on the water under the fighter, then 20 units off it on the floor.
    Ambience().Script({2000, 2000, 0, 2000});
    g_Scenario.UpdateRain(12);
    g_Scenario.UpdateRain(4);
    ExpectScriptUsedUp();
    const std::vector<RippleStandIn*> ripples = SceneEffectsOf<RippleStandIn>();
    ASSERT_EQ(ripples.size(), 1u);
    const SpriteMoverTemplate& t = ripples[0]->made;
    EXPECT_FLOAT_EQ(t.position.x, 20.0f);
    EXPECT_FLOAT_EQ(t.position.y, ARENA_WATER_SURFACE);
    EXPECT_EQ(t.lifetime, 300);
    EXPECT_EQ(t.facingDirection.y, 1.0f);
    EXPECT_EQ(t.colourStart, 0xffc8c8c8u);
    EXPECT_EQ(t.sizeEnd, 1.0f);
    EXPECT_EQ(t.texture, 7);
}

TEST_F(AmbienceTest, EachStepOfTheLightningInsideAndOutsideItsWindow) {
    Use(1, 0, 0);
    FighterAt({1, 2, 3});
    struct Case {
        const char* name;
        int32_t counter;
        uint32_t elapsed;   // since the stamp
        std::vector<int> script;
        int32_t counterAfter;
        bool stampRenewed;
        uint32_t flashMs;   // 0: no flash
        int sound;
    } cases[] = {
        {"idle 1001 ms: the stamp is renewed", 4, 1001, {5}, 4, true, 0, 0},
        {"idle 1001 ms: a sequence is armed", 4, 1001, {22, 7}, 0, false, 0, 0},
        {"idle 1000 ms: nothing drawn", 4, 1000, {}, 4, false, 0, 0},
        {"armed: the first flash", 0, 500, {101, 1}, 1, true, 250, 184},
        {"armed: no luck", 0, 500, {100}, 0, false, 0, 0},
        {"second inside 200..300", 1, 250, {200, 0}, 2, false, 350, 183},
        {"second at 200", 1, 200, {}, 1, false, 0, 0},
        {"second at 300", 1, 300, {}, 1, false, 0, 0},
        {"third inside 400..500, even", 2, 450, {4, 201, 0}, 3, false, 100, 183},
        {"third inside 400..500, odd: no flash", 2, 499, {3}, 3, false, 0, 0},
        {"third at 400", 2, 400, {}, 2, false, 0, 0},
        {"fourth inside 450..550, even", 3, 500, {2, 100, 1}, 4, false, 200, 184},
        {"fourth inside 450..550, odd: no flash", 3, 451, {1}, 4, false, 0, 0},
        {"fourth at 550", 3, 550, {}, 3, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_Scene.effects->Clear();
        Recorder().sounds.clear();
        Ambience().randoms.assign(c.script.begin(), c.script.end());
        g_LightningCounter = c.counter;
        g_LightningTime = kNow - c.elapsed;
        g_Scenario.UpdateRain(0);
        ExpectScriptUsedUp();
        EXPECT_EQ(g_LightningCounter, c.counterAfter);
        EXPECT_EQ(g_LightningTime, c.stampRenewed ? kNow : kNow - c.elapsed);
        const std::vector<FlashStandIn*> flashes = SceneEffectsOf<FlashStandIn>();
        ASSERT_EQ(flashes.size(), c.flashMs ? 1u : 0u);
        ASSERT_EQ(Recorder().sounds.size(), c.flashMs ? 1u : 0u);
        if (!c.flashMs) continue;
        EXPECT_EQ(flashes[0]->durationMs, c.flashMs);
        EXPECT_EQ(flashes[0]->riseMs, c.flashMs / 3);
        EXPECT_EQ(flashes[0]->colour, 0xffffffffu);
        EXPECT_EQ(flashes[0]->flags, 1u);
        EXPECT_EQ(Recorder().sounds[0].id, c.sound);
        EXPECT_EQ(Recorder().sounds[0].position.z, 3.0f);
    }
}

TEST_F(AmbienceTest, GlowMotesComeEvery100MillisecondsAroundTheFighter) {
    Use(0, 1, 0);
    FighterAt({4, 0, 4});
    // x: -15 + 20.00, y: 1 + 1.00, z: -15 + 0, drift: -1 + 1.50
    Ambience().Script({2000, 100, 0, 150});
    g_Scenario.SpawnGlowMotes();
    StopMatchClockAt(kNow + 99);
    g_Scenario.SpawnGlowMotes();
    ExpectScriptUsedUp();
    std::vector<GlowMotesStandIn*> motes = SceneEffectsOf<GlowMotesStandIn>();
    ASSERT_EQ(motes.size(), 1u);
    const GlowMoteParams& p = motes[0]->params;
    EXPECT_EQ(p.position.x, 9.0f);
    EXPECT_EQ(p.position.y, 2.0f);
    EXPECT_EQ(p.position.z, -11.0f);
    EXPECT_EQ(p.direction.y, 0.5f);
    EXPECT_EQ(p.turnPeriod, 1500u);
    EXPECT_EQ(p.colour, 0xffffffc6u);
    EXPECT_EQ(p.trailCount, 4);
    EXPECT_EQ(motes[0]->setupValue, 1u);

    StopMatchClockAt(kNow + 100);
    Ambience().Script({0, 0, 0, 0});
    g_Scenario.SpawnGlowMotes();
    ExpectScriptUsedUp();
    EXPECT_EQ(SceneEffectsOf<GlowMotesStandIn>().size(), 2u);
}

TEST_F(AmbienceTest, BubblesComeFivePerSquareUnitAndHourOnTheLava) {
    Use(0, 0, 1);
    g_Scenario.pathMap.min = Vec3{0, -5, 0};
    g_Scenario.pathMap.max = Vec3{100, 10, 100};
    // 71 ms: trunc(10000 x 5 x 0.071 / 3600) = 0, and the time is kept.
    g_Scenario.SpawnBubbles(71);
    EXPECT_EQ(g_Scenario.bubbleTime, 71u);
    // 720 ms in all: 10 tried, nine over the lava at (28, 12), one over the floor at (5, 5).
    for (int i = 0; i < 9; ++i) Ambience().Script({280, 120});
    Ambience().Script({50, 50});
    g_Scenario.SpawnBubbles(649);
    ExpectScriptUsedUp();
    EXPECT_EQ(g_Scenario.bubbleTime, 0u);
    const std::vector<BubbleStandIn*> bubbles = SceneEffectsOf<BubbleStandIn>();
    ASSERT_EQ(bubbles.size(), 9u);
    EXPECT_EQ(bubbles[0]->at.x, 28.0f);
    EXPECT_EQ(bubbles[0]->at.y, ARENA_LAVA_SURFACE);
    // 72 ms alone: exactly one.
    Ambience().Script({280, 120});
    g_Scenario.SpawnBubbles(72);
    ExpectScriptUsedUp();
    EXPECT_EQ(SceneEffectsOf<BubbleStandIn>().size(), 10u);
}

TEST_F(AmbienceTest, TheAmbienceRunsByModeMenuAndFighterAndPropsAndItemsFollow) {
    Use(1, 1, 1);
    g_Scenario.pathMap.max = Vec3{100, 10, 100};
    g_GlowMoteTime = kNow;   // no glow mote due
    struct Case {
        const char* name;
        int mode;
        bool menu, fighter;
        int rain, props;
    } cases[] = {
        {"play mode: rain, then props and items", 0, false, true, 1, 1},
        {"the menu is open: nothing", 0, true, true, 0, 0},
        {"scenario viewer: only props and items", 2, false, true, 0, 1},
        {"editor: only props and items", 3, false, true, 0, 1},
        {"no local fighter: only props and items", 0, false, false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Ambience().rainPlacements.clear();
        Ambience().propUpdates = Ambience().itemUpdates = 0;
        g_Scenario.bubbleTime = 0;
        g_Settings.mode = c.mode;
        g_Menu.active = c.menu ? 1 : 0;
        Recorder().local = c.fighter ? &g_Characters[0] : nullptr;
        g_Scenario.UpdateAmbient(16);
        EXPECT_EQ(int(Ambience().rainPlacements.size()), c.rain);
        EXPECT_EQ(Ambience().propUpdates, c.props);
        EXPECT_EQ(Ambience().itemUpdates, c.props);
        EXPECT_EQ(g_Scenario.bubbleTime, c.rain ? 16u : 0u) << "the bubbles' time runs only in play";
        ExpectScriptUsedUp();
    }
}

}  // namespace
