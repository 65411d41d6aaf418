#include "frontend/screen_states.h"

#include <cstdlib>

#include "platform/gfx/device.h"

using namespace gfx;

void SetScreenStates(Device* d, const ScreenStates& s) {
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, s.alphaBlend);
    d->SetRenderState(D3DRS_SRCBLEND, s.srcBlend);
    d->SetRenderState(D3DRS_DESTBLEND, s.destBlend);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, s.alphaTest);
    d->SetRenderState(D3DRS_ALPHAREF, 8);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, 0);
    d->SetRenderState(D3DRS_ZWRITEENABLE, s.zWrite);
    d->SetRenderState(D3DRS_STENCILENABLE, 0);
    d->SetRenderState(D3DRS_CLIPPING, 1);
    d->SetRenderState(D3DRS_EDGEANTIALIAS, 0);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    d->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    d->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, 0);
    d->SetRenderState(D3DRS_FOGENABLE, 0);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, s.stage0AlphaOp);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    int64_t n = int64_t(a) * b;
    int64_t d = c;
    if ((n < 0) != (d < 0)) return int32_t(-((std::abs(n) * 2 + std::abs(d)) / (std::abs(d) * 2)));
    return int32_t((std::abs(n) * 2 + std::abs(d)) / (std::abs(d) * 2));
}
