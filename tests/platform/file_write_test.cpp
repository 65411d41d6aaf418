// Stored files written whole or not at all: folders made, the existing file in any letter case
// replaced, and every failure leaving the older file byte for byte with no temporary beside it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/path.h"
#include "support/permission_override.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + 3);
    return v;
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class FileWriteTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    void TearDown() override { os::SetWriteLimitForTests(-1); }
    std::vector<uint8_t> Read(const std::string& name) const {
        const std::string s = dir.Read(name);
        return std::vector<uint8_t>(s.begin(), s.end());
    }
};

TEST_F(FileWriteTest, MakesMissingFoldersBesideTheOnesThatExistInAnotherCase) {
    dir.Write("saves/old.sav", "x");
    const std::vector<uint8_t> bytes = Pattern(100);
    ASSERT_TRUE(os::WriteFileReplacing("SAVES\\Perfiles\\Orlins\\P01.sav", bytes));
    EXPECT_EQ(Read("saves/Perfiles/Orlins/P01.sav"), bytes);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string>{"saves"});
    EXPECT_TRUE(os::WriteFileReplacing("empty.bin", {}));
    EXPECT_EQ(fs::file_size(dir.path() / "empty.bin"), 0u);
}

TEST_F(FileWriteTest, ReplacesTheExistingFileInItsOwnLetterCase) {
    dir.Write("modelos/escenarios/escenario03/PMAP.DAT", "old contents");
    const std::vector<uint8_t> bytes = Pattern(5000);
    ASSERT_TRUE(os::WriteFileReplacing("Modelos\\Escenarios\\Escenario03\\pmap.dat", bytes));
    EXPECT_EQ(Listing(dir.path() / "modelos/escenarios/escenario03"), std::vector<std::string>{"PMAP.DAT"});
    EXPECT_EQ(Read("modelos/escenarios/escenario03/PMAP.DAT"), bytes);
    // A reader finds the new contents at once.
    FILE* f = os::OpenFile("MODELOS\\ESCENARIOS\\ESCENARIO03\\PMAP.DAT", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(os::FileLength(f), 5000u);
    std::fclose(f);
}

TEST_F(FileWriteTest, AWriteCutShortLeavesTheOlderFileAndNoTemporary) {
    const std::vector<uint8_t> bytes = Pattern(70000);
    for (int64_t limit : {int64_t(0), int64_t(1), int64_t(4096), int64_t(65536), int64_t(69999)}) {
        SCOPED_TRACE(testing::Message() << "full after " << limit);
        dir.Write("Data/file.bin", "older");
        os::SetWriteLimitForTests(limit);
        EXPECT_FALSE(os::WriteFileReplacing("data\\FILE.BIN", bytes));
        EXPECT_FALSE(os::WriteFileReplacing("Data\\new.bin", bytes));
        os::SetWriteLimitForTests(-1);
        EXPECT_EQ(dir.Read("Data/file.bin"), "older");
        EXPECT_EQ(Listing(dir.path() / "Data"), std::vector<std::string>{"file.bin"});
    }
    os::SetWriteLimitForTests(70000);
    EXPECT_TRUE(os::WriteFileReplacing("data\\FILE.BIN", bytes)) << "exactly enough room";
    EXPECT_EQ(Read("Data/file.bin"), bytes);
}

TEST_F(FileWriteTest, FailsWhereNoFileCanStand) {
    dir.Write("Data/file.bin", "older");
    struct Case {
        const char* name;
    } cases[] = {{"DATA"}, {"Data\\file.bin\\inner.bin"}, {"Data\\"}, {""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(os::WriteFileReplacing(c.name, Pattern(10)));
    }
    EXPECT_FALSE(os::WriteFileReplacing(nullptr, Pattern(10)));
    EXPECT_EQ(dir.Read("Data/file.bin"), "older");
    EXPECT_EQ(Listing(dir.path() / "Data"), std::vector<std::string>{"file.bin"});
}

TEST_F(FileWriteTest, AReadOnlyFolderKeepsItsFile) {
    dir.Write("Data/file.bin", "older");
    const fs::path folder = dir.path() / "Data";
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    {
        WithoutPermissionOverride guard;
        if (!guard.active() && ::geteuid() == 0) {
            fs::permissions(folder, fs::perms::owner_all);
            GTEST_SKIP() << "this machine withholds the giving up of root's permission override";
        }
        EXPECT_FALSE(os::WriteFileReplacing("Data\\file.bin", Pattern(10)));
        EXPECT_FALSE(os::WriteFileReplacing("Data\\Sub\\file.bin", Pattern(10)));
    }
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(dir.Read("Data/file.bin"), "older");
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"file.bin"});
}

TEST_F(FileWriteTest, TemporariesOfAKilledWriterGoWhenTheFolderIsNextReadOrWritten) {
    const std::string gone = std::to_string(EndedProcessId());
    const std::string self = std::to_string(::getpid());
    const std::string ours = ".brimvale.tmp";
    const std::vector<std::string> kept = {
        "PlO00.dat", "PlO00.dat" + ours + self + ".0",   // this process may be writing it now
        "PlO01.dat" + ours + "1.0",                      // so may a process that still runs
        "PlO02.dat" + ours + gone, "PlO02.dat" + ours + gone + ".", "PlO02.dat" + ours + gone + ".x",
        "PlO02.dat" + ours + "." + gone, "notes" + ours, ours + gone + ".0", "PlO03.dat.BRIMVALE.TMP" + gone + ".0",
        "PlO04.dat" + ours + "99999999999.0",
        // Without the game's mark a name is another program's, whoever wrote it.
        "PlO07.dat.tmp" + gone + ".0", "PlO07.dat.brimvaletmp" + gone + ".0", "PlO07.dat.tmp.brimvale" + gone + ".0"};
    for (const std::string& name : kept) dir.Write("Saves/Orlins/" + name, "x");
    dir.Write("Saves/Orlins/PlO05.dat" + ours + gone + ".0", "cut short");
    dir.Write("Saves/Orlins/PlO06.dat" + ours + gone + ".17", "cut short");
    fs::create_directories(dir.path() / "Saves/Orlins" / ("Folder" + ours + gone + ".1"));

    EXPECT_EQ(os::RemoveStaleTemporaries("SAVES\\orlins\\"), 2);
    std::vector<std::string> expected = kept;
    expected.push_back("Folder" + ours + gone + ".1");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(dir.path() / "Saves/Orlins"), expected);
    EXPECT_EQ(os::RemoveStaleTemporaries("Saves\\Missing\\"), 0);

    // A write into a folder clears it the same way, and only that folder.
    dir.Write("Saves/Voraks/PlV00.dat" + ours + gone + ".3", "cut short");
    dir.Write("PlO00.dat" + ours + gone + ".0", "cut short");
    ASSERT_TRUE(os::WriteFileReplacing("Saves\\Voraks\\PlV01.dat", Pattern(10)));
    EXPECT_EQ(Listing(dir.path() / "Saves/Voraks"), std::vector<std::string>{"PlV01.dat"});
    EXPECT_TRUE(fs::exists(dir.path() / ("PlO00.dat" + ours + gone + ".0")));
}

// What a save killed mid-write really leaves is cleared, while files that other programs name
// the usual way ("<name>.tmp<pid>.<n>", their writer long gone) stay byte for byte: beside
// Game.cfg, where a replacing write goes, and in a save folder that the clean-up reads.
TEST_F(FileWriteTest, OnlyTheGamesOwnTemporariesAreClearedNeverAnotherProgramsFiles) {
    const std::string gone = std::to_string(EndedProcessId());
    const std::vector<std::string> others = {
        "backup.tar.tmp999999.1", "backup.tar.tmp" + gone + ".1", "Game.cfg.tmp" + gone + ".0",
        "PlO00.dat.tmp" + gone + ".0", "photo.jpg.tmp" + gone + ".12"};
    for (const std::string& name : others) {
        dir.Write(name, "user data " + name);
        dir.Write("Saves/Orlins/" + name, "user data " + name);
    }
    dir.Write("Game.cfg", "older settings");
    dir.Write("Saves/Orlins/PlO00.dat", "older save");

    const std::string settings = KilledWriteTemporary("Game.cfg", "new settings, cut short", 5);
    const std::string save = KilledWriteTemporary("Saves\\Orlins\\PlO00.dat", "new save, cut short", 7);
    ASSERT_FALSE(settings.empty());
    ASSERT_FALSE(save.empty());
    EXPECT_EQ(dir.Read(settings), "new s");
    EXPECT_EQ(dir.Read(save), "new sav");
    EXPECT_EQ(dir.Read("Game.cfg"), "older settings");
    EXPECT_EQ(dir.Read("Saves/Orlins/PlO00.dat"), "older save");

    EXPECT_EQ(os::RemoveStaleTemporaries("Saves\\Orlins\\"), 1);
    EXPECT_FALSE(fs::exists(dir.path() / save));
    ASSERT_TRUE(os::WriteFileReplacing("GAME.CFG", Pattern(10)));
    EXPECT_FALSE(fs::exists(dir.path() / settings));
    EXPECT_EQ(Read("Game.cfg"), Pattern(10));

    std::vector<std::string> inSaves = others, inTop = others;
    inSaves.push_back("PlO00.dat");
    inTop.push_back("Game.cfg");
    inTop.push_back("Saves");
    std::sort(inSaves.begin(), inSaves.end());
    std::sort(inTop.begin(), inTop.end());
    EXPECT_EQ(Listing(dir.path() / "Saves/Orlins"), inSaves);
    EXPECT_EQ(Listing(dir.path()), inTop);
    for (const std::string& name : others) {
        EXPECT_EQ(dir.Read(name), "user data " + name);
        EXPECT_EQ(dir.Read("Saves/Orlins/" + name), "user data " + name);
    }
    // Cleared again with nothing of ours left: still nothing of theirs goes.
    EXPECT_EQ(os::RemoveStaleTemporaries(""), 0);
    EXPECT_EQ(os::RemoveStaleTemporaries("Saves\\Orlins\\"), 0);
    EXPECT_EQ(Listing(dir.path()), inTop);
}

// A name is the game's only when it ends with the serial: a user's copy of a temporary the game
// left ("Game.cfg.brimvale.tmp<pid>.<n>.bak", an editor's "...~") is the user's, beside Game.cfg
// and in a save folder alike, while the temporary itself goes.
TEST_F(FileWriteTest, AUsersCopyOfAStaleTemporaryStays) {
    dir.Write("Game.cfg", "older settings");
    dir.Write("Saves/Orlins/PlO00.dat", "older save");
    const std::string settings = KilledWriteTemporary("Game.cfg", "new settings, cut short", 5);
    const std::string save = KilledWriteTemporary("Saves\\Orlins\\PlO00.dat", "new save, cut short", 7);
    ASSERT_FALSE(settings.empty());
    ASSERT_FALSE(save.empty());
    const std::vector<std::string> tails = {".bak", "~", ".1", ".orig", " (copy)"};
    for (const std::string& tail : tails) {
        dir.Write(settings + tail, "user data" + tail);
        dir.Write(save + tail, "user data" + tail);
    }

    EXPECT_EQ(os::RemoveStaleTemporaries("Saves\\Orlins\\"), 1);
    ASSERT_TRUE(os::WriteFileReplacing("Game.cfg", Pattern(10)));
    EXPECT_FALSE(fs::exists(dir.path() / settings));
    EXPECT_FALSE(fs::exists(dir.path() / save));
    for (const std::string& tail : tails) {
        SCOPED_TRACE(tail);
        EXPECT_EQ(dir.Read(settings + tail), "user data" + tail);
        EXPECT_EQ(dir.Read(save + tail), "user data" + tail);
    }
    EXPECT_EQ(Listing(dir.path() / "Saves/Orlins").size(), tails.size() + 1);
    EXPECT_EQ(Listing(dir.path()).size(), tails.size() + 2);
}

}  // namespace
