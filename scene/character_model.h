#pragma once

// A skeletal character model. Only what the shell reaches so far.
class CharacterModel {
public:
    // Draws the skeleton as lines (character viewer).
    void DrawBones();
    // The animation a bone plays (-1 for none), its current frame and its frame count.
    void GetAnimationInfo(int bone, int* animation, float* frame, int* frameCount) const;
};
