// The kit's models load the way the game loads them and have what the fighter rules address.
#include "scene/animation.h"
#include "support/fighter_fixture.h"

namespace fightertest {
namespace {

class FighterKitTest : public FighterTest {};

TEST_F(FighterKitTest, TheSkeletonsLoadWithEveryBoneDetailLevelAndAnimation) {
    for (int side = 0; side < SIDE_COUNT; ++side) {
        SCOPED_TRACE(side);
        const CharacterModel* m = g_SideTable[side].skeleton;
        ASSERT_EQ(m->boneCount, datakit::KIT_BONE_COUNT);
        for (const ModelDetailLevel& level : m->levels) EXPECT_TRUE(level.loaded);
        for (size_t r = 0; r < datakit::KIT_ANIMATION_RANGE_COUNT; ++r) {
            const datakit::KitAnimationRange& range = datakit::KIT_ANIMATIONS[r];
            for (int32_t id = range.first; id <= range.last; ++id) {
                const Animation* a = g_Scene.GetAnimation(m->animationGroup, id);
                ASSERT_NE(a, nullptr) << id;
                EXPECT_EQ(a->length, range.frames) << id;
            }
        }
        EXPECT_FALSE(m->HasAnimation(199));
    }
}

}  // namespace
}  // namespace fightertest
