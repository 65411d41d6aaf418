// Textures loaded by the manager, drawn on the OpenGL device and read back.
#include <memory>

#include "gfx/gl_fixture.h"
#include "render/adapter_table.h"
#include "render/texture_manager.h"
#include "render/video.h"
#include "core/settings.h"
#include "support/image_writer.h"
#include "support/pack_writer.h"
#include "support/temp_dir.h"

namespace {

using namespace gfx;
using gfxtest::ColorNear;

class TexturePictureTest : public gfxtest::GLDeviceTest {
protected:
    void SetUp() override {
        dir = std::make_unique<ScopedWorkDir>();
        GLDeviceTest::SetUp();
        g_Settings.Clear();
        g_AdapterTable.Reset();
        g_Video.Zero();
        g_Video.device = device;
        ASSERT_EQ(device->GetDeviceCaps(&g_Video.caps), D3D_OK);
        PlainStates();
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);

        // Four quadrants of 4 x 4 texels: each a whole compressed block of one colour.
        testsupport::Picture picture =
            testsupport::QuadrantPicture(8, 8, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF);
        testsupport::PackWriter pack;
        pack.Add("TEX\\QUAD.TGA", testsupport::TgaFile(picture));
        ASSERT_TRUE(pack.WriteTo("TEXTURAS.DAT"));
    }

    void TearDown() override {
        if (device) device->SetTexture(0, nullptr);
        manager.Clear();
        g_Video.Zero();
        g_Settings.Clear();
        g_AdapterTable.Reset();
        GLDeviceTest::TearDown();
        dir.reset();
    }

    // Draws the texture over the whole target and checks each quadrant's centre.
    void DrawAndSample(int32_t index) {
        ASSERT_GE(index, 0);
        EXPECT_TRUE(manager.SetTexture(0, index));
        Clear(0xFF000000);
        FullScreenQuad(0xFFFFFFFF);
        EXPECT_TRUE(ColorNear(Pixel(8, 8), 0xFFFF0000));
        EXPECT_TRUE(ColorNear(Pixel(24, 8), 0xFF00FF00));
        EXPECT_TRUE(ColorNear(Pixel(8, 24), 0xFF0000FF));
        EXPECT_TRUE(ColorNear(Pixel(24, 24), 0xFFFFFFFF));
    }

    std::unique_ptr<ScopedWorkDir> dir;
    TextureManager manager;
};

TEST_F(TexturePictureTest, ATgaTextureIsDrawnAsStored) {
    int32_t index = manager.LoadTexture("TEX\\QUAD.TGA", false, false, true);
    ASSERT_GE(index, 0);
    EXPECT_EQ(manager.Get(index)->format, uint32_t(D3DFMT_X8R8G8B8));
    DrawAndSample(index);
}

TEST_F(TexturePictureTest, ACompressedTextureIsDrawnAsStored) {
    g_AdapterTable.adapters[0].dxt1With32BitDisplay = 1;
    int32_t index = manager.LoadTexture("TEX\\QUAD.TGA", true, true, true);
    ASSERT_GE(index, 0);
    EXPECT_EQ(manager.Get(index)->format, uint32_t(D3DFMT_DXT1));
    SurfaceDesc desc{};
    ASSERT_EQ(manager.Get(index)->frames[0]->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    DrawAndSample(index);
}

}  // namespace
