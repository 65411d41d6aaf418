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

    // Opened 1000 ms before the clock wraps, a line 1.5 s later is timed across the wrap.
    now = 0xFFFFFC18u;
    ASSERT_EQ(OpenDebugLog(), S_OK);
    now = 500;
    WriteDebugLog("despues");
    EXPECT_EQ(Lines(dir.Read("debug.txt")).back(), "1.500 despues");
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

TEST_F(DebugLogTest, NothingIsWrittenWithDebugOffOrWhereNoFileCanBe) {
    dir.Write("Brimvale.ini", "DEBUG=0\n");
    g_Settings.LoadIni();
    EXPECT_EQ(OpenDebugLog(), E_FAIL);
    WriteDebugLog("nada");
    EXPECT_FALSE(fs::exists(dir.path() / "debug.txt"));

    // A folder where the log should be: the log cannot be created and lines are dropped.
    fs::create_directory(dir.path() / "debug.txt");
    g_Settings.debug = 1;
    EXPECT_EQ(OpenDebugLog(), E_FAIL);
    WriteDebugLog("perdida");
    WriteDebugLog(nullptr);
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
    ASSERT_EQ(OpenDebugLog(), S_OK);
    constexpr int kThreads = 4, kLines = 100;
    auto text = [](int t) { return "hilo " + std::to_string(t) + " " + std::string(120, char('a' + t)); };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &text] {
            for (int i = 0; i < kLines; ++i) WriteDebugLog(text(t).c_str());
        });
    for (auto& th : threads) th.join();
    std::vector<std::string> lines = Lines(dir.Read("debug.txt"));
    ASSERT_EQ(lines.size(), size_t(3 + kThreads * kLines));
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "0.000 " + text(t)), kLines) << t;
}

// ---- the opened-file list -------------------------------------------------------------

TEST_F(DebugLogTest, FileListKeepsEachNameOnceAndDropsWhenAbsentOrFull) {
    g_FileList.Add("BEFORE.TGA");
    g_FileList.Create();
    for (const char* name : {"A.TGA", "B.TGA", "A.TGA", "a.tga"}) g_FileList.Add(name);
    g_FileList.Add(nullptr);
    ASSERT_EQ(g_FileList.Count(), 3);   // compared exactly: "a.tga" is another name
    EXPECT_EQ(g_FileList.Name(2), "a.tga");
    for (int i = 3; i < FileList::MAX_NAMES; ++i) g_FileList.Add(("F" + std::to_string(i)).c_str());
    g_FileList.Add("ONE.MORE");
    EXPECT_EQ(g_FileList.Count(), FileList::MAX_NAMES);
    EXPECT_FALSE(g_FileList.Contains("ONE.MORE"));
    g_FileList.Destroy();
    g_FileList.Add("AFTER.TGA");
    EXPECT_EQ(g_FileList.Count(), 0);
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

    // A second pass adds no second prefix; with either switch off nothing is renamed.
    g_FileList.MarkUnusedScenarioTextures(7);
    EXPECT_TRUE(fs::exists(dir.path() / folder / "_NU_XNROCA.TGA"));
    dir.Write(folder + "ROCA.TGA", "x");
    for (auto [debug, mark] : {std::pair{0, 1}, std::pair{1, 0}}) {
        g_Settings.debug = uint8_t(debug);
        g_Settings.markUnusedTextures = mark;
        g_FileList.MarkUnusedScenarioTextures(7);
        EXPECT_TRUE(fs::exists(dir.path() / folder / "ROCA.TGA")) << debug << mark;
    }
}
