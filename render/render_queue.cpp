#include "render/render_queue.h"

#include <cstring>
#include <new>

#include "effects/positioned_object.h"
#include "render/material_table.h"
#include "render/mesh.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/collision_mesh.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"

void DrawCharacterModel(CharacterModel* model) {
    if (model) model->Draw();
}
// Triangle i of a blended mesh is face i of its collision mesh's first group.
uint32_t MeshCollisionFaceCount(const Mesh* mesh) {
    if (!mesh || !mesh->collision || mesh->collision->groups.empty()) return 0;
    return uint32_t(mesh->collision->groups[0].faces.size());
}
bool MeshCollisionFace(const Mesh* mesh, uint32_t index, QueuedFace* out) {
    if (!out || index >= MeshCollisionFaceCount(mesh)) return false;
    const CollisionMesh& c = *mesh->collision;
    const CollisionFace& face = c.groups[0].faces[index];
    // Faces larger than the queue takes, or naming a normal or corner the mesh lacks, are refused.
    if (face.indices.empty() || face.indices.size() > kQueuedFaceMaxVertices || face.normalIndex >= c.normals.size())
        return false;
    out->vertexCount = uint32_t(face.indices.size());
    for (size_t k = 0; k < face.indices.size(); ++k) {
        if (face.indices[k] >= c.vertices.size()) return false;
        out->vertices[k] = c.vertices[face.indices[k]];
    }
    out->normal = c.normals[face.normalIndex];
    return true;
}
void MeshDrawOffset(Mesh* mesh, uint32_t triangle, uint32_t triangleCount) {
    if (mesh) mesh->DrawOffset(triangle, triangleCount);
}
bool DynamicMeshPosition(const DynamicMesh* mesh, Vec3* out) {
    if (!mesh || !out) return false;
    *out = mesh->transform.translation;
    return true;
}
void DrawDynamicMesh(DynamicMesh* mesh) {
    if (mesh) mesh->Draw();
}

namespace {

void ResetMaterialCache() {
    if (g_Scene.materials) g_Scene.materials->ResetCache();
}

class DrawModelCommand final : public DrawCommand {
public:
    explicit DrawModelCommand(CharacterModel* m) : model(m) {}
    void Execute() override {
        g_Video.SetZWrite(true);
        DrawCharacterModel(model);
        g_Video.SetZWrite(false);
    }
    CharacterModel* model;
};

class DrawMeshFaceCommand final : public DrawCommand {
public:
    DrawMeshFaceCommand(Mesh* m, uint32_t t, uint32_t c, const Mat4& w) : mesh(m), triangle(t), count(c), world(w) {}
    void Execute() override {
        // Never through the cache: this copy dies with the command, and a later command may
        // live at the same address with another matrix.
        g_Video.SetWorldMatrix(&world, 0, false);
        MeshDrawOffset(mesh, triangle, count);
        // Leave no pointer into this command in the video object's cache.
        g_Video.SetWorldMatrix(nullptr, 0, false);
    }
    Mesh* mesh;
    uint32_t triangle;
    uint32_t count;
    Mat4 world;   // a copy: the matrix current when queued may be gone by the flush
};

class DrawObjectCommand final : public DrawCommand {
public:
    explicit DrawObjectCommand(PositionedObject* o) : object(o) {}
    void Execute() override {
        ResetMaterialCache();
        object->Render();
    }
    PositionedObject* object;
};

class DrawDynamicMeshCommand final : public DrawCommand {
public:
    explicit DrawDynamicMeshCommand(DynamicMesh* m) : mesh(m) {}
    void Execute() override {
        g_Video.SetZWrite(true);
        DrawDynamicMesh(mesh);
        g_Video.SetZWrite(false);
        g_Video.SetLighting(false);
    }
    DynamicMesh* mesh;
};

}  // namespace

float SquaredDistanceToEye(const Vec3& p) {
    Vec3 eye = g_Scene.camera ? g_Scene.camera->eye : Vec3{0, 0, 0};
    Vec3 d = Vec3Sub(p, eye);
    return Vec3Dot(d, d);
}

bool RenderQueue::Append(DrawCommand* command, uint8_t kind, float distance) {
    if (!command) return false;
    if (count == capacity) {
        uint32_t grown = capacity + kGrowth;
        RenderQueueEntry* bigger = new (std::nothrow) RenderQueueEntry[grown];
        if (!bigger) {
            delete command;
            return false;
        }
        if (count) std::memcpy(bigger, entries, count * sizeof(RenderQueueEntry));
        delete[] entries;
        entries = bigger;
        capacity = grown;
    }
    entries[count++] = {command, kind, distance};
    return true;
}

bool RenderQueue::AddModel(CharacterModel* model) {
    if (!model) return false;
    return Append(new (std::nothrow) DrawModelCommand(model), RQ_MODEL, SquaredDistanceToEye(model->position));
}

bool RenderQueue::AddObject(PositionedObject* object, uint8_t kind) {
    if (!object) return false;
    const float* p = object->GetPositionPtr();
    Vec3 at = p ? Vec3{p[0], p[1], p[2]} : Vec3{0, 0, 0};
    return Append(new (std::nothrow) DrawObjectCommand(object), kind, SquaredDistanceToEye(at));
}

bool RenderQueue::AddDynamicMesh(DynamicMesh* mesh) {
    Vec3 at;
    if (!mesh || !DynamicMeshPosition(mesh, &at)) return false;
    return Append(new (std::nothrow) DrawDynamicMeshCommand(mesh), RQ_DYNAMIC_MESH, SquaredDistanceToEye(at));
}

bool RenderQueue::AddMeshFace(Mesh* mesh, uint32_t triangle, uint32_t triangleCount) {
    // A triangle index past the collision mesh's faces would read beyond them.
    if (!mesh || triangle >= MeshCollisionFaceCount(mesh)) return false;
    QueuedFace face;
    if (!MeshCollisionFace(mesh, triangle, &face)) return false;
    return AddFace(mesh, triangle, triangleCount, face);
}

bool RenderQueue::AddFace(Mesh* mesh, uint32_t triangle, uint32_t triangleCount, const QueuedFace& source) {
    uint32_t n = source.vertexCount;
    if (n == 0 || n > kQueuedFaceMaxVertices) return false;
    QueuedFace face = source;
    const bool transformed = g_Video.HasWorldMatrix();
    const Mat4 world = g_Video.world[0] ? *g_Video.world[0] : IdentityMatrix;
    if (transformed) {
        for (uint32_t k = 0; k < n; ++k) face.vertices[k] = Vec3TransformCoord(face.vertices[k], world);
        face.normal = Vec3TransformNormal(face.normal, world);
    }
    const Camera* camera = g_Scene.camera;
    Vec3 eye = camera ? camera->eye : Vec3{0, 0, 0};

    if (g_Video.culling) {
        float d = Vec3Dot(Vec3Sub(face.vertices[0], eye), face.normal);
        if (g_Video.cullMode == gfx::D3DCULL_CW && d < 0.0f) return true;
        if (g_Video.cullMode == gfx::D3DCULL_CCW && d > 0.0f) return true;
    }
    if (camera) {
        for (const Plane& pl : camera->planes) {
            bool passes = false;
            for (uint32_t k = 0; k < n && !passes; ++k) {
                const Vec3& v = face.vertices[k];
                passes = pl.a * v.x + pl.b * v.y + pl.c * v.z + pl.d > 0.0f;
            }
            if (!passes) return true;
        }
    }
    Vec3 centre{0, 0, 0};
    for (uint32_t k = 0; k < n; ++k) centre = Vec3Add(centre, face.vertices[k]);
    centre = Vec3Scale(centre, 1.0f / float(n));
    return Append(new (std::nothrow) DrawMeshFaceCommand(mesh, triangle, triangleCount, world), RQ_MESH_FACE,
                  SquaredDistanceToEye(centre));
}

void RenderQueue::SortBackToFront(int32_t lo, int32_t hi) {
    while (lo < hi) {
        int32_t i = lo, j = hi;
        const float pivot = entries[lo + (hi - lo) / 2].distance;
        do {
            while (entries[i].distance > pivot) ++i;
            while (entries[j].distance < pivot) --j;
            if (i > j) break;
            RenderQueueEntry t = entries[i];
            entries[i] = entries[j];
            entries[j] = t;
            ++i;
            --j;
        } while (i < j);
        if (lo < j) SortBackToFront(lo, j);
        lo = i;
    }
}

uint32_t RenderQueue::Flush() {
    if (count) SortBackToFront(0, int32_t(count) - 1);
    g_Video.RestoreStates();
    g_Video.SetZEnable(true);
    g_Video.SetZWrite(false);
    g_Video.SetTexture(-1, nullptr);
    g_Video.SetWorldMatrix(nullptr, 0, true);
    ResetMaterialCache();
    for (uint32_t k = 0; k < count; ++k) entries[k].command->Execute();
    return count;
}

void RenderQueue::Clear() {
    for (uint32_t k = 0; k < count; ++k) delete entries[k].command;
    count = 0;
}

void RenderQueue::Free() {
    Clear();
    delete[] entries;
    entries = nullptr;
    capacity = 0;
}
