// The loaded scenario: its table row, path map, rain emitter, bubble model and match results, and
// the portal records beside it.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "effects/rain_emitter.h"
#include "world/path_map.h"

class Character;
class DynamicObject;
class SceneNode;
struct Ray;

constexpr int SCENARIO_COUNT = 20;
// The character viewer's scenario: no table row.
constexpr int SCENARIO_VIEWER = 98;
constexpr int MATCH_RESULT_DWORDS = 264;
constexpr int PORTAL_COUNT = 20;

// One 36-byte row of the scenario table.
struct ScenarioRow {
    uint32_t number;
    uint32_t world;         // group 0-3, five scenarios each
    uint32_t fog;           // "Fog.tga" and the fog range apply
    float fogNear;
    float fogFar;           // also the far distance of the cameras that read it (0: their default)
    uint32_t ambient;       // ARGB
    uint32_t fogColour;     // ARGB
    uint8_t rain;           // rain, ripples and lightning; ambient sound 182
    uint8_t sound2;         // ambient sound 185
    uint8_t glowMotes;
    uint8_t bubbles;        // lava bubbles and the bubble model
    uint32_t alpha;         // low byte: the alpha of the scene's overlay quad
};
static_assert(sizeof(ScenarioRow) == 36, "the scenario row is 36 bytes");

extern const ScenarioRow ScenarioTable[SCENARIO_COUNT];
// What a number outside the table gets: no fog, no ambience.
extern const ScenarioRow NeutralScenarioRow;
// The row of a scenario number; the neutral row outside 0..19.
const ScenarioRow* ScenarioRowOf(int number);
// The scene file a scenario's world is read from.
void ScenarioSceneFile(int number, char* out, size_t size);

// One portal of the loaded scenario.
struct PortalRecord {
    uint8_t active;
    int32_t kind;           // 0 for effect type 63, 1 for 64; -1 when empty
    int32_t partner;        // the paired record, -1 when none
    Vec3 position;
    Vec3 facing;
};

class Scenario {
public:
    int32_t number;                 // -1 when none is loaded
    const ScenarioRow* row;         // null when none is loaded
    uint8_t healthSpring;
    uint8_t energySpring;
    // The viewers' camera starts at the health-spring centre looking at the energy-spring
    // centre; the match camera's eye never drops below the energy-spring centre's height.
    Vec3 healthSpringCentre;
    Vec3 energySpringCentre;
    PathMap pathMap;
    RainEmitter rain;
    SceneNode* bubbleModel;         // owned; in no list
    uint32_t bubbleTime;            // ms toward the next lava bubbles
    uint32_t results[MATCH_RESULT_DWORDS];
    int32_t ripple0;                // texture ids of the two wave pictures, -1 when not loaded
    int32_t ripple1;

    Scenario();
    ~Scenario();
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // Scene, sky, lights, merge parts, item and prop models, path map and bubble model of one
    // scenario. What is missing is skipped; false when the scene file itself did not load.
    bool Load(int number);
    // Safe with nothing loaded, twice, and at exit.
    void Unload();
    void ResetResults();
    // One fighter slot's record as the match starts it; nothing for a slot outside 0-15.
    void ResetFighterResults(int slot);

    // Nearest hit of a ray within the length against the static scene with its collidables (by
    // the surface mask), the active fighters but the one ignored, and the balls in use; the first
    // found wins a tie. Every output given is zeroed first; the point is written on a hit, the
    // normal with each nearer hit; the special flag tells a water or lava surface of the scene.
    bool RayQuery(const Ray& ray, float maxLength, Vec3* hitPoint, Vec3* hitNormal, uint32_t surfaceMask,
                  Character** hitCharacter, DynamicObject** hitProp, Character* ignore, uint8_t* special);
    // The same for callers that read only the point and the fighter.
    bool RayQuery(const Vec3& origin, const Vec3& direction, float length, Vec3* hit, uint32_t typeMask,
                  Character** character, Character* excluded);
    // Nothing while the menu is open. In play mode the rain, glow motes and lava bubbles by the
    // row's flags; then, in every mode, the props and the items.
    void UpdateAmbient(int frameMs);
    // The emitter above the local fighter, the lightning and the ripples.
    void UpdateRain(int frameMs);
    void SpawnGlowMotes();
    void SpawnBubbles(int frameMs);
    // The springs and paired portals from the scene's elements, with their effects; again from
    // scratch on every call.
    void SetupSpringsAndPortals();
    void SetupRain(bool enable);
};

extern Scenario g_Scenario;
extern PortalRecord g_Portals[PORTAL_COUNT];
// Ambience stamps (clock 0) and the lightning sequence counter (4: no sequence running).
constexpr int32_t LIGHTNING_NONE = 4;
extern uint32_t g_GlowMoteTime;
extern uint32_t g_LightningTime;
extern int32_t g_LightningCounter;
// Back to the start state: nothing loaded, no portals, stamps and counter as at start-up.
void ResetScenario();
// The spring and portal effects made so far are no longer this scenario's to free (their pool
// was emptied with the match).
void ForgetSpringAndPortalEffects();
