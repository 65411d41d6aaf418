#include "effects/rain_emitter.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/ambient_effects.h"
#include "effects/effect_draw.h"
#include "effects/effect_list.h"
#include "effects/random_range.h"
#include "platform/gfx/types.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/video.h"
#include "scene/scene.h"

namespace {

// Drops are placed on a grid of a thousandth of a unit.
constexpr uint32_t kDropSteps = 1000;

template <typename Fn>
void ForEachDrop(EffectList* drops, Fn fn) {
    if (!drops) return;
    for (EffectListNode* n = drops->Head(); n; n = n->next)
        if (n->item) fn(*static_cast<StreakParticle*>(n->item));
}

}  // namespace

RainEmitter::RainEmitter() : boxMax{}, boxMin{}, rate(0), drops(nullptr), params{}, carry(0.0f) { finished = 1; }

RainEmitter::~RainEmitter() { Release(); }

void RainEmitter::Release() {
    delete drops;
    drops = nullptr;
    finished = 1;
}

void RainEmitter::Init(const Vec3& max, const Vec3& min, int32_t perSecond, const RainDropParameters& drop,
                       uint32_t flags) {
    Release();
    boxMax = max;
    boxMin = min;
    rate = perSecond;
    params = drop;
    removalFlags = flags;
    drops = new (std::nothrow) EffectList;
    carry = 0.0f;
    finished = drops ? 0 : 1;
}

void RainEmitter::SetFloor(float height) {
    params.floorHeight = height;
    ForEachDrop(drops, [height](StreakParticle& d) { d.floorHeight = height; });
}

Vec3 RainEmitter::Centre() const { return Vec3Scale(Vec3Add(boxMax, boxMin), 0.5f); }

void RainEmitter::GetPosition(Vec3* out) {
    if (out) *out = Centre();
}

void RainEmitter::SetPosition(const Vec3& p) {
    const Vec3 shift = Vec3Sub(p, Centre());
    boxMax = Vec3Add(boxMax, shift);
    boxMin = Vec3Add(boxMin, shift);
}

void RainEmitter::MoveTo(const Vec3& p) {
    const Vec3 shift = Vec3Sub(p, Centre());
    SetPosition(p);
    ForEachDrop(drops, [&shift](StreakParticle& d) {
        Vec3 at{};
        d.GetPosition(&at);
        d.SetPosition(Vec3Add(at, shift));
    });
}

void RainEmitter::Spawn(uint32_t dtMs, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        auto* d = new (std::nothrow) StreakParticle;
        if (!d) return;
        d->x = RandomInRange(boxMin.x, boxMax.x, kDropSteps) + params.offset.x;
        d->y = RandomInRange(boxMin.y, boxMax.y, kDropSteps) + params.offset.y;
        d->z = RandomInRange(boxMin.z, boxMax.z, kDropSteps) + params.offset.z;
        // The floor last set, so that in a scenario lying low no drop ends as it is born.
        d->floorHeight = params.floorHeight;
        d->length = params.length;
        d->direction = params.direction;
        d->speed = params.speed;
        d->tailColour = params.tailColour;
        d->headColour = params.headColour;
        d->removalFlags = REMOVE_WHEN_FINISHED;
        drops->Add(d);
        // The drops of one frame are spread over the frame.
        d->Update(uint32_t(uint64_t(i) * dtMs / n));
    }
}

int RainEmitter::Update(uint32_t dtMs) {
    if (finished || !drops) return int(removalFlags & REMOVE_WHEN_FINISHED);
    drops->Update(dtMs);
    if (rate <= 0) return 0;
    const double x = double(dtMs) * 0.001 * double(rate) + double(carry);
    double n = std::trunc(x);
    if (x - n > 0.5) n += 1.0;
    carry = float(x - n);
    if (n < 1.0) return 0;
    Spawn(dtMs, uint32_t(std::min(n, double(UINT32_MAX))));
    return 0;
}

bool RainEmitter::Render() {
    if (finished) return false;
    DynamicVertexBuffer* buffer = g_Scene.dynamicBuffer;
    if (!drops || !buffer || !g_Video.GetDevice() || buffer->capacity < 2) return true;
    buffer->Flush();
    buffer->SetPrimitiveType(gfx::D3DPT_LINELIST);
    g_Video.SetTexture(-1, nullptr);
    g_Video.SetBlendMode(1);
    g_Video.SetZEnable(true);
    g_Video.SetLighting(false);
    g_Video.SetWorldMatrix(nullptr, 0, true);
    BindEffectBuffer();
    const uint32_t chunk = buffer->capacity & ~1u;
    EffectListNode* node = drops->Head();
    while (node) {
        uint32_t wanted = 0;
        for (EffectListNode* n = node; n && wanted < chunk; n = n->next) wanted += 2;
        auto* v = static_cast<EffectVertex*>(buffer->Lock(wanted));
        if (!v) break;
        uint32_t written = 0;
        for (; node && written + 2 <= wanted; node = node->next)
            if (node->item) written += static_cast<StreakParticle*>(node->item)->WriteVertices(v + written);
        buffer->Unlock(written);
    }
    buffer->Flush();
    return true;
}
