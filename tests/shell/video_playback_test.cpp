// The start-up videos: the skip rules of HandleVideoMessage on a fake clock, and PlayVideo on
// clips written in the test, played in a headless window to their end or to a skip, with every
// message of the modal loop kept away from the window procedure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/audio/sound.h"
#include "platform/os/os.h"
#include "platform/video/test_clip.h"
#include "platform/video/video.h"
#include "core/debug_log.h"
#include "core/settings.h"
#include "shell/video_playback.h"
#include "support/temp_dir.h"

namespace {

std::vector<uint32_t> g_procCalls;

intptr_t RecordingProc(os::WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    g_procCalls.push_back(msg);
    return os::DefWindowProc(w, msg, wParam, lParam);
}

class VideoPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_Settings.Clear();
        g_Settings.debug = 1;
        ResetDebugLog();
        ResetVideoPlayback();
        audio::SetDefaultOutput(audio::Output::Loopback);
        os::SetTimeSource([this] { return now; });
        video::SetSleepFunction([this](uint32_t ms) { now += ms; });
        ASSERT_EQ(OpenDebugLog(), S_OK);
        ASSERT_TRUE(os::Init());
        os::WindowDesc desc;
        desc.title = "videos";
        desc.proc = RecordingProc;
        desc.width = 200;
        desc.height = 150;
        window = os::CreateMainWindow(desc);
        ASSERT_NE(window, nullptr);
        os::ShowWindow(window, true);
        Drain();
        g_procCalls.clear();
    }
    void TearDown() override {
        os::Shutdown();
        video::SetSleepFunction({});
        os::SetTimeSource({});
        audio::SetDefaultOutput(audio::Output::Device);
        ResetVideoPlayback();
        ResetDebugLog();
        g_Settings.Clear();
    }

    void Clip(const std::string& name, const video::TestClipSpec& spec) {
        std::string error;
        ASSERT_TRUE(video::WriteTestClip(name.c_str(), spec, &error)) << error;
    }

    std::vector<os::Message> Drain() {
        std::vector<os::Message> out;
        os::Message m;
        while (os::PeekMessage(&m, os::PM_REMOVE)) out.push_back(m);
        return out;
    }

    bool LogHas(const std::string& text) { return dir.Read("debug.txt").find(text) != std::string::npos; }

    ScopedWorkDir dir;
    uint32_t now = 50000;
    os::WindowHandle window = nullptr;
};

os::Message Msg(uint32_t id, uintptr_t wParam = 0) {
    os::Message m;
    m.id = id;
    m.wParam = wParam;
    return m;
}

TEST_F(VideoPlaybackTest, MessagesEndTheVideoByTheSkipRules) {
    struct Case {
        uint32_t id;
        uintptr_t wParam;
        uint32_t elapsed;   // since the video started
        bool done;
    } cases[] = {
        // Enter, Space and the mouse only after more than four seconds.
        {os::WM_KEYDOWN, os::VK_RETURN, 4000, false},
        {os::WM_KEYDOWN, os::VK_RETURN, 4001, true},
        {os::WM_LBUTTONDOWN, 0, 3000, false},
        {os::WM_RBUTTONUP, 0, 4500, true},
        // Escape, the Windows keys, Alt and any Alt combination at once.
        {os::WM_KEYDOWN, os::VK_ESCAPE, 0, true},
        {os::WM_KEYDOWN, os::VK_LWIN, 0, true},
        {os::WM_SYSKEYDOWN, 'X', 0, true},
        // A close at once, kept for the start-up.
        {os::WM_CLOSE, 0, 0, true},
        // Everything else is swallowed.
        {os::WM_KEYDOWN, os::VK_MENU, 9000, false},
        {os::WM_KEYUP, os::VK_ESCAPE, 9000, false},
        {WM_GRAPHNOTIFY, 0, 9000, false},   // no video, so no events
    };
    for (uint32_t start : {50000u, 0xFFFFF000u}) {   // the second one wraps the clock
        g_VideoPlayback.startTime = start;
        for (const Case& c : cases) {
            SCOPED_TRACE("message " + std::to_string(c.id) + " key " + std::to_string(c.wParam) + " at " +
                         std::to_string(c.elapsed));
            now = start + c.elapsed;
            g_VideoPlayback.closeRequested = 0;
            bool done = false;
            HandleVideoMessage(&done, Msg(c.id, c.wParam));
            EXPECT_EQ(done, c.done);
            EXPECT_EQ(g_VideoPlayback.closeRequested, c.id == os::WM_CLOSE);
            // Nothing ever clears the flag once set.
            done = true;
            HandleVideoMessage(&done, Msg(c.id, c.wParam));
            EXPECT_TRUE(done);
        }
    }
    EXPECT_TRUE(g_procCalls.empty());
}

TEST_F(VideoPlaybackTest, AVideoPlaysToItsEndAndNoMessageReachesTheWindowProcedure) {
    video::TestClipSpec spec;
    Clip("LOGO.MPG", spec);   // the game asks in another case
    os::PostMessage(window, os::WM_MOUSEMOVE, 0, os::MakeLParam(5, 6));
    os::PostMessage(window, os::WM_KEYUP, os::VK_ESCAPE, 0);
    os::PostMessage(window, os::WM_CHAR, 'x', 0);
    const uint32_t before = now;

    EXPECT_EQ(PlayVideo("Logo.mpg", window), S_OK);

    EXPECT_EQ(g_VideoPlayback.lastStats.framesShown, spec.frames);
    // The clip's second, then the two pauses of the release.
    EXPECT_GE(now - before, 1000u + 200u);
    EXPECT_LT(now - before, 1500u + 200u);
    EXPECT_TRUE(g_procCalls.empty());
    for (const os::Message& m : Drain())
        EXPECT_TRUE(m.id != os::WM_MOUSEMOVE && m.id != os::WM_KEYUP && m.id != os::WM_CHAR) << m.id;
    EXPECT_TRUE(LogHas("Reproduciendo video Logo.mpg"));
}

TEST_F(VideoPlaybackTest, EscapeEndsTheVideoAtOnceEvenInItsFirstFrame) {
    video::TestClipSpec spec;
    Clip("Intro.mpg", spec);
    os::PostMessage(window, os::WM_KEYDOWN, os::VK_ESCAPE, 0);
    EXPECT_EQ(PlayVideo("Intro.mpg", window), S_OK);
    // One turn of the loop: the frames of its first 100 ms.
    EXPECT_GE(g_VideoPlayback.lastStats.framesShown, 1);
    EXPECT_LE(g_VideoPlayback.lastStats.framesShown, 3);
    EXPECT_TRUE(g_procCalls.empty());
}

TEST_F(VideoPlaybackTest, MissingAndUnreadableFilesAreSkippedWithALogLineAndStartUpGoesOn) {
    dir.Write("Logo.mpg", std::string(3000, 'x'));
    uint32_t before = now;
    EXPECT_EQ(PlayVideo("Logo.mpg", window), video::VIDEO_E_UNREADABLE);
    EXPECT_EQ(now - before, 200u) << "no loop turn, only the pauses of the release";
    before = now;
    EXPECT_EQ(PlayVideo("Intro.mpg", window), video::VIDEO_E_FILENOTFOUND);
    EXPECT_EQ(now - before, 200u);
    EXPECT_EQ(g_VideoPlayback.events, nullptr);
    EXPECT_TRUE(LogHas("No se pudo abrir el video Logo.mpg"));
    EXPECT_TRUE(LogHas("No se pudo abrir el video Intro.mpg"));
}

}  // namespace
