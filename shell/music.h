// Streamed music from "Sonido\\Musica\\": each playing piece owns a two-second looping buffer that
// a periodic timer refills from the file behind the play cursor; the same timer carries the
// fade-out. The music player has two slots, so a new piece can start while the last one fades.
//
// Threads: the timer's thread runs StreamSlot::Update; the main thread starts, stops and fades.
// Each slot's lock guards all of its fields and is taken by both. The timer never stops or
// deletes itself: a slot that ends on the timer's thread only goes quiet, and the main thread
// takes the idle timer away the next time it touches the slot.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/audio/sound.h"
#include "platform/audio/timer.h"

class StreamWaveFile;

constexpr uint32_t STREAM_BUFFER_MS = 2000;
constexpr uint32_t STREAM_SERVICE_MS = 250;

class StreamSlot {
public:
    audio::SoundSystem* sound;
    audio::SoundBuffer* buffer;
    StreamWaveFile* reader;
    audio::PeriodicTimer* timer;   // while playing, and after the slot ended on its own until taken away
    uint8_t prepared;              // the buffer holds the first two seconds of the file
    uint8_t playing;
    audio::BufferDesc desc;
    uint32_t writeCursor;          // where the next refill goes
    uint32_t bufferMs;
    uint32_t bufferSize;
    uint32_t servicePeriod;        // ms between refills
    uint32_t duration;             // ms of the whole file
    uint32_t startTime;            // os::timeGetTime() at the last start
    uint32_t elapsed;
    uint8_t loop;
    int32_t baseVolume;            // where a fade-out starts, set again when it ends
    int32_t fadeDuration;          // ms; -1 when no fade-out runs
    uint32_t fadeStart;

    StreamSlot();
    ~StreamSlot();
    StreamSlot(const StreamSlot&) = delete;
    StreamSlot& operator=(const StreamSlot&) = delete;

    // Main thread. Open needs a reset slot.
    bool Open(const char* name, audio::SoundSystem* system);
    bool Play(bool loopFlag);
    void Stop();
    void SetVolume(int32_t volume);
    bool IsPlaying();
    uint32_t GetStartTime();
    void FadeOut(uint32_t ms);
    // Stops and frees buffer, reader and timer.
    void Reset();

    // One service step (the timer's callback): fade-out, end of the piece, refill behind the
    // play cursor. False when a refill failed.
    bool Update();

private:
    // The callers hold `lock`.
    bool PrepareLocked();
    bool RestartLocked();
    void SetVolumeLocked(int32_t volume);
    uint32_t PlayedBytesLocked();
    bool FillLocked(uint32_t bytes, bool fromFile);
    // Stops the buffer; the timer, if any, is left for TakeIdleTimer.
    void QuietLocked();
    // The timer of a slot that is not playing, to be stopped outside the lock.
    std::unique_ptr<audio::PeriodicTimer> TakeTimerLocked();
    void DropIdleTimer();

    std::mutex lock;
};

// The timer's entry point.
void UpdateStreamSlot(StreamSlot* slot);

class StreamPlayer {
public:
    audio::SoundSystem* sound;
    std::unique_ptr<StreamSlot[]> slots;
    int count;

    StreamPlayer(audio::SoundSystem* system, int slotCount);
    ~StreamPlayer();

    // Opens `name` (a game path) in the first slot that is not playing, else in the one started
    // first, which is stopped. The slot index, or -1.
    int Open(const char* name);
    // Indices outside 0..count-1 are ignored (false for the queries).
    bool Play(int index, bool loop);
    void Stop(int index);
    void SetVolume(int index, int32_t volume);
    bool IsPlaying(int index);
    void FadeOut(int index, uint32_t ms);
};

class MusicPlayer {
public:
    StreamPlayer player;
    int current;   // the slot of the current piece, -1 none

    explicit MusicPlayer(audio::SoundSystem* system);

    // Plays "Sonido\\Musica\\<name>" at the music volume; the slot, or -1 (MUSICA off, or the
    // piece could not be opened or started).
    int Play(const char* name, bool loop);
    void SetVolume(int32_t volume);
    // Fades the current piece out over `ms`.
    void Stop(uint32_t ms);
};

// Each deletes any earlier player and makes a new one (2 / 20 slots) on the sound manager's
// output.
void CreateMusicPlayer();
void CreateStreamPlayer();
