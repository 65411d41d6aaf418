// Static-geometry node: meshes of the scene's mesh table, a world-space box for culling and an
// enabled flag. Its vertices are stored in world coordinates, so it draws unlit with no world
// transform.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/scene_node.h"

class BinaryReader;

// Bytes after the node header of a mesh node record, before its mesh records.
constexpr uint32_t MESH_NODE_TAIL_SIZE = 32;
constexpr uint32_t MESH_NODE_BOX_COLOUR = 0xFFFF0000;

class MeshNode : public SceneNode {
public:
    int32_t* meshIds = nullptr;   // owned; one reference held on each
    uint8_t meshCount = 0;
    uint32_t primitiveTotal = 0;  // triangles of every loaded mesh
    float box[6] = {0, 0, 0, 0, 0, 0};   // min x, y, z, max x, y, z
    uint8_t enabled = 1;

    MeshNode() { typeCode = NODE_TYPE_MESH; }
    ~MeshNode() override;

    // Used only on a node that holds no meshes yet: forgets the id array without releasing.
    bool SetName(const char* text) override;
    void Release() override;
    using SceneNode::CopyFrom;
    int RemapMeshIds(Scene* target) override;
    bool Draw() override;

    // Name, ids (one more reference on each), total and type code; not the box or the flag.
    virtual void CopyFrom(const MeshNode& other);
    // Node header, tail and mesh records. False (logged) for a short header or tail or a mesh
    // record that cannot be read; meshes read before the fault stay with the node.
    virtual bool Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t indexBase,
                      int32_t vertexBase);
    // The box's six faces in red lines, when it is in view.
    virtual bool DebugDrawBox();
};
