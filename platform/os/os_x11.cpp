// The main window under X11 when another client destroys it (a window manager, a tool). SDL
// reports no event for that, and Xlib's default error handler ends the process on the first
// request that names the dead window, so the game would never run its shut-down. Instead the
// loss is noticed (its DestroyNotify, or an error naming the window) and becomes the same
// WM_CLOSE as the close button; errors about the dead window are ignored from then on. A lost
// server, after which nothing can be drawn, ends the process at once.
#include "platform/os/os_internal.h"

#include <SDL_syswm.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace os {
namespace detail {

namespace {

// Set by the error handler, which Xlib may call from any thread that talks to the server.
std::atomic<bool> g_closeForLoss{false};   // WM_CLOSE still to be queued
std::atomic<bool> g_windowLost{false};     // until the game destroys the window

}  // namespace

void OnMainWindowLost() {
    g_windowLost.store(true, std::memory_order_relaxed);
    g_closeForLoss.store(true, std::memory_order_relaxed);
}
bool TakeWindowLost() { return g_closeForLoss.exchange(false, std::memory_order_relaxed); }
bool IsMainWindowLost() { return g_windowLost.load(std::memory_order_relaxed); }

namespace {

void ForgetLoss() {
    g_windowLost.store(false, std::memory_order_relaxed);
    g_closeForLoss.store(false, std::memory_order_relaxed);
}

}  // namespace

#if defined(SDL_VIDEO_DRIVER_X11)

namespace {

std::atomic<unsigned long> g_watched{0};   // the main window's X id, 0 when none
std::atomic<unsigned long> g_dead{0};      // the X id of the window lost last
Display* g_display = nullptr;              // SDL's connection, main thread only
Display* g_connection = nullptr;           // the same, kept until the guard goes
XErrorHandler g_previous = nullptr;
XIOErrorHandler g_previousIO = nullptr;
bool g_installed = false;

void MarkLost(unsigned long id) {
    if (id == 0 || g_dead.exchange(id, std::memory_order_relaxed) == id) return;
    std::fprintf(stderr, "os: the window was destroyed by another program; closing\n");
    OnMainWindowLost();
}

int OnXError(Display* display, XErrorEvent* error) {
    const unsigned long id = error->resourceid;
    if (id != 0 && id == g_watched.load(std::memory_order_relaxed)) MarkLost(id);
    if (id != 0 && id == g_dead.load(std::memory_order_relaxed)) return 0;
    // SDL also asks about the lost window's place in full screen (a coordinate translation that
    // names no window of ours): once the window is gone, no missing window ends the game.
    if (error->error_code == BadWindow && IsMainWindowLost()) return 0;
    return g_previous ? g_previous(display, error) : 0;
}

// The server itself gone (killed, its connection cut). Xlib's own handler calls exit(), which
// runs the static destructors in the middle of whatever call met the loss, while the game's
// objects are in use and the GL driver's threads still run: memory is freed twice. Nothing can
// be drawn or shown any more, so the process ends at once with the status exit would have given.
[[noreturn]] int OnXIOError(Display*) {
    std::fprintf(stderr, "os: the connection to the X server was lost; ending\n");
    std::fflush(nullptr);
    _exit(1);
}

}  // namespace

void InstallNativeGuard() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (g_installed || !driver || std::strcmp(driver, "x11") != 0) return;
    g_previous = XSetErrorHandler(OnXError);
    g_previousIO = XSetIOErrorHandler(OnXIOError);
    g_installed = true;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void RemoveNativeGuard() {
    if (g_installed) {
        // Stopping video already put back the handler SDL found; ours then names a handler of
        // a device gone, which the next device would take as the one to call after its own.
        XErrorHandler current = XSetErrorHandler(g_previous);
        if (current != OnXError) XSetErrorHandler(current);
        XIOErrorHandler currentIO = XSetIOErrorHandler(g_previousIO);
        if (currentIO != OnXIOError) XSetIOErrorHandler(currentIO);
    }
    g_previous = nullptr;
    g_previousIO = nullptr;
    g_installed = false;
    g_display = nullptr;
    g_connection = nullptr;
    g_watched.store(0, std::memory_order_relaxed);
    g_dead.store(0, std::memory_order_relaxed);
    ForgetLoss();
}

void WatchNativeWindow(SDL_Window* window) {
    unsigned long id = 0;
    g_display = nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (g_installed && window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
        id = info.info.x11.window;
        g_display = info.info.x11.display;
        g_connection = g_display;
    }
    g_watched.store(id, std::memory_order_relaxed);
    ForgetLoss();
}

void SyncNativeDisplay() {
    if (g_installed && g_connection) XSync(g_connection, False);
}

bool CheckNativeWindow() {
    const unsigned long watched = g_watched.load(std::memory_order_relaxed);
    if (g_display && watched != 0 && !IsMainWindowLost()) {
        // A round trip: a window already gone answers with an error that marks it lost, before
        // anything is built on it that would not survive the missing window.
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(g_display, watched, &attributes)) MarkLost(watched);
    }
    return !IsMainWindowLost();
}

void OnNativeEvent(const SDL_SysWMmsg* msg) {
    if (!msg || msg->subsystem != SDL_SYSWM_X11) return;
    const XEvent& e = msg->msg.x11.event;
    const unsigned long watched = g_watched.load(std::memory_order_relaxed);
    if (e.type == DestroyNotify && watched != 0 && e.xdestroywindow.window == watched) MarkLost(watched);
}

#else

void InstallNativeGuard() {}
void RemoveNativeGuard() { ForgetLoss(); }
void SyncNativeDisplay() {}
void WatchNativeWindow(SDL_Window*) { ForgetLoss(); }
bool CheckNativeWindow() { return !IsMainWindowLost(); }
void OnNativeEvent(const SDL_SysWMmsg*) {}

#endif

}  // namespace detail
}  // namespace os
