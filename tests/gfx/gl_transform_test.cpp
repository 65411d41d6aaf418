// Transforms, depth, culling, viewports and pre-transformed vertices at exact pixels.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLTransformTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        Camera();
        Clear(0xFF000000);
    }

    // Square of half size h around (cx, cy) at depth z, clockwise on screen.
    void Square(float cx, float cy, float z, float h, uint32_t color) {
        ColorVertex v[6] = {{cx - h, cy + h, z, color, 0, 0}, {cx + h, cy + h, z, color, 1, 0},
                            {cx + h, cy - h, z, color, 1, 1}, {cx - h, cy + h, z, color, 0, 0},
                            {cx + h, cy - h, z, color, 1, 1}, {cx - h, cy - h, z, color, 0, 1}};
        ASSERT_EQ(device->SetVertexShader(kColorFvf), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ColorVertex)), D3D_OK);
    }
};

TEST_F(GLTransformTest, WorldViewAndProjectionPlaceGeometry) {
    // x in [0.5, 1.5] at z 2 covers pixel columns 20..27, y in [-0.5, 0.5] rows 12..19.
    Matrix w = Translation(1.0f, 0.0f, 0.0f);
    device->SetTransform(D3DTS_WORLD, &w);
    Square(0.0f, 0.0f, 2.0f, 0.5f, 0xFFFF0000);
    EXPECT_TRUE(ColorNear(Pixel(21, 13), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(Pixel(27, 19), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(Pixel(18, 16), 0xFF000000));
    EXPECT_TRUE(ColorNear(Pixel(24, 10), 0xFF000000));
    // The view moves the world the other way: back in the middle.
    Clear(0xFF000000);
    Matrix v = Translation(-1.0f, 0.0f, 1.0f);
    device->SetTransform(D3DTS_VIEW, &v);
    Square(0.0f, 0.0f, 1.0f, 0.5f, 0xFF00FF00);
    EXPECT_TRUE(ColorNear(Pixel(14, 14), 0xFF00FF00));
    EXPECT_TRUE(ColorNear(Pixel(18, 18), 0xFF00FF00));
    EXPECT_TRUE(ColorNear(Pixel(21, 16), 0xFF000000));
}

TEST_F(GLTransformTest, UpIsTheTopOfTheScreen) {
    Square(0.0f, 1.0f, 2.0f, 0.5f, 0xFFFFFFFF);  // y 0.5..1.5: rows 4..11
    EXPECT_TRUE(ColorNear(Pixel(16, 8), 0xFFFFFFFF));
    EXPECT_TRUE(ColorNear(Pixel(16, 24), 0xFF000000));
}

TEST_F(GLTransformTest, DepthTestKeepsTheNearerSurface) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    Square(0, 0, 3.0f, 2.0f, 0xFFFF0000);  // far
    Square(0, 0, 2.0f, 0.5f, 0xFF00FF00);  // near
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF00FF00));
    Clear(0xFF000000);
    Square(0, 0, 2.0f, 0.5f, 0xFF00FF00);
    Square(0, 0, 3.0f, 2.0f, 0xFFFF0000);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF00FF00));
    EXPECT_TRUE(ColorNear(Pixel(8, 8), 0xFFFF0000));  // far square: pixels 6..26
    // Without depth writes the far square is not held back by the near one.
    Clear(0xFF000000);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    Square(0, 0, 2.0f, 0.5f, 0xFF00FF00);
    Square(0, 0, 3.0f, 2.0f, 0xFFFF0000);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFF0000));
    // GREATER keeps the farther one.
    device->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.0f, 0), D3D_OK);
    Square(0, 0, 2.0f, 0.5f, 0xFF00FF00);
    Square(0, 0, 3.0f, 2.0f, 0xFFFF0000);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFF0000));
}

// Triangles clockwise and counter-clockwise on screen under each cull mode.
TEST_F(GLTransformTest, CullModesDropTheRightWinding) {
    struct Case {
        Cull mode;
        bool cwDrawn, ccwDrawn;
    } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        device->SetRenderState(D3DRS_CULLMODE, c.mode);
        // Pre-transformed: left triangle clockwise, right one counter-clockwise.
        Clear(0xFF000000);
        TLVertex cw[3] = {{2, 2, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {14, 2, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                          {2, 14, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
        TLVertex ccw[3] = {{18, 2, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {18, 14, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                           {30, 2, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
        device->SetVertexShader(kTLFvf);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(TLVertex)), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(TLVertex)), D3D_OK);
        EXPECT_EQ(Pixel(4, 4) == 0xFFFFFFFF, c.cwDrawn);
        EXPECT_EQ(Pixel(20, 4) == 0xFFFFFFFF, c.ccwDrawn);
        // Transformed: the same windings seen through the camera.
        Clear(0xFF000000);
        ColorVertex tcw[3] = {{-1.5f, 1.5f, 2, 0xFFFFFFFF, 0, 0}, {-0.25f, 1.5f, 2, 0xFFFFFFFF, 0, 0},
                              {-1.5f, 0.25f, 2, 0xFFFFFFFF, 0, 0}};
        ColorVertex tccw[3] = {{0.25f, 1.5f, 2, 0xFFFFFFFF, 0, 0}, {0.25f, 0.25f, 2, 0xFFFFFFFF, 0, 0},
                               {1.5f, 1.5f, 2, 0xFFFFFFFF, 0, 0}};
        device->SetVertexShader(kColorFvf);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tcw, sizeof(ColorVertex)), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tccw, sizeof(ColorVertex)), D3D_OK);
        EXPECT_EQ(Pixel(6, 6) == 0xFFFFFFFF, c.cwDrawn);
        EXPECT_EQ(Pixel(20, 6) == 0xFFFFFFFF, c.ccwDrawn);
    }
}

TEST_F(GLTransformTest, ViewportPlacesTransformedGeometry) {
    Viewport vp{16, 0, 16, 16, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    Square(0, 0, 2.0f, 4.0f, 0xFF00FF00);  // covers the whole view
    EXPECT_TRUE(ColorNear(Pixel(16, 0), 0xFF00FF00));
    EXPECT_TRUE(ColorNear(Pixel(31, 15), 0xFF00FF00));
    EXPECT_TRUE(ColorNear(Pixel(15, 8), 0xFF000000));
    EXPECT_TRUE(ColorNear(Pixel(20, 16), 0xFF000000));
}

TEST_F(GLTransformTest, PreTransformedPixelsHaveCentresOnWholeCoordinates) {
    // A square from 0.5 to 2.5 covers the pixels whose centres 1 and 2 it contains.
    DrawRect(0.5f, 0.5f, 2.5f, 2.5f, 0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(0, 0), 0xFF000000));
    EXPECT_TRUE(ColorNear(Pixel(1, 1), 0xFFFFFFFF));
    EXPECT_TRUE(ColorNear(Pixel(2, 2), 0xFFFFFFFF));
    EXPECT_TRUE(ColorNear(Pixel(3, 3), 0xFF000000));
    EXPECT_TRUE(ColorNear(Pixel(0, 2), 0xFF000000));
    // Whole-number edges cover exactly their pixels.
    DrawRect(4, 6, 7, 8, 0xFF0000FF);
    EXPECT_TRUE(ColorNear(Pixel(4, 6), 0xFF0000FF));
    EXPECT_TRUE(ColorNear(Pixel(6, 7), 0xFF0000FF));
    EXPECT_TRUE(ColorNear(Pixel(7, 7), 0xFF000000));
    EXPECT_TRUE(ColorNear(Pixel(6, 8), 0xFF000000));
    EXPECT_TRUE(ColorNear(Pixel(3, 6), 0xFF000000));
    EXPECT_TRUE(ColorNear(Pixel(4, 5), 0xFF000000));
}

TEST_F(GLTransformTest, PreTransformedPositionsIgnoreTheViewportOriginButAreClippedByIt) {
    Viewport vp{8, 8, 16, 16, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    DrawRect(10, 12, 12, 14, 0xFFFF0000);
    EXPECT_TRUE(ColorNear(Pixel(10, 12), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(Pixel(11, 13), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(Pixel(12, 13), 0xFF000000));
    DrawRect(0, 0, 12, 12, 0xFF00FF00);
    EXPECT_TRUE(ColorNear(Pixel(7, 7), 0xFF000000));
    EXPECT_TRUE(ColorNear(Pixel(8, 8), 0xFF00FF00));
}

TEST_F(GLTransformTest, PreTransformedDepthIsUsedAsItIs) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    DrawRect(0, 0, 32, 32, 0xFFFF0000, 0.25f);
    DrawRect(0, 0, 16, 32, 0xFF00FF00, 0.3f);   // behind: hidden
    DrawRect(16, 0, 32, 32, 0xFF0000FF, 0.2f);  // in front: shown
    EXPECT_TRUE(ColorNear(Pixel(8, 8), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(Pixel(24, 8), 0xFF0000FF));
}

TEST_F(GLTransformTest, MultiplyTransformAppliesTheGivenMatrixFirst) {
    Matrix scale = IdentityMatrix();
    scale.m[0][0] = 2.0f;
    Matrix move = Translation(1.0f, 0.0f, 0.0f);
    device->SetTransform(D3DTS_WORLD, &move);
    ASSERT_EQ(device->MultiplyTransform(D3DTS_WORLD, &scale), D3D_OK);
    Matrix got{};
    device->GetTransform(D3DTS_WORLD, &got);
    // Scale first, then move: the translation stays 1.
    EXPECT_FLOAT_EQ(got.m[0][0], 2.0f);
    EXPECT_FLOAT_EQ(got.m[3][0], 1.0f);
    EXPECT_EQ(device->SetTransform(TransformStateType(5), &move), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(3), &move), D3D_OK);
    device->GetTransform(D3DTS_WORLDMATRIX(3), &got);
    EXPECT_FLOAT_EQ(got.m[3][0], 1.0f);
}

}  // namespace
}  // namespace gfxtest
