// The sound cues tied to animation frames: one table for the fighters and the character viewer,
// and the evaluation of one frame's cues against what the last advance crossed.
#pragma once

#include <cstdint>
#include <vector>

constexpr int CUE_NONE = -1;

// A cue's sound: lo when lo == hi, else lo + random mod (hi - lo + 1). lo -1: no sound.
struct CueSound {
    int16_t lo;
    int16_t hi;
};

struct CueRow {
    float frame;
    uint8_t orElse;     // tested only when the row before it (and its chain) did not fire
    int8_t side;        // -1: every side; else only for that one
    CueSound a;         // effects
    CueSound b;         // voices
    CueSound c = {CUE_NONE, CUE_NONE};
};

struct CueSet {
    std::vector<int> animations;
    std::vector<CueRow> rows;
};

// Every animation's cues, in the order the rows are tested.
const std::vector<CueSet>& AnimationCueTable();
// The cue rows of an animation, null when it has none.
const CueSet* FindAnimationCues(int animation);

// The three sound channels of one frame.
struct CueSounds {
    int a = CUE_NONE;
    int b = CUE_NONE;
    int c = CUE_NONE;
};

// Cue C of every animation: the guard pose on its arm bone crossing its frame.
constexpr int CUE_GUARD_BONE = 112;
constexpr int CUE_GUARD_ANIMATION = 43;
constexpr float CUE_GUARD_FRAME = 5.0f;
constexpr int CUE_GUARD_SOUND = 95;

int PickCueSound(const CueSound& s);

// The rows of a set for one side: a row fires when `passed(frame)` says the last advance crossed
// its frame, and a later sound of a channel replaces an earlier one.
template <typename PassedFrame>
CueSounds EvaluateCueRows(const CueSet& set, int side, PassedFrame passed) {
    CueSounds cues;
    // Whether the chain the next "else" row belongs to has already fired.
    bool chainFired = false;
    for (const CueRow& row : set.rows) {
        if (row.side >= 0 && row.side != side) continue;
        if (row.orElse && chainFired) continue;
        chainFired = passed(row.frame);
        if (!chainFired) continue;
        if (row.a.lo >= 0) cues.a = PickCueSound(row.a);
        if (row.b.lo >= 0) cues.b = PickCueSound(row.b);
        if (row.c.lo >= 0) cues.c = PickCueSound(row.c);
    }
    return cues;
}

// The voices of side 1 lie ten numbers further on.
int VoiceForSide(int b, int side);
