#include <gtest/gtest.h>

#include "frontend/loading_screen.h"
#include "platform/gfx/recording_device.h"
#include "render/video.h"
#include "scene/scene_element_records.h"
#include "support/frontend_data.h"
#include "support/temp_dir.h"

namespace {

// An 800 x 600 recording device behind the video object and the loading pictures on disk.
class LoadingScreenTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    gfx::RecordingDevice* rec = nullptr;
    fxtest::SceneOnDevice scene;

    void SetUp() override {
        ASSERT_EQ(gfx::CreateRecordingDevice(gfx::RecordingDeviceParams(800, 600), &rec), gfx::D3D_OK);
        gfx::PresentParameters present{};
        present.BackBufferFormat = gfx::D3DFMT_X8R8G8B8;
        present.BackBufferWidth = 800;
        present.BackBufferHeight = 600;
        scene.Enter(rec, 800, present);
        rec->EndScene();   // the loading screen presents outside any scene
        g_Video.screenRect = {0, 0, 799, 599};
        g_Video.displayMode.Format = gfx::D3DFMT_X8R8G8B8;
        testsupport::WriteFrontEndData(dir);
    }
    void TearDown() override {
        g_LoadingScreen.Release();
        rec->BeginScene();
        scene.Leave();
        rec->Release();
    }
    uint32_t Pixel(int x, int y) {
        gfx::LockedRect locked{};
        gfx::Surface* back = g_Video.GetBackBuffer();
        if (!back || gfx::Failed(back->LockRect(&locked, nullptr, 0))) return 0;
        const uint32_t p = static_cast<const uint32_t*>(locked.pBits)[size_t(y) * (locked.Pitch / 4) + x];
        back->UnlockRect();
        return p & 0xFFFFFFu;
    }
    static uint32_t Colour(const char* name) { return testsupport::FrontEndColour(name) & 0xFFFFFFu; }
    static gfx::SurfaceDesc Desc(const ScreenImage* image) {
        gfx::SurfaceDesc d{};
        if (image && image->surface) image->surface->GetDesc(&d);
        return d;
    }
};

TEST_F(LoadingScreenTest, PicturesAreScaledToTheScreenAndTheBarShowsItsLeftPart) {
    ASSERT_TRUE(g_LoadingScreen.Load());
    EXPECT_EQ(Desc(g_LoadingScreen.background).Width, 800u);
    EXPECT_EQ(Desc(g_LoadingScreen.background).Height, 600u);
    EXPECT_EQ(Desc(g_LoadingScreen.bar).Width, 800u);
    EXPECT_EQ(Desc(g_LoadingScreen.bar).Height, 50u) << "64 x 600 / 768";
    EXPECT_TRUE(g_LoadingScreen.Show(0.5f));
    const int barTop = int(0.83f * 600);
    EXPECT_EQ(Pixel(399, barTop), Colour("barraloading"));
    EXPECT_EQ(Pixel(400, barTop), Colour("Menu98"));
    EXPECT_EQ(Pixel(0, barTop - 1), Colour("Menu98"));
    EXPECT_EQ(Pixel(10, 599), Colour("Menu98")) << "below the bar";
}

TEST_F(LoadingScreenTest, AdvanceClampsWhileShowAboveOneShowsNoBar) {
    ASSERT_TRUE(g_LoadingScreen.Load());
    const int barTop = int(0.83f * 600);
    g_LoadingScreen.Advance(2.0f);
    EXPECT_EQ(g_LoadingScreen.progress, 1.0f);
    EXPECT_EQ(Pixel(799, barTop), Colour("barraloading"));
    g_LoadingScreen.Advance(-5.0f);
    EXPECT_EQ(g_LoadingScreen.progress, 0.0f);
    EXPECT_EQ(Pixel(0, barTop), Colour("Menu98")) << "a bar of no width";
    g_LoadingScreen.Show(1.5f);
    EXPECT_EQ(g_LoadingScreen.progress, 1.5f) << "Show stores what it is given";
    EXPECT_EQ(Pixel(0, barTop), Colour("Menu98")) << "only the background this frame";
}

TEST_F(LoadingScreenTest, MissingPicturesAreSkippedAndAReleaseOfNothingOnlyResetsProgress) {
    ScreenImage image;
    EXPECT_FALSE(image.Load("Texturas\\Interfaz\\Menu\\Nada.tga", &g_Video));
    EXPECT_FALSE(image.Load("Texturas\\Interfaz\\Pantallas\\Menu98.tga", nullptr));
    EXPECT_FALSE(image.Draw(&g_Video));
    EXPECT_FALSE(image.DrawPart(0, 0, 0.5f, &g_Video));
    g_LoadingScreen.progress = 0.7f;
    g_LoadingScreen.Release();
    EXPECT_EQ(g_LoadingScreen.progress, 0.0f);
    EXPECT_EQ(g_LoadingScreen.background, nullptr);
}

}  // namespace
