// The front end's files for tests, written as loose files of a folder the way the game finds
// them: flat-colour (or given) 32-bit TGA sprites under "Texturas/Interfaz/Sprites2D" for the
// HUD; and the menu's data: a text table, every picture the menu, its widgets and the loading
// screens name (a small flat-colour TGA each, one colour per name), the 3D letters' textures, a
// cursor model and the menu music.
#pragma once

#include <cstdint>
#include <string>

#include "datakit/image_writer.h"
#include "support/temp_dir.h"

class CharacterModel;
class DynamicMesh;

namespace testsupport {

// One sprite picture "<name>.tga" in the folder's sprite directory.
void WriteSprite(const ScopedWorkDir& folder, const std::string& name, const datakit::Picture& picture);
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

// The colour a picture of that name is filled with (opaque, never black or white).
uint32_t FrontEndColour(const std::string& name);

struct FrontEndData {
    // Picture sizes in pixels; the full-screen pictures are drawn for 1024 x 768.
    uint32_t pictureSize = 16;
    uint32_t screenWidth = 1024, screenHeight = 768;
    uint32_t barHeight = 64;
    bool cursorModel = true;
};

// Writes everything and loads the text table from it.
void WriteFrontEndData(const ScopedWorkDir& dir, const FrontEndData& data = {});
// A picture of the menu folder, the screens folder or the full-screen pictures, by name
// without extension ("BotonDerOn", "Menu00", "barraloading").
void WriteMenuPicture(const ScopedWorkDir& dir, const std::string& name, uint32_t width, uint32_t height);

}  // namespace testsupport
