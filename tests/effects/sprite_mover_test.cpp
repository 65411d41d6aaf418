// The sprite mover: its curves and motion, and the quad it draws.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "effect_fixture.h"
#include "effects/sprite_mover.h"
#include "render/render_queue.h"
#include "scene/scene.h"

namespace {

using efftest::EffectDeviceTest;
using efftest::ExpectNear;

std::unique_ptr<SpriteMover> Made(const SpriteMoverTemplate& t, uint32_t removal = 0) {
    auto s = std::make_unique<SpriteMover>();
    EXPECT_TRUE(s->Init(&t, removal));
    return s;
}

TEST(SpriteMoverCurves, ColourAndSizeAlongTheirKeys) {
    struct Case {
        const char* name;
        SpriteMoverTemplate t;
        uint32_t age;
        uint32_t colour;
        float size;
    } cases[] = {
        // alpha 255 x 0.5 = 127.5, truncated; blue stays 255.
        {"two-key colour", {.lifetime = 1000, .colourStart = 0xFF0000FF, .colourEnd = 0x000000FF, .colourFlags = 1},
         500, 0x7F0000FF, 0.0f},
        // first segment: 125 / 250 = 0.5 between 1 and 4.
        {"three-key size, first half",
         {.lifetime = 1000, .sizeStart = 1, .sizeMiddle = 4, .sizeEnd = 2, .sizeMiddleTime = 0.25f, .sizeFlags = 2},
         125, 0, 2.5f},
        // second segment: (625 - 250) / 750 = 0.5 between 4 and 2.
        {"three-key size, second half",
         {.lifetime = 1000, .sizeStart = 1, .sizeMiddle = 4, .sizeEnd = 2, .sizeMiddleTime = 0.25f, .sizeFlags = 2},
         625, 0, 3.0f},
        // 0.25 shaped: square root 0.5 wins over square 0.0625.
        {"square root wins", {.lifetime = 1000, .sizeEnd = 1, .sizeFlags = 1 | 4 | 8}, 250, 0, 0.5f},
        {"square", {.lifetime = 1000, .sizeEnd = 1, .sizeFlags = 1 | 4}, 250, 0, 0.0625f},
        // second segment (500 - 250) / 750 = 1/3, squared.
        {"second-segment square",
         {.lifetime = 1000, .sizeMiddle = 3, .sizeEnd = 12, .sizeMiddleTime = 0.25f, .sizeFlags = 2 | 16},
         500, 0, 4.0f},
        // Segments of no length count as complete, never 0 / 0.
        {"lifetime 0", {.lifetime = 0, .sizeStart = 1, .sizeEnd = 5, .sizeFlags = 1}, 0, 0, 5.0f},
        {"middle key below 1 ms",
         {.lifetime = 1000, .sizeStart = 1, .sizeMiddle = 7, .sizeEnd = 9, .sizeMiddleTime = 0.0005f, .sizeFlags = 2},
         0, 0, 7.0f},
        {"middle key at the end",
         {.lifetime = 1000, .colourStart = 0x10, .colourMiddle = 0x20, .colourEnd = 0x30, .colourMiddleTime = 1.0f,
          .colourFlags = 2},
         1000, 0x30, 0.0f},
        // Endless: everything stays at the start.
        {"lifetime -1",
         {.lifetime = -1, .colourStart = 0x11223344, .colourEnd = 0, .colourFlags = 1, .sizeStart = 2, .sizeFlags = 1},
         100000, 0x11223344, 2.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = Made(c.t);
        EXPECT_EQ(s->Update(c.age), 0);
        EXPECT_FALSE(s->IsFinished());
        EXPECT_EQ(s->currentColour, c.colour);
        EXPECT_NEAR(s->currentSize, c.size, 1e-5f);
    }
}

TEST(SpriteMoverMotion, DragStopsTheSpriteWithoutReversing) {
    auto s = Made({.lifetime = -1, .direction = {2, 0, 0}, .speed = 2, .drag = 1});
    s->Update(500);   // 2 - 0.5 x 1 = 1.5 units per second for half a second
    EXPECT_NEAR(s->speed, 1.5f, 1e-6f);
    EXPECT_NEAR(s->x, 0.75f, 1e-6f);
    s->Update(2000);  // 1.5 - 2 stops at 0
    EXPECT_EQ(s->speed, 0.0f);
    EXPECT_NEAR(s->x, 0.75f, 1e-6f);
    s->Update(1000);
    EXPECT_NEAR(s->x, 0.75f, 1e-6f);
}

TEST(SpriteMoverLife, EndsAfterItsLifetimeAndAsksToGoOnlyWithTheFlag) {
    for (uint32_t removal : {0u, 1u}) {
        SCOPED_TRACE(removal);
        auto s = Made({.lifetime = 100}, removal);
        EXPECT_EQ(s->Update(100), 0);
        EXPECT_EQ(s->Update(1), int(removal));
        EXPECT_TRUE(s->IsFinished());
        EXPECT_EQ(s->Update(1), int(removal));
    }
    SpriteMover s;
    EXPECT_FALSE(s.Init(nullptr, 0));
}

using SpriteMoverDrawTest = EffectDeviceTest;

TEST_F(SpriteMoverDrawTest, AFixedFacingQuadAlongMinusZLiesInTheWorldAxes) {
    // Seen from +x, a billboard would span z and y; the fixed facing keeps x and y.
    AimCamera(10, 0, 0, 0, 0, 0);
    rec->ClearLog();
    auto s = Made({.lifetime = -1, .position = {0, 1, 0}, .facingDirection = {0, 0, -1},
                          .colourStart = 0xFF102030, .sizeStart = 2, .texture = -1, .blendMode = 1, .drawFlags = 2 | 4});
    EXPECT_TRUE(s->Render());
    const gfx::DrawRecord& d = OnlyDraw();
    EXPECT_EQ(d.primitiveCount, 2u);
    EXPECT_EQ(d.RenderState(gfx::D3DRS_CULLMODE), uint32_t(gfx::D3DCULL_NONE));
    EXPECT_EQ(d.RenderState(gfx::D3DRS_ZENABLE), 1u);
    EXPECT_EQ(d.RenderState(gfx::D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(d.StageState(0, gfx::D3DTSS_COLOROP), uint32_t(gfx::D3DTOP_MODULATE));
    const std::vector<EffectVertex> v = Vertices(d);
    ASSERT_EQ(v.size(), 6u);
    // A (-1, -1), B (-1, +1), C (+1, +1), D (+1, -1) around (0, 1, 0); triangles ABC, ACD.
    const struct {
        Vec3 at;
        float u, v;
    } expected[6] = {{{-1, 0, 0}, 0, 0}, {{-1, 2, 0}, 0, 1}, {{1, 2, 0}, 1, 1},
                     {{-1, 0, 0}, 0, 0}, {{1, 2, 0}, 1, 1}, {{1, 0, 0}, 1, 0}};
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        ExpectNear(Vec3{v[k].x, v[k].y, v[k].z}, expected[k].at);
        EXPECT_EQ(v[k].u, expected[k].u);
        EXPECT_EQ(v[k].v, expected[k].v);
        EXPECT_EQ(v[k].colour, 0xFF102030u);
    }
}

TEST_F(SpriteMoverDrawTest, DistanceFadeDimsColourUnderPresetTwoAndAlphaOtherwise) {
    // The eye is 10 from the origin.
    struct Case {
        const char* name;
        float fadeNear, fadeFar;
        uint8_t blend;
        uint32_t colour;
    } cases[] = {
        {"beyond far, preset 2: black", 1, 5, 2, 0x80000000},
        {"beyond far, preset 1: transparent", 1, 5, 1, 0x00FF8040},
        {"half way, preset 2", 5, 15, 2, 0x807F4020},
        {"half way, preset 1", 5, 15, 1, 0x40FF8040},
        {"nearer than near", 11, 20, 2, 0x80FF8040},
        {"step at an equal near and far", 10, 10, 2, 0x80FF8040},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rec->ClearLog();
        auto s = Made({.lifetime = -1, .fadeNear = c.fadeNear, .fadeFar = c.fadeFar,
                              .colourStart = 0x80FF8040, .sizeStart = 1, .blendMode = c.blend, .drawFlags = 8});
        s->Render();
        const std::vector<EffectVertex> v = Vertices(OnlyDraw());
        ASSERT_EQ(v.size(), 6u);
        EXPECT_EQ(v[0].colour, c.colour);
    }
}

TEST_F(SpriteMoverDrawTest, TheAngleFollowsTheMotionOnScreen) {
    // The camera looks along +z with +x to the right: right is arccos(0) = pi/2, left -pi/2.
    struct Case {
        Vec3 direction;
        float angle;
    } cases[] = {{{1, 0, 0}, kPi / 2}, {{-1, 0, 0}, -kPi / 2}, {{0, 1, 0}, 0.0f}, {{0, 0, 1}, kPi / 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.direction.x << " " << c.direction.y << " " << c.direction.z);
        auto s = Made({.lifetime = -1, .direction = c.direction, .sizeStart = 1, .drawFlags = 1});
        s->Render();
        EXPECT_NEAR(s->angle, c.angle, 1e-5f);
    }
}

TEST_F(SpriteMoverDrawTest, QueueDrawsOpaqueSpritesAtOnceAndSortsTheOthers) {
    struct Case {
        const char* name;
        Vec3 at;
        uint8_t blend;
        uint32_t drawnNow, queued;
    } cases[] = {
        {"opaque", {0, 0, 0}, 0, 1, 0},
        {"blended", {0, 0, 0}, 1, 0, 1},
        {"behind the eye", {0, 0, -20}, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rec->ClearLog();
        g_Scene.renderQueue->Clear();
        auto s = Made({.lifetime = -1, .position = c.at, .sizeStart = 1, .blendMode = c.blend});
        EXPECT_TRUE(s->Queue());
        EXPECT_EQ(rec->Draws().size(), c.drawnNow);
        ASSERT_EQ(g_Scene.renderQueue->count, c.queued);
        if (c.queued) {
            EXPECT_EQ(g_Scene.renderQueue->entries[0].kind, RQ_SPRITE_MOVER);
        }
    }
    g_Scene.renderQueue->Clear();
}

}  // namespace
