#include "world/dynamic_object.h"

// The physics props fill these.
void DynamicObject::Despawn() {}
void LoadDynamicObjectModels() {}
void FreeDynamicObjects() {}
