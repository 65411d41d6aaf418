// The recording device: state, in-memory resources, the call log and its text.
#include "platform/gfx/recording_device.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <cstring>

#include "platform/gfx/d3dx_helpers.h"

namespace gfx {

namespace {

Matrix IdentityMatrix() {
    Matrix m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

const Matrix kIdentity = IdentityMatrix();

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

bool IsIdentity(const Matrix& m) { return std::memcmp(&m, &kIdentity, sizeof(Matrix)) == 0; }

// ---- Formats ----

struct FormatShape {
    uint32_t unitBytes = 0;  // bytes per pixel, or per 4x4 block
    bool blocks = false;
    bool depth = false;
    bool stencil = false;
};

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

// The colour formats the OpenGL device renders into.
bool IsRenderableColor(Format f) {
    switch (f) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_R5G6B5: case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4:
        return true;
    default: return false;
    }
}

// The texture formats the OpenGL device takes.
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

// Compressed formats lock and copy whole 4x4 blocks only.
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

// Fills a rectangle (already inside the surface) with a colour in the surface's format.
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

uint32_t VertexCountOf(PrimitiveType type, uint32_t primitives) {
    switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
    default: return 0;
    }
}

bool ValidFvf(uint32_t fvf) { return ((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) <= 8; }

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

void SetDefaultState(RecordingState& s, bool zEnable, uint32_t width, uint32_t height) {
    FillDefaultRenderStates(s.renderStates, zEnable);
    for (uint32_t i = 0; i < kMaxTextureStages; ++i) FillDefaultStageStates(i, s.stageStates[i]);
    for (auto& m : s.transforms) m = kIdentity;
    s.viewport = {0, 0, width, height, 0.0f, 1.0f};
    s.material = Material{};
    for (auto& l : s.lights) l = RecordingLight{};
    std::memset(s.clipPlanes, 0, sizeof(s.clipPlanes));
    s.vertexShader = 0;
    std::memset(s.strides, 0, sizeof(s.strides));
    s.baseVertexIndex = 0;
}

template <typename T>
void Assign(T*& slot, T* value) {
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

}  // namespace

// ---- Resources ----

namespace rec {

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

}  // namespace rec

using rec::RecIndexBuffer;
using rec::RecSurface;
using rec::RecTexture;
using rec::RecVertexBuffer;

namespace {

uint32_t ReadIndex(const uint8_t* p, uint32_t size) {
    if (size == 4) return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8);
}

// The device's own surface, texture, or buffer behind an interface pointer, or null.
template <typename T, typename I>
T* Own(I* object, const RecordingDevice* device) {
    T* o = dynamic_cast<T*>(object);
    return o && o->device == device ? o : nullptr;
}

RecSurface* OwnSurface(Surface* s, const RecordingDevice* device) {
    auto* o = dynamic_cast<RecSurface*>(s);
    return o && o->Dev() == device ? o : nullptr;
}

}  // namespace

// ---- State masks and blocks ----

struct RecordingDevice::Mask {
    std::bitset<kRenderStateCount> rs;
    std::bitset<kMaxTextureStages * kTextureStageStateCount> tss;
    std::bitset<kMaxTextureStages> textures;
    std::bitset<kRecordingTransformSlots> xf;
    bool viewport = false, material = false, shader = false, indices = false;
    std::bitset<kMaxLights> lights;       // the light record
    std::bitset<kMaxLights> lightEnable;  // the enable flag
    std::bitset<kRecordingClipPlanes> clip;
    std::bitset<kRecordingStreams> streams;

    void SetAll() {
        rs.set();
        tss.set();
        textures.set();
        xf.set();
        viewport = material = shader = indices = true;
        lights.set();
        lightEnable.set();
        clip.set();
        streams.set();
    }
    void SetPixel() {
        for (uint32_t s = 0; s < kRenderStateCount; ++s)
            if (IsPixelRenderState(s)) rs.set(s);
        for (uint32_t i = 0; i < kMaxTextureStages; ++i)
            for (uint32_t t = 1; t < kTextureStageStateCount; ++t)
                if (!IsVertexStageState(t)) tss.set(i * kTextureStageStateCount + t);
    }
    void SetVertex() {
        for (uint32_t s = 0; s < kRenderStateCount; ++s)
            if (IsVertexRenderState(s)) rs.set(s);
        for (uint32_t i = 0; i < kMaxTextureStages; ++i) {
            tss.set(i * kTextureStageStateCount + D3DTSS_TEXCOORDINDEX);
            tss.set(i * kTextureStageStateCount + D3DTSS_TEXTURETRANSFORMFLAGS);
        }
        lights.set();
        lightEnable.set();
        shader = true;
    }
};

struct RecordingDevice::Block {
    RecordingState state;
    Mask mask;
};

// ---- Public helpers ----

int RecordingTransformSlot(TransformStateType t) {
    uint32_t v = t;
    if (v == D3DTS_VIEW) return 0;
    if (v == D3DTS_PROJECTION) return 1;
    if (v >= D3DTS_TEXTURE0 && v <= D3DTS_TEXTURE7) return int(2 + v - D3DTS_TEXTURE0);
    if (v >= D3DTS_WORLD && v < D3DTS_WORLD + 256) return int(2 + kMaxTextureStages + v - D3DTS_WORLD);
    return -1;
}

const Matrix& RecordingState::Transform(TransformStateType t) const {
    int slot = RecordingTransformSlot(t);
    return slot < 0 ? kIdentity : transforms[slot];
}

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
    c.MaxUserClipPlanes = kRecordingClipPlanes;
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

void RecordingDevice::ReleaseStateRefs(RecordingState& s, const Mask* mask) {
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        if (!mask || mask->textures.test(i)) Assign(s.textures[i], static_cast<Texture*>(nullptr));
    for (uint32_t i = 0; i < kRecordingStreams; ++i)
        if (!mask || mask->streams.test(i)) Assign(s.streams[i], static_cast<VertexBuffer*>(nullptr));
    if (!mask || mask->indices) Assign(s.indices, static_cast<IndexBuffer*>(nullptr));
}

void RecordingDevice::ResetState() {
    ReleaseStateRefs(st_, nullptr);
    const PresentParameters& pp = params_.present;
    SetDefaultState(st_, pp.EnableAutoDepthStencil != 0, pp.BackBufferWidth, pp.BackBufferHeight);
    drawStates_.reset();
}

RecordingDevice::~RecordingDevice() {
    if (recording_) {
        ReleaseStateRefs(recording_->state, &recording_->mask);
        delete recording_;
        recording_ = nullptr;
    }
    for (auto& [token, block] : blocks_) {
        ReleaseStateRefs(block->state, &block->mask);
        delete block;
    }
    blocks_.clear();
    ReleaseStateRefs(st_, nullptr);
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

// ---- The log ----

size_t RecordingDevice::Record(CallKind kind, std::initializer_list<uint32_t> args, const void* object) {
    Call c;
    c.kind = kind;
    size_t i = 0;
    for (uint32_t a : args)
        if (i < 6) c.args[i++] = a;
    log_.push_back(c);
    if (object) Remember(log_.back(), 0, object);
    return log_.size() - 1;
}

void RecordingDevice::Remember(Call& call, int slot, const void* object) {
    call.objects[slot] = object;
    auto it = object ? ids_.find(object) : ids_.end();
    call.objectIds[slot] = it == ids_.end() ? 0 : it->second;
}

bool RecordingDevice::TakeFailure(CallKind kind, Result* result) {
    for (size_t i = 0; i < failures_.size(); ++i) {
        Failure& f = failures_[i];
        if (f.kind != kind) continue;
        if (f.skip > 0) {
            --f.skip;
            return false;
        }
        *result = f.result;
        if (--f.count == 0) failures_.erase(failures_.begin() + ptrdiff_t(i));
        return true;
    }
    return false;
}

Result RecordingDevice::Finish(size_t at, Result result) {
    log_[at].result = result;
    return result;
}

template <typename F>
Result RecordingDevice::Run(size_t at, F&& body) {
    Result r;
    if (!TakeFailure(log_[at].kind, &r)) r = body();
    return Finish(at, r);
}

void RecordingDevice::FailNext(CallKind kind, Result result, uint32_t count, uint32_t skip) {
    if (count == 0) return;
    failures_.push_back({kind, result, count, skip});
}

void RecordingDevice::ClearLog() {
    log_.clear();
    draws_.clear();
}

size_t RecordingDevice::CountCalls(CallKind kind) const {
    return size_t(std::count_if(log_.begin(), log_.end(), [kind](const Call& c) { return c.kind == kind; }));
}

std::vector<Call> RecordingDevice::CallsOf(CallKind kind) const {
    std::vector<Call> out;
    for (const Call& c : log_)
        if (c.kind == kind) out.push_back(c);
    return out;
}

size_t RecordingDevice::FindCall(CallKind kind, size_t from) const {
    for (size_t i = from; i < log_.size(); ++i)
        if (log_[i].kind == kind) return i;
    return npos;
}

std::vector<uint32_t> RecordingDevice::RenderStateSends(RenderStateType state) const {
    std::vector<uint32_t> out;
    for (const Call& c : log_)
        if (c.kind == CallKind::SetRenderState && c.args[0] == state) out.push_back(c.args[1]);
    return out;
}

std::vector<uint32_t> RecordingDevice::StageStateSends(uint32_t stage, TextureStageStateType type) const {
    std::vector<uint32_t> out;
    for (const Call& c : log_)
        if (c.kind == CallKind::SetTextureStageState && c.args[0] == stage && c.args[1] == type)
            out.push_back(c.args[2]);
    return out;
}

std::string RecordingDevice::NameOf(const void* object) const {
    if (!object) return "null";
    auto it = ids_.find(object);
    return it == ids_.end() ? "foreign" : names_[it->second];
}

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
        if (recording_) return D3DERR_INVALIDCALL;
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
        const Viewport& vp = st_.viewport;
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
            const uint32_t* t = st_.stageStates[i];
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
        st_.viewport = {0, 0, t->width, t->height, 0.0f, 1.0f};
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
        if (st_.vertexShader == handle) st_.vertexShader = 0;
        return D3D_OK;
    });
}

// ---- Transforms, viewport, lights, material, clip planes ----

RecordingState& RecordingDevice::Writable(Mask** mask) {
    if (recording_) {
        *mask = &recording_->mask;
        return recording_->state;
    }
    *mask = nullptr;
    drawStates_.reset();
    return st_;
}

Result RecordingDevice::SetTransform(TransformStateType state, const Matrix* matrix) {
    size_t at = Record(CallKind::SetTransform, {uint32_t(state)});
    if (matrix) log_[at].matrix = *matrix;
    return Run(at, [&]() -> Result {
        int slot = RecordingTransformSlot(state);
        if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        s.transforms[slot] = *matrix;
        if (mask) mask->xf.set(size_t(slot));
        return D3D_OK;
    });
}

Result RecordingDevice::GetTransform(TransformStateType state, Matrix* matrix) {
    size_t at = Record(CallKind::GetTransform, {uint32_t(state)});
    return Run(at, [&]() -> Result {
        int slot = RecordingTransformSlot(state);
        if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
        *matrix = st_.transforms[slot];
        log_[at].matrix = *matrix;
        return D3D_OK;
    });
}

Result RecordingDevice::MultiplyTransform(TransformStateType state, const Matrix* matrix) {
    size_t at = Record(CallKind::MultiplyTransform, {uint32_t(state)});
    if (matrix) log_[at].matrix = *matrix;
    return Run(at, [&]() -> Result {
        int slot = RecordingTransformSlot(state);
        if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
        Matrix m = Multiply(*matrix, st_.transforms[slot]);
        Mask* mask;
        RecordingState& s = Writable(&mask);
        s.transforms[slot] = m;
        if (mask) mask->xf.set(size_t(slot));
        return D3D_OK;
    });
}

Result RecordingDevice::SetViewport(const Viewport* viewport) {
    size_t at = viewport ? Record(CallKind::SetViewport, {viewport->X, viewport->Y, viewport->Width, viewport->Height})
                         : Record(CallKind::SetViewport, {});
    if (viewport) {
        log_[at].values[0] = viewport->MinZ;
        log_[at].values[1] = viewport->MaxZ;
    }
    return Run(at, [&]() -> Result {
        if (!viewport || viewport->Width == 0 || viewport->Height == 0) return D3DERR_INVALIDCALL;
        if (!(viewport->MinZ >= 0.0f && viewport->MaxZ <= 1.0f && viewport->MinZ <= viewport->MaxZ))
            return D3DERR_INVALIDCALL;
        // The viewport must lie inside the render target, as the classic device demands.
        if (!recording_ && (uint64_t(viewport->X) + viewport->Width > renderTarget_->width ||
                            uint64_t(viewport->Y) + viewport->Height > renderTarget_->height))
            return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        s.viewport = *viewport;
        if (mask) mask->viewport = true;
        return D3D_OK;
    });
}

Result RecordingDevice::GetViewport(Viewport* viewport) {
    size_t at = Record(CallKind::GetViewport, {});
    return Run(at, [&]() -> Result {
        if (!viewport) return D3DERR_INVALIDCALL;
        *viewport = st_.viewport;
        return D3D_OK;
    });
}

Result RecordingDevice::SetMaterial(const Material* material) {
    size_t at = Record(CallKind::SetMaterial, {});
    if (material) {
        const ColorValue& d = material->Diffuse;
        log_[at].values[0] = d.r;
        log_[at].values[1] = d.g;
        log_[at].values[2] = d.b;
        log_[at].values[3] = d.a;
    }
    return Run(at, [&]() -> Result {
        if (!material) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        s.material = *material;
        if (mask) mask->material = true;
        return D3D_OK;
    });
}

Result RecordingDevice::GetMaterial(Material* material) {
    size_t at = Record(CallKind::GetMaterial, {});
    return Run(at, [&]() -> Result {
        if (!material) return D3DERR_INVALIDCALL;
        *material = st_.material;
        return D3D_OK;
    });
}

Result RecordingDevice::SetLight(uint32_t index, const Light* light) {
    size_t at = Record(CallKind::SetLight, {index, light ? uint32_t(light->Type) : 0u});
    return Run(at, [&]() -> Result {
        if (index >= kMaxLights || !light) return D3DERR_INVALIDCALL;
        if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        s.lights[index].light = *light;
        if (mask) mask->lights.set(index);
        return D3D_OK;
    });
}

Result RecordingDevice::GetLight(uint32_t index, Light* light) {
    size_t at = Record(CallKind::GetLight, {index});
    return Run(at, [&]() -> Result {
        if (index >= kMaxLights || !light) return D3DERR_INVALIDCALL;
        *light = st_.lights[index].light;
        return D3D_OK;
    });
}

Result RecordingDevice::LightEnable(uint32_t index, bool enable) {
    size_t at = Record(CallKind::LightEnable, {index, uint32_t(enable)});
    return Run(at, [&]() -> Result {
        if (index >= kMaxLights) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        // A light enabled without ever being set is the default white directional light.
        if (enable && s.lights[index].light.Type == 0) {
            s.lights[index].light = DefaultLight();
            if (mask) mask->lights.set(index);
        }
        s.lights[index].enabled = enable;
        if (mask) mask->lightEnable.set(index);
        return D3D_OK;
    });
}

Result RecordingDevice::GetLightEnable(uint32_t index, bool* enable) {
    size_t at = Record(CallKind::GetLightEnable, {index});
    return Run(at, [&]() -> Result {
        if (index >= kMaxLights || !enable) return D3DERR_INVALIDCALL;
        *enable = st_.lights[index].enabled;
        return D3D_OK;
    });
}

Result RecordingDevice::SetClipPlane(uint32_t index, const float* plane) {
    size_t at = Record(CallKind::SetClipPlane, {index});
    if (plane) std::copy_n(plane, 4, log_[at].values);
    return Run(at, [&]() -> Result {
        if (index >= kRecordingClipPlanes || !plane) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        std::copy_n(plane, 4, s.clipPlanes[index]);
        if (mask) mask->clip.set(index);
        return D3D_OK;
    });
}

Result RecordingDevice::GetClipPlane(uint32_t index, float* plane) {
    size_t at = Record(CallKind::GetClipPlane, {index});
    return Run(at, [&]() -> Result {
        if (index >= kRecordingClipPlanes || !plane) return D3DERR_INVALIDCALL;
        std::copy_n(st_.clipPlanes[index], 4, plane);
        return D3D_OK;
    });
}

// ---- Render states and texture stages ----

Result RecordingDevice::SetRenderState(RenderStateType state, uint32_t value) {
    size_t at = Record(CallKind::SetRenderState, {uint32_t(state), value});
    return Run(at, [&]() -> Result {
        if (uint32_t(state) >= kRenderStateCount) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        s.renderStates[state] = value;
        if (mask) mask->rs.set(state);
        return D3D_OK;
    });
}

Result RecordingDevice::GetRenderState(RenderStateType state, uint32_t* value) {
    size_t at = Record(CallKind::GetRenderState, {uint32_t(state)});
    return Run(at, [&]() -> Result {
        if (uint32_t(state) >= kRenderStateCount || !value) return D3DERR_INVALIDCALL;
        *value = st_.renderStates[state];
        log_[at].args[1] = *value;
        return D3D_OK;
    });
}

Result RecordingDevice::SetTexture(uint32_t stage, Texture* texture) {
    size_t at = Record(CallKind::SetTexture, {stage}, texture);
    return Run(at, [&]() -> Result {
        if (stage >= kMaxTextureStages) return D3DERR_INVALIDCALL;
        if (texture && !Own<RecTexture>(texture, this)) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        Assign(s.textures[stage], texture);
        if (mask) mask->textures.set(stage);
        return D3D_OK;
    });
}

Result RecordingDevice::GetTexture(uint32_t stage, Texture** texture) {
    if (texture) *texture = nullptr;
    size_t at = Record(CallKind::GetTexture, {stage});
    return Run(at, [&]() -> Result {
        if (stage >= kMaxTextureStages || !texture) return D3DERR_INVALIDCALL;
        *texture = st_.textures[stage];
        if (*texture) (*texture)->AddRef();
        Remember(log_[at], 0, *texture);
        return D3D_OK;
    });
}

Result RecordingDevice::SetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t value) {
    size_t at = Record(CallKind::SetTextureStageState, {stage, uint32_t(type), value});
    return Run(at, [&]() -> Result {
        if (stage >= kMaxTextureStages || uint32_t(type) >= kTextureStageStateCount) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        s.stageStates[stage][type] = value;
        if (mask) mask->tss.set(stage * kTextureStageStateCount + type);
        return D3D_OK;
    });
}

Result RecordingDevice::GetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t* value) {
    size_t at = Record(CallKind::GetTextureStageState, {stage, uint32_t(type)});
    return Run(at, [&]() -> Result {
        if (stage >= kMaxTextureStages || uint32_t(type) >= kTextureStageStateCount || !value)
            return D3DERR_INVALIDCALL;
        *value = st_.stageStates[stage][type];
        log_[at].args[2] = *value;
        return D3D_OK;
    });
}

// ---- State blocks ----

Result RecordingDevice::CreateStateBlock(StateBlockType type, uint32_t* token) {
    size_t at = Record(CallKind::CreateStateBlock, {uint32_t(type)});
    return Run(at, [&]() -> Result {
        if (!token || recording_) return D3DERR_INVALIDCALL;
        auto* b = new Block();
        switch (type) {
        case D3DSBT_ALL: b->mask.SetAll(); break;
        case D3DSBT_PIXELSTATE: b->mask.SetPixel(); break;
        case D3DSBT_VERTEXSTATE: b->mask.SetVertex(); break;
        default: delete b; return D3DERR_INVALIDCALL;
        }
        // The new block starts with the current values.
        CaptureInto(*b);
        uint32_t t = nextBlock_++;
        blocks_[t] = b;
        *token = t;
        log_[at].args[1] = t;
        return D3D_OK;
    });
}

Result RecordingDevice::BeginStateBlock() {
    size_t at = Record(CallKind::BeginStateBlock, {});
    return Run(at, [&]() -> Result {
        if (recording_) return D3DERR_INVALIDCALL;
        recording_ = new Block();
        return D3D_OK;
    });
}

Result RecordingDevice::EndStateBlock(uint32_t* token) {
    size_t at = Record(CallKind::EndStateBlock, {});
    return Run(at, [&]() -> Result {
        if (!token || !recording_) return D3DERR_INVALIDCALL;
        uint32_t t = nextBlock_++;
        blocks_[t] = recording_;
        recording_ = nullptr;
        *token = t;
        log_[at].args[0] = t;
        return D3D_OK;
    });
}

Result RecordingDevice::CaptureStateBlock(uint32_t token) {
    size_t at = Record(CallKind::CaptureStateBlock, {token});
    return Run(at, [&]() -> Result {
        auto it = blocks_.find(token);
        if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
        CaptureInto(*it->second);
        return D3D_OK;
    });
}

void RecordingDevice::CaptureInto(Block& b) {
    const Mask& m = b.mask;
    RecordingState& d = b.state;
    for (uint32_t i = 0; i < kRenderStateCount; ++i)
        if (m.rs.test(i)) d.renderStates[i] = st_.renderStates[i];
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        for (uint32_t t = 0; t < kTextureStageStateCount; ++t)
            if (m.tss.test(i * kTextureStageStateCount + t)) d.stageStates[i][t] = st_.stageStates[i][t];
    for (uint32_t i = 0; i < kMaxTextureStages; ++i)
        if (m.textures.test(i)) Assign(d.textures[i], st_.textures[i]);
    for (uint32_t i = 0; i < kRecordingTransformSlots; ++i)
        if (m.xf.test(i)) d.transforms[i] = st_.transforms[i];
    if (m.viewport) d.viewport = st_.viewport;
    if (m.material) d.material = st_.material;
    for (uint32_t i = 0; i < kMaxLights; ++i) {
        if (m.lights.test(i)) d.lights[i].light = st_.lights[i].light;
        if (m.lightEnable.test(i)) d.lights[i].enabled = st_.lights[i].enabled;
    }
    for (uint32_t i = 0; i < kRecordingClipPlanes; ++i)
        if (m.clip.test(i)) std::copy_n(st_.clipPlanes[i], 4, d.clipPlanes[i]);
    if (m.shader) d.vertexShader = st_.vertexShader;
    for (uint32_t i = 0; i < kRecordingStreams; ++i)
        if (m.streams.test(i)) {
            Assign(d.streams[i], st_.streams[i]);
            d.strides[i] = st_.strides[i];
        }
    if (m.indices) {
        Assign(d.indices, st_.indices);
        d.baseVertexIndex = st_.baseVertexIndex;
    }
}

Result RecordingDevice::ApplyStateBlock(uint32_t token) {
    size_t at = Record(CallKind::ApplyStateBlock, {token});
    return Run(at, [&]() -> Result {
        auto it = blocks_.find(token);
        if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
        const Block& b = *it->second;
        const Mask& m = b.mask;
        const RecordingState& d = b.state;
        drawStates_.reset();
        for (uint32_t i = 0; i < kRenderStateCount; ++i)
            if (m.rs.test(i)) st_.renderStates[i] = d.renderStates[i];
        for (uint32_t i = 0; i < kMaxTextureStages; ++i)
            for (uint32_t t = 0; t < kTextureStageStateCount; ++t)
                if (m.tss.test(i * kTextureStageStateCount + t)) st_.stageStates[i][t] = d.stageStates[i][t];
        // Resources whose device went away are not bound again.
        for (uint32_t i = 0; i < kMaxTextureStages; ++i)
            if (m.textures.test(i))
                Assign(st_.textures[i], d.textures[i] && Own<RecTexture>(d.textures[i], this) ? d.textures[i] : nullptr);
        for (uint32_t i = 0; i < kRecordingTransformSlots; ++i)
            if (m.xf.test(i)) st_.transforms[i] = d.transforms[i];
        if (m.viewport) st_.viewport = d.viewport;
        if (m.material) st_.material = d.material;
        for (uint32_t i = 0; i < kMaxLights; ++i) {
            if (m.lights.test(i)) st_.lights[i].light = d.lights[i].light;
            if (m.lightEnable.test(i)) st_.lights[i].enabled = d.lights[i].enabled;
        }
        for (uint32_t i = 0; i < kRecordingClipPlanes; ++i)
            if (m.clip.test(i)) std::copy_n(d.clipPlanes[i], 4, st_.clipPlanes[i]);
        if (m.shader) st_.vertexShader = d.vertexShader;
        for (uint32_t i = 0; i < kRecordingStreams; ++i)
            if (m.streams.test(i)) {
                VertexBuffer* v = d.streams[i] && Own<RecVertexBuffer>(d.streams[i], this) ? d.streams[i] : nullptr;
                Assign(st_.streams[i], v);
                st_.strides[i] = d.strides[i];
            }
        if (m.indices) {
            IndexBuffer* ib = d.indices && Own<RecIndexBuffer>(d.indices, this) ? d.indices : nullptr;
            Assign(st_.indices, ib);
            st_.baseVertexIndex = d.baseVertexIndex;
        }
        return D3D_OK;
    });
}

Result RecordingDevice::DeleteStateBlock(uint32_t token) {
    size_t at = Record(CallKind::DeleteStateBlock, {token});
    return Run(at, [&]() -> Result {
        auto it = blocks_.find(token);
        if (it == blocks_.end() || recording_) return D3DERR_INVALIDCALL;
        ReleaseStateRefs(it->second->state, &it->second->mask);
        delete it->second;
        blocks_.erase(it);
        return D3D_OK;
    });
}

// ---- Vertex input and drawing ----

Result RecordingDevice::SetVertexShader(uint32_t handle) {
    size_t at = Record(CallKind::SetVertexShader, {handle});
    return Run(at, [&]() -> Result {
        if (handle & 1u) {
            if (!shaders_.count(handle)) return D3DERR_INVALIDCALL;
        } else if (!ValidFvf(handle)) {
            return D3DERR_INVALIDCALL;
        }
        Mask* mask;
        RecordingState& s = Writable(&mask);
        s.vertexShader = handle;
        if (mask) mask->shader = true;
        return D3D_OK;
    });
}

Result RecordingDevice::GetVertexShader(uint32_t* handle) {
    size_t at = Record(CallKind::GetVertexShader, {});
    return Run(at, [&]() -> Result {
        if (!handle) return D3DERR_INVALIDCALL;
        *handle = st_.vertexShader;
        log_[at].args[0] = *handle;
        return D3D_OK;
    });
}

Result RecordingDevice::SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride) {
    size_t at = Record(CallKind::SetStreamSource, {stream, stride}, buffer);
    return Run(at, [&]() -> Result {
        if (stream >= kRecordingStreams) return D3DERR_INVALIDCALL;
        if (buffer && !Own<RecVertexBuffer>(buffer, this)) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        Assign(s.streams[stream], buffer);
        s.strides[stream] = stride;
        if (mask) mask->streams.set(stream);
        return D3D_OK;
    });
}

Result RecordingDevice::GetStreamSource(uint32_t stream, VertexBuffer** buffer, uint32_t* stride) {
    if (buffer) *buffer = nullptr;
    size_t at = Record(CallKind::GetStreamSource, {stream});
    return Run(at, [&]() -> Result {
        if (stream >= kRecordingStreams || !buffer || !stride) return D3DERR_INVALIDCALL;
        *buffer = st_.streams[stream];
        if (*buffer) (*buffer)->AddRef();
        *stride = st_.strides[stream];
        Remember(log_[at], 0, *buffer);
        log_[at].args[1] = *stride;
        return D3D_OK;
    });
}

Result RecordingDevice::SetIndices(IndexBuffer* buffer, uint32_t baseVertexIndex) {
    size_t at = Record(CallKind::SetIndices, {baseVertexIndex}, buffer);
    return Run(at, [&]() -> Result {
        if (buffer && !Own<RecIndexBuffer>(buffer, this)) return D3DERR_INVALIDCALL;
        Mask* mask;
        RecordingState& s = Writable(&mask);
        Assign(s.indices, buffer);
        s.baseVertexIndex = baseVertexIndex;
        if (mask) mask->indices = true;
        return D3D_OK;
    });
}

Result RecordingDevice::GetIndices(IndexBuffer** buffer, uint32_t* baseVertexIndex) {
    if (buffer) *buffer = nullptr;
    size_t at = Record(CallKind::GetIndices, {});
    return Run(at, [&]() -> Result {
        if (!buffer || !baseVertexIndex) return D3DERR_INVALIDCALL;
        *buffer = st_.indices;
        if (*buffer) (*buffer)->AddRef();
        *baseVertexIndex = st_.baseVertexIndex;
        Remember(log_[at], 0, *buffer);
        log_[at].args[0] = *baseVertexIndex;
        return D3D_OK;
    });
}

// Records a successful draw with the state it drew with.
Result RecordingDevice::Draw(size_t at, PrimitiveType type, uint32_t primitiveCount, DrawRecord&& record) {
    if (!drawStates_) {
        auto s = std::make_shared<DrawStates>();
        std::memcpy(s->renderStates, st_.renderStates, sizeof(s->renderStates));
        std::memcpy(s->stageStates, st_.stageStates, sizeof(s->stageStates));
        drawStates_ = std::move(s);
    }
    record.type = type;
    record.primitiveCount = primitiveCount;
    record.kind = log_[at].kind;
    record.vertexShader = st_.vertexShader;
    for (uint32_t i = 0; i < kMaxTextureStages; ++i) record.textures[i] = st_.textures[i];
    record.world = st_.transforms[RecordingTransformSlot(D3DTS_WORLD)];
    record.states = drawStates_;
    record.callIndex = at;
    log_[at].draw = int32_t(draws_.size());
    draws_.push_back(std::move(record));
    ++counters_.draws;
    counters_.primitives += primitiveCount;
    return D3D_OK;
}

Result RecordingDevice::DrawPrimitive(PrimitiveType type, uint32_t startVertex, uint32_t primitiveCount) {
    size_t at = Record(CallKind::DrawPrimitive, {uint32_t(type), startVertex, primitiveCount});
    return Run(at, [&]() -> Result {
        const uint32_t n = VertexCountOf(type, primitiveCount);
        if (!inScene_ || primitiveCount == 0 || n == 0 || st_.vertexShader == 0) return D3DERR_INVALIDCALL;
        auto* vb = static_cast<RecVertexBuffer*>(st_.streams[0]);
        const uint32_t stride = st_.strides[0];
        if (!vb || stride == 0 || (uint64_t(startVertex) + n) * stride > vb->length) return D3DERR_INVALIDCALL;
        DrawRecord d;
        d.vertexCount = n;
        d.startVertex = startVertex;
        d.stream0 = vb;
        d.stride = stride;
        d.indices = st_.indices;
        d.baseVertexIndex = st_.baseVertexIndex;
        return Draw(at, type, primitiveCount, std::move(d));
    });
}

Result RecordingDevice::DrawIndexedPrimitive(PrimitiveType type, uint32_t minIndex, uint32_t numVertices,
                                             uint32_t startIndex, uint32_t primitiveCount) {
    size_t at =
        Record(CallKind::DrawIndexedPrimitive, {uint32_t(type), minIndex, numVertices, startIndex, primitiveCount});
    return Run(at, [&]() -> Result {
        const uint32_t n = VertexCountOf(type, primitiveCount);
        if (!inScene_ || primitiveCount == 0 || n == 0 || numVertices == 0 || st_.vertexShader == 0)
            return D3DERR_INVALIDCALL;
        auto* vb = static_cast<RecVertexBuffer*>(st_.streams[0]);
        auto* ib = static_cast<RecIndexBuffer*>(st_.indices);
        const uint32_t stride = st_.strides[0];
        if (!vb || !ib || stride == 0) return D3DERR_INVALIDCALL;
        const uint64_t vertices = vb->length / stride;
        const uint64_t base = st_.baseVertexIndex;
        if (uint64_t(startIndex) + n > ib->Count()) return D3DERR_INVALIDCALL;
        if (base + minIndex + numVertices > vertices) return D3DERR_INVALIDCALL;
        // Every index must reach a vertex of the buffer.
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t index = ReadIndex(&ib->data[size_t(startIndex + i) * ib->IndexSize()], ib->IndexSize());
            if (base + index >= vertices) return D3DERR_INVALIDCALL;
        }
        DrawRecord d;
        d.vertexCount = n;
        d.minIndex = minIndex;
        d.numVertices = numVertices;
        d.startIndex = startIndex;
        d.stream0 = vb;
        d.stride = stride;
        d.indices = ib;
        d.baseVertexIndex = st_.baseVertexIndex;
        return Draw(at, type, primitiveCount, std::move(d));
    });
}

Result RecordingDevice::DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertexData,
                                        uint32_t vertexStride) {
    size_t at = Record(CallKind::DrawPrimitiveUP, {uint32_t(type), primitiveCount, vertexStride});
    return Run(at, [&]() -> Result {
        const uint32_t n = VertexCountOf(type, primitiveCount);
        if (!inScene_ || primitiveCount == 0 || n == 0 || st_.vertexShader == 0 || !vertexData || vertexStride == 0)
            return D3DERR_INVALIDCALL;
        DrawRecord d;
        d.vertexCount = n;
        d.stride = vertexStride;
        auto* p = static_cast<const uint8_t*>(vertexData);
        d.vertexData.assign(p, p + size_t(n) * vertexStride);
        // Bindings stay as they were, as on the OpenGL device.
        return Draw(at, type, primitiveCount, std::move(d));
    });
}

Result RecordingDevice::DrawIndexedPrimitiveUP(PrimitiveType type, uint32_t minVertexIndex,
                                               uint32_t numVertexIndices, uint32_t primitiveCount,
                                               const void* indexData, Format indexFormat, const void* vertexData,
                                               uint32_t vertexStride) {
    size_t at = Record(CallKind::DrawIndexedPrimitiveUP, {uint32_t(type), minVertexIndex, numVertexIndices,
                                                          primitiveCount, uint32_t(indexFormat), vertexStride});
    return Run(at, [&]() -> Result {
        const uint32_t n = VertexCountOf(type, primitiveCount);
        if (!inScene_ || primitiveCount == 0 || n == 0 || numVertexIndices == 0 || st_.vertexShader == 0 ||
            !indexData || !vertexData || vertexStride == 0)
            return D3DERR_INVALIDCALL;
        if (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
        const uint32_t indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
        const uint64_t vertexEnd = uint64_t(minVertexIndex) + numVertexIndices;
        auto* ip = static_cast<const uint8_t*>(indexData);
        // Indices outside the declared vertices would read past the caller's array.
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t index = ReadIndex(ip + size_t(i) * indexSize, indexSize);
            if (index < minVertexIndex || index >= vertexEnd) return D3DERR_INVALIDCALL;
        }
        DrawRecord d;
        d.vertexCount = n;
        d.minIndex = minVertexIndex;
        d.numVertices = numVertexIndices;
        d.stride = vertexStride;
        d.indexFormat = indexFormat;
        d.indexData.assign(ip, ip + size_t(n) * indexSize);
        auto* vp = static_cast<const uint8_t*>(vertexData);
        d.vertexData.assign(vp, vp + size_t(vertexEnd) * vertexStride);
        return Draw(at, type, primitiveCount, std::move(d));
    });
}

// ---- Text ----

const char* CallKindName(CallKind kind) {
    static const char* const kNames[] = {
        "TestCooperativeLevel", "Reset", "Present", "BeginScene", "EndScene", "Clear", "GetDeviceCaps",
        "GetDisplayMode", "GetCreationParameters", "GetAvailableTextureMem", "SetGammaRamp", "GetGammaRamp",
        "ValidateDevice", "GetBackBuffer", "GetFrontBuffer", "CreateRenderTarget", "CreateDepthStencilSurface",
        "CreateImageSurface", "CopyRects", "SetRenderTarget", "GetRenderTarget", "GetDepthStencilSurface",
        "CreateTexture", "CreateVertexBuffer", "CreateIndexBuffer", "CreateVertexShader", "DeleteVertexShader",
        "SetTransform", "GetTransform", "MultiplyTransform", "SetViewport", "GetViewport", "SetMaterial",
        "GetMaterial", "SetLight", "GetLight", "LightEnable", "GetLightEnable", "SetClipPlane", "GetClipPlane",
        "SetRenderState", "GetRenderState", "SetTexture", "GetTexture", "SetTextureStageState",
        "GetTextureStageState", "CreateStateBlock", "BeginStateBlock", "EndStateBlock", "ApplyStateBlock",
        "CaptureStateBlock", "DeleteStateBlock", "SetVertexShader", "GetVertexShader", "SetStreamSource",
        "GetStreamSource", "SetIndices", "GetIndices", "DrawPrimitive", "DrawIndexedPrimitive", "DrawPrimitiveUP",
        "DrawIndexedPrimitiveUP", "LockVertexBuffer", "UnlockVertexBuffer", "LockIndexBuffer", "UnlockIndexBuffer",
        "LockTexture", "UnlockTexture", "LockSurface", "UnlockSurface",
    };
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == size_t(CallKind::Count));
    size_t i = size_t(kind);
    return i < size_t(CallKind::Count) ? kNames[i] : "?";
}

namespace {

#define NAME(prefix, x) \
    case prefix##x: return #x;

const char* RenderStateName(uint32_t s) {
    switch (s) {
        NAME(D3DRS_, ZENABLE) NAME(D3DRS_, FILLMODE) NAME(D3DRS_, SHADEMODE) NAME(D3DRS_, LINEPATTERN)
        NAME(D3DRS_, ZWRITEENABLE) NAME(D3DRS_, ALPHATESTENABLE) NAME(D3DRS_, LASTPIXEL) NAME(D3DRS_, SRCBLEND)
        NAME(D3DRS_, DESTBLEND) NAME(D3DRS_, CULLMODE) NAME(D3DRS_, ZFUNC) NAME(D3DRS_, ALPHAREF)
        NAME(D3DRS_, ALPHAFUNC) NAME(D3DRS_, DITHERENABLE) NAME(D3DRS_, ALPHABLENDENABLE) NAME(D3DRS_, FOGENABLE)
        NAME(D3DRS_, SPECULARENABLE) NAME(D3DRS_, ZVISIBLE) NAME(D3DRS_, FOGCOLOR) NAME(D3DRS_, FOGTABLEMODE)
        NAME(D3DRS_, FOGSTART) NAME(D3DRS_, FOGEND) NAME(D3DRS_, FOGDENSITY) NAME(D3DRS_, EDGEANTIALIAS)
        NAME(D3DRS_, ZBIAS) NAME(D3DRS_, RANGEFOGENABLE) NAME(D3DRS_, STENCILENABLE) NAME(D3DRS_, STENCILFAIL)
        NAME(D3DRS_, STENCILZFAIL) NAME(D3DRS_, STENCILPASS) NAME(D3DRS_, STENCILFUNC) NAME(D3DRS_, STENCILREF)
        NAME(D3DRS_, STENCILMASK) NAME(D3DRS_, STENCILWRITEMASK) NAME(D3DRS_, TEXTUREFACTOR) NAME(D3DRS_, WRAP0)
        NAME(D3DRS_, WRAP1) NAME(D3DRS_, WRAP2) NAME(D3DRS_, WRAP3) NAME(D3DRS_, WRAP4) NAME(D3DRS_, WRAP5)
        NAME(D3DRS_, WRAP6) NAME(D3DRS_, WRAP7) NAME(D3DRS_, CLIPPING) NAME(D3DRS_, LIGHTING) NAME(D3DRS_, AMBIENT)
        NAME(D3DRS_, FOGVERTEXMODE) NAME(D3DRS_, COLORVERTEX) NAME(D3DRS_, LOCALVIEWER)
        NAME(D3DRS_, NORMALIZENORMALS) NAME(D3DRS_, DIFFUSEMATERIALSOURCE) NAME(D3DRS_, SPECULARMATERIALSOURCE)
        NAME(D3DRS_, AMBIENTMATERIALSOURCE) NAME(D3DRS_, EMISSIVEMATERIALSOURCE) NAME(D3DRS_, VERTEXBLEND)
        NAME(D3DRS_, CLIPPLANEENABLE) NAME(D3DRS_, SOFTWAREVERTEXPROCESSING) NAME(D3DRS_, POINTSIZE)
        NAME(D3DRS_, POINTSIZE_MIN) NAME(D3DRS_, POINTSPRITEENABLE) NAME(D3DRS_, POINTSCALEENABLE)
        NAME(D3DRS_, POINTSCALE_A) NAME(D3DRS_, POINTSCALE_B) NAME(D3DRS_, POINTSCALE_C)
        NAME(D3DRS_, MULTISAMPLEANTIALIAS) NAME(D3DRS_, MULTISAMPLEMASK) NAME(D3DRS_, PATCHEDGESTYLE)
        NAME(D3DRS_, PATCHSEGMENTS) NAME(D3DRS_, DEBUGMONITORTOKEN) NAME(D3DRS_, POINTSIZE_MAX)
        NAME(D3DRS_, INDEXEDVERTEXBLENDENABLE) NAME(D3DRS_, COLORWRITEENABLE) NAME(D3DRS_, TWEENFACTOR)
        NAME(D3DRS_, BLENDOP) NAME(D3DRS_, POSITIONORDER) NAME(D3DRS_, NORMALORDER)
    default: return nullptr;
    }
}

bool IsFloatRenderState(uint32_t s) {
    switch (s) {
    case D3DRS_FOGSTART: case D3DRS_FOGEND: case D3DRS_FOGDENSITY: case D3DRS_POINTSIZE: case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSIZE_MAX: case D3DRS_POINTSCALE_A: case D3DRS_POINTSCALE_B: case D3DRS_POINTSCALE_C:
    case D3DRS_TWEENFACTOR: case D3DRS_PATCHSEGMENTS:
        return true;
    default: return false;
    }
}

const char* StageStateName(uint32_t t) {
    switch (t) {
        NAME(D3DTSS_, COLOROP) NAME(D3DTSS_, COLORARG1) NAME(D3DTSS_, COLORARG2) NAME(D3DTSS_, ALPHAOP)
        NAME(D3DTSS_, ALPHAARG1) NAME(D3DTSS_, ALPHAARG2) NAME(D3DTSS_, BUMPENVMAT00) NAME(D3DTSS_, BUMPENVMAT01)
        NAME(D3DTSS_, BUMPENVMAT10) NAME(D3DTSS_, BUMPENVMAT11) NAME(D3DTSS_, TEXCOORDINDEX)
        NAME(D3DTSS_, ADDRESSU) NAME(D3DTSS_, ADDRESSV) NAME(D3DTSS_, BORDERCOLOR) NAME(D3DTSS_, MAGFILTER)
        NAME(D3DTSS_, MINFILTER) NAME(D3DTSS_, MIPFILTER) NAME(D3DTSS_, MIPMAPLODBIAS) NAME(D3DTSS_, MAXMIPLEVEL)
        NAME(D3DTSS_, MAXANISOTROPY) NAME(D3DTSS_, BUMPENVLSCALE) NAME(D3DTSS_, BUMPENVLOFFSET)
        NAME(D3DTSS_, TEXTURETRANSFORMFLAGS) NAME(D3DTSS_, ADDRESSW) NAME(D3DTSS_, COLORARG0)
        NAME(D3DTSS_, ALPHAARG0) NAME(D3DTSS_, RESULTARG)
    default: return nullptr;
    }
}

bool IsFloatStageState(uint32_t t) {
    return t == D3DTSS_MIPMAPLODBIAS || (t >= D3DTSS_BUMPENVMAT00 && t <= D3DTSS_BUMPENVMAT11) ||
           t == D3DTSS_BUMPENVLSCALE || t == D3DTSS_BUMPENVLOFFSET;
}

const char* PrimitiveName(uint32_t p) {
    switch (p) {
        NAME(D3DPT_, POINTLIST) NAME(D3DPT_, LINELIST) NAME(D3DPT_, LINESTRIP) NAME(D3DPT_, TRIANGLELIST)
        NAME(D3DPT_, TRIANGLESTRIP) NAME(D3DPT_, TRIANGLEFAN)
    default: return nullptr;
    }
}

const char* FormatLabel(uint32_t f) {
    switch (f) {
        NAME(D3DFMT_, UNKNOWN) NAME(D3DFMT_, R8G8B8) NAME(D3DFMT_, A8R8G8B8) NAME(D3DFMT_, X8R8G8B8)
        NAME(D3DFMT_, R5G6B5) NAME(D3DFMT_, X1R5G5B5) NAME(D3DFMT_, A1R5G5B5) NAME(D3DFMT_, A4R4G4B4)
        NAME(D3DFMT_, R3G3B2) NAME(D3DFMT_, A8) NAME(D3DFMT_, A8R3G3B2) NAME(D3DFMT_, X4R4G4B4)
        NAME(D3DFMT_, A8P8) NAME(D3DFMT_, P8) NAME(D3DFMT_, L8) NAME(D3DFMT_, A8L8) NAME(D3DFMT_, A4L4)
        NAME(D3DFMT_, V8U8) NAME(D3DFMT_, DXT1) NAME(D3DFMT_, DXT2) NAME(D3DFMT_, DXT3) NAME(D3DFMT_, DXT4)
        NAME(D3DFMT_, DXT5) NAME(D3DFMT_, D16_LOCKABLE) NAME(D3DFMT_, D32) NAME(D3DFMT_, D15S1)
        NAME(D3DFMT_, D24S8) NAME(D3DFMT_, D24X8) NAME(D3DFMT_, D24X4S4) NAME(D3DFMT_, D16)
        NAME(D3DFMT_, INDEX16) NAME(D3DFMT_, INDEX32)
    default: return nullptr;
    }
}

const char* PoolLabel(uint32_t p) {
    switch (p) {
        NAME(D3DPOOL_, DEFAULT) NAME(D3DPOOL_, MANAGED) NAME(D3DPOOL_, SYSTEMMEM)
    default: return nullptr;
    }
}

#undef NAME

std::string Number(uint32_t v) {
    char buf[16];
    if (v < 0x10000)
        std::snprintf(buf, sizeof(buf), "%u", v);
    else
        std::snprintf(buf, sizeof(buf), "0x%08X", v);
    return buf;
}

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%X", v);
    return buf;
}

std::string Real(float f) {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%g", double(f));
    return buf;
}

std::string Named(const char* name, uint32_t v) { return name ? std::string(name) : Number(v); }

std::string TransformLabel(uint32_t t) {
    if (t == D3DTS_VIEW) return "VIEW";
    if (t == D3DTS_PROJECTION) return "PROJECTION";
    if (t >= D3DTS_TEXTURE0 && t <= D3DTS_TEXTURE7) return "TEXTURE" + std::to_string(t - D3DTS_TEXTURE0);
    if (t == D3DTS_WORLD) return "WORLD";
    if (t > D3DTS_WORLD && t < D3DTS_WORLD + 256) return "WORLD" + std::to_string(t - D3DTS_WORLD);
    return Number(t);
}

std::string MatrixText(const Matrix& m) {
    if (IsIdentity(m)) return "identity";
    std::string s = "[";
    for (int r = 0; r < 4; ++r) {
        if (r) s += "; ";
        for (int c = 0; c < 4; ++c) {
            if (c) s += ' ';
            s += Real(m.m[r][c]);
        }
    }
    return s + "]";
}

std::string ClearFlags(uint32_t flags) {
    std::string s;
    auto add = [&](uint32_t bit, const char* name) {
        if (!(flags & bit)) return;
        if (!s.empty()) s += '|';
        s += name;
        flags &= ~bit;
    };
    add(D3DCLEAR_TARGET, "TARGET");
    add(D3DCLEAR_ZBUFFER, "ZBUFFER");
    add(D3DCLEAR_STENCIL, "STENCIL");
    if (flags || s.empty()) {
        if (!s.empty()) s += '|';
        s += Hex(flags);
    }
    return s;
}

std::string ResultLabel(Result r) {
    std::string d = DescribeResult(r);
    size_t colon = d.find(':');
    if (colon != std::string::npos) return d.substr(0, colon);
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08X", uint32_t(r));
    return buf;
}

}  // namespace

std::string RecordingDevice::Describe(const Call& c) const {
    auto obj = [&](int i) -> std::string {
        if (!c.objects[i]) return "null";
        return c.objectIds[i] ? names_[c.objectIds[i]] : "foreign";
    };
    const uint32_t* a = c.args;
    std::vector<std::string> p;  // the arguments as shown
    std::string created;         // " = tex#3" for calls that make or hand out objects
    switch (c.kind) {
    case CallKind::Reset:
        p = {Number(a[0]), Number(a[1]), Named(FormatLabel(a[2]), a[2]), a[3] ? "windowed" : "full screen"};
        break;
    case CallKind::Clear:
        p = {Number(a[0]), ClearFlags(a[1]), Hex(a[2]), Real(c.values[0]), Number(a[3])};
        break;
    case CallKind::SetGammaRamp: p = {Number(a[0])}; break;
    case CallKind::GetBackBuffer:
    case CallKind::GetRenderTarget:
    case CallKind::GetDepthStencilSurface:
        if (c.kind == CallKind::GetBackBuffer) p = {Number(a[0])};
        if (c.objects[0]) created = obj(0);
        break;
    case CallKind::GetFrontBuffer: p = {obj(0)}; break;
    case CallKind::CreateRenderTarget:
        p = {Number(a[0]), Number(a[1]), Named(FormatLabel(a[2]), a[2]), Number(a[3]), a[4] ? "lockable" : "0"};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateDepthStencilSurface:
        p = {Number(a[0]), Number(a[1]), Named(FormatLabel(a[2]), a[2]), Number(a[3])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateImageSurface:
        p = {Number(a[0]), Number(a[1]), Named(FormatLabel(a[2]), a[2])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CopyRects: p = {obj(0), Number(a[0]), obj(1)}; break;
    case CallKind::SetRenderTarget: p = {obj(0), obj(1)}; break;
    case CallKind::CreateTexture:
        p = {Number(a[0]), Number(a[1]), Number(a[2]), Hex(a[3]), Named(FormatLabel(a[4]), a[4]),
             Named(PoolLabel(a[5]), a[5])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateVertexBuffer:
        p = {Number(a[0]), Hex(a[1]), Hex(a[2]), Named(PoolLabel(a[3]), a[3])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateIndexBuffer:
        p = {Number(a[0]), Hex(a[1]), Named(FormatLabel(a[2]), a[2]), Named(PoolLabel(a[3]), a[3])};
        created = c.objects[0] ? obj(0) : "";
        break;
    case CallKind::CreateVertexShader:
        if (a[1]) created = Hex(a[1]);
        break;
    case CallKind::DeleteVertexShader:
    case CallKind::SetVertexShader: p = {Hex(a[0])}; break;
    case CallKind::GetVertexShader: created = Hex(a[0]); break;
    case CallKind::SetTransform:
    case CallKind::MultiplyTransform: p = {TransformLabel(a[0]), MatrixText(c.matrix)}; break;
    case CallKind::GetTransform: p = {TransformLabel(a[0])}; break;
    case CallKind::SetViewport:
        p = {Number(a[0]), Number(a[1]), Number(a[2]), Number(a[3]), Real(c.values[0]), Real(c.values[1])};
        break;
    case CallKind::SetMaterial:
        p = {"diffuse " + Real(c.values[0]) + " " + Real(c.values[1]) + " " + Real(c.values[2]) + " " +
             Real(c.values[3])};
        break;
    case CallKind::SetLight: p = {Number(a[0]), "type " + Number(a[1])}; break;
    case CallKind::GetLight:
    case CallKind::GetLightEnable:
    case CallKind::GetClipPlane: p = {Number(a[0])}; break;
    case CallKind::LightEnable: p = {Number(a[0]), Number(a[1])}; break;
    case CallKind::SetClipPlane:
        p = {Number(a[0]), Real(c.values[0]), Real(c.values[1]), Real(c.values[2]), Real(c.values[3])};
        break;
    case CallKind::SetRenderState:
        p = {Named(RenderStateName(a[0]), a[0]),
             IsFloatRenderState(a[0]) ? Real(BitsFloat(a[1])) : Number(a[1])};
        break;
    case CallKind::GetRenderState:
        p = {Named(RenderStateName(a[0]), a[0])};
        break;
    case CallKind::SetTexture: p = {Number(a[0]), obj(0)}; break;
    case CallKind::GetTexture:
        p = {Number(a[0])};
        created = obj(0);
        break;
    case CallKind::SetTextureStageState:
        p = {Number(a[0]), Named(StageStateName(a[1]), a[1]),
             IsFloatStageState(a[1]) ? Real(BitsFloat(a[2])) : Number(a[2])};
        break;
    case CallKind::GetTextureStageState: p = {Number(a[0]), Named(StageStateName(a[1]), a[1])}; break;
    case CallKind::CreateStateBlock:
        p = {Number(a[0])};
        if (a[1]) created = Number(a[1]);
        break;
    case CallKind::EndStateBlock:
        if (a[0]) created = Number(a[0]);
        break;
    case CallKind::ApplyStateBlock:
    case CallKind::CaptureStateBlock:
    case CallKind::DeleteStateBlock: p = {Number(a[0])}; break;
    case CallKind::SetStreamSource: p = {Number(a[0]), obj(0), Number(a[1])}; break;
    case CallKind::GetStreamSource: p = {Number(a[0])}; created = obj(0); break;
    case CallKind::SetIndices: p = {obj(0), Number(a[0])}; break;
    case CallKind::GetIndices: created = obj(0); break;
    case CallKind::DrawPrimitive: p = {Named(PrimitiveName(a[0]), a[0]), Number(a[1]), Number(a[2])}; break;
    case CallKind::DrawIndexedPrimitive:
        p = {Named(PrimitiveName(a[0]), a[0]), Number(a[1]), Number(a[2]), Number(a[3]), Number(a[4])};
        break;
    case CallKind::DrawPrimitiveUP: p = {Named(PrimitiveName(a[0]), a[0]), Number(a[1]), Number(a[2])}; break;
    case CallKind::DrawIndexedPrimitiveUP:
        p = {Named(PrimitiveName(a[0]), a[0]), Number(a[1]), Number(a[2]), Number(a[3]),
             Named(FormatLabel(a[4]), a[4]), Number(a[5])};
        break;
    case CallKind::LockVertexBuffer:
    case CallKind::LockIndexBuffer: p = {obj(0), Number(a[0]), Number(a[1]), Hex(a[2])}; break;
    case CallKind::LockTexture: p = {obj(0), Number(a[0]), Hex(a[1])}; break;
    case CallKind::UnlockTexture: p = {obj(0), Number(a[0])}; break;
    case CallKind::LockSurface: p = {obj(0), Hex(a[0])}; break;
    case CallKind::UnlockVertexBuffer:
    case CallKind::UnlockIndexBuffer:
    case CallKind::UnlockSurface: p = {obj(0)}; break;
    default: break;
    }
    std::string s = CallKindName(c.kind);
    s += '(';
    for (size_t i = 0; i < p.size(); ++i) {
        if (i) s += ", ";
        s += p[i];
    }
    s += ')';
    if (c.result != D3D_OK)
        s += " -> " + ResultLabel(c.result);
    else if (!created.empty())
        s += " = " + created;
    return s;
}

std::vector<std::string> RecordingDevice::LogLines() const {
    std::vector<std::string> out;
    out.reserve(log_.size());
    for (const Call& c : log_) out.push_back(Describe(c));
    return out;
}

std::string RecordingDevice::LogText() const {
    std::string s;
    for (const Call& c : log_) s += Describe(c) + "\n";
    return s;
}

}  // namespace gfx
