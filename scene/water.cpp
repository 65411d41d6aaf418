#include "scene/water.h"

#include <cmath>
#include <cstring>

#include "common/binary_reader.h"
#include "platform/gfx/device.h"
#include "render/adapter_table.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/texture_manager.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/collision_mesh.h"
#include "scene/lava.h"
#include "scene/mirror.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "core/clocks.h"
#include "core/debug_log.h"
#include "core/settings.h"

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
uint32_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Scroll speeds of the three layers in texture repeats per millisecond of match time.
constexpr float kWaterScroll[3][2] = {{0.0f, -0.00005f}, {0.00005f, 0.00005f}, {0.00005f, 0.0f}};
constexpr uint32_t kReflectionFactor = 0x60FFFFFF;
constexpr uint32_t kBumpFactor = 0x80FFFFFF;
constexpr float kBumpScale = 0.02f;
constexpr uint32_t kProjectedCount3 = gfx::D3DTTFF_COUNT3 | gfx::D3DTTFF_PROJECTED;

// A collision mesh older files keep after the water: read and dropped.
bool SkipCollisionMesh(BinaryReader& in) {
    CollisionMesh mesh;
    return mesh.Read(in, g_Y3DVersion);
}

}  // namespace

uint8_t ChooseWaterQuality() {
    uint8_t quality = 1;
    const bool targets = ReflectionTargetsAllowed();
    const bool bump = g_Video.adapter >= 0 && uint32_t(g_Video.adapter) < AdapterTable::kMaxAdapters &&
                      g_AdapterTable.adapters[g_Video.adapter].bumpEnvMap != 0;
    if (targets && bump) {
        quality = 3;
        WriteDebugLog("Agua de alta calidad");
    } else if (targets) {
        quality = 2;
        WriteDebugLog("Agua de media calidad");
    } else {
        WriteDebugLog("Agua de baja calidad");
    }
    const int32_t wanted = g_Settings.waterQuality;
    if (wanted > 0 && wanted <= quality) quality = uint8_t(wanted);
    return quality;
}

Mat4 WaterProjectiveMatrix(const Mat4& projection) {
    Mat4 m = Mat4Identity();
    m.m[0][0] = 0.5f * projection.m[0][0];
    m.m[1][1] = 0.5f * projection.m[1][1];
    m.m[2][0] = 0.5f;
    m.m[2][1] = 0.5f;
    return m;
}

WaterObject::~WaterObject() { WaterObject::Release(); }

void WaterObject::Release() {
    SceneNode::Release();
    FreeSurfaceBuffers(&vertexBuffer, &indexBuffer);
    ReleaseTargets();
    delete reflectionCamera;
    reflectionCamera = nullptr;
}

bool WaterObject::CreateTargets(uint32_t size) {
    targetSize = FitTargetToScreen(size);
    if (!CreateReflectionTargets(targetSize, &texture, &depthSurface)) return false;
    WriteDebugLogF("Tamaño textura de reflexion: %d", int(targetSize));
    return true;
}

void WaterObject::ReleaseTargets() { ReleaseReflectionTargets(&texture, &depthSurface); }

void WaterObject::LoadBumpTexture() {
    if (g_Scene.textures) bumpTexture = g_Scene.textures->LoadBumpMap("Texturas\\Efectos\\WaterBump00.bmp", true);
}

bool WaterObject::Load(BinaryReader& in, const std::vector<int32_t>& materialIds) {
    WriteDebugLog("Inicializando objeto agua...");
    const uint8_t* r = in.Span(WATER_RECORD_SIZE);
    if (!r) {
        WriteDebugLog("WaterObject: short record");
        return false;
    }
    triangleCount = U32At(r);
    level = F32At(r + 4);
    for (int k = 0; k < 6; ++k) box[k] = F32At(r + 8 + 4 * k);
    materialId = MaterialFromIndex(materialIds, U32At(r + 32));
    if (!ReadSurfaceBuffers(in, &vertexBuffer, &indexBuffer, "WaterObject")) return false;
    if (g_Y3DVersion < WATER_COLLISION_BELOW_VERSION && !SkipCollisionMesh(in)) {
        WriteDebugLog("WaterObject: collision mesh cannot be read");
        return false;
    }
    quality = ChooseWaterQuality();
    if (quality >= 2) CreateTargets(WATER_TARGET_REQUEST);
    if (quality <= 2) {
        char name[16];
        for (int i = 0; i < 3; ++i) {
            std::snprintf(name, sizeof name, "Water%02d.tga", i);
            layers[i] = LoadScenarioTexture(name);
        }
    } else {
        LoadBumpTexture();
    }
    return true;
}

void WaterObject::RenderReflection() {
    Camera* current = g_Scene.camera;
    if (quality < 2 || !texture || !current || !SurfaceBoxVisible(box)) return;
    delete reflectionCamera;
    reflectionCamera = nullptr;
    gfx::Surface* surface = nullptr;
    if (gfx::Failed(texture->GetSurfaceLevel(0, &surface)) || !surface) return;
    const bool pushed = g_Video.PushRenderTarget(surface, depthSurface);
    surface->Release();
    if (!pushed) return;

    const Vec3 eye{current->eye.x, 2.0f * level - current->eye.y, current->eye.z};
    const Vec3 target{current->target.x, 2.0f * level - current->target.y, current->target.z};
    reflectionCamera = new Camera();
    reflectionCamera->Set(eye, target, 0.0f, std::fmax(current->fovX, current->fovY), current->nearPlane,
                          current->farPlane);
    reflectionCamera->Update();
    if (!g_Scene.PushCamera(reflectionCamera)) {
        g_Video.PopRenderTarget();
        current->Update();
        return;
    }
    gfx::Device* device = g_Video.GetDevice();
    // Only what lies above the water is reflected.
    const float plane[4] = {0.0f, 1.0f, 0.0f, -level};
    device->SetClipPlane(0, plane);
    g_Video.Clear(0xFF000000);
    g_Scene.RenderReflectionPass();
    g_Video.PopRenderTarget();
    g_Video.Clear(0xFF000000);
    g_Scene.PopCamera();
    current->Update();
    device->SetRenderState(gfx::D3DRS_CLIPPLANEENABLE, 0);
}

bool WaterObject::Draw() {
    if (!SurfaceBoxVisible(box)) return true;
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return true;
    const float t = float(GetTime(CLOCK_MATCH));
    const uint32_t vertexCount = vertexBuffer ? vertexBuffer->vertexCount : 0;
    g_Video.SetLighting(false);
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    if (vertexBuffer) vertexBuffer->Select();
    if (indexBuffer) indexBuffer->Select();
    if (g_Scene.materials) g_Scene.materials->SetMaterial(materialId, 0);
    auto draw = [&] { device->DrawIndexedPrimitive(gfx::D3DPT_TRIANGLELIST, 0, vertexCount, 0, triangleCount); };
    const Mat4 projective = WaterProjectiveMatrix(reflectionCamera ? reflectionCamera->projection : Mat4Identity());

    if (quality == 3) {
        const float a = t * 0.001f * 3.0f;
        g_Video.SetColorOp(0, gfx::D3DTOP_BUMPENVMAP);
        g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
        g_Video.SetColorArg(0, 1, gfx::D3DTA_DIFFUSE);
        if (g_Scene.textures) g_Scene.textures->SetTexture(0, bumpTexture);
        g_Video.SetTextureClamp(0, false);
        g_Video.SetTexCoordIndex(0, 0);
        device->SetTextureStageState(0, gfx::D3DTSS_BUMPENVMAT00, FloatBits(kBumpScale * std::cos(a)));
        device->SetTextureStageState(0, gfx::D3DTSS_BUMPENVMAT01, FloatBits(-kBumpScale * std::sin(a)));
        device->SetTextureStageState(0, gfx::D3DTSS_BUMPENVMAT10, FloatBits(kBumpScale * std::sin(a)));
        device->SetTextureStageState(0, gfx::D3DTSS_BUMPENVMAT11, FloatBits(kBumpScale * std::cos(a)));
        g_Video.SetColorOp(1, gfx::D3DTOP_SELECTARG1);
        g_Video.SetColorArg(1, 0, gfx::D3DTA_TEXTURE);
        g_Video.SetTexture(1, texture);
        g_Video.SetTextureClamp(1, true);
        g_Video.SetTexCoordIndex(1, gfx::D3DTSS_TCI_CAMERASPACEPOSITION | 1);
        g_Video.SetTextureTransform(1, kProjectedCount3);
        device->SetTransform(gfx::D3DTS_TEXTURE1, &projective);
        // The preset switches stage 1's alpha off, so it goes first.
        g_Video.SetBlendMode(5);
        device->SetTextureStageState(1, gfx::D3DTSS_ALPHAOP, gfx::D3DTOP_SELECTARG2);
        device->SetTextureStageState(1, gfx::D3DTSS_ALPHAARG1, gfx::D3DTA_TEXTURE);
        device->SetTextureStageState(1, gfx::D3DTSS_ALPHAARG2, gfx::D3DTA_TFACTOR);
        device->SetRenderState(gfx::D3DRS_TEXTUREFACTOR, kBumpFactor);
        g_Video.SetColorOp(2, gfx::D3DTOP_DISABLE);
        draw();
        if (g_Scene.materials) g_Scene.materials->ResetCache();
        return true;
    }

    // Without its target the surface keeps only its layers.
    if (quality == 2 && texture) {
        g_Video.SetColorOp(0, gfx::D3DTOP_SELECTARG1);
        g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
        g_Video.SetTexture(0, texture);
        g_Video.SetTextureClamp(0, true);
        g_Video.SetTexCoordIndex(0, gfx::D3DTSS_TCI_CAMERASPACEPOSITION);
        g_Video.SetTextureTransform(0, kProjectedCount3);
        device->SetTransform(gfx::D3DTS_TEXTURE0, &projective);
        g_Video.SetBlendMode(5);
        device->SetRenderState(gfx::D3DRS_TEXTUREFACTOR, kReflectionFactor);
        g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
        draw();
    }

    g_Video.SetColorOp(0, gfx::D3DTOP_SELECTARG1);
    g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
    g_Video.SetColorArg(0, 1, gfx::D3DTA_CURRENT);
    g_Video.SetTextureClamp(0, false);
    g_Video.SetTextureTransform(0, gfx::D3DTTFF_COUNT2);
    g_Video.SetTexCoordIndex(0, 0);
    g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
    g_Video.SetBlendMode(1);
    for (int i = 0; i < 3; ++i) {
        if (layers[i] >= 0 && g_Scene.textures) g_Scene.textures->SetTexture(0, layers[i]);
        const Mat4 m = TextureScrollMatrix(t * kWaterScroll[i][0], t * kWaterScroll[i][1]);
        device->SetTransform(gfx::D3DTS_TEXTURE0, &m);
        draw();
    }
    if (g_Scene.materials) g_Scene.materials->ResetCache();
    return true;
}

// The water list's walks; the scene's other lists never hold water.
void WaterReleaseTargets(SceneNode* node) {
    if (auto* water = dynamic_cast<WaterObject*>(node)) water->ReleaseTargets();
}
void WaterRestoreTargets(SceneNode* node) {
    auto* water = dynamic_cast<WaterObject*>(node);
    if (water && !water->texture && water->quality >= 2) water->CreateTargets(water->targetSize);
}
void WaterRenderReflection(SceneNode* node) {
    if (auto* water = dynamic_cast<WaterObject*>(node)) water->RenderReflection();
}
