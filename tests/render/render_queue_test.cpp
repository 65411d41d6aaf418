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

TEST_F(RenderQueueTest, EveryEffectKindIsQueuedWithItsKind) {
    ProbeObject o(0, 0, 0, 1, &drawn);
    struct Case {
        bool (RenderQueue::*add)(PositionedObject*);
        uint8_t kind;
    } cases[] = {{&RenderQueue::AddSpriteMover, RQ_SPRITE_MOVER},
                 {&RenderQueue::AddGlowMotes, RQ_GLOW_MOTES},
                 {&RenderQueue::AddParticleEmitter, RQ_PARTICLE_EMITTER},
                 {&RenderQueue::AddEffectGroup, RQ_EFFECT_GROUP},
                 {&RenderQueue::AddSparks, RQ_SPARKS}};
    for (const Case& c : cases) {
        queue.Clear();
        EXPECT_TRUE((queue.*c.add)(&o));
        ASSERT_EQ(queue.count, 1u);
        EXPECT_EQ(queue.entries[0].kind, c.kind);
        EXPECT_FALSE((queue.*c.add)(nullptr));
        EXPECT_EQ(queue.count, 1u);
    }
}

TEST_F(RenderQueueTest, TiesAndGrowthKeepEveryEntryInNonIncreasingOrder) {
    // 250 items on only five distances: the array grows twice by 100 and ties abound.
    std::vector<std::unique_ptr<ProbeObject>> objects;
    for (int k = 0; k < 250; ++k) {
        float d = float((k * 7) % 5);
        objects.push_back(std::make_unique<ProbeObject>(k, 0, 0, d, &drawn));
        ASSERT_TRUE(queue.AddEffectGroup(objects.back().get()));
        EXPECT_EQ(queue.capacity, (uint32_t(k) / 100 + 1) * 100);
    }
    EXPECT_EQ(queue.Flush(), 250u);
    ASSERT_EQ(drawn.size(), 250u);
    std::vector<int> seen(250, 0);
    float last = 1e9f;
    for (const Drawn& d : drawn) {
        float dz = objects[size_t(d.id)]->z;
        EXPECT_LE(dz * dz, last);
        last = dz * dz;
        ++seen[size_t(d.id)];
    }
    for (int s : seen) EXPECT_EQ(s, 1);
}

TEST_F(RenderQueueTest, SortHandlesSmallAndEqualRuns) {
    struct Case {
        std::vector<float> distances;
    } cases[] = {{{5}}, {{1, 2}}, {{2, 1}}, {{3, 3, 3, 3}}, {{1, 9, 1, 9, 1}}, {{0, 0, 7}}};
    for (const Case& c : cases) {
        queue.Clear();
        std::vector<std::unique_ptr<ProbeObject>> objects;
        for (size_t k = 0; k < c.distances.size(); ++k) {
            objects.push_back(std::make_unique<ProbeObject>(int(k), c.distances[k], 0, 0, &drawn));
            queue.AddGlowMotes(objects.back().get());
        }
        queue.SortBackToFront(0, int32_t(queue.count) - 1);
        for (uint32_t k = 1; k < queue.count; ++k)
            EXPECT_GE(queue.entries[k - 1].distance, queue.entries[k].distance) << c.distances.size();
    }
}

TEST_F(RenderQueueTest, NothingIsDrawnBeforeTheFlushAndFlushSetsItsStates) {
    ProbeObject a(1, 0, 0, 5, &drawn);
    rec->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    rec->SetRenderState(D3DRS_ZENABLE, 0);
    Mat4 moved = Mat4Translation(1, 2, 3);
    g_Video.SetWorldMatrix(&moved, 0, true);
    queue.AddSpriteMover(&a);
    EXPECT_TRUE(drawn.empty());
    EXPECT_EQ(rec->CountCalls(CallKind::DrawPrimitive) + rec->CountCalls(CallKind::DrawPrimitiveUP), 0u);

    queue.Flush();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].zWrite, 0u);
    EXPECT_EQ(drawn[0].zEnable, 1u);
    EXPECT_TRUE(drawn[0].identityWorld);
    for (uint32_t s = 0; s < VIDEO_STAGES; ++s) EXPECT_EQ(rec->TextureAt(s), nullptr) << s;
}

TEST_F(RenderQueueTest, EmptyFlushStillSetsTheStates) {
    rec->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    rec->SetRenderState(D3DRS_ZENABLE, 0);
    Mat4 moved = Mat4Translation(1, 2, 3);
    g_Video.SetWorldMatrix(&moved, 0, true);
    EXPECT_EQ(queue.Flush(), 0u);
    EXPECT_EQ(rec->RenderState(D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(rec->RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(g_Video.world[0], &IdentityMatrix);
    EXPECT_EQ(std::memcmp(&rec->Transform(D3DTS_WORLDMATRIX(0)), &IdentityMatrix, sizeof(Mat4)), 0);
}

TEST_F(RenderQueueTest, CommandsLiveUntilClearAndClientsOutliveTheQueue) {
    bool aGone = false, bGone = false;
    auto a = std::make_unique<ProbeObject>(1, 0, 0, 1, &drawn, &aGone);
    auto b = std::make_unique<ProbeObject>(2, 0, 0, 2, &drawn, &bGone);
    queue.AddSparks(a.get());
    queue.AddSparks(b.get());
    // The entries stay after a flush: a second flush draws them again.
    EXPECT_EQ(queue.Flush(), 2u);
    EXPECT_EQ(queue.Flush(), 2u);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 1, 2, 1}));

    queue.Clear();
    EXPECT_EQ(queue.count, 0u);
    EXPECT_EQ(queue.capacity, 100u);   // the array is kept for the next frame
    EXPECT_FALSE(aGone);
    EXPECT_FALSE(bGone);
    drawn.clear();
    EXPECT_EQ(queue.Flush(), 0u);
    EXPECT_TRUE(drawn.empty());

    // The queue never deletes what it drew, not even when freed with commands pending.
    queue.AddSparks(a.get());
    queue.Free();
    EXPECT_EQ(queue.count, 0u);
    EXPECT_EQ(queue.capacity, 0u);
    EXPECT_EQ(queue.entries, nullptr);
    EXPECT_FALSE(aGone);
    a.reset();
    EXPECT_TRUE(aGone);
}

TEST_F(RenderQueueTest, ModelsAreSortedWithEffectsAndDrawnWithZWrites) {
    CharacterModel near, far;
    near.position = {0, 0, 2};
    far.position = {0, 0, 20};
    ProbeObject mid(7, 0, 0, 10, &drawn);
    EXPECT_TRUE(queue.AddModel(&near));
    EXPECT_TRUE(queue.AddSpriteMover(&mid));
    EXPECT_TRUE(queue.AddModel(&far));
    EXPECT_FALSE(queue.AddModel(nullptr));
    rec->ClearLog();
    queue.Flush();
    ASSERT_EQ(queue.count, 3u);
    EXPECT_EQ(queue.entries[0].kind, RQ_MODEL);
    EXPECT_FLOAT_EQ(queue.entries[0].distance, 400.0f);
    EXPECT_EQ(queue.entries[1].kind, RQ_SPRITE_MOVER);
    EXPECT_EQ(queue.entries[2].kind, RQ_MODEL);
    // The default states turn z writes on, the flush off; each model on and off again.
    EXPECT_EQ(rec->RenderStateSends(D3DRS_ZWRITEENABLE), (std::vector<uint32_t>{1, 0, 1, 0, 1, 0}));
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].zWrite, 0u);
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
