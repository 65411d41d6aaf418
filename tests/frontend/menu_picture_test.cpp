// Pictures of the menu and its widgets on the OpenGL device, read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>

#include "frontend/loading_screen.h"
#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/overlays.h"
#include "frontend/sprite2d.h"
#include "frontend/text_label.h"
#include "render/geometry.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/glow_picture_fixture.h"
#include "support/frontend_data.h"
#include "support/temp_dir.h"

namespace {

using gfxtest::ColorNear;
using testsupport::FrontEndColour;

uint32_t Halved(uint32_t argb) {
    const uint32_t r = ((argb >> 16) & 0xFF) / 2, g = ((argb >> 8) & 0xFF) / 2, b = (argb & 0xFF) / 2;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

class MenuPictureTest : public fxtest::FxPictureTest {
protected:
    ScopedWorkDir dir;

    void SetUp() override {
        fxtest::FxPictureTest::SetUp();
        testsupport::WriteFrontEndData(dir);
        g_Video.displayMode.Format = gfx::D3DFMT_X8R8G8B8;
        MenuShellCalls calls{};
        // Close enough that a word spans a few of the 32 pixels.
        calls.selectControlMode = [] {
            g_Scene.camera->Set(Vec3{0, 0, -1.5f}, Vec3{0, 0, 0}, 0, std::numbers::pi_v<float> / 2, 1, 50);
            g_Scene.camera->Update();
        };
        g_MenuShellCalls = calls;
    }
    void TearDown() override {
        ResetMenu();
        ResetMenuShellCalls();
        ResetTextLabels();
        g_Fader.Zero();
        g_LoadingScreen.Release();
        fxtest::FxPictureTest::TearDown();
    }
    // The words at rest where they were placed.
    static void SettleWords() {
        for (int k = 0; k < g_Menu.buttonCount; ++k) {
            Text3D& b = g_Menu.buttons[k];
            if (b.motionMode) b.position = b.motionTarget;
            b.motionMode = 0;
            for (Letter3D& l : b.letters) l.offset = l.home;
            b.animation = TEXT3D_STILL;
            b.UpdateMatrices();
        }
    }
    static void DrawWords() {
        for (int k = 0; k < g_Menu.buttonCount; ++k)
            for (Letter3D& l : g_Menu.buttons[k].letters)
                if (l.mesh) {
                    l.mesh->lit = 0;
                    l.mesh->Draw();
                }
    }
};

TEST_F(MenuPictureTest, TheButtonPagesShowTheirBackgroundAndTheirWordsAtTheirRows) {
    struct Case {
        int page;
        std::vector<float> rows;
    };
    const Case cases[] = {{0, {0.524f, 0.628f, 0.732f, 0.836f}},
                          {1, {0.40857142f, 0.49714285f, 0.58571428f, 0.67428571f, 0.76285714f, 0.85142857f}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        g_Menu.BuildPage(c.page);
        SettleWords();
        Clear(0xFF000000);
        g_Video.RestoreStates();
        g_Menu.Render();
        const uint32_t background = FrontEndColour("Menu00");
        EXPECT_TRUE(ColorNear(Pixel(1, 1), c.page == 0 ? background : FrontEndColour("Menu01"), 2));
        g_Video.RestoreStates();
        DrawWords();
        const uint32_t plain = c.page == 0 ? background : FrontEndColour("Menu01");
        // Each word is inked around its middle, and the words stand as far apart as their rows.
        int32_t firstY = 0;
        for (size_t k = 0; k < c.rows.size(); ++k) {
            const Text3D& b = g_Menu.buttons[k];
            const Vec3 mid = Vec3Add(b.position, Vec3Scale(Vec3Add(b.boxMin, b.boxMax), 0.5f));
            int32_t sx = 0, sy = 0;
            ASSERT_TRUE(WorldToScreen(mid.x, mid.y, mid.z, &sx, &sy, *g_Scene.camera));
            if (k == 0) firstY = sy;
            EXPECT_NEAR(sy - firstY, (c.rows[k] - c.rows[0]) * kSize, 1.0f) << k;
            EXPECT_NEAR(sx, kSize / 2, 1) << "centred";
            int ink = 0;
            for (int32_t y = std::max(sy - 1, 0); y <= std::min(sy + 1, int32_t(kSize) - 1); ++y)
                for (uint32_t x = 0; x < kSize; ++x) ink += !ColorNear(Pixel(x, uint32_t(y)), plain, 8);
            EXPECT_GT(ink, 0) << k;
        }
        EXPECT_TRUE(ColorNear(Pixel(1, 1), plain, 2)) << "nothing above the words";
        for (Text3D& b : g_Menu.buttons) b.Release();
        g_Menu.buttonCount = 0;
        if (c.page == 0) {
            g_Menu.targetPage = 1;
            ShowScreenPicture();
        }
    }
}

TEST_F(MenuPictureTest, ASliderFillsToItsValueAndADisabledButtonIsTinted) {
    g_Menu.BuildPage(8);
    MenuSlider slider;
    slider.Create(0.75f, 0.125f, g_Menu.pictures);
    slider.SetPosition(0.125f, 0.5f);
    const uint32_t on = FrontEndColour("BarraDesplazamientoOn"), off = FrontEndColour("BarraDesplazamientoOff");
    const uint32_t y = 18;
    struct Case {
        float value;
        uint32_t quarter, threeQuarters;
    };
    for (const Case& c : {Case{0.0f, off, off}, Case{0.5f, on, off}, Case{1.0f, on, on}}) {
        SCOPED_TRACE(c.value);
        slider.value = c.value;
        Clear(0xFF000000);
        g_Video.RestoreStates();
        slider.Draw('i');
        const uint32_t left = uint32_t(slider.hitX), width = uint32_t(slider.hitW);
        EXPECT_TRUE(ColorNear(Pixel(left + width / 4, y), c.quarter, 2));
        EXPECT_TRUE(ColorNear(Pixel(left + 3 * width / 4 + 1, y), c.threeQuarters, 2));
    }
    MenuButton button;
    button.Create(0.5f, 0.25f, 0.5f, 0.125f, "", 'c', g_Menu.pictures, 6);
    button.enabled = 0;
    Clear(0xFF000000);
    g_Video.RestoreStates();
    button.Draw();
    EXPECT_TRUE(ColorNear(Pixel(16, 9), FrontEndColour("BotonMenuSinPulsar"), 2)) << "a disabled button greys its text only";
}

TEST_F(MenuPictureTest, TheConfirmBoxDarkensTheScreenBehindIt) {
    g_Menu.BuildPage(8);
    ConfirmBox& box = g_Menu.screens->confirm;
    box.Create("Salir?", g_Menu.pictures, 5);
    box.open = 1;
    Clear(0xFFC8C8C8);
    g_Video.RestoreStates();
    g_Video.Begin2D();
    box.Draw();
    g_Video.End2D();
    EXPECT_TRUE(ColorNear(Pixel(0, 0), Halved(0xFFC8C8C8), 2));
    EXPECT_TRUE(ColorNear(Pixel(16, 16), FrontEndColour("VentanaConfirmacion"), 2));
}

TEST_F(MenuPictureTest, TheLoadingBarShowsItsLeftHalf) {
    ASSERT_TRUE(g_LoadingScreen.Load());
    g_LoadingScreen.Show(0.5f);
    const uint32_t y = uint32_t(0.83f * kSize);
    // The back buffer was presented; what it holds is still the loading frame.
    EXPECT_TRUE(ColorNear(Pixel(kSize / 2 - 2, y), FrontEndColour("barraloading"), 2));
    EXPECT_TRUE(ColorNear(Pixel(kSize / 2 + 2, y), FrontEndColour("Menu98"), 2));
}

}  // namespace

namespace {

// Whole screens drawn: panels in their flat colours where they lie, the arrows' plain pictures,
// the empty background everywhere else.
TEST_F(MenuPictureTest, ScreensShowTheirPanelsAndArrowsWhereTheLayoutPutsThem) {
    struct Spot {
        float x, y;
        uint32_t colour;
    };
    struct Case {
        int screen;
        std::vector<Spot> spots;
    };
    const uint32_t arrow = FrontEndColour("BotonDerOff"), back = FrontEndColour("BotonIzqOff");
    g_Menu.results[0] = 61000;
    // Sizes are truncated pixels: a 0.08 arrow is 2 of the 32 pixels wide and high.
    for (const Case& c : {Case{23, {{0.5f, 0.5f, 0xFF505050}, {0.89f, 0.91f, arrow}, {0.05f, 0.05f, 0xFF000000}}},
                          Case{12, {{0.91f, 0.91f, arrow}, {0.05f, 0.05f, 0xFF000000}}},
                          Case{20, {{0.06f, 0.91f, back}, {0.89f, 0.91f, arrow}, {0.98f, 0.05f, 0xFF000000}}}}) {
        g_Menu.BuildPage(0);
        g_Menu.screens->SetScreen(c.screen);
        Clear(0xFF000000);
        g_Video.RestoreStates();
        g_Video.Begin2D();
        g_Menu.screens->DrawScreen();
        g_Video.End2D();
        for (const Spot& s : c.spots)
            EXPECT_TRUE(ColorNear(Pixel(uint32_t(s.x * kSize), uint32_t(s.y * kSize)), s.colour, 2))
                << "screen " << c.screen << " at " << s.x << "," << s.y;
    }
    g_Menu.results[0] = 0;
}

}  // namespace
