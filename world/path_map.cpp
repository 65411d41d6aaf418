#include "world/path_map.h"

// The path map fills this.
bool PathMap::WorldToCell(const Vec3&, CellRef*, float) const { return false; }

// The scenario fills this with its path map.
PathMap* ScenarioPathMap() { return nullptr; }
