// The recording device's resources: formats, surfaces, textures and buffers kept in memory,
// and the device calls that make, copy and bind them as render targets.
#include <algorithm>
#include <cstring>

#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/recording_internal.h"

namespace gfx {

namespace rec {

FormatShape ShapeOf(Format f) {
    switch (f) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_A2B10G10R10: case D3DFMT_G16R16:
    case D3DFMT_X8L8V8U8: case D3DFMT_Q8W8V8U8: case D3DFMT_V16U16: case D3DFMT_W11V11U10:
    case D3DFMT_A2W10V10U10:
        return {4};
    case D3DFMT_R8G8B8: return {3};
    case D3DFMT_R5G6B5: case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2: case D3DFMT_X4R4G4B4: case D3DFMT_A8P8: case D3DFMT_A8L8: case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
        return {2};
    case D3DFMT_R3G3B2: case D3DFMT_A8: case D3DFMT_P8: case D3DFMT_L8: case D3DFMT_A4L4: return {1};
    case D3DFMT_DXT1: return {8, true};
    case D3DFMT_DXT2: case D3DFMT_DXT3: case D3DFMT_DXT4: case D3DFMT_DXT5: return {16, true};
    case D3DFMT_D16: case D3DFMT_D16_LOCKABLE: return {2, false, true, false};
    case D3DFMT_D15S1: return {2, false, true, true};
    case D3DFMT_D24S8: case D3DFMT_D24X4S4: return {4, false, true, true};
    case D3DFMT_D24X8: case D3DFMT_D32: return {4, false, true, false};
    default: return {};
    }
}

bool KnownFormat(Format f) { return ShapeOf(f).unitBytes != 0; }
bool IsDepthFormat(Format f) { return ShapeOf(f).depth; }

uint32_t RowBytes(Format f, uint32_t width) {
    FormatShape s = ShapeOf(f);
    return s.blocks ? ((width + 3) / 4) * s.unitBytes : width * s.unitBytes;
}

uint32_t RowCount(Format f, uint32_t height) { return ShapeOf(f).blocks ? (height + 3) / 4 : height; }

bool IsRenderableColor(Format f) {
    switch (f) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_R5G6B5: case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4:
        return true;
    default: return false;
    }
}

bool IsTextureFormat(Format f) {
    switch (f) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_R8G8B8: case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5: case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4: case D3DFMT_X4R4G4B4:
    case D3DFMT_R3G3B2: case D3DFMT_A8: case D3DFMT_L8: case D3DFMT_A8L8: case D3DFMT_A4L4:
    case D3DFMT_A8R3G3B2: case D3DFMT_V8U8: case D3DFMT_DXT1: case D3DFMT_DXT2: case D3DFMT_DXT3:
    case D3DFMT_DXT4: case D3DFMT_DXT5:
        return true;
    default: return false;
    }
}

bool ValidRect(const Rect& r, uint32_t w, uint32_t h) {
    return r.left >= 0 && r.top >= 0 && r.right > r.left && r.bottom > r.top && r.right <= int32_t(w) &&
           r.bottom <= int32_t(h);
}

bool BlockAligned(Format f, const Rect& r, uint32_t w, uint32_t h) {
    if (!ShapeOf(f).blocks) return true;
    auto edge = [](int32_t v, uint32_t size) { return v % 4 == 0 || uint32_t(v) == size; };
    return r.left % 4 == 0 && r.top % 4 == 0 && edge(r.right, w) && edge(r.bottom, h);
}

uint8_t* RectStart(uint8_t* bits, uint32_t pitch, Format f, const Rect& r) {
    FormatShape s = ShapeOf(f);
    uint32_t unit = s.blocks ? 4 : 1;
    return bits + size_t(r.top) / unit * pitch + size_t(r.left) / unit * s.unitBytes;
}

void FillRect(uint8_t* bits, uint32_t pitch, Format f, const Rect& r, Color color) {
    FormatShape s = ShapeOf(f);
    if (s.blocks || s.depth || s.unitBytes == 0) return;
    uint8_t px[4];
    uint32_t argb = color;
    if (!ConvertFromArgb(&argb, 1, 1, f, px, int32_t(s.unitBytes))) return;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint8_t* row = bits + size_t(y) * pitch;
        for (int32_t x = r.left; x < r.right; ++x) std::memcpy(row + size_t(x) * s.unitBytes, px, s.unitBytes);
    }
}

bool ValidFvf(uint32_t fvf) { return ((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) <= 8; }

RecSurface::RecSurface(RecTexture* t, uint32_t l)
    : kind(Kind::Level), format(t->format), width(t->LevelWidth(l)), height(t->LevelHeight(l)), usage(t->usage),
      owner(t), level(l) {}

uint32_t RecSurface::AddRef() { return owner ? owner->AddRef() : AddOne(); }
uint32_t RecSurface::Release() { return owner ? owner->Release() : DropOne(); }
RecordingDevice* RecSurface::Dev() const { return owner ? owner->device : device; }
Pool RecSurface::PoolOf() const { return owner ? owner->pool : pool; }
bool RecSurface::IsRenderTarget() const { return kind == Kind::Color || (owner && owner->renderTarget); }
bool RecSurface::IsLocked() const { return owner ? owner->levelLocked[level] != 0 : locked; }

uint8_t* RecSurface::Bits() {
    if (owner) return owner->levelData[level].data();
    return pixels.empty() ? nullptr : pixels.data();
}

Result RecSurface::LockNow(LockedRect* out, const Rect* rect, uint32_t flags) {
    if (owner) return owner->LockNow(level, out, rect, flags);
    if (!out || locked || kind == Kind::Depth) return D3DERR_INVALIDCALL;
    // Colour buffers live with their device, as the OpenGL device's do.
    if (kind == Kind::Color && !device) return D3DERR_INVALIDCALL;
    Rect r = rect ? *rect : Rect{0, 0, int32_t(width), int32_t(height)};
    if (!ValidRect(r, width, height) || !BlockAligned(format, r, width, height)) return D3DERR_INVALIDCALL;
    out->Pitch = int32_t(Pitch());
    out->pBits = RectStart(pixels.data(), Pitch(), format, r);
    locked = true;
    return D3D_OK;
}

Result RecSurface::UnlockNow() {
    if (owner) return owner->UnlockNow(level);
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    return D3D_OK;
}

}  // namespace rec

using namespace rec;

namespace {

// A fixed-function declaration: stream 0, known element types, a float3 position, an end token
// within 64 tokens. Returns the tokens up to the end, or nothing.
bool ParseDeclaration(const uint32_t* tokens, std::vector<uint32_t>* out) {
    bool inStream0 = false, position = false;
    for (size_t i = 0; i < 64; ++i) {
        uint32_t t = tokens[i];
        if (t == D3DVSD_END()) {
            if (!inStream0 || !position) return false;
            out->assign(tokens, tokens + i + 1);
            return true;
        }
        uint32_t type = t >> D3DVSD_TOKENTYPESHIFT;
        if (type == D3DVSD_TOKEN_NOP) continue;
        if (type == D3DVSD_TOKEN_STREAM) {
            if ((t & 0xF) != 0 || inStream0) return false;
            inStream0 = true;
            continue;
        }
        if (type != D3DVSD_TOKEN_STREAMDATA || !inStream0) return false;
        if (t & 0x10000000u) continue;  // skipped dwords
        uint32_t dataType = (t >> 16) & 0xF;
        uint32_t reg = t & 0x1F;
        if (dataType > D3DVSDT_SHORT4 || reg > D3DVSDE_TEXCOORD7) return false;
        if (reg == D3DVSDE_POSITION) {
            if (dataType != D3DVSDT_FLOAT3) return false;
            position = true;
        }
    }
    return false;
}

}  // namespace

// ---- Surfaces and render targets ----

Result RecordingDevice::GetBackBuffer(uint32_t index, BackBufferType, Surface** surface) {
    if (surface) *surface = nullptr;
    size_t at = Record(CallKind::GetBackBuffer, {index});
    return Run(at, [&]() -> Result {
        if (!surface || index != 0) return D3DERR_INVALIDCALL;
        backBuffer_->AddRef();
        *surface = backBuffer_;
        Remember(log_[at], 0, backBuffer_->Identity());
        return D3D_OK;
    });
}

Result RecordingDevice::GetFrontBuffer(Surface* dest) {
    size_t at = Record(CallKind::GetFrontBuffer, {}, dest);
    return Run(at, [&]() -> Result {
        auto* d = dynamic_cast<RecSurface*>(dest);
        if (!d || d->kind != RecSurface::Kind::Image || d->format != D3DFMT_A8R8G8B8 || d->locked)
            return D3DERR_INVALIDCALL;
        std::vector<uint32_t> argb(size_t(frontWidth_) * frontHeight_);
        if (!ConvertToArgb(front_.data(), int32_t(RowBytes(frontFormat_, frontWidth_)), frontWidth_, frontHeight_,
                           frontFormat_, argb.data()))
            return D3DERR_INVALIDCALL;
        for (uint32_t y = 0; y < d->height; ++y)
            for (uint32_t x = 0; x < d->width; ++x) {
                uint32_t p = (x < frontWidth_ && y < frontHeight_) ? argb[size_t(y) * frontWidth_ + x] : 0xFF000000u;
                uint8_t* o = d->pixels.data() + size_t(y) * d->Pitch() + size_t(x) * 4;
                o[0] = uint8_t(p);
                o[1] = uint8_t(p >> 8);
                o[2] = uint8_t(p >> 16);
                o[3] = uint8_t(p >> 24);
            }
        return D3D_OK;
    });
}

Result RecordingDevice::CreateRenderTarget(uint32_t width, uint32_t height, Format format, MultiSampleType ms,
                                           bool lockable, Surface** surface) {
    if (surface) *surface = nullptr;
    size_t at = Record(CallKind::CreateRenderTarget, {width, height, uint32_t(format), uint32_t(ms), lockable});
    return Run(at, [&]() -> Result {
        if (!surface || !width || !height || width > config_.caps.MaxTextureWidth ||
            height > config_.caps.MaxTextureHeight || !IsRenderableColor(format) || FormatRefused(format))
            return D3DERR_INVALIDCALL;
        auto* s = new RecSurface(RecSurface::Kind::Color, format, width, height, D3DUSAGE_RENDERTARGET);
        s->pool = D3DPOOL_DEFAULT;
        Adopt(s, "rendertarget");
        Remember(log_[at], 0, s->Identity());
        *surface = s;
        return D3D_OK;
    });
}

Result RecordingDevice::CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format,
                                                  MultiSampleType ms, Surface** surface) {
    if (surface) *surface = nullptr;
    size_t at = Record(CallKind::CreateDepthStencilSurface, {width, height, uint32_t(format), uint32_t(ms)});
    return Run(at, [&]() -> Result {
        if (!surface || !width || !height || width > config_.caps.MaxTextureWidth ||
            height > config_.caps.MaxTextureHeight || !IsDepthFormat(format) || FormatRefused(format))
            return D3DERR_INVALIDCALL;
        auto* s = new RecSurface(RecSurface::Kind::Depth, format, width, height, D3DUSAGE_DEPTHSTENCIL);
        s->pool = D3DPOOL_DEFAULT;
        Adopt(s, "depthstencil");
        Remember(log_[at], 0, s->Identity());
        *surface = s;
        return D3D_OK;
    });
}

Result RecordingDevice::CreateImageSurface(uint32_t width, uint32_t height, Format format, Surface** surface) {
    if (surface) *surface = nullptr;
    size_t at = Record(CallKind::CreateImageSurface, {width, height, uint32_t(format)});
    return Run(at, [&]() -> Result {
        if (!surface || !width || !height || width > 16384 || height > 16384 || !KnownFormat(format) ||
            IsDepthFormat(format) || FormatRefused(format))
            return D3DERR_INVALIDCALL;
        auto* s = new RecSurface(RecSurface::Kind::Image, format, width, height, 0);
        s->pool = D3DPOOL_SYSTEMMEM;
        Adopt(s, "surface");
        Remember(log_[at], 0, s->Identity());
        *surface = s;
        return D3D_OK;
    });
}

Result RecordingDevice::CopyRects(Surface* source, const Rect* sourceRects, uint32_t count, Surface* dest,
                                  const Point* destPoints) {
    size_t at = Record(CallKind::CopyRects, {count}, source);
    Remember(log_[at], 1, dest);
    return Run(at, [&]() -> Result {
        auto* s = dynamic_cast<RecSurface*>(source);
        auto* d = dynamic_cast<RecSurface*>(dest);
        if (!s || !d || s == d || s->format != d->format || s->IsLocked() || d->IsLocked()) return D3DERR_INVALIDCALL;
        FormatShape shape = ShapeOf(s->format);
        if (shape.blocks || shape.depth || !s->Bits() || !d->Bits()) return D3DERR_INVALIDCALL;
        if (count && !sourceRects) return D3DERR_INVALIDCALL;
        Rect whole{0, 0, int32_t(s->width), int32_t(s->height)};
        uint32_t n = count ? count : 1;
        // Every rectangle is checked before anything is copied.
        for (uint32_t i = 0; i < n; ++i) {
            const Rect& r = count ? sourceRects[i] : whole;
            Point p = destPoints ? destPoints[i] : Point{r.left, r.top};
            if (!ValidRect(r, s->width, s->height)) return D3DERR_INVALIDCALL;
            if (p.x < 0 || p.y < 0 || int64_t(p.x) + (r.right - r.left) > int64_t(d->width) ||
                int64_t(p.y) + (r.bottom - r.top) > int64_t(d->height))
                return D3DERR_INVALIDCALL;
        }
        for (uint32_t i = 0; i < n; ++i) {
            const Rect& r = count ? sourceRects[i] : whole;
            Point p = destPoints ? destPoints[i] : Point{r.left, r.top};
            size_t bytes = size_t(r.right - r.left) * shape.unitBytes;
            for (int32_t y = 0; y < r.bottom - r.top; ++y)
                std::memmove(d->Bits() + size_t(p.y + y) * d->Pitch() + size_t(p.x) * shape.unitBytes,
                             s->Bits() + size_t(r.top + y) * s->Pitch() + size_t(r.left) * shape.unitBytes, bytes);
        }
        return D3D_OK;
    });
}

Result RecordingDevice::SetRenderTarget(Surface* target, Surface* depth) {
    size_t at = Record(CallKind::SetRenderTarget, {}, target);
    Remember(log_[at], 1, depth);
    return Run(at, [&]() -> Result {
        RecSurface* t = target ? OwnSurface(target, this) : renderTarget_;
        RecSurface* z = depth ? OwnSurface(depth, this) : nullptr;
        if (!t || !t->IsRenderTarget()) return D3DERR_INVALIDCALL;
        if (depth && (!z || z->kind != RecSurface::Kind::Depth)) return D3DERR_INVALIDCALL;
        if (z && (z->width < t->width || z->height < t->height)) return D3DERR_INVALIDCALL;
        Assign(renderTarget_, t);
        Assign(depthTarget_, z);
        state_.viewport = {0, 0, t->width, t->height, 0.0f, 1.0f};
        return D3D_OK;
    });
}

Result RecordingDevice::GetRenderTarget(Surface** target) {
    if (target) *target = nullptr;
    size_t at = Record(CallKind::GetRenderTarget, {});
    return Run(at, [&]() -> Result {
        if (!target) return D3DERR_INVALIDCALL;
        renderTarget_->AddRef();
        *target = renderTarget_;
        Remember(log_[at], 0, renderTarget_->Identity());
        return D3D_OK;
    });
}

Result RecordingDevice::GetDepthStencilSurface(Surface** depth) {
    if (depth) *depth = nullptr;
    size_t at = Record(CallKind::GetDepthStencilSurface, {});
    return Run(at, [&]() -> Result {
        if (!depth) return D3DERR_INVALIDCALL;
        if (!depthTarget_) return D3DERR_NOTFOUND;
        depthTarget_->AddRef();
        *depth = depthTarget_;
        Remember(log_[at], 0, depthTarget_->Identity());
        return D3D_OK;
    });
}

// ---- Resources ----

Result RecordingDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                      Format format, Pool pool, Texture** texture) {
    if (texture) *texture = nullptr;
    size_t at = Record(CallKind::CreateTexture, {width, height, levels, usage, uint32_t(format), uint32_t(pool)});
    return Run(at, [&]() -> Result {
        if (!texture || !width || !height || width > config_.caps.MaxTextureWidth ||
            height > config_.caps.MaxTextureHeight || pool > D3DPOOL_SYSTEMMEM)
            return D3DERR_INVALIDCALL;
        bool rt = (usage & D3DUSAGE_RENDERTARGET) != 0;
        if (rt && (pool != D3DPOOL_DEFAULT || !IsRenderableColor(format))) return D3DERR_INVALIDCALL;
        if ((usage & D3DUSAGE_DEPTHSTENCIL) || !IsTextureFormat(format) || FormatRefused(format))
            return D3DERR_INVALIDCALL;
        uint32_t full = 1;
        for (uint32_t m = std::max(width, height); m > 1; m >>= 1) ++full;
        if (levels == 0 || levels > full) levels = full;
        if (rt) levels = 1;
        auto* t = new RecTexture(width, height, levels, usage, format);
        t->pool = pool;
        Adopt(t, "tex");
        Remember(log_[at], 0, t->Identity());
        *texture = t;
        return D3D_OK;
    });
}

Result RecordingDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, Pool pool,
                                           VertexBuffer** buffer) {
    if (buffer) *buffer = nullptr;
    size_t at = Record(CallKind::CreateVertexBuffer, {length, usage, fvf, uint32_t(pool)});
    return Run(at, [&]() -> Result {
        if (!buffer || length == 0 || length > (256u << 20) || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
        if (fvf && !ValidFvf(fvf)) return D3DERR_INVALIDCALL;
        auto* b = new RecVertexBuffer(length, usage, fvf);
        b->pool = pool;
        Adopt(b, "vb");
        Remember(log_[at], 0, b->Identity());
        *buffer = b;
        return D3D_OK;
    });
}

Result RecordingDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool,
                                          IndexBuffer** buffer) {
    if (buffer) *buffer = nullptr;
    size_t at = Record(CallKind::CreateIndexBuffer, {length, usage, uint32_t(format), uint32_t(pool)});
    return Run(at, [&]() -> Result {
        if (!buffer || length == 0 || length > (256u << 20) || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
        if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
        auto* b = new RecIndexBuffer(length, usage, format);
        b->pool = pool;
        Adopt(b, "ib");
        Remember(log_[at], 0, b->Identity());
        *buffer = b;
        return D3D_OK;
    });
}

Result RecordingDevice::CreateVertexShader(const uint32_t* declaration, const uint32_t* function, uint32_t* handle,
                                           uint32_t usage) {
    size_t at = Record(CallKind::CreateVertexShader, {usage});
    return Run(at, [&]() -> Result {
        std::vector<uint32_t> tokens;
        if (!declaration || !handle || function || !ParseDeclaration(declaration, &tokens))
            return D3DERR_INVALIDCALL;
        uint32_t h = (nextShader_++ << 1) | 1u;
        shaders_[h] = std::move(tokens);
        *handle = h;
        log_[at].args[1] = h;
        return D3D_OK;
    });
}

Result RecordingDevice::DeleteVertexShader(uint32_t handle) {
    size_t at = Record(CallKind::DeleteVertexShader, {handle});
    return Run(at, [&]() -> Result {
        auto it = shaders_.find(handle);
        if (it == shaders_.end()) return D3DERR_INVALIDCALL;
        shaders_.erase(it);
        if (state_.vertexShader == handle) state_.vertexShader = 0;
        return D3D_OK;
    });
}

}  // namespace gfx
