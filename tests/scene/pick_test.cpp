#include <gtest/gtest.h>

#include <numbers>

#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "shell/mouse.h"
#include "world/path_map.h"

namespace {

class MousePickTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_Scene.camera;
        g_Video.screenRect = {0, 0, 639, 479};
        g_Mouse.x = 320;
        g_Mouse.y = 240;
    }
    void TearDown() override {
        g_Scene.camera = saved_;
        g_Video.screenRect = {};
        g_Mouse = MouseState();
    }
    Camera* saved_ = nullptr;
};

// Without a current camera, or until the scene has a collision octree, nothing is hit
// and nothing is written.
TEST_F(MousePickTest, NothingToPickAgainst) {
    Camera cam;
    cam.Set(0, 0, -10, 0, 0, 0, 0, std::numbers::pi_v<float> / 2, 1, 100);
    cam.Update();
    for (Camera* current : {static_cast<Camera*>(nullptr), &cam}) {
        g_Scene.camera = current;
        Vec3 p{5, 5, 5};
        CellRef cell{1, 2, 3};
        EXPECT_FALSE(g_Mouse.PickWorldPoint(&p));
        EXPECT_FALSE(g_Mouse.PickMapCell(&cell));
        EXPECT_EQ(p.x, 5);
        EXPECT_EQ(cell.layer, 3);
    }
}

}  // namespace
