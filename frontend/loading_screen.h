#pragma once

// The loading background and progress bar shown while a match loads.
class LoadingScreen {
public:
    void Load();
    void Release();
    // Draws the screen at a progress of 0..1 and presents it.
    void Show(float progress);
};

extern LoadingScreen g_LoadingScreen;
