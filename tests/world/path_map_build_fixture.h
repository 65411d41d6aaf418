// The builder's tests start and end with no scenario, no build state, no search marks and no
// scene collision.
#pragma once

#include <gtest/gtest.h>

#include "scene/collision_octree.h"
#include "world/path_map_build.h"
#include "world/path_search.h"
#include "world/scenario.h"

class PathMapBuildFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScenario();
        ResetPathMapBuild();
        ResetPathSearch();
    }
    void TearDown() override {
        ResetScenario();
        ResetPathMapBuild();
        SetSceneCollisionOctree(nullptr);
    }
};
