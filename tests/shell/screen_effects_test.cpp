// The screen and camera effect requests: animators on the main camera, the screen pulse and the
// camera-following particle curtain on the scene's first effect list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/effect_list.h"
#include "effects/particle_emitter.h"
#include "local_control_fake.h"
#include "scene/camera_animators.h"
#include "shell/screen_effects.h"

using namespace lctest;

namespace {

EffectList* g_list = nullptr;
std::vector<std::string> g_textures;
std::vector<std::pair<EmitterParams, SpriteMoverTemplate>> g_setups;
std::vector<Vec3> g_moves;

class ScreenEffectsTest : public ControlFixture {
protected:
    EffectList list;

    void SetUp() override {
        ControlFixture::SetUp();
        g_list = &list;
        g_textures.clear();
        g_setups.clear();
        g_moves.clear();
        ScreenEffectCalls c;
        c.effectList = [] { return g_list; };
        c.loadTexture = [](const char* name) {
            g_textures.push_back(name);
            return int32_t(42);
        };
        c.setupEmitter = [](ParticleEmitter* e, const EmitterParams& a, const SpriteMoverTemplate& b) {
            g_setups.emplace_back(a, b);
            e->finished = 0;   // an emitter that was set up runs
        };
        c.moveEmitter = [](ParticleEmitter*, float x, float y, float z) { g_moves.push_back(Vec3{x, y, z}); };
        g_ScreenEffectCalls = c;
    }
    void TearDown() override {
        ResetScreenEffectCalls();
        g_list = nullptr;
        ControlFixture::TearDown();
    }
};

TEST_F(ScreenEffectsTest, CameraRequestsAttachTheirAnimatorAndANewOneReplacesTheOld) {
    control.StartCameraShake();
    ASSERT_NE(camera.animator, nullptr);
    EXPECT_EQ(camera.animator->GetType(), ANIMATOR_SHAKE);
    EXPECT_EQ(camera.animator->duration, 15000);
    // A spin during the shake replaces it at once, and a flip the spin.
    control.StartCameraSpin();
    EXPECT_EQ(camera.animator->GetType(), ANIMATOR_SPIN);
    control.StartCameraFlip();
    EXPECT_EQ(camera.animator->GetType(), ANIMATOR_RAMP);
    // Without a camera nothing is made.
    g_Scene.camera = nullptr;
    control.StartCameraShake();
    g_Scene.camera = &camera;
    EXPECT_EQ(camera.animator->GetType(), ANIMATOR_RAMP);
}

TEST_F(ScreenEffectsTest, OneCurtainAtATimeFollowingTheEye) {
    control.StartParticleCurtain();
    ASSERT_NE(control.particleCurtain, nullptr);
    ParticleEmitter* first = control.particleCurtain;
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(g_textures, std::vector<std::string>{"Texturas\\Efectos\\vet16.bmp"});
    ASSERT_EQ(g_setups.size(), 1u);
    EXPECT_EQ(g_setups[0].second.texture, 42);

    control.StartParticleCurtain();
    EXPECT_EQ(control.particleCurtain, first);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(g_setups.size(), 1u);

    // Two units below the eye, each frame.
    control.controlMode = CONTROL_MENU;
    camera.eye = Vec3{3.0f, 4.0f, 5.0f};
    control.UpdateCamera(0.016f);
    ASSERT_EQ(g_moves.size(), 1u);
    ExpectVec(g_moves[0], Vec3{3.0f, 2.0f, 5.0f});

    // Finished: taken off the list; a new request makes a new one.
    first->finished = 1;
    control.UpdateParticleCurtain();
    EXPECT_EQ(control.particleCurtain, nullptr);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ScreenEffectsTest, ACurtainTheListAlreadyDeletedIsForgottenWithoutBeingTouched) {
    control.StartParticleCurtain();
    ASSERT_NE(control.particleCurtain, nullptr);
    control.particleCurtain->finished = 1;
    // The list keeps a finished curtain (it was made without the removal flag) ...
    list.Update(16);
    EXPECT_EQ(list.Count(), 1);
    // ... until something else empties it.
    list.Clear();
    control.UpdateParticleCurtain();
    EXPECT_EQ(control.particleCurtain, nullptr);
    EXPECT_TRUE(g_moves.empty());
}

}  // namespace
