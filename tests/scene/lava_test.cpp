// The lava node: its record, its three scrolling passes on the match clock.
#include <gtest/gtest.h>

#include "render/index_buffer_table.h"
#include "scene/lava.h"
#include "scene_element_records.h"
#include "world/scenario.h"

namespace {

using namespace fxtest;

const float kBox[6] = {-5, -1, -5, 5, 1, 5};

class LavaTest : public FxDeviceTest {
protected:
    static std::vector<uint8_t> LavaBytes(uint32_t material = 1) {
        return Concat({LavaOrWaterRecord(2, 0.0f, kBox, material), FlatQuad(0, 5)});
    }
    // The texture matrices sent for stage 0 since the log was cleared.
    std::vector<gfx::Matrix> StageZeroMatrices() const {
        std::vector<gfx::Matrix> out;
        for (const gfx::Call& c : rec->CallsOf(gfx::CallKind::SetTransform))
            if (c.args[0] == gfx::D3DTS_TEXTURE0) out.push_back(c.matrix);
        return out;
    }
};

TEST_F(LavaTest, LoadReadsRecordBuffersAndLayerTextures) {
    g_Scenario.number = 0;   // the textures come from the loaded scenario's folder
    int32_t layer[3];
    for (int i = 0; i < 3; ++i)
        layer[i] = SeedTexture(rec, "Texturas\\Escenarios\\Escenario00\\Lava0" + std::to_string(i) + ".tga");
    std::vector<uint8_t> bytes = LavaBytes();
    bytes.push_back(0x77);
    auto f = datakit::EntryOf(bytes);
    LavaNode lava;
    ASSERT_TRUE(lava.Load(f->Reader(), {10, 11, 12}));
    EXPECT_EQ(long(f->Reader().Tell()), long(bytes.size() - 1));
    EXPECT_EQ(lava.materialId, 11);
    ASSERT_NE(lava.indexBuffer, nullptr);
    EXPECT_EQ(lava.indexBuffer->indexCount, 6u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lava.layers[i], layer[i]);
        EXPECT_EQ(g_Scene.textures->entries[size_t(layer[i])].refs, 1u);
    }
    lava.Release();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(g_Scene.textures->entries[size_t(layer[i])].refs, 0u);
    lava.Release();   // twice is harmless
}

TEST_F(LavaTest, ShortOrMalformedRecordsAreRefused) {
    const std::vector<uint8_t> bytes = LavaBytes();
    // Every cut inside the record or a block (the last block's final index is cut off too).
    ExpectEveryPrefixRefused(bytes, 5, [](BinaryReader& f) { return LavaNode().Load(f, {0, 1}); });
}

TEST_F(LavaTest, AfterTwentySecondsOfMatchTimeTheLayersHaveScrolled) {
    auto f = datakit::EntryOf(LavaBytes());
    LavaNode lava;
    ASSERT_TRUE(lava.Load(f->Reader(), {}));
    StopMatchClockAt(20000);
    rec->ClearLog();
    ASSERT_TRUE(lava.Draw());
    const auto m = StageZeroMatrices();
    ASSERT_EQ(m.size(), 3u);
    // Coordinates enter as (u, v, 1, 0): the offset is in the third row.
    const float expected[3][2] = {{0.0f, 1.0f}, {0.0f, 0.5f}, {1.0f, 0.0f}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(m[size_t(i)].m[2][0], expected[i][0]) << i;
        EXPECT_FLOAT_EQ(m[size_t(i)].m[2][1], expected[i][1]) << i;
    }
    const auto& draws = rec->Draws();
    ASSERT_EQ(draws.size(), 3u);
    for (const auto& d : draws) {
        EXPECT_EQ(d.primitiveCount, 2u);
        EXPECT_EQ(d.StageState(0, gfx::D3DTSS_TEXTURETRANSFORMFLAGS), uint32_t(gfx::D3DTTFF_COUNT2));
    }
    // Pass 0 is opaque (preset 0), passes 1 and 2 blend (preset 1).
    EXPECT_EQ(draws[0].RenderState(gfx::D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(draws[1].RenderState(gfx::D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(draws[2].RenderState(gfx::D3DRS_ALPHABLENDENABLE), 1u);
}

}  // namespace
