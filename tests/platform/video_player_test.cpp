// The video player on clips written in the test: played headless on a fake clock to the end,
// every frame drawn in the window at its time, the tone heard on the loopback sound output, and
// bad files refused without harm.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/sound.h"
#include "platform/os/os.h"
#include "platform/video/test_clip.h"
#include "platform/video/video.h"
#include "support/temp_dir.h"

namespace {

constexpr uint32_t kNotify = 0x40D;
constexpr uint32_t kRate = 44100;

// BT.601 limited-range luma of a grey picture as full-range RGB.
int GreyOf(int luma) { return std::clamp(int(std::lround((luma - 16) * 255.0 / 219.0)), 0, 255); }

// RMS and zero-crossing frequency of the left channel over [from, to) frames.
void Measure(const std::vector<float>& stereo, size_t from, size_t to, double* rms, double* hz) {
    double sum = 0;
    int crossings = 0;
    for (size_t i = from; i < to && 2 * i < stereo.size(); ++i) {
        sum += double(stereo[2 * i]) * stereo[2 * i];
        if (i > from && (stereo[2 * (i - 1)] < 0.0f) != (stereo[2 * i] < 0.0f)) ++crossings;
    }
    *rms = std::sqrt(sum / double(to - from));
    *hz = crossings / 2.0 / (double(to - from) / kRate);
}

class VideoPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(os::Init());
        os::SetTimeSource([this] { return now; });
        video::SetSleepFunction([this](uint32_t ms) { now += ms; });
        os::WindowDesc desc;
        desc.proc = os::DefWindowProc;
        window = os::CreateMainWindow(desc);
        ASSERT_NE(window, nullptr);
        os::ShowWindow(window, true);
        Drain();
    }
    void TearDown() override {
        video::SetSleepFunction({});
        os::SetTimeSource({});
        audio::SetDefaultOutput(audio::Output::Device);
        os::Shutdown();
    }

    std::string Clip(const std::string& name, const video::TestClipSpec& spec) {
        std::string error;
        EXPECT_TRUE(video::WriteTestClip(name.c_str(), spec, &error)) << error;
        return (dir.path() / name).string();
    }

    std::vector<os::Message> Drain() {
        std::vector<os::Message> out;
        os::Message m;
        while (os::PeekMessage(&m, os::PM_REMOVE)) out.push_back(m);
        return out;
    }

    std::unique_ptr<audio::SoundSystem> Loopback() {
        std::unique_ptr<audio::SoundSystem> sys;
        audio::OutputFormat f;
        f.channels = 2;
        f.rate = kRate;
        f.bits = 16;
        EXPECT_EQ(audio::SoundSystem::Create(audio::Output::Loopback, f, &sys), S_OK);
        return sys;
    }

    // Pumps in steps of 100 ms, mixing the same span of sound each time, until the complete
    // event; the number of pumps, or -1 when it never came.
    int PlayToEnd(video::Player& p, audio::SoundSystem* sys, int maxPumps = 200) {
        for (int i = 1; i <= maxPumps; ++i) {
            p.Pump(100);
            if (sys) {
                std::vector<float> block(size_t(kRate / 10) * 2);
                sys->Render(block.data(), kRate / 10);
                heard.insert(heard.end(), block.begin(), block.end());
            }
            int32_t code = 0;
            while (p.GetEvent(&code)) {
                if (code == video::EVENT_COMPLETE) return i;
            }
        }
        return -1;
    }

    uint32_t now = 1000;
    os::WindowHandle window = nullptr;
    ScopedWorkDir dir;
    std::vector<float> heard;
};

TEST_F(VideoPlayerTest, PlaysTheClipToItsEndWithEveryFrameShownOnTimeAndItsSoundHeard) {
    video::TestClipSpec spec;
    const std::string path = Clip("clip.mpg", spec);
    auto sys = Loopback();
    ASSERT_TRUE(sys);

    std::vector<video::PresentedFrame> shown;
    {
        video::Player p;
        p.SetPresentObserver([&](const video::PresentedFrame& f) { shown.push_back(f); });
        ASSERT_EQ(p.RenderFile(path.c_str(), sys.get()), S_OK);
        p.SetOwner(window);
        p.SetNotifyWindow(window, kNotify, 7);
        p.SetFullScreen(true);
        ASSERT_EQ(p.Pause(), S_OK);
        ASSERT_EQ(p.Run(), S_OK);

        int pumps = PlayToEnd(p, sys.get());
        // One second of clip; a pump is 100 ms.
        EXPECT_GE(pumps, 10);
        EXPECT_LE(pumps, 13);
        EXPECT_EQ(p.Stats().framesShown, spec.frames);
    }
    ASSERT_EQ(int(shown.size()), spec.frames);
    for (int i = 0; i < spec.frames; ++i) {
        const auto& f = shown[size_t(i)];
        EXPECT_TRUE(f.drawn);
        // A constant rate from where the first picture's stamp puts it.
        EXPECT_EQ(f.ptsMs, shown[0].ptsMs + uint32_t(i * 1000 / spec.fps)) << "frame " << i;
        // Drawn when due, not before and not a frame late.
        EXPECT_GE(f.mediaMs, f.ptsMs);
        EXPECT_LT(f.mediaMs, f.ptsMs + uint32_t(1000 / spec.fps));
        EXPECT_NEAR(f.centre[1], GreyOf(video::TestClipLuma(spec, i)), 6) << "frame " << i;
    }

    // The tone over the middle of the clip, at its pitch.
    double rms = 0, hz = 0;
    Measure(heard, kRate / 5, kRate * 4 / 5, &rms, &hz);
    EXPECT_GT(rms, 0.2);
    EXPECT_NEAR(hz, spec.toneHz, spec.toneHz * 0.03);

    // The complete event was posted to the notify window once, as asked.
    int notifications = 0;
    for (const os::Message& m : Drain()) notifications += m.id == kNotify && m.lParam == 7;
    EXPECT_EQ(notifications, 1);
}

// A silent video lasts until its last picture has had its full time on screen: the end (and
// the complete event that ends the start-up video) comes a frame's time after that picture is
// shown, not the moment it is.
TEST_F(VideoPlayerTest, ASilentVideoEndsOnlyOnceItsLastPictureHasHadItsTime) {
    for (int fps : {25, 50}) {
        SCOPED_TRACE(fps);
        video::TestClipSpec spec;
        spec.toneHz = 0;
        spec.fps = fps;
        spec.frames = 10;
        const std::string path = Clip("silent" + std::to_string(fps) + ".mpg", spec);
        const uint32_t frameMs = uint32_t(1000 / fps);

        std::vector<video::PresentedFrame> shown;
        video::Player p;
        p.SetPresentObserver([&](const video::PresentedFrame& f) { shown.push_back(f); });
        ASSERT_EQ(p.RenderFile(path.c_str(), nullptr), S_OK);
        EXPECT_FALSE(p.Stats().hasAudio);
        ASSERT_EQ(p.Pause(), S_OK);
        const uint32_t started = now;
        ASSERT_EQ(p.Run(), S_OK);

        int64_t endedAt = -1;
        for (int i = 0; i < 400 && endedAt < 0; ++i) {
            p.Pump(2);
            int32_t code = 0;
            while (p.GetEvent(&code))
                if (code == video::EVENT_COMPLETE) endedAt = int64_t(now - started);
        }
        ASSERT_GE(endedAt, 0) << "the video never ended";
        ASSERT_EQ(int(shown.size()), spec.frames);
        const uint32_t lastShown = shown.back().ptsMs;
        EXPECT_EQ(lastShown, shown[0].ptsMs + uint32_t(spec.frames - 1) * frameMs);
        // The clip's length is its frame count at its rate.
        EXPECT_EQ(p.Stats().durationMs, shown[0].ptsMs + uint32_t(spec.frames) * frameMs);
        EXPECT_GE(endedAt, int64_t(lastShown + frameMs));
        EXPECT_LE(endedAt, int64_t(lastShown + frameMs) + 4);
    }
}

// Start-up videos play before the game opens its sound output.
TEST_F(VideoPlayerTest, WithNoOutputGivenItOpensItsOwnAndClosesItAfter) {
    video::TestClipSpec spec;
    spec.frames = 5;
    const std::string path = Clip("own.mpg", spec);
    audio::SetDefaultOutput(audio::Output::Loopback);
    {
        video::Player p;
        ASSERT_EQ(p.RenderFile(path.c_str(), nullptr), S_OK);
        EXPECT_TRUE(p.Stats().soundOutput);
    }
    EXPECT_TRUE(Loopback()) << "the player's own output went with it";
}

TEST_F(VideoPlayerTest, FilesThatCannotBePlayedAreRefusedAndLeaveNothingToRun) {
    std::string garbage(4096, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 131 + 7) % 251);
    dir.Write("garbage.mpg", garbage);
    dir.Write("empty.mpg", "");
    std::filesystem::create_directory(dir.path() / "folder.mpg");

    struct Case {
        const char* name;
        HRESULT expected;
    } cases[] = {
        {"missing.mpg", video::VIDEO_E_FILENOTFOUND},
        {"folder.mpg", video::VIDEO_E_FILENOTFOUND},
        {"empty.mpg", video::VIDEO_E_UNREADABLE},
        {"garbage.mpg", video::VIDEO_E_UNREADABLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        video::Player p;
        EXPECT_EQ(p.RenderFile((dir.path() / c.name).string().c_str(), nullptr), c.expected);
        EXPECT_EQ(p.Pause(), video::VIDEO_E_NOTREADY);
        EXPECT_EQ(p.Run(), video::VIDEO_E_NOTREADY);
        p.Pump(200);
        int32_t code = 0;
        EXPECT_FALSE(p.GetEvent(&code));
    }
}

TEST_F(VideoPlayerTest, DamagedAndCutClipsPlayWhatTheyHoldAndStillEnd) {
    video::TestClipSpec spec;
    const std::string good = Clip("source.mpg", spec);
    std::string bytes;
    {
        std::ifstream in(good, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    dir.Write("cut.mpg", bytes.substr(0, bytes.size() / 3));
    for (size_t i = bytes.size() / 4; i < bytes.size() / 2; i += 7) bytes[i] = char(bytes[i] ^ 0x5A);
    dir.Write("damaged.mpg", bytes);
    for (const char* name : {"cut.mpg", "damaged.mpg"}) {
        SCOPED_TRACE(name);
        auto sys = Loopback();
        video::Player p;
        HRESULT r = p.RenderFile((dir.path() / name).string().c_str(), sys.get());
        if (r < 0) continue;   // refusing is as good as playing what survives
        p.SetOwner(window);
        ASSERT_EQ(p.Pause(), S_OK);
        ASSERT_EQ(p.Run(), S_OK);
        EXPECT_GT(PlayToEnd(p, sys.get(), 100), 0);
        EXPECT_LE(p.Stats().framesShown, spec.frames);
    }
}

}  // namespace
