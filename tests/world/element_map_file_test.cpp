// The element file: both stored versions from hand-made bytes, the filters, records refused or
// kept for the editor, saving (the credit code, a failed write) and the queries over the list.
#include <algorithm>
#include <bit>
#include <cmath>
#include <string>

#include "element_fixture.h"

namespace elementtest {
namespace {

using testsupport::ElementFileBytes;

const char* kOwnFile = "Modelos/Escenarios/Escenario01/Escenario01.dat";

std::vector<uint8_t> OwnFileBytes() { return testsupport::ReadBytes(kOwnFile); }

using ElementFileTest = ElementTest;

TEST_F(ElementFileTest, AVersion100FileTranslatesItsKindsAndReadsTheExtraWordOfItsOldKinds5And6) {
    // Hand-made: an old kind 6 (effect) of old game kind 0 with its extra word, then an old
    // kind 4 (special) of old game kind 2 without one.
    const std::vector<uint8_t> file = {
        'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 100, 0, 0, 0,
        0, 0, 0, 0,  6, 0, 0, 0,  13, 0, 0, 0,          // game kind, element kind, subtype
        1, 0, 0, 0,  2, 0, 0, 0,  0, 0, 0, 0,           // cell
        0, 0, 0, 0,  13,                                // role, index
        0, 0, 0xc0, 0x3f,  0, 0, 0, 0,  0, 0, 0x20, 0x40,   // 1.5, 0, 2.5
        0, 0, 0, 0,  0, 0, 0x80, 0x3f,  0, 0, 0, 0,  0, 0, 0, 0,   // block: facing 1.0
        13, 0, 0, 0,                                    // extra word
        2, 0, 0, 0,  4, 0, 0, 0,  2, 0, 0, 0,
        3, 0, 0, 0,  4, 0, 0, 0,  0, 0, 0, 0,
        2, 0, 0, 0,  0,
        0, 0, 0x60, 0x40,  0, 0, 0, 0,  0, 0, 0x90, 0x40,   // 3.5, 0, 4.5
        0, 0, 0, 0,  0, 0, 0, 0x3f,  0, 0, 0, 0,  0, 0, 0, 0,
    };
    ASSERT_EQ(file.size(), 12u + 61u + 57u);
    testsupport::WriteScenarioElementFile(1, file);
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    const ElementRecord& effect = *records[0];
    EXPECT_EQ(effect.gameKind, ELEMENT_COMMON);
    EXPECT_EQ(effect.elementKind, uint32_t(ELEMENT_EFFECT));
    EXPECT_EQ(effect.subtype, 13u);
    EXPECT_EQ(effect.extra, 13u);
    EXPECT_FLOAT_EQ(effect.position.z, 2.5f);
    EXPECT_FLOAT_EQ(effect.block[1], 1.0f);
    const ElementRecord& checkpoint = *records[1];
    EXPECT_EQ(checkpoint.gameKind, 1u);
    EXPECT_EQ(checkpoint.elementKind, uint32_t(ELEMENT_SPECIAL));
    EXPECT_EQ(checkpoint.role, ELEMENT_ROLE_CHECKPOINT);
    EXPECT_EQ(checkpoint.cell.z, 4);
    EXPECT_FLOAT_EQ(checkpoint.position.x, 3.5f);
    EXPECT_FLOAT_EQ(checkpoint.block[1], 0.5f);
    EXPECT_EQ(g_ElementMap.loadedMessage, 1);
}

TEST_F(ElementFileTest, Version100GameKindsCountFromOneWithZeroAndSevenCommon) {
    std::vector<ElementBytes> items;
    for (uint32_t old = 0; old < 8; ++old) items.push_back(At(old, ELEMENT_ITEM, 3, int32_t(old), 1));
    WriteFile(items, ELEMENT_FILE_OLD_VERSION);
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    const uint32_t expected[8] = {9, 0, 1, 2, 3, 4, 5, 9};
    const auto records = Records();
    ASSERT_EQ(records.size(), 8u);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(records[i]->gameKind, expected[i]) << "old kind " << i;
}

TEST_F(ElementFileTest, AnEmptyFileIsSixteenBytesAndGlowsAndEffectsStoreFourMore) {
    // Hand-made: no records, credit code 42.
    testsupport::WriteScenarioElementFile(1, {'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 101, 0, 0, 0, 42, 0, 0, 0});
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    EXPECT_TRUE(g_ElementMap.list.Empty());
    EXPECT_EQ(g_ElementMap.creditCode, 42u);

    ASSERT_TRUE(g_ElementMap.Save("empty.dat"));
    EXPECT_EQ(testsupport::ReadBytes("empty.dat"),
              (std::vector<uint8_t>{'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 101, 0, 0, 0, 0, 0, 0, 0}));
    struct Case {
        const char* what;
        uint32_t kind;
        size_t bytes;
    } cases[] = {{"a prop", ELEMENT_PROP, 57}, {"a glow", ELEMENT_GLOW, 61}, {"an effect", ELEMENT_EFFECT, 61}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_ElementMap.Clear();
        auto* r = new ElementRecord();
        r->elementKind = c.kind;
        r->extra = 0x11223344;
        ElementMapAppend(r);
        ASSERT_TRUE(g_ElementMap.Save("one.dat"));
        const std::vector<uint8_t> bytes = testsupport::ReadBytes("one.dat");
        ASSERT_EQ(bytes.size(), 16 + c.bytes);
        if (c.bytes == 61) {
            EXPECT_EQ(U32At(bytes, 16 + 57), 0x11223344u);
        }
    }
}

TEST_F(ElementFileTest, TheGameKindFilterKeepsTheKindAndTheCommonOnesInFileOrder) {
    WriteFile({At(0, ELEMENT_ITEM, 3, 1, 1), At(2, ELEMENT_ITEM, 3, 2, 1), At(9, ELEMENT_ITEM, 3, 3, 1),
               At(5, ELEMENT_ITEM, 3, 4, 1), At(2, ELEMENT_ITEM, 3, 5, 1)});
    struct Case {
        int kind;
        std::vector<int32_t> cellsX;
    } cases[] = {{-1, {1, 2, 3, 4, 5}}, {2, {2, 3, 5}}, {9, {3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        g_ElementMap.Clear();
        ASSERT_TRUE(g_ElementMap.Load(nullptr, c.kind));
        std::vector<int32_t> got;
        for (const ElementRecord* r : Records()) got.push_back(r->cell.x);
        EXPECT_EQ(got, c.cellsX);
    }
    // Load appends: it does not empty the list first.
    ASSERT_TRUE(g_ElementMap.Load(nullptr, 9));
    EXPECT_EQ(g_ElementMap.list.Count(), 2);
}

TEST_F(ElementFileTest, UnsoundAndCutRecordsAreDroppedOutsideTheEditor) {
    auto nan = [](ElementBytes r) {
        r.position.y = NAN;
        return r;
    };
    auto infinite = [](ElementBytes r) {
        r.block[3] = INFINITY;
        return r;
    };
    ElementBytes symbolOfTeam2 = At(0, ELEMENT_SPECIAL, 0, 2, 2);
    symbolOfTeam2.role = ELEMENT_ROLE_SYMBOL;
    symbolOfTeam2.index = 2;
    ElementBytes glowNaNScale = At(9, ELEMENT_GLOW, 0, 2, 2);
    glowNaNScale.extra = std::bit_cast<uint32_t>(NAN);
    struct Case {
        const char* what;
        ElementBytes bad;
    } cases[] = {
        {"game kind 10", At(10, ELEMENT_ITEM, 3, 2, 2)},
        {"element kind 6", At(9, 6, 0, 2, 2)},
        {"side 2", At(9, ELEMENT_FIGHTER, 2, 2, 2)},
        {"item type 58", At(9, ELEMENT_ITEM, 58, 2, 2)},
        {"prop 4", At(9, ELEMENT_PROP, 4, 2, 2)},
        {"special 3", At(9, ELEMENT_SPECIAL, 3, 2, 2)},
        {"glow 8", At(9, ELEMENT_GLOW, 8, 2, 2)},
        {"effect 20", At(9, ELEMENT_EFFECT, 20, 2, 2)},
        {"a symbol of team 2", symbolOfTeam2},
        {"a position that is no number", nan(At(9, ELEMENT_ITEM, 3, 2, 2))},
        {"an infinite block", infinite(At(9, ELEMENT_PROP, 0, 2, 2))},
        {"a glow scale that is no number", glowNaNScale},
        {"a start off the map", At(9, ELEMENT_FIGHTER, 0, 40, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile({At(9, ELEMENT_ITEM, 3, 1, 1), c.bad});
        g_ElementMap.Clear();
        ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
        ASSERT_EQ(g_ElementMap.list.Count(), 1);
        EXPECT_EQ(Records()[0]->cell.x, 1);
    }
    {
        SCOPED_TRACE("a record cut short, also a glow cut inside its extra word");
        for (size_t cut : {size_t(30), size_t(60)}) {
            std::vector<uint8_t> bytes = ElementFileBytes(101, 0, {At(9, ELEMENT_ITEM, 3, 1, 1), At(9, ELEMENT_GLOW, 0, 0, 0)});
            bytes.resize(16 + 57 + cut);
            testsupport::WriteScenarioElementFile(1, bytes);
            for (int mode : {0, 3}) {
                g_Settings.mode = mode;
                g_ElementMap.Clear();
                ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
                EXPECT_EQ(g_ElementMap.list.Count(), 1) << "cut at " << cut << ", mode " << mode;
            }
        }
    }
    {
        SCOPED_TRACE("the front end reads without a path map");
        g_Settings.mode = 0;
        g_Menu.active = 1;
        WriteFile({At(9, ELEMENT_FIGHTER, 0, 40, 2)});
        g_ElementMap.Clear();
        ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
        EXPECT_EQ(g_ElementMap.list.Count(), 1);
    }
}

TEST_F(ElementFileTest, FilesThatAreNoElementFilesAreRefusedWholeAndMissingOnesQuietly) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"another signature", {'Q', 'T', 'X', 'M', 'A', 'X', 0, 0, 101, 0, 0, 0, 0, 0, 0, 0}},
        {"version 102", {'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 102, 0, 0, 0, 0, 0, 0, 0}},
        {"no credit code", {'Q', 'T', 'X', 'M', 'A', 'P', 0, 0, 101, 0, 0}},
        {"shorter than the signature", {'Q', 'T', 'X'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = c.bytes;
        const std::vector<uint8_t> record = ElementFileBytes(101, 0, {At(9, ELEMENT_ITEM, 3, 1, 1)});
        if (bytes.size() >= 16) bytes.insert(bytes.end(), record.begin() + 16, record.end());
        testsupport::WriteScenarioElementFile(1, bytes);
        EXPECT_FALSE(g_ElementMap.Load(nullptr, -1));
        EXPECT_TRUE(g_ElementMap.list.Empty());
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
    ElementBytes prop = At(1, ELEMENT_PROP, 2, 6, 6);
    prop.block[1] = 0.6f;
    prop.block[3] = 0.8f;
    const std::vector<ElementBytes> records = {At(0, ELEMENT_FIGHTER, 1, 2, 2, 1.5f), At(2, ELEMENT_ITEM, 22, 3, 4),
                                               prop, glow, effect};
    WriteFile(records);
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    ASSERT_TRUE(g_ElementMap.Save("copy.dat"));
    const std::vector<uint8_t> copy = testsupport::ReadBytes("copy.dat");
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
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    g_ElementMap.list.Clear();
    g_ElementMap.loadedMessage = 0;
    os::SetWriteLimitForTests(10);
    EXPECT_FALSE(g_ElementMap.Save(nullptr));
    EXPECT_EQ(g_ElementMap.savedMessage, 0);
    EXPECT_EQ(OwnFileBytes(), before);
    os::SetWriteLimitForTests(-1);
    EXPECT_TRUE(g_ElementMap.Save(nullptr));
    EXPECT_EQ(g_ElementMap.savedMessage, 1);
    EXPECT_EQ(OwnFileBytes().size(), 16u);
}

TEST_F(ElementFileTest, TheEditorKeepsBadAndOffMapRecordsUnplacedAndSavesThemBackAsRead) {
    g_Settings.mode = 3;
    ElementBytes symbolOfTeam7 = At(0, ELEMENT_SPECIAL, 0, 2, 2);
    symbolOfTeam7.role = ELEMENT_ROLE_SYMBOL;
    symbolOfTeam7.index = 7;
    ElementBytes nanGlow = At(9, ELEMENT_GLOW, 1, 0, 0);
    nanGlow.block[2] = NAN;
    const std::vector<ElementBytes> records = {At(9, ELEMENT_ITEM, 3, 1, 1), At(12, ELEMENT_ITEM, 3, 1, 2),
                                               symbolOfTeam7, At(0, ELEMENT_FIGHTER, 0, 40, 40), nanGlow,
                                               At(9, 8, 1, 2, 2)};
    WriteFile(records);
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    const auto read = Records();
    ASSERT_EQ(read.size(), records.size());
    EXPECT_EQ(read[0]->placeable, 1);
    for (size_t i = 1; i < read.size(); ++i) EXPECT_EQ(read[i]->placeable, 0) << "record " << i;
    ASSERT_TRUE(g_ElementMap.Save(nullptr));
    EXPECT_EQ(OwnFileBytes(), testsupport::ElementFileBytes(101, 0, records));
    // No start that cannot be placed is offered to the network set-up.
    EXPECT_FALSE(FindPlacedCharacter(0, 0, nullptr, nullptr));
}

TEST_F(ElementFileTest, ScenarioCreditsAreReadIntoAListOfTheirOwn) {
    testsupport::WriteScenarioElementFile(
        7, ElementFileBytes(101, 0,
                            {At(9, ELEMENT_ITEM, 23, 40, 40), At(1, ELEMENT_ITEM, 21, 1, 1), At(2, ELEMENT_ITEM, 3, 1, 1),
                             At(2, ELEMENT_FIGHTER, 0, 1, 1)}));
    WriteFile({At(9, ELEMENT_ITEM, 3, 1, 1)});
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    g_ElementMap.BuildGroupSizes();
    g_ElementMap.creditCode = 77;
    EXPECT_EQ(CountScenarioCredits(7), 50u) << "a Creditos 50 of kind 9 off any map, not the Creditos 5 of kind 1";
    EXPECT_EQ(g_ElementMap.list.Count(), 1);
    EXPECT_EQ(g_ElementMap.groupSizes[ELEMENT_ITEM].size(), 8u);
    EXPECT_EQ(g_ElementMap.creditCode, 77u);
    EXPECT_EQ(CountScenarioCredits(8), 0u) << "no file";
}

TEST_F(ElementFileTest, PlacedStartsAreFoundPerSideInFileOrder) {
    WriteFile({At(9, ELEMENT_FIGHTER, 0, 1, 1, 0.1f), At(9, ELEMENT_ITEM, 3, 2, 1), At(9, ELEMENT_FIGHTER, 1, 3, 1, 0.3f),
               At(9, ELEMENT_FIGHTER, 0, 4, 1, 0.4f), At(9, ELEMENT_FIGHTER, 1, 5, 1, 0.5f)});
    ASSERT_TRUE(g_ElementMap.Load(nullptr, -1));
    struct Case {
        int side, n;
        bool found;
        float x, facing;
    } cases[] = {{1, 0, true, 3.5f, 0.3f}, {1, 1, true, 5.5f, 0.5f}, {0, 1, true, 4.5f, 0.4f}, {1, 2, false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << ", n " << c.n);
        Vec3 at{};
        float facing = -1.0f;
        ASSERT_EQ(FindPlacedCharacter(c.side, c.n, &at, &facing), c.found);
        if (!c.found) continue;
        EXPECT_FLOAT_EQ(at.x, c.x);
        EXPECT_FLOAT_EQ(facing, c.facing);
    }
}

TEST_F(ElementFileTest, GroupTablesGiveTheFirstSubtypeOfEachGroup) {
    LoadGlowTextures();
    g_ElementMap.BuildGroupSizes();
    EXPECT_EQ(g_ElementMap.groupSizes[ELEMENT_GLOW], std::vector<uint32_t>{8});
    struct Case {
        int kind, n, first;
    } cases[] = {{1, 0, 0}, {1, 1, 3}, {1, 4, 20}, {1, 5, 24}, {1, 8, 58}, {1, 9, 58},
                 {3, 1, 2}, {3, 3, 3}, {0, 1, 0}, {2, 1, 0}, {4, 1, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(CountElements(c.kind, c.n), c.first) << "kind " << c.kind << ", group " << c.n;
    EXPECT_STREQ(g_ElementMap.glowPalette[5].texture, "glow05.bmp");
    EXPECT_EQ(g_ElementMap.glowPalette[7].setting, 300u);
}

TEST_F(ElementFileTest, ClearingTheWorldElementsTakesTheItemsOffTheMapAndEmptiesTheList) {
    WriteFile({At(9, ELEMENT_ITEM, 3, 1, 1)});
    g_ElementMap.LoadForMatch(0);
    ASSERT_EQ(ActiveItems(), 1);
    ClearWorldElements();
    EXPECT_EQ(ActiveItems(), 0);
    EXPECT_EQ(g_Scenario.pathMap.GetLayer({1, 1, 0})->item, nullptr);
    EXPECT_TRUE(g_ElementMap.list.Empty());
}

}  // namespace
}  // namespace elementtest
