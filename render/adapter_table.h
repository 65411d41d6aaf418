#pragma once

// Adapters, display modes and capabilities, enumerated once before any window exists.
class AdapterTable {
public:
    bool Enumerate();
};

extern AdapterTable g_AdapterTable;
