// Playback of MPEG system streams (MPEG-1/2 video, MPEG audio) over the main window, for the
// start-up videos. One player object stands for the whole decoding chain: it is given a file,
// shown in a window, started, and then driven from the caller's thread by Pump, which decodes,
// draws each frame when its time comes and feeds the sound, until the end is reached and the
// complete event is posted to the notify window. Frames are drawn through a GL context of the
// player's own on the window, made when the window is attached and gone when it is detached,
// so nothing of it is left for the graphics device that comes later. No FFmpeg, SDL or GL type
// leaks out of here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "common/result.h"
#include "platform/os/os.h"

namespace audio {
class SoundSystem;
}

namespace video {

constexpr HRESULT VIDEO_E_FILENOTFOUND = HRESULT(0x80070002u);   // no file of that name
constexpr HRESULT VIDEO_E_UNREADABLE = HRESULT(0x80040F01u);     // not a stream that can be read
constexpr HRESULT VIDEO_E_NOTHINGTOPLAY = HRESULT(0x80040F02u);  // no video or audio that decodes
constexpr HRESULT VIDEO_E_NOTREADY = HRESULT(0x80040F03u);       // no file has been rendered

// Event codes handed out by GetEvent.
constexpr int32_t EVENT_COMPLETE = 1;    // every frame shown and the last sound's time passed

// What the player did; for logs and tests.
struct PlaybackStats {
    int32_t videoFrames = 0;        // decoded
    int32_t framesShown = 0;        // drawn and presented in the window
    int32_t framesDropped = 0;      // decoded but late: a later frame was already due
    uint64_t audioFrames = 0;       // sample frames decoded
    uint64_t audioFramesQueued = 0; // of those, written to the sound buffer in time
    uint32_t durationMs = 0;        // media time of the end, known once the end was read
    int32_t width = 0, height = 0;  // of the video stream
    bool hasVideo = false;
    bool hasAudio = false;
    bool soundOutput = false;       // a sound buffer plays the audio
};

// One presented frame, for tests that watch the picture.
struct PresentedFrame {
    int32_t index;          // 0-based among decoded frames
    uint32_t ptsMs;         // its media time
    uint32_t mediaMs;       // the playback clock when it was drawn
    bool drawn;             // false without a window or GL context
    uint8_t centre[4];      // RGBA read back from the middle of the window after drawing
};

class Player {
public:
    Player();
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Opens `path` (a file-system path) and builds decoders for its first video and first
    // audio stream. Sound goes to a streaming buffer of `sound`; with null the player makes a
    // system of its own on audio::GetDefaultOutput() for its lifetime, and plays without sound
    // when it cannot. Only one file per player.
    HRESULT RenderFile(const char* path, audio::SoundSystem* sound);

    // The window drawn into: a GL context of the player's own is made on it now and deleted
    // (with the previous context made current again) when the owner changes or the player
    // goes. Null detaches.
    void SetOwner(os::WindowHandle window);
    // The client rectangle drawn into while not full screen.
    void SetWindowPosition(int left, int top, int right, int bottom);
    // Full screen: the picture fills the whole window, keeping its shape (black bars).
    void SetFullScreen(bool on);
    void SetVisible(bool on);
    void SetAutoShow(bool on);
    // Hides the pointer while the picture shows.
    void HideCursor(bool hide);
    // Every queued event posts `message` (wParam 0, lParam as given) to `window`.
    void SetNotifyWindow(os::WindowHandle window, uint32_t message, intptr_t lParam);

    // Pause cues the first frame; Run starts the clock and the sound; Stop halts both.
    HRESULT Pause();
    HRESULT Run();
    HRESULT Stop();

    // Plays for `ms` milliseconds of the os clock on the calling thread, waiting through
    // video::Sleep between frames.
    void Pump(uint32_t ms);

    // Takes the oldest queued event; false when there is none.
    bool GetEvent(int32_t* code);

    PlaybackStats Stats() const;
    // Called after each frame is presented (tests); reading back the centre costs a GL read.
    void SetPresentObserver(std::function<void(const PresentedFrame&)> observer);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The waits of playback. Tests that drive os::SetTimeSource replace the sleep so that it
// moves their clock instead; an empty function restores the real sleep.
void SetSleepFunction(std::function<void(uint32_t ms)> sleep);
void Sleep(uint32_t ms);

}  // namespace video
