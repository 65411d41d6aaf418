// libFuzzer target: any bytes as "Game.cfg", loaded at start-up as the game does; every value that
// loads must lie in its range.
#include "fuzz/save_fuzz.h"

SAVE_FUZZ_TARGET("game_cfg", "Game.cfg", LoadGameConfig(), IsValidGameSettings(g_GameSettings))
