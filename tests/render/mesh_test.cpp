// Meshes read from mesh list blocks into the table, drawn once per material pass, with and
// without an override material, and freed with everything they reference.
#include <cstring>

#include "material_fixture.h"
#include "render/index_buffer_table.h"
#include "render/render_queue.h"
#include "render/vertex_buffer_table.h"
#include "scene/scene.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/y3d_builder.h"

namespace rendertest {
namespace {

namespace g = gfx;
using datakit::BuildMeshList;
using datakit::Y3DMesh;

// A material whose end the test decides.
class EndingMaterial : public Material {
public:
    bool finished = false;
    bool IsFinished() const override { return finished; }
};

class MeshTest : public MaterialTest {
protected:
    void SetUp() override {
        MaterialTest::SetUp();
        AddPicture("M\\A.TGA", 0xFFFF0000);
        AddPicture("M\\B.TGA", 0xFF00FF00);
        AddPicture("M\\C.TGA", 0xFF0000FF);
        WritePack();
        a = manager.LoadTexture("M\\A.TGA", false, false, false);
        b = manager.LoadTexture("M\\B.TGA", false, false, false);
        c = manager.LoadTexture("M\\C.TGA", false, false, false);
        g_SceneVertexBuffers = &vertexBuffers;
        g_SceneIndexBuffers = &indexBuffers;
        // Two vertex buffers of six positions each, two index buffers of six indices.
        std::vector<datakit::VertexRecord> vr(2);
        for (int k = 0; k < 2; ++k) {
            vr[k].count = 6;
            vr[k].fvf = g::D3DFVF_XYZ;
            for (int i = 0; i < 6; ++i) {
                float p[3] = {float(i + 10 * k), float(i * 2), float(-i)};
                const uint8_t* bytes = reinterpret_cast<const uint8_t*>(p);
                vr[k].vertices.insert(vr[k].vertices.end(), bytes, bytes + sizeof(p));
            }
        }
        ASSERT_EQ(vertexBuffers.Load(Stream(datakit::BuildVertexBufferBlock(vr)), 0), 0);
        ASSERT_EQ(indexBuffers.Load(Stream(datakit::BuildIndexBufferBlock(
                                        {datakit::SequentialIndices(6, 0), datakit::SequentialIndices(6, 1)})),
                                    0, 0),
                  0);
        // Material 0: two passes on a one-texture device; material 1: one blended pass.
        g_Video.caps.MaxSimultaneousTextures = 1;
        twoPass = AddMaterial({{1, a}, {2, b}});
        blended = AddMaterial({{1, c}}, 1);
        for (int32_t id : {twoPass, blended}) table.Get(id)->description.layerCount = 0;   // textures are ours
        materialIds = {twoPass, blended};
        dev->BeginScene();
    }
    void ReleaseResources() override {
        dev->EndScene();
        meshes.Free();
        g_SceneVertexBuffers = nullptr;
        g_SceneIndexBuffers = nullptr;
        vertexBuffers.Free();
        indexBuffers.Free();
        MaterialTest::ReleaseResources();
    }
    static Y3DMesh Record(uint32_t material, uint16_t triangles = 2, uint32_t start = 0) {
        Y3DMesh m;
        m.material = material;
        m.headerByte = 7;
        m.startIndex = start;
        m.triangleCount = triangles;
        m.minVertex = 0;
        m.maxVertex = 5;
        for (uint16_t t = 0; t < triangles; ++t) m.centres.push_back({float(t), 1.0f, 2.0f});
        return m;
    }
    Mesh* LoadOne(const Y3DMesh& rec) {
        int32_t id = meshes.Load(Stream(BuildMeshList({rec})), materialIds, 0, 0);
        return meshes.Get(id);
    }
    std::vector<g::DrawRecord> DrawsOf() const { return dev->Draws(); }

    VertexBufferTable vertexBuffers;
    IndexBufferTable indexBuffers;
    MeshTable meshes;
    std::vector<int32_t> materialIds;
    int32_t a = -1, b = -1, c = -1, twoPass = -1, blended = -1;
};

TEST_F(MeshTest, RecordFieldsAreReadAndReferencesTaken) {
    Y3DMesh rec = Record(1, 2, 6);
    rec.indexBuffer = 1;
    rec.vertexBuffer = 1;
    rec.minVertex = 1;
    rec.maxVertex = 4;
    Mesh* m = LoadOne(rec);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->materialId, blended);
    EXPECT_EQ(m->headerByte, 7);
    EXPECT_EQ(m->indexBufferId, 1);
    EXPECT_EQ(m->vertexBufferId, 1);
    EXPECT_EQ(m->startIndex, 6u);
    EXPECT_EQ(m->triangleCount, 2);
    EXPECT_EQ(m->minVertex, 1);
    EXPECT_EQ(m->maxVertex, 4);
    EXPECT_EQ(table.Get(blended)->refCount, 1);
    EXPECT_EQ(vertexBuffers.Get(1)->refCount, 1);
    EXPECT_EQ(indexBuffers.Get(1)->refCount, 1);
    // A blended first pass keeps the triangle centres.
    ASSERT_NE(m->centres, nullptr);
    EXPECT_EQ(m->centres[3], 1.0f);
}

TEST_F(MeshTest, IndicesOutsideTheFileGiveNoneAndTakeNoReference) {
    Y3DMesh rec = Record(9);
    rec.indexBuffer = 40;
    rec.vertexBuffer = 0xFFFFFFF0u;
    Mesh* m = LoadOne(rec);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->materialId, -1);
    EXPECT_EQ(m->indexBufferId, -1);
    EXPECT_EQ(m->vertexBufferId, -1);
    EXPECT_TRUE(m->DrawWithOverride() == false);   // no buffers to draw from
    EXPECT_EQ(dev->Draws().size(), 0u);
}

TEST_F(MeshTest, MalformedListsAreRefused) {
    std::vector<uint8_t> shortRecord = BuildMeshList({Record(0)});
    shortRecord.resize(20);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"no count", {3}},
        {"empty", BuildMeshList({})},
        {"a count beyond the data", BuildMeshList({Record(0)}, 100000)},
        {"a short record", shortRecord},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(meshes.Load(Stream(c.bytes), materialIds, 0, 0), -1) << c.what;
        EXPECT_EQ(meshes.count, 0u) << c.what;
    }
    // Centres that do not fit: the mesh stays but keeps none.
    Y3DMesh lying = Record(1, 200);
    lying.centres.resize(2);
    Mesh* m = LoadOne(lying);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->centres, nullptr);
}

TEST_F(MeshTest, ACollisionMeshThatCannotBeReadStopsTheList) {
    Y3DMesh withCollision = Record(0);
    withCollision.flags = MESH_FLAG_COLLISION;
    int32_t first = meshes.Load(Stream(BuildMeshList({withCollision, Record(1)})), materialIds, 0, 0);
    ASSERT_GE(first, 0);
    EXPECT_EQ(meshes.count, 2u);
    // The second record was not read from a stream that lost its place.
    EXPECT_EQ(meshes.Get(first + 1)->materialId, -1);
    EXPECT_EQ(meshes.Get(first)->collision, nullptr);
}

TEST_F(MeshTest, EachPassDrawsTheRangeOnce) {
    Mesh* m = LoadOne(Record(0, 2, 0));
    ASSERT_NE(m, nullptr);
    dev->ClearLog();
    EXPECT_TRUE(m->DrawWithOverride());
    auto draws = DrawsOf();
    ASSERT_EQ(draws.size(), 2u);
    for (const auto& d : draws) {
        EXPECT_EQ(d.type, g::D3DPT_TRIANGLELIST);
        EXPECT_EQ(d.minIndex, 0u);
        EXPECT_EQ(d.numVertices, 6u);
        EXPECT_EQ(d.startIndex, 0u);
        EXPECT_EQ(d.primitiveCount, 2u);
        EXPECT_EQ(d.stream0, vertexBuffers.Get(0)->buffer);
        EXPECT_EQ(d.indices, indexBuffers.Get(0)->buffer);
    }
    EXPECT_EQ(draws[0].textures[0], manager.Get(a)->frames[0]);
    EXPECT_EQ(draws[1].textures[0], manager.Get(b)->frames[0]);
    EXPECT_EQ(g_PolygonsDrawn, 4u);
    EXPECT_EQ(g_DrawCalls, 2u);
}

TEST_F(MeshTest, DrawOffsetDrawsItsTrianglesInEachPassOfItsOwnMaterial) {
    // Four triangles from index 6 of a buffer of 18 over the six vertices; an override that
    // must not be used.
    datakit::IndexRecord longer{18, 0, {}};
    for (uint16_t i = 0; i < 18; ++i) longer.indices.push_back(uint16_t(i % 6));
    ASSERT_EQ(indexBuffers.Load(Stream(datakit::BuildIndexBufferBlock({longer})), 0, 0), 2);
    Y3DMesh rec = Record(0, 4, 6);
    rec.indexBuffer = 2;
    Mesh* m = LoadOne(rec);
    ASSERT_NE(m, nullptr);
    m->SetOverrideMaterial(blended);
    struct Case {
        uint32_t first, count;
        bool drawn;
    } cases[] = {{0, 1, true}, {3, 1, true}, {1, 2, true}, {0, 4, true}, {4, 1, false},
                 {3, 2, false}, {0, 5, false}, {0xFFFFFFFFu, 2, false}, {1, 0xFFFFFFFFu, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << " + " << c.count);
        dev->ClearLog();
        g_PolygonsDrawn = g_DrawCalls = 0;
        EXPECT_EQ(m->DrawOffset(c.first, c.count), c.drawn);
        const auto draws = DrawsOf();
        if (!c.drawn) {
            // Refused before the device is asked to read anything.
            EXPECT_EQ(dev->CountCalls(g::CallKind::DrawIndexedPrimitive), 0u);
            EXPECT_EQ(g_PolygonsDrawn, 0u);
            EXPECT_EQ(g_DrawCalls, 0u);
            continue;
        }
        ASSERT_EQ(draws.size(), 2u);
        for (const auto& d : draws) {
            EXPECT_EQ(d.type, g::D3DPT_TRIANGLELIST);
            EXPECT_EQ(d.startIndex, 6 + 3 * c.first);
            EXPECT_EQ(d.primitiveCount, c.count);
            EXPECT_EQ(d.minIndex, 0u);
            EXPECT_EQ(d.numVertices, 6u);
            EXPECT_EQ(d.indices, indexBuffers.Get(2)->buffer);
        }
        EXPECT_EQ(draws[0].textures[0], manager.Get(a)->frames[0]);
        EXPECT_EQ(draws[1].textures[0], manager.Get(b)->frames[0]);
        EXPECT_EQ(g_PolygonsDrawn, 2 * c.count);
        EXPECT_EQ(g_DrawCalls, 2u);
    }
    EXPECT_EQ(m->overrideMaterialId, blended);

    // A mesh that claims more triangles than its index buffer holds draws none past it.
    Y3DMesh lying = Record(0, 4, 0);   // 12 indices in a buffer of 6
    Mesh* l = LoadOne(lying);
    ASSERT_NE(l, nullptr);
    dev->ClearLog();
    EXPECT_TRUE(l->DrawOffset(1, 1));
    EXPECT_FALSE(l->DrawOffset(2, 1));
    EXPECT_FALSE(l->DrawOffset(1, 2));
    EXPECT_EQ(dev->CountCalls(g::CallKind::DrawIndexedPrimitive), 2u);
    EXPECT_EQ(DrawsOf().size(), 2u);
    // A vertex range upside down names no vertices to draw from.
    Y3DMesh upsideDown = Record(0, 2, 0);
    upsideDown.minVertex = 5;
    upsideDown.maxVertex = 1;
    Mesh* u = LoadOne(upsideDown);
    ASSERT_NE(u, nullptr);
    EXPECT_FALSE(u->DrawOffset(0, 1));
    EXPECT_EQ(dev->CountCalls(g::CallKind::DrawIndexedPrimitive), 2u);
    // No buffers, no device: nothing to draw from.
    Y3DMesh unbuffered = Record(0);
    unbuffered.indexBuffer = unbuffered.vertexBuffer = 40;
    Mesh* none = LoadOne(unbuffered);
    ASSERT_NE(none, nullptr);
    EXPECT_FALSE(none->DrawOffset(0, 1));
    g::Device* device = g_Video.device;
    g_Video.device = nullptr;
    EXPECT_FALSE(m->DrawOffset(0, 1));
    g_Video.device = device;
    MeshDrawOffset(nullptr, 0, 1);
    EXPECT_EQ(dev->CountCalls(g::CallKind::DrawIndexedPrimitive), 2u);
}

TEST_F(MeshTest, ATrianglesOutlineJoinsItsThreeCornersAndClosesOnTheFirst) {
    // 600 positions, vertex i at (i, 2i, -i), and corners that need both bytes of their index.
    std::vector<datakit::VertexRecord> vr(1);
    vr[0].count = 600;
    vr[0].fvf = g::D3DFVF_XYZ;
    for (int i = 0; i < 600; ++i) {
        const float p[3] = {float(i), float(2 * i), float(-i)};
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(p);
        vr[0].vertices.insert(vr[0].vertices.end(), bytes, bytes + sizeof(p));
    }
    const int32_t vb = vertexBuffers.Load(Stream(datakit::BuildVertexBufferBlock(vr)), 0);
    ASSERT_GE(vb, 0);
    const int32_t ib =
        indexBuffers.Load(Stream(datakit::BuildIndexBufferBlock({datakit::IndexRecord{6, 0, {1, 599, 2, 258, 513, 7}}})), vb, 0);
    ASSERT_GE(ib, 0);
    Y3DMesh rec = Record(0, 2, 0);
    rec.indexBuffer = uint32_t(ib);
    rec.vertexBuffer = uint32_t(vb);
    rec.minVertex = 1;
    rec.maxVertex = 599;
    Mesh* m = LoadOne(rec);
    ASSERT_NE(m, nullptr);
    dev->ClearLog();
    m->DrawTriangleOutline(1, 0xFF00FF00);
    const auto draws = DrawsOf();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].type, g::D3DPT_LINESTRIP);
    EXPECT_EQ(draws[0].primitiveCount, 3u);
    struct Corner {
        float x, y, z;
        uint32_t colour;
    };
    ASSERT_EQ(draws[0].vertexData.size(), 4 * sizeof(Corner));
    Corner corners[4];
    std::memcpy(corners, draws[0].vertexData.data(), sizeof corners);
    const int expected[4] = {258, 513, 7, 258};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(corners[k].x, float(expected[k]));
        EXPECT_EQ(corners[k].y, float(2 * expected[k]));
        EXPECT_EQ(corners[k].z, float(-expected[k]));
        EXPECT_EQ(corners[k].colour, 0xFF00FF00u);
    }
    // Corners on the lowest and the highest vertex of the mesh's range count as inside it.
    dev->ClearLog();
    m->DrawTriangleOutline(0, 0xFF00FF00);
    ASSERT_EQ(DrawsOf().size(), 1u);
    std::memcpy(corners, DrawsOf()[0].vertexData.data(), sizeof corners);
    EXPECT_EQ(corners[0].x, 1.0f);
    EXPECT_EQ(corners[1].x, 599.0f);
    EXPECT_EQ(corners[2].x, 2.0f);
    // Past the mesh's triangles there is nothing to outline.
    dev->ClearLog();
    m->DrawTriangleOutline(2, 0xFF00FF00);
    EXPECT_TRUE(DrawsOf().empty());
}

TEST_F(MeshTest, TheFirstEntriesOfTheTablesAreReferencedAndDrawnLikeAnyOther) {
    // Buffers 0 and material 0 (two passes); then material 0 as the override of a blended mesh.
    Mesh* m = LoadOne(Record(0, 2, 0));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->vertexBufferId, 0);
    EXPECT_EQ(m->indexBufferId, 0);
    EXPECT_EQ(vertexBuffers.Get(0)->refCount, 1);
    EXPECT_EQ(indexBuffers.Get(0)->refCount, 1);
    EXPECT_EQ(table.Get(twoPass)->refCount, 1);
    ASSERT_EQ(twoPass, 0);
    Mesh* other = LoadOne(Record(1, 2, 0));
    ASSERT_NE(other, nullptr);
    other->SetOverrideMaterial(twoPass);
    EXPECT_EQ(table.Get(twoPass)->refCount, 2);
    dev->ClearLog();
    EXPECT_TRUE(other->DrawWithOverride());
    EXPECT_EQ(DrawsOf().size(), 2u) << "the override's two passes";
    other->SetOverrideMaterial(blended);
    EXPECT_EQ(table.Get(twoPass)->refCount, 1) << "the replaced override's reference goes back";
    other->SetOverrideMaterial(twoPass);
    other->FreeBuffers();
    EXPECT_EQ(table.Get(twoPass)->refCount, 1) << "the override's reference goes back";
}

TEST_F(MeshTest, AnOverrideDrawsInsteadUntilItIsFinished) {
    Mesh* m = LoadOne(Record(0, 2, 0));
    auto* over = new EndingMaterial();
    over->SetDescription(Describe({{1, c}}));
    over->description.layerCount = 0;
    int32_t overId = table.Add(over);
    m->SetOverrideMaterial(overId);
    EXPECT_EQ(over->refCount, 1);
    dev->ClearLog();
    EXPECT_TRUE(m->DrawWithOverride());
    ASSERT_EQ(DrawsOf().size(), 1u);
    EXPECT_EQ(DrawsOf()[0].textures[0], manager.Get(c)->frames[0]);

    // Finished: dropped on the next draw, which already uses the own material.
    over->finished = true;
    dev->ClearLog();
    EXPECT_TRUE(m->DrawWithOverride());
    EXPECT_EQ(m->overrideMaterialId, -1);
    EXPECT_EQ(over->refCount, 0);
    EXPECT_NE(table.Get(overId), nullptr);   // the reference list deletes it
    ASSERT_EQ(DrawsOf().size(), 2u);
    EXPECT_EQ(DrawsOf()[0].textures[0], manager.Get(a)->frames[0]);
}

// A run-time override replaced on a mesh waits, unreferenced, for the list that updates it, so
// the next material made cannot take its slot from under the list's node.
TEST_F(MeshTest, AReplacedOverrideIsLeftToTheReferenceListToFree) {
    MaterialRefList list;
    Mesh* m = LoadOne(Record(0));
    const int32_t first = list.Add(new EndingMaterial(), 2);
    m->SetOverrideMaterial(first);
    const int32_t second = list.Add(new EndingMaterial(), 2);
    m->SetOverrideMaterial(second);
    ASSERT_NE(table.Get(first), nullptr);
    EXPECT_EQ(table.Get(first)->refCount, 0);
    EXPECT_EQ(table.Get(second)->refCount, 1);
    // Set again, the override keeps its one reference.
    m->SetOverrideMaterial(second);
    EXPECT_EQ(table.Get(second)->refCount, 1);
    const int32_t third = list.Add(new EndingMaterial(), 2);
    EXPECT_NE(third, first);
    list.Update(10);
    EXPECT_EQ(table.Get(first), nullptr);
    EXPECT_EQ(list.Find(first), nullptr);
    EXPECT_NE(table.Get(second), nullptr);
    m->SetOverrideMaterial(-1);
    EXPECT_EQ(table.Get(second)->refCount, 0);
    EXPECT_EQ(m->overrideMaterialId, -1);
    list.Update(10);
    EXPECT_EQ(table.Get(second), nullptr);
    EXPECT_EQ(list.count, 0u);
}

TEST_F(MeshTest, FreeingGivesBackBuffersMaterialAndOverride) {
    // Material 0 of the table is released too.
    ASSERT_EQ(twoPass, 0);
    table.AddRef(twoPass);   // someone else holds it as well
    Mesh* m = LoadOne(Record(0));
    auto* over = new EndingMaterial();
    int32_t overId = table.Add(over);
    m->SetOverrideMaterial(overId);
    EXPECT_EQ(table.Get(twoPass)->refCount, 2);
    m->FreeBuffers();
    EXPECT_EQ(table.Get(twoPass)->refCount, 1);
    EXPECT_EQ(over->refCount, 0);
    EXPECT_EQ(vertexBuffers.Get(0), nullptr);   // the mesh held the only reference
    EXPECT_EQ(indexBuffers.Get(0), nullptr);
    EXPECT_EQ(m->materialId, -1);
    EXPECT_EQ(m->overrideMaterialId, -1);
    EXPECT_EQ(m->vertexBufferId, -1);
    EXPECT_EQ(m->indexBufferId, -1);
    EXPECT_EQ(m->triangleCount, 0);
    // Freeing twice releases nothing more.
    m->FreeBuffers();
    EXPECT_EQ(table.Get(twoPass)->refCount, 1);
}

TEST_F(MeshTest, TableReferenceOperations) {
    int32_t id = meshes.Add(new Mesh());
    for (int32_t bad : {-1, 1, int32_t(meshes.Capacity()), 1000}) {
        EXPECT_EQ(meshes.AddRef(bad), -1) << bad;
        EXPECT_EQ(meshes.Release(bad), -1) << bad;
    }
    EXPECT_FALSE(MeshTableDelete(&meshes, -1));
    EXPECT_FALSE(MeshTableDelete(&meshes, int32_t(meshes.Capacity())));
    EXPECT_TRUE(MeshTableDelete(&meshes, 1));
    EXPECT_EQ(meshes.count, 1u);
    EXPECT_FALSE(meshes.ClearSlot(-1));
    EXPECT_EQ(meshes.AddRef(id), 1);
    EXPECT_EQ(meshes.AddRef(id), 2);
    EXPECT_EQ(meshes.Release(id), 1);
    EXPECT_EQ(meshes.Release(id), 0);
    EXPECT_EQ(meshes.Get(id), nullptr);
    EXPECT_EQ(meshes.count, 0u);

    // A cleared slot forgets the mesh without deleting it.
    Mesh* kept = new Mesh();
    int32_t k = meshes.Add(kept);
    EXPECT_TRUE(meshes.ClearSlot(k));
    EXPECT_EQ(meshes.Get(k), nullptr);
    EXPECT_EQ(meshes.count, 1u);
    MeshTable other;
    EXPECT_EQ(other.Add(kept), 0);
}

}  // namespace
}  // namespace rendertest
