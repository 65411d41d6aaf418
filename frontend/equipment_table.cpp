#include "frontend/equipment_table.h"

namespace {

EquipmentRowSource g_Source = CatalogueRow;

}  // namespace

void SetEquipmentRowSource(EquipmentRowSource source) { g_Source = source ? source : CatalogueRow; }
void ResetEquipmentRowSource() { g_Source = CatalogueRow; }

const EquipmentRow* GetEquipmentRow(int kind, int number) {
    if (kind < 0 || kind >= EQUIPMENT_KIND_COUNT || number < 0 || number >= EQUIPMENT_ROWS_PER_KIND) return nullptr;
    return g_Source(kind, number);
}
