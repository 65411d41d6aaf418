// The rules state of the running match: its game kind and state, its clocks, the team counters
// that decide a win, letters and power words, the mode objects and their templates, the team
// lists, and the result block it keeps in the scenario.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/math.h"

class Character;
class SceneNode;

// Game kinds 0-7: steal the symbol, obstacle race, greed, search, curse, annihilation,
// annihilation each for himself, greed each for himself. Kinds 6 and 7 are won by a fighter.
constexpr int MATCH_KINDS = 8;
constexpr int MATCH_CHECKPOINTS = 99;
constexpr int MATCH_SEARCH_OBJECTS = 10;
constexpr int MATCH_TEAM_MEMBERS = 4;
constexpr int MATCH_LETTERS = 26;
constexpr int MATCH_WORDS = 13;
constexpr int MATCH_MODE_TEMPLATES = 17;
constexpr int MATCH_COLLIDABLE_TEMPLATES = 3;

constexpr int32_t MATCH_PLAYING = 0;
constexpr int32_t MATCH_WON = 1;        // by the local player
constexpr int32_t MATCH_LOST = 2;       // by the local player, also on time-out

// The mode templates, in loading order.
enum ModeTemplate {
    TEMPLATE_SYMBOL0,
    TEMPLATE_SYMBOL1,
    TEMPLATE_SYMBOL2,
    TEMPLATE_NUM0,
    TEMPLATE_NUM9 = TEMPLATE_NUM0 + 9,
    TEMPLATE_CLOCK,
    TEMPLATE_COMPASS,
    TEMPLATE_START_SIGN,
    TEMPLATE_FINISH_SIGN,
};
enum CollidableTemplate { TEMPLATE_PEDESTAL0, TEMPLATE_PEDESTAL1, TEMPLATE_POST };

// The result block (264 dwords in the scenario): elapsed time at the last state change, the
// winner, a team record per side and a fighter record per slot.
constexpr int RESULT_ELAPSED = 0;
constexpr int RESULT_WINNER = 1;
constexpr int RESULT_TEAM_FIRST = 2;
constexpr int RESULT_TEAM_FIELDS = 11;
constexpr int RESULT_FIGHTER_FIRST = 24;
constexpr int RESULT_FIGHTER_FIELDS = 15;
enum TeamResult {
    TEAM_SYMBOLS,
    TEAM_CHECKPOINTS,
    TEAM_POINTS,
    TEAM_FOUND,
    TEAM_CURSE_MS,
    TEAM_KILL_SCORE,
    TEAM_KILL_POINTS,       // positive kill events
    TEAM_DEATHS,            // |points| of kill events suffered
    TEAM_SELF_KILLS,
    TEAM_ITEMS,
    TEAM_LETTERS,
};
enum FighterResult {
    FIGHTER_SIDE,
    FIGHTER_LINEUP_ID,
    FIGHTER_SYMBOLS,
    FIGHTER_CHECKPOINTS,
    FIGHTER_POINTS,
    FIGHTER_FOUND,
    FIGHTER_CURSE_MS,
    FIGHTER_KILL_SCORE,
    FIGHTER_LEVEL,
    FIGHTER_EXPERIENCE,
    FIGHTER_KILL_POINTS,
    FIGHTER_DEATHS,
    FIGHTER_SELF_KILLS,
    FIGHTER_ITEMS,
    FIGHTER_LETTERS,
};
// The dword of a team's or a fighter's field; -1 for a team, slot or field outside the block.
int TeamResultIndex(int team, int field);
int FighterResultIndex(int slot, int field);
// Adds (with the block's wrap-around) to a field; nothing for an index of -1.
void AddToResult(int index, int32_t amount);

// A post of the obstacle race, in race order.
struct CheckpointRecord {
    int32_t index;          // -1 while the slot is free
    uint8_t passed[2];      // per team
    Vec3 position;
    float yaw;
    SceneNode* post;        // owned dynamic collidable mesh; the slot is in use while there is one
    SceneNode* digits[2];   // owned dynamic meshes: units, tens
    SceneNode* sign;        // owned dynamic mesh
};

// A team's symbol (steal the symbol).
struct SymbolRecord {
    int32_t team;
    uint8_t atHome;         // standing on its pedestal
    Vec3 pedestalPosition;
    Vec3 symbolPosition;
    float yaw;
    SceneNode* pedestal;    // owned dynamic collidable mesh
    SceneNode* symbol;      // owned dynamic mesh
    int32_t effect;         // effect slot, -1 none
    Character* carrier;     // null when nobody carries it
};

// How many items of each credit value make up missing credits (worth 50, 25, 5 and 1).
struct CreditSplit {
    int64_t fifties, twentyFives, fives, ones;
};
CreditSplit SplitMissingCredits(int64_t missing);

// What the host alone keeps and its clients show: both sides' points, letters (-1 to 127) and the
// word states as the host holds them, the side whose spelled words are on show there, and the
// fighters the match ended with (0 while it is played).
struct MatchTally {
    int32_t points[2];
    int8_t letters[2][MATCH_LETTERS];
    uint8_t wordState[MATCH_WORDS];
    uint8_t showSide;
    uint16_t endFighters;
};
bool SameTally(const MatchTally& a, const MatchTally& b);

// Kinds 1, 2, 3 and 7 end when the time limit runs out; so does any kind outside 0-7.
bool ModeHasTimeLimit(int kind);
// Minutes of the settings in ms, 0 for a negative count and held at the u32 maximum.
uint32_t MinutesToMs(int32_t minutes);

class Match {
public:
    int32_t gameKind;
    int32_t state;                  // MATCH_PLAYING, MATCH_WON, MATCH_LOST
    // Clock-0 times.
    uint32_t stateTime;             // of the last state change
    uint32_t startTime;
    uint32_t timeLimit;             // ms
    uint32_t elapsed;               // match time, while playing
    int32_t localSide;
    // A bit per slot of the fighters in the match when it ended, 0 while it runs: a player who
    // leaves during the end's pause still fought, and the results must not depend on who left
    // the session first.
    uint16_t endFighters;
    // A client that heard the host's end: the end's fighters and the block are the host's.
    uint8_t hostEnded;
    // A client that joined in the host's end pause: none of the ended match's rows is its own.
    uint8_t joinedAfterEnd;
    // The host's last tally told to every client; none yet in this match while tallySent is 0.
    uint8_t tallySent;
    MatchTally sentTally;

    // Team counters, per side, each with the time of its last change.
    int32_t captures[2];
    uint32_t captureTime[2];
    int32_t checkpointCount;
    int32_t checkpointsPassed[2];   // the index of the next post the side must pass
    uint32_t checkpointTime[2];
    int32_t points[2];
    uint32_t pointsTime[2];
    int32_t killScore[2];
    uint32_t killTime[2];
    int32_t found[2];
    uint32_t foundTime[2];
    Character* cursedFighter;
    SceneNode* curseMarker;         // owned dynamic mesh, in the scene's object list
    uint32_t curseTime[2];          // ms the side's fighters carried the curse

    int32_t letters[2][MATCH_LETTERS];  // -1: the side can no longer obtain the letter
    uint32_t letterTime[MATCH_LETTERS];
    int32_t wordState[MATCH_WORDS];
    uint32_t wordTime[MATCH_WORDS];

    // Owned, out of every list; null where the model did not load.
    SceneNode* modeTemplates[MATCH_MODE_TEMPLATES];
    SceneNode* collidableTemplates[MATCH_COLLIDABLE_TEMPLATES];

    CheckpointRecord checkpoints[MATCH_CHECKPOINTS];
    SymbolRecord symbols[2];
    int32_t searchObjects[MATCH_SEARCH_OBJECTS];    // effect slots, -1 none
    float searchObjectHeight[MATCH_SEARCH_OBJECTS];

    int32_t teamSize[2];
    Character* teamMembers[2][MATCH_TEAM_MEMBERS];  // active fighters of each side, slot order

    // The host's last announced match and curse times, the search objects' last sync.
    uint32_t lastSentMatchTime;
    uint32_t lastSentCurseTime;
    uint32_t searchSyncTime;
    // The credit value of the items the scenario placed, counted at the start.
    uint32_t scenarioCredits;

    // Everything zero; no slot, effect or checkpoint in use.
    Match();

    void Setup(int kind, int localSide);
    void LoadModeObjects();
    void Start();
    void Update();
    void Release();
    void SetState(int newState, bool notify);
    // Notes who is in the match as it leaves play; a match at play has not ended.
    void NoteEndFighters();
    void FollowEndFighters(int fromState, int toState);
    // A client hears the host's end block: its match ends there, with the host's winner, rows
    // and fighters.
    void HearHostEnd();
    // This machine's tally, and a client taking the host's: what it shows of them becomes the
    // host's, without applying a word.
    MatchTally Tally() const;
    void HearHostTally(const MatchTally& tally);
    void RecordKill(int points, int victimSlot, int killerSlot);
    void AddPoints(int amount, int team, int slot);
    void BuildTeamLists();
    // Test keys: the side's goal counter at its goal; the time limit run out.
    void PutSideAtGoal(int team);
    void ExpireTimeLimit();
    // The end by the winner the rules found (a side, or a slot in kinds 6 and 7): won or lost for
    // the local player, with its sound and the music fade.
    void End(int winner);
    // Whether the winner (a side, or a slot in kinds 6 and 7; -1 for none) is the local player.
    bool LocalWins(int winner) const;

    // The game-kind rules: the winner (a side, or a slot in kinds 6 and 7), -1 while nobody won.
    int UpdateRules();
    // Power words.
    void EnableWords();
    void UpdateWordTimers();
    // Whether the team holds every letter of the word; false for an id outside 0-12.
    bool CanSpell(int team, int word) const;
    // False for an id outside 0-12; leaving state 3 for 0 applies the word for the local side.
    bool SetWordState(int word, int state);
    void ApplyWord(int team, int word);
    // A letter item of index 0-25 taken by a fighter of the side (its slot for the tallies).
    void CollectLetter(int side, int letter, int slot);
    // Mode objects. A team's symbol on its pedestal (false when refused); a race post, its index or -1.
    bool CreateSymbol(float x, float y, float z, float yaw, int team);
    int CreateCheckpoint(float x, float y, float z, float yaw);
    void SetSymbolCarrier(int team, float x, float y, float z, Character* carrier);
    void CaptureSymbol(Character* carrier);
    void AttachSymbolEffect(int team, int flag);
    bool PassCheckpoint(int index, int team, int slot);
    void SetCheckpointYaw(int index, float delta);
    void SetSearchObjectPosition(int index, float x, float y, float z);
    void CollectSearchObject(int index, int slot);
    void RemoveSearchObject(int index);
    void ClearSymbol(int team);
    void ClearCheckpoint(int index);
    bool PlaceSearchObject(int index);
    void UpdateSearchObjects();
    bool CreateCurseMarker(float x, float y, float z);
    void SetCursedCharacter(Character* fighter, bool freeze);
    // Each frame, also after the end: the symbols turn and ride on their carriers; the curse
    // marker turns above the cursed fighter.
    void SpinSymbols();
    void SpinCurseMarker();

private:
    void FreeModeTemplates();
    // Won or lost for the local player, told to the clients, with its sound and the music fade.
    void Finish(bool won);
};

extern Match g_Match;
// The text of power word 0-12 (capitals and spaces), null outside them.
const char* PowerWordText(int word);
// The number of letter items of index 0-25 (item type 24 + k) in use.
int CountLetterItems(int k);
// The match released and every field as at start-up (tests).
void ResetMatch();

// A received mode-object event (46-54) applied to the match; false, logged, for a short event,
// an unknown type, or a team, checkpoint, object or fighter index outside what is in play.
bool ApplyMatchEvent(const uint8_t* data, size_t size);
