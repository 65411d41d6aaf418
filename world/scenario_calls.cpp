#include "world/scenario_calls.h"

#include "common/random.h"
#include "effects/ambient_effects.h"
#include "effects/rain_emitter.h"
#include "effects/sprite_mover.h"
#include "fighters/character.h"
#include "frontend/flash_effect.h"
#include "world/dynamic_object.h"
#include "world/item.h"

namespace {

PositionedObject* NewSpriteMover(const SpriteMoverTemplate& from) {
    auto* sprite = new SpriteMover();
    if (!sprite->Init(&from, REMOVE_WHEN_FINISHED)) {
        delete sprite;
        return nullptr;
    }
    return sprite;
}

ScenarioCalls OwnCalls() {
    ScenarioCalls c;
    c.random = Random;
    c.rainInit = [](RainEmitter* rain, const Vec3& boxMax, const Vec3& boxMin, int32_t rate,
                    const RainDropParameters& drops, uint32_t flags) { rain->Init(boxMax, boxMin, rate, drops, flags); };
    c.rainUpdate = [](RainEmitter* rain, uint32_t ms) { return rain->Update(ms); };
    c.rainSetFloor = [](RainEmitter* rain, float height) { rain->SetFloor(height); };
    c.rainSetPosition = [](RainEmitter* rain, const Vec3& p) { rain->SetPosition(p); };
    c.rainMoveTo = [](RainEmitter* rain, const Vec3& p) { rain->MoveTo(p); };
    c.newRipple = NewSpriteMover;
    c.newGlowMotes = NewGlowMotes;
    c.newBubble = NewBubble;
    c.newFlash = NewFlashEffect;
    c.updateDynamicObjects = UpdateDynamicObjects;
    c.updateAllItems = UpdateAllItems;
    c.characterIntersectRay = [](Character* c, const Ray& ray, float length, Vec3* point, Vec3* normal) {
        return c->IntersectRay(ray, length, point, normal);
    };
    c.ballInUse = BallInUse;
    c.propIntersectRay = [](DynamicObject* prop, const Ray& ray, float length, Vec3* point, Vec3* normal) {
        return prop->IntersectRay(ray, length, point, normal);
    };
    return c;
}

}  // namespace

ScenarioCalls g_ScenarioCalls = OwnCalls();

void ResetScenarioCalls() { g_ScenarioCalls = OwnCalls(); }
