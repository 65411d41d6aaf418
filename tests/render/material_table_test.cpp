// Material records of both forms read into the table, references, the set-material cache, the
// special layers and the reference list of timed materials.
#include "material_fixture.h"
#include "scene/animation.h"
#include "scene/scene.h"
#include "datakit/buffer_block_writer.h"
#include "datakit/y3d_builder.h"

namespace rendertest {
namespace {

using datakit::BuildMaterialList;
using datakit::Y3DMaterial;
using datakit::Y3DOldMaterial;

// Counts what the table and the list call on it.
class CountingMaterial : public Material {
public:
    int applies = 0;
    uint32_t updated = 0;
    int updates = 0;
    bool Apply(int pass) override {
        ++applies;
        return Material::Apply(pass);
    }
    int Update(uint32_t ms) override {
        ++updates;
        updated += ms;
        return 0;
    }
};

class MaterialTableTest : public MaterialTest {
protected:
    void SetUp() override {
        MaterialTest::SetUp();
        AddPicture("MODELOS\\BASE.TGA", 0xFFFF0000);
        AddPicture("MODELOS\\DETAIL.TGA", 0xFF00FF00);
        AddPicture("MODELOS\\LIGHT.TGA", 0xFF0000FF);
        AddPicture("MODELOS\\SHINE.TGA", 0xFF101010);
        AddPicture("TEXTURAS\\EFECTOS\\SHINE.TGA", 0xFFFFFFFF);
        AddPicture("CIELO\\FOG.TGA", 0xFF808080);
        WritePack();
    }
    int32_t Tex(const char* name) const { return manager.Find(name); }
    uint32_t Refs(int32_t index) const { return index >= 0 ? manager.entries[size_t(index)].refs : 0; }
    int32_t LoadSky() {
        int32_t sky = manager.LoadTexture("Cielo\\FOG.TGA", false, false, false);
        g_Scene.skyTexture = sky;
        return sky;
    }
    bool LoadList(const std::vector<uint8_t>& bytes, std::vector<int32_t>* ids, uint32_t flags = 0) {
        return table.Load(Stream(bytes), ids, "Modelos\\", flags, false);
    }
};

TEST_F(MaterialTableTest, ANewFormRecordLoadsEachLayerTextureWithOneReference) {
    Y3DMaterial rec;
    rec.layers = {{1, "BASE.TGA"}, {2, "DETAIL.TGA"}, {16, "SHINE.TGA"}, {32, "LIGHT.TGA"}, {64, ""}};
    rec.options = 1;
    std::vector<int32_t> ids;
    ASSERT_TRUE(LoadList(BuildMaterialList({rec.Build()}), &ids));
    ASSERT_EQ(ids.size(), 1u);
    const Material* m = table.Get(ids[0]);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->description.layerCount, 5u);
    EXPECT_EQ(m->description.kindMask, 1u | 2u | 16u | 32u | 64u);
    EXPECT_EQ(m->description.options, 1u);
    const int32_t expected[] = {Tex("Modelos\\BASE.TGA"), Tex("Modelos\\DETAIL.TGA"),
                                Tex("Texturas\\Efectos\\SHINE.TGA"), Tex("Modelos\\LIGHT.TGA"), -1};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m->description.layers[i].texture, expected[i]) << "layer " << i;
        if (expected[i] >= 0) {
            EXPECT_EQ(Refs(expected[i]), 1u) << "layer " << i;
        }
    }
    // The specular highlight is read from the effects folder, not the model folder.
    EXPECT_EQ(Tex("Modelos\\SHINE.TGA"), -1);
    EXPECT_EQ(m->passes[0].blendPreset, 1u);

    // Deleting the material gives the textures back.
    EXPECT_EQ(table.Release(ids[0]), 0);
    EXPECT_EQ(table.Get(ids[0]), nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(manager.Get(expected[i]), nullptr) << "layer " << i;
}

TEST_F(MaterialTableTest, OldFormRecordsBuildTheirLayerLists) {
    g_Y3DVersion = 300;
    int32_t sky = LoadSky();
    struct Case {
        const char* what;
        Y3DOldMaterial rec;
        uint32_t flags;
        std::vector<uint32_t> kinds;
        std::vector<const char*> textures;   // null: -1; "SKY": the sky
        uint32_t options;
    };
    auto rec = [](uint32_t named, bool vc, std::vector<std::string> names, std::vector<uint32_t> types,
                  uint8_t total, uint8_t options) {
        Y3DOldMaterial r;
        r.namedCount = named;
        r.vertexColour = vc;
        for (size_t i = 0; i < names.size(); ++i) r.names[i] = names[i];
        for (size_t i = 0; i < types.size(); ++i) r.types[i] = types[i];
        r.totalLayers = total;
        r.options = options;
        return r;
    };
    const Case cases[] = {
        {"base and light map", rec(2, false, {"BASE.TGA", "LIGHT.TGA"}, {0, 1}, 2, 0), 0, {1, 32},
         {"Modelos\\BASE.TGA", "Modelos\\LIGHT.TGA"}, 0},
        {"base, second, vertex colour, option", rec(2, true, {"BASE.TGA", "DETAIL.TGA"}, {0, 2}, 2, 1), 0, {1, 2, 64},
         {"Modelos\\BASE.TGA", "Modelos\\DETAIL.TGA", nullptr}, 1},
        {"vertex colour then haze", rec(1, true, {"BASE.TGA"}, {0}, 1, 0), MATERIAL_LOAD_HAZE, {1, 64, 128},
         {"Modelos\\BASE.TGA", nullptr, "SKY"}, 0},
        {"no named layer: vertex colour first", rec(0, true, {}, {}, 0, 0), MATERIAL_LOAD_HAZE, {64, 128},
         {nullptr, "SKY"}, 0},
        {"no named layer, haze only", rec(0, false, {}, {}, 0, 0), MATERIAL_LOAD_HAZE, {128}, {"SKY"}, 0},
        {"an unknown layer type has no kind", rec(1, false, {"BASE.TGA"}, {7}, 1, 0), 0, {0}, {nullptr}, 0},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> ids;
        ASSERT_TRUE(LoadList(BuildMaterialList({c.rec.Build()}), &ids, c.flags)) << c.what;
        ASSERT_EQ(ids.size(), 1u) << c.what;
        const Material* m = table.Get(ids[0]);
        ASSERT_EQ(m->description.layerCount, c.kinds.size()) << c.what;
        uint32_t mask = 0;
        for (size_t i = 0; i < c.kinds.size(); ++i) {
            EXPECT_EQ(m->description.layers[i].kind, c.kinds[i]) << c.what << " layer " << i;
            int32_t want = !c.textures[i] ? -1 : std::string(c.textures[i]) == "SKY" ? sky : Tex(c.textures[i]);
            EXPECT_EQ(m->description.layers[i].texture, want) << c.what << " layer " << i;
            mask |= c.kinds[i];
        }
        EXPECT_EQ(m->description.kindMask, mask) << c.what;
        EXPECT_EQ(m->description.options, c.options) << c.what;
    }
}

TEST_F(MaterialTableTest, NewFormLayersBeyondEightAreSteppedOver) {
    Y3DMaterial big;
    for (int i = 0; i < 10; ++i) big.layers.push_back({64, ""});
    big.layers[0] = {1, "BASE.TGA"};
    Y3DMaterial next;
    next.layers = {{1, "LIGHT.TGA"}};
    std::vector<int32_t> ids;
    ASSERT_TRUE(LoadList(BuildMaterialList({big.Build(), next.Build()}), &ids));
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(table.Get(ids[0])->description.layerCount, uint32_t(MATERIAL_MAX_LAYERS));
    // The next record is read from its own start.
    EXPECT_EQ(table.Get(ids[1])->description.layers[0].texture, Tex("Modelos\\LIGHT.TGA"));
}

TEST_F(MaterialTableTest, MalformedListsAreRefused) {
    Y3DMaterial good;
    good.layers = {{1, "BASE.TGA"}};
    Y3DMaterial lying = good;
    lying.layerCount = 1000;
    std::vector<uint8_t> shortHeader = good.Build();
    shortHeader.resize(8);
    std::vector<uint8_t> shortLayer = good.Build();
    shortLayer.resize(shortLayer.size() - 10);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t idsRead;
    } cases[] = {
        {"no count", {1, 0}, 0},
        {"a count beyond the data", BuildMaterialList({good.Build()}, 5000), 0},
        {"a layer count beyond the data", BuildMaterialList({good.Build(), lying.Build()}), 1},
        {"a short header", BuildMaterialList({shortHeader}), 0},
        {"a short layer", BuildMaterialList({good.Build(), shortLayer}), 1},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> ids = {7, 8, 9};
        EXPECT_FALSE(LoadList(c.bytes, &ids)) << c.what;
        EXPECT_EQ(ids.size(), c.idsRead) << c.what;
        for (int32_t id : ids) EXPECT_NE(table.Get(id), nullptr) << c.what;
    }
    // Nothing was leaked: one reference per surviving material.
    EXPECT_EQ(Refs(Tex("Modelos\\BASE.TGA")), table.count);
}

TEST_F(MaterialTableTest, ADeletedMaterialIsNotTakenForTheLastOneSet) {
    auto* a = new CountingMaterial();
    a->SetDescription(Describe({{1, -1}}));
    int32_t id = table.Add(a);
    EXPECT_TRUE(table.SetMaterial(id, 0));
    MaterialTableDelete(&table, id);
    auto* b = new CountingMaterial();
    b->SetDescription(Describe({{1, -1}}));
    ASSERT_EQ(table.Add(b), id);
    EXPECT_TRUE(table.SetMaterial(id, 0));
    EXPECT_EQ(b->applies, 1);
}

}  // namespace
}  // namespace rendertest
