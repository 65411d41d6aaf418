// The calls the scenario's ambience and ray query make into the random generator, the rain
// emitter, the effect classes, the props, the items and the fighters, gathered so that tests can
// script and see them. Each entry starts at the owner's own function.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;
class DynamicObject;
class PositionedObject;
class RainEmitter;
struct GlowMoteParams;
struct RainDropParameters;
struct Ray;
struct SpriteMoverTemplate;

struct ScenarioCalls {
    // 0..RANDOM_MAX from the program's generator.
    int (*random)();

    void (*rainInit)(RainEmitter* rain, const Vec3& boxMax, const Vec3& boxMin, int32_t rate,
                     const RainDropParameters& drops, uint32_t flags);
    int (*rainUpdate)(RainEmitter* rain, uint32_t ms);
    void (*rainSetFloor)(RainEmitter* rain, float height);
    // Only the box moves; the drops stay where they are.
    void (*rainSetPosition)(RainEmitter* rain, const Vec3& centre);
    // The box and its falling drops move together.
    void (*rainMoveTo)(RainEmitter* rain, const Vec3& centre);

    // Effects for the scene's effect list; null when none was made.
    PositionedObject* (*newRipple)(const SpriteMoverTemplate& from);
    PositionedObject* (*newGlowMotes)(const GlowMoteParams& params, uint32_t setupValue);
    PositionedObject* (*newBubble)(const Vec3& at);
    PositionedObject* (*newFlash)(uint32_t durationMs, uint32_t riseMs, uint32_t colour, uint32_t flags);

    void (*updateDynamicObjects)();
    void (*updateAllItems)();

    bool (*characterIntersectRay)(Character* c, const Ray& ray, float length, Vec3* point, Vec3* normal);
    DynamicObject* (*ballInUse)(int slot);
    bool (*propIntersectRay)(DynamicObject* prop, const Ray& ray, float length, Vec3* point, Vec3* normal);
};
extern ScenarioCalls g_ScenarioCalls;
void ResetScenarioCalls();
