#include "frontend/loading_screen.h"

#include <cstdio>

#include "core/pack_file.h"
#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/image.h"
#include "render/texture_manager.h"
#include "render/video.h"

LoadingScreen g_LoadingScreen;

namespace {

constexpr int32_t kDesignWidth = 1024;
constexpr int32_t kDesignHeight = 768;
constexpr float kBarTop = 0.83f;
constexpr char kBackgroundFormat[] = "%sMenu%02i.tga";
constexpr char kPictureFolder[] = "Texturas\\Interfaz\\Pantallas\\";
constexpr char kBarName[] = "Texturas\\Interfaz\\Menu\\barraloading.tga";

bool SurfaceSize(gfx::Surface* s, int32_t* w, int32_t* h) {
    gfx::SurfaceDesc desc{};
    if (!s || gfx::Failed(s->GetDesc(&desc))) return false;
    *w = int32_t(desc.Width);
    *h = int32_t(desc.Height);
    return true;
}

// The decoded picture resampled into the surface, in its pixel format.
bool FillSurface(gfx::Surface* s, const gfx::Image& picture, uint32_t w, uint32_t h, gfx::Format format) {
    const gfx::Image scaled = gfx::ResizeImage(picture, w, h);
    if (scaled.pixels.size() != size_t(w) * h) return false;
    gfx::LockedRect locked{};
    if (gfx::Failed(s->LockRect(&locked, nullptr, 0))) return false;
    const bool ok = gfx::ConvertFromArgb(scaled.pixels.data(), w, h, format, static_cast<uint8_t*>(locked.pBits),
                                         locked.Pitch);
    s->UnlockRect();
    return ok;
}

// Without a device (a failed re-creation) there is nothing to present.
bool PresentFrame() { return g_Video.GetDevice() && g_Video.Present(); }

}  // namespace

bool ScreenImage::Load(const char* name, Video* video) {
    surface = nullptr;
    gfx::Device* device = video ? video->GetDevice() : nullptr;
    if (!device || !name) return false;
    PackEntry entry;
    if (!entry.Open("TEXTURAS.DAT", name)) return false;
    ImageHeaderInfo info{};
    if (!ProbeImageHeader(entry.Reader(), &info) || info.format == IMAGE_HEADER_DDS) return false;
    const int32_t screenW = video->screenRect.right - video->screenRect.left + 1;
    const int32_t screenH = video->screenRect.bottom - video->screenRect.top + 1;
    const int32_t w = screenW * int32_t(info.width) / kDesignWidth;
    const int32_t h = screenH * int32_t(info.height) / kDesignHeight;
    if (w <= 0 || h <= 0) return false;
    gfx::Image picture;
    if (!gfx::DecodeImage(entry.Reader().Data(), entry.Length(), &picture)) return false;
    entry.Close();
    const gfx::Format format = video->displayMode.Format;
    gfx::Surface* made = nullptr;
    if (gfx::Failed(device->CreateImageSurface(uint32_t(w), uint32_t(h), format, &made)) || !made) return false;
    if (!FillSurface(made, picture, uint32_t(w), uint32_t(h), format)) {
        made->Release();
        return false;
    }
    surface = made;
    return true;
}

bool ScreenImage::Draw(Video* video) { return DrawPart(0.0f, 0.0f, 1.0f, video); }

bool ScreenImage::DrawPart(float x, float y, float fraction, Video* video) {
    gfx::Device* device = video ? video->GetDevice() : nullptr;
    gfx::Surface* back = video ? video->GetBackBuffer() : nullptr;
    int32_t sw = 0, sh = 0, bw = 0, bh = 0;
    if (!surface || !device || !SurfaceSize(surface, &sw, &sh) || !SurfaceSize(back, &bw, &bh)) return false;
    if (!(fraction >= 0.0f && fraction <= 1.0f)) return false;
    const gfx::Point at{int32_t(float(bw) * x), int32_t(float(bh) * y)};
    if (at.x < 0 || at.y < 0 || at.x >= bw || at.y >= bh) return false;
    int32_t width = int32_t(float(sw) * fraction);
    int32_t height = sh;
    // What would fall off the back buffer is not copied.
    if (width > bw - at.x) width = bw - at.x;
    if (height > bh - at.y) height = bh - at.y;
    if (width <= 0) return true;
    const gfx::Rect part{0, 0, width, height};
    return gfx::Succeeded(device->CopyRects(surface, &part, 1, back, &at));
}

void ScreenImage::Release() {
    if (!surface) return;
    surface->Release();
    surface = nullptr;
}

// ---- LoadingScreen ---------------------------------------------------------------------

namespace {

ScreenImage* LoadPicture(const char* name) {
    auto* picture = new ScreenImage();
    picture->Load(name, &g_Video);
    return picture;
}

}  // namespace

bool LoadingScreen::Load() {
    Release();
    char name[128];
    std::snprintf(name, sizeof name, kBackgroundFormat, kPictureFolder, 98);
    background = LoadPicture(name);
    bar = LoadPicture(kBarName);
    background->Draw(&g_Video);
    progress = 0.0f;
    return PresentFrame();
}

bool LoadingScreen::Show(float value) {
    if (background) background->Draw(&g_Video);
    if (bar) bar->DrawPart(0.0f, kBarTop, value, &g_Video);
    progress = value;
    return PresentFrame();
}

bool LoadingScreen::Advance(float delta) {
    float value = progress + delta;
    if (value < 0.0f) value = 0.0f;
    if (value > 1.0f) value = 1.0f;
    return Show(value);
}

void LoadingScreen::Release() {
    delete background;
    delete bar;
    background = nullptr;
    bar = nullptr;
    progress = 0.0f;
}
