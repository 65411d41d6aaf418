#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "effects/positioned_object.h"
#include "platform/gfx/recording_device.h"
#include "render/mesh.h"
#include "render/render_queue.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/collision_mesh.h"
#include "scene/scene.h"

using namespace gfx;

namespace {

// Records each Render into a shared log, with the device states it was drawn with.
struct Drawn {
    int id;
    uint32_t zWrite;
    uint32_t zEnable;
    bool identityWorld;
};

class ProbeObject : public PositionedObject {
public:
    ProbeObject(int id, float px, float py, float pz, std::vector<Drawn>* log, bool* destroyed = nullptr)
        : id_(id), log_(log), destroyed_(destroyed) {
        x = px;
        y = py;
        z = pz;
    }
    ~ProbeObject() override {
        if (destroyed_) *destroyed_ = true;
    }
    bool Render() override {
        RecordingDevice* rec = AsRecordingDevice(g_Video.device);
        log_->push_back({id_, rec->RenderState(D3DRS_ZWRITEENABLE), rec->RenderState(D3DRS_ZENABLE),
                         g_Video.world[0] == &IdentityMatrix});
        return true;
    }

private:
    int id_;
    std::vector<Drawn>* log_;
    bool* destroyed_;
};

class RenderQueueTest : public ::testing::Test {
protected:
    RecordingDevice* rec = nullptr;
    Camera camera;
    RenderQueue queue;
    std::vector<Drawn> drawn;

    void SetUp() override {
        g_Video.Zero();
        ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(64, 64), &rec), D3D_OK);
        g_Video.device = rec;
        g_Video.cullMode = D3DCULL_CCW;
        g_Video.SetWorldMatrix(nullptr, 0, false);
        ASSERT_EQ(rec->BeginScene(), D3D_OK);
        // Eye at the origin looking along +z.
        camera.Set(0, 0, 0, 0, 0, 10, 0, 1.0f, 1.0f, 1000.0f);
        camera.fovX = camera.fovY = 1.2f;
        camera.Update();
        g_Scene.camera = &camera;
    }
    void TearDown() override {
        queue.Free();
        g_Scene.camera = nullptr;
        g_Video.device = nullptr;
        if (rec) rec->Release();
        g_Video.Zero();
    }
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (const Drawn& d : drawn) ids.push_back(d.id);
        return ids;
    }
    // A triangle at depth z, facing the eye (normal -z) or away from it.
    static QueuedFace Triangle(float z, bool facingEye) {
        QueuedFace f{};
        f.vertexCount = 3;
        f.vertices[0] = {-1, -1, z};
        f.vertices[1] = {1, -1, z};
        f.vertices[2] = {0, 1, z};
        f.normal = {0, 0, facingEye ? -1.0f : 1.0f};
        return f;
    }
    // The world matrices the mesh-face commands set, in flush order (identity resets skipped).
    std::vector<float> WorldTranslationsZ() const {
        std::vector<float> zs;
        for (const Call& c : rec->CallsOf(CallKind::SetTransform)) {
            if (c.args[0] != uint32_t(D3DTS_WORLDMATRIX(0))) continue;
            bool identity = std::memcmp(&c.matrix, &IdentityMatrix, sizeof(Mat4)) == 0;
            if (!identity) zs.push_back(c.matrix.m[3][2]);
        }
        return zs;
    }
};

Mesh* FakeMesh() {
    static int storage;
    return reinterpret_cast<Mesh*>(&storage);   // never dereferenced by the queue
}

TEST_F(RenderQueueTest, DrawsFarthestFirst) {
    // Squared distances 4, 1 and 9.
    ProbeObject a(4, 0, 2, 0, &drawn), b(1, 1, 0, 0, &drawn), c(9, 0, 0, -3, &drawn);
    EXPECT_TRUE(queue.AddSpriteMover(&a));
    EXPECT_TRUE(queue.AddParticleEmitter(&b));
    EXPECT_TRUE(queue.AddSparks(&c));
    ASSERT_EQ(queue.count, 3u);
    EXPECT_FLOAT_EQ(queue.entries[0].distance, 4.0f);
    EXPECT_FLOAT_EQ(queue.entries[1].distance, 1.0f);
    EXPECT_FLOAT_EQ(queue.entries[2].distance, 9.0f);
    EXPECT_EQ(queue.Flush(), 3u);
    EXPECT_EQ(Ids(), (std::vector<int>{9, 4, 1}));
}

TEST_F(RenderQueueTest, MeshFaceNeedsACollisionFace) {
    EXPECT_FALSE(queue.AddMeshFace(nullptr, 0, 1));
    // Without a collision mesh every index is past its faces.
    Mesh plain;
    EXPECT_FALSE(queue.AddMeshFace(&plain, 0, 1));
    EXPECT_FALSE(queue.AddMeshFace(&plain, 0xFFFFFFFFu, 1));
    // One face of nine corners: more than a queued face holds, and no face 1.
    Mesh big;
    big.collision = new CollisionMesh();
    big.collision->vertices.assign(9, Vec3{0, 0, 1});
    big.collision->normals = {Vec3{0, 0, -1}};
    big.collision->groups.resize(1);
    CollisionFace face;
    face.indices = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    big.collision->groups[0].faces = {face};
    EXPECT_FALSE(queue.AddMeshFace(&big, 0, 1));
    EXPECT_FALSE(queue.AddMeshFace(&big, 1, 1));
    EXPECT_EQ(queue.count, 0u);
}

TEST_F(RenderQueueTest, FaceCullingAndViewVolume) {
    struct Case {
        const char* name;
        bool culling;
        uint32_t mode;
        float z;
        bool facingEye;
        bool queued;
    } cases[] = {
        {"front, ccw", true, D3DCULL_CCW, 10, true, true},
        {"back, ccw", true, D3DCULL_CCW, 10, false, false},
        {"front, cw", true, D3DCULL_CW, 10, true, false},
        {"back, cw", true, D3DCULL_CW, 10, false, true},
        {"back, culling off", false, D3DCULL_CCW, 10, false, true},
        {"behind the eye", false, D3DCULL_CCW, -10, true, false},
        {"past the far side", false, D3DCULL_CCW, 2000, true, false},
    };
    for (const Case& c : cases) {
        queue.Clear();
        g_Video.culling = c.culling;
        g_Video.cullMode = c.mode;
        EXPECT_TRUE(queue.AddFace(FakeMesh(), 3, 1, Triangle(c.z, c.facingEye))) << c.name;
        EXPECT_EQ(queue.count, c.queued ? 1u : 0u) << c.name;
        if (c.queued && queue.count) {
            EXPECT_EQ(queue.entries[0].kind, RQ_MESH_FACE);
            // Centre (0, -1/3, z).
            EXPECT_NEAR(queue.entries[0].distance, c.z * c.z + 1.0f / 9.0f, 1e-3f) << c.name;
        }
    }
    QueuedFace bad = Triangle(10, true);
    bad.vertexCount = kQueuedFaceMaxVertices + 1;
    EXPECT_FALSE(queue.AddFace(FakeMesh(), 0, 1, bad));
}

TEST_F(RenderQueueTest, FaceKeepsACopyOfTheWorldMatrixAndIsMeasuredThroughIt) {
    g_Video.culling = 0;
    // Two faces at depth 10 in model space: one pushed to 50 by its world matrix.
    auto pushed = std::make_unique<Mat4>(Mat4Translation(0, 0, 40));
    g_Video.SetWorldMatrix(pushed.get(), 0, true);
    ASSERT_TRUE(queue.AddFace(FakeMesh(), 0, 1, Triangle(10, true)));
    auto nudged = std::make_unique<Mat4>(Mat4Translation(0, 0, 1));
    g_Video.SetWorldMatrix(nudged.get(), 0, true);
    ASSERT_TRUE(queue.AddFace(FakeMesh(), 1, 1, Triangle(10, true)));
    ASSERT_EQ(queue.count, 2u);
    EXPECT_NEAR(queue.entries[0].distance, 2500.0f + 1.0f / 9.0f, 1e-2f);
    EXPECT_NEAR(queue.entries[1].distance, 121.0f + 1.0f / 9.0f, 1e-2f);

    // The matrices the caller had are gone (or changed) by the time the queue flushes.
    g_Video.SetWorldMatrix(nullptr, 0, true);
    pushed.reset();
    nudged->m[3][2] = 999.0f;
    rec->ClearLog();
    queue.Flush();
    EXPECT_EQ(WorldTranslationsZ(), (std::vector<float>{40.0f, 1.0f}));
    // No pointer into a command is left in the cache.
    EXPECT_EQ(g_Video.world[0], &IdentityMatrix);
    queue.Clear();
    EXPECT_EQ(g_Video.world[0], &IdentityMatrix);
}

}  // namespace
