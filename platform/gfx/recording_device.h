// The recording device: a Device without any drawing. It keeps the state in the device base
// like the OpenGL device, holds its resources in memory (lockable, readable back), and appends
// each call to a log, so that unit tests can check which calls drawing code made, in which
// order, and what the device holds.
//
// It follows the OpenGL device's rules (validation, reference counting, loss and reset) and the
// classic device's where that one is silent:
// - draws outside BeginScene/EndScene, with no vertex format, or reaching past a buffer are
//   refused with D3DERR_INVALIDCALL;
// - drawing from memory leaves the stream and index bindings as they were (the video object's
//   cache relies on it);
// - Reset refuses while resources of D3DPOOL_DEFAULT are alive or while the caller still holds
//   the implicit back buffer or depth surface; a failed Reset leaves the device lost and ready
//   for another Reset (TestCooperativeLevel gives D3DERR_DEVICENOTRESET);
// - Clear really fills the colour target's pixels and Present copies the back buffer to the
//   front buffer, so GetFrontBuffer returns what was cleared or written through a lock.
// Failures can be injected per call kind (FailNext); creation failures through the factory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/gfx/device_state.h"

namespace gfx {

namespace rec {
class Object;
class RecSurface;
class RecTexture;
class RecVertexBuffer;
class RecIndexBuffer;
}  // namespace rec

// Every call the log knows, device calls first, then calls on the device's resources.
enum class CallKind : uint8_t {
    TestCooperativeLevel,
    Reset,
    Present,
    BeginScene,
    EndScene,
    Clear,
    GetDeviceCaps,
    GetDisplayMode,
    GetCreationParameters,
    GetAvailableTextureMem,
    SetGammaRamp,
    GetGammaRamp,
    ValidateDevice,
    GetBackBuffer,
    GetFrontBuffer,
    CreateRenderTarget,
    CreateDepthStencilSurface,
    CreateImageSurface,
    CopyRects,
    SetRenderTarget,
    GetRenderTarget,
    GetDepthStencilSurface,
    CreateTexture,
    CreateVertexBuffer,
    CreateIndexBuffer,
    CreateVertexShader,
    DeleteVertexShader,
    SetTransform,
    GetTransform,
    MultiplyTransform,
    SetViewport,
    GetViewport,
    SetMaterial,
    GetMaterial,
    SetLight,
    GetLight,
    LightEnable,
    GetLightEnable,
    SetClipPlane,
    GetClipPlane,
    SetRenderState,
    GetRenderState,
    SetTexture,
    GetTexture,
    SetTextureStageState,
    GetTextureStageState,
    CreateStateBlock,
    BeginStateBlock,
    EndStateBlock,
    ApplyStateBlock,
    CaptureStateBlock,
    DeleteStateBlock,
    SetVertexShader,
    GetVertexShader,
    SetStreamSource,
    GetStreamSource,
    SetIndices,
    GetIndices,
    DrawPrimitive,
    DrawIndexedPrimitive,
    DrawPrimitiveUP,
    DrawIndexedPrimitiveUP,
    LockVertexBuffer,
    UnlockVertexBuffer,
    LockIndexBuffer,
    UnlockIndexBuffer,
    LockTexture,
    UnlockTexture,
    LockSurface,
    UnlockSurface,
    Count
};
const char* CallKindName(CallKind kind);

// One logged call. args hold the integer arguments in call order (a getter's answer follows its
// arguments); values the float ones; objects the resources passed or created (identity only,
// never dereferenced: they may be gone).
//   Clear                 args {count, flags, colour, stencil}, values {z}
//   Reset                 args {width, height, format, windowed} as asked
//   SetRenderState        args {state, value}         SetTextureStageState  args {stage, type, value}
//   SetTexture            args {stage}, objects {texture}
//   SetTransform, GetTransform, MultiplyTransform     args {state}, matrix
//   SetViewport           args {X, Y, Width, Height}, values {MinZ, MaxZ}
//   SetMaterial           values {diffuse r, g, b, a}
//   SetLight              args {index, type}          LightEnable  args {index, enable}
//   SetClipPlane          args {index}, values {a, b, c, d}
//   SetVertexShader       args {handle}
//   SetStreamSource       args {stream, stride}, objects {buffer}
//   SetIndices            args {base vertex index}, objects {buffer}
//   SetRenderTarget       objects {target, depth}
//   DrawPrimitive         args {type, start vertex, primitive count}
//   DrawIndexedPrimitive  args {type, min index, vertex count, start index, primitive count}
//   DrawPrimitiveUP       args {type, primitive count, stride}
//   DrawIndexedPrimitiveUP args {type, min vertex index, vertex count, primitive count,
//                               index format, stride}
//   Create*               the size/usage/format/pool arguments, objects {created}
//   Create/Apply/Capture/Delete/EndStateBlock         args {type or token, token}
//   Lock/UnlockVertexBuffer, Lock/UnlockIndexBuffer   args {offset, size, flags}, objects {buffer}
//   Lock/UnlockTexture    args {level, flags}, objects {texture}
//   Lock/UnlockSurface    args {flags}, objects {surface}
struct Call {
    CallKind kind = CallKind::Count;
    Result result = D3D_OK;
    uint32_t args[6] = {};
    float values[4] = {};
    const void* objects[2] = {};
    uint32_t objectIds[2] = {};  // names in the text ("tex#3"); 0 for none
    Matrix matrix{};
    int32_t draw = -1;  // index into Draws() for a successful draw
};

// The render and texture-stage states at one draw; consecutive draws without a state change
// share one copy.
struct DrawStates {
    uint32_t renderStates[kRenderStateCount];
    uint32_t stageStates[kMaxTextureStages][kTextureStageStateCount];
};

// A successful draw with the state it drew with.
struct DrawRecord {
    CallKind kind = CallKind::DrawPrimitive;
    PrimitiveType type = D3DPT_TRIANGLELIST;
    uint32_t primitiveCount = 0;
    uint32_t vertexCount = 0;  // vertices the primitives use (indices for indexed draws)
    uint32_t startVertex = 0, minIndex = 0, numVertices = 0, startIndex = 0;
    uint32_t vertexShader = 0;  // FVF code or declaration handle
    const VertexBuffer* stream0 = nullptr;  // null for draws from memory
    uint32_t stride = 0;
    const IndexBuffer* indices = nullptr;
    uint32_t baseVertexIndex = 0;
    const Texture* textures[kMaxTextureStages] = {};
    Matrix world{};
    // Draws from memory: the vertex bytes from vertex 0 up to the last one used, and the indices.
    std::vector<uint8_t> vertexData;
    std::vector<uint8_t> indexData;
    Format indexFormat = D3DFMT_UNKNOWN;
    std::shared_ptr<const DrawStates> states;
    size_t callIndex = 0;

    uint32_t RenderState(RenderStateType s) const { return states->renderStates[s]; }
    uint32_t StageState(uint32_t stage, TextureStageStateType t) const { return states->stageStates[stage][t]; }
};

// What scene code reads back of a light.
using RecordingLight = LightSlot;

struct RecordingCounters {
    uint32_t scenesBegun = 0;
    uint32_t scenesEnded = 0;
    uint32_t presents = 0;
    uint32_t clears = 0;
    uint32_t draws = 0;
    uint64_t primitives = 0;
    uint32_t resets = 0;
};

// What a device answers about itself; tests change it per device or for the next ones.
struct RecordingConfig {
    Caps caps{};                 // DeviceType and AdapterOrdinal come from the creation parameters
    DisplayMode desktopMode{};   // a windowed device's display mode
    uint32_t windowWidth = 0;    // the client size a windowed back buffer of size 0 takes
    uint32_t windowHeight = 0;
    uint32_t availableTextureMem = 0;
    std::vector<Format> refusedFormats;  // textures and surfaces of these formats are refused
};
// Capabilities shaped like the OpenGL device's on a common driver: no hardware vertex
// processing, no bump mapping, 4 texture stages, 2048-texel textures, 8 lights, 6 clip planes.
RecordingConfig DefaultRecordingConfig();

// The factory's global settings. Reset between tests.
struct RecordingFactory {
    RecordingConfig config = DefaultRecordingConfig();  // what each new device starts with
    uint32_t failCreations = 0;                         // the next n creations fail ...
    Result createResult = D3DERR_NOTAVAILABLE;          // ... with this result
    uint32_t creationCalls = 0;                         // every creation asked for
};
RecordingFactory& GetRecordingFactory();
void ResetRecordingFactory();

// A windowed device of the given size, X8R8G8B8, with a D16 depth buffer.
DeviceParams RecordingDeviceParams(uint32_t width = 640, uint32_t height = 480);

// Same contract as CreateGLDevice; no window is needed.
Result CreateRecordingDevice(const DeviceParams& params, Device** device);
Result CreateRecordingDevice(const DeviceParams& params, class RecordingDevice** device);
// The recording device behind a device pointer, or null.
RecordingDevice* AsRecordingDevice(Device* device);

class RecordingDevice final : public StatefulDevice {
public:
    ~RecordingDevice() override;

    // ---- Test side: log ----
    const std::vector<Call>& Log() const { return log_; }
    const std::vector<DrawRecord>& Draws() const { return draws_; }
    void ClearLog();
    size_t CountCalls(CallKind kind) const;
    std::vector<Call> CallsOf(CallKind kind) const;
    // Index of the first call of the kind at or after `from`, or npos.
    static constexpr size_t npos = size_t(-1);
    size_t FindCall(CallKind kind, size_t from = 0) const;
    // Values sent for one render state / one stage state, in order.
    std::vector<uint32_t> RenderStateSends(RenderStateType state) const;
    std::vector<uint32_t> StageStateSends(uint32_t stage, TextureStageStateType type) const;
    // "SetRenderState(ZENABLE, 1)", "SetTexture(0, tex#3)", "Present() -> D3DERR_DEVICELOST".
    std::string Describe(const Call& call) const;
    std::vector<std::string> LogLines() const;
    std::string LogText() const;  // the lines, each ending in '\n'
    // "tex#3" for an object of this device (also after it died), "null" for none.
    std::string NameOf(const void* object) const;

    // ---- Test side: failure injection ----
    // The next `count` calls of the kind, after `skip` calls that go through, return `result`
    // without any effect (they are logged with it). A failed Reset also leaves the device lost.
    void FailNext(CallKind kind, Result result, uint32_t count = 1, uint32_t skip = 0);
    void ClearFailures() { failures_.clear(); }

    // ---- Test side: state (State(), IsRecordingStateBlock() and StateBlockCount() too) ----
    uint32_t RenderState(RenderStateType s) const { return state_.renderStates[s]; }
    uint32_t StageState(uint32_t stage, TextureStageStateType t) const { return state_.stageStates[stage][t]; }
    const Matrix& Transform(TransformStateType t) const { return state_.Transform(t); }
    Texture* TextureAt(uint32_t stage) const { return stage < kMaxTextureStages ? state_.textures[stage] : nullptr; }
    Surface* BackBuffer() const;
    Surface* RenderTarget() const;
    Surface* DepthStencil() const;
    const PresentParameters& PresentParams() const { return params_.present; }
    const GammaRamp& Gamma() const { return gamma_; }
    uint32_t GammaFlags() const { return gammaFlags_; }
    bool InScene() const { return inScene_; }
    bool IsLost() const { return lost_; }
    const RecordingCounters& Counters() const { return counters_; }
    RecordingConfig& Config() { return config_; }
    // Resources of this device still alive (the implicit back buffer and depth surface not
    // counted); with a pool, only that pool's.
    size_t LiveResources() const;
    size_t LiveResources(Pool pool) const;
    // The reference count of an object of a recording device (0 for anything else).
    static uint32_t RefCountOf(const RefCounted* object);

    // ---- Device ----
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

    Result SetTransform(TransformStateType state, const Matrix* matrix) override;
    Result GetTransform(TransformStateType state, Matrix* matrix) override;
    Result MultiplyTransform(TransformStateType state, const Matrix* matrix) override;
    Result SetViewport(const Viewport* viewport) override;
    Result GetViewport(Viewport* viewport) override;
    Result SetMaterial(const Material* material) override;
    Result GetMaterial(Material* material) override;
    Result SetLight(uint32_t index, const Light* light) override;
    Result GetLight(uint32_t index, Light* light) override;
    Result LightEnable(uint32_t index, bool enable) override;
    Result GetLightEnable(uint32_t index, bool* enable) override;
    Result SetClipPlane(uint32_t index, const float* plane) override;
    Result GetClipPlane(uint32_t index, float* plane) override;

    Result SetRenderState(RenderStateType state, uint32_t value) override;
    Result GetRenderState(RenderStateType state, uint32_t* value) override;
    Result SetTexture(uint32_t stage, Texture* texture) override;
    Result GetTexture(uint32_t stage, Texture** texture) override;
    Result SetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t value) override;
    Result GetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t* value) override;

    Result CreateStateBlock(StateBlockType type, uint32_t* token) override;
    Result BeginStateBlock() override;
    Result EndStateBlock(uint32_t* token) override;
    Result ApplyStateBlock(uint32_t token) override;
    Result CaptureStateBlock(uint32_t token) override;
    Result DeleteStateBlock(uint32_t token) override;

    Result SetVertexShader(uint32_t handle) override;
    Result GetVertexShader(uint32_t* handle) override;
    Result SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride) override;
    Result GetStreamSource(uint32_t stream, VertexBuffer** buffer, uint32_t* stride) override;
    Result SetIndices(IndexBuffer* buffer, uint32_t baseVertexIndex) override;
    Result GetIndices(IndexBuffer** buffer, uint32_t* baseVertexIndex) override;
    Result DrawPrimitive(PrimitiveType type, uint32_t startVertex, uint32_t primitiveCount) override;
    Result DrawIndexedPrimitive(PrimitiveType type, uint32_t minIndex, uint32_t numVertices, uint32_t startIndex,
                                uint32_t primitiveCount) override;
    Result DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertexData,
                           uint32_t vertexStride) override;
    Result DrawIndexedPrimitiveUP(PrimitiveType type, uint32_t minVertexIndex, uint32_t numVertexIndices,
                                  uint32_t primitiveCount, const void* indexData, Format indexFormat,
                                  const void* vertexData, uint32_t vertexStride) override;

    // ---- Used by the device's resources ----
    size_t Record(CallKind kind, std::initializer_list<uint32_t> args, const void* object = nullptr);
    bool TakeFailure(CallKind kind, Result* result);
    Result Finish(size_t at, Result result);
    uint32_t NameObject(const void* object, std::string name);
    void Forget(rec::Object* object);

private:
    friend Result CreateRecordingDevice(const DeviceParams& params, RecordingDevice** device);

    struct Failure {
        CallKind kind;
        Result result;
        uint32_t count;
        uint32_t skip;
    };

    RecordingDevice() = default;
    Result Init(const DeviceParams& params);
    bool ValidateParams(PresentParameters& pp) const;
    bool FormatRefused(Format format) const;
    void SetupBuffers();
    void ResetState();
    void StateChanged(StatePart part, uint32_t index) override;
    bool Owns(const Texture* texture) const override;
    bool Owns(const VertexBuffer* buffer) const override;
    bool Owns(const IndexBuffer* buffer) const override;
    bool ViewportAllowed(const Viewport& viewport) const override;
    bool VertexShaderAllowed(uint32_t handle) const override;
    void Adopt(rec::Object* object, const char* prefix);
    void Remember(Call& call, int slot, const void* object);
    template <typename F>
    Result Run(size_t at, F&& body);
    Result Draw(size_t at, PrimitiveType type, uint32_t primitiveCount, DrawRecord&& record);
    uint32_t HeldRefs(const rec::RecSurface* s) const;

    DeviceParams params_{};
    RecordingConfig config_{};
    bool lost_ = false, resettable_ = false, inScene_ = false;
    GammaRamp gamma_{};
    uint32_t gammaFlags_ = 0;
    rec::RecSurface* backBuffer_ = nullptr;   // one reference each
    rec::RecSurface* autoDepth_ = nullptr;
    rec::RecSurface* renderTarget_ = nullptr;
    rec::RecSurface* depthTarget_ = nullptr;
    std::vector<uint8_t> front_;  // the last presented image, in the back buffer's format
    uint32_t frontWidth_ = 0, frontHeight_ = 0;
    Format frontFormat_ = D3DFMT_UNKNOWN;
    std::map<uint32_t, std::vector<uint32_t>> shaders_;  // declaration tokens by handle
    uint32_t nextShader_ = 1;
    std::set<rec::Object*> live_;
    std::vector<std::string> names_{"null"};  // by object id
    std::map<const void*, uint32_t> ids_;     // live objects' ids
    std::vector<Call> log_;
    std::vector<DrawRecord> draws_;
    std::shared_ptr<const DrawStates> drawStates_;  // null when the states changed since
    std::vector<Failure> failures_;
    RecordingCounters counters_;
};

}  // namespace gfx
