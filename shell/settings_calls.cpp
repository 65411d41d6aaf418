#include "core/settings.h"
#include "fighters/character.h"
#include "frontend/menu.h"
#include "frontend/player_saves.h"

namespace {

constexpr SettingsCalls kRealCalls = {
    [](int32_t quality) { g_ModelQuality = quality; },
    [](int sides) { g_Menu.LoadPlayerSaves(sides); },
    LoadOptionsConfig,
    StoreOptions,
    LoadMultiplayerConfig,
    LoadTrainingConfig,
    LoadGameConfig,
    [] { g_Menu.StoreGameSettings(); },
    SelectStoredPlayer,
    IsStencilSupported,
    SetDefaultDisplayMode,
};

}  // namespace

SettingsCalls g_SettingsCalls = kRealCalls;

void ResetSettingsCalls() { g_SettingsCalls = kRealCalls; }
