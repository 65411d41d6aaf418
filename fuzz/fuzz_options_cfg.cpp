// libFuzzer target: any bytes as "Options.cfg", loaded at start-up as the game does; every value that
// loads must lie in its range.
#include "fuzz/save_fuzz.h"

SAVE_FUZZ_TARGET("options_cfg", "Options.cfg", LoadOptionsConfig(), IsValidOptions(g_Options))
