// Small services the set-up and options panels share: their feedback sound and the tooltip.
#pragma once

#include <cstddef>

// Plays a front-end sound through the shell.
void PanelSound(int id);
// The menu's tooltip shows text-table entry `textId` at the pointer for this frame.
void ShowPanelTip(int textId);
// A text-table entry, empty when it is missing.
const char* PanelText(int textId);
// Bounded formatted copy; always terminated.
void PanelPrint(char* out, size_t capacity, const char* format, ...);
