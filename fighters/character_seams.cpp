// The fighter rules that later work fills in. Each does nothing yet, and those with a result
// answer the way "not done" reads to their callers.
#include "fighters/character.h"

// The computer-controlled behaviour and its perception fill these.

// Springs, portals and item pickups fill these.
void Character::CollectItems() {}
void Character::UpdateScenarioZones() {}
