#include "fighters/character.h"

Character g_Characters[MAX_CHARACTERS];
int32_t g_ModelQuality = 0;

// The fighter records fill these: health, respawn, scene attachment, freezing and levels.
void Character::ChangeHealth(int, Character*) {}
void Character::Respawn() {}
void Character::AttachToScene() {}
void Character::DetachFromScene() {}
void Character::StartFreeze(int, int) {}
void Character::StopFreeze(int) {}
void Character::SetLevel(int, int, int) {}
// The fighter's model code fills this: detail level by camera distance.
void Character::SelectLevelOfDetail() {}
void Character::SelectDefaultPower() {}
void Character::SetAnimation(int, int, int, int) {}
// The fighters fill these: models, release and the local spawn.
void LoadSkeletons(int) {}
void FreeSkeletons() {}
void SpawnLocalPlayer() {}
