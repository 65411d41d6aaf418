#include "shell/video_playback.h"

#include <memory>
#include <string>

#include "platform/os/path.h"
#include "core/debug_log.h"
#include "shell/sound.h"

VideoPlayback g_VideoPlayback = {nullptr, 0, {}, 0};

void ResetVideoPlayback() { g_VideoPlayback = VideoPlayback{nullptr, 0, {}, 0}; }

HRESULT PlayVideo(const char* fileName, os::WindowHandle window) {
    if (!fileName) fileName = "";
    WriteDebugLogF("Reproduciendo video %s", fileName);

    auto player = std::make_unique<video::Player>();
    player->SetVisible(true);
    player->SetAutoShow(true);
    const std::string path = os::ResolvePath(fileName);
    // Before InitAudio the sound manager has no output yet; the player then opens its own.
    HRESULT hr = player->RenderFile(path.c_str(), g_SoundManager.sound.get());
    player->HideCursor(true);
    if (hr >= 0) {
        player->SetOwner(window);
        player->SetNotifyWindow(window, WM_GRAPHNOTIFY, 0);
        int width = 0, height = 0;
        if (window) os::GetClientSize(window, &width, &height);
        player->SetWindowPosition(0, 0, width, height);
        player->SetFullScreen(true);
    } else {
        WriteDebugLogF("No se pudo abrir el video %s (0x%08X)", fileName, unsigned(hr));
    }

    g_VideoPlayback.events = player.get();
    g_VideoPlayback.startTime = os::timeGetTime();
    player->HideCursor(true);

    if (hr >= 0) {
        player->Pause();
        player->SetVisible(true);
        hr = player->Run();
        if (hr >= 0) {
            bool done = false;
            while (!done) {
                // The loop's wait: the video plays on meanwhile.
                player->Pump(VIDEO_LOOP_MS);
                os::Message msg;
                if (os::PeekMessage(&msg, os::PM_NOREMOVE)) {
                    os::PeekMessage(&msg, os::PM_REMOVE);
                    os::TranslateMessage(&msg);
                    HandleVideoMessage(&done, msg);
                }
            }
        }
    }

    player->Stop();
    player->SetOwner(nullptr);
    g_VideoPlayback.lastStats = player->Stats();
    g_VideoPlayback.events = nullptr;
    player.reset();
    video::Sleep(100);
    video::Sleep(100);
    return hr;
}

void HandleVideoMessage(bool* done, const os::Message& msg) {
    if (!done) return;
    const bool skippable = os::timeGetTime() - g_VideoPlayback.startTime > VIDEO_SKIP_DELAY_MS;
    switch (msg.id) {
    case WM_GRAPHNOTIFY:
        if (video::Player* player = g_VideoPlayback.events) {
            int32_t code = 0;
            while (player->GetEvent(&code)) {
                if (code == video::EVENT_COMPLETE) *done = true;
            }
        }
        break;
    case os::WM_KEYDOWN:
        switch (int(msg.wParam)) {
        case os::VK_ESCAPE:
        case os::VK_LWIN:
        case os::VK_RWIN:
        case os::VK_LMENU:
        case os::VK_RMENU: *done = true; break;
        case os::VK_RETURN:
        case os::VK_SPACE:
            if (skippable) *done = true;
            break;
        default: break;
        }
        break;
    case os::WM_SYSKEYDOWN: *done = true; break;
    case os::WM_CLOSE:
        // The close button, a signal or a window taken away: the window procedure must still
        // see it, so the start-up passes it on after the video.
        *done = true;
        g_VideoPlayback.closeRequested = 1;
        break;
    case os::WM_LBUTTONDOWN:
    case os::WM_RBUTTONUP:
        if (skippable) *done = true;
        break;
    default: break;   // swallowed: nothing reaches the window procedure during a video
    }
}
