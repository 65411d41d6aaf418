// The front end's equipment catalogue as the look pieces read it: one row per kind and piece
// number, with the columns the look takes its model and texture numbers from.
#pragma once

#include <cstdint>

constexpr int EQUIPMENT_KIND_COUNT = 5;     // helmet, gloves, boots, bracelets, shoulder pads
constexpr int EQUIPMENT_ROWS_PER_KIND = 54;

// One 60-byte row of the catalogue.
struct EquipmentRow {
    float bonuses[5];          // strength, power, constitution, agility, speed
    uint32_t requiredLevel;
    uint32_t unused[5];
    uint32_t pieceClass;       // the look's model number
    uint32_t setWord;          // the look's texture number
    uint32_t textId;
    uint32_t price;
};
static_assert(sizeof(EquipmentRow) == 60, "an equipment row is 60 bytes");

// The catalogue's row of a kind and piece number (frontend/equipment_catalogue.cpp).
const EquipmentRow* CatalogueRow(int kind, int number);
// Whether a row stands for a piece that can be owned (the last shoulder-pad row does not).
bool IsCatalogueItem(const EquipmentRow& row);

// Where the rows come from: the catalogue unless tests put another source in (null: the catalogue).
using EquipmentRowSource = const EquipmentRow* (*)(int kind, int number);
void SetEquipmentRowSource(EquipmentRowSource source);
void ResetEquipmentRowSource();
// Null for a kind outside 0-4 or a number outside 0-53 without asking the source.
const EquipmentRow* GetEquipmentRow(int kind, int number);
