// Sound effects: a bank of 300 effects, each read once from "Sonido\\Fx\\sndNNN.wav" into a sound
// buffer and played by duplicating it into one of 15 voices, so that one effect can sound
// several times at once. A sound at a world position fades with its distance from the point the
// current camera looks at and is panned by its side offset in the camera's view.
// Main thread only; the music's timer thread touches none of this.
#pragma once

#include <cstdint>
#include <memory>

#include "common/math.h"
#include "common/result.h"
#include "platform/audio/sound.h"
#include "platform/os/os.h"

class MusicPlayer;
class StreamPlayer;
class SoundFx;
class SoundManager;
class WaveFile;

constexpr int SOUND_VOICE_COUNT = 15;
constexpr int FX_COUNT = 300;
constexpr int FX_VOLUME_COUNT = 300;
constexpr int SA_VALUE_COUNT = 100;

// Play flags.
constexpr uint32_t FX_PROTECTED = 1;   // never cut to make room for another sound
constexpr uint32_t FX_LOOP = 4;

// For SoundFx::Play: leave that property as it is.
constexpr int32_t FX_UNCHANGED = -999999;

// Sounds further than this from the camera's target are not played.
constexpr int FX_MAX_DISTANCE = 100;

struct SoundVoice {
    uint8_t flags;             // the play flags it was started with
    int32_t startTime;         // os::timeGetTime() at the start
    audio::SoundBuffer* buffer;   // duplicate of the effect's buffer; null when free
    SoundFx* owner;
};

class SoundFx {
public:
    SoundManager* manager;
    int32_t id;
    audio::SoundBuffer* buffer;   // null when the file is missing or bad
    uint32_t size;                // bytes of sample data

    SoundFx() : manager(nullptr), id(0), buffer(nullptr), size(0) {}
    ~SoundFx() { Release(); }
    SoundFx(const SoundFx&) = delete;
    SoundFx& operator=(const SoundFx&) = delete;

    // False without a manager or sound system, or when the file is missing or bad.
    bool Load(SoundManager* owner, const char* fileName, int32_t fxId);
    // The voice index, or -1. FX_UNCHANGED leaves volume, pan or frequency as they are.
    int Play(int32_t volume, int32_t pan, int32_t frequency, uint32_t flags);
    void Release();

private:
    // The buffers here are never lost, so the file is read once and not kept open.
    HRESULT CreateBuffer(WaveFile* reader, const char* fileName);
    HRESULT FillBuffer(WaveFile* reader);
};

class SoundManager {
public:
    std::unique_ptr<audio::SoundSystem> sound;   // null when no output could be made
    SoundVoice* voices;
    int voiceCount;
    SoundFx* fx;
    int fxCount;
    StreamPlayer* streamPlayer;
    MusicPlayer* musicPlayer;

    SoundManager();
    ~SoundManager();

    // Opens the output chosen by audio::SetDefaultOutput (the default device, silent when there
    // is none) with 2 channels, 22050 Hz, 16 bits, and makes `voiceCount` free voices.
    // 0, the sound system's failure code, or 1 when the voice table cannot be made.
    HRESULT Init(os::WindowHandle window, int voiceCount);
    // Stops and frees every voice, then closes the output. May be called again.
    void Release();
    // Stops and frees one voice.
    void FreeVoice(int index);
};

extern SoundManager g_SoundManager;
// Per-effect base volume in hundredths of a decibel (0 or negative), from "ess_fx.cfg".
extern int32_t g_FxVolumes[FX_VOLUME_COUNT];
// The values of "ess_sa.cfg".
extern float g_SaValues[SA_VALUE_COUNT];

// Makes `n` effects and loads each from its file; false only when the bank cannot be made.
bool LoadFxBank(int n);
// Plays effect `id` (0..299) at `position` (null: no position). The voice index, or -1 when
// sound is off, the id is outside the bank, the sound is too far, no voice is free, the effect
// has no buffer or the sound system fails.
int PlayFx(int id, const Vec3* position, uint32_t flags);
// Stops and frees every voice of each of the first n effects.
void StopAllFx(int n);
// Releases the music and stream players, the effects and the voices, then the output.
void ShutdownSound(int n);

// "ess_fx.cfg" then "ess_sa.cfg".
void LoadSoundConfig();
// Each false when its file cannot be opened (the table is then all zero).
bool LoadFxVolumes();
bool LoadSaValues();
// The numbers of a table file (see sound.cpp), at most `max`; -1 when it cannot be opened.
int ScanTableNumbers(const char* fileName, int64_t* out, int max);

// Back to the start state: everything released, the tables zero (tests).
void ResetSound();
