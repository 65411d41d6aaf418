#include "render/render_octree.h"

// The render octree fills this.
void RenderOctree::DrawDebug() {}
