#include "datakit/fighter_skeleton.h"

#include <cstdio>

namespace datakit {

// One row per range of ids; lengths run past the frames the rules test (hits up to frame 29,
// throws at 27, the level-up glow from frame 40 on, idle sound cues up to frame 146).
const KitAnimationRange KIT_ANIMATIONS[] = {
    {0, 3, 30, 0.0f},       // standing and turning
    {4, 19, 150, 0.0f},     // idle variations, long enough for their sound cues
    {20, 20, 20, 0.1f},     // walks and runs
    {21, 21, 20, 0.3f},
    {22, 24, 20, 0.1f},
    {30, 43, 30, 0.0f},     // jumps, falls, landings, guard pose
    {50, 56, 35, 0.0f},     // attacks in place
    {57, 57, 35, 0.04f},    // two lunges, which reach an opponent kept at arm's length
    {58, 58, 35, 0.0f},
    {59, 59, 35, 0.04f},
    {60, 79, 35, 0.0f},
    {80, 104, 35, 0.0f},
    {105, 114, 30, 0.0f},   // taunts
    {115, 129, 20, 0.0f},   // hit reactions, 124 lying
    {130, 137, 30, 0.0f},   // knock-downs and deaths, 134 lying
    {140, 149, 20, 0.0f},   // defences
    {150, 152, 35, 0.0f},   // throws
    {155, 159, 20, 0.0f},
    {170, 189, 30, 0.0f},   // casts
    {190, 194, 45, 0.0f},   // spawn and rise
    {195, 195, 60, 0.0f},   // level change
};
const size_t KIT_ANIMATION_RANGE_COUNT = sizeof KIT_ANIMATIONS / sizeof KIT_ANIMATIONS[0];

int32_t KitAnimationLength(int32_t id) {
    for (const KitAnimationRange& r : KIT_ANIMATIONS)
        if (id >= r.first && id <= r.last) return r.frames;
    return -1;
}

Y3DBone KitSkeleton() {
    auto bone = [](int index) {
        Y3DBone b;
        char name[16];
        std::snprintf(name, sizeof name, "bone%03d", index);
        b.name = name;
        return b;
    };
    const Mat4 upper = Mat4Translation(0.0f, KIT_UPPER_BODY_HEIGHT, 0.0f);
    // Depth first: the root, three leg bones, the upper body with the head (7-50 below it) and
    // every further bone.
    Y3DBone head = bone(6);
    head.world = upper;
    for (int i = 7; i <= 50; ++i) {
        head.children.push_back(bone(i));
        head.children.back().world = upper;
    }
    Y3DBone body = bone(KIT_UPPER_BODY_BONE);
    body.parts.translation = {0.0f, KIT_UPPER_BODY_HEIGHT, 0.0f};
    body.world = upper;
    body.children.push_back(bone(5));
    body.children.back().world = upper;
    body.children.push_back(head);
    for (int i = 51; i < KIT_BONE_COUNT; ++i) {
        body.children.push_back(bone(i));
        body.children.back().world = upper;
    }
    Y3DBone root = bone(0);
    for (int i = 1; i <= 3; ++i) root.children.push_back(bone(i));
    root.children.push_back(body);
    return root;
}

}  // namespace datakit
