// Combat choices of the computer fighters: the defence reflex (parry a melee hit about to land,
// block a bolt), the melee decision and the ranged approach. Attacks are chosen by where their
// hit point will be at the hit frame, predicted from the animation's root motion.
#include <cmath>

#include "common/random.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_motion.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/perception.h"
#include "fighters/power_table.h"
#include "fighters/side_table.h"
#include "render/geometry.h"
#include "scene/animation.h"
#include "scene/character_model.h"
#include "world/path_map.h"

namespace {

// Where a hit lands on a fighter: this near horizontally, between the feet and this high.
constexpr float kHitReach = 0.75f;
constexpr float kHitHeight = 1.5f;
constexpr float kLyingHitHeight = 0.4f;
// The parry is at its own frame 4 as the hit lands.
constexpr float kParryFrame = 4.0f;
constexpr int kBlock = 149;
constexpr int kKnockDownReaction = 124;
// The level tiers of the reflexes and choices.
constexpr int kSkilledLevel = 29;
constexpr int kMasterLevel = 59;

constexpr int kJumpBack = 34;
constexpr int kThrowAnimation = 150;
constexpr int kThrowBlendMs = 200;
constexpr int kTauntBlendMs = 200;
constexpr int kFirstMelee = 50;
constexpr int kLastMelee = 72;
constexpr int kLyingAttacks[2] = {77, 78};
constexpr uint32_t kSlowAttackGapMs = 1000;
constexpr float kKeepDistance = 5.0f;
constexpr float kCloseRange = 2.0f;
constexpr float kThrowCone = 0.2f;
constexpr float kRangedLead = 35.0f;
constexpr float kRangedFar = 45.0f;
constexpr float kRangedHeight = 30.0f;

// Classes the defence reflex runs in.
bool DefendsInClass(int cls) {
    return cls == 0 || cls == 1 || cls == 3 || cls == 4 || cls == 5 || cls == 6 || cls == 8 || cls == 12;
}

// The parry that answers a reaction code; -1 none.
int ParryFor(int reaction) {
    switch (reaction) {
        case 115: return 140;
        case 119: return 143;
        case 130: return 146;
        default: return -1;
    }
}

struct Combo {
    int from;
    float pastFrame;
    int next;
};
constexpr Combo kCombos[] = {{52, 12.0f, 53}, {51, 8.0f, 52}, {50, 7.0f, 51},
                             {57, 20.0f, 58}, {64, 14.0f, 65}, {63, 16.0f, 64}};

enum class Condition { None, NotFrozen, NotFrozenDownOrThrown, NotParalysedOrPoisoned };
struct PowerChoice {
    int power;
    float minimum;
    float cone;
    Condition condition;
};
constexpr float kAround = 6.2831855f;
constexpr PowerChoice kSide0Powers[] = {
    {9, 2.0f, kAround, Condition::None},         {8, 15.0f, kAround, Condition::None},
    {6, 1.0f, 0.34906587f, Condition::NotFrozen}, {3, 2.0f, 0.34906587f, Condition::NotFrozenDownOrThrown},
    {1, 2.0f, 1.5707964f, Condition::None},      {0, 3.0f, 1.0471976f, Condition::None},
};
constexpr PowerChoice kSide1Powers[] = {
    {9, 8.0f, kAround, Condition::None},
    {8, 15.0f, kAround, Condition::None},
    {6, 1.0f, 0.34906587f, Condition::NotParalysedOrPoisoned},
    {4, 1.0f, 0.34906587f, Condition::NotParalysedOrPoisoned},
    {3, 15.0f, 1.0471976f, Condition::None},
    {1, 1.0f, 0.34906587f, Condition::None},
    {0, 3.0f, 1.0471976f, Condition::None},
};

bool ConditionHolds(Condition c, const Character& o) {
    const auto on = [&](int s) { return o.states[s].active != 0; };
    switch (c) {
        case Condition::NotFrozen: return !on(STATE_FREEZE);
        case Condition::NotFrozenDownOrThrown: return !on(STATE_FREEZE) && !o.knockedDown && o.actionClass != 7;
        case Condition::NotParalysedOrPoisoned: return !on(STATE_PARALYSIS) && !on(STATE_POISONING);
        case Condition::None: break;
    }
    return true;
}

// A point lands on the fighter: near horizontally, above the feet and below the height.
bool LandsOn(const Vec3& p, const Character& c, float height) {
    const float dx = p.x - c.position.x, dz = p.z - c.position.z;
    return std::sqrt(dx * dx + dz * dz) <= kHitReach && p.y > c.position.y && p.y < c.position.y + height;
}

float HorizontalDistance(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dz = a.z - b.z;
    return std::sqrt(dx * dx + dz * dz);
}

// The signed gap from a to b folded into (-pi, pi].
float SignedGap(float a, float b) {
    float d = std::fmod(a - b, kTwoPi);
    if (d > kPi) d -= kTwoPi;
    if (d <= -kPi) d += kTwoPi;
    return d;
}

const AttackRow* RowOf(const Character& c, int row) {
    if (row < 0 || row >= ATTACK_ROWS) return nullptr;
    return &(c.sideRow ? *c.sideRow : g_SideTable[c.side == 1 ? 1 : 0]).attacks[row];
}

bool Settled(const Character& c) { return c.idleStart == GetTime(CLOCK_MATCH); }

}  // namespace

bool Character::RootDisplacement(Vec3* out, int animation, float fromFrame, float toFrame) const {
    if (!out || !model || toFrame < fromFrame) return false;
    const Animation* a = GetAnimation(model->animationGroup, animation);
    if (!a) return false;
    Vec3 p0{}, p1{};
    if (!a->SampleNodePosition(0, fromFrame, &p0, true) || !a->SampleNodePosition(0, toFrame, &p1, true)) return false;
    *out = Vec3Sub(p1, p0);
    return true;
}

bool Character::AttackHitPoint(Vec3* out, int animation) const {
    int row = -1;
    float hitFrame = -1.0f;
    if (!out || !GetAttackRow(ActionClassOf(animation), animation, &row, &hitFrame, nullptr)) return false;
    Vec3 v{};
    // An animation the model lacks has no root motion to predict from: no point.
    if (!RootDisplacement(&v, animation, 0.0f, hitFrame)) return false;
    *out = Vec3TransformCoord(Vec3Add(v, RowOf(*this, row)->hits[0].point), model->poseMatrix);
    return true;
}

bool Character::WillBeHitBy(Character* attacker, float* hitFrame, int* row, int* hitIndex) {
    if (!attacker || !attacker->model || (attacker->actionClass != 3 && attacker->actionClass != 4)) return false;
    int index = -1;
    float frames[2] = {-1.0f, -1.0f};
    if (!attacker->GetAttackRow(attacker->actionClass, attacker->currentAnimation, &index, &frames[0], &frames[1]))
        return false;
    const float f = attacker->model->GetAnimationFrame(BONE_WHOLE_BODY);
    const int k = f > frames[0] ? 1 : 0;
    if (frames[k] < 0.0f || f > frames[k]) return false;
    Vec3 v{};
    if (!attacker->RootDisplacement(&v, attacker->currentAnimation, f, frames[k])) return false;
    const Vec3 p = Vec3TransformCoord(Vec3Add(v, RowOf(*attacker, index)->hits[k].point), attacker->model->poseMatrix);
    if (!LandsOn(p, *this, kHitHeight)) return false;
    if (hitFrame) *hitFrame = frames[k];
    if (row) *row = index;
    if (hitIndex) *hitIndex = k;
    return true;
}

bool Character::WillBeHitBy(Character* attacker) { return WillBeHitBy(attacker, nullptr, nullptr, nullptr); }

bool Character::FindIncomingEffect(int* slotOut) {
    for (int32_t s = 0; s < EFFECT_SLOT_COUNT; ++s) {
        if (!EffectSlotInUse(s) || !EffectSlotIsPlain(s)) continue;
        const int32_t type = EffectSlotType(s);
        if (type != 0 && type != 10) continue;
        const Character* owner = EffectSlotOwner(s);
        if (!owner || owner == this) continue;
        const Vec3 v = EffectSlotVelocity(s);
        const float speed = Vec3Length(v);
        if (speed <= 0.0f) continue;
        Ray ray{Vec3Scale(v, 1.0f / speed), EffectSlotPosition(s)};
        Vec3 point{}, normal{};
        // A third of a second of flight.
        if (!IntersectRay(ray, speed / 3.0f, &point, &normal)) continue;
        if (slotOut) *slotOut = s;
        return true;
    }
    return false;
}

bool Character::FindIncomingEffect(Vec3* point) {
    int s = -1;
    if (!FindIncomingEffect(&s)) return false;
    if (point) *point = EffectSlotPosition(s);
    return true;
}

void Character::AiDefend() {
    if (knockedDown || IsImmune() || g_Settings.difficulty == 0 || !DefendsInClass(actionClass)) return;

    int effect = -1;
    if (FindIncomingEffect(&effect)) {
        const Vec3 e = EffectSlotPosition(effect);
        const float towards = HeadingTo(position.x - e.x, position.z - e.z);
        if (YawGap(std::fmod(yaw + kPi, kTwoPi), towards) < kPi / 4.0f) {
            if (actionClass != 8)
                SetAnimation(kBlock, 0, 1, BONE_WHOLE_BODY);
            else if (model && model->GetAnimationFrame(BONE_WHOLE_BODY) > kParryFrame)
                SetAnimationTime(kParryFrame, BONE_WHOLE_BODY);
            return;
        }
    }

    for (Character& attacker : g_Characters) {
        if (&attacker == this || !attacker.active) continue;
        float hitFrame = -1.0f;
        int row = -1, k = 0;
        if (!WillBeHitBy(&attacker, &hitFrame, &row, &k)) continue;
        const float frame = attacker.model->GetAnimationFrame(BONE_WHOLE_BODY);
        // Too early: a later frame answers.
        if (hitFrame - frame > kParryFrame) return;
        const int reaction = RowOf(attacker, row)->hits[k].reaction;
        if (reaction == kKnockDownReaction) continue;
        int parry = ParryFor(reaction);
        if (parry < 0) continue;
        const float d = SignedGap(yaw, HeadingTo(attacker.position.x - position.x, attacker.position.z - position.z));
        if (std::fabs(d) <= kPi / 4.0f) {
        } else if (d > kPi / 4.0f && d < 3.0f * kPi / 4.0f) {
            parry += 2;
        } else if (d < -kPi / 4.0f && d > -3.0f * kPi / 4.0f) {
            parry += 1;
        } else {
            continue;
        }

        bool started;
        if (level >= kMasterLevel) {
            started = SetAnimation(parry, 0, 0, BONE_WHOLE_BODY);
        } else if (level >= kSkilledLevel) {
            started = SetAnimation(parry, 0, 1, BONE_WHOLE_BODY);
            if (!started && model && model->GetAnimationFrame(BONE_WHOLE_BODY) < kParryFrame)
                started = SetAnimation(parry, 0, 0, BONE_WHOLE_BODY);
        } else {
            started = SetAnimation(parry, 0, 1, BONE_WHOLE_BODY);
        }
        if (started) SetAnimationTime(frame - (hitFrame - kParryFrame), BONE_WHOLE_BODY);
        return;
    }
}

int Character::ChooseMeleeAttack(Character* o) {
    if (!o || airborne) return -1;
    if (o->knockedDown) {
        const int a = kLyingAttacks[Random() % 2];
        Vec3 p{};
        return AttackHitPoint(&p, a) && LandsOn(p, *o, kLyingHitHeight) ? a : -1;
    }
    int best = -1;
    float bestDistance = 0.0f;
    for (int a = kFirstMelee; a <= kLastMelee; ++a) {
        if (a == lastAttackAnimation) continue;
        Vec3 p{};
        if (!AttackHitPoint(&p, a) || !LandsOn(p, *o, kHitHeight)) continue;
        const float d = HorizontalDistance(p, o->position);
        if (best < 0) {
            best = a;
            bestDistance = d;
        } else if (d < bestDistance && (Random() & 1) == 0) {
            best = a;
            bestDistance = d;
        }
    }
    return best;
}

int Character::ChoosePower(Character* o) {
    if (!o) return -1;
    const float d = DistanceTo(o);
    const bool side1 = side == 1;
    const PowerChoice* list = side1 ? kSide1Powers : kSide0Powers;
    const size_t count = side1 ? std::size(kSide1Powers) : std::size(kSide0Powers);
    for (size_t i = 0; i < count; ++i) {
        const PowerChoice& e = list[i];
        if (!(PowerRowOf(side1 ? 1 : 0, e.power).range - 1.0f > d && d > e.minimum)) continue;
        if (!CanUsePower(e.power) || !IsFacing(o, e.cone)) continue;
        if (o->states[STATE_INVULNERABILITY].active || !ConditionHolds(e.condition, *o)) continue;
        return e.power;
    }
    return -1;
}

void Character::Throw() {
    throwCharge = 0;
    SetAnimation(kThrowAnimation, kThrowBlendMs, 1, BONE_WHOLE_BODY);
}

void Character::AiRanged(Character* o, float d) {
    if (!o) return;
    if (!following) TurnTowards(kTwoPi * g_FighterShellCalls.frameSeconds(), o->position.x, o->position.y, o->position.z);
    if (std::fabs(o->position.y - position.y) <= kRangedHeight && CanUsePower(0) && HasLineOfSight(o)) {
        if (d > kRangedFar) MoveToward(o, kRangedLead);
        const int k = ChoosePower(o);
        if (k != -1) StartPower(k);
    } else {
        MoveToward(o, 0.0f);
    }
}

void Character::AiMelee(Character* o, float d) {
    if (!o || !model) return;
    const bool locomotion = actionClass == 1 && currentAnimation < 23;
    if (!(actionClass == 0 || actionClass == 3 || actionClass == 4 || actionClass == 5 || actionClass == 8 ||
          actionClass == 12 || locomotion))
        return;

    if (actionClass == 3 && level >= kSkilledLevel) {
        for (const Combo& c : kCombos)
            if (currentAnimation == c.from && model->AnimationPassedFrame(BONE_WHOLE_BODY, c.pastFrame)) {
                SetAnimation(c.next, 0, 1, BONE_WHOLE_BODY);
                break;
            }
    }

    if (actionClass == 0 || locomotion) {
        const float oFrame = o->model ? o->model->GetAnimationFrame(BONE_WHOLE_BODY) : 0.0f;
        const bool attacking =
            level >= kSkilledLevel && (o->actionClass == 3 || o->actionClass == 4) && !(oFrame > o->AttackHitFrame());
        const float gap = YawGap(o->yaw, HeadingTo(position.x - o->position.x, position.z - o->position.z));
        const bool facing = gap < kPi / 3.0f;
        const bool behind = gap > kPi / 2.0f;
        const bool settled = Settled(*this);

        if (actionClass == 0 && !settled) {
            const bool fightingKind = g_Match.gameKind == 5 || g_Match.gameKind == 6;
            if (fightingKind && Random() % 8 == 0) {
                if (Random() % 2 == 0) {
                    const int taunt = Random() % 2 == 0 ? 105 + Random() % 3 : 110 + Random() % 3;
                    if (taunt != lastTauntAnimation) SetAnimation(taunt, kTauntBlendMs, 1, BONE_WHOLE_BODY);
                } else if (level >= kMasterLevel && IsFacing(o, kThrowCone)) {
                    Throw();
                }
            } else if (HasLineOfSight(o)) {
                const int k = ChoosePower(o);
                if (k != -1) StartPower(k);
            }
        }

        if (actionClass == 0 || (actionClass == 1 && currentAnimation <= 22)) {
            const float keep = !o->knockedDown && settled && !behind && facing ? kKeepDistance : 0.0f;
            if (d > keep + 2.0f) MoveToward(o, keep);
        }

        const PathMap* map = ScenarioPathMap();
        const bool openCell = map && map->InBounds(o->currentCell.x, o->currentCell.z) && map->CellFlags(o->currentCell) == 0;
        if (openCell) {
            bool allowed = o->knockedDown || !settled || attacking || !facing || behind || d < kCloseRange;
            if (!allowed) allowed = level >= kSkilledLevel && (o->actionClass == 0 || o->actionClass == 8);
            if (level < kSkilledLevel && GetElapsed(CLOCK_MATCH, attackStartTime) < kSlowAttackGapMs) allowed = false;
            if (allowed && !(o->actionClass == 7 && !o->knockedDown)) {
                const int a = ChooseMeleeAttack(o);
                if (a != -1) {
                    StopMoving();
                    SetAnimation(a, 0, 1, BONE_WHOLE_BODY);
                }
            }
        }

        if (d < kCloseRange && attacking && facing && actionClass < 2 && Random() % 3 == 0)
            SetAnimation(kJumpBack, 0, 0, BONE_WHOLE_BODY);
    }

    if (!following && currentAnimation != 175 && currentAnimation != 176)
        TurnTowards(kTwoPi * g_FighterShellCalls.frameSeconds(), o->position.x, o->position.y, o->position.z);
}
