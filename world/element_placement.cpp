// The editor's placement of elements: one element spawned under the per-kind limits and the cell
// rules, removed again, the whole list respawned for the edited game kind, the spawn counters, the
// checkpoint table and the pick boxes.
#include <bit>
#include <cstring>
#include <cstdio>
#include <new>

#include "core/debug_log.h"
#include "effects/effect_list.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "fighters/skin.h"
#include "render/debug_draw.h"
#include "render/texture_manager.h"
#include "scene/camera.h"
#include "scene/glow.h"
#include "scene/ground.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"
#include "world/dynamic_object.h"
#include "world/element_map.h"
#include "world/item.h"
#include "world/map_editor.h"
#include "world/scenario.h"
#include "world/world_calls.h"

namespace {

constexpr uint32_t kFreeCellColour = 0x8000ff00;
constexpr uint32_t kTakenCellColour = 0x80ff0000;
constexpr float kDefaultGlowScale = 0.7f;
constexpr float kNewGlowAlpha = 128.0f;

PathMap& Map() { return g_Scenario.pathMap; }
ElementMap& Elements() { return g_ElementMap; }

// Spawned elements of a game kind's element kind over a range of subtypes.
uint32_t SpawnedOf(int gameKind, int elementKind, int first, int last) {
    uint32_t n = 0;
    for (int s = first; s <= last && s < ELEMENT_SUBTYPES; ++s) n += Elements().spawnCounts[gameKind][elementKind][s];
    return n;
}

// The current game kind, plus the common elements when a specific kind is edited.
uint32_t CountCurrent(int elementKind, int first, int last) {
    const int kind = Elements().currentGameKind;
    if (kind < 0 || kind >= ELEMENT_GAME_KINDS) return 0;
    uint32_t n = SpawnedOf(kind, elementKind, first, last);
    if (kind != int(ELEMENT_COMMON)) n += SpawnedOf(int(ELEMENT_COMMON), elementKind, first, last);
    return n;
}

PathLayer* LayerOf(const CellRef& cell) { return Map().IsValidCell(cell) ? Map().GetLayer(cell) : nullptr; }

bool IsCellKind(uint32_t elementKind) { return elementKind <= ELEMENT_SPECIAL; }

// The match's checkpoint record behind a slot; null outside the table.
CheckpointRecord* CheckpointSlot(int slot) {
    return slot >= 0 && slot < MATCH_CHECKPOINTS ? &g_Match.checkpoints[slot] : nullptr;
}

// Takes a record's special element off the match: its symbol, or its checkpoint with the table
// renumbered behind it.
void ClearSpecialOf(ElementRecord& r, PathLayer* layer) {
    const int slot = r.object.slot;
    if (r.role == ELEMENT_ROLE_SYMBOL && slot >= 0) {
        g_Match.ClearSymbol(slot);
    } else if (r.role == ELEMENT_ROLE_CHECKPOINT && slot >= 0) {
        RenumberCheckpoints(layer && layer->specialRole == ELEMENT_ROLE_CHECKPOINT ? layer->specialIndex : r.index);
        g_Match.ClearCheckpoint(slot);
    }
    if (layer && layer->specialSlot == slot && layer->specialRole == r.role) {
        layer->specialRole = 0;
        layer->specialIndex = 0;
        layer->specialSlot = -1;
    }
    r.object.slot = -1;
}

// The world object goes; the layer keeps no pointer to it.
void RemoveWorldObject(ElementRecord& r) {
    PathLayer* layer = IsCellKind(r.elementKind) ? LayerOf(r.cell) : nullptr;
    ElementObject& o = r.object;
    switch (r.elementKind) {
    case ELEMENT_FIGHTER:
        if (o.fighter) {
            if (layer && layer->character == o.fighter) layer->character = nullptr;
            o.fighter->Despawn();
        }
        break;
    case ELEMENT_ITEM:
        if (o.item) {
            if (layer && layer->item == o.item) layer->item = nullptr;
            o.item->Remove();
        }
        break;
    case ELEMENT_PROP:
        if (o.prop) {
            if (layer && layer->prop == o.prop) layer->prop = nullptr;
            o.prop->Despawn();
        }
        break;
    case ELEMENT_SPECIAL: ClearSpecialOf(r, layer); break;
    case ELEMENT_GLOW:
        if (o.glow && g_Scene.effects) g_Scene.effects->Delete(o.glow);
        break;
    case ELEMENT_EFFECT:
        // A slot that ended and went to another effect during a match is not this element's.
        if (o.slot != EFFECT_NO_SLOT && EffectSlotType(o.slot) == ELEMENT_EFFECT_TYPE_FIRST + int32_t(r.subtype))
            EffectSlotFree(o.slot);
        break;
    default: break;
    }
    o = ElementObject{};
}

uint32_t GlowScaleBits(const GlowNode* glow) { return std::bit_cast<uint32_t>(glow->size); }

// What a spawn made, before it is recorded.
struct Spawned {
    Vec3 position;
    ElementObject object;
    uint32_t role = 0;
    uint8_t index = 0;
    float block[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    uint32_t extra = 0;
};

bool SpawnFighter(int subtype, const CellRef& cell, const Vec3* given, const float* block, Spawned* out) {
    if (CountCharacters() >= EDITOR_MAX_FIGHTERS) return false;
    SkinImageCache cache;
    const Vec3& p = out->position;
    const int slot = SpawnCharacter(-1, 0, subtype, 29, p.x, p.y, p.z, nullptr, &cache);
    if (slot >= 0) {
        Character& c = g_Characters[slot];
        if (PathLayer* layer = LayerOf(cell)) layer->character = &c;
        if (given) c.SetPosition(given->x, given->y, given->z, false);
        c.SetYaw(block ? block[1] : 0.0f);
        out->object.fighter = &c;
    }
    cache.Clear();
    return true;
}

bool SpawnProp(int subtype, const CellRef& cell, const Vec3* given, const float* block, Spawned* out) {
    PathLayer* layer = LayerOf(cell);
    if (layer && layer->prop) return false;
    const bool ball = subtype < 2;
    if (ball ? CountPropsPool80() >= EDITOR_MAX_BALLS : CountPropsPool40() >= EDITOR_MAX_BOXES) return false;
    const uint32_t kind = ball ? PROP_KIND_BALL : PROP_KIND_BOX;
    const int slot = SpawnDynamicObject(-1, int(kind), subtype % 2, out->position, nullptr);
    DynamicObject* prop = slot >= 0 ? FindProp(kind, uint32_t(slot)) : nullptr;
    if (!prop || !prop->mesh) return true;
    if (layer) layer->prop = prop;
    if (given) {
        prop->mesh->SetPosition(*given);
    } else {
        out->position = prop->mesh->transform.translation;
    }
    if (block) {
        prop->mesh->transform.rotation =
            QuatMul(Quat{block[0], block[1], block[2], block[3]}, prop->mesh->transform.rotation);
        prop->mesh->transformValid = 0;
    }
    out->object.prop = prop;
    return true;
}

bool SpawnSpecial(int gameKind, int subtype, const CellRef& cell, const float* block, Spawned* out) {
    const Vec3& p = out->position;
    const float yaw = block ? block[1] : 0.0f;
    PathLayer* layer = LayerOf(cell);
    if (subtype < 2) {
        const int team = subtype;
        if (CountSymbolsOfTeam(team) > 0) RemoveTeamSymbol(team);
        out->role = ELEMENT_ROLE_SYMBOL;
        out->index = uint8_t(team);
        if (!g_Match.CreateSymbol(p.x, p.y, p.z, yaw, team)) return true;
        out->object.slot = team;
    } else {
        if (CountCheckpoints() >= EDITOR_MAX_CHECKPOINTS) return false;
        const uint32_t n = SpawnedOf(gameKind, ELEMENT_SPECIAL, int(ELEMENT_SPECIAL_CHECKPOINT),
                                     int(ELEMENT_SPECIAL_CHECKPOINT));
        // A post the match refuses is still a checkpoint of the file, so a match can place it.
        out->role = ELEMENT_ROLE_CHECKPOINT;
        out->index = uint8_t(n);
        const int slot = g_Match.CreateCheckpoint(p.x, p.y, p.z, yaw);
        if (slot < 0) return true;
        out->object.slot = slot;
        if (n < uint32_t(ELEMENT_CHECKPOINTS)) Elements().checkpoints[n] = ElementCheckpoint{p, CheckpointSlot(slot)};
    }
    if (layer) {
        layer->specialRole = uint8_t(out->role);
        layer->specialIndex = out->index;
        layer->specialSlot = out->object.slot;
    }
    return true;
}

void MakePickBox(ElementRecord& r) {
    const Vec3& c = r.position;
    const float h = ELEMENT_PICK_HALF;
    r.pickBox = ElementPickBox{c, h, {c.x + h, c.y + h, c.z + h}, {c.x - h, c.y - h, c.z - h}};
}

}  // namespace

// ---- Counters ----

uint32_t CountCharacters() { return CountCurrent(ELEMENT_FIGHTER, 0, ELEMENT_SUBTYPES - 1); }
uint32_t CountItems() { return CountCurrent(ELEMENT_ITEM, 0, ELEMENT_SUBTYPES - 1); }
uint32_t CountPropsPool80() { return CountCurrent(ELEMENT_PROP, 0, 1); }
uint32_t CountPropsPool40() { return CountCurrent(ELEMENT_PROP, 2, 3); }
uint32_t CountCheckpoints() {
    return CountCurrent(ELEMENT_SPECIAL, int(ELEMENT_SPECIAL_CHECKPOINT), int(ELEMENT_SPECIAL_CHECKPOINT));
}
uint32_t CountGlows() { return CountCurrent(ELEMENT_GLOW, 0, ELEMENT_SUBTYPES - 1); }
uint32_t CountEffects() { return CountCurrent(ELEMENT_EFFECT, 0, ELEMENT_SUBTYPES - 1); }
uint32_t CountSpawnedSubtype(int elementKind, int subtype) {
    if (elementKind < 0 || elementKind >= ELEMENT_KINDS) return 0;
    return CountCurrent(elementKind, subtype, subtype);
}

uint32_t CountSymbolsOfTeam(int team) {
    const int kind = Elements().currentGameKind;
    if (team < 0 || team > 1 || kind < 0 || kind >= ELEMENT_GAME_KINDS) return 0;
    return Elements().spawnCounts[kind][ELEMENT_SPECIAL][team];
}

// ---- Cells ----

bool IsCellFreeForElement(const CellRef& cell) {
    const PathMap& map = Map();
    if (!map.IsValidCell(cell) || map.CellFlags(cell)) return false;
    const PathLayer* layer = map.GetLayer(cell);
    if (layer->character || layer->item || layer->prop || (layer->specialRole && layer->specialSlot >= 0)) return false;
    return IsCellFreeOfKindElements(cell);
}

bool IsCellFreeOfKindElements(const CellRef& cell) {
    if (Elements().currentGameKind != int(ELEMENT_COMMON)) return true;
    const ElementList& list = Elements().list;
    for (const ElementRecord* r = list.First(); r; r = list.Next(r))
        if (r->placeable && r->gameKind != ELEMENT_COMMON && IsCellKind(r->elementKind) && r->cell.x == cell.x &&
            r->cell.z == cell.z && r->cell.layer == cell.layer)
            return false;
    return true;
}

void DrawCursorCell(const CellRef& cell) {
    if (!Map().IsValidCell(cell)) return;
    DrawGridCell(cell, IsCellFreeForElement(cell) ? kFreeCellColour : kTakenCellColour);
}

// ---- Spawning ----

bool SpawnElement(int gameKind, int elementKind, int role, int subtype, int cellX, int cellZ, int cellLayer,
                  const Vec3* position, const float* block, const uint32_t* extra, bool createRecord,
                  ElementRecord* record) {
    (void)role;   // the spawn decides the role from the subtype
    if (subtype < 0 || gameKind < 0 || gameKind >= ELEMENT_GAME_KINDS || elementKind < 0 ||
        elementKind >= ELEMENT_KINDS)
        return false;
    if (!createRecord && !record) return false;
    MapEditor& editor = g_MapEditor;
    if (editor.pickCount >= EDITOR_PICKS) {
        WriteDebugLog("Editor: tabla de seleccion llena, elemento no colocado");
        return false;
    }
    const CellRef cell{cellX, cellZ, cellLayer};
    Spawned out;
    if (IsCellKind(uint32_t(elementKind))) {
        if (!editor.PaletteEntryExists(elementKind, subtype) || !IsCellFreeForElement(cell)) return false;
        Map().CellToWorld(&out.position, cell);
    } else {
        if (!editor.PaletteEntryExists(elementKind, subtype)) return false;
        out.position = editor.cursorPoint;
    }
    if (position) out.position = *position;

    switch (elementKind) {
    case ELEMENT_FIGHTER:
        if (!SpawnFighter(subtype, cell, position, block, &out)) return false;
        break;
    case ELEMENT_ITEM: {
        if (CountItems() >= EDITOR_MAX_ITEMS) return false;
        if (!position) {
            const Vec3& c = out.position;
            out.position.y = GetGroundHeight(c.x, c.y + 1.5f, c.z, nullptr) + 0.5f;
        }
        const int slot = SpawnItem(-1, subtype, out.position, false);
        if (slot >= 0) {
            out.object.item = &g_Items[slot];
            if (PathLayer* layer = LayerOf(cell)) layer->item = out.object.item;
        }
        break;
    }
    case ELEMENT_PROP:
        if (!SpawnProp(subtype, cell, position, block, &out)) return false;
        break;
    case ELEMENT_SPECIAL:
        if (!SpawnSpecial(gameKind, subtype, cell, block, &out)) return false;
        break;
    case ELEMENT_GLOW: {
        if (CountGlows() >= EDITOR_MAX_GLOWS) return false;
        const GlowPaletteEntry& entry = Elements().glowPalette[subtype];
        if (createRecord) {
            out.object.glow = CreateGlow(subtype, out.position, true);
            if (out.object.glow) {
                if (extra) out.object.glow->size = std::bit_cast<float>(*extra);
                out.extra = extra ? *extra : GlowScaleBits(out.object.glow);
            } else {
                out.extra = extra ? *extra : std::bit_cast<uint32_t>(entry.scale);
            }
            if (!block) {
                out.block[0] = float(entry.red);
                out.block[1] = float(entry.green);
                out.block[2] = float(entry.blue);
                out.block[3] = kNewGlowAlpha;
            }
        } else {
            const float* b = block ? block : record->block;
            out.object.glow = CreateGlowFromValues(out.position, b[0], b[1], b[2], b[3],
                                                   extra ? std::bit_cast<float>(*extra) : kDefaultGlowScale, subtype);
        }
        out.index = uint8_t(subtype);
        break;
    }
    case ELEMENT_EFFECT: {
        if (CountEffects() >= EDITOR_MAX_EFFECTS) return false;
        const int32_t slot = CreateEffectAt(ELEMENT_EFFECT_TYPE_FIRST + subtype, out.position);
        if (block && slot != EFFECT_NO_SLOT) EffectSlotSetDirection(slot, block[1]);
        out.object.slot = slot;
        out.index = uint8_t(subtype);
        out.extra = extra ? *extra : uint32_t(subtype);
        break;
    }
    default: return false;
    }

    ElementRecord* r = record;
    if (createRecord) {
        r = new (std::nothrow) ElementRecord();
        if (!r) {
            ElementRecord scratch;
            scratch.elementKind = uint32_t(elementKind);
            scratch.cell = cell;
            scratch.role = out.role;
            scratch.object = out.object;
            RemoveWorldObject(scratch);
            return false;
        }
        r->gameKind = uint32_t(gameKind);
        r->elementKind = uint32_t(elementKind);
        r->subtype = uint32_t(subtype);
        r->cell = cell;
        r->role = out.role;
        r->index = out.index;
        r->position = out.position;
        for (int k = 0; k < 4; ++k) r->block[k] = block ? block[k] : out.block[k];
        if (elementKind == ELEMENT_GLOW || elementKind == ELEMENT_EFFECT) r->extra = out.extra;
        ElementMapAppend(r);
    }
    r->object = out.object;
    if (elementKind == ELEMENT_SPECIAL) {
        r->role = out.role;
        r->index = out.index;
    }
    MakePickBox(*r);
    editor.AddPick(r);
    ++Elements().spawnCounts[gameKind][elementKind][subtype];
    return true;
}

void DespawnRecord(ElementRecord* record) {
    if (!record) return;
    RemoveWorldObject(*record);
}

void DespawnElement(ElementRecord* record) {
    if (!record) return;
    ElementMap& map = Elements();
    if (record->gameKind == ELEMENT_COMMON && map.currentGameKind != int(ELEMENT_COMMON)) return;
    // Only what this record put on its layer goes: another record may share the cell.
    RemoveWorldObject(*record);
    g_MapEditor.RemovePick(record);
    if (record->gameKind < uint32_t(ELEMENT_GAME_KINDS) && record->elementKind < ELEMENT_KINDS &&
        record->subtype < uint32_t(ELEMENT_SUBTYPES)) {
        uint32_t& count = map.spawnCounts[record->gameKind][record->elementKind][record->subtype];
        if (count > 0) --count;
    }
    g_MapEditor.ForgetRecord(record);
    map.list.Unlink(record);
    delete record;
}

void ElementMap::DespawnAll() {
    for (ElementRecord* r = list.First(); r; r = list.Next(r)) DespawnRecord(r);
    g_MapEditor.pickCount = 0;
    std::memset(spawnCounts, 0, sizeof spawnCounts);
}

void ElementMap::SpawnAll() {
    Map().ClearOccupants();
    for (ElementRecord* r = list.First(); r; r = list.Next(r)) {
        if (!r->placeable) continue;
        if (r->gameKind != uint32_t(currentGameKind) && r->gameKind != ELEMENT_COMMON) continue;
        const bool stored = r->elementKind == ELEMENT_GLOW || r->elementKind == ELEMENT_EFFECT;
        SpawnElement(int(r->gameKind), int(r->elementKind), int(r->role), int(r->subtype), r->cell.x, r->cell.z,
                     r->cell.layer, &r->position, r->block, stored ? &r->extra : nullptr, false, r);
    }
    g_MapEditor.selected = nullptr;
    g_MapEditor.hasSelection = 0;
}

void RenumberCheckpoints(int n) {
    ElementMap& map = Elements();
    const int count = int(map.spawnCounts[1][ELEMENT_SPECIAL][ELEMENT_SPECIAL_CHECKPOINT]);
    if (n < 0) return;
    for (int i = n; i <= count - 2 && i + 1 < ELEMENT_CHECKPOINTS; ++i) {
        map.checkpoints[i] = map.checkpoints[i + 1];
        PathMap& pm = Map();
        for (int32_t x = 0; x < pm.cols; ++x)
            for (int32_t z = 0; z < pm.rows; ++z)
                for (PathLayer& layer : pm.columns[size_t(x)][size_t(z)].layers)
                    if (layer.specialRole == ELEMENT_ROLE_CHECKPOINT && layer.specialIndex == i + 1)
                        layer.specialIndex = uint8_t(i);
    }
}

void RemoveTeamSymbol(int team) {
    ElementList& list = Elements().list;
    for (ElementRecord* r = list.First(); r; r = list.Next(r)) {
        if (r->gameKind == 0 && r->elementKind == ELEMENT_SPECIAL && r->role == ELEMENT_ROLE_SYMBOL &&
            r->index == team) {
            DespawnElement(r);
            return;
        }
    }
}

void MoveElementToCell(const CellRef& oldCell) {
    ElementRecord* r = g_MapEditor.selected;
    if (!r) return;
    CellRef cell{};
    PathMap& map = Map();
    if (!map.WorldToCell(r->position, &cell, 100.0f)) return;
    if (r->gameKind != uint32_t(Elements().currentGameKind)) return;
    if (r->cell.x != oldCell.x || r->cell.z != oldCell.z || r->cell.layer != oldCell.layer) return;
    r->cell = cell;
    if (!map.IsValidCell(oldCell)) return;
    PathLayer* from = map.GetLayer(oldCell);
    PathLayer* to = map.GetLayer(cell);
    if (from == to) return;
    to->character = from->character;
    to->item = from->item;
    to->prop = from->prop;
    to->specialRole = from->specialRole;
    to->specialIndex = from->specialIndex;
    to->specialSlot = from->specialSlot;
    from->character = nullptr;
    from->item = nullptr;
    from->prop = nullptr;
    from->specialRole = from->specialIndex = 0;
    from->specialSlot = -1;
}

ElementRecord* FindNextElement(int subtype) {
    ElementMap& map = Elements();
    ElementList& list = map.list;
    ElementRecord* const sentinel = list.Sentinel();
    ElementRecord* r = map.lastFound ? map.lastFound : sentinel;
    // Every record once, wrapping past the sentinel, the last-found one last.
    for (int32_t steps = list.Count() + 1; steps > 0; --steps) {
        r = r->next;
        if (r == sentinel) r = r->next;
        if (r == sentinel) break;
        if (!r->placeable || r->elementKind != uint32_t(map.currentElementKind) || r->subtype != uint32_t(subtype))
            continue;
        if (r->gameKind != uint32_t(map.currentGameKind) && r->gameKind != ELEMENT_COMMON) continue;
        map.lastFound = r;
        if (g_Scene.camera) g_Scene.camera->SetTargetKeepDistance(r->position, 20.0f);
        return r;
    }
    return nullptr;
}

// ---- Glows and effects ----

GlowNode* CreateGlow(int paletteEntry, const Vec3& position, bool addToScene) {
    const ElementMap& map = Elements();
    if (paletteEntry < 0 || paletteEntry >= map.glowPaletteCount) return nullptr;
    const GlowPaletteEntry& e = map.glowPalette[paletteEntry];
    char path[64];
    std::snprintf(path, sizeof path, "Texturas\\Efectos\\%s", e.texture);
    const int32_t texture = g_Scene.textures ? g_Scene.textures->LoadTexture(path, true, true, true) : -1;
    GlowNode* glow = new (std::nothrow) GlowNode();
    if (!glow) return nullptr;
    const uint32_t colour = (e.alpha & 0xff) << 24 | (e.red & 0xff) << 16 | (e.green & 0xff) << 8 | (e.blue & 0xff);
    glow->Init(position.x, position.y, position.z, colour, e.setting, e.scale, texture);
    if (addToScene) {
        if (!g_Scene.effects) {
            delete glow;
            return nullptr;
        }
        g_Scene.effects->Add(glow);
    }
    return glow;
}
