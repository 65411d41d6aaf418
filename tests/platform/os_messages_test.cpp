// The window, its message queue, mouse and window events, the cursor, the clock, signals.
#include "os_fixture.h"

#include <atomic>
#include <csignal>
#include <thread>

namespace {

using namespace os;
using ostest::Calls;
using ostest::OsTest;

// ---- life of the layer and the window ------------------------------------------------

TEST_F(OsTest, InitIsIdempotentAndShutdownForgetsEverything) {
    EXPECT_TRUE(Init());
    Open();
    PushKey(true, SDLK_z, SDL_SCANCODE_Z);
    Drain();
    PostMessage(window, WM_APP, 1, 2);
    EXPECT_EQ(ShowCursor(false), -1);
    Shutdown();
    EXPECT_TRUE(Calls().empty()) << "Shutdown does not call into the game";
    ASSERT_TRUE(Init());
    EXPECT_FALSE(PeekMessage(nullptr, PM_NOREMOVE));
    EXPECT_EQ(ShowCursor(true), 1) << "the show counter starts again at 0";
    EXPECT_EQ(GetAsyncKeyState('Z'), 0) << "no key stays held";
}

TEST_F(OsTest, ForegroundFollowsShowingAndFocusEvents) {
    Open();
    EXPECT_TRUE(IsForeground(window)) << "headless: nothing else can take the focus";
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(Drain().at(0).id, WM_KILLFOCUS);
    EXPECT_FALSE(IsForeground(window));
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(Drain().at(0).id, WM_SETFOCUS);
    EXPECT_TRUE(IsForeground(window));
}

// ---- the queue -----------------------------------------------------------------------

TEST_F(OsTest, PostsFromOtherThreadsAllArriveInOrderPerThread) {
    Open();
    constexpr int kThreads = 3, kEach = 1000;
    std::vector<std::thread> threads;
    std::atomic<int> finished{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, this, &finished] {
            for (int i = 0; i < kEach; ++i) EXPECT_TRUE(PostMessage(window, WM_APP + t, uintptr_t(i), t));
            finished.fetch_add(1);
        });
    }
    // The main thread drains while the others post; once they are done, an empty queue is the end.
    std::vector<Message> got;
    Message m;
    for (bool done = false; !done;) {
        const bool posted = finished.load() == kThreads;
        if (PeekMessage(&m, PM_REMOVE)) got.push_back(m);
        else done = posted;
    }
    for (auto& th : threads) th.join();
    ASSERT_EQ(got.size(), size_t(kThreads * kEach));
    int next[kThreads] = {};
    for (const Message& g : got) {
        int t = int(g.lParam);
        ASSERT_TRUE(t >= 0 && t < kThreads);
        EXPECT_EQ(g.wParam, uintptr_t(next[t]++));
    }
}

TEST_F(OsTest, DestroyingTheWindowDropsItsMessagesAndQuitComesLast) {
    Open();
    PostMessage(window, WM_APP, 1, 0);
    PostMessage(nullptr, WM_APP + 5, 0, 0);
    WindowHandle old = window;
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(PostMessage(old, WM_APP, 2, 0));
    PostMessage(nullptr, WM_APP + 6, 0, 0);
    PostQuitMessage(3);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[0].id, WM_APP + 5u);
    EXPECT_EQ(msgs[2].id, WM_QUIT);
    EXPECT_EQ(msgs[2].wParam, 3u);
}

TEST_F(OsTest, AFullQueueRefusesPostsButKeepsQuit) {
    Open();
    int accepted = 0;
    while (accepted < 1000000 && PostMessage(window, WM_APP, uintptr_t(accepted), 0)) ++accepted;
    EXPECT_GT(accepted, 1000);
    PostQuitMessage(9);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), size_t(accepted) + 1);
    EXPECT_EQ(msgs.back().id, WM_QUIT);
    EXPECT_TRUE(PostMessage(window, WM_APP, 0, 0)) << "room again once drained";
}

// ---- mouse ---------------------------------------------------------------------------

TEST_F(OsTest, MovesRightBehindEachOtherMergeButAMoveAfterOtherMessagesIsKeptApart) {
    Open();
    for (int i = 0; i < 50; ++i) PushMotion(i, 2 * i);
    EXPECT_EQ(Drain().size(), 1u);
    PushMotion(1, 1);
    PushMotion(2, 2);
    PushButton(true, SDL_BUTTON_LEFT, 2, 2);
    PushMotion(3, 3);
    PushMotion(4, 4);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(LoWord(uintptr_t(msgs[0].lParam)), 2);
    EXPECT_EQ(msgs[1].id, WM_LBUTTONDOWN);
    EXPECT_EQ(LoWord(uintptr_t(msgs[2].lParam)), 4);
}

TEST_F(OsTest, ButtonMessagesCarryTheirPosition) {
    Open(false);
    struct {
        uint8_t button;
        uint32_t down, up;
    } cases[] = {{SDL_BUTTON_RIGHT, WM_RBUTTONDOWN, WM_RBUTTONUP}, {SDL_BUTTON_MIDDLE, WM_MBUTTONDOWN, WM_MBUTTONUP}};
    for (const auto& c : cases) {
        PushButton(true, c.button, 300, 40);
        PushButton(false, c.button, 301, 41);
        auto msgs = Drain();
        ASSERT_EQ(msgs.size(), 2u);
        EXPECT_EQ(msgs[0].id, c.down);
        EXPECT_EQ(LoWord(uintptr_t(msgs[0].lParam)), 300);
        EXPECT_EQ(HiWord(uintptr_t(msgs[0].lParam)), 40);
        EXPECT_EQ(msgs[1].id, c.up);
    }
}

struct ClickCase {
    const char* what;
    uint32_t gapMs;
    int dx, dy;
    uint8_t secondButton;
    uint32_t secondMessage;
};

const ClickCase kClicks[] = {
    {"at the time limit", 500, 0, 0, SDL_BUTTON_LEFT, WM_LBUTTONDBLCLK},
    {"past the time limit", 501, 0, 0, SDL_BUTTON_LEFT, WM_LBUTTONDOWN},
    {"four pixels off", 100, 4, -4, SDL_BUTTON_LEFT, WM_LBUTTONDBLCLK},
    {"five pixels off", 100, 5, 0, SDL_BUTTON_LEFT, WM_LBUTTONDOWN},
    {"other button", 100, 0, 0, SDL_BUTTON_RIGHT, WM_RBUTTONDOWN},
};

TEST_F(OsTest, DoubleClickNeedsTheSameButtonSoonAndClose) {
    Open();
    uint32_t now = 1000;
    SetTimeSource([&now] { return now; });
    for (const ClickCase& c : kClicks) {
        now += 10000;
        PushButton(true, SDL_BUTTON_LEFT, 100, 100);
        PushButton(false, SDL_BUTTON_LEFT, 100, 100);
        Drain();
        now += c.gapMs;
        PushButton(true, c.secondButton, 100 + c.dx, 100 + c.dy);
        PushButton(false, c.secondButton, 100 + c.dx, 100 + c.dy);
        auto msgs = Drain();
        ASSERT_EQ(msgs.size(), 2u) << c.what;
        EXPECT_EQ(msgs[0].id, c.secondMessage) << c.what;
    }
}

TEST_F(OsTest, WheelDeltaIsSignedInTheHighWord) {
    Open();
    struct {
        int y;
        bool flipped;
        int delta;
    } cases[] = {{-1, false, -120}, {-2, true, 240}, {1000, false, 32767}, {-1000, false, -32768}};
    for (const auto& c : cases) {
        PushWheel(c.y, c.flipped);
        auto msgs = Drain();
        ASSERT_EQ(msgs.size(), 1u);
        EXPECT_EQ(int16_t(HiWord(msgs[0].wParam)), c.delta) << c.y;
    }
    PushWheel(0);
    EXPECT_TRUE(Drain().empty()) << "sideways scrolling only";
}

// ---- window events -------------------------------------------------------------------

TEST_F(OsTest, WindowEventsBecomeMessages) {
    Open();
    PushWindowEvent(SDL_WINDOWEVENT_MOVED, 15, 25);
    PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600);
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[0].id, WM_MOVE);
    EXPECT_EQ(msgs[2].id, WM_SIZE);
    EXPECT_EQ(msgs[2].lParam, MakeLParam(800, 600));
    EXPECT_EQ(msgs[3].wParam, SIZE_MINIMIZED);

    PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    msgs = Drain();
    ASSERT_EQ(msgs.size(), 1u);
    int cw = 0, ch = 0;
    GetClientSize(window, &cw, &ch);
    EXPECT_EQ(msgs[0].lParam, MakeLParam(cw, ch)) << "restored to the size it had";
}

TEST_F(OsTest, CloseAndQuitEventsBecomeWmClose) {
    Open();
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    auto msgs = Drain();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].id, WM_CLOSE);
    EXPECT_EQ(msgs[1].id, WM_CLOSE);
}

TEST_F(OsTest, DefWindowProcClosesOnWmCloseAndAltF4) {
    Open();
    PushKey(true, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
    PushKey(true, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT);
    Message m;
    while (PeekMessage(&m, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
        if (!IsWindow(window)) break;
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(PeekMessage(nullptr, PM_NOREMOVE)) << "no close for a window that is gone";
}

// ---- signals -------------------------------------------------------------------------

class OsSignalTest : public OsTest, public ::testing::WithParamInterface<int> {};

TEST_P(OsSignalTest, SignalClosesTheWindowThroughTheNormalPath) {
    Open();
    ASSERT_EQ(std::raise(GetParam()), 0);
    ASSERT_TRUE(IsWindow(window)) << "nothing happens inside the handler";
    Message m;
    ASSERT_TRUE(PeekMessage(&m, PM_REMOVE));
    EXPECT_EQ(m.id, WM_CLOSE);
    DispatchMessage(&m);
    ASSERT_EQ(Calls().size(), 2u);
    EXPECT_EQ(Calls()[1].id, WM_DESTROY);
    EXPECT_FALSE(PeekMessage(&m, PM_REMOVE)) << "one close per signal";
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, OsSignalTest, ::testing::Values(SIGTERM, SIGINT));

TEST_F(OsTest, ASignalBeforeTheWindowWaitsForIt) {
    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_FALSE(PeekMessage(nullptr, PM_NOREMOVE));
    WindowDesc desc;
    window = CreateMainWindow(desc);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Only(Drain(), {WM_CLOSE}).size(), 1u);
}

// ---- cursor --------------------------------------------------------------------------

TEST_F(OsTest, ShowCounterHidesBelowZeroAndANullCursorHides) {
    Open();
    EXPECT_EQ(ShowCursor(false), -1);
    EXPECT_EQ(ShowCursor(false), -2);
    EXPECT_EQ(ShowCursor(true), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(true), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    CursorHandle arrow = LoadArrowCursor();
    SetCursor(arrow);
    EXPECT_EQ(SetCursor(nullptr), arrow);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(SetCursor(arrow), nullptr);
}

TEST_F(OsTest, SetCursorPosQueuesAMove) {
    Open();
    ASSERT_TRUE(SetCursorPos(512, 384));
    auto moves = Only(Drain(), {WM_MOUSEMOVE});
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(LoWord(uintptr_t(moves.back().lParam)), 512);
    EXPECT_EQ(HiWord(uintptr_t(moves.back().lParam)), 384);
}

// ---- time and the rest ---------------------------------------------------------------

TEST_F(OsTest, ClockKeepsCountingAcrossARestartOfTheLayer) {
    // The debug log takes its start time before the layer starts and writes after it stops.
    uint32_t before = timeGetTime();
    Shutdown();
    ASSERT_TRUE(Init());
    uint32_t after = timeGetTime();
    EXPECT_LT(after - before, 60000u);  // no jump back to zero (which would wrap to ~4e9)
}

}  // namespace
