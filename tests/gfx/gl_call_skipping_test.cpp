// The OpenGL device sends a state only when it differs from what it sent last: the cases where
// what was sent is no longer what OpenGL holds (a draw that read an array, a name deleted and
// given out again) must still draw right.
#include <cstring>

#include "gl_fixture.h"

namespace gfxtest {
namespace {

struct PlainVertex {
    float x, y, z;
};
constexpr uint32_t kPlainFvf = D3DFVF_XYZ;

class GLCallSkippingTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        Camera();
    }
    // A square over the middle of the view from a buffer of its own, drawn and released.
    template <typename V>
    void DrawSquareFromBuffer(const V (&quad)[4], uint32_t fvf) {
        VertexBuffer* vb = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb), D3D_OK);
        uint8_t* p = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, quad, sizeof quad);
        vb->Unlock();
        device->SetStreamSource(0, vb, sizeof(V));
        device->SetVertexShader(fvf);
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
        device->SetStreamSource(0, nullptr, 0);
        vb->Release();
    }
};

// Without a colour in the vertices the diffuse colour is white again, after a draw that read
// red from its vertices.
TEST_F(GLCallSkippingTest, VerticesWithoutColourAreWhiteAfterColouredOnes) {
    const PlainVertex plain[4] = {{-1, 1, 2}, {1, 1, 2}, {-1, -1, 2}, {1, -1, 2}};
    Clear(0xFF000000);
    DrawUP(kPlainFvf, D3DPT_TRIANGLESTRIP, 2, plain);
    EXPECT_TRUE(Shows(16, 16, 0xFFFFFFFF));
    ColorSquare(0, 0, 2, 1, 0xFFFF0000);
    EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
    DrawUP(kPlainFvf, D3DPT_TRIANGLESTRIP, 2, plain);
    EXPECT_TRUE(Shows(16, 16, 0xFFFFFFFF));
}

// A buffer made after another was released may get the same OpenGL name: its own vertices are
// drawn, with their own layout.
TEST_F(GLCallSkippingTest, ABufferInTheNameOfAReleasedOneDrawsItsOwnVertices) {
    Clear(0xFF000000);
    const ColorVertex red[4] = {{-1, 1, 2, 0xFFFF0000, 0, 0}, {1, 1, 2, 0xFFFF0000, 0, 0},
                                {-1, -1, 2, 0xFFFF0000, 0, 0}, {1, -1, 2, 0xFFFF0000, 0, 0}};
    DrawSquareFromBuffer(red, kColorFvf);
    EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
    // The same place in the buffer, other vertices: only the left half of the view.
    const ColorVertex green[4] = {{-2, 2, 2, 0xFF00FF00, 0, 0}, {0, 2, 2, 0xFF00FF00, 0, 0},
                                  {-2, -2, 2, 0xFF00FF00, 0, 0}, {0, -2, 2, 0xFF00FF00, 0, 0}};
    Clear(0xFF000000);
    DrawSquareFromBuffer(green, kColorFvf);
    EXPECT_TRUE(Shows(4, 16, 0xFF00FF00));
    EXPECT_TRUE(Shows(20, 16, 0xFF000000));
    // Then a plain layout from a buffer again: position only, white.
    const PlainVertex plain[4] = {{-1, 1, 2}, {1, 1, 2}, {-1, -1, 2}, {1, -1, 2}};
    DrawSquareFromBuffer(plain, kPlainFvf);
    EXPECT_TRUE(Shows(20, 16, 0xFFFFFFFF));
}

// A texture made after another was released samples its own texels on the same stage.
TEST_F(GLCallSkippingTest, ATextureInTheNameOfAReleasedOneShowsItsOwnTexels) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    for (uint32_t colour : {0xFFFF0000u, 0xFF0000FFu, 0xFF00FF00u}) {
        Texture* t = TextureFromColors(2, 2, std::vector<uint32_t>(4, colour));
        ASSERT_NE(t, nullptr);
        device->SetTexture(0, t);
        Clear(0xFF000000);
        FullScreenQuad(0xFFFFFFFF);
        EXPECT_TRUE(Shows(16, 16, colour));
        device->SetTexture(0, nullptr);
        t->Release();
    }
}

// A stage whose vertices carry no coordinates samples at (0, 0), also after a draw that read
// coordinates for it.
TEST_F(GLCallSkippingTest, AStageWithoutCoordinatesSamplesTheFirstTexel) {
    Texture* t = TextureFromColors(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    ASSERT_NE(t, nullptr);
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    const PlainVertex plain[4] = {{-1, 1, 2}, {1, 1, 2}, {-1, -1, 2}, {1, -1, 2}};
    Clear(0xFF000000);
    DrawUP(kPlainFvf, D3DPT_TRIANGLESTRIP, 2, plain);
    EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
    // Coordinates of the bottom-right texel everywhere, then none again.
    const ColorVertex corner[4] = {{-1, 1, 2, 0xFFFFFFFF, 0.75f, 0.75f}, {1, 1, 2, 0xFFFFFFFF, 0.75f, 0.75f},
                                   {-1, -1, 2, 0xFFFFFFFF, 0.75f, 0.75f}, {1, -1, 2, 0xFFFFFFFF, 0.75f, 0.75f}};
    DrawUP(kColorFvf, D3DPT_TRIANGLESTRIP, 2, corner);
    EXPECT_TRUE(Shows(16, 16, 0xFFFFFFFF));
    DrawUP(kPlainFvf, D3DPT_TRIANGLESTRIP, 2, plain);
    EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
    device->SetTexture(0, nullptr);
    t->Release();
}

// A clear writes every channel and the depth whatever the states say; the draws after it still
// write only what the same states allow.
TEST_F(GLCallSkippingTest, WriteMasksHoldAgainAfterAClear) {
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 1);  // red only
    device->SetRenderState(D3DRS_ZENABLE, 1);
    device->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Clear(0xFF000000);
        DrawRect(0, 0, 32, 32, 0xFFFFFFFF, 0.2f);
        EXPECT_TRUE(Shows(16, 16, 0xFFFF0000));
        // Nothing was written to the depth: a farther rectangle still passes.
        DrawRect(0, 0, 32, 32, 0xFF0000FF, 0.6f);
        EXPECT_TRUE(Shows(16, 16, 0xFF000000));
    }
}

}  // namespace
}  // namespace gfxtest
