// Perception and goal seeking of the computer fighters: nearest-candidate queries over the
// fighter records, the item slots and the match's objects, and the walking goals built on them.
// Every search keeps the first strictly nearer candidate, so the lowest index wins a tie.
#include "fighters/perception.h"

#include <cmath>

#include "effects/effect_slots.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_motion.h"
#include "fighters/match.h"
#include "fighters/roles.h"
#include "world/item.h"
#include "world/path_map.h"

namespace {

constexpr float kCellTolerance = 100.0f;
// Invisible or immune enemies this near are not taken for targets.
constexpr float kHiddenNear = 60.0f;
constexpr float kFleeStep = 5.0f;
constexpr float kFleeShortest = 8.0f;
constexpr float kSymbolStep = 1.0f;
constexpr float kSymbolShortest = 1.5f;
constexpr float kSameSpot = 0.000001f;

bool IsCandidate(const Character& self, const Character& other) {
    return &other != &self && other.active && !other.dead;
}

bool IsInvisible(const Character& c) { return c.states[STATE_INVISIBILITY].active != 0; }

// The fighter's cell can reach the other's: airborne fighters are not tested.
bool StandsReachable(Character& self, const Character& other) {
    const PathMap* map = ScenarioPathMap();
    CellRef cell{};
    if (!map || !map->WorldToCell(other.position, &cell, kCellTolerance)) return false;
    return self.CanReachCell(cell);
}

// The unit vector from a point towards the fighter; zero when they stand together.
Vec3 AwayFrom(const Vec3& from, const Vec3& to) {
    const Vec3 d = Vec3Sub(to, from);
    const float length = Vec3Length(d);
    return length <= kSameSpot ? Vec3{} : Vec3Scale(d, 1.0f / length);
}

}  // namespace

bool AreEnemies(const Character& a, const Character& b) {
    return g_Match.gameKind >= 6 || a.side != b.side;
}

float GoalHeading(float x, float z) {
    float h;
    if (std::fabs(x) < 0.0001f)
        h = z <= 0.0f ? kPi : 0.0f;
    else
        h = std::atan2(x, z);
    if (h < 0.0f) h += 2.0f * kPi;
    return h;
}

Character* Character::NearestFighter(float* distance) {
    Character* best = nullptr;
    float bestDistance = -1.0f;
    for (Character& other : g_Characters) {
        if (!IsCandidate(*this, other)) continue;
        const float d = DistanceTo(&other);
        if (!best || d < bestDistance) {
            best = &other;
            bestDistance = d;
        }
    }
    if (distance) *distance = bestDistance;
    return best;
}

Character* Character::NearestOpponent(float* distance, bool strict) {
    Character* best = nullptr;
    float bestDistance = -1.0f;
    for (Character& other : g_Characters) {
        if (!IsCandidate(*this, other) || !AreEnemies(*this, other)) continue;
        const float d = DistanceTo(&other);
        if (best && d >= bestDistance) continue;
        if (strict) {
            if (!other.airborne && !StandsReachable(*this, other)) continue;
            if (d <= kHiddenNear && (IsInvisible(other) || other.IsImmune())) continue;
        }
        best = &other;
        bestDistance = d;
    }
    if (distance) *distance = bestDistance;
    return best;
}

Character* Character::NearestEnemyInView(float* distance, float largestDistance, float cone) {
    Character* best = nullptr;
    float bestDistance = -1.0f;
    for (Character& other : g_Characters) {
        if (!IsCandidate(*this, other) || !AreEnemies(*this, other)) continue;
        if (IsInvisible(other) || other.IsImmune()) continue;
        const float d = DistanceTo(&other);
        if (d >= largestDistance || (best && d >= bestDistance)) continue;
        const float heading = GoalHeading(other.position.x - position.x, other.position.z - position.z);
        if (YawGap(heading, yaw) >= cone * 0.5f) continue;
        best = &other;
        bestDistance = d;
    }
    if (distance) *distance = bestDistance;
    return best;
}

int Character::CountEnemiesWithin(float distance) {
    int count = 0;
    for (Character& other : g_Characters)
        if (&other != this && other.active && AreEnemies(*this, other) && DistanceTo(&other) < distance) ++count;
    return count;
}

int Character::CountAlliesWithin(float distance) {
    if (g_Match.gameKind >= 6) return 0;
    int count = 0;
    for (Character& other : g_Characters)
        if (&other != this && other.active && other.side == side && DistanceTo(&other) < distance) ++count;
    return count;
}

void Character::UpdatePerception() {
    float d = 0.0f;
    nearestFighter = NearestFighter(&d);
    nearestFighterDistance = nearestFighter ? d : 0.0f;
    nearestEnemy = NearestOpponent(&d, true);
    nearestEnemyDistance = nearestEnemy ? d : 0.0f;
    nearestEnemyLoose = NearestOpponent(&d, false);
    nearestEnemyLooseDistance = nearestEnemyLoose ? d : 0.0f;

    Character* l = lastAttacker;
    if (!l) {
        lastAttackerDistance = 0.0f;
        return;
    }
    bool drop = l->dead || l->currentAnimation == ANIM_FALL_CRY;
    // An attacker out of reach is given up for a reachable enemy that is nearer than it was.
    if (!drop && !following && !l->airborne && !StandsReachable(*this, *l) && nearestEnemy && nearestEnemy != l &&
        nearestEnemyDistance < lastAttackerDistance)
        drop = true;
    if (drop) {
        lastAttacker = nullptr;
        lastAttackerDistance = 0.0f;
    } else {
        lastAttackerDistance = DistanceTo(l);
    }
}

bool Character::GoToPoint(const Vec3& point) {
    const PathMap* map = ScenarioPathMap();
    CellRef cell{};
    if (!map || !map->WorldToCell(point, &cell, kCellTolerance)) return false;
    if (!CanReachCell(cell)) return false;
    return MoveToCell(cell, true);
}

bool Character::FleeFrom(const Character* other, float startDistance) {
    if (!other) return false;
    const Vec3 u = AwayFrom(other->position, position);
    auto along = [&](const Vec3& direction) {
        for (float r = startDistance; r > kFleeShortest; r -= kFleeStep)
            if (GoToPoint(Vec3Add(other->position, Vec3Scale(direction, r)))) return true;
        return false;
    };
    if (along(u)) return true;
    const float h = GoalHeading(u.x, u.z);
    const float turns[] = {kPi / 4.0f, -kPi / 4.0f, kPi / 2.0f, -kPi / 2.0f};
    for (float turn : turns)
        if (along(Vec3{std::sin(h + turn), 0.0f, std::cos(h + turn)})) return true;
    return false;
}

int Character::NearestItemOfType(int type) {
    int best = -1;
    float bestDistance = 0.0f;
    for (int i = 0; i < ITEM_SLOTS; ++i) {
        const Item& item = g_Items[i];
        if (!item.active || !item.present || item.type != type) continue;
        const float d = Vec3Length(Vec3Sub(item.position, position));
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

int Character::NearestReachableItem(int firstType, int lastType, float largestDistance, float largestHeight) {
    const PathMap* map = ScenarioPathMap();
    if (!map) return -1;
    int best = -1;
    float bestDistance = 0.0f;
    for (int i = 0; i < ITEM_SLOTS; ++i) {
        const Item& item = g_Items[i];
        if (!item.active || !item.present || item.type < firstType || item.type > lastType) continue;
        const float d = Vec3Length(Vec3Sub(item.position, position));
        if (d >= largestDistance || std::fabs(item.position.y - position.y) >= largestHeight) continue;
        if (best >= 0 && d >= bestDistance) continue;
        CellRef cell{};
        if (!map->WorldToCell(item.position, &cell, kCellTolerance) || !CanReachCell(cell)) continue;
        best = i;
        bestDistance = d;
    }
    return best;
}

bool Character::GoToNearestItem(int firstType, int lastType, float largestDistance, float largestHeight) {
    const int slot = NearestReachableItem(firstType, lastType, largestDistance, largestHeight);
    return slot >= 0 && GoToPoint(g_Items[slot].position);
}

bool Character::GoToSymbol(int team, float radius) {
    if (team < 0 || team > 1) return false;
    const SymbolRecord& s = g_Match.symbols[team];
    // The mode objects place the symbols; a match without them has none to walk to.
    if (!s.symbol && !s.carrier) return false;
    const Vec3 p = s.symbolPosition;
    if (radius == 0.0f) return GoToPoint(p);
    const Vec3 u = AwayFrom(p, position);
    for (float r = radius; r > kSymbolShortest; r -= kSymbolStep)
        if (GoToPoint(Vec3Add(p, Vec3Scale(u, r)))) return true;
    return false;
}

bool Character::GoToNextCheckpoint(float radius) {
    if (side < 0 || side > 1) return false;
    const int next = g_Match.checkpointsPassed[side];
    // Past the last post there is nothing left to run to.
    if (next < 0 || next >= g_Match.checkpointCount || next >= MATCH_CHECKPOINTS) return false;
    const Vec3 p = g_Match.checkpoints[next].position;
    if (radius == 0.0f) return GoToPoint(p);
    return GoToPoint(Vec3Add(p, Vec3Scale(AwayFrom(p, position), radius)));
}

int Character::NearestSearchObject(float largestHeight) {
    const bool local = IsLocalFighter(this);
    int best = -1;
    float bestDistance = 0.0f;
    for (int i = 0; i < MATCH_SEARCH_OBJECTS; ++i) {
        const int32_t slot = g_Match.searchObjects[i];
        if (slot < 0 || !EffectSlotInUse(slot)) continue;
        if (!local && g_Match.searchObjectHeight[i] > largestHeight) continue;
        const float d = Vec3Length(Vec3Sub(EffectSlotPosition(slot), position));
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

bool Character::GoToSearchObject(int index) {
    if (index < 0 || index >= MATCH_SEARCH_OBJECTS) return false;
    const int32_t slot = g_Match.searchObjects[index];
    return slot >= 0 && EffectSlotInUse(slot) && GoToPoint(EffectSlotPosition(slot));
}
