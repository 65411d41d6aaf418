// The recording device: its configuration and factory, creation, loss and reset, scenes,
// clearing and presenting, and what it answers about itself.
#include <algorithm>

#include "platform/gfx/recording_internal.h"

namespace gfx {

using namespace rec;

// ---- Configuration and creation ----

RecordingConfig DefaultRecordingConfig() {
    RecordingConfig cfg;
    Caps& c = cfg.caps;
    c = Caps{};
    c.DeviceType = D3DDEVTYPE_HAL;
    c.Caps2 = D3DCAPS2_FULLSCREENGAMMA | D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    c.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWRASTERIZATION;
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                          D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_BLENDOP;
    c.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                   D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_ZBIAS | D3DPRASTERCAPS_ZFOG |
                   D3DPRASTERCAPS_COLORPERSPECTIVE | D3DPRASTERCAPS_ANISOTROPY;
    c.ZCmpCaps = c.AlphaCmpCaps = D3DPCMPCAPS_ALL;
    c.SrcBlendCaps = c.DestBlendCaps = D3DPBLENDCAPS_ALL;
    c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND |
                  D3DPSHADECAPS_FOGGOURAUD;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PROJECTED |
                    D3DPTEXTURECAPS_MIPMAP;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MINFANISOTROPIC |
                          D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                          D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                           D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
    c.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP | D3DLINECAPS_FOG;
    c.MaxTextureWidth = c.MaxTextureHeight = 2048;
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = 2048;
    c.MaxAnisotropy = 16;
    c.MaxVertexW = 1e10f;
    c.StencilCaps = 0xFF;
    c.FVFCaps = 8 | D3DFVFCAPS_DONOTSTRIPELEMENTS;
    c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                      D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD |
                      D3DTEXOPCAPS_ADDSIGNED | D3DTEXOPCAPS_ADDSIGNED2X | D3DTEXOPCAPS_SUBTRACT |
                      D3DTEXOPCAPS_BLENDDIFFUSEALPHA | D3DTEXOPCAPS_BLENDTEXTUREALPHA |
                      D3DTEXOPCAPS_BLENDFACTORALPHA | D3DTEXOPCAPS_BLENDCURRENTALPHA | D3DTEXOPCAPS_DOTPRODUCT3 |
                      D3DTEXOPCAPS_LERP;
    c.MaxTextureBlendStages = c.MaxSimultaneousTextures = 4;
    c.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                             D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
    c.MaxActiveLights = kMaxLights;
    c.MaxUserClipPlanes = kMaxClipPlanes;
    c.MaxVertexBlendMatrices = 4;
    c.MaxPointSize = 64.0f;
    c.MaxPrimitiveCount = 0xFFFFFu;
    c.MaxVertexIndex = 0xFFFFFFu;
    c.MaxStreams = 1;
    c.MaxStreamStride = 256;
    cfg.desktopMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    cfg.windowWidth = 640;
    cfg.windowHeight = 480;
    cfg.availableTextureMem = 256u << 20;
    return cfg;
}

namespace {
RecordingFactory g_recordingFactory;
}

RecordingFactory& GetRecordingFactory() { return g_recordingFactory; }
void ResetRecordingFactory() { g_recordingFactory = RecordingFactory{}; }

DeviceParams RecordingDeviceParams(uint32_t width, uint32_t height) {
    DeviceParams p;
    PresentParameters& pp = p.present;
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = 1;
    pp.EnableAutoDepthStencil = 1;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    return p;
}

Result CreateRecordingDevice(const DeviceParams& params, RecordingDevice** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    RecordingFactory& f = g_recordingFactory;
    ++f.creationCalls;
    if (f.failCreations > 0) {
        --f.failCreations;
        return f.createResult;
    }
    auto* d = new RecordingDevice();
    Result r = d->Init(params);
    if (Failed(r)) {
        d->Release();
        return r;
    }
    *device = d;
    return D3D_OK;
}

Result CreateRecordingDevice(const DeviceParams& params, Device** device) {
    if (!device) return D3DERR_INVALIDCALL;
    RecordingDevice* d = nullptr;
    Result r = CreateRecordingDevice(params, &d);
    *device = d;
    return r;
}

RecordingDevice* AsRecordingDevice(Device* device) { return dynamic_cast<RecordingDevice*>(device); }

// ---- Creation and destruction ----

Result RecordingDevice::Init(const DeviceParams& params) {
    params_ = params;
    config_ = g_recordingFactory.config;
    if (!ValidateParams(params_.present)) return D3DERR_INVALIDCALL;
    for (int i = 0; i < 256; ++i) gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = uint16_t(i * 257);
    SetupBuffers();
    ResetState();
    return D3D_OK;
}

bool RecordingDevice::ValidateParams(PresentParameters& pp) const {
    if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0) {
        if (!pp.Windowed) return false;
        if (pp.BackBufferWidth == 0) pp.BackBufferWidth = std::max(config_.windowWidth, 1u);
        if (pp.BackBufferHeight == 0) pp.BackBufferHeight = std::max(config_.windowHeight, 1u);
    }
    if (pp.BackBufferWidth > 16384 || pp.BackBufferHeight > 16384) return false;
    if (pp.BackBufferFormat == D3DFMT_UNKNOWN) {
        if (!pp.Windowed) return false;
        pp.BackBufferFormat = config_.desktopMode.Format;
    }
    if (!IsRenderableColor(pp.BackBufferFormat)) return false;
    if (pp.EnableAutoDepthStencil && !IsDepthFormat(pp.AutoDepthStencilFormat)) return false;
    if (pp.BackBufferCount == 0) pp.BackBufferCount = 1;
    return pp.BackBufferCount <= 3;
}

bool RecordingDevice::FormatRefused(Format f) const {
    return std::find(config_.refusedFormats.begin(), config_.refusedFormats.end(), f) != config_.refusedFormats.end();
}

void RecordingDevice::SetupBuffers() {
    Assign(renderTarget_, static_cast<RecSurface*>(nullptr));
    Assign(depthTarget_, static_cast<RecSurface*>(nullptr));
    for (RecSurface** s : {&backBuffer_, &autoDepth_})
        if (*s) {
            (*s)->Release();
            *s = nullptr;
        }
    const PresentParameters& pp = params_.present;
    backBuffer_ = new RecSurface(RecSurface::Kind::Color, pp.BackBufferFormat, pp.BackBufferWidth,
                                 pp.BackBufferHeight, D3DUSAGE_RENDERTARGET);
    backBuffer_->pool = D3DPOOL_DEFAULT;
    backBuffer_->implicit = true;
    Adopt(backBuffer_, "backbuffer");
    FillRect(backBuffer_->Bits(), backBuffer_->Pitch(), backBuffer_->format,
             Rect{0, 0, int32_t(backBuffer_->width), int32_t(backBuffer_->height)}, 0xFF000000u);
    if (pp.EnableAutoDepthStencil) {
        autoDepth_ = new RecSurface(RecSurface::Kind::Depth, pp.AutoDepthStencilFormat, pp.BackBufferWidth,
                                    pp.BackBufferHeight, D3DUSAGE_DEPTHSTENCIL);
        autoDepth_->pool = D3DPOOL_DEFAULT;
        autoDepth_->implicit = true;
        Adopt(autoDepth_, "autodepth");
    }
    Assign(renderTarget_, backBuffer_);
    Assign(depthTarget_, autoDepth_);
    front_ = backBuffer_->pixels;
    frontWidth_ = backBuffer_->width;
    frontHeight_ = backBuffer_->height;
    frontFormat_ = backBuffer_->format;
}

void RecordingDevice::ResetState() {
    const PresentParameters& pp = params_.present;
    StatefulDevice::ResetState(pp.EnableAutoDepthStencil != 0, pp.BackBufferWidth, pp.BackBufferHeight);
    drawStates_.reset();
}

RecordingDevice::~RecordingDevice() {
    ReleaseState();
    Assign(renderTarget_, static_cast<RecSurface*>(nullptr));
    Assign(depthTarget_, static_cast<RecSurface*>(nullptr));
    for (RecSurface** s : {&backBuffer_, &autoDepth_})
        if (*s) {
            (*s)->Release();
            *s = nullptr;
        }
    // What the caller still holds outlives the device, inert.
    for (rec::Object* o : live_) o->device = nullptr;
    live_.clear();
}

void RecordingDevice::Adopt(rec::Object* object, const char* prefix) {
    object->device = this;
    live_.insert(object);
    uint32_t id = uint32_t(names_.size());
    NameObject(object->Identity(), std::string(prefix) + "#" + std::to_string(id));
}

uint32_t RecordingDevice::NameObject(const void* object, std::string name) {
    uint32_t id = uint32_t(names_.size());
    names_.push_back(std::move(name));
    ids_[object] = id;
    return id;
}

void RecordingDevice::Forget(rec::Object* object) { live_.erase(object); }

size_t RecordingDevice::LiveResources() const {
    return size_t(std::count_if(live_.begin(), live_.end(), [](const rec::Object* o) { return !o->implicit; }));
}

size_t RecordingDevice::LiveResources(Pool pool) const {
    return size_t(std::count_if(live_.begin(), live_.end(),
                                [pool](const rec::Object* o) { return !o->implicit && o->pool == pool; }));
}

uint32_t RecordingDevice::RefCountOf(const RefCounted* object) {
    auto* o = dynamic_cast<const rec::Object*>(object);
    if (!o) return 0;
    if (auto* s = dynamic_cast<const RecSurface*>(object); s && s->owner) return s->owner->refs;
    return o->refs;
}

uint32_t RecordingDevice::HeldRefs(const RecSurface* s) const {
    return 1u + (renderTarget_ == s ? 1u : 0u) + (depthTarget_ == s ? 1u : 0u);
}

Surface* RecordingDevice::BackBuffer() const { return backBuffer_; }
Surface* RecordingDevice::RenderTarget() const { return renderTarget_; }
Surface* RecordingDevice::DepthStencil() const { return depthTarget_; }

// ---- Device state and presentation ----

Result RecordingDevice::TestCooperativeLevel() {
    size_t at = Record(CallKind::TestCooperativeLevel, {});
    return Run(at, [&]() -> Result {
        if (!lost_) return D3D_OK;
        return resettable_ ? D3DERR_DEVICENOTRESET : D3DERR_DEVICELOST;
    });
}

void RecordingDevice::SimulateLoss(bool resettable) {
    lost_ = true;
    resettable_ = resettable;
}

Result RecordingDevice::Reset(PresentParameters* params) {
    size_t at = params ? Record(CallKind::Reset, {params->BackBufferWidth, params->BackBufferHeight,
                                                  uint32_t(params->BackBufferFormat), uint32_t(params->Windowed)})
                       : Record(CallKind::Reset, {});
    Result r = Run(at, [&]() -> Result {
        if (!params) return D3DERR_INVALIDCALL;
        if (lost_ && !resettable_) return D3DERR_DEVICELOST;
        if (IsRecordingStateBlock()) return D3DERR_INVALIDCALL;
        // Resources of the default pool die with the old buffers; they must be gone first, and so
        // must the caller's hold on the old back buffer and depth surface.
        for (const rec::Object* o : live_)
            if (o->pool == D3DPOOL_DEFAULT && !o->implicit) return D3DERR_INVALIDCALL;
        if (backBuffer_->refs > HeldRefs(backBuffer_)) return D3DERR_INVALIDCALL;
        if (autoDepth_ && autoDepth_->refs > HeldRefs(autoDepth_)) return D3DERR_INVALIDCALL;
        PresentParameters pp = *params;
        if (!ValidateParams(pp)) return D3DERR_INVALIDCALL;
        params_.present = pp;
        SetupBuffers();
        ResetState();
        inScene_ = false;
        lost_ = resettable_ = false;
        *params = pp;
        ++counters_.resets;
        return D3D_OK;
    });
    // A device whose reset failed stays lost until a reset succeeds.
    if (Failed(r) && params && r != D3DERR_DEVICELOST) lost_ = resettable_ = true;
    return r;
}

Result RecordingDevice::Present(const Rect*, const Rect*, void*, const void*) {
    size_t at = Record(CallKind::Present, {});
    return Run(at, [&]() -> Result {
        if (lost_) return D3DERR_DEVICELOST;
        front_ = backBuffer_->pixels;
        frontWidth_ = backBuffer_->width;
        frontHeight_ = backBuffer_->height;
        frontFormat_ = backBuffer_->format;
        ++counters_.presents;
        return D3D_OK;
    });
}

Result RecordingDevice::BeginScene() {
    size_t at = Record(CallKind::BeginScene, {});
    return Run(at, [&]() -> Result {
        if (inScene_) return D3DERR_INVALIDCALL;
        inScene_ = true;
        ++counters_.scenesBegun;
        return D3D_OK;
    });
}

Result RecordingDevice::EndScene() {
    size_t at = Record(CallKind::EndScene, {});
    return Run(at, [&]() -> Result {
        if (!inScene_) return D3DERR_INVALIDCALL;
        inScene_ = false;
        ++counters_.scenesEnded;
        return D3D_OK;
    });
}

Result RecordingDevice::Clear(uint32_t count, const Rect* rects, uint32_t flags, Color color, float z,
                              uint32_t stencil) {
    size_t at = Record(CallKind::Clear, {count, flags, color, stencil});
    log_[at].values[0] = z;
    return Run(at, [&]() -> Result {
        if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthTarget_) return D3DERR_INVALIDCALL;
        if ((flags & D3DCLEAR_STENCIL) && !ShapeOf(depthTarget_->format).stencil) return D3DERR_INVALIDCALL;
        if (count && !rects) return D3DERR_INVALIDCALL;
        ++counters_.clears;
        if (lost_ || !(flags & D3DCLEAR_TARGET)) return D3D_OK;
        const Viewport& vp = state_.viewport;
        const int32_t vx0 = int32_t(vp.X), vy0 = int32_t(vp.Y);
        const int32_t vx1 = int32_t(std::min<uint64_t>(uint64_t(vp.X) + vp.Width, renderTarget_->width));
        const int32_t vy1 = int32_t(std::min<uint64_t>(uint64_t(vp.Y) + vp.Height, renderTarget_->height));
        auto fill = [&](Rect r) {
            r.left = std::max(r.left, vx0);
            r.top = std::max(r.top, vy0);
            r.right = std::min(r.right, vx1);
            r.bottom = std::min(r.bottom, vy1);
            if (r.right <= r.left || r.bottom <= r.top) return;
            FillRect(renderTarget_->Bits(), renderTarget_->Pitch(), renderTarget_->format, r, color);
        };
        if (count == 0)
            fill(Rect{vx0, vy0, vx1, vy1});
        else
            for (uint32_t i = 0; i < count; ++i) fill(rects[i]);
        return D3D_OK;
    });
}

Result RecordingDevice::GetDeviceCaps(Caps* caps) {
    size_t at = Record(CallKind::GetDeviceCaps, {});
    return Run(at, [&]() -> Result {
        if (!caps) return D3DERR_INVALIDCALL;
        *caps = config_.caps;
        caps->DeviceType = params_.deviceType;
        caps->AdapterOrdinal = params_.adapter;
        return D3D_OK;
    });
}

Result RecordingDevice::GetDisplayMode(DisplayMode* mode) {
    size_t at = Record(CallKind::GetDisplayMode, {});
    return Run(at, [&]() -> Result {
        if (!mode) return D3DERR_INVALIDCALL;
        const PresentParameters& pp = params_.present;
        if (pp.Windowed)
            *mode = config_.desktopMode;
        else
            *mode = {pp.BackBufferWidth, pp.BackBufferHeight, pp.FullScreen_RefreshRateInHz, pp.BackBufferFormat};
        return D3D_OK;
    });
}

Result RecordingDevice::GetCreationParameters(DeviceCreationParameters* p) {
    size_t at = Record(CallKind::GetCreationParameters, {});
    return Run(at, [&]() -> Result {
        if (!p) return D3DERR_INVALIDCALL;
        *p = {params_.adapter, params_.deviceType, params_.present.hDeviceWindow, params_.behaviorFlags};
        return D3D_OK;
    });
}

uint32_t RecordingDevice::GetAvailableTextureMem() {
    Record(CallKind::GetAvailableTextureMem, {config_.availableTextureMem});
    return config_.availableTextureMem;
}

void RecordingDevice::SetGammaRamp(uint32_t flags, const GammaRamp* ramp) {
    size_t at = Record(CallKind::SetGammaRamp, {flags});
    Run(at, [&]() -> Result {
        if (!ramp) return D3DERR_INVALIDCALL;
        gamma_ = *ramp;
        gammaFlags_ = flags;
        return D3D_OK;
    });
}

void RecordingDevice::GetGammaRamp(GammaRamp* ramp) {
    size_t at = Record(CallKind::GetGammaRamp, {});
    Run(at, [&]() -> Result {
        if (!ramp) return D3DERR_INVALIDCALL;
        *ramp = gamma_;
        return D3D_OK;
    });
}

Result RecordingDevice::ValidateDevice(uint32_t* numPasses) {
    size_t at = Record(CallKind::ValidateDevice, {});
    return Run(at, [&]() -> Result {
        const Caps& caps = config_.caps;
        for (uint32_t i = 0; i < kMaxTextureStages; ++i) {
            const uint32_t* t = state_.stageStates[i];
            uint32_t op = t[D3DTSS_COLOROP];
            if (op == D3DTOP_DISABLE) break;
            if (i >= caps.MaxTextureBlendStages) return D3DERR_TOOMANYOPERATIONS;
            if (op == 0 || op > 31 || !(caps.TextureOpCaps & (1u << (op - 1)))) return D3DERR_UNSUPPORTEDCOLOROPERATION;
            uint32_t aop = t[D3DTSS_ALPHAOP];
            if (aop == 0 || aop > 31 || !(caps.TextureOpCaps & (1u << (aop - 1))))
                return D3DERR_UNSUPPORTEDALPHAOPERATION;
            for (uint32_t a : {uint32_t(D3DTSS_COLORARG1), uint32_t(D3DTSS_COLORARG2)})
                if ((t[a] & D3DTA_SELECTMASK) > D3DTA_TFACTOR) return D3DERR_UNSUPPORTEDCOLORARG;
            for (uint32_t a : {uint32_t(D3DTSS_ALPHAARG1), uint32_t(D3DTSS_ALPHAARG2)})
                if ((t[a] & D3DTA_SELECTMASK) > D3DTA_TFACTOR) return D3DERR_UNSUPPORTEDALPHAARG;
        }
        if (numPasses) *numPasses = 1;
        return D3D_OK;
    });
}

}  // namespace gfx
