#include "world/scenario.h"

#include <cstdio>
#include <cstring>

#include "core/file_list.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "effects/effect_list.h"
#include "frontend/loading_screen.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "shell/mouse.h"
#include "world/dynamic_mesh.h"
#include "world/world_calls.h"

Scenario g_Scenario;
PortalRecord g_Portals[PORTAL_COUNT] = {
    {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}},
    {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}},
    {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}},
    {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}}, {0, -1, -1, {}, {}},
};
uint32_t g_GlowMoteTime = 0;
uint32_t g_LightningTime = 0;
int32_t g_LightningCounter = LIGHTNING_NONE;

namespace {

constexpr uint32_t kLoadScene = 3;
constexpr uint32_t kLoadSky = 4;
constexpr uint32_t kLoadPlain = 0;
constexpr int kMergeParts = 10;
constexpr const char* kBubbleName = "HellBubble(DIN)";

bool ModelFileExists(const char* path) { return FindPackEntry("MODELOS.DAT", path) != 0; }

SceneNode* ListHead(const ObjectList* list) { return list && list->head ? list->head->object : nullptr; }

// The bubble draws without point lights.
void ExcludeFromPointLights(SceneNode* node) {
    if (DynamicMesh* movable = AsDynamicMesh(node)) movable->lit = 0;
}

}  // namespace

Scenario::Scenario()
    : number(-1),
      row(nullptr),
      healthSpring(0),
      energySpring(0),
      healthSpringCentre{},
      energySpringCentre{},
      bubbleModel(nullptr),
      bubbleTime(0),
      results{},
      ripple0(-1),
      ripple1(-1) {}

Scenario::~Scenario() {
    Unload();
    pathMap.Free();
}

void ScenarioSceneFile(int number, char* out, size_t size) {
    std::snprintf(out, size, "Modelos\\Escenarios\\Escenario%02d\\Escenario%02d.y3d", number, number);
}

bool Scenario::Load(int n) {
    number = n;
    row = ScenarioRowOf(n);
    char name[32];
    std::snprintf(name, sizeof name, "Escenario%02d", n);
    char textures[96];
    std::snprintf(textures, sizeof textures, "Texturas\\Escenarios\\%s\\", name);
    char path[192];

    if (row->fog) {
        std::snprintf(path, sizeof path, "%s%s", textures, "Fog.tga");
        g_Scene.SetSkyTexture(path);
        g_Scene.hazeNear = row->fogNear;
        g_Scene.hazeFar = row->fogFar;
    }

    ScenarioSceneFile(n, path, sizeof path);
    // Without it the other steps still run, as they always have; the caller decides whether a
    // scenario without its world can be used.
    const bool sceneLoaded = g_Scene.LoadModel(path, textures, kLoadScene, true);

    std::snprintf(path, sizeof path, "Modelos\\Escenarios\\%s\\Cielo%02d.y3d", name, n);
    if (ModelFileExists(path)) {
        // Only what the sky file itself added may become the sky, never a node of the scene file.
        SceneNode* before = ListHead(g_Scene.objects);
        g_Scene.LoadModel(path, textures, kLoadSky, false);
        SceneNode* added = ListHead(g_Scene.objects);
        if (added && added != before) {
            g_Scene.objects->Remove(added);
            delete g_Scene.sky;
            g_Scene.sky = added;
        }
    }

    // The textured elements are kept by nothing that draws or queries them.
    if (g_Scene.texturedElements) g_Scene.texturedElements->DeleteAll();

    std::snprintf(path, sizeof path, "Modelos\\Escenarios\\%s\\Luces%02d.y3d", name, n);
    g_Scene.LoadModel(path, nullptr, kLoadPlain, false);

    for (int k = 0; k < kMergeParts; ++k) {
        std::snprintf(path, sizeof path, "Modelos\\Escenarios\\%s\\Merge%02d.y3d", name, k);
        if (!ModelFileExists(path)) break;
        g_Scene.LoadModel(path, textures, kLoadScene, false);
    }

    const WorldCalls& call = g_WorldCalls;
    if (g_Settings.mode == 0) call.setupRain(row->rain != 0);
    if (g_Settings.mode != 1) {
        call.loadDynamicObjectModels();
        call.loadItemModels();
    }
    call.loadPathMap(&pathMap);
    g_Mouse.Reset();

    if (row->bubbles) {
        const char* file = n == 15 ? "HellBubble15.Y3D" : n == 18 ? "HellBubble18.Y3D" : "HellBubble.Y3D";
        std::snprintf(path, sizeof path, "Modelos\\Objetos Dinamicos\\%s", file);
        g_Scene.LoadModel(path, "Texturas\\Efectos\\", kLoadPlain, false);
        SceneNode* bubble = g_Scene.objects ? g_Scene.objects->FindByName(kBubbleName) : nullptr;
        if (bubble) {
            g_Scene.objects->Remove(bubble);
            delete bubbleModel;
            bubbleModel = bubble;
            ExcludeFromPointLights(bubble);
        }
    }

    bubbleTime = 0;
    g_LoadingScreen.Show(0.6f);
    if (g_Scene.textures) {
        ripple0 = g_Scene.textures->LoadTexture("Texturas\\Efectos\\Wave00.tga", true, true, true);
        ripple1 = g_Scene.textures->LoadTexture("Texturas\\Efectos\\Wave01.tga", true, true, true);
    }
    g_FileList.MarkUnusedScenarioTextures(n);
    ResetResults();
    return sceneLoaded;
}

void Scenario::Unload() {
    if (row) {
        if (row->rain && g_Scene.effects) g_Scene.effects->Remove(&rain);
        // The emitter is ours: no scene may go on drawing it.
        if (g_Scene.ambientEffect == &rain) g_Scene.SetAmbientEffect(nullptr);
        if (row->fog && g_Video.device) g_Scene.skyLayer = 0;
        g_WorldCalls.freeDynamicObjects();
        g_WorldCalls.freeAllItems();
    }
    pathMap.Free();
    delete bubbleModel;
    bubbleModel = nullptr;
    bubbleTime = 0;
    // The wave textures went with the scene that loaded them.
    ripple0 = ripple1 = -1;
    ForgetSpringAndPortalEffects();
    // The next scenario's ambience starts as the first one's did, not within the last one's
    // lightning or with its stamps.
    g_GlowMoteTime = g_LightningTime = 0;
    g_LightningCounter = LIGHTNING_NONE;
    number = -1;
    row = nullptr;
}

void Scenario::ResetResults() {
    std::memset(results, 0, sizeof results);
    results[1] = 0xffffffffu;
    for (int slot = 0; slot < 16; ++slot) ResetFighterResults(slot);
}

void Scenario::ResetFighterResults(int slot) {
    if (slot < 0 || slot >= 16) return;
    // The slot's record of 15 dwords from dword 24; its second dword is the line-up identifier.
    uint32_t* row = results + 24 + slot * 15;
    std::memset(row, 0, 15 * sizeof *row);
    row[1] = 0xffffffffu;
}

void ResetScenario() {
    g_Scenario.Unload();
    g_Scenario.healthSpring = g_Scenario.energySpring = 0;
    g_Scenario.healthSpringCentre = g_Scenario.energySpringCentre = Vec3{};
    std::memset(g_Scenario.results, 0, sizeof g_Scenario.results);
    for (PortalRecord& p : g_Portals) p = PortalRecord{0, -1, -1, {}, {}};
}

