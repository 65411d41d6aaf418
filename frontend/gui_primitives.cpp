#include "frontend/gui_primitives.h"

#include <cstring>

#include "frontend/screen_states.h"
#include "frontend/texture_font.h"
#include "platform/gfx/device.h"
#include "render/video.h"
#include "scene/glow.h"
#include "shell/mouse.h"

using namespace gfx;

namespace {

struct QuadVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 28, "the device reads 28-byte vertices");

constexpr uint32_t kQuadFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// One block of all device state per device, captured before each quad and applied after it:
// the same result as making and deleting a block per quad, without the cost.
Device* g_QuadDevice = nullptr;
uint32_t g_QuadDeviceSerial = 0;
uint32_t g_QuadBlock = 0;

bool CaptureQuadBlock(Device* device) {
    if (g_QuadDevice == device && g_Video.IsCurrentDevice(device, g_QuadDeviceSerial) && g_QuadBlock &&
        Succeeded(device->CaptureStateBlock(g_QuadBlock)))
        return true;
    g_QuadDevice = nullptr;
    g_QuadBlock = 0;
    uint32_t block = 0;
    if (Failed(device->CreateStateBlock(D3DSBT_ALL, &block)) || !block) return false;
    g_QuadDevice = device;
    g_QuadDeviceSerial = g_Video.deviceSerial;
    g_QuadBlock = block;
    return true;
}

}  // namespace

void ResetQuadDrawState() {
    // A block of the current device is given back; one of a device that is gone means nothing.
    if (g_QuadBlock && g_Video.IsCurrentDevice(g_QuadDevice, g_QuadDeviceSerial))
        g_QuadDevice->DeleteStateBlock(g_QuadBlock);
    g_QuadDevice = nullptr;
    g_QuadBlock = 0;
}

void SetQuadDrawState() {
    Device* d = g_Video.GetDevice();
    if (!d) return;
    SetScreenStates(d, {0, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, 0, 1, D3DTOP_DISABLE});
    d->SetVertexShader(kQuadFvf);
    for (uint32_t stage = 0; stage < 3; ++stage) d->SetTexture(stage, nullptr);
}

bool DrawQuad2D(float left, float top, float right, float bottom, uint32_t colour) {
    Device* d = g_Video.GetDevice();
    if (!d) return true;
    // Without a block to put the caller's state back the quad is not drawn at all.
    if (!CaptureQuadBlock(d)) return true;
    SetQuadDrawState();
    const float sw = SpriteScreenWidth(), sh = SpriteScreenHeight();
    const float X0 = float(int32_t(sw * left)), Y0 = float(int32_t(sh * top));
    const float X1 = float(int32_t(sw * right)), Y1 = float(int32_t(sh * bottom));
    const QuadVertex v[6] = {
        {X0, Y0, 0.9f, 1.0f, colour, 0, 0}, {X1, Y0, 0.9f, 1.0f, colour, 1, 0}, {X1, Y1, 0.9f, 1.0f, colour, 1, 1},
        {X0, Y0, 0.9f, 1.0f, colour, 0, 0}, {X1, Y1, 0.9f, 1.0f, colour, 1, 1}, {X0, Y1, 0.9f, 1.0f, colour, 0, 1},
    };
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(QuadVertex));
    d->ApplyStateBlock(g_QuadBlock);
    return true;
}

Button::Button() : x(0), y(0), width(0), height(0), caption(nullptr), visible(0), enabled(0), hover(0), pressed(0) {}

void Button::FreeCaption() {
    delete[] caption;
    caption = nullptr;
}

void Button::Set(float bx, float by, float bw, float bh, const char* text) {
    x = bx;
    y = by;
    width = bw;
    height = bh;
    FreeCaption();
    if (text && *text) {
        const size_t n = std::strlen(text) + 1;
        caption = new char[n];
        std::memcpy(caption, text, n);
    }
    visible = 1;
    enabled = 1;
}

void Button::HitTest() {
    hover = visible && enabled && g_Mouse.IsInRelativeRect(x, y, width, height);
    pressed = hover && g_Mouse.buttons[MOUSE_LEFT].pressed;
}

void Button::Draw() {
    if (width == 0.0f || height == 0.0f) return;
    constexpr float e = 0.002f, h = 0.001f;
    DrawQuad2D(x, y, x + width - e, y + height - e, 0xFFFFFFFF);
    DrawQuad2D(x + e, y + e, x + e + width - e, y + e + height - e, 0xFF000000);
    DrawQuad2D(x + h, y + h, x + h + width - e, y + h + height - e, hover ? 0xFFA0A0A0 : 0xFF8C8C8C);
    if (caption) g_Font.Print(3, pressed ? 1 : 2, x + width * 0.5f, y, 0, caption, 'c', true);
}

ButtonGroup::ButtonGroup() : buttons{}, created(0) {}

void ButtonGroup::Free() {
    if (!created) return;
    for (Button*& b : buttons) {
        delete b;
        b = nullptr;
    }
    created = 0;
}
