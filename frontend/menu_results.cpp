// The results, credits, player-choice and information screens, and the team list a match
// starts with.
#include <algorithm>
#include <cstdio>

#include "common/math.h"
#include "core/debug_log.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/campaign.h"
#include "frontend/equipment_lists.h"
#include "frontend/menu.h"
#include "frontend/menu_screens.h"
#include "frontend/menu_screens_parts.h"
#include "frontend/player_saves.h"
#include "frontend/settings_files.h"
#include "frontend/sprite2d.h"
#include "frontend/text_table.h"
#include "platform/os/os.h"

namespace {

constexpr uint32_t GREY = 0xff808080, DARK = 0xff505050, DARKER = 0xff373737, BLACK = 0xff000000;
// Credits a campaign team earns for each won match, by side.
constexpr int32_t kWinReward[2] = {1000, 1000};
// The last scenario step of each side's campaign.
constexpr int kLastStep[2] = {19, 0};

const char* Text(int id) { return g_TextTable.Get(id); }

// Names and roles of the credits screen, page by page: a role (text id) and the names under
// it. The frame logic shows pages 0-5 and 9.
struct CreditsRow {
    int32_t page;
    int32_t role;
    const char* names[2];
};
constexpr CreditsRow kCredits[] = {
    {0, 1280, {nullptr, nullptr}},         {0, 1281, {nullptr, nullptr}},
    {0, 1282, {"Ilse Marrow", nullptr}},   {0, 1283, {"Tomas Quill", nullptr}},
    {1, 1284, {"Berin Hale", nullptr}},    {1, 1285, {"Ona Vetch", "Piet Larkin"}},
    {1, 1286, {"Saul Brenn", nullptr}},    {2, 1287, {"Mira Coldwell", nullptr}},
    {2, 1288, {nullptr, nullptr}},         {2, 1289, {"Edda Finch", nullptr}},
    {3, 1290, {"Holt Arner", nullptr}},    {3, 1291, {"Wenna Price", nullptr}},
    {3, 1292, {"Corin Vale", nullptr}},    {4, 1293, {"Ada Rusk", nullptr}},
    {4, 1294, {"Nils Ober", nullptr}},     {4, 1295, {"Reta Colm", nullptr}},
    {5, 1296, {"Ivo Strand", nullptr}},    {5, 1297, {"Lise Harrow", nullptr}},
    {5, 1298, {"Dag Merrit", nullptr}},    {9, 1299, {"Fenna Oakes", "Jory Pell"}},
    {9, 1300, {"Marta Sell", nullptr}},    {9, 1301, {"Oren Tavish", nullptr}},
};

// Winner against the player's side, from the menu's results: 1 won, -1 lost, 0 nobody.
int Outcome(int side) {
    const uint32_t* results = g_Menu.results;
    const int32_t winner = int32_t(results[RESULT_WINNER]);
    const int kind = g_Menu.gameKind;
    if (kind == 6 || kind == 7) {
        // A fighter that reached the goal won, as the match itself said; when the time ran out,
        // the best score of the column the pages show, among the fighters still in the match when
        // it is known who they were. A best score shared is nobody's win: a row's place in the
        // table is no merit, and every machine must read the same.
        int best = winner >= 0 && winner < MAX_CHARACTERS ? winner : -1;
        const bool known = g_Menu.resultsFought != 0;
        if (best < 0) {
            const int field = FighterScoreField(kind);
            int32_t bestScore = 0;
            bool shared = false;
            for (int row = 0; row < MAX_CHARACTERS; ++row) {
                if (known && !RowFought(row)) continue;
                const int32_t score = int32_t(ResultRow(row)[field]);
                if (best < 0 || score > bestScore) best = row, bestScore = score, shared = false;
                else if (score == bestScore) shared = true;
            }
            if (shared) return 0;
        }
        if (best < 0) return 0;
        // A fighter that joined after the end won nothing, whatever slot it was given.
        return best == g_Menu.localSlot && (!known || RowFought(best)) ? 1 : -1;
    }
    if (winner != 0 && winner != 1) return 0;
    return winner == side ? 1 : -1;
}

int KindHeading(int kind) {
    static const int kHeadings[8] = {807, 808, 809, 810, 811, 812, 812, 809};
    return kind >= 0 && kind < 8 ? kHeadings[kind] : 807;
}

}  // namespace

const uint32_t* ResultRow(int row) { return g_Menu.results + RESULT_FIGHTER_FIRST + row * RESULT_FIGHTER_FIELDS; }
bool RowFought(int row) { return row >= 0 && row < MAX_CHARACTERS && (g_Menu.resultsFought >> row & 1u) != 0; }

void MenuScreens::BuildTeamList() {
    const int side = ChosenSide();
    int32_t list[SCREEN_TEAM] = {-1, -1, -1, -1};
    int n = 0;
    const int current = currentTeamSlot >= 0 && currentTeamSlot < SCREEN_TEAM ? currentTeamSlot : 0;
    list[n++] = teamIndex[current];
    for (int i = 0; i < SCREEN_TEAM; ++i)
        if (i != current && teamIndex[i] >= 0) list[n++] = teamIndex[i];
    int size = g_GameSettings.fightersOwnMode2;
    if (size < 0) size = 0;
    if (size > SCREEN_TEAM) size = SCREEN_TEAM;
    for (int i = 0; i < SCREEN_TEAM; ++i) g_Menu.teamSlots[side][i] = i < size ? list[i] : -1;
    g_Campaign.side = uint32_t(side);
}

void MenuScreens::RedirectResults(int target) {
    g_Menu.page = g_Menu.targetPage = target;
    g_Menu.previousPage = 12;
    std::snprintf(work, sizeof work, "Menu%02d_%d", target, ChosenSide());
    LoadBackground(work);
    SetScreen(target);
}

void MenuScreens::BuildResults() {
    const int side = ChosenSide();
    // Members who played are read again from their saves; the one-player campaign keeps its
    // player in the campaign file, so its table copy is the one to trust.
    const bool reread = g_Menu.saveMode == 0 || (g_Menu.saveMode == 2 && g_Menu.gameType == 2);
    for (int i = 0; i < SCREEN_TEAM; ++i) {
        if (reread && i < g_GameSettings.fightersOwnMode2) ReloadPlayerSave(side, g_Menu.teamSlots[side][i]);
        CopyTeamRecord(i);
    }
    const uint32_t* results = g_Menu.results;
    if (results[RESULT_ELAPSED] == 0) {
        const int mode = g_Menu.saveMode;
        RedirectResults(mode == 0 ? 2 : mode == 1 ? 6 : (g_Menu.gameType == 2 ? 11 : 21));
        return;
    }
    const int kind = g_Menu.gameKind;
    if (g_Menu.saveMode == 1 && (kind == 6 || kind == 7)) {
        SetScreen(18);
        return;
    }
    const int outcome = Outcome(side);
    // A match's results count once: the reward and won mark here, the team's progress on the
    // campaign team screen.
    const bool fresh = g_Menu.resultsPending != 0;
    g_Menu.resultsPending = 0;
    if (fresh) progressPending = g_Menu.saveMode == 2 ? 1 : 0;
    if (g_Menu.saveMode == 2 && outcome == 1 && fresh) {
        const int step = g_GameSettings.scenario;
        if (step >= 0 && step < CAMPAIGN_SCENARIOS && kind >= 0 && kind < 6)
            g_Campaign.scenarios[step][CAMPAIGN_WON + (g_Menu.gameType != 2 ? 0 : kind)] = 1;
        g_Campaign.credits += kWinReward[side];
        const PlayerRecord* team[SCREEN_TEAM] = {};
        for (int i = 0; i < SCREEN_TEAM; ++i) team[i] = g_Menu.teamSlots[side][i] >= 0 ? &teamRecords[i] : nullptr;
        BuildEquipmentLists(team, SCREEN_TEAM);
        const bool lastStep = step == kLastStep[side] && g_Menu.gameType != 2;
        if (!lastStep) {
            // A save that failed must not read as one: the player would lose the win on leaving.
            if (SaveCampaign(side, g_Campaign.slot, nullptr)) {
                notice.Create(Text(702), g_Menu.pictures, 2000);
            } else {
                char path[260], text[WIDGET_TEXT_CAPACITY];
                std::snprintf(text, sizeof text, "Could not save the campaign to %s",
                              CampaignPath(side, g_Campaign.slot, path, sizeof path));
                notice.Create(text, g_Menu.pictures, 4000);
            }
            notice.StartBlinkTimer(true);
        }
    }
    MakePanel(0, 0.11f, 0.15f, 0.78f, 0.78f, GREY, 0);
    const int titleText = outcome > 0 ? 800 : outcome < 0 ? 801 : 818;
    MakeTextLabel(0, 0.5f, 0.18f, 'C', titleText, 9, 1);
    const uint32_t ms = results[RESULT_ELAPSED];
    std::snprintf(work, sizeof work, "%s %02u:%02u", Text(802), ms / 60000, ms / 1000 % 60);
    MakeLabel(1, 0.5f, 0.26f, 'C', work, 5, 1);
    MakeTextLabel(2, 0.12f, 0.39f, 'I', 803, 5, 13);
    MakeTextLabel(3, 0.56f, 0.39f, 'C', 804, 5, 13);
    MakeTextLabel(4, 0.76f, 0.39f, 'C', 805, 5, 13);
    MakeTextLabel(5, 0.12f, 0.44f, 'I', KindHeading(kind), 5, 13);
    const int rowTexts[6] = {813, 814, 815, 816, 817, 527};
    const float rowY[6] = {0.5f, 0.54f, 0.58f, 0.64f, 0.68f, 0.72f};
    for (int r = 0; r < 6; ++r) MakeTextLabel(6 + r, 0.12f, rowY[r], 'I', rowTexts[r], 5, 13);
    MakeTextLabel(12, 0.5f, 0.83f, 'C', outcome > 0 ? 821 : outcome < 0 ? 820 : 822, 8, 1);
    MakeNextArrow(0, 0.98f);
}

void MenuScreens::KeepNetworkLevel() {
    const int row = g_Menu.localSlot;
    if (!RowFought(row)) return;
    const int side = g_Menu.variant == 1 ? 1 : 0;
    const int slot = g_Menu.selectedPlayer;
    const PlayerRecord* own = g_Menu.SelectedRecord(side);
    if (!own || slot < 0 || slot >= PLAYER_SLOTS || g_Menu.playerTables.records[side][slot] != own) return;
    const int32_t level = int32_t(ResultRow(row)[FIGHTER_LEVEL]);
    // The page is made again on every visit, and a row of another match's making must never cost
    // a player the levels it has.
    if (level <= int32_t(own->level)) return;
    teamRecords[0] = *own;
    if (!CreatePlayerAtLevel(&teamRecords[0], slot, level, own->extra))
        WriteDebugLogF("No se pudo guardar el jugador %d con el nivel %d", slot, level);
}

void MenuScreens::BuildNetworkResults() {
    KeepNetworkLevel();
    const int outcome = Outcome(g_Menu.variant == 1 ? 1 : 0);
    MakeTextLabel(0, 0.5f, 0.2f, 'C', outcome > 0 ? 800 : outcome < 0 ? 801 : 818, 9, 1);
    MakeTextLabel(1, 0.12f, 0.38f, 'I', 695, 5, 13);
    const int heads[6] = {KindHeading(g_Menu.gameKind), 813, 814, 815, 816, 830};
    float x = 0.26f;
    for (int i = 0; i < 6; ++i) {
        TextLabel& head = MakeTextLabel(2 + i, x, 0.38f, 'I', heads[i], 5, 13);
        x += head.w + 0.01f;
    }
    MakePanel(0, 0.1f, 0.42f, 0.81f, 0.35f, GREY, 0);
    // A row for each fighter the match ended with, in slot order, whatever became of the session
    // since: a player number is not a slot once someone has left.
    int line = 0;
    for (int slot = 0; slot < MAX_CHARACTERS; ++slot)
        if (RowFought(slot)) MakeLabel(8 + slot, 0.1f, 0.43f + 0.03f * float(line++), 'I', "", 4, 18);
    MakeTextLabel(24, 0.5f, 0.83f, 'C', outcome > 0 ? 821 : outcome < 0 ? 820 : 822, 8, 1);
    MakeNextArrow(0, 0.98f);
}

void MenuScreens::BuildCredits() {
    creditsPage = 0;
    creditsStart = os::timeGetTime();
    std::fill(std::begin(creditsLabelPage), std::end(creditsLabelPage), int8_t(-1));
    MakePanel(0, 0.28f, 0.43f, 0.44f, 0.47f, BLACK, 1);
    // Each page's rows run down from just under the panel's top, one size-4 line apart, so that
    // the fading panel covers the whole page.
    constexpr float kTop = 0.45f, kStep = 0.036f;
    int slot = 0, page = -1;
    float y = kTop;
    auto add = [&](float at, int text, const char* name, int size, uint32_t colour) {
        if (slot >= SCREEN_LABELS - 1) return;
        TextLabel& l = name ? MakeLabel(slot, 0.5f, at, 'C', name, size, colour)
                            : MakeTextLabel(slot, 0.5f, at, 'C', text, size, colour);
        l.visible = page == creditsPage ? 1 : 0;
        creditsLabelPage[slot++] = int8_t(page);
    };
    for (const CreditsRow& row : kCredits) {
        if (row.page != page) page = row.page, y = kTop;
        const bool head = row.role == 1281 || row.role == 1288;
        add(y, row.role, nullptr, row.role == 1280 ? 5 : 4, row.role == 1280 || head ? 1 : 13);
        y += kStep;
        for (const char* name : row.names) {
            if (!name) continue;
            add(y, 0, name, 4, 18);
            y += kStep;
        }
        y += kStep / 2;
    }
    CreateTextParagraph(&labels[SCREEN_LABELS - 1], 0.3f, 0.86f, 0.4f, 0.04f, "", 4, 18);
    MakeBackArrow(0);
}

void MenuScreens::ShowCreditsPage() {
    for (int i = 0; i < SCREEN_LABELS - 1; ++i)
        if (labels[i].inUse) labels[i].visible = creditsLabelPage[i] == creditsPage ? 1 : 0;
}

void MenuScreens::BuildPlayerChoice() {
    const int side = ChosenSide();
    Sprite2D* back = g_Menu.pictures[screenparts::PIC_PLAYER_BACK];
    const float px = 0.02f, py = 0.3f, pw = back ? back->w : 0.32f, ph = back ? back->h : 0.32f;
    if (back) back->SetPosition(px, py);
    if (!g_Menu.playerRecord) {
        const int slot = MakeDefaultPlayer(side);
        g_Menu.SelectPlayer(slot, side);
    }
    Vec3 at;
    if (g_Menu.playerRecord && ScreenPointOnPlane(px + pw / 2, py + ph - 0.05f, -9.2f, &at))
        candidate = SpawnPreview(g_Menu.playerRecord, side, at.x, at.y, at.z);
    std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, g_Menu.playerRecord ? g_Menu.playerRecord->look.name : "");
    MakeLabel(1, px + pw / 2, 0.79f, 'C', work, 5, 18);
    MakePanel(0, 0.3f, 0.15f, 0.66f, 0.73f, DARKER, 0);
    MakePanel(1, 0.31f, 0.16f, 0.64f, 0.71f, DARKER, 0);
    CreateTextParagraph(&labels[2], 0.31f, 0.16f, 0.64f, 0.71f, "", 4, 18);
    MakeBackArrow(0);
    MakeNextArrow(1, 0.95f);
}

void MenuScreens::BuildInformation() {
    MakePanel(0, 0.15f, 0.15f, 0.7f, 0.7f, DARK, 0);
    CreateTextParagraph(&labels[0], 0.17f, 0.17f, 0.66f, 0.66f, "", 4, 18);
    MakeNextArrow(0, 0.95f);
}
