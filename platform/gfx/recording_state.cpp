// The recording device's state calls: each one is logged and may be made to fail; the state and
// the state blocks themselves are the device base's.
#include <algorithm>

#include "platform/gfx/recording_internal.h"

namespace gfx {

using rec::Own;

// ---- What the base asks of the backend ----

void RecordingDevice::StateChanged(StatePart, uint32_t) {
    // The next draw takes a fresh copy of the states.
    drawStates_.reset();
}

bool RecordingDevice::Owns(const Texture* texture) const { return Own<const rec::RecTexture>(texture, this); }
bool RecordingDevice::Owns(const VertexBuffer* buffer) const { return Own<const rec::RecVertexBuffer>(buffer, this); }
bool RecordingDevice::Owns(const IndexBuffer* buffer) const { return Own<const rec::RecIndexBuffer>(buffer, this); }

bool RecordingDevice::ViewportAllowed(const Viewport& v) const {
    // The viewport must lie inside the render target, as the classic device demands; a block
    // being recorded may hold any.
    return IsRecordingStateBlock() || (uint64_t(v.X) + v.Width <= renderTarget_->width &&
                                       uint64_t(v.Y) + v.Height <= renderTarget_->height);
}

bool RecordingDevice::VertexShaderAllowed(uint32_t handle) const {
    return (handle & 1u) ? shaders_.count(handle) != 0 : rec::ValidFvf(handle);
}

// ---- Transforms, viewport, lights, material, clip planes ----

Result RecordingDevice::SetTransform(TransformStateType state, const Matrix* matrix) {
    size_t at = Record(CallKind::SetTransform, {uint32_t(state)});
    if (matrix) log_[at].matrix = *matrix;
    return Run(at, [&] { return StatefulDevice::SetTransform(state, matrix); });
}

Result RecordingDevice::GetTransform(TransformStateType state, Matrix* matrix) {
    size_t at = Record(CallKind::GetTransform, {uint32_t(state)});
    return Run(at, [&] {
        Result r = StatefulDevice::GetTransform(state, matrix);
        if (Succeeded(r)) log_[at].matrix = *matrix;
        return r;
    });
}

Result RecordingDevice::MultiplyTransform(TransformStateType state, const Matrix* matrix) {
    size_t at = Record(CallKind::MultiplyTransform, {uint32_t(state)});
    if (matrix) log_[at].matrix = *matrix;
    return Run(at, [&] { return StatefulDevice::MultiplyTransform(state, matrix); });
}

Result RecordingDevice::SetViewport(const Viewport* viewport) {
    size_t at = viewport ? Record(CallKind::SetViewport, {viewport->X, viewport->Y, viewport->Width, viewport->Height})
                         : Record(CallKind::SetViewport, {});
    if (viewport) {
        log_[at].values[0] = viewport->MinZ;
        log_[at].values[1] = viewport->MaxZ;
    }
    return Run(at, [&] { return StatefulDevice::SetViewport(viewport); });
}

Result RecordingDevice::GetViewport(Viewport* viewport) {
    size_t at = Record(CallKind::GetViewport, {});
    return Run(at, [&] { return StatefulDevice::GetViewport(viewport); });
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
    return Run(at, [&] { return StatefulDevice::SetMaterial(material); });
}

Result RecordingDevice::GetMaterial(Material* material) {
    size_t at = Record(CallKind::GetMaterial, {});
    return Run(at, [&] { return StatefulDevice::GetMaterial(material); });
}

Result RecordingDevice::SetLight(uint32_t index, const Light* light) {
    size_t at = Record(CallKind::SetLight, {index, light ? uint32_t(light->Type) : 0u});
    return Run(at, [&] { return StatefulDevice::SetLight(index, light); });
}

Result RecordingDevice::GetLight(uint32_t index, Light* light) {
    size_t at = Record(CallKind::GetLight, {index});
    return Run(at, [&] { return StatefulDevice::GetLight(index, light); });
}

Result RecordingDevice::LightEnable(uint32_t index, bool enable) {
    size_t at = Record(CallKind::LightEnable, {index, uint32_t(enable)});
    return Run(at, [&] { return StatefulDevice::LightEnable(index, enable); });
}

Result RecordingDevice::GetLightEnable(uint32_t index, bool* enable) {
    size_t at = Record(CallKind::GetLightEnable, {index});
    return Run(at, [&] { return StatefulDevice::GetLightEnable(index, enable); });
}

Result RecordingDevice::SetClipPlane(uint32_t index, const float* plane) {
    size_t at = Record(CallKind::SetClipPlane, {index});
    if (plane) std::copy_n(plane, 4, log_[at].values);
    return Run(at, [&] { return StatefulDevice::SetClipPlane(index, plane); });
}

Result RecordingDevice::GetClipPlane(uint32_t index, float* plane) {
    size_t at = Record(CallKind::GetClipPlane, {index});
    return Run(at, [&] { return StatefulDevice::GetClipPlane(index, plane); });
}

// ---- Render states and texture stages ----

Result RecordingDevice::SetRenderState(RenderStateType state, uint32_t value) {
    size_t at = Record(CallKind::SetRenderState, {uint32_t(state), value});
    return Run(at, [&] { return StatefulDevice::SetRenderState(state, value); });
}

Result RecordingDevice::GetRenderState(RenderStateType state, uint32_t* value) {
    size_t at = Record(CallKind::GetRenderState, {uint32_t(state)});
    return Run(at, [&] {
        Result r = StatefulDevice::GetRenderState(state, value);
        if (Succeeded(r)) log_[at].args[1] = *value;
        return r;
    });
}

Result RecordingDevice::SetTexture(uint32_t stage, Texture* texture) {
    size_t at = Record(CallKind::SetTexture, {stage}, texture);
    return Run(at, [&] { return StatefulDevice::SetTexture(stage, texture); });
}

Result RecordingDevice::GetTexture(uint32_t stage, Texture** texture) {
    if (texture) *texture = nullptr;
    size_t at = Record(CallKind::GetTexture, {stage});
    return Run(at, [&] {
        Result r = StatefulDevice::GetTexture(stage, texture);
        if (Succeeded(r)) Remember(log_[at], 0, *texture);
        return r;
    });
}

Result RecordingDevice::SetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t value) {
    size_t at = Record(CallKind::SetTextureStageState, {stage, uint32_t(type), value});
    return Run(at, [&] { return StatefulDevice::SetTextureStageState(stage, type, value); });
}

Result RecordingDevice::GetTextureStageState(uint32_t stage, TextureStageStateType type, uint32_t* value) {
    size_t at = Record(CallKind::GetTextureStageState, {stage, uint32_t(type)});
    return Run(at, [&] {
        Result r = StatefulDevice::GetTextureStageState(stage, type, value);
        if (Succeeded(r)) log_[at].args[2] = *value;
        return r;
    });
}

// ---- State blocks ----

Result RecordingDevice::CreateStateBlock(StateBlockType type, uint32_t* token) {
    size_t at = Record(CallKind::CreateStateBlock, {uint32_t(type)});
    return Run(at, [&] {
        Result r = StatefulDevice::CreateStateBlock(type, token);
        if (Succeeded(r)) log_[at].args[1] = *token;
        return r;
    });
}

Result RecordingDevice::BeginStateBlock() {
    size_t at = Record(CallKind::BeginStateBlock, {});
    return Run(at, [&] { return StatefulDevice::BeginStateBlock(); });
}

Result RecordingDevice::EndStateBlock(uint32_t* token) {
    size_t at = Record(CallKind::EndStateBlock, {});
    return Run(at, [&] {
        Result r = StatefulDevice::EndStateBlock(token);
        if (Succeeded(r)) log_[at].args[0] = *token;
        return r;
    });
}

Result RecordingDevice::ApplyStateBlock(uint32_t token) {
    size_t at = Record(CallKind::ApplyStateBlock, {token});
    return Run(at, [&] {
        Result r = StatefulDevice::ApplyStateBlock(token);
        if (Succeeded(r)) drawStates_.reset();  // also after a block that holds nothing
        return r;
    });
}

Result RecordingDevice::CaptureStateBlock(uint32_t token) {
    size_t at = Record(CallKind::CaptureStateBlock, {token});
    return Run(at, [&] { return StatefulDevice::CaptureStateBlock(token); });
}

Result RecordingDevice::DeleteStateBlock(uint32_t token) {
    size_t at = Record(CallKind::DeleteStateBlock, {token});
    return Run(at, [&] { return StatefulDevice::DeleteStateBlock(token); });
}

// ---- Vertex input ----

Result RecordingDevice::SetVertexShader(uint32_t handle) {
    size_t at = Record(CallKind::SetVertexShader, {handle});
    return Run(at, [&] { return StatefulDevice::SetVertexShader(handle); });
}

Result RecordingDevice::GetVertexShader(uint32_t* handle) {
    size_t at = Record(CallKind::GetVertexShader, {});
    return Run(at, [&] {
        Result r = StatefulDevice::GetVertexShader(handle);
        if (Succeeded(r)) log_[at].args[0] = *handle;
        return r;
    });
}

Result RecordingDevice::SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride) {
    size_t at = Record(CallKind::SetStreamSource, {stream, stride}, buffer);
    return Run(at, [&] { return StatefulDevice::SetStreamSource(stream, buffer, stride); });
}

Result RecordingDevice::GetStreamSource(uint32_t stream, VertexBuffer** buffer, uint32_t* stride) {
    if (buffer) *buffer = nullptr;
    size_t at = Record(CallKind::GetStreamSource, {stream});
    return Run(at, [&] {
        Result r = StatefulDevice::GetStreamSource(stream, buffer, stride);
        if (Succeeded(r)) {
            Remember(log_[at], 0, *buffer);
            log_[at].args[1] = *stride;
        }
        return r;
    });
}

Result RecordingDevice::SetIndices(IndexBuffer* buffer, uint32_t baseVertexIndex) {
    size_t at = Record(CallKind::SetIndices, {baseVertexIndex}, buffer);
    return Run(at, [&] { return StatefulDevice::SetIndices(buffer, baseVertexIndex); });
}

Result RecordingDevice::GetIndices(IndexBuffer** buffer, uint32_t* baseVertexIndex) {
    if (buffer) *buffer = nullptr;
    size_t at = Record(CallKind::GetIndices, {});
    return Run(at, [&] {
        Result r = StatefulDevice::GetIndices(buffer, baseVertexIndex);
        if (Succeeded(r)) {
            Remember(log_[at], 0, *buffer);
            log_[at].args[0] = *baseVertexIndex;
        }
        return r;
    });
}

}  // namespace gfx
