// libFuzzer target: any bytes as "Multiplayer.cfg", loaded at start-up as the game does; every value that
// loads must lie in its range.
#include "fuzz/save_fuzz.h"

SAVE_FUZZ_TARGET("multiplayer_cfg", "Multiplayer.cfg", LoadMultiplayerConfig(), IsValidMultiplayer(g_Multiplayer))
