// Screenshots: file naming, the BMP layout (rows padded to four bytes, so odd widths come out
// right), the back buffer read at its own pitch and format, and quiet failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "image_fakes.h"
#include "platform/gfx/image.h"
#include "render/screenshot.h"
#include "render/video.h"
#include "support/temp_dir.h"

using imgtest::FakeDevice;
using imgtest::FakeSurface;

namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A device whose back buffer holds `pixels` (w x h) in `format`, rows padded past the width.
FakeDevice* DeviceShowing(uint32_t w, uint32_t h, gfx::Format format, const std::vector<uint32_t>& pixels) {
    auto* dev = new FakeDevice();
    dev->backBuffer = new FakeSurface(format, w, h);
    EXPECT_TRUE(gfx::ConvertFromArgb(pixels.data(), w, h, format, dev->backBuffer->own.bytes.data(),
                                     dev->backBuffer->own.pitch));
    return dev;
}

TEST(Screenshot, OddWidthFileIsLaidOutByteForByte) {
    ScopedWorkDir dir;
    // 3 x 2: top row red, green, blue; bottom row white, black, grey (0x10,0x20,0x30).
    FakeDevice* dev = DeviceShowing(3, 2, gfx::D3DFMT_X8R8G8B8,
                                    {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF102030u});
    EXPECT_EQ(SaveScreenshot(dev), 0);
    std::vector<uint8_t> file = ReadAll(dir.path() / "BrmVshot000.bmp");
    // Each row: 9 bytes of pixels + 3 of padding = 12; 54 + 24 = 78 bytes.
    const std::vector<uint8_t> expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 24, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x30, 0x20, 0x10, 0, 0, 0,  // bottom row first (B G R)
        0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0,
    };
    EXPECT_EQ(file, expected);
    EXPECT_EQ(dev->backBuffer->own.locks, 0);
    EXPECT_EQ(dev->backBuffer->own.lastLockFlags, gfx::D3DLOCK_READONLY);
    dev->Release();
}

TEST(Screenshot, DecodesBackToTheFrameForManyWidthsAndFormats) {
    ScopedWorkDir dir;
    int shot = 0;
    for (uint32_t w : {1u, 2u, 3u, 5u, 7u, 8u, 13u}) {
        for (gfx::Format f : {gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_A8R8G8B8, gfx::D3DFMT_R5G6B5}) {
            const uint32_t h = 3;
            std::vector<uint32_t> px(w * h);
            for (uint32_t i = 0; i < px.size(); ++i) {
                // Values R5G6B5 keeps exactly: each channel 0 or 255.
                px[i] = 0xFF000000u | ((i & 1) ? 0xFF0000u : 0) | ((i & 2) ? 0xFF00u : 0) | ((i % 3) ? 0xFFu : 0);
            }
            FakeDevice* dev = DeviceShowing(w, h, f, px);
            SaveScreenshot(dev);
            char name[32];
            std::snprintf(name, sizeof name, "BrmVshot%03d.bmp", shot++);
            std::vector<uint8_t> file = ReadAll(dir.path() / name);
            ASSERT_EQ(file.size(), 54 + ((w * 3 + 3) & ~3u) * h) << w;
            gfx::Image img;
            ASSERT_TRUE(gfx::DecodeBmp(file.data(), file.size(), &img)) << gfx::LastImageError();
            EXPECT_EQ(img.width, w);
            EXPECT_EQ(img.pixels, px) << "width " << w << " format " << f;
            dev->Release();
        }
    }
}

TEST(Screenshot, FullScreenSizeGivesTheKnownFileSize) {
    ScopedWorkDir dir;
    FakeDevice* dev = DeviceShowing(1024, 768, gfx::D3DFMT_X8R8G8B8, std::vector<uint32_t>(1024 * 768, 0xFF336699u));
    SaveScreenshot(dev);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "BrmVshot000.bmp"), 2359350u);
    dev->Release();
}

TEST(Screenshot, TakesTheFirstFreeNumberInAnyLetterCase) {
    ScopedWorkDir dir;
    dir.Write("BrmVshot000.bmp", "x");
    dir.Write("brmvSHOT002.BMP", "x");
    FakeDevice* dev = DeviceShowing(1, 1, gfx::D3DFMT_X8R8G8B8, {0xFF000000u});
    SaveScreenshot(dev);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "BrmVshot001.bmp"), 58u);
    SaveScreenshot(dev);
    // 002 exists under another case: the next free one is 003.
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "BrmVshot003.bmp"));
    EXPECT_EQ(dir.Read("brmvSHOT002.BMP"), "x");
    dev->Release();
}

TEST(Screenshot, WhenAllThousandExistTheLastIsOverwritten) {
    ScopedWorkDir dir;
    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "BrmVshot%03d.bmp", i);
        dir.Write(name, "old");
    }
    FakeDevice* dev = DeviceShowing(2, 1, gfx::D3DFMT_X8R8G8B8, {0xFF000000u, 0xFFFFFFFFu});
    SaveScreenshot(dev);
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "BrmVshot999.bmp"), 54u + 8u);
    EXPECT_EQ(dir.Read("BrmVshot998.bmp"), "old");
    dev->Release();
}

TEST(Screenshot, FailuresWriteNothing) {
    ScopedWorkDir dir;
    // No device at all, and the video object without one.
    EXPECT_EQ(SaveScreenshot(nullptr), 0);
    ASSERT_EQ(g_Video.GetDevice(), nullptr);
    EXPECT_EQ(SaveScreenshot(), 0);
    // A device without a back buffer; a back buffer that cannot be locked; one in a format
    // that cannot be read.
    auto* noBuffer = new FakeDevice();
    SaveScreenshot(noBuffer);
    FakeDevice* locked = DeviceShowing(2, 2, gfx::D3DFMT_X8R8G8B8, std::vector<uint32_t>(4, 0));
    locked->backBuffer->failLock = true;
    SaveScreenshot(locked);
    auto* palettised = new FakeDevice();
    palettised->backBuffer = new FakeSurface(gfx::D3DFMT_P8, 2, 2);
    SaveScreenshot(palettised);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    noBuffer->Release();
    locked->Release();
    palettised->Release();
}

TEST(Screenshot, UsesTheVideoObjectsDevice) {
    ScopedWorkDir dir;
    FakeDevice* dev = DeviceShowing(1, 1, gfx::D3DFMT_X8R8G8B8, {0xFF123456u});
    g_Video.device = dev;
    SaveScreenshot();
    g_Video.device = nullptr;
    std::vector<uint8_t> file = ReadAll(dir.path() / "BrmVshot000.bmp");
    ASSERT_EQ(file.size(), 58u);
    EXPECT_EQ(file[54], 0x56);
    EXPECT_EQ(file[55], 0x34);
    EXPECT_EQ(file[56], 0x12);
    EXPECT_EQ(file[57], 0x00);  // padding
    dev->Release();
}

}  // namespace
