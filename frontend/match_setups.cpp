// The stored match setups of the one-player campaign and how a setup enters the next match.
//
// A stored setup has the form of a mission record (the words the mission screen copies from
// byte 28 of the game settings on) with three additions: word 1 the game kind, words 13-15 the
// player-table slots of the allies that join the player, words 17-19 the allies' levels; a slot
// of -1 is no ally. The goals (words 20-22) are the one-player mission's for that kind, so the
// campaign's goal values live in one table. Per side and scenario step the program keeps the
// kind and the allies below: a side meets its kinds in turn and gains one ally per stage played,
// each ally a little stronger than the step.
#include "frontend/match_setups.h"

#include "core/settings.h"
#include "frontend/campaign.h"
#include "frontend/equipment_lists.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "frontend/player_saves.h"
#include "frontend/settings_files.h"

namespace {

constexpr int kAllyFirstWord = 13, kAllyLevelWord = 17, kAllies = 3;
// The game kind of each step a side has played, in the order the side meets them.
constexpr uint8_t kStepKinds[MISSION_SCENARIOS] = {0, 5, 1, 2, 3, 0, 4, 5, 2, 1,
                                                    3, 0, 5, 4, 2, 1, 0, 3, 5, 4};

struct StoredSetup {
    uint32_t kind;
    int32_t allies[kAllies];
    uint32_t levels[kAllies];
};

constexpr StoredSetup MakeStored(int progress) {
    StoredSetup s{};
    s.kind = kStepKinds[progress];
    const int allies = SingleCampaignAllies(progress);
    for (int a = 0; a < kAllies; ++a) {
        s.allies[a] = a < allies ? a + 1 : -1;
        s.levels[a] = a < allies ? uint32_t(3 * progress + 2) : 0;
    }
    return s;
}

// Indexed by side and scenario step; side 1 plays its steps from 19 down.
constexpr auto MakeStoredTable() {
    std::array<std::array<StoredSetup, MISSION_SCENARIOS>, 2> t{};
    for (int step = 0; step < MISSION_SCENARIOS; ++step) {
        t[0][step] = MakeStored(step);
        t[1][step] = MakeStored(MISSION_SCENARIOS - 1 - step);
    }
    return t;
}
constexpr auto kStored = MakeStoredTable();

// The rule pair each game kind's goals go to.
constexpr int kGoalRule[MISSION_KINDS] = {RULE_STEALS, -1, RULE_CREDITS, RULE_CAPTURES, RULE_CURSE_MINUTES,
                                          RULE_MAX_DEATHS};


}  // namespace

bool FindMatchSetup(int side, int step, MissionRecord* out) {
    if (side < 0 || side > 1 || step < 0 || step >= MISSION_SCENARIOS || !out) return false;
    const StoredSetup& s = kStored[side][step];
    const MissionRecord* mission = FindMission(SINGLE_MISSIONS, side, step, int(s.kind));
    if (!mission) return false;
    *out = *mission;
    out->words[1] = s.kind;
    for (int a = 0; a < kAllies; ++a) {
        out->words[kAllyFirstWord + a] = uint32_t(s.allies[a]);
        out->words[kAllyLevelWord + a] = s.levels[a];
    }
    return true;
}

void MenuScreens::ApplyMatchSetup(GameSettingsBlock* rules, const MissionRecord& setup) {
    if (!rules) return;
    const int side = ChosenSide();
    for (int k = 1; k <= kAllies; ++k) {
        // An ally whose slot is out of range or empty is no ally.
        const int32_t index = int32_t(setup.words[kAllyFirstWord + k - 1]);
        const bool used = index >= 0 && index < PLAYER_SLOTS && g_Menu.playerTables.records[side][index];
        teamIndex[k] = g_Menu.teamSlots[side][k] = used ? index : -1;
    }
    const PlayerRecord* team[SCREEN_TEAM] = {};
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        if (teamIndex[k] < 0) continue;
        CopyTeamRecord(k);
        if (k > 0) {
            const uint32_t level = setup.words[kAllyLevelWord + k - 1];
            teamRecords[k].level = level <= uint32_t(MAX_PLAYER_LEVEL) ? level : uint32_t(MAX_PLAYER_LEVEL);
        }
        team[k] = &teamRecords[k];
    }
    const uint32_t kind = setup.words[1];
    if (kind < uint32_t(MISSION_KINDS)) {
        rules->gameKind = int32_t(kind);
        if (kGoalRule[kind] >= 0) {
            rules->rules[kGoalRule[kind]] = setup.words[20];
            rules->rules[kGoalRule[kind] + 1] = setup.words[21];
        }
        if (kind >= 1 && kind <= 3)
            rules->rules[RULE_MATCH_MINUTES] = uint32_t(g_Settings.ScaleByDifficulty(int(setup.words[22])));
        else if (kind == 4)
            rules->rules[RULE_FREEZE_TIME] = setup.words[22];
    }
    BuildEquipmentLists(team, SCREEN_TEAM);
}

bool MenuScreens::PrepareTeamReady(int* stepOut) {
    const int side = ChosenSide();
    for (int k = 0; k < SCREEN_TEAM; ++k) teamIndex[k] = g_Menu.teamSlots[side][k] = -1;
    const int first = NextPlayerSlot(side, -1, false);
    teamIndex[0] = g_Menu.teamSlots[side][0] = first;
    g_Menu.SelectPlayer(first, side);
    CopyTeamRecord(0);
    g_Campaign.side = uint32_t(side);
    // The one-player campaign marks a step won in its first kind byte.
    int step = -1;
    for (int i = 0; i < CAMPAIGN_SCENARIOS && step < 0; ++i) {
        const int s = side == 0 ? i : CAMPAIGN_SCENARIOS - 1 - i;
        if (!g_Campaign.scenarios[s][CAMPAIGN_WON]) step = s;
    }
    MissionRecord setup;
    if (step < 0 || !FindMatchSetup(side, step, &setup)) {
        // Turned into the information box as a results screen turns; the page it came from stays.
        const int previous = g_Menu.previousPage;
        RedirectResults(23);
        g_Menu.previousPage = previous;
        return false;
    }
    SetUpMission(side, step, int(setup.words[1]), false);
    ApplyMatchSetup(&g_GameSettings, setup);
    if (stepOut) *stepOut = step;
    return true;
}
