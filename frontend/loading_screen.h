#pragma once

#include <cstdint>

class Video;
namespace gfx {
class Surface;
}

// A full-screen picture decoded once, scaled for the current screen (pictures are drawn for
// 1024 x 768), kept in an image surface of the display format and copied onto the back buffer
// with no 3D drawing.
class ScreenImage {
public:
    gfx::Surface* surface = nullptr;

    ScreenImage() = default;
    ~ScreenImage() { Release(); }
    ScreenImage(const ScreenImage&) = delete;
    ScreenImage& operator=(const ScreenImage&) = delete;

    // A TGA, BMP or GIF from "TEXTURAS.DAT" (a loose file first). False with no video object,
    // no such file, an unreadable picture or no surface.
    bool Load(const char* name, Video* video);
    bool Draw(Video* video);
    // The left `fraction` of the picture at (x, y) of the back buffer (fractions). Nothing is
    // copied outside either surface: a fraction outside 0..1 copies nothing and is false.
    bool DrawPart(float x, float y, float fraction, Video* video);
    void Release();
};

// The background and progress bar shown while a match loads; frames are presented outside any
// scene.
class LoadingScreen {
public:
    ScreenImage* background = nullptr;
    ScreenImage* bar = nullptr;
    float progress = 0.0f;

    LoadingScreen() = default;
    ~LoadingScreen() { Release(); }
    LoadingScreen(const LoadingScreen&) = delete;
    LoadingScreen& operator=(const LoadingScreen&) = delete;

    // Loads both pictures (a missing one is not drawn), shows the background; the presentation's result.
    bool Load();
    // Background, then the bar's left `progress` part (none above 1.0), then presents.
    bool Show(float progress);
    // Adds to the progress, clamped to 0..1, and shows it.
    bool Advance(float delta);
    void Release();
};

extern LoadingScreen g_LoadingScreen;
