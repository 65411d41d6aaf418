// The player tables of the front end and their save files: one file per record under "Saves",
// the record (132 bytes) then its statistics (44 bytes), named by side prefix and slot
// ("Saves\\Orlins\\PlO05.dat"). The folder family follows the menu's save mode and play type, so
// training, campaign and multiplayer profiles stay apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/binary_reader.h"
#include "frontend/menu.h"
#include "frontend/player_record.h"

class SkinImageCache;

constexpr size_t PLAYER_RECORD_SIZE = 132;
constexpr size_t PLAYER_STATS_SIZE = 44;
constexpr int PLAYER_STATS_WORDS = 11;
constexpr int PLAYER_NAME_TEXTS = 214;   // a new record's name is one of the first texts

struct PlayerStats {
    uint32_t words[PLAYER_STATS_WORDS];
};

// The record's bytes over `out` field by field (a short read keeps the rest of `out`), then
// sanitised for a record of `side`. False when not all 132 bytes were there.
bool ReadPlayerRecord(BinaryReader& reader, int side, PlayerRecord* out);
void WritePlayerRecord(BinaryWriter& writer, const PlayerRecord& record);
// Side forced to `side`; level, attributes, team, name and look numbers out of range back to a
// new record's values. With `fix` false only tells whether anything was out of range.
bool SanitisePlayerRecord(PlayerRecord* record, int side, bool fix);

// The save file of a slot for the folder of load mode `mode` ("" for a side or slot out of range).
std::string PlayerSavePath(int side, int slot, int mode);

// Writes the record and statistics of a slot; false when the slot is out of range, empty, or the
// file cannot be written (the old file then stays).
bool SavePlayer(int side, int slot);
// A slot holding a record read again from its save (the folder of the menu's save mode); false,
// the slot unchanged, when the file cannot be opened.
bool ReloadPlayerSave(int side, int slot);
// Empties the slot and deletes its file.
void DeletePlayerSave(int side, int slot);
// A copy of the record and zeroed statistics in the first empty slot of the record's side; the
// slot, or -1 when all 1000 are used.
int AddPlayerRecord(const PlayerRecord& record);
// A new record of the side with a random name; see the .cpp for where it goes.
int MakeDefaultPlayer(int side);
// The first slot holding a record (with `freeOnly`, one with no team), -1 when none.
int FindFreePlayerSlot(int side, bool freeOnly);
// The next or previous slot holding a record after `slot`, cyclic over 0..999; -1 when none.
int NextPlayerSlot(int side, int slot, bool freeOnly);
int PreviousPlayerSlot(int side, int slot, bool freeOnly);
// A record copied whole between a slot and a caller's buffer; false for an empty or bad slot.
bool CopyPlayerFromSlot(int side, int slot, PlayerRecord* out);
bool CopyPlayerToSlot(int side, int slot, const PlayerRecord& record);
// At start-up: the player the game settings name, or else the first of side 0's table, or else
// side 1's; nothing when both are empty.
void SelectStoredPlayer();
// A new player of level n in `slot` of its side's table, saved.
bool CreatePlayerAtLevel(PlayerRecord* record, int slot, int level, float word28);
// The record's skin composed on the fighter of a character slot and its look pieces put on.
void ApplyPlayerToCharacter(const PlayerRecord& record, int characterSlot, SkinImageCache* cache);
