// Recording stand-ins for what the scenario's ambience makes and moves: the rain emitter's
// operations, ripple sprites, glow motes, lava bubbles and flashes. Each keeps the values the
// scenario passed, so that its tests (and the effect classes' own) can check them. The random
// generator is scripted through the same table.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

#include "common/math.h"
#include "effects/ambient_effects.h"
#include "effects/effect_list.h"
#include "effects/positioned_object.h"
#include "effects/rain_emitter.h"
#include "effects/sprite_mover.h"
#include "scene/scene.h"

namespace testsupport {

class RippleStandIn : public PositionedObject {
public:
    SpriteMoverTemplate made{};
};

class GlowMotesStandIn : public PositionedObject {
public:
    GlowMoteParams params{};
    uint32_t setupValue = 0;
};

class BubbleStandIn : public PositionedObject {
public:
    Vec3 at{};
};

class FlashStandIn : public PositionedObject {
public:
    uint32_t durationMs = 0, riseMs = 0, colour = 0, flags = 0;
};

struct RainPlacement {
    Vec3 centre;
    bool moved;     // MoveTo (drops along); SetPosition otherwise
};

struct AmbienceRecorder {
    // The rain emitter's Init, in full.
    bool rainInitialised = false;
    Vec3 rainBoxMax{}, rainBoxMin{};
    int32_t rainRate = 0;
    RainDropParameters rainDrops{};
    uint32_t rainFlags = 0;
    std::vector<uint32_t> rainAdvances;
    std::vector<float> rainFloors;
    std::vector<RainPlacement> rainPlacements;

    // Scripted 15-bit values, one per draw; a draw past the script gives 0 and is counted.
    std::deque<int> randoms;
    int drawsPastScript = 0;

    int propUpdates = 0;
    int itemUpdates = 0;

    void Clear() { *this = AmbienceRecorder(); }
    void Script(std::initializer_list<int> values) { randoms.insert(randoms.end(), values); }
};
AmbienceRecorder& Ambience();

// Points the scenario's random generator, rain, effect makers and prop and item updates at the
// recorder, and back.
void InstallAmbienceStandIns();
void RemoveAmbienceStandIns();

// The members of the scene's effect list that are of the type, in list order.
template <typename T>
std::vector<T*> SceneEffectsOf() {
    std::vector<T*> out;
    if (!g_Scene.effects) return out;
    for (EffectListNode* n = g_Scene.effects->Head(); n; n = n->next)
        if (T* t = dynamic_cast<T*>(n->item)) out.push_back(t);
    return out;
}

}  // namespace testsupport
