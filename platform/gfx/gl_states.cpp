// Fixed-function state to OpenGL: render states as they are marked dirty, and the texture-stage
// chain as combiners, bound textures and texture coordinates of each unit.
#include <algorithm>
#include <cstring>

#include "platform/gfx/gl_internal.h"

namespace gfx::gl {

namespace {

GLenum CompareFunc(uint32_t c) { return (c >= D3DCMP_NEVER && c <= D3DCMP_ALWAYS) ? GL_NEVER + (c - 1) : GL_ALWAYS; }

GLenum BlendFactor(uint32_t b) {
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum StencilOpGL(uint32_t op) {
    switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLint AddressGL(uint32_t a, bool mirrorClamp) {
    switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return mirrorClamp ? GL_MIRROR_CLAMP_TO_EDGE_EXT : GL_MIRRORED_REPEAT;
    default: return GL_REPEAT;
    }
}

// Combiner source for a stage argument.
void ArgumentGL(uint32_t arg, bool alpha, GLenum* source, GLenum* operand) {
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_CURRENT: *source = GL_PREVIOUS; break;
    case D3DTA_TEXTURE: *source = GL_TEXTURE; break;
    case D3DTA_TFACTOR: *source = GL_CONSTANT; break;
    default: *source = GL_PRIMARY_COLOR; break;  // diffuse (specular and temp are not offered)
    }
    bool complement = (arg & D3DTA_COMPLEMENT) != 0;
    bool replicate = alpha || (arg & D3DTA_ALPHAREPLICATE) != 0;
    if (replicate)
        *operand = complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    else
        *operand = complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

// Sets one channel (colour or alpha) of a unit's combiner from a stage operation.
void CombinerGL(bool alpha, uint32_t op, uint32_t arg1, uint32_t arg2, uint32_t arg0) {
    const GLenum combine = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
    const GLenum src[3] = {GLenum(alpha ? GL_SRC0_ALPHA : GL_SRC0_RGB), GLenum(alpha ? GL_SRC1_ALPHA : GL_SRC1_RGB),
                           GLenum(alpha ? GL_SRC2_ALPHA : GL_SRC2_RGB)};
    const GLenum opnd[3] = {GLenum(alpha ? GL_OPERAND0_ALPHA : GL_OPERAND0_RGB),
                            GLenum(alpha ? GL_OPERAND1_ALPHA : GL_OPERAND1_RGB),
                            GLenum(alpha ? GL_OPERAND2_ALPHA : GL_OPERAND2_RGB)};
    const GLenum scaleName = alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE;
    GLenum mode = GL_REPLACE;
    float scale = 1.0f;
    uint32_t args[3] = {D3DTA_CURRENT, D3DTA_CURRENT, D3DTA_CURRENT};
    int used = 1;
    GLenum fixedSource2 = 0;  // the blend factor of the BLEND*ALPHA operations
    switch (op) {
    case D3DTOP_SELECTARG1: args[0] = arg1; break;
    case D3DTOP_SELECTARG2: args[0] = arg2; break;
    case D3DTOP_MODULATE:
    case D3DTOP_MODULATE2X:
    case D3DTOP_MODULATE4X:
        mode = GL_MODULATE;
        scale = op == D3DTOP_MODULATE ? 1.0f : op == D3DTOP_MODULATE2X ? 2.0f : 4.0f;
        args[0] = arg1, args[1] = arg2, used = 2;
        break;
    case D3DTOP_ADD: mode = GL_ADD, args[0] = arg1, args[1] = arg2, used = 2; break;
    case D3DTOP_ADDSIGNED:
    case D3DTOP_ADDSIGNED2X:
        mode = GL_ADD_SIGNED, args[0] = arg1, args[1] = arg2, used = 2;
        scale = op == D3DTOP_ADDSIGNED ? 1.0f : 2.0f;
        break;
    case D3DTOP_SUBTRACT: mode = GL_SUBTRACT, args[0] = arg1, args[1] = arg2, used = 2; break;
    case D3DTOP_BLENDDIFFUSEALPHA: fixedSource2 = GL_PRIMARY_COLOR; break;
    case D3DTOP_BLENDTEXTUREALPHA: fixedSource2 = GL_TEXTURE; break;
    case D3DTOP_BLENDFACTORALPHA: fixedSource2 = GL_CONSTANT; break;
    case D3DTOP_BLENDCURRENTALPHA: fixedSource2 = GL_PREVIOUS; break;
    case D3DTOP_LERP: mode = GL_INTERPOLATE, args[0] = arg1, args[1] = arg2, args[2] = arg0, used = 3; break;
    case D3DTOP_DOTPRODUCT3:
        if (!alpha) {
            mode = GL_DOT3_RGBA, args[0] = arg1, args[1] = arg2, used = 2;
            break;
        }
        [[fallthrough]];
    default:  // disabled alpha and operations that are not offered pass the current value on
        args[0] = D3DTA_CURRENT;
        break;
    }
    if (fixedSource2) {
        mode = GL_INTERPOLATE;
        args[0] = arg1, args[1] = arg2, used = 2;
        glTexEnvi(GL_TEXTURE_ENV, src[2], GLint(fixedSource2));
        glTexEnvi(GL_TEXTURE_ENV, opnd[2], GL_SRC_ALPHA);
    }
    glTexEnvi(GL_TEXTURE_ENV, combine, GLint(mode));
    for (int i = 0; i < used; ++i) {
        GLenum s, o;
        ArgumentGL(args[i], alpha, &s, &o);
        glTexEnvi(GL_TEXTURE_ENV, src[i], GLint(s));
        glTexEnvi(GL_TEXTURE_ENV, opnd[i], GLint(o));
    }
    glTexEnvf(GL_TEXTURE_ENV, scaleName, scale);
}

}  // namespace

// ---- Render states to OpenGL ----

bool GLDevice::BlendKeepsTarget() const {
    const uint32_t* rs = state_.renderStates;
    const uint32_t op = rs[D3DRS_BLENDOP];  // an unknown one adds
    return rs[D3DRS_ALPHABLENDENABLE] != 0 && BlendFactor(rs[D3DRS_SRCBLEND]) == GL_ZERO &&
           BlendFactor(rs[D3DRS_DESTBLEND]) == GL_ONE && op != D3DBLENDOP_SUBTRACT && op != D3DBLENDOP_MIN &&
           op != D3DBLENDOP_MAX;
}

bool GLDevice::WritesNoColour() const {
    const uint32_t* rs = state_.renderStates;
    return (BlendKeepsTarget() || (rs[D3DRS_COLORWRITEENABLE] & 0xF) == 0) && rs[D3DRS_ALPHATESTENABLE] == 0;
}

void GLDevice::ApplyBlend() {
    const uint32_t* rs = state_.renderStates;
    GLenum src = BlendFactor(rs[D3DRS_SRCBLEND]), dst = BlendFactor(rs[D3DRS_DESTBLEND]);
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA) src = GL_SRC_ALPHA, dst = GL_ONE_MINUS_SRC_ALPHA;
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) src = GL_ONE_MINUS_SRC_ALPHA, dst = GL_SRC_ALPHA;
    GLenum equation = GL_FUNC_ADD;
    switch (rs[D3DRS_BLENDOP]) {
    case D3DBLENDOP_SUBTRACT: equation = GL_FUNC_SUBTRACT; break;
    case D3DBLENDOP_REVSUBTRACT: equation = GL_FUNC_REVERSE_SUBTRACT; break;
    case D3DBLENDOP_MIN: equation = GL_MIN; break;
    case D3DBLENDOP_MAX: equation = GL_MAX; break;
    default: break;
    }
    // Blending that keeps what is there (stencil shadow volumes draw so) writes no colour at all;
    // a software rasteriser then never touches the colour buffer.
    const bool keeps = BlendKeepsTarget();
    Cap(kCapBlend, GL_BLEND, rs[D3DRS_ALPHABLENDENABLE] != 0 && !keeps);
    if (Differs(kSlotBlendFunc, src, dst)) glBlendFunc(src, dst);
    if (Differs(kSlotBlendEquation, equation)) glBlendEquation(equation);
    Cap(kCapAlphaTest, GL_ALPHA_TEST, rs[D3DRS_ALPHATESTENABLE] != 0);
    const GLenum alphaFunc = CompareFunc(rs[D3DRS_ALPHAFUNC]);
    if (Differs(kSlotAlphaFunc, alphaFunc, rs[D3DRS_ALPHAREF] & 0xFF))
        glAlphaFunc(alphaFunc, (rs[D3DRS_ALPHAREF] & 0xFF) / 255.0f);
    const uint32_t cw = keeps ? 0 : rs[D3DRS_COLORWRITEENABLE] & 0xF;
    // Without colour to write, only the alpha test still needs what the stages compute; the
    // rasteriser would sample their textures for nothing (a shadow volume's every pixel).
    const bool blind = WritesNoColour();
    if (blind != stagesBlind_) stagesBlind_ = blind, dirty_ |= kDirtyStages;
    if (Differs(kSlotColorMask, cw))
        glColorMask(cw & 1 ? GL_TRUE : GL_FALSE, cw & 2 ? GL_TRUE : GL_FALSE, cw & 4 ? GL_TRUE : GL_FALSE,
                    cw & 8 ? GL_TRUE : GL_FALSE);
}

void GLDevice::ApplyDepthStencil() {
    const uint32_t* rs = state_.renderStates;
    bool depth = UsingDepth();
    Cap(kCapDepthTest, GL_DEPTH_TEST, depth && rs[D3DRS_ZENABLE] != D3DZB_FALSE);
    const bool zwrite = rs[D3DRS_ZWRITEENABLE] != 0;
    if (Differs(kSlotDepthMask, zwrite)) glDepthMask(zwrite ? GL_TRUE : GL_FALSE);
    const GLenum zfunc = CompareFunc(rs[D3DRS_ZFUNC]);
    if (Differs(kSlotDepthFunc, zfunc)) glDepthFunc(zfunc);
    // A higher bias pulls the surface towards the eye.
    float bias = float(rs[D3DRS_ZBIAS] & 0xFF);
    Cap(kCapOffsetFill, GL_POLYGON_OFFSET_FILL, bias > 0.0f);
    Cap(kCapOffsetLine, GL_POLYGON_OFFSET_LINE, bias > 0.0f);
    Cap(kCapOffsetPoint, GL_POLYGON_OFFSET_POINT, bias > 0.0f);
    if (bias > 0.0f && Differs(kSlotPolygonOffset, rs[D3DRS_ZBIAS] & 0xFF)) glPolygonOffset(-bias, -bias);
    bool stencil = depth && GetFormatInfo(depthTarget_->format).stencil && rs[D3DRS_STENCILENABLE];
    Cap(kCapStencilTest, GL_STENCIL_TEST, stencil);
    const GLenum sfunc = CompareFunc(rs[D3DRS_STENCILFUNC]);
    if (Differs(kSlotStencilFunc, sfunc, rs[D3DRS_STENCILREF] & 0xFF, rs[D3DRS_STENCILMASK]))
        glStencilFunc(sfunc, GLint(rs[D3DRS_STENCILREF] & 0xFF), rs[D3DRS_STENCILMASK]);
    const GLenum fail = StencilOpGL(rs[D3DRS_STENCILFAIL]), zfail = StencilOpGL(rs[D3DRS_STENCILZFAIL]),
                 pass = StencilOpGL(rs[D3DRS_STENCILPASS]);
    if (Differs(kSlotStencilOp, fail, zfail, pass)) glStencilOp(fail, zfail, pass);
    if (Differs(kSlotStencilMask, rs[D3DRS_STENCILWRITEMASK])) glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
}

void GLDevice::ApplyRaster() {
    const uint32_t* rs = state_.renderStates;
    // Every target keeps the top row at OpenGL row 0, so clockwise on screen is
    // counter-clockwise to OpenGL.
    const uint32_t cull = rs[D3DRS_CULLMODE];
    Cap(kCapCullFace, GL_CULL_FACE, cull == D3DCULL_CW || cull == D3DCULL_CCW);
    if ((cull == D3DCULL_CW || cull == D3DCULL_CCW) && Differs(kSlotCullFace, cull))
        glCullFace(cull == D3DCULL_CW ? GL_FRONT : GL_BACK);
    const GLenum fill = rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                        : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                  : GL_FILL;
    if (Differs(kSlotPolygonMode, fill)) glPolygonMode(GL_FRONT_AND_BACK, fill);
    const GLenum shade = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH;
    if (Differs(kSlotShadeModel, shade)) glShadeModel(shade);
    float size = std::max(BitsFloat(rs[D3DRS_POINTSIZE]), 1.0f);
    float att[3] = {1.0f, 0.0f, 0.0f};
    if (rs[D3DRS_POINTSCALEENABLE]) {
        att[0] = BitsFloat(rs[D3DRS_POINTSCALE_A]), att[1] = BitsFloat(rs[D3DRS_POINTSCALE_B]);
        att[2] = BitsFloat(rs[D3DRS_POINTSCALE_C]);
        size = BitsFloat(rs[D3DRS_POINTSIZE]) * float(state_.viewport.Height);
    }
    if (Differs(kSlotPointAttenuation, FloatBits(att[0]), FloatBits(att[1]), FloatBits(att[2])))
        glPointParameterfv(GL_POINT_DISTANCE_ATTENUATION, att);
    const float minSize = std::max(BitsFloat(rs[D3DRS_POINTSIZE_MIN]), 0.0f);
    const float maxSize = std::max(BitsFloat(rs[D3DRS_POINTSIZE_MAX]), 1.0f);
    if (Differs(kSlotPointMin, FloatBits(minSize))) glPointParameterf(GL_POINT_SIZE_MIN, minSize);
    if (Differs(kSlotPointMax, FloatBits(maxSize))) glPointParameterf(GL_POINT_SIZE_MAX, maxSize);
    size = std::clamp(size, 1.0f, 64.0f);
    if (Differs(kSlotPointSize, FloatBits(size))) glPointSize(size);
    const bool sprite = rs[D3DRS_POINTSPRITEENABLE] != 0;
    Cap(kCapPointSprite, GL_POINT_SPRITE, sprite);
    for (int i = 0; i < maxUnits_; ++i) {
        if (!Differs(kSlotCoordReplace0 + uint32_t(i), sprite)) continue;
        ActiveUnit(uint32_t(i));
        glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, sprite ? GL_TRUE : GL_FALSE);
    }
    Cap(kCapNormalize, GL_NORMALIZE, rs[D3DRS_NORMALIZENORMALS] != 0);
    Cap(kCapColorSum, GL_COLOR_SUM, rs[D3DRS_SPECULARENABLE] || stageSpecularSum_);
}

void GLDevice::ApplyFog() {
    const uint32_t* rs = state_.renderStates;
    uint32_t mode = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
    if (!rs[D3DRS_FOGENABLE] || mode == D3DFOG_NONE || mode > D3DFOG_LINEAR) {
        glDisable(GL_FOG);
        return;
    }
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, mode == D3DFOG_LINEAR ? GL_LINEAR : mode == D3DFOG_EXP ? GL_EXP : GL_EXP2);
    Rgba c = FromColor(rs[D3DRS_FOGCOLOR]);
    const float color[4] = {c.r, c.g, c.b, 1.0f};
    glFogfv(GL_FOG_COLOR, color);
    glFogf(GL_FOG_START, BitsFloat(rs[D3DRS_FOGSTART]));
    glFogf(GL_FOG_END, BitsFloat(rs[D3DRS_FOGEND]));
    glFogf(GL_FOG_DENSITY, BitsFloat(rs[D3DRS_FOGDENSITY]));
    glFogi(GL_FOG_COORD_SRC, GL_FRAGMENT_DEPTH);
}

void GLDevice::ApplyViewport() {
    const Viewport& v = state_.viewport;
    // Rows run top-down in every target but the window.
    const GLint y = FlippedTarget() ? GLint(backBuffer_->height) - GLint(v.Y + v.Height) : GLint(v.Y);
    glViewport(GLint(v.X), y, GLsizei(v.Width), GLsizei(v.Height));
    glDepthRange(v.MinZ, v.MaxZ);
    if (state_.renderStates[D3DRS_POINTSCALEENABLE]) dirty_ |= kDirtyRaster;
}

void GLDevice::ApplyClipPlanes() {
    // Planes are given in world space; OpenGL keeps them in eye space, taken through the
    // model-view matrix current when they are set.
    LoadMatrixOnce(GL_MODELVIEW, 0, state_.transforms[kXfView]);
    uint32_t enabled = state_.renderStates[D3DRS_CLIPPLANEENABLE];
    for (int i = 0; i < maxClipPlanes_; ++i) {
        if (enabled & (1u << i)) {
            const float* p = state_.clipPlanes[i];
            const double eq[4] = {p[0], p[1], p[2], p[3]};
            glClipPlane(GLenum(GL_CLIP_PLANE0 + i), eq);
            glEnable(GLenum(GL_CLIP_PLANE0 + i));
        } else {
            glDisable(GLenum(GL_CLIP_PLANE0 + i));
        }
    }
}

void GLDevice::ApplyDirty() {
    if (dirty_ & kDirtyTargets) BindTargets();
    if (dirty_ & kDirtyViewport) ApplyViewport();
    if (dirty_ & kDirtyBlend) ApplyBlend();
    if (dirty_ & kDirtyDepthStencil) ApplyDepthStencil();
    if (dirty_ & kDirtyRaster) ApplyRaster();
    if (dirty_ & kDirtyFog) ApplyFog();
    dirty_ &= ~(kDirtyTargets | kDirtyViewport | kDirtyBlend | kDirtyDepthStencil | kDirtyRaster | kDirtyFog);
}

// ---- Texture stages ----

namespace {

// Whether an operation hands on what came before it when its texture reads white: the
// modulation of the texture with the current colour, or the current colour selected. Stage 0's
// current colour is the diffuse one.
bool HandsOn(uint32_t stage, uint32_t op, uint32_t arg1, uint32_t arg2) {
    auto current = [&](uint32_t a) { return a == D3DTA_CURRENT || (stage == 0 && a == D3DTA_DIFFUSE); };
    switch (op) {
    case D3DTOP_MODULATE: return (arg1 == D3DTA_TEXTURE && current(arg2)) || (current(arg1) && arg2 == D3DTA_TEXTURE);
    case D3DTOP_SELECTARG1: return current(arg1);
    case D3DTOP_SELECTARG2: return current(arg2);
    default: return false;
    }
}

}  // namespace

void GLDevice::ApplyStages() {
    // The chain ends at the first disabled stage; a stage with an operation but no texture
    // still runs, sampling white.
    uint32_t active = 0;
    while (!stagesBlind_ && active < uint32_t(maxUnits_) && state_.stageStates[active][D3DTSS_COLOROP] != D3DTOP_DISABLE)
        ++active;
    // Last stages without a texture that change nothing are left out: the rasteriser then samples
    // no white texture over every pixel (a full-window shadow quad draws so).
    untexturedStages_ = 0;
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        if (!state_.textures[i]) untexturedStages_ |= 1u << i;
    while (active > 0 && (untexturedStages_ >> (active - 1) & 1u)) {
        const uint32_t* t = state_.stageStates[active - 1];
        if (!HandsOn(active - 1, t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2]) ||
            !HandsOn(active - 1, t[D3DTSS_ALPHAOP], t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2]))
            break;
        --active;
    }
    Rgba tf = FromColor(state_.renderStates[D3DRS_TEXTUREFACTOR]);
    const float factor[4] = {tf.r, tf.g, tf.b, tf.a};
    // The combiners cannot read the specular colour. A last stage that only adds it to the
    // result passes the result on, and the colour sum after texturing adds the specular.
    stageSpecularSum_ = false;
    if (active > 0) {
        const uint32_t* last = state_.stageStates[active - 1];
        const uint32_t a1 = last[D3DTSS_COLORARG1], a2 = last[D3DTSS_COLORARG2];
        stageSpecularSum_ = last[D3DTSS_COLOROP] == D3DTOP_ADD &&
                            ((a1 == D3DTA_SPECULAR && a2 == D3DTA_CURRENT) || (a1 == D3DTA_CURRENT && a2 == D3DTA_SPECULAR));
    }
    Cap(kCapColorSum, GL_COLOR_SUM, state_.renderStates[D3DRS_SPECULARENABLE] || stageSpecularSum_);
    for (uint32_t i = 0; i < active; ++i) {
        const uint32_t* t = state_.stageStates[i];
        ActiveUnit(i);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
        const bool sumStage = stageSpecularSum_ && i + 1 == active;
        CombinerGL(false, sumStage ? D3DTOP_SELECTARG1 : t[D3DTSS_COLOROP],
                   sumStage ? D3DTA_CURRENT : t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2], t[D3DTSS_COLORARG0]);
        CombinerGL(true, t[D3DTSS_ALPHAOP], t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2], t[D3DTSS_ALPHAARG0]);
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
        glTexEnvf(GL_TEXTURE_FILTER_CONTROL, GL_TEXTURE_LOD_BIAS, BitsFloat(t[D3DTSS_MIPMAPLODBIAS]));
    }
    for (uint32_t i = active; i < activeUnits_; ++i) {
        ActiveUnit(i);
        glDisable(GL_TEXTURE_2D);
        TexGen(i, false);
        ClientArray(kArrayTex0 << i, false);
    }
    activeUnits_ = active;
    dirty_ &= ~kDirtyStages;
}

void GLDevice::BindStageTextures() {
    for (uint32_t i = 0; i < activeUnits_; ++i) {
        GLTexture* tex = StageTexture(i);
        if (!tex || !tex->tex) {
            BindTexture2D(i, whiteTexture);
            continue;
        }
        BindTexture2D(i, tex->tex);
        // Uploads and sampler changes act on the bound texture of the active unit.
        auto onUnit = [&] { ActiveUnit(i); };
        if (tex->anyDirty) {
            onUnit();
            tex->Upload();
        }
        const uint32_t* t = state_.stageStates[i];
        GLTexture::Sampler& s = tex->sampler;
        uint32_t minf = t[D3DTSS_MINFILTER], magf = t[D3DTSS_MAGFILTER], mipf = t[D3DTSS_MIPFILTER];
        bool minLinear = minf != D3DTEXF_POINT && minf != D3DTEXF_NONE;
        GLint mag = (magf == D3DTEXF_POINT || magf == D3DTEXF_NONE) ? GL_NEAREST : GL_LINEAR;
        GLint min;
        if (tex->levels == 1 || mipf == D3DTEXF_NONE)
            min = minLinear ? GL_LINEAR : GL_NEAREST;
        else if (mipf == D3DTEXF_POINT)
            min = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        else
            min = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        if (min != s.minFilter) onUnit(), glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, s.minFilter = min);
        if (mag != s.magFilter) onUnit(), glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, s.magFilter = mag);
        GLint ws = AddressGL(t[D3DTSS_ADDRESSU], mirrorClamp), wt = AddressGL(t[D3DTSS_ADDRESSV], mirrorClamp);
        if (ws != s.wrapS) onUnit(), glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, s.wrapS = ws);
        if (wt != s.wrapT) onUnit(), glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, s.wrapT = wt);
        if ((ws == GL_CLAMP_TO_BORDER || wt == GL_CLAMP_TO_BORDER) &&
            (!s.borderSet || s.border != t[D3DTSS_BORDERCOLOR])) {
            onUnit();
            Rgba b = FromColor(t[D3DTSS_BORDERCOLOR]);
            const float border[4] = {b.r, b.g, b.b, b.a};
            glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
            s.border = t[D3DTSS_BORDERCOLOR];
            s.borderSet = true;
        }
        GLint base = GLint(std::min<uint32_t>(t[D3DTSS_MAXMIPLEVEL], tex->levels - 1));
        if (base != s.baseLevel) onUnit(), glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, s.baseLevel = base);
        if (anisotropy) {
            float a = 1.0f;
            if (minf == D3DTEXF_ANISOTROPIC || magf == D3DTEXF_ANISOTROPIC)
                a = std::clamp(float(t[D3DTSS_MAXANISOTROPY]), 1.0f, maxAnisotropy);
            if (a != s.aniso) onUnit(), glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, s.aniso = a);
        }
    }
}

void GLDevice::SetupTextureUnits(const VertexLayout& l, const uint8_t* texBase, uint32_t stride, bool useBuffer,
                                 uintptr_t bufferOffset) {
    for (uint32_t i = 0; i < activeUnits_; ++i) {
        const uint32_t* t = state_.stageStates[i];
        uint32_t set = t[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
        uint32_t gen = l.rhw ? 0 : (t[D3DTSS_TEXCOORDINDEX] >> 16);
        uint32_t inputs = 2;
        if (gen == 0) {
            TexGen(i, false);
            if (set < l.texCount && l.tex[set] >= 0) {
                inputs = l.texSize[set];
                ClientArray(kArrayTex0 << i, true);
                if (useBuffer)
                    ArrayPointer(kPtrTex0 + i, GLint(inputs), GL_FLOAT, GLsizei(stride),
                                 reinterpret_cast<const void*>(bufferOffset + uintptr_t(l.tex[set])));
                else
                    ArrayPointer(kPtrTex0 + i, GLint(inputs), GL_FLOAT, GLsizei(stride), texBase + l.tex[set]);
            } else {
                ClientArray(kArrayTex0 << i, false);
                ConstantZeroTexCoord(i);
            }
        } else {
            inputs = 3;
            ClientArray(kArrayTex0 << i, false);
            ConstantZeroTexCoord(i);
            ActiveUnit(i);
            GLint mode = gen == 1 ? GL_NORMAL_MAP : gen == 2 ? GL_EYE_LINEAR : GL_REFLECTION_MAP;
            if (mode == GL_EYE_LINEAR) {
                // Eye planes are taken through the current model-view matrix: identity gives
                // the camera-space position itself.
                LoadMatrixOnce(GL_MODELVIEW, 0, Identity());
                const float ps[4] = {1, 0, 0, 0}, pt[4] = {0, 1, 0, 0}, pr[4] = {0, 0, 1, 0};
                glTexGenfv(GL_S, GL_EYE_PLANE, ps);
                glTexGenfv(GL_T, GL_EYE_PLANE, pt);
                glTexGenfv(GL_R, GL_EYE_PLANE, pr);
            }
            for (GLenum c : {GLenum(GL_S), GLenum(GL_T), GLenum(GL_R)}) glTexGeni(c, GL_TEXTURE_GEN_MODE, mode);
            TexGen(i, true);
        }
        // The texture transform: the input is widened as the fixed-function pipeline does
        // ((u, v) becomes (u, v, 1, 0)), multiplied, then the counted and projected outputs
        // are placed where OpenGL reads s, t and the divisor q.
        uint32_t flags = t[D3DTSS_TEXTURETRANSFORMFLAGS];
        uint32_t count = flags & 0xFF;
        Matrix tm = Identity();
        if (count >= 1 && count <= 4) {
            Matrix widen{};
            if (inputs == 1) {
                widen.m[0][0] = 1, widen.m[3][1] = 1;
            } else if (inputs == 2) {
                widen.m[0][0] = 1, widen.m[1][1] = 1, widen.m[3][2] = 1;
            } else {
                widen = Identity();
            }
            Matrix select{};
            bool projected = (flags & D3DTTFF_PROJECTED) != 0 && count >= 2;
            if (projected) {
                select.m[0][0] = 1;
                if (count >= 3) select.m[1][1] = 1;
                if (count == 4) select.m[2][2] = 1;
                select.m[count - 1][3] = 1;
            } else {
                select.m[0][0] = 1;
                if (count >= 2) select.m[1][1] = 1;
                if (count >= 3) select.m[2][2] = 1;
            }
            // Pre-transformed vertices skip the matrix; only the projection divide applies.
            tm = Mul(Mul(widen, l.rhw ? Identity() : state_.transforms[kXfTexture0 + i]), select);
            if (!projected) tm.m[3][3] += 1.0f;  // q = 1 from the input's q
        }
        LoadMatrixOnce(GL_TEXTURE, i, tm);
    }
}

}  // namespace gfx::gl
