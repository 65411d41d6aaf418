// Screenshots: file naming, the BMP layout (rows padded to four bytes, so odd widths come out
// right), the back buffer read in its own format, and quiet failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/image.h"
#include "platform/gfx/recording_device.h"
#include "render/screenshot.h"
#include "render/video.h"
#include "support/temp_dir.h"

namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A recording device whose back buffer holds `pixels` (w x h) in `format`.
gfx::RecordingDevice* DeviceShowing(uint32_t w, uint32_t h, gfx::Format format, const std::vector<uint32_t>& pixels) {
    gfx::DeviceParams params = gfx::RecordingDeviceParams(w, h);
    params.present.BackBufferFormat = format;
    gfx::RecordingDevice* dev = nullptr;
    EXPECT_EQ(gfx::CreateRecordingDevice(params, &dev), gfx::D3D_OK);
    gfx::Surface* back = nullptr;
    gfx::LockedRect lr{};
    if (dev && dev->GetBackBuffer(0, gfx::D3DBACKBUFFER_TYPE_MONO, &back) == gfx::D3D_OK &&
        back->LockRect(&lr, nullptr, 0) == gfx::D3D_OK) {
        EXPECT_TRUE(gfx::ConvertFromArgb(pixels.data(), w, h, format, static_cast<uint8_t*>(lr.pBits), lr.Pitch));
        back->UnlockRect();
    }
    if (back) back->Release();
    return dev;
}

TEST(Screenshot, OddWidthFileIsLaidOutByteForByte) {
    ScopedWorkDir dir;
    // 3 x 2: top row red, green, blue; bottom row white, black, grey (0x10,0x20,0x30).
    gfx::RecordingDevice* dev = DeviceShowing(
        3, 2, gfx::D3DFMT_X8R8G8B8, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF102030u});
    g_Video.device = dev;
    EXPECT_EQ(SaveScreenshot(), 0);
    g_Video.device = nullptr;
    // Each row: 9 bytes of pixels + 3 of padding = 12; 54 + 24 = 78 bytes.
    const std::vector<uint8_t> expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 24, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x30, 0x20, 0x10, 0, 0, 0,  // bottom row first (B G R)
        0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0,
    };
    EXPECT_EQ(ReadAll(dir.path() / "BrmVshot000.bmp"), expected);
    dev->Release();

    // A 16-bit back buffer is read in its own format (values 5:6:5 keeps exactly).
    dev = DeviceShowing(3, 2, gfx::D3DFMT_R5G6B5,
                        {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u, 0xFFFF00FFu});
    SaveScreenshot(dev);
    dev->Release();
    std::vector<uint8_t> file = ReadAll(dir.path() / "BrmVshot001.bmp");
    gfx::Image img;
    ASSERT_TRUE(gfx::DecodeBmp(file.data(), file.size(), &img)) << gfx::LastImageError();
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u,
                                                 0xFFFF00FFu}));
}

TEST(Screenshot, TakesTheFirstFreeNumberInAnyLetterCaseAndOverwritesTheLast) {
    ScopedWorkDir dir;
    dir.Write("BrmVshot000.bmp", "x");
    dir.Write("brmvSHOT002.BMP", "x");
    gfx::RecordingDevice* dev = DeviceShowing(1, 1, gfx::D3DFMT_X8R8G8B8, {0xFF000000u});
    SaveScreenshot(dev);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "BrmVshot001.bmp"), 58u);
    SaveScreenshot(dev);
    // 002 exists under another case: the next free one is 003.
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "BrmVshot003.bmp"));
    EXPECT_EQ(dir.Read("brmvSHOT002.BMP"), "x");

    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "BrmVshot%03d.bmp", i);
        dir.Write(name, "old");
    }
    SaveScreenshot(dev);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "BrmVshot999.bmp"), 58u);
    EXPECT_EQ(dir.Read("BrmVshot998.bmp"), "old");
    dev->Release();
}

TEST(Screenshot, FailuresWriteNothing) {
    ScopedWorkDir dir;
    EXPECT_EQ(SaveScreenshot(nullptr), 0);
    ASSERT_EQ(g_Video.GetDevice(), nullptr);
    EXPECT_EQ(SaveScreenshot(), 0);
    gfx::RecordingDevice* dev = DeviceShowing(2, 2, gfx::D3DFMT_X8R8G8B8, std::vector<uint32_t>(4, 0));
    dev->FailNext(gfx::CallKind::GetBackBuffer, gfx::D3DERR_INVALIDCALL);
    SaveScreenshot(dev);
    dev->FailNext(gfx::CallKind::LockSurface, gfx::D3DERR_INVALIDCALL);
    SaveScreenshot(dev);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    dev->Release();
}

}  // namespace
