// Small stand-ins for the device's surfaces and textures, used through the device interface by
// the texture helpers and the screenshot tests. Rows are stored with extra padding so a reader
// that ignores the pitch gets the wrong pixels.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/device.h"

namespace imgtest {

constexpr int32_t kPitchPadding = 12;

inline uint32_t RowBytesOf(gfx::Format f, uint32_t width) {
    uint32_t unit = gfx::FormatUnitBytes(f);
    bool blocks = f == gfx::D3DFMT_DXT1 || f == gfx::D3DFMT_DXT3 || f == gfx::D3DFMT_DXT5;
    return blocks ? ((width + 3) / 4) * unit : width * unit;
}
inline uint32_t RowCountOf(gfx::Format f, uint32_t height) {
    bool blocks = f == gfx::D3DFMT_DXT1 || f == gfx::D3DFMT_DXT3 || f == gfx::D3DFMT_DXT5;
    return blocks ? (height + 3) / 4 : height;
}

// One level of storage: rows of RowBytesOf + padding.
struct Storage {
    gfx::Format format = gfx::D3DFMT_UNKNOWN;
    uint32_t width = 0, height = 0;
    int32_t pitch = 0;
    std::vector<uint8_t> bytes;
    int locks = 0;
    uint32_t lastLockFlags = 0;

    void Init(gfx::Format f, uint32_t w, uint32_t h) {
        format = f;
        width = w;
        height = h;
        pitch = int32_t(RowBytesOf(f, w)) + kPitchPadding;
        bytes.assign(size_t(pitch) * RowCountOf(f, h), 0xCD);
    }
    // The rows without their padding.
    std::vector<uint8_t> Packed() const {
        std::vector<uint8_t> out;
        uint32_t rb = RowBytesOf(format, width);
        for (uint32_t r = 0; r < RowCountOf(format, height); ++r)
            out.insert(out.end(), bytes.begin() + long(r) * pitch, bytes.begin() + long(r) * pitch + rb);
        return out;
    }
    std::vector<uint32_t> Argb() const {
        std::vector<uint32_t> out(size_t(width) * height);
        gfx::ConvertToArgb(bytes.data(), pitch, width, height, format, out.data());
        return out;
    }
};

class FakeSurface : public gfx::Surface {
public:
    FakeSurface(gfx::Format f, uint32_t w, uint32_t h) { own.Init(f, w, h); }
    explicit FakeSurface(Storage* shared) : storage(shared) {}
    Storage own;
    Storage* storage = &own;
    bool failLock = false;

    gfx::Result GetDesc(gfx::SurfaceDesc* d) override {
        *d = gfx::SurfaceDesc{};
        d->Format = storage->format;
        d->Type = gfx::D3DRTYPE_SURFACE;
        d->Width = storage->width;
        d->Height = storage->height;
        return gfx::D3D_OK;
    }
    gfx::Result LockRect(gfx::LockedRect* l, const gfx::Rect* rect, uint32_t flags) override {
        if (failLock || rect) return gfx::D3DERR_INVALIDCALL;
        ++storage->locks;
        storage->lastLockFlags = flags;
        l->Pitch = storage->pitch;
        l->pBits = storage->bytes.data();
        return gfx::D3D_OK;
    }
    gfx::Result UnlockRect() override {
        --storage->locks;
        return gfx::D3D_OK;
    }
};

class FakeTexture : public gfx::Texture {
public:
    FakeTexture(gfx::Format f, uint32_t w, uint32_t h, uint32_t levels) {
        for (uint32_t l = 0; l < levels; ++l) {
            Storage s;
            s.Init(f, std::max(1u, w >> l), std::max(1u, h >> l));
            level.push_back(s);
        }
    }
    std::vector<Storage> level;

    uint32_t GetLevelCount() override { return uint32_t(level.size()); }
    gfx::Result GetLevelDesc(uint32_t l, gfx::SurfaceDesc* d) override {
        if (l >= level.size()) return gfx::D3DERR_INVALIDCALL;
        *d = gfx::SurfaceDesc{};
        d->Format = level[l].format;
        d->Type = gfx::D3DRTYPE_SURFACE;
        d->Width = level[l].width;
        d->Height = level[l].height;
        return gfx::D3D_OK;
    }
    gfx::Result GetSurfaceLevel(uint32_t l, gfx::Surface** s) override {
        if (l >= level.size()) return gfx::D3DERR_INVALIDCALL;
        *s = new FakeSurface(&level[l]);
        return gfx::D3D_OK;
    }
    gfx::Result LockRect(uint32_t l, gfx::LockedRect* lr, const gfx::Rect* rect, uint32_t flags) override {
        if (l >= level.size() || rect) return gfx::D3DERR_INVALIDCALL;
        ++level[l].locks;
        level[l].lastLockFlags = flags;
        lr->Pitch = level[l].pitch;
        lr->pBits = level[l].bytes.data();
        return gfx::D3D_OK;
    }
    gfx::Result UnlockRect(uint32_t l) override {
        if (l >= level.size()) return gfx::D3DERR_INVALIDCALL;
        --level[l].locks;
        return gfx::D3D_OK;
    }
};

// Hands out fake textures and surfaces; remembers the last texture made (one extra reference
// held by the fake, dropped in its destructor).
class FakeDevice : public gfx::Device {
public:
    ~FakeDevice() override {
        if (lastTexture) lastTexture->Release();
        if (backBuffer) backBuffer->Release();
    }
    std::set<gfx::Format> refused;
    uint32_t maxTexture = 0;  // 0: no caps
    FakeTexture* lastTexture = nullptr;
    FakeSurface* backBuffer = nullptr;
    bool gammaSet = false;
    uint32_t gammaFlags = 0;
    gfx::GammaRamp gamma{};
    int textureCalls = 0;

    gfx::Result TestCooperativeLevel() override { return gfx::D3D_OK; }
    gfx::Result GetDeviceCaps(gfx::Caps* caps) override {
        if (!maxTexture) return gfx::D3DERR_INVALIDCALL;
        *caps = gfx::Caps{};
        caps->MaxTextureWidth = caps->MaxTextureHeight = maxTexture;
        return gfx::D3D_OK;
    }
    gfx::Result CreateTexture(uint32_t w, uint32_t h, uint32_t levels, uint32_t, gfx::Format f, gfx::Pool,
                              gfx::Texture** out) override {
        ++textureCalls;
        if (refused.count(f) || w == 0 || h == 0) return gfx::D3DERR_NOTAVAILABLE;
        if (levels == 0) levels = gfx::FullMipLevelCount(w, h);
        auto* t = new FakeTexture(f, w, h, levels);
        if (lastTexture) lastTexture->Release();
        lastTexture = t;
        t->AddRef();
        *out = t;
        return gfx::D3D_OK;
    }
    gfx::Result CreateImageSurface(uint32_t w, uint32_t h, gfx::Format f, gfx::Surface** out) override {
        *out = new FakeSurface(f, w, h);
        return gfx::D3D_OK;
    }
    gfx::Result GetBackBuffer(uint32_t index, gfx::BackBufferType, gfx::Surface** out) override {
        if (index != 0 || !backBuffer) return gfx::D3DERR_INVALIDCALL;
        backBuffer->AddRef();
        *out = backBuffer;
        return gfx::D3D_OK;
    }
    void SetGammaRamp(uint32_t flags, const gfx::GammaRamp* ramp) override {
        gammaSet = true;
        gammaFlags = flags;
        gamma = *ramp;
    }
};

}  // namespace imgtest
