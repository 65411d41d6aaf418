// The HUD's 3D markers on the recording device: which are made, their spin and place on the pick
// rays, the objective each game kind points the compass to, and the portrait panel's restoring
// of the view when the fighter's model cannot be shown. (That the markers stand still during a
// pause is the game frame's gating, tested with the frame.)
#include <gtest/gtest.h>

#include <memory>

#include "hud_fixture.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "screen_2d_fixture.h"
#include "support/frontend_data.h"
#include "world/dynamic_mesh.h"

namespace {

using hudtest::Shell;

class HudMarkersTest : public screentest::Screen2DTest {
public:
    Character local, enemy;

    void SetUp() override {
        Screen2DTest::SetUp();
        hudtest::InstallShell();
        g_Settings.interfaceFaces = 0;
        g_Match.localSide = 0;
        hudtest::MakeFighter(local, 0, {0, 0, 0});
        hudtest::MakeFighter(enemy, 1, {0, 0, 50});
        Shell().local = &local;
        Shell().eye = {0, 0, -10};
        Shell().target = {0, 0, 0};
        g_ItemModels[20] = new DynamicMesh();
        g_Match.modeTemplates[TEMPLATE_CLOCK] = new DynamicMesh();
        g_Match.modeTemplates[TEMPLATE_COMPASS] = new DynamicMesh();
    }
    void TearDown() override {
        hudtest::RemoveShell();
        Screen2DTest::TearDown();
    }
    void LoadKind(int kind) {
        g_Match.gameKind = kind;
        g_Hud.Load();
    }
    Item& PlaceItem(int slot, int type, const Vec3& at) {
        Item& item = g_Items[slot];
        item.active = item.present = 1;
        item.type = type;
        item.position = at;
        return item;
    }
};

TEST(HudYawTest, HeadingsOnTheGround) {
    const Vec3 o{1, 5, 1};
    EXPECT_FLOAT_EQ(HudYaw(o, {1, 0, 4}), 0.0f);
    EXPECT_FLOAT_EQ(HudYaw(o, {3, 0, 1}), kPi / 2);
    EXPECT_FLOAT_EQ(HudYaw(o, {-3, 0, 1}), 3 * kPi / 2);
    EXPECT_FLOAT_EQ(HudYaw(o, {1, 0, -3}), kPi);
    EXPECT_FLOAT_EQ(HudYaw(o, {2, 0, 2}), kPi / 4);
    EXPECT_FLOAT_EQ(HudYaw(o, {0, 0, 2}), 7 * kPi / 4);
}

TEST_F(HudMarkersTest, TheClockIsMadeOnlyWithATimeLimitAndTheMarkersSpinOnTheirRays) {
    LoadKind(5);
    EXPECT_NE(g_Hud.coinMarker, nullptr);
    EXPECT_EQ(g_Hud.clockMarker, nullptr);
    EXPECT_NE(g_Hud.compassMarker, nullptr);
    EXPECT_EQ(g_Hud.coinMarker->lit, 0);

    LoadKind(2);
    ASSERT_NE(g_Hud.clockMarker, nullptr);
    Shell().dt = 1.0f;
    g_Hud.UpdateMarkers();
    EXPECT_FLOAT_EQ(g_Hud.coinSpin, 2.5f);
    EXPECT_FLOAT_EQ(g_Hud.clockSpin, 1.5f);
    struct Case {
        DynamicMesh* marker;
        float distance;
    };
    for (const Case& c : {Case{g_Hud.coinMarker, 10}, Case{g_Hud.clockMarker, 22}, Case{g_Hud.compassMarker, 14}}) {
        EXPECT_NEAR(Vec3Length(Vec3Sub(c.marker->transform.translation, g_Scene.camera->eye)), c.distance, 1e-3f);
        EXPECT_EQ(c.marker->transformValid, 0);
    }
    // Near the top right corner: right of and above the view's centre.
    EXPECT_GT(Vec3Dot(Vec3Sub(g_Hud.coinMarker->transform.translation, g_Scene.camera->eye), g_Scene.camera->right),
              0.0f);
    EXPECT_GT(Vec3Dot(Vec3Sub(g_Hud.coinMarker->transform.translation, g_Scene.camera->eye), g_Scene.camera->up),
              0.0f);
}

TEST_F(HudMarkersTest, EachGameKindPointsToItsObjective) {
    struct Case {
        const char* name;
        int kind;
        void (*arrange)(HudMarkersTest& t);
        float distance;
        float bearing;
        int32_t value;
    };
    const Case cases[] = {
        {"greed prefers the 50-coin to a nearer 1-coin", 2,
         [](HudMarkersTest& t) {
             t.PlaceItem(0, 20, {0, 0, 5});
             t.PlaceItem(1, 23, {0, 0, -20});
             t.PlaceItem(2, 23, {0, 0, -30});
         },
         20, kPi, 50},
        {"only 5-coins", 7,
         [](HudMarkersTest& t) {
             t.PlaceItem(4, 21, {30, 0, 40});
             t.PlaceItem(5, 21, {3, 0, 4});
         },
         5, 0.6435011f, 5},
        {"no coin", 2, [](HudMarkersTest&) {}, 0, 0, 0},
        {"the other side's symbol", 0,
         [](HudMarkersTest&) {
             g_Match.symbols[1].symbolPosition = {10, 0, 0};
             g_Match.symbols[0].symbolPosition = {0, 0, 7};
         },
         10, kPi / 2, 0},
        {"home with the other side's symbol", 0,
         [](HudMarkersTest& t) {
             g_Match.symbols[1].symbolPosition = {10, 0, 0};
             g_Match.symbols[1].carrier = &t.local;
             g_Match.symbols[0].symbolPosition = {0, 0, 7};
         },
         7, 0, 0},
        {"the next post", 1,
         [](HudMarkersTest&) {
             g_Match.checkpointsPassed[0] = 2;
             g_Match.checkpoints[2].index = 2;
             g_Match.checkpoints[2].position = {-6, 0, 0};
         },
         6, 3 * kPi / 2, 0},
        {"a post out of range", 1, [](HudMarkersTest&) { g_Match.checkpointsPassed[0] = 500; }, 0, 0, 0},
        {"the cursed fighter", 4, [](HudMarkersTest& t) { g_Match.cursedFighter = &t.enemy; }, 50, 0, 0},
        {"cursed himself: his nearest enemy", 4,
         [](HudMarkersTest& t) {
             g_Match.cursedFighter = &t.local;
             t.local.nearestEnemy = &t.enemy;
             t.enemy.position = {0, 0, -9};
         },
         9, kPi, 0},
        {"cursed himself with no enemy", 4, [](HudMarkersTest& t) { g_Match.cursedFighter = &t.local; }, 0, 0, 0},
        {"behind a camera looking along +x", 5,
         [](HudMarkersTest& t) {
             Shell().eye = {0, 0, 0};
             Shell().target = {5, 0, 0};
             t.local.nearestEnemy = &t.enemy;
             t.enemy.position = {-5, 0, 0};
         },
         5, kPi, 0},
        {"a kind outside the eight", 9,
         [](HudMarkersTest& t) { t.local.nearestEnemy = &t.enemy; }, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetMatch();
        ResetItems();
        g_Match.localSide = 0;
        g_Match.modeTemplates[TEMPLATE_COMPASS] = new DynamicMesh();
        local.nearestEnemy = nullptr;
        enemy.position = {0, 0, 50};
        Shell().eye = {0, 0, -10};
        Shell().target = {0, 0, 0};
        c.arrange(*this);
        LoadKind(c.kind);
        g_Hud.objectiveValue = -1;
        g_Hud.UpdateMarkers();
        EXPECT_NEAR(g_Hud.objectiveDistance, c.distance, 1e-4f);
        EXPECT_NEAR(g_Hud.objectiveBearing, c.bearing, 1e-4f);
        if (c.kind == 2 || c.kind == 7) {
            EXPECT_EQ(g_Hud.objectiveValue, c.value);
        }
    }
}

TEST_F(HudMarkersTest, WithoutFacesNoMasksLoadAndNoPortraitViewIsMade) {
    ScopedWorkDir work;
    testsupport::WriteHudSprites(work, 0xFFFFFFFF);
    LoadKind(5);
    EXPECT_EQ(g_Hud.portraitMasks[0], nullptr);
    EXPECT_EQ(g_Hud.portraitMasks[1], nullptr);
    ASSERT_NE(g_Hud.markers[0], nullptr);
    rec->ClearLog();
    g_Hud.Draw();
    EXPECT_EQ(rec->CountCalls(gfx::CallKind::SetViewport), 0u);
    g_Hud.Release();
}

TEST_F(HudMarkersTest, APortraitWithoutItsBoneRestoresTheViewAndStates) {
    ScopedWorkDir work;
    testsupport::WriteHudSprites(work, 0xFFFFFFFF);
    g_Settings.interfaceFaces = 1;
    LoadKind(5);
    ASSERT_NE(g_Hud.portraitMasks[0], nullptr);
    CharacterModel model;   // no skeleton: no bone 4
    local.model = &model;
    Camera* main = g_Scene.camera;
    const ScreenRect screen = g_Video.screenRect;
    g_Hud.Draw();
    local.model = nullptr;
    EXPECT_EQ(g_Scene.camera, main);
    EXPECT_EQ(g_Scene.savedCamera, nullptr);
    EXPECT_EQ(g_Video.screenRect.right, screen.right);
    EXPECT_EQ(g_Video.screenRect.bottom, screen.bottom);
    EXPECT_EQ(g_Scene.skyLayer, 0);
    // The bars of the panel still drew after the portrait.
    EXPECT_FALSE(hudtest::QuadsOf(*rec, g_Hud.lifeBars[0]).empty());
    g_Hud.Release();
}

}  // namespace
