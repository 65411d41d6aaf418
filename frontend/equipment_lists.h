// The pieces a campaign team owns (its inventory, kept in the campaign block), the shop stock
// built from the team's levels, and the bonuses the worn pieces add to a player record.
#pragma once

#include <cstdint>

#include "frontend/equipment_table.h"
#include "frontend/player_record.h"

constexpr int INVENTORY_PER_KIND = 54;
constexpr int SHOP_PER_KIND = 10;
constexpr int LISTED_PER_KIND = 58;
constexpr int EQUIPMENT_LEVEL_CAP = 300;

struct EquipmentLists {
    int32_t shop[EQUIPMENT_KIND_COUNT][SHOP_PER_KIND];       // -1 empty, packed
    int32_t listed[EQUIPMENT_KIND_COUNT][LISTED_PER_KIND];   // pieces not to offer again
    int32_t listedCount[EQUIPMENT_KIND_COUNT];
};
extern EquipmentLists g_EquipmentLists;
// Shop and listed pieces emptied.
void ClearEquipmentLists();

// The bonus of the record's pieces to attribute k, cut to a whole number after each piece.
int32_t EquipmentAttributeSum(int k, const PlayerRecord& record);
bool MeetsEquipmentRequirement(const PlayerRecord& record, int kind, int id);

bool AddToInventory(int kind, int id);
bool RemoveFromInventory(int kind, int id);
// The n-th owned piece counting kind by kind; false when there are not that many.
bool InventoryPiece(int n, int* kind, int* id);
int InventoryCount();
bool AddToShop(int kind, int id);
bool RemoveFromShop(int kind, int id);
bool ShopPiece(int n, int* kind, int* id);
int ShopCount();

int EquippedCount(const PlayerRecord& record);
// The n-th worn piece, kinds in order; false and id -1 when there is none.
bool EquippedPiece(const PlayerRecord& record, int n, int* kind, int* id);

// Whether id is among the first `count` listed pieces of the kind.
bool IsListed(int count, int kind, int id);
// Pieces not listed: the strongest needing at most the level, and the first needing at least it
// (working down from the level); -1 when there is none.
int HighestPieceAtOrBelow(int kind, int level);
int FirstPieceAtOrAbove(int kind, int level);

// The shop stock for a team of up to four records (null entries are skipped).
void BuildEquipmentLists(const PlayerRecord* const* team, int count);
// A piece near the record's level put into the inventory; the piece's kind, -1 when none was.
int GrantRandomReward(const PlayerRecord& record);
