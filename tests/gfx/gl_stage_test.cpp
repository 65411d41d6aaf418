// Texture stages: each operation and argument the game uses, the texture factor, chains of
// stages and where they end. Expected colours are worked out by hand from
// texture T = (a 128, r 192, g 64, b 32), diffuse D = (192, 64, 96, 128) and
// factor F = (32, 255, 128, 0).
#include "gl_fixture.h"

namespace gfxtest {
namespace {

constexpr uint32_t kT = 0x80C04020, kD = 0xC0406080, kF = 0x20FF8000;

class GLStageTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        texture = TextureFromColors(1, 1, {kT});
        ASSERT_NE(texture, nullptr);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, kF);
    }
    void TearDown() override {
        device->SetTexture(0, nullptr);
        device->SetTexture(1, nullptr);
        if (texture) texture->Release();
        GLDeviceTest::TearDown();
    }
    void Stage(uint32_t s, uint32_t op, uint32_t a1, uint32_t a2, uint32_t a0 = D3DTA_CURRENT) {
        device->SetTextureStageState(s, D3DTSS_COLOROP, op);
        device->SetTextureStageState(s, D3DTSS_COLORARG1, a1);
        device->SetTextureStageState(s, D3DTSS_COLORARG2, a2);
        device->SetTextureStageState(s, D3DTSS_COLORARG0, a0);
    }
    uint32_t DrawAndRead() {
        Clear(0xFF000000);
        FullScreenQuad(kD);
        return Pixel(16, 16);
    }
    Texture* texture = nullptr;
};

TEST_F(GLStageTest, ColourOperations) {
    struct Case {
        const char* name;
        uint32_t op, a1, a2, a0;
        uint32_t expected;
    } cases[] = {
        {"SELECTARG1", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFFC04020},
        {"SELECTARG2", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF406080},
        {"MODULATE", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF301810},
        {"MODULATE2X", D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF603020},
        {"MODULATE4X", D3DTOP_MODULATE4X, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFFC16040},
        {"ADD", D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFFFFA0A0},
        {"ADDSIGNED", D3DTOP_ADDSIGNED, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF802020},
        {"ADDSIGNED2X", D3DTOP_ADDSIGNED2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFFFF4141},
        {"SUBTRACT", D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF800000},
        {"BLENDDIFFUSEALPHA", D3DTOP_BLENDDIFFUSEALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFFA04838},
        {"BLENDTEXTUREALPHA", D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF805050},
        {"BLENDFACTORALPHA", D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFF505C74},
        {"BLENDCURRENTALPHA", D3DTOP_BLENDCURRENTALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, 0, 0xFFA04838},
        {"LERP", D3DTOP_LERP, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTA_TFACTOR, 0xFFC05080},
    };
    device->SetTexture(0, texture);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage(0, c.op, c.a1, c.a2, c.a0 ? c.a0 : D3DTA_CURRENT);
        EXPECT_TRUE(ColorNear(DrawAndRead(), c.expected, 2));
    }
}

TEST_F(GLStageTest, DotProductOfSignedColours) {
    Texture* normal = TextureFromColors(1, 1, {0xFFFF8080});
    device->SetTexture(0, normal);
    Stage(0, D3DTOP_DOTPRODUCT3, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Clear(0xFF000000);
    FullScreenQuad(0xFFFF8080);  // parallel: 4 x 0.25 = 1
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFFFFFF, 3));
    FullScreenQuad(0xFF80FF80);  // perpendicular: about 0
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF020202, 3));
    device->SetTexture(0, nullptr);
    normal->Release();
}

TEST_F(GLStageTest, ArgumentsAndModifiers) {
    struct Case {
        const char* name;
        uint32_t op, a1, a2;
        uint32_t expected;
    } cases[] = {
        {"TFACTOR", D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE, 0xFFFF8000},
        {"CURRENT is diffuse at stage 0", D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_TEXTURE, 0xFF406080},
        {"COMPLEMENT", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, 0xFF3FBFDF},
        {"ALPHAREPLICATE texture", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, 0, 0xFF808080},
        {"ALPHAREPLICATE diffuse", D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE, 0, 0xFFC0C0C0},
        {"complemented factor", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR | D3DTA_COMPLEMENT, 0xFF002020},
    };
    device->SetTexture(0, texture);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage(0, c.op, c.a1, c.a2);
        EXPECT_TRUE(ColorNear(DrawAndRead(), c.expected, 2));
    }
}

TEST_F(GLStageTest, DisabledFirstStageGivesTheDiffuseColour) {
    device->SetTexture(0, texture);
    Stage(0, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF406080, 1));
}

TEST_F(GLStageTest, StageWithoutTextureStillRuns) {
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFFFFFFFF, 1));  // samples white
    Stage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF406080, 1));
    // The game's "modulate by vertex colour" stage: current times diffuse, no texture.
    device->SetTexture(0, texture);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_DIFFUSE);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF301810, 2));
}

TEST_F(GLStageTest, SecondStageWorksOnTheFirstStagesResult) {
    device->SetTexture(0, texture);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TFACTOR);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFFC02000, 2));
    // Its own texture, blended by that texture's alpha over what came before.
    device->SetTexture(0, nullptr);
    device->SetTexture(1, texture);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT);
    Stage(1, D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_CURRENT);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF805050, 2));
    // The alpha made by stage 0 steers stage 1's BLENDCURRENTALPHA.
    device->SetTexture(0, texture);
    device->SetTexture(1, nullptr);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    Stage(1, D3DTOP_BLENDCURRENTALPHA, D3DTA_DIFFUSE, D3DTA_CURRENT);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFFB0442C, 2));
}

TEST_F(GLStageTest, ADisabledStageEndsTheChain) {
    device->SetTexture(0, texture);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    Stage(2, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_CURRENT);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFFC04020, 1));
    // Enabling stage 1 lets stage 2 run.
    Stage(1, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFFFF8000, 1));
}

// Alpha results are made visible by blending white with source alpha onto black.
TEST_F(GLStageTest, AlphaOperations) {
    struct Case {
        const char* name;
        uint32_t op, a1, a2;
        uint32_t alpha;
    } cases[] = {
        {"SELECTARG1 texture", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, 128},
        {"MODULATE", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 96},
        {"DISABLE passes the diffuse alpha", D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 192},
        {"SELECTARG2 factor", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_TFACTOR, 64},
        {"ADD", D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_TFACTOR, 192},
        {"COMPLEMENT", D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, 127},
        {"SUBTRACT", D3DTOP_SUBTRACT, D3DTA_DIFFUSE, D3DTA_TEXTURE, 64},
        {"BLENDTEXTUREALPHA", D3DTOP_BLENDTEXTUREALPHA, D3DTA_DIFFUSE, D3DTA_TFACTOR, 128},
    };
    device->SetTexture(0, texture);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40FFFFFF);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, c.op);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.a1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.a2);
        uint32_t a = c.alpha;
        EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF000000 | (a << 16) | (a << 8) | a, 2));
    }
}

TEST_F(GLStageTest, ValidateDeviceReportsOperationsThatAreNotOffered) {
    uint32_t passes = 0;
    Stage(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_EQ(device->ValidateDevice(&passes), D3D_OK);
    EXPECT_EQ(passes, 1u);
    Stage(0, D3DTOP_BUMPENVMAP, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLOROPERATION);
    Stage(0, D3DTOP_SELECTARG1, D3DTA_SPECULAR, D3DTA_DIFFUSE);
    EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLORARG);
}

}  // namespace
}  // namespace gfxtest
