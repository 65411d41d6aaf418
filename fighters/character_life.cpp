#include "fighters/character.h"

// The life cycle fills these.
bool Character::Spawn(int, uint32_t, int, int, float, float, float, const PlayerRecord*, SkinImageCache*) { return false; }
bool Character::Despawn() { return true; }
bool Character::AttachToScene() { return false; }
bool Character::DetachFromScene() { return false; }
void Character::SetPosition(float, float, float, bool) {}
void Character::Die() {}
void Character::Revive() {}
void Character::Respawn() {}
void Character::UpdateStates() {}
bool Character::Update(int) { return active != 0; }
void Character::UpdateGround(bool) {}
float Character::GroundHeight(float, float, float, Vec3*, Vec3*) { return -2000.0f; }
void Character::UpdateAnimationEnd() {}
void Character::UpdateLevelUpGlow() {}
void Character::SelectLevelOfDetail() {}
void SetUpdateStepObserver(UpdateStepObserver) {}
int SpawnCharacter(int, uint32_t, int, int, float, float, float, const PlayerRecord*, SkinImageCache*) { return -1; }
void LoadAllSkeletons(bool) {}
void LoadSkeletons(bool) {}
void FreeSkeletons() {}
void SpawnLocalPlayer() {}
