#include "render/adapter_table.h"

#include <cstring>

#include "render/video.h"

AdapterTable g_AdapterTable;

void AdapterTable::Reset() { std::memset(static_cast<void*>(this), 0, sizeof(*this)); }

bool AdapterTable::AddMode(AdapterRecord* record, const gfx::DisplayMode& mode) {
    for (uint32_t i = record->modeGroupCount; i-- > 0;) {
        DisplayModeGroup& g = record->modeGroups[i];
        if (g.width == mode.Width && g.height == mode.Height && g.format == uint32_t(mode.Format)) {
            if (g.rateCount >= 32) return false;
            g.rates[g.rateCount++] = mode.RefreshRate;
            return true;
        }
    }
    if (record->modeGroupCount >= 128) return false;
    DisplayModeGroup& g = record->modeGroups[record->modeGroupCount++];
    g.width = mode.Width;
    g.height = mode.Height;
    g.format = uint32_t(mode.Format);
    g.rateCount = 1;
    g.rates[0] = mode.RefreshRate;
    return true;
}

void AdapterTable::Enumerate() {
    gfx::Direct3D* d3d = g_Direct3DCreate ? g_Direct3DCreate() : nullptr;
    if (!d3d) return;
    uint32_t count = d3d->GetAdapterCount();
    if (count > kMaxAdapters) count = kMaxAdapters;
    adapterCount = count;
    const uint32_t videoMiB = uint32_t(gfx::GetTotalVideoMemory() >> 20);
    for (uint32_t a = 0; a < count; ++a) {
        AdapterRecord& r = adapters[a];
        d3d->GetAdapterIdentifier(a, gfx::D3DENUM_NO_WHQL_LEVEL, &r.identifier);
        d3d->GetDeviceCaps(a, gfx::D3DDEVTYPE_HAL, &r.caps);
        r.videoMemoryMiB = videoMiB;

        r.modeGroupCount = 0;
        uint32_t modes = d3d->GetAdapterModeCount(a);
        for (uint32_t i = 0; i < modes; ++i) {
            gfx::DisplayMode m{};
            if (gfx::Succeeded(d3d->EnumAdapterModes(a, i, &m))) AddMode(&r, m);
        }

        const gfx::Caps& c = r.caps;
        r.hardwareVertexProcessing = (c.DevCaps & gfx::D3DDEVCAPS_PUREDEVICE) ? 1 : 0;
        r.canRenderWindowed = (c.Caps2 & gfx::D3DCAPS2_CANRENDERWINDOWED) ? 1 : 0;
        r.fullScreenGamma = (c.Caps2 & gfx::D3DCAPS2_FULLSCREENGAMMA) ? 1 : 0;
        r.maxSimultaneousTextures = c.MaxSimultaneousTextures;
        r.anisotropic = (c.RasterCaps & gfx::D3DPRASTERCAPS_ANISOTROPY) ? 1 : 0;
        r.maxAnisotropy = r.anisotropic ? c.MaxAnisotropy : 0;
        r.bumpEnvMap = (c.TextureOpCaps & gfx::D3DTEXOPCAPS_BUMPENVMAP) ? 1 : 0;
        r.dynamicTextures = (c.Caps2 & gfx::D3DCAPS2_DYNAMICTEXTURES) ? 1 : 0;

        const gfx::DevType hal = gfx::D3DDEVTYPE_HAL;
        auto ok = [](gfx::Result res) -> uint8_t { return gfx::Succeeded(res) ? 1 : 0; };
        auto d24s8 = [&](gfx::Format display) -> uint8_t {
            return ok(d3d->CheckDeviceFormat(a, hal, display, gfx::D3DUSAGE_DEPTHSTENCIL, gfx::D3DRTYPE_SURFACE,
                                             gfx::D3DFMT_D24S8)) &
                   ok(d3d->CheckDepthStencilMatch(a, hal, display, display, gfx::D3DFMT_D24S8));
        };
        r.d24s8With16BitDisplay = d24s8(gfx::D3DFMT_R5G6B5);
        r.d24s8With32BitDisplay = d24s8(gfx::D3DFMT_X8R8G8B8);
        r.dxt1With16BitDisplay =
            ok(d3d->CheckDeviceFormat(a, hal, gfx::D3DFMT_R5G6B5, 0, gfx::D3DRTYPE_TEXTURE, gfx::D3DFMT_DXT1));
        r.dxt1With32BitDisplay =
            ok(d3d->CheckDeviceFormat(a, hal, gfx::D3DFMT_X8R8G8B8, 0, gfx::D3DRTYPE_TEXTURE, gfx::D3DFMT_DXT1));
        r.multisample16[0] = 0;
        r.multisample32[0] = 0;
        for (uint32_t i = 1; i < 16; ++i) {
            auto type = gfx::MultiSampleType(i + 1);
            r.multisample16[i] = ok(d3d->CheckDeviceMultiSampleType(a, hal, gfx::D3DFMT_R5G6B5, false, type));
            r.multisample32[i] = ok(d3d->CheckDeviceMultiSampleType(a, hal, gfx::D3DFMT_X8R8G8B8, false, type));
        }
        const gfx::Format pairs[4][2] = {{gfx::D3DFMT_R5G6B5, gfx::D3DFMT_R5G6B5},
                                         {gfx::D3DFMT_R5G6B5, gfx::D3DFMT_X8R8G8B8},
                                         {gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_R5G6B5},
                                         {gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8}};
        for (int i = 0; i < 4; ++i)
            r.renderTargetTextures[i] = ok(d3d->CheckDeviceFormat(a, hal, pairs[i][0], gfx::D3DUSAGE_RENDERTARGET,
                                                                  gfx::D3DRTYPE_TEXTURE, pairs[i][1]));
    }
    d3d->Release();
}

int CheckVideoFormat(uint32_t displayFormat, uint32_t renderTargetFormat, uint32_t depthFormat) {
    gfx::Direct3D* d3d = g_Direct3DCreate ? g_Direct3DCreate() : nullptr;
    if (!d3d) return 1;
    const auto display = gfx::Format(displayFormat), target = gfx::Format(renderTargetFormat),
               depth = gfx::Format(depthFormat);
    const uint32_t a = gfx::D3DADAPTER_DEFAULT;
    int result = 0;
    if (gfx::Failed(d3d->CheckDeviceFormat(a, gfx::D3DDEVTYPE_HAL, display, gfx::D3DUSAGE_RENDERTARGET,
                                           gfx::D3DRTYPE_SURFACE, target)))
        result = 2;
    if (gfx::Failed(d3d->CheckDeviceFormat(a, gfx::D3DDEVTYPE_HAL, display, gfx::D3DUSAGE_DEPTHSTENCIL,
                                           gfx::D3DRTYPE_SURFACE, depth)) ||
        gfx::Failed(d3d->CheckDepthStencilMatch(a, gfx::D3DDEVTYPE_HAL, display, target, depth)))
        result = 3;
    d3d->Release();
    return result;
}
