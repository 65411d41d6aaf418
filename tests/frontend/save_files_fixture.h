// A fresh working folder and front end for the option, player and campaign file tests.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "common/random.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "frontend/campaign.h"
#include "frontend/menu.h"
#include "frontend/player_saves.h"
#include "frontend/settings_files.h"
#include "platform/os/path.h"
#include "support/temp_dir.h"

class SaveFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.emplace();
        Reset();
        g_Settings.SetDefaults();
    }
    void TearDown() override {
        os::SetWriteLimitForTests(-1);
        Reset();
        dir.reset();
        ResetPackFiles();
    }
    static void Reset() {
        ResetMenu();
        g_Settings.Clear();
        ResetSettingsFiles();
        ResetOptionsShellCalls();
        ClearCampaign();
        ClearEquipmentLists();
        os::ForgetFolders();
        SeedRandom(1);
    }
    void Write(const std::string& name, const std::string& bytes) {
        dir->Write(name, bytes);
        os::ForgetFolders();
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir->path() / name); }
    std::string Read(const std::string& name) const { return dir->Read(name); }

    // A record of the side put into a slot of its table.
    static PlayerRecord* Put(int side, int slot, const char* name, uint32_t level = 0) {
        PlayerRecord r;
        MakeRandomPlayer(side, &r);
        std::snprintf(r.look.name, sizeof r.look.name, "%s", name);
        r.level = level;
        CopyPlayerToSlot(side, slot, r);
        return g_Menu.playerTables.records[side][slot];
    }

    std::optional<ScopedWorkDir> dir;
};
