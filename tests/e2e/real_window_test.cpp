// The real program in a window on an X server of its own, on the demo data, driven by xdotool as
// a player would drive it: F3 screenshots of the menu and of a match are looked at for what a
// player sees (the menu's words in their rows, a lit match with its fighters and their shadows),
// the debug log holds no error, and the program ends when its window is asked to close. Skipped
// where Xvfb or xdotool is missing (scripts/setup installs both).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/types.h"
#include "render/adapter_table.h"
#include "support/demo_data_folder.h"
#include "support/game_window.h"
#include "support/screen_picture.h"

namespace {

using namespace testsupport;

constexpr int kWidth = GAME_WINDOW_WIDTH, kHeight = GAME_WINDOW_HEIGHT;

GameWindowSetup WindowSetup(const std::string& name, std::vector<std::pair<std::string, int>> settings) {
    return {name, BRIMVALE_GAME, DemoDataFolder(BRIMVALE_DATA_TOOL), std::move(settings), {}};
}

// ---- What the pictures must show ----

// Rows of bright ink (the menu's white words) in a column of the screen, merged into bands.
struct InkBand {
    int top = 0, bottom = 0;
    double centreX = 0;
    double Middle() const { return 0.5 * (top + bottom); }
};

std::vector<InkBand> WordBands(const gfx::Image& image, const PixelRect& column) {
    auto bright = [](uint32_t p) { return Luma(p) > 170; };
    std::vector<InkBand> bands;
    int gap = 1000;
    for (int y = column.y0; y < column.y1; ++y) {
        const PixelRect row{column.x0, y, column.x1, y + 1};
        const int ink = CountPixels(image, row, bright);
        if (ink < 4) {
            ++gap;
            continue;
        }
        double sumX = 0;
        for (int x = column.x0; x < column.x1; ++x)
            if (bright(image.pixels[size_t(y) * image.width + size_t(x)])) sumX += x;
        if (gap > 8 || bands.empty()) bands.push_back(InkBand{y, y, 0});
        InkBand& b = bands.back();
        b.bottom = y;
        b.centreX += sumX;
        gap = 0;
    }
    for (InkBand& b : bands) {
        const int ink = CountPixels(image, PixelRect{column.x0, b.top, column.x1, b.bottom + 1}, bright);
        b.centreX = ink ? b.centreX / ink : 0;
    }
    return bands;
}

// A picture with `count` settled words, `step` pixels apart, in the middle column.
std::function<bool(const gfx::Image&)> WordsApart(size_t count, double step, std::vector<InkBand>* bands) {
    return [=](const gfx::Image& image) {
        *bands = WordBands(image, RelativeRect(image, 0.3f, 0.25f, 0.7f, 0.95f));
        if (bands->size() != count) return false;
        for (size_t i = 1; i < count; ++i)
            if (std::abs((*bands)[i].Middle() - (*bands)[i - 1].Middle() - step) > 6) return false;
        return true;
    };
}

// The Orlins' skin as lit in a match: warm, red over green over blue (the demo's skin tones).
bool OrlinSkin(uint32_t p) {
    const int r = Red(p), g = Green(p), b = Blue(p);
    return r >= 130 && r - g >= 20 && r - g <= 100 && g - b >= 15 && g - b <= 90;
}

// Grass in a shadow: green still, but darker than the grass of the same rows well to either side
// of the fighter. Counted at the feet of the local fighter, which stands in the middle of the
// view with its shadow falling beside it (the scenario's sun stands high and a little aside).
int ShadowedGrass(const gfx::Image& image) {
    auto grass = [](uint32_t p) { return Green(p) >= Red(p) && Green(p) >= Blue(p); };
    const PixelRect feet = RelativeRect(image, 0.37f, 0.86f, 0.63f, 1.0f);
    const PixelRect sides[2] = {RelativeRect(image, 0.15f, 0.86f, 0.32f, 1.0f),
                                RelativeRect(image, 0.68f, 0.86f, 0.86f, 1.0f)};
    int shadowed = 0;
    for (int y = feet.y0; y < feet.y1; ++y) {
        double sum = 0;
        int n = 0;
        for (const PixelRect& side : sides)
            for (int x = side.x0; x < side.x1; ++x) {
                const uint32_t p = image.pixels[size_t(y) * image.width + size_t(x)];
                if (grass(p)) sum += Luma(p), ++n;
            }
        if (n < 50) continue;
        const double lit = sum / n;
        // Darker than the lit grass by more than its own unevenness, lighter than black.
        shadowed += CountPixels(image, PixelRect{feet.x0, y, feet.x1, y + 1}, [&](uint32_t p) {
            return grass(p) && Luma(p) > 0.4 * lit && Luma(p) < 0.8 * lit;
        });
    }
    return shadowed;
}

TEST(RealWindowTest, TheMenuShowsItsFourWordsInTheLayoutsRowsAndTheLogStaysClean) {
    if (!WindowToolsPresent()) GTEST_SKIP() << "Xvfb or xdotool missing";
    GameWindow game(WindowSetup("menu", {{"MENU", 1}, {"PRUEBAS", 1}, {"DEBUG", 1}}));
    ASSERT_TRUE(game.Started()) << "no window; see " << game.Folder() / "output.txt";

    // The rows of the main page's words, and the step between them, in screen pixels.
    const double rows[4] = {0.524 * kHeight, 0.628 * kHeight, 0.732 * kHeight, 0.836 * kHeight};
    const double step = 0.104 * kHeight;
    gfx::Image shot;
    std::vector<InkBand> bands;
    // The words fly in; a picture with four settled words is waited for.
    const bool settled = game.ShotUntil(&shot, 30000, 500, WordsApart(4, step, &bands));
    ASSERT_TRUE(settled) << "no picture with the four words a row apart; last had " << bands.size() << " bands";
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("word " + std::to_string(i));
        // Centred across the screen, of a letter's height.
        EXPECT_NEAR(bands[i].centreX, 0.5 * kWidth, 0.03 * kWidth);
        EXPECT_GT(bands[i].bottom - bands[i].top, 12);
        EXPECT_LT(bands[i].bottom - bands[i].top, 70);
        // Every word stands the same distance from its row (within a tenth of a row: letters with
        // and without descenders differ): the words stand above the point the layout names,
        // never below it or more than a row above.
        EXPECT_NEAR(rows[i] - bands[i].Middle(), rows[0] - bands[0].Middle(), 0.1 * step);
        EXPECT_GE(rows[i] - bands[i].Middle(), -4);
        EXPECT_LE(rows[i] - bands[i].Middle(), step + 4);
    }
    // The page's background is drawn: not a black frame.
    EXPECT_GT(MeanLuma(shot, RelativeRect(shot, 0, 0, 1, 1)), 20);

    // A click on the first word opens the play-type page: six words, its own rows' step apart.
    ASSERT_TRUE(game.Driver().Click(kWidth / 2, int(bands[0].Middle())));
    std::vector<InkBand> playTypes;
    EXPECT_TRUE(game.ShotUntil(&shot, 30000, 500, WordsApart(6, 0.62 / 7 * kHeight, &playTypes)))
        << "no play-type page; last picture had " << playTypes.size() << " words";

    EXPECT_EQ(game.LogLines("ERROR"), std::vector<std::string>{});
    // Closing the window ends the program normally.
    EXPECT_EQ(game.Program().Stop(15000), 0);
}

TEST(RealWindowTest, AMatchIsLitAndShowsTheLocalFighterWithItsShadowAndTheLogStaysClean) {
    if (!WindowToolsPresent()) GTEST_SKIP() << "Xvfb or xdotool missing";
    // The computer's fighters stand still, so nobody walks over the local fighter's shadow.
    GameWindow game(WindowSetup(
        "match", {{"MENU", 0}, {"PRUEBAS", 1}, {"DEBUG", 1}, {"TIPO_PERSONAJE", 0}, {"ACTIVAR_IA", 0}}));
    ASSERT_TRUE(game.Started()) << "no window; see " << game.Folder() / "output.txt";

    // The camera stands behind the local fighter, an Orlin: its skin fills the middle of the view
    // once the match runs (the loading screen comes first).
    gfx::Image shot;
    const auto middle = [](const gfx::Image& image) { return RelativeRect(image, 0.3f, 0.35f, 0.7f, 0.76f); };
    const bool playing = game.ShotUntil(&shot, 60000, 1000, [&](const gfx::Image& image) {
        return CountPixels(image, middle(image), OrlinSkin) > 800;
    });
    ASSERT_TRUE(playing) << "no match picture with the local fighter in the middle";

    // A lit world: neither black nor washed out, the ground below the horizon bright too.
    const double all = MeanLuma(shot, RelativeRect(shot, 0, 0, 1, 1));
    EXPECT_GT(all, 30);
    EXPECT_LT(all, 230);
    EXPECT_GT(MeanLuma(shot, RelativeRect(shot, 0, 0.45f, 1, 0.75f)), 30);
    // Away from the middle the fighter's skin is rare: the colour picks the fighter, not the world.
    const int skinMiddle = CountPixels(shot, middle(shot), OrlinSkin);
    const int skinTop = CountPixels(shot, RelativeRect(shot, 0.3f, 0.0f, 0.7f, 0.25f), OrlinSkin);
    EXPECT_GT(skinMiddle, 8 * skinTop);

    // With a stencil buffer on offer the game casts the fighters' shadows. The HUD goes away
    // (a test-mode key) and the grass at the fighter's feet comes into view, part of it in the
    // shadow; some pictures are washed out by the storm's lightning, so a few are looked at.
    if (CheckVideoFormat(gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_X8R8G8B8, gfx::D3DFMT_D24S8) == 0) {
        ASSERT_TRUE(game.Driver().Key("F4"));
        int shadowed = 0;
        EXPECT_TRUE(game.ShotUntil(&shot, 20000, 500, [&](const gfx::Image& image) {
            shadowed = ShadowedGrass(image);
            return shadowed > 1500;
        })) << "no shadow at the fighter's feet; the last picture had " << shadowed << " shadowed grass pixels";
    }

    EXPECT_EQ(game.LogLines("ERROR"), std::vector<std::string>{});
    EXPECT_EQ(game.Program().Stop(15000), 0);
}

}  // namespace
