// libFuzzer target: any bytes as "Training.cfg", loaded at start-up as the game does; every value that
// loads must lie in its range.
#include "fuzz/save_fuzz.h"

SAVE_FUZZ_TARGET("training_cfg", "Training.cfg", LoadTrainingConfig(),
                 IsValidTraining(g_Training) && IsValidGameSettings(g_GameSettings))
