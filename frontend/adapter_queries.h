// What the options and their quality presets ask of the graphics adapter.
#pragma once

// A D24S8 depth-stencil buffer works with the back buffer of that depth (16: R5G6B5, any other:
// X8R8G8B8) on the default adapter.
bool IsStencilSupported(int bitsPerPixel);
// The current adapter's answers; false (and 0) when there is no current adapter.
bool HasAnisotropicFiltering();
// Any multisample type works at that depth; false for a depth other than 16 and 32.
bool HasMultisampling(int bitsPerPixel);
// The smallest supported type above `current` (0 starts from the lowest), 0 when none.
int NextMultisample(int bitsPerPixel, int current);
// The largest supported type below `current` (0 starts from the highest), 0 when none.
int PreviousMultisample(int bitsPerPixel, int current);
