#include "render/dynamic_vertex_buffer.h"

// Empty until the scene's per-frame vertex buffer exists; it will flush itself here.
void FlushDynamicVertexBuffer() {}
