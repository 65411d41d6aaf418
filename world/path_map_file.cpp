#include "world/path_map.h"

// The path-map file fills this: the stored map, or the builder's when none is stored.
bool PathMap::LoadOrBuild() { return false; }

// The path-map builder fills this.
bool PathMap::Build() { return false; }
