// The fighter rules that later work fills in. Each does nothing yet, and those with a result
// answer the way "not done" reads to their callers.
#include "fighters/character.h"

// The meters and levels fill these.
void Character::ChangeHealth(float, Character*) {}
void Character::SetLevel(int, bool, bool) {}
void Character::SelectDefaultPower() {}
void Character::AddExperience(float, Character*) {}

// The timed states and body overlays fill these.
void Character::StartFreeze(int, int) {}
void Character::StopFreeze(int) {}
void Character::CancelStates() {}
bool Character::StartInvulnerability(int, int) { return false; }
bool Character::RemoveBodyOverlay(int) { return false; }
void Character::FlashSpawnOverlay(int, int, int, int) {}
void Character::FlashRiseOverlay(int, int, int, int) {}
uint32_t Character::MaxGuardTime() { return 0; }
// Until the timed states land no state changes the rate: every animation plays at 30.
float Character::AnimationRate() { return 30.0f; }

// Momentum, slopes, jumps and collisions fill these.
void Character::Land(bool) {}
void Character::UpdatePhysics() {}
void Character::UpdateJumpFlight() {}
void Character::MoveWithCollision(int) {}

// The powers fill these.
void Character::ReleasePowerEffects() {}
void Character::ReleaseEffect() {}
void Character::UpdatePowers() {}
bool Character::CanUsePower(int) { return false; }
void Character::StartPower(int) {}

// The melee hits, idle variations and thrown props fill these.
void Character::MeleeHits() {}
void Character::UpdateIdleAnimation() {}
void Character::SpawnBodiesFromAnimation() {}

// The computer-controlled behaviour and its perception fill these.
void Character::UpdatePerception() {}
void Character::AiUpdate() {}
bool Character::HasLineOfSight(Character*) { return false; }
bool Character::FindIncomingEffect(Vec3*) { return false; }
bool Character::WillBeHitBy(Character*) { return false; }

// Springs, portals and item pickups fill these.
void Character::CollectItems() {}
void Character::UpdateScenarioZones() {}
