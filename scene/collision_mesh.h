// Simplified static geometry for collision: convex faces sorted into groups by type mask,
// with the nearest-hit ray test and the swept-volume first-contact test.
#pragma once

#include <cstdint>
#include <vector>

#include "render/geometry.h"

class BinaryReader;

// Type-mask bits chosen by the callers.
constexpr uint32_t COLLISION_GROUND = 1;     // static ground and walls
constexpr uint32_t COLLISION_LAVA = 4;
constexpr uint32_t COLLISION_BOTH_SIDES = 0x100;   // ray queries take back faces too

// A face has at most 255 corners and each of the six sweep planes adds at most one.
constexpr int SWEEP_CLIP_CAPACITY = 255 + 6;

struct CollisionFace {
    std::vector<uint16_t> indices;   // vertex indices, at least 3
    uint16_t normalIndex = 0;
};

struct CollisionFaceGroup {
    uint8_t typeMask = 0;
    std::vector<CollisionFace> faces;
};

// One clipped face of a swept-volume query; chained newest first, freed by the caller.
struct SweepContact {
    uint16_t vertexCount = 0;   // 0 = empty
    Vec3 vertices[SWEEP_CLIP_CAPACITY];
    Vec3 normal{0, 0, 0};
    SweepContact* next = nullptr;
};

// Deletes a whole chain.
void FreeSweepContacts(SweepContact* head);

// Flat copies of the faces, built once when a mesh is read or copied, so the per-face tests
// walk contiguous records instead of chasing index vectors.
struct CollisionEdge {
    Vec3 side;    // (vi - vi+1) x n: the inside test is side . (P - vi)
    Vec3 start;   // vi
};

struct CollisionFlatFace {
    Vec3 normal;
    float normalDotFirst;   // n . v0
    uint32_t firstEdge;
    uint32_t edgeCount;
};

struct CollisionFlatGroup {
    uint8_t typeMask;
    uint32_t firstFace;
    uint32_t faceCount;
};

// The queries run on the flat copies: fill the fields through Read or CopyFrom only.
class CollisionMesh {
public:
    uint32_t typeMask = 0;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;   // unit length
    std::vector<CollisionFaceGroup> groups;
    uint16_t faceCount = 0;

    void Clear();
    void CopyFrom(const CollisionMesh& other);
    // One stored mesh in the layout of the given file version. Indices are checked; faces with
    // fewer than three corners are skipped. False (mesh left empty) on short or bad data.
    bool Read(BinaryReader& in, uint16_t version);
    // The faces as the matrix places them (corners as points, normals by its rotation part, not
    // renormalised) into out, whose queries then answer for the placed mesh; out's vertex, normal
    // and group arrays are left empty. out's storage is reused, so placing a mesh no larger than
    // the last one allocates nothing.
    void PlaceInto(const Mat4& m, CollisionMesh* out) const;
    // The flat copies, for callers that walk the faces themselves.
    const std::vector<CollisionFlatGroup>& FlatGroups() const { return flatGroups_; }
    const std::vector<CollisionFlatFace>& FlatFaces() const { return flatFaces_; }
    const std::vector<CollisionEdge>& Edges() const { return edges_; }

    // Nearest face hit by the unbounded ray; outputs written only on a hit; each may be null.
    bool RayTest(const Ray& ray, Vec3* outPoint, Vec3* outNormal, uint16_t* outType, uint32_t mask) const;
    // planes[4] is the start plane; the best contact and distance carry over between calls.
    bool SweepSphere(const Plane* planes, int planeCount, Vec3* outPoint, float* bestDistance, SweepContact* best,
                     SweepContact** contacts, uint8_t mask) const;

private:
    void BuildFlatFaces();

    std::vector<CollisionFlatGroup> flatGroups_;
    std::vector<CollisionFlatFace> flatFaces_;
    std::vector<CollisionEdge> edges_;
};
