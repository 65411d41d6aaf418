#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/file_list.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "support/pack_writer.h"
#include "support/temp_dir.h"

using testsupport::PackWriter;

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

// One entry whose name is stored in lower case.
const uint8_t kLowerCasePack[] = {
    'T', 'A', 'D', 'Q', 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
    38, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 'l', 'o', 'w', '.', 't', 'x', 't', 0, 0, 0,
    'o', 'k',
};

template <size_t N>
void WriteArray(const char* path, const uint8_t (&bytes)[N]) {
    ASSERT_TRUE(testsupport::WriteBytes(path, std::vector<uint8_t>(bytes, bytes + N)));
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
    }
    void TearDown() override {
        g_Settings.Clear();
        g_FileList.Destroy();
        ResetPackFiles();
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
    EXPECT_EQ(g_PackError, PACK_OK);
    EXPECT_EQ(info.inPack, 1);
    EXPECT_STREQ(info.name, "A.TXT");
    EXPECT_EQ(info.offset, 60u);
    EXPECT_EQ(info.size, 5u);
    EXPECT_EQ(std::ftell(f), 60);
    EXPECT_FALSE(IsPackEntryAtEnd(f, &info));
    EXPECT_EQ(ReadN(f, 4), "hell");
    EXPECT_FALSE(IsPackEntryAtEnd(f, &info));
    EXPECT_EQ(ReadN(f, 1), "o");
    EXPECT_TRUE(IsPackEntryAtEnd(f, &info));
    ClosePackEntry(f);

    // A name with a backslash, asked for in mixed case; reading past the entry's end runs on
    // into the next entry's bytes, and only IsPackEntryAtEnd says where to stop.
    f = OpenPackEntry("test.dat", "Dir\\b.Bin", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(info.name, "DIR\\B.BIN");
    EXPECT_EQ(info.offset, 56u);
    EXPECT_EQ(info.size, 4u);
    std::string bytes;
    while (!IsPackEntryAtEnd(f, &info)) bytes += char(std::fgetc(f));
    EXPECT_EQ(bytes, "bbbb");
    EXPECT_EQ(ReadN(f, 5), "hello");
    ClosePackEntry(f);

    EXPECT_EQ(FindPackEntry("TEST.DAT", "dir\\b.bin"), 2);
    EXPECT_EQ(FindPackEntry("TEST.DAT", "A.TXT"), 2);
}

TEST_F(PackFileTest, LooseFileIsTakenBeforeThePackedCopy) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    dir.Write("a.txt", "loose!");   // lower case on disk; asked for in any case

    PackEntryInfo info;
    FILE* f = OpenPackEntry("TEST.DAT", "A.txt", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.inPack, 0);
    EXPECT_STREQ(info.name, "A.TXT");
    EXPECT_EQ(info.offset, 0u);
    EXPECT_EQ(info.size, 6u);
    EXPECT_EQ(std::ftell(f), 0);
    EXPECT_EQ(ReadN(f, 100), "loose!");
    EXPECT_TRUE(IsPackEntryAtEnd(f, &info));
    ClosePackEntry(f);

    EXPECT_EQ(FindPackEntry("TEST.DAT", "a.TXT"), 1);
    // A loose file needs no pack at all.
    f = OpenPackEntry(nullptr, "a.txt", nullptr);
    ASSERT_NE(f, nullptr);
    ClosePackEntry(f);
    EXPECT_EQ(FindPackEntry(nullptr, "a.txt"), 1);
}

TEST_F(PackFileTest, NamesStoredInLowerCaseAreNeverFound) {
    WriteArray("LOW.DAT", kLowerCasePack);
    EXPECT_EQ(OpenPackEntry("LOW.DAT", "low.txt", nullptr), nullptr);
    EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
    EXPECT_EQ(OpenPackEntry("LOW.DAT", "LOW.TXT", nullptr), nullptr);
    EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
    EXPECT_EQ(FindPackEntry("LOW.DAT", "low.txt"), 0);
}

TEST_F(PackFileTest, ErrorCodes) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    WriteArray("EMPTY.DAT", kEmptyPack);
    std::vector<uint8_t> badMagic(kTwoEntryPack, kTwoEntryPack + sizeof kTwoEntryPack);
    badMagic[3] = 'X';
    testsupport::WriteBytes("MAGIC.DAT", badMagic);
    std::vector<uint8_t> badVersion(kTwoEntryPack, kTwoEntryPack + sizeof kTwoEntryPack);
    badVersion[4] = 1;   // 257
    testsupport::WriteBytes("VERSION.DAT", badVersion);
    testsupport::WriteBytes("SHORT.DAT", {'T', 'A'});
    testsupport::WriteBytes("NOVERSION.DAT", {'T', 'A', 'D', 'Q', 0, 1});

    struct Case {
        const char* pack;
        const char* file;
        uint32_t openError;   // after OpenPackEntry
        int place;            // FindPackEntry's result
        uint32_t findError;   // after FindPackEntry
    } cases[] = {
        {"TEST.DAT", "A.TXT", PACK_OK, 2, PACK_OK},
        {"TEST.DAT", "NONE.TXT", PACK_NOT_IN_PACK, 0, PACK_OK},
        {"TEST.DAT", "A.TX", PACK_NOT_IN_PACK, 0, PACK_OK},
        {"TEST.DAT", "A.TXTX", PACK_NOT_IN_PACK, 0, PACK_OK},
        {"EMPTY.DAT", "A.TXT", PACK_NOT_IN_PACK, 0, PACK_OK},
        {nullptr, "A.TXT", PACK_NO_PACK, 0, PACK_NO_PACK},
        {"", "A.TXT", PACK_NO_PACK, 0, PACK_NO_PACK},
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

TEST_F(PackFileTest, IsPackEntryAtEndBounds) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    PackEntryInfo info;
    FILE* f = OpenPackEntry("TEST.DAT", "DIR\\B.BIN", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(IsPackEntryAtEnd(nullptr, &info));
    EXPECT_TRUE(IsPackEntryAtEnd(f, nullptr));

    struct Case {
        long position;
        bool atEnd;
    } cases[] = {
        {0, true}, {55, true}, {56, false}, {59, false}, {60, true}, {64, true},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(std::fseek(f, c.position, SEEK_SET), 0);
        EXPECT_EQ(IsPackEntryAtEnd(f, &info), c.atEnd) << c.position;
    }
    // The end-of-file flag ends any entry, wherever the position points.
    PackEntryInfo whole = info;
    whole.offset = 0;
    whole.size = 1000;
    std::fseek(f, 0, SEEK_END);
    EXPECT_FALSE(IsPackEntryAtEnd(f, &whole));
    std::fgetc(f);
    EXPECT_TRUE(IsPackEntryAtEnd(f, &whole));
    ClosePackEntry(f);
}

TEST_F(PackFileTest, WriterPacksReadBackInAnyOrder) {
    for (bool dummy : {false, true}) {
        for (bool reverse : {false, true}) {
            SCOPED_TRACE(std::to_string(dummy) + std::to_string(reverse));
            PackWriter w;
            w.dummyFirst = dummy;
            w.reverseData = reverse;
            w.Add("MODELOS\\ZETA.Y3D", "zeta model");
            w.Add("MODELOS\\ALFA.Y3D", "alfa");
            w.Add("EMPTY.BIN", "");
            w.Add("TEXTURAS\\A(ANI00).TGA", std::string(300, 'x'));
            ASSERT_TRUE(w.WriteTo("MODELOS.DAT"));

            const char* asked[] = {"modelos\\zeta.y3d", "MODELOS\\ALFA.Y3D", "empty.bin", "Texturas\\a(ani00).tga"};
            const std::string want[] = {"zeta model", "alfa", "", std::string(300, 'x')};
            for (size_t i = 0; i < 4; ++i) {
                PackEntryInfo info;
                FILE* f = OpenPackEntry("MODELOS.DAT", asked[i], &info);
                ASSERT_NE(f, nullptr) << asked[i];
                EXPECT_EQ(info.offset, w.DataOffset(i));
                EXPECT_EQ(info.size, want[i].size());
                std::string got;
                while (!IsPackEntryAtEnd(f, &info)) got += char(std::fgetc(f));
                EXPECT_EQ(got, want[i]);
                ClosePackEntry(f);
            }
        }
    }
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

TEST_F(PackFileTest, CountBeyondTheDirectoryStopsAtTheFileEnd) {
    PackWriter w;
    w.Add("ONLY.TXT", "x");
    w.countOverride = 0xFFFFFFFFu;
    ASSERT_TRUE(w.WriteTo("BIG.DAT"));
    FILE* f = OpenPackEntry("BIG.DAT", "ONLY.TXT", nullptr);
    EXPECT_NE(f, nullptr);
    ClosePackEntry(f);
    EXPECT_EQ(OpenPackEntry("BIG.DAT", "OTHER.TXT", nullptr), nullptr);
    EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
}

TEST_F(PackFileTest, OverLongNamesNeverMatch) {
    std::string longest(PACK_MAX_NAME, 'L');
    std::string tooLong(PACK_MAX_NAME + 1, 'T');
    PackWriter w;
    w.Add(tooLong, "too long");
    w.Add(longest, "longest");
    w.Add("AFTER.TXT", "after");
    ASSERT_TRUE(w.WriteTo("LONG.DAT"));

    EXPECT_EQ(OpenPackEntry("LONG.DAT", tooLong.c_str(), nullptr), nullptr);
    EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
    // Nor does its first 259 characters' worth match a shorter request.
    EXPECT_EQ(OpenPackEntry("LONG.DAT", std::string(PACK_MAX_NAME, 'T').c_str(), nullptr), nullptr);

    PackEntryInfo info;
    FILE* f = OpenPackEntry("LONG.DAT", longest.c_str(), &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::string(info.name), longest);
    EXPECT_EQ(ReadN(f, info.size), "longest");
    ClosePackEntry(f);
    // The directory walk carries on correctly after the over-long name.
    f = OpenPackEntry("LONG.DAT", "after.txt", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadN(f, info.size), "after");
    ClosePackEntry(f);
}

TEST_F(PackFileTest, DataOutsideThePackIsNotFound) {
    PackWriter w;
    w.Add("GOOD.TXT", "good");
    size_t pastEnd = w.Add("PAST.TXT", "data");
    size_t tooBig = w.Add("BIG.TXT", "data");
    size_t exact = w.Add("LAST.TXT", "last");
    size_t total = w.Build().size();
    w.At(pastEnd).offset = uint32_t(total + 10);
    w.At(tooBig).size = 1000;
    w.At(exact).offset = uint32_t(total - 4);   // ends exactly at the file's end: sound
    w.At(exact).size = 4;
    ASSERT_TRUE(w.WriteTo("BAD.DAT"));

    EXPECT_EQ(OpenPackEntry("BAD.DAT", "PAST.TXT", nullptr), nullptr);
    EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
    EXPECT_EQ(FindPackEntry("BAD.DAT", "PAST.TXT"), 0);
    EXPECT_EQ(OpenPackEntry("BAD.DAT", "BIG.TXT", nullptr), nullptr);
    EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);

    PackEntryInfo info;
    FILE* f = OpenPackEntry("BAD.DAT", "LAST.TXT", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadN(f, info.size), "last");
    ClosePackEntry(f);
    f = OpenPackEntry("BAD.DAT", "GOOD.TXT", &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadN(f, info.size), "good");
    ClosePackEntry(f);
}

TEST_F(PackFileTest, DebugRunsListEveryRequestUpperCased) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    g_Settings.debug = 1;
    g_FileList.Create();
    ClosePackEntry(OpenPackEntry("TEST.DAT", "a.txt", nullptr));
    ClosePackEntry(OpenPackEntry("TEST.DAT", "Missing\\x.tga", nullptr));
    ClosePackEntry(OpenPackEntry("NOPACK.DAT", "y.TGA", nullptr));
    EXPECT_EQ(FindPackEntry("TEST.DAT", "found.only"), 0);   // finding does not list
    ASSERT_EQ(g_FileList.Count(), 3);
    EXPECT_EQ(g_FileList.Name(0), "A.TXT");
    EXPECT_EQ(g_FileList.Name(1), "MISSING\\X.TGA");
    EXPECT_EQ(g_FileList.Name(2), "Y.TGA");

    g_Settings.debug = 0;
    ClosePackEntry(OpenPackEntry("TEST.DAT", "other.txt", nullptr));
    EXPECT_EQ(g_FileList.Count(), 3);
}

TEST_F(PackFileTest, AnEntryReadsOnlyItsOwnBytesCountedFromItsStart) {
    WriteArray("TEST.DAT", kTwoEntryPack);
    PackEntry entry;
    ASSERT_TRUE(entry.Open("TEST.DAT", "dir\\b.bin"));
    EXPECT_EQ(entry.Start(), 56u);
    ASSERT_EQ(entry.Length(), 4u);
    BinaryReader& in = entry.Reader();
    uint32_t word = 0;
    EXPECT_TRUE(in.ReadU32(word));
    EXPECT_EQ(word, 0x62626262u);
    // The next entry's bytes follow in the pack, but the reader stops at this one's end.
    uint8_t more = 0;
    EXPECT_FALSE(in.ReadU8(more));
    EXPECT_FALSE(in.ok());

    EXPECT_FALSE(entry.Open("TEST.DAT", "NONE.TXT"));
    EXPECT_EQ(g_PackError, PACK_NOT_IN_PACK);
    EXPECT_FALSE(entry.IsOpen());
    EXPECT_EQ(entry.Reader().Remaining(), 0u);
}
