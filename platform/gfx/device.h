// The Direct3D-8-shaped graphics device: the calls the game makes, under our own names.
//
// Conventions
// - Every call returns a Result (D3D_OK or a D3DERR_/E_ code) unless it is a plain query.
// - Objects are reference counted: a Create/Get call that hands out an object adds one
//   reference (GetBackBuffer, GetRenderTarget, GetDepthStencilSurface, GetSurfaceLevel,
//   GetTexture, GetStreamSource, GetIndices included); the caller calls Release. An object
//   dies when its count reaches 0. Objects may outlive the device; they are then inert.
// - Matrices are row-major with row vectors (p' = p x M), world then view then projection,
//   left-handed view space, projected depth 0..1. Transform ids: world n = 256 + n, view 2,
//   projection 3, texture stage n = 16 + n.
// - Vertex formats are FVF codes (or handles from CreateVertexShader, which always have bit 0
//   set), set with SetVertexShader. Pre-transformed (XYZRHW) positions are pixels from the
//   viewport's top-left corner; a pixel's centre lies at its integer coordinate.
// - Surfaces and texture levels are locked with row 0 at the top; Pitch is in bytes.
// - Rect is {left, top, right, bottom} with right and bottom exclusive.
// - Culling: D3DCULL_CCW drops triangles whose vertices run counter-clockwise on screen,
//   D3DCULL_CW clockwise ones.
// - State blocks are numbered handles (0 is never a valid one). While a block is recorded
//   (BeginStateBlock .. EndStateBlock) the Set calls go into it and leave the device alone.
// - DrawPrimitiveUP and DrawIndexedPrimitiveUP leave stream 0 (and the indices) unset
//   afterwards, as the fixed-function device does; bind buffers again before the next draw
//   from them.
// - Texture transforms: coordinates are widened before the matrix ((u, v) is taken as
//   (u, v, 1, 0), so a 2D translation sits in the third row; generated coordinates are
//   (x, y, z, 1)). Pre-transformed vertices skip the matrix.
// - Lights are at most 8 (index 0..7), clip planes 6; vertex blending takes world matrices
//   0..3 and is done on the processor, as is lighting.
// - Device loss: TestCooperativeLevel reports D3DERR_DEVICELOST, then D3DERR_DEVICENOTRESET
//   when a Reset may succeed. Reset fails while resources of D3DPOOL_DEFAULT are alive
//   (other than the implicit back buffer and depth surface). SimulateLoss drives this in tests.
// - The base class answers every call with D3DERR_INVALIDCALL (queries fill nothing), so small
//   test fakes override only what they use; real backends override everything.
#pragma once

#include <cstdint>

#include "platform/gfx/types.h"

namespace gfx {

// Reference count shared by the device's objects.
class RefCounted {
public:
    virtual uint32_t AddRef();
    // Lowers the count and deletes the object at 0; returns the new count.
    virtual uint32_t Release();

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

private:
    uint32_t refCount_ = 1;
};

class Surface : public RefCounted {
public:
    virtual Result GetDesc(SurfaceDesc* desc) = 0;
    // rect null: the whole surface. Flags: D3DLOCK_READONLY, D3DLOCK_DISCARD, ...
    virtual Result LockRect(LockedRect* locked, const Rect* rect, uint32_t flags) = 0;
    virtual Result UnlockRect() = 0;
};

class Texture : public RefCounted {
public:
    virtual uint32_t GetLevelCount() = 0;
    virtual Result GetLevelDesc(uint32_t level, SurfaceDesc* desc) = 0;
    virtual Result GetSurfaceLevel(uint32_t level, Surface** surface) = 0;
    virtual Result LockRect(uint32_t level, LockedRect* locked, const Rect* rect, uint32_t flags) = 0;
    virtual Result UnlockRect(uint32_t level) = 0;
    // A managed texture's levels go to the device now rather than at their first use; a
    // backend that keeps no separate copy does nothing.
    virtual void PreLoad() {}
};

class VertexBuffer : public RefCounted {
public:
    // offset and size 0: the whole buffer.
    virtual Result Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) = 0;
    virtual Result Unlock() = 0;
    virtual Result GetDesc(VertexBufferDesc* desc) = 0;
};

class IndexBuffer : public RefCounted {
public:
    virtual Result Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) = 0;
    virtual Result Unlock() = 0;
    virtual Result GetDesc(IndexBufferDesc* desc) = 0;
};

class Device {
public:
    virtual ~Device() = default;

    // ---- Lifetime ----
    virtual uint32_t AddRef() { return ++refCount_; }
    // Deletes the device at 0; its objects stay valid but inert.
    virtual uint32_t Release();

    // ---- Device state and presentation ----
    virtual Result TestCooperativeLevel() = 0;
    // Test and video-object seam: marks the device lost; resettable makes the next
    // TestCooperativeLevel report D3DERR_DEVICENOTRESET instead of D3DERR_DEVICELOST.
    virtual void SimulateLoss(bool resettable);
    virtual Result Reset(PresentParameters* params);
    virtual Result Present(const Rect* sourceRect, const Rect* destRect, void* destWindow, const void* dirtyRegion);
    virtual Result BeginScene();
    virtual Result EndScene();
    // rects: count rectangles in viewport pixels, or null for the whole viewport.
    virtual Result Clear(uint32_t count, const Rect* rects, uint32_t flags, Color color, float z, uint32_t stencil);
    virtual Result GetDeviceCaps(Caps* caps);
    virtual Result GetDisplayMode(DisplayMode* mode);
    virtual Result GetCreationParameters(DeviceCreationParameters* params);
    virtual uint32_t GetAvailableTextureMem();
    virtual void SetGammaRamp(uint32_t flags, const GammaRamp* ramp);
    virtual void GetGammaRamp(GammaRamp* ramp);
    virtual Result ValidateDevice(uint32_t* numPasses);

    // ---- Surfaces and render targets ----
    virtual Result GetBackBuffer(uint32_t index, BackBufferType type, Surface** surface);
    // Copies the last presented image into dest (A8R8G8B8, any size: the overlap is copied,
    // the rest of dest is set to black).
    virtual Result GetFrontBuffer(Surface* dest);
    virtual Result CreateRenderTarget(uint32_t width, uint32_t height, Format format, MultiSampleType ms,
                                      bool lockable, Surface** surface);
    virtual Result CreateDepthStencilSurface(uint32_t width, uint32_t height, Format format, MultiSampleType ms,
                                             Surface** surface);
    // A surface in system memory, lockable, never a render target.
    virtual Result CreateImageSurface(uint32_t width, uint32_t height, Format format, Surface** surface);
    // Copies rectangles between surfaces of one format (no stretching). rects null: the whole
    // source; points null: the same positions in dest.
    virtual Result CopyRects(Surface* source, const Rect* sourceRects, uint32_t count, Surface* dest,
                             const Point* destPoints);
    // target null keeps the current colour target; depth null renders without depth.
    virtual Result SetRenderTarget(Surface* target, Surface* depth);
    virtual Result GetRenderTarget(Surface** target);
    virtual Result GetDepthStencilSurface(Surface** depth);

    // ---- Resources ----
    // levels 0: the whole chain down to 1x1.
    virtual Result CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, Format format,
                                 Pool pool, Texture** texture);
    virtual Result CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, Pool pool,
                                      VertexBuffer** buffer);
    virtual Result CreateIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool, IndexBuffer** buffer);
    // Fixed-function declarations only (function must be null); handle gets an odd number.
    virtual Result CreateVertexShader(const uint32_t* declaration, const uint32_t* function, uint32_t* handle,
                                      uint32_t usage);
    virtual Result DeleteVertexShader(uint32_t handle);

    // ---- Transforms, viewport, lights, material, clip planes ----
    virtual Result SetTransform(TransformStateType state, const Matrix* matrix);
    virtual Result GetTransform(TransformStateType state, Matrix* matrix);
    // matrix = matrix x current (applied before the current one).
    virtual Result MultiplyTransform(TransformStateType state, const Matrix* matrix);
    virtual Result SetViewport(const Viewport* viewport);
    virtual Result GetViewport(Viewport* viewport);
    virtual Result SetMaterial(const Material* material);
    virtual Result GetMaterial(Material* material);
    virtual Result SetLight(uint32_t index, const Light* light);
    virtual Result GetLight(uint32_t index, Light* light);
    virtual Result LightEnable(uint32_t index, bool enable);
    virtual Result GetLightEnable(uint32_t index, bool* enable);
    // plane {a, b, c, d} in world space: points with a x + b y + c z + d >= 0 are kept.
    virtual Result SetClipPlane(uint32_t index, const float* plane);
    virtual Result GetClipPlane(uint32_t index, float* plane);

    // ---- Render states and texture stages ----
    virtual Result SetRenderState(RenderStateType state, uint32_t value);
    virtual Result GetRenderState(RenderStateType state, uint32_t* value);
    virtual Result SetTexture(uint32_t stage, Texture* texture);
    virtual Result GetTexture(uint32_t stage, Texture** texture);
    virtual Result SetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t value);
    virtual Result GetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t* value);

    // ---- State blocks ----
    virtual Result CreateStateBlock(StateBlockType type, uint32_t* token);
    virtual Result BeginStateBlock();
    virtual Result EndStateBlock(uint32_t* token);
    virtual Result ApplyStateBlock(uint32_t token);
    virtual Result CaptureStateBlock(uint32_t token);
    virtual Result DeleteStateBlock(uint32_t token);

    // ---- Vertex input and drawing ----
    virtual Result SetVertexShader(uint32_t handle);
    virtual Result GetVertexShader(uint32_t* handle);
    virtual Result SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride);
    virtual Result GetStreamSource(uint32_t stream, VertexBuffer** buffer, uint32_t* stride);
    virtual Result SetIndices(IndexBuffer* buffer, uint32_t baseVertexIndex);
    virtual Result GetIndices(IndexBuffer** buffer, uint32_t* baseVertexIndex);
    virtual Result DrawPrimitive(PrimitiveType type, uint32_t startVertex, uint32_t primitiveCount);
    virtual Result DrawIndexedPrimitive(PrimitiveType type, uint32_t minIndex, uint32_t numVertices,
                                        uint32_t startIndex, uint32_t primitiveCount);
    virtual Result DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertexData,
                                   uint32_t vertexStride);
    virtual Result DrawIndexedPrimitiveUP(PrimitiveType type, uint32_t minVertexIndex, uint32_t numVertexIndices,
                                          uint32_t primitiveCount, const void* indexData, Format indexFormat,
                                          const void* vertexData, uint32_t vertexStride);

private:
    uint32_t refCount_ = 1;
};

// What the OpenGL device is created from. present.hDeviceWindow is the os::WindowHandle of a
// window created for OpenGL. adapter, deviceType and behaviorFlags are only reported back by
// GetCreationParameters.
struct DeviceParams {
    PresentParameters present{};
    uint32_t adapter = 0;
    DevType deviceType = D3DDEVTYPE_HAL;
    uint32_t behaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
};

// Creates the OpenGL device on the window. D3DERR_INVALIDCALL for bad parameters,
// D3DERR_NOTAVAILABLE when no suitable OpenGL context can be made.
Result CreateGLDevice(const DeviceParams& params, Device** device);

// On a software rasteriser the OpenGL device hands a long frame to the driver in parts of this
// many draws, counted from the frame's start, each part waiting until the one before it is drawn.
constexpr uint32_t kGLDrawsPerHandOver = 192;

// Whether a driver's renderer name (its GL_RENDERER) is that of a software rasteriser.
bool IsSoftwareRasteriser(const char* renderer);

// Tests: devices created from now on take this for their driver's renderer name (nullptr: the
// driver's own again).
void OverrideGLRendererName(const char* renderer);

// The capabilities the OpenGL device reports, available before any device exists (a hidden
// window and context are made for the query when needed). False when OpenGL is unavailable.
bool GetGLDeviceCaps(Caps* caps);

// Whether the OpenGL device can create a resource of this format: usage 0 or
// D3DUSAGE_RENDERTARGET with D3DRTYPE_TEXTURE or D3DRTYPE_SURFACE, or D3DUSAGE_DEPTHSTENCIL.
bool CheckGLFormat(uint32_t usage, ResourceType type, Format format);

}  // namespace gfx
