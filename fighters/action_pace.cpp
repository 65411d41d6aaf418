#include "fighters/action_pace.h"

#include <algorithm>

#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/jump_table.h"
#include "fighters/power_release.h"
#include "fighters/power_table.h"
#include "net/game_ops.h"
#include "net/session.h"
#include "scene/animation.h"
#include "scene/character_model.h"

uint32_t PaceClock::TimeOf(float frame) const {
    if (rate <= 0.0f) return start;
    return start + uint32_t(std::max(frame - entry, 0.0f) / rate * 1000.0f);
}

bool IsStrikeAnimation(int animation) {
    const int cls = ActionClassOf(animation);
    return cls == 3 || cls == 4 || cls == 9;
}

const AttackChain GROUND_ATTACK_CHAINS[4] = {
    {52, 17.0f, 53, 5.0f}, {51, 11.0f, 52, 4.0f}, {50, 6.0f, 51, 4.0f}, {57, 19.0f, 58, 5.0f}};
const AttackChain JUMP_ATTACK_CHAINS[2] = {{64, 17.0f, 65, 4.0f}, {63, 15.0f, 64, 4.0f}};

namespace {

// The attacks that go on from a jump where it stands, at most this far in.
struct ContinuedAttack {
    int32_t attack;
    float limit;
    int32_t jumps[3];   // -1: no more
};
constexpr ContinuedAttack kContinuedAttacks[] = {
    {73, 25.0f, {30, 31, 37}}, {74, 25.0f, {30, 31, 37}}, {75, 5.0f, {32, 33, -1}}, {76, 5.0f, {32, 33, -1}}};

// Jumps, then falls.
constexpr int kFirstFall = 37;
bool IsAirborneAnimation(int animation) { return animation >= 30 && animation <= 39; }

const AttackChain* ChainOf(int from, int to) {
    for (const AttackChain& k : GROUND_ATTACK_CHAINS)
        if (k.from == from && k.to == to) return &k;
    for (const AttackChain& k : JUMP_ATTACK_CHAINS)
        if (k.from == from && k.to == to) return &k;
    return nullptr;
}

float Frames(const Character& c, int animation) {
    if (!c.model) return 0.0f;
    const Animation* a = GetAnimation(c.model->animationGroup, animation);
    return a ? float(a->length) : 0.0f;
}

// The frame at which the attack starts and when its machine could have begun it. A chain's step
// skips the first frames. A jump's attack goes on from the jump at the jump's own frame, so the
// jump's frames are the attack's first ones: it is paced from the jump.
float AttackEntry(const Character& c, int animation, uint32_t now, uint32_t* since) {
    *since = now;
    if (c.pace.held)
        if (const AttackChain* k = ChainOf(c.pace.clock.animation, animation)) return k->startFrame;
    for (const ContinuedAttack& a : kContinuedAttacks) {
        if (a.attack != animation) continue;
        for (int32_t jump : a.jumps) {
            if (jump < 0 || jump != c.currentAnimation) continue;
            if (!c.pace.airborneSince || int32_t(now - c.pace.airborneSince) < 0) return a.limit;
            *since = c.pace.airborneSince;
            return 0.0f;
        }
    }
    return 0.0f;
}

// The frame of the last action a fair machine must reach before the next can start. An action
// runs to its end, but a chain's next step cuts an attack short and an attack cuts short a cast
// that plays over the legs.
float LeaveFrame(const Character& c, int next) {
    const ActionPace& p = c.pace;
    if (IsStrikeAnimation(next)) {
        if (p.overLegs) return 0.0f;
        if (const AttackChain* k = ChainOf(p.clock.animation, next)) return k->pastFrame;
    }
    return Frames(c, p.clock.animation);
}

bool Take(Character& c, int animation, float entry, float rate, bool overRun, bool overLegs, uint32_t since,
          uint32_t now) {
    ActionPace& p = c.pace;
    const uint32_t packet = g_GamePacket.receivedPackets;
    uint32_t start = since;
    if (p.held) {
        const uint32_t earliest = p.clock.TimeOf(LeaveFrame(c, animation));
        if (int32_t(earliest - now) > int32_t(PaceCreditMs(c, p.takenPacket == packet))) return false;
        if (int32_t(earliest - start) > 0) start = earliest;
    }
    p.left = p.held ? p.clock : PaceClock{};
    p.clock = PaceClock{start, animation, entry, rate};
    p.takenPacket = packet;
    p.held = 1;
    p.overRun = overRun ? 1 : 0;
    p.overLegs = overLegs ? 1 : 0;
    p.powerOwed = 0;
    return true;
}

void CarryOut(Character& c, const OwedAction& o) {
    if (!c.model) return;
    switch (o.kind) {
    case OwedKind::Hits: {
        // The hit is the last action's: the record of the one playing now stays as it is.
        const uint8_t record = c.attackHits;
        for (int k = 0; k < 2; ++k)
            if (o.what >> k & 1u) c.LandHit(o.row, k);
        c.attackHits = record;
        break;
    }
    case OwedKind::Body: c.ThrowBody(o.row); break;
    case OwedKind::Releases: ReleasePowerRows(c, o.what); break;
    case OwedKind::None: break;
    }
}

// Kept until it is due; carried out now when it is, or when every record is taken.
void Owe(Character& c, const OwedAction& o, uint32_t now) {
    if (int32_t(o.due - now) > 0)
        for (OwedAction& held : c.pace.owed)
            if (held.kind == OwedKind::None) {
                held = o;
                return;
            }
    CarryOut(c, o);
}

}  // namespace

uint32_t PaceCreditMs(const Character& c, bool samePacket) {
    if (samePacket) return PACE_CREDIT_MS;
    return PACE_CREDIT_MS + LinkLateBoundMs(FighterOwner(c.slot));
}

float ClaimedCastEnergy(const Character& c) {
    const auto cost = [&c](uint32_t rows) {
        float sum = 0.0f;
        for (size_t i = 0; i < POWER_RELEASE_COUNT; ++i)
            if ((rows >> i & 1u) && POWER_RELEASES[i].pays) sum += c.PowerCost(POWER_RELEASES[i].power);
        return sum;
    };
    float claimed = cost(PendingPowerRows(c));
    for (const OwedAction& o : c.pace.owed)
        if (o.kind == OwedKind::Releases) claimed += cost(o.what);
    return claimed;
}

float TellableFrame(const Character& c, int bone, uint32_t now) {
    if (!c.model) return -1.0f;
    float most = c.model->GetAnimationFrame(bone);
    // Another bone plays no action of its own.
    const int animation = bone == BONE_WHOLE_BODY ? c.currentAnimation : bone == BONE_UPPER_BODY ? c.upperAnimation : -1;
    const ActionPace& p = c.pace;
    if (p.held && animation >= 0 && p.clock.animation == animation) {
        float played = p.clock.entry;
        if (p.clock.rate > 0.0f && int32_t(now - p.clock.start) > 0)
            played += float(now - p.clock.start) * p.clock.rate / 1000.0f;
        most = std::max(most, played);
    }
    // A jump that lands sooner than its animation is set to its landing frame.
    if (bone == BONE_WHOLE_BODY && IsAirborneAnimation(animation) && animation < kFirstFall)
        if (const JumpRow* row = FindJumpRow(animation)) most = std::max(most, row->landingFrame);
    return most;
}

bool TakePacedCast(Character& c, int k, uint32_t now, bool byAnimation) {
    if (!IsPowerIndex(k) || c.OutOfTheFight()) return false;
    const PowerRow& row = PowerRowOf(c.side == 1 ? 1 : 0, k);
    ActionPace& p = c.pace;
    // The repeat's animation and its power in one packet: one cast, no frame between them.
    if (!byAnimation && p.held && p.powerOwed && p.clock.animation == row.castAnimation &&
        p.takenPacket == g_GamePacket.receivedPackets) {
        p.powerOwed = 0;
        return true;
    }
    // A cast goes over the legs in the air, and over the run where its power may; over the run it
    // plays at the run's rate.
    const bool overRun = c.actionClass == ACTION_CLASS_RUN && row.upperBodyCast;
    if (!Take(c, row.castAnimation, 0.0f, c.ActionRate(overRun), overRun, overRun || c.airborne, now, now))
        return false;
    p.powerOwed = byAnimation ? 1 : 0;
    return true;
}

bool TakePacedAttack(Character& c, int animation, uint32_t now) {
    if (!IsStrikeAnimation(animation) || c.OutOfTheFight()) return false;
    uint32_t since = now;
    const float entry = AttackEntry(c, animation, now, &since);
    return Take(c, animation, entry, c.ActionRate(false), false, false, since, now);
}

void CatchUpPace(Character& c, int next, int layer, uint32_t now) {
    ActionPace& p = c.pace;
    // A jump's attack starts at the frame the jump or fall plays, which starts again at each.
    if (layer == BONE_WHOLE_BODY) p.airborneSince = !IsAirborneAnimation(next) ? 0 : now ? now : 1;
    const int cls = ActionClassOf(next);
    // Its machine jumps only from a stand or a run. A hit, a fall, a death, an entry or a level
    // change may have cut it short instead.
    const bool jump = IsAirborneAnimation(next) && next < kFirstFall;
    if (!(cls == 0 || cls == ACTION_CLASS_RUN || cls == ACTION_CLASS_CAST || jump || IsStrikeAnimation(next))) return;
    // Each frame no sooner than the player's machine could have played it; an action the pace
    // does not know of, at once.
    const auto dueAt = [&p, now](int animation, float frame) {
        const PaceClock& a = p.held && p.clock.animation == animation ? p.clock : p.left;
        return a.animation == animation && a.rate > 0.0f ? a.TimeOf(frame) : now;
    };
    if (layer == BONE_WHOLE_BODY) {
        int row = -1;
        float frames[2] = {};
        const uint8_t hits = c.PendingHits(&row, frames);
        for (int k = 0; k < 2; ++k) {
            if (!(hits >> k & 1u)) continue;
            c.attackHits = uint8_t(c.attackHits | 1u << k);
            Owe(c, OwedAction{dueAt(c.currentAnimation, frames[k]), OwedKind::Hits, int8_t(row), 1u << k}, now);
        }
        float frame = 0.0f;
        row = c.PendingThrow(&frame);
        if (row >= 0) {
            c.attackHits = uint8_t(c.attackHits | 1u);
            Owe(c, OwedAction{dueAt(c.currentAnimation, frame), OwedKind::Body, int8_t(row), 0}, now);
        }
    }
    // A cast over the running legs goes on under what the legs do, and an attack cuts it short.
    if (layer == BONE_UPPER_BODY ? cls <= ACTION_CLASS_RUN || cls == ACTION_CLASS_CAST : !c.split) {
        const uint32_t rows = PendingPowerRows(c);
        c.castReleases |= rows;
        for (size_t i = 0; i < POWER_RELEASE_COUNT; ++i)
            if (rows >> i & 1u)
                Owe(c, OwedAction{dueAt(c.upperAnimation, POWER_RELEASES[i].frame), OwedKind::Releases, 0, 1u << i},
                    now);
    }
}

bool DeferToPace(Character& c, OwedKind kind, int animation, float frame, int8_t row, uint32_t what, uint32_t now) {
    const PaceClock& k = c.pace.clock;
    if (!c.pace.held || k.animation != animation || k.rate <= 0.0f) return false;
    const uint32_t due = k.TimeOf(frame) - PACE_CREDIT_MS;
    if (int32_t(due - now) <= 0) return false;
    Owe(c, OwedAction{due, kind, row, what}, now);
    return true;
}

void PayOwedActions(Character& c, uint32_t now) {
    for (OwedAction& o : c.pace.owed) {
        if (o.kind == OwedKind::None || int32_t(now - o.due) < 0) continue;
        const OwedAction due = o;
        o.kind = OwedKind::None;
        CarryOut(c, due);
    }
}

void RetimePace(Character& c, uint32_t now) {
    ActionPace& p = c.pace;
    if (!p.held) return;
    PaceClock& k = p.clock;
    const float rate = c.ActionRate(p.overRun != 0);
    if (rate == k.rate || rate <= 0.0f) return;
    // What has played by now stays played.
    if (int32_t(now - k.start) > 0 && k.rate > 0.0f) {
        k.entry += float(now - k.start) * k.rate / 1000.0f;
        k.start = now;
    }
    k.rate = rate;
}

void ForgetPace(Character& c, bool owedToo) {
    ActionPace fresh{};
    if (!owedToo) std::copy(std::begin(c.pace.owed), std::end(c.pace.owed), fresh.owed);
    c.pace = fresh;
}

void ForgetPace(int slot) {
    if (slot >= 0 && slot < MAX_CHARACTERS) ForgetPace(g_Characters[slot]);
}
