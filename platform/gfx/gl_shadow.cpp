// OpenGL calls of the drawing path through the record of what was last sent: each goes out only
// when its value differs.
#include <cstring>

#include "platform/gfx/gl_internal.h"

namespace gfx::gl {

namespace {

GLenum ArrayCap(uint32_t bit) {
    switch (bit) {
    case kArrayVertex: return GL_VERTEX_ARRAY;
    case kArrayColor: return GL_COLOR_ARRAY;
    case kArraySecondary: return GL_SECONDARY_COLOR_ARRAY;
    case kArrayNormal: return GL_NORMAL_ARRAY;
    case kArrayFog: return GL_FOG_COORD_ARRAY;
    default: return GL_TEXTURE_COORD_ARRAY;
    }
}

}  // namespace

void GLDevice::ActiveUnit(uint32_t unit) {
    if (shadow_.activeUnit == unit) return;
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    shadow_.activeUnit = unit;
}

void GLDevice::ClientUnit(uint32_t unit) {
    if (shadow_.clientUnit == unit) return;
    glClientActiveTexture(GLenum(GL_TEXTURE0 + unit));
    shadow_.clientUnit = unit;
}

void GLDevice::BindTexture2D(uint32_t unit, GLuint name) {
    if (shadow_.textures[unit] == name) return;
    ActiveUnit(unit);
    glBindTexture(GL_TEXTURE_2D, name);
    shadow_.textures[unit] = name;
}

void GLDevice::BindBuffer(GLenum target, GLuint name) {
    GLuint& bound = target == GL_ELEMENT_ARRAY_BUFFER ? shadow_.elementBuffer : shadow_.arrayBuffer;
    if (bound == name) return;
    glBindBuffer(target, name);
    bound = name;
}

void GLDevice::ClientArray(uint32_t bit, bool on) {
    if (shadow_.arrays.Holds(bit, on)) return;
    // Texture-coordinate arrays belong to the client unit; the bit says which.
    if (bit >= kArrayTex0) {
        uint32_t unit = 0;
        while ((kArrayTex0 << unit) != bit) ++unit;
        ClientUnit(unit);
    }
    if (on)
        glEnableClientState(ArrayCap(bit));
    else
        glDisableClientState(ArrayCap(bit));
    shadow_.arrays.Set(bit, on);
}

void GLDevice::ArrayPointer(uint32_t slot, GLint size, GLenum type, GLsizei stride, const void* at) {
    GLShadow::Pointer& p = shadow_.pointers[slot];
    // A pointer names an offset into the buffer bound when it is given.
    const GLuint buffer = shadow_.arrayBuffer;
    if (p.known && buffer != kUnknownName && p.size == size && p.type == type && p.stride == stride && p.at == at &&
        p.buffer == buffer)
        return;
    switch (slot) {
    case kPtrVertex: glVertexPointer(size, type, stride, at); break;
    case kPtrColor: glColorPointer(size, type, stride, at); break;
    case kPtrSecondary: glSecondaryColorPointer(size, type, stride, at); break;
    case kPtrNormal: glNormalPointer(type, stride, at); break;
    case kPtrFog: glFogCoordPointer(type, stride, at); break;
    default:
        ClientUnit(slot - kPtrTex0);
        glTexCoordPointer(size, type, stride, at);
        break;
    }
    p = {buffer != kUnknownName, size, type, stride, at, buffer};
}

void GLDevice::LoadMatrixOnce(GLenum mode, uint32_t unit, const Matrix& m) {
    GLShadow::LoadedMatrix& loaded = mode == GL_PROJECTION ? shadow_.projection
                                     : mode == GL_MODELVIEW ? shadow_.modelView
                                                            : shadow_.texture[unit];
    if (loaded.known && std::memcmp(&loaded.m, &m, sizeof m) == 0) return;
    if (mode == GL_TEXTURE) ActiveUnit(unit);
    if (shadow_.matrixMode != mode) {
        glMatrixMode(mode);
        shadow_.matrixMode = mode;
    }
    glLoadMatrixf(&m.m[0][0]);  // row-major with row vectors is OpenGL's column-major layout
    loaded.known = true;
    loaded.m = m;
}

void GLDevice::TexGen(uint32_t unit, bool on) {
    const uint32_t bit = 1u << unit;
    if (shadow_.gen.Holds(bit, on)) return;
    ActiveUnit(unit);
    for (GLenum c : {GLenum(GL_TEXTURE_GEN_S), GLenum(GL_TEXTURE_GEN_T), GLenum(GL_TEXTURE_GEN_R)}) {
        if (on)
            glEnable(c);
        else
            glDisable(c);
    }
    shadow_.gen.Set(bit, on);
}

void GLDevice::ConstantWhiteColor() {
    if (shadow_.colorWhite) return;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    shadow_.colorWhite = true;
}

void GLDevice::ConstantBlackSecondary() {
    if (shadow_.secondaryBlack) return;
    glSecondaryColor3f(0.0f, 0.0f, 0.0f);
    shadow_.secondaryBlack = true;
}

void GLDevice::ConstantZeroNormal() {
    if (shadow_.normalZero) return;
    glNormal3f(0.0f, 0.0f, 0.0f);
    shadow_.normalZero = true;
}

void GLDevice::ConstantZeroTexCoord(uint32_t unit) {
    const uint32_t bit = 1u << unit;
    if (shadow_.texCoordZero & bit) return;
    glMultiTexCoord4f(GLenum(GL_TEXTURE0 + unit), 0.0f, 0.0f, 0.0f, 1.0f);
    shadow_.texCoordZero |= bit;
}

void GLDevice::Cap(uint32_t slot, GLenum cap, bool on) {
    const uint32_t bit = 1u << slot;
    if (shadow_.caps.Holds(bit, on)) return;
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
    shadow_.caps.Set(bit, on);
}

bool GLDevice::Differs(uint32_t slot, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    uint32_t* kept = shadow_.slots[slot];
    const uint64_t bit = uint64_t(1) << slot;
    if ((shadow_.slotsKnown & bit) && kept[0] == a && kept[1] == b && kept[2] == c && kept[3] == d) return false;
    kept[0] = a, kept[1] = b, kept[2] = c, kept[3] = d;
    shadow_.slotsKnown |= bit;
    return true;
}

void GLDevice::DrewWithArrays() {
    // A current value is left undefined by a draw that read its array.
    const uint32_t on = shadow_.arrays.on | ~shadow_.arrays.known;
    if (on & kArrayColor) shadow_.colorWhite = false;
    if (on & kArraySecondary) shadow_.secondaryBlack = false;
    if (on & kArrayNormal) shadow_.normalZero = false;
    shadow_.texCoordZero &= ~(on >> 5);
}

}  // namespace gfx::gl
