// The overlays on a fighter's body: a timed material over the skin of every mesh of its five
// detail levels and of the look pieces it carries, for a timed state or as a one-shot flash.
#include <cstdio>

#include "effects/body_effects.h"
#include "fighters/character.h"
#include "render/animated_material.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture_manager.h"
#include "scene/character_model.h"
#include "scene/mesh_node.h"
#include "scene/scene.h"
#include "scene/sub_mesh.h"

namespace {

constexpr const char* kOverlayTexture = "Texturas\\Efectos\\vecorporal%02d.tga";
constexpr float kAngleRate = 0.7853982f;
// Kinds in the scene's list of timed materials.
constexpr uint32_t kTimedKind = 2;
constexpr uint32_t kBlendedKind = 3;

constexpr BodyEffectMotion kMotion = {{kAngleRate, kAngleRate, 0.0f}, 0.0f, {0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}};
constexpr float kRatesA[ANIMATED_MATERIAL_VALUES] = {kAngleRate, kAngleRate, 0.0f, 0.0f, 0.0f, 0.0f};
constexpr float kRatesB[4] = {kAngleRate, kAngleRate, 0.0f, 0.0f};

enum class OverlayKind { Timed, Blended, SpawnFlash, RiseFlash };

struct Overlay {
    OverlayKind kind;
    int32_t texture;
    float strength;
    uint32_t fadeInMs, holdMs, fadeOutMs;
};

uint32_t Ms(int ms) { return ms < 0 ? 0u : uint32_t(ms); }

int32_t LoadOverlayTexture(int n) {
    if (!g_Scene.textures) return -1;
    char path[64];
    std::snprintf(path, sizeof path, kOverlayTexture, n);
    return g_Scene.textures->LoadTexture(path, true, true, true);
}

// The texture a mesh's own material shows first.
int32_t BaseTextureOf(int32_t materialId) {
    const Material* m = g_Scene.materials ? g_Scene.materials->Get(materialId) : nullptr;
    return m && m->description.layerCount > 0 ? m->description.layers[0].texture : -1;
}

Material* MakeMaterial(const Overlay& o, int32_t base) {
    switch (o.kind) {
    case OverlayKind::Timed: return CreateTimedBodyEffect(base, o.texture, kMotion, o.fadeInMs);
    case OverlayKind::Blended: {
        auto* m = new AnimatedMaterialB();
        m->Init(o.strength, base, o.texture, kRatesB, 1.0f, 1.0f, 1.0f, o.fadeInMs);
        return m;
    }
    case OverlayKind::SpawnFlash: {
        auto* m = new AnimatedMaterialA();
        // The material gives back a reference to its overlay texture when it goes.
        if (g_Scene.textures && o.texture >= 0) g_Scene.textures->AddRef(o.texture);
        m->Init(base, o.texture, kRatesA, 1.0f, 1.0f, 1.0f, o.fadeInMs, o.holdMs, o.fadeOutMs);
        return m;
    }
    case OverlayKind::RiseFlash:
        return CreateBodyEffect(base, o.texture, kMotion, o.fadeInMs, o.holdMs, o.fadeOutMs);
    }
    return nullptr;
}

// A new material of the overlay in the scene's list of timed materials; -1 when none was made.
int32_t RegisterMaterial(const Overlay& o, int32_t base) {
    Material* m = MakeMaterial(o, base);
    if (!m) return -1;
    if (!g_Scene.materialRefs) {
        delete m;
        return -1;
    }
    return g_Scene.materialRefs->Add(m, o.kind == OverlayKind::Blended ? kBlendedKind : kTimedKind);
}

// The meshes of the look pieces the model carries.
template <typename F>
void ForEachAttachmentMesh(CharacterModel& model, F&& f) {
    if (!g_Scene.meshes) return;
    for (const CharacterAttachment& a : model.attachments) {
        const auto* node = a.inUse ? dynamic_cast<const MeshNode*>(a.object) : nullptr;
        if (!node || !node->meshIds) continue;
        for (uint32_t i = 0; i < node->meshCount; ++i)
            if (Mesh* mesh = g_Scene.meshes->Get(node->meshIds[i])) f(*mesh);
    }
}

// One material for every mesh of the detail levels, from the first mesh's skin, and one of its
// own for every mesh of the look pieces.
void ApplyOverlay(CharacterModel* model, const Overlay& o) {
    if (!model) return;
    const std::vector<SubMesh*>& first = model->levels[0].subMeshes;
    const int32_t body = RegisterMaterial(o, first.empty() || !first[0] ? -1 : BaseTextureOf(first[0]->materialId));
    if (body >= 0) {
        for (ModelDetailLevel& level : model->levels)
            for (SubMesh* s : level.subMeshes)
                if (s) s->SetOverrideMaterial(body);
    }
    ForEachAttachmentMesh(*model, [&o](Mesh& mesh) {
        const int32_t id = RegisterMaterial(o, BaseTextureOf(mesh.materialId));
        if (id >= 0) mesh.SetOverrideMaterial(id);
    });
}

// A state's overlay fades back to the skin; the flashes end by themselves.
void FinishOverlay(int32_t id, uint32_t fadeMs) {
    const MaterialRefNode* node = g_Scene.materialRefs ? g_Scene.materialRefs->Find(id) : nullptr;
    Material* m = node && g_Scene.materials ? g_Scene.materials->Get(id) : nullptr;
    if (!m) return;
    if (node->owner == kBlendedKind) {
        if (auto* b = dynamic_cast<AnimatedMaterialB*>(m)) b->FadeOut(fadeMs);
    } else if (node->owner == kTimedKind) {
        FadeBackTimedBodyEffect(m, fadeMs);
    }
}

}  // namespace

bool Character::CreateBodyOverlay(int texture, int fadeInMs, float strength) {
    if (overlayPresent) return false;
    const bool full = strength > 0.9999f && strength < 1.0001f;
    ApplyOverlay(model, Overlay{full ? OverlayKind::Timed : OverlayKind::Blended, LoadOverlayTexture(texture), strength,
                                Ms(fadeInMs), 0, 0});
    overlayPresent = 1;
    return true;
}

bool Character::RemoveBodyOverlay(int fadeOutMs) {
    if (!overlayPresent) return false;
    if (model) {
        for (ModelDetailLevel& level : model->levels)
            for (SubMesh* s : level.subMeshes)
                if (s && s->overrideMaterialId >= 0) FinishOverlay(s->overrideMaterialId, Ms(fadeOutMs));
        ForEachAttachmentMesh(*model, [fadeOutMs](Mesh& mesh) {
            if (mesh.overrideMaterialId >= 0) FinishOverlay(mesh.overrideMaterialId, Ms(fadeOutMs));
        });
    }
    overlayPresent = 0;
    return true;
}

void Character::FlashSpawnOverlay(int texture, int fadeInMs, int holdMs, int fadeOutMs) {
    ApplyOverlay(model, Overlay{OverlayKind::SpawnFlash, LoadOverlayTexture(texture), 1.0f, Ms(fadeInMs), Ms(holdMs),
                                Ms(fadeOutMs)});
}

void Character::FlashRiseOverlay(int texture, int fadeInMs, int holdMs, int fadeOutMs) {
    ApplyOverlay(model, Overlay{OverlayKind::RiseFlash, LoadOverlayTexture(texture), 1.0f, Ms(fadeInMs), Ms(holdMs),
                                Ms(fadeOutMs)});
}
