// The video layer's small services: format names and bit depths, vertex sizes, and the gamma
// ramp behind the brightness setting.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gfx/recording_device.h"
#include "render/formats.h"
#include "render/gamma.h"
#include "render/video.h"

namespace {

TEST(FormatNames, NamesAndBitsOfEachKind) {
    const struct {
        uint32_t format;
        const char* name;
        int bits;
    } cases[] = {
        {20, "D3DFMT_R8G8B8", 24},  {23, "D3DFMT_R5G6B5", 16},  {50, "D3DFMT_L8", 0},
        {52, "D3DFMT_A4L4", 4},     {0, "D3DFMT_UNKNOWN", -1},  {75, "D3DFMT_UNKNOWN", -1},
    };
    for (const auto& c : cases) {
        char buffer[16];
        std::memset(buffer, 'z', sizeof buffer);
        FormatName(c.format, buffer);
        EXPECT_STREQ(buffer, c.name) << c.format;
        EXPECT_EQ(FormatBits(c.format), c.bits) << c.name;
    }
}

TEST(VertexFormats, SizesWeightsAndTextureSets) {
    const struct {
        uint32_t fvf, size, weights, sets;
    } cases[] = {
        {0x142, 24, 0, 1},                         // XYZ | DIFFUSE | TEX1
        {0x1C4, 24, 0, 1},                         // XYZRHW and SPECULAR add nothing over XYZ
        {0x01A | 0x200, 12 + 12 + 12 + 16, 3, 2},  // XYZB3 | NORMAL | TEX2
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FvfVertexSize(c.fvf), c.size) << std::hex << c.fvf;
        EXPECT_EQ(FvfBlendWeightCount(c.fvf), c.weights) << std::hex << c.fvf;
        EXPECT_EQ(FvfTexCoordCount(c.fvf), c.sets) << std::hex << c.fvf;
    }
}

TEST(GammaRamp, BrightnessThroughTheVideoDevice) {
    gfx::GammaRamp r{};
    BuildGammaRamp(0.5f, &r);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(r.red[i], i * 257) << i;
    // 0.0: t = -32767 lowers the bright end to 32768; 32768 / 255 = 128.5 at step 1.
    BuildGammaRamp(0.0f, &r);
    EXPECT_EQ(r.red[1], 128);
    EXPECT_EQ(r.green[255], 32768);
    // A GAMMA setting of 300 would push the dark end past 65535 and wrap round to dark values.
    BuildGammaRamp(3.0f, &r);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(r.red[i], 65535) << i;

    ASSERT_EQ(g_Video.GetDevice(), nullptr);
    EXPECT_FALSE(SetBrightness(0.7f));
    gfx::ResetRecordingFactory();
    gfx::RecordingDevice* dev = nullptr;
    ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(4, 4), &dev), gfx::D3D_OK);
    g_Video.device = dev;
    EXPECT_TRUE(SetBrightness(1.0f));
    g_Video.device = nullptr;
    // 1.0: t = 0.75 x 131070 - 65535 = 32767.5 -> 32767 at the dark end;
    // (127 x 32767 + 128 x 65535) / 255 = 49215.25 in the middle.
    dev->GetGammaRamp(&r);
    EXPECT_EQ(r.red[0], 32767);
    EXPECT_EQ(r.blue[128], 49215);
    dev->Release();
}

}  // namespace
