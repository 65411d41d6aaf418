// What the local fighter control needs beyond Control itself: the calls into the fighters, their
// models, the scenario's ray query, the match and the game packet, gathered so that tests can
// stand in for them, and the network send timers.
#pragma once

#include <cstdint>

#include "common/math.h"

class Character;

constexpr int POWER_NONE = -1;
constexpr int CHARGE_MAX_MS = 600;
constexpr float AIM_RAY_LENGTH = 500.0f;
constexpr uint32_t AIM_RAY_MASK = 7;

struct FighterCalls {
    void (*setAnimation)(Character* c, int animation, int blendMs, int flag, int layer);
    void (*setAnimationTime)(Character* c, float frame, int layer);
    void (*turn)(Character* c, float deltaYaw);
    void (*setPosition)(Character* c, const Vec3& position);
    void (*update)(Character* c, int frameMs);
    bool (*hasLineOfSight)(Character* c, Character* target);
    float (*distanceTo)(Character* c, Character* other);
    uint32_t (*maxGuardTime)(Character* c);
    void (*startGuard)(Character* c);
    bool (*findIncomingEffect)(Character* c, Vec3* point);
    bool (*willBeHitBy)(Character* c, Character* attacker);
    bool (*canUsePower)(Character* c, int k);
    void (*startPower)(Character* c, int k);
    float (*modelYaw)(Character* c);
    void (*turnModel)(Character* c, float deltaYaw);
    void (*setModelAlpha)(Character* c, int alpha);
    bool (*passedFrame)(Character* c, int bone, float frame);
    bool (*animationWrapped)(Character* c, int bone);
    float (*boneFrame)(Character* c, int bone);
    bool (*scenarioRayQuery)(const Vec3& origin, const Vec3& direction, float length, Vec3* hit, uint32_t mask,
                             Character** character, Character* excluded);
    // The holder named by a side's symbol record, and whether its carried flag is set.
    Character* (*symbolHolder)(int side, bool* carried);
    Character* (*cursedFighter)();
    void (*writeSetCharge)(Character* c);
    void (*writeSetPosition)(Character* c);
    void (*writeSetYaw)(Character* c);
    void (*writeSetTarget)(Character* c);
    void (*writeSetAimPoint)(Character* c);
    bool (*networkActive)();
    uint32_t (*matchTime)();    // clock 0
    int (*random)();
};
extern FighterCalls g_FighterCalls;
void ResetFighterCalls();

// Clock-0 times at which the 50 ms and 200 ms send intervals last restarted.
extern uint32_t g_SendTimer50, g_SendTimer200;
void ResetLocalControl();
