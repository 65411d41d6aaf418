// Stencil operations and tests, the shadow-volume pattern, and the user clip plane.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLStencilTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        Clear(0xFF000000);
    }
    void Ops(StencilOp fail, StencilOp zfail, StencilOp pass) {
        device->SetRenderState(D3DRS_STENCILFAIL, fail);
        device->SetRenderState(D3DRS_STENCILZFAIL, zfail);
        device->SetRenderState(D3DRS_STENCILPASS, pass);
    }
    void Test(Cmp func, uint32_t ref, uint32_t mask = 0xFFFFFFFF) {
        device->SetRenderState(D3DRS_STENCILFUNC, func);
        device->SetRenderState(D3DRS_STENCILREF, ref);
        device->SetRenderState(D3DRS_STENCILMASK, mask);
    }
    // Writes stencil only.
    void StencilRect(float x0, float x1) {
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
        DrawRect(x0, 0, x1, 32, 0xFFFFFFFF);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    }
    // Which halves a full-screen draw reaches under the current test.
    std::pair<bool, bool> Halves(uint32_t color) {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP);
        FullScreenQuad(color);
        return {Pixel(8, 16) == color, Pixel(24, 16) == color};
    }
    void ClearKeepStencil() {
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    }
};

TEST_F(GLStencilTest, IncrementCountsAndEqualSelects) {
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    Test(D3DCMP_ALWAYS, 0);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_INCR);
    StencilRect(0, 16);
    StencilRect(0, 16);
    StencilRect(0, 32);  // left 3, right 1
    Test(D3DCMP_EQUAL, 3);
    ClearKeepStencil();
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP);
    FullScreenQuad(0xFF00FF00);
    EXPECT_TRUE(ColorNear(Pixel(8, 16), 0xFF00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(24, 16), 0xFF000000, 0));
    Test(D3DCMP_EQUAL, 1);
    FullScreenQuad(0xFFFF0000);
    EXPECT_TRUE(ColorNear(Pixel(24, 16), 0xFFFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(8, 16), 0xFF00FF00, 0));
    // Switched off, the test passes everywhere.
    device->SetRenderState(D3DRS_STENCILENABLE, 0);
    FullScreenQuad(0xFF0000FF);
    EXPECT_TRUE(ColorNear(Pixel(8, 16), 0xFF0000FF, 0));
}

TEST_F(GLStencilTest, WrappingAndSaturatingSteps) {
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    Test(D3DCMP_ALWAYS, 0);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_DECR);
    StencilRect(0, 16);  // 0 - 1 wraps to 255
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_DECRSAT);
    StencilRect(16, 32);  // stays 0
    Test(D3DCMP_EQUAL, 255);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(true, false));
    Test(D3DCMP_EQUAL, 0);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(false, true));

    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 255), D3D_OK);
    Test(D3DCMP_ALWAYS, 0);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_INCR);
    StencilRect(0, 16);  // 255 + 1 wraps to 0
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_INCRSAT);
    StencilRect(16, 32);  // stays 255
    Test(D3DCMP_EQUAL, 0);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(true, false));
    Test(D3DCMP_EQUAL, 255);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(false, true));
}

TEST_F(GLStencilTest, MasksLimitWritesAndComparisons) {
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    Test(D3DCMP_ALWAYS, 0xFF);
    device->SetRenderState(D3DRS_STENCILWRITEMASK, 0x0F);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_REPLACE);
    StencilRect(0, 16);  // stores 0x0F
    device->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFF);
    Test(D3DCMP_EQUAL, 0x0F);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(true, false));
    Test(D3DCMP_EQUAL, 0xFF, 0x0F);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(true, false));
    Test(D3DCMP_EQUAL, 0xFF, 0xFF);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(false, false));
    // INVERT and ZERO.
    Test(D3DCMP_ALWAYS, 0);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_INVERT);
    StencilRect(16, 32);  // 0 -> 255
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_ZERO);
    StencilRect(0, 16);  // 0x0F -> 0
    Test(D3DCMP_EQUAL, 255);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(false, true));
}

TEST_F(GLStencilTest, FailAndDepthFailOperations) {
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 0.0f, 0), D3D_OK);
    Test(D3DCMP_ALWAYS, 5);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_REPLACE, D3DSTENCILOP_KEEP);
    StencilRect(0, 16);  // depth fails everywhere: 5 on the left
    Test(D3DCMP_NEVER, 7);
    Ops(D3DSTENCILOP_REPLACE, D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP);
    StencilRect(16, 32);  // stencil fails: 7 on the right
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    Test(D3DCMP_EQUAL, 5);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(true, false));
    Test(D3DCMP_EQUAL, 7);
    EXPECT_EQ(Halves(0xFFFFFFFF), std::make_pair(false, true));
}

// Front faces count up, back faces count down; what stays at 1 or more is shadowed.
TEST_F(GLStencilTest, ShadowVolumePattern) {
    TLVertex front[6] = {{0, 0, 0.5f, 1, 0, 0, 0}, {32, 0, 0.5f, 1, 0, 0, 0}, {32, 32, 0.5f, 1, 0, 0, 0},
                         {0, 0, 0.5f, 1, 0, 0, 0}, {32, 32, 0.5f, 1, 0, 0, 0}, {0, 32, 0.5f, 1, 0, 0, 0}};
    TLVertex back[6] = {{0, 0, 0.5f, 1, 0, 0, 0}, {0, 32, 0.5f, 1, 0, 0, 0}, {16, 32, 0.5f, 1, 0, 0, 0},
                        {0, 0, 0.5f, 1, 0, 0, 0}, {16, 32, 0.5f, 1, 0, 0, 0}, {16, 0, 0.5f, 1, 0, 0, 0}};
    Clear(0xFFFFFFFF);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Test(D3DCMP_ALWAYS, 1);
    device->SetVertexShader(kTLFvf);
    for (Cull cull : {D3DCULL_CCW, D3DCULL_CW}) {
        device->SetRenderState(D3DRS_CULLMODE, cull);
        Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, cull == D3DCULL_CCW ? D3DSTENCILOP_INCR : D3DSTENCILOP_DECR);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, front, sizeof(TLVertex)), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, back, sizeof(TLVertex)), D3D_OK);
    }
    EXPECT_TRUE(ColorNear(Pixel(8, 16), 0xFFFFFFFF, 0));  // no colour was written
    // The overlay: half-dark black where the count is at least 1.
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Test(D3DCMP_LESSEQUAL, 1);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP);
    FullScreenQuad(0x80000000);
    EXPECT_TRUE(ColorNear(Pixel(8, 16), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(24, 16), 0xFF7F7F7F, 1));
}

class GLClipPlaneTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        Camera();
        Clear(0xFF000000);
    }
    // Model square x, y in [-1, 1] at depth 2.
    void Square() {
        ColorVertex v[4] = {{-1, 1, 2, 0xFFFFFFFF, 0, 0}, {1, 1, 2, 0xFFFFFFFF, 0, 0},
                            {-1, -1, 2, 0xFFFFFFFF, 0, 0}, {1, -1, 2, 0xFFFFFFFF, 0, 0}};
        device->SetVertexShader(kColorFvf);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(ColorVertex)), D3D_OK);
    }
};

TEST_F(GLClipPlaneTest, PlaneIsInWorldSpace) {
    const float plane[4] = {0, 1, 0, 0};  // keep world y >= 0
    ASSERT_EQ(device->SetClipPlane(0, plane), D3D_OK);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    // Model moved up by 0.5: world y in [-0.5, 1.5]. Row 14 is world y 0.25 (model -0.25),
    // row 20 is world y -0.5.
    Matrix w = Translation(0, 0.5f, 0);
    device->SetTransform(D3DTS_WORLD, &w);
    Square();
    EXPECT_TRUE(ColorNear(Pixel(16, 10), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(16, 14), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(16, 18), 0xFF000000, 0));
    // The camera raised by 0.5: eye y = world y - 0.5. Row 18 is world 0.25, row 22 world -0.25.
    Clear(0xFF000000);
    Matrix i = IdentityMatrix(), v = Translation(0, -0.5f, 0);
    device->SetTransform(D3DTS_WORLD, &i);
    device->SetTransform(D3DTS_VIEW, &v);
    Square();
    EXPECT_TRUE(ColorNear(Pixel(16, 18), 0xFFFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(16, 22), 0xFF000000, 0));
    float back[4] = {};
    device->GetClipPlane(0, back);
    EXPECT_FLOAT_EQ(back[1], 1.0f);
}

TEST_F(GLClipPlaneTest, DisabledPlanesAndPreTransformedVerticesAreNotClipped) {
    const float plane[4] = {0, 1, 0, -10};  // keeps nothing of the square
    device->SetClipPlane(0, plane);
    Square();
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFFFFFF, 0));
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    Clear(0xFF000000);
    Square();
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF000000, 0));
    FullScreenQuad(0xFF00FF00);  // screen-space sprites stay whole while a plane is on
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF00FF00, 0));
    EXPECT_EQ(device->SetClipPlane(6, plane), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace gfxtest
