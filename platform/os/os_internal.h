// State shared by the os/*.cpp files. Only the os layer includes this.
#pragma once

#include "platform/os/os.h"

#include <SDL.h>
#include <signal.h>

#include <deque>
#include <mutex>
#include <thread>

namespace os {

struct Window {
    SDL_Window* sdl = nullptr;
    uint32_t sdlId = 0;
    WindowProc proc = nullptr;
    bool doubleClicks = true;
    bool focused = false;
    bool minimized = false;
    bool destroying = false;    // WM_DESTROY is being sent; a nested DestroyWindow is refused
};

namespace detail {

// The arrow is the only cursor the game loads. Its SDL cursor may stay null on drivers that
// have no pointer images (offscreen); the handle still stands for "the pointer is shown".
struct Cursor {
    SDL_Cursor* sdl = nullptr;
    bool loaded = false;
};

struct LastPress {
    bool armed = false;
    int button = 0;
    uint32_t time = 0;
    int x = 0, y = 0;
};

// A thread that stops pumping cannot make the queue grow without end.
constexpr size_t kMaxQueued = 10000;
constexpr uint32_t kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;

struct State {
    // Guarded by `lock`: touched by posting threads.
    std::mutex lock;
    std::deque<Message> queue;
    Window* main = nullptr;
    uint8_t keys[256] = {};
    // Pressed since GetAsyncKeyState last asked about the key.
    uint8_t pressedSinceQuery[256] = {};

    // Main thread only.
    bool initialised = false;
    bool headless = false;
    bool glLoaded = false;   // the GL library, held from Init to Shutdown
    bool signalsInstalled = false;
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    std::thread::id mainThread;
    int cursorCount = 0;
    Cursor arrow;
    CursorHandle cursor = &arrow;
    int cursorX = 0, cursorY = 0;
    LastPress lastPress;
    // Where a scaled picture lies in the window (window points) and its own size; zero sizes
    // when the picture fills the window pixel for pixel.
    int areaLeft = 0, areaTop = 0, areaWidth = 0, areaHeight = 0;
    int pictureWidth = 0, pictureHeight = 0;

    // Everything but the lock back to its start state; SDL objects must be released first.
    void Reset();
};

extern State g;

// Window points to the picture's pixels and back, through the area the present last set.
void WindowToPicture(int* x, int* y);
void PictureToWindow(int* x, int* y);

// Appends under the lock. A mouse move right behind another mouse move for the same window
// replaces it. `force` skips the size limit (WM_QUIT, the close a signal asks for).
bool EnqueueLocked(const Message& m, bool force);
bool Enqueue(const Message& m, bool force);
bool IsWindowLocked(WindowHandle w);

// Key state bookkeeping (caller holds the lock).
void SetKeyLocked(int vk, bool down);
uintptr_t MouseKeyFlagsLocked();

// VK_LSHIFT/VK_RSHIFT/... for the modifier keys, otherwise what VirtualKeyFromSdl gives.
int SideVirtualKeyFromSdl(int sdlKeycode, int sdlScancode);

// Reads SDL's pending events into the queue (main thread).
void PumpEvents();
void ApplyCursor();

// The native window went away without the game asking (X11: destroyed by another client).
// Safe from any thread; the next PeekMessage turns it into WM_CLOSE, as the close button does.
void OnMainWindowLost();
bool TakeWindowLost();
// Until the game destroys it, nothing new is made on a lost window and it is never shown.
bool IsMainWindowLost();
// Where the display server can take the window away, watch for it (os_x11.cpp).
void InstallNativeGuard();
void RemoveNativeGuard();
// Takes in, under the guard, the errors still on their way about requests sent so far (a window
// destroyed after another program took it away); stopping video closes the connection without it.
void SyncNativeDisplay();
// The main window to watch, or null once the game destroys it itself.
void WatchNativeWindow(SDL_Window* window);
// Asks the display server whether the watched window still exists; false once it is lost.
bool CheckNativeWindow();
void OnNativeEvent(const SDL_SysWMmsg* msg);

bool TakeCloseRequest();
void ResetSignalFlag();
void StartClock();

}  // namespace detail
}  // namespace os
