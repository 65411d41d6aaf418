#include "effects/screen_pulse.h"

#include <algorithm>

#include "render/render_state_seams.h"
#include "render/video.h"
#include "scene/glow.h"

namespace {

// Each byte of the colour times s, truncated.
uint32_t ScaleBytes(uint32_t argb, float s) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= uint32_t(float((argb >> shift) & 0xFFu) * s) << shift;
    return out;
}

}  // namespace

ScreenPulseEffect::ScreenPulseEffect()
    : total(0), fadeIn(0), period(0), fadeOut(0), elapsed(0), count(0), minimum(0.0f), colour(0) {
    kind = KIND_SCREEN_PULSE;
}

ScreenPulseEffect::~ScreenPulseEffect() { Release(); }

void ScreenPulseEffect::Release() {
    finished = 1;
    total = fadeIn = period = fadeOut = elapsed = 0;
}

int ScreenPulseEffect::Init(uint32_t fadeInMs, uint32_t periodMs, uint32_t pulses, float minimumStrength,
                            uint32_t fadeOutMs, uint32_t argb, uint32_t flags) {
    fadeIn = fadeInMs;
    period = periodMs;
    count = pulses;
    minimum = minimumStrength;
    fadeOut = fadeOutMs;
    colour = argb;
    removalFlags = flags;
    // Held within 32 bits: a longer pulse simply lasts as long as the clock can count.
    const uint64_t sum = uint64_t(fadeIn) + uint64_t(period) * count + fadeOut;
    total = uint32_t(std::min<uint64_t>(sum, UINT32_MAX));
    elapsed = 0;
    finished = 0;
    return 0;
}

int ScreenPulseEffect::Update(uint32_t dtMs) {
    if (finished) return int(removalFlags & REMOVE_WHEN_FINISHED);
    elapsed = uint32_t(std::min<uint64_t>(uint64_t(elapsed) + dtMs, UINT32_MAX));
    if (elapsed <= total) return 0;
    finished = 1;
    return int(removalFlags & REMOVE_WHEN_FINISHED);
}

float ScreenPulseEffect::StrengthAt(uint32_t t) const {
    if (t < fadeIn) return float(t) / float(fadeIn);
    const uint64_t pulsesEnd = uint64_t(fadeIn) + uint64_t(period) * count;
    if (t < pulsesEnd) {
        const uint32_t half = period / 2;
        // A period too short to halve has no pulse to show: full strength throughout.
        if (half == 0) return 1.0f;
        const uint32_t p = (t - fadeIn) % period;
        const float step = float(p / 2) / float(half);
        const float s0 = p < half ? 1.0f - step : step;
        return s0 * (1.0f - minimum) + minimum;
    }
    if (t < total) return 1.0f - float(t - pulsesEnd) / float(fadeOut);
    return 0.0f;
}

bool ScreenPulseEffect::Render() {
    if (finished) return false;
    const uint32_t c = ScaleBytes(colour, StrengthAt(elapsed));
    g_Video.SetTexture(-1, nullptr);
    g_Video.SetBlendMode(2);
    // The right and bottom pixels are the rectangle's own: its far edges lie beyond them.
    const auto& r = g_Video.screenRect;
    DrawScreenRect(float(r.left), float(r.top), float(r.right) + 1.0f, float(r.bottom) + 1.0f, 0.0f, 0.0f, 1.0f, 1.0f,
                   0.0f, 1.0f, c, -1);
    return true;
}
