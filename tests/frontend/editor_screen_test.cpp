// The player editor and the player record: look rows that wrap and stay in range, turning about
// one spot, dragging with the pointer put back, the test keys, saving and deleting; the record's
// ways out; the stored match setups; the network results' local row.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstring>
#include <utility>
#include <vector>

#include "common/binary_reader.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/look_pieces.h"
#include "fighters/match.h"
#include "frontend/campaign.h"
#include "frontend/equipment_lists.h"
#include "frontend/match_setups.h"
#include "frontend/player_saves.h"
#include "frontend/screen_logic_fixture.h"
#include "frontend/settings_files.h"
#include "frontend/texture_font.h"
#include "platform/os/os.h"
#include "scene/character_model.h"
#include "support/fighter_kit.h"
#include "support/match_harness.h"
#include "support/permission_override.h"

using menutest::Log;
using screenlogictest::ScreenLogicTest;

namespace {

std::vector<std::pair<int, int>> g_cursorMoves;
int16_t g_keys[256];

class EditorScreenTest : public ScreenLogicTest {
protected:
    void SetUp() override {
        ScreenLogicTest::SetUp();
        g_cursorMoves.clear();
        std::memset(g_keys, 0, sizeof g_keys);
        g_MenuShellCalls.setCursorPos = [](int x, int y) {
            g_cursorMoves.push_back({x, y});
            return true;
        };
        // The low bit goes with the query, as the layer's does.
        g_MenuShellCalls.asyncKeyState = [](int vk) {
            const int16_t state = g_keys[vk & 0xFF];
            g_keys[vk & 0xFF] = int16_t(state & ~1);
            return state;
        };
        g_Menu.variant = 0;
        g_Menu.gameType = 2;
        // The previews need the sides' skeletons, which the kit's folder holds.
        const std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(testsupport::FighterFilesFolder());
        LoadAllSkeletons(false);
        std::filesystem::current_path(previous);
    }
    void TearDown() override {
        // The previews go with the menu, the skeletons before the scene they draw from.
        ResetMenu();
        FreeSkeletons();
        ScreenLogicTest::TearDown();
    }
    int AddPlayer() {
        PlayerRecord r;
        MakeRandomPlayer(0, &r);
        return AddPlayerRecord(r);
    }
    void AnswerYes() {
        g_Menu.enterPressed = 1;
        Frame(false);
        g_Menu.enterPressed = 0;
    }
    // The point a preview turns about.
    static Vec3 Spot(const Character* c) {
        return Vec3{c->position.x - std::sin(c->yaw) * EDITOR_PIVOT_BEHIND, 0.0f,
                    c->position.z - std::cos(c->yaw) * EDITOR_PIVOT_BEHIND};
    }
};

TEST_F(EditorScreenTest, LookRowsWrapAtBothEndsAndBringBadValuesBackInside) {
    struct Row { int row, lo, hi; };
    // Skin of 5, eyes and clothes of 10, hair and glasses of 6 or none, hair colour of 6, tattoos
    // of 8 or none.
    const Row rows[] = {{0, 0, 4}, {1, 0, 9}, {2, 0, 9}, {3, -1, 5}, {4, 0, 5}, {5, -1, 5}, {7, -1, 7}};
    auto value = [](const PlayerLook& l, int row) {
        const int32_t v[8] = {int32_t(l.skin), int32_t(l.eyes), int32_t(l.clothes), l.hair, int32_t(l.hairColour),
                              l.glasses, 0, l.tattoos[3]};
        return v[row];
    };
    for (const Row& r : rows) {
        PlayerLook look{};
        int32_t category = 3;
        while (value(look, r.row) != r.lo) StepLookRow(&look, r.row, -1, &category);
        StepLookRow(&look, r.row, -1, &category);
        EXPECT_EQ(value(look, r.row), r.hi) << r.row;
        StepLookRow(&look, r.row, 1, &category);
        EXPECT_EQ(value(look, r.row), r.lo) << r.row;
        for (int32_t bad : {r.hi + 40, r.lo - 40, int32_t(0x80000000u), 0x7fffffff}) {
            for (int dir : {-1, 1}) {
                PlayerLook b{};
                b.skin = b.eyes = b.clothes = b.hairColour = uint32_t(bad);
                b.hair = b.glasses = b.tattoos[3] = bad;
                StepLookRow(&b, r.row, dir, &category);
                EXPECT_GE(value(b, r.row), r.lo) << r.row << " " << bad;
                EXPECT_LE(value(b, r.row), r.hi) << r.row << " " << bad;
            }
        }
    }
    int32_t category = 7;
    PlayerLook look{};
    StepLookRow(&look, 6, 1, &category);
    EXPECT_EQ(category, 0) << "eight tattoo slots";
}

TEST_F(EditorScreenTest, ThePreviewWearsItsRecordsLookFromTheStart) {
    for (int n = 0; n < 6; ++n) {
        const std::string name = "Pelo0" + std::to_string(n);
        testsupport::WriteMovableNode("Modelos/Objetos Dinamicos/" + name + ".y3d", name + "(DIN)", false);
    }
    ResetPackFiles();
    PlayerRecord r;
    MakeRandomPlayer(0, &r);
    r.look.hair = 2;
    // No helmet over the hair.
    for (int kind = 0; kind < EQUIPMENT_KIND_COUNT; ++kind) SetPlayerEquipment(&r, kind, -1);
    const int slot = AddPlayerRecord(r);
    ASSERT_GE(slot, 0);
    g_Menu.SelectPlayer(slot, 0);
    Show(9);
    ASSERT_NE(s->candidate, nullptr);
    const CharacterAttachment& hair = s->candidate->model->attachments[LOOK_HAIR];
    ASSERT_EQ(hair.inUse, 1) << "the hair is on before any change";
    EXPECT_STREQ(hair.object->name, "Pelo02(DIN)");
}

TEST_F(EditorScreenTest, TurnsKeepTheSpotDraggingPutsThePointerBackAndTestKeysStepOncePerPress) {
    ASSERT_GE(AddPlayer(), 0);
    Show(9);
    Character* c = s->candidate;
    ASSERT_NE(c, nullptr);
    const float yaw = c->yaw;
    const Vec3 spot = Spot(c);
    Click(s->images[1]);
    EXPECT_NEAR(std::remainder(c->yaw - yaw - EDITOR_TURN_STEP, 6.2831853f), 0.0f, 1e-4f);
    Click(s->images[2]);
    Click(s->images[2]);
    EXPECT_NEAR(std::remainder(c->yaw - yaw + EDITOR_TURN_STEP, 6.2831853f), 0.0f, 1e-4f);
    EXPECT_NEAR(Spot(c).x, spot.x, 1e-4f);
    EXPECT_NEAR(Spot(c).z, spot.z, 1e-4f);
    EXPECT_EQ(Log().sounds, std::vector<int>({200, 200, 200}));

    // The auto-turn runs until a turn button stops it.
    Click(s->images[0]);
    EXPECT_EQ(s->editor.autoTurn, 1);
    float before = c->yaw;
    Frame(false);
    EXPECT_NEAR(c->yaw - before, EDITOR_AUTO_TURN, 1e-4f);
    Click(s->images[1]);
    EXPECT_EQ(s->editor.autoTurn, 0);

    // A press on the preview's panel away from its buttons; then each held frame turns by the
    // pointer's way from the anchor and puts the pointer back.
    const MenuPanel& panel = s->panels[0];
    PointAtRect(panel.x, panel.y, panel.w, panel.h * 0.5f);
    const int ax = g_Mouse.x, ay = g_Mouse.y;
    Frame(true);
    ASSERT_EQ(s->editor.dragging, 1);
    before = c->yaw;
    const Vec3 dragSpot = Spot(c);
    g_Mouse.x = ax + 25;
    Frame(false, true);
    EXPECT_NEAR(std::remainder(c->yaw - before + 25 * EDITOR_DRAG_FACTOR, 6.2831853f), 0.0f, 1e-4f);
    EXPECT_EQ(g_cursorMoves, (std::vector<std::pair<int, int>>{{ax, ay}}));
    EXPECT_NEAR(Spot(c).x, dragSpot.x, 1e-4f);
    Frame(false);
    EXPECT_EQ(s->editor.dragging, 0) << "the button let go";

    // The test keys: the letter held picks the piece, each keypad press steps it once.
    int32_t* gloves = &s->candidateRecord->look.equipment[1];
    g_Settings.test = 0;
    g_keys['G'] = int16_t(0x8000);
    g_keys[os::VK_ADD] = 1;
    Frame(false);
    EXPECT_EQ(*gloves, -1) << "only in the test setting";
    g_Settings.test = 1;
    g_keys[os::VK_ADD] = 1;
    Frame(false);
    Frame(false);
    EXPECT_EQ(*gloves, 0) << "one press, one step";
    g_keys[os::VK_SUBTRACT] = 1;
    Frame(false);
    g_keys[os::VK_SUBTRACT] = 1;
    Frame(false);
    EXPECT_EQ(*gloves, EQUIPMENT_ROWS_PER_KIND - 1) << "-1 wraps to 53";
    EXPECT_EQ(s->candidateRecord->look.equipment[0], -1) << "the helmet's letter is up";
    g_Settings.test = 0;
}

TEST_F(EditorScreenTest, ChangesAreSavedOnYesAndDeleteLeavesNoSlotOnTheDeletedPlayer) {
    const int first = AddPlayer(), second = AddPlayer();
    ASSERT_GE(second, 0);
    ASSERT_TRUE(SavePlayer(0, first));
    ASSERT_TRUE(SavePlayer(0, second));
    g_Menu.SelectPlayer(first, 0);
    Show(9);
    // A step marks the record changed; moving on asks, and yes writes it first.
    const uint32_t skin = s->candidateRecord->look.skin;
    Click(s->images[6]);
    Click(s->images[4]);
    EXPECT_EQ(s->boxOpen, 1);
    EXPECT_EQ(g_Menu.selectedPlayer, first);
    AnswerYes();
    EXPECT_EQ(g_Menu.selectedPlayer, second);
    EXPECT_EQ(g_Menu.playerTables.records[0][first]->look.skin, (skin + 1) % 5);
    g_Menu.LoadPlayerSaves(2);
    ASSERT_NE(g_Menu.playerTables.records[0][first], nullptr);
    EXPECT_EQ(g_Menu.playerTables.records[0][first]->look.skin, (skin + 1) % 5) << "written";

    // Delete the second, standing in two team slots: the slots and the preview let go of it.
    g_Menu.SelectPlayer(second, 0);
    Show(9);
    s->teamIndex[2] = second;
    g_Menu.teamSlots[0][3] = second;
    Click(s->buttons[1]);
    ASSERT_EQ(s->boxOpen, 1);
    AnswerYes();
    EXPECT_EQ(s->teamIndex[2], -1);
    EXPECT_EQ(g_Menu.teamSlots[0][3], -1);
    EXPECT_EQ(g_Menu.playerTables.records[0][second], nullptr);
    EXPECT_EQ(g_Menu.selectedPlayer, first) << "the next used player is shown";
    EXPECT_NE(s->candidate, nullptr);
    // The last one: no player, no preview, and nothing more to delete.
    Click(s->buttons[1]);
    AnswerYes();
    EXPECT_EQ(g_Menu.selectedPlayer, -1);
    EXPECT_EQ(s->candidate, nullptr);

    // A random player is nobody's until saved; saving adds it.
    Click(s->buttons[0]);
    EXPECT_NE(s->candidate, nullptr);
    EXPECT_EQ(g_Menu.selectedPlayer, -1);
    g_Menu.previousPage = 5;
    Click(s->images[21]);
    ASSERT_EQ(s->boxOpen, 1);
    Log().sounds.clear();
    AnswerYes();
    EXPECT_GE(g_Menu.selectedPlayer, 0);
    EXPECT_EQ(g_Menu.playerTables.count[0], 1);
    ExpectLeft(9, 5, {200, 205});
}

// "Keep changes" puts the player into the list only; the editor is not left with it there alone.
TEST_F(EditorScreenTest, APlayerKeptOnlyInTheListIsAskedAboutWhenTheEditorIsLeft) {
    const TrainingBlock training = g_Training;
    g_Training.game.playerSlot = -1;
    // A new random player, one piece changed, kept, then back to the training page: asked, yes
    // writes it and the training page gets it.
    g_Menu.previousPage = 2;
    Show(9);
    ASSERT_EQ(g_Menu.selectedPlayer, -1);
    Click(s->buttons[0]);
    ASSERT_NE(s->candidate, nullptr);
    Click(s->images[8]);
    const PlayerRecord made = *s->candidateRecord;
    Click(s->buttons[2]);
    const int slot = g_Menu.selectedPlayer;
    ASSERT_GE(slot, 0) << "kept into the list";
    ASSERT_NE(g_Menu.playerTables.records[0][slot], nullptr);
    EXPECT_EQ(g_Menu.playerTables.records[0][slot]->look.eyes, made.look.eyes);
    const std::string file = "Saves/Orlins/PlO" + std::string(slot < 10 ? "0" : "") + std::to_string(slot) + ".dat";
    EXPECT_FALSE(std::filesystem::exists(dir.path() / file)) << "no file yet";
    EXPECT_EQ(s->boxOpen, 0);
    Click(s->images[21]);
    ASSERT_EQ(s->boxOpen, 1) << "leaving asks about the player the file lacks";
    EXPECT_EQ(g_Menu.page, 9);
    Log().sounds.clear();
    AnswerYes();
    ExpectLeft(9, 2, {200, 205});
    EXPECT_EQ(g_Training.game.playerSlot, slot);
    const std::string bytes = dir.Read(file);
    ASSERT_GE(bytes.size(), PLAYER_RECORD_SIZE);
    BinaryReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    PlayerRecord saved{};
    ASSERT_TRUE(ReadPlayerRecord(reader, 0, &saved));
    EXPECT_EQ(std::memcmp(&saved.look, &made.look, sizeof saved.look), 0);

    // A saved player changed and kept: moving on asks too; no leaves its file as it was, and
    // the next player shown has nothing to ask about.
    const int other = AddPlayer();
    ASSERT_TRUE(SavePlayer(0, other));
    g_Menu.SelectPlayer(slot, 0);
    Show(9);
    Click(s->images[6]);
    Click(s->buttons[2]);
    EXPECT_EQ(g_Menu.playerTables.records[0][slot]->look.skin, (made.look.skin + 1) % 5);
    Click(s->images[4]);
    ASSERT_EQ(s->boxOpen, 1);
    g_Menu.escapePressed = 1;
    Frame(false);
    g_Menu.escapePressed = 0;
    EXPECT_EQ(g_Menu.selectedPlayer, other);
    EXPECT_EQ(dir.Read(file), bytes) << "no writes nothing";
    Click(s->images[21]);
    EXPECT_EQ(s->boxOpen, 0) << "the player shown now is as its file holds it";
    g_Training = training;
}

TEST_F(EditorScreenTest, YesToSavingIntoAReadOnlyFolderKeepsTheEditorAndSaysTheSaveFailed) {
    const int first = AddPlayer(), second = AddPlayer();
    ASSERT_TRUE(SavePlayer(0, first));
    ASSERT_TRUE(SavePlayer(0, second));
    const std::string before = dir.Read("Saves/Orlins/PlO00.dat");
    g_Menu.SelectPlayer(first, 0);
    Show(9);
    Click(s->images[6]);
    Click(s->images[4]);
    ASSERT_EQ(s->boxOpen, 1);
    EXPECT_EQ(s->notice.open, 0);

    struct Clock {
        uint32_t now = os::timeGetTime();
        Clock() { os::SetTimeSource([this] { return now; }); }
        ~Clock() { os::SetTimeSource({}); }
    } clock;
    const std::filesystem::path folder = dir.path() / "Saves/Orlins";
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    {
        WithoutPermissionOverride guard;
        if (!guard.active() && ::geteuid() == 0) {
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
            GTEST_SKIP() << "this machine withholds the giving up of root's permission override";
        }
        AnswerYes();
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    EXPECT_EQ(g_Menu.selectedPlayer, first) << "the editor stays on the player it could not save";
    EXPECT_EQ(s->editor.changed, 1);
    EXPECT_EQ(dir.Read("Saves/Orlins/PlO00.dat"), before);
    ASSERT_EQ(s->notice.open, 1);
    const char* told = s->notice.label.text ? s->notice.label.text : s->notice.text;
    EXPECT_STREQ(told, "Could not save the player to Saves\\Orlins\\PlO00.dat");
    // The notice goes by itself; the next yes, into a folder that takes it, saves.
    clock.now += 3900;
    Frame(false);
    EXPECT_EQ(s->notice.open, 1);
    clock.now += 200;
    Frame(false);
    EXPECT_EQ(s->notice.open, 0);
    Click(s->images[4]);
    ASSERT_EQ(s->boxOpen, 1);
    AnswerYes();
    EXPECT_EQ(g_Menu.selectedPlayer, second);
    EXPECT_NE(dir.Read("Saves/Orlins/PlO00.dat"), before);
}

TEST_F(EditorScreenTest, ThePlayerRecordLeavesToTheShopsTheMatchAndTheMissions) {
    const int member = AddPlayer();
    ClearCampaign();
    g_Campaign.side = 0;
    g_Campaign.slot = 0;
    g_Campaign.pendingPoints[0] = 10;
    struct Case { int button, target, fx; };
    for (Case c : {Case{0, 14, 204}, Case{1, 15, 204}, Case{2, PAGE_START_MATCH, 204}, Case{-1, 11, 205}}) {
        s->teamIndex[0] = member;
        s->CopyTeamRecord(0);
        g_Menu.teamSlots[0][0] = member;
        Show(10);
        if (c.button == 2) {
            const float before = s->teamRecords[0].attributes[0];
            Click(s->buttons[3]);
            EXPECT_EQ(g_Campaign.pendingPoints[0], 0);
            EXPECT_GT(s->teamRecords[0].attributes[0], before);
            // Stored at once, in the table as on the card.
            EXPECT_EQ(g_Menu.playerTables.records[0][member]->attributes[0], s->teamRecords[0].attributes[0]);
            Log().sounds.clear();
        }
        if (c.button >= 0)
            Click(s->buttons[c.button]);
        else
            Click(s->images[6]);
        ExpectLeft(10, c.target, {c.fx});
    }
    // Start and back stored the team: the spent points reached the player's table and the file.
    EXPECT_EQ(g_Menu.playerTables.records[0][member]->attributes[0], s->teamRecords[0].attributes[0]);
    EXPECT_EQ(ListCampaigns(0), 1);
}

TEST_F(EditorScreenTest, AStoredSetupFillsTheKindsGoalsAndTheAlliesThatExist) {
    struct Offsets { int pair, time; bool scaled; };
    const Offsets byKind[MISSION_KINDS] = {{116, -1, false}, {-1, 152, true}, {124, 152, true},
                                           {132, 152, true}, {140, 148, false}, {108, -1, false}};
    g_Settings.difficulty = 0;
    const int ally = AddPlayer();
    for (int kind = 0; kind < MISSION_KINDS; ++kind) {
        MissionRecord setup{};
        setup.words[1] = uint32_t(kind);
        setup.words[13] = uint32_t(ally);
        setup.words[14] = 1000;           // beyond the table
        setup.words[15] = 0xFFFFFFFFu;    // none
        setup.words[17] = 12;
        setup.words[20] = 7;
        setup.words[21] = 9;
        setup.words[22] = 8;
        GameSettingsBlock block;
        std::memset(&block, 0xAB, sizeof block);
        ClearEquipmentLists();
        s->ApplyMatchSetup(&block, setup);
        uint32_t w[44];
        std::memcpy(w, &block, sizeof w);
        EXPECT_EQ(w[6], uint32_t(kind));
        const Offsets& o = byKind[kind];
        for (int off = 108; off < 156; off += 4) {
            uint32_t want = 0xABABABABu;
            if (off == o.pair) want = 7;
            if (off == o.pair + 4 && o.pair >= 0) want = 9;
            if (off == o.time) want = o.scaled ? 10 : 8;
            EXPECT_EQ(w[off / 4], want) << "kind " << kind << " offset " << off;
        }
        EXPECT_EQ(s->teamIndex[1], ally);
        EXPECT_EQ(s->teamRecords[1].level, 12u);
        EXPECT_EQ(s->teamIndex[2], -1);
        EXPECT_EQ(s->teamIndex[3], -1);
        EXPECT_GT(ShopCount(), 0) << "the shop built for the team";
    }

    // The team-ready screen plays the first step not won, from 19 down for side 1.
    for (int side = 0; side < 2; ++side) {
        g_Menu.variant = side;
        ClearCampaign();
        for (int i = 0; i < 3; ++i) g_Campaign.scenarios[side == 0 ? i : 19 - i][CAMPAIGN_WON] = 1;
        EXPECT_TRUE(s->PrepareTeamReady());
        const int step = side == 0 ? 3 : 16;
        MissionRecord stored;
        ASSERT_TRUE(FindMatchSetup(side, step, &stored));
        EXPECT_EQ(g_GameSettings.scenario, step);
        EXPECT_EQ(g_GameSettings.gameKind, int32_t(stored.words[1]));
        for (auto& sc : g_Campaign.scenarios) sc[CAMPAIGN_WON] = 1;
        EXPECT_FALSE(s->PrepareTeamReady());
        EXPECT_EQ(s->screen, 23);
    }
    MissionRecord none;
    EXPECT_FALSE(FindMatchSetup(0, 20, &none));
    EXPECT_FALSE(FindMatchSetup(2, 0, &none));
}

TEST_F(EditorScreenTest, TheNetworkResultsDrawTheLocalRowInTheHighlightColour) {
    g_Menu.results[RESULT_ELAPSED] = 1000;
    g_Menu.saveMode = 1;
    g_Menu.resultsFought = 0x7;
    g_Menu.localSlot = 1;
    Show(18);
    rec->ClearLog();
    s->DrawValues();
    const float h = float(g_Video.screenRect.bottom + 1);
    // The top of each printed text, by its colour.
    std::vector<float> highlighted, plain;
    for (const gfx::DrawRecord& d : rec->Draws()) {
        float top[2] = {2.0f, 2.0f};
        for (const screentest::DrawnVertex& v : screentest::VerticesOf(d)) {
            if (v.diffuse == FontColors[2]) top[0] = std::min(top[0], v.y / h);
            if (v.diffuse == FontColors[18]) top[1] = std::min(top[1], v.y / h);
        }
        if (top[0] < 2.0f) highlighted.push_back(top[0]);
        if (top[1] < 2.0f) plain.push_back(top[1]);
    }
    ASSERT_FALSE(highlighted.empty());
    ASSERT_FALSE(plain.empty());
    const float rowStep = s->labels[9].y - s->labels[8].y;
    for (float y : highlighted) EXPECT_NEAR(y, s->labels[9].y, rowStep * 0.5f);
    for (float y : plain) EXPECT_GT(std::fabs(y - s->labels[9].y), rowStep * 0.5f) << y;
}

}  // namespace
