#pragma once

#include <cstdint>

struct CellRef;

// Highlighted path-map cells, each in its own colour, as one triangle list.
void DrawGridCells(const CellRef* cells, const uint32_t* colours, int count);
// One line between two points.
void BeginDebugDraw(float x0, float y0, float z0, float x1, float y1, float z1, uint32_t colour);
