#pragma once

#include <cstdint>

// The option files and the adapter questions behind them.
#include "frontend/adapter_queries.h"
#include "frontend/settings_files.h"
#include "frontend/loading_screen.h"
#include "frontend/menu_widgets.h"
#include "frontend/text3d.h"
#include "frontend/text_label.h"

struct PlayerRecord;
struct PlayerStats;

constexpr int PLAYER_SLOTS = 1000;

// The player tables of each side, loaded from the saves: a record and its statistics per slot
// (null = empty), owned, and how many records each side holds. Moving tables frees the ones
// moved over; they are never copied.
struct PlayerTables {
    PlayerRecord* records[2][PLAYER_SLOTS] = {};
    PlayerStats* stats[2][PLAYER_SLOTS] = {};
    int32_t count[2] = {0, 0};

    PlayerTables() = default;
    ~PlayerTables() { Free(); }
    PlayerTables(const PlayerTables&) = delete;
    PlayerTables& operator=(const PlayerTables&) = delete;
    PlayerTables& operator=(PlayerTables&& other) noexcept;
    // Every slot empty, both counts 0.
    void Free();
};

class MenuScreens;
class PointLight;
class SceneNode;
class Sprite2D;

constexpr int MENU_BUTTONS = 10;
constexpr int MENU_RESULT_WORDS = 264;

// Pages that are actions rather than screens.
constexpr int PAGE_MAIN = 0;
constexpr int PAGE_PLAY_TYPE = 1;
constexpr int PAGE_NETWORK_CLIENT = 7;
constexpr int PAGE_RESULTS = 12;
constexpr int PAGE_TRANSITION = 24;
constexpr int PAGE_START_MATCH = 25;
constexpr int PAGE_JOIN_SESSION = 26;
constexpr int PAGE_HOST_SESSION = 27;
constexpr int PAGE_CLOSE_SESSION = 28;
constexpr int PAGE_QUIT = 29;

// The front end: the page that drives it, the 3D menu of pages 0 and 1 (a small scene with
// lights, a 3D cursor and up to ten 3D words), the pictures the 2D screens share, the screens
// object, the tooltip and the copy of the last match's results.
class Menu {
public:
    ScreenImage loadingPicture;
    Sprite2D* background = nullptr;
    Text3D buttons[MENU_BUTTONS];
    int32_t buttonCount = 0;
    PointLight* menuLight = nullptr;
    SceneNode* cursorModel = nullptr;
    int32_t textMaterial = -1;
    int32_t textMaterialDisabled = -1;
    MenuScreens* screens = nullptr;
    TextLabel tooltip;
    TextLabel tooltipShadow;
    int32_t hoverA = -1, hoverB = -1;
    uint8_t active = 0;     // menu-active byte
    int32_t page = 0;
    int32_t targetPage = 0;
    int32_t previousPage = -1;
    uint32_t results[MENU_RESULT_WORDS] = {};
    // Set when a match's results are copied, cleared once a win's reward was applied.
    uint8_t resultsPending = 0;
    // A bit per fighter slot that took part in the match of `results`: the rows of the others
    // are zeros, and zeros read as the Orlins' fighter of lineup 0.
    uint16_t resultsFought = 0;
    Sprite2D* pictures[MENU_PICTURE_COUNT] = {};
    uint8_t enterPressed = 0, escapePressed = 0;
    // The menu's copy of the game kind of the match in `results`, which the results pages read.
    int32_t gameKind = 0;
    int32_t variant = -1;       // the side chosen on the set-up screens, 0 or 1
    int32_t teamSlots[2][4] = {{-1, -1, -1, -1}, {-1, -1, -1, -1}};
    // The player-save folders the tables hold: 0 training, 1 multiplayer, 2 other; also the match
    // mode the element map reads (2: levels from the records and the enemies' level table).
    int32_t saveMode = 2;
    int32_t gameType = 2;       // the play type: 1 campaign with its own player, 2 single games and team campaigns
    int32_t localSlot = -1;     // the local fighter's slot, -1 none
    PlayerTables playerTables;
    int32_t selectedPlayer = -1;            // the current record's slot, -1 none
    PlayerRecord* playerRecord = nullptr;   // the current record, null none
    uint32_t screenWords[2] = {0, 0};       // the 2D screens'
    uint8_t optionsChanged = 0;

    Menu();
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // One front-end frame (menu_frame.cpp).
    void Update();
    // The light and the 3D cursor moved under the mouse.
    void PlaceCursor();
    // Drawn before the world: background, 2D screen, test overlay.
    void Render();
    // Drawn after the world: tooltip and 3D cursor.
    void RenderCursor();
    // After a match: results kept, match released, device made again, page 12 built.
    void ReturnFromMatch();
    // Enters a page; the first entry loads the whole front end.
    void BuildPage(int page);
    // Releases the front end (before a match and at shut-down).
    void Release();
    // The network session ended while the front end runs (OnSessionEndedInFrontEnd): back to
    // page 0 through the transition.
    void OnSessionEnded();
    // A full-screen picture shown and presented at once while a page or a session loads.
    void ShowLoadingPicture();
    // Both sides' tables emptied and read again from the saves of load mode m.
    void LoadPlayerSaves(int mode);
    // The record of `slot` in table 0 or 1 becomes the current one (a negative slot clears it);
    // the game settings' side becomes the table number.
    void SelectPlayer(int slot, int table);
    // The current record when it is of that side, else null.
    const PlayerRecord* SelectedRecord(int side) const;
    // Both tables emptied; no current record.
    void ClearPlayerTables();
    void StoreGameSettings();
    // The game settings, then the options, written into Settings before a match.
    void ApplyConfigs();
    // An enemy's 132-byte record from the enemy folder of the side; false when it is not there.
    bool LoadEnemyRecord(uint32_t identifier, int sideFlag, PlayerRecord* out);
    // The look pieces of a record put on the fighter in a slot, and taken off again.
    void ApplyCharacterLook(const PlayerRecord* record, int slot);
    void RemoveCharacterLook(int slot);
    // One look piece (0-10) of the fighter in a slot replaced by the piece's model of that
    // number; a negative number only takes it off (fighters/look_pieces.cpp).
    void LoadLookPiece(int slot, int piece, int model);
    // The look taken off, then the fighter despawned.
    void RemoveCharacter(int slot);
};

extern Menu g_Menu;

// The one-player campaign's own rules (its tripled experience, its easier levels) hold for the local
// player in its own matches only: a network match plays by the same rules on every machine, whatever
// play type the menu kept from before.
bool CampaignRulesApply();

// The front end's display mode written into Settings: 1024 x 768 x 32.
void SetDefaultDisplayMode();
// One of the 67 shared pictures loaded into a slot ("Menu" folder first, then "Pantallas").
// False, with the slot left as it was, when neither holds it or the size mode is above 3.
bool LoadMenuPicture(Sprite2D** slot, const char* name, float size, float left, float top, float right,
                     float bottom, int sizeMode);
// The page background: the texture rectangle (0, 0)-(1, 0.75) of the picture over the whole
// screen, as every page draws it; none when the picture is missing.
void LoadBackground(const char* name);
// The background of `targetPage`, drawn once with the fader.
void ShowScreenPicture();
// Draws the current 2D screen between Begin2D and End2D.
void DrawScreens2D();
// The menu back to its constructed state, with everything it held released (tests).
void ResetMenu();
