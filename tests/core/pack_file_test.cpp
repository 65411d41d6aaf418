#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/data_problems.h"
#include "core/file_list.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"

using datakit::PackWriter;

namespace {

// Written by hand, byte by byte, so the writer and the reader cannot share one misreading.
// Directory: "A.TXT" (5 bytes at 60), "DIR\B.BIN" (4 bytes at 56); B's data comes first.
const uint8_t kTwoEntryPack[] = {
    'T', 'A', 'D', 'Q', 0x00, 0x01, 0x00, 0x00, 0x99, 0x88, 0x77, 0x66, 0x02, 0x00, 0x00, 0x00,
    60, 0, 0, 0, 5, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD, 'A', '.', 'T', 'X', 'T', 0,
    56, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 'D', 'I', 'R', '\\', 'B', '.', 'B', 'I', 'N', 0,
    'b', 'b', 'b', 'b',
    'h', 'e', 'l', 'l', 'o',
};

// An empty pack: a sound header with an entry count of 0.
const uint8_t kEmptyPack[] = {'T', 'A', 'D', 'Q', 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

template <size_t N>
void WriteArray(const char* path, const uint8_t (&bytes)[N]) {
    ASSERT_TRUE(datakit::WriteBytes(path, std::vector<uint8_t>(bytes, bytes + N)));
}

std::string ReadN(FILE* f, size_t n) {
    std::string s(n, '\0');
    size_t got = std::fread(s.data(), 1, n, f);
    s.resize(got);
    return s;
}

class PackFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Settings.Clear();
        g_FileList.Destroy();
        ResetPackFiles();
        ResetDataProblems();
    }
    void TearDown() override {
        g_Settings.Clear();
        g_FileList.Destroy();
        ResetPackFiles();
        ResetDataProblems();
    }
    ScopedWorkDir dir;
};

}  // namespace

TEST_F(PackFileTest, HandMadePackOpensEntriesAtTheirOffsets) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    PackEntryInfo info;
    std::memset(&info, 0x5A, sizeof info);
    FILE* f = OpenPackEntry("TEST.DAT", "a.txt", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.inPack, 1);
    EXPECT_STREQ(info.name, "A.TXT");
    EXPECT_EQ(info.offset, 60u);
    EXPECT_EQ(info.size, 5u);
    EXPECT_EQ(ReadN(f, 4), "hell");
    EXPECT_FALSE(IsPackEntryAtEnd(f, &info));
    EXPECT_EQ(ReadN(f, 1), "o");
    EXPECT_TRUE(IsPackEntryAtEnd(f, &info));
    ClosePackEntry(f);
}

TEST_F(PackFileTest, LooseFileIsTakenBeforeThePackedCopy) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    dir.Write("a.txt", "loose!");   // lower case on disk; asked for in any case
    PackEntry entry;
    ASSERT_TRUE(entry.Open("TEST.DAT", "A.txt"));
    EXPECT_EQ(entry.Info().inPack, 0);
    EXPECT_EQ(entry.Length(), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.Reader().Span(6)), 6), "loose!");
    EXPECT_EQ(FindPackEntry("TEST.DAT", "a.TXT"), 1);
    // A loose file needs no pack at all.
    EXPECT_TRUE(entry.Open(nullptr, "a.txt"));
    EXPECT_EQ(FindPackEntry(nullptr, "a.txt"), 1);
}

TEST_F(PackFileTest, ErrorCodes) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    WriteArray("EMPTY.DAT", kEmptyPack);
    std::vector<uint8_t> badMagic(kTwoEntryPack, kTwoEntryPack + sizeof kTwoEntryPack);
    badMagic[3] = 'X';
    datakit::WriteBytes("MAGIC.DAT", badMagic);
    std::vector<uint8_t> badVersion(kTwoEntryPack, kTwoEntryPack + sizeof kTwoEntryPack);
    badVersion[4] = 1;   // 257
    datakit::WriteBytes("VERSION.DAT", badVersion);
    datakit::WriteBytes("SHORT.DAT", {'T', 'A'});
    datakit::WriteBytes("NOVERSION.DAT", {'T', 'A', 'D', 'Q', 0, 1});
    PackWriter big;
    big.Add("ONLY.TXT", "x");
    big.countOverride = 0xFFFFFFFFu;   // the walk stops at the file's end
    ASSERT_TRUE(big.WriteTo("BIG.DAT"));

    struct Case {
        const char* pack;
        const char* file;
        uint32_t openError;   // after OpenPackEntry
        int place;            // FindPackEntry's result
        uint32_t findError;   // after FindPackEntry
    } cases[] = {
        {"TEST.DAT", "A.TXT", PACK_OK, 2, PACK_OK},
        {"TEST.DAT", "NONE.TXT", PACK_NOT_IN_PACK, 0, PACK_OK},
        {"TEST.DAT", "A.TXTX", PACK_NOT_IN_PACK, 0, PACK_OK},
        {"EMPTY.DAT", "A.TXT", PACK_NOT_IN_PACK, 0, PACK_OK},
        {"BIG.DAT", "ONLY.TXT", PACK_OK, 2, PACK_OK},
        {nullptr, "A.TXT", PACK_NO_PACK, 0, PACK_NO_PACK},
        {"MISSING.DAT", "A.TXT", PACK_NO_PACK, 0, PACK_NO_PACK},
        {"MAGIC.DAT", "A.TXT", PACK_BAD_MAGIC, 0, PACK_BAD_MAGIC},
        {"SHORT.DAT", "A.TXT", PACK_BAD_MAGIC, 0, PACK_BAD_MAGIC},
        {"VERSION.DAT", "A.TXT", PACK_BAD_VERSION, 0, PACK_BAD_VERSION},
        {"NOVERSION.DAT", "A.TXT", PACK_BAD_VERSION, 0, PACK_BAD_VERSION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pack ? c.pack : "(null)") + " " + c.file);
        g_PackError = 99;
        FILE* f = OpenPackEntry(c.pack, c.file, nullptr);
        EXPECT_EQ(f != nullptr, c.openError == PACK_OK);
        EXPECT_EQ(g_PackError, c.openError);
        ClosePackEntry(f);
        g_PackError = 99;
        EXPECT_EQ(FindPackEntry(c.pack, c.file), c.place);
        EXPECT_EQ(g_PackError, c.findError);
    }

    // No file name: nothing is opened and the last error stays.
    g_PackError = PACK_BAD_VERSION;
    EXPECT_EQ(OpenPackEntry("TEST.DAT", nullptr, nullptr), nullptr);
    EXPECT_EQ(OpenPackEntry("TEST.DAT", "", nullptr), nullptr);
    EXPECT_EQ(FindPackEntry("TEST.DAT", ""), 0);
    EXPECT_EQ(g_PackError, PACK_BAD_VERSION);
}

TEST_F(PackFileTest, TruncatedDirectoryIsNotFoundAtEveryCut) {
    PackWriter w;
    w.Add("FIRST.TXT", "1");
    w.Add("SECOND.TXT", "22");
    w.Add("THIRD.TXT", "333");
    size_t end = w.DirectoryEnd();
    for (size_t cut = 16; cut < end; ++cut) {
        w.truncateAt = cut;
        ASSERT_TRUE(w.WriteTo("CUT.DAT"));
        EXPECT_EQ(OpenPackEntry("CUT.DAT", "THIRD.TXT", nullptr), nullptr) << cut;
        EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK) << cut;
        EXPECT_EQ(FindPackEntry("CUT.DAT", "THIRD.TXT"), 0) << cut;
    }
    // A header cut before the entry count.
    w.truncateAt = 14;
    ASSERT_TRUE(w.WriteTo("CUT.DAT"));
    EXPECT_EQ(OpenPackEntry("CUT.DAT", "FIRST.TXT", nullptr), nullptr);
    EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
}

TEST_F(PackFileTest, OverLongNamesAndDataOutsideThePackAreNotFound) {
    const std::string longest(PACK_MAX_NAME, 'L'), tooLong(PACK_MAX_NAME + 1, 'T');
    PackWriter w;
    w.Add(tooLong, "too long");
    w.Add(longest, "longest");
    w.Add("GOOD.TXT", "good");
    const size_t pastEnd = w.Add("PAST.TXT", "data"), tooBig = w.Add("BIG.TXT", "data");
    const size_t exact = w.Add("LAST.TXT", "last");
    const size_t total = w.Build().size();
    w.At(pastEnd).offset = uint32_t(total + 10);
    w.At(tooBig).size = 1000;
    w.At(exact).offset = uint32_t(total - 4);   // ends exactly at the file's end: sound
    ASSERT_TRUE(w.WriteTo("BAD.DAT"));
    const struct {
        std::string name;
        const char* data;   // null: not found
    } cases[] = {
        {tooLong, nullptr}, {std::string(PACK_MAX_NAME, 'T'), nullptr}, {longest, "longest"},
        {"good.txt", "good"}, {"PAST.TXT", nullptr}, {"BIG.TXT", nullptr}, {"LAST.TXT", "last"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 12));
        PackEntry entry;
        ASSERT_EQ(entry.Open("BAD.DAT", c.name.c_str()), c.data != nullptr);
        if (!c.data) {
            EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
            continue;
        }
        const uint8_t* bytes = entry.Reader().Span(entry.Length());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), entry.Length()), c.data);
    }
}

TEST_F(PackFileTest, AnEntryReadsOnlyItsOwnBytesCountedFromItsStart) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    PackEntry entry;
    ASSERT_TRUE(entry.Open("TEST.DAT", "Dir\\b.Bin"));   // a backslash, asked for in mixed case
    EXPECT_EQ(entry.Start(), 56u);
    BinaryReader& in = entry.Reader();
    uint32_t word = 0;
    EXPECT_TRUE(in.ReadU32(word));
    EXPECT_EQ(word, 0x62626262u);
    // The next entry's bytes follow in the pack, but the reader stops at this one's end.
    uint8_t more = 0;
    EXPECT_FALSE(in.ReadU8(more));
    EXPECT_FALSE(entry.Open("TEST.DAT", "NONE.TXT"));
    EXPECT_EQ(entry.Reader().Remaining(), 0u);
}

namespace {

// Written by hand: "SAME.TXT" twice with "OTHER.TXT" between, then "same.txt" stored in lower
// case. The first record's data come last in the file, so neither the lowest offset nor the
// last record can pass for the first.
const uint8_t kRepeatedNamePack[] = {
    'T', 'A', 'D', 'Q', 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,
    112, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 'S', 'A', 'M', 'E', '.', 'T', 'X', 'T', 0,
    107, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 'O', 'T', 'H', 'E', 'R', '.', 'T', 'X', 'T', 0,
    101, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 'S', 'A', 'M', 'E', '.', 'T', 'X', 'T', 0,
    101, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 's', 'a', 'm', 'e', '.', 't', 'x', 't', 0,
    's', 'e', 'c', 'o', 'n', 'd',
    'o', 't', 'h', 'e', 'r',
    'f', 'i', 'r', 's', 't', '!', '!',
};

}  // namespace

// A pack built with a name twice (a patched pack appended to, a tool run twice) must give every
// loader the same copy: the first record, as the packs have always been read.
TEST_F(PackFileTest, ANameHeldTwiceGivesTheFirstRecordEveryTime) {
    WriteArray("DUP.DAT", kRepeatedNamePack);
    for (const char* asked : {"SAME.TXT", "same.txt", "Same.Txt"}) {
        SCOPED_TRACE(asked);
        PackEntryInfo info;
        FILE* f = OpenPackEntry("DUP.DAT", asked, &info);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(info.offset, 112u);
        EXPECT_EQ(info.size, 7u);
        EXPECT_EQ(ReadN(f, 7), "first!!");
        EXPECT_TRUE(IsPackEntryAtEnd(f, &info));
        ClosePackEntry(f);
        PackEntry entry;
        ASSERT_TRUE(entry.Open("DUP.DAT", asked));
        ASSERT_EQ(entry.Length(), 7u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.Reader().Span(7)), 7), "first!!");
        EXPECT_EQ(FindPackEntry("DUP.DAT", asked), 2);
    }
    // The name between them is untouched by the repeat.
    PackEntry other;
    ASSERT_TRUE(other.Open("DUP.DAT", "other.txt"));
    EXPECT_EQ(other.Length(), 5u);

    // Read afresh from disk (no directory kept), still the first.
    ResetPackFiles();
    PackEntry again;
    ASSERT_TRUE(again.Open("DUP.DAT", "same.txt"));
    EXPECT_EQ(again.Start(), 112u);

    // The same through the pack writer, three copies of differing sizes.
    PackWriter w;
    w.dummyFirst = true;
    w.Add("TEXTURAS\\A.TGA", "1");
    w.Add("TEXTURAS\\A.TGA", "22");
    w.Add("TEXTURAS\\A.TGA", "333");
    ASSERT_TRUE(w.WriteTo("TRIPLE.DAT"));
    PackEntry triple;
    ASSERT_TRUE(triple.Open("TRIPLE.DAT", "texturas\\a.tga"));
    ASSERT_EQ(triple.Length(), 1u);
    EXPECT_EQ(triple.Reader().Span(1)[0], '1');
}

// Names are stored in upper case and compared exactly: a directory name stored in lower case is
// found by no request, whatever its case.
TEST_F(PackFileTest, ADirectoryNameStoredInLowerCaseIsNeverFound) {
    PackWriter w;
    w.Add("lower.txt", "lower");
    w.Add("Mixed.Txt", "mixed");
    w.Add("UPPER.TXT", "upper");
    ASSERT_TRUE(w.WriteTo("CASE.DAT"));
    for (const char* asked : {"lower.txt", "LOWER.TXT", "Mixed.Txt", "MIXED.TXT"}) {
        SCOPED_TRACE(asked);
        EXPECT_EQ(OpenPackEntry("CASE.DAT", asked, nullptr), nullptr);
        EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
        EXPECT_EQ(FindPackEntry("CASE.DAT", asked), 0);
    }
    EXPECT_EQ(FindPackEntry("CASE.DAT", "upper.txt"), 2);
}

// A reader loops until IsPackEntryAtEnd: at the entry's first byte it must read on, before that
// byte or at its end it must stop, and an empty entry has nothing to read at all.
TEST_F(PackFileTest, AReaderStopsExactlyAtItsEntrysEdges) {
    PackWriter w;
    w.Add("EMPTY.TXT", "");
    w.Add("ONE.TXT", "1");
    w.Add("NEXT.TXT", "next");
    ASSERT_TRUE(w.WriteTo("EDGE.DAT"));
    PackEntryInfo info;
    FILE* f = OpenPackEntry("EDGE.DAT", "ONE.TXT", &info);
    ASSERT_NE(f, nullptr);
    ASSERT_GT(info.offset, 0u);
    EXPECT_FALSE(IsPackEntryAtEnd(f, &info)) << "at its first byte";
    ASSERT_EQ(std::fseek(f, long(info.offset) - 1, SEEK_SET), 0);
    EXPECT_TRUE(IsPackEntryAtEnd(f, &info)) << "one byte before it";
    ASSERT_EQ(std::fseek(f, long(info.offset), SEEK_SET), 0);
    EXPECT_EQ(ReadN(f, 1), "1");
    EXPECT_TRUE(IsPackEntryAtEnd(f, &info)) << "past its one byte, with the next entry behind it";
    ClosePackEntry(f);

    f = OpenPackEntry("EDGE.DAT", "EMPTY.TXT", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.size, 0u);
    EXPECT_TRUE(IsPackEntryAtEnd(f, &info));
    ClosePackEntry(f);

    // A loose file: its whole length and no more.
    dir.Write("loose.txt", "ab");
    f = OpenPackEntry("EDGE.DAT", "LOOSE.TXT", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(IsPackEntryAtEnd(f, &info));
    EXPECT_EQ(ReadN(f, 1), "a");
    EXPECT_FALSE(IsPackEntryAtEnd(f, &info));
    EXPECT_EQ(ReadN(f, 1), "b");
    EXPECT_TRUE(IsPackEntryAtEnd(f, &info));
    ClosePackEntry(f);
    EXPECT_TRUE(IsPackEntryAtEnd(nullptr, &info));
}

namespace {

// Files as an installed game's are: changed long ago, so what is read of them may be kept.
void MakeOld(const std::filesystem::path& p) {
    std::filesystem::last_write_time(p, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
}

// A pack holding OLD.TXT, settled and read once, as a pack the game has been running on.
void WriteSettledPack(const ScopedWorkDir& dir, const char* name) {
    PackWriter first;
    first.Add("OLD.TXT", "old!");
    ASSERT_TRUE(first.WriteTo(name));
    MakeOld(name);
    MakeOld(dir.path());
    ASSERT_EQ(FindPackEntry(name, "OLD.TXT"), 2);
}

}  // namespace

TEST_F(PackFileTest, APackOrLooseFileChangedOnDiskIsSeenByTheNextLookup) {
    WriteSettledPack(dir, "TEST.DAT");
    if (HasFatalFailure()) return;

    // A pack of the same size put in its place.
    PackWriter second;
    second.Add("NEW.TXT", "new!");
    ASSERT_TRUE(second.WriteTo("TEST.DAT"));
    EXPECT_EQ(FindPackEntry("TEST.DAT", "OLD.TXT"), 0);
    PackEntry entry;
    ASSERT_TRUE(entry.Open("TEST.DAT", "new.txt"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.Reader().Span(4)), 4), "new!");

    // A loose file written by other means (as the debug log is) next to the settled pack.
    MakeOld("TEST.DAT");
    MakeOld(dir.path());
    ASSERT_EQ(FindPackEntry("TEST.DAT", "NEW.TXT"), 2);
    dir.Write("new.txt", "loose");
    EXPECT_EQ(FindPackEntry("TEST.DAT", "NEW.TXT"), 1);
}

namespace {

// Rewrites the file where it is (the same inode) and puts its access and modification times back
// to the nanosecond, as a copy that keeps times does.
void RewriteKeepingTimes(const char* path, const std::vector<uint8_t>& bytes) {
    struct stat before;
    ASSERT_EQ(::stat(path, &before), 0);
    const int fd = ::open(path, O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    const bool whole = ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    const bool kept = ::futimens(fd, times) == 0;
    ::close(fd);
    ASSERT_TRUE(whole && kept);
    struct stat after;
    ASSERT_EQ(::stat(path, &after), 0);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    ASSERT_NE(after.st_size, before.st_size);
}

}  // namespace

TEST_F(PackFileTest, APackRewrittenInPlaceWithItsTimesPutBackIsReadAfresh) {
    WriteSettledPack(dir, "KEPT.DAT");
    if (HasFatalFailure()) return;

    PackWriter second;
    second.Add("NEW.TXT", "the new one");
    RewriteKeepingTimes("KEPT.DAT", second.Build());
    EXPECT_EQ(FindPackEntry("KEPT.DAT", "OLD.TXT"), 0);
    PackEntry entry;
    ASSERT_TRUE(entry.Open("KEPT.DAT", "NEW.TXT"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.Reader().Span(11)), 11), "the new one");
    EXPECT_EQ(g_PackDirectoryReads, 2u);
}

TEST_F(PackFileTest, AFreshlyWrittenPackIsReadOnceUntilItsSizeChanges) {
    PackWriter first;
    for (int i = 0; i < 50; ++i) first.Add("ANI" + std::to_string(i) + ".Y3D", "x");
    ASSERT_TRUE(first.WriteTo("FRESH.DAT"));
    // Written this instant: every name of a group is looked up without reading the directory again.
    for (int i = 0; i < 50; ++i) ASSERT_EQ(FindPackEntry("FRESH.DAT", ("ani" + std::to_string(i) + ".y3d").c_str()), 2);
    EXPECT_EQ(FindPackEntry("FRESH.DAT", "ANI50.Y3D"), 0);
    EXPECT_EQ(g_PackDirectoryReads, 1u);

    // Rewritten at once with another size: the next lookup sees the new directory.
    PackWriter second;
    second.Add("ANI0.Y3D", "x");
    second.Add("LATE.Y3D", "late");
    ASSERT_TRUE(second.WriteTo("FRESH.DAT"));
    EXPECT_EQ(FindPackEntry("FRESH.DAT", "LATE.Y3D"), 2);
    EXPECT_EQ(FindPackEntry("FRESH.DAT", "ANI1.Y3D"), 0);
    EXPECT_EQ(g_PackDirectoryReads, 2u);
}

TEST_F(PackFileTest, APackMissingOverwrittenOrCutShortIsToldOnceNamingItAndTheFileWanted) {
    PackWriter w;
    w.Add("MODELOS\\A.Y3D", "first");
    w.Add("MODELOS\\B.Y3D", std::string(64, 'b'));
    const std::vector<uint8_t> whole = w.Build();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;   // empty: no pack at all
        const char* told;             // null: nothing to tell
    };
    std::vector<uint8_t> overwritten(whole.size(), 0x5A);
    std::vector<uint8_t> oldVersion = whole;
    oldVersion[5] = 2;
    const std::vector<uint8_t> half(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() - 40));
    const Case cases[] = {
        {"missing", {}, "The data file MODELOS.DAT is missing or cannot be read (MODELOS\\B.Y3D cannot be loaded from it)."},
        {"overwritten", overwritten, "The data file MODELOS.DAT is damaged: it is not a data pack (MODELOS\\B.Y3D cannot be loaded from it)."},
        {"another version", oldVersion, "The data file MODELOS.DAT is damaged: it is not a data pack (MODELOS\\B.Y3D cannot be loaded from it)."},
        {"cut short", half, "The data file MODELOS.DAT is damaged: it is cut short (MODELOS\\B.Y3D cannot be loaded from it)."},
        {"whole", whole, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetPackFiles();
        ResetDataProblems();
        std::filesystem::remove(dir.path() / "MODELOS.DAT");
        if (!c.bytes.empty()) ASSERT_TRUE(datakit::WriteBytes("MODELOS.DAT", c.bytes));
        PackEntry entry;
        EXPECT_EQ(entry.Open("MODELOS.DAT", "Modelos\\B.y3d"), c.told == nullptr);
        // Asked again, and for a name the pack never held: told once a run.
        entry.Open("MODELOS.DAT", "Modelos\\B.y3d");
        entry.Open("MODELOS.DAT", "Modelos\\None.y3d");
        const std::vector<std::string> told = ToldDataProblems();
        if (!c.told) {
            EXPECT_TRUE(told.empty());
            continue;
        }
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0], c.told);
    }
    // A sound pack that only lacks a name tells nothing; nor does a file found loose.
    EXPECT_FALSE(PackEntry().Open("MODELOS.DAT", "Modelos\\None.y3d"));
    std::filesystem::remove(dir.path() / "MODELOS.DAT");
    dir.Write("loose.txt", "here");
    EXPECT_TRUE(PackEntry().Open("MODELOS.DAT", "LOOSE.TXT"));
    EXPECT_TRUE(ToldDataProblems().empty());
}

TEST_F(PackFileTest, ADirectoryCutMidRecordTellsThePackCutShortOnlyForNamesItMayHaveLost) {
    PackWriter w;
    w.Add("FIRST.TXT", "1");
    w.Add("SECOND.TXT", "22");
    w.truncateAt = w.DirectoryEnd() - 3;
    ASSERT_TRUE(w.WriteTo("CUT.DAT"));
    PackEntry entry;
    EXPECT_FALSE(entry.Open("CUT.DAT", "SECOND.TXT"));
    ASSERT_EQ(ToldDataProblems().size(), 1u);
    EXPECT_EQ(ToldDataProblems()[0], "The data file CUT.DAT is damaged: it is cut short (SECOND.TXT cannot be loaded from it).");
}

// Tools and test programs share the data code: what they are told stays off standard error
// until the program's own start asks for it, and then comes out in order, each text once.
TEST(DataProblemsTest, StandardErrorHearsOnlyOnceTheProgramHasStarted) {
    ResetDataProblems();
    testing::internal::CaptureStderr();
    TellDataProblem("first");
    TellDataProblemF("second %d", 2);
    const std::string before = testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    TellDataProblemsOnStderr();
    TellDataProblem("third");
    TellDataProblemsOnStderr();
    const std::string after = testing::internal::GetCapturedStderr();
    ResetDataProblems();
    EXPECT_EQ(before, "");
    EXPECT_EQ(after, "Brimvale: first\nBrimvale: second 2\nBrimvale: third\n");
}
