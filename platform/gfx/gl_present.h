// Showing the back buffer in the window. Full-screen sizes the display has no mode for are
// served by a desktop-sized full-screen window, so the picture is scaled to the screen there,
// keeping its shape, with black bars where the shapes differ.
#pragma once

#include <cstdint>

#include "platform/gfx/types.h"

struct SDL_Window;

namespace gfx {

// The largest rectangle of the picture's shape, centred on the screen (right and bottom
// exclusive); the whole screen when the sizes agree, empty when either is empty.
Rect FitPicture(uint32_t pictureWidth, uint32_t pictureHeight, int32_t screenWidth, int32_t screenHeight);

// The SDL window flag for a full-screen back buffer of that size on the adapter: a real mode
// switch where the display has the size, the desktop-sized full screen where it has not.
uint32_t FullScreenWindowFlag(uint32_t adapter, uint32_t width, uint32_t height);

namespace gl {

// Copies `source` of the bound read framebuffer (rows top-down) into the window's framebuffer
// of screenWidth x screenHeight: into `dest` when given, else fitted with FitPicture.
void ShowPicture(const Rect& source, const Rect* dest, int32_t screenWidth, int32_t screenHeight);

// Hands the fitted picture's place, in window points, to the window layer, so the mouse is
// reported in the picture's pixels; nothing is mapped when the caller gave its own destination.
void TellWindowWherePictureIs(SDL_Window* window, const Rect& source, const Rect* dest, int32_t drawableWidth,
                              int32_t drawableHeight);

}  // namespace gl
}  // namespace gfx
