#include "fighters/character.h"

#include <cstring>
#include <type_traits>

#include "scene/character_model.h"
#include "world/scenario.h"

Character g_Characters[MAX_CHARACTERS];
int32_t g_ModelQuality = 0;
uint32_t g_FallRespawnStamp = 0;

static_assert(std::is_trivially_copyable_v<Character>, "the record is plain data");

Character::Character() {
    // A plain record: everything zero first, then what means "none".
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    slot = -1;
    for (int32_t& e : powerEffects) e = -1;
    attachedEffect = -1;
    currentCell = previousCell = targetCell = finalCell = CELL_NONE;
    requestedGoalCell = failedGoalCell = homeCell = jumpCell = spareCell = CELL_NONE;
    failedSector = -1;
}

int FindFighterSlot(int requested) {
    if (requested >= 0 && requested < MAX_CHARACTERS) return requested;
    for (int i = 0; i < MAX_CHARACTERS; ++i)
        if (!g_Characters[i].active) return i;
    return -1;
}

void Character::OccupyCell() {
    PathMap* map = ScenarioPathMap();
    if (!map || !map->IsValidCell(currentCell)) return;
    PathLayer* layer = map->GetLayer(currentCell);
    if (!layer->character) layer->character = this;
}

void Character::ReleaseCell() {
    PathMap* map = ScenarioPathMap();
    if (!map || !map->IsValidCell(currentCell)) return;
    PathLayer* layer = map->GetLayer(currentCell);
    if (layer->character == this) layer->character = nullptr;
}

float Character::ModelYaw() const { return model ? model->angles.y : 0.0f; }

void Character::TurnModel(float deltaYaw) {
    if (model) model->angles.y += deltaYaw;
}

void Character::SetModelAlpha(int alpha) {
    if (model) model->SetAlpha(uint8_t(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha));
}

bool Character::AnimationWrapped(int bone) const { return model && model->HasAnimationWrapped(bone); }

float Character::DistanceTo(const Character* other) const {
    return other ? Vec3Length(Vec3Sub(other->position, position)) : 0.0f;
}
