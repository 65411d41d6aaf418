#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/os.h"
#include "core/debug_log.h"
#include "core/file_list.h"
#include "core/settings.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

const std::string kStars43(43, '*');
const std::string kStars77(77, '*');

class DebugLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Settings.Clear();
        ResetDebugLog();
        g_FileList.Destroy();
        os::SetTimeSource([this] { return now.load(); });
    }
    void TearDown() override {
        os::SetTimeSource({});
        g_Settings.Clear();
        ResetDebugLog();
        g_FileList.Destroy();
    }
    std::atomic<uint32_t> now{0};
    ScopedWorkDir dir;
};

}  // namespace

TEST_F(DebugLogTest, OpeningWritesTheBannerAnewAndTimesLinesFromThen) {
    dir.Write("debug.txt", "left from the last run\n");
    g_Settings.debug = 1;
    now = 5000;
    ASSERT_EQ(OpenDebugLog(), S_OK);
    now = 5000;
    WriteDebugLog("cero");
    now = 6234;
    WriteDebugLog("Cargando fichero X.TGA...");
    now = 5000 + 12345678;
    WriteDebugLog("tarde");
    WriteDebugLogNewLine();
    WriteDebugLogSeparator();

    std::vector<std::string> expected = {
        "ARCHIVO DEBUG DEL PROYECTO BRIMVALE",
        kStars43,
        "",
        "0.000 cero",
        "1.234 Cargando fichero X.TGA...",
        "12345.678 tarde",
        "",
        kStars77,
    };
    EXPECT_EQ(Lines(dir.Read("debug.txt")), expected);
}

TEST_F(DebugLogTest, ElapsedTimeWrapsWithTheClock) {
    g_Settings.debug = 1;
    now = 0xFFFFFC18u;   // 1000 ms before the clock wraps
    ASSERT_EQ(OpenDebugLog(), S_OK);
    now = 500;           // 1.5 s later, after the wrap
    WriteDebugLog("despues");
    std::vector<std::string> lines = Lines(dir.Read("debug.txt"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "1.500 despues");
}

TEST_F(DebugLogTest, LoadIniWithDebugOpensTheLogWithItsHeader) {
    dir.Write("Brimvale.ini", "MODO=1\nDEBUG=1\nMENU=0\n");
    now = 100;
    g_Settings.LoadIni();
    std::vector<std::string> expected = {
        "ARCHIVO DEBUG DEL PROYECTO BRIMVALE", kStars43, "", kStars77, "0.000 Modo DEBUG inicializado", kStars77,
    };
    EXPECT_EQ(Lines(dir.Read("debug.txt")), expected);
}

TEST_F(DebugLogTest, NothingIsWrittenWithDebugOff) {
    g_Settings.debug = 0;
    EXPECT_EQ(OpenDebugLog(), E_FAIL);
    WriteDebugLog("nada");
    WriteDebugLogSeparator();
    WriteDebugLogNewLine();
    EXPECT_FALSE(fs::exists(dir.path() / "debug.txt"));

    dir.Write("Brimvale.ini", "DEBUG=0\n");
    g_Settings.LoadIni();
    EXPECT_FALSE(fs::exists(dir.path() / "debug.txt"));
}

TEST_F(DebugLogTest, NullTextAndUnwritableLogAreHarmless) {
    g_Settings.debug = 1;
    ASSERT_EQ(OpenDebugLog(), S_OK);
    WriteDebugLog(nullptr);
    EXPECT_EQ(Lines(dir.Read("debug.txt")).size(), 3u);

    // A folder where the log should be: the log cannot be created and lines are dropped.
    fs::remove(dir.path() / "debug.txt");
    fs::create_directory(dir.path() / "debug.txt");
    EXPECT_EQ(OpenDebugLog(), E_FAIL);
    WriteDebugLog("perdida");
    WriteDebugLogSeparator();
    EXPECT_TRUE(fs::is_directory(dir.path() / "debug.txt"));
}

TEST_F(DebugLogTest, LongLinesAreCutAndKeepTheirNewline) {
    g_Settings.debug = 1;
    now = 0;
    ASSERT_EQ(OpenDebugLog(), S_OK);
    WriteDebugLog(std::string(1000, 'x').c_str());
    std::string exact(DEBUG_LOG_MAX_LINE - 7, 'y');   // "0.000 " + text + "\n" = 255
    WriteDebugLog(exact.c_str());
    WriteDebugLog("corta");

    std::vector<std::string> lines = Lines(dir.Read("debug.txt"));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "0.000 " + std::string(DEBUG_LOG_MAX_LINE - 7, 'x'));
    EXPECT_EQ(lines[4], "0.000 " + exact);
    EXPECT_EQ(lines[5], "0.000 corta");
}

TEST_F(DebugLogTest, LinesFromManyThreadsStayWhole) {
    g_Settings.debug = 1;
    now = 2000;
    ASSERT_EQ(OpenDebugLog(), S_OK);
    constexpr int kThreads = 4, kLines = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::string text = "hilo " + std::to_string(t) + " " + std::string(120, char('a' + t));
            for (int i = 0; i < kLines; ++i) {
                if (i % 50 == 0) WriteDebugLogSeparator();
                WriteDebugLog(text.c_str());
            }
        });
    }
    for (auto& th : threads) th.join();

    std::vector<std::string> lines = Lines(dir.Read("debug.txt"));
    ASSERT_EQ(lines.size(), size_t(3 + kThreads * (kLines + 3)));
    int counts[kThreads] = {};
    for (size_t i = 3; i < lines.size(); ++i) {
        if (lines[i] == kStars77) continue;
        bool matched = false;
        for (int t = 0; t < kThreads; ++t) {
            if (lines[i] == "0.000 hilo " + std::to_string(t) + " " + std::string(120, char('a' + t))) {
                ++counts[t];
                matched = true;
            }
        }
        EXPECT_TRUE(matched) << lines[i];
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(counts[t], kLines);
}

// ---- the opened-file list -------------------------------------------------------------

TEST_F(DebugLogTest, FileListKeepsEachNameOnceAndDropsWhenAbsentOrFull) {
    g_FileList.Add("BEFORE.TGA");
    EXPECT_EQ(g_FileList.Count(), 0);

    g_FileList.Create();
    g_FileList.Add("A.TGA");
    g_FileList.Add("B.TGA");
    g_FileList.Add("A.TGA");
    g_FileList.Add("B.TGA");
    g_FileList.Add("a.tga");   // compared exactly: a different name
    g_FileList.Add(nullptr);
    ASSERT_EQ(g_FileList.Count(), 3);
    EXPECT_EQ(g_FileList.Name(0), "A.TGA");
    EXPECT_EQ(g_FileList.Name(1), "B.TGA");
    EXPECT_EQ(g_FileList.Name(2), "a.tga");

    for (int i = 3; i < FileList::MAX_NAMES; ++i) g_FileList.Add(("F" + std::to_string(i)).c_str());
    ASSERT_EQ(g_FileList.Count(), FileList::MAX_NAMES);
    g_FileList.Add("ONE.MORE");
    EXPECT_EQ(g_FileList.Count(), FileList::MAX_NAMES);
    EXPECT_FALSE(g_FileList.Contains("ONE.MORE"));

    g_FileList.Destroy();
    EXPECT_EQ(g_FileList.Count(), 0);
    g_FileList.Add("AFTER.TGA");
    EXPECT_EQ(g_FileList.Count(), 0);
    g_FileList.Destroy();
}

TEST_F(DebugLogTest, UnopenedScenarioTexturesGetThePrefix) {
    // On disk in its own case; the game names the folder "Texturas\Escenarios\Escenario07\".
    const std::string folder = "texturas/ESCENARIOS/escenario07/";
    dir.Write(folder + "XNROCA.TGA", "never opened");
    dir.Write(folder + "Usada.tga", "opened in lower case");
    dir.Write(folder + "MAYUS.TGA", "opened in upper case");
    dir.Write(folder + "_NU_VIEJA.TGA", "marked by an earlier run");
    dir.Write(folder + "Sub/dentro.tga", "in a sub-folder");
    dir.Write("texturas/ESCENARIOS/escenario08/OTRA.TGA", "another scenario");

    g_Settings.debug = 1;
    g_Settings.markUnusedTextures = 1;
    g_FileList.Create();
    // As the pack layer adds them: upper-cased requests.
    g_FileList.Add("TEXTURAS\\ESCENARIOS\\ESCENARIO07\\USADA.TGA");
    g_FileList.Add("TEXTURAS\\ESCENARIOS\\ESCENARIO07\\MAYUS.TGA");
    g_FileList.MarkUnusedScenarioTextures(7);

    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path() / folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"MAYUS.TGA", "Sub", "Usada.tga", "_NU_VIEJA.TGA", "_NU_XNROCA.TGA"}));
    EXPECT_EQ(dir.Read(folder + "_NU_XNROCA.TGA"), "never opened");
    EXPECT_TRUE(fs::exists(dir.path() / "texturas/ESCENARIOS/escenario08/OTRA.TGA"));

    // A second pass adds no second prefix.
    g_FileList.MarkUnusedScenarioTextures(7);
    EXPECT_TRUE(fs::exists(dir.path() / folder / "_NU_XNROCA.TGA"));
    EXPECT_TRUE(fs::exists(dir.path() / folder / "_NU_VIEJA.TGA"));
}

TEST_F(DebugLogTest, MarkerDoesNothingUnlessBothSwitchesAreOn) {
    const std::string folder = "Texturas/Escenarios/Escenario03/";
    struct Case {
        uint8_t debug;
        int32_t mark;
    } cases[] = {{0, 0}, {0, 1}, {1, 0}};
    for (const Case& c : cases) {
        dir.Write(folder + "ROCA.TGA", "x");
        g_Settings.debug = c.debug;
        g_Settings.markUnusedTextures = c.mark;
        g_FileList.Create();
        g_FileList.MarkUnusedScenarioTextures(3);
        EXPECT_TRUE(fs::exists(dir.path() / folder / "ROCA.TGA")) << int(c.debug) << c.mark;
        g_FileList.Destroy();
    }
    // A scenario without a texture folder is left alone.
    g_Settings.debug = 1;
    g_Settings.markUnusedTextures = 1;
    g_FileList.Create();
    g_FileList.MarkUnusedScenarioTextures(42);
    EXPECT_FALSE(fs::exists(dir.path() / "Texturas/Escenarios/Escenario42"));
}
