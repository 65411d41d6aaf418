// The effect, surface and element records of a scene file, loaded onto the recording device: each
// node lands in its own list, and a damaged record of any kind leaves the scene as it was.
#include <gtest/gtest.h>

#include <vector>

#include "effects/effect_list.h"
#include "scene/flare.h"
#include "scene/glow.h"
#include "scene/lava.h"
#include "scene/light_node.h"
#include "scene/mirror.h"
#include "scene/object_list.h"
#include "scene/scene_element.h"
#include "scene/water.h"
#include "scene/y3d_loader.h"
#include "scene_element_records.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"

using namespace datakit;

namespace {

// Record order in NodeScene, for the tests that damage one of them.
enum NodeRecord { kGlow, kFlare, kLava, kMirror, kWater, kElement8, kElement4, kSign, kBoard, kLamp, kRecordCount };

constexpr uint32_t kBoardFiller = 12;

// One record of every effect, surface and element kind, and a light after them that is only
// found when the untagged textured element was left by its stored offset.
Y3DSceneFile NodeScene() {
    Y3DSceneFile f;
    const float rgb[3] = {1.0f, 0.5f, 0.0f};
    f.records.push_back(GlowNodeRecord("Torch", {1, 2, 3}, 0.25f, rgb, 1));
    f.records.push_back(FlareNodeRecord("Sun(FLARE)", {4, 5, 6}));
    f.records.push_back(LavaNodeRecord("Pool", -1.0f, 0));
    y3drec::MirrorRecordFields mirror;
    mirror.triangles = 2;
    mirror.position = {0, 0, 5};
    mirror.spare = 77;
    f.records.push_back(MirrorNodeRecord("Glass", mirror));
    f.records.push_back(WaterNodeRecord("Lake", -2.5f, 0));
    f.records.push_back(ElementRecord("Spawn8", 0x1000, {1, 2, 3, 4, 5, 6, 7, 8}));
    f.records.push_back(ElementRecord("Box4", 0x1001, {9, 10, 11, 12}));
    f.records.push_back(TexturedElementRecord("Sign(FLARE)", {41}, "Texturas\\Sign.tga", {7, 8, 9}));
    Y3DRecord board = TexturedElementRecord("Board", {42}, "Texturas\\Board.tga");
    board.tail.insert(board.tail.end(), kBoardFiller, 0xEE);   // passed over by the stored offset
    f.records.push_back(board);
    Y3DLight lamp;
    lamp.name = "Lamp";
    f.records.push_back(LightRecord(lamp));
    return f;
}

std::vector<PositionedObject*> Effects() {
    std::vector<PositionedObject*> out;
    for (EffectListNode* n = g_Scene.effects->Head(); n; n = n->next) out.push_back(n->item);
    return out;
}

template <typename T>
std::vector<T*> Members(const ObjectList* list) {
    std::vector<T*> out;
    for (ObjectListNode* n = list->head; n; n = n->next)
        if (T* t = dynamic_cast<T*>(n->object)) out.push_back(t);
    return out;
}

// Everything these records may add to, compared before and after a refused file.
struct NodeShape {
    uint32_t objects = 0, elements = 0, texturedElements = 0, mirrors = 0, waters = 0;
    int32_t effects = 0;
    size_t lights = 0;

    static NodeShape Of(const Scene& s) {
        return {s.objects->count, s.elements->count, s.texturedElements->count, s.mirrors->count,
                s.waters->count,  s.effects->Count(),  s.lights.size()};
    }
    bool operator==(const NodeShape&) const = default;
};

class Y3DNodesTest : public fxtest::FxDeviceTest {
protected:
    void TearDown() override {
        fxtest::FxDeviceTest::TearDown();
        ResetPackFiles();
    }
    bool Load(const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(WriteBytes((dir.path() / "NODES.Y3D").string(), bytes));
        return g_Scene.LoadModel("NODES.Y3D", nullptr, 0, false);
    }
    ScopedWorkDir dir;
};

}  // namespace

TEST_F(Y3DNodesTest, EachRecordKindLandsInItsList) {
    ASSERT_TRUE(Load(NodeScene().Build()));

    // Effects: the glow and both flares (the helper's and the tagged element's).
    const std::vector<PositionedObject*> effects = Effects();
    ASSERT_EQ(effects.size(), 3u);
    std::vector<GlowNode*> glows;
    std::vector<FlareNode*> flares;
    for (PositionedObject* e : effects) {
        if (auto* g = dynamic_cast<GlowNode*>(e)) glows.push_back(g);
        if (auto* f = dynamic_cast<FlareNode*>(e)) flares.push_back(f);
    }
    ASSERT_EQ(glows.size(), 1u);
    EXPECT_EQ(glows[0]->z, 3.0f);
    ASSERT_EQ(flares.size(), 2u);
    // The effect list keeps the later one first.
    EXPECT_EQ(flares[0]->x, 7.0f);
    EXPECT_EQ(flares[1]->x, 4.0f);

    // Lava is an object of the first list, under the name its class gives it.
    auto* lava = dynamic_cast<LavaNode*>(g_Scene.objects->FindByName("LAVA"));
    ASSERT_NE(lava, nullptr);
    EXPECT_EQ(g_Scene.objects->count, 1u);
    EXPECT_EQ(lava->box[1], -1.0f);

    const std::vector<Mirror*> mirrors = Members<Mirror>(g_Scene.mirrors);
    ASSERT_EQ(mirrors.size(), 1u);
    EXPECT_EQ(mirrors[0]->spare, 77u);
    const std::vector<WaterObject*> waters = Members<WaterObject>(g_Scene.waters);
    ASSERT_EQ(waters.size(), 1u);
    EXPECT_EQ(waters[0]->level, -2.5f);

    // The elements carry the names of their node headers.
    EXPECT_EQ(g_Scene.elements->count, 2u);
    auto* e4 = dynamic_cast<SceneElement4*>(g_Scene.elements->FindByName("Box4"));
    ASSERT_NE(e4, nullptr);
    EXPECT_EQ(e4->values[3], 12u);

    // Both textured elements, tagged or not; they take no name from the file.
    const std::vector<TexturedElement*> textured = Members<TexturedElement>(g_Scene.texturedElements);
    ASSERT_EQ(textured.size(), 2u);
    EXPECT_EQ(textured[0]->values[0], 42u);
    EXPECT_EQ(textured[1]->values[0], 41u);

    // The light after the untagged element was found past its filler.
    ASSERT_EQ(g_Scene.lights.size(), 1u);
    EXPECT_EQ(g_Scene.lights[0]->name, "Lamp");

    // A second file adds to every list.
    ASSERT_TRUE(Load(NodeScene().Build()));
    EXPECT_EQ(g_Scene.effects->Count(), 6);
    EXPECT_EQ(g_Scene.waters->count, 2u);
    EXPECT_EQ(g_Scene.texturedElements->count, 4u);
}

// Each record cut inside its tail, and each surface with a vertex block past the file's end:
// refused, with every list as it was.
TEST_F(Y3DNodesTest, ADamagedRecordOfAnyKindIsRefusedAndChangesNothing) {
    // Something loaded first, so "as it was" is not just empty.
    ASSERT_TRUE(Load(NodeScene().Build()));
    Y3DSceneLayout layout;
    const std::vector<uint8_t> good = NodeScene().Build(&layout);
    ASSERT_EQ(layout.records.size(), size_t(kRecordCount));
    const size_t tail = Y3D_RECORD_SIZE;
    struct Cut {
        const char* what;
        NodeRecord record;
        size_t into;   // bytes of the tail kept
    } cuts[] = {
        {"glow tail", kGlow, Y3D_NODE_HEADER_SIZE + 10},
        {"flare node header", kFlare, Y3D_NODE_HEADER_SIZE - 1},
        {"lava buffers", kLava, 36 + 30},
        {"mirror record", kMirror, 100},
        {"water buffers", kWater, 36 + 100},
        {"element 8 values", kElement8, Y3D_NODE_HEADER_SIZE + 31},
        {"element 4 header", kElement4, 10},
        {"textured element's flare", kSign, 316 + 200},
        {"untagged textured element", kBoard, 200},
    };
    for (const Cut& c : cuts) {
        const size_t at = layout.records[c.record] + tail + c.into;
        ASSERT_LT(at, good.size()) << c.what;
        const NodeShape before = NodeShape::Of(g_Scene);
        EXPECT_FALSE(Load(std::vector<uint8_t>(good.begin(), good.begin() + long(at)))) << c.what;
        EXPECT_TRUE(NodeShape::Of(g_Scene) == before) << c.what;
    }

    // A vertex count far beyond the bytes that follow, in each surface's vertex block.
    struct Block {
        const char* what;
        NodeRecord record;
        size_t countAt;
    } blocks[] = {
        {"lava vertex count", kLava, 36},
        {"mirror vertex count", kMirror, 101},
        {"water vertex count", kWater, 36},
    };
    for (const Block& b : blocks) {
        std::vector<uint8_t> bad = good;
        const size_t at = layout.records[b.record] + tail + b.countAt;
        for (int i = 0; i < 4; ++i) bad[at + i] = uint8_t(0x00FFFFFFu >> (8 * i));
        const NodeShape before = NodeShape::Of(g_Scene);
        EXPECT_FALSE(Load(bad)) << b.what;
        EXPECT_TRUE(NodeShape::Of(g_Scene) == before) << b.what;
    }

    // The stored offset of the untagged element pointing outside the file.
    std::vector<uint8_t> bad = good;
    for (int i = 0; i < 4; ++i) bad[layout.records[kBoard] + 272 + i] = 0x7F;
    const NodeShape before = NodeShape::Of(g_Scene);
    EXPECT_FALSE(Load(bad));
    EXPECT_TRUE(NodeShape::Of(g_Scene) == before);

    // The scene still holds the first file whole.
    EXPECT_EQ(g_Scene.effects->Count(), 3);
    EXPECT_EQ(g_Scene.texturedElements->count, 2u);

    // Every other length: whatever the result, no crash, and a refusal changes nothing.
    for (size_t cut = Y3D_HEADER_SIZE; cut < good.size(); cut += 13) {
        const NodeShape before = NodeShape::Of(g_Scene);
        if (!Load(std::vector<uint8_t>(good.begin(), good.begin() + long(cut)))) {
            EXPECT_TRUE(NodeShape::Of(g_Scene) == before) << cut;
        }
    }
}
