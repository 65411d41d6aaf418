// What the fighter tests stand on: the files of both sides' skeleton models (every bone the
// rules address, five detail levels, an animation group with every animation the rules play), a
// collision arena with its path map, and recorders for the sounds, packet events and effects the
// fighters make.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/math.h"
#include "effects/effect_slots.h"
#include "datakit/fighter_skeleton.h"

class Character;
class CharacterModel;
class CollisionOctree;
class PathMap;

namespace testsupport {

// ---- Models ----

// A folder holding the model and animation files, written once per test program. Paths inside
// are those the game asks for ("Modelos\Personajes\Skeleton%02d.y3d" and its levels B-E,
// "ANIMACIONES\Grupo00\ani00%03d.y3d").
const std::filesystem::path& FighterFilesFolder();

// ---- Arena ----

// Over x 0..32 and z 0..16 (world = cell coordinates), by area:
//   floor        y 0,  x 0..16, z 0..16, with a wall at x 12 (z 12..16, y 0..4, facing -x) and a
//                ceiling at y 3 over x 2..6, z 10..14
//   ramp         x 16..20, z 0..8, rising from y 0 to y 2 along +x
//   platform     y 2,  x 20..24, z 0..8, a ledge at x 24 with a jump down to
//   lower floor  y -2, x 24..32, z 0..8
//   water        surface y -0.3 over a bed at y -1, x 16..24, z 8..16
//   lava         surface y -1 over a bed at y -2, x 24..32, z 8..16
constexpr float ARENA_FLOOR = 0.0f;
constexpr float ARENA_PLATFORM = 2.0f;
constexpr float ARENA_LOWER = -2.0f;
constexpr float ARENA_WATER_SURFACE = -0.3f;
constexpr float ARENA_LAVA_SURFACE = -1.0f;
constexpr float ARENA_LAVA_BED = -2.0f;
// The collision-octree block of the arena.
std::vector<uint8_t> ArenaCollisionBlock();
bool LoadArenaCollision(CollisionOctree* tree);
// The arena as a scenario's scene file: its collision, an empty render tree, no nodes.
std::vector<uint8_t> ArenaSceneFile();
// Its path map: one layer per cell at the floors above; sector 0 the upper areas, sector 1 the
// lower floor and the lava bed, reached by the jump from cell (23, 4) to (25, 4).
void BuildArenaPathMap(PathMap* map);

// ---- Recorders ----

struct RecordedSound {
    int id;
    bool hasPosition;
    Vec3 position;
};

struct KitEffectSlot {
    bool active = false;
    bool stopped = false;
    bool cullBoxOn = true;
    int32_t type = -1;
    Vec3 position{}, aimPoint{}, velocity{};
    int32_t durationMs = 0;
    Character* owner = nullptr;
    // The direction vector, and the angle a portal was last turned to.
    Vec3 direction{};
    float angle = 0.0f;
    Character* target = nullptr;   // the fighter it seeks
    // The rest of what it was made with: the fourth vector and size (the colour below).
    Vec3 acceleration{};
    float scale = 0.0f;
    uint32_t colour = 0;
    uint32_t ageMs = 0;            // frames of the pool's own step since it was made
};

// One recorder for the whole program: the call tables take plain functions.
struct FighterRecorder {
    std::vector<RecordedSound> sounds;
    std::vector<std::vector<uint8_t>> events;
    KitEffectSlot effects[EFFECT_SLOT_COUNT];
    std::vector<int32_t> created;        // slots in the order they were made
    // The shell as the fighters see it.
    Character* local = nullptr;
    float frameSeconds = 0.02f;
    int controlMode = 3;
    int cameraYawResets = 0;
    std::vector<Character*> cameraPlacements;
    CharacterModel* viewerModel = nullptr;
    // The end of a match: music fades (with their times), screen fade steps, requests to leave.
    std::vector<uint32_t> musicFades;
    int screenFades = 0;
    int leaveRequests = 0;
    // Player 0's four direction actions as held this frame.
    bool directionHeld[4] = {};
    int selectedPower = -1;     // the power bar's selection
    bool targetMarker = false;  // the aim-assist flag
    bool secondTick = false;    // the frame's one-second tick
    std::vector<int> screenItems;   // screen items run on the local view
    int decals = 0;

    void Clear();
    // The slots made with a type, in order.
    std::vector<int32_t> CreatedOfType(int32_t type) const;
};
FighterRecorder& Recorder();
// The type lifetimes of the effect table for the types the fighters make (-1 for the rest).
int32_t KitEffectLifetime(int32_t type);
// Points the effect calls at the recorder's pool alone. The pool's step stands in for the effects'
// own endings: a stopped slot is freed, and so is any other after its positive duration, or
// after 2000 ms, except the kinds their owners keep until they stop them (portals, search
// objects, springs, charge glows, symbol glows, checkpoint flames and the items' loops).
void InstallKitEffectPool();
// Points the fighters' shell, packet and effect calls at the recorder, and back.
void InstallFighterRecorders();
void RemoveFighterRecorders();

}  // namespace testsupport
