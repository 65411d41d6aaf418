// The builder against the literal reference on generated scenes: the same pmap.dat byte for
// byte, the same bytes from two builds, and the generated scenes giving the regions they promise.
#include <gtest/gtest.h>

#include "world/path_map_build_fixture.h"

#include <string>
#include <vector>

#include "path_map_build_reference.h"
#include "support/collision_scene.h"
#include "support/pmap_writer.h"
#include "world/path_map_build.h"
#include "world/path_search.h"
#include "world/scenario.h"

using testsupport::GeneratedSceneOptions;
using testsupport::InstalledCollision;

namespace {

class PathMapEquivalenceTest : public PathMapBuildFixture {
protected:
    static std::vector<uint8_t> Built() {
        EXPECT_TRUE(g_Scenario.pathMap.Build());
        return testsupport::PmapBytes(g_Scenario.pathMap);
    }
};

std::string Describe(const GeneratedSceneOptions& o) {
    return "size " + std::to_string(o.size) + " sectors " + std::to_string(o.sectors) + " seed " +
           std::to_string(o.seed);
}

TEST_F(PathMapEquivalenceTest, GeneratedScenesGiveTheRegionsTheyPromise) {
    const GeneratedSceneOptions cases[] = {
        {.size = 40, .sectors = 4, .platforms = 1, .bridges = 1, .steepBumps = 1, .seed = 1},
        {.size = 64, .sectors = 8, .platforms = 2, .bridges = 2, .steepBumps = 2, .seed = 7},
        {.size = 48, .sectors = 3, .platforms = 0, .bridges = 1, .steepBumps = 1, .seed = 3},
    };
    for (const GeneratedSceneOptions& o : cases) {
        SCOPED_TRACE(Describe(o));
        const testsupport::GeneratedScene scene = testsupport::GenerateCollisionScene(o);
        InstalledCollision installed(scene.faces, testsupport::GENERATED_LEAF_LOG2);
        ASSERT_TRUE(installed.ok());
        ASSERT_TRUE(g_Scenario.pathMap.Build());
        const PathMap& map = g_Scenario.pathMap;
        EXPECT_EQ(map.sectorCount, scene.expectedSectors);
        int32_t twoLayers = 0, links = 0;
        for (const auto& column : map.columns)
            for (const PathCell& cell : column) {
                twoLayers += cell.layerCount == 2;
                for (const PathLayer& l : cell.layers) links += l.jumpStart;
            }
        EXPECT_EQ(twoLayers > 0, o.bridges > 0);
        EXPECT_GT(links, 0);
        for (size_t i = 0; i < scene.portals.size(); ++i) {
            const testsupport::GeneratedPortal& p = scene.portals[i];
            CellRef cell{};
            EXPECT_TRUE(map.WorldToCell(p.position, &cell, 100.0f)) << i;
            EXPECT_EQ(scene.portals[size_t(p.partner)].partner, int32_t(i));
        }
    }
}

TEST_F(PathMapEquivalenceTest, TheBuilderWritesWhatTheLiteralBuildWrites) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        GeneratedSceneOptions o;
        o.size = 24 + int32_t(seed % 3) * 8;
        o.sectors = 2 + int32_t(seed % 4);
        o.platforms = int32_t(seed % 2);
        o.bridges = int32_t(seed % 2);
        o.steepBumps = 1;
        o.seed = seed;
        SCOPED_TRACE(Describe(o));
        const testsupport::GeneratedScene scene = testsupport::GenerateCollisionScene(o);
        InstalledCollision installed(scene.faces, testsupport::GENERATED_LEAF_LOG2);
        ASSERT_TRUE(installed.ok());
        const std::vector<uint8_t> built = Built();
        ResetPathMapBuild();
        EXPECT_EQ(Built(), built) << "a second build";
        ASSERT_TRUE(reference::BuildPathMap());
        const std::vector<uint8_t> literal = testsupport::PmapBytes(g_Scenario.pathMap);
        ASSERT_EQ(literal.size(), built.size());
        size_t first = 0;
        while (first < built.size() && built[first] == literal[first]) ++first;
        EXPECT_EQ(first, built.size()) << "first difference at byte " << first;
    }
}

}  // namespace
