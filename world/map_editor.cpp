#include "world/map_editor.h"

MapEditor g_MapEditor;

// The element-map editor fills this: its keys, palette and placement.
void MapEditor::Tick() {}
// The element-map editor fills these.
void MapEditor::Render() {}
void MapEditor::DrawHud() {}
