// Melee attacks: the attack row of the animation played, the hit frames it crosses, the fighter
// at the hit point, whether it blocked, and the damage and experience of the hit. What the victim
// shows and hears is ApplyHit's (hit_reaction.cpp).
#include <cmath>

#include "common/random.h"
#include "core/clocks.h"
#include "fighters/action_pace.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/combat_events.h"
#include "fighters/roles.h"
#include "net/session.h"
#include "scene/character_model.h"

namespace {

constexpr int kFirstAttackClass = 3;
constexpr int kSecondAttackClass = 4;
// Row index = animation - this, by side for the second group.
constexpr int kFirstGroupBase = 50;
constexpr int kSecondGroupBase[2] = {50, 62};

constexpr float kReach = 0.75f;
constexpr float kBodyHeight = 1.5f;

constexpr int kNoReaction = -1;
constexpr int kBlocked = -2;
constexpr int kImmune = -3;
constexpr int kLying = 124;
constexpr int kHeavyFirst = 130, kHeavyLast = 133;

constexpr float kGuardFrame = 4.0f;
constexpr float kGuardWindow = 3.0f;
constexpr int kFrontGuards[] = {140, 143, 146, 149};
constexpr int kLeftGuards[] = {142, 145, 148};    // hit from the side with d above pi/4
constexpr int kRightGuards[] = {141, 144, 147};   // hit from the other side

constexpr float kThird = 0.33333334f;
constexpr float kBlockedShare = 0.1f;
constexpr int32_t kSparkType = 42;
constexpr float kSparksPerExperience = 3.0f;
constexpr float kSparkSpeed = 12.0f;
constexpr float kSparkRaise = 0.75f;

bool IsAttackClass(int c) { return c == kFirstAttackClass || c == kSecondAttackClass; }

template <size_t N>
bool OneOf(int v, const int (&set)[N]) {
    for (int s : set)
        if (s == v) return true;
    return false;
}

// The first other fighter, in slot order, whose body holds the point.
Character* FighterAt(const Character& attacker, const Vec3& p) {
    for (Character& c : g_Characters) {
        if (!c.active || &c == &attacker) continue;
        const float dx = c.position.x - p.x, dz = c.position.z - p.z;
        if (std::sqrt(dx * dx + dz * dz) < kReach && c.position.y < p.y && p.y < c.position.y + kBodyHeight) return &c;
    }
    return nullptr;
}

// The hit's reaction code as the victim takes it: immune, lying, blocked or by the side it came
// from.
int Reaction(const Character& attacker, const Character& victim, int base) {
    if (victim.IsImmune()) return kImmune;
    if (base == kLying) return victim.knockedDown ? kLying : kNoReaction;
    if (victim.knockedDown || base == kNoReaction) return kNoReaction;
    const float frame = victim.model ? victim.model->GetAnimationFrame(0) : -1.0f;
    const bool inTime = !attacker.states[STATE_FREEZE].active && std::fabs(frame - kGuardFrame) < kGuardWindow;
    const float bearing =
        HeadingTo(attacker.position.x - victim.position.x, attacker.position.z - victim.position.z);
    const float d = AngleDifference(bearing, victim.yaw);
    const int guard = victim.currentAnimation;
    if (std::fabs(d) <= kPi / 4.0f) return inTime && OneOf(guard, kFrontGuards) ? kBlocked : base;
    if (d > kPi / 4.0f && d < 3.0f * kPi / 4.0f) return inTime && OneOf(guard, kLeftGuards) ? kBlocked : base + 3;
    if (d < -kPi / 4.0f && d > -3.0f * kPi / 4.0f) return inTime && OneOf(guard, kRightGuards) ? kBlocked : base + 2;
    return base + 1;
}

float Deviation() { return float(Random() % 2001 - 1000) * 0.001f; }

// Damage to the victim, experience to the attacker and its sparks flying from the hit to him.
void Score(Character& attacker, Character& victim, float damageValue, const Vec3& p, int reaction) {
    const float ratio = attacker.EffectiveStrength() / victim.EffectiveConstitution();
    // Statistics that give no strength ratio deal nothing rather than NaN health.
    if (!std::isfinite(ratio) || !(ratio > 0.0f)) return;
    float damage = 0.0f, experience = 0.0f;
    if (reaction >= 0) {
        damage = 2.0f * damageValue * ratio;
        experience = 2.0f * (damageValue / ratio) * kThird;
    } else if (reaction == kBlocked) {
        damage = kBlockedShare * damageValue * ratio;
        experience = (kBlockedShare * damageValue / ratio) * kThird;
    }
    if (damage > 0.0f) victim.ChangeHealth(-damage, &attacker);
    if (!(experience > 0.0f)) return;
    attacker.AddExperience(experience, &victim);
    const int sparks = int(experience * kSparksPerExperience);
    EffectRequest spark;
    spark.type = kSparkType;
    spark.start = p;
    spark.second = Raised(attacker.position, kSparkRaise);
    spark.owner = &attacker;
    for (int i = 0; i < sparks; ++i) {
        const float a = Deviation();
        const float c = float(Random() % 1001) * 0.001f;
        const float e = Deviation();
        spark.velocity = Vec3Scale(UnitOrZero(Vec3{a, c, e}), kSparkSpeed);
        MakeEffect(spark, false);
    }
}

}  // namespace

bool Character::GetAttackRow(int cls, int animation, int* row, float* hit1Frame, float* hit2Frame) const {
    if (row) *row = -1;
    if (hit1Frame) *hit1Frame = -1.0f;
    if (hit2Frame) *hit2Frame = -1.0f;
    if (!IsAttackClass(cls)) return false;
    const int s = side == 1 ? 1 : 0;
    const int index = animation - (cls == kFirstAttackClass ? kFirstGroupBase : kSecondGroupBase[s]);
    // Only a row naming the very animation: ids past the rows, or landing on another group's row,
    // have no hits.
    if (index < 0 || index >= ATTACK_ROWS) return false;
    const AttackRow& r = (sideRow ? *sideRow : g_SideTable[s]).attacks[index];
    if (r.animation != animation) return false;
    if (row) *row = index;
    if (hit1Frame) *hit1Frame = r.hits[0].frame;
    if (hit2Frame) *hit2Frame = r.hits[1].frame;
    return true;
}

float Character::AttackHitFrame() const {
    float frame = -1.0f;
    GetAttackRow(actionClass, currentAnimation, nullptr, &frame, nullptr);
    return frame;
}

void Character::MeleeHits() {
    int index = -1;
    float frames[2] = {-1.0f, -1.0f};
    if (!model || !GetAttackRow(actionClass, currentAnimation, &index, &frames[0], &frames[1])) return;
    int k = -1;
    for (int i = 0; i < 2 && k < 0; ++i)
        if (frames[i] >= 0.0f && !(attackHits >> i & 1u) && model->AnimationPassedFrame(BONE_WHOLE_BODY, frames[i]))
            k = i;
    if (k < 0) return;
    if (DeferToPace(*this, OwedKind::Hits, currentAnimation, frames[k], int8_t(index), 1u << k, GetTime(CLOCK_MATCH))) {
        attackHits = uint8_t(attackHits | 1u << k);
        return;
    }
    LandHit(index, k);
}

uint8_t Character::PendingHits(int* row, float frames[2]) {
    frames[0] = frames[1] = -1.0f;
    if (!model || !GetAttackRow(actionClass, currentAnimation, row, &frames[0], &frames[1])) return 0;
    uint8_t pending = 0;
    for (int k = 0; k < 2; ++k)
        if (frames[k] >= 0.0f && !(attackHits >> k & 1u)) pending = uint8_t(pending | 1u << k);
    return pending;
}

void Character::LandHit(int index, int k) {
    attackHits = uint8_t(attackHits | 1u << k);
    const AttackHit& hit = (sideRow ? *sideRow : g_SideTable[side == 1 ? 1 : 0]).attacks[index].hits[k];
    const Vec3 p = Vec3TransformCoord(hit.point, model->poseMatrix);
    Character* victim = FighterAt(*this, p);
    if (!victim) return;

    const int reaction = Reaction(*this, *victim, hit.reaction);
    if (!victim->dead && reaction != kNoReaction && reaction != kImmune) Score(*this, *victim, hit.damage, p, reaction);
    const int heavy = hit.reaction >= kHeavyFirst && hit.reaction <= kHeavyLast ? 2 : 0;
    // Another machine's fighter shows the hit where it is played.
    if (IsNetworkActive() && !IsLocalFighter(victim))
        g_GamePacket.WriteApplyHit(victim->slot, slot, hit.damage, p, reaction, uint32_t(heavy));
    else
        victim->ApplyHit(hit.damage, p, reaction, heavy, this);
}
