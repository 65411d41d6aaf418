// The sixteen fighter records: one plain record per fighter of a match, reused across matches
// and in use exactly while its active byte is set. The operations of every fighter rule are
// members; this file holds the record, its slots and the life cycle (spawn, update, death,
// respawn). The rules of movement, animation, combat and powers add their own members.
#pragma once

#include <cstdint>

#include "common/math.h"
#include "fighters/action_pace.h"
#include "fighters/side_table.h"
#include "world/path_map.h"

class Character;
struct PlayerLook;
struct PlayerRecord;
struct SkinParts;
class SkinImageCache;
class CharacterModel;
struct Ray;

constexpr int MAX_CHARACTERS = 16;
constexpr int FIGHTER_NAME_SIZE = 20;
constexpr int FIGHTER_WAYPOINTS = 4;
constexpr int FIGHTER_POWER_EFFECTS = 2;
constexpr CellRef CELL_NONE = {-1, -1, -1};

// Health (and energy) of a level: 5 per level above 100.
constexpr float HealthForLevel(int level) { return 5.0f * float(level < 0 ? 0 : level) + 100.0f; }
// Experience that fills a level: 25 per level above 100.
constexpr float ExperienceForLevel(int level) { return 25.0f * float(level < 0 ? 0 : level) + 100.0f; }

// Move modes.
constexpr int32_t MOVE_STANDING = 0;
constexpr int32_t MOVE_FOLLOWING = 1;
constexpr int32_t MOVE_DIRECT = 2;     // driven from outside

// The timed states, in record order.
enum TimedStateIndex {
    STATE_INVISIBILITY,
    STATE_INVULNERABILITY,
    STATE_POISONING,
    STATE_PARALYSIS,
    STATE_FREEZE,
    STATE_STRENGTH_BOOST,
    STATE_POWER_BOOST,
    STATE_CONSTITUTION_BOOST,
    STATE_AGILITY_BOOST,
    STATE_SPEED_BOOST,
    STATE_SUPER,
    STATE_FORBIDDEN_FRUIT,
    TIMED_STATE_COUNT,
};

struct TimedState {
    uint8_t active;
    uint32_t startTime;     // clock 0
    uint32_t durationMs;
};

// The steps of Character::Update, in order.
enum class UpdateStep : uint8_t {
    ClearContacts,
    Ground,
    Velocity,
    RootDisplacement,
    Perception,
    States,
    StillActive,
    LevelUpGlow,
    Physics,
    MeleeHits,
    Behaviour,
    PathMove,
    JumpFlight,
    CollectItems,
    Powers,
    ScenarioZones,
    AnimationEnd,
    IdleAnimation,
    BodiesFromAnimation,
    MoveWithCollision,
    ServePathRequest,
    Death,
    AnimationSounds,
    PreviousPosition,
    SettleOnGround,
};
// Told of each step of an update as it runs (tests); null for none.
using UpdateStepObserver = void (*)(Character& c, UpdateStep step);
void SetUpdateStepObserver(UpdateStepObserver observer);
// Told of each kill a fighter's health records with the match (tests); null for none.
using KillObserver = void (*)(int points, int victimSlot, int killerSlot);
void SetKillObserver(KillObserver observer);

class Character {
public:
    // Times are clock-0 milliseconds; cells are path-map cells.
    int32_t slot;                   // 0-15; -1 until first spawned
    uint32_t playerId;              // session player id of the controlling machine (0: the host's own)
    uint8_t active;
    int32_t side;                   // 0 or 1
    int32_t moveMode;               // MOVE_STANDING, MOVE_FOLLOWING, MOVE_DIRECT
    int32_t behaviourRole;          // computer fighters: 0 attack, 1 defend, 2 follow the local player
    uint8_t attached;               // the model is in the scene
    char name[FIGHTER_NAME_SIZE];   // not terminated by the record itself
    PlayerLook* lookCopy;           // owned
    const SideRow* sideRow;
    CharacterModel* model;          // owned; a copy of the side's skeleton
    int32_t actionClass;            // main layer
    int32_t currentAnimation;
    int32_t previousAnimation;
    int32_t upperActionClass;       // upper-body layer
    int32_t upperAnimation;         // the last started on the whole body or the upper body
    int32_t upperPreviousAnimation;
    uint8_t split;                  // the upper body plays its own animation
    uint8_t moveKeysHeld;           // written by the local control each frame
    Vec3 position;                  // feet
    Vec3 modelOffset;               // 0.13 along the facing: position = model position + offset
    Vec3 previousPosition;          // at the end of the last frame
    Vec3 waypoints[FIGHTER_WAYPOINTS];   // [1] target point, [2] final point of path following
    CellRef currentCell;
    CellRef previousCell;
    CellRef targetCell;
    CellRef finalCell;
    CellRef requestedGoalCell;
    CellRef failedGoalCell;
    int32_t failedSector;
    CellRef homeCell;               // respawns return here
    float homeYaw;
    CellRef jumpCell;
    CellRef spareCell;
    int32_t pathLength;
    int32_t pathIndex;
    CellRef pathPoints[PATH_POINTS_MAX];
    uint8_t following;              // a path is followed
    uint8_t pathRequested;
    Vec3 velocity;                  // position - previous position
    Vec3 rootDisplacement;          // pose root - placed position
    Vec3 rootVelocity;
    Vec3 totalVelocity;
    Vec3 groundNormal;              // raw normal of the last ground sweep
    Vec3 slopeVector;               // unit downhill direction, zero on level ground
    Vec3 momentum;
    float yaw;                      // [0, 2 pi); 0 faces +z, pi/2 faces +x
    uint8_t airborne;
    Vec3 jumpVelocity;              // y < 0 while falling
    uint8_t guarding;
    uint8_t guardRequest;           // latched by the local control
    uint8_t knockedDown;
    uint8_t dead;
    // Spawned or revived and not yet seen in its entry: the host takes one entry of a fighter
    // another machine drives after each (the entry's end protects it and clears its states).
    uint8_t entryOwed;
    float health, maxHealth;
    float energy, maxEnergy;
    float experience, maxExperience;
    int32_t level;
    float strength, power, constitution, agility, speed;
    int32_t credits;
    uint32_t creditTime;
    int32_t killScore;
    uint32_t killTime;
    Character* nearestFighter;
    Character* nearestEnemy;        // strictly an enemy
    Character* nearestEnemyLoose;
    Character* attackTarget;
    Character* lastAttacker;
    float nearestFighterDistance;
    float nearestEnemyDistance;
    float nearestEnemyLooseDistance;
    float attackRange;              // distance given with the attack target
    float lastAttackerDistance;
    int32_t lastAttackAnimation;
    int32_t lastTauntAnimation;
    uint32_t lastRequestTime;
    uint32_t idleStart;
    // The nine timers.
    uint32_t pathStartTimes[2];
    uint32_t attackStartTime;
    uint32_t knockDownTime;
    uint32_t deathTime;
    uint32_t defenceStartTime;      // start of the last action-class-8 animation
    uint32_t guardStartTime;
    uint32_t guardEndTime;
    uint32_t throwCharge;           // ms the throw was held, at most 600
    int32_t currentPower;           // -1 none
    int32_t highestUnlockedPower;   // 0-9
    int32_t powerEffects[FIGHTER_POWER_EFFECTS];   // effect slots, -1 none
    uint8_t powerRepeat;            // latched by the local control during a cast of power 0
    uint32_t lastPowerStart;
    // The release rows the current cast has fired, by index: a cast fires each once, however its
    // animation loops, rewinds or is told again.
    uint32_t castReleases;
    // The hits the current melee attack has landed or missed, by its row's hit, and the body a
    // throw has let go of: each once per action, however its animation is wound back.
    uint8_t attackHits;
    ActionPace pace;                // on the host, for a fighter another machine drives
    int32_t attachedEffect;         // effect slot of the glow that follows the fighter, -1 none
    uint8_t overlayPresent;
    TimedState states[TIMED_STATE_COUNT];
    uint32_t springTime;
    uint32_t portalTime;
    uint32_t waterTime;
    Vec3 waterPoint;
    uint8_t inWater;
    // The last values sent to the session.
    Vec3 lastSentVelocity;
    Vec3 lastSentPosition;
    float lastSentYaw;
    Character* lastSentTarget;
    Vec3 lastSentAimPoint;
    uint8_t wallContact;
    uint8_t groundContact;
    uint8_t ceilingContact;
    uint8_t sinking;                // into lava
    uint32_t sinkTime;
    Vec3 sinkPoint;                 // x, lava height, z where the sinking began
    Vec3 aimPoint;                  // written by the local control and by the session
    // The computer behaviour's unsticking: where and when the fighter last made headway, and the
    // invalid cell it stands on since when.
    Vec3 stuckPosition;
    uint32_t stuckTime;
    CellRef invalidCell;
    uint32_t invalidCellTime;

    // Free: slot -1, no model, look or row, no effects, no cell.
    Character();

    // Perception and goals of the computer fighters. Distances out are -1 when none is found;
    // item and search-object queries give an index or -1.
    Character* NearestFighter(float* distance);
    Character* NearestOpponent(float* distance, bool strict);
    Character* NearestEnemyInView(float* distance, float largestDistance, float cone);
    int CountEnemiesWithin(float distance);
    int CountAlliesWithin(float distance);
    bool GoToPoint(const Vec3& point);
    bool FleeFrom(const Character* other, float startDistance);
    int NearestItemOfType(int type);
    int NearestReachableItem(int firstType, int lastType, float largestDistance, float largestHeight);
    bool GoToNearestItem(int firstType, int lastType, float largestDistance, float largestHeight);
    bool GoToSymbol(int team, float radius);
    bool GoToNextCheckpoint(float radius);
    int NearestSearchObject(float largestHeight);
    bool GoToSearchObject(int index);
    // Combat choices: the defence reflex each frame, and melee or ranged once an opponent is
    // chosen. Predictions give false when the animation or its row is missing.
    bool RootDisplacement(Vec3* out, int animation, float fromFrame, float toFrame) const;
    bool AttackHitPoint(Vec3* out, int animation) const;
    bool WillBeHitBy(Character* attacker, float* hitFrame, int* row, int* hitIndex);
    bool FindIncomingEffect(int* slot);
    void AiDefend();
    void AiMelee(Character* opponent, float distance);
    void AiRanged(Character* opponent, float distance);
    int ChooseMeleeAttack(Character* opponent);
    int ChoosePower(Character* opponent);
    void Throw();
    // The computer behaviour: the frame's entry and the decision list of the game kind.
    void AiThink();
    void AiUseSupportPowers();
    bool AiSeekItems();
    void Engage(Character* opponent, float distance);
    void OpportunisticCast();

    // The input player whose action slots drive the fighter.
    int InputPlayerIndex() const { return 0; }

    // Life cycle.
    bool Spawn(int slot, uint32_t playerId, int side, int level, float x, float y, float z,
               const PlayerRecord* record, SkinImageCache* cache);
    bool Despawn();
    bool AttachToScene();
    bool DetachFromScene();
    // Places the feet; snap also settles them on the ground. A point that is not finite is ignored.
    void SetPosition(float x, float y, float z, bool snap);
    void Die();
    void Revive();
    void Respawn();
    // Killed, whether or not its death has come (health that reached 0 in the air waits for the
    // landing): it strikes, casts and throws no more until its new life.
    bool OutOfTheFight() const { return dead || health <= 0.0f; }
    // A fighter whose player left mid-match: it lets go of what it had going as at a death, of the
    // symbol and the curse, and is despawned with nothing left naming its record.
    void LeaveMatch();
    void UpdateStates();

    // The frame: false when the record is not active.
    bool Update(int frameMs);
    void UpdateGround(bool snap);
    // Ground under a point (-2000 none); the contact point and normal are written on a hit.
    float GroundHeight(float x, float y, float z, Vec3* contact, Vec3* normal);
    void UpdateAnimationEnd();
    void UpdateLevelUpGlow();
    void SelectLevelOfDetail();

    // The path-map cell register.
    void OccupyCell();
    void ReleaseCell();

    // Movement on the path map: requests, the search and path following.
    bool CanReachCell(const CellRef& cell);
    void SetTargetCell(const CellRef& cell);
    void SetFinalCell(const CellRef& cell);
    // The path in the record taken up from its point at the path index: no goal refused, both
    // start times now, and following from standing.
    void TakeUpPath();
    bool MoveToCell(const CellRef& cell, bool useTrajectories);
    bool MoveToward(Character* other, float lead);
    bool IsStraightWalkable(const CellRef& a, const CellRef& b);
    void SimplifyPath();
    void StepToward();
    bool StopMoving();
    bool RecentreOnCell();
    bool IsHeadingForItemType(int32_t low, int32_t high);

    // The model's yaw, which the strafe angle turns, and its transparency.
    float ModelYaw() const;
    void TurnModel(float deltaYaw);
    void SetModelAlpha(int alpha);
    // Whether the last advance of a bone's animation completed a cycle.
    bool AnimationWrapped(int bone) const;

    // Meters, timed states, overlays, skin, animation, facing, movement and the per-frame steps;
    // each group has a file of its own (character_meters, timed_states, body_overlay, skin, ...).
    void ChangeHealth(float amount, Character* attacker);
    bool StartFreeze(int durationMs, int fadeMs);
    bool StopFreeze(int fadeMs);
    void SetLevel(int level, bool announce, bool recompute);
    void SelectDefaultPower();
    bool ComposeSkin(int side, const SkinParts& parts, SkinImageCache* cache);
    bool SetAnimation(int animation, int blendMs, int checkMode, int layer);
    void SetAnimationTime(float frame, int layer);
    void Turn(float deltaYaw);
    void SetYaw(float yaw);
    // Faces as its start point does, and turns that way again at each new life.
    void FaceStart(float facing);
    bool SetMoveMode(int mode);
    void Land(bool clearFlag);
    void CancelStates();
    bool StartInvulnerability(int durationMs, int fadeMs);
    bool RemoveBodyOverlay(int fadeMs);
    void FlashSpawnOverlay(int texture, int fadeInMs, int holdMs, int fadeOutMs);
    void FlashRiseOverlay(int texture, int fadeInMs, int holdMs, int fadeOutMs);
    void ReleasePowerEffects();
    void ReleaseEffect();
    // Whether the glow that follows the fighter is still there, forgetting it when not: the slot
    // it freed may already hold another fighter's effect.
    bool HoldsAttachedEffect();
    bool FindReachableCell(const CellRef& centre, CellRef* out, int rings, float heightTolerance);
    void UpdatePerception();
    void UpdatePhysics();
    void MeleeHits();
    // The hits of the attack playing that have not landed yet, by bit, with its row and their
    // frames.
    uint8_t PendingHits(int* row, float frames[2]);
    void LandHit(int row, int hit);
    void AiUpdate();
    void UpdateMove();
    void UpdateJumpFlight();
    void CollectItems();
    void UpdatePowers();
    void UpdateScenarioZones();
    void UpdateIdleAnimation();
    void SpawnBodiesFromAnimation();
    // The row of the throw playing that has not let go of its body yet, -1 for none, and the
    // frame it lets go at.
    int PendingThrow(float* frame = nullptr) const;
    void ThrowBody(int row);
    bool MoveWithCollision(int frameMs);
    bool ServePathRequest();
    void AnimationSounds();
    void EndGuard();
    bool HasLineOfSight(Character* target);
    // The fighter's upright cylinder against the ray, the hit nearer than the length.
    bool IntersectRay(const Ray& ray, float length, Vec3* point, Vec3* normal);
    float DistanceTo(const Character* other) const;
    uint32_t MaxGuardTime();
    void StartGuard();
    bool FindIncomingEffect(Vec3* point);
    bool WillBeHitBy(Character* attacker);
    bool CanUsePower(int k);
    // Whether the host carries out a cast another machine's player began: that player's own rules.
    bool AcceptsReceivedCast(int k);
    bool StartPower(int k);
    // Frames per second the fighter's animations play at.
    float AnimationRate();
    // The rate of the run, and of what plays over its legs, frozen and paralysed or not.
    float RunRate() const;
    // The rate an action it starts plays at, over the run or not. Frozen, it starts none; once
    // thawed, at this rate.
    float ActionRate(bool overRun) const;

    // Momentum and flight: the airborne flag, the launch velocity of the jump animations.
    void EnterAirborne();
    void Launch(int animation, float strength);
    // Collisions of this frame's movement; the proposed point as the root displacement made it.
    bool CollideWithProps(const Vec3& point, Vec3* outNormal);
    bool CollideWithFighters(const Vec3& point);
    bool HandleCeiling();
    // Water less than 1.5 above the feet, and the splashes, wakes and rings it makes.
    bool ProbeWater();
    void WaterContactEffects(int frameMs);

    // Timed states: one at a time, each shown by an overlay on the body. A start gives true when
    // the state runs afterwards, a stop true when it is off afterwards. By index for the packet
    // dispatcher (an index outside the states is refused).
    bool StartTimedState(int state, int durationMs, int fadeInMs);
    bool StopTimedState(int state, int fadeOutMs);
    bool StartInvisibility(int durationMs, int fadeInMs);
    bool StartPoisoning(int durationMs, int fadeInMs);
    bool StartParalysis(int durationMs, int fadeInMs);
    bool StartStrengthBoost(int durationMs, int fadeInMs);
    bool StartPowerBoost(int durationMs, int fadeInMs);
    bool StartConstitutionBoost(int durationMs, int fadeInMs);
    bool StartAgilityBoost(int durationMs, int fadeInMs);
    bool StartSpeedBoost(int durationMs, int fadeInMs);
    bool StartSuper(int durationMs, int fadeInMs);
    bool StartForbiddenFruit(int durationMs, int fadeInMs);
    bool StopInvisibility(int fadeOutMs);
    bool StopInvulnerability(int fadeOutMs);
    bool StopPoisoning(int fadeOutMs);
    bool StopParalysis(int fadeOutMs);
    bool StopStrengthBoost(int fadeOutMs);
    bool StopPowerBoost(int fadeOutMs);
    bool StopConstitutionBoost(int fadeOutMs);
    bool StopAgilityBoost(int fadeOutMs);
    bool StopSpeedBoost(int fadeOutMs);
    bool StopSuper(int fadeOutMs);
    bool StopForbiddenFruit(int fadeOutMs);
    // The overlay texture "vecorporal<n>" over the skin of every mesh; refused while one is on.
    bool CreateBodyOverlay(int texture, int fadeInMs, float strength);

    // What the states make of the statistics.
    bool IsImmune() const;
    float EffectiveStrength() const;
    float EffectivePower() const;
    float EffectiveConstitution() const;
    float Gravity() const;
    // The run's own step over t seconds along the facing; zero outside the run class.
    Vec3 RunDisplacement(float t);

    // Meters. Changes other rules refuse are ignored silently.
    void ChangeEnergy(float amount);
    void AddExperience(float amount, Character* other);
    void AddCredits(int amount);

    // Powers.
    float PowerCost(int k) const;
    bool HasEnergyForPower(int k) const;
    // The two charge glows of the basic power, parked far away until they reach the hands; none
    // while frozen.
    void SpawnChargeEffects();

    // Melee: the attack row of an animation of action class 3 or 4 with its two hit frames (-1
    // none); false, with row -1, when the side has no row for that animation.
    bool GetAttackRow(int actionClass, int animation, int* row, float* hit1Frame, float* hit2Frame) const;
    // The first hit frame of the attack playing, -1 when none plays.
    float AttackHitFrame() const;

    // Animation control: SetAnimation is the one gate through which a fighter's animation
    // changes. Layer 0 is the whole body, 4 the upper body, any other bone plays without
    // bookkeeping. Check mode 0 forces the change, 1 applies the rules, 3 also waits for the
    // current animation's wrap.
    bool CanSetAnimation(int animation, int actionClass, int checkMode, int layer);
    void AdjustBlendTime(int animation, int& blendMs) const;
    void StampAnimationStart(int animation, int actionClass);
    void BeginSplitAnimation();
    void EndSplitAnimation();
    void SetGuardAnimationRate(float rate);
    // Facing: turns towards a point by at most the step (y is not used); within the cone.
    bool TurnTowards(float step, float x, float y, float z);
    bool IsFacing(const Character* other, float cone) const;
    bool PlanRoute(const CellRef& goal);
    // The visible and audible reaction to a hit (damage value, point, reaction code, 0 or 2 for
    // a heavy hit, attacker or null).
    void ApplyHit(float damage, const Vec3& point, int reaction, int heavy, Character* attacker);
    // The stored trajectory a route to the goal follows, with its entry and exit points; -1 none.
    int FindTrajectory(const CellRef& goal, int32_t* entry, int32_t* exit);

private:
    // Into the scene's character list without telling the session.
    bool AttachModel();
    void ReturnCarriedSymbol(bool dropAtCell);
    // A dead or leaving carrier's symbol falls where it stood, where the host says.
    void DropCarriedSymbol();
    // Frames of the animation on a bone in ms at its rate; 0 for none or a rate that is not forward.
    uint32_t FramesToMs(int bone, float frames) const;
    // The attached effect, while in use, rides on the upper body when its type follows; a slot no
    // longer in use is let go.
    void FollowWithAttachedEffect(bool (*follows)(int32_t type));
    // A new glow at the feet becomes the attached effect and starts.
    void AttachGlow(int32_t type, int32_t durationMs);
};

extern Character g_Characters[MAX_CHARACTERS];

// The fighters' model quality (the lowest detail level they may use), from the settings.
extern int32_t g_ModelQuality;
// Match time of the last death without killer recorded for a fall (one per 7000 ms).
extern uint32_t g_FallRespawnStamp;
class Item;
// The item nearest to the point among the cells within r in x and z; null for none.
Item* FindNearestItem(float x, float y, float z, int r);

// Every record free with its model and look, and the stamp 0: as at program start.
void ResetCharacters();

// The slot a spawn takes: a requested 0-15 as given, anything else the lowest free one; -1 when
// none is free.
int FindFighterSlot(int requested);
int SpawnCharacter(int slot, uint32_t playerId, int side, int level, float x, float y, float z,
                   const PlayerRecord* record, SkinImageCache* cache);

// The skeleton models of both sides, from the model pack.
void LoadAllSkeletons(bool showProgress);
// The file of the first side whose skeleton is not loaded, in `path`; false when both are.
bool FindMissingSkeleton(char* path, size_t size);
// At match start by application mode; any fighter left is despawned first.
void LoadSkeletons(bool showProgress);
// At match release: every fighter despawned, the skeletons freed and the records as at start.
void FreeSkeletons();
// In a network game: the host spawns its own fighter, a client asks the host for one.
void SpawnLocalPlayer();
