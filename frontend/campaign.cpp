#include "frontend/campaign.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/debug_log.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "fighters/power_table.h"
#include "fighters/side_table.h"
#include "frontend/block_codec.h"
#include "frontend/menu.h"
#include "frontend/mission_table.h"
#include "frontend/player_saves.h"
#include "platform/os/path.h"

CampaignBlock g_Campaign;
int64_t g_CampaignTimes[PLAYER_SLOTS];

namespace {

constexpr int kResultRowsStart = 24;
constexpr int kResultRowWords = 15;
constexpr int kResultRows = 16;
constexpr int kPointsPerLevel = 25;
constexpr int kLegacyDifficulty = 1;   // a file from before the difficulty word
// The older form: the block without its difficulty word, nothing after it. Followed by a player it
// would be as long as a whole block with a cut player, and so was never read as older anyway.
constexpr size_t kOlderFormSize = CAMPAIGN_BLOCK_SIZE - 4;

bool IsSide(int side) { return side == 0 || side == 1; }
bool IsSlot(int slot) { return slot >= 0 && slot < PLAYER_SLOTS; }

template <class V>
void VisitCampaign(V& v, CampaignBlock& b) {
    v.U32(b.difficulty);
    v.I32(b.slot);
    v.Bytes(b.name, sizeof b.name);
    v.U32(b.side);
    for (int32_t& m : b.members) v.I32(m);
    for (int32_t& p : b.pendingPoints) v.I32(p);
    v.U32(b.stage);
    v.I32(b.credits);
    for (auto& kind : b.inventory)
        for (int32_t& id : kind) v.I32(id);
    for (EnemyLevelRow& e : b.enemyLevels) {
        v.I32(e.minimumLevel);
        v.F32(e.value);
    }
    for (auto& record : b.scenarios) v.Bytes(record, sizeof record);
}

CampaignBlock ClearedBlock() {
    CampaignBlock b;
    std::memset(&b, 0, sizeof b);
    b.slot = -1;
    std::fill(&b.inventory[0][0], &b.inventory[0][0] + EQUIPMENT_KIND_COUNT * INVENTORY_PER_KIND, -1);
    return b;
}

bool CheckCampaign(CampaignBlock& b, int side, bool fix) {
    FieldChecker c{fix};
    c.Check(b.difficulty, kLegacyDifficulty, b.difficulty <= 2);
    c.Check(b.slot, -1, b.slot >= -1 && b.slot < PLAYER_SLOTS);
    c.Terminated(b.name, sizeof b.name);
    c.Check(b.side, side, b.side == uint32_t(side));
    for (int32_t& m : b.members) c.Check(m, -1, m >= -1 && m < PLAYER_SLOTS);
    for (int32_t& p : b.pendingPoints) c.Check(p, 0, p >= 0 && p <= MAX_PENDING_POINTS);
    c.Check(b.stage, side == 0 ? 0u : 3u, b.stage < uint32_t(CAMPAIGN_STAGES) || b.stage == CAMPAIGN_FINISHED);
    for (auto& kind : b.inventory)
        for (int32_t& id : kind) c.Check(id, -1, id >= -1 && id < EQUIPMENT_ROWS_PER_KIND);
    for (EnemyLevelRow& e : b.enemyLevels) {
        c.Check(e.minimumLevel, 0, e.minimumLevel >= 0 && e.minimumLevel <= MAX_PLAYER_LEVEL);
        c.Check(e.value, 0.0f, std::isfinite(e.value));
    }
    return c.valid;
}

std::string PathOf(int side, int slot) {
    char path[64];
    return CampaignPath(side, slot, path, sizeof path);
}

// Whether a campaign's file can be opened, without reading it.
bool CampaignOpens(int side, int slot) {
    FILE* f = os::OpenFile(PathOf(side, slot).c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// Each kind's owned pieces moved up over the gaps left by pieces that were thrown out.
void PackInventory(CampaignBlock* b) {
    for (auto& kind : b->inventory)
        std::stable_partition(std::begin(kind), std::end(kind), [](int32_t id) { return id >= 0; });
}

// The one-player campaign keeps its own player after the block.
bool HasOwnPlayer() { return g_Menu.gameType == 1; }

// The own player stored after the block of a campaign file; false when there is none, or only
// the blank record an earlier version wrote there.
bool ReadTrailingRecord(PackEntry& file, int side, PlayerRecord* out) {
    BinaryReader& r = file.Reader();
    if (file.Length() < CAMPAIGN_BLOCK_SIZE + PLAYER_RECORD_SIZE || !r.Seek(CAMPAIGN_BLOCK_SIZE)) return false;
    PlayerRecord read;
    MakeRandomPlayer(side, &read);
    if (!ReadPlayerRecord(r, side, &read) || IsBlankRecord(read)) return false;
    *out = read;
    return true;
}

// A file that ends inside the block, other than the older form, was cut short: reading it as an
// older file would lose what it holds. A one-player campaign is played by its own player, so one
// without it (cut inside it, ended with the block as earlier versions first wrote it, or holding
// the blank record they then added) would be played by a nameless fighter of zeros.
bool IsDamaged(PackEntry& file, int side) {
    const size_t length = size_t(file.Length());
    if (length < CAMPAIGN_BLOCK_SIZE && length != kOlderFormSize) return true;
    if (!HasOwnPlayer()) return false;
    PlayerRecord own;
    return !ReadTrailingRecord(file, side, &own);
}

PlayerRecord* MemberRecord(int member) {
    if (member < 0 || member >= CAMPAIGN_MEMBERS || !IsSide(int(g_Campaign.side))) return nullptr;
    const int32_t slot = g_Campaign.members[member];
    return IsSlot(slot) ? g_Menu.playerTables.records[g_Campaign.side][slot] : nullptr;
}

float AttributeCap(int k) {
    const SideRow& base = g_SideTable[0];
    const float bases[PLAYER_ATTRIBUTES] = {base.baseStrength, base.basePower, base.baseConstitution,
                                            base.baseAgility, base.baseSpeed};
    return 5.0f * float(PowerRowOf(0, POWERS_PER_SIDE - 1).requiredLevel) + bases[k];
}

// The stage counted from where the team started.
int StagesPlayed() {
    const int stage = int(g_Campaign.stage);
    return g_GameSettings.side == 0 ? stage : CAMPAIGN_STAGES - 1 - stage;
}

}  // namespace

void ClearCampaign() { g_Campaign = ClearedBlock(); }

std::vector<uint8_t> EncodeCampaign(const CampaignBlock& block) {
    CampaignBlock copy = block;
    FieldWriter w;
    VisitCampaign(w, copy);
    return w.Data();
}

void DecodeCampaign(const uint8_t* data, size_t size, int side, CampaignBlock* out) {
    *out = ClearedBlock();
    FieldReader r(data, size);
    VisitCampaign(r, *out);
    CheckCampaign(*out, side, true);
    PackInventory(out);
}

bool IsValidCampaign(const CampaignBlock& block, int side) {
    CampaignBlock copy = block;
    return CheckCampaign(copy, side, false);
}

const char* CampaignPath(int side, int slot, char* out, size_t capacity) {
    if (!out || capacity == 0) return "";
    out[0] = 0;
    if (!IsSide(side) || !IsSlot(slot)) return out;
    static constexpr const char* kPrefixes[2][2] = {{"CO", "CV"}, {"GCO", "GCV"}};
    std::snprintf(out, capacity, "Saves\\CAMPAIGNS\\%s%02d%s", kPrefixes[g_Menu.gameType == 2 ? 0 : 1][side], slot,
                  ".dat");
    return out;
}

int FirstFreeCampaignSlot(int side) {
    if (!IsSide(side)) return -1;
    for (int slot = 0; slot < PLAYER_SLOTS; ++slot)
        if (!CampaignOpens(side, slot)) return slot;
    return -1;
}

bool CreateCampaign(int side, const char* name, const int32_t members[CAMPAIGN_MEMBERS], const PlayerRecord* own) {
    if (!IsSide(side)) return false;
    // Written without its player, the one-player campaign could only be played by a blank one.
    if (HasOwnPlayer() && (!own || IsBlankRecord(*own))) {
        WriteDebugLog("Una campana de un jugador necesita su jugador");
        return false;
    }
    const int slot = FirstFreeCampaignSlot(side);
    if (slot < 0) {
        WriteDebugLog("No queda sitio para otra campana");
        return false;
    }
    ClearCampaign();
    CampaignBlock& b = g_Campaign;
    b.side = uint32_t(side);
    if (name) std::strncpy(b.name, name, sizeof b.name - 1);
    b.difficulty = std::min<uint32_t>(g_Options.difficulty, 2);
    g_Settings.difficulty = int32_t(b.difficulty);
    b.stage = side == 0 ? 0 : CAMPAIGN_STAGES - 1;
    const bool team = g_Menu.gameType == 2;
    for (int s = 0; s < CAMPAIGN_SCENARIOS; ++s)
        for (int k = 0; k < (team ? MISSION_KINDS : 1); ++k) {
            const MissionRecord* m = FindMission(team ? MISSIONS : SINGLE_MISSIONS, side, s, k);
            b.scenarios[s][CAMPAIGN_PLAYED + k] = m && m->Available() ? 1 : 0;
        }
    b.slot = slot;
    if (team && members) {
        for (int i = 0; i < CAMPAIGN_MEMBERS; ++i) {
            b.members[i] = IsSlot(members[i]) ? members[i] : -1;
            if (PlayerRecord* r = MemberRecord(i)) {
                r->team = slot;
                SavePlayer(side, b.members[i]);
            }
        }
    }
    return SaveCampaign(side, slot, own);
}

bool SaveCampaign(int side, int slot, const PlayerRecord* record) {
    const std::string path = PathOf(side, slot);
    if (path.empty()) return false;
    std::vector<uint8_t> bytes = EncodeCampaign(g_Campaign);
    if (HasOwnPlayer()) {
        // Saved without its player, the one-player campaign keeps the one it had; a blank record
        // is no player and is never appended.
        if (record && IsBlankRecord(*record)) record = nullptr;
        PlayerRecord kept;
        PackEntry old;
        if (!record && old.OpenFile(path.c_str()) && ReadTrailingRecord(old, side, &kept)) record = &kept;
        if (!record) {
            WriteDebugLogF("La campana %s no tiene jugador: no se guarda", path.c_str());
            return false;
        }
        BinaryWriter w;
        WritePlayerRecord(w, *record);
        bytes.insert(bytes.end(), w.Data().begin(), w.Data().end());
    }
    if (os::WriteFileReplacing(path.c_str(), bytes)) return true;
    WriteDebugLogF("No se pudo guardar %s", path.c_str());
    return false;
}

bool ReadCampaignBlock(int side, int slot, CampaignBlock* out, PlayerRecord* record) {
    PackEntry file;
    const std::string path = PathOf(side, slot);
    if (!out || path.empty() || !file.OpenFile(path.c_str())) return false;
    // Refused before anything is decoded, so the block and the record stay as they were.
    if (IsDamaged(file, side)) {
        WriteDebugLogF("La campana %s esta danada (%zu bytes): no se lee y se deja como esta", path.c_str(),
                       size_t(file.Length()));
        return false;
    }
    const uint8_t* data = file.Reader().Data();
    if (file.Length() >= CAMPAIGN_BLOCK_SIZE) {
        DecodeCampaign(data, CAMPAIGN_BLOCK_SIZE, side, out);
        if (record && HasOwnPlayer()) ReadTrailingRecord(file, side, record);
    } else {
        // An older file: the block without its first word.
        std::vector<uint8_t> bytes(4, 0);
        bytes[0] = kLegacyDifficulty;
        bytes.insert(bytes.end(), data, data + file.Length());
        DecodeCampaign(bytes.data(), bytes.size(), side, out);
        out->difficulty = kLegacyDifficulty;
    }
    out->slot = slot;
    return true;
}

bool LoadCampaign(int side, int slot, PlayerRecord* record) {
    if (!ReadCampaignBlock(side, slot, &g_Campaign, record)) return false;
    g_Options.difficulty = g_Campaign.difficulty;
    g_Settings.difficulty = int32_t(g_Campaign.difficulty);
    return true;
}

bool IsCampaignDamaged(int side, int slot) {
    PackEntry file;
    return file.OpenFile(PathOf(side, slot).c_str()) && IsDamaged(file, side);
}

bool DamagedCampaignCaption(int side, int slot, char* out, size_t capacity) {
    if (!out || capacity == 0) return false;
    out[0] = 0;
    if (!IsCampaignDamaged(side, slot)) return false;
    std::snprintf(out, capacity, "%s - damaged", CampaignFileName(side, slot).c_str());
    return true;
}

std::string CampaignFileName(int side, int slot) {
    const std::string path = PathOf(side, slot);
    return path.substr(path.rfind('\\') + 1);
}

int ListCampaigns(int side) {
    std::fill(g_CampaignTimes, g_CampaignTimes + PLAYER_SLOTS, 0);
    if (!IsSide(side)) return 0;
    int count = 0;
    for (; count < PLAYER_SLOTS && CampaignOpens(side, count); ++count)
        os::GetFileModifiedTime(PathOf(side, count).c_str(), &g_CampaignTimes[count]);
    return count;
}

bool DeleteCampaign(int side, int slot) {
    const int count = ListCampaigns(side);
    if (!LoadCampaign(side, slot, nullptr)) return false;
    // The members take their pending points before the file goes, and a write that fails puts
    // back the ones written: a campaign that stays keeps its members and the points it holds,
    // and no point is lost or found twice.
    PlayerRecord was[CAMPAIGN_MEMBERS] = {};
    int32_t pending[CAMPAIGN_MEMBERS];
    std::copy(g_Campaign.pendingPoints, g_Campaign.pendingPoints + CAMPAIGN_MEMBERS, pending);
    int written = 0;
    bool ok = true;
    for (; ok && written < CAMPAIGN_MEMBERS && g_Menu.gameType == 2; ++written) {
        PlayerRecord* r = MemberRecord(written);
        if (!r) continue;
        was[written] = *r;
        r->team = -1;
        SpendPendingPoints(written, r);
        ok = SavePlayer(side, g_Campaign.members[written]);
    }
    const std::string path = PathOf(side, slot);
    if (ok && !os::DeleteFile(path.c_str())) {
        WriteDebugLogF("No se pudo borrar %s", path.c_str());
        ok = false;
    }
    if (!ok) {
        for (int i = 0; i < written; ++i) {
            PlayerRecord* r = MemberRecord(i);
            if (!r) continue;
            *r = was[i];
            SavePlayer(side, g_Campaign.members[i]);
        }
        std::copy(pending, pending + CAMPAIGN_MEMBERS, g_Campaign.pendingPoints);
        return false;
    }
    ClearCampaign();
    // Later saves move down one slot whole, their own player with them; a move that fails
    // leaves that file and the ones after it where they were.
    for (int s = slot + 1; s < count; ++s)
        if (!os::RenameFile(PathOf(side, s).c_str(), PathOf(side, s - 1).c_str())) break;
    return true;
}

bool IsStageComplete() {
    const CampaignBlock& b = g_Campaign;
    if (b.stage == CAMPAIGN_FINISHED) return true;
    if (b.stage >= uint32_t(CAMPAIGN_STAGES)) return false;
    const int kinds = g_Menu.gameType == 2 ? MISSION_KINDS : 1;
    for (int s = int(b.stage) * 5; s < int(b.stage) * 5 + 5; ++s)
        for (int k = 0; k < kinds; ++k)
            if (b.scenarios[s][CAMPAIGN_PLAYED + k] && !b.scenarios[s][CAMPAIGN_WON + k]) return false;
    return true;
}

void AdvanceStage() {
    CampaignBlock& b = g_Campaign;
    if (b.stage == CAMPAIGN_FINISHED || !IsStageComplete()) return;
    const int next = int(b.stage) + (b.side == 0 ? 1 : -1);
    b.stage = next >= 0 && next < CAMPAIGN_STAGES ? uint32_t(next) : CAMPAIGN_FINISHED;
    SaveCampaign(int(b.side), b.slot, nullptr);
}

void ApplyMatchResults(const uint32_t* results, int member) {
    PlayerRecord* r = MemberRecord(member);
    if (!results || !r || member >= kResultRows) return;
    const uint32_t* row = results + kResultRowsStart + member * kResultRowWords;
    const int32_t newLevel = int32_t(std::min<uint32_t>(row[8], MAX_PLAYER_LEVEL));
    for (int i = 0; i < CAMPAIGN_MEMBERS; ++i) {
        if (g_Campaign.members[i] != int32_t(row[1])) continue;
        const int64_t points = int64_t(g_Campaign.pendingPoints[i]) + kPointsPerLevel * (int64_t(newLevel) - r->level);
        g_Campaign.pendingPoints[i] = int32_t(std::clamp<int64_t>(points, -MAX_PENDING_POINTS, MAX_PENDING_POINTS));
        break;
    }
    r->level = uint32_t(newLevel);
    float extra;
    std::memcpy(&extra, &row[9], sizeof extra);
    r->extra = std::isfinite(extra) ? extra : 0.0f;
    if (PlayerStats* stats = g_Menu.playerTables.stats[g_Campaign.side][g_Campaign.members[member]]) {
        for (int i = 0; i < 6; ++i) stats->words[i] += row[2 + i];
        for (int i = 0; i < 5; ++i) stats->words[6 + i] += row[10 + i];
    }
    if (g_Menu.gameType == 2) SavePlayer(int(g_Campaign.side), g_Campaign.members[member]);
}

void SpendPendingPoints(int member, PlayerRecord* record) {
    if (member < 0 || member >= CAMPAIGN_MEMBERS || !record) return;
    int32_t& pending = g_Campaign.pendingPoints[member];
    if (pending <= 0) {
        pending = 0;
        return;
    }
    float* a = record->attributes;
    int32_t points = pending;
    a[0] += 5.0f;
    for (;;) {
        const int32_t p = points - 5;
        if (p > 0) a[1] += 5.0f;
        if (p - 5 > 0) a[2] += 5.0f;
        points = p - 10;
        if (points < 1) break;
        if (a[3] < AttributeCap(3)) {
            a[3] += 5.0f;
            points -= 5;
        }
        if (points < 1) break;
        if (a[4] < AttributeCap(4)) {
            a[4] += 5.0f;
            points -= 5;
        }
        if (points < 1) break;
        a[0] += 5.0f;
    }
    pending = 0;
}

bool StoreMember(int slot, const PlayerRecord& record) {
    const int side = int(g_Campaign.side);
    return CopyPlayerToSlot(side, slot, record) && SavePlayer(side, slot);
}

int32_t AverageEnemyLevel() {
    const GameSettingsBlock& g = g_GameSettings;
    const int n = std::min(g.fightersEnemyMode2, int32_t(MAX_TEAM_SIZE));
    if (n < 1) return 1;
    const int k = StagesPlayed();
    int64_t sum = 0;
    for (int i = 0; i < n; ++i) {
        int32_t level = g_Settings.AdjustByDifficulty(int32_t(std::min<uint32_t>(g.team[4 + i], MAX_PLAYER_LEVEL)));
        const int64_t e = std::clamp<int64_t>(int64_t(g.team[i]) - 20 * int64_t(k), 0, CAMPAIGN_ENEMY_LEVELS - 1);
        level = std::max(level, g_Campaign.enemyLevels[e].minimumLevel);
        sum += level;
    }
    return int32_t(sum / n + 1);
}

bool FindEnemyLevel(uint32_t identifier, EnemyLevelRow* out) {
    if (!out || g_Campaign.slot < 0) return false;
    const int64_t e = int64_t(identifier) - 20 * int64_t(StagesPlayed());
    if (e < 0 || e >= CAMPAIGN_ENEMY_LEVELS) return false;
    *out = g_Campaign.enemyLevels[e];
    return true;
}

bool StoreEnemyLevel(uint32_t identifier, const EnemyLevelRow& row) {
    if (g_Campaign.slot < 0) return false;
    const int64_t e = int64_t(identifier) - 20 * int64_t(StagesPlayed());
    if (e < 0 || e >= CAMPAIGN_ENEMY_LEVELS) return false;
    g_Campaign.enemyLevels[e] = row;
    return true;
}

float CampaignAttributeCap(int k) { return k >= 0 && k < PLAYER_ATTRIBUTES ? AttributeCap(k) : 0.0f; }
