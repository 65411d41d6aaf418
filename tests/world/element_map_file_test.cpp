// The element file: both stored versions from hand-made bytes, the filters, records refused or
// kept for the editor, saving (sizes, the credit code, a failed write) and the starts' lookup.
#include <algorithm>
#include <bit>
#include <cmath>

#include "element_fixture.h"

namespace elementtest {
namespace {

using datakit::ElementFileBytes;

const char* kOwnFile = "Modelos/Escenarios/Escenario01/Escenario01.dat";
std::vector<uint8_t> OwnFileBytes() { return datakit::ReadBytes(kOwnFile); }

using ElementFileTest = ElementTest;

TEST_F(ElementFileTest, Version100ShiftsTheKindsAboveSpecialsDownAndCountsGameKindsFromOne) {
    // Hand-made: an old kind 6 (effect) of old game kind 0 with its extra word, then an old
    // kind 4 (special) of old game kind 2 without one.
    const std::vector<uint8_t> file = {
        'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 100, 0, 0, 0,
        0, 0, 0, 0,  6, 0, 0, 0,  13, 0, 0, 0,  1, 0, 0, 0,  2, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  13,
        0, 0, 0xc0, 0x3f,  0, 0, 0, 0,  0, 0, 0x20, 0x40,                  // 1.5, 0, 2.5
        0, 0, 0, 0,  0, 0, 0x80, 0x3f,  0, 0, 0, 0,  0, 0, 0, 0,  13, 0, 0, 0,
        2, 0, 0, 0,  4, 0, 0, 0,  2, 0, 0, 0,  3, 0, 0, 0,  4, 0, 0, 0,  0, 0, 0, 0,  2, 0, 0, 0,  0,
        0, 0, 0x60, 0x40,  0, 0, 0, 0,  0, 0, 0x90, 0x40,                  // 3.5, 0, 4.5
        0, 0, 0, 0,  0, 0, 0, 0x3f,  0, 0, 0, 0,  0, 0, 0, 0,
    };
    ASSERT_EQ(file.size(), 12u + 61u + 57u);
    datakit::WriteScenarioElementFile(1, file);
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    EXPECT_EQ(g_ElementMap.loadedMessage, 1);
    auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]->gameKind, ELEMENT_COMMON);
    EXPECT_EQ(records[0]->elementKind, uint32_t(ELEMENT_EFFECT));
    EXPECT_EQ(records[0]->extra, 13u);
    EXPECT_FLOAT_EQ(records[0]->block[1], 1.0f);
    EXPECT_EQ(records[1]->gameKind, 1u);
    EXPECT_EQ(records[1]->elementKind, uint32_t(ELEMENT_SPECIAL));
    EXPECT_FLOAT_EQ(records[1]->position.z, 4.5f);

    std::vector<ElementBytes> items;
    for (uint32_t old = 0; old < 8; ++old) items.push_back(At(old, ELEMENT_ITEM, 3, int32_t(old), 1));
    WriteFile(items, ELEMENT_FILE_OLD_VERSION);
    g_ElementMap.Clear();
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    const uint32_t expected[8] = {9, 0, 1, 2, 3, 4, 5, 9};
    records = Records();
    ASSERT_EQ(records.size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(records[i]->gameKind, expected[i]) << "old game kind " << i;
}

TEST_F(ElementFileTest, Version100KeepsKindsUpToTheSpecialsAndTheRecordsAfterThemInStep) {
    // One record of each old kind, 0 to 6, all common; old glows (5) and effects (6) carry the
    // extra word. Old kinds 3 and 4 were both specials: a checkpoint and a symbol.
    ElementBytes checkpoint = At(7, 3, ELEMENT_SPECIAL_CHECKPOINT, 4, 1);
    checkpoint.role = ELEMENT_ROLE_CHECKPOINT;
    ElementBytes symbol = At(7, 4, 1, 5, 1);
    symbol.role = ELEMENT_ROLE_SYMBOL;
    symbol.index = 1;
    ElementBytes glow = At(7, 5, 7, 6, 1);
    glow.extra = std::bit_cast<uint32_t>(0.07f);
    ElementBytes effect = At(7, 6, 19, 7, 1);
    effect.extra = 19;
    WriteFile({At(7, 0, 1, 1, 1), At(7, 1, 57, 2, 1), At(7, 2, 3, 3, 1), checkpoint, symbol, glow, effect},
              ELEMENT_FILE_OLD_VERSION);
    ASSERT_EQ(datakit::ReadBytes(kOwnFile).size(), 12u + 5 * 57u + 2 * 61u);
    ASSERT_TRUE(g_ElementMap.Load(nullptr, 4));
    const auto records = Records();
    ASSERT_EQ(records.size(), 7u);
    const uint32_t kinds[7] = {ELEMENT_FIGHTER, ELEMENT_ITEM,    ELEMENT_PROP,  ELEMENT_SPECIAL,
                               ELEMENT_SPECIAL, ELEMENT_GLOW,    ELEMENT_EFFECT};
    for (size_t i = 0; i < 7; ++i) {
        SCOPED_TRACE(testing::Message() << "old kind " << i);
        EXPECT_EQ(records[i]->elementKind, kinds[i]);
        EXPECT_EQ(records[i]->gameKind, ELEMENT_COMMON);
        EXPECT_EQ(records[i]->cell.x, int32_t(i + 1)) << "read in step with the file";
        EXPECT_FLOAT_EQ(records[i]->position.x, float(i) + 1.5f);
    }
    EXPECT_EQ(records[3]->subtype, ELEMENT_SPECIAL_CHECKPOINT);
    EXPECT_EQ(records[3]->role, ELEMENT_ROLE_CHECKPOINT);
    EXPECT_EQ(records[4]->index, 1);
    EXPECT_FLOAT_EQ(std::bit_cast<float>(records[5]->extra), 0.07f);
    EXPECT_EQ(records[6]->extra, 19u);
}

TEST_F(ElementFileTest, TheLastSubtypeOfEveryKindIsKeptAndOnlyKindsUpToSpecialsMustStandOnTheMap) {
    ElementBytes symbol = At(5, ELEMENT_SPECIAL, 1, 4, 1);
    symbol.role = ELEMENT_ROLE_SYMBOL;
    symbol.index = 1;
    ElementBytes glow = At(9, ELEMENT_GLOW, GLOW_PALETTE_SIZE - 1, 40, 40);
    glow.extra = std::bit_cast<uint32_t>(0.07f);
    ElementBytes offMapSpecial = At(9, ELEMENT_SPECIAL, ELEMENT_SPECIAL_CHECKPOINT, 40, 40);
    offMapSpecial.role = ELEMENT_ROLE_CHECKPOINT;
    // Off the arena (40, 40): glows and effects need no cell, the others are dropped.
    WriteFile({At(9, ELEMENT_FIGHTER, 1, 1, 1), At(9, ELEMENT_ITEM, 57, 2, 1), At(9, ELEMENT_PROP, 3, 3, 1), symbol,
               glow, At(9, ELEMENT_EFFECT, 19, 40, 40), offMapSpecial, At(9, ELEMENT_PROP, 0, 40, 40)});
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    std::vector<std::pair<uint32_t, uint32_t>> got;
    for (const ElementRecord* r : Records()) got.push_back({r->elementKind, r->subtype});
    EXPECT_EQ(got, (std::vector<std::pair<uint32_t, uint32_t>>{{ELEMENT_FIGHTER, 1},
                                                                {ELEMENT_ITEM, 57},
                                                                {ELEMENT_PROP, 3},
                                                                {ELEMENT_SPECIAL, 1},
                                                                {ELEMENT_GLOW, GLOW_PALETTE_SIZE - 1},
                                                                {ELEMENT_EFFECT, 19}}));
}

TEST_F(ElementFileTest, AnEmptyFileIsSixteenBytesAndGlowsAndEffectsStoreFourBytesMore) {
    datakit::WriteScenarioElementFile(1, {'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 101, 0, 0, 0, 42, 0, 0, 0});
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    EXPECT_TRUE(g_ElementMap.list.Empty());
    EXPECT_EQ(g_ElementMap.creditCode, 42u);
    ASSERT_TRUE(g_ElementMap.Save("empty.dat"));
    EXPECT_EQ(datakit::ReadBytes("empty.dat"),
              (std::vector<uint8_t>{'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 101, 0, 0, 0, 0, 0, 0, 0}));
    for (uint32_t kind : {ELEMENT_PROP, ELEMENT_GLOW, ELEMENT_EFFECT}) {
        auto* r = new ElementRecord();
        r->elementKind = kind;
        r->extra = 0x11223344;
        ElementMapAppend(r);
    }
    ASSERT_TRUE(g_ElementMap.Save("three.dat"));
    const std::vector<uint8_t> bytes = datakit::ReadBytes("three.dat");
    ASSERT_EQ(bytes.size(), 16u + 57u + 61u + 61u);
    EXPECT_EQ(U32At(bytes, 16 + 57 + 57), 0x11223344u) << "the glow's extra word";
}

TEST_F(ElementFileTest, FiltersKeepTheKindAndTheCommonOnesAndStartsAreFoundPerSideInFileOrder) {
    WriteFile({At(0, ELEMENT_FIGHTER, 1, 1, 1, 0.1f), At(2, ELEMENT_FIGHTER, 0, 2, 1, 0.2f),
               At(9, ELEMENT_FIGHTER, 1, 3, 1, 0.3f), At(5, ELEMENT_ITEM, 3, 4, 1), At(2, ELEMENT_FIGHTER, 1, 5, 1, 0.5f)});
    struct Case {
        int kind;
        std::vector<int32_t> cellsX;
    } cases[] = {{-1, {1, 2, 3, 4, 5}}, {9, {3}}, {2, {2, 3, 5}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        g_ElementMap.Clear();
        ASSERT_TRUE(g_ElementMap.Load(nullptr, c.kind));
        std::vector<int32_t> got;
        for (const ElementRecord* r : Records()) got.push_back(r->cell.x);
        EXPECT_EQ(got, c.cellsX);
    }
    Vec3 at{};
    float facing = 0.0f;
    ASSERT_TRUE(FindPlacedCharacter(1, 0, &at, &facing)) << "past the side-0 start before it";
    EXPECT_FLOAT_EQ(at.x, 3.5f);
    EXPECT_FLOAT_EQ(facing, 0.3f);
    ASSERT_TRUE(FindPlacedCharacter(1, 1, &at, &facing));
    EXPECT_FLOAT_EQ(at.x, 5.5f);
    EXPECT_FALSE(FindPlacedCharacter(1, 2, &at, &facing));
}

TEST_F(ElementFileTest, UnsoundOffMapAndCutRecordsAreDroppedAndForeignFilesRefusedWhole) {
    ElementBytes symbol = At(0, ELEMENT_SPECIAL, 0, 2, 2);
    symbol.role = ELEMENT_ROLE_SYMBOL;
    symbol.index = 2;
    ElementBytes nan = At(9, ELEMENT_ITEM, 3, 2, 2);
    nan.position.y = NAN;
    ElementBytes infinite = At(9, ELEMENT_PROP, 0, 2, 2);
    infinite.block[3] = INFINITY;
    ElementBytes scale = At(9, ELEMENT_GLOW, 0, 2, 2);
    scale.extra = std::bit_cast<uint32_t>(NAN);
    struct Case {
        const char* what;
        ElementBytes bad;
    } cases[] = {
        {"game kind 10", At(10, ELEMENT_ITEM, 3, 2, 2)}, {"element kind 6", At(9, 6, 0, 2, 2)},
        {"side 2", At(9, ELEMENT_FIGHTER, 2, 2, 2)},      {"item 58", At(9, ELEMENT_ITEM, 58, 2, 2)},
        {"prop 4", At(9, ELEMENT_PROP, 4, 2, 2)},         {"special 3", At(9, ELEMENT_SPECIAL, 3, 2, 2)},
        {"glow 8", At(9, ELEMENT_GLOW, 8, 2, 2)},         {"effect 20", At(9, ELEMENT_EFFECT, 20, 2, 2)},
        {"a symbol of team 2", symbol},                   {"a position that is no number", nan},
        {"an infinite block", infinite},                  {"a glow scale that is no number", scale},
        {"a start off the map", At(9, ELEMENT_FIGHTER, 0, 40, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile({At(9, ELEMENT_ITEM, 3, 1, 1), c.bad});
        g_ElementMap.Clear();
        ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
        EXPECT_EQ(g_ElementMap.list.Count(), 1);
    }
    for (int mode : {0, 3}) {
        for (size_t cut : {size_t(30), size_t(60)}) {
            SCOPED_TRACE(testing::Message() << "cut " << cut << " bytes into a glow, mode " << mode);
            g_Settings.mode = mode;
            std::vector<uint8_t> bytes = ElementFileBytes(101, 0, {At(9, ELEMENT_ITEM, 3, 1, 1), At(9, ELEMENT_GLOW, 0, 0, 0)});
            bytes.resize(16 + 57 + cut);
            datakit::WriteScenarioElementFile(1, bytes);
            g_ElementMap.Clear();
            ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
            EXPECT_EQ(g_ElementMap.list.Count(), 1);
        }
    }
    const std::vector<uint8_t> foreign[] = {{'Q', 'T', 'X', 'M', 'A', 'X', 0, 0, 101, 0, 0, 0, 0, 0, 0, 0},
                                            {'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 102, 0, 0, 0, 0, 0, 0, 0},
                                            {'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 101, 0, 0},
                                            {'Q', 'T', 'X'}};
    for (const std::vector<uint8_t>& bytes : foreign) {
        datakit::WriteScenarioElementFile(1, bytes);
        g_ElementMap.Clear();
        g_ElementMap.loadedMessage = 0;
        EXPECT_FALSE(g_ElementMap.Load(nullptr, -1));
        EXPECT_EQ(g_ElementMap.loadedMessage, 0);
    }
    EXPECT_FALSE(g_ElementMap.Load("Modelos/none.dat", -1));
}

TEST_F(ElementFileTest, WhatIsReadIsSavedByteForByteWithTheCreditCodeOfTheSpawnedCredits) {
    ElementBytes glow = At(2, ELEMENT_GLOW, 5, 3, 3);
    glow.index = 5;
    glow.block[0] = 200.0f;
    glow.extra = std::bit_cast<uint32_t>(0.07f);
    ElementBytes effect = At(9, ELEMENT_EFFECT, 13, 0, 0, 2.0f);
    effect.extra = 13;
    WriteFile({At(0, ELEMENT_FIGHTER, 1, 2, 2, 1.5f), At(2, ELEMENT_ITEM, 22, 3, 4), At(1, ELEMENT_PROP, 2, 6, 6), glow,
               effect});
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    ASSERT_TRUE(g_ElementMap.Save("copy.dat"));
    const std::vector<uint8_t> copy = datakit::ReadBytes("copy.dat");
    EXPECT_EQ(copy, OwnFileBytes());

    // Credits of greed (kind 2) and common ones count; those of another kind do not.
    g_ElementMap.spawnCounts[2][ELEMENT_ITEM][20] = 2;
    g_ElementMap.spawnCounts[2][ELEMENT_ITEM][21] = 1;
    g_ElementMap.spawnCounts[ELEMENT_COMMON][ELEMENT_ITEM][23] = 1;
    g_ElementMap.spawnCounts[0][ELEMENT_ITEM][22] = 4;
    ASSERT_TRUE(g_ElementMap.Save(nullptr));
    EXPECT_EQ(g_ElementMap.savedMessage, 1);
    const std::vector<uint8_t> saved = OwnFileBytes();
    EXPECT_EQ(U32At(saved, 12), 2u * 1 + 1u * 5 + 1u * 50);
    ASSERT_EQ(saved.size(), copy.size());
    EXPECT_TRUE(std::equal(saved.begin() + 16, saved.end(), copy.begin() + 16));
}

TEST_F(ElementFileTest, AFailedSaveKeepsTheStoredFileAndShowsNoMessage) {
    WriteFile({At(9, ELEMENT_ITEM, 3, 1, 1)});
    const std::vector<uint8_t> before = OwnFileBytes();
    os::SetWriteLimitForTests(10);
    EXPECT_FALSE(g_ElementMap.Save(nullptr));
    EXPECT_EQ(g_ElementMap.savedMessage, 0);
    EXPECT_EQ(OwnFileBytes(), before);
}

TEST_F(ElementFileTest, TheEditorKeepsBadAndOffMapRecordsUnplacedAndSavesThemBackAsRead) {
    g_Settings.mode = 3;
    ElementBytes symbol = At(0, ELEMENT_SPECIAL, 0, 2, 2);
    symbol.role = ELEMENT_ROLE_SYMBOL;
    symbol.index = 7;
    ElementBytes glow = At(9, ELEMENT_GLOW, 1, 0, 0);
    glow.block[2] = NAN;
    const std::vector<ElementBytes> records = {At(9, ELEMENT_ITEM, 3, 1, 1), At(12, ELEMENT_ITEM, 3, 1, 2), symbol,
                                               At(0, ELEMENT_FIGHTER, 0, 40, 40), glow, At(9, 8, 1, 2, 2)};
    WriteFile(records);
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    const auto read = Records();
    ASSERT_EQ(read.size(), records.size());
    for (size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i]->placeable, i == 0 ? 1 : 0) << "record " << i;
    ASSERT_TRUE(g_ElementMap.Save(nullptr));
    EXPECT_EQ(OwnFileBytes(), ElementFileBytes(101, 0, records));
    EXPECT_FALSE(FindPlacedCharacter(0, 0, nullptr, nullptr)) << "an unplaced start is offered to nobody";
}

TEST_F(ElementFileTest, ScenarioCreditsAreReadIntoAListOfTheirOwn) {
    datakit::WriteScenarioElementFile(
        7, ElementFileBytes(101, 0, {At(9, ELEMENT_ITEM, 23, 40, 40), At(1, ELEMENT_ITEM, 21, 1, 1), At(2, ELEMENT_ITEM, 3, 1, 1)}));
    WriteFile({At(9, ELEMENT_ITEM, 3, 1, 1)});
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    g_ElementMap.BuildGroupSizes();
    EXPECT_EQ(CountScenarioCredits(7), 50u) << "the common 50 off any map, not the 5 of kind 1";
    EXPECT_EQ(g_ElementMap.list.Count(), 1);
    EXPECT_EQ(g_ElementMap.creditCode, 0u);
    EXPECT_EQ(CountElements(ELEMENT_ITEM, 4), 20) << "the group tables stay";
    EXPECT_EQ(CountScenarioCredits(8), 0u) << "no file";
}

TEST_F(ElementFileTest, TheEditorsStartReadsTheEditedListOfEveryKindWhileAPlayTestRuns) {
    g_Settings.mode = 3;
    WriteFile({At(1, ELEMENT_ITEM, 3, 1, 1)});
    datakit::WriteBytes(ELEMENT_PLAY_TEST_FILE, ElementFileBytes(101, 0, {At(4, ELEMENT_ITEM, 3, 2, 2), At(0, ELEMENT_ITEM, 3, 3, 3)}));
    g_ElementMap.currentGameKind = 4;
    g_MapEditor.playTest = 1;
    g_ElementMap.InitMatch();
    EXPECT_EQ(g_Match.gameKind, 4);
    EXPECT_EQ(g_ElementMap.list.Count(), 2);
    EXPECT_EQ(g_ElementMap.loadedMessage, 0) << "not the scenario's own file";
    EXPECT_EQ(CountElements(ELEMENT_SPECIAL, 2), 3);
    g_MapEditor.playTest = 0;
    g_ElementMap.Clear();
    g_ElementMap.InitMatch();
    ASSERT_EQ(g_ElementMap.list.Count(), 1);
    EXPECT_EQ(Records()[0]->gameKind, 1u);
}

}  // namespace
}  // namespace elementtest
