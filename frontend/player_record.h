// The 132-byte player record of the saves as the fighters read it: side, level, attributes and
// the look (name, skin layers, hair, glasses, equipment) that a spawned fighter keeps a copy of.
#pragma once

#include <cstdint>

constexpr int PLAYER_NAME_SIZE = 20;
constexpr int PLAYER_TATTOO_SLOTS = 8;
constexpr int PLAYER_EQUIPMENT_SLOTS = 5;
constexpr int PLAYER_ATTRIBUTES = 5;
// The look starts at this dword of the record; network spawns carry it as 24 dwords.
constexpr int PLAYER_LOOK_FIRST_DWORD = 9;
constexpr int PLAYER_LOOK_DWORDS = 24;

// Dwords 9-32 of the record.
struct PlayerLook {
    char name[PLAYER_NAME_SIZE];                // zero-terminated in the saves
    uint32_t skin;
    uint32_t eyes;
    uint32_t clothes;
    int32_t tattoos[PLAYER_TATTOO_SLOTS];       // -1 empty
    int32_t hair;                               // -1 none
    uint32_t hairColour;
    int32_t glasses;                            // -1 none
    int32_t equipment[PLAYER_EQUIPMENT_SLOTS];  // helmet, gloves, boots, bracelets, shoulder pads; -1 none
};
static_assert(sizeof(PlayerLook) == PLAYER_LOOK_DWORDS * 4, "the look is 24 dwords");

struct PlayerRecord {
    uint32_t side;
    uint32_t level;
    float attributes[PLAYER_ATTRIBUTES];        // strength, power, constitution, agility, speed
    float extra;                                // dword 7
    int32_t team;                               // -1 when the record is free
    PlayerLook look;
};
static_assert(sizeof(PlayerRecord) == 132, "the player record is 132 bytes");

// A new record: a random name from the text table, level 0, attributes 50, no team, look 0 with
// no tattoos, hair, glasses or equipment (frontend/player_saves.cpp).
void MakeRandomPlayer(int side, PlayerRecord* record);
// A random skin, eyes, clothes, hair, glasses and up to seven tattoos, each in its own slot.
void RandomizePlayerLook(int side, PlayerRecord* record);
// Attribute k (0-4) of the record with the bonus of its equipped pieces; 0 for another k.
float GetPlayerAttribute(int k, const PlayerRecord* record);
// No name and every attribute zero, whatever the side word: what a card holds when no record was
// copied into it, and what earlier versions wrote for a deleted member. No player is ever made so
// (a new one has attributes of 50), so such a record is no player.
bool IsBlankRecord(const PlayerRecord& record);
