#include "fighters/character.h"

Character g_Characters[MAX_CHARACTERS];
int32_t g_ModelQuality = 0;

// The fighter records fill these: health, respawn, scene attachment, freezing and levels.
void Character::ChangeHealth(int, Character*) {}
void Character::Respawn() {}
void Character::Despawn() {}
void Character::AttachToScene() {}
void Character::DetachFromScene() {}
void Character::StartFreeze(int, int) {}
void Character::StopFreeze(int) {}
void Character::SetLevel(int, int, int) {}
// The fighter's model code fills this: detail level by camera distance.
void Character::SelectLevelOfDetail() {}
void Character::SelectDefaultPower() {}
void Character::SetAnimation(int, int, int, int) {}
// The fighter's animation, movement and combat code fills these.
void Character::SetAnimationTime(float, int) {}
void Character::Turn(float) {}
void Character::SetPosition(const Vec3&) {}
void Character::Update(int) {}
bool Character::HasLineOfSight(Character*) { return false; }
float Character::DistanceTo(const Character* other) const {
    return other ? Vec3Length(Vec3Sub(other->position, position)) : 0.0f;
}
uint32_t Character::MaxGuardTime() { return 0; }
void Character::StartGuard() {}
bool Character::FindIncomingEffect(Vec3*) { return false; }
bool Character::WillBeHitBy(Character*) { return false; }
// The powers fill these.
bool Character::CanUsePower(int) { return false; }
void Character::StartPower(int) {}
// The fighter's model code fills these.
float Character::ModelYaw() const { return 0.0f; }
void Character::TurnModel(float) {}
void Character::SetModelAlpha(int) {}
bool Character::AnimationWrapped(int) const { return false; }
// The fighters fill these: models, release and the local spawn.
void LoadSkeletons(int) {}
void FreeSkeletons() {}
void SpawnLocalPlayer() {}
