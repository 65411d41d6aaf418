// Small questions about a fighter that the animation, guard and facing rules share.
#pragma once

#include <cstddef>

#include "fighters/character.h"
#include "scene/character_model.h"

class Bone;

inline bool IsFrozen(const Character& c) { return c.states[STATE_FREEZE].active != 0; }

// Frozen, knocked down, dead or without health: it can neither turn nor guard.
inline bool IsHelpless(const Character& c) {
    return IsFrozen(c) || c.knockedDown || c.dead || c.health <= 0.0f;
}

// The bone of the fighter's model, null when the model has no such bone.
inline Bone* ModelBone(const Character& c, int index) {
    if (!c.model || index < 0 || index >= int(c.model->boneCount) || size_t(index) >= c.model->bones.size())
        return nullptr;
    return c.model->bones[size_t(index)];
}
