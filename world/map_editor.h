// The element-map editor (MODO 3): a palette of every element kind, placing, picking, moving,
// turning and deleting elements with the keys and the mouse, eight panels over the 3D view, and a
// play-test that runs the edited list as a match.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/math.h"
#include "frontend/gui_primitives.h"
#include "world/element_map.h"
#include "world/path_map.h"

class DynamicMesh;
class GlowNode;
class Sprite2D;
class MapEditor;

constexpr int EDITOR_PANELS = 8;
constexpr int EDITOR_PICKS = 1000;
constexpr int EDITOR_GROUPS = 10;
constexpr int EDITOR_BAR_SLOTS = 5;
constexpr int EDITOR_EFFECT_NAMES = 20;
constexpr int EDITOR_PALETTE_KINDS = 4;     // kinds 0-3 have preview models
constexpr uint32_t EDITOR_MESSAGE_MS = 2000;
constexpr float EDITOR_PALETTE_SIZE = 0.1f;

enum EditorPanelType {
    PANEL_GAME_KIND,
    PANEL_ELEMENT_KIND,
    PANEL_GROUP,
    PANEL_BAR,
    PANEL_SELECTED,
    PANEL_MODE,
    PANEL_WORLD,
    PANEL_HELP,
};

// The editor's actions of player 0.
enum EditorAction {
    EDIT_NEXT_GAME_KIND = 29,
    EDIT_PREV_GAME_KIND,
    EDIT_NEXT_ELEMENT_KIND,
    EDIT_PREV_ELEMENT_KIND,
    EDIT_NEXT_GROUP,
    EDIT_PREV_GROUP,
    EDIT_BAR_FORWARD,
    EDIT_BAR_BACK,
    EDIT_TOGGLE_MODE,
    EDIT_TURN_X,        // Insert
    EDIT_TURN_Y,        // Home
    EDIT_TURN_Z,        // Page Up
    EDIT_MOVE_XZ,       // Delete
    EDIT_MOVE_Y,        // End
    EDIT_SCALE,         // Page Down
    EDIT_PAD_8,
    EDIT_PAD_2,
    EDIT_PAD_4,
    EDIT_PAD_6,
    EDIT_PLAY_TEST,
    EDIT_HELP,
    EDIT_DELETE,
};

// One line of a panel's text, where it is printed (screen fractions).
struct EditorTextLine {
    float x, y;
    std::string text;
};

struct EditorPanel {
    int32_t type;
    float x, y, w, h;                    // screen fractions from the top left
    int32_t textScale;
    int32_t* gameKind;
    int32_t* elementKind;
    int32_t* group;
    MapEditor* editor;
    ButtonGroup buttons;
    int32_t buttonCount;
    uint8_t visible;
    uint8_t editMode;                    // the mode panel's: edit mode rather than insert mode
    uint8_t backKey, forwardKey;         // the selector's keys while held, or its arrows clicked
    // The palette bar's first shown entry and marked slot (-1 none) per element kind and group.
    int32_t scroll[ELEMENT_KINDS][EDITOR_GROUPS];
    int32_t selectedSlot[ELEMENT_KINDS][EDITOR_GROUPS];
};

// What edit mode applies to the selected element this frame.
struct EditorEditValues {
    Vec3 offset;
    Vec3 rotation;
    float scale;
};

class MapEditor {
public:
    EditorPanel panels[EDITOR_PANELS];
    // Copies scaled to a largest extent of 0.1, one per subtype of kinds 0-3 (null where missing).
    std::vector<DynamicMesh*> paletteModels[EDITOR_PALETTE_KINDS];
    uint8_t playTest;   // the edited list runs as a match
    GlowNode* paletteGlows[GLOW_PALETTE_SIZE];
    Sprite2D* arrows[4];                 // left on, left off, right on, right off
    CellRef cursorCell;                  // (-1, -1, -1) when none
    Vec3 cursorPoint;
    int32_t hoveredPanel;                // -1 none
    ElementRecord* selected;
    uint8_t hasSelection;
    ElementRecord* hovered;
    ElementObject hoveredObject;
    EditorEditValues edit;
    ElementRecord* picks[EDITOR_PICKS];
    int32_t pickCount;
    // The group last used with each element kind.
    int32_t rememberedGroup[ELEMENT_KINDS];
    uint8_t helpShown;
    int32_t lastHeld[4];                 // held ms of the numeric pad keys at the last frame

    MapEditor();
    ~MapEditor();
    MapEditor(const MapEditor&) = delete;
    MapEditor& operator=(const MapEditor&) = delete;

    // Per game frame, while MODO is 3 or a play-test runs.
    void Tick();
    // The checkpoint path, the cursor cell and the preview in the 3D pass.
    void Render();
    // The eight panels, unless play-testing.
    void DrawHud();

    // Forgets every pointer to a record that is about to be freed.
    void ForgetRecord(const ElementRecord* record);
    // Forgets every record (the list was emptied).
    void ForgetAll();
    bool AddPick(ElementRecord* record);
    void RemovePick(const ElementRecord* record);
    bool InEditMode() const { return panels[PANEL_MODE].editMode != 0; }
    // The subtype the palette bar has selected for the current kind and group; -1 none.
    int SelectedSubtype() const;
    // The preview model of a kind 0-3 subtype; null when none.
    DynamicMesh* PaletteModel(int elementKind, int subtype) const;
    // Whether a subtype's palette entry exists (model, glow, effect name).
    bool PaletteEntryExists(int elementKind, int subtype) const;
};

extern MapEditor g_MapEditor;
// Released and back as constructed, the panels made again (tests).
void ResetMapEditor();

extern const char* const EditorEffectNames[EDITOR_EFFECT_NAMES];
extern const char* const EditorItemNames[58];

// Panels (editor_panels.cpp).
void EditorButtons(EditorPanel* panel, int type, float x, float y, float w, float h);
void EditorUpdate(EditorPanel* panel);
// The world view's part: picking, placing, deleting and the edit keys.
void EditorWorldUpdate();
// The four arrow sprites.
void LoadEditorArrows();
void DrawPanel(EditorPanel* panel);
void DrawPanelFrame(const EditorPanel& panel);
// The panel's texts for the editor's current state.
std::vector<EditorTextLine> EditorPanelLines(const EditorPanel& panel);
void EditorDrawCategories(const EditorPanel& panel);
void DrawPanelArrows(const EditorPanel& panel);
void DrawPaletteBar(const EditorPanel& panel);
// The subtype a palette bar slot shows for the current kind and group; -1 for an empty slot.
int EditorSlotSubtype(const EditorPanel& bar, int slot);
void DrawCheckpointPath();
void DrawEditorCursor();

// The game-kind cycle 0-5, 9 one step either way.
int NextGameKind(int kind, int step);
// Selector steps, as the keys and arrows make them.
void EditorStepGameKind(int step);
void EditorStepElementKind(int step);
void EditorStepGroup(int step);
void EditorStepBar(int step);
// Loads the selection into the edit values (edit mode).
void EditorSelectElement(ElementRecord* record);
void EditorToggleMode();
// "RESTAURAR" and "CENTRAR".
void EditorRestore();
void EditorCenter();
// Applies the edit values to the selection and zeroes them.
void EditorApplyEdit();
// Starts the play-test: false for a game kind outside 0-8.
bool StartPlayTest();
// Ends it: the edited list back in the editor.
void EndPlayTest();
// The element-map editor's play-test file written and the match started on it.
bool SaveTempMap();
