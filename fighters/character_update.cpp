// The frame of one fighter: the order of its steps and which machine runs each, and the small
// steps of its own: ground, end-of-animation transitions, the level-up glow and the detail level.
#include <cmath>

#include "common/random.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/roles.h"
#include "frontend/menu.h"
#include "scene/anim_controller.h"
#include "scene/bone.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/collision_octree.h"
#include "scene/scene.h"
#include "world/path_map.h"
#include "world/world_seams.h"

namespace {

constexpr float kModelOffset = 0.13f;
constexpr float kCellTolerance = 2.0f;
constexpr float kNoGround = -2000.0f;
constexpr int kUpperBodyBone = 4;
constexpr int kGuardBone = 112;
constexpr int kLevelUpSparks = 200;

// Which machine runs a step: everyone, or by the roles below; "alive" steps skip a dead fighter.
enum class Gate : uint8_t {
    Always,
    Alive,
    AliveOfflineOrHost,
    InFightOfflineOrHost,   // alive and not yet killed: nothing it strikes or throws lands after
    AliveOfflineRemote,     // offline, and not the local fighter: the computer's fighters
    OfflineOrLocal,
    AliveOfflineOrLocal,
    OfflineOrHost,
};

struct StepRow {
    UpdateStep step;
    Gate gate;
    void (*run)(Character& c, int frameMs);
};

void ClearContacts(Character& c, int) { c.wallContact = c.groundContact = c.ceilingContact = 0; }
void Ground(Character& c, int) { c.UpdateGround(true); }
void Velocity(Character& c, int) { c.velocity = Vec3Sub(c.position, c.previousPosition); }

void RootDisplacement(Character& c, int) {
    if (!c.model) return;
    Vec3 root{};
    c.model->ComputeRootMotion(&root, nullptr);
    const Vec3 placed = Vec3Sub(c.position, c.modelOffset);
    c.rootDisplacement = Vec3{root.x - placed.x, c.model->heightOffset - placed.y, root.z - placed.z};
    const float seconds = g_FighterShellCalls.frameSeconds();
    // A frame that took no time moves nothing.
    c.rootVelocity = std::fabs(seconds) < 0.0001f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Scale(c.rootDisplacement, 1.0f / seconds);
}

void Behaviour(Character& c, int) {
    if (!c.sinking) c.AiUpdate();
}

void ServePath(Character& c, int) {
    if (c.pathRequested) c.ServePathRequest();
}

// Health that reached 0 in the air waits for the landing.
void Death(Character& c, int) {
    if (!c.dead && c.health == 0.0f && !c.airborne) c.Die();
}

void Sounds(Character& c, int) {
    if (g_Settings.sound) c.AnimationSounds();
}

// When the model was posed from its animation, its height settles on flat ground close below the
// root.
void SettleOnGround(Character& c, int) {
    if (!c.model || !c.model->applyRootMotion) return;
    Vec3 root{};
    c.model->ComputeRootMotion(&root, nullptr);
    Vec3 normal{};
    const float ground = c.GroundHeight(root.x, root.y, root.z, nullptr, &normal);
    if (std::fabs(ground - c.position.y) < 1.5f && normal.y >= 0.988f) c.model->heightOffset = ground;
}

constexpr StepRow kSteps[] = {
    {UpdateStep::ClearContacts, Gate::Always, ClearContacts},
    {UpdateStep::Ground, Gate::Always, Ground},
    {UpdateStep::Velocity, Gate::Always, Velocity},
    {UpdateStep::RootDisplacement, Gate::Always, RootDisplacement},
    {UpdateStep::Perception, Gate::Always, [](Character& c, int) { c.UpdatePerception(); }},
    {UpdateStep::States, Gate::Always, [](Character& c, int) { c.UpdateStates(); }},
    {UpdateStep::LevelUpGlow, Gate::Always, [](Character& c, int) { c.UpdateLevelUpGlow(); }},
    {UpdateStep::Physics, Gate::Always, [](Character& c, int) { c.UpdatePhysics(); }},
    // With the hits, on the host, what another machine's player played through and is now due.
    {UpdateStep::MeleeHits, Gate::InFightOfflineOrHost,
     [](Character& c, int) {
         c.MeleeHits();
         PayOwedActions(c, GetTime(CLOCK_MATCH));
     }},
    {UpdateStep::Behaviour, Gate::AliveOfflineRemote, Behaviour},
    {UpdateStep::PathMove, Gate::AliveOfflineRemote, [](Character& c, int) { c.UpdateMove(); }},
    {UpdateStep::JumpFlight, Gate::Alive, [](Character& c, int) { c.UpdateJumpFlight(); }},
    {UpdateStep::CollectItems, Gate::AliveOfflineOrHost, [](Character& c, int) { c.CollectItems(); }},
    {UpdateStep::Powers, Gate::Alive, [](Character& c, int) { c.UpdatePowers(); }},
    {UpdateStep::ScenarioZones, Gate::Always, [](Character& c, int) { c.UpdateScenarioZones(); }},
    {UpdateStep::AnimationEnd, Gate::OfflineOrLocal, [](Character& c, int) { c.UpdateAnimationEnd(); }},
    {UpdateStep::IdleAnimation, Gate::AliveOfflineOrLocal, [](Character& c, int) { c.UpdateIdleAnimation(); }},
    {UpdateStep::BodiesFromAnimation, Gate::InFightOfflineOrHost, [](Character& c, int) { c.SpawnBodiesFromAnimation(); }},
    {UpdateStep::MoveWithCollision, Gate::Always, [](Character& c, int ms) { c.MoveWithCollision(ms); }},
    {UpdateStep::ServePathRequest, Gate::Always, ServePath},
    {UpdateStep::Death, Gate::Always, Death},
    {UpdateStep::AnimationSounds, Gate::Always, Sounds},
    {UpdateStep::PreviousPosition, Gate::Always, [](Character& c, int) { c.previousPosition = c.position; }},
    {UpdateStep::SettleOnGround, Gate::Always, SettleOnGround},
};

bool Passes(Gate gate, const Character& c) {
    const bool offline = IsOffline();
    const bool local = IsLocalFighter(&c);
    const bool alive = !c.dead;
    switch (gate) {
    case Gate::Always: return true;
    case Gate::Alive: return alive;
    case Gate::AliveOfflineOrHost: return alive && (offline || IsHost());
    case Gate::InFightOfflineOrHost: return !c.OutOfTheFight() && (offline || IsHost());
    case Gate::AliveOfflineRemote: return alive && offline && !local;
    case Gate::OfflineOrLocal: return offline || local;
    case Gate::AliveOfflineOrLocal: return alive && (offline || local);
    case Gate::OfflineOrHost: return offline || IsHost();
    }
    return false;
}

UpdateStepObserver g_StepObserver = nullptr;

// The unit downhill direction in the plane of a ground normal; zero on level ground and where it
// falls by less than 0.1 per unit.
Vec3 DownhillOf(const Vec3& n) {
    const Vec3 along = Vec3{n.y * n.x, n.y * n.y - 1.0f, n.y * n.z};
    const float length = Vec3Length(along);
    if (length < 0.000001f) return Vec3{0.0f, 0.0f, 0.0f};
    const Vec3 d = Vec3Scale(along, 1.0f / length);
    return std::fabs(d.y) < 0.1f ? Vec3{0.0f, 0.0f, 0.0f} : d;
}

// One row per detail level from the finest: the camera distance below which it is used and the
// highest minimum level that allows it; then the pose flags of the eighteen bones (the first is
// bone 6, whose children the coarse levels do not pose).
struct DetailRow {
    float below;
    int32_t minimumAtMost;
    uint8_t firstBoneFlags;
    uint8_t otherBoneFlags;
};
constexpr DetailRow kDetailRows[MODEL_LOD_COUNT] = {
    {10.0f, 0, 0, 0},
    {21.0f, 1, 0, BONE_SKIP_NEXT_POSE},
    {32.0f, 2, BONE_STOP_DESCENT, 0},
    {43.0f, 3, BONE_STOP_DESCENT, 0},
    {INFINITY, MODEL_LOD_COUNT, BONE_STOP_DESCENT, 0},
};
constexpr int kDetailBones[] = {6, 8, 10, 12, 14, 16, 18, 24, 26, 28, 30, 33, 36, 38, 44, 46, 48, 50};
static_assert(sizeof kDetailBones / sizeof kDetailBones[0] == 18, "eighteen detail bones");

}  // namespace

void SetUpdateStepObserver(UpdateStepObserver observer) { g_StepObserver = observer; }

bool Character::Update(int frameMs) {
    if (!active) return false;
    for (const StepRow& row : kSteps) {
        if (!Passes(row.gate, *this)) continue;
        if (g_StepObserver) g_StepObserver(*this, row.step);
        row.run(*this, frameMs);
        // A rule may have despawned the fighter (a fall, a leaving player): nothing more of it.
        if (!active) return true;
    }
    return true;
}

void Character::UpdateGround(bool snap) {
    if (!model) return;
    position = Vec3{model->position.x, model->heightOffset, model->position.z};
    yaw = WrapAngle(model->angles.y);
    modelOffset = Vec3{std::sin(yaw) * kModelOffset, 0.0f, std::cos(yaw) * kModelOffset};
    position = Vec3Add(position, modelOffset);

    if (!g_Menu.active) {
        if (PathMap* map = ScenarioPathMap()) {
            CellRef cell = CELL_NONE;
            map->WorldToCell(position, &cell, kCellTolerance);
            if (cell.x != currentCell.x || cell.z != currentCell.z || cell.layer != currentCell.layer) {
                ReleaseCell();
                previousCell = currentCell;
                currentCell = cell;
                OccupyCell();
            }
        }
    }

    if (!snap || airborne || !(IsOffline() || IsLocalFighter(this))) return;
    const float ground = GroundHeight(previousPosition.x, previousPosition.y, previousPosition.z, nullptr, &groundNormal);
    slopeVector = DownhillOf(groundNormal);
    if (ground - position.y < -0.9f) {
        jumpVelocity = Vec3{0.0f, 0.0f, 0.0f};
        airborne = 1;
        model->rootMotion = 0;
        SetAnimation(37, Vec3Length(momentum) > 0.2f ? 0 : 300, 1, 0);
    } else {
        model->heightOffset = ground;
        position.y = ground;
    }
}

float Character::GroundHeight(float x, float y, float z, Vec3* contact, Vec3* normal) {
    const float top = y + 0.6f;
    const SweepVolume probe{{{x - 0.15f, top, z - 0.15f},
                             {x + 0.15f, top, z - 0.15f},
                             {x + 0.15f, top, z + 0.15f},
                             {x - 0.15f, top, z + 0.15f}},
                            {0.0f, -20.0f, 0.0f}};
    Vec3 point{}, n{};
    if (!g_Scene.SweepSphere(probe, &point, &n, COLLISION_GROUND)) return kNoGround;
    if (contact) *contact = point;
    if (normal) *normal = Vec3Length(n) < 0.000001f ? Vec3{0.0f, 0.0f, 0.0f} : Vec3Normalize(n);
    groundContact = 1;
    // A computer fighter whose path leads down off a ledge walks off it and falls.
    if (IsOffline() && !IsLocalFighter(this) && following && waypoints[1].y < position.y - 1.5f &&
        currentCell.x == targetCell.x && currentCell.z == targetCell.z)
        return kNoGround;
    return point.y;
}

void Character::UpdateAnimationEnd() {
    if (!model) return;
    const uint32_t now = GetTime(CLOCK_MATCH);
    if (guarding) {
        if (model->HasAnimationWrapped(kGuardBone)) {
            if (!guardRequest) EndGuard();
            guardRequest = 0;
        }
        if (guarding && now - guardStartTime > MaxGuardTime()) EndGuard();
    }
    if (!model->HasAnimationWrapped(0)) return;
    const int a = currentAnimation;
    if (knockedDown) {
        if (a == 124) {
            SetAnimation(134, 0, 1, 0);
        } else if (!dead && a == 134) {
            const uint32_t lying = IsLocalFighter(this) || IsNetworkActive() ? 6000 : 3000;
            if (now - knockDownTime > lying) SetAnimation(136, 200, 1, 0);
        }
        return;
    }
    // Falls and deaths end lying down; 132 and 133 leave the body turned.
    if (a == 42 || (actionClass == 7 && a < 134)) {
        if (a == 132)
            Turn(-1.1519173f);
        else if (a == 133)
            Turn(1.0995574f);
        SetAnimation(134, 0, 1, 0);
    } else if (a >= 2 && actionClass != 1) {
        SetAnimation(0, 200, 1, 0);
    }
}

uint32_t Character::FramesToMs(int bone, float frames) const {
    if (!model || bone < 0 || bone >= int(model->bones.size()) || !model->bones[size_t(bone)]) return 0;
    const AnimController* c = model->bones[size_t(bone)]->controller;
    // No time for what does not play forward.
    if (!c || !(frames > 0.0f) || !(c->rate > 0.0f)) return 0;
    return uint32_t(frames / c->rate * 1000.0f);
}

void Character::FollowWithAttachedEffect(bool (*follows)(int32_t type)) {
    if (!HoldsAttachedEffect()) return;
    if (!follows(EffectSlotType(attachedEffect)) || !model) return;
    Vec3 p = position;
    if (kUpperBodyBone < int(model->bones.size()) && model->bones[kUpperBodyBone])
        model->bones[kUpperBodyBone]->GetWorldPosition(&p);
    if (model->applyRootMotion) p = Vec3Add(p, rootDisplacement);
    EffectSlotSetPosition(attachedEffect, p);
}

void Character::UpdateLevelUpGlow() {
    if (model && actionClass == ACTION_CLASS_LEVEL_CHANGE && model->AnimationPassedFrame(0, 15.0f)) {
        if (IsLocalFighter(this)) SpawnFlash(600, false);
        // The glow lasts the animation's frames past the 40th; a shorter animation gets none.
        const int32_t glowMs = int32_t(FramesToMs(0, float(model->GetAnimationLength(0) - 40)));
        const Vec3 zero{0.0f, 0.0f, 0.0f};
        const int32_t glow =
            CreateEffect(-1, side == 0 ? 79 : 80, position, position, zero, zero, zero, glowMs, 0.0f, 0, this);
        if (glow != EFFECT_NO_SLOT) {
            attachedEffect = glow;
            EffectSlotStart(glow);
        }
        const Vec3 above = Vec3Add(position, Vec3{0.0f, 1.5f, 0.0f});
        for (int i = 0; i < kLevelUpSparks; ++i) {
            Vec3 from = position;
            from.x += float(Random() % 30001) * 0.001f - 15.0f;
            from.y += float(Random() % 20001) * 0.001f - 5.0f;
            from.z += float(Random() % 30001) * 0.001f - 15.0f;
            Vec3 d{float(Random() % 2001) * 0.001f - 1.0f, float(Random() % 1001) * 0.001f,
                   float(Random() % 2001) * 0.001f - 1.0f};
            const float l = Vec3Length(d);
            d = l < 0.000001f ? zero : Vec3Scale(d, 12.0f / l);
            CreateEffect(-1, 42, from, above, d, zero, zero, EFFECT_ENDLESS, 0.0f, 0, this);
        }
    }
    FollowWithAttachedEffect([](int32_t type) { return type == 79 || type == 80; });
}

void Character::SelectLevelOfDetail() {
    const Camera* camera = g_Scene.camera;
    if (!model || !camera) return;
    const float d = Vec3Length(Vec3Sub(camera->eye, position));
    const int32_t minimum = g_ModelQuality;
    int level = 0;
    while (level < MODEL_LOD_COUNT - 1 &&
           !(d < kDetailRows[level].below && minimum <= kDetailRows[level].minimumAtMost))
        ++level;
    model->lod = uint8_t(level);
    const DetailRow& row = kDetailRows[level];
    for (int b : kDetailBones) {
        if (b >= int(model->bones.size()) || !model->bones[size_t(b)]) continue;
        model->bones[size_t(b)]->poseFlags = b == kDetailBones[0] ? row.firstBoneFlags : row.otherBoneFlags;
    }
}
