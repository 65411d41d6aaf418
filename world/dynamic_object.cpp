#include "world/dynamic_object.h"

DynamicObject g_Balls[PROP_BALL_COUNT];

// The physics props fill these.
void DynamicObject::Despawn() {}
void DynamicObject::SetVelocity(float, float, float) {}
void LoadDynamicObjectModels() {}
void FreeDynamicObjects() {}

void ResetDynamicObjects() {
    for (DynamicObject& b : g_Balls) b = DynamicObject();
}
