// Scene files for the Y3D loader tests: one of every record kind the loader builds, plus kinds
// it skips.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "datakit/buffer_block_writer.h"
#include "datakit/y3d_builder.h"
#include "datakit/y3d_octree_builder.h"

namespace y3dtest {

using namespace datakit;

constexpr uint32_t kFvf = 0x142;   // position, diffuse, one texture pair

inline Y3DMesh OneTriangle(uint32_t vertexBuffer = 0, uint32_t indexBuffer = 0, uint16_t flags = 0) {
    Y3DMesh m;
    m.material = 0;
    m.indexBuffer = indexBuffer;
    m.vertexBuffer = vertexBuffer;
    m.triangleCount = 1;
    m.minVertex = 0;
    m.maxVertex = 2;
    m.flags = flags;
    m.centres = {{0, 0, 0}};
    return m;
}

inline CollisionMeshDesc FloorCollision() {
    CollisionMeshDesc mesh;
    mesh.AddFace(0, {{-4, 0, -4}, {4, 0, -4}, {4, 0, 4}, {-4, 0, 4}}, {0, 1, 0});
    return mesh;
}

// A movable mesh (0x101) turned a quarter about y at (10, 0, 0), or its solid kind (0x102) with a
// floor as its collision mesh, over the file's first buffers.
inline Y3DMeshNode MovableNode(const char* name, uint32_t type, uint16_t version = 320) {
    Y3DMeshNode node;
    node.name = name;
    node.type = type;
    const float box[6] = {-1, 0, -2, 1, 1, 2};
    std::memcpy(node.box, box, sizeof box);
    node.parts.translation = {10, 0, 0};
    node.parts.rotation = {0, 0.70710678f, 0, 0.70710678f};
    node.meshes = {OneTriangle(0, 0)};
    if (type == 0x102) AppendCollisionMesh(&node.collision, FloorCollision(), version);
    return node;
}

// Every kind the loader makes (a mesh node, a movable mesh and a solid one, the three lights) and
// kinds it passes over.
inline Y3DSceneFile FullScene(uint16_t version = 320) {
    Y3DSceneFile f;
    f.header.version = version;
    f.header.geometry = 1;
    Y3DMaterial material;
    material.layers = {{1, "FLOOR.TGA"}};
    f.materials = BuildMaterialList({material.Build()});
    f.vertexBuffers = BuildVertexBufferBlock({PatternVertices(3, kFvf, 1), PatternVertices(3, kFvf, 9)});
    f.indexBuffers = BuildIndexBufferBlock({SequentialIndices(3, 0), SequentialIndices(3, 1)});
    f.meshList = BuildMeshList({OneTriangle(0, 0), OneTriangle(1, 1)});
    const int32_t corner[3] = {-8, -8, -8};
    std::vector<OctreeNodeDesc> render = GridOctree(0, corner, 4);
    render[0].first = 0;
    render[0].itemCount = 2;
    render[0].polygonCount = 2;
    f.renderOctree = BuildRenderOctreeBlock(render);
    std::vector<OctreeNodeDesc> collision = GridOctree(0, corner, 4);
    collision[0].first = 0;
    collision[0].itemCount = 1;
    f.collisionOctree = BuildCollisionOctreeBlock(collision, {FloorCollision()}, version);

    Y3DMeshNode floor;
    floor.name = "Floor";
    const float box[6] = {-1, -2, -3, 4, 5, 6};
    std::memcpy(floor.box, box, sizeof box);
    floor.meshes = {OneTriangle(1, 1, 1)};
    AppendCollisionMesh(&floor.meshes[0].collision, FloorCollision(), version);
    f.records.push_back(MeshNodeRecord(floor));

    Y3DLight sun;
    sun.name = "Sun(SOL)";
    sun.type = 0x200;
    sun.position = {1, 2, 3};
    sun.direction = {0, -2, 0};
    sun.colour[0] = 0.5f;
    f.records.push_back(LightRecord(sun));
    f.records.push_back(OpaqueRecord("Bone", 0x500, 600));
    Y3DLight lamp;
    lamp.name = "Lamp(SOL)";   // a point light is never the sun
    lamp.type = 0x201;
    lamp.position = {7, 8, 9};
    f.records.push_back(LightRecord(lamp));
    f.records.push_back(OpaqueRecord("Helper", 0x400, 573));
    f.records.push_back(MeshNodeRecord(MovableNode("Dynamic(DIN)", 0x101, version)));
    f.records.push_back(OpaqueRecord("Strange", 0x4242, 17));
    Y3DLight spot;
    spot.name = "Spot";
    spot.type = 0x202;
    spot.position = {-1, 0, 0};
    spot.direction = {1, 0, 0};
    f.records.push_back(LightRecord(spot));
    f.records.push_back(MeshNodeRecord(MovableNode("Solid(DINCOL)", 0x102, version)));
    return f;
}

}  // namespace y3dtest
