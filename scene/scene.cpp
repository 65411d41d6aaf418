#include "scene/scene.h"

#include "scene/character_shadow.h"

#include <cmath>
#include <cstring>

#include "effects/decal.h"
#include "effects/effect_list.h"
#include "effects/positioned_object.h"
#include "frontend/menu.h"
#include "platform/gfx/device.h"
#include "render/dynamic_vertex_buffer.h"
#include "render/geometry.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/render_batches.h"
#include "render/render_octree.h"
#include "render/render_queue.h"
#include "render/texture_manager.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/anim_controller.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/collision_octree.h"
#include "scene/light_node.h"
#include "scene/light_slots.h"
#include "scene/object_list.h"
#include "scene/scene_node.h"
#include "core/settings.h"
#include "world/dynamic_mesh.h"

Scene g_Scene;
uint8_t g_SceneLowestDetail = 0;
uint32_t g_PolygonsDrawn = 0;
uint32_t g_DrawCalls = 0;

namespace {

ScenePhaseObserver g_phaseObserver = nullptr;

void Phase(ScenePhase phase) {
    if (g_phaseObserver) g_phaseObserver(phase);
}

Animation* SceneAnimationLookup(int32_t group, int32_t index) { return g_Scene.GetAnimation(group, index); }

template <typename T>
void DeleteMember(T*& member) {
    delete member;
    member = nullptr;
}

// Equal within the collision tolerance, component by component.
bool SameNormal(const Vec3& a, const Vec3& b) {
    return std::fabs(a.x - b.x) <= 0.0001f && std::fabs(a.y - b.y) <= 0.0001f && std::fabs(a.z - b.z) <= 0.0001f;
}

constexpr int SWEEP_MAX_NORMALS = 29;

}  // namespace

void SetScenePhaseObserver(ScenePhaseObserver observer) { g_phaseObserver = observer; }

// A movable sky follows the camera; any other kind stays where its file put it.
void SkyPlaceAt(SceneNode* sky, const Vec3& at) {
    if (DynamicMesh* movable = AsDynamicMesh(sky)) movable->SetPosition(at);
}
void DrawShadowOverlay() { DrawCharacterShadowOverlay(CurrentShadowDarkness()); }

Scene::~Scene() { Destroy(true); }

bool Scene::Create() {
    // A scene still standing is freed first, so a repeated Create never strands the old members.
    if (objects) Destroy(false);
    objects = new ObjectList();
    collidables = new CollidableList();
    characterModels = new CharacterModelList();
    elements = new ObjectList();
    renderOctree = new RenderOctree();
    collisionOctree = new CollisionOctree();
    meshes = new MeshTable();
    vertexBuffers = new VertexBufferTable();
    indexBuffers = new IndexBufferTable();
    materials = new MaterialTable();
    materialRefs = new MaterialRefList();
    textures = new TextureManager();
    screenSpace = new ScreenSpaceList();
    lightSlots = new LightSlots();
    sun = nullptr;
    ambientEffect = nullptr;
    lights.clear();
    texturedElements = new ObjectList();
    mirrors = new MirrorList();
    waters = new WaterList();
    effects = new EffectList();
    decals = new DecalList();
    dynamicBuffer = new DynamicVertexBuffer(SCENE_DYNAMIC_VERTICES, SCENE_DYNAMIC_FVF);
    renderQueue = new RenderQueue();
    renderBatches = new RenderBatches();
    // Blended meshes met by the octree walk go face by face to the queue, drawn after the world.
    renderBatches->queue = renderQueue;
    camera = new Camera();
    skyTexture = -1;
    savedCamera = nullptr;
    skyLayer = 0;

    // Code that holds only ids reaches the tables through these while the scene owns them.
    g_SceneMeshTable = meshes;
    g_SceneVertexBuffers = vertexBuffers;
    g_SceneIndexBuffers = indexBuffers;
    g_SceneTextures = textures;
    g_SceneRenderBatches = renderBatches;
    SetSceneCollisionOctree(collisionOctree);
    SetAnimationLookup(SceneAnimationLookup);
    return true;
}

void Scene::Destroy(bool freeAnimations) {
    // The shared pointers and hooks are the made scene's to reset; a scene never made (or
    // already freed) leaves them to whoever set them.
    const bool made = objects != nullptr;
    // Lists of what the scene's own loaders made: the members go with them. The sky and the sun
    // are freed on their own, so a list that still holds them lets go first.
    if (objects && sky) while (objects->Remove(sky)) {}
    if (objects) objects->DeleteAll();
    DeleteMember(objects);
    if (collidables) collidables->DeleteAll();
    DeleteMember(collidables);
    DeleteMember(characterModels);
    if (elements) elements->DeleteAll();
    DeleteMember(elements);
    DeleteMember(sky);
    DeleteMember(renderOctree);
    if (made) SetSceneCollisionOctree(nullptr);
    DeleteMember(collisionOctree);
    DeleteMember(meshes);
    if (made) g_SceneMeshTable = nullptr;
    DeleteMember(vertexBuffers);
    if (made) g_SceneVertexBuffers = nullptr;
    DeleteMember(indexBuffers);
    if (made) g_SceneIndexBuffers = nullptr;
    DeleteMember(materials);
    DeleteMember(materialRefs);
    DeleteMember(textures);
    if (made) g_SceneTextures = nullptr;
    if (freeAnimations) FreeAnimations();
    if (made) g_AnimControllers.Clear();
    DeleteMember(screenSpace);
    DeleteMember(lightSlots);
    for (LightNode* light : lights)
        if (light != sun) delete light;
    lights.clear();
    if (texturedElements) texturedElements->DeleteAll();
    DeleteMember(texturedElements);
    if (mirrors) mirrors->DeleteAll();
    DeleteMember(mirrors);
    if (waters) waters->DeleteAll();
    DeleteMember(waters);
    DeleteMember(effects);
    DeleteMember(decals);
    DeleteMember(dynamicBuffer);
    DeleteMember(renderQueue);
    DeleteMember(renderBatches);
    if (made) g_SceneRenderBatches = nullptr;
    DeleteMember(sun);
    ambientEffect = nullptr;
    PopCamera();
    DeleteMember(camera);
    skyLayer = 0;
    skyTexture = -1;
    if (made) SetAnimationLookup(nullptr);
}

void Scene::FreeAnimations() {
    for (Animation**& group : animations) {
        if (!group) continue;
        for (int i = 0; i < SCENE_ANIMATIONS_PER_GROUP; ++i) {
            if (!group[i]) continue;
            group[i]->Free();
            delete group[i];
        }
        delete[] group;
        group = nullptr;
    }
}

Animation* Scene::GetAnimation(int group, int index) const {
    if (group < 0 || group >= SCENE_ANIMATION_GROUPS || !animations[group]) return nullptr;
    if (index < 0 || index >= SCENE_ANIMATIONS_PER_GROUP) return nullptr;
    return animations[group][index];
}

void Scene::InvalidateDeviceObjects() {
    if (dynamicBuffer) dynamicBuffer->ReleaseBuffer();
    if (waters) waters->ReleaseTargets();
    if (mirrors) mirrors->ReleaseTargets();
}

void Scene::RestoreDeviceObjects() {
    if (dynamicBuffer) dynamicBuffer->RestoreBuffer();
    if (waters) waters->RestoreTargets();
    if (mirrors) mirrors->RestoreTargets();
    if (camera) camera->RefreshFov();
}

void Scene::Update(int frameMs) {
    const uint32_t dt = frameMs > 0 ? uint32_t(frameMs) : 0u;
    g_AnimControllers.AdvanceAll(int32_t(dt));
    if (effects) effects->Update(dt);
    if (decals) decals->Update(dt);
    if (ambientEffect) ambientEffect->Update(dt);
    if (materialRefs) materialRefs->Update(dt);
}

void Scene::DrawSky(const Vec3& at, bool cullingOff) {
    g_Video.SetZEnable(false);
    g_Video.SetLighting(false);
    // Nothing the sky draws may switch lighting back on.
    g_Video.lightingLocked = 1;
    if (cullingOff) g_Video.EnableCulling(false);
    SkyPlaceAt(sky, at);
    sky->Draw();
    g_Video.lightingLocked = 0;
    g_Video.SetZEnable(true);
    if (cullingOff) g_Video.EnableCulling(true);
}

void Scene::Render() {
    const bool menu = g_Menu.active != 0;
    Phase(ScenePhase::ResetCache);
    if (materials) materials->ResetCache();
    if (!menu && characterModels) {
        Phase(ScenePhase::ModelVisibility);
        characterModels->UpdateVisibilityAll();
    }
    Phase(ScenePhase::ReflectionTargets);
    if (mirrors) mirrors->RenderReflections();
    if (waters) waters->RenderReflections();
    Phase(ScenePhase::ClearQueue);
    g_Video.RestoreStates();
    if (renderQueue) renderQueue->Clear();
    if (sky && camera) {
        Phase(ScenePhase::Sky);
        const float savedFar = camera->farPlane;
        camera->farPlane = SCENE_SKY_FAR_PLANE;
        camera->Update();
        DrawSky(camera->eye, false);
        camera->farPlane = savedFar;
        camera->Update();
    }
    Phase(ScenePhase::FlushSky);
    if (renderQueue) {
        renderQueue->Flush();
        renderQueue->Clear();
    }
    g_Video.RestoreStates();
    Phase(ScenePhase::StaticWorld);
    if (renderBatches) renderBatches->Clear();
    if (renderOctree) renderOctree->Draw();
    if (renderBatches) renderBatches->Draw();
    Phase(ScenePhase::Nodes);
    if (objects) objects->RenderAll();
    if (collidables) collidables->RenderAll();
    if (!menu && characterModels) {
        if (g_Settings.characterShadow) {
            Phase(ScenePhase::Shadows);
            characterModels->CastShadowsAll();
            DrawShadowOverlay();
        }
        Phase(ScenePhase::Models);
        characterModels->RenderAllModels();
    }
    Phase(ScenePhase::Surfaces);
    if (mirrors) mirrors->RenderAll();
    if (waters) waters->RenderAll();
    Phase(ScenePhase::Decals);
    if (decals) decals->Draw();
    if (effects) effects->QueueAll();
    Phase(ScenePhase::Queue);
    if (renderQueue) renderQueue->Flush();
    if (ambientEffect) {
        Phase(ScenePhase::Ambient);
        ambientEffect->Render();
    }
    Phase(ScenePhase::ScreenSpaceEffects);
    if (effects) effects->DrawScreenSpace();
    Phase(ScenePhase::ScreenSpaceList);
    if (screenSpace) screenSpace->DrawAll();
}

void Scene::RenderPass(bool full) {
    if (renderQueue) renderQueue->Clear();
    if (full && sky && camera) {
        DrawSky(camera->target, true);
        if (renderQueue) {
            renderQueue->Flush();
            renderQueue->Clear();
        }
        g_Video.RestoreStates();
    }
    if (renderBatches) renderBatches->Clear();
    if (renderOctree) renderOctree->Draw();
    if (renderBatches) renderBatches->Draw();
    if (full) {
        if (objects) objects->RenderAll();
        if (collidables) collidables->RenderAll();
        if (characterModels) characterModels->RenderAllModels();
        if (effects) effects->QueueAll();
    }
    if (renderQueue) renderQueue->Flush();
    if (full && effects) effects->DrawScreenSpace();
}

void Scene::RenderReflectionPass() {
    if (renderQueue) renderQueue->Clear();
    g_SceneLowestDetail = 1;
    if (sky && camera) {
        DrawSky(camera->eye, true);
        if (renderQueue) {
            renderQueue->Flush();
            renderQueue->Clear();
        }
        g_Video.RestoreStates();
    }
    if (gfx::Device* device = g_Video.GetDevice()) device->SetRenderState(gfx::D3DRS_CLIPPLANEENABLE, 1);
    if (renderBatches) renderBatches->Clear();
    if (renderOctree) renderOctree->Draw();
    if (renderBatches) renderBatches->Draw();
    if (objects) objects->RenderAll();
    if (collidables) collidables->RenderAll();
    if (characterModels) characterModels->RenderSortedAll();
    if (effects) effects->QueueAll();
    if (renderQueue) renderQueue->Flush();
    if (effects) effects->DrawScreenSpace();
    g_SceneLowestDetail = 0;
}

PositionedObject* Scene::SetAmbientEffect(PositionedObject* effect) {
    ambientEffect = effect;
    return effect;
}

bool Scene::EnableHeadlight(bool on) {
    gfx::Device* device = g_Video.GetDevice();
    if (!device) return false;
    if (!on) return gfx::Succeeded(device->LightEnable(0, false));
    gfx::Light light{};
    light.Type = gfx::D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    if (camera) light.Direction = {camera->direction.x, camera->direction.y, camera->direction.z};
    if (gfx::Failed(device->SetLight(0, &light))) return false;
    return gfx::Succeeded(device->LightEnable(0, true));
}

bool Scene::PushCamera(Camera* other) {
    if (savedCamera) return false;
    savedCamera = camera;
    camera = other;
    return true;
}

void Scene::PopCamera() {
    if (!savedCamera) return;
    camera = savedCamera;
    savedCamera = nullptr;
}

bool Scene::SetSkyTexture(const char* fileName) {
    if (!textures) return false;
    skyTexture = textures->LoadTexture(fileName, false, false, false);
    return skyTexture >= 0;
}


bool Scene::RayQuery(Ray* ray, float length, Vec3* outPoint, Vec3* outNormal, uint16_t* outType,
                     uint32_t typeMask) {
    if (!ray) return false;
    bool taken = false;
    float d1 = 0.0f;
    Vec3 point{}, normal{};
    uint16_t type = 0;
    if (collisionOctree && collisionOctree->RayQuery(ray, length, &point, &normal, &type, typeMask)) {
        d1 = Vec3Length(Vec3Sub(point, ray->origin));
        if (d1 < length) {
            taken = true;
            if (outPoint) *outPoint = point;
            if (outNormal) *outNormal = normal;
            if (outType) *outType = type;
        }
    }
    if (collidables && collidables->RayQuery(ray, length, &point, &normal, &type, typeMask)) {
        const float d2 = Vec3Length(Vec3Sub(point, ray->origin));
        if (taken ? d2 < d1 : d2 < length) {
            taken = true;
            if (outPoint) *outPoint = point;
            if (outNormal) *outNormal = normal;
            if (outType) *outType = type;
        }
    }
    return taken;
}

bool Scene::SweepSphere(const SweepVolume& v, Vec3* outPoint, Vec3* outNormal, uint32_t typeMask) {
    Plane planes[6];
    int planeCount = 0;
    auto addPlane = [&](const Vec3& cross, const Vec3& through) {
        const float len = Vec3Length(cross);
        if (len <= 0.0001f) return;
        const Vec3 n = Vec3Scale(cross, 1.0f / len);
        planes[planeCount++] = Plane{n.x, n.y, n.z, -Vec3Dot(n, through)};
    };
    const Vec3& m = v.motion;
    for (int i = 0; i < 4; ++i) {
        const Vec3& a = v.corners[i];
        const Vec3& b = v.corners[(i + 1) % 4];
        addPlane(Vec3Cross(m, Vec3Sub(b, a)), a);
    }
    const Vec3 startCross = Vec3Cross(Vec3Sub(v.corners[1], v.corners[0]), Vec3Sub(v.corners[2], v.corners[0]));
    addPlane(startCross, v.corners[0]);
    addPlane(Vec3Scale(startCross, -1.0f), Vec3Add(v.corners[0], m));

    if (outNormal) *outNormal = Vec3{0, 0, 0};
    float bestDistance = Vec3Length(m);
    SweepContact best;
    SweepContact* contacts = nullptr;
    Vec3 point{};
    bool hit = false;
    if (collisionOctree &&
        collisionOctree->SweepSphere(planes, planeCount, &point, &bestDistance, &best, &contacts, typeMask))
        hit = true;
    if (collidables && collidables->SweepSphere(planes, planeCount, &point, &bestDistance, &best, &contacts, typeMask))
        hit = true;
    if (hit) {
        if (outPoint) *outPoint = point;
        Vec3 sum = best.normal;
        Vec3 collected[SWEEP_MAX_NORMALS];
        int collectedCount = 0;
        collected[collectedCount++] = best.normal;
        const Vec3 base = best.vertexCount ? best.vertices[0] : point;
        const float planeD = -Vec3Dot(best.normal, base);
        for (SweepContact* c = contacts; c && collectedCount < SWEEP_MAX_NORMALS; c = c->next) {
            bool seen = false;
            for (int k = 0; k < collectedCount && !seen; ++k) seen = SameNormal(collected[k], c->normal);
            if (seen) continue;
            bool inFront = false;
            for (uint16_t k = 0; k < c->vertexCount && !inFront; ++k)
                inFront = Vec3Dot(best.normal, c->vertices[k]) + planeD > 0.0001f;
            if (!inFront) continue;
            sum = Vec3Add(sum, c->normal);
            collected[collectedCount++] = c->normal;
        }
        const float len = Vec3Length(sum);
        if (outNormal) *outNormal = len < 0.000001f ? Vec3{0, 0, 0} : Vec3Scale(sum, 1.0f / len);
    }
    FreeSweepContacts(contacts);
    return hit;
}
