// The path-map builder's jump links, isolation and reach rows on hand-made collision geometry.
#include <gtest/gtest.h>

#include "world/path_map_build_fixture.h"

#include <cmath>
#include <vector>

#include "support/collision_scene.h"
#include "support/path_map_builder.h"
#include "world/path_map_build.h"
#include "world/path_search.h"
#include "world/scenario.h"

using testsupport::CollisionSceneDesc;
using testsupport::InstalledCollision;

namespace {

class PathMapJumpsTest : public PathMapBuildFixture {
protected:
    PathMap& map = g_Scenario.pathMap;

    void Build(const CollisionSceneDesc& scene) {
        InstalledCollision installed(scene);
        ASSERT_TRUE(installed.ok());
        ASSERT_TRUE(map.Build());
    }
    int32_t Sector(int32_t x, int32_t z) const { return map.SectorOf(CellRef{x, z, 0}); }
    int32_t Links(int32_t a, int32_t b) const { return map.sectors[size_t(a)].jumpCounts[size_t(b)]; }
    // Every start and its landing point at each other, and the counts match the marked layers.
    void ExpectLinksPointAtEachOther() const {
        int32_t starts = 0, counted = 0;
        for (int32_t x = 0; x < map.cols; ++x)
            for (int32_t z = 0; z < map.rows; ++z)
                for (int32_t k = 0; k < map.LayerCount(x, z); ++k) {
                    const CellRef here{x, z, k};
                    const PathLayer* l = map.GetLayer(here);
                    if (l->jumpStart) {
                        ++starts;
                        ASSERT_TRUE(map.IsValidCell(l->jumpTarget));
                        const PathLayer* t = map.GetLayer(l->jumpTarget);
                        EXPECT_EQ(t->jumpLanding, 1) << here;
                        EXPECT_EQ(t->jumpSource, here) << here;
                    }
                    if (l->jumpLanding) {
                        ASSERT_TRUE(map.IsValidCell(l->jumpSource));
                        EXPECT_EQ(map.GetLayer(l->jumpSource)->jumpTarget, here) << here;
                    }
                }
        for (const PathSector& s : map.sectors)
            for (int32_t n : s.jumpCounts) counted += n;
        EXPECT_EQ(starts, counted);
    }
};

TEST_F(PathMapJumpsTest, WhichGapsAreJumped) {
    // Sector A is 6 x 4 cells, the other 4 x 4; `apart` is between the nearest cell centres.
    auto pair = [](float apart, float otherHeight) {
        const float x = 4.0f + apart - 1.0f;
        return CollisionSceneDesc().Floor(0, 0, 4.5f, 6.5f, 0).Floor(x, 0, x + 4.5f, 4.5f, otherHeight);
    };
    auto walled = [&](float normalX) {
        CollisionSceneDesc d = pair(9.0f, 0.0f);
        d.PolygonWithNormal({{8.5f, 0, 0}, {8.5f, 30, 0}, {8.5f, 30, 6.5f}, {8.5f, 0, 6.5f}}, Vec3{normalX, 0, 0});
        return d;
    };
    struct Case {
        const char* name;
        CollisionSceneDesc scene;
        bool there, back;   // links from A to the other sector, and the other way
    };
    const Case cases[] = {
        {"9 apart, level", pair(9.0f, 0.0f), true, true},
        {"15 down over 3", pair(3.0f, -15.0f), true, false},
        {"5 up over 10", pair(10.0f, 5.0f), false, false},
        {"a wall facing A between", walled(-1.0f), false, false},
        {"a wall facing away from A between", walled(1.0f), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetPathMapBuild();
        Build(c.scene);
        ASSERT_EQ(map.sectorCount, 2);
        const int32_t a = Sector(0, 0), b = 1 - a;
        // At most a quarter of the smaller sector, at least one.
        EXPECT_EQ(Links(a, b) >= 1 && Links(a, b) <= 4, c.there) << Links(a, b);
        EXPECT_EQ(Links(b, a) >= 1 && Links(b, a) <= 4, c.back) << Links(b, a);
        if (!c.there) {
            EXPECT_EQ(Links(a, b), 0);
        }
        if (!c.back) {
            EXPECT_EQ(Links(b, a), 0);
        }
        EXPECT_EQ(map.sectors[size_t(b)].isolated, c.there ? 0 : 1);
        ExpectLinksPointAtEachOther();
    }
}

TEST_F(PathMapJumpsTest, EachStartLandsOnItsNearestCell) {
    Build(CollisionSceneDesc().Floor(0, 0, 6.5f, 6.5f, 0).Floor(14, 0, 20.5f, 6.5f, 0).Floor(7, 11, 13.5f, 17.5f, 2.0f));
    ASSERT_EQ(map.sectorCount, 3);
    ExpectLinksPointAtEachOther();
    // Sector 0's pairs come first, so no cell it could land on was taken by another pair.
    int32_t links = 0;
    for (const std::vector<CellRef>& list : map.sectors[0].jumps)
        for (const CellRef& s : list) {
            ++links;
            CellRef target{};
            map.JumpTarget(&target, s);
            const int32_t b = map.SectorOf(target);
            for (const CellRef& t : map.sectors[size_t(b)].cells)
                EXPECT_LE(map.CellDistance(s, target), map.CellDistance(s, t)) << s << " lands on " << target;
        }
    EXPECT_GE(links, 2);
}

TEST_F(PathMapJumpsTest, OfTwoStartsEquallyNearOneLandingTheFirstKeepsIt) {
    // A: columns 0 and 1, rows 0 to 4, without (1, 1) (a ledge too small to stand on covers it).
    // B: one row of 8 cells at row 1 from column 10, so every cell of A is nearest (10, 1), and
    // (1, 0) and (1, 2) are equally near it. Two links may be kept from A to B.
    Build(CollisionSceneDesc()
              .Floor(0, 0, 2.5f, 5.5f, 0)
              .Floor(1, 1, 1.99f, 1.99f, 1.5f)
              .Floor(10, 1, 18.5f, 2.5f, 0));
    ASSERT_EQ(map.sectorCount, 2);
    EXPECT_EQ(map.LayerCount(1, 1), 0);
    const int32_t a = Sector(0, 0), b = Sector(10, 1);
    const CellRef landing{10, 1, 0};
    EXPECT_EQ(Links(a, b), 1);
    EXPECT_EQ(map.GetLayer(landing)->jumpSource, (CellRef{1, 0, 0}));
    EXPECT_EQ(map.GetLayer(CellRef{1, 0, 0})->jumpTarget, landing);
    EXPECT_EQ(map.HasJump(CellRef{1, 2, 0}), 0);
    ExpectLinksPointAtEachOther();
}

TEST_F(PathMapJumpsTest, ReachCountsTheSectorsBetween) {
    // A, B and C in a row, 10 apart: A and C meet only through B.
    Build(CollisionSceneDesc()
              .Floor(0, 0, 4.5f, 4.5f, 0)
              .Floor(13, 0, 17.5f, 5.5f, 0)
              .Floor(26, 0, 30.5f, 6.5f, 0));
    ASSERT_EQ(map.sectorCount, 3);
    const int32_t a = Sector(0, 0), b = Sector(13, 0), c = Sector(26, 0);
    const int32_t expected[3][3] = {{1, 1, 2}, {1, 1, 1}, {2, 1, 1}};
    const int32_t ids[3] = {a, b, c};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            SCOPED_TRACE(i * 3 + j);
            EXPECT_EQ(map.SectorReaches(ids[i], ids[j]), expected[i][j]);
        }
    EXPECT_EQ(Links(a, c), 0);
    for (const PathSector& s : map.sectors) EXPECT_EQ(s.isolated, 0);
}

TEST_F(PathMapJumpsTest, APortalLeadsIntoASectorThatNoJumpReaches) {
    // Two floors 30 apart: no links either way.
    Build(CollisionSceneDesc().Floor(0, 0, 6.5f, 6.5f, 0).Floor(36, 0, 40.5f, 4.5f, 0));
    ASSERT_EQ(map.sectorCount, 2);
    for (PathSector& s : map.sectors) {
        EXPECT_EQ(s.isolated, 1);
        s.isolated = 0;
    }
    PortalRecord portal{};
    testsupport::PutPortal(&map, CellRef{37, 1, 0}, &portal);
    map.MarkIsolatedSectors();
    EXPECT_EQ(map.sectors[size_t(Sector(37, 1))].isolated, 0);
    EXPECT_EQ(map.sectors[size_t(Sector(0, 0))].isolated, 1);
    EXPECT_EQ(map.sectors[size_t(Sector(0, 0))].colour, PATH_ISOLATED_COLOUR);
    map.GetLayer(CellRef{37, 1, 0})->portal = nullptr;
}

}  // namespace
