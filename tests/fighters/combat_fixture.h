// The combat tests' fighters: every value each effect was made with (on top of the kit's pool),
// the effect types' lifetimes as the effect table has them, hands placed on the casting bones, and
// the model's world matrix brought up to date as a rendered frame would.
#pragma once

#include <cstdint>
#include <vector>

#include "animation_fixture.h"
#include "core/frame_stats.h"
#include "effects/effect_slots.h"

namespace fightertest {

struct MadeEffect {
    int32_t slot, type;
    Vec3 start, second, velocity, fourth, fifth;
    int32_t durationMs;
    float scale;
    uint32_t colour;
    Character* owner;
};

inline std::vector<MadeEffect>& Made() {
    static std::vector<MadeEffect> made;
    return made;
}

class CombatTest : public AnimationTest {
protected:
    void SetUp() override {
        AnimationTest::SetUp();
        Made().clear();
        KitCreate() = g_EffectCalls.create;
        g_EffectCalls.create = [](int32_t slot, int32_t type, const Vec3& a, const Vec3& b, const Vec3& v,
                                  const Vec3& d, const Vec3& e, int32_t ms, float scale, uint32_t colour,
                                  Character* owner) {
            const int32_t made = KitCreate()(slot, type, a, b, v, d, e, ms, scale, colour, owner);
            Made().push_back(MadeEffect{made, type, a, b, v, d, e, ms, scale, colour, owner});
            return made;
        };
        // The rows of the effect table for the types the fighters make with their own lifetime.
        g_EffectCalls.typeLifetime = [](int32_t type) -> int32_t {
            switch (type) {
            case 2: case 4: case 5: case 7: case 9: case 12: case 15: case 17: case 43: case 44: return 1200;
            case 6: case 11: case 14: case 16: case 71: case 73: return 600;
            default: return -1;
            }
        };
    }

    static std::vector<MadeEffect> MadeOfType(int32_t type) {
        std::vector<MadeEffect> out;
        for (const MadeEffect& m : Made())
            if (m.type == type) out.push_back(m);
        return out;
    }
    // Every slot of the pool taken.
    static void FillEffectPool() {
        for (testsupport::KitEffectSlot& e : Recorder().effects) e.active = true;
    }
    // The model's world matrix as the frame's posing leaves it, and new bone poses.
    static void Pose(Character& c) {
        ++g_FrameStats.frameCounter;
        c.model->UpdatePose(false);
    }
    // A bone placed at an offset from its parent, the upper body (one unit above the feet).
    static void PlaceBone(Character& c, int bone, const Vec3& offset) {
        c.model->bones[size_t(bone)]->restParts.translation = offset;
        Pose(c);
    }
    static std::vector<std::vector<uint8_t>> EventsOfType(uint8_t type) {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& e : Recorder().events)
            if (!e.empty() && e[0] == type) out.push_back(e);
        return out;
    }

private:
    using CreateCall = decltype(EffectCalls::create);
    static CreateCall& KitCreate() {
        static CreateCall create = nullptr;
        return create;
    }
};

inline void ExpectNear(const Vec3& got, const Vec3& want, float tolerance = 1e-4f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

}  // namespace fightertest
