#include "shell/input_system.h"

InputSystem g_Input;

// The controller action mapping fills these.
bool InputSystem::Init(os::WindowHandle) { return false; }
void InputSystem::Poll() {}
void InputSystem::Release() {}
