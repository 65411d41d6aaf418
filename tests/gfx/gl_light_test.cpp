// Lights and material: directional and point lights, ambient, emissive and specular terms,
// colour sources, normals through the world matrix. A square at depth 2 faces the camera;
// its corners are (+-1, +-1, 2) with normal (0, 0, -1), and pixel (16, 16) is its centre.
#include "gl_fixture.h"

namespace gfxtest {
namespace {

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
};
struct LitColorVertex {
    float x, y, z;
    float nx, ny, nz;
    uint32_t diffuse;
};

class GLLightTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        Camera();
        device->SetRenderState(D3DRS_LIGHTING, 1);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        Material m{};
        m.Diffuse = {1, 1, 1, 1};
        ASSERT_EQ(device->SetMaterial(&m), D3D_OK);
    }
    uint32_t DrawSquare(float z = 2.0f, float nz = -1.0f) {
        LitVertex v[4] = {{-1, 1, z, 0, 0, nz}, {1, 1, z, 0, 0, nz}, {-1, -1, z, 0, 0, nz}, {1, -1, z, 0, 0, nz}};
        Clear(0xFF000000);
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(LitVertex)), D3D_OK);
        return Pixel(16, 16);
    }
    void Directional(float x, float y, float z, ColorValue diffuse) {
        Light l{};
        l.Type = D3DLIGHT_DIRECTIONAL;
        l.Diffuse = diffuse;
        l.Direction = {x, y, z};
        ASSERT_EQ(device->SetLight(0, &l), D3D_OK);
        ASSERT_EQ(device->LightEnable(0, true), D3D_OK);
    }
};

TEST_F(GLLightTest, DirectionalLightFollowsTheAngle) {
    Directional(0, 0, 1, {0.8f, 0.4f, 0.2f, 1});
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFFCC6633, 2));
    Directional(0, -0.8660254f, 0.5f, {0.8f, 0.4f, 0.2f, 1});  // 60 degrees: half
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF66331A, 2));
    Directional(0, 0, -1, {0.8f, 0.4f, 0.2f, 1});  // from behind
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF000000, 0));
    device->LightEnable(0, false);
    Directional(0, 0, 1, {0.8f, 0.4f, 0.2f, 1});
    device->LightEnable(0, false);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF000000, 0));
}

TEST_F(GLLightTest, AmbientAndEmissiveAdd) {
    Directional(0, 0, 1, {0.8f, 0.4f, 0.2f, 1});
    Material m{};
    m.Diffuse = {1, 1, 1, 1};
    m.Ambient = {1, 0.5f, 0, 1};
    device->SetMaterial(&m);
    device->SetRenderState(D3DRS_AMBIENT, 0x00404040);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFFFF8633, 2));  // red saturates
    device->LightEnable(0, false);
    device->SetRenderState(D3DRS_AMBIENT, 0);
    m.Emissive = {0, 0, 0.5f, 0};
    device->SetMaterial(&m);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF000080, 1));
}

TEST_F(GLLightTest, DiffuseMaterialCanComeFromTheVertex) {
    Directional(0, 0, 1, {0.8f, 0.4f, 0.2f, 1});
    LitColorVertex v[4] = {{-1, 1, 2, 0, 0, -1, 0xFF808080}, {1, 1, 2, 0, 0, -1, 0xFF808080},
                           {-1, -1, 2, 0, 0, -1, 0xFF808080}, {1, -1, 2, 0, 0, -1, 0xFF808080}};
    device->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE);
    Clear(0xFF000000);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(LitColorVertex)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF66331A, 2));
    device->SetRenderState(D3DRS_COLORVERTEX, 0);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(LitColorVertex)), D3D_OK);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFCC6633, 2));
}

// Each corner is sqrt(6) from the light at the eye; N.L = 2 / sqrt(6);
// attenuation 1 / (1 + 0.5 sqrt(6)).
TEST_F(GLLightTest, PointLightAttenuatesAndStopsAtItsRange) {
    Light l{};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {1, 1, 1, 1};
    l.Position = {0, 0, 0};
    l.Range = 100.0f;
    l.Attenuation0 = 1.0f;
    l.Attenuation1 = 0.5f;
    device->SetLight(0, &l);
    device->LightEnable(0, true);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF5E5E5E, 2));
    l.Range = 2.0f;
    device->SetLight(0, &l);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF000000, 0));
    // The light's position is in world space: moved behind the square, it lights nothing.
    l.Range = 100.0f;
    l.Position = {0, 0, 4};
    device->SetLight(0, &l);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF000000, 0));
}

// A spot at the eye looking along +z: each corner is 35.3 degrees off the axis
// (cos 0.8165), between the inner cone's 30 and the outer cone's 45 degrees.
TEST_F(GLLightTest, SpotLightFadesBetweenItsCones) {
    Light l{};
    l.Type = D3DLIGHT_SPOT;
    l.Diffuse = {1, 1, 1, 1};
    l.Direction = {0, 0, 1};
    l.Range = 100.0f;
    l.Attenuation0 = 1.0f;
    l.Falloff = 1.0f;
    l.Theta = 3.14159265f / 3.0f;
    l.Phi = 3.14159265f / 2.0f;
    device->SetLight(0, &l);
    device->LightEnable(0, true);
    // Spot factor (0.8165 - cos 45) / (cos 30 - cos 45) = 0.6885, times N.L 0.8165.
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF8F8F8F, 2));
    l.Theta = 3.14159265f / 2.0f;  // inside the inner cone: full
    l.Phi = 2.0f;
    device->SetLight(0, &l);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFFD0D0D0, 2));
    l.Theta = 0.5f;  // outside the outer cone: dark
    l.Phi = 1.0f;
    device->SetLight(0, &l);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF000000, 0));
}

// Half vector at each corner: (-0.214, -0.214, -0.953); 0.953^10 = 0.618.
TEST_F(GLLightTest, SpecularHighlightWhenEnabled) {
    Light l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Specular = {1, 1, 1, 1};
    l.Direction = {0, 0, 1};
    device->SetLight(0, &l);
    device->LightEnable(0, true);
    Material m{};
    m.Specular = {1, 1, 1, 1};
    m.Power = 10.0f;
    device->SetMaterial(&m);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF000000, 0));
    device->SetRenderState(D3DRS_SPECULARENABLE, 1);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFF9E9E9E, 3));
}

TEST_F(GLLightTest, NormalsTurnWithTheWorldMatrix) {
    Directional(0, 0, 1, {0.8f, 0.4f, 0.2f, 1});
    // Facing away from the camera: dark.
    EXPECT_TRUE(ColorNear(DrawSquare(2.0f, 1.0f), 0xFF000000, 0));
    // Half a turn about y, then 2 forward: the same square now faces the light.
    Matrix w{};
    w.m[0][0] = -1, w.m[1][1] = 1, w.m[2][2] = -1, w.m[3][3] = 1;
    w.m[3][2] = 2.0f;
    device->SetTransform(D3DTS_WORLD, &w);
    EXPECT_TRUE(ColorNear(DrawSquare(0.0f, 1.0f), 0xFFCC6633, 2));
}

TEST_F(GLLightTest, LightEnabledWithoutARecordIsWhiteFromTheFront) {
    device->LightEnable(3, true);
    Light l{};
    device->GetLight(3, &l);
    EXPECT_EQ(l.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(l.Direction.z, 1.0f);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFFFFFFFF, 1));
    EXPECT_EQ(device->LightEnable(8, true), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetLight(0, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(GLLightTest, UnlitVerticesWithoutColourAreWhite) {
    device->SetRenderState(D3DRS_LIGHTING, 0);
    EXPECT_TRUE(ColorNear(DrawSquare(), 0xFFFFFFFF, 0));
}

}  // namespace
}  // namespace gfxtest
