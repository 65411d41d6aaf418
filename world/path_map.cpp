#include "world/path_map.h"

// The path map fills this.
bool PathMap::WorldToCell(const Vec3&, CellRef*, float) const { return false; }

bool PathMap::IsValidCell(const CellRef&) const { return false; }
int PathMap::LayerCount(int, int) const { return 0; }
bool PathMap::IsExcluded(int, int) const { return true; }
bool PathMap::HasJump(const CellRef&) const { return false; }
bool PathMap::IsJumpLanding(const CellRef&) const { return false; }
bool PathMap::JumpTarget(const CellRef&, CellRef*) const { return false; }
int PathMap::SectorOf(const CellRef&) const { return -1; }
uint32_t PathMap::SectorColour(int) const { return 0; }
bool PathMap::SectorImpassable(int) const { return false; }
Vec3 PathMap::CellToWorld(const CellRef&) const { return Vec3{}; }
const PathLayer* PathMap::GetLayer(const CellRef&) const { return nullptr; }

// The scenario fills this with its path map.
PathMap* ScenarioPathMap() { return nullptr; }
