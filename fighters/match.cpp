// The match object: set-up and start per game kind, the frame's time sync, end and per-kind
// steps, the state changes with their result block, kills and points, and the team lists.
#include "fighters/match.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>

#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/roles.h"
#include "fighters/trajectory.h"
#include "net/session.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "world/item.h"
#include "world/scenario.h"

Match g_Match;

static_assert(std::is_trivially_copyable_v<Match>, "the match is a plain record");
static_assert(RESULT_FIGHTER_FIRST + RESULT_FIGHTER_FIELDS * MAX_CHARACTERS == MATCH_RESULT_DWORDS,
              "the fighter records end the result block");
static_assert(RESULT_TEAM_FIRST + RESULT_TEAM_FIELDS * 2 == RESULT_FIGHTER_FIRST, "two team records");

namespace {

constexpr uint32_t kTimeSyncMs = 2000;
constexpr uint32_t kFadeAfterMs = 9200;
constexpr uint32_t kLeaveAfterMs = 10000;
constexpr uint32_t kMusicFadeMs = 3000;
constexpr int kVictorySound[2] = {255, 256};
constexpr int kDefeatSound = 257;

// Behaviour roles of computer fighters.
constexpr int8_t kAttack = 0;
constexpr int8_t kDefend = 1;
constexpr int8_t kFollowLocal = 2;

// What the start does per game kind. Roles are those of the listed members m0..m3 of a side, on
// the local side and on the other side; they are set only outside network games.
struct KindRow {
    bool setsRoles;
    int8_t roles[MATCH_TEAM_MEMBERS][2];
    bool topsUpCredits;
    bool placesSearchObjects;
    bool curse;
};
constexpr KindRow kKindRows[MATCH_KINDS] = {
    {true, {{kAttack, kAttack}, {kAttack, kAttack}, {kDefend, kDefend}, {kFollowLocal, kDefend}}, false, false, false},
    {true, {}, false, false, false},
    {true, {}, true, false, false},
    {true, {}, false, true, false},
    {true, {}, false, false, true},
    {true, {{kAttack, kAttack}, {kFollowLocal, kAttack}, {kAttack, kAttack}, {kAttack, kAttack}}, false, false, false},
    {false, {}, false, false, false},
    {false, {}, true, false, false},
};

// Credit items: type and worth, largest first.
struct CreditItem {
    int32_t type;
    int32_t worth;
};
constexpr CreditItem kCreditItems[] = {{23, 50}, {22, 25}, {21, 5}, {20, 1}};

// The mode templates in "Modelos\Objetos Dinamicos\", each with its texture folder.
struct TemplateRow {
    const char* name;
    const char* textures;
};
constexpr const char* kObjectTextures = "Texturas\\Objetos Dinamicos\\";
constexpr const char* kItemTextures = "Texturas\\Items\\";
constexpr TemplateRow kModeTemplateRows[MATCH_MODE_TEMPLATES] = {
    {"symbol0", kObjectTextures}, {"symbol1", kObjectTextures}, {"symbol2", kItemTextures},
    {"NUM0", kItemTextures},      {"NUM1", kItemTextures},      {"NUM2", kItemTextures},
    {"NUM3", kItemTextures},      {"NUM4", kItemTextures},      {"NUM5", kItemTextures},
    {"NUM6", kItemTextures},      {"NUM7", kItemTextures},      {"NUM8", kItemTextures},
    {"NUM9", kItemTextures},      {"reloj", kObjectTextures},   {"brujula", kObjectTextures},
    {"cartel_start", kObjectTextures}, {"cartel_meta", kObjectTextures},
};
constexpr TemplateRow kCollidableTemplateRows[MATCH_COLLIDABLE_TEMPLATES] = {
    {"pedestal0", kObjectTextures}, {"pedestal1", kObjectTextures}, {"poste_carrera", kObjectTextures}};
constexpr uint32_t kTemplateLoadFlags = 3;

// The node "<name><tag>" that the model file put in the list, taken out of it.
SceneNode* LoadTemplate(const TemplateRow& row, ObjectList* list, const char* tag) {
    char path[96];
    std::snprintf(path, sizeof path, "Modelos\\Objetos Dinamicos\\%s.y3d", row.name);
    if (!g_Scene.LoadModel(path, row.textures, kTemplateLoadFlags, false) || !list) return nullptr;
    char name[48];
    std::snprintf(name, sizeof name, "%s%s", row.name, tag);
    SceneNode* node = list->FindByName(name);
    if (node) list->Remove(node);
    return node;
}

bool IsClient() { return IsNetworkActive() && !g_NetSession.hosting; }
bool IsTeam(int team) { return team == 0 || team == 1; }
bool IsSlot(int slot) { return slot >= 0 && slot < MAX_CHARACTERS; }

// Wrapping i32 arithmetic, as the counters have always had.
void Add(int32_t* counter, int32_t amount) { *counter = int32_t(uint32_t(*counter) + uint32_t(amount)); }
int32_t Negated(int32_t amount) { return int32_t(0u - uint32_t(amount)); }

// A float meter as a whole number for the block: truncated, held within i32.
int32_t WholeOf(float value) {
    if (!std::isfinite(value)) return 0;
    if (value >= 2147483647.0f) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

void SetRoles(const Match& m, const KindRow& row) {
    for (int side = 0; side < 2; ++side) {
        const int column = side == m.localSide ? 0 : 1;
        for (int i = 0; i < m.teamSize[side] && i < MATCH_TEAM_MEMBERS; ++i)
            if (Character* c = m.teamMembers[side][i]) c->behaviourRole = row.roles[i][column];
    }
}

void TopUpCredits(uint32_t placed) {
    const int64_t goal = int64_t(g_Settings.creditsGoal[0]) + int64_t(g_Settings.creditsGoal[1]);
    const CreditSplit split = SplitMissingCredits(goal - int64_t(placed));
    const int64_t counts[] = {split.fifties, split.twentyFives, split.fives, split.ones};
    for (size_t k = 0; k < sizeof counts / sizeof counts[0]; ++k) {
        // No more items than there are slots can lie about, and a type without a model never will.
        for (int64_t i = 0; i < counts[k] && i < ITEM_SLOTS; ++i)
            if (SpawnItemAtRandomCell(kCreditItems[k].type) == -1) break;
    }
}

}  // namespace

CreditSplit SplitMissingCredits(int64_t missing) {
    CreditSplit s{};
    if (missing <= 0) return s;
    s.fifties = missing / 4 / 50;
    int64_t rest = missing - 50 * s.fifties;
    s.twentyFives = rest / 3 / 25;
    rest -= 25 * s.twentyFives;
    s.fives = rest / 2 / 5;
    s.ones = rest - 5 * s.fives;
    return s;
}

bool ModeHasTimeLimit(int kind) { return !(kind == 0 || kind == 4 || kind == 5 || kind == 6); }

uint32_t MinutesToMs(int32_t minutes) {
    if (minutes <= 0) return 0;
    const uint64_t ms = uint64_t(minutes) * 60000u;
    return ms > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max() : uint32_t(ms);
}

int TeamResultIndex(int team, int field) {
    if (!IsTeam(team) || field < 0 || field >= RESULT_TEAM_FIELDS) return -1;
    return RESULT_TEAM_FIRST + RESULT_TEAM_FIELDS * team + field;
}

int FighterResultIndex(int slot, int field) {
    if (!IsSlot(slot) || field < 0 || field >= RESULT_FIGHTER_FIELDS) return -1;
    return RESULT_FIGHTER_FIRST + RESULT_FIGHTER_FIELDS * slot + field;
}

void AddToResult(int index, int32_t amount) {
    // The block is the match's result from its end until the next match starts: a pickup in the
    // pause would change it on one machine only.
    if (index < 0 || index >= MATCH_RESULT_DWORDS || g_Match.state != MATCH_PLAYING) return;
    g_Scenario.results[index] += uint32_t(amount);
}

Match::Match() {
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    for (CheckpointRecord& c : checkpoints) c.index = -1;
    for (int t = 0; t < 2; ++t) {
        symbols[t].team = t;
        symbols[t].effect = EFFECT_NO_SLOT;
    }
    for (int32_t& s : searchObjects) s = EFFECT_NO_SLOT;
}

void ResetMatch() {
    g_Match.Release();
    g_Match = Match();
}

void Match::Setup(int kind, int side) {
    gameKind = kind;
    hostEnded = 0;
    joinedAfterEnd = 0;
    tallySent = 0;
    SetState(MATCH_PLAYING, false);
    endFighters = 0;
    elapsed = 0;
    localSide = side;
    timeLimit = MinutesToMs(g_Settings.matchMinutes);

    for (int t = 0; t < 2; ++t) {
        captures[t] = checkpointsPassed[t] = points[t] = killScore[t] = found[t] = 0;
        captureTime[t] = checkpointTime[t] = pointsTime[t] = killTime[t] = foundTime[t] = curseTime[t] = 0;
        for (int32_t& letter : letters[t]) letter = 0;
    }
    checkpointCount = 0;
    cursedFighter = nullptr;
    curseMarker = nullptr;
    for (uint32_t& t : letterTime) t = 0;
    for (int w = 0; w < MATCH_WORDS; ++w) {
        wordState[w] = 0;
        wordTime[w] = 0;
    }

    LoadModeObjects();

    for (CheckpointRecord& c : checkpoints) c = CheckpointRecord{-1, {0, 0}, {}, 0.0f, nullptr, {nullptr, nullptr}, nullptr};
    for (int t = 0; t < 2; ++t) symbols[t] = SymbolRecord{t, 0, {}, {}, 0.0f, nullptr, nullptr, EFFECT_NO_SLOT, nullptr};
    for (int i = 0; i < MATCH_SEARCH_OBJECTS; ++i) {
        searchObjects[i] = EFFECT_NO_SLOT;
        searchObjectHeight[i] = 0.0f;
    }
}

void Match::FreeModeTemplates() {
    for (SceneNode*& t : modeTemplates) {
        delete t;
        t = nullptr;
    }
    for (SceneNode*& t : collidableTemplates) {
        delete t;
        t = nullptr;
    }
}

void Match::LoadModeObjects() {
    // The front end sets a match up again when it applies changed settings, without a release.
    FreeModeTemplates();
    for (int i = 0; i < MATCH_MODE_TEMPLATES; ++i) modeTemplates[i] = LoadTemplate(kModeTemplateRows[i], g_Scene.objects, "(DIN)");
    for (int i = 0; i < MATCH_COLLIDABLE_TEMPLATES; ++i)
        collidableTemplates[i] = LoadTemplate(kCollidableTemplateRows[i], g_Scene.collidables, "(DINCOL)");
}

void Match::Start() {
    scenarioCredits = CountItemCredits();
    const bool network = IsNetworkActive();
    if (!network) {
        if (g_Settings.mode == 0) g_TrajectoryTable.LoadOrBuild();
        BuildTeamLists();
    }
    if (gameKind < 0 || gameKind >= MATCH_KINDS) return;
    const KindRow& row = kKindRows[gameKind];
    if (!network && row.setsRoles) SetRoles(*this, row);
    if (row.topsUpCredits && !IsClient()) TopUpCredits(scenarioCredits);
    if (row.placesSearchObjects && !IsClient()) {
        int64_t n = (int64_t(g_Settings.capturesGoal[0]) + int64_t(g_Settings.capturesGoal[1])) / 2 / 4;
        if (n < 1) n = 1;
        if (n > MATCH_SEARCH_OBJECTS) n = MATCH_SEARCH_OBJECTS;
        for (int i = 0; i < int(n); ++i) PlaceSearchObject(i);
    }
    if (row.curse) {
        CreateCurseMarker(0.0f, 0.0f, 0.0f);
        if (!IsClient()) SetCursedCharacter(g_FighterShellCalls.localFighter(), false);
    }
}

void Match::Update() {
    const uint32_t now = GetTime(CLOCK_MATCH);
    if (IsHost() && ModeHasTimeLimit(gameKind) && elapsed - lastSentMatchTime > kTimeSyncMs) {
        g_GamePacket.WriteMatchTime(elapsed);
        lastSentMatchTime = elapsed;
    }

    if (state != MATCH_PLAYING) {
        const uint32_t over = now - stateTime;
        if (over > kFadeAfterMs) g_FighterShellCalls.fadeOutScreen();
        // Asked every frame until the shell leaves.
        if (over > kLeaveAfterMs) {
            if (g_Settings.test) g_TrajectoryTable.WriteStats();
            g_FighterShellCalls.requestLeaveMatch();
        }
    } else if (IsClient()) {
        // A client's match ends with the host's, when its end block comes: ended here by the same
        // tests it could end on another winner, or before the host's last changes arrived.
        elapsed = now - startTime;
    } else {
        const int winner = UpdateRules();
        if (winner != -1) {
            End(winner);
        } else {
            elapsed = now - startTime;
            if (ModeHasTimeLimit(gameKind) && elapsed > timeLimit) {
                g_Scenario.results[RESULT_WINNER] = uint32_t(-1);
                Finish(false);
            }
        }
    }

    UpdateWordTimers();
    // What changed of the tally this frame reaches every client at the next.
    if (IsHost()) {
        const MatchTally tally = Tally();
        if (!tallySent || !SameTally(tally, sentTally)) {
            g_GamePacket.WriteMatchTally(tally);
            sentTally = tally;
            tallySent = 1;
        }
    }
    switch (gameKind) {
    case 0: SpinSymbols(); break;
    case 3:
        if (!IsClient()) UpdateSearchObjects();
        break;
    case 4: SpinCurseMarker(); break;
    default: break;
    }
}

bool Match::LocalWins(int winner) const {
    const Character* local = g_FighterShellCalls.localFighter();
    return gameKind >= 6 ? local && local->slot == winner : localSide == winner;
}

void Match::End(int winner) {
    g_Scenario.results[RESULT_WINNER] = uint32_t(winner);
    Finish(LocalWins(winner));
}

void Match::Finish(bool won) {
    if (won) {
        SetState(MATCH_WON, true);
        g_FighterShellCalls.playFx(kVictorySound[localSide == 0 ? 0 : 1], nullptr, 0);
    } else {
        SetState(MATCH_LOST, true);
        g_FighterShellCalls.playFx(kDefeatSound, nullptr, 0);
    }
    g_FighterShellCalls.fadeOutMusic(kMusicFadeMs);
}

void Match::SetState(int newState, bool notify) {
    if (newState == state) return;
    const uint32_t now = GetTime(CLOCK_MATCH);
    FollowEndFighters(state, newState);
    state = newState;
    stateTime = now;
    if (newState == MATCH_PLAYING) startTime = now;
    // The host's end block already holds the end's time and levels, of the fighters it ended with.
    if (hostEnded) return;
    g_Scenario.results[RESULT_ELAPSED] = now - startTime;
    for (int slot = 0; slot < MAX_CHARACTERS; ++slot) {
        const Character& c = g_Characters[slot];
        if (!c.active) continue;
        g_Scenario.results[FighterResultIndex(slot, FIGHTER_LEVEL)] = uint32_t(c.level);
        g_Scenario.results[FighterResultIndex(slot, FIGHTER_EXPERIENCE)] = uint32_t(WholeOf(c.experience));
    }
    if (notify && IsHost()) g_GamePacket.WriteMatchResults(g_Scenario.results, MATCH_RESULT_DWORDS);
}

void Match::NoteEndFighters() {
    endFighters = 0;
    for (int slot = 0; slot < MAX_CHARACTERS; ++slot)
        if (g_Characters[slot].active) endFighters |= uint16_t(1u << slot);
}

void Match::FollowEndFighters(int fromState, int toState) {
    if (toState == MATCH_PLAYING) endFighters = 0;
    else if (fromState == MATCH_PLAYING && !hostEnded) NoteEndFighters();
}

void Match::HearHostEnd() {
    if (hostEnded) return;
    // What reached this machine before the block is what the host had done before its end: the
    // fighters here now are those it ended with.
    NoteEndFighters();
    hostEnded = 1;
    const int32_t winner = int32_t(g_Scenario.results[RESULT_WINNER]);
    // This clock runs a link's delay behind the host's: the end's time is the host's, so that a
    // time-out reads as one here too. A timed match someone won ended within its limit.
    elapsed = g_Scenario.results[RESULT_ELAPSED];
    if (winner != -1 && ModeHasTimeLimit(gameKind) && elapsed > timeLimit) elapsed = timeLimit;
    const bool won = LocalWins(winner);
    if (state == MATCH_PLAYING)
        Finish(won);
    else
        state = won ? MATCH_WON : MATCH_LOST;
}

void Match::RecordKill(int amount, int victimSlot, int killerSlot) {
    if (state != MATCH_PLAYING || IsClientNotDispatching()) return;
    // The network event carries a u8 victim and an i8 killer: nothing outside the records counts.
    if (!IsSlot(victimSlot) || (killerSlot != -1 && !IsSlot(killerSlot))) return;
    if (amount > 0 && killerSlot == -1) return;
    Character& victim = g_Characters[victimSlot];
    const int v = victim.side;
    if (!IsTeam(v)) return;
    Character* killer = killerSlot == -1 ? nullptr : &g_Characters[killerSlot];
    if (amount > 0 && !IsTeam(killer->side)) return;

    const uint32_t now = GetTime(CLOCK_MATCH);
    if (amount <= 0) {
        Add(&victim.killScore, amount);
        victim.killTime = now;
        Add(&killScore[v], amount);
        killTime[v] = now;
        AddToResult(TeamResultIndex(v, TEAM_KILL_SCORE), amount);
        AddToResult(FighterResultIndex(victimSlot, FIGHTER_KILL_SCORE), amount);
        if (victimSlot == killerSlot) {
            AddToResult(TeamResultIndex(v, TEAM_SELF_KILLS), Negated(amount));
            AddToResult(FighterResultIndex(victimSlot, FIGHTER_SELF_KILLS), Negated(amount));
        }
    } else {
        const int k = killer->side;
        Add(&killer->killScore, amount);
        killer->killTime = now;
        Add(&killScore[k], amount);
        killTime[k] = now;
        AddToResult(TeamResultIndex(k, TEAM_KILL_SCORE), amount);
        AddToResult(TeamResultIndex(k, TEAM_KILL_POINTS), amount);
        AddToResult(FighterResultIndex(killerSlot, FIGHTER_KILL_SCORE), amount);
        AddToResult(FighterResultIndex(killerSlot, FIGHTER_KILL_POINTS), amount);
        // A client replays the host's kill: the experience came in the host's own event before it.
        if ((gameKind == 5 || gameKind == 6) && !IsClient())
            killer->AddExperience(0.1f * killer->maxExperience, nullptr);
    }
    const int32_t size = amount < 0 ? Negated(amount) : amount;
    AddToResult(TeamResultIndex(v, TEAM_DEATHS), size);
    AddToResult(FighterResultIndex(victimSlot, FIGHTER_DEATHS), size);
    if (IsHost()) g_GamePacket.WriteRecordKill(amount, victimSlot, killerSlot);
}

void Match::AddPoints(int amount, int team, int slot) {
    if (state != MATCH_PLAYING || !IsTeam(team)) return;
    Add(&points[team], amount);
    const Character* local = g_FighterShellCalls.localFighter();
    // Each for himself, the side's time marks only the local fighter's own gains.
    if (!(gameKind == 6 || gameKind == 7) || (local && slot == local->slot)) pointsTime[team] = GetTime(CLOCK_MATCH);
    AddToResult(TeamResultIndex(team, TEAM_POINTS), amount);
    if (slot != -1) AddToResult(FighterResultIndex(slot, FIGHTER_POINTS), amount);
}

void Match::BuildTeamLists() {
    for (int t = 0; t < 2; ++t) {
        teamSize[t] = 0;
        for (Character*& m : teamMembers[t]) m = nullptr;
    }
    for (Character& c : g_Characters) {
        if (!c.active || !IsTeam(c.side) || teamSize[c.side] >= MATCH_TEAM_MEMBERS) continue;
        teamMembers[c.side][teamSize[c.side]++] = &c;
    }
}

void Match::Release() {
    FreeModeTemplates();
    for (int i = 0; i < MATCH_CHECKPOINTS; ++i) ClearCheckpoint(i);
    ClearSymbol(0);
    ClearSymbol(1);
    if (curseMarker && g_Scene.objects) g_Scene.objects->Delete(curseMarker);
    curseMarker = nullptr;
    g_TrajectoryTable.Clear();
}

void Match::PutSideAtGoal(int team) {
    if (!IsTeam(team)) return;
    switch (gameKind) {
    case 0: captures[team] = g_Settings.stealsGoal[team]; break;
    case 1: checkpointsPassed[team] = checkpointCount; break;
    case 2: points[team] = g_Settings.creditsGoal[team]; break;
    case 3: found[team] = g_Settings.capturesGoal[team]; break;
    case 4: {
        // The other side carried the curse past its limit.
        const int other = 1 - team;
        const uint32_t limit = MinutesToMs(g_Settings.curseMinutes[other]);
        curseTime[other] = limit == std::numeric_limits<uint32_t>::max() ? limit : limit + 1;
        break;
    }
    case 5: killScore[team] = g_Settings.maxDeaths[team]; break;
    default: break;
    }
}

void Match::ExpireTimeLimit() { startTime = GetTime(CLOCK_MATCH) - timeLimit; }
