#include "shell/startup.h"

#include <ctime>

#include "common/random.h"
#include "effects/effects.h"
#include "frontend/menu.h"
#include "net/session.h"
#include "render/video.h"
#include "shell/clocks.h"
#include "shell/debug_log.h"
#include "shell/input_system.h"
#include "shell/main_loop.h"
#include "shell/settings.h"
#include "world/scenario.h"

bool InitApp(os::WindowProc proc) {
    SeedRandom(uint32_t(std::time(nullptr)));
    g_Settings.LoadIni();
    if (g_Settings.debug) g_FileList.Create();

    if (!os::Init()) return false;
    os::WindowDesc desc;
    desc.title = "Brimvale";
    desc.proc = proc;
    desc.doubleClicks = true;
    desc.popup = g_Settings.fullScreen != 0;
    if (desc.popup) os::GetScreenSize(&desc.width, &desc.height);
    g_Window = os::CreateMainWindow(desc);
    if (!g_Window) return false;
    os::ShowWindow(g_Window, true);

    // The start-up videos play here unless PRUEBAS is on, once video playback lands.
    g_Input.Init(g_Window);
    // The video device, the texture font and sound start here once the video object,
    // the font and the sound layer land; until then frames find no device and skip.
    InitAudio();
    InitClocks();
    if (g_Settings.frontEnd) g_Menu.BuildPage(0);
    // With the front end off the match, viewer or editor world is built here once the
    // match start-up lands.
    return true;
}

// The sound layer fills this: effect tables, the effect bank and the music players.
void InitAudio() {}

void FillVideoSettings(VideoSettings* out) {
    out->window = g_Window;
    out->adapter = g_Settings.adapter;
    out->width = g_Settings.width;
    out->height = g_Settings.height;
    out->bitsPerPixel = uint8_t(g_Settings.bitsPerPixel);
    out->windowed = g_Settings.fullScreen ? 0 : 1;
    out->depthStencil = g_Settings.characterShadow;
    out->multisample = uint8_t(g_Settings.multisample);
    out->anisotropic = g_Settings.anisotropic;
}

bool ReleaseGame(bool full) {
    g_NetSession.Stop();
    ReleaseEffects();
    g_ElementMap.Release();
    if (g_Menu.active) g_Menu.Release();
    if (!full) return true;
    ShutdownClocks();
    g_FileList.Destroy();
    g_Input.Release();
    os::Shutdown();
    return true;
}
