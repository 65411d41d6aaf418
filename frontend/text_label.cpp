#include "frontend/text_label.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/debug_log.h"
#include "frontend/paragraph_layout.h"
#include "frontend/screen_states.h"
#include "frontend/texture_font.h"
#include "platform/gfx/device.h"
#include "platform/text/text.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/glow.h"
#include "shell/mouse.h"

using namespace gfx;

uint32_t TextLabelMode = LABEL_MODE_FONT;
LabelCanvas g_LabelCanvas = {};

namespace {

constexpr const char* kLabelFace = "Comic Sans MS";
constexpr int32_t kCanvasDpi = 96;
constexpr uint32_t kLabelFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct LabelVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(LabelVertex) == 28, "the device reads 28-byte vertices");

int ClampScale(int32_t size) { return std::clamp(size, 0, FONT_SCALES - 1); }
uint32_t ClampColour(uint32_t colour) { return std::min<uint32_t>(colour, FONT_COLOURS - 1); }

char* CopyText(const char* text) {
    if (!text) text = "";
    const size_t n = std::strlen(text) + 1;
    char* copy = new char[n];
    std::memcpy(copy, text, n);
    return copy;
}

void RecordCanvasBlocks(Device* d) {
    LabelCanvas& c = g_LabelCanvas;
    if (c.device == d && g_Video.IsCurrentDevice(d, c.deviceSerial) && c.drawBlock && c.savedBlock) return;
    c.drawBlock = c.savedBlock = 0;
    for (uint32_t* block : {&c.drawBlock, &c.savedBlock}) {
        if (Failed(d->BeginStateBlock())) continue;
        d->SetTexture(0, nullptr);
        SetScreenStates(d, {1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 1, 0, D3DTOP_MODULATE});
        if (Failed(d->EndStateBlock(block))) *block = 0;
    }
    c.device = d;
    c.deviceSerial = g_Video.deviceSerial;
    if (!c.drawBlock || !c.savedBlock) WriteDebugLog("TextLabel: state blocks failed");
}

// One more label holds the canvas; the first makes it.
void AcquireCanvas() {
    LabelCanvas& c = g_LabelCanvas;
    if (c.users++ == 0) {
        c.bitmap = new text::Bitmap(LABEL_CANVAS_SIZE, LABEL_CANVAS_SIZE);
        c.dc = new text::DrawContext();
        c.dc->SelectBitmap(c.bitmap);
    }
    if (Device* d = g_Video.GetDevice()) RecordCanvasBlocks(d);
}

void FreeCanvas() {
    LabelCanvas& c = g_LabelCanvas;
    if (g_Video.IsCurrentDevice(c.device, c.deviceSerial)) {
        if (c.drawBlock) c.device->DeleteStateBlock(c.drawBlock);
        if (c.savedBlock) c.device->DeleteStateBlock(c.savedBlock);
    }
    delete c.dc;
    delete c.bitmap;
    c = LabelCanvas{};
}

void ReleaseCanvas() {
    if (g_LabelCanvas.users == 0) return;
    if (--g_LabelCanvas.users == 0) FreeCanvas();
}

void DropTexture(TextLabel* label) {
    if (!label->texture) return;
    label->texture->Release();
    label->texture = nullptr;
    ReleaseCanvas();
}

text::Font* MakeLabelFont(int32_t size) {
    text::FontDesc desc;
    desc.height = -MulDiv(int8_t(size), kCanvasDpi, 72);
    desc.weight = 100;
    desc.face = kLabelFace;
    text::Font* font = text::CreateFont(desc);
    if (!font) WriteDebugLogF("TextLabel: no font of size %d", int(size));
    return font;
}

// Makes the label's texture for its pixel size and copies the canvas corner into it: opaque white
// where the text's ink is, transparent elsewhere.
bool FillTexture(TextLabel* label) {
    Device* d = g_Video.GetDevice();
    uint32_t w = 0, h = 0;
    NextPowerOfTwo(uint32_t(label->pixelWidth), nullptr, &w);
    NextPowerOfTwo(uint32_t(label->pixelHeight), nullptr, &h);
    label->textureWidth = w;
    label->textureHeight = h;
    Texture* tex = nullptr;
    if (!d || Failed(d->CreateTexture(w, h, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &tex)) || !tex) {
        WriteDebugLogF("TextLabel: no texture of %u x %u", unsigned(w), unsigned(h));
        return false;
    }
    LockedRect locked{};
    if (Failed(tex->LockRect(0, &locked, nullptr, 0)) || !locked.pBits) {
        WriteDebugLog("TextLabel: the texture cannot be locked");
        tex->Release();
        return false;
    }
    const uint32_t* canvas = g_LabelCanvas.bitmap->Pixels();
    for (uint32_t row = 0; row < h; ++row) {
        auto* out = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.pBits) + size_t(row) * size_t(locked.Pitch));
        for (uint32_t col = 0; col < w; ++col) {
            const bool inside = int32_t(row) < label->pixelHeight && int32_t(col) < label->pixelWidth;
            out[col] = inside && (canvas[size_t(row) * LABEL_CANVAS_SIZE + col] & 0xF0) ? 0xFFFF : 0;
        }
    }
    tex->UnlockRect(0);
    label->texture = tex;
    return true;
}

// Renders the label's text as one line sized to the text.
bool RenderLine(TextLabel* label) {
    text::Font* font = MakeLabelFont(label->size);
    if (!font) return false;
    AcquireCanvas();
    text::DrawContext& dc = *g_LabelCanvas.dc;
    dc.SelectFont(font);
    const int32_t length = int32_t(std::strlen(label->text));
    text::Size extent{};
    dc.GetTextExtentPoint32(label->text, length, &extent);
    // What the canvas cannot hold is not rendered.
    label->pixelWidth = std::min(extent.cx, LABEL_CANVAS_SIZE);
    label->pixelHeight = std::min(extent.cy, LABEL_CANVAS_SIZE);
    label->w = float(extent.cx) / SpriteScreenWidth();
    label->h = float(extent.cy) / SpriteScreenHeight();
    dc.SetTextColor(0xFFFFFF);
    dc.SetBkColor(0x000000);
    dc.ExtTextOut(0, 0, text::ETO_OPAQUE, label->text, length);
    dc.SelectFont(nullptr);
    text::DeleteFont(font);
    if (FillTexture(label)) return true;
    ReleaseCanvas();
    return false;
}

// Lays the paragraph out in the label's box and renders it.
bool RenderParagraph(TextLabel* label) {
    text::Font* font = MakeLabelFont(label->size);
    if (!font) return false;
    AcquireCanvas();
    text::DrawContext& dc = *g_LabelCanvas.dc;
    dc.SelectFont(font);
    const int32_t W = std::clamp(int32_t(SpriteScreenWidth() * label->w), 0, LABEL_CANVAS_SIZE);
    const int32_t H = std::clamp(int32_t(SpriteScreenHeight() * label->h), 0, LABEL_CANVAS_SIZE);
    label->pixelWidth = W;
    label->pixelHeight = H;
    uint32_t* pixels = g_LabelCanvas.bitmap->Pixels();
    for (int32_t row = 0; row < H; ++row) std::fill_n(pixels + size_t(row) * LABEL_CANVAS_SIZE, W, 0u);
    dc.SetTextColor(0xFFFFFF);
    dc.SetBkColor(0x000000);

    text::Size whole{};
    dc.GetTextExtentPoint32(label->text, int32_t(std::strlen(label->text)), &whole);
    const int32_t lineHeight = whole.cy;
    auto measure = [&dc](const std::string& s) {
        text::Size e{};
        dc.GetTextExtentPoint32(s.data(), int32_t(s.size()), &e);
        return e.cx;
    };
    const std::vector<ParagraphLine> lines = LayoutParagraph(label->text, W, measure);
    const int32_t count = int32_t(lines.size());
    const int32_t gap = (H - count * lineHeight) / (count + 1);
    for (int32_t i = 0; i < count; ++i) {
        const ParagraphLine& line = lines[size_t(i)];
        const int32_t width = measure(line.text);
        int32_t x = 0;
        if (line.flag == LINE_CENTRED) x = (W - width) / 2;
        if (line.flag == LINE_JUSTIFIED) dc.SetTextJustification(W - width);
        dc.ExtTextOut(x, i * lineHeight + (i + 1) * gap, text::ETO_OPAQUE, line.text.data(), int32_t(line.text.size()));
        dc.SetTextJustification(0);
    }
    dc.SelectFont(nullptr);
    text::DeleteFont(font);
    if (FillTexture(label)) return true;
    ReleaseCanvas();
    return false;
}

void MeasureWithFont(TextLabel* label) {
    const int scale = ClampScale(label->size);
    label->w = g_Font.TextWidth(label->text, int32_t(std::strlen(label->text)), scale);
    label->h = g_Font.LineHeight(scale);
}

// Fills the common fields of a label made anew.
void Begin(TextLabel* label, float x, float y, uint8_t alignment, const char* text, int32_t size, uint32_t colour) {
    DestroyTextLabel(label);
    label->inUse = 1;
    label->x = x;
    label->y = y;
    label->alignment = alignment;
    label->text = CopyText(text);
    label->size = size * 3;
    label->colour = colour;
    label->highlightColour = 0;
    label->visible = 1;
    label->highlighted = 0;
}

}  // namespace

TextLabel::TextLabel() { std::memset(static_cast<void*>(this), 0, sizeof *this); }
TextLabel::~TextLabel() { DestroyTextLabel(this); }

bool CreateTextLabel(TextLabel* label, float x, float y, uint8_t alignLetter, const char* text, int32_t size,
                     uint32_t colour) {
    if (!label) return false;
    Begin(label, x, y, alignLetter, text, size, colour);
    if (TextLabelMode == LABEL_MODE_FONT) {
        MeasureWithFont(label);
        return true;
    }
    if (TextLabelMode == LABEL_MODE_TEXTURE) return RenderLine(label);
    return false;
}

bool CreateTextParagraph(TextLabel* label, float x, float y, float w, float h, const char* text, int32_t size,
                         uint32_t colour) {
    if (!label) return false;
    Begin(label, x, y, LABEL_PARAGRAPH, text, size, colour);
    label->w = w;
    label->h = h;
    if (TextLabelMode == LABEL_MODE_FONT) return true;
    if (TextLabelMode == LABEL_MODE_TEXTURE) return RenderParagraph(label);
    return false;
}

void DestroyTextLabel(TextLabel* label) {
    if (!label) return;
    // A label given text without being created still holds that text and its texture.
    delete[] label->text;
    DropTexture(label);
    std::memset(static_cast<void*>(label), 0, sizeof *label);
}

void TextLabel::SetPosition(float px, float py) {
    x = px;
    y = py;
}

void TextLabel::SetPositionPixels(int32_t px, int32_t py) {
    Viewport vp{};
    Device* d = g_Video.GetDevice();
    if (!d || Failed(d->GetViewport(&vp)) || !vp.Width || !vp.Height) return;
    x = float(px) / float(vp.Width);
    y = float(py) / float(vp.Height);
}

void TextLabel::SetText(const char* next) {
    if (!next) next = "";
    visible = 1;
    if (text && std::strcmp(text, next) == 0) return;
    delete[] text;
    text = CopyText(next);
    if (TextLabelMode == LABEL_MODE_FONT) {
        w = g_Font.TextWidth(text, int32_t(std::strlen(text)), ClampScale(size));
    } else if (TextLabelMode == LABEL_MODE_TEXTURE) {
        DropTexture(this);
        RenderLine(this);
    }
}

void TextLabel::SetHighlightColor(uint32_t c) { highlightColour = c; }

bool TextLabel::IsMouseOver() const {
    if (!visible) return false;
    // The widgets create their labels with lower-case letters.
    const int align = AlignFromLetter(alignment);
    float left = x;
    if (align == FONT_ALIGN_CENTRE)
        left = x - w / 2;
    else if (align == FONT_ALIGN_RIGHT)
        left = x - w;
    return g_Mouse.IsInRelativeRect(left, y, w, h);
}

void DrawTextLabel(const TextLabel* label) {
    if (!label || !label->visible || !label->text) return;
    const uint32_t colour = ClampColour(label->highlighted ? label->highlightColour : label->colour);
    if (TextLabelMode == LABEL_MODE_FONT) {
        g_Font.Print(ClampScale(label->size), int(colour), label->x, label->y, 0, label->text, label->alignment, true);
        return;
    }
    Device* d = g_Video.GetDevice();
    if (TextLabelMode != LABEL_MODE_TEXTURE || !label->texture || !d) return;
    RecordCanvasBlocks(d);
    const LabelCanvas& c = g_LabelCanvas;
    Viewport vp{};
    if (!c.drawBlock || !c.savedBlock || Failed(d->GetViewport(&vp))) return;
    d->CaptureStateBlock(c.savedBlock);
    d->ApplyStateBlock(c.drawBlock);
    g_Video.SetVertexShader(kLabelFvf);
    d->SetTexture(0, label->texture);
    float px = float(vp.Width) * label->x;
    const float py = float(vp.Height) * label->y;
    const int align = AlignFromLetter(label->alignment);
    if (align == FONT_ALIGN_RIGHT)
        px -= float(label->pixelWidth);
    else if (align == FONT_ALIGN_CENTRE)
        px -= float(label->pixelWidth / 2);
    const float pw = float(label->pixelWidth), ph = float(label->pixelHeight);
    const float u = pw / float(label->textureWidth), v = ph / float(label->textureHeight);
    const uint32_t argb = FontColors[colour];
    const LabelVertex q[6] = {
        {px, py, 0.9f, 1.0f, argb, 0, 0},           {px + pw, py, 0.9f, 1.0f, argb, u, 0},
        {px + pw, py + ph, 0.9f, 1.0f, argb, u, v}, {px, py, 0.9f, 1.0f, argb, 0, 0},
        {px + pw, py + ph, 0.9f, 1.0f, argb, u, v}, {px, py + ph, 0.9f, 1.0f, argb, 0, v},
    };
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, q, sizeof(LabelVertex));
    d->ApplyStateBlock(c.savedBlock);
}

uint32_t GetTextLabelMode() { return TextLabelMode; }
void SetTextLabelMode(uint32_t mode) { TextLabelMode = mode; }

void ResetTextLabels() {
    FreeCanvas();
    TextLabelMode = LABEL_MODE_FONT;
}
