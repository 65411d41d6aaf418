#include "frontend/line_up.h"

#include "frontend/campaign.h"
#include "frontend/menu.h"
#include "frontend/player_saves.h"
#include "frontend/player_record.h"

MatchLineUp g_LineUp = {};

namespace {

bool ChosenPlayerRecord(int side, uint32_t identifier, PlayerRecord* out) {
    return identifier < uint32_t(PLAYER_SLOTS) && CopyPlayerFromSlot(side, int(identifier), out);
}

bool EnemyLevel(uint32_t identifier, EnemyLevelEntry* out) {
    EnemyLevelRow row;
    if (!out || !FindEnemyLevel(identifier, &row)) return false;
    *out = EnemyLevelEntry{row.minimumLevel, row.value};
    return true;
}

LineUpCalls DefaultLineUpCalls() {
    LineUpCalls c;
    c.playerRecord = ChosenPlayerRecord;
    c.enemyRecord = [](uint32_t identifier, int sideFlag, PlayerRecord* out) {
        return g_Menu.LoadEnemyRecord(identifier, sideFlag, out);
    };
    c.enemyLevel = EnemyLevel;
    c.playerAttribute = GetPlayerAttribute;
    return c;
}

}  // namespace

LineUpCalls g_LineUpCalls = DefaultLineUpCalls();

void ResetLineUpCalls() { g_LineUpCalls = DefaultLineUpCalls(); }

void ResetLineUp() { g_LineUp = MatchLineUp{}; }
