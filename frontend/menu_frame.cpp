// The front end's frame: Enter and Escape, the 3D cursor and light, the 2D screen's frame, the
// 3D buttons of pages 0 and 1, the transition page 24 with its network actions, the tooltip and
// the fader; and the front end's two drawing passes.
#include <cmath>
#include <cstdio>

#include "core/settings.h"
#include "frontend/menu.h"
#include "frontend/menu_calls.h"
#include "frontend/menu_screens.h"
#include "frontend/overlays.h"
#include "frontend/sprite2d.h"
#include "frontend/texture_font.h"
#include "net/net_client.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "render/geometry.h"
#include "render/index_buffer_table.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture_manager.h"
#include "render/vertex_buffer_table.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/glow.h"
#include "scene/light_node.h"
#include "scene/scene.h"
#include "shell/mouse.h"
#include "world/dynamic_mesh.h"

namespace {

constexpr Vec3 kLightPlanePoint{0, 0, -0.3f};
constexpr Vec3 kCursorPlanePoint{0, 0, -18.0f};
constexpr int kNetworkSetupPage = 6;
constexpr int kResultsCopyPage = 17;
constexpr int kNetworkResultsPage = 18;

void PlayFx(int id) {
    if (g_MenuShellCalls.playFx) g_MenuShellCalls.playFx(id);
}

bool KeyPressedSinceLastQuery(int vk) { return (os::GetAsyncKeyState(vk) & 1) != 0; }

struct ButtonAction {
    int target;         // -1: no transition
    int gameType;       // 0: unchanged
    int sounds[2];      // 0: none
};

constexpr ButtonAction kMainActions[4] = {
    {1, 0, {200, 204}},
    {6, 0, {200, 204}},
    {8, 0, {204, 0}},
    {-1, 0, {200, 0}},
};

constexpr ButtonAction kPlayTypeActions[6] = {
    {3, 1, {200, 204}}, {4, 1, {200, 204}}, {3, 2, {204, 0}},
    {4, 2, {204, 0}},   {2, 2, {200, 204}}, {0, 0, {200, 205}},
};

constexpr MenuNetCalls kSessionCalls = {
    [](bool host, const char* name, uint32_t port, const char* address) {
        return g_NetSession.Start(host, name, port, address);
    },
    [](int index) { return g_NetSession.JoinSession(index); },
    [] { g_NetSession.Stop(); },
    StopSessionSearch,
};

bool IsBusy(const Text3D& b) { return b.text && b.animation != TEXT3D_STILL; }

void StartTransition(Menu& m, int target) {
    m.page = PAGE_TRANSITION;
    m.targetPage = target;
    for (int k = 0; k < m.buttonCount; ++k) m.buttons[k].StartAnimation(TEXT3D_FLY_OUT);
    g_Fader.FadeOut();
}

void RunAction(Menu& m, int page, int k) {
    const ButtonAction& a = page == PAGE_MAIN ? kMainActions[k] : kPlayTypeActions[k];
    if (a.gameType) m.gameType = a.gameType;
    if (page == PAGE_MAIN && k == 1) m.previousPage = PAGE_MAIN;
    if (a.target >= 0)
        StartTransition(m, a.target);
    else if (m.screens)
        m.screens->OpenQuitBox();
    for (int fx : a.sounds)
        if (fx) PlayFx(fx);
}

void StepButton(Menu& m, int page, int k) {
    Text3D& b = m.buttons[k];
    const int actions = page == PAGE_MAIN ? 4 : 6;
    if (b.text && b.IsUnderCursor()) {
        if (b.animation == TEXT3D_STILL) b.StartAnimation(TEXT3D_WAVE);
        // The held button triggers (the page turns 24 at once, so it runs once), and so does a
        // press already released again: on a slow frame the whole click falls between two frames.
        const MouseButtonState& left = g_Mouse.buttons[MOUSE_LEFT];
        if ((left.held || left.pressed) && k < actions && m.page == page) RunAction(m, page, k);
    } else if (b.animation != TEXT3D_STILL) {
        b.stop = 1;
    }
    b.Update3DText();
}

// The network page on its join tab, which searches afresh as it opens: a client start and a
// failed join land there, where the player can pick a session again.
void OpenJoinTab(Menu& m) {
    m.previousPage = PAGE_NETWORK_CLIENT;
    m.targetPage = kNetworkSetupPage;
    g_Fader.FadeIn();
}

// Turns the network targets into the page that follows them.
void ResolveTarget(Menu& m) {
    switch (m.targetPage) {
    case 0:
        if (m.previousPage == 6) {
            m.ClearPlayerTables();
            m.saveMode = 2;
            m.LoadPlayerSaves(2);
        }
        g_Fader.FadeIn();
        break;
    case PAGE_NETWORK_CLIENT:
        // The client announces the player's stored name.
        if (!g_MenuNetCalls.start(false, g_Multiplayer.playerName, g_Multiplayer.secondPort,
                                  g_Multiplayer.hostAddress)) {
            g_MenuNetCalls.stop();
            m.targetPage = 0;
        } else {
            OpenJoinTab(m);
        }
        break;
    case PAGE_JOIN_SESSION: {
        const int chosen = m.screens ? m.screens->chosenSession : -1;
        if (g_MenuNetCalls.join(chosen)) {
            os::SetCursor(nullptr);
            m.targetPage = PAGE_START_MATCH;
        } else {
            OpenJoinTab(m);
        }
        if (m.screens) m.screens->chosenSession = -1;
        break;
    }
    case PAGE_HOST_SESSION:
        if (g_MenuNetCalls.start(true, g_Multiplayer.playerName, g_Multiplayer.port, g_Multiplayer.hostAddress)) {
            m.targetPage = PAGE_START_MATCH;
        } else {
            g_MenuNetCalls.stop();
            m.targetPage = 0;
        }
        break;
    case PAGE_CLOSE_SESSION:
        g_MenuNetCalls.stopSearch();
        g_MenuNetCalls.stop();
        m.targetPage = 0;
        break;
    case PAGE_TRANSITION: case PAGE_START_MATCH: case PAGE_QUIT: break;
    default: g_Fader.FadeIn(); break;
    }
}

void RunTransition(Menu& m) {
    bool busy = false;
    for (int k = 0; k < m.buttonCount; ++k) {
        m.buttons[k].Update3DText();
        busy = busy || IsBusy(m.buttons[k]);
    }
    // A finished fade-out holds the screen black; that does not count as running.
    if (busy || g_Fader.running) return;
    if (m.screens) {
        m.screens->ReleaseScreen(m.screens->screen);
        m.screens->confirm.Reset();
        m.screens->notice.Reset();
    }
    m.ShowLoadingPicture();
    ResolveTarget(m);
    ShowScreenPicture();
    for (int k = 0; k < m.buttonCount; ++k) m.buttons[k].Release();
    m.buttonCount = 0;
    m.BuildPage(m.targetPage);
}

// Keeps the tooltip on the screen and puts its shadow one pixel right and down.
void PlaceTooltip(Menu& m) {
    TextLabel& t = m.tooltip;
    if (!t.visible) return;
    float x = t.x;
    float top = t.y - t.h;
    if (top < 0.0f) top = 0.0f;
    if (top + t.h >= 1.0f) top = 1.0f - t.h;
    if (x - t.w / 2.0f < 0.0f) x = t.w / 2.0f;
    if (x + t.w / 2.0f >= 1.0f) x = 1.0f - t.w / 2.0f;
    t.SetPosition(x, top);
    m.tooltipShadow.SetText(t.text ? t.text : "");
    m.tooltipShadow.SetPosition(x + 1.0f / SpriteScreenWidth(), top + 1.0f / SpriteScreenHeight());
    m.tooltipShadow.visible = 1;
}

// The point where the ray meets the plane through p facing the camera; p itself when the ray
// runs along the plane.
Vec3 OnPlane(const Ray& ray, const Vec3& n, const Vec3& p) {
    const float dn = Vec3Dot(ray.direction, n);
    if (std::fabs(dn) < 0.0001f) return p;
    const float t = -(Vec3Dot(n, ray.origin) - Vec3Dot(n, p)) / dn;
    return Vec3Add(ray.origin, Vec3Scale(ray.direction, t));
}

void DrawTestOverlay() {
    const float sw = SpriteScreenWidth(), sh = SpriteScreenHeight();
    char line[96];
    if (sw != 0.0f && sh != 0.0f) {
        std::snprintf(line, sizeof line, "Rat\xf3n: X %4.2f Y %4.2f", float(g_Mouse.x) / sw, float(g_Mouse.y) / sh);
        g_Font.DrawText(0.0f, 0.0f, g_Settings.textColour, 0, line);
    }
    const Scene& s = g_Scene;
    struct Row {
        const char* format;
        uint32_t used, capacity;
    };
    const Row rows[5] = {
        {"No. mallas: %d/%d", s.meshes ? s.meshes->count : 0, s.meshes ? s.meshes->Capacity() : 0},
        {"No. vertex buffer: %d/%d", s.vertexBuffers ? s.vertexBuffers->held : 0u,
         s.vertexBuffers ? s.vertexBuffers->Capacity() : 0u},
        {"No. index buffer: %d/%d", s.indexBuffers ? s.indexBuffers->held : 0u,
         s.indexBuffers ? s.indexBuffers->Capacity() : 0u},
        {"No. materiales: %d/%d", s.materials ? s.materials->count : 0, s.materials ? s.materials->Capacity() : 0},
        {"No. texturas: %d/%d", s.textures ? s.textures->count : 0, s.textures ? s.textures->Capacity() : 0},
    };
    float y = 30.0f;
    for (const Row& r : rows) {
        std::snprintf(line, sizeof line, r.format, int(r.used), int(r.capacity));
        g_Font.DrawText(0.0f, y, 0xffffffffu, 0, line);
        y += 20.0f;
    }
    std::snprintf(line, sizeof line, "Textos refcount: %d", int(g_LabelCanvas.users));
    g_Font.DrawText(0.0f, y, 0xffffffffu, 0, line);
}

}  // namespace

void Menu::Update() {
    enterPressed = KeyPressedSinceLastQuery(os::VK_RETURN) ? 1 : 0;
    escapePressed = KeyPressedSinceLastQuery(os::VK_ESCAPE) ? 1 : 0;
    hoverA = hoverB = -1;
    PlaceCursor();
    if (!g_Fader.running && screens) screens->Update();
    switch (page) {
    case PAGE_MAIN:
        // While the quit question is open the buttons neither react nor move.
        if (screens && screens->boxOpen) break;
        for (int k = 0; k < buttonCount; ++k) StepButton(*this, PAGE_MAIN, k);
        break;
    case PAGE_PLAY_TYPE:
        for (int k = 0; k < buttonCount; ++k) StepButton(*this, PAGE_PLAY_TYPE, k);
        break;
    case PAGE_TRANSITION: RunTransition(*this); break;
    default: break;
    }
    PlaceTooltip(*this);
    g_Fader.Update();
    g_Mouse.prevX = g_Mouse.x;
    g_Mouse.prevY = g_Mouse.y;
    g_Mouse.ClearEdges();
}

MenuNetCalls g_MenuNetCalls = kSessionCalls;

void ResetMenuNetCalls() { g_MenuNetCalls = kSessionCalls; }

void Menu::OnSessionEnded() {
    // A match's results, and the page they led on to, stay up: their session is the match's,
    // over by now, however late its end is heard.
    const auto results = [](int p) { return p == PAGE_RESULTS || p == kResultsCopyPage || p == kNetworkResultsPage; };
    if (results(page) || results(previousPage)) return;
    // Through the transition, so that page 0 is built again rather than merely named.
    if (active) StartTransition(*this, PAGE_MAIN);
}

void OnSessionEndedInFrontEnd() { g_Menu.OnSessionEnded(); }

void Menu::PlaceCursor() {
    const Camera* camera = g_Scene.camera;
    Vec3 lightAt = kLightPlanePoint, cursorAt = kCursorPlanePoint;
    if (camera) {
        Ray ray{};
        ScreenPointToRay(&ray, g_Mouse.x, g_Mouse.y, *camera);
        const Plane& f = camera->planes[0];
        const Vec3 n{f.a, f.b, f.c};
        lightAt = OnPlane(ray, n, kLightPlanePoint);
        cursorAt = OnPlane(ray, n, kCursorPlanePoint);
    }
    if (menuLight) menuLight->position = lightAt;
    // The cursor's draw rebuilds its world matrix from the new place.
    if (auto* cursor = dynamic_cast<DynamicMesh*>(cursorModel)) cursor->SetPosition(cursorAt);
}

void Menu::Render() {
    if (g_Scene.materials) g_Scene.materials->ResetCache();
    gfx::Device* d = g_Video.GetDevice();
    if (background && d) {
        g_Video.SetZEnable(false);
        d->SetTextureStageState(0, gfx::D3DTSS_MINFILTER, gfx::D3DTEXF_POINT);
        d->SetTextureStageState(0, gfx::D3DTSS_MAGFILTER, gfx::D3DTEXF_POINT);
        background->Draw();
        d->SetTextureStageState(0, gfx::D3DTSS_MINFILTER, gfx::D3DTEXF_LINEAR);
        d->SetTextureStageState(0, gfx::D3DTSS_MAGFILTER, gfx::D3DTEXF_LINEAR);
        g_Video.SetZEnable(true);
    }
    DrawScreens2D();
    if (g_Settings.test) DrawTestOverlay();
}

void DrawScreens2D() {
    g_Video.Begin2D();
    if (g_Menu.screens) g_Menu.screens->DrawScreen();
    g_Video.End2D();
}

void Menu::RenderCursor() {
    g_Video.SetZEnable(false);
    if (tooltip.visible) {
        DrawTextLabel(&tooltip);
        tooltip.visible = 0;
        DrawTextLabel(&tooltipShadow);
        tooltipShadow.visible = 0;
    }
    if (cursorModel) cursorModel->Draw();
}
