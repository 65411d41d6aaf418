// The physics props. Only what the scenario and the path map call so far.
#pragma once

struct Ray;
struct Vec3;

// Records of the first prop pool: the balls.
constexpr int DYNAMIC_BALL_COUNT = 80;

class DynamicObject {
public:
    // Takes the prop out of the world and frees its record.
    void Despawn();
    // A ball's sphere against the ray, the hit nearer than the length; false for boxes.
    bool IntersectRay(const Ray& ray, float length, Vec3* point, Vec3* normal);
};

// The four prop templates of the loaded scenario, and their release with every prop.
void LoadDynamicObjectModels();
void FreeDynamicObjects();
// Every frame: the balls' physics and, on a host, their synchronisation.
void UpdateDynamicObjects();
// The ball record of a slot while it is in use; null when free or outside the pool.
DynamicObject* BallInUse(int slot);
