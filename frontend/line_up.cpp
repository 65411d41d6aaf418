#include "frontend/line_up.h"

#include "frontend/menu.h"
#include "frontend/player_record.h"

MatchLineUp g_LineUp = {};

namespace {

// The player saves fill these: the records of the chosen players and the campaign's level table.
bool ChosenPlayerRecord(int, uint32_t, PlayerRecord*) { return false; }
bool EnemyLevel(uint32_t, EnemyLevelEntry*) { return false; }

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
