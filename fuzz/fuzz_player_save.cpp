// libFuzzer target: any bytes as a player save, read the way the enemy records and the player
// tables read theirs; what loads must be a record of the file's side with every value in range.
#include "fuzz/save_fuzz.h"

namespace {

bool LoadsValid() {
    PlayerRecord record;
    if (!g_Menu.LoadEnemyRecord(0, 1, &record)) return false;
    return SanitisePlayerRecord(&record, 1, false);
}

}  // namespace

SAVE_FUZZ_TARGET("player_save", "Saves/CV/PlV00.dat", , LoadsValid())
