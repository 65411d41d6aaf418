#pragma once

#include <cstdint>

#include "common/math.h"

class Bone;

// A skeletal character model. Only what the shell reaches so far.
class CharacterModel {
public:
    // What the skeleton reads while posing (filled in by the model's loader and placement).
    int32_t animationGroup = -1;   // from the root bone's node header
    Mat4 poseMatrix = Mat4Identity();       // the root bone's parent world matrix
    Mat4 rotationMatrix = Mat4Identity();   // the root bone's parent orientation

    Bone* root = nullptr;          // the owned skeleton; null before it is loaded
    uint8_t lod = 0;               // detail level in use, 0 (finest) to 4
    Vec3 position{};               // the model's place in the world

    // Draws the skeleton as lines (character viewer).
    void DrawBones();
    // Starts an animation on bone i (and its subtree); false when the group lacks the
    // animation or the index is bad.
    bool PlayAnimation(int bone, int animation, uint32_t blendMs, float rate, bool recursive);
    // The animation bone i plays, -1 for a bad index.
    int GetAnimationIndex(int bone) const;
    // Whether the last advance of bone i crossed the frame, in either direction of play.
    bool AnimationPassedFrame(int bone, float frame) const;
    // The character viewer's switch: the model's animations stand still or run.
    void ToggleAnimationAdvance();
    // The animation a bone plays (-1 for none), its current frame and its frame count.
    void GetAnimationInfo(int bone, int* animation, float* frame, int* frameCount) const;
};
