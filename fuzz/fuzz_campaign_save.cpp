// libFuzzer target: any bytes as a one-player campaign save with its own player after the block;
// the block and the player that load must hold only values in range, and a refused one changes nothing.
#include "fuzz/save_fuzz.h"

namespace {

bool LoadsValid() {
    g_Menu.gameType = 1;
    PlayerRecord own;
    MakeRandomPlayer(0, &own);
    // A save cut short is refused, leaving the cleared campaign as it was.
    if (!LoadCampaign(0, 0, &own)) return g_Campaign.slot == -1 && SanitisePlayerRecord(&own, 0, false);
    return IsValidCampaign(g_Campaign, 0) && SanitisePlayerRecord(&own, 0, false) && g_Settings.difficulty <= 2;
}

}  // namespace

SAVE_FUZZ_TARGET("campaign_save", "Saves/CAMPAIGNS/GCO00.dat", , LoadsValid())
