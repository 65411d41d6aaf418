#include "platform/text/tessellator.h"

#include <GL/glu.h>

#include <cstdint>

namespace text {

class Tessellator {
public:
    GLUtesselator* glu = nullptr;
    TessCallbacks callbacks;
    void* user = nullptr;
};

namespace {

// Vertex data pointers carry id + 1, so that id 0 is told apart from a missing neighbour.
void* DataOf(uint32_t id) { return reinterpret_cast<void*>(uintptr_t(id) + 1); }
uint32_t IdOf(void* data) { return data ? uint32_t(reinterpret_cast<uintptr_t>(data) - 1) : TESS_NO_VERTEX; }

void OnBegin(GLenum type, void* t) {
    auto* tess = static_cast<Tessellator*>(t);
    if (tess->callbacks.begin) tess->callbacks.begin(type, tess->user);
}
void OnEdgeFlag(GLboolean flag, void* t) {
    auto* tess = static_cast<Tessellator*>(t);
    if (tess->callbacks.edgeFlag) tess->callbacks.edgeFlag(flag != GL_FALSE, tess->user);
}
void OnVertex(void* data, void* t) {
    auto* tess = static_cast<Tessellator*>(t);
    if (tess->callbacks.vertex) tess->callbacks.vertex(IdOf(data), tess->user);
}
void OnEnd(void* t) {
    auto* tess = static_cast<Tessellator*>(t);
    if (tess->callbacks.end) tess->callbacks.end(tess->user);
}
void OnCombine(GLdouble coords[3], void* data[4], GLfloat weights[4], void** out, void* t) {
    auto* tess = static_cast<Tessellator*>(t);
    const uint32_t ids[4] = {IdOf(data[0]), IdOf(data[1]), IdOf(data[2]), IdOf(data[3])};
    const uint32_t made = tess->callbacks.combine ? tess->callbacks.combine(coords, ids, weights, tess->user) : ids[0];
    *out = DataOf(made);
}
void OnError(GLenum code, void* t) {
    auto* tess = static_cast<Tessellator*>(t);
    if (tess->callbacks.error) tess->callbacks.error(code, tess->user);
}

}  // namespace

Tessellator* NewTessellator(const TessCallbacks& callbacks) {
    GLUtesselator* glu = gluNewTess();
    if (!glu) return nullptr;
    auto* tess = new Tessellator();
    tess->glu = glu;
    tess->callbacks = callbacks;
    gluTessCallback(glu, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(OnBegin));
    if (callbacks.edgeFlag) gluTessCallback(glu, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(OnEdgeFlag));
    gluTessCallback(glu, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(OnVertex));
    gluTessCallback(glu, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(OnEnd));
    gluTessCallback(glu, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(OnCombine));
    gluTessCallback(glu, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(OnError));
    gluTessProperty(glu, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    return tess;
}

void DeleteTessellator(Tessellator* tess) {
    if (!tess) return;
    gluDeleteTess(tess->glu);
    delete tess;
}

void TessBeginPolygon(Tessellator* tess, void* user) {
    tess->user = user;
    gluTessBeginPolygon(tess->glu, tess);
}

void TessBeginContour(Tessellator* tess) { gluTessBeginContour(tess->glu); }

void TessVertex(Tessellator* tess, double x, double y, double z, uint32_t id) {
    // The tessellator copies the coordinates at once.
    GLdouble coords[3] = {x, y, z};
    gluTessVertex(tess->glu, coords, DataOf(id));
}

void TessEndContour(Tessellator* tess) { gluTessEndContour(tess->glu); }
void TessEndPolygon(Tessellator* tess) { gluTessEndPolygon(tess->glu); }

}  // namespace text
