#include "frontend/menu_widgets.h"

#include <cstdio>
#include <cstring>

#include "frontend/menu_calls.h"
#include "frontend/overlays.h"
#include "frontend/sprite2d.h"
#include "frontend/texture_font.h"
#include "render/video.h"
#include "scene/glow.h"
#include "shell/mouse.h"

int32_t PixelX(float fx) { return int32_t(SpriteScreenWidth() * fx); }
int32_t PixelY(float fy) { return int32_t(SpriteScreenHeight() * fy); }

bool AlignIs(uint8_t align, char upper) { return align == uint8_t(upper) || align == uint8_t(upper + ('a' - 'A')); }

void CopyWidgetText(char* dest, const char* text) {
    std::snprintf(dest, WIDGET_TEXT_CAPACITY, "%s", text ? text : "");
}

namespace {

void PlayFx(int id) {
    if (g_MenuShellCalls.playFx) g_MenuShellCalls.playFx(id);
}

uint32_t Tint(bool enabled) { return enabled ? 0xffffffffu : WIDGET_DISABLED_TINT; }

void SizeToHeight(Sprite2D* s, float h) {
    if (s && s->h != h) s->SetSize(0.0f, h, SPRITE_SIZE_FROM_HEIGHT);
}

void DrawTinted(Sprite2D* s, uint32_t tint) {
    if (!s) return;
    s->diffuse = tint;
    s->Draw();
}

}  // namespace

// ---- MenuPanel -------------------------------------------------------------------------

void MenuPanel::Reset() { std::memset(this, 0, sizeof *this); }

void MenuPanel::Create(float px, float py, float pw, float ph, uint32_t c, uint8_t b) {
    w = pw;
    h = ph;
    SetRect(px, py);
    colour = c;
    blend = b;
}

void MenuPanel::SetRect(float px, float py) {
    x = px;
    y = py;
    left = PixelX(x);
    top = PixelY(y);
    right = PixelX(x + w);
    bottom = PixelY(y + h);
}

bool MenuPanel::IsMouseOver() const { return g_Mouse.IsInRelativeRect(x, y, w, h); }

void MenuPanel::Draw() const {
    if (!visible) return;
    g_Video.SetTexture(-1, nullptr);
    g_Fader.DrawRect2D(left, top, right, bottom, colour, blend != 0);
}

// ---- MenuSwitch ------------------------------------------------------------------------

void MenuSwitch::Reset() { std::memset(this, 0, sizeof *this); }

void MenuSwitch::Create(float height, MenuPictures pictures) {
    Reset();
    onSprite = pictures[10];
    offSprite = pictures[9];
    x = y = -1.0f;
    h = height;
    enabled = 1;
    if (!onSprite || !offSprite) {
        onSprite = offSprite = nullptr;
        h = 0.0f;
        return;
    }
    onSprite->SetSize(0.0f, h, SPRITE_SIZE_FROM_HEIGHT);
    w = onSprite->w;
    pw = onSprite->pixelWidth;
    ph = onSprite->pixelHeight;
}

float MenuSwitch::GetWidth() {
    if (!onSprite) return 0.0f;
    onSprite->SetSize(0.0f, h, SPRITE_SIZE_FROM_HEIGHT);
    return onSprite->w;
}

void MenuSwitch::SetPosition(float px_, float py_) {
    if (px_ == x && py_ == y) return;
    x = px_;
    y = py_;
    if (!onSprite) return;
    SizeToHeight(onSprite, h);
    onSprite->SetPosition(x, y);
    px = onSprite->pixelX;
    py = onSprite->pixelY;
    pw = onSprite->pixelWidth;
    ph = onSprite->pixelHeight;
}

bool MenuSwitch::IsClicked() const {
    if (!onSprite || !g_Mouse.IsInRect(px, py, pw, ph)) return false;
    if (enabled) return true;
    if (g_Mouse.buttons[MOUSE_LEFT].held) PlayFx(FX_REFUSE);
    return false;
}

void MenuSwitch::Draw() {
    Sprite2D* s = on ? onSprite : offSprite;
    if (!s) return;
    SizeToHeight(s, h);
    if (s->x != x || s->y != y) s->SetPosition(x, y);
    DrawTinted(s, Tint(enabled));
}

// ---- MenuSlider ------------------------------------------------------------------------

void MenuSlider::Reset() {
    std::memset(this, 0, sizeof *this);
    x = y = -1.0f;
}

void MenuSlider::Create(float width, float height, MenuPictures pictures) {
    Reset();
    visible = enabled = 1;
    value = 0.5f;
    uMin = 0.0703125f;
    vMin = 0.0f;
    uMax = 0.921875f;
    vMax = 1.0f;
    leftEnd = pictures[4];
    rightEnd = pictures[5];
    filledPart = pictures[6];
    emptyPart = pictures[7];
    knob = pictures[8];
    if (!leftEnd || !rightEnd || !filledPart || !emptyPart || !knob) {
        leftEnd = rightEnd = filledPart = emptyPart = knob = nullptr;
        return;
    }
    w = width;
    h = height;
    leftEnd->SetSize(0.0f, h, SPRITE_SIZE_FROM_HEIGHT);
    rightEnd->SetSize(0.0f, h, SPRITE_SIZE_FROM_HEIGHT);
    filledPart->SetSize(w - leftEnd->w - rightEnd->w, h, SPRITE_SIZE_GIVEN);
    hitW = filledPart->pixelWidth;
    hitH = filledPart->pixelHeight;
}

void MenuSlider::SetPosition(float px, float py) {
    if (px == x && py == y) return;
    x = px;
    y = py;
    if (!leftEnd) return;
    SizeToHeight(leftEnd, h);
    hitX = PixelX(x) + leftEnd->pixelWidth;
    hitY = PixelY(y);
}

float MenuSlider::GetClickedValue() const {
    if (hitW <= 0 || !g_Mouse.IsInRect(hitX, hitY, hitW, hitH)) return -1.0f;
    if (enabled) return float(g_Mouse.x - hitX) / float(hitW);
    if (g_Mouse.buttons[MOUSE_LEFT].held) PlayFx(FX_REFUSE);
    return -1.0f;
}

void MenuSlider::Draw(uint8_t align) {
    if (!AlignIs(align, 'I') || (w == 0.0f && h == 0.0f) || !leftEnd) return;
    SizeToHeight(leftEnd, h);
    SizeToHeight(rightEnd, h);
    SizeToHeight(knob, h);
    leftEnd->SetPosition(x, y);
    const float inner = w - leftEnd->w - rightEnd->w;
    const float split = uMin + (uMax - uMin) * value;
    const int32_t row = PixelY(y);

    filledPart->texLeft = uMin;
    filledPart->texTop = vMin;
    filledPart->texRight = split;
    filledPart->texBottom = vMax;
    filledPart->SetSize(inner * value, h, SPRITE_SIZE_GIVEN);
    filledPart->SetPositionPixels(leftEnd->pixelX + leftEnd->pixelWidth, row);
    const int32_t filledEnd = filledPart->pixelX + filledPart->pixelWidth;
    knob->SetPositionPixels(filledEnd - knob->pixelWidth / 2, row);

    emptyPart->texLeft = split;
    emptyPart->texTop = vMin;
    emptyPart->texRight = uMax;
    emptyPart->texBottom = vMax;
    emptyPart->SetSize(inner - filledPart->w, h, SPRITE_SIZE_GIVEN);
    emptyPart->SetPositionPixels(filledEnd, row);
    rightEnd->SetPositionPixels(emptyPart->pixelX + emptyPart->pixelWidth, row);

    const uint32_t tint = Tint(enabled);
    for (Sprite2D* s : {leftEnd, filledPart, emptyPart, rightEnd, knob}) DrawTinted(s, tint);
}

// ---- ArrowSelector ---------------------------------------------------------------------

void ArrowSelector::Reset() {
    DestroyTextLabel(&label);
    x = y = h = gap = boxH = 0.0f;
    std::memset(text, 0, sizeof text);
    state = 0;
    enabled = 0;
    leftOn = leftOff = rightOn = rightOff = nullptr;
    lx = ly = lw = lh = rx = ry = rw = rh = 0;
}

void ArrowSelector::Create(float height, float gapWidth, float boxHeight, const char* value, MenuPictures pictures) {
    Reset();
    leftOn = pictures[12];
    leftOff = pictures[11];
    rightOn = pictures[14];
    rightOff = pictures[13];
    if (!leftOn || !leftOff || !rightOn || !rightOff) leftOn = leftOff = rightOn = rightOff = nullptr;
    h = height;
    for (Sprite2D* s : {leftOn, leftOff, rightOn, rightOff})
        if (s) s->SetSize(0.0f, h, SPRITE_SIZE_FROM_HEIGHT);
    gap = gapWidth;
    boxH = boxHeight;
    if (GetTextLabelMode() == LABEL_MODE_TEXTURE)
        CreateTextLabel(&label, 0.0f, 0.0f, 'c', value ? value : "", 4, 1);
    else
        CopyWidgetText(text, value);
    if (leftOff) {
        lw = leftOff->pixelWidth;
        lh = leftOff->pixelHeight;
        rw = rightOff->pixelWidth;
        rh = rightOff->pixelHeight;
    }
    enabled = 1;
    state = 0;
}

void ArrowSelector::SetPosition(float px, float py) {
    x = px;
    y = py;
    lx = PixelX(x);
    ly = PixelY(y);
    rx = lx + PixelX(gap) + rw;
    ry = ly;
}

void ArrowSelector::SetText(const char* value) {
    if (GetTextLabelMode() == LABEL_MODE_TEXTURE)
        label.SetText(value ? value : "");
    else
        CopyWidgetText(text, value);
}

int ArrowSelector::HitTest() const {
    if (!enabled) return 0;
    if (g_Mouse.IsInRect(lx, ly, lw, lh)) return 1;
    if (g_Mouse.IsInRect(rx, ry, rw, rh)) return 2;
    return 0;
}

void ArrowSelector::Draw() {
    if (!leftOff) return;
    Sprite2D* left = state == 1 ? leftOn : leftOff;
    Sprite2D* right = state == 2 ? rightOn : rightOff;
    left->SetPosition(x, y);
    const int32_t bx = left->pixelX + left->pixelWidth, by = left->pixelY;
    g_Video.SetTexture(-1, nullptr);
    g_Fader.DrawRect2D(bx, by, bx + PixelX(gap), PixelY(y + boxH), WIDGET_DISABLED_TINT, true);
    right->SetPositionPixels(bx + PixelX(gap), by);
    const float centre = x + left->w + gap / 2.0f;
    const uint32_t tint = Tint(enabled);
    if (GetTextLabelMode() == LABEL_MODE_TEXTURE) {
        label.SetPosition(centre, y + 0.002f);
        label.colour = enabled ? 1 : 16;
        DrawTextLabel(&label);
    } else {
        g_Font.Print(5, enabled ? 18 : 16, centre, y, -1, text, 'c', false);
    }
    DrawTinted(left, tint);
    DrawTinted(right, tint);
}
