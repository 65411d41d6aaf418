// Dressing a fighter from its player record: the look pieces hung on its model, for the fighters
// of a match and the front end's previews alike.
#include "fighters/look_pieces.h"

#include <cstdio>
#include <vector>

#include "fighters/character.h"
#include "frontend/equipment_table.h"
#include "frontend/menu.h"
#include "frontend/player_record.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture_manager.h"
#include "scene/character_model.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"

namespace {

constexpr const char* kPieceTextures = "Texturas\\Objetos Dinamicos\\";
// Materials as the scene's other movable models load them: haze layer and compression allowed.
constexpr uint32_t kPieceLoadFlags = 3;

}  // namespace

const LookPieceRow LOOK_PIECES[LOOK_PIECE_COUNT] = {
    {"Modelos\\Objetos Dinamicos\\Pelo%d%d.y3d", "Pelo%d%d(DIN)", 1, "", 6, nullptr},
    {"Modelos\\Objetos Dinamicos\\Gafas%d%d.y3d", "Gafas%d%d(DIN)", 1, kPieceTextures, 6, nullptr},
    {"Modelos\\Objetos Dinamicos\\Casco%d%02d.y3d", "Casco%d%02d(DIN)", 1, kPieceTextures, 6,
     "Texturas\\Objetos Dinamicos\\Casco%04d.tga"},
    {"Modelos\\Objetos Dinamicos\\Guante%02dL.y3d", "Guante%02dL(DIN)", 0, kPieceTextures, 70,
     "Texturas\\Objetos Dinamicos\\Guante%04d.tga"},
    {"Modelos\\Objetos Dinamicos\\Guante%02dR.y3d", "Guante%02dR(DIN)", 0, kPieceTextures, 90,
     "Texturas\\Objetos Dinamicos\\Guante%04d.tga"},
    {"Modelos\\Objetos Dinamicos\\bota%d%02dL.y3d", "bota%d%02dL(DIN)", 1, kPieceTextures, 119,
     "Texturas\\Objetos Dinamicos\\bota%04d.tga"},
    {"Modelos\\Objetos Dinamicos\\bota%d%02dR.y3d", "bota%d%02dR(DIN)", 1, kPieceTextures, 124,
     "Texturas\\Objetos Dinamicos\\bota%04d.tga"},
    {"Modelos\\Objetos Dinamicos\\Bracelet%02dL.y3d", "Bracelet%02dL(DIN)", 0, kPieceTextures, 69,
     "Texturas\\Objetos Dinamicos\\Bracelet%04d.tga"},
    {"Modelos\\Objetos Dinamicos\\Bracelet%02dR.y3d", "Bracelet%02dR(DIN)", 0, kPieceTextures, 89,
     "Texturas\\Objetos Dinamicos\\Bracelet%04d.tga"},
    {"Modelos\\Objetos Dinamicos\\Hombrera%02dL.y3d", "Hombrera%02dL(DIN)", 0, kPieceTextures, 67,
     "Texturas\\Objetos Dinamicos\\Hombrera%04d.tga"},
    {"Modelos\\Objetos Dinamicos\\Hombrera%02dR.y3d", "Hombrera%02dR(DIN)", 0, kPieceTextures, 87,
     "Texturas\\Objetos Dinamicos\\Hombrera%04d.tga"},
};

const int8_t EQUIPMENT_PIECES[EQUIPMENT_KIND_COUNT][2] = {
    {LOOK_HELMET, -1},
    {LOOK_GLOVE_LEFT, LOOK_GLOVE_RIGHT},
    {LOOK_BOOT_LEFT, LOOK_BOOT_RIGHT},
    {LOOK_BRACELET_LEFT, LOOK_BRACELET_RIGHT},
    {LOOK_SHOULDER_LEFT, LOOK_SHOULDER_RIGHT},
};

namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot < MAX_CHARACTERS; }
bool ValidPiece(int piece) { return piece >= 0 && piece < LOOK_PIECE_COUNT; }

// The model of the active fighter in a slot, or null.
CharacterModel* FighterModel(int slot) {
    if (!ValidSlot(slot)) return nullptr;
    const Character& c = g_Characters[slot];
    return c.active ? c.model : nullptr;
}

// The worn piece's object, or null.
DynamicMesh* WornPiece(int slot, int piece) {
    CharacterModel* model = ValidPiece(piece) ? FighterModel(slot) : nullptr;
    if (!model) return nullptr;
    const CharacterAttachment& a = model->attachments[piece];
    return a.inUse ? AsDynamicMesh(a.object) : nullptr;
}

bool Format(char* out, size_t size, const char* format, const LookPieceRow& row, int side, int model) {
    const int n = row.sideFirst ? std::snprintf(out, size, format, side, model) : std::snprintf(out, size, format, model);
    return n > 0 && size_t(n) < size;
}

}  // namespace

bool LookPieceNames(int piece, int side, int model, char* file, size_t fileSize, char* node, size_t nodeSize) {
    if (!ValidPiece(piece) || !file || !node) return false;
    const LookPieceRow& row = LOOK_PIECES[piece];
    return Format(file, fileSize, row.file, row, side, model) && Format(node, nodeSize, row.node, row, side, model);
}

bool LookPieceTextureName(int piece, int model, int texture, char* out, size_t outSize) {
    if (!ValidPiece(piece) || !out) return false;
    const char* format = LOOK_PIECES[piece].texture;
    if (piece == LOOK_HAIR) {
        // The colour picks the file within the model's family; other models keep their own.
        if (model == 0 || model == 1 || model == 3 || model == 5)
            format = "Texturas\\Objetos Dinamicos\\p0%d.tga";
        else if (model == 2 || model == 4)
            format = "Texturas\\Objetos Dinamicos\\p1%d.tga";
    }
    if (!format) return false;
    const int n = std::snprintf(out, outSize, format, texture);
    return n > 0 && size_t(n) < outSize;
}

void Menu::LoadLookPiece(int slot, int piece, int modelNumber) {
    if (!ValidPiece(piece)) return;
    FreeLookPiece(slot, piece);
    if (modelNumber < 0) return;
    if (piece == LOOK_HELMET) FreeLookPiece(slot, LOOK_HAIR);
    CharacterModel* model = FighterModel(slot);
    if (!model || !g_Scene.objects) return;
    char file[128], node[64];
    if (!LookPieceNames(piece, g_Characters[slot].side, modelNumber, file, sizeof file, node, sizeof node)) return;
    const LookPieceRow& row = LOOK_PIECES[piece];
    if (!g_Scene.LoadModel(file, row.textureFolder, kPieceLoadFlags, false)) return;
    // A file without the piece's node leaves the slot empty: a used slot must hold an object.
    SceneNode* object = g_Scene.objects->FindByName(node);
    if (!object) return;
    model->SetAttachment(piece, object, nullptr, row.bone);
    model->attachments[piece].inUse = 1;
}

void FreeLookPiece(int slot, int piece) {
    CharacterModel* model = ValidPiece(piece) ? FighterModel(slot) : nullptr;
    if (!model) return;
    CharacterAttachment& a = model->attachments[piece];
    if (!a.inUse) return;
    if (a.object && g_Scene.objects) g_Scene.objects->Delete(a.object);
    a.object = nullptr;
    a.inUse = 0;
}

void LoadLookPieceTexture(int slot, int piece, int modelNumber, int texture) {
    const DynamicMesh* object = WornPiece(slot, piece);
    if (!object || !g_Scene.meshes || !g_Scene.materials || !g_Scene.textures) return;
    char name[128];
    if (!LookPieceTextureName(piece, modelNumber, texture, name, sizeof name)) return;
    std::vector<Material*> materials;
    for (uint32_t i = 0; i < object->meshCount; ++i) {
        const Mesh* mesh = g_Scene.meshes->Get(object->meshIds[i]);
        Material* m = mesh ? g_Scene.materials->Get(mesh->materialId) : nullptr;
        bool seen = !m;
        for (const Material* o : materials) seen = seen || o == m;
        if (!seen) materials.push_back(m);
    }
    if (materials.empty()) return;
    // Taken before the old layers are let go, so a texture already worn is not freed between.
    const int32_t index = g_Scene.textures->LoadTexture(name, true, true, true);
    if (index < 0) return;
    MaterialDescription one{};
    one.kindMask = MATERIAL_KIND_BASE;
    one.layerCount = 1;
    for (MaterialLayer& l : one.layers) l = MaterialLayer{0, -1};
    one.layers[0] = MaterialLayer{MATERIAL_KIND_BASE, index};
    for (Material* m : materials) {
        g_Scene.textures->AddRef(index);
        m->ReleaseTextures();
        m->SetDescription(one);
    }
}

void LoadEquipmentPiece(int slot, int kind, int number) {
    const EquipmentRow* row = GetEquipmentRow(kind, number);
    if (!row) return;
    const int modelNumber = int(row->pieceClass);
    const int texture = int(row->setWord);
    for (int8_t piece : EQUIPMENT_PIECES[kind]) {
        if (piece < 0) continue;
        g_Menu.LoadLookPiece(slot, piece, modelNumber);
        LoadLookPieceTexture(slot, piece, modelNumber, texture);
    }
}

void Menu::ApplyCharacterLook(const PlayerRecord* record, int slot) {
    if (!record) return;
    const PlayerLook& look = record->look;
    LoadLookPiece(slot, LOOK_HAIR, look.hair);
    LoadLookPieceTexture(slot, LOOK_HAIR, look.hair, int(look.hairColour));
    LoadLookPiece(slot, LOOK_GLASSES, look.glasses);
    // In kind order, so a helmet takes the hair off.
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) LoadEquipmentPiece(slot, kind, GetPlayerEquipment(record, kind));
}

void Menu::RemoveCharacterLook(int slot) {
    for (int piece = 0; piece < LOOK_PIECE_COUNT; ++piece) FreeLookPiece(slot, piece);
}

void Menu::RemoveCharacter(int slot) {
    RemoveCharacterLook(slot);
    if (ValidSlot(slot) && g_Characters[slot].active) g_Characters[slot].Despawn();
}

int GetPlayerEquipment(const PlayerRecord* record, int kind) {
    if (!record || kind < 0 || kind >= EQUIPMENT_KIND_COUNT) return -1;
    const int32_t number = record->look.equipment[kind];
    // Saves and received spawns carry any number; one past the catalogue is none.
    return number >= 0 && number < EQUIPMENT_ROWS_PER_KIND ? number : -1;
}

void SetPlayerEquipment(PlayerRecord* record, int kind, int number) {
    if (!record || kind < 0 || kind >= EQUIPMENT_KIND_COUNT) return;
    record->look.equipment[kind] = number >= 0 && number < EQUIPMENT_ROWS_PER_KIND ? number : -1;
}
