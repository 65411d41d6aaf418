#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/path.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::vector<os::FolderEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name);
    return names;
}

}  // namespace

TEST(PathResolver, GamePathsFindFilesInAnyCase) {
    ScopedWorkDir dir;
    dir.Write("Texturas/Escenarios/Escenario07/xnRoca.tga", "rock");
    dir.Write("Modelos/casa.y3d", "house");

    struct Case {
        const char* given;
        const char* expected;
    } cases[] = {
        {"TEXTURAS\\ESCENARIOS\\ESCENARIO07\\XNROCA.TGA", "Texturas/Escenarios/Escenario07/xnRoca.tga"},
        {"MODELOS\\\\CASA.Y3D", "Modelos/casa.y3d"},
        {"MODELOS\\", "Modelos/"},
        // Nothing on disk from the first missing component on: kept as given, with slashes.
        {"MODELOS\\Nuevo\\Fichero.DAT", "Modelos/Nuevo/Fichero.DAT"},
        {"Otro\\MODELOS\\casa.y3d", "Otro/MODELOS/casa.y3d"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(os::ResolvePath(c.given), c.expected) << c.given;
    }
    EXPECT_EQ(os::ResolvePath(nullptr), "");
    std::string abs = (dir.path() / "MODELOS" / "CASA.Y3D").string();
    EXPECT_EQ(os::ResolvePath(abs.c_str()), (dir.path() / "Modelos" / "casa.y3d").string()) << "absolute stays absolute";
}

TEST(PathResolver, OpenFileReadsWritesAndRefusesFolders) {
    ScopedWorkDir dir;
    dir.Write("Sonido/Fx/Snd001.wav", "wave");

    FILE* f = os::OpenFile("SONIDO\\FX\\SND001.WAV", "rb");
    ASSERT_NE(f, nullptr);
    char read[8] = {};
    EXPECT_EQ(std::fread(read, 1, sizeof read, f), 4u);
    EXPECT_STREQ(read, "wave");
    std::fclose(f);

    EXPECT_EQ(os::OpenFile("SONIDO\\FX", "rb"), nullptr);
    EXPECT_EQ(os::OpenFile("x", nullptr), nullptr);

    // A new file lands in the existing folder, whatever case the game used for it.
    f = os::OpenFile("sonido\\fx\\Nuevo.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("new", f);
    std::fclose(f);
    EXPECT_EQ(dir.Read("Sonido/Fx/Nuevo.txt"), "new");
}

TEST(PathResolver, ListFolderFindsTheFolderWithoutCase) {
    ScopedWorkDir dir;
    dir.Write("Tex/b.TGA", "1");
    dir.Write("Tex/a.tga", "2");
    dir.Write("Tex/Sub/inner.tga", "4");

    std::vector<os::FolderEntry> all;
    ASSERT_TRUE(os::ListFolder("TEX\\*.*", &all));
    EXPECT_EQ(Names(all), (std::vector<std::string>{"Sub", "a.tga", "b.TGA"}));
    for (const auto& e : all) EXPECT_EQ(e.archive, e.name != "Sub") << e.name;   // folders are never renamed

    std::vector<os::FolderEntry> none;
    EXPECT_FALSE(os::ListFolder("Missing\\*.*", &none));
    EXPECT_TRUE(none.empty());
}

TEST(PathResolver, RenameKeepsTheFolderOnDisk) {
    ScopedWorkDir dir;
    dir.Write("Texturas/Old.tga", "t");
    EXPECT_TRUE(os::RenameFile("TEXTURAS\\OLD.TGA", "TEXTURAS\\_NU_Old.tga"));
    EXPECT_TRUE(fs::exists(dir.path() / "Texturas" / "_NU_Old.tga"));
    EXPECT_FALSE(fs::exists(dir.path() / "Texturas" / "Old.tga"));
    EXPECT_FALSE(os::RenameFile("TEXTURAS\\OLD.TGA", "TEXTURAS\\X.tga"));
}

TEST(PathResolver, AmongNamesDifferingOnlyInCaseTheFirstInByteOrderIsTaken) {
    ScopedWorkDir dir;
    for (const char* name : {"abc", "Abc", "ABC"}) dir.Write(name, name);
    // A folder changed long ago, so its listing is kept between lookups.
    fs::last_write_time(dir.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    EXPECT_EQ(os::ResolvePath("aBC"), "ABC");
    EXPECT_EQ(os::ResolvePath("abC"), "ABC");
    ASSERT_TRUE(os::RenameFile("ABC", "zzz"));
    EXPECT_EQ(os::ResolvePath("aBC"), "Abc");
}

// What a cache knows a file by: a change to any part of the stamp is another state of the file,
// the size included, which alone tells a file rewritten in place whose times stay as they were.
TEST(FileStamps, AnyPartThatDiffersIsAnotherStateAndOnlyASettledStampIsKept) {
    ScopedWorkDir dir;
    dir.Write("Pack.dat", "four");
    std::string path;
    os::FileStamp stamp;
    ASSERT_TRUE(os::StampFile("PACK.DAT", &path, &stamp));
    EXPECT_EQ(stamp.size, 4u);
    EXPECT_TRUE(os::SameStamp(stamp, stamp));
    EXPECT_FALSE(stamp.settled) << "written this instant";
    EXPECT_FALSE(os::StillValid(stamp, stamp));
    os::FileStamp settled = stamp;
    settled.settled = true;
    EXPECT_TRUE(os::StillValid(settled, stamp));

    const struct {
        const char* part;
        void (*change)(os::FileStamp&);
    } parts[] = {
        {"device", [](os::FileStamp& s) { ++s.device; }},
        {"inode", [](os::FileStamp& s) { ++s.inode; }},
        {"size", [](os::FileStamp& s) { ++s.size; }},
        {"modified, by a nanosecond", [](os::FileStamp& s) { ++s.modified; }},
        {"changed, by a nanosecond", [](os::FileStamp& s) { ++s.changed; }},
    };
    for (const auto& p : parts) {
        SCOPED_TRACE(p.part);
        os::FileStamp now = stamp;
        p.change(now);
        EXPECT_FALSE(os::SameStamp(stamp, now));
        EXPECT_FALSE(os::SameStamp(now, stamp));
        EXPECT_FALSE(os::StillValid(settled, now));
    }
}
