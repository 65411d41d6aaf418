// Hand-made WAV bytes and measurements of what the loopback output rendered.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/sound.h"

namespace audiotest {

inline std::string Le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
inline std::string Le32(uint32_t v) {
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
}

// A chunk with its true size and a pad byte after an odd body.
inline std::string Chunk(const std::string& id, const std::string& body) {
    std::string c = id + Le32(uint32_t(body.size())) + body;
    if (body.size() & 1) c += '\0';
    return c;
}
// A chunk header that declares `declared` bytes, followed by `body` as it is.
inline std::string ChunkSized(const std::string& id, uint32_t declared, const std::string& body) {
    return id + Le32(declared) + body;
}

inline std::string Riff(const std::string& chunks) { return "RIFF" + Le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }

inline std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    uint16_t block = uint16_t(channels * bits / 8);
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * block) + Le16(block) + Le16(bits);
}

inline std::string Wav(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data) {
    return Riff(Chunk("fmt ", FmtBody(1, channels, rate, bits)) + Chunk("data", data));
}

// 16-bit mono samples.
inline std::string Samples16(const std::vector<int16_t>& s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (int16_t v : s) out += Le16(uint16_t(v));
    return out;
}

// A square wave of +-amplitude, `period` frames long, 16-bit mono.
inline std::string Square16(size_t frames, int16_t amplitude, size_t period = 50) {
    std::vector<int16_t> s(frames);
    for (size_t i = 0; i < frames; ++i) s[i] = (i % period) < period / 2 ? amplitude : int16_t(-amplitude);
    return Samples16(s);
}

// Interleaved stereo float frames rendered by a loopback system.
struct Rendered {
    std::vector<float> samples;
    size_t Frames() const { return samples.size() / 2; }
    float L(size_t i) const { return samples[2 * i]; }
    float R(size_t i) const { return samples[2 * i + 1]; }
    double RmsL(size_t from = 0) const { return Rms(0, from); }
    double RmsR(size_t from = 0) const { return Rms(1, from); }
    float Peak() const {
        float m = 0;
        for (float v : samples) m = std::max(m, std::fabs(v));
        return m;
    }
    double Rms(int channel, size_t from) const {
        double sum = 0;
        size_t n = 0;
        for (size_t i = from; i < Frames(); ++i, ++n) {
            double v = samples[2 * i + size_t(channel)];
            sum += v * v;
        }
        return n ? std::sqrt(sum / double(n)) : 0.0;
    }
};

inline Rendered Render(audio::SoundSystem* system, uint32_t frames) {
    Rendered r;
    r.samples.assign(size_t(frames) * 2, 0.0f);
    if (system) system->Render(r.samples.data(), frames);
    return r;
}

inline audio::WaveFormat Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    audio::WaveFormat f;
    f.formatTag = audio::WAVE_FORMAT_PCM;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.blockAlign = uint16_t(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    f.bitsPerSample = bits;
    return f;
}

}  // namespace audiotest
