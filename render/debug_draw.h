// Flat-coloured lines, polygons and highlighted path-map cells for the test overlays, and the
// cursor show loop. Nothing here keeps state.
#pragma once

#include <cstdint>

#include "common/math.h"

struct CellRef;
struct PathLayer;

// Position and colour, vertex format XYZ | DIFFUSE.
struct DebugVertex {
    float x, y, z;
    uint32_t colour;
};
constexpr uint32_t DEBUG_VERTEX_FVF = 0x42;

// Shows or hides the mouse cursor whatever the display count was; returns the last count.
int ShowMouseCursor(bool show);
// One line between two points, in a saved and restored state block.
void BeginDebugDraw(float x0, float y0, float z0, float x1, float y1, float z1, uint32_t colour);
// A fan of count % 256 points (at least 3) in one colour.
void DrawDebugPolygon(const Vec3* points, int count, uint32_t colour);
void DrawDebugTriangleList(const DebugVertex* vertices, int triangleCount);
// The quad of a cell layer, raised just above the ground: A, B, C, D.
void GridCellCorners(const PathLayer& layer, float offX, float offZ, const CellRef& cell, Vec3 out[4]);
// Cells of the scenario's path map (nothing while none is loaded).
void DrawGridCell(const CellRef& cell, uint32_t colour);
void DrawGridCells(const CellRef* cells, const uint32_t* colours, int count);
// The same with the cells' layer records already looked up (layers[i] for cells[i]).
void DrawGridCellLayers(const CellRef* cells, const PathLayer* const* layers, const uint32_t* colours, int count,
                        float offX, float offZ);
