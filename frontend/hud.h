// The in-match HUD: everything the player sees over the 3D view during a match, drawn from
// pictures (digits, letters and signs are sprites too, no font), plus three small 3D markers (a
// spinning coin, a spinning clock and a compass needle towards the objective of the game kind)
// and, with CARAS_INTERFAZ, live portraits inside the side markers. It only reads the match and
// the fighters; the sprites are moved, sized and recoloured before each draw and reused.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;
class DynamicMesh;
class Sprite2D;

constexpr int HUD_DIGITS = 10;
constexpr int HUD_LETTERS = 26;
constexpr int HUD_RINGS = 3;
constexpr int HUD_ICONS = 11;
// The countdown beep of the match clock and the curse counter.
constexpr int HUD_BEEP_SOUND = 262;

// Where a side's bars sit over its marker, in screen fractions for a panel of size 0.25 (the
// marker's height): the life bar's x, top and full height, the energy bar's x, top and full
// height, the experience bar's x and top; its full width and the level's place are common.
struct HudPanelLayout {
    float lifeX, lifeY, lifeH, manaX, manaY, manaH, expX, expY;
};
constexpr HudPanelLayout HUD_PANEL_LAYOUT[2] = {{0.127f, 0.038f, 0.172f, 0.001f, 0.086f, 0.133f, 0.071f, 0.193f},
                                                {0.132f, 0.043f, 0.16f, 0.005f, 0.095f, 0.124f, 0.08f, 0.189f}};
constexpr float HUD_EXP_WIDTH = 0.096f;
constexpr float HUD_LEVEL_X = 0.07f;
constexpr float HUD_LEVEL_Y = 0.195f;
constexpr float HUD_LEVEL_SIZE = 0.06f;

class Hud {
public:
    uint32_t loaded = 1;

    // The seventy pictures, in loading order; null when absent.
    Sprite2D* aimPoint = nullptr;
    Sprite2D* markers[2] = {};          // per side
    Sprite2D* lifeBars[2] = {};
    Sprite2D* manaBars[2] = {};
    Sprite2D* expBars[2] = {};
    Sprite2D* logos[2] = {};
    Sprite2D* digits[HUD_DIGITS] = {};
    Sprite2D* minusSign = nullptr;
    Sprite2D* colon = nullptr;
    Sprite2D* letters[HUD_LETTERS] = {};   // A to Z
    Sprite2D* powerRings[HUD_RINGS] = {};
    Sprite2D* powerIcons[HUD_ICONS] = {};  // 0 the plain attack, 1-10 the local side's powers
    Sprite2D* bannerWin = nullptr;
    Sprite2D* bannerLose = nullptr;
    Sprite2D* bannerStart = nullptr;
    Sprite2D* bannerTimeOver = nullptr;
    Sprite2D* bannerPause = nullptr;
    Sprite2D* portraitMasks[2] = {};    // only with CARAS_INTERFAZ

    DynamicMesh* coinMarker = nullptr;
    float coinSpin = 0.0f;
    DynamicMesh* clockMarker = nullptr;
    float clockSpin = 0.0f;
    DynamicMesh* compassMarker = nullptr;
    float objectiveBearing = 0.0f;      // relative to the camera's heading, within +-2 pi
    float objectiveDistance = 0.0f;
    int32_t objectiveValue = 0;         // credits of the coin the compass points to (greed)
    float bannerGrowth = 0.0f;          // height fractions per second

    Hud() = default;
    ~Hud() { Release(); }
    Hud(const Hud&) = delete;
    Hud& operator=(const Hud&) = delete;

    // Needs the scene, the match set-up, the item models and the match's mode objects. A picture
    // that does not load leaves its slot empty.
    void Load();
    void Release();
    // "Texturas\Interfaz\Sprites2D\<name>.tga" into the slot at the given height (size mode 1,
    // blend preset 1); false, the slot as it was, when the picture does not load.
    bool LoadSprite(Sprite2D** slot, const char* name, float height, float left = 0.0f, float top = 0.0f,
                    float right = 1.0f, float bottom = 1.0f);

    // Per game frame while play runs.
    void UpdateMarkers();
    // Per rendered frame; nothing without a local fighter.
    void Draw();

    // Positions and sizes are screen fractions; align 'i' left edge at x, 'c' centred, 'd' right
    // edge at x; any other draws nothing. DrawNumber returns the width it covers (0 for a bad
    // alignment).
    float DrawNumber(float x, float y, int32_t value, char align, float size, uint32_t diffuse, uint32_t specular);
    // Only the capitals A-Z are drawn; a space keeps its place empty, anything else is skipped.
    void DrawWord(float x, float y, const char* text, char align, float size, uint32_t diffuse, uint32_t specular,
                  bool showLetters);
    void DrawClock(float x, float y, int32_t seconds, float size, uint32_t diffuse, uint32_t specular);
    void DrawFighterPanel(float x, float y, float size, Character* fighter);
    void DrawPortraitPanel(float x, float y, float size, Character* fighter);
    void DrawSideCounters();
    void DrawPowerBar();
    void DrawPowerWords();
    void DrawCredits();
    void DrawMatchClock();
    void DrawObjectiveInfo();
    void DrawBanner();

private:
    template <typename F>
    void ForEachSlot(F&& visit);
    void LoadMarkers();
    // The life, energy and experience bars and the level of a panel whose marker is at (x, y).
    void DrawPanelBars(float x, float y, float size, Character* fighter);
    bool FindObjective(Character* local, Vec3* out);
};

extern Hud g_Hud;

// The heading on the ground from a to b: 0 along +z, pi/2 along +x, pi along -z, 3 pi/2 along -x.
float HudYaw(const Vec3& a, const Vec3& b);

// The colon's blink phase and the last seconds beeped live for the whole run; back to their start
// (tests).
void ResetHudRunState();

// What the HUD reads of the shell: the player control's fighters, power, camera and frame time,
// and the sound effects. The shell fills it (shell/hud_shell_calls.cpp); tests replace entries.
struct HudShellCalls {
    Character* (*localFighter)();
    int (*selectedPower)();                 // -1 none
    Character* (*aimedFighter)();           // under the aim ray, or null
    bool (*aimLock)();                      // the aim follows the local fighter's target
    float (*frameSeconds)();
    Vec3 (*cameraEye)();
    Vec3 (*cameraTarget)();
    int (*playFx)(int id, const Vec3* position, uint32_t flags);
};
extern HudShellCalls g_HudShellCalls;
void ResetHudShellCalls();
