// What the fighters reach of the application shell: the local fighter, the frame time, the match
// camera, the character viewer's model, the sound effects and music, the screen fader and the
// way out of a match. The shell sits above the fighters and fills this table with its own
// functions (shell/fighter_shell_calls.cpp); tests replace entries.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;
class CharacterModel;
struct CellRef;

struct FighterShellCalls {
    Character* (*localFighter)();
    // The frame time in seconds (capped and scaled as the game frame hands it on).
    float (*frameSeconds)();
    // The control mode: 3 is the match camera that follows the local fighter.
    int (*controlMode)();
    // The follow camera's yaw offset, which a respawn puts back to 0.
    void (*resetCameraYawOffset)();
    // The match camera placed behind the fighter at once.
    void (*placeCameraBehind)(Character* c);
    void (*setViewerModel)(CharacterModel* model);
    // Sound effect at a position (or none); the channel, -1 when nothing plays.
    int (*playFx)(int id, const Vec3* position, uint32_t flags);
    // The end of a match: the music fades over the time, the screen fades to black (started, or
    // advanced while it runs), and the shell is asked to leave the match.
    void (*fadeOutMusic)(uint32_t ms);
    void (*fadeOutScreen)();
    void (*requestLeaveMatch)();
    // The frame time in whole milliseconds, as the frame hands it on.
    int (*frameMs)();
    // Whether an action of an input player is held this frame (false outside the slots).
    bool (*actionHeld)(int player, int action);
    // The power selected on the local player's power bar, -1 none.
    int (*selectedPower)();
    void (*selectPower)(int power);
    // The aim-assist flag of the local player, which the HUD shows as the target marker.
    bool (*targetMarker)();
    void (*setTargetMarker)(bool on);
    // The one-second tick of this game frame.
    bool (*secondTick)();
    // A screen item's effect on the local view (item types 52-57).
    void (*screenItem)(int type);
    // A new press of the right button whose cursor picks a path-map cell, of the middle button
    // whose cursor picks a world point (the test mode's hand control of slot 1).
    bool (*clickedMapCell)(CellRef* out);
    bool (*clickedWorldPoint)(Vec3* out);
};
extern FighterShellCalls g_FighterShellCalls;
void ResetFighterShellCalls();

constexpr int CONTROL_MODE_MATCH = 3;
