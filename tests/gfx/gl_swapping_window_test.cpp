// The device on a real X11 window, which swaps a front and a back buffer: the frame shown is
// what a screenshot and the front picture read after the swap, the right way up, and a frame is
// drawn in the window itself rather than copied there. CTest runs these under xvfb-run with
// SDL's x11 driver; anywhere else they are skipped.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "gl_fixture.h"
#include "platform/gfx/image.h"
#include "render/screenshot.h"
#include "support/temp_dir.h"

namespace gfxtest {
namespace {

constexpr uint32_t kW = 48, kH = 30;

// A frame in four colours whose places tell rows and columns apart: a band along the top, the
// bottom row split left and right, the rest the ground.
struct Frame {
    uint32_t ground, top, bottomLeft, bottomRight;
    uint32_t At(uint32_t x, uint32_t y) const {
        if (y < 8) return top;
        if (y >= 20) return x < kW / 2 ? bottomLeft : bottomRight;
        return ground;
    }
};
constexpr Frame kFirst{0xFF303030u, 0xFF00C000u, 0xFFE00000u, 0xFF0000E0u};
constexpr Frame kSecond{0xFF808080u, 0xFFE0E000u, 0xFF00E0E0u, 0xFFE000E0u};

class GLSwappingWindowTest : public GLDeviceTest {
protected:
    void SetUp() override {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        if (!driver || std::strcmp(driver, "x11") != 0) GTEST_SKIP() << "needs an X server and SDL_VIDEODRIVER=x11";
        ASSERT_TRUE(CreateDevice(kW, kH, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8));
        os::ShowWindow(window, true);
    }

    void Draw(const Frame& f) {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        Clear(f.ground);
        const Rect top{0, 0, int32_t(kW), 8};
        ASSERT_EQ(device->Clear(1, &top, D3DCLEAR_TARGET, f.top, 1.0f, 0), D3D_OK);
        PlainStates();
        DrawRect(0, 20, kW / 2, kH, f.bottomLeft);
        DrawRect(kW / 2, 20, kW, kH, f.bottomRight);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    void Show(const Frame& f) {
        Draw(f);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        os::Message m;
        while (os::PeekMessage(&m, os::PM_REMOVE)) os::DispatchMessage(&m);
    }

    // Every pixel of ARGB rows (top first) against the frame.
    static ::testing::AssertionResult Matches(const uint32_t* argb, uint32_t pitchPixels, const Frame& f) {
        for (uint32_t y = 0; y < kH; ++y)
            for (uint32_t x = 0; x < kW; ++x) {
                ::testing::AssertionResult r = ColorNear(argb[size_t(y) * pitchPixels + x] | 0xFF000000u, f.At(x, y));
                if (!r) return r << " at (" << x << ", " << y << ")";
            }
        return ::testing::AssertionSuccess();
    }

    // The window's own back buffer, read past the device, rows turned top-down.
    static std::vector<uint32_t> WindowBackBuffer() {
        std::vector<uint32_t> rows(size_t(kW) * kH), topDown(rows.size());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, GLsizei(kW), GLsizei(kH), GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        for (uint32_t y = 0; y < kH; ++y)
            std::memcpy(&topDown[size_t(y) * kW], &rows[size_t(kH - 1 - y) * kW], kW * 4);
        return topDown;
    }

    ::testing::AssertionResult FrontMatches(const Frame& f) {
        Surface* shot = nullptr;
        if (device->CreateImageSurface(kW, kH, D3DFMT_A8R8G8B8, &shot) != D3D_OK)
            return ::testing::AssertionFailure() << "no image surface";
        ::testing::AssertionResult r = ::testing::AssertionFailure() << "no front picture";
        LockedRect lr{};
        if (device->GetFrontBuffer(shot) == D3D_OK && shot->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            r = Matches(static_cast<const uint32_t*>(lr.pBits), uint32_t(lr.Pitch) / 4, f);
            shot->UnlockRect();
        }
        shot->Release();
        return r;
    }
};

TEST_F(GLSwappingWindowTest, ScreenshotsAfterTheSwapHoldTheShownFrameTheRightWayUp) {
    ScopedWorkDir dir;
    int n = 0;
    for (const Frame& f : {kFirst, kSecond}) {
        SCOPED_TRACE(n);
        Show(f);
        SaveScreenshot(device);
        char name[32];
        std::snprintf(name, sizeof name, "BrmVshot%03d.bmp", n++);
        std::ifstream in(dir.path() / name, std::ios::binary);
        const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Image img;
        ASSERT_TRUE(DecodeBmp(file.data(), file.size(), &img)) << LastImageError();
        ASSERT_EQ(img.width, kW);
        ASSERT_EQ(img.height, kH);
        EXPECT_TRUE(Matches(img.pixels.data(), kW, f));
    }
}

TEST_F(GLSwappingWindowTest, FrontPictureStaysTheShownFrameWhileTheNextIsDrawn) {
    Show(kFirst);
    EXPECT_TRUE(FrontMatches(kFirst));
    // A frame begun over part of the shown one leaves the front picture alone.
    const Rect part{4, 4, 20, 16};
    ASSERT_EQ(device->Clear(1, &part, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0), D3D_OK);
    EXPECT_TRUE(FrontMatches(kFirst));
    Show(kSecond);
    EXPECT_TRUE(FrontMatches(kSecond));
    EXPECT_TRUE(Matches(ReadBack().data(), kW, kSecond));
}

// Drawing after the swap goes on over the shown frame, as on a window that does not swap.
TEST_F(GLSwappingWindowTest, BackBufferKeepsTheShownFrameAcrossTheSwap) {
    Show(kFirst);
    Show(kSecond);
    EXPECT_TRUE(Matches(ReadBack().data(), kW, kSecond));
    const Rect band{0, 0, int32_t(kW), 8};
    ASSERT_EQ(device->Clear(1, &band, D3DCLEAR_TARGET, kFirst.top, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    Frame mixed = kSecond;
    mixed.top = kFirst.top;
    EXPECT_TRUE(Matches(ReadBack().data(), kW, mixed));
}

// Part of the frame shown, or the whole of it in a window of another size, goes through a copy;
// the kept frame stays whole, and a whole present in a fitting window draws there again.
TEST_F(GLSwappingWindowTest, PartialAndResizedPresentsKeepTheFrame) {
    Show(kFirst);
    Draw(kSecond);
    const Rect half{0, 0, int32_t(kW) / 2, int32_t(kH)};
    ASSERT_EQ(device->Present(&half, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(Matches(ReadBack().data(), kW, kSecond));
    EXPECT_TRUE(FrontMatches(kSecond));

    auto* sdl = static_cast<SDL_Window*>(os::NativeWindow(window));
    SDL_SetWindowSize(sdl, int(kW) * 2, int(kH) * 2);
    Show(kFirst);
    EXPECT_TRUE(Matches(ReadBack().data(), kW, kFirst));
    EXPECT_TRUE(FrontMatches(kFirst));
}

// Where the swap keeps the back buffer (Mesa's software rasteriser under Xvfb does), the frame
// being drawn is already in the window's own back buffer before the present, and is again after
// a partial present went through a copy.
TEST_F(GLSwappingWindowTest, FramesAreDrawnInTheWindowItself) {
    Show(kFirst);
    Draw(kSecond);
    EXPECT_TRUE(Matches(WindowBackBuffer().data(), kW, kSecond));
    const Rect half{0, 0, int32_t(kW) / 2, int32_t(kH)};
    ASSERT_EQ(device->Present(&half, nullptr, nullptr, nullptr), D3D_OK);
    Show(kSecond);
    Draw(kFirst);
    EXPECT_TRUE(Matches(WindowBackBuffer().data(), kW, kFirst));
}

// A device asked for a 16-bit depth without stencil (the game with character shadows off) also
// draws straight into the window, and its depth and absent stencil act as asked there and across
// a present that goes through a copy.
class GLSwappingWindowD16Test : public GLSwappingWindowTest {
protected:
    void SetUp() override {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        if (!driver || std::strcmp(driver, "x11") != 0) GTEST_SKIP() << "needs an X server and SDL_VIDEODRIVER=x11";
        ASSERT_TRUE(CreateDevice(kW, kH, D3DFMT_X8R8G8B8, true, D3DFMT_D16));
        os::ShowWindow(window, true);
    }
    // Target and depth: a stencil to clear there is none.
    void ClearNoStencil(uint32_t colour) {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0), D3D_OK);
    }
    void DrawFrame(const Frame& f) {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ClearNoStencil(f.ground);
        PlainStates();
        DrawRect(0, 0, kW, 8, f.top);
        DrawRect(0, 20, kW / 2, kH, f.bottomLeft);
        DrawRect(kW / 2, 20, kW, kH, f.bottomRight);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }
    // The whole frame in one colour at depth z, tested against what is there.
    void Cover(uint32_t colour, float z) {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        device->SetRenderState(D3DRS_ZENABLE, 1);
        device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
        DrawRect(0, 0, kW, kH, colour, z);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }
};

TEST_F(GLSwappingWindowD16Test, ItDrawsInTheWindowWithItsDepthAndNoStencil) {
    DrawFrame(kFirst);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    DrawFrame(kSecond);
    EXPECT_TRUE(Matches(WindowBackBuffer().data(), kW, kSecond));

    // A near band, then covers each nearer than the last but farther than the band: the band
    // stays, through a partial present and back.
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ClearNoStencil(kFirst.ground);
    PlainStates();
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    DrawRect(0, 0, kW, 8, kFirst.top, 0.2f);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    Cover(kFirst.ground, 0.6f);
    const Frame near{kFirst.ground, kFirst.top, kFirst.ground, kFirst.ground};
    EXPECT_TRUE(Matches(WindowBackBuffer().data(), kW, near));
    const Rect half{0, 0, int32_t(kW) / 2, int32_t(kH)};
    ASSERT_EQ(device->Present(&half, nullptr, nullptr, nullptr), D3D_OK);
    Cover(kSecond.ground, 0.5f);
    EXPECT_TRUE(Matches(ReadBack().data(), kW, Frame{kSecond.ground, kFirst.top, kSecond.ground, kSecond.ground}));
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    Cover(kFirst.ground, 0.4f);
    EXPECT_TRUE(Matches(WindowBackBuffer().data(), kW, near));

    // No stencil was asked for: a stencil test that would refuse every pixel refuses none.
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NEVER);
    device->SetRenderState(D3DRS_ZENABLE, 0);
    DrawRect(0, 0, kW, kH, kSecond.ground);
    device->SetRenderState(D3DRS_STENCILENABLE, 0);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_TRUE(Matches(WindowBackBuffer().data(), kW, Frame{kSecond.ground, kSecond.ground, kSecond.ground,
                                                              kSecond.ground}));
}

}  // namespace
}  // namespace gfxtest
