#include "frontend/menu_screens.h"

#include <cstdio>
#include <cstring>

#include "core/debug_log.h"
#include "frontend/campaign.h"
#include "frontend/equipment_lists.h"
#include "frontend/menu.h"
#include "frontend/mission_table.h"
#include "frontend/menu_calls.h"
#include "frontend/overlays.h"
#include "frontend/panel_common.h"
#include "frontend/player_saves.h"
#include "frontend/screen_logic_setup.h"
#include "frontend/settings_files.h"
#include "frontend/text3d.h"
#include "platform/os/os.h"
#include "shell/mouse.h"
#include "core/settings.h"
#include "fighters/character.h"

namespace {

constexpr int kFxForward = 204;
constexpr int kFxBack = 205;
constexpr int kFxSwitch = 202;
constexpr int kTipBack = 484;
constexpr int kMusicFadeMs = 3000;
constexpr float kFacingCamera = 3.14159265f;
constexpr uint32_t kGoneNoticeMs = 6000;
constexpr uint32_t kRefusedNoticeMs = 4000;

bool LeftHeld() { return g_Mouse.buttons[MOUSE_LEFT].held != 0; }
bool LeftPressed() { return g_Mouse.buttons[MOUSE_LEFT].pressed != 0; }

// Screens without a frame of their own.
bool HasLogic(int screen) { return screen >= 0 && screen <= 23 && screen != 1 && screen != 7 && screen != 17; }

bool OverWidget(bool over, uint8_t* highlight, int tip) {
    if (highlight) *highlight = over && !LeftHeld() ? 1 : 0;
    if (!over) return false;
    if (tip >= 0) ShowPanelTip(tip);
    return LeftPressed();
}

// Word indices of the live game block: the mission's part starts at byte 28, each kind's goal
// pair and the two times after it.
constexpr int kMissionFirstWord = 7, kMissionLastWord = 38;
constexpr int kGoalPairWord[MISSION_KINDS] = {29, -1, 31, 33, 35, 27};
constexpr int kFreezeTimeWord = 37, kMaxTimeWord = 38;
constexpr int kMissionLabelTitle = 5, kMissionLabelText = 6, kMissionPanel = 5;

// A campaign the slots page could not open or delete, named in its notice, with why when its file
// is damaged; the file is kept as it is either way.
void TellCampaignRefused(NoticeBox* notice, const char* what, int side, int slot) {
    char text[WIDGET_TEXT_CAPACITY];
    std::snprintf(text, sizeof text, "Could not %s %s%s", what, CampaignFileName(side, slot).c_str(),
                  IsCampaignDamaged(side, slot) ? ": the file is damaged" : "");
    notice->Create(text, g_Menu.pictures, kRefusedNoticeMs);
    notice->StartBlinkTimer(true);
}

}  // namespace

bool SetUpMission(int side, int step, int kind, bool team) {
    if (side < 0 || side > 1 || step < 0 || kind < 0 || kind >= MISSION_KINDS) return false;
    const MissionRecord* m = FindMission(team ? MISSIONS : SINGLE_MISSIONS, side, step, kind);
    if (!m) return false;
    uint32_t words[sizeof(GameSettingsBlock) / 4];
    static_assert(sizeof words > kMissionLastWord * 4, "the block holds the mission's words");
    std::memcpy(words, &g_GameSettings, sizeof words);
    words[0] = uint32_t(side);
    words[5] = uint32_t(step);
    words[6] = uint32_t(kind);
    for (int i = kMissionFirstWord; i <= kMissionLastWord; ++i) words[i] = 0;
    for (int i = 0; i < 20; ++i) words[kMissionFirstWord + i] = m->words[i];
    if (kGoalPairWord[kind] >= 0) {
        words[kGoalPairWord[kind]] = m->words[20];
        words[kGoalPairWord[kind] + 1] = m->words[21];
    }
    if (kind == 1 || kind == 2 || kind == 3)
        words[kMaxTimeWord] = uint32_t(g_Settings.ScaleByDifficulty(int(m->words[22])));
    else if (kind == 4)
        words[kFreezeTimeWord] = m->words[22];
    std::memcpy(&g_GameSettings, words, sizeof words);
    return true;
}

bool MenuScreens::Hit(ImageButton& b, int tip) { return OverWidget(b.IsMouseOver(), &b.highlighted, tip); }
bool MenuScreens::Hit(MenuButton& b, int tip) { return OverWidget(b.IsMouseOver(), &b.highlighted, tip); }
bool MenuScreens::Hit(MenuSwitch& s, int tip) { return OverWidget(s.IsClicked(), nullptr, tip); }

void MenuScreens::ClearHighlights() {
    for (auto& i : images) i.highlighted = 0;
    for (auto& b : buttons) b.highlighted = 0;
    field.SetHighlighted(false);
}

void MenuScreens::Update() {
    if (!built) return;
    // The panels take their own input; the screens' widgets answer in the screens' logic.
    if (screen == 2 || screen == 6) matchSetup.Update();
    if (screen == 8 && optionsOn && !optionsExit.asking) options.Update();
    if (!HasLogic(screen)) return;
    switch (screen) {
    case 0: UpdateMainMenu(); break;
    case 2: UpdateTrainingSetup(); break;
    case 6: UpdateNetworkSetup(); break;
    case 8: UpdateOptionsScreen(); break;
    case 3: UpdateProfileChoice(); break;
    case 4: UpdateCampaignSlots(); break;
    case 5: UpdateTeamChoice(); break;
    case 9: UpdatePlayerEditor(); break;
    case 10: UpdatePlayerRecord(); break;
    case 11: UpdateMissionChoice(); break;
    case 12: UpdateResults(); break;
    case 13: UpdateCampaignTeam(); break;
    case 14:
    case 15: UpdateShop(); break;
    case 16: UpdateEndPicture(); break;
    case 18:
        if (Hit(images[0], 504)) {
            PanelSound(FX_ACCEPT);
            LeaveScreenTo(18, 6, kFxForward);
        }
        break;
    case 19: UpdateCredits(); break;
    case 20: UpdatePlayerChoice(); break;
    case 21: UpdateTeamReady(); break;
    case 22: UpdateTeamSummary(); break;
    case 23:
        if (Hit(images[0], 504)) {
            PanelSound(FX_ACCEPT);
            LeaveScreenTo(23, 16, kFxForward);
        }
        break;
    default: break;
    }
}

int MenuScreens::AnswerConfirmBox(bool clearHighlights) {
    if (clearHighlights) ClearHighlights();
    const int answer = confirm.Update(g_Menu.enterPressed != 0, g_Menu.escapePressed != 0);
    if (answer != 0) {
        boxOpen = 0;
        confirm.open = 0;
    }
    return answer;
}

void MenuScreens::UpdateMainMenu() {
    if (boxOpen) {
        const int answer = AnswerConfirmBox(false);
        if (answer == 0) return;
        if (answer != 1) return;
        g_Menu.page = PAGE_TRANSITION;
        g_Menu.targetPage = PAGE_QUIT;
        for (int k = 0; k < g_Menu.buttonCount && k < MENU_BUTTONS; ++k)
            g_Menu.buttons[k].StartAnimation(TEXT3D_FLY_OUT);
        g_Fader.FadeOut();
        if (g_Settings.music && g_MenuShellCalls.stopMusic) g_MenuShellCalls.stopMusic(kMusicFadeMs);
        PanelSound(kFxBack);
        return;
    }
    if (Hit(images[0], -1)) {
        PanelSound(FX_ACCEPT);
        LeaveScreenTo(0, 19, kFxForward);
    }
}

void MenuScreens::UpdateProfileChoice() {
    if (boxOpen) {
        ClearHighlights();
        if (field.Update() != 0) boxOpen = 0;
        return;
    }
    const bool overField = g_Mouse.IsInRelativeRect(field.x, field.y, field.w, field.h);
    field.SetHighlighted(overField && !LeftHeld());
    if (overField) {
        ShowPanelTip(593);
        if (LeftPressed()) {
            PanelSound(FX_ACCEPT);
            field.BeginEdit();
            boxOpen = 1;
            return;
        }
    }
    // The side logos keep the chosen side lit rather than following the pointer.
    for (int i = 0; i < 2; ++i) {
        if (!images[i].IsMouseOver()) continue;
        ShowPanelTip(597 + i);
        if (!LeftPressed()) continue;
        g_Menu.variant = i;
        images[i].highlighted = 1;
        images[1 - i].highlighted = 0;
        PanelSound(FX_ACCEPT);
    }
    for (int i = 0; i < SCREEN_SWITCHES; ++i) {
        // The switch already on changes nothing and says nothing.
        if (!Hit(switches[i], 594 + i) || switches[i].on) continue;
        for (auto& s : switches) s.on = 0;
        switches[i].on = 1;
        g_Options.difficulty = uint32_t(i);
        PanelSound(kFxSwitch);
    }
    if (Hit(images[2], kTipBack)) {
        LeaveScreenTo(3, PAGE_PLAY_TYPE, kFxBack);
        return;
    }
    if (Hit(images[3], 599)) {
        // The field edits the name buffer itself; the copy keeps it terminated within its size.
        title[sizeof title - 1] = 0;
        for (auto& t : teamIndex) t = -1;
        g_Menu.SelectPlayer(-1, g_Menu.variant == 1 ? 1 : 0);
        LeaveScreenTo(3, g_Menu.gameType == 2 ? 5 : 20, kFxForward);
    }
}

void MenuScreens::RefreshSaveList(int first) {
    const int side = g_Menu.variant == 1 ? 1 : 0;
    saveCount = ListCampaigns(side);
    if (saveCount < 0) saveCount = 0;
    saveFirst = saveCount <= SCREEN_CAPTION_ROWS ? 0 : first < 0 ? 0 : first;
    saveSelected = -1;
    FormatSaveCaption(saveFirst, saveCount, side);
}

bool MenuScreens::DropGoneMembers(int side) {
    // Only gone from the player's list (deleted by hand, or by an earlier version): the campaign
    // goes on without it, and is written so, rather than play and store a nameless player.
    char gone[WIDGET_TEXT_CAPACITY] = {};
    int left = 0;
    for (int k = 0; k < CAMPAIGN_MEMBERS; ++k) {
        const int32_t slot = g_Campaign.members[k];
        if (slot < 0 || slot >= PLAYER_SLOTS) continue;
        if (g_Menu.playerTables.records[side][slot]) {
            ++left;
            continue;
        }
        const size_t used = std::strlen(gone);
        std::snprintf(gone + used, sizeof gone - used, "%smember %d", used ? ", " : "", k + 1);
        WriteDebugLogF("Campana %d: el miembro %d ya no existe (%s)", g_Campaign.slot, k + 1,
                       PlayerSavePath(side, slot, g_Menu.saveMode).c_str());
        g_Campaign.members[k] = -1;
        g_Campaign.pendingPoints[k] = 0;
    }
    if (!gone[0]) return true;
    if (left == 0) {
        // Nobody left to play it: it stays as it is, and the list says why it does not open.
        ClearCampaign();
        notice.Create("No player of this campaign is left to play it", g_Menu.pictures, kGoneNoticeMs);
        notice.StartBlinkTimer(true);
        PanelSound(FX_REFUSE);
        return false;
    }
    // One line of the notice box holds about fifty letters: the files go to the debug log.
    std::snprintf(loadNotice, sizeof loadNotice, "Gone from the team: %s", gone);
    SaveCampaign(side, g_Campaign.slot, nullptr);
    return true;
}

void MenuScreens::LoadSelectedCampaign() {
    const int side = g_Menu.variant == 1 ? 1 : 0;
    const int slot = saveFirst + saveSelected;
    // The campaign of its own player brings that record with it into the first slot.
    PlayerRecord own = {};
    const auto optionsDifficulty = g_Options.difficulty;
    const auto settingsDifficulty = g_Settings.difficulty;
    // A save that is gone or cut short stays as it is, and the player reads why nothing opened.
    if (!LoadCampaign(side, slot, g_Menu.gameType == 2 ? nullptr : &own)) {
        PanelSound(FX_REFUSE);
        TellCampaignRefused(&notice, "open", side, slot);
        return;
    }
    saveSelected = -1;
    if (g_Menu.gameType != 2) {
        for (int k = 0; k < SCREEN_TEAM; ++k) teamIndex[k] = g_Menu.teamSlots[side][k] = k == 0 ? 0 : -1;
        teamRecords[0] = own;
        // The campaign's own player stands in slot 0 of the table, where its screens look.
        CopyPlayerToSlot(side, 0, own);
        LeaveScreenTo(4, 21, kFxForward);
        return;
    }
    if (!DropGoneMembers(side)) {
        // A campaign that does not open leaves the options as they were.
        g_Options.difficulty = optionsDifficulty;
        g_Settings.difficulty = settingsDifficulty;
        return;
    }
    if (IsStageComplete()) AdvanceStage();
    RemovePreview(candidate);
    for (auto*& f : teamFighters) RemovePreview(f);
    const PlayerRecord* team[SCREEN_TEAM] = {};
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        teamIndex[k] = g_Menu.teamSlots[side][k] = g_Campaign.members[k];
        CopyTeamRecord(k);
        team[k] = teamIndex[k] >= 0 ? &teamRecords[k] : nullptr;
    }
    // The record and shop pages open on the current slot's member, which a gone one left empty.
    if (currentTeamSlot < 0 || currentTeamSlot >= SCREEN_TEAM || teamIndex[currentTeamSlot] < 0)
        currentTeamSlot = ShownMember();
    BuildEquipmentLists(team, SCREEN_TEAM);
    // A finished campaign opens on its end picture, never on the mission page that shows the
    // notice: kept, it would be told of whichever campaign opens next.
    if (g_Campaign.stage == CAMPAIGN_FINISHED) loadNotice[0] = 0;
    LeaveScreenTo(4, g_Campaign.stage == CAMPAIGN_FINISHED ? 16 : 11, kFxForward);
}

void MenuScreens::UpdateCampaignSlots() {
    notice.UpdateBlinkTimer(false, false);
    if (boxOpen) {
        const int answer = AnswerConfirmBox(true);
        if (answer == 0) return;
        if (answer == 1 && saveSelected >= 0) {
            const int side = g_Menu.variant == 1 ? 1 : 0, slot = saveFirst + saveSelected;
            if (!DeleteCampaign(side, slot)) TellCampaignRefused(&notice, "delete", side, slot);
            RefreshSaveList(saveFirst - 1);
        }
        return;
    }
    const int rows = saveCount < SCREEN_CAPTION_ROWS ? saveCount : SCREEN_CAPTION_ROWS;
    for (int i = 0; i < rows; ++i) {
        if (!labels[i].IsMouseOver() || !LeftPressed()) continue;
        saveSelected = i;
        PanelSound(FX_ACCEPT);
        break;
    }
    for (int i = 0; i < rows; ++i) labels[i].highlighted = i == saveSelected ? 1 : 0;
    buttons[2].enabled = buttons[3].enabled = saveSelected >= 0 ? 1 : 0;
    images[0].enabled = saveFirst > 0 ? 1 : 0;
    images[1].enabled = saveFirst + SCREEN_CAPTION_ROWS < saveCount ? 1 : 0;

    for (int i = 0; i < 2; ++i) {
        if (!Hit(buttons[i], 488 + i)) continue;
        PanelSound(FX_ACCEPT);
        if (g_Menu.variant == i) continue;
        g_Menu.variant = i;
        RefreshSaveList(0);
    }
    for (int i = 0; i < 2; ++i) {
        if (!Hit(images[i], -1)) continue;
        PanelSound(FX_ACCEPT);
        const int first = saveFirst + (i == 0 ? -1 : 1);
        if (first < 0 || first + SCREEN_CAPTION_ROWS > saveCount) continue;
        saveFirst = first;
        FormatSaveCaption(saveFirst, saveCount, g_Menu.variant == 1 ? 1 : 0);
    }
    if (Hit(buttons[2], 724)) {
        LoadSelectedCampaign();
        return;
    }
    if (Hit(buttons[3], 725)) {
        PanelSound(FX_ACCEPT);
        boxOpen = 1;
        confirm.open = 1;
        return;
    }
    if (Hit(images[2], kTipBack)) LeaveScreenTo(4, PAGE_PLAY_TYPE, kFxBack);
}

void MenuScreens::SetTeamMember(int k, int index, Character* fighter) {
    const int side = g_Menu.variant == 1 ? 1 : 0;
    teamIndex[k] = g_Menu.teamSlots[side][k] = index;
    if (index >= 0) CopyTeamRecord(k);
    if (fighter) {
        fighter->SetPosition(TEAM_SPOTS[k][0], TEAM_SPOTS[k][1], TEAM_SPOT_DEPTH, true);
        fighter->SetYaw(kFacingCamera);
    }
    teamFighters[k] = fighter;
    PanelPrint(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, index >= 0 ? teamRecords[k].look.name : "");
    labels[k].SetText(work);
}

void MenuScreens::PlaceCandidate() {
    const int k = chosenTeamSlot;
    const int index = g_Menu.selectedPlayer;
    // A preview that could not be spawned does not keep the player out of the team.
    if (!candidateRecord || noCandidate || index < 0 || k < 0 || k >= SCREEN_TEAM) return;
    RemovePreview(teamFighters[k]);
    SetTeamMember(k, index, candidate);
    teamRecords[k] = *candidateRecord;
    candidate = nullptr;
    SelectTeamCandidate(index, false);
    if (k + 1 < SCREEN_TEAM) chosenTeamSlot = k + 1;
}

void MenuScreens::FillTeam() {
    const int side = g_Menu.variant == 1 ? 1 : 0;
    const int first = NextPlayerSlot(side, -1, false);
    int index = first;
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        RemovePreview(teamFighters[k]);
        // With fewer than four players the rest stay empty rather than keep an earlier member
        // a second time.
        if (index < 0) {
            SetTeamMember(k, -1, nullptr);
            continue;
        }
        SetTeamMember(k, index, nullptr);
        teamFighters[k] = SpawnPreview(&teamRecords[k], side, TEAM_SPOTS[k][0], TEAM_SPOTS[k][1], TEAM_SPOT_DEPTH);
        index = NextPlayerSlot(side, index, false);
        if (index == first) index = -1;
    }
    RemovePreview(candidate);
    g_Menu.SelectPlayer(-1, side);
    noCandidate = 1;
    labels[4].SetText("");
}

void MenuScreens::UpdateTeamChoice() {
    const int side = g_Menu.variant == 1 ? 1 : 0;
    // The slot frames stay lit for the chosen slot rather than following the pointer.
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        if (!images[k].IsMouseOver()) continue;
        ShowPanelTip(k == chosenTeamSlot ? 592 : 591);
        if (!LeftPressed()) continue;
        PanelSound(FX_ACCEPT);
        if (k == chosenTeamSlot) PlaceCandidate();
        else chosenTeamSlot = k;
    }
    for (int k = 0; k < SCREEN_TEAM; ++k) images[k].highlighted = k == chosenTeamSlot ? 1 : 0;
    // Panels in use: a filled slot's name panel, the shown player's lines, the team's averages
    // and the shown player's frame; an empty slot keeps only its frame.
    for (int k = 0; k < SCREEN_TEAM; ++k) panels[k].visible = teamIndex[k] >= 0 ? 1 : 0;
    panels[4].visible = panels[5].visible = panels[6].visible = 1;
    if (Hit(images[8], 592)) {
        PanelSound(FX_ACCEPT);
        PlaceCandidate();
    }
    for (int i = 0; i < 2; ++i) {
        if (!Hit(images[6 + i], 486 + i)) continue;
        PanelSound(FX_ACCEPT);
        SelectTeamCandidate(g_Menu.selectedPlayer, i == 0);
    }
    // Button 0 carries the new-player text, button 1 the fill text.
    if (Hit(buttons[1], 590)) {
        PanelSound(FX_ACCEPT);
        FillTeam();
    }
    bool full = true;
    for (int k = 0; k < SCREEN_TEAM; ++k) full = full && teamIndex[k] >= 0;
    images[5].enabled = full ? 1 : 0;
    if (Hit(images[4], kTipBack)) {
        LeaveScreenTo(5, 3, kFxBack);
        return;
    }
    if (Hit(buttons[0], 499)) {
        LeaveScreenTo(5, 9, kFxBack);
        return;
    }
    if (!Hit(images[5], 504)) return;
    int32_t members[SCREEN_TEAM];
    for (int k = 0; k < SCREEN_TEAM; ++k) members[k] = teamIndex[k];
    // A campaign that could not be written is not played.
    if (!CreateCampaign(side, title, members)) {
        PanelSound(FX_REFUSE);
        return;
    }
    // Copied after the creation, so that the copies the record screen stores back carry the
    // campaign as their team.
    const PlayerRecord* team[SCREEN_TEAM];
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        CopyTeamRecord(k);
        team[k] = &teamRecords[k];
    }
    BuildEquipmentLists(team, SCREEN_TEAM);
    LeaveScreenTo(5, 11, kFxForward);
}

int CreditsGreyLevel(uint32_t t) {
    if (t < 2000) return int(float(t) * 0.0005f * 255.0f);
    if (t <= 6000) return 255;
    const uint32_t fade = t - 6000 < 2000 ? t - 6000 : 2000;
    return 255 - int(float(fade) * 0.0005f * 255.0f);
}

int NextCreditsPage(int page) { return page >= 5 && page < 9 ? 9 : page >= 9 || page < 0 ? 0 : page + 1; }

void MenuScreens::ShowKindInformation(int kind) {
    MenuPanel& panel = panels[kMissionPanel];
    panel.visible = kind >= 0 ? 1 : 0;
    if (kind == hoveredKind) return;
    hoveredKind = kind;
    DestroyTextLabel(&labels[kMissionLabelTitle]);
    DestroyTextLabel(&labels[kMissionLabelText]);
    if (kind < 0) return;
    CreateTextLabel(&labels[kMissionLabelTitle], panel.x + panel.w / 2, panel.y, 'C', PanelText(600 + kind), 5, 1);
    CreateTextParagraph(&labels[kMissionLabelText], panel.x + 0.02f, panel.y + 0.03f, panel.w - 0.04f,
                        panel.h - 0.05f, PanelText(1270 + kind), 4, 18);
}

void MenuScreens::UpdateMissionChoice() {
    notice.UpdateBlinkTimer(false, false);
    if (boxOpen) {
        const int answer = AnswerConfirmBox(true);
        if (answer == 0) return;
        if (answer == 1) LeaveScreenTo(11, PAGE_PLAY_TYPE, kFxBack);
        return;
    }
    const int side = g_Menu.variant == 1 ? 1 : 0;
    const int stage = g_Campaign.stage < uint32_t(CAMPAIGN_STAGES) ? int(g_Campaign.stage) : 0;
    int hovered = -1;
    for (int row = 0; row < 5; ++row) {
        for (int kind = 0; kind < MISSION_KINDS; ++kind) {
            ImageButton& b = images[row * 6 + kind];
            if (b.IsMouseOver()) hovered = kind;
            if (!Hit(b, 709)) continue;
            const int step = side == 0 ? stage * 5 + row : stage * 5 + 4 - row;
            PanelSound(FX_ACCEPT);
            if (!SetUpMission(side, step, kind, g_Menu.gameType == 2)) continue;
            missionChoice = step * MISSION_KINDS + kind;
            LeaveScreenTo(11, 10, kFxForward);
            return;
        }
    }
    ShowKindInformation(hovered);
    if (Hit(images[30], kTipBack)) {
        PanelSound(FX_ACCEPT);
        boxOpen = 1;
        confirm.open = 1;
    }
}

void MenuScreens::UpdateResults() {
    notice.UpdateBlinkTimer(false, false);
    if (!Hit(images[0], 504)) return;
    PanelSound(FX_ACCEPT);
    const int mode = g_Menu.saveMode;
    if (mode == 0 || mode == 2) teamSelection = g_Menu.variant;
    // Any other save mode fades out toward the target already set.
    const int target = mode == 0 || mode == 2 ? 13 : mode == 1 ? 18 : g_Menu.targetPage;
    LeaveScreenTo(12, target, kFxForward);
}

int MenuScreens::CampaignTeamTarget() {
    if (g_Menu.variant == teamSelection) {
        teamSelection = teamSelection != 0 ? 0 : 1;
        return 13;
    }
    switch (g_Menu.saveMode) {
    case 0: return 2;
    case 1: return 6;
    case 2:
        if (g_Menu.gameType != 2) return 21;
        if (!IsStageComplete()) return 11;
        AdvanceStage();
        return g_Campaign.stage == CAMPAIGN_FINISHED ? 16 : 11;
    default: return g_Menu.targetPage;
    }
}

void MenuScreens::UpdateCampaignTeam() {
    if (!Hit(images[0], 504)) return;
    PanelSound(FX_ACCEPT);
    LeaveScreenTo(13, CampaignTeamTarget(), kFxForward);
}

void MenuScreens::UpdateCredits() {
    const uint32_t now = os::timeGetTime();
    if (now - creditsStart > CREDITS_PAGE_MS) {
        creditsPage = NextCreditsPage(creditsPage);
        creditsStart = now;
        ShowCreditsPage();
    }
    const uint32_t grey = uint32_t(CreditsGreyLevel(now - creditsStart));
    panels[0].colour = 0xff000000u | grey << 16 | grey << 8 | grey;
    if (Hit(images[0], kTipBack)) {
        PanelSound(FX_ACCEPT);
        LeaveScreenTo(19, PAGE_MAIN, kFxBack);
    }
}

void MenuScreens::UpdateEndPicture() {
    const bool down = g_Menu.enterPressed || g_Menu.escapePressed || LeftHeld() ||
                      g_Mouse.buttons[MOUSE_RIGHT].held;
    if (!down) return;
    // A failed delete keeps every file; the finished campaign then simply stays in the list.
    if (g_Menu.gameType == 2) DeleteCampaign(g_Menu.variant == 1 ? 1 : 0, g_Campaign.slot);
    LeaveScreenTo(16, PAGE_MAIN, kFxForward);
}

void MenuScreens::UpdatePlayerChoice() {
    if (Hit(images[0], kTipBack)) {
        LeaveScreenTo(20, 3, kFxBack);
        return;
    }
    if (!Hit(images[1], 599)) return;
    const int side = g_Menu.variant == 1 ? 1 : 0;
    // Without a player or a written campaign there is nothing to play.
    if (!g_Menu.playerRecord || !CreateCampaign(side, title, teamIndex, g_Menu.playerRecord)) {
        PanelSound(FX_REFUSE);
        return;
    }
    for (int k = 0; k < SCREEN_TEAM; ++k) teamIndex[k] = k == 0 ? 0 : -1;
    teamRecords[0] = *g_Menu.playerRecord;
    LeaveScreenTo(20, 21, kFxForward);
}
