// Vertex work done on the processor: lighting and vertex blending, against results worked out by
// hand. A square at depth 2 with corners (+-1, +-1, 2) faces the camera with normal (0, 0, -1);
// a point (x, y, 2) lands on pixel (16 + 8 x, 16 - 8 y).
#include <cmath>

#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLVertexTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        Camera();
        Clear(0xFF000000);
    }
    void World(uint32_t index, const Matrix& m) {
        ASSERT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(index), &m), D3D_OK);
    }
    bool Lit(uint32_t x, uint32_t y) { return Pixel(x, y) == 0xFFFFFFFF; }
};

TEST_F(GLVertexTest, LightsAndMaterialColourTheSquare) {
    struct LitVertex {
        float x, y, z, nx, ny, nz;
        uint32_t diffuse;
    };
    const ColorValue orange{0.8f, 0.4f, 0.2f, 1}, white{1, 1, 1, 1};
    const Light front{.Type = D3DLIGHT_DIRECTIONAL, .Diffuse = orange, .Direction = {0, 0, 1}};
    auto point = [&](float z, float range, float att1) {
        return Light{.Type = D3DLIGHT_POINT, .Diffuse = white, .Position = {0, 0, z}, .Range = range,
                     .Attenuation0 = 1, .Attenuation1 = att1};
    };
    Matrix turned{};  // half a turn about y, then 2 forward
    turned.m[0][0] = -1, turned.m[1][1] = 1, turned.m[2][2] = -1, turned.m[3][3] = 1, turned.m[3][2] = 2.0f;
    struct Case {
        const char* name;
        Light light;  // Type 0: no light
        uint32_t expected;
        Material material{.Diffuse = {1, 1, 1, 1}};
        uint32_t fvf = 0, ambient = 0;
        float z = 2, nz = -1;
        bool specular = false, colorVertex = true;
        Matrix world = IdentityMatrix();
    } cases[] = {
        {"directional, head on", front, 0xFFCC6633},
        {"directional at 60 degrees: half",
         {.Type = D3DLIGHT_DIRECTIONAL, .Diffuse = orange, .Direction = {0, -0.8660254f, 0.5f}}, 0xFF66331A},
        // Corners sqrt(6) from a light at the eye: N.L 2 / sqrt(6), attenuation 1 / (1 + 0.5 sqrt(6)).
        {"point light", point(0, 100, 0.5f), 0xFF5E5E5E},
        {"point light behind, in world space", point(4, 100, 0), 0xFF000000},
        {"ambient adds, red saturates", front, 0xFFFF8633, {.Diffuse = white, .Ambient = {1, 0.5f, 0, 1}}, 0,
         0x00404040},
        {"diffuse from the vertex colour", front, 0xFF66331A, {.Diffuse = white}, D3DFVF_DIFFUSE},
        {"facing away", front, 0xFF000000, {.Diffuse = white}, 0, 0, 2, 1},
        {"normals turn with the world matrix", front, 0xFFCC6633, {.Diffuse = white}, 0, 0, 0, 1, false, true,
         turned},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetRenderState(D3DRS_LIGHTING, 1);
        device->SetRenderState(D3DRS_AMBIENT, c.ambient);
        device->SetRenderState(D3DRS_SPECULARENABLE, c.specular);
        device->SetRenderState(D3DRS_COLORVERTEX, c.colorVertex);
        device->SetMaterial(&c.material);
        device->SetTransform(D3DTS_WORLD, &c.world);
        if (c.light.Type) {
            ASSERT_EQ(device->SetLight(0, &c.light), D3D_OK);
        }
        device->LightEnable(0, c.light.Type != 0);
        const float z = c.z, n = c.nz;
        const LitVertex v[4] = {{-1, 1, z, 0, 0, n, 0xFF808080}, {1, 1, z, 0, 0, n, 0xFF808080},
                                {-1, -1, z, 0, 0, n, 0xFF808080}, {1, -1, z, 0, 0, n, 0xFF808080}};
        Clear(0xFF000000);
        ASSERT_EQ(device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | c.fvf), D3D_OK);
        // Without a colour the vertex ends after the normal; the stride says so.
        const uint32_t stride = c.fvf ? sizeof(LitVertex) : 24;
        std::vector<uint8_t> bytes(4 * stride);
        for (int k = 0; k < 4; ++k) std::memcpy(&bytes[size_t(k) * stride], &v[k], stride);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, bytes.data(), stride), D3D_OK);
        EXPECT_TRUE(Shows(16, 16, c.expected, 3));
    }
    // A light enabled without ever being set is white from the front; unlit vertices without
    // colour are white too.
    device->LightEnable(0, false);
    device->LightEnable(3, true);
    const Material whiteMaterial{.Diffuse = white};
    device->SetMaterial(&whiteMaterial);
    const Matrix i = IdentityMatrix();
    device->SetTransform(D3DTS_WORLD, &i);
    const float plain[4][6] = {{-1, 1, 2, 0, 0, -1}, {1, 1, 2, 0, 0, -1}, {-1, -1, 2, 0, 0, -1}, {1, -1, 2, 0, 0, -1}};
    for (uint32_t lighting : {1u, 0u}) {
        device->SetRenderState(D3DRS_LIGHTING, lighting);
        Clear(0xFF000000);
        DrawUP(D3DFVF_XYZ | D3DFVF_NORMAL, D3DPT_TRIANGLESTRIP, 2, plain);
        EXPECT_TRUE(Shows(16, 16, 0xFFFFFFFF, 1)) << lighting;
    }
}

// Many vertices in one draw, more than the processor takes at a time and not a whole number of
// its steps: 7 x 7 flat squares, each turned by its own angle from the light, each the colour of
// its own angle. A point light out of its range adds nothing.
TEST_F(GLVertexTest, EverySquareOfALongDrawShowsItsOwnAngle) {
    struct LitVertex {
        float x, y, z, nx, ny, nz;
    };
    constexpr int kSide = 7;
    auto angle = [](int q) { return 1.45f * float(q) / float(kSide * kSide - 1); };  // 0 .. 83 degrees
    std::vector<LitVertex> v;
    for (int q = 0; q < kSide * kSide; ++q) {
        const float x0 = -1.75f + 0.5f * float(q % kSide), y0 = 1.75f - 0.5f * float(q / kSide), h = 0.2f;
        const float nx = std::sin(angle(q)), nz = -std::cos(angle(q));
        auto at = [&](float dx, float dy) { v.push_back({x0 + dx, y0 + dy, 2, nx, 0, nz}); };
        at(-h, h), at(h, h), at(-h, -h), at(h, h), at(h, -h), at(-h, -h);
    }
    const Light far{.Type = D3DLIGHT_POINT, .Diffuse = {1, 1, 1, 1}, .Position = {0, 0, 0}, .Range = 1.5f,
                    .Attenuation0 = 1};
    const Light front{.Type = D3DLIGHT_DIRECTIONAL, .Diffuse = {1, 1, 1, 1}, .Specular = {1, 1, 1, 1},
                      .Direction = {0, 0, 1}};
    ASSERT_EQ(device->SetLight(0, &far), D3D_OK);
    ASSERT_EQ(device->SetLight(1, &front), D3D_OK);
    device->LightEnable(0, true);
    device->LightEnable(1, true);
    device->SetRenderState(D3DRS_LIGHTING, 1);
    device->SetRenderState(D3DRS_AMBIENT, 0);
    device->SetRenderState(D3DRS_LOCALVIEWER, 0);
    // Diffuse: cos a. The highlight alone, from a black material of power 2: cos^2 a (with the
    // eye infinitely far, half way between the light and the eye is the view direction).
    for (bool specular : {false, true}) {
        SCOPED_TRACE(specular ? "specular" : "diffuse");
        const Material m = specular ? Material{.Specular = {1, 1, 1, 1}, .Power = 2} : Material{.Diffuse = {1, 1, 1, 1}};
        device->SetMaterial(&m);
        device->SetRenderState(D3DRS_SPECULARENABLE, specular);
        Clear(0xFF000000);
        ASSERT_EQ(device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, uint32_t(v.size() / 3), v.data(), sizeof(LitVertex)),
                  D3D_OK);
        const std::vector<uint32_t> pixels = ReadBack();
        ASSERT_EQ(pixels.size(), size_t(kSize * kSize));
        for (int q = 0; q < kSide * kSide; ++q) {
            const float c = std::cos(angle(q)), level = specular ? c * c : c;
            const uint32_t byte = uint32_t(std::lround(255.0f * level));
            const uint32_t x = uint32_t(16 + 8 * (-1.75f + 0.5f * float(q % kSide)));
            const uint32_t y = uint32_t(16 - 8 * (1.75f - 0.5f * float(q / kSide)));
            EXPECT_TRUE(ColorNear(pixels[size_t(y) * kSize + x], 0xFF000000u | byte << 16 | byte << 8 | byte, 2))
                << "square " << q;
        }
    }
}

// A lit draw that writes no colour (a shadow volume's pass) still counts stencil exactly over
// its own pixels, moved by the world matrix, and the next lit draw is lit again.
TEST_F(GLVertexTest, ALitDrawThatWritesNoColourCountsItsOwnPixels) {
    struct LitVertex {
        float x, y, z, nx, ny, nz;
    };
    const LitVertex square[4] = {{0, 1, 2, 0, 0, -1}, {1, 1, 2, 0, 0, -1}, {0, 0, 2, 0, 0, -1}, {1, 0, 2, 0, 0, -1}};
    const Light front{.Type = D3DLIGHT_DIRECTIONAL, .Diffuse = {1, 1, 1, 1}, .Direction = {0, 0, 1}};
    ASSERT_EQ(device->SetLight(0, &front), D3D_OK);
    device->LightEnable(0, true);
    const Material white{.Diffuse = {1, 1, 1, 1}};
    device->SetMaterial(&white);
    device->SetRenderState(D3DRS_LIGHTING, 1);
    World(0, Translation(-1, 0, 0));  // the square covers x 0..1 moved to -1..0: pixels 8..15
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawUP(D3DFVF_XYZ | D3DFVF_NORMAL, D3DPT_TRIANGLESTRIP, 2, square);
    EXPECT_EQ(Pixel(12, 12), 0xFF000000u) << "no colour written";
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device->SetRenderState(D3DRS_STENCILREF, 1);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    World(0, IdentityMatrix());
    const LitVertex screen[4] = {{-2, 2, 2, 0, 0, -1}, {2, 2, 2, 0, 0, -1}, {-2, -2, 2, 0, 0, -1}, {2, -2, 2, 0, 0, -1}};
    DrawUP(D3DFVF_XYZ | D3DFVF_NORMAL, D3DPT_TRIANGLESTRIP, 2, screen);
    EXPECT_TRUE(Lit(12, 12)) << "counted and lit";
    EXPECT_FALSE(Lit(20, 12)) << "where the square was before the world matrix moved it";
    EXPECT_FALSE(Lit(12, 20)) << "below the square";
    device->SetRenderState(D3DRS_STENCILENABLE, 0);
}

TEST_F(GLVertexTest, BlendWeightsMixTheWorldMatrices) {
    struct V1 {
        float x, y, z, w0;
        uint32_t color;
    };
    struct V2 {
        float x, y, z, w0, w1;
        uint32_t color;
    };
    Matrix turn{};  // a quarter about z: (x, y) -> (-y, x)
    turn.m[0][1] = 1, turn.m[1][0] = -1, turn.m[2][2] = 1, turn.m[3][3] = 1;
    struct Case {
        const char* name;
        uint32_t blend;
        Matrix worlds[3];
        float cx, h, w0, w1;
        std::vector<std::pair<int, int>> lit, dark;
    } cases[] = {
        // Half of each pose turns the square (0.5..1.5, -0.5..0.5) into a diamond around pixel (20, 12).
        {"halfway between two bones", D3DVBF_1WEIGHTS, {IdentityMatrix(), turn, IdentityMatrix()}, 1, 0.5f, 0.5f, 0,
         {{20, 12}, {17, 12}, {20, 15}}, {{17, 10}, {23, 15}, {16, 16}}},
        // 0.5 (1, 0) + 0.25 (0, 1) + 0.25 (-1, 0) = (0.25, 0.25): pixels 16..19, rows 12..15.
        {"two weights", D3DVBF_2WEIGHTS, {Translation(1, 0, 0), Translation(0, 1, 0), Translation(-1, 0, 0)}, 0,
         0.25f, 0.5f, 0.25f, {{18, 14}}, {{14, 14}, {18, 18}}},
        // Blending off: world 0 only, x in [0.75, 1.25].
        {"weights ignored while off", D3DVBF_DISABLE, {Translation(1, 0, 0), Translation(-1, 0, 0), IdentityMatrix()},
         0, 0.25f, 0, 0, {{24, 16}}, {{20, 16}, {12, 16}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (uint32_t k = 0; k < 3; ++k) World(k, c.worlds[k]);
        device->SetRenderState(D3DRS_VERTEXBLEND, c.blend);
        const float x0 = c.cx - c.h, x1 = c.cx + c.h, h = c.h;
        Clear(0xFF000000);
        if (c.blend == D3DVBF_2WEIGHTS) {
            V2 v[4] = {{x0, h, 2, c.w0, c.w1, 0xFFFFFFFF}, {x1, h, 2, c.w0, c.w1, 0xFFFFFFFF},
                       {x0, -h, 2, c.w0, c.w1, 0xFFFFFFFF}, {x1, -h, 2, c.w0, c.w1, 0xFFFFFFFF}};
            DrawUP(D3DFVF_XYZB2 | D3DFVF_DIFFUSE, D3DPT_TRIANGLESTRIP, 2, v);
        } else {
            V1 v[4] = {{x0, h, 2, c.w0, 0xFFFFFFFF}, {x1, h, 2, c.w0, 0xFFFFFFFF}, {x0, -h, 2, c.w0, 0xFFFFFFFF},
                       {x1, -h, 2, c.w0, 0xFFFFFFFF}};
            DrawUP(D3DFVF_XYZB1 | D3DFVF_DIFFUSE, D3DPT_TRIANGLESTRIP, 2, v);
        }
        for (auto [x, y] : c.lit) EXPECT_TRUE(Lit(x, y)) << x << "," << y;
        for (auto [x, y] : c.dark) EXPECT_FALSE(Lit(x, y)) << x << "," << y;
    }
}

}  // namespace
}  // namespace gfxtest
