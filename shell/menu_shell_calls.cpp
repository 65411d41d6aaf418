#include "frontend/menu_calls.h"

#include "platform/os/os.h"
#include "shell/control.h"
#include "shell/input_system.h"
#include "shell/main_loop.h"
#include "shell/music.h"
#include "shell/sound.h"
#include "shell/startup.h"
#include "render/video.h"

namespace {

constexpr MenuShellCalls kRealCalls = {
    [](int id) { PlayFx(id, nullptr, 0); },
    [](const char* name, bool loop) {
        if (MusicPlayer* music = g_SoundManager.musicPlayer) music->Play(name, loop);
    },
    [](uint32_t ms) {
        if (MusicPlayer* music = g_SoundManager.musicPlayer) music->Stop(ms);
    },
    [] { StopAllFx(FX_COUNT); },
    StartGame,
    ReleaseGame,
    [] { g_Video.Destroy(); },
    InitVideo,
    [] { g_QuitRequest = 1; },
    [] { g_Control.SelectMode(); },
    [] { g_Control.cameraPitch = 0.0f; },
    ClearKeyboardState,
    TakeTypedChar,
    os::SetCursorPos,
    os::GetAsyncKeyState,
};

}  // namespace

MenuShellCalls g_MenuShellCalls = kRealCalls;

void ResetMenuShellCalls() { g_MenuShellCalls = kRealCalls; }
