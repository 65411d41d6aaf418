// The jump animations and their constants: where each launches, how hard, where its fall is
// checked and where it lands, and what follows the landing frame on the ground.
#pragma once

#include <cstddef>
#include <cstdint>

// How a row's launch strength follows from the root's rate r (frames per second) and gravity g:
// a rise of `amount` over half of `frames` (amount / t - g t / 2 with t = frames / r / 2), or a
// reach of `amount` over `frames`, times `factor`.
enum class JumpLaunch : uint8_t { Rise, Reach };

// What the landing frame on the ground leads to: the jump skips to its end while a move key is
// held, or it stays while the row's direction action is held and stands otherwise.
enum class JumpAfterLanding : uint8_t { SkipWhileMoving, KeepWhileDirectionHeld };

struct JumpRow {
    int32_t animations[3];   // -1 pads
    float launchFrame;       // S
    JumpLaunch launch;
    float amount;
    float frames;
    float factor;
    float fallCheckFrame;    // F
    float landingFrame;      // L
    float heightFactor;      // k
    JumpAfterLanding after;
    int32_t directionAction; // player 0's action slot 0-3; -1 none
};

extern const JumpRow JUMP_ROWS[];
extern const size_t JUMP_ROW_COUNT;

// The row of a jump animation, null for any other.
const JumpRow* FindJumpRow(int animation);
// The launch strength; 0 for a rate that is not forward (no time passes in the animation).
float JumpStrength(const JumpRow& row, float rate, float gravity);
// The height above the ground beyond which the fall check sends the fighter into the fall:
// 1 + k (1 - ((F - S) - h) / h) with h = (L - S) / 2.
float FallCheckHeight(const JumpRow& row);

// The landing of a fall by its speed: the animation and the share of maximum health (times the
// speed, over the constitution) it costs.
struct FallLanding {
    int32_t animation;
    float damageFactor;
};
FallLanding FallLandingFor(float speed, bool localFighter);
