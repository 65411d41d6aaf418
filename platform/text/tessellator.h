// The polygon tessellator behind the 3D letters: flattened outlines in, triangles out, through
// callbacks shaped like the classic tessellator's data callbacks. Vertices are named by the
// numbers the caller gives them; the combine callback names the new vertices it makes. No drawing
// context is needed. Main thread only.
#pragma once

#include <cstdint>

namespace text {

// A neighbour that takes no part in a combined vertex.
constexpr uint32_t TESS_NO_VERTEX = 0xFFFFFFFFu;

struct TessCallbacks {
    void (*begin)(uint32_t primitiveType, void* user) = nullptr;
    // Registering it makes the tessellator emit separate triangles only.
    void (*edgeFlag)(bool boundary, void* user) = nullptr;
    void (*vertex)(uint32_t id, void* user) = nullptr;
    void (*end)(void* user) = nullptr;
    // Where edges cross: the point, up to four neighbours with their weights; returns the id of
    // the vertex made there.
    uint32_t (*combine)(const double coords[3], const uint32_t ids[4], const float weights[4], void* user) = nullptr;
    void (*error)(uint32_t code, void* user) = nullptr;
};

class Tessellator;

// Null when the tessellator cannot be made. The winding rule is the odd rule, so inner contours
// become holes.
Tessellator* NewTessellator(const TessCallbacks& callbacks);
void DeleteTessellator(Tessellator* tess);
void TessBeginPolygon(Tessellator* tess, void* user);
void TessBeginContour(Tessellator* tess);
void TessVertex(Tessellator* tess, double x, double y, double z, uint32_t id);
void TessEndContour(Tessellator* tess);
// The callbacks run here.
void TessEndPolygon(Tessellator* tess);

}  // namespace text
