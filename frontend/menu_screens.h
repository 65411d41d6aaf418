// The 2D screens of menu pages 0 to 23: one object the menu owns, with fixed slots of widgets,
// labels, pictures and preview fighters that each screen uses by index. Every page change
// releases the old screen whole and builds the new one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/match_setup_panel.h"
#include "frontend/options_panel.h"
#include "frontend/screen_logic_setup.h"
#include "frontend/menu_widgets.h"
#include "frontend/player_record.h"

class Character;
class Sprite2D;

constexpr int SCREEN_LABELS = 50;
constexpr int SCREEN_IMAGES = 31;
constexpr int SCREEN_PANELS = 13;
constexpr int SCREEN_BUTTONS = 7;
constexpr int SCREEN_SWITCHES = 3;
constexpr int SCREEN_TEAM = 4;
constexpr int SCREEN_PICTURES = 5;
constexpr int SCREEN_WORK_SIZE = 260;
constexpr int SCREEN_CAPTION_ROWS = 11;
constexpr int SCREEN_COUNT = 24;
// Label and image slots of the player editor's eight look rows and of the record screen's rows.
constexpr int EDITOR_ROWS = 8;
constexpr int EDITOR_VALUE_LABEL = 20;
constexpr int EDITOR_NAME_LABEL = 28;
constexpr int RECORD_ROW_LABEL = 25;

// The point where the ray from the scene camera through the viewport point (x, y) meets the
// plane z = depth; false when there is no camera or the ray runs parallel to the plane.
struct Vec3;
bool ScreenPointOnPlane(float x, float y, float depth, Vec3* out);
// A result value as the tables print it: a game kind 4 score (milliseconds) as minutes:seconds.
void FormatResultValue(char* out, size_t capacity, int kind, uint32_t value, bool scoreRow);
// The live game block set up for the mission of a side at a scenario step and game kind; false,
// changing nothing, when the side's table has no such record.
bool SetUpMission(int side, int step, int kind, bool team);
// The credits panel's grey at t ms into a page: up to white in 2 s, white, back to black.
int CreditsGreyLevel(uint32_t t);
// The credits page after `page`: 0 to 5, then 9, then 0 again.
int NextCreditsPage(int page);
constexpr uint32_t CREDITS_PAGE_MS = 8000;

class MenuScreens {
public:
    TextLabel labels[SCREEN_LABELS];
    ImageButton images[SCREEN_IMAGES];
    MenuPanel panels[SCREEN_PANELS];
    MenuButton buttons[SCREEN_BUTTONS];
    TextField field;
    MenuSwitch switches[SCREEN_SWITCHES];

    // The team slots: preview fighter, player-record index (-1 none) and a copy of the record.
    Character* teamFighters[SCREEN_TEAM] = {};
    int32_t teamIndex[SCREEN_TEAM] = {-1, -1, -1, -1};
    PlayerRecord teamRecords[SCREEN_TEAM] = {};
    // The opponents shown on the results and team-ready screens.
    Character* enemyFighters[SCREEN_TEAM] = {};
    PlayerRecord enemyRecords[SCREEN_TEAM] = {};
    // The fighter being chosen: its preview, its record (null until a screen makes one) and the
    // copy kept to restore on cancel.
    Character* candidate = nullptr;
    PlayerRecord* candidateRecord = nullptr;
    PlayerRecord candidateRestore = {};
    uint8_t noCandidate = 0;

    Sprite2D* pictures[SCREEN_PICTURES] = {};
    char title[SCREEN_WORK_SIZE] = {};
    char work[SCREEN_WORK_SIZE] = {};
    // The campaign list: first shown row, number of rows.
    int32_t saveFirst = 0, saveCount = 0;
    // The selected caption row of the campaign list, -1 none.
    int32_t saveSelected = -1;

    ConfirmBox confirm;
    NoticeBox notice;
    OptionsPanel options;
    MatchSetupPanel matchSetup;
    // The options panel runs only on the options screen.
    uint8_t optionsOn = 0;
    // The options screen's question on the way out.
    OptionsExit optionsExit;

    // The main menu's quit question is open; the 3D buttons stand still meanwhile.
    uint8_t boxOpen = 0;
    // The session picked in the session list, -1 none.
    int32_t chosenSession = -1;
    // The background variants of pages 6 and 13: the set-up panel's mode and the team choice.
    int32_t setupMode = 0;
    int32_t teamSelection = 0;
    // The team slot whose member the record and shop screens show.
    int32_t currentTeamSlot = 0;
    // The team slot the team choice places the candidate into.
    int32_t chosenTeamSlot = 0;
    // The campaign page of the mission choice (five stages a page).
    int32_t missionPage = 0;
    // The mission picked on the mission choice, -1 none.
    int32_t missionChoice = -1;
    // The game kind whose description the mission choice shows, -1 none.
    int32_t hoveredKind = -1;
    // The credits page shown and the clock time it started.
    int32_t creditsPage = 0;
    uint32_t creditsStart = 0;
    // The player editor's tattoo slot (0..7) its last two rows show.
    int32_t lookCategory = 0;
    uint8_t built = 0;
    int32_t screen = -1, previousScreen = -1;

    MenuScreens() = default;
    ~MenuScreens();
    MenuScreens(const MenuScreens&) = delete;
    MenuScreens& operator=(const MenuScreens&) = delete;

    // Releases the previous screen, then builds screen n.
    void SetScreen(int n);
    void ReleaseScreen(int n);
    // One frame of the current screen: hits and page changes.
    void Update();
    // Draws the current screen (inside Begin2D/End2D).
    void DrawScreen();
    // Opens the main menu's quit question.
    void OpenQuitBox();
    // Where the campaign team screen goes on: its other side's page first, then by save mode;
    // a finished stage is advanced and saved.
    int CampaignTeamTarget();

    // Team record i copied from the side's player table when the menu's team index i is set.
    void CopyTeamRecord(int i);
    // Caption rows 0..10 of the campaign list for campaigns first.. of a side.
    void FormatSaveCaption(int first, int count, int side);
    // The player editor's value labels from the candidate record.
    void UpdateLookLabels();
    // The next match's team from the team slots, the current one first.
    void BuildTeamList();
    // The current team slot's fighter placed under its frame, spawned when it has none.
    void PlaceRecordPreview();
    // The next (or previous) player of the side after from that is in no team slot becomes the
    // candidate; false when there is none.
    bool SelectTeamCandidate(int from, bool backwards);
    // The values a screen prints over its widgets each frame, and its preview fighters.
    void DrawValues();
    void DrawPreviews();

private:
    void BuildMainMenu();
    void BuildTraining();
    void BuildProfileChoice();
    void BuildCampaignSlots();
    void BuildTeamChoice();
    void BuildNetworkSetup();
    void BuildOptions();
    void BuildPlayerEditor();
    void BuildPlayerRecord();
    void BuildMissionChoice();
    void BuildResults();
    void BuildNetworkResults();
    void BuildCredits();
    void BuildPlayerChoice();
    void BuildInformation();
    // The results screen turns into the screen its save mode returns to.
    void RedirectResults(int target);

    // Per-screen frames (screen_logic.cpp).
    void UpdateMainMenu();
    void UpdateProfileChoice();
    void UpdateCampaignSlots();
    // The campaign list of a side counted and captioned again from row `first`, none selected.
    void RefreshSaveList(int first);
    void LoadSelectedCampaign();
    void UpdateTeamChoice();
    // The candidate into the chosen team slot; the next free player becomes the candidate.
    void PlaceCandidate();
    void FillTeam();
    // Team slot k shows its member's fighter, record and name.
    void SetTeamMember(int k, int index, Character* fighter);
    void UpdateMissionChoice();
    void UpdateResults();
    void UpdateCampaignTeam();
    void UpdateCredits();
    void UpdateEndPicture();
    void UpdatePlayerChoice();
    // The training set-up, network set-up and options screens' own widgets
    // (screen_logic_setup.cpp); their panels run before them.
    void UpdateTrainingSetup();
    void UpdateNetworkSetup();
    void UpdateOptionsScreen();
    void ShowKindInformation(int kind);
    // Hover and click of one widget: the tooltip (none when tip < 0), the highlight while the
    // left button is up; true on the press edge over it.
    bool Hit(ImageButton& b, int tip);
    bool Hit(MenuButton& b, int tip);
    bool Hit(MenuSwitch& s, int tip);
    // No widget stays highlighted while a box is open.
    void ClearHighlights();

    // Widget helpers: positions and sizes are screen fractions.
    ImageButton& MakeImage(int slot, float x, float y, int highlight, int plain, char align);
    // A panel shown unless the screen hides it.
    MenuPanel& MakePanel(int slot, float x, float y, float w, float h, uint32_t colour, uint8_t blend);
    void MakeBackArrow(int slot);
    void MakeNextArrow(int slot, float x);
    TextLabel& MakeLabel(int slot, float x, float y, char align, const char* text, int size, uint32_t colour);
    TextLabel& MakeTextLabel(int slot, float x, float y, char align, int textId, int size, uint32_t colour);
    void MakeButton(int slot, float x, float y, char align, int textId);
    // A preview fighter for a record at a world point, turned to face the camera; null when none
    // could be spawned.
    Character* SpawnPreview(const PlayerRecord* record, int side, float x, float y, float z);
    void RemovePreview(Character*& fighter);
    void EnsureCandidateRecord();
    bool InTeam(int index) const;
    // The next (or previous) player of the side after from that stands in no team slot, -1 none.
    int NextOutsideTeam(int side, int from, bool backwards) const;
};
