// Match operations still waiting for later work go here; none is left at present.
#include "fighters/match.h"
