// Item pickups: the nearest item in reach is taken and its type's effect applied.
#include <cmath>

#include "common/random.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/roles.h"
#include "world/item.h"
#include "world/path_map.h"
#include "world/world_seams.h"

namespace {

constexpr float kRaise = 0.75f;
constexpr int kLetterFirst = 24;
constexpr int kLetterLast = 49;
constexpr int kScreenFirst = 52;
constexpr int kScreenLast = 57;
constexpr int kPickSound = 160;
constexpr int kCreditSound = 161;
constexpr int kBombEffect = 32;
constexpr int kBombSoundFirst = 240;
constexpr float kBombDecalRadius = 3.0f;
constexpr uint32_t kDecalLifetimeMs = 40000, kDecalFadeInMs = 100, kDecalFadeOutMs = 5000;
constexpr int kStrikeEffect = 9;
constexpr int kPushEffect = 19;
constexpr uint32_t kStrikeColour = 0xff6400;

float Dist(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

Vec3 Raised(const Vec3& p, float dy) { return {p.x, p.y + dy, p.z}; }

// What an item of a type does to its collector, as one row per type.
enum class Pick : uint8_t { None, Health, Experience, Energy, State, Bomb, StrikeSide1, StrikeSide0, Credits };
struct PickRow {
    Pick kind;
    float share;            // of the meter's maximum
    int state;              // timed state started for 30000 ms (20000 for paralysis)
    int credits;
    float creditExperience; // share of max experience in the greed kinds
};
constexpr PickRow Row(Pick k, float share = 0.0f) { return {k, share, -1, 0, 0.0f}; }
constexpr PickRow StateRow(int state) { return {Pick::State, 0.0f, state, 0, 0.0f}; }
constexpr PickRow CreditRow(int n, float share) { return {Pick::Credits, 0.0f, -1, n, share}; }

constexpr PickRow kPickRows[ITEM_TYPE_COUNT] = {
    Row(Pick::None), Row(Pick::None), Row(Pick::None),
    Row(Pick::Health, 0.5f), Row(Pick::Health, 1.0f), Row(Pick::Experience, 0.1f),
    Row(Pick::Energy, 0.5f), Row(Pick::Energy, 1.0f),
    StateRow(STATE_STRENGTH_BOOST), StateRow(STATE_CONSTITUTION_BOOST), StateRow(STATE_AGILITY_BOOST),
    StateRow(STATE_SPEED_BOOST), StateRow(STATE_POWER_BOOST), StateRow(STATE_INVULNERABILITY),
    StateRow(STATE_INVISIBILITY), Row(Pick::Bomb), StateRow(STATE_PARALYSIS), StateRow(STATE_POISONING),
    Row(Pick::StrikeSide1), Row(Pick::StrikeSide0),
    CreditRow(1, 0.005f), CreditRow(5, 0.025f), CreditRow(25, 0.125f), CreditRow(50, 0.25f),
    // 24-49 letters, 50-51 fruit and super, 52-57 screen items.
    Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None),
    Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None),
    Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None),
    Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None),
    Row(Pick::None), Row(Pick::None),
    StateRow(STATE_FORBIDDEN_FRUIT), StateRow(STATE_SUPER),
    Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None), Row(Pick::None),
};

void PlayAndAnnounce(int sound, const Vec3& at) {
    g_FighterShellCalls.playFx(sound, &at, 0);
    if (IsNetworkActive()) g_GamePacket.WritePlaySound(sound, at, 0);
}

int32_t MakeEffect(int type, const Vec3& at, const Vec3& aim, const Vec3& direction, const Vec3& acceleration,
                   uint32_t colour, Character* owner) {
    const Vec3 zero{0.0f, 0.0f, 0.0f};
    const int32_t e = CreateEffect(-1, type, at, aim, zero, acceleration, direction, EffectTypeLifetime(type), 0.0f,
                                   colour, owner);
    if (IsNetworkActive())
        g_GamePacket.WriteCreateEffect(-1, type, at, aim, zero, acceleration, direction, EffectTypeLifetime(type),
                                       0.0f, colour, owner ? owner->slot : -1);
    return e;
}

// The victims of a punishment item: side `team`, or everyone in the kinds each for himself.
bool IsVictim(const Character& c, const Character& collector, int team) {
    return c.active && &c != &collector && (g_Match.gameKind > 5 || c.side == team);
}

void Strike(Character& collector) {
    const Vec3 from = Raised(collector.position, kRaise);
    for (Character& v : g_Characters) {
        if (!IsVictim(v, collector, 1)) continue;
        const Vec3 to = Raised(v.position, 1.0f);
        const Vec3 dir = Vec3Normalize(Vec3Sub(to, from));
        const Vec3 start = Vec3Add(from, Vec3Scale(dir, 1.5f));
        MakeEffect(kStrikeEffect, start, to, dir, {0.0f, 0.0f, 0.0f}, kStrikeColour, &collector);
    }
}

void Push(Character& collector) {
    for (Character& v : g_Characters) {
        if (!IsVictim(v, collector, 0)) continue;
        Vec3 flat{v.position.x - collector.position.x, 0.0f, v.position.z - collector.position.z};
        const float len = std::sqrt(flat.x * flat.x + flat.z * flat.z);
        flat = len > 0.0f ? Vec3Scale(flat, 1.0f / len) : Vec3{0.0f, 0.0f, 0.0f};
        const Vec3 difference = Vec3Sub(Raised(v.position, kRaise), Raised(collector.position, kRaise));
        MakeEffect(kPushEffect, v.position, v.position, flat, difference, 0, &collector);
    }
    if (IsLocalFighter(&collector)) SpawnFlash(600, false);
}

void StartState(Character& c, int state) {
    const int ms = state == STATE_PARALYSIS ? 20000 : 30000;
    switch (state) {
    case STATE_STRENGTH_BOOST: c.StartStrengthBoost(ms, 1000); break;
    case STATE_CONSTITUTION_BOOST: c.StartConstitutionBoost(ms, 1000); break;
    case STATE_AGILITY_BOOST: c.StartAgilityBoost(ms, 1000); break;
    case STATE_SPEED_BOOST: c.StartSpeedBoost(ms, 1000); break;
    case STATE_POWER_BOOST: c.StartPowerBoost(ms, 1000); break;
    case STATE_INVULNERABILITY: c.StartInvulnerability(ms, 1000); break;
    case STATE_INVISIBILITY: c.StartInvisibility(ms, 1000); break;
    case STATE_PARALYSIS: c.StartParalysis(ms, 1000); break;
    case STATE_POISONING: c.StartPoisoning(ms, 1000); break;
    case STATE_FORBIDDEN_FRUIT: c.StartForbiddenFruit(ms, 1000); break;
    case STATE_SUPER: c.StartSuper(ms, 1000); break;
    default: break;
    }
}

void ApplyItem(Character& c, const Item& item) {
    const PickRow& row = kPickRows[item.type];
    switch (row.kind) {
    case Pick::None: break;
    case Pick::Health: c.ChangeHealth(c.maxHealth * row.share, nullptr); break;
    case Pick::Experience: {
        const float amount = c.maxExperience * row.share;
        c.AddExperience(amount < 75.0f ? 75.0f : amount, nullptr);
        break;
    }
    case Pick::Energy: c.ChangeEnergy(c.maxEnergy * row.share); break;
    case Pick::State: StartState(c, row.state); break;
    case Pick::Bomb: {
        MakeEffect(kBombEffect, item.position, item.position, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0, &c);
        CreateDecal("Texturas\\Efectos\\Mancha00.tga", item.position, kBombDecalRadius, {0.0f, 0.0f, 0.0f},
                    kDecalLifetimeMs, kDecalFadeInMs, kDecalFadeOutMs);
        PlayAndAnnounce(kBombSoundFirst + Random() % 3, item.position);
        break;
    }
    case Pick::StrikeSide1: Strike(c); break;
    case Pick::StrikeSide0: Push(c); break;
    case Pick::Credits:
        c.AddCredits(row.credits);
        if (g_Match.gameKind == 2 || g_Match.gameKind == 7) c.AddExperience(c.maxExperience * row.creditExperience, nullptr);
        break;
    }
}

}  // namespace

Item* FindNearestItem(float x, float y, float z, int r) {
    PathMap* map = ScenarioPathMap();
    if (!map) return nullptr;
    const Vec3 centre{x, y, z};
    Item* best = nullptr;
    float bestDistance = 0.0f;
    for (int dx = -r; dx <= r; ++dx) {
        for (int dz = -r; dz <= r; ++dz) {
            CellRef cell{};
            if (!map->WorldToCell({x + float(dx), y, z + float(dz)}, &cell, ITEM_CELL_TOLERANCE)) continue;
            Item* item = map->FindItem(cell);
            if (!item) continue;
            const float d = Dist(item->position, centre);
            if (!best || d < bestDistance) {
                best = item;
                bestDistance = d;
            }
        }
    }
    return best;
}

void Character::CollectItems() {
    const Vec3 raised = Raised(position, kRaise);
    Item* item = FindNearestItem(raised.x, raised.y, raised.z, 1);
    if (!item || item->type < 0 || item->type >= ITEM_TYPE_COUNT) return;
    const bool local = IsLocalFighter(this);
    float reach = local ? 1.2f : 0.8f;
    if (!local && IsOffline() && ItemGroupOf(item) == ITEM_GROUP_TRAP) reach = 0.4f;
    if (Dist(item->position, raised) >= reach) return;

    const int type = item->type;
    ApplyItem(*this, *item);
    const int team = side == 0 || side == 1 ? side : -1;
    // Counted before a letter that ends the match.
    if (team != -1) AddToResult(TeamResultIndex(team, TEAM_ITEMS), 1);
    AddToResult(FighterResultIndex(slot, FIGHTER_ITEMS), 1);
    if (type >= kLetterFirst && type <= kLetterLast && team != -1) g_Match.CollectLetter(team, type - kLetterFirst, slot);
    if (type >= kScreenFirst && type <= kScreenLast) {
        if (!IsNetworkActive() || !local) g_FighterShellCalls.screenItem(type);
        if (IsNetworkActive()) g_GamePacket.WriteScreenEffect(slot, type);
    }
    PlayAndAnnounce(kPickSound, item->position);
    if (ItemCreditValue(type) != 0) PlayAndAnnounce(kCreditSound, item->position);
    item->Collect();
}
