// The nine small widget kinds the 2D front-end screens are built from. Each is a plain record
// kept in a fixed slot of its owner: the constructor zeroes it, Create fills it, Reset empties it
// (destroying its labels). Positions and sizes are fractions of the screen; pixels are truncated
// products. Widgets made from missing pictures have size 0, draw nothing and are never hit.
#pragma once

#include <cstdint>

#include "frontend/text_label.h"

class Sprite2D;

constexpr int MENU_PICTURE_COUNT = 67;
constexpr uint32_t WIDGET_DISABLED_TINT = 0xff808080;
constexpr uint32_t WIDGET_TEXT_CAPACITY = 260;
constexpr int TEXT_FIELD_MAX_CHARS = 18;

// The widgets' feedback sounds.
constexpr int FX_ACCEPT = 200;
constexpr int FX_REFUSE = 201;

using MenuPictures = Sprite2D* const*;

// trunc(W x) and trunc(H y) of the video object's screen rectangle.
int32_t PixelX(float fx);
int32_t PixelY(float fy);
bool AlignIs(uint8_t align, char upper);
// Copies into a widget text, cut to fit.
void CopyWidgetText(char* dest, const char* text);

struct MenuPanel {
    float x, y, w, h;
    uint32_t colour;
    uint8_t blend;
    int32_t left, top, right, bottom;
    uint8_t visible;

    MenuPanel() { Reset(); }
    ~MenuPanel() { Reset(); }
    void Reset();
    void Create(float x, float y, float w, float h, uint32_t colour, uint8_t blend);
    void SetRect(float x, float y);
    bool IsMouseOver() const;
    void Draw() const;
};

struct MenuSwitch {
    float x, y, w, h;
    int32_t px, py, pw, ph;
    uint8_t on;
    uint8_t enabled;
    Sprite2D* onSprite;
    Sprite2D* offSprite;

    MenuSwitch() { Reset(); }
    ~MenuSwitch() { Reset(); }
    void Reset();
    void Create(float h, MenuPictures pictures);
    float GetWidth();
    void SetPosition(float x, float y);
    bool IsClicked() const;
    void Draw();
};

struct MenuSlider {
    float x, y, w, h;
    uint8_t visible, enabled;
    float value;
    float uMin, vMin, uMax, vMax;
    Sprite2D* leftEnd;
    Sprite2D* rightEnd;
    Sprite2D* filledPart;
    Sprite2D* emptyPart;
    Sprite2D* knob;
    int32_t hitX, hitY, hitW, hitH;

    MenuSlider() { Reset(); }
    ~MenuSlider() { Reset(); }
    void Reset();
    void Create(float w, float h, MenuPictures pictures);
    void SetPosition(float x, float y);
    // The value under the pointer, or -1.0 when it misses, the slider is disabled or has no width.
    float GetClickedValue() const;
    void Draw(uint8_t align);
};

struct ArrowSelector {
    float x, y, h;
    char text[WIDGET_TEXT_CAPACITY];
    TextLabel label;
    uint32_t state;
    uint8_t enabled;
    Sprite2D* leftOn;
    Sprite2D* leftOff;
    Sprite2D* rightOn;
    Sprite2D* rightOff;
    float gap, boxH;
    int32_t lx, ly, lw, lh, rx, ry, rw, rh;

    ArrowSelector() { Reset(); }
    ~ArrowSelector() { Reset(); }
    void Reset();
    void Create(float h, float gap, float boxH, const char* text, MenuPictures pictures);
    void SetPosition(float x, float y);
    void SetText(const char* text);
    int HitTest() const;
    void Draw();
};

struct MenuButton {
    float x, y, w, h;
    uint32_t size;
    uint8_t align;
    int32_t py, pw, ph;
    TextLabel label;
    uint8_t highlighted;
    uint8_t enabled;
    Sprite2D* plainLeft;
    Sprite2D* plainMiddle;
    Sprite2D* plainRight;
    Sprite2D* highLeft;
    Sprite2D* highMiddle;
    Sprite2D* highRight;

    MenuButton() { Reset(); }
    ~MenuButton() { Reset(); }
    void Reset();
    void Create(float x, float y, float w, float h, const char* text, uint8_t align, MenuPictures pictures,
                uint32_t size);
    void SetPosition(float x, float y);
    bool IsMouseOver() const;
    void Draw();

private:
    bool HasPieces() const;
    void SizePieces();
    int32_t LeftEdge() const;
};

struct ImageButton {
    float x, y, w, h;
    uint8_t align;
    uint8_t highlighted, enabled, visible;
    Sprite2D* highlightSprite;
    Sprite2D* plainSprite;
    uint32_t disabledColour;

    ImageButton() { Reset(); }
    ~ImageButton() { Reset(); }
    void Reset();
    void Create(float x, float y, Sprite2D* highlight, Sprite2D* plain, uint8_t align);
    void SetSize(float w, float h, int mode);
    void SetPosition(float x, float y);
    bool IsMouseOver() const;
    void Draw();
};

struct ConfirmBox {
    float x, y, w, h;
    char text[WIDGET_TEXT_CAPACITY];
    TextLabel label;
    uint32_t textSize;
    uint8_t open;
    Sprite2D* background;
    MenuButton yes, no;

    ConfirmBox() { Reset(); }
    ~ConfirmBox() { Reset(); }
    void Reset();
    void Create(const char* text, MenuPictures pictures, uint32_t textSize);
    // 1 yes, -1 no, 0 nothing chosen; the box stays open.
    int Update(bool forceYes, bool forceNo);
    void Draw();
};

struct NoticeBox {
    float x, y, w, h;
    char text[WIDGET_TEXT_CAPACITY];
    TextLabel label;
    uint8_t open;
    Sprite2D* background;
    uint32_t shownAt;
    uint32_t duration;

    NoticeBox() { Reset(); }
    ~NoticeBox() { Reset(); }
    void Reset();
    void Create(const char* text, MenuPictures pictures, uint32_t durationMs);
    void StartBlinkTimer(bool show);
    void UpdateBlinkTimer(bool a, bool b);
    void Draw();
};

struct TextField {
    float x, y, w, h;
    uint8_t editing;
    char* target;
    uint32_t capacity;      // bytes of the target
    uint32_t blinkAt;
    uint8_t align;
    TextLabel textLabel;
    TextLabel caretLabel;
    MenuPanel frame;
    uint8_t highlighted;

    TextField() { Reset(); }
    ~TextField() { Reset(); }
    void Reset();
    void Create(float x, float y, float w, float h, uint8_t align, char* target, uint32_t capacity, int32_t size,
                uint32_t colour, uint32_t frameColour, uint8_t frameBlend);
    void BeginEdit();
    // 1 Enter (committed), -1 Escape (target unchanged), 0 still editing or idle.
    int Update();
    void SetHighlighted(bool flag) { highlighted = flag ? 1 : 0; }
    void Draw();

private:
    int TakeCharacter(int ch, char* work);
    // At the end of the text, for the alignments that say where that is.
    void PlaceCaret();
};

