#include "frontend/equipment_lists.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "common/random.h"
#include "core/settings.h"
#include "frontend/campaign.h"
#include "frontend/menu.h"

EquipmentLists g_EquipmentLists;

namespace {

bool IsKind(int kind) { return kind >= 0 && kind < EQUIPMENT_KIND_COUNT; }
bool IsPiece(int id) { return id >= 0 && id < EQUIPMENT_ROWS_PER_KIND; }
int RandomBelow(int n) { return n > 0 ? Random() % n : 0; }

// A packed list of pieces per kind: entries after the last used one are -1.
template <int N>
bool AddPacked(int32_t (&list)[EQUIPMENT_KIND_COUNT][N], int kind, int id) {
    if (!IsKind(kind)) return false;
    for (int32_t& e : list[kind]) {
        if (e >= 0) continue;
        e = id;
        return true;
    }
    return false;
}

template <int N>
bool RemovePacked(int32_t (&list)[EQUIPMENT_KIND_COUNT][N], int kind, int id) {
    if (!IsKind(kind)) return false;
    int32_t* row = list[kind];
    int32_t* at = std::find(row, row + N, id);
    if (at == row + N) return false;
    std::copy(at + 1, row + N, at);
    row[N - 1] = -1;
    return true;
}

template <int N>
bool NthPacked(const int32_t (&list)[EQUIPMENT_KIND_COUNT][N], int n, int* kind, int* id) {
    for (int k = 0; k < EQUIPMENT_KIND_COUNT; ++k)
        for (int32_t e : list[k]) {
            if (e < 0 || n-- > 0) continue;
            if (kind) *kind = k;
            if (id) *id = e;
            return true;
        }
    return false;
}

template <int N>
int CountPacked(const int32_t (&list)[EQUIPMENT_KIND_COUNT][N]) {
    int n = 0;
    for (const auto& row : list) n += int(std::count_if(row, row + N, [](int32_t e) { return e >= 0; }));
    return n;
}

// A piece listed once at most, and never past the list's room.
void List(int kind, int id) {
    EquipmentLists& e = g_EquipmentLists;
    if (!IsKind(kind) || !IsPiece(id) || IsListed(LISTED_PER_KIND, kind, id)) return;
    if (e.listedCount[kind] >= LISTED_PER_KIND) return;
    e.listed[kind][e.listedCount[kind]++] = id;
}

// A row the shop may offer at that level bound.
bool Offerable(int kind, int id) {
    const EquipmentRow* row = GetEquipmentRow(kind, id);
    return row && IsCatalogueItem(*row) && !IsListed(LISTED_PER_KIND, kind, id);
}

int CappedLevel(int level) { return std::clamp(level, 0, EQUIPMENT_LEVEL_CAP); }

void Offer(int kind, int id) {
    if (id < 0) return;
    AddToShop(kind, id);
    List(kind, id);
}

}  // namespace

void ClearEquipmentLists() {
    EquipmentLists& e = g_EquipmentLists;
    std::fill(&e.shop[0][0], &e.shop[0][0] + EQUIPMENT_KIND_COUNT * SHOP_PER_KIND, -1);
    std::fill(&e.listed[0][0], &e.listed[0][0] + EQUIPMENT_KIND_COUNT * LISTED_PER_KIND, -1);
    std::fill(e.listedCount, e.listedCount + EQUIPMENT_KIND_COUNT, 0);
}

int32_t EquipmentAttributeSum(int k, const PlayerRecord& record) {
    if (k < 0 || k >= PLAYER_ATTRIBUTES) return 0;
    float sum = 0.0f;
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) {
        const int32_t id = record.look.equipment[kind];
        if (id < 0) continue;
        const EquipmentRow* row = GetEquipmentRow(kind, id);
        if (!row || !std::isfinite(row->bonuses[k])) continue;
        sum = std::trunc(sum + row->bonuses[k]);
    }
    return int32_t(std::clamp(sum, float(INT_MIN / 2), float(INT_MAX / 2)));
}

bool MeetsEquipmentRequirement(const PlayerRecord& record, int kind, int id) {
    const EquipmentRow* row = GetEquipmentRow(kind, id);
    return row && row->requiredLevel <= record.level;
}

bool AddToInventory(int kind, int id) { return AddPacked(g_Campaign.inventory, kind, id); }
bool RemoveFromInventory(int kind, int id) { return RemovePacked(g_Campaign.inventory, kind, id); }
bool InventoryPiece(int n, int* kind, int* id) { return NthPacked(g_Campaign.inventory, n, kind, id); }
int InventoryCount() { return CountPacked(g_Campaign.inventory); }
bool AddToShop(int kind, int id) { return AddPacked(g_EquipmentLists.shop, kind, id); }
bool RemoveFromShop(int kind, int id) { return RemovePacked(g_EquipmentLists.shop, kind, id); }
bool ShopPiece(int n, int* kind, int* id) { return NthPacked(g_EquipmentLists.shop, n, kind, id); }
int ShopCount() { return CountPacked(g_EquipmentLists.shop); }

int EquippedCount(const PlayerRecord& record) {
    return int(std::count_if(record.look.equipment, record.look.equipment + EQUIPMENT_KIND_COUNT,
                             [](int32_t e) { return e >= 0; }));
}

bool EquippedPiece(const PlayerRecord& record, int n, int* kind, int* id) {
    for (int k = 0; k < EQUIPMENT_KIND_COUNT; ++k) {
        if (record.look.equipment[k] < 0 || n-- > 0) continue;
        if (kind) *kind = k;
        if (id) *id = record.look.equipment[k];
        return true;
    }
    if (id) *id = -1;
    return false;
}

bool IsListed(int count, int kind, int id) {
    if (!IsKind(kind)) return false;
    const EquipmentLists& e = g_EquipmentLists;
    const int n = std::clamp(count, 0, LISTED_PER_KIND);
    return std::find(e.listed[kind], e.listed[kind] + n, id) != e.listed[kind] + n;
}

int HighestPieceAtOrBelow(int kind, int level) {
    const uint32_t bound = uint32_t(CappedLevel(level));
    for (int id = EQUIPMENT_ROWS_PER_KIND - 1; id >= 0; --id) {
        const EquipmentRow* row = GetEquipmentRow(kind, id);
        if (row && row->requiredLevel <= bound && Offerable(kind, id)) return id;
    }
    return -1;
}

int FirstPieceAtOrAbove(int kind, int level) {
    for (int bound = CappedLevel(level); bound >= 0; --bound)
        for (int id = 0; id < EQUIPMENT_ROWS_PER_KIND; ++id) {
            const EquipmentRow* row = GetEquipmentRow(kind, id);
            if (row && row->requiredLevel >= uint32_t(bound) && Offerable(kind, id)) return id;
        }
    return -1;
}

void BuildEquipmentLists(const PlayerRecord* const* team, int count) {
    ClearEquipmentLists();
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) {
        int32_t* row = g_Campaign.inventory[kind];
        for (int i = 0; i < INVENTORY_PER_KIND;) {
            const int32_t id = row[i];
            if (id >= EQUIPMENT_ROWS_PER_KIND && !g_Settings.test) {
                RemoveFromInventory(kind, id);
                continue;
            }
            List(kind, id);
            ++i;
        }
    }
    int lowest = INT_MAX, highest = -1;
    const int members = g_Menu.gameType == 1 ? std::min(count, 1) : std::min(count, 4);
    for (int i = 0; i < members; ++i) {
        const PlayerRecord* r = team ? team[i] : nullptr;
        if (!r) continue;
        const int level = int(std::min<uint32_t>(r->level, EQUIPMENT_LEVEL_CAP));
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
        for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) List(kind, r->look.equipment[kind]);
    }
    // No team, nothing to offer.
    if (highest < 0) return;
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) {
        const int near = lowest + RandomBelow(highest - lowest + 1);
        int id = HighestPieceAtOrBelow(kind, near);
        Offer(kind, id >= 0 ? id : FirstPieceAtOrAbove(kind, near));
        const int above = std::max(0, lowest + RandomBelow(highest - lowest + 31) - 20);
        id = FirstPieceAtOrAbove(kind, above);
        Offer(kind, id >= 0 ? id : HighestPieceAtOrBelow(kind, above));
    }
}

int GrantRandomReward(const PlayerRecord& record) {
    const int kind = RandomBelow(EQUIPMENT_KIND_COUNT);
    ClearEquipmentLists();
    for (int level = CappedLevel(int(std::min<uint32_t>(record.level, EQUIPMENT_LEVEL_CAP)));
         level <= EQUIPMENT_LEVEL_CAP; ++level) {
        const int id = HighestPieceAtOrBelow(kind, level);
        if (id < 0) continue;
        return AddToInventory(kind, id) ? kind : -1;
    }
    return -1;
}
