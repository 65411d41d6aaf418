// Hand-made WAV bytes, measurements of what the loopback output rendered, and the set-up the
// game's sound tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "platform/audio/sound.h"
#include "platform/os/os.h"
#include "shell/sound.h"
#include "support/temp_dir.h"

namespace audiotest {

inline std::string Le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
inline std::string Le32(uint32_t v) { return Le16(uint16_t(v & 0xFFFF)) + Le16(uint16_t(v >> 16)); }

// A chunk with its true size and a pad byte after an odd body.
inline std::string Chunk(const std::string& id, const std::string& body) {
    return id + Le32(uint32_t(body.size())) + body + (body.size() & 1 ? std::string(1, '\0') : "");
}
inline std::string Riff(const std::string& chunks) { return "RIFF" + Le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }

inline std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    uint16_t block = uint16_t(channels * bits / 8);
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * block) + Le16(block) + Le16(bits);
}
inline std::string Wav(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data) {
    return Riff(Chunk("fmt ", FmtBody(1, channels, rate, bits)) + Chunk("data", data));
}

// 16-bit samples, interleaved when there are several channels.
inline std::string Samples16(const std::vector<int16_t>& s) {
    std::string out;
    for (int16_t v : s) out += Le16(uint16_t(v));
    return out;
}
// A square wave of +-amplitude, 50 frames a period, 16-bit mono: its RMS is the amplitude.
inline std::string Square16(size_t frames, int16_t amplitude) {
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i) s[i] = (i % 50) < 25 ? amplitude : int16_t(-amplitude);
    return Samples16(s);
}

// Interleaved stereo float frames rendered by a loopback system.
struct Rendered {
    std::vector<float> samples;
    size_t Frames() const { return samples.size() / 2; }
    float L(size_t i) const { return samples[2 * i]; }
    float R(size_t i) const { return samples[2 * i + 1]; }
    double RmsL() const { return Rms(0); }
    double RmsR() const { return Rms(1); }
    float Peak() const {
        float m = 0;
        for (float v : samples) m = std::max(m, std::fabs(v));
        return m;
    }
    double Rms(int channel) const {
        double sum = 0;
        for (size_t i = 0; i < Frames(); ++i) sum += double(samples[2 * i + size_t(channel)]) * samples[2 * i + size_t(channel)];
        return Frames() ? std::sqrt(sum / double(Frames())) : 0.0;
    }
};

inline Rendered Render(audio::SoundSystem* system, uint32_t frames) {
    Rendered r;
    r.samples.assign(size_t(frames) * 2, 0.0f);
    if (system) system->Render(r.samples.data(), frames);
    return r;
}

inline audio::WaveFormat Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    uint16_t block = uint16_t(channels * bits / 8);
    return audio::WaveFormat{audio::WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits};
}

// Hundredths of a decibel as a linear level; -10000 is silence.
inline double Level(int32_t volume) { return volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0); }

// Sound and music switched on at full volume, the clock in the test's hands, the loopback
// output, a folder of its own; everything released afterwards.
class GameSoundTest : public ::testing::Test {
protected:
    ScopedWorkDir dir;
    std::atomic<uint32_t> now{1000};

    void SetUp() override {
        ResetSound();
        g_Settings.Clear();
        g_Settings.sound = 1;
        g_Settings.music = 1;
        g_Settings.effectVolume = 1.0f;
        g_Settings.musicVolume = 1.0f;
        os::SetTimeSource([this] { return now.load(); });
        audio::SetDefaultOutput(audio::Output::Loopback);
    }
    void TearDown() override {
        ResetSound();
        g_Settings.Clear();
        os::SetTimeSource({});
        audio::SetDefaultOutput(audio::Output::Device);
    }
    Rendered Mix(uint32_t frames) { return Render(g_SoundManager.sound.get(), frames); }
    // After a change of gain has settled.
    Rendered Listen() {
        Mix(512);
        return Mix(2205);
    }
};

}  // namespace audiotest
