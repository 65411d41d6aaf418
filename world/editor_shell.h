// What the element-map editor reaches of the application shell: player 0's action slots and key
// bindings, the control mode and the local fighter. The shell sits above the world and fills this
// table with its own functions (shell/editor_shell_calls.cpp).
#pragma once

#include <cstdint>

struct EditorShellCalls {
    // Player 0's action this frame: its pressed edge, whether it is held, and ms held since its press.
    bool (*pressed)(int action);
    bool (*held)(int action);
    int32_t (*heldMs)(int action);
    // The first key bound to the action.
    int32_t (*boundKey)(int action);
    // 0 free camera, 2 fly camera.
    int (*controlMode)();
    // The control mode the application mode asks for.
    void (*selectControlMode)();
    // The local fighter chosen as a match start chooses it, or none.
    void (*chooseLocalFighter)();
    void (*clearLocalFighter)();
};
extern EditorShellCalls g_EditorShellCalls;
void ResetEditorShellCalls();
