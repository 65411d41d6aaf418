#include <gtest/gtest.h>

#include "render/video.h"
#include "shell/mouse.h"

namespace {

class MouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Mouse = MouseState();
        savedRect = g_Video.screenRect;
    }
    void TearDown() override {
        g_Mouse = MouseState();
        g_Video.screenRect = savedRect;
    }
    ScreenRect savedRect;
};

}  // namespace

TEST_F(MouseTest, RectanglesIncludeTopLeftAndExcludeBottomRight) {
    struct Case {
        int px, py;
        bool inside;
    } cases[] = {{10, 20, true}, {39, 69, true}, {40, 20, false}, {10, 70, false}, {9, 20, false}, {10, 19, false}};
    for (const Case& c : cases) {
        g_Mouse.x = c.px;
        g_Mouse.y = c.py;
        EXPECT_EQ(g_Mouse.IsInRect(10, 20, 30, 50), c.inside) << c.px << "," << c.py;
    }
}

TEST_F(MouseTest, RelativeRectsScaleWithTheScreenSizeNotItsOrigin) {
    struct Case {
        ScreenRect screen;
        float fx, fy, fw, fh;
        int px, py;
        bool inside;
    } cases[] = {
        // 0.25 x 1024 = 256, 0.5 x 768 = 384; width 102.4 -> 102, height 76.8 -> 76.
        {{0, 0, 1023, 767}, 0.25f, 0.5f, 0.1f, 0.1f, 357, 459, true},
        {{0, 0, 1023, 767}, 0.25f, 0.5f, 0.1f, 0.1f, 358, 384, false},
        {{0, 0, 1023, 767}, 0.25f, 0.5f, 0.1f, 0.1f, 256, 460, false},
        {{0, 0, 1023, 767}, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0, false},
        // The whole screen holds its last pixel and nothing beyond it.
        {{0, 0, 639, 479}, 0.0f, 0.0f, 1.0f, 1.0f, 639, 479, true},
        {{0, 0, 639, 479}, 0.0f, 0.0f, 1.0f, 1.0f, 640, 0, false},
        // Only the size counts: a screen at (100, 50) still measures from the client origin.
        {{100, 50, 899, 649}, 0.0f, 0.0f, 0.5f, 0.5f, 0, 0, true},
        {{100, 50, 899, 649}, 0.0f, 0.0f, 0.5f, 0.5f, 400, 300, false},
    };
    for (const Case& c : cases) {
        g_Video.screenRect = c.screen;
        g_Mouse.x = c.px;
        g_Mouse.y = c.py;
        EXPECT_EQ(g_Mouse.IsInRelativeRect(c.fx, c.fy, c.fw, c.fh), c.inside)
            << c.screen.right << ": " << c.fx << " " << c.fy << " " << c.fw << " " << c.fh << " at " << c.px << ","
            << c.py;
    }
}
