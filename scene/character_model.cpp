#include "scene/character_model.h"

// The character model fills these.
void CharacterModel::DrawBones() {}
void CharacterModel::GetAnimationInfo(int, int* animation, float* frame, int* frameCount) const {
    *animation = -1;
    *frame = 0.0f;
    *frameCount = 0;
}

// The character model's animation API fills these.
bool CharacterModel::PlayAnimation(int, int, uint32_t, float, bool) { return false; }
int CharacterModel::GetAnimationIndex(int) const { return -1; }
bool CharacterModel::AnimationPassedFrame(int, float) const { return false; }
void CharacterModel::ToggleAnimationAdvance() {}
