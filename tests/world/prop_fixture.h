// The prop tests' set-up: the fighters' fixture (arena, recorders, clock), the four prop templates
// and the prop calls into the fighters recorded; every prop freed before the scene goes.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "render/geometry.h"
#include "support/ball_arena.h"
#include "support/fighter_fixture.h"
#include "world/dynamic_mesh.h"
#include "world/dynamic_object.h"

namespace proptest {

struct RecordedHit {
    Character* victim;
    float amount;      // health change, or the hit's damage value
    Vec3 point;
    int reaction;
    int heavy;
    Character* attacker;
};

struct PropCallRecorder {
    std::vector<RecordedHit> healthChanges;
    std::vector<RecordedHit> hits;
    std::vector<const Character*> immune;
};
inline PropCallRecorder& Calls() {
    static PropCallRecorder r;
    return r;
}

class PropTest : public fightertest::FighterTest {
protected:
    void SetUp() override {
        fightertest::FighterTest::SetUp();
        testsupport::InstallPropTemplates();
        Calls() = PropCallRecorder();
        PropFighterCalls& p = g_PropFighterCalls;
        // The body as the fighters will give it: an upright cylinder of radius 0.5 and height 1.5.
        p.intersectRay = [](Character* c, const Ray& ray, float length, Vec3* point, Vec3* normal) {
            Vec3 at{}, n{};
            if (!RayCylinderIntersect(ray, Cylinder{c->position, 1.5f, 0.5f}, &at, &n)) return false;
            if (!(Vec3Length(Vec3Sub(at, ray.origin)) < length)) return false;
            *point = at;
            *normal = n;
            return true;
        };
        p.isImmune = [](const Character* c) {
            for (const Character* i : Calls().immune)
                if (i == c) return true;
            return false;
        };
        p.changeHealth = [](Character* c, float amount, Character* attacker) {
            Calls().healthChanges.push_back({c, amount, {}, 0, 0, attacker});
        };
        p.applyHit = [](Character* c, float damage, const Vec3& point, int reaction, int heavy, Character* attacker) {
            Calls().hits.push_back({c, damage, point, reaction, heavy, attacker});
        };
    }
    void TearDown() override {
        ResetDynamicObjects();
        ResetPropFighterCalls();
        fightertest::FighterTest::TearDown();
    }

    // A ball spawned at the point (placed on the ground under it), then set where wanted.
    static DynamicObject& Ball(uint32_t type, const Vec3& at, uint32_t state, const Vec3& velocity) {
        const int slot = SpawnDynamicObject(-1, int(PROP_KIND_BALL), int(type), at, nullptr);
        EXPECT_GE(slot, 0);
        DynamicObject& ball = g_Balls[slot < 0 ? 0 : slot];
        ball.SetPosition(at);
        ball.state = state;
        ball.SetVelocity(velocity);
        return ball;
    }
    // Events of one type from the recorder.
    static std::vector<std::vector<uint8_t>> EventsOfType(uint8_t type) {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& e : testsupport::Recorder().events)
            if (!e.empty() && e[0] == type) out.push_back(e);
        return out;
    }
};

}  // namespace proptest
