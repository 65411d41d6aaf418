// Writes the front end's data into the working folder for tests: a text table, every picture
// the menu, its widgets and the loading screens name (a small flat-colour TGA each, one colour
// per name), the 3D letters' textures, a cursor model and the menu music.
#pragma once

#include <cstdint>
#include <string>

class ScopedWorkDir;

namespace testsupport {

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
