// The effect pool's tests: the effects' scene on the recording device, the match clock at 0, an
// empty pool with recipes the test gives, fighters and props put where the test wants them, and
// the explosion's damage and pushes recorded instead of applied.
#pragma once

#include <vector>

#include "common/random.h"
#include "effect_fixture.h"
#include "effects/effect_group.h"
#include "effects/effect_pool.h"
#include "effects/effect_recipe.h"
#include "scene/object_list.h"
#include "world/dynamic_mesh.h"

namespace efftest {

class EffectPoolTest : public EffectDeviceTest {
protected:
    // What the explosion hit, with the amount: fighters' damage, props' push.
    static std::vector<std::pair<void*, float>>& Blasts() {
        static std::vector<std::pair<void*, float>> blasts;
        return blasts;
    }
    void SetUp() override {
        EffectDeviceTest::SetUp();
        ResetEffectPool();
        SeedRandom(1);
        Blasts().clear();
        g_EffectHitCalls.damageCharacter = [](EffectSlot&, Character* c, const Vec3&, float damage) {
            Blasts().push_back({c, damage});
            return true;
        };
        g_EffectHitCalls.pushProp = [](EffectSlot&, DynamicObject* p, const Vec3&, float force) {
            Blasts().push_back({p, force});
            return true;
        };
    }
    void TearDown() override {
        ResetEffectPool();
        ResetDynamicObjects();
        ResetCharacters();
        EffectDeviceTest::TearDown();
    }
    static int32_t Make(const EffectRequest& r) {
        return CreateEffect(r.slot, r.type, r.position, r.aimPoint, r.velocity, r.acceleration, r.direction,
                            r.durationMs, r.scale, r.colour, r.owner);
    }
    static EffectGroup& GroupOf(int32_t slot) { return *g_EffectSlots[slot].group; }
    template <typename T>
    static T* Child(int32_t slot, uint32_t place) {
        return place < GroupOf(slot).childCount ? dynamic_cast<T*>(GroupOf(slot).children[place]) : nullptr;
    }
    static Character& Fighter(int i, const Vec3& at) {
        g_Characters[i].active = 1;
        g_Characters[i].position = at;
        g_Characters[i].power = 1.0f;
        return g_Characters[i];
    }
    // In use while it has a mesh, which the scene's list deletes when the prop is despawned.
    static DynamicObject& Prop(int i, const Vec3& at, float radius) {
        DynamicObject& p = g_Balls[i];
        p.mesh = new DynamicMesh();
        g_Scene.objects->Add(p.mesh);
        p.position = at;
        p.radius = radius;
        return p;
    }
};

}  // namespace efftest
