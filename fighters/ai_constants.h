// The computer behaviour's named distances, times and item lists, in one place.
#pragma once

#include <cstdint>

namespace aiconst {

constexpr float kAiPi = 3.14159265358979f;

// The behaviour's named distances and times.
constexpr float kEngageRange = 55.0f;
constexpr float kCompanionDistance = 7.0f;
constexpr float kCompanionApproach = 3.0f;
constexpr float kHomeRadius = 15.0f;
constexpr float kHomeApproach = 5.0f;
constexpr float kNearBase = 50.0f;
constexpr float kSymbolRadius = 2.0f;
constexpr float kCurseFleeRadius = 30.0f;
constexpr uint32_t kStuckMs = 1000;
constexpr uint32_t kInvalidCellMs = 1500;
constexpr float kJumpUpLimit = 7.0f;
constexpr float kPushSpeed = 5.5f;
constexpr float kPushAngle = 2.7488937f;
constexpr float kStuckMove = 1.0f;
constexpr int kJumpUp = 33;
constexpr int kJumpShort = 32;
constexpr float kMeleeRange = 20.0f;
constexpr float kMeleeHeight = 1.0f;
constexpr float kCastRange = 50.0f;
constexpr float kCastCone = 1.2217305f;
constexpr float kCrowdRange = 50.0f;
constexpr float kSearchReach = 12.0f;
constexpr float kSearchSeen = 20.0f;
constexpr float kSearchStandOff = 17.0f;
constexpr float kSearchWaitNear = 25.0f;
constexpr float kSearchUnder = 5.0f;
constexpr float kSearchWalkNear = 30.0f;
constexpr float kAirStepPerMs = 0.003f;
constexpr float kGreedNearPath = 20.0f;
constexpr int kSupportChance = 11;

// Credit items (types 20-23) searched in widening rings, the most valuable first.
struct Ring {
    float radius, height;
};
constexpr Ring kCreditRings[] = {{50, 10}, {100, 10}, {100, 40}, {200, 100}, {1000, 1000}};
// The items a fighter goes for when it has nothing better to do, in order.
struct ItemGoal {
    int first, last;
};
constexpr ItemGoal kBoostItems[] = {{50, 51}, {13, 14}, {8, 12}};
constexpr float kItemRange = 100.0f;
constexpr float kItemHeight = 30.0f;

}  // namespace aiconst
