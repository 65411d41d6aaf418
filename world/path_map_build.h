// The path-map builder's working data between its steps, its limits and its progress screens.
#pragma once

#include <cstdint>
#include <vector>

#include "common/math.h"
#include "world/path_map.h"

// The file reader takes no wider grid.
constexpr int32_t PATH_BUILD_MAX_SIDE = 4096;
// Each of the two jump-candidate buffers.
constexpr int32_t PATH_JUMP_CANDIDATES = 150000;
constexpr int PATH_BUILD_STEPS = 5;

// One polygon's part inside one cell.
struct PathFragment {
    float floor;
    float low;
    float area;
    Vec3 normal;
};

// The six lines of a progress screen.
struct ProgressText {
    char lines[6][96];
};

struct PathMapBuildState {
    std::vector<std::vector<PathFragment>> fragments;   // per cell, columns[x][z] order: x * rows + z
    std::vector<CellRef> jumpStarts;                    // step 4's candidates; -1 in all fields when empty
    std::vector<CellRef> jumpLandings;
    int32_t jumpStored;                                 // slots the last pair of sectors wrote
    // The flood fill in progress.
    int32_t floodSector;
    int32_t floodParent;
    int32_t floodGeneration;
    int32_t floodCount;
    bool floodFull;
    // Progress screens: the running step (1-5), its start on the system clock and what the last
    // screen showed.
    int step;
    uint32_t stepStart;
    uint64_t lastCount;                                 // the count the step reported last
    uint32_t screens;                                   // screens drawn in this build
    ProgressText text;
    // Collision rays cast and milliseconds spent by each step, for measurements.
    uint64_t rays[PATH_BUILD_STEPS];
    uint32_t stepMs[PATH_BUILD_STEPS];

    PathMapBuildState();
    void Reset();
    // Frees the working lists; counters stay for whoever measures the build.
    void FreeWork();
};

extern PathMapBuildState g_PathMapBuild;
void ResetPathMapBuild();
// Step 4's sector indices, kept between its pairs of sectors.
void FreeJumpWork();

// A step starts (0: the build ends): the running step's time is booked, and the clock and the
// count begin again.
void BeginPathMapStep(int step);

// A screen is drawn at every multiple of this count and at the total: 1000 (step 4: 10000, or
// 1,000,000 from a total of 1,000,000 on). A count that jumps past a multiple draws too.
uint64_t ProgressUnit(int step, uint64_t total);
// The screen's lines for the count after elapsedMs milliseconds of the step.
void FormatProgress(int step, uint64_t current, uint64_t total, uint32_t elapsedMs, ProgressText* out);
