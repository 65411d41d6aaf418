// The table files "ess_fx.cfg" (per-effect volumes) and "ess_sa.cfg".
#include <gtest/gtest.h>

#include <climits>
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

TEST_F(SoundTableTest, VolumeFileFillsAtMostThreeHundredEntries) {
    std::string text;
    for (int i = 1; i <= 310; ++i) text += std::to_string(i) + "\n";
    dir.Write("ess_fx.cfg", text);
    ASSERT_TRUE(LoadFxVolumes());
    EXPECT_EQ(g_FxVolumes[0], -1);
    EXPECT_EQ(g_FxVolumes[299], -300);
}

TEST_F(SoundTableTest, MissingFilesLeaveZeroTables) {
    g_FxVolumes[3] = -50;
    g_SaValues[3] = 5.0f;
    EXPECT_FALSE(LoadFxVolumes());
    EXPECT_FALSE(LoadSaValues());
    EXPECT_EQ(g_FxVolumes[3], 0);
    EXPECT_EQ(g_SaValues[3], 0.0f);
}

TEST_F(SoundTableTest, SecondTableKeepsNumbersAsReadUpToOneHundred) {
    std::string text = "5 // first\n17\n";
    for (int i = 0; i < 120; ++i) text += "9 ";
    dir.Write("ESS_SA.CFG", text);
    ASSERT_TRUE(LoadSaValues());
    EXPECT_EQ(g_SaValues[0], 5.0f);
    EXPECT_EQ(g_SaValues[1], 17.0f);
    EXPECT_EQ(g_SaValues[99], 9.0f);
}

TEST_F(SoundTableTest, LoadSoundConfigReadsBothFiles) {
    dir.Write("ess_fx.cfg", "600\n");
    dir.Write("ess_sa.cfg", "3\n");
    LoadSoundConfig();
    EXPECT_EQ(g_FxVolumes[0], -600);
    EXPECT_EQ(g_SaValues[0], 3.0f);
}
