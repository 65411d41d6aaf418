// The scene container: members made and freed at every switch (with what its loaders put in
// its lists), the world pass in its order, device loss, the camera stack, the animation table
// and the ray and sweep queries over the collision world.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "collision_world.h"
#include "effects/effect_list.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/render_octree.h"
#include "render/texture_manager.h"
#include "render/vertex_buffer_table.h"
#include "scene/anim_controller.h"
#include "scene/animation.h"
#include "scene/collision_octree.h"
#include "scene/light_node.h"
#include "scene/light_slots.h"
#include "scene/mesh_node.h"
#include "scene/object_list.h"
#include "scene_fixture.h"

namespace scenetest {
namespace {

const char* PhaseName(ScenePhase p) {
    switch (p) {
    case ScenePhase::ResetCache: return "reset-cache";
    case ScenePhase::ModelVisibility: return "model-visibility";
    case ScenePhase::ReflectionTargets: return "reflection-targets";
    case ScenePhase::ClearQueue: return "clear-queue";
    case ScenePhase::Sky: return "sky";
    case ScenePhase::FlushSky: return "flush-sky";
    case ScenePhase::StaticWorld: return "static-world";
    case ScenePhase::Nodes: return "nodes";
    case ScenePhase::Shadows: return "shadows";
    case ScenePhase::Models: return "models";
    case ScenePhase::Surfaces: return "surfaces";
    case ScenePhase::Decals: return "decals";
    case ScenePhase::Queue: return "queue";
    case ScenePhase::Ambient: return "ambient";
    case ScenePhase::ScreenSpaceEffects: return "screen-space-effects";
    case ScenePhase::ScreenSpaceList: return "screen-space-list";
    }
    return "?";
}

// The depth test as the world passes leave it, just before the screen-space passes turn it off.
uint8_t g_zEnableBeforeScreenSpace = 0;
void RecordPhase(ScenePhase p) {
    if (p == ScenePhase::ScreenSpaceEffects) g_zEnableBeforeScreenSpace = g_Video.zEnable;
    Events().push_back(PhaseName(p));
}

// A sky that records the states it is drawn under.
class SkyNode : public CountedNode {
public:
    SkyNode() : CountedNode("sky") {}
    bool Draw() override {
        const Camera* c = g_Scene.camera;
        Events().push_back("draw:sky far=" + std::to_string(int(c ? c->farPlane : -1)) +
                           " z=" + std::to_string(int(g_Video.zEnable)) +
                           " lock=" + std::to_string(int(g_Video.lightingLocked)));
        return true;
    }
};

class SceneTest : public SceneDeviceTest {};

// Every member the scene owns, by name, for the made / freed checks.
std::vector<std::pair<const char*, const void*>> Members(const Scene& s) {
    return {{"objects", s.objects},
            {"collidables", s.collidables},
            {"characterModels", s.characterModels},
            {"elements", s.elements},
            {"renderOctree", s.renderOctree},
            {"collisionOctree", s.collisionOctree},
            {"meshes", s.meshes},
            {"vertexBuffers", s.vertexBuffers},
            {"indexBuffers", s.indexBuffers},
            {"materials", s.materials},
            {"materialRefs", s.materialRefs},
            {"textures", s.textures},
            {"screenSpace", s.screenSpace},
            {"lightSlots", s.lightSlots},
            {"texturedElements", s.texturedElements},
            {"mirrors", s.mirrors},
            {"waters", s.waters},
            {"effects", s.effects},
            {"decals", s.decals},
            {"dynamicBuffer", s.dynamicBuffer},
            {"renderQueue", s.renderQueue},
            {"renderBatches", s.renderBatches},
            {"camera", s.camera}};
}

TEST_F(SceneTest, CreateRenderEmptyDestroyTwice) {
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(g_Scene.Create());
        for (const auto& [name, member] : Members(g_Scene)) EXPECT_NE(member, nullptr) << name << " round " << round;
        EXPECT_EQ(g_Scene.skyTexture, -1);
        EXPECT_EQ(g_Scene.skyLayer, 0);
        EXPECT_EQ(g_Scene.sky, nullptr);
        EXPECT_EQ(g_Scene.sun, nullptr);
        EXPECT_EQ(g_Scene.savedCamera, nullptr);
        EXPECT_EQ(g_Scene.ambientEffect, nullptr);
        // The id-holding code reaches the scene's own tables.
        EXPECT_EQ(g_SceneMeshTable, g_Scene.meshes);
        EXPECT_EQ(g_SceneVertexBuffers, g_Scene.vertexBuffers);
        EXPECT_EQ(g_SceneIndexBuffers, g_Scene.indexBuffers);
        EXPECT_EQ(g_SceneTextures, g_Scene.textures);
        EXPECT_EQ(g_SceneRenderBatches, g_Scene.renderBatches);
        EXPECT_EQ(SceneCollisionOctree(), g_Scene.collisionOctree);
        EXPECT_EQ(g_Scene.dynamicBuffer->capacity, SCENE_DYNAMIC_VERTICES);
        EXPECT_EQ(g_Scene.dynamicBuffer->fvf, SCENE_DYNAMIC_FVF);
        EXPECT_NE(g_Scene.dynamicBuffer->buffer, nullptr);

        AimCamera(g_Scene.camera);
        g_Scene.skyLayer = 1;
        g_Scene.Render();
        EXPECT_EQ(g_DrawCalls, 0u);

        g_Scene.Destroy(round == 1);
        for (const auto& [name, member] : Members(g_Scene)) EXPECT_EQ(member, nullptr) << name << " round " << round;
        EXPECT_EQ(g_Scene.skyLayer, 0);
        EXPECT_EQ(g_Scene.skyTexture, -1);
        EXPECT_EQ(g_SceneMeshTable, nullptr);
        EXPECT_EQ(g_SceneVertexBuffers, nullptr);
        EXPECT_EQ(g_SceneIndexBuffers, nullptr);
        EXPECT_EQ(g_SceneTextures, nullptr);
        EXPECT_EQ(g_SceneRenderBatches, nullptr);
        EXPECT_EQ(SceneCollisionOctree(), nullptr);
    }
    // Only the dynamic buffer lives on the device, and it went with the scene.
    EXPECT_EQ(rec->LiveResources(gfx::D3DPOOL_DEFAULT), 0u);
    // Freeing what is already freed is harmless.
    g_Scene.Destroy(true);
}

TEST_F(SceneTest, CreateTwiceFreesTheFirstMembers) {
    ASSERT_TRUE(g_Scene.Create());
    g_Scene.objects->Add(new CountedNode("old"));
    ASSERT_TRUE(g_Scene.Create());
    EXPECT_EQ(CountedNode::Alive(), 0);
    EXPECT_EQ(g_Scene.objects->count, 0u);
}

TEST_F(SceneTest, DestroyDeletesWhatTheLoadersPutInTheLists) {
    ASSERT_TRUE(g_Scene.Create());
    g_Scene.objects->Add(new CountedNode("mesh"));
    g_Scene.objects->Add(new CountedNode("lava"));
    g_Scene.collidables->Add(new CountedNode("crate", NODE_TYPE_DYNAMIC_COLLIDABLE));
    g_Scene.elements->Add(new CountedNode("element", NODE_TYPE_ELEMENT_A));
    g_Scene.texturedElements->Add(new CountedNode("tag"));
    g_Scene.mirrors->Add(new CountedNode("mirror", NODE_TYPE_MIRROR));
    g_Scene.waters->Add(new CountedNode("water"));
    g_Scene.sky = new CountedNode("sky");
    g_Scene.objects->Add(g_Scene.sky);   // still listed: freed once all the same
    g_Scene.sun = new DirectionalLight();
    g_Scene.lights = {new PointLight(), g_Scene.sun};
    g_Scene.effects->Add(new CountedEffect("glow"));
    g_Scene.decals->Add(new CountedEffect("decal"));
    // Character models and screen-space sprites belong to the fighters and the front end.
    CountedNode model("model", NODE_TYPE_CHARACTER_MODEL), sprite("sprite");
    g_Scene.characterModels->Add(&model);
    g_Scene.screenSpace->Add(&sprite);
    CountedEffect ambient("ambient");
    g_Scene.SetAmbientEffect(&ambient);
    EXPECT_EQ(CountedNode::Alive(), 10);
    EXPECT_EQ(CountedEffect::Alive(), 3);

    g_Scene.Destroy(false);
    EXPECT_EQ(CountedNode::Alive(), 2);     // the model and the sprite
    EXPECT_EQ(CountedEffect::Alive(), 1);   // the ambient effect is not the scene's
    EXPECT_EQ(g_Scene.ambientEffect, nullptr);
    EXPECT_EQ(g_Scene.sky, nullptr);
    EXPECT_EQ(g_Scene.sun, nullptr);
    EXPECT_TRUE(g_Scene.lights.empty());
}

TEST_F(SceneTest, RenderOrderAsRecordedPhases) {
    const std::vector<std::string> plain = {"reset-cache", "model-visibility", "reflection-targets", "clear-queue",
                                            "flush-sky", "static-world", "nodes", "render:rock", "draw:rock",
                                            "models", "render:hero", "draw:hero", "surfaces", "render:pond",
                                            "draw:pond", "decals", "queue", "screen-space-effects",
                                            "screen-space-list", "draw:hud"};
    struct Case {
        const char* what;
        bool sky, shadows, menu, ambient;
        std::vector<std::string> expected;
    } cases[] = {
        {"empty frame", false, false, false, false, plain},
        {"sky, shadows and ambient effect",
         true,
         true,
         false,
         true,
         {"reset-cache", "model-visibility", "reflection-targets", "clear-queue", "sky", "draw:sky far=100 z=0 lock=1",
          "flush-sky", "static-world", "nodes", "render:rock", "draw:rock", "shadows", "models", "render:hero",
          "draw:hero", "surfaces", "render:pond", "draw:pond", "decals", "queue", "ambient", "effect:ambient",
          "screen-space-effects", "screen-space-list", "draw:hud"}},
        {"menu active: no models, no shadows",
         false,
         true,
         true,
         false,
         {"reset-cache", "reflection-targets", "clear-queue", "flush-sky", "static-world", "nodes", "render:rock",
          "draw:rock", "surfaces", "render:pond", "draw:pond", "decals", "queue", "screen-space-effects",
          "screen-space-list", "draw:hud"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(g_Scene.Create());
        AimCamera(g_Scene.camera);
        CountedNode hero("hero"), hud("hud");
        g_Scene.objects->Add(new CountedNode("rock"));
        g_Scene.waters->Add(new CountedNode("pond"));
        g_Scene.characterModels->Add(&hero);
        g_Scene.screenSpace->Add(&hud);
        if (c.sky) g_Scene.sky = new SkyNode();
        CountedEffect ambient("ambient");
        if (c.ambient) g_Scene.SetAmbientEffect(&ambient);
        g_Settings.characterShadow = c.shadows;
        g_Menu.active = c.menu;
        Events().clear();
        SetScenePhaseObserver(RecordPhase);
        g_Scene.Render();
        SetScenePhaseObserver(nullptr);
        EXPECT_EQ(Events(), c.expected) << c.what;
        // The sky's far plane is put back; without a sky it is never touched.
        EXPECT_EQ(g_Scene.camera->farPlane, 50.0f) << c.what;
        EXPECT_EQ(g_Video.lightingLocked, 0) << c.what;
        EXPECT_EQ(g_zEnableBeforeScreenSpace, 1) << c.what;
        EXPECT_EQ(g_Video.zEnable, 0) << c.what;  // the screen-space pass draws without it
        g_Scene.Destroy(false);
    }
}

TEST_F(SceneTest, DeviceLossReleasesAndRestoresTheDynamicBuffer) {
    ASSERT_TRUE(g_Scene.Create());
    AimCamera(g_Scene.camera);
    ASSERT_NE(g_Scene.dynamicBuffer->buffer, nullptr);
    EXPECT_EQ(rec->LiveResources(gfx::D3DPOOL_DEFAULT), 1u);
    g_Scene.InvalidateDeviceObjects();
    EXPECT_EQ(g_Scene.dynamicBuffer->buffer, nullptr);
    EXPECT_EQ(rec->LiveResources(gfx::D3DPOOL_DEFAULT), 0u);
    g_Scene.RestoreDeviceObjects();
    EXPECT_NE(g_Scene.dynamicBuffer->buffer, nullptr);
    EXPECT_EQ(rec->LiveResources(gfx::D3DPOOL_DEFAULT), 1u);
    EXPECT_EQ(g_Scene.dynamicBuffer->capacity, SCENE_DYNAMIC_VERTICES);
    // The camera keeps working after the restore.
    EXPECT_TRUE(g_Scene.camera->PointVisible(Vec3{0, 0, 0}));
    // Without a scene both do nothing.
    g_Scene.Destroy(false);
    g_Scene.InvalidateDeviceObjects();
    g_Scene.RestoreDeviceObjects();
    EXPECT_EQ(rec->LiveResources(gfx::D3DPOOL_DEFAULT), 0u);
}

TEST_F(SceneTest, UpdateStepsEffectsDecalsAndTheAmbientEffect) {
    ASSERT_TRUE(g_Scene.Create());
    g_Scene.effects->Add(new CountedEffect("glow"));
    g_Scene.decals->Add(new CountedEffect("decal"));
    CountedEffect ambient("ambient");
    EXPECT_EQ(g_Scene.SetAmbientEffect(&ambient), &ambient);
    g_Scene.Update(33);
    EXPECT_EQ(Events(), (std::vector<std::string>{"update:glow", "update:decal", "update:ambient"}));
    EXPECT_EQ(ambient.lastDt, 33u);
    Events().clear();
    g_Scene.Update(-5);   // a clock running backwards steps by nothing
    EXPECT_EQ(ambient.lastDt, 0u);
    EXPECT_EQ(g_Scene.SetAmbientEffect(nullptr), nullptr);
    g_Scene.Destroy(false);
    g_Scene.Update(10);   // no scene: nothing to step
}

TEST_F(SceneTest, CameraStackHoldsOneLevel) {
    ASSERT_TRUE(g_Scene.Create());
    Camera* own = g_Scene.camera;
    Camera mirror, other;
    EXPECT_TRUE(g_Scene.PushCamera(&mirror));
    EXPECT_EQ(g_Scene.camera, &mirror);
    EXPECT_FALSE(g_Scene.PushCamera(&other));
    EXPECT_EQ(g_Scene.camera, &mirror);
    g_Scene.PopCamera();
    EXPECT_EQ(g_Scene.camera, own);
    g_Scene.PopCamera();   // nothing saved: nothing happens
    EXPECT_EQ(g_Scene.camera, own);
    // A pushed camera owned elsewhere is popped, not deleted, by Destroy.
    EXPECT_TRUE(g_Scene.PushCamera(&mirror));
    g_Scene.Destroy(false);
    EXPECT_EQ(g_Scene.camera, nullptr);
    EXPECT_EQ(g_Scene.savedCamera, nullptr);
}

Animation** NewGroup() {
    Animation** group = new Animation*[SCENE_ANIMATIONS_PER_GROUP]();
    group[0] = new Animation();
    group[999] = new Animation();
    return group;
}

TEST_F(SceneTest, AnimationGroupsSurviveOnlyTheSwitchIntoAMatch) {
    ASSERT_TRUE(g_Scene.Create());
    g_Scene.animations[3] = NewGroup();
    Animation* first = g_Scene.animations[3][0];
    EXPECT_EQ(::GetAnimation(3, 0), first);   // the scene's table is the one animation code sees
    g_Scene.Destroy(false);
    EXPECT_EQ(::GetAnimation(3, 0), nullptr); // no scene, no lookup
    ASSERT_TRUE(g_Scene.Create());
    EXPECT_EQ(g_Scene.GetAnimation(3, 0), first);
    EXPECT_EQ(::GetAnimation(3, 999), g_Scene.animations[3][999]);
    struct Case {
        int group, index;
    } outside[] = {{100, 0}, {0, 1000}, {-1, 0}, {3, -1}, {3, 1000}, {4, 0}};
    for (const Case& c : outside) EXPECT_EQ(g_Scene.GetAnimation(c.group, c.index), nullptr) << c.group << "," << c.index;
    EXPECT_EQ(g_Scene.GetAnimation(3, 5), nullptr);   // a missing file
    g_Scene.Destroy(true);
    EXPECT_EQ(g_Scene.animations[3], nullptr);
}

TEST_F(SceneTest, HeadlightFollowsTheCamera) {
    ASSERT_TRUE(g_Scene.Create());
    AimCamera(g_Scene.camera);
    EXPECT_TRUE(g_Scene.EnableHeadlight(true));
    const gfx::RecordingLight& l = rec->State().lights[0];
    EXPECT_TRUE(l.enabled);
    EXPECT_EQ(l.light.Type, gfx::D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(l.light.Diffuse.r, 1.0f);
    EXPECT_EQ(l.light.Diffuse.g, 1.0f);
    EXPECT_EQ(l.light.Diffuse.b, 1.0f);
    EXPECT_EQ(l.light.Diffuse.a, 0.0f);
    EXPECT_NEAR(l.light.Direction.z, 1.0f, 1e-5f);
    EXPECT_NEAR(l.light.Direction.x, 0.0f, 1e-5f);
    EXPECT_TRUE(g_Scene.EnableHeadlight(false));
    EXPECT_FALSE(rec->State().lights[0].enabled);
}

class SceneQueryTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ASSERT_TRUE(g_Scene.Create());
        ASSERT_TRUE(collisiontest::BuildWorld(g_Scene.collisionOctree));
    }
};

TEST_F(SceneQueryTest, RayHitsWithinTheLengthOnly) {
    // Straight down onto the floor y = -2 at (4, -4): 12 units below the origin.
    struct Case {
        const char* what;
        float length;
        bool hit;
    } cases[] = {{"well within", 20.0f, true}, {"exactly at the length", 12.0f, false}, {"short", 5.0f, false}};
    for (const Case& c : cases) {
        Ray ray{{0, -3, 0}, {4, 10, -4}};
        Vec3 point{99, 99, 99}, normal{98, 98, 98};
        uint16_t type = 77;
        EXPECT_EQ(g_Scene.RayQuery(&ray, c.length, &point, &normal, &type, 1), c.hit) << c.what;
        if (c.hit) {
            EXPECT_NEAR(point.y, -2.0f, 1e-4f) << c.what;
            EXPECT_NEAR(point.x, 4.0f, 1e-4f) << c.what;
            EXPECT_NEAR(normal.y, 1.0f, 1e-4f) << c.what;
        } else {
            EXPECT_EQ(point.x, 99) << c.what;
            EXPECT_EQ(normal.y, 98) << c.what;
            EXPECT_EQ(type, 77) << c.what;
        }
    }
    // Null outputs are allowed.
    Ray ray{{0, -1, 0}, {4, 10, -4}};
    EXPECT_TRUE(g_Scene.RayQuery(&ray, 20.0f, nullptr, nullptr, nullptr, 1));
}

TEST_F(SceneQueryTest, RayMissLeavesOutputsAlone) {
    // Over the part of the world with no ground.
    Ray ray{{0, -1, 0}, {-4, 10, 4}};
    Vec3 point{1, 2, 3}, normal{4, 5, 6};
    uint16_t type = 7;
    EXPECT_FALSE(g_Scene.RayQuery(&ray, 100.0f, &point, &normal, &type, 1));
    EXPECT_EQ(point.y, 2);
    EXPECT_EQ(normal.z, 6);
    EXPECT_EQ(type, 7);
}

TEST_F(SceneQueryTest, SweepFindsTheFloorAndZeroesTheNormalOnAMiss) {
    // A small quad at y = 1 over the floor, moving down 5 units; its corners run so that the
    // start plane's normal points along the motion.
    SweepVolume down{{{3.5f, 1, -4.5f}, {4.5f, 1, -4.5f}, {4.5f, 1, -3.5f}, {3.5f, 1, -3.5f}}, {0, -5, 0}};
    Vec3 point{9, 9, 9}, normal{9, 9, 9};
    ASSERT_TRUE(g_Scene.SweepSphere(down, &point, &normal, 1));
    EXPECT_NEAR(point.y, -2.0f, 1e-3f);
    EXPECT_NEAR(normal.x, 0.0f, 1e-4f);
    EXPECT_NEAR(normal.y, 1.0f, 1e-4f);
    EXPECT_NEAR(normal.z, 0.0f, 1e-4f);

    // Too short to reach the floor.
    SweepVolume shortMove = down;
    shortMove.motion = {0, -1, 0};
    point = {9, 9, 9};
    normal = {9, 9, 9};
    EXPECT_FALSE(g_Scene.SweepSphere(shortMove, &point, &normal, 1));
    EXPECT_EQ(point.x, 9);
    EXPECT_EQ(normal.x, 0);
    EXPECT_EQ(normal.y, 0);
    EXPECT_EQ(normal.z, 0);
}

TEST_F(SceneQueryTest, QueriesWithoutAScene) {
    g_Scene.Destroy(false);
    Ray ray{{0, -1, 0}, {4, 10, -4}};
    Vec3 point{1, 1, 1}, normal{2, 2, 2};
    EXPECT_FALSE(g_Scene.RayQuery(&ray, 100.0f, &point, &normal, nullptr, 1));
    EXPECT_EQ(point.x, 1);
    SweepVolume v{{{0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}}, {0, -5, 0}};
    EXPECT_FALSE(g_Scene.SweepSphere(v, &point, &normal, 1));
    EXPECT_EQ(point.x, 1);
}

// Many switches between front end and match with loaded content: run under the leak detector,
// any member or loaded object left behind fails the program.
TEST_F(SceneTest, ManyCreateDestroyCyclesLeaveNothingBehind) {
    const float box[6] = {-1, -1, -1, 1, 1, 1};
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_TRUE(g_Scene.Create());
        AimCamera(g_Scene.camera);
        MeshNode* node = new MeshNode();
        node->SetName("Floor");
        std::memcpy(node->box, box, sizeof box);
        node->meshIds = new int32_t[1];
        node->meshIds[0] = g_Scene.meshes->Add(new Mesh());
        g_Scene.meshes->AddRef(node->meshIds[0]);
        node->meshCount = 1;
        g_Scene.objects->Add(node);
        g_Scene.objects->Add(new CountedNode("lava"));
        g_Scene.collidables->Add(new CountedNode("crate", NODE_TYPE_DYNAMIC_COLLIDABLE));
        g_Scene.elements->Add(new CountedNode("element"));
        g_Scene.texturedElements->Add(new CountedNode("tag"));
        g_Scene.mirrors->Add(new CountedNode("mirror", NODE_TYPE_MIRROR));
        g_Scene.waters->Add(new CountedNode("water"));
        g_Scene.sky = new CountedNode("sky");
        g_Scene.lights.push_back(new PointLight());
        g_Scene.sun = new DirectionalLight();
        g_Scene.effects->Add(new CountedEffect("glow"));
        g_Scene.decals->Add(new CountedEffect("decal"));
        if (cycle % 2 == 0) g_Scene.animations[cycle % 100] = NewGroup();
        g_Scene.Render();
        g_Scene.Update(16);
        if (cycle % 3 == 0) {
            g_Scene.InvalidateDeviceObjects();
            g_Scene.RestoreDeviceObjects();
        }
        g_Scene.Destroy(cycle % 4 == 0);
        EXPECT_EQ(CountedNode::Alive(), 0);
        EXPECT_EQ(CountedEffect::Alive(), 0);
        EXPECT_TRUE(g_Scene.lights.empty());
        EXPECT_EQ(g_Scene.sun, nullptr);
    }
    g_Scene.Destroy(true);
    for (Animation** group : g_Scene.animations) EXPECT_EQ(group, nullptr);
    EXPECT_EQ(rec->LiveResources(gfx::D3DPOOL_DEFAULT), 0u);
}

}  // namespace
}  // namespace scenetest
