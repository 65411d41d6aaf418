#include "frontend/menu_screens.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "common/math.h"
#include "fighters/character.h"
#include "frontend/campaign.h"
#include "frontend/menu.h"
#include "frontend/player_saves.h"
#include "frontend/preview_fighter.h"
#include "frontend/settings_files.h"
#include "frontend/sprite2d.h"
#include "frontend/text_table.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace {

// Indices of the menu's shared widget pictures.
enum : int {
    PIC_RIGHT_OFF = 0, PIC_RIGHT_ON = 1, PIC_LEFT_OFF = 2, PIC_LEFT_ON = 3,
    PIC_SMALL_LEFT_OFF = 11, PIC_SMALL_LEFT_ON = 12, PIC_SMALL_RIGHT_OFF = 13, PIC_SMALL_RIGHT_ON = 14,
    PIC_UP_OFF = 26, PIC_UP_ON = 27, PIC_DOWN_OFF = 28, PIC_DOWN_ON = 29,
    PIC_ORLINS_OFF = 30, PIC_ORLINS_ON = 31, PIC_VORAKS_OFF = 32, PIC_VORAKS_ON = 33,
    PIC_FRAME_ON = 39, PIC_FRAME_OFF = 40, PIC_ADD_TEAM_ON = 41, PIC_ADD_TEAM_OFF = 42,
    PIC_TURN_ON = 43, PIC_TURN_OFF = 44, PIC_TURN_LEFT_ON = 45, PIC_TURN_LEFT_OFF = 46,
    PIC_TURN_RIGHT_ON = 47, PIC_TURN_RIGHT_OFF = 48,
    PIC_ADD_ON = 49, PIC_ADD_OFF = 50, PIC_SUB_ON = 51, PIC_SUB_OFF = 52,
    PIC_KIND_ON = 53, PIC_KIND_OFF = 59, PIC_LOGO_ON = 65, PIC_LOGO_OFF = 66,
};

constexpr uint32_t GREY = 0xff808080, DARK = 0xff505050, DARKER = 0xff373737;
constexpr float PI = 3.14159265f;
// Long enough to read which members left a loaded campaign.
constexpr uint32_t kLoadNoticeMs = 6000;

Sprite2D* Pic(int i) { return g_Menu.pictures[i]; }
const char* Text(int id) { return g_TextTable.Get(id); }

}  // namespace

int ChosenSide() { return g_Menu.variant == 1 ? 1 : 0; }

bool ScreenPointOnPlane(float x, float y, float depth, Vec3* out) {
    const Camera* cam = g_Scene.camera;
    if (!cam) return false;
    // The ray through the viewport point, from the camera's basis and its two view angles.
    const float sx = (2.0f * x - 1.0f) * std::tan(cam->fovX * 0.5f);
    const float sy = (1.0f - 2.0f * y) * std::tan(cam->fovY * 0.5f);
    const Vec3 d{cam->forward.x + cam->right.x * sx + cam->up.x * sy,
                 cam->forward.y + cam->right.y * sx + cam->up.y * sy,
                 cam->forward.z + cam->right.z * sx + cam->up.z * sy};
    if (std::fabs(d.z) < 0.0001f) return false;
    const float t = (depth - cam->eye.z) / d.z;
    if (out) *out = Vec3{cam->eye.x + d.x * t, cam->eye.y + d.y * t, depth};
    return true;
}

MenuScreens::~MenuScreens() {
    ReleaseScreen(screen);
    matchSetup.Release();
    options.Release();
    delete candidateRecord;
    candidateRecord = nullptr;
}

void MenuScreens::SetScreen(int n) {
    previousScreen = screen;
    screen = n;
    if (previousScreen >= 0) ReleaseScreen(previousScreen);
    switch (n) {
    case 0: BuildMainMenu(); break;
    case 1: optionsOn = 0; break;
    case 2: BuildTraining(); break;
    case 3: BuildProfileChoice(); break;
    case 4: BuildCampaignSlots(); break;
    case 5: BuildTeamChoice(); break;
    case 6: BuildNetworkSetup(); break;
    case 8: BuildOptions(); break;
    case 9: BuildPlayerEditor(); break;
    case 10: BuildPlayerRecord(); break;
    case 11: BuildMissionChoice(); break;
    case 12:
    case 17: BuildResults(); break;
    case 13: BuildCampaignTeam(); break;
    case 14: BuildShopA(); break;
    case 15: BuildShopB(); break;
    case 18: BuildNetworkResults(); break;
    case 19: BuildCredits(); break;
    case 20: BuildPlayerChoice(); break;
    case 21: BuildTeamReady(); break;
    case 22: BuildTeamSummary(); break;
    case 23: BuildInformation(); break;
    default: break;   // 7, 16 and anything above 23 build nothing
    }
    // A results screen that turned into another one has built that one already.
    built = 1;
}

void MenuScreens::ReleaseScreen(int n) {
    for (auto& l : labels) DestroyTextLabel(&l);
    for (auto& i : images) i.Reset();
    for (auto& p : panels) p.Reset();
    for (auto& b : buttons) b.Reset();
    field.Reset();
    for (auto& s : switches) s.Reset();
    delete candidateRecord;
    candidateRecord = nullptr;
    for (auto*& p : pictures) {
        delete p;
        p = nullptr;
    }
    RemovePreview(candidate);
    for (auto*& f : teamFighters) RemovePreview(f);
    for (auto*& f : enemyFighters) RemovePreview(f);
    if (n == 2 || n == 6) matchSetup.ReleaseTab();
    confirm.Reset();
    notice.Reset();
    boxOpen = 0;
    optionsExit = OptionsExit();
}

void MenuScreens::OpenQuitBox() {
    boxOpen = 1;
    confirm.open = 1;
}

bool MenuScreens::CopyTeamRecord(int i) {
    if (i < 0 || i >= SCREEN_TEAM) return false;
    const int side = ChosenSide();
    const int index = g_Menu.teamSlots[side][i];
    // The screens' team is the menu's: these screens are made anew after every match, the
    // menu's team list is not.
    teamIndex[i] = index >= 0 && index < PLAYER_SLOTS ? index : -1;
    if (teamIndex[i] < 0) return false;
    const PlayerRecord* record = g_Menu.playerTables.records[side][index];
    // A member whose record is gone keeps no earlier card: whoever that card was, it is not the
    // slot's player and must never be stored as it.
    teamRecords[i] = record ? *record : PlayerRecord{};
    return record != nullptr;
}

// ---- helpers ----

ImageButton& MenuScreens::MakeImage(int slot, float x, float y, int highlight, int plain, char align) {
    ImageButton& b = images[slot];
    b.Create(x, y, Pic(highlight), Pic(plain), uint8_t(align));
    return b;
}

MenuPanel& MenuScreens::MakePanel(int slot, float x, float y, float w, float h, uint32_t colour, uint8_t blend) {
    MenuPanel& p = panels[slot];
    p.Create(x, y, w, h, colour, blend);
    p.visible = 1;
    return p;
}

void MenuScreens::MakeBackArrow(int slot) { MakeImage(slot, 0.05f, 0.9f, PIC_LEFT_ON, PIC_LEFT_OFF, 'i'); }

void MenuScreens::MakeNextArrow(int slot, float x) { MakeImage(slot, x, 0.9f, PIC_RIGHT_ON, PIC_RIGHT_OFF, 'd'); }

TextLabel& MenuScreens::MakeLabel(int slot, float x, float y, char align, const char* text, int size,
                                  uint32_t colour) {
    CreateTextLabel(&labels[slot], x, y, uint8_t(align), text, size, colour);
    return labels[slot];
}

TextLabel& MenuScreens::MakeTextLabel(int slot, float x, float y, char align, int textId, int size,
                                      uint32_t colour) {
    return MakeLabel(slot, x, y, align, Text(textId), size, colour);
}

void MenuScreens::MakeButton(int slot, float x, float y, char align, int textId) {
    buttons[slot].Create(x, y, 0.14f, 0.06f, Text(textId), uint8_t(align), g_Menu.pictures, 6);
}

Character* MenuScreens::SpawnPreview(const PlayerRecord* record, int side, float x, float y, float z) {
    return SpawnPreviewFighter(record, side, Vec3{x, y, z}, nullptr);
}

void MenuScreens::RemovePreview(Character*& fighter) { RemovePreviewFighter(fighter); }

void MenuScreens::EnsureCandidateRecord() {
    delete candidateRecord;
    candidateRecord = new PlayerRecord();
}

// ---- screens 0 to 11 ----

void MenuScreens::BuildMainMenu() {
    optionsOn = 0;
    confirm.Create(Text(701), g_Menu.pictures, 5);
    ImageButton& logo = MakeImage(0, 0.85f, 0.82f, PIC_LOGO_ON, PIC_LOGO_OFF, 'i');
    MakeTextLabel(0, logo.x + logo.w / 2, logo.y + logo.h, 'C', 1280, 2, 13);
}

void MenuScreens::BuildTraining() {
    matchSetup.Build(2);
    MakeButton(0, 0.95f, 0.9f, 'd', 791);
    MakeBackArrow(0);
}

void MenuScreens::BuildProfileChoice() {
    g_Menu.saveMode = 2;
    g_Menu.LoadPlayerSaves(2);
    g_Menu.variant = 0;
    std::snprintf(title, sizeof title, "%s", Text(g_Menu.gameType == 2 ? 516 : 518));
    field.Create(0.31f, 0.05f, 0.4f, 0.05f, 'i', title, sizeof title, 6, 13, DARKER, 0);
    MakeImage(0, 0.447f, 0.29f, PIC_ORLINS_ON, PIC_ORLINS_OFF, 'd').highlighted = 1;
    MakeImage(1, 0.549f, 0.29f, PIC_VORAKS_ON, PIC_VORAKS_OFF, 'i');
    const float centres[3] = {0.315f, 0.5f, 0.685f}, rows[3] = {0.905f, 0.76f, 0.905f};
    for (int i = 0; i < SCREEN_SWITCHES; ++i) {
        switches[i].Create(0.03f, g_Menu.pictures);
        switches[i].SetPosition(centres[i] - switches[i].GetWidth() / 2, rows[i]);
    }
    switches[1].on = 1;
    MakeBackArrow(2);
    MakeNextArrow(3, 0.95f);
}

void MenuScreens::BuildCampaignSlots() {
    ReleaseScreen(g_Menu.previousPage);
    g_Menu.saveMode = 2;
    g_Menu.LoadPlayerSaves(2);
    if (g_Menu.variant < 0 || g_Menu.variant > 1) g_Menu.variant = 0;
    saveCount = ListCampaigns(g_Menu.variant);
    if (saveCount < 0) saveCount = 0;
    saveFirst = 0;
    saveSelected = -1;
    FormatSaveCaption(saveFirst, saveCount, g_Menu.variant);
    ImageButton& up = MakeImage(0, 0.77f, 0.544f, PIC_UP_ON, PIC_UP_OFF, 'i');
    up.SetSize(0.0f, 0.04f, SPRITE_SIZE_FROM_HEIGHT);
    ImageButton& down = MakeImage(1, 0.77f, 0.55f + up.h + 0.006f, PIC_DOWN_ON, PIC_DOWN_OFF, 'i');
    down.SetSize(0.0f, 0.04f, SPRITE_SIZE_FROM_HEIGHT);
    MakeButton(0, 0.225f, 0.38f, 'd', 804);
    MakeButton(1, 0.77f, 0.38f, 'i', 805);
    MakeButton(3, 0.47f, 0.92f, 'd', 692);
    MakeButton(2, 0.53f, 0.92f, 'i', 691);
    MakeBackArrow(2);
    confirm.Create(Text(703), g_Menu.pictures, 8);
}

void MenuScreens::FormatSaveCaption(int first, int count, int side) {
    const int rows = count < SCREEN_CAPTION_ROWS ? count : SCREEN_CAPTION_ROWS;
    std::unique_ptr<CampaignBlock> block(new CampaignBlock());
    for (int i = 0; i < SCREEN_CAPTION_ROWS; ++i) {
        DestroyTextLabel(&labels[i]);
        if (i >= rows) continue;
        TextLabel& row = MakeLabel(i, 0.5f, 0.34f + 0.05f * float(i), 'C', "", 4, 18);
        row.SetHighlightColor(2);
        const int slot = first + i;
        if (slot < 0 || slot >= PLAYER_SLOTS) continue;
        if (!ReadCampaignBlock(side, slot, block.get(), nullptr)) {
            // A save cut short is marked, not left as a row that reads as nothing.
            if (DamagedCampaignCaption(side, slot, work, sizeof work)) row.SetText(work);
            continue;
        }
        // A file whose time cannot be told keeps an empty caption rather than a made-up date.
        const time_t when = time_t(g_CampaignTimes[slot]);
        struct tm local;
        if (when <= 0 || !localtime_r(&when, &local)) continue;
        std::snprintf(work, sizeof work, "%s - %s - %d/%d/%d - %d:%02d:%02d", block->name,
                      Text(745 + int(block->difficulty)), local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
                      local.tm_hour, local.tm_min, local.tm_sec);
        row.SetText(work);
    }
}

void MenuScreens::BuildTeamChoice() {
    const int side = ChosenSide();
    EnsureCandidateRecord();
    if (g_Menu.selectedPlayer < 0) g_Menu.SelectPlayer(NextPlayerSlot(side, -1, false), side);
    int chosen = g_Menu.playerRecord ? g_Menu.selectedPlayer : -1;
    if (chosen >= 0 && InTeam(chosen)) {
        chosen = NextOutsideTeam(side, chosen, false);
        if (chosen >= 0) g_Menu.SelectPlayer(chosen, side);
    }
    if (chosen < 0 || !g_Menu.playerRecord) {
        RemovePreview(candidate);
        noCandidate = 1;
    } else {
        noCandidate = 0;
        *candidateRecord = *g_Menu.playerRecord;
        if (candidate)
            ApplyPlayerToCharacter(*candidateRecord, candidate->slot, nullptr);
        else
            candidate = SpawnPreview(candidateRecord, side, -2.26f, 0.25f, -3.0f);
    }
    for (int i = 0; i < SCREEN_TEAM; ++i) {
        if (teamIndex[i] < 0 || teamIndex[i] >= PLAYER_SLOTS) continue;
        if (teamFighters[i]) {
            g_Menu.ApplyCharacterLook(&teamRecords[i], teamFighters[i]->slot);
            continue;
        }
        g_Menu.teamSlots[side][i] = teamIndex[i];
        CopyTeamRecord(i);
        teamFighters[i] = SpawnPreview(&teamRecords[i], side, TEAM_SPOTS[i][0], TEAM_SPOTS[i][1], TEAM_SPOT_DEPTH);
    }
    MakePanel(4, 0.1f, 0.13f, 0.11f, 0.33f, DARK, 0);
    const float frames[SCREEN_TEAM][2] = {{0.314f, 0.15f}, {0.612f, 0.15f}, {0.314f, 0.37f}, {0.613f, 0.37f}};
    const float names[SCREEN_TEAM][2] = {{0.46f, 0.16f}, {0.76f, 0.16f}, {0.46f, 0.38f}, {0.76f, 0.38f}};
    for (int i = 0; i < SCREEN_TEAM; ++i) {
        MakeImage(i, frames[i][0], frames[i][1], PIC_FRAME_ON, PIC_FRAME_OFF, 'i');
        MakePanel(i, names[i][0], names[i][1], 0.17f, 0.19f, DARK, 0);
        const char* name = teamIndex[i] >= 0 ? teamRecords[i].look.name : "";
        std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, name);
        MakeLabel(i, names[i][0] + 0.085f, names[i][1], 'C', work, 4, 1);
    }
    // Back from the player editor the player goes on adding to the slot it had chosen; a team
    // begun afresh starts at the first.
    if (previousScreen != 9 || chosenTeamSlot < 0 || chosenTeamSlot >= SCREEN_TEAM) chosenTeamSlot = 0;
    images[chosenTeamSlot].highlighted = 1;
    MakeTextLabel(11, images[3].x + images[3].w / 2, images[3].y + images[3].h, 'C', 754, 5, 1);
    MakePanel(6, 0.33f, 0.67f, 0.63f, 0.21f, DARK, 0);
    MakeTextLabel(12, 0.35f, 0.675f, 'I', 756, 5, 13);
    MakeTextLabel(13, 0.65f, 0.675f, 'D', 757, 5, 13);
    MakeLabel(14, 0.65f, 0.745f, 'I', "", 5, 18);
    // The names of the shown player's lines, 0.04 apart inside its panel (5); its values stand
    // right-aligned on the same lines.
    for (int i = 0; i < 6; ++i) MakeTextLabel(5 + i, 0.05f, 0.54f + 0.04f * float(i), 'I', 521 + i, 4, 13);
    MakeTextLabel(15, 0.16f, 0.24f, 'C', 759, 4, 5);
    MakeTextLabel(16, 0.16f, 0.29f, 'C', 758, 4, 5);
    MakeImage(6, 0.03f, 0.4011f, PIC_SMALL_LEFT_ON, PIC_SMALL_LEFT_OFF, 'i');
    MakeImage(7, 0.285f, 0.4011f, PIC_SMALL_RIGHT_ON, PIC_SMALL_RIGHT_OFF, 'd');
    // The add-to-team arrow shows its plain picture when highlighted.
    MakeImage(8, 0.28f, 0.34f, PIC_ADD_TEAM_OFF, PIC_ADD_TEAM_ON, 'i');
    MakePanel(5, 0.04f, 0.49f, 0.24f, 0.31f, DARK, 0);
    if (candidate && candidateRecord) {
        std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, candidateRecord->look.name);
        MakeLabel(4, 0.16f, 0.5f, 'C', work, 5, 1);
    }
    MakeButton(0, 0.16f, 0.82f, 'c', 758);
    MakeBackArrow(4);
    MakeButton(1, 0.5f, 0.9f, 'c', 752);
    MakeImage(5, buttons[1].x + buttons[1].w / 2, 0.9f, PIC_RIGHT_ON, PIC_RIGHT_OFF, 'i');
    for (int i = 0; i <= 6; ++i) panels[i].visible = 0;
}

bool MenuScreens::InTeam(int index) const {
    for (int i = 0; i < SCREEN_TEAM; ++i)
        if (teamIndex[i] >= 0 && teamIndex[i] == index) return true;
    return false;
}

int MenuScreens::NextOutsideTeam(int side, int from, bool backwards) const {
    // The slots are cyclic: stop on coming back to from, and after one lap whatever from was.
    int slot = from;
    for (int step = 0; step < PLAYER_SLOTS; ++step) {
        slot = backwards ? PreviousPlayerSlot(side, slot, false) : NextPlayerSlot(side, slot, false);
        if (slot < 0 || slot == from) return -1;
        if (!InTeam(slot)) return slot;
    }
    return -1;
}

void MenuScreens::BuildNetworkSetup() {
    matchSetup.Build(6);
    MakeBackArrow(0);
}

void MenuScreens::BuildOptions() {
    options.Build(OPTIONS_TABS);
    confirm.Create(Text(687), g_Menu.pictures, 5);
    optionsOn = 1;
    MakeBackArrow(0);
}

void MenuScreens::BuildPlayerEditor() {
    const int side = ChosenSide();
    editor = PlayerEditorState{};
    EnsureCandidateRecord();
    if (!g_Menu.playerRecord) {
        const int slot = FindFreePlayerSlot(side, true);
        RemovePreview(candidate);
        g_Menu.SelectPlayer(slot, side);
    }
    if (g_Menu.playerRecord) {
        *candidateRecord = *g_Menu.playerRecord;
        // The preview wears the record it edits from the start, as it does after every change.
        if (candidate)
            ApplyPlayerToCharacter(*candidateRecord, candidate->slot, nullptr);
        else
            candidate = SpawnPreview(candidateRecord, side, -2.26f, 0.25f, -3.0f);
    }
    candidateRestore = *candidateRecord;
    MakeTextLabel(18, 0.26f, 0.4f, 'C', 785, 6, 5);
    MakeTextLabel(19, 0.26f, 0.45f, 'C', 777, 6, 5);
    MakePanel(0, 0.085f, 0.15f, 0.337f, 0.54f, DARK, 0);
    MakeImage(1, 0.085f, 0.71f, PIC_TURN_LEFT_ON, PIC_TURN_LEFT_OFF, 'i');
    MakeImage(0, 0.2535f, 0.77f, PIC_TURN_ON, PIC_TURN_OFF, 'c');
    MakeImage(2, 0.422f, 0.71f, PIC_TURN_RIGHT_ON, PIC_TURN_RIGHT_OFF, 'd');
    MakeImage(3, 0.085f, 0.55f, PIC_SMALL_LEFT_ON, PIC_SMALL_LEFT_OFF, 'i');
    MakeImage(4, 0.422f, 0.55f, PIC_SMALL_RIGHT_ON, PIC_SMALL_RIGHT_OFF, 'd');
    field.Create(0.53f, 0.165f, 0.345f, 0.048f, 'c', candidateRecord->look.name, PLAYER_NAME_SIZE, 5, 1, DARKER, 0);
    // Eight look rows: left arrow, value between the arrows, right arrow, row name.
    const float rows[EDITOR_ROWS] = {0.235f, 0.285f, 0.335f, 0.385f, 0.435f, 0.485f, 0.585f, 0.635f};
    for (int r = 0; r < EDITOR_ROWS; ++r) {
        const float lx = (r == 4 || r == 7) ? 0.61f : 0.56f;
        ImageButton& left = MakeImage(5 + 2 * r, lx, rows[r], PIC_SMALL_LEFT_ON, PIC_SMALL_LEFT_OFF, 'i');
        const float valueX = left.x + left.w + 0.05f;
        MakeLabel(EDITOR_VALUE_LABEL + r, valueX, rows[r], 'C', "-", 5, 18);
        MakeImage(6 + 2 * r, valueX + 0.05f, rows[r], PIC_SMALL_RIGHT_ON, PIC_SMALL_RIGHT_OFF, 'i');
        const int nameText = r < 6 ? 761 + r : (r == 6 ? 769 + lookCategory : 768);
        MakeTextLabel(EDITOR_NAME_LABEL + r, valueX + 0.05f + images[6 + 2 * r].w + 0.01f, rows[r], 'I', nameText,
                      5, 13);
    }
    MakeTextLabel(6, 0.56f, 0.535f, 'I', 767, 5, 13);
    MakeButton(3, 0.54f, 0.705f, 'i', 779);
    MakeButton(4, 0.9f, 0.705f, 'd', 780);
    MakeBackArrow(21);
    MakeButton(1, 0.5f, 0.9f, 'c', 778);
    MakeButton(0, 0.3f, 0.9f, 'd', 777);
    MakeButton(2, 0.5f + 0.2f, 0.9f, 'i', 781);
    confirm.Create(Text(783), g_Menu.pictures, 5);
    UpdateLookLabels();
}

void MenuScreens::UpdateLookLabels() {
    if (!candidate || !candidateRecord) {
        field.textLabel.SetText("");
        for (int r = 0; r < EDITOR_ROWS; ++r) labels[EDITOR_VALUE_LABEL + r].SetText("");
        return;
    }
    const PlayerLook& look = candidateRecord->look;
    std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, look.name);
    field.textLabel.SetText(work);
    const int category = lookCategory >= 0 && lookCategory < PLAYER_TATTOO_SLOTS ? lookCategory : 0;
    // Choice and count of each row; a negative choice shows "-".
    const int values[EDITOR_ROWS][2] = {
        {int(look.skin), 5},
        {int(look.eyes), 10},
        {int(look.clothes), 10},
        {look.hair, 6},
        {look.hair < 0 ? -1 : int(look.hairColour), 6},
        {look.glasses, 6},
        {category, 8},
        {look.tattoos[category], 8},
    };
    for (int r = 0; r < EDITOR_ROWS; ++r) {
        if (values[r][0] < 0)
            std::snprintf(work, sizeof work, "-");
        else
            std::snprintf(work, sizeof work, "%d/%d", values[r][0] + 1, values[r][1]);
        labels[EDITOR_VALUE_LABEL + r].SetText(work);
    }
}

void MenuScreens::BuildPlayerRecord() {
    const int side = ChosenSide();
    // The cards as stored, the team as the menu keeps it: after a match this page is built anew.
    for (int i = 0; i < SCREEN_TEAM; ++i) CopyTeamRecord(i);
    currentTeamSlot = ShownMember();
    MakePanel(8, 0.05f, 0.05f, 0.21f, 0.35f, DARK, 0);
    MakePanel(9, 0.27f, 0.06f, 0.34f, 0.34f, GREY, 0);
    MakeTextLabel(10, 0.44f, 0.06f, 'C', 792, 5, 1);
    CreateTextParagraph(&labels[16], 0.28f, 0.1f, 0.32f, 0.28f, "", 4, 18);
    MakePanel(10, 0.62f, 0.06f, 0.33f, 0.34f, DARK, 0);
    MakeTextLabel(11, 0.785f, 0.09f, 'C', 793, 5, 1);
    // Name and value rows of the campaign hub; the frame logic writes the values.
    const int names[6][2] = {{550, -1}, {547, 548}, {547, 551}, {547, 549}, {552, -1}, {546, -1}};
    for (int r = 0; r < 6; ++r) {
        const float y = 0.07f + 0.05f * float(r);
        if (names[r][1] >= 0)
            std::snprintf(work, sizeof work, "%s %s", Text(names[r][0]), Text(names[r][1]));
        else
            std::snprintf(work, sizeof work, "%s", Text(names[r][0]));
        MakeLabel(RECORD_ROW_LABEL + r, 0.06f, y, 'I', work, 4, 13);
        MakeLabel(RECORD_ROW_LABEL + 6 + r, 0.25f, y, 'D', "", 4, 18);
    }
    MakeTextLabel(17, 0.785f, 0.26f, 'C', 706, 5, 1);
    MakeEnemyRows(RECORD_ENEMY_LABEL, 0.63f, 0.94f, 0.31f, 0.04f);
    const int scenario = g_GameSettings.scenario >= 0 && g_GameSettings.scenario < CAMPAIGN_SCENARIOS
                             ? g_GameSettings.scenario : 0;
    std::snprintf(work, sizeof work, "FondoEsc%02d", scenario);
    if (LoadMenuPicture(&pictures[0], work, 0.25f, 0, 0, 1, 1, SPRITE_SIZE_FROM_WIDTH))
        pictures[0]->SetPosition(0.66f, 0.13f);
    MakeTextLabel(22, 0.785f, 0.13f, 'C', 610 + scenario, 5, 1);
    // The player picture is the record panel's background.
    if (LoadMenuPicture(&pictures[1], "PlayerSel", 0.208984375f, 0, 0, 1, 1, SPRITE_SIZE_FROM_WIDTH))
        pictures[1]->SetPosition(panels[8].x, panels[8].y);
    const float frames[SCREEN_TEAM][2] = {{0.041f, 0.405f}, {0.486f, 0.405f}, {0.041f, 0.647f}, {0.486f, 0.647f}};
    for (int i = 0; i < SCREEN_TEAM; ++i) {
        const float fx = frames[i][0], fy = frames[i][1];
        MakePanel(i, fx, fy, 0.15f, 0.22f, DARK, 0);
        MakeImage(i, fx, fy, PIC_FRAME_ON, PIC_FRAME_OFF, 'i');
        const float sx = fx + 0.14f;
        // Each member's button that spends its pending points, between its minus and plus.
        buttons[3 + i].Create(sx + 0.1075f, fy + 0.16f, 0.046666667f, 0.03f, Text(795), 'c', g_Menu.pictures, 6);
        MakePanel(4 + i, sx, fy, 0.215f, 0.22f, DARK, 0);
        const bool member = teamIndex[i] >= 0;
        std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, member ? teamRecords[i].look.name : "");
        MakeLabel(i, sx + 0.1075f, fy + 0.01f, 'C', work, 4, 1);
        MakeLabel(4 + i, sx + 0.01f, fy + 0.06f, 'I', "", 4, 13);
        ImageButton& minus = MakeImage(7 + 2 * i, sx + 0.01f, fy + 0.16f, PIC_SUB_ON, PIC_SUB_OFF, 'i');
        minus.SetSize(0.02f, 0.0f, SPRITE_SIZE_FROM_WIDTH);
        ImageButton& plus = MakeImage(8 + 2 * i, sx + 0.185f, fy + 0.16f, PIC_ADD_ON, PIC_ADD_OFF, 'i');
        plus.SetSize(0.02f, 0.0f, SPRITE_SIZE_FROM_WIDTH);
    }
    MakeTextLabel(23, 0.5f, 0.88f, 'C', 794, 4, 13);
    MakeTextLabel(24, 0.5f, 0.85f, 'C', 689, 4, 2);
    MakeBackArrow(6);
    const float rowY = 0.9f + images[6].h - 0.06f;
    MakeButton(0, 0.52f, rowY, 'i', 790);
    MakeButton(1, 0.48f, rowY, 'd', 796);
    MakeButton(2, 0.95f, rowY, 'd', 791);
    for (int i = 0; i < SCREEN_TEAM; ++i) {
        RemovePreview(teamFighters[i]);
        if (teamIndex[i] < 0) continue;
        Vec3 at;
        if (!ScreenPointOnPlane(panels[i].x + panels[i].w / 2, panels[i].y + panels[i].h, 12.5f, &at)) continue;
        teamFighters[i] = SpawnPreview(&teamRecords[i], side, at.x, at.y, at.z);
        if (teamFighters[i]) teamFighters[i]->SetLevel(int(teamRecords[i].level), false, false);
    }
}

void MenuScreens::BuildMissionChoice() {
    const int side = ChosenSide();
    missionChoice = -1;
    hoveredKind = -1;
    for (auto*& p : pictures) {
        delete p;
        p = nullptr;
    }
    const int page = g_Campaign.stage < uint32_t(CAMPAIGN_STAGES) ? int(g_Campaign.stage) : 0;
    const float spots[5][2] = {{0.002f, 0.29f}, {0.187f, 0.2f}, {0.37f, 0.105f}, {0.552f, 0.2f}, {0.738f, 0.292f}};
    for (int i = 0; i < 5; ++i) {
        const int stage = side == 0 ? page * 5 + i : page * 5 + 4 - i;
        const float x = spots[i][0], y = spots[i][1];
        std::snprintf(work, sizeof work, "FondoEsc%02d", stage);
        float pw = 0.25f, ph = 0.0f;
        if (LoadMenuPicture(&pictures[i], work, 0.25f, 0, 0, 1, 1, SPRITE_SIZE_FROM_WIDTH)) {
            pictures[i]->SetPosition(x, y);
            pw = pictures[i]->w;
            ph = pictures[i]->h;
        }
        MakePanel(i, x + 0.04f, y + 0.03f, pw - 0.08f, ph - 0.06f, GREY, 1);
        panels[i].visible = 0;
        const float centre = x + pw / 2;
        MakeTextLabel(i, centre, y + ph - 0.02f, 'C', 610 + stage, 4, 1);
        const uint8_t* table = g_Campaign.scenarios[stage];
        for (int kind = 0; kind < 6; ++kind) {
            if (!table[CAMPAIGN_PLAYED + kind]) continue;
            const bool even = kind % 2 == 0;
            const float rowH = Pic(PIC_KIND_ON) ? Pic(PIC_KIND_ON)->h : 0.0f;
            ImageButton& b = MakeImage(i * 6 + kind, even ? centre - 0.01f : centre + 0.01f,
                                       y + ph + 0.015f + float(kind / 2) * rowH, PIC_KIND_ON + kind,
                                       PIC_KIND_OFF + kind, even ? 'd' : 'i');
            b.disabledColour = 0xffff9614;
            b.enabled = table[CAMPAIGN_WON + kind] ? 0 : 1;
        }
    }
    MakePanel(5, 0.23f, 0.75f, 0.54f, 0.25f, GREY, 1);
    panels[5].visible = 0;
    MakeBackArrow(30);
    confirm.Create(Text(700), g_Menu.pictures, 5);
    if (loadNotice[0]) {
        notice.Create(loadNotice, g_Menu.pictures, kLoadNoticeMs);
        notice.StartBlinkTimer(true);
        loadNotice[0] = 0;
    } else if (previousScreen == 10) {
        notice.Create(Text(702), g_Menu.pictures, 2000);
        notice.StartBlinkTimer(true);
    }
}


void MenuScreens::PlaceRecordPreview() {
    const int slot = currentTeamSlot >= 0 && currentTeamSlot < SCREEN_TEAM ? currentTeamSlot : 0;
    const MenuPanel& frame = panels[slot];
    Vec3 at;
    if (!ScreenPointOnPlane(frame.x + frame.w / 2, frame.y + frame.h, -1.5f, &at)) return;
    Character*& fighter = teamFighters[slot];
    if (fighter) {
        fighter->SetPosition(at.x, at.y, at.z, true);
        return;
    }
    const int side = ChosenSide();
    const PlayerRecord* record = teamIndex[slot] >= 0 ? &teamRecords[slot] : g_Menu.SelectedRecord(side);
    fighter = SpawnPreview(record, side, at.x, at.y, at.z);
}

bool MenuScreens::SelectTeamCandidate(int from, bool backwards) {
    const int side = ChosenSide();
    const int found = NextOutsideTeam(side, from, backwards);
    if (found < 0) {
        if (!candidate) {
            labels[4].SetText("");
            g_Menu.SelectPlayer(-1, side);
            noCandidate = 1;
        }
        return false;
    }
    g_Menu.SelectPlayer(found, side);
    if (!g_Menu.playerRecord) return false;
    if (!candidateRecord) EnsureCandidateRecord();
    *candidateRecord = *g_Menu.playerRecord;
    if (!candidate)
        candidate = SpawnPreview(candidateRecord, side, -2.26f, 0.25f, -3.0f);
    else
        ApplyPlayerToCharacter(*candidateRecord, candidate->slot, nullptr);
    noCandidate = 0;
    std::snprintf(work, sizeof work, "%.*s", PLAYER_NAME_SIZE, candidateRecord->look.name);
    labels[4].SetText(work);
    return true;
}
