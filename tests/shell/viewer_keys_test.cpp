// The viewer and toggle keys of Control: the next/previous animation search, the blend, rate
// and detail limits, the toggles and which application modes they answer in, the camera jump to
// the model, the lighting lock and the random look.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/random.h"
#include "fighters/character.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/scene.h"
#include "shell/control.h"
#include "core/settings.h"
#include "shell/viewer.h"
#include "local_control_fake.h"
#include "viewer_fake.h"

using lctest::ExpectVec;
using viewertest::Fake;

namespace {

class ViewerKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        Fake() = viewertest::FakeViewer();
        g_ViewerCalls = viewertest::FakeCalls();
        g_Settings.Clear();
        g_Settings.mode = 1;
        g_Control = Control();
        g_Control.viewerModel = &model;
    }
    void TearDown() override {
        ResetViewerCalls();
        g_Settings.Clear();
        g_Control = Control();
        g_Scene.camera = nullptr;
    }

    std::vector<int> Range(int from, int to, int step) {
        std::vector<int> out;
        for (int i = from; i != to + step; i += step) out.push_back(i);
        return out;
    }

    CharacterModel model;
};

TEST_F(ViewerKeysTest, NextAndPreviousFindThePlayableAnimationsAcrossGapsAndTheWrap) {
    Fake().group = {5, 17, 400};
    Fake().animation[0] = 17;
    g_Control.viewerBlend = 250;
    g_Control.viewerRate = 12.5f;

    g_Control.ViewerNextAnimation();
    EXPECT_EQ(Fake().tried, Range(18, 400, 1));
    ASSERT_EQ(Fake().played.size(), 1u);
    const viewertest::PlayCall& call = Fake().played[0];
    EXPECT_EQ(call.bone, 0);
    EXPECT_EQ(call.animation, 400);
    EXPECT_EQ(call.blendMs, 250u);
    EXPECT_FLOAT_EQ(call.rate, 12.5f);
    EXPECT_TRUE(call.recursive);

    Fake().tried.clear();
    g_Control.ViewerNextAnimation();
    std::vector<int> expected = Range(401, 999, 1);
    for (int i = 0; i <= 5; ++i) expected.push_back(i);
    EXPECT_EQ(Fake().tried, expected);
    EXPECT_EQ(Fake().animation[0], 5);

    Fake().tried.clear();
    g_Control.ViewerPrevAnimation();
    expected = Range(4, 0, -1);
    for (int i = 999; i >= 400; --i) expected.push_back(i);
    EXPECT_EQ(Fake().tried, expected);
    EXPECT_EQ(Fake().animation[0], 400);

    Fake().tried.clear();
    g_Control.ViewerPrevAnimation();
    EXPECT_EQ(Fake().tried, Range(399, 17, -1));
    EXPECT_EQ(Fake().animation[0], 17);
}

TEST_F(ViewerKeysTest, WithNothingElsePlayableTheSearchTriesEveryOtherIdOnce) {
    Fake().group = {17};
    Fake().animation[0] = 17;
    g_Control.ViewerNextAnimation();
    std::vector<int> expected = Range(18, 999, 1);
    for (int i = 0; i <= 16; ++i) expected.push_back(i);
    EXPECT_EQ(Fake().tried, expected);
    EXPECT_TRUE(Fake().played.empty());
    // Nothing playing and nothing playable: all thousand ids, from the top going back.
    Fake() = viewertest::FakeViewer();
    g_Control.ViewerPrevAnimation();
    EXPECT_EQ(Fake().tried, Range(999, 0, -1));
}

TEST_F(ViewerKeysTest, ViewerOnlyKeysDoNothingOutsideTheViewerOrWithoutAModel) {
    Fake().group = {3};
    Fake().animation[0] = 1;
    g_Video.lightingLocked = 0;
    model.lod = 2;
    model.position = Vec3{1.0f, 2.0f, 3.0f};
    for (int mode : {0, 2, 3}) {
        g_Settings.mode = mode;
        g_Control.ViewerNextAnimation();
        g_Control.ViewerPrevAnimation();
        g_Control.ViewerSlower();
        g_Control.ViewerFaster();
        g_Control.ViewerLevelUp();
        g_Control.ViewerLevelDown();
        g_Control.ViewerCameraToModel();
        g_Control.ViewerReloadAnimations();
        g_Control.ViewerToggleLighting();
    }
    g_Settings.mode = 1;
    g_Control.viewerModel = nullptr;
    g_Control.ViewerNextAnimation();
    g_Control.ViewerLevelUp();
    g_Control.ViewerCameraToModel();
    EXPECT_TRUE(Fake().tried.empty());
    EXPECT_TRUE(Fake().speeds.empty());
    EXPECT_EQ(Fake().reloads, 0);
    EXPECT_EQ(Fake().toggles, 0);
    EXPECT_FLOAT_EQ(g_Control.viewerRate, 30.0f);
    EXPECT_EQ(model.lod, 2);
    EXPECT_EQ(model.position.x, 1.0f);
    EXPECT_EQ(g_Video.lightingLocked, 0);
}

TEST_F(ViewerKeysTest, BlendRateAndDetailStepWithinTheirLimits) {
    const struct {
        const char* what;
        void (Control::*key)();
        int32_t start, expected;
    } blends[] = {
        {"shorter", &Control::ViewerShorterBlend, 100, 90}, {"shorter", &Control::ViewerShorterBlend, 5, 0},
        {"longer", &Control::ViewerLongerBlend, 4995, 5000}, {"longer", &Control::ViewerLongerBlend, 5000, 5000},
    };
    for (int mode : {1, 0}) {   // the blend keys answer outside the viewer too
        g_Settings.mode = mode;
        for (const auto& c : blends) {
            g_Control.viewerBlend = c.start;
            (g_Control.*c.key)();
            EXPECT_EQ(g_Control.viewerBlend, c.expected) << c.what << " " << c.start << " mode " << mode;
        }
    }
    g_Settings.mode = 1;
    const struct {
        void (Control::*key)();
        uint8_t start, expected;
    } levels[] = {{&Control::ViewerLevelUp, 3, 4}, {&Control::ViewerLevelUp, 4, 4}, {&Control::ViewerLevelDown, 0, 0}};
    for (const auto& c : levels) {
        model.lod = c.start;
        (g_Control.*c.key)();
        EXPECT_EQ(model.lod, c.expected) << int(c.start);
    }
    // The rate steps by a half without a lower limit and reaches the skeleton.
    g_Control.ViewerSlower();
    g_Control.ViewerFaster();
    g_Control.ViewerFaster();
    EXPECT_EQ(Fake().speeds, (std::vector<float>{29.5f, 30.0f, 30.5f}));
    g_Control.viewerRate = 0.5f;
    for (int i = 0; i < 3; ++i) g_Control.ViewerSlower();
    EXPECT_FLOAT_EQ(g_Control.viewerRate, -1.0f);
    // P answers in the viewer even before a model is loaded; the rate waits for it.
    Fake().speeds.clear();
    g_Control.viewerModel = nullptr;
    g_Control.ViewerFaster();
    EXPECT_FLOAT_EQ(g_Control.viewerRate, -0.5f);
    EXPECT_TRUE(Fake().speeds.empty());
}

TEST_F(ViewerKeysTest, TogglesAnswerInTheirModes) {
    for (int mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(mode);
        g_Settings.mode = mode;
        g_Control = Control();
        g_Control.viewerModel = &model;

        g_Control.ToggleOctreeDraw();
        EXPECT_EQ(g_Control.octreeDraw, mode == 1 ? 0 : 1);
        g_Control.ToggleOctreeDraw();
        EXPECT_EQ(g_Control.octreeDraw, 0);

        std::vector<int> fills;
        for (int i = 0; i < 4; ++i) {
            g_Control.CycleFillMode();
            fills.push_back(g_Control.fillMode);
        }
        EXPECT_EQ(fills, (std::vector<int>{1, 2, 0, 1}));
    }
    g_Control.fillMode = 7;
    g_Control.CycleFillMode();
    EXPECT_EQ(g_Control.fillMode, 0);
}

TEST_F(ViewerKeysTest, FreeCameraKeySwitchesBetweenFreeAndFlyOutsideTheViewer) {
    struct Case {
        int mode;
        int controlMode;
        std::vector<int> expected;
    } cases[] = {
        {0, 3, {0}}, {0, 0, {2}}, {0, 2, {0}}, {2, 0, {2}}, {3, 1, {0}}, {1, 1, {}}, {1, 0, {}},
    };
    for (const Case& c : cases) {
        Fake().modes.clear();
        g_Settings.mode = c.mode;
        g_Control.controlMode = c.controlMode;
        g_Control.ToggleFreeCamera();
        EXPECT_EQ(Fake().modes, c.expected) << "MODO " << c.mode << " control mode " << c.controlMode;
    }
}

TEST_F(ViewerKeysTest, CurtainKeyStopsTheViewerAnimationsOrStartsTheCurtainOutsideTheEditor) {
    const int expectedToggles[] = {0, 1, 0, 0};
    const int expectedCurtains[] = {1, 0, 1, 0};
    for (int mode : {0, 1, 2, 3}) {
        Fake() = viewertest::FakeViewer();
        g_Settings.mode = mode;
        g_Control.ToggleCurtain();
        EXPECT_EQ(Fake().toggles, expectedToggles[mode]) << mode;
        EXPECT_EQ(Fake().curtains, expectedCurtains[mode]) << mode;
    }
}

TEST_F(ViewerKeysTest, CameraToModelCentresTheModelAndMovesTheViewWithIt) {
    Camera camera;
    camera.eye = Vec3{1.0f, 5.0f, -9.0f};
    camera.target = Vec3{1.0f, 1.0f, 1.0f};
    g_Scene.camera = &camera;
    model.position = Vec3{3.0f, 2.0f, -4.0f};
    g_Control.ViewerCameraToModel();
    ExpectVec(model.position, Vec3{0.0f, 2.0f, 0.0f});
    ExpectVec(camera.target, Vec3{0.0f, 2.0f, 0.0f});
    ExpectVec(camera.eye, Vec3{0.0f, 6.0f, -10.0f});
    // Without a camera the model still moves.
    g_Scene.camera = nullptr;
    model.position = Vec3{-7.0f, 0.5f, 8.0f};
    g_Control.ViewerCameraToModel();
    ExpectVec(model.position, Vec3{0.0f, 0.5f, 0.0f});
}

TEST_F(ViewerKeysTest, ReloadKeyReloadsInTheViewerEvenBeforeAModelIsLoaded) {
    g_Control.ViewerReloadAnimations();
    EXPECT_EQ(Fake().reloads, 1);
    g_Control.viewerModel = nullptr;
    g_Control.ViewerReloadAnimations();
    EXPECT_EQ(Fake().reloads, 2);
}

TEST_F(ViewerKeysTest, LightingKeyLocksLightingOffAndThenUnlocksIt) {
    gfx::RecordingDevice* rec = nullptr;
    ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(32, 32), &rec), gfx::D3D_OK);
    g_Video.Zero();
    g_Video.device = rec;
    g_Video.SetLighting(true);
    uint32_t lighting = 0;
    rec->GetRenderState(gfx::D3DRS_LIGHTING, &lighting);
    ASSERT_EQ(lighting, 1u);

    g_Control.ViewerToggleLighting();
    rec->GetRenderState(gfx::D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, 0u);
    // While locked the world pass cannot turn it back on.
    g_Video.SetLighting(true);
    rec->GetRenderState(gfx::D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, 0u);

    g_Control.ViewerToggleLighting();
    EXPECT_EQ(g_Video.lightingLocked, 0);
    g_Video.SetLighting(true);
    rec->GetRenderState(gfx::D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, 1u);

    g_Video.device = nullptr;
    g_Video.Zero();
    rec->Release();
}

TEST_F(ViewerKeysTest, RandomLookComposesASkinInRangeForTheFightersSideAndClearsTheCache) {
    g_Control.RandomLook();
    EXPECT_TRUE(Fake().composed.empty()) << "no local fighter, no look";

    Character fighter;
    fighter.side = 1;
    g_Control.localCharacter = &fighter;
    std::set<int> skins, eyes;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        SeedRandom(seed);
        Fake() = viewertest::FakeViewer();
        g_Control.RandomLook();
        ASSERT_EQ(Fake().composed.size(), 1u);
        const viewertest::ComposeCall& c = Fake().composed[0];
        EXPECT_EQ(c.character, &fighter);
        EXPECT_EQ(c.side, 1);
        ASSERT_EQ(Fake().cleared.size(), 1u);
        EXPECT_EQ(Fake().cleared[0], c.cache);
        ASSERT_GE(c.parts.skin, 0);
        ASSERT_LE(c.parts.skin, 4);
        ASSERT_GE(c.parts.eyes, 0);
        ASSERT_LE(c.parts.eyes, 9);
        skins.insert(c.parts.skin);
        eyes.insert(c.parts.eyes);
        // Eight values of 0..7 follow; the slot after them stays empty.
        const int32_t eight[8] = {c.parts.clothes,    c.parts.tattoos[0], c.parts.tattoos[1], c.parts.tattoos[2],
                                  c.parts.tattoos[3], c.parts.tattoos[4], c.parts.tattoos[5], c.parts.tattoos[6]};
        for (int32_t v : eight) {
            ASSERT_GE(v, 0);
            ASSERT_LE(v, 7);
        }
        EXPECT_EQ(c.parts.tattoos[7], -1);
    }
    EXPECT_EQ(skins.size(), 5u);
    EXPECT_EQ(eyes.size(), 10u);
}

}  // namespace
