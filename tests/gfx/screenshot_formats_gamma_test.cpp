// The video layer's small services: format names and bit depths, vertex sizes, and the gamma
// ramp behind the brightness setting.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "image_fakes.h"
#include "render/formats.h"
#include "render/gamma.h"
#include "render/video.h"

namespace {

TEST(FormatNames, EveryNamedFormatAndTheRest) {
    struct Case {
        uint32_t format;
        const char* name;
        int bits;
    };
    const Case cases[] = {
        {20, "D3DFMT_R8G8B8", 24},   {21, "D3DFMT_A8R8G8B8", 32}, {22, "D3DFMT_X8R8G8B8", 32},
        {23, "D3DFMT_R5G6B5", 16},   {24, "D3DFMT_X1R5G5B5", 16}, {25, "D3DFMT_A1R5G5B5", 16},
        {26, "D3DFMT_A4R4G4B4", 16}, {27, "D3DFMT_R3G3B2", 8},    {28, "D3DFMT_A8", 8},
        {29, "D3DFMT_A8R3G3B2", 16}, {30, "D3DFMT_X4R4G4B4", 16}, {40, "D3DFMT_A8P8", 16},
        {41, "D3DFMT_P8", 8},        {50, "D3DFMT_L8", 0},        {51, "D3DFMT_A8L8", 8},
        {52, "D3DFMT_A4L4", 4},
        {0, "D3DFMT_UNKNOWN", -1},   {75, "D3DFMT_UNKNOWN", -1},  {31, "D3DFMT_UNKNOWN", -1},
        {0x31545844, "D3DFMT_UNKNOWN", -1}, {0xFFFFFFFF, "D3DFMT_UNKNOWN", -1},
    };
    for (const Case& c : cases) {
        char buffer[16];
        std::memset(buffer, 'z', sizeof buffer);
        FormatName(c.format, buffer);
        EXPECT_STREQ(buffer, c.name) << c.format;
        EXPECT_EQ(FormatBits(c.format), c.bits) << c.name;
    }
}

TEST(VertexFormats, SizesWeightsAndTextureSets) {
    struct Case {
        uint32_t fvf, size, weights, sets;
    };
    const Case cases[] = {
        {0x142, 24, 0, 1},          // XYZ | DIFFUSE | TEX1
        {0x112, 32, 0, 1},          // XYZ | NORMAL | TEX1
        {0x144, 24, 0, 1},          // XYZRHW adds nothing over XYZ
        {0x1C4, 24, 0, 1},          // ... nor does SPECULAR
        {0x022, 12, 0, 0},          // ... nor PSIZE
        {0x006, 16, 1, 0},          // XYZB1
        {0x01A | 0x200, 12 + 12 + 12 + 16, 3, 2},  // XYZB3 | NORMAL | TEX2
        {0x00E, 32, 5, 0},          // XYZB5
        {0x800, 64, 0, 8},          // no position, eight sets
        {0x000, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FvfVertexSize(c.fvf), c.size) << std::hex << c.fvf;
        EXPECT_EQ(FvfBlendWeightCount(c.fvf), c.weights) << std::hex << c.fvf;
        EXPECT_EQ(FvfTexCoordCount(c.fvf), c.sets) << std::hex << c.fvf;
    }
}

TEST(GammaRamp, NeutralBrightAndDark) {
    gfx::GammaRamp r{};
    BuildGammaRamp(0.5f, &r);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(r.red[i], i * 257) << i;

    // 1.0: t = 0.75 x 131070 - 65535 = 32767.5 -> 32767 at the dark end.
    BuildGammaRamp(1.0f, &r);
    EXPECT_EQ(r.red[0], 32767);
    EXPECT_EQ(r.red[255], 65535);
    EXPECT_EQ(r.red[128], 49215);  // (127 x 32767 + 128 x 65535) / 255 = 49215.25

    // 0.0: t = -32767 lowers the bright end to 32768.
    BuildGammaRamp(0.0f, &r);
    EXPECT_EQ(r.red[0], 0);
    EXPECT_EQ(r.red[1], 128);      // 32768 / 255 = 128.5
    EXPECT_EQ(r.red[255], 32768);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(r.green[i], r.red[i]);
        EXPECT_EQ(r.blue[i], r.red[i]);
    }
}

TEST(GammaRamp, OutOfRangeBrightnessStaysInsideSixteenBits) {
    gfx::GammaRamp r{};
    // A GAMMA setting of 300 would push the dark end past 65535 and wrap round to dark values.
    BuildGammaRamp(3.0f, &r);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(r.red[i], 65535) << i;
    BuildGammaRamp(-2.0f, &r);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(r.red[i], 0) << i;
    BuildGammaRamp(std::nanf(""), &r);
    EXPECT_EQ(r.red[100], 100 * 257);
    // Still monotonic just inside the ends.
    BuildGammaRamp(1.49f, &r);
    for (int i = 1; i < 256; ++i) ASSERT_GE(r.red[i], r.red[i - 1]);
}

TEST(GammaRamp, SetBrightnessGoesThroughTheVideoDevice) {
    ASSERT_EQ(g_Video.GetDevice(), nullptr);
    EXPECT_FALSE(SetBrightness(0.7f));

    auto* dev = new imgtest::FakeDevice();
    g_Video.device = dev;
    bool set = SetBrightness(1.0f);
    g_Video.device = nullptr;
    EXPECT_TRUE(set);
    ASSERT_TRUE(dev->gammaSet);
    EXPECT_EQ(dev->gammaFlags, gfx::D3DSGR_CALIBRATE);
    EXPECT_EQ(dev->gamma.red[0], 32767);
    EXPECT_EQ(dev->gamma.blue[255], 65535);
    dev->Release();
}

}  // namespace
