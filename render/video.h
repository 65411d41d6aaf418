// The single video object: the device, the display mode, the working surface's rectangle and
// the render-state caches through which every drawing subsystem changes device state.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/device.h"

namespace gfx { class Direct3D; }

// Right and bottom inclusive.
struct ScreenRect {
    int32_t left, top, right, bottom;
};

// The record handed to Video::Create and Video::ChangeMode, built from Settings.
struct VideoSettings {
    void* window;            // os::WindowHandle
    int8_t adapter;
    int32_t width;
    int32_t height;
    uint8_t bitsPerPixel;
    uint8_t windowed;
    uint8_t depthStencil;    // depth buffer with stencil (character shadows)
    uint8_t multisample;
    uint8_t anisotropic;
};

// Stands for "no world matrix" throughout.
extern const gfx::Matrix IdentityMatrix;

constexpr int VIDEO_STAGES = 6;
constexpr int VIDEO_STREAMS = 4;
constexpr int VIDEO_WORLD_MATRICES = 4;

struct StageCache {
    gfx::Texture* texture;
    uint8_t inUse;
    uint8_t frozen;           // ignores SetTexture (test keys '1'..'4')
    uint32_t texCoordIndex;
    uint32_t transformFlags;
    uint32_t colorOp;
    uint32_t colorArg[2];
    uint8_t clamp;
};

class Video {
public:
    void* window;                       // os::WindowHandle
    gfx::Direct3D* d3d;
    gfx::Device* device;                // null while no device exists
    // Which device of the run it is: a new device can stand where a destroyed one stood, so what
    // was made on a device keeps this with its address.
    uint32_t deviceSerial;
    int32_t adapter;
    gfx::Caps caps;
    gfx::DisplayMode displayMode;
    gfx::PresentParameters present;
    ScreenRect screenRect;              // the working surface
    ScreenRect windowRect;              // in screen coordinates
    uint8_t windowed;
    uint8_t hardwareVertexProcessing;
    int32_t halfWidth, halfHeight;
    std::vector<gfx::DisplayMode> modes;
    gfx::Surface* renderTarget;
    gfx::Surface* savedRenderTarget;
    gfx::Surface* depthSurface;
    gfx::Surface* savedDepthSurface;
    uint8_t sceneOpen;

    // Render-state caches.
    uint8_t clipping;
    uint8_t multisample;
    uint8_t anisotropic;
    uint8_t culling;
    uint32_t cullMode;
    uint32_t ambient;
    uint8_t lightingLocked;
    uint8_t lighting;
    StageCache stages[VIDEO_STAGES];
    uint8_t highestStage;
    uint32_t vertexShader;
    gfx::VertexBuffer* streams[VIDEO_STREAMS];
    gfx::IndexBuffer* indices;
    const gfx::Matrix* world[VIDEO_WORLD_MATRICES];
    uint8_t blendPreset;
    uint8_t zEnable;
    uint8_t wireframe;

    gfx::Result lastResult;

    Video() { Zero(); }
    ~Video() { Destroy(); }
    Video(const Video&) = delete;
    Video& operator=(const Video&) = delete;
    // The state of a freshly constructed object (tests; the device must be gone).
    void Zero();

    gfx::Device* GetDevice() const { return device; }
    // Whether something made on device `d` when it had `serial` belongs to the device there is now.
    bool IsCurrentDevice(const gfx::Device* d, uint32_t serial) const {
        return d && d == device && serial == deviceSerial;
    }

    bool Create(const VideoSettings& settings);
    gfx::Result CreteD3D();
    gfx::Result CreateDevice(const VideoSettings& settings);
    gfx::Result SetupMatrix();
    void Destroy();
    bool Reset();
    bool ChangeMode(const VideoSettings& settings);
    void UpdateViewport();
    void SetViewport(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void BeginScene();
    void EndScene();
    bool Present();
    bool Clear(gfx::Color colour);
    bool ClearZBuffer();
    gfx::Surface* GetBackBuffer();
    bool PushRenderTarget(gfx::Surface* target, gfx::Surface* depth);
    bool PopRenderTarget();

    // Cached setters.
    bool SetWorldMatrix(const gfx::Matrix* matrix, int index, bool useCache);
    bool HasWorldMatrix() const;
    void SetClipping(bool on);
    void EnableCulling(bool on);
    void SetCullMode(uint32_t mode);
    void SetStreamSource(int stream, gfx::VertexBuffer* buffer, uint32_t stride);
    void SetIndices(gfx::IndexBuffer* buffer);
    void SetAmbient(uint32_t colour);
    void SetLighting(bool on);
    void SetTexture(int stage, gfx::Texture* texture);
    void SetTextureClamp(int stage, bool clamp);
    void SetTexCoordIndex(int stage, uint32_t index);
    void SetTextureTransform(int stage, uint32_t flags);
    void SetColorOp(int stage, uint32_t op);
    void SetColorArg(int stage, int which, uint32_t arg);
    void SetBlendMode(int preset);
    void SetZEnable(bool on);
    void SetWireframe(bool on);

    // Plain forwarders.
    bool SetViewMatrix(const gfx::Matrix* matrix);
    bool SetProjectionMatrix(const gfx::Matrix* matrix);
    void SetSoftwareVertexProcessing(bool on);
    void SetVertexShader(uint32_t handle);
    bool SetMaterial(const gfx::Material* material);
    void SetZWrite(bool on);
    bool SetGammaRamp(const gfx::GammaRamp* ramp);

    void Begin2D();
    void End2D();
    void RestoreStates();

private:
    // Builds the present parameters for the settings (windowed: from the window's client
    // area; full screen: the first listed mode that fits). E_FAIL when no mode fits.
    gfx::Result BuildPresentParameters(const VideoSettings& settings, gfx::DevType type);
    void TakeSurfaces();
    void ReleaseSurfaces();
    void SetStageTexture(int stage, gfx::Texture* texture);
    void SetStageClamp(int stage, bool clamp);
};

extern Video g_Video;

// Where Video::CreteD3D gets its adapter object; tests put a fake one here.
using Direct3DFactory = gfx::Direct3D* (*)();
extern Direct3DFactory g_Direct3DCreate;
