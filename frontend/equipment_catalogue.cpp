#include "frontend/equipment_table.h"

namespace {

// The attribute each kind mostly raises, and the one it raises a little.
constexpr int kMainAttribute[EQUIPMENT_KIND_COUNT] = {2, 0, 4, 1, 2};
constexpr int kSideAttribute[EQUIPMENT_KIND_COUNT] = {3, 3, 3, 0, 0};
constexpr int kFirstNameText = 215;
constexpr int kSetRows = 6;   // the last rows of a kind belong to sets

// Required levels rise from 0 to 282 along rows 0..52, a little faster towards the end; the
// last row needs 290.
constexpr uint32_t RequiredLevel(int row) {
    if (row == EQUIPMENT_ROWS_PER_KIND - 1) return 290;
    return uint32_t((row * 10534 + 74 * row * row) / 2652);
}

constexpr EquipmentRow MakeRow(int kind, int row) {
    EquipmentRow r{};
    const uint32_t level = RequiredLevel(row);
    r.bonuses[kMainAttribute[kind]] = float(5 + 2 * level);
    r.bonuses[kSideAttribute[kind]] = float(1 + level / 4);
    r.requiredLevel = level;
    r.pieceClass = uint32_t((row / 3) % 6);
    const int setRow = row - (EQUIPMENT_ROWS_PER_KIND - kSetRows);
    r.setWord = setRow >= 0 ? uint32_t(100 * (1 + setRow % 5) + kind % 3) : uint32_t(row % 3);
    r.textId = uint32_t(kFirstNameText + kind * EQUIPMENT_ROWS_PER_KIND + row);
    r.price = 100 + 22 * level + 10 * uint32_t(kind);
    return r;
}

struct KnownRow {
    int kind, row;
    EquipmentRow values;
};

// Rows whose every value is fixed.
constexpr KnownRow kKnownRows[] = {
    {0, 0, {{0, 0, 5, 1, 0}, 0, {}, 0, 1, 215, 111}},
    {0, 1, {{0, 0, 9, 2, 0}, 4, {}, 0, 2, 216, 161}},
    {0, 5, {{0, 0, 25, 8, 0}, 20, {}, 3, 0, 241, 364}},
    {0, 52, {{0, 0, 569, 0, 0}, 282, {}, 1, 102, 231, 6435}},
    {1, 0, {{5, 0, 0, 1, 0}, 0, {}, 0, 1, 269, 90}},
    {2, 2, {{0, 0, 0, 4, 21}, 8, {}, 2, 200, 340, 257}},
    {3, 53, {{98, 585, 0, 0, 0}, 290, {}, 4, 400, 466, 88}},
    {4, 52, {{95, 0, 569, 287, 0}, 282, {}, 5, 502, 483, 8496}},
};

using Catalogue = EquipmentRow[EQUIPMENT_KIND_COUNT][EQUIPMENT_ROWS_PER_KIND];

struct CatalogueTable {
    Catalogue rows;
};

constexpr CatalogueTable MakeCatalogue() {
    CatalogueTable t{};
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind)
        for (int row = 0; row < EQUIPMENT_ROWS_PER_KIND; ++row) t.rows[kind][row] = MakeRow(kind, row);
    for (const KnownRow& k : kKnownRows) t.rows[k.kind][k.row] = k.values;
    // The last shoulder-pad row has its bonuses and level but no item behind them.
    EquipmentRow& last = t.rows[EQUIPMENT_KIND_COUNT - 1][EQUIPMENT_ROWS_PER_KIND - 1];
    last.pieceClass = last.setWord = last.textId = last.price = 0;
    return t;
}

constexpr CatalogueTable kCatalogue = MakeCatalogue();

}  // namespace

const EquipmentRow* CatalogueRow(int kind, int number) {
    if (kind < 0 || kind >= EQUIPMENT_KIND_COUNT || number < 0 || number >= EQUIPMENT_ROWS_PER_KIND) return nullptr;
    return &kCatalogue.rows[kind][number];
}

bool IsCatalogueItem(const EquipmentRow& row) { return row.textId != 0; }
