// In-memory resources of the recording device: buffer and texture locks with read-back, texture
// levels and their surfaces, surface copies, clearing, presenting and reading the front buffer,
// reference counts, and resources that outlive their device.
#include "recording_fixture.h"

#include <vector>

using namespace gfx;
using rectest::RecordingTest;

namespace {

using RecordingResourceTest = RecordingTest;

uint32_t PixelAt(Surface* s, uint32_t x, uint32_t y) {
    LockedRect lr{};
    EXPECT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const uint8_t* p = static_cast<const uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch + size_t(x) * 4;
    uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    EXPECT_EQ(s->UnlockRect(), D3D_OK);
    return v;
}

TEST_F(RecordingResourceTest, VertexBufferLocksWriteWhatLaterLocksRead) {
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_DEFAULT, &vb), D3D_OK);
    VertexBufferDesc desc{};
    ASSERT_EQ(vb->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 96u);
    EXPECT_EQ(desc.FVF, kFvf);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);

    uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(32, 16, &p, 0), D3D_OK);
    for (int i = 0; i < 16; ++i) p[i] = uint8_t(0xA0 + i);
    ASSERT_EQ(vb->Unlock(), D3D_OK);

    uint8_t* whole = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &whole, D3DLOCK_READONLY), D3D_OK);  // 0, 0: everything
    EXPECT_EQ(whole[31], 0);
    EXPECT_EQ(whole[32], 0xA0);
    EXPECT_EQ(whole[47], 0xAF);
    EXPECT_EQ(whole[48], 0);
    // Locks nest: a second lock and two unlocks.
    uint8_t* tail = nullptr;
    ASSERT_EQ(vb->Lock(80, 0, &tail, 0), D3D_OK);  // size 0 from an offset: the rest
    EXPECT_EQ(tail, whole + 80);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);

    EXPECT_EQ(vb->Lock(90, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb->Lock(97, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0xFFFFFFF0u, &p, 0), D3DERR_INVALIDCALL);  // no wrap-around
    vb->Release();
}

TEST_F(RecordingResourceTest, IndexBuffersHoldTheirFormatAndData) {
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib), D3D_OK);
    uint8_t* p = nullptr;
    ASSERT_EQ(ib->Lock(4, 4, &p, 0), D3D_OK);
    p[0] = 0x78, p[1] = 0x56, p[2] = 0x34, p[3] = 0x12;
    ASSERT_EQ(ib->Unlock(), D3D_OK);
    ASSERT_EQ(ib->Lock(0, 12, &p, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(p[4] | (p[5] << 8) | (p[6] << 16) | (p[7] << 24), 0x12345678);
    ib->Unlock();
    IndexBufferDesc desc{};
    ASSERT_EQ(ib->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
    EXPECT_EQ(desc.Size, 12u);
    ib->Release();
    IndexBuffer* bad = nullptr;
    EXPECT_EQ(dev->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(bad, nullptr);
}

TEST_F(RecordingResourceTest, TextureLevelsHaveTheirSizesPitchesAndOwnData) {
    struct Case {
        Format format;
        uint32_t w, h, levels;
        uint32_t expectLevels;
        int32_t level0Pitch;
        uint32_t lastW, lastH;
    };
    const Case cases[] = {
        {D3DFMT_A8R8G8B8, 16, 4, 0, 5, 64, 1, 1},  // full chain: 16x4, 8x2, 4x1, 2x1, 1x1
        {D3DFMT_R5G6B5, 6, 6, 2, 2, 12, 3, 3},
        {D3DFMT_DXT1, 8, 8, 0, 4, 16, 1, 1},       // two 8-byte blocks per block row
        {D3DFMT_DXT5, 12, 4, 1, 1, 48, 12, 4},
        {D3DFMT_L8, 5, 3, 9, 3, 5, 1, 1},          // more than the chain: cut to it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        Texture* tex = nullptr;
        ASSERT_EQ(dev->CreateTexture(c.w, c.h, c.levels, 0, c.format, D3DPOOL_MANAGED, &tex), D3D_OK);
        ASSERT_EQ(tex->GetLevelCount(), c.expectLevels);
        SurfaceDesc last{};
        ASSERT_EQ(tex->GetLevelDesc(c.expectLevels - 1, &last), D3D_OK);
        EXPECT_EQ(last.Width, c.lastW);
        EXPECT_EQ(last.Height, c.lastH);
        EXPECT_EQ(last.Format, c.format);
        LockedRect lr{};
        ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
        EXPECT_EQ(lr.Pitch, c.level0Pitch);
        std::memset(lr.pBits, 0x5A, size_t(lr.Pitch));  // the first row (of blocks)
        ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
        if (c.expectLevels > 1) {  // levels do not share memory
            ASSERT_EQ(tex->LockRect(1, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
            EXPECT_EQ(static_cast<uint8_t*>(lr.pBits)[0], 0);
            tex->UnlockRect(1);
        }
        EXPECT_EQ(tex->GetLevelDesc(c.expectLevels, &last), D3DERR_INVALIDCALL);
        tex->Release();
    }
}

TEST_F(RecordingResourceTest, TextureRectLocksPointIntoTheLevel) {
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    Rect r{2, 3, 4, 5};
    LockedRect lr{};
    ASSERT_EQ(tex->LockRect(0, &lr, &r, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 32);
    static_cast<uint8_t*>(lr.pBits)[0] = 0x11;
    // A locked level cannot be locked again until unlocked.
    LockedRect again{};
    EXPECT_EQ(tex->LockRect(0, &again, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
    EXPECT_EQ(tex->UnlockRect(0), D3DERR_INVALIDCALL);
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(lr.pBits)[3 * 32 + 2 * 4], 0x11);
    tex->UnlockRect(0);

    const Rect bad[] = {{-1, 0, 2, 2}, {0, 0, 9, 1}, {4, 4, 4, 5}, {3, 0, 2, 1}};
    for (const Rect& b : bad) EXPECT_EQ(tex->LockRect(0, &lr, &b, 0), D3DERR_INVALIDCALL);
    tex->Release();

    Texture* dxt = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_DXT3, D3DPOOL_MANAGED, &dxt), D3D_OK);
    Rect unaligned{2, 0, 8, 4}, aligned{4, 4, 8, 8};
    EXPECT_EQ(dxt->LockRect(0, &lr, &unaligned, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(dxt->LockRect(0, &lr, &aligned, 0), D3D_OK);
    dxt->UnlockRect(0);
    dxt->Release();
}

TEST_F(RecordingResourceTest, LevelSurfacesShareTheTexturesDataAndCount) {
    Texture* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    Surface* level1 = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(1, &level1), D3D_OK);
    EXPECT_EQ(RecordingDevice::RefCountOf(tex), 2u);  // the level's reference is the texture's
    SurfaceDesc d{};
    ASSERT_EQ(level1->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Width, 2u);

    LockedRect lr{};
    ASSERT_EQ(level1->LockRect(&lr, nullptr, 0), D3D_OK);
    static_cast<uint8_t*>(lr.pBits)[4] = 0x77;
    // While the surface holds the lock, the texture's level is locked too.
    LockedRect other{};
    EXPECT_EQ(tex->LockRect(1, &other, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(level1->UnlockRect(), D3D_OK);
    ASSERT_EQ(tex->LockRect(1, &other, nullptr, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(other.pBits)[4], 0x77);
    tex->UnlockRect(1);

    Surface* same = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(1, &same), D3D_OK);
    EXPECT_EQ(same, level1);
    same->Release();
    tex->Release();
    EXPECT_EQ(dev->LiveResources(), 1u);  // the level's reference keeps the texture
    level1->Release();
    EXPECT_EQ(dev->LiveResources(), 0u);
}

TEST_F(RecordingResourceTest, CreationIsRefusedWhereTheRealDeviceRefuses) {
    Texture* t = nullptr;
    struct Case {
        const char* what;
        uint32_t w, h, usage;
        Format format;
        Pool pool;
    };
    const Case cases[] = {
        {"zero width", 0, 8, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
        {"wider than the caps", 4096, 8, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
        {"render target outside the default pool", 8, 8, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED},
        {"render target of a format it cannot draw into", 8, 8, D3DUSAGE_RENDERTARGET, D3DFMT_DXT1, D3DPOOL_DEFAULT},
        {"depth texture", 8, 8, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D16, D3DPOOL_DEFAULT},
        {"palettised format", 8, 8, 0, D3DFMT_P8, D3DPOOL_MANAGED},
        {"unknown pool", 8, 8, 0, D3DFMT_A8R8G8B8, Pool(7)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dev->CreateTexture(c.w, c.h, 1, c.usage, c.format, c.pool, &t), D3DERR_INVALIDCALL) << c.what;
        EXPECT_EQ(t, nullptr) << c.what;
    }
    // The caps and the refused formats are the test's to change.
    dev->Config().caps.MaxTextureWidth = 16;
    EXPECT_EQ(dev->CreateTexture(32, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    dev->Config().refusedFormats.push_back(D3DFMT_DXT1);
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    Caps caps{};
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.MaxTextureWidth, 16u);
    EXPECT_EQ(dev->LiveResources(), 0u);
}

TEST_F(RecordingResourceTest, RenderTargetTexturesAndDepthSurfacesCannotBeLocked) {
    Texture* rt = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt), D3D_OK);
    LockedRect lr{};
    EXPECT_EQ(rt->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(lr.pBits, nullptr);
    Surface* depth = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(8, 8, D3DFMT_D16_LOCKABLE, D3DMULTISAMPLE_NONE, &depth), D3D_OK);
    EXPECT_EQ(depth->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    // The back buffer can be locked, like the OpenGL device's.
    ASSERT_EQ(dev->BackBuffer()->LockRect(&lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 64 * 4);
    dev->BackBuffer()->UnlockRect();
    rt->Release();
    depth->Release();
}

TEST_F(RecordingResourceTest, CopyRectsMovesPixelsBetweenSurfacesOfOneFormat) {
    Surface* src = nullptr;
    Surface* dst = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(4, 4, D3DFMT_A8R8G8B8, &src), D3D_OK);
    ASSERT_EQ(dev->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &dst), D3D_OK);
    LockedRect lr{};
    ASSERT_EQ(src->LockRect(&lr, nullptr, 0), D3D_OK);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = 0xFF000000u | (y << 8) | x;
    src->UnlockRect();

    const Rect r{1, 1, 3, 3};
    const Point at{5, 6};
    ASSERT_EQ(dev->CopyRects(src, &r, 1, dst, &at), D3D_OK);
    EXPECT_EQ(PixelAt(dst, 5, 6), 0xFF000101u);
    EXPECT_EQ(PixelAt(dst, 6, 7), 0xFF000202u);
    EXPECT_EQ(PixelAt(dst, 4, 6), 0u);
    // No rect: the whole source at the same place.
    ASSERT_EQ(dev->CopyRects(src, nullptr, 0, dst, nullptr), D3D_OK);
    EXPECT_EQ(PixelAt(dst, 3, 0), 0xFF000003u);

    // Anything out of bounds refuses the whole call before copying.
    const Rect two[2] = {{0, 0, 1, 1}, {0, 0, 5, 1}};
    const Point twoAt[2] = {{7, 7}, {0, 0}};
    ASSERT_EQ(dev->CopyRects(src, two, 2, dst, twoAt), D3DERR_INVALIDCALL);
    EXPECT_EQ(PixelAt(dst, 7, 7), 0u);
    const Point outside{7, 7};
    EXPECT_EQ(dev->CopyRects(src, &r, 1, dst, &outside), D3DERR_INVALIDCALL);
    Surface* other = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(4, 4, D3DFMT_R5G6B5, &other), D3D_OK);
    EXPECT_EQ(dev->CopyRects(src, nullptr, 0, other, nullptr), D3DERR_INVALIDCALL);
    for (Surface* s : {src, dst, other}) s->Release();
}

TEST_F(RecordingResourceTest, ClearFillsTheTargetInsideTheViewportAndPresentShowsIt) {
    Surface* shot = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(70, 30, D3DFMT_A8R8G8B8, &shot), D3D_OK);
    ASSERT_EQ(dev->GetFrontBuffer(shot), D3D_OK);
    EXPECT_EQ(PixelAt(shot, 10, 10), 0xFF000000u);  // a new device shows opaque black

    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040u, 1.0f, 0), D3D_OK);
    Viewport vp{10, 5, 20, 10, 0.0f, 1.0f};
    ASSERT_EQ(dev->SetViewport(&vp), D3D_OK);
    const Rect rects[2] = {{0, 0, 12, 7}, {28, 13, 40, 40}};  // cut by the viewport
    ASSERT_EQ(dev->Clear(2, rects, D3DCLEAR_TARGET, 0x80FF0000u, 1.0f, 0), D3D_OK);

    // Nothing shows before Present.
    ASSERT_EQ(dev->GetFrontBuffer(shot), D3D_OK);
    EXPECT_EQ(PixelAt(shot, 10, 5), 0xFF000000u);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(dev->GetFrontBuffer(shot), D3D_OK);
    // X8R8G8B8 back buffer: alpha reads back opaque.
    EXPECT_EQ(PixelAt(shot, 0, 0), 0xFF203040u);
    EXPECT_EQ(PixelAt(shot, 10, 5), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(shot, 11, 6), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(shot, 12, 6), 0xFF203040u);
    EXPECT_EQ(PixelAt(shot, 9, 5), 0xFF203040u);
    EXPECT_EQ(PixelAt(shot, 29, 14), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(shot, 30, 14), 0xFF203040u);  // past the viewport's right edge
    EXPECT_EQ(PixelAt(shot, 29, 15), 0xFF203040u);
    // Beyond the 64 x 32 image the front-buffer copy is black.
    EXPECT_EQ(PixelAt(shot, 66, 10), 0xFF000000u);

    Surface* wrong = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(8, 8, D3DFMT_X8R8G8B8, &wrong), D3D_OK);
    EXPECT_EQ(dev->GetFrontBuffer(wrong), D3DERR_INVALIDCALL);
    wrong->Release();
    shot->Release();
}

TEST_F(RecordingResourceTest, SixteenBitBackBuffersReadBackThroughConversion) {
    DeviceParams p = RecordingDeviceParams(8, 8);
    p.present.BackBufferFormat = D3DFMT_R5G6B5;
    RecordingDevice* d16 = nullptr;
    ASSERT_EQ(CreateRecordingDevice(p, &d16), D3D_OK);
    ASSERT_EQ(d16->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0), D3D_OK);
    ASSERT_EQ(d16->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    Surface* shot = nullptr;
    ASSERT_EQ(d16->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &shot), D3D_OK);
    ASSERT_EQ(d16->GetFrontBuffer(shot), D3D_OK);
    EXPECT_EQ(PixelAt(shot, 7, 7), 0xFFFF0000u);
    LockedRect lr{};
    ASSERT_EQ(d16->BackBuffer()->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    const uint8_t* px = static_cast<const uint8_t*>(lr.pBits);
    EXPECT_EQ(px[0] | (px[1] << 8), 0xF800);  // pure red in 5-6-5
    d16->BackBuffer()->UnlockRect();
    shot->Release();
    d16->Release();
}

TEST_F(RecordingResourceTest, ClearRefusesDepthAndStencilItCannotReach) {
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);  // D16: no stencil
    EXPECT_EQ(dev->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);   // count without rects
    ASSERT_EQ(dev->SetRenderTarget(nullptr, nullptr), D3D_OK);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->Counters().clears, 0u);

    DeviceParams p = RecordingDeviceParams(8, 8);
    p.present.AutoDepthStencilFormat = D3DFMT_D24S8;
    RecordingDevice* withStencil = nullptr;
    ASSERT_EQ(CreateRecordingDevice(p, &withStencil), D3D_OK);
    EXPECT_EQ(withStencil->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 127), D3D_OK);
    EXPECT_EQ(withStencil->Log().back().args[3], 127u);
    withStencil->Release();
}

TEST_F(RecordingResourceTest, ResourcesOutliveTheirDeviceInert) {
    RecordingDevice* d = nullptr;
    ASSERT_EQ(CreateRecordingDevice(RecordingDeviceParams(8, 8), &d), D3D_OK);
    Texture* tex = nullptr;
    VertexBuffer* vb = nullptr;
    Surface* bb = nullptr;
    ASSERT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), D3D_OK);
    ASSERT_EQ(d->CreateVertexBuffer(32, 0, kFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(d->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    ASSERT_EQ(d->SetTexture(0, tex), D3D_OK);
    EXPECT_EQ(d->Release(), 0u);

    // The device dropped its own references; what the caller holds stays valid.
    EXPECT_EQ(RecordingDevice::RefCountOf(tex), 1u);
    EXPECT_EQ(RecordingDevice::RefCountOf(bb), 1u);
    LockedRect lr{};
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);  // its colour buffer went with the device
    uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);  // memory resources still read and write
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    SurfaceDesc desc{};
    EXPECT_EQ(bb->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 8u);
    // Binding them to a live device is refused.
    EXPECT_EQ(dev->SetTexture(0, tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(bb->Release(), 0u);
}

}  // namespace
