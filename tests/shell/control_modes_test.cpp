// The control modes and the match camera, against a recording fighter and scripted probes.
#include <gtest/gtest.h>

#include <cmath>

#include "local_control_fake.h"

using namespace lctest;

namespace {

class ControlModesTest : public ControlFixture {};

// Eye behind a fighter standing at the origin, facing +z, camera level.
Vec3 BehindAtLevel(float distance) { return Vec3{0.0f, 1.2f, -distance}; }

TEST_F(ControlModesTest, SelectModeFollowsTheProgramModeAndResetsTheMatchCameraValues) {
    // The viewers look from the health spring at the energy spring.
    g_Scenario.healthSpringCentre = Vec3{5.0f, 6.0f, 7.0f};
    g_Scenario.energySpringCentre = Vec3{1.0f, -50.0f, 2.0f};
    const struct {
        int programMode;
        uint8_t menu;
        int want;
    } cases[] = {{0, 1, CONTROL_MENU}, {3, 0, CONTROL_FLY}, {7, 0, CONTROL_FREE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.programMode);
        control.controlMode = CONTROL_FREE;
        control.cameraPitch = 1.0f;
        control.cameraDistance = control.cameraDistanceTarget = 15.0f;
        g_Settings.mode = c.programMode;
        g_Menu.active = c.menu;
        control.SelectMode();
        EXPECT_EQ(control.controlMode, c.want);
        EXPECT_FLOAT_EQ(control.cameraPitch, kPi / 24.0f);
        EXPECT_FLOAT_EQ(control.cameraDistanceTarget, 7.0f);
        if (c.want == CONTROL_FLY) {
            ExpectVec(camera.eye, Vec3{5.0f, 6.0f, 7.0f});
            ExpectVec(camera.target, Vec3{1.0f, -50.0f, 2.0f});
            EXPECT_FLOAT_EQ(camera.farPlane, 1000.0f);
        }
    }
    g_Menu.active = 0;
}

TEST_F(ControlModesTest, MatchCameraFarDistanceComesFromTheScenarioAndTheFarSetting) {
    const struct {
        bool hasRow;
        float haze;
        float factor;
        float want;
    } cases[] = {
        {true, 0.0f, 1.0f, 400.0f}, {false, 0.0f, 0.25f, 30.0f + 370.0f * 0.25f}, {true, 230.0f, 0.5f, 130.0f},
    };
    for (const auto& c : cases) {
        ScenarioRow row{};
        row.fogFar = c.haze;
        g_Scenario.row = c.hasRow ? &row : nullptr;
        g_Settings.farFactor = c.factor;
        control.SetMode(CONTROL_MATCH);
        EXPECT_FLOAT_EQ(camera.farPlane, c.want) << c.haze << " x " << c.factor;
        EXPECT_FLOAT_EQ(camera.nearPlane, 1.0f);
    }
    g_Scenario.row = nullptr;
}

TEST_F(ControlModesTest, PlacementRisesWithAPowerAndKeepsAboveTheScenarioFloor) {
    control.cameraPitch = 0.0f;
    Vec3 eye{}, target{};
    uint8_t pulled = 9;
    control.PlaceCamera(me, &eye, &target, &pulled);
    ExpectVec(target, Vec3{0.0f, 1.2f, 0.0f});
    ExpectVec(eye, BehindAtLevel(7.0f));
    EXPECT_EQ(pulled, 0);

    control.selectedPower = 2;
    g_Scenario.energySpringCentre = Vec3{0.0f, 3.0f, 0.0f};
    control.PlaceCamera(me, &eye, &target, &pulled);
    {
        SCOPED_TRACE("a height without an energy spring is no floor");
        ExpectVec(eye, Vec3{0.0f, 1.9f, -7.0f});
    }

    g_Scenario.energySpring = 1;
    control.PlaceCamera(me, &eye, &target, &pulled);
    ExpectVec(target, Vec3{0.0f, 1.9f, 0.0f});
    ExpectVec(eye, Vec3{0.0f, 3.0f, -7.0f});
    g_Scenario.energySpring = 0;
}

TEST_F(ControlModesTest, AWallPullsTheEyeInOnlyWhenEveryProbeIsBlocked) {
    control.cameraPitch = 0.0f;
    F().sceneHit = true;
    F().scenePoint = Vec3{0.0f, 1.2f, -3.0f};
    F().sceneNormal = Vec3{0.0f, 0.0f, 1.0f};
    const Vec3 candidate{0.0f, 1.2f, -2.5f};
    const ProbeAnswer miss{false, {}}, blocked{true, {0.0f, 0.0f, 0.0f}};

    // Every probe reaches its point, none sees the candidate.
    F().octreeScript = {miss, blocked, miss, blocked, miss, blocked, miss, blocked};
    Vec3 eye{}, target{};
    uint8_t pulled = 0;
    control.PlaceCamera(me, &eye, &target, &pulled);
    EXPECT_EQ(pulled, 1);
    ExpectVec(eye, candidate);
    ExpectVec(target, Vec3{0.0f, 1.2f, 0.0f});
    ASSERT_EQ(F().sceneCalls.size(), 1u);
    EXPECT_EQ(F().sceneCalls[0].mask, 0x107u);
    // Probes right, left, above, below of the view, each 1.5 long.
    ASSERT_GE(F().octreeCalls.size(), 8u);
    ExpectVec(F().octreeCalls[7].origin, Vec3{0.0f, -0.3f, 0.0f});

    // The second probe sees the candidate: no pull-in, and the other two are not tried.
    F().octreeCalls.clear();
    F().octreeScript = {miss, blocked, miss, miss};
    control.PlaceCamera(me, &eye, &target, &pulled);
    EXPECT_EQ(pulled, 0);
    ExpectVec(eye, BehindAtLevel(7.0f));
}

}  // namespace
