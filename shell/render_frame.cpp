#include "shell/render_frame.h"

uint8_t g_ViewerHelp = 0;

// The render frame by application mode fills this.
void RenderFrame() {}
