// Scene files written out byte by byte, so that the builder and the loader cannot share one
// misreading of the layout: the loader reads the hand-made bytes, the builder must write the same
// bytes, and a reader of a few lines walks what the builder makes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/light_node.h"
#include "scene/mesh_node.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "scene_fixture.h"
#include "support/pack_writer.h"
#include "support/temp_dir.h"
#include "y3d_test_files.h"

using namespace y3dtest;

namespace {

// Byte-level helpers: each value spelt out as its little-endian bytes.
void Put(std::vector<uint8_t>* out, size_t at, std::initializer_list<uint8_t> bytes) {
    if (out->size() < at + bytes.size()) out->resize(at + bytes.size(), 0);
    size_t i = at;
    for (uint8_t b : bytes) (*out)[i++] = b;
}
void PutText(std::vector<uint8_t>* out, size_t at, const char* text) {
    for (size_t i = 0; text[i]; ++i) Put(out, at + i, {uint8_t(text[i])});
}

// Header: "QTXMAX", version 320 (0x0140), no geometry, ambient 01 02 03, one object; then the
// three empty block counts.
std::vector<uint8_t> HandHeader(uint8_t objects) {
    std::vector<uint8_t> b(1024, 0);
    PutText(&b, 0, "QTXMAX");
    Put(&b, 7, {0x40, 0x01});
    Put(&b, 13, {0x01, 0x02, 0x03});
    Put(&b, 16, {objects, 0, 0, 0});
    Put(&b, 24, {0x00, 0x04, 0, 0});
    Put(&b, 1024, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    return b;
}

// A point light "Lamp" at (1, 2, -4), colour (0.5, 0.25, 1), intensity 2, shadow test on, ranges
// 1, 2, 4, 8. The record starts at 1036; next-record offset 1036 + 276 + 573 + 29 + 16 = 1930.
std::vector<uint8_t> HandLampFile() {
    std::vector<uint8_t> b = HandHeader(1);
    const size_t r = 1036, n = r + 276, t = n + 573;
    PutText(&b, r, "Lamp");
    Put(&b, r + 256, {0x01, 0x02, 0, 0});
    Put(&b, r + 272, {0x8A, 0x07, 0, 0});
    PutText(&b, n, "Lamp");
    Put(&b, n + 264, {0x01, 0x02, 0, 0});
    Put(&b, n + 572, {0});
    Put(&b, t, {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x80, 0xC0});   // 1, 2, -4
    Put(&b, t + 12, {0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x80, 0x3F});   // .5 .25 1
    Put(&b, t + 24, {0x00, 0x00, 0x00, 0x40, 0x01});   // intensity 2, shadow test
    Put(&b, t + 29, {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x80, 0x40, 0x00, 0x00, 0x00, 0x41});
    return b;
}

// A mesh node "Rock" without meshes, box (-1, 0, -1)-(1, 3, 1).
std::vector<uint8_t> HandMeshNodeFile() {
    std::vector<uint8_t> b = HandHeader(1);
    const size_t r = 1036, n = r + 276, t = n + 573;
    PutText(&b, r, "Rock");
    Put(&b, r + 256, {0x00, 0x01, 0, 0});
    Put(&b, r + 272, {0x7D, 0x07, 0, 0});   // 1036 + 276 + 573 + 32 = 1917
    PutText(&b, n, "Rock");
    Put(&b, n + 264, {0x00, 0x01, 0, 0});
    Put(&b, t, {0, 0, 0, 0, 0, 0, 0, 0});
    Put(&b, t + 8, {0x00, 0x00, 0x80, 0xBF, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0xBF});
    Put(&b, t + 20, {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x40, 0x40, 0x00, 0x00, 0x80, 0x3F});
    return b;
}

class Y3DBytesTest : public scenetest::SceneDeviceTest {
protected:
    void SetUp() override {
        scenetest::SceneDeviceTest::SetUp();
        ASSERT_TRUE(g_Scene.Create());
    }
    bool Load(const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(WriteBytes((dir.path() / "HAND.Y3D").string(), bytes));
        return g_Scene.LoadModel("HAND.Y3D", nullptr, 0, false);
    }
    ScopedWorkDir dir;
};

}  // namespace

TEST_F(Y3DBytesTest, TheLoaderReadsAHandWrittenLight) {
    std::vector<uint8_t> bytes = HandLampFile();
    ASSERT_EQ(bytes.size(), 1930u);
    ASSERT_TRUE(Load(bytes));
    ASSERT_EQ(g_Scene.lights.size(), 1u);
    const PointLight* lamp = dynamic_cast<const PointLight*>(g_Scene.lights[0]);
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->name, "Lamp");
    EXPECT_EQ(lamp->position.x, 1.0f);
    EXPECT_EQ(lamp->position.y, 2.0f);
    EXPECT_EQ(lamp->position.z, -4.0f);
    EXPECT_EQ(lamp->colour[1], 0.25f);
    EXPECT_EQ(lamp->intensity, 2.0f);
    EXPECT_EQ(lamp->shadowTest, 1);
    EXPECT_EQ(lamp->ranges[3], 8.0f);
}

TEST_F(Y3DBytesTest, TheLoaderReadsAHandWrittenMeshNode) {
    std::vector<uint8_t> bytes = HandMeshNodeFile();
    ASSERT_EQ(bytes.size(), 1917u);
    ASSERT_TRUE(Load(bytes));
    MeshNode* rock = dynamic_cast<MeshNode*>(g_Scene.objects->FindByName("Rock"));
    ASSERT_NE(rock, nullptr);
    EXPECT_EQ(rock->meshCount, 0u);
    const float box[6] = {-1, 0, -1, 1, 3, 1};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(rock->box[k], box[k]) << k;
}

TEST(Y3DBytes, TheBuilderWritesTheHandWrittenBytes) {
    Y3DSceneFile lampFile;
    lampFile.header.ambient[0] = 1;
    lampFile.header.ambient[1] = 2;
    lampFile.header.ambient[2] = 3;
    Y3DLight lamp;
    lamp.name = "Lamp";
    lamp.type = 0x201;
    lamp.position = {1, 2, -4};
    lamp.colour[0] = 0.5f;
    lamp.colour[1] = 0.25f;
    lamp.colour[2] = 1.0f;
    lamp.intensity = 2.0f;
    lamp.shadowTest = 1;
    const float ranges[4] = {1, 2, 4, 8};
    std::copy(ranges, ranges + 4, lamp.ranges);
    lampFile.records.push_back(LightRecord(lamp));
    std::vector<uint8_t> built = lampFile.Build();
    std::vector<uint8_t> hand = HandLampFile();
    // The builder fills the node header's transform fields the hand-made file leaves zero.
    ASSERT_EQ(built.size(), hand.size());
    const size_t parts = 1036 + 276 + 324;
    for (size_t i = parts; i < parts + 112; ++i) built[i] = 0;
    for (size_t i = 0; i < hand.size(); ++i) ASSERT_EQ(built[i], hand[i]) << "lamp byte " << i;

    Y3DSceneFile rockFile = lampFile;
    Y3DMeshNode rock;
    rock.name = "Rock";
    const float box[6] = {-1, 0, -1, 1, 3, 1};
    std::copy(box, box + 6, rock.box);
    rockFile.records = {MeshNodeRecord(rock)};
    built = rockFile.Build();
    hand = HandMeshNodeFile();
    ASSERT_EQ(built.size(), hand.size());
    for (size_t i = parts; i < parts + 112; ++i) built[i] = 0;
    for (size_t i = 0; i < hand.size(); ++i) ASSERT_EQ(built[i], hand[i]) << "rock byte " << i;
}

TEST(Y3DBytes, AMinimalReaderWalksTheBuiltRecords) {
    Y3DSceneLayout layout;
    const std::vector<uint8_t> b = FullScene().Build(&layout);
    EXPECT_EQ(Text(b, 0, 7), "QTXMAX");
    EXPECT_EQ(b[6], 0);
    EXPECT_EQ(b[7] | b[8] << 8, 320);
    EXPECT_EQ(U32(b, 9), 1u);
    EXPECT_EQ(U32(b, 16), 8u);
    // Blocks one after another from byte 1024, each led by its count.
    EXPECT_EQ(layout.materials, 1024u);
    EXPECT_EQ(U32(b, layout.materials), 1u);
    EXPECT_EQ(U32(b, layout.vertexBuffers), 2u);
    EXPECT_EQ(U32(b, layout.indexBuffers), 2u);
    EXPECT_EQ(U32(b, layout.meshList), 2u);

    // Follow the next-record offsets from the first record to the end of the file.
    const char* names[] = {"Floor", "Sun(SOL)", "Bone", "Lamp(SOL)", "Helper", "Dynamic", "Strange", "Spot"};
    const uint32_t types[] = {0x100, 0x200, 0x500, 0x201, 0x400, 0x101, 0x4242, 0x202};
    size_t at = layout.records[0];
    for (int i = 0; i < 8; ++i) {
        ASSERT_LT(at + 276, b.size() + 1) << i;
        EXPECT_EQ(Text(b, at, 256), names[i]);
        EXPECT_EQ(U32(b, at + 256), types[i]);
        const size_t next = U32(b, at + 272);
        if (types[i] == 0x100 || (types[i] & 0xFF00) == 0x200) {
            // Kinds with a node header repeat the name and type there.
            EXPECT_EQ(Text(b, at + 276, 256), names[i]);
            EXPECT_EQ(U32(b, at + 276 + 264), types[i]);
        }
        at = next;
    }
    EXPECT_EQ(at, b.size());
    // The lights' tails: position first, after the node header.
    EXPECT_EQ(F32(b, layout.records[1] + 276 + 573 + 8), 3.0f);
    EXPECT_EQ(F32(b, layout.records[3] + 276 + 573), 7.0f);
    // The mesh node's count byte and box.
    EXPECT_EQ(b[layout.records[0] + 276 + 573 + 4], 1);
    EXPECT_EQ(F32(b, layout.records[0] + 276 + 573 + 8 + 20), 6.0f);
}

TEST(Y3DBytes, NodeRecordBuildersWriteTheStoredLayouts) {
    const float rgb[3] = {0.5f, 0.25f, 1.0f};
    struct Case {
        const char* what;
        Y3DRecord record;
        uint32_t type;
        size_t tailSize;
    } cases[] = {
        {"glow", GlowNodeRecord("G", {1, 2, 3}, 0.5f, rgb, 7), 0x700, 573 + 20},
        {"flare", FlareNodeRecord("F(FLARE)", {4, 5, 6}), 0x400, 573},
        {"element 8", ElementRecord("E", 0x1000, {1, 2, 3, 4, 5, 6, 7, 8}), 0x1000, 573 + 32},
        {"element 4", ElementRecord("E", 0x1001, {1, 2, 3, 4}), 0x1001, 573 + 16},
        {"textured element", TexturedElementRecord("T", {9}, "A.TGA"), 0x210, 316},
        {"tagged textured element", TexturedElementRecord("T(FLARE)", {9}, "A.TGA"), 0x210, 316 + 573},
        // 36-byte record, then {count, FVF, 4 x 24 bytes} and {count, buffer, 6 x 2 bytes}.
        {"lava", LavaNodeRecord("L", 1, 0), 0x802, 36 + 8 + 96 + 8 + 12},
        {"water", WaterNodeRecord("W", 1, 0), 0x801, 36 + 8 + 96 + 8 + 12},
        {"mirror", MirrorNodeRecord("M", {}), 0x800, 101 + 8 + 96 + 8 + 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.record.type, c.type) << c.what;
        EXPECT_EQ(c.record.tail.size(), c.tailSize) << c.what;
    }
    const std::vector<uint8_t>& glow = cases[0].record.tail;
    EXPECT_EQ(Text(glow, 0, 256), "G");
    EXPECT_EQ(U32(glow, 264), 0x700u);
    EXPECT_EQ(F32(glow, 436 + 8), 3.0f);
    EXPECT_EQ(F32(glow, 573), 0.5f);
    EXPECT_EQ(F32(glow, 573 + 12), 1.0f);
    EXPECT_EQ(U32(glow, 573 + 16), 7u);
    const std::vector<uint8_t>& tagged = cases[5].record.tail;
    EXPECT_EQ(U32(tagged, 0), 9u);
    EXPECT_EQ(Text(tagged, 60, 256), "A.TGA");
    EXPECT_EQ(Text(tagged, 316, 256), "T(FLARE)");
    const std::vector<uint8_t>& water = cases[7].record.tail;
    EXPECT_EQ(F32(water, 4), 1.0f);
    EXPECT_EQ(U32(water, 36), 4u);
    EXPECT_EQ(U32(water, 40), 0x142u);
    EXPECT_EQ(U32(water, 36 + 8 + 96), 6u);
}
