// Device states shared by the front end's screen-space drawing (texture font, labels, fader,
// editor quads): one list, set directly on the device, usually while a state block records.
#pragma once

#include <cstdint>

namespace gfx {
class Device;
}

// What differs between the users of the list.
struct ScreenStates {
    uint32_t alphaBlend;
    uint32_t srcBlend;
    uint32_t destBlend;
    uint32_t alphaTest;
    uint32_t zWrite;
    uint32_t stage0AlphaOp;
};

// Blending, alpha test, fill, cull, depth, stencil, clipping, vertex blending and fog; stage 0
// modulates texture and diffuse with point filtering, stage 1 is off.
void SetScreenStates(gfx::Device* device, const ScreenStates& states);

// a * b / c rounded half away from zero, as the classic MulDiv; -1 when c is 0.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);
