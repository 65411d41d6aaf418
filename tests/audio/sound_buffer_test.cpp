// The platform sound layer on the loopback output: 8-bit samples are centred on 0x80. Play, stop,
// volume, pan, duplicates and refills are heard through the effect and music tests.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "audio_test_util.h"
#include "platform/audio/sound.h"

using namespace audiotest;

namespace {

TEST(SoundBufferTest, EightBitSilenceIsSilent) {
    std::unique_ptr<audio::SoundSystem> system;
    ASSERT_EQ(audio::SoundSystem::Create(audio::Output::Loopback, {}, &system), S_OK);
    audio::SoundBuffer* raw = nullptr;
    ASSERT_EQ(system->CreateBuffer(audio::BufferDesc{audio::CAPS_CTRLVOLUME, 2000, Pcm(1, 22050, 8)}, &raw), S_OK);
    std::unique_ptr<audio::SoundBuffer> b(raw);   // released before the system
    auto fill = [&](char byte) {
        void* p = nullptr;
        uint32_t n = 0;
        ASSERT_EQ(b->Lock(0, 2000, &p, &n, nullptr, nullptr), S_OK);
        std::memset(p, byte, n);
        ASSERT_EQ(b->Unlock(p, n, nullptr, 0), S_OK);
    };
    fill('\x80');
    ASSERT_EQ(b->Play(audio::PLAY_LOOPING), S_OK);
    EXPECT_EQ(Render(system.get(), 1500).Peak(), 0.0f);
    fill('\xC0');   // half the full swing
    Render(system.get(), 512);   // the change settles
    Rendered r = Render(system.get(), 2205);
    EXPECT_NEAR(r.RmsL(), 0.5, 0.01);
    EXPECT_NEAR(r.RmsR(), 0.5, 0.01);
}

}  // namespace
