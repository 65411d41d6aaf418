#include "shell/music.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/os/os.h"
#include "core/settings.h"
#include "shell/sound.h"
#include "shell/wav_file.h"

namespace {

constexpr const char* kMusicFolder = "Sonido\\Musica\\";

uint8_t SilenceOf(const audio::WaveFormat& f) { return f.bitsPerSample == 8 ? 0x80 : 0x00; }

}  // namespace

// ---- StreamSlot --------------------------------------------------------------------------------

StreamSlot::StreamSlot()
    : sound(nullptr),
      buffer(nullptr),
      reader(nullptr),
      timer(nullptr),
      prepared(0),
      playing(0),
      desc{},
      writeCursor(0),
      bufferMs(STREAM_BUFFER_MS),
      bufferSize(0),
      servicePeriod(STREAM_SERVICE_MS),
      duration(0),
      startTime(0),
      elapsed(0),
      loop(0),
      baseVolume(0),
      fadeDuration(-1),
      fadeStart(0) {}

StreamSlot::~StreamSlot() { Reset(); }

std::unique_ptr<audio::PeriodicTimer> StreamSlot::TakeTimerLocked() {
    if (playing) return nullptr;
    std::unique_ptr<audio::PeriodicTimer> taken(timer);
    timer = nullptr;
    return taken;
}

void StreamSlot::DropIdleTimer() {
    std::unique_ptr<audio::PeriodicTimer> idle;
    {
        std::lock_guard<std::mutex> hold(lock);
        idle = TakeTimerLocked();
    }
    // Outside the lock: the timer's last call may be waiting for it.
    if (idle) idle->Stop();
}

void StreamSlot::QuietLocked() {
    if (buffer) buffer->Stop();
    playing = 0;
}

void StreamSlot::Reset() {
    Stop();
    std::lock_guard<std::mutex> hold(lock);
    delete buffer;
    buffer = nullptr;
    delete reader;
    reader = nullptr;
    prepared = 0;
    playing = 0;
    desc = {};
    writeCursor = 0;
    bufferMs = STREAM_BUFFER_MS;
    bufferSize = 0;
    servicePeriod = STREAM_SERVICE_MS;
    duration = 0;
    startTime = 0;
    elapsed = 0;
    loop = 0;
    baseVolume = 0;
    fadeDuration = -1;
    fadeStart = 0;
}

bool StreamSlot::Open(const char* name, audio::SoundSystem* system) {
    DropIdleTimer();
    std::lock_guard<std::mutex> hold(lock);
    sound = system;
    fadeDuration = -1;
    if (!system || buffer || reader) return false;
    auto* file = new StreamWaveFile;
    if (file->Open(name) != 0) {
        delete file;
        return false;
    }
    // Two seconds, or the whole piece when it is shorter; whole frames only.
    uint64_t size = uint64_t(file->avgBytesPerSec) * bufferMs / 1000u;
    size = std::min<uint64_t>(size, file->dataSize);
    size -= size % file->blockAlign;
    desc.flags = audio::CAPS_CTRLVOLUME | audio::CAPS_CTRLPAN;
    desc.bytes = uint32_t(std::min<uint64_t>(size, audio::BUFFER_MAX_BYTES));
    desc.format = *file->format;
    if (size < audio::BUFFER_MIN_BYTES || system->CreateBuffer(desc, &buffer) != S_OK) {
        buffer = nullptr;
        delete file;
        return false;
    }
    reader = file;
    bufferSize = desc.bytes;
    servicePeriod = STREAM_SERVICE_MS;
    duration = file->duration;
    prepared = 0;
    if (!PrepareLocked()) {
        delete buffer;
        buffer = nullptr;
        delete reader;
        reader = nullptr;
        return false;
    }
    return true;
}

bool StreamSlot::PrepareLocked() {
    if (prepared) return true;
    if (!buffer || !reader) return false;
    writeCursor = 0;
    if (reader->Rewind() != 0) return false;
    buffer->SetCurrentPosition(0);
    if (!FillLocked(bufferSize, true)) return false;
    prepared = 1;
    return true;
}

bool StreamSlot::FillLocked(uint32_t bytes, bool fromFile) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (buffer->Lock(writeCursor, bytes, &p1, &n1, &p2, &n2) != S_OK) return false;
    const uint8_t silence = SilenceOf(buffer->Format());
    bool ok = true;
    auto put = [&](void* region, uint32_t n) {
        auto* dst = static_cast<uint8_t*>(region);
        if (!n) return;
        uint32_t got = 0;
        if (fromFile && reader->Read(dst, n, &got) != 0) ok = false;
        // Whatever the file could not give is silence rather than stale sound.
        if (got < n) std::memset(dst + got, silence, n - got);
    };
    put(p1, n1);
    put(p2, n2);
    if (buffer->Unlock(p1, n1, p2, n2) != S_OK) ok = false;
    writeCursor = uint32_t((uint64_t(writeCursor) + bytes) % bufferSize);
    return ok;
}

bool StreamSlot::Play(bool loopFlag) {
    DropIdleTimer();
    std::unique_ptr<audio::PeriodicTimer> old;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (playing) {
            QuietLocked();
            old = TakeTimerLocked();
        }
    }
    if (old) old->Stop();

    std::lock_guard<std::mutex> hold(lock);
    if (!buffer) return false;
    loop = loopFlag ? 1 : 0;
    if (!PrepareLocked()) return false;
    if (buffer->Play(audio::PLAY_LOOPING) != S_OK) return false;
    startTime = os::timeGetTime();
    elapsed = 0;
    timer = new audio::PeriodicTimer;
    timer->Start(servicePeriod, [this] { UpdateStreamSlot(this); });
    playing = 1;
    prepared = 0;
    return true;
}

void StreamSlot::Stop() {
    std::unique_ptr<audio::PeriodicTimer> ending;
    {
        std::lock_guard<std::mutex> hold(lock);
        QuietLocked();
        ending = TakeTimerLocked();
    }
    if (ending) ending->Stop();
}

void StreamSlot::SetVolumeLocked(int32_t volume) {
    if (!buffer) return;
    // -6000 is where the volume scale of the options ends: that is silence.
    if (volume == -6000) volume = audio::VOLUME_MIN;
    buffer->SetVolume(volume);
}

void StreamSlot::SetVolume(int32_t volume) {
    std::lock_guard<std::mutex> hold(lock);
    SetVolumeLocked(volume);
}

bool StreamSlot::IsPlaying() {
    DropIdleTimer();
    std::lock_guard<std::mutex> hold(lock);
    return playing != 0;
}

uint32_t StreamSlot::GetStartTime() {
    std::lock_guard<std::mutex> hold(lock);
    return startTime;
}

void StreamSlot::FadeOut(uint32_t ms) {
    std::lock_guard<std::mutex> hold(lock);
    if (!buffer) return;
    int32_t volume = 0;
    if (buffer->GetVolume(&volume) == S_OK) baseVolume = volume;
    fadeDuration = int32_t(std::min<uint32_t>(ms, INT32_MAX));
    fadeStart = os::timeGetTime();
}

uint32_t StreamSlot::PlayedBytesLocked() {
    uint32_t play = 0;
    if (buffer->GetCurrentPosition(&play) != S_OK) return 0;
    return play >= writeCursor ? play - writeCursor : bufferSize - writeCursor + play;
}

bool StreamSlot::RestartLocked() {
    // Restarted where it stands, on this thread, with the same timer.
    buffer->Stop();
    prepared = 0;
    if (!PrepareLocked() || buffer->Play(audio::PLAY_LOOPING) != S_OK) {
        QuietLocked();
        return false;
    }
    startTime = os::timeGetTime();
    elapsed = 0;
    prepared = 0;
    return true;
}

bool StreamSlot::Update() {
    std::lock_guard<std::mutex> hold(lock);
    // Stopped since the tick was due: nothing to do, and the timer is not ours to end.
    if (!playing || !buffer || !reader) return true;
    const uint32_t now = os::timeGetTime();

    if (fadeDuration >= 0) {
        uint32_t since = now - fadeStart;
        if (fadeDuration == 0 || since > uint32_t(fadeDuration)) {
            SetVolumeLocked(baseVolume);
            fadeDuration = -1;
            QuietLocked();
            return true;
        }
        // A straight line from the base volume down to silence.
        uint64_t span = uint32_t(baseVolume + 10000);
        SetVolumeLocked(baseVolume - int32_t(span * since / uint32_t(fadeDuration)));
    }

    elapsed = now - startTime;
    if (elapsed >= duration) {
        if (loop) return RestartLocked();
        QuietLocked();
        return true;
    }

    uint32_t played = PlayedBytesLocked();
    if (played == 0) return true;
    uint32_t unread = reader->Remaining();
    if (unread == 0) return FillLocked(played, false);
    if (unread >= played) return FillLocked(played, true);
    bool ok = FillLocked(unread, true);
    return FillLocked(played - unread, false) && ok;
}

void UpdateStreamSlot(StreamSlot* slot) {
    if (slot) slot->Update();
}

// ---- StreamPlayer -------------------------------------------------------------------------------

StreamPlayer::StreamPlayer(audio::SoundSystem* system, int slotCount)
    : sound(system), slots(new StreamSlot[size_t(std::max(slotCount, 0))]), count(std::max(slotCount, 0)) {
    for (int i = 0; i < count; ++i) slots[i].sound = system;
}

StreamPlayer::~StreamPlayer() {
    for (int i = 0; i < count; ++i) slots[i].Reset();
}

int StreamPlayer::Open(const char* name) {
    if (count <= 0) return -1;
    int chosen = -1;
    for (int i = 0; i < count && chosen < 0; ++i)
        if (!slots[i].IsPlaying()) chosen = i;
    if (chosen < 0) {
        chosen = 0;
        uint32_t earliest = slots[0].GetStartTime();
        for (int i = 1; i < count; ++i) {
            uint32_t t = slots[i].GetStartTime();
            if (t < earliest) {
                earliest = t;
                chosen = i;
            }
        }
        slots[chosen].Stop();
    }
    slots[chosen].Reset();
    if (!slots[chosen].Open(name, sound)) return -1;
    return chosen;
}

bool StreamPlayer::Play(int index, bool loop) {
    if (index < 0 || index >= count) return false;
    return slots[index].Play(loop);
}

void StreamPlayer::Stop(int index) {
    if (index >= 0 && index < count) slots[index].Stop();
}

void StreamPlayer::SetVolume(int index, int32_t volume) {
    if (index >= 0 && index < count) slots[index].SetVolume(volume);
}

bool StreamPlayer::IsPlaying(int index) {
    if (index < 0 || index >= count) return false;
    return slots[index].IsPlaying();
}

void StreamPlayer::FadeOut(int index, uint32_t ms) {
    if (index >= 0 && index < count) slots[index].FadeOut(ms);
}

// ---- MusicPlayer --------------------------------------------------------------------------------

MusicPlayer::MusicPlayer(audio::SoundSystem* system) : player(system, 2), current(-1) {}

int MusicPlayer::Play(const char* name, bool loop) {
    if (!g_Settings.music) return -1;
    std::string path = std::string(kMusicFolder) + (name ? name : "");
    int index = player.Open(path.c_str());
    if (index < 0) return -1;
    player.SetVolume(index, int32_t((1.0f - g_Settings.musicVolume) * -6000.0f));
    if (!player.Play(index, loop)) {
        player.slots[index].Reset();
        return -1;
    }
    current = index;
    return index;
}

void MusicPlayer::SetVolume(int32_t volume) {
    if (g_Settings.music) player.SetVolume(current, volume);
}

void MusicPlayer::Stop(uint32_t ms) {
    if (g_Settings.music && !player.IsPlaying(current)) return;
    player.FadeOut(current, ms);
}

// ---- the players of the sound manager ----------------------------------------------------------

void CreateMusicPlayer() {
    delete g_SoundManager.musicPlayer;
    g_SoundManager.musicPlayer = new MusicPlayer(g_SoundManager.sound.get());
}

void CreateStreamPlayer() {
    delete g_SoundManager.streamPlayer;
    g_SoundManager.streamPlayer = new StreamPlayer(g_SoundManager.sound.get(), 20);
}
