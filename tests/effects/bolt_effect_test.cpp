// The bolt: its random walk from start to end, moving it, and its ribbon facing the camera.
#include <gtest/gtest.h>

#include <cmath>

#include "common/random.h"
#include "effect_fixture.h"
#include "effects/bolt_effect.h"
#include "render/dynamic_vertex_buffer.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace efftest {
namespace {

using BoltTest = EffectDeviceTest;

TEST_F(BoltTest, AStraightWalkStepsToTheEndAndLandsOnIt) {
    BoltEffect bolt;
    bolt.Init({0, 0, 0}, {3.5f, 0, 0}, 1, 1, 0.2f, 0, 2, -1, 0xFFFFFFFF);
    ASSERT_EQ(bolt.nodes.size(), 5u);
    const float xs[] = {0, 1, 2, 3, 3.5f};
    for (size_t i = 0; i < 5; ++i) ExpectNear(bolt.nodes[i], Vec3{xs[i], 0, 0});

    // Moving shifts both ends and leaves the drawn walk; a walk to where it starts keeps the old one.
    bolt.SetPosition({0, 1, 0});
    ExpectNear(bolt.end, Vec3{3.5f, 1, 0});
    ExpectNear(bolt.nodes[4], Vec3{3.5f, 0, 0});
    bolt.Init({2, 2, 2}, {2, 2, 2}, 1, 1, 0.2f, 0, 2, -1, 0xFFFFFFFF);
    EXPECT_EQ(bolt.nodes.size(), 5u);
}

TEST_F(BoltTest, AWalkThatCannotGetThereStopsAtTheCapOnTheEnd) {
    SeedRandom(3);
    const struct { float minStep, jitter; } cases[] = {{0.001f, 1.0f}, {0.0f, 0.0f}, {-1.0f, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.minStep);
        BoltEffect bolt;
        bolt.Init({0, 0, 0}, {0, 0, 10}, c.minStep, c.minStep, 0.1f, c.jitter, 2, -1, 0);
        EXPECT_EQ(bolt.nodes.size(), BOLT_MAX_NODES);
        ExpectNear(bolt.nodes.back(), Vec3{0, 0, 10});
    }
}

TEST_F(BoltTest, EachSegmentIsAQuadWhoseSidesLieSquareToViewAndSegmentHalfTheWidthOut) {
    BoltEffect bolt;
    bolt.Init({-0.8f, -0.6f, 0}, {0.8f, 0.6f, 0}, 1, 1, 0.4f, 0, 2, -1, 0xFF336699);
    ASSERT_EQ(bolt.nodes.size(), 3u);
    EXPECT_TRUE(bolt.Render());
    const std::vector<EffectVertex> v = Vertices(OnlyDraw());
    ASSERT_EQ(v.size(), 12u);
    const Vec3 eye = g_Scene.camera->eye;
    for (size_t q = 0; q < 2; ++q) {
        SCOPED_TRACE(q);
        const EffectVertex* quad = &v[q * 6];
        const Vec3 a{quad[0].x, quad[0].y, quad[0].z}, b{quad[1].x, quad[1].y, quad[1].z};
        const Vec3 c{quad[2].x, quad[2].y, quad[2].z}, d{quad[5].x, quad[5].y, quad[5].z};
        const Vec3 node = Vec3Scale(Vec3Add(a, b), 0.5f), side = Vec3Scale(Vec3Sub(a, b), 0.5f);
        ExpectNear(node, bolt.nodes[q]);
        ExpectNear(Vec3Scale(Vec3Add(d, c), 0.5f), bolt.nodes[q + 1]);
        EXPECT_NEAR(Vec3Length(side), 0.2f, 1e-4f);
        EXPECT_NEAR(Vec3Dot(side, Vec3Sub(node, eye)), 0.0f, 1e-4f);
        EXPECT_NEAR(Vec3Dot(side, Vec3Sub(bolt.nodes[q + 1], bolt.nodes[q])), 0.0f, 1e-4f);
        // Triangles (A, B, C) and (A, C, D), u along the segment and v across it.
        const float uv[6][2] = {{0, 0}, {0, 1}, {1, 1}, {0, 0}, {1, 1}, {1, 0}};
        for (int k = 0; k < 6; ++k)
            EXPECT_TRUE(quad[k].u == uv[k][0] && quad[k].v == uv[k][1] && quad[k].colour == 0xFF336699u) << k;
        EXPECT_TRUE(quad[3].x == quad[0].x && quad[4].x == quad[2].x);
    }
}

}  // namespace
}  // namespace efftest
