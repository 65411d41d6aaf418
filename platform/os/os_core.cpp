// Start-up and shut-down of the os layer, the close-on-signal hook, the millisecond clock,
// message boxes and the screen size.
#include "platform/os/os_internal.h"

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace os {
namespace detail {

State g;

void State::Reset() {
    queue.clear();
    main = nullptr;
    std::memset(keys, 0, sizeof keys);
    std::memset(pressedSinceQuery, 0, sizeof pressedSinceQuery);
    initialised = false;
    headless = false;
    glLoaded = false;
    signalsInstalled = false;
    oldInt = {};
    oldTerm = {};
    mainThread = {};
    cursorCount = 0;
    arrow = {};
    cursor = &arrow;
    cursorX = cursorY = 0;
    lastPress = {};
    areaLeft = areaTop = areaWidth = areaHeight = 0;
    pictureWidth = pictureHeight = 0;
}

namespace {

// The handler may only touch a lock-free atomic.
std::atomic<bool> g_closeRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnTerminateSignal(int) { g_closeRequested.store(true, std::memory_order_relaxed); }

void InstallSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = OnTerminateSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, &g.oldInt);
    sigaction(SIGTERM, &sa, &g.oldTerm);
    g.signalsInstalled = true;
}

void RestoreSignalHandlers() {
    if (!g.signalsInstalled) return;
    sigaction(SIGINT, &g.oldInt, nullptr);
    sigaction(SIGTERM, &g.oldTerm, nullptr);
    g.signalsInstalled = false;
}

// ---- clock ---------------------------------------------------------------------------

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::atomic<int64_t> g_clockBaseNs{0};
// Posting threads read the clock, so a replaced source is swapped under a lock; the flag keeps
// the real clock lock-free.
std::atomic<bool> g_hasTimeSource{false};
std::mutex g_timeLock;
std::function<uint32_t()> g_timeSource;

bool IsHeadlessDriver(const char* name) {
    return name && (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

const char* Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value ? value : nullptr;
}

// The display the environment names, for the message when it cannot be opened.
std::string NamedDisplay() {
    std::string out;
    if (const char* x = Named("DISPLAY")) out = x;
    if (const char* w = Named("WAYLAND_DISPLAY")) out += (out.empty() ? "" : " / ") + std::string(w);
    return out;
}

// Video and events, with one more try when a named display fails: a virtual X server may
// refuse the first connection of a start.
bool StartVideo() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) return true;
    SDL_Delay(250);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) return true;
    const std::string display = NamedDisplay();
    const char* chosen = Named("SDL_VIDEODRIVER");
    if (!display.empty() && !IsHeadlessDriver(chosen)) {
        std::fprintf(stderr, "Brimvale: cannot open the display %s (%s). Run the game where that display "
                             "can be reached, or with DISPLAY and WAYLAND_DISPLAY unset to run without one.\n",
                     display.c_str(), SDL_GetError());
        return false;
    }
    std::fprintf(stderr, "os: SDL video init failed: %s\n", SDL_GetError());
    return false;
}

}  // namespace

bool TakeCloseRequest() { return g_closeRequested.exchange(false, std::memory_order_relaxed); }
void ResetSignalFlag() { g_closeRequested.store(false, std::memory_order_relaxed); }

// The clock counts from the first time anyone asks, once per process: readings taken before
// and after a restart of the layer (the log's start time, say) must stay comparable.
void StartClock() {
    int64_t unset = 0;
    g_clockBaseNs.compare_exchange_strong(unset, NowNs(), std::memory_order_relaxed);
}

}  // namespace detail

using detail::g;

void SelectVideoDriver() {
    if (detail::Named("SDL_VIDEODRIVER")) return;   // the environment wins over a hint anyway
    std::string drivers;
    if (detail::Named("DISPLAY")) drivers = "x11";
    if (detail::Named("WAYLAND_DISPLAY")) drivers += drivers.empty() ? "wayland" : ",wayland";
    if (drivers.empty()) drivers = "offscreen";
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
}

void KeepLoadedLibraries() {
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            if (info->dlpi_name && *info->dlpi_name) static_cast<std::vector<std::string>*>(out)->push_back(info->dlpi_name);
            return 0;
        },
        &names);
    // Never closed: each handle holds its object.
    for (const std::string& name : names) dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
}

bool Init() {
    if (g.initialised) return true;
    // Our own handlers decide what a signal does; SDL's would turn it into SDL_QUIT.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Closing the window already gives WM_CLOSE; SDL_QUIT after it would give a second one.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SelectVideoDriver();
    if (!detail::StartVideo()) return false;
    g.headless = detail::IsHeadlessDriver(SDL_GetCurrentVideoDriver());
    detail::InstallNativeGuard();
    g.mainThread = std::this_thread::get_id();
    // Hold the GL library for as long as video runs. Otherwise destroying the last window
    // unloads Mesa's EGL driver, which leaks what it allocated on each load. Drivers without
    // GL (dummy) just fail here; windows then fail to open and say why.
    g.glLoaded = SDL_GL_LoadLibrary(nullptr) == 0;
    if (!g.glLoaded) SDL_ClearError();
    SDL_StartTextInput();
    {
        // The lock keys start as the keyboard has them.
        SDL_Keymod mod = SDL_GetModState();
        std::lock_guard<std::mutex> hold(g.lock);
        if (mod & KMOD_CAPS) g.keys[VK_CAPITAL] |= 0x01;
        if (mod & KMOD_NUM) g.keys[VK_NUMLOCK] |= 0x01;
        if (mod & KMOD_SCROLL) g.keys[VK_SCROLL] |= 0x01;
    }
    detail::StartClock();
    detail::ResetSignalFlag();
    detail::InstallSignalHandlers();
    g.initialised = true;
    return true;
}

void Shutdown() {
    detail::RestoreSignalHandlers();
    detail::ResetSignalFlag();
    Window* w = nullptr;
    {
        std::lock_guard<std::mutex> hold(g.lock);
        w = g.main;
        g.main = nullptr;
    }
    // No WM_DESTROY here: the game's own objects may already be gone.
    detail::WatchNativeWindow(nullptr);
    if (w) {
        SDL_DestroyWindow(w->sdl);
        delete w;
    }
    if (g.arrow.sdl) SDL_FreeCursor(g.arrow.sdl);
    if (g.initialised) {
        SDL_ShowCursor(SDL_ENABLE);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        detail::SyncNativeDisplay();
        // Stopping video alone keeps SDL's record of the library allocated.
        if (g.glLoaded) {
            KeepLoadedLibraries();
            SDL_GL_UnloadLibrary();
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    }
    // Only now: closing the display still reports errors about a window lost earlier.
    detail::RemoveNativeGuard();
    {
        std::lock_guard<std::mutex> hold(g.lock);
        g.Reset();
    }
}

// ---- time ----------------------------------------------------------------------------

uint32_t timeGetTime() {
    if (detail::g_hasTimeSource.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> hold(detail::g_timeLock);
        if (detail::g_timeSource) return detail::g_timeSource();
    }
    detail::StartClock();
    int64_t elapsed = detail::NowNs() - detail::g_clockBaseNs.load(std::memory_order_relaxed);
    return uint32_t(uint64_t(elapsed) / 1000000u);
}

void SetTimeSource(std::function<uint32_t()> source) {
    std::lock_guard<std::mutex> hold(detail::g_timeLock);
    detail::g_timeSource = std::move(source);
    detail::g_hasTimeSource.store(bool(detail::g_timeSource), std::memory_order_release);
}

uint32_t timeBeginPeriod(uint32_t) { return 0; }
uint32_t timeEndPeriod(uint32_t) { return 0; }

// ---- message box -----------------------------------------------------------------------

namespace {
std::mutex g_DialogStandInLock;
std::function<void(const char*, const char*)> g_DialogStandIn;
}  // namespace

void SetMessageDialogStandIn(std::function<void(const char* caption, const char* text)> standIn) {
    std::lock_guard<std::mutex> hold(g_DialogStandInLock);
    g_DialogStandIn = std::move(standIn);
}

bool ShowMessageDialog(WindowHandle w, const char* text, const char* caption, uint32_t flags) {
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    if (!driver || detail::IsHeadlessDriver(driver)) return false;
    {
        std::lock_guard<std::mutex> hold(g_DialogStandInLock);
        if (g_DialogStandIn) {
            g_DialogStandIn(caption ? caption : "", text ? text : "");
            return true;
        }
    }
    SDL_Window* parent = IsWindow(w) ? w->sdl : nullptr;
    uint32_t kind = (flags & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    return SDL_ShowSimpleMessageBox(kind, caption ? caption : "", text ? text : "", parent) == 0;
}

int MessageBox(WindowHandle w, const char* text, const char* caption, uint32_t flags) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    ShowMessageDialog(w, text, caption, flags);
    constexpr int kIdOk = 1;
    return kIdOk;
}

// ---- screen --------------------------------------------------------------------------

void GetScreenSize(int* width, int* height) {
    int w = 1024, h = 768;
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        int display = 0;
        WindowHandle main = GetMainWindow();
        if (main) {
            int d = SDL_GetWindowDisplayIndex(main->sdl);
            if (d >= 0) display = d;
        }
        SDL_DisplayMode mode{};
        if (SDL_GetDesktopDisplayMode(display, &mode) == 0 && mode.w > 0 && mode.h > 0) {
            w = mode.w;
            h = mode.h;
        }
    }
    if (width) *width = w;
    if (height) *height = h;
}

}  // namespace os
