// Movement on the fighter kit's arena, with spawned fighters: the cell register and the jump
// choice against the arena's geometry.
#include <string>

#include "fighters/movement.h"
#include "support/fighter_fixture.h"
#include "support/path_map_builder.h"

namespace fightertest {
namespace {

class ArenaRulesTest : public FighterTest {
protected:
    static void MoveTo(Character& c, float x, float z) { c.SetPosition(x, 0.0f, z, false); }
};

TEST_F(ArenaRulesTest, AnOccupiedCellIsNotTakenAndStaysEmptyWhenItsHolderLeaves) {
    PathMap& map = g_Scenario.pathMap;
    const CellRef cell{4, 4, 0};
    Character& a = Spawned(0, 0, Vec3{4.5f, 0, 4.5f});
    Character& b = Spawned(1, 1, Vec3{6.5f, 0, 4.5f});
    ASSERT_EQ(map.CharacterAt(cell), &a);

    MoveTo(b, 4.2f, 4.7f);
    EXPECT_EQ(b.currentCell, cell);
    EXPECT_EQ(map.CharacterAt(cell), &a);
    EXPECT_EQ(map.CharacterAt(CellRef{6, 4, 0}), nullptr);

    MoveTo(a, 8.5f, 4.5f);
    EXPECT_EQ(map.CharacterAt(cell), nullptr) << "b stands there but never entered it free";
    EXPECT_EQ(map.CharacterAt(CellRef{8, 4, 0}), &a);

    MoveTo(b, 5.5f, 4.5f);
    MoveTo(b, 4.5f, 4.5f);
    EXPECT_EQ(map.CharacterAt(cell), &b);
}

TEST_F(ArenaRulesTest, AJumpIsLevelAWalkOffOrAPlainJumpBySizeAndLine) {
    // A line over the open floor, and one through the wall at x 12.
    const Vec3 freeFrom{2.0f, 0.45f, 4.0f}, freeTo{6.0f, 0.45f, 4.0f};
    const Vec3 wallFrom{10.0f, 1.0f, 14.0f}, wallTo{14.0f, 1.0f, 14.0f};
    const struct {
        const char* name;
        float rise, horizontal;
        bool throughWall;
        int animation;
    } cases[] = {
        {"level over 9.5", 0.0f, 9.5f, false, JUMP_LEVEL_ANIMATION},
        {"nearly level over 10.4", 0.45f, 10.4f, true, JUMP_LEVEL_ANIMATION},
        {"level over exactly 9", 0.0f, 9.0f, false, JUMP_ANIMATION},
        {"level over exactly 10.5", 0.0f, 10.5f, false, JUMP_ANIMATION},
        {"rising 0.5 over 9.5", 0.5f, 9.5f, false, JUMP_ANIMATION},
        {"a drop over 2 with a free line", -4.0f, 2.0f, false, -1},
        {"a drop over exactly 4.5", -1.0f, 4.5f, false, -1},
        {"a drop over 4.6", -1.0f, 4.6f, false, JUMP_ANIMATION},
        {"a drop through the wall", -1.0f, 2.0f, true, JUMP_ANIMATION},
        {"a small rise with a free line", 0.1f, 2.0f, false, JUMP_ANIMATION},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(JumpAnimationFor(t.rise, t.horizontal, t.throughWall ? wallFrom : freeFrom,
                                   t.throughWall ? wallTo : freeTo),
                  t.animation);
    }
}

}  // namespace
}  // namespace fightertest
