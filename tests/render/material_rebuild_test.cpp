// Layers of a material description turned into passes of texture stages.
#include "material_fixture.h"
#include "scene/scene.h"

namespace rendertest {
namespace {

using gfx::D3DTA_TEXTURE;
using gfx::D3DTA_DIFFUSE;
using gfx::D3DTA_CURRENT;
using gfx::D3DTOP_MODULATE;
using gfx::D3DTOP_SELECTARG1;
using gfx::D3DTOP_BLENDTEXTUREALPHA;
using gfx::D3DTOP_ADD;

constexpr uint32_t TEX = D3DTA_TEXTURE, DIF = D3DTA_DIFFUSE, CUR = D3DTA_CURRENT;

struct RebuildCase {
    const char* what;
    std::vector<MaterialLayer> layers;
    uint32_t options;
    uint32_t maxTextures;
    bool specular;
    std::vector<PassSpec> expected;
};

// Textures 10, 11, 12... stand for the layers; the sky texture is 90.
const RebuildCase kCases[] = {
    {"base and vertex colour: one modulated stage", {{1, 10}, {64, -1}}, 0, 2, false,
     {{{{TEX, DIF, D3DTOP_MODULATE, 10, 0, 0}}, 0}}},
    {"base alone, first pass blended by option", {{1, 10}}, 1, 2, false, {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}}, 1}}},
    {"base, second and vertex colour on two textures",
     {{1, 10}, {2, 11}, {64, -1}},
     0,
     2,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0},
        {TEX, CUR, D3DTOP_BLENDTEXTUREALPHA, 11, 1, 0},
        {CUR, DIF, D3DTOP_MODULATE, -1, -1, 0}},
       0}}},
    {"second texture beyond the limit opens a blended pass",
     {{1, 10}, {2, 11}},
     0,
     1,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}}, 0}, {{{TEX, DIF, D3DTOP_SELECTARG1, 11, 1, 0}}, 1}}},
    {"light map on one texture: second pass with preset 10",
     {{1, 10}, {32, 11}},
     0,
     1,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}}, 0}, {{{TEX, DIF, D3DTOP_SELECTARG1, 11, 1, 0}}, 10}}},
    {"light map on two textures: modulated in the same pass",
     {{1, 10}, {32, 11}},
     0,
     2,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}, {TEX, CUR, D3DTOP_MODULATE, 11, 1, 0}}, 0}}},
    {"vertex colour after a light map alone in its pass modulates it",
     {{1, 10}, {32, 11}, {64, -1}},
     0,
     1,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}}, 0}, {{{TEX, DIF, D3DTOP_MODULATE, 11, 1, 0}}, 10}}},
    {"specular off: the layer is consumed, the light map keeps its texture",
     {{1, 10}, {16, 11}, {32, 12}},
     0,
     2,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}, {TEX, CUR, D3DTOP_MODULATE, 12, 1, 0}}, 0}}},
    {"specular on: added in the pass",
     {{1, 10}, {16, 11}},
     0,
     2,
     true,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}, {TEX, CUR, D3DTOP_ADD, 11, -1, 3}}, 0}}},
    {"specular on beyond the limit: own pass with preset 2",
     {{1, 10}, {16, 11}},
     0,
     1,
     true,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}}, 0}, {{{TEX, DIF, D3DTOP_SELECTARG1, 11, -1, 3}}, 2}}},
    {"haze in the first pass",
     {{1, 10}, {128, 90}},
     0,
     2,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}, {TEX, CUR, D3DTOP_BLENDTEXTUREALPHA, 90, -1, 1}}, 0}}},
    {"haze with the first pass full: own pass of the sky texture",
     {{1, 10}, {2, 11}, {128, 90}},
     0,
     2,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}, {TEX, CUR, D3DTOP_BLENDTEXTUREALPHA, 11, 1, 0}}, 0},
      {{{TEX, DIF, D3DTOP_SELECTARG1, 90, -1, 1}}, 1}}},
    {"haze after a light-map pass of preset 10 opens a pass",
     {{1, 10}, {32, 11}, {128, 90}},
     0,
     2,
     false,
     {{{{TEX, DIF, D3DTOP_SELECTARG1, 10, 0, 0}, {TEX, CUR, D3DTOP_MODULATE, 11, 1, 0}}, 0},
      {{{TEX, DIF, D3DTOP_SELECTARG1, 90, -1, 1}}, 1}}},
    {"vertex colour alone: one pass modulating the current colour",
     {{64, -1}},
     0,
     2,
     false,
     {{{{CUR, DIF, D3DTOP_MODULATE, -1, -1, 0}}, 0}}},
    {"vertex colour and haze: the haze blends over the modulated colour",
     {{64, -1}, {128, 90}},
     0,
     2,
     false,
     {{{{CUR, DIF, D3DTOP_MODULATE, -1, -1, 0}, {TEX, CUR, D3DTOP_BLENDTEXTUREALPHA, 90, -1, 1}}, 0}}},
    {"no layers: no pass", {}, 0, 2, false, {}},
};

class MaterialRebuildTest : public MaterialTest {};

TEST_F(MaterialRebuildTest, PassesAndStagesFollowTheLayers) {
    g_Scene.skyTexture = 90;
    for (const RebuildCase& c : kCases) {
        g_Video.caps.MaxSimultaneousTextures = c.maxTextures;
        g_Settings.specular = c.specular ? 1 : 0;
        MaterialDescription d{};
        for (const MaterialLayer& l : c.layers) {
            d.layers[d.layerCount++] = l;
            d.kindMask |= l.kind;
        }
        d.options = c.options;
        Material m;
        m.SetDescription(d);
        std::vector<PassSpec> got = PassesOf(m);
        EXPECT_EQ(got, c.expected) << c.what << "\n got " << rendertest::Describe(got) << "\n want "
                                   << rendertest::Describe(c.expected);
        m.description.layerCount = 0;   // the textures are made up: nothing to release
    }
}

TEST_F(MaterialRebuildTest, ALayerCountBeyondTheArrayIsCut) {
    MaterialDescription d{};
    d.layerCount = 1000;
    d.layers[0] = {1, -1};
    for (int i = 1; i < MATERIAL_MAX_LAYERS; ++i) d.layers[i] = {0, -1};
    Material m;
    m.SetDescription(d);
    EXPECT_EQ(m.description.layerCount, uint32_t(MATERIAL_MAX_LAYERS));
    EXPECT_EQ(m.passCount, 1u);
}

}  // namespace
}  // namespace rendertest
