// Shared set-up for the os layer tests: a fresh layer per test, a window whose procedure
// records what it is sent, and helpers that push synthetic SDL events.
#pragma once

#include "platform/os/os.h"
#include "support/sdl_events.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace ostest {

struct Call {
    uint32_t id;
    uintptr_t wParam;
    intptr_t lParam;
};

// Plain function pointers cannot capture, so the procedure writes here.
inline std::vector<Call>& Calls() {
    static std::vector<Call> calls;
    return calls;
}

inline intptr_t RecordingProc(os::WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    Calls().push_back({msg, wParam, lParam});
    return os::DefWindowProc(w, msg, wParam, lParam);
}

class OsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Calls().clear();
        ASSERT_TRUE(os::Init());
    }
    // A test's clock reads its own locals: it must not outlive the test.
    void TearDown() override {
        os::SetTimeSource({});
        os::Shutdown();
    }

    // A shown window with no messages left over from its creation.
    os::WindowHandle Open(bool doubleClicks = true) {
        os::WindowDesc desc;
        desc.proc = RecordingProc;
        desc.doubleClicks = doubleClicks;
        window = os::CreateMainWindow(desc);
        EXPECT_NE(window, nullptr);
        os::ShowWindow(window, true);
        Drain();
        Calls().clear();
        return window;
    }

    uint32_t WindowId() const {
        return SDL_GetWindowID(static_cast<SDL_Window*>(os::NativeWindow(window)));
    }

    std::vector<os::Message> Drain() {
        std::vector<os::Message> out;
        os::Message m;
        while (os::PeekMessage(&m, os::PM_REMOVE)) out.push_back(m);
        return out;
    }

    // Only the messages with these ids, in order.
    static std::vector<os::Message> Only(const std::vector<os::Message>& all, std::vector<uint32_t> ids) {
        std::vector<os::Message> out;
        for (const auto& m : all)
            if (std::find(ids.begin(), ids.end(), m.id) != ids.end()) out.push_back(m);
        return out;
    }

    // Every event kind pushed here starts with its type, a time stamp and the window's id.
    void Push(SDL_Event e) {
        e.window.windowID = WindowId();
        ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }

    void PushKey(bool down, SDL_Keycode sym, SDL_Scancode sc, uint16_t mod = KMOD_NONE,
                 uint8_t repeat = 0) {
        Push(testsupport::KeyEvent(down, sym, sc, mod, repeat));
    }

    void PushText(const char* text) {
        Push(testsupport::TextEvent(text));
    }

    void PushMotion(int x, int y) {
        Push(testsupport::MotionEvent(x, y));
    }

    void PushButton(bool down, uint8_t button, int x, int y) {
        Push(testsupport::ButtonEvent(down, button, x, y));
    }

    void PushWheel(int y, bool flipped = false) {
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.y = y;
        e.wheel.preciseY = float(y);
        e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
        Push(e);
    }

    void PushWindowEvent(uint8_t event, int data1 = 0, int data2 = 0) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = event;
        e.window.data1 = data1;
        e.window.data2 = data2;
        Push(e);
    }

    os::WindowHandle window = nullptr;
};

}  // namespace ostest
