#include "platform/gfx/device_state.h"

#include <algorithm>
#include <cstring>

namespace gfx {

namespace {

const Matrix kIdentity = Mat4Identity();

template <typename T>
void Assign(T*& slot, T* value) {
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

// The fixed-function device's defaults.
void FillDefaultRenderStates(uint32_t (&rs)[kRenderStateCount], bool zEnable) {
    std::memset(rs, 0, sizeof(rs));
    rs[D3DRS_ZENABLE] = zEnable ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = 1;
    rs[D3DRS_LASTPIXEL] = 1;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = 1;
    rs[D3DRS_LIGHTING] = 1;
    rs[D3DRS_COLORVERTEX] = 1;
    rs[D3DRS_LOCALVIEWER] = 1;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = 1;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
}

void FillDefaultStageStates(uint32_t stage, uint32_t (&t)[kTextureStageStateCount]) {
    std::memset(t, 0, sizeof(t));
    t[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    t[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    t[D3DTSS_TEXCOORDINDEX] = stage;
    t[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    t[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    t[D3DTSS_MAXANISOTROPY] = 1;
    t[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    t[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
}

// What a light switched on without ever being set shines like.
Light DefaultLight() {
    Light l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    l.Direction = {0.0f, 0.0f, 1.0f};
    return l;
}

bool IsPixelRenderState(uint32_t s) {
    switch (s) {
    case D3DRS_ZENABLE: case D3DRS_FILLMODE: case D3DRS_SHADEMODE: case D3DRS_LINEPATTERN:
    case D3DRS_ZWRITEENABLE: case D3DRS_ALPHATESTENABLE: case D3DRS_LASTPIXEL: case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND: case D3DRS_ZFUNC: case D3DRS_ALPHAREF: case D3DRS_ALPHAFUNC:
    case D3DRS_DITHERENABLE: case D3DRS_ALPHABLENDENABLE: case D3DRS_FOGCOLOR: case D3DRS_FOGTABLEMODE:
    case D3DRS_FOGSTART: case D3DRS_FOGEND: case D3DRS_FOGDENSITY: case D3DRS_EDGEANTIALIAS:
    case D3DRS_ZBIAS: case D3DRS_STENCILENABLE: case D3DRS_STENCILFAIL: case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS: case D3DRS_STENCILFUNC: case D3DRS_STENCILREF: case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK: case D3DRS_TEXTUREFACTOR: case D3DRS_WRAP0: case D3DRS_WRAP1:
    case D3DRS_WRAP2: case D3DRS_WRAP3: case D3DRS_WRAP4: case D3DRS_WRAP5: case D3DRS_WRAP6:
    case D3DRS_WRAP7: case D3DRS_COLORWRITEENABLE: case D3DRS_BLENDOP:
        return true;
    default: return false;
    }
}

bool IsVertexRenderState(uint32_t s) {
    switch (s) {
    case D3DRS_SHADEMODE: case D3DRS_SPECULARENABLE: case D3DRS_CULLMODE: case D3DRS_FOGENABLE:
    case D3DRS_FOGCOLOR: case D3DRS_FOGTABLEMODE: case D3DRS_FOGSTART: case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY: case D3DRS_RANGEFOGENABLE: case D3DRS_AMBIENT: case D3DRS_COLORVERTEX:
    case D3DRS_FOGVERTEXMODE: case D3DRS_CLIPPING: case D3DRS_LIGHTING: case D3DRS_NORMALIZENORMALS:
    case D3DRS_LOCALVIEWER: case D3DRS_EMISSIVEMATERIALSOURCE: case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_DIFFUSEMATERIALSOURCE: case D3DRS_SPECULARMATERIALSOURCE: case D3DRS_VERTEXBLEND:
    case D3DRS_CLIPPLANEENABLE: case D3DRS_SOFTWAREVERTEXPROCESSING: case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN: case D3DRS_POINTSPRITEENABLE: case D3DRS_POINTSCALEENABLE:
    case D3DRS_POINTSCALE_A: case D3DRS_POINTSCALE_B: case D3DRS_POINTSCALE_C:
    case D3DRS_MULTISAMPLEANTIALIAS: case D3DRS_MULTISAMPLEMASK: case D3DRS_PATCHEDGESTYLE:
    case D3DRS_PATCHSEGMENTS: case D3DRS_POINTSIZE_MAX: case D3DRS_INDEXEDVERTEXBLENDENABLE:
    case D3DRS_TWEENFACTOR:
        return true;
    default: return false;
    }
}

bool IsVertexStageState(uint32_t t) { return t == D3DTSS_TEXCOORDINDEX || t == D3DTSS_TEXTURETRANSFORMFLAGS; }

}  // namespace

int TransformSlot(TransformStateType t) {
    uint32_t v = t;
    if (v == D3DTS_VIEW) return kXfView;
    if (v == D3DTS_PROJECTION) return kXfProjection;
    if (v >= D3DTS_TEXTURE0 && v <= D3DTS_TEXTURE7) return int(kXfTexture0 + v - D3DTS_TEXTURE0);
    if (v >= D3DTS_WORLD && v < D3DTS_WORLD + 256) return int(kXfWorld0 + v - D3DTS_WORLD);
    return -1;
}

const Matrix& DeviceState::Transform(TransformStateType t) const {
    int slot = TransformSlot(t);
    return slot < 0 ? kIdentity : transforms[slot];
}

bool StateMask::SetFor(StateBlockType type) {
    switch (type) {
    case D3DSBT_ALL:
        renderStates.set();
        stageStates.set();
        textures.set();
        transforms.set();
        viewport = material = vertexShader = indices = true;
        lights.set();
        lightEnable.set();
        clipPlanes.set();
        streams.set();
        return true;
    case D3DSBT_PIXELSTATE:
        for (uint32_t s = 0; s < kRenderStateCount; ++s)
            if (IsPixelRenderState(s)) renderStates.set(s);
        for (uint32_t i = 0; i < kMaxTextureStages; ++i)
            for (uint32_t t = 1; t < kTextureStageStateCount; ++t)
                if (!IsVertexStageState(t)) stageStates.set(i * kTextureStageStateCount + t);
        return true;
    case D3DSBT_VERTEXSTATE:
        for (uint32_t s = 0; s < kRenderStateCount; ++s)
            if (IsVertexRenderState(s)) renderStates.set(s);
        for (uint32_t i = 0; i < kMaxTextureStages; ++i) {
            stageStates.set(i * kTextureStageStateCount + D3DTSS_TEXCOORDINDEX);
            stageStates.set(i * kTextureStageStateCount + D3DTSS_TEXTURETRANSFORMFLAGS);
        }
        lights.set();
        lightEnable.set();
        vertexShader = true;
        return true;
    default: return false;
    }
}

// ---- Lifetime ----

StatefulDevice::~StatefulDevice() { ReleaseState(); }

void StatefulDevice::ReleaseRefs(DeviceState& s, const StateMask* mask) {
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        if (!mask || mask->textures.test(i)) Assign(s.textures[i], static_cast<Texture*>(nullptr));
    for (uint32_t i = 0; i < kMaxStreams; ++i)
        if (!mask || mask->streams.test(i)) Assign(s.streams[i], static_cast<VertexBuffer*>(nullptr));
    if (!mask || mask->indices) Assign(s.indices, static_cast<IndexBuffer*>(nullptr));
}

void StatefulDevice::ReleaseState() {
    if (recording_) {
        ReleaseRefs(recording_->state, &recording_->mask);
        recording_.reset();
    }
    for (auto& [token, block] : blocks_) ReleaseRefs(block->state, &block->mask);
    blocks_.clear();
    ReleaseRefs(state_, nullptr);
}

void StatefulDevice::ResetState(bool zEnable, uint32_t width, uint32_t height) {
    DeviceState& s = state_;
    ReleaseRefs(s, nullptr);
    FillDefaultRenderStates(s.renderStates, zEnable);
    for (uint32_t i = 0; i < kMaxTextureStages; ++i) FillDefaultStageStates(i, s.stageStates[i]);
    for (auto& m : s.transforms) m = kIdentity;
    s.viewport = {0, 0, width, height, 0.0f, 1.0f};
    s.material = Material{};
    for (auto& l : s.lights) l = LightSlot{};
    std::memset(s.clipPlanes, 0, sizeof(s.clipPlanes));
    s.vertexShader = 0;
    std::memset(s.strides, 0, sizeof(s.strides));
    s.baseVertexIndex = 0;
}

DeviceState& StatefulDevice::Writable(StateMask** mask) {
    if (recording_) {
        *mask = &recording_->mask;
        return recording_->state;
    }
    *mask = nullptr;
    return state_;
}

// ---- Transforms, viewport, lights, material, clip planes ----

void StatefulDevice::StoreTransform(int slot, const Matrix& m) {
    StateMask* mask;
    Writable(&mask).transforms[slot] = m;
    if (mask)
        mask->transforms.set(size_t(slot));
    else
        StateChanged(StatePart::Transform, uint32_t(slot));
}

Result StatefulDevice::SetTransform(TransformStateType state, const Matrix* matrix) {
    int slot = TransformSlot(state);
    if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
    StoreTransform(slot, *matrix);
    return D3D_OK;
}

Result StatefulDevice::GetTransform(TransformStateType state, Matrix* matrix) {
    int slot = TransformSlot(state);
    if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
    *matrix = state_.transforms[slot];
    return D3D_OK;
}

Result StatefulDevice::MultiplyTransform(TransformStateType state, const Matrix* matrix) {
    int slot = TransformSlot(state);
    if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
    StoreTransform(slot, Mat4Mul(*matrix, state_.transforms[slot]));
    return D3D_OK;
}

Result StatefulDevice::SetViewport(const Viewport* viewport) {
    if (!viewport || viewport->Width == 0 || viewport->Height == 0) return D3DERR_INVALIDCALL;
    if (!(viewport->MinZ >= 0.0f && viewport->MaxZ <= 1.0f && viewport->MinZ <= viewport->MaxZ))
        return D3DERR_INVALIDCALL;
    if (!ViewportAllowed(*viewport)) return D3DERR_INVALIDCALL;
    StateMask* mask;
    Writable(&mask).viewport = *viewport;
    if (mask)
        mask->viewport = true;
    else
        StateChanged(StatePart::Viewport, 0);
    return D3D_OK;
}

Result StatefulDevice::GetViewport(Viewport* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = state_.viewport;
    return D3D_OK;
}

Result StatefulDevice::SetMaterial(const Material* material) {
    if (!material) return D3DERR_INVALIDCALL;
    StateMask* mask;
    Writable(&mask).material = *material;
    if (mask)
        mask->material = true;
    else
        StateChanged(StatePart::Material, 0);
    return D3D_OK;
}

Result StatefulDevice::GetMaterial(Material* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = state_.material;
    return D3D_OK;
}

Result StatefulDevice::SetLight(uint32_t index, const Light* light) {
    if (index >= kMaxLights || !light) return D3DERR_INVALIDCALL;
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    StateMask* mask;
    Writable(&mask).lights[index].light = *light;
    if (mask)
        mask->lights.set(index);
    else
        StateChanged(StatePart::Light, index);
    return D3D_OK;
}

Result StatefulDevice::GetLight(uint32_t index, Light* light) {
    if (index >= kMaxLights || !light) return D3DERR_INVALIDCALL;
    *light = state_.lights[index].light;
    return D3D_OK;
}

Result StatefulDevice::LightEnable(uint32_t index, bool enable) {
    if (index >= kMaxLights) return D3DERR_INVALIDCALL;
    StateMask* mask;
    LightSlot& slot = Writable(&mask).lights[index];
    // A light enabled without ever being set is the default white directional light.
    if (enable && slot.light.Type == 0) {
        slot.light = DefaultLight();
        if (mask) mask->lights.set(index);
    }
    slot.enabled = enable;
    if (mask)
        mask->lightEnable.set(index);
    else
        StateChanged(StatePart::Light, index);
    return D3D_OK;
}

Result StatefulDevice::GetLightEnable(uint32_t index, bool* enable) {
    if (index >= kMaxLights || !enable) return D3DERR_INVALIDCALL;
    *enable = state_.lights[index].enabled;
    return D3D_OK;
}

Result StatefulDevice::SetClipPlane(uint32_t index, const float* plane) {
    if (index >= kMaxClipPlanes || !plane) return D3DERR_INVALIDCALL;
    StateMask* mask;
    std::copy_n(plane, 4, Writable(&mask).clipPlanes[index]);
    if (mask)
        mask->clipPlanes.set(index);
    else
        StateChanged(StatePart::ClipPlane, index);
    return D3D_OK;
}

Result StatefulDevice::GetClipPlane(uint32_t index, float* plane) {
    if (index >= kMaxClipPlanes || !plane) return D3DERR_INVALIDCALL;
    std::copy_n(state_.clipPlanes[index], 4, plane);
    return D3D_OK;
}

// ---- Render states and texture stages ----

Result StatefulDevice::SetRenderState(RenderStateType state, uint32_t value) {
    if (uint32_t(state) >= kRenderStateCount) return D3DERR_INVALIDCALL;
    StateMask* mask;
    Writable(&mask).renderStates[state] = value;
    if (mask)
        mask->renderStates.set(state);
    else
        StateChanged(StatePart::RenderState, state);
    return D3D_OK;
}

Result StatefulDevice::GetRenderState(RenderStateType state, uint32_t* value) {
    if (uint32_t(state) >= kRenderStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state_.renderStates[state];
    return D3D_OK;
}

Result StatefulDevice::SetTexture(uint32_t stage, Texture* texture) {
    if (stage >= kMaxTextureStages) return D3DERR_INVALIDCALL;
    if (texture && !Owns(texture)) return D3DERR_INVALIDCALL;
    StateMask* mask;
    Assign(Writable(&mask).textures[stage], texture);
    if (mask)
        mask->textures.set(stage);
    else
        StateChanged(StatePart::Texture, stage);
    return D3D_OK;
}

Result StatefulDevice::GetTexture(uint32_t stage, Texture** texture) {
    if (stage >= kMaxTextureStages || !texture) return D3DERR_INVALIDCALL;
    *texture = state_.textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

Result StatefulDevice::SetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t value) {
    if (stage >= kMaxTextureStages || uint32_t(type) >= kTextureStageStateCount) return D3DERR_INVALIDCALL;
    StateMask* mask;
    Writable(&mask).stageStates[stage][type] = value;
    if (mask)
        mask->stageStates.set(stage * kTextureStageStateCount + type);
    else
        StateChanged(StatePart::StageState, stage);
    return D3D_OK;
}

Result StatefulDevice::GetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t* value) {
    if (stage >= kMaxTextureStages || uint32_t(type) >= kTextureStageStateCount || !value)
        return D3DERR_INVALIDCALL;
    *value = state_.stageStates[stage][type];
    return D3D_OK;
}

// ---- Vertex input ----

Result StatefulDevice::SetVertexShader(uint32_t handle) {
    if (!VertexShaderAllowed(handle)) return D3DERR_INVALIDCALL;
    StateMask* mask;
    Writable(&mask).vertexShader = handle;
    if (mask)
        mask->vertexShader = true;
    else
        StateChanged(StatePart::VertexShader, 0);
    return D3D_OK;
}

Result StatefulDevice::GetVertexShader(uint32_t* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = state_.vertexShader;
    return D3D_OK;
}

Result StatefulDevice::SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride) {
    if (stream >= kMaxStreams) return D3DERR_INVALIDCALL;
    if (buffer && !Owns(buffer)) return D3DERR_INVALIDCALL;
    StateMask* mask;
    DeviceState& s = Writable(&mask);
    Assign(s.streams[stream], buffer);
    s.strides[stream] = stride;
    if (mask)
        mask->streams.set(stream);
    else
        StateChanged(StatePart::Stream, stream);
    return D3D_OK;
}

Result StatefulDevice::GetStreamSource(uint32_t stream, VertexBuffer** buffer, uint32_t* stride) {
    if (stream >= kMaxStreams || !buffer || !stride) return D3DERR_INVALIDCALL;
    *buffer = state_.streams[stream];
    if (*buffer) (*buffer)->AddRef();
    *stride = state_.strides[stream];
    return D3D_OK;
}

Result StatefulDevice::SetIndices(IndexBuffer* buffer, uint32_t baseVertexIndex) {
    if (buffer && !Owns(buffer)) return D3DERR_INVALIDCALL;
    StateMask* mask;
    DeviceState& s = Writable(&mask);
    Assign(s.indices, buffer);
    s.baseVertexIndex = baseVertexIndex;
    if (mask)
        mask->indices = true;
    else
        StateChanged(StatePart::Indices, 0);
    return D3D_OK;
}

Result StatefulDevice::GetIndices(IndexBuffer** buffer, uint32_t* baseVertexIndex) {
    if (!buffer || !baseVertexIndex) return D3DERR_INVALIDCALL;
    *buffer = state_.indices;
    if (*buffer) (*buffer)->AddRef();
    *baseVertexIndex = state_.baseVertexIndex;
    return D3D_OK;
}

// ---- State blocks ----

Result StatefulDevice::CreateStateBlock(StateBlockType type, uint32_t* token) {
    if (!token || recording_) return D3DERR_INVALIDCALL;
    auto b = std::make_unique<Block>();
    if (!b->mask.SetFor(type)) return D3DERR_INVALIDCALL;
    // The new block starts with the current values.
    Capture(*b);
    uint32_t t = nextBlock_++;
    blocks_[t] = std::move(b);
    *token = t;
    return D3D_OK;
}

Result StatefulDevice::BeginStateBlock() {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_unique<Block>();
    return D3D_OK;
}

Result StatefulDevice::EndStateBlock(uint32_t* token) {
    if (!token || !recording_) return D3DERR_INVALIDCALL;
    uint32_t t = nextBlock_++;
    blocks_[t] = std::move(recording_);
    *token = t;
    return D3D_OK;
}

Result StatefulDevice::CaptureStateBlock(uint32_t token) {
    auto it = blocks_.find(token);
    if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
    Capture(*it->second);
    return D3D_OK;
}

void StatefulDevice::Capture(Block& b) {
    const StateMask& m = b.mask;
    const DeviceState& s = state_;
    DeviceState& d = b.state;
    for (uint32_t i = 0; i < kRenderStateCount; ++i)
        if (m.renderStates.test(i)) d.renderStates[i] = s.renderStates[i];
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        for (uint32_t t = 0; t < kTextureStageStateCount; ++t)
            if (m.stageStates.test(i * kTextureStageStateCount + t)) d.stageStates[i][t] = s.stageStates[i][t];
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        if (m.textures.test(i)) Assign(d.textures[i], s.textures[i]);
    for (uint32_t i = 0; i < kTransformSlots; ++i)
        if (m.transforms.test(i)) d.transforms[i] = s.transforms[i];
    if (m.viewport) d.viewport = s.viewport;
    if (m.material) d.material = s.material;
    for (uint32_t i = 0; i < kMaxLights; ++i) {
        if (m.lights.test(i)) d.lights[i].light = s.lights[i].light;
        if (m.lightEnable.test(i)) d.lights[i].enabled = s.lights[i].enabled;
    }
    for (uint32_t i = 0; i < kMaxClipPlanes; ++i)
        if (m.clipPlanes.test(i)) std::copy_n(s.clipPlanes[i], 4, d.clipPlanes[i]);
    if (m.vertexShader) d.vertexShader = s.vertexShader;
    for (uint32_t i = 0; i < kMaxStreams; ++i)
        if (m.streams.test(i)) {
            Assign(d.streams[i], s.streams[i]);
            d.strides[i] = s.strides[i];
        }
    if (m.indices) {
        Assign(d.indices, s.indices);
        d.baseVertexIndex = s.baseVertexIndex;
    }
}

Result StatefulDevice::ApplyStateBlock(uint32_t token) {
    auto it = blocks_.find(token);
    if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
    const StateMask& m = it->second->mask;
    const DeviceState& b = it->second->state;
    DeviceState& s = state_;
    // A backend hears only of the states the block changes: putting a whole recorded state back
    // mostly restores values that are already there.
    for (uint32_t i = 0; i < kRenderStateCount; ++i)
        if (m.renderStates.test(i) && s.renderStates[i] != b.renderStates[i]) {
            s.renderStates[i] = b.renderStates[i];
            StateChanged(StatePart::RenderState, i);
        }
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        for (uint32_t t = 0; t < kTextureStageStateCount; ++t)
            if (m.stageStates.test(i * kTextureStageStateCount + t) && s.stageStates[i][t] != b.stageStates[i][t]) {
                s.stageStates[i][t] = b.stageStates[i][t];
                StateChanged(StatePart::StageState, i);
            }
    // Resources whose device went away are not bound again.
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        if (m.textures.test(i)) {
            Assign(s.textures[i], b.textures[i] && Owns(b.textures[i]) ? b.textures[i] : nullptr);
            StateChanged(StatePart::Texture, i);
        }
    for (uint32_t i = 0; i < kTransformSlots; ++i)
        if (m.transforms.test(i) && std::memcmp(&s.transforms[i], &b.transforms[i], sizeof(Matrix)) != 0) {
            s.transforms[i] = b.transforms[i];
            StateChanged(StatePart::Transform, i);
        }
    if (m.viewport) {
        s.viewport = b.viewport;
        StateChanged(StatePart::Viewport, 0);
    }
    if (m.material) {
        s.material = b.material;
        StateChanged(StatePart::Material, 0);
    }
    for (uint32_t i = 0; i < kMaxLights; ++i) {
        if (m.lights.test(i)) s.lights[i].light = b.lights[i].light;
        if (m.lightEnable.test(i)) s.lights[i].enabled = b.lights[i].enabled;
        if (m.lights.test(i) || m.lightEnable.test(i)) StateChanged(StatePart::Light, i);
    }
    for (uint32_t i = 0; i < kMaxClipPlanes; ++i)
        if (m.clipPlanes.test(i)) {
            std::copy_n(b.clipPlanes[i], 4, s.clipPlanes[i]);
            StateChanged(StatePart::ClipPlane, i);
        }
    if (m.vertexShader) {
        s.vertexShader = b.vertexShader;
        StateChanged(StatePart::VertexShader, 0);
    }
    for (uint32_t i = 0; i < kMaxStreams; ++i)
        if (m.streams.test(i)) {
            Assign(s.streams[i], b.streams[i] && Owns(b.streams[i]) ? b.streams[i] : nullptr);
            s.strides[i] = b.strides[i];
            StateChanged(StatePart::Stream, i);
        }
    if (m.indices) {
        Assign(s.indices, b.indices && Owns(b.indices) ? b.indices : nullptr);
        s.baseVertexIndex = b.baseVertexIndex;
        StateChanged(StatePart::Indices, 0);
    }
    return D3D_OK;
}

Result StatefulDevice::DeleteStateBlock(uint32_t token) {
    auto it = blocks_.find(token);
    if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
    ReleaseRefs(it->second->state, &it->second->mask);
    blocks_.erase(it);
    return D3D_OK;
}

}  // namespace gfx
