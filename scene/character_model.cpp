#include "scene/character_model.h"

// The character model fills these.
void CharacterModel::DrawBones() {}
void CharacterModel::GetAnimationInfo(int, int* animation, float* frame, int* frameCount) const {
    *animation = -1;
    *frame = 0.0f;
    *frameCount = 0;
}
