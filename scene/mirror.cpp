#include "scene/mirror.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "common/binary_reader.h"
#include "platform/gfx/device.h"
#include "render/adapter_table.h"
#include "render/formats.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/lava.h"
#include "scene/object_list.h"
#include "scene/scene.h"
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
Vec3 Vec3At(const uint8_t* p) { return {F32At(p), F32At(p + 4), F32At(p + 8)}; }

// Largest target edge considered before fitting to the screen: keeps a wild size byte x scale
// from overflowing the conversion to an integer.
constexpr float kMaxTargetRequest = 65536.0f;

}  // namespace

bool ReflectionTargetsAllowed() {
    if (g_Video.adapter < 0 || uint32_t(g_Video.adapter) >= AdapterTable::kMaxAdapters) return false;
    const AdapterRecord& a = g_AdapterTable.adapters[g_Video.adapter];
    const bool texture16 = g_Settings.textureBpp == 16;
    switch (FormatBits(g_Video.present.BackBufferFormat)) {
        case 16: return a.renderTargetTextures[texture16 ? 0 : 1] != 0;
        case 32: return a.renderTargetTextures[texture16 ? 2 : 3] != 0;
        default: return false;
    }
}

uint32_t FitTargetToScreen(uint32_t size) {
    const ScreenRect& r = g_Video.screenRect;
    const int32_t w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    const int32_t smaller = w < h ? w : h;
    while (size > 1 && int64_t(size) > int64_t(smaller)) size /= 2;
    return size;
}

bool CreateReflectionTargets(uint32_t size, gfx::Texture** texture, gfx::Surface** depth) {
    gfx::Device* device = g_Video.GetDevice();
    if (!device || size == 0) return false;
    if (gfx::Failed(device->CreateTexture(size, size, 1, gfx::D3DUSAGE_RENDERTARGET, gfx::D3DFMT_X8R8G8B8,
                                          gfx::D3DPOOL_DEFAULT, texture)))
        return false;
    if (g_Video.present.MultiSampleType != gfx::D3DMULTISAMPLE_NONE &&
        gfx::Failed(device->CreateDepthStencilSurface(size, size, gfx::D3DFMT_D16, gfx::D3DMULTISAMPLE_NONE, depth)))
        return false;
    return true;
}

void ReleaseReflectionTargets(gfx::Texture** texture, gfx::Surface** depth) {
    if (*texture) (*texture)->Release();
    *texture = nullptr;
    if (*depth) (*depth)->Release();
    *depth = nullptr;
}

Mirror::~Mirror() { Mirror::Release(); }

void Mirror::Release() {
    SceneNode::Release();
    ReleaseTargets();
    reflectionOn = 0;
    staticImageDone = 0;
    for (Vec3& a : axes) a = {0, 0, 0};
    delete mirroredCamera;
    mirroredCamera = nullptr;
    FreeSurfaceBuffers(&vertexBuffer, &indexBuffer);
}

bool Mirror::CreateTargets(uint32_t size) {
    staticImageDone = 0;
    targetSize = size;
    return CreateReflectionTargets(size, &texture, &depthSurface);
}

void Mirror::ReleaseTargets() { ReleaseReflectionTargets(&texture, &depthSurface); }

MirrorFrame Mirror::Frame() const {
    return MirrorFrame{position, axes[2], axes[0], axes[1], float(sizeByte) * sizeScale, worldToMirror};
}

uint32_t Mirror::ChooseTargetSize() const {
    float request = float(sizeByte) * sizeScale;
    if (!(request >= 1.0f)) request = 1.0f;   // also catches NaN
    if (request > kMaxTargetRequest) request = kMaxTargetRequest;
    const uint32_t wanted = uint32_t(request);
    uint32_t size = 1;
    while (size < wanted) size *= 2;
    return FitTargetToScreen(size);
}

bool Mirror::FacesEye(const Vec3& eye) const { return Vec3Dot(Vec3Sub(position, eye), axes[2]) <= 0.0f; }

bool Mirror::Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t, int32_t) {
    const uint8_t* r = in.Span(MIRROR_RECORD_SIZE);
    if (!r) {
        WriteDebugLog("Mirror: short record");
        return false;
    }
    triangleCount = U32At(r);
    reflection = Vec3At(r + 4);
    spare = U32At(r + 16);
    for (int i = 0; i < 3; ++i) axes[i] = Vec3At(r + 20 + 12 * i);
    position = Vec3At(r + 56);
    sizeScale = F32At(r + 68);
    sizeByte = r[72];
    for (int k = 0; k < 6; ++k) box[k] = F32At(r + 73 + 4 * k);
    materialId = MaterialFromIndex(materialIds, U32At(r + 97));
    if (!ReadSurfaceBuffers(in, &vertexBuffer, &indexBuffer, "Mirror")) return false;

    // Columns X, Y, Z; the last row takes the position into the mirror's frame.
    worldToMirror = Mat4Identity();
    for (int i = 0; i < 3; ++i) {
        worldToMirror.m[0][i] = axes[i].x;
        worldToMirror.m[1][i] = axes[i].y;
        worldToMirror.m[2][i] = axes[i].z;
        worldToMirror.m[3][i] = -Vec3Dot(position, axes[i]);
    }

    reflectionOn = ReflectionTargetsAllowed() ? 1 : 0;
    if (!reflectionOn) return true;
    // A mirror without its target draws as a plain surface; the load itself still succeeds.
    CreateTargets(ChooseTargetSize());
    return true;
}

void Mirror::RenderReflection() {
    if (!reflectionOn || !texture) return;
    Camera* current = g_Scene.camera;
    if (!current) return;
    const bool live = g_Settings.mirrors != 0;
    if (!live && staticImageDone) return;
    if (live) {
        if (!SurfaceBoxVisible(box) || !FacesEye(current->eye)) return;
        if (Vec3Length(Vec3Sub(current->eye, position)) > MIRROR_LIVE_DISTANCE) return;
    }
    gfx::Surface* surface = nullptr;
    if (gfx::Failed(texture->GetSurfaceLevel(0, &surface)) || !surface) return;
    delete mirroredCamera;
    mirroredCamera = nullptr;
    const bool pushed = g_Video.PushRenderTarget(surface, live ? depthSurface : nullptr);
    surface->Release();
    if (!pushed) return;
    // Set up once the target is current: the camera puts its matrices on the device.
    mirroredCamera = new Camera();
    if (live) {
        mirroredCamera->SetupMirror(*current, Frame());
    } else {
        // A fixed viewer straight in front of the mirror.
        Camera viewer;
        const Vec3 target = Vec3Add(position, Vec3Scale(axes[2], 10.0f));
        viewer.SetWithUp(position.x, position.y, position.z, target.x, target.y, target.z, 0, 1, 0,
                         std::numbers::pi_v<float> / 2, 1.0f, 100.0f);
        mirroredCamera->SetupMirror(viewer, Frame());
    }
    if (!g_Scene.PushCamera(mirroredCamera)) {
        g_Video.PopRenderTarget();
        current->Update();
        return;
    }
    g_Video.SetCullMode(gfx::D3DCULL_CW);
    g_Video.Clear(0xFF000000);
    g_Scene.RenderPass(live);
    g_Video.SetCullMode(gfx::D3DCULL_CCW);
    g_Video.PopRenderTarget();
    g_Video.Clear(0xFF000000);
    g_Scene.PopCamera();
    current->Update();
    if (!live) staticImageDone = 1;
}

bool Mirror::Draw() {
    const Camera* camera = g_Scene.camera;
    if (!camera || !SurfaceBoxVisible(box) || !FacesEye(camera->eye)) return true;
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return true;
    g_Video.SetLighting(false);
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    if (vertexBuffer) vertexBuffer->Select();
    if (indexBuffer) indexBuffer->Select();
    if (g_Scene.materials) g_Scene.materials->SetMaterial(materialId, 0);
    if (reflectionOn) {
        g_Video.SetColorOp(0, gfx::D3DTOP_MODULATE);
        g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
        g_Video.SetColorArg(0, 1, gfx::D3DTA_DIFFUSE);
        g_Video.SetTexture(0, texture);
    }
    const uint32_t vertexCount = vertexBuffer ? vertexBuffer->vertexCount : 0;
    device->DrawIndexedPrimitive(gfx::D3DPT_TRIANGLELIST, 0, vertexCount, 0, triangleCount);
    // The reflection replaced the material's first texture.
    if (g_Scene.materials) g_Scene.materials->ResetCache();
    return true;
}

// The mirror list's walks.
void MirrorReleaseTarget(SceneNode* node) {
    if (auto* mirror = dynamic_cast<Mirror*>(node)) mirror->ReleaseTargets();
}
void MirrorRestoreTarget(SceneNode* node) {
    auto* mirror = dynamic_cast<Mirror*>(node);
    if (mirror && !mirror->texture && mirror->reflectionOn) mirror->CreateTargets(mirror->targetSize);
}
void MirrorRenderReflection(SceneNode* node) {
    if (auto* mirror = dynamic_cast<Mirror*>(node)) mirror->RenderReflection();
}
