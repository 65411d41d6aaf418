// The front end's stored files fed to their readers: each target writes the input where the game
// looks for the file, loads it as the game does and aborts when what loaded is out of range.
#pragma once

#include <cstdlib>
#include <filesystem>

#include "core/debug_log.h"
#include "core/settings.h"
#include "frontend/campaign.h"
#include "frontend/menu.h"
#include "frontend/player_saves.h"
#include "frontend/settings_files.h"
#include "fuzz/scratch_folder.h"
#include "platform/os/path.h"

namespace fuzzsupport {

// The start state of a run: "Brimvale.ini"'s built-in values, empty blocks and player tables.
inline void ResetFrontEnd() {
    g_Menu.ClearPlayerTables();
    g_Menu.saveMode = 2;
    g_Menu.gameType = 2;
    g_Settings.Clear();
    g_Settings.SetDefaults();
    ResetSettingsFiles();
    ClearCampaign();
    os::ForgetFolders();
}

inline void Require(bool valid) {
    if (!valid) std::abort();
}

}  // namespace fuzzsupport

// A target that stores the input as `file`, runs `load` and requires `valid`.
#define SAVE_FUZZ_TARGET(tag, file, load, valid)                                  \
    extern "C" int LLVMFuzzerInitialize(int*, char***) {                          \
        fuzzsupport::EnterScratchFolder(tag);                                     \
        const std::filesystem::path folder = std::filesystem::path(file).parent_path(); \
        if (!folder.empty()) std::filesystem::create_directories(folder);         \
        return 0;                                                                 \
    }                                                                             \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {     \
        fuzzsupport::ResetFrontEnd();                                             \
        fuzzsupport::WriteScratchFile(file, data, size);                          \
        load;                                                                     \
        fuzzsupport::Require(valid);                                              \
        return 0;                                                                 \
    }
