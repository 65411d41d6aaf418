// A fighter's skin texture composed from the layers of its look.
#include "fighters/skin.h"

#include <cstdio>
#include <vector>

#include "fighters/character.h"
#include "frontend/menu.h"
#include "render/material.h"
#include "scene/character_model.h"
#include "scene/scene.h"
#include "scene/sub_mesh.h"
#include "world/scenario.h"

const SkinLayerRow SKIN_LAYERS[SKIN_LAYER_COUNT] = {
    {{"Texturas\\Personajes\\Pieles\\orlin%02d.tga", "Texturas\\Personajes\\Pieles\\vorak%02d.tga"},
     {{0, 0}, {0, 0}},
     SKIN_BLEND_COPY,
     0},
    {{"Texturas\\Personajes\\Ojos\\orlin ojo1_%02d.tga", "Texturas\\Personajes\\Ojos\\vorak ojo1_%02d.tga"},
     {{810, 83}, {750, 65}},
     SKIN_BLEND_ALPHA,
     1},
    {{"Texturas\\Personajes\\Ojos\\orlin ojo2_%02d.tga", "Texturas\\Personajes\\Ojos\\vorak ojo2_%02d.tga"},
     {{15, 903}, {330, 517}},
     SKIN_BLEND_ALPHA,
     1},
    {{"Texturas\\Personajes\\Ropas\\orlin_f_%02d.tga", "Texturas\\Personajes\\Ropas\\vorak_f_%02d.tga"},
     {{89, 733}, {33, 785}},
     SKIN_BLEND_ALPHA,
     2},
};

const SkinPoint SKIN_TATTOO_POSITIONS[SIDE_COUNT][SKIN_TATTOO_SLOTS] = {
    {{62, 227}, {365, 223}, {34, 522}, {364, 516}, {777, 656}, {775, 751}, {701, 552}, {715, 840}},
    {{61, 128}, {365, 151}, {34, 522}, {364, 516}, {777, 656}, {775, 751}, {703, 551}, {715, 810}},
};

namespace {

int32_t PartNumber(const SkinParts& parts, int part) {
    switch (part) {
    case 0: return parts.skin;
    case 1: return parts.eyes;
    default: return parts.clothes;
    }
}

// A layer from the cache, or null when its file cannot be read.
const SkinLayerImage* Layer(SkinImageCache* cache, const char* format, int32_t number) {
    char name[128];
    std::snprintf(name, sizeof name, format, number);
    const SkinImageCacheNode* node = cache->Get(name);
    return node ? &node->layer : nullptr;
}

// The base skin with every layer that could be read drawn on it, composed straight into the
// texture's source picture; false without a base.
bool BuildSkinPicture(int side, const SkinParts& parts, SkinImageCache* cache, gfx::Image* out) {
    for (const SkinLayerRow& row : SKIN_LAYERS) {
        const SkinLayerImage* layer = Layer(cache, row.file[side], PartNumber(parts, row.part));
        if (row.blend == SKIN_BLEND_COPY) {
            if (!layer || !StartSkinPicture(*layer, out)) return false;
        } else if (layer) {
            DrawSkinLayer(out, *layer, row.at[side].x, row.at[side].y, row.blend);
        }
    }
    for (int i = 0; i < SKIN_TATTOO_SLOTS; ++i) {
        if (parts.tattoos[i] < 0) continue;
        char name[128];
        std::snprintf(name, sizeof name, SKIN_TATTOO_FILE, side, i, int(parts.tattoos[i]));
        const SkinImageCacheNode* node = cache->Get(name);
        if (!node) continue;
        const SkinPoint at = SKIN_TATTOO_POSITIONS[side][i];
        DrawSkinLayer(out, node->layer, at.x, at.y, SKIN_BLEND_MULTIPLY);
    }
    return true;
}

// The materials of every sub-mesh of the five detail levels, each once.
std::vector<Material*> SkinMaterials(const CharacterModel& model) {
    std::vector<Material*> out;
    for (const ModelDetailLevel& level : model.levels) {
        for (const SubMesh* s : level.subMeshes) {
            Material* m = s ? g_Scene.materials->Get(s->materialId) : nullptr;
            if (!m) continue;
            bool seen = false;
            for (const Material* o : out) seen = seen || o == m;
            if (!seen) out.push_back(m);
        }
    }
    return out;
}

// The skin is the texture of a material's first layer; the haze layer is the sky's, not a skin.
bool HoldsSkinSlot(const Material& m) {
    return m.description.layerCount > 0 && m.description.layers[0].kind != MATERIAL_KIND_HAZE;
}

bool SceneHasSpecialLayer() { return g_Scene.skyTexture >= 0 && g_Scenario.row && g_Scenario.row->fog; }

}  // namespace

bool Character::ComposeSkin(int skinSide, const SkinParts& parts, SkinImageCache* cache) {
    if (!model || skinSide < 0 || skinSide >= SIDE_COUNT) return false;
    if (!g_Scene.textures || !g_Scene.materials) return false;
    SkinImageCache own;
    if (!cache) cache = &own;

    // Built whole before anything is swapped: without a base skin the old textures stay.
    gfx::Image picture;
    const bool built = BuildSkinPicture(skinSide, parts, cache, &picture);
    Texture* texture = built ? new Texture() : nullptr;
    const bool made = texture && texture->CreateFromPicture(&picture, false, !g_Menu.active);
    if (!made) {
        delete texture;
        return false;
    }
    const int32_t index = g_Scene.textures->Add(texture, true);

    const std::vector<Material*> materials = SkinMaterials(*model);
    for (Material* m : materials) {
        MaterialLayer& first = m->description.layers[0];
        if (!HoldsSkinSlot(*m) || first.texture < 0) continue;
        g_Scene.textures->Release(first.texture);
        first.texture = -1;
    }
    bool taken = false;
    for (Material* m : materials) {
        if (SceneHasSpecialLayer()) m->AddSpecialLayer();
        MaterialLayer& first = m->description.layers[0];
        if (!HoldsSkinSlot(*m) || first.texture >= 0) continue;
        first.texture = index;
        m->Rebuild();
        g_Scene.textures->AddRef(index);
        taken = true;
    }
    // A model whose materials have no layer for a skin keeps nothing of it.
    if (!taken) g_Scene.textures->Release(index);
    return true;
}
