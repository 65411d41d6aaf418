#include "world/dynamic_mesh.h"

#include <algorithm>
#include <cstring>

#include "common/binary_reader.h"
#include "core/debug_log.h"
#include "core/settings.h"
#include "platform/os/os.h"
#include "render/debug_draw.h"
#include "render/material_table.h"
#include "render/mesh.h"
#include "render/render_queue.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/light_slots.h"
#include "scene/scene.h"
#include "scene/y3d_loader.h"

namespace {

bool KeyHeld(int vk) { return (uint16_t(os::GetAsyncKeyState(vk)) & 0x8000u) != 0; }

bool OverlayWanted() { return g_Settings.test && (KeyHeld(os::VK_F9) || KeyHeld('X')); }

// Translucent when the material in use has a first pass that blends.
bool IsTranslucent(const Mesh& mesh) {
    const int32_t id = mesh.overrideMaterialId >= 0 ? mesh.overrideMaterialId : mesh.materialId;
    const Material* material = g_Scene.materials ? g_Scene.materials->Get(id) : nullptr;
    return material && material->passCount > 0 && material->passes[0].blendPreset != 0;
}

}  // namespace

DynamicMesh* AsDynamicMesh(SceneNode* node) { return dynamic_cast<DynamicMesh*>(node); }
DynamicCollidableMesh* AsDynamicCollidableMesh(SceneNode* node) { return dynamic_cast<DynamicCollidableMesh*>(node); }

DynamicMesh::DynamicMesh() { typeCode = NODE_TYPE_DYNAMIC_MESH; }

DynamicMesh::~DynamicMesh() {
    // The video object keeps the last world matrix by address; this one is going away.
    for (const gfx::Matrix*& m : g_Video.world)
        if (m == &world) m = nullptr;
}

void DynamicMesh::UpdateTransform() {
    if (transformValid) return;
    BuildTransformMatrix(&world, transform);
    Vec3 hi{0, 0, 0}, lo{0, 0, 0};
    for (int bits = 0; bits < 8; ++bits) {
        const Vec3 corner{localBox[(bits & 1) ? 3 : 0], localBox[(bits & 2) ? 4 : 1], localBox[(bits & 4) ? 5 : 2]};
        const Vec3 p = Vec3TransformCoord(corner, world);
        if (bits == 0) {
            hi = lo = p;
            continue;
        }
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    }
    box[0] = lo.x, box[1] = lo.y, box[2] = lo.z;
    box[3] = hi.x, box[4] = hi.y, box[5] = hi.z;
    transformValid = 1;
}

void DynamicMesh::UpdateBounds() {
    const Vec3 a = Vec3TransformCoord({localBox[0], localBox[1], localBox[2]}, world);
    const Vec3 b = Vec3TransformCoord({localBox[3], localBox[4], localBox[5]}, world);
    box[0] = std::min(a.x, b.x), box[1] = std::min(a.y, b.y), box[2] = std::min(a.z, b.z);
    box[3] = std::max(a.x, b.x), box[4] = std::max(a.y, b.y), box[5] = std::max(a.z, b.z);
}

bool DynamicMesh::Render() {
    if (!enabled) return true;
    UpdateTransform();
    if (!g_Scene.camera || !g_Scene.camera->BoxVisible(WorldBox())) return true;
    if (g_Scene.meshes) {
        for (uint32_t i = 0; i < meshCount; ++i) {
            const Mesh* mesh = g_Scene.meshes->Get(meshIds[i]);
            if (mesh && IsTranslucent(*mesh))
                return g_Scene.renderQueue ? g_Scene.renderQueue->AddDynamicMesh(this) : false;
        }
    }
    return Draw();
}

bool DynamicMesh::Draw() {
    if (!enabled || !g_Video.device) return true;
    UpdateTransform();
    if (!g_Scene.camera || !g_Scene.camera->BoxVisible(WorldBox())) return true;
    if (lit) {
        g_Video.SetLighting(true);
        if (g_Scene.lightSlots) g_Scene.lightSlots->SelectForBox(box);
    } else {
        g_Video.SetLighting(false);
    }
    DrawMeshes();
    return true;
}

bool DynamicMesh::DrawVariant() {
    if (!g_Video.device) return true;
    UpdateTransform();
    if (!g_Scene.camera || !g_Scene.camera->BoxVisible(WorldBox())) return true;
    DrawMeshes();
    return true;
}

void DynamicMesh::DrawMeshes() {
    // Not through the cache: the matrix changes in place from frame to frame.
    g_Video.SetWorldMatrix(&world, 0, false);
    if (g_Scene.meshes)
        for (uint32_t i = 0; i < meshCount; ++i)
            if (Mesh* mesh = g_Scene.meshes->Get(meshIds[i])) mesh->DrawWithOverride();
    if (OverlayWanted()) {
        DebugDrawAxes(1.0f);
        DebugDrawWorldBox();
    }
}

void DynamicMesh::DebugDrawAxes(float length) const {
    const Vec3 origin{world.m[3][0], world.m[3][1], world.m[3][2]};
    const uint32_t colours[3] = {DYNAMIC_MESH_AXIS_X_COLOUR, DYNAMIC_MESH_AXIS_Y_COLOUR, DYNAMIC_MESH_AXIS_Z_COLOUR};
    for (int axis = 0; axis < 3; ++axis) {
        const Vec3 row{world.m[axis][0], world.m[axis][1], world.m[axis][2]};
        const Vec3 end = Vec3Add(origin, Vec3Scale(Vec3Normalize(row), length));
        BeginDebugDraw(origin.x, origin.y, origin.z, end.x, end.y, end.z, colours[axis]);
    }
}

void DynamicMesh::DebugDrawWorldBox() const {
    auto corner = [this](int bits) {
        return Vec3{box[(bits & 1) ? 3 : 0], box[(bits & 2) ? 4 : 1], box[(bits & 4) ? 5 : 2]};
    };
    // Each edge joins two corners that differ in one axis.
    for (int bits = 0; bits < 8; ++bits) {
        for (int axis = 1; axis < 8; axis <<= 1) {
            if (bits & axis) continue;
            const Vec3 a = corner(bits), b = corner(bits | axis);
            BeginDebugDraw(a.x, a.y, a.z, b.x, b.y, b.z, DYNAMIC_MESH_BOX_COLOUR);
        }
    }
}

bool DynamicMesh::Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t indexBase,
                       int32_t vertexBase) {
    const size_t start = in.Tell();
    Y3DNodeHeader header;
    if (!ReadY3DNodeHeader(in, &header)) {
        WriteDebugLog("DynamicMesh: short node header");
        return false;
    }
    in.Seek(start);
    if (!MeshNode::Load(in, materialIds, indexBase, vertexBase)) return false;
    transform = header.parts;
    // The tail's box, as the mesh node read it, is in local space.
    std::memcpy(localBox, box, sizeof localBox);
    transformValid = 0;
    UpdateTransform();
    return true;
}

bool DynamicMesh::CloneFrom(const DynamicMesh& other) {
    if (&other == this) return true;
    transform = other.transform;
    world = other.world;
    std::memcpy(localBox, other.localBox, sizeof localBox);
    std::memcpy(box, other.box, sizeof box);
    transformValid = other.transformValid;
    lit = other.lit;
    // A movable mesh copied from a solid one must not pass for solid.
    const uint32_t ownType = typeCode;
    MeshNode::CopyFrom(other);
    typeCode = ownType;
    return true;
}
