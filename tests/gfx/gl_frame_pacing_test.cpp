// How far the OpenGL device lets the program run ahead of the rasteriser: a present returns once
// the frame before it is drawn, and a hand-over of a long frame once the part before it is.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include "gl_fixture.h"

namespace gfxtest {
namespace {

class GLFramePacingTest : public GLDeviceTest {
protected:
    // Large enough that blended quads over the whole of it keep the rasteriser busy for a while
    // after the program has handed them over.
    void SetUp() override { ASSERT_TRUE(CreateDevice(512, 512, D3DFMT_X8R8G8B8, true, D3DFMT_D24S8)); }

    void HeavyQuads(int n) {
        PlainStates();
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        for (int i = 0; i < n; ++i) FullScreenQuad(0x08FFFFFFu);
    }
    void TinyQuads(int n) {
        for (int i = 0; i < n; ++i) DrawRect(0, 0, 1, 1, 0xFFFFFFFF);
    }
    // Whether the work before the mark is drawn, without waiting for it.
    static bool Passed(GLsync mark) {
        const GLenum r = glClientWaitSync(mark, 0, 0);
        return r == GL_ALREADY_SIGNALED || r == GL_CONDITION_SATISFIED;
    }
};

TEST_F(GLFramePacingTest, APresentReturnsOnceTheFrameBeforeItIsDrawn) {
    Clear(0xFF000000);
    HeavyQuads(int(kGLDrawsPerHandOver) - 1);
    GLsync heavy = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    ASSERT_NE(heavy, nullptr);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    if (Passed(heavy)) {
        glDeleteSync(heavy);
        GTEST_SKIP() << "this window system draws a frame whole at its swap";
    }
    // An empty frame after it: its present waits for the heavy one.
    Clear(0xFF000000);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(Passed(heavy));
    glDeleteSync(heavy);
}

TEST_F(GLFramePacingTest, AHandOverReturnsOnceThePartBeforeItIsDrawn) {
    Clear(0xFF000000);
    // The first part: heavy draws, then one more that hands it over.
    HeavyQuads(int(kGLDrawsPerHandOver) - 1);
    GLsync heavy = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    ASSERT_NE(heavy, nullptr);
    TinyQuads(1);
    const bool passedAtOnce = Passed(heavy);
    // The second part's draws are quick; the draw that hands it over waits for the first.
    TinyQuads(int(kGLDrawsPerHandOver) - 1);
    const bool passedBeforeSecond = Passed(heavy);
    TinyQuads(1);
    EXPECT_TRUE(Passed(heavy));
    glDeleteSync(heavy);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_FALSE(passedAtOnce);
    EXPECT_FALSE(passedBeforeSecond) << "the first part was drawn before its wait: the check says nothing";
}

}  // namespace
}  // namespace gfxtest
