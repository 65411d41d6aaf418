// The program's entry, its message loop (which is also the frame loop) and the window
// procedure of the single main window.
#pragma once

#include <cstdint>

#include "platform/os/os.h"

struct VideoSettings;

extern uint8_t g_QuitRequest;        // ends the loop at the start of the next turn
extern uint8_t g_BackToMenuRequest;  // served at the end of the turn in which it is seen
extern uint8_t g_RenderEnabled;      // 0 while the window is minimised

extern os::WindowHandle g_Window;
extern os::InstanceHandle g_Instance;

int WinMain(os::InstanceHandle instance, os::InstanceHandle previous, const char* commandLine, int show);
intptr_t WndProc(os::WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam);

// One turn of the loop: a message if one is waiting, else a frame; then the back-to-menu
// request. False when the quit request ends the loop before the turn.
bool RunLoopTurn(os::Message* msg);
void RunFrameTurn();

// The calls the loop and the window procedure make into other subsystems, gathered so that
// tests can watch their order. They point at the real functions unless a test replaces them.
struct ShellCalls {
    void (*pollInput)();
    void (*menuFrame)();
    void (*gameFrame)();
    void (*renderFrame)();
    // A frame that is not drawn still poses the fighters' models (their root motion).
    void (*poseUndrawn)();
    void (*sceneInvalidate)();
    bool (*videoReset)();
    bool (*videoChangeMode)(const VideoSettings&);
    void (*sceneRestore)();
    void (*fontRestore)();
    void (*faderRestore)();
    void (*returnFromMatch)();
};
extern ShellCalls g_ShellCalls;
void ResetShellCalls();

// Back to the state before start-up (tests).
void ResetMainLoopState();
