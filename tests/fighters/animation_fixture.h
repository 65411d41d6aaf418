// The animation tests' fighter: side 0 or 1 on the floor, its animations driven by whole-body
// plays and by the scene's step of every controller.
#pragma once

#include <cmath>

#include "fighters/animation_control.h"
#include "scene/anim_controller.h"
#include "scene/bone.h"
#include "support/fighter_fixture.h"

namespace fightertest {

class AnimationTest : public FighterTest {
protected:
    Character& Fighter(int side = 0) { return Spawned(0, side, Vec3{4.5f, 0, 4.5f}); }

    // Plays the animation whatever the rules say.
    static void Force(Character& c, int animation, int layer = 0) {
        ASSERT_TRUE(c.SetAnimation(animation, 0, 0, layer)) << animation;
    }
    // Steps the animations until the whole body's has just completed a cycle.
    static void ToWrap(const Character& c) {
        const int frames = datakit::KitAnimationLength(c.currentAnimation);
        Advance(int(std::ceil(float(frames) * 1000.0f / 30.0f)));
        ASSERT_TRUE(c.model->HasAnimationWrapped(0));
    }
    // The last advance crossed the frame: the bone stood half a frame before it.
    static void Cross(Character& c, float frame, int bone = 0) {
        c.model->SetAnimationFrame(bone, frame < 0.5f ? 0.0f : frame - 0.5f, true);
        Advance(33);
    }
    static AnimController& Controller(const Character& c, int bone) {
        return *c.model->bones[size_t(bone)]->controller;
    }
    static bool Locked(const Character& c, int bone) { return c.model->bones[size_t(bone)]->locked != 0; }
    static std::vector<int> SoundIds() {
        std::vector<int> ids;
        for (const testsupport::RecordedSound& s : Recorder().sounds) ids.push_back(s.id);
        return ids;
    }
};

}  // namespace fightertest
