// The equipment catalogue's rows, the bonuses of worn pieces, the packed owned and shop lists and
// the shop stock built from a team.
#include "frontend/save_files_fixture.h"

namespace {

class EquipmentTest : public SaveFilesTest {
protected:
    void TearDown() override {
        ResetEquipmentRowSource();
        SaveFilesTest::TearDown();
    }
    static PlayerRecord Member(uint32_t level) {
        PlayerRecord r;
        MakeRandomPlayer(0, &r);
        r.level = level;
        return r;
    }
};

TEST_F(EquipmentTest, TheCatalogueHoldsTheKnownRowsAndRisesByLevel) {
    struct Known {
        int kind, row;
        float bonuses[5];
        uint32_t level, pieceClass, set, text, price;
    };
    const Known known[] = {
        {0, 0, {0, 0, 5, 1, 0}, 0, 0, 1, 215, 111},         {0, 1, {0, 0, 9, 2, 0}, 4, 0, 2, 216, 161},
        {0, 5, {0, 0, 25, 8, 0}, 20, 3, 0, 241, 364},       {0, 52, {0, 0, 569, 0, 0}, 282, 1, 102, 231, 6435},
        {1, 0, {5, 0, 0, 1, 0}, 0, 0, 1, 269, 90},          {2, 2, {0, 0, 0, 4, 21}, 8, 2, 200, 340, 257},
        {3, 53, {98, 585, 0, 0, 0}, 290, 4, 400, 466, 88},  {4, 52, {95, 0, 569, 287, 0}, 282, 5, 502, 483, 8496},
    };
    for (const Known& k : known) {
        const EquipmentRow& r = *GetEquipmentRow(k.kind, k.row);
        SCOPED_TRACE(testing::Message() << k.kind << "/" << k.row);
        for (int a = 0; a < 5; ++a) EXPECT_EQ(r.bonuses[a], k.bonuses[a]);
        EXPECT_EQ(std::vector<uint32_t>({r.requiredLevel, r.pieceClass, r.setWord, r.textId, r.price}),
                  std::vector<uint32_t>({k.level, k.pieceClass, k.set, k.text, k.price}));
    }
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) {
        EXPECT_EQ(GetEquipmentRow(kind, 0)->requiredLevel, 0u);
        EXPECT_EQ(GetEquipmentRow(kind, 53)->requiredLevel, 290u);
        for (int row = 0; row < EQUIPMENT_ROWS_PER_KIND; ++row) {
            const EquipmentRow& r = *GetEquipmentRow(kind, row);
            SCOPED_TRACE(testing::Message() << kind << "/" << row);
            if (row > 0) EXPECT_GT(r.requiredLevel, GetEquipmentRow(kind, row - 1)->requiredLevel);
            EXPECT_LE(r.pieceClass, 5u);
            EXPECT_TRUE(r.setWord <= 2 || (r.setWord >= 100 && r.setWord <= 502 && r.setWord % 100 <= 2));
            for (uint32_t unused : r.unused) EXPECT_EQ(unused, 0u);
            EXPECT_EQ(IsCatalogueItem(r), !(kind == 4 && row == 53));
        }
    }
    EXPECT_EQ(GetEquipmentRow(4, 53)->price, 0u);
    EXPECT_EQ(GetEquipmentRow(0, 54), nullptr);
    EXPECT_EQ(GetEquipmentRow(5, 0), nullptr);
    EXPECT_EQ(GetEquipmentRow(0, -1), nullptr);
}

TEST_F(EquipmentTest, BonusesAreCutAfterEachPiece) {
    SetEquipmentRowSource([](int, int) -> const EquipmentRow* {
        static const EquipmentRow half = {{2.5f, 0, 0, 0, 0}, 3, {}, 0, 0, 1, 1};
        return &half;
    });
    PlayerRecord r = Member(3);
    EXPECT_EQ(EquipmentAttributeSum(0, r), 0);
    EXPECT_EQ(GetPlayerAttribute(0, &r), 50.0f);
    r.look.equipment[0] = 1;
    r.look.equipment[3] = 7;
    r.look.equipment[4] = 54;   // not a piece: nothing
    EXPECT_EQ(EquipmentAttributeSum(0, r), 4);
    EXPECT_EQ(GetPlayerAttribute(0, &r), 54.0f);
    EXPECT_EQ(EquipmentAttributeSum(5, r), 0);
    EXPECT_TRUE(MeetsEquipmentRequirement(r, 0, 1));
    r.level = 2;
    EXPECT_FALSE(MeetsEquipmentRequirement(r, 0, 1));
    EXPECT_EQ(EquippedCount(r), 3);
    int kind = 0, id = 0;
    EXPECT_TRUE(EquippedPiece(r, 1, &kind, &id));
    EXPECT_EQ(kind * 100 + id, 307);
    EXPECT_FALSE(EquippedPiece(r, 3, &kind, &id));
    EXPECT_EQ(id, -1);
}

TEST_F(EquipmentTest, OwnedAndShopListsStayPacked) {
    for (int id : {4, 9, 4, 20}) EXPECT_TRUE(AddToInventory(2, id));
    EXPECT_TRUE(AddToInventory(0, 1));
    EXPECT_TRUE(RemoveFromInventory(2, 4));
    EXPECT_FALSE(RemoveFromInventory(2, 33));
    EXPECT_EQ(std::vector<int32_t>(g_Campaign.inventory[2], g_Campaign.inventory[2] + 4),
              std::vector<int32_t>({9, 4, 20, -1}));
    EXPECT_EQ(InventoryCount(), 4);
    int kind = 0, id = 0;
    ASSERT_TRUE(InventoryPiece(1, &kind, &id));
    EXPECT_EQ(kind * 100 + id, 209);
    EXPECT_FALSE(InventoryPiece(4, &kind, &id));
    for (int i = 0; i < SHOP_PER_KIND; ++i) EXPECT_TRUE(AddToShop(1, i));
    EXPECT_FALSE(AddToShop(1, 10));
    EXPECT_FALSE(AddToShop(5, 1));
    EXPECT_EQ(ShopCount(), 10);
}

TEST_F(EquipmentTest, ALevelZeroTeamIsOfferedTheCheapestPiecesNotOwnedOrWorn) {
    PlayerRecord a = Member(0), b = Member(0);
    b.look.equipment[1] = 0;
    AddToInventory(0, 0);
    AddToInventory(0, 60);   // no such piece: dropped from the inventory
    const PlayerRecord* team[4] = {&a, nullptr, &b, nullptr};
    SeedRandom(5);
    BuildEquipmentLists(team, 4);
    EXPECT_EQ(g_Campaign.inventory[0][1], -1);
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) {
        SCOPED_TRACE(kind);
        const int first = kind <= 1 ? 1 : 0;   // the helmet row 0 is owned, the gloves' row 0 worn
        EXPECT_EQ(g_EquipmentLists.shop[kind][0], first);
        // The second needs at most 10 levels more than the strongest member: row 3 needs 12.
        const int second = g_EquipmentLists.shop[kind][1];
        EXPECT_GT(second, first);
        EXPECT_LE(GetEquipmentRow(kind, second)->requiredLevel, 12u);
        EXPECT_EQ(g_EquipmentLists.shop[kind][2], -1);
    }

    // No team: nothing offered. A kind whose pieces are all listed: nothing new.
    BuildEquipmentLists(team, 0);
    EXPECT_EQ(ShopCount(), 0);
    for (int id = 0; id < EQUIPMENT_ROWS_PER_KIND; ++id) AddToInventory(3, id);
    EXPECT_FALSE(AddToInventory(3, 0));
    BuildEquipmentLists(team, 4);
    EXPECT_EQ(g_EquipmentLists.shop[3][0], -1);
    EXPECT_EQ(g_EquipmentLists.listedCount[3], EQUIPMENT_ROWS_PER_KIND);
    EXPECT_TRUE(IsListed(LISTED_PER_KIND, 3, 53));
    EXPECT_FALSE(IsListed(10, 3, 53));
}

TEST_F(EquipmentTest, ListingSkipsRepeatsAndTheRowWithoutAPiece) {
    for (int i = 0; i < INVENTORY_PER_KIND; ++i) AddToInventory(4, 7);   // one piece many times
    PlayerRecord top = Member(400);
    const PlayerRecord* team[1] = {&top};
    BuildEquipmentLists(team, 1);
    EXPECT_EQ(g_EquipmentLists.listedCount[4], 3);   // 7 and the two offered
    EXPECT_EQ(g_EquipmentLists.shop[4][0], 52);      // never row 53, which holds no piece
    EXPECT_EQ(g_EquipmentLists.shop[4][1], 51);
    EXPECT_EQ(HighestPieceAtOrBelow(4, 1000), 50);
    EXPECT_EQ(FirstPieceAtOrAbove(0, -5), 0);
    EXPECT_EQ(HighestPieceAtOrBelow(7, 10), -1);

    SeedRandom(2);
    PlayerRecord r = Member(30);
    const int kind = GrantRandomReward(r);
    ASSERT_GE(kind, 0);
    int owned = 0, id = 0, k = 0;
    while (InventoryPiece(owned, &k, &id)) ++owned;
    EXPECT_EQ(owned, INVENTORY_PER_KIND + 1);
    EXPECT_LE(GetEquipmentRow(k, id)->requiredLevel, 30u);
}

}  // namespace
