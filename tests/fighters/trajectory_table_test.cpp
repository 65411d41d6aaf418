// The trajectory table: its file read field by field with every damage refused and the file left
// as it was, the writer's bytes, building by game kind at match start, the nearest point and the
// statistics file. Paths are searched on a one-row corridor, where every path is the straight row.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/binary_reader.h"
#include "core/clocks.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/movement.h"
#include "fighters/trajectory.h"
#include "net/session.h"
#include "platform/os/path.h"
#include "support/fighter_kit.h"
#include "support/pack_writer.h"
#include "support/path_map_builder.h"
#include "support/temp_dir.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace fs = std::filesystem;
using testsupport::PathMapBuilder;
using testsupport::Recorder;

namespace {

constexpr const char* kName = "Modelos\\Escenarios\\Escenario01\\TPC01G05.dat";
constexpr const char* kLoose = "Modelos/Escenarios/Escenario01/TPC01G05.dat";
using Points = std::vector<CellRef>;

CellRef At(int32_t x) { return CellRef{x, 0, 0}; }
// The row from one x to another, both included, in walking order.
Points Row(int32_t from, int32_t to) {
    Points p;
    for (int32_t x = from;; x += from < to ? 1 : -1) {
        p.push_back(At(x));
        if (x == to) break;
    }
    return p;
}

// A trajectory file by the layout: magic, N, then per trajectory its count and its points.
std::vector<uint8_t> FileBytes(const std::vector<Points>& trajectories) {
    BinaryWriter out;
    out.PutBytes("QTX BRMV TPCDAT v1.0", 20);
    out.PutU32(uint32_t(trajectories.size()));
    for (const Points& t : trajectories) {
        out.PutU32(uint32_t(t.size()));
        for (const CellRef& c : t) {
            out.PutI32(c.x);
            out.PutI32(c.z);
            out.PutI32(c.layer);
        }
    }
    return out.Data();
}

class TrajectoryTableTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    TrajectoryTable& table = g_TrajectoryTable;

    void SetUp() override {
        ResetCharacters();
        ResetMatch();
        ResetTrajectoryTable();
        ResetPathSearchStats();
        ResetPackFiles();
        g_Settings.Clear();
        g_Scenario.number = 1;
        g_Match.gameKind = 5;
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = 50000;
        // A corridor of 12 cells along x.
        PathMapBuilder(12, 1).Area(0, 0, 11, 0, 0.0f).Build(&g_Scenario.pathMap);
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
    }
    void TearDown() override {
        testsupport::RemoveFighterRecorders();
        os::SetWriteLimitForTests(-1);
        ResetMatch();
        ResetTrajectoryTable();
        ResetCharacters();
        ResetScenario();
        ResetPathSearch();
        ResetPathSearchStats();
        ResetPackFiles();
        g_Settings.Clear();
        g_NetSession = NetSession();
        g_Clocks = ClockSet();
    }

    static Character& Fighter(int slot, int side, int32_t x) {
        Character& c = g_Characters[slot];
        c.active = 1;
        c.slot = slot;
        c.side = side;
        c.currentCell = At(x);
        return c;
    }
    void Store(const std::vector<uint8_t>& bytes, const char* path = kLoose) const {
        dir.Write(path, std::string(bytes.begin(), bytes.end()));
    }
    std::vector<uint8_t> Stored(const char* path = kLoose) const {
        const std::string s = dir.Read(path);
        return std::vector<uint8_t>(s.begin(), s.end());
    }
    std::vector<Points> Table() const {
        std::vector<Points> out;
        for (uint32_t i = 0; i < table.count; ++i)
            out.emplace_back(table.entries[i].points.get(), table.entries[i].points.get() + table.entries[i].n);
        return out;
    }
    bool Empty() const {
        if (table.count != 0) return false;
        for (const Trajectory& t : table.entries)
            if (t.n != 0 || t.points) return false;
        return true;
    }
};

TEST_F(TrajectoryTableTest, AWrittenTableHasTheFileLayoutAndReadsBackTheSame) {
    ASSERT_TRUE(table.Add(At(1), At(3)));
    ASSERT_TRUE(table.Add(At(9), At(6)));
    ASSERT_TRUE(table.Write(kName));
    const std::vector<uint8_t> bytes = Stored();
    ASSERT_EQ(bytes.size(), 24u + 4 + 3 * 12 + 4 + 4 * 12);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 20), "QTX BRMV TPCDAT v1.0");
    EXPECT_EQ(bytes, FileBytes({Row(1, 3), Row(9, 6)}));

    table.Clear();
    ASSERT_TRUE(table.Read(kName));
    EXPECT_EQ(Table(), (std::vector<Points>{Row(1, 3), Row(9, 6)}));

    // No trajectories at all is a table too.
    Store(FileBytes({}));
    EXPECT_TRUE(table.Read(kName));
    EXPECT_TRUE(Empty());
}

TEST_F(TrajectoryTableTest, EveryDamagedFileIsRefusedWholeNotBuiltOverAndLeftAsItWas) {
    // Fighters that would give two trajectories if the table were built.
    Fighter(0, 0, 1);
    Fighter(1, 1, 8);
    const std::vector<uint8_t> good = FileBytes({Row(1, 2), Row(5, 5)});
    auto with = [](std::vector<uint8_t> b, size_t at, uint8_t v) {
        b[at] = v;
        return b;
    };
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"wrong magic", with(good, 4, 'b')},
        {"151 declared", with(good, 20, 151)},
        {"an empty trajectory", FileBytes({Row(1, 2), {}})},
        {"more points than a path holds", FileBytes({Points(1501, At(1))})},
        {"x past the grid", FileBytes({{At(1), At(12)}})},
        {"negative z", FileBytes({{CellRef{1, -1, 0}}})},
        {"layer past the cell's layers", FileBytes({{CellRef{1, 0, 1}}})},
        {"negative layer", FileBytes({{CellRef{1, 0, -1}}})},
        {"a count far past the data", with(good, 24, 0xff)},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Store(t.bytes);
        table.LoadOrBuild();
        EXPECT_TRUE(Empty());
        EXPECT_EQ(Stored(), t.bytes);
    }
    for (size_t size = 0; size < good.size(); ++size) {
        SCOPED_TRACE("cut to " + std::to_string(size));
        const std::vector<uint8_t> cut(good.begin(), good.begin() + long(size));
        Store(cut);
        table.LoadOrBuild();
        EXPECT_TRUE(Empty());
        EXPECT_EQ(Stored(), cut);
    }
    // The same file whole is read.
    Store(good);
    table.LoadOrBuild();
    EXPECT_EQ(Table(), (std::vector<Points>{Row(1, 2), Row(5, 5)}));
}

TEST_F(TrajectoryTableTest, APackedFileIsReadButNeverPastItsEntry) {
    constexpr const char* kPacked = "MODELOS\\ESCENARIOS\\ESCENARIO01\\TPC01G05.DAT";
    std::vector<uint8_t> shortEntry = FileBytes({Row(1, 2)});
    shortEntry.resize(shortEntry.size() - 12);
    // What follows the entry in the pack would complete its second point.
    BinaryWriter next;
    next.PutI32(2);
    next.PutI32(0);
    next.PutI32(0);
    const struct {
        const char* name;
        std::vector<uint8_t> entry;
        bool read;
    } cases[] = {
        {"a whole entry", FileBytes({Row(4, 7)}), true},
        {"an entry one point short", shortEntry, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        testsupport::PackWriter pack;
        pack.dummyFirst = true;
        pack.Add(kPacked, t.entry);
        pack.Add("ZZZ.BIN", next.Data());
        ASSERT_TRUE(pack.WriteTo((dir.path() / "MODELOS.DAT").string()));
        ResetPackFiles();
        table.LoadOrBuild();
        EXPECT_EQ(table.count, t.read ? 1u : 0u);
        EXPECT_FALSE(fs::exists(dir.path() / "Modelos")) << "nothing built, nothing written";
    }
    EXPECT_EQ(Table(), std::vector<Points>{});
}

TEST_F(TrajectoryTableTest, AFailedWriteLeavesTheOldFile) {
    ASSERT_TRUE(table.Add(At(1), At(3)));
    const std::vector<uint8_t> old = FileBytes({Row(5, 5)});
    Store(old);
    os::SetWriteLimitForTests(30);
    EXPECT_FALSE(table.Write(kName));
    os::SetWriteLimitForTests(-1);
    EXPECT_EQ(Stored(), old);
    EXPECT_TRUE(table.Write(kName));
    EXPECT_EQ(Stored(), FileBytes({Row(1, 3)}));
}

TEST_F(TrajectoryTableTest, KindsBuildBetweenThePedestalsOrTheEnemiesAndTheRestBuildNothing) {
    // Two fighters of different sides, a third of side 1 and an inactive one of side 0.
    Fighter(0, 0, 1);
    Fighter(1, 1, 4);
    Fighter(2, 1, 6);
    Fighter(3, 0, 10).active = 0;
    const struct {
        const char* name;
        int kind;
        Vec3 pedestals[2];
        std::vector<Points> built;
    } cases[] = {
        {"each end a unit toward the other", 0, {{1.5f, 0.0f, 0.5f}, {8.5f, 0.0f, 0.5f}}, {Row(2, 7), Row(7, 2)}},
        // From a cell back to itself the search steps out to the first neighbour and back.
        {"coinciding pedestals", 0, {{5.5f, 0.0f, 0.5f}, {5.5f, 0.0f, 0.5f}}, {{At(5), At(6), At(5)}, {At(5), At(6), At(5)}}},
        {"search", 3, {}, {Row(1, 4), Row(1, 6), Row(4, 1), Row(6, 1)}},
        {"curse", 4, {}, {Row(1, 4), Row(1, 6), Row(4, 1), Row(6, 1)}},
        {"annihilation", 5, {}, {Row(1, 4), Row(1, 6), Row(4, 1), Row(6, 1)}},
        {"obstacle race", 1, {}, {}},
        {"greed", 2, {}, {}},
        {"each for himself", 6, {}, {}},
        {"greed each for himself", 7, {}, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        fs::remove_all(dir.path() / "Modelos");
        ResetPackFiles();
        g_Match.gameKind = t.kind;
        g_Match.symbols[0].pedestalPosition = t.pedestals[0];
        g_Match.symbols[1].pedestalPosition = t.pedestals[1];
        table.LoadOrBuild();
        EXPECT_EQ(Table(), t.built);
        char name[64];
        std::snprintf(name, sizeof name, "Modelos/Escenarios/Escenario01/TPC01G%02d.dat", t.kind);
        EXPECT_EQ(fs::exists(dir.path() / name), !t.built.empty());
        if (!t.built.empty()) {
            EXPECT_EQ(Stored(name), FileBytes(t.built));
        }
    }
}

TEST_F(TrajectoryTableTest, TheLocalFighterLendsItsPathBlockAndGetsItsCellBack) {
    Character& local = Fighter(0, 0, 2);
    local.pathLength = 7;
    Recorder().local = &local;
    // Its own cell as the goal is the cell it stands on, not the start it is lent.
    ASSERT_TRUE(table.Add(At(8), local.currentCell));
    EXPECT_EQ(Table(), std::vector<Points>{Row(8, 2)});
    EXPECT_EQ(local.currentCell, At(2));
    EXPECT_EQ(local.pathLength, 0);
    // No path: nothing stored, the cell still restored.
    PathMapBuilder(12, 1).Area(0, 0, 4, 0, 0.0f).Area(7, 0, 11, 0, 0.0f).Build(&g_Scenario.pathMap);
    EXPECT_FALSE(table.Add(At(1), At(9)));
    EXPECT_EQ(table.count, 1u);
    EXPECT_EQ(local.currentCell, At(2));
}

TEST_F(TrajectoryTableTest, AFullTableTakesNoMore) {
    for (uint32_t i = 0; i < TRAJECTORY_MAX; ++i) ASSERT_TRUE(table.Add(At(1), At(2)));
    EXPECT_FALSE(table.Add(At(1), At(2)));
    EXPECT_EQ(table.count, TRAJECTORY_MAX);
}

TEST_F(TrajectoryTableTest, ScenarioFourAddsFarRandomPairsBothWaysOrGivesUpOnASmallMap) {
    g_Scenario.number = 4;
    g_Match.gameKind = 5;
    Character& local = Fighter(0, 0, 1);
    Fighter(1, 1, 3);
    Recorder().local = &local;
    {
        SCOPED_TRACE("no two cells 100 apart");
        table.LoadOrBuild();
        EXPECT_EQ(Table(), (std::vector<Points>{Row(1, 3), Row(3, 1)}));
    }
    {
        // From any cell some other lies 100 away.
        SCOPED_TRACE("a corridor of 250 cells");
        PathMapBuilder(250, 1).Area(0, 0, 249, 0, 0.0f).Build(&g_Scenario.pathMap);
        fs::remove_all(dir.path() / "Modelos");
        ResetPackFiles();
        table.LoadOrBuild();
        ASSERT_EQ(table.count, 2u + 100u);
        const std::vector<Points> all = Table();
        for (size_t i = 2; i < all.size(); i += 2) {
            SCOPED_TRACE(i);
            const Points& there = all[i];
            const Points back(all[i + 1].rbegin(), all[i + 1].rend());
            EXPECT_EQ(there, back);
            EXPECT_GE(std::abs(there.back().x - there.front().x), 100);
        }
    }
}

TEST_F(TrajectoryTableTest, TheNearestPointIsTheEarlierOnEqualDistances) {
    PathMapBuilder(6, 2).Area(0, 0, 5, 0, 0.0f).Floor(5, 1, 3.0f).Build(&g_Scenario.pathMap);
    Store(FileBytes({{At(0), At(2), At(4)}, {At(2), At(0)}, {At(1), {5, 1, 0}, At(5)}}));
    ASSERT_TRUE(table.Read(kName));
    const struct {
        const char* name;
        uint32_t trajectory;
        Vec3 point;
        int32_t nearest;
    } cases[] = {
        {"halfway between the first two", 0, {1.5f, 0.0f, 0.5f}, 0},
        {"halfway between the last two", 0, {3.5f, 0.0f, 0.5f}, 1},
        {"halfway, the order reversed", 1, {1.5f, 0.0f, 0.5f}, 0},
        {"nearer the later", 0, {3.6f, 0.0f, 0.5f}, 2},
        {"heights count: the raised cell is farther", 2, {5.5f, 0.0f, 1.0f}, 2},
        {"no such trajectory", 3, {0.5f, 0.0f, 0.5f}, -1},
        {"past the table", TRAJECTORY_MAX, {0.5f, 0.0f, 0.5f}, -1},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(table.FindNearest(t.trajectory, t.point.x, t.point.y, t.point.z), t.nearest);
    }
}

TEST_F(TrajectoryTableTest, TheStatisticsFileHasItsNineLinesByteForByte) {
    g_Scenario.number = 3;
    g_Match.gameKind = 5;
    PathSearchStats& s = g_PathSearchStats;
    const uint32_t counts[] = {4, 0, 17, 1, 2};
    const uint32_t means[] = {12, 0, 250, 3000000000u, 7};
    for (int i = 0; i < PATH_BAND_COUNT; ++i) {
        s.count[i] = counts[i];
        s.meanMs[i] = means[i];
    }
    s.lastFailedGoal = {7, 8, 1};
    table.WriteStats();
    EXPECT_EQ(dir.Read("Modelos/Escenarios/Escenario03/DataTray03G05.txt"),
              " Escenario 3\n"
              "--------------\n\n"
              "Path: Modelos\\Escenarios\\Escenario03\\DataTray03G05.txt\n\n"
              "Tray cortas (<50m): 4 (12msg)\n"
              "Tray medias (<150m): 0 (0msg)\n"
              "Tray largas (<500m): 17 (250msg)\n"
              "Tray muy largas: 1 (3000000000msg)\n"
              "Tray no encontradas: 2 (7msg)\n"
              "(7,8,1)\n");
}

class TrajectoryMatchTest : public TrajectoryTableTest {};

TEST_F(TrajectoryMatchTest, ABuiltTableIsWrittenOnceAndReadByTheNextMatch) {
    Fighter(0, 0, 1);
    Character& enemy = Fighter(1, 1, 4);
    g_Match.Setup(5, 0);
    g_Match.Start();
    const std::vector<Points> built{Row(1, 4), Row(4, 1)};
    EXPECT_EQ(Table(), built);
    EXPECT_EQ(Stored(), FileBytes(built));

    g_Match.Release();
    EXPECT_TRUE(Empty());
    // Built again the table would differ: it comes from the file.
    enemy.currentCell = At(9);
    g_Match.Setup(5, 0);
    g_Match.Start();
    EXPECT_EQ(Table(), built);
    EXPECT_EQ(Stored(), FileBytes(built));
}

TEST_F(TrajectoryMatchTest, NetworkGamesOtherModesAndARefusedFileRunWithoutTrajectories) {
    Fighter(0, 0, 1);
    Fighter(1, 1, 4);
    std::vector<uint8_t> badMagic = FileBytes({Row(1, 2)});
    badMagic[0] = 'q';
    const struct {
        const char* name;
        bool network;
        int mode;
        bool stored;
    } cases[] = {
        {"a network game", true, 0, false},
        {"the element-map editor", false, 3, false},
        {"a file with a wrong magic", false, 0, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        fs::remove_all(dir.path() / "Modelos");
        ResetPackFiles();
        if (t.stored) Store(badMagic);
        g_NetSession.active = t.network ? 1 : 0;
        g_Settings.mode = t.mode;
        g_Match.Setup(5, 0);
        g_Match.Start();
        EXPECT_TRUE(Empty());
        if (t.stored) {
            EXPECT_EQ(Stored(), badMagic);
        } else {
            EXPECT_FALSE(fs::exists(dir.path() / "Modelos"));
        }
        g_Match.Release();
    }
}

TEST_F(TrajectoryMatchTest, TestModeWritesTheStatisticsOnceTheEndIsTenSecondsPast) {
    g_Settings.test = 1;
    g_Match.Setup(5, 0);
    g_Match.state = MATCH_WON;
    const char* stats = "Modelos/Escenarios/Escenario01/DataTray01G05.txt";
    for (uint32_t past : {10000u, 10001u}) {
        SCOPED_TRACE(past);
        g_Match.stateTime = 50000 - past;
        g_Match.Update();
        EXPECT_EQ(fs::exists(dir.path() / stats), past > 10000);
    }
}

}  // namespace
