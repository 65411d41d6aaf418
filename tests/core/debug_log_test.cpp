#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <string>
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

TEST_F(DebugLogTest, NothingIsWrittenWhereNoFileCanBe) {
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

// ---- the opened-file list -------------------------------------------------------------
