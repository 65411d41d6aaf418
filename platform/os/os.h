// The operating-system half of the platform layer: one main window, its message queue,
// keyboard and mouse state, the cursor, the millisecond clock and message boxes.
// Message ids and virtual-key codes keep their classic numbers because option files store
// key codes and the window procedure is written against them. No SDL type leaks out of here.
#pragma once

#include <cstdint>
#include <functional>

namespace os {

struct Window;                      // opaque; there is at most one main window
using WindowHandle = Window*;
using InstanceHandle = void*;
using WindowProc = intptr_t (*)(WindowHandle, uint32_t msg, uintptr_t wParam, intptr_t lParam);

struct Message {
    WindowHandle window = nullptr;
    uint32_t id = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t time = 0;              // timeGetTime() when the message was queued
};

// ---- message ids -------------------------------------------------------------------
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCHAR = 0x0106;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr uint32_t WM_SIZING = 0x0214;
constexpr uint32_t WM_APP = 0x8000;

// WM_SIZE wParam
constexpr uintptr_t SIZE_RESTORED = 0;
constexpr uintptr_t SIZE_MINIMIZED = 1;
constexpr uintptr_t SIZE_MAXIMIZED = 2;

constexpr int WHEEL_DELTA = 120;

// Key-message lParam bits.
constexpr intptr_t KF_REPEAT_BIT = intptr_t(1) << 30;   // previous key state was down
constexpr intptr_t KF_ALTDOWN_BIT = intptr_t(1) << 29;  // context code: Alt held

// ---- virtual keys ------------------------------------------------------------------
constexpr int VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B, VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A.
constexpr int VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;    // .. VK_NUMPAD9 = 0x69
constexpr int VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70, VK_F2 = 0x71, VK_F3 = 0x72, VK_F4 = 0x73, VK_F5 = 0x74, VK_F6 = 0x75;
constexpr int VK_F7 = 0x76, VK_F8 = 0x77, VK_F9 = 0x78, VK_F10 = 0x79, VK_F11 = 0x7A, VK_F12 = 0x7B;
constexpr int VK_NUMLOCK = 0x90, VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4, VK_RMENU = 0xA5;
constexpr int VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0;
constexpr int VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE, VK_OEM_102 = 0xE2;

// ---- life of the layer -------------------------------------------------------------
// Starts SDL's video and event systems and installs the SIGINT/SIGTERM handlers, which
// close the main window so the normal shut-down runs. Safe to call again. A display named in
// the environment that cannot be opened is tried once more, then refused with a message on
// standard error: the game never falls back to running without a window there.
bool Init();
// Points SDL at the video driver to start, unless SDL_VIDEODRIVER chooses: the displays that
// DISPLAY and WAYLAND_DISPLAY name, or the offscreen driver when neither names one. Every
// start of SDL's video calls it first.
void SelectVideoDriver();
// Every shared object now in the process stays loaded for its life. Called before SDL's GL
// library is unloaded: Mesa's drivers, once unloaded, would leave what they allocated behind.
void KeepLoadedLibraries();
// Closes any window, empties the queue and every piece of state (tests call it between cases).
void Shutdown();

// ---- the main window ---------------------------------------------------------------
struct WindowDesc {
    const char* title = "";
    WindowProc proc = nullptr;
    bool popup = false;         // borderless, covering the whole screen
    bool doubleClicks = true;   // turn a second press within the double-click time into *DBLCLK
    int width = 0, height = 0;  // 0: a default size (windowed) or the screen (popup)
};
// Creates the window (hidden) and sends WM_CREATE to its procedure. Null on failure.
WindowHandle CreateMainWindow(const WindowDesc& desc);
void ShowWindow(WindowHandle w, bool show);
// Sends WM_DESTROY to the procedure, then destroys the window.
bool DestroyWindow(WindowHandle w);
bool IsWindow(WindowHandle w);
// Whether a second press within the double-click time is reported as *DBLCLK from now on.
void SetDoubleClicks(WindowHandle w, bool on);
WindowHandle GetMainWindow();
// The SDL window behind the handle, for the graphics layers only (SDL_Window*). Null once the
// display server has taken the window away: nothing new can be made on it.
void* NativeWindow(WindowHandle w);
// True when `native` is the main window's SDL window and the display server has taken it away
// (asks the server: one round trip). Drawing into it then must stop until the close that follows.
bool IsNativeWindowLost(void* native);
void GetClientSize(WindowHandle w, int* width, int* height);
// The client area's top-left corner in screen coordinates.
void GetClientOrigin(WindowHandle w, int* x, int* y);
void GetScreenSize(int* width, int* height);
bool IsMinimized(WindowHandle w);
// True while the window has input focus. A headless window counts as focused once shown,
// since nothing else can take the focus from it.
bool IsForeground(WindowHandle w);

// ---- messages ----------------------------------------------------------------------
constexpr bool PM_NOREMOVE = false;
constexpr bool PM_REMOVE = true;
// Pumps pending input into the queue, then copies the front message into *msg, removing it
// when asked. False when the queue is empty.
bool PeekMessage(Message* msg, bool remove);
// Builds WM_CHAR from text input it queued right after the key and WM_SYSCHAR for Alt+key.
// Typed text arrives as WM_CHAR in Windows-1252, one message per character; characters that
// have no 1252 byte are dropped.
bool TranslateMessage(const Message* msg);
intptr_t DispatchMessage(const Message* msg);
// Default handling of messages the window procedure does not handle (WM_CLOSE destroys the
// window, Alt+F4 closes it; the rest return 0).
intptr_t DefWindowProc(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam);
// Thread-safe: may be called from network and timer threads.
bool PostMessage(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam);
// Queues WM_QUIT with the exit code after everything already queued.
void PostQuitMessage(int exitCode);
// Sends a message straight to the procedure (main thread only).
intptr_t SendMessage(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam);
// Milliseconds within which a second press counts as a double click.
uint32_t GetDoubleClickTime();

// Packing helpers for lParam/wParam words.
constexpr uint16_t LoWord(uintptr_t v) { return uint16_t(v & 0xFFFF); }
constexpr uint16_t HiWord(uintptr_t v) { return uint16_t((v >> 16) & 0xFFFF); }
constexpr intptr_t MakeLParam(int lo, int hi) {
    return intptr_t(uint32_t(uint16_t(lo)) | (uint32_t(uint16_t(hi)) << 16));
}

// ---- keyboard ----------------------------------------------------------------------
// 0x8000 when the key (or mouse button 1, 2, 4) is down now; bit 0 when it was pressed since
// the last query of that key, which clears it.
int16_t GetAsyncKeyState(int vk);
// 256 bytes: 0x80 down, 0x01 toggled (Caps Lock, Num Lock, Scroll Lock; any key flips its
// toggle bit on each press).
bool GetKeyboardState(uint8_t state[256]);
bool SetKeyboardState(const uint8_t state[256]);
// The character a virtual key gives with the shift state in `state` (US layout). Returns 1
// with out[0] set, 0 when the key gives no character.
int ToAscii(int vk, int scanCode, const uint8_t state[256], char out[2]);
constexpr int MAPVK_VK_TO_VSC = 0, MAPVK_VSC_TO_VK = 1;
// Virtual key <-> set-1 scan code.
int MapVirtualKey(int code, int mapType);
// The virtual key an SDL keycode/scancode pair stands for (0 when none); SDL types as ints.
int VirtualKeyFromSdl(int sdlKeycode, int sdlScancode);

// ---- cursor ------------------------------------------------------------------------
// Shows while the counter is >= 0; returns the new counter.
int ShowCursor(bool show);
using CursorHandle = void*;
CursorHandle LoadArrowCursor();
CursorHandle SetCursor(CursorHandle cursor);    // null hides the pointer image
// Client coordinates of the main window. Warping produces a mouse-move message.
bool GetCursorPos(int* x, int* y);
bool SetCursorPos(int x, int y);
// Where the present put a scaled picture in the main window (window points) and the picture's
// own size, so that mouse positions are reported in the picture's pixels, as the game drew it,
// and cursor warps land on the same spot of the screen. Empty sizes undo the mapping.
void SetPictureArea(int left, int top, int width, int height, int pictureWidth, int pictureHeight);

// ---- time --------------------------------------------------------------------------
// Milliseconds since the layer started, wrapping at 2^32.
uint32_t timeGetTime();
// Tests replace the source; an empty function restores the real clock.
void SetTimeSource(std::function<uint32_t()> source);
uint32_t timeBeginPeriod(uint32_t ms);
uint32_t timeEndPeriod(uint32_t ms);

// ---- message box -------------------------------------------------------------------
constexpr uint32_t MB_OK = 0x0, MB_ICONERROR = 0x10;
// Shown as a dialog where a display exists; always echoed to standard error.
int MessageBox(WindowHandle w, const char* text, const char* caption, uint32_t flags);
// The dialog alone, nothing on standard error: false, and nothing shown, where there is no display
// (before the layer starts, or on a headless driver).
bool ShowMessageDialog(WindowHandle w, const char* text, const char* caption, uint32_t flags);
// Tests: a dialog that would open on a real display goes here instead, and is taken as shown; the
// default (empty) opens it. A test program has nobody to click its button.
void SetMessageDialogStandIn(std::function<void(const char* caption, const char* text)> standIn);

}  // namespace os
