// A recording device behind the video object and the global scene torn down after each test;
// nodes and effects that count their lives, for the scene, mesh-node and object-list tests.
#pragma once

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "effects/positioned_object.h"
#include "frontend/menu.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "core/settings.h"

namespace scenetest {

// What the tests saw happen, in order.
inline std::vector<std::string>& Events() {
    static std::vector<std::string> events;
    return events;
}

// A node that logs its Render and Draw and counts how many of its kind are alive.
class CountedNode : public SceneNode {
public:
    static int& Alive() {
        static int alive = 0;
        return alive;
    }
    explicit CountedNode(const char* text = nullptr, uint32_t type = NODE_TYPE_BASE) {
        ++Alive();
        typeCode = type;
        SetName(text);
    }
    ~CountedNode() override { --Alive(); }
    bool Render() override {
        Events().push_back(std::string("render:") + (name ? name : "?"));
        return SceneNode::Render();
    }
    bool Draw() override {
        Events().push_back(std::string("draw:") + (name ? name : "?"));
        return true;
    }
};

// An effect that logs its steps and counts how many are alive.
class CountedEffect : public PositionedObject {
public:
    static int& Alive() {
        static int alive = 0;
        return alive;
    }
    std::string label;
    uint32_t lastDt = 0;
    explicit CountedEffect(std::string l) : label(std::move(l)) { ++Alive(); }
    ~CountedEffect() override { --Alive(); }
    int Update(uint32_t dtMs) override {
        lastDt = dtMs;
        Events().push_back("update:" + label);
        return 0;
    }
    bool Render() override {
        Events().push_back("effect:" + label);
        return true;
    }
    bool Queue() override { return true; }
};

class SceneDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Scene.Destroy(true);
        g_Video.Zero();
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(64, 64), &rec), gfx::D3D_OK);
        g_Video.device = rec;
        g_Video.RestoreStates();
        ASSERT_EQ(rec->BeginScene(), gfx::D3D_OK);
        Events().clear();
        CountedNode::Alive() = 0;
        CountedEffect::Alive() = 0;
        g_Menu.active = 0;
        g_Settings.characterShadow = 0;
    }
    void TearDown() override {
        g_Scene.Destroy(true);
        SetScenePhaseObserver(nullptr);
        g_Video.device = nullptr;
        if (rec) rec->EndScene();
        if (rec) rec->Release();
        g_Video.Zero();
        g_Menu.active = 0;
        g_Settings.characterShadow = 0;
        g_PolygonsDrawn = 0;
        g_DrawCalls = 0;
        Events().clear();
    }
    // The scene's camera at (0, 0, -10) looking at the origin, 90 degrees, far plane 50.
    static void AimCamera(Camera* camera) {
        camera->Set(0, 0, -10, 0, 0, 0, 0, std::numbers::pi_v<float> / 2, 1, 50);
        camera->Update();
    }

    gfx::RecordingDevice* rec = nullptr;
};

}  // namespace scenetest
