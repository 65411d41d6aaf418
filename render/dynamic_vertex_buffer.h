// The scene's per-frame vertex buffer.
#pragma once

// Draws and empties what has been appended this frame.
void FlushDynamicVertexBuffer();
