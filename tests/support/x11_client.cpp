// X11 calls for the tests of windows closed or taken away by other clients, kept apart: Xlib's
// macros clash with GoogleTest's names.
#include "support/x11_client.h"

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

bool CloseFromAnotherClient(unsigned long window) {
    Display* other = XOpenDisplay(nullptr);
    if (!other) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(other, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(other, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(other, window, False, NoEventMask, &e);
    XSync(other, False);
    XCloseDisplay(other);
    return true;
}

}  // namespace ostest
