#include "platform/audio/sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace audio {

namespace {

std::atomic<bool> g_systemLive{false};
std::atomic<Output> g_defaultOutput{Output::Device};

uint8_t SilenceByte(const WaveFormat& f) { return f.bitsPerSample == 8 ? 0x80 : 0x00; }

}  // namespace

bool IsPlayableFormat(const WaveFormat& f) {
    if (f.formatTag != WAVE_FORMAT_PCM) return false;
    if (f.channels != 1 && f.channels != 2) return false;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
    if (f.samplesPerSec < FREQUENCY_MIN || f.samplesPerSec > FREQUENCY_MAX) return false;
    if (f.blockAlign != f.channels * f.bitsPerSample / 8) return false;
    return uint64_t(f.avgBytesPerSec) == uint64_t(f.samplesPerSec) * f.blockAlign;
}

float VolumeToGain(int32_t volume) {
    if (volume <= VOLUME_MIN) return 0.0f;
    if (volume >= VOLUME_MAX) return 1.0f;
    return std::pow(10.0f, float(volume) / 2000.0f);
}

void SetDefaultOutput(Output output) { g_defaultOutput.store(output); }
Output GetDefaultOutput() { return g_defaultOutput.load(); }

// ---- the system ------------------------------------------------------------------------

struct SoundSystem::Impl {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    // Serialises every OpenAL call of this layer: the error state is shared by all threads.
    std::mutex lock;
    LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
    PFNALBUFFERSUBDATASOFTPROC bufferSubData = nullptr;
    bool directChannels = false;
    uint16_t channels = 2;
    uint32_t rate = 22050;

    // Silent output: a thread mixes in real time and throws the result away.
    std::thread pacer;
    std::mutex pacerLock;
    std::condition_variable pacerWake;
    bool pacerStop = false;

    void RunPacer();
    void RenderLocked(float* out, uint32_t frames) { renderSamples(device, out, ALCsizei(frames)); }
};

void SoundSystem::Impl::RunPacer() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    uint64_t done = 0;
    std::vector<float> scratch(size_t(1024) * channels);
    std::unique_lock<std::mutex> hold(pacerLock);
    while (!pacerStop) {
        pacerWake.wait_for(hold, std::chrono::milliseconds(10), [this] { return pacerStop; });
        if (pacerStop) break;
        hold.unlock();
        auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        uint64_t due = uint64_t(elapsed) * rate / 1000000u;
        while (done < due) {
            uint32_t n = uint32_t(std::min<uint64_t>(due - done, 1024));
            {
                std::lock_guard<std::mutex> al(lock);
                RenderLocked(scratch.data(), n);
            }
            done += n;
        }
        hold.lock();
    }
}

SoundSystem::SoundSystem(std::unique_ptr<Impl> impl, Output output, const OutputFormat& format)
    : impl_(std::move(impl)), output_(output), format_(format) {}

HRESULT SoundSystem::Create(Output output, const OutputFormat& format, std::unique_ptr<SoundSystem>* out) {
    if (!out) return AUDIO_E_INVALIDPARAM;
    out->reset();
    if ((format.channels != 1 && format.channels != 2) || format.rate < FREQUENCY_MIN ||
        format.rate > FREQUENCY_MAX || (format.bits != 8 && format.bits != 16))
        return AUDIO_E_BADFORMAT;
    bool expected = false;
    if (!g_systemLive.compare_exchange_strong(expected, true)) return AUDIO_E_ALLOCATED;

    auto impl = std::make_unique<Impl>();
    impl->channels = format.channels;
    impl->rate = format.rate;
    Output opened = output;

    if (output == Output::Device) {
        impl->device = alcOpenDevice(nullptr);
        if (impl->device) {
            const ALCint attrs[] = {ALC_FREQUENCY, ALCint(format.rate), 0};
            impl->context = alcCreateContext(impl->device, attrs);
            if (!impl->context) {
                alcCloseDevice(impl->device);
                impl->device = nullptr;
            }
        }
        if (!impl->device) {
            std::fprintf(stderr, "sound: no output device could be opened; sound plays silently\n");
            opened = Output::Silent;
        }
    }

    if (opened != Output::Device) {
        // Mixing to memory needs no sound card and no environment.
        auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") ? alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT")
                                                                 : nullptr);
        if (openLoopback) impl->device = openLoopback(nullptr);
        if (impl->device) {
            auto supported = reinterpret_cast<LPALCISRENDERFORMATSUPPORTEDSOFT>(
                alcGetProcAddress(impl->device, "alcIsRenderFormatSupportedSOFT"));
            impl->renderSamples =
                reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(impl->device, "alcRenderSamplesSOFT"));
            ALCenum channels = format.channels == 1 ? ALC_MONO_SOFT : ALC_STEREO_SOFT;
            if (supported && impl->renderSamples &&
                supported(impl->device, ALCsizei(format.rate), channels, ALC_FLOAT_SOFT)) {
                std::vector<ALCint> attrs = {ALC_FORMAT_CHANNELS_SOFT, channels, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                                             ALC_FREQUENCY, ALCint(format.rate)};
                // Plain panning and no compression, so what is rendered is what was asked for.
                if (alcIsExtensionPresent(impl->device, "ALC_SOFT_HRTF")) {
                    attrs.push_back(ALC_HRTF_SOFT);
                    attrs.push_back(ALC_FALSE);
                }
                if (alcIsExtensionPresent(impl->device, "ALC_SOFT_output_limiter")) {
                    attrs.push_back(ALC_OUTPUT_LIMITER_SOFT);
                    attrs.push_back(ALC_FALSE);
                }
                attrs.push_back(0);
                impl->context = alcCreateContext(impl->device, attrs.data());
            }
            if (!impl->context) {
                alcCloseDevice(impl->device);
                impl->device = nullptr;
            }
        }
        if (!impl->device) {
            g_systemLive.store(false);
            return AUDIO_E_NODRIVER;
        }
    }

    if (!alcMakeContextCurrent(impl->context)) {
        alcDestroyContext(impl->context);
        alcCloseDevice(impl->device);
        g_systemLive.store(false);
        return AUDIO_E_NODRIVER;
    }
    // Volume and pan come from the caller; the mixer must not attenuate by distance.
    alDistanceModel(AL_NONE);
    // OpenAL Soft exports this even where neither the extension string nor alGetProcAddress
    // admits to it.
    void* subData = reinterpret_cast<void*>(alGetProcAddress("alBufferSubDataSOFT"));
    if (!subData) subData = dlsym(RTLD_DEFAULT, "alBufferSubDataSOFT");
    impl->bufferSubData = reinterpret_cast<PFNALBUFFERSUBDATASOFTPROC>(subData);
    impl->directChannels = alIsExtensionPresent("AL_SOFT_direct_channels");
    alGetError();

    if (opened == Output::Silent) impl->pacer = std::thread([p = impl.get()] { p->RunPacer(); });
    out->reset(new SoundSystem(std::move(impl), opened, format));
    return S_OK;
}

SoundSystem::~SoundSystem() {
    if (impl_->pacer.joinable()) {
        {
            std::lock_guard<std::mutex> hold(impl_->pacerLock);
            impl_->pacerStop = true;
        }
        impl_->pacerWake.notify_all();
        impl_->pacer.join();
    }
    {
        std::lock_guard<std::mutex> hold(impl_->lock);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(impl_->context);
        alcCloseDevice(impl_->device);
    }
    g_systemLive.store(false);
}

bool SoundSystem::Render(float* out, uint32_t frames) {
    if (output_ != Output::Loopback || !out) return false;
    std::lock_guard<std::mutex> hold(impl_->lock);
    impl_->RenderLocked(out, frames);
    return true;
}

// ---- samples -----------------------------------------------------------------------------

// The bytes a buffer and its duplicates share: a copy the caller locks, and the mixer's copies.
// The mixer holds each side twice over as stereo, once with only the left channel and once with
// only the right (a mono sample feeds both), each played by its own source straight to the
// output channels: a pan is then a gain on one source, and the other side keeps its full level.
struct Sample {
    uint32_t alBuffers[2] = {0, 0};   // left side, right side
    std::vector<uint8_t> bytes;
    ALenum alFormat = 0;              // always stereo
    uint32_t frames = 0;              // whole frames only
    WaveFormat format{};
    // Deleted with the system's lock held (the last buffer going away).
    ~Sample() {
        if (alBuffers[0]) alDeleteBuffers(2, alBuffers);
    }

    uint32_t SampleBytes() const { return format.bitsPerSample / 8u; }
    // Frames [first, first + count) of one side as stereo frames with the other side silent.
    void Spread(int side, uint32_t first, uint32_t count, std::vector<uint8_t>* out) const {
        const uint32_t width = SampleBytes();
        const uint8_t silence = SilenceByte(format);
        out->assign(size_t(count) * 2 * width, silence);
        const int channel = format.channels == 2 ? side : 0;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* from = bytes.data() + size_t(first + i) * format.blockAlign + size_t(channel) * width;
            std::memcpy(out->data() + (size_t(i) * 2 + size_t(side)) * width, from, width);
        }
    }
};

HRESULT SoundSystem::CreateBuffer(const BufferDesc& desc, SoundBuffer** out) {
    if (!out) return AUDIO_E_INVALIDPARAM;
    *out = nullptr;
    if (!IsPlayableFormat(desc.format)) return AUDIO_E_BADFORMAT;
    if (desc.bytes < BUFFER_MIN_BYTES || desc.bytes > BUFFER_MAX_BYTES) return AUDIO_E_INVALIDPARAM;
    auto sample = std::make_shared<Sample>();
    sample->format = desc.format;
    sample->alFormat = desc.format.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
    sample->frames = desc.bytes / desc.format.blockAlign;
    std::vector<uint8_t> silent;
    try {
        sample->bytes.assign(desc.bytes, SilenceByte(desc.format));
        silent.assign(size_t(sample->frames) * 2 * sample->SampleBytes(), SilenceByte(desc.format));
    } catch (const std::bad_alloc&) {
        return AUDIO_E_OUTOFMEMORY;
    }
    std::lock_guard<std::mutex> hold(impl_->lock);
    alGetError();
    alGenBuffers(2, sample->alBuffers);
    if (alGetError() != AL_NO_ERROR) {
        sample->alBuffers[0] = sample->alBuffers[1] = 0;
        return AUDIO_E_OUTOFMEMORY;
    }
    for (uint32_t b : sample->alBuffers)
        alBufferData(b, sample->alFormat, silent.data(), ALsizei(silent.size()), ALsizei(desc.format.samplesPerSec));
    if (alGetError() != AL_NO_ERROR) return AUDIO_E_OUTOFMEMORY;
    *out = new SoundBuffer(this, std::move(sample), desc.flags);
    return S_OK;
}

HRESULT SoundSystem::DuplicateBuffer(SoundBuffer* original, SoundBuffer** out) {
    if (!out) return AUDIO_E_INVALIDPARAM;
    *out = nullptr;
    if (!original || original->system_ != this) return AUDIO_E_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(impl_->lock);
    auto* copy = new SoundBuffer(this, original->sample_, original->flags_);
    copy->volume_ = original->volume_;
    copy->pan_ = original->pan_;
    copy->frequency_ = original->frequency_;
    *out = copy;
    return S_OK;
}

// ---- buffers -----------------------------------------------------------------------------

SoundBuffer::SoundBuffer(SoundSystem* system, std::shared_ptr<Sample> sample, uint32_t flags)
    : system_(system), sample_(std::move(sample)), flags_(flags) {
    size_ = uint32_t(sample_->bytes.size());
    format_ = sample_->format;
}

SoundBuffer::~SoundBuffer() {
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    if (sources_[0]) {
        alSourceStopv(2, sources_);
        for (uint32_t s : sources_) alSourcei(s, AL_BUFFER, 0);
        alDeleteSources(2, sources_);
    }
    sample_.reset();
    alGetError();
}

bool SoundBuffer::EnsureSource() {
    if (sources_[0]) return true;
    alGetError();
    ALuint made[2] = {0, 0};
    alGenSources(2, made);
    if (alGetError() != AL_NO_ERROR) return false;
    // On a stereo output each source's two channels go to the two speakers unchanged.
    const bool direct = system_->impl_->directChannels && system_->format_.channels == 2;
    for (int side = 0; side < 2; ++side) {
        alSourcei(made[side], AL_BUFFER, ALint(sample_->alBuffers[side]));
        alSourcei(made[side], AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(made[side], AL_POSITION, 0.0f, 0.0f, 0.0f);
        if (direct) alSourcei(made[side], AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    }
    if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(2, made);
        return false;
    }
    sources_[0] = made[0];
    sources_[1] = made[1];
    ApplyGain();
    ApplyPitch();
    return true;
}

// The pan attenuates only the far side: positive the left, negative the right.
void SoundBuffer::ApplyGain() {
    if (!sources_[0]) return;
    const float level = VolumeToGain(volume_);
    alSourcef(sources_[0], AL_GAIN, level * VolumeToGain(pan_ > 0 ? -pan_ : 0));
    alSourcef(sources_[1], AL_GAIN, level * VolumeToGain(pan_ < 0 ? pan_ : 0));
}

void SoundBuffer::ApplyPitch() {
    if (!sources_[0]) return;
    uint32_t f = frequency_ ? frequency_ : format_.samplesPerSec;
    for (uint32_t s : sources_) alSourcef(s, AL_PITCH, float(f) / float(format_.samplesPerSec));
}

int32_t SoundBuffer::StateLocked() {
    ALint state = AL_INITIAL;
    if (sources_[0]) alGetSourcei(sources_[0], AL_SOURCE_STATE, &state);
    return state;
}

void SoundBuffer::SeekLocked(uint32_t position) {
    for (uint32_t s : sources_) alSourcei(s, AL_SAMPLE_OFFSET, ALint(position / format_.blockAlign));
}

HRESULT SoundBuffer::Play(uint32_t flags) {
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    if (!EnsureSource()) return AUDIO_E_OUTOFMEMORY;
    looping_ = (flags & PLAY_LOOPING) != 0;
    alGetError();
    for (uint32_t s : sources_) alSourcei(s, AL_LOOPING, looping_ ? AL_TRUE : AL_FALSE);
    const ALint state = StateLocked();
    if (state == AL_PLAYING) return alGetError() == AL_NO_ERROR ? S_OK : AUDIO_E_INVALIDCALL;
    if (state != AL_PAUSED) {
        // A stopped source starts over; the offset set now is where it starts.
        if (pendingPosition_) SeekLocked(pendingPosition_);
        pendingPosition_ = 0;
    }
    // Both sides start in the same mix.
    alSourcePlayv(2, sources_);
    return alGetError() == AL_NO_ERROR ? S_OK : AUDIO_E_INVALIDCALL;
}

HRESULT SoundBuffer::Stop() {
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    if (!sources_[0]) return S_OK;
    if (StateLocked() == AL_PLAYING) alSourcePausev(2, sources_);
    return alGetError() == AL_NO_ERROR ? S_OK : AUDIO_E_INVALIDCALL;
}

HRESULT SoundBuffer::GetStatus(uint32_t* status) {
    if (!status) return AUDIO_E_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    *status = 0;
    if (StateLocked() == AL_PLAYING) *status = STATUS_PLAYING | (looping_ ? STATUS_LOOPING : 0);
    return S_OK;
}

uint32_t SoundBuffer::CurrentPositionLocked() {
    const ALint state = StateLocked();
    if (state != AL_PLAYING && state != AL_PAUSED) return pendingPosition_;
    ALint frame = 0;
    alGetSourcei(sources_[0], AL_SAMPLE_OFFSET, &frame);
    if (frame < 0 || uint32_t(frame) >= sample_->frames) return 0;
    return uint32_t(frame) * format_.blockAlign;
}

HRESULT SoundBuffer::GetCurrentPosition(uint32_t* play) {
    if (!play) return AUDIO_E_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    *play = CurrentPositionLocked();
    return S_OK;
}

HRESULT SoundBuffer::SetCurrentPosition(uint32_t position) {
    if (position >= size_) return AUDIO_E_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    position -= position % format_.blockAlign;
    if (position / format_.blockAlign >= sample_->frames) position = 0;
    const ALint state = StateLocked();
    if (state == AL_PLAYING || state == AL_PAUSED) {
        alGetError();
        // Moved while held, so the two sides cannot drift apart by a mix.
        if (state == AL_PLAYING) alSourcePausev(2, sources_);
        SeekLocked(position);
        if (state == AL_PLAYING) alSourcePlayv(2, sources_);
        return alGetError() == AL_NO_ERROR ? S_OK : AUDIO_E_INVALIDCALL;
    }
    pendingPosition_ = position;
    return S_OK;
}

HRESULT SoundBuffer::SetVolume(int32_t volume) {
    if (!(flags_ & CAPS_CTRLVOLUME)) return AUDIO_E_CONTROLUNAVAIL;
    if (volume < VOLUME_MIN || volume > VOLUME_MAX) return AUDIO_E_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    volume_ = volume;
    ApplyGain();
    return S_OK;
}

HRESULT SoundBuffer::GetVolume(int32_t* volume) {
    if (!volume) return AUDIO_E_INVALIDPARAM;
    if (!(flags_ & CAPS_CTRLVOLUME)) return AUDIO_E_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    *volume = volume_;
    return S_OK;
}

HRESULT SoundBuffer::SetPan(int32_t pan) {
    if (!(flags_ & CAPS_CTRLPAN)) return AUDIO_E_CONTROLUNAVAIL;
    if (pan < PAN_LEFT || pan > PAN_RIGHT) return AUDIO_E_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    pan_ = pan;
    ApplyGain();
    return S_OK;
}

HRESULT SoundBuffer::GetPan(int32_t* pan) {
    if (!pan) return AUDIO_E_INVALIDPARAM;
    if (!(flags_ & CAPS_CTRLPAN)) return AUDIO_E_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    *pan = pan_;
    return S_OK;
}

HRESULT SoundBuffer::SetFrequency(uint32_t frequency) {
    if (!(flags_ & CAPS_CTRLFREQUENCY)) return AUDIO_E_CONTROLUNAVAIL;
    if (frequency != FREQUENCY_ORIGINAL && (frequency < FREQUENCY_MIN || frequency > FREQUENCY_MAX))
        return AUDIO_E_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    frequency_ = frequency;
    ApplyPitch();
    return S_OK;
}

HRESULT SoundBuffer::GetFrequency(uint32_t* frequency) {
    if (!frequency) return AUDIO_E_INVALIDPARAM;
    if (!(flags_ & CAPS_CTRLFREQUENCY)) return AUDIO_E_CONTROLUNAVAIL;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    *frequency = frequency_ ? frequency_ : format_.samplesPerSec;
    return S_OK;
}

HRESULT SoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1, void** region2,
                          uint32_t* bytes2) {
    if (!region1 || !bytes1) return AUDIO_E_INVALIDPARAM;
    *region1 = nullptr;
    *bytes1 = 0;
    if (region2) *region2 = nullptr;
    if (bytes2) *bytes2 = 0;
    if (offset >= size_ || bytes == 0 || bytes > size_) return AUDIO_E_INVALIDPARAM;
    uint32_t first = std::min(bytes, size_ - offset);
    // A lock that wraps needs somewhere to put the second region.
    if (first < bytes && (!region2 || !bytes2)) return AUDIO_E_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    if (locked_) return AUDIO_E_INVALIDCALL;
    locked_ = true;
    lockOffset_ = offset;
    lockBytes_ = bytes;
    uint8_t* base = sample_->bytes.data();
    *region1 = base + offset;
    *bytes1 = first;
    if (first < bytes) {
        *region2 = base;
        *bytes2 = bytes - first;
    }
    return S_OK;
}

HRESULT SoundBuffer::Unlock(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) {
    std::lock_guard<std::mutex> hold(system_->impl_->lock);
    if (!locked_) return AUDIO_E_INVALIDCALL;
    locked_ = false;
    Sample& s = *sample_;
    uint8_t* base = s.bytes.data();
    uint32_t first = std::min(lockBytes_, size_ - lockOffset_);
    uint32_t second = lockBytes_ - first;
    if (region1 != base + lockOffset_ || bytes1 > first || (region2 && (region2 != base || bytes2 > second)))
        return AUDIO_E_INVALIDPARAM;
    if (!region2) bytes2 = 0;

    alGetError();
    const auto* impl = system_->impl_.get();
    std::vector<uint8_t> spread;
    if (impl->bufferSubData) {
        // Only whole frames go to the mixer: widen each written range to frame edges.
        const uint32_t align = format_.blockAlign;
        const uint32_t stereoFrame = 2 * s.SampleBytes();
        auto upload = [&](uint32_t from, uint32_t count) {
            if (!count) return;
            const uint32_t a = from / align;
            const uint32_t b = uint32_t(std::min<uint64_t>((uint64_t(from) + count + align - 1) / align, s.frames));
            if (b <= a) return;
            for (int side = 0; side < 2; ++side) {
                s.Spread(side, a, b - a, &spread);
                impl->bufferSubData(s.alBuffers[side], s.alFormat, spread.data(), ALsizei(a * stereoFrame),
                                    ALsizei(spread.size()));
            }
        };
        upload(lockOffset_, bytes1);
        upload(0, bytes2);
    } else {
        // Without partial updates the whole sample is replaced, which works only while no
        // source holds it.
        for (int side = 0; side < 2; ++side) {
            s.Spread(side, 0, s.frames, &spread);
            alBufferData(s.alBuffers[side], s.alFormat, spread.data(), ALsizei(spread.size()),
                         ALsizei(format_.samplesPerSec));
        }
    }
    return alGetError() == AL_NO_ERROR ? S_OK : AUDIO_E_INVALIDCALL;
}

}  // namespace audio
