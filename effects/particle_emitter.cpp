#include "effects/particle_emitter.h"

ParticleEmitter::ParticleEmitter() = default;
ParticleEmitter::~ParticleEmitter() = default;

// The effects subsystem fills these: spawning, moving and drawing the particles.
void ParticleEmitter::Setup(const EmitterRecordA&, const EmitterRecordB&, int, int) {}
void ParticleEmitter::MoveTo(float, float, float) {}
