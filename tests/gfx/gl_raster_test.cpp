// Blending, alpha test, colour writes, fog, depth bias, shading and fill modes, primitives.
#include <cmath>

#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLRasterTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
    }
};

// Source (a 128, r 200, g 100, b 50) over destination (100, 150, 200).
TEST_F(GLRasterTest, BlendFactorsAndOperations) {
    struct Case {
        const char* name;
        Blend src, dst;
        BlendOp op;
        uint32_t expected;
    } cases[] = {
        {"ONE INVSRCCOLOR", D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD, 0xFFDEBFD3},
        {"ZERO INVSRCCOLOR", D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD, 0xFF165BA1},
        {"SRCCOLOR INVSRCCOLOR", D3DBLEND_SRCCOLOR, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD, 0xFFB282AB},
        {"SRCALPHA INVSRCALPHA", D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0xFF967D7D},
        {"ZERO SRCCOLOR", D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, 0xFF4E3B27},
        {"ONE ONE", D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, 0xFFFFFAFA},
        {"DESTCOLOR ZERO", D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0xFF4E3B27},
        {"INVDESTCOLOR ZERO", D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, D3DBLENDOP_ADD, 0xFF7A290B},
        {"BOTHSRCALPHA", D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE, D3DBLENDOP_ADD, 0xFF967D7D},
        {"reverse subtract", D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0xFF003296},
        {"max", D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_MAX, 0xFFC896C8},
    };
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetRenderState(D3DRS_SRCBLEND, c.src);
        device->SetRenderState(D3DRS_DESTBLEND, c.dst);
        device->SetRenderState(D3DRS_BLENDOP, c.op);
        Clear(0xFF6496C8);
        FullScreenQuad(0x80C86432);
        EXPECT_TRUE(ColorNear(Pixel(16, 16), c.expected, 2));
    }
    // Switched off, the source replaces the destination.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    Clear(0xFF6496C8);
    FullScreenQuad(0x80C86432);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFC86432, 0));
}

TEST_F(GLRasterTest, AlphaTestComparesWithTheReference) {
    struct Case {
        Cmp func;
        uint32_t ref, alpha;
        bool drawn;
    } cases[] = {
        {D3DCMP_GREATEREQUAL, 128, 127, false}, {D3DCMP_GREATEREQUAL, 128, 128, true},
        {D3DCMP_GREATER, 128, 128, false},      {D3DCMP_GREATER, 128, 129, true},
        {D3DCMP_GREATEREQUAL, 1, 0, false},     {D3DCMP_GREATEREQUAL, 1, 1, true},
        {D3DCMP_LESS, 128, 127, true},          {D3DCMP_NEVER, 0, 255, false},
    };
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.func << " " << c.ref << " " << c.alpha);
        device->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        device->SetRenderState(D3DRS_ALPHAREF, c.ref);
        Clear(0xFF000000);
        FullScreenQuad((c.alpha << 24) | 0x00FFFFFF);
        EXPECT_EQ(Pixel(16, 16) == 0xFFFFFFFF, c.drawn);
    }
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    Clear(0xFF000000);
    FullScreenQuad(0x00FFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFFFFFF, 0));
}

TEST_F(GLRasterTest, ColourWriteEnableMasksChannels) {
    device->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA);
    Clear(0xFF0000FF);  // clearing ignores the mask
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF0000FF, 0));
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFF00FF, 0));
}

class GLFogTest : public GLRasterTest {
protected:
    void SetUp() override {
        GLRasterTest::SetUp();
        Matrix p{};
        p.m[0][0] = p.m[1][1] = 1.0f;
        p.m[2][2] = 100.0f / 99.0f;
        p.m[2][3] = 1.0f;
        p.m[3][2] = -100.0f / 99.0f;
        Matrix i = IdentityMatrix();
        device->SetTransform(D3DTS_PROJECTION, &p);
        device->SetTransform(D3DTS_VIEW, &i);
        device->SetTransform(D3DTS_WORLD, &i);
        device->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
        device->SetRenderState(D3DRS_FOGSTART, FloatBits(0.0f));
        device->SetRenderState(D3DRS_FOGEND, FloatBits(10.0f));
        device->SetRenderState(D3DRS_FOGDENSITY, FloatBits(0.1f));
    }
    // A white wall filling the view at eye depth 5.
    uint32_t DrawWall() {
        ColorVertex v[4] = {{-10, 10, 5, 0xFFFFFFFF, 0, 0}, {10, 10, 5, 0xFFFFFFFF, 0, 0},
                            {-10, -10, 5, 0xFFFFFFFF, 0, 0}, {10, -10, 5, 0xFFFFFFFF, 0, 0}};
        Clear(0xFF000000);
        device->SetVertexShader(kColorFvf);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColorVertex)), D3D_OK);
        return Pixel(16, 16);
    }
};

TEST_F(GLFogTest, ModesMixTheFogColourByEyeDepth) {
    struct Case {
        const char* name;
        bool table;
        FogMode mode;
        uint32_t expected;
    } cases[] = {
        {"vertex linear", false, D3DFOG_LINEAR, 0xFF8080FF},  // (10 - 5) / 10
        {"table linear", true, D3DFOG_LINEAR, 0xFF8080FF},
        {"vertex exp", false, D3DFOG_EXP, 0xFF9B9BFF},        // e^-0.5
        {"table exp2", true, D3DFOG_EXP2, 0xFFC7C7FF},        // e^-0.25
    };
    device->SetRenderState(D3DRS_FOGENABLE, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetRenderState(D3DRS_FOGTABLEMODE, c.table ? c.mode : D3DFOG_NONE);
        device->SetRenderState(D3DRS_FOGVERTEXMODE, c.table ? D3DFOG_NONE : c.mode);
        EXPECT_TRUE(ColorNear(DrawWall(), c.expected, 3));
    }
    device->SetRenderState(D3DRS_FOGENABLE, 0);
    EXPECT_TRUE(ColorNear(DrawWall(), 0xFFFFFFFF, 0));
}

TEST_F(GLFogTest, PreTransformedVerticesCarryTheirFogInTheSpecularAlpha) {
    struct V {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
    };
    const uint32_t fog = 0x40000000;  // fog factor 64 / 255 in the alpha
    V v[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, fog}, {32, 0, 0.5f, 1, 0xFFFFFFFF, fog},
              {0, 32, 0.5f, 1, 0xFFFFFFFF, fog}, {32, 32, 0.5f, 1, 0xFFFFFFFF, fog}};
    device->SetRenderState(D3DRS_FOGENABLE, 1);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    Clear(0xFF000000);
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF4040FF, 3));
    // Transformed drawing afterwards fogs by depth again.
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    EXPECT_TRUE(ColorNear(DrawWall(), 0xFF8080FF, 3));
}

TEST_F(GLRasterTest, SpecularColourIsAddedWhenEnabled) {
    struct V {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
    };
    V v[4] = {{0, 0, 0.5f, 1, 0xFF402000, 0xFF104080}, {32, 0, 0.5f, 1, 0xFF402000, 0xFF104080},
              {0, 32, 0.5f, 1, 0xFF402000, 0xFF104080}, {32, 32, 0.5f, 1, 0xFF402000, 0xFF104080}};
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF402000, 1));
    device->SetRenderState(D3DRS_SPECULARENABLE, 1);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF506080, 1));
}

TEST_F(GLRasterTest, DepthBiasPullsCoplanarSurfacesForward) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    FullScreenQuad(0xFFFF0000);
    FullScreenQuad(0xFF00FF00);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFF0000, 0));
    device->SetRenderState(D3DRS_ZBIAS, 4);
    FullScreenQuad(0xFF00FF00);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF00FF00, 0));
}

TEST_F(GLRasterTest, FlatShadingTakesTheFirstVertexColour) {
    TLVertex v[3] = {{0, 0, 0.5f, 1, 0xFFFF0000, 0, 0}, {32, 0, 0.5f, 1, 0xFF00FF00, 0, 0},
                     {0, 32, 0.5f, 1, 0xFF0000FF, 0, 0}};
    device->SetVertexShader(kTLFvf);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(TLVertex)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(28, 1), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(1, 28), 0xFFFF0000, 0));
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(TLVertex)), D3D_OK);
    // (28, 1): green 28/32, blue 1/32, red the rest.
    EXPECT_TRUE(ColorNear(Pixel(28, 1), 0xFF18DF08, 3));
}

TEST_F(GLRasterTest, FillModesDrawEdgesOrCorners) {
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    Clear(0xFF000000);
    DrawRect(4, 4, 28, 28, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(4, 16), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(20, 12), 0xFF000000, 0));
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_POINT);
    Clear(0xFF000000);
    DrawRect(4, 4, 28, 28, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(4, 4), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(4, 16), 0xFF000000, 0));
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    DrawRect(4, 4, 28, 28, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(20, 12), 0xFFFFFFFF, 0));
}

TEST_F(GLRasterTest, LinesAndPoints) {
    TLVertex line[4] = {{2, 2, 0.5f, 1, 0xFFFF0000, 0, 0}, {10, 2, 0.5f, 1, 0xFFFF0000, 0, 0},
                        {2, 6, 0.5f, 1, 0xFF00FF00, 0, 0}, {10, 6, 0.5f, 1, 0xFF00FF00, 0, 0}};
    device->SetVertexShader(kTLFvf);
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_LINELIST, 2, line, sizeof(TLVertex)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(5, 2), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(5, 6), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(5, 4), 0xFF000000, 0));
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, 4, line, sizeof(TLVertex)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(10, 6), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(5, 6), 0xFF000000, 0));
    // A strip of three lines through four points, and a fan.
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_LINESTRIP, 3, line, sizeof(TLVertex)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(5, 2), 0xFFFF0000, 0));
    TLVertex fan[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {16, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                       {16, 16, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {0, 16, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, fan, sizeof(TLVertex)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(12, 3), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(3, 12), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(20, 3), 0xFF000000, 0));
}

}  // namespace
}  // namespace gfxtest
