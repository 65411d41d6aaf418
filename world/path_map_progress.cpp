#include <cinttypes>
#include <cstdio>

#include "core/settings.h"
#include "frontend/texture_font.h"
#include "platform/os/os.h"
#include "render/video.h"
#include "world/path_map_build.h"

namespace {

constexpr uint64_t kMillion = 1000000;
constexpr float kLineY[6] = {0.0f, 50.0f, 90.0f, 120.0f, 150.0f, 180.0f};

const char* const kTitles[PATH_BUILD_STEPS] = {
    "Paso 1/5 - Procesando Caras...",
    "Paso 2/5 - Procesando Celdas...",
    "Paso 3/5 - Procesando Sectores...",
    "Paso 4/5 - Procesando Puntos de Salto...",
    "Paso 5/5 - Procesando Accesibilidad de Sectores...",
};

void FormatClock(char* line, size_t size, const char* label, uint64_t ms) {
    const uint64_t s = ms / 1000;
    std::snprintf(line, size, "%s: %02d:%02d:%02d", label, int(s / 3600), int(s / 60 % 60), int(s % 60));
}

void Show(int step, uint64_t current, uint64_t total) {
    PathMapBuildState& b = g_PathMapBuild;
    const uint64_t previous = b.step == step ? b.lastCount : 0;
    b.lastCount = current;
    const uint64_t unit = ProgressUnit(step, total);
    if (current != total && current / unit == previous / unit) return;
    FormatProgress(step, current, total, os::timeGetTime() - b.stepStart, &b.text);
    ++b.screens;
    // Tests and measurements build without a screen.
    if (!g_Video.device) return;
    g_Video.Clear(0xFF000000u);
    g_Video.BeginScene();
    for (int i = 0; i < 6; ++i)
        g_Font.DrawText(0.0f, kLineY[i], i < 2 ? g_Settings.brightTextColour : g_Settings.textColour, 0, b.text.lines[i]);
    g_Video.EndScene();
    g_Video.Present();
}

}  // namespace

uint64_t ProgressUnit(int step, uint64_t total) {
    if (step != 4) return 1000;
    return total < kMillion ? 10000 : kMillion;
}

void FormatProgress(int step, uint64_t current, uint64_t total, uint32_t elapsedMs, ProgressText* out) {
    const size_t size = sizeof out->lines[0];
    std::snprintf(out->lines[0], size, "%s", "Calculando Mapa de Alturas");
    std::snprintf(out->lines[1], size, "%s", step >= 1 && step <= PATH_BUILD_STEPS ? kTitles[step - 1] : "");
    switch (step) {
        case 1: std::snprintf(out->lines[2], size, "Cara: %" PRIu64 " -> %" PRIu64, total, current); break;
        case 2: std::snprintf(out->lines[2], size, "Celda: %" PRIu64 " -> %" PRIu64, total, current); break;
        case 4:
            if (total >= kMillion)
                std::snprintf(out->lines[2], size, "Puntos posibles de Salto: %" PRIu64 "M -> %" PRIu64 "M",
                              total / kMillion, current / kMillion);
            else
                std::snprintf(out->lines[2], size, "Puntos posibles de Salto: %" PRIu64 " -> %" PRIu64, total, current);
            break;
        default: std::snprintf(out->lines[2], size, "Sector: %" PRIu64 " -> %" PRIu64, total, current); break;
    }
    // No count yet gives no estimate beyond the time spent.
    const uint64_t estimate = current > 0 ? uint64_t(elapsedMs) * total / current : elapsedMs;
    FormatClock(out->lines[3], size, "Tiempo Total", estimate);
    FormatClock(out->lines[4], size, "Tiempo Restante", estimate > elapsedMs ? estimate - elapsedMs : 0);
    std::snprintf(out->lines[5], size, "Porcentaje: %" PRIu64 "%%", total > 0 ? current * 100 / total : 0);
}

void PathMap::Progress(uint64_t current, uint64_t total) { Show(1, current, total); }
void PathMap::ProgressCells(uint64_t current, uint64_t total) { Show(2, current, total); }
void PathMap::ProgressSectors(uint64_t current, uint64_t total) { Show(3, current, total); }
void PathMap::ProgressJumps(uint64_t current, uint64_t total) { Show(4, current, total); }
void PathMap::ProgressAccess(uint64_t current, uint64_t total) { Show(5, current, total); }
