// Transforms, depth, culling, viewports, pre-transformed vertices and user clip planes at exact
// pixels. The camera is the fixture's: a point (x, y, 2) lands on pixel (16 + 8 x, 16 - 8 y).
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
};

TEST_F(GLTransformTest, WorldViewAndProjectionPlaceGeometry) {
    // x in [0.5, 1.5] at z 2 covers pixel columns 20..27, y in [-0.5, 0.5] rows 12..19.
    Matrix w = Translation(1.0f, 0.0f, 0.0f);
    device->SetTransform(D3DTS_WORLD, &w);
    ColorSquare(0.0f, 0.0f, 2.0f, 0.5f, 0xFFFF0000);
    EXPECT_TRUE(Shows(21, 13, 0xFFFF0000));
    EXPECT_TRUE(Shows(27, 19, 0xFFFF0000));
    EXPECT_TRUE(Shows(18, 16, 0xFF000000));
    EXPECT_TRUE(Shows(24, 10, 0xFF000000));
    // The view moves the world the other way: back in the middle; up is the top of the screen.
    Clear(0xFF000000);
    Matrix v = Translation(-1.0f, 0.0f, 1.0f);
    device->SetTransform(D3DTS_VIEW, &v);
    ColorSquare(0.0f, 0.5f, 1.0f, 0.5f, 0xFF00FF00);
    EXPECT_TRUE(Shows(14, 10, 0xFF00FF00));
    EXPECT_TRUE(Shows(21, 12, 0xFF000000));
    EXPECT_TRUE(Shows(16, 20, 0xFF000000));
}

TEST_F(GLTransformTest, DepthTestKeepsTheSurfaceTheCompareChooses) {
    struct Case {
        const char* name;
        Cmp func;
        bool write, nearFirst;
        float clearZ;
        uint32_t centre;
    } cases[] = {
        {"near first", D3DCMP_LESSEQUAL, true, true, 1.0f, 0xFF00FF00},
        {"far first", D3DCMP_LESSEQUAL, true, false, 1.0f, 0xFF00FF00},
        {"no depth writes", D3DCMP_LESSEQUAL, false, true, 1.0f, 0xFFFF0000},
    };
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetRenderState(D3DRS_ZFUNC, c.func);
        device->SetRenderState(D3DRS_ZWRITEENABLE, c.write);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, c.clearZ, 0), D3D_OK);
        for (bool nearPass : {c.nearFirst, !c.nearFirst}) {
            if (nearPass)
                ColorSquare(0, 0, 2.0f, 0.5f, 0xFF00FF00);
            else
                ColorSquare(0, 0, 3.0f, 2.0f, 0xFFFF0000);
        }
        EXPECT_TRUE(Shows(16, 16, c.centre));
        EXPECT_TRUE(Shows(8, 8, 0xFFFF0000));  // only the far square reaches here
    }
}

// Triangles clockwise and counter-clockwise on screen under each cull mode.
TEST_F(GLTransformTest, CullModesDropTheRightWinding) {
    struct Case {
        Cull mode;
        bool cwDrawn, ccwDrawn;
    } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
    const uint32_t W = 0xFFFFFFFF;
    const TLVertex cw[3] = {{2, 2, 0.5f, 1, W, 0, 0}, {14, 2, 0.5f, 1, W, 0, 0}, {2, 14, 0.5f, 1, W, 0, 0}};
    const TLVertex ccw[3] = {{18, 2, 0.5f, 1, W, 0, 0}, {18, 14, 0.5f, 1, W, 0, 0}, {30, 2, 0.5f, 1, W, 0, 0}};
    const ColorVertex tcw[3] = {{-1.5f, 1.5f, 2, W, 0, 0}, {-0.25f, 1.5f, 2, W, 0, 0}, {-1.5f, 0.25f, 2, W, 0, 0}};
    const ColorVertex tccw[3] = {{0.25f, 1.5f, 2, W, 0, 0}, {0.25f, 0.25f, 2, W, 0, 0}, {1.5f, 1.5f, 2, W, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        device->SetRenderState(D3DRS_CULLMODE, c.mode);
        Clear(0xFF000000);
        DrawUP(kTLFvf, D3DPT_TRIANGLELIST, 1, cw);
        DrawUP(kTLFvf, D3DPT_TRIANGLELIST, 1, ccw);
        EXPECT_EQ(Pixel(4, 4) == W, c.cwDrawn);
        EXPECT_EQ(Pixel(20, 4) == W, c.ccwDrawn);
        Clear(0xFF000000);  // the same windings seen through the camera
        DrawUP(kColorFvf, D3DPT_TRIANGLELIST, 1, tcw);
        DrawUP(kColorFvf, D3DPT_TRIANGLELIST, 1, tccw);
        EXPECT_EQ(Pixel(6, 6) == W, c.cwDrawn);
        EXPECT_EQ(Pixel(20, 6) == W, c.ccwDrawn);
    }
}

TEST_F(GLTransformTest, ViewportPlacesTransformedButOnlyClipsPreTransformedGeometry) {
    Viewport vp{16, 0, 16, 16, 0.0f, 1.0f};
    ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    ColorSquare(0, 0, 2.0f, 4.0f, 0xFF00FF00);  // covers the whole view
    EXPECT_TRUE(Shows(16, 0, 0xFF00FF00));
    EXPECT_TRUE(Shows(31, 15, 0xFF00FF00));
    EXPECT_TRUE(Shows(15, 8, 0xFF000000));
    EXPECT_TRUE(Shows(20, 16, 0xFF000000));
    DrawRect(12, 2, 18, 4, 0xFFFF0000);  // screen pixels, cut at the viewport's left edge
    EXPECT_TRUE(Shows(16, 2, 0xFFFF0000));
    EXPECT_TRUE(Shows(17, 3, 0xFFFF0000));
    EXPECT_TRUE(Shows(18, 3, 0xFF00FF00));
    EXPECT_TRUE(Shows(15, 2, 0xFF000000));
}

TEST_F(GLTransformTest, PreTransformedPixelsHaveCentresOnWholeCoordinates) {
    // A square from 0.5 to 2.5 covers the pixels whose centres 1 and 2 it contains.
    DrawRect(0.5f, 0.5f, 2.5f, 2.5f, 0xFFFFFFFF);
    EXPECT_TRUE(Shows(0, 0, 0xFF000000));
    EXPECT_TRUE(Shows(1, 1, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(2, 2, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(3, 3, 0xFF000000));
}

TEST_F(GLTransformTest, ClipPlanesCutInWorldSpaceButLeaveScreenSpaceAlone) {
    const float plane[4] = {0, 1, 0, 0};  // keep world y >= 0
    ASSERT_EQ(device->SetClipPlane(0, plane), D3D_OK);
    ColorSquare(0, 0, 2, 1, 0xFFFFFFFF);  // not enabled yet: whole
    EXPECT_TRUE(Shows(16, 18, 0xFFFFFFFF));
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, D3DCLIPPLANE0);
    // Model moved up by 0.5: world y in [-0.5, 1.5]; row 14 is world y 0.25, row 18 world -0.25.
    Clear(0xFF000000);
    Matrix w = Translation(0, 0.5f, 0);
    device->SetTransform(D3DTS_WORLD, &w);
    ColorSquare(0, 0, 2, 1, 0xFFFFFFFF);
    EXPECT_TRUE(Shows(16, 10, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(16, 14, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(16, 18, 0xFF000000));
    // The camera raised by 0.5 instead: row 18 is world 0.25, row 22 world -0.25.
    Clear(0xFF000000);
    Matrix i = IdentityMatrix(), v = Translation(0, -0.5f, 0);
    device->SetTransform(D3DTS_WORLD, &i);
    device->SetTransform(D3DTS_VIEW, &v);
    ColorSquare(0, 0, 2, 1, 0xFFFFFFFF);
    EXPECT_TRUE(Shows(16, 18, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(16, 22, 0xFF000000));
    const float high[4] = {0, 1, 0, -10};  // would keep nothing in world space
    device->SetClipPlane(0, high);
    FullScreenQuad(0xFF00FF00);  // screen-space sprites stay whole while a plane is on
    EXPECT_TRUE(Shows(16, 16, 0xFF00FF00));
    EXPECT_EQ(device->SetClipPlane(6, plane), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace gfxtest
