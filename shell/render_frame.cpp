#include "shell/render_frame.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "fighters/character.h"
#include "fighters/movement.h"
#include "frontend/hud.h"
#include "frontend/menu.h"
#include "frontend/overlays.h"
#include "frontend/texture_font.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "render/debug_draw.h"
#include "render/geometry.h"
#include "render/render_octree.h"
#include "render/video.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/light_slots.h"
#include "scene/scene.h"
#include "shell/control.h"
#include "shell/mouse.h"
#include "core/settings.h"
#include "world/map_editor.h"
#include "world/path_map.h"
#include "world/scenario.h"

uint8_t g_ViewerHelp = 0;

namespace {

constexpr int kCellBatch = 500;
constexpr uint32_t kPlainFontFlags = 0;

// Collects highlighted cells and draws them 500 at a time.
class CellBatch {
public:
    void Add(const CellRef& cell, uint32_t colour) {
        cells_.push_back(cell);
        colours_.push_back(colour);
        if (int(cells_.size()) == kCellBatch) Flush();
    }
    void Flush() {
        if (!cells_.empty()) DrawGridCells(cells_.data(), colours_.data(), int(cells_.size()));
        cells_.clear();
        colours_.clear();
    }
    ~CellBatch() { Flush(); }

private:
    std::vector<CellRef> cells_;
    std::vector<uint32_t> colours_;
};

void Text(float x, float y, uint32_t colour, const char* format, ...) __attribute__((format(printf, 4, 5)));
void Text(float x, float y, uint32_t colour, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    g_Font.DrawText(x, y, colour, kPlainFontFlags, line);
}

void DrawOctreeDebug() {
    if (g_Control.octreeDraw && g_Scene.renderOctree) g_Scene.renderOctree->DrawDebug();
}

// The viewer's height figure: whole metres between the geometry's lowest and highest points.
int MapHeightMetres(const PathMap& map) { return int(map.max.y - map.min.y); }

uint32_t LayerColour(int layer) {
    static const uint32_t kColours[6] = {0x800000FF, 0x8000FF00, 0x80FF0000, 0x80FFFF00, 0x80FF00FF, 0x8000FFFF};
    return kColours[layer < 5 ? layer : 5];
}

void DrawLayersOverlay(const PathMap& map) {
    CellBatch batch;
    for (int x = 0; x < map.cols; ++x)
        for (int z = 0; z < map.rows; ++z) {
            if (map.CellFlags(CellRef{x, z, 0})) continue;
            for (int layer = 0; layer < map.LayerCount(x, z); ++layer) batch.Add(CellRef{x, z, layer}, LayerColour(layer));
        }
}

void DrawSectorsOverlay(const PathMap& map) {
    std::vector<CellRef> jumps;
    {
        CellBatch batch;
        for (int x = 0; x < map.cols; ++x)
            for (int z = 0; z < map.rows; ++z)
                for (int layer = 0; layer < map.LayerCount(x, z); ++layer) {
                    CellRef cell{x, z, layer};
                    uint32_t colour;
                    if (map.HasJump(cell)) {
                        colour = 0x80FF0000;
                        jumps.push_back(cell);
                    } else if (map.IsJumpLanding(cell)) {
                        colour = 0x80800000;
                    } else {
                        colour = map.SectorColour(map.SectorOf(cell));
                    }
                    batch.Add(cell, colour);
                }
    }
    for (const CellRef& cell : jumps) {
        CellRef target;
        map.JumpTarget(&target, cell);
        if (!map.IsValidCell(target)) continue;
        Vec3 a, b;
        map.CellToWorld(&a, cell);
        map.CellToWorld(&b, target);
        BeginDebugDraw(a.x, a.y, a.z, b.x, b.y, b.z, 0x80FFFFFF);
    }
}

void DrawPlannedPaths(const PathMap* map) {
    CellBatch batch;
    for (const Character& c : g_Characters) {
        if (!c.active || c.pathLength <= 0) continue;
        // A path being followed shows in the second colours.
        const uint32_t ahead = c.following ? 0x80FF6464 : 0x806464FF;
        const uint32_t at = c.following ? 0x80FFAAAA : 0x80AAAAFF;
        const uint32_t behind = c.following ? 0x80AA4646 : 0x804646AA;
        const int count = c.pathLength < PATH_POINTS_MAX ? c.pathLength : PATH_POINTS_MAX;
        for (int i = 0; i < count; ++i) {
            const CellRef& cell = c.pathPoints[i];
            if (!map || !map->IsValidCell(cell)) continue;
            batch.Add(cell, i > c.pathIndex ? ahead : i == c.pathIndex ? at : behind);
        }
    }
}

}  // namespace

void UpdateFrameRate() {
    uint32_t now = os::timeGetTime();
    if (g_FrameStats.rateTime == 0) {
        g_FrameStats.rateTime = now;
        g_FrameStats.rateCounter = g_FrameStats.frameCounter;
        return;
    }
    float elapsed = float(now - g_FrameStats.rateTime) * 0.001f;
    if (elapsed <= 0.5f) return;
    g_FrameStats.frameRate = float(g_FrameStats.frameCounter - g_FrameStats.rateCounter) / elapsed;
    g_FrameStats.rateTime = now;
    g_FrameStats.rateCounter = g_FrameStats.frameCounter;
}

void BeginRenderFrame() {
    UpdateFrameRate();
    ++g_FrameStats.frameCounter;
    if (g_Scene.lightSlots) g_Scene.lightSlots->DisableAll();
    if (g_Scene.camera) g_Scene.camera->Update();
    uint32_t colour = g_Settings.backgroundColour;
    if (g_Scenario.number == 7) colour = 0xFF6A7376;
    if (g_Scenario.number == 18) colour = 0xFF9B892E;
    g_Video.Clear(colour);
    if (g_Scene.skyTexture >= 0) g_Scene.skyLayer = 1;
    g_Video.BeginScene();
}

void RenderWorldPasses() {
    switch (g_Control.fillMode) {
    case 0: g_Scene.Render(); break;
    case 1:
        g_Scene.Render();
        g_Video.RestoreStates();
        g_Video.SetWireframe(true);
        g_Scene.Render();
        g_Video.SetWireframe(false);
        break;
    case 2:
        g_Video.SetWireframe(true);
        g_Scene.Render();
        g_Video.SetWireframe(false);
        break;
    default: break;
    }
}

void EndRenderFrame() {
    g_Video.EndScene();
    g_Video.Present();
}

void DrawTestOverlays() {
    if (!g_Settings.test) return;
    g_Video.RestoreStates();
    const PathMap* map = ScenarioPathMap();
    if (map && g_Settings.pathDebug1) DrawLayersOverlay(*map);
    if (map && g_Settings.pathDebug2) DrawSectorsOverlay(*map);
    DrawPlannedPaths(map);
}

void DrawStatsOverlay() {
    const uint32_t text = g_Settings.textColour;
    const uint32_t bright = g_Settings.brightTextColour;
    if (g_Settings.mode == 2) {
        // Each line twice: a black shadow one pixel down and right, then the colour.
        auto shadowed = [](float y, uint32_t colour, const char* line) {
            g_Font.DrawText(4.0f, y + 1.0f, 0xFF000000u, kPlainFontFlags, line);
            g_Font.DrawText(3.0f, y, colour, kPlainFontFlags, line);
        };
        const PathMap* map = ScenarioPathMap();
        char line[256];
        std::snprintf(line, sizeof(line), "Visor de Escenarios - Esc %d", g_Scenario.number);
        shadowed(3, 0xFFAAAAFF, line);
        const uint32_t c = 0xFF7878FF;
        std::snprintf(line, sizeof(line), "FPS: %1.1f", double(g_FrameStats.frameRate));
        shadowed(28, c, line);
        std::snprintf(line, sizeof(line), "Pol total: %ld", long(g_Scene.renderOctree ? g_Scene.renderOctree->polygonCount : 0));
        shadowed(53, c, line);
        std::snprintf(line, sizeof(line), "Pol render: %ld", long(g_PolygonsDrawn));
        shadowed(73, c, line);
        std::snprintf(line, sizeof(line), "Tam (AnchoxLargoxAlto): %dx%dx%dm", map ? map->cols : 0, map ? map->rows : 0,
                      map ? MapHeightMetres(*map) : 0);
        shadowed(98, c, line);
        std::snprintf(line, sizeof(line), "Sectores: %d", map ? map->sectorCount : 0);
        shadowed(123, c, line);
        std::snprintf(line, sizeof(line), "Sectores Intransitables: %d", g_FrameStats.impassableSectors);
        shadowed(143, c, line);
        std::snprintf(line, sizeof(line), "Superficie Transitable: %ldm2", long(g_FrameStats.walkableSurface));
        shadowed(163, c, line);
        std::snprintf(line, sizeof(line), "Puntos de salto: %ld", long(g_FrameStats.jumpPoints));
        shadowed(183, c, line);
        return;
    }
    if (g_Settings.mode != 0) return;

    Text(0, 0, text, "FPS: %1.1f", double(g_FrameStats.frameRate));
    Text(0, 30, text, "No. poligonos: %d", int(g_PolygonsDrawn));
    float y = 90;
    if (g_Control.controlMode == 0 && g_Scene.camera) {
        Ray ray;
        ScreenPointToRay(&ray, g_Mouse.x, g_Mouse.y, *g_Scene.camera);
        Vec3 hit;
        Character* who = nullptr;
        if (g_Scenario.RayQuery(ray, 1000.0f, &hit, nullptr, 7, &who, nullptr, nullptr, nullptr)) {
            Text(0, 90, text, "Colision: %1.3f, %1.3f, %1.3f", double(hit.x), double(hit.y), double(hit.z));
            CellRef cell{};
            const PathMap* map = ScenarioPathMap();
            if (map) map->WorldToCell(hit, &cell, 100.0f);
            Text(0, 110, text, "Mapa: %d,%d (%d)", cell.x, cell.z, cell.layer);
            y = 140;
        }
    }
    if (!IsNetworkActive()) {
        static const char* const kLabels[PATH_BAND_COUNT] = {
            "Tray cortas (<50m): %d (%ldmsg)", "Tray medias (<150m): %d (%ldmsg)", "Tray largas (<500m): %d (%ldmsg)",
            "Tray muy largas: %d (%ldmsg)", "Tray no encontradas: %d (%ldmsg)"};
        for (int i = 0; i < PATH_BAND_COUNT; ++i) {
            char line[128];
            std::snprintf(line, sizeof(line), kLabels[i], int(g_PathSearchStats.count[i]),
                          long(g_PathSearchStats.meanMs[i]));
            g_Font.DrawText(0, y, text, kPlainFontFlags, line);
            y += 30;
        }
        y -= 10;
        const CellRef& failed = g_PathSearchStats.lastFailedGoal;
        Text(0, y, text, "(%d,%d,%d)", failed.x, failed.z, failed.layer);
        y += 30;
    } else {
        Character* local = g_Control.localCharacter;
        Text(0, y, bright, "NumPlayers: %d", g_NetSession.GetPlayerCount());
        y += 30;
        Text(0, y, text, "Id Player: %d, %u", local ? local->slot : -1, local ? local->playerId : 0u);
        y += 40;
        if (g_Control.secondTick) g_NetSession.UpdateTrafficRates();
        const NetSession::Traffic& t = g_NetSession.traffic;
        Text(0, y, bright, "Datos Recibidos/Enviados:");
        y += 30;
        Text(0, y, text, "Trafico(bytes/sg): %d, %d", t.bytesPerSecond[0], t.bytesPerSecond[1]);
        y += 30;
        Text(0, y, text, "NumDatos: %d, %d", t.data[0], t.data[1]);
        y += 30;
        Text(0, y, text, "MaxDatos: %d, %d", t.maxData[0], t.maxData[1]);
        y += 30;
        Text(0, y, text, "NumPaquetes: %d, %d", t.packets[0], t.packets[1]);
        y += 30;
        Text(0, y, text, "Invulnerabilidad: %d, %d", g_Characters[0].states[STATE_INVULNERABILITY].active,
             g_Characters[1].states[STATE_INVULNERABILITY].active);
        y += 30;
        auto targetId = [](const Character& c) { return c.attackTarget ? int(c.attackTarget - g_Characters) : -1; };
        Text(0, y, text, "Ptarget: %d, %d", targetId(g_Characters[0]), targetId(g_Characters[1]));
        y += 30;
    }
    if (g_Characters[0].active) {
        Text(0, y, text, "Col. Arriba: %d", g_Characters[0].ceilingContact);
        Text(0, y + 30, text, "Col. Frente: %d", g_Characters[0].wallContact);
        Text(0, y + 60, text, "Col. Abajo:  %d", g_Characters[0].groundContact);
    }
}

void DrawCharacterViewerOverlay() {
    const uint32_t text = g_Settings.textColour;
    Text(0, 0, g_Settings.brightTextColour, "%s - Visor de personajes", "Brimvale");
    Text(0, 20, text, "FPS: %1.1f", double(g_FrameStats.frameRate));
    Text(0, 50, text, "No. poligonos: %d", int(g_PolygonsDrawn));
    Text(0, 80, text, "%s", g_ViewerHelp ? "F1 - Ocultar ayuda" : "F1 - Mostrar ayuda");
    if (!g_ViewerHelp) return;
    int animation = -1, frameCount = 0;
    float frame = 0.0f;
    if (g_Control.viewerModel) g_Control.viewerModel->GetAnimationInfo(0, &animation, &frame, &frameCount);
    float y = 110;
    auto line = [&](const char* s) {
        Text(0, y, text, "%s", s);
        y += 20;
    };
    Text(0, y, text, "Animacion(+/-) %d (%1.1f/%d)", animation, double(frame), frameCount);
    y += 20;
    Text(0, y, text, "FPS(o/p) %1.1f", double(g_Control.viewerRate));
    y += 20;
    Text(0, y, text, "Interpolacion(k/l) %dms", int(g_Control.viewerBlend));
    y += 20;
    line("Toggle avance(i)");
    line(g_Control.showBones ? "Mostrar malla(b)" : "Mostrar bones(b)");
    line("Centrar personaje(c)");
    line("Toggle iluminacion(v)");
    line(g_Video.wireframe ? "F9 - Malla solida" : "F9 - Malla wireframe");
    line("Reload animaciones(r)");
}

void RenderFrame() {
    g_PolygonsDrawn = 0;
    g_DrawCalls = 0;
    g_Video.RestoreStates();
    switch (g_Settings.mode) {
    case 0:
        // Between the end of a match and the menu there is nothing to show.
        if (!g_Menu.active && !g_Control.localCharacter) return;
        BeginRenderFrame();
        if (g_Menu.active) g_Menu.Render();
        RenderWorldPasses();
        if (g_Menu.active) g_Menu.RenderCursor();
        if (g_MapEditor.playTest) g_MapEditor.Render();
        DrawOctreeDebug();
        DrawTestOverlays();
        if (!g_Menu.active && g_Settings.hud) g_Hud.Draw();
        if (g_MapEditor.playTest) g_MapEditor.DrawHud();
        if (g_Settings.statistics) DrawStatsOverlay();
        g_Fader.Draw();
        EndRenderFrame();
        break;
    case 1:
        UpdateFrameRate();
        ++g_FrameStats.frameCounter;
        if (g_Scene.lightSlots) g_Scene.lightSlots->DisableAll();
        if (g_Scene.camera) g_Scene.camera->Update();
        g_Video.Clear(g_Settings.backgroundColour);
        g_Video.BeginScene();
        g_Scene.EnableHeadlight(true);
        RenderWorldPasses();
        if (g_Control.showBones && g_Control.viewerModel) g_Control.viewerModel->DrawBones();
        if (g_Settings.test && g_Settings.statistics) DrawCharacterViewerOverlay();
        g_Video.EndScene();
        g_Video.Present();
        break;
    case 2:
        BeginRenderFrame();
        RenderWorldPasses();
        DrawOctreeDebug();
        DrawTestOverlays();
        if (g_Settings.statistics) DrawStatsOverlay();
        EndRenderFrame();
        break;
    case 3:
        BeginRenderFrame();
        RenderWorldPasses();
        g_MapEditor.Render();
        g_MapEditor.DrawHud();
        EndRenderFrame();
        break;
    default: break;
    }
}
