#pragma once

#include "platform/os/os.h"

// Controller input through action mapping.
class InputSystem {
public:
    bool Init(os::WindowHandle window);
    void Poll();
    void Release();
};

extern InputSystem g_Input;
