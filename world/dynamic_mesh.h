// Movable scene nodes: a mesh node that carries its own position and rotation, rebuilds its world
// matrix and box only after they changed, culls and lights itself and draws its meshes with that
// matrix; and the solid kind that also owns a collision mesh in its own local space, so that
// moving it moves its collision faces without rebuilding anything.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "render/geometry.h"
#include "scene/mesh_node.h"

class CollisionMesh;
struct SweepContact;

// One vertex of a tessellated outline: position, normal and texture pair, in double precision.
struct MeshVertex {
    double x, y, z;
    double nx, ny, nz;
    double u, v;
};
static_assert(sizeof(MeshVertex) == 64);

// Position, normal, one texture pair: the vertices BuildGeometry writes.
constexpr uint32_t DYNAMIC_MESH_GEOMETRY_FVF = 0x112;
// Colours of the test-mode overlay.
constexpr uint32_t DYNAMIC_MESH_AXIS_X_COLOUR = 0xff0000;
constexpr uint32_t DYNAMIC_MESH_AXIS_Y_COLOUR = 0x00ff00;
constexpr uint32_t DYNAMIC_MESH_AXIS_Z_COLOUR = 0x0000ff;
constexpr uint32_t DYNAMIC_MESH_BOX_COLOUR = 0xffff00;

// The visible byte is MeshNode::enabled, the world box MeshNode::box (minimum corner first).
class DynamicMesh : public MeshNode {
public:
    // Callers move the object through translation and turn it through rotation; every writer
    // clears transformValid.
    TransformParts transform{{0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {1, 1, 1}, 1.0f};
    Mat4 world = Mat4Identity();   // row vectors: translation in the fourth row
    float localBox[6] = {0, 0, 0, 0, 0, 0};   // two opposite corners in local space
    uint8_t transformValid = 0;    // 1: world and box match transform
    uint8_t lit = 1;               // 0: drawn with lighting off (no point lights chosen)

    DynamicMesh();
    ~DynamicMesh() override;

    // Queues the whole object for the sorted pass when any of its meshes is translucent, else
    // draws it at once.
    bool Render() override;
    bool Draw() override;
    // Node header, tail and meshes; the transform from the header, the local box from the tail.
    // False (logged) for a short or bad record.
    bool Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t indexBase,
              int32_t vertexBase) override;
    // One mesh from tessellated outlines, placed at the origin with its box centred in x and z and
    // raised by the line offset; adds the mesh to no list. False when the name cannot be set, the
    // lists are empty or name a vertex they do not hold, or the device refuses a buffer.
    virtual bool BuildGeometry(int32_t lineOffset, const char* name, const std::vector<MeshVertex>& vertices,
                               const std::vector<uint16_t>& indices, int32_t materialId, AxisBox* outBox,
                               Vec3* outCentre);
    // Placement, matrix, boxes and the two bytes, then the mesh-node part (one more reference
    // on each mesh). The node keeps its own type code.
    virtual bool CloneFrom(const DynamicMesh& other);
    // Draw without the visible byte and without touching lighting (attachments).
    virtual bool DrawVariant();

    // Rebuilds matrix and world box when the transform changed.
    void UpdateTransform();
    // The world box from the two local corners through the current matrix, which is not rebuilt.
    void UpdateBounds();
    AxisBox WorldBox() const { return {{box[3], box[4], box[5]}, {box[0], box[1], box[2]}}; }
    void SetPosition(const Vec3& p) {
        transform.translation = p;
        transformValid = 0;
    }

    // Test-mode overlay: the local axes from the world position, and the world box.
    void DebugDrawAxes(float length) const;
    void DebugDrawWorldBox() const;

protected:
    // World matrix, meshes in id order, then the overlay.
    void DrawMeshes();
};

class DynamicCollidableMesh : public DynamicMesh {
public:
    CollisionMesh* collision = nullptr;   // owned; local space

    DynamicCollidableMesh();
    ~DynamicCollidableMesh() override;

    void Release() override;
    // The movable mesh, then its collision mesh from the reader.
    bool Load(BinaryReader& in, const std::vector<int32_t>& materialIds, int32_t indexBase,
              int32_t vertexBase) override;
    // CloneFrom, then a deep copy of the other's collision mesh.
    virtual bool CloneCollidableFrom(const DynamicCollidableMesh& other);

    // Nearest face hit by the world-space ray; the type is the hit group's type mask. The length
    // is not applied here (the caller compares distances). Outputs are written only on a hit.
    bool RayTest(const Ray& ray, float maxDistance, Vec3* outPoint, Vec3* outNormal, uint16_t* outType,
                 uint32_t typeMask);
    // The swept-volume test of the collision mesh as the object stands, carrying best distance,
    // best contact and contact list over as the static tree's test does. A volume whose first
    // planes leave the world box wholly outside is rejected before any face is read.
    bool SweepSphere(const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance, SweepContact* best,
                     SweepContact** contacts, uint32_t typeMask);
};

// The movable mesh behind a scene node, or null for any other kind.
DynamicMesh* AsDynamicMesh(SceneNode* node);
DynamicCollidableMesh* AsDynamicCollidableMesh(SceneNode* node);
