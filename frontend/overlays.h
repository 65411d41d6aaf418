#pragma once

// The texture font and the screen fader; only their device restore so far.
class TextureFont {
public:
    void RestoreDeviceObjects();
};

class Fader {
public:
    void RestoreDeviceObjects();
};

extern TextureFont g_Font;
extern Fader g_Fader;
