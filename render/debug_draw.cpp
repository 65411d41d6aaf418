#include "render/debug_draw.h"

#include <vector>

#include "platform/os/os.h"
#include "render/video.h"
#include "world/path_map.h"

using namespace gfx;

namespace {

constexpr float kCellLift = 0.015f;

void DebugStates() {
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    g_Video.SetTexture(-1, nullptr);
    g_Video.SetVertexShader(DEBUG_VERTEX_FVF);
    g_Video.SetZEnable(true);
    g_Video.SetZWrite(false);
    g_Video.SetBlendMode(1);
}

}  // namespace

int ShowMouseCursor(bool show) {
    int count;
    if (show) {
        do count = os::ShowCursor(true);
        while (count < 0);
    } else {
        do count = os::ShowCursor(false);
        while (count >= 0);
    }
    return count;
}

void BeginDebugDraw(float x0, float y0, float z0, float x1, float y1, float z1, uint32_t colour) {
    Device* d = g_Video.device;
    if (!d) return;
    uint32_t block = 0;
    if (Failed(d->CreateStateBlock(D3DSBT_ALL, &block))) block = 0;
    d->SetTexture(0, nullptr);
    d->SetRenderState(D3DRS_LIGHTING, 0);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, 1);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d->SetRenderState(D3DRS_CLIPPING, 1);
    d->SetRenderState(D3DRS_EDGEANTIALIAS, 0);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    d->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    d->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, 0);
    d->SetRenderState(D3DRS_FOGENABLE, 0);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetVertexShader(DEBUG_VERTEX_FVF);
    d->SetTransform(D3DTS_WORLDMATRIX(0), &IdentityMatrix);
    DebugVertex v[2] = {{x0, y0, z0, colour}, {x1, y1, z1, colour}};
    d->DrawPrimitiveUP(D3DPT_LINELIST, 1, v, sizeof(DebugVertex));
    if (block) {
        d->ApplyStateBlock(block);
        d->DeleteStateBlock(block);
    }
}

void DrawDebugPolygon(const Vec3* points, int count, uint32_t colour) {
    count %= 256;
    if (!points || count < 3 || !g_Video.device) return;
    std::vector<DebugVertex> v(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) v[size_t(i)] = {points[i].x, points[i].y, points[i].z, colour};
    DebugStates();
    g_Video.device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, uint32_t(count - 2), v.data(), sizeof(DebugVertex));
}

void DrawDebugTriangleList(const DebugVertex* vertices, int triangleCount) {
    if (!vertices || triangleCount <= 0 || !g_Video.device) return;
    DebugStates();
    g_Video.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, uint32_t(triangleCount), vertices, sizeof(DebugVertex));
}

void GridCellCorners(const PathLayer& layer, float offX, float offZ, const CellRef& cell, Vec3 out[4]) {
    float x0 = float(cell.x) - offX, z0 = float(cell.z) - offZ;
    const float* h = layer.corners;
    out[0] = {x0, h[0] + kCellLift, z0};
    out[1] = {x0, h[1] + kCellLift, z0 + 1.0f};
    out[2] = {x0 + 1.0f, h[2] + kCellLift, z0 + 1.0f};
    out[3] = {x0 + 1.0f, h[3] + kCellLift, z0};
}

void DrawGridCell(const CellRef& cell, uint32_t colour) {
    const PathMap* map = ScenarioPathMap();
    if (!map) return;
    if (!map->IsValidCell(cell)) return;
    const PathLayer* layer = map->GetLayer(cell);
    Vec3 q[4];
    GridCellCorners(*layer, map->offX, map->offZ, cell, q);
    DrawDebugPolygon(q, 4, colour);
}

void DrawGridCells(const CellRef* cells, const uint32_t* colours, int count) {
    const PathMap* map = ScenarioPathMap();
    if (!map || !cells || !colours || count <= 0) return;
    std::vector<const PathLayer*> layers(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) layers[size_t(i)] = map->IsValidCell(cells[i]) ? map->GetLayer(cells[i]) : nullptr;
    DrawGridCellLayers(cells, layers.data(), colours, count, map->offX, map->offZ);
}

void DrawGridCellLayers(const CellRef* cells, const PathLayer* const* layers, const uint32_t* colours, int count,
                        float offX, float offZ) {
    if (!cells || !layers || !colours || count <= 0) return;
    std::vector<DebugVertex> v;
    v.reserve(size_t(count) * 6);
    for (int i = 0; i < count; ++i) {
        if (!layers[i]) continue;   // the map has no record for it
        Vec3 q[4];
        GridCellCorners(*layers[i], offX, offZ, cells[i], q);
        const int order[6] = {0, 1, 2, 3, 0, 2};
        for (int k : order) v.push_back({q[k].x, q[k].y, q[k].z, colours[i]});
    }
    DrawDebugTriangleList(v.data(), int(v.size() / 3));
}
