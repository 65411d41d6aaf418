// SDL events as the window system would deliver them, for tests that push input into the OS
// layer. The caller sets the window id when it pushes.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstring>

namespace testsupport {

inline SDL_Event KeyEvent(bool down, SDL_Keycode sym, SDL_Scancode scan, uint16_t mod = KMOD_NONE, uint8_t repeat = 0) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scan;
    e.key.keysym.mod = mod;
    return e;
}

inline SDL_Event TextEvent(const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, text, sizeof e.text.text - 1);
    return e;
}

inline SDL_Event MotionEvent(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    return e;
}

inline SDL_Event ButtonEvent(bool down, uint8_t button, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    return e;
}

}  // namespace testsupport
