// The real program started on a copy of the demo data with one thing damaged, without its menu
// unless a case turns it on: each case must say what is wrong on the standard error, naming the
// file, and end with a failing code within seconds instead of waiting on the loading picture or
// on a menu that cannot be used. Headless (the offscreen driver), so no message box waits for a
// click.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "datakit/element_kit.h"
#include "support/demo_data_folder.h"
#include "support/game_window.h"
#include "support/real_program.h"
#include "support/temp_dir.h"
#include "world/element_map.h"

namespace fs = std::filesystem;

namespace {

using namespace testsupport;

constexpr int kEndWithinMs = 15000;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    fs::remove(path);
    std::ofstream(path, std::ios::binary) << bytes;
}

// Where a pack's data start: after its header and its directory of {offset, size, unused, name}.
size_t DirectoryEnd(const std::string& pack) {
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(pack[at + size_t(i)])) << (8 * i);
        return v;
    };
    size_t at = 16;
    for (uint32_t i = 0, count = u32(12); i < count; ++i) at = pack.find('\0', at + 12) + 1;
    return at;
}

struct BadData {
    const char* what;
    std::vector<std::pair<std::string, int>> settings;   // over the demo's, after the common ones
    std::function<void(const fs::path& folder, const fs::path& demo)> damage;
    int exitCode;                      // -1: the program goes on (the pack is only told)
    std::vector<std::string> told;     // each must be on the standard error
};

class BadDataTest : public ::testing::Test {
protected:
    // Runs one case in a fresh folder; the output on failure, and in `printed` when asked for.
    void Run(const BadData& c, std::string* printed = nullptr) {
        SCOPED_TRACE(c.what);
        const fs::path& demo = DemoDataFolder(BRIMVALE_DATA_TOOL);
        if (demo.empty()) GTEST_SKIP() << "no demo data";
        ScopedWorkDir dir;
        LinkDataFolder(demo, dir.path());
        std::string ini = ReadAll(demo / "Brimvale.ini");
        for (const auto& [key, value] : std::vector<std::pair<std::string, int>>{
                 {"MENU", 0}, {"PRUEBAS", 1}, {"SONIDO", 0}, {"MUSICA", 0}, {"FULL_SCREEN", 0}})
            SetSettingsKey(&ini, key, value);
        for (const auto& [key, value] : c.settings) SetSettingsKey(&ini, key, value);
        WriteAll(dir.path() / "Brimvale.ini", ini);
        if (c.damage) c.damage(dir.path(), demo);

        const fs::path log = dir.path() / "output.txt";
        ChildProcess game;
        ASSERT_TRUE(game.Start({BRIMVALE_GAME}, {"SDL_VIDEODRIVER=offscreen", "ALSOFT_DRIVERS=null", "DISPLAY="},
                               dir.path(), log));
        int code = -1;
        std::string output;
        for (int waited = 0; waited < kEndWithinMs; waited += 100) {
            code = game.Wait(100);
            output = ReadAll(log);
            bool all = true;
            for (const std::string& t : c.told) all = all && output.find(t) != std::string::npos;
            if (code != -1 || (c.exitCode == -1 && all)) break;
        }
        if (c.exitCode == -1) {
            EXPECT_EQ(code, -1) << "a missing texture pack is told, and the match goes on";
            game.Stop();
        } else {
            EXPECT_EQ(code, c.exitCode) << (code == -1 ? "still running after 15 s" : "") << "\n" << output;
        }
        for (const std::string& t : c.told) EXPECT_NE(output.find(t), std::string::npos) << t << "\n" << output;
        if (printed) *printed = output;
    }
};

void Replace(const fs::path& folder, const char* name, const std::function<std::string(std::string)>& change,
             const fs::path& demo) {
    WriteAll(folder / name, change(ReadAll(demo / name)));
}

TEST_F(BadDataTest, AMissingOrDamagedModelPackIsToldAndTheProgramEnds) {
    Run({"MODELOS.DAT missing", {}, [](const fs::path& f, const fs::path&) { fs::remove(f / "MODELOS.DAT"); }, 1,
         {"The data file MODELOS.DAT is missing", "could not be loaded"}});
    Run({"MODELOS.DAT cut to half",
         {},
         [](const fs::path& f, const fs::path& demo) {
             Replace(f, "MODELOS.DAT", [](std::string s) { return s.substr(0, s.size() / 2); }, demo);
         },
         1,
         {"The data file MODELOS.DAT is damaged: it is cut short", "could not be loaded"}});
    // Garbage over every model's data: the directory is whole, the files in it are not.
    Run({"MODELOS.DAT with garbage blocks",
         {},
         [](const fs::path& f, const fs::path& demo) {
             Replace(f, "MODELOS.DAT",
                     [](std::string s) {
                         uint32_t noise = 12345;
                         for (size_t block = DirectoryEnd(s); block < s.size(); block += 16384)
                             for (size_t i = block; i < block + 4096 && i < s.size(); ++i) {
                                 noise = noise * 1103515245u + 12345u;
                                 s[i] = char(noise >> 24);
                             }
                         return s;
                     },
                     demo);
         },
         1,
         {"could not be loaded: Modelos\\"}});
}

TEST_F(BadDataTest, AMissingOrOverwrittenTexturePackIsTold) {
    Run({"TEXTURAS.DAT missing", {}, [](const fs::path& f, const fs::path&) { fs::remove(f / "TEXTURAS.DAT"); }, -1,
         {"The data file TEXTURAS.DAT is missing or cannot be read"}});
    Run({"TEXTURAS.DAT overwritten",
         {},
         [](const fs::path& f, const fs::path&) { WriteAll(f / "TEXTURAS.DAT", std::string(100000, 'x')); },
         -1,
         {"The data file TEXTURAS.DAT is damaged: it is not a data pack"}});
}

// The menu's texts and pictures come from TEXTURAS.DAT: without them it would be a black window
// with no button to leave by.
TEST_F(BadDataTest, AMenuWithoutItsTextsAndPicturesIsToldAndTheProgramEnds) {
    const std::string menu =
        "The menu cannot open without its texts (textos.txt) and its pictures (Texturas\\Interfaz\\Menu\\), "
        "which could not be loaded: the game ends.";
    // As a new player tries it: no settings file either, so every setting is the built-in one.
    Run({"an empty folder",
         {},
         [](const fs::path& f, const fs::path&) {
             for (const fs::directory_entry& e : fs::directory_iterator(f)) fs::remove_all(e.path());
         },
         1,
         {"The data file TEXTURAS.DAT is missing or cannot be read", menu}});
    Run({"TEXTURAS.DAT missing under the menu",
         {{"MENU", 1}},
         [](const fs::path& f, const fs::path&) { fs::remove(f / "TEXTURAS.DAT"); },
         1,
         {"The data file TEXTURAS.DAT is missing or cannot be read", menu}});
    Run({"TEXTURAS.DAT overwritten under the menu",
         {{"MENU", 1}},
         [](const fs::path& f, const fs::path&) { WriteAll(f / "TEXTURAS.DAT", std::string(100000, 'x')); },
         1,
         {"The data file TEXTURAS.DAT is damaged: it is not a data pack", menu}});
}

TEST_F(BadDataTest, AGameKindOrScenarioThatDoesNotExistIsRefused) {
    Run({"K_GAME = 42", {{"K_GAME", 42}}, nullptr, 1, {"There is no game kind 42 (K_GAME in Brimvale.ini)"}});
    Run({"ID_ESCENARIO = 77", {{"ID_ESCENARIO", 77}}, nullptr, 1,
         {"Scenario 77 could not be loaded: Modelos\\Escenarios\\Escenario77\\Escenario77.y3d"}});
}

// The demo's scenario 13 given an element map whose fighter starts are all of side `side`, on
// the demo's west ground, loose beside the packs so that it is read before the packed map.
void PlaceOnlySide(const fs::path& folder, uint32_t side) {
    std::vector<datakit::ElementBytes> starts;
    for (int i = 0; i < 4; ++i) {
        datakit::ElementBytes e;
        e.gameKind = ELEMENT_COMMON;
        e.elementKind = ELEMENT_FIGHTER;
        e.subtype = side;
        e.position = {14.5f, 0.0f, 15.5f + 3.0f * float(i)};
        e.cell = CellRef{14, int32_t(e.position.z), 0};
        e.block[1] = 1.5707964f;
        starts.push_back(e);
    }
    const std::vector<uint8_t> bytes = datakit::ElementFileBytes(ELEMENT_FILE_VERSION, 0, starts);
    const fs::path file = folder / datakit::ScenarioElementPath(13);
    fs::create_directories(file.parent_path());
    WriteAll(file, std::string(bytes.begin(), bytes.end()));
}

TEST_F(BadDataTest, AMatchWithoutAFighterOfTheLocalSideIsRefusedAsSuch) {
    for (int local : {0, 1}) {
        const std::string told = "No fighter of side " + std::to_string(local) +
                                 " is placed for game kind 5 in Modelos\\Escenarios\\Escenario13\\Escenario13.dat: "
                                 "the match cannot start.";
        std::string output;
        Run({local == 0 ? "only Voraks placed" : "only Orlins placed",
             {{"ID_ESCENARIO", 13}, {"K_GAME", 5}, {"TIPO_PERSONAJE", local}},
             [local](const fs::path& f, const fs::path&) { PlaceOnlySide(f, uint32_t(1 - local)); },
             1,
             {told}},
            &output);
        if (HasFatalFailure() || IsSkipped()) return;
        // Not mistaken for a scenario or model that failed to load.
        EXPECT_EQ(output.find("could not be loaded"), std::string::npos) << output;
    }
}

TEST_F(BadDataTest, AnEmptyOrDamagedSettingsFileIsToldAsSuch) {
    const int failed = 255;   // the start-up's -1
    Run({"Brimvale.ini empty", {}, [](const fs::path& f, const fs::path&) { WriteAll(f / "Brimvale.ini", ""); },
         failed, {"The settings file Brimvale.ini is empty"}});
    Run({"Brimvale.ini damaged",
         {},
         [](const fs::path& f, const fs::path&) { WriteAll(f / "Brimvale.ini", "\x01\x02 garbage =\n=\x7f"); },
         failed,
         {"The settings file Brimvale.ini is damaged or incomplete: MODO"}});
}

}  // namespace
