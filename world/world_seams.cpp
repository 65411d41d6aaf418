#include "world/world_seams.h"

// The element map fills this; until then no start is placed.
bool FindPlacedCharacter(int, int, Vec3*, float*) { return false; }
