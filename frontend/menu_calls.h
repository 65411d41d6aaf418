// What the front end reaches of the shell above it: sounds, music, the match start and end, the
// video device, the quit flag, the control mode and the typed characters. The shell fills the
// table; tests replace entries.
#pragma once

#include <cstdint>

struct MenuShellCalls {
    void (*playFx)(int id);
    void (*playMusic)(const char* name, bool loop);
    void (*stopMusic)(uint32_t fadeMs);
    void (*stopAllFx)();
    void (*startGame)();
    bool (*releaseGame)(bool full);
    void (*destroyVideo)();
    bool (*initVideo)();
    void (*requestQuit)();
    void (*selectControlMode)();
    void (*resetCameraPitch)();
    // Forgets every pressed key and every typed character not yet taken.
    void (*clearKeyboardState)();
    // The next typed character (Windows-1252, control characters included), or -1 when none.
    int (*nextTypedChar)();
    // os::SetCursorPos and os::GetAsyncKeyState: the player editor's drag and test keys.
    bool (*setCursorPos)(int x, int y);
    int16_t (*asyncKeyState)(int vk);
};
extern MenuShellCalls g_MenuShellCalls;
// The shell's own entries back (tests).
void ResetMenuShellCalls();

// The session calls of the network pages; they start at the session layer's own (tests put
// their own in).
struct MenuNetCalls {
    bool (*start)(bool host, const char* playerName, uint32_t port, const char* hostAddress);
    bool (*join)(int index);
    void (*stop)();
    void (*stopSearch)();
};
extern MenuNetCalls g_MenuNetCalls;
void ResetMenuNetCalls();
