#include "shell/startup.h"

#include <ctime>

#include "common/random.h"
#include "effects/effects.h"
#include "frontend/menu.h"
#include "net/session.h"
#include "render/gamma.h"
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
    if (!InitVideo()) return false;
    // The texture font starts here once the font lands.
    InitAudio();
    InitClocks();
    if (g_Settings.frontEnd) g_Menu.BuildPage(0);
    // With the front end off the match, viewer or editor world is built here once the
    // match start-up lands.
    return true;
}

bool InitVideo() {
    if (g_Settings.debug) {
        WriteDebugLogSeparator();
        WriteDebugLog("Inicializanmdo el sistema de video...");
        WriteDebugLogSeparator();
    }
    VideoSettings vs;
    FillVideoSettings(&vs);
    if (!g_Video.Create(vs)) {
        WriteDebugLog("Fallo al inicializar el sistema de Video!");
        return false;
    }
    g_Video.Clear(0xFF000000u);
    SetBrightness(g_Settings.gamma);
    return true;
}

// The sound layer fills this: effect tables, the effect bank and the music players.
void InitAudio() {}

void FillVideoSettings(VideoSettings* out) {
    out->window = g_Window;
    out->adapter = int8_t(g_Settings.adapter);
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
    g_Video.Destroy();
    ShutdownClocks();
    g_FileList.Destroy();
    g_Input.Release();
    os::Shutdown();
    return true;
}
