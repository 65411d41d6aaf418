#include "scene/mesh_node.h"

#include <cstring>

#include "common/binary_reader.h"
#include "platform/gfx/device.h"
#include "render/geometry.h"
#include "render/mesh.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "core/debug_log.h"

namespace {

float F32At(const uint8_t* p) {
    uint32_t u = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

bool BoxInView(const float box[6]) {
    const Camera* camera = g_Scene.camera;
    if (!camera) return false;
    AxisBox b{{box[3], box[4], box[5]}, {box[0], box[1], box[2]}};
    return camera->BoxVisible(b);
}

}  // namespace

MeshNode::~MeshNode() { MeshNode::Release(); }

bool MeshNode::SetName(const char* text) {
    bool ok = SceneNode::SetName(text);
    if (ok) {
        meshIds = nullptr;
        meshCount = 0;
        primitiveTotal = 0;
    }
    return ok;
}

void MeshNode::Release() {
    SceneNode::Release();
    if (meshIds && g_Scene.meshes)
        for (uint32_t i = 0; i < meshCount; ++i) g_Scene.meshes->Release(meshIds[i]);
    delete[] meshIds;
    meshIds = nullptr;
    meshCount = 0;
    primitiveTotal = 0;
}

void MeshNode::CopyFrom(const MeshNode& other) {
    if (&other == this) return;
    SceneNode::CopyFrom(other);
    // What this node held is given back first, so a copy never strands references.
    if (meshIds && g_Scene.meshes)
        for (uint32_t i = 0; i < meshCount; ++i) g_Scene.meshes->Release(meshIds[i]);
    delete[] meshIds;
    meshIds = nullptr;
    meshCount = other.meshCount;
    if (meshCount) {
        meshIds = new int32_t[meshCount];
        for (uint32_t i = 0; i < meshCount; ++i) {
            meshIds[i] = other.meshIds[i];
            if (g_Scene.meshes) g_Scene.meshes->AddRef(meshIds[i]);
        }
    }
    primitiveTotal = other.primitiveTotal;
    typeCode = other.typeCode;
}

int MeshNode::RemapMeshIds(Scene* target) {
    if (!target || !target->meshes || !g_Scene.meshes || target->meshes == g_Scene.meshes) return meshCount;
    for (uint32_t i = 0; i < meshCount; ++i) {
        Mesh* mesh = g_Scene.meshes->Get(meshIds[i]);
        if (!mesh) continue;
        g_Scene.meshes->ClearSlot(meshIds[i]);
        meshIds[i] = target->meshes->Add(mesh);
    }
    return meshCount;
}

bool MeshNode::Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t indexBase, int32_t vertexBase) {
    const uint8_t* header = in.Span(SCENE_NODE_HEADER_SIZE);
    if (!header) {
        WriteDebugLog("MeshNode: short node header");
        return false;
    }
    char text[SCENE_NODE_NAME_SIZE + 1];
    std::memcpy(text, header, SCENE_NODE_NAME_SIZE);
    text[SCENE_NODE_NAME_SIZE] = 0;
    SetName(text);

    const uint8_t* tail = in.Span(MESH_NODE_TAIL_SIZE);
    if (!tail) {
        WriteDebugLog("MeshNode: short node tail");
        return false;
    }
    for (int k = 0; k < 6; ++k) box[k] = F32At(tail + 8 + 4 * k);
    const uint8_t wanted = tail[4];
    if (wanted == 0) return true;
    if (!g_Scene.meshes) {
        WriteDebugLog("MeshNode: no mesh table");
        return false;
    }
    meshIds = new int32_t[wanted];
    for (uint32_t i = 0; i < wanted; ++i) {
        Mesh* mesh = new Mesh();
        if (!mesh->Load(in, materialIds, indexBase, vertexBase)) {
            delete mesh;
            WriteDebugLogF("MeshNode: mesh %u of %u cannot be read", i, unsigned(wanted));
            return false;
        }
        const int32_t id = g_Scene.meshes->Add(mesh);
        // The node's one reference, given back by Release.
        g_Scene.meshes->AddRef(id);
        meshIds[i] = id;
        meshCount = uint8_t(i + 1);
        primitiveTotal += mesh->triangleCount;
    }
    return true;
}

bool MeshNode::Draw() {
    if (!enabled) return false;
    if (!BoxInView(box)) return true;
    g_Video.SetLighting(false);
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    if (g_Scene.meshes)
        for (uint32_t i = 0; i < meshCount; ++i)
            if (Mesh* mesh = g_Scene.meshes->Get(meshIds[i])) mesh->DrawWithOverride();
    return true;
}

bool MeshNode::DebugDrawBox() {
    if (!BoxInView(box)) return true;
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return true;
    for (int s = 0; s < VIDEO_STAGES; ++s) g_Video.SetTexture(s, nullptr);
    g_Video.SetWorldMatrix(&IdentityMatrix, 0, true);
    struct LineVertex {
        float x, y, z;
        uint32_t colour;
    };
    static_assert(sizeof(LineVertex) == 16);
    const float lo[3] = {box[0], box[1], box[2]};
    const float hi[3] = {box[3], box[4], box[5]};
    auto corner = [&](int bits) {
        return LineVertex{(bits & 1) ? hi[0] : lo[0], (bits & 2) ? hi[1] : lo[1], (bits & 4) ? hi[2] : lo[2],
                          MESH_NODE_BOX_COLOUR};
    };
    // Each face as a loop of four corners: fix one axis at its low or high end.
    static const int kFaces[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                     {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};
    for (const auto& face : kFaces) {
        LineVertex v[5] = {corner(face[0]), corner(face[1]), corner(face[2]), corner(face[3]), corner(face[0])};
        device->DrawPrimitiveUP(gfx::D3DPT_LINESTRIP, 4, v, sizeof(LineVertex));
    }
    return true;
}
