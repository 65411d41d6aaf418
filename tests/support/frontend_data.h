// The front end's picture files for tests: flat-colour (or given) 32-bit TGA sprites written as
// loose files under "Texturas/Interfaz/Sprites2D" of a folder, the way the game finds them.
#pragma once

#include <cstdint>
#include <string>

#include "support/image_writer.h"
#include "support/temp_dir.h"

class CharacterModel;
class DynamicMesh;

namespace testsupport {

// One sprite picture "<name>.tga" in the folder's sprite directory.
void WriteSprite(const ScopedWorkDir& folder, const std::string& name, const Picture& picture);
void WriteFlatSprite(const ScopedWorkDir& folder, const std::string& name, uint32_t width, uint32_t height,
                     uint32_t argb);

// Pixel sizes of the HUD's picture kinds; their aspect decides the drawn widths.
struct HudSpriteSizes {
    uint32_t digitW = 32, digitH = 64;      // digits, minus sign, colon
    uint32_t letterW = 64, letterH = 64;
    uint32_t markerW = 64, markerH = 64;    // side markers, portrait masks
    uint32_t barW = 16, barH = 64;          // life and energy bars; the experience bar lies on its side
    uint32_t iconW = 64, iconH = 64;        // power icons, rings, logos, the aim point
    uint32_t bannerW = 128, bannerH = 32;
};

// Every picture the HUD can load (both sides, both marker sets and the portrait masks), each of
// one colour.
void WriteHudSprites(const ScopedWorkDir& folder, uint32_t argb, const HudSpriteSizes& sizes = {});

// A movable mesh of one square of 2 x 2 units around its origin in its x-y plane, seen from both
// sides, in a plain material of the scene's table; null without a scene.
DynamicMesh* MakeSquareMesh(const char* name);

// A copy of the fighter kit's skeleton of a side (both sides' skeletons are loaded into the side
// table from the kit's folder) carrying a look piece on bone 4, where the HUD's portrait looks: a
// square of 2 x 2 units in its x-y plane, seen from both sides, in a plain material.
struct PortraitModel {
    CharacterModel* model = nullptr;
    DynamicMesh* piece = nullptr;   // not owned by the model
    void Free();
};
PortraitModel MakePortraitModel(int side);

}  // namespace testsupport
