// The path-map file: a hand-made file read field by field, every damage refused with an empty map,
// the writer's bytes, and where the scenario's map is found and stored.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/debug_log.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "platform/os/path.h"
#include "datakit/pack_writer.h"
#include "support/path_map_builder.h"
#include "support/pmap_writer.h"
#include "support/random_path_map.h"
#include "support/temp_dir.h"
#include "world/dynamic_object.h"
#include "world/scenario.h"
#include "world/world_calls.h"

namespace fs = std::filesystem;
using testsupport::PathMapBuilder;

namespace {

constexpr const char* kName = "Modelos\\Escenarios\\Escenario03\\pmap.dat";
constexpr const char* kLoose = "Modelos/Escenarios/Escenario03/pmap.dat";

class Bytes {
public:
    Bytes& Text(const char* s) {
        b.insert(b.end(), s, s + std::strlen(s));
        return *this;
    }
    Bytes& U8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Bytes& I32(int32_t v) { return U32(uint32_t(v)); }
    Bytes& F32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        return U32(u);
    }
    std::vector<uint8_t> b;
};

// A 2 x 1 map, one layer per cell, a jump from (0,0) to (1,0), one sector. With `junk` the
// run-time fields, marks and padding hold what a running program might have left there.
std::vector<uint8_t> TwoByOne(bool junk) {
    const uint32_t p = junk ? 0xDEADBEEFu : 0;   // a pointer
    const uint8_t j = junk ? 0xAA : 0;           // padding or run-time byte
    Bytes f;
    f.Text("QTX BRMV PMAP v1.2");
    f.I32(2).I32(1).F32(1.0f).F32(0.5f);                  // 18: cols, rows, offX, offZ
    f.F32(1.0f).F32(2.5f).F32(0.5f);                      // 34: max
    f.F32(-1.0f).F32(1.0f).F32(-0.5f);                    // 46: min
    f.U32(p).I32(1).U32(p);                               // 58: columns, sectorCount (62), sectors
    // 70: cell (0, 0)
    f.U8(0).U8(j).U8(j).U8(j).I32(1).U32(p);
    // 82: its layer
    f.F32(1.0f).F32(0.75f).F32(1.0f).F32(0.9f).F32(0.8f).F32(-1000.0f).I32(0);
    f.U8(junk ? 2 : 0).U8(1).U8(j).U8(j).I32(1).I32(0).I32(0);      // mark 110, jumpStart 111, target 114
    f.U8(0).U8(j).U8(j).U8(j).I32(7).I32(7).I32(7);                 // landing 126, source 130
    f.U32(p).U32(p).U32(p).U32(p).U8(j).U8(j).U8(j).U8(j);         // occupants 142, run-time 158
    // 162: cell (1, 0)
    f.U8(0).U8(j).U8(j).U8(j).I32(1).U32(p);
    // 174: its layer
    f.F32(2.5f).F32(2.5f).F32(2.5f).F32(2.5f).F32(2.5f).F32(2.5f).I32(0);
    f.U8(0).U8(0).U8(j).U8(j).I32(0).I32(0).I32(0);
    f.U8(1).U8(j).U8(j).U8(j).I32(0).I32(0).I32(0);                 // landing 218, source 222
    f.U32(p).U32(p).U32(p).U32(p).U8(j).U8(j).U8(j).U8(j);
    // 254: the sector
    f.I32(0).U32(0x800000ffu).I32(2).U32(p).U32(p).U32(p).U8(0).U8(j).U8(j).U8(j).U32(p);
    // 286: its reach row
    f.I32(1);
    return f.b;
}

class PathMapFileTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    PathMap map;

    void SetUp() override {
        g_Settings.Clear();
        g_Settings.debug = 1;
        ResetDebugLog();
        ResetPackFiles();
        ASSERT_EQ(OpenDebugLog(), S_OK);
    }
    void TearDown() override {
        os::SetWriteLimitForTests(-1);
        g_Scenario.pathMap.Free();
        g_Scenario.number = -1;
        ResetWorldCalls();
        ResetPackFiles();
        ResetDebugLog();
        g_Settings.Clear();
    }

    void Store(const std::vector<uint8_t>& bytes, const char* path = kLoose) {
        dir.Write(path, std::string(bytes.begin(), bytes.end()));
    }
    std::vector<uint8_t> Stored(const char* path = kLoose) const {
        const std::string s = dir.Read(path);
        return std::vector<uint8_t>(s.begin(), s.end());
    }
    bool Empty() const {
        return map.cols == 0 && map.rows == 0 && map.columns.empty() && map.sectors.empty() && map.sectorCount == 0;
    }
    // Names in a folder of the working folder.
    std::vector<std::string> Listing(const char* folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path() / folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

void ExpectSameMap(const PathMap& got, const PathMap& want) {
    ASSERT_EQ(got.cols, want.cols);
    ASSERT_EQ(got.rows, want.rows);
    EXPECT_EQ(got.offX, want.offX);
    EXPECT_EQ(got.offZ, want.offZ);
    EXPECT_EQ(got.max.y, want.max.y);
    EXPECT_EQ(got.min.x, want.min.x);
    for (int32_t x = 0; x < want.cols; ++x)
        for (int32_t z = 0; z < want.rows; ++z) {
            const PathCell& a = got.columns[size_t(x)][size_t(z)];
            const PathCell& b = want.columns[size_t(x)][size_t(z)];
            ASSERT_EQ(a.layerCount, b.layerCount) << x << "," << z;
            EXPECT_EQ(a.flag, b.flag);
            for (int32_t k = 0; k < a.layerCount; ++k) {
                const PathLayer& l = a.layers[size_t(k)];
                const PathLayer& m = b.layers[size_t(k)];
                EXPECT_EQ(l.floor, m.floor);
                EXPECT_EQ(l.low, m.low);
                EXPECT_EQ(0, std::memcmp(l.corners, m.corners, sizeof l.corners));
                EXPECT_EQ(l.sector, m.sector);
                EXPECT_EQ(l.jumpStart, m.jumpStart);
                EXPECT_EQ(l.jumpTarget, m.jumpTarget);
                EXPECT_EQ(l.jumpLanding, m.jumpLanding);
                EXPECT_EQ(l.jumpSource, m.jumpSource);
                EXPECT_EQ(l.mark, 0);
                EXPECT_TRUE(!l.character && !l.item && !l.prop && !l.portal && !l.specialRole && !l.specialIndex);
            }
        }
    ASSERT_EQ(got.sectorCount, want.sectorCount);
    for (size_t s = 0; s < want.sectors.size(); ++s) {
        EXPECT_EQ(got.sectors[s].index, want.sectors[s].index);
        EXPECT_EQ(got.sectors[s].colour, want.sectors[s].colour);
        EXPECT_EQ(got.sectors[s].cellCount, want.sectors[s].cellCount);
        EXPECT_EQ(got.sectors[s].isolated, want.sectors[s].isolated);
        EXPECT_EQ(got.sectors[s].reach, want.sectors[s].reach);
        EXPECT_TRUE(got.sectors[s].cells.empty() && got.sectors[s].jumps.empty() && got.sectors[s].jumpCounts.empty());
    }
}

TEST_F(PathMapFileTest, ReadsAHandMadeFileFieldByFieldAndDropsTheRunTimeFields) {
    Store(TwoByOne(true));
    ASSERT_TRUE(map.Read(kName));
    EXPECT_EQ(map.cols, 2);
    EXPECT_EQ(map.rows, 1);
    EXPECT_EQ(map.offX, 1.0f);
    EXPECT_EQ(map.offZ, 0.5f);
    EXPECT_EQ(map.max.y, 2.5f);
    EXPECT_EQ(map.min.z, -0.5f);
    ASSERT_EQ(map.LayerCount(0, 0), 1);
    ASSERT_EQ(map.LayerCount(1, 0), 1);
    const PathLayer& a = map.columns[0][0].layers[0];
    EXPECT_EQ(a.floor, 1.0f);
    EXPECT_EQ(a.low, 0.75f);
    EXPECT_EQ(a.corners[1], 0.9f);
    EXPECT_EQ(a.corners[3], -1000.0f);
    EXPECT_EQ(a.sector, 0);
    EXPECT_EQ(a.mark, 0);
    EXPECT_EQ(a.jumpStart, 1);
    EXPECT_EQ(a.jumpTarget, (CellRef{1, 0, 0}));
    EXPECT_EQ(a.jumpSource, (CellRef{7, 7, 7})) << "kept as stored, even without a landing";
    EXPECT_TRUE(!a.character && !a.item && !a.prop && !a.portal && !a.specialRole && !a.specialIndex);
    const PathLayer& b = map.columns[1][0].layers[0];
    EXPECT_EQ(b.floor, 2.5f);
    EXPECT_EQ(b.jumpLanding, 1);
    EXPECT_EQ(b.jumpSource, (CellRef{0, 0, 0}));
    EXPECT_FALSE(b.character || b.item || b.prop || b.portal);
    ASSERT_EQ(map.sectorCount, 1);
    EXPECT_EQ(map.sectors[0].colour, 0x800000ffu);
    EXPECT_EQ(map.sectors[0].cellCount, 2);
    EXPECT_EQ(map.sectors[0].reach, std::vector<int32_t>{1});
}

TEST_F(PathMapFileTest, WritesTheHandMadeBytesWithZerosInEveryRunTimeField) {
    Store(TwoByOne(true));
    ASSERT_TRUE(map.Read(kName));
    DynamicObject prop;
    testsupport::PutProp(&map, {0, 0, 0}, &prop);
    map.columns[0][0].layers[0].mark = 4;
    map.columns[1][0].layers[0].specialRole = 2;
    ASSERT_TRUE(map.Write("Modelos\\Escenarios\\Escenario04\\pmap.dat"));
    EXPECT_EQ(Stored("Modelos/Escenarios/Escenario04/pmap.dat"), TwoByOne(false));
}

TEST_F(PathMapFileTest, AMapReadBackIsTheMapWrittenAndTheWritersAgree) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        PathMap original;
        std::vector<testsupport::PortalSpot> portals;
        testsupport::RandomMapOptions options;
        options.cols = 40;
        options.rows = 30;
        testsupport::GenerateRandomMap(seed, options, &original, &portals);
        testsupport::InstallPortals(&original, portals);
        ASSERT_TRUE(original.Write(kName));
        EXPECT_EQ(Stored(), testsupport::PmapBytes(original));
        ASSERT_TRUE(map.Read(kName));
        ExpectSameMap(map, original);
        // The other writer's run-time junk makes no difference either.
        Store(testsupport::PmapBytes(original, true));
        ASSERT_TRUE(map.Read(kName));
        ExpectSameMap(map, original);
    }
    for (PortalRecord& p : g_Portals) p = PortalRecord{0, -1, -1, {}, {}};
}

TEST_F(PathMapFileTest, NoSectorsAndEmptyCellsTakeNoBytes) {
    // Three cells, the middle one without layers; no sector at all.
    PathMap original;
    PathMapBuilder(3, 1).Floor(0, 0, 1.0f, -1).Floor(2, 0, 2.0f, -1).Floor(2, 0, 5.0f, -1).Build(&original);
    const std::vector<uint8_t> bytes = testsupport::PmapBytes(original);
    ASSERT_EQ(bytes.size(), 70u + 3 * 12 + 3 * 80);
    Store(bytes);
    ASSERT_TRUE(map.Read(kName));
    ExpectSameMap(map, original);
    EXPECT_EQ(map.columns[1][0].flag, 1);
}

TEST_F(PathMapFileTest, BytesAfterTheLastReachRowAreIgnored) {
    std::vector<uint8_t> bytes = TwoByOne(false);
    bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
    Store(bytes);
    EXPECT_TRUE(map.Read(kName));
    EXPECT_EQ(map.cols, 2);
}

TEST_F(PathMapFileTest, EveryWrongMagicByteAndEveryTruncationIsRefusedWithAnEmptyMap) {
    const std::vector<uint8_t> good = TwoByOne(false);
    for (size_t i = 0; i < 18; ++i) {
        SCOPED_TRACE(testing::Message() << "magic byte " << i);
        std::vector<uint8_t> bytes = good;
        bytes[i] ^= 0x01;
        Store(bytes);
        EXPECT_FALSE(map.Read(kName));
        EXPECT_TRUE(Empty());
    }
    for (size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(testing::Message() << n << " bytes");
        Store(std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
        EXPECT_FALSE(map.Read(kName));
        EXPECT_TRUE(Empty());
    }
}

TEST_F(PathMapFileTest, EveryFieldOutOfRangeIsRefusedWithAnEmptyMapAndALogLine) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        size_t at;
        bool isFloat;
        int32_t value;
        float f;
        bool accepted;
    } cases[] = {
        {"no columns", 18, false, 0, 0, false},
        {"too many columns", 18, false, 4097, 0, false},
        {"negative columns", 18, false, -1, 0, false},
        {"a column more than stored", 18, false, 3, 0, false},
        {"no rows", 22, false, 0, 0, false},
        {"huge rows", 22, false, 0x7fffffff, 0, false},
        {"the largest grid, without its bytes", 22, false, 4096, 0, false},
        {"offX not a number", 26, true, 0, nan, false},
        {"offZ infinite", 30, true, 0, inf, false},
        {"max y infinite", 38, true, 0, inf, false},
        {"min x minus infinite", 46, true, 0, -inf, false},
        {"negative sector count", 62, false, -1, 0, false},
        {"one sector more than stored", 62, false, 2, 0, false},
        {"huge sector count", 62, false, 0x7fffffff, 0, false},
        {"negative layer count", 74, false, -1, 0, false},
        {"a layer more than stored", 74, false, 2, 0, false},
        {"huge layer count", 74, false, 0x7fffffff, 0, false},
        {"the last cell's layer count too", 166, false, 2, 0, false},
        {"sector index past the table", 106, false, 1, 0, false},
        {"sector index below -1", 106, false, -2, 0, false},
        {"unassigned sector", 106, false, -1, 0, true},
        {"floor not a number", 82, true, 0, nan, false},
        {"the last layer's floor infinite", 174, true, 0, inf, false},
        {"low point minus infinite", 86, true, 0, -inf, false},
        {"a corner infinite", 98, true, 0, inf, false},
        {"the jump's landing flag cleared", 218, false, 0, 0, false},
        {"jump target x outside", 114, false, 2, 0, false},
        {"jump target z outside", 118, false, -1, 0, false},
        {"jump target on a missing layer", 122, false, 1, 0, false},
        {"jump source on a missing layer", 230, false, 1, 0, false},
        {"sector cell count negative", 262, false, -1, 0, false},
        {"sector cell count past the layers", 262, false, 3, 0, false},
        {"any reach value", 286, false, 77, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = TwoByOne(false);
        uint32_t u = uint32_t(c.value);
        if (c.isFloat) std::memcpy(&u, &c.f, 4);
        for (int i = 0; i < 4; ++i) bytes[c.at + size_t(i)] = uint8_t(u >> (8 * i));
        Store(bytes);
        EXPECT_EQ(map.Read(kName), c.accepted);
        if (!c.accepted) {
            EXPECT_TRUE(Empty());
        }
    }
    const std::string log = dir.Read("debug.txt");
    EXPECT_NE(log.find("Path map Modelos\\Escenarios\\Escenario03\\pmap.dat refused: sector index out of range"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("refused: jump target outside the map"), std::string::npos);
    EXPECT_NE(log.find("refused: layer height not finite"), std::string::npos);
    EXPECT_NE(log.find("refused: jump target is no landing"), std::string::npos);
}

TEST_F(PathMapFileTest, JumpsWhoseEndsDoNotAnswerEachOtherAreRefusedAndOthersKept) {
    // Five cells in a row, each its own floor; jumps are added per case.
    struct Jump {
        CellRef from, to;
    };
    struct Case {
        const char* name;
        std::vector<Jump> jumps;
        // After the links: a landing whose source is rewritten (layer -1: none); a source that
        // does not jump keeps a target pointing at the landing all the same.
        CellRef landing, source;
        const char* refusal;   // null: read
    } cases[] = {
        {"onto its own floor, answering itself", {{{0, 0, 0}, {0, 0, 0}}}, {0, 0, -1}, {}, "jump onto its own floor"},
        {"a landing whose source does not jump, though its stale target is the landing",
         {{{0, 0, 0}, {2, 0, 0}}}, {2, 0, 0}, {1, 0, 0}, "jump source does not jump here"},
        {"a landing whose source jumps elsewhere", {{{0, 0, 0}, {2, 0, 0}}, {{1, 0, 0}, {3, 0, 0}}}, {3, 0, 0},
         {0, 0, 0}, "jump source does not jump here"},
        {"two links", {{{0, 0, 0}, {2, 0, 0}}, {{1, 0, 0}, {3, 0, 0}}}, {0, 0, -1}, {}, nullptr},
        {"there and back", {{{0, 0, 0}, {4, 0, 0}}, {{4, 0, 0}, {0, 0, 0}}}, {0, 0, -1}, {}, nullptr},
        // A builder that kept two starts equally near one landing stored both; the landing could
        // name only one of them.
        {"two starts onto one landing that names the second", {{{1, 0, 0}, {2, 0, 0}}, {{3, 0, 0}, {2, 0, 0}}},
         {0, 0, -1}, {}, nullptr},
        {"two starts onto one landing that names the first", {{{1, 0, 0}, {2, 0, 0}}, {{3, 0, 0}, {2, 0, 0}}},
         {2, 0, 0}, {1, 0, 0}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathMapBuilder b(5, 1);
        for (int32_t x = 0; x < 5; ++x) b.Floor(x, 0, 2.0f * float(x));
        for (const Jump& j : c.jumps) b.Jump(j.from, j.to);
        PathMap original;
        b.Build(&original);
        if (c.landing.layer >= 0) {
            original.GetLayer(c.landing)->jumpSource = c.source;
            if (!original.GetLayer(c.source)->jumpStart) original.GetLayer(c.source)->jumpTarget = c.landing;
        }
        Store(testsupport::PmapBytes(original));
        const size_t logged = dir.Read("debug.txt").size();
        EXPECT_EQ(map.Read(kName), c.refusal == nullptr);
        if (c.refusal) {
            EXPECT_TRUE(Empty());
            EXPECT_NE(dir.Read("debug.txt").find(std::string("refused: ") + c.refusal, logged), std::string::npos);
        } else {
            ExpectSameMap(map, original);
        }
    }
}

// The file a fuzzer found: its first cell's floor is not a number and it jumps onto itself; a
// search from it never ended.
std::vector<uint8_t> SelfJumpWithoutFloor() {
    const fs::path path = fs::path(BRIMVALE_TEST_SOURCES) / "data" / "pmap-self-jump-nan.dat";
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(PathMapFileTest, TheFuzzedMapWithASelfJumpAndNoFloorIsRefusedForEither) {
    const std::vector<uint8_t> found = SelfJumpWithoutFloor();
    ASSERT_EQ(found.size(), 1254u);
    g_Scenario.number = 3;
    Store(found);
    EXPECT_FALSE(g_Scenario.pathMap.LoadOrBuild());
    EXPECT_EQ(g_Scenario.pathMap.cols, 0);
    EXPECT_NE(dir.Read("debug.txt").find("refused: layer height not finite"), std::string::npos);

    // With finite floors its jumps alone still refuse it.
    std::vector<uint8_t> floored = found;
    for (size_t at : {82u, 1002u}) {
        float f;
        std::memcpy(&f, &found[at], 4);
        ASSERT_TRUE(std::isnan(f)) << at;
        const float floor = 1.5f;
        std::memcpy(&floored[at], &floor, 4);
    }
    Store(floored);
    EXPECT_FALSE(map.Read(kName));
    EXPECT_TRUE(Empty());
    EXPECT_NE(dir.Read("debug.txt").find("refused: jump onto its own floor"), std::string::npos);
}

TEST_F(PathMapFileTest, TheWidestAndDeepestGridsTheBuilderMakesAreReadBack) {
    // The builder takes scenarios up to 4096 cells a side; what it stores must load again.
    for (const auto& [cols, rows] : {std::pair{4096, 1}, std::pair{1, 4096}}) {
        SCOPED_TRACE(testing::Message() << cols << " x " << rows);
        PathMap original;
        PathMapBuilder(cols, rows).Floor(cols - 1, rows - 1, 2.0f).Build(&original);
        Store(testsupport::PmapBytes(original));
        ASSERT_TRUE(map.Read(kName));
        ExpectSameMap(map, original);
    }
}

TEST_F(PathMapFileTest, AMapThatDisagreesWithItsOwnSizesIsNotWritten) {
    struct Case {
        const char* name;
        void (*damage)(PathMap*);
    } cases[] = {
        {"a column short", [](PathMap* m) { m->columns.pop_back(); }},
        {"a row short", [](PathMap* m) { m->columns[1].pop_back(); }},
        {"a layer more than counted", [](PathMap* m) { m->columns[0][0].layers.push_back(m->columns[0][0].layers[0]); }},
        {"a sector more than counted", [](PathMap* m) { m->sectors.push_back(m->sectors[0]); }},
        {"a short reach row", [](PathMap* m) { m->sectors[0].reach.clear(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PathMap original;
        PathMapBuilder(2, 2).Area(0, 0, 1, 1, 0.5f).Build(&original);
        c.damage(&original);
        EXPECT_FALSE(original.Write(kName));
        EXPECT_FALSE(fs::exists(dir.path() / "Modelos"));
    }
}

TEST_F(PathMapFileTest, AnUnsetJumpFlagLeavesItsTargetUnchecked) {
    std::vector<uint8_t> bytes = TwoByOne(false);
    bytes[111] = 0;      // no jump starts here any more
    bytes[114] = 99;     // so its target may point anywhere
    bytes[218] = 0;      // and nothing lands where it went
    Store(bytes);
    EXPECT_TRUE(map.Read(kName));
}

TEST_F(PathMapFileTest, TheScenarioFindsItsMapLooseInAnyCaseOrPacked) {
    g_Scenario.number = 3;
    {
        SCOPED_TRACE("loose, other letter case");
        Store(TwoByOne(false), "modelos/escenarios/escenario03/PMAP.DAT");
        EXPECT_TRUE(g_WorldCalls.loadPathMap(&g_Scenario.pathMap));
        EXPECT_EQ(g_Scenario.pathMap.cols, 2);
        fs::remove_all(dir.path() / "modelos");
    }
    {
        SCOPED_TRACE("packed, behind another entry");
        datakit::PackWriter pack;
        pack.dummyFirst = true;
        pack.Add("MODELOS\\ESCENARIOS\\ESCENARIO03\\PMAP.DAT", TwoByOne(false));
        ASSERT_TRUE(pack.WriteTo((dir.path() / "MODELOS.DAT").string()));
        g_Scenario.pathMap.Free();
        EXPECT_TRUE(g_WorldCalls.loadPathMap(&g_Scenario.pathMap));
        EXPECT_EQ(g_Scenario.pathMap.cols, 2);
        EXPECT_EQ(g_Scenario.pathMap.sectors[0].reach, std::vector<int32_t>{1});
    }
}

TEST_F(PathMapFileTest, ARefusedOrMissingMapLeavesTheMapEmptyAndTheFileAsItWas) {
    g_Scenario.number = 3;
    PathMap& scenarioMap = g_Scenario.pathMap;
    PathMapBuilder(2, 2).Area(0, 0, 1, 1, 0.0f).Build(&scenarioMap);
    EXPECT_FALSE(scenarioMap.LoadOrBuild()) << "nothing stored, nothing built";
    EXPECT_EQ(scenarioMap.cols, 0);
    EXPECT_FALSE(fs::exists(dir.path() / "Modelos"));

    std::vector<uint8_t> bytes = TwoByOne(false);
    bytes[17] = '3';   // another version
    Store(bytes);
    EXPECT_FALSE(scenarioMap.LoadOrBuild());
    EXPECT_EQ(scenarioMap.cols, 0);
    EXPECT_EQ(Stored(), bytes);
}

TEST_F(PathMapFileTest, WritingReplacesTheStoredFileInPlaceOrLeavesItWhole) {
    PathMap original;
    PathMapBuilder(2, 2).Area(0, 0, 1, 1, 0.5f).Build(&original);
    const std::vector<uint8_t> expected = testsupport::PmapBytes(original);
    // A full disk: the stored file stays.
    Store(TwoByOne(false), "modelos/escenarios/escenario03/PMAP.DAT");
    os::SetWriteLimitForTests(70);
    EXPECT_FALSE(original.Write(kName));
    os::SetWriteLimitForTests(-1);
    EXPECT_EQ(Stored("modelos/escenarios/escenario03/PMAP.DAT"), TwoByOne(false));
    // The file in another letter case is the one replaced, with no twin beside it.
    ASSERT_TRUE(original.Write(kName));
    EXPECT_EQ(Listing(""), (std::vector<std::string>{"debug.txt", "modelos"}));
    EXPECT_EQ(Listing("modelos/escenarios/escenario03"), std::vector<std::string>{"PMAP.DAT"});
    EXPECT_EQ(Stored("modelos/escenarios/escenario03/PMAP.DAT"), expected);
}

TEST_F(PathMapFileTest, LoadingTheScenarioReadsItsStoredMap) {
    Store(TwoByOne(false));
    // No scene here to load the scene file into (the load says so); the map is read all the same.
    g_Scenario.Load(3);
    EXPECT_EQ(g_Scenario.pathMap.cols, 2);
    ASSERT_NE(ScenarioPathMap(), nullptr);
    CellRef cell{};
    EXPECT_TRUE(ScenarioPathMap()->WorldToCell(Vec3{0.5f, 2.0f, 0.0f}, &cell, 100.0f));
    EXPECT_EQ(cell, (CellRef{1, 0, 0}));
    ResetScenario();
    EXPECT_EQ(g_Scenario.pathMap.cols, 0);
}

}  // namespace
