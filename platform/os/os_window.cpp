// The main window, its message queue, the translation of SDL events into messages, and the
// cursor.
#include "platform/os/os_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/text/text.h"

namespace os {
namespace detail {

bool IsWindowLocked(WindowHandle w) { return w != nullptr && w == g.main; }

// A press on the bars around a scaled picture lands on the picture's nearest edge.
void WindowToPicture(int* x, int* y) {
    if (g.areaWidth <= 0 || g.areaHeight <= 0) return;
    const int64_t px = (int64_t(*x) - g.areaLeft) * g.pictureWidth / g.areaWidth;
    const int64_t py = (int64_t(*y) - g.areaTop) * g.pictureHeight / g.areaHeight;
    *x = int(std::clamp<int64_t>(px, 0, g.pictureWidth - 1));
    *y = int(std::clamp<int64_t>(py, 0, g.pictureHeight - 1));
}

// The centre of the picture pixel, so that mapping back gives the same pixel.
void PictureToWindow(int* x, int* y) {
    if (g.areaWidth <= 0 || g.areaHeight <= 0) return;
    *x = int(g.areaLeft + (int64_t(*x) * 2 + 1) * g.areaWidth / (int64_t(g.pictureWidth) * 2));
    *y = int(g.areaTop + (int64_t(*y) * 2 + 1) * g.areaHeight / (int64_t(g.pictureHeight) * 2));
}

bool EnqueueLocked(const Message& m, bool force) {
    if (m.id == WM_MOUSEMOVE && !g.queue.empty()) {
        Message& last = g.queue.back();
        if (last.id == WM_MOUSEMOVE && last.window == m.window) {
            last = m;
            return true;
        }
    }
    if (!force && g.queue.size() >= kMaxQueued) return false;
    g.queue.push_back(m);
    return true;
}

bool Enqueue(const Message& m, bool force) {
    std::lock_guard<std::mutex> hold(g.lock);
    return EnqueueLocked(m, force);
}

namespace {

Message Make(WindowHandle w, uint32_t id, uintptr_t wParam, intptr_t lParam, uint32_t time) {
    Message m;
    m.window = w;
    m.id = id;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = time;
    return m;
}

// Messages a translation makes for the key just taken off the queue must come next, ahead of
// whatever input is already waiting.
void EnqueueFront(const Message& m) {
    std::lock_guard<std::mutex> hold(g.lock);
    g.queue.push_front(m);
}

void OnKey(Window* w, const SDL_KeyboardEvent& e) {
    int vk = VirtualKeyFromSdl(e.keysym.sym, e.keysym.scancode);
    if (vk == 0) return;
    int side = SideVirtualKeyFromSdl(e.keysym.sym, e.keysym.scancode);
    bool down = e.type == SDL_KEYDOWN;
    uint32_t now = timeGetTime();

    std::lock_guard<std::mutex> hold(g.lock);
    bool wasDown = (g.keys[side] & 0x80) != 0 || e.repeat != 0;
    bool alt = (e.keysym.mod & KMOD_ALT) != 0 || (g.keys[VK_MENU] & 0x80) != 0 || vk == VK_MENU;
    bool sys = alt || vk == VK_F10;

    intptr_t lParam = 1;
    lParam |= intptr_t(MapVirtualKey(side, MAPVK_VK_TO_VSC) & 0xFF) << 16;
    if (alt) lParam |= KF_ALTDOWN_BIT;
    if (wasDown) lParam |= KF_REPEAT_BIT;

    SetKeyLocked(side, down);
    if (side != vk) {
        // The generic modifier is down while either side is.
        int left = 0, right = 0;
        if (vk == VK_SHIFT) left = VK_LSHIFT, right = VK_RSHIFT;
        if (vk == VK_CONTROL) left = VK_LCONTROL, right = VK_RCONTROL;
        if (vk == VK_MENU) left = VK_LMENU, right = VK_RMENU;
        SetKeyLocked(vk, ((g.keys[left] | g.keys[right]) & 0x80) != 0);
    }

    uint32_t id = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    EnqueueLocked(Make(w, id, uintptr_t(vk), lParam, now), false);
}

// The Windows-1252 byte of a code point, or -1 when it has none (the C1 controls included).
int To1252(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
    for (int b = 0x80; b < 0xA0; ++b) {
        const uint32_t mapped = text::CodePointFrom1252(uint8_t(b));
        if (mapped == cp && mapped != uint32_t(b)) return b;
    }
    return -1;
}

// The next code point of UTF-8 text and its length; a malformed sequence counts as one byte
// with no code point.
size_t NextCodePoint(const char* s, size_t n, uint32_t* cp) {
    const auto c = static_cast<unsigned char>(s[0]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || len > n) {
        *cp = UINT32_MAX;
        return 1;
    }
    uint32_t v = len == 1 ? c : c & (0x7F >> len);
    for (size_t i = 1; i < len; ++i) {
        const auto t = static_cast<unsigned char>(s[i]);
        if ((t & 0xC0) != 0x80) {
            *cp = UINT32_MAX;
            return i;
        }
        v = (v << 6) | (t & 0x3F);
    }
    *cp = v;
    return len;
}

void OnText(Window* w, const SDL_TextInputEvent& e) {
    uint32_t now = timeGetTime();
    std::lock_guard<std::mutex> hold(g.lock);
    // Alt+key is a menu accelerator (WM_SYSCHAR), not typing.
    if (g.keys[VK_MENU] & 0x80) return;
    const size_t n = strnlen(e.text, sizeof e.text);
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        i += NextCodePoint(e.text + i, n - i, &cp);
        const int c = cp == UINT32_MAX ? -1 : To1252(cp);
        if (c >= 0) EnqueueLocked(Make(w, WM_CHAR, uintptr_t(c), 1, now), false);
    }
}

void OnMotion(Window* w, const SDL_MouseMotionEvent& e) {
    uint32_t now = timeGetTime();
    int x = e.x, y = e.y;
    WindowToPicture(&x, &y);
    g.cursorX = x;
    g.cursorY = y;
    std::lock_guard<std::mutex> hold(g.lock);
    EnqueueLocked(Make(w, WM_MOUSEMOVE, MouseKeyFlagsLocked(), MakeLParam(x, y), now), false);
}

void OnButton(Window* w, const SDL_MouseButtonEvent& e) {
    int index;
    switch (e.button) {
        case SDL_BUTTON_LEFT: index = 0; break;
        case SDL_BUTTON_RIGHT: index = 1; break;
        case SDL_BUTTON_MIDDLE: index = 2; break;
        default: return;
    }
    static constexpr int kVk[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    static constexpr uint32_t kDown[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static constexpr uint32_t kUp[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    static constexpr uint32_t kDouble[3] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};

    uint32_t now = timeGetTime();
    bool down = e.type == SDL_MOUSEBUTTONDOWN;
    int x = e.x, y = e.y;
    WindowToPicture(&x, &y);
    g.cursorX = x;
    g.cursorY = y;
    uint32_t id = down ? kDown[index] : kUp[index];
    if (down && w->doubleClicks) {
        LastPress& last = g.lastPress;
        bool isDouble = last.armed && last.button == index &&
                        uint32_t(now - last.time) <= GetDoubleClickTime() &&
                        std::abs(x - last.x) <= kDoubleClickSlop &&
                        std::abs(y - last.y) <= kDoubleClickSlop;
        if (isDouble) {
            id = kDouble[index];
            last.armed = false;     // a third press starts a new pair
        } else {
            last = {true, index, now, x, y};
        }
    }
    std::lock_guard<std::mutex> hold(g.lock);
    SetKeyLocked(kVk[index], down);
    EnqueueLocked(Make(w, id, MouseKeyFlagsLocked(), MakeLParam(x, y), now), false);
}

void OnWheel(Window* w, const SDL_MouseWheelEvent& e) {
    int y = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.y : e.y;
    if (y == 0) return;
    int64_t delta = std::clamp<int64_t>(int64_t(y) * WHEEL_DELTA, INT16_MIN, INT16_MAX);
    uint32_t now = timeGetTime();
    std::lock_guard<std::mutex> hold(g.lock);
    uintptr_t wParam = (uintptr_t(uint16_t(int16_t(delta))) << 16) | MouseKeyFlagsLocked();
    EnqueueLocked(Make(w, WM_MOUSEWHEEL, wParam, MakeLParam(g.cursorX, g.cursorY), now), false);
}

void OnWindowEvent(Window* w, const SDL_WindowEvent& e) {
    if (e.windowID != w->sdlId) return;
    uint32_t now = timeGetTime();
    switch (e.event) {
        case SDL_WINDOWEVENT_MOVED:
            Enqueue(Make(w, WM_MOVE, 0, MakeLParam(e.data1, e.data2), now), false);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            bool maximized = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MAXIMIZED) != 0;
            intptr_t size = MakeLParam(e.data1, e.data2);
            std::lock_guard<std::mutex> hold(g.lock);
            EnqueueLocked(Make(w, WM_SIZING, 0, size, now), false);
            EnqueueLocked(Make(w, WM_SIZE, maximized ? SIZE_MAXIMIZED : SIZE_RESTORED, size, now),
                          false);
            break;
        }
        case SDL_WINDOWEVENT_MINIMIZED:
            w->minimized = true;
            Enqueue(Make(w, WM_SIZE, SIZE_MINIMIZED, 0, now), false);
            break;
        case SDL_WINDOWEVENT_RESTORED: {
            w->minimized = false;
            int cw = 0, ch = 0;
            SDL_GetWindowSize(w->sdl, &cw, &ch);
            Enqueue(Make(w, WM_SIZE, SIZE_RESTORED, MakeLParam(cw, ch), now), false);
            break;
        }
        case SDL_WINDOWEVENT_MAXIMIZED:
            w->minimized = false;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            w->focused = true;
            Enqueue(Make(w, WM_SETFOCUS, 0, 0, now), false);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            w->focused = false;
            Enqueue(Make(w, WM_KILLFOCUS, 0, 0, now), false);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            Enqueue(Make(w, WM_CLOSE, 0, 0, now), true);
            break;
        default:
            break;
    }
}

}  // namespace

void PumpEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        Window* w = GetMainWindow();
        if (!w) continue;   // input with no window to receive it is dropped
        switch (e.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP: OnKey(w, e.key); break;
            case SDL_TEXTINPUT: OnText(w, e.text); break;
            case SDL_MOUSEMOTION: OnMotion(w, e.motion); break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: OnButton(w, e.button); break;
            case SDL_MOUSEWHEEL: OnWheel(w, e.wheel); break;
            case SDL_WINDOWEVENT: OnWindowEvent(w, e.window); break;
            case SDL_QUIT: Enqueue(Make(w, WM_CLOSE, 0, 0, timeGetTime()), true); break;
            case SDL_SYSWMEVENT: OnNativeEvent(e.syswm.msg); break;
            default: break;
        }
    }
}

void ApplyCursor() {
    if (!g.initialised) return;
    bool visible = g.cursorCount >= 0 && g.cursor != nullptr;
    if (visible && g.cursor == &g.arrow && g.arrow.sdl) SDL_SetCursor(g.arrow.sdl);
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace detail

using detail::g;

// ---- the main window -----------------------------------------------------------------

WindowHandle CreateMainWindow(const WindowDesc& desc) {
    if (!g.initialised || GetMainWindow() != nullptr) return nullptr;
    uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    int x, y, width, height;
    if (desc.popup) {
        SDL_Rect bounds{0, 0, 0, 0};
        SDL_GetDisplayBounds(0, &bounds);
        int sw = 0, sh = 0;
        GetScreenSize(&sw, &sh);
        flags |= SDL_WINDOW_BORDERLESS;
        x = bounds.x;
        y = bounds.y;
        width = desc.width > 0 ? desc.width : sw;
        height = desc.height > 0 ? desc.height : sh;
    } else {
        flags |= SDL_WINDOW_RESIZABLE;
        x = y = int(SDL_WINDOWPOS_CENTERED);
        width = desc.width > 0 ? desc.width : 1024;
        height = desc.height > 0 ? desc.height : 768;
    }
    // The window's own framebuffer can then serve as the back buffer with its depth and stencil.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* sdl = SDL_CreateWindow(desc.title ? desc.title : "", x, y, width, height, flags);
    if (!sdl) {
        std::fprintf(stderr, "os: cannot create the window: %s\n", SDL_GetError());
        return nullptr;
    }
    auto* w = new Window;
    w->sdl = sdl;
    w->sdlId = SDL_GetWindowID(sdl);
    w->proc = desc.proc;
    w->doubleClicks = desc.doubleClicks;
    {
        std::lock_guard<std::mutex> hold(g.lock);
        g.main = w;
    }
    detail::WatchNativeWindow(sdl);
    // As with the classic call, -1 from WM_CREATE means the window must not be made.
    if (SendMessage(w, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(w);
        return nullptr;
    }
    return IsWindow(w) ? w : nullptr;
}

void ShowWindow(WindowHandle w, bool show) {
    // Showing waits for the server to map the window, which a lost window never is.
    if (!IsWindow(w) || detail::IsMainWindowLost()) return;
    if (show) {
        SDL_ShowWindow(w->sdl);
    } else {
        SDL_HideWindow(w->sdl);
    }
    // Nothing else can hold the focus on a driver without a display.
    if (g.headless) w->focused = show;
}

bool DestroyWindow(WindowHandle w) {
    if (!IsWindow(w) || w->destroying) return false;
    w->destroying = true;
    SendMessage(w, WM_DESTROY, 0, 0);
    {
        std::lock_guard<std::mutex> hold(g.lock);
        g.main = nullptr;
        // Messages posted to the window die with it.
        auto& q = g.queue;
        q.erase(std::remove_if(q.begin(), q.end(), [w](const Message& m) { return m.window == w; }),
                q.end());
    }
    detail::WatchNativeWindow(nullptr);
    SDL_DestroyWindow(w->sdl);
    delete w;
    return true;
}

void SetDoubleClicks(WindowHandle w, bool on) {
    std::lock_guard<std::mutex> hold(g.lock);
    if (detail::IsWindowLocked(w)) w->doubleClicks = on;
}

bool IsWindow(WindowHandle w) {
    std::lock_guard<std::mutex> hold(g.lock);
    return detail::IsWindowLocked(w);
}

WindowHandle GetMainWindow() {
    std::lock_guard<std::mutex> hold(g.lock);
    return g.main;
}

void* NativeWindow(WindowHandle w) { return IsWindow(w) && detail::CheckNativeWindow() ? w->sdl : nullptr; }

bool IsNativeWindowLost(void* native) {
    WindowHandle w = GetMainWindow();
    return native && w && native == w->sdl && !detail::CheckNativeWindow();
}

void GetClientSize(WindowHandle w, int* width, int* height) {
    int cw = 0, ch = 0;
    if (IsWindow(w)) SDL_GetWindowSize(w->sdl, &cw, &ch);
    if (width) *width = cw;
    if (height) *height = ch;
}

void GetClientOrigin(WindowHandle w, int* x, int* y) {
    int cx = 0, cy = 0;
    if (IsWindow(w)) SDL_GetWindowPosition(w->sdl, &cx, &cy);
    if (x) *x = cx;
    if (y) *y = cy;
}

bool IsMinimized(WindowHandle w) { return IsWindow(w) && w->minimized; }

bool IsForeground(WindowHandle w) { return IsWindow(w) && w->focused; }

// ---- messages ------------------------------------------------------------------------

bool PeekMessage(Message* msg, bool remove) {
    if (g.initialised && std::this_thread::get_id() == g.mainThread) {
        if (WindowHandle w = GetMainWindow(); w && detail::TakeCloseRequest()) {
            detail::Enqueue(detail::Make(w, WM_CLOSE, 0, 0, timeGetTime()), true);
        }
        detail::PumpEvents();
        if (WindowHandle w = GetMainWindow(); w && detail::TakeWindowLost()) {
            detail::Enqueue(detail::Make(w, WM_CLOSE, 0, 0, timeGetTime()), true);
        }
    }
    std::lock_guard<std::mutex> hold(g.lock);
    if (g.queue.empty()) return false;
    if (msg) *msg = g.queue.front();
    if (remove) g.queue.pop_front();
    return true;
}

bool TranslateMessage(const Message* msg) {
    if (!msg || (msg->id != WM_KEYDOWN && msg->id != WM_SYSKEYDOWN)) return false;
    uint8_t keys[256];
    GetKeyboardState(keys);
    char out[2] = {};
    int vk = msg->wParam <= 255 ? int(msg->wParam) : 0;
    if (ToAscii(vk, int(HiWord(uintptr_t(msg->lParam)) & 0xFF), keys, out) != 1) return false;
    auto c = static_cast<unsigned char>(out[0]);
    if (msg->id == WM_SYSKEYDOWN) {
        detail::EnqueueFront(detail::Make(msg->window, WM_SYSCHAR, c, msg->lParam, timeGetTime()));
    } else if (c < 0x20) {
        // Text input never carries Enter, Backspace, Tab or Escape; their WM_CHAR is made here.
        detail::EnqueueFront(detail::Make(msg->window, WM_CHAR, c, msg->lParam, timeGetTime()));
    }
    return true;
}

intptr_t DispatchMessage(const Message* msg) {
    if (!msg || !IsWindow(msg->window)) return 0;
    return SendMessage(msg->window, msg->id, msg->wParam, msg->lParam);
}

intptr_t DefWindowProc(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t) {
    if (msg == WM_CLOSE) {
        DestroyWindow(w);
    } else if (msg == WM_SYSKEYDOWN && wParam == uintptr_t(VK_F4) && IsWindow(w)) {
        PostMessage(w, WM_CLOSE, 0, 0);
    }
    return 0;
}

bool PostMessage(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    uint32_t now = timeGetTime();
    std::lock_guard<std::mutex> hold(g.lock);
    if (w != nullptr && !detail::IsWindowLocked(w)) return false;
    return detail::EnqueueLocked(detail::Make(w, msg, wParam, lParam, now), false);
}

void PostQuitMessage(int exitCode) {
    detail::Enqueue(detail::Make(nullptr, WM_QUIT, uintptr_t(intptr_t(exitCode)), 0, timeGetTime()),
                    true);
}

intptr_t SendMessage(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (!IsWindow(w)) return 0;
    WindowProc proc = w->proc;
    return proc ? proc(w, msg, wParam, lParam) : DefWindowProc(w, msg, wParam, lParam);
}

uint32_t GetDoubleClickTime() { return detail::kDoubleClickMs; }

// ---- cursor --------------------------------------------------------------------------

int ShowCursor(bool show) {
    g.cursorCount += show ? 1 : -1;
    detail::ApplyCursor();
    return g.cursorCount;
}

CursorHandle LoadArrowCursor() {
    if (!g.arrow.loaded && g.initialised) {
        // Null on drivers without pointer images; the handle is still the arrow.
        g.arrow.sdl = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
        g.arrow.loaded = true;
    }
    return &g.arrow;
}

CursorHandle SetCursor(CursorHandle cursor) {
    CursorHandle previous = g.cursor;
    g.cursor = cursor;
    detail::ApplyCursor();
    return previous;
}

void SetPictureArea(int left, int top, int width, int height, int pictureWidth, int pictureHeight) {
    const bool scaled = width > 0 && height > 0 && pictureWidth > 0 && pictureHeight > 0 &&
                        (left != 0 || top != 0 || width != pictureWidth || height != pictureHeight);
    g.areaLeft = scaled ? left : 0;
    g.areaTop = scaled ? top : 0;
    g.areaWidth = scaled ? width : 0;
    g.areaHeight = scaled ? height : 0;
    g.pictureWidth = scaled ? pictureWidth : 0;
    g.pictureHeight = scaled ? pictureHeight : 0;
}

bool GetCursorPos(int* x, int* y) {
    if (!x && !y) return false;
    if (x) *x = g.cursorX;
    if (y) *y = g.cursorY;
    return true;
}

bool SetCursorPos(int x, int y) {
    WindowHandle w = GetMainWindow();
    if (!w) return false;
    g.cursorX = x;
    g.cursorY = y;
    int wx = x, wy = y;
    detail::PictureToWindow(&wx, &wy);
    SDL_WarpMouseInWindow(w->sdl, wx, wy);
    // Not every driver reports a warp as motion; the game counts on seeing one.
    uint32_t now = timeGetTime();
    std::lock_guard<std::mutex> hold(g.lock);
    detail::EnqueueLocked(detail::Make(w, WM_MOUSEMOVE, detail::MouseKeyFlagsLocked(),
                                       MakeLParam(x, y), now),
                          false);
    return true;
}

}  // namespace os
