// The effect pool's tests: the effects' scene on the recording device, the match clock at 0, an
// empty pool with recipes the test gives, fighters and props that stand where the test puts them,
// and the explosion's damage and pushes recorded instead of applied.
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

struct BlastRecord {
    void* what;
    Vec3 direction;   // toward the blast; zero for fighters
    float amount;
};

class EffectPoolTest : public EffectDeviceTest {
protected:
    static std::vector<BlastRecord>& Blasts() {
        static std::vector<BlastRecord> blasts;
        return blasts;
    }
    void SetUp() override {
        EffectDeviceTest::SetUp();
        ResetEffectPool();
        SeedRandom(1);
        Blasts().clear();
        g_EffectHitCalls.damageCharacter = [](EffectSlot&, Character* c, const Vec3&, float damage) {
            Blasts().push_back({c, {}, damage});
            return true;
        };
        g_EffectHitCalls.pushProp = [](EffectSlot&, DynamicObject* p, const Vec3& d, float force) {
            Blasts().push_back({p, d, force});
            return true;
        };
    }
    void TearDown() override {
        ResetEffectPool();
        ResetDynamicObjects();
        ResetCharacters();
        EffectDeviceTest::TearDown();
    }
    static void UseRecipes(std::span<const EffectRecipe> recipes) { g_EffectRecipes = recipes; }
    static int32_t Make(const EffectRequest& r) {
        return CreateEffect(r.slot, r.type, r.position, r.aimPoint, r.velocity, r.acceleration, r.direction,
                            r.durationMs, r.scale, r.colour, r.owner);
    }
    static EffectGroup& GroupOf(int32_t slot) { return *g_EffectSlots[slot].group; }
    template <typename T>
    static T* Child(int32_t slot, uint32_t place) {
        EffectGroup& g = GroupOf(slot);
        return place < g.childCount ? dynamic_cast<T*>(g.children[place]) : nullptr;
    }
    static Character& Fighter(int i, const Vec3& at) {
        Character& c = g_Characters[i];
        c.active = 1;
        c.position = at;
        c.power = 1.0f;
        return c;
    }
    // A prop of the first pool in use, its mesh in the scene's list that despawning deletes from.
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
