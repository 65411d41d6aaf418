// Every picture the game loads: effect sprites, fighter skins with their layers, hair colours,
// menu widgets and backgrounds, the loading screen, scenario and game-kind cards (the HUD's and the
// equipment's are in files of their own).
// All are drawn here from simple shapes; none is art of the game.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "data_set.h"
#include "geometry.h"
#include "shapes.h"
#include "fighters/timed_states.h"
#include "world/scenario.h"

namespace demodata {

namespace {

// A streak: bright along the middle row, for trails and bolts.
Picture Streak(uint32_t w, uint32_t h, uint32_t rgb) {
    Picture p = datakit::SolidPicture(w, h, 0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const float dy = std::fabs(float(y) - float(h - 1) / 2) / (float(h) / 2);
            const float dx = std::fabs(float(x) - float(w - 1) / 2) / (float(w) / 2);
            const float a = std::clamp((1.0f - dy * dy) * (1.0f - dx * dx * dx * dx), 0.0f, 1.0f);
            p.pixels[y * w + x] = Faded(a, rgb);
        }
    return p;
}

// Horizontal bands of colours in a steady order: large pictures that pack small.
Picture Bands(uint32_t w, uint32_t h, const std::vector<uint32_t>& colours, uint32_t band) {
    Picture p = datakit::SolidPicture(w, h, 0);
    for (uint32_t y = 0; y < h; ++y) std::fill_n(&p.pixels[size_t(y) * w], w, colours[(y / band) % colours.size()]);
    return p;
}

void AddEffects(DataSet* set) {
    const std::string f = "Texturas\\Efectos\\";
    static const uint32_t kTints[] = {0xFFFFFF, 0xFFE0A0, 0xA0E0FF, 0xFFA0A0, 0xA0FFA0, 0xE0A0FF};
    for (int i = 0; i <= 7; ++i) {
        const Picture spot = Spot(64, 1.0f + 0.4f * float(i), kTints[i % 6]);
        set->Texture(f + Format("Glow%02d.tga", i), spot);
        if (i >= 5) set->Texture(f + Format("Glow%02d.bmp", i), spot);
    }
    for (int i = 0; i <= 24; ++i)
        set->Texture(f + Format("vet%02d.bmp", i), i % 3 == 0 ? Streak(64, 16, kTints[i % 6]) : Spot(32, 2.0f, kTints[i % 6]));
    for (int i = 0; i <= 10; ++i) set->Texture(f + Format("veta%02d.tga", i), Spot(32, 0.8f + 0.3f * float(i % 4), kTints[i % 6]));
    // The body overlays: each side's spawn and rise flash by the side's number, and every number
    // the timed states' table names, with each side's own where a row has one.
    int lastOverlay = 1;
    for (const TimedStateRow& row : TIMED_STATE_TABLE) lastOverlay = std::max(lastOverlay, row.texture + row.plusSide);
    for (int i = 0; i <= lastOverlay; ++i)
        set->Texture(f + Format("vecorporal%02d.tga", i), Spot(32, 0.5f, kTints[i % 6]));
    for (int i = 0; i <= 1; ++i) {
        Picture ring = datakit::SolidPicture(64, 64, 0);
        for (uint32_t y = 0; y < 64; ++y)
            for (uint32_t x = 0; x < 64; ++x) {
                const float d = std::hypot(float(x) - 31.5f, float(y) - 31.5f);
                const float a = std::clamp(1.0f - std::fabs(d - 24.0f + 6.0f * float(i)) / 4.0f, 0.0f, 1.0f);
                ring.pixels[y * 64 + x] = Faded(a * 0.8f, 0xFFFFFF);
            }
        set->Texture(f + Format("Wave%02d.tga", i), ring);
    }
    Picture bump = datakit::SolidPicture(64, 64, 0);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const uint32_t v = uint32_t(128 + 100 * std::sin(float(x) * 0.3f) * std::cos(float(y) * 0.2f));
            bump.pixels[y * 64 + x] = 0xFF000000u | (v << 16) | (v << 8) | v;
        }
    set->Texture(f + "WaterBump00.bmp", bump);
    set->Texture(f + "Mancha00.tga", Spot(64, 3.0f, 0x201010));
    set->Texture(f + "Chispa.tga", Spot(16, 4.0f, 0xFFE080));
}

// The fighters' skin pictures: the base skin of each side (regions the figures' parts are
// mapped to), eyes, clothes and tattoos placed by the composition, and the hair colours.
void AddSkins(DataSet* set) {
    const std::string f = "Texturas\\Personajes\\";
    const char* sides[2] = {"orlin", "vorak"};
    const uint32_t skinTones[2][5] = {{0xFFE0B090, 0xFFC89070, 0xFFA07050, 0xFFF0C8A8, 0xFF8A5A40},
                                      {0xFF70A070, 0xFF608860, 0xFF90B070, 0xFF507858, 0xFFA0B880}};
    for (int side = 0; side < 2; ++side) {
        for (int n = 0; n <= 4; ++n) {
            const uint32_t tone = skinTones[side][n];
            Picture base = Bands(1024, 1024, {tone, Shade(tone, 0.92f)}, 32);
            // The body region takes the clothes; give it a plain shirt underneath.
            Fill(&base, 89, 733, 563, 1004, Shade(tone, 0.6f));
            set->PlainTexture(f + "Pieles\\" + sides[side] + Format("%02d.tga", n), base, 24);
        }
        for (int n = 0; n <= 9; ++n) {
            Picture eyes = datakit::SolidPicture(128, 64, 0);
            Fill(&eyes, 16, 16, 48, 48, 0xFFFFFFFF);
            Fill(&eyes, 80, 16, 112, 48, 0xFFFFFFFF);
            const uint32_t iris = 0xFF000000u | (uint32_t(40 + 20 * n) << 8) | uint32_t(200 - 15 * n);
            Fill(&eyes, 24, 24, 40, 40, iris);
            Fill(&eyes, 88, 24, 104, 40, iris);
            set->PlainTexture(f + "Ojos\\" + sides[side] + Format(" ojo1_%02d.tga", n), eyes, 32);
            Picture mouth = datakit::SolidPicture(96, 32, 0);
            Fill(&mouth, 8, 12, 88, 20, 0xFF802020);
            set->PlainTexture(f + "Ojos\\" + sides[side] + Format(" ojo2_%02d.tga", n), mouth, 32);
            const uint32_t cloth = 0xFF000000u | (uint32_t(60 + 19 * n) << 16) | (uint32_t(side ? 40 : 80) << 8) |
                                   uint32_t(200 - 17 * n);
            set->PlainTexture(f + "Ropas\\" + sides[side] + Format("_f_%02d.tga", n),
                              Bands(448, 256, {cloth, Shade(cloth, 0.8f)}, 16 + 4 * uint32_t(n)), 32);
        }
        for (int slot = 0; slot < 8; ++slot)
            for (int n = 0; n <= 7; ++n) {
                Picture mark = Spot(48, 6.0f, 0x102060 + uint32_t(n) * 0x101000);
                set->PlainTexture(f + "Tatuajes\\" + Format("%d%d%d.tga", side, slot, n), mark, 32);
            }
    }
    for (int family = 0; family < 2; ++family)
        for (int c = 0; c <= 5; ++c)
            set->Texture(Format("Texturas\\Objetos Dinamicos\\p%d%d.tga", family, c),
                         Bands(64, 64, {0xFF000000u | uint32_t(0x302010 * (c + 1) + 0x101010 * family)}, 64));
}

// An arrow pointing left, right, up or down, on a transparent field.
Picture Arrow(uint32_t size, int direction, bool on) {
    Picture p = datakit::SolidPicture(size, size, 0);
    const uint32_t colour = on ? 0xFFFFE070 : 0xFFA09060;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float u = float(x) / float(size - 1) - 0.5f, v = float(y) / float(size - 1) - 0.5f;
            float along = 0, across = 0;
            switch (direction) {
            case 0: along = -u, across = v; break;   // left
            case 1: along = u, across = v; break;    // right
            case 2: along = -v, across = u; break;   // up
            default: along = v, across = u; break;   // down
            }
            if (along < 0.4f && std::fabs(across) < (0.4f - along) * 0.6f && along > -0.4f) p.pixels[y * size + x] = colour;
        }
    return p;
}

// A background: a diagonal blend between two colours with a grid of faint lines.
// Small: the menu stretches its backgrounds over the screen.
Picture Backdrop(uint32_t a, uint32_t b, uint32_t w = 128, uint32_t h = 96) {
    Picture p = datakit::SolidPicture(w, h, 0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const float t = (float(x) / float(w) + float(y) / float(h)) / 2;
            uint32_t c = 0xFF000000u;
            for (int s = 0; s < 24; s += 8) {
                const float ca = float((a >> s) & 0xFF), cb = float((b >> s) & 0xFF);
                c |= uint32_t(ca + (cb - ca) * t) << s;
            }
            if (x % 16 == 0 || y % 16 == 0) c = Shade(c, 1.25f);
            p.pixels[y * w + x] = c;
        }
    return p;
}

void AddMenu(DataSet* set) {
    const std::string menu = "Texturas\\Interfaz\\Menu\\";
    const std::string screens = "Texturas\\Interfaz\\Pantallas\\";
    const uint32_t blue = 0xFF3A5A9A, red = 0xFF9A3A3A, grey = 0xFF707070;
    // The widget pictures.
    set->Texture(menu + "BotonDerOff.tga", Arrow(64, 1, false));
    set->Texture(menu + "BotonDerOn.tga", Arrow(64, 1, true));
    set->Texture(menu + "BotonIzqOff.tga", Arrow(64, 0, false));
    set->Texture(menu + "BotonIzqOn.tga", Arrow(64, 0, true));
    set->Texture(menu + "BarraDesplazamientoOn.tga", Button(256, 16, true, grey));
    set->Texture(menu + "BarraDesplazamientoOff.tga", Button(256, 16, false, grey));
    set->Texture(menu + "ManecillaBarraDesplazamiento.tga", Button(16, 32, true, 0xFFD0C080));
    set->Texture(menu + "Switchoff.tga", Button(32, 32, false, 0xFF50A050));
    set->Texture(menu + "Switchon.tga", Button(32, 32, true, 0xFF50D050));
    set->Texture(menu + "FlechaIzdaOff.tga", Arrow(32, 0, false));
    set->Texture(menu + "FlechaIzdaOn.tga", Arrow(32, 0, true));
    set->Texture(menu + "FlechaDchaOff.tga", Arrow(32, 1, false));
    set->Texture(menu + "FlechaDchaOn.tga", Arrow(32, 1, true));
    set->Texture(menu + "FlechaArrOff.tga", Arrow(32, 2, false));
    set->Texture(menu + "FlechaArrOn.tga", Arrow(32, 2, true));
    set->Texture(menu + "FlechaAbjOff.tga", Arrow(32, 3, false));
    set->Texture(menu + "FlechaAbjOn.tga", Arrow(32, 3, true));
    set->Texture(menu + "BotonMenuSinPulsar.tga", Button(256, 32, false, blue));
    set->Texture(menu + "BotonMenuPulsado.tga", Button(256, 32, true, blue));
    set->Texture(menu + "Parches.tga", Bands(256, 256, {0xFF505868, 0xFF606878, 0xFF485060, 0xFF586070}, 48));
    set->Texture(menu + "VentanaConfirmacion.tga", Button(256, 128, true, 0xFF404858));
    for (int on = 0; on < 2; ++on) {
        const char* state = on ? "On" : "Off";
        set->Texture(menu + "LogoOrlins" + state + ".tga", Button(128, 128, on, blue));
        set->Texture(menu + "LogoVoraks" + state + ".tga", Button(128, 128, on, red));
        for (const char* name : {"Rota", "RotaIzq", "RotaDer", "Add", "Subtract"})
            set->Texture(menu + name + state + ".tga", Button(32, 32, on, 0xFF808060));
        for (int k = 0; k <= 5; ++k) set->Texture(menu + Format("KGame%02d", k) + state + ".tga", Button(64, 64, on, 0xFF000000u | (0x203040u * uint32_t(k + 1))));
    }
    set->Texture(menu + "fondo_per.tga", Button(256, 256, true, 0xFF384050));
    for (const char* name : {"fondo_per_bi_des", "fondo_per_bi_act", "fondo_per_bd_des", "fondo_per_bd_act"})
        set->Texture(menu + name + ".tga", Button(64, 32, std::string(name).find("act") != std::string::npos, grey));
    set->Texture(menu + "MarcoPerSel_ON.tga", Button(128, 128, true, 0xFF606040));
    set->Texture(menu + "MarcoPerSel_OFF.tga", Button(128, 128, false, 0xFF606040));
    set->Texture(menu + "FlechaAddTeamON.tga", Arrow(32, 1, true));
    set->Texture(menu + "FlechaAddTeamOFF.tga", Arrow(32, 1, false));
    set->Texture(menu + "Logo_on.tga", Button(128, 64, true, 0xFFC09040));
    set->Texture(menu + "Logo_off.tga", Button(128, 64, false, 0xFFC09040));
    set->Texture(menu + "PlayerSel.tga", Button(128, 128, true, 0xFF505060));
    set->Texture(menu + "barraloading.tga", Bands(1024, 64, {0xFFE0B040, 0xFFC09030}, 8));
    set->Texture(menu + "Text3D.bmp", Bands(64, 64, {0xFFE0C060, 0xFFC0A040}, 8));
    set->Texture(menu + "Text3D_Disabled.bmp", Bands(64, 64, {0xFF707070, 0xFF606060}, 8));
    // Page backgrounds, their variants, the loading pictures; scenario and game-kind cards.
    for (int page = 0; page <= 23; ++page) {
        const uint32_t a = 0xFF101828 + uint32_t(page) * 0x020304, b = 0xFF304868 + uint32_t(page % 5) * 0x080402;
        set->Texture(menu + Format("Menu%02d.tga", page), Backdrop(a, b));
        for (int v = 0; v <= 4; ++v) set->Texture(menu + Format("Menu%02d_%d.tga", page, v), Backdrop(a, Shade(b, 0.8f + 0.1f * float(v))));
    }
    // The full-screen pictures are copied at their own size scaled from 1024 x 768: full size.
    for (int n : {97, 98, 99}) set->Texture(screens + Format("Menu%02d.tga", n), Bands(1024, 768, {0xFF202838, 0xFF283040}, 48));
    for (int s = 0; s < 20; ++s) set->Texture(menu + Format("FondoEsc%02d.tga", s), Backdrop(0xFF203020 + uint32_t(s) * 0x050203, 0xFF608060));
    for (int k = 0; k < 8; ++k) set->Texture(menu + Format("KGame%02d.tga", k), Button(128, 128, true, 0xFF000000u | (0x203040u * uint32_t(k + 1))));
}

void AddGrain(DataSet* set) {
    Picture grain = datakit::SolidPicture(32, 32, 0);
    uint32_t state = 12345;
    for (uint32_t& px : grain.pixels) {
        state = state * 1103515245u + 12345u;
        const uint32_t v = 215 + (state >> 16) % 41;
        px = 0xFF000000u | (v << 16) | (v << 8) | v;
    }
    for (const char* folder : {"", "Texturas\\Items\\", "Texturas\\Objetos Dinamicos\\", "Texturas\\Interfaz\\Menu\\",
                               "Texturas\\Efectos\\", "Texturas\\Personajes\\"})
        set->Texture(std::string(folder) + GRAIN_TEXTURE, grain);
    for (int s = 0; s < SCENARIO_COUNT; ++s) set->Texture(Format("Texturas\\Escenarios\\Escenario%02d\\", s) + GRAIN_TEXTURE, grain);
    set->Texture(Format("Texturas\\Escenarios\\Escenario%02d\\", SCENARIO_VIEWER) + GRAIN_TEXTURE, grain);
}

}  // namespace

void AddPictures(DataSet* set) {
    AddGrain(set);
    AddEffects(set);
    AddSkins(set);
    AddMenu(set);
    AddHudPictures(set);
    AddEquipmentPictures(set);
}

}  // namespace demodata
