// The ambience's effects on the recording device: glow motes and their trail, rain streaks and
// the rain emitter's rate, box and floor, and lava bubbles with their sparks.
#include <gtest/gtest.h>

#include <cmath>

#include "common/random.h"
#include "effect_fixture.h"
#include "effects/ambient_effects.h"
#include "effects/effect_list.h"
#include "effects/particle_emitter.h"
#include "effects/rain_emitter.h"
#include "render/dynamic_vertex_buffer.h"
#include "scene/object_list.h"
#include "world/dynamic_mesh.h"
#include "world/scenario.h"

namespace efftest {
namespace {

class AmbientEffectsTest : public EffectDeviceTest {
protected:
    void SetUp() override {
        EffectDeviceTest::SetUp();
        SeedRandom(7);
    }
    void TearDown() override {
        g_Scene.effects->Clear();
        delete g_Scenario.bubbleModel;
        g_Scenario.bubbleModel = nullptr;
        g_Scenario.number = -1;
        EffectDeviceTest::TearDown();
    }
    static GlowMoteParams Mote(uint32_t turnPeriod, uint8_t trail, uint32_t colour) {
        return {{1, 2, 3}, 0.5f, 5000, {1, 0, 0}, 1, 5, turnPeriod, colour, 0, trail, -1};
    }
    static RainDropParameters Drops(float floor) {
        return {{0, 0, 0}, 0.7f, floor, {0, -1, 0}, 15.0f, 0x00FFFFFFu, 0x80006496u};
    }
    static int Count(EffectList* list) { return list ? list->Count() : 0; }
    // A bubble model for the scenario and a bubble of it in the scene's effect list.
    static BubbleEffect* Bubble(int scenario) {
        g_Scenario.number = scenario;
        if (!g_Scenario.bubbleModel) g_Scenario.bubbleModel = new DynamicMesh();
        auto* b = static_cast<BubbleEffect*>(NewBubble({4, 0, 4}));
        if (b) g_Scene.effects->Add(b);
        return b;
    }
};

TEST_F(AmbientEffectsTest, AMoteThatNeverTurnsStaysPutAndItsTrailDimsStepByStep) {
    GlowMotes still;
    const GlowMoteParams p = Mote(0, 4, 0xFF808080);
    still.Setup(&p, REMOVE_WHEN_FINISHED);
    still.Update(1000);
    ExpectNear(Vec3{still.x, still.y, still.z}, Vec3{1, 2, 3});
    EXPECT_TRUE(still.speed == 0.0f && still.direction.x == 0.0f);
    ASSERT_TRUE(still.Render());
    const std::vector<EffectVertex> v = Vertices(OnlyDraw());
    ASSERT_EQ(v.size(), 5 * QUAD_VERTICES);
    const uint32_t expected[] = {128, 96, 64, 32, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(v[i * QUAD_VERTICES].colour, 0xFF000000u | expected[i] * 0x010101u) << i;
    // Past its lifetime it asks its list to delete it.
    EXPECT_EQ(still.Update(4001), 1);

    // No trail: one quad; a turning mote moves and fades in over its fade time.
    GlowMotes lone;
    GlowMoteParams q = Mote(100, 0, 0xFFFFFFFF);
    q.fadeTime = 500;
    lone.Setup(&q, REMOVE_WHEN_FINISHED);
    lone.Update(250);
    EXPECT_EQ(lone.currentColour, 0xFF7F7F7Fu);
    EXPECT_GT(Vec3Length(Vec3Sub(Vec3{lone.x, lone.y, lone.z}, Vec3{1, 2, 3})), 0.0f);
    rec->ClearLog();
    lone.Render();
    EXPECT_EQ(OnlyDraw().vertexCount, QUAD_VERTICES);
}

TEST_F(AmbientEffectsTest, AStreakFallsAndEndsOnceItsHeadIsBelowItsFloor) {
    StreakParticle drop;
    drop.y = 1.0f;
    drop.direction = {0, -1, 0};
    drop.speed = 2.0f;
    drop.length = 0.5f;
    drop.removalFlags = REMOVE_WHEN_FINISHED;
    EffectVertex out[2];
    EXPECT_EQ(drop.Update(400), 0);
    ASSERT_EQ(drop.WriteVertices(out), 2u);
    EXPECT_TRUE(out[0].y == drop.y && std::abs(out[1].y - 0.7f) < 1e-6f);
    drop.floorHeight = 0.5f;
    EXPECT_EQ(drop.Update(0), 1);
    EXPECT_EQ(drop.WriteVertices(out), 0u);
}

TEST_F(AmbientEffectsTest, RainFallsAtItsRateCarryingTheRemainder) {
    RainEmitter rain;
    EXPECT_EQ(rain.Update(16), 0);
    rain.Init({20, 2, 20}, {-20, -2, -20}, 700, Drops(-1000.0f), 0);
    int total = 0;
    for (int frame = 0; frame < 5; ++frame) {
        const int before = Count(rain.drops);
        rain.Update(16);
        const int made = Count(rain.drops) - before;
        EXPECT_TRUE(made == 11 || made == 12) << made;
        total += made;
    }
    EXPECT_EQ(total, 56);
    const int before = Count(rain.drops);
    rain.Update(0);
    EXPECT_EQ(Count(rain.drops), before);
    rain.Release();
    EXPECT_TRUE(rain.IsFinished() && rain.drops == nullptr);
}

TEST_F(AmbientEffectsTest, RainKeepsItsDropsToItsBoxAndItsFloor) {
    RainEmitter rain;
    // Below the height where drops used to end at birth.
    rain.Init({1, -30, 1}, {-1, -32, -1}, 1000, Drops(-40.0f), 0);
    rain.Update(10);
    ASSERT_EQ(Count(rain.drops), 10);
    auto first = [&] { return static_cast<StreakParticle*>(rain.drops->Head()->item); };
    EXPECT_FLOAT_EQ(first()->floorHeight, -40.0f);
    const float y = first()->y;
    EXPECT_TRUE(y <= -30.0f && y >= -32.5f);
    rain.SetPosition({0, -26, 0});
    EXPECT_FLOAT_EQ(first()->y, y);
    Vec3 centre{};
    rain.GetPosition(&centre);
    ExpectNear(centre, Vec3{0, -26, 0});
    rain.MoveTo({0, -21, 0});
    EXPECT_FLOAT_EQ(first()->y, y + 5.0f);
    ExpectNear(rain.boxMax, Vec3{1, -20, 1});
    rain.SetFloor(10.0f);
    EXPECT_FLOAT_EQ(first()->floorHeight, 10.0f);
    rain.Update(1);
    EXPECT_EQ(Count(rain.drops), 1);
}

TEST_F(AmbientEffectsTest, RainDrawsItsDropsAsLinesInChunksOfTheBuffer) {
    RainEmitter rain;
    rain.Init({20, 2, 20}, {-20, -2, -20}, 1000, Drops(-1000.0f), 0);
    rain.Update(1000);
    ASSERT_EQ(Count(rain.drops), 1000);
    rec->ClearLog();
    EXPECT_TRUE(rain.Render());
    uint32_t lines = 0;
    for (const gfx::DrawRecord& d : rec->Draws()) {
        EXPECT_EQ(d.type, gfx::D3DPT_LINELIST);
        lines += d.primitiveCount;
    }
    EXPECT_EQ(lines, 1000u);
    EXPECT_EQ(rec->Draws().size(), 2u);
}

TEST_F(AmbientEffectsTest, ABubbleSwellsBurstsIntoSparksAndGoes) {
    BubbleEffect* b = Bubble(18);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(g_Scene.objects->Contains(b->mesh));
    b->Update(1500);
    EXPECT_FLOAT_EQ(b->mesh->transform.stretchScale.x, 0.25f);
    b->Update(1400);
    EXPECT_TRUE(b->sparks == nullptr && b->mesh != nullptr);
    b->Update(100);
    ASSERT_NE(b->sparks, nullptr);
    EXPECT_EQ(b->mesh, nullptr);
    EXPECT_EQ(b->sparks->particleTemplate.colourStart, 0xFFD8E24Au);
    EXPECT_EQ(g_Scene.objects->count, 0u);
    // At its end its list deletes it and with it its sparks.
    g_Scene.effects->Update(2001);
    EXPECT_EQ(g_Scene.effects->Count(), 0);

    EXPECT_EQ(BubbleSparkColour(19), 0xFFA00000u);
    // Without a bubble model none is made, and one never set up goes at its first update.
    delete g_Scenario.bubbleModel;
    g_Scenario.bubbleModel = nullptr;
    EXPECT_EQ(NewBubble({}), nullptr);
    g_Scene.effects->Add(new BubbleEffect);
    g_Scene.effects->Update(16);
    EXPECT_EQ(g_Scene.effects->Count(), 0);
}

TEST_F(AmbientEffectsTest, TearingTheSceneDownWithALiveBubbleAndItsSparksFreesEachOnce) {
    BubbleEffect* b = Bubble(19);
    ASSERT_NE(b, nullptr);
    g_Scene.effects->Update(2950);
    ASSERT_NE(b->sparks, nullptr);
    EXPECT_EQ(b->sparks->particleTemplate.colourStart, 0xFFA00000u);
    // The scene frees its objects (the bubble's mesh among them) before its effects.
    g_Scene.Destroy(false);
    EXPECT_TRUE(g_Scene.Create());
}

}  // namespace
}  // namespace efftest
