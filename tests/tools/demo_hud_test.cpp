// The HUD of a match drawn on the OpenGL device from the demo data's own pictures: the bars stay
// inside their panels, the view between the panels stays clear, and the power words let the view
// show between their letters.
#include <gtest/gtest.h>

#include "demo_device_fixture.h"
#include "frontend/hud_fixture.h"
#include "frontend/sprite2d.h"

namespace {

using hudtest::Shell;

constexpr uint32_t kClear = 0xFF0000FF;

// A 4:3 screen, as the demo's settings ask for.
class DemoHudTest : public demotest::DemoDeviceTest<256, 192> {
protected:
    Character local, enemy;

    void SetUp() override {
        DemoDeviceTest::SetUp();
        if (HasFatalFailure()) return;
        device->SetRenderState(gfx::D3DRS_ALPHAREF, 1);
        device->SetRenderState(gfx::D3DRS_ALPHAFUNC, gfx::D3DCMP_GREATEREQUAL);
        hudtest::InstallShell();
        g_Settings.interfaceFaces = 0;
        g_Match.gameKind = 5;
        g_Match.localSide = 0;
        hudtest::MakeFighter(local, 0, {0, 0, 0});
        hudtest::MakeFighter(enemy, 1, {0, 0, 20});
        local.nearestEnemy = &enemy;
        Shell().local = &local;
    }
    void TearDown() override {
        hudtest::RemoveShell();
        DemoDeviceTest::TearDown();
    }

    // The share of the rectangle's pixels (fractions of the screen) that still show the clear
    // colour.
    static double ClearShare(const std::vector<uint32_t>& px, float x0, float y0, float x1, float y1) {
        int clear = 0, all = 0;
        for (int y = int(y0 * kH); y < int(y1 * kH); ++y)
            for (int x = int(x0 * kW); x < int(x1 * kW); ++x, ++all)
                clear += gfxtest::ColorNear(px[size_t(y) * kW + x], kClear, 2) ? 1 : 0;
        return all ? double(clear) / all : 0.0;
    }
};

TEST_F(DemoHudTest, EveryBarDrawnAtItsPlaceStaysInsideItsMarker) {
    g_Hud.Load();
    for (int s = 0; s < 2; ++s) {
        SCOPED_TRACE(s);
        Sprite2D *marker = g_Hud.markers[s], *life = g_Hud.lifeBars[s], *mana = g_Hud.manaBars[s],
                 *exp = g_Hud.expBars[s];
        ASSERT_TRUE(marker && life && mana && exp);
        // A full-size panel: S = 1, the bars at the heights they were loaded at.
        const HudPanelLayout& L = HUD_PANEL_LAYOUT[s];
        EXPECT_LE(L.lifeX + life->w, marker->w);
        EXPECT_LE(L.manaX + mana->w, marker->w);
        exp->SetSize(HUD_EXP_WIDTH, 0.0f, SPRITE_SIZE_FROM_WIDTH);
        EXPECT_LE(L.expY + exp->h, marker->h);
        // Upright bars are narrow, the lying one is flat.
        EXPECT_LT(life->w, 0.25f * marker->w);
        EXPECT_LT(mana->w, 0.25f * marker->w);
        EXPECT_LT(exp->h, 0.25f * marker->h);
    }
}

TEST_F(DemoHudTest, TheViewShowsBetweenThePanelsAndThroughThePowerWords) {
    // Every word can be spelled: thirteen rows down from the top.
    for (int w = 0; w < MATCH_WORDS; ++w) g_Match.wordState[w] = 1;
    g_Hud.Load();
    Clear(kClear);
    g_Hud.Draw();
    const std::vector<uint32_t> px = ReadBack();
    ASSERT_EQ(px.size(), size_t(kW) * kH);
    // Between the local fighter's panel, the enemy's and above the power bar nothing is drawn.
    EXPECT_GT(ClearShare(px, 0.25f, 0.76f, 0.85f, 0.88f), 0.99);
    // The panels themselves are drawn.
    EXPECT_LT(ClearShare(px, 0.02f, 0.76f, 0.2f, 0.97f), 0.5);
    // The first word's row (centred at 0.58, 0.03 high): letters drawn, the view between them.
    const double word = ClearShare(px, 0.5f, 0.03f, 0.66f, 0.05f);
    EXPECT_GT(word, 0.35);
    EXPECT_LT(word, 0.9);
    // Below the last row the view is clear again.
    EXPECT_GT(ClearShare(px, 0.3f, 0.56f, 0.85f, 0.7f), 0.99);
}

}  // namespace
