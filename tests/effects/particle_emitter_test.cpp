// The particle emitter: how many particles it emits and where, its motion, and its one batch.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "common/random.h"
#include "effect_fixture.h"
#include "effects/effect_list.h"
#include "effects/particle_emitter.h"
#include "scene/camera.h"
#include "shell/control.h"
#include "shell/control_modes.h"

namespace {

using efftest::EffectDeviceTest;
using efftest::ExpectNear;

class ParticleEmitterTest : public ::testing::Test {
protected:
    ParticleEmitter emitter;
    void SetUp() override { SeedRandom(1); }
    void Setup(const EmitterParams& p, const SpriteMoverTemplate& t, uint32_t removal = 0) {
        emitter.Setup(p, t, removal, 0);
    }
    int32_t Count() const { return emitter.particles ? emitter.particles->Count() : -1; }
    std::vector<SpriteMover*> Particles() const {
        std::vector<SpriteMover*> out;
        for (EffectListNode* n = emitter.particles->Head(); n; n = n->next) out.push_back(static_cast<SpriteMover*>(n->item));
        return out;
    }
};

TEST_F(ParticleEmitterTest, TheCountCarriesFractionsAndTheFirstUpdateAddsOne) {
    struct Case {
        const char* name;
        int32_t rate;
        std::vector<uint32_t> frames;
        std::vector<int32_t> counts;
    } cases[] = {
        // Rate 0: only the first update's extra particle.
        {"rate 0", 0, {16, 16, 16}, {1, 1, 1}},
        // 0.25 a frame: 0.25, 0.5 (halves go to 0), 0.75 -> 1 and -0.25, 0, 0.25, 0.5, 0.75 -> 1.
        {"rate 10 at 25 ms", 10, {25, 25, 25, 25, 25, 25, 25, 25}, {1, 1, 2, 2, 2, 2, 3, 3}},
        // Paused frames before the first real one: the extra particle comes once.
        {"0 ms frames first", 0, {0, 0, 0, 16}, {1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Setup({.lifetime = -1, .rate = c.rate}, {.lifetime = -1});
        std::vector<int32_t> counts;
        for (uint32_t dt : c.frames) {
            EXPECT_EQ(emitter.Update(dt), 0);
            counts.push_back(Count());
        }
        EXPECT_EQ(counts, c.counts);
    }
}

TEST_F(ParticleEmitterTest, ZeroMsFramesEmitOnlyFromTheCarryAndDoNotMove) {
    Setup({.lifetime = -1, .rate = 1000, .velocityDirection = {1, 0, 0}, .speed = 5}, {.lifetime = -1});
    emitter.Update(0);   // the extra particle
    ASSERT_EQ(Count(), 1);
    emitter.emitCarry = 0.75f;
    emitter.Update(0);
    EXPECT_EQ(Count(), 2);
    EXPECT_NEAR(emitter.emitCarry, -0.25f, 1e-6f);
    emitter.Update(0);
    EXPECT_EQ(Count(), 2);
    ExpectNear(emitter.position, Vec3{0, 0, 0});
}

TEST_F(ParticleEmitterTest, ParticlesWhoseShareOutlivesThemDieAtBirth) {
    // Rate 100 over 30 ms: three particles with shares 30, 20 and 10 of a 10 ms life.
    Setup({.lifetime = -1, .rate = 100}, {.lifetime = 10});
    emitter.Update(0);   // the extra particle, share 0
    ASSERT_EQ(Count(), 1);
    emitter.Update(30);  // it ages out, and none of the three is added
    EXPECT_EQ(Count(), 0);
}

TEST_F(ParticleEmitterTest, EmissionStopsAtTheLifetimeAndTheEmitterEndsAfterItsLastParticle) {
    // One particle per 100 ms frame (two in the first), living 150 ms; emission for 500 ms.
    Setup({.lifetime = 500, .rate = 10}, {.lifetime = 150}, REMOVE_WHEN_FINISHED);
    std::vector<int32_t> counts;
    for (int frame = 0; frame < 5; ++frame) {
        EXPECT_EQ(emitter.Update(100), 0);
        counts.push_back(Count());
    }
    // Ages after each frame: {100, 50}, {150, 100}, {100}, {100}, {} (no emission at 500).
    EXPECT_EQ(counts, (std::vector<int32_t>{2, 2, 1, 1, 0}));
    EXPECT_FALSE(emitter.IsFinished());
    EXPECT_EQ(emitter.Update(100), 1);
    EXPECT_TRUE(emitter.IsFinished());
}

TEST_F(ParticleEmitterTest, ParticlesSpreadAlongThePathSinceTheLastUpdate) {
    Setup({.lifetime = -1}, {.lifetime = -1, .position = {0, 1, 0}});
    // Before the first update the previous position follows.
    emitter.SetPosition(Vec3{10, 0, 0});
    ExpectNear(emitter.previousPosition, Vec3{10, 0, 0});
    emitter.Update(10);
    // After it, it does not: the next frame's particles fill the gap from 10 to 20.
    emitter.SetPosition(Vec3{20, 0, 0});
    ExpectNear(emitter.previousPosition, Vec3{10, 0, 0});
    emitter.rate = 20;
    emitter.Update(100);   // two particles, at 1/2 and 2/2 of the way, plus the template's offset
    const std::vector<SpriteMover*> p = Particles();
    ASSERT_EQ(p.size(), 3u);
    ExpectNear(Vec3{p[0]->x, p[0]->y, p[0]->z}, Vec3{20, 1, 0});
    ExpectNear(Vec3{p[1]->x, p[1]->y, p[1]->z}, Vec3{15, 1, 0});
    ExpectNear(Vec3{p[2]->x, p[2]->y, p[2]->z}, Vec3{10, 1, 0});
    ExpectNear(emitter.previousPosition, Vec3{20, 0, 0});

    // MoveTo carries every live particle along.
    emitter.MoveTo(25, 5, 0);
    ExpectNear(emitter.previousPosition, Vec3{25, 5, 0});
    ExpectNear(Vec3{p[0]->x, p[0]->y, p[0]->z}, Vec3{25, 6, 0});
    ExpectNear(Vec3{p[2]->x, p[2]->y, p[2]->z}, Vec3{15, 6, 0});
}

TEST_F(ParticleEmitterTest, TheConeFrameTurnsLocalYOntoTheDirection) {
    const Vec3 d = Vec3Normalize(Vec3{1, -2, 3});
    const Mat4 frame = ConeFrame(d);
    ExpectNear(Vec3TransformNormal(Vec3{0, 1, 0}, frame), d);
    const Vec3 b = Vec3TransformNormal(Vec3{1, 0, 0}, frame), a = Vec3TransformNormal(Vec3{0, 0, 1}, frame);
    EXPECT_NEAR(Vec3Dot(a, d), 0.0f, 1e-5f);
    EXPECT_NEAR(Vec3Dot(b, d), 0.0f, 1e-5f);
    EXPECT_NEAR(Vec3Dot(a, b), 0.0f, 1e-5f);

    // Every particle leaves within the cone's half-angle of 0.1 pi around the direction.
    Setup({.lifetime = -1, .directionCone = 0.1f, .rate = 1000}, {.lifetime = -1, .direction = d});
    emitter.Update(100);
    const std::vector<SpriteMover*> p = Particles();
    ASSERT_EQ(p.size(), 101u);
    float widest = 1.0f;
    for (SpriteMover* s : p) widest = std::min(widest, Vec3Dot(s->direction, d));
    EXPECT_GE(widest, std::cos(0.1f * kPi) - 1e-5f);
    EXPECT_LT(widest, 0.99f);   // and they do spread
}

TEST_F(ParticleEmitterTest, AnOrbitKeepsTheDistanceToItsCentre) {
    // Half a radian about +Y: (3, 0, 4) -> (3 cos .5 + 4 sin .5, 0, -3 sin .5 + 4 cos .5).
    Setup({.lifetime = -1, .position = {3, 0, 4}, .orbitAxis = {0, 1, 0}, .orbitSpeed = 1}, {.lifetime = -1});
    emitter.Update(500);
    ExpectNear(emitter.position, Vec3{4.5504f, 0, 2.0720f});
    for (int i = 0; i < 10; ++i) emitter.Update(333);
    EXPECT_NEAR(Vec3Length(emitter.position), 5.0f, 1e-4f);
    EXPECT_NEAR(emitter.position.y, 0.0f, 1e-6f);
}

TEST_F(ParticleEmitterTest, LifetimeJitterNeverMakesAParticleEndless) {
    struct Case {
        const char* name;
        int32_t lifetime;
        int32_t lo, hi;
    } cases[] = {
        // 100 +- up to 1000: below zero a particle ends at once instead of living forever.
        {"finite", 100, 0, 1100},
        // An endless particle stays endless.
        {"endless", -1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Setup({.lifetime = -1, .rate = 1000, .lifetimeJitter = 1000}, {.lifetime = c.lifetime});
        emitter.Update(0);
        emitter.emitCarry = 200.0f;   // 200 particles born at once, with no share of the frame
        emitter.Update(0);
        bool clipped = false;
        for (SpriteMover* s : Particles()) {
            EXPECT_GE(s->lifetime, c.lo);
            EXPECT_LE(s->lifetime, c.hi);
            clipped |= s->lifetime == 0;
        }
        // Particles clipped to 0 die at birth (a share of 0 is not below 0).
        EXPECT_FALSE(clipped);
        EXPECT_EQ(Count() < 201, c.lifetime >= 0);
    }
}

TEST_F(ParticleEmitterTest, ColourJitterStaysWithinTheChannels) {
    // Each channel at an end of its range: jitter may only move it inwards, never wrap.
    Setup({.lifetime = -1, .colourJitterStart = 0x20202020, .rate = 1000},
          {.lifetime = -1, .colourStart = 0xFF00FF00, .colourFlags = 1});
    emitter.Update(200);
    int moved = 0;
    for (SpriteMover* s : Particles()) {
        const uint32_t c = s->colourStart;
        EXPECT_GE(c >> 24, 0xDFu);
        EXPECT_LE((c >> 16) & 0xFF, 0x20u);
        EXPECT_GE((c >> 8) & 0xFF, 0xDFu);
        EXPECT_LE(c & 0xFF, 0x20u);
        moved += c != 0xFF00FF00u;
    }
    EXPECT_GT(moved, 0);
}

using ParticleEmitterDrawTest = EffectDeviceTest;

TEST_F(ParticleEmitterDrawTest, AllParticlesGoOutInOneBatchFadedTogether) {
    struct Case {
        const char* name;
        float fadeNear, fadeFar;
        uint8_t blend;
        uint32_t colour;
    } cases[] = {
        {"near", 20, 30, 2, 0xC0FFFFFF},
        {"beyond far, preset 2: black", 1, 5, 2, 0xC0000000},
        {"beyond far, preset 1: transparent", 1, 5, 1, 0x00FFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParticleEmitter e;
        e.Setup({.lifetime = -1, .fadeNear = c.fadeNear, .fadeFar = c.fadeFar, .rate = 100, .flags = EMITTER_DISTANCE_FADE},
                {.lifetime = -1, .colourStart = 0xC0FFFFFF, .sizeStart = 1, .blendMode = c.blend}, 0, 0);
        e.Update(50);   // 5 + 1 particles
        rec->ClearLog();
        EXPECT_TRUE(e.Render());
        const gfx::DrawRecord& d = OnlyDraw();
        EXPECT_EQ(d.primitiveCount, 12u);
        const std::vector<EffectVertex> v = Vertices(d);
        ASSERT_EQ(v.size(), 36u);
        for (const EffectVertex& vertex : v) EXPECT_EQ(vertex.colour, c.colour);
    }
}

TEST_F(ParticleEmitterDrawTest, TheCurtainHangsAroundTheCamera) {
    Control control;
    control.controlMode = CONTROL_MENU;   // the camera stays where it is put
    control.StartParticleCurtain();
    ASSERT_NE(control.particleCurtain, nullptr);
    ASSERT_EQ(g_Scene.effects->Count(), 1);
    for (int frame = 0; frame < 20; ++frame) {
        control.UpdateCamera(0.05f);
        g_Scene.Update(50);
    }
    // 20 a second for a second, plus the first frame's extra one, all below the eye.
    ASSERT_EQ(control.particleCurtain->particles->Count(), 21);
    for (EffectListNode* n = control.particleCurtain->particles->Head(); n; n = n->next) {
        Vec3 at{};
        n->item->GetPosition(&at);
        EXPECT_LT(Vec3Length(Vec3Sub(at, Vec3{0, -2, -10})), 3.0f);
    }
    rec->ClearLog();
    g_Scene.Render();
    ASSERT_EQ(rec->Draws().size(), 1u);
    EXPECT_EQ(rec->Draws()[0].primitiveCount, 42u);
    control.particleCurtain = nullptr;
}

}  // namespace
