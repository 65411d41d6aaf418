#include "frame_record.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/gfx/device.h"

extern "C" {
uint64_t g_glCalls = 0;
uint64_t g_glDraws = 0;
}

namespace benchsupport {

namespace {

// The fixed-function lights and material a lit draw needs, in eye space as OpenGL keeps them.
struct Lighting {
    float modelAmbient[4];
    uint8_t enabled[8];
    float light[8][4][4];  // ambient, diffuse, specular, position
    float attenuation[8][3];
    float spot[8][5];      // direction, exponent, cutoff
    float material[2][4][4];  // front and back: ambient, diffuse, specular, emission
    float shininess[2];
    uint8_t colourMaterial;
    int32_t colourMaterialFace, colourMaterialMode;
    bool operator==(const Lighting& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

struct States {
    int32_t viewport[4];
    uint8_t depthTest, cull, blend, stencil, alphaTest, texture, lighting, depthMask;
    uint8_t colourMask[4];
    int32_t depthFunc, cullFace, frontFace, blendSrc, blendDst, alphaFunc;
    float alphaRef;
    int32_t stencilFunc, stencilRef, stencilMask, stencilFail, stencilZFail, stencilZPass;
    int32_t texture2D, clipOrigin;
    int32_t texGen;          // the generation mode of s, t and r, or 0
    int32_t combine[15];     // the first unit's texture environment, as kCombine lists
    float combineColour[4];
    uint8_t colourSum;
    float texPlanes[3][4];   // eye planes of s, t and r, in eye space
    float colour[4];         // the constant colour, where no colour array is on
};

constexpr GLenum kCombine[15] = {GL_TEXTURE_ENV_MODE, GL_COMBINE_RGB, GL_COMBINE_ALPHA, GL_SRC0_RGB, GL_SRC1_RGB,
                                 GL_SRC2_RGB, GL_SRC0_ALPHA, GL_SRC1_ALPHA, GL_SRC2_ALPHA, GL_OPERAND0_RGB,
                                 GL_OPERAND1_RGB, GL_OPERAND2_RGB, GL_OPERAND0_ALPHA, GL_OPERAND1_ALPHA,
                                 GL_OPERAND2_ALPHA};

struct Array {
    bool enabled = false;
    GLint size = 0;
    GLenum type = 0;
    GLsizei stride = 0;
    GLuint buffer = 0;
    uintptr_t offset = 0;           // into buffer
    std::vector<uint8_t> bytes;     // the client memory it read, when no buffer
};

size_t TypeSize(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_BYTE:
    case GL_BYTE: return 1;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT: return 2;
    case GL_DOUBLE: return 8;
    default: return 4;
    }
}

FrameRecording* g_recording = nullptr;
std::shared_ptr<Lighting> g_lastLighting;

// Drawing in the copy's context, on a renderer the game's device hands long frames over on.
bool g_rawDrawing = false;
uint32_t g_rawDraws = 0;
GLsync g_rawPart = nullptr;

void RawDrew() {
    if (!g_rawDrawing || ++g_rawDraws < gfx::kGLDrawsPerHandOver) return;
    g_rawDraws = 0;
    GLsync mine = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (g_rawPart) {
        glClientWaitSync(g_rawPart, GL_SYNC_FLUSH_COMMANDS_BIT, 2000000000ull);
        glDeleteSync(g_rawPart);
    }
    g_rawPart = mine;
    glFlush();
}

GLint Get(GLenum what) {
    GLint v = 0;
    glGetIntegerv(what, &v);
    return v;
}

}  // namespace

struct FrameRecording::Event {
    // An upload: target, buffer, offset (-1 for a new data store), usage and the bytes.
    bool upload = false;
    GLenum target = 0, usage = 0;
    GLuint buffer = 0;
    GLintptr offset = -1;
    std::vector<uint8_t> data;
    // A draw.
    GLenum mode = 0;
    GLint first = 0;
    GLsizei count = 0;
    GLenum indexType = 0;  // 0: glDrawArrays
    GLuint indexBuffer = 0;
    uintptr_t indexOffset = 0;
    std::vector<uint8_t> indices;
    std::array<float, 16> projection{}, modelview{}, textureMatrix{};
    States states{};
    std::shared_ptr<Lighting> lighting;
    Array vertex, normal, colour, secondary, texcoord;
};

namespace {

// The number of vertices a draw reads from its arrays.
GLint VertexEnd(const FrameRecording::Event& e, const void* indices) {
    if (!e.indexType) return e.first + e.count;
    std::vector<uint8_t> bytes(size_t(e.count) * TypeSize(e.indexType));
    if (e.indexBuffer) glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, GLintptr(e.indexOffset), GLsizeiptr(bytes.size()), bytes.data());
    else std::memcpy(bytes.data(), indices, bytes.size());
    uint32_t top = 0;
    for (GLsizei i = 0; i < e.count; ++i) {
        uint32_t v = 0;
        if (e.indexType == GL_UNSIGNED_INT) std::memcpy(&v, &bytes[size_t(i) * 4], 4);
        else if (e.indexType == GL_UNSIGNED_SHORT) {
            uint16_t s;
            std::memcpy(&s, &bytes[size_t(i) * 2], 2);
            v = s;
        } else v = bytes[size_t(i)];
        top = std::max(top, v);
    }
    return GLint(top) + 1;
}

void CatchArray(Array& a, GLenum enabled, GLenum size, GLenum type, GLenum stride, GLenum pointer, GLenum binding,
                GLint vertices) {
    a.enabled = glIsEnabled(enabled);
    if (!a.enabled) return;
    a.size = size ? Get(size) : 3;
    a.type = GLenum(Get(type));
    a.stride = Get(stride);
    a.buffer = GLuint(Get(binding));
    void* p = nullptr;
    glGetPointerv(pointer, &p);
    a.offset = reinterpret_cast<uintptr_t>(p);
    if (a.buffer || vertices <= 0) return;
    const size_t element = a.size == GL_BGRA ? 4 : size_t(a.size) * TypeSize(a.type);
    const size_t step = a.stride ? size_t(a.stride) : element;
    a.bytes.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + step * size_t(vertices - 1) + element);
}

std::shared_ptr<Lighting> CatchLighting(std::shared_ptr<Lighting>& last) {
    auto l = std::make_shared<Lighting>();
    std::memset(l.get(), 0, sizeof *l);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, l->modelAmbient);
    const GLenum parts[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION};
    for (int i = 0; i < 8; ++i) {
        const GLenum light = GLenum(GL_LIGHT0 + i);
        l->enabled[i] = glIsEnabled(light);
        if (!l->enabled[i]) continue;
        for (int p = 0; p < 4; ++p) glGetLightfv(light, parts[p], l->light[i][p]);
        glGetLightfv(light, GL_CONSTANT_ATTENUATION, &l->attenuation[i][0]);
        glGetLightfv(light, GL_LINEAR_ATTENUATION, &l->attenuation[i][1]);
        glGetLightfv(light, GL_QUADRATIC_ATTENUATION, &l->attenuation[i][2]);
        glGetLightfv(light, GL_SPOT_DIRECTION, &l->spot[i][0]);
        glGetLightfv(light, GL_SPOT_EXPONENT, &l->spot[i][3]);
        glGetLightfv(light, GL_SPOT_CUTOFF, &l->spot[i][4]);
    }
    const GLenum materialParts[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION};
    const GLenum faces[2] = {GL_FRONT, GL_BACK};
    for (int f = 0; f < 2; ++f) {
        for (int p = 0; p < 4; ++p) glGetMaterialfv(faces[f], materialParts[p], l->material[f][p]);
        glGetMaterialfv(faces[f], GL_SHININESS, &l->shininess[f]);
    }
    l->colourMaterial = glIsEnabled(GL_COLOR_MATERIAL);
    l->colourMaterialFace = Get(GL_COLOR_MATERIAL_FACE);
    l->colourMaterialMode = Get(GL_COLOR_MATERIAL_PARAMETER);
    // Consecutive draws under the same lights share one record, which the replay sets once.
    if (last && *last == *l) return last;
    return last = l;
}

}  // namespace

FrameRecording::FrameRecording() = default;
FrameRecording::~FrameRecording() {
    if (g_recording == this) g_recording = nullptr;
}

bool FrameRecording::Available() {
#ifdef BRIMVALE_GL_WRAPPED
    return true;
#else
    return false;
#endif
}

void FrameRecording::Start() {
    events_.clear();
    g_lastLighting.reset();
    g_recording = this;
}
void FrameRecording::Stop() { g_recording = nullptr; }

size_t FrameRecording::Draws() const {
    return size_t(std::count_if(events_.begin(), events_.end(), [](const Event& e) { return !e.upload; }));
}

namespace {

void CatchDraw(std::vector<FrameRecording::Event>& events, std::shared_ptr<Lighting>& lastLighting, GLenum mode,
               GLint first, GLsizei count, GLenum type, const void* indices) {
    FrameRecording::Event e;
    e.mode = mode, e.first = first, e.count = count, e.indexType = type;
    if (type) {
        e.indexBuffer = GLuint(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING));
        if (e.indexBuffer) e.indexOffset = reinterpret_cast<uintptr_t>(indices);
        else {
            const auto* p = static_cast<const uint8_t*>(indices);
            e.indices.assign(p, p + size_t(count) * TypeSize(type));
        }
    }
    glGetFloatv(GL_PROJECTION_MATRIX, e.projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, e.modelview.data());
    States& s = e.states;
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST), s.cull = glIsEnabled(GL_CULL_FACE), s.blend = glIsEnabled(GL_BLEND);
    s.stencil = glIsEnabled(GL_STENCIL_TEST), s.alphaTest = glIsEnabled(GL_ALPHA_TEST);
    s.lighting = glIsEnabled(GL_LIGHTING);
    s.colourSum = glIsEnabled(GL_COLOR_SUM);
    s.depthMask = uint8_t(Get(GL_DEPTH_WRITEMASK));
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    for (int i = 0; i < 4; ++i) s.colourMask[i] = mask[i];
    s.depthFunc = Get(GL_DEPTH_FUNC), s.cullFace = Get(GL_CULL_FACE_MODE), s.frontFace = Get(GL_FRONT_FACE);
    s.blendSrc = Get(GL_BLEND_SRC), s.blendDst = Get(GL_BLEND_DST);
    s.alphaFunc = Get(GL_ALPHA_TEST_FUNC);
    glGetFloatv(GL_ALPHA_TEST_REF, &s.alphaRef);
    s.stencilFunc = Get(GL_STENCIL_FUNC), s.stencilRef = Get(GL_STENCIL_REF), s.stencilMask = Get(GL_STENCIL_VALUE_MASK);
    s.stencilFail = Get(GL_STENCIL_FAIL), s.stencilZFail = Get(GL_STENCIL_PASS_DEPTH_FAIL);
    s.stencilZPass = Get(GL_STENCIL_PASS_DEPTH_PASS);
    // The first texture unit only: the copy draws each batch with its base texture.
    const GLint unit = Get(GL_ACTIVE_TEXTURE), clientUnit = Get(GL_CLIENT_ACTIVE_TEXTURE);
    glActiveTexture(GL_TEXTURE0);
    glClientActiveTexture(GL_TEXTURE0);
    s.texture = glIsEnabled(GL_TEXTURE_2D);
    s.texture2D = s.texture ? Get(GL_TEXTURE_BINDING_2D) : 0;
    glGetFloatv(GL_TEXTURE_MATRIX, e.textureMatrix.data());
    for (int i = 0; i < 15; ++i) glGetTexEnviv(GL_TEXTURE_ENV, kCombine[i], &s.combine[i]);
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, s.combineColour);
    if (glIsEnabled(GL_TEXTURE_GEN_S)) {
        glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &s.texGen);
        if (s.texGen == GL_EYE_LINEAR) {
            const GLenum coords[3] = {GL_S, GL_T, GL_R};
            for (int c = 0; c < 3; ++c) glGetTexGenfv(coords[c], GL_EYE_PLANE, s.texPlanes[c]);
        }
    }
    const GLint vertices = VertexEnd(e, indices);
    CatchArray(e.texcoord, GL_TEXTURE_COORD_ARRAY, GL_TEXTURE_COORD_ARRAY_SIZE, GL_TEXTURE_COORD_ARRAY_TYPE,
               GL_TEXTURE_COORD_ARRAY_STRIDE, GL_TEXTURE_COORD_ARRAY_POINTER, GL_TEXTURE_COORD_ARRAY_BUFFER_BINDING,
               vertices);
    glActiveTexture(GLenum(unit));
    glClientActiveTexture(GLenum(clientUnit));
    CatchArray(e.vertex, GL_VERTEX_ARRAY, GL_VERTEX_ARRAY_SIZE, GL_VERTEX_ARRAY_TYPE, GL_VERTEX_ARRAY_STRIDE,
               GL_VERTEX_ARRAY_POINTER, GL_VERTEX_ARRAY_BUFFER_BINDING, vertices);
    CatchArray(e.normal, GL_NORMAL_ARRAY, 0, GL_NORMAL_ARRAY_TYPE, GL_NORMAL_ARRAY_STRIDE, GL_NORMAL_ARRAY_POINTER,
               GL_NORMAL_ARRAY_BUFFER_BINDING, vertices);
    CatchArray(e.colour, GL_COLOR_ARRAY, GL_COLOR_ARRAY_SIZE, GL_COLOR_ARRAY_TYPE, GL_COLOR_ARRAY_STRIDE,
               GL_COLOR_ARRAY_POINTER, GL_COLOR_ARRAY_BUFFER_BINDING, vertices);
    if (s.colourSum)
        CatchArray(e.secondary, GL_SECONDARY_COLOR_ARRAY, GL_SECONDARY_COLOR_ARRAY_SIZE, GL_SECONDARY_COLOR_ARRAY_TYPE,
                   GL_SECONDARY_COLOR_ARRAY_STRIDE, GL_SECONDARY_COLOR_ARRAY_POINTER,
                   GL_SECONDARY_COLOR_ARRAY_BUFFER_BINDING, vertices);
    if (!e.colour.enabled) glGetFloatv(GL_CURRENT_COLOR, s.colour);
    if (s.lighting) e.lighting = CatchLighting(lastLighting);
    // Where the window's rows run the other way, the device turns clip space over.
    s.clipOrigin = Get(GL_CLIP_ORIGIN);
    events.push_back(std::move(e));
}

void CatchUpload(std::vector<FrameRecording::Event>& events, GLenum target, GLintptr offset, GLsizeiptr size,
                 const void* data, GLenum usage) {
    FrameRecording::Event e;
    e.upload = true;
    e.target = target, e.usage = usage, e.offset = offset;
    e.buffer = GLuint(Get(target == GL_ELEMENT_ARRAY_BUFFER ? GL_ELEMENT_ARRAY_BUFFER_BINDING : GL_ARRAY_BUFFER_BINDING));
    if (data) e.data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    else e.data.resize(size_t(size));
    events.push_back(std::move(e));
}

// Sets a client array, or turns it off; only what changed since the last draw.
template <typename Set>
void ApplyArray(const Array& a, Array& current, GLenum cap, Set&& set) {
    if (a.enabled != current.enabled) {
        if (a.enabled) glEnableClientState(cap);
        else glDisableClientState(cap);
    }
    if (a.enabled) {
        const uintptr_t at = a.buffer ? a.offset : reinterpret_cast<uintptr_t>(a.bytes.data());
        if (!current.enabled || a.buffer != current.buffer || at != current.offset || a.size != current.size ||
            a.type != current.type || a.stride != current.stride) {
            glBindBuffer(GL_ARRAY_BUFFER, a.buffer);
            set(a.size, a.type, a.stride, reinterpret_cast<const void*>(at));
        }
        current.buffer = a.buffer, current.offset = at, current.size = a.size, current.type = a.type;
        current.stride = a.stride;
    }
    current.enabled = a.enabled;
}

void Toggle(GLenum cap, uint8_t on, uint8_t was, bool first) {
    if (!first && on == was) return;
    if (on) glEnable(cap);
    else glDisable(cap);
}

void ApplyLighting(const Lighting& l) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();  // the positions are in eye space already
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, l.modelAmbient);
    const GLenum parts[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_POSITION};
    for (int i = 0; i < 8; ++i) {
        const GLenum light = GLenum(GL_LIGHT0 + i);
        if (!l.enabled[i]) {
            glDisable(light);
            continue;
        }
        for (int p = 0; p < 4; ++p) glLightfv(light, parts[p], l.light[i][p]);
        glLightf(light, GL_CONSTANT_ATTENUATION, l.attenuation[i][0]);
        glLightf(light, GL_LINEAR_ATTENUATION, l.attenuation[i][1]);
        glLightf(light, GL_QUADRATIC_ATTENUATION, l.attenuation[i][2]);
        glLightfv(light, GL_SPOT_DIRECTION, l.spot[i]);
        glLightf(light, GL_SPOT_EXPONENT, l.spot[i][3]);
        glLightf(light, GL_SPOT_CUTOFF, l.spot[i][4]);
        glEnable(light);
    }
    const GLenum materialParts[4] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION};
    const GLenum faces[2] = {GL_FRONT, GL_BACK};
    for (int f = 0; f < 2; ++f) {
        for (int p = 0; p < 4; ++p) glMaterialfv(faces[f], materialParts[p], l.material[f][p]);
        glMaterialf(faces[f], GL_SHININESS, l.shininess[f]);
    }
    if (l.colourMaterial) {
        glColorMaterial(GLenum(l.colourMaterialFace), GLenum(l.colourMaterialMode));
        glEnable(GL_COLOR_MATERIAL);
    } else {
        glDisable(GL_COLOR_MATERIAL);
    }
}

void ApplyTexGen(const States& s) {
    const GLenum coords[3] = {GL_S, GL_T, GL_R};
    const GLenum caps[3] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R};
    if (s.texGen == GL_EYE_LINEAR) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();  // the planes are in eye space already
        for (int c = 0; c < 3; ++c) glTexGenfv(coords[c], GL_EYE_PLANE, s.texPlanes[c]);
    }
    for (int c = 0; c < 3; ++c) {
        if (s.texGen) {
            glTexGeni(coords[c], GL_TEXTURE_GEN_MODE, s.texGen);
            glEnable(caps[c]);
        } else {
            glDisable(caps[c]);
        }
    }
}

}  // namespace

void FrameRecording::Replay() {
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    glClearStencil(0);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    const Event* last = nullptr;
    const Lighting* lighting = nullptr;
    Array vertex, normal, colour, secondary, texcoord;
    GLuint indexBuffer = ~0u;
    bool loadedModelview = false;
    for (const Event& e : events_) {
        if (e.upload) {
            glBindBuffer(e.target, e.buffer);
            if (e.offset < 0) glBufferData(e.target, GLsizeiptr(e.data.size()), e.data.data(), e.usage);
            else glBufferSubData(e.target, e.offset, GLsizeiptr(e.data.size()), e.data.data());
            // Array pointers keep their own buffers; only the element binding may have moved.
            indexBuffer = ~0u;
            continue;
        }
        const States& s = e.states;
        const bool first = last == nullptr;
        const States* was = first ? nullptr : &last->states;
        if (first || std::memcmp(s.viewport, was->viewport, sizeof s.viewport) != 0)
            glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
        if (s.clipOrigin && (first || s.clipOrigin != was->clipOrigin))
            glClipControl(GLenum(s.clipOrigin), GL_NEGATIVE_ONE_TO_ONE);
        Toggle(GL_DEPTH_TEST, s.depthTest, first ? 0 : was->depthTest, first);
        Toggle(GL_CULL_FACE, s.cull, first ? 0 : was->cull, first);
        Toggle(GL_BLEND, s.blend, first ? 0 : was->blend, first);
        Toggle(GL_STENCIL_TEST, s.stencil, first ? 0 : was->stencil, first);
        Toggle(GL_ALPHA_TEST, s.alphaTest, first ? 0 : was->alphaTest, first);
        Toggle(GL_TEXTURE_2D, s.texture, first ? 0 : was->texture, first);
        Toggle(GL_LIGHTING, s.lighting, first ? 0 : was->lighting, first);
        Toggle(GL_COLOR_SUM, s.colourSum, first ? 0 : was->colourSum, first);
        for (int i = 0; i < 15; ++i)
            if (first || s.combine[i] != was->combine[i]) glTexEnvi(GL_TEXTURE_ENV, kCombine[i], s.combine[i]);
        if (first || std::memcmp(s.combineColour, was->combineColour, sizeof s.combineColour) != 0)
            glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, s.combineColour);
        if (first || s.depthMask != was->depthMask) glDepthMask(s.depthMask);
        if (first || std::memcmp(s.colourMask, was->colourMask, 4) != 0)
            glColorMask(s.colourMask[0], s.colourMask[1], s.colourMask[2], s.colourMask[3]);
        if (first || s.depthFunc != was->depthFunc) glDepthFunc(GLenum(s.depthFunc));
        if (first || s.cullFace != was->cullFace) glCullFace(GLenum(s.cullFace));
        if (first || s.frontFace != was->frontFace) glFrontFace(GLenum(s.frontFace));
        if (first || s.blendSrc != was->blendSrc || s.blendDst != was->blendDst)
            glBlendFunc(GLenum(s.blendSrc), GLenum(s.blendDst));
        if (first || s.alphaFunc != was->alphaFunc || s.alphaRef != was->alphaRef) glAlphaFunc(GLenum(s.alphaFunc), s.alphaRef);
        if (first || s.stencilFunc != was->stencilFunc || s.stencilRef != was->stencilRef || s.stencilMask != was->stencilMask)
            glStencilFunc(GLenum(s.stencilFunc), s.stencilRef, GLuint(s.stencilMask));
        if (first || s.stencilFail != was->stencilFail || s.stencilZFail != was->stencilZFail ||
            s.stencilZPass != was->stencilZPass)
            glStencilOp(GLenum(s.stencilFail), GLenum(s.stencilZFail), GLenum(s.stencilZPass));
        if (!e.colour.enabled && (first || !last->colour.enabled || std::memcmp(s.colour, was->colour, sizeof s.colour) != 0))
            glColor4f(s.colour[0], s.colour[1], s.colour[2], s.colour[3]);
        if (first || s.texGen != was->texGen || std::memcmp(s.texPlanes, was->texPlanes, sizeof s.texPlanes) != 0) {
            ApplyTexGen(s);
            loadedModelview = false;
        }
        if (first || e.textureMatrix != last->textureMatrix) {
            glMatrixMode(GL_TEXTURE);
            glLoadMatrixf(e.textureMatrix.data());
            glMatrixMode(GL_MODELVIEW);
        }
        if (s.texture && (first || s.texture2D != was->texture2D)) glBindTexture(GL_TEXTURE_2D, GLuint(s.texture2D));
        if (s.lighting && e.lighting.get() != lighting) {
            ApplyLighting(*e.lighting);
            lighting = e.lighting.get();
            loadedModelview = false;
        }
        if (!loadedModelview || e.modelview != last->modelview) {
            glMatrixMode(GL_MODELVIEW);
            glLoadMatrixf(e.modelview.data());
            loadedModelview = true;
        }
        if (first || e.projection != last->projection) {
            glMatrixMode(GL_PROJECTION);
            glLoadMatrixf(e.projection.data());
            glMatrixMode(GL_MODELVIEW);
        }
        ApplyArray(e.vertex, vertex, GL_VERTEX_ARRAY,
                   [](GLint n, GLenum t, GLsizei st, const void* p) { glVertexPointer(n, t, st, p); });
        ApplyArray(e.normal, normal, GL_NORMAL_ARRAY,
                   [](GLint, GLenum t, GLsizei st, const void* p) { glNormalPointer(t, st, p); });
        ApplyArray(e.colour, colour, GL_COLOR_ARRAY,
                   [](GLint n, GLenum t, GLsizei st, const void* p) { glColorPointer(n, t, st, p); });
        ApplyArray(e.secondary, secondary, GL_SECONDARY_COLOR_ARRAY,
                   [](GLint n, GLenum t, GLsizei st, const void* p) { glSecondaryColorPointer(n, t, st, p); });
        ApplyArray(e.texcoord, texcoord, GL_TEXTURE_COORD_ARRAY,
                   [](GLint n, GLenum t, GLsizei st, const void* p) { glTexCoordPointer(n, t, st, p); });
        if (!e.indexType) {
            glDrawArrays(e.mode, e.first, e.count);
        } else {
            const GLuint wanted = e.indexBuffer;
            if (wanted != indexBuffer) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, wanted);
            indexBuffer = wanted;
            glDrawElements(e.mode, e.count, e.indexType,
                           wanted ? reinterpret_cast<const void*>(e.indexOffset) : e.indices.data());
        }
        last = &e;
    }
}

void BeginRawDrawing() {
    // The device decides from the same driver's name; it does not change within a run.
    static const bool softwareRasteriser =
        gfx::IsSoftwareRasteriser(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    g_rawDrawing = softwareRasteriser;
    g_rawDraws = 0;
}

// The copy's context is still current: its marker goes with it.
void EndRawDrawing() {
    if (g_rawPart) glDeleteSync(g_rawPart);
    g_rawPart = nullptr;
    g_rawDrawing = false;
}

void FrameRecording::CatchDrawCall(unsigned mode, int first, int count, unsigned type, const void* indices) {
    CatchDraw(events_, g_lastLighting, mode, first, count, type, indices);
}
void FrameRecording::CatchUploadCall(unsigned target, intptr_t offset, intptr_t size, const void* data, unsigned usage) {
    CatchUpload(events_, target, offset, size, data, usage);
}

}  // namespace benchsupport

#ifdef BRIMVALE_GL_WRAPPED
// The draws and uploads are wrapped here rather than by the counting trampolines, so that a
// recording can catch them.
extern "C" {
void __real_glDrawArrays(GLenum, GLint, GLsizei);
void __real_glDrawElements(GLenum, GLsizei, GLenum, const void*);
void __real_glDrawRangeElements(GLenum, GLuint, GLuint, GLsizei, GLenum, const void*);
void __real_glBufferData(GLenum, GLsizeiptr, const void*, GLenum);
void __real_glBufferSubData(GLenum, GLintptr, GLsizeiptr, const void*);

void __wrap_glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    ++g_glCalls, ++g_glDraws;
    if (benchsupport::g_recording) benchsupport::g_recording->CatchDrawCall(mode, first, count, 0, nullptr);
    __real_glDrawArrays(mode, first, count);
    benchsupport::RawDrew();
}
void __wrap_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    ++g_glCalls, ++g_glDraws;
    if (benchsupport::g_recording) benchsupport::g_recording->CatchDrawCall(mode, 0, count, type, indices);
    __real_glDrawElements(mode, count, type, indices);
    benchsupport::RawDrew();
}
void __wrap_glDrawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type, const void* indices) {
    ++g_glCalls, ++g_glDraws;
    if (benchsupport::g_recording) benchsupport::g_recording->CatchDrawCall(mode, 0, count, type, indices);
    __real_glDrawRangeElements(mode, start, end, count, type, indices);
    benchsupport::RawDrew();
}
void __wrap_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
    ++g_glCalls;
    if (benchsupport::g_recording) benchsupport::g_recording->CatchUploadCall(target, -1, size, data, usage);
    __real_glBufferData(target, size, data, usage);
}
void __wrap_glBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data) {
    ++g_glCalls;
    if (benchsupport::g_recording) benchsupport::g_recording->CatchUploadCall(target, offset, size, data, 0);
    __real_glBufferSubData(target, offset, size, data);
}
}
#endif
