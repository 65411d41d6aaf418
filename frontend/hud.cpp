#include "frontend/hud.h"

#include <cstdio>
#include <cstring>

#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/power_table.h"
#include "frontend/menu.h"
#include "frontend/sprite2d.h"
#include "render/geometry.h"
#include "render/render_queue.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/glow.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"

Hud g_Hud;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBarTint = 0xAAFFFFFF;
constexpr uint32_t kAimColour = 0x8064FF64;
constexpr uint32_t kAimOnEnemy = 0x80FF0000;
constexpr uint32_t kLitIcon = 0x00646464;
constexpr uint32_t kLockedIcon = 0x9B9B9B9B;
constexpr float kDigitStep = 0.4f;
constexpr float kLetterStep = 0.8f;
constexpr uint32_t kFlashMs = 250;
constexpr uint32_t kBannerShowMs = 8000;
constexpr float kBannerHeight = 0.15f;
constexpr float kEnemyPanelRange = 70.0f;

// Kept for the whole run, not per match.
struct RunState {
    bool phaseTaken = false;
    uint32_t phaseStart = 0;
    bool colonVisible = false;
    int32_t lastClockBeep = 0;
    int32_t lastCurseBeep = 0;
};
RunState g_Run;

uint32_t Grey(int g) {
    if (g < 0) g = 0;
    if (g > 255) g = 255;
    const uint32_t v = uint32_t(g);
    return 0xFF000000u | (v << 16) | (v << 8) | v;
}

// Health, energy or experience over its maximum, kept to 0..1 so that values from the network can
// never give a negative height or texture window; no maximum shows an empty bar.
float BarRatio(float value, float maximum) {
    if (!(maximum > 0.0f) || !(value > 0.0f)) return 0.0f;
    const float r = value / maximum;
    return r < 1.0f ? r : 1.0f;
}

bool IsSide(int side) { return side == 0 || side == 1; }

int32_t ClampToI32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

// Brightness of a counter that changed `elapsed` ms ago: up over 250 ms, down over the next 250.
int FlashRamp(uint32_t elapsed, float rate, int rest) {
    if (elapsed < kFlashMs) return rest + int(float(elapsed) * rate);
    if (elapsed < 2 * kFlashMs) return 255 - int(float(elapsed - kFlashMs) * rate);
    return rest;
}

void Place(Sprite2D* s, float x, float y, float size, uint32_t diffuse, uint32_t specular) {
    s->SetSize(0.0f, size, SPRITE_SIZE_FROM_HEIGHT);
    s->SetPosition(x, y);
    s->diffuse = diffuse;
    s->specular = specular;
}

void DrawCentred(Sprite2D* s) {
    s->SetPosition(0.5f - s->w * 0.5f, 0.5f - s->h * 0.5f);
    s->Draw();
}

// The start of a run of width w at x by the alignment; false for an unknown alignment.
bool AlignStart(char align, float x, float w, float* x0) {
    switch (align) {
    case 'i': *x0 = x; return true;
    case 'c': *x0 = x - w * 0.5f; return true;
    case 'd': *x0 = x - w; return true;
    default: return false;
    }
}

// The count still needed by side t and the time it last changed, by game kind; false for a kind
// that shows no counter.
bool SideCount(int t, Character* local, int64_t* count, uint32_t* flashTime) {
    const Match& m = g_Match;
    const Settings& s = g_Settings;
    switch (m.gameKind) {
    case 0: *count = int64_t(s.stealsGoal[t]) - m.captures[t]; *flashTime = m.captureTime[t]; return true;
    case 1:
        *count = int64_t(m.checkpointCount) - m.checkpointsPassed[t];
        *flashTime = m.checkpointTime[t];
        return true;
    case 2: *count = int64_t(s.creditsGoal[t]) - m.points[t]; *flashTime = m.pointsTime[t]; return true;
    case 3: *count = int64_t(s.capturesGoal[t]) - m.found[t]; *flashTime = m.foundTime[t]; return true;
    case 4:
        *count = int64_t(s.curseMinutes[t]) * 60 - int64_t(m.curseTime[t] / 1000u);
        *flashTime = 0;
        return true;
    case 5: *count = int64_t(s.maxDeaths[t]) - m.killScore[t]; *flashTime = m.killTime[t]; return true;
    case 6: *count = int64_t(s.maxDeaths[t]) - local->killScore; *flashTime = local->killTime; return true;
    case 7: *count = int64_t(s.creditsGoal[t]) - local->credits; *flashTime = local->creditTime; return true;
    default: return false;
    }
}

}  // namespace

void ResetHudRunState() { g_Run = RunState(); }

template <typename F>
void Hud::ForEachSlot(F&& visit) {
    visit(aimPoint);
    for (Sprite2D*& s : markers) visit(s);
    for (Sprite2D*& s : lifeBars) visit(s);
    for (Sprite2D*& s : manaBars) visit(s);
    for (Sprite2D*& s : expBars) visit(s);
    for (Sprite2D*& s : logos) visit(s);
    for (Sprite2D*& s : digits) visit(s);
    visit(minusSign);
    visit(colon);
    for (Sprite2D*& s : letters) visit(s);
    for (Sprite2D*& s : powerRings) visit(s);
    for (Sprite2D*& s : powerIcons) visit(s);
    visit(bannerWin);
    visit(bannerLose);
    visit(bannerStart);
    visit(bannerTimeOver);
    visit(bannerPause);
    visit(portraitMasks[1]);
    visit(portraitMasks[0]);
}

bool Hud::LoadSprite(Sprite2D** slot, const char* name, float height, float left, float top, float right,
                     float bottom) {
    if (!slot || !name || !g_Scene.textures) return false;
    char path[160];
    std::snprintf(path, sizeof path, "Texturas\\Interfaz\\Sprites2D\\%s.tga", name);
    const int32_t id = g_Scene.textures->LoadTexture(path, true, true, true);
    if (id < 0) return false;
    delete *slot;
    *slot = new Sprite2D();
    (*slot)->Init(name, 0.0f, height, left, top, right, bottom, SPRITE_SIZE_FROM_HEIGHT, id, 1);
    return true;
}

void Hud::Load() {
    // A second Load without a Release in between (the editor's play-test) must not strand the
    // pictures and markers of the first.
    Release();
    loaded = 1;
    const bool faces = g_Settings.interfaceFaces != 0;
    const int local = IsSide(g_Match.localSide) ? g_Match.localSide : 0;

    if (LoadSprite(&aimPoint, "Punto Mira 1", 0.025f)) {
        aimPoint->SetPosition(0.5f - aimPoint->w * 0.5f, 0.5f - aimPoint->h * 0.5f);
        aimPoint->diffuse = kAimColour;
        aimPoint->blendMode = 2;
    }
    LoadSprite(&markers[0], faces ? "Marcador Orlin 2" : "Marcador Orlin", 0.25f);
    LoadSprite(&markers[1], faces ? "Marcador Vorak 2" : "Marcador Vorak", 0.25f);
    LoadSprite(&lifeBars[0], "Barra Vida Orlin", 0.172f);
    LoadSprite(&lifeBars[1], "Barra Vida Vorak", 0.16f);
    LoadSprite(&manaBars[0], "Barra Mana Orlin", 0.133f);
    LoadSprite(&manaBars[1], "Barra Mana Vorak", 0.124f);
    LoadSprite(&expBars[0], "Barra Exp Orlin", 0.096f);
    LoadSprite(&expBars[1], "Barra Exp Vorak", 0.096f);
    if (faces) {
        LoadSprite(&portraitMasks[1], "Marcador Vorak m", 0.25f);
        LoadSprite(&portraitMasks[0], "Marcador Orlin m", 0.25f);
    }
    LoadSprite(&logos[0], "Logo Orlins", 0.1f);
    LoadSprite(&logos[1], "Logo Voraks", 0.1f);
    if (logos[local]) logos[local]->SetPosition(0.02f, 0.02f);
    if (logos[1 - local]) logos[1 - local]->SetPosition(0.18f, 0.02f);

    char name[32];
    for (int i = 0; i < HUD_DIGITS; ++i) {
        std::snprintf(name, sizeof name, "Numero %d", i);
        LoadSprite(&digits[i], name, 0.06f);
    }
    LoadSprite(&minusSign, "Negativo", 0.06f);
    LoadSprite(&colon, "DosPuntos", 0.06f);
    for (int i = 0; i < HUD_LETTERS; ++i) {
        std::snprintf(name, sizeof name, "Letra%02d", i);
        LoadSprite(&letters[i], name, 0.03f);
    }
    const char* sideName = local == 1 ? "Vorak" : "Orlin";
    for (int i = 0; i < HUD_RINGS; ++i) {
        std::snprintf(name, sizeof name, "AnilloIcono%s%02d", sideName, i);
        LoadSprite(&powerRings[i], name, 0.08f);
    }
    for (int i = 0; i < HUD_ICONS; ++i) {
        std::snprintf(name, sizeof name, "IconoPoder%s%02d", sideName, i);
        LoadSprite(&powerIcons[i], name, 0.08f);
    }
    LoadSprite(&bannerWin, "Cartel - You Win", 0.0f);
    LoadSprite(&bannerLose, "Cartel - You Loose", 0.0f);
    LoadSprite(&bannerStart, "Cartel - Start", 0.0f);
    LoadSprite(&bannerTimeOver, "Cartel - Time Over", 0.0f);
    LoadSprite(&bannerPause, "Cartel - Pause", 0.1f);

    bannerGrowth = 0.0f;
    LoadMarkers();
}

void Hud::Release() {
    loaded = 0;
    ForEachSlot([](Sprite2D*& s) {
        delete s;
        s = nullptr;
    });
    for (DynamicMesh** m : {&coinMarker, &clockMarker, &compassMarker}) {
        delete *m;
        *m = nullptr;
    }
}

// ---- Drawing ----

float Hud::DrawNumber(float x, float y, int32_t value, char align, float size, uint32_t diffuse,
                      uint32_t specular) {
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%d", int(value));
    if (n <= 0) return 0.0f;
    float digitWidth = 0.0f;
    if (digits[0]) {
        digits[0]->SetSize(0.0f, size, SPRITE_SIZE_FROM_HEIGHT);
        digitWidth = digits[0]->w;
    }
    const float step = kDigitStep * size;
    const float width = float(n - 1) * step + digitWidth;
    float x0 = 0.0f;
    if (!AlignStart(align, x, width, &x0)) return 0.0f;
    for (int i = 0; i < n; ++i) {
        Sprite2D* s = text[i] == '-' ? minusSign : digits[text[i] - '0'];
        if (!s) continue;
        Place(s, x0 + float(i) * step, y, size, diffuse, specular);
        s->Draw();
    }
    return width;
}

void Hud::DrawWord(float x, float y, const char* text, char align, float size, uint32_t diffuse, uint32_t specular,
                   bool showLetters) {
    if (!text || !text[0]) return;
    const size_t length = std::strlen(text);
    float letterWidth = 0.0f;
    if (letters[0]) {
        letters[0]->SetSize(0.0f, size, SPRITE_SIZE_FROM_HEIGHT);
        letterWidth = letters[0]->w;
    }
    const float step = kLetterStep * size;
    float x0 = 0.0f;
    if (!AlignStart(align, x, float(length - 1) * step + letterWidth, &x0)) return;
    const int side = g_Match.localSide;
    const uint32_t now = GetTime(CLOCK_MATCH);
    for (size_t i = 0; i < length; ++i) {
        const char ch = text[i];
        // The letter table has 26 pictures; anything but a capital has none.
        if (ch < 'A' || ch > 'Z') continue;
        const int k = ch - 'A';
        Sprite2D* s = letters[k];
        if (!s) continue;
        float lx = x0 + float(i) * step, ly = y, lsize = size;
        uint32_t d = diffuse, sp = specular;
        if (showLetters && IsSide(side)) {
            const int32_t count = g_Match.letters[side][k];
            const uint32_t elapsed = now - g_Match.letterTime[k];
            sp = Grey(50);
            if (count > 0) {
                d = 0xFF00FF00;
                if (elapsed < 500) {
                    const float grow = 1.0f - float(elapsed) * 0.002f;
                    s->SetSize(0.0f, size, SPRITE_SIZE_FROM_HEIGHT);
                    const float w0 = s->w, h0 = s->h;
                    lsize = size * (1.0f + 4.0f * grow);
                    s->SetSize(0.0f, lsize, SPRITE_SIZE_FROM_HEIGHT);
                    lx -= (s->w - w0) * 0.5f;
                    ly -= (s->h - h0) * 0.5f;
                    sp = Grey(50 + int(205.0f * grow));
                }
            } else {
                d = count == 0 ? 0x64646464 : kRed;
            }
        }
        Place(s, lx, ly, lsize, d, sp);
        s->Draw();
    }
}

void Hud::DrawClock(float x, float y, int32_t seconds, float size, uint32_t diffuse, uint32_t specular) {
    const uint32_t now = GetTime(CLOCK_MATCH);
    if (!g_Run.phaseTaken) {
        g_Run.phaseTaken = true;
        g_Run.phaseStart = now;
    }
    const uint32_t e = now - g_Run.phaseStart;
    if (e > 500) {
        g_Run.phaseStart = now + 500 - e;
        g_Run.colonVisible = !g_Run.colonVisible;
    }
    const int32_t minutes = seconds / 60, rest = seconds % 60;
    const float x1 = x + DrawNumber(x, y, minutes, 'i', size, diffuse, specular);
    float x2 = x1;
    if (colon) {
        Place(colon, x1, y, size, diffuse, specular);
        if (g_Run.colonVisible) colon->Draw();
        x2 += colon->w;
    }
    if (rest < 10) x2 += DrawNumber(x2, y, 0, 'i', size, diffuse, specular);
    DrawNumber(x2, y, rest, 'i', size, diffuse, specular);
}

void Hud::DrawFighterPanel(float x, float y, float size, Character* fighter) {
    if (g_Settings.interfaceFaces) {
        DrawPortraitPanel(x, y, size, fighter);
        return;
    }
    if (!fighter || !IsSide(fighter->side)) return;
    if (Sprite2D* m = markers[fighter->side]) {
        Place(m, x, y, size, kWhite, 0);
        m->Draw();
    }
    DrawPanelBars(x, y, size, fighter);
}

void Hud::DrawPanelBars(float x, float y, float size, Character* fighter) {
    const int s = fighter->side;
    const float S = 4.0f * size;
    const HudPanelLayout& L = HUD_PANEL_LAYOUT[s];

    // An empty bar is not drawn: a texture window of no height has no size to derive.
    const float r = BarRatio(fighter->health, fighter->maxHealth);
    if (Sprite2D* b = lifeBars[s]; b && r > 0.0f) {
        b->texLeft = 0.0f, b->texTop = 1.0f - r, b->texRight = 1.0f, b->texBottom = 1.0f;
        Place(b, x + L.lifeX * S, y + (L.lifeY + L.lifeH * (1.0f - r)) * S, L.lifeH * r * S, kBarTint, 0);
        b->Draw();
    }
    const float q = BarRatio(fighter->energy, fighter->maxEnergy);
    if (Sprite2D* b = manaBars[s]; b && q > 0.0f) {
        b->texLeft = 0.0f, b->texTop = 0.0f, b->texRight = 1.0f, b->texBottom = q;
        Place(b, x + L.manaX * S, y + L.manaY * S, L.manaH * q * S, kBarTint, 0);
        b->Draw();
    }
    const float e = BarRatio(fighter->experience, fighter->maxExperience);
    if (Sprite2D* b = expBars[s]; b && e > 0.0f) {
        b->texLeft = 0.0f, b->texTop = 0.0f, b->texRight = e, b->texBottom = 1.0f;
        b->SetSize(HUD_EXP_WIDTH * e * S, 0.0f, SPRITE_SIZE_FROM_WIDTH);
        b->SetPosition(x + L.expX * S, y + L.expY * S);
        b->diffuse = kBarTint;
        b->specular = 0;
        b->Draw();
    }
    const int32_t shown = fighter->level < INT32_MAX ? fighter->level + 1 : fighter->level;
    DrawNumber(x + HUD_LEVEL_X * S, y + HUD_LEVEL_Y * S, shown, 'c', HUD_LEVEL_SIZE * S, kWhite, 0);
}

void Hud::DrawSideCounters() {
    Character* local = g_HudShellCalls.localFighter();
    if (!local) return;
    const int kind = g_Match.gameKind;
    const int localSide = g_Match.localSide;
    for (int t = 0; t < 2; ++t) {
        if ((kind == 6 || kind == 7) && t != local->side) continue;
        if (logos[t]) logos[t]->Draw();
        int64_t need = 0;
        uint32_t flashTime = 0;
        if (!SideCount(t, local, &need, &flashTime)) continue;
        const int32_t count = need < 0 ? 0 : ClampToI32(need);
        if (kind == 4 && t == localSide && count <= 30 && count != g_Run.lastCurseBeep) {
            g_Run.lastCurseBeep = count;
            g_HudShellCalls.playFx(HUD_BEEP_SOUND, nullptr, 0);
        }
        int b = FlashRamp(GetElapsed(CLOCK_MATCH, flashTime), 1.02f, 0);
        const bool marked = (kind == 0 && g_Match.symbols[t].atHome == 0) ||
                            (kind == 4 && g_Match.cursedFighter && g_Match.cursedFighter->side == t);
        uint32_t diffuse = kWhite;
        if (marked) {
            diffuse = kRed;
            b += 50;
        }
        DrawNumber(t == localSide ? 0.135f : 0.295f, 0.045f, count, 'c', 0.06f, diffuse, Grey(b));
    }
}

void Hud::DrawPowerBar() {
    Character* local = g_HudShellCalls.localFighter();
    if (!local) return;
    const int selected = g_HudShellCalls.selectedPower();
    for (int i = 0; i < HUD_ICONS; ++i) {
        Sprite2D* icon = powerIcons[i];
        if (!icon) continue;
        icon->SetPosition(icon->w * float(i) * 0.6875f + 0.22f, 0.98f - icon->h);
        if (i - 1 == selected) {
            icon->specular = kLitIcon;
            icon->diffuse = kWhite;
        } else {
            icon->specular = 0;
            icon->diffuse = i - 1 > local->highestUnlockedPower ? kLockedIcon : kWhite;
        }
        icon->Draw();
        if (Sprite2D* ring = powerRings[i == 0 ? 0 : i == HUD_ICONS - 1 ? 2 : 1]) {
            ring->SetPosition(icon->x, icon->y);
            ring->Draw();
        }
    }
    const float w0 = powerIcons[0] ? powerIcons[0]->w : 0.0f;
    const float h0 = powerIcons[0] ? powerIcons[0]->h : 0.0f;
    const int side = g_Match.localSide;
    const bool eased = CampaignRulesApply() && g_Settings.difficulty == 0;
    for (int i = 0; i < HUD_ICONS; ++i) {
        int32_t value = 1;
        if (i > 0 && IsSide(side)) {
            int32_t required = PowerRowOf(side, i - 1).requiredLevel;
            if (eased) required = int32_t(float(required) * EASY_CAMPAIGN_LEVEL_FACTOR);
            value = 1 + required;
        }
        DrawNumber((float(i) * 0.6875f + 0.7f) * w0 + 0.22f, 0.7f * h0 + 0.98f - h0, value, 'c', 0.02f, kWhite,
                   kLitIcon);
    }
}

void Hud::DrawPowerWords() {
    const uint32_t now = GetTime(CLOCK_MATCH);
    float row = 0.025f;
    for (int w = 0; w < MATCH_WORDS; ++w) {
        const int32_t state = g_Match.wordState[w];
        if (state == 0) continue;
        const uint32_t e = now - g_Match.wordTime[w];
        const bool young = e < 1000;
        float size = 0.03f, offset = 0.0f;
        int alpha = 128, g = 50;
        bool showLetters = false;
        switch (state) {
        case 1: showLetters = true; break;
        case 2:
            alpha = 255;
            g = young ? 50 + int(0.205f * float(e)) : 255;
            break;
        case 3:
            size = young ? 0.03f * (1.0f + 0.005f * float(e)) : 0.18f;
            alpha = young ? 255 - int(0.255f * float(e)) : 0;
            g = 255;
            offset = young ? 0.0005f * float(e) : 0.5f;
            break;
        default: break;
        }
        DrawWord(0.58f, row + offset, PowerWordText(w), 'c', size, (uint32_t(alpha) << 24) | 0x0000FF00u, Grey(g),
                 showLetters);
        row += 0.04f;
    }
}

void Hud::DrawCredits() {
    Character* local = g_HudShellCalls.localFighter();
    const int side = g_Match.localSide;
    if (!IsSide(side)) return;
    const int kind = g_Match.gameKind;
    const int32_t value = (kind == 6 || kind == 7) && local ? local->credits : g_Match.points[side];
    const int g = FlashRamp(GetElapsed(CLOCK_MATCH, g_Match.pointsTime[side]), 0.82f, 50);
    DrawNumber(0.9f, 0.045f, value, 'd', 0.06f, 0xFFFFFF00, Grey(g));
}

void Hud::DrawMatchClock() {
    if (!clockMarker) return;
    int64_t left = (int64_t(g_Match.timeLimit) - int64_t(g_Match.elapsed)) / 1000;
    const int32_t seconds = left < 0 ? 0 : ClampToI32(left);
    const bool last = seconds <= 30;
    if (last && seconds != g_Run.lastClockBeep) {
        g_Run.lastClockBeep = seconds;
        g_HudShellCalls.playFx(HUD_BEEP_SOUND, nullptr, 0);
    }
    DrawClock(0.11f, 0.16f, seconds, 0.06f, last ? kRed : kWhite, last ? Grey(50) : 0xFF000000);
}

void Hud::DrawObjectiveInfo() {
    if (!compassMarker) return;
    const float od = objectiveDistance;
    const int32_t d = od >= 2147483520.0f ? INT32_MAX : od > 0.0f ? int32_t(od) : 0;
    const int kind = g_Match.gameKind;
    if (kind == 1) {
        const int side = g_Match.localSide;
        if (!IsSide(side)) return;
        const int32_t next = g_Match.checkpointsPassed[side];
        if (next < 0 || next >= MATCH_CHECKPOINTS || g_Match.checkpoints[next].index < 0) return;
        DrawNumber(0.9f, 0.155f, next + 1, 'd', 0.04f, kWhite, 0);
        DrawNumber(0.9f, 0.205f, d, 'd', 0.04f, kWhite, 0);
    } else if (kind == 2 || kind == 7) {
        DrawNumber(0.9f, 0.155f, objectiveValue, 'd', 0.04f, kWhite, 0);
        DrawNumber(0.9f, 0.205f, d, 'd', 0.04f, kWhite, 0);
    } else {
        DrawNumber(0.9f, 0.18f, d, 'd', 0.04f, kWhite, 0);
    }
}

void Hud::DrawBanner() {
    if (GetActiveClock() == CLOCK_PAUSE) {
        if (bannerPause && !g_Settings.test) DrawCentred(bannerPause);
        return;
    }
    Sprite2D* banner = nullptr;
    switch (g_Match.state) {
    case MATCH_WON: banner = bannerWin; break;
    case MATCH_LOST:
        banner = ModeHasTimeLimit(g_Match.gameKind) && g_Match.elapsed > g_Match.timeLimit ? bannerTimeOver
                                                                                           : bannerLose;
        break;
    default:
        if (g_Match.elapsed < kBannerShowMs) banner = bannerStart;
        break;
    }
    if (!banner) return;
    // An undamped spring: the banner keeps swelling and shrinking about its height.
    const float dt = g_HudShellCalls.frameSeconds();
    float h = banner->h;
    bannerGrowth += (kBannerHeight - h) * dt * 15.0f;
    h += bannerGrowth * dt;
    banner->SetSize(0.0f, h, SPRITE_SIZE_FROM_HEIGHT);
    DrawCentred(banner);
}

void Hud::Draw() {
    Character* local = g_HudShellCalls.localFighter();
    if (!local || !g_Video.GetDevice()) return;
    g_Video.Begin2D();
    if (g_Scene.renderQueue) g_Scene.renderQueue->Clear();
    g_Scene.skyLayer = 0;

    if (aimPoint && g_HudShellCalls.selectedPower() > -1) {
        Character* aimed = g_HudShellCalls.aimedFighter();
        Character* target = local->attackTarget;
        if (g_HudShellCalls.aimLock() && target && g_Scene.camera) {
            Place(aimPoint, 0.0f, 0.0f, 0.075f, kAimOnEnemy, 0);
            int32_t px = 0, py = 0;
            WorldToScreen(target->position.x, target->position.y + 0.75f, target->position.z, &px, &py,
                          *g_Scene.camera);
            aimPoint->SetPosition(float(px) / SpriteScreenWidth() - aimPoint->w * 0.5f,
                                  float(py) / SpriteScreenHeight() - aimPoint->h * 0.5f);
        } else {
            Place(aimPoint, 0.0f, 0.0f, 0.025f, aimed && aimed->side != local->side ? kAimOnEnemy : kAimColour, 0);
            aimPoint->SetPosition(0.5f - aimPoint->w * 0.5f, 0.5f - aimPoint->h * 0.5f);
        }
        aimPoint->Draw();
    }

    DrawSideCounters();

    float w = 0.0f, h = 0.0f;
    if (markers[0]) {
        markers[0]->SetSize(0.0f, 0.25f, SPRITE_SIZE_FROM_HEIGHT);
        w = markers[0]->w;
        h = markers[0]->h;
    }
    DrawFighterPanel(0.02f, 1.0f - h - 0.02f, 0.25f, local);
    if (Character* enemy = local->nearestEnemy;
        enemy && Vec3Length(Vec3Sub(enemy->position, local->position)) < kEnemyPanelRange)
        DrawFighterPanel(1.0f - w * 0.5f - 0.02f, 1.0f - h * 0.5f - 0.02f, 0.125f, enemy);

    DrawPowerBar();
    DrawPowerWords();
    DrawCredits();
    DrawMatchClock();
    DrawObjectiveInfo();
    DrawBanner();

    g_Video.End2D();
    g_Video.SetZEnable(true);
    g_Video.ClearZBuffer();
    for (DynamicMesh* m : {coinMarker, clockMarker, compassMarker})
        if (m) m->Draw();
    if (g_Scene.renderQueue) g_Scene.renderQueue->Flush();
}
