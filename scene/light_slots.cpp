#include "scene/light_slots.h"

// The light slots fill this.
void LightSlots::DisableAll() {}
