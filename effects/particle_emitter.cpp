#include "effects/particle_emitter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/random.h"
#include "effects/effect_draw.h"
#include "effects/effect_list.h"
#include "effects/random_range.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/render_queue.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

// The integer nearest to c, halves going toward zero.
int64_t NearestHalfTowardZero(float c) {
    return int64_t(c >= 0.0f ? std::ceil(c - 0.5f) : std::floor(c + 0.5f));
}

// u: a random value 0..1 in steps of 1/1000.
float Unit() { return RandomInRange(0.0f, 1.0f, 1000); }

// (cos phi sin theta, cos theta, sin phi sin theta) for a random phi around the circle and a
// random theta up to cone x pi: a direction within the cone around +Y.
Vec3 ConeDirection(float cone) {
    const float phi = Unit() * 2.0f * kPi;
    const float theta = Unit() * cone * kPi;
    return {CosF(phi) * SinF(theta), CosF(theta), SinF(phi) * SinF(theta)};
}

float RangeOrLow(float lo, float hi) {
    return std::fabs(lo - hi) < 0.0001f ? lo : RandomInRange(lo, hi, 1000);
}

float ScaledSize(float size, float scale) {
    return scale > 1.001f ? size * RandomInRange(1.0f, scale, 1000) : size;
}

// Each channel moved by up to its byte of the jitter, up or down, in the order red, green, blue,
// alpha; clamped to 0..255.
uint32_t JitteredColour(uint32_t colour, uint32_t jitter) {
    if (jitter == 0) return colour;
    static constexpr int kShifts[4] = {16, 8, 0, 24};
    for (int shift : kShifts) {
        const int32_t minus = Random() % 2 == 0;
        const int32_t amount = Random() % (int32_t((jitter >> shift) & 0xFF) + 1);
        const int32_t channel = std::clamp(int32_t((colour >> shift) & 0xFF) + (minus ? -amount : amount), 0, 255);
        colour = (colour & ~(0xFFu << shift)) | (uint32_t(channel) << shift);
    }
    return colour;
}

}  // namespace

Mat4 ConeFrame(const Vec3& d) {
    const float m[3] = {std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)};
    int smallest = 0;
    if (m[1] < m[smallest]) smallest = 1;
    if (m[2] < m[smallest]) smallest = 2;
    const float component = smallest == 0 ? d.x : smallest == 1 ? d.y : d.z;
    Vec3 e{0, 0, 0};
    const float sign = component < 0.0f ? -1.0f : 1.0f;
    if (smallest == 0) e.x = sign;
    if (smallest == 1) e.y = sign;
    if (smallest == 2) e.z = sign;
    const Vec3 a = Vec3Normalize(Vec3Cross(d, e));
    const Vec3 b = Vec3Normalize(Vec3Cross(d, a));
    // Rows b, d, a: local x, y, z go to b, d, a.
    Mat4 frame = Mat4Identity();
    const Vec3 rows[3] = {b, d, a};
    for (int r = 0; r < 3; ++r) {
        frame.m[r][0] = rows[r].x;
        frame.m[r][1] = rows[r].y;
        frame.m[r][2] = rows[r].z;
    }
    return frame;
}

ParticleEmitter::ParticleEmitter()
    : lifetime(0), elapsed(0), position{}, spawnRadius(0), boundsMax{}, boundsMin{}, previousPosition{},
      directionCone(0), accelCone(0), angleMin(0), angleMax(0), spinMin(0), spinMax(0), sizeScaleStart(0),
      sizeScaleMiddle(0), sizeScaleEnd(0), colourJitterStart(0), colourJitterMiddle(0), colourJitterEnd(0),
      facing{}, facingW(0), facingMatrix(Mat4Identity()), fadeNear(0), fadeFar(0), rate(0), lifetimeJitter(0),
      velocityDirection{}, speed(0), accelDirection{}, accel(0), coneFrame(Mat4Identity()), orbitCentre{},
      orbitAxis{}, orbitSpeed(0), orbitAccel(0), flags(0), particles(nullptr), particleTemplate{}, emitCarry(0),
      firstUpdatePending(0) {
    kind = KIND_PARTICLE_EMITTER;
    // Never set up: counts as finished.
    finished = 1;
}

ParticleEmitter::~ParticleEmitter() { ParticleEmitter::Release(); }

void ParticleEmitter::Release() {
    delete particles;
    particles = nullptr;
    finished = 1;
}

void ParticleEmitter::Setup(const EmitterParams& p, const SpriteMoverTemplate& particle, uint32_t removal,
                            uint32_t queueing) {
    lifetime = p.lifetime;
    position = p.position;
    previousPosition = p.position;
    spawnRadius = p.spawnRadius;
    boundsMax = p.boundsMax;
    boundsMin = p.boundsMin;
    directionCone = p.directionCone;
    accelCone = p.accelCone;
    angleMin = p.angleMin;
    angleMax = p.angleMax;
    spinMin = p.spinMin;
    spinMax = p.spinMax;
    sizeScaleStart = p.sizeScaleStart;
    sizeScaleMiddle = p.sizeScaleMiddle;
    sizeScaleEnd = p.sizeScaleEnd;
    colourJitterStart = p.colourJitterStart;
    colourJitterMiddle = p.colourJitterMiddle;
    colourJitterEnd = p.colourJitterEnd;
    facing = p.facing;
    facingW = p.facingW;
    fadeNear = p.fadeNear;
    fadeFar = p.fadeFar;
    rate = p.rate;
    lifetimeJitter = p.lifetimeJitter;
    velocityDirection = p.velocityDirection;
    speed = p.speed;
    accelDirection = p.accelDirection;
    accel = p.accel;
    orbitCentre = p.orbitCentre;
    orbitAxis = p.orbitAxis;
    orbitSpeed = p.orbitSpeed;
    orbitAccel = p.orbitAccel;
    flags = p.flags;
    elapsed = 0;
    finished = 0;
    removalFlags = removal;
    queueFlags = queueing;
    delete particles;
    particles = new EffectList;
    particleTemplate = particle;
    emitCarry = 0.0f;
    firstUpdatePending = 1;
    facingMatrix = (flags & EMITTER_FIXED_FACING) ? FacingFrame(facing) : Mat4Identity();
    coneFrame = std::fabs(directionCone) >= 0.0001f ? ConeFrame(particleTemplate.direction) : Mat4Identity();
}

void ParticleEmitter::SetupVariant(float fx, float fy, float fz, float fw) {
    facing = {fx, fy, fz};
    facingW = fw;
    facingMatrix = FacingFrame(facing);
}

void ParticleEmitter::GetPosition(Vec3* out) {
    if (out) *out = position;
}

float* ParticleEmitter::GetPositionPtr() { return &position.x; }

void ParticleEmitter::SetPosition(const Vec3& p) {
    if (flags & EMITTER_MOVE_PARTICLES) {
        MoveTo(p);
        return;
    }
    position = p;
    // Before the first update the first frame's particles must not streak from the old place.
    if (elapsed == 0) previousPosition = p;
}

void ParticleEmitter::MoveTo(const Vec3& p) {
    const Vec3 delta = Vec3Sub(p, position);
    position = p;
    previousPosition = p;
    if (!particles) return;
    for (EffectListNode* node = particles->Head(); node; node = node->next) {
        Vec3 at{};
        node->item->GetPosition(&at);
        node->item->SetPosition(Vec3Add(at, delta));
    }
}

int ParticleEmitter::Update(uint32_t dtMs) {
    const int removal = (removalFlags & REMOVE_WHEN_FINISHED) ? 1 : 0;
    if (finished) return removal;
    elapsed += dtMs;
    const bool empty = !particles || particles->Count() == 0;
    if (lifetime >= 0 && elapsed > uint32_t(lifetime) && empty) {
        finished = 1;
        return removal;
    }
    if (particles) particles->Update(dtMs);
    if (lifetime < 0 || elapsed < uint32_t(lifetime)) Emit(dtMs);
    // Consumed by the first update whether or not it emitted.
    firstUpdatePending = 0;
    previousPosition = position;
    return 0;
}

void ParticleEmitter::Emit(uint32_t dtMs) {
    const float t = float(dtMs) * 0.001f;

    const Vec3 v = Vec3Add(Vec3Scale(velocityDirection, speed), Vec3Scale(accelDirection, accel * t));
    speed = Vec3Length(v);
    if (speed > 0.0001f) velocityDirection = Vec3Scale(v, 1.0f / speed);
    position = Vec3Add(position, Vec3Scale(velocityDirection, speed * t));

    orbitSpeed += t * orbitAccel;
    const float turn = orbitSpeed * t;
    if (turn > 0.0001f) position = RotateAbout(position, orbitCentre, orbitAxis, turn);

    const float c = float(rate) * t + emitCarry;
    const int64_t n = NearestHalfTowardZero(c);
    emitCarry = c - float(n);
    // Only once per emitter: frames of 0 ms come before the first real one while paused.
    const uint64_t count = uint64_t(std::max<int64_t>(n, 0)) + (firstUpdatePending ? 1 : 0);
    if (!particles) return;
    for (uint64_t i = 0; i < count; ++i) {
        // This particle's part of the frame, so the stream is spaced evenly within it.
        const uint32_t share = uint32_t(uint64_t(dtMs) - (i * dtMs) / count);
        SpriteMover* particle = MakeParticle(uint32_t(i), uint32_t(count), share);
        if (!particle) continue;
        particles->Add(particle);
        if (share != 0) particle->Update(share);
    }
}

SpriteMover* ParticleEmitter::MakeParticle(uint32_t index, uint32_t count, uint32_t share) {
    const SpriteMoverTemplate& t = particleTemplate;
    auto* p = new SpriteMover;
    p->TakeTemplate(t);
    p->removalFlags = REMOVE_WHEN_FINISHED;

    if (lifetimeJitter != 0) {
        const bool minus = Random() % 2 == 0;
        const int64_t amount = Random() % (std::llabs(int64_t(lifetimeJitter)) + 1);
        // An endless particle stays endless, and a jitter past zero ends it at birth rather than
        // turning it endless.
        if (t.lifetime >= 0) p->lifetime = int32_t(std::clamp<int64_t>(t.lifetime + (minus ? -amount : amount), 0, INT32_MAX));
    }
    if (p->lifetime >= 0 && share >= uint32_t(p->lifetime)) {
        delete p;
        return nullptr;
    }

    // Spread along the emitter's path through this frame, then somewhere in the spawn ball.
    const float along = float(index + 1) / float(count);
    Vec3 at = Vec3Add(Vec3Add(previousPosition, t.position), Vec3Scale(Vec3Sub(position, previousPosition), along));
    Vec3 r;
    r.x = float(Random() % 2001 - 1000) * 0.001f;
    r.y = float(Random() % 2001 - 1000) * 0.001f;
    r.z = float(Random() % 2001 - 1000) * 0.001f;
    const float rl = Vec3Length(r);
    if (rl > 0.0001f) at = Vec3Add(at, Vec3Scale(r, float(Random() % 1001) * 0.001f * spawnRadius / rl));
    p->x = at.x;
    p->y = at.y;
    p->z = at.z;

    p->pivot = Vec3Add(position, t.pivot);

    if (std::fabs(directionCone) >= 0.0001f)
        p->direction = Vec3TransformNormal(Vec3Normalize(ConeDirection(directionCone)), coneFrame);
    if (std::fabs(accelCone) >= 0.0001f) p->accelDirection = ConeDirection(accelCone);

    p->angle = RangeOrLow(angleMin, angleMax);
    p->angleSpeed = RangeOrLow(spinMin, spinMax);

    p->sizeStart = ScaledSize(t.sizeStart, sizeScaleStart);
    p->sizeMiddle = ScaledSize(t.sizeMiddle, sizeScaleMiddle);
    p->sizeEnd = ScaledSize(t.sizeEnd, sizeScaleEnd);

    p->colourStart = JitteredColour(t.colourStart, colourJitterStart);
    p->colourMiddle = JitteredColour(t.colourMiddle, colourJitterMiddle);
    p->colourEnd = JitteredColour(t.colourEnd, colourJitterEnd);
    return p;
}

bool ParticleEmitter::Queue() {
    if (finished) return false;
    if (queueFlags & EMITTER_QUEUE_WHOLE) {
        if (g_Scene.renderQueue) g_Scene.renderQueue->AddParticleEmitter(this);
    } else if (particles) {
        particles->QueueAll();
    }
    return true;
}

bool ParticleEmitter::Render() {
    if (finished) return false;
    const Camera* camera = g_Scene.camera;
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (!particles || !particles->Head() || !camera || !buffer || !g_Video.GetDevice()) return true;
    const bool emitterFade = (flags & EMITTER_DISTANCE_FADE) != 0;
    const float fade =
        emitterFade ? DistanceFade(Vec3Length(Vec3Sub(camera->eye, position)), fadeNear, fadeFar) : 1.0f;

    // The newest particle's states serve the whole batch.
    SetSpriteStates(*static_cast<SpriteMover*>(particles->Head()->item));
    const Vec3 fixedX = FrameXAxis(facingMatrix), fixedY = FrameYAxis(facingMatrix);
    for (EffectListNode* node = particles->Head(); node; node = node->next) {
        auto* s = static_cast<SpriteMover*>(node->item);
        uint32_t colour = s->currentColour;
        if (emitterFade)
            colour = FadeColour(colour, fade, s->blendMode);
        else if (s->drawFlags & SPRITE_DISTANCE_FADE)
            colour = s->DrawColour();
        if (s->drawFlags & SPRITE_ANGLE_FOLLOWS_MOTION) s->FollowMotion();
        const bool fixed = (s->drawFlags & SPRITE_FIXED_FACING) != 0;
        auto* v = static_cast<EffectVertex*>(buffer->Lock(QUAD_VERTICES));
        if (!v) continue;
        WriteQuad(v, Vec3{s->x, s->y, s->z}, s->currentSize, s->angle, fixed ? fixedX : camera->right,
                  fixed ? fixedY : camera->up, colour);
        buffer->Unlock(QUAD_VERTICES);
    }
    buffer->Flush();
    return true;
}
