// Material records of both forms read into the table, references, the set-material cache, the
// special layers and the reference list of timed materials.
#include "material_fixture.h"
#include "scene/animation.h"
#include "scene/scene.h"
#include "support/buffer_block_writer.h"
#include "support/y3d_builder.h"

namespace rendertest {
namespace {

using testsupport::BuildMaterialList;
using testsupport::Y3DMaterial;
using testsupport::Y3DOldMaterial;

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

TEST_F(MaterialTableTest, TheHazeLayerIsAppendedWhenAskedForAndTheSceneHasASky) {
    Y3DMaterial rec;
    rec.layers = {{1, "BASE.TGA"}};
    std::vector<int32_t> ids;
    // No sky: nothing appended even when asked.
    ASSERT_TRUE(LoadList(BuildMaterialList({rec.Build()}), &ids, MATERIAL_LOAD_HAZE));
    EXPECT_EQ(table.Get(ids[0])->description.layerCount, 1u);

    int32_t sky = LoadSky();
    ASSERT_GE(sky, 0);
    ASSERT_TRUE(LoadList(BuildMaterialList({rec.Build(), rec.Build()}), &ids, MATERIAL_LOAD_HAZE));
    ASSERT_EQ(ids.size(), 2u);
    const Material* m = table.Get(ids[1]);
    EXPECT_EQ(m->description.layerCount, 2u);
    EXPECT_EQ(m->description.layers[1].kind, MATERIAL_KIND_HAZE);
    EXPECT_EQ(m->description.layers[1].texture, sky);
    EXPECT_NE(m->description.kindMask & MATERIAL_KIND_HAZE, 0u);
    EXPECT_EQ(Refs(sky), 0u);
    // Three materials share the base texture.
    EXPECT_EQ(Refs(Tex("Modelos\\BASE.TGA")), 3u);
    // Freeing them leaves the sky alone.
    table.Free();
    EXPECT_NE(manager.Get(sky), nullptr);
    EXPECT_EQ(Tex("Modelos\\BASE.TGA"), -1);
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

TEST_F(MaterialTableTest, OldFormCountsAreClampedToTheArrays) {
    g_Y3DVersion = 300;
    Y3DOldMaterial r;
    r.namedCount = 200;   // at most four named layers exist
    r.names[0] = "BASE.TGA";
    r.names[3] = "LIGHT.TGA";
    r.types[3] = 1;
    r.totalLayers = 250;
    r.vertexColour = true;
    std::vector<uint8_t> bytes = BuildMaterialList({r.Build(), r.Build()});
    std::vector<int32_t> ids;
    ASSERT_TRUE(LoadList(bytes, &ids));
    ASSERT_EQ(ids.size(), 2u);
    const Material* m = table.Get(ids[1]);
    EXPECT_EQ(m->description.layerCount, uint32_t(MATERIAL_MAX_LAYERS));
    EXPECT_EQ(m->description.layers[0].kind, 1u);
    EXPECT_EQ(m->description.layers[3].kind, 32u);
    EXPECT_EQ(m->description.layers[3].texture, Tex("Modelos\\LIGHT.TGA"));
    EXPECT_EQ(m->description.layers[4].kind, 64u);
    for (int i = 4; i < MATERIAL_MAX_LAYERS; ++i) EXPECT_EQ(m->description.layers[i].texture, -1);
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

TEST_F(MaterialTableTest, AnEmptyListLeavesTheIdsEmpty) {
    std::vector<int32_t> ids = {3, 4};
    EXPECT_TRUE(LoadList(BuildMaterialList({}), &ids));
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(MaterialIdFromFile(ids, 0), -1);
    ids = {5, 6};
    EXPECT_EQ(MaterialIdFromFile(ids, 1), 6);
    EXPECT_EQ(MaterialIdFromFile(ids, 2), -1);
    EXPECT_EQ(MaterialIdFromFile(ids, 0xFFFFFFFFu), -1);
}

TEST_F(MaterialTableTest, SlotsAreReusedAndTheTableGrowsByFifty) {
    std::vector<int32_t> ids;
    for (int i = 0; i < 50; ++i) ids.push_back(table.Add(new Material()));
    EXPECT_EQ(table.Capacity(), 50u);
    EXPECT_EQ(ids.back(), 49);
    EXPECT_EQ(table.Add(new Material()), 50);
    EXPECT_EQ(table.Capacity(), 100u);
    EXPECT_TRUE(MaterialTableDelete(&table, 7));
    EXPECT_EQ(table.count, 50u);
    EXPECT_EQ(table.Add(new Material()), 7);
    EXPECT_EQ(table.count, 51u);
    EXPECT_EQ(table.Add(nullptr), -1);
}

TEST_F(MaterialTableTest, ReferenceOperationsRefuseIdsOutsideTheTable) {
    int32_t id = table.Add(new Material());
    const int32_t bad[] = {-1, -100, int32_t(table.Capacity()), 1};   // slot 1 is empty
    for (int32_t b : bad) {
        EXPECT_EQ(table.AddRef(b), -1) << b;
        EXPECT_EQ(table.Release(b), -1) << b;
        EXPECT_FALSE(table.SetMaterial(b, 0)) << b;
    }
    EXPECT_FALSE(MaterialTableDelete(&table, -1));
    EXPECT_FALSE(MaterialTableDelete(&table, int32_t(table.Capacity())));
    EXPECT_TRUE(MaterialTableDelete(&table, 1));   // an empty slot: nothing to do
    EXPECT_EQ(table.AddRef(id), 1);
    EXPECT_EQ(table.AddRef(id), 2);
    EXPECT_EQ(table.Release(id), 1);
    EXPECT_NE(table.Get(id), nullptr);
    EXPECT_EQ(table.Release(id), 0);
    EXPECT_EQ(table.Get(id), nullptr);
    EXPECT_EQ(table.count, 0u);
}

TEST_F(MaterialTableTest, TheSameMaterialAndPassTwiceTouchTheDeviceOnce) {
    auto* a = new CountingMaterial();
    a->SetDescription(Describe({{1, -1}, {2, -1}}));
    g_Video.caps.MaxSimultaneousTextures = 1;
    a->Rebuild();
    ASSERT_EQ(a->passCount, 2u);
    int32_t id = table.Add(a);
    dev->ClearLog();
    EXPECT_TRUE(table.SetMaterial(id, 0));
    size_t calls = dev->Log().size();
    EXPECT_GT(calls, 0u);
    EXPECT_TRUE(table.SetMaterial(id, 0));
    EXPECT_EQ(a->applies, 1);
    EXPECT_EQ(dev->Log().size(), calls);
    EXPECT_TRUE(table.SetMaterial(id, 1));
    EXPECT_EQ(a->applies, 2);
    table.ResetCache();
    EXPECT_TRUE(table.SetMaterial(id, 1));
    EXPECT_EQ(a->applies, 3);
    // A pass the material does not have is refused by the material itself.
    EXPECT_FALSE(table.SetMaterial(id, 2));
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

TEST_F(MaterialTableTest, SpecialLayersGoOnAndOffEveryMaterial) {
    int32_t sky = LoadSky();
    int32_t a = AddMaterial({{1, -1}});
    int32_t b = AddMaterial({{1, -1}, {64, -1}});
    table.AddSpecialLayerAll();
    for (int32_t id : {a, b}) {
        const Material* m = table.Get(id);
        EXPECT_NE(m->description.kindMask & MATERIAL_KIND_HAZE, 0u);
        EXPECT_EQ(m->description.layers[m->description.layerCount - 1].texture, sky);
    }
    table.RemoveSpecialLayerAll();
    EXPECT_EQ(table.Get(a)->description.layerCount, 1u);
    EXPECT_EQ(table.Get(b)->description.layerCount, 2u);
    EXPECT_EQ(table.Get(b)->description.kindMask, 65u);
}

TEST_F(MaterialTableTest, AssignTakesItsOwnTextureReferences) {
    Y3DMaterial rec;
    rec.layers = {{1, "BASE.TGA"}, {32, "LIGHT.TGA"}};
    std::vector<int32_t> ids;
    ASSERT_TRUE(LoadList(BuildMaterialList({rec.Build()}), &ids));
    int32_t base = Tex("Modelos\\BASE.TGA");
    auto* copy = new Material();
    copy->Assign(*table.Get(ids[0]));
    EXPECT_EQ(Refs(base), 2u);
    EXPECT_EQ(PassesOf(*copy), PassesOf(*table.Get(ids[0])));
    table.Release(ids[0]);
    EXPECT_EQ(Refs(base), 1u);
    delete copy;
    EXPECT_EQ(manager.Get(base), nullptr);
}

TEST_F(MaterialTableTest, TheReferenceListUpdatesLiveMaterialsAndDeletesUnreferencedOnes) {
    MaterialRefList list;
    auto* live = new CountingMaterial();
    auto* dead = new CountingMaterial();
    auto* later = new CountingMaterial();
    int32_t liveId = list.Add(live, 2);
    int32_t deadId = list.Add(dead, 2);
    int32_t laterId = list.Add(later, 2);
    EXPECT_EQ(list.count, 3u);
    ASSERT_NE(list.head, nullptr);
    EXPECT_EQ(list.head->materialId, laterId);
    EXPECT_EQ(list.head->owner, 2u);
    EXPECT_EQ(table.Get(liveId), live);
    table.AddRef(liveId);
    table.AddRef(laterId);

    list.Update(40);
    EXPECT_EQ(live->updated, 40u);
    EXPECT_EQ(later->updated, 40u);
    EXPECT_EQ(table.Get(deadId), nullptr);
    EXPECT_EQ(list.Find(deadId), nullptr);
    EXPECT_EQ(list.count, 2u);

    // A mesh dropping its override takes the count to 0; the next update deletes it.
    --later->refCount;
    list.Update(10);
    EXPECT_EQ(table.Get(laterId), nullptr);
    EXPECT_EQ(live->updated, 50u);
    ASSERT_NE(list.Find(liveId), nullptr);
    EXPECT_EQ(list.head->materialId, liveId);
    EXPECT_EQ(list.head->prev, nullptr);

    EXPECT_TRUE(MaterialRefListRemove(&list, liveId));
    EXPECT_FALSE(MaterialRefListRemove(&list, liveId));
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_NE(table.Get(liveId), nullptr);   // removing the node leaves the material
}

TEST_F(MaterialTableTest, TheReferenceListWithoutATableKeepsNothing) {
    g_Scene.materials = nullptr;
    MaterialRefList list;
    EXPECT_EQ(list.Add(new Material(), 2), -1);
    EXPECT_EQ(list.count, 0u);
    list.Update(5);
    g_Scene.materials = &table;
    list.Add(new Material(), 1);
    list.Add(new Material(), 1);
    list.Free();
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(table.count, 2u);
}

}  // namespace
}  // namespace rendertest
