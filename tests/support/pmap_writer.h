// Writes path-map files ("QTX BRMV PMAP v1.2") for tests, each field put at its offset in the
// record as the format lays it out, independently of the game's own writer.
#pragma once

#include <cstdint>
#include <vector>

#include "world/path_map.h"

namespace testsupport {

// The file of a map. With `junk`, every run-time field, mark and padding byte holds 0xA5, as a
// file written by a program with occupants on its map would.
std::vector<uint8_t> PmapBytes(const PathMap& map, bool junk = false);

// Offsets of the records in a file of the map, for tests that damage one field.
size_t PmapCellOffset(const PathMap& map, int32_t x, int32_t z);
size_t PmapSectorOffset(const PathMap& map);

}  // namespace testsupport
