// The extension-library helpers: pixel conversion and textures made from image files, on the
// recording device.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "datakit/image_builders.h"
#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/recording_device.h"

using imgtest::Bytes;

namespace {

TEST(PixelConversion, OnePixelInEveryWritableFormat) {
    // 0x80FF8040: a 128, r 255, g 128, b 64. Channels narrow as round(c x max / 255).
    const struct {
        gfx::Format format;
        Bytes bytes;
    } cases[] = {
        {gfx::D3DFMT_R5G6B5, {0x08, 0xFC}},    // 31 << 11 | 32 << 5 | 8
        {gfx::D3DFMT_A1R5G5B5, {0x08, 0xFE}},  // alpha 128 keeps the bit: 1 | 31 | 16 | 8
        {gfx::D3DFMT_L8, {0x9F}},              // (255x299 + 128x587 + 64x114) / 1000 = 159
        {gfx::D3DFMT_V8U8, {0x7F, 0x00}},      // red 255 -> +127, green 128 -> 0
    };
    const uint32_t pixel = 0x80FF8040u;
    for (const auto& c : cases) {
        Bytes out(c.bytes.size() + 2, 0xEE);
        ASSERT_TRUE(gfx::ConvertFromArgb(&pixel, 1, 1, c.format, out.data(), int32_t(c.bytes.size()))) << c.format;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + long(c.bytes.size())), c.bytes) << c.format;
        EXPECT_EQ(out[c.bytes.size()], 0xEE) << "wrote past the pixel, format " << c.format;
    }
    Bytes out(2);
    EXPECT_FALSE(gfx::ConvertFromArgb(&pixel, 1, 1, gfx::D3DFMT_P8, out.data(), 2));
    EXPECT_FALSE(gfx::ConvertFromArgb(&pixel, 1, 1, gfx::D3DFMT_R5G6B5, out.data(), 1));
}

TEST(PixelConversion, RoundTripsOfRepresentableValuesWithPaddedRows) {
    // Values each format keeps exactly, two rows of three with 5 bytes of padding per row.
    struct Case {
        gfx::Format format;
        std::vector<uint32_t> pixels;
    };
    const Case cases[] = {
        {gfx::D3DFMT_A8R8G8B8, {0x01020304u, 0xFFFFFFFFu, 0x00000000u, 0x80FF0080u, 0x7F7F7F7Fu, 0x12345678u}},
        {gfx::D3DFMT_R5G6B5, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF840000u}},
        {gfx::D3DFMT_A1R5G5B5, {0x00FF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x00FFFFFFu, 0xFF000000u, 0xFF008400u}},
        {gfx::D3DFMT_A4R4G4B4, {0x11223344u, 0xFFEEDDCCu, 0x00000000u, 0x88888888u, 0xFF00FF00u, 0x00FF00FFu}},
        {gfx::D3DFMT_R8G8B8, {0xFF010203u, 0xFFFFFFFFu, 0xFF000000u, 0xFF808080u, 0xFFABCDEFu, 0xFF102030u}},
        {gfx::D3DFMT_A8L8, {0x10202020u, 0xFFFFFFFFu, 0x00000000u, 0x80404040u, 0x7F7F7F7Fu, 0x01010101u}},
    };
    for (const Case& c : cases) {
        uint32_t unit = gfx::FormatUnitBytes(c.format);
        int32_t pitch = int32_t(3 * unit + 5);
        Bytes buf(size_t(pitch) * 2, 0xEE);
        ASSERT_TRUE(gfx::ConvertFromArgb(c.pixels.data(), 3, 2, c.format, buf.data(), pitch));
        for (int r = 0; r < 2; ++r)
            for (int i = 0; i < 5; ++i) EXPECT_EQ(buf[size_t(r) * pitch + 3 * unit + i], 0xEE) << c.format;
        std::vector<uint32_t> back(6);
        ASSERT_TRUE(gfx::ConvertToArgb(buf.data(), pitch, 3, 2, c.format, back.data()));
        EXPECT_EQ(back, c.pixels) << c.format;
    }
}

class HelperTextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        gfx::ResetRecordingFactory();
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(8, 8), &dev), gfx::D3D_OK);
    }
    void TearDown() override {
        if (tex) tex->Release();
        dev->Release();
        gfx::ResetRecordingFactory();
    }
    gfx::Result Load(const Bytes& file, uint32_t w, uint32_t h, uint32_t levels, gfx::Format f, uint32_t key = 0) {
        if (tex) tex->Release();
        tex = nullptr;
        return gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), w, h, levels, 0, f,
                                                    gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, key,
                                                    &info, &tex);
    }
    // A level as 0xAARRGGBB pixels.
    std::vector<uint32_t> Pixels(uint32_t level) {
        gfx::SurfaceDesc d{};
        tex->GetLevelDesc(level, &d);
        std::vector<uint32_t> out(size_t(d.Width) * d.Height);
        gfx::LockedRect l{};
        EXPECT_EQ(tex->LockRect(level, &l, nullptr, gfx::D3DLOCK_READONLY), gfx::D3D_OK);
        gfx::ConvertToArgb(static_cast<const uint8_t*>(l.pBits), l.Pitch, d.Width, d.Height, d.Format, out.data());
        tex->UnlockRect(level);
        return out;
    }
    gfx::Format FormatOf(uint32_t level) {
        gfx::SurfaceDesc d{};
        tex->GetLevelDesc(level, &d);
        return d.Format;
    }

    gfx::RecordingDevice* dev = nullptr;
    gfx::Texture* tex = nullptr;
    gfx::ImageInfo info{};
};

// A 4 x 4 TGA: left half red, right half blue, bottom row white; 32-bit top-down.
Bytes Tga4x4() {
    imgtest::TgaLayout s;
    s.width = s.height = 4;
    s.depth = 32;
    s.descriptor = 0x28;
    Bytes stored;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            if (y == 3) stored.insert(stored.end(), {0xFF, 0xFF, 0xFF, 0xFF});
            else if (x < 2) stored.insert(stored.end(), {0x00, 0x00, 0xFF, 0xFF});
            else stored.insert(stored.end(), {0xFF, 0x00, 0x00, 0xFF});
        }
    return imgtest::BuildTga(s, stored);
}

constexpr uint32_t R = 0xFFFF0000u, B = 0xFF0000FFu, W = 0xFFFFFFFFu;

TEST_F(HelperTextureTest, AFileBecomesAFullChainInTheFormatAskedFor) {
    ASSERT_EQ(Load(Tga4x4(), gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, gfx::D3DFMT_A8R8G8B8), gfx::D3D_OK);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.ImageFileFormat, gfx::ImageFileType::Tga);
    ASSERT_EQ(tex->GetLevelCount(), 3u);
    EXPECT_EQ(Pixels(0), (std::vector<uint32_t>{R, R, B, B, R, R, B, B, R, R, B, B, W, W, W, W}));
    // 2 x 2: top blocks pure, bottom blocks half white: red + white -> (255,128,128).
    EXPECT_EQ(Pixels(1), (std::vector<uint32_t>{R, B, 0xFFFF8080u, 0xFF8080FFu}));
    // 1 x 1: the mean of those four: r (255+0+255+128)/4 = 159.5 -> 160, g 64, b 160.
    EXPECT_EQ(Pixels(2), (std::vector<uint32_t>{0xFFA040A0u}));

    // Halved to 2 x 2 in A4R4G4B4 with red keyed out first: top-left four keyed pixels ->
    // transparent black; bottom-left two keyed + two white -> alpha and colour 128 -> 8 x 17;
    // bottom-right blue + white -> (128, 128, 255).
    ASSERT_EQ(Load(Tga4x4(), 2, 2, 1, gfx::D3DFMT_A4R4G4B4, R), gfx::D3D_OK);
    EXPECT_EQ(Pixels(0), (std::vector<uint32_t>{0u, B, 0x88888888u, 0xFF8888FFu}));

    // A format the device refuses falls back to X8R8G8B8; the device's largest size clamps.
    dev->Config().refusedFormats.push_back(gfx::D3DFMT_R5G6B5);
    dev->Config().caps.MaxTextureWidth = 2;
    ASSERT_EQ(Load(Tga4x4(), 8, 4, 1, gfx::D3DFMT_R5G6B5), gfx::D3D_OK);
    EXPECT_EQ(FormatOf(0), gfx::D3DFMT_X8R8G8B8);
    EXPECT_EQ(Pixels(0).size(), 2u * 4u);
}

TEST_F(HelperTextureTest, DdsBlocksGoInUnchangedOrAreDecoded) {
    // 8 x 8 DXT1 with its four levels: 32 + 8 + 8 + 8 bytes of distinct blocks, each red/blue
    // endpoints; the index byte differs, so every block is told apart.
    imgtest::DdsLayout s;
    s.width = s.height = 8;
    s.mipCount = 4;
    s.fourCC = imgtest::FourCC("DXT1");
    Bytes payload;
    for (int i = 0; i < 7; ++i) payload.insert(payload.end(), {uint8_t(0x00), 0xF8, 0x1F, 0x00, uint8_t(i), 0, 0, 0});
    Bytes file = imgtest::BuildDds(s, payload);
    ASSERT_EQ(Load(file, 0, 0, 0, gfx::D3DFMT_UNKNOWN), gfx::D3D_OK);
    EXPECT_EQ(info.MipLevels, 4u);
    ASSERT_EQ(tex->GetLevelCount(), 4u);
    size_t offset = 0;
    for (uint32_t l = 0; l < 4; ++l) {
        EXPECT_EQ(FormatOf(l), gfx::D3DFMT_DXT1);
        gfx::LockedRect lr{};
        ASSERT_EQ(tex->LockRect(l, &lr, nullptr, gfx::D3DLOCK_READONLY), gfx::D3D_OK);
        const size_t bytes = l == 0 ? 32 : 8;
        EXPECT_EQ(0, std::memcmp(lr.pBits, payload.data() + offset, bytes)) << "level " << l;
        tex->UnlockRect(l);
        offset += bytes;
    }
    // Asked for X8R8G8B8: decoded; block 0's indices are all 0, the red end.
    ASSERT_EQ(Load(file, 0, 0, 1, gfx::D3DFMT_X8R8G8B8), gfx::D3D_OK);
    EXPECT_EQ(Pixels(0)[0], R);
}

TEST_F(HelperTextureTest, UnreadableDataFailsWithTheDecodersReason) {
    Bytes file = Tga4x4();
    file.resize(file.size() - 5);
    gfx::Result r = Load(file, 0, 0, 0, gfx::D3DFMT_A8R8G8B8);
    EXPECT_EQ(r, gfx::D3DXERR_INVALIDDATA);
    EXPECT_EQ(tex, nullptr);
    EXPECT_STREQ(gfx::DescribeTextureResult(r), "D3DXERR_INVALIDDATA: TGA truncated in the pixel data");
    EXPECT_EQ(dev->CountCalls(gfx::CallKind::CreateTexture), 0u);
}

}  // namespace
