#include "support/ambience_standins.h"

#include "world/scenario_calls.h"

namespace testsupport {

AmbienceRecorder& Ambience() {
    static AmbienceRecorder r;
    return r;
}

void InstallAmbienceStandIns() {
    ScenarioCalls& c = g_ScenarioCalls;
    c.random = [] {
        AmbienceRecorder& r = Ambience();
        if (r.randoms.empty()) {
            ++r.drawsPastScript;
            return 0;
        }
        const int v = r.randoms.front();
        r.randoms.pop_front();
        return v;
    };
    c.rainInit = [](RainEmitter*, const Vec3& boxMax, const Vec3& boxMin, int32_t rate, const RainDropParameters& drops,
                    uint32_t flags) {
        AmbienceRecorder& r = Ambience();
        r.rainInitialised = true;
        r.rainBoxMax = boxMax;
        r.rainBoxMin = boxMin;
        r.rainRate = rate;
        r.rainDrops = drops;
        r.rainFlags = flags;
    };
    c.rainUpdate = [](RainEmitter*, uint32_t ms) {
        Ambience().rainAdvances.push_back(ms);
        return 0;
    };
    c.rainSetFloor = [](RainEmitter*, float height) { Ambience().rainFloors.push_back(height); };
    // The emitter's box is moved as the real one moves it, so that its next distance reads true.
    c.rainSetPosition = [](RainEmitter* rain, const Vec3& p) {
        Ambience().rainPlacements.push_back({p, false});
        rain->SetPosition(p);
    };
    c.rainMoveTo = [](RainEmitter* rain, const Vec3& p) {
        Ambience().rainPlacements.push_back({p, true});
        rain->SetPosition(p);
    };
    c.newRipple = [](const SpriteMoverTemplate& from) -> PositionedObject* {
        auto* s = new RippleStandIn();
        s->made = from;
        return s;
    };
    c.newGlowMotes = [](const GlowMoteParams& params, uint32_t setupValue) -> PositionedObject* {
        auto* g = new GlowMotesStandIn();
        g->params = params;
        g->setupValue = setupValue;
        return g;
    };
    c.newBubble = [](const Vec3& at) -> PositionedObject* {
        auto* b = new BubbleStandIn();
        b->at = at;
        return b;
    };
    c.newFlash = [](uint32_t durationMs, uint32_t riseMs, uint32_t colour, uint32_t flags) -> PositionedObject* {
        auto* f = new FlashStandIn();
        f->durationMs = durationMs;
        f->riseMs = riseMs;
        f->colour = colour;
        f->flags = flags;
        return f;
    };
    c.updateDynamicObjects = [] { ++Ambience().propUpdates; };
    c.updateAllItems = [] { ++Ambience().itemUpdates; };
}

void RemoveAmbienceStandIns() { ResetScenarioCalls(); }

}  // namespace testsupport
