// The single video object. Holds the device; the rest of it lands with the video object.
#pragma once

#include <cstdint>

namespace gfx { class Device; }

struct ScreenRect {
    int32_t left, top, right, bottom;
};

struct VideoSettings;

class Video {
public:
    gfx::Device* device;            // null while no device exists
    ScreenRect screenRect;          // the back buffer's rectangle
    uint8_t stageLocked[8];         // a locked texture stage keeps its texture (test keys)

    Video() : device(nullptr), screenRect{}, stageLocked{} {}

    gfx::Device* GetDevice() const { return device; }
    bool Reset();
    bool ChangeMode(const VideoSettings& settings);
    void UpdateViewport();
};

extern Video g_Video;

// The record handed to Video::Create and Video::ChangeMode, built from Settings.
struct VideoSettings {
    void* window;            // os::WindowHandle
    int32_t adapter;
    int32_t width;
    int32_t height;
    uint8_t bitsPerPixel;
    uint8_t windowed;
    uint8_t depthStencil;    // depth buffer with stencil (character shadows)
    uint8_t multisample;
    uint8_t anisotropic;
};
