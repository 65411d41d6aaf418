#include <gtest/gtest.h>

#include <cmath>

#include "collision_world.h"

using namespace collisiontest;
using datakit::AppendCollisionMesh;

namespace {

CollisionMesh Load(const CollisionMeshDesc& desc, uint16_t version = 320) {
    std::vector<uint8_t> bytes;
    AppendCollisionMesh(&bytes, desc, version);
    BinaryReader in(bytes.data(), bytes.size());
    CollisionMesh mesh;
    EXPECT_TRUE(mesh.Read(in, version));
    EXPECT_EQ(in.Remaining(), 0u);
    return mesh;
}

// A floor square x, z in [-1, 1] at y = 0, facing up.
CollisionMeshDesc Floor() {
    CollisionMeshDesc desc;
    desc.AddFace(0, Square({0, 0, 0}, {0, 1, 0}, 1, 1), {0, 1, 0});
    return desc;
}

struct Hit {
    bool hit;
    Vec3 point{99, 99, 99};
    Vec3 normal{99, 99, 99};
    uint16_t type = 999;
};

Hit Cast(const CollisionMesh& mesh, Vec3 origin, Vec3 dir, uint32_t mask) {
    Hit h;
    Ray ray{Vec3Normalize(dir), origin};
    h.hit = mesh.RayTest(ray, &h.point, &h.normal, &h.type, mask);
    return h;
}

}  // namespace

TEST(CollisionMeshRay, FloorHitsMissesAndTolerances) {
    CollisionMesh floor = Load(Floor());
    const struct {
        const char* name;
        Vec3 origin, dir;
        uint32_t mask;
        bool hit;
        Vec3 point;
    } cases[] = {
        {"straight down", {0.5f, 3, 0.25f}, {0, -1, 0}, 1, true, {0.5f, 0, 0.25f}},
        {"slanted", {-1, 2, 0}, {1, -2, 0}, 1, true, {0, 0, 0}},
        {"on the edge", {1, 3, 0}, {0, -1, 0}, 1, true, {1, 0, 0}},
        {"just past the edge", {1.001f, 3, 0}, {0, -1, 0}, 1, false, {}},
        {"within the edge tolerance", {1.00004f, 3, 0}, {0, -1, 0}, 1, true, {1.00004f, 0, 0}},
        {"back face", {0, -3, 0}, {0, 1, 0}, 1, false, {}},
        {"back face, both sides", {0, -3, 0}, {0, 1, 0}, 0x101, true, {0, 0, 0}},
        {"face behind the origin", {0, -3, 0}, {0, -1, 0}, 0x101, false, {}},
        {"parallel", {-3, 0, 0}, {1, 0, 0}, 0x101, false, {}},
        {"nearly parallel", {-3, 0.0001f, 0}, {1, -0.00005f, 0}, 0x101, false, {}},
        {"other type", {0, 3, 0}, {0, -1, 0}, 4, false, {}},
        {"origin on the face", {0.5f, 0, 0.5f}, {0, -1, 0}, 1, true, {0.5f, 0, 0.5f}},
    };
    for (const auto& c : cases) {
        Hit h = Cast(floor, c.origin, c.dir, c.mask);
        EXPECT_EQ(h.hit, c.hit) << c.name;
        if (c.hit) {
            EXPECT_NEAR(h.point.x, c.point.x, 1e-5f) << c.name;
            EXPECT_NEAR(h.point.y, c.point.y, 1e-5f) << c.name;
            EXPECT_NEAR(h.point.z, c.point.z, 1e-5f) << c.name;
            EXPECT_FLOAT_EQ(h.normal.y, 1.0f) << c.name;
            EXPECT_EQ(h.type, 1) << c.name;
        } else {
            EXPECT_FLOAT_EQ(h.point.x, 99.0f) << c.name << ": outputs written on a miss";
            EXPECT_EQ(h.type, 999) << c.name;
        }
    }
    // Null outputs are allowed.
    Ray ray{{0, -1, 0}, {0, 1, 0}};
    EXPECT_TRUE(floor.RayTest(ray, nullptr, nullptr, nullptr, 1));
}

TEST(CollisionMeshRead, EveryFileVersion) {
    CollisionMeshDesc desc;
    desc.typeMask = 5;
    desc.AddFace(0, Square({0, 0, 0}, {0, 1, 0}, 1, 1), {0, 1, 0});
    desc.AddFace(1, {{0, 2, 0}, {1, 2, 0}, {0, 2, 1}}, {0, 1, 0});
    desc.groups[1].typeMask = 4;
    {
        CollisionMesh m = Load(desc, 320);
        EXPECT_EQ(m.typeMask, 5u);
        ASSERT_EQ(m.groups.size(), 2u);
        EXPECT_EQ(m.groups[1].typeMask, 4);
        EXPECT_EQ(m.groups[1].faces[0].indices.size(), 3u);
        EXPECT_FLOAT_EQ(m.vertices[4].y, 2.0f);
    }
    // Older files: one group of type 1 (only the first group's faces are written).
    for (uint16_t version : {uint16_t(305), uint16_t(319)}) {
        CollisionMesh m = Load(desc, version);
        EXPECT_EQ(m.typeMask, 1u) << version;
        ASSERT_EQ(m.groups.size(), 1u) << version;
        EXPECT_EQ(m.faceCount, 1) << version;
        EXPECT_TRUE(Cast(m, {0, 3, 0}, {0, -1, 0}, 1).hit) << version;
    }
    // Version 305 stores 32-bit counts and indices of which the low 16 bits count.
    BinaryWriter w;
    w.PutU32(0x10003);   // 3 vertices
    w.PutU32(1);
    w.PutU32(1);
    const float verts[] = {0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0};
    for (float f : verts) w.PutF32(f);
    w.PutU8(3);
    w.PutU32(0x50000);   // normal 0
    w.PutU32(0x20000);
    w.PutU32(1);
    w.PutU32(0x70002);
    BinaryReader in(w.Data().data(), w.Size());
    CollisionMesh m;
    ASSERT_TRUE(m.Read(in, 305));
    ASSERT_EQ(m.vertices.size(), 3u);
    EXPECT_EQ(m.groups[0].faces[0].indices, (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(m.groups[0].faces[0].normalIndex, 0);
}

TEST(CollisionMeshRead, BadIndicesAndShortDataRejected) {
    const struct {
        const char* name;
        uint32_t index;
        uint32_t normal;
    } cases[] = {{"vertex index past the end", 4, 0}, {"normal index past the end", 0, 1}};
    for (const auto& c : cases) {
        for (uint16_t version : {uint16_t(305), uint16_t(315), uint16_t(320)}) {
            CollisionMeshDesc desc = Floor();
            desc.groups[0].faces[0].indices[2] = c.index;
            desc.groups[0].faces[0].normal = c.normal;
            std::vector<uint8_t> bytes;
            AppendCollisionMesh(&bytes, desc, version);
            BinaryReader in(bytes.data(), bytes.size());
            CollisionMesh m;
            EXPECT_FALSE(m.Read(in, version)) << c.name << " " << version;
            EXPECT_TRUE(m.vertices.empty() && m.groups.empty()) << c.name;
        }
    }
    std::vector<uint8_t> bytes;
    AppendCollisionMesh(&bytes, Floor(), 320);
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
        BinaryReader in(bytes.data(), cut);
        CollisionMesh m;
        EXPECT_FALSE(m.Read(in, 320)) << cut;
    }
    // A face of two corners has no area: skipped, the rest of the mesh kept.
    CollisionMeshDesc desc = Floor();
    desc.AddFace(0, {{0, 1, 0}, {1, 1, 0}}, {0, 1, 0});
    EXPECT_EQ(Load(desc).groups[0].faces.size(), 1u);
}

namespace {

struct Sweep {
    std::vector<Plane> planes;
    Vec3 point{99, 99, 99};
    float best;
    SweepContact bestContact;
    SweepContact* list = nullptr;
    Sweep(const Vec3 c[4], const Vec3& m) : planes(SweepPlanes(c, m)), best(Vec3Length(m)) {}
    ~Sweep() { FreeSweepContacts(list); }
    bool Run(const CollisionMesh& mesh, uint8_t mask = 1) {
        return mesh.SweepSphere(planes.data(), int(planes.size()), &point, &best, &bestContact, &list, mask);
    }
};

}  // namespace

TEST(CollisionMeshSweep, FacesWithManyCornersFitTheClipBuffers) {
    // A unit square in the plane x = 0 (y, z in [0, 1]) moving +x by 10.
    const Vec3 kQuadX[4] = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};
    const Vec3 kMoveX{10, 0, 0};
    for (int corners : {40, 255}) {
        CollisionMeshDesc desc;
        std::vector<Vec3> ring;
        for (int i = 0; i < corners; ++i) {
            float t = 6.2831853f * float(i) / float(corners);
            ring.push_back({5, 0.5f + 0.8f * std::cos(t), 0.5f + 0.8f * std::sin(t)});
        }
        desc.AddFace(0, ring, {-1, 0, 0});
        CollisionMesh mesh = Load(desc);
        // A square larger than the ring: nothing is cut away.
        const Vec3 big[4] = {{0, -1, -1}, {0, 2, -1}, {0, 2, 2}, {0, -1, 2}};
        Sweep s(big, kMoveX);
        ASSERT_TRUE(s.Run(mesh)) << corners;
        EXPECT_EQ(s.bestContact.vertexCount, corners);
        EXPECT_NEAR(s.best, 5.0f, 1e-4f);
        // A small square cuts the ring: the clipped polygon stays inside the buffers.
        Sweep small(kQuadX, kMoveX);
        ASSERT_TRUE(small.Run(mesh)) << corners;
        EXPECT_GE(small.bestContact.vertexCount, 3);
        EXPECT_LE(small.bestContact.vertexCount, SWEEP_CLIP_CAPACITY);
    }
}
