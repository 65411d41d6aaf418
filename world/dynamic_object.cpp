#include "world/dynamic_object.h"

// The physics props fill these.
void DynamicObject::Despawn() {}
void LoadDynamicObjectModels() {}
void FreeDynamicObjects() {}
void UpdateDynamicObjects() {}
// Until the props land no ball is ever hit or in use.
bool DynamicObject::IntersectRay(const Ray&, float, Vec3*, Vec3*) { return false; }
DynamicObject* BallInUse(int) { return nullptr; }
