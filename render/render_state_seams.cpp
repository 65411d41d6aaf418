#include "render/render_state_seams.h"

#include "platform/gfx/types.h"
#include "render/video.h"

void ApplyScreenSpaceStates() {
    if (!g_Video.GetDevice()) return;
    g_Video.RestoreStates();
    g_Video.SetZEnable(false);
    g_Video.SetBlendMode(2);
    g_Video.SetLighting(false);
    g_Video.SetWorldMatrix(nullptr, 0, true);
    g_Video.SetVertexShader(0x1C4);
    g_Video.SetTexture(-1, nullptr);
    g_Video.SetColorOp(0, gfx::D3DTOP_MODULATE);
    g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
    g_Video.SetColorArg(0, 1, gfx::D3DTA_DIFFUSE);
    g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
}
