#include "frontend/preview_fighter.h"

#include "fighters/character.h"
#include "fighters/skin.h"
#include "frontend/menu.h"
#include "frontend/player_saves.h"
#include "scene/character_model.h"

Character* SpawnPreviewFighter(const PlayerRecord* record, int side, const Vec3& at, SkinImageCache* cache) {
    const int level = record ? int(record->level) : 0;
    // A fighter spawned without a cache keeps the model's bare skin: a preview spawned alone
    // brings a cache of its own.
    SkinImageCache own;
    const int slot = SpawnCharacter(-1, 0, side, level, at.x, at.y, at.z, record, cache ? cache : &own);
    if (slot < 0 || slot >= MAX_CHARACTERS) return nullptr;
    Character* c = &g_Characters[slot];
    c->SetYaw(kPi);
    return c;
}

void ShowPreviewFighter(Character*& fighter, const PlayerRecord& record, const Vec3& at, SkinImageCache* cache) {
    // A fighter despawned behind our back (a match in between) is not ours any more.
    if (fighter && !fighter->active) fighter = nullptr;
    if (fighter)
        ApplyPlayerToCharacter(record, fighter->slot, cache);
    else
        fighter = SpawnPreviewFighter(&record, record.side == 1 ? 1 : 0, at, cache);
}

void RemovePreviewFighter(Character*& fighter) {
    if (fighter) g_Menu.RemoveCharacter(fighter->slot);
    fighter = nullptr;
}

void DrawPreviewFighter(Character* fighter) {
    if (!fighter || !fighter->active || !fighter->model) return;
    fighter->model->UpdateVisibility();
    fighter->model->Render();
}
