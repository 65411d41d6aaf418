#include "shell/sound.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "scene/camera.h"
#include "scene/scene.h"
#include "shell/music.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "shell/wav_file.h"

SoundManager g_SoundManager;
int32_t g_FxVolumes[FX_VOLUME_COUNT];
float g_SaValues[SA_VALUE_COUNT];

namespace {

constexpr const char* kFxFolder = "Sonido\\Fx\\";

void ReleaseFxBank() {
    SoundManager& m = g_SoundManager;
    if (!m.fx) return;
    // Voices point at their effect; none may outlive it.
    for (int i = 0; i < m.voiceCount; ++i)
        if (m.voices[i].owner) m.FreeVoice(i);
    delete[] m.fx;
    m.fx = nullptr;
    m.fxCount = 0;
}

void ReleasePlayers() {
    delete g_SoundManager.musicPlayer;
    g_SoundManager.musicPlayer = nullptr;
    delete g_SoundManager.streamPlayer;
    g_SoundManager.streamPlayer = nullptr;
}

// The global effect volume: 0 at full, -6000 at nothing, which is then made silent.
int32_t GlobalFxVolume() { return int32_t((1.0f - g_Settings.effectVolume) * -6000.0f); }

// Sets volume and pan of the voice just started for a sound at `p`.
void ApplyFxPosition(const SoundFx& fx, const Vec3& p, int voice) {
    const Camera* camera = g_Scene.camera;
    audio::SoundBuffer* buffer = g_SoundManager.voices[voice].buffer;
    if (!camera || !buffer) return;
    int d = int(Vec3Length(Vec3Sub(p, camera->target)));
    if (d > FX_MAX_DISTANCE) return;
    // The point's x in view space: how far to the side of the view it lies.
    const Mat4& v = camera->view;
    float side = p.x * v.m[0][0] + p.y * v.m[1][0] + p.z * v.m[2][0] + v.m[3][0];
    int64_t table = (fx.id >= 0 && fx.id < FX_VOLUME_COUNT) ? g_FxVolumes[fx.id] : 0;
    int64_t volume = table - int64_t(d) * 6000 / 100 + GlobalFxVolume();
    if (volume < -6000) volume = audio::VOLUME_MIN;
    int32_t pan = 0;
    if (side != 0.0f) {
        float amount = std::fabs(side) * 100.0f;
        int32_t m = amount >= 10000.0f ? 10000 : int32_t(amount);
        pan = side < 0.0f ? -m : m;
    }
    buffer->SetVolume(int32_t(volume));
    buffer->SetPan(pan);
}

}  // namespace

// ---- SoundManager ------------------------------------------------------------------------------

SoundManager::SoundManager()
    : voices(nullptr), voiceCount(0), fx(nullptr), fxCount(0), streamPlayer(nullptr), musicPlayer(nullptr) {}

SoundManager::~SoundManager() { Release(); }

HRESULT SoundManager::Init(os::WindowHandle, int count) {
    Release();
    audio::OutputFormat format;
    format.channels = 2;
    format.rate = 22050;
    format.bits = 16;
    HRESULT r = audio::SoundSystem::Create(audio::GetDefaultOutput(), format, &sound);
    if (r != S_OK) return r;
    if (count < 0) return 1;
    voices = new (std::nothrow) SoundVoice[size_t(count)]();
    if (!voices) return 1;
    voiceCount = count;
    return S_OK;
}

void SoundManager::FreeVoice(int index) {
    if (!voices || index < 0 || index >= voiceCount) return;
    SoundVoice& v = voices[index];
    if (v.buffer) {
        v.buffer->Stop();
        delete v.buffer;
    }
    v.buffer = nullptr;
    v.owner = nullptr;
}

void SoundManager::Release() {
    // Every buffer goes before the output that made it.
    ReleasePlayers();
    ReleaseFxBank();
    for (int i = 0; i < voiceCount; ++i) FreeVoice(i);
    delete[] voices;
    voices = nullptr;
    voiceCount = 0;
    sound.reset();
}

// ---- SoundFx ---------------------------------------------------------------------------------------

void SoundFx::Release() {
    delete buffer;
    buffer = nullptr;
    size = 0;
}

bool SoundFx::Load(SoundManager* owner, const char* fileName, int32_t fxId) {
    Release();
    manager = owner;
    id = fxId;
    if (!owner || !owner->sound) return false;
    WaveFile reader;
    if (CreateBuffer(&reader, fileName) != S_OK) return false;
    if (FillBuffer(&reader) != S_OK) {
        Release();
        return false;
    }
    return true;
}

HRESULT SoundFx::CreateBuffer(WaveFile* reader, const char* fileName) {
    Release();
    if (reader->Open(fileName) != S_OK) return E_FAIL;
    audio::BufferDesc desc;
    desc.flags = audio::CAPS_CTRLVOLUME | audio::CAPS_CTRLPAN | audio::CAPS_CTRLFREQUENCY | audio::CAPS_LOCDEFER;
    desc.bytes = reader->Size();
    desc.format = *reader->format;
    HRESULT r = manager->sound->CreateBuffer(desc, &buffer);
    if (r != S_OK) return r;
    size = reader->Size();
    return S_OK;
}

HRESULT SoundFx::FillBuffer(WaveFile* reader) {
    if (!buffer) return E_FAIL;
    std::vector<uint8_t> block;
    try {
        block.resize(size);
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    uint32_t got = 0;
    if (reader->Read(size, block.data(), &got) != S_OK || got != size) return E_FAIL;
    reader->Reset();
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    HRESULT r = buffer->Lock(0, size, &p1, &n1, &p2, &n2);
    if (r != S_OK) return r;
    std::memcpy(p1, block.data(), n1);
    if (p2) std::memcpy(p2, block.data() + n1, n2);
    return buffer->Unlock(p1, n1, p2, n2);
}

int SoundFx::Play(int32_t volume, int32_t pan, int32_t frequency, uint32_t flags) {
    if (!buffer || !manager || !manager->sound || !manager->voices) return -1;
    SoundVoice* v = manager->voices;
    int chosen = -1;
    int candidate = -1;
    for (int i = 0; i < manager->voiceCount; ++i) {
        if (!v[i].buffer) {
            chosen = i;
            break;
        }
        uint32_t status = 0;
        if (v[i].buffer->GetStatus(&status) != S_OK || !(status & audio::STATUS_PLAYING)) {
            // A finished voice is as good as a free one.
            manager->FreeVoice(i);
            chosen = i;
            break;
        }
        if (!(v[i].flags & FX_PROTECTED) && (candidate < 0 || v[i].startTime < v[candidate].startTime)) candidate = i;
    }
    if (chosen < 0) {
        if (candidate < 0) return -1;
        manager->FreeVoice(candidate);
        chosen = candidate;
    }

    SoundVoice& voice = v[chosen];
    voice.flags = uint8_t(flags);
    voice.startTime = int32_t(os::timeGetTime());
    audio::SoundBuffer* copy = nullptr;
    if (manager->sound->DuplicateBuffer(buffer, &copy) != S_OK) return -1;
    bool ok = copy->SetCurrentPosition(0) == S_OK;
    if (ok && volume != FX_UNCHANGED) ok = copy->SetVolume(volume) == S_OK;
    if (ok && pan != FX_UNCHANGED) ok = copy->SetPan(pan) == S_OK;
    if (ok && frequency != FX_UNCHANGED) ok = frequency >= 0 && copy->SetFrequency(uint32_t(frequency)) == S_OK;
    if (ok) ok = copy->Play((flags & FX_LOOP) ? audio::PLAY_LOOPING : 0) == S_OK;
    if (!ok) {
        delete copy;
        return -1;
    }
    voice.buffer = copy;
    voice.owner = this;
    return chosen;
}

// ---- the bank ----------------------------------------------------------------------------------------

bool LoadFxBank(int n) {
    if (n < 0) return false;
    ReleaseFxBank();
    g_SoundManager.fx = new (std::nothrow) SoundFx[size_t(n)];
    if (!g_SoundManager.fx) return false;
    g_SoundManager.fxCount = n;
    for (int i = 0; i < n; ++i) {
        char name[64];
        std::snprintf(name, sizeof(name), "%ssnd%03d.wav", kFxFolder, i);
        g_SoundManager.fx[i].Load(&g_SoundManager, name, i);
    }
    return true;
}

int PlayFx(int id, const Vec3* position, uint32_t flags) {
    if (!g_Settings.sound) return -1;
    SoundManager& m = g_SoundManager;
    if (!m.fx || id < 0 || id >= m.fxCount) return -1;
    // Without a camera there is nothing to measure from; the sound plays as if unplaced.
    const Camera* camera = g_Scene.camera;
    const Vec3* placed = camera ? position : nullptr;
    if (placed) {
        int d = int(Vec3Length(Vec3Sub(*placed, camera->target)));
        if (d > FX_MAX_DISTANCE) return -1;
    }
    int32_t volume = GlobalFxVolume();
    if (volume < -6000) volume = audio::VOLUME_MIN;
    SoundFx& fx = m.fx[id];
    int voice = fx.Play(volume, 0, FX_UNCHANGED, flags);
    if (voice >= 0 && placed) ApplyFxPosition(fx, *placed, voice);
    return voice;
}

void StopAllFx(int n) {
    SoundManager& m = g_SoundManager;
    if (!m.fx || !m.voices) return;
    if (n > m.fxCount) n = m.fxCount;
    for (int i = 0; i < m.voiceCount; ++i) {
        const SoundFx* owner = m.voices[i].owner;
        if (owner && owner >= m.fx && owner < m.fx + n) m.FreeVoice(i);
    }
}

void ShutdownSound(int) {
    // Whatever the switches say now: something made while they were on must still go.
    g_SoundManager.Release();
}

// ---- the table files ---------------------------------------------------------------------------------

// A table file is a list of whole numbers: digits make a number (at most 11 count), a blank or a
// line end closes it, anything else is skipped without closing it, '/' starts a comment that
// runs to the line end, and a byte 0xFF or the end of the file ends the list. A number still
// open at the end is kept.
int ScanTableNumbers(const char* fileName, int64_t* out, int max) {
    PackEntry file;
    if (!file.OpenFile(fileName)) return -1;
    BinaryReader& in = file.Reader();
    int count = 0;
    int digits = 0;
    int64_t value = 0;
    bool comment = false;
    auto close = [&] {
        if (digits > 0 && count < max) out[count++] = value;
        digits = 0;
        value = 0;
    };
    uint8_t c = 0;
    while (in.ReadU8(c) && c != 0xFF) {
        if (comment) {
            if (c == '\n') {
                comment = false;
                close();
            }
            continue;
        }
        if (c == '/') {
            comment = true;
        } else if (c >= '0' && c <= '9') {
            if (digits < 11) {
                value = value * 10 + (c - '0');
                ++digits;
            }
        } else if (c == ' ' || c == '\n') {
            close();
        }
    }
    close();
    return count;
}

bool LoadFxVolumes() {
    std::memset(g_FxVolumes, 0, sizeof(g_FxVolumes));
    int64_t numbers[FX_VOLUME_COUNT];
    int n = ScanTableNumbers("ess_fx.cfg", numbers, FX_VOLUME_COUNT);
    if (n < 0) return false;
    // Eleven digits overflow 32 bits; the loudest cut the table can hold is kept instead.
    for (int i = 0; i < n; ++i) g_FxVolumes[i] = -int32_t(numbers[i] > INT32_MAX ? INT32_MAX : numbers[i]);
    return true;
}

bool LoadSaValues() {
    std::memset(g_SaValues, 0, sizeof(g_SaValues));
    int64_t numbers[SA_VALUE_COUNT];
    int n = ScanTableNumbers("ess_sa.cfg", numbers, SA_VALUE_COUNT);
    if (n < 0) return false;
    for (int i = 0; i < n; ++i) g_SaValues[i] = float(numbers[i] > INT32_MAX ? INT32_MAX : numbers[i]);
    return true;
}

void LoadSoundConfig() {
    LoadFxVolumes();
    LoadSaValues();
}

void ResetSound() {
    g_SoundManager.Release();
    std::memset(g_FxVolumes, 0, sizeof(g_FxVolumes));
    std::memset(g_SaValues, 0, sizeof(g_SaValues));
}
