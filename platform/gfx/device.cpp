#include "platform/gfx/device.h"

namespace gfx {

uint32_t RefCounted::AddRef() { return ++refCount_; }

uint32_t RefCounted::Release() {
    if (refCount_ == 0) return 0;
    uint32_t left = --refCount_;
    if (left == 0) delete this;
    return left;
}

uint32_t Device::Release() {
    if (refCount_ == 0) return 0;
    uint32_t left = --refCount_;
    if (left == 0) delete this;
    return left;
}

// The base answers: refused, nothing filled.
void Device::SimulateLoss(bool) {}
Result Device::Reset(PresentParameters*) { return D3DERR_INVALIDCALL; }
Result Device::Present(const Rect*, const Rect*, void*, const void*) { return D3DERR_INVALIDCALL; }
Result Device::BeginScene() { return D3DERR_INVALIDCALL; }
Result Device::EndScene() { return D3DERR_INVALIDCALL; }
Result Device::Clear(uint32_t, const Rect*, uint32_t, Color, float, uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::GetDeviceCaps(Caps*) { return D3DERR_INVALIDCALL; }
Result Device::GetDisplayMode(DisplayMode*) { return D3DERR_INVALIDCALL; }
Result Device::GetCreationParameters(DeviceCreationParameters*) { return D3DERR_INVALIDCALL; }
uint32_t Device::GetAvailableTextureMem() { return 0; }
void Device::SetGammaRamp(uint32_t, const GammaRamp*) {}
void Device::GetGammaRamp(GammaRamp*) {}
Result Device::ValidateDevice(uint32_t*) { return D3DERR_INVALIDCALL; }
Result Device::GetBackBuffer(uint32_t, BackBufferType, Surface**) { return D3DERR_INVALIDCALL; }
Result Device::GetFrontBuffer(Surface*) { return D3DERR_INVALIDCALL; }
Result Device::CreateRenderTarget(uint32_t, uint32_t, Format, MultiSampleType, bool, Surface**) {
    return D3DERR_INVALIDCALL;
}
Result Device::CreateDepthStencilSurface(uint32_t, uint32_t, Format, MultiSampleType, Surface**) {
    return D3DERR_INVALIDCALL;
}
Result Device::CreateImageSurface(uint32_t, uint32_t, Format, Surface**) { return D3DERR_INVALIDCALL; }
Result Device::CopyRects(Surface*, const Rect*, uint32_t, Surface*, const Point*) { return D3DERR_INVALIDCALL; }
Result Device::SetRenderTarget(Surface*, Surface*) { return D3DERR_INVALIDCALL; }
Result Device::GetRenderTarget(Surface**) { return D3DERR_INVALIDCALL; }
Result Device::GetDepthStencilSurface(Surface**) { return D3DERR_INVALIDCALL; }
Result Device::CreateTexture(uint32_t, uint32_t, uint32_t, uint32_t, Format, Pool, Texture**) {
    return D3DERR_INVALIDCALL;
}
Result Device::CreateVertexBuffer(uint32_t, uint32_t, uint32_t, Pool, VertexBuffer**) { return D3DERR_INVALIDCALL; }
Result Device::CreateIndexBuffer(uint32_t, uint32_t, Format, Pool, IndexBuffer**) { return D3DERR_INVALIDCALL; }
Result Device::CreateVertexShader(const uint32_t*, const uint32_t*, uint32_t*, uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::DeleteVertexShader(uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::SetTransform(TransformStateType, const Matrix*) { return D3DERR_INVALIDCALL; }
Result Device::GetTransform(TransformStateType, Matrix*) { return D3DERR_INVALIDCALL; }
Result Device::MultiplyTransform(TransformStateType, const Matrix*) { return D3DERR_INVALIDCALL; }
Result Device::SetViewport(const Viewport*) { return D3DERR_INVALIDCALL; }
Result Device::GetViewport(Viewport*) { return D3DERR_INVALIDCALL; }
Result Device::SetMaterial(const Material*) { return D3DERR_INVALIDCALL; }
Result Device::GetMaterial(Material*) { return D3DERR_INVALIDCALL; }
Result Device::SetLight(uint32_t, const Light*) { return D3DERR_INVALIDCALL; }
Result Device::GetLight(uint32_t, Light*) { return D3DERR_INVALIDCALL; }
Result Device::LightEnable(uint32_t, bool) { return D3DERR_INVALIDCALL; }
Result Device::GetLightEnable(uint32_t, bool*) { return D3DERR_INVALIDCALL; }
Result Device::SetClipPlane(uint32_t, const float*) { return D3DERR_INVALIDCALL; }
Result Device::GetClipPlane(uint32_t, float*) { return D3DERR_INVALIDCALL; }
Result Device::SetRenderState(RenderStateType, uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::GetRenderState(RenderStateType, uint32_t*) { return D3DERR_INVALIDCALL; }
Result Device::SetTexture(uint32_t, Texture*) { return D3DERR_INVALIDCALL; }
Result Device::GetTexture(uint32_t, Texture**) { return D3DERR_INVALIDCALL; }
Result Device::SetTextureStageState(uint32_t, TextureStageStateType, uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::GetTextureStageState(uint32_t, TextureStageStateType, uint32_t*) { return D3DERR_INVALIDCALL; }
Result Device::CreateStateBlock(StateBlockType, uint32_t*) { return D3DERR_INVALIDCALL; }
Result Device::BeginStateBlock() { return D3DERR_INVALIDCALL; }
Result Device::EndStateBlock(uint32_t*) { return D3DERR_INVALIDCALL; }
Result Device::ApplyStateBlock(uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::CaptureStateBlock(uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::DeleteStateBlock(uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::SetVertexShader(uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::GetVertexShader(uint32_t*) { return D3DERR_INVALIDCALL; }
Result Device::SetStreamSource(uint32_t, VertexBuffer*, uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::GetStreamSource(uint32_t, VertexBuffer**, uint32_t*) { return D3DERR_INVALIDCALL; }
Result Device::SetIndices(IndexBuffer*, uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::GetIndices(IndexBuffer**, uint32_t*) { return D3DERR_INVALIDCALL; }
Result Device::DrawPrimitive(PrimitiveType, uint32_t, uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::DrawIndexedPrimitive(PrimitiveType, uint32_t, uint32_t, uint32_t, uint32_t) {
    return D3DERR_INVALIDCALL;
}
Result Device::DrawPrimitiveUP(PrimitiveType, uint32_t, const void*, uint32_t) { return D3DERR_INVALIDCALL; }
Result Device::DrawIndexedPrimitiveUP(PrimitiveType, uint32_t, uint32_t, uint32_t, const void*, Format, const void*,
                                      uint32_t) {
    return D3DERR_INVALIDCALL;
}

}  // namespace gfx
