#include "effects/decal.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/debug_log.h"
#include "effects/effect_draw.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/geometry.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/collision_octree.h"
#include "scene/scene.h"

namespace {

// The two coordinates of a point that the texture is projected along: the plane the face's
// normal is most nearly square to.
struct UvAxes {
    int u, v;
};
UvAxes AxesFor(const Vec3& n) {
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (az > ax && az > ay) return {0, 1};
    if (ax > ay && ax > az) return {2, 1};
    return {0, 2};
}

float Component(const Vec3& p, int i) { return i == 0 ? p.x : i == 1 ? p.y : p.z; }

const Vec3* Corner(const CollisionMesh& mesh, const std::vector<uint16_t>& indices, size_t i) {
    const uint16_t k = indices[i];
    return k < mesh.vertices.size() ? &mesh.vertices[k] : nullptr;
}

// The centre, dropped onto the face's plane, lies inside the face, or one of its edges passes
// within the size of that point.
bool FaceMeetsBox(const CollisionMesh& mesh, const std::vector<uint16_t>& indices, const Vec3& n,
                  const Vec3& onFace, float size) {
    const size_t k = indices.size();
    bool inside = true;
    for (size_t i = 0; i < k && inside; ++i) {
        const Vec3 a = *Corner(mesh, indices, i), b = *Corner(mesh, indices, (i + 1) % k);
        if (Vec3Dot(Vec3Cross(Vec3Sub(a, b), n), Vec3Sub(onFace, a)) < 0.0f) inside = false;
    }
    if (inside) return true;
    for (size_t i = 0; i < k; ++i) {
        float distance = 0.0f;
        if (SegmentClosestPoint(*Corner(mesh, indices, i), *Corner(mesh, indices, (i + 1) % k), onFace, &distance,
                                nullptr) &&
            distance < size)
            return true;
    }
    return false;
}

bool FaceIsWhole(const CollisionMesh& mesh, const CollisionFace& face) {
    if (face.indices.size() < 3 || face.normalIndex >= mesh.normals.size()) return false;
    for (uint16_t k : face.indices)
        if (k >= mesh.vertices.size()) return false;
    return true;
}

}  // namespace

Decal::Decal()
    : vertexCount(0),
      texture(-1),
      lifetime(0),
      fadeInTime(0),
      fadeOutTime(0),
      age(0),
      fadeNear(0.0f),
      fadeFar(0.0f),
      flags(0) {
    kind = KIND_DECAL;
}

Decal::~Decal() { Decal::Release(); }

void Decal::Release() {
    vertices.clear();
    texCoords.clear();
    vertexCount = 0;
    texture = -1;
}

bool Decal::Project(DecalBox* box, const Vec3& direction, int32_t textureId, uint32_t lifetimeMs, uint32_t fadeInMs,
                    uint32_t fadeOutMs, float nearDistance, float farDistance, uint32_t flagBits) {
    if (!box) return false;
    SetPosition(box->centre);
    const Vec3 r{box->size, box->size, box->size};
    box->boxMax = Vec3Add(box->centre, r);
    box->boxMin = Vec3Sub(box->centre, r);
    const Vec3 along = UnitOrZero(direction);

    if (const CollisionOctree* tree = g_Scene.collisionOctree) {
        int32_t leaves[DECAL_MAX_LEAVES];
        const int32_t found = tree->LeavesInBox(AxisBox{box->boxMax, box->boxMin}, leaves, DECAL_MAX_LEAVES);
        const auto& meshes = tree->Meshes();
        for (int32_t i = 0; i < found; ++i) {
            const OctreeNode* node = tree->GetNode(leaves[i]);
            if (!node || node->first < 0 || size_t(node->first) >= meshes.size()) continue;
            const CollisionMesh& mesh = meshes[size_t(node->first)];
            for (size_t g = 0; g < mesh.groups.size(); ++g) {
                for (size_t f = 0; f < mesh.groups[g].faces.size(); ++f) {
                    const CollisionFace& face = mesh.groups[g].faces[f];
                    if (!FaceIsWhole(mesh, face)) continue;
                    const Vec3& n = mesh.normals[face.normalIndex];
                    if (Vec3Dot(n, along) > 0.0f) continue;
                    const float d = Vec3Dot(n, box->centre) - Vec3Dot(n, mesh.vertices[face.indices[0]]);
                    if (std::fabs(d) >= box->size) continue;
                    const Vec3 onFace = Vec3Sub(box->centre, Vec3Scale(n, d));
                    if (FaceMeetsBox(mesh, face.indices, n, onFace, box->size)) AddFace(mesh, g, f, *box);
                }
            }
        }
    }

    texture = textureId;
    lifetime = lifetimeMs;
    fadeInTime = fadeInMs;
    fadeOutTime = fadeOutMs;
    fadeNear = nearDistance;
    fadeFar = farDistance;
    flags = uint8_t(flagBits);
    age = 0;
    removalFlags = REMOVE_WHEN_FINISHED;
    finished = 0;
    return vertexCount != 0;
}

void Decal::AddFace(const CollisionMesh& mesh, size_t group, size_t face, const DecalBox& box) {
    if (group >= mesh.groups.size() || face >= mesh.groups[group].faces.size()) return;
    const CollisionFace& f = mesh.groups[group].faces[face];
    if (!FaceIsWhole(mesh, f)) return;
    const size_t k = f.indices.size();
    const size_t needed = 3 * k - 6;
    if (DECAL_MAX_VERTICES - vertexCount < needed) return;

    const UvAxes axes = AxesFor(mesh.normals[f.normalIndex]);
    const float size = box.size != 0.0f ? box.size : 1.0f;
    auto put = [&](const Vec3& p) {
        vertices.push_back(p);
        texCoords.push_back((Component(p, axes.u) - Component(box.centre, axes.u)) / size + 0.5f);
        texCoords.push_back((Component(p, axes.v) - Component(box.centre, axes.v)) / size + 0.5f);
    };
    for (size_t i = 1; i + 1 < k; ++i) {
        put(mesh.vertices[f.indices[0]]);
        put(mesh.vertices[f.indices[i]]);
        put(mesh.vertices[f.indices[i + 1]]);
    }
    vertexCount += uint32_t(needed);
}

int Decal::Update(uint32_t dtMs) {
    if (vertexCount == 0) finished = 1;
    if (finished) return 1;
    age += dtMs;
    if (age > lifetime) {
        finished = 1;
        return 1;
    }
    return 0;
}

uint32_t Decal::FadeLevel() const {
    if (age < fadeInTime) return uint32_t(float(age) / float(fadeInTime) * 255.0f);
    const int64_t fadeStart = int64_t(lifetime) - int64_t(fadeOutTime);
    if (fadeOutTime > 0 && int64_t(age) > fadeStart)
        return uint32_t(std::max(0.0f, (1.0f - float(int64_t(age) - fadeStart) / float(fadeOutTime)) * 255.0f));
    return 255;
}

bool Decal::Render() {
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (finished || vertexCount == 0 || !buffer || !g_Video.GetDevice()) return true;
    uint32_t a = FadeLevel();
    if ((flags & DECAL_DISTANCE_FADE) && g_Scene.camera) {
        const float d = Vec3Length(Vec3Sub(g_Scene.camera->eye, Vec3{x, y, z}));
        if (d >= fadeFar) return true;
        if (d >= fadeNear) a = uint32_t((1.0f - (d - fadeNear) / (fadeFar - fadeNear)) * float(a));
    }
    // Whatever waits in the buffer was meant for the texture bound before.
    gfx::Texture* wanted = EffectTexture(texture, nullptr);
    if (g_Video.stages[0].texture != wanted) buffer->Flush();
    if (g_SceneTextures) g_SceneTextures->SetTexture(0, texture);
    else g_Video.SetTexture(0, nullptr);

    const uint32_t colour = 0xFF000000u | (a << 16) | (a << 8) | a;
    const uint32_t chunk = buffer->capacity - buffer->capacity % 3;
    for (uint32_t done = 0; chunk > 0 && done < vertexCount;) {
        const uint32_t n = std::min(chunk, vertexCount - done);
        auto* out = static_cast<EffectVertex*>(buffer->Lock(n));
        if (!out) break;
        for (uint32_t i = 0; i < n; ++i) {
            const Vec3& p = vertices[done + i];
            out[i] = EffectVertex{p.x, p.y, p.z, colour, texCoords[2 * (done + i)], texCoords[2 * (done + i) + 1]};
        }
        buffer->Unlock(n);
        done += n;
    }
    return true;
}

bool DecalList::Draw() {
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    gfx::Device* device = g_Video.GetDevice();
    if (device) {
        g_Video.SetZWrite(false);
        g_Video.SetLighting(false);
        g_Video.SetWorldMatrix(nullptr, 0, true);
        BindEffectBuffer();
        g_Video.SetBlendMode(3);
        for (int stage = 0; stage < VIDEO_STAGES; ++stage) g_Video.SetTexture(stage, nullptr);
        g_Video.SetTextureClamp(0, true);
        g_Video.SetColorOp(0, gfx::D3DTOP_MODULATE);
        g_Video.SetColorArg(0, 0, gfx::D3DTA_TEXTURE);
        g_Video.SetColorArg(0, 1, gfx::D3DTA_DIFFUSE);
        g_Video.SetColorOp(1, gfx::D3DTOP_DISABLE);
        g_Video.SetTextureTransform(0, 0);
        g_Video.SetTexCoordIndex(0, 0);
        device->SetRenderState(gfx::D3DRS_ZBIAS, DECAL_DEPTH_BIAS);
    }
    if (buffer) buffer->SetPrimitiveType(gfx::D3DPT_TRIANGLELIST);
    for (EffectListNode* node = Head(); node; node = node->next)
        if (node->item) node->item->Render();
    const bool drawn = buffer ? buffer->Flush() : true;
    if (device) {
        device->SetRenderState(gfx::D3DRS_ZBIAS, 0);
        // The passes after this one expect textures to wrap.
        g_Video.SetTextureClamp(0, false);
    }
    return drawn;
}

bool CreateSceneDecal(const char* texturePath, const Vec3& centre, float size, const Vec3& direction,
                      uint32_t lifetimeMs, uint32_t fadeInMs, uint32_t fadeOutMs) {
    if (!g_Scene.decals || !texturePath) return false;
    auto* decal = new (std::nothrow) Decal;
    if (!decal) return false;
    const int32_t texture = g_Scene.textures ? g_Scene.textures->LoadTexture(texturePath, false, true, true) : -1;
    DecalBox box{centre, size};
    // With fog the stain has faded by the fog's middle, as the emitters do.
    const float fogMiddle = g_Scene.hazeNear + 0.5f * (g_Scene.hazeFar - g_Scene.hazeNear);
    const uint32_t fade = g_Scene.skyTexture >= 0 ? DECAL_DISTANCE_FADE : 0;
    bool made = false;
    try {
        made = decal->Project(&box, direction, texture, lifetimeMs, fadeInMs, fadeOutMs, g_Scene.hazeNear, fogMiddle,
                              fade);
    } catch (const std::bad_alloc&) {
        WriteDebugLogF("Decal: out of memory for its faces");
    }
    if (!made || !g_Scene.decals->Add(decal)) {
        delete decal;
        return false;
    }
    return true;
}
