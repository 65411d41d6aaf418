// Blending, alpha test, depth bias, fill modes, primitives, and the stencil buffer.
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
        {"SRCCOLOR INVSRCCOLOR", D3DBLEND_SRCCOLOR, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_ADD, 0xFFB282AB},
        {"SRCALPHA INVSRCALPHA", D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD, 0xFF967D7D},
        {"ZERO SRCCOLOR", D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DBLENDOP_ADD, 0xFF4E3B27},
        // None of the source and all of the target keeps the target (but subtracted, clamps to
        // black); the cases after them write again.
        {"ZERO ONE", D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLENDOP_ADD, 0xFF6496C8},
        {"ZERO ONE subtracted", D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLENDOP_SUBTRACT, 0xFF000000},
        {"ZERO ONE reverse subtracted", D3DBLEND_ZERO, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0xFF6496C8},
        {"ONE ONE", D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD, 0xFFFFFAFA},
        {"reverse subtract", D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_REVSUBTRACT, 0xFF003296},
    };
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetRenderState(D3DRS_SRCBLEND, c.src);
        device->SetRenderState(D3DRS_DESTBLEND, c.dst);
        device->SetRenderState(D3DRS_BLENDOP, c.op);
        Clear(0xFF6496C8);
        FullScreenQuad(0x80C86432);
        EXPECT_TRUE(Shows(16, 16, c.expected, 2));
    }
    // Switched off, the source replaces the destination.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    Clear(0xFF6496C8);
    FullScreenQuad(0x80C86432);
    EXPECT_TRUE(Shows(16, 16, 0xFFC86432));
}

TEST_F(GLRasterTest, AlphaTestComparesWithTheReference) {
    struct Case {
        Cmp func;
        uint32_t ref, alpha;
        bool drawn;
    } cases[] = {
        {D3DCMP_GREATEREQUAL, 128, 127, false}, {D3DCMP_GREATEREQUAL, 128, 128, true},
        {D3DCMP_GREATEREQUAL, 1, 0, false},     {D3DCMP_GREATEREQUAL, 1, 1, true},
        {D3DCMP_GREATER, 128, 128, false},      {D3DCMP_NEVER, 0, 255, false},
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
    EXPECT_TRUE(Shows(16, 16, 0xFFFFFFFF));
}

TEST_F(GLRasterTest, DepthBiasPullsCoplanarSurfacesForward) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    FullScreenQuad(0xFFFF0000);
    FullScreenQuad(0xFF00FF00);
    EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
    device->SetRenderState(D3DRS_ZBIAS, 4);
    FullScreenQuad(0xFF00FF00);
    EXPECT_TRUE(Shows(16, 16, 0xFF00FF00));
}

TEST_F(GLRasterTest, FillModesAndPrimitiveTypes) {
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    Clear(0xFF000000);
    DrawRect(4, 4, 28, 28, 0xFFFFFFFF);
    EXPECT_TRUE(Shows(4, 16, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(20, 12, 0xFF000000));
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);

    const TLVertex line[4] = {{2, 2, 0.5f, 1, 0xFFFF0000, 0, 0}, {10, 2, 0.5f, 1, 0xFFFF0000, 0, 0},
                              {2, 6, 0.5f, 1, 0xFF00FF00, 0, 0}, {10, 6, 0.5f, 1, 0xFF00FF00, 0, 0}};
    Clear(0xFF000000);
    DrawUP(kTLFvf, D3DPT_LINESTRIP, 3, line);
    EXPECT_TRUE(Shows(5, 2, 0xFFFF0000));
    const TLVertex fan[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {16, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                             {16, 16, 0.5f, 1, 0xFFFFFFFF, 0, 0}, {0, 16, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
    Clear(0xFF000000);
    DrawUP(kTLFvf, D3DPT_TRIANGLEFAN, 2, fan);
    EXPECT_TRUE(Shows(12, 3, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(3, 12, 0xFFFFFFFF));
    EXPECT_TRUE(Shows(20, 3, 0xFF000000));
}

class GLStencilTest : public GLRasterTest {
protected:
    void SetUp() override {
        GLRasterTest::SetUp();
        device->SetRenderState(D3DRS_STENCILENABLE, 1);
        Clear(0xFF000000);
    }
    void Ops(StencilOp fail, StencilOp zfail, StencilOp pass) {
        device->SetRenderState(D3DRS_STENCILFAIL, fail);
        device->SetRenderState(D3DRS_STENCILZFAIL, zfail);
        device->SetRenderState(D3DRS_STENCILPASS, pass);
    }
    void Test(Cmp func, uint32_t ref, uint32_t mask = 0xFF) {
        device->SetRenderState(D3DRS_STENCILFUNC, func);
        device->SetRenderState(D3DRS_STENCILREF, ref);
        device->SetRenderState(D3DRS_STENCILMASK, mask);
    }
    // Writes stencil only, over the columns x0..x1.
    void StencilRect(float x0, float x1) {
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
        DrawRect(x0, 0, x1, 32, 0xFFFFFFFF);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    }
    // Which halves a full-screen draw reaches under the current test.
    std::pair<bool, bool> Halves() {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP);
        FullScreenQuad(0xFFFFFFFF);
        return {Pixel(8, 16) == 0xFFFFFFFF, Pixel(24, 16) == 0xFFFFFFFF};
    }
};

TEST_F(GLStencilTest, OperationsLeaveTheCountsTheTestsSelect) {
    struct Write {
        StencilOp op;
        uint32_t ref, writeMask;
        float x0, x1;
    };
    struct Check {
        uint32_t ref, mask;
        bool left, right;
    };
    struct Case {
        const char* name;
        uint32_t clear;
        std::vector<Write> writes;
        std::vector<Check> checks;
    } cases[] = {
        {"increments count", 0,
         {{D3DSTENCILOP_INCR, 0, 0xFF, 0, 16},
          {D3DSTENCILOP_INCR, 0, 0xFF, 0, 16},
          {D3DSTENCILOP_INCR, 0, 0xFF, 0, 32}},
         {{3, 0xFF, true, false}, {1, 0xFF, false, true}}},
        {"decrement wraps, the saturating one stops at 0", 0,
         {{D3DSTENCILOP_DECR, 0, 0xFF, 0, 16}, {D3DSTENCILOP_DECRSAT, 0, 0xFF, 16, 32}},
         {{255, 0xFF, true, false}, {0, 0xFF, false, true}}},
        {"increment wraps, the saturating one stops at 255", 255,
         {{D3DSTENCILOP_INCR, 0, 0xFF, 0, 16}, {D3DSTENCILOP_INCRSAT, 0, 0xFF, 16, 32}},
         {{0, 0xFF, true, false}, {255, 0xFF, false, true}}},
        {"the write mask keeps bits, the compare mask ignores them", 0,
         {{D3DSTENCILOP_REPLACE, 0xFF, 0x0F, 0, 16}},
         {{0x0F, 0xFF, true, false}, {0xFF, 0x0F, true, false}, {0xFF, 0xFF, false, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, c.clear), D3D_OK);
        for (const Write& w : c.writes) {
            Test(D3DCMP_ALWAYS, w.ref);
            device->SetRenderState(D3DRS_STENCILWRITEMASK, w.writeMask);
            Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, w.op);
            StencilRect(w.x0, w.x1);
        }
        device->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFF);
        for (const Check& k : c.checks) {
            Test(D3DCMP_EQUAL, k.ref, k.mask);
            EXPECT_EQ(Halves(), std::make_pair(k.left, k.right)) << "equal " << k.ref << " mask " << k.mask;
        }
    }
    device->SetRenderState(D3DRS_STENCILENABLE, 0);  // switched off, the test passes everywhere
    EXPECT_EQ(Halves(), std::make_pair(true, true));
}

// A frame's shadows are counted after the depth is cleared for the characters: a clear of the
// depth alone, or of the target, leaves the counts where they are.
TEST_F(GLStencilTest, ClearingTheDepthOrTheTargetKeepsTheCounts) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3D_OK);
    Test(D3DCMP_ALWAYS, 0);
    Ops(D3DSTENCILOP_KEEP, D3DSTENCILOP_KEEP, D3DSTENCILOP_INCR);
    StencilRect(0, 16);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.5f, 0), D3D_OK);
    Test(D3DCMP_EQUAL, 1);
    EXPECT_EQ(Halves(), std::make_pair(true, false));
}

}  // namespace
}  // namespace gfxtest
