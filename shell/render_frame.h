#pragma once

#include <cstdint>

// Draws and presents one frame for the application mode.
void RenderFrame();

// Help lines of the character-viewer overlay (F1 in test mode).
extern uint8_t g_ViewerHelp;
