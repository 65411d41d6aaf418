// The campaign screens around a match: the team cards after it (13), the one-player campaign's
// next stage (21) and its team summary (22), and the pieces a stage rewards the player with.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/debug_log.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/look_pieces.h"
#include "fighters/match.h"
#include "frontend/campaign.h"
#include "frontend/equipment_lists.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "frontend/menu_screens_parts.h"
#include "frontend/panel_common.h"
#include "frontend/player_saves.h"
#include "frontend/screen_logic_setup.h"
#include "frontend/settings_files.h"
#include "frontend/sprite2d.h"
#include "frontend/texture_font.h"

using namespace screenparts;

namespace {

// The stage rewards. Each side's player is rewarded after its 5th, 10th and 15th scenario (side 0
// plays scenarios 0 to 19, side 1 from 19 down), with the pieces of one group of the side's
// special enemy record: helmet and gloves, then boots and bracelets, then shoulder pads.
constexpr int kRewardSteps[2][3] = {{4, 9, 14}, {15, 10, 5}};
constexpr bool kGroupKinds[3][EQUIPMENT_KIND_COUNT] = {
    {true, true, false, false, false}, {false, false, true, true, false}, {false, false, false, false, true}};
constexpr uint32_t kSpecialEnemy[2] = {41, 42};
constexpr int kLastStep[2] = {19, 0};

// Screen 13's cards: label slots of the names, the eight rows of each card, the four headings.
constexpr int kCardRows = 8;
constexpr int kCardRowLabel = 4, kHeadingLabel = 36, kHiddenLabel = 40, kHintLabel = 44;
constexpr int kCardRowTexts[kCardRows] = {813, 814, 815, 816, 817, 527, 830, 831};
// Screen 22: the value rows' minus and plus buttons, and the step one point buys.
constexpr int kMinusImage = 16, kPlusImage = 21, kPointsLabel = 40;
constexpr float kSummaryStep = 1.0f;
constexpr float kSummaryValueX = 0.75f, kSummaryTop = 0.42f, kSummaryGap = 0.04f;

const char* Text(int id) { return PanelText(id); }
int Clamp4(int n) { return std::clamp(n, 0, SCREEN_TEAM); }

// The row of a fighter of that side who took part; a row nobody played is zeros, which read as
// the Orlins'.
bool FoughtFor(int row, int side) {
    return RowFought(row) && ResultRow(row)[FIGHTER_SIDE] == uint32_t(side);
}

struct Card {
    float x, y, w, h;
};

// Where the cards stand for one to four fighters.
int CardLayout(int count, Card* out) {
    static const Card kOne[1] = {{0.36f, 0.18f, 0.45f, 0.52f}};
    static const Card kTwo[2] = {{0.29f, 0.18f, 0.29f, 0.33f}, {0.53f, 0.56f, 0.29f, 0.33f}};
    static const Card kThree[3] = {{0.4f, 0.18f, 0.3f, 0.33f}, {0.18f, 0.56f, 0.3f, 0.33f}, {0.63f, 0.56f, 0.3f, 0.33f}};
    static const Card kFour[4] = {
        {0.19f, 0.18f, 0.3f, 0.33f}, {0.635f, 0.18f, 0.3f, 0.33f}, {0.19f, 0.56f, 0.3f, 0.33f}, {0.635f, 0.56f, 0.3f, 0.33f}};
    static const Card* const kAll[4] = {kOne, kTwo, kThree, kFour};
    if (count < 1) return 0;
    std::copy(kAll[count - 1], kAll[count - 1] + count, out);
    return count;
}

}  // namespace

int StageRewardGroup(int side, int step) {
    if (side < 0 || side > 1) return -1;
    for (int g = 0; g < 3; ++g)
        if (kRewardSteps[side][g] == step) return g;
    return -1;
}

bool StageGroupHasKind(int group, int kind) {
    return group >= 0 && group < 3 && kind >= 0 && kind < EQUIPMENT_KIND_COUNT && kGroupKinds[group][kind];
}

bool MenuScreens::GrantStageEquipment(PlayerRecord* record, int step) {
    const int side = ChosenSide();
    const int group = StageRewardGroup(side, step);
    if (!record || group < 0) return false;
    PlayerRecord special;
    if (!g_Menu.LoadEnemyRecord(kSpecialEnemy[side], side, &special)) {
        WriteDebugLogF("No se pudo leer el registro especial %u", kSpecialEnemy[side]);
        return false;
    }
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) {
        const int id = GetPlayerEquipment(&special, kind);
        if (!StageGroupHasKind(group, kind) || id < 0) continue;
        // The piece it replaces stays the team's.
        const int old = GetPlayerEquipment(record, kind);
        if (old >= 0 && old != id) AddToInventory(kind, old);
        SetPlayerEquipment(record, kind, id);
    }
    const int slot = teamIndex[0] >= 0 ? teamIndex[0] : 0;
    return StoreMember(slot, *record);
}

void MenuScreens::ApplyCampaignProgress() {
    progressPending = 0;
    const int side = ChosenSide();
    const int step = g_GameSettings.scenario;
    bool first = true;
    // Only as many rows as the side had fighters count, and a member once.
    int own = Clamp4(g_GameSettings.fightersOwnMode2);
    bool applied[CAMPAIGN_MEMBERS] = {};
    for (int row = 0; row < MAX_CHARACTERS && own > 0; ++row) {
        const uint32_t* r = ResultRow(row);
        if (!FoughtFor(row, side)) continue;
        --own;
        if (r[FIGHTER_LINEUP_ID] >= uint32_t(PLAYER_SLOTS)) continue;
        int member = -1;
        for (int m = 0; m < CAMPAIGN_MEMBERS && member < 0; ++m)
            if (g_Campaign.members[m] == int32_t(r[FIGHTER_LINEUP_ID])) member = m;
        if (member < 0 || applied[member]) continue;
        applied[member] = true;
        // The row goes to the member's place; the match writes the experience as a whole number.
        uint32_t copy[MENU_RESULT_WORDS];
        std::memcpy(copy, g_Menu.results, sizeof copy);
        uint32_t* to = copy + RESULT_FIGHTER_FIRST + member * RESULT_FIGHTER_FIELDS;
        std::memcpy(to, r, RESULT_FIGHTER_FIELDS * sizeof(uint32_t));
        const float experience = float(r[FIGHTER_EXPERIENCE]);
        std::memcpy(&to[FIGHTER_EXPERIENCE], &experience, sizeof experience);
        ApplyMatchResults(copy, member);
        for (int k = 0; k < SCREEN_TEAM; ++k) CopyTeamRecord(k);
        if (!first || g_Menu.gameType == 2) continue;
        first = false;
        PlayerRecord* own = g_Menu.playerTables.records[side][g_Campaign.members[member]];
        if (own && GrantStageEquipment(own, step)) {
            for (int k = 0; k < SCREEN_TEAM; ++k) CopyTeamRecord(k);
            const PlayerRecord* team[SCREEN_TEAM] = {&teamRecords[0], nullptr, nullptr, nullptr};
            BuildEquipmentLists(team, 1);
        }
    }
    if (g_Menu.results[RESULT_WINNER] == uint32_t(side)) {
        int enemies = Clamp4(g_GameSettings.fightersEnemyMode2);
        for (int row = 0; row < MAX_CHARACTERS && enemies > 0; ++row) {
            const uint32_t* r = ResultRow(row);
            if (!FoughtFor(row, 1 - side)) continue;
            --enemies;
            const int32_t level = int32_t(std::min<uint32_t>(r[FIGHTER_LEVEL], MAX_PLAYER_LEVEL));
            StoreEnemyLevel(r[FIGHTER_LINEUP_ID], EnemyLevelRow{level, float(r[FIGHTER_EXPERIENCE])});
        }
    }
    // The team campaign keeps its points and enemies now; the one-player campaign's last stage
    // is not stored from here.
    if (g_Menu.gameType == 2 || step != kLastStep[side]) SaveOpenCampaign();
}

void MenuScreens::BuildCampaignTeam() {
    for (auto*& f : teamFighters) RemovePreview(f);
    const int ownSide = ChosenSide();
    const int shown = teamSelection == 1 ? 1 : 0;
    const bool own = shown == ownSide;
    if (own && g_Menu.saveMode == 2 && progressPending) ApplyCampaignProgress();
    Card cards[SCREEN_TEAM];
    const int count = CardLayout(Clamp4(own ? g_GameSettings.fightersOwnMode2 : g_GameSettings.fightersEnemyMode2), cards);
    int card = 0;
    for (int row = 0; row < MAX_CHARACTERS && card < count; ++row) {
        const uint32_t* r = ResultRow(row);
        if (!FoughtFor(row, shown)) continue;
        const Card& c = cards[card];
        PlayerRecord& record = enemyRecords[card];
        const uint32_t id = r[FIGHTER_LINEUP_ID];
        bool found = false;
        if (own) found = CopyPlayerFromSlot(shown, int(std::min<uint32_t>(id, PLAYER_SLOTS)), &record);
        else found = g_Menu.LoadEnemyRecord(id, shown, &record);
        if (!found) MakeRandomPlayer(shown, &record);
        MakePanel(card, c.x, c.y, c.w, c.h, GREY, 0);
        Vec3 at;
        if (found && ScreenPointOnPlane(c.x + c.w * 0.2f, c.y + c.h, 14.0f, &at))
            enemyFighters[card] = SpawnPreview(&record, shown, at.x, at.y, at.z);
        std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, found ? record.look.name : "");
        MakeLabel(card, c.x + c.w / 2, c.y + 0.01f, 'C', work, 5, 13);
        for (int i = 0; i < kCardRows; ++i)
            MakeTextLabel(kCardRowLabel + card * kCardRows + i, c.x + c.w * 0.4f, c.y + 0.05f + 0.034f * float(i), 'I',
                          kCardRowTexts[i], 5, 13);
        cardRow[card++] = row;
    }
    for (int i = card; i < SCREEN_TEAM; ++i) cardRow[i] = -1;
    const float heads[4][2] = {{0.12f, 0.25f}, {0.57f, 0.25f}, {0.12f, 0.64f}, {0.57f, 0.64f}};
    for (int i = 0; i < 4; ++i) {
        // "Empty" marks only a card the side had no fighter for, in its middle: elsewhere it
        // would stand beside or over the cards of a smaller team.
        TextLabel& empty = MakeTextLabel(kHeadingLabel + i, heads[i][0], heads[i][1], 'C', 704, 5, 5);
        empty.visible = 0;
        if (i >= card && i < count) {
            const Card& c = cards[i];
            MakePanel(i, c.x, c.y, c.w, c.h, GREY, 0);
            empty.SetPosition(c.x + c.w / 2, c.y + (c.h - empty.h) / 2);
            empty.visible = 1;
        }
        MakeTextLabel(kHiddenLabel + i, heads[i][0], heads[i][1], 'C', 813, 5, 1).visible = 0;
    }
    MakeTextLabel(kHintLabel, 0.02f, 0.96f, 'I', 705, 5, 2);
    MakeNextArrow(0, 0.98f);
}

void MenuScreens::DrawCampaignTeamValues() {
    for (int card = 0; card < SCREEN_TEAM; ++card) {
        if (cardRow[card] < 0 || cardRow[card] >= MAX_CHARACTERS) continue;
        const uint32_t* r = ResultRow(cardRow[card]);
        const MenuPanel& c = panels[card];
        const int level = int(std::min<uint32_t>(r[FIGHTER_LEVEL], MAX_PLAYER_LEVEL));
        for (int i = 0; i < kCardRows; ++i) {
            const TextLabel& at = labels[kCardRowLabel + card * kCardRows + i];
            if (!at.inUse) continue;
            const int fields[6] = {FIGHTER_KILL_POINTS, FIGHTER_DEATHS, FIGHTER_SELF_KILLS, FIGHTER_ITEMS,
                                   FIGHTER_LETTERS, FIGHTER_POINTS};
            if (i < 6) std::snprintf(work, sizeof work, "%d", int32_t(r[fields[i]]));
            else if (i == 6) std::snprintf(work, sizeof work, "%d", level + 1);
            else std::snprintf(work, sizeof work, "%.0f/%.0f", double(r[FIGHTER_EXPERIENCE]), double(ExperienceForLevel(level)));
            g_Font.Print(5, 18, c.x + c.w - 0.01f, at.y, 0, work, 'd', true);
        }
    }
}

void MenuScreens::BuildTeamReady() {
    int step = 0;
    // Every step won: the information box has been built instead.
    if (!PrepareTeamReady(&step)) return;
    const int side = ChosenSide();
    std::snprintf(work, sizeof work, "Menu%02d_%d", 21, side);
    LoadBackground(work);
    MakePanel(0, 0.1f, 0.13f, 0.8f, 0.5f, DARK, 0);
    MakeTextLabel(0, 0.5f, 0.14f, 'C', 610 + step, 6, 1);
    CreateTextParagraph(&labels[1], 0.12f, 0.2f, 0.76f, 0.4f, Text(1270 + g_GameSettings.gameKind), 4, 18);
    MakeBackArrow(0);
    MakeNextArrow(1, 0.95f);
    MakePanel(1, 0.1f, 0.64f, 0.35f, 0.25f, DARK, 0);
    MakePanel(2, 0.55f, 0.64f, 0.35f, 0.25f, DARK, 0);
    const int members = teamIndex[0] >= 0 ? std::min(1, Clamp4(g_GameSettings.fightersOwnMode2)) : 0;
    const int enemies = Clamp4(g_GameSettings.fightersEnemyMode2);
    for (int pass = 0; pass < 2; ++pass) {
        const MenuPanel& p = panels[1 + pass];
        const int n = pass == 0 ? members : enemies;
        for (int i = 0; i < n; ++i) {
            PlayerRecord* record = pass == 0 ? &teamRecords[i] : &enemyRecords[i];
            int level = int(record->level);
            if (pass == 1) {
                if (!g_Menu.LoadEnemyRecord(g_GameSettings.team[i], 1 - side, record)) continue;
                level = g_Settings.AdjustByDifficulty(int(std::min<uint32_t>(g_GameSettings.team[4 + i], MAX_PLAYER_LEVEL)));
            }
            const float x = p.x + p.w * (float(i) + 0.5f) / float(n);
            Vec3 at;
            Character*& f = pass == 0 ? teamFighters[i] : enemyFighters[i];
            if (ScreenPointOnPlane(x, p.y + p.h, 8.0f, &at)) f = SpawnPreview(record, pass == 0 ? side : 1 - side, at.x, at.y, at.z);
            if (pass == 0) std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, record->look.name);
            else std::snprintf(work, sizeof work, "%s", Text(683));
            const int slot = 2 + pass * 8 + i * 2;
            MakeLabel(slot, x, p.y + 0.01f, 'C', work, 4, 18);
            std::snprintf(work, sizeof work, "%s %d", Text(521), level + 1);
            MakeLabel(slot + 1, x, p.y + 0.045f, 'C', work, 4, 18);
        }
    }
    confirm.Create(Text(700), g_Menu.pictures, 5);
}

void MenuScreens::UpdateTeamReady() {
    if (boxOpen) {
        const int answer = AnswerConfirmBox(true);
        if (answer == 0) return;
        if (answer == 1) LeaveScreenTo(21, PAGE_PLAY_TYPE, FX_BACK);
        return;
    }
    if (Hit(images[0], TIP_BACK)) {
        // The question leads out of the campaign: asked only once the team is safely stored.
        const bool stored = (teamIndex[0] < 0 || StoreMember(teamIndex[0], teamRecords[0])) && SaveOpenCampaign();
        PanelSound(stored ? FX_ACCEPT : FX_REFUSE);
        if (!stored) return;
        boxOpen = 1;
        confirm.open = 1;
        return;
    }
    if (Hit(images[1], TIP_NEXT)) LeaveScreenTo(21, 22, FX_FORWARD);
}

void MenuScreens::BuildTeamSummary() {
    const int side = ChosenSide();
    for (int i = 0; i < SCREEN_TEAM; ++i) CopyTeamRecord(i);
    currentTeamSlot = 0;
    const PlayerRecord& r = teamRecords[0];
    std::copy(r.attributes, r.attributes + PLAYER_ATTRIBUTES, summaryBase);
    summaryStored = g_Campaign.pendingPoints[0];
    MakePanel(8, 0.19f, 0.05f, 0.21f, 0.35f, DARK, 0);
    // The record rows: the member's statistics words.
    const int names[6][2] = {{550, -1}, {547, 548}, {547, 551}, {547, 549}, {552, -1}, {546, -1}};
    const PlayerStats* stats = teamIndex[0] >= 0 && teamIndex[0] < PLAYER_SLOTS ? g_Menu.playerTables.stats[side][teamIndex[0]] : nullptr;
    for (int row = 0; row < 6; ++row) {
        const float y = 0.07f + 0.05f * float(row);
        if (names[row][1] >= 0) std::snprintf(work, sizeof work, "%s %s", Text(names[row][0]), Text(names[row][1]));
        else std::snprintf(work, sizeof work, "%s", Text(names[row][0]));
        MakeLabel(RECORD_ROW_LABEL + row, 0.2f, y, 'I', work, 4, 13);
        std::snprintf(work, sizeof work, "%d", stats ? int(stats->words[row]) : 0);
        MakeLabel(RECORD_ROW_LABEL + 6 + row, 0.39f, y, 'D', work, 4, 18);
    }
    MakePanel(10, 0.41f, 0.05f, 0.33f, 0.34f, DARK, 0);
    MakeTextLabel(11, 0.575f, 0.08f, 'C', 793, 5, 1);
    // Each count beside its own name, as the set-up rows name them.
    const int values[2][2] = {{537, g_GameSettings.fightersOwnMode2},
                              {708, teamIndex[0] >= 0 ? int(r.level) + 1 : 0}};
    for (int i = 0; i < 2; ++i) {
        const float y = 0.15f + 0.05f * float(i);
        MakeTextLabel(17 + 2 * i, 0.42f, y, 'I', values[i][0], 4, 13);
        std::snprintf(work, sizeof work, "%d", values[i][1]);
        MakeLabel(18 + 2 * i, 0.73f, y, 'D', work, 4, 13);
    }
    MakeEnemyRows(21, 0.42f, 0.73f, 0.25f, 0.05f);
    MakePanel(0, 0.041f, 0.405f, 0.15f, 0.22f, DARK, 0);
    MakeImage(0, 0.041f, 0.405f, PIC_FRAME_ON, PIC_FRAME_OFF, 'i').highlighted = 1;
    std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, teamIndex[0] >= 0 ? r.look.name : "");
    MakeLabel(0, 0.116f, 0.64f, 'C', work, 4, 1);
    MakePanel(4, 0.45f, 0.405f, 0.45f, 0.31f, DARK, 0);
    MakeTextLabel(1, 0.46f, kSummaryTop - 0.005f, 'I', 521, 4, 13);
    for (int k = 0; k < PLAYER_ATTRIBUTES; ++k) {
        const float y = kSummaryTop + kSummaryGap * float(k + 1);
        MakeTextLabel(2 + k, 0.46f, y, 'I', 522 + k, 4, 13);
        MakeImage(kMinusImage + k, 0.77f, y, PIC_SUB_ON, PIC_SUB_OFF, 'i').SetSize(0.02f, 0.0f, SPRITE_SIZE_FROM_WIDTH);
        MakeImage(kPlusImage + k, 0.8f, y, PIC_ADD_ON, PIC_ADD_OFF, 'i').SetSize(0.02f, 0.0f, SPRITE_SIZE_FROM_WIDTH);
    }
    MakeTextLabel(kPointsLabel, 0.46f, kSummaryTop + kSummaryGap * 6.5f, 'I', 794, 4, 13);
    buttons[3].Create(0.85f, kSummaryTop + kSummaryGap * 6.5f, 0.046666667f, 0.03f, Text(795), 'c', g_Menu.pictures, 6);
    MakeBackArrow(6);
    const float rowY = 0.9f + images[6].h - 0.06f;
    MakeButton(0, 0.52f, rowY, 'i', 790);
    MakeButton(1, 0.48f, rowY, 'd', 796);
    MakeButton(2, 0.95f, rowY, 'd', 791);
    if (teamIndex[0] >= 0) PlaceRecordPreview();
}

void MenuScreens::MakeEnemyRows(int first, float left, float right, float top, float gap) {
    MakeTextLabel(first, left, top, 'I', 540, 4, 13);
    MakeLabel(first + 1, right, top, 'D', "", 4, 13);
    MakeTextLabel(first + 2, left, top + gap, 'I', 707, 4, 13);
    MakeLabel(first + 3, right, top + gap, 'D', "", 4, 13);
    ShowEnemyRows(first);
}

void MenuScreens::ShowEnemyRows(int first) {
    std::snprintf(work, sizeof work, "%d", int(g_GameSettings.fightersEnemyMode2));
    labels[first + 1].SetText(work);
    std::snprintf(work, sizeof work, "%d", int(AverageEnemyLevel()));
    labels[first + 3].SetText(work);
}

void MenuScreens::DrawSummaryValues() {
    if (teamIndex[0] < 0) return;
    const PlayerRecord& r = teamRecords[0];
    std::snprintf(work, sizeof work, "%d", int(r.level) + 1);
    g_Font.Print(4, 18, kSummaryValueX, kSummaryTop, 0, work, 'd', true);
    DrawStatLines(r, kSummaryValueX, kSummaryTop + kSummaryGap, kSummaryGap);
    std::snprintf(work, sizeof work, "%d", int(g_Campaign.pendingPoints[0]));
    g_Font.Print(4, 18, kSummaryValueX, kSummaryTop + kSummaryGap * 6.5f, 0, work, 'd', true);
}

bool MenuScreens::StoreTeamSummary() {
    const PlayerRecord* stored = StoredMember(0);
    if (!stored) return SaveOpenCampaign();
    // What the page gave since its last store goes back to the store if either write fails.
    const auto campaign = std::make_unique<CampaignBlock>(g_Campaign);
    campaign->pendingPoints[0] = summaryStored;
    if (!StoreMemberWithCampaign(0, *stored, *campaign)) return false;
    summaryStored = g_Campaign.pendingPoints[0];
    return true;
}

bool MenuScreens::SummaryMoved() const {
    if (g_Campaign.pendingPoints[0] != summaryStored) return true;
    // A minus and a plus leave the store's count as it was, yet move a point between two values.
    const PlayerRecord* stored = StoredMember(0);
    const float* shown = teamRecords[0].attributes;
    return stored && !std::equal(shown, shown + PLAYER_ATTRIBUTES, stored->attributes);
}

void MenuScreens::UpdateTeamSummary() {
    PlayerRecord& r = teamRecords[0];
    const bool member = teamIndex[0] >= 0;
    if (Hit(buttons[3], 712)) {
        PanelSound(FX_ACCEPT);
        if (member) {
            SpendPendingPoints(0, &r);
            if (StoreTeamSummary()) std::copy(r.attributes, r.attributes + PLAYER_ATTRIBUTES, summaryBase);
        }
    }
    // The shops read the member from its stored record: what plus gave goes there first. A store
    // that fails leaves the screen where it is, its points back in the store.
    for (int shop = 0; shop < 2; ++shop) {
        if (!Hit(buttons[shop], 710 + shop)) continue;
        if (member && SummaryMoved() && !StoreTeamSummary()) {
            PanelSound(FX_REFUSE);
            return;
        }
        LeaveScreenTo(22, 14 + shop, FX_FORWARD);
        return;
    }
    if (Hit(buttons[2], 485)) {
        if (!StoreTeamSummary()) {
            PanelSound(FX_REFUSE);
            return;
        }
        LeaveScreenTo(22, PAGE_START_MATCH, FX_FORWARD);
        return;
    }
    // Back goes back to the team page it came from, stored first; what cannot be stored stays.
    if (Hit(images[6], TIP_BACK)) {
        if (!StoreTeamSummary()) {
            PanelSound(FX_REFUSE);
            return;
        }
        LeaveScreenTo(22, 21, FX_BACK);
        return;
    }
    int32_t& points = g_Campaign.pendingPoints[0];
    for (int k = 0; k < PLAYER_ATTRIBUTES && member; ++k) {
        float& value = r.attributes[k];
        if (Hit(images[kPlusImage + k], -1)) {
            // Agility and speed stop at the caps point spending keeps to.
            const bool capped = k >= 3 && value >= CampaignAttributeCap(k);
            if (points <= 0 || capped) {
                PanelSound(FX_REFUSE);
            } else {
                value += kSummaryStep;
                --points;
                PanelSound(FX_ACCEPT);
            }
        }
        if (Hit(images[kMinusImage + k], -1)) {
            if (value - kSummaryStep < summaryBase[k]) {
                PanelSound(FX_REFUSE);
            } else {
                value -= kSummaryStep;
                ++points;
                PanelSound(FX_ACCEPT);
            }
        }
    }
}

void MenuScreens::DrawRecordValues(const PlayerRecord& r, float x, float y, float gap, int scale, bool tint) {
    std::snprintf(work, sizeof work, "%d", int(r.level) + 1);
    g_Font.Print(scale, 18, x, y, 0, work, 'd', true);
    for (int k = 0; k < PLAYER_ATTRIBUTES; ++k) {
        std::snprintf(work, sizeof work, "%d", int(GetPlayerAttribute(k, &r)));
        // What the equipment raises shows in its own colour.
        const int colour = tint && EquipmentAttributeSum(k, r) != 0 ? 4 : 18;
        g_Font.Print(scale, colour, x, y + gap * float(k + 1), 0, work, 'd', true);
    }
}

