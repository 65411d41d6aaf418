// The campaign screens through the real loop: the credits from the main menu's logo, the
// campaign list loading and deleting a saved campaign, and a team campaign from its name to a
// won match, the results and both teams' pages, and out through the quit box.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "e2e/e2e_fixture.h"
#include "frontend/campaign.h"
#include "frontend/mission_table.h"
#include "frontend/player_saves.h"
#include "frontend/text_label.h"

namespace {

using testsupport::ScriptedProgram;
using namespace e2e;

bool OnScreen(int screen) { return g_Menu.screens && g_Menu.screens->screen == screen && g_Menu.page == screen; }

ScriptedProgram::Locate Image(int screen, int i) { return ScreenArrow(screen, i); }

ScriptedProgram::Locate Button(int screen, int i) {
    return [screen, i](float* x, float* y) { return OnScreen(screen) && ScriptedProgram::Middle(g_Menu.screens->buttons[i], x, y); };
}

ScriptedProgram::Locate LabelOf(int screen, int i) {
    return [screen, i](float* x, float* y) {
        if (!OnScreen(screen)) return false;
        const TextLabel& l = g_Menu.screens->labels[i];
        if (!l.inUse || l.w <= 0) return false;
        // A centred label's anchor is its middle.
        *x = l.x, *y = l.y + l.h / 2;
        return true;
    };
}

// The ink of label `slot` of the shown screen, read from the frame drawn last.
void ReadLabelInk(ScriptedProgram& p, int slot, std::shared_ptr<int> ink) {
    p.Wait(2).Do("read the frame", [slot, ink](ScriptedProgram&) {
        *ink = ScriptedProgram::ReadFrame().LabelInk(g_Menu.screens->labels[slot]);
    });
}

std::string CampaignFile(const ScopedWorkDir& dir, const char* name) {
    return (dir.path() / "Saves" / "CAMPAIGNS" / name).string();
}

TEST_F(ScriptedRunTest, TheLogoLeadsToTheCreditsAndTheirBackArrowHome) {
    testsupport::WriteScriptedFolder(dir);
    auto logoInk = std::make_shared<int>(-1), creditsInk = std::make_shared<int>(-1);
    program.WaitForPage(0);
    ReadLabelInk(program, 0, logoInk);
    program.ClickWhere("the logo", Image(0, 0)).WaitForPage(19);
    // Halfway into the first page the panel is white and the title shows on it.
    program.Wait(100);
    ReadLabelInk(program, 0, creditsInk);
    program.ClickWhere("the credits' back arrow", Image(19, 0)).WaitForPage(0);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 19 0");
    EXPECT_GT(*logoInk, 20);
    EXPECT_GT(*creditsInk, 20);
}

// A team campaign of side 0 saved in its first slot, its team the side's first four players,
// at its first stage with the missions of the table.
void WriteTeamCampaign(const ScopedWorkDir& dir, const char* name) {
    ClearCampaign();
    CampaignBlock& b = g_Campaign;
    std::snprintf(b.name, sizeof b.name, "%s", name);
    b.slot = 0;
    b.side = 0;
    b.difficulty = 1;
    b.stage = 0;
    for (int i = 0; i < CAMPAIGN_MEMBERS; ++i) b.members[i] = i;
    for (int s = 0; s < CAMPAIGN_SCENARIOS; ++s)
        for (int k = 0; k < MISSION_KINDS; ++k) b.scenarios[s][CAMPAIGN_PLAYED + k] = FindMission(MISSIONS, 0, s, k)->Available();
    const std::vector<uint8_t> bytes = EncodeCampaign(b);
    std::filesystem::create_directories(dir.path() / "Saves" / "CAMPAIGNS");
    dir.Write("Saves/CAMPAIGNS/CO00.dat", std::string(bytes.begin(), bytes.end()));
    ClearCampaign();
}

TEST_F(ScriptedRunTest, ASavedCampaignIsLoadedFromTheListAndDeletedOnYes) {
    testsupport::WriteScriptedFolder(dir);
    WriteTeamCampaign(dir, "Brigada");
    auto rowInk = std::make_shared<int>(-1);
    auto loadedName = std::make_shared<std::string>();
    program.WaitForPage(0).ChooseMenuButton(0).WaitForPage(1).ChooseMenuButton(3).WaitForPage(4);
    ReadLabelInk(program, 0, rowInk);
    program.ClickUntil("the first row", LabelOf(4, 0), [] { return g_Menu.screens->saveSelected == 0; });
    program.ClickWhere("load", Button(4, 2)).WaitForPage(11);
    program.Do("the loaded campaign", [loadedName](ScriptedProgram&) { *loadedName = g_Campaign.name; });
    // Back from the missions asks first; yes leads to the play type.
    program.ClickUntil("the missions' back arrow", Image(11, 30), [] { return g_Menu.screens->boxOpen != 0; });
    program.TapKey(os::VK_RETURN).WaitForPage(1).ChooseMenuButton(3).WaitForPage(4);
    program.ClickUntil("the first row", LabelOf(4, 0), [] { return g_Menu.screens->saveSelected == 0; });
    program.ClickUntil("delete", Button(4, 3), [] { return g_Menu.screens->boxOpen != 0; });
    program.TapKey(os::VK_RETURN).WaitUntil("the list emptied", [] { return g_Menu.screens->saveCount == 0; }, 30);
    program.ClickWhere("the list's back arrow", Image(4, 2)).WaitForPage(1);
    RunToEnd();
    EXPECT_EQ(program.PagesText(), "0 1 4 11 1 4 1");
    EXPECT_EQ(*loadedName, "Brigada");
    EXPECT_GT(*rowInk, 20) << "the campaign's caption row";
    EXPECT_FALSE(std::filesystem::exists(CampaignFile(dir, "CO00.dat")));
}

}  // namespace
