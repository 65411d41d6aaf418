// The back buffer drawn straight into the window's own framebuffer (whose rows run bottom-up)
// against the same device once it has moved the back buffer into a copy: the same pictures,
// depth and stencil, and nothing lost on the way out.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLWindowTest : public GLDeviceTest {
protected:
    // Makes the device give up the window for good: asking for the front picture does.
    void LeaveWindow() {
        Surface* shot = nullptr;
        ASSERT_EQ(device->CreateImageSurface(kSize, kSize, D3DFMT_A8R8G8B8, &shot), D3D_OK);
        EXPECT_EQ(device->GetFrontBuffer(shot), D3D_OK);
        shot->Release();
    }

    // A frame that leans on the rows' direction everywhere: a viewport and clear rectangles off
    // the centre, a culled and a kept winding through the camera, pre-transformed edges on
    // pixel centres, a depth test and a stencil mask.
    std::vector<uint32_t> DrawTestFrame() {
        PlainStates();
        Clear(0xFF202020);
        const Rect cut{2, 3, 9, 30};
        device->Clear(1, &cut, D3DCLEAR_TARGET, 0xFF808000, 1.0f, 0);
        Viewport vp{4, 3, 24, 20, 0.0f, 1.0f};
        device->SetViewport(&vp);
        Camera();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        const ColorVertex kept[3] = {{-1.5f, 1, 3, 0xFFFF0000, 0, 0}, {1, 1.2f, 3, 0xFFFF0000, 0, 0},
                                     {-1, -1.3f, 3, 0xFFFF0000, 0, 0}};
        const ColorVertex culled[3] = {{0.2f, -0.2f, 3, 0xFF00FF00, 0, 0}, {1.4f, -1.2f, 3, 0xFF00FF00, 0, 0},
                                       {1.3f, 0.3f, 3, 0xFF00FF00, 0, 0}};
        DrawUP(kColorFvf, D3DPT_TRIANGLELIST, 1, kept);
        DrawUP(kColorFvf, D3DPT_TRIANGLELIST, 1, culled);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        // Pre-transformed: a nearer rectangle writes depth, a farther one is hidden behind it.
        device->SetRenderState(D3DRS_ZENABLE, 1);
        device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
        DrawRect(5, 7, 13.5f, 12, 0xFF0000FF, 0.2f);
        DrawRect(9, 9, 20, 22, 0xFFFFFFFF, 0.6f);
        // Stencil 1 where a strip lies, then a colour only there.
        device->SetRenderState(D3DRS_STENCILENABLE, 1);
        device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
        device->SetRenderState(D3DRS_STENCILREF, 1);
        device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
        DrawRect(6, 16, 26, 19, 0xFF000000, 0.1f);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        device->SetRenderState(D3DRS_ZENABLE, 0);
        device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
        device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
        DrawRect(0, 0, 32, 32, 0xFF00FFFF);
        device->SetRenderState(D3DRS_STENCILENABLE, 0);
        Viewport whole{0, 0, kSize, kSize, 0.0f, 1.0f};
        device->SetViewport(&whole);
        return ReadBack();
    }
};

TEST_F(GLWindowTest, TheWindowAndACopyDrawTheSamePicture) {
    const std::vector<uint32_t> inWindow = DrawTestFrame();
    ASSERT_EQ(inWindow.size(), size_t(kSize) * kSize);
    // Spot checks, worked out by hand, so that two equal wrong pictures cannot pass.
    EXPECT_TRUE(ColorNear(inWindow[size_t(29) * kSize + 3], 0xFF808000));   // the clear rectangle
    EXPECT_TRUE(ColorNear(inWindow[size_t(2) * kSize + 30], 0xFF202020));   // outside everything
    EXPECT_TRUE(ColorNear(inWindow[size_t(10) * kSize + 6], 0xFF0000FF));   // the near rectangle
    EXPECT_TRUE(ColorNear(inWindow[size_t(10) * kSize + 12], 0xFF0000FF));  // over the far one
    EXPECT_TRUE(ColorNear(inWindow[size_t(13) * kSize + 17], 0xFFFFFFFF));  // the far one alone
    EXPECT_TRUE(ColorNear(inWindow[size_t(17) * kSize + 20], 0xFF00FFFF));  // the stencil strip
    EXPECT_TRUE(ColorNear(inWindow[size_t(20) * kSize + 19], 0xFFFFFFFF));  // below it

    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    LeaveWindow();
    const std::vector<uint32_t> inCopy = DrawTestFrame();
    ASSERT_EQ(inCopy.size(), inWindow.size());
    int differing = 0;
    for (size_t i = 0; i < inCopy.size(); ++i)
        if ((inCopy[i] | 0xFF000000u) != (inWindow[i] | 0xFF000000u)) ++differing;
    EXPECT_EQ(differing, 0);
}

// The way out carries the picture, the depth and the stencil along, right side up.
TEST_F(GLWindowTest, LeavingTheWindowKeepsPictureDepthAndStencil) {
    PlainStates();
    Clear(0xFF000000);
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILREF, 1);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    DrawRect(0, 0, 16, 8, 0xFFFF0000, 0.3f);  // the top left: red, near, stencil 1
    device->SetRenderState(D3DRS_STENCILENABLE, 0);

    // Paired with a depth surface of its own, the back buffer can no longer be the window's.
    Surface* back = nullptr;
    Surface* ownDepth = nullptr;
    Surface* autoDepth = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    ASSERT_EQ(device->GetDepthStencilSurface(&autoDepth), D3D_OK);
    ASSERT_EQ(device->CreateDepthStencilSurface(kSize, kSize, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, &ownDepth), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(back, ownDepth), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0), D3D_OK);
    DrawRect(16, 0, 32, 8, 0xFF00FF00, 0.5f);
    EXPECT_TRUE(Shows(3, 3, 0xFFFF0000));
    EXPECT_TRUE(Shows(20, 3, 0xFF00FF00));
    EXPECT_TRUE(Shows(3, 20, 0xFF000000));

    // Back with the automatic surface: its depth and stencil are those drawn in the window.
    ASSERT_EQ(device->SetRenderTarget(back, autoDepth), D3D_OK);
    DrawRect(0, 0, 32, 16, 0xFF0000FF, 0.5f);  // behind the red, in front of the rest
    EXPECT_TRUE(Shows(3, 3, 0xFFFF0000));
    EXPECT_TRUE(Shows(20, 3, 0xFF0000FF));
    EXPECT_TRUE(Shows(3, 12, 0xFF0000FF));
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    FullScreenQuad(0xFFFFFF00);
    EXPECT_TRUE(Shows(15, 7, 0xFFFFFF00));
    EXPECT_TRUE(Shows(16, 7, 0xFF0000FF));
    EXPECT_TRUE(Shows(15, 8, 0xFF0000FF));
    device->SetRenderState(D3DRS_STENCILENABLE, 0);
    ownDepth->Release();
    autoDepth->Release();
    back->Release();
}

// While the frame lives in the window, the automatic depth surface has no frame of its own to
// hold: a target paired with it first finds depth 1 and stencil 0 there, whatever the window's
// own buffers hold.
TEST_F(GLWindowTest, ATargetPairedWithTheAutomaticDepthFindsItCleared) {
    PlainStates();
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILREF, 5);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 0.0f, 0),
              D3D_OK);
    DrawRect(0, 0, 32, 32, 0xFFFF0000, 0.0f);  // the window's stencil is 5 everywhere, its depth 0

    Surface* back = nullptr;
    Surface* autoDepth = nullptr;
    Texture* target = nullptr;
    Surface* level = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    ASSERT_EQ(device->GetDepthStencilSurface(&autoDepth), D3D_OK);
    ASSERT_EQ(device->CreateTexture(kSize, kSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
              D3D_OK);
    ASSERT_EQ(target->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(level, autoDepth), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    // Passes only against depth 1; then only where the stencil is 0.
    device->SetRenderState(D3DRS_STENCILENABLE, 0);
    DrawRect(0, 0, 32, 16, 0xFF00FF00, 0.9f);
    device->SetRenderState(D3DRS_ZENABLE, 0);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILREF, 0);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    DrawRect(0, 16, 32, 32, 0xFF0000FF);
    device->SetRenderState(D3DRS_STENCILENABLE, 0);

    ShowTexture(back, autoDepth, target);
    EXPECT_TRUE(Shows(10, 5, 0xFF00FF00));
    EXPECT_TRUE(Shows(10, 25, 0xFF0000FF));
    level->Release();
    target->Release();
    autoDepth->Release();
    back->Release();
}

// A present shows the window's picture; reading the back buffer after it still gives that
// picture, and a frame drawn over only part of it keeps the rest.
TEST_F(GLWindowTest, APartialFrameAfterAPresentDrawsOverTheShownPicture) {
    PlainStates();
    Clear(0xFF00FF00);
    DrawRect(0, 0, 8, 8, 0xFFFF0000);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(Shows(2, 2, 0xFFFF0000));
    EXPECT_TRUE(Shows(20, 20, 0xFF00FF00));
    DrawRect(16, 16, 32, 32, 0xFF0000FF);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(Shows(2, 2, 0xFFFF0000));
    EXPECT_TRUE(Shows(20, 20, 0xFF0000FF));
    EXPECT_TRUE(Shows(20, 2, 0xFF00FF00));
}

// Each present waits for the frame before it: frames in a row, in the window and out of it,
// still each show their own picture.
TEST_F(GLWindowTest, FramesPresentedInARowEachShowTheirOwnPicture) {
    PlainStates();
    const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    for (int frame = 0; frame < 8; ++frame) {
        SCOPED_TRACE(frame);
        if (frame == 4) LeaveWindow();
        const uint32_t colour = colours[frame % 3];
        Clear(colour);
        DrawRect(0, 0, 4, 4, 0xFFFFFFFF);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_TRUE(Shows(20, 20, colour));
        EXPECT_TRUE(Shows(1, 1, 0xFFFFFFFF));
    }
}

}  // namespace
}  // namespace gfxtest
