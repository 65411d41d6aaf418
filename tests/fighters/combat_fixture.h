// The combat tests' fighters: the effect table's lifetimes, screen flashes counted, bones placed,
// and the model's world matrix brought up to date as a rendered frame would.
#pragma once

#include <vector>

#include "animation_fixture.h"
#include "core/frame_stats.h"
#include "world/scenario_calls.h"

namespace fightertest {

using testsupport::KitEffectSlot;

inline int& Flashes() {
    static int flashes = 0;
    return flashes;
}

class CombatTest : public AnimationTest {
protected:
    void SetUp() override {
        AnimationTest::SetUp();
        Flashes() = 0;
        g_EffectCalls.typeLifetime = [](int32_t type) -> int32_t {
            return type == 9 || type == 15 || type == 43 ? 1200 : type == 14 || type == 71 ? 600 : -1;
        };
        g_ScenarioCalls.newFlash = [](uint32_t, uint32_t, uint32_t, uint32_t) -> PositionedObject* {
            ++Flashes();
            return nullptr;
        };
    }
    void TearDown() override {
        ResetScenarioCalls();
        AnimationTest::TearDown();
    }

    // The effects made so far, in order, all or of one type.
    static std::vector<KitEffectSlot> Made(int32_t type = -1) {
        std::vector<KitEffectSlot> out;
        for (int32_t s : Recorder().created)
            if (type < 0 || Recorder().effects[s].type == type) out.push_back(Recorder().effects[s]);
        return out;
    }
    static std::vector<std::vector<uint8_t>> EventsOfType(uint8_t type) {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& e : Recorder().events)
            if (!e.empty() && e[0] == type) out.push_back(e);
        return out;
    }
    // The world matrix as the frame's posing leaves it, and the bones posed anew.
    static void Pose(Character& c) {
        ++g_FrameStats.frameCounter;
        c.model->UpdatePose(false);
    }
    // A bone put at an offset from the upper body, which stands one unit above the model.
    static void PlaceBone(Character& c, int bone, const Vec3& offset) {
        c.model->bones[size_t(bone)]->restParts.translation = offset;
        Pose(c);
    }
};

inline void ExpectNear(const Vec3& got, const Vec3& want, float tolerance = 1e-4f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

}  // namespace fightertest
