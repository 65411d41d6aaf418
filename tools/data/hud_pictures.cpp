// The HUD's pictures. The HUD sizes every picture by its height and keeps the picture's aspect,
// so the shapes matter: the life and energy bars stand upright and the experience bar lies flat,
// and the digits, letters and signs are glyphs on a clear ground, since the HUD sets them side by
// side closer than their pictures are wide and draws the power words in rows over the view.
#include <algorithm>
#include <string>

#include "data_set.h"
#include "frontend/hud.h"
#include "geometry.h"
#include "shapes.h"

namespace demodata {

namespace {

const std::string kFolder = "Texturas\\Interfaz\\Sprites2D\\";
constexpr uint32_t kClear = 0;
constexpr uint32_t kOutline = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;

// The marker's texels per screen fraction: 128 texels for the 0.25 of the screen's height it is
// drawn at, and for its width of 0.25 x 3/4 on a 4:3 screen.
constexpr int kMarker = 128;
constexpr float kPerX = float(kMarker) / (0.25f * 0.75f);
constexpr float kPerY = float(kMarker) / 0.25f;
// Bar pictures: the HUD keeps their aspect, so these set how thick the bars are drawn.
constexpr int kBarLength = 128;
constexpr int kBarThickness = 16;

// The portrait's window in the marker of the faces layout, clear of every bar.
constexpr float kWindowX = 46.0f, kWindowY = 52.0f, kWindowR = 30.0f;

int X(float fraction) { return int(fraction * kPerX + 0.5f); }
int Y(float fraction) { return int(fraction * kPerY + 0.5f); }

// A glyph picture: the glyph outlined in black, centred on a clear ground of w x h texels.
Picture GlyphPicture(char ch, uint32_t w, uint32_t h, int cw, int chh) {
    Picture p = datakit::SolidPicture(w, h, kClear);
    const int x = (int(w) - GLYPH_COLUMNS * cw) / 2, y = (int(h) - GLYPH_ROWS * chh) / 2;
    const int edge = std::max(1, cw / 4);
    for (int dy = -edge; dy <= edge; dy += edge)
        for (int dx = -edge; dx <= edge; dx += edge) DrawText(&p, std::string(1, ch), x + dx, y + dy, cw, chh, 0, kOutline);
    DrawText(&p, std::string(1, ch), x, y, cw, chh, 0, kWhite);
    return p;
}

// A bar: brighter along its middle, a dark rim at its long sides.
Picture Bar(bool upright, uint32_t colour) {
    const uint32_t w = upright ? kBarThickness : kBarLength, h = upright ? kBarLength : kBarThickness;
    Picture p = datakit::SolidPicture(w, h, kClear);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t across = upright ? x : y;
            const float centre = float(kBarThickness - 1) / 2;
            const float d = (float(across) - centre) / centre;
            p.pixels[size_t(y) * w + x] = across == 0 || across == kBarThickness - 1 ? Shade(colour, 0.4f)
                                                                                     : Shade(colour, 1.2f - 0.5f * d * d);
        }
    return p;
}

// The side marker: a dark glass panel with a rim of the side's colour, dark troughs under the
// three bars and a badge under the level number. With the faces layout a round window for the
// portrait takes the middle.
Picture Marker(int side, uint32_t colour, bool faces) {
    const HudPanelLayout& L = HUD_PANEL_LAYOUT[side];
    Picture p = datakit::SolidPicture(kMarker, kMarker, 0xB0182028);
    Frame(&p, 3, colour);
    const uint32_t trough = 0xD0000000;
    const float lifeW = L.lifeH * 0.75f * float(kBarThickness) / float(kBarLength);
    const float manaW = L.manaH * 0.75f * float(kBarThickness) / float(kBarLength);
    const float expH = HUD_EXP_WIDTH / 0.75f * float(kBarThickness) / float(kBarLength);
    Fill(&p, X(L.lifeX) - 1, Y(L.lifeY) - 1, X(L.lifeX + lifeW) + 1, Y(L.lifeY + L.lifeH) + 1, trough);
    Fill(&p, X(L.manaX), Y(L.manaY) - 1, X(L.manaX + manaW) + 1, Y(L.manaY + L.manaH) + 1, trough);
    Fill(&p, X(L.expX) - 1, Y(L.expY) - 1, X(L.expX + HUD_EXP_WIDTH) + 1, Y(L.expY) + Y(expH) + 1, trough);
    const float badgeX = float(X(HUD_LEVEL_X)), badgeY = float(Y(HUD_LEVEL_Y + HUD_LEVEL_SIZE / 2));
    Disc(&p, badgeX, badgeY, 15.0f, colour);
    Disc(&p, badgeX, badgeY, 13.0f, Shade(colour, 0.45f));
    if (faces) {
        Disc(&p, kWindowX, kWindowY, kWindowR + 2.0f, colour);
        Disc(&p, kWindowX, kWindowY, kWindowR, 0xFF101418);
    }
    return p;
}

// The portrait mask: drawn black and opaque over the panel it hides the portrait everywhere but
// in the window.
Picture PortraitMask() {
    Picture p = datakit::SolidPicture(kMarker, kMarker, kOutline);
    Disc(&p, kWindowX, kWindowY, kWindowR, kClear);
    return p;
}

Picture Ring(uint32_t colour) {
    Picture p = datakit::SolidPicture(64, 64, kClear);
    Disc(&p, 32.0f, 32.0f, 31.0f, colour);
    Disc(&p, 32.0f, 32.0f, 26.0f, kClear);
    return p;
}

// A power icon: a disc of the side's colour with a mark that differs per power; icon 0 (the
// plain attack) is a plain disc.
Picture Icon(int i, uint32_t colour) {
    Picture p = datakit::SolidPicture(64, 64, kClear);
    Disc(&p, 32.0f, 32.0f, 28.0f, Shade(colour, 0.6f));
    if (i > 0) {
        const uint32_t mark = 0xFF000000u | (uint32_t(80 + 17 * i) << 16) | (uint32_t(240 - 15 * i) << 8) | 160u;
        for (int k = 0; k < (i - 1) % 5 + 1; ++k) Disc(&p, 18.0f + 7.0f * float(k), 32.0f, 4.0f, mark);
        if (i > 5) Disc(&p, 32.0f, 20.0f, 5.0f, kWhite);
    }
    return p;
}

// A banner: a translucent plate of the colour with its words in large glyphs.
Picture Banner(const std::string& words, uint32_t colour) {
    Picture p = datakit::SolidPicture(512, 128, (colour & 0xFFFFFF) | 0xC0000000u);
    Frame(&p, 4, kWhite);
    constexpr int cw = 8, ch = 12, advance = 48;
    const int width = int(words.size()) * advance - (advance - GLYPH_COLUMNS * cw);
    DrawText(&p, words, (512 - width) / 2, (128 - GLYPH_ROWS * ch) / 2, cw, ch, advance, kWhite);
    return p;
}

Picture Logo(char initial, uint32_t colour) {
    Picture p = datakit::SolidPicture(64, 64, kClear);
    Disc(&p, 32.0f, 32.0f, 31.0f, kWhite);
    Disc(&p, 32.0f, 32.0f, 28.0f, colour);
    DrawText(&p, std::string(1, initial), 32 - GLYPH_COLUMNS * 3, 32 - GLYPH_ROWS * 3, 6, 6, 0, kWhite);
    return p;
}

}  // namespace

void AddHudPictures(DataSet* set) {
    const std::string& f = kFolder;
    const uint32_t sideColour[2] = {0xFF4070D0, 0xFFD04030};
    const char* sideName[2] = {"Orlin", "Vorak"};
    set->Texture(f + "Punto Mira 1.tga", Spot(32, 8.0f, 0xFFFFFF));
    for (int s = 0; s < 2; ++s) {
        const std::string n = sideName[s];
        set->Texture(f + "Marcador " + n + ".tga", Marker(s, sideColour[s], false));
        set->Texture(f + "Marcador " + n + " 2.tga", Marker(s, sideColour[s], true));
        set->Texture(f + "Marcador " + n + " m.tga", PortraitMask());
        set->Texture(f + "Barra Vida " + n + ".tga", Bar(true, 0xFFD03030));
        set->Texture(f + "Barra Mana " + n + ".tga", Bar(true, 0xFF3060E0));
        set->Texture(f + "Barra Exp " + n + ".tga", Bar(false, 0xFFE0D040));
        set->Texture(f + "Logo " + n + "s.tga", Logo(n[0], sideColour[s]));
        const uint32_t rings[3] = {0xFFE0C060, 0xFFC0C0C8, 0xFFC08050};
        for (int r = 0; r < HUD_RINGS; ++r) set->Texture(f + "AnilloIcono" + n + Format("%02d.tga", r), Ring(rings[r]));
        for (int i = 0; i < HUD_ICONS; ++i) set->Texture(f + "IconoPoder" + n + Format("%02d.tga", i), Icon(i, sideColour[s]));
    }
    // Digits and signs narrower than their pictures: the HUD sets digits 0.4 of their height
    // apart; letters 0.8 of their height apart.
    for (int d = 0; d < HUD_DIGITS; ++d) set->Texture(f + Format("Numero %d.tga", d), GlyphPicture(char('0' + d), 48, 64, 6, 9));
    set->Texture(f + "Negativo.tga", GlyphPicture('-', 48, 64, 6, 9));
    set->Texture(f + "DosPuntos.tga", GlyphPicture(':', 48, 64, 6, 9));
    for (int l = 0; l < HUD_LETTERS; ++l) set->Texture(f + Format("Letra%02d.tga", l), GlyphPicture(char('A' + l), 48, 64, 8, 9));
    const struct {
        const char* name;
        const char* words;
        uint32_t colour;
    } banners[] = {{"Cartel - You Win", "YOU WIN", 0xFF40B040},     {"Cartel - You Loose", "YOU LOSE", 0xFFB04040},
                   {"Cartel - Start", "START", 0xFFC0A030},         {"Cartel - Time Over", "TIME OVER", 0xFFE08040},
                   {"Cartel - Pause", "PAUSE", 0xFF6080C0}};
    for (const auto& b : banners) set->Texture(f + b.name + ".tga", Banner(b.words, b.colour));
}

}  // namespace demodata
