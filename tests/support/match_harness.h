// Whole matches of the program itself: a data folder made of the kit's pieces (the arena as a
// scenario, both skeletons, the mode templates, item and prop models, one element file with
// every game kind's elements), the start as the game starts (InitApp on the recording device
// with the front end off), then the game's own loop turns on a clock that advances 33 ms before
// each turn. Effects stay in the kit's inert pool, unless the run is on a complete data folder
// (the demo data), where the game's own effect pool runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/os/os.h"

class ScopedWorkDir;

namespace testsupport {

// The arena's scenario number.
constexpr int MATCH_SCENARIO = 1;
constexpr uint32_t MATCH_TURN_MS = 33;

struct MatchOptions {
    int kind = 5;
    uint32_t seed = 1;
    int fightersPerSide = 4;   // NUM_PER, and NUM_PER_ENE unless `enemies` says otherwise
    int maxDeaths = 3;         // per side
    int steals = 1;            // captures that win steal the symbol, per side
    int captures = 2;          // search objects that win the search, per side
    int voraksCaptures = -1;   // the Voraks' goal instead, unless -1
    // The local side (TIPO_PERSONAJE), the other side's fighter count (NUM_PER_ENE; -1: the
    // same as fightersPerSide), the difficulty and both sides' levels.
    int localSide = 0;
    int enemies = -1;
    int difficulty = 1;
    int level = 30;
    int enemyLevel = 30;
    int matchMinutes = 3;      // MAX_TIME_GLOBAL
    // Draw every frame on the recording device. The game draws a match only around a local
    // fighter, so this run keeps it (standing idle, nobody drives it); otherwise every fighter is
    // the computer's.
    bool render = false;
    // A run not drawn keeps the local fighter all the same, standing idle: the match plays as the
    // game plays it minimised, its fighters posed but nothing drawn.
    bool idlePlayer = false;
    // A complete data folder (the demo data): its files are linked into the working folder in
    // place of the kit's pieces, `scenario` is played and the game's own effect pool runs.
    std::string dataFolder;
    int scenario = MATCH_SCENARIO;
};

// The settings file and the data of a match into the working folder.
void WriteMatchFolder(const MatchOptions& options);
// A model file (a path under the working folder) of one movable node of that name, without
// meshes: a plain movable mesh, or a solid one with a small cube of collision.
void WriteMovableNode(const std::string& file, const std::string& node, bool solid);

class MatchRun {
public:
    // Starts the program in a fresh working folder; Started() tells whether it came up.
    explicit MatchRun(const MatchOptions& options);
    ~MatchRun();
    MatchRun(const MatchRun&) = delete;
    MatchRun& operator=(const MatchRun&) = delete;

    bool Started() const { return started_; }
    // One loop turn after the clock advanced; false once the program asked to quit (the game
    // is then released). The recording device's log is emptied before a turn once it holds a
    // presented frame: after a turn that drew, it holds that frame's calls alone.
    bool Turn();
    // Ends the program as its loop's end does (ReleaseGame(true)); once.
    void Release();
    // Match-clock milliseconds since the start.
    uint32_t SimulatedMs() const;
    // The working folder of the run.
    const ScopedWorkDir& Folder() const { return *dir_; }

private:
    std::unique_ptr<ScopedWorkDir> dir_;
    os::Message msg_{};
    bool started_ = false;
    bool released_ = false;
    uint32_t startMatchTime_ = 0;
};

// A hash of the frame: every active fighter's position, meters, animation and states, and the
// match's state and counters.
uint64_t MatchFingerprint();

}  // namespace testsupport
