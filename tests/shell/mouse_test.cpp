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

void Press(MouseButtonState& b, uint32_t time) {
    b.held = 1;
    b.pressed = 1;
    b.pressTime = time;
    b.heldDuration = 0;
}

}  // namespace

TEST_F(MouseTest, ResetClearsEverythingButThePreviousPosition) {
    MouseState& m = g_Mouse;
    m.x = 300;
    m.y = 200;
    m.prevX = 290;
    m.prevY = 195;
    m.wheel = -240;
    for (int i = 0; i < MOUSE_BUTTON_COUNT; ++i) {
        Press(m.buttons[i], 1000 + i);
        m.buttons[i].released = 1;
        m.buttons[i].heldDuration = 50 * i;
    }
    m.Reset();
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 0);
    EXPECT_EQ(m.prevX, 290);
    EXPECT_EQ(m.prevY, 195);
    EXPECT_EQ(m.wheel, 0);
    for (int i = 0; i < MOUSE_BUTTON_COUNT; ++i) {
        const MouseButtonState& b = m.buttons[i];
        EXPECT_EQ(b.held, 0) << i;
        EXPECT_EQ(b.pressed, 0) << i;
        EXPECT_EQ(b.released, 0) << i;
        EXPECT_EQ(b.pressTime, 0u) << i;
        EXPECT_EQ(b.heldDuration, -1) << i;   // no press since the reset
    }
}

TEST_F(MouseTest, ClearEdgesLeavesHeldButtonsAndPositions) {
    MouseState& m = g_Mouse;
    m.x = 12;
    m.y = 34;
    m.wheel = 120;
    Press(m.buttons[MOUSE_LEFT], 500);
    m.buttons[MOUSE_LEFT].heldDuration = 70;
    // A press and release within one frame: both edges up, not held.
    m.buttons[MOUSE_RIGHT].pressed = 1;
    m.buttons[MOUSE_RIGHT].released = 1;
    Press(m.buttons[MOUSE_MIDDLE_DOUBLE], 600);

    MouseState before = m;
    m.ClearEdges();
    for (int i = 0; i < MOUSE_BUTTON_COUNT; ++i) {
        EXPECT_EQ(m.buttons[i].pressed, 0) << i;
        EXPECT_EQ(m.buttons[i].released, 0) << i;
        EXPECT_EQ(m.buttons[i].held, before.buttons[i].held) << i;
        EXPECT_EQ(m.buttons[i].pressTime, before.buttons[i].pressTime) << i;
        EXPECT_EQ(m.buttons[i].heldDuration, before.buttons[i].heldDuration) << i;
    }
    EXPECT_EQ(m.x, 12);
    EXPECT_EQ(m.y, 34);
    EXPECT_EQ(m.wheel, 120);
}

TEST_F(MouseTest, IsInRectIncludesTopLeftExcludesBottomRight) {
    struct Case {
        int px, py;
        bool inside;
    } cases[] = {
        {10, 20, true}, {39, 69, true}, {40, 20, false}, {10, 70, false}, {9, 20, false}, {10, 19, false},
    };
    for (const Case& c : cases) {
        g_Mouse.x = c.px;
        g_Mouse.y = c.py;
        EXPECT_EQ(g_Mouse.IsInRect(10, 20, 30, 50), c.inside) << c.px << "," << c.py;
    }
    g_Mouse.x = -5;
    g_Mouse.y = -5;
    EXPECT_TRUE(g_Mouse.IsInRect(-10, -10, 10, 10));
    EXPECT_FALSE(g_Mouse.IsInRect(0, 0, 10, 10));
}

TEST_F(MouseTest, RelativeRectsScaleWithTheScreen) {
    g_Video.screenRect = ScreenRect{0, 0, 1023, 767};   // 1024 x 768
    struct Case {
        float fx, fy, fw, fh;
        int px, py;
        bool inside;
    } cases[] = {
        // 0.25 x 1024 = 256, 0.5 x 768 = 384; width 0.1 x 1024 = 102.4 -> 102, height 0.1 x 768 = 76.8 -> 76.
        {0.25f, 0.5f, 0.1f, 0.1f, 256, 384, true},
        {0.25f, 0.5f, 0.1f, 0.1f, 357, 459, true},
        {0.25f, 0.5f, 0.1f, 0.1f, 358, 384, false},
        {0.25f, 0.5f, 0.1f, 0.1f, 256, 460, false},
        {0.25f, 0.5f, 0.1f, 0.1f, 255, 384, false},
        {0.25f, 0.5f, 0.1f, 0.1f, 256, 383, false},
        // Truncation of the origin: 0.3333 x 1024 = 341.3 -> 341.
        {0.3333f, 0.0f, 0.5f, 1.0f, 341, 0, true},
        {0.3333f, 0.0f, 0.5f, 1.0f, 340, 0, false},
        {0.0f, 0.0f, 0.0f, 0.0f, 0, 0, false},
    };
    for (const Case& c : cases) {
        g_Mouse.x = c.px;
        g_Mouse.y = c.py;
        EXPECT_EQ(g_Mouse.IsInRelativeRect(c.fx, c.fy, c.fw, c.fh), c.inside)
            << c.fx << " " << c.fy << " " << c.fw << " " << c.fh << " at " << c.px << "," << c.py;
    }
}

TEST_F(MouseTest, WholeScreenHoldsEveryPixel) {
    const ScreenRect screens[] = {{0, 0, 639, 479}, {0, 0, 1023, 767}, {0, 0, 799, 599}};
    for (const ScreenRect& r : screens) {
        g_Video.screenRect = r;
        int w = r.right + 1, h = r.bottom + 1;
        int bad = 0;
        for (int y = -1; y <= h; ++y) {
            for (int x = -1; x <= w; ++x) {
                g_Mouse.x = x;
                g_Mouse.y = y;
                bool onScreen = x >= 0 && x < w && y >= 0 && y < h;
                if (g_Mouse.IsInRelativeRect(0.0f, 0.0f, 1.0f, 1.0f) != onScreen) ++bad;
            }
        }
        EXPECT_EQ(bad, 0) << w << "x" << h;
    }
}

TEST_F(MouseTest, RelativeRectIgnoresTheScreenOrigin) {
    // Only the size counts: a screen rectangle at (100, 50) measures from the client origin.
    g_Video.screenRect = ScreenRect{100, 50, 899, 649};   // 800 x 600
    g_Mouse.x = 0;
    g_Mouse.y = 0;
    EXPECT_TRUE(g_Mouse.IsInRelativeRect(0.0f, 0.0f, 0.5f, 0.5f));
    g_Mouse.x = 400;
    g_Mouse.y = 300;
    EXPECT_FALSE(g_Mouse.IsInRelativeRect(0.0f, 0.0f, 0.5f, 0.5f));
    EXPECT_TRUE(g_Mouse.IsInRelativeRect(0.5f, 0.5f, 0.5f, 0.5f));
}

