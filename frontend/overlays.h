// The screen fader: multiplies the finished frame by a grey level to fade the picture to black
// and back, on the clock that runs. Its rectangle routine serves the menu widgets too.
#pragma once

#include <cstdint>

constexpr uint32_t FADE_IN_MS = 300;
constexpr uint32_t FADE_OUT_MS = 600;

class Fader {
public:
    uint8_t enabled;
    uint8_t fadingIn;       // also set while the screen is held black after a fade-out
    uint8_t running;
    uint32_t multiplyBlock; // state-block handles, 0 for none
    uint32_t addBlock;
    uint32_t saveBlock;
    uint32_t colour;        // the grey drawn; white at rest
    uint32_t startTime;

    Fader() { Zero(); }
    // The constructed state: disabled, white, no blocks (tests).
    void Zero();

    // Records the blocks again and enables an idle fader.
    void Reset();
    // Records the blocks again; after the device was reset or made again.
    void RestoreDeviceObjects();
    void Disable();
    void FadeOut();
    void FadeIn();
    void Update();
    void Draw();
    // A fade runs or the screen is held black.
    bool IsRunning() const { return running || fadingIn; }

    // The rectangle in screen pixels, multiplied into the frame or added; the device state comes
    // back as it was. Always true.
    bool DrawRect2D(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, bool multiply);
    void RecordMultiplyBlock();
    void RecordAddBlock();

private:
    void RecordBlocks(uint32_t* own, uint32_t srcBlend);
    void* device_;          // the device the blocks belong to
    uint32_t deviceSerial_;
};

extern Fader g_Fader;
