#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "datakit/buffer_block_writer.h"
#include "datakit/y3d_builder.h"
#include "datakit/y3d_octree_builder.h"
#include "effects/positioned_object.h"
#include "platform/gfx/recording_device.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/render_batches.h"
#include "render/render_octree.h"
#include "render/render_queue.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/collision_mesh.h"
#include "scene/scene.h"
#include "vertex_buffer_fixture.h"

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

// A triangle facing the eye at the origin (clockwise as it sees it), `dx` to the side, at depth z.
std::vector<Vec3> Corners(float dx, float z) { return {{dx - 1, -1, z}, {dx, 1, z}, {dx + 1, -1, z}}; }

// The queue on a recording device, with the scene's buffer, material and mesh tables filled by
// their own loaders.
class RenderQueueTest : public rendertest::DeviceTest {
protected:
    Camera camera;
    RenderQueue queue;
    std::vector<Drawn> drawn;
    VertexBufferTable vertexBuffers;
    IndexBufferTable indexBuffers;
    MaterialTable materials;
    MeshTable meshes;
    int32_t blended = -1;   // two passes, the first blended

    void SetUp() override {
        rendertest::DeviceTest::SetUp();
        g_Video.cullMode = D3DCULL_CCW;
        g_Video.SetWorldMatrix(nullptr, 0, false);
        ASSERT_EQ(dev->BeginScene(), D3D_OK);
        // Eye at the origin looking along +z.
        camera.Set(0, 0, 0, 0, 0, 10, 0, 1.0f, 1.0f, 1000.0f);
        camera.fovX = camera.fovY = 1.2f;
        camera.Update();
        g_Scene.camera = &camera;
        g_SceneVertexBuffers = &vertexBuffers;
        g_SceneIndexBuffers = &indexBuffers;
        g_Scene.materials = &materials;
        g_Y3DVersion = 320;
        g_DrawCalls = 0;
        g_PolygonsDrawn = 0;
        // One texture at a time: the second layer takes a pass of its own, blended too.
        g_Video.caps.MaxSimultaneousTextures = 1;
        MaterialDescription d{};
        d.layers[0] = {MATERIAL_KIND_BASE, -1};
        d.layers[1] = {MATERIAL_KIND_SECOND, -1};
        d.layerCount = 2;
        d.options = 1;
        auto* m = new ::Material();
        m->SetDescription(d);
        ASSERT_EQ(m->passCount, 2u);
        ASSERT_NE(m->passes[0].blendPreset, 0u);
        blended = materials.Add(m);
    }
    void ReleaseResources() override {
        queue.Free();
        meshes.Free();
        materials.Free();
        vertexBuffers.Free();
        indexBuffers.Free();
        g_Scene.materials = nullptr;
        g_SceneVertexBuffers = nullptr;
        g_SceneIndexBuffers = nullptr;
        g_Scene.camera = nullptr;
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
    // A mesh of the blended material as a level file stores it, in buffers of its own: one
    // triangle per depth, in that order, each the face of the same index of its collision mesh.
    Mesh* LoadBlendedMesh(const std::vector<float>& depths, float dx = 0) {
        datakit::CollisionMeshDesc solid;
        std::vector<float> positions;
        for (float z : depths) {
            const std::vector<Vec3> corners = Corners(dx, z);
            for (const Vec3& c : corners) positions.insert(positions.end(), {c.x, c.y, c.z});
            solid.AddFace(0, corners, {0, 0, -1});
        }
        datakit::VertexRecord vr;
        vr.count = uint32_t(depths.size() * 3);
        vr.fvf = D3DFVF_XYZ;
        const auto* bytes = reinterpret_cast<const uint8_t*>(positions.data());
        vr.vertices.assign(bytes, bytes + positions.size() * sizeof(float));
        const int32_t vb = vertexBuffers.Load(Stream(datakit::BuildVertexBufferBlock({vr})), 0);
        const int32_t ib =
            indexBuffers.Load(Stream(datakit::BuildIndexBufferBlock({datakit::SequentialIndices(vr.count, 0)})), vb, 0);
        if (vb < 0 || ib < 0) return nullptr;
        datakit::Y3DMesh rec;
        rec.triangleCount = uint16_t(depths.size());
        rec.maxVertex = uint16_t(vr.count - 1);
        for (float z : depths) rec.centres.push_back({dx, -1.0f / 3, z});
        rec.flags = MESH_FLAG_COLLISION;
        datakit::AppendCollisionMesh(&rec.collision, solid, 320);
        const int32_t id = meshes.Load(Stream(datakit::BuildMeshList({rec})), {blended}, ib, vb);
        Mesh* mesh = meshes.Get(id);
        return mesh && mesh->collision ? mesh : nullptr;
    }
    // The world matrices the mesh-face commands set, in flush order (identity resets skipped).
    std::vector<float> WorldTranslationsZ() const {
        std::vector<float> zs;
        for (const Call& c : dev->CallsOf(CallKind::SetTransform)) {
            if (c.args[0] != uint32_t(D3DTS_WORLDMATRIX(0))) continue;
            bool identity = std::memcmp(&c.matrix, &IdentityMatrix, sizeof(Mat4)) == 0;
            if (!identity) zs.push_back(c.matrix.m[3][2]);
        }
        return zs;
    }
    // One indexed draw as the flush made it: its first index, its pass (the texture coordinate
    // set of its first stage), the depth its world matrix moves by, and the buffer it read.
    struct FaceDraw {
        uint32_t start;
        uint32_t pass;
        float worldZ;
        const gfx::VertexBuffer* stream;
        bool operator==(const FaceDraw&) const = default;
    };
    std::vector<FaceDraw> FaceDraws() const {
        std::vector<FaceDraw> out;
        for (const DrawRecord& d : dev->Draws()) {
            if (d.kind != CallKind::DrawIndexedPrimitive) continue;
            EXPECT_EQ(d.type, D3DPT_TRIANGLELIST);
            EXPECT_EQ(d.primitiveCount, 1u) << "one face a draw";
            EXPECT_EQ(d.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
            EXPECT_EQ(d.RenderState(D3DRS_ZWRITEENABLE), 0u);
            out.push_back({d.startIndex, d.StageState(0, D3DTSS_TEXCOORDINDEX), d.world.m[3][2], d.stream0});
        }
        return out;
    }
    const gfx::VertexBuffer* StreamOf(const Mesh* m) const { return vertexBuffers.Get(m->vertexBufferId)->buffer; }
};

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
    Mesh* mesh = LoadBlendedMesh({10, 10, 10, 10});
    ASSERT_NE(mesh, nullptr);
    for (const Case& c : cases) {
        queue.Clear();
        g_Video.culling = c.culling;
        g_Video.cullMode = c.mode;
        EXPECT_TRUE(queue.AddFace(mesh, 3, 1, Triangle(c.z, c.facingEye))) << c.name;
        EXPECT_EQ(queue.count, c.queued ? 1u : 0u) << c.name;
        if (c.queued && queue.count) {
            EXPECT_EQ(queue.entries[0].kind, RQ_MESH_FACE);
            // Centre (0, -1/3, z).
            EXPECT_NEAR(queue.entries[0].distance, c.z * c.z + 1.0f / 9.0f, 1e-3f) << c.name;
        }
    }
    QueuedFace bad = Triangle(10, true);
    bad.vertexCount = kQueuedFaceMaxVertices + 1;
    EXPECT_FALSE(queue.AddFace(mesh, 0, 1, bad));
}

TEST_F(RenderQueueTest, FaceKeepsACopyOfTheWorldMatrixAndIsMeasuredThroughIt) {
    g_Video.culling = 0;
    Mesh* mesh = LoadBlendedMesh({10, 10});
    ASSERT_NE(mesh, nullptr);
    // Two faces at depth 10 in model space: one pushed to 50 by its world matrix.
    auto pushed = std::make_unique<Mat4>(Mat4Translation(0, 0, 40));
    g_Video.SetWorldMatrix(pushed.get(), 0, true);
    ASSERT_TRUE(queue.AddFace(mesh, 0, 1, Triangle(10, true)));
    auto nudged = std::make_unique<Mat4>(Mat4Translation(0, 0, 1));
    g_Video.SetWorldMatrix(nudged.get(), 0, true);
    ASSERT_TRUE(queue.AddFace(mesh, 1, 1, Triangle(10, true)));
    ASSERT_EQ(queue.count, 2u);
    EXPECT_NEAR(queue.entries[0].distance, 2500.0f + 1.0f / 9.0f, 1e-2f);
    EXPECT_NEAR(queue.entries[1].distance, 121.0f + 1.0f / 9.0f, 1e-2f);

    // The matrices the caller had are gone (or changed) by the time the queue flushes.
    g_Video.SetWorldMatrix(nullptr, 0, true);
    pushed.reset();
    nudged->m[3][2] = 999.0f;
    dev->ClearLog();
    queue.Flush();
    EXPECT_EQ(WorldTranslationsZ(), (std::vector<float>{40.0f, 1.0f}));
    // Each face in both passes of the material, with the matrix it was queued under.
    const gfx::VertexBuffer* s = StreamOf(mesh);
    EXPECT_EQ(FaceDraws(), (std::vector<FaceDraw>{{0, 0, 40, s}, {0, 1, 40, s}, {3, 0, 1, s}, {3, 1, 1, s}}));
    // No pointer into a command is left in the cache.
    EXPECT_EQ(g_Video.world[0], &IdentityMatrix);
    queue.Clear();
    EXPECT_EQ(g_Video.world[0], &IdentityMatrix);
}

TEST_F(RenderQueueTest, ABlendedMeshTheOctreeMeetsIsDrawnFaceByFaceFarthestFirst) {
    // Five faces at depths 12, 30, 5, 20 and 8 in the file's order; the third of them is
    // turned away from the eye and culled.
    g_Video.culling = 1;
    Mesh* mesh = LoadBlendedMesh({12, 30, 5, 20, 8});
    ASSERT_NE(mesh, nullptr);
    mesh->collision->normals.push_back({0, 0, 1});
    mesh->collision->groups[0].faces[2].normalIndex = uint16_t(mesh->collision->normals.size() - 1);
    const int32_t id = meshes.Load(Stream(datakit::BuildMeshList({datakit::Y3DMesh{}})), {blended}, -1, -1);
    ASSERT_GE(id, 0);   // an empty mesh the leaf names too

    // One leaf over the whole view naming the two meshes, as a level's render octree does.
    const int32_t corner[3] = {-64, -64, -64};
    std::vector<datakit::OctreeNodeDesc> nodes = datakit::GridOctree(0, corner, 7);
    nodes[0].first = 0;
    nodes[0].itemCount = 2;
    RenderOctree tree;
    ASSERT_TRUE(tree.Read(Stream(datakit::BuildRenderOctreeBlock(nodes)), 0));
    RenderBatches batches;
    batches.queue = &queue;
    tree.Collect(camera, meshes, &batches);
    for (const BatchPassList& list : batches.passes) EXPECT_TRUE(list.groups.empty()) << "blended: never batched";
    ASSERT_EQ(queue.count, 4u);

    dev->ClearLog();
    EXPECT_EQ(queue.Flush(), 4u);
    const gfx::VertexBuffer* s = StreamOf(mesh);
    // Depths 30, 20, 12, 8: triangles 1, 3, 0, 4, each in pass 0 and then pass 1.
    EXPECT_EQ(FaceDraws(), (std::vector<FaceDraw>{{3, 0, 0, s},
                                                  {3, 1, 0, s},
                                                  {9, 0, 0, s},
                                                  {9, 1, 0, s},
                                                  {0, 0, 0, s},
                                                  {0, 1, 0, s},
                                                  {12, 0, 0, s},
                                                  {12, 1, 0, s}}));
    EXPECT_EQ(g_PolygonsDrawn, 8u);
    EXPECT_EQ(g_DrawCalls, 8u);
    // A second flush of the same frame draws the same again.
    dev->ClearLog();
    queue.Flush();
    EXPECT_EQ(FaceDraws().size(), 8u);
}

TEST_F(RenderQueueTest, TwoBlendedMeshesDrawWithTheirOwnWorldMatrices) {
    g_Video.culling = 0;
    // Near mesh: depths 2 and 14, moved 10 deeper; far mesh: depths 8 and 30, left where it is.
    Mesh* moved = LoadBlendedMesh({2, 14}, -2);
    Mesh* still = LoadBlendedMesh({8, 30}, 2);
    ASSERT_NE(moved, nullptr);
    ASSERT_NE(still, nullptr);
    RenderBatches batches;
    batches.queue = &queue;
    Mat4 deeper = Mat4Translation(0, 0, 10);
    g_Video.SetWorldMatrix(&deeper, 0, true);
    batches.Add(moved);
    g_Video.SetWorldMatrix(nullptr, 0, true);
    batches.Add(still);
    ASSERT_EQ(queue.count, 4u);
    // The matrix the mesh was queued under changes before the flush.
    deeper.m[3][2] = -50;

    dev->ClearLog();
    queue.Flush();
    const gfx::VertexBuffer* m = StreamOf(moved);
    const gfx::VertexBuffer* s = StreamOf(still);
    ASSERT_NE(m, s);
    // Depths 30 (still), 24 (moved), 12 (moved), 8 (still).
    EXPECT_EQ(FaceDraws(), (std::vector<FaceDraw>{{3, 0, 0, s},
                                                  {3, 1, 0, s},
                                                  {3, 0, 10, m},
                                                  {3, 1, 10, m},
                                                  {0, 0, 10, m},
                                                  {0, 1, 10, m},
                                                  {0, 0, 0, s},
                                                  {0, 1, 0, s}}));
    EXPECT_EQ(g_Video.world[0], &IdentityMatrix);
}

TEST_F(RenderQueueTest, AFacePastItsMeshDrawsNothingAndTheRestStillDraw) {
    g_Video.culling = 0;
    Mesh* mesh = LoadBlendedMesh({10, 20});
    ASSERT_NE(mesh, nullptr);
    // Triangles 2 and 0xFFFFFFFF do not exist; triangle 1 with a count of 2 runs past the end.
    EXPECT_TRUE(queue.AddFace(mesh, 2, 1, Triangle(40, true)));
    EXPECT_TRUE(queue.AddFace(mesh, 0xFFFFFFFFu, 1, Triangle(30, true)));
    EXPECT_TRUE(queue.AddFace(mesh, 1, 2, Triangle(25, true)));
    EXPECT_TRUE(queue.AddFace(mesh, 1, 1, Triangle(20, true)));
    EXPECT_TRUE(queue.AddFace(nullptr, 0, 1, Triangle(15, true)));
    EXPECT_TRUE(queue.AddFace(mesh, 0, 1, Triangle(10, true)));
    ASSERT_EQ(queue.count, 6u);
    dev->ClearLog();
    EXPECT_EQ(queue.Flush(), 6u);
    const gfx::VertexBuffer* s = StreamOf(mesh);
    EXPECT_EQ(FaceDraws(), (std::vector<FaceDraw>{{3, 0, 0, s}, {3, 1, 0, s}, {0, 0, 0, s}, {0, 1, 0, s}}));
    EXPECT_EQ(g_PolygonsDrawn, 4u);
}

}  // namespace
