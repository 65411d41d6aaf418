// The first thing a ray meets among everything solid in a match: the static scene with its
// collidable objects, the fighters and the balls.
#include "world/scenario.h"

#include <cmath>

#include "fighters/character.h"
#include "render/geometry.h"
#include "scene/scene.h"
#include "world/dynamic_object.h"
#include "world/scenario_calls.h"

namespace {

constexpr uint32_t kWaterOrLava = 2 | 4;

// The nearest hit so far; a later one must be strictly nearer.
struct NearestHit {
    Vec3 origin;
    float maxLength;
    Vec3* normalOut;
    bool found = false;
    float distance = 0.0f;
    Vec3 point{};

    bool Take(const Vec3& p, const Vec3& n) {
        const float d = Vec3Length(Vec3Sub(p, origin));
        if (!(d <= maxLength) || (found && !(d < distance))) return false;
        found = true;
        distance = d;
        point = p;
        if (normalOut) *normalOut = n;
        return true;
    }
};

}  // namespace

bool Scenario::RayQuery(const Ray& ray, float maxLength, Vec3* hitPoint, Vec3* hitNormal, uint32_t surfaceMask,
                        Character** hitCharacter, DynamicObject** hitProp, Character* ignore, uint8_t* special) {
    if (hitPoint) *hitPoint = Vec3{};
    if (hitNormal) *hitNormal = Vec3{};
    if (hitCharacter) *hitCharacter = nullptr;
    if (hitProp) *hitProp = nullptr;
    if (special) *special = 0;
    const float length = Vec3Length(ray.direction);
    // A ray without a direction points at nothing.
    if (!(length >= 1e-6f) || !std::isfinite(length)) return false;
    const Ray unit{Vec3Scale(ray.direction, 1.0f / length), ray.origin};
    const ScenarioCalls& call = g_ScenarioCalls;
    NearestHit best{unit.origin, maxLength, hitNormal};
    Vec3 point{}, normal{};

    Ray probe = unit;
    uint16_t surface = 0;
    if (g_Scene.RayQuery(&probe, maxLength, &point, &normal, &surface, surfaceMask) && best.Take(point, normal)) {
        if (special && (surface & kWaterOrLava)) *special = 1;
    }

    for (Character& c : g_Characters) {
        if (!c.active || &c == ignore) continue;
        if (call.characterIntersectRay(&c, unit, maxLength, &point, &normal) && best.Take(point, normal)) {
            if (hitCharacter) *hitCharacter = &c;
        }
    }

    for (int slot = 0; slot < PROP_BALL_COUNT; ++slot) {
        DynamicObject* prop = call.ballInUse(slot);
        if (!prop || !call.propIntersectRay(prop, unit, maxLength, &point, &normal) || !best.Take(point, normal))
            continue;
        if (hitProp) *hitProp = prop;
        if (hitCharacter) *hitCharacter = nullptr;
    }

    if (best.found && hitPoint) *hitPoint = best.point;
    return best.found;
}

bool Scenario::RayQuery(const Vec3& origin, const Vec3& direction, float length, Vec3* hit, uint32_t typeMask,
                        Character** character, Character* excluded) {
    return RayQuery(Ray{direction, origin}, length, hit, nullptr, typeMask, character, nullptr, excluded, nullptr);
}
