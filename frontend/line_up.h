// The fighters of a match started from the menu, as the front end chose them: per side the
// identifiers of the chosen players (the local side) or of the enemies (the other side), the
// level of each position, the side's level setting and random flag; the match mode is the menu's
// save mode. The records and the level table behind the identifiers are reached through
// g_LineUpCalls.
#pragma once

#include <cstdint>

struct PlayerRecord;

constexpr int LINE_UP_MAX = 16;

struct LineUpSide {
    int32_t count;
    uint32_t identifiers[LINE_UP_MAX];
    int32_t levels[LINE_UP_MAX];    // the line-up's level of each position
    int32_t level;                  // the side's level setting
    uint8_t randomLevel;            // a level 0..level drawn at random
};

struct MatchLineUp {
    LineUpSide sides[2];
};
extern MatchLineUp g_LineUp;
// Nobody chosen.
void ResetLineUp();
// The line-up of the match the menu is starting, from the applied settings: the local side's
// chosen players (the menu's team slots, in order, with the block's own-team levels), the other
// side's four enemies and their levels from the block, each side's level setting and random flag.
// Nobody is chosen for a side outside 0..1.
void FillLineUpFromMenu();

// An enemy's entry of the level table at the current stage.
struct EnemyLevelEntry {
    int32_t level;
    float value;
};

// Each entry starts at the front end's own function; tests put a line-up of their own in.
struct LineUpCalls {
    // The record of a chosen player of the side; false when there is none.
    bool (*playerRecord)(int side, uint32_t identifier, PlayerRecord* out);
    // Menu::LoadEnemyRecord.
    bool (*enemyRecord)(uint32_t identifier, int sideFlag, PlayerRecord* out);
    // The enemy's level-table entry; false when the table has none.
    bool (*enemyLevel)(uint32_t identifier, EnemyLevelEntry* out);
    // GetPlayerAttribute.
    float (*playerAttribute)(int k, const PlayerRecord* record);
};
extern LineUpCalls g_LineUpCalls;
void ResetLineUpCalls();
