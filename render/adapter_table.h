#pragma once

#include <cstdint>

#include "platform/gfx/adapters.h"

// A display size and format with the refresh rates it was listed with.
struct DisplayModeGroup {
    uint32_t width;
    uint32_t height;
    uint32_t format;      // gfx::Format
    uint32_t rateCount;
    uint32_t rates[32];
};

struct AdapterRecord {
    gfx::AdapterIdentifier identifier;
    gfx::Caps caps;                     // of the hardware device on this adapter
    uint32_t modeGroupCount;
    DisplayModeGroup modeGroups[128];
    uint8_t hardwareVertexProcessing;
    uint8_t canRenderWindowed;
    uint8_t fullScreenGamma;
    uint32_t maxSimultaneousTextures;
    uint32_t videoMemoryMiB;
    uint8_t d24s8With16BitDisplay;      // with an R5G6B5 display
    uint8_t d24s8With32BitDisplay;      // with an X8R8G8B8 display
    uint8_t dxt1With16BitDisplay;
    uint8_t dxt1With32BitDisplay;
    // Entry i (1..15): multisample type i + 1 works full screen; entry 0 is always 0.
    uint8_t multisample16[16];
    uint8_t multisample32[16];
    uint8_t anisotropic;
    uint32_t maxAnisotropy;
    // Render-target textures: R5G6B5 and X8R8G8B8 textures on an R5G6B5 display, then the same
    // two on an X8R8G8B8 display.
    uint8_t renderTargetTextures[4];
    uint8_t bumpEnvMap;
    uint8_t dynamicTextures;
};

// Adapters, display modes and capabilities, enumerated once before any window exists.
class AdapterTable {
public:
    static constexpr uint32_t kMaxAdapters = 4;

    uint32_t adapterCount;
    AdapterRecord adapters[kMaxAdapters];

    // Fills the table; on failure it stays empty. Adapters past the fourth, groups past the
    // 128th and rates past the 32nd of a group are left out.
    void Enumerate();
    // Files one listed mode under its size-and-format group (searched from the last group back),
    // or opens a new group. False when it had to be left out for lack of room.
    static bool AddMode(AdapterRecord* record, const gfx::DisplayMode& mode);
    // Back to all zero (tests).
    void Reset();
};

extern AdapterTable g_AdapterTable;

// On adapter 0 with the hardware device: 0 all usable, 1 no graphics layer, 2 the render-target
// format cannot be a render target on that display format, 3 the depth format cannot be a depth
// buffer there or does not go with the render-target format (3 wins over 2).
int CheckVideoFormat(uint32_t displayFormat, uint32_t renderTargetFormat, uint32_t depthFormat);
