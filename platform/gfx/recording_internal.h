// Internals of the recording device; included only by platform/gfx/recording_*.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/recording_device.h"

namespace gfx {

namespace rec {

// ---- Formats ----
struct FormatShape {
    uint32_t unitBytes = 0;  // bytes per pixel, or per 4x4 block
    bool blocks = false;
    bool depth = false;
    bool stencil = false;
};
FormatShape ShapeOf(Format f);
bool KnownFormat(Format f);
bool IsDepthFormat(Format f);
uint32_t RowBytes(Format f, uint32_t width);
uint32_t RowCount(Format f, uint32_t height);
// The colour formats the OpenGL device renders into, and the texture formats it takes.
bool IsRenderableColor(Format f);
bool IsTextureFormat(Format f);
bool ValidRect(const Rect& r, uint32_t w, uint32_t h);
// Compressed formats lock and copy whole 4x4 blocks only.
bool BlockAligned(Format f, const Rect& r, uint32_t w, uint32_t h);
uint8_t* RectStart(uint8_t* bits, uint32_t pitch, Format f, const Rect& r);
// Fills a rectangle (already inside the surface) with a colour in the surface's format.
void FillRect(uint8_t* bits, uint32_t pitch, Format f, const Rect& r, Color color);
bool ValidFvf(uint32_t fvf);

template <typename T>
void Assign(T*& slot, T* value) {
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

// ---- Resources ----

// What every resource of the device shares: its device (null once the device is gone), pool,
// and a reference count of its own (texture levels count on their texture).
class Object {
public:
    virtual ~Object() {
        if (device) device->Forget(this);
    }
    // The interface pointer that the log and the names use.
    virtual const void* Identity() const = 0;

    RecordingDevice* device = nullptr;
    Pool pool = D3DPOOL_MANAGED;
    bool implicit = false;  // the device's own back buffer and depth surface
    uint32_t refs = 1;

protected:
    uint32_t AddOne() { return ++refs; }
    uint32_t DropOne() {
        if (refs == 0) return 0;
        uint32_t left = --refs;
        if (left == 0) delete this;
        return left;
    }
};

// Logs a call on a resource (when its device is alive) and runs it unless a failure is injected.
template <typename F>
Result ResourceCall(RecordingDevice* d, CallKind kind, std::initializer_list<uint32_t> args, const void* object,
                    F&& body) {
    if (!d) return body();
    size_t at = d->Record(kind, args, object);
    Result r;
    if (!d->TakeFailure(kind, &r)) r = body();
    return d->Finish(at, r);
}

class RecTexture;

class RecSurface final : public Surface, public Object {
public:
    enum class Kind { Image, Color, Depth, Level };

    RecSurface(Kind k, Format f, uint32_t w, uint32_t h, uint32_t u) : kind(k), format(f), width(w), height(h), usage(u) {
        if (k == Kind::Image || k == Kind::Color) pixels.assign(size_t(RowBytes(f, w)) * RowCount(f, h), 0);
    }
    RecSurface(RecTexture* t, uint32_t l);

    uint32_t AddRef() override;
    uint32_t Release() override;
    const void* Identity() const override { return static_cast<const Surface*>(this); }

    Result GetDesc(SurfaceDesc* desc) override {
        if (!desc) return D3DERR_INVALIDCALL;
        desc->Format = format;
        desc->Type = D3DRTYPE_SURFACE;
        desc->Usage = usage;
        desc->Pool = PoolOf();
        desc->Size = RowBytes(format, width) * RowCount(format, height);
        desc->MultiSampleType = D3DMULTISAMPLE_NONE;
        desc->Width = width;
        desc->Height = height;
        return D3D_OK;
    }

    Result LockRect(LockedRect* out, const Rect* rect, uint32_t flags) override {
        if (out) *out = LockedRect{};
        return ResourceCall(Dev(), CallKind::LockSurface, {flags}, Identity(), [&] { return LockNow(out, rect, flags); });
    }
    Result UnlockRect() override {
        return ResourceCall(Dev(), CallKind::UnlockSurface, {}, Identity(), [&] { return UnlockNow(); });
    }

    Result LockNow(LockedRect* out, const Rect* rect, uint32_t flags);
    Result UnlockNow();
    RecordingDevice* Dev() const;
    Pool PoolOf() const;
    bool IsRenderTarget() const;
    bool IsLocked() const;
    // Pixels (null for depth surfaces) and the distance between rows in bytes.
    uint8_t* Bits();
    uint32_t Pitch() const { return RowBytes(format, width); }

    Kind kind;
    Format format;
    uint32_t width, height, usage;
    std::vector<uint8_t> pixels;  // Image and Color surfaces
    RecTexture* owner = nullptr;  // Level surfaces
    uint32_t level = 0;
    bool locked = false;
};

class RecTexture final : public Texture, public Object {
public:
    RecTexture(uint32_t w, uint32_t h, uint32_t l, uint32_t u, Format f)
        : width(w), height(h), levels(l), usage(u), format(f), renderTarget((u & D3DUSAGE_RENDERTARGET) != 0) {
        levelData.resize(levels);
        for (uint32_t i = 0; i < levels; ++i)
            levelData[i].assign(size_t(RowBytes(f, LevelWidth(i))) * RowCount(f, LevelHeight(i)), 0);
        levelLocked.assign(levels, 0);
        surfaces.assign(levels, nullptr);
    }
    ~RecTexture() override {
        for (RecSurface* s : surfaces) delete s;
    }

    uint32_t AddRef() override { return AddOne(); }
    uint32_t Release() override { return DropOne(); }
    const void* Identity() const override { return static_cast<const Texture*>(this); }

    uint32_t GetLevelCount() override { return levels; }
    Result GetLevelDesc(uint32_t level, SurfaceDesc* desc) override {
        if (level >= levels || !desc) return D3DERR_INVALIDCALL;
        desc->Format = format;
        desc->Type = D3DRTYPE_SURFACE;
        desc->Usage = usage;
        desc->Pool = pool;
        desc->Size = RowBytes(format, LevelWidth(level)) * RowCount(format, LevelHeight(level));
        desc->MultiSampleType = D3DMULTISAMPLE_NONE;
        desc->Width = LevelWidth(level);
        desc->Height = LevelHeight(level);
        return D3D_OK;
    }
    Result GetSurfaceLevel(uint32_t level, Surface** surface) override {
        if (!surface) return D3DERR_INVALIDCALL;
        *surface = nullptr;
        if (level >= levels) return D3DERR_INVALIDCALL;
        if (!surfaces[level]) {
            surfaces[level] = new RecSurface(this, level);
            if (device)
                device->NameObject(surfaces[level]->Identity(),
                                   device->NameOf(Identity()) + "." + std::to_string(level));
        }
        AddRef();
        *surface = surfaces[level];
        return D3D_OK;
    }
    Result LockRect(uint32_t level, LockedRect* out, const Rect* rect, uint32_t flags) override {
        if (out) *out = LockedRect{};
        return ResourceCall(device, CallKind::LockTexture, {level, flags}, Identity(),
                            [&] { return LockNow(level, out, rect, flags); });
    }
    Result UnlockRect(uint32_t level) override {
        return ResourceCall(device, CallKind::UnlockTexture, {level}, Identity(), [&] { return UnlockNow(level); });
    }

    Result LockNow(uint32_t level, LockedRect* out, const Rect* rect, uint32_t) {
        // Render-target textures are drawn into, never locked (the OpenGL device keeps them on the card).
        if (level >= levels || !out || levelLocked[level] || renderTarget) return D3DERR_INVALIDCALL;
        uint32_t w = LevelWidth(level), h = LevelHeight(level);
        Rect r = rect ? *rect : Rect{0, 0, int32_t(w), int32_t(h)};
        if (!ValidRect(r, w, h) || !BlockAligned(format, r, w, h)) return D3DERR_INVALIDCALL;
        uint32_t pitch = RowBytes(format, w);
        out->Pitch = int32_t(pitch);
        out->pBits = RectStart(levelData[level].data(), pitch, format, r);
        levelLocked[level] = 1;
        return D3D_OK;
    }
    Result UnlockNow(uint32_t level) {
        if (level >= levels || !levelLocked[level]) return D3DERR_INVALIDCALL;
        levelLocked[level] = 0;
        return D3D_OK;
    }

    uint32_t LevelWidth(uint32_t l) const { return width >> l ? width >> l : 1; }
    uint32_t LevelHeight(uint32_t l) const { return height >> l ? height >> l : 1; }

    uint32_t width, height, levels, usage;
    Format format;
    bool renderTarget;
    std::vector<std::vector<uint8_t>> levelData;
    std::vector<uint8_t> levelLocked;
    std::vector<RecSurface*> surfaces;
};

// The bytes and lock count both buffer kinds keep.
struct RecBufferBytes {
    explicit RecBufferBytes(uint32_t len) : length(len), data(len, 0) {}

    Result LockRange(uint32_t offset, uint32_t size, uint8_t** out) {
        if (!out || offset > length) return D3DERR_INVALIDCALL;
        uint32_t n = size == 0 ? length - offset : size;
        if (n > length - offset) return D3DERR_INVALIDCALL;
        *out = data.data() + offset;
        ++lockCount;
        return D3D_OK;
    }
    Result UnlockRange() {
        if (lockCount == 0) return D3DERR_INVALIDCALL;
        --lockCount;
        return D3D_OK;
    }

    uint32_t length;
    std::vector<uint8_t> data;
    uint32_t lockCount = 0;
};

class RecVertexBuffer final : public VertexBuffer, public Object, public RecBufferBytes {
public:
    RecVertexBuffer(uint32_t len, uint32_t u, uint32_t f) : RecBufferBytes(len), usage(u), fvf(f) {}

    uint32_t AddRef() override { return AddOne(); }
    uint32_t Release() override { return DropOne(); }
    const void* Identity() const override { return static_cast<const VertexBuffer*>(this); }

    Result Lock(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags) override {
        if (out) *out = nullptr;
        return ResourceCall(device, CallKind::LockVertexBuffer, {offset, size, flags}, Identity(), [&]() -> Result { return LockRange(offset, size, out); });
    }
    Result Unlock() override {
        return ResourceCall(device, CallKind::UnlockVertexBuffer, {}, Identity(), [&]() -> Result { return UnlockRange(); });
    }
    Result GetDesc(VertexBufferDesc* desc) override {
        if (!desc) return D3DERR_INVALIDCALL;
        *desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
        return D3D_OK;
    }

    uint32_t usage, fvf;
};

class RecIndexBuffer final : public IndexBuffer, public Object, public RecBufferBytes {
public:
    RecIndexBuffer(uint32_t len, uint32_t u, Format f) : RecBufferBytes(len), usage(u), format(f) {}

    uint32_t AddRef() override { return AddOne(); }
    uint32_t Release() override { return DropOne(); }
    const void* Identity() const override { return static_cast<const IndexBuffer*>(this); }

    Result Lock(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags) override {
        if (out) *out = nullptr;
        return ResourceCall(device, CallKind::LockIndexBuffer, {offset, size, flags}, Identity(), [&]() -> Result { return LockRange(offset, size, out); });
    }
    Result Unlock() override {
        return ResourceCall(device, CallKind::UnlockIndexBuffer, {}, Identity(), [&]() -> Result { return UnlockRange(); });
    }
    Result GetDesc(IndexBufferDesc* desc) override {
        if (!desc) return D3DERR_INVALIDCALL;
        *desc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
        return D3D_OK;
    }

    uint32_t IndexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
    uint32_t Count() const { return length / IndexSize(); }

    uint32_t usage;
    Format format;
};

// The device's own texture or buffer behind an interface pointer, or null.
template <typename T, typename I>
T* Own(I* object, const RecordingDevice* device) {
    T* o = dynamic_cast<T*>(object);
    return o && o->device == device ? o : nullptr;
}

inline RecSurface* OwnSurface(Surface* s, const RecordingDevice* device) {
    auto* o = dynamic_cast<RecSurface*>(s);
    return o && o->Dev() == device ? o : nullptr;
}

}  // namespace rec

template <typename F>
Result RecordingDevice::Run(size_t at, F&& body) {
    Result r;
    if (!TakeFailure(log_[at].kind, &r)) r = body();
    return Finish(at, r);
}

}  // namespace gfx
