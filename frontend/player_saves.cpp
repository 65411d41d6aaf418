#include "frontend/player_saves.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/random.h"
#include "core/debug_log.h"
#include "core/pack_file.h"
#include "fighters/character.h"
#include "fighters/side_table.h"
#include "fighters/skin.h"
#include "frontend/block_codec.h"
#include "frontend/equipment_table.h"
#include "frontend/text_table.h"
#include "platform/os/path.h"

namespace {

constexpr const char* kPrefixes[2] = {"PlO", "PlV"};
// MP, Allies and side folders of each side.
constexpr const char* kFolders[2][3] = {{"Saves\\OrlinsMP\\", "Saves\\GCO_Allies\\", "Saves\\Orlins\\"},
                                        {"Saves\\VoraksMP\\", "Saves\\GCV_Allies\\", "Saves\\Voraks\\"}};
// The enemies of a side's campaigns: team campaigns, then the one-player campaign.
constexpr const char* kEnemyFolders[2][2] = {{"Saves\\CO\\", "Saves\\GCV_Enemies\\"},
                                             {"Saves\\CV\\", "Saves\\GCO_Enemies\\"}};
constexpr float kNewAttribute = 50.0f;
constexpr int kMaxSkin = 4, kMaxEyes = 9, kMaxClothes = 9, kMaxHair = 5, kMaxHairColour = 5, kMaxGlasses = 5;
constexpr int kMaxTattoo = 7;

bool IsSide(int side) { return side == 0 || side == 1; }
bool IsSlot(int slot) { return slot >= 0 && slot < PLAYER_SLOTS; }
bool InRange(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }

template <class V>
void VisitRecord(V& v, PlayerRecord& r) {
    v.U32(r.side);
    v.U32(r.level);
    for (float& a : r.attributes) v.F32(a);
    v.F32(r.extra);
    v.I32(r.team);
    PlayerLook& l = r.look;
    v.Bytes(l.name, sizeof l.name);
    v.U32(l.skin);
    v.U32(l.eyes);
    v.U32(l.clothes);
    for (int32_t& t : l.tattoos) v.I32(t);
    v.I32(l.hair);
    v.U32(l.hairColour);
    v.I32(l.glasses);
    for (int32_t& e : l.equipment) v.I32(e);
}

// The one save of a slot, the folder and prefix given.
std::string SlotFile(const char* folder, int side, int slot) {
    char name[16];
    std::snprintf(name, sizeof name, "%s%02d%s", kPrefixes[side], slot, ".dat");
    return std::string(folder) + name;
}

const char* SaveFolder(int side, int mode) {
    if (mode != 0 && mode != 2) return kFolders[side][0];
    if (g_Menu.gameType == 2 || mode == 0) return kFolders[side][2];
    return kFolders[side][1];
}

void Recount(int side) {
    int n = 0;
    for (PlayerRecord* r : g_Menu.playerTables.records[side]) n += r != nullptr;
    g_Menu.playerTables.count[side] = n;
}

void FreeSlot(int side, int slot) {
    PlayerRecord*& r = g_Menu.playerTables.records[side][slot];
    // The current record must not outlive its slot.
    if (g_Menu.playerRecord && g_Menu.playerRecord == r) {
        g_Menu.playerRecord = nullptr;
        g_Menu.selectedPlayer = -1;
    }
    delete r;
    r = nullptr;
    delete g_Menu.playerTables.stats[side][slot];
    g_Menu.playerTables.stats[side][slot] = nullptr;
}

// Reads one save into the slot; the slot stays empty when there is none.
void LoadSlot(int side, int slot, const char* folder) {
    PackEntry file;
    if (!file.OpenFile(SlotFile(folder, side, slot).c_str())) return;
    PlayerRecord record;
    MakeRandomPlayer(side, &record);
    BinaryReader& reader = file.Reader();
    ReadPlayerRecord(reader, side, &record);
    // What earlier versions wrote for a deleted member: no player, whose slot stays free until a
    // new player's save replaces the file.
    if (IsBlankRecord(record)) {
        WriteDebugLogF("%s no tiene jugador: el hueco queda libre", SlotFile(folder, side, slot).c_str());
        return;
    }
    auto* stats = new PlayerStats{};
    FieldReader statsReader(reader.Data() + reader.Tell(), reader.Remaining());
    PlayerStats read{};
    for (uint32_t& w : read.words) statsReader.U32(w);
    // A file that ends before the whole block gives all-zero statistics.
    if (reader.Remaining() >= PLAYER_STATS_SIZE) *stats = read;
    g_Menu.playerTables.records[side][slot] = new PlayerRecord(record);
    g_Menu.playerTables.stats[side][slot] = stats;
}

bool SlotMatches(int side, int slot, bool freeOnly) {
    const PlayerRecord* r = g_Menu.playerTables.records[side][slot];
    return r && (!freeOnly || r->team < 0);
}

int StepSlot(int side, int slot, bool freeOnly, int step) {
    if (!IsSide(side)) return -1;
    const int start = IsSlot(slot) ? slot : (step > 0 ? PLAYER_SLOTS - 1 : 0);
    for (int i = 1; i <= PLAYER_SLOTS; ++i) {
        const int s = (start + step * i + PLAYER_SLOTS) % PLAYER_SLOTS;
        if (SlotMatches(side, s, freeOnly)) return s;
    }
    return -1;
}

void RandomName(PlayerRecord* record) {
    std::memset(record->look.name, 0, sizeof record->look.name);
    const char* text = g_TextTable.Find(Random() % PLAYER_NAME_TEXTS);
    if (text) std::strncpy(record->look.name, text, sizeof record->look.name - 1);
}

}  // namespace

// ---- the record ------------------------------------------------------------------------------

bool SanitisePlayerRecord(PlayerRecord* r, int side, bool fix) {
    FieldChecker c{fix};
    c.Check(r->side, uint32_t(side), r->side == uint32_t(side));
    c.Check(r->level, 0u, r->level <= uint32_t(MAX_PLAYER_LEVEL));
    for (float& a : r->attributes) c.Check(a, kNewAttribute, std::isfinite(a) && a >= 0.0f && a <= 1.0e6f);
    c.Check(r->extra, 0.0f, std::isfinite(r->extra));
    c.Check(r->team, -1, InRange(r->team, -1, PLAYER_SLOTS - 1));
    PlayerLook& l = r->look;
    c.Terminated(l.name, sizeof l.name);
    c.Check(l.skin, 0u, l.skin <= uint32_t(kMaxSkin));
    c.Check(l.eyes, 0u, l.eyes <= uint32_t(kMaxEyes));
    c.Check(l.clothes, 0u, l.clothes <= uint32_t(kMaxClothes));
    for (int32_t& t : l.tattoos) c.Check(t, -1, InRange(t, -1, kMaxTattoo));
    c.Check(l.hair, -1, InRange(l.hair, -1, kMaxHair));
    c.Check(l.hairColour, 0u, l.hairColour <= uint32_t(kMaxHairColour));
    c.Check(l.glasses, -1, InRange(l.glasses, -1, kMaxGlasses));
    for (int32_t& e : l.equipment) c.Check(e, -1, InRange(e, -1, EQUIPMENT_ROWS_PER_KIND - 1));
    return c.valid;
}

bool ReadPlayerRecord(BinaryReader& reader, int side, PlayerRecord* out) {
    const bool whole = reader.Remaining() >= PLAYER_RECORD_SIZE;
    FieldReader fields(reader.Data() + reader.Tell(), reader.Remaining());
    VisitRecord(fields, *out);
    reader.Skip(whole ? PLAYER_RECORD_SIZE : reader.Remaining());
    SanitisePlayerRecord(out, side, true);
    return whole;
}

void WritePlayerRecord(BinaryWriter& writer, const PlayerRecord& record) {
    PlayerRecord copy = record;
    FieldWriter fields;
    VisitRecord(fields, copy);
    writer.PutBytes(fields.Data().data(), fields.Data().size());
}

void MakeRandomPlayer(int side, PlayerRecord* record) {
    if (!record) return;
    std::memset(record, 0, sizeof *record);
    record->side = side == 1 ? 1u : 0u;
    for (float& a : record->attributes) a = kNewAttribute;
    record->team = -1;
    PlayerLook& look = record->look;
    for (int32_t& t : look.tattoos) t = -1;
    look.hair = -1;
    look.glasses = -1;
    for (int32_t& e : look.equipment) e = -1;
    RandomName(record);
}

void RandomizePlayerLook(int, PlayerRecord* record) {
    if (!record) return;
    PlayerLook& l = record->look;
    l.skin = uint32_t(Random() % (kMaxSkin + 1));
    l.eyes = uint32_t(Random() % (kMaxEyes + 1));
    l.hair = -1;
    if (Random() % 2) {
        l.hair = Random() % (kMaxHair + 2) - 1;
        if (l.hair != -1) l.hairColour = uint32_t(Random() % (kMaxHairColour + 1));
    }
    l.glasses = Random() % 2 ? Random() % (kMaxGlasses + 2) - 1 : -1;
    l.clothes = uint32_t(Random() % (kMaxClothes + 1));
    for (int32_t& t : l.tattoos) t = -1;
    const int count = Random() % PLAYER_TATTOO_SLOTS;
    for (int i = 0; i < count; ++i) {
        int slot = Random() % PLAYER_TATTOO_SLOTS;
        while (l.tattoos[slot] != -1) slot = (slot + 1) % PLAYER_TATTOO_SLOTS;
        l.tattoos[slot] = Random() % (kMaxTattoo + 1);
    }
}

// ---- the tables and their files --------------------------------------------------------------

std::string PlayerSavePath(int side, int slot, int mode) {
    if (!IsSide(side) || !IsSlot(slot)) return std::string();
    return SlotFile(SaveFolder(side, mode), side, slot);
}

void PlayerTables::Free() {
    for (int side = 0; side < 2; ++side) {
        for (int slot = 0; slot < PLAYER_SLOTS; ++slot) {
            delete records[side][slot];
            records[side][slot] = nullptr;
            delete stats[side][slot];
            stats[side][slot] = nullptr;
        }
        count[side] = 0;
    }
}

PlayerTables& PlayerTables::operator=(PlayerTables&& other) noexcept {
    if (this == &other) return *this;
    Free();
    std::memcpy(records, other.records, sizeof records);
    std::memcpy(stats, other.stats, sizeof stats);
    std::memcpy(count, other.count, sizeof count);
    std::memset(other.records, 0, sizeof other.records);
    std::memset(other.stats, 0, sizeof other.stats);
    std::memset(other.count, 0, sizeof other.count);
    return *this;
}

void Menu::ClearPlayerTables() {
    playerTables.Free();
    playerRecord = nullptr;
    selectedPlayer = -1;
}

const PlayerRecord* Menu::SelectedRecord(int side) const {
    return playerRecord && playerRecord->side == uint32_t(side) ? playerRecord : nullptr;
}

void Menu::LoadPlayerSaves(int mode) {
    ClearPlayerTables();
    for (int side = 0; side < 2; ++side) {
        const char* folder = SaveFolder(side, mode);
        os::RemoveStaleTemporaries(folder);
        for (int slot = 0; slot < PLAYER_SLOTS; ++slot) LoadSlot(side, slot, folder);
        Recount(side);
    }
}

void Menu::SelectPlayer(int slot, int table) {
    if (slot >= PLAYER_SLOTS || table < -1 || table > 1) return;
    if (table >= 0) {
        playerRecord = slot >= 0 ? playerTables.records[table][slot] : nullptr;
        selectedPlayer = playerRecord ? slot : -1;
    }
    g_GameSettings.side = table;
}

bool Menu::LoadEnemyRecord(uint32_t identifier, int sideFlag, PlayerRecord* out) {
    if (!out || identifier >= uint32_t(PLAYER_SLOTS)) return false;
    const int side = sideFlag ? 1 : 0;
    const char* folder = kEnemyFolders[side][gameType == 2 ? 0 : 1];
    PackEntry file;
    if (!file.OpenFile(SlotFile(folder, side, int(identifier)).c_str())) return false;
    PlayerRecord record;
    MakeRandomPlayer(side, &record);
    ReadPlayerRecord(file.Reader(), side, &record);
    *out = record;
    return true;
}

bool SavePlayer(int side, int slot) {
    if (!IsSide(side) || !IsSlot(slot)) return false;
    Recount(side);
    const PlayerRecord* record = g_Menu.playerTables.records[side][slot];
    if (!record) return false;
    if (IsBlankRecord(*record)) {
        // Written, it would come back as a nameless player of zeros.
        WriteDebugLogF("Registro vacio en el hueco %d: no se guarda", slot);
        return false;
    }
    BinaryWriter w;
    WritePlayerRecord(w, *record);
    const PlayerStats* stats = g_Menu.playerTables.stats[side][slot];
    for (int i = 0; i < PLAYER_STATS_WORDS; ++i) w.PutU32(stats ? stats->words[i] : 0);
    const std::string path = PlayerSavePath(side, slot, g_Menu.saveMode);
    if (os::WriteFileReplacing(path.c_str(), w.Data())) return true;
    WriteDebugLogF("No se pudo guardar %s", path.c_str());
    return false;
}

bool IsBlankRecord(const PlayerRecord& record) {
    // The side word is left out: reading a Voraks file of zeros sets it.
    if (record.look.name[0] != 0) return false;
    for (float a : record.attributes)
        if (a != 0.0f) return false;
    return true;
}

bool ReloadPlayerSave(int side, int slot) {
    if (!IsSide(side) || !IsSlot(slot)) return false;
    PlayerRecord* record = g_Menu.playerTables.records[side][slot];
    PackEntry file;
    if (!record || !file.OpenFile(PlayerSavePath(side, slot, g_Menu.saveMode).c_str())) return false;
    // Read over a copy so that the current record's pointer stays good.
    PlayerRecord read = *record;
    ReadPlayerRecord(file.Reader(), side, &read);
    if (IsBlankRecord(read)) return false;
    *record = read;
    return true;
}

void DeletePlayerSave(int side, int slot) {
    if (!IsSide(side) || !IsSlot(slot)) return;
    FreeSlot(side, slot);
    Recount(side);
    const std::string path = PlayerSavePath(side, slot, g_Menu.saveMode);
    if (!os::DeleteFile(path.c_str())) WriteDebugLogF("No se pudo borrar %s", path.c_str());
}

int AddPlayerRecord(const PlayerRecord& record) {
    const int side = record.side == 1 ? 1 : 0;
    for (int slot = 0; slot < PLAYER_SLOTS; ++slot) {
        if (g_Menu.playerTables.records[side][slot]) continue;
        g_Menu.playerTables.records[side][slot] = new PlayerRecord(record);
        g_Menu.playerTables.stats[side][slot] = new PlayerStats{};
        Recount(side);
        return slot;
    }
    return -1;
}

int MakeDefaultPlayer(int side) {
    side = side == 1 ? 1 : 0;
    PlayerRecord record;
    MakeRandomPlayer(side, &record);
    if (g_Menu.gameType == 2) return AddPlayerRecord(record);
    // Otherwise the campaign's own player, kept in slot 0.
    CopyPlayerToSlot(side, 0, record);
    return 0;
}

int FindFreePlayerSlot(int side, bool freeOnly) {
    if (!IsSide(side)) return -1;
    for (int slot = 0; slot < PLAYER_SLOTS; ++slot)
        if (SlotMatches(side, slot, freeOnly)) return slot;
    return -1;
}

int NextPlayerSlot(int side, int slot, bool freeOnly) { return StepSlot(side, slot, freeOnly, 1); }
int PreviousPlayerSlot(int side, int slot, bool freeOnly) { return StepSlot(side, slot, freeOnly, -1); }

bool CopyPlayerFromSlot(int side, int slot, PlayerRecord* out) {
    if (!out || !IsSide(side) || !IsSlot(slot) || !g_Menu.playerTables.records[side][slot]) return false;
    *out = *g_Menu.playerTables.records[side][slot];
    return true;
}

bool CopyPlayerToSlot(int side, int slot, const PlayerRecord& record) {
    if (!IsSide(side) || !IsSlot(slot)) return false;
    PlayerRecord*& r = g_Menu.playerTables.records[side][slot];
    if (r) {
        *r = record;
    } else {
        r = new PlayerRecord(record);
        g_Menu.playerTables.stats[side][slot] = new PlayerStats{};
    }
    Recount(side);
    return true;
}

void SelectStoredPlayer() {
    const int side = g_GameSettings.side;
    const int slot = g_GameSettings.playerSlot;
    if (IsSide(side) && IsSlot(slot) && g_Menu.playerTables.records[side][slot]) {
        g_Menu.SelectPlayer(slot, side);
        return;
    }
    for (int s = 0; s < 2; ++s) {
        const int first = FindFreePlayerSlot(s, false);
        if (first < 0) continue;
        g_GameSettings.playerSlot = first;
        g_Menu.SelectPlayer(first, s);
        return;
    }
}

bool CreatePlayerAtLevel(PlayerRecord* record, int slot, int level, float word28) {
    if (!record || level < 0 || level > MAX_PLAYER_LEVEL) return false;
    const int side = record->side == 1 ? 1 : 0;
    record->level = uint32_t(level);
    record->extra = word28;
    const SideRow& base = g_SideTable[0];
    const float bases[PLAYER_ATTRIBUTES] = {base.baseStrength, base.basePower, base.baseConstitution,
                                            base.baseAgility, base.baseSpeed};
    for (int k = 0; k < PLAYER_ATTRIBUTES; ++k) record->attributes[k] = 5.0f * float(level) + bases[k];
    return CopyPlayerToSlot(side, slot, *record) && SavePlayer(side, slot);
}

void ApplyPlayerToCharacter(const PlayerRecord& record, int characterSlot, SkinImageCache* cache) {
    if (characterSlot < 0 || characterSlot >= MAX_CHARACTERS) return;
    g_Menu.RemoveCharacterLook(characterSlot);
    const int side = record.side == 1 ? 1 : 0;
    g_Characters[characterSlot].ComposeSkin(side, SkinPartsOf(record.look), cache);
    g_Menu.ApplyCharacterLook(&record, characterSlot);
}
