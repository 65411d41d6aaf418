// The run's switches and defaults from "Brimvale.ini"; one program-wide record.
#pragma once

#include <cstdint>

struct Settings {
    int32_t mode;                  // MODO: 0 game, 1 character viewer, 2 scenario viewer, 3 editor
    uint8_t debug;                 // DEBUG
    uint8_t test;                  // PRUEBAS
    uint8_t reserved0;
    uint8_t frontEnd;              // MENU, forced off outside MODO 0
    uint8_t software;              // SOFTWARE
    int32_t localSide;             // TIPO_PERSONAJE
    int32_t fightersOwn;           // NUM_PER
    int32_t fightersEnemy;         // NUM_PER_ENE
    int32_t levelOwn;              // NIVEL
    int32_t levelEnemy;            // NIVEL_ENE
    uint8_t randomLevelOwn;        // ALE_NIVEL
    uint8_t randomLevelEnemy;      // ALE_NIVEL_ENE
    uint8_t computerControl;       // ACTIVAR_IA
    int32_t scenarioId;            // ID_ESCENARIO
    int32_t markUnusedTextures;    // MARCA_TEXT_NU
    int32_t gameKind;              // K_GAME
    int32_t maxDeaths[2];          // MAX_DEATHS_ORLINS, MAX_DEATHS_VORAKS
    int32_t stealsGoal[2];         // STEALS_NUMBER_*
    int32_t creditsGoal[2];        // CREDITS_NUMBER_*
    int32_t capturesGoal[2];       // CAPTURES_NUMBER_*
    int32_t curseMinutes[2];       // MAX_TIME_MALDICION_*
    int32_t freezeTime;            // FREEZE_TIME
    int32_t matchMinutes;          // MAX_TIME_GLOBAL
    uint8_t hud;                   // HUD switch (F4 in test mode)
    uint8_t fullScreen;            // FULL_SCREEN
    int32_t adapter;
    // Windowed: the main window's client size; read before the window exists, RESX and RESY
    // (1024 x 768 where missing or not positive) until the options or the window set them.
    int32_t width;                 // RESX
    int32_t height;                // RESY
    int32_t bitsPerPixel;          // BPP, full screen only
    uint8_t doubleBackBuffer;      // DOBLE_BACKBUFFER
    int32_t textureBpp;            // CALIDAD_TEXTURAS_BPP
    int32_t textureReduction;      // CALIDAD_TEXTURAS_DIM
    int32_t multisample;           // MULTISAMPLE
    uint8_t anisotropic;           // ANISOTROPICO
    uint8_t waitRetrace;           // WAIT_RETRACE
    uint8_t specular;              // ESPECULAR
    int32_t modelQuality;          // CALIDAD_MODELOS
    uint8_t characterShadow;       // SOMBRA_PERSONAJE, replaced by the stencil test
    int32_t waterQuality;          // CALIDAD_AGUA
    uint8_t mirrors;               // ESPEJOS
    uint8_t interfaceFaces;        // CARAS_INTERFAZ
    float farFactor;               // FAR_PLANE x 0.01
    float gamma;                   // GAMMA x 0.01
    int32_t generalQuality;        // GENERAL_QUALITY
    int32_t violence;              // VIOLENCE
    int32_t difficulty;            // DIFFICULTY
    uint8_t reserved1;
    uint8_t reserved2;
    uint32_t backgroundColour;     // FONDO_*
    uint32_t textColour;           // TEXTO_*
    uint32_t brightTextColour;
    uint8_t rain;                  // LLUVIA
    uint8_t fog;                   // NIEBLA
    float fogStart;                // NIEBLA_NEAR_PLANE
    float fogEnd;                  // NIEBLA_FAR_PLANE
    uint32_t fogColour;            // NIEBLA_*
    uint8_t music;                 // MUSICA
    uint8_t voices;                // LOCUCIONES
    uint8_t sound;                 // SONIDO
    uint8_t soundOption1;
    uint8_t soundOption2;
    float musicVolume;
    float effectVolume;
    float volume3;
    float volume4;
    uint8_t reserved3;
    uint8_t statistics;            // statistics overlay (F11 in test mode)
    float speedFactor;             // FACTOR VELOCIDAD, test mode only, never below 1.0
    uint8_t pathDebug1;            // first path-debug switch
    uint8_t pathDebug2;            // second path-debug switch

    Settings() { Clear(); }
    // Back to the zeroed start state (tests).
    void Clear();
    // Fills every field with the built-in defaults used when the file is missing.
    void SetDefaults();

    bool LoadIni();
    int AdjustByDifficulty(int value) const;
    int ScaleByDifficulty(int value) const;
};

extern Settings g_Settings;

// What LoadIni asks of the layers above it (front end, fighters, display options). The table is
// filled by the application (shell/settings_calls.cpp); tests may replace single entries.
struct SettingsCalls {
    void (*setModelQuality)(int32_t quality);
    void (*loadPlayerSaves)(int sides);
    bool (*loadOptionsConfig)();
    void (*storeOptions)();
    bool (*loadMultiplayerConfig)();
    bool (*loadTrainingConfig)();
    bool (*loadGameConfig)();
    void (*storeGameSettings)();
    // The player "Game.cfg" names, or else the first of side 0's table, or else side 1's.
    void (*selectStoredPlayer)();
    bool (*isStencilSupported)(int bitsPerPixel);
    void (*setDefaultDisplayMode)();
};
extern SettingsCalls g_SettingsCalls;
void ResetSettingsCalls();

// The host address IP_HOST, 24 characters and a NUL; empty unless the file gave one. A fixed
// buffer rather than an allocation: nothing to leak when the file is read again, never null.
constexpr int HOST_ADDRESS_SIZE = 25;
extern char g_HostAddress[HOST_ADDRESS_SIZE];

// The whole file as text ending in a NUL (a byte 0xFF also ends it), or null when it cannot be
// opened. Free with FreeFileBuffer.
char* ReadWholeFile(const char* name);
void FreeFileBuffer(char* buffer);
// The number after the first occurrence of `key` anywhere in `text` (see ReadIniInt's notes in
// settings.cpp); -1 when there is none.
int ReadIniInt(const char* text, const char* key);
// The quoted value after `key`, cut to outCapacity - 1 characters. True when a closing quote was
// found; `out` is left empty otherwise.
bool ReadIniString(const char* text, const char* key, char* out, int outCapacity);
