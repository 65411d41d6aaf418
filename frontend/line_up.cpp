#include "frontend/line_up.h"

#include "frontend/campaign.h"
#include "frontend/menu.h"
#include "frontend/player_saves.h"
#include "frontend/player_record.h"
#include "frontend/settings_files.h"
#include "core/settings.h"

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

namespace {

// The block's team words: the four enemies, their levels, the local player and three members,
// and the members' levels.
constexpr int kEnemyWord = 0, kEnemyLevelWord = 4, kOwnLevelWord = 12;

int32_t LevelWord(uint32_t word) { return int32_t(word <= uint32_t(MAX_PLAYER_LEVEL) ? word : uint32_t(MAX_PLAYER_LEVEL)); }

}  // namespace

void FillLineUpFromMenu() {
    ResetLineUp();
    const Settings& s = g_Settings;
    const GameSettingsBlock& b = g_GameSettings;
    const int own = s.localSide;
    if (own != 0 && own != 1) return;
    LineUpSide& mine = g_LineUp.sides[own];
    for (int k = 0; k < MAX_TEAM_SIZE; ++k) {
        const int32_t id = g_Menu.teamSlots[own][k];
        if (id < 0 || id >= PLAYER_SLOTS) continue;
        mine.identifiers[mine.count] = uint32_t(id);
        mine.levels[mine.count] = LevelWord(b.team[kOwnLevelWord + k]);
        ++mine.count;
    }
    // A side whose team was never chosen on the screens plays the block's current player.
    if (mine.count == 0 && b.playerSlot >= 0 && b.playerSlot < PLAYER_SLOTS) {
        mine.identifiers[0] = uint32_t(b.playerSlot);
        mine.levels[0] = LevelWord(b.team[kOwnLevelWord]);
        mine.count = 1;
    }
    mine.level = s.levelOwn;
    mine.randomLevel = s.randomLevelOwn;
    LineUpSide& other = g_LineUp.sides[1 - own];
    for (int k = 0; k < MAX_TEAM_SIZE; ++k) {
        other.identifiers[k] = b.team[kEnemyWord + k];
        other.levels[k] = LevelWord(b.team[kEnemyLevelWord + k]);
    }
    other.count = MAX_TEAM_SIZE;
    other.level = s.levelEnemy;
    other.randomLevel = s.randomLevelEnemy;
}
