// The control modes and the match camera, against a recording fighter and scripted probes.
#include <gtest/gtest.h>

#include <cmath>

#include "local_control_fake.h"
#include "platform/os/os.h"
#include "scene/camera_animators.h"

using namespace lctest;

namespace {

class ControlModesTest : public ControlFixture {};

// Eye behind a fighter standing at the origin, facing +z, camera level.
Vec3 BehindAtLevel(float distance) { return Vec3{0.0f, 1.2f, -distance}; }

TEST_F(ControlModesTest, SelectModeFollowsTheProgramModeAndResetsTheMatchCameraValues) {
    g_Scenario.viewerCamera[0] = 5.0f;
    g_Scenario.viewerCamera[1] = 6.0f;
    g_Scenario.viewerCamera[2] = 7.0f;
    g_Scenario.viewerCamera[3] = 1.0f;
    g_Scenario.viewerCamera[4] = -50.0f;
    g_Scenario.viewerCamera[5] = 2.0f;
    const struct {
        int programMode;
        uint8_t menu;
        int want;
    } cases[] = {{0, 0, CONTROL_MATCH}, {0, 1, CONTROL_MENU}, {1, 0, CONTROL_VIEWER}, {3, 0, CONTROL_FLY}, {7, 0, CONTROL_FREE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.programMode);
        control.controlMode = CONTROL_FREE;
        control.cameraPitch = 1.0f;
        control.cameraDistance = control.cameraDistanceTarget = 15.0f;
        control.cameraYawOffset = 2.0f;
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
        if (c.want == CONTROL_MENU) ExpectVec(camera.eye, Vec3{0.0f, 0.0f, -20.0f});
        if (c.want == CONTROL_VIEWER) {
            ExpectVec(camera.eye, Vec3{-2.34f, 1.95f, 3.9f});
            EXPECT_FLOAT_EQ(camera.farPlane, 20.0f);
        }
    }
    g_Menu.active = 0;
}

TEST_F(ControlModesTest, SetModeKeepsThePreviousModeAndHandlesTheCursor) {
    control.controlMode = CONTROL_MATCH;
    control.SetMode(CONTROL_FREE);
    EXPECT_EQ(control.previousMode, CONTROL_MATCH);
    EXPECT_EQ(F().arrows, 1);
    ASSERT_EQ(F().shown.size(), 1u);
    EXPECT_TRUE(F().shown.back());

    control.SetMode(CONTROL_FLY);
    EXPECT_EQ(control.previousMode, CONTROL_FREE);
    EXPECT_FALSE(F().shown.back());
    ASSERT_EQ(F().cursor.size(), 1u);
    EXPECT_EQ(F().cursor.back(), std::make_pair(320, 240));
}

TEST_F(ControlModesTest, EnteringTheMatchCameraSnapsOntoThePlacedEyeAndThenTrailsIt) {
    control.cameraPitch = 0.0f;
    control.SetMode(CONTROL_MATCH);
    ExpectVec(control.cameraEye, BehindAtLevel(7.0f));
    ExpectVec(control.cameraTarget, Vec3{0.0f, 1.2f, 0.0f});
    ExpectVec(camera.eye, BehindAtLevel(7.0f));
    ExpectVec(camera.target, Vec3{0.0f, 1.2f, 0.0f});

    // The fighter steps aside: the eye covers 7 x 0.016 of the way in one 16 ms frame.
    me->position = Vec3{10.0f, 0.0f, 0.0f};
    control.frameMs = 16;
    control.frameSeconds = 0.016f;
    control.UpdateFollowCamera();
    const float share = 7.0f * 0.016f;
    ExpectVec(control.cameraEye, Vec3{10.0f * share, 1.2f, -7.0f});
    ExpectVec(camera.eye, control.cameraEye);
    ExpectVec(control.placedEye, Vec3{10.0f, 1.2f, -7.0f});
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
        row.hazeFar = c.haze;
        g_Scenario.row = c.hasRow ? &row : nullptr;
        g_Settings.farFactor = c.factor;
        control.SetMode(CONTROL_MATCH);
        EXPECT_FLOAT_EQ(camera.farPlane, c.want) << c.haze << " x " << c.factor;
        EXPECT_FLOAT_EQ(camera.nearPlane, 1.0f);
    }
    g_Scenario.row = nullptr;
}

TEST_F(ControlModesTest, DistanceTargetFollowsTheKeysAndTheDistanceReachesItAtItsRate) {
    control.frameMs = 100;
    control.frameSeconds = 0.1f;
    Hold(25, 0);
    for (int i = 0; i < 20; ++i) control.UpdateFollowCamera();
    EXPECT_FLOAT_EQ(control.cameraDistanceTarget, 18.0f);
    ClearSlots();

    // From 7 toward 18 at 10 units per second: 1 unit per 100 ms frame, stopping on 18.
    control.cameraDistance = 7.0f;
    for (int i = 1; i <= 12; ++i) {
        control.UpdateFollowCamera();
        EXPECT_NEAR(control.cameraDistance, std::min(18.0f, 7.0f + float(i)), 1e-4f) << i;
    }
    Hold(24, 0);
    for (int i = 0; i < 20; ++i) control.UpdateFollowCamera();
    EXPECT_FLOAT_EQ(control.cameraDistanceTarget, 7.0f);
}

TEST_F(ControlModesTest, TestSettingTurnsTheYawOffsetWithItsKeys) {
    control.frameMs = 250;
    Hold(26, 0);
    control.UpdateFollowCamera();
    EXPECT_FLOAT_EQ(control.cameraYawOffset, 0.0f);   // test setting off
    g_Settings.test = 1;
    control.UpdateFollowCamera();
    EXPECT_FLOAT_EQ(control.cameraYawOffset, 0.25f);
    ClearSlots();
    Hold(27, 0);
    control.UpdateFollowCamera();
    control.UpdateFollowCamera();
    EXPECT_FLOAT_EQ(control.cameraYawOffset, -0.25f);
    Hold(28, 0);
    control.UpdateFollowCamera();
    EXPECT_FLOAT_EQ(control.cameraYawOffset, 0.0f);
}

TEST_F(ControlModesTest, LocalFighterFadesAsTheCameraComesClose) {
    const struct {
        float d;
        int alpha;
    } cases[] = {{3.0f, 127}, {2.0f, 0}, {4.0f, 255}, {3.5f, 191}};
    control.cameraPitch = 0.0f;
    control.frameMs = 0;
    control.frameSeconds = 1.0f;   // the trail lands on the placed eye
    for (const auto& c : cases) {
        // The eye sits 1.2 above the feet' level, so the distance behind is the other leg.
        float behind = std::sqrt(c.d * c.d - 1.2f * 1.2f);
        control.cameraDistance = control.cameraDistanceTarget = behind;
        F().alphas.clear();
        control.UpdateFollowCamera();
        ASSERT_EQ(F().alphas.size(), 1u);
        EXPECT_EQ(F().alphas[0], c.alpha) << c.d;
    }
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
    g_Scenario.viewerCamera[4] = 3.0f;
    control.PlaceCamera(me, &eye, &target, &pulled);
    ExpectVec(target, Vec3{0.0f, 1.9f, 0.0f});
    ExpectVec(eye, Vec3{0.0f, 3.0f, -7.0f});

    // Facing +x (model yaw pi/2): the eye is behind on -x.
    control.selectedPower = -1;
    g_Scenario.viewerCamera[4] = -100.0f;
    F().yaw = kPi / 2.0f;
    control.PlaceCamera(me, &eye, &target, &pulled);
    ExpectVec(eye, Vec3{-7.0f, 1.2f, 0.0f});

    // A sinking fighter: the anchor point leads.
    F().yaw = 0.0f;
    me->sinking = 1;
    me->anchorPoint = Vec3{1.0f, -2.0f, 3.0f};
    control.PlaceCamera(me, &eye, &target, &pulled);
    ExpectVec(target, Vec3{1.0f, -1.97f, 3.0f});
    ExpectVec(eye, Vec3{1.0f, -1.97f, -4.0f});
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
    // A probe stopped by a wall starts 0.1 before it.
    F().octreeCalls.clear();
    F().octreeScript = {{true, {1.0f, 1.2f, 0.0f}}, miss};
    control.PlaceCamera(me, &eye, &target, &pulled);
    EXPECT_EQ(pulled, 0);
    ExpectVec(F().octreeCalls[1].origin, Vec3{0.9f, 1.2f, 0.0f});
}

TEST_F(ControlModesTest, APullInCloseToTheFighterMovesTheTargetAway) {
    control.cameraPitch = 0.0f;
    F().sceneHit = true;
    F().scenePoint = Vec3{0.0f, 1.2f, -1.5f};
    F().sceneNormal = Vec3{0.0f, 0.0f, 1.0f};
    const ProbeAnswer miss{false, {}}, blocked{true, {}};
    F().octreeScript = {miss, blocked, miss, blocked, miss, blocked, miss, blocked};
    Vec3 eye{}, target{};
    uint8_t pulled = 0;
    control.PlaceCamera(me, &eye, &target, &pulled);
    EXPECT_EQ(pulled, 1);
    ExpectVec(eye, Vec3{0.0f, 1.2f, -1.0f});
    ExpectVec(target, Vec3{0.0f, 1.2f, 0.5f});
}

TEST_F(ControlModesTest, ClearanceProbesPushTheEyeOffNearbyWalls) {
    control.cameraPitch = 0.0f;
    // No occlusion; the first clearance probe (right of the point 1 in front of the eye) hits.
    const Vec3 start{0.0f, 1.2f, -6.0f};
    F().octreeScript = {{true, {0.3f, 1.2f, -6.0f}}};
    Vec3 eye{}, target{};
    uint8_t pulled = 0;
    control.PlaceCamera(me, &eye, &target, &pulled);
    ASSERT_EQ(F().octreeCalls.size(), 4u);
    ExpectVec(F().octreeCalls[0].origin, start);
    EXPECT_FLOAT_EQ(F().octreeCalls[0].length, 0.5f);
    const Vec3 moved{-0.2f, 1.2f, -6.0f};
    ExpectVec(F().octreeCalls[1].origin, moved);
    // Toward the fixed probe point on the left of the first point.
    ExpectVec(F().octreeCalls[1].direction, Vec3{-1.0f, 0.0f, 0.0f});
    Vec3 away = Vec3Normalize(Vec3Sub(moved, Vec3{0.0f, 1.2f, 0.0f}));
    ExpectVec(eye, Vec3Add(moved, away));

    // Nothing hit: the eye stays.
    F().octreeCalls.clear();
    F().octreeScript.clear();
    control.PlaceCamera(me, &eye, &target, &pulled);
    ExpectVec(eye, BehindAtLevel(7.0f));
}

TEST_F(ControlModesTest, CenterCursorUsesTheMiddleOfTheScreenRectangle) {
    const struct {
        ScreenRect rect;
        int x, y;
    } cases[] = {{{0, 0, 639, 479}, 320, 240}, {{10, 20, 109, 219}, 60, 120}, {{0, 0, 0, 0}, 0, 0}, {{0, 0, 800, 600}, 400, 300}};
    for (const auto& c : cases) {
        g_Video.screenRect = c.rect;
        F().cursor.clear();
        CenterCursor();
        ASSERT_EQ(F().cursor.size(), 1u);
        EXPECT_EQ(F().cursor[0], std::make_pair(c.x, c.y));
    }
}

TEST_F(ControlModesTest, FlyCameraWalksAtItsSpeedAndLooksByTheCursorOffset) {
    control.controlMode = CONTROL_FLY;
    F().keys = {'W'};
    control.UpdateFlyCamera(0.5f);
    ExpectVec(camera.eye, Vec3{0.0f, 1.2f, 3.0f});
    ExpectVec(camera.target, Vec3{0.0f, 1.2f, 10.0f});
    EXPECT_EQ(F().cursor.back(), std::make_pair(320, 240));
    F().keys = {16, os::VK_DOWN};
    control.UpdateFlyCamera(0.25f);
    ExpectVec(camera.eye, Vec3{0.0f, 1.2f, -17.0f});
    F().keys = {'D'};
    control.UpdateFlyCamera(0.1f);
    ExpectVec(camera.eye, Vec3{2.0f, 1.2f, -17.0f});

    // Cursor 100 px right of the centre: yaw 100 x 2 pi / 640 x 0.1.
    F().keys.clear();
    g_Mouse.x = 420;
    control.UpdateFlyCamera(0.0f);
    Vec3 view = Vec3Normalize(Vec3Sub(camera.target, camera.eye));
    EXPECT_NEAR(std::atan2(view.x, view.z), 100.0f * 2.0f * kPi / 640.0f * 0.1f, 1e-4f);
}

uint32_t g_systemNow = 0;

TEST_F(ControlModesTest, FlyCameraStepsBySystemTimeFromTheFrameAfterEnteringIt) {
    g_systemNow = 50000;
    os::SetTimeSource([] { return g_systemNow; });
    control.SetMode(CONTROL_FLY);
    F().keys = {'W'};
    control.UpdateCamera(0.0f);     // first step: no time has passed in this mode
    ExpectVec(camera.eye, Vec3{0.0f, 1.2f, -7.0f});
    g_systemNow += 250;
    control.UpdateCamera(0.0f);     // the match clock may stand still; the fly camera does not
    ExpectVec(camera.eye, Vec3{0.0f, 1.2f, -2.0f});
    control.SetMode(CONTROL_FREE);
    g_systemNow += 60000;
    control.SetMode(CONTROL_FLY);
    control.UpdateCamera(0.0f);
    ExpectVec(camera.eye, Vec3{0.0f, 1.2f, -2.0f});
    os::SetTimeSource({});
}

TEST_F(ControlModesTest, FreeAndFlyPitchStopsShortOfStraightUpAndDown) {
    for (int mode : {CONTROL_FREE, CONTROL_FLY}) {
        for (int sign : {+1, -1}) {
            SCOPED_TRACE(mode * 10 + sign);
            camera.Set(0.0f, 1.2f, -7.0f, 0.0f, 1.2f, 0.0f, 0.0f, kPi / 4.0f, 1.0f, 400.0f);
            camera.Update();
            for (int i = 0; i < 5; ++i) {
                if (mode == CONTROL_FLY) {
                    g_Mouse.x = 320;
                    g_Mouse.y = 240 + sign * 2000;
                    control.UpdateFlyCamera(0.0f);
                } else {
                    F().keys = {17};
                    g_Mouse.prevX = 320;
                    g_Mouse.prevY = 240;
                    g_Mouse.x = 320;
                    g_Mouse.y = 240 + sign * 2000;
                    ResetControlModes();
                    control.UpdateFreeCamera();
                }
                camera.Update();
            }
            Vec3 view = Vec3Normalize(Vec3Sub(camera.target, camera.eye));
            // Positive pitch looks down; the view never turns past the vertical.
            EXPECT_NEAR(view.y, -float(sign) * std::sin(kPi / 2.0f - 0.01f), 1e-3f);
            EXPECT_GT(view.z, 0.0f);
        }
    }
}

TEST_F(ControlModesTest, FreeCameraTurnsFromItsAnchorOnlyWhileCtrlOrTheMiddleButtonIsHeld) {
    control.controlMode = CONTROL_FREE;
    g_Mouse.prevX = 300;
    g_Mouse.prevY = 200;
    g_Mouse.x = 364;
    g_Mouse.y = 200;
    control.UpdateFreeCamera();
    EXPECT_TRUE(F().cursor.empty());
    ExpectVec(camera.target, Vec3{0.0f, 1.2f, 0.0f});

    g_Mouse.buttons[MOUSE_MIDDLE].held = 1;
    control.UpdateFreeCamera();
    EXPECT_EQ(g_FreeCameraAnchorX, 300);
    EXPECT_EQ(g_FreeCameraAnchorY, 200);
    ASSERT_EQ(F().cursor.size(), 1u);
    EXPECT_EQ(F().cursor[0], std::make_pair(300, 200));
    Vec3 view = Vec3Normalize(Vec3Sub(camera.target, camera.eye));
    EXPECT_NEAR(std::atan2(view.x, view.z), 64.0f * 2.0f * kPi / 640.0f * 0.1f, 1e-4f);

    g_Mouse.buttons[MOUSE_MIDDLE].held = 0;
    control.UpdateFreeCamera();
    EXPECT_EQ(g_FreeCameraAnchorX, 0);
    EXPECT_EQ(g_FreeCameraAnchorY, 0);
    // Arrows: 2 units a frame, 8 with Shift.
    F().keys = {os::VK_UP, 16};
    Vec3 before = camera.eye;
    control.UpdateFreeCamera();
    EXPECT_NEAR(Vec3Length(Vec3Sub(camera.eye, before)), 8.0f, 1e-4f);
}

TEST_F(ControlModesTest, ViewerCameraOrbitsZoomsAndPans) {
    control.controlMode = CONTROL_VIEWER;
    g_Mouse.prevX = 320;
    g_Mouse.prevY = 240;
    g_Mouse.x = 320;
    g_Mouse.y = 288;   // 48 px down: a tenth of the height
    g_Mouse.buttons[MOUSE_LEFT].held = 1;
    g_Mouse.buttons[MOUSE_RIGHT].held = 1;
    control.UpdateViewerCamera();
    ExpectVec(camera.eye, Vec3{0.0f, 1.2f, -8.0f});
    ExpectVec(camera.target, Vec3{0.0f, 1.2f, 0.0f});

    // Orbit: the target stays, the distance stays.
    g_Mouse.buttons[MOUSE_RIGHT].held = 0;
    g_Mouse.x = 384;
    control.UpdateViewerCamera();
    ExpectVec(camera.target, Vec3{0.0f, 1.2f, 0.0f});
    EXPECT_NEAR(Vec3Length(Vec3Sub(camera.eye, camera.target)), 8.0f, 1e-3f);
    EXPECT_GT(std::fabs(camera.eye.x), 0.1f);

    // Pan moves eye and target together.
    camera.Update();
    g_Mouse.buttons[MOUSE_LEFT].held = 0;
    g_Mouse.buttons[MOUSE_RIGHT].held = 1;
    Vec3 offset = Vec3Sub(camera.eye, camera.target);
    Vec3 before = camera.target;
    control.UpdateViewerCamera();
    ExpectVec(Vec3Sub(camera.eye, camera.target), offset);
    EXPECT_GT(Vec3Length(Vec3Sub(camera.target, before)), 0.01f);
}

}  // namespace
