#include "frontend/overlays.h"

TextureFont g_Font;
Fader g_Fader;

// Filled by the texture font and the fader.
void TextureFont::RestoreDeviceObjects() {}
void Fader::RestoreDeviceObjects() {}
