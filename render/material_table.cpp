#include "render/material_table.h"

// Filled by the material table's special layer.
void MaterialTable::RemoveSpecialLayerAll() {}
void MaterialTable::AddSpecialLayerAll() {}

// Filled by the material table's set-material cache.
void MaterialTable::ResetCache() {}
