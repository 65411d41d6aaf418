// Textures made from image files on the real OpenGL device, drawn and read back: the helpers'
// conversion into each texture format and the device's upload meet here.
#include "gl_fixture.h"
#include "image_builders.h"
#include "platform/gfx/d3dx_helpers.h"

namespace gfxtest {
namespace {

// 4 x 4, 24-bit top-down: rows red/green/blue/white, columns darkened by 0, 0, 0 and black.
// All values survive 5:6:5 and 4-bit channels exactly.
imgtest::Bytes Tga4x4() {
    imgtest::TgaLayout s;
    s.width = 4;
    s.height = 4;
    s.depth = 24;
    s.descriptor = 0x20;
    imgtest::Bytes stored;
    const uint8_t rows[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};  // B G R
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            if (x == 3) stored.insert(stored.end(), {0, 0, 0});
            else stored.insert(stored.end(), rows[y], rows[y] + 3);
        }
    return imgtest::BuildTga(s, stored);
}

uint32_t Expected(uint32_t x, uint32_t y) {
    if (x == 3) return 0xFF000000u;
    const uint32_t rows[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    return rows[y];
}

class GLImageTextureTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    }
    void TearDown() override {
        device->SetTexture(0, nullptr);
        GLDeviceTest::TearDown();
    }
    // Draws the texture over the whole 32 x 32 buffer; texel (i, j) covers pixels 8i..8i+7.
    std::vector<uint32_t> Draw(Texture* t) {
        device->SetTexture(0, t);
        Clear(0xFF808080u);
        FullScreenQuad(0xFFFFFFFFu);
        return ReadBack();
    }
};

TEST_F(GLImageTextureTest, EachTextureFormatShowsTheImage) {
    imgtest::Bytes file = Tga4x4();
    for (Format f : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5}) {
        Texture* t = nullptr;
        ASSERT_EQ(CreateTextureFromFileInMemoryEx(device, file.data(), file.size(), 0, 0, 1, 0, f, D3DPOOL_MANAGED,
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, &t),
                  D3D_OK)
            << f;
        SurfaceDesc desc{};
        ASSERT_EQ(t->GetLevelDesc(0, &desc), D3D_OK);
        EXPECT_EQ(desc.Format, f);
        std::vector<uint32_t> px = Draw(t);
        ASSERT_EQ(px.size(), 32u * 32u);
        for (uint32_t j = 0; j < 4; ++j)
            for (uint32_t i = 0; i < 4; ++i)
                EXPECT_TRUE(ColorNear(px[(8 * j + 4) * 32 + 8 * i + 4] | 0xFF000000u, Expected(i, j)))
                    << "format " << f << " texel " << i << "," << j;
        t->Release();
    }
}

TEST_F(GLImageTextureTest, DdsBlocksUploadUnchanged) {
    // 4 x 4 DXT1: red/blue endpoints, row 0 indices 0 1 2 3, other rows 1 (blue).
    imgtest::DdsLayout s;
    s.width = 4;
    s.height = 4;
    s.fourCC = imgtest::FourCC("DXT1");
    imgtest::Bytes file = imgtest::BuildDds(s, {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x55, 0x55, 0x55});
    Texture* t = nullptr;
    ASSERT_EQ(CreateTextureFromFileInMemoryEx(device, file.data(), file.size(), 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                              D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, &t),
              D3D_OK);
    SurfaceDesc desc{};
    ASSERT_EQ(t->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    std::vector<uint32_t> px = Draw(t);
    EXPECT_TRUE(ColorNear(px[4 * 32 + 4], 0xFFFF0000u));
    EXPECT_TRUE(ColorNear(px[4 * 32 + 12], 0xFF0000FFu));
    EXPECT_TRUE(ColorNear(px[4 * 32 + 20], 0xFFAA0055u));
    EXPECT_TRUE(ColorNear(px[4 * 32 + 28], 0xFF5500AAu));
    EXPECT_TRUE(ColorNear(px[20 * 32 + 4], 0xFF0000FFu));
    t->Release();
}

}  // namespace
}  // namespace gfxtest
