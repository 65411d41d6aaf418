// A character's files as the scene finds them: record walks that loop, detail-level files that
// are there but do not load, and a shadow file that does not load.
#include <string>

#include "character_model_fixture.h"
#include "scene/y3d_loader.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"

namespace modeltest {
namespace {

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
void PutU32At(std::vector<uint8_t>* b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = uint8_t(v >> (8 * i));
}

// The file's object count pushed to the top, and its first record's next offset replaced.
std::vector<uint8_t> Looping(std::vector<uint8_t> bytes, uint32_t next) {
    PutU32At(&bytes, 16, 0xFFFFFFFFu);
    PutU32At(&bytes, U32At(bytes, 24) + 272, next);
    return bytes;
}

Y3DObject Other() {
    Y3DObject o;
    o.name = "other";
    o.typeCode = 0x700;
    return o;
}


class CharacterFilesTest : public ModelTest {};

TEST_F(CharacterFilesTest, ARecordWalkThatDoesNotMoveForwardEndsAtOnce) {
    Y3DSkinnedModel detail = DetailFile({{0, 0, 0, 1, 0}, {1, 0, 0, 1, 0}, {0, 1, 0, 1, 0}});
    detail.leading = {Other()};
    const std::vector<uint8_t> sound = detail.Build();
    const uint32_t first = U32At(sound, 24);
    // Onto itself, back into the header, and past the end of the file.
    for (uint32_t next : {first, 0u, uint32_t(sound.size() + 1)}) {
        SCOPED_TRACE(next);
        const std::vector<uint8_t> bytes = Looping(sound, next);
        auto f = EntryOf(bytes);
        Y3DObjectRecord record;
        EXPECT_FALSE(FindY3DObject(f->Reader(), first, 0xFFFFFFFFu, Y3D_OBJECT_SKINNED_MESH, &record));
        f = EntryOf(bytes);
        EXPECT_FALSE(model.LoadDetailLevel(f->Reader()));
        Y3DShadowModel shadow;
        shadow.leading = {Other()};
        shadow.skeleton = TwoBones();
        f = EntryOf(Looping(shadow.Build(), next));
        ModelLoader loader;
        EXPECT_FALSE(LoadModel(&loader, f->Reader(), &model));
    }
    // The same file walked forward finds its mesh.
    auto f = EntryOf(sound);
    Y3DObjectRecord record;
    EXPECT_TRUE(FindY3DObject(f->Reader(), first, 2, Y3D_OBJECT_SKINNED_MESH, &record));
}

TEST_F(CharacterFilesTest, ALevelFileThatDoesNotLoadLeavesTheRestToLoad) {
    ScopedWorkDir dir;
    const std::vector<uint8_t> level = DetailFile({{0, 0, 0, 1, 0}, {1, 0, 0, 1, 0}, {0, 1, 0, 1, 0}}).Build();
    ASSERT_TRUE(WriteBytes((dir.path() / "HERO.Y3D").string(), level));
    ASSERT_TRUE(WriteBytes((dir.path() / "HEROB.Y3D").string(), {1, 2, 3}));
    ASSERT_TRUE(WriteBytes((dir.path() / "HEROC.Y3D").string(), level));
    CharacterModel* m = g_Scene.LoadCharacterModel("Hero.y3d", nullptr, 0, false);
    ASSERT_NE(m, nullptr);
    // The third file took the first empty level; the farthest levels draw the nearest loaded one.
    EXPECT_TRUE(m->levels[0].loaded);
    EXPECT_TRUE(m->levels[1].loaded);
    EXPECT_FALSE(m->levels[2].loaded);
    EXPECT_EQ(m->ResolveLevel(4), 1);
    delete m;
}

TEST_F(CharacterFilesTest, AShadowFileThatDoesNotLoadStaysEmpty) {
    ScopedWorkDir dir;
    Y3DShadowModel shadow;
    shadow.vertices = {{{0, 0, 0}, {{0, 1.0f}}}};
    shadow.triangles = {{0, 0, 5}};   // a vertex the mesh lacks
    shadow.skeleton = TwoBones();
    ASSERT_TRUE(WriteBytes((dir.path() / "HEROSHADOW.Y3D").string(), shadow.Build()));
    for (const char* name : {"HEROSHADOW.Y3D", "NONE.Y3D"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(model.LoadWithLoader(name));
        ASSERT_NE(model.shadow, nullptr);
        EXPECT_EQ(model.shadow->triangleCount, 0u);
        EXPECT_EQ(model.shadow->vertexCount, 0u);
        EXPECT_EQ(g_ModelLoaders.count, 1u);
        model.shadow->BuildShadowVolume(&model);
        EXPECT_EQ(model.shadow->volumeCount, 0u);
    }
}

}  // namespace
}  // namespace modeltest
