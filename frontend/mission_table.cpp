#include "frontend/mission_table.h"

namespace {

// Bit k: game kind k can be played in the scenario.
constexpr uint8_t kKindsOffered[MISSION_SCENARIOS] = {
    0b110001, 0b100100, 0b000111, 0b110111, 0b000110, 0b110101, 0b000110, 0b100011, 0b111100, 0b110101,
    0b110101, 0b110111, 0b100111, 0b111111, 0b111111, 0b100001, 0b100001, 0b111100, 0b111101, 0b101100,
};

// How far along its campaign a side is in a scenario: side 0 starts at scenario 0, side 1 at 19.
constexpr int Step(int side, int scenario) { return side == 0 ? scenario : MISSION_SCENARIOS - 1 - scenario; }

// A search is a race: a computer's hunter finds an object every five to seven seconds, a second
// hunter beside it adds little, and the player's own side finds twice as fast where the objects do
// not flee from it (difficulty 0). So a search sends one enemy, and each side's goal grows with the
// computer's fighters on it: while the player only stands and looks, neither side finishes within
// the first minute, and once the player plays, the player's own finds decide it.
constexpr int kSearchEnemyGoal = 28;
constexpr int SearchOwnGoal(int allies) { return 16 + 18 * allies; }

// `allies`: the computer's fighters on the player's side.
constexpr MissionRecord MakeMission(int side, int scenario, int kind, bool available, int allies) {
    MissionRecord r{};
    r.words[0] = available ? 1u : 0u;
    const int step = Step(side, scenario);
    // A side's very first match is a new player's first: one enemy, and room to learn. A search
    // sends one hunter (above).
    const int enemies = step == 0 || kind == 3 ? 1 : 2 + step % 3;
    r.words[2] = MISSION_ENEMIES;
    r.words[3] = uint32_t(enemies);
    // Enemy records are numbered by the stages played so far (five scenarios each), four to a
    // scenario, so that a stage's enemies are its 20 entries of the campaign's level table.
    for (int i = 0; i < enemies; ++i) {
        r.words[4 + i] = uint32_t((step / 5) * 20 + (step % 5) * 4 + i);
        r.words[8 + i] = uint32_t(3 * step + i);
    }
    switch (kind) {
    case 0: r.words[20] = r.words[21] = uint32_t(step == 0 ? 5 : 3 + step / 4); break;
    case 1: r.words[22] = 10; break;
    case 2:
        r.words[20] = r.words[21] = uint32_t(100 + 20 * step);
        r.words[22] = 10;
        break;
    case 3:
        // The goals are the Orlins' and the Voraks'.
        r.words[20 + side] = uint32_t(SearchOwnGoal(allies));
        r.words[21 - side] = uint32_t(kSearchEnemyGoal);
        r.words[22] = 10;
        break;
    case 4:
        r.words[20] = r.words[21] = 3;
        r.words[22] = 5;
        break;
    default: r.words[20] = r.words[21] = uint32_t(10 + step); break;
    }
    return r;
}

template <bool Single>
constexpr MissionTable MakeTable() {
    MissionTable t{};
    for (int side = 0; side < 2; ++side)
        for (int s = 0; s < MISSION_SCENARIOS; ++s)
            for (int k = 0; k < MISSION_KINDS; ++k) {
                const bool offered = Single ? k == 0 : ((kKindsOffered[s] >> k) & 1) != 0;
                // The team of four plays whole; the one-player campaign brings its stored setups' allies.
                const int allies = Single ? SingleCampaignAllies(Step(side, s)) : MISSION_ENEMIES - 1;
                t[side][s * MISSION_KINDS + k] = MakeMission(side, s, k, offered, allies);
            }
    return t;
}

}  // namespace

// Worked out at compile time: nothing runs before they can be read.
constexpr MissionTable MISSIONS = MakeTable<false>();
constexpr MissionTable SINGLE_MISSIONS = MakeTable<true>();

const MissionRecord* FindMission(const MissionTable& table, int side, int scenario, int kind) {
    if (side < 0 || side > 1 || scenario < 0 || scenario >= MISSION_SCENARIOS || kind < 0 || kind >= MISSION_KINDS)
        return nullptr;
    return &table[side][scenario * MISSION_KINDS + kind];
}
