#include "render/adapter_table.h"

AdapterTable g_AdapterTable;

// Filled by the adapter and mode enumeration of the graphics layer.
bool AdapterTable::Enumerate() { return false; }
