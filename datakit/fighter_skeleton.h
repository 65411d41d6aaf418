// Both sides' skeleton as the fighter tests and the demo data build it, and the animation ids
// with their lengths.
#pragma once

#include <cstddef>
#include <cstdint>

#include "datakit/y3d_builder.h"

namespace datakit {

// The skeleton has bones 0 to KIT_BONE_COUNT - 1: 0 the root, 4 the upper body one unit above
// it, 6 the head whose subtree holds the fine detail bones 7-50, the rest leaves.
constexpr int KIT_BONE_COUNT = 125;
constexpr int KIT_UPPER_BODY_BONE = 4;
constexpr float KIT_UPPER_BODY_HEIGHT = 1.0f;
constexpr int KIT_ANIMATION_GROUP = 0;
Y3DBone KitSkeleton();

// Animations by ranges of ids, each with its length in frames (past every frame a rule tests)
// and how far its root moves along +z per frame.
struct KitAnimationRange {
    int32_t first, last;
    uint16_t frames;
    float stride;
};
extern const KitAnimationRange KIT_ANIMATIONS[];
extern const size_t KIT_ANIMATION_RANGE_COUNT;
// The length of an animation of the kit, -1 when it has none.
int32_t KitAnimationLength(int32_t id);

}  // namespace datakit
