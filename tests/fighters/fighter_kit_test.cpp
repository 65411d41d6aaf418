// The kit's models load the way the game loads them and have what the fighter rules address.
#include "scene/animation.h"
#include "scene/ground.h"
#include "support/fighter_fixture.h"

namespace fightertest {
namespace {

class FighterKitTest : public FighterTest {};

TEST_F(FighterKitTest, TheSkeletonsLoadWithEveryBoneDetailLevelAndAnimation) {
    for (int side = 0; side < SIDE_COUNT; ++side) {
        SCOPED_TRACE(side);
        const CharacterModel* m = g_SideTable[side].skeleton;
        ASSERT_EQ(m->boneCount, testsupport::KIT_BONE_COUNT);
        for (const ModelDetailLevel& level : m->levels) EXPECT_TRUE(level.loaded);
        for (size_t r = 0; r < testsupport::KIT_ANIMATION_RANGE_COUNT; ++r) {
            const testsupport::KitAnimationRange& range = testsupport::KIT_ANIMATIONS[r];
            for (int32_t id = range.first; id <= range.last; ++id) {
                const Animation* a = g_Scene.GetAnimation(m->animationGroup, id);
                ASSERT_NE(a, nullptr) << id;
                EXPECT_EQ(a->length, range.frames) << id;
            }
        }
        EXPECT_FALSE(m->HasAnimation(199));
    }
}

TEST_F(FighterKitTest, TheArenaHasItsGroundWaterAndLava) {
    const struct {
        const char* name;
        Vec3 at;
        float ground, lava;
    } cases[] = {
        {"floor", {4.5f, 5, 4.5f}, testsupport::ARENA_FLOOR, -2000},
        {"ramp half way", {18, 5, 4}, 1.0f, -2000},
        {"platform", {22, 5, 4}, testsupport::ARENA_PLATFORM, -2000},
        {"lower floor", {28, 5, 4}, testsupport::ARENA_LOWER, -2000},
        {"water bed", {20, 5, 12}, -1.0f, -2000},
        {"lava", {28, 5, 12}, testsupport::ARENA_LAVA_BED, testsupport::ARENA_LAVA_SURFACE},
        {"under the ceiling", {4, 2, 12}, testsupport::ARENA_FLOOR, -2000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(GetGroundHeight(c.at.x, c.at.y, c.at.z, nullptr), c.ground, 1e-4f);
        EXPECT_NEAR(GetLavaHeight(c.at.x, c.at.y, c.at.z, nullptr), c.lava, 1e-4f);
        CellRef cell{};
        ASSERT_TRUE(g_Scenario.pathMap.WorldToCell(Vec3{c.at.x, c.ground, c.at.z}, &cell, 2.0f));
    }
}

}  // namespace
}  // namespace fightertest
