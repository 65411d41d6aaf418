#include "world/path_map.h"

// The path-map builder fills this: the grid from the collision meshes, its sectors, jump links
// and reachability. Until then no map is built.
bool PathMap::Build() { return false; }
