// Textures: formats and their upload, compressed blocks, locks, mip levels, addressing,
// filtering, texture transforms, generated and projected coordinates, render targets and
// rectangle copies.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLTextureTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        Clear(0xFF000000);
    }
    void TearDown() override {
        device->SetTexture(0, nullptr);
        for (Texture* t : owned) t->Release();
        GLDeviceTest::TearDown();
    }
    Texture* Make(uint32_t w, uint32_t h, Format f, const std::vector<uint8_t>& bytes, uint32_t rowBytes,
                  uint32_t rows) {
        Texture* t = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, 1, 0, f, D3DPOOL_MANAGED, &t), D3D_OK);
        if (!t) return nullptr;
        EXPECT_TRUE(FillLevel(t, 0, bytes.data(), rowBytes, rows));
        owned.push_back(t);
        return t;
    }
    Texture* Colors(uint32_t w, uint32_t h, const std::vector<uint32_t>& argb) {
        Texture* t = TextureFromColors(w, h, argb);
        if (t) owned.push_back(t);
        return t;
    }
    void Filter(TextureFilterType f) {
        device->SetTextureStageState(0, D3DTSS_MINFILTER, f);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, f);
    }
    // Pixels 0..n-1 of row 0 after drawing the texture over n pixels with u from 0 to uMax.
    std::vector<uint32_t> Row(uint32_t n, float uMax) {
        Clear(0xFF000000);
        DrawRect(-0.5f, -0.5f, n - 0.5f, 0.5f, 0xFFFFFFFF, 0.5f, 0, 0, uMax, 1);
        std::vector<uint32_t> all = ReadBack(), row(all.begin(), all.begin() + n);
        return row;
    }
    // Alpha of the texture at pixel (x, y) of a full-screen draw: white scaled by alpha.
    uint32_t AlphaAt(uint32_t x, uint32_t y) {
        device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        Clear(0xFF000000);
        DrawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        return Pixel(x, y) & 0xFF;
    }
    std::vector<Texture*> owned;
};

TEST_F(GLTextureTest, UncompressedFormats) {
    struct Case {
        const char* name;
        Format format;
        std::vector<uint8_t> bytes;
        uint32_t rgb, alpha;
    } cases[] = {
        {"A8R8G8B8", D3DFMT_A8R8G8B8, {0x20, 0x40, 0xC0, 0x80}, 0xC04020, 128},
        {"X8R8G8B8", D3DFMT_X8R8G8B8, {0x20, 0x40, 0xC0, 0x00}, 0xC04020, 255},
        {"R8G8B8", D3DFMT_R8G8B8, {0x20, 0x40, 0xC0}, 0xC04020, 255},
        {"R5G6B5", D3DFMT_R5G6B5, {0x00, 0xFC}, 0xFF8200, 255},
        {"X1R5G5B5", D3DFMT_X1R5G5B5, {0xE0, 0x43}, 0x84FF00, 255},
        {"A1R5G5B5 opaque", D3DFMT_A1R5G5B5, {0x1F, 0x80}, 0x0000FF, 255},
        {"A1R5G5B5 clear", D3DFMT_A1R5G5B5, {0x1F, 0x00}, 0x0000FF, 0},
        {"A4R4G4B4", D3DFMT_A4R4G4B4, {0x08, 0x8F}, 0xFF0088, 136},
        {"X4R4G4B4", D3DFMT_X4R4G4B4, {0x08, 0x8F}, 0xFF0088, 255},
        {"R3G3B2", D3DFMT_R3G3B2, {0xE3}, 0xFF00FF, 255},
        {"A8R3G3B2", D3DFMT_A8R3G3B2, {0xE3, 0x40}, 0xFF00FF, 64},
        {"L8", D3DFMT_L8, {0x80}, 0x808080, 255},
        {"A8L8", D3DFMT_A8L8, {0x40, 0xC0}, 0x404040, 192},
        {"A4L4", D3DFMT_A4L4, {0xC4}, 0x444444, 204},
        {"A8", D3DFMT_A8, {0x80}, 0x000000, 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Texture* t = Make(1, 1, c.format, c.bytes, uint32_t(c.bytes.size()), 1);
        ASSERT_NE(t, nullptr);
        device->SetTexture(0, t);
        Clear(0xFF000000);
        FullScreenQuad(0xFFFFFFFF);
        EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF000000 | c.rgb, 2));
        EXPECT_NEAR(int(AlphaAt(1, 1)), int(c.alpha), 2);
    }
}

// Compressed blocks: colour 0 red (0xF800), colour 1 blue (0x001F); row r of the 4x4 block uses
// index r, so rows show red, blue, 2/3 red + 1/3 blue and 1/3 red + 2/3 blue.
TEST_F(GLTextureTest, Dxt1Blocks) {
    Texture* t = Make(4, 4, D3DFMT_DXT1, {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x55, 0xAA, 0xFF}, 8, 1);
    ASSERT_NE(t, nullptr);
    device->SetTexture(0, t);
    DrawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(0, 0), 0xFFFF0000, 3));
    EXPECT_TRUE(ColorNear(Pixel(3, 1), 0xFF0000FF, 3));
    EXPECT_TRUE(ColorNear(Pixel(1, 2), 0xFFAA0055, 3));
    EXPECT_TRUE(ColorNear(Pixel(2, 3), 0xFF5500AA, 3));
    // Colour 0 not above colour 1: index 2 is the mean, index 3 transparent black.
    Texture* punch = Make(4, 4, D3DFMT_DXT1, {0x1F, 0x00, 0x00, 0xF8, 0xAA, 0xFF, 0xAA, 0xFF}, 8, 1);
    device->SetTexture(0, punch);
    Clear(0xFF000000);
    DrawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(1, 0), 0xFF800080, 3));
    EXPECT_EQ(AlphaAt(1, 0), 255u);
    EXPECT_EQ(AlphaAt(1, 1), 0u);
}

TEST_F(GLTextureTest, Dxt3AndDxt5Alpha) {
    // Explicit 4-bit alpha per row: 15, 8, 0, 4.
    std::vector<uint8_t> dxt3 = {0xFF, 0xFF, 0x88, 0x88, 0x00, 0x00, 0x44, 0x44,
                                 0x00, 0xF8, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00};
    device->SetTexture(0, Make(4, 4, D3DFMT_DXT3, dxt3, 16, 1));
    EXPECT_NEAR(int(AlphaAt(0, 0)), 255, 2);
    EXPECT_NEAR(int(AlphaAt(0, 1)), 136, 2);
    EXPECT_NEAR(int(AlphaAt(0, 2)), 0, 2);
    EXPECT_NEAR(int(AlphaAt(0, 3)), 68, 2);
    // Interpolated alpha: a0 255, a1 0; rows use indices 0, 1, 2 (6/7) and 7 (1/7).
    const int rows[4] = {0, 1, 2, 7};
    uint64_t bits = 0;
    for (int p = 0; p < 16; ++p) bits |= uint64_t(rows[p / 4]) << (3 * p);
    std::vector<uint8_t> dxt5 = {0xFF, 0x00};
    for (int i = 0; i < 6; ++i) dxt5.push_back(uint8_t(bits >> (8 * i)));
    for (uint8_t b : {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00}) dxt5.push_back(b);
    device->SetTexture(0, Make(4, 4, D3DFMT_DXT5, dxt5, 16, 1));
    EXPECT_NEAR(int(AlphaAt(2, 0)), 255, 2);
    EXPECT_NEAR(int(AlphaAt(2, 1)), 0, 2);
    EXPECT_NEAR(int(AlphaAt(2, 2)), 219, 3);
    EXPECT_NEAR(int(AlphaAt(2, 3)), 36, 3);
}

TEST_F(GLTextureTest, LocksTakeRectanglesAndPitch) {
    Texture* t = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    owned.push_back(t);
    LockedRect lr{};
    Rect r{1, 2, 3, 3};
    ASSERT_EQ(t->LockRect(0, &lr, &r, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    uint32_t green = 0xFF00FF00;
    std::memcpy(lr.pBits, &green, 4);
    std::memcpy(static_cast<uint8_t*>(lr.pBits) + 4, &green, 4);
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);
    Rect outside{2, 2, 5, 3};
    EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    device->SetTexture(0, t);
    DrawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(1, 2), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(2, 2), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(3, 2), 0xFF000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(1, 1), 0xFF000000, 0));
    // A later write shows at the next draw; a read-only lock changes nothing.
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    uint32_t back = 0;
    std::memcpy(&back, static_cast<uint8_t*>(lr.pBits) + 2 * lr.Pitch + 4, 4);
    EXPECT_EQ(back, green);
    t->UnlockRect(0);
    // Compressed levels lock whole blocks only.
    Texture* c = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &c), D3D_OK);
    owned.push_back(c);
    Rect half{1, 1, 2, 2};
    EXPECT_EQ(c->LockRect(0, &lr, &half, 0), D3DERR_INVALIDCALL);
    Rect block{4, 4, 8, 8};
    ASSERT_EQ(c->LockRect(0, &lr, &block, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    c->UnlockRect(0);
}

TEST_F(GLTextureTest, MipChainsAndLevelSelection) {
    Texture* t = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    owned.push_back(t);
    EXPECT_EQ(t->GetLevelCount(), 4u);
    SurfaceDesc d{};
    ASSERT_EQ(t->GetLevelDesc(2, &d), D3D_OK);
    EXPECT_EQ(d.Width, 2u);
    EXPECT_EQ(d.Height, 1u);
    EXPECT_EQ(t->GetLevelDesc(4, &d), D3DERR_INVALIDCALL);

    Texture* m = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m), D3D_OK);
    owned.push_back(m);
    const uint32_t colors[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    for (uint32_t l = 0; l < 3; ++l) {
        uint32_t n = 4 >> l;
        std::vector<uint32_t> px(n * n, colors[l]);
        ASSERT_TRUE(FillLevel(m, l, px.data(), n * 4, n));
    }
    device->SetTexture(0, m);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    auto drawn = [&](float size) {
        Clear(0xFF000000);
        DrawRect(0, 0, size, size, 0xFFFFFFFF);
        return Pixel(0, 0);
    };
    EXPECT_TRUE(ColorNear(drawn(4), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(drawn(2), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(drawn(1), 0xFF0000FF, 0));
    device->SetTextureStageState(0, D3DTSS_MAXMIPLEVEL, 1);
    EXPECT_TRUE(ColorNear(drawn(4), 0xFF00FF00, 0));
    device->SetTextureStageState(0, D3DTSS_MAXMIPLEVEL, 0);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    EXPECT_TRUE(ColorNear(drawn(1), 0xFFFF0000, 0));
}

TEST_F(GLTextureTest, AddressModes) {
    const uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF;
    struct Case {
        const char* name;
        TextureAddress mode;
        std::vector<uint32_t> expected;
    } cases[] = {
        {"WRAP", D3DTADDRESS_WRAP, {R, R, G, G, R, R, G, G}},
        {"CLAMP", D3DTADDRESS_CLAMP, {R, R, G, G, G, G, G, G}},
        {"MIRROR", D3DTADDRESS_MIRROR, {R, R, G, G, G, G, R, R}},
        {"BORDER", D3DTADDRESS_BORDER, {R, R, G, G, B, B, B, B}},
    };
    device->SetTexture(0, Colors(2, 1, {R, G}));
    device->SetTextureStageState(0, D3DTSS_BORDERCOLOR, B);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, c.mode);
        std::vector<uint32_t> row = Row(8, 2.0f);
        for (size_t i = 0; i < 8; ++i) EXPECT_TRUE(ColorNear(row[i], c.expected[i], 0)) << i;
    }
}

TEST_F(GLTextureTest, PointAndLinearFiltering) {
    device->SetTexture(0, Colors(2, 1, {0xFF000000, 0xFFFFFFFF}));
    std::vector<uint32_t> point = Row(4, 1.0f);
    EXPECT_EQ(point, (std::vector<uint32_t>{0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}));
    Filter(D3DTEXF_LINEAR);
    std::vector<uint32_t> wrap = Row(4, 1.0f);
    const uint32_t expectWrap[4] = {0xFF404040, 0xFF404040, 0xFFBFBFBF, 0xFFBFBFBF};
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(ColorNear(wrap[i], expectWrap[i], 2)) << i;
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    std::vector<uint32_t> clamp = Row(4, 1.0f);
    const uint32_t expectClamp[4] = {0xFF000000, 0xFF404040, 0xFFBFBFBF, 0xFFFFFFFF};
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(ColorNear(clamp[i], expectClamp[i], 2)) << i;
    // The classic half-pixel offset of screen quads maps texels one to one.
    Filter(D3DTEXF_LINEAR);
    std::vector<uint32_t> exact = Row(2, 1.0f);
    EXPECT_TRUE(ColorNear(exact[0], 0xFF000000, 1));
    EXPECT_TRUE(ColorNear(exact[1], 0xFFFFFFFF, 1));
}

// Full-screen quad in normalised coordinates (identity transforms): pixel i samples u = i / 32.
class GLTexCoordTest : public GLTextureTest {
protected:
    void FlatQuad() {
        ColorVertex v[4] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0}, {1, 1, 0.5f, 0xFFFFFFFF, 1, 0},
                            {-1, -1, 0.5f, 0xFFFFFFFF, 0, 1}, {1, -1, 0.5f, 0xFFFFFFFF, 1, 1}};
        Matrix i = IdentityMatrix();
        device->SetTransform(D3DTS_PROJECTION, &i);
        device->SetTransform(D3DTS_VIEW, &i);
        device->SetTransform(D3DTS_WORLD, &i);
        Clear(0xFF000000);
        device->SetVertexShader(kColorFvf);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColorVertex)), D3D_OK);
    }
};

TEST_F(GLTexCoordTest, TwoComponentTransformTranslatesThroughItsThirdRow) {
    const uint32_t R = 0xFFFF0000, G = 0xFF00FF00;
    device->SetTexture(0, Colors(2, 1, {R, G}));
    FlatQuad();
    EXPECT_TRUE(ColorNear(Pixel(8, 16), R, 0));
    EXPECT_TRUE(ColorNear(Pixel(24, 16), G, 0));
    Matrix m = IdentityMatrix();
    m.m[2][0] = 0.5f;  // (u, v) is taken as (u, v, 1, 0)
    device->SetTransform(D3DTS_TEXTURE0, &m);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    FlatQuad();
    EXPECT_TRUE(ColorNear(Pixel(8, 16), G, 0));
    EXPECT_TRUE(ColorNear(Pixel(24, 16), R, 0));
    // The fourth row does not reach two-component coordinates.
    m = IdentityMatrix();
    m.m[3][0] = 0.5f;
    device->SetTransform(D3DTS_TEXTURE0, &m);
    FlatQuad();
    EXPECT_TRUE(ColorNear(Pixel(8, 16), R, 0));
    // Switched off, the matrix is ignored.
    m.m[2][0] = 0.5f;
    device->SetTransform(D3DTS_TEXTURE0, &m);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    FlatQuad();
    EXPECT_TRUE(ColorNear(Pixel(8, 16), R, 0));
    // Pre-transformed vertices take their coordinates as they are.
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    Clear(0xFF000000);
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(8, 16), R, 0));
}

TEST_F(GLTexCoordTest, CameraSpacePositionMakesDistanceHaze) {
    // Near 2, far 4: v = (z - 2) / 2 from the camera-space depth; top texel red, bottom green.
    device->SetTexture(0, Colors(1, 2, {0xFFFF0000, 0xFF00FF00}));
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    Matrix haze{};
    haze.m[2][1] = 0.5f;
    haze.m[3][1] = -1.0f;
    device->SetTransform(D3DTS_TEXTURE0, &haze);
    Camera();
    Matrix view = Translation(0, 0, 1.0f);  // depth measured from the camera, not the world origin
    device->SetTransform(D3DTS_VIEW, &view);
    for (float z : {1.5f, 2.5f}) {
        ColorVertex v[4] = {{-4, 4, z, 0xFFFFFFFF, 0, 0}, {4, 4, z, 0xFFFFFFFF, 0, 0},
                            {-4, -4, z, 0xFFFFFFFF, 0, 0}, {4, -4, z, 0xFFFFFFFF, 0, 0}};
        Clear(0xFF000000);
        device->SetVertexShader(kColorFvf);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColorVertex)), D3D_OK);
        EXPECT_TRUE(ColorNear(Pixel(16, 16), z < 2.0f ? 0xFFFF0000 : 0xFF00FF00, 0)) << z;
    }
}

TEST_F(GLTexCoordTest, CameraSpaceNormalAddressesTheTexture) {
    struct V {
        float x, y, z, nx, ny, nz;
    };
    // 2x2: red, green on top; blue, white below.
    device->SetTexture(0, Colors(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    Matrix i = IdentityMatrix();
    device->SetTransform(D3DTS_TEXTURE0, &i);
    Camera();
    auto draw = [&](float nx, float ny) {
        V v[4] = {{-2, 2, 2, nx, ny, -1}, {2, 2, 2, nx, ny, -1}, {-2, -2, 2, nx, ny, -1}, {2, -2, 2, nx, ny, -1}};
        Clear(0xFF000000);
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
        return Pixel(16, 16);
    };
    EXPECT_TRUE(ColorNear(draw(0.75f, 0.25f), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(draw(0.25f, 0.75f), 0xFF0000FF, 0));
    // The camera's turn (a quarter about z) is applied: world (0.25, -0.75) is camera (0.75, 0.25).
    Matrix view{};
    view.m[0][1] = 1, view.m[1][0] = -1, view.m[2][2] = 1, view.m[3][3] = 1;
    device->SetTransform(D3DTS_VIEW, &view);
    EXPECT_TRUE(ColorNear(draw(0.25f, -0.75f), 0xFF00FF00, 0));
    // A scaled texture matrix: u = 2 nx, v = 2 ny.
    device->SetTransform(D3DTS_VIEW, &i);
    Matrix s = IdentityMatrix();
    s.m[0][0] = s.m[1][1] = 2.0f;
    device->SetTransform(D3DTS_TEXTURE0, &s);
    EXPECT_TRUE(ColorNear(draw(0.375f, 0.125f), 0xFF00FF00, 0));
}

// The reflection lookup of the water: u = 0.5 + 0.5 x / z, v = 0.5 + 0.5 y / z.
TEST_F(GLTexCoordTest, ProjectedCoordinatesDivideByTheLastComponent) {
    device->SetTexture(0, Colors(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    Matrix m = IdentityMatrix();
    m.m[0][0] = 0.5f, m.m[1][1] = 0.5f, m.m[2][0] = 0.5f, m.m[2][1] = 0.5f;
    device->SetTransform(D3DTS_TEXTURE0, &m);
    Camera();
    ColorVertex v[4] = {{-2, 2, 2, 0xFFFFFFFF, 0, 0}, {2, 2, 2, 0xFFFFFFFF, 0, 0}, {-2, -2, 2, 0xFFFFFFFF, 0, 0},
                        {2, -2, 2, 0xFFFFFFFF, 0, 0}};
    device->SetVertexShader(kColorFvf);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColorVertex)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(24, 8), 0xFFFFFFFF, 0));   // (0.75, 0.75)
    EXPECT_TRUE(ColorNear(Pixel(8, 24), 0xFFFF0000, 0));   // (0.25, 0.25)
    EXPECT_TRUE(ColorNear(Pixel(24, 24), 0xFF00FF00, 0));  // (0.75, 0.25)
    EXPECT_TRUE(ColorNear(Pixel(8, 8), 0xFF0000FF, 0));    // (0.25, 0.75)
}

TEST_F(GLTexCoordTest, StagesReadTheCoordinateSetTheyAreGiven) {
    struct V {
        float x, y, z;
        float u0, v0, u1, v1;
    };
    device->SetTexture(0, Colors(2, 1, {0xFFFF0000, 0xFF00FF00}));
    V v[4] = {{-1, 1, 0.5f, 0, 0, 0.75f, 0}, {1, 1, 0.5f, 0, 0, 0.75f, 0}, {-1, -1, 0.5f, 0, 0, 0.75f, 0},
              {1, -1, 0.5f, 0, 0, 0.75f, 0}};
    Matrix i = IdentityMatrix();
    device->SetTransform(D3DTS_PROJECTION, &i);
    device->SetVertexShader(D3DFVF_XYZ | D3DFVF_TEX2);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFF0000, 0));  // set 0: u = 0
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF00FF00, 0));  // set 1: u = 0.75
}

class GLRenderTargetTest : public GLTextureTest {
protected:
    void SetUp() override {
        GLTextureTest::SetUp();
        ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
        ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
        ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
                  D3D_OK);
        ASSERT_EQ(target->GetSurfaceLevel(0, &level), D3D_OK);
        // Drawing into the target uses vertex colours; showing it samples the texture.
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    }
    void TearDown() override {
        device->SetRenderTarget(backBuffer, depth);
        device->SetTexture(0, nullptr);
        if (level) level->Release();
        if (target) target->Release();
        if (depth) depth->Release();
        if (backBuffer) backBuffer->Release();
        GLTextureTest::TearDown();
    }
    // Draws the target over the whole back buffer, texel for pixel doubled.
    void ShowTarget() {
        ASSERT_EQ(device->SetRenderTarget(backBuffer, depth), D3D_OK);
        device->SetTexture(0, target);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        Clear(0xFF000000);
        DrawRect(0, 0, 32, 32, 0xFFFFFFFF);
        device->SetTexture(0, nullptr);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    }
    Surface* backBuffer = nullptr;
    Surface* depth = nullptr;
    Texture* target = nullptr;
    Surface* level = nullptr;
};

TEST_F(GLRenderTargetTest, RenderedTexturesAreSampledTheRightWayUp) {
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    Viewport vp{};
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 16u);
    EXPECT_EQ(vp.Height, 16u);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);  // no depth
    DrawRect(0, 0, 16, 8, 0xFF00FF00);  // top half green
    ShowTarget();
    EXPECT_TRUE(ColorNear(Pixel(16, 4), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(16, 28), 0xFFFF0000, 0));
    // Transformed geometry keeps up at the top too.
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Camera();
    ColorVertex v[4] = {{-2, 2, 2, 0xFFFFFFFF, 0, 0}, {2, 2, 2, 0xFFFFFFFF, 0, 0}, {-2, 0.5f, 2, 0xFFFFFFFF, 0, 0},
                        {2, 0.5f, 2, 0xFFFFFFFF, 0, 0}};
    device->SetVertexShader(kColorFvf);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColorVertex)), D3D_OK);
    ShowTarget();
    EXPECT_TRUE(ColorNear(Pixel(16, 4), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(16, 28), 0xFF000000, 0));
}

TEST_F(GLRenderTargetTest, TargetsWithTheirOwnDepth) {
    Surface* z = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(16, 16, D3DFMT_D16, D3DMULTISAMPLE_NONE, &z), D3D_OK);
    Surface* small = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(8, 8, D3DFMT_D16, D3DMULTISAMPLE_NONE, &small), D3D_OK);
    EXPECT_EQ(device->SetRenderTarget(level, small), D3DERR_INVALIDCALL);  // smaller than the target
    ASSERT_EQ(device->SetRenderTarget(level, z), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    DrawRect(0, 0, 16, 16, 0xFF00FF00, 0.2f);
    DrawRect(0, 0, 16, 16, 0xFFFF0000, 0.6f);  // behind
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    ShowTarget();
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF00FF00, 0));
    // The main depth buffer is larger than the target and may serve it.
    EXPECT_EQ(device->SetRenderTarget(level, depth), D3D_OK);
    small->Release();
    z->Release();
}

TEST_F(GLRenderTargetTest, DescriptionsLocksAndCopies) {
    SurfaceDesc d{};
    level->GetDesc(&d);
    EXPECT_EQ(d.Usage, D3DUSAGE_RENDERTARGET);
    EXPECT_EQ(d.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(d.Width, 16u);
    LockedRect lr{};
    EXPECT_EQ(target->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    DrawRect(4, 6, 5, 7, 0xFFFFFF00);
    // Read back through a copy into memory.
    Surface* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(16, 16, D3DFMT_X8R8G8B8, &image), D3D_OK);
    ASSERT_EQ(device->CopyRects(level, nullptr, 0, image, nullptr), D3D_OK);
    ASSERT_EQ(image->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    auto at = [&](int x, int y) {
        const uint8_t* p = static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4;
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | 0xFF000000u;
    };
    EXPECT_TRUE(ColorNear(at(4, 6), 0xFFFFFF00, 0));
    EXPECT_TRUE(ColorNear(at(5, 6), 0xFF102030, 0));
    image->UnlockRect();
    image->Release();
}

// The loading picture: an image in memory copied straight onto the back buffer.
TEST_F(GLTextureTest, CopyRectsFromMemoryToTheBackBuffer) {
    Surface* image = nullptr;
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_X8R8G8B8, &image), D3D_OK);
    LockedRect lr{};
    ASSERT_EQ(image->LockRect(&lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            uint8_t* p = static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4;
            p[0] = 0, p[1] = uint8_t(y * 32), p[2] = uint8_t(x * 32), p[3] = 0xFF;
        }
    image->UnlockRect();
    Surface* bb = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    Rect r{2, 2, 6, 6};
    Point p{10, 12};
    ASSERT_EQ(device->CopyRects(image, &r, 1, bb, &p), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(10, 12), 0xFF404000, 0));
    EXPECT_TRUE(ColorNear(Pixel(13, 15), 0xFFA0A000, 0));
    EXPECT_TRUE(ColorNear(Pixel(14, 15), 0xFF000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(9, 12), 0xFF000000, 0));
    // Refused: formats that differ, rectangles outside either surface.
    Surface* other = nullptr;
    ASSERT_EQ(device->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &other), D3D_OK);
    EXPECT_EQ(device->CopyRects(other, nullptr, 0, bb, nullptr), D3DERR_INVALIDCALL);
    Rect outside{4, 4, 9, 6};
    EXPECT_EQ(device->CopyRects(image, &outside, 1, bb, nullptr), D3DERR_INVALIDCALL);
    Point far{30, 30};
    EXPECT_EQ(device->CopyRects(image, &r, 1, bb, &far), D3DERR_INVALIDCALL);
    // Into a texture level.
    Texture* t = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    owned.push_back(t);
    Surface* tl = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(0, &tl), D3D_OK);
    ASSERT_EQ(device->CopyRects(image, nullptr, 0, tl, nullptr), D3D_OK);
    tl->Release();
    device->SetTexture(0, t);
    Clear(0xFF000000);
    DrawRect(0, 0, 8, 8, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(3, 5), 0xFF60A000, 0));
    other->Release();
    bb->Release();
    image->Release();
}

}  // namespace
}  // namespace gfxtest
