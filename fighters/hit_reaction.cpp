// What a fighter shows and sounds when a hit reaches it, from a melee attack, a thrown prop, a
// power's effect or another machine's event: the knock-back or the reaction animation, the enemy
// it remembers, the sparks and the impact and voice sounds.
#include <cmath>

#include "common/random.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/combat_events.h"
#include "fighters/hit_marks.h"
#include "fighters/roles.h"

namespace {

constexpr int kNoReaction = -1;
constexpr int kBlocked = -2;
constexpr int kImmune = -3;

constexpr int kSideVoiceShift = 6;

// The impact and the victim's voice by reaction code: the base ids and how many follow them
// (chosen at random; 0 none), the voice only while alive where marked.
struct HitSoundRow {
    int32_t first, last;
    int32_t impact, impactCount;
    int32_t voice, voiceCount;
    uint8_t voiceWhileAlive;
};
constexpr HitSoundRow kHitSounds[] = {
    {kImmune, kBlocked, 0, 0, -1, 0, 0},
    {115, 118, 1, 7, 20, 2, 0},
    {119, 124, 8, 6, 22, 2, 1},
    {130, 133, 14, 6, 24, 2, 0},
};

int Pick(int32_t base, int32_t count) { return count > 0 ? base + Random() % count : base; }

bool IsFinite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

void Character::ApplyHit(float damage, const Vec3& point, int reaction, int heavy, Character* attacker) {
    // Events and effects may carry anything: a knock-back that is not finite would stay in the
    // momentum for good.
    if (!std::isfinite(damage) || !IsFinite(point)) return;

    if (reaction == kBlocked)
        momentum = Vec3Add(momentum, Vec3Scale(UnitOrZero(Vec3Sub(position, point)), damage));
    else if (reaction != kImmune && reaction != kNoReaction)
        SetAnimation(reaction, 0, 1, BONE_WHOLE_BODY);

    if (attacker && attacker->side != side && !attacker->dead) lastAttacker = attacker;

    const bool announceEffects = IsNetworkActive() && (IsHost() || IsLocalFighter(this));
    const HitMarks marks = HitMarksOf(reaction, uint32_t(heavy));
    EffectRequest e;
    e.start = e.second = point;
    if (marks.flash) {
        e.type = HIT_FLASH_TYPE;
        e.durationMs = HIT_FLASH_MS;
        MakeEffect(e, announceEffects);
    }
    e.type = HIT_SPARK_TYPE;
    e.durationMs = HIT_SPARK_MS;
    e.scale = marks.sparkScale;
    e.colour = marks.sparkColour;
    MakeEffect(e, announceEffects);

    const bool play = IsOffline() || IsHost();
    const bool announce = IsNetworkActive();
    for (const HitSoundRow& row : kHitSounds) {
        if (reaction < row.first || reaction > row.last) continue;
        MakeSound(Pick(row.impact, row.impactCount), point, play, announce);
        if (row.voice >= 0 && !(row.voiceWhileAlive && dead))
            MakeSound(Pick(row.voice, row.voiceCount) + (side == 1 ? kSideVoiceShift : 0), point, play, announce);
        break;
    }
}
