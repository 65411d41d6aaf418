// The timed states: refusals, one state at a time, renewal, stops and their events, the body's
// animation rate, and the overlay materials on the body and the look pieces.
#include <string>
#include <vector>

#include "animation_fixture.h"
#include "fighters/timed_states.h"
#include "render/animated_material.h"
#include "render/mesh.h"
#include "render/texture_manager.h"
#include "scene/mesh_node.h"
#include "scene/sub_mesh.h"

namespace fightertest {
namespace {

using Events = std::vector<std::vector<uint8_t>>;

class TimedStateTest : public AnimationTest {
protected:
    // A fighter standing, past its entry animation (which makes it immune).
    Character& Standing(int side = 0) {
        Character& c = Fighter(side);
        Force(c, 0);
        Recorder().sounds.clear();
        return c;
    }
    static Events EventsOfType(uint8_t type) {
        Events out;
        for (const auto& e : Recorder().events)
            if (!e.empty() && e[0] == type) out.push_back(e);
        return out;
    }
    static std::vector<uint8_t> StateEvent(uint8_t type, uint8_t state, uint32_t ms) {
        return {type, 0, state, uint8_t(ms), uint8_t(ms >> 8), uint8_t(ms >> 16), uint8_t(ms >> 24)};
    }
    static float BodyRate(const Character& c, int bone = 0) { return Controller(c, bone).rate; }
};

TEST_F(TimedStateTest, AStateIsRefusedToTheDeadTheImmuneAndAClientOnItsOwn) {
    const struct {
        const char* name;
        int state, duration;
        bool dead, invulnerable, client;
        std::vector<int> sounds;   // none when refused
    } cases[] = {
        {"poisoning while invulnerable", STATE_POISONING, 5000, false, true, false, {}},
        {"freeze while invulnerable", STATE_FREEZE, 5000, false, true, false, {}},
        {"a boost ending invulnerability", STATE_STRENGTH_BOOST, 5000, false, true, false, {165, 211}},
        {"invisibility when dead", STATE_INVISIBILITY, 5000, true, false, false, {}},
        {"a client's poisoning", STATE_POISONING, 5000, false, false, true, {}},
        {"a client's 8000 ms invulnerability", STATE_INVULNERABILITY, 8000, false, false, true, {164}},
        {"a client's other invulnerability", STATE_INVULNERABILITY, 5000, false, false, true, {}},
        {"an index past the states", TIMED_STATE_COUNT, 5000, false, false, false, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing();
        if (t.invulnerable) ASSERT_TRUE(c.StartInvulnerability(60000, 0));
        c.dead = t.dead ? 1 : 0;
        Network(t.client, false);
        Recorder().sounds.clear();
        EXPECT_EQ(c.StartTimedState(t.state, t.duration, 1000), !t.sounds.empty());
        EXPECT_EQ(SoundIds(), t.sounds);
        Network(false, false);
    }
}

TEST_F(TimedStateTest, SuperCancelsPoisoningAtOnceWithoutAStopEvent) {
    const int32_t poison = fxtest::SeedTexture(rec, "Texturas\\Efectos\\vecorporal06.tga");
    Character& c = Standing();
    Network(true, true);
    ASSERT_TRUE(c.StartPoisoning(10000, 1000));
    const auto* overlay = dynamic_cast<AnimatedMaterialB*>(g_Scene.materials->Get(c.model->levels[0].subMeshes[0]->overrideMaterialId));
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->effectTexture, poison);
    EXPECT_FLOAT_EQ(overlay->intensity, 0.5f);
    ASSERT_TRUE(c.StartSuper(5000, 1000));
    EXPECT_EQ(c.states[STATE_POISONING].active, 0);
    EXPECT_EQ(overlay->state, AnimatedMaterialB::kFadeOut);
    EXPECT_EQ(overlay->duration, 0u);
    EXPECT_EQ(SoundIds(), (std::vector<int>{213, 214, 211}));
    EXPECT_EQ(EventsOfType(32), (Events{StateEvent(32, 2, 10000), StateEvent(32, 10, 5000)}));
    EXPECT_TRUE(EventsOfType(33).empty());
}

TEST_F(TimedStateTest, StartingAgainRenewsTheClockAndKeepsTheOverlay) {
    Character& c = Standing();
    ASSERT_TRUE(c.StartParalysis(5000, 1000));
    const int32_t overlay = c.model->levels[2].subMeshes[0]->overrideMaterialId;
    SetTime(kStartTime + 2000);
    ASSERT_TRUE(c.StartParalysis(7000, 1000));
    EXPECT_EQ(c.states[STATE_PARALYSIS].startTime, kStartTime + 2000);
    EXPECT_EQ(c.states[STATE_PARALYSIS].durationMs, 7000u);
    EXPECT_EQ(c.model->levels[2].subMeshes[0]->overrideMaterialId, overlay);
    EXPECT_EQ(SoundIds(), (std::vector<int>{213, 213}));
}

TEST_F(TimedStateTest, OnlyTheHostTellsOfAStopAndOnlyWithAFade) {
    const struct {
        const char* name;
        bool network, hosting, dispatching;
        int fade;
        size_t stopEvents;
    } cases[] = {
        {"host fading", true, true, false, 1000, 1}, {"host cancelling", true, true, false, 0, 0},
        {"offline", false, false, false, 1000, 0},   {"client applying the host's stop", true, false, true, 1000, 0},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing();
        ASSERT_TRUE(c.StartAgilityBoost(5000, 1000));
        Network(t.network, t.hosting, t.dispatching);
        Recorder().events.clear();
        EXPECT_TRUE(c.StopAgilityBoost(t.fade));
        EXPECT_EQ(c.states[STATE_AGILITY_BOOST].active, 0);
        EXPECT_EQ(c.overlayPresent, 0);
        EXPECT_EQ(EventsOfType(33).size(), t.stopEvents);
        if (t.stopEvents) EXPECT_EQ(EventsOfType(33)[0], StateEvent(33, 8, 1000));
        Network(false, false);
    }
    Character& c = Standing();
    ASSERT_TRUE(c.StartAgilityBoost(5000, 1000));
    Network(true, false);
    EXPECT_FALSE(c.StopAgilityBoost(1000)) << "a client on its own keeps the state of a living fighter";
    c.dead = 1;
    EXPECT_TRUE(c.StopAgilityBoost(1000));
}

TEST_F(TimedStateTest, AStateWhoseOverlayWasTakenStopsOnceWithOneSound) {
    Character& c = Standing();
    ASSERT_TRUE(c.StartPowerBoost(5000, 1000));
    ASSERT_TRUE(c.RemoveBodyOverlay(0));
    Recorder().sounds.clear();
    EXPECT_TRUE(c.StopPowerBoost(1000));
    EXPECT_FALSE(c.StopPowerBoost(1000));
    EXPECT_EQ(c.states[STATE_POWER_BOOST].active, 0);
    EXPECT_EQ(SoundIds(), std::vector<int>{212});
}

TEST_F(TimedStateTest, TheEntryAndTheLevelUpAreImmuneAndTheEntrysProtectionIsNotAnnounced) {
    const struct {
        int animation;
        bool immune;
        size_t startEvents;
    } cases[] = {{0, false, 1}, {21, false, 1}, {190, true, 0}, {195, true, 1}};
    for (const auto& t : cases) {
        SCOPED_TRACE(t.animation);
        Character& c = Standing();
        Force(c, t.animation);
        EXPECT_EQ(c.IsImmune(), t.immune);
        Network(true, true);
        Recorder().events.clear();
        ASSERT_TRUE(c.StartInvulnerability(5000, 1000));
        EXPECT_EQ(EventsOfType(32).size(), t.startEvents);
        Network(false, false);
    }
}

TEST_F(TimedStateTest, FreezeEndsTheSplitClearsTheRepeatAndStopsTheBodyEvenRunning) {
    Character& c = Standing();
    Force(c, 21);
    Force(c, 170, BONE_UPPER_BODY);
    ASSERT_EQ(c.split, 1);
    c.powerRepeat = 1;
    ASSERT_TRUE(c.StartFreeze(10000, 1000));
    EXPECT_EQ(c.split, 0);
    EXPECT_EQ(c.powerRepeat, 0);
    EXPECT_EQ(c.AnimationRate(), 0.0f);
    EXPECT_EQ(BodyRate(c), 0.0f);
    EXPECT_EQ(BodyRate(c, BONE_UPPER_BODY), 0.0f);
    EXPECT_FALSE(c.SetAnimation(0, 0, 0, 0));
    ASSERT_TRUE(c.StopFreeze(1000));
    EXPECT_EQ(BodyRate(c), 30.0f);
}

TEST_F(TimedStateTest, APartialOverlayCoversEveryDetailLevelAndEachLookPieceMeshGetsItsOwn) {
    const int32_t skin = fxtest::SeedTexture(rec, "skin.tga");
    g_Scene.textures->AddRef(skin);
    auto* own = new Material();
    MaterialDescription d{};
    d.layerCount = 1;
    d.layers[0] = MaterialLayer{MATERIAL_KIND_BASE, skin};
    own->SetDescription(d);
    auto* mesh = new Mesh();
    mesh->materialId = g_Scene.materials->Add(own);
    const int32_t meshId = g_Scene.meshes->Add(mesh);
    g_Scene.meshes->AddRef(meshId);
    MeshNode piece;
    piece.meshIds = new int32_t[1]{meshId};
    piece.meshCount = 1;

    Character& c = Standing();
    c.model->SetAttachment(3, &piece, "", 4);
    c.model->attachments[3].inUse = 1;
    ASSERT_TRUE(c.StartConstitutionBoost(5000, 1000));
    const int32_t body = c.model->levels[0].subMeshes[0]->overrideMaterialId;
    ASSERT_GE(body, 0);
    for (const ModelDetailLevel& level : c.model->levels)
        for (const SubMesh* s : level.subMeshes) EXPECT_EQ(s->overrideMaterialId, body);
    EXPECT_EQ(g_Scene.materialRefs->Find(body)->owner, 3u);
    EXPECT_EQ(g_Scene.materials->Get(body)->refCount, MODEL_LOD_COUNT);
    const auto* pieceOverlay = dynamic_cast<AnimatedMaterialB*>(g_Scene.materials->Get(mesh->overrideMaterialId));
    ASSERT_NE(pieceOverlay, nullptr);
    EXPECT_NE(mesh->overrideMaterialId, body);
    EXPECT_EQ(pieceOverlay->baseTexture, skin);
    EXPECT_EQ(pieceOverlay->duration, 1000u);

    ASSERT_TRUE(c.StopConstitutionBoost(400));
    EXPECT_EQ(pieceOverlay->state, AnimatedMaterialB::kFadeOut);
    EXPECT_EQ(pieceOverlay->duration, 400u);

    // A spawn flash replaces the fading overlay, which loses the meshes' references.
    c.FlashSpawnOverlay(1, 500, 0, 500);
    const auto* flash = dynamic_cast<AnimatedMaterialA*>(g_Scene.materials->Get(c.model->levels[4].subMeshes[0]->overrideMaterialId));
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->t1, 500u);
    EXPECT_EQ(flash->t3, 500u);
    EXPECT_EQ(dynamic_cast<AnimatedMaterialB*>(g_Scene.materials->Get(body)), nullptr);
    EXPECT_EQ(c.overlayPresent, 0);
    c.model->SetAttachment(3, nullptr, "", 0);
}

TEST_F(TimedStateTest, AFullOverlayMakesNoMaterialYetButTheStateRuns) {
    Character& c = Standing();
    ASSERT_TRUE(c.StartForbiddenFruit(5000, 1000));
    EXPECT_EQ(c.overlayPresent, 1);
    EXPECT_EQ(c.model->levels[0].subMeshes[0]->overrideMaterialId, -1);
    EXPECT_FALSE(c.CreateBodyOverlay(3, 0, 0.5f));
    ASSERT_TRUE(c.StartInvisibility(5000, 1000));
    EXPECT_EQ(c.model->invisible, 1);
    EXPECT_EQ(c.states[STATE_FORBIDDEN_FRUIT].active, 0);
    c.CancelStates();
    EXPECT_EQ(c.model->invisible, 0);
    EXPECT_EQ(c.overlayPresent, 0);
}

}  // namespace
}  // namespace fightertest
