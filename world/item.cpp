#include "world/item.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "common/random.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/roles.h"
#include "net/session.h"
#include "scene/camera.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"
#include "world/path_map.h"

Item g_Items[ITEM_SLOTS];
DynamicMesh* g_ItemModels[ITEM_TYPE_COUNT] = {};

namespace {

constexpr uint32_t kModelLoadKind = 3;
constexpr uint32_t kEffectFadeMs = 500;
constexpr float kTurnRate = 1.5f;                 // radians per second
constexpr float kEffectTowardCamera = 0.5f;
constexpr int kRandomCellAttempts = 1000;
constexpr int kReachableRings = 20;
constexpr float kReachableTolerance = 5.0f;
constexpr float kFighterClearance = 20.0f;
constexpr float kRandomCellRise = 0.5f;

// A lone effect of the type at the point in the item's colour; -1 for none.
int32_t MakeEffect(int32_t type, const Vec3& at, uint32_t colour) {
    if (type < 0) return EFFECT_NO_SLOT;
    const Vec3 zero{0.0f, 0.0f, 0.0f};
    return CreateEffect(EFFECT_NO_SLOT, type, at, at, zero, zero, zero, EffectTypeLifetime(type), 0.0f, colour, nullptr);
}

bool TooNearAFighter(const Vec3& point) {
    for (const Character& c : g_Characters)
        if (c.active && Vec3Length(Vec3Sub(c.position, point)) < kFighterClearance) return true;
    return false;
}

}  // namespace

int ItemGroupOf(const Item* item) {
    const ItemTypeRow* row = item ? ItemTypeRowOf(item->type) : nullptr;
    return row ? int(row->group) : -1;
}

int ItemTypeOf(const Item* item) { return item && ItemTypeRowOf(item->type) ? item->type : -1; }

// ---- One slot ----

bool Item::Init(int newSlot, int newType, DynamicMesh* newModel, float x, float y, float z, bool withSpawnEffect) {
    const ItemTypeRow* row = ItemTypeRowOf(newType);
    if (!newModel || !row) return false;
    model = newModel;
    slot = newSlot;
    type = newType;
    active = present = 1;
    effect1 = effect2 = EFFECT_NO_SLOT;
    SetPosition(x, y, z);
    if (withSpawnEffect) MakeEffect(row->spawnEffect, position, row->colour);
    effect1 = MakeEffect(row->loopEffect1, position, row->colour);
    effect2 = MakeEffect(row->loopEffect2, position, row->colour);
    stamp = GetTime(CLOCK_MATCH);
    return true;
}

void Item::SetPosition(float x, float y, float z) {
    position = Vec3{x, y, z};
    if (model) model->SetPosition(position);
    EffectSlotSetPosition(effect1, position);
    EffectSlotSetPosition(effect2, position);
}

namespace {

// The layer under the item lets go of it; a layer that holds another item keeps that one.
void LeaveCell(Item* item) {
    PathMap* map = ScenarioPathMap();
    CellRef cell{};
    if (!map || !map->WorldToCell(item->position, &cell, ITEM_CELL_TOLERANCE)) return;
    PathLayer* layer = map->GetLayer(cell);
    if (layer->item == item) layer->item = nullptr;
}

// A model no longer listed went with the scene that listed it.
void DeleteModel(Item* item) {
    if (item->model && g_Scene.objects) g_Scene.objects->Delete(item->model);
    item->model = nullptr;
}

}  // namespace

void Item::Collect() {
    // A client waits for the host's word (event 35).
    if (IsClientNotDispatching()) return;
    if (!active || !present) return;
    const ItemTypeRow* row = ItemTypeRowOf(type);
    if (!row || row->respawn == 0) active = 0;
    present = 0;
    LeaveCell(this);
    if (row) MakeEffect(row->pickEffect, position, row->colour);
    DeleteModel(this);
    EffectSlotStop(effect1, kEffectFadeMs);
    EffectSlotStop(effect2, kEffectFadeMs);
    effect1 = effect2 = EFFECT_NO_SLOT;
    stamp = GetTime(CLOCK_MATCH);
    if (IsHost()) g_GamePacket.WriteCollectItem(uint32_t(slot));
}

void Item::Remove() {
    if (!active) return;
    active = present = 0;
    LeaveCell(this);
    DeleteModel(this);
    EffectSlotFree(effect1);
    EffectSlotFree(effect2);
    effect1 = effect2 = EFFECT_NO_SLOT;
}

void Item::Update() {
    if (!active) return;
    if (!present) {
        const ItemTypeRow* row = ItemTypeRowOf(type);
        if (row && row->respawn != 0 && GetElapsed(CLOCK_MATCH, stamp) > row->respawn * 1000u)
            SpawnItem(slot, type, position, true);
        return;
    }
    const Camera* camera = g_Scene.camera;
    if (effect2 != EFFECT_NO_SLOT && camera) {
        const Vec3 toCamera = Vec3Sub(camera->eye, position);
        const float length = Vec3Length(toCamera);
        if (length > 0.0f) EffectSlotSetPosition(effect2, Vec3Add(position, Vec3Scale(toCamera, kEffectTowardCamera / length)));
    }
    if (model) {
        const float half = 0.5f * kTurnRate * g_FighterShellCalls.frameSeconds();
        model->transform.rotation = QuatMul(model->transform.rotation, Quat{0.0f, std::sin(half), 0.0f, std::cos(half)});
        model->transformValid = 0;
    }
}

// ---- The table ----

int SpawnItem(int slot, int type, const Vec3& position, bool withSpawnEffect) {
    const ItemTypeRow* row = ItemTypeRowOf(type);
    if (!row || !g_ItemModels[type]) return -1;
    if (IsNetworkActive()) {
        if (IsClientNotDispatching()) return -1;
        // A client shows whatever the host placed, and a host still alone at its match start
        // places these groups too.
        if (IsHost() && (row->group == ITEM_GROUP_PUNISHMENT || row->group == ITEM_GROUP_LETTER)) return -1;
    } else if (row->group == ITEM_GROUP_SCREEN && g_Settings.mode != 3) {
        return -1;
    }
    PathMap* map = ScenarioPathMap();
    CellRef cell{};
    if (!map || !map->WorldToCell(position, &cell, ITEM_CELL_TOLERANCE)) return -1;
    // Any slot outside the table, not only -1, asks for the first free one.
    if (slot < 0 || slot >= ITEM_SLOTS) {
        slot = -1;
        for (int i = 0; i < ITEM_SLOTS && slot < 0; ++i)
            if (!g_Items[i].active) slot = i;
        if (slot < 0) return -1;
    } else if (g_Items[slot].active && g_Items[slot].present) {
        return -1;
    }
    if (!g_Scene.objects) return -1;
    DynamicMesh* mesh = new (std::nothrow) DynamicMesh();
    if (!mesh) return -1;
    mesh->CloneFrom(*g_ItemModels[type]);
    mesh->lit = 0;
    g_Scene.objects->Add(mesh);
    Item& item = g_Items[slot];
    item.Init(slot, type, mesh, position.x, position.y, position.z, withSpawnEffect);
    map->GetLayer(cell)->item = &item;
    if (IsHost()) g_GamePacket.WriteSpawnItem(uint32_t(slot), type, position, withSpawnEffect);
    return slot;
}

int SpawnItemAtRandomCell(int type) {
    if (!ItemTypeRowOf(type) || !g_ItemModels[type]) return -1;
    PathMap* map = ScenarioPathMap();
    Character* local = g_FighterShellCalls.localFighter();
    if (!map || map->rows <= 0 || map->cols <= 0 || !local) return -1;
    for (int attempt = 0; attempt < kRandomCellAttempts; ++attempt) {
        CellRef cell{0, 0, 0};
        cell.z = Random() % map->rows;
        cell.x = Random() % map->cols;
        if (!local->CanReachCell(cell)) {
            CellRef near{};
            if (!local->FindReachableCell(cell, &near, kReachableRings, kReachableTolerance)) continue;
            cell = near;
        }
        Vec3 centre{};
        map->CellToWorld(&centre, cell);
        if (TooNearAFighter(centre) || map->ItemAt(cell)) continue;
        centre.y += kRandomCellRise;
        return SpawnItem(-1, type, centre, false);
    }
    return -1;
}

void LoadItemModels() {
    if (!g_Scene.objects) return;
    for (int i = 0; i < ITEM_TYPE_COUNT; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "Modelos\\Items\\item%02d.y3d", i);
        if (!g_Scene.LoadModel(path, "Texturas\\Items\\", kModelLoadKind, false)) continue;
        char name[32];
        std::snprintf(name, sizeof name, "item%02d (DIN)", i);
        DynamicMesh* model = AsDynamicMesh(g_Scene.objects->FindByName(name));
        if (!model) continue;
        // Models are only ever cloned, never drawn.
        g_Scene.objects->Remove(model);
        delete g_ItemModels[i];
        g_ItemModels[i] = model;
    }
}

void FreeAllItems() {
    for (Item& item : g_Items)
        if (item.active) item.Remove();
    for (DynamicMesh*& model : g_ItemModels) {
        delete model;
        model = nullptr;
    }
}

void CollectAllItems() {
    for (Item& item : g_Items)
        if (item.active) item.Collect();
}

void UpdateAllItems() {
    for (Item& item : g_Items)
        if (item.active) item.Update();
}

uint32_t CountItemCredits() {
    uint32_t sum = 0;
    for (const Item& item : g_Items)
        if (item.active) sum += ItemCreditValue(item.type);
    return sum;
}

bool ApplyCollectItemEvent(int32_t slot) {
    if (slot < 0 || slot >= ITEM_SLOTS) return false;
    g_Items[slot].Collect();
    return true;
}

void ResetItems() {
    FreeAllItems();
    for (Item& item : g_Items) {
        item.slot = item.type = 0;
        item.position = Vec3{};
        item.stamp = 0;
    }
}
