#include "frontend/overlays.h"

Fader g_Fader;

// Filled by the fader.
void Fader::RestoreDeviceObjects() {}
void Fader::Draw() {}
void Fader::Reset() {}
void Fader::FadeOut() {}
void Fader::Update() {}
