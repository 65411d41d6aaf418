#include "fighters/jump_table.h"

namespace {

constexpr JumpAfterLanding kSkip = JumpAfterLanding::SkipWhileMoving;
constexpr JumpAfterLanding kKeep = JumpAfterLanding::KeepWhileDirectionHeld;
constexpr float kHardLanding = 17.0f;
constexpr float kRoughLanding = 12.0f;

}  // namespace

const JumpRow JUMP_ROWS[] = {
    {{30, 73, 74}, 25, JumpLaunch::Rise, 2, 27, 1.0f, 44, 52, 2.3f, kSkip, -1},
    {{31, -1, -1}, 17, JumpLaunch::Rise, 4, 40, 1.0f, 43, 57, 4.4f, kSkip, -1},
    {{32, 75, 76}, 0, JumpLaunch::Reach, 10, 25, 0.71f, 18, 25, 1.9f, kKeep, 0},
    {{33, -1, -1}, 0, JumpLaunch::Reach, 13, 40, 1.0f, 31, 40, 4.8f, kKeep, 0},
    {{34, -1, -1}, 8, JumpLaunch::Reach, 6, 22, 0.71f, 25, 30, 1.2f, kKeep, 1},
    {{35, -1, -1}, 2, JumpLaunch::Reach, 6, 21, 0.71f, 21, 23, 1.2f, kKeep, 3},
    {{36, -1, -1}, 2, JumpLaunch::Reach, 6, 21, 0.71f, 21, 23, 1.2f, kKeep, 2},
};
const size_t JUMP_ROW_COUNT = sizeof JUMP_ROWS / sizeof JUMP_ROWS[0];

const JumpRow* FindJumpRow(int animation) {
    if (animation < 0) return nullptr;
    for (const JumpRow& row : JUMP_ROWS)
        for (int32_t a : row.animations)
            if (a == animation) return &row;
    return nullptr;
}

float JumpStrength(const JumpRow& row, float rate, float gravity) {
    if (!(rate > 0.0f)) return 0.0f;
    const float seconds = row.frames / rate;
    if (row.launch == JumpLaunch::Reach) return row.amount / seconds * row.factor;
    const float t = seconds * 0.5f;
    return (row.amount / t - gravity * t / 2.0f) * row.factor;
}

float FallCheckHeight(const JumpRow& row) {
    const float h = (row.landingFrame - row.launchFrame) / 2.0f;
    return 1.0f + row.heightFactor * (1.0f - ((row.fallCheckFrame - row.launchFrame) - h) / h);
}

FallLanding FallLandingFor(float speed, bool localFighter) {
    if (speed > kHardLanding) return {42, 1.5f};
    if (speed > kRoughLanding) return {41, 0.05f};
    return {localFighter ? 0 : 40, 0.0f};
}
