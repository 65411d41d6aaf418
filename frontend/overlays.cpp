#include "frontend/overlays.h"

#include "core/clocks.h"
#include "core/debug_log.h"
#include "frontend/gui_primitives.h"
#include "frontend/screen_states.h"
#include "platform/gfx/device.h"
#include "render/video.h"

using namespace gfx;

Fader g_Fader;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

struct RectVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(RectVertex) == 28, "the device reads 28-byte vertices");

uint32_t Grey(uint32_t level) { return kBlack | level << 16 | level << 8 | level; }

}  // namespace

void Fader::Zero() {
    enabled = fadingIn = running = 0;
    multiplyBlock = addBlock = saveBlock = 0;
    colour = kWhite;
    startTime = 0;
    device_ = nullptr;
    deviceSerial_ = 0;
}

void Fader::RecordBlocks(uint32_t* own, uint32_t srcBlend) {
    Device* d = g_Video.GetDevice();
    if (!d) return;
    // Earlier handles of the same device are given back before they are replaced.
    if (g_Video.IsCurrentDevice(static_cast<Device*>(device_), deviceSerial_)) {
        if (*own) d->DeleteStateBlock(*own);
        if (saveBlock) d->DeleteStateBlock(saveBlock);
    }
    *own = saveBlock = 0;
    for (uint32_t* block : {own, &saveBlock}) {
        if (Failed(d->BeginStateBlock())) continue;
        SetScreenStates(d, {1, srcBlend, D3DBLEND_SRCCOLOR, 1, 0, D3DTOP_MODULATE});
        if (Failed(d->EndStateBlock(block))) *block = 0;
    }
    device_ = d;
    deviceSerial_ = g_Video.deviceSerial;
    if (!*own || !saveBlock) WriteDebugLog("Fader: state blocks failed");
}

void Fader::RecordMultiplyBlock() { RecordBlocks(&multiplyBlock, D3DBLEND_ZERO); }
void Fader::RecordAddBlock() { RecordBlocks(&addBlock, D3DBLEND_ONE); }

void Fader::RestoreDeviceObjects() {
    // Handles of a device that is gone mean nothing to the new one.
    if (!g_Video.IsCurrentDevice(static_cast<Device*>(device_), deviceSerial_)) {
        multiplyBlock = addBlock = saveBlock = 0;
        device_ = nullptr;
    }
    RecordAddBlock();
    RecordMultiplyBlock();
    // The editor's quad block goes the same way.
    ResetQuadDrawState();
}

void Fader::Reset() {
    RestoreDeviceObjects();
    enabled = 1;
    fadingIn = running = 0;
    colour = kWhite;
}

void Fader::Disable() {
    enabled = fadingIn = running = 0;
    colour = kWhite;
}

void Fader::FadeOut() {
    if (!enabled) return;
    colour = kWhite;
    startTime = GetTime(GetActiveClock());
    running = 1;
    fadingIn = 0;
}

void Fader::FadeIn() {
    if (!enabled) return;
    colour = kBlack;
    startTime = GetTime(GetActiveClock());
    running = 1;
    fadingIn = 1;
}

void Fader::Update() {
    if (!enabled || !running) return;
    const uint32_t t = GetElapsed(GetActiveClock(), startTime);
    if (fadingIn) {
        if (t > FADE_IN_MS) {
            colour = kWhite;
            running = fadingIn = 0;
        } else {
            colour = Grey(uint32_t(float(t) * 0.0033333334f * 255.0f));
        }
    } else if (t > FADE_OUT_MS) {
        colour = kBlack;
        running = 0;
        fadingIn = 1;
    } else {
        colour = Grey(255 - uint32_t(float(t) * 0.0016666667f * 255.0f));
    }
}

void Fader::Draw() {
    if (!enabled || !(running || fadingIn) || !g_Video.GetDevice()) return;
    g_Video.SetTexture(-1, nullptr);
    const ScreenRect& r = g_Video.screenRect;
    DrawRect2D(0, 0, r.right - r.left + 1, r.bottom - r.top + 1, colour, true);
}

bool Fader::DrawRect2D(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t argb, bool multiply) {
    Device* d = g_Video.GetDevice();
    const uint32_t mode = multiply ? multiplyBlock : addBlock;
    // Blocks of another device would set the wrong states, or none.
    if (!g_Video.IsCurrentDevice(static_cast<Device*>(device_), deviceSerial_) || !mode || !saveBlock) return true;
    d->CaptureStateBlock(saveBlock);
    d->ApplyStateBlock(mode);
    // Through the video object, whose cache would otherwise hold a format the device no longer has.
    g_Video.SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    const float X1 = float(x1), Y1 = float(y1), X2 = float(x2), Y2 = float(y2);
    const RectVertex v[6] = {
        {X1, Y1, 0.9f, 1.0f, argb, 0, 0}, {X2, Y1, 0.9f, 1.0f, argb, 1, 0}, {X2, Y2, 0.9f, 1.0f, argb, 1, 1},
        {X1, Y1, 0.9f, 1.0f, argb, 0, 0}, {X2, Y2, 0.9f, 1.0f, argb, 1, 1}, {X1, Y2, 0.9f, 1.0f, argb, 0, 1},
    };
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(RectVertex));
    d->ApplyStateBlock(saveBlock);
    return true;
}
