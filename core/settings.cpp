#include "core/settings.h"

#include <climits>
#include <cstring>
#include <string>

#include "platform/os/os.h"
#include "core/data_problems.h"
#include "core/debug_log.h"
#include "core/pack_file.h"

Settings g_Settings;
char g_HostAddress[HOST_ADDRESS_SIZE];

namespace {

const char* const kIniName = "Brimvale.ini";
constexpr int kMaxDigits = 99;

// Finds `key` the way the settings file has always been read: the first occurrence anywhere in
// the text (not tied to a line start or a word end), then the next '=' anywhere after it.
// Returns the position just past that '=', or null.
const char* FindKeyValue(const char* text, const char* key) {
    if (!text || !key) return nullptr;
    long long textLen = (long long)std::strlen(text);
    long long keyLen = (long long)std::strlen(key);
    if (textLen - keyLen - 1 <= 0) return nullptr;
    for (long long p = 0; p <= textLen - keyLen - 2; ++p) {
        if (text[p] != key[0]) continue;
        if (std::memcmp(text + p, key, size_t(keyLen)) != 0) continue;
        const char* eq = std::strchr(text + p + 1, '=');
        return eq ? eq + 1 : nullptr;
    }
    return nullptr;
}

uint32_t ClampComponent(int v) {
    return v < 0 ? 0u : v > 255 ? 255u : uint32_t(v);
}

uint32_t BrightComponent(uint32_t c) {
    uint32_t b = uint32_t(double(c) * 1.5);
    return b > 255 ? 255 : b;
}

uint32_t PackColour(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

int SaturateToInt(double v) {
    if (v >= double(INT_MAX)) return INT_MAX;
    if (v <= double(INT_MIN)) return INT_MIN;
    return int(v);
}

}  // namespace

char* ReadWholeFile(const char* name) {
    PackEntry file;
    if (!file.OpenFile(name)) return nullptr;
    // The text ends at end of file or at the first byte 0xFF, whichever comes first.
    BinaryReader& in = file.Reader();
    const uint8_t* bytes = in.Data();
    size_t count = 0;
    while (count < in.Size() && bytes[count] != 0xFF) ++count;
    char* buffer = new char[count + 1];
    if (count) std::memcpy(buffer, bytes, count);
    buffer[count] = 0;
    return buffer;
}

void FreeFileBuffer(char* buffer) {
    delete[] buffer;
}

// After the key's '=', every character that is not a digit is skipped (a minus sign too, so
// "-5" reads 5), possibly into later lines; the first run of digits is the value.
int ReadIniInt(const char* text, const char* key) {
    const char* s = FindKeyValue(text, key);
    if (!s) return -1;
    while (*s && (*s < '0' || *s > '9')) ++s;
    if (!*s) return -1;
    long long value = 0;
    for (int digits = 0; digits < kMaxDigits && *s >= '0' && *s <= '9'; ++digits, ++s) {
        // A run longer than an int holds saturates.
        if (value <= INT_MAX) value = value * 10 + (*s - '0');
    }
    return value > INT_MAX ? INT_MAX : int(value);
}

bool ReadIniString(const char* text, const char* key, char* out, int outCapacity) {
    if (!out || outCapacity <= 0) return false;
    out[0] = 0;
    const char* s = FindKeyValue(text, key);
    if (!s) return false;
    const char* open = std::strchr(s, '"');
    if (!open) return false;
    const char* close = std::strchr(open + 1, '"');
    if (!close) return false;
    size_t len = size_t(close - open - 1);
    if (len > size_t(outCapacity - 1)) len = size_t(outCapacity - 1);
    std::memcpy(out, open + 1, len);
    out[len] = 0;
    return true;
}

void Settings::Clear() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
}

void Settings::SetDefaults() {
    mode = 0;
    debug = 0;
    test = 0;
    reserved0 = 0;
    frontEnd = 1;
    software = 0;
    localSide = 0;
    fightersOwn = 2;
    fightersEnemy = 2;
    levelOwn = 0;
    levelEnemy = 0;
    randomLevelOwn = 0;
    randomLevelEnemy = 0;
    computerControl = 1;
    scenarioId = 13;
    markUnusedTextures = 0;
    gameKind = 5;
    maxDeaths[0] = maxDeaths[1] = 20;
    stealsGoal[0] = stealsGoal[1] = 5;
    creditsGoal[0] = creditsGoal[1] = 500;
    capturesGoal[0] = capturesGoal[1] = 20;
    curseMinutes[0] = curseMinutes[1] = 5;
    freezeTime = 5;
    matchMinutes = 5;
    hud = 1;
    fullScreen = 1;
    adapter = 0;
    width = 1024;
    height = 768;
    bitsPerPixel = 32;
    doubleBackBuffer = 0;
    textureBpp = 32;
    textureReduction = 0;
    multisample = 0;
    anisotropic = 0;
    waitRetrace = 1;
    specular = 1;
    modelQuality = 0;
    characterShadow = 1;
    waterQuality = 3;
    mirrors = 1;
    interfaceFaces = 0;
    farFactor = 1.0f;
    gamma = 0.5f;
    generalQuality = 3;
    violence = 0;
    difficulty = 0;
    reserved1 = 0;
    reserved2 = 1;
    backgroundColour = 0xFF000000u;
    textColour = 0xFF7F7F7Fu;
    brightTextColour = 0xFFFFFFFFu;
    rain = 0;
    fog = 0;
    fogStart = 0.0f;
    fogEnd = 0.0f;
    fogColour = 0xFF000000u;
    music = 1;
    voices = 1;
    sound = 1;
    soundOption1 = 1;
    soundOption2 = 0;
    musicVolume = 0.9f;
    effectVolume = 1.0f;
    volume3 = 1.0f;
    volume4 = 1.0f;
    reserved3 = 1;
    statistics = 0;
    speedFactor = 1.0f;
    pathDebug1 = 0;
    pathDebug2 = 0;
}

namespace {

// What the start depends on, told as the settings file's own problem: a missing key still reads
// -1, and what that leads to (no such mode, no such video mode) would point elsewhere.
void TellDamagedIni(const char* text, int mode, bool fullScreen) {
    if (!*text) {
        TellDataProblemF("The settings file %s is empty: every setting reads -1.", kIniName);
        return;
    }
    const char* keys[] = {"MODO", "RESX", "RESY", "BPP"};
    const int checked = fullScreen ? 4 : 1;
    std::string missing;
    for (int i = 0; i < checked; ++i)
        if (ReadIniInt(text, keys[i]) < 0) missing += (missing.empty() ? "" : ", ") + std::string(keys[i]);
    if (!missing.empty())
        TellDataProblemF("The settings file %s is damaged or incomplete: %s %s no value (a missing setting reads -1).",
                         kIniName, missing.c_str(), missing.find(',') == std::string::npos ? "has" : "have");
    else if (mode < 0 || mode > 3)
        TellDataProblemF("The settings file %s is damaged: MODO = %d is no mode of the program (0 to 3).", kIniName,
                         mode);
}

}  // namespace

bool Settings::LoadIni() {
    std::memset(g_HostAddress, 0, sizeof g_HostAddress);
    char* text = ReadWholeFile(kIniName);
    if (!text) {
        SetDefaults();
    } else {
        // A key missing from an existing file reads -1: switches come out on, numbers -1.
        auto number = [text](const char* key) { return ReadIniInt(text, key); };
        auto flag = [text](const char* key) { return uint8_t(ReadIniInt(text, key) != 0); };
        auto notNegative = [text](const char* key) {
            int v = ReadIniInt(text, key);
            return v < 0 ? 0 : v;
        };

        mode = number("MODO");
        debug = flag("DEBUG");
        if (debug) {
            OpenDebugLog();
            WriteDebugLogSeparator();
            WriteDebugLog("Modo DEBUG inicializado");
            WriteDebugLogSeparator();
        }
        test = flag("PRUEBAS");
        reserved0 = 0;
        frontEnd = mode == 0 ? flag("MENU") : 0;
        software = flag("SOFTWARE");
        localSide = number("TIPO_PERSONAJE");
        fightersOwn = number("NUM_PER");
        fightersEnemy = number("NUM_PER_ENE");
        levelOwn = notNegative("NIVEL");
        levelEnemy = notNegative("NIVEL_ENE");
        randomLevelOwn = flag("ALE_NIVEL");
        randomLevelEnemy = flag("ALE_NIVEL_ENE");
        computerControl = flag("ACTIVAR_IA");
        scenarioId = number("ID_ESCENARIO");
        markUnusedTextures = number("MARCA_TEXT_NU");
        gameKind = number("K_GAME");
        maxDeaths[0] = number("MAX_DEATHS_ORLINS");
        maxDeaths[1] = number("MAX_DEATHS_VORAKS");
        stealsGoal[0] = number("STEALS_NUMBER_ORLINS");
        stealsGoal[1] = number("STEALS_NUMBER_VORAKS");
        creditsGoal[0] = number("CREDITS_NUMBER_ORLINS");
        creditsGoal[1] = number("CREDITS_NUMBER_VORAKS");
        capturesGoal[0] = number("CAPTURES_NUMBER_ORLINS");
        capturesGoal[1] = number("CAPTURES_NUMBER_VORAKS");
        curseMinutes[0] = number("MAX_TIME_MALDICION_ORLINS");
        curseMinutes[1] = number("MAX_TIME_MALDICION_VORAKS");
        freezeTime = number("FREEZE_TIME");
        matchMinutes = number("MAX_TIME_GLOBAL");
        hud = 1;
        fullScreen = flag("FULL_SCREEN");
        adapter = 0;
        if (fullScreen) {
            width = number("RESX");
            height = number("RESY");
            bitsPerPixel = number("BPP");
            doubleBackBuffer = flag("DOBLE_BACKBUFFER");
        } else {
            // Windowed, the size is the window's. The file is normally read before the window
            // exists; until then the fields keep RESX and RESY, or 1024 x 768 where those are
            // missing or not positive. BPP is not read.
            if (os::WindowHandle window = os::GetMainWindow()) {
                os::GetClientSize(window, &width, &height);
            } else {
                int w = number("RESX");
                int h = number("RESY");
                width = w > 0 ? w : 1024;
                height = h > 0 ? h : 768;
            }
            doubleBackBuffer = 0;
        }
        textureBpp = number("CALIDAD_TEXTURAS_BPP");
        textureReduction = number("CALIDAD_TEXTURAS_DIM");
        multisample = number("MULTISAMPLE");
        anisotropic = flag("ANISOTROPICO");
        waitRetrace = flag("WAIT_RETRACE");
        specular = flag("ESPECULAR");
        modelQuality = number("CALIDAD_MODELOS");
        characterShadow = flag("SOMBRA_PERSONAJE");
        waterQuality = number("CALIDAD_AGUA");
        mirrors = flag("ESPEJOS");
        interfaceFaces = flag("CARAS_INTERFAZ");
        farFactor = float(number("FAR_PLANE")) * 0.01f;
        gamma = float(number("GAMMA")) * 0.01f;
        generalQuality = number("GENERAL_QUALITY");
        violence = number("VIOLENCE");
        difficulty = number("DIFFICULTY");
        reserved1 = 0;
        reserved2 = 1;

        uint32_t bgR = ClampComponent(number("FONDO_ROJO"));
        uint32_t bgG = ClampComponent(number("FONDO_VERDE"));
        uint32_t bgB = ClampComponent(number("FONDO_AZUL"));
        backgroundColour = PackColour(bgR, bgG, bgB);
        uint32_t txR = ClampComponent(number("TEXTO_ROJO"));
        uint32_t txG = ClampComponent(number("TEXTO_VERDE"));
        uint32_t txB = ClampComponent(number("TEXTO_AZUL"));
        textColour = PackColour(txR, txG, txB);
        brightTextColour = PackColour(BrightComponent(txR), BrightComponent(txG), BrightComponent(txB));

        rain = flag("LLUVIA");
        fog = flag("NIEBLA");
        fogStart = float(number("NIEBLA_NEAR_PLANE"));
        fogEnd = float(number("NIEBLA_FAR_PLANE"));
        // Not clamped: a component above 255 spills into the next byte, -1 sets every bit.
        fogColour = 0xFF000000u | (uint32_t(number("NIEBLA_ROJO")) << 16) |
                    (uint32_t(number("NIEBLA_VERDE")) << 8) | uint32_t(number("NIEBLA_AZUL"));

        music = flag("MUSICA");
        voices = flag("LOCUCIONES");
        sound = flag("SONIDO");
        soundOption1 = 0;
        soundOption2 = 0;
        musicVolume = 0.9f;
        effectVolume = 1.0f;
        volume3 = 1.0f;
        volume4 = 1.0f;
        speedFactor = 1.0f;
        if (test) {
            float f = float(number("FACTOR VELOCIDAD"));
            speedFactor = f < 1.0f ? 1.0f : f;
        }

        ReadIniString(text, "IP_HOST", g_HostAddress, HOST_ADDRESS_SIZE);
        TellDamagedIni(text, mode, fullScreen != 0);
        FreeFileBuffer(text);
    }

    hud = 1;
    reserved1 = 0;
    reserved2 = 1;
    reserved3 = 1;
    statistics = (mode == 1 || mode == 2) ? 1 : 0;
    pathDebug1 = 0;
    pathDebug2 = 0;
    g_SettingsCalls.setModelQuality(modelQuality);

    if (frontEnd) {
        g_SettingsCalls.loadPlayerSaves(2);
        if (!g_SettingsCalls.loadOptionsConfig()) g_SettingsCalls.storeOptions();
        g_SettingsCalls.loadMultiplayerConfig();
        g_SettingsCalls.loadTrainingConfig();
        if (!g_SettingsCalls.loadGameConfig()) g_SettingsCalls.storeGameSettings();
        else g_SettingsCalls.selectStoredPlayer();
    }

    characterShadow = g_SettingsCalls.isStencilSupported(bitsPerPixel) ? 1 : 0;

    if (frontEnd) g_SettingsCalls.setDefaultDisplayMode();
    return true;
}

int Settings::AdjustByDifficulty(int value) const {
    if (difficulty == 0) return value < 10 ? 0 : value - 10;
    if (difficulty == 2) return value > INT_MAX - 5 ? INT_MAX : value + 5;
    return value;
}

int Settings::ScaleByDifficulty(int value) const {
    if (difficulty == 0) return SaturateToInt(double(value) * 1.25);
    return value;
}
