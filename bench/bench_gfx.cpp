// Speed of the OpenGL device for the shapes the game draws: indexed triangle lists from
// static buffers with a texture change per draw, pre-transformed sprite quads drawn from
// memory, and skinned, lit lists that go through the processor path.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gfx/device.h"
#include "gl_rig.h"
#include "platform/os/os.h"

namespace {

using namespace gfx;

constexpr uint32_t kWidth = 256, kHeight = 256;

using Rig = benchsupport::GLRig<kWidth, kHeight>;

struct MeshVertex {
    float x, y, z;
    uint32_t color;
    float u, v;
};

// A grid of quads over the middle sixteenth of the view at depth 2 (perspective camera at the
// origin), so that the draw calls rather than the filling dominate.
void BuildGrid(Device* d, uint32_t cells, VertexBuffer** vb, IndexBuffer** ib) {
    std::vector<MeshVertex> v;
    std::vector<uint16_t> idx;
    for (uint32_t y = 0; y <= cells; ++y)
        for (uint32_t x = 0; x <= cells; ++x)
            v.push_back({-0.5f + 1.0f * x / cells, 0.5f - 1.0f * y / cells, 2.0f, 0xFFFFFFFF, float(x) / cells,
                         float(y) / cells});
    for (uint32_t y = 0; y < cells; ++y)
        for (uint32_t x = 0; x < cells; ++x) {
            uint16_t a = uint16_t(y * (cells + 1) + x), b = uint16_t(a + 1), c = uint16_t(a + cells + 1),
                     e = uint16_t(c + 1);
            for (uint16_t i : {a, b, c, c, b, e}) idx.push_back(i);
        }
    d->CreateVertexBuffer(uint32_t(v.size() * sizeof(MeshVertex)), D3DUSAGE_WRITEONLY,
                          D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, D3DPOOL_MANAGED, vb);
    d->CreateIndexBuffer(uint32_t(idx.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, ib);
    uint8_t* p = nullptr;
    (*vb)->Lock(0, 0, &p, 0);
    std::memcpy(p, v.data(), v.size() * sizeof(MeshVertex));
    (*vb)->Unlock();
    (*ib)->Lock(0, 0, &p, 0);
    std::memcpy(p, idx.data(), idx.size() * 2);
    (*ib)->Unlock();
}

std::vector<Texture*> MakeTextures(Device* d, int count) {
    std::vector<Texture*> out;
    for (int i = 0; i < count; ++i) {
        Texture* t = nullptr;
        if (d->CreateTexture(64, 64, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t) != D3D_OK) break;
        for (uint32_t l = 0; l < t->GetLevelCount(); ++l) {
            SurfaceDesc sd{};
            t->GetLevelDesc(l, &sd);
            LockedRect lr{};
            t->LockRect(l, &lr, nullptr, 0);
            for (uint32_t y = 0; y < sd.Height; ++y)
                std::memset(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, 40 * i + int(y), sd.Width * 4);
            t->UnlockRect(l);
        }
        out.push_back(t);
    }
    return out;
}

void Camera(Device* d) {
    Matrix p{}, i{};
    for (int k = 0; k < 4; ++k) i.m[k][k] = 1.0f;
    p.m[0][0] = p.m[1][1] = 1.0f;
    p.m[2][2] = 100.0f / 99.0f;
    p.m[2][3] = 1.0f;
    p.m[3][2] = -100.0f / 99.0f;
    d->SetTransform(D3DTS_PROJECTION, &p);
    d->SetTransform(D3DTS_VIEW, &i);
    d->SetTransform(D3DTS_WORLD, &i);
}

// Static world batches: one indexed list per draw, a different texture each time.
void BM_IndexedListsWithTextureChanges(benchmark::State& state) {
    Rig rig(state);
    Device* d = rig.device;
    if (!d) return;
    const int draws = int(state.range(0));
    const uint32_t cells = 8;  // 128 triangles a draw
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    BuildGrid(d, cells, &vb, &ib);
    std::vector<Texture*> textures = MakeTextures(d, 8);
    Camera(d);
    d->SetRenderState(D3DRS_LIGHTING, 0);
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    d->SetStreamSource(0, vb, sizeof(MeshVertex));
    d->SetIndices(ib, 0);
    d->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    const uint32_t triangles = cells * cells * 2;
    for (auto _ : state) {
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        d->BeginScene();
        for (int i = 0; i < draws; ++i) {
            d->SetTexture(0, textures[size_t(i) % textures.size()]);
            d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, (cells + 1) * (cells + 1), 0, triangles);
        }
        d->EndScene();
        d->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["draws"] = benchmark::Counter(double(draws), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles"] =
        benchmark::Counter(double(draws) * triangles, benchmark::Counter::kIsIterationInvariantRate);
    d->SetTexture(0, nullptr);
    d->SetStreamSource(0, nullptr, 0);
    d->SetIndices(nullptr, 0);
    for (Texture* t : textures) t->Release();
    vb->Release();
    ib->Release();
}
BENCHMARK(BM_IndexedListsWithTextureChanges)->Arg(100)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

// Screen-space sprites, glows and text: one pre-transformed quad per draw from memory.
void BM_PreTransformedQuads(benchmark::State& state) {
    Rig rig(state);
    Device* d = rig.device;
    if (!d) return;
    struct TL {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
        float u, v;
    };
    const int quads = int(state.range(0));
    std::vector<Texture*> textures = MakeTextures(d, 2);
    d->SetRenderState(D3DRS_ZENABLE, 0);
    d->SetRenderState(D3DRS_LIGHTING, 0);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
    d->SetTexture(0, textures[0]);
    for (auto _ : state) {
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        d->BeginScene();
        for (int i = 0; i < quads; ++i) {
            float x = float((i * 37) % 224), y = float((i * 53) % 224);
            TL v[4] = {{x, y, 0, 1, 0x80FFFFFF, 0, 0, 0},           {x + 32, y, 0, 1, 0x80FFFFFF, 0, 1, 0},
                       {x, y + 32, 0, 1, 0x80FFFFFF, 0, 0, 1},      {x + 32, y + 32, 0, 1, 0x80FFFFFF, 0, 1, 1}};
            d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TL));
        }
        d->EndScene();
        d->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["draws"] = benchmark::Counter(double(quads), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles"] = benchmark::Counter(double(quads) * 2, benchmark::Counter::kIsIterationInvariantRate);
    d->SetTexture(0, nullptr);
    for (Texture* t : textures) t->Release();
}
BENCHMARK(BM_PreTransformedQuads)->Arg(100)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

// Characters: two-matrix vertex blending with a directional light, done on the processor.
void BM_SkinnedLitLists(benchmark::State& state) {
    Rig rig(state);
    Device* d = rig.device;
    if (!d) return;
    struct SkinVertex {
        float x, y, z, w0, nx, ny, nz;
        uint32_t color;
    };
    const uint32_t cells = 32;  // 2048 triangles a draw
    std::vector<SkinVertex> v;
    std::vector<uint16_t> idx;
    for (uint32_t y = 0; y <= cells; ++y)
        for (uint32_t x = 0; x <= cells; ++x)
            v.push_back({-2.0f + 4.0f * x / cells, 2.0f - 4.0f * y / cells, 2.0f, float(x) / cells, 0, 0, -1,
                         0xFFFFFFFF});
    for (uint32_t y = 0; y < cells; ++y)
        for (uint32_t x = 0; x < cells; ++x) {
            uint16_t a = uint16_t(y * (cells + 1) + x), b = uint16_t(a + 1), c = uint16_t(a + cells + 1),
                     e = uint16_t(c + 1);
            for (uint16_t i : {a, b, c, c, b, e}) idx.push_back(i);
        }
    const uint32_t fvf = D3DFVF_XYZB1 | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    d->CreateVertexBuffer(uint32_t(v.size() * sizeof(SkinVertex)), D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb);
    d->CreateIndexBuffer(uint32_t(idx.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
    uint8_t* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, v.data(), v.size() * sizeof(SkinVertex));
    vb->Unlock();
    ib->Lock(0, 0, &p, 0);
    std::memcpy(p, idx.data(), idx.size() * 2);
    ib->Unlock();
    Camera(d);
    Matrix w1{};
    for (int k = 0; k < 4; ++k) w1.m[k][k] = 1.0f;
    w1.m[3][1] = 0.5f;
    d->SetTransform(D3DTS_WORLDMATRIX(1), &w1);
    d->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    d->SetRenderState(D3DRS_LIGHTING, 1);
    Material m{};
    m.Diffuse = {1, 1, 1, 1};
    d->SetMaterial(&m);
    Light l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 1, 1, 1};
    l.Direction = {0, 0, 1};
    d->SetLight(0, &l);
    d->LightEnable(0, true);
    d->SetStreamSource(0, vb, sizeof(SkinVertex));
    d->SetIndices(ib, 0);
    d->SetVertexShader(fvf);
    const int draws = int(state.range(0));
    const uint32_t triangles = cells * cells * 2;
    for (auto _ : state) {
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        for (int i = 0; i < draws; ++i)
            d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, uint32_t(v.size()), 0, triangles);
        d->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["draws"] = benchmark::Counter(double(draws), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles"] =
        benchmark::Counter(double(draws) * triangles, benchmark::Counter::kIsIterationInvariantRate);
    d->SetStreamSource(0, nullptr, 0);
    d->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}
BENCHMARK(BM_SkinnedLitLists)->Arg(10)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
