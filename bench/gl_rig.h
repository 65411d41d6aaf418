// A hidden window and an OpenGL device on it for the length of one benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/gfx/device.h"
#include "platform/os/os.h"
#include "render/video.h"

namespace benchsupport {

// A hidden window and a device on it, for the length of one benchmark.
template <uint32_t kWidth, uint32_t kHeight>
class GLRig {
public:
    // The depth as the game asks for it: with stencil for character shadows, 16 bits without.
    explicit GLRig(benchmark::State& state, gfx::Format depth = gfx::D3DFMT_D24S8) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!os::Init()) {
            state.SkipWithError("os::Init failed");
            return;
        }
        os::WindowDesc desc;
        desc.width = int(kWidth);
        desc.height = int(kHeight);
        window = os::CreateMainWindow(desc);
        if (!window) {
            state.SkipWithError("no window");
            return;
        }
        gfx::DeviceParams& p = params;
        p.present.BackBufferWidth = kWidth;
        p.present.BackBufferHeight = kHeight;
        p.present.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
        p.present.BackBufferCount = 1;
        p.present.SwapEffect = gfx::D3DSWAPEFFECT_DISCARD;
        p.present.hDeviceWindow = window;
        p.present.Windowed = 1;
        p.present.EnableAutoDepthStencil = 1;
        p.present.AutoDepthStencilFormat = depth;
        if (gfx::CreateGLDevice(p, &device) != gfx::D3D_OK) {
            state.SkipWithError("no OpenGL device");
            device = nullptr;
        }
    }
    ~GLRig() {
        if (device) device->Release();
        os::Shutdown();
    }
    // The video object over the device, set up as the game sets it up once a device is made.
    void AttachVideo() {
        g_Video.Zero();
        g_Video.device = device;
        g_Video.screenRect = {0, 0, int32_t(kWidth) - 1, int32_t(kHeight) - 1};
        g_Video.halfWidth = kWidth / 2;
        g_Video.halfHeight = kHeight / 2;
        g_Video.present = params.present;
        device->GetBackBuffer(0, gfx::D3DBACKBUFFER_TYPE_MONO, &g_Video.renderTarget);
        device->GetDepthStencilSurface(&g_Video.depthSurface);
        g_Video.RestoreStates();
    }
    void DetachVideo() {
        if (g_Video.renderTarget) g_Video.renderTarget->Release();
        if (g_Video.depthSurface) g_Video.depthSurface->Release();
        g_Video.Zero();
    }
    os::WindowHandle window = nullptr;
    gfx::Device* device = nullptr;
    gfx::DeviceParams params;
};

}  // namespace benchsupport
