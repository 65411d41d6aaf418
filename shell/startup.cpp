#include "shell/startup.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "common/random.h"
#include "effects/effects.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/hud.h"
#include "frontend/loading_screen.h"
#include "frontend/menu.h"
#include "frontend/text_table.h"
#include "frontend/texture_font.h"
#include "net/session.h"
#include "render/gamma.h"
#include "render/material_table.h"
#include "render/video.h"
#include "scene/scene.h"
#include "core/clocks.h"
#include "core/data_problems.h"
#include "shell/control.h"
#include "core/debug_log.h"
#include "shell/input_system.h"
#include "shell/main_loop.h"
#include "shell/music.h"
#include "shell/render_frame.h"
#include "core/settings.h"
#include "shell/sound.h"
#include "shell/video_playback.h"
#include "world/element_map.h"
#include "world/path_map.h"
#include "world/scenario.h"

namespace {

// How long a client waits for the host to assign its fighter.
constexpr uint32_t kFighterWaitMs = 30000;

void CreateTestFont() { g_Font.Create("Comic Sans MS", 20, 0); }

// Pumps window messages and the network until the host assigns our fighter and the rest of its
// answer is in, the session ends or the wait runs out. True when a fighter was assigned.
bool WaitForLocalFighter() {
    uint32_t start = os::timeGetTime();
    os::Message msg;
    // The drain stops a session that ended, which clears its flag: either ends the wait. The
    // answer's rest may come in later packets than the fighter.
    while ((!g_Control.localCharacter || g_GamePacket.joining != JOIN_DONE) && !g_SessionTerminated &&
           g_NetSession.active) {
        if (os::timeGetTime() - start > kFighterWaitMs) break;
        while (os::PeekMessage(&msg, os::PM_REMOVE)) {
            os::TranslateMessage(&msg);
            os::DispatchMessage(&msg);
        }
        g_NetSession.ProcessIncoming();
    }
    return g_Control.localCharacter != nullptr;
}

// Abandons a match that cannot start and opens the front end on its first page.
void ReturnToFrontEndStart() {
    StopAllFx(FX_COUNT);
    ReleaseGame(false);
    g_Font.Release();
    g_Video.Destroy();
    SetDefaultDisplayMode();
    InitVideo();
    g_Scene.Create();
    SetActiveClock(CLOCK_MENU);
    g_Menu.BuildPage(0);
}

// Leaves through the program's normal shut-down with a failing code, once what is wrong was told
// and shown: nothing waits on what failed.
void EndWithFailingCode() {
    ReleaseGame(false);
    os::PostQuitMessage(1);
}

// A match that cannot start, with what is wrong already told: the message is shown over the
// loading picture, then the front end opens on its first page, or, with the front end off, the
// program ends.
void AbandonMatch() {
    ShowDataProblems();
    g_LoadingScreen.Release();
    if (g_Settings.frontEnd) {
        ReturnToFrontEndStart();
        return;
    }
    EndWithFailingCode();
}

// What the open front end lacks of what it cannot be used without, for the player: its texts
// (the words of the first pages' buttons) or every one of its pictures (the pages' backgrounds
// and the widgets' arrows and buttons); empty when it has both. A few pictures missing only
// leave their widgets out, as the pages skip them.
std::string MenuMissingData() {
    const bool texts = g_TextTable.IsLoaded();
    bool pictures = g_Menu.background != nullptr;
    for (const Sprite2D* p : g_Menu.pictures) pictures = pictures || p != nullptr;
    std::string missing;
    if (!texts) missing = "its texts (textos.txt)";
    if (!pictures) {
        if (!missing.empty()) missing += " and ";
        missing += "its pictures (Texturas\\Interfaz\\Menu\\)";
    }
    return missing;
}

// The front end on its first page. Without its texts or its pictures it would be a black screen
// with no button to leave by: what it lacks is told and the program ends, as a match that cannot
// start without the front end does.
void OpenFrontEnd() {
    g_Menu.BuildPage(PAGE_MAIN);
    const std::string missing = MenuMissingData();
    if (missing.empty()) return;
    TellDataProblemF("The menu cannot open without %s, which could not be loaded: the game ends.", missing.c_str());
    ShowDataProblems();
    EndWithFailingCode();
}

uint32_t TimeOfDaySeed() { return uint32_t(std::time(nullptr)); }

}  // namespace

StartupSeedSource g_StartupSeed = TimeOfDaySeed;

void ResetStartupSeed() { g_StartupSeed = TimeOfDaySeed; }

void CountPathMapStatistics() {
    g_FrameStats.impassableSectors = 0;
    g_FrameStats.walkableSurface = 0;
    g_FrameStats.jumpPoints = 0;
    const PathMap* map = ScenarioPathMap();
    if (!map) return;
    for (int s = 0; s < map->sectorCount; ++s)
        if (map->IsSectorIsolated(s)) ++g_FrameStats.impassableSectors;
    for (int x = 0; x < map->cols; ++x)
        for (int z = 0; z < map->rows; ++z) {
            int layers = map->LayerCount(x, z);
            g_FrameStats.walkableSurface += layers;
            for (int l = 0; l < layers; ++l)
                if (map->HasJump(CellRef{x, z, l})) ++g_FrameStats.jumpPoints;
        }
}

bool InitApp(os::WindowProc proc) {
    SeedRandom(g_StartupSeed ? g_StartupSeed() : TimeOfDaySeed());
    g_VideoPlayback.closeRequested = 0;
    g_Settings.LoadIni();
    if (g_Settings.debug) g_FileList.Create();

    if (!os::Init()) return false;
    // What the settings file lacks is shown before anything else can fail because of it.
    ShowDataProblems();
    if (g_Settings.mode < 0 || g_Settings.mode > 3) return false;
    os::WindowDesc desc;
    desc.title = "Brimvale";
    desc.proc = proc;
    desc.doubleClicks = true;
    desc.popup = g_Settings.fullScreen != 0;
    if (desc.popup) os::GetScreenSize(&desc.width, &desc.height);
    g_Window = os::CreateMainWindow(desc);
    if (!g_Window) return false;
    os::ShowWindow(g_Window, true);

    if (!g_Settings.test) {
        PlayVideo("Logo.mpg", g_Window);
        if (!g_VideoPlayback.closeRequested) PlayVideo("Intro.mpg", g_Window);
    }
    if (g_VideoPlayback.closeRequested) {
        // Closed during a video: nothing more starts; the close reaches the window procedure
        // from the main loop, which then ends through the normal shut-down.
        os::PostMessage(g_Window, os::WM_CLOSE, 0, 0);
        return true;
    }
    g_Input.Init(g_Window);
    if (!InitVideo()) return false;
    if (g_Settings.mode == 2)
        g_Font.Create("Tahoma", 14, 0);
    else if (g_Settings.test || g_Settings.mode == 3)
        // The editor's panels print with the font: without it they would stand blank.
        CreateTestFont();
    InitAudio();
    InitClocks();
    if (!g_Settings.frontEnd)
        StartGame();
    else
        OpenFrontEnd();
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

void InitAudio() {
    if (g_Settings.sound) LoadSoundConfig();
    g_SoundManager.Init(g_Window, SOUND_VOICE_COUNT);
    LoadFxBank(FX_COUNT);
    CreateMusicPlayer();
    CreateStreamPlayer();
}

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

void ChooseLocalFighter() {
    for (Character& c : g_Characters) {
        if (c.active && c.side == g_Match.localSide) {
            g_Control.localCharacter = &c;
            g_Menu.localSlot = c.slot;
            c.SelectDefaultPower();
            return;
        }
    }
}

void StartGame() {
    const int mode = g_Settings.mode;
    if (g_Menu.active) {
        LeaveFrontEnd();
        g_Font.Release();
        g_Video.Destroy();
        InitVideo();
        if (g_Settings.test) CreateTestFont();
    }
    g_Scene.Create();
    os::ShowCursor(false);
    g_LoadingScreen.Load();
    g_LoadingScreen.Show(0.1f);
    SetActiveClock(CLOCK_MATCH);

    if (g_NetSession.active) {
        g_Settings.scenarioId = g_NetSession.scenarioId;
        g_Settings.gameKind = g_NetSession.gameKind;
        g_Menu.gameKind = g_NetSession.gameKind;
    }
    // A kind no match has would play no rules and place no one: refused as a missing scenario is.
    const int kind = g_Settings.gameKind;
    if ((mode == 0 || mode == 3) && (kind < 0 || kind >= MATCH_KINDS)) {
        TellDataProblemF("There is no game kind %d%s: the match cannot start (the kinds are 0 to %d).", kind,
                         g_Settings.frontEnd ? "" : " (K_GAME in Brimvale.ini)", MATCH_KINDS - 1);
        AbandonMatch();
        return;
    }
    g_Match.Setup(g_Settings.gameKind, g_Settings.localSide);
    g_Control.Init();
    // The results mark only a fighter this match gives this machine, never an earlier match's.
    g_Menu.localSlot = -1;

    if (mode == 1) {
        // The viewer's scenario is only a backdrop for the figures; they show without it.
        g_Scenario.Load(SCENARIO_VIEWER);
    } else {
        const int number = g_Settings.scenarioId;
        if (!g_Scenario.Load(number)) {
            WriteDebugLogF("ERROR: no se pudo cargar el escenario %d", number);
            char file[96];
            ScenarioSceneFile(number, file, sizeof file);
            TellDataProblemF("Scenario %d could not be loaded: %s is missing or damaged.", number, file);
            AbandonMatch();
            return;
        }
        if (mode == 3) os::ShowCursor(true);
    }
    if (mode != 2) LoadSkeletons(1);
    char skeleton[64];
    if (mode == 0 && FindMissingSkeleton(skeleton, sizeof skeleton)) {
        TellDataProblemF("The fighters' model %s could not be loaded: it is missing or damaged.", skeleton);
        AbandonMatch();
        return;
    }
    g_LoadingScreen.Show(1.0f);

    // The viewers run no match.
    if (mode == 3)
        g_ElementMap.InitMatch();
    else if (mode == 0)
        g_ElementMap.LoadForMatch(g_Match.gameKind);
    SpawnLocalPlayer();
    g_Scenario.SetupSpringsAndPortals();

    ChooseLocalFighter();
    // Without its fighter nothing of the match is drawn; a network game gets it from the host.
    if (mode == 0 && !g_NetSession.active && !g_Control.localCharacter) {
        char map[96];
        ElementFilePath(g_Scenario.number, map, sizeof map);
        TellDataProblemF("No fighter of side %d is placed for game kind %d in %s: the match cannot start.",
                         g_Match.localSide, g_Match.gameKind, map);
        AbandonMatch();
        return;
    }
    if (mode == 2) CountPathMapStatistics();
    if (g_Scenario.row && g_Scenario.row->fog && g_Scene.skyTexture >= 0 && g_Scene.materials)
        g_Scene.materials->AddSpecialLayerAll();

    g_Control.SelectMode();
    CenterCursor();
    g_Match.Start();
    if (mode == 0) g_Hud.Load();
    g_LoadingScreen.Release();
    g_Match.startTime = GetTime(CLOCK_MATCH);
    g_Match.stateTime = GetTime(CLOCK_MATCH);

    if (g_NetSession.active) {
        g_GamePacket.Flush();
        if (!WaitForLocalFighter()) {
            WriteDebugLog(g_SessionTerminated || !g_NetSession.active ? "NET ERROR - la sesion termino sin personaje asignado"
                                             : "NET ERROR - tiempo agotado esperando personaje");
            ReturnToFrontEndStart();
            return;
        }
        Character* local = g_Control.localCharacter;
        local->AttachToScene();
        local->SetAnimation(local->side == 0 ? 190 : 192, 0, 0, 0);
        g_GamePacket.WriteAttachToScene(local->slot);
    }

    if (mode == 0) {
        // A client's words are the host's, which its join answer told: its own items may count
        // letters the host's side has spelled already.
        if (!g_NetSession.active || g_NetSession.hosting) g_Match.EnableWords();
        // Ambient loops follow the listener.
        const ScenarioRow* row = g_Scenario.row;
        if (row && row->rain) PlayFx(182, &g_Control.cameraTarget, 5);
        if (row && row->sound2) PlayFx(185, &g_Control.cameraTarget, 5);
        if (MusicPlayer* music = g_SoundManager.musicPlayer) {
            music->Stop(3000);
            if (g_Settings.music) {
                char name[16];
                std::snprintf(name, sizeof(name), "m%02d.wav", g_Settings.gameKind);
                music->Play(name, true);
            }
        }
    }
}

bool LeaveFrontEnd() {
    ReleaseEffects();
    if (g_Menu.active) g_Menu.Release();
    FreeSkeletons();
    g_Hud.Release();
    g_Scenario.Unload();
    g_Match.Release();
    g_ElementMap.Release();
    g_Scene.Destroy(false);
    return true;
}

bool ReleaseGame(bool full) {
    g_NetSession.Stop();
    ReleaseEffects();
    FreeSkeletons();
    g_Hud.Release();
    g_Scenario.Unload();
    g_Match.Release();
    g_ElementMap.Release();
    if (g_Menu.active) g_Menu.Release();
    g_Scene.Destroy(true);
    if (!full) return true;
    g_Font.Release();
    // Sound was always created, whatever the switches say now.
    ShutdownSound(FX_COUNT);
    g_Video.Destroy();
    ShutdownClocks();
    g_FileList.Destroy();
    g_Input.Release();
    os::Shutdown();
    return true;
}
