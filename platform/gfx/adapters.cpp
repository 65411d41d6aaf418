#include "platform/gfx/adapters.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "platform/os/os.h"

namespace gfx {

namespace {

struct AdapterData {
    AdapterIdentifier identifier{};
    std::vector<DisplayMode> modes;
    DisplayMode desktop{};
    std::set<std::pair<uint32_t, uint32_t>> nativeSizes;
};

// Full-screen sizes offered on every display big enough for them: the game's own choices and
// the common larger ones of the same kind.
constexpr std::pair<uint32_t, uint32_t> kStandardSizes[] = {
    {640, 480}, {800, 600}, {1024, 768}, {1280, 960}, {1280, 1024}, {1600, 1200}, {1920, 1440}, {2048, 1536},
};

struct Cache {
    std::mutex lock;
    bool displaysRead = false;
    std::vector<AdapterData> adapters;
    bool capsRead = false;
    bool glAvailable = false;
    Caps caps{};
} g_cache;

constexpr int kVideoAttempts = 10;
constexpr uint32_t kVideoRetryMs = 20;

// SDL video for the length of a query, when nobody has started it yet. Our own signal handling
// is installed later by the window layer; SDL must not take the signals meanwhile.
class VideoScope {
public:
    VideoScope() {
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            ok_ = true;
            return;
        }
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        os::SelectVideoDriver();
        // A display server that is starting over (a bare X server whose last client has just
        // left) turns connections away for a moment.
        for (int attempt = 0; attempt < kVideoAttempts && !ok_; ++attempt) {
            if (attempt) SDL_Delay(kVideoRetryMs);
            ok_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        }
        started_ = ok_;
        // Held until the query ends, as the window layer holds it while video runs: a GL
        // window made and destroyed for the capability query would otherwise unload Mesa's EGL
        // driver halfway, which leaks what the driver had allocated. Drivers without GL just
        // fail here.
        if (started_) {
            glLoaded_ = SDL_GL_LoadLibrary(nullptr) == 0;
            if (!glLoaded_) SDL_ClearError();
        }
    }
    ~VideoScope() {
        if (!started_) return;
        // SDL's record of the GL library is freed only by unloading it; stopping video keeps it.
        // The drivers stay (the window layer loads them again).
        if (glLoaded_) {
            os::KeepLoadedLibraries();
            SDL_GL_UnloadLibrary();
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
    bool started_ = false;
    bool glLoaded_ = false;
};

Format FormatOfSdl(uint32_t sdlFormat) {
    return SDL_BITSPERPIXEL(sdlFormat) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
}

uint32_t RateOf(int hz) { return hz > 0 ? uint32_t(hz) : 60u; }

void CopyString(char* dst, size_t size, const char* src) {
    std::snprintf(dst, size, "%s", src ? src : "");
}

// FNV-1a over the text, spread over 16 bytes: a stable identifier for a display.
void MakeIdentifier(const std::string& text, uint8_t out[16]) {
    uint64_t h = 1469598103934665603ull;
    for (int round = 0; round < 2; ++round) {
        for (unsigned char c : text) {
            h ^= c;
            h *= 1099511628211ull;
        }
        for (int i = 0; i < 8; ++i) out[round * 8 + i] = uint8_t(h >> (8 * i));
        h ^= 0x9E3779B97F4A7C15ull;
    }
}

void ReadDisplays() {
    g_cache.adapters.clear();
    VideoScope video;
    if (!video.ok()) return;
    const char* driver = SDL_GetCurrentVideoDriver();
    int displays = SDL_GetNumVideoDisplays();
    for (int d = 0; d < displays; ++d) {
        AdapterData a;
        CopyString(a.identifier.Driver, sizeof a.identifier.Driver, driver);
        CopyString(a.identifier.Description, sizeof a.identifier.Description, SDL_GetDisplayName(d));
        MakeIdentifier(std::string(driver ? driver : "") + "/" + std::to_string(d) + "/" +
                           a.identifier.Description,
                       a.identifier.DeviceIdentifier);

        SDL_DisplayMode desktop{};
        if (SDL_GetDesktopDisplayMode(d, &desktop) != 0 || desktop.w <= 0 || desktop.h <= 0) continue;
        a.desktop = {uint32_t(desktop.w), uint32_t(desktop.h), RateOf(desktop.refresh_rate),
                     FormatOfSdl(desktop.format)};

        // Sizes with their rates; some drivers (offscreen) list a 0 x 0 mode, the desktop is
        // always offered.
        std::set<std::tuple<uint32_t, uint32_t, uint32_t>> sizes;  // width, height, rate
        sizes.insert({a.desktop.Width, a.desktop.Height, a.desktop.RefreshRate});
        int count = SDL_GetNumDisplayModes(d);
        for (int i = 0; i < count; ++i) {
            SDL_DisplayMode m{};
            if (SDL_GetDisplayMode(d, i, &m) != 0 || m.w <= 0 || m.h <= 0) continue;
            sizes.insert({uint32_t(m.w), uint32_t(m.h), RateOf(m.refresh_rate)});
        }
        for (const auto& [w, h, rate] : sizes) a.nativeSizes.insert({w, h});
        for (const auto& [w, h] : kStandardSizes)
            if (w <= a.desktop.Width && h <= a.desktop.Height && !a.nativeSizes.count({w, h}))
                sizes.insert({w, h, a.desktop.RefreshRate});
        // Sorted by size then rate already; each size in both formats, 16-bit first.
        auto it = sizes.begin();
        while (it != sizes.end()) {
            auto end = it;
            while (end != sizes.end() && std::get<0>(*end) == std::get<0>(*it) &&
                   std::get<1>(*end) == std::get<1>(*it))
                ++end;
            for (Format f : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8})
                for (auto r = it; r != end; ++r)
                    a.modes.push_back({std::get<0>(*r), std::get<1>(*r), std::get<2>(*r), f});
            it = end;
        }
        g_cache.adapters.push_back(std::move(a));
    }
}

void EnsureCaps();

// Both caches filled on first use; callers hold the lock.
void EnsureDisplays() {
    if (g_cache.displaysRead) return;
    // The displays and the capabilities on one connection: a display server whose last client
    // leaves starts over and turns the next one away for a moment (xvfb-run's does), which left
    // a whole run without capabilities and so without the shadows' stencil.
    VideoScope video;
    ReadDisplays();
    g_cache.displaysRead = true;
    EnsureCaps();
}

void EnsureCaps() {
    if (g_cache.capsRead) return;
    VideoScope video;
    g_cache.caps = Caps{};
    g_cache.glAvailable = video.ok() && GetGLDeviceCaps(&g_cache.caps);
    if (!g_cache.glAvailable) g_cache.caps = Caps{};
    g_cache.capsRead = true;
}

bool IsDisplayFormat(Format f) { return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5; }

bool ValidAdapter(uint32_t adapter) {
    EnsureDisplays();
    return adapter < g_cache.adapters.size();
}

bool ValidType(DevType type) { return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF; }

}  // namespace

uint32_t GetAdapterCount() {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    EnsureDisplays();
    return uint32_t(g_cache.adapters.size());
}

Result GetAdapterIdentifier(uint32_t adapter, uint32_t, AdapterIdentifier* identifier) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!identifier || !ValidAdapter(adapter)) return D3DERR_INVALIDCALL;
    *identifier = g_cache.adapters[adapter].identifier;
    return D3D_OK;
}

uint32_t GetAdapterModeCount(uint32_t adapter) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!ValidAdapter(adapter)) return 0;
    return uint32_t(g_cache.adapters[adapter].modes.size());
}

Result EnumAdapterModes(uint32_t adapter, uint32_t mode, DisplayMode* out) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!out || !ValidAdapter(adapter) || mode >= g_cache.adapters[adapter].modes.size())
        return D3DERR_INVALIDCALL;
    *out = g_cache.adapters[adapter].modes[mode];
    return D3D_OK;
}

Result GetAdapterDisplayMode(uint32_t adapter, DisplayMode* out) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!out || !ValidAdapter(adapter)) return D3DERR_INVALIDCALL;
    *out = g_cache.adapters[adapter].desktop;
    return D3D_OK;
}

bool IsNativeDisplayMode(uint32_t adapter, uint32_t width, uint32_t height) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    return ValidAdapter(adapter) && g_cache.adapters[adapter].nativeSizes.count({width, height}) != 0;
}

Result GetDeviceCaps(uint32_t adapter, DevType type, Caps* caps) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!caps || !ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    EnsureCaps();
    if (!g_cache.glAvailable) return D3DERR_NOTAVAILABLE;
    *caps = g_cache.caps;
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    return D3D_OK;
}

Result CheckDeviceType(uint32_t adapter, DevType type, Format displayFormat, Format backBufferFormat, bool) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    EnsureCaps();
    if (!g_cache.glAvailable || !IsDisplayFormat(displayFormat)) return D3DERR_NOTAVAILABLE;
    bool match = backBufferFormat == displayFormat ||
                 (displayFormat == D3DFMT_X8R8G8B8 && backBufferFormat == D3DFMT_A8R8G8B8);
    return match ? D3D_OK : D3DERR_NOTAVAILABLE;
}

Result CheckDeviceFormat(uint32_t adapter, DevType type, Format adapterFormat, uint32_t usage,
                         ResourceType resourceType, Format checkFormat) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    EnsureCaps();
    if (!g_cache.glAvailable || !IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    return CheckGLFormat(usage, resourceType, checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

Result CheckDepthStencilMatch(uint32_t adapter, DevType type, Format adapterFormat, Format renderTargetFormat,
                              Format depthStencilFormat) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    EnsureCaps();
    if (!g_cache.glAvailable || !IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    // Framebuffer objects take any colour target with any depth buffer, so only the depth
    // format decides (whether the colour format can be a target is CheckDeviceFormat's answer).
    (void)renderTargetFormat;
    return CheckGLFormat(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depthStencilFormat) ? D3D_OK
                                                                                      : D3DERR_NOTAVAILABLE;
}

Result CheckDeviceMultiSampleType(uint32_t adapter, DevType type, Format, bool, MultiSampleType multiSample) {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    if (!ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    return multiSample == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

uint64_t GetTotalVideoMemory() {
    int mib = SDL_GetSystemRAM();
    return mib > 0 ? uint64_t(mib) << 20 : 0;
}

void ResetAdapterCache() {
    std::lock_guard<std::mutex> hold(g_cache.lock);
    g_cache.displaysRead = false;
    g_cache.adapters.clear();
    g_cache.capsRead = false;
    g_cache.glAvailable = false;
    g_cache.caps = Caps{};
}

Result Direct3D::CreateDevice(uint32_t adapter, DevType type, void* focusWindow, uint32_t behaviorFlags,
                              PresentParameters* params, Device** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (!params || adapter >= gfx::GetAdapterCount() || !ValidType(type)) return D3DERR_INVALIDCALL;
    DeviceParams p;
    p.present = *params;
    if (!p.present.hDeviceWindow) p.present.hDeviceWindow = focusWindow;
    p.adapter = adapter;
    p.deviceType = type;
    p.behaviorFlags = behaviorFlags;
    return CreateGLDevice(p, device);
}

Direct3D* Direct3DCreate() {
    if (GetAdapterCount() == 0) return nullptr;
    return new Direct3D();
}

}  // namespace gfx
