// The effect bank and PlayFx on the loopback output: heard, placed by the camera, attenuated,
// several voices of one effect together, voices taken over, StopAllFx, shut-down.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "audio_test_util.h"
#include "platform/os/os.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "shell/music.h"
#include "core/settings.h"
#include "shell/sound.h"
#include "support/temp_dir.h"

using namespace audiotest;

namespace {

constexpr uint32_t kRate = 22050;

class SoundFxTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    Camera camera;
    std::atomic<uint32_t> now{1000};

    void SetUp() override {
        ResetSound();
        g_Settings.Clear();
        g_Settings.sound = 1;
        g_Settings.music = 1;
        g_Settings.effectVolume = 1.0f;
        os::SetTimeSource([this] { return now.load(); });
        audio::SetDefaultOutput(audio::Output::Loopback);
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
        ResetSound();
        g_Scene.camera = nullptr;
        g_Settings.Clear();
        os::SetTimeSource({});
        audio::SetDefaultOutput(audio::Output::Device);
    }
    void Start() {
        ASSERT_EQ(g_SoundManager.Init(nullptr, SOUND_VOICE_COUNT), S_OK);
        ASSERT_TRUE(LoadFxBank(FX_COUNT));
    }
    Rendered Mix(uint32_t frames) { return Render(g_SoundManager.sound.get(), frames); }
    // After gains settle.
    Rendered Listen() {
        Mix(512);
        return Mix(2205);
    }
    audio::SoundBuffer* Voice(int i) { return g_SoundManager.voices[i].buffer; }
    int32_t VolumeOf(int voice) {
        int32_t v = 1;
        EXPECT_EQ(Voice(voice)->GetVolume(&v), S_OK);
        return v;
    }
    int32_t PanOf(int voice) {
        int32_t p = 1;
        EXPECT_EQ(Voice(voice)->GetPan(&p), S_OK);
        return p;
    }
    int Playing() {
        int n = 0;
        for (int i = 0; i < g_SoundManager.voiceCount; ++i) {
            uint32_t status = 0;
            if (Voice(i) && Voice(i)->GetStatus(&status) == S_OK && (status & audio::STATUS_PLAYING)) ++n;
        }
        return n;
    }
};

}  // namespace

TEST_F(SoundFxTest, AnEffectIsLoadedOnceAndHeardWhenPlayed) {
    Start();
    ASSERT_NE(g_SoundManager.fx[0].buffer, nullptr);
    EXPECT_EQ(g_SoundManager.fx[0].size, kRate * 2);
    EXPECT_EQ(g_SoundManager.fx[0].id, 0);
    EXPECT_EQ(g_SoundManager.fx[3].buffer, nullptr);   // malformed
    EXPECT_EQ(g_SoundManager.fx[4].buffer, nullptr);   // missing
    EXPECT_EQ(Listen().Peak(), 0.0f);

    int voice = PlayFx(0, nullptr, 0);
    ASSERT_EQ(voice, 0);
    EXPECT_EQ(g_SoundManager.voices[0].owner, &g_SoundManager.fx[0]);
    Rendered r = Listen();
    EXPECT_GT(r.RmsL(), 0.05);
    EXPECT_NEAR(r.RmsL(), r.RmsR(), 1e-4);
    EXPECT_EQ(VolumeOf(voice), 0);
    EXPECT_EQ(PanOf(voice), 0);
}

TEST_F(SoundFxTest, PlayFxSaysNoWhenItCannotPlay) {
    Start();
    EXPECT_EQ(PlayFx(-1, nullptr, 0), -1);
    EXPECT_EQ(PlayFx(FX_COUNT, nullptr, 0), -1);
    EXPECT_EQ(PlayFx(100000, nullptr, 0), -1);
    EXPECT_EQ(PlayFx(3, nullptr, 0), -1);   // no buffer
    EXPECT_EQ(PlayFx(4, nullptr, 0), -1);
    g_Settings.sound = 0;
    EXPECT_EQ(PlayFx(0, nullptr, 0), -1);
    EXPECT_EQ(Playing(), 0);
}

TEST_F(SoundFxTest, WithoutAnOutputEveryEffectLacksItsBuffer) {
    // Another system holds the output, as if there were no sound at all.
    std::unique_ptr<audio::SoundSystem> other;
    ASSERT_EQ(audio::SoundSystem::Create(audio::Output::Loopback, audio::OutputFormat{}, &other), S_OK);
    EXPECT_EQ(g_SoundManager.Init(nullptr, SOUND_VOICE_COUNT), audio::AUDIO_E_ALLOCATED);
    EXPECT_TRUE(LoadFxBank(FX_COUNT));
    EXPECT_EQ(g_SoundManager.fx[0].buffer, nullptr);
    EXPECT_EQ(PlayFx(0, nullptr, 0), -1);
    CreateMusicPlayer();
    EXPECT_EQ(g_SoundManager.musicPlayer->Play("m00.wav", true), -1);
    ShutdownSound(FX_COUNT);
}

TEST_F(SoundFxTest, ASoundOnTheRightIsLouderOnTheRight) {
    Start();
    struct Case {
        Vec3 at;
        int32_t pan;
    };
    // Side offset in view space times 100.
    for (Case c : {Case{{20, 0, 0}, 2000}, Case{{-20, 0, 0}, -2000}, Case{{0, 0, 30}, 0}, Case{{100, 0, 0}, 10000},
                   Case{{0.004f, 0, 0}, 0}}) {
        SCOPED_TRACE(testing::Message() << c.at.x << "," << c.at.z);
        StopAllFx(FX_COUNT);
        int voice = PlayFx(0, &c.at, 0);
        ASSERT_GE(voice, 0);
        EXPECT_EQ(PanOf(voice), c.pan);
        Rendered r = Listen();
        if (c.pan > 0) {
            EXPECT_GT(r.RmsR(), 1.5 * r.RmsL());
        } else if (c.pan < 0) {
            EXPECT_GT(r.RmsL(), 1.5 * r.RmsR());
        } else {
            EXPECT_NEAR(r.RmsL(), r.RmsR(), 1e-3);
        }
        if (c.pan == 10000) {
            EXPECT_LT(r.RmsL(), 0.01 * r.RmsR());
        }
    }
}

TEST_F(SoundFxTest, DistanceFromTheCameraTargetAttenuates) {
    Start();
    g_FxVolumes[0] = -300;
    Vec3 target{0, 0, 0};
    int near = PlayFx(0, &target, 0);
    ASSERT_GE(near, 0);
    EXPECT_EQ(VolumeOf(near), -300);
    double atTarget = Listen().RmsL();
    StopAllFx(FX_COUNT);

    // 50 units straight ahead: 60 hundredths of a decibel per unit.
    Vec3 ahead{0, 0, 50};
    int far = PlayFx(0, &ahead, 0);
    ASSERT_GE(far, 0);
    EXPECT_EQ(VolumeOf(far), -300 - 3000);
    double quieter = Listen().RmsL();
    EXPECT_NEAR(quieter / atTarget, std::pow(10.0, -3000 / 2000.0), 0.002);
    StopAllFx(FX_COUNT);

    // Below -6000 is silence.
    Vec3 further{0, 0, 96};
    int silent = PlayFx(0, &further, 0);
    ASSERT_GE(silent, 0);
    EXPECT_EQ(VolumeOf(silent), audio::VOLUME_MIN);
    EXPECT_EQ(Listen().Peak(), 0.0f);
}

TEST_F(SoundFxTest, OnlySoundsWithinAHundredUnitsPlay) {
    Start();
    Vec3 justIn{0, 0, 100.9f};   // the distance is cut to whole units
    Vec3 out{0, 0, 101.0f};
    EXPECT_GE(PlayFx(0, &justIn, 0), 0);
    EXPECT_EQ(PlayFx(0, &out, 0), -1);
    EXPECT_EQ(Playing(), 1);
    // Without a camera a position cannot be judged: it plays as if unplaced.
    g_Scene.camera = nullptr;
    int voice = PlayFx(0, &out, 0);
    ASSERT_GE(voice, 0);
    EXPECT_EQ(PanOf(voice), 0);
}

TEST_F(SoundFxTest, VolumesAreInHundredthsOfADecibel) {
    Start();
    Vec3 target{0, 0, 0};
    ASSERT_GE(PlayFx(0, &target, 0), 0);
    double full = Listen().RmsL();
    struct Case {
        int32_t table;
        float effectVolume;
        int32_t expected;
    };
    for (Case c : {Case{-600, 1.0f, -600}, Case{0, 0.5f, -3000}, Case{-1000, 0.75f, -2500}, Case{-3500, 0.5f, -10000}}) {
        SCOPED_TRACE(c.expected);
        StopAllFx(FX_COUNT);
        g_FxVolumes[0] = c.table;
        g_Settings.effectVolume = c.effectVolume;
        int voice = PlayFx(0, &target, 0);
        ASSERT_GE(voice, 0);
        EXPECT_EQ(VolumeOf(voice), c.expected);
        double expected = c.expected <= -10000 ? 0.0 : std::pow(10.0, c.expected / 2000.0);
        EXPECT_NEAR(Listen().RmsL() / full, expected, 0.01);
    }
    // Unplaced sounds take only the global effect volume, not the table's.
    StopAllFx(FX_COUNT);
    g_FxVolumes[0] = -2000;
    g_Settings.effectVolume = 0.5f;
    EXPECT_EQ(VolumeOf(PlayFx(0, nullptr, 0)), -3000);
    StopAllFx(FX_COUNT);
    // Only what is below -6000 becomes silence.
    g_Settings.effectVolume = 0.0f;
    EXPECT_EQ(VolumeOf(PlayFx(0, nullptr, 0)), -6000);
    StopAllFx(FX_COUNT);
    g_Settings.effectVolume = -0.01f;
    EXPECT_EQ(VolumeOf(PlayFx(0, nullptr, 0)), audio::VOLUME_MIN);
}

TEST_F(SoundFxTest, OneEffectSoundsSeveralTimesAtOnce) {
    Start();
    ASSERT_EQ(PlayFx(1, nullptr, 0), 0);
    double one = Listen().RmsL();
    StopAllFx(FX_COUNT);
    ASSERT_EQ(PlayFx(1, nullptr, 0), 0);
    ASSERT_EQ(PlayFx(1, nullptr, 0), 1);
    ASSERT_EQ(PlayFx(1, nullptr, 0), 2);
    EXPECT_EQ(Playing(), 3);
    EXPECT_NEAR(Listen().RmsL() / one, 3.0, 0.05);
    // Each voice is its own copy: quietening one leaves the others.
    ASSERT_EQ(Voice(1)->SetVolume(audio::VOLUME_MIN), S_OK);
    EXPECT_NEAR(Listen().RmsL() / one, 2.0, 0.05);
}

TEST_F(SoundFxTest, TheSixteenthSoundCutsTheOldest) {
    Start();
    for (int i = 0; i < SOUND_VOICE_COUNT; ++i) {
        now = 1000 + uint32_t(i) * 10;
        ASSERT_EQ(PlayFx(0, nullptr, 0), i);
    }
    // Voice 0 started first.
    now = 2000;
    EXPECT_EQ(PlayFx(1, nullptr, 0), 0);
    EXPECT_EQ(g_SoundManager.voices[0].owner, &g_SoundManager.fx[1]);
    EXPECT_EQ(Playing(), SOUND_VOICE_COUNT);
    now = 2010;
    EXPECT_EQ(PlayFx(1, nullptr, 0), 1);
}

TEST_F(SoundFxTest, ProtectedSoundsAreNeverCut) {
    Start();
    for (int i = 0; i < SOUND_VOICE_COUNT; ++i) {
        now = 1000 + uint32_t(i);
        ASSERT_EQ(PlayFx(0, nullptr, i == 7 ? 0 : FX_PROTECTED), i);
    }
    // Only voice 7 may be taken.
    EXPECT_EQ(PlayFx(1, nullptr, FX_PROTECTED), 7);
    EXPECT_EQ(PlayFx(1, nullptr, 0), -1);
    EXPECT_EQ(Playing(), SOUND_VOICE_COUNT);
}

TEST_F(SoundFxTest, AFailedPlayChangesNoOtherVoice) {
    Start();
    Vec3 target{0, 0, 0};
    for (int i = 0; i < SOUND_VOICE_COUNT; ++i) ASSERT_EQ(PlayFx(0, &target, FX_PROTECTED), i);
    Vec3 right{60, 0, 0};
    EXPECT_EQ(PlayFx(0, &right, FX_PROTECTED), -1);
    for (int i = 0; i < SOUND_VOICE_COUNT; ++i) {
        EXPECT_EQ(PanOf(i), 0) << i;
        EXPECT_EQ(VolumeOf(i), 0) << i;
    }
}

TEST_F(SoundFxTest, FinishedVoicesAreFreedForTheNextSound) {
    Start();
    ASSERT_EQ(PlayFx(2, nullptr, 0), 0);   // 200 frames
    ASSERT_EQ(PlayFx(0, nullptr, 0), 1);
    Mix(1000);
    EXPECT_EQ(PlayFx(1, nullptr, 0), 0);
    EXPECT_EQ(g_SoundManager.voices[0].owner, &g_SoundManager.fx[1]);
}

TEST_F(SoundFxTest, LoopingSoundsKeepPlaying) {
    Start();
    int voice = PlayFx(2, nullptr, FX_LOOP | FX_PROTECTED);
    ASSERT_EQ(voice, 0);
    Mix(5000);
    uint32_t status = 0;
    ASSERT_EQ(Voice(voice)->GetStatus(&status), S_OK);
    EXPECT_TRUE(status & audio::STATUS_LOOPING);
    EXPECT_GT(Mix(1000).RmsL(), 0.05);
}

TEST_F(SoundFxTest, StopAllFxStopsEveryVoiceOfEachEffect) {
    Start();
    for (int i = 0; i < 4; ++i) ASSERT_GE(PlayFx(0, nullptr, FX_PROTECTED), 0);
    for (int i = 0; i < 3; ++i) ASSERT_GE(PlayFx(1, nullptr, FX_LOOP), 0);
    ASSERT_EQ(Playing(), 7);
    // Only effect 0.
    StopAllFx(1);
    EXPECT_EQ(Playing(), 3);
    for (int i = 0; i < SOUND_VOICE_COUNT; ++i) {
        if (g_SoundManager.voices[i].buffer) {
            EXPECT_EQ(g_SoundManager.voices[i].owner, &g_SoundManager.fx[1]);
        }
    }
    StopAllFx(FX_COUNT);
    EXPECT_EQ(Playing(), 0);
    for (int i = 0; i < SOUND_VOICE_COUNT; ++i) EXPECT_EQ(Voice(i), nullptr);
    EXPECT_EQ(Listen().Peak(), 0.0f);
    StopAllFx(100000);   // more than the bank holds
}

TEST_F(SoundFxTest, ShutdownReleasesEverythingWhateverTheSwitchesSayNow) {
    Start();
    CreateMusicPlayer();
    CreateStreamPlayer();
    ASSERT_GE(PlayFx(0, nullptr, 0), 0);
    g_Settings.sound = 0;
    g_Settings.music = 0;
    ShutdownSound(FX_COUNT);
    EXPECT_EQ(g_SoundManager.musicPlayer, nullptr);
    EXPECT_EQ(g_SoundManager.streamPlayer, nullptr);
    EXPECT_EQ(g_SoundManager.fx, nullptr);
    EXPECT_EQ(g_SoundManager.voices, nullptr);
    EXPECT_EQ(g_SoundManager.sound, nullptr);
    ShutdownSound(FX_COUNT);   // again: nothing left to do
    // The output is free for the next start.
    g_Settings.sound = 1;
    Start();
    EXPECT_GE(PlayFx(0, nullptr, 0), 0);
}

TEST_F(SoundFxTest, ReloadingTheBankDropsItsVoices) {
    Start();
    ASSERT_GE(PlayFx(0, nullptr, 0), 0);
    ASSERT_TRUE(LoadFxBank(10));
    EXPECT_EQ(g_SoundManager.fxCount, 10);
    EXPECT_EQ(Playing(), 0);
    EXPECT_EQ(PlayFx(10, nullptr, 0), -1);
    EXPECT_GE(PlayFx(0, nullptr, 0), 0);
    EXPECT_FALSE(LoadFxBank(-1));
}

TEST_F(SoundFxTest, PlayingAnEffectDirectlySetsWhatItIsGiven) {
    Start();
    SoundFx& fx = g_SoundManager.fx[0];
    int voice = fx.Play(-1200, 3000, 44100, 0);
    ASSERT_GE(voice, 0);
    EXPECT_EQ(VolumeOf(voice), -1200);
    EXPECT_EQ(PanOf(voice), 3000);
    uint32_t f = 0;
    ASSERT_EQ(Voice(voice)->GetFrequency(&f), S_OK);
    EXPECT_EQ(f, 44100u);
    int same = fx.Play(FX_UNCHANGED, FX_UNCHANGED, FX_UNCHANGED, 0);
    ASSERT_GE(same, 0);
    EXPECT_EQ(VolumeOf(same), 0);
    ASSERT_EQ(Voice(same)->GetFrequency(&f), S_OK);
    EXPECT_EQ(f, kRate);
    // Values the buffer refuses give -1 and hold no voice.
    EXPECT_EQ(fx.Play(5, 0, FX_UNCHANGED, 0), -1);
    EXPECT_EQ(fx.Play(0, 0, -3, 0), -1);
    EXPECT_EQ(Playing(), 2);
}

namespace {

// The start-up sequence of sound, a sound and a piece of music, and the shut-down, on the
// default output; the result as an exit code.
int RunSoundOnTheDefaultOutput() {
    g_Settings.Clear();
    g_Settings.sound = 1;
    g_Settings.music = 1;
    g_Settings.effectVolume = 1.0f;
    g_Settings.musicVolume = 0.9f;
    audio::SetDefaultOutput(audio::Output::Device);
    LoadSoundConfig();
    if (g_SoundManager.Init(nullptr, SOUND_VOICE_COUNT) != S_OK) return 2;
    if (g_SoundManager.sound->output() != audio::Output::Silent) return 3;
    if (!LoadFxBank(FX_COUNT)) return 4;
    CreateMusicPlayer();
    CreateStreamPlayer();
    int voice = PlayFx(2, nullptr, 0);
    if (voice < 0) return 5;
    if (g_SoundManager.musicPlayer->Play("m00.wav", true) != 0) return 6;
    // The short effect ends in real time on the silent output.
    uint32_t status = audio::STATUS_PLAYING;
    for (int i = 0; i < 1000 && (status & audio::STATUS_PLAYING); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        g_SoundManager.voices[voice].buffer->GetStatus(&status);
    }
    if (status & audio::STATUS_PLAYING) return 7;
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
    dir.Write("ess_fx.cfg", "0 0 300\n");
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
