// The settable state of a device and its state blocks, kept once for every backend. The
// OpenGL device turns the state into OpenGL calls when it draws; the recording device logs the
// calls that change it. A backend answers only what is its own: whether a resource or a vertex
// shader handle is its, whether a viewport fits, and what to do when the live state changes.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/gfx/device.h"

namespace gfx {

constexpr uint32_t kMaxStreams = 16;
constexpr uint32_t kMaxClipPlanes = 6;
// Transform slots: view, projection, texture stages 0-7, world matrices 0-255.
constexpr uint32_t kXfView = 0, kXfProjection = 1, kXfTexture0 = 2, kXfWorld0 = kXfTexture0 + kMaxTextureStages;
constexpr uint32_t kTransformSlots = kXfWorld0 + 256;
// Slot of a transform id, or -1 for ids the device does not have.
int TransformSlot(TransformStateType t);

struct LightSlot {
    Light light{};  // Type 0 while never set
    bool enabled = false;
};

// What state blocks capture and apply. Resource pointers hold one reference each.
struct DeviceState {
    uint32_t renderStates[kRenderStateCount] = {};
    uint32_t stageStates[kMaxTextureStages][kTextureStageStateCount] = {};
    Texture* textures[kMaxTextureStages] = {};
    Matrix transforms[kTransformSlots];
    Viewport viewport{};
    Material material{};
    LightSlot lights[kMaxLights];
    float clipPlanes[kMaxClipPlanes][4] = {};
    uint32_t vertexShader = 0;  // FVF code or declaration handle
    VertexBuffer* streams[kMaxStreams] = {};
    uint32_t strides[kMaxStreams] = {};
    IndexBuffer* indices = nullptr;
    uint32_t baseVertexIndex = 0;

    // The identity matrix for ids the device does not have.
    const Matrix& Transform(TransformStateType t) const;
};

// Which parts of the state a block holds.
struct StateMask {
    std::bitset<kRenderStateCount> renderStates;
    std::bitset<kMaxTextureStages * kTextureStageStateCount> stageStates;
    std::bitset<kMaxTextureStages> textures;
    std::bitset<kTransformSlots> transforms;
    bool viewport = false, material = false, vertexShader = false, indices = false;
    std::bitset<kMaxLights> lights;       // the light record
    std::bitset<kMaxLights> lightEnable;  // the enable flag
    std::bitset<kMaxClipPlanes> clipPlanes;
    std::bitset<kMaxStreams> streams;

    // The states a block of this type captures; false for an unknown type.
    bool SetFor(StateBlockType type);
};

// A device that keeps the state above and the state blocks; the backends derive from it.
class StatefulDevice : public Device {
public:
    ~StatefulDevice() override;

    // ---- Test side ----
    const DeviceState& State() const { return state_; }
    bool IsRecordingStateBlock() const { return recording_ != nullptr; }
    size_t StateBlockCount() const { return blocks_.size(); }

    // ---- Device ----
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

protected:
    StatefulDevice() = default;

    // The part of the live state that changed: index is the render state, stage, transform
    // slot, light, clip plane or stream, 0 for the rest.
    enum class StatePart : uint8_t {
        RenderState, StageState, Texture, Transform, Viewport, Material, Light, ClipPlane, VertexShader, Stream, Indices
    };
    // Called after each change of the live state (never for a block being recorded).
    virtual void StateChanged(StatePart part, uint32_t index) = 0;
    // Whether a resource belongs to this device and may be bound.
    virtual bool Owns(const Texture* texture) const = 0;
    virtual bool Owns(const VertexBuffer* buffer) const = 0;
    virtual bool Owns(const IndexBuffer* buffer) const = 0;
    // The backend's own limits, checked after the shared ones.
    virtual bool ViewportAllowed(const Viewport& viewport) const = 0;
    virtual bool VertexShaderAllowed(uint32_t handle) const = 0;

    // The state a new or reset device starts with; bindings are dropped, blocks kept.
    void ResetState(bool zEnable, uint32_t width, uint32_t height);
    // Drops every binding and block. Backends call it first thing in their destructor, while
    // the resources those hold can still be released properly.
    void ReleaseState();

    DeviceState state_;

private:
    struct Block {
        DeviceState state;
        StateMask mask;
    };

    // The state a Set call writes: the block being recorded, or the live state (mask null).
    DeviceState& Writable(StateMask** mask);
    void StoreTransform(int slot, const Matrix& m);
    void Capture(Block& block);
    void ReleaseRefs(DeviceState& s, const StateMask* mask);

    std::map<uint32_t, std::unique_ptr<Block>> blocks_;
    uint32_t nextBlock_ = 1;
    std::unique_ptr<Block> recording_;
};

}  // namespace gfx
