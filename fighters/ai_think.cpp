// The computer fighters' decision lists, one per game kind, run afresh every frame. A decision
// that engages an opponent ends the list; most others end with the opportunistic cast.
#include <cmath>

#include "common/random.h"
#include "effects/effect_slots.h"
#include "fighters/ai_constants.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/movement.h"
#include "fighters/perception.h"
#include "world/path_map.h"

namespace {

using namespace aiconst;

Character* Local() { return g_FighterShellCalls.localFighter ? g_FighterShellCalls.localFighter() : nullptr; }

float TurnStep() {
    return 2.0f * kAiPi * (g_FighterShellCalls.frameSeconds ? g_FighterShellCalls.frameSeconds() : 0.0f);
}

float Distance(const Vec3& a, const Vec3& b) { return Vec3Length(Vec3Sub(a, b)); }

bool Reachable(Character& self, const Character& other) {
    const PathMap* map = ScenarioPathMap();
    CellRef cell{};
    return map && map->WorldToCell(other.position, &cell, 100.0f) && self.CanReachCell(cell);
}

// A carrier that can be fought: in the air, or standing where the fighter can go.
bool CanFight(Character& self, Character& carrier) { return carrier.airborne || Reachable(self, carrier); }

void EngageNearest(Character& c) { c.Engage(c.nearestEnemy, c.nearestEnemyDistance); }

// Follows the local player, fighting what it faces. With no local player it attacks instead.
void Companion(Character& c, bool turnToEnemyBase) {
    Character* local = Local();
    if (local->nearestEnemy && local->nearestEnemyDistance < kEngageRange) {
        c.Engage(local->nearestEnemy, local->nearestEnemyDistance);
        return;
    }
    if (c.following) return;
    if (turnToEnemyBase && c.AiSeekItems()) return;
    if (c.DistanceTo(local) > kCompanionDistance) {
        c.MoveToward(local, kCompanionApproach);
    } else if (turnToEnemyBase) {
        const Vec3& home = g_Match.symbols[1 - c.side].pedestalPosition;
        c.TurnTowards(TurnStep(), home.x, home.y, home.z);
    } else if (local->nearestEnemy) {
        const Vec3& e = local->nearestEnemy->position;
        c.TurnTowards(TurnStep(), e.x, e.y, e.z);
    }
}

bool SymbolExists(const SymbolRecord& s) { return s.symbol || s.carrier; }

void StealTheSymbol(Character& c) {
    const int own = c.side == 1 ? 1 : 0, other = 1 - own;
    SymbolRecord& mine = g_Match.symbols[own];
    SymbolRecord& theirs = g_Match.symbols[other];
    // The mode objects place the symbols; without them only the roles' fallbacks remain.
    const bool haveMine = SymbolExists(mine), haveTheirs = SymbolExists(theirs);
    const float dOwn = Distance(c.position, mine.symbolPosition);
    const float dEnemy = Distance(c.position, theirs.symbolPosition);

    auto fightCarrier = [&]() {
        if (CanFight(c, *mine.carrier)) {
            c.Engage(mine.carrier, dOwn);
        } else {
            EngageNearest(c);
            c.OpportunisticCast();
        }
    };

    if (haveTheirs && theirs.carrier == &c) {
        if (haveMine && mine.carrier) {
            fightCarrier();
        } else {
            c.GoToSymbol(own, mine.atHome ? kSymbolRadius : 0.0f);
            c.OpportunisticCast();
        }
        return;
    }
    if (haveMine && !mine.atHome && dOwn < kEngageRange) {
        if (!mine.carrier) {
            c.GoToSymbol(own, 0.0f);
            c.OpportunisticCast();
        } else {
            fightCarrier();
        }
        return;
    }
    if (haveTheirs && !theirs.carrier && dEnemy < kEngageRange) {
        c.GoToSymbol(other, theirs.atHome ? kSymbolRadius : 0.0f);
        c.OpportunisticCast();
        return;
    }

    int role = c.behaviourRole;
    if (role == 2 && !Local()) role = 0;
    switch (role) {
        case 0: {
            Character* mate = haveTheirs ? theirs.carrier : nullptr;
            if (mate && mate->side == c.side) {
                c.Engage(mate->nearestEnemy, mate->nearestEnemyDistance);
            } else if (haveTheirs && theirs.atHome) {
                if (!c.AiSeekItems()) c.GoToSymbol(other, kSymbolRadius);
            } else if (haveTheirs) {
                c.GoToSymbol(other, 0.0f);
            } else {
                c.AiSeekItems();
            }
            break;
        }
        case 1:
            if (haveMine && mine.carrier) {
                fightCarrier();
                return;
            }
            if (haveMine && !mine.atHome) {
                c.GoToSymbol(own, 0.0f);
            } else if (haveMine && dOwn < kNearBase && c.nearestEnemy && c.nearestEnemyDistance < kEngageRange) {
                EngageNearest(c);
                return;
            } else if (!c.AiSeekItems()) {
                if (haveMine && dOwn > kHomeRadius) {
                    c.GoToSymbol(own, kHomeApproach);
                } else if (!c.following) {
                    const Vec3& home = theirs.pedestalPosition;
                    c.TurnTowards(TurnStep(), home.x, home.y, home.z);
                }
            }
            break;
        case 2:
            Companion(c, true);
            break;
        default:
            break;
    }
    c.OpportunisticCast();
}

void Greed(Character& c) {
    const bool pathNear = (c.following || c.pathRequested) &&
                          Distance(c.waypoints[WAYPOINT_FINAL], c.position) <= kGreedNearPath;
    if (!pathNear) c.GoToNearestItem(20, 23, 10.0f, 5.0f);
    if (!c.following && !c.pathRequested && !c.IsHeadingForItemType(20, 23)) {
        bool found = false;
        for (const Ring& r : kCreditRings)
            for (int type = 23; type >= 20 && !found; --type)
                found = c.GoToNearestItem(type, type, r.radius, r.height);
    }
    c.OpportunisticCast();
}

void Search(Character& c, int frameMs) {
    int i = c.NearestSearchObject(kSearchReach);
    if (i < 0) i = c.NearestSearchObject(kSearchSeen);
    if (i < 0) {
        c.OpportunisticCast();
        return;
    }
    const Vec3 p = EffectSlotPosition(g_Match.searchObjects[i]);
    const float h = g_Match.searchObjectHeight[i];
    const float d3 = Distance(p, c.position);
    const float dh = std::hypot(p.x - c.position.x, p.z - c.position.z);
    if (h > kSearchReach) {
        if (c.nearestEnemy && c.nearestEnemyDistance < kEngageRange) {
            EngageNearest(c);
            return;
        }
        if (!c.following && d3 > kSearchWaitNear) {
            const Vec3 away = dh > 0.0f ? Vec3{(c.position.x - p.x) / dh, 0.0f, (c.position.z - p.z) / dh} : Vec3{};
            c.GoToPoint(Vec3Add(p, Vec3Scale(away, kSearchStandOff)));
        }
    } else if (dh < kSearchUnder) {
        if (c.airborne) {
            if (d3 > 1.0f) {
                if (p.y - c.position.y > 1.0f) c.StartGuard();
                const float step = kAirStepPerMs * float(frameMs);
                c.SetPosition(c.position.x + std::sin(c.yaw) * step, c.position.y, c.position.z + std::cos(c.yaw) * step,
                              true);
                c.TurnTowards(TurnStep(), p.x, p.y, p.z);
            }
        } else {
            c.following = 0;
            c.SetAnimation(p.y - c.position.y < dh ? kJumpShort : kJumpUp, 0, 1, BONE_WHOLE_BODY);
        }
    } else if (!c.following || d3 < kSearchWalkNear) {
        c.GoToSearchObject(i);
    }
    c.OpportunisticCast();
}

void Curse(Character& c) {
    Character* cursed = g_Match.cursedFighter;
    // Before the first curse there is nobody to chase or guard.
    if (!cursed) {
        c.OpportunisticCast();
        return;
    }
    const float d = c.DistanceTo(cursed);
    if (cursed == &c) {
        if (c.nearestEnemy) {
            c.MoveToward(c.nearestEnemy, 0.0f);
            if (c.nearestEnemyDistance > kHomeRadius) c.OpportunisticCast();
        }
        return;
    }
    if (!AreEnemies(c, *cursed)) {
        if (cursed->nearestEnemy && cursed->nearestEnemyDistance < kEngageRange) {
            c.Engage(cursed->nearestEnemy, cursed->nearestEnemyDistance);
        } else if (!c.following && !c.AiSeekItems()) {
            if (d > 10.0f)
                c.MoveToward(cursed, kHomeApproach);
            else
                c.TurnTowards(TurnStep(), cursed->position.x, cursed->position.y, cursed->position.z);
        }
        return;
    }
    if (d > 20.0f) {
        if (c.following) return;
        if (d <= kNearBase && !cursed->dead && !cursed->states[STATE_INVISIBILITY].active) {
            if (!cursed->IsImmune() && d < kEngageRange) {
                c.Engage(cursed, d);
                return;
            }
            if (c.nearestEnemy && c.nearestEnemy != cursed && c.nearestEnemyDistance < kEngageRange) {
                EngageNearest(c);
                return;
            }
        }
    }
    if (d <= kCurseFleeRadius) {
        const bool fleeing = c.following && Distance(c.waypoints[WAYPOINT_FINAL], cursed->position) > d;
        if (!fleeing && c.FleeFrom(cursed, kCurseFleeRadius)) return;
        if (!c.following && d > kHomeApproach) c.Engage(cursed, d);
    }
}

void Annihilation(Character& c) {
    if (c.AiSeekItems()) return;
    int role = c.behaviourRole;
    if (role == 2 && !Local()) role = 0;
    if (role == 0) {
        Character* o = c.nearestEnemy;
        float d = c.nearestEnemyDistance;
        if (c.lastAttacker && c.lastAttackerDistance < kNearBase) {
            o = c.lastAttacker;
            d = c.lastAttackerDistance;
        }
        c.Engage(o, d);
    } else if (role == 2) {
        Companion(c, false);
    }
}

}  // namespace

void Character::AiThink() {
    if (g_Match.state != MATCH_PLAYING) return;
    const int kind = g_Match.gameKind;
    if ((kind == 0 || kind == 4 || kind == 5) && g_FighterShellCalls.secondTick && g_FighterShellCalls.secondTick() &&
        Random() % kSupportChance == 0)
        AiUseSupportPowers();
    switch (kind) {
        case 0: StealTheSymbol(*this); break;
        case 1:
            GoToNextCheckpoint(0.0f);
            OpportunisticCast();
            break;
        case 2: Greed(*this); break;
        case 3: Search(*this, g_FighterShellCalls.frameMs ? g_FighterShellCalls.frameMs() : 0); break;
        case 4: Curse(*this); break;
        case 5: Annihilation(*this); break;
        default: break;
    }
}
