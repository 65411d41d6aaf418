#include "frontend/match_setup_panel.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/settings.h"
#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/equipment_lists.h"
#include "frontend/overlays.h"
#include "frontend/panel_common.h"
#include "frontend/player_record.h"
#include "frontend/player_saves.h"
#include "frontend/preview_fighter.h"
#include "frontend/sprite2d.h"
#include "frontend/texture_font.h"
#include "fighters/skin.h"
#include "net/net_client.h"
#include "render/video.h"
#include "shell/mouse.h"
#include "world/element_map.h"

namespace {

constexpr int kTabText2[3] = {520, 531, 535};
constexpr int kTabTip2[3] = {490, 491, 492};
constexpr int kTabMode2[3] = {12, 11, 2};
constexpr int kTabText6[4] = {840, 841, 842, 843};
constexpr int kTabTip6[4] = {512, 513, 490, 491};
constexpr int kFxStart = 208;
constexpr int kFxNewPlayer = 204;
constexpr int kMaxTrainingLevel = MAX_PLAYER_LEVEL - 1;
constexpr int kPageNewPlayer = 9;
// A random-level switch reads as the answers of the question box.
constexpr int kSwitchOnText = 685, kSwitchOffText = 686;

// Rows of modes 9 to 12: widgets start at kValueX, rows kRowStep apart from the panel's top.
constexpr float kValueX = 0.48f;
// Mode 10's session list: eight rows from 0.3 under the panel's top, close enough that the last
// one and the down arrow end above the join button.
constexpr float kListTop = 0.3f, kListStep = 0.035f;
// Mode 11 keeps its rows left of the scenario picture (0.384 wide against the panel's right
// edge): captions end at kScenarioCaptionX, arrows from kScenarioArrowX. The game kind's picture
// and its description share the strip under the scenario picture.
constexpr float kScenarioCaptionX = 0.37f, kScenarioArrowX = 0.4f;
constexpr float kScenarioPictureW = 0.384f, kKindPictureW = 0.1f;
constexpr float kRowStep = 0.05f;

bool Pressed() { return g_Mouse.buttons[MOUSE_LEFT].pressed != 0; }
bool Held() { return g_Mouse.buttons[MOUSE_LEFT].held != 0; }

uint32_t Clamp(int64_t v, int64_t lo, int64_t hi) { return uint32_t(v < lo ? lo : v > hi ? hi : v); }

// A pair of rule values steps together; the first decides whether both go to the bound.
void StepPair(uint32_t* rules, int first, int delta, int lo, int hi) {
    const int64_t v = int64_t(int32_t(rules[first])) + delta;
    if (v < lo || v > hi) {
        rules[first] = rules[first + 1] = uint32_t(v < lo ? lo : hi);
        return;
    }
    rules[first] = uint32_t(v);
    rules[first + 1] = uint32_t(int64_t(int32_t(rules[first + 1])) + delta);
}

void StepOne(uint32_t* rules, int index, int delta, int lo, int hi) {
    rules[index] = Clamp(int64_t(int32_t(rules[index])) + delta, lo, hi);
}

int CreditStep(int32_t v) { return v < 10 ? 1 : v < 100 ? 10 : v < 500 ? 20 : v < 1000 ? 50 : 1; }

// Mode 12's fighter stands on this plane, under the bottom centre of its frame picture.
constexpr float kPreviewDepth = -4.5f;

void StopMusicForMatch() {
    if (g_Settings.music && g_MenuShellCalls.stopMusic) g_MenuShellCalls.stopMusic(3000);
}

}  // namespace

bool ParsePort(const char* text, uint32_t* out) {
    if (!text || !*text) return false;
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    errno = 0;
    const unsigned long v = std::strtoul(text, nullptr, 10);
    if (errno == ERANGE || v > 65535) return false;
    if (out) *out = uint32_t(v);
    return true;
}

int32_t StepCredits(int32_t value, int dir) {
    const int64_t next = dir > 0 ? int64_t(value) + CreditStep(value) : int64_t(value) - CreditStep(value - 1);
    return int32_t(next < 1 ? 1 : next > 1000 ? 1000 : next);
}

// ---- building ---------------------------------------------------------------------------------

int MatchSetupPanel::Side() const { return g_Menu.variant == 1 ? 1 : 0; }

void MatchSetupPanel::Build(int which) {
    Release();
    screen = which;
    x = 0.04f;
    y = 0.2f;
    width = 0.92f;
    height = 0.65f;
    if (which == 2) {
        g_Menu.saveMode = 0;
        g_Menu.gameType = 2;
        g_Menu.LoadPlayerSaves(0);
        tabCount = 3;
        work = g_Training.game;
    } else {
        if (g_Menu.saveMode != 1) {
            g_Menu.saveMode = 1;
            g_Menu.LoadPlayerSaves(1);
        }
        tabCount = 4;
        work = g_Multiplayer.game;
    }
    g_Menu.variant = work.side == 1 ? 1 : 0;
    g_Menu.SelectPlayer(work.playerSlot, g_Menu.variant);
    PanelPrint(portText, sizeof portText, "%u", unsigned(g_Multiplayer.port));
    for (int t = 0; t < tabCount; ++t) {
        tabs[t].Create(x + 0.24f * float(t), y - 0.06f, 0.2f, 0.06f, 0xff808080, 1);
        CreateTextLabel(&captionLabels[t], x + 0.24f * float(t) + 0.1f, y - 0.05f, 'C',
                        PanelText(which == 2 ? kTabText2[t] : kTabText6[t]), 5, 1);
    }
    tabs[4].Create(x, y, width, height, 0xff808080, 1);
    for (int t = 0; t < tabCount; ++t) tabs[t].visible = 1;
    tabs[4].visible = 1;
    if (which == 2) SessionScreen(0, 12);
    else if (g_Menu.previousPage == PAGE_NETWORK_CLIENT) SessionScreen(1, 10);
    else if (g_Menu.previousPage != 0) SessionScreen(3, 12);
    else SessionScreen(0, 9);
}

void MatchSetupPanel::SessionScreen(int tab, int newMode) {
    for (int t = 0; t < tabCount; ++t) tabs[t].colour = t == tab ? 0xff505050 : 0xff808080;
    ReleaseTab();
    currentTab = tab;
    mode = newMode;
    // The page background of the tab is the screens' to load; the container reads `mode`.
    BuildMode();
    // The join tab lists the games found from the moment it opens.
    if (mode == 10) RestartSearch();
}

void MatchSetupPanel::RestartSearch() {
    if (g_MenuNetCalls.stop) g_MenuNetCalls.stop();
    if (g_MenuNetCalls.start) g_MenuNetCalls.start(false, g_Multiplayer.playerName, g_Multiplayer.port, nullptr);
}

void MatchSetupPanel::BuildMode() {
    MenuPictures p = g_Menu.pictures;
    auto arrowPair = [&](int pair, float rowY, float at = kValueX) {
        arrows[2 * pair].Create(at, rowY, p[12], p[11], 'I');
        arrows[2 * pair + 1].Create(at + 0.07f, rowY, p[14], p[13], 'I');
    };
    switch (mode) {
        case 2:
            for (int r = 0; r < 6; ++r) {
                const float rowY = y + 0.1f + kRowStep * float(r);
                CreateTextLabel(&rowLabels[r], 0.45f, rowY, 'D', PanelText(536 + r), 5, 1);
                arrowPair(r, rowY);
            }
            break;
        case 9:
        case 10: {
            const bool join = mode == 10;
            CreateTextLabel(&rowLabels[0], 0.5f, y + 0.04f, 'C', PanelText(join ? 848 : 844), 5, 1);
            CreateTextLabel(&rowLabels[1], 0.45f, y + 0.12f, 'D', PanelText(845), 5, 1);
            CreateTextLabel(&rowLabels[2], 0.45f, y + 0.18f, 'D', PanelText(846), 5, 1);
            // The name field holds no more than the stored name: 15 characters and the end.
            fields[0].Create(kValueX, y + 0.12f, 0.25f, 0.04f, 'I', g_Multiplayer.playerName, PLAYER_NAME_FIELD, 5, 1,
                             0xff404040, 1);
            fields[1].Create(kValueX, y + 0.18f, 0.12f, 0.04f, 'I', portText, sizeof portText, 5, 1, 0xff404040, 1);
            if (join) {
                CreateTextLabel(&rowLabels[3], 0.5f, y + 0.25f, 'C', PanelText(849), 5, 1);
                arrows[0].Create(x + width - 0.1f, y + kListTop, p[27], p[26], 'I');
                arrows[1].Create(x + width - 0.1f, y + kListTop + kListStep * (SETUP_LIST_ROWS - 1), p[29], p[28], 'I');
            }
            actionButton.Create(0.5f, y + height - 0.06f, 0.2f, 0.04f, PanelText(join ? 841 : 847), 'C', p, 4);
            break;
        }
        case 11:
            for (int pair = 0; pair < 6; ++pair) arrowPair(pair, y + 0.08f + 0.08f * float(pair), kScenarioArrowX);
            RefreshPictures();
            RefreshRuleRows();
            break;
        case 12:
            arrowPair(0, y + 0.1f);
            arrowPair(1, y + 0.18f);
            for (int r = 0; r < 6; ++r)
                CreateTextLabel(&rowLabels[r], 0.45f, y + 0.28f + kRowStep * float(r), 'D', PanelText(521 + r), 5, 1);
            CreateTextLabel(&rowLabels[6], 0.5f, y + 0.04f, 'C', PanelText(785), 5, 1);
            actionButton.Create(0.5f, y + height - 0.06f, 0.2f, 0.04f, PanelText(758), 'C', p, 4);
            RefreshPlayerLabels();
            ShowPreview();
            break;
        default: break;
    }
}

void MatchSetupPanel::ReleaseTab() {
    for (TextLabel& l : rowLabels) DestroyTextLabel(&l);
    for (ImageButton& a : arrows) a.Reset();
    for (MenuPanel& b : boxes) b.Reset();
    actionButton.Reset();
    toggle.Reset();
    for (TextField& f : fields) f.Reset();
    for (Sprite2D*& picture : pictures11) {
        delete picture;
        picture = nullptr;
    }
    RemovePreview();
    selectedRow = -1;
}

void MatchSetupPanel::ShowPreview() {
    const PlayerRecord* record = g_Menu.playerRecord;
    if (mode != 12 || !record) return RemovePreview();
    // The frame picture's place in mode 12: the panel's left part, its top inset like the rows.
    const Sprite2D* frame = g_Menu.pictures[34];
    const float fw = frame ? frame->w : 0.32f, fh = frame ? frame->h : 0.32f;
    const float fx = x + 0.04f, fy = y + 0.04f;
    Vec3 at{};
    if (!previewFighter && !ScreenPointOnPlane(fx + fw * 0.5f, fy + fh - 0.05f, kPreviewDepth, &at)) return;
    if (!skinCache) skinCache = new SkinImageCache();
    ShowPreviewFighter(previewFighter, *record, at, skinCache);
}

void MatchSetupPanel::RemovePreview() {
    RemovePreviewFighter(previewFighter);
    delete skinCache;
    skinCache = nullptr;
}

void MatchSetupPanel::RefreshPictures() {
    if (mode != 11) return;
    char name[32];
    PanelPrint(name, sizeof name, "FondoEsc%02d", int(work.scenario));
    if (LoadMenuPicture(&pictures11[0], name, kScenarioPictureW, 0.0f, 0.0f, 1.0f, 1.0f, SPRITE_SIZE_FROM_WIDTH))
        pictures11[0]->SetPosition(ScenarioPictureX(), y + 0.03f);
    PanelPrint(name, sizeof name, "KGame%02d", int(work.gameKind));
    if (LoadMenuPicture(&pictures11[1], name, kKindPictureW, 0.0f, 0.0f, 1.0f, 1.0f, SPRITE_SIZE_FROM_WIDTH))
        pictures11[1]->SetPosition(ScenarioPictureX(), KindStripTop());
}

float MatchSetupPanel::ScenarioPictureX() const { return x + width - kScenarioPictureW - 0.006f; }

float MatchSetupPanel::KindStripTop() const {
    const Sprite2D* scenario = pictures11[0];
    return (scenario ? scenario->y + scenario->h : y + 0.03f + kScenarioPictureW) + 0.01f;
}

void MatchSetupPanel::Release() {
    ReleaseTab();
    for (TextLabel& l : captionLabels) DestroyTextLabel(&l);
    for (MenuPanel& t : tabs) t.Reset();
    tabCount = 0;
    currentTab = 0;
    mode = 0;
    listScroll = 0;
    sessionCount = 0;
}

// ---- edits ------------------------------------------------------------------------------------

void MatchSetupPanel::WriteBack() {
    if (g_Menu.saveMode == 0) g_Training.game = work;
    else if (g_Menu.saveMode == 1) g_Multiplayer.game = work;
}

void MatchSetupPanel::StepScenario(int dir) {
    work.scenario = (work.scenario + (dir > 0 ? 1 : SETUP_SCENARIOS - 1)) % SETUP_SCENARIOS;
    if (work.scenario < 0) work.scenario = 0;
    const bool network = g_Menu.saveMode == 1;
    if (!IsCharacterAvailable(Side(), work.scenario, work.gameKind, network)) {
        const int next = NextAvailableGameKind(Side(), work.scenario, work.gameKind, network);
        if (next >= 0) work.gameKind = next;
    }
    RecomputeRules();
    RefreshPictures();
    RefreshRuleRows();
    WriteBack();
}

void MatchSetupPanel::StepKind(int dir) {
    const bool network = g_Menu.saveMode == 1;
    const int next = dir > 0 ? NextAvailableGameKind(Side(), work.scenario, work.gameKind, network)
                             : PreviousAvailableGameKind(Side(), work.scenario, work.gameKind, network);
    if (next >= 0) work.gameKind = next;
    RecomputeRules();
    RefreshPictures();
    RefreshRuleRows();
    WriteBack();
}

void MatchSetupPanel::StepRule(int row, int dir) {
    const int d = dir > 0 ? 1 : -1;
    uint32_t* r = work.rules;
    switch (work.gameKind) {
        case 0:
            if (row == 0) StepPair(r, RULE_STEALS, d, 1, 40);
            break;
        case 1:
        case 8:
            if (row <= 1) StepOne(r, RULE_MATCH_MINUTES, d, 1, 50);
            break;
        case 2:
        case 7:
            if (row == 0) {
                const int32_t first = int32_t(r[RULE_CREDITS]);
                const int32_t next = StepCredits(first, d);
                const int64_t second = int64_t(int32_t(r[RULE_CREDITS + 1])) + (next - first);
                r[RULE_CREDITS] = uint32_t(next);
                r[RULE_CREDITS + 1] = next == 1 || next == 1000 ? uint32_t(next) : Clamp(second, 1, 1000);
            }
            if (row == 1) StepOne(r, RULE_MATCH_MINUTES, d, 1, 50);
            break;
        case 3:
            if (row == 0) StepPair(r, RULE_CAPTURES, d, 1, 40);
            if (row == 1) StepOne(r, RULE_MATCH_MINUTES, d, 1, 50);
            break;
        case 4:
            if (row == 0) StepPair(r, RULE_CURSE_MINUTES, d, 1, 20);
            if (row == 1) StepOne(r, RULE_FREEZE_TIME, d, 3, 20);
            break;
        case 5:
        case 6:
            if (row == 0) StepPair(r, RULE_MAX_DEATHS, d, 1, 200);
            break;
        default: break;
    }
    RefreshRuleRows();
    WriteBack();
}

void MatchSetupPanel::RecomputeRules() {
    const GameSettingsBlock& stored = g_Menu.saveMode == 1 ? g_Multiplayer.game : g_Training.game;
    uint32_t* r = work.rules;
    auto take = [&](int i) { r[i] = stored.rules[i]; };
    switch (work.gameKind) {
        case 0: take(RULE_STEALS), take(RULE_STEALS + 1); break;
        case 1:
        case 8: take(RULE_MATCH_MINUTES); break;
        case 2:
        case 7: {
            take(RULE_CREDITS), take(RULE_CREDITS + 1), take(RULE_MATCH_MINUTES);
            const uint32_t half = CountScenarioCredits(work.scenario) / 2;
            if (r[RULE_CREDITS] < half) r[RULE_CREDITS] = half;
            if (r[RULE_CREDITS + 1] < r[RULE_CREDITS]) r[RULE_CREDITS + 1] = r[RULE_CREDITS];
            break;
        }
        case 3: take(RULE_CAPTURES), take(RULE_CAPTURES + 1), take(RULE_MATCH_MINUTES); break;
        case 4: take(RULE_CURSE_MINUTES), take(RULE_CURSE_MINUTES + 1), take(RULE_FREEZE_TIME); break;
        case 5:
        case 6: take(RULE_MAX_DEATHS), take(RULE_MAX_DEATHS + 1); break;
        default: break;
    }
}

void MatchSetupPanel::RefreshRuleRows() {
    if (mode != 11) return;
    struct Row {
        int caption, value;
    } rows[2] = {{-1, -1}, {-1, -1}};
    switch (work.gameKind) {
        case 0: rows[0] = {550, RULE_STEALS}; break;
        case 1:
        case 8: rows[0] = {547, RULE_MATCH_MINUTES}; break;
        case 2:
        case 7: rows[0] = {548, RULE_CREDITS}, rows[1] = {547, RULE_MATCH_MINUTES}; break;
        case 3: rows[0] = {551, RULE_CAPTURES}, rows[1] = {547, RULE_MATCH_MINUTES}; break;
        case 4: rows[0] = {547, RULE_CURSE_MINUTES}, rows[1] = {552, RULE_FREEZE_TIME}; break;
        case 5:
        case 6: rows[0] = {546, RULE_MAX_DEATHS}; break;
        default: break;
    }
    CreateTextLabel(&rowLabels[0], kScenarioCaptionX, y + 0.08f, 'D', PanelText(610 + work.scenario), 5, 1);
    CreateTextLabel(&rowLabels[1], kScenarioCaptionX, y + 0.16f, 'D', PanelText(600 + work.gameKind), 5, 1);
    for (int i = 0; i < 2; ++i) {
        const float rowY = y + 0.24f + 0.08f * float(i);
        DestroyTextLabel(&rowLabels[2 + 2 * i]);
        DestroyTextLabel(&rowLabels[3 + 2 * i]);
        arrows[4 + 2 * i].visible = arrows[5 + 2 * i].visible = rows[i].caption >= 0;
        if (rows[i].caption < 0) continue;
        char value[16];
        PanelPrint(value, sizeof value, "%d", int(int32_t(work.rules[rows[i].value])));
        CreateTextLabel(&rowLabels[2 + 2 * i], kScenarioCaptionX, rowY, 'D', PanelText(rows[i].caption), 5, 1);
        CreateTextLabel(&rowLabels[3 + 2 * i], kScenarioArrowX + 0.05f, rowY, 'C', value, 5, 18);
    }
    arrows[8].visible = arrows[9].visible = 0;   // the third rule row changes nothing
    CreateTextLabel(&rowLabels[6], 0.5f, 0.8f, 'C', PanelText(745 + int(g_Options.difficulty)), 5, 1);
    // The description beside the kind's picture, down to just above the panel's bottom.
    const float left = ScenarioPictureX() + kKindPictureW + 0.01f, top = KindStripTop();
    CreateTextParagraph(&rowLabels[7], left, top, x + width - 0.01f - left, y + height - 0.01f - top,
                        PanelText(1270 + work.gameKind), 4, 1);
}

void MatchSetupPanel::StepDifficulty(int dir) {
    g_Options.difficulty = Clamp(int64_t(g_Options.difficulty) + (dir > 0 ? 1 : -1), 0, 2);
    RefreshRuleRows();
    WriteBack();
}

void MatchSetupPanel::StepTeamValue(int row, int dir) {
    TrainingBlock& t = g_Training;
    const int team = row / 3, kind = row % 3, d = dir > 0 ? 1 : -1;
    if (row < 0 || row > 5) return;
    if (kind == 0) t.values[2 + team] = int32_t(Clamp(int64_t(t.values[2 + team]) + d, 0, kMaxTrainingLevel));
    if (kind == 1) t.values[team] = int32_t(Clamp(int64_t(t.values[team]) + d, 1, MAX_TEAM_SIZE));
    if (kind == 2) t.randomLevel[team] = !t.randomLevel[team];
}

void MatchSetupPanel::RefreshSessions() {
    RefreshSessionList();
    sessionCount = GetSessionCount();
    if (sessionCount < 0) sessionCount = 0;
    const int maxScroll = sessionCount > SETUP_LIST_ROWS ? sessionCount - SETUP_LIST_ROWS : 0;
    if (listScroll > maxScroll) listScroll = maxScroll;
    if (listScroll < 0) listScroll = 0;
    for (int r = 0; r < SETUP_LIST_ROWS; ++r) {
        const int i = listScroll + r;
        const char* name = i < sessionCount ? GetSessionName(i) : nullptr;
        PanelPrint(sessionNames[r], SETUP_SESSION_NAME, "%s", name ? name : "");
    }
    const bool scrolls = sessionCount >= SETUP_LIST_ROWS;
    arrows[0].visible = arrows[1].visible = scrolls ? 1 : 0;
}

void MatchSetupPanel::ScrollSessions(int dir) {
    const int maxScroll = sessionCount > SETUP_LIST_ROWS ? sessionCount - SETUP_LIST_ROWS : 0;
    const int next = listScroll + (dir > 0 ? 1 : -1);
    if (next < 0 || next > maxScroll) return;
    listScroll = next;
    selectedRow = -1;
}

void MatchSetupPanel::TakePort() {
    // While the field is edited its text lives in the field's label.
    const char* text = fields[1].editing && fields[1].textLabel.text ? fields[1].textLabel.text : portText;
    uint32_t port;
    if (ParsePort(text, &port)) g_Multiplayer.port = port;
}

void MatchSetupPanel::ChooseSide(int side) {
    g_Menu.variant = side == 1 ? 1 : 0;
    RemovePreview();
    const int slot = FindFreePlayerSlot(g_Menu.variant, false);
    g_Menu.SelectPlayer(slot, g_Menu.variant);
    arrows[2].visible = arrows[3].visible = g_Menu.playerRecord ? 1 : 0;
    ShowPreview();
    work.playerSlot = g_Menu.selectedPlayer;
    work.side = g_Menu.variant;
    RefreshPlayerLabels();
}

void MatchSetupPanel::StepPlayer(int dir) {
    const int side = g_Menu.variant == 1 ? 1 : 0;
    const int step = dir > 0 ? 1 : -1;
    for (int s = g_Menu.selectedPlayer + step; s >= 0 && s < PLAYER_SLOTS; s += step) {
        if (!g_Menu.playerTables.records[side][s]) continue;
        g_Menu.SelectPlayer(s, side);
        ShowPreview();
        break;
    }
    work.playerSlot = g_Menu.selectedPlayer;
    work.side = side;
    RefreshPlayerLabels();
}

void MatchSetupPanel::RefreshPlayerLabels() {
    if (mode != 12) return;
    const PlayerRecord* r = g_Menu.playerRecord;
    char name[PLAYER_NAME_SIZE + 1] = {};
    if (r) PanelPrint(name, sizeof name, "%.*s", PLAYER_NAME_SIZE, r->look.name);
    CreateTextLabel(&rowLabels[7], 0.5f, y + 0.22f, 'C', name, 5, 1);
    for (int v = 0; v < 6; ++v) {
        char text[16] = "-";
        int style = 18;
        if (r && v == 0) PanelPrint(text, sizeof text, "%d", int(r->level) + 1);
        if (r && v > 0) {
            PanelPrint(text, sizeof text, "%d", int(GetPlayerAttribute(v - 1, r)));
            if (EquipmentAttributeSum(v - 1, *r) > 0) style = 4;
        }
        CreateTextLabel(&rowLabels[8 + v], kValueX, y + 0.28f + kRowStep * float(v), 'I', text, 5, uint32_t(style));
    }
}

// ---- input ------------------------------------------------------------------------------------

bool MatchSetupPanel::ArrowPressed(int index, int tipLeft, int tipRight) {
    ImageButton& a = arrows[index];
    a.highlighted = a.visible && a.IsMouseOver() ? 1 : 0;
    if (!a.highlighted) return false;
    ShowPanelTip(index % 2 == 0 ? tipLeft : tipRight);
    if (!Pressed()) return false;
    PanelSound(FX_ACCEPT);
    return true;
}

void MatchSetupPanel::Update() {
    for (int t = 0; t < tabCount; ++t) {
        if (t == currentTab || !tabs[t].IsMouseOver()) continue;
        ShowPanelTip(screen == 2 ? kTabTip2[t] : kTabTip6[t]);
        if (!Pressed()) continue;
        if (mode == 10 && g_MenuNetCalls.stop) g_MenuNetCalls.stop();
        SessionScreen(t, screen == 2 ? kTabMode2[t] : t + 9);
        PanelSound(FX_ACCEPT);
        return;
    }
    switch (mode) {
        case 2: UpdateTeamValues(); break;
        case 9: UpdateFields(false); break;
        case 10: UpdateFields(true); break;
        case 11: UpdateScenario(); break;
        case 12: UpdateSide(); break;
        default: break;
    }
}

void MatchSetupPanel::UpdateTeamValues() {
    for (int i = 0; i < 12; ++i)
        if (ArrowPressed(i, 498, 497)) StepTeamValue(i / 2, i % 2 == 0 ? -1 : 1);
}

void MatchSetupPanel::UpdateFields(bool join) {
    for (int f = 0; f < 2; ++f) {
        if (!fields[f].editing) continue;
        const int result = fields[f].Update();
        if (f == 1) TakePort();
        if (join && result == 1) RestartSearch();
        return;
    }
    for (int f = 0; f < 2; ++f) {
        const bool over = g_Mouse.IsInRelativeRect(fields[f].x, fields[f].y, fields[f].w, fields[f].h);
        fields[f].SetHighlighted(over && !Held());
        if (!over) continue;
        ShowPanelTip(f == 0 ? (join ? 726 : 721) : 722);
        if (Pressed()) {
            fields[f].BeginEdit();
            if (!join) PanelSound(FX_ACCEPT);
        }
    }
    if (join) UpdateSessionList();
    const bool ready = g_Menu.playerRecord && (!join || (selectedRow >= 0 && listScroll + selectedRow < sessionCount));
    actionButton.enabled = ready ? 1 : 0;
    actionButton.highlighted = actionButton.IsMouseOver() ? 1 : 0;
    if (!actionButton.highlighted) return;
    ShowPanelTip(join ? 723 : 485);
    if (Pressed() && ready) StartSession(join);
}

void MatchSetupPanel::UpdateSessionList() {
    RefreshSessions();
    for (int b = 0; b < 2; ++b)
        if (ArrowPressed(b, 715, 716)) ScrollSessions(b == 0 ? -1 : 1);
    for (int r = 0; r < SETUP_LIST_ROWS && listScroll + r < sessionCount; ++r) {
        if (!Pressed() || !g_Mouse.IsInRelativeRect(x + 0.1f, y + kListTop + kListStep * float(r), 0.6f, kListStep)) continue;
        selectedRow = r;
        PanelSound(FX_ACCEPT);
    }
}

void MatchSetupPanel::StartSession(bool join) {
    if (join && g_Menu.screens) g_Menu.screens->chosenSession = listScroll + selectedRow;
    g_Menu.page = PAGE_TRANSITION;
    g_Menu.targetPage = join ? PAGE_JOIN_SESSION : PAGE_HOST_SESSION;
    SaveMultiplayerConfig();
    g_Fader.FadeOut();
    work.playerSlot = g_Menu.selectedPlayer;
    for (int i = 1; i < 4; ++i) work.team[TEAM_PLAYER_WORD + i] = uint32_t(-1);
    WriteBack();
    const int side = g_Menu.variant == 1 ? 1 : 0;
    g_Menu.teamSlots[side][0] = g_Menu.selectedPlayer;
    for (int i = 1; i < 4; ++i) g_Menu.teamSlots[side][i] = -1;
    StopMusicForMatch();
    PanelSound(FX_ACCEPT);
    PanelSound(kFxStart);
}

void MatchSetupPanel::UpdateScenario() {
    if (ArrowPressed(0, 495, 496)) StepScenario(-1);
    if (ArrowPressed(1, 495, 496)) StepScenario(1);
    if (ArrowPressed(2, 493, 494)) StepKind(-1);
    if (ArrowPressed(3, 493, 494)) StepKind(1);
    for (int row = 0; row < 3; ++row)
        for (int side = 0; side < 2; ++side)
            if (ArrowPressed(4 + 2 * row + side, 498, 497)) StepRule(row, side == 0 ? -1 : 1);
    if (ArrowPressed(10, 498, 497)) StepDifficulty(-1);
    if (ArrowPressed(11, 498, 497)) StepDifficulty(1);
}

void MatchSetupPanel::UpdateSide() {
    if (ArrowPressed(0, 488, 489)) ChooseSide(0);
    if (ArrowPressed(1, 488, 489)) ChooseSide(1);
    if (ArrowPressed(2, 486, 487)) StepPlayer(-1);
    if (ArrowPressed(3, 486, 487)) StepPlayer(1);
    actionButton.highlighted = actionButton.IsMouseOver() ? 1 : 0;
    if (!actionButton.highlighted) return;
    ShowPanelTip(499);
    if (!Pressed()) return;
    WriteBack();
    g_Menu.previousPage = g_Menu.page;
    g_Menu.page = PAGE_TRANSITION;
    g_Menu.targetPage = kPageNewPlayer;
    PanelSound(kFxNewPlayer);
    g_Fader.FadeOut();
}

// ---- drawing ----------------------------------------------------------------------------------

void MatchSetupPanel::Draw() {
    for (int t = 0; t < tabCount; ++t) tabs[t].Draw();
    tabs[4].Draw();
    for (MenuPanel& b : boxes) b.Draw();
    for (int t = 0; t < tabCount; ++t) DrawTextLabel(&captionLabels[t]);
    // Mode 11's pictures under its labels, so that nothing written is hidden.
    if (mode == 11)
        for (Sprite2D* picture : pictures11)
            if (picture) picture->Draw();
    for (TextLabel& l : rowLabels) DrawTextLabel(&l);
    if (mode == 9 || mode == 10)
        for (TextField& f : fields) f.Draw();
    if (mode == 10)
        for (int r = 0; r < SETUP_LIST_ROWS && listScroll + r < sessionCount; ++r)
            g_Font.Print(4, r == selectedRow ? 4 : 18, x + 0.1f, y + kListTop + kListStep * float(r), -1, sessionNames[r],
                         'I', false);
    if (mode == 2) {
        const TrainingBlock& t = g_Training;
        for (int r = 0; r < 6; ++r) {
            const int team = r / 3;
            char value[16];
            if (r % 3 == 0) PanelPrint(value, sizeof value, "%d", int(t.values[2 + team]) + 1);
            else if (r % 3 == 1) PanelPrint(value, sizeof value, "%d", int(t.values[team]));
            else PanelPrint(value, sizeof value, "%s", PanelText(t.randomLevel[team] ? kSwitchOnText : kSwitchOffText));
            // Centred between the row's arrows, whatever the arrows' pictures measure.
            const ImageButton &left = arrows[2 * r], &right = arrows[2 * r + 1];
            g_Font.Print(5, 18, (left.x + left.w + right.x) / 2, y + 0.1f + kRowStep * float(r), -1, value, 'C', true);
        }
    }
    for (ImageButton& a : arrows)
        if (a.visible) a.Draw();
    actionButton.Draw();
    if (mode == 12 && previewFighter) {
        g_Video.ClearZBuffer();
        g_Video.SetZEnable(true);
        DrawPreviewFighter(previewFighter);
    }
}
