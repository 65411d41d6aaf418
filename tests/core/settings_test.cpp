#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "fighters/character.h"
#include "platform/os/os.h"
#include "core/settings.h"
#include "support/temp_dir.h"

namespace {

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
    EXPECT_EQ(s.mode, 0);
    EXPECT_EQ(s.debug, 0);
    EXPECT_EQ(s.test, 0);
    EXPECT_EQ(s.frontEnd, 1);
    EXPECT_EQ(s.software, 0);
    EXPECT_EQ(s.localSide, 0);
    EXPECT_EQ(s.fightersOwn, 2);
    EXPECT_EQ(s.fightersEnemy, 2);
    EXPECT_EQ(s.levelOwn, 0);
    EXPECT_EQ(s.levelEnemy, 0);
    EXPECT_EQ(s.randomLevelOwn, 0);
    EXPECT_EQ(s.randomLevelEnemy, 0);
    EXPECT_EQ(s.computerControl, 1);
    EXPECT_EQ(s.scenarioId, 13);
    EXPECT_EQ(s.markUnusedTextures, 0);
    EXPECT_EQ(s.gameKind, 5);
    for (int side = 0; side < 2; ++side) {
        EXPECT_EQ(s.maxDeaths[side], 20);
        EXPECT_EQ(s.stealsGoal[side], 5);
        EXPECT_EQ(s.creditsGoal[side], 500);
        EXPECT_EQ(s.capturesGoal[side], 20);
        EXPECT_EQ(s.curseMinutes[side], 5);
    }
    EXPECT_EQ(s.freezeTime, 5);
    EXPECT_EQ(s.matchMinutes, 5);
    EXPECT_EQ(s.hud, 1);
    EXPECT_EQ(s.fullScreen, 1);
    EXPECT_EQ(s.adapter, 0);
    EXPECT_EQ(s.width, 1024);
    EXPECT_EQ(s.height, 768);
    EXPECT_EQ(s.bitsPerPixel, 32);
    EXPECT_EQ(s.doubleBackBuffer, 0);
    EXPECT_EQ(s.textureBpp, 32);
    EXPECT_EQ(s.textureReduction, 0);
    EXPECT_EQ(s.multisample, 0);
    EXPECT_EQ(s.anisotropic, 0);
    EXPECT_EQ(s.waitRetrace, 1);
    EXPECT_EQ(s.specular, 1);
    EXPECT_EQ(s.modelQuality, 0);
    EXPECT_EQ(s.characterShadow, 0);
    EXPECT_EQ(g_stencilAskedFor, 32);
    EXPECT_EQ(s.waterQuality, 3);
    EXPECT_EQ(s.mirrors, 1);
    EXPECT_EQ(s.interfaceFaces, 0);
    EXPECT_FLOAT_EQ(s.farFactor, 1.0f);
    EXPECT_FLOAT_EQ(s.gamma, 0.5f);
    EXPECT_EQ(s.generalQuality, 3);
    EXPECT_EQ(s.violence, 0);
    EXPECT_EQ(s.difficulty, 0);
    EXPECT_EQ(s.reserved1, 0);
    EXPECT_EQ(s.reserved2, 1);
    EXPECT_EQ(s.backgroundColour, 0xFF000000u);
    EXPECT_EQ(s.textColour, 0xFF7F7F7Fu);
    EXPECT_EQ(s.brightTextColour, 0xFFFFFFFFu);
    EXPECT_EQ(s.rain, 0);
    EXPECT_EQ(s.fog, 0);
    EXPECT_FLOAT_EQ(s.fogStart, 0.0f);
    EXPECT_FLOAT_EQ(s.fogEnd, 0.0f);
    EXPECT_EQ(s.fogColour, 0xFF000000u);
    EXPECT_EQ(s.music, 1);
    EXPECT_EQ(s.voices, 1);
    EXPECT_EQ(s.sound, 1);
    EXPECT_EQ(s.soundOption1, 1);
    EXPECT_EQ(s.soundOption2, 0);
    EXPECT_FLOAT_EQ(s.musicVolume, 0.9f);
    EXPECT_FLOAT_EQ(s.effectVolume, 1.0f);
    EXPECT_FLOAT_EQ(s.volume3, 1.0f);
    EXPECT_FLOAT_EQ(s.volume4, 1.0f);
    EXPECT_EQ(s.reserved3, 1);
    EXPECT_EQ(s.statistics, 0);
    EXPECT_FLOAT_EQ(s.speedFactor, 1.0f);
    EXPECT_EQ(s.pathDebug1, 0);
    EXPECT_EQ(s.pathDebug2, 0);
    EXPECT_EQ(g_ModelQuality, 0);
    EXPECT_STREQ(g_HostAddress, "");
}

TEST_F(SettingsTest, IniTexts) {
    struct Case {
        const char* what;
        std::string ini;
        std::function<void(const Settings&)> check;
    };
    const Case cases[] = {
        {"every key missing from an existing file", "",
         [](const Settings& s) {
             EXPECT_EQ(s.mode, -1);
             EXPECT_EQ(s.frontEnd, 0);   // MODO -1 is not 0
             EXPECT_EQ(s.debug, 1);
             EXPECT_EQ(s.test, 1);
             EXPECT_EQ(s.software, 1);
             EXPECT_EQ(s.computerControl, 1);
             EXPECT_EQ(s.randomLevelOwn, 1);
             EXPECT_EQ(s.fightersOwn, -1);
             EXPECT_EQ(s.scenarioId, -1);
             EXPECT_EQ(s.maxDeaths[1], -1);
             EXPECT_EQ(s.matchMinutes, -1);
             EXPECT_EQ(s.levelOwn, 0);
             EXPECT_EQ(s.levelEnemy, 0);
             EXPECT_EQ(s.fullScreen, 1);
             EXPECT_EQ(s.width, -1);
             EXPECT_EQ(s.height, -1);
             EXPECT_EQ(s.bitsPerPixel, -1);
             EXPECT_EQ(s.doubleBackBuffer, 1);
             EXPECT_FLOAT_EQ(s.farFactor, -0.01f);
             EXPECT_FLOAT_EQ(s.gamma, -0.01f);
             EXPECT_FLOAT_EQ(s.fogStart, -1.0f);
             EXPECT_EQ(s.backgroundColour, 0xFF000000u);
             EXPECT_EQ(s.textColour, 0xFF000000u);
             EXPECT_EQ(s.brightTextColour, 0xFF000000u);
             EXPECT_EQ(s.fogColour, 0xFFFFFFFFu);
             EXPECT_EQ(s.soundOption1, 0);
             EXPECT_EQ(s.soundOption2, 0);
             EXPECT_FLOAT_EQ(s.musicVolume, 0.9f);
             EXPECT_FLOAT_EQ(s.speedFactor, 1.0f);   // PRUEBAS reads on, FACTOR VELOCIDAD -1
             EXPECT_EQ(s.hud, 1);
             EXPECT_EQ(s.reserved3, 1);
             EXPECT_EQ(s.statistics, 0);
             EXPECT_EQ(g_ModelQuality, -1);
             EXPECT_STREQ(g_HostAddress, "");
         }},
        {"NIVEL is found inside ALE_NIVEL", "ALE_NIVEL=1\nNIVEL=3\nNIVEL_ENE=4\nALE_NIVEL_ENE=0\n",
         [](const Settings& s) {
             EXPECT_EQ(s.levelOwn, 1);
             EXPECT_EQ(s.levelEnemy, 4);
             EXPECT_EQ(s.randomLevelOwn, 1);
             EXPECT_EQ(s.randomLevelEnemy, 0);
         }},
        {"MODO=2 with MENU=1", "MODO=2\nMENU=1\n",
         [](const Settings& s) {
             EXPECT_EQ(s.mode, 2);
             EXPECT_EQ(s.frontEnd, 0);
             EXPECT_EQ(s.statistics, 1);
         }},
        {"MODO=1", "MODO=1\nMENU=1\n", [](const Settings& s) { EXPECT_EQ(s.statistics, 1); }},
        {"MODO=3", "MODO=3\nMENU=1\n",
         [](const Settings& s) {
             EXPECT_EQ(s.frontEnd, 0);
             EXPECT_EQ(s.statistics, 0);
         }},
        {"MODO=0 with MENU=0", "MODO=0\nMENU=0\n", [](const Settings& s) { EXPECT_EQ(s.frontEnd, 0); }},
        {"FACTOR VELOCIDAD=0 in test mode", "PRUEBAS=1\nFACTOR VELOCIDAD=0\n",
         [](const Settings& s) { EXPECT_FLOAT_EQ(s.speedFactor, 1.0f); }},
        {"FACTOR VELOCIDAD=4 in test mode", "PRUEBAS=1\nFACTOR VELOCIDAD=4\n",
         [](const Settings& s) { EXPECT_FLOAT_EQ(s.speedFactor, 4.0f); }},
        {"FACTOR VELOCIDAD without PRUEBAS", "PRUEBAS=0\nFACTOR VELOCIDAD=4\n",
         [](const Settings& s) {
             EXPECT_EQ(s.test, 0);
             EXPECT_FLOAT_EQ(s.speedFactor, 1.0f);
         }},
        {"colours clamp, fog spills into alpha",
         "FONDO_ROJO=300\nFONDO_VERDE=16\nFONDO_AZUL=1\n"
         "TEXTO_ROJO=200\nTEXTO_VERDE=100\nTEXTO_AZUL=0\n"
         "NIEBLA_ROJO=300\nNIEBLA_VERDE=2\nNIEBLA_AZUL=3\n",
         [](const Settings& s) {
             EXPECT_EQ(s.backgroundColour, 0xFFFF1001u);
             EXPECT_EQ(s.textColour, 0xFFC86400u);
             EXPECT_EQ(s.brightTextColour, 0xFFFF9600u);   // 300 capped at 255; 150; 0
             // 300 << 16 is 0x012C0000: its high bit lands in the alpha byte.
             EXPECT_EQ(s.fogColour, 0xFF2C0203u);
         }},
        {"fog green missing sets every bit above blue", "NIEBLA_ROJO=1\nNIEBLA_AZUL=2\n",
         [](const Settings& s) { EXPECT_EQ(s.fogColour, 0xFFFFFF02u); }},
        {"fog green and blue missing set every bit", "NIEBLA_ROJO=1\n",
         [](const Settings& s) { EXPECT_EQ(s.fogColour, 0xFFFFFFFFu); }},
        {"bright text of odd components", "TEXTO_ROJO=1\nTEXTO_VERDE=171\nTEXTO_AZUL=170\n",
         [](const Settings& s) {
             EXPECT_EQ(s.textColour, 0xFF01ABAAu);
             EXPECT_EQ(s.brightTextColour, 0xFF01FFFFu);   // 1.5 -> 1, 256.5 -> 255, 255
         }},
        {"a value with no digit takes the next line's", "NUM_PER=\nNUM_PER_ENE=7\nTIPO_PERSONAJE=x y\nK_GAME=2\n",
         [](const Settings& s) {
             EXPECT_EQ(s.fightersOwn, 7);
             EXPECT_EQ(s.fightersEnemy, 7);
             EXPECT_EQ(s.localSide, 2);
             EXPECT_EQ(s.gameKind, 2);
         }},
        {"a minus sign is skipped", "ID_ESCENARIO=-5\nNIVEL=-5\nFAR_PLANE=-150\n",
         [](const Settings& s) {
             EXPECT_EQ(s.scenarioId, 5);
             EXPECT_EQ(s.levelOwn, 5);
             EXPECT_FLOAT_EQ(s.farFactor, 1.5f);
         }},
        {"a byte 0xFF ends the text", std::string("K_GAME=3\n\xFFID_ESCENARIO=9\n", 25),
         [](const Settings& s) {
             EXPECT_EQ(s.gameKind, 3);
             EXPECT_EQ(s.scenarioId, -1);
         }},
        {"a value cut by 0xFF", std::string("K_GAME=\xFF" "7\n", 10),
         [](const Settings& s) { EXPECT_EQ(s.gameKind, -1); }},
        {"digits beyond an int saturate", "ID_ESCENARIO=99999999999999999999\nK_GAME=2147483648\nMODO=2147483647\n",
         [](const Settings& s) {
             EXPECT_EQ(s.scenarioId, INT_MAX);
             EXPECT_EQ(s.gameKind, INT_MAX);
             EXPECT_EQ(s.mode, INT_MAX);
         }},
        {"keys are case-sensitive", "modo=2\nMODO=1\n", [](const Settings& s) { EXPECT_EQ(s.mode, 1); }},
        {"quality, fog and sound values",
         "CALIDAD_MODELOS=2\nCALIDAD_AGUA=1\nGAMMA=75\nFAR_PLANE=200\nNIEBLA=1\nNIEBLA_NEAR_PLANE=10\n"
         "NIEBLA_FAR_PLANE=250\nMUSICA=0\nLOCUCIONES=0\nSONIDO=1\nDIFFICULTY=2\nSOMBRA_PERSONAJE=1\n",
         [](const Settings& s) {
             EXPECT_EQ(s.modelQuality, 2);
             EXPECT_EQ(g_ModelQuality, 2);
             EXPECT_EQ(s.waterQuality, 1);
             EXPECT_FLOAT_EQ(s.gamma, 0.75f);
             EXPECT_FLOAT_EQ(s.farFactor, 2.0f);
             EXPECT_EQ(s.fog, 1);
             EXPECT_FLOAT_EQ(s.fogStart, 10.0f);
             EXPECT_FLOAT_EQ(s.fogEnd, 250.0f);
             EXPECT_EQ(s.music, 0);
             EXPECT_EQ(s.voices, 0);
             EXPECT_EQ(s.sound, 1);
             EXPECT_EQ(s.difficulty, 2);
             // Whatever the file says, shadows follow the stencil test of the depth read.
             EXPECT_EQ(g_stencilAskedFor, -1);
             EXPECT_EQ(s.characterShadow, 0);
         }},
        {"full screen reads the display keys", "FULL_SCREEN=1\nRESX=800\nRESY=600\nBPP=16\nDOBLE_BACKBUFFER=1\n",
         [](const Settings& s) {
             EXPECT_EQ(s.width, 800);
             EXPECT_EQ(s.height, 600);
             EXPECT_EQ(s.bitsPerPixel, 16);
             EXPECT_EQ(s.doubleBackBuffer, 1);
             EXPECT_EQ(s.characterShadow, 1);
         }},
        {"windowed before the window exists", "FULL_SCREEN=0\nRESX=800\nRESY=600\nBPP=16\nDOBLE_BACKBUFFER=1\n",
         [](const Settings& s) {
             EXPECT_EQ(s.fullScreen, 0);
             EXPECT_EQ(s.width, 800);
             EXPECT_EQ(s.height, 600);
             EXPECT_EQ(s.bitsPerPixel, 0);   // not read: left as it was
             EXPECT_EQ(s.doubleBackBuffer, 0);
         }},
        {"windowed without a size", "FULL_SCREEN=0\nRESY=0\n",
         [](const Settings& s) {
             EXPECT_EQ(s.width, 1024);
             EXPECT_EQ(s.height, 768);
         }},
        {"IP_HOST quoted", "IP_HOST=\"192.168.1.20\"\n", [](const Settings&) { EXPECT_STREQ(g_HostAddress, "192.168.1.20"); }},
        {"IP_HOST unquoted", "IP_HOST=10.0.0.1\nMODO=0\n", [](const Settings&) { EXPECT_STREQ(g_HostAddress, ""); }},
        {"IP_HOST unquoted takes a later quoted value", "IP_HOST=10.0.0.1\nOTRO=\"host\"\n",
         [](const Settings&) { EXPECT_STREQ(g_HostAddress, "host"); }},
        {"IP_HOST without its closing quote", "IP_HOST=\"10.0.0.1\n", [](const Settings&) { EXPECT_STREQ(g_HostAddress, ""); }},
        {"IP_HOST absent", "MODO=0\n", [](const Settings&) { EXPECT_STREQ(g_HostAddress, ""); }},
        {"IP_HOST too long", "IP_HOST=\"abcdefghijklmnopqrstuvwxyz0123456789\"\n",
         [](const Settings&) {
             EXPECT_STREQ(g_HostAddress, "abcdefghijklmnopqrstuvwx");
             EXPECT_EQ(g_HostAddress[HOST_ADDRESS_SIZE - 1], 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::memset(g_HostAddress, 'Z', sizeof g_HostAddress);
        c.check(Load(c.ini));
    }
}

TEST_F(SettingsTest, WindowedSizeComesFromAnExistingWindow) {
    if (!os::Init()) GTEST_SKIP() << "no video driver";
    os::WindowDesc desc;
    desc.title = "settings";
    desc.proc = os::DefWindowProc;
    desc.width = 640;
    desc.height = 480;
    os::WindowHandle w = os::CreateMainWindow(desc);
    if (!w) {
        os::Shutdown();
        GTEST_SKIP() << "no window";
    }
    int cw = 0, ch = 0;
    os::GetClientSize(w, &cw, &ch);
    const Settings& s = Load("FULL_SCREEN=0\nRESX=800\nRESY=600\n");
    EXPECT_EQ(s.width, cw);
    EXPECT_EQ(s.height, ch);
    EXPECT_EQ(cw, 640);
    os::DestroyWindow(w);
    os::Shutdown();
}

TEST(ReadIni, KeyLookupRules) {
    struct Case {
        const char* text;
        const char* key;
        int value;
    } cases[] = {
        {"MODO=1", "MODO", 1},          // text length - key length - 1 = 1: just enough
        {"MODO=", "MODO", -1},          // ... = 0: never looked at
        {"XMODO", "MODO", -1},
        {"MODO 1", "MODO", -1},         // no '=' after the key
        {"MODO=\n", "MODO", -1},        // no digit after the '='
        {"MODO = 12 34", "MODO", 12},
        {"A=1 MODO", "MODO", -1},       // the last possible start is text length - key length - 2
        {"A=1 MODO=", "MODO", -1},
        {"A=1 MODO=7", "MODO", 7},
        {"MODO=0007", "MODO", 7},
        {"MODO=\"9\"", "MODO", 9},
        {"", "MODO", -1},
        {"MODO=1", "", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadIniInt(c.text, c.key), c.value) << c.text;
    EXPECT_EQ(ReadIniInt(nullptr, "MODO"), -1);
    EXPECT_EQ(ReadIniInt("MODO=1", nullptr), -1);
    // At most 99 digits make the value: a hundred zeros then a 5 read 0.
    EXPECT_EQ(ReadIniInt(("N=" + std::string(99, '0') + "5 ").c_str(), "N"), 0);
    EXPECT_EQ(ReadIniInt(("N=" + std::string(98, '0') + "5 ").c_str(), "N"), 5);
}

TEST(ReadIni, StringValuesFitTheirBuffer) {
    char out[8];
    std::memset(out, 'Z', sizeof out);
    EXPECT_TRUE(ReadIniString("K=\"abc\"", "K", out, sizeof out));
    EXPECT_STREQ(out, "abc");
    EXPECT_TRUE(ReadIniString("K=\"abcdefghij\"", "K", out, sizeof out));
    EXPECT_STREQ(out, "abcdefg");
    EXPECT_TRUE(ReadIniString("K=\"\"", "K", out, sizeof out));
    EXPECT_STREQ(out, "");
    // A key longer than the buffer is compared in place, never in `out`.
    std::memset(out, 'Z', sizeof out);
    EXPECT_TRUE(ReadIniString("A_VERY_LONG_KEY_NAME=\"v\"", "A_VERY_LONG_KEY_NAME", out, sizeof out));
    EXPECT_STREQ(out, "v");
    char one[1] = {'Z'};
    EXPECT_TRUE(ReadIniString("K=\"abc\"", "K", one, 1));
    EXPECT_EQ(one[0], 0);
    EXPECT_FALSE(ReadIniString("K=\"abc\"", "K", out, 0));
    EXPECT_FALSE(ReadIniString("K=\"abc\"", "K", nullptr, 8));
    EXPECT_FALSE(ReadIniString(nullptr, "K", out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(ReadIniString("K=abc", "K", out, sizeof out));
    EXPECT_FALSE(ReadIniString("K=\"abc", "K", out, sizeof out));
    EXPECT_STREQ(out, "");
}

TEST(ReadIni, WholeFileEndsAtEndOrAtByteFF) {
    ScopedWorkDir dir;
    dir.Write("a.ini", std::string("abc\0def", 7));
    dir.Write("b.ini", std::string("abc\xFF" "def", 7));
    dir.Write("c.ini", "");
    char* a = ReadWholeFile("A.INI");   // found in any case
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::memcmp(a, "abc\0def\0", 8), 0);
    FreeFileBuffer(a);
    char* b = ReadWholeFile("b.ini");
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b, "abc");
    FreeFileBuffer(b);
    char* c = ReadWholeFile("c.ini");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c, "");
    FreeFileBuffer(c);
    EXPECT_EQ(ReadWholeFile("missing.ini"), nullptr);
    FreeFileBuffer(nullptr);
}

TEST(SettingsDifficulty, AdjustAndScale) {
    Settings s;
    struct Case {
        int difficulty;
        int value;
        int adjusted;
        int scaled;
    } cases[] = {
        {0, 25, 15, 31}, {0, 10, 0, 12}, {0, 3, 0, 3}, {0, -8, 0, -10}, {0, INT_MAX, INT_MAX - 10, INT_MAX},
        {1, 25, 25, 25}, {2, 25, 30, 25}, {2, INT_MAX, INT_MAX, INT_MAX}, {3, 25, 25, 25}, {-1, 25, 25, 25},
    };
    for (const Case& c : cases) {
        s.difficulty = c.difficulty;
        EXPECT_EQ(s.AdjustByDifficulty(c.value), c.adjusted) << c.difficulty << " " << c.value;
        EXPECT_EQ(s.ScaleByDifficulty(c.value), c.scaled) << c.difficulty << " " << c.value;
    }
}
