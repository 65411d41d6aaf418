// The start-up videos: each plays modally over the main window before the video device exists,
// until it ends or the player skips it. Messages taken meanwhile go only to HandleVideoMessage,
// never to the window procedure.
#pragma once

#include <cstdint>

#include "common/result.h"
#include "platform/os/os.h"
#include "platform/video/video.h"

// The message through which the playing video reports its events to the main window.
constexpr uint32_t WM_GRAPHNOTIFY = 0x40D;
// Enter, Space and the mouse skip a video only once it has played this long.
constexpr uint32_t VIDEO_SKIP_DELAY_MS = 4000;
// The modal loop looks at one message per this many milliseconds.
constexpr uint32_t VIDEO_LOOP_MS = 100;

struct VideoPlayback {
    video::Player* events;          // the playing video, null between videos
    uint32_t startTime;             // os::timeGetTime() once the video was set up
    video::PlaybackStats lastStats; // of the last video released
    uint8_t closeRequested;         // the window was closed while a video played
};
extern VideoPlayback g_VideoPlayback;

// Plays a video file (a game path) in `window`. The result of reading the file or of starting
// it; a file that is missing or cannot be read is skipped after the debug log line.
HRESULT PlayVideo(const char* fileName, os::WindowHandle window);
// Sets *done when the message ends the video. A close of the window ends it too, and is kept in
// g_VideoPlayback.closeRequested for the start-up to act on once the video is gone.
void HandleVideoMessage(bool* done, const os::Message& msg);

// Back to the state before any video (tests).
void ResetVideoPlayback();
