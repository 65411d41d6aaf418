// Device state: defaults, state blocks, reference counts, buffers and their locks, drawing from
// buffers, vertex declarations and refused calls.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLStateTest : public GLDeviceTest {};

TEST_F(GLStateTest, DefaultsAreTheFixedFunctionOnes) {
    struct Rs {
        RenderStateType state;
        uint32_t value;
    } rs[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},       {D3DRS_FILLMODE, D3DFILL_SOLID},     {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_ZWRITEENABLE, 1},           {D3DRS_SRCBLEND, D3DBLEND_ONE},      {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_CULLMODE, D3DCULL_CCW},     {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},     {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_ALPHABLENDENABLE, 0},       {D3DRS_LIGHTING, 1},                 {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},   {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},  {D3DRS_CLIPPING, 1},
        {D3DRS_COLORWRITEENABLE, 0xF},     {D3DRS_VERTEXBLEND, D3DVBF_DISABLE}, {D3DRS_FOGEND, FloatBits(1.0f)},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    };
    for (const Rs& r : rs) {
        uint32_t v = 0xDEAD;
        ASSERT_EQ(device->GetRenderState(r.state, &v), D3D_OK);
        EXPECT_EQ(v, r.value) << r.state;
    }
    uint32_t v = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, uint32_t(D3DTOP_MODULATE));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, uint32_t(D3DTOP_DISABLE));
    device->GetTextureStageState(0, D3DTSS_ALPHAOP, &v);
    EXPECT_EQ(v, uint32_t(D3DTOP_SELECTARG1));
    device->GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 3u);
    device->GetTextureStageState(2, D3DTSS_ADDRESSU, &v);
    EXPECT_EQ(v, uint32_t(D3DTADDRESS_WRAP));
    device->GetTextureStageState(2, D3DTSS_MINFILTER, &v);
    EXPECT_EQ(v, uint32_t(D3DTEXF_POINT));
    EXPECT_EQ(device->GetRenderState(RenderStateType(300), &v), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
}

TEST_F(GLStateTest, WholeStateBlockBringsEverythingBack) {
    Texture* t = TextureFromColors(1, 1, {0xFFFFFFFF});
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    Matrix w = Translation(1, 2, 3);
    Viewport vp{2, 3, 10, 12, 0.0f, 1.0f};
    Material m{};
    m.Power = 7.0f;
    Light l{};
    l.Type = D3DLIGHT_POINT;
    l.Range = 5.0f;
    const float plane[4] = {0, 1, 0, 2};
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetTexture(2, t);
    device->SetTransform(D3DTS_WORLD, &w);
    device->SetViewport(&vp);
    device->SetMaterial(&m);
    device->SetLight(2, &l);
    device->LightEnable(2, true);
    device->SetClipPlane(0, plane);
    device->SetStreamSource(0, vb, 16);
    device->SetVertexShader(0x142);

    uint32_t block = 0;
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);
    EXPECT_NE(block, 0u);
    // Change everything.
    Matrix i = IdentityMatrix();
    Viewport full{0, 0, kSize, kSize, 0.0f, 1.0f};
    Material none{};
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTexture(2, nullptr);
    device->SetTransform(D3DTS_WORLD, &i);
    device->SetViewport(&full);
    device->SetMaterial(&none);
    device->LightEnable(2, false);
    const float zero[4] = {};
    device->SetClipPlane(0, zero);
    device->SetStreamSource(0, nullptr, 0);
    device->SetVertexShader(kTLFvf);

    ASSERT_EQ(device->ApplyStateBlock(block), D3D_OK);
    uint32_t v = 0;
    device->GetRenderState(D3DRS_ZENABLE, &v);
    EXPECT_EQ(v, uint32_t(D3DZB_FALSE));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, uint32_t(D3DTOP_ADD));
    Texture* got = nullptr;
    device->GetTexture(2, &got);
    EXPECT_EQ(got, t);
    if (got) got->Release();
    Matrix gw{};
    device->GetTransform(D3DTS_WORLD, &gw);
    EXPECT_FLOAT_EQ(gw.m[3][2], 3.0f);
    Viewport gv{};
    device->GetViewport(&gv);
    EXPECT_EQ(gv.Width, 10u);
    Material gm{};
    device->GetMaterial(&gm);
    EXPECT_FLOAT_EQ(gm.Power, 7.0f);
    bool on = false;
    device->GetLightEnable(2, &on);
    EXPECT_TRUE(on);
    float gp[4] = {};
    device->GetClipPlane(0, gp);
    EXPECT_FLOAT_EQ(gp[3], 2.0f);
    VertexBuffer* gvb = nullptr;
    uint32_t stride = 0;
    device->GetStreamSource(0, &gvb, &stride);
    EXPECT_EQ(gvb, vb);
    EXPECT_EQ(stride, 16u);
    if (gvb) gvb->Release();
    device->GetVertexShader(&v);
    EXPECT_EQ(v, 0x142u);

    EXPECT_EQ(device->DeleteStateBlock(block), D3D_OK);
    EXPECT_EQ(device->ApplyStateBlock(block), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DeleteStateBlock(block), D3DERR_INVALIDCALL);
    device->SetTexture(2, nullptr);
    device->SetStreamSource(0, nullptr, 0);
    t->Release();
    vb->Release();
}

TEST_F(GLStateTest, RecordedBlockHoldsOnlyWhatWasRecorded) {
    device->SetRenderState(D3DRS_LIGHTING, 0);
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(device->BeginStateBlock(), D3DERR_INVALIDCALL);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    uint32_t v = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, 0u);  // recording leaves the device as it was
    uint32_t block = 0;
    EXPECT_EQ(device->ApplyStateBlock(1234), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndStateBlock(&block), D3D_OK);
    EXPECT_EQ(device->EndStateBlock(&block), D3DERR_INVALIDCALL);

    device->SetRenderState(D3DRS_LIGHTING, 1);
    ASSERT_EQ(device->ApplyStateBlock(block), D3D_OK);
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, 1u);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, uint32_t(D3DTOP_ADD));
    device->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, 1u);  // not recorded: untouched

    // The saved-state pattern: capture the device's current values of the recorded states,
    // apply the drawing block, then put the captured values back.
    uint32_t saved = 0;
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    ASSERT_EQ(device->EndStateBlock(&saved), D3D_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    ASSERT_EQ(device->CaptureStateBlock(saved), D3D_OK);
    ASSERT_EQ(device->ApplyStateBlock(block), D3D_OK);
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, 1u);
    ASSERT_EQ(device->ApplyStateBlock(saved), D3D_OK);
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, 0u);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, uint32_t(D3DTOP_MODULATE));
    device->DeleteStateBlock(block);
    device->DeleteStateBlock(saved);
}

TEST_F(GLStateTest, PixelAndVertexBlocksSplitTheStates) {
    uint32_t pixel = 0, vertex = 0;
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_PIXELSTATE, &pixel), D3D_OK);
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_VERTEXSTATE, &vertex), D3D_OK);
    EXPECT_EQ(device->CreateStateBlock(StateBlockType(9), &pixel), D3DERR_INVALIDCALL);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 5);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    ASSERT_EQ(device->ApplyStateBlock(pixel), D3D_OK);
    uint32_t v = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, 0u);
    device->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, 0u);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, uint32_t(D3DTOP_MODULATE));
    device->GetTextureStageState(0, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 5u);
    ASSERT_EQ(device->ApplyStateBlock(vertex), D3D_OK);
    device->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, 1u);
    device->GetTextureStageState(0, D3DTSS_TEXCOORDINDEX, &v);
    EXPECT_EQ(v, 0u);
    device->DeleteStateBlock(pixel);
    device->DeleteStateBlock(vertex);
}

TEST_F(GLStateTest, ReferencesAreCountedAsTheGameExpects) {
    Texture* t = nullptr;
    ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    EXPECT_EQ(t->AddRef(), 2u);
    EXPECT_EQ(t->Release(), 1u);
    device->SetTexture(0, t);  // the device holds one
    EXPECT_EQ(t->AddRef(), 3u);
    EXPECT_EQ(t->Release(), 2u);
    Surface* level = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(0, &level), D3D_OK);  // a level counts on its texture
    EXPECT_EQ(t->AddRef(), 4u);
    t->Release();
    EXPECT_EQ(level->Release(), 2u);
    uint32_t block = 0;
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);  // so does a block
    device->SetTexture(0, nullptr);
    EXPECT_EQ(t->Release(), 1u);  // the block keeps it alive
    device->DeleteStateBlock(block);  // the last reference goes with the block

    Surface* bb = nullptr;
    device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
    Surface* bb2 = nullptr;
    device->GetRenderTarget(&bb2);
    EXPECT_EQ(bb, bb2);
    bb->Release();
    bb2->Release();
    // The device itself.
    EXPECT_EQ(device->AddRef(), 2u);
    EXPECT_EQ(device->Release(), 1u);
}

TEST_F(GLStateTest, ObjectsMayOutliveTheDevice) {
    Texture* t = TextureFromColors(2, 2, {1, 2, 3, 4});
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(32, 0, 0, D3DPOOL_MANAGED, &vb), D3D_OK);
    Surface* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(4, 4, D3DFMT_X8R8G8B8, &image), D3D_OK);
    Surface* bb = nullptr;
    device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
    device->SetTexture(0, t);
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
    EXPECT_EQ(t->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(image->Release(), 0u);
    EXPECT_EQ(bb->Release(), 0u);
}

// A window closed before the device is released: the device goes quiet instead of crashing.
TEST_F(GLStateTest, WindowClosedBeforeTheDevice) {
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

TEST_F(GLStateTest, BufferLocksAndReadBack) {
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    VertexBufferDesc vd{};
    vb->GetDesc(&vd);
    EXPECT_EQ(vd.Size, 64u);
    EXPECT_EQ(vd.FVF, 0x142u);
    EXPECT_EQ(vd.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(vd.Usage, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY);
    uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(8, 16, &p, D3DLOCK_DISCARD), D3D_OK);
    for (int i = 0; i < 16; ++i) p[i] = uint8_t(100 + i);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(p[8], 100);
    EXPECT_EQ(p[23], 115);
    EXPECT_EQ(p[24], 0);
    vb->Unlock();
    ASSERT_EQ(vb->Lock(60, 0, &p, D3DLOCK_NOOVERWRITE), D3D_OK);  // size 0: to the end
    vb->Unlock();
    EXPECT_EQ(vb->Lock(60, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(vb->Lock(65, 0, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    vb->Release();

    IndexBuffer* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(16, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib), D3D_OK);
    IndexBufferDesc id{};
    ib->GetDesc(&id);
    EXPECT_EQ(id.Format, D3DFMT_INDEX32);
    ASSERT_EQ(ib->Lock(4, 4, &p, 0), D3D_OK);
    p[0] = 7;
    ib->Unlock();
    ASSERT_EQ(ib->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(p[4], 7);
    ib->Unlock();
    ib->Release();
    EXPECT_EQ(device->CreateIndexBuffer(16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
}

class GLBufferDrawTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        Matrix i = IdentityMatrix();
        device->SetTransform(D3DTS_PROJECTION, &i);
        ASSERT_EQ(device->CreateVertexBuffer(8 * sizeof(ColorVertex), D3DUSAGE_WRITEONLY, kColorFvf,
                                             D3DPOOL_MANAGED, &vb),
                  D3D_OK);
        ASSERT_EQ(device->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
        // Vertices 4..7 fill the screen in normalised coordinates; 0..3 are a small corner square.
        ColorVertex v[8] = {{-1, 1, 0.5f, 0xFFFF0000, 0, 0},   {-0.5f, 1, 0.5f, 0xFFFF0000, 0, 0},
                            {-1, 0.5f, 0.5f, 0xFFFF0000, 0, 0}, {-0.5f, 0.5f, 0.5f, 0xFFFF0000, 0, 0},
                            {-1, 1, 0.5f, 0xFF00FF00, 0, 0},    {1, 1, 0.5f, 0xFF00FF00, 0, 0},
                            {-1, -1, 0.5f, 0xFF00FF00, 0, 0},   {1, -1, 0.5f, 0xFF00FF00, 0, 0}};
        Fill(vb, v, sizeof v, 0);
        const uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
        Fill(ib, idx, sizeof idx, 0);
        device->SetStreamSource(0, vb, sizeof(ColorVertex));
        device->SetIndices(ib, 0);
        device->SetVertexShader(kColorFvf);
        Clear(0xFF000000);
    }
    void TearDown() override {
        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
        if (vb) vb->Release();
        if (ib) ib->Release();
        GLDeviceTest::TearDown();
    }
    template <typename B>
    static void Fill(B* b, const void* data, size_t size, uint32_t flags) {
        uint8_t* p = nullptr;
        ASSERT_EQ(b->Lock(0, uint32_t(size), &p, flags), D3D_OK);
        std::memcpy(p, data, size);
        b->Unlock();
    }
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
};

TEST_F(GLBufferDrawTest, IndexedDrawsWithBaseVertex) {
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(2, 2), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF000000, 0));
    device->SetIndices(ib, 4);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF00FF00, 0));
    // Non-indexed from a start vertex.
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(30, 30), 0xFF00FF00, 0));
}

TEST_F(GLBufferDrawTest, ChangedContentsShowAtTheNextDraw) {
    device->SetIndices(ib, 4);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    ColorVertex blue[4] = {{-1, 1, 0.5f, 0xFF0000FF, 0, 0}, {1, 1, 0.5f, 0xFF0000FF, 0, 0},
                           {-1, -1, 0.5f, 0xFF0000FF, 0, 0}, {1, -1, 0.5f, 0xFF0000FF, 0, 0}};
    uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(4 * sizeof(ColorVertex), sizeof blue, &p, D3DLOCK_NOOVERWRITE), D3D_OK);
    std::memcpy(p, blue, sizeof blue);
    vb->Unlock();
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF0000FF, 0));
    // New indices too: only the first triangle.
    const uint16_t one[3] = {0, 1, 2};
    Fill(ib, one, sizeof one, 0);
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(4, 4), 0xFF0000FF, 0));
    EXPECT_TRUE(ColorNear(Pixel(28, 28), 0xFF000000, 0));
}

TEST_F(GLBufferDrawTest, BadRangesAreRefusedWithoutDrawing) {
    const uint16_t bad[6] = {0, 1, 2, 2, 1, 9};  // vertex 9 does not exist
    Fill(ib, bad, sizeof bad, 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    device->SetIndices(ib, 6);  // base 6: index 2 is vertex 8
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 2, 0, 1), D3DERR_INVALIDCALL);
    device->SetIndices(ib, 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 4, 1), D3DERR_INVALIDCALL);  // past the end
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType(7), 0, 1), D3DERR_INVALIDCALL);
    EXPECT_TRUE(ColorNear(Pixel(2, 2), 0xFF000000, 0));
    device->SetStreamSource(0, vb, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // no stride
    device->SetStreamSource(0, vb, 8);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // smaller than the layout
    device->SetStreamSource(0, nullptr, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    const uint16_t idx[3] = {0, 1, 5};
    ColorVertex v[3] = {};
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, idx, D3DFMT_INDEX16, v, sizeof(ColorVertex)),
              D3DERR_INVALIDCALL);
}

TEST_F(GLBufferDrawTest, DrawingFromMemoryKeepsStreamAndIndices) {
    // The video object caches bindings by pointer, so a draw from memory must not drop them.
    ColorVertex v[3] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0}, {1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                        {-1, -1, 0.5f, 0xFFFFFFFF, 0, 0}};
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(ColorVertex)), D3D_OK);
    const uint16_t idx[3] = {2, 1, 0};
    ASSERT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, idx, D3DFMT_INDEX16, v, sizeof(ColorVertex)),
              D3D_OK);
    VertexBuffer* got = nullptr;
    uint32_t stride = 0;
    device->GetStreamSource(0, &got, &stride);
    EXPECT_EQ(got, vb);
    EXPECT_EQ(stride, sizeof(ColorVertex));
    if (got) got->Release();
    IndexBuffer* gib = nullptr;
    uint32_t base = 9;
    device->GetIndices(&gib, &base);
    EXPECT_EQ(gib, ib);
    EXPECT_EQ(base, 0u);
    if (gib) gib->Release();
    EXPECT_TRUE(ColorNear(Pixel(2, 2), 0xFFFFFFFF, 0));
    // The buffers still draw afterwards.
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
}

TEST_F(GLStateTest, VertexDeclarationsAndFormatCodes) {
    PlainStates();
    Clear(0xFF000000);
    const uint32_t decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
                             D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR), D3DVSD_END()};
    uint32_t h = 0;
    ASSERT_EQ(device->CreateVertexShader(decl, nullptr, &h, 0), D3D_OK);
    ASSERT_EQ(device->SetVertexShader(h), D3D_OK);
    struct V {
        float x, y, z;
        uint32_t c;
    } v[3] = {{-1, 1, 0.5f, 0xFF00FF00}, {1, 1, 0.5f, 0xFF00FF00}, {-1, -1, 0.5f, 0xFF00FF00}};
    Matrix i = IdentityMatrix();
    device->SetTransform(D3DTS_PROJECTION, &i);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(2, 2), 0xFF00FF00, 0));
    // Refused declarations: a second stream, a shader function, no end token.
    const uint32_t twoStreams[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_STREAM(1),
                                   D3DVSD_REG(3, D3DVSDT_FLOAT3), D3DVSD_END()};
    EXPECT_EQ(device->CreateVertexShader(twoStreams, nullptr, &h, 0), D3DERR_INVALIDCALL);
    const uint32_t function[] = {0xFFFE0101, 0x0000FFFF};
    EXPECT_EQ(device->CreateVertexShader(decl, function, &h, 0), D3DERR_INVALIDCALL);
    std::vector<uint32_t> endless(100, D3DVSD_REG(0, D3DVSDT_FLOAT3));
    endless[0] = D3DVSD_STREAM(0);
    EXPECT_EQ(device->CreateVertexShader(endless.data(), nullptr, &h, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetVertexShader(0x0F02), D3DERR_INVALIDCALL);  // fifteen texture sets
    EXPECT_EQ(device->SetVertexShader(0x12345679), D3DERR_INVALIDCALL);  // never created
    // Vertex sizes as the device lays them out.
    EXPECT_EQ(FvfStride(0x142), 24u);
    EXPECT_EQ(FvfStride(0x112), 32u);
    EXPECT_EQ(FvfStride(kTLFvf), 28u);
    EXPECT_EQ(FvfStride(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1), 32u);
    EXPECT_EQ(FvfStride(D3DFVF_XYZB2 | D3DFVF_TEX1), 28u);
    EXPECT_EQ(FvfStride(D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0) | D3DFVF_TEXCOORDSIZE1(1)), 28u);
    EXPECT_EQ(FvfBlendWeights(D3DFVF_XYZB5), 5u);
    EXPECT_EQ(FvfBlendWeights(D3DFVF_XYZ), 0u);
}

TEST_F(GLStateTest, RefusedArguments) {
    Viewport empty{0, 0, 0, 10, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&empty), D3DERR_INVALIDCALL);
    Viewport inverted{0, 0, 10, 10, 0.8f, 0.2f};
    EXPECT_EQ(device->SetViewport(&inverted), D3DERR_INVALIDCALL);
    Texture* t = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_P8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    Surface* s = nullptr;
    EXPECT_EQ(device->CreateDepthStencilSurface(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_DXT1, D3DMULTISAMPLE_NONE, false, &s), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderTarget(nullptr, nullptr), D3D_OK);  // keeps the target, drops depth
    Surface* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_X8R8G8B8, &image), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(image, nullptr), D3DERR_INVALIDCALL);  // memory is no target
    image->Release();
    // A device needs a window.
    DeviceParams none = params;
    none.present.hDeviceWindow = nullptr;
    Device* other = nullptr;
    EXPECT_EQ(CreateGLDevice(none, &other), D3DERR_INVALIDCALL);
    EXPECT_EQ(other, nullptr);
}

}  // namespace
}  // namespace gfxtest
