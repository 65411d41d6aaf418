// Seeded random path maps for tests, fuzz seeds and benchmarks: uneven ground in half-unit
// steps, walls and scattered blocked cells, bridges of two layers with ramps up to them, jump
// links and portals. The same seed and options always give the same map.
#pragma once

#include <cstdint>
#include <vector>

#include "world/path_map.h"

namespace testsupport {

struct RandomMapOptions {
    int32_t cols = 64;
    int32_t rows = 64;
    int plateaus = 12;        // raised rectangles, half a unit each; two overlapping ones make a cliff
    int walls = 6;            // blocked strips
    int blockedPercent = 8;   // scattered blocked cells
    int bridges = 3;
    int jumps = 8;
    int portalPairs = 2;      // with any pair, one more portal that has no partner
};

// A portal on a cell; `partner` indexes the spot list (and so the portal records), -1 for none.
struct PortalSpot {
    CellRef cell;
    int32_t partner;
};

// Fills the map (freed first): layers, flags, sectors by the search's step rule with their counts,
// colours, isolation and reach rows (1 for the sector itself and for direct jump links), and the
// jump fields of both ends. Portal spots are only listed; InstallPortals places them.
void GenerateRandomMap(uint32_t seed, const RandomMapOptions& options, PathMap* map,
                       std::vector<PortalSpot>* portals);

// The portal records from the spots, in order, at their cells' centres, and the cells' layers
// pointing at them; every other record emptied.
void InstallPortals(PathMap* map, const std::vector<PortalSpot>& spots);

}  // namespace testsupport
