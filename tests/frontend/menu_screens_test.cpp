// The screens' container: release before every build, the screens that build nothing, the
// campaign list's captions and the team choice's candidate.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "frontend/campaign.h"
#include "frontend/menu_fixture.h"
#include "frontend/player_record.h"
#include "frontend/player_saves.h"
#include "frontend/text_table.h"

using menutest::MenuTest;

namespace {

int LabelsInUse(const MenuScreens& s) {
    int n = 0;
    for (const TextLabel& l : s.labels) n += l.inUse ? 1 : 0;
    return n;
}

int ImagesInUse(const MenuScreens& s) {
    int n = 0;
    for (const ImageButton& b : s.images) n += b.highlightSprite ? 1 : 0;
    return n;
}

class MenuScreensTest : public MenuTest {
protected:
    void StoreCampaign(int side, int slot, const char* name, uint32_t difficulty) {
        ClearCampaign();
        g_Campaign.side = uint32_t(side);
        g_Campaign.difficulty = difficulty;
        g_Campaign.slot = slot;
        std::snprintf(g_Campaign.name, sizeof g_Campaign.name, "%s", name);
        ASSERT_TRUE(SaveCampaign(side, slot, nullptr));
    }
};

TEST_F(MenuScreensTest, EveryScreenReleasesItsOwnWidgetsBeforeItIsBuiltAgain) {
    Build(0);
    MenuScreens& s = *g_Menu.screens;
    for (int page : {0, 3, 4, 9, 10, 11}) {
        DropButtons();
        s.SetScreen(page);
        const int labels = LabelsInUse(s), images = ImagesInUse(s);
        s.SetScreen(page);
        EXPECT_EQ(LabelsInUse(s), labels) << "screen " << page;
        EXPECT_EQ(ImagesInUse(s), images) << "screen " << page;
        EXPECT_EQ(s.previousScreen, page);
    }
    // Screens 7 and 16 leave the last screen released and build nothing, yet count as built.
    for (int page : {7, 16}) {
        s.SetScreen(9);
        s.built = 0;
        s.SetScreen(page);
        EXPECT_EQ(s.built, 1);
        EXPECT_EQ(LabelsInUse(s), 0);
        EXPECT_EQ(ImagesInUse(s), 0);
        EXPECT_EQ(s.candidate, nullptr);
        EXPECT_EQ(s.candidateRecord, nullptr);
    }
}

TEST_F(MenuScreensTest, TheMainMenuLabelStandsCentredUnderItsLogo) {
    Build(0);
    const MenuScreens& s = *g_Menu.screens;
    const ImageButton& logo = s.images[0];
    ASSERT_NE(logo.highlightSprite, nullptr);
    EXPECT_FLOAT_EQ(s.labels[0].x, logo.x + logo.w / 2);
    EXPECT_FLOAT_EQ(s.labels[0].y, logo.y + logo.h);
    EXPECT_EQ(s.labels[0].alignment, 'C');
}

TEST_F(MenuScreensTest, TheCampaignListUsesSideZeroForABadSideAndShowsAtMostElevenRows) {
    setenv("TZ", "UTC0", 1);
    tzset();
    for (int slot = 0; slot < 13; ++slot) StoreCampaign(0, slot, "March", 1);
    Build(0);
    g_Menu.variant = 7;
    DropButtons();
    g_Menu.screens->SetScreen(4);
    const MenuScreens& s = *g_Menu.screens;
    EXPECT_EQ(g_Menu.variant, 0);
    EXPECT_EQ(s.saveCount, 13);
    for (int i = 0; i < SCREEN_CAPTION_ROWS; ++i) {
        ASSERT_TRUE(s.labels[i].inUse) << i;
        EXPECT_FLOAT_EQ(s.labels[i].y, 0.34f + 0.05f * float(i));
    }
    EXPECT_FALSE(s.labels[SCREEN_CAPTION_ROWS].inUse);
    // The first save made 5 December 2026 09:07:03 UTC.
    g_CampaignTimes[0] = 1796461623;
    g_Menu.screens->FormatSaveCaption(0, s.saveCount, 0);
    const std::string first = s.labels[0].text;
    EXPECT_NE(first.find("March - "), std::string::npos) << first;
    EXPECT_NE(first.find("12/5/2026 - 9:07:03"), std::string::npos) << first;

    // Fewer saves: the rows past them are gone; an unreadable time leaves its caption empty.
    g_CampaignTimes[1] = 0;
    g_Menu.screens->FormatSaveCaption(0, 2, 0);
    EXPECT_TRUE(s.labels[0].inUse);
    EXPECT_STREQ(s.labels[1].text, "");
    EXPECT_FALSE(s.labels[2].inUse);
    unsetenv("TZ");
    tzset();
}

TEST_F(MenuScreensTest, TheTeamChoiceShowsNoCandidateWhenEveryPlayerIsInTheTeam) {
    Build(0);
    g_Menu.variant = 0;
    PlayerRecord r;
    for (int i = 0; i < 2; ++i) {
        MakeRandomPlayer(0, &r);
        ASSERT_GE(AddPlayerRecord(r), 0);
    }
    MenuScreens& s = *g_Menu.screens;
    s.teamIndex[0] = NextPlayerSlot(0, -1, false);
    s.teamIndex[1] = NextPlayerSlot(0, s.teamIndex[0], false);
    DropButtons();
    s.SetScreen(5);
    EXPECT_EQ(s.candidate, nullptr);
    EXPECT_EQ(s.noCandidate, 1);
    EXPECT_FALSE(s.labels[4].inUse);
    for (int i = 0; i <= 6; ++i) EXPECT_EQ(s.panels[i].visible, 0) << i;

    // With one player out of the team the candidate is that one.
    s.teamIndex[1] = -1;
    s.SetScreen(5);
    EXPECT_EQ(s.noCandidate, 0);
    EXPECT_EQ(g_Menu.selectedPlayer, NextPlayerSlot(0, s.teamIndex[0], false));
}

}  // namespace
