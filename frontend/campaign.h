// Campaign saves: a team of up to four player records of one side playing the scenarios stage
// by stage. The open campaign lives in one block; each campaign is one file under
// "Saves\\CAMPAIGNS", the block and, for the one-player campaign, its own player record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "frontend/equipment_lists.h"
#include "frontend/player_record.h"

constexpr size_t CAMPAIGN_BLOCK_SIZE = 192032;
constexpr int CAMPAIGN_NAME_SIZE = 260;
constexpr int CAMPAIGN_MEMBERS = 4;
constexpr int CAMPAIGN_STAGES = 4;
constexpr int CAMPAIGN_FINISHED = 100;
constexpr int CAMPAIGN_SCENARIOS = 20;
constexpr int CAMPAIGN_SCENARIO_BYTES = 9524;
constexpr int CAMPAIGN_ENEMY_LEVELS = 20;
constexpr int32_t MAX_PENDING_POINTS = 7500;
constexpr int CAMPAIGN_PLAYED = 0;   // bytes 0-5 of a scenario record: kinds played there
constexpr int CAMPAIGN_WON = 9;      // bytes 9-14: kinds won there

struct EnemyLevelRow {
    int32_t minimumLevel;
    float value;
};

struct CampaignBlock {
    uint32_t difficulty;
    int32_t slot;                                   // -1 in a cleared block
    char name[CAMPAIGN_NAME_SIZE];
    uint32_t side;
    int32_t members[CAMPAIGN_MEMBERS];              // player slots, -1 none
    int32_t pendingPoints[CAMPAIGN_MEMBERS];        // 0..7500
    uint32_t stage;                                 // 0..3, or 100 when finished
    int32_t credits;                                // of the results and shop screens
    int32_t inventory[EQUIPMENT_KIND_COUNT][INVENTORY_PER_KIND];   // -1 empty
    EnemyLevelRow enemyLevels[CAMPAIGN_ENEMY_LEVELS];
    uint8_t scenarios[CAMPAIGN_SCENARIOS][CAMPAIGN_SCENARIO_BYTES];
};

extern CampaignBlock g_Campaign;
// The modification times List found, by slot (0 when unknown).
extern int64_t g_CampaignTimes[1000];

// All zero except the slot (-1) and the inventory (all -1).
void ClearCampaign();

std::vector<uint8_t> EncodeCampaign(const CampaignBlock& block);
// The bytes laid over a cleared block field by field, then every value checked for a campaign of
// `side`; a value out of range takes the cleared block's.
void DecodeCampaign(const uint8_t* data, size_t size, int side, CampaignBlock* out);
bool IsValidCampaign(const CampaignBlock& block, int side);

// The save of a slot for the menu's play type ("" for a side or slot out of range).
const char* CampaignPath(int side, int slot, char* out, size_t capacity);
int FirstFreeCampaignSlot(int side);
// The one-player campaign is written with its own player from the first, and not without one.
bool CreateCampaign(int side, const char* name, const int32_t members[CAMPAIGN_MEMBERS],
                    const PlayerRecord* own = nullptr);
bool SaveCampaign(int side, int slot, const PlayerRecord* record);
// False, with the open campaign and `record` as they were, for a file that cannot be opened and for
// a damaged one (which is logged and kept as it is).
bool LoadCampaign(int side, int slot, PlayerRecord* record);
// A campaign file read into a block of the caller's, the open campaign left alone.
bool ReadCampaignBlock(int side, int slot, CampaignBlock* out, PlayerRecord* record);
// A save that ends inside its block (other than the older form), or a one-player campaign's
// without a player of its own after the block.
bool IsCampaignDamaged(int side, int slot);
// The list's caption of a save cut short (its file's name, marked damaged); false for any other.
bool DamagedCampaignCaption(int side, int slot, char* out, size_t capacity);
// The campaign file's own name, without its folder: short enough for a notice's one line.
std::string CampaignFileName(int side, int slot);
int ListCampaigns(int side);
bool DeleteCampaign(int side, int slot);
bool IsStageComplete();
void AdvanceStage();
// A campaign match's result block (264 words) applied to member i's record.
void ApplyMatchResults(const uint32_t* results, int member);
void SpendPendingPoints(int member, PlayerRecord* record);
bool StoreMember(int slot, const PlayerRecord& record);
int32_t AverageEnemyLevel();
// The open campaign's level-table entry of an enemy record number at its current stage.
bool FindEnemyLevel(uint32_t identifier, EnemyLevelRow* out);
// A beaten enemy's level and experience kept in that entry; false outside the stage's 20.
bool StoreEnemyLevel(uint32_t identifier, const EnemyLevelRow& row);
// The highest value point spending raises attribute k (0-4) to.
float CampaignAttributeCap(int k);
