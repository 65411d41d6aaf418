// The computer fighters' tests on path maps built in memory: bare fighter records placed on cells
// by hand, the effect recorder, and the local fighter chosen by the test.
#pragma once

#include <gtest/gtest.h>

#include "core/clocks.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/movement.h"
#include "support/fighter_kit.h"
#include "support/path_map_builder.h"
#include "world/item.h"
#include "world/path_search.h"
#include "world/scenario.h"

namespace perceptiontest {

using testsupport::PathMapBuilder;

constexpr uint32_t kNow = 100000;
constexpr int32_t kGrid = 80;
constexpr int32_t kLedgeSector = 2;

inline Character* g_local = nullptr;

class BareFighterTest : public ::testing::Test {
protected:
    PathMap& map = g_Scenario.pathMap;
    Character& c = g_Characters[0];

    void SetUp() override {
        ResetCharacters();
        ResetMatch();
        ResetItems();
        ResetPathSearchStats();
        g_Scenario.number = 1;
        g_Clocks.active = CLOCK_PAUSE;
        g_Clocks.stored[CLOCK_MATCH] = kNow;
        testsupport::Recorder().Clear();
        testsupport::InstallFighterRecorders();
        g_local = nullptr;
        g_FighterShellCalls.localFighter = []() { return g_local; };
    }
    void TearDown() override {
        testsupport::RemoveFighterRecorders();
        ResetFighterShellCalls();
        ResetCharacters();
        ResetItems();
        ResetMatch();
        ResetScenario();
        ResetPathSearch();
        ResetPathSearchStats();
        g_Clocks = ClockSet();
    }

    // A floor over the whole grid at height 0, with a ledge cell at (ledge, 40) that sector 0
    // does not reach.
    void OpenFloor(int32_t ledgeX = -1) {
        PathMapBuilder b(kGrid, kGrid);
        for (int32_t x = 0; x < kGrid; ++x)
            for (int32_t z = 0; z < kGrid; ++z)
                if (x != ledgeX || z != 40) b.Floor(x, z, 0.0f);
        if (ledgeX >= 0) b.Floor(ledgeX, 40, 0.0f, kLedgeSector);
        b.Build(&map);
    }
    // An active fighter of the side on the cell's centre.
    Character& Put(int slot, int side, int32_t x, int32_t z) {
        Character& f = g_Characters[slot];
        f.active = 1;
        f.slot = slot;
        f.side = side;
        f.health = f.maxHealth = 100.0f;
        f.currentCell = CellRef{x, z, 0};
        map.CellToWorld(&f.position, f.currentCell);
        return f;
    }
    Vec3 Centre(int32_t x, int32_t z) const {
        Vec3 p{};
        map.CellToWorld(&p, CellRef{x, z, 0});
        return p;
    }
};

}  // namespace perceptiontest
