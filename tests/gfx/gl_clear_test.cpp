// Clearing, the front buffer, loss and reset, and objects outliving the OpenGL device or its window.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

TEST_F(GLDeviceTest, ClearKeepsToTheViewportAndTheRectangles) {
    Clear(0xFF000000);
    Viewport vp{8, 4, 8, 8, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_TRUE(Shows(8, 4, 0xFFFF0000));
    EXPECT_TRUE(Shows(15, 11, 0xFFFF0000));
    EXPECT_TRUE(Shows(7, 4, 0xFF000000));
    EXPECT_TRUE(Shows(16, 11, 0xFF000000));
    // Rectangles are cut to the viewport.
    Rect r{0, 0, 10, 6};
    ASSERT_EQ(device->Clear(1, &r, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    EXPECT_TRUE(Shows(9, 5, 0xFF00FF00));
    EXPECT_TRUE(Shows(10, 5, 0xFFFF0000));
    EXPECT_TRUE(Shows(7, 3, 0xFF000000));
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}
// The front buffer shows the last presented frame whatever is drawn after it, whether the
// next frame starts with a whole clear or draws over part of the old picture.
TEST_F(GLDeviceTest, FrontBufferHoldsThePresentedFrame) {
    Surface* shot = nullptr;
    ASSERT_EQ(device->CreateImageSurface(kSize, kSize, D3DFMT_A8R8G8B8, &shot), D3D_OK);
    auto front = [&](uint32_t x, uint32_t y) {
        LockedRect lr{};
        uint32_t c = 0xDEADBEEFu;
        if (device->GetFrontBuffer(shot) == D3D_OK && shot->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            std::memcpy(&c, static_cast<uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch + x * 4, 4);
            shot->UnlockRect();
        }
        return c;
    };
    PlainStates();
    Clear(0xFFFF0000);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(ColorNear(front(3, 3), 0xFFFF0000));
    Clear(0xFF00FF00);
    EXPECT_TRUE(ColorNear(front(3, 3), 0xFFFF0000));
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    DrawRect(0, 0, 8, 8, 0xFF0000FF);
    EXPECT_TRUE(ColorNear(front(3, 3), 0xFF00FF00));
    EXPECT_TRUE(Shows(3, 3, 0xFF0000FF));
    EXPECT_TRUE(Shows(20, 20, 0xFF00FF00));
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(ColorNear(front(3, 3), 0xFF0000FF));
    EXPECT_TRUE(ColorNear(front(20, 20), 0xFF00FF00));
    shot->Release();
}

// Buffers drawn from OpenGL still feed the processor's lit path and read back as written.
TEST_F(GLDeviceTest, BuffersDrawnOnceStillLightAndLock) {
    const ColorVertex quad[4] = {{-1, 1, 2, 0xFFFF0000, 0, 0}, {1, 1, 2, 0xFFFF0000, 1, 0},
                                 {-1, -1, 2, 0xFFFF0000, 0, 1}, {1, -1, 2, 0xFFFF0000, 1, 1}};
    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, kColorFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(sizeof indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib),
              D3D_OK);
    uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, quad, sizeof quad);
    vb->Unlock();
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, indices, sizeof indices);
    ib->Unlock();
    PlainStates();
    Camera();
    device->SetVertexShader(kColorFvf);
    device->SetStreamSource(0, vb, sizeof(ColorVertex));
    device->SetIndices(ib, 0);
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
    // Lit with white ambient light and an ambient-only material: white.
    const Material ambient{.Ambient = {1, 1, 1, 1}};
    device->SetMaterial(&ambient);
    device->SetRenderState(D3DRS_LIGHTING, 1);
    device->SetRenderState(D3DRS_COLORVERTEX, 0);
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(Shows(16, 16, 0xFFFFFFFF, 1));
    ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(p, quad, sizeof quad), 0);
    vb->Unlock();
    ASSERT_EQ(ib->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(p, indices, sizeof indices), 0);
    ib->Unlock();
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(ib->Release(), 0u);
}

TEST_F(GLDeviceTest, LossAndResetFollowTheCooperativeLevel) {
    device->SimulateLoss(false);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    PresentParameters pp = params.present;
    EXPECT_EQ(device->Reset(&pp), D3DERR_DEVICELOST);
    PlainStates();  // drawing while lost does nothing and reports success
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
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    pp.BackBufferWidth = 48;
    pp.BackBufferHeight = 40;
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    params.present = pp;
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    // The states are the defaults again (colour writes on) and the viewport covers the new buffer.
    Clear(0xFF000000);
    FullScreenQuad(0xFF00FF00);
    EXPECT_TRUE(Shows(47, 39, 0xFF00FF00));
    EXPECT_EQ(ReadBack().size(), size_t(48 * 40));
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(GLDeviceTest, ObjectsMayOutliveTheDevice) {
    Texture* t = TextureFromColors(2, 2, {1, 2, 3, 4});
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(32, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    Surface* bb = nullptr;
    device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
    device->SetTexture(0, t);
    uint32_t block = 0;
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    // Memory-side work still answers; the rest refuses quietly.
    LockedRect lr{};
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(lr.pBits)[4], 2);
    t->UnlockRect(0);
    EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
    uint8_t* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    vb->Unlock();
    EXPECT_EQ(t->Release(), 0u);  // neither the stage nor the block still holds it
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(bb->Release(), 0u);
}

// A window closed before the device is released: the device goes quiet instead of crashing.
TEST_F(GLDeviceTest, WindowClosedBeforeTheDevice) {
    Texture* t = TextureFromColors(1, 1, {0xFFFFFFFF});
    device->SetTexture(0, t);
    os::DestroyWindow(window);
    window = nullptr;
    PlainStates();
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    DrawRect(0, 0, 8, 8, 0xFFFFFFFF);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    Texture* other = nullptr;
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &other), D3DERR_DEVICELOST);
    device->SetTexture(0, nullptr);
    EXPECT_EQ(t->Release(), 0u);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
}

}  // namespace
}  // namespace gfxtest
