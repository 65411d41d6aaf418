// The three-piece button, the picture button, the two modal boxes and the text field.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/clocks.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_widgets.h"
#include "frontend/overlays.h"
#include "frontend/sprite2d.h"
#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "scene/glow.h"
#include "shell/mouse.h"

namespace {

void PlayFx(int id) {
    if (g_MenuShellCalls.playFx) g_MenuShellCalls.playFx(id);
}

bool LabelMode() { return GetTextLabelMode() == LABEL_MODE_TEXTURE; }

// The darkened screen, the box picture and its text: what both modal boxes draw first.
void DrawBoxBase(float x, float y, float w, float h, Sprite2D* background, const TextLabel& label, const char* text) {
    g_Video.SetTexture(0, nullptr);
    g_Fader.DrawRect2D(0, 0, int32_t(SpriteScreenWidth()), int32_t(SpriteScreenHeight()), WIDGET_DISABLED_TINT,
                       true);
    if (background) {
        background->SetPosition(x, y);
        background->Draw();
    }
    if (LabelMode())
        DrawTextLabel(&label);
    else
        g_Font.Print(5, 1, x + w / 2.0f, y + h / 3.0f, -1, text, 'c', false);
}

// Width and height of the box picture, centred on the screen.
void PlaceBox(Sprite2D* background, float* x, float* y, float* w, float* h) {
    *w = background ? background->w : 0.0f;
    *h = background ? background->h : 0.0f;
    *x = (1.0f - *w) / 2.0f;
    *y = (1.0f - *h) / 2.0f;
}

}  // namespace

// ---- MenuButton ------------------------------------------------------------------------

void MenuButton::Reset() {
    DestroyTextLabel(&label);
    x = y = w = h = 0.0f;
    size = 0;
    align = 0;
    py = pw = ph = 0;
    highlighted = enabled = 0;
    plainLeft = plainMiddle = plainRight = highLeft = highMiddle = highRight = nullptr;
}

bool MenuButton::HasPieces() const {
    return plainLeft && plainMiddle && plainRight && highLeft && highMiddle && highRight;
}

// A button is as wide as its layout gives it. The end caps keep their picture's proportion at
// the button's height while there is room; they narrow first to leave the middle room for the
// text, then to fit the button, so that a narrow button never draws wider than laid out.
void MenuButton::SizePieces() {
    plainLeft->SetSize(0.0f, h, SPRITE_SIZE_FROM_HEIGHT);
    const float text = label.inUse ? label.w : 0.0f;
    const float cap = std::clamp((w - text) / 2.0f, 0.0f, plainLeft->w);
    for (Sprite2D* s : {plainLeft, plainRight, highLeft, highRight}) s->SetSize(cap, h, SPRITE_SIZE_GIVEN);
    plainMiddle->SetSize(w - 2.0f * cap, h, SPRITE_SIZE_GIVEN);
    highMiddle->SetSize(w - 2.0f * cap, h, SPRITE_SIZE_GIVEN);
    pw = plainLeft->pixelWidth + plainMiddle->pixelWidth + plainRight->pixelWidth;
    ph = plainLeft->pixelHeight;
}

void MenuButton::Create(float bx, float by, float bw, float bh, const char* text, uint8_t alignLetter,
                        MenuPictures pictures, uint32_t textSize) {
    Reset();
    plainLeft = pictures[15];
    plainMiddle = pictures[19];
    plainRight = pictures[17];
    highLeft = pictures[16];
    highMiddle = pictures[20];
    highRight = pictures[18];
    enabled = 1;
    if (!HasPieces()) {
        plainLeft = plainMiddle = plainRight = highLeft = highMiddle = highRight = nullptr;
        return;
    }
    x = bx;
    y = by;
    w = bw;
    h = bh;
    size = textSize;
    align = alignLetter;
    py = PixelY(y);
    CreateTextLabel(&label, x, y, 'c', text ? text : "", int32_t(size), 1);
    // Only a text wider than the whole button widens it, to the text's width.
    if (LabelMode() && label.w > w) w = label.w;
    SizePieces();
}

void MenuButton::SetPosition(float bx, float by) {
    if (bx == x && by == y) return;
    x = bx;
    y = by;
    py = PixelY(y);
}

int32_t MenuButton::LeftEdge() const {
    if (AlignIs(align, 'C')) return PixelX(x) - pw / 2;
    if (AlignIs(align, 'D')) return PixelX(x) - pw;
    return PixelX(x);
}

bool MenuButton::IsMouseOver() const {
    if (!HasPieces() || !g_Mouse.IsInRect(LeftEdge(), py, pw, ph)) return false;
    if (enabled) return true;
    if (g_Mouse.buttons[MOUSE_LEFT].pressed) PlayFx(FX_REFUSE);
    return false;
}

void MenuButton::Draw() {
    if ((w == 0.0f && h == 0.0f) || !HasPieces()) return;
    SizePieces();
    Sprite2D* l = highlighted ? highLeft : plainLeft;
    Sprite2D* m = highlighted ? highMiddle : plainMiddle;
    Sprite2D* r = highlighted ? highRight : plainRight;
    int32_t left = PixelX(x);
    float textX = x;
    if (AlignIs(align, 'C')) {
        left = PixelX(x) - l->pixelWidth - m->pixelWidth / 2;
    } else if (AlignIs(align, 'D')) {
        left = PixelX(x) - (l->pixelWidth + m->pixelWidth + r->pixelWidth);
        textX = x - r->w - m->w / 2.0f;
    } else {
        textX = x + l->w + m->w / 2.0f;
    }
    l->SetPositionPixels(left, py);
    m->SetPositionPixels(left + l->pixelWidth, py);
    r->SetPositionPixels(left + l->pixelWidth + m->pixelWidth, py);
    l->Draw();
    m->Draw();
    r->Draw();
    label.SetPosition(textX, y + h * 0.1f);
    label.colour = enabled ? 1 : 16;
    DrawTextLabel(&label);
}

// ---- ImageButton -----------------------------------------------------------------------

void ImageButton::Reset() {
    std::memset(this, 0, sizeof *this);
    disabledColour = WIDGET_DISABLED_TINT;
}

void ImageButton::Create(float bx, float by, Sprite2D* highlight, Sprite2D* plain, uint8_t alignLetter) {
    Reset();
    x = bx;
    y = by;
    align = alignLetter;
    enabled = visible = 1;
    if (!highlight || !plain) return;
    highlightSprite = highlight;
    plainSprite = plain;
    w = highlight->w;
    h = highlight->h;
}

void ImageButton::SetSize(float bw, float bh, int mode) {
    if (!highlightSprite) return;
    highlightSprite->SetSize(bw, bh, mode);
    w = highlightSprite->w;
    h = highlightSprite->h;
}

void ImageButton::SetPosition(float bx, float by) {
    if (bx == x && by == y) return;
    x = bx;
    y = by;
}

namespace {
float AlignedLeft(float x, float w, uint8_t align) {
    if (AlignIs(align, 'C')) return x - w / 2.0f;
    if (AlignIs(align, 'D')) return x - w;
    return x;
}
}  // namespace

bool ImageButton::IsMouseOver() const {
    if (!visible || !enabled || !highlightSprite) return false;
    return g_Mouse.IsInRelativeRect(AlignedLeft(x, w, align), y, w, h);
}

void ImageButton::Draw() {
    if (!visible || !highlightSprite) return;
    Sprite2D* s = highlighted && enabled ? highlightSprite : plainSprite;
    if (s->w != w || s->h != h) s->SetSize(w, h, SPRITE_SIZE_GIVEN);
    s->SetPosition(AlignedLeft(x, w, align), y);
    s->diffuse = enabled ? 0xffffffffu : disabledColour;
    s->Draw();
    s->diffuse = 0xffffffffu;
}

// ---- ConfirmBox ------------------------------------------------------------------------

void ConfirmBox::Reset() {
    DestroyTextLabel(&label);
    x = y = w = h = 0.0f;
    std::memset(text, 0, sizeof text);
    textSize = 0;
    open = 0;
    background = nullptr;
    yes.Reset();
    no.Reset();
}

void ConfirmBox::Create(const char* question, MenuPictures pictures, uint32_t size) {
    Reset();
    background = pictures[25];
    PlaceBox(background, &x, &y, &w, &h);
    textSize = size;
    if (LabelMode())
        CreateTextLabel(&label, x + w / 2.0f, y + h / 3.0f, 'c', question ? question : "", int32_t(size), 1);
    else
        CopyWidgetText(text, question);
    open = 0;
    yes.Create(0.0f, 0.0f, 0.14f, 0.06f, g_TextTable.Get(685), 'd', pictures, 6);
    no.Create(0.0f, 0.0f, 0.14f, 0.06f, g_TextTable.Get(686), 'i', pictures, 6);
}

int ConfirmBox::Update(bool forceYes, bool forceNo) {
    if (!open) return 0;
    const float cx = x + w / 2.0f, cy = y + 2.0f * h / 3.0f;
    const bool pressed = g_Mouse.buttons[MOUSE_LEFT].pressed != 0;
    yes.SetPosition(cx - 0.05f, cy);
    if (forceYes || yes.IsMouseOver()) {
        yes.highlighted = 1;
        if (pressed || forceYes) {
            yes.highlighted = 0;
            PlayFx(FX_ACCEPT);
            return 1;
        }
    } else {
        yes.highlighted = 0;
    }
    no.SetPosition(cx + 0.05f, cy);
    if (!forceNo && !no.IsMouseOver()) {
        no.highlighted = 0;
        return 0;
    }
    no.highlighted = 1;
    if (!pressed && !forceNo) return 0;
    no.highlighted = 0;
    PlayFx(FX_ACCEPT);
    return -1;
}

void ConfirmBox::Draw() {
    if (!open) return;
    DrawBoxBase(x, y, w, h, background, label, text);
    yes.SetPosition(x + w / 2.0f - 0.05f, y + 2.0f * h / 3.0f);
    no.SetPosition(x + w / 2.0f + 0.05f, y + 2.0f * h / 3.0f);
    yes.Draw();
    no.Draw();
}

// ---- NoticeBox -------------------------------------------------------------------------

void NoticeBox::Reset() {
    DestroyTextLabel(&label);
    x = y = w = h = 0.0f;
    std::memset(text, 0, sizeof text);
    open = 0;
    background = nullptr;
    shownAt = duration = 0;
}

void NoticeBox::Create(const char* message, MenuPictures pictures, uint32_t durationMs) {
    Reset();
    background = pictures[25];
    PlaceBox(background, &x, &y, &w, &h);
    if (LabelMode())
        CreateTextLabel(&label, x + w / 2.0f, y + h / 3.0f, 'c', message ? message : "", 5, 1);
    else
        CopyWidgetText(text, message);
    duration = durationMs;
}

void NoticeBox::StartBlinkTimer(bool show) {
    open = show ? 1 : 0;
    if (show) shownAt = os::timeGetTime();
}

void NoticeBox::UpdateBlinkTimer(bool a, bool b) {
    if (!open) return;
    if (os::timeGetTime() - shownAt > duration || a || b) open = 0;
}

void NoticeBox::Draw() {
    if (open) DrawBoxBase(x, y, w, h, background, label, text);
}

// ---- TextField -------------------------------------------------------------------------

void TextField::Reset() {
    DestroyTextLabel(&textLabel);
    DestroyTextLabel(&caretLabel);
    frame.Reset();
    x = y = w = h = 0.0f;
    editing = 0;
    target = nullptr;
    capacity = 0;
    blinkAt = 0;
    align = 0;
    highlighted = 0;
}

void TextField::Create(float fx, float fy, float fw, float fh, uint8_t alignLetter, char* targetText,
                       uint32_t targetCapacity, int32_t size, uint32_t colour, uint32_t frameColour,
                       uint8_t frameBlend) {
    Reset();
    x = fx;
    y = fy;
    w = fw;
    h = fh;
    align = alignLetter;
    target = targetCapacity > 0 ? targetText : nullptr;
    capacity = target ? targetCapacity : 0;
    frame.Create(x, y, w, h, frameColour, frameBlend);
    frame.visible = 1;
    const char* shown = target ? target : "";
    if (AlignIs(align, 'C'))
        CreateTextLabel(&textLabel, x + w / 2.0f, y, align, shown, size, colour);
    else if (AlignIs(align, 'D'))
        CreateTextLabel(&textLabel, x + w, y, align, shown, size, colour);
    else if (AlignIs(align, 'I'))
        CreateTextLabel(&textLabel, x, y, align, shown, size, colour);
    CreateTextLabel(&caretLabel, 0.0f, 0.0f, 'i', "_", size, colour);
    caretLabel.visible = 0;
}

void TextField::BeginEdit() {
    if (!target) return;
    if (g_MenuShellCalls.clearKeyboardState) g_MenuShellCalls.clearKeyboardState();
    caretLabel.SetPosition(textLabel.x, textLabel.y);
    caretLabel.visible = 1;
    blinkAt = GetTime(CLOCK_MENU);
    editing = 1;
    // The entry starts from the value, which stays on show while it is edited.
    textLabel.SetText(target);
    PlaceCaret();
}

void TextField::PlaceCaret() {
    if (AlignIs(align, 'C'))
        caretLabel.SetPosition(textLabel.x + textLabel.w / 2.0f, textLabel.y);
    else if (AlignIs(align, 'I'))
        caretLabel.SetPosition(textLabel.x + textLabel.w, textLabel.y);
}

namespace {
// Printable Windows-1252: ASCII 32-126 and the assigned codes 128-255.
bool IsPrintable1252(int ch) {
    if (ch >= 32 && ch <= 126) return true;
    return ch >= 128 && ch <= 255 && ch != 0x81 && ch != 0x8D && ch != 0x8F && ch != 0x90 && ch != 0x9D;
}
}  // namespace

// 1 Enter, -1 Escape, 0 otherwise; `work` holds the text being typed.
int TextField::TakeCharacter(int ch, char* work) {
    const size_t len = std::strlen(work);
    if (ch == os::VK_BACK) {
        if (len > 0) {
            work[len - 1] = 0;
            PlayFx(FX_ACCEPT);
        }
        return 0;
    }
    if (ch == os::VK_RETURN || ch == os::VK_ESCAPE) {
        editing = 0;
        caretLabel.visible = 0;
        highlighted = 0;
        PlayFx(FX_ACCEPT);
        if (ch == os::VK_ESCAPE) {
            textLabel.SetText(target);
            return -1;
        }
        std::snprintf(target, capacity, "%s", work);
        textLabel.SetText(target);
        return 1;
    }
    const size_t most = capacity - 1 < uint32_t(TEXT_FIELD_MAX_CHARS) ? capacity - 1 : TEXT_FIELD_MAX_CHARS;
    if (!IsPrintable1252(ch) || len >= most) return 0;
    work[len] = char(ch);
    work[len + 1] = 0;
    PlayFx(FX_ACCEPT);
    return 0;
}

int TextField::Update() {
    if (!editing || !target) return 0;
    char work[WIDGET_TEXT_CAPACITY];
    CopyWidgetText(work, textLabel.text);
    const uint32_t now = GetTime(CLOCK_MENU);
    if (now - blinkAt > 500) {
        blinkAt = now;
        caretLabel.visible = caretLabel.visible ? 0 : 1;
    }
    int ch;
    while (g_MenuShellCalls.nextTypedChar && (ch = g_MenuShellCalls.nextTypedChar()) >= 0) {
        const int result = TakeCharacter(ch, work);
        if (result != 0) return result;
    }
    textLabel.SetText(work);
    PlaceCaret();
    return 0;
}

void TextField::Draw() {
    frame.Draw();
    DrawTextLabel(&caretLabel);
    DrawTextLabel(&textLabel);
}
