// The tabbed set-up panel of the training screen (2) and the network game screen (6): side and
// player, scenario and game kind with the match rules, the training teams, and hosting or
// joining a session. It edits a working copy of the game settings and writes it back into the
// stored training or multiplayer block after each change.
#pragma once

#include <cstdint>

#include "frontend/menu_widgets.h"
#include "frontend/settings_files.h"
#include "frontend/text_label.h"

class Character;
class SkinImageCache;
class Sprite2D;

constexpr int SETUP_SCENARIOS = 20;
constexpr int SETUP_LIST_ROWS = 8;
// A row holds a found session's whole display text.
constexpr int SETUP_SESSION_NAME = 260;
// Where the live game block keeps the chosen player and the three members after it.
constexpr int TEAM_PLAYER_WORD = 8;

// The port typed into the port field: false (and `out` untouched) for anything but 0..65535.
bool ParsePort(const char* text, uint32_t* out);
// The credit ladder: the next value up or down from `value`, clamped to 1..1000.
int32_t StepCredits(int32_t value, int dir);

class MatchSetupPanel {
public:
    int32_t mode = 0;
    char scratch[64] = {};
    float x = 0, y = 0, width = 0, height = 0;
    TextLabel captionLabels[4];
    MenuPanel tabs[5];
    TextLabel rowLabels[15];
    ImageButton arrows[12];
    MenuPanel boxes[3];
    MenuButton actionButton;
    MenuSwitch toggle;
    TextField fields[2];
    int32_t tabCount = 0, currentTab = 0;
    int32_t listScroll = 0;
    // The scenario picture and the game-kind picture of mode 11 (owned), null when none.
    Sprite2D* pictures11[3] = {};
    // The skin images of the preview fighter, kept while mode 12 is open (owned), null when none.
    SkinImageCache* skinCache = nullptr;
    // The chosen player's fighter shown in mode 12, null when none.
    Character* previewFighter = nullptr;
    int32_t screen = -1;
    int32_t selectedRow = -1;              // the list row picked, -1 none
    int32_t sessionCount = 0;
    char sessionNames[SETUP_LIST_ROWS][SETUP_SESSION_NAME] = {};
    char portText[8] = {};
    // The working copy is the live game block, filled from the stored block of the screen.
    GameSettingsBlock& work = g_GameSettings;

    MatchSetupPanel() = default;
    ~MatchSetupPanel() { Release(); }
    MatchSetupPanel(const MatchSetupPanel&) = delete;
    MatchSetupPanel& operator=(const MatchSetupPanel&) = delete;

    void Build(int screen);
    // Opens `tab` in `mode`.
    void SessionScreen(int tab, int mode);
    void Update();
    void Draw();
    void ReleaseTab();
    void Release();

    // The edits of the tabs.
    void StepScenario(int dir);
    void StepKind(int dir);
    // Rule row 0..2 of the current kind by -1 or +1.
    void StepRule(int row, int dir);
    void RefreshRuleRows();
    // The scenario's and the kind's pictures of mode 11 loaded again.
    void RefreshPictures();
    // Mode 11: the scenario picture's x, and the top of the strip under it.
    float ScenarioPictureX() const;
    float KindStripTop() const;
    void RecomputeRules();
    void StepDifficulty(int dir);
    // Team-values row 0..5 by -1 or +1.
    void StepTeamValue(int row, int dir);
    // The session list: names copied, scroll kept in range.
    void RefreshSessions();
    void ScrollSessions(int dir);
    // The port field's text into the stored port when it is a port.
    void TakePort();
    // Side 0 or 1; then the player arrows.
    void ChooseSide(int side);
    void StepPlayer(int dir);
    // The preview fighter of mode 12 spawned, dressed for the chosen player or removed.
    void ShowPreview();
    void RemovePreview();
    // The name, level and attribute labels of the chosen player ("-" without one).
    void RefreshPlayerLabels();
    // The working copy into the stored block of the current save mode.
    void WriteBack();

private:
    int Side() const;
    void BuildMode();
    void UpdateTeamValues();
    void UpdateFields(bool join);
    void UpdateSessionList();
    void UpdateScenario();
    void UpdateSide();
    void StartSession(bool join);
    // Stops the session and searches again as a client with the stored name and port.
    void RestartSearch();
    bool ArrowPressed(int index, int tipLeft, int tipRight);
};
