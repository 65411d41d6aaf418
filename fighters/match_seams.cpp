// The match operations that later work fills in. Each does nothing yet.
#include "fighters/match.h"
