// The effect bank and PlayFx on the loopback output: heard, placed by the camera, attenuated,
// several voices of one effect together, voices taken over, StopAllFx, shut-down.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio_test_util.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "shell/music.h"

using namespace audiotest;

namespace {

constexpr uint32_t kRate = 22050;
constexpr double kFull = 8000.0 / 32768.0;   // effect 0 at full level

class SoundFxTest : public GameSoundTest {
protected:
    Camera camera;

    void SetUp() override {
        GameSoundTest::SetUp();
        // Eye 10 units behind the origin, looking along +z: +x is to the right.
        camera.Set(0, 0, -10, 0, 0, 0, 0, 1.0f, 1.0f, 1000.0f);
        camera.Update();
        g_Scene.camera = &camera;
        // Effect 0: one second of a square wave; effect 1: the same, quieter; 2: a short blip.
        dir.Write("Sonido/Fx/snd000.wav", Wav(1, kRate, 16, Square16(kRate, 8000)));
        dir.Write("Sonido/Fx/SND001.WAV", Wav(1, kRate, 16, Square16(kRate, 2000)));
        dir.Write("Sonido/Fx/snd002.wav", Wav(1, kRate, 16, Square16(200, 8000)));
        dir.Write("Sonido/Fx/snd003.wav", "RIFF but not really");
    }
    void TearDown() override {
        GameSoundTest::TearDown();
        g_Scene.camera = nullptr;
    }
    void Start() {
        ASSERT_EQ(g_SoundManager.Init(nullptr, SOUND_VOICE_COUNT), S_OK);
        ASSERT_TRUE(LoadFxBank(FX_COUNT));
    }
    int Playing() {
        int n = 0;
        for (int i = 0; i < g_SoundManager.voiceCount; ++i) {
            uint32_t status = 0;
            audio::SoundBuffer* b = g_SoundManager.voices[i].buffer;
            if (b && b->GetStatus(&status) == S_OK && (status & audio::STATUS_PLAYING)) ++n;
        }
        return n;
    }
    // Effect 0 heard at these levels, in hundredths of a decibel, on each side.
    static void ExpectHeardAt(const Rendered& r, int32_t left, int32_t right) {
        EXPECT_NEAR(r.RmsL(), Level(left) * kFull, 0.01 * Level(left) * kFull + 1e-6);
        EXPECT_NEAR(r.RmsR(), Level(right) * kFull, 0.01 * Level(right) * kFull + 1e-6);
    }
};

}  // namespace

TEST_F(SoundFxTest, AnEffectPlaysAtFullLevelOnBothSidesUnlessItCannotPlay) {
    Start();
    EXPECT_EQ(Listen().Peak(), 0.0f);
    for (int id : {-1, 3 /* malformed */, 4 /* missing */, FX_COUNT}) EXPECT_EQ(PlayFx(id, nullptr, 0), -1) << id;
    ASSERT_EQ(PlayFx(0, nullptr, 0), 0);
    ExpectHeardAt(Listen(), 0, 0);
    g_Settings.sound = 0;
    EXPECT_EQ(PlayFx(0, nullptr, 0), -1);
    EXPECT_EQ(Playing(), 1);
}

// 60 hundredths of a decibel per unit from the camera's target; the side offset in the view
// times 100 attenuates the far side only.
TEST_F(SoundFxTest, APlacedSoundFadesWithDistanceAndIsPannedBySide) {
    Start();
    struct Case {
        Vec3 at;
        int32_t left, right;
    };
    const Case cases[] = {
        {{20, 0, 0}, -1200 - 2000, -1200},  {{-20, 0, 0}, -1200, -1200 - 2000}, {{0, 0, 30}, -1800, -1800},
        {{100, 0, 0}, -10000, -6000},       {{0.004f, 0, 0}, 0, 0},             {{0, 0, 50}, -3000, -3000},
        {{0, 0, 100.9f}, -6000, -6000},   // the distance is cut to whole units
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.x << "," << c.at.z);
        StopAllFx(FX_COUNT);
        ASSERT_GE(PlayFx(0, &c.at, 0), 0);
        ExpectHeardAt(Listen(), c.left, c.right);
    }
    const Vec3 tooFar{0, 0, 101};
    EXPECT_EQ(PlayFx(0, &tooFar, 0), -1);
    // Without a camera a position cannot be judged: it plays as if unplaced.
    StopAllFx(FX_COUNT);
    g_Scene.camera = nullptr;
    ASSERT_GE(PlayFx(0, &tooFar, 0), 0);
    ExpectHeardAt(Listen(), 0, 0);
}

TEST_F(SoundFxTest, VolumesComeFromTheTableAndTheEffectVolume) {
    Start();
    const Vec3 target{0, 0, 0};
    struct Case {
        bool placed;
        int32_t table;
        float effectVolume;
        int32_t expected;
    };
    const Case cases[] = {
        {true, -600, 1.0f, -600},   {true, 0, 0.5f, -3000},    {true, -1000, 0.75f, -2500},
        {true, -3500, 0.5f, -10000},   // below -6000 is silence
        {false, -2000, 0.5f, -3000},   // unplaced: the effect volume only
        {false, 0, 0.0f, -6000},       {false, 0, -0.01f, -10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        StopAllFx(FX_COUNT);
        g_FxVolumes[0] = c.table;
        g_Settings.effectVolume = c.effectVolume;
        ASSERT_GE(PlayFx(0, c.placed ? &target : nullptr, 0), 0);
        ExpectHeardAt(Listen(), c.expected, c.expected);
    }
}

TEST_F(SoundFxTest, WhenEveryVoicePlaysTheOldestUnprotectedOneIsCut) {
    Start();
    // Voices 3 and 9 may be cut, and 9 is the older.
    for (int i = 0; i < SOUND_VOICE_COUNT; ++i) {
        now = i == 9 ? 1000 : 1100 + uint32_t(i);
        ASSERT_EQ(PlayFx(0, nullptr, i == 3 || i == 9 ? 0 : FX_PROTECTED), i);
    }
    EXPECT_EQ(PlayFx(1, nullptr, FX_PROTECTED), 9);
    EXPECT_EQ(g_SoundManager.voices[9].owner, &g_SoundManager.fx[1]);
    EXPECT_EQ(PlayFx(1, nullptr, FX_PROTECTED), 3);
    // Now every voice is protected: a further sound plays nowhere and moves no other voice.
    const Vec3 right{60, 0, 0};
    EXPECT_EQ(PlayFx(0, &right, 0), -1);
    EXPECT_EQ(Playing(), SOUND_VOICE_COUNT);
    Rendered r = Listen();
    EXPECT_NEAR(r.RmsL(), r.RmsR(), 1e-6);
}

TEST_F(SoundFxTest, FinishedVoicesAreFreedAndStopAllFxStopsTheFirstEffects) {
    Start();
    ASSERT_EQ(PlayFx(2, nullptr, 0), 0);   // 200 frames
    ASSERT_EQ(PlayFx(2, nullptr, FX_LOOP), 1);
    Mix(5000);
    EXPECT_EQ(PlayFx(1, nullptr, 0), 0);   // the finished voice is taken
    EXPECT_EQ(PlayFx(0, nullptr, FX_PROTECTED), 2);
    StopAllFx(2);   // effects 0 and 1: not the looping blip
    EXPECT_EQ(Playing(), 1);
    EXPECT_NEAR(Listen().RmsL(), kFull, 0.01 * kFull);
    StopAllFx(100000);   // more than the bank holds
    EXPECT_EQ(Listen().Peak(), 0.0f);
}

TEST_F(SoundFxTest, ShutdownAndReloadLeaveNoVoiceBehind) {
    Start();
    ASSERT_GE(PlayFx(0, nullptr, 0), 0);
    ASSERT_TRUE(LoadFxBank(10));   // the old bank's voices go with it
    EXPECT_EQ(Playing(), 0);
    EXPECT_EQ(PlayFx(10, nullptr, 0), -1);
    CreateMusicPlayer();
    CreateStreamPlayer();
    ASSERT_GE(PlayFx(0, nullptr, 0), 0);
    // Whatever the switches say now, everything goes, and the output is free for the next start.
    g_Settings.sound = 0;
    g_Settings.music = 0;
    ShutdownSound(FX_COUNT);
    EXPECT_EQ(g_SoundManager.sound, nullptr);
    ShutdownSound(FX_COUNT);
    g_Settings.sound = 1;
    Start();
    EXPECT_GE(PlayFx(0, nullptr, 0), 0);
}

namespace {

// The start-up sequence of sound, a sound and a piece of music, and the shut-down, on the
// default output; the result as an exit code.
int RunSoundOnTheDefaultOutput() {
    g_Settings.Clear();
    g_Settings.sound = 1;
    g_Settings.music = 1;
    audio::SetDefaultOutput(audio::Output::Device);
    if (g_SoundManager.Init(nullptr, SOUND_VOICE_COUNT) != S_OK) return 2;
    if (g_SoundManager.sound->output() != audio::Output::Silent) return 3;
    if (!LoadFxBank(FX_COUNT)) return 4;
    CreateMusicPlayer();
    CreateStreamPlayer();
    if (PlayFx(2, nullptr, 0) < 0) return 5;
    if (g_SoundManager.musicPlayer->Play("m00.wav", true) != 0) return 6;
    if (!g_SoundManager.musicPlayer->player.IsPlaying(0)) return 8;
    g_SoundManager.musicPlayer->Stop(3000);
    ShutdownSound(FX_COUNT);
    return g_SoundManager.sound ? 9 : 0;
}

}  // namespace

// What the program does at start-up on a machine without a sound card: everything starts and
// plays, and nothing is heard. OpenAL picks its backends once per process, hence the child.
TEST(SoundStartupDeathTest, WithoutASoundCardEverythingStartsAndPlaysSilently) {
    // The child runs this body again from the top, so it makes and enters its own folder.
    ScopedWorkDir dir;
    dir.Write("Sonido/Fx/snd002.wav", Wav(1, kRate, 16, Square16(1000, 8000)));
    dir.Write("Sonido/Musica/m00.wav", Wav(1, kRate, 16, Square16(kRate, 8000)));
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
            int code = RunSoundOnTheDefaultOutput();
            // exit skips the folder's destructor.
            std::error_code ignored;
            std::filesystem::remove_all(dir.path(), ignored);
            std::exit(code);
        },
        ::testing::ExitedWithCode(0), "");
}
