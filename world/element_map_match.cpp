// Placing the element map for a match: every record of the match's game kind (and the common
// ones) becomes its world object, each kept on its record. Fighter starts take the settings' or
// the front end's line-up, each side up to its fighter count.
#include <bit>
#include <cmath>
#include <cstdio>
#include <new>

#include "common/random.h"
#include "core/debug_log.h"
#include "core/pack_file.h"
#include "core/settings.h"
#include "effects/effect_list.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/skin.h"
#include "frontend/line_up.h"
#include "frontend/menu.h"
#include "frontend/player_record.h"
#include "net/session.h"
#include "render/texture_manager.h"
#include "scene/glow.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"
#include "world/dynamic_object.h"
#include "world/element_map.h"
#include "world/item.h"
#include "world/map_editor.h"
#include "world/scenario.h"

namespace {

constexpr int kMatchModeFromRecords = 2;
constexpr int kGameModeSingle = 2;

// The game kind whose records a match reads, and whether it leaves out the screen items.
struct KindTranslation {
    int read;
    bool reducedItems;
};

bool TranslateGameKind(int kind, KindTranslation* out) {
    if (kind >= 0 && kind <= 5) *out = {kind, false};
    else if (kind == 6) *out = {5, true};
    else if (kind == 7) *out = {2, true};
    else if (kind == 8) *out = {int(ELEMENT_COMMON), true};
    else if (kind == int(ELEMENT_COMMON)) *out = {int(ELEMENT_COMMON), false};
    else return false;
    return true;
}

// The level, or one from 0 to it at random.
int DrawLevel(int level, bool random) {
    if (!random || level < 0) return level;
    return int(int64_t(Random()) % (int64_t(level) + 1));
}

// A fighter of the front end's line-up: its record, identifier and level, and whether the level
// came from the record.
struct LineUpChoice {
    PlayerRecord record;
    uint32_t identifier;
    int level;
    bool levelFromRecord;
};

bool ChooseFromLineUp(int side, bool own, int n, LineUpChoice* out) {
    const LineUpSide& line = g_LineUp.sides[side];
    if (n >= line.count || n >= LINE_UP_MAX) return false;
    const uint32_t id = line.identifiers[n];
    const bool read = own ? g_LineUpCalls.playerRecord(side, id, &out->record)
                          : g_LineUpCalls.enemyRecord(id, side, &out->record);
    if (!read) return false;
    out->identifier = id;
    out->levelFromRecord = false;
    if (g_Menu.saveMode != kMatchModeFromRecords) {
        out->level = DrawLevel(line.level, line.randomLevel != 0);
    } else if (own) {
        out->levelFromRecord = n == 0 || g_Menu.gameType == kGameModeSingle;
        out->level = out->levelFromRecord ? int(out->record.level) : line.levels[n];
    } else {
        out->level = g_Settings.AdjustByDifficulty(line.levels[n]);
        EnemyLevelEntry entry{};
        if (g_LineUpCalls.enemyLevel(id, &entry)) {
            if (out->level > entry.level) {
                out->record.extra = 0.0f;
            } else {
                out->level = entry.level;
                if (out->record.extra < entry.value) out->record.extra = entry.value;
            }
        }
    }
    return true;
}

// What the front end's record gives the fighter beyond its spawn.
void ApplyLineUp(Character& c, const LineUpChoice& choice, bool own) {
    if (own && choice.levelFromRecord && g_Menu.saveMode == kMatchModeFromRecords) {
        float* attributes[PLAYER_ATTRIBUTES] = {&c.strength, &c.power, &c.constitution, &c.agility, &c.speed};
        for (int k = 0; k < PLAYER_ATTRIBUTES; ++k) *attributes[k] = g_LineUpCalls.playerAttribute(k, &choice.record);
        c.experience = choice.record.extra;
    }
    if (!own) c.experience = choice.record.extra;
    g_Scenario.results[FighterResultIndex(c.slot, FIGHTER_SIDE)] = uint32_t(c.side);
    g_Scenario.results[FighterResultIndex(c.slot, FIGHTER_LINEUP_ID)] = choice.identifier;
}

struct FighterPlacing {
    int created[2] = {0, 0};
    SkinImageCache cache;
};

void PlaceFighter(ElementRecord& r, FighterPlacing& placing) {
    // Network fighters come from the session's own set-up, which reads the starts; a host still
    // alone in its session plays a network game too.
    if (g_NetSession.active) return;
    const int side = int(r.subtype);
    const bool own = side == g_Settings.localSide;
    const int n = placing.created[side];
    if (n >= (own ? g_Settings.fightersOwn : g_Settings.fightersEnemy)) return;
    const Vec3& p = r.position;
    int slot = -1;
    if (!g_Settings.frontEnd) {
        const int level = own ? DrawLevel(g_Settings.levelOwn, g_Settings.randomLevelOwn != 0)
                              : DrawLevel(g_Settings.levelEnemy, g_Settings.randomLevelEnemy != 0);
        slot = SpawnCharacter(-1, 0, side, level, p.x, p.y, p.z, nullptr, &placing.cache);
    } else {
        LineUpChoice choice{};
        if (!ChooseFromLineUp(side, own, n, &choice)) {
            WriteDebugLogF("Alineacion sin personaje %d del bando %d: salida vacia", n, side);
            return;
        }
        slot = SpawnCharacter(-1, 0, side, choice.level, p.x, p.y, p.z, &choice.record, &placing.cache);
        if (slot >= 0) ApplyLineUp(g_Characters[slot], choice, own);
    }
    if (slot < 0) return;
    Character& c = g_Characters[slot];
    c.FaceStart(r.block[1]);
    ++placing.created[side];
    r.object.fighter = &c;
}

void PlaceProp(ElementRecord& r) {
    const uint32_t kind = r.subtype < 2 ? PROP_KIND_BALL : PROP_KIND_BOX;
    const int slot = SpawnDynamicObject(-1, int(kind), int(r.subtype % 2), r.position, nullptr);
    DynamicObject* prop = slot >= 0 ? FindProp(kind, uint32_t(slot)) : nullptr;
    if (!prop) return;
    PathMap& map = g_Scenario.pathMap;
    if (map.IsValidCell(r.cell)) map.GetLayer(r.cell)->prop = prop;
    prop->SetPosition(r.position);
    prop->mesh->transform.rotation = Quat{r.block[0], r.block[1], r.block[2], r.block[3]};
    prop->mesh->transformValid = 0;
    r.object.prop = prop;
}

void PlaceSpecial(ElementRecord& r) {
    const Vec3& p = r.position;
    if (r.role == ELEMENT_ROLE_SYMBOL) {
        if (g_Match.CreateSymbol(p.x, p.y, p.z, r.block[1], r.index)) r.object.slot = r.index;
    } else if (r.role == ELEMENT_ROLE_CHECKPOINT) {
        r.object.slot = g_Match.CreateCheckpoint(p.x, p.y, p.z, r.block[1]);
    }
}

void PlaceEffect(ElementRecord& r) {
    const int32_t slot = CreateEffectAt(ELEMENT_EFFECT_TYPE_FIRST + int32_t(r.subtype), r.position);
    if (slot != EFFECT_NO_SLOT) EffectSlotSetDirection(slot, r.block[1]);
    r.object.slot = slot;
}

// A colour channel kept as a float 0-255.
uint32_t ChannelByte(float value) {
    if (!(value > 0.0f)) return 0;
    return value >= 255.0f ? 255u : uint32_t(value);
}

}  // namespace

void ElementMap::LoadForMatch(int gameKind) {
    KindTranslation kind{};
    if (!TranslateGameKind(gameKind, &kind)) {
        WriteDebugLogF("Mapa de elementos: tipo de juego %d desconocido", gameKind);
        return;
    }
    // A play-test plays the edited list, not the last saved file.
    char path[96];
    if (g_MapEditor.playTest)
        std::snprintf(path, sizeof path, "%s", ELEMENT_PLAY_TEST_FILE);
    else
        ElementFilePath(g_Scenario.number, path, sizeof path);
    if (FindPackEntry(ELEMENT_PACK, path) == 0) return;

    // Outside the editor nothing else loads the palette the glows take their textures from.
    LoadGlowTextures();
    DespawnAll();
    g_Scenario.pathMap.ClearOccupants();
    Clear();
    Load(path, kind.read);

    FighterPlacing fighters;
    for (ElementRecord* r = list.First(); r; r = list.Next(r)) {
        if (!r->placeable) continue;
        switch (r->elementKind) {
        case ELEMENT_FIGHTER: PlaceFighter(*r, fighters); break;
        case ELEMENT_ITEM:
            if (kind.reducedItems && r->subtype >= uint32_t(ITEM_SCREEN_FIRST)) break;
            if (const int slot = SpawnItem(-1, int(r->subtype), r->position, false); slot >= 0)
                r->object.item = &g_Items[slot];
            break;
        case ELEMENT_PROP: PlaceProp(*r); break;
        case ELEMENT_SPECIAL: PlaceSpecial(*r); break;
        case ELEMENT_GLOW:
            r->object.glow = CreateGlowFromValues(r->position, r->block[0], r->block[1], r->block[2], r->block[3],
                                                  std::bit_cast<float>(r->extra), r->index);
            break;
        case ELEMENT_EFFECT: PlaceEffect(*r); break;
        default: break;
        }
    }
    fighters.cache.Clear();
}

GlowNode* CreateGlowFromValues(const Vec3& position, float red, float green, float blue, float alpha, float scale,
                               int paletteEntry) {
    GlowNode* glow = CreateGlow(paletteEntry, position, true);
    if (!glow) return nullptr;
    glow->colour = ChannelByte(alpha) << 24 | ChannelByte(red) << 16 | ChannelByte(green) << 8 | ChannelByte(blue);
    glow->size = scale;
    return glow;
}

int32_t CreateEffectAt(int32_t type, const Vec3& position) {
    // The seeker of type 65 starts moving; every other element stands.
    const float speed = type == 65 ? 1.0f : 0.0f;
    const Vec3 zero{0.0f, 0.0f, 0.0f};
    return CreateEffect(EFFECT_NO_SLOT, type, position, position, Vec3{speed, speed, speed}, zero, zero,
                        EffectTypeLifetime(type), 0.0f, 0, nullptr);
}
