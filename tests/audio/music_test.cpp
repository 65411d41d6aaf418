// Streamed music on the loopback output. Most cases drive the refill themselves, one step per
// rendered piece of sound with the clock moved by hand, and keep the slot's own timer asleep;
// the last one lets the timer thread run while the main thread starts, fades and stops.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio_test_util.h"
#include "platform/os/os.h"
#include "shell/music.h"

using namespace audiotest;

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kStep = 4410;            // frames per step: 200 ms
constexpr uint32_t kAsleep = 3600 * 1000;   // a service period that never comes during a test

// 16-bit sound whose level says where in the file a frame came from: a new level every 441
// frames, none of them zero; in stereo the right channel is the left one negated.
int16_t LevelAt(size_t frame) { return int16_t(((frame / 441) % 40 + 1) * 500); }
std::string Piece(size_t frames, int channels = 1) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(LevelAt(i));
        if (channels == 2) s.push_back(int16_t(-LevelAt(i)));
    }
    return Samples16(s);
}

class MusicTest : public GameSoundTest {
protected:
    void SetUp() override {
        GameSoundTest::SetUp();
        ASSERT_EQ(g_SoundManager.Init(nullptr, SOUND_VOICE_COUNT), S_OK);
        CreateMusicPlayer();
        for (auto [name, frames] :
             {std::pair<const char*, size_t>{"five", 5 * kRate}, {"one", kRate}, {"m00", kRate / 2}, {"m01", kRate / 2}})
            dir.Write(std::string("Sonido/Musica/") + name + ".wav", Wav(1, kRate, 16, Piece(frames)));
        dir.Write("Sonido/Musica/three.wav", Wav(2, kRate, 16, Piece(3 * kRate, 2)));
    }

    MusicPlayer& Music() { return *g_SoundManager.musicPlayer; }
    StreamPlayer& Player() { return Music().player; }

    // Opens a piece in the music player's slots with the timer asleep and starts it.
    StreamSlot& Start(const char* name, bool loop) {
        int i = Player().Open(name);
        EXPECT_GE(i, 0);
        StreamSlot& slot = Player().slots[i < 0 ? 0 : i];
        slot.servicePeriod = kAsleep;
        EXPECT_TRUE(Player().Play(i, loop));
        return slot;
    }
    // Renders `steps` steps, moving the clock by `ms` and refilling after each.
    Rendered Stream(StreamSlot& slot, int steps, uint32_t ms = 200) {
        Rendered out;
        for (int s = 0; s < steps; ++s) {
            Rendered r = Mix(kStep);
            out.samples.insert(out.samples.end(), r.samples.begin(), r.samples.end());
            now += ms;
            EXPECT_TRUE(slot.Update()) << "step " << s;
        }
        return out;
    }
    // The level heard once gains have settled, with the cursor `fileFrame` frames into the file.
    double HeardLevel(size_t fileFrame) {
        Mix(512);
        return Mix(1).L(0) / (LevelAt(fileFrame + 512) / 32768.0);
    }
    // How many frames from `from` on differ, on either side, from the file's frames starting
    // at `fileFrame` played at full level (`right` -1 for the stereo piece).
    static size_t Mismatches(const Rendered& out, size_t from, size_t count, size_t fileFrame, float right = 1) {
        size_t bad = 0;
        for (size_t i = 0; i < count; ++i) {
            float expected = float(LevelAt(fileFrame + i)) / 32768.0f;
            if (std::abs(out.L(from + i) - expected) > 1e-4f || std::abs(out.R(from + i) - right * expected) > 1e-4f)
                ++bad;
        }
        return bad;
    }
};

}  // namespace

TEST_F(MusicTest, APieceStreamsThroughItsBufferToTheEnd) {
    StreamSlot& slot = Start("Sonido\\Musica\\five.wav", false);
    EXPECT_EQ(slot.bufferSize, 2u * kRate * 2);   // two seconds
    // 25 refills carry five seconds through a two-second buffer.
    Rendered out = Stream(slot, 25);
    EXPECT_EQ(Mismatches(out, 0, out.Frames(), 0), 0u);
    // The whole duration has passed: the slot stopped.
    EXPECT_FALSE(Player().IsPlaying(0));
    EXPECT_EQ(Mix(kStep).Peak(), 0.0f);
}

TEST_F(MusicTest, ALoopingStereoPieceStartsOverInPlace) {
    StreamSlot& slot = Start("Sonido\\Musica\\three.wav", true);
    Rendered out = Stream(slot, 15);   // three seconds: the end is seen at the last refill
    EXPECT_TRUE(Player().IsPlaying(0));
    Rendered again = Stream(slot, 5);
    EXPECT_EQ(Mismatches(out, 0, out.Frames(), 0, -1), 0u);
    EXPECT_EQ(Mismatches(again, 0, again.Frames(), 0, -1), 0u);   // from its start again
}

TEST_F(MusicTest, AFadeOutFallsInAStraightLineToSilenceAndStops) {
    StreamSlot& slot = Start("Sonido\\Musica\\five.wav", false);
    Player().SetVolume(0, -600);
    Stream(slot, 2);
    const uint32_t start = now;
    Player().FadeOut(0, 3000);
    // Halfway: -600 - (-600 + 10000) x 1500 / 3000 = -5300.
    now = start + 1500;
    ASSERT_TRUE(slot.Update());
    EXPECT_NEAR(HeardLevel(2 * kStep), Level(-5300), 0.01 * Level(-5300));
    now = start + 3000;
    ASSERT_TRUE(slot.Update());
    Mix(512);
    EXPECT_EQ(Mix(kStep).Peak(), 0.0f);
    EXPECT_TRUE(Player().IsPlaying(0));

    now = start + 3001;
    ASSERT_TRUE(slot.Update());
    EXPECT_FALSE(Player().IsPlaying(0));
    // The base volume is set again, for a later start.
    ASSERT_TRUE(Player().Play(0, false));
    EXPECT_NEAR(HeardLevel(0), Level(-600), 0.01 * Level(-600));
    // A fade of no time stops at once.
    Player().FadeOut(0, 0);
    ASSERT_TRUE(slot.Update());
    EXPECT_FALSE(Player().IsPlaying(0));
}

TEST_F(MusicTest, MusicPlaysAtTheMusicVolumeInTwoSlotsThatTakeTurns) {
    g_Settings.musicVolume = 0.9f;   // -600
    now = 100;
    ASSERT_EQ(Music().Play("m00.wav", true), 0);
    EXPECT_NEAR(HeardLevel(0), Level(-600), 0.01 * Level(-600));
    Music().SetVolume(-6000);   // the end of the volume scale is silence
    Mix(512);
    EXPECT_EQ(Mix(100).Peak(), 0.0f);
    // The next piece while the first fades out; a third stops the one started first.
    Music().Stop(3000);
    now = 200;
    EXPECT_EQ(Music().Play("m01.wav", true), 1);
    EXPECT_TRUE(Player().IsPlaying(0));
    now = 300;
    EXPECT_EQ(Music().Play("five.wav", true), 0);
    EXPECT_EQ(Player().slots[0].duration, 5000u);
    EXPECT_TRUE(Player().IsPlaying(1));
}

TEST_F(MusicTest, NothingOpensWithMusicOffOrWithoutAPlayableFile) {
    dir.Write("Sonido/Musica/bad.wav", std::string("RIFF\x04\0\0\0WAVE", 12));
    dir.Write("Sonido/Musica/deep.wav", Wav(2, kRate, 24, std::string(600, '\1')));
    g_Settings.music = 0;
    EXPECT_EQ(Music().Play("m00.wav", true), -1);
    g_Settings.music = 1;
    for (const char* name : {"missing.wav", "bad.wav", "deep.wav"}) EXPECT_EQ(Music().Play(name, true), -1) << name;
    EXPECT_EQ(Player().slots[0].buffer, nullptr);
    EXPECT_EQ(Music().current, -1);
    Music().Stop(3000);   // nothing to fade
}

// Start, fade, stop and restart from the main thread while the timer thread services the slot
// every millisecond and the clock races ahead, so pieces also end and fades finish on the
// timer's side. Run under ThreadSanitizer this is the check on the slot's lock.
TEST_F(MusicTest, MainThreadStartsAndStopsWhileTheTimerRuns) {
    std::atomic<uint32_t> clock{0};
    os::SetTimeSource([&] { return clock += 7; });
    for (int round = 0; round < 60; ++round) {
        int i = Player().Open(round % 3 ? "Sonido\\Musica\\m00.wav" : "Sonido\\Musica\\one.wav");
        ASSERT_GE(i, 0);
        Player().slots[i].servicePeriod = 1;
        ASSERT_TRUE(Player().Play(i, round % 2 == 0));
        Mix(512);
        Player().SetVolume(i, -300);
        if (round % 4 == 0) Player().FadeOut(i, round % 8 ? 0 : 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        Mix(512);
        if (round % 5 == 0) {
            ASSERT_TRUE(Player().Play(i, false));   // again, over itself
        }
        if (round % 2) Player().Stop(i);
        if (round % 7 == 0) Music().Stop(3000);
    }
    for (int i = 0; i < Player().count; ++i) {
        Player().Stop(i);
        EXPECT_FALSE(Player().IsPlaying(i));
        EXPECT_EQ(Player().slots[i].timer, nullptr);
    }
}
