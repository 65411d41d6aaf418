// The table files "ess_fx.cfg" (per-effect volumes) and "ess_sa.cfg".
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/sound.h"
#include "support/temp_dir.h"

namespace {

class SoundTableTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    void SetUp() override { ResetSound(); }
    void TearDown() override { ResetSound(); }
    std::vector<int32_t> Volumes(int n) const { return std::vector<int32_t>(g_FxVolumes, g_FxVolumes + n); }
};

}  // namespace

TEST_F(SoundTableTest, VolumeFileReadsAttenuationsAsNegativeVolumes) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<int32_t> expected;   // the first entries; the rest must be 0
    };
    const std::vector<Case> cases = {
        {"blank then comment, and comment right after the digits", "300 // door\n250// step\n", {-300, -250}},
        {"no line end after the last number", "10\n20", {-10, -20}},
        {"an open number before a comment at the very end", "10\n42// last", {-10, -42}},
        {"a byte 0xFF ends the file", "10\n20\n\xFF" "30\n", {-10, -20, 0}},
        {"letters, minus signs and carriage returns are skipped, not separators", "1a2\r\n-5\r\n7x\r\n", {-12, -5, -7}},
        {"blanks separate numbers on one line", "1 2  3\n", {-1, -2, -3}},
        {"a comment line holds no number", "// 99 100\n4\n", {-4, 0}},
        {"a tab does not separate", "1\t2\n", {-12, 0}},
        {"only eleven digits count, and the value is held to 32 bits", "123456789012345\n", {-INT32_MAX}},
        {"empty file", "", {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.Write("ess_fx.cfg", c.text);
        g_FxVolumes[299] = 1234;   // stale from an earlier read
        ASSERT_TRUE(LoadFxVolumes());
        EXPECT_EQ(Volumes(int(c.expected.size())), c.expected);
        for (int i = int(c.expected.size()); i < FX_VOLUME_COUNT; ++i) ASSERT_EQ(g_FxVolumes[i], 0) << i;
    }
}

TEST_F(SoundTableTest, TablesStopWhenFullAndMissingFilesLeaveZeros) {
    std::string text = "5 // first\n17\n";
    for (int i = 0; i < 310; ++i) text += "9 ";
    dir.Write("ESS_SA.CFG", text);
    LoadSoundConfig();
    EXPECT_EQ(g_FxVolumes[0], 0);
    EXPECT_EQ(g_SaValues[1], 17.0f);   // kept as read
    EXPECT_EQ(g_SaValues[99], 9.0f);
    std::filesystem::remove(dir.path() / "ESS_SA.CFG");
    EXPECT_FALSE(LoadSaValues());
    EXPECT_EQ(g_SaValues[1], 0.0f);
}
