#include "shell/control.h"
#include "shell/startup.h"
#include "world/editor_shell.h"

namespace {

bool ValidAction(int a) { return a >= 0 && a < CONTROL_ACTIONS; }
const ActionSlot& Slot(int a) { return g_Control.slots[0][a]; }

constexpr EditorShellCalls kRealCalls = {
    [](int a) { return ValidAction(a) && Slot(a).pressed != 0; },
    [](int a) { return ValidAction(a) && Slot(a).held != 0; },
    [](int a) { return ValidAction(a) ? Slot(a).heldMs : 0; },
    [](int a) { return ValidAction(a) ? g_Control.bindings[a].key1 : int32_t(BINDING_NONE); },
    [] { return int(g_Control.controlMode); },
    [] { g_Control.SelectMode(); },
    ChooseLocalFighter,
    [] { g_Control.localCharacter = nullptr; },
};

}  // namespace

EditorShellCalls g_EditorShellCalls = kRealCalls;

void ResetEditorShellCalls() { g_EditorShellCalls = kRealCalls; }
