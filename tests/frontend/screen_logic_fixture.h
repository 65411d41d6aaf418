// The screens' frames on the recording device: a screen shown from rest, the pointer put on a
// widget, frames with the left button pressed, held or up, and the transition a screen left by.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "frontend/menu_fixture.h"
#include "frontend/overlays.h"
#include "scene/glow.h"
#include "shell/mouse.h"

namespace screenlogictest {

using menutest::Log;
using menutest::MenuTest;

inline std::vector<uint32_t> g_musicStops;

class ScreenLogicTest : public MenuTest {
protected:
    MenuScreens* s = nullptr;

    void SetUp() override {
        MenuTest::SetUp();
        g_musicStops.clear();
        g_MenuShellCalls.stopMusic = [](uint32_t ms) { g_musicStops.push_back(ms); };
        Build(0);
        StopFading();
        s = g_Menu.screens;
    }
    // The screen built from a rest state: no sound, no transition.
    void Show(int screen) {
        DropButtons();
        s->SetScreen(screen);
        g_Menu.page = screen;
        g_Menu.targetPage = screen;
        StopFading();
        Log().sounds.clear();
    }
    static void PointAtRect(float left, float top, float w, float h) {
        const ScreenRect& r = g_Video.screenRect;
        g_Mouse.x = int32_t((left + w / 2) * float(r.right - r.left + 1));
        g_Mouse.y = int32_t((top + h / 2) * float(r.bottom - r.top + 1));
    }
    static void PointAt(const ImageButton& b) {
        const float left = AlignIs(b.align, 'C') ? b.x - b.w / 2 : AlignIs(b.align, 'D') ? b.x - b.w : b.x;
        PointAtRect(left, b.y, b.w, b.h);
    }
    static void PointAt(const MenuSwitch& w) {
        g_Mouse.x = w.px + w.pw / 2;
        g_Mouse.y = w.py + w.ph / 2;
    }
    // One frame with the left button pressed this frame (or only held, or up).
    void Frame(bool pressed, bool held = false) {
        g_Mouse.buttons[MOUSE_LEFT].pressed = pressed ? 1 : 0;
        g_Mouse.buttons[MOUSE_LEFT].held = pressed || held ? 1 : 0;
        s->Update();
        g_Mouse.buttons[MOUSE_LEFT].pressed = 0;
    }
    static void PointAt(const TextLabel& l) { PointAtRect(l.x - l.w / 2, l.y, l.w, l.h); }
    static void PointAt(const MenuButton& b) {
        const int32_t half = AlignIs(b.align, 'C') ? 0 : b.pw / 2;
        g_Mouse.x = int32_t(b.x * SpriteScreenWidth()) + (AlignIs(b.align, 'D') ? -half : half);
        g_Mouse.y = b.py + b.ph / 2;
    }
    template <class W>
    void Click(const W& w) {
        PointAt(w);
        Frame(true);
    }
    void ExpectLeft(int from, int target, const std::vector<int>& sounds) {
        EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
        EXPECT_EQ(g_Menu.previousPage, from);
        EXPECT_EQ(g_Menu.targetPage, target);
        EXPECT_TRUE(g_Fader.running);
        EXPECT_EQ(Log().sounds, sounds);
    }
};

}  // namespace screenlogictest
