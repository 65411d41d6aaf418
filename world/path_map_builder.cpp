#include <cmath>

#include "core/debug_log.h"
#include "platform/os/os.h"
#include "scene/collision_octree.h"
#include "world/path_map_build.h"
#include "world/scenario.h"

PathMapBuildState g_PathMapBuild;

PathMapBuildState::PathMapBuildState()
    : jumpStored(0),
      floodSector(0),
      floodParent(0),
      floodGeneration(0),
      floodCount(0),
      floodFull(false),
      step(0),
      stepStart(0),
      lastCount(0),
      screens(0),
      text{},
      rays{},
      stepMs{} {}

void PathMapBuildState::FreeWork() {
    fragments.clear();
    fragments.shrink_to_fit();
    jumpStarts.clear();
    jumpStarts.shrink_to_fit();
    jumpLandings.clear();
    jumpLandings.shrink_to_fit();
    FreeJumpWork();
}

void PathMapBuildState::Reset() {
    FreeWork();
    jumpStored = 0;
    floodSector = floodParent = floodGeneration = floodCount = 0;
    floodFull = false;
    step = 0;
    stepStart = 0;
    lastCount = 0;
    screens = 0;
    text = ProgressText{};
    for (uint64_t& r : rays) r = 0;
    for (uint32_t& ms : stepMs) ms = 0;
}

void ResetPathMapBuild() { g_PathMapBuild.Reset(); }

void BeginPathMapStep(int step) {
    PathMapBuildState& b = g_PathMapBuild;
    const uint32_t now = os::timeGetTime();
    if (b.step >= 1 && b.step <= PATH_BUILD_STEPS) b.stepMs[b.step - 1] += now - b.stepStart;
    b.step = step;
    b.lastCount = 0;
    b.stepStart = now;
}

uint64_t CountCollisionFaces() {
    const CollisionOctree* octree = SceneCollisionOctree();
    if (!octree) return 0;
    uint64_t n = 0;
    for (const CollisionMesh& mesh : octree->Meshes())
        for (const CollisionFaceGroup& group : mesh.groups)
            if (group.typeMask & 1) n += group.faces.size();
    return n;
}

bool PathMap::ComputeBounds() {
    min = Vec3{10000.0f, 10000.0f, 10000.0f};
    max = Vec3{-10000.0f, -10000.0f, -10000.0f};
    const CollisionOctree* octree = SceneCollisionOctree();
    if (octree)
        for (const CollisionMesh& mesh : octree->Meshes())
            for (const Vec3& v : mesh.vertices) {
                if (v.x < min.x) min.x = v.x;
                if (v.y < min.y) min.y = v.y;
                if (v.z < min.z) min.z = v.z;
                if (v.x > max.x) max.x = v.x;
                if (v.y > max.y) max.y = v.y;
                if (v.z > max.z) max.z = v.z;
            }
    // Without a vertex the starting bounds would make a grid of -19999 columns.
    if (!(max.x >= min.x && max.z >= min.z)) {
        WriteDebugLog("Path map not built: the scene has no collision vertex");
        return false;
    }
    const float width = max.x - min.x, depth = max.z - min.z;
    if (!(width < float(PATH_BUILD_MAX_SIDE)) || !(depth < float(PATH_BUILD_MAX_SIDE))) {
        WriteDebugLogF("Path map not built: %g x %g units is wider than %d cells", double(width), double(depth),
                       PATH_BUILD_MAX_SIDE);
        return false;
    }
    cols = int32_t(std::trunc(width)) + 1;
    rows = int32_t(std::trunc(depth)) + 1;
    offX = -min.x;
    offZ = -min.z;
    return true;
}

bool PathMap::AllocateCells(int32_t c, int32_t r) {
    if (c < 1 || r < 1 || c > PATH_BUILD_MAX_SIDE || r > PATH_BUILD_MAX_SIDE) return false;
    Allocate(c, r);
    return true;
}

void PathMap::FreeCells() {
    columns.clear();
    columns.shrink_to_fit();
    sectors.clear();
    sectors.shrink_to_fit();
    sectorCount = 0;
}

bool PathMap::Build() {
    FreeCells();
    g_PathMapBuild.Reset();
    if (!ComputeBounds()) {
        Free();
        return false;
    }
    const int32_t c = cols, r = rows;
    if (!AllocateCells(c, r)) {
        Free();
        return false;
    }
    StepFaces();
    g_Scenario.SetupSpringsAndPortals();
    BeginPathMapStep(3);
    StepCells();
    StepSectors();
    BeginPathMapStep(4);
    StepJumps();
    BeginPathMapStep(5);
    MarkIsolatedSectors();
    StepAccess();
    BeginPathMapStep(0);
    g_PathMapBuild.FreeWork();
    return true;
}
