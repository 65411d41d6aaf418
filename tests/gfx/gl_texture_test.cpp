// Textures: formats and their upload, compressed blocks, locks, mip levels, addressing,
// filtering, texture transforms, generated and projected coordinates, and render targets.
#include <algorithm>
#include <functional>

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
        {"A1R5G5B5 opaque", D3DFMT_A1R5G5B5, {0x1F, 0x80}, 0x0000FF, 255},
        {"A1R5G5B5 clear", D3DFMT_A1R5G5B5, {0x1F, 0x00}, 0x0000FF, 0},
        {"A4R4G4B4", D3DFMT_A4R4G4B4, {0x08, 0x8F}, 0xFF0088, 136},
        {"R3G3B2", D3DFMT_R3G3B2, {0xE3}, 0xFF00FF, 255},
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
        EXPECT_TRUE(Shows(16, 16, 0xFF000000 | c.rgb, 2));
        EXPECT_NEAR(int(AlphaAt(1, 1)), int(c.alpha), 2);
    }
}

// Compressed blocks. DXT1: colour 0 red (0xF800), colour 1 blue (0x001F); row r of the block
// uses index r: red, blue, 2/3 red + 1/3 blue, 1/3 red + 2/3 blue. With colour 0 not above
// colour 1, index 2 is the mean and index 3 transparent black. DXT5: alpha 255 and 0 with rows
// on indices 0, 1, 2 (6/7) and 7 (1/7).
TEST_F(GLTextureTest, CompressedBlocks) {
    device->SetTexture(0, Make(4, 4, D3DFMT_DXT1, {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x55, 0xAA, 0xFF}, 8, 1));
    DrawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
    EXPECT_TRUE(Shows(0, 0, 0xFFFF0000, 3));
    EXPECT_TRUE(Shows(3, 1, 0xFF0000FF, 3));
    EXPECT_TRUE(Shows(1, 2, 0xFFAA0055, 3));
    EXPECT_TRUE(Shows(2, 3, 0xFF5500AA, 3));
    device->SetTexture(0, Make(4, 4, D3DFMT_DXT1, {0x1F, 0x00, 0x00, 0xF8, 0xAA, 0xFF, 0xAA, 0xFF}, 8, 1));
    Clear(0xFF000000);
    DrawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
    EXPECT_TRUE(Shows(1, 0, 0xFF800080, 3));
    EXPECT_EQ(AlphaAt(1, 0), 255u);
    EXPECT_EQ(AlphaAt(1, 1), 0u);
    const int rows[4] = {0, 1, 2, 7};
    uint64_t bits = 0;
    for (int p = 0; p < 16; ++p) bits |= uint64_t(rows[p / 4]) << (3 * p);
    std::vector<uint8_t> dxt5 = {0xFF, 0x00};
    for (int i = 0; i < 6; ++i) dxt5.push_back(uint8_t(bits >> (8 * i)));
    for (uint8_t b : {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x00, 0x00, 0x00}) dxt5.push_back(b);
    device->SetTexture(0, Make(4, 4, D3DFMT_DXT5, dxt5, 16, 1));
    const int expect5[4] = {255, 0, 219, 36};
    for (uint32_t y = 0; y < 4; ++y) EXPECT_NEAR(int(AlphaAt(2, y)), expect5[y], 3) << y;
}

TEST_F(GLTextureTest, LockedRectanglesShowAtTheNextDraw) {
    Texture* t = Colors(4, 4, std::vector<uint32_t>(16, 0xFF000000));
    LockedRect lr{};
    Rect r{1, 2, 3, 3};
    ASSERT_EQ(t->LockRect(0, &lr, &r, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    const uint32_t green[2] = {0xFF00FF00, 0xFF00FF00};
    std::memcpy(lr.pBits, green, sizeof green);
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);
    Rect outside{2, 2, 5, 3};
    EXPECT_EQ(t->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(1, &lr, nullptr, 0), D3DERR_INVALIDCALL);
    device->SetTexture(0, t);
    DrawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
    EXPECT_TRUE(Shows(1, 2, 0xFF00FF00));
    EXPECT_TRUE(Shows(2, 2, 0xFF00FF00));
    EXPECT_TRUE(Shows(3, 2, 0xFF000000));
    EXPECT_TRUE(Shows(1, 1, 0xFF000000));
    Texture* c = nullptr;  // compressed levels lock whole blocks only
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &c), D3D_OK);
    owned.push_back(c);
    Rect half{1, 1, 2, 2}, block{4, 4, 8, 8};
    EXPECT_EQ(c->LockRect(0, &lr, &half, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(c->LockRect(0, &lr, &block, 0), D3D_OK);
    EXPECT_EQ(lr.Pitch, 16);
    c->UnlockRect(0);
}

// Every level reads back byte for byte after the texture has been drawn with, for each 16-bit
// value and for the other formats the game loads; a later write still shows.
TEST_F(GLTextureTest, LevelsReadBackAsWrittenAfterUse) {
    auto pattern = [](Format f, uint32_t bytes) {
        std::vector<uint8_t> v(bytes);
        for (uint32_t i = 0; i < bytes; ++i) v[i] = uint8_t(i * 7 + i / 256);
        if (f == D3DFMT_X8R8G8B8)
            for (uint32_t i = 3; i < bytes; i += 4) v[i] = 0xFF;
        return v;
    };
    struct Case {
        const char* name;
        Format format;
        uint32_t size, bytesPerPixel;
    } cases[] = {{"R5G6B5", D3DFMT_R5G6B5, 256, 2}, {"A1R5G5B5", D3DFMT_A1R5G5B5, 256, 2},
                 {"A4R4G4B4", D3DFMT_A4R4G4B4, 256, 2}, {"A8R8G8B8", D3DFMT_A8R8G8B8, 8, 4},
                 {"X8R8G8B8", D3DFMT_X8R8G8B8, 8, 4},   {"L8", D3DFMT_L8, 8, 1},
                 {"A8L8", D3DFMT_A8L8, 8, 2},           {"DXT1", D3DFMT_DXT1, 8, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Texture* t = nullptr;
        ASSERT_EQ(device->CreateTexture(c.size, c.size, 2, 0, c.format, D3DPOOL_MANAGED, &t), D3D_OK);
        owned.push_back(t);
        std::vector<std::vector<uint8_t>> levels;
        for (uint32_t l = 0; l < 2; ++l) {
            const uint32_t w = c.size >> l;
            // Two-byte pixels of the 256 x 256 level 0 run through every 16-bit value once.
            const uint32_t rowBytes = c.bytesPerPixel ? w * c.bytesPerPixel : w / 4 * 8;
            const uint32_t rows = c.bytesPerPixel ? w : w / 4;
            levels.push_back(pattern(c.format, rowBytes * rows));
            if (c.size == 256 && l == 0)
                for (uint32_t i = 0; i < 65536; ++i) levels[0][i * 2] = uint8_t(i), levels[0][i * 2 + 1] = uint8_t(i >> 8);
            ASSERT_TRUE(FillLevel(t, l, levels[l].data(), rowBytes, rows));
        }
        device->SetTexture(0, t);
        DrawRect(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF);
        for (uint32_t l = 0; l < 2; ++l) {
            LockedRect lr{};
            ASSERT_EQ(t->LockRect(l, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
            const uint8_t* p = static_cast<const uint8_t*>(lr.pBits);
            EXPECT_TRUE(std::equal(levels[l].begin(), levels[l].end(), p)) << "level " << l;
            t->UnlockRect(l);
        }
    }
    // Read back, written again: the next draw shows the new texel.
    Texture* t = Colors(1, 1, {0xFF0000FF});
    device->SetTexture(0, t);
    FullScreenQuad(0xFFFFFFFF);
    LockedRect lr{};
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(lr.pBits), 0xFF0000FFu);
    *static_cast<uint32_t*>(lr.pBits) = 0xFF00FF00u;
    t->UnlockRect(0);
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(Shows(16, 16, 0xFF00FF00));
}

// A texture sent ahead of its first use: the texture bound for drawing stays the one shown, the
// sent one shows what was written, reads back after its copy was let go, and takes new writes.
TEST_F(GLTextureTest, APreloadedTextureShowsAndReadsBackAsWritten) {
    Texture* bound = Colors(1, 1, {0xFFFF0000});
    device->SetTexture(0, bound);
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
    Texture* sent = Colors(2, 2, {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00});
    sent->PreLoad();
    sent->PreLoad();
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
    device->SetTexture(0, sent);
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(Shows(16, 16, 0xFF00FF00));

    LockedRect lr{};
    ASSERT_EQ(sent->LockRect(0, &lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(*static_cast<uint32_t*>(lr.pBits), 0xFF00FF00u);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            static_cast<uint32_t*>(static_cast<void*>(static_cast<uint8_t*>(lr.pBits) + i * lr.Pitch))[j] = 0xFF0000FFu;
    sent->UnlockRect(0);
    sent->PreLoad();
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(Shows(16, 16, 0xFF0000FF));
}

TEST_F(GLTextureTest, MipChainsAndLevelSelection) {
    Texture* m = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m), D3D_OK);
    EXPECT_EQ(m->GetLevelCount(), 3u);  // the whole chain down to 1x1
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
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    EXPECT_TRUE(ColorNear(drawn(1), 0xFFFF0000, 0));
}

TEST_F(GLTextureTest, AddressModes) {
    const uint32_t R = 0xFFFF0000, G = 0xFF00FF00;
    struct Case {
        const char* name;
        TextureAddress mode;
        std::vector<uint32_t> expected;
    } cases[] = {
        {"WRAP", D3DTADDRESS_WRAP, {R, R, G, G, R, R, G, G}},
        {"CLAMP", D3DTADDRESS_CLAMP, {R, R, G, G, G, G, G, G}},
    };
    device->SetTexture(0, Colors(2, 1, {R, G}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, c.mode);
        std::vector<uint32_t> row = Row(8, 2.0f);
        for (size_t i = 0; i < 8; ++i) EXPECT_TRUE(ColorNear(row[i], c.expected[i], 0)) << i;
    }
}

TEST_F(GLTextureTest, PointAndLinearFiltering) {
    const uint32_t K = 0xFF000000, W = 0xFFFFFFFF, D = 0xFF404040, L = 0xFFBFBFBF;
    device->SetTexture(0, Colors(2, 1, {K, W}));
    struct Case {
        const char* name;
        TextureFilterType filter;
        TextureAddress address;
        std::vector<uint32_t> row;
    } cases[] = {
        {"point", D3DTEXF_POINT, D3DTADDRESS_WRAP, {K, K, W, W}},
        {"linear wraps at the edges", D3DTEXF_LINEAR, D3DTADDRESS_WRAP, {D, D, L, L}},
        {"linear clamped", D3DTEXF_LINEAR, D3DTADDRESS_CLAMP, {K, D, L, W}},
        {"half-pixel offset maps texels one to one", D3DTEXF_LINEAR, D3DTADDRESS_CLAMP, {K, W}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Filter(c.filter);
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, c.address);
        std::vector<uint32_t> row = Row(uint32_t(c.row.size()), 1.0f);
        for (size_t i = 0; i < row.size(); ++i) EXPECT_TRUE(ColorNear(row[i], c.row[i], 2)) << i;
    }
}

// Generated, transformed and projected texture coordinates. Texture R G / B W (2x2) or R G (2x1).
TEST_F(GLTextureTest, TextureCoordinatesAreGeneratedAndTransformed) {
    const uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF;
    struct Px {
        uint32_t x, y, color;
    };
    auto stage = [&](uint32_t index, uint32_t flags, const Matrix& m) {
        device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, index);
        device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, flags);
        device->SetTransform(D3DTS_TEXTURE0, &m);
    };
    auto row = [](int r, int c, float v) {
        Matrix m = IdentityMatrix();
        m.m[r][c] = v;
        return m;
    };
    // A quad filling the screen: seen by the camera at depth z, or below depth 1 in normalised
    // coordinates where pixel i samples u = i / 32.
    const Matrix* view = nullptr;
    auto quad = [&](float z, float nx = 0, float ny = 0) {
        struct V {
            float x, y, z, nx, ny, nz, u0, v0, u1, v1;
        };
        const bool camera = z >= 1.0f;
        const float h = camera ? 4.0f : 1.0f;
        V v[4] = {{-h, h, z, nx, ny, -1, 0, 0, 0.75f, 0}, {h, h, z, nx, ny, -1, 1, 0, 0.75f, 0},
                  {-h, -h, z, nx, ny, -1, 0, 1, 0.75f, 0}, {h, -h, z, nx, ny, -1, 1, 1, 0.75f, 0}};
        Matrix i = IdentityMatrix(), p = camera ? Perspective() : i;
        device->SetTransform(D3DTS_PROJECTION, &p);
        device->SetTransform(D3DTS_WORLD, &i);
        device->SetTransform(D3DTS_VIEW, view);
        Clear(0xFF000000);
        DrawUP(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, D3DPT_TRIANGLESTRIP, 2, v);
    };
    Matrix haze{};  // v = (z - 2) / 2 from the camera-space depth
    haze.m[2][1] = 0.5f, haze.m[3][1] = -1.0f;
    Matrix turn{};  // the camera turned a quarter about z
    turn.m[0][1] = 1, turn.m[1][0] = -1, turn.m[2][2] = 1, turn.m[3][3] = 1;
    const Matrix I = IdentityMatrix(), back = Translation(0, 0, 1.0f);
    struct Case {
        const char* name;
        bool wide;  // the 2x1 texture, wrapped; else the 2x2 one, clamped
        std::function<void()> draw;
        std::vector<Px> expected;
        const Matrix* view = nullptr;  // the camera, when not the identity
    } cases[] = {
        {"plain", true, [&] { stage(0, D3DTTFF_DISABLE, I), quad(0.5f); }, {{8, 16, R}, {24, 16, G}}},
        {"(u, v) is taken as (u, v, 1, 0): the third row translates", true,
         [&] { stage(0, D3DTTFF_COUNT2, row(2, 0, 0.5f)), quad(0.5f); }, {{8, 16, G}, {24, 16, R}}},
        {"pre-transformed vertices skip the matrix", true,
         [&] { stage(0, D3DTTFF_COUNT2, row(2, 0, 0.5f)), Clear(0xFF000000), FullScreenQuad(W); }, {{8, 16, R}}},
        {"a stage reads the set it is given", true, [&] { stage(1, D3DTTFF_DISABLE, I), quad(0.5f); },
         {{16, 16, G}}},
        {"camera-space position, near", false,
         [&] { stage(D3DTSS_TCI_CAMERASPACEPOSITION, D3DTTFF_COUNT2, haze), quad(1.5f); }, {{16, 16, R}}, &back},
        {"camera-space normal, the camera turned", false, [&] {
             stage(D3DTSS_TCI_CAMERASPACENORMAL, D3DTTFF_COUNT2, I), quad(2, 0.25f, -0.75f);
         }, {{16, 16, G}}, &turn},
    };
    Texture* wide = Colors(2, 1, {R, G});
    Texture* square = Colors(2, 2, {R, G, B, W});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetTexture(0, c.wide ? wide : square);
        for (auto a : {D3DTSS_ADDRESSU, D3DTSS_ADDRESSV})
            device->SetTextureStageState(0, a, c.wide ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP);
        view = c.view ? c.view : &I;
        c.draw();
        for (const Px& p : c.expected) EXPECT_TRUE(Shows(p.x, p.y, p.color)) << p.x << "," << p.y;
    }
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
    // All or nothing: of three rectangles the last lies partly outside the image, so the first two,
    // which fit, are not copied either.
    const Rect several[3] = {{0, 0, 2, 2}, {6, 6, 8, 8}, {7, 0, 9, 2}};
    const Point to[3] = {{0, 0}, {20, 20}, {24, 0}};
    EXPECT_EQ(device->CopyRects(image, several, 3, bb, to), D3DERR_INVALIDCALL);
    EXPECT_TRUE(ColorNear(Pixel(1, 1), 0xFF000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(21, 21), 0xFF000000, 0));
    // The same with the last one in bounds copies all three.
    const Rect fitting[3] = {several[0], several[1], {6, 0, 8, 2}};
    ASSERT_EQ(device->CopyRects(image, fitting, 3, bb, to), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(1, 1), 0xFF202000, 0));
    EXPECT_TRUE(ColorNear(Pixel(21, 21), 0xFFE0E000, 0));
    EXPECT_TRUE(ColorNear(Pixel(25, 1), 0xFFE02000, 0));
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

class GLRenderTargetTest : public GLTextureTest {
protected:
    void SetUp() override {
        GLTextureTest::SetUp();
        ASSERT_EQ(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
        ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
        ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
                  D3D_OK);
        ASSERT_EQ(target->GetSurfaceLevel(0, &level), D3D_OK);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);  // drawing into the target
    }
    void TearDown() override {
        device->SetRenderTarget(backBuffer, depth);
        for (RefCounted* o : {static_cast<RefCounted*>(level), static_cast<RefCounted*>(target),
                              static_cast<RefCounted*>(depth), static_cast<RefCounted*>(backBuffer)})
            if (o) o->Release();
        GLTextureTest::TearDown();
    }
    // Draws the target over the whole back buffer, each texel on 2x2 pixels.
    void ShowTarget() { ShowTexture(backBuffer, depth, target); }
    Surface* backBuffer = nullptr;
    Surface* depth = nullptr;
    Texture* target = nullptr;
    Surface* level = nullptr;
};

TEST_F(GLRenderTargetTest, RenderedTexturesAreSampledTheRightWayUp) {
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);  // the viewport follows
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);  // no depth
    DrawRect(0, 0, 16, 8, 0xFF00FF00);  // top half green
    ShowTarget();
    EXPECT_TRUE(Shows(16, 4, 0xFF00FF00));
    EXPECT_TRUE(Shows(16, 28, 0xFFFF0000));
    // Transformed geometry keeps up at the top too.
    ASSERT_EQ(device->SetRenderTarget(level, nullptr), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Camera();
    ColorSquare(0, 1.25f, 2, 0.75f, 0xFFFFFFFF);  // y from 0.5 up
    ShowTarget();
    EXPECT_TRUE(Shows(16, 4, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(16, 28, 0xFF000000));
}

}  // namespace
}  // namespace gfxtest
