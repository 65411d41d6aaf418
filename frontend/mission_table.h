// The missions of each side: for every scenario and game kind 0-5 a record of 23 words whose
// first byte tells whether that kind can be played there. The campaign and the mission screen
// copy the team sizes, enemies, their levels and the goals of a match from the rest.
#pragma once

#include <array>
#include <cstdint>

constexpr int MISSION_KINDS = 6;
constexpr int MISSION_SCENARIOS = 20;
constexpr int MISSION_RECORDS = MISSION_SCENARIOS * MISSION_KINDS;   // index scenario x 6 + kind
constexpr int MISSION_WORDS = 23;
constexpr int MISSION_ENEMIES = 4;

// Word 0: availability in its first byte; 2: own team size; 3: enemy count; 4-7: enemy record
// numbers (20 per stage: stage x 20 + 0..19); 8-11: enemy levels; 20, 21: the game kind's goal
// pair; 22: the time (minutes, or the freeze time in the curse kind). The words between are 0.
struct MissionRecord {
    uint32_t words[MISSION_WORDS];
    bool Available() const { return (words[0] & 0xFFu) != 0; }
};

// The allies the one-player campaign gives a side at a step of its campaign: one more every five
// steps, up to three.
constexpr int SingleCampaignAllies(int step) { return step / 5 < 3 ? step / 5 : 3; }

using MissionTable = std::array<std::array<MissionRecord, MISSION_RECORDS>, 2>;
// Every kind a scenario offers (the same for both sides).
extern const MissionTable MISSIONS;
// The one-player campaign's: one mission per scenario, in the record of kind 0.
extern const MissionTable SINGLE_MISSIONS;

// Null for a side outside 0..1, a scenario outside 0..19 or a kind outside 0..5.
const MissionRecord* FindMission(const MissionTable& table, int side, int scenario, int kind);
