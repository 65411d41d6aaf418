// The computer-controlled behaviour: each frame the fighter is unstuck, the defence reflex
// reacts, and the decision list of the game kind runs afresh. Nothing is planned beyond the
// remembered opponent, the unsticking stamps and the path movement's own flags.
#include <cmath>

#include "common/random.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/ai_constants.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_motion.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/movement.h"
#include "fighters/perception.h"
#include "fighters/roles.h"
#include "world/path_map.h"

namespace {

using namespace aiconst;

float Distance(const Vec3& a, const Vec3& b) { return Vec3Length(Vec3Sub(a, b)); }

}  // namespace

void Character::AiUpdate() {
    const PathMap* map = ScenarioPathMap();
    const uint32_t now = GetTime(CLOCK_MATCH);
    if (!airborne && map) {
        if (following) {
            if (!map->IsValidCell(currentCell)) {
                if (!SameCell(invalidCell, currentCell)) {
                    invalidCell = currentCell;
                    invalidCellTime = now;
                } else if (now - invalidCellTime > kInvalidCellMs) {
                    requestedGoalCell = finalCell;
                    RecentreOnCell();
                    invalidCellTime = now;
                }
            }
            if (actionClass == 1) {
                if (Distance(position, stuckPosition) > kStuckMove) {
                    stuckPosition = position;
                    stuckTime = now;
                }
                if (now - stuckTime > kStuckMs) {
                    const bool step = !SameCell(targetCell, currentCell) && map->IsValidCell(targetCell) &&
                                      map->GetLayer(targetCell)->floor - position.y < kJumpUpLimit;
                    if (step) {
                        SetAnimation(kJumpUp, 0, 1, BONE_WHOLE_BODY);
                    } else {
                        requestedGoalCell = finalCell;
                        RecentreOnCell();
                    }
                }
            } else {
                stuckTime = now;
            }
        }
        if (Vec3Length(momentum) > kPushSpeed && YawGap(MotionYaw(momentum), yaw) > kPushAngle)
            SetAnimation(kJumpUp, 0, 1, BONE_WHOLE_BODY);
    }

    AiDefend();

    if (!g_Settings.test || g_Settings.computerControl) {
        AiThink();
        return;
    }
    // Testing without computer control: slot 1 goes where the mouse sends it.
    if (slot != 1 || !g_FighterShellCalls.controlMode || g_FighterShellCalls.controlMode() != 0) return;
    CellRef cell{};
    Vec3 point{};
    if (g_FighterShellCalls.clickedMapCell && g_FighterShellCalls.clickedMapCell(&cell))
        MoveToCell(cell, true);
    else if (g_FighterShellCalls.clickedWorldPoint && g_FighterShellCalls.clickedWorldPoint(&point))
        SetPosition(point.x, point.y, point.z, false);
}

void Character::Engage(Character* opponent, float distance) {
    if (!opponent) return;
    attackTarget = opponent;
    attackRange = distance;
    if (distance <= kMeleeRange && std::fabs(opponent->position.y - position.y) <= kMeleeHeight)
        AiMelee(opponent, distance);
    else
        AiRanged(opponent, distance);
}

void Character::OpportunisticCast() {
    float d = 0.0f;
    Character* e = NearestEnemyInView(&d, kCastRange, kCastCone);
    if (!e || !HasLineOfSight(e)) return;
    const int k = ChoosePower(e);
    if (k == -1) return;
    attackTarget = e;
    StartPower(k);
}

void Character::AiUseSupportPowers() {
    if (health < 0.25f * maxHealth && energy >= 0.5f * maxEnergy) {
        StartPower(2);
        return;
    }
    if (states[STATE_INVULNERABILITY].active || states[STATE_INVISIBILITY].active || states[STATE_SUPER].active) return;
    const int e = CountEnemiesWithin(kCrowdRange);
    const int a = CountAlliesWithin(kCrowdRange);
    if (e < 2 || a >= e) return;
    const int k = Random() % 2 == 0 ? 7 : 5;
    if (PowerCost(k) * 1.5f < energy) StartPower(k);
}

bool Character::AiSeekItems() {
    if (IsHeadingForItemType(3, 4)) return true;
    const bool enemyNear = nearestEnemy && nearestEnemyDistance < kEngageRange;
    if (health < 0.1f * maxHealth) {
        if (!(enemyNear && nearestEnemy->health <= health) && GoToNearestItem(3, 4, kItemRange, kItemHeight))
            return true;
    }
    if (enemyNear) return false;
    if (following || pathRequested) return true;
    if (energy < maxEnergy / 3.0f && GoToNearestItem(6, 7, kItemRange, kItemHeight)) return true;
    if (!states[STATE_INVISIBILITY].active && !IsImmune())
        for (const ItemGoal& g : kBoostItems)
            if (GoToNearestItem(g.first, g.last, kItemRange, kItemHeight)) return true;
    if (behaviourRole == 2) return false;
    return GoToNearestItem(20, 23, 50.0f, 10.0f);
}
