// Text drawn by the texture font on the OpenGL device, read back from the back buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "frontend/texture_font.h"
#include "platform/gfx/device.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "test_font.h"

namespace {

using namespace gfx;

class TextureFontPictureTest : public ::testing::Test {
protected:
    static constexpr uint32_t kWidth = 96;
    static constexpr uint32_t kHeight = 64;

    void SetUp() override {
        ASSERT_TRUE(fonttest::RegisterTestFont());
        ASSERT_TRUE(os::Init());
        os::WindowDesc desc;
        window = os::CreateMainWindow(desc);
        ASSERT_NE(window, nullptr);
        DeviceParams params;
        PresentParameters& pp = params.present;
        pp.BackBufferWidth = kWidth;
        pp.BackBufferHeight = kHeight;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = window;
        pp.Windowed = 1;
        pp.EnableAutoDepthStencil = 1;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        ASSERT_EQ(CreateGLDevice(params, &device), D3D_OK);
        g_Video.Zero();
        g_Video.device = device;
        g_Font.Release();
    }

    void TearDown() override {
        g_Font.Release();
        g_Video.device = nullptr;
        g_Video.Zero();
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        os::Shutdown();
    }

    // The back buffer as 0xRRGGBB values, row 0 at the top.
    std::vector<uint32_t> ReadBack() {
        std::vector<uint32_t> out;
        Surface* bb = nullptr;
        if (device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb) != D3D_OK) return out;
        LockedRect lr{};
        if (bb->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            out.resize(size_t(kWidth) * kHeight);
            for (uint32_t y = 0; y < kHeight; ++y) {
                const uint8_t* row = static_cast<const uint8_t*>(lr.pBits) + size_t(y) * size_t(lr.Pitch);
                for (uint32_t x = 0; x < kWidth; ++x)
                    out[size_t(y) * kWidth + x] =
                        uint32_t(row[x * 4]) | (uint32_t(row[x * 4 + 1]) << 8) | (uint32_t(row[x * 4 + 2]) << 16);
            }
            bb->UnlockRect();
        }
        bb->Release();
        return out;
    }

    void DrawOnBlack(float x, float y, uint32_t colour, const char* text) {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_TRUE(g_Font.DrawText(x, y, colour, 0, text));
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    os::WindowHandle window = nullptr;
    Device* device = nullptr;
};

TEST_F(TextureFontPictureTest, TestFontGlyphsLightExactlyTheirBoxes) {
    ASSERT_TRUE(g_Font.Create(fonttest::kFamily, 15, 0));
    // "AW" at (4, 6): the baseline is 18 pixels down the cell, at row 24. 'A' covers x 6..11,
    // rows 12..23; 'W', from x 14, covers x 14..33, rows 16..23.
    DrawOnBlack(4, 6, 0xFFFF0000, "AW");
    std::vector<uint32_t> px = ReadBack();
    ASSERT_EQ(px.size(), size_t(kWidth) * kHeight);
    int red = 0;
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            bool inA = x >= 6 && x <= 11 && y >= 12 && y <= 23;
            bool inW = x >= 14 && x <= 33 && y >= 16 && y <= 23;
            uint32_t want = (inA || inW) ? 0xFF0000 : 0x000000;
            ASSERT_EQ(px[size_t(y) * kWidth + x], want) << x << "," << y;
            red += inA || inW;
        }
    EXPECT_EQ(red, 6 * 12 + 20 * 8);
}

// The element-map editor's names carry accented letters of the font's one-byte code page.
TEST_F(TextureFontPictureTest, AnAccentedLetterIsOneGlyphWithItsAccentAboveTheLetter) {
    ASSERT_TRUE(g_Font.Create("Comic Sans MS", 20, 0));
    struct Box {
        int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    };
    auto ink = [&](const char* text) {
        DrawOnBlack(2, 2, 0xFFFFFFFF, text);
        const std::vector<uint32_t> px = ReadBack();
        Box b;
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x)
                if ((px[size_t(y) * kWidth + x] & 0xFF) > 96) {
                    b.left = std::min(b.left, int(x));
                    b.right = std::max(b.right, int(x));
                    b.top = std::min(b.top, int(y));
                    b.bottom = std::max(b.bottom, int(y));
                }
        return b;
    };
    const Box plain = ink("na"), accented = ink("n\xE1"), asUtf8 = ink("n\xC3\xA1");
    ASSERT_GE(plain.right, 0) << "nothing drawn";
    // As wide as the plain letter, with ink above the top of the lowercase letters.
    EXPECT_NEAR(accented.right, plain.right, 2);
    EXPECT_EQ(accented.bottom, plain.bottom);
    EXPECT_LT(accented.top, plain.top - 2);
    // Two bytes would be two glyphs, the second well past the first.
    EXPECT_GT(asUtf8.right, plain.right + 4);
}

}  // namespace
