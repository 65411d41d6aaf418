#include "frontend/flash_effect.h"

#include "platform/gfx/device.h"
#include "render/video.h"

using namespace gfx;

namespace {

struct FlashVertex {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
    float u, v;
};
static_assert(sizeof(FlashVertex) == 32, "the screen-space pass draws 32-byte vertices");

}  // namespace

FlashEffect::FlashEffect() : duration(0), elapsed(0), riseTime(0), colour(0) {
    finished = 1;
    removalFlags = 0;
    kind = KIND_FLASH;
}

FlashEffect::~FlashEffect() { FlashEffect::Release(); }

void FlashEffect::Release() {
    finished = 1;
    duration = elapsed = riseTime = colour = 0;
    removalFlags = 0;
}

void FlashEffect::Init(uint32_t durationMs, uint32_t riseMs, uint32_t argb, uint32_t flags) {
    duration = durationMs;
    riseTime = riseMs;
    colour = argb;
    removalFlags = flags;
    elapsed = 0;
    finished = 0;
}

int FlashEffect::Update(uint32_t dtMs) {
    if (finished) return int(removalFlags & REMOVE_WHEN_FINISHED);
    elapsed += dtMs;
    if (elapsed > duration) {
        finished = 1;
        return int(removalFlags & REMOVE_WHEN_FINISHED);
    }
    return 0;
}

float FlashEffect::Strength() const {
    if (elapsed < riseTime) return float(elapsed) / float(riseTime);
    // A rise as long as the whole flash leaves nothing to decay over: no strength, no division.
    if (riseTime >= duration) return 0.0f;
    const float f = 1.0f - float(elapsed - riseTime) / float(duration - riseTime);
    return f < 0.0f ? 0.0f : f;
}

bool FlashEffect::Render() {
    if (finished) return false;
    const float f = Strength();
    uint32_t drawn = 0;
    for (int shift = 0; shift < 32; shift += 8) drawn |= uint32_t(float((colour >> shift) & 0xFF) * f) << shift;
    const ScreenRect& r = g_Video.screenRect;
    const float W = float(r.right - r.left + 1), H = float(r.bottom - r.top + 1);
    Device* d = g_Video.GetDevice();
    if (!d) return true;
    g_Video.SetTexture(-1, nullptr);
    g_Video.SetBlendMode(2);
    const FlashVertex v[6] = {
        {0, 0, 0, 1, drawn, 0, 0, 0}, {W, 0, 0, 1, drawn, 0, 0, 0}, {W, H, 0, 1, drawn, 0, 0, 0},
        {0, 0, 0, 1, drawn, 0, 0, 0}, {W, H, 0, 1, drawn, 0, 0, 0}, {0, H, 0, 1, drawn, 0, 0, 0},
    };
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(FlashVertex));
    return true;
}

PositionedObject* NewFlashEffect(uint32_t durationMs, uint32_t riseMs, uint32_t argb, uint32_t flags) {
    auto* flash = new FlashEffect();
    flash->Init(durationMs, riseMs, argb, flags);
    return flash;
}
