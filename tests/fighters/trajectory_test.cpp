// The trajectory table and routes through it, on path maps built in memory: the file read field by
// field with every damage refused and left as it was, building by game kind, the nearest point,
// the statistics file, the trajectory a route follows and the route joined from its three legs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/binary_reader.h"
#include "common/math.h"
#include "core/clocks.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/movement.h"
#include "fighters/route_planning.h"
#include "fighters/trajectory.h"
#include "net/session.h"
#include "platform/os/path.h"
#include "support/fighter_kit.h"
#include "datakit/pack_writer.h"
#include "support/path_map_builder.h"
#include "support/temp_dir.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace fs = std::filesystem;
using testsupport::PathMapBuilder;

namespace {

constexpr const char* kName = "Modelos\\Escenarios\\Escenario01\\TPC01G05.dat";
constexpr const char* kLoose = "Modelos/Escenarios/Escenario01/TPC01G05.dat";
constexpr uint32_t kNow = 100000;
using Points = std::vector<CellRef>;

CellRef At(int32_t x, int32_t z = 0) { return CellRef{x, z, 0}; }
// Row z from one x to another, both included, in walking order.
Points Row(int32_t z, int32_t from, int32_t to) {
    Points p;
    for (int32_t x = from;; x += from < to ? 1 : -1) {
        p.push_back(At(x, z));
        if (x == to) break;
    }
    return p;
}
Points Join(std::initializer_list<Points> parts) {
    Points out;
    for (const Points& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
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

class TrajectoryTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    TrajectoryTable& table = g_TrajectoryTable;
    PathMap& map = g_Scenario.pathMap;
    Character& c = g_Characters[0];

    void SetUp() override {
        Reset();
        g_Scenario.number = 1;
        g_Match.gameKind = 5;
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = kNow;
        testsupport::InstallFighterRecorders();
        // A corridor of 12 cells along x, where every path is the straight row.
        PathMapBuilder(12, 1).Area(0, 0, 11, 0, 0.0f).Build(&map);
    }
    void TearDown() override {
        testsupport::RemoveFighterRecorders();
        os::SetWriteLimitForTests(-1);
        Reset();
        g_Clocks = ClockSet();
    }
    static void Reset() {
        ResetMatch();
        ResetTrajectoryTable();
        ResetRouteBuffer();
        ResetCharacters();
        ResetScenario();
        ResetPathSearch();
        ResetPathSearchStats();
        ResetPackFiles();
        g_Settings.Clear();
        testsupport::Recorder().Clear();
    }

    static Character& Fighter(int slot, int side, const CellRef& cell) {
        Character& f = g_Characters[slot];
        f.active = 1;
        f.slot = slot;
        f.side = side;
        f.currentCell = cell;
        return f;
    }
    void Place(const CellRef& cell) {
        c = Character();
        c.currentCell = cell;
        map.CellToWorld(&c.position, cell);
    }
    void Store(const std::vector<uint8_t>& bytes, const char* path = kLoose) const {
        dir.Write(path, std::string(bytes.begin(), bytes.end()));
    }
    std::vector<uint8_t> Stored(const char* path = kLoose) const {
        const std::string s = dir.Read(path);
        return std::vector<uint8_t>(s.begin(), s.end());
    }
    void Unstore() const {
        fs::remove_all(dir.path() / "Modelos");
        ResetPackFiles();
    }
    std::vector<Points> Table() const {
        std::vector<Points> out;
        for (uint32_t i = 0; i < table.count; ++i)
            out.emplace_back(table.entries[i].points.get(), table.entries[i].points.get() + table.entries[i].n);
        return out;
    }
    bool Empty() const {
        for (const Trajectory& t : table.entries)
            if (t.n != 0 || t.points) return false;
        return table.count == 0;
    }
    void SetTable(const std::vector<Points>& trajectories) {
        table.Clear();
        for (const Points& t : trajectories) {
            Trajectory& e = table.entries[table.count++];
            e.n = uint32_t(t.size());
            e.points.reset(new CellRef[t.size()]);
            std::copy(t.begin(), t.end(), e.points.get());
        }
    }
    // What a failed route leaves: no path taken up, a plain request for the goal waiting.
    void ExpectPlainRequest(const CellRef& goal) const {
        EXPECT_EQ(c.following, 0);
        EXPECT_EQ(c.pathRequested, 1);
        EXPECT_EQ(c.requestedGoalCell, goal);
    }
};

TEST_F(TrajectoryTest, AWrittenTableHasTheFileLayoutReadsBackTheSameAndAFailedWriteKeepsTheOldFile) {
    ASSERT_TRUE(table.Add(At(1), At(3)));
    ASSERT_TRUE(table.Add(At(9), At(6)));
    const std::vector<uint8_t> old = FileBytes({Row(0, 5, 5)});
    Store(old);
    os::SetWriteLimitForTests(30);
    EXPECT_FALSE(table.Write(kName));
    os::SetWriteLimitForTests(-1);
    EXPECT_EQ(Stored(), old);

    ASSERT_TRUE(table.Write(kName));
    EXPECT_EQ(Stored().size(), 24u + 4 + 3 * 12 + 4 + 4 * 12);
    EXPECT_EQ(Stored(), FileBytes({Row(0, 1, 3), Row(0, 9, 6)}));
    table.Clear();
    ASSERT_TRUE(table.Read(kName));
    EXPECT_EQ(Table(), (std::vector<Points>{Row(0, 1, 3), Row(0, 9, 6)}));
    // No trajectories at all is a table too.
    Store(FileBytes({}));
    EXPECT_TRUE(table.Read(kName));
    EXPECT_TRUE(Empty());
}

TEST_F(TrajectoryTest, EveryDamagedFileIsRefusedWholeNotBuiltOverAndLeftAsItWas) {
    // Fighters that would give two trajectories if the table were built.
    Fighter(0, 0, At(1));
    Fighter(1, 1, At(8));
    const std::vector<uint8_t> good = FileBytes({Row(0, 1, 2), Row(0, 5, 5)});
    auto with = [](std::vector<uint8_t> b, size_t at, uint8_t v) {
        b[at] = v;
        return b;
    };
    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
        {"wrong magic", with(good, 4, 'b')},
        {"151 declared", with(good, 20, 151)},
        {"an empty trajectory", FileBytes({Row(0, 1, 2), {}})},
        {"more points than a path holds", FileBytes({Points(1501, At(1))})},
        {"a count past the data", with(good, 24, 0xff)},
        {"x past the grid", FileBytes({{At(1), At(12)}})},
        {"negative z", FileBytes({{At(1, -1)}})},
        {"a layer past the cell's layers", FileBytes({{CellRef{1, 0, 1}}})},
        {"a negative layer", FileBytes({{CellRef{1, 0, -1}}})},
    };
    for (size_t size = 0; size < good.size(); ++size)
        cases.push_back({"cut to " + std::to_string(size), std::vector<uint8_t>(good.begin(), good.begin() + long(size))});
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        Store(bytes);
        table.LoadOrBuild();
        EXPECT_TRUE(Empty());
        EXPECT_EQ(Stored(), bytes);
    }
    Store(good);
    table.LoadOrBuild();
    EXPECT_EQ(Table(), (std::vector<Points>{Row(0, 1, 2), Row(0, 5, 5)}));
}

TEST_F(TrajectoryTest, APackedFileIsReadButNeverPastItsEntry) {
    std::vector<uint8_t> shortEntry = FileBytes({Row(0, 1, 2)});
    shortEntry.resize(shortEntry.size() - 12);
    // What follows in the pack would complete the short entry's second point.
    const std::vector<uint8_t> next = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const auto& [entry, read] : {std::pair{FileBytes({Row(0, 4, 7)}), 1u}, std::pair{shortEntry, 0u}}) {
        SCOPED_TRACE(read);
        datakit::PackWriter pack;
        pack.dummyFirst = true;
        pack.Add("MODELOS\\ESCENARIOS\\ESCENARIO01\\TPC01G05.DAT", entry);
        pack.Add("ZZZ.BIN", next);
        ASSERT_TRUE(pack.WriteTo((dir.path() / "MODELOS.DAT").string()));
        ResetPackFiles();
        table.LoadOrBuild();
        EXPECT_EQ(table.count, read);
        EXPECT_FALSE(fs::exists(dir.path() / "Modelos")) << "nothing built, nothing written";
    }
}

TEST_F(TrajectoryTest, KindsBuildBetweenThePedestalsOrTheEnemiesAndTheRestBuildNothing) {
    // Two fighters of different sides, a third of side 1, an inactive one of side 0.
    Fighter(0, 0, At(1));
    Fighter(1, 1, At(4));
    Fighter(2, 1, At(6));
    Fighter(3, 0, At(10)).active = 0;
    const std::vector<Points> enemies{Row(0, 1, 4), Row(0, 1, 6), Row(0, 4, 1), Row(0, 6, 1)};
    const struct {
        int kind;
        float pedestals[2];
        std::vector<Points> built;
    } cases[] = {
        {0, {1.5f, 8.5f}, {Row(0, 2, 7), Row(0, 7, 2)}},   // each end a unit toward the other
        // Coinciding: from a cell back to itself the search steps out to a neighbour and back.
        {0, {5.5f, 5.5f}, {{At(5), At(6), At(5)}, {At(5), At(6), At(5)}}},
        {3, {}, enemies}, {4, {}, enemies}, {5, {}, enemies},
        {1, {}, {}}, {2, {}, {}}, {6, {}, {}}, {7, {}, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.kind);
        Unstore();
        g_Match.gameKind = t.kind;
        g_Match.symbols[0].pedestalPosition = Vec3{t.pedestals[0], 0.0f, 0.5f};
        g_Match.symbols[1].pedestalPosition = Vec3{t.pedestals[1], 0.0f, 0.5f};
        table.LoadOrBuild();
        EXPECT_EQ(Table(), t.built);
        const std::string name = "Modelos/Escenarios/Escenario01/TPC01G0" + std::to_string(t.kind) + ".dat";
        EXPECT_EQ(fs::exists(dir.path() / name), !t.built.empty());
        if (!t.built.empty()) {
            EXPECT_EQ(Stored(name.c_str()), FileBytes(t.built));
        }
    }
}

TEST_F(TrajectoryTest, TheLocalFighterLendsItsPathBlockAndGetsItsCellBack) {
    Character& local = Fighter(0, 0, At(2));
    local.pathLength = 7;
    testsupport::Recorder().local = &local;
    // Its own cell as the goal is the cell it stands on, not the start it is lent.
    ASSERT_TRUE(table.Add(At(8), local.currentCell));
    EXPECT_EQ(Table(), std::vector<Points>{Row(0, 8, 2)});
    EXPECT_EQ(local.currentCell, At(2));
    EXPECT_EQ(local.pathLength, 0);
    PathMapBuilder(12, 1).Area(0, 0, 4, 0, 0.0f).Area(7, 0, 11, 0, 0.0f).Build(&map);
    EXPECT_FALSE(table.Add(At(1), At(9))) << "no path";
    EXPECT_EQ(local.currentCell, At(2));
    for (uint32_t i = table.count; i < TRAJECTORY_MAX; ++i) ASSERT_TRUE(table.Add(At(1), At(2)));
    EXPECT_FALSE(table.Add(At(1), At(2))) << "a full table";
}

TEST_F(TrajectoryTest, ScenarioFourAddsFarRandomPairsBothWaysOrGivesUpOnASmallMap) {
    g_Scenario.number = 4;
    testsupport::Recorder().local = &Fighter(0, 0, At(1));
    Fighter(1, 1, At(3));
    table.LoadOrBuild();
    EXPECT_EQ(Table(), (std::vector<Points>{Row(0, 1, 3), Row(0, 3, 1)})) << "no two cells 100 apart";

    // A corridor where from any cell some other lies 100 away.
    PathMapBuilder(250, 1).Area(0, 0, 249, 0, 0.0f).Build(&map);
    Unstore();
    table.LoadOrBuild();
    ASSERT_EQ(table.count, 2u + 100u);
    const std::vector<Points> all = Table();
    for (size_t i = 2; i < all.size(); i += 2) {
        SCOPED_TRACE(i);
        EXPECT_EQ(all[i], Points(all[i + 1].rbegin(), all[i + 1].rend()));
        EXPECT_GE(std::abs(all[i].back().x - all[i].front().x), 100);
    }
}

TEST_F(TrajectoryTest, ABuiltTableIsWrittenOnceAndReadByTheNextMatch) {
    Fighter(0, 0, At(1));
    Character& enemy = Fighter(1, 1, At(4));
    const std::vector<Points> built{Row(0, 1, 4), Row(0, 4, 1)};
    for (int match = 0; match < 2; ++match) {
        SCOPED_TRACE(match);
        g_Match.Setup(5, 0);
        g_Match.Start();
        EXPECT_EQ(Table(), built);
        EXPECT_EQ(Stored(), FileBytes(built));
        g_Match.Release();
        EXPECT_TRUE(Empty());
        // Built again the table would differ: the next match reads the file.
        enemy.currentCell = At(9);
    }
}

TEST_F(TrajectoryTest, TheNearestPointIsTheEarlierOnEqualDistances) {
    PathMapBuilder(6, 2).Area(0, 0, 5, 0, 0.0f).Floor(5, 1, 3.0f).Build(&map);
    SetTable({{At(0), At(2), At(4)}, {At(2), At(0)}, {At(1), At(5, 1), At(5)}});
    const struct {
        uint32_t trajectory;
        float x, z;
        int32_t nearest;
    } cases[] = {
        {0, 1.5f, 0.5f, 0}, {0, 3.5f, 0.5f, 1}, {1, 1.5f, 0.5f, 0}, {0, 3.6f, 0.5f, 2},
        {2, 5.5f, 1.0f, 2},   // the raised cell is farther
        {3, 0.5f, 0.5f, -1}, {TRAJECTORY_MAX, 0.5f, 0.5f, -1},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << t.trajectory << " " << t.x);
        EXPECT_EQ(table.FindNearest(t.trajectory, t.x, 0.0f, t.z), t.nearest);
    }
}

TEST_F(TrajectoryTest, TheStatisticsFileHasItsNineLinesByteForByte) {
    g_Scenario.number = 3;
    PathSearchStats& s = g_PathSearchStats;
    s = PathSearchStats{{4, 0, 17, 1, 2}, {12, 0, 250, 3000000000u, 7}, {7, 8, 1}};
    table.WriteStats();
    EXPECT_EQ(dir.Read("Modelos/Escenarios/Escenario03/DataTray03G05.txt"),
              " Escenario 3\n--------------\n\n"
              "Path: Modelos\\Escenarios\\Escenario03\\DataTray03G05.txt\n\n"
              "Tray cortas (<50m): 4 (12msg)\n"
              "Tray medias (<150m): 0 (0msg)\n"
              "Tray largas (<500m): 17 (250msg)\n"
              "Tray muy largas: 1 (3000000000msg)\n"
              "Tray no encontradas: 2 (7msg)\n"
              "(7,8,1)\n");
}

TEST_F(TrajectoryTest, TheTrajectoryARouteFollowsLeadsTheGoalsWayOverMoreThan70WithBothEndsNear) {
    PathMapBuilder(120, 30).Area(0, 0, 119, 29, 0.0f).Build(&map);
    const Points a = Row(8, 5, 114), b = Row(12, 5, 114), shortRow = Row(10, 5, 80);
    const struct {
        const char* name;
        std::vector<Points> trajectories;
        CellRef fighter, goal;
        int chosen;
        int32_t entry, exit;
    } cases[] = {
        {"the smaller sum of end distances", {a, b}, At(5, 11), At(110, 11), 1, 0, 105},
        {"the earlier on an equal sum", {a, b}, At(5, 10), At(110, 10), 0, 0, 105},
        {"one that runs the other way", {Row(10, 114, 5)}, At(5, 10), At(110, 10), -1},
        {"a stretch of 70", {shortRow}, At(5, 10), At(75, 10), -1},
        {"a stretch of 71", {shortRow}, At(5, 10), At(76, 10), 0, 0, 71},
        {"the entry a fifth of the stretch away", {shortRow}, At(5, 25), At(80, 10), -1},
        {"the entry nearer", {shortRow}, At(5, 24), At(80, 10), 0, 0, 75},
        {"the exit a fifth of the stretch away", {shortRow}, At(5, 10), At(80, 25), -1},
        {"the exit nearer", {shortRow}, At(5, 10), At(80, 24), 0, 0, 75},
        {"no trajectories", {}, At(5, 10), At(110, 10), -1},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        SetTable(t.trajectories);
        Place(t.fighter);
        int32_t entry = -1, exit = -1;
        EXPECT_EQ(c.FindTrajectory(t.goal, &entry, &exit), t.chosen);
        if (t.chosen != -1) {
            EXPECT_EQ(entry, t.entry);
            EXPECT_EQ(exit, t.exit);
        }
    }
}

TEST_F(TrajectoryTest, ARouteJoinsThePathToTheEntryTheStretchAndThePathFromTheExit) {
    PathMapBuilder(120, 21).Area(0, 0, 119, 20, 0.0f).Build(&map);
    SetTable({Row(10, 5, 114)});
    const struct {
        CellRef fighter, goal;
        Points route;
    } cases[] = {
        {At(5, 12), At(110, 12), Join({{At(5, 12), At(5, 10)}, Row(10, 5, 110), {At(110, 10), At(110, 12)}})},
        {At(5, 10), At(110, 10), Row(10, 5, 110)},   // on the entry, the goal on the exit
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.fighter.z);
        Place(t.fighter);
        ASSERT_TRUE(c.MoveToCell(t.goal, true));
        EXPECT_EQ(Points(g_RouteBuffer.points, g_RouteBuffer.points + g_RouteBuffer.count), t.route);
        // On open ground the route shortens to one straight walk, taken up at once.
        EXPECT_EQ(Points(c.pathPoints, c.pathPoints + c.pathLength), (Points{t.fighter, t.goal}));
        EXPECT_EQ(c.following, 1);
        EXPECT_EQ(c.pathRequested, 0);
        EXPECT_EQ(c.pathIndex, 1);
        EXPECT_EQ(c.finalCell, t.goal);
        EXPECT_EQ(c.moveMode, MOVE_FOLLOWING);
        EXPECT_EQ(c.currentCell, t.fighter);
    }
    ResetRouteBuffer();
    Place(At(5, 12));
    ASSERT_TRUE(c.MoveToCell(At(110, 12), false));
    ExpectPlainRequest(At(110, 12));
    EXPECT_EQ(g_RouteBuffer.count, 0) << "without the flag no route is tried";
}

TEST_F(TrajectoryTest, AFailedExitLegGivesTheFighterItsCellAndPositionBackAndLeavesAPlainRequest) {
    // The goal lies on an island of the same sector that nothing joins to the field.
    PathMapBuilder(120, 21).Area(0, 0, 119, 13, 0.0f).Area(108, 17, 114, 19, 0.0f).Build(&map);
    SetTable({Row(10, 5, 114)});
    Place(At(5, 12));
    c.position = Vec3{5.7f, 0.0f, 12.2f};
    ASSERT_TRUE(c.MoveToCell(At(112, 18), true));
    EXPECT_EQ(c.currentCell, At(5, 12));
    EXPECT_EQ(c.position.x, 5.7f);
    EXPECT_EQ(c.position.z, 12.2f);
    ExpectPlainRequest(At(112, 18));
}

TEST_F(TrajectoryTest, ARouteThatWouldPass1500PointsIsAPlainRequest) {
    // Lanes along x on the even rows joined at alternate ends through the odd ones; the first
    // 1500 cells, from (1, 0) to (86, 28), are the trajectory.
    Points winding;
    for (int32_t lane = 0; winding.size() < PATH_POINTS_MAX; ++lane) {
        const bool east = lane % 2 == 0;
        const Points row = Row(2 * lane, east ? (lane == 0 ? 1 : 0) : 99, east ? 99 : 0);
        winding.insert(winding.end(), row.begin(), row.end());
        winding.push_back(At(east ? 99 : 0, 2 * lane + 1));
    }
    winding.resize(PATH_POINTS_MAX);
    ASSERT_EQ(winding.back(), At(86, 28));
    PathMapBuilder floors(100, 29);
    for (const CellRef& cell : winding) floors.Floor(cell.x, cell.z, 0.0f);
    floors.Floor(0, 0, 0.0f).Floor(87, 28, 0.0f).Build(&map);
    SetTable({winding});
    const struct {
        const char* name;
        CellRef fighter, goal;
        bool routed;
    } cases[] = {
        {"the stretch alone fills the buffer", At(1), At(86, 28), true},
        {"a path to the entry before it", At(0), At(86, 28), false},
        {"a path from the exit after it", At(1), At(87, 28), false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Place(t.fighter);
        ASSERT_TRUE(c.MoveToCell(t.goal, true));
        if (t.routed) {
            EXPECT_EQ(Points(g_RouteBuffer.points, g_RouteBuffer.points + g_RouteBuffer.count), winding);
            EXPECT_EQ(c.following, 1);
        } else {
            ExpectPlainRequest(t.goal);
        }
    }
}

TEST_F(TrajectoryTest, AFullTableTakesNoMore) {
    for (uint32_t i = 0; i < TRAJECTORY_MAX; ++i) ASSERT_TRUE(table.Add(At(1), At(2)));
    EXPECT_FALSE(table.Add(At(1), At(2)));
    EXPECT_EQ(table.count, TRAJECTORY_MAX);
}

TEST_F(TrajectoryTest, NetworkGamesOtherModesAndARefusedFileRunWithoutTrajectories) {
    Fighter(0, 0, At(1));
    Fighter(1, 1, At(4));
    std::vector<uint8_t> badMagic = FileBytes({Row(0, 1, 2)});
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
        Unstore();
        if (t.stored) Store(badMagic);
        g_NetSession.active = t.network ? 1 : 0;
        // A network game counts once another player is listed.
        g_ClientPlayerCount = t.network ? 1 : 0;
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
    g_NetSession.active = 0;
    g_ClientPlayerCount = 0;
}

TEST_F(TrajectoryTest, TestModeWritesTheStatisticsOnceTheEndIsTenSecondsPast) {
    g_Settings.test = 1;
    g_Match.Setup(5, 0);
    g_Match.state = MATCH_WON;
    const char* stats = "Modelos/Escenarios/Escenario01/DataTray01G05.txt";
    for (uint32_t past : {10000u, 10001u}) {
        SCOPED_TRACE(past);
        g_Match.stateTime = kNow - past;
        g_Match.Update();
        EXPECT_EQ(fs::exists(dir.path() / stats), past > 10000);
    }
}

TEST_F(TrajectoryTest, TheHeadingOfADirectionAndTheDifferenceOfTwo) {
    const struct {
        const char* name;
        Vec3 direction;
        float heading;
    } headings[] = {
        {"+z", {0.0f, 0.0f, 3.0f}, 0.0f},
        {"+x", {2.0f, 0.0f, 0.0f}, kPi / 2},
        {"-z", {0.0f, 0.0f, -1.0f}, kPi},
        {"-x", {-1.0f, 0.0f, 0.0f}, 1.5f * kPi},
        {"-x -z", {-1.0f, 0.0f, -1.0f}, 1.25f * kPi},
        {"x under 0.0001 once normalised", {0.00005f, 0.0f, 1.0f}, 0.0f},
        {"the same toward -z", {-0.00005f, 0.0f, -1.0f}, kPi},
        {"straight up", {0.0f, 5.0f, 0.0f}, kPi},
        {"shorter than 1e-6 is no direction", {5e-7f, 0.0f, 0.0f}, kPi},
    };
    for (const auto& t : headings) {
        SCOPED_TRACE(t.name);
        EXPECT_NEAR(RouteHeading(t.direction), t.heading, 1e-6f);
    }
    EXPECT_NEAR(RouteHeadingDifference(0.1f, 6.2f), 2 * kPi - 6.1f, 1e-5f);
    EXPECT_NEAR(RouteHeadingDifference(kPi / 2, 1.5f * kPi), kPi, 1e-6f);
    EXPECT_NEAR(RouteHeadingDifference(2.0f, 1.0f), 1.0f, 1e-6f);
}

}  // namespace
