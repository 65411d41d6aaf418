#include "frontend/player_record.h"

#include <cstring>

void MakeRandomPlayer(int side, PlayerRecord* record) {
    if (!record) return;
    std::memset(record, 0, sizeof *record);
    record->side = side == 1 ? 1u : 0u;
    for (float& a : record->attributes) a = 50.0f;
    record->team = -1;
    PlayerLook& look = record->look;
    for (int32_t& t : look.tattoos) t = -1;
    look.hair = -1;
    look.glasses = -1;
    for (int32_t& e : look.equipment) e = -1;
}

// The profiles fill this.
void RandomizePlayerLook(int, PlayerRecord*) {}

// The equipment catalogue adds the bonus of the equipped pieces here.
float GetPlayerAttribute(int k, const PlayerRecord* record) {
    if (!record || k < 0 || k >= PLAYER_ATTRIBUTES) return 0.0f;
    return record->attributes[k];
}
