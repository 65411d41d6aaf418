#include "render/gamma.h"

#include <cmath>

#include "render/video.h"

void BuildGammaRamp(float brightness, gfx::GammaRamp* ramp) {
    if (!ramp) return;
    double t = (double(brightness) * 0.5 + 0.25) * 131070.0 - 65535.0;
    // Beyond these the ends of the line would leave the 16-bit range and wrap.
    if (std::isnan(t)) t = 0.0;
    if (t > 65535.0) t = 65535.0;
    if (t < -65535.0) t = -65535.0;
    const int64_t shift = int64_t(t);  // toward zero
    int64_t low = 0, high = 65535;
    if (shift >= 1) low = shift;
    if (shift < 0) high = 65535 + shift;
    for (int64_t i = 0; i < 256; ++i) {
        // The line's exact value, truncated.
        const uint16_t v = uint16_t(((255 - i) * low + i * high) / 255);
        ramp->red[i] = v;
        ramp->green[i] = v;
        ramp->blue[i] = v;
    }
}

bool SetBrightness(float brightness) {
    if (!g_Video.GetDevice()) return false;
    gfx::GammaRamp ramp;
    BuildGammaRamp(brightness, &ramp);
    return g_Video.SetGammaRamp(&ramp);
}
