#include <cstdio>
#include <cstring>
#include <string>

#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/menu_fixture.h"
#include "frontend/screen_logic_setup.h"
#include "frontend/sprite2d.h"
#include "net/session.h"
#include "render/material.h"
#include "render/texture_manager.h"
#include "scene/light_node.h"
#include "scene/object_list.h"
#include "world/scenario.h"

namespace menutest {
namespace {

TEST_F(MenuTest, ThePictureTableFillsEverySlotWithTheTwoAddTeamArrowsSwapped) {
    Build(0);
    for (int i = 0; i < MENU_PICTURE_COUNT; ++i) EXPECT_NE(g_Menu.pictures[i], nullptr) << i;
    EXPECT_STREQ(g_Menu.pictures[41]->name, "FlechaAddTeamON");
    EXPECT_STREQ(g_Menu.pictures[42]->name, "FlechaAddTeamOFF");
    // The scroll bar's left end is a strip of its texture; the patches are rows of one picture.
    EXPECT_FLOAT_EQ(g_Menu.pictures[4]->texRight, 0.068359375f);
    EXPECT_FLOAT_EQ(g_Menu.pictures[23]->texTop, 0.40625f);
    EXPECT_EQ(g_Menu.pictures[21]->textureId, g_Menu.pictures[24]->textureId);
    EXPECT_FLOAT_EQ(g_Menu.pictures[34]->w, 0.32f) << "mode 2: the size is the width";
    EXPECT_FLOAT_EQ(g_Menu.pictures[0]->h, 0.08f) << "mode 1: the size is the height";
}

TEST_F(MenuTest, ABadSizeModeOrAMissingPictureLeavesTheSlotAsItWas) {
    Build(0);
    Sprite2D* kept = g_Menu.pictures[0];
    EXPECT_FALSE(LoadMenuPicture(&g_Menu.pictures[0], "BotonDerOn", 0.1f, 0, 0, 1, 1, 4));
    EXPECT_FALSE(LoadMenuPicture(&g_Menu.pictures[0], "NoSuchPicture", 0.1f, 0, 0, 1, 1, 0));
    EXPECT_EQ(g_Menu.pictures[0], kept);
    // The screens folder is the second place looked in.
    EXPECT_TRUE(LoadMenuPicture(&g_Menu.pictures[0], "Menu05", 0.1f, 0, 0, 1, 1, 0));
    EXPECT_STREQ(g_Menu.pictures[0]->name, "Menu05");
}

TEST_F(MenuTest, BuildingAPageOnAnActiveMenuLoadsNothingAgain) {
    Build(0);
    ASSERT_TRUE(g_Menu.active);
    EXPECT_EQ(g_Menu.previousPage, -1);
    ASSERT_NE(g_Menu.screens, nullptr);
    const uint32_t textures = g_Scene.textures->count, materials = g_Scene.materials->count;
    const size_t lights = g_Scene.lights.size();
    MenuScreens* screens = g_Menu.screens;
    Sprite2D* picture = g_Menu.pictures[10];
    DropButtons();
    Build(8);
    EXPECT_EQ(g_Scene.textures->count, textures);
    EXPECT_EQ(g_Scene.materials->count, materials);
    EXPECT_EQ(g_Scene.lights.size(), lights);
    EXPECT_EQ(g_Menu.screens, screens);
    EXPECT_EQ(g_Menu.pictures[10], picture);
    EXPECT_EQ(g_Menu.screens->screen, 8);
    EXPECT_EQ(g_Menu.screens->previousScreen, 0);
    EXPECT_EQ(g_Menu.buttonCount, 0);
    EXPECT_EQ(GetTextLabelMode(), LABEL_MODE_TEXTURE);
}

TEST_F(MenuTest, TheCursorModelLeavesTheObjectListAndFiveMenuLightsJoinTheScene) {
    Build(0);
    ASSERT_NE(g_Menu.cursorModel, nullptr);
    for (ObjectListNode* n = g_Scene.objects->head; n; n = n->next) EXPECT_NE(n->object, g_Menu.cursorModel);
    int omni = 0;
    for (LightNode* l : g_Scene.lights) omni += l->name == "OmniMenu";
    EXPECT_EQ(omni, 5);
    ASSERT_NE(g_Scene.sun, nullptr);
    EXPECT_EQ(g_Scene.sun->name, "sol");
    EXPECT_GE(g_Menu.textMaterial, 0);
    EXPECT_NE(g_Menu.textMaterial, g_Menu.textMaterialDisabled);
}

TEST_F(MenuTest, PageTwentyNineQuitsAndPageTwentyFiveStartsTheMatchAndBuildsNoScreen) {
    Build(0);
    Build(29);
    EXPECT_EQ(Log().quit, 1);
    EXPECT_EQ(g_Menu.screens->screen, 29) << "handed to the screens like any page";
    Build(25);
    EXPECT_EQ(Log().startGame, 1);
    EXPECT_EQ(Log().cameraPitch, 1);
    EXPECT_FALSE(g_Menu.active);
    EXPECT_EQ(g_Menu.screens, nullptr);
}

TEST_F(MenuTest, TheButtonPagesMakeTheirWordsFromTheTextTableTopToBottom) {
    struct Case {
        int page;
        std::vector<const char*> texts;
    };
    const Case cases[] = {{0, {"Jugar", "Red", "Opciones", "Salir"}},
                          {1, {"Campa\xf1" "a", "Cargar", "Partida", "Equipo", "Entrenamiento", "Volver"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        Build(c.page);
        ASSERT_EQ(g_Menu.buttonCount, int(c.texts.size()));
        for (int k = 0; k < g_Menu.buttonCount; ++k) {
            EXPECT_STREQ(g_Menu.buttons[k].text, c.texts[k]) << k;
            if (k) EXPECT_LT(g_Menu.buttons[k].position.y, g_Menu.buttons[k - 1].position.y) << "lower on screen";
            EXPECT_NEAR(g_Menu.buttons[k].position.x, 0.0f, 0.05f) << "centred";
        }
        DropButtons();
    }
}

TEST_F(MenuTest, HoldingTheButtonOverAWordStartsExactlyOneTransition) {
    Build(0);
    StopFading();
    ASSERT_GT(g_Menu.buttons[0].letterCount, 0);
    PointAt(g_Menu.buttons[0]);
    g_Mouse.buttons[MOUSE_LEFT].held = 1;
    g_Menu.Update();
    EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
    EXPECT_EQ(g_Menu.targetPage, 1);
    EXPECT_EQ(Log().sounds, (std::vector<int>{200, 204}));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(g_Menu.buttons[k].animation, TEXT3D_FLY_OUT) << k;
    g_Menu.Update();
    EXPECT_EQ(Log().sounds.size(), 2u) << "held on: no second action";
}

TEST_F(MenuTest, AClickPressedAndReleasedBetweenTwoFramesStillStartsTheTransition) {
    Build(0);
    StopFading();
    PointAt(g_Menu.buttons[1]);
    // Both messages came before the frame: the press left its edge, the release cleared held.
    g_Mouse.buttons[MOUSE_LEFT].pressed = 1;
    g_Mouse.buttons[MOUSE_LEFT].released = 1;
    g_Mouse.buttons[MOUSE_LEFT].held = 0;
    g_Menu.Update();
    EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
    EXPECT_EQ(g_Menu.targetPage, 6) << "the network word";
    g_Menu.Update();
    EXPECT_EQ(Log().sounds, (std::vector<int>{200, 204})) << "the edge is spent: one action";
}

TEST_F(MenuTest, WhileTheQuitQuestionIsOpenTheWordsNeitherReactNorMove) {
    Build(0);
    StopFading();
    PointAt(g_Menu.buttons[3]);
    g_Mouse.buttons[MOUSE_LEFT].held = 1;
    g_Menu.Update();
    EXPECT_EQ(g_Menu.page, 0) << "the fourth word opens the question, no transition";
    EXPECT_TRUE(g_Menu.screens->boxOpen);
    EXPECT_EQ(Log().sounds, std::vector<int>{200});
    PointAt(g_Menu.buttons[0]);
    const Vec3 before = g_Menu.buttons[0].letters[0].offset;
    const int animation = g_Menu.buttons[0].animation;
    g_Menu.Update();
    EXPECT_EQ(g_Menu.page, 0);
    EXPECT_EQ(g_Menu.buttons[0].animation, animation);
    EXPECT_EQ(std::memcmp(&before, &g_Menu.buttons[0].letters[0].offset, sizeof before), 0);
}

TEST_F(MenuTest, ATransitionSetByAScreenOnAPageWithoutWordsEndsInTheSameFrame) {
    Build(8);
    StopFading();
    g_Menu.page = PAGE_TRANSITION;
    g_Menu.targetPage = 3;
    g_Menu.Update();
    EXPECT_EQ(g_Menu.page, 3);
    EXPECT_EQ(g_Menu.screens->screen, 3);
    ASSERT_NE(g_Menu.background, nullptr);
    EXPECT_STREQ(g_Menu.background->name, "Menu03");
}

struct NetLog {
    bool succeed = false;
    std::vector<std::string> calls;
};

NetLog& Net() {
    static NetLog log;
    return log;
}

TEST_F(MenuTest, NetworkTargetsResolveInTheFrameThatEndsTheTransition) {
    MenuNetCalls calls{};
    calls.start = [](bool host, const char* name, uint32_t port, const char* address) {
        Net().calls.push_back(std::string(host ? "host " : "client ") + name + " " + std::to_string(port) + " " +
                              (address ? address : "-"));
        return Net().succeed;
    };
    calls.join = [](int index) {
        Net().calls.push_back("join " + std::to_string(index));
        return Net().succeed;
    };
    calls.stop = [] { Net().calls.push_back("stop"); };
    calls.stopSearch = [] { Net().calls.push_back("stop search"); };
    g_MenuNetCalls = calls;
    std::snprintf(g_Multiplayer.playerName, sizeof g_Multiplayer.playerName, "Ana");
    std::snprintf(g_Multiplayer.hostAddress, sizeof g_Multiplayer.hostAddress, "10.0.0.2");
    g_Multiplayer.port = 25857;
    g_Multiplayer.secondPort = 25858;
    Log().releaseMenuOnStart = false;
    struct Case {
        int target;
        bool succeed;
        int page;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        // The join tab searches afresh as it opens, on the stored port.
        {7, true, 6, {"client Ana 25858 10.0.0.2", "stop", "client Ana 25857 -"}},
        {7, false, 0, {"client Ana 25858 10.0.0.2", "stop"}},
        {26, true, 25, {"join 2"}},
        {26, false, 6, {"join 2", "stop", "client Ana 25857 -"}},
        {27, true, 25, {"host Ana 25857 10.0.0.2"}},
        {27, false, 0, {"host Ana 25857 10.0.0.2", "stop"}},
        {28, true, 0, {"stop search", "stop"}},
    };
    Build(8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target * 10 + c.succeed);
        DropButtons();
        StopFading();
        // As a finished fade-out leaves it: the screen held black.
        g_Fader.fadingIn = 1;
        Net() = NetLog{c.succeed, {}};
        g_Menu.screens->chosenSession = 2;
        g_Menu.page = PAGE_TRANSITION;
        g_Menu.targetPage = c.target;
        g_Menu.Update();
        EXPECT_EQ(g_Menu.page, c.page);
        EXPECT_EQ(Net().calls, c.calls);
        if (c.target == 26) EXPECT_EQ(g_Menu.screens->chosenSession, -1);
        // Every page the menu stays on fades in, however slow the frame: a fade-out left alone
        // holds the screen black.
        if (c.page != PAGE_START_MATCH) EXPECT_TRUE(g_Fader.running || !g_Fader.fadingIn) << "held black";
        if (c.page == 6) EXPECT_EQ(g_Menu.screens->matchSetup.mode, 10) << "the join tab";
    }
    EXPECT_EQ(Log().startGame, 2) << "a join or a host that succeeds starts the match";
    ResetMenuNetCalls();
    ResetSettingsFiles();
}

TEST_F(MenuTest, ASessionThatEndsTakesTheFrontEndBackToPageZeroThroughTheTransition) {
    g_Menu.OnSessionEnded();
    EXPECT_EQ(g_Menu.page, 0) << "nothing while the front end is not running";
    Build(8);
    g_Menu.OnSessionEnded();
    EXPECT_EQ(g_Menu.page, PAGE_TRANSITION);
    EXPECT_EQ(g_Menu.targetPage, 0);
    EXPECT_TRUE(g_Fader.IsRunning());
    StopFading();
    g_Menu.Update();
    EXPECT_EQ(g_Menu.page, 0);
    EXPECT_EQ(g_Menu.buttonCount, 4) << "the main menu is built again";
}

// A host whose end pause ran out first closes the session while a client, whose end block came
// late, may have its results up already: they stay, as does the network page they lead on to; a
// network page the player waits on still goes back to page 0.
TEST_F(MenuTest, ASessionEndHeardLateLeavesTheResultsUpButNotAWaitingNetworkPage) {
    g_NetRoleCalls.startClient = [](const char*, const char*, uint32_t) { return true; };
    g_NetRoleCalls.stopClient = [] {};
    g_Menu.results[RESULT_ELAPSED] = 60000;
    g_Menu.saveMode = 1;
    struct Case {
        int page, previous;
        bool stays;
    };
    const Case cases[] = {{12, -1, true}, {PAGE_TRANSITION, 12, true}, {18, 12, true},
                          {6, 18, true},  {6, 0, false},             {6, PAGE_NETWORK_CLIENT, false}};
    Build(12);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page * 100 + c.previous);
        g_Menu.previousPage = c.previous;
        if (c.page == PAGE_TRANSITION) LeaveScreenTo(12, 18, 204);
        else Build(c.page);
        const int target = g_Menu.targetPage;
        ASSERT_TRUE(g_NetSession.Start(false, "Ana", 0, ""));
        g_SessionTerminated = 1;
        g_NetSession.ProcessIncoming();
        EXPECT_FALSE(g_NetSession.active);
        EXPECT_EQ(g_Menu.page, c.stays ? c.page : PAGE_TRANSITION);
        EXPECT_EQ(g_Menu.targetPage, c.stays ? target : 0);
    }
    ResetNetSession();
    ResetNetRoleCalls();
}

TEST_F(MenuTest, TheTooltipIsKeptOnTheScreenWithItsShadowOnePixelAway) {
    // A screen whose own input leaves the tooltip alone (the options panel sets its own).
    Build(3);
    struct Case {
        float x, y, ex, ey;
    };
    for (const Case& c : {Case{0, 0, 0.1f, 0}, Case{1.0f, 1.05f, 0.9f, 0.9f}, Case{0.5f, 0.5f, 0.5f, 0.4f}}) {
        SCOPED_TRACE(c.x);
        g_Menu.tooltip.SetText("Ayuda");
        g_Menu.tooltip.SetPosition(c.x, c.y);
        g_Menu.tooltip.w = 0.2f;
        g_Menu.tooltip.h = 0.1f;
        g_Menu.tooltip.visible = 1;
        g_Menu.Update();
        EXPECT_NEAR(g_Menu.tooltip.x, c.ex, 1e-5f);
        EXPECT_NEAR(g_Menu.tooltip.y, c.ey, 1e-5f);
        EXPECT_NEAR(g_Menu.tooltipShadow.x, c.ex + 1.0f / kSize, 1e-5f);
        EXPECT_STREQ(g_Menu.tooltipShadow.text, "Ayuda");
        g_Menu.RenderCursor();
        EXPECT_FALSE(g_Menu.tooltip.visible) << "shown for one frame";
    }
}

TEST_F(MenuTest, TheLightAndCursorLieOnPlanesFacingTheCamera) {
    Build(8);
    auto* light = g_Menu.menuLight;
    ASSERT_NE(light, nullptr);
    g_Mouse.x = kSize / 2;
    g_Mouse.y = kSize / 2;
    g_Menu.PlaceCursor();
    EXPECT_NEAR(light->position.z, -0.3f, 1e-4f);
    EXPECT_NEAR(light->position.x, 0.0f, 0.02f);
    g_Mouse.x = kSize - 1;
    g_Menu.PlaceCursor();
    EXPECT_NEAR(light->position.z, -0.3f, 1e-4f);
    EXPECT_GT(light->position.x, 1.0f) << "the ray leaves the eye at 45 degrees";
    Camera* camera = g_Scene.camera;
    g_Scene.camera = nullptr;
    g_Menu.PlaceCursor();
    g_Scene.camera = camera;
    EXPECT_EQ(light->position.x, 0.0f);
    EXPECT_EQ(light->position.z, -0.3f);
}

TEST_F(MenuTest, AReturnFromAMatchReloadsTheFrontEndOnTheResultsPage) {
    g_Scenario.results[0] = 42;
    g_Scenario.results[MATCH_RESULT_DWORDS - 1] = 7;
    // The results say which rows were played only through the fighters still in the match.
    g_Characters[0].active = g_Characters[MAX_CHARACTERS - 1].active = 1;
    g_Menu.resultsFought = 0x0F0F;
    const uint32_t presents = rec->Counters().presents;
    g_Menu.ReturnFromMatch();
    g_Characters[0].active = g_Characters[MAX_CHARACTERS - 1].active = 0;
    EXPECT_EQ(g_Menu.resultsFought, 0x8001u);
    EXPECT_EQ(Log().releaseGame, 1);
    EXPECT_EQ(Log().destroyVideo, 1);
    EXPECT_EQ(Log().initVideo, 1);
    EXPECT_TRUE(g_Menu.active);
    EXPECT_EQ(g_Menu.page, PAGE_RESULTS);
    EXPECT_EQ(g_Menu.previousPage, -1);
    EXPECT_EQ(g_Menu.results[0], 42u);
    EXPECT_EQ(g_Menu.results[MATCH_RESULT_DWORDS - 1], 7u);
    EXPECT_GT(rec->Counters().presents, presents) << "picture 97 shown while loading";
    EXPECT_EQ(g_Settings.width, 1024);
    std::memset(g_Scenario.results, 0, sizeof g_Scenario.results);
}

// A client that heard the host's end before its own and leaves before its own end: the fighters
// the host ended with, not those in the match since.
TEST_F(MenuTest, AClientThatHeardTheHostsEndAndLeavesKeepsTheFightersTheHostEndedWith) {
    g_Match.state = MATCH_PLAYING;
    g_Match.endFighters = 0x3;
    g_Match.hostEnded = 1;
    g_Characters[0].active = g_Characters[MAX_CHARACTERS - 1].active = 1;
    g_Menu.localSlot = 1;
    g_Menu.ReturnFromMatch();
    g_Characters[0].active = g_Characters[MAX_CHARACTERS - 1].active = 0;
    ResetMatch();
    EXPECT_EQ(g_Menu.resultsFought, 0x3u);
    EXPECT_EQ(g_Menu.localSlot, 1) << "its row";
}

// One that joined in the end's pause, in the slot of a fighter that left: the rows are the host's,
// and that row is not its own.
TEST_F(MenuTest, AClientThatJoinedInTheEndsPauseHasNoRowOfItsOwn) {
    g_Match.state = MATCH_LOST;
    g_Match.endFighters = 0x3;
    g_Match.joinedAfterEnd = 1;
    g_Menu.localSlot = 1;
    g_Menu.ReturnFromMatch();
    ResetMatch();
    EXPECT_EQ(g_Menu.resultsFought, 0x3u);
    EXPECT_EQ(g_Menu.localSlot, -1);
}

}  // namespace
}  // namespace menutest
