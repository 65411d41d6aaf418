#include "frontend/texture_font.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "frontend/screen_states.h"
#include "frontend/text_table.h"
#include "platform/gfx/device.h"
#include "platform/text/text.h"
#include "render/video.h"
#include "core/debug_log.h"

using namespace gfx;

TextureFont g_Font;

const uint32_t FontColors[FONT_COLOURS] = {
    0xFF000046, 0xFFDCDCFF, 0xFFFFFF80, 0xFFFF00FF, 0xFF64FF64, 0xFFFF0000, 0xFF00FF00,
    0xFF0000FF, 0xFFFFC800, 0xFF8000FF, 0xFF0080FF, 0xFFFF8000, 0xFF00FF80, 0xFFC0C0FF,
    0xFF808000, 0xFFD8D8F8, 0xFF87879B, 0xFF4E4E5A, 0xFF81CCD1,
};

namespace {

constexpr uint32_t kFontFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct FontVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(FontVertex) == 28, "the device reads 28-byte vertices");

// Callers keep to these ranges; anything else is held inside the tables.
int ClampScale(int scale) { return std::clamp(scale, 0, FONT_SCALES - 1); }
int ClampColour(int colour) { return std::clamp(colour, 0, FONT_COLOURS - 1); }

bool GetViewportSize(Device* device, float* width, float* height) {
    Viewport vp{};
    if (!device || Failed(device->GetViewport(&vp)) || vp.Width == 0 || vp.Height == 0) return false;
    *width = float(vp.Width);
    *height = float(vp.Height);
    return true;
}

}  // namespace

int AlignFromLetter(uint8_t letter) {
    switch (letter) {
    case 'I': case 'i': return FONT_ALIGN_LEFT;
    case 'D': case 'd': return FONT_ALIGN_RIGHT;
    case 'C': case 'c': return FONT_ALIGN_CENTRE;
    case 'J': case 'j': return FONT_ALIGN_JUSTIFIED;
    default: return -1;
    }
}

TextureFont::~TextureFont() {
    // At exit the device may be gone already; a texture outliving it is inert.
    if (texture) texture->Release();
    texture = nullptr;
}

void TextureFont::Zero() {
    std::memset(faceName, 0, sizeof faceName);
    flags = 0;
    texture = nullptr;
    textureWidth = textureHeight = 0;
    textScale = 1.0f;
    std::memset(glyphs, 0, sizeof glyphs);
    drawBlock = savedBlock = 0;
    for (int i = 0; i < FONT_SCALES; ++i) scales[i][0] = scales[i][1] = 0.01f + 0.005f * float(i);
    device_ = nullptr;
    deviceSerial_ = 0;
}

bool TextureFont::Create(const char* face, int32_t height, uint32_t styleFlags) {
    // A font made before goes first, so a second Create leaks nothing.
    Release();
    Device* device = g_Video.device;
    if (!device || !face) return false;

    textScale = 1.0f;
    uint32_t size = height > 40 ? 1024 : height > 14 ? 512 : 256;
    Caps caps{};
    uint32_t maxSize = 0;
    if (Succeeded(device->GetDeviceCaps(&caps))) maxSize = caps.MaxTextureWidth;
    if (maxSize != 0 && size > maxSize) {
        textScale = float(maxSize) / float(size);
        size = maxSize;
    }

    text::FontDesc desc;
    desc.height = -MulDiv(height, int32_t(96.0f * textScale), 72);
    desc.weight = (styleFlags & FONT_BOLD) ? text::FW_BOLD : text::FW_NORMAL;
    desc.italic = (styleFlags & FONT_ITALIC) != 0;
    desc.face = face;
    text::Font* font = text::CreateFont(desc);
    if (!font) {
        WriteDebugLogF("TextureFont::Create(%s, %d): CreateFont failed", face, height);
        return false;
    }
    text::DrawContext dc;
    dc.SelectFont(font);

    // The sizes above suit the original faces; a wider stand-in face may need a larger texture
    // for all its glyphs to fit. The glyphs keep their size: only the texture grows.
    if (maxSize == 0) maxSize = 2048;
    while (!PackGlyphs(&dc, size, false) && size * 2 <= maxSize) size *= 2;

    Texture* tex = nullptr;
    if (Failed(device->CreateTexture(size, size, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &tex)) || !tex) {
        WriteDebugLogF("TextureFont::Create(%s, %d): CreateTexture failed", face, height);
        text::DeleteFont(font);
        std::memset(glyphs, 0, sizeof glyphs);
        textScale = 1.0f;
        return false;
    }

    text::Bitmap bitmap{int32_t(size), int32_t(size)};
    dc.SelectBitmap(&bitmap);
    dc.SetTextColor(0xFFFFFF);
    dc.SetBkColor(0x000000);
    if (!PackGlyphs(&dc, size, true))
        WriteDebugLogF("TextureFont::Create(%s, %d): glyphs past the texture's bottom edge", face, height);
    text::DeleteFont(font);

    // White glyphs whose alpha is the coverage, in four bits.
    LockedRect locked{};
    if (Failed(tex->LockRect(0, &locked, nullptr, 0)) || !locked.pBits) {
        WriteDebugLogF("TextureFont::Create(%s, %d): LockRect failed", face, height);
        tex->Release();
        std::memset(glyphs, 0, sizeof glyphs);
        textScale = 1.0f;
        return false;
    }
    const uint32_t* src = bitmap.Pixels();
    for (uint32_t row = 0; row < size; ++row) {
        uint8_t* dst = static_cast<uint8_t*>(locked.pBits) + std::ptrdiff_t(row) * locked.Pitch;
        for (uint32_t col = 0; col < size; ++col) {
            uint32_t a = (src[size_t(row) * size + col] >> 4) & 0xF;
            uint16_t texel = a ? uint16_t((a << 12) | 0x0FFF) : 0;
            dst[col * 2] = uint8_t(texel);
            dst[col * 2 + 1] = uint8_t(texel >> 8);
        }
    }
    tex->UnlockRect(0);

    texture = tex;
    textureWidth = textureHeight = size;
    device_ = device;
    deviceSerial_ = g_Video.deviceSerial;
    std::strncpy(faceName, face, sizeof faceName - 1);
    faceName[sizeof faceName - 1] = 0;
    flags = styleFlags;
    RestoreDeviceObjects();
    return true;
}

bool TextureFont::PackGlyphs(text::DrawContext* dc, uint32_t size, bool draw) {
    const float fsize = float(size);
    const int32_t limit = int32_t(size);
    int32_t x = 0, y = 0;
    bool fits = true;
    for (int c = FONT_FIRST_CHAR; c < FONT_FIRST_CHAR + FONT_GLYPHS; ++c) {
        char ch = char(c);
        text::Size extent{};
        dc->GetTextExtentPoint32(&ch, 1, &extent);
        if (x + extent.cx + 1 > limit) {
            x = 0;
            y += extent.cy + 1;
        }
        if (y + extent.cy > limit || x + extent.cx > limit) fits = false;
        if (draw) dc->ExtTextOut(x, y, text::ETO_OPAQUE, &ch, 1);
        glyphs[c - FONT_FIRST_CHAR] = {float(x) / fsize, float(y) / fsize, float(x + extent.cx) / fsize,
                                       float(y + extent.cy) / fsize};
        x += extent.cx + 1;
    }
    return fits;
}

void TextureFont::DeleteBlocks() {
    // Handles of a device that is gone mean nothing to its successor.
    if (g_Video.IsCurrentDevice(device_, deviceSerial_)) {
        if (drawBlock) device_->DeleteStateBlock(drawBlock);
        if (savedBlock) device_->DeleteStateBlock(savedBlock);
    }
    drawBlock = savedBlock = 0;
}

void TextureFont::RestoreDeviceObjects() {
    if (!texture || !g_Video.IsCurrentDevice(device_, deviceSerial_)) return;
    DeleteBlocks();
    Device* d = device_;
    for (uint32_t* block : {&drawBlock, &savedBlock}) {
        *block = 0;
        if (Failed(d->BeginStateBlock())) continue;
        d->SetTexture(0, texture);
        SetScreenStates(d, {1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 1, 0, D3DTOP_MODULATE});
        if (Failed(d->EndStateBlock(block))) *block = 0;
    }
    if (!drawBlock || !savedBlock) WriteDebugLog("TextureFont::RestoreDeviceObjects: state blocks failed");
}

void TextureFont::Release() {
    DeleteBlocks();
    if (texture) texture->Release();
    texture = nullptr;
    std::memset(faceName, 0, sizeof faceName);
    flags = 0;
    textureWidth = textureHeight = 0;
    textScale = 1.0f;
    std::memset(glyphs, 0, sizeof glyphs);
    device_ = nullptr;
    deviceSerial_ = 0;
}

bool TextureFont::CanDraw() const {
    return texture && g_Video.IsCurrentDevice(device_, deviceSerial_) && drawBlock && savedBlock;
}

bool TextureFont::ScaledGlyphFactors(int scale, float viewportHeight, float* kx, float* ky) const {
    const GlyphRect& space = glyphs[0];
    float lineH = (space.bottom - space.top) * float(textureHeight);
    if (!(lineH > 0.0f)) return false;
    float k = viewportHeight / lineH;
    scale = ClampScale(scale);
    *kx = float(textureWidth) * k * scales[scale][0];
    *ky = float(textureHeight) * k * scales[scale][1];
    return true;
}

void TextureFont::DrawGlyphs(float x, float y, uint32_t colour, uint32_t drawFlags, const char* text, bool scaled,
                             int scale, float viewportHeight) {
    float kx, ky;
    if (scaled) {
        if (!ScaledGlyphFactors(scale, viewportHeight, &kx, &ky)) return;
    } else {
        kx = float(textureWidth) / textScale;
        ky = float(textureHeight) / textScale;
    }
    Device* d = device_;
    d->CaptureStateBlock(savedBlock);
    d->ApplyStateBlock(drawBlock);
    g_Video.SetVertexShader(kFontFvf);
    if (drawFlags & FONT_FILTERED) {
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p < FONT_FIRST_CHAR) continue;
        const GlyphRect& g = glyphs[*p - FONT_FIRST_CHAR];
        float w = (g.right - g.left) * kx;
        float h = (g.bottom - g.top) * ky;
        FontVertex v[6] = {
            {x, y, 0.9f, 1.0f, colour, g.left, g.top},
            {x + w, y, 0.9f, 1.0f, colour, g.right, g.top},
            {x + w, y + h, 0.9f, 1.0f, colour, g.right, g.bottom},
            {x, y, 0.9f, 1.0f, colour, g.left, g.top},
            {x + w, y + h, 0.9f, 1.0f, colour, g.right, g.bottom},
            {x, y + h, 0.9f, 1.0f, colour, g.left, g.bottom},
        };
        d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(FontVertex));
        x += w;
    }
    d->ApplyStateBlock(savedBlock);
}

bool TextureFont::DrawText(float x, float y, uint32_t colour, uint32_t drawFlags, const char* text) {
    if (!text || !CanDraw()) return true;
    DrawGlyphs(x, y, colour, drawFlags, text, false, 0, 0.0f);
    return true;
}

bool TextureFont::DrawTextScaled(float x, float y, int scale, int colourIndex, const char* text,
                                 uint32_t drawFlags) {
    float vw, vh;
    if (!text || !CanDraw() || !GetViewportSize(device_, &vw, &vh)) return true;
    DrawGlyphs(vw * x, vh * y, FontColors[ClampColour(colourIndex)], drawFlags, text, true, scale, vh);
    return true;
}

void TextureFont::Print(int scale, int colourIndex, float x, float y, int32_t textNumber, const char* text,
                        uint8_t align, bool shadow) {
    if (!text) {
        text = g_TextTable.Find(textNumber);
        if (!text) {
            g_TextTable.Get(textNumber);  // logs the missing text
            return;
        }
    }
    int code = AlignFromLetter(align);
    int32_t length = int32_t(std::strlen(text));
    if (code == FONT_ALIGN_RIGHT)
        x -= TextWidth(text, length, scale);
    else if (code == FONT_ALIGN_CENTRE)
        x -= TextWidth(text, length, scale) * 0.5f;
    if (shadow) DrawTextScaled(x + 0.001f, y + 0.001f, scale, 0, text, 0);
    DrawTextScaled(x, y, scale, colourIndex, text, 0);
}

float TextureFont::TextWidth(const char* text, int32_t length, int scale) const {
    if (!text) return -1.0f;
    float vw, vh, kx, ky;
    if (!texture || !GetViewportSize(g_Video.device, &vw, &vh) || !ScaledGlyphFactors(scale, vh, &kx, &ky))
        return 0.0f;
    float width = 0.0f;
    for (int32_t i = 0; i < length && text[i]; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < FONT_FIRST_CHAR) continue;
        const GlyphRect& g = glyphs[c - FONT_FIRST_CHAR];
        width += (g.right - g.left) * kx;
    }
    return width / vw;
}

float TextureFont::LineHeight(int scale) const { return scales[ClampScale(scale)][1]; }
