// The fighter tests' set-up: the recording device and a made scene, the kit's files as the data
// folder, both sides' skeletons loaded, the arena's collision and path map as scenario 1, the
// recorders in place, every fighter global back at its start, the match clock stopped at 10 s and
// the random generator seeded.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "common/random.h"
#include "core/clocks.h"
#include "core/frame_stats.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/movement.h"
#include "fighters/side_table.h"
#include "frontend/menu.h"
#include "net/session.h"
#include "scene/anim_controller.h"
#include "scene/character_model.h"
#include "scene/collision_octree.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "scene/scene_element_records.h"
#include "support/fighter_kit.h"
#include "world/scenario.h"

namespace fightertest {

using testsupport::Recorder;

constexpr uint32_t kStartTime = 10000;

class FighterTest : public fxtest::FxDeviceTest {
protected:
    void SetUp() override {
        fxtest::FxDeviceTest::SetUp();
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(testsupport::FighterFilesFolder());
        ResetFighterGlobals();
        g_Settings.mode = 0;
        g_Settings.sound = 1;
        SeedRandom(1);
        SetTime(kStartTime);
        Recorder().Clear();
        testsupport::InstallFighterRecorders();
        ASSERT_TRUE(testsupport::LoadArenaCollision(g_Scene.collisionOctree));
        testsupport::BuildArenaPathMap(&g_Scenario.pathMap);
        g_Scenario.number = 1;
        LoadAllSkeletons(false);
        ASSERT_NE(g_SideTable[0].skeleton, nullptr);
        ASSERT_NE(g_SideTable[1].skeleton, nullptr);
    }

    void TearDown() override {
        // The models' controllers go with the scene: the fighters let go of them first.
        FreeSkeletons();
        ResetFighterGlobals();
        testsupport::RemoveFighterRecorders();
        SetUpdateStepObserver(nullptr);
        std::filesystem::current_path(previousFolder_);
        fxtest::FxDeviceTest::TearDown();
    }

    static void ResetFighterGlobals() {
        ResetCharacters();
        ResetSideTable();
        ResetScenario();
        ResetMatch();
        ResetPathSearchStats();
        ResetMenu();
        g_NetSession = NetSession();
        g_GamePacket = GamePacket();
        g_ModelQuality = 0;
    }

    static void SetTime(uint32_t ms) { StopMatchClockAt(ms); }
    static void Network(bool active, bool hosting, bool dispatching = false) {
        g_NetSession.active = active ? 1 : 0;
        g_NetSession.hosting = hosting ? 1 : 0;
        // A network game counts once another player is listed.
        (hosting ? g_ServerPlayerCount : g_ClientPlayerCount) = active ? 1 : 0;
        g_GamePacket.dispatching = dispatching ? 1 : 0;
    }

    // The events as one packet this machine receives from the sender, dispatched.
    static void Receive(const std::vector<std::vector<uint8_t>>& events, uint32_t sender = 0) {
        std::vector<uint8_t> payload;
        for (const std::vector<uint8_t>& e : events) payload.insert(payload.end(), e.begin(), e.end());
        std::vector<uint8_t> p = {4, 1, 0, 0, 0, uint8_t(payload.size()), uint8_t(payload.size() >> 8)};
        p.insert(p.end(), payload.begin(), payload.end());
        g_GamePacket.Dispatch(p.data(), p.size(), sender);
    }

    // The fighter's timed state runs exactly `ms` from `from`: still on at its last millisecond
    // and ended one later by the fighter's own frame.
    static void ExpectStateLasts(Character& c, int state, uint32_t from, uint32_t ms) {
        SetTime(from + ms);
        c.UpdatePowers();
        EXPECT_TRUE(c.states[state].active) << "at its last millisecond";
        SetTime(from + ms + 1);
        c.UpdatePowers();
        EXPECT_FALSE(c.states[state].active) << "past its time";
    }

    // A fighter of the side standing at the point, in the given slot, facing +z whatever facing
    // the spawn drew, so that later placements and root motion read along the axes.
    Character& Spawned(int slot, int side, const Vec3& at) {
        const int s = SpawnCharacter(slot, 0, side, 0, at.x, at.y, at.z, nullptr, nullptr);
        EXPECT_EQ(s, slot);
        Character& c = g_Characters[s < 0 ? 0 : s];
        c.SetYaw(0.0f);
        return c;
    }

    // Out of the entry animation (which makes immune), power and constitution 1: what the effects
    // do to it reads plainly.
    Character& PlainFighter(int slot, int side, const Vec3& at) {
        Character& c = Spawned(slot, side, at);
        c.actionClass = 0;
        c.power = c.constitution = 1.0f;
        return c;
    }

    // What the animation control will do: play an animation on the whole body and keep its
    // bookkeeping.
    static void Play(Character& c, int animation, int actionClass) {
        ASSERT_TRUE(c.model->PlayAnimation(0, animation, 0, 30.0f, true));
        c.currentAnimation = animation;
        c.actionClass = actionClass;
    }
    // The scene's step of every animation, and a new frame for the bone poses.
    static void Advance(int ms) {
        g_AnimControllers.AdvanceAll(ms);
        ++g_FrameStats.frameCounter;
    }

    static int ListedModels() { return g_Scene.characterModels ? int(g_Scene.characterModels->count) : 0; }

private:
    std::filesystem::path previousFolder_;
};

}  // namespace fightertest
