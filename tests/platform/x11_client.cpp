// X11 calls for the window-loss test, kept apart: Xlib's macros clash with GoogleTest's names.
#include "x11_client.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace ostest {

unsigned long X11WindowId(void* sdlWindow) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!sdlWindow || !SDL_GetWindowWMInfo(static_cast<SDL_Window*>(sdlWindow), &info) ||
        info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

bool DestroyFromAnotherClient(unsigned long window) {
    Display* other = XOpenDisplay(nullptr);
    if (!other) return false;
    XDestroyWindow(other, window);
    XSync(other, False);
    XCloseDisplay(other);
    return true;
}

}  // namespace ostest
