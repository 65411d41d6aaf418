// Sound buffers in the shape the game's sound code expects: a sound system that owns the output,
// buffers of PCM that play, stop, loop and report a play cursor, duplicates that share one sample,
// volume in hundredths of a decibel, pan and frequency, and locking across the wrap point so a
// buffer can be refilled while it plays. Backed by OpenAL Soft; no OpenAL type leaks out of here.
//
// Every call is safe from any thread (the music refill runs on a timer thread); a buffer must be
// destroyed before the system that made it.
#pragma once

#include <cstdint>
#include <memory>

#include "common/result.h"

namespace audio {

// Failure codes, with the values the sound code has always logged and compared.
constexpr HRESULT AUDIO_E_ALLOCATED = HRESULT(0x8878000Au);       // a system already exists
constexpr HRESULT AUDIO_E_CONTROLUNAVAIL = HRESULT(0x8878001Eu);  // the buffer lacks that control
constexpr HRESULT AUDIO_E_INVALIDCALL = HRESULT(0x88780032u);
constexpr HRESULT AUDIO_E_BADFORMAT = HRESULT(0x88780064u);
constexpr HRESULT AUDIO_E_NODRIVER = HRESULT(0x88780078u);
constexpr HRESULT AUDIO_E_INVALIDPARAM = HRESULT(0x80070057u);
constexpr HRESULT AUDIO_E_OUTOFMEMORY = HRESULT(0x8007000Eu);

// Buffer capabilities.
constexpr uint32_t CAPS_CTRLFREQUENCY = 0x20;
constexpr uint32_t CAPS_CTRLPAN = 0x40;
constexpr uint32_t CAPS_CTRLVOLUME = 0x80;
constexpr uint32_t CAPS_LOCDEFER = 0x40000;   // accepted; placement is always up to the mixer

constexpr uint32_t PLAY_LOOPING = 1;
constexpr uint32_t STATUS_PLAYING = 1;
constexpr uint32_t STATUS_LOOPING = 4;

constexpr int32_t VOLUME_MAX = 0;          // full
constexpr int32_t VOLUME_MIN = -10000;     // silent
constexpr int32_t PAN_LEFT = -10000;
constexpr int32_t PAN_CENTER = 0;
constexpr int32_t PAN_RIGHT = 10000;
constexpr uint32_t FREQUENCY_ORIGINAL = 0;
constexpr uint32_t FREQUENCY_MIN = 100;
constexpr uint32_t FREQUENCY_MAX = 200000;
constexpr uint32_t BUFFER_MIN_BYTES = 4;
constexpr uint32_t BUFFER_MAX_BYTES = 0x0FFFFFFF;

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// The fixed part of a wave format, as stored in WAV files.
struct WaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};

// Buffers take PCM, 8-bit unsigned or 16-bit signed, mono or stereo, 100..200000 Hz, with a
// consistent block size and byte rate.
bool IsPlayableFormat(const WaveFormat& format);

struct BufferDesc {
    uint32_t flags;    // CAPS_*
    uint32_t bytes;    // BUFFER_MIN_BYTES..BUFFER_MAX_BYTES
    WaveFormat format;
};

// The mixing format, given when the system is made.
struct OutputFormat {
    uint16_t channels = 2;
    uint32_t rate = 22050;
    uint16_t bits = 16;
};

enum class Output {
    Device,     // the system's default output; when none opens, Silent
    Loopback,   // nothing is heard: Render mixes on demand (tests)
    Silent,     // nothing is heard: mixed and discarded in real time, so buffers behave as on a card
};

class SoundSystem;
struct Sample;

class SoundBuffer {
public:
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // Starts from the current position (0 for a new buffer and after the end was reached);
    // on a playing buffer only the looping choice changes.
    HRESULT Play(uint32_t flags);
    // Keeps the position, so Play resumes.
    HRESULT Stop();
    HRESULT GetStatus(uint32_t* status);
    // Byte offset of the next frame to be mixed.
    HRESULT GetCurrentPosition(uint32_t* play);
    HRESULT SetCurrentPosition(uint32_t position);
    HRESULT SetVolume(int32_t volume);
    HRESULT GetVolume(int32_t* volume);
    // Attenuation of the far side in hundredths of a decibel: positive the left, negative the
    // right; the near side stays at the buffer's volume. Stereo keeps each channel on its side.
    HRESULT SetPan(int32_t pan);
    HRESULT GetPan(int32_t* pan);
    // Samples per second; FREQUENCY_ORIGINAL goes back to the format's rate.
    HRESULT SetFrequency(uint32_t frequency);
    HRESULT GetFrequency(uint32_t* frequency);
    // Bytes from `offset`; the part past the end continues at the start as the second region
    // (null and 0 when there is none). The regions show the buffer's current bytes. One lock at
    // a time; the bytes reach the mixer on Unlock, also while the buffer plays.
    HRESULT Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1, void** region2,
                 uint32_t* bytes2);
    HRESULT Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2);

    uint32_t Size() const { return size_; }
    const WaveFormat& Format() const { return format_; }

private:
    friend class SoundSystem;
    SoundBuffer(SoundSystem* system, std::shared_ptr<Sample> sample, uint32_t flags);
    // The caller holds the system's lock.
    bool EnsureSource();
    void ApplyGain();
    void ApplyPitch();
    int32_t StateLocked();
    void SeekLocked(uint32_t position);
    uint32_t CurrentPositionLocked();

    SoundSystem* system_;
    std::shared_ptr<Sample> sample_;
    uint32_t flags_;
    uint32_t size_;
    WaveFormat format_;
    uint32_t sources_[2] = {0, 0};   // left and right side, made on first use
    int32_t volume_ = 0;
    int32_t pan_ = 0;
    uint32_t frequency_ = 0;    // 0: the format's rate
    bool looping_ = false;
    uint32_t pendingPosition_ = 0;   // where the next start begins while not playing or paused
    bool locked_ = false;
    uint32_t lockOffset_ = 0;
    uint32_t lockBytes_ = 0;
};

class SoundSystem {
public:
    // One system at a time (AUDIO_E_ALLOCATED otherwise). AUDIO_E_NODRIVER when not even a
    // silent output can be made, AUDIO_E_BADFORMAT for an output format the mixer cannot take.
    static HRESULT Create(Output output, const OutputFormat& format, std::unique_ptr<SoundSystem>* out);
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // What was actually opened: Device, or Silent when no device could be opened.
    Output output() const { return output_; }
    const OutputFormat& format() const { return format_; }

    // A silent buffer of desc.bytes.
    HRESULT CreateBuffer(const BufferDesc& desc, SoundBuffer** out);
    // A new buffer on the same sample, with the original's volume, pan and frequency, stopped
    // at position 0.
    HRESULT DuplicateBuffer(SoundBuffer* original, SoundBuffer** out);

    // Loopback only: mixes `frames` frames of interleaved 32-bit floats (channels from the
    // output format) into `out` and advances every playing buffer by that much. Floats because
    // integer output is dithered, and a test wants silence to be exactly 0.
    bool Render(float* out, uint32_t frames);

private:
    friend class SoundBuffer;
    struct Impl;
    explicit SoundSystem(std::unique_ptr<Impl> impl, Output output, const OutputFormat& format);

    std::unique_ptr<Impl> impl_;
    Output output_;
    OutputFormat format_;
};

// The output the game's sound manager opens (Device unless a test chose otherwise).
void SetDefaultOutput(Output output);
Output GetDefaultOutput();

// Hundredths of a decibel to a linear gain: 0 gives 1, -10000 and below give 0.
float VolumeToGain(int32_t volume);

}  // namespace audio
