#include "fighters/power_release.h"

#include "common/random.h"
#include "core/clocks.h"
#include "effects/effect_slots.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/combat_events.h"
#include "fighters/match.h"
#include "fighters/power_table.h"
#include "fighters/roles.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/ground.h"
#include "world/world_seams.h"

namespace {

constexpr int kFineLevels = 2;
constexpr int32_t kStateMs = 30000;
constexpr int32_t kStateFadeMs = 1000;
constexpr uint32_t kFlashMs = 600;
constexpr int32_t kNone = -1;

// Side 0's power 9: the cast at the start point, five bolts in a ring dropping away from it, and a
// bolt that ends this far past each enemy near, coloured.
constexpr int32_t kChainCastType = 43;
constexpr int kRingBolts = 5;
constexpr float kRingStep = 1.2566371f;
constexpr float kRingOffset = 0.62831855f;
constexpr float kBoltPast = 10.0f;
constexpr uint32_t kChainColour = 16737280;   // red 255, green 100, blue 0
constexpr float kEnemyAimRaise = 1.0f;
// Side 1's power 9: the cast, then bolts flying off along the facing that seek each enemy near.
constexpr int32_t kSeekCastType = 44;
constexpr float kSeekSpeed = 12.0f;
constexpr float kSeekAimRaise = 0.75f;

// The aim assist aims at the target's middle, put back on the ground where it runs.
constexpr float kAssistRaise = 0.75f;
constexpr float kNoGroundBelow = -1000.0f;
constexpr float kGroundSearchRise = 50.0f;
constexpr float kAirLeadFactor = 1.5f;

int SideOf(const Character& c) { return c.side == 1 ? 1 : 0; }

const AimRow* AimRowOf(int power) {
    for (const AimRow& a : AIM_ROWS)
        if (a.power == power) return &a;
    return nullptr;
}

Vec3 StartPoint(const Character& c, const ReleaseRow& row) {
    switch (row.from) {
    case ReleaseFrom::BoneA: return CastBonePoint(c, CastBone::A);
    case ReleaseFrom::BoneB: return CastBonePoint(c, CastBone::B);
    case ReleaseFrom::BoneC: return CastBonePoint(c, CastBone::C);
    case ReleaseFrom::BoneD: return CastBonePoint(c, CastBone::D);
    case ReleaseFrom::Feet: break;
    }
    return Raised(c.position, row.raise);
}

// What power 9 may strike: alive, visible, another fighter of the other side (of any side in the
// game kinds where each fights for himself).
bool IsBoltVictim(const Character& caster, const Character& other) {
    if (!other.active || other.dead || &other == &caster || other.states[STATE_INVISIBILITY].active) return false;
    return g_Match.gameKind >= 6 || other.side != caster.side;
}

float Spread() { return float(Random() % 1601 - 800) * 0.001f; }

// The ground under the aim point of a target that runs, the point put back on it.
Vec3 OntoGround(Vec3 p) {
    float ground = GetGroundHeight(p.x, p.y, p.z, nullptr);
    if (ground < kNoGroundBelow) ground = GetGroundHeight(p.x, p.y + kGroundSearchRise, p.z, nullptr);
    if (ground >= kNoGroundBelow) p.y = ground + kAssistRaise;
    return p;
}

Vec3 AssistedAimPoint(Character& target, float t) {
    Vec3 p = Raised(target.position, kAssistRaise);
    if (!target.airborne) return OntoGround(Vec3Add(p, target.RunDisplacement(t)));
    // In the air the target keeps flying: where its jump takes it a little later.
    const float lead = kAirLeadFactor * t;
    p = Vec3Add(p, Vec3Scale(target.jumpVelocity, lead));
    p.y += 0.5f * target.Gravity() * lead * lead;
    const float ground = GetGroundHeight(p.x, p.y + kGroundSearchRise, p.z, nullptr);
    if (p.y < ground) p.y = ground + kAssistRaise;
    return p;
}

Vec3 AimPoint(Character& c, const AimRow& aim, int side, const Vec3& start) {
    Character* target = c.attackTarget;
    const float t = c.attackRange * aim.leadPerUnit;
    const bool local = IsLocalFighter(&c);
    if (IsOffline() && !local) {
        if (!target) return Vec3Add(start, Facing(c.yaw));
        Vec3 p = Raised(target->position, aim.targetRaise[side]);
        if (aim.spread) {
            p.x += Spread();
            p.y += Spread();
            p.z += Spread();
        }
        if (aim.leadPerUnit > 0.0f) p = Vec3Add(p, target->RunDisplacement(t));
        return p;
    }
    if (local && aim.assisted && target && g_FighterShellCalls.targetMarker()) return AssistedAimPoint(*target, t);
    return c.aimPoint;
}

EffectRequest Effect(Character& c, int32_t type, const Vec3& start) {
    EffectRequest e;
    e.type = type;
    e.start = start;
    e.durationMs = EffectTypeLifetime(type);
    e.owner = &c;
    return e;
}

void FireAimed(Character& c, int power, int side, int32_t type, const Vec3& start, bool announce) {
    const AimRow* aim = AimRowOf(power);
    if (!aim) return;
    EffectRequest e = Effect(c, type, start);
    e.second = AimPoint(c, *aim, side, start);
    const Vec3 n = UnitOrZero(Vec3Sub(e.second, start));
    e.velocity = Vec3Scale(n, aim->speed);
    if (aim->tilted[side]) e.fifth = Vec3{n.x * n.y, -(n.x * n.x + n.z * n.z), n.y * n.z};
    const int32_t slot = MakeEffect(e, announce);
    if (aim->linksTarget && slot != EFFECT_NO_SLOT) EffectSlotSetTarget(slot, c.attackTarget);
}

void FireStraight(Character& c, int32_t type, const Vec3& start, bool announce) {
    EffectRequest e = Effect(c, type, start);
    const Vec3 f = Facing(c.yaw);
    e.second = Vec3Add(start, f);
    e.velocity = UnitOrZero(f);
    e.fourth = Vec3{0.0f, 1.0f, 0.0f};
    MakeEffect(e, announce);
}

void FireChainBolts(Character& c, int side, int32_t boltType, const Vec3& start, bool announce) {
    const float range = PowerRowOf(side, 9).range;
    MakeEffect(Effect(c, kChainCastType, start), announce);
    for (int i = 0; i < kRingBolts; ++i) {
        const float a = float(i) * kRingStep + c.yaw + kRingOffset;
        EffectRequest e = Effect(c, boltType, start);
        e.second = Vec3Add(start, Vec3Scale(UnitOrZero(Vec3{SinF(a), -1.0f, CosF(a)}), range));
        MakeEffect(e, announce);
    }
    for (Character& other : g_Characters) {
        if (!IsBoltVictim(c, other)) continue;
        const Vec3 q = Raised(other.position, kEnemyAimRaise);
        EffectRequest e = Effect(c, boltType, start);
        e.second = Vec3Add(q, Vec3Scale(UnitOrZero(Vec3Sub(q, start)), kBoltPast));
        e.colour = kChainColour;
        if (Vec3Length(Vec3Sub(e.second, start)) < range + kBoltPast) MakeEffect(e, announce);
    }
}

void FireSeekingBolts(Character& c, int side, int32_t boltType, const Vec3& start, bool announce) {
    const float range = PowerRowOf(side, 9).range;
    MakeEffect(Effect(c, kSeekCastType, start), announce);
    const Vec3 v = Vec3Scale(UnitOrZero(Facing(c.yaw)), kSeekSpeed);
    for (Character& other : g_Characters) {
        if (!IsBoltVictim(c, other) || Vec3Length(Vec3Sub(other.position, start)) >= range) continue;
        EffectRequest e = Effect(c, boltType, start);
        e.second = Raised(other.position, kSeekAimRaise);
        e.velocity = v;
        const int32_t slot = MakeEffect(e, announce);
        if (slot != EFFECT_NO_SLOT) EffectSlotSetTarget(slot, &other);
    }
}

void Fire(Character& c, const ReleaseRow& row, int side) {
    const bool announce = IsNetworkActive();
    const Vec3 start = StartPoint(c, row);
    const int32_t type = row.type[side];
    switch (row.what) {
    case Release::Aimed: FireAimed(c, row.power, side, type, start, announce); break;
    case Release::Straight: FireStraight(c, type, start, announce); break;
    case Release::AtStart: MakeEffect(Effect(c, type, start), announce); break;
    case Release::Unplaced: MakeEffect(Effect(c, type, Vec3{0.0f, 0.0f, 0.0f}), announce); break;
    case Release::Glow: {
        const int32_t glow = MakeEffect(Effect(c, type, start), announce);
        if (glow != EFFECT_NO_SLOT) {
            c.attachedEffect = glow;
            EffectSlotStart(glow);
        }
        break;
    }
    case Release::ChainBolts: FireChainBolts(c, side, type, start, announce); break;
    case Release::SeekingBolts: FireSeekingBolts(c, side, type, start, announce); break;
    }
    if (row.sound[side] != kNone) MakeSound(row.sound[side], row.soundAtStart ? start : c.position, true, announce);
    if (row.pays) c.ChangeEnergy(-c.PowerCost(row.power));
    if (row.state != kNone) c.StartTimedState(row.state, kStateMs, kStateFadeMs);
    if (row.flash && IsLocalFighter(&c)) SpawnFlash(kFlashMs, false);
}

}  // namespace

const CastBoneRow CAST_BONES[4] = {
    {99, 90, 0.0f, 0.0f},
    {79, 70, 0.0f, 0.0f},
    {19, 6, 0.0f, 0.1f},
    {22, 6, 0.07f, 0.1f},
};

Vec3 CastBonePoint(const Character& c, CastBone bone) {
    const CastBoneRow& row = CAST_BONES[int(bone)];
    const bool fine = c.model && c.model->lod < kFineLevels;
    const int index = fine ? row.fine : row.coarse;
    if (!c.model || index >= int(c.model->boneCount) || size_t(index) >= c.model->bones.size() ||
        !c.model->bones[size_t(index)])
        return c.position;
    Vec3 p{};
    c.model->bones[size_t(index)]->GetWorldPosition(&p);
    p.y += fine ? row.fineRaise : row.coarseRaise;
    return p;
}

// power, side, frame, what, types, from, raise, sounds, sound at start, pays, state, flash
const ReleaseRow POWER_RELEASES[] = {
    {0, -1, 3.0f, Release::Aimed, {0, 10}, ReleaseFrom::BoneA, 0.0f, {150, 152}, 1, 1, kNone, 0},
    {0, -1, 8.0f, Release::Aimed, {0, 10}, ReleaseFrom::BoneB, 0.0f, {150, 152}, 1, 1, kNone, 0},
    {1, 0, 11.0f, Release::Unplaced, {1, 1}, ReleaseFrom::Feet, 0.0f, {151, 151}, 0, 1, kNone, 0},
    {1, 1, 19.0f, Release::Straight, {11, 11}, ReleaseFrom::BoneC, 0.0f, {153, 153}, 1, 1, kNone, 0},
    {2, -1, 5.0f, Release::AtStart, {2, 12}, ReleaseFrom::Feet, 1.7f, {220, 220}, 0, 1, kNone, 0},
    {3, -1, 13.0f, Release::Aimed, {3, 13}, ReleaseFrom::BoneA, 0.0f, {221, 227}, 0, 1, kNone, 0},
    {4, 0, 5.0f, Release::AtStart, {4, 4}, ReleaseFrom::Feet, 1.7f, {222, 222}, 0, 1, STATE_AGILITY_BOOST, 0},
    {4, 1, 19.0f, Release::Straight, {14, 14}, ReleaseFrom::BoneC, 0.0f, {223, 223}, 0, 1, kNone, 0},
    {5, -1, 5.0f, Release::AtStart, {5, 15}, ReleaseFrom::Feet, 0.75f, {kNone, kNone}, 0, 1, STATE_INVISIBILITY, 0},
    {6, -1, 19.0f, Release::Straight, {6, 16}, ReleaseFrom::BoneD, 0.0f, {223, 223}, 0, 1, kNone, 0},
    {7, -1, 5.0f, Release::AtStart, {7, 17}, ReleaseFrom::Feet, 0.75f, {kNone, kNone}, 0, 1, STATE_INVULNERABILITY, 0},
    {8, -1, 1.0f, Release::Glow, {71, 73}, ReleaseFrom::Feet, 0.75f, {kNone, kNone}, 0, 0, kNone, 0},
    {8, -1, 13.0f, Release::Aimed, {8, 18}, ReleaseFrom::BoneA, 0.0f, {224, 230}, 0, 1, kNone, 1},
    {9, 0, 5.0f, Release::ChainBolts, {9, 9}, ReleaseFrom::Feet, 2.0f, {225, 225}, 0, 1, kNone, 1},
    {9, 1, 5.0f, Release::SeekingBolts, {19, 19}, ReleaseFrom::Feet, 0.75f, {231, 231}, 0, 1, kNone, 1},
};
const size_t POWER_RELEASE_COUNT = sizeof POWER_RELEASES / sizeof POWER_RELEASES[0];
static_assert(sizeof POWER_RELEASES / sizeof POWER_RELEASES[0] <= 32, "a cast keeps one bit per release row");

// power, speed, target raise by side, spread, lead per unit, assisted, links target, tilted by side
const AimRow AIM_ROWS[3] = {
    {0, 60.0f, {1.0f, 1.0f}, 1, 0.016666668f, 1, 0, {0, 0}},
    {3, 40.0f, {1.0f, 0.5f}, 0, 0.025f, 1, 0, {1, 0}},
    {8, 20.0f, {1.0f, 1.0f}, 1, 0.0f, 0, 1, {0, 0}},
};

uint32_t PendingPowerRows(const Character& c) {
    if (!c.model || !IsPowerIndex(c.currentPower)) return 0;
    const int side = SideOf(c);
    if (c.upperActionClass != ACTION_CLASS_CAST || c.upperAnimation != PowerRowOf(side, c.currentPower).castAnimation) return 0;
    uint32_t rows = 0;
    for (size_t i = 0; i < POWER_RELEASE_COUNT; ++i) {
        const ReleaseRow& row = POWER_RELEASES[i];
        if (row.power != c.currentPower || (row.side != kNone && row.side != side)) continue;
        if (!(c.castReleases >> i & 1u)) rows |= 1u << i;
    }
    return rows;
}

void ReleasePower(Character& c) {
    // Killed in the air, it lets go of nothing more before it lands and dies.
    if (c.OutOfTheFight()) return;
    const uint32_t pending = PendingPowerRows(c);
    for (size_t i = 0; i < POWER_RELEASE_COUNT; ++i) {
        const uint32_t bit = 1u << i;
        if (!(pending & bit) || !c.model->AnimationPassedFrame(BONE_UPPER_BODY, POWER_RELEASES[i].frame)) continue;
        c.castReleases |= bit;
        if (DeferToPace(c, OwedKind::Releases, c.upperAnimation, POWER_RELEASES[i].frame, 0, bit, GetTime(CLOCK_MATCH)))
            continue;
        Fire(c, POWER_RELEASES[i], SideOf(c));
    }
}

void ReleasePowerRows(Character& c, uint32_t rows) {
    if (!c.model) return;
    for (size_t i = 0; i < POWER_RELEASE_COUNT; ++i)
        if (rows >> i & 1u) Fire(c, POWER_RELEASES[i], SideOf(c));
}
