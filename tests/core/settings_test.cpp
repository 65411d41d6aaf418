#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>

#include "core/data_problems.h"
#include "fighters/character.h"
#include "core/settings.h"
#include "support/temp_dir.h"

namespace {

// A colour, shown as ARGB hex.
struct Hex {
    uint32_t v;
};
template <typename T>
void Put(std::ostream& out, T v) { out << +v; }
void Put(std::ostream& out, Hex h) { out << std::hex << std::uppercase << h.v << std::dec; }

// Values as one text, so that a case names all the fields it checks on one line.
template <typename... T>
std::string Values(T... v) {
    std::ostringstream out;
    ((Put(out, v), out << ' '), ...);
    std::string s = out.str();
    return s.substr(0, s.size() - 1);
}

// The stencil question as LoadIni asks it: a depth-stencil buffer only with a 16-bit display.
int g_stencilAskedFor = 0;
bool StencilOnlyAt16(int bitsPerPixel) {
    g_stencilAskedFor = bitsPerPixel;
    return bitsPerPixel == 16;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Settings.Clear();
        g_ModelQuality = -99;
        std::memset(g_HostAddress, 'Z', sizeof g_HostAddress);
        g_SettingsCalls.isStencilSupported = StencilOnlyAt16;
        g_stencilAskedFor = 0;
    }
    void TearDown() override {
        ResetSettingsCalls();
        g_Settings.Clear();
        g_ModelQuality = 0;
        std::memset(g_HostAddress, 0, sizeof g_HostAddress);
    }
    // Loads `ini` as "Brimvale.ini" in a fresh working folder.
    const Settings& Load(const std::string& ini) {
        ScopedWorkDir dir;
        dir.Write("Brimvale.ini", ini);
        g_Settings.Clear();
        EXPECT_TRUE(g_Settings.LoadIni());
        return g_Settings;
    }
};

}  // namespace

TEST_F(SettingsTest, DefaultsWithoutAFile) {
    ScopedWorkDir dir;
    ASSERT_TRUE(g_Settings.LoadIni());
    const Settings& s = g_Settings;
    EXPECT_EQ(Values(s.mode, s.frontEnd, s.fightersOwn, s.fightersEnemy, s.computerControl, s.scenarioId, s.gameKind),
              "0 1 2 2 1 13 5");
    for (int side = 0; side < 2; ++side)
        EXPECT_EQ(Values(s.maxDeaths[side], s.stealsGoal[side], s.creditsGoal[side], s.capturesGoal[side],
                         s.curseMinutes[side]),
                  "20 5 500 20 5");
    EXPECT_EQ(Values(s.freezeTime, s.matchMinutes, s.hud, s.fullScreen, s.width, s.height, s.bitsPerPixel),
              "5 5 1 1 1024 768 32");
    EXPECT_EQ(Values(Hex{s.backgroundColour}, Hex{s.textColour}, Hex{s.brightTextColour}, Hex{s.fogColour}),
              "FF000000 FF7F7F7F FFFFFFFF FF000000");
    EXPECT_EQ(Values(s.statistics, s.characterShadow, g_stencilAskedFor, g_ModelQuality), "0 0 32 0");
    EXPECT_STREQ(g_HostAddress, "");
}

TEST_F(SettingsTest, IniTexts) {
    struct Case {
        const char* what;
        std::string ini;
        std::function<std::string(const Settings&)> values;
        const char* expected;
    };
    const Case cases[] = {
        {"every key missing from an existing file: switches on, numbers -1", "",
         [](const Settings& s) {
             return Values(s.mode, s.frontEnd, s.debug, s.test, s.computerControl, s.fightersOwn, s.scenarioId,
                           s.levelOwn, s.fullScreen, s.width, s.bitsPerPixel, s.doubleBackBuffer, s.gamma,
                           s.fogStart, s.soundOption1, s.speedFactor, g_ModelQuality);
         },
         "-1 0 1 1 1 -1 -1 0 1 -1 -1 1 -0.01 -1 0 1 -1"},
        {"NIVEL is found inside ALE_NIVEL", "ALE_NIVEL=1\nNIVEL=3\nNIVEL_ENE=4\nALE_NIVEL_ENE=0\n",
         [](const Settings& s) { return Values(s.levelOwn, s.levelEnemy, s.randomLevelOwn, s.randomLevelEnemy); },
         "1 4 1 0"},
        {"FACTOR VELOCIDAD=0 in test mode", "PRUEBAS=1\nFACTOR VELOCIDAD=0\n",
         [](const Settings& s) { return Values(s.speedFactor); }, "1"},
        // 300 << 16 is 0x012C0000: its high bit lands in the alpha byte of the fog colour.
        {"colours clamp, bright text caps (300 to 255), fog spills into alpha",
         "FONDO_ROJO=300\nFONDO_VERDE=16\nFONDO_AZUL=1\nTEXTO_ROJO=200\nTEXTO_VERDE=100\nTEXTO_AZUL=0\n"
         "NIEBLA_ROJO=300\nNIEBLA_VERDE=2\nNIEBLA_AZUL=3\n",
         [](const Settings& s) {
             return Values(Hex{s.backgroundColour}, Hex{s.textColour}, Hex{s.brightTextColour}, Hex{s.fogColour});
         },
         "FFFF1001 FFC86400 FFFF9600 FF2C0203"},
        {"a value with no digit takes the next line's", "NUM_PER=\nNUM_PER_ENE=7\nTIPO_PERSONAJE=x y\nK_GAME=2\n",
         [](const Settings& s) { return Values(s.fightersOwn, s.fightersEnemy, s.localSide, s.gameKind); },
         "7 7 2 2"},
        {"a minus sign is skipped; digits beyond an int saturate", "ID_ESCENARIO=-5\nFAR_PLANE=-150\nK_GAME=2147483648\n",
         [](const Settings& s) { return Values(s.scenarioId, s.farFactor, s.gameKind); }, "5 1.5 2147483647"},
        {"a byte 0xFF ends the text", std::string("K_GAME=3\n\xFFID_ESCENARIO=9\n", 25),
         [](const Settings& s) { return Values(s.gameKind, s.scenarioId); }, "3 -1"},
        {"shadows follow the stencil answer for the depth read, not the file",
         "CALIDAD_MODELOS=2\nGAMMA=75\nFAR_PLANE=200\nNIEBLA_FAR_PLANE=250\nMUSICA=0\nSOMBRA_PERSONAJE=1\n",
         [](const Settings& s) {
             return Values(g_ModelQuality, s.gamma, s.farFactor, s.fogEnd, s.music, g_stencilAskedFor, s.characterShadow);
         },
         "2 0.75 2 250 0 -1 0"},
        {"windowed before the window exists", "FULL_SCREEN=0\nRESX=800\nRESY=600\nBPP=16\nDOBLE_BACKBUFFER=1\n",
         [](const Settings& s) { return Values(s.fullScreen, s.width, s.height, s.bitsPerPixel, s.doubleBackBuffer); },
         "0 800 600 0 0"},   // BPP not read: left as it was
        {"IP_HOST without its closing quote", "IP_HOST=\"10.0.0.1\n",
         [](const Settings&) { return std::string(g_HostAddress); }, ""},
        {"IP_HOST too long", "IP_HOST=\"abcdefghijklmnopqrstuvwxyz0123456789\"\n",
         [](const Settings&) { return std::string(g_HostAddress); }, "abcdefghijklmnopqrstuvwx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::memset(g_HostAddress, 'Z', sizeof g_HostAddress);
        EXPECT_EQ(c.values(Load(c.ini)), c.expected);
    }
}

TEST_F(SettingsTest, AnEmptyOrDamagedIniIsToldAsTheSettingsFilesProblemAndItsMissingKeysStillReadMinusOne) {
    const std::string sound = "MODO = 0\nMENU = 1\nFULL_SCREEN = 1\nRESX = 800\nRESY = 600\nBPP = 16\n";
    const struct {
        const char* what;
        std::string ini;
        const char* told;   // null: nothing
    } cases[] = {
        {"sound", sound, nullptr},
        {"windowed without a size", "MODO = 2\nFULL_SCREEN = 0\n", nullptr},
        {"empty", "", "The settings file Brimvale.ini is empty: every setting reads -1."},
        {"ending at once", "\xff MODO = 0", "The settings file Brimvale.ini is empty: every setting reads -1."},
        {"garbage", "\x01\x7fq#\n==\x02 zz",
         "The settings file Brimvale.ini is damaged or incomplete: MODO, RESX, RESY, BPP have no value (a missing "
         "setting reads -1)."},
        {"cut before the size", "MODO = 0\nFULL_SCREEN = 1\nRESX = 1024\nRES",
         "The settings file Brimvale.ini is damaged or incomplete: RESY, BPP have no value (a missing setting reads "
         "-1)."},
        {"without a mode", "MENU = 1\nFULL_SCREEN = 0\n",
         "The settings file Brimvale.ini is damaged or incomplete: MODO has no value (a missing setting reads -1)."},
        {"no such mode", "MODO = 7\nFULL_SCREEN = 0\n",
         "The settings file Brimvale.ini is damaged: MODO = 7 is no mode of the program (0 to 3)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetDataProblems();
        Load(c.ini);
        const std::vector<std::string> told = ToldDataProblems();
        if (!c.told) {
            EXPECT_TRUE(told.empty()) << told[0];
            continue;
        }
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0], c.told);
    }
    // The rule for missing keys stands: the empty file's numbers read -1 and its switches on.
    ResetDataProblems();
    const Settings& empty = Load("");
    EXPECT_EQ(Values(empty.mode, empty.width, empty.scenarioId, empty.fullScreen), "-1 -1 -1 1");
    ResetDataProblems();
}

TEST(ReadIni, KeyLookupRules) {
    struct Case {
        const char* text;
        const char* key;
        int value;
    } cases[] = {
        {"MODO=1", "MODO", 1},          // text length - key length - 1 = 1: just enough
        {"MODO=", "MODO", -1},          // ... = 0: never looked at
        {"MODO 1", "MODO", -1},         // no '=' after the key
        {"A=1 MODO=", "MODO", -1},      // the last possible start is text length - key length - 2
        {"MODO=\"9\"", "MODO", 9},
        {"MODO=1", "", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadIniInt(c.text, c.key), c.value) << c.text;
    EXPECT_EQ(ReadIniInt(nullptr, "MODO"), -1);
    EXPECT_EQ(ReadIniInt("MODO=1", nullptr), -1);
    // At most 99 digits make the value: a hundred zeros then a 5 read 0.
    EXPECT_EQ(ReadIniInt(("N=" + std::string(99, '0') + "5 ").c_str(), "N"), 0);
    EXPECT_EQ(ReadIniInt(("N=" + std::string(98, '0') + "5 ").c_str(), "N"), 5);
}

TEST(SettingsDifficulty, AdjustAndScale) {
    Settings s;
    struct Case {
        int difficulty;
        int value;
        int adjusted;
        int scaled;
    } cases[] = {
        {0, 25, 15, 31}, {0, 3, 0, 3}, {0, -8, 0, -10}, {0, INT_MAX, INT_MAX - 10, INT_MAX},
        {2, 25, 30, 25}, {2, INT_MAX, INT_MAX, INT_MAX}, {3, 25, 25, 25},
    };
    for (const Case& c : cases) {
        s.difficulty = c.difficulty;
        EXPECT_EQ(s.AdjustByDifficulty(c.value), c.adjusted) << c.difficulty << " " << c.value;
        EXPECT_EQ(s.ScaleByDifficulty(c.value), c.scaled) << c.difficulty << " " << c.value;
    }
}
