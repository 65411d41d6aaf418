#include "platform/gfx/device.h"

#include <cstring>

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

void FillDefaultRenderStates(uint32_t (&rs)[kRenderStateCount], bool zEnable) {
    std::memset(rs, 0, sizeof(rs));
    rs[D3DRS_ZENABLE] = zEnable ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = 1;
    rs[D3DRS_LASTPIXEL] = 1;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = 1;
    rs[D3DRS_LIGHTING] = 1;
    rs[D3DRS_COLORVERTEX] = 1;
    rs[D3DRS_LOCALVIEWER] = 1;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = 1;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
}

void FillDefaultStageStates(uint32_t stage, uint32_t (&t)[kTextureStageStateCount]) {
    std::memset(t, 0, sizeof(t));
    t[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    t[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    t[D3DTSS_TEXCOORDINDEX] = stage;
    t[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    t[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    t[D3DTSS_MAXANISOTROPY] = 1;
    t[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    t[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
}

Light DefaultLight() {
    Light l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    l.Direction = {0.0f, 0.0f, 1.0f};
    return l;
}

}  // namespace gfx
