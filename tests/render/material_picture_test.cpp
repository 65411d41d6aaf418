// A two-pass material drawn on the OpenGL device and read back.
#include <memory>

#include "gfx/gl_fixture.h"
#include "render/adapter_table.h"
#include "render/material.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "scene/scene.h"
#include "core/settings.h"
#include "datakit/image_writer.h"
#include "datakit/pack_writer.h"
#include "support/temp_dir.h"

namespace {

using gfxtest::ColorNear;

class MaterialPictureTest : public gfxtest::GLDeviceTest {
protected:
    void SetUp() override {
        dir = std::make_unique<ScopedWorkDir>();
        GLDeviceTest::SetUp();
        g_Settings.Clear();
        g_AdapterTable.Reset();
        g_Video.Zero();
        g_Video.device = device;
        ASSERT_EQ(device->GetDeviceCaps(&g_Video.caps), gfx::D3D_OK);
        PlainStates();
        // The video object's caches start out matching the device.
        g_Video.RestoreStates();
        datakit::PackWriter pack;
        pack.Add("M\\BASE.TGA", datakit::TgaFile(datakit::SolidPicture(8, 8, 0xFFFF8040)));
        pack.Add("M\\LIGHT.TGA", datakit::TgaFile(datakit::SolidPicture(8, 8, 0xFF808080)));
        ASSERT_TRUE(pack.WriteTo("TEXTURAS.DAT"));
        g_SceneTextures = &manager;
        g_Scene.materials = &table;
    }

    void TearDown() override {
        table.Free();
        g_Scene.materials = nullptr;
        g_SceneTextures = nullptr;
        if (device)
            for (uint32_t s = 0; s < 4; ++s) device->SetTexture(s, nullptr);
        manager.Clear();
        g_Video.Zero();
        g_Settings.Clear();
        g_AdapterTable.Reset();
        GLDeviceTest::TearDown();
        dir.reset();
    }

    std::unique_ptr<ScopedWorkDir> dir;
    TextureManager manager;
    MaterialTable table;
};

TEST_F(MaterialPictureTest, ALightMapInItsOwnPassMultipliesTheBaseTexture) {
    // One texture at a time: the light map gets a second pass that multiplies what is there.
    g_Video.caps.MaxSimultaneousTextures = 1;
    int32_t base = manager.LoadTexture("M\\BASE.TGA", false, false, true);
    int32_t light = manager.LoadTexture("M\\LIGHT.TGA", false, false, true);
    ASSERT_GE(base, 0);
    ASSERT_GE(light, 0);
    manager.AddRef(base);
    manager.AddRef(light);
    MaterialDescription d{};
    d.layers[0] = {MATERIAL_KIND_BASE, base};
    d.layers[1] = {MATERIAL_KIND_LIGHTMAP, light};
    d.layerCount = 2;
    auto* m = new Material();
    m->SetDescription(d);
    ASSERT_EQ(m->passCount, 2u);
    int32_t id = table.Add(m);

    Clear(0xFF000000);
    ASSERT_TRUE(table.SetMaterial(id, 0));
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFFFF8040));
    ASSERT_TRUE(table.SetMaterial(id, 1));
    FullScreenQuad(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF804020, 4));
    EXPECT_TRUE(ColorNear(Pixel(2, 29), 0xFF804020, 4));
}

TEST_F(MaterialPictureTest, VertexColourAloneIsDrawnModulatedByItself) {
    // No texture at all: the one stage multiplies the current colour, at the first stage the
    // vertex colour, by the vertex colour.
    MaterialDescription d{};
    d.layers[0] = {MATERIAL_KIND_VERTEX_COLOUR, -1};
    d.layerCount = 1;
    auto* m = new Material();
    m->SetDescription(d);
    ASSERT_EQ(m->passCount, 1u);
    int32_t id = table.Add(m);

    Clear(0xFF000000);
    ASSERT_TRUE(table.SetMaterial(id, 0));
    FullScreenQuad(0xFF80FF40);
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF40FF10, 4));
}

}  // namespace
