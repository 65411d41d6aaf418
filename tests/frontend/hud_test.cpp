// The HUD's 2D pieces on the recording device, on a 1000 x 1000 screen of flat pictures: numbers,
// words, the clock and its colon, the fighter panels, the counters and their beeps, the power bar,
// the power words, the banners and the aim point.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>

#include "frontend/menu.h"
#include "hud_fixture.h"
#include "net/session.h"
#include "screen_2d_fixture.h"
#include "support/frontend_data.h"
#include "world/dynamic_mesh.h"

namespace {

using hudtest::QuadsOf;
using hudtest::Shell;

class HudTest : public screentest::Screen2DTest {
protected:
    std::unique_ptr<ScopedWorkDir> work;
    Character local, enemy;

    void SetUp() override {
        Screen2DTest::SetUp();
        work = std::make_unique<ScopedWorkDir>();
        testsupport::WriteHudSprites(*work, 0xFFFFFFFF);
        Screen(1000, 1000);
        hudtest::InstallShell();
        g_Settings.interfaceFaces = 0;
        g_Settings.test = 0;
        g_Match.gameKind = 5;
        g_Match.localSide = 0;
        hudtest::MakeFighter(local, 0, {0, 0, 0});
        hudtest::MakeFighter(enemy, 1, {0, 0, 50});
        Shell().local = &local;
        g_Hud.Load();
        rec->ClearLog();
    }
    void TearDown() override {
        hudtest::RemoveShell();
        work.reset();
        Screen2DTest::TearDown();
    }

    // The number drawn with its characters' tops at y (pixels) and their centres within `within`
    // px of x; the characters in order from the left.
    std::string NumberAt(float x, float y, float within = 60.0f) const {
        std::vector<std::pair<float, char>> found;
        auto collect = [&](const Sprite2D* s, char ch) {
            for (const hudtest::Quad& q : QuadsOf(*rec, s))
                if (std::abs(q.top - y) < 1.5f && std::abs((q.left + q.right) * 0.5f - x) < within)
                    found.push_back({q.left, ch});
        };
        for (int d = 0; d < 10; ++d) collect(g_Hud.digits[d], char('0' + d));
        collect(g_Hud.minusSign, '-');
        collect(g_Hud.colon, ':');
        std::sort(found.begin(), found.end());
        std::string out;
        for (const auto& f : found) out += f.second;
        return out;
    }
    size_t DrawCount() const { return rec->Draws().size(); }
};

TEST_F(HudTest, NumbersAlignOnTheirPointAndABadAlignmentDrawsNothing) {
    // Digits 32 x 64 texels at 0.06 of the screen: 30 px wide, 24 px apart.
    const float w = g_Hud.DrawNumber(0.5f, 0.1f, -12, 'd', 0.06f, 0xFFFFFFFF, 0);
    EXPECT_NEAR(w, 2 * 0.024f + 0.03f, 1e-4f);
    const auto minus = QuadsOf(*rec, g_Hud.minusSign), one = QuadsOf(*rec, g_Hud.digits[1]),
               two = QuadsOf(*rec, g_Hud.digits[2]);
    ASSERT_EQ(minus.size(), 1u);
    ASSERT_EQ(one.size(), 1u);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_LT(minus[0].left, one[0].left);
    EXPECT_LT(one[0].left, two[0].left);
    EXPECT_NEAR(two[0].right, 500.0f, 1.0f);

    rec->ClearLog();
    g_Hud.DrawNumber(0.5f, 0.1f, 0, 'c', 0.06f, 0xFFFFFFFF, 0);
    EXPECT_EQ(DrawCount(), 1u);
    EXPECT_EQ(QuadsOf(*rec, g_Hud.digits[0]).size(), 1u);

    rec->ClearLog();
    EXPECT_EQ(g_Hud.DrawNumber(0.5f, 0.1f, 7, 'x', 0.06f, 0xFFFFFFFF, 0), 0.0f);
    EXPECT_EQ(DrawCount(), 0u);

    // The most negative value is written whole.
    rec->ClearLog();
    g_Hud.DrawNumber(0.0f, 0.1f, INT_MIN, 'i', 0.06f, 0xFFFFFFFF, 0);
    EXPECT_EQ(NumberAt(135.0f, 100.0f, 150.0f), "-2147483648");
}

TEST_F(HudTest, WordsSkipSpacesAndBytesWithoutALetter) {
    g_Hud.DrawWord(0.1f, 0.2f, "A b\xC3Z", 'i', 0.03f, 0xFFFFFFFF, 0, false);
    // Letters 64 x 64 at 0.03: 30 px, 24 px apart; A at 0, Z at the fifth place.
    const auto a = QuadsOf(*rec, g_Hud.letters[0]), z = QuadsOf(*rec, g_Hud.letters[25]);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(z.size(), 1u);
    EXPECT_NEAR(z[0].left - a[0].left, 4 * 24.0f, 1.0f);
    EXPECT_EQ(DrawCount(), 2u);
}

TEST_F(HudTest, TheClockShowsMinutesAndTwoDigitSecondsAndItsColonBlinks) {
    struct Step {
        uint32_t at;
        bool colon;
    };
    for (const Step& s : {Step{0, false}, Step{400, false}, Step{501, true}, Step{900, true}, Step{1001, false}}) {
        SCOPED_TRACE(s.at);
        Shell().now = s.at;
        rec->ClearLog();
        g_Hud.DrawClock(0.1f, 0.5f, 125, 0.06f, 0xFFFFFFFF, 0);
        EXPECT_EQ(NumberAt(150.0f, 500.0f), s.colon ? "2:05" : "205");
    }
    Shell().now = 1600;   // visible again
    rec->ClearLog();
    g_Hud.DrawClock(0.1f, 0.5f, 59, 0.06f, 0xFFFFFFFF, 0);
    EXPECT_EQ(NumberAt(150.0f, 500.0f), "0:59");
}

TEST_F(HudTest, TheClockPutsALeadingZeroBeforeTheSecondsOnlyBelowTen) {
    // The first draw takes the colon's phase; 600 ms on, the colon shows for the draws below.
    g_Hud.DrawClock(0.1f, 0.5f, 0, 0.06f, 0xFFFFFFFF, 0);
    Shell().now = 600;
    const struct {
        int32_t seconds;
        const char* shown;
    } cases[] = {{0, "0:00"},   {9, "0:09"},   {10, "0:10"},  {11, "0:11"},   {59, "0:59"},
                 {60, "1:00"},  {69, "1:09"},  {70, "1:10"},  {600, "10:00"}, {605, "10:05"}, {3599, "59:59"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        rec->ClearLog();
        g_Hud.DrawClock(0.1f, 0.5f, c.seconds, 0.06f, 0xFFFFFFFF, 0);
        EXPECT_EQ(NumberAt(200.0f, 500.0f, 150.0f), c.shown);
    }
    // The match clock shows what is left of the limit the same way.
    g_Hud.clockMarker = new DynamicMesh();
    g_Match.timeLimit = 60000;
    g_Match.elapsed = 49500;   // 10.5 s left: 10 whole seconds
    rec->ClearLog();
    g_Hud.DrawMatchClock();
    EXPECT_EQ(NumberAt(200.0f, 160.0f, 150.0f), "0:10");
}

TEST_F(HudTest, BarsFollowTheirRatiosKeptToAWholeBar) {
    struct Case {
        float health, maxHealth, experience;
        float lifeHeight, expWidth;
    };
    // The panel at 0, 0 with size 0.25: S = 1, a full life bar is 172 px, a full experience bar 96.
    for (const Case& c : {Case{100, 100, 100, 172, 96}, Case{50, 100, 50, 86, 48}, Case{0, 100, 0, 0, 0},
                          Case{150, 100, 100, 172, 96}, Case{-5, 100, -5, 0, 0}, Case{10, 0, 0, 0, 0}}) {
        SCOPED_TRACE(c.health);
        local.health = c.health;
        local.maxHealth = c.maxHealth;
        local.experience = c.experience;
        rec->ClearLog();
        g_Hud.DrawFighterPanel(0.0f, 0.0f, 0.25f, &local);
        const auto life = QuadsOf(*rec, g_Hud.lifeBars[0]);
        const auto exp = QuadsOf(*rec, g_Hud.expBars[0]);
        if (c.lifeHeight == 0) {
            EXPECT_TRUE(life.empty());
        } else {
            ASSERT_EQ(life.size(), 1u);
            // Emptying from the top: the bottom edge stays where the full bar ends.
            EXPECT_NEAR(life[0].bottom - life[0].top, c.lifeHeight, 1.5f);
            EXPECT_NEAR(life[0].bottom, 38 + 172, 1.5f);
            EXPECT_NEAR(life[0].v0, 1.0f - c.lifeHeight / 172.0f, 0.01f);
        }
        if (c.expWidth == 0) {
            EXPECT_TRUE(exp.empty());
        } else {
            ASSERT_EQ(exp.size(), 1u);
            EXPECT_NEAR(exp[0].right - exp[0].left, c.expWidth, 1.5f);
        }
    }
    // The level is shown counted from 1.
    local.level = 8;
    rec->ClearLog();
    g_Hud.DrawFighterPanel(0.0f, 0.0f, 0.25f, &local);
    EXPECT_EQ(NumberAt(70.0f, 195.0f), "9");
}

TEST_F(HudTest, TheMatchClockTurnsRedAndBeepsOncePerSecondFromThirtySeconds) {
    g_Hud.clockMarker = new DynamicMesh();
    g_Match.timeLimit = 60000;
    struct Step {
        uint32_t elapsed;
        size_t beeps;
        bool red;
    };
    // Seconds left: 35, 30, 30, 29, 29, 28, 0, 0.
    for (const Step& s : {Step{25000, 0, false}, Step{29100, 1, true}, Step{30000, 1, true}, Step{30500, 2, true},
                          Step{31000, 2, true}, Step{31999, 3, true}, Step{90000, 4, true}, Step{95000, 4, true}}) {
        SCOPED_TRACE(s.elapsed);
        g_Match.elapsed = s.elapsed;
        rec->ClearLog();
        g_Hud.DrawMatchClock();
        EXPECT_EQ(Shell().sounds.size(), s.beeps);
        const auto digits = QuadsOf(*rec, g_Hud.digits[0]);
        ASSERT_FALSE(digits.empty());
        EXPECT_EQ(digits[0].diffuse, s.red ? 0xFFFF0000u : 0xFFFFFFFFu);
    }
    EXPECT_TRUE(std::all_of(Shell().sounds.begin(), Shell().sounds.end(), [](int id) { return id == 262; }));
}

TEST_F(HudTest, TheCurseCounterBeepsForTheLocalSideAndMarksTheCursedSide) {
    Shell().now = 5000;
    // The curse: minutes x 60 less the seconds carried; only the local side beeps.
    g_Match.gameKind = 4;
    g_Settings.curseMinutes[0] = g_Settings.curseMinutes[1] = 1;
    g_Match.curseTime[0] = 31000;   // 29 s left
    g_Match.curseTime[1] = 45000;
    g_Match.cursedFighter = &enemy;
    for (int frame = 0; frame < 3; ++frame) g_Hud.DrawSideCounters();
    ASSERT_EQ(Shell().sounds.size(), 1u);
    EXPECT_EQ(Shell().sounds[0], 262);
    g_Match.curseTime[0] = 32000;
    rec->ClearLog();
    g_Hud.DrawSideCounters();
    EXPECT_EQ(Shell().sounds.size(), 2u);
    // The side of the cursed fighter is marked red.
    EXPECT_EQ(NumberAt(295.0f, 45.0f), "15");
    for (const hudtest::Quad& q : QuadsOf(*rec, g_Hud.digits[5])) EXPECT_EQ(q.diffuse, 0xFFFF0000u);
}

TEST_F(HudTest, EachSidesCounterShowsWhatThatSideStillNeedsAndFlashesForItsOwnScore) {
    Shell().now = 5000;
    Settings& st = g_Settings;
    Match& m = g_Match;
    st.stealsGoal[0] = 9, st.stealsGoal[1] = 7;
    m.captures[0] = 2, m.captures[1] = 4;
    m.captureTime[0] = 4900, m.captureTime[1] = 3000;
    m.checkpointCount = 8;
    m.checkpointsPassed[0] = 3, m.checkpointsPassed[1] = 6;
    m.checkpointTime[0] = 4900, m.checkpointTime[1] = 3000;
    st.creditsGoal[0] = 90, st.creditsGoal[1] = 70;
    m.points[0] = 20, m.points[1] = 61;
    m.pointsTime[0] = 4900, m.pointsTime[1] = 3000;
    st.capturesGoal[0] = 6, st.capturesGoal[1] = 8;
    m.found[0] = 1, m.found[1] = 5;
    m.foundTime[0] = 4900, m.foundTime[1] = 3000;
    st.maxDeaths[0] = 12, st.maxDeaths[1] = 15;
    m.killScore[0] = 4, m.killScore[1] = 11;
    m.killTime[0] = 4900, m.killTime[1] = 3000;
    local.killScore = 5;
    local.killTime = 4900;
    local.credits = 33;
    local.creditTime = 4900;
    m.symbols[0].atHome = m.symbols[1].atHome = 1;
    // Side 0's score changed 100 ms ago: grey trunc(100 x 1.02); side 1's long ago.
    constexpr uint32_t kFlashing = 0xFF666666u, kSteady = 0xFF000000u;
    const struct {
        int kind;
        const char* need[2];   // side 0, side 1; "" where nothing is drawn
    } cases[] = {{0, {"7", "3"}},   {1, {"5", "2"}}, {2, {"70", "9"}}, {3, {"5", "3"}},
                 {5, {"8", "4"}},   {6, {"7", "10"}}, {7, {"57", "37"}}};
    for (const auto& c : cases) {
        for (int localSide : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "kind " << c.kind << ", local side " << localSide);
            m.gameKind = c.kind;
            m.localSide = localSide;
            local.side = localSide;
            rec->ClearLog();
            g_Hud.DrawSideCounters();
            const bool perFighter = c.kind == 6 || c.kind == 7;
            // The local side's counter stands at 0.135, the other's at 0.295.
            EXPECT_EQ(NumberAt(135.0f, 45.0f), c.need[localSide]);
            EXPECT_EQ(NumberAt(295.0f, 45.0f), perFighter ? "" : c.need[1 - localSide]);
            for (int d = 0; d < 10; ++d) {
                for (const hudtest::Quad& q : QuadsOf(*rec, g_Hud.digits[d])) {
                    const bool sideZero = (q.left < 215.0f) == (localSide == 0);
                    // Each fighter's own score flashes in kinds 6 and 7: the local fighter's changed.
                    EXPECT_EQ(q.specular, sideZero || perFighter ? kFlashing : kSteady) << d << " at " << q.left;
                    EXPECT_EQ(q.diffuse, 0xFFFFFFFFu);
                }
            }
        }
    }
    // Nothing to gain shows 0; a symbol away from home marks its side red.
    m.gameKind = 0;
    m.localSide = 0;
    local.side = 0;
    m.captures[1] = 12;
    m.symbols[1].atHome = 0;
    rec->ClearLog();
    g_Hud.DrawSideCounters();
    EXPECT_EQ(NumberAt(295.0f, 45.0f), "0");
    for (const hudtest::Quad& q : QuadsOf(*rec, g_Hud.digits[0])) EXPECT_EQ(q.diffuse, 0xFFFF0000u);
    for (const hudtest::Quad& q : QuadsOf(*rec, g_Hud.digits[7])) EXPECT_EQ(q.diffuse, 0xFFFFFFFFu);
}

TEST_F(HudTest, TheCreditsAreTheLocalSidesOrInEachForHimselfTheFightersOwn) {
    Shell().now = 5000;
    g_Match.points[0] = 20, g_Match.points[1] = 61;
    g_Match.pointsTime[0] = 3000, g_Match.pointsTime[1] = 4900;
    local.credits = 33;
    const struct {
        int kind, localSide;
        const char* shown;
        uint32_t grey;   // 50 at rest; 100 ms after a change 50 + trunc(100 x 0.82)
    } cases[] = {{2, 0, "20", 0xFF323232u}, {2, 1, "61", 0xFF848484u}, {7, 0, "33", 0xFF323232u}, {6, 1, "33", 0xFF848484u}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << ", local side " << c.localSide);
        g_Match.gameKind = c.kind;
        g_Match.localSide = c.localSide;
        local.side = c.localSide;
        rec->ClearLog();
        g_Hud.DrawCredits();
        EXPECT_EQ(NumberAt(870.0f, 45.0f), c.shown);
        for (int d = 0; d < 10; ++d)
            for (const hudtest::Quad& q : QuadsOf(*rec, g_Hud.digits[d])) EXPECT_EQ(q.specular, c.grey);
    }
}

TEST_F(HudTest, EachSidesCurseCounterCountsDownFromThatSidesOwnLimit) {
    Shell().now = 5000;
    g_Match.gameKind = 4;
    g_Settings.curseMinutes[0] = 2;
    g_Settings.curseMinutes[1] = 5;
    g_Match.curseTime[0] = 30000;    // 120 - 30 seconds left
    g_Match.curseTime[1] = 100999;   // 300 - 100
    const char* left[2] = {"90", "200"};
    for (int localSide : {0, 1}) {
        SCOPED_TRACE(localSide);
        g_Match.localSide = localSide;
        local.side = localSide;
        rec->ClearLog();
        g_Hud.DrawSideCounters();
        EXPECT_EQ(NumberAt(135.0f, 45.0f), left[localSide]);
        EXPECT_EQ(NumberAt(295.0f, 45.0f), left[1 - localSide]);
    }
    EXPECT_TRUE(Shell().sounds.empty());
}

TEST_F(HudTest, PowerIconsPastTheHighestUnlockedPowerAreDimmed) {
    constexpr uint32_t kDim = 0x9B9B9B9Bu;
    Shell().power = 1;
    for (int highest : {0, 3, 8, 9}) {
        SCOPED_TRACE(highest);
        local.highestUnlockedPower = highest;
        rec->ClearLog();
        g_Hud.DrawPowerBar();
        // Icon 0 is the plain attack; icon i stands for power i - 1.
        for (int i = 0; i < HUD_ICONS; ++i) {
            const auto icon = QuadsOf(*rec, g_Hud.powerIcons[i]);
            ASSERT_EQ(icon.size(), 1u) << i;
            const bool selected = i - 1 == Shell().power;
            EXPECT_EQ(icon[0].diffuse, !selected && i - 1 > highest ? kDim : 0xFFFFFFFFu) << i;
            EXPECT_EQ(icon[0].specular, selected ? 0x00646464u : 0u) << i;
        }
    }
}

TEST_F(HudTest, TheCurseCounterStartsBeepingAtThirtySecondsLeft) {
    g_Match.gameKind = 4;
    g_Settings.curseMinutes[0] = g_Settings.curseMinutes[1] = 1;
    g_Match.curseTime[0] = 29999;   // 31 s left, the odd milliseconds dropped
    g_Hud.DrawSideCounters();
    EXPECT_TRUE(Shell().sounds.empty());
    g_Match.curseTime[0] = 30000;
    g_Hud.DrawSideCounters();
    EXPECT_EQ(Shell().sounds, std::vector<int>{262});
}

TEST_F(HudTest, GreedShowsTheValueOfTheCoinTheCompassPointsToAboveItsDistance) {
    g_Match.gameKind = 2;
    g_Match.modeTemplates[TEMPLATE_COMPASS] = new DynamicMesh();
    g_Hud.Load();
    for (int i : {0, 1}) {
        g_Items[i].active = g_Items[i].present = 1;
        g_Items[i].type = i == 0 ? 20 : 23;
        g_Items[i].position = {0, 0, i == 0 ? 2.0f : 12.5f};
    }
    g_Hud.UpdateMarkers();
    rec->ClearLog();
    g_Hud.DrawObjectiveInfo();
    // Right-aligned at 0.9 with size 0.04: two digits end at 900 px.
    EXPECT_EQ(NumberAt(882.0f, 155.0f, 30.0f), "50");
    EXPECT_EQ(NumberAt(882.0f, 205.0f, 30.0f), "12");
}

TEST_F(HudTest, AWordThatIsHiddenTakesNoRow) {
    g_Match.wordState[0] = 1;   // ZANTOR
    g_Match.wordState[2] = 1;   // BONUS
    g_Hud.DrawPowerWords();
    const auto z = QuadsOf(*rec, g_Hud.letters['Z' - 'A']), b = QuadsOf(*rec, g_Hud.letters['B' - 'A']);
    ASSERT_EQ(z.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_NEAR(z[0].top, 25.0f, 1.0f);
    EXPECT_NEAR(b[0].top, 65.0f, 1.0f);
}

TEST_F(HudTest, BannersStartPauseAndTestMode) {
    Shell().dt = 0.05f;
    g_Match.elapsed = 7999;
    g_Hud.DrawBanner();
    g_Hud.DrawBanner();
    EXPECT_EQ(QuadsOf(*rec, g_Hud.bannerStart).size(), 2u);
    rec->ClearLog();
    g_Match.elapsed = 8000;
    g_Hud.DrawBanner();
    EXPECT_EQ(DrawCount(), 0u);

    g_Clocks.active = CLOCK_PAUSE;
    g_Hud.DrawBanner();
    EXPECT_EQ(QuadsOf(*rec, g_Hud.bannerPause).size(), 1u);
    rec->ClearLog();
    g_Settings.test = 1;
    g_Hud.DrawBanner();
    EXPECT_EQ(DrawCount(), 0u);
}

TEST_F(HudTest, TheEnemyPanelShowsOnlyBelowSeventyAndTheAimPointOnlyWithAPower) {
    local.nearestEnemy = &enemy;
    enemy.position = {0, 0, 69.9f};
    g_Hud.Draw();
    EXPECT_EQ(QuadsOf(*rec, g_Hud.markers[1]).size(), 1u);
    EXPECT_TRUE(QuadsOf(*rec, g_Hud.aimPoint).empty());
    // No power selected: icon 0 is the lit one.
    const auto icon0 = QuadsOf(*rec, g_Hud.powerIcons[0]);
    ASSERT_EQ(icon0.size(), 1u);
    EXPECT_EQ(icon0[0].specular, 0x00646464u);

    enemy.position = {0, 0, 70.0f};
    Shell().power = 2;
    Shell().aimed = &enemy;
    rec->ClearLog();
    g_Hud.Draw();
    EXPECT_TRUE(QuadsOf(*rec, g_Hud.markers[1]).empty());
    const auto aim = QuadsOf(*rec, g_Hud.aimPoint);
    ASSERT_EQ(aim.size(), 1u);
    EXPECT_EQ(aim[0].diffuse, 0x80FF0000u);
    EXPECT_NEAR((aim[0].left + aim[0].right) * 0.5f, 500.0f, 1.0f);
    EXPECT_EQ(QuadsOf(*rec, g_Hud.powerIcons[3])[0].specular, 0x00646464u);
}

TEST_F(HudTest, RequiredLevelsShrinkInAnEasyCampaign) {
    // Under icon 10 the side's last power: level 69 shown as 70, or trunc(69 x 0.71428573) + 1.
    const float w0 = g_Hud.powerIcons[0]->w, h0 = g_Hud.powerIcons[0]->h;
    const float x = ((10 * 0.6875f + 0.7f) * w0 + 0.22f) * 1000.0f, y = (0.7f * h0 + 0.98f - h0) * 1000.0f;
    struct Case {
        int mode, difficulty;
        const char* shown;
        bool network = false;   // a network game, the campaign left in the menu before it
    };
    for (const Case& c : {Case{1, 0, "50"}, Case{1, 1, "70"}, Case{2, 0, "70"}, Case{1, 0, "70", true}}) {
        g_Menu.gameType = c.mode;
        g_Settings.difficulty = c.difficulty;
        g_NetSession.active = c.network ? 1 : 0;
        rec->ClearLog();
        g_Hud.DrawPowerBar();
        g_NetSession.active = 0;
        EXPECT_EQ(NumberAt(x, y, 20.0f), c.shown) << c.mode << " " << c.difficulty << " " << c.network;
    }
    g_Menu.gameType = 2;
    g_Settings.difficulty = 0;
}

}  // namespace
