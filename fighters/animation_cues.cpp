// The animation sound cues as data. Channel A carries effects and footsteps, B voices, C the
// one further sound a row may add.
#include "fighters/animation_cues.h"

#include "common/random.h"

namespace {

constexpr CueSound kNone{-1, -1};
constexpr CueSound kStep{70, 79};   // a footstep

constexpr CueSound Fx(int id) { return CueSound{int16_t(id), int16_t(id)}; }
constexpr CueSound Any(int lo, int hi) { return CueSound{int16_t(lo), int16_t(hi)}; }

constexpr CueRow A(float frame, CueSound a) { return CueRow{frame, 0, -1, a, kNone}; }
constexpr CueRow A(float frame, int id) { return A(frame, Fx(id)); }
constexpr CueRow B(float frame, CueSound b) { return CueRow{frame, 0, -1, kNone, b}; }
constexpr CueRow B(float frame, int id) { return B(frame, Fx(id)); }
constexpr CueRow AB(float frame, int a, CueSound b) { return CueRow{frame, 0, -1, Fx(a), b}; }
constexpr CueRow ElseA(float frame, CueSound a) { return CueRow{frame, 1, -1, a, kNone}; }
constexpr CueRow ElseA(float frame, int id) { return ElseA(frame, Fx(id)); }
constexpr CueRow ElseB(float frame, int id) { return CueRow{frame, 1, -1, kNone, Fx(id)}; }
constexpr CueRow SideA(int side, float frame, CueSound a) { return CueRow{frame, 0, int8_t(side), a, kNone}; }
constexpr CueRow SideB(int side, float frame, CueSound b) { return CueRow{frame, 0, int8_t(side), kNone, b}; }
constexpr CueRow BC(float frame, int b, int c) { return CueRow{frame, 0, -1, kNone, Fx(b), Fx(c)}; }

// Per animation, in the order the rows are tested.
const std::vector<CueSet> kCueTable = {
    {{2, 3}, {SideA(1, 12, kStep), SideB(1, 23, kStep), SideA(0, 8, kStep), SideB(0, 15, kStep)}},
    {{4}, {A(12, 102), A(57, 103)}},
    {{5}, {A(18, 105)}},
    {{6}, {A(20, kStep), ElseA(30, kStep), ElseA(40, kStep), ElseA(50, kStep), ElseA(60, kStep)}},
    {{7}, {A(12, 105)}},
    {{9}, {A(52, 102), A(82, 104), ElseA(86, 104)}},
    {{10},
     {A(20, 95), ElseA(34, 95), ElseA(44, 95), ElseA(50, 95), ElseA(57, 95), ElseA(62, 95), ElseA(68, 95),
      ElseA(74, 95), ElseA(80, 95), ElseA(87, 95), ElseA(92, 95), ElseA(98, 95), ElseA(107, 95), A(115, kStep)}},
    {{11}, {A(25, 100), A(73, 101)}},
    {{12},
     {A(64, 113), B(104, 113), A(108, 115), B(124, 114), A(124, kStep), B(132, kStep), A(139, kStep),
      B(146, kStep)}},
    {{13}, {A(40, 119), A(116, 118)}},
    {{14}, {A(42, 104), ElseA(52, 104), ElseA(62, 104)}},
    {{15}, {A(8, 111), A(110, kStep), A(112, kStep)}},
    {{16}, {A(30, 104), ElseA(80, 104)}},
    {{17}, {A(2, 112)}},
    {{18}, {A(14, 110), A(18, kStep), ElseA(48, kStep)}},
    {{19}, {A(42, 116), B(62, 117), ElseB(72, 117), ElseB(82, 117)}},
    {{20}, {A(2, kStep), ElseA(14, kStep)}},
    {{21, 156}, {A(4, kStep), ElseA(15, kStep)}},
    {{22, 23, 24}, {A(2, kStep), ElseA(12, kStep)}},
    {{30}, {B(23, 50), A(52, 80)}},
    {{31}, {B(15, 50), A(57, 80)}},
    {{32}, {B(0, 50), A(25, 80), A(33, kStep)}},
    {{33}, {B(0, 50), A(40, 80), A(48, kStep)}},
    {{34}, {B(6, 50), A(30, 80)}},
    {{35, 36}, {B(0, 50), A(23, 80)}},
    {{40}, {A(0, 80)}},
    {{41}, {A(0, 81)}},
    {{42}, {A(0, Any(82, 84))}},
    {{50}, {B(0, Any(50, 53))}},
    {{51, 54, 55, 56}, {B(6, Any(50, 53))}},
    {{52}, {AB(10, 41, Any(50, 53))}},
    {{53, 58}, {AB(14, 42, Any(54, 55))}},
    {{57}, {AB(13, 40, Any(50, 53))}},
    {{59}, {A(16, 40), B(0, 56)}},
    {{60}, {A(6, 41), A(15, 41), B(0, 56)}},
    {{61, 62}, {B(0, 56)}},
    {{63}, {AB(8, 40, Any(50, 53))}},
    {{64}, {AB(12, 41, Any(50, 53))}},
    {{65}, {A(14, 42), B(10, Any(54, 55))}},
    {{66}, {A(10, 41), A(17, 41), B(10, Any(54, 55))}},
    {{67, 68}, {B(7, Any(54, 55))}},
    {{69}, {A(7, 40), A(10, 41), B(0, 56)}},
    {{70}, {A(12, 41), A(15, 41), B(13, Any(54, 55))}},
    {{71, 72}, {B(10, Any(54, 55))}},
    {{73, 74}, {A(25, 42), B(20, 57)}},
    {{75}, {A(5, 40), A(11, 40), B(5, Any(54, 55))}},
    {{76}, {AB(10, 42, Any(54, 55))}},
    {{77}, {AB(10, 41, Any(50, 53))}},
    {{78}, {B(14, Any(50, 53))}},
    {{105}, {A(16, 120)}},
    {{106}, {A(57, kStep), ElseA(72, kStep), ElseA(86, kStep)}},
    {{107}, {A(16, 121)}},
    {{108}, {A(64, 122)}},
    {{109}, {A(24, kStep), ElseA(53, kStep)}},
    {{110}, {A(18, 132), A(60, 133)}},
    {{111}, {A(10, 130), A(24, 131)}},
    {{112}, {A(22, 132)}},
    {{113}, {A(10, 134), A(30, 135)}},
    {{114}, {A(10, 112)}},
    {{130}, {A(24, Any(82, 84))}},
    {{131}, {A(14, Any(82, 84))}},
    {{132, 133}, {A(26, Any(82, 84))}},
    {{135}, {A(14, 80)}},
    {{150}, {A(19, 40)}},
    {{151}, {A(21, 41)}},
    {{152}, {A(27, 42)}},
    // Entering and reviving: only the fighters play these.
    {{190}, {A(0, 140)}},
    {{191}, {A(0, 141)}},
    {{192}, {A(0, 180), B(10, 142)}},
    {{193}, {A(0, 180), BC(20, 143, 144)}},
};

// Side 1's voices.
constexpr int kVoiceFirst = 50;
constexpr int kVoiceLast = 57;
constexpr int kSideOneVoiceShift = 10;

}  // namespace

const std::vector<CueSet>& AnimationCueTable() { return kCueTable; }

const CueSet* FindAnimationCues(int animation) {
    for (const CueSet& set : kCueTable)
        for (int id : set.animations)
            if (id == animation) return &set;
    return nullptr;
}

int PickCueSound(const CueSound& s) {
    if (s.hi <= s.lo) return s.lo;
    return s.lo + Random() % (s.hi - s.lo + 1);
}

int VoiceForSide(int b, int side) {
    return side == 1 && b >= kVoiceFirst && b <= kVoiceLast ? b + kSideOneVoiceShift : b;
}
