// Water: the record, the quality it starts at, and the collision mesh of older files.
#include <gtest/gtest.h>

#include "scene/animation.h"
#include "scene/object_list.h"
#include "scene/water.h"
#include "scene_element_records.h"
#include "datakit/y3d_octree_builder.h"

namespace {

using namespace fxtest;

const float kBox[6] = {-5, -0.1f, -5, 5, 0.1f, 5};

class WaterTest : public FxDeviceTest {
protected:
    uint16_t savedVersion = 0;
    void SetUp() override {
        FxDeviceTest::SetUp();
        savedVersion = g_Y3DVersion;
        g_Y3DVersion = 320;
    }
    void TearDown() override {
        g_Y3DVersion = savedVersion;
        FxDeviceTest::TearDown();
    }
    static std::vector<uint8_t> WaterBytes(float level = 0.0f, uint32_t material = 0) {
        return Concat({LavaOrWaterRecord(2, level, kBox, material), FlatQuad(level, 5)});
    }
};

TEST_F(WaterTest, LoadReadsTheRecordAndLeavesTheStreamAtTheNextRecord) {
    std::vector<uint8_t> bytes = WaterBytes(1.5f, 0);
    bytes.push_back(0x99);
    auto f = datakit::EntryOf(bytes);
    WaterObject w;
    ASSERT_TRUE(w.Load(f->Reader(), {42}));
    EXPECT_EQ(long(f->Reader().Tell()), long(bytes.size() - 1));
    EXPECT_EQ(w.level, 1.5f);
    EXPECT_EQ(w.materialId, 42);
    EXPECT_EQ(w.quality, 1);
    EXPECT_EQ(w.texture, nullptr);
}

TEST_F(WaterTest, MaterialRangeAndShortRecords) {
    auto f = datakit::EntryOf(WaterBytes(0, 5));
    WaterObject w;
    ASSERT_TRUE(w.Load(f->Reader(), {1, 2}));
    EXPECT_EQ(w.materialId, -1);
    ExpectEveryPrefixRefused(WaterBytes(), 5, [](BinaryReader& s) { return WaterObject().Load(s, {1}); });
}

TEST_F(WaterTest, OlderFilesCarryACollisionMeshThatIsReadAndDropped) {
    g_Y3DVersion = 319;
    datakit::CollisionMeshDesc mesh;
    mesh.groups.resize(1);
    mesh.AddFace(0, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}}, {0, 1, 0});
    std::vector<uint8_t> block;
    datakit::AppendCollisionMesh(&block, mesh, 319);
    std::vector<uint8_t> bytes = Concat({WaterBytes(), block});
    bytes.push_back(0x11);
    auto f = datakit::EntryOf(bytes);
    WaterObject w;
    ASSERT_TRUE(w.Load(f->Reader(), {}));
    EXPECT_EQ(long(f->Reader().Tell()), long(bytes.size() - 1));
    // Without the mesh such a record is refused.
    f = datakit::EntryOf(WaterBytes());
    EXPECT_FALSE(WaterObject().Load(f->Reader(), {}));
}

}  // namespace
