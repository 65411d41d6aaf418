#include "frontend/player_record.h"

#include "frontend/equipment_lists.h"

float GetPlayerAttribute(int k, const PlayerRecord* record) {
    if (!record || k < 0 || k >= PLAYER_ATTRIBUTES) return 0.0f;
    return record->attributes[k] + float(EquipmentAttributeSum(k, *record));
}
