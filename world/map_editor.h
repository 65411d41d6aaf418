// The element-map editor (MODO 3). Only what the game frame reaches so far.
#pragma once

#include <cstdint>

class MapEditor {
public:
    uint8_t playTest;   // the game frame also steps the local fighter and the scenario

    MapEditor() : playTest(0) {}

    // Per-frame editor tick.
    void Tick();
    // The editor's 3D pass and its panels.
    void Render();
    void DrawHud();
};

extern MapEditor g_MapEditor;
