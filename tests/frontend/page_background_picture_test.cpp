// The page backgrounds the screens load themselves, drawn on the OpenGL device and read back:
// like every other page's, they cover the whole screen.
#include <gtest/gtest.h>

#include <string>

#include "fighters/match.h"
#include "frontend/screen_picture_fixture.h"

namespace {

using namespace screenpic;
using testsupport::FrontEndColour;

class PageBackgroundPictureTest : public ScreenPictureFixture {
protected:
    // The menu's background alone over black.
    Picture DrawBackground() {
        Clear(0xFF000000);
        g_Video.RestoreStates();
        g_Video.Begin2D();
        if (g_Menu.background) g_Menu.background->Draw();
        g_Video.End2D();
        return Picture{ReadBack()};
    }
    // The picture's flat colour from the top row to the bottom one, the lower quarter included.
    void ExpectWholeScreen(const std::string& picture) {
        ASSERT_NE(g_Menu.background, nullptr);
        const Picture p = DrawBackground();
        const uint32_t colour = FrontEndColour(picture);
        for (int32_t y : {0, kH / 2, kH * 3 / 4 + 4, kH * 7 / 8, kH - 1})
            for (int32_t x : {0, kW / 2, kW - 1})
                EXPECT_TRUE(Near(p.At(x, y), colour, 3)) << x << ", " << y << ": " << gfxtest::Hex(p.At(x, y));
    }
};

TEST_F(PageBackgroundPictureTest, ResultsOfAMatchLeftEarlyShowTheirNewPagesBackgroundOverTheWholeScreen) {
    struct Case {
        int saveMode, gameType, screen;
        const char* picture;
    };
    // Training, network, the team campaign's mission choice and the campaign's team ready.
    const Case cases[] = {{0, 2, 2, "Menu02_0"}, {1, 2, 6, "Menu06_0"}, {2, 2, 11, "Menu11_0"}, {2, 1, 21, "Menu21_0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        g_Menu.saveMode = c.saveMode;
        g_Menu.gameType = c.gameType;
        g_Menu.variant = 0;
        g_Menu.results[RESULT_ELAPSED] = 0;
        Show(12);
        ASSERT_EQ(s->screen, c.screen);
        ExpectWholeScreen(c.picture);
    }
}

TEST_F(PageBackgroundPictureTest, TeamReadyCoversTheWholeScreen) {
    g_Menu.gameType = 1;
    g_Menu.variant = 0;
    Show(21);
    ASSERT_EQ(s->screen, 21);
    ExpectWholeScreen("Menu21_0");
}

}  // namespace
