// A recording stand-in for the fighters, their models, the scenario's ray query, the match, the
// packet and the scene's probes, and a fixture that gives each test a fresh control, camera and
// screen.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/menu.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/scene.h"
#include "shell/control.h"
#include "shell/control_modes.h"
#include "shell/local_control.h"
#include "shell/mouse.h"
#include "core/settings.h"
#include "world/scenario.h"

namespace lctest {

struct AnimCall {
    int animation, blendMs, flag, layer;
    bool operator==(const AnimCall& o) const {
        return animation == o.animation && blendMs == o.blendMs && flag == o.flag && layer == o.layer;
    }
};

struct RayCall {
    Vec3 origin, direction;
    float length;
    uint32_t mask;
    Character* excluded;
};

struct ProbeAnswer {
    bool hit;
    Vec3 point;
};

struct ProbeCall {
    Vec3 origin, direction;
    float length;
    uint32_t mask;
};

struct Fake {
    // Fighter side.
    std::vector<AnimCall> animations;
    std::vector<float> times;
    std::vector<float> turns;
    std::vector<float> modelTurns;
    std::vector<Character*> updates;
    std::vector<int> updateMs;
    std::set<std::pair<int, float>> passed;   // (bone, frame) the last advance crossed
    bool lineOfSight = true;
    float distance = 12.5f;
    // Scenario and match.
    bool rayHit = false;
    Vec3 rayPoint{};
    Character* rayWho = nullptr;
    std::vector<RayCall> rays;
    Character* holder = nullptr;
    bool carried = false;
    Character* cursed = nullptr;
    // Packet, network and clock.
    std::vector<std::string> packets;
    bool net = false;
    uint32_t now = 0;
    int random = 0;
    // Scene probes and the pointer.
    bool sceneHit = false;
    Vec3 scenePoint{}, sceneNormal{};
    std::vector<ProbeCall> sceneCalls;
    std::vector<ProbeAnswer> octreeScript;     // answered in order, then misses
    std::vector<ProbeCall> octreeCalls;
    std::set<int> keys;

    std::vector<int> Animations() const {
        std::vector<int> out;
        for (const AnimCall& a : animations) out.push_back(a.animation);
        return out;
    }
};

inline Fake& F() {
    static Fake fake;
    return fake;
}

inline FighterCalls FakeFighterCalls() {
    FighterCalls f;
    f.setAnimation = [](Character*, int a, int b, int fl, int l) { F().animations.push_back({a, b, fl, l}); };
    f.setAnimationTime = [](Character*, float frame, int) { F().times.push_back(frame); };
    f.turn = [](Character*, float d) { F().turns.push_back(d); };
    f.setPosition = [](Character* c, const Vec3& p) { c->position = p; };
    f.update = [](Character* c, int ms) {
        F().updates.push_back(c);
        F().updateMs.push_back(ms);
    };
    f.hasLineOfSight = [](Character*, Character*) { return F().lineOfSight; };
    f.distanceTo = [](Character*, Character*) { return F().distance; };
    f.maxGuardTime = [](Character*) { return 0u; };
    f.startGuard = [](Character*) {};
    f.findIncomingEffect = [](Character*, Vec3*) { return false; };
    f.willBeHitBy = [](Character*, Character*) { return false; };
    f.canUsePower = [](Character*, int) { return true; };
    f.startPower = [](Character*, int) {};
    f.modelYaw = [](Character*) { return 0.0f; };
    f.turnModel = [](Character*, float d) { F().modelTurns.push_back(d); };
    f.setModelAlpha = [](Character*, int) {};
    f.passedFrame = [](Character*, int bone, float frame) { return F().passed.count({bone, frame}) != 0; };
    f.animationWrapped = [](Character*, int) { return false; };
    f.boneFrame = [](Character*, int) { return 0.0f; };
    f.scenarioRayQuery = [](const Vec3& o, const Vec3& d, float len, Vec3* hit, uint32_t mask, Character** who,
                            Character* excluded) {
        F().rays.push_back({o, d, len, mask, excluded});
        *hit = F().rayHit ? F().rayPoint : Vec3{};
        *who = F().rayHit ? F().rayWho : nullptr;
        return F().rayHit;
    };
    f.symbolHolder = [](int, bool* carried) {
        *carried = F().carried;
        return F().holder;
    };
    f.cursedFighter = [] { return F().cursed; };
    f.writeSetCharge = [](Character*) { F().packets.push_back("charge"); };
    f.writeSetPosition = [](Character*) { F().packets.push_back("position"); };
    f.writeSetYaw = [](Character*) { F().packets.push_back("yaw"); };
    f.writeSetTarget = [](Character*) { F().packets.push_back("target"); };
    f.writeSetAimPoint = [](Character*) { F().packets.push_back("aim"); };
    f.networkActive = [] { return F().net; };
    f.matchTime = [] { return F().now; };
    f.random = [] { return F().random; };
    return f;
}

inline CameraCalls FakeCameraCalls() {
    CameraCalls c;
    c.sceneRayQuery = [](Ray* ray, float len, Vec3* point, Vec3* normal, uint32_t mask) {
        F().sceneCalls.push_back({ray->origin, ray->direction, len, mask});
        if (!F().sceneHit) return false;
        *point = F().scenePoint;
        *normal = F().sceneNormal;
        return true;
    };
    c.octreeRayQuery = [](Ray* ray, float len, Vec3* point, Vec3*, uint32_t mask) {
        size_t i = F().octreeCalls.size();
        F().octreeCalls.push_back({ray->origin, ray->direction, len, mask});
        if (i >= F().octreeScript.size() || !F().octreeScript[i].hit) return false;
        *point = F().octreeScript[i].point;
        return true;
    };
    c.keyDown = [](int vk) { return F().keys.count(vk) != 0; };
    c.setCursorPos = [](int, int) { return true; };
    c.showCursor = [](bool) {};
    c.setArrowCursor = [] {};
    return c;
}

inline void ExpectVec(const Vec3& got, const Vec3& want, float tolerance = 1e-4f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

class ControlFixture : public ::testing::Test {
protected:
    Control control;
    Camera camera;
    CharacterModel model;
    Character* me = nullptr;
    ScreenRect savedRect{};

    void SetUp() override {
        F() = Fake();
        g_FighterCalls = FakeFighterCalls();
        g_CameraCalls = FakeCameraCalls();
        ResetControlModes();
        ResetLocalControl();
        savedRect = g_Video.screenRect;
        g_Video.screenRect = ScreenRect{0, 0, 639, 479};   // 640 x 480, centre (320, 240)
        g_Settings.Clear();
        g_Settings.farFactor = 1.0f;
        g_Menu.active = 0;
        g_Match = Match();
        ResetScenario();
        g_Mouse = MouseState();
        g_Mouse.x = 320;
        g_Mouse.y = 240;
        for (Character& c : g_Characters) c = Character();
        me = &g_Characters[0];
        me->active = 1;
        me->health = me->maxHealth = 100.0f;
        me->model = &model;
        control.localCharacter = me;
        control.selectedPower = -1;
        control.comboIndex = -1;
        control.controlMode = CONTROL_MATCH;
        control.cameraDistance = control.cameraDistanceTarget = 7.0f;
        camera.Set(0.0f, 1.2f, -7.0f, 0.0f, 1.2f, 0.0f, 0.0f, kPi / 4.0f, 1.0f, 400.0f);
        camera.Update();
        g_Scene.camera = &camera;
    }
    void TearDown() override {
        g_Scene.camera = nullptr;
        g_Video.screenRect = savedRect;
        ResetFighterCalls();
        ResetCameraCalls();
        ResetControlModes();
        ResetLocalControl();
        for (Character& c : g_Characters) c = Character();
        g_Mouse = MouseState();
        g_Settings.Clear();
        ResetScenario();
    }

    ActionSlot& Slot(int action) { return control.slots[0][action]; }
    void Hold(int action, int32_t ms) {
        Slot(action).held = 1;
        Slot(action).heldMs = ms;
    }
    void Press(int action) {
        Slot(action).pressed = 1;
        Hold(action, 0);
    }
    void Release(int action, int32_t ms) {
        Slot(action).held = 0;
        Slot(action).released = 1;
        Slot(action).heldMs = ms;
    }
    void ClearSlots() {
        for (int a = 0; a < CONTROL_ACTIONS; ++a) control.ClearActionSlot(0, a);
    }
};

}  // namespace lctest
