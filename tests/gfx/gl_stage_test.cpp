// Texture stages: each operation and argument the game uses, chains of stages and where they
// end, alpha operations. Expected colours are worked out by hand from texture
// T = (a 128, r 192, g 64, b 32), diffuse D = (192, 64, 96, 128) and factor F = (32, 255, 128, 0).
#include "gl_fixture.h"

namespace gfxtest {
namespace {

constexpr uint32_t kT = 0x80C04020, kD = 0xC0406080, kF = 0x20FF8000;

struct StageOp {
    uint32_t op, a1, a2, a0 = D3DTA_CURRENT;
};

class GLStageTest : public GLDeviceTest {
protected:
    void SetUp() override {
        GLDeviceTest::SetUp();
        PlainStates();
        device->SetRenderState(D3DRS_TEXTUREFACTOR, kF);
    }
    void TearDown() override {
        device->SetTexture(0, nullptr);
        device->SetTexture(1, nullptr);
        GLDeviceTest::TearDown();
    }
    void Stage(uint32_t s, const StageOp& o) {
        device->SetTextureStageState(s, D3DTSS_COLOROP, o.op);
        device->SetTextureStageState(s, D3DTSS_COLORARG1, o.a1);
        device->SetTextureStageState(s, D3DTSS_COLORARG2, o.a2);
        device->SetTextureStageState(s, D3DTSS_COLORARG0, o.a0);
    }
    // A 1x1 texture of one colour on a stage (null for none).
    void Bind(uint32_t stage, uint32_t color, bool on = true) {
        Texture* t = on ? TextureFromColors(1, 1, {color}) : nullptr;
        device->SetTexture(stage, t);
        if (t) t->Release();  // the stage holds it
    }
    uint32_t DrawAndRead(uint32_t diffuse = kD) {
        Clear(0xFF000000);
        FullScreenQuad(diffuse);
        return Pixel(16, 16);
    }
};

TEST_F(GLStageTest, ColourOperationsAndArguments) {
    struct Case {
        const char* name;
        StageOp stage;
        uint32_t expected;
        uint32_t texture = kT, diffuse = kD;
    } cases[] = {
        {"SELECTARG1", {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE}, 0xFFC04020},
        {"SELECTARG2", {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE}, 0xFF406080},
        {"MODULATE", {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE}, 0xFF301810},
        {"ADD", {D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE}, 0xFFFFA0A0},
        {"BLENDTEXTUREALPHA", {D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE}, 0xFF805050},
        {"DISABLE gives the diffuse colour", {D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE}, 0xFF406080},
        {"TFACTOR", {D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE}, 0xFFFF8000},
        {"CURRENT is diffuse at stage 0", {D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_TEXTURE}, 0xFF406080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bind(0, c.texture);
        Stage(0, c.stage);
        EXPECT_TRUE(ColorNear(DrawAndRead(c.diffuse), c.expected, 3));
    }
}

TEST_F(GLStageTest, ChainsRunUntilTheFirstDisabledStage) {
    struct Case {
        const char* name;
        bool texture0, texture1;
        std::vector<StageOp> stages;
        uint32_t expected;
        uint32_t alphaArg0 = D3DTA_DIFFUSE;
    } cases[] = {
        {"a stage without a texture samples white", false, false, {{D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0}}, 0xFFFFFFFF},
        {"stage 1 works on stage 0's result", true, false,
         {{D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0}, {D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TFACTOR}}, 0xFFC02000},
        {"stage 1's own texture blended by its alpha", false, true,
         {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0}, {D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_CURRENT}},
         0xFF805050},
        {"a disabled stage 1 ends the chain", true, false,
         {{D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0}, {D3DTOP_DISABLE, 0, 0}, {D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0}},
         0xFFC04020},
    };
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bind(0, kT, c.texture0);
        Bind(1, kT, c.texture1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.alphaArg0);
        for (uint32_t s = 0; s < 3; ++s) Stage(s, s < c.stages.size() ? c.stages[s] : StageOp{D3DTOP_DISABLE, 0, 0});
        EXPECT_TRUE(ColorNear(DrawAndRead(), c.expected, 2));
    }
}

// Alpha results are made visible by blending white with source alpha onto black.
// A last stage without a texture that hands the colour on (white times it) may be left out of
// the chain; it must come back as soon as the stage gets a texture, and go again without one.
TEST_F(GLStageTest, AStageThatGetsATextureLaterRunsWithIt) {
    auto alpha = [&](uint32_t s, uint32_t op, uint32_t a1, uint32_t a2) {
        device->SetTextureStageState(s, D3DTSS_ALPHAOP, op);
        device->SetTextureStageState(s, D3DTSS_ALPHAARG1, a1);
        device->SetTextureStageState(s, D3DTSS_ALPHAARG2, a2);
    };
    Stage(0, {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE});
    alpha(0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF406080, 1)) << "white times the diffuse";
    Bind(0, kT);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF301810, 1)) << "the texture set afterwards";
    Bind(0, 0, false);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF406080, 1)) << "and taken away again";
    // The same one stage down the chain, after a stage that selects the texture.
    Stage(0, {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE});
    alpha(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    Stage(1, {D3DTOP_MODULATE, D3DTA_CURRENT, D3DTA_TEXTURE});
    alpha(1, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_TEXTURE);
    Bind(0, kT);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFFC04020, 1)) << "the first stage's texture";
    Bind(1, kF);
    EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFFC02000, 1)) << "modulated by the second stage's";
}

TEST_F(GLStageTest, AlphaOperations) {
    struct Case {
        const char* name;
        uint32_t op, a1, a2;
        uint32_t alpha;
    } cases[] = {
        {"SELECTARG1 texture", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, 128},
        {"MODULATE", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 96},
        {"DISABLE passes the diffuse alpha", D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, 192},
    };
    Bind(0, kT);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40FFFFFF);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    Stage(0, {D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_DIFFUSE});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, c.op);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.a1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.a2);
        const uint32_t a = c.alpha;
        EXPECT_TRUE(ColorNear(DrawAndRead(), 0xFF000000 | (a << 16) | (a << 8) | a, 2));
    }
}

TEST_F(GLStageTest, ALastStageAddsTheVertexSpecular) {
    // Pre-transformed vertices with diffuse and specular: texture x diffuse, then + specular.
    struct V {
        float x, y, z, rhw;
        uint32_t diffuse, specular;
        float u, v;
    };
    const float s = float(width());
    const V quad[4] = {{0, 0, 0.5f, 1, kD, 0xFF102030, 0, 0},
                       {s, 0, 0.5f, 1, kD, 0xFF102030, 1, 0},
                       {0, s, 0.5f, 1, kD, 0xFF102030, 0, 1},
                       {s, s, 0.5f, 1, kD, 0xFF102030, 1, 1}};
    Bind(0, kT);
    Stage(0, {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE});
    Stage(1, {D3DTOP_ADD, D3DTA_SPECULAR, D3DTA_CURRENT});
    Stage(2, {D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE});
    Clear(0xFF000000);
    DrawUP(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1, D3DPT_TRIANGLESTRIP, 2, quad);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF403840, 2));
}

// A draw that writes no colour (blending that keeps the target, or no colour channel enabled)
// still counts stencil where its alpha test lets the texture through, and the stages that it
// needed no texture for come back for the next draw that writes colour.
TEST_F(GLStageTest, DrawsThatWriteNoColourKeepTheirAlphaTestAndGiveTheStagesBack) {
    // Left texel opaque, right texel clear, sampled without filtering.
    Texture* t = TextureFromColors(2, 1, {0xFF0000FF, 0x0000FF00});
    device->SetTexture(0, t);
    t->Release();
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    Stage(0, {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE});
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    Clear(0xFF000000);
    device->SetRenderState(D3DRS_STENCILENABLE, 1);
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
    const auto countPass = [&](bool alphaTest, bool byBlend) {
        device->SetRenderState(D3DRS_ALPHATESTENABLE, alphaTest);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        device->SetRenderState(D3DRS_ALPHAREF, 0x80);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, byBlend);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_COLORWRITEENABLE, byBlend ? 0xF : 0);
        FullScreenQuad(0xFFFFFFFF);
    };
    countPass(false, true);  // left 1, right 1
    countPass(true, true);   // left 2, right 1
    countPass(true, false);  // left 3, right 1
    device->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    EXPECT_EQ(Pixel(8, 16), 0xFF000000u) << "no colour written";
    EXPECT_EQ(Pixel(24, 16), 0xFF000000u) << "no colour written";
    device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    for (uint32_t count : {3u, 1u}) {
        SCOPED_TRACE(count);
        device->SetRenderState(D3DRS_STENCILREF, count);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        FullScreenQuad(0xFFFFFFFF);
        // The texture shows again where the count matches.
        EXPECT_EQ(Pixel(8, 16), count == 3 ? 0xFF0000FFu : 0xFF000000u);
        EXPECT_EQ(Pixel(24, 16), count == 1 ? 0xFF00FF00u : 0xFF000000u);
    }
    device->SetRenderState(D3DRS_STENCILENABLE, 0);
}

TEST_F(GLStageTest, ValidateDeviceReportsOperationsThatAreNotOffered) {
    uint32_t passes = 0;
    Stage(0, {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE});
    EXPECT_EQ(device->ValidateDevice(&passes), D3D_OK);
    EXPECT_EQ(passes, 1u);
    Stage(0, {D3DTOP_BUMPENVMAP, D3DTA_TEXTURE, D3DTA_DIFFUSE});
    EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLOROPERATION);
    Stage(0, {D3DTOP_SELECTARG1, D3DTA_SPECULAR, D3DTA_DIFFUSE});
    EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLORARG);
    // Operation 0 names no operation at all (and must not shift by -1).
    Stage(0, {0, D3DTA_TEXTURE, D3DTA_DIFFUSE});
    EXPECT_EQ(device->ValidateDevice(&passes), D3DERR_UNSUPPORTEDCOLOROPERATION);
}

}  // namespace
}  // namespace gfxtest
