// The fighter rules that later work fills in. Each does nothing yet, and those with a result
// answer the way "not done" reads to their callers.
#include "fighters/character.h"

// The powers fill these.
void Character::ReleasePowerEffects() {}
void Character::ReleaseEffect() {}
void Character::UpdatePowers() {}

// The melee hits, idle variations and thrown props fill these.
void Character::MeleeHits() {}
void Character::UpdateIdleAnimation() {}
void Character::SpawnBodiesFromAnimation() {}
void Character::ApplyHit(float, const Vec3&, int, int, Character*) {}

// The computer-controlled behaviour and its perception fill these.
void Character::UpdatePerception() {}
void Character::AiUpdate() {}
bool Character::FindIncomingEffect(Vec3*) { return false; }
bool Character::WillBeHitBy(Character*) { return false; }
