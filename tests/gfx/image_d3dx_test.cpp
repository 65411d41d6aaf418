// The extension-library helpers: math, pixel conversion, and textures and surfaces filled
// from images, driven through fake device objects.
#include <gtest/gtest.h>

#include <cmath>

#include "image_builders.h"
#include "image_fakes.h"
#include "platform/gfx/d3dx_helpers.h"
#include "platform/gfx/dds.h"

using imgtest::Bytes;
using imgtest::FakeDevice;
using imgtest::FakeSurface;
using imgtest::FakeTexture;

namespace {

gfx::Matrix Rows(std::initializer_list<std::initializer_list<float>> rows) {
    gfx::Matrix m{};
    int r = 0;
    for (auto row : rows) {
        int c = 0;
        for (float v : row) m.m[r][c++] = v;
        ++r;
    }
    return m;
}

TEST(MatrixInverse, ScaleThenTranslate) {
    // Scale (2, 4, 8) then translate (1, 2, 3), row-vector convention.
    gfx::Matrix m = Rows({{2, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 8, 0}, {1, 2, 3, 1}});
    gfx::Matrix inv{};
    float det = 0;
    ASSERT_TRUE(gfx::MatrixInverse(&inv, &det, m));
    EXPECT_FLOAT_EQ(det, 64.0f);
    gfx::Matrix want = Rows({{0.5f, 0, 0, 0}, {0, 0.25f, 0, 0}, {0, 0, 0.125f, 0}, {-0.5f, -0.5f, -0.375f, 1}});
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(inv.m[r][c], want.m[r][c], 1e-6f) << r << "," << c;
}

TEST(MatrixInverse, GeneralMatrixTimesInverseIsIdentity) {
    gfx::Matrix m = Rows({{3, 1, 0, 2}, {-1, 4, 2, 0}, {0.5f, 0, 1, -3}, {2, -2, 1, 5}});
    gfx::Matrix inv{};
    ASSERT_TRUE(gfx::MatrixInverse(&inv, nullptr, m));
    Mat4 p = Mat4Mul(m, inv);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(p.m[r][c], r == c ? 1.0f : 0.0f, 1e-5f);
}

TEST(MatrixInverse, SingularLeavesTheOutputAlone) {
    gfx::Matrix m = Rows({{1, 2, 3, 4}, {2, 4, 6, 8}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    gfx::Matrix out = Rows({{7, 7, 7, 7}, {7, 7, 7, 7}, {7, 7, 7, 7}, {7, 7, 7, 7}});
    float det = 1;
    EXPECT_FALSE(gfx::MatrixInverse(&out, &det, m));
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(out.m[2][1], 7.0f);
}

// q and -q are the same rotation.
void ExpectSameRotation(const Quat& q, float x, float y, float z, float w) {
    float sign = (q.x * x + q.y * y + q.z * z + q.w * w) < 0 ? -1.0f : 1.0f;
    EXPECT_NEAR(q.x, sign * x, 1e-5f);
    EXPECT_NEAR(q.y, sign * y, 1e-5f);
    EXPECT_NEAR(q.z, sign * z, 1e-5f);
    EXPECT_NEAR(q.w, sign * w, 1e-5f);
}

TEST(QuaternionRotationMatrix, AxisRotationsEveryBranch) {
    const float kPi = 3.14159265358979f;
    const float h = std::sqrt(0.5f);
    // Positive trace.
    ExpectSameRotation(gfx::QuaternionRotationMatrix(Mat4RotationY(kPi / 2)), 0, h, 0, h);
    ExpectSameRotation(gfx::QuaternionRotationMatrix(Mat4RotationZ(kPi / 2)), 0, 0, h, h);
    ExpectSameRotation(gfx::QuaternionRotationMatrix(Mat4RotationX(-kPi / 3)), -0.5f, 0, 0, std::sqrt(0.75f));
    // Half turns: trace -1, the largest diagonal entry picks the branch.
    ExpectSameRotation(gfx::QuaternionRotationMatrix(Mat4RotationX(kPi)), 1, 0, 0, 0);
    ExpectSameRotation(gfx::QuaternionRotationMatrix(Mat4RotationY(kPi)), 0, 1, 0, 0);
    ExpectSameRotation(gfx::QuaternionRotationMatrix(Mat4RotationZ(kPi)), 0, 0, 1, 0);
    EXPECT_NEAR(gfx::QuaternionRotationMatrix(Mat4Identity()).w, 1.0f, 1e-6f);
}

TEST(QuaternionRotationMatrix, RoundTripThroughTheRowVectorFormula) {
    // The row-vector matrix of q: rows (1-2(yy+zz), 2(xy+zw), 2(xz-yw)), (2(xy-zw), 1-2(xx+zz),
    // 2(yz+xw)), (2(xz+yw), 2(yz-xw), 1-2(xx+yy)).
    const Quat qs[] = {{0.1f, 0.7f, -0.3f, 0.0f}, {-0.9f, 0.1f, 0.2f, 0.3f}, {0.2f, -0.1f, 0.95f, -0.2f}};
    for (Quat q : qs) {
        q = QuatNormalize(q);
        const float x = q.x, y = q.y, z = q.z, w = q.w;
        gfx::Matrix m = Rows({{1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0},
                              {2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0},
                              {2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0},
                              {0, 0, 0, 1}});
        ExpectSameRotation(gfx::QuaternionRotationMatrix(m), x, y, z, w);
    }
}

TEST(PixelConversion, OnePixelInEveryWritableFormat) {
    // 0x80FF8040: a 128, r 255, g 128, b 64. Channels narrow as round(c x max / 255).
    struct Case {
        gfx::Format format;
        Bytes bytes;
    };
    const Case cases[] = {
        {gfx::D3DFMT_A8R8G8B8, {0x40, 0x80, 0xFF, 0x80}},
        {gfx::D3DFMT_X8R8G8B8, {0x40, 0x80, 0xFF, 0xFF}},
        {gfx::D3DFMT_R8G8B8, {0x40, 0x80, 0xFF}},
        {gfx::D3DFMT_R5G6B5, {0x08, 0xFC}},     // 31 << 11 | 32 << 5 | 8
        {gfx::D3DFMT_A1R5G5B5, {0x08, 0xFE}},   // alpha 128 keeps the bit: 1 | 31 | 16 | 8
        {gfx::D3DFMT_X1R5G5B5, {0x08, 0xFE}},
        {gfx::D3DFMT_A4R4G4B4, {0x84, 0x8F}},   // 8 | 15 | 8 | 4
        {gfx::D3DFMT_X4R4G4B4, {0x84, 0xFF}},
        {gfx::D3DFMT_A8, {0x80}},
        {gfx::D3DFMT_L8, {0x9F}},               // (255x299 + 128x587 + 64x114) / 1000 = 159
        {gfx::D3DFMT_A8L8, {0x9F, 0x80}},
        {gfx::D3DFMT_V8U8, {0x7F, 0x00}},       // red 255 -> +127, green 128 -> 0
    };
    const uint32_t pixel = 0x80FF8040u;
    for (const Case& c : cases) {
        Bytes out(c.bytes.size() + 2, 0xEE);
        ASSERT_TRUE(gfx::ConvertFromArgb(&pixel, 1, 1, c.format, out.data(), int32_t(c.bytes.size())))
            << c.format;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + long(c.bytes.size())), c.bytes) << c.format;
        EXPECT_EQ(out[c.bytes.size()], 0xEE) << "wrote past the pixel, format " << c.format;
    }
    // Alpha just below half drops the A1R5G5B5 bit.
    const uint32_t lowAlpha = 0x7FFF8040u;
    Bytes out(2);
    ASSERT_TRUE(gfx::ConvertFromArgb(&lowAlpha, 1, 1, gfx::D3DFMT_A1R5G5B5, out.data(), 2));
    EXPECT_EQ(out, (Bytes{0x08, 0x7E}));
    // Formats with no conversion, and pitches too small for a row.
    EXPECT_FALSE(gfx::ConvertFromArgb(&pixel, 1, 1, gfx::D3DFMT_P8, out.data(), 2));
    EXPECT_FALSE(gfx::ConvertFromArgb(&pixel, 1, 1, gfx::D3DFMT_R5G6B5, out.data(), 1));
    EXPECT_FALSE(gfx::ConvertFromArgb(&pixel, 1, 1, gfx::D3DFMT_R5G6B5, out.data(), -2));
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

TEST(PixelConversion, BlockFormatsUseTheBlockRowPitch) {
    // 8 x 8 in DXT1 = 2 x 2 blocks of 8 bytes; a pitch of 24 leaves 8 bytes unused per row.
    std::vector<uint32_t> px(64);
    for (size_t i = 0; i < px.size(); ++i) px[i] = ((i / 8 + i % 8) % 2) ? 0xFFFF0000u : 0xFF0000FFu;
    Bytes buf(48, 0xEE);
    ASSERT_TRUE(gfx::ConvertFromArgb(px.data(), 8, 8, gfx::D3DFMT_DXT1, buf.data(), 24));
    for (int r = 0; r < 2; ++r)
        for (int i = 16; i < 24; ++i) EXPECT_EQ(buf[r * 24 + i], 0xEE);
    std::vector<uint32_t> back(64);
    ASSERT_TRUE(gfx::ConvertToArgb(buf.data(), 24, 8, 8, gfx::D3DFMT_DXT1, back.data()));
    EXPECT_EQ(back, px);
    EXPECT_FALSE(gfx::ConvertFromArgb(px.data(), 8, 8, gfx::D3DFMT_DXT1, buf.data(), 15));
}

// A 4 x 4 TGA: left half red, right half blue, bottom row white; 32-bit top-down.
Bytes Tga4x4() {
    imgtest::TgaLayout s;
    s.width = 4;
    s.height = 4;
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

TEST(CreateTextureFromFile, FullChainInTheRequestedFormat) {
    auto* dev = new FakeDevice();
    Bytes file = Tga4x4();
    gfx::Texture* tex = nullptr;
    gfx::ImageInfo info{};
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), gfx::D3DX_DEFAULT,
                                                   gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, 0, gfx::D3DFMT_A8R8G8B8,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, 0,
                                                   &info, &tex),
              gfx::D3D_OK);
    ASSERT_EQ(tex, dev->lastTexture);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.Height, 4u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Format, gfx::D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, gfx::ImageFileType::Tga);
    FakeTexture* t = dev->lastTexture;
    ASSERT_EQ(t->level.size(), 3u);
    const uint32_t R = 0xFFFF0000u, B = 0xFF0000FFu, W = 0xFFFFFFFFu;
    EXPECT_EQ(t->level[0].Argb(), (std::vector<uint32_t>{R, R, B, B, R, R, B, B, R, R, B, B, W, W, W, W}));
    // 2 x 2: top blocks pure, bottom blocks half white: red (255,0,0)+(255,255,255) -> (255,128,128).
    EXPECT_EQ(t->level[1].Argb(), (std::vector<uint32_t>{R, B, 0xFFFF8080u, 0xFF8080FFu}));
    // 1 x 1: the mean of those four: r (255+0+255+128)/4 = 159.5 -> 160, g 64, b 160.
    EXPECT_EQ(t->level[2].Argb(), (std::vector<uint32_t>{0xFFA040A0u}));
    for (const auto& l : t->level) EXPECT_EQ(l.locks, 0);
    tex->Release();
    dev->Release();
}

TEST(CreateTextureFromFile, SizeFormatLevelsColourKeyAndFallback) {
    auto* dev = new FakeDevice();
    Bytes file = Tga4x4();
    gfx::Texture* tex = nullptr;
    // Halved to 2 x 2, one level, R5G6B5, red keyed out first (so the key sees exact pixels).
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), 2, 2, 1, 0, gfx::D3DFMT_A4R4G4B4,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_FILTER_TRIANGLE,
                                                   gfx::D3DX_DEFAULT, 0xFFFF0000u, nullptr, &tex),
              gfx::D3D_OK);
    FakeTexture* t = dev->lastTexture;
    ASSERT_EQ(t->level.size(), 1u);
    EXPECT_EQ(t->level[0].format, gfx::D3DFMT_A4R4G4B4);
    // Top-left: four keyed pixels -> transparent black. Bottom-left: two keyed + two white ->
    // alpha 128 -> 8 x 17 = 136, colour 128 -> 8 x 17 = 136.
    std::vector<uint32_t> px = t->level[0].Argb();
    EXPECT_EQ(px[0], 0x00000000u);
    EXPECT_EQ(px[1], 0xFF0000FFu);
    EXPECT_EQ(px[2], 0x88888888u);
    tex->Release();

    // The device refuses R5G6B5: X8R8G8B8 instead.
    dev->refused.insert(gfx::D3DFMT_R5G6B5);
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), 0, 0, 0, 0, gfx::D3DFMT_R5G6B5,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, 0,
                                                   nullptr, &tex),
              gfx::D3D_OK);
    EXPECT_EQ(dev->lastTexture->level[0].format, gfx::D3DFMT_X8R8G8B8);
    EXPECT_EQ(dev->lastTexture->level.size(), 3u);
    tex->Release();

    // The device's maximum size clamps the request.
    dev->maxTexture = 2;
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), 8, 8, 1, 0, gfx::D3DFMT_A8R8G8B8,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, 0,
                                                   nullptr, &tex),
              gfx::D3D_OK);
    EXPECT_EQ(dev->lastTexture->level[0].width, 2u);
    tex->Release();
    dev->Release();
}

TEST(CreateTextureFromFile, PointAndNoneFilters) {
    auto* dev = new FakeDevice();
    Bytes file = Tga4x4();
    gfx::Texture* tex = nullptr;
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), 2, 2, 1, 0, gfx::D3DFMT_A8R8G8B8,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_FILTER_POINT, gfx::D3DX_DEFAULT,
                                                   0, nullptr, &tex),
              gfx::D3D_OK);
    // Nearest to the centres (1,1), (3,1), (1,3), (3,3).
    EXPECT_EQ(dev->lastTexture->level[0].Argb(),
              (std::vector<uint32_t>{0xFFFF0000u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFFFFFFFFu}));
    tex->Release();
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), 5, 2, 1, 0, gfx::D3DFMT_A8R8G8B8,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_FILTER_NONE, gfx::D3DX_DEFAULT,
                                                   0, nullptr, &tex),
              gfx::D3D_OK);
    // Copied unscaled at the top-left; the fifth column lies outside the image.
    std::vector<uint32_t> px = dev->lastTexture->level[0].Argb();
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[3], 0xFF0000FFu);
    EXPECT_EQ(px[4], 0x00000000u);
    tex->Release();
    dev->Release();
}

TEST(CreateTextureFromFile, DdsBlocksGoInUnchangedOrAreConverted) {
    // 8 x 8 DXT1 with its four levels: 32 + 8 + 8 + 8 bytes of distinct blocks.
    imgtest::DdsLayout s;
    s.width = 8;
    s.height = 8;
    s.mipCount = 4;
    s.fourCC = imgtest::FourCC("DXT1");
    Bytes payload;
    for (int i = 0; i < 7; ++i) payload.insert(payload.end(), {uint8_t(0x00), 0xF8, 0x1F, 0x00, uint8_t(i), 0, 0, 0});
    Bytes file = imgtest::BuildDds(s, payload);
    auto* dev = new FakeDevice();
    gfx::Texture* tex = nullptr;
    gfx::ImageInfo info{};
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), 0, 0, 0, 0, gfx::D3DFMT_UNKNOWN,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, 0,
                                                   &info, &tex),
              gfx::D3D_OK);
    EXPECT_EQ(info.Format, gfx::D3DFMT_DXT1);
    EXPECT_EQ(info.MipLevels, 4u);
    FakeTexture* t = dev->lastTexture;
    ASSERT_EQ(t->level.size(), 4u);
    EXPECT_EQ(t->level[0].format, gfx::D3DFMT_DXT1);
    size_t offset = 0;
    for (const auto& l : t->level) {
        Bytes packed = l.Packed();
        EXPECT_EQ(packed, Bytes(payload.begin() + long(offset), payload.begin() + long(offset + packed.size())));
        offset += packed.size();
    }
    tex->Release();

    // Asked for X8R8G8B8: decoded. Block 0 row 0 has indices 0 (red) in every pixel.
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), 0, 0, 1, 0, gfx::D3DFMT_X8R8G8B8,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, 0,
                                                   nullptr, &tex),
              gfx::D3D_OK);
    EXPECT_EQ(dev->lastTexture->level[0].Argb()[0], 0xFFFF0000u);
    tex->Release();
    dev->Release();
}

TEST(CreateTextureFromFile, BadInputFailsWithoutATexture) {
    auto* dev = new FakeDevice();
    Bytes junk = {1, 2, 3, 4, 5, 6, 7, 8};
    gfx::Texture* tex = reinterpret_cast<gfx::Texture*>(0x1);
    EXPECT_EQ(gfx::CreateTextureFromFileInMemoryEx(dev, junk.data(), junk.size(), 0, 0, 0, 0, gfx::D3DFMT_A8R8G8B8,
                                                   gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, 0,
                                                   nullptr, &tex),
              gfx::D3DXERR_INVALIDDATA);
    EXPECT_EQ(tex, nullptr);
    EXPECT_EQ(dev->textureCalls, 0);
    Bytes file = Tga4x4();
    EXPECT_EQ(gfx::CreateTextureFromFileInMemoryEx(nullptr, file.data(), file.size(), 0, 0, 0, 0,
                                                   gfx::D3DFMT_A8R8G8B8, gfx::D3DPOOL_MANAGED, gfx::D3DX_DEFAULT,
                                                   gfx::D3DX_DEFAULT, 0, nullptr, &tex),
              gfx::D3DERR_INVALIDCALL);
    // A format nobody can convert into.
    dev->refused.insert(gfx::D3DFMT_P8);
    EXPECT_TRUE(gfx::Failed(gfx::CreateTextureFromFileInMemoryEx(dev, file.data(), file.size(), 0, 0, 0, 0,
                                                                 gfx::D3DFMT_P8, gfx::D3DPOOL_MANAGED,
                                                                 gfx::D3DX_DEFAULT, gfx::D3DX_DEFAULT, 0, nullptr,
                                                                 &tex)));
    EXPECT_EQ(tex, nullptr);
    dev->Release();
}

TEST(CreateTexture, DefaultsAndChainLength) {
    auto* dev = new FakeDevice();
    gfx::Texture* tex = nullptr;
    ASSERT_EQ(gfx::CreateTexture(dev, 0, gfx::D3DX_DEFAULT, 0, 0, gfx::D3DFMT_A8R8G8B8, gfx::D3DPOOL_MANAGED, &tex),
              gfx::D3D_OK);
    EXPECT_EQ(dev->lastTexture->level[0].width, 256u);
    EXPECT_EQ(dev->lastTexture->level[0].height, 256u);
    EXPECT_EQ(dev->lastTexture->level.size(), 9u);
    tex->Release();
    ASSERT_EQ(gfx::CreateTexture(dev, 64, 16, 20, 0, gfx::D3DFMT_DXT3, gfx::D3DPOOL_MANAGED, &tex), gfx::D3D_OK);
    EXPECT_EQ(dev->lastTexture->level.size(), 7u);
    tex->Release();
    dev->refused.insert(gfx::D3DFMT_DXT3);
    ASSERT_EQ(gfx::CreateTexture(dev, 64, 16, 1, 0, gfx::D3DFMT_DXT3, gfx::D3DPOOL_MANAGED, &tex), gfx::D3D_OK);
    EXPECT_EQ(dev->lastTexture->level[0].format, gfx::D3DFMT_A8R8G8B8);
    tex->Release();
    EXPECT_EQ(gfx::CreateTexture(nullptr, 4, 4, 1, 0, gfx::D3DFMT_A8R8G8B8, gfx::D3DPOOL_MANAGED, &tex),
              gfx::D3DERR_INVALIDCALL);
    dev->Release();
}

TEST(LoadSurfaceFromSurface, ConvertsResamplesAndKeys) {
    // A 4 x 2 A8R8G8B8 image surface into a 2 x 1 R5G6B5 texture level, as skins are loaded.
    auto* image = new FakeSurface(gfx::D3DFMT_A8R8G8B8, 4, 2);
    const std::vector<uint32_t> px = {0xFFFF0000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                                      0xFFFF0000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
    ASSERT_TRUE(gfx::ConvertFromArgb(px.data(), 4, 2, gfx::D3DFMT_A8R8G8B8, image->own.bytes.data(), image->own.pitch));
    auto* level = new FakeTexture(gfx::D3DFMT_R5G6B5, 2, 1, 1);
    gfx::Surface* dest = nullptr;
    ASSERT_EQ(level->GetSurfaceLevel(0, &dest), gfx::D3D_OK);
    ASSERT_EQ(gfx::LoadSurfaceFromSurface(dest, nullptr, image, nullptr, gfx::D3DX_FILTER_TRIANGLE, 0), gfx::D3D_OK);
    // Left: pure red. Right: green + blue averaged: (0, 128, 128) -> g6 32, b5 16 -> back as
    // (0, 130, 132).
    EXPECT_EQ(level->level[0].Argb(), (std::vector<uint32_t>{0xFFFF0000u, 0xFF008284u}));
    EXPECT_EQ(image->own.lastLockFlags, gfx::D3DLOCK_READONLY);
    EXPECT_EQ(image->own.locks, 0);

    // A source rectangle into a destination rectangle, with the colour key.
    auto* target = new FakeSurface(gfx::D3DFMT_A8R8G8B8, 3, 3);
    std::fill(target->own.bytes.begin(), target->own.bytes.end(), 0);
    gfx::Rect from{2, 0, 4, 2};  // green and blue columns
    gfx::Rect to{1, 1, 3, 3};
    ASSERT_EQ(gfx::LoadSurfaceFromSurface(target, &to, image, &from, gfx::D3DX_FILTER_NONE, 0xFF00FF00u),
              gfx::D3D_OK);
    std::vector<uint32_t> got = target->own.Argb();
    EXPECT_EQ(got, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0xFF0000FFu, 0, 0, 0xFF0000FFu}));

    // Bad rectangles, unconvertible formats and partial block destinations are refused.
    gfx::Rect outside{0, 0, 5, 1};
    EXPECT_EQ(gfx::LoadSurfaceFromSurface(target, nullptr, image, &outside, gfx::D3DX_DEFAULT, 0),
              gfx::D3DERR_INVALIDCALL);
    gfx::Rect empty{1, 1, 1, 2};
    EXPECT_EQ(gfx::LoadSurfaceFromSurface(target, &empty, image, nullptr, gfx::D3DX_DEFAULT, 0),
              gfx::D3DERR_INVALIDCALL);
    auto* dxt = new FakeSurface(gfx::D3DFMT_DXT1, 8, 8);
    gfx::Rect part{0, 0, 4, 4};
    EXPECT_EQ(gfx::LoadSurfaceFromSurface(dxt, &part, image, nullptr, gfx::D3DX_DEFAULT, 0), gfx::D3DERR_INVALIDCALL);
    EXPECT_EQ(gfx::LoadSurfaceFromSurface(dxt, nullptr, image, nullptr, gfx::D3DX_DEFAULT, 0), gfx::D3D_OK);
    EXPECT_EQ(dxt->own.Argb()[0], 0xFFFF0000u);
    EXPECT_EQ(gfx::LoadSurfaceFromSurface(nullptr, nullptr, image, nullptr, gfx::D3DX_DEFAULT, 0),
              gfx::D3DERR_INVALIDCALL);

    dxt->Release();
    target->Release();
    dest->Release();
    level->Release();
    image->Release();
}

}  // namespace
