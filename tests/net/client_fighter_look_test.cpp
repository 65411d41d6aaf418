// The look a fighter's announcement carries, put on the fighter made from it: on a client its own
// fighter and every other one, on the host a client's, wear their skins as the host's own does.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/pack_file.h"
#include "datakit/image_writer.h"
#include "frontend/player_saves.h"
#include "render/material.h"
#include "render/texture_manager.h"
#include "scene/sub_mesh.h"
#include "shell/control.h"
#include "support/fighter_fixture.h"
#include "support/temp_dir.h"
#include "world/element_map.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes g_Events;

// Every base skin of side 0, 8 x 4 texels: a fighter dressed from its look wears a texture of
// that size.
class ClientFighterLookTest : public fightertest::FighterTest {
protected:
    void SetUp() override {
        FighterTest::SetUp();
        dir.emplace();
        for (int n = 0; n < 10; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, "Texturas/Personajes/Pieles/orlin%02d.tga", n);
            const Bytes skin = datakit::TgaFile(datakit::SolidPicture(8, 4, 0xff00ff00u));
            dir->Write(name, std::string(skin.begin(), skin.end()));
        }
        ResetPackFiles();
        g_Events.clear();
    }
    void TearDown() override {
        g_Control.localCharacter = nullptr;
        g_ElementMap.list.Clear();
        dir.reset();
        ResetPackFiles();
        FighterTest::TearDown();
    }
    // The events `write` appends, as one received packet.
    template <class F>
    static Bytes Packet(F write) {
        const GamePacketSink kept = g_GamePacketSink;
        g_GamePacketSink = [](const uint8_t* e, size_t n) { g_Events.insert(g_Events.end(), e, e + n); };
        write();
        g_GamePacketSink = kept;
        Bytes p = {4, 1, 0, 0, 0, uint8_t(g_Events.size()), uint8_t(g_Events.size() >> 8)};
        p.insert(p.end(), g_Events.begin(), g_Events.end());
        return p;
    }
    // Whether the fighter's skinned material carries a texture of the skins' size.
    static bool WearsSkin(const Character& c) {
        const Material* m = g_Scene.materials->Get(c.model->levels[0].subMeshes[0]->materialId);
        const int32_t id = m ? m->description.layers[0].texture : -1;
        const ::Texture* t = id >= 0 ? g_Scene.textures->Get(id) : nullptr;
        return t && t->width == 8 && t->height == 4;
    }
    std::optional<ScopedWorkDir> dir;
};

TEST_F(ClientFighterLookTest, TheClientsOwnFighterAndTheOthersTheHostAnnouncesWearTheirSkins) {
    Network(true, false);
    g_NetSession.playerId = 42;
    PlayerRecord record;
    MakeRandomPlayer(0, &record);
    const Bytes p = Packet([&] {
        // The answer to this client's request, then another player's fighter.
        g_GamePacket.WriteSpawnCharacter(3, 42, 0, 2, Vec3{4.5f, 0.0f, 4.5f}, record);
        g_GamePacket.WriteSpawnCharacter(4, 43, 0, 2, Vec3{6.5f, 0.0f, 4.5f}, record);
    });
    g_GamePacket.Dispatch(p.data(), p.size(), 0);
    ASSERT_TRUE(g_Characters[3].active && g_Characters[4].active);
    ASSERT_EQ(g_Control.localCharacter, &g_Characters[3]) << "the client's own";
    EXPECT_TRUE(WearsSkin(g_Characters[3]));
    EXPECT_TRUE(WearsSkin(g_Characters[4]));
}

TEST_F(ClientFighterLookTest, AFighterTheHostMakesForAClientsRequestWearsItsSkin) {
    Network(true, true);
    auto* start = new ElementRecord();
    start->elementKind = ELEMENT_FIGHTER;
    start->position = Vec3{4.5f, 0.0f, 4.5f};
    g_ElementMap.list.Append(start);
    PlayerRecord record;
    MakeRandomPlayer(0, &record);
    const Bytes p = Packet([&] { g_GamePacket.WriteSpawnCharacter(-1, 43, 0, 2, Vec3{}, record); });
    g_NetRoleCalls.inSession = [](uint32_t player) { return player == 43; };
    g_GamePacket.Dispatch(p.data(), p.size(), 43);
    ResetNetRoleCalls();
    const Character* made = nullptr;
    for (const Character& c : g_Characters)
        if (c.active && c.playerId == 43) made = &c;
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(WearsSkin(*made));
}

}  // namespace
