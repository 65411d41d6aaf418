// The platform sound layer on the loopback output: what is rendered follows play, stop, volume,
// pan, frequency, duplicates and writes into a playing buffer.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "audio_test_util.h"
#include "platform/audio/sound.h"

using namespace audiotest;
using audio::SoundBuffer;
using audio::SoundSystem;

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kAllCaps = audio::CAPS_CTRLVOLUME | audio::CAPS_CTRLPAN | audio::CAPS_CTRLFREQUENCY;

class SoundBufferTest : public ::testing::Test {
protected:
    std::unique_ptr<SoundSystem> system;
    std::vector<std::unique_ptr<SoundBuffer>> buffers;

    void SetUp() override {
        audio::OutputFormat f;
        ASSERT_EQ(SoundSystem::Create(audio::Output::Loopback, f, &system), S_OK);
        ASSERT_EQ(system->output(), audio::Output::Loopback);
    }
    void TearDown() override {
        buffers.clear();
        system.reset();
    }

    SoundBuffer* Make(const audio::WaveFormat& format, const std::string& bytes, uint32_t caps = kAllCaps) {
        audio::BufferDesc d{caps, uint32_t(bytes.size()), format};
        SoundBuffer* b = nullptr;
        EXPECT_EQ(system->CreateBuffer(d, &b), S_OK);
        if (!b) return nullptr;
        buffers.emplace_back(b);
        Fill(b, 0, bytes);
        return b;
    }
    static void Fill(SoundBuffer* b, uint32_t offset, const std::string& bytes) {
        void *p1 = nullptr, *p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        ASSERT_EQ(b->Lock(offset, uint32_t(bytes.size()), &p1, &n1, &p2, &n2), S_OK);
        std::memcpy(p1, bytes.data(), n1);
        if (p2) std::memcpy(p2, bytes.data() + n1, n2);
        ASSERT_EQ(b->Unlock(p1, n1, p2, n2), S_OK);
    }
    SoundBuffer* Duplicate(SoundBuffer* b) {
        SoundBuffer* d = nullptr;
        EXPECT_EQ(system->DuplicateBuffer(b, &d), S_OK);
        if (d) buffers.emplace_back(d);
        return d;
    }
    Rendered Mix(uint32_t frames) { return Render(system.get(), frames); }
    // One second of a square wave, 16-bit mono.
    SoundBuffer* Tone(int16_t amplitude = 8000) { return Make(Pcm(1, kRate, 16), Square16(kRate, amplitude)); }
    // RMS of the left side once gain changes have settled.
    double SettledRms(SoundBuffer* b, int32_t volume) {
        EXPECT_EQ(b->SetVolume(volume), S_OK);
        Mix(1024);
        return Mix(2205).RmsL();
    }
};

}  // namespace

TEST_F(SoundBufferTest, NothingPlaysUntilStartedAndThenItIsHeard) {
    SoundBuffer* b = Tone();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Mix(2205).Peak(), 0.0f);
    uint32_t status = 99;
    ASSERT_EQ(b->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(b->Play(0), S_OK);
    ASSERT_EQ(b->GetStatus(&status), S_OK);
    EXPECT_EQ(status, audio::STATUS_PLAYING);
    Rendered r = Mix(2205);
    EXPECT_GT(r.RmsL(), 0.05);
    EXPECT_NEAR(r.RmsL(), r.RmsR(), 1e-4);   // centred
}

TEST_F(SoundBufferTest, PlayCursorFollowsTheMixAndStopKeepsIt) {
    SoundBuffer* b = Tone();
    ASSERT_EQ(b->Play(0), S_OK);
    Mix(1000);
    uint32_t at = 0;
    ASSERT_EQ(b->GetCurrentPosition(&at), S_OK);
    EXPECT_EQ(at, 2000u);
    ASSERT_EQ(b->Stop(), S_OK);
    Mix(1000);
    ASSERT_EQ(b->GetCurrentPosition(&at), S_OK);
    EXPECT_EQ(at, 2000u);
    EXPECT_EQ(Mix(500).Peak(), 0.0f);
    ASSERT_EQ(b->Play(0), S_OK);
    Mix(500);
    ASSERT_EQ(b->GetCurrentPosition(&at), S_OK);
    EXPECT_EQ(at, 3000u);
    ASSERT_EQ(b->SetCurrentPosition(10001), S_OK);   // held to whole frames
    ASSERT_EQ(b->GetCurrentPosition(&at), S_OK);
    EXPECT_EQ(at, 10000u);
    EXPECT_EQ(b->SetCurrentPosition(b->Size()), audio::AUDIO_E_INVALIDPARAM);
}

TEST_F(SoundBufferTest, OnceEndsAndLoopingGoesRound) {
    SoundBuffer* once = Make(Pcm(1, kRate, 16), Square16(1000, 8000));
    SoundBuffer* round = Make(Pcm(1, kRate, 16), Square16(1000, 8000));
    ASSERT_EQ(once->Play(0), S_OK);
    ASSERT_EQ(round->Play(audio::PLAY_LOOPING), S_OK);
    Mix(2500);
    uint32_t status = 0, at = 0;
    ASSERT_EQ(once->GetStatus(&status), S_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(once->GetCurrentPosition(&at), S_OK);
    EXPECT_EQ(at, 0u);
    ASSERT_EQ(round->GetStatus(&status), S_OK);
    EXPECT_EQ(status, audio::STATUS_PLAYING | audio::STATUS_LOOPING);
    ASSERT_EQ(round->GetCurrentPosition(&at), S_OK);
    EXPECT_EQ(at, 500u * 2);
    // A finished buffer starts again from its beginning.
    ASSERT_EQ(once->Play(0), S_OK);
    Mix(10);
    ASSERT_EQ(once->GetCurrentPosition(&at), S_OK);
    EXPECT_EQ(at, 20u);
}

TEST_F(SoundBufferTest, VolumeIsInHundredthsOfADecibel) {
    SoundBuffer* b = Tone();
    ASSERT_EQ(b->Play(audio::PLAY_LOOPING), S_OK);
    double full = SettledRms(b, 0);
    ASSERT_GT(full, 0.05);
    for (int32_t v : {-100, -600, -2000, -4000}) {
        SCOPED_TRACE(v);
        double expected = std::pow(10.0, v / 2000.0);
        EXPECT_NEAR(SettledRms(b, v) / full, expected, expected * 0.02);
        int32_t back = 1;
        ASSERT_EQ(b->GetVolume(&back), S_OK);
        EXPECT_EQ(back, v);
    }
    SettledRms(b, audio::VOLUME_MIN);
    EXPECT_EQ(Mix(2205).Peak(), 0.0f);
    EXPECT_EQ(b->SetVolume(1), audio::AUDIO_E_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), audio::AUDIO_E_INVALIDPARAM);
}

TEST_F(SoundBufferTest, PanMovesTheSoundToOneSide) {
    SoundBuffer* b = Tone();
    ASSERT_EQ(b->Play(audio::PLAY_LOOPING), S_OK);
    struct Case {
        int32_t pan;
        bool rightLouder;
    };
    for (Case c : {Case{2000, true}, Case{-2000, false}, Case{audio::PAN_RIGHT, true}, Case{audio::PAN_LEFT, false}}) {
        SCOPED_TRACE(c.pan);
        ASSERT_EQ(b->SetPan(c.pan), S_OK);
        Mix(1024);
        Rendered r = Mix(2205);
        double loud = c.rightLouder ? r.RmsR() : r.RmsL();
        double quiet = c.rightLouder ? r.RmsL() : r.RmsR();
        EXPECT_GT(loud, quiet * 1.5);
        if (std::abs(c.pan) == 10000) {
            EXPECT_LT(quiet, loud * 0.01);
        }
        int32_t back = 0;
        ASSERT_EQ(b->GetPan(&back), S_OK);
        EXPECT_EQ(back, c.pan);
    }
    // The more pan, the quieter the far side.
    ASSERT_EQ(b->SetPan(1000), S_OK);
    Mix(1024);
    Rendered little = Mix(2205);
    ASSERT_EQ(b->SetPan(4000), S_OK);
    Mix(1024);
    Rendered more = Mix(2205);
    EXPECT_LT(more.RmsL() / more.RmsR(), little.RmsL() / little.RmsR());
    EXPECT_EQ(b->SetPan(10001), audio::AUDIO_E_INVALIDPARAM);
}

TEST_F(SoundBufferTest, StereoPlaysEachChannelOnItsSideAndPansToo) {
    std::string frames;
    for (int i = 0; i < 4000; ++i) frames += Le16(uint16_t(int16_t(i % 40 < 20 ? 4000 : -4000))) + Le16(0);
    SoundBuffer* b = Make(Pcm(2, kRate, 16), frames);
    ASSERT_EQ(b->Play(audio::PLAY_LOOPING), S_OK);
    Mix(512);
    Rendered centred = Mix(2000);
    EXPECT_GT(centred.RmsL(), 0.05);
    EXPECT_EQ(centred.RmsR(), 0.0);
    ASSERT_EQ(b->SetPan(audio::PAN_RIGHT), S_OK);
    Mix(1024);
    Rendered right = Mix(2000);
    EXPECT_GT(right.RmsR(), right.RmsL());
}

TEST_F(SoundBufferTest, FrequencyChangesTheSpeed) {
    SoundBuffer* b = Tone();
    uint32_t f = 0;
    ASSERT_EQ(b->GetFrequency(&f), S_OK);
    EXPECT_EQ(f, kRate);
    ASSERT_EQ(b->SetFrequency(2 * kRate), S_OK);
    ASSERT_EQ(b->Play(0), S_OK);
    Mix(1000);
    uint32_t at = 0;
    ASSERT_EQ(b->GetCurrentPosition(&at), S_OK);
    EXPECT_NEAR(double(at), 4000.0, 4.0);
    ASSERT_EQ(b->SetFrequency(audio::FREQUENCY_ORIGINAL), S_OK);
    ASSERT_EQ(b->GetFrequency(&f), S_OK);
    EXPECT_EQ(f, kRate);
    EXPECT_EQ(b->SetFrequency(50), audio::AUDIO_E_INVALIDPARAM);
}

TEST_F(SoundBufferTest, DuplicatesShareTheSampleButNotTheirState) {
    SoundBuffer* original = Tone(4000);
    ASSERT_EQ(original->SetVolume(-600), S_OK);
    SoundBuffer* a = Duplicate(original);
    SoundBuffer* b = Duplicate(original);
    ASSERT_TRUE(a && b);
    int32_t v = 0;
    ASSERT_EQ(a->GetVolume(&v), S_OK);
    EXPECT_EQ(v, -600);
    ASSERT_EQ(a->SetVolume(0), S_OK);
    ASSERT_EQ(b->SetVolume(0), S_OK);

    ASSERT_EQ(a->Play(0), S_OK);
    Mix(512);
    double one = Mix(2205).RmsL();
    ASSERT_EQ(a->SetCurrentPosition(0), S_OK);
    ASSERT_EQ(b->Play(0), S_OK);
    Mix(512);
    double two = Mix(2205).RmsL();
    EXPECT_NEAR(two / one, 2.0, 0.05);   // the same wave in step: twice the amplitude

    // A write through the original is heard in the duplicates.
    ASSERT_EQ(a->Stop(), S_OK);
    ASSERT_EQ(b->Stop(), S_OK);
    Fill(original, 0, std::string(original->Size(), '\0'));
    ASSERT_EQ(a->Play(0), S_OK);
    ASSERT_EQ(b->Play(0), S_OK);
    Mix(512);
    EXPECT_EQ(Mix(2205).Peak(), 0.0f);
    EXPECT_EQ(original->Play(0), S_OK);   // the original plays on its own too
}

TEST_F(SoundBufferTest, LockingAcrossTheEndGivesTwoRegions) {
    SoundBuffer* b = Make(Pcm(1, kRate, 16), std::string(400, '\0'));
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(396, 12, &p1, &n1, &p2, &n2), S_OK);
    EXPECT_EQ(n1, 4u);
    EXPECT_EQ(n2, 8u);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(p2), 396);
    // One lock at a time.
    void *q1 = nullptr, *q2 = nullptr;
    uint32_t m1 = 0, m2 = 0;
    EXPECT_EQ(b->Lock(0, 4, &q1, &m1, &q2, &m2), audio::AUDIO_E_INVALIDCALL);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), S_OK);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), audio::AUDIO_E_INVALIDCALL);
    // The regions show what was written before.
    Fill(b, 100, "abcd");
    ASSERT_EQ(b->Lock(100, 4, &p1, &n1, &p2, &n2), S_OK);
    EXPECT_EQ(std::string(static_cast<char*>(p1), 4), "abcd");
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(b->Unlock(p1, n1 + 1, p2, n2), audio::AUDIO_E_INVALIDPARAM);
    for (auto [offset, bytes] : {std::pair<uint32_t, uint32_t>{400, 4}, {0, 0}, {0, 401}}) {
        EXPECT_EQ(b->Lock(offset, bytes, &p1, &n1, &p2, &n2), audio::AUDIO_E_INVALIDPARAM) << offset << " " << bytes;
    }
}

TEST_F(SoundBufferTest, WritesIntoAPlayingBufferAreHeardOnTheNextRound) {
    // 0.1 s of a steady level, looping; the level is rewritten across the end while it plays.
    const uint32_t frames = 2205;
    std::string low = Samples16(std::vector<int16_t>(frames, 1000));
    SoundBuffer* b = Make(Pcm(1, kRate, 16), low);
    ASSERT_EQ(b->Play(audio::PLAY_LOOPING), S_OK);
    Mix(1500);
    Rendered before = Mix(100);
    // Past the cursor now: from frame 1700 round to frame 500.
    std::string high = Samples16(std::vector<int16_t>(frames - 1700 + 500, 3000));
    Fill(b, 1700 * 2, high);
    Rendered after = Mix(frames);   // cursor 1600 -> 1600 of the next round
    float ratio = after.L(300) / before.L(50);   // frame 1900
    EXPECT_NEAR(ratio, 3.0f, 0.01f);
    EXPECT_NEAR(after.L(900) / before.L(50), 3.0f, 0.01f);    // frame 295 of the next round
    EXPECT_NEAR(after.L(1500) / before.L(50), 1.0f, 0.01f);   // frame 895: untouched
}

TEST_F(SoundBufferTest, ControlsNeedTheirCapability) {
    SoundBuffer* b = Make(Pcm(1, kRate, 8), std::string(100, '\x80'), 0);
    int32_t v = 0;
    uint32_t f = 0;
    EXPECT_EQ(b->SetVolume(-100), audio::AUDIO_E_CONTROLUNAVAIL);
    EXPECT_EQ(b->GetVolume(&v), audio::AUDIO_E_CONTROLUNAVAIL);
    EXPECT_EQ(b->SetPan(100), audio::AUDIO_E_CONTROLUNAVAIL);
    EXPECT_EQ(b->GetPan(&v), audio::AUDIO_E_CONTROLUNAVAIL);
    EXPECT_EQ(b->SetFrequency(8000), audio::AUDIO_E_CONTROLUNAVAIL);
    EXPECT_EQ(b->GetFrequency(&f), audio::AUDIO_E_CONTROLUNAVAIL);
    EXPECT_EQ(b->Play(0), S_OK);
}

TEST_F(SoundBufferTest, EightBitSilenceIsSilent) {
    SoundBuffer* b = Make(Pcm(1, kRate, 8), std::string(2000, '\x80'));
    ASSERT_EQ(b->Play(audio::PLAY_LOOPING), S_OK);
    EXPECT_EQ(Mix(1500).Peak(), 0.0f);
    Fill(b, 0, std::string(2000, '\xC0'));
    Mix(2000);
    EXPECT_GT(Mix(1000).RmsL(), 0.1);
}

TEST_F(SoundBufferTest, RefusesFormatsAndSizesItCannotPlay) {
    auto bad = [](auto change) {
        audio::WaveFormat f = Pcm(1, kRate, 16);
        change(f);
        return f;
    };
    struct Case {
        const char* what;
        audio::WaveFormat format;
        uint32_t bytes;
        HRESULT expected;
    };
    const Case cases[] = {
        {"not PCM", bad([](auto& f) { f.formatTag = 3; }), 100, audio::AUDIO_E_BADFORMAT},
        {"24 bits", Pcm(1, kRate, 24), 300, audio::AUDIO_E_BADFORMAT},
        {"three channels", Pcm(3, kRate, 16), 300, audio::AUDIO_E_BADFORMAT},
        {"block size off", bad([](auto& f) { f.blockAlign = 4; }), 100, audio::AUDIO_E_BADFORMAT},
        {"byte rate off", bad([](auto& f) { f.avgBytesPerSec += 1; }), 100, audio::AUDIO_E_BADFORMAT},
        {"rate too low", Pcm(1, 50, 16), 100, audio::AUDIO_E_BADFORMAT},
        {"too small", Pcm(1, kRate, 16), 2, audio::AUDIO_E_INVALIDPARAM},
        {"too large", Pcm(1, kRate, 16), audio::BUFFER_MAX_BYTES + 1, audio::AUDIO_E_INVALIDPARAM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SoundBuffer* b = reinterpret_cast<SoundBuffer*>(1);
        EXPECT_EQ(system->CreateBuffer(audio::BufferDesc{kAllCaps, c.bytes, c.format}, &b), c.expected);
        EXPECT_EQ(b, nullptr);
    }
    // An odd byte at the end is kept but never mixed.
    SoundBuffer* odd = nullptr;
    ASSERT_EQ(system->CreateBuffer(audio::BufferDesc{kAllCaps, 101, Pcm(1, kRate, 16)}, &odd), S_OK);
    buffers.emplace_back(odd);
    EXPECT_EQ(odd->Size(), 101u);
    EXPECT_EQ(odd->Play(0), S_OK);
}

TEST_F(SoundBufferTest, OnlyOneSystemAtATimeAndRenderOnlyOnLoopback) {
    std::unique_ptr<SoundSystem> second;
    EXPECT_EQ(SoundSystem::Create(audio::Output::Loopback, audio::OutputFormat{}, &second), audio::AUDIO_E_ALLOCATED);
    EXPECT_EQ(second, nullptr);
    system.reset();
    audio::OutputFormat bad;
    bad.channels = 6;
    EXPECT_EQ(SoundSystem::Create(audio::Output::Loopback, bad, &second), audio::AUDIO_E_BADFORMAT);
    ASSERT_EQ(SoundSystem::Create(audio::Output::Loopback, audio::OutputFormat{}, &second), S_OK);
    float out[4];
    EXPECT_TRUE(second->Render(out, 2));
    EXPECT_FALSE(second->Render(nullptr, 2));
}

TEST(SoundVolumeTest, HundredthsOfADecibelToGain) {
    EXPECT_FLOAT_EQ(audio::VolumeToGain(0), 1.0f);
    EXPECT_NEAR(audio::VolumeToGain(-600), 0.5012f, 1e-4);
    EXPECT_NEAR(audio::VolumeToGain(-2000), 0.1f, 1e-6);
    EXPECT_FLOAT_EQ(audio::VolumeToGain(-10000), 0.0f);
    EXPECT_FLOAT_EQ(audio::VolumeToGain(-20000), 0.0f);
}

// With no sound card the default output falls back to a silent one that still plays in real
// time. OpenAL reads its backend list once per process, so this runs in a fresh child.
namespace {

// Plays 50 ms on the default output and reports how it went as an exit code.
int PlayOnTheDefaultOutput() {
    std::unique_ptr<SoundSystem> s;
    if (SoundSystem::Create(audio::Output::Device, audio::OutputFormat{}, &s) != S_OK) return 2;
    if (s->output() != audio::Output::Silent) return 3;
    SoundBuffer* raw = nullptr;
    if (s->CreateBuffer(audio::BufferDesc{kAllCaps, 2205, Pcm(1, kRate, 16)}, &raw) != S_OK) return 4;
    std::unique_ptr<SoundBuffer> b(raw);
    if (b->Play(0) != S_OK) return 5;
    uint32_t status = audio::STATUS_PLAYING;
    // Real time passes here; the bound only keeps a broken output from hanging the test.
    for (int i = 0; i < 1000 && (status & audio::STATUS_PLAYING); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        b->GetStatus(&status);
    }
    return (status & audio::STATUS_PLAYING) ? 6 : 0;
}

}  // namespace

// With no sound card the default output falls back to a silent one that still plays in real
// time. OpenAL reads its backend list once per process, so this runs in a fresh child.
TEST(SoundOutputDeathTest, WithoutADeviceTheOutputIsSilentButPlays) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
            std::exit(PlayOnTheDefaultOutput());
        },
        ::testing::ExitedWithCode(0), "");
}
