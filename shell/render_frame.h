// Draws and presents one frame for the application mode, with the test and statistics overlays.
#pragma once

#include <cstdint>

#include "core/frame_stats.h"

// Help lines of the character-viewer overlay (F1 in test mode).
extern uint8_t g_ViewerHelp;

void RenderFrame();
void BeginRenderFrame();
void RenderWorldPasses();
void DrawTestOverlays();
void EndRenderFrame();
void UpdateFrameRate();
void DrawStatsOverlay();
void DrawCharacterViewerOverlay();

