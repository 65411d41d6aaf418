// Internals of the OpenGL device; included only by platform/gfx/gl_*.cpp.
//
// Orientation: every colour buffer the device renders into (back buffer, render-target
// textures, render-target surfaces) keeps the top image row at OpenGL row 0, the same as
// uploaded textures, so texture coordinates need no flip anywhere and read-back rows come out
// top-down. Present flips once while copying to the window.
#pragma once

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <map>
#include <vector>

#include "platform/gfx/device_state.h"

namespace gfx::gl {

class GLDevice;
class GLTexture;
class GLSurface;
class GLVertexBuffer;
class GLIndexBuffer;

// ---- Formats ----
struct FormatInfo {
    bool known = false;
    bool compressed = false;     // 4x4 blocks
    uint32_t bytesPerPixel = 0;  // or bytes per block when compressed
    bool depth = false;
    bool stencil = false;
};
FormatInfo GetFormatInfo(Format format);
// Bytes of one row (of blocks for compressed formats) and number of rows (of blocks).
uint32_t RowBytes(Format format, uint32_t width);
uint32_t RowCount(Format format, uint32_t height);
// Whether a texture of the format can be made, and how it is uploaded.
struct UploadInfo {
    bool supported = false;
    bool compressed = false;
    GLenum internalFormat = 0;
    GLenum format = 0;  // pixel format for glTexImage2D (0 when compressed)
    GLenum type = 0;
    bool convert = false;  // converted to BGRA8 on the processor before upload
};
UploadInfo GetUploadInfo(Format format);
// Colour formats that can be rendered to (textures and surfaces) and read back.
bool IsRenderableColorFormat(Format format);
bool IsDepthFormat(Format format);
// Converts width pixels of one row between the format and BGRA8 (bytes B, G, R, A).
void RowToBGRA8(Format format, const uint8_t* src, uint8_t* dst, uint32_t width);
void RowFromBGRA8(Format format, const uint8_t* src, uint8_t* dst, uint32_t width);

// ---- Vertex layout ----
struct VertexLayout {
    bool valid = false;
    bool rhw = false;        // pre-transformed x, y, z, rhw
    uint32_t stride = 0;     // bytes per vertex implied by the layout
    int32_t position = -1;   // byte offsets, -1 when absent
    uint32_t weights = 0;
    int32_t weightOffset = -1;
    int32_t normal = -1;
    int32_t psize = -1;
    int32_t diffuse = -1;
    int32_t specular = -1;
    uint32_t texCount = 0;
    int32_t tex[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    uint32_t texSize[8] = {};  // floats per set
};
VertexLayout LayoutFromFvf(uint32_t fvf);
// Parses a fixed-function declaration (stream 0 only); invalid layouts have valid == false.
VertexLayout LayoutFromDeclaration(const uint32_t* tokens, size_t maxTokens);

// ---- Matrices (row-major, row vectors) ----
Matrix Mul(const Matrix& a, const Matrix& b);
Matrix Identity();
// Inverse of the upper 3x3 transposed (normal matrix); false when singular.
bool NormalMatrix(const Matrix& m, float out[3][3]);

struct Rgba {
    float r, g, b, a;
};
inline Rgba FromColor(uint32_t c) {
    return {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, (c >> 24) / 255.0f};
}

// ---- Device objects ----
// Everything that owns OpenGL objects; the device tracks the live ones so that it can drop
// their OpenGL side when it goes away first.
class GLObject {
public:
    GLDevice* device = nullptr;
    GLObject* prevObject = nullptr;
    GLObject* nextObject = nullptr;
    Pool pool = D3DPOOL_MANAGED;
    bool implicit = false;  // the device's own back buffer and depth surface
    virtual void DropGL() = 0;
    // Called while the context is still current before a departing device drops the OpenGL
    // side: contents held only in OpenGL come back into memory.
    virtual void KeepContents() {}

protected:
    void Attach(GLDevice* d);
    void Detach();
    virtual ~GLObject() = default;
};

// A colour or depth buffer that can be attached to a framebuffer.
struct Attachment {
    GLuint texture = 0;  // texture name, or
    GLuint renderbuffer = 0;
    bool window = false;  // or the window's own framebuffer (rows bottom-up)
    uint32_t level = 0;
    uint32_t width = 0, height = 0;
    bool depth = false, stencil = false;
    bool Valid() const { return texture != 0 || renderbuffer != 0 || window; }
};

class GLSurface : public Surface, public GLObject {
public:
    enum class Kind { Image, TextureLevel, ColorBuffer, DepthBuffer };

    // Image surface (system memory).
    static GLSurface* MakeImage(GLDevice* d, uint32_t w, uint32_t h, Format f);
    // Colour renderbuffer (back buffer, front copy, render-target surface). A deferred one gets
    // its storage on first use (EnsureStorage).
    static GLSurface* MakeColor(GLDevice* d, uint32_t w, uint32_t h, Format f, Pool pool, bool deferred = false);
    static GLSurface* MakeDepth(GLDevice* d, uint32_t w, uint32_t h, Format f, bool deferred = false);
    // Level of a texture; reference counts go to the texture.
    GLSurface(GLTexture* owner, uint32_t level);

    uint32_t AddRef() override;
    uint32_t Release() override;
    Result GetDesc(SurfaceDesc* desc) override;
    Result LockRect(LockedRect* locked, const Rect* rect, uint32_t flags) override;
    Result UnlockRect() override;
    void DropGL() override;

    Kind kind;
    Format format = D3DFMT_UNKNOWN;
    uint32_t width = 0, height = 0;
    uint32_t usage = 0;
    std::vector<uint8_t> data;  // Image: the pixels; GPU kinds: the lock staging copy
    GLuint renderbuffer = 0;
    // A back buffer drawn straight into the window, and its front copy, may never need storage
    // of their own: a frame's worth of memory each.
    mutable bool storagePending = false;
    bool inWindow = false;  // the back buffer while it lives in the window's framebuffer
    GLTexture* owner = nullptr;
    uint32_t level = 0;
    bool locked = false;
    uint32_t lockFlags = 0;
    Rect lockRect{};

    // Reads or writes a rectangle in the surface's own format (rows top-down, pitch in bytes).
    bool ReadRect(const Rect& r, uint8_t* out, uint32_t pitch);
    bool WriteRect(const Rect& r, const uint8_t* in, uint32_t pitch);
    bool IsRenderTarget() const;
    Attachment GetAttachment() const;
    // Gives a deferred renderbuffer its storage; false when the driver refused it.
    bool EnsureStorage() const;
    // The device behind the surface (a texture level's is its texture's); null once it is gone.
    GLDevice* Owner() const;

private:
    friend class GLTexture;
    explicit GLSurface(Kind k) : kind(k) {}
    ~GLSurface() override;
};

class GLTexture : public Texture, public GLObject {
public:
    GLTexture(GLDevice* d, uint32_t w, uint32_t h, uint32_t levels, uint32_t usage, Format f, Pool p);
    bool Init();  // false when the OpenGL side cannot be made

    uint32_t GetLevelCount() override { return levels; }
    Result GetLevelDesc(uint32_t level, SurfaceDesc* desc) override;
    Result GetSurfaceLevel(uint32_t level, Surface** surface) override;
    Result LockRect(uint32_t level, LockedRect* locked, const Rect* rect, uint32_t flags) override;
    Result UnlockRect(uint32_t level) override;
    void DropGL() override;

    uint32_t LevelWidth(uint32_t l) const { return width >> l ? width >> l : 1; }
    uint32_t LevelHeight(uint32_t l) const { return height >> l ? height >> l : 1; }
    // Sends dirty levels to OpenGL; the texture must be bound on the active unit. A texture no
    // one has locked since creation then lets go of its memory copy.
    void Upload();
    // Brings the memory copy back from OpenGL when it was let go; false when it cannot.
    bool RestoreCopy();
    void KeepContents() override { RestoreCopy(); }
    void PreLoad() override;

    uint32_t width, height, levels, usage;
    Format format;
    bool renderTarget;
    GLuint tex = 0;
    std::vector<std::vector<uint8_t>> levelData;  // empty for render targets and while copyDropped
    bool copyDropped = false;  // the levels live only in OpenGL
    bool keepCopy = false;     // locked or read after its upload: the memory copy stays
    std::vector<uint8_t> dirty;
    std::vector<uint8_t> levelLocked;
    std::vector<GLSurface*> surfaces;
    bool anyDirty = false;
    // Sampler parameters last given to OpenGL.
    struct Sampler {
        GLint minFilter = -1, magFilter = -1, wrapS = -1, wrapT = -1, baseLevel = -1;
        float aniso = -1.0f;
        uint32_t border = 0xFFFFFFFFu;
        bool borderSet = false;
    } sampler;

private:
    ~GLTexture() override;
};

// The bytes, dirty range and OpenGL buffer both buffer kinds keep.
struct GLBufferStore {
    GLBufferStore(uint32_t len, uint32_t u);
    // Hands out a range; a write-lock widens the range uploaded at the next bind.
    Result LockRange(uint32_t offset, uint32_t size, uint8_t** out, uint32_t flags);
    Result UnlockRange();
    // Sends the bytes written since the last upload; the buffer must be bound to target.
    void Upload(GLenum target);
    void DropBuffer();
    // The bytes in memory, brought back from OpenGL when the copy was let go (the context must
    // be current then); null when they cannot be.
    uint8_t* Bytes(GLDevice* d);

    uint32_t length, usage;
    std::vector<uint8_t> data;
    GLuint buffer = 0;
    uint32_t dirtyBegin = 0, dirtyEnd = 0;
    bool uploadedOnce = false;
    int lockCount = 0;
    // A buffer drawn from OpenGL and never locked or read since its first upload keeps no copy
    // in memory; one read back keeps it for good.
    bool copyDropped = false, keepCopy = false;
};

class GLVertexBuffer : public VertexBuffer, public GLObject, public GLBufferStore {
public:
    GLVertexBuffer(GLDevice* d, uint32_t length, uint32_t usage, uint32_t fvf, Pool p);
    Result Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) override;
    Result Unlock() override;
    Result GetDesc(VertexBufferDesc* desc) override;
    void DropGL() override;
    void KeepContents() override;

    uint32_t fvf;

private:
    ~GLVertexBuffer() override;
};

class GLIndexBuffer : public IndexBuffer, public GLObject, public GLBufferStore {
public:
    GLIndexBuffer(GLDevice* d, uint32_t length, uint32_t usage, Format f, Pool p);
    Result Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) override;
    Result Unlock() override;
    Result GetDesc(IndexBufferDesc* desc) override;
    void DropGL() override;
    void KeepContents() override;
    uint32_t IndexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
    uint32_t Count() const { return length / IndexSize(); }
    uint32_t Index(const uint8_t* bytes, uint32_t i) const;
    // Largest index in the buffer (recomputed after writes).
    uint32_t MaxIndex();
    // Smallest and largest of `count` indices from index `start`, kept until the next write: a
    // mesh drawn every frame has its range scanned once. False when the bytes cannot be read.
    bool RangeOf(uint32_t start, uint32_t count, uint32_t& lo, uint32_t& hi);

    Format format;
    bool maxValid = false;
    uint32_t maxIndex = 0;
    struct KnownRange {
        uint32_t start, count, lo, hi;
    };
    std::vector<KnownRange> knownRanges;

private:
    ~GLIndexBuffer() override;
};

template <typename T>
void Assign(T*& slot, T* value) {
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

// ---- What the drawing path last sent ----
// The OpenGL state set around every draw, as last sent, so that a call goes out only when its
// value changes. Whatever changes these behind the helpers forgets them (InvalidateBindings).
enum ClientArrayBit : uint32_t {
    kArrayVertex = 1u << 0,
    kArrayColor = 1u << 1,
    kArraySecondary = 1u << 2,
    kArrayNormal = 1u << 3,
    kArrayFog = 1u << 4,
    kArrayTex0 = 1u << 5,  // one bit per unit from here
};
enum PointerSlot : uint32_t { kPtrVertex, kPtrColor, kPtrSecondary, kPtrNormal, kPtrFog, kPtrTex0 };
// Render-state calls whose arguments are kept (up to four 32-bit values each).
enum StateSlot : uint32_t {
    kSlotBlendFunc, kSlotBlendEquation, kSlotAlphaFunc, kSlotColorMask, kSlotDepthMask, kSlotDepthFunc,
    kSlotPolygonOffset, kSlotStencilFunc, kSlotStencilOp, kSlotStencilMask, kSlotCullFace, kSlotPolygonMode,
    kSlotShadeModel, kSlotPointAttenuation, kSlotPointMin, kSlotPointMax, kSlotPointSize, kSlotCoordReplace0,
    kStateSlotCount = kSlotCoordReplace0 + kMaxTextureStages,
};
// Capabilities switched by the render states.
enum CapSlot : uint32_t {
    kCapBlend, kCapAlphaTest, kCapDepthTest, kCapOffsetFill, kCapOffsetLine, kCapOffsetPoint, kCapStencilTest,
    kCapCullFace, kCapPointSprite, kCapNormalize, kCapColorSum, kCapCount,
};
constexpr uint32_t kUnknownName = 0xFFFFFFFFu;

struct GLShadow {
    struct Pointer {
        bool known = false;
        GLint size = 0;
        GLenum type = 0;
        GLsizei stride = 0;
        const void* at = nullptr;
        GLuint buffer = 0;
    };
    struct LoadedMatrix {
        bool known = false;
        Matrix m{};
    };
    // Switches sent as a bit each, and which of them were sent at all.
    struct Switches {
        uint32_t known = 0, on = 0;
        bool Holds(uint32_t bit, bool value) const { return (known & bit) && ((on & bit) != 0) == value; }
        void Set(uint32_t bit, bool value) {
            known |= bit;
            on = value ? on | bit : on & ~bit;
        }
    };
    uint32_t activeUnit = kUnknownName, clientUnit = kUnknownName;
    GLuint textures[kMaxTextureStages];
    GLuint arrayBuffer = kUnknownName, elementBuffer = kUnknownName;
    Switches arrays;
    Pointer pointers[kPtrTex0 + kMaxTextureStages];
    GLenum matrixMode = 0;
    LoadedMatrix projection, modelView, texture[kMaxTextureStages];
    Switches gen;  // texture-coordinate generation, a bit per unit
    // Current values used where an array is off; unknown after any draw that had it on.
    bool colorWhite = false, secondaryBlack = false, normalZero = false;
    uint32_t texCoordZero = 0;  // a bit per unit
    uint64_t slotsKnown = 0;
    uint32_t slots[kStateSlotCount][4] = {};
    Switches caps;

    GLShadow() { Forget(); }
    void Forget() { *this = GLShadow(0); }

private:
    explicit GLShadow(int) {
        for (GLuint& t : textures) t = kUnknownName;
    }
};

// ---- The device ----
enum DirtyBits : uint32_t {
    kDirtyBlend = 1u << 0,
    kDirtyDepthStencil = 1u << 1,
    kDirtyRaster = 1u << 2,
    kDirtyFog = 1u << 3,
    kDirtyStages = 1u << 4,
    kDirtyViewport = 1u << 5,
    kDirtyClip = 1u << 6,
    kDirtyTargets = 1u << 7,
    kDirtyAll = 0xFFFFFFFFu,
};

class GLDevice final : public StatefulDevice {
public:
    static Result Create(const DeviceParams& params, Device** out);
    static void FillCapsFrom(Caps* caps, uint32_t maxTextureSize, int maxUnits, int maxClipPlanes, bool anisotropy,
                             float maxAnisotropy, bool mirrorClamp);
    ~GLDevice() override;

    Result TestCooperativeLevel() override;
    void SimulateLoss(bool resettable) override;
    Result Reset(PresentParameters* params) override;
    Result Present(const Rect* sourceRect, const Rect* destRect, void* destWindow, const void* dirtyRegion) override;
    Result BeginScene() override;
    Result EndScene() override;
    Result Clear(uint32_t count, const Rect* rects, uint32_t flags, Color color, float z, uint32_t stencil) override;
    Result GetDeviceCaps(Caps* caps) override;
    Result GetDisplayMode(DisplayMode* mode) override;
    Result GetCreationParameters(DeviceCreationParameters* params) override;
    uint32_t GetAvailableTextureMem() override;
    void SetGammaRamp(uint32_t flags, const GammaRamp* ramp) override;
    void GetGammaRamp(GammaRamp* ramp) override;
    Result ValidateDevice(uint32_t* numPasses) override;

    Result GetBackBuffer(uint32_t index, BackBufferType type, Surface** surface) override;
    Result GetFrontBuffer(Surface* dest) override;
    Result CreateRenderTarget(uint32_t width, uint32_t height, Format format, MultiSampleType ms, bool lockable,
                              Surface** surface) override;
    Result CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format, MultiSampleType ms,
                                     Surface** surface) override;
    Result CreateImageSurface(uint32_t width, uint32_t height, Format format, Surface** surface) override;
    Result CopyRects(Surface* source, const Rect* sourceRects, uint32_t count, Surface* dest,
                     const Point* destPoints) override;
    Result SetRenderTarget(Surface* target, Surface* depth) override;
    Result GetRenderTarget(Surface** target) override;
    Result GetDepthStencilSurface(Surface** depth) override;

    Result CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format, Pool pool,
                         Texture** texture) override;
    Result CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, Pool pool, VertexBuffer** buffer) override;
    Result CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool, IndexBuffer** buffer) override;
    Result CreateVertexShader(const uint32_t* declaration, const uint32_t* function, uint32_t* handle,
                              uint32_t usage) override;
    Result DeleteVertexShader(uint32_t handle) override;

    Result DrawPrimitive(PrimitiveType type, uint32_t startVertex, uint32_t primitiveCount) override;
    Result DrawIndexedPrimitive(PrimitiveType type, uint32_t minIndex, uint32_t numVertices, uint32_t startIndex,
                                uint32_t primitiveCount) override;
    Result DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertexData,
                           uint32_t vertexStride) override;
    Result DrawIndexedPrimitiveUP(PrimitiveType type, uint32_t minVertexIndex, uint32_t numVertexIndices,
                                  uint32_t primitiveCount, const void* indexData, Format indexFormat,
                                  const void* vertexData, uint32_t vertexStride) override;

    // ---- Internals used by the resources and the drawing code ----
    // Makes the device's context current; false once its window is gone.
    bool MakeCurrent();
    GLObject* objects = nullptr;  // live objects
    // Reads pixels of a colour attachment as BGRA8 rows, top row first.
    bool ReadAttachment(const Attachment& a, int x, int y, int w, int h, uint8_t* out);
    // Writes BGRA8 rows (top row first) into a colour attachment.
    bool WriteAttachment(const Attachment& a, int x, int y, int w, int h, const uint8_t* in);
    // Called before anything writes into `target`: the picture last presented, still held in the
    // back buffer, moves to the front buffer (by trading the buffers when the write covers the
    // whole target, else by a copy).
    void KeepFrontPicture(const GLSurface* target, bool overwritesAll);
    // The caller changed OpenGL bindings behind the state tracking, or deleted something that
    // may be bound.
    void InvalidateBindings() { shadow_.Forget(); }
    // Calls through the state tracking (gl_shadow.cpp).
    void ActiveUnit(uint32_t unit);
    void ClientUnit(uint32_t unit);
    void BindTexture2D(uint32_t unit, GLuint name);
    void BindBuffer(GLenum target, GLuint name);
    void ClientArray(uint32_t bit, bool on);
    void ArrayPointer(uint32_t slot, GLint size, GLenum type, GLsizei stride, const void* at);
    void LoadMatrixOnce(GLenum mode, uint32_t unit, const Matrix& m);
    void TexGen(uint32_t unit, bool on);
    void ConstantWhiteColor();
    void ConstantBlackSecondary();
    void ConstantZeroNormal();
    void ConstantZeroTexCoord(uint32_t unit);
    void Cap(uint32_t slot, GLenum cap, bool on);
    // True when the values differ from those last kept for the slot (which then keeps them):
    // the caller makes the call.
    bool Differs(uint32_t slot, uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0);
    // After a draw: the current values of the arrays that were on are unknown.
    void DrewWithArrays();
    GLShadow shadow_;
    GLuint whiteTexture = 0;
    uint32_t maxTextureSize = 0;
    bool anisotropy = false;
    float maxAnisotropy = 1.0f;
    bool mirrorClamp = false;
    bool clipControl = false;  // the window's rows can be taken top-down, as every other target's
    bool fenceSync = false;    // frames can be paced (gl_frame_pacing.cpp)

private:
    GLDevice() = default;
    Result Init(const DeviceParams& params);
    Result SetupBuffers(const PresentParameters& pp);
    bool ValidateParams(PresentParameters& pp);
    void ApplyWindowMode(const PresentParameters& pp);
    void FillCaps();
    void ResetState();
    void ApplyDirty();
    void BindTargets();
    // Whether the back buffer can live in the window's own framebuffer: same size, and colour,
    // depth and stencil that hold what the formats ask for.
    bool WindowCanHoldBackBuffer(const PresentParameters& pp);
    // Whether the window's swap leaves the picture it showed in the back buffer, as a swap
    // that copies does; tried with two frames, so only while nothing worth seeing is shown.
    bool SwapKeepsBackBuffer();
    // Moves the back buffer (and the automatic depth surface) out of the window into their
    // renderbuffers for good: a picture must be kept, or a pairing the window cannot serve.
    void LeaveWindow();
    // The automatic depth and stencil copied between the window and their storage, rows turned;
    // `copySide` is where the copy framebuffer is bound (read: into the window; draw: out of it),
    // with the window bound on the other side.
    void BlitAutoDepth(GLenum copySide);
    // The automatic depth buffer's storage, given on first use while the window holds the
    // frame's own depth, starts at depth 1 and stencil 0.
    void EnsureAutoDepthStorage();
    // The other way, after a present, once the window can hold it (shown, of the size).
    void EnterWindow();
    // Rows of the bound target run bottom-up (the window) rather than top-down.
    bool FlippedTarget() const { return drawingToWindow_; }
    bool UsingDepth() const;
    // Blending that keeps the target whole (none of the source, all of the target).
    bool BlendKeepsTarget() const;
    // No colour is written and no alpha is tested: nothing a draw colours can reach the picture.
    bool WritesNoColour() const;
    void ApplyBlend();
    void ApplyDepthStencil();
    void ApplyRaster();
    void ApplyFog();
    void ApplyStages();
    void ApplyViewport();
    void ApplyClipPlanes();
    void MarkRenderStateDirty(uint32_t state);
    void StateChanged(StatePart part, uint32_t index) override;
    bool Owns(const Texture* texture) const override;
    bool Owns(const VertexBuffer* buffer) const override;
    bool Owns(const IndexBuffer* buffer) const override;
    bool ViewportAllowed(const Viewport& viewport) const override;
    bool VertexShaderAllowed(uint32_t handle) const override;
    // The bound resources; only this device's own are ever bound.
    GLTexture* StageTexture(uint32_t stage) const { return static_cast<GLTexture*>(state_.textures[stage]); }
    GLVertexBuffer* Stream0() const { return static_cast<GLVertexBuffer*>(state_.streams[0]); }
    GLIndexBuffer* BoundIndices() const { return static_cast<GLIndexBuffer*>(state_.indices); }
    const VertexLayout* CurrentLayout();
    struct DrawInput {
        const uint8_t* base = nullptr;  // vertex 0 in memory
        GLVertexBuffer* vb = nullptr;   // the buffer holding them, when drawing from one
        uint32_t baseOffset = 0;        // byte offset of vertex 0 in the buffer
        uint32_t stride = 0;
        uint32_t vertexLimit = 0;       // vertices readable from vertex 0
        uint32_t first = 0, count = 0;  // non-indexed range
        const uint8_t* indices = nullptr;
        uint32_t indexSize = 2, indexCount = 0;
        GLIndexBuffer* ib = nullptr;
        uint32_t indexOffset = 0;  // byte offset of the first index in the buffer
        uint32_t minIndex = 0, numVertices = 0;
    };
    Result DoDraw(PrimitiveType type, DrawInput in);
    struct VertexWork {
        bool blend = false, light = false;
        // The scratch arrays are numbered as the vertices are (they then start at vertex 0), or
        // hold vertex `first` at element 0.
        bool numbered = false;
        // Positions and normals are written out; OpenGL reads them from the buffer otherwise.
        bool positions = true;
    };
    // Works vertices [first, first + count) into the scratch arrays.
    bool ProcessVertices(const VertexLayout& l, const uint8_t* base, uint32_t stride, uint32_t first, uint32_t count,
                         const VertexWork& what);
    void SetupTextureUnits(const VertexLayout& l, const uint8_t* texBase, uint32_t stride, bool useBuffer,
                           uintptr_t bufferOffset);
    void BindStageTextures();
    // After a present: waits until the frame presented before it is drawn, and starts the count
    // of the next frame's draws (gl_frame_pacing.cpp).
    void PaceFrames();
    // Lets go of the waits' markers; the context must be current.
    void ForgetPendingFrame();
    // Whether long frames are handed over in parts, from the renderer's name; the context must be current.
    void ChooseHandOver();
    // After a draw, on a software rasteriser: hands a long frame's work to the driver every
    // kGLDrawsPerHandOver draws of the frame.
    void HandOverLongFrame();

    DeviceParams params_{};
    void* windowHandle_ = nullptr;  // os::WindowHandle
    struct SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    bool lost_ = false, resettable_ = false, inScene_ = false;
    Caps caps_{};
    GammaRamp gamma_{};
    uint32_t dirty_ = kDirtyAll;
    std::map<uint32_t, VertexLayout> shaders_;
    uint32_t nextShader_ = 1;
    VertexLayout fvfLayout_;
    uint32_t fvfLayoutCode_ = 0xFFFFFFFFu;
    GLSurface* backBuffer_ = nullptr;
    GLSurface* frontBuffer_ = nullptr;
    GLSurface* autoDepth_ = nullptr;
    bool frontInBack_ = false;  // the back buffer still holds what was last presented
    bool windowTarget_ = false;     // the back buffer is the window's framebuffer
    bool drawingToWindow_ = false;  // it is the bound target
    bool doubleBuffered_ = false;   // the window swaps a front and a back buffer
    bool swapKeepsBack_ = false;    // and its back buffer still holds the shown picture after a swap
    bool keepFront_ = false;        // the front picture was asked for: the back buffer stays out
    GLSurface* renderTarget_ = nullptr;  // one reference
    GLSurface* depthTarget_ = nullptr;   // one reference
    GLuint drawFbo_ = 0, readFbo_ = 0, copyFbo_ = 0;
    GLint maxUnits_ = 1, maxClipPlanes_ = 0;
    uint32_t activeUnits_ = 0;  // texture units enabled by the last stage setup
    uint32_t untexturedStages_ = 0;  // stages without a texture at the last stage setup, one bit each
    // The last stage adds the vertex specular (ADD of SPECULAR and CURRENT), done by the colour sum.
    bool stageSpecularSum_ = false;
    bool stagesBlind_ = false;  // no colour written and no alpha test: the stages run for nothing
    // Scratch arrays of the processor path.
    std::vector<float> positions_;
    std::vector<float> normals_;
    std::vector<uint32_t> colors_, speculars_;
    std::vector<float> fogCoords_;
    std::vector<uint32_t> indexScratch_;
    std::vector<uint8_t> vertexScratch_;
    GLsync framePending_ = nullptr;  // marks the end of the frame last presented
    bool handsOverParts_ = false;    // the renderer is a software rasteriser
    uint32_t drawsThisPart_ = 0;
    GLsync partPending_ = nullptr;  // marks the end of the part last handed over
    bool waitFailureTold_ = false;  // a wait that ended unpassed was told
};

}  // namespace gfx::gl
