#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <vector>

#include "frontend/text_table.h"
#include "core/debug_log.h"
#include "core/file_list.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"

namespace {

class TextTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Settings.Clear();
        ResetDebugLog();
        ResetPackFiles();
        g_FileList.Destroy();
        table.Reset();
    }
    void TearDown() override {
        table.Reset();
        g_Settings.Clear();
        ResetDebugLog();
        ResetPackFiles();
        g_FileList.Destroy();
    }

    // Loads the bytes as "textos.txt" from the working folder.
    void LoadText(const std::string& bytes) {
        dir.Write("textos.txt", bytes);
        table.Load("textos.txt");
    }

    // Debug lines mentioning the text.
    int LogLinesWith(const std::string& needle) {
        std::string log = dir.Read("debug.txt");
        int n = 0;
        for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
        return n;
    }

    void StartLog() {
        g_Settings.debug = 1;
        ASSERT_EQ(OpenDebugLog(), S_OK);
    }

    ScopedWorkDir dir;
    TextTable table;
};

struct ParseCase {
    const char* name;
    std::string file;
    std::map<int, std::string> present;   // slot -> text
    std::vector<int> absent;
};

TEST_F(TextTableTest, EntriesAreReadByTheirRules) {
    const std::vector<ParseCase> cases = {
        {"two entries on one line", "TXT0001\"A\";TXT0002\"B\";", {{1, "A"}, {2, "B"}}, {0, 3}},
        {"bytes between entries are skipped",
         "; a comment\r\nTXT0003\"x\";\r\n TX T XT garbage TXT0004\"y\"; tail",
         {{3, "x"}, {4, "y"}},
         {0}},
        // "12\"a" is the number; the quote after "ab" opens the text, which then runs to the
        // next quote; 'c' is not ';', so the text goes on after the quote that follows it.
        {"a short number swallows the opening quote", "TXT12\"ab\";TXT0003\"c\";", {{12, ";TXT0003;"}}, {3}},
        {"pieces joined across a line break", "TXT0007\"ab\"\r\n\"cd\";", {{7, "abcd"}}, {}},
        {"bytes above 127 stay as they are", "TXT0010\"\xE1\xE9\xF1\x80\";", {{10, "\xE1\xE9\xF1\x80"}}, {}},
        {"numbers outside the table are skipped",
         "TXT1430\"x\";TXT9999\"y\";TXT1429\"z\";TXT-001\"w\";TXT0000\"v\";",
         {{1429, "z"}, {0, "v"}},
         {1428}},
        {"a text cut off by the end keeps what was read", "TXT0001\"a\";TXT0002\"abc", {{1, "a"}, {2, "abc"}}, {}},
        {"a number cut off by the end gives nothing", "TXT0001\"a\";TXT00", {{1, "a"}}, {0}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoadText(c.file);
        ASSERT_TRUE(table.IsLoaded());
        EXPECT_EQ(table.count, TEXT_TABLE_SLOTS);
        for (const auto& [slot, expected] : c.present) {
            const char* got = table.Find(slot);
            ASSERT_NE(got, nullptr) << "slot " << slot;
            EXPECT_EQ(std::string(got), expected) << "slot " << slot;
        }
        for (int slot : c.absent) EXPECT_EQ(table.Find(slot), nullptr) << "slot " << slot;
        // Nothing else was filled.
        int filled = 0;
        for (uint32_t len : table.lengths) filled += len != 0;
        EXPECT_EQ(filled, int(c.present.size()));
    }
}

TEST_F(TextTableTest, AnOverlongTextKeepsItsFirst9999BytesAndTheNextEntryIsRead) {
    std::string longText(10050, 'x');
    longText[9998] = 'y';   // the last byte kept
    longText[9999] = 'z';   // the first byte dropped
    LoadText("TXT0001\"" + longText + "\";TXT0002\"next\";");
    ASSERT_NE(table.Find(1), nullptr);
    std::string got = table.Find(1);
    ASSERT_EQ(got.size(), 9999u);
    EXPECT_EQ(got.back(), 'y');
    EXPECT_EQ(got.find('z'), std::string::npos);
    ASSERT_NE(table.Find(2), nullptr);
    EXPECT_STREQ(table.Find(2), "next");
}

TEST_F(TextTableTest, ReadsTheEntryOfThePackAndStopsAtItsEnd) {
    datakit::PackWriter pack;
    pack.dummyFirst = true;
    // The next entry's bytes lie right behind and would complete slot 2 and add slot 3.
    pack.Add("TEXTOS.TXT", std::string("TXT0001\"a\";TXT0002\"b"));
    pack.Add("OTHER.BIN", std::string("c\";TXT0003\"d\";"));
    ASSERT_TRUE(pack.WriteTo((dir.path() / "TEXTURAS.DAT").string()));
    table.Load("textos.txt");
    ASSERT_TRUE(table.IsLoaded());
    ASSERT_NE(table.Find(1), nullptr);
    EXPECT_STREQ(table.Find(1), "a");
    ASSERT_NE(table.Find(2), nullptr);
    EXPECT_STREQ(table.Find(2), "b");
    EXPECT_EQ(table.Find(3), nullptr);
}

TEST_F(TextTableTest, MissingTextsGiveEmptyTextsAndOneLogLineEach) {
    StartLog();
    for (const char* name : {static_cast<const char*>(nullptr), "", "textos.txt"}) {
        SCOPED_TRACE(name ? name : "(null)");
        table.Load(name);
        EXPECT_FALSE(table.IsLoaded());
        EXPECT_EQ(table.Find(901), nullptr);
    }
    EXPECT_STREQ(table.Get(901), "");
    EXPECT_EQ(LogLinesWith("texto 901"), 1);
    LoadText("TXT1429\"last\";TXT0005\"five\";");
    EXPECT_STREQ(table.Get(1429), "last");
    EXPECT_STREQ(table.Get(5), "five");
    for (int32_t id : {-1, 1430, INT_MIN, 6}) {
        SCOPED_TRACE(id);
        EXPECT_STREQ(table.Get(id), "");
        EXPECT_STREQ(table.Get(id), "");   // asked again: no second line
        EXPECT_EQ(LogLinesWith("texto " + std::to_string(id) + " "), 1);
    }
    EXPECT_EQ(LogLinesWith("texto 5 "), 0) << "a slot that exists writes nothing";
}

}  // namespace
