// Streamed music on the loopback output. Most cases drive the refill themselves, one step per
// rendered piece of sound with the clock moved by hand, and keep the slot's own timer asleep;
// the last ones let the timer thread run while the main thread starts, fades and stops.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio_test_util.h"
#include "platform/os/os.h"
#include "shell/music.h"
#include "core/settings.h"
#include "shell/sound.h"
#include "support/temp_dir.h"

using namespace audiotest;

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kStep = 4410;            // frames per step: 200 ms
constexpr uint32_t kAsleep = 3600 * 1000;   // a service period that never comes during a test

// 16-bit mono whose level says where in the file a frame came from: a new level every 441
// frames, none of them zero.
int16_t LevelAt(size_t frame) { return int16_t(((frame / 441) % 40 + 1) * 500); }
std::string Piece(size_t frames) {
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i) s[i] = LevelAt(i);
    return Samples16(s);
}

class MusicTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    std::atomic<uint32_t> now{10000};

    void SetUp() override {
        ResetSound();
        g_Settings.Clear();
        g_Settings.sound = 1;
        g_Settings.music = 1;
        g_Settings.musicVolume = 1.0f;
        os::SetTimeSource([this] { return now.load(); });
        audio::SetDefaultOutput(audio::Output::Loopback);
        ASSERT_EQ(g_SoundManager.Init(nullptr, SOUND_VOICE_COUNT), S_OK);
        CreateMusicPlayer();
        CreateStreamPlayer();
        dir.Write("Sonido/Musica/five.wav", Wav(1, kRate, 16, Piece(5 * kRate)));
        dir.Write("Sonido/Musica/three.wav", Wav(1, kRate, 16, Piece(3 * kRate)));
        dir.Write("Sonido/Musica/one.wav", Wav(1, kRate, 16, Piece(kRate)));
        dir.Write("Sonido/Musica/m00.wav", Wav(1, kRate, 16, Piece(kRate / 2)));
        dir.Write("Sonido/Musica/m01.wav", Wav(1, kRate, 16, Piece(kRate / 2)));
        dir.Write("Sonido/Musica/bad.wav", std::string("RIFF\x04\0\0\0WAVE", 12));
    }
    void TearDown() override {
        ResetSound();
        g_Settings.Clear();
        os::SetTimeSource({});
        audio::SetDefaultOutput(audio::Output::Device);
    }

    MusicPlayer& Music() { return *g_SoundManager.musicPlayer; }
    StreamPlayer& Player() { return Music().player; }
    Rendered Mix(uint32_t frames) { return Render(g_SoundManager.sound.get(), frames); }

    // Opens a piece in the music player's slots with the timer asleep and starts it.
    StreamSlot& Start(const char* name, bool loop) {
        int i = Player().Open(name);
        EXPECT_GE(i, 0);
        StreamSlot& slot = Player().slots[i < 0 ? 0 : i];
        slot.servicePeriod = kAsleep;
        EXPECT_TRUE(Player().Play(i, loop));
        return slot;
    }
    // Renders `steps` steps, moving the clock by `ms` and refilling after each; the left side.
    std::vector<float> Stream(StreamSlot& slot, int steps, uint32_t ms = 200) {
        std::vector<float> out;
        for (int s = 0; s < steps; ++s) {
            Rendered r = Mix(kStep);
            for (size_t i = 0; i < r.Frames(); ++i) out.push_back(r.L(i));
            now += ms;
            EXPECT_TRUE(slot.Update()) << "step " << s;
        }
        return out;
    }
    // How many frames from `from` on differ from the file's frames starting at `fileFrame`,
    // measured against the gain of the first one.
    static size_t Mismatches(const std::vector<float>& out, size_t from, size_t count, size_t fileFrame) {
        const double gain = out[from] / (LevelAt(fileFrame) / 32768.0);
        size_t bad = 0;
        for (size_t i = 0; i < count; ++i) {
            double expected = gain * LevelAt(fileFrame + i) / 32768.0;
            if (std::abs(out[from + i] - expected) > 1e-4) ++bad;
        }
        return bad;
    }
    int32_t VolumeOf(StreamSlot& slot) {
        int32_t v = 1;
        EXPECT_EQ(slot.buffer->GetVolume(&v), S_OK);
        return v;
    }
};

}  // namespace

TEST_F(MusicTest, APieceStreamsThroughItsBufferToTheEnd) {
    StreamSlot& slot = Start("Sonido\\Musica\\five.wav", false);
    EXPECT_EQ(slot.bufferSize, 2u * kRate * 2);   // two seconds
    EXPECT_EQ(slot.duration, 5000u);
    EXPECT_EQ(slot.bufferMs, STREAM_BUFFER_MS);
    // 25 refills carry five seconds through a two-second buffer.
    std::vector<float> out = Stream(slot, 25);
    ASSERT_EQ(out.size(), 25u * kStep);
    ASSERT_GT(out[100], 0.0f);
    EXPECT_EQ(Mismatches(out, 100, out.size() - 100, 100), 0u);
    // The whole duration has passed: the slot stopped.
    EXPECT_FALSE(Player().IsPlaying(0));
    EXPECT_EQ(Mix(kStep).Peak(), 0.0f);
}

TEST_F(MusicTest, ALoopingPieceStartsOverInPlace) {
    StreamSlot& slot = Start("Sonido\\Musica\\three.wav", true);
    audio::PeriodicTimer* timer = slot.timer;
    std::vector<float> out = Stream(slot, 15);   // three seconds: the end is seen at the last refill
    EXPECT_TRUE(Player().IsPlaying(0));
    EXPECT_EQ(slot.timer, timer);
    std::vector<float> again = Stream(slot, 5);
    EXPECT_EQ(Mismatches(out, 0, out.size(), 0), 0u);
    // From its start again.
    EXPECT_EQ(again.size(), 5u * kStep);
    EXPECT_EQ(Mismatches(again, 0, again.size(), 0), 0u);
}

TEST_F(MusicTest, APieceShorterThanTheBufferFitsWholeAndIsFollowedBySilence) {
    StreamSlot& slot = Start("Sonido\\Musica\\one.wav", false);
    EXPECT_EQ(slot.bufferSize, kRate * 2u);
    EXPECT_EQ(slot.duration, 1000u);
    // The clock runs at half the speed of the sound here, so the buffer goes round once more
    // before the piece's time is up.
    std::vector<float> out = Stream(slot, 9, 100);
    EXPECT_EQ(Mismatches(out, 0, kRate, 0), 0u);
    for (size_t i = kRate; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << i;
    Stream(slot, 1, 100);
    EXPECT_FALSE(Player().IsPlaying(0));
}

TEST_F(MusicTest, AFadeOutFallsInAStraightLineToSilenceAndStops) {
    StreamSlot& slot = Start("Sonido\\Musica\\five.wav", false);
    Player().SetVolume(0, -600);
    Stream(slot, 2);
    const uint32_t start = now;
    Player().FadeOut(0, 3000);
    EXPECT_EQ(slot.baseVolume, -600);
    EXPECT_EQ(slot.fadeDuration, 3000);

    now = start + 1500;
    ASSERT_TRUE(slot.Update());
    EXPECT_EQ(VolumeOf(slot), -5300);
    now = start + 3000;
    ASSERT_TRUE(slot.Update());
    EXPECT_EQ(VolumeOf(slot), audio::VOLUME_MIN);
    Mix(512);
    EXPECT_EQ(Mix(kStep).Peak(), 0.0f);
    EXPECT_TRUE(Player().IsPlaying(0));

    now = start + 3001;
    ASSERT_TRUE(slot.Update());
    EXPECT_FALSE(Player().IsPlaying(0));
    EXPECT_EQ(slot.fadeDuration, -1);
    EXPECT_EQ(VolumeOf(slot), -600);   // ready for a later start
    EXPECT_EQ(slot.timer, nullptr);    // taken away by the main thread
    EXPECT_EQ(Mix(kStep).Peak(), 0.0f);
}

TEST_F(MusicTest, AFadeOfNoTimeStopsAtOnce) {
    StreamSlot& slot = Start("Sonido\\Musica\\five.wav", false);
    Player().FadeOut(0, 0);
    ASSERT_TRUE(slot.Update());
    EXPECT_FALSE(Player().IsPlaying(0));
}

TEST_F(MusicTest, SlotVolumeMinus6000IsSilence) {
    StreamSlot& slot = Start("Sonido\\Musica\\five.wav", false);
    Player().SetVolume(0, -6000);
    EXPECT_EQ(VolumeOf(slot), audio::VOLUME_MIN);
    Player().SetVolume(0, -5999);
    EXPECT_EQ(VolumeOf(slot), -5999);
}

TEST_F(MusicTest, MusicPlaysAtTheMusicVolumeInTheFirstFreeSlot) {
    g_Settings.musicVolume = 0.9f;
    EXPECT_EQ(Music().Play("m00.wav", true), 0);
    EXPECT_EQ(Music().current, 0);
    EXPECT_TRUE(Player().IsPlaying(0));
    EXPECT_EQ(VolumeOf(Player().slots[0]), -600);
    Music().SetVolume(-1500);
    EXPECT_EQ(VolumeOf(Player().slots[0]), -1500);
    // The next piece while the first fades out.
    Music().Stop(3000);
    EXPECT_TRUE(Player().IsPlaying(0));
    EXPECT_EQ(Music().Play("m01.wav", true), 1);
    EXPECT_EQ(Music().current, 1);
    g_Settings.musicVolume = 0.0f;
    Music().Play("m00.wav", false);
    EXPECT_EQ(VolumeOf(Player().slots[Music().current]), audio::VOLUME_MIN);
}

TEST_F(MusicTest, AThirdPieceStopsTheOneStartedFirst) {
    now = 100;
    ASSERT_EQ(Music().Play("m00.wav", true), 0);
    now = 200;
    ASSERT_EQ(Music().Play("m01.wav", true), 1);
    now = 300;
    EXPECT_EQ(Music().Play("five.wav", true), 0);
    EXPECT_EQ(Player().slots[0].duration, 5000u);
    EXPECT_TRUE(Player().IsPlaying(0));
    EXPECT_TRUE(Player().IsPlaying(1));
}

TEST_F(MusicTest, NothingOpensWithMusicOffOrWithoutAFile) {
    g_Settings.music = 0;
    EXPECT_EQ(Music().Play("m00.wav", true), -1);
    EXPECT_EQ(Music().current, -1);
    EXPECT_FALSE(Player().IsPlaying(0));
    EXPECT_EQ(Player().slots[0].buffer, nullptr);
    g_Settings.music = 1;
    EXPECT_EQ(Music().Play("missing.wav", true), -1);
    EXPECT_EQ(Music().Play("bad.wav", true), -1);
    EXPECT_EQ(Player().slots[0].buffer, nullptr);
    EXPECT_EQ(Player().slots[0].reader, nullptr);
    EXPECT_EQ(Music().current, -1);
    // Nothing to fade, nothing to set; indices outside the slots are ignored.
    Music().Stop(3000);
    Music().SetVolume(-100);
    EXPECT_FALSE(Player().Play(2, true));
    EXPECT_FALSE(Player().IsPlaying(-1));
    Player().Stop(7);
    Player().FadeOut(-3, 10);
    Player().SetVolume(2, 0);
}

TEST_F(MusicTest, StopFadesOnlyAPlayingPieceWhileMusicIsOn) {
    ASSERT_EQ(Music().Play("five.wav", false), 0);
    Player().Stop(0);
    Music().Stop(3000);
    EXPECT_EQ(Player().slots[0].fadeDuration, -1);
    ASSERT_TRUE(Player().Play(0, false));
    Music().Stop(3000);
    EXPECT_TRUE(Player().IsPlaying(0));
    Player().Stop(0);
    EXPECT_EQ(Player().slots[0].fadeDuration, 3000);
}

TEST_F(MusicTest, TheStreamPlayerHasTwentySlotsAndPlaysNothingByItself) {
    ASSERT_NE(g_SoundManager.streamPlayer, nullptr);
    EXPECT_EQ(g_SoundManager.streamPlayer->count, 20);
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(g_SoundManager.streamPlayer->IsPlaying(i));
    EXPECT_EQ(Player().count, 2);
    CreateMusicPlayer();   // a new one replaces the old
    EXPECT_EQ(Music().current, -1);
}

// The timer thread does the refills: each step waits until a refill has run after the sound
// moved on. The clock stands still, so only the cursor tells the refill what to do.
TEST_F(MusicTest, TheTimerRefillsWhileThePieceOutlastsItsBuffer) {
    std::atomic<int> clockReads{0};
    os::SetTimeSource([&] {
        ++clockReads;
        return 5000u;
    });
    int i = Player().Open("Sonido\\Musica\\five.wav");
    ASSERT_EQ(i, 0);
    Player().slots[0].servicePeriod = 1;
    ASSERT_TRUE(Player().Play(0, false));
    std::vector<float> out;
    for (int s = 0; s < 15; ++s) {
        Rendered r = Mix(kStep);
        for (size_t k = 0; k < r.Frames(); ++k) out.push_back(r.L(k));
        // A refill reads the clock once under the slot's lock; the second read after this
        // point means the first refill to see the new cursor has finished.
        int seen = clockReads;
        for (int wait = 0; clockReads < seen + 2 && wait < 10000; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_GE(clockReads, seen + 2) << "the timer stopped refilling";
    }
    EXPECT_EQ(Mismatches(out, 0, out.size(), 0), 0u);
    Player().Stop(0);
    EXPECT_FALSE(Player().IsPlaying(0));
    EXPECT_EQ(Player().slots[0].timer, nullptr);
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
        Player().IsPlaying(i);
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
