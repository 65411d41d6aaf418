#include "scene/lava.h"

#include <cstring>

#include "common/binary_reader.h"
#include "platform/gfx/device.h"
#include "render/geometry.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/texture_manager.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "core/clocks.h"
#include "core/debug_log.h"
#include "world/scenario.h"

namespace {

float F32At(const uint8_t* p) {
    uint32_t u = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}
uint32_t U32At(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Scroll speeds of the three layers in texture repeats per millisecond of match time.
constexpr float kLavaScroll[SURFACE_LAYERS][2] = {{0.0f, 0.00005f}, {0.0f, 0.000025f}, {0.00005f, 0.0f}};

}  // namespace

int32_t MaterialFromIndex(const std::vector<int32_t>& materialIds, uint32_t index) {
    return index < materialIds.size() ? materialIds[index] : -1;
}

bool ReadSurfaceBuffers(BinaryReader& in, VertexBuffer** vertices, IndexBuffer** indices, const char* who) {
    bool malformed = false;
    *vertices = new VertexBuffer();
    (*vertices)->Load(in, SURFACE_BUFFER_USAGE, &malformed);
    if (malformed) {
        WriteDebugLogF("%s: vertex block cannot be read", who);
        return false;
    }
    *indices = new IndexBuffer();
    (*indices)->Load(in, -1, SURFACE_BUFFER_USAGE, &malformed);
    if (malformed) {
        WriteDebugLogF("%s: index block cannot be read", who);
        return false;
    }
    return true;
}

void FreeSurfaceBuffers(VertexBuffer** vertices, IndexBuffer** indices) {
    delete *vertices;
    *vertices = nullptr;
    delete *indices;
    *indices = nullptr;
}

int32_t LoadScenarioTexture(const char* fileName) {
    if (!g_Scene.textures) return -1;
    char path[160];
    std::snprintf(path, sizeof path, "Texturas\\Escenarios\\Escenario%02d\\%s", g_Scenario.number, fileName);
    const int32_t id = g_Scene.textures->LoadTexture(path, true, true, true);
    if (id >= 0) g_Scene.textures->AddRef(id);
    return id;
}

Mat4 TextureScrollMatrix(float u, float v) {
    Mat4 m = Mat4Identity();
    m.m[2][0] = u;
    m.m[2][1] = v;
    return m;
}

bool SurfaceBoxVisible(const float box[6]) {
    const Camera* camera = g_Scene.camera;
    if (!camera) return false;
    AxisBox b{{box[3], box[4], box[5]}, {box[0], box[1], box[2]}};
    return camera->BoxVisible(b);
}

LavaNode::~LavaNode() { LavaNode::Release(); }

void LavaNode::Release() {
    SceneNode::Release();
    triangleCount = 0;
    std::memset(box, 0, sizeof box);
    for (int32_t& id : layers) {
        if (id >= 0 && g_Scene.textures) g_Scene.textures->Release(id);
        id = -1;
    }
    materialId = -1;
    FreeSurfaceBuffers(&vertexBuffer, &indexBuffer);
}

bool LavaNode::Load(BinaryReader& in, const std::vector<int32_t>& materialIds) {
    SetName("LAVA");
    const uint8_t* record = in.Span(LAVA_RECORD_SIZE);
    if (!record) {
        WriteDebugLog("LavaNode: short record");
        return false;
    }
    triangleCount = U32At(record);
    for (int k = 0; k < 6; ++k) box[k] = F32At(record + 8 + 4 * k);
    materialId = MaterialFromIndex(materialIds, U32At(record + 32));
    if (!ReadSurfaceBuffers(in, &vertexBuffer, &indexBuffer, "LavaNode")) return false;
    char name[16];
    for (int i = 0; i < SURFACE_LAYERS; ++i) {
        std::snprintf(name, sizeof name, "Lava%02d.tga", i);
        layers[i] = LoadScenarioTexture(name);
    }
    return true;
}

bool LavaNode::Draw() {
    if (!SurfaceBoxVisible(box)) return true;
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return true;
    const float t = float(GetTime(CLOCK_MATCH));
    g_Video.SetLighting(false);
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    if (vertexBuffer) vertexBuffer->Select();
    if (indexBuffer) indexBuffer->Select();
    if (g_Scene.materials) g_Scene.materials->SetMaterial(materialId, 0);
    g_Video.SetColorOp(0, gfx::D3DTOP_SELECTARG1);
    g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
    g_Video.SetColorArg(0, 1, gfx::D3DTA_CURRENT);
    g_Video.SetTextureClamp(0, false);
    g_Video.SetTextureTransform(0, gfx::D3DTTFF_COUNT2);
    g_Video.SetTexCoordIndex(0, 0);
    g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
    const uint32_t vertexCount = vertexBuffer ? vertexBuffer->vertexCount : 0;
    for (int i = 0; i < SURFACE_LAYERS; ++i) {
        g_Video.SetBlendMode(i == 0 ? 0 : 1);
        if (layers[i] >= 0 && g_Scene.textures) g_Scene.textures->SetTexture(0, layers[i]);
        const Mat4 m = TextureScrollMatrix(t * kLavaScroll[i][0], t * kLavaScroll[i][1]);
        device->SetTransform(gfx::D3DTS_TEXTURE0, &m);
        device->DrawIndexedPrimitive(gfx::D3DPT_TRIANGLELIST, 0, vertexCount, 0, triangleCount);
    }
    // The stages were set here rather than by a material.
    if (g_Scene.materials) g_Scene.materials->ResetCache();
    return true;
}
