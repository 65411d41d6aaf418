// Clearing, presenting, reading back, loss and reset, capabilities of the OpenGL device.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

TEST_F(GLDeviceTest, ClearFillsTheBackBuffer) {
    Clear(0xFF336699);
    std::vector<uint32_t> p = ReadBack();
    ASSERT_EQ(p.size(), size_t(kSize * kSize));
    EXPECT_TRUE(ColorNear(p[0], 0xFF336699, 0));
    EXPECT_TRUE(ColorNear(p.back(), 0xFF336699, 0));
}

TEST_F(GLDeviceTest, ClearKeepsToTheViewportAndTheRectangles) {
    Clear(0xFF000000);
    Viewport vp{8, 4, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(8, 4), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(15, 11), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(7, 4), 0xFF000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(16, 11), 0xFF000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(8, 12), 0xFF000000, 0));
    // Rectangles are cut to the viewport.
    Rect r{0, 0, 10, 6};
    ASSERT_EQ(device->Clear(1, &r, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(9, 5), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(10, 5), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(7, 3), 0xFF000000, 0));
}

TEST_F(GLDeviceTest, ClearRefusesBuffersThatAreMissing) {
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    device->Release();
    device = nullptr;
    os::DestroyWindow(window);
    ASSERT_TRUE(CreateDevice(16, 16, D3DFMT_X8R8G8B8, false, D3DFMT_UNKNOWN));
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    Surface* z = nullptr;
    EXPECT_EQ(device->GetDepthStencilSurface(&z), D3DERR_NOTFOUND);
    EXPECT_EQ(z, nullptr);
    ASSERT_EQ(device->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, &z), D3D_OK);
    Surface* bb = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(bb, z), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);  // D16 has none
    bb->Release();
    z->Release();
}

TEST_F(GLDeviceTest, PresentKeepsTheShownImageForTheFrontBuffer) {
    Clear(0xFF0000FF);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    Clear(0xFFFF0000);
    Surface* shot = nullptr;
    ASSERT_EQ(device->CreateImageSurface(40, 36, D3DFMT_A8R8G8B8, &shot), D3D_OK);
    ASSERT_EQ(device->GetFrontBuffer(shot), D3D_OK);
    LockedRect lr{};
    ASSERT_EQ(shot->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto at = [&](int x, int y) {
        const uint8_t* p = static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4;
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    };
    EXPECT_EQ(lr.Pitch, 160);
    EXPECT_TRUE(ColorNear(at(0, 0), 0xFF0000FF, 0));
    EXPECT_TRUE(ColorNear(at(31, 31), 0xFF0000FF, 0));
    EXPECT_TRUE(ColorNear(at(35, 33), 0xFF000000, 0));  // beyond the shown image: black
    shot->UnlockRect();
    // Only image surfaces in A8R8G8B8 take the copy.
    Surface* wrong = nullptr;
    ASSERT_EQ(device->CreateImageSurface(32, 32, D3DFMT_R5G6B5, &wrong), D3D_OK);
    EXPECT_EQ(device->GetFrontBuffer(wrong), D3DERR_INVALIDCALL);
    wrong->Release();
    shot->Release();
}

TEST_F(GLDeviceTest, BackBufferWritesLandWhereTheyWereLocked) {
    Clear(0xFF000000);
    Surface* bb = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    LockedRect lr{};
    Rect r{3, 5, 5, 6};
    ASSERT_EQ(bb->LockRect(&lr, &r, 0), D3D_OK);
    uint8_t* p = static_cast<uint8_t*>(lr.pBits);
    p[0] = 0x00, p[1] = 0xFF, p[2] = 0x00, p[3] = 0xFF;  // (3, 5) green
    p[4] = 0xFF, p[5] = 0x00, p[6] = 0x00, p[7] = 0xFF;  // (4, 5) blue
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    ASSERT_EQ(bb->UnlockRect(), D3D_OK);
    EXPECT_EQ(bb->UnlockRect(), D3DERR_INVALIDCALL);
    bb->Release();
    EXPECT_TRUE(ColorNear(Pixel(3, 5), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(4, 5), 0xFF0000FF, 0));
    EXPECT_TRUE(ColorNear(Pixel(3, 4), 0xFF000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(3, 6), 0xFF000000, 0));
}

TEST_F(GLDeviceTest, SixteenBitBackBufferLocksInItsOwnFormat) {
    device->Release();
    device = nullptr;
    os::DestroyWindow(window);
    ASSERT_TRUE(CreateDevice(8, 8, D3DFMT_R5G6B5, true, D3DFMT_D16));
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    Surface* bb = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    SurfaceDesc d{};
    bb->GetDesc(&d);
    EXPECT_EQ(d.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(d.Width, 8u);
    LockedRect lr{};
    ASSERT_EQ(bb->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    const uint8_t* p = static_cast<const uint8_t*>(lr.pBits);
    EXPECT_EQ(p[0] | (p[1] << 8), 0xF800);
    bb->UnlockRect();
    bb->Release();
}

TEST_F(GLDeviceTest, LossAndResetFollowTheCooperativeLevel) {
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    device->SimulateLoss(false);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    PresentParameters pp = params.present;
    EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST);
    // Drawing while lost does nothing and reports success.
    PlainStates();
    Clear(0xFF000000);
    FullScreenQuad(0xFFFFFFFF);
    device->SimulateLoss(true);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    // Resources of the default pool must be released first.
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(240, D3DUSAGE_DYNAMIC, 0x142, D3DPOOL_DEFAULT, &vb), D3D_OK);
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    vb->Release();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    pp.BackBufferWidth = 48;
    pp.BackBufferHeight = 40;
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    Surface* bb = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    SurfaceDesc d{};
    bb->GetDesc(&d);
    EXPECT_EQ(d.Width, 48u);
    EXPECT_EQ(d.Height, 40u);
    bb->Release();
    // States return to their defaults, the viewport covers the new buffer.
    uint32_t v = 0;
    device->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, 1u);
    Viewport vp{};
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 48u);
    EXPECT_EQ(vp.Height, 40u);
    params.present = pp;
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(47, 39), 0xFF00FF00, 0));
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(GLDeviceTest, ScenesPairUp) {
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3D_OK);
}

TEST_F(GLDeviceTest, GammaRampIsKept) {
    GammaRamp ramp{};
    for (int i = 0; i < 256; ++i) {
        ramp.red[i] = uint16_t(i * 100);
        ramp.green[i] = uint16_t(65535 - i);
        ramp.blue[i] = uint16_t(i);
    }
    device->SetGammaRamp(D3DSGR_CALIBRATE, &ramp);
    GammaRamp back{};
    device->GetGammaRamp(&back);
    EXPECT_EQ(back.red[255], 25500);
    EXPECT_EQ(back.green[3], 65532);
    EXPECT_EQ(back.blue[17], 17);
}

TEST_F(GLDeviceTest, CapabilitiesSendTheGameToItsFallbacks) {
    Caps c{};
    ASSERT_EQ(device->GetDeviceCaps(&c), D3D_OK);
    EXPECT_EQ(c.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP, 0u);
    EXPECT_EQ(c.DevCaps & D3DDEVCAPS_PUREDEVICE, 0u);        // no hardware vertex processing
    EXPECT_EQ(c.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_EQ(c.MaxVertexBlendMatrices, 4u);                 // done on the processor
    EXPECT_GE(c.MaxSimultaneousTextures, 2u);
    EXPECT_LE(c.MaxSimultaneousTextures, 8u);
    EXPECT_NE(c.StencilCaps & D3DSTENCILCAPS_INCR, 0u);
    EXPECT_NE(c.StencilCaps & D3DSTENCILCAPS_DECRSAT, 0u);
    EXPECT_NE(c.Caps2 & D3DCAPS2_CANRENDERWINDOWED, 0u);
    EXPECT_GE(c.MaxUserClipPlanes, 1u);
    EXPECT_GE(c.MaxTextureWidth, 2048u);
    for (TextureOp op : {D3DTOP_MODULATE, D3DTOP_SELECTARG1, D3DTOP_ADD, D3DTOP_BLENDTEXTUREALPHA})
        EXPECT_NE(c.TextureOpCaps & (1u << (op - 1)), 0u) << op;
    // The same answers come without a device.
    Caps before{};
    ASSERT_TRUE(GetGLDeviceCaps(&before));
    EXPECT_EQ(before.TextureOpCaps, c.TextureOpCaps);
    EXPECT_EQ(before.MaxSimultaneousTextures, c.MaxSimultaneousTextures);
    EXPECT_EQ(before.MaxAnisotropy, c.MaxAnisotropy);
    // The device is still usable after the query made its own context.
    Clear(0xFF112233);
    EXPECT_TRUE(ColorNear(Pixel(1, 1), 0xFF112233, 0));
}

TEST(GLFormats, WhatTheDeviceCanCreate) {
    struct Case {
        uint32_t usage;
        ResourceType type;
        Format format;
        bool ok;
    } cases[] = {
        {0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_DXT1, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_DXT5, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_P8, false},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8, true},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_R5G6B5, true},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_DXT1, false},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, true},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16, true},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8, false},
        {0, D3DRTYPE_VOLUMETEXTURE, D3DFMT_A8R8G8B8, false},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckGLFormat(c.usage, c.type, c.format), c.ok) << c.format;
}

}  // namespace
}  // namespace gfxtest
