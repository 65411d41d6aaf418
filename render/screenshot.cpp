#include "render/screenshot.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "common/binary_reader.h"
#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/device.h"
#include "platform/os/path.h"
#include "render/video.h"

namespace {

const char* const kPrefix = "BrmV";

// Surfaces are released on every way out.
struct SurfaceRef {
    gfx::Surface* s = nullptr;
    ~SurfaceRef() {
        if (s) s->Release();
    }
};

bool Exists(const char* name) {
    std::error_code ec;
    return std::filesystem::exists(os::ResolvePath(name), ec);
}

}  // namespace

int SaveScreenshot(gfx::Device* device) {
    if (!device) return 0;

    char name[64];
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(name, sizeof name, "%sshot%03i.bmp", kPrefix, i);
        if (!Exists(name)) break;
        // All taken: the last name is written over.
    }

    SurfaceRef back;
    if (gfx::Failed(device->GetBackBuffer(0, gfx::D3DBACKBUFFER_TYPE_MONO, &back.s)) || !back.s) return 0;
    gfx::SurfaceDesc desc{};
    if (gfx::Failed(back.s->GetDesc(&desc)) || desc.Width == 0 || desc.Height == 0) return 0;
    const uint32_t w = desc.Width, h = desc.Height;

    // The picture as 32-bit pixels, row by row at the surface's own pitch and in its own format.
    std::vector<uint32_t> argb;
    {
        gfx::LockedRect locked{};
        if (gfx::Failed(back.s->LockRect(&locked, nullptr, gfx::D3DLOCK_READONLY))) return 0;
        argb.resize(size_t(w) * h);
        bool ok = gfx::ConvertToArgb(static_cast<const uint8_t*>(locked.pBits), locked.Pitch, w, h, desc.Format,
                                     argb.data());
        back.s->UnlockRect();
        if (!ok) return 0;
    }

    // Rows of three bytes per pixel, padded to a multiple of four, bottom row first.
    const uint32_t stride = (w * 3 + 3) & ~3u;
    BinaryWriter out;
    out.PutU16(0x4D42);  // "BM"
    out.PutU32(stride * h + 54);
    out.PutU16(0);
    out.PutU16(0);
    out.PutU32(54);
    out.PutU32(40);
    out.PutI32(int32_t(w));
    out.PutI32(int32_t(h));
    out.PutU16(1);
    out.PutU16(24);
    out.PutU32(0);
    out.PutU32(stride * h);
    out.PutU32(0);
    out.PutU32(0);
    out.PutU32(0);
    out.PutU32(0);
    std::vector<uint8_t> row(stride, 0);
    for (uint32_t y = h; y-- > 0;) {
        const uint32_t* src = &argb[size_t(y) * w];
        for (uint32_t x = 0; x < w; ++x) {
            row[3 * x] = uint8_t(src[x]);
            row[3 * x + 1] = uint8_t(src[x] >> 8);
            row[3 * x + 2] = uint8_t(src[x] >> 16);
        }
        out.PutBytes(row.data(), row.size());
    }

    os::WriteFileReplacing(name, out.Data());
    return 0;
}

int SaveScreenshot() { return SaveScreenshot(g_Video.GetDevice()); }
