#pragma once

namespace ostest {

// The X id of an SDL window on the x11 driver, 0 otherwise.
unsigned long X11WindowId(void* sdlWindow);
// Destroys the window over a connection of its own, as a window manager or a tool would.
bool DestroyFromAnotherClient(unsigned long window);
// Asks the window to close over a connection of its own, as a window manager's close button does.
bool CloseFromAnotherClient(unsigned long window);

}  // namespace ostest
