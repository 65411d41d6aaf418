// The frames of the player editor (screen 9) and the player record of a campaign (screen 10).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/settings.h"
#include "fighters/character.h"
#include "frontend/campaign.h"
#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/panel_common.h"
#include "frontend/player_saves.h"
#include "frontend/screen_logic_setup.h"
#include "frontend/settings_files.h"
#include "frontend/text_table.h"
#include "platform/os/os.h"
#include "shell/mouse.h"

namespace {

constexpr int kFxForward = 204;
constexpr int kFxBack = 205;
constexpr int kTipBack = 484;
// Where the editor puts a preview it has to spawn: where its build puts one, over the preview's
// panel under the menu's camera.
constexpr float kPreviewSpot[3] = {-2.26f, 0.25f, -3.0f};
constexpr int kEditorBack = 21;
constexpr uint32_t kSaveFailedMs = 4000;
constexpr uint32_t kRefusedDeleteMs = 4000;
constexpr int kRecordBack = 6;
// The test keys: the letter held picks the piece, a keypad press steps it.
constexpr int kPieceKeys[PLAYER_EQUIPMENT_SLOTS] = {'C', 'G', 'B', 'M', 'H'};

bool IsSlot(int slot) { return slot >= 0 && slot < PLAYER_SLOTS; }

// The name of the team campaign of the side that has the slot's player among its members. Only
// the side's own folder holds team campaign members. The files decide, whatever the record's
// team word: it outlives a campaign deleted by hand, and a player in two campaigns is freed by
// the deletion of either.
bool TeamCampaignOf(int side, int slot, std::string* name) {
    const bool sideFolder = g_Menu.saveMode == 0 || (g_Menu.saveMode == 2 && g_Menu.gameType == 2);
    if (!sideFolder || !g_Menu.playerTables.records[side][slot]) return false;
    // The team campaigns' files, whichever play type the editor was opened from.
    const int gameType = g_Menu.gameType;
    g_Menu.gameType = 2;
    auto block = std::make_unique<CampaignBlock>();
    bool found = false;
    // Every slot holds a campaign when none is free.
    const int free = FirstFreeCampaignSlot(side);
    const int count = free < 0 ? PLAYER_SLOTS : free;
    for (int c = 0; c < count && !found; ++c) {
        if (!ReadCampaignBlock(side, c, block.get(), nullptr)) continue;
        for (int32_t member : block->members) found = found || member == slot;
        if (found) *name = std::string(block->name, strnlen(block->name, sizeof block->name));
    }
    g_Menu.gameType = gameType;
    return found;
}

bool LeftPressed() { return g_Mouse.buttons[MOUSE_LEFT].pressed != 0; }
bool LeftHeld() { return g_Mouse.buttons[MOUSE_LEFT].held != 0; }

int16_t KeyState(int vk) { return g_MenuShellCalls.asyncKeyState ? g_MenuShellCalls.asyncKeyState(vk) : 0; }

}  // namespace

int32_t WrapStep(int32_t value, int direction, int32_t lo, int32_t hi) {
    // A value already outside the range (an old or edited save) re-enters at the end it passed.
    const int64_t v = int64_t(value) + (direction < 0 ? -1 : 1);
    if (v > hi) return lo;
    if (v < lo) return hi;
    return int32_t(v);
}

void StepLookRow(PlayerLook* look, int row, int direction, int32_t* category) {
    if (!look) return;
    const int32_t slot = category && *category >= 0 && *category < PLAYER_TATTOO_SLOTS ? *category : 0;
    switch (row) {
    case 0: look->skin = uint32_t(WrapStep(int32_t(look->skin), direction, 0, 4)); break;
    case 1: look->eyes = uint32_t(WrapStep(int32_t(look->eyes), direction, 0, 9)); break;
    case 2: look->clothes = uint32_t(WrapStep(int32_t(look->clothes), direction, 0, 9)); break;
    case 3: look->hair = WrapStep(look->hair, direction, -1, 5); break;
    case 4: look->hairColour = uint32_t(WrapStep(int32_t(look->hairColour), direction, 0, 5)); break;
    case 5: look->glasses = WrapStep(look->glasses, direction, -1, 5); break;
    case 6:
        if (category) *category = WrapStep(slot, direction, 0, PLAYER_TATTOO_SLOTS - 1);
        break;
    case 7: look->tattoos[slot] = WrapStep(look->tattoos[slot], direction, -1, 7); break;
    default: break;
    }
}

void TurnPreview(Character* fighter, float delta) {
    if (!fighter || !std::isfinite(delta)) return;
    // The feet lie ahead of the body's middle: the middle stays where it was.
    const float before = fighter->yaw;
    const float sx = fighter->position.x - std::sin(before) * EDITOR_PIVOT_BEHIND;
    const float sz = fighter->position.z - std::cos(before) * EDITOR_PIVOT_BEHIND;
    const float y = fighter->position.y;
    fighter->Turn(delta);
    // The model turned in place; placing it where it stands first gives the feet the new facing.
    fighter->SetPosition(fighter->position.x, y, fighter->position.z, false);
    const float after = fighter->yaw;
    fighter->SetPosition(sx + std::sin(after) * EDITOR_PIVOT_BEHIND, y, sz + std::cos(after) * EDITOR_PIVOT_BEHIND,
                         false);
}

// ---- screen 9, the player editor ---------------------------------------------------------------

void MenuScreens::DressCandidate() {
    if (candidate && candidateRecord) ApplyPlayerToCharacter(*candidateRecord, candidate->slot, nullptr);
    UpdateLookLabels();
}

void MenuScreens::ShowEditedPlayer(int slot) {
    const int side = ChosenSide();
    g_Menu.SelectPlayer(IsSlot(slot) ? slot : -1, side);
    editor.changed = 0;
    editor.unwritten = 0;
    if (!g_Menu.playerRecord) {
        RemovePreview(candidate);
        MakeRandomPlayer(side, candidateRecord);
        candidateRestore = *candidateRecord;
        UpdateLookLabels();
        return;
    }
    *candidateRecord = *g_Menu.playerRecord;
    candidateRestore = *candidateRecord;
    if (!candidate) candidate = SpawnPreview(candidateRecord, side, kPreviewSpot[0], kPreviewSpot[1], kPreviewSpot[2]);
    DressCandidate();
}

bool MenuScreens::SaveEditedPlayer() {
    const int side = ChosenSide();
    candidateRecord->side = uint32_t(side);
    int slot = g_Menu.playerRecord ? g_Menu.selectedPlayer : -1;
    if (!IsSlot(slot)) {
        slot = AddPlayerRecord(*candidateRecord);
        if (slot < 0) return false;
        g_Menu.SelectPlayer(slot, side);
    } else if (!CopyPlayerToSlot(side, slot, *candidateRecord)) {
        return false;
    }
    // The record stays in the table even when its file could not be written; the screen stays,
    // and says so: a read-only or full folder must not look like a save.
    if (!SavePlayer(side, slot)) {
        char text[WIDGET_TEXT_CAPACITY];
        std::snprintf(text, sizeof text, "Could not save the player to %s",
                      PlayerSavePath(side, slot, g_Menu.saveMode).c_str());
        notice.Create(text, g_Menu.pictures, kSaveFailedMs);
        notice.StartBlinkTimer(true);
        return false;
    }
    candidateRestore = *candidateRecord;
    editor.changed = 0;
    editor.unwritten = 0;
    return true;
}

bool MenuScreens::KeepEditedPlayer() {
    const int side = ChosenSide();
    candidateRecord->side = uint32_t(side);
    if (g_Menu.playerRecord) {
        *g_Menu.playerRecord = *candidateRecord;
    } else {
        // A player nobody had yet (a random one) joins the list, so that it is there to keep.
        const int slot = AddPlayerRecord(*candidateRecord);
        if (slot < 0) return false;
        g_Menu.SelectPlayer(slot, side);
    }
    candidateRestore = *candidateRecord;
    editor.changed = 0;
    // Only in the list: leaving still asks to write it.
    editor.unwritten = 1;
    return true;
}

bool MenuScreens::RefuseCampaignMemberDelete() {
    const int side = ChosenSide();
    const int slot = g_Menu.playerRecord ? g_Menu.selectedPlayer : -1;
    std::string campaign;
    if (!IsSlot(slot) || !TeamCampaignOf(side, slot, &campaign)) return false;
    char text[WIDGET_TEXT_CAPACITY];
    // The player's name is on the page; the campaign's is cut to keep to the notice box's line.
    std::snprintf(text, sizeof text, "Delete its campaign \"%.16s\" first", campaign.c_str());
    notice.Create(text, g_Menu.pictures, kRefusedDeleteMs);
    notice.StartBlinkTimer(true);
    PanelSound(FX_REFUSE);
    return true;
}

void MenuScreens::DeleteEditedPlayer() {
    const int side = ChosenSide();
    const int slot = g_Menu.playerRecord ? g_Menu.selectedPlayer : -1;
    if (IsSlot(slot)) {
        // No team slot may keep the player whose record is gone.
        for (int k = 0; k < SCREEN_TEAM; ++k) {
            if (teamIndex[k] == slot) {
                teamIndex[k] = -1;
                teamRecords[k] = PlayerRecord{};
                RemovePreview(teamFighters[k]);
            }
            if (g_Menu.teamSlots[side][k] == slot) g_Menu.teamSlots[side][k] = -1;
        }
        DeletePlayerSave(side, slot);
    }
    int next = NextPlayerSlot(side, slot, false);
    if (next < 0) next = FindFreePlayerSlot(side, true);
    ShowEditedPlayer(next);
}

void MenuScreens::RunEditorAction(int question) {
    const int side = ChosenSide();
    switch (question) {
    case EDITOR_ASK_PREVIOUS:
    case EDITOR_ASK_NEXT: {
        const int from = g_Menu.playerRecord ? g_Menu.selectedPlayer : -1;
        const int slot = question == EDITOR_ASK_NEXT ? NextPlayerSlot(side, from, false)
                                                     : PreviousPlayerSlot(side, from, false);
        if (slot >= 0) ShowEditedPlayer(slot);
        break;
    }
    case EDITOR_ASK_RANDOM:
        MakeRandomPlayer(side, candidateRecord);
        RandomizePlayerLook(side, candidateRecord);
        candidateRestore = *candidateRecord;
        if (!candidate)
            candidate = SpawnPreview(candidateRecord, side, kPreviewSpot[0], kPreviewSpot[1], kPreviewSpot[2]);
        g_Menu.SelectPlayer(-1, side);
        // Not stored anywhere yet: leaving asks.
        editor.changed = 1;
        editor.unwritten = 0;
        DressCandidate();
        break;
    case EDITOR_ASK_BACK: {
        const int player = g_Menu.playerRecord ? g_Menu.selectedPlayer : -1;
        if (g_Menu.previousPage == 6) g_Multiplayer.game.playerSlot = player;
        if (g_Menu.previousPage == 2) g_Training.game.playerSlot = player;
        const int back = g_Menu.previousPage >= 0 && g_Menu.previousPage < SCREEN_COUNT ? g_Menu.previousPage : PAGE_MAIN;
        LeaveScreenTo(9, back, kFxBack);
        break;
    }
    case EDITOR_ASK_DELETE: DeleteEditedPlayer(); break;
    default: break;
    }
}

void MenuScreens::AskEditor(int question) {
    // Only a delete, unsaved changes or a kept player without its file need an answer first.
    if (question != EDITOR_ASK_DELETE && !((editor.changed || editor.unwritten) && candidate)) {
        RunEditorAction(question);
        return;
    }
    confirm.Create(PanelText(question == EDITOR_ASK_DELETE ? 784 : 783), g_Menu.pictures, 5);
    confirm.open = 1;
    boxOpen = 1;
    editor.question = question;
}

void MenuScreens::EditorTestKeys() {
    if (!g_Settings.test) return;
    // Both keypad keys are asked every frame, so that a press never waits for a later frame.
    const bool plus = (KeyState(os::VK_ADD) & 1) != 0;
    const bool minus = (KeyState(os::VK_SUBTRACT) & 1) != 0;
    if (plus == minus || !candidate) return;
    bool stepped = false;
    for (int k = 0; k < PLAYER_EQUIPMENT_SLOTS; ++k) {
        if (!(KeyState(kPieceKeys[k]) & 0x8000)) continue;
        int32_t& piece = candidateRecord->look.equipment[k];
        piece = WrapStep(piece, plus ? 1 : -1, -1, EQUIPMENT_ROWS_PER_KIND - 1);
        stepped = true;
    }
    if (!stepped) return;
    editor.changed = 1;
    DressCandidate();
}

void MenuScreens::DragPreview() {
    if (!LeftHeld() || !candidate) {
        editor.dragging = 0;
        return;
    }
    const int dx = g_Mouse.x - editor.anchorX;
    if (dx == 0) return;
    TurnPreview(candidate, -float(dx) * EDITOR_DRAG_FACTOR);
    // The layer takes client coordinates, as the pointer record holds them.
    if (g_MenuShellCalls.setCursorPos) g_MenuShellCalls.setCursorPos(editor.anchorX, editor.anchorY);
    g_Mouse.x = editor.anchorX;
    g_Mouse.y = editor.anchorY;
}

void MenuScreens::UpdatePlayerEditor() {
    if (!candidateRecord) return;
    notice.UpdateBlinkTimer(false, false);
    if (field.editing) {
        ClearHighlights();
        if (field.Update() == 0) return;
        boxOpen = 0;
        if (std::strncmp(editor.nameBefore, candidateRecord->look.name, PLAYER_NAME_SIZE) != 0) editor.changed = 1;
        return;
    }
    if (boxOpen) {
        const int answer = AnswerConfirmBox(true);
        if (answer == 0) return;
        const int question = editor.question;
        editor.question = EDITOR_ASK_NONE;
        if (question == EDITOR_ASK_DELETE) {
            if (answer == 1) DeleteEditedPlayer();
            return;
        }
        // A save that failed keeps the editor where it is, changes and all.
        if (answer == 1 && !SaveEditedPlayer()) return;
        RunEditorAction(question);
        return;
    }
    EditorTestKeys();
    if (editor.dragging) {
        DragPreview();
        return;
    }
    if (editor.autoTurn) TurnPreview(candidate, EDITOR_AUTO_TURN);

    if (Hit(images[0], editor.autoTurn ? 732 : 731)) {
        PanelSound(FX_ACCEPT);
        editor.autoTurn = editor.autoTurn ? 0 : 1;
        return;
    }
    for (int i = 1; i <= 2; ++i) {
        if (!Hit(images[i], 728 + i)) continue;
        PanelSound(FX_ACCEPT);
        editor.autoTurn = 0;
        TurnPreview(candidate, i == 1 ? EDITOR_TURN_STEP : -EDITOR_TURN_STEP);
        return;
    }
    for (int i = 3; i <= 4; ++i) {
        if (!Hit(images[i], 483 + i)) continue;
        PanelSound(FX_ACCEPT);
        AskEditor(i == 3 ? EDITOR_ASK_PREVIOUS : EDITOR_ASK_NEXT);
        return;
    }
    for (int row = 0; row < EDITOR_LOOK_ROWS; ++row) {
        for (int d = 0; d < 2; ++d) {
            if (!Hit(images[5 + 2 * row + d], -1) || !candidate) continue;
            PanelSound(FX_ACCEPT);
            StepLookRow(&candidateRecord->look, row, d == 0 ? -1 : 1, &lookCategory);
            if (row == 6) {
                // Only which tattoo slot the last row shows: the record is as it was.
                labels[EDITOR_NAME_LABEL + 6].SetText(PanelText(769 + lookCategory));
                UpdateLookLabels();
            } else {
                editor.changed = 1;
                DressCandidate();
            }
            return;
        }
    }
    const bool overField = candidate && g_Mouse.IsInRelativeRect(field.x, field.y, field.w, field.h);
    field.SetHighlighted(overField && !LeftHeld());
    if (overField && LeftPressed()) {
        PanelSound(FX_ACCEPT);
        std::memcpy(editor.nameBefore, candidateRecord->look.name, PLAYER_NAME_SIZE);
        field.BeginEdit();
        boxOpen = 1;
        return;
    }
    buttons[1].enabled = buttons[2].enabled = candidate ? 1 : 0;
    if (Hit(buttons[0], -1)) {
        PanelSound(FX_ACCEPT);
        AskEditor(EDITOR_ASK_RANDOM);
        return;
    }
    if (Hit(buttons[1], -1)) {
        // Refused before the question, so that no yes seems to delete.
        if (RefuseCampaignMemberDelete()) return;
        PanelSound(FX_ACCEPT);
        AskEditor(EDITOR_ASK_DELETE);
        return;
    }
    if (Hit(buttons[2], -1)) {
        // Into the list only; the file is written when the player is saved.
        PanelSound(KeepEditedPlayer() ? FX_ACCEPT : FX_REFUSE);
        DressCandidate();
        return;
    }
    if (Hit(images[kEditorBack], kTipBack)) {
        AskEditor(EDITOR_ASK_BACK);
        return;
    }
    if (candidate && LeftPressed() && panels[0].IsMouseOver()) {
        editor.dragging = 1;
        editor.anchorX = g_Mouse.x;
        editor.anchorY = g_Mouse.y;
    }
}

// ---- screen 10, the player record --------------------------------------------------------------

bool MenuScreens::StoreTeamInCampaign() {
    const int side = ChosenSide();
    bool stored = true;
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        // Storing makes the slot's record when there is none: a player who is gone would come
        // back, as whatever the card held.
        if (!IsSlot(teamIndex[k]) || !g_Menu.playerTables.records[side][teamIndex[k]]) continue;
        if (IsBlankRecord(teamRecords[k])) continue;
        if (!StoreMember(teamIndex[k], teamRecords[k])) stored = false;
    }
    // A member that could not be written is no stored team, whatever the campaign's own file says.
    return stored && SaveCampaign(side, g_Campaign.slot, nullptr);
}

void MenuScreens::UpdatePlayerRecord() {
    // The frames stay lit for the member shown rather than following the pointer.
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        if (!images[k].IsMouseOver()) continue;
        ShowPanelTip(k == currentTeamSlot ? 714 : 713);
        if (!LeftPressed() || !IsSlot(teamIndex[k])) continue;
        PanelSound(FX_ACCEPT);
        currentTeamSlot = k;
    }
    for (int k = 0; k < SCREEN_TEAM; ++k) images[k].highlighted = k == currentTeamSlot ? 1 : 0;
    for (int k = 0; k < SCREEN_TEAM; ++k) {
        if (!Hit(buttons[3 + k], 712)) continue;
        PanelSound(FX_ACCEPT);
        if (!IsSlot(teamIndex[k]) || !g_Menu.playerTables.records[ChosenSide()][teamIndex[k]]) continue;
        // Spent, the points leave the campaign at once, so that no page after this one and no
        // restart can lose them; a write that fails leaves them pending.
        const PlayerRecord card = teamRecords[k];
        const auto campaign = std::make_unique<CampaignBlock>(g_Campaign);
        SpendPendingPoints(k, &teamRecords[k]);
        StoreMemberWithCampaign(k, card, *campaign);
    }
    // The enemies follow the next match, whatever changed it since the page was built.
    ShowEnemyRows(RECORD_ENEMY_LABEL);
    // The shown member's statistics beside the record's row names.
    const int shown = currentTeamSlot >= 0 && currentTeamSlot < SCREEN_TEAM ? teamIndex[currentTeamSlot] : -1;
    const PlayerStats* stats = IsSlot(shown) ? g_Menu.playerTables.stats[ChosenSide()][shown] : nullptr;
    for (int r = 0; r < 6; ++r) {
        TextLabel& value = labels[RECORD_ROW_LABEL + 6 + r];
        if (!value.inUse) continue;
        PanelPrint(work, sizeof work, "%u", stats ? unsigned(stats->words[r]) : 0u);
        value.SetText(stats ? work : "");
    }
    if (Hit(buttons[0], 710)) {
        LeaveScreenTo(10, 14, kFxForward);
        return;
    }
    if (Hit(buttons[1], 711)) {
        LeaveScreenTo(10, 15, kFxForward);
        return;
    }
    const bool start = Hit(buttons[2], 485);
    const bool back = !start && Hit(images[kRecordBack], kTipBack);
    if (!start && !back) return;
    // A campaign that could not be written leaves the screen where it is.
    if (!StoreTeamInCampaign()) {
        PanelSound(FX_REFUSE);
        return;
    }
    if (start)
        LeaveScreenTo(10, PAGE_START_MATCH, kFxForward);
    else
        LeaveScreenTo(10, 11, kFxBack);
}
