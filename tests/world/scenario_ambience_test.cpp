// The scenario's ambience over the fighters' arena with a scripted random sequence, a stand-in
// local fighter and the recording stand-ins of the rain, ripples, glow motes, bubbles and flash.
#include <gtest/gtest.h>

#include <cmath>
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
#include "world/world_seams.h"

using testsupport::Ambience;
using testsupport::BubbleStandIn;
using testsupport::FlashStandIn;
using testsupport::GlowMotesStandIn;
using testsupport::Recorder;
using testsupport::RippleStandIn;
using testsupport::SceneEffectsOf;

namespace {

constexpr uint32_t kNow = 10000;

ScenarioRow RowWith(uint8_t rain, uint8_t glowMotes, uint8_t bubbles) {
    ScenarioRow row = NeutralScenarioRow;
    row.rain = rain;
    row.glowMotes = glowMotes;
    row.bubbles = bubbles;
    return row;
}

class AmbienceTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        ResetScenario();
        ResetCharacters();
        ASSERT_TRUE(testsupport::LoadArenaCollision(g_Scene.collisionOctree));
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        Ambience().Clear();
        testsupport::InstallAmbienceStandIns();
        g_Settings.mode = 0;
        g_Menu = Menu();
        StopMatchClockAt(kNow);
        local = &g_Characters[0];
        Recorder().local = local;
        Use(RowWith(0, 0, 0));
    }
    void TearDown() override {
        ResetScenario();
        ResetCharacters();
        testsupport::RemoveAmbienceStandIns();
        testsupport::RemoveFighterRecorders();
        g_Settings.rain = 0;
        fxtest::FxDeviceTest::TearDown();
    }

    void Use(const ScenarioRow& r) {
        row = r;
        g_Scenario.number = 1;
        g_Scenario.row = &row;
    }
    static void AddWater(float level) {
        auto* w = new WaterObject();
        w->level = level;
        g_Scene.waters->Add(w);
    }
    // No lightning draw this frame: the stamp is fresh and no sequence runs.
    static void QuietSky() {
        g_LightningTime = kNow;
        g_LightningCounter = 4;
    }
    static void ExpectScriptUsedUp() {
        EXPECT_TRUE(Ambience().randoms.empty()) << Ambience().randoms.size() << " scripted draws left";
        EXPECT_EQ(Ambience().drawsPastScript, 0);
    }

    ScenarioRow row{};
    Character* local = nullptr;
};

TEST_F(AmbienceTest, RainSetUpGivesTheEmitterItsValuesAndAHeadStart) {
    Use(RowWith(1, 0, 0));
    g_Scenario.SetupRain(true);
    const testsupport::AmbienceRecorder& a = Ambience();
    ASSERT_TRUE(a.rainInitialised);
    EXPECT_FLOAT_EQ(a.rainBoxMax.x, 20.0f);
    EXPECT_FLOAT_EQ(a.rainBoxMax.y, 2.0f);
    EXPECT_FLOAT_EQ(a.rainBoxMin.z, -20.0f);
    EXPECT_EQ(a.rainRate, 700);
    EXPECT_FLOAT_EQ(a.rainDrops.length, 0.7f);
    EXPECT_FLOAT_EQ(a.rainDrops.floorHeight, -5.0f);
    // (0.2, -1, 0.2) / sqrt(1.08)
    EXPECT_NEAR(a.rainDrops.direction.x, 0.19245009f, 1e-6f);
    EXPECT_NEAR(a.rainDrops.direction.y, -0.96225045f, 1e-6f);
    EXPECT_FLOAT_EQ(a.rainDrops.speed, 15.0f);
    EXPECT_EQ(a.rainDrops.tailColour, 0x00ffffffu);
    EXPECT_EQ(a.rainDrops.headColour, 0x80006496u);
    EXPECT_EQ(a.rainFlags, 0u);
    EXPECT_EQ(a.rainAdvances, (std::vector<uint32_t>{1000}));
    EXPECT_EQ(g_Scene.ambientEffect, &g_Scenario.rain);
    EXPECT_EQ(g_Settings.rain, 1);

    g_Scenario.SetupRain(false);
    EXPECT_EQ(g_Scene.ambientEffect, nullptr);
    EXPECT_EQ(g_Settings.rain, 0);

    SCOPED_TRACE("a row without rain");
    Ambience().Clear();
    Use(RowWith(0, 1, 1));
    g_Scenario.SetupRain(true);
    EXPECT_FALSE(Ambience().rainInitialised);
    EXPECT_EQ(g_Scene.ambientEffect, nullptr);
}

TEST_F(AmbienceTest, TheEmitterSnapsWithinTenUnitsMovesBeyondAndEndsItsDrops22BelowTheTarget) {
    Use(RowWith(1, 0, 0));
    g_Scenario.rain.PositionedObject::SetPosition(Vec3{});
    struct Step {
        Vec3 fighter;
        bool moved;
    } steps[] = {
        {{3, 0, 4}, true},      // from (0, 0, 0) to (3, 18, 4): 18.7 away
        {{3, 0, 13}, false},    // 9 away
        {{3, 5, 24}, true},     // 12.1 away
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.fighter.x << ", " << s.fighter.y << ", " << s.fighter.z);
        QuietSky();
        Ambience().rainPlacements.clear();
        Ambience().rainFloors.clear();
        local->position = s.fighter;
        g_Scenario.UpdateRain(0);
        ASSERT_EQ(Ambience().rainPlacements.size(), 1u);
        EXPECT_EQ(Ambience().rainPlacements[0].moved, s.moved);
        EXPECT_FLOAT_EQ(Ambience().rainPlacements[0].centre.y, s.fighter.y + 18.0f);
        EXPECT_FLOAT_EQ(Ambience().rainPlacements[0].centre.z, s.fighter.z);
        EXPECT_EQ(Ambience().rainFloors, (std::vector<float>{s.fighter.y - 4.0f}));
    }
    ExpectScriptUsedUp();
}

TEST_F(AmbienceTest, RippleAttemptsComeOnePerFiveMillisecondsOnTheWaterOnly) {
    Use(RowWith(1, 0, 0));
    AddWater(testsupport::ARENA_WATER_SURFACE);
    g_Scenario.ripple0 = 7;
    local->position = Vec3{20, -1, 12};
    QuietSky();
    // 12 ms: two attempts, the first on the water, the second 20 units off it on the floor.
    Ambience().Script({2000, 2000, 0, 2000});
    g_Scenario.UpdateRain(12);
    ExpectScriptUsedUp();
    std::vector<RippleStandIn*> ripples = SceneEffectsOf<RippleStandIn>();
    ASSERT_EQ(ripples.size(), 1u);
    const SpriteMoverTemplate& t = ripples[0]->made;
    EXPECT_FLOAT_EQ(t.position.x, 20.0f);
    EXPECT_FLOAT_EQ(t.position.y, testsupport::ARENA_WATER_SURFACE);
    EXPECT_FLOAT_EQ(t.position.z, 12.0f);
    EXPECT_EQ(t.lifetime, 300);
    EXPECT_FLOAT_EQ(t.facingDirection.y, 1.0f);
    EXPECT_EQ(t.colourStart, 0xffc8c8c8u);
    EXPECT_FLOAT_EQ(t.sizeStart, 0.001f);
    EXPECT_FLOAT_EQ(t.sizeEnd, 1.0f);
    EXPECT_EQ(t.texture, 7);
    EXPECT_EQ(t.blendMode, 2);
    EXPECT_EQ(t.drawFlags, SPRITE_FIXED_FACING);

    SCOPED_TRACE("4 ms: none");
    g_Scenario.UpdateRain(4);
    ExpectScriptUsedUp();
    EXPECT_EQ(SceneEffectsOf<RippleStandIn>().size(), 1u);
}

TEST_F(AmbienceTest, WithoutWaterThereAreNoRippleDraws) {
    Use(RowWith(1, 0, 0));
    local->position = Vec3{20, -1, 12};
    QuietSky();
    g_Scenario.UpdateRain(50);
    ExpectScriptUsedUp();
    EXPECT_TRUE(SceneEffectsOf<RippleStandIn>().empty());
}

TEST_F(AmbienceTest, EachStepOfTheLightningInsideAndOutsideItsWindow) {
    Use(RowWith(1, 0, 0));
    local->position = Vec3{1, 2, 3};
    struct Case {
        const char* name;
        int32_t counter;
        uint32_t elapsed;                   // since the stamp
        std::vector<int> script;
        int32_t counterAfter;
        bool stampRenewed;
        uint32_t flashMs;                   // 0: no flash
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
        if (g_Scene.effects) g_Scene.effects->Clear();
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
        if (!c.flashMs) {
            EXPECT_TRUE(Recorder().sounds.empty());
            continue;
        }
        EXPECT_EQ(flashes[0]->durationMs, c.flashMs);
        EXPECT_EQ(flashes[0]->riseMs, c.flashMs / 3);
        EXPECT_EQ(flashes[0]->colour, 0xffffffffu);
        EXPECT_EQ(flashes[0]->flags, 1u);
        ASSERT_EQ(Recorder().sounds.size(), 1u);
        EXPECT_EQ(Recorder().sounds[0].id, c.sound);
        EXPECT_FLOAT_EQ(Recorder().sounds[0].position.z, 3.0f);
    }
}

TEST_F(AmbienceTest, AFlashWithoutSoundDrawsNothingAndOneWithoutAFighterSoundsUnplaced) {
    SpawnFlash(90, false);
    ExpectScriptUsedUp();
    EXPECT_TRUE(Recorder().sounds.empty());
    ASSERT_EQ(SceneEffectsOf<FlashStandIn>().size(), 1u);
    EXPECT_EQ(SceneEffectsOf<FlashStandIn>()[0]->riseMs, 30u);

    Recorder().local = nullptr;
    Ambience().Script({0});
    SpawnFlash(90, true);
    ExpectScriptUsedUp();
    ASSERT_EQ(Recorder().sounds.size(), 1u);
    EXPECT_EQ(Recorder().sounds[0].id, 183);
    EXPECT_FALSE(Recorder().sounds[0].hasPosition);
}

TEST_F(AmbienceTest, GlowMotesComeEvery100MillisecondsAroundTheFighter) {
    Use(RowWith(0, 1, 0));
    local->position = Vec3{4, 0, 4};
    // x: -15 + 20.00, y: 1 + 1.00, z: -15 + 0, drift: -1 + 1.50
    Ambience().Script({2000, 100, 0, 150});
    g_Scenario.SpawnGlowMotes();
    ExpectScriptUsedUp();
    std::vector<GlowMotesStandIn*> motes = SceneEffectsOf<GlowMotesStandIn>();
    ASSERT_EQ(motes.size(), 1u);
    const GlowMoteParams& p = motes[0]->params;
    EXPECT_FLOAT_EQ(p.position.x, 9.0f);
    EXPECT_FLOAT_EQ(p.position.y, 2.0f);
    EXPECT_FLOAT_EQ(p.position.z, -11.0f);
    EXPECT_FLOAT_EQ(p.direction.x, 0.5f);
    EXPECT_FLOAT_EQ(p.direction.z, 0.5f);
    EXPECT_FLOAT_EQ(p.size, 0.05f);
    EXPECT_EQ(p.lifetime, 5000u);
    EXPECT_FLOAT_EQ(p.speedMin, 0.0f);
    EXPECT_FLOAT_EQ(p.speedMax, 5.0f);
    EXPECT_EQ(p.turnPeriod, 1500u);
    EXPECT_EQ(p.colour, 0xffffffc6u);
    EXPECT_EQ(p.fadeTime, 500u);
    EXPECT_EQ(p.trailCount, 4);
    EXPECT_EQ(motes[0]->setupValue, 1u);
    EXPECT_EQ(g_GlowMoteTime, kNow);

    StopMatchClockAt(kNow + 99);
    g_Scenario.SpawnGlowMotes();
    EXPECT_EQ(SceneEffectsOf<GlowMotesStandIn>().size(), 1u);
    StopMatchClockAt(kNow + 100);
    Ambience().Script({0, 0, 0, 0});
    g_Scenario.SpawnGlowMotes();
    ExpectScriptUsedUp();
    EXPECT_EQ(SceneEffectsOf<GlowMotesStandIn>().size(), 2u);
}

TEST_F(AmbienceTest, BubblesComeFivePerSquareUnitAndHourOnTheLava) {
    Use(RowWith(0, 0, 1));
    PathMap& map = g_Scenario.pathMap;
    map.min = Vec3{0, -5, 0};
    map.max = Vec3{100, 10, 100};
    local->position = Vec3{1, 0, 1};

    SCOPED_TRACE("71 ms: trunc(10000 x 5 x 0.071 / 3600) = 0, the time is kept");
    g_Scenario.SpawnBubbles(71);
    ExpectScriptUsedUp();
    EXPECT_EQ(g_Scenario.bubbleTime, 71u);

    SCOPED_TRACE("720 ms in all: 10 bubbles tried; the lava at (28, 12), the floor at (5, 5)");
    for (int i = 0; i < 9; ++i) Ambience().Script({280, 120});
    Ambience().Script({50, 50});
    g_Scenario.SpawnBubbles(649);
    ExpectScriptUsedUp();
    EXPECT_EQ(g_Scenario.bubbleTime, 0u);
    const std::vector<BubbleStandIn*> bubbles = SceneEffectsOf<BubbleStandIn>();
    ASSERT_EQ(bubbles.size(), 9u);
    EXPECT_FLOAT_EQ(bubbles[0]->at.x, 28.0f);
    EXPECT_FLOAT_EQ(bubbles[0]->at.y, testsupport::ARENA_LAVA_SURFACE);
    EXPECT_FLOAT_EQ(bubbles[0]->at.z, 12.0f);

    SCOPED_TRACE("72 ms alone: exactly one");
    Ambience().Script({280, 120});
    g_Scenario.SpawnBubbles(72);
    ExpectScriptUsedUp();
    EXPECT_EQ(SceneEffectsOf<BubbleStandIn>().size(), 10u);
}

TEST_F(AmbienceTest, TheAmbienceRunsByModeMenuAndFighter) {
    Use(RowWith(1, 1, 1));
    g_Scenario.pathMap.max = Vec3{100, 10, 100};
    QuietSky();
    g_GlowMoteTime = kNow;   // no glow mote due
    local->position = Vec3{1, 0, 1};
    struct Case {
        const char* name;
        int mode;
        bool menu;
        bool fighter;
        int placements;
        int props;
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
        Recorder().local = c.fighter ? local : nullptr;
        g_Scenario.UpdateAmbient(16);
        EXPECT_EQ(int(Ambience().rainPlacements.size()), c.placements);
        EXPECT_EQ(Ambience().propUpdates, c.props);
        EXPECT_EQ(Ambience().itemUpdates, c.props);
        EXPECT_EQ(g_Scenario.bubbleTime, c.placements ? 16u : 0u) << "bubble time runs only in play";
        ExpectScriptUsedUp();
    }
}

}  // namespace
