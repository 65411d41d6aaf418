// Vertex blending done on the processor: weights between world matrices 0..3, checked against
// poses worked out by hand. The camera is the standard one: a point (x, y, 2) lands on pixel
// (16 + 8 x, 16 - 8 y).
#include "gl_fixture.h"

namespace gfxtest {
namespace {

struct Weight1Vertex {
    float x, y, z, w0;
    uint32_t color;
};
struct Weight2Vertex {
    float x, y, z, w0, w1;
    uint32_t color;
};

class GLSkinningTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        Camera();
        Clear(0xFF000000);
    }
    void World(uint32_t index, const Matrix& m) { ASSERT_EQ(device->SetTransform(D3DTS_WORLDMATRIX(index), &m), D3D_OK); }
    // Square of half size h around (cx, cy) at depth 2, every corner with weight w0.
    void Square1(float cx, float cy, float h, float w0) {
        Weight1Vertex v[4] = {{cx - h, cy + h, 2, w0, 0xFFFFFFFF}, {cx + h, cy + h, 2, w0, 0xFFFFFFFF},
                              {cx - h, cy - h, 2, w0, 0xFFFFFFFF}, {cx + h, cy - h, 2, w0, 0xFFFFFFFF}};
        device->SetVertexShader(D3DFVF_XYZB1 | D3DFVF_DIFFUSE);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(Weight1Vertex)), D3D_OK);
    }
    bool Lit(uint32_t x, uint32_t y) { return Pixel(x, y) == 0xFFFFFFFF; }
};

TEST_F(GLSkinningTest, OneWeightBlendsTwoMatrices) {
    World(0, Translation(1, 0, 0));
    World(1, Translation(-1, 0, 0));
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    // 0.75 x (+1) + 0.25 x (-1) = +0.5: x in [0.25, 0.75], pixels 18..21.
    Square1(0, 0, 0.25f, 0.75f);
    EXPECT_TRUE(Lit(20, 16));
    EXPECT_FALSE(Lit(16, 16));
    EXPECT_FALSE(Lit(23, 16));
}

// World 1 turns a quarter about z: (x, y) -> (-y, x). Half of each gives
// (0.5 (x - y), 0.5 (x + y)): the square (0.5..1.5, -0.5..0.5) becomes a diamond around
// (0.5, 0.5), pixel (20, 12), reaching 4 pixels out.
TEST_F(GLSkinningTest, HalfwayBetweenTwoBonesOfAHandMadePose) {
    Matrix turn{};
    turn.m[0][1] = 1, turn.m[1][0] = -1, turn.m[2][2] = 1, turn.m[3][3] = 1;
    World(0, IdentityMatrix());
    World(1, turn);
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    Square1(1.0f, 0.0f, 0.5f, 0.5f);
    EXPECT_TRUE(Lit(20, 12));
    EXPECT_TRUE(Lit(17, 12));
    EXPECT_TRUE(Lit(20, 15));
    EXPECT_FALSE(Lit(17, 10));  // would be lit by the turned pose alone
    EXPECT_FALSE(Lit(23, 15));  // would be lit by the unturned pose alone
    EXPECT_FALSE(Lit(16, 16));
}

TEST_F(GLSkinningTest, TwoWeightsBlendThreeMatrices) {
    World(0, Translation(1, 0, 0));
    World(1, Translation(0, 1, 0));
    World(2, Translation(-1, 0, 0));
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_2WEIGHTS);
    // 0.5 (1, 0) + 0.25 (0, 1) + 0.25 (-1, 0) = (0.25, 0.25): pixels 16..19, rows 12..15.
    Weight2Vertex v[4] = {{-0.25f, 0.25f, 2, 0.5f, 0.25f, 0xFFFFFFFF}, {0.25f, 0.25f, 2, 0.5f, 0.25f, 0xFFFFFFFF},
                          {-0.25f, -0.25f, 2, 0.5f, 0.25f, 0xFFFFFFFF}, {0.25f, -0.25f, 2, 0.5f, 0.25f, 0xFFFFFFFF}};
    device->SetVertexShader(D3DFVF_XYZB2 | D3DFVF_DIFFUSE);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(Weight2Vertex)), D3D_OK);
    EXPECT_TRUE(Lit(18, 14));
    EXPECT_FALSE(Lit(14, 14));
    EXPECT_FALSE(Lit(18, 18));
}

TEST_F(GLSkinningTest, WeightsAreIgnoredWhileBlendingIsOff) {
    World(0, Translation(1, 0, 0));
    World(1, Translation(-1, 0, 0));
    Square1(0, 0, 0.25f, 0.0f);  // world 0 only: x in [0.75, 1.25], pixels 22..25
    EXPECT_TRUE(Lit(24, 16));
    EXPECT_FALSE(Lit(20, 16));
    EXPECT_FALSE(Lit(12, 16));
}

TEST_F(GLSkinningTest, BlendingFromBuffersWithABaseVertex) {
    World(0, Translation(1, 0, 0));
    World(1, Translation(-1, 0, 0));
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    VertexBuffer* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(8 * sizeof(Weight1Vertex), D3DUSAGE_WRITEONLY, D3DFVF_XYZB1 | D3DFVF_DIFFUSE,
                                         D3DPOOL_MANAGED, &vb),
              D3D_OK);
    uint8_t* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    Weight1Vertex v[8] = {{9, 9, 9, 0, 0xFFFF0000},          {9, 9, 9, 0, 0xFFFF0000},
                          {9, 9, 9, 0, 0xFFFF0000},          {9, 9, 9, 0, 0xFFFF0000},
                          {-0.25f, 0.25f, 2, 0.75f, 0xFFFFFFFF}, {0.25f, 0.25f, 2, 0.75f, 0xFFFFFFFF},
                          {-0.25f, -0.25f, 2, 0.75f, 0xFFFFFFFF}, {0.25f, -0.25f, 2, 0.75f, 0xFFFFFFFF}};
    std::memcpy(p, v, sizeof v);
    vb->Unlock();
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
    const uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(p, idx, sizeof idx);
    ib->Unlock();
    device->SetStreamSource(0, vb, sizeof(Weight1Vertex));
    device->SetIndices(ib, 4);
    device->SetVertexShader(D3DFVF_XYZB1 | D3DFVF_DIFFUSE);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(Lit(20, 16));
    EXPECT_FALSE(Lit(16, 16));
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}

// The model loader's declaration of a two-weight vertex with one texture set.
TEST_F(GLSkinningTest, DeclaredVertexLayoutBlendsToo) {
    const uint32_t decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(D3DVSDE_POSITION, D3DVSDT_FLOAT3),
                             D3DVSD_REG(D3DVSDE_BLENDWEIGHT, D3DVSDT_FLOAT2),
                             D3DVSD_REG(D3DVSDE_TEXCOORD0, D3DVSDT_FLOAT2), D3DVSD_END()};
    uint32_t handle = 0;
    ASSERT_EQ(device->CreateVertexShader(decl, nullptr, &handle, 0), D3D_OK);
    EXPECT_EQ(handle & 1u, 1u);
    struct V {
        float x, y, z, w0, w1, u, v;
    };
    V v[4] = {{-0.25f, 0.25f, 2, 0.5f, 0.25f, 0, 0}, {0.25f, 0.25f, 2, 0.5f, 0.25f, 0, 0},
              {-0.25f, -0.25f, 2, 0.5f, 0.25f, 0, 0}, {0.25f, -0.25f, 2, 0.5f, 0.25f, 0, 0}};
    World(0, Translation(1, 0, 0));
    World(1, Translation(0, 1, 0));
    World(2, Translation(-1, 0, 0));
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_2WEIGHTS);
    ASSERT_EQ(device->SetVertexShader(handle), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    EXPECT_TRUE(Lit(18, 14));  // no colour in the layout: white
    EXPECT_FALSE(Lit(14, 14));
    EXPECT_EQ(device->DeleteVertexShader(handle), D3D_OK);
    EXPECT_EQ(device->SetVertexShader(handle), D3DERR_INVALIDCALL);
}

// Normals blend with the matrices: world 1 turns the square half round (and moves it back
// into view), so its normal faces away from the light.
TEST_F(GLSkinningTest, BlendedNormalsAreLit) {
    struct V {
        float x, y, z, w0, nx, ny, nz;
    };
    Matrix halfTurn{};
    halfTurn.m[0][0] = -1, halfTurn.m[1][1] = 1, halfTurn.m[2][2] = -1, halfTurn.m[3][3] = 1;
    halfTurn.m[3][2] = 4.0f;
    World(0, IdentityMatrix());
    World(1, halfTurn);
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
    device->SetRenderState(D3DRS_LIGHTING, 1);
    Material m{};
    m.Diffuse = {1, 1, 1, 1};
    device->SetMaterial(&m);
    Light l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {0.8f, 0.4f, 0.2f, 1};
    l.Direction = {0, 0, 1};
    device->SetLight(0, &l);
    device->LightEnable(0, true);
    device->SetVertexShader(D3DFVF_XYZB1 | D3DFVF_NORMAL);
    for (float w0 : {1.0f, 0.0f}) {
        V v[4] = {{-1, 1, 2, w0, 0, 0, -1}, {1, 1, 2, w0, 0, 0, -1}, {-1, -1, 2, w0, 0, 0, -1}, {1, -1, 2, w0, 0, 0, -1}};
        Clear(0xFF000000);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
        EXPECT_TRUE(ColorNear(Pixel(16, 16), w0 == 1.0f ? 0xFFCC6633 : 0xFF000000, 2)) << w0;
    }
}

}  // namespace
}  // namespace gfxtest
