// The platform sound layer on the loopback output: the level heard on each side. Play, stop,
// volume, duplicates and refills are heard through the effect and music tests.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "audio_test_util.h"
#include "platform/audio/sound.h"

using namespace audiotest;
using audio::SoundBuffer;
using audio::SoundSystem;

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kAllCaps = audio::CAPS_CTRLVOLUME | audio::CAPS_CTRLPAN | audio::CAPS_CTRLFREQUENCY;
constexpr double kFull = 8000.0 / 32768.0;   // the RMS of a +-8000 square wave at full level

class SoundBufferTest : public ::testing::Test {
protected:
    std::unique_ptr<SoundSystem> system;
    std::vector<std::unique_ptr<SoundBuffer>> buffers;

    void SetUp() override { ASSERT_EQ(SoundSystem::Create(audio::Output::Loopback, {}, &system), S_OK); }
    void TearDown() override {
        buffers.clear();
        system.reset();
    }
    SoundBuffer* Make(const audio::WaveFormat& format, const std::string& bytes) {
        SoundBuffer* b = nullptr;
        EXPECT_EQ(system->CreateBuffer(audio::BufferDesc{kAllCaps, uint32_t(bytes.size()), format}, &b), S_OK);
        buffers.emplace_back(b);
        if (b) Fill(b, bytes);
        return b;
    }
    static void Fill(SoundBuffer* b, const std::string& bytes) {
        void* p = nullptr;
        uint32_t n = 0;
        ASSERT_EQ(b->Lock(0, uint32_t(bytes.size()), &p, &n, nullptr, nullptr), S_OK);
        std::memcpy(p, bytes.data(), n);
        ASSERT_EQ(b->Unlock(p, n, nullptr, 0), S_OK);
    }
    Rendered Mix(uint32_t frames) { return Render(system.get(), frames); }
    // After a change of gain has settled.
    Rendered Listen() {
        Mix(512);
        return Mix(2205);
    }
};

}  // namespace

// The pan attenuates the far side by pan / 100 dB and leaves the near side at full level: a mono
// sound centred is at full level on both sides, and stereo keeps each channel on its own side.
TEST_F(SoundBufferTest, PanAttenuatesOnlyTheFarSide) {
    // Stereo with the right channel at half the left's level, so a swap or a mix-up shows.
    std::vector<int16_t> stereo;
    for (uint32_t i = 0; i < kRate; ++i) {
        int16_t sign = (i % 50) < 25 ? 1 : -1;
        stereo.push_back(int16_t(8000 * sign));
        stereo.push_back(int16_t(4000 * sign));
    }
    SoundBuffer* mono = Make(Pcm(1, kRate, 16), Square16(kRate, 8000));
    SoundBuffer* both = Make(Pcm(2, kRate, 16), Samples16(stereo));
    struct Case {
        int32_t pan;
        double left, right;   // 10^(-attenuation / 2000) on the far side, worked out by hand
    };
    const Case cases[] = {{0, 1, 1},        {600, 0.5012, 1},  {-600, 1, 0.5012}, {1000, 0.3162, 1}, {-1000, 1, 0.3162},
                          {2000, 0.1, 1},   {-2000, 1, 0.1},   {10000, 0, 1},     {-10000, 1, 0}};
    for (SoundBuffer* b : {mono, both}) {
        const double rightFull = b == mono ? kFull : kFull / 2;
        ASSERT_EQ(b->Play(audio::PLAY_LOOPING), S_OK);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (b == mono ? "mono" : "stereo") << ", pan " << c.pan);
            ASSERT_EQ(b->SetPan(c.pan), S_OK);
            Rendered r = Listen();
            EXPECT_NEAR(r.RmsL(), c.left * kFull, 0.01 * kFull);
            EXPECT_NEAR(r.RmsR(), c.right * rightFull, 0.01 * kFull);
        }
        ASSERT_EQ(b->Stop(), S_OK);
    }
}

TEST_F(SoundBufferTest, EightBitSilenceIsSilent) {
    SoundBuffer* b = Make(Pcm(1, kRate, 8), std::string(2000, '\x80'));
    ASSERT_EQ(b->Play(audio::PLAY_LOOPING), S_OK);
    EXPECT_EQ(Mix(1500).Peak(), 0.0f);
    Fill(b, std::string(2000, '\xC0'));   // half the full swing
    Rendered r = Listen();
    EXPECT_NEAR(r.RmsL(), 0.5, 0.01);
    EXPECT_NEAR(r.RmsR(), 0.5, 0.01);
}
