#include "support/frontend_data.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fighters/character.h"
#include "fighters/side_table.h"
#include "render/material.h"
#include "scene/character_model.h"
#include "scene/scene.h"
#include "support/fighter_kit.h"
#include "world/dynamic_mesh.h"

namespace testsupport {

using namespace datakit;

void WriteSprite(const ScopedWorkDir& folder, const std::string& name, const Picture& picture) {
    TgaOptions options;
    options.depth = 32;
    const std::vector<uint8_t> bytes = TgaFile(picture, options);
    folder.Write("Texturas/Interfaz/Sprites2D/" + name + ".tga", std::string(bytes.begin(), bytes.end()));
}

void WriteFlatSprite(const ScopedWorkDir& folder, const std::string& name, uint32_t width, uint32_t height,
                     uint32_t argb) {
    WriteSprite(folder, name, SolidPicture(width, height, argb));
}

void WriteHudSprites(const ScopedWorkDir& folder, uint32_t argb, const HudSpriteSizes& z) {
    auto flat = [&](const std::string& name, uint32_t w, uint32_t h) { WriteFlatSprite(folder, name, w, h, argb); };
    char name[40];
    flat("Punto Mira 1", z.iconW, z.iconH);
    for (const char* side : {"Orlin", "Vorak"}) {
        const std::string s = side;
        flat("Marcador " + s, z.markerW, z.markerH);
        flat("Marcador " + s + " 2", z.markerW, z.markerH);
        flat("Marcador " + s + " m", z.markerW, z.markerH);
        flat("Barra Vida " + s, z.barW, z.barH);
        flat("Barra Mana " + s, z.barW, z.barH);
        flat("Barra Exp " + s, z.barH, z.barW);
        flat("Logo " + s + "s", z.iconW, z.iconH);
        for (int i = 0; i < 3; ++i) {
            std::snprintf(name, sizeof name, "AnilloIcono%s%02d", side, i);
            flat(name, z.iconW, z.iconH);
        }
        for (int i = 0; i < 11; ++i) {
            std::snprintf(name, sizeof name, "IconoPoder%s%02d", side, i);
            flat(name, z.iconW, z.iconH);
        }
    }
    for (int i = 0; i < 10; ++i) {
        std::snprintf(name, sizeof name, "Numero %d", i);
        flat(name, z.digitW, z.digitH);
    }
    flat("Negativo", z.digitW, z.digitH);
    flat("DosPuntos", z.digitW, z.digitH);
    for (int i = 0; i < 26; ++i) {
        std::snprintf(name, sizeof name, "Letra%02d", i);
        flat(name, z.letterW, z.letterH);
    }
    for (const char* banner : {"Cartel - You Win", "Cartel - You Loose", "Cartel - Start", "Cartel - Time Over",
                               "Cartel - Pause"})
        flat(banner, z.bannerW, z.bannerH);
}

void PortraitModel::Free() {
    delete model;
    delete piece;
    model = nullptr;
    piece = nullptr;
}

DynamicMesh* MakeSquareMesh(const char* name) {
    if (!g_Scene.materials) return nullptr;
    auto* material = new Material();
    material->passCount = 1;
    const int32_t materialId = g_Scene.materials->Add(material);
    const std::vector<MeshVertex> square = {{-100, -100, 0, 0, 0, -1, 0, 0}, {100, -100, 0, 0, 0, -1, 0, 0},
                                            {100, 100, 0, 0, 0, -1, 0, 0}, {-100, 100, 0, 0, 0, -1, 0, 0}};
    auto* mesh = new DynamicMesh();
    if (!mesh->BuildGeometry(0, name, square, {0, 1, 2, 0, 2, 3, 0, 2, 1, 0, 3, 2}, materialId, nullptr, nullptr)) {
        delete mesh;
        return nullptr;
    }
    const float box[6] = {-1, -1, -0.1f, 1, 1, 0.1f};
    std::memcpy(mesh->localBox, box, sizeof box);
    mesh->transformValid = 0;
    return mesh;
}

PortraitModel MakePortraitModel(int side) {
    PortraitModel out;
    if (!g_Scene.materials || side < 0 || side > 1) return out;
    if (!g_SideTable[side].skeleton) {
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(FighterFilesFolder());
        LoadAllSkeletons(false);
        std::filesystem::current_path(previous);
    }
    if (!g_SideTable[side].skeleton) return out;
    out.model = new CharacterModel();
    if (!out.model->CopyModel(g_SideTable[side].skeleton)) {
        out.Free();
        return out;
    }
    out.piece = MakeSquareMesh("Pieza");
    if (!out.piece) {
        out.Free();
        return out;
    }
    out.model->SetAttachment(0, out.piece, "", uint8_t(KIT_UPPER_BODY_BONE));
    out.model->attachments[0].inUse = 1;
    return out;
}

}  // namespace testsupport
