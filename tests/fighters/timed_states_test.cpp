// The timed states: refusals, one state at a time, stops and their events, the overlays on the
// body and the look pieces, and what the states make of the animations, the guard and gravity.
#include <cstdio>
#include <set>
#include <vector>

#include "animation_fixture.h"
#include "effects/body_effects.h"
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
    // Standing, past the entry animation (which makes it immune).
    Character& Standing(int side = 0) {
        Character& c = Fighter(side);
        Force(c, 0);
        Recorder().sounds.clear();
        Recorder().events.clear();
        return c;
    }
    static Events StateEvents() {
        Events out;
        for (const auto& e : Recorder().events)
            if (e[0] == 32 || e[0] == 33) out.push_back(e);
        return out;
    }
    static Material* Override(const SubMesh* s) { return g_Scene.materials->Get(s->overrideMaterialId); }
    static int32_t BaseTexture(const Mesh& mesh) {
        const Material* m = g_Scene.materials->Get(mesh.materialId);
        return m ? m->description.layers[0].texture : -1;
    }
    static int32_t BodyOverride(const Character& c) { return c.model->levels[0].subMeshes[0]->overrideMaterialId; }

    // A look piece of one mesh on a material of its own over the skin picture, worn in
    // attachment 3; the piece is the caller's to take off.
    Mesh& Wear(Character& c, MeshNode& piece) {
        const int32_t skin = fxtest::SeedTexture(rec, "skin.tga");
        g_Scene.textures->AddRef(skin);
        auto* own = new Material();
        MaterialDescription d{};
        d.layerCount = 1;
        d.layers[0] = MaterialLayer{MATERIAL_KIND_BASE, skin};
        own->SetDescription(d);
        auto* mesh = new Mesh();
        mesh->materialId = g_Scene.materials->Add(own);
        g_Scene.materials->AddRef(mesh->materialId);
        piece.meshIds = new int32_t[1]{g_Scene.meshes->Add(mesh)};
        piece.meshCount = 1;
        g_Scene.meshes->AddRef(piece.meshIds[0]);
        c.model->SetAttachment(3, &piece, "", 4);
        c.model->attachments[3].inUse = 1;
        return *mesh;
    }

    // How long a run-time overlay has run by its own clock.
    static uint32_t Elapsed(int32_t id) {
        const Material* m = g_Scene.materials->Get(id);
        if (const auto* a = dynamic_cast<const AnimatedMaterialA*>(m)) return a->elapsed;
        if (const auto* b = dynamic_cast<const AnimatedMaterialB*>(m)) return b->elapsed;
        if (const auto* e = dynamic_cast<const BodyEffectBase*>(m)) return e->elapsed;
        ADD_FAILURE() << "no overlay in slot " << id;
        return 0;
    }
    static std::vector<int32_t> Listed() {
        std::vector<int32_t> ids;
        for (const MaterialRefNode* n = g_Scene.materialRefs->head; n; n = n->next) ids.push_back(n->materialId);
        return ids;
    }
    // Every node of the list names a material of its own; one frame of the list then runs each
    // worn overlay by the frame's time exactly, frees the overlays given up, and leaves the list
    // naming the worn ones alone.
    static void ExpectOneFrameEach(const std::vector<int32_t>& worn, uint32_t ms) {
        const std::vector<int32_t> before = Listed();
        EXPECT_EQ(std::set<int32_t>(before.begin(), before.end()).size(), before.size()) << "two nodes name one slot";
        for (int32_t id : before) EXPECT_NE(g_Scene.materials->Get(id), nullptr) << "a node names freed slot " << id;
        std::vector<uint32_t> ran;
        for (int32_t id : worn) ran.push_back(Elapsed(id));
        g_Scene.materialRefs->Update(ms);
        for (size_t i = 0; i < worn.size(); ++i) EXPECT_EQ(Elapsed(worn[i]) - ran[i], ms) << "slot " << worn[i];
        const std::vector<int32_t> after = Listed();
        EXPECT_EQ(std::multiset<int32_t>(after.begin(), after.end()), std::multiset<int32_t>(worn.begin(), worn.end()));
    }
    // Overlays the meshes gave up: kept with no reference until the list's update frees them.
    static void ExpectWaitingForTheList(const std::vector<int32_t>& given) {
        for (int32_t id : given) {
            const Material* m = g_Scene.materials->Get(id);
            ASSERT_NE(m, nullptr) << "slot " << id << " freed under its node";
            EXPECT_EQ(m->refCount, 0) << "slot " << id;
            EXPECT_NE(g_Scene.materialRefs->Find(id), nullptr) << "slot " << id;
        }
    }
};

TEST(TimedStateTable, EachStateHasItsOwnOverlayAndAStopSoundRightAfterItsStartSound) {
    for (int k = 0; k < TIMED_STATE_COUNT; ++k) {
        const TimedStateRow& row = TIMED_STATE_TABLE[k];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.stopSound, row.startSound + 1);
        EXPECT_TRUE(row.texture >= 2 && row.texture + row.plusSide <= 15);
        EXPECT_TRUE(row.strength == 1.0f || row.strength == 0.5f);
        for (int j = 0; j < k; ++j) {
            const TimedStateRow& other = TIMED_STATE_TABLE[j];
            EXPECT_TRUE(row.texture + row.plusSide < other.texture || row.texture > other.texture + other.plusSide) << j;
        }
    }
}

TEST_F(TimedStateTest, AStateIsRefusedToTheImmuneAndToAClientOnItsOwn) {
    const struct {
        const char* name;
        int state, duration;
        bool invulnerable, client;
        std::vector<int> sounds;   // none when refused
    } cases[] = {
        {"poisoning while invulnerable", STATE_POISONING, 5000, true, false, {}},
        {"a boost ends invulnerability", STATE_STRENGTH_BOOST, 5000, true, false, {165, 211}},
        {"a client's poisoning", STATE_POISONING, 5000, false, true, {}},
        {"a client's 8000 ms invulnerability", STATE_INVULNERABILITY, 8000, false, true, {164}},
        {"an index past the states", TIMED_STATE_COUNT, 5000, false, false, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing();
        ASSERT_TRUE(!t.invulnerable || c.StartInvulnerability(60000, 0));
        Network(t.client, false);
        Recorder().sounds.clear();
        EXPECT_EQ(c.StartTimedState(t.state, t.duration, 1000), !t.sounds.empty());
        EXPECT_EQ(SoundIds(), t.sounds);
        Network(false, false);
    }
}

TEST_F(TimedStateTest, ARepeatRenewsTheClockAndSuperCancelsPoisoningWithoutFadeOrStopEvent) {
    const int32_t poison = fxtest::SeedTexture(rec, "Texturas\\Efectos\\vecorporal06.tga");
    Character& c = Standing();
    Network(true, true);
    ASSERT_TRUE(c.StartPoisoning(5000, 1000));
    const int32_t overlayId = c.model->levels[0].subMeshes[0]->overrideMaterialId;
    const auto* overlay = dynamic_cast<AnimatedMaterialB*>(Override(c.model->levels[0].subMeshes[0]));
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->effectTexture, poison);
    EXPECT_FLOAT_EQ(overlay->intensity, 0.5f);
    SetTime(kStartTime + 2000);
    ASSERT_TRUE(c.StartPoisoning(10000, 1000));
    EXPECT_EQ(c.states[STATE_POISONING].startTime, kStartTime + 2000);
    ASSERT_TRUE(c.StartSuper(5000, 1000));
    EXPECT_EQ(c.states[STATE_POISONING].active, 0);
    EXPECT_EQ(overlay->state, AnimatedMaterialB::kFadeOut);
    EXPECT_EQ(overlay->duration, 0u);
    EXPECT_NE(dynamic_cast<TimedBodyEffect*>(Override(c.model->levels[0].subMeshes[0])), nullptr);
    // The super state's overlay took its place on the meshes; the list frees it.
    ExpectWaitingForTheList({overlayId});
    EXPECT_EQ(SoundIds(), (std::vector<int>{213, 213, 214, 211}));
    EXPECT_EQ(StateEvents(), (Events{{32, 0, 2, 0x88, 0x13, 0, 0}, {32, 0, 2, 0x10, 0x27, 0, 0},
                                     {32, 0, 10, 0x88, 0x13, 0, 0}}));
}

// Invisibility and invulnerability wear the colour of the fighter's own side: the side's number
// past the state's first overlay picture, on every detail level.
TEST_F(TimedStateTest, InvisibilityAndInvulnerabilityWearTheFightersOwnSidesColour) {
    int32_t pictures[6];
    for (int n = 2; n < 6; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "Texturas\\Efectos\\vecorporal%02d.tga", n);
        pictures[n] = fxtest::SeedTexture(rec, name);
        ASSERT_GE(pictures[n], 0) << n;
    }
    const struct {
        int state, side, picture;
    } cases[] = {
        {STATE_INVISIBILITY, 0, 2},
        {STATE_INVISIBILITY, 1, 3},
        {STATE_INVULNERABILITY, 0, 4},
        {STATE_INVULNERABILITY, 1, 5},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(testing::Message() << TIMED_STATE_TABLE[t.state].name << ", side " << t.side);
        Character& c = Standing(t.side);
        ASSERT_EQ(c.side, t.side);
        ASSERT_TRUE(c.StartTimedState(t.state, 5000, 0));
        for (const ModelDetailLevel& level : c.model->levels) {
            const auto* overlay = dynamic_cast<TimedBodyEffect*>(Override(level.subMeshes[0]));
            ASSERT_NE(overlay, nullptr);
            EXPECT_EQ(overlay->textureB, pictures[t.picture]);
        }
        ASSERT_TRUE(c.StopTimedState(t.state, 0));
    }
}

TEST_F(TimedStateTest, AStopEndsTheStateOnceEvenWithoutOverlayAndOnlyTheHostTellsOfAFadingOne) {
    // Invisibility: the model is translucent exactly while it lasts.
    const struct {
        const char* name;
        bool client, hosting, dead, overlayTaken;
        int fade;
        bool stops;
        Events events;
    } cases[] = {
        {"host fading", true, true, false, false, 1000, true, {{33, 0, 0, 0xE8, 0x03, 0, 0}}},
        {"host cancelling", true, true, false, false, 0, true, {}},
        {"overlay taken", false, false, false, true, 1000, true, {}},
        {"a client on its own", true, false, false, false, 1000, false, {}},
        {"a client, the fighter dead", true, false, true, false, 1000, true, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        Character& c = Standing();
        ASSERT_TRUE(c.StartInvisibility(5000, 1000));
        ASSERT_EQ(c.model->invisible, 1);
        ASSERT_TRUE(!t.overlayTaken || c.RemoveBodyOverlay(0));
        Network(t.client, t.hosting);
        c.dead = t.dead ? 1 : 0;
        Recorder().sounds.clear();
        EXPECT_EQ(c.StopInvisibility(t.fade), t.stops);
        EXPECT_FALSE(c.StopInvisibility(t.fade) && t.stops);
        EXPECT_EQ(c.model->invisible, t.stops ? 0 : 1);
        EXPECT_EQ(SoundIds(), t.stops ? std::vector<int>{163} : std::vector<int>{});
        EXPECT_EQ(StateEvents(), t.events);
        Network(false, false);
    }
}

TEST_F(TimedStateTest, FreezeEndsTheSplitClearsTheRepeatAndStopsTheBodyEvenRunning) {
    Character& c = Standing();
    Force(c, 21);
    Force(c, 170, BONE_UPPER_BODY);
    c.powerRepeat = 1;
    ASSERT_TRUE(c.StartFreeze(10000, 1000));
    EXPECT_EQ(c.split, 0);
    EXPECT_EQ(c.powerRepeat, 0);
    EXPECT_EQ(Controller(c, 0).rate, 0.0f);
    EXPECT_EQ(Controller(c, BONE_UPPER_BODY).rate, 0.0f);
    ASSERT_TRUE(c.StopFreeze(1000));
    EXPECT_EQ(Controller(c, 0).rate, 30.0f);
}

TEST_F(TimedStateTest, SpeedAndSuperQuickenARunningBodyAtOnceAndGiveItBackItsPaceAtTheEnd) {
    for (int state : {STATE_SPEED_BOOST, STATE_SUPER}) {
        SCOPED_TRACE(state);
        Character& c = Standing();
        Force(c, 21);
        ASSERT_EQ(Controller(c, 0).rate, 30.0f);
        ASSERT_TRUE(c.StartTimedState(state, 30000, 1000));
        EXPECT_EQ(Controller(c, 0).rate, 45.0f);
        ASSERT_TRUE(c.StopTimedState(state, 1000));
        EXPECT_EQ(Controller(c, 0).rate, 30.0f);
    }
}

TEST_F(TimedStateTest, APartialOverlayCoversEveryDetailLevelAndEachLookPieceMeshGetsItsOwn) {
    Character& c = Standing();
    MeshNode piece;
    Mesh* mesh = &Wear(c, piece);
    const int32_t skin = BaseTexture(*mesh);
    ASSERT_TRUE(c.StartConstitutionBoost(5000, 1000));
    const int32_t body = BodyOverride(c);
    for (const ModelDetailLevel& level : c.model->levels) EXPECT_EQ(level.subMeshes[0]->overrideMaterialId, body);
    EXPECT_EQ(g_Scene.materialRefs->Find(body)->owner, 3u);
    EXPECT_EQ(g_Scene.materials->Get(body)->refCount, MODEL_LOD_COUNT);
    const auto* piecesOwn = dynamic_cast<AnimatedMaterialB*>(g_Scene.materials->Get(mesh->overrideMaterialId));
    ASSERT_NE(piecesOwn, nullptr);
    EXPECT_EQ(piecesOwn->baseTexture, skin);
    ASSERT_TRUE(c.StopConstitutionBoost(400));
    EXPECT_EQ(piecesOwn->state, AnimatedMaterialB::kFadeOut);
    EXPECT_EQ(piecesOwn->duration, 400u);
    // A flash takes the place of the fading overlays, which lose the meshes' references and
    // wait for the list; each flash then runs once a frame.
    const int32_t fading = mesh->overrideMaterialId;
    c.FlashSpawnOverlay(1, 500, 0, 500);
    EXPECT_NE(dynamic_cast<AnimatedMaterialA*>(Override(c.model->levels[4].subMeshes[0])), nullptr);
    ExpectWaitingForTheList({body, fading});
    ExpectOneFrameEach({BodyOverride(c), mesh->overrideMaterialId}, 100);
    EXPECT_EQ(g_Scene.materials->Get(body), nullptr);
    EXPECT_EQ(g_Scene.materials->Get(fading), nullptr);
    c.model->SetAttachment(3, nullptr, "", 0);
}

TEST_F(TimedStateTest, ASecondStateOverABoostWithALookPieceRunsEachOverlayOnceAFrame) {
    Character& c = Standing();
    MeshNode piece;
    Mesh& mesh = Wear(c, piece);
    ASSERT_TRUE(c.StartStrengthBoost(5000, 1000));
    const int32_t boostBody = BodyOverride(c), boostPiece = mesh.overrideMaterialId;
    ASSERT_TRUE(c.StartSuper(5000, 1000));
    const int32_t body = BodyOverride(c), worn = mesh.overrideMaterialId;
    ExpectWaitingForTheList({boostBody, boostPiece});
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        ExpectOneFrameEach({body, worn}, 100);
    }
    EXPECT_EQ(g_Scene.materials->Get(boostBody), nullptr);
    EXPECT_EQ(g_Scene.materials->Get(boostPiece), nullptr);
    EXPECT_EQ(g_Scene.materials->Get(body)->refCount, MODEL_LOD_COUNT);
    EXPECT_EQ(g_Scene.materials->Get(worn)->refCount, 1);
    c.model->SetAttachment(3, nullptr, "", 0);
}

// A fighter that goes while it glows gives its overlays back: the list frees them next frame.
TEST_F(TimedStateTest, ADespawnedFightersOverlaysAreFreedByTheListsNextUpdate) {
    Character& c = Standing();
    auto* piece = new MeshNode();
    g_Scene.objects->Add(piece);
    Mesh& mesh = Wear(c, *piece);
    ASSERT_TRUE(c.StartSuper(5000, 1000));
    const int32_t body = BodyOverride(c), worn = mesh.overrideMaterialId;
    ASSERT_TRUE(c.Despawn());
    ExpectWaitingForTheList({body, worn});
    g_Scene.materialRefs->Update(100);
    EXPECT_EQ(g_Scene.materials->Get(body), nullptr);
    EXPECT_EQ(g_Scene.materials->Get(worn), nullptr);
    EXPECT_TRUE(Listed().empty());
}

TEST_F(TimedStateTest, TheModifiersFollowTheStatesTheStatisticsAndTheAction) {
    const struct {
        int animation;
        std::vector<int> states;
        float speed, agility;   // above the side's base
        float rate;
        bool immune;
        uint32_t guardMs;
        float gravity;
    } cases[] = {
        {21, {STATE_FREEZE, STATE_SPEED_BOOST}, 0, 0, 0, false, 5000, -9.8f},
        {21, {STATE_PARALYSIS, STATE_SPEED_BOOST}, 0, 172.5f, 15, false, 7500, -6.533333f},
        {24, {STATE_SUPER}, 0, 0, 45, true, 10000, -4.9f},
        {21, {}, 172.5f, 500, 37.5f, false, 10000, -4.9f},
        {21, {STATE_AGILITY_BOOST}, 400, 0, 45, false, 10000, -4.9f},
        {0, {STATE_SPEED_BOOST}, 0, 0, 30, false, 5000, -9.8f},
        {190, {}, 0, 0, 45, true, 5000, -9.8f},
        {195, {}, 0, 0, 30, true, 5000, -9.8f},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.animation);
        Character& c = Standing(1);
        Force(c, t.animation);
        for (int k : t.states) c.states[k].active = 1;
        c.speed = BASE_STATISTIC + t.speed;
        c.agility = BASE_STATISTIC + t.agility;
        EXPECT_FLOAT_EQ(c.AnimationRate(), t.rate);
        EXPECT_EQ(c.IsImmune(), t.immune);
        EXPECT_EQ(c.MaxGuardTime(), t.guardMs);
        EXPECT_NEAR(c.Gravity(), t.gravity, 1e-5f);
    }
}

TEST_F(TimedStateTest, AgilityFarBelowTheBaseGivesNoGuardTimeRatherThanAWrappedOne) {
    Character& c = Standing(1);
    c.agility = -1.0e6f;
    EXPECT_EQ(c.MaxGuardTime(), 0u);
}

TEST_F(TimedStateTest, AParalysedFighterBlendsTwiceAsLongAndTheEntryTwoThirds) {
    Character& c = Standing();
    ASSERT_TRUE(c.StartParalysis(5000, 0));
    ASSERT_TRUE(c.SetAnimation(50, 300, 0, 0));
    EXPECT_EQ(Controller(c, 0).blendTotal, 600u);
    c.CancelStates();
    ASSERT_TRUE(c.SetAnimation(190, 300, 0, 0));
    EXPECT_EQ(Controller(c, 0).blendTotal, 200u);
}

TEST_F(TimedStateTest, TheUnannouncedProtectionStartsWhenTheEntryCompletesAlsoForARecordThatEndedFrozen) {
    for (bool frozen : {false, true}) {
        SCOPED_TRACE(frozen);
        Character& c = Fighter(1);
        Recorder().local = &c;
        if (frozen) {
            Force(c, 0);
            ASSERT_TRUE(c.StartFreeze(10000, 1000));
        }
        Network(true, true);
        if (frozen) c.Respawn();
        ASSERT_EQ(c.currentAnimation, 192);
        EXPECT_FLOAT_EQ(Controller(c, 0).rate, 45.0f);
        ToWrap(c);
        Recorder().events.clear();
        c.UpdateStates();
        EXPECT_EQ(c.states[STATE_INVULNERABILITY].active, 1);
        EXPECT_EQ(c.states[STATE_INVULNERABILITY].durationMs, 5000u);
        EXPECT_TRUE(StateEvents().empty());
        Network(false, false);
    }
}

}  // namespace
}  // namespace fightertest
