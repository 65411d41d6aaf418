// The stored trajectories of the running match: long paths between the places where a game
// kind's action happens, read from the scenario's file or built at match start, which the
// computer fighters' route planning follows.
#pragma once

#include <cstdint>
#include <memory>

#include "world/path_map.h"

constexpr uint32_t TRAJECTORY_MAX = 150;

// One path as the search gives it, from its start cell to its goal cell; free while it has no
// points.
struct Trajectory {
    uint32_t n = 0;
    std::unique_ptr<CellRef[]> points;
};

class TrajectoryTable {
public:
    uint32_t count = 0;                         // used entries, from index 0 without gaps
    Trajectory entries[TRAJECTORY_MAX];

    // At match start in normal play outside network games: the file of the scenario and game
    // kind, loose or in "MODELOS.DAT"; without one the table is built and written. A file that is
    // there but refused leaves the table empty and is not built over.
    void LoadOrBuild();
    // A searched path from one cell to the other into the next free entry; false when the table
    // is full, no path is found or its copy cannot be allocated.
    bool Add(const CellRef& from, const CellRef& to);
    // Every count and point checked: more than the table holds, an empty or over-long
    // trajectory, a short file or a point that is no cell of the scenario's map refuses the whole
    // file and leaves the table empty.
    bool Read(const char* name);
    // The loose file, replaced only when every byte was written.
    bool Write(const char* name) const;
    // The point whose cell centre lies nearest (x, y, z), the earlier on equal distances; -1 for
    // a trajectory without points.
    int32_t FindNearest(uint32_t trajectory, float x, float y, float z) const;
    // Every trajectory freed.
    void Clear();
    // The path-search statistics file of the scenario and game kind (test mode, match end).
    void WriteStats() const;

private:
    void Build(int kind);
    void BuildFarPairs();
};

extern TrajectoryTable g_TrajectoryTable;
void ResetTrajectoryTable();

// The name of a file of the scenario's folder: "Modelos\Escenarios\EscenarioSS\" followed by the
// pattern filled with the scenario and the game kind.
void TrajectoryFileName(char* out, size_t size, const char* pattern, int scenario, int kind);
