// The player editor's frame state and the small rules it turns and dresses its preview with.
#pragma once

#include <cstdint>

#include "frontend/player_record.h"

class Character;

// What the editor asks before going on; the answer decides, then the action runs.
enum EditorQuestion : int32_t {
    EDITOR_ASK_NONE = 0,
    EDITOR_ASK_PREVIOUS,    // save, then the previous player
    EDITOR_ASK_NEXT,        // save, then the next player
    EDITOR_ASK_RANDOM,      // save, then a random player
    EDITOR_ASK_BACK,        // save, then back to the page before
    EDITOR_ASK_DELETE,      // delete the shown player
};

struct PlayerEditorState {
    uint8_t autoTurn = 0;
    uint8_t dragging = 0;
    int32_t anchorX = 0, anchorY = 0;
    // The shown record differs from what its slot holds.
    uint8_t changed = 0;
    // The list holds the shown record as kept, its file does not yet.
    uint8_t unwritten = 0;
    int32_t question = EDITOR_ASK_NONE;
    // The name as it was when its editing began.
    char nameBefore[PLAYER_NAME_SIZE] = {};
};

constexpr float EDITOR_TURN_STEP = 0.7853982f;   // pi / 4
constexpr float EDITOR_AUTO_TURN = 0.02f;
constexpr float EDITOR_DRAG_FACTOR = 0.006f;
// The turning preview keeps this point, so far behind its feet, in place.
constexpr float EDITOR_PIVOT_BEHIND = 0.15f;
constexpr int EDITOR_LOOK_ROWS = 8;

// Turns a preview fighter about the point EDITOR_PIVOT_BEHIND behind its feet.
void TurnPreview(Character* fighter, float delta);
// Steps look row `row` (0..7) of a record by +1 or -1, wrapping inside the row's range; a value
// found outside the range comes back inside it. `category` is the tattoo slot rows 6 and 7 show.
void StepLookRow(PlayerLook* look, int row, int direction, int32_t* category);
// A value stepped by +1 or -1 and wrapped into lo..hi.
int32_t WrapStep(int32_t value, int direction, int32_t lo, int32_t hi);
