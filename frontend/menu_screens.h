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
#include "frontend/player_editor.h"

struct CampaignBlock;

class Character;
class Sprite2D;
struct GameSettingsBlock;
struct MissionRecord;

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
// The player record's enemy rows (names and values, four labels).
constexpr int RECORD_ENEMY_LABEL = 18;
// Where the team choice's four members stand (world x, y) and how deep: on the plane of the
// record screen's fighters, where these spots fall in the four frames.
constexpr float TEAM_SPOTS[SCREEN_TEAM][2] = {{-1.35f, 1.6f}, {2.5f, 1.6f}, {-1.35f, -0.5f}, {2.5f, -0.5f}};
constexpr float TEAM_SPOT_DEPTH = 12.5f;

// The side the player chose on the menu: variant 1 is side 1, anything else side 0.
int ChosenSide();

// The point where the ray from the scene camera through the viewport point (x, y) meets the
// plane z = depth; false when there is no camera or the ray runs parallel to the plane.
struct Vec3;
bool ScreenPointOnPlane(float x, float y, float depth, Vec3* out);
// A result value as the tables print it: a game kind 4 score (milliseconds) as minutes:seconds.
void FormatResultValue(char* out, size_t capacity, int kind, uint32_t value, bool scoreRow);
// The field of a fighter's result row that the results pages show as a game kind's score.
int FighterScoreField(int kind);
// A fighter slot's row of the menu's copy of the last match's results, and whether a fighter was in
// that slot when the match ended.
const uint32_t* ResultRow(int row);
bool RowFought(int row);
// The live game block set up for the mission of a side at a scenario step and game kind; false,
// changing nothing, when the side's table has no such record.
bool SetUpMission(int side, int step, int kind, bool team);
// The credits panel's grey at t ms into a page: up to white in 2 s, white, back to black.
int CreditsGreyLevel(uint32_t t);
// The credits page after `page`: 0 to 5, then 9, then 0 again.
int NextCreditsPage(int page);
constexpr uint32_t CREDITS_PAGE_MS = 8000;

// The shops' piece lists: the stock on offer, the team's inventory, the shown member's worn pieces.
enum ShopList { SHOP_LIST_STOCK, SHOP_LIST_OWNED, SHOP_LIST_WORN };
constexpr int SHOP_VISIBLE_ROWS = 2;
// What a campaign's credits pay for a piece and get back for it: the catalogue price divided by
// the shop's divisor, and trunc(that x 0.6) on a sale; 0 for a piece outside the catalogue.
int32_t ShopBuyPrice(int kind, int id, float divisor);
int32_t ShopSellPrice(int kind, int id, float divisor);
// The one-player campaign pays a quarter of the team campaign's prices.
constexpr float SHOP_DIVISOR_ONE_PLAYER = 4.0f;
// The reward group a scenario step grants a side's player (-1 none) and the equipment kinds a
// group copies from the side's special enemy record.
int StageRewardGroup(int side, int step);
bool StageGroupHasKind(int group, int kind);

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
    // What the mission choice tells the player when it opens after a load, empty for nothing.
    char loadNotice[WIDGET_TEXT_CAPACITY] = {};

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
    // The credits page each label belongs to, -1 for none.
    int8_t creditsLabelPage[SCREEN_LABELS] = {};
    // The player editor's tattoo slot (0..7) its last two rows show.
    int32_t lookCategory = 0;
    PlayerEditorState editor;
    // The shops' two lists: first shown piece and selected piece (-1 none) of each; the question
    // the box asks (0 none, 1 buy or put on, 2 sell); the price divisor of the play type.
    int32_t shopFirst[2] = {0, 0};
    int32_t shopSelected[2] = {-1, -1};
    uint8_t shopRequest = 0;
    float priceDivisor = 1.0f;
    // The team summary's values as the screen found them; minus goes no lower.
    float summaryBase[PLAYER_ATTRIBUTES] = {};
    // Member 0's point store as its files last took it: what the page's plus took since is given
    // but not yet stored.
    int32_t summaryStored = 0;
    // The last match's results are still to be applied to the campaign's team and enemies.
    uint8_t progressPending = 0;
    // The result row each card of the campaign team shows, -1 none.
    int32_t cardRow[SCREEN_TEAM] = {-1, -1, -1, -1};
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
    // False, the card left blank, when the slot's record is gone.
    bool CopyTeamRecord(int i);
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
    // A stored match setup taken into a game-settings block and the team slots.
    void ApplyMatchSetup(GameSettingsBlock* rules, const MissionRecord& setup);
    // The team-ready screen's start: the team reset to the side's first player and the first
    // scenario step not won set up; false when every step is won and the screen became 23.
    bool PrepareTeamReady(int* step = nullptr);

    // The equipment pages: the shop's stock into labels 0-1, panels 2-3, pictures 0-1; the
    // team's inventory into labels 2-3, panels 4-5, pictures 2-3 (second) or labels 0-1, panels
    // 4-5, pictures 0-1 (third); the current member's worn pieces into labels 2-3, pictures 2-3.
    void BuildEquipmentPage(int first);
    void BuildInventoryPage(int first);
    void BuildInventoryPageB(int first);
    void BuildWornPage(int first);
    // The side's special enemy record's pieces of the step's reward group put on the record,
    // which is then stored; false when the step grants nothing or the record cannot be read.
    bool GrantStageEquipment(PlayerRecord* record, int step);
    // A record's level (stored value + 1) and its five attributes right-aligned at x, a line
    // `gap` apart; with `tint` an attribute the equipment raises in colour 4.
    void DrawRecordValues(const PlayerRecord& record, float x, float y, float gap, int scale, bool tint);
    // The five stat lines of a record, a line `gap` below the other: "%d + %d =" (the value
    // without the bonus, the bonus) before the full value where the equipment adds to it, every
    // full value ending at x.
    void DrawStatLines(const PlayerRecord& record, float x, float y, float gap);
    // A shop list's pieces: how many, and the n-th (kind, id).
    int ShopListCount(int list) const;
    bool ShopListPiece(int list, int n, int* kind, int* id) const;

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
    // The local player's stored record takes the level its fighter reached in the network match.
    void KeepNetworkLevel();
    void BuildCredits();
    // Only the current credits page's labels shown.
    void ShowCreditsPage();
    void BuildPlayerChoice();
    void BuildInformation();
    void BuildCampaignTeam();
    void BuildShopA();
    void BuildShopB();
    void BuildTeamReady();
    void BuildTeamSummary();
    // The enemy team's rows of the campaign pages, labels `first` to `first` + 3: its size and the
    // average level of the next match's enemies, each value right of its name.
    void MakeEnemyRows(int first, float left, float right, float top, float gap);
    // Those rows' values again, from the next match as it is now.
    void ShowEnemyRows(int first);
    // The results screen turns into the screen its save mode returns to.
    void RedirectResults(int target);

    // Per-screen frames (screen_logic.cpp).
    void UpdateMainMenu();
    void UpdateProfileChoice();
    void UpdateCampaignSlots();
    // The campaign list of a side counted and captioned again from row `first`, none selected.
    void RefreshSaveList(int first);
    void LoadSelectedCampaign();
    // Team members of the loaded campaign whose records are gone leave it, the player told;
    // false, the campaign cleared, when none is left.
    bool DropGoneMembers(int side);
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
    void UpdateShop();
    void UpdateTeamReady();
    void UpdateTeamSummary();
    // Screen 13's cards: the results applied once to the campaign's team and enemies.
    void ApplyCampaignProgress();
    // The member the shops and the summary show, and its record (team record 0 without one).
    int ShownMember() const;
    // Shop helpers (menu_screens_shops.cpp).
    void ShowShopPages();
    void ShowCredits(int slot);
    bool CanRequest(int list, bool quiet);
    void RequestPiece(int list);
    void CompleteShopRequest();
    void PutOnPiece();
    void TakeOffPiece();
    void RedressShownMember();
    bool SaveOpenCampaign();
    // Team member k's card stored, then the open campaign saved: what moved between the two (points,
    // pieces) is kept only when both writes take it. A failure puts the member, the card and the
    // campaign back as `card` and `campaign` had them, in memory and on disk, so that a restart
    // finds it once.
    bool StoreMemberWithCampaign(int k, const PlayerRecord& card, const CampaignBlock& campaign);
    // The team summary's member and campaign stored with what the page gave since its last store.
    bool StoreTeamSummary();
    // Whether the summary page shows what its member's stored record and the store do not hold.
    bool SummaryMoved() const;
    // The stored record of the team's member k on the chosen side; null for none.
    PlayerRecord* StoredMember(int k) const;
    void DrawShopValues();
    void DrawCampaignTeamValues();
    void DrawSummaryValues();
    void DrawTeamChoiceValues();
    // The training set-up, network set-up and options screens' own widgets
    // (screen_logic_setup.cpp); their panels run before them.
    void UpdateTrainingSetup();
    void UpdateNetworkSetup();
    void UpdateOptionsScreen();
    void ShowKindInformation(int kind);
    // The player editor and the player record (screen_logic_editor.cpp).
    void UpdatePlayerEditor();
    void EditorTestKeys();
    void DragPreview();
    void AskEditor(int question);
    void RunEditorAction(int question);
    void ShowEditedPlayer(int slot);
    void DressCandidate();
    bool SaveEditedPlayer();
    // The edited record into the list (a new player added to it); false when the list is full.
    bool KeepEditedPlayer();
    void DeleteEditedPlayer();
    // True, and the player told why, when the edited player plays in a team campaign of its
    // side: the campaign would come back to a member with no record.
    bool RefuseCampaignMemberDelete();
    void UpdatePlayerRecord();
    // The members whose records are still there, then the campaign; false when the campaign
    // could not be written.
    bool StoreTeamInCampaign();
    // Per-frame values of the team choice, the player record and the network results
    // (menu_screens_values.cpp).
    void DrawRecordScreenValues();
    void DrawNetworkResultValues();
    // Hover and click of one widget: the tooltip (none when tip < 0), the highlight while the
    // left button is up; true on the press edge over it.
    bool Hit(ImageButton& b, int tip);
    bool Hit(MenuButton& b, int tip);
    bool Hit(MenuSwitch& s, int tip);
    // No widget stays highlighted while a box is open.
    void ClearHighlights();
    // The open question box's answer this frame: 0 while it stays open, else the answer, with
    // the box closed.
    int AnswerConfirmBox(bool clearHighlights);

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
