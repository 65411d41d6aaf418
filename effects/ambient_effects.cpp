#include "effects/ambient_effects.h"

#include <algorithm>
#include <new>

#include "common/random.h"
#include "effects/effect_draw.h"
#include "effects/effect_list.h"
#include "effects/particle_emitter.h"
#include "effects/random_range.h"
#include "platform/gfx/types.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/render_queue.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"
#include "world/scenario.h"

namespace {

constexpr uint32_t kTurnSteps = 1000;

// Red, green and blue scaled by f (truncated), alpha full.
uint32_t ScaleRgbOpaque(uint32_t argb, float f) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= uint32_t(float((argb >> shift) & 0xFFu) * f) << shift;
    return out;
}

// Each of red, green and blue lowered by i steps of channel / steps, not below 0; alpha full.
uint32_t TrailColour(uint32_t argb, uint32_t i, uint32_t steps) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (argb >> shift) & 0xFFu;
        const uint64_t drop = steps ? uint64_t(i) * (c / steps) : 0;
        out |= uint32_t(drop >= c ? 0 : c - drop) << shift;
    }
    return out;
}

constexpr uint32_t kBubbleGrowMs = 3000;
constexpr uint32_t kBubbleBurstMs = 2000;
constexpr uint32_t kSparksBeforeBurstMs = 100;
constexpr float kBubbleHalfBox = 0.25f;
constexpr const char* kSparkTexture = "Texturas\\Efectos\\Chispa.tga";

}  // namespace

// ---- glow motes ----

Vec3 RandomHeading() {
    Vec3 v{};
    do {
        v.z = float(Random() % 30001 - 15000) * 0.5f;
        v.y = float(Random() % 30001 - 15000) * 0.5f;
        v.x = float(Random() % 30001 - 15000) * 0.5f;
    } while (Vec3Length(v) < 0.0001f);
    return UnitOrZero(v);
}

GlowMotes::GlowMotes()
    : lifetime(0), age(0), size(0.0f), fromDirection{}, toDirection{}, direction{}, speedMin(0.0f), speedMax(0.0f),
      fromSpeed(0.0f), toSpeed(0.0f), speed(0.0f), turnPeriod(0), turnTimer(0), colour(0), currentColour(0),
      fadeTime(0), trailCount(0), texture(-1), animatedTexture(nullptr) {
    finished = 1;
}

GlowMotes::~GlowMotes() { Release(); }

void GlowMotes::Release() {
    finished = 1;
    delete animatedTexture;
    animatedTexture = nullptr;
}

void GlowMotes::Setup(const GlowMoteParams* p, uint32_t removal) {
    if (!p) return;
    x = p->position.x;
    y = p->position.y;
    z = p->position.z;
    size = p->size;
    lifetime = p->lifetime;
    fromDirection = p->direction;
    speedMin = p->speedMin;
    speedMax = p->speedMax;
    turnPeriod = p->turnPeriod;
    colour = p->colour;
    fadeTime = p->fadeTime;
    trailCount = p->trailCount;
    texture = p->texture;
    removalFlags = removal;
    toDirection = RandomHeading();
    fromSpeed = RandomInRange(speedMin, speedMax, kTurnSteps);
    toSpeed = RandomInRange(speedMin, speedMax, kTurnSteps);
    turnTimer = 0;
    age = 0;
    finished = 0;
}

int GlowMotes::Update(uint32_t dtMs) {
    const int remove = int(removalFlags & REMOVE_WHEN_FINISHED);
    if (finished) return remove;
    age = uint32_t(std::min<uint64_t>(uint64_t(age) + dtMs, UINT32_MAX));
    if (age > lifetime) {
        finished = 1;
        return remove;
    }
    if (turnPeriod != 0) {
        turnTimer += dtMs;
        if (turnTimer > turnPeriod) {
            fromDirection = toDirection;
            fromSpeed = toSpeed;
            toDirection = RandomHeading();
            toSpeed = RandomInRange(speedMin, speedMax, kTurnSteps);
            turnTimer -= turnPeriod;
        }
        // A frame longer than two turns ends the blend at the new heading.
        const float s = std::min(float(turnTimer) / float(turnPeriod), 1.0f);
        direction = UnitOrZero(Vec3Add(Vec3Scale(toDirection, s), Vec3Scale(fromDirection, 1.0f - s)));
        speed = fromSpeed * (1.0f - s) + toSpeed * s;
    }
    if (age < fadeTime)
        currentColour = ScaleRgbOpaque(colour, float(age) / float(fadeTime));
    else if (uint64_t(age) + fadeTime > lifetime)
        currentColour = ScaleRgbOpaque(colour, float(lifetime - age) / float(fadeTime));
    else
        currentColour = ScaleRgbOpaque(colour, 1.0f);
    const float step = speed * float(dtMs) * 0.001f;
    x += direction.x * step;
    y += direction.y * step;
    z += direction.z * step;
    if (animatedTexture) animatedTexture->Update(dtMs);
    return 0;
}

bool GlowMotes::Queue() {
    if (finished) return false;
    return g_Scene.renderQueue && g_Scene.renderQueue->AddGlowMotes(this);
}

bool GlowMotes::Render() {
    if (finished) return false;
    const Camera* camera = g_Scene.camera;
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (!camera || !buffer || !g_Video.GetDevice()) return true;
    SetQuadBatchStates(EffectTexture(texture, animatedTexture), 2, true);
    for (uint32_t i = 0; i <= trailCount; ++i) {
        auto* v = static_cast<EffectVertex*>(buffer->Lock(QUAD_VERTICES));
        if (!v) break;
        const float back = speed * float(i) / 100.0f;
        const Vec3 centre{x - direction.x * back, y - direction.y * back, z - direction.z * back};
        WriteQuad(v, centre, size, 0.0f, camera->right, camera->up, TrailColour(currentColour, i, trailCount));
        buffer->Unlock(QUAD_VERTICES);
    }
    buffer->Flush();
    return true;
}

// ---- rain streaks ----

StreakParticle::StreakParticle()
    : length(0.0f), floorHeight(0.0f), direction{}, speed(0.0f), tailColour(0), headColour(0), ended(0) {}

void StreakParticle::Release() { ended = 1; }

int StreakParticle::Update(uint32_t dtMs) {
    const int remove = int(removalFlags & REMOVE_WHEN_FINISHED);
    if (ended) return remove;
    const float step = speed * float(dtMs) * 0.001f;
    x += direction.x * step;
    y += direction.y * step;
    z += direction.z * step;
    if (y >= floorHeight) return 0;
    ended = 1;
    return remove;
}

uint32_t StreakParticle::WriteVertices(EffectVertex* out) const {
    if (ended || !out) return 0;
    out[0] = EffectVertex{x, y, z, headColour, 0.0f, 0.0f};
    out[1] = EffectVertex{x - direction.x * length, y - direction.y * length, z - direction.z * length, tailColour,
                          0.0f, 0.0f};
    return 2;
}

bool StreakParticle::Render() {
    if (ended) return false;
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (!buffer || !g_Video.GetDevice()) return true;
    buffer->SetPrimitiveType(gfx::D3DPT_LINELIST);
    g_Video.SetBlendMode(1);
    if (auto* v = static_cast<EffectVertex*>(buffer->Lock(2))) buffer->Unlock(WriteVertices(v));
    return true;
}

// ---- lava bubbles ----

uint32_t BubbleSparkColour(int32_t scenarioNumber) { return scenarioNumber > 18 ? 0xFFA00000u : 0xFFD8E24Au; }

BubbleEffect::BubbleEffect()
    : growTime(0), burstTime(0), age(0), colour(0), startScale(0.0f), endScale(0.0f), boxMax{}, boxMin{},
      mesh(nullptr), sparks(nullptr) {
    kind = KIND_BUBBLE;
    finished = 1;
    // A bubble never set up is deleted by its list at its first update instead of staying
    // forever: the ambience keeps adding them.
    removalFlags = REMOVE_WHEN_FINISHED;
}

BubbleEffect::~BubbleEffect() { Release(); }

void BubbleEffect::Release() {
    growTime = burstTime = age = 0;
    startScale = endScale = 0.0f;
    finished = 1;
    // The scene frees its object list before its effect list: once the list is gone its members
    // went with it, and a member no longer in a list is not deleted again.
    if (mesh && g_Scene.objects) g_Scene.objects->Delete(mesh);
    mesh = nullptr;
    if (sparks && g_Scene.effects) g_Scene.effects->Delete(sparks);
    sparks = nullptr;
}

bool BubbleEffect::Init(float px, float py, float pz) {
    DynamicMesh* model = AsDynamicMesh(g_Scenario.bubbleModel);
    if (!model || !g_Scene.objects) return false;
    auto* copy = new (std::nothrow) DynamicMesh();
    if (!copy) return false;
    if (!copy->CloneFrom(*model)) {
        delete copy;
        return false;
    }
    Release();
    x = px;
    y = py;
    z = pz;
    growTime = kBubbleGrowMs;
    burstTime = kBubbleBurstMs;
    age = 0;
    colour = 0xFFFF0000u;
    startScale = 0.0f;
    endScale = 0.5f;
    boxMax = Vec3{px + kBubbleHalfBox, py + kBubbleHalfBox, pz + kBubbleHalfBox};
    boxMin = Vec3{px - kBubbleHalfBox, py - kBubbleHalfBox, pz - kBubbleHalfBox};
    removalFlags = REMOVE_WHEN_FINISHED;
    copy->transform.translation = Vec3{px, py, pz};
    copy->transform.stretchScale = Vec3{startScale, startScale, startScale};
    copy->transformValid = 0;
    copy->lit = 0;
    mesh = copy;
    g_Scene.objects->Add(mesh);
    finished = 0;
    return true;
}

void BubbleEffect::StartSparks() {
    const Vec3 at{x, y, z};
    EmitterParams p;
    p.lifetime = 100;
    p.position = at;
    p.boundsMax = p.boundsMin = at;
    p.directionCone = 0.5f;
    p.angleMin = 0.0f;
    p.angleMax = kTwoPi;
    p.spinMin = -kPi / 2.0f;
    p.spinMax = kPi / 2.0f;
    p.colourJitterStart = 0x00003200u;
    p.rate = 400;
    p.lifetimeJitter = 100;
    SpriteMoverTemplate t;
    t.lifetime = 1000;
    t.direction = Vec3{0.0f, 1.0f, 0.0f};
    t.speed = 5.0f;
    t.accelDirection = Vec3{0.0f, -1.0f, 0.0f};
    t.accel = 10.0f;
    t.colourStart = BubbleSparkColour(g_Scenario.number);
    t.sizeStart = 0.4f;
    t.sizeEnd = 0.0f;
    t.sizeFlags = CURVE_TWO_KEYS;
    t.texture = g_Scene.textures ? g_Scene.textures->LoadTexture(kSparkTexture, false, true, true) : -1;
    t.blendMode = 1;
    auto* e = new (std::nothrow) ParticleEmitter;
    if (!e) return;
    e->Setup(p, t, 0, EMITTER_QUEUE_WHOLE);
    if (!g_Scene.effects || !g_Scene.effects->Add(e)) {
        delete e;
        return;
    }
    sparks = e;
}

int BubbleEffect::Update(uint32_t dtMs) {
    const int remove = int(removalFlags & REMOVE_WHEN_FINISHED);
    if (finished) return remove;
    age = uint32_t(std::min<uint64_t>(uint64_t(age) + dtMs, UINT32_MAX));
    if (uint64_t(age) > uint64_t(growTime) + burstTime) {
        finished = 1;
        return remove;
    }
    if (age >= growTime) {
        // Burst: the mesh goes (unless the scene's list let go of it already).
        if (mesh && g_Scene.objects) g_Scene.objects->Delete(mesh);
        mesh = nullptr;
    } else if (mesh) {
        const float s = float(age) / float(growTime);
        const float k = startScale * (1.0f - s) + endScale * s;
        mesh->transform.stretchScale = Vec3{k, k, k};
        mesh->transformValid = 0;
    }
    if (uint64_t(age) + kSparksBeforeBurstMs > growTime && !sparks) StartSparks();
    return 0;
}

bool BubbleEffect::IsVisible() {
    const Camera* camera = g_Scene.camera;
    return camera && camera->BoxVisible(AxisBox{boxMax, boxMin});
}

bool BubbleEffect::Queue() {
    if (!IsVisible()) return true;
    return g_Scene.renderQueue && g_Scene.renderQueue->AddSparks(this);
}

bool BubbleEffect::Render() { return !finished; }

// ---- the ambience's calls ----

PositionedObject* NewGlowMotes(const GlowMoteParams& params, uint32_t setupValue) {
    auto* m = new (std::nothrow) GlowMotes;
    if (m) m->Setup(&params, setupValue);
    return m;
}

PositionedObject* NewBubble(const Vec3& at) {
    auto* b = new (std::nothrow) BubbleEffect;
    if (b && !b->Init(at.x, at.y, at.z)) {
        delete b;
        return nullptr;
    }
    return b;
}
