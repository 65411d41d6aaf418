#include "support/frontend_data.h"

#include <cstdio>
#include <string>
#include <vector>

namespace testsupport {

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

}  // namespace testsupport
