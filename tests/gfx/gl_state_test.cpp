// State blocks reaching the picture, reference counts, vertex and index buffers (locks, uploads,
// draws and the ranges they refuse), and vertex declarations on the OpenGL device.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLStateTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
    }
};

// What a block applies must reach OpenGL, not just the device's record of it.
TEST_F(GLStateTest, AppliedBlocksChangeThePicture) {
    ASSERT_EQ(device->BeginStateBlock(), D3D_OK);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA);
    Viewport left{0, 0, 16, 32, 0.0f, 1.0f};
    device->SetViewport(&left);
    uint32_t redLeft = 0;
    ASSERT_EQ(device->EndStateBlock(&redLeft), D3D_OK);
    uint32_t all = 0;
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &all), D3D_OK);
    Clear(0xFF000000);
    FullScreenQuad(0xFFFFFFFF);  // recording left the device as it was
    EXPECT_TRUE(Shows(24, 16, 0xFFFFFFFF));

    Clear(0xFF000000);
    ASSERT_EQ(device->ApplyStateBlock(redLeft), D3D_OK);
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(Shows(8, 16, 0xFFFF0000));
    EXPECT_TRUE(Shows(24, 16, 0xFF000000));
    ASSERT_EQ(device->ApplyStateBlock(all), D3D_OK);  // everything as it was when captured
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(Shows(24, 16, 0xFFFFFFFF));
    device->DeleteStateBlock(redLeft);
    device->DeleteStateBlock(all);
}

TEST_F(GLStateTest, ReferencesAreCountedAsTheGameExpects) {
    Texture* t = nullptr;
    ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    device->SetTexture(0, t);  // the device holds one
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
}

TEST_F(GLStateTest, BufferLocksReadBackWhatWasWritten) {
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_DEFAULT, &vb),
              D3D_OK);
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
    EXPECT_EQ(device->CreateIndexBuffer(16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
}

// Each case twice: unlit, drawn by OpenGL from the buffers, and lit, whose vertices the processor
// works (the vertex colour as ambient under white ambient light gives the same picture).
class GLBufferDrawTest : public GLStateTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        GLStateTest::SetUp();
        if (GetParam()) {
            device->SetRenderState(D3DRS_LIGHTING, 1);
            device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
            device->SetRenderState(D3DRS_COLORVERTEX, 1);
            device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
            device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
            const Material none{};
            device->SetMaterial(&none);
        }
        Matrix i = IdentityMatrix();
        device->SetTransform(D3DTS_PROJECTION, &i);
        ASSERT_EQ(device->CreateVertexBuffer(8 * sizeof(ColorVertex), D3DUSAGE_WRITEONLY, kColorFvf,
                                             D3DPOOL_MANAGED, &vb),
                  D3D_OK);
        ASSERT_EQ(device->CreateIndexBuffer(24, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
        // Vertices 0..3 are a red corner square, 4..7 fill the screen green.
        ColorVertex v[8] = {{-1, 1, 0.5f, 0xFFFF0000, 0, 0},    {-0.5f, 1, 0.5f, 0xFFFF0000, 0, 0},
                            {-1, 0.5f, 0.5f, 0xFFFF0000, 0, 0}, {-0.5f, 0.5f, 0.5f, 0xFFFF0000, 0, 0},
                            {-1, 1, 0.5f, 0xFF00FF00, 0, 0},    {1, 1, 0.5f, 0xFF00FF00, 0, 0},
                            {-1, -1, 0.5f, 0xFF00FF00, 0, 0},   {1, -1, 0.5f, 0xFF00FF00, 0, 0}};
        Fill(vb, 0, v, sizeof v);
        const uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
        Fill(ib, 0, idx, sizeof idx);
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
        GLStateTest::TearDown();
    }
    template <typename B>
    static void Fill(B* b, uint32_t offset, const void* data, size_t size) {
        uint8_t* p = nullptr;
        ASSERT_EQ(b->Lock(offset, uint32_t(size), &p, 0), D3D_OK);
        std::memcpy(p, data, size);
        b->Unlock();
    }
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
};

TEST_P(GLBufferDrawTest, IndexedDrawsWithBaseVertexAndChangedContents) {
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(Shows(2, 2, 0xFFFF0000));
    EXPECT_TRUE(Shows(16, 16, 0xFF000000));
    device->SetIndices(ib, 4);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(Shows(16, 16, 0xFF00FF00));
    // New vertices and indices are uploaded before the next draw.
    ColorVertex blue[4] = {{-1, 1, 0.5f, 0xFF0000FF, 0, 0}, {1, 1, 0.5f, 0xFF0000FF, 0, 0},
                           {-1, -1, 0.5f, 0xFF0000FF, 0, 0}, {1, -1, 0.5f, 0xFF0000FF, 0, 0}};
    Fill(vb, 4 * sizeof(ColorVertex), blue, sizeof blue);
    const uint16_t one[3] = {0, 1, 2};
    Fill(ib, 0, one, sizeof one);
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3D_OK);
    EXPECT_TRUE(Shows(4, 4, 0xFF0000FF));
    EXPECT_TRUE(Shows(28, 28, 0xFF000000));
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2), D3D_OK);  // from a start vertex
    EXPECT_TRUE(Shows(30, 30, 0xFF0000FF));
}

// Pieces of one index buffer reach vertices of their own, the later ones first.
TEST_P(GLBufferDrawTest, PiecesOfOneIndexBufferDrawTheirOwnVertices) {
    const uint16_t green[6] = {4, 5, 6, 6, 5, 7};
    Fill(ib, 12, green, sizeof green);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Clear(0xFF000000);
        ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 4, 6, 2), D3D_OK);
        EXPECT_TRUE(Shows(16, 16, 0xFF00FF00));
        EXPECT_TRUE(Shows(2, 2, 0xFF00FF00));
        ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
        EXPECT_TRUE(Shows(2, 2, 0xFFFF0000));
        EXPECT_TRUE(Shows(16, 16, 0xFF00FF00));
    }
}

TEST_P(GLBufferDrawTest, BadRangesAreRefusedWithoutDrawing) {
    // Drawn once, then written over with an index out of range: the new indices are checked.
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    Clear(0xFF000000);
    const uint16_t bad[6] = {0, 1, 2, 2, 1, 9};  // vertex 9 does not exist
    Fill(ib, 0, bad, sizeof bad);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    device->SetIndices(ib, 6);  // base 6: index 2 is vertex 8
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 2, 0, 1), D3DERR_INVALIDCALL);
    device->SetIndices(ib, 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 4, 1), D3DERR_INVALIDCALL);  // past the end
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 6, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(PrimitiveType(7), 0, 1), D3DERR_INVALIDCALL);
    EXPECT_TRUE(Shows(2, 2, 0xFF000000));
    device->SetStreamSource(0, vb, 8);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);  // smaller than the layout
    device->SetStreamSource(0, nullptr, 0);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    const uint16_t idx[3] = {0, 1, 5};
    ColorVertex v[3] = {};
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, idx, D3DFMT_INDEX16, v, sizeof(ColorVertex)),
              D3DERR_INVALIDCALL);
}

TEST_P(GLBufferDrawTest, DrawingFromMemoryKeepsStreamAndIndices) {
    // The video object caches bindings by pointer, so a draw from memory must not drop them.
    ColorVertex v[3] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0}, {1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                        {-1, -1, 0.5f, 0xFFFFFFFF, 0, 0}};
    const uint16_t idx[3] = {2, 1, 0};
    ASSERT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, idx, D3DFMT_INDEX16, v, sizeof(ColorVertex)),
              D3D_OK);
    EXPECT_TRUE(Shows(2, 2, 0xFFFFFFFF));
    Clear(0xFF000000);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(Shows(2, 2, 0xFFFF0000));
}

INSTANTIATE_TEST_SUITE_P(UnlitAndLit, GLBufferDrawTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Lit" : "Unlit"; });

TEST_F(GLStateTest, VertexDeclarationsDrawAndBadOnesAreRefused) {
    Clear(0xFF000000);
    const uint32_t decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
                             D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR), D3DVSD_END()};
    uint32_t h = 0;
    ASSERT_EQ(device->CreateVertexShader(decl, nullptr, &h, 0), D3D_OK);
    struct V {
        float x, y, z;
        uint32_t c;
    } v[3] = {{-1, 1, 0.5f, 0xFF00FF00}, {1, 1, 0.5f, 0xFF00FF00}, {-1, -1, 0.5f, 0xFF00FF00}};
    Matrix i = IdentityMatrix();
    device->SetTransform(D3DTS_PROJECTION, &i);
    DrawUP(h, D3DPT_TRIANGLELIST, 1, v);
    EXPECT_TRUE(Shows(2, 2, 0xFF00FF00));
    // A second stream, a shader function, no end token.
    const uint32_t twoStreams[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_STREAM(1),
                                   D3DVSD_REG(3, D3DVSDT_FLOAT3), D3DVSD_END()};
    EXPECT_EQ(device->CreateVertexShader(twoStreams, nullptr, &h, 0), D3DERR_INVALIDCALL);
    const uint32_t function[] = {0xFFFE0101, 0x0000FFFF};
    EXPECT_EQ(device->CreateVertexShader(decl, function, &h, 0), D3DERR_INVALIDCALL);
    std::vector<uint32_t> endless(100, D3DVSD_REG(0, D3DVSDT_FLOAT3));
    endless[0] = D3DVSD_STREAM(0);
    EXPECT_EQ(device->CreateVertexShader(endless.data(), nullptr, &h, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetVertexShader(0x0F02), D3DERR_INVALIDCALL);      // fifteen texture sets
    EXPECT_EQ(device->SetVertexShader(0x12345679), D3DERR_INVALIDCALL);  // never created
}

}  // namespace
}  // namespace gfxtest
