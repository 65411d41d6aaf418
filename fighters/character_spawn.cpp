// Skeleton models, spawning and despawning, the scene attachment and placement of a fighter.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/random.h"
#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/roles.h"
#include "fighters/skin.h"
#include "frontend/menu.h"
#include "frontend/player_record.h"
#include "net/session.h"
#include "scene/bone.h"
#include "scene/character_model.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "world/path_map.h"
#include "world/scenario.h"
#include "world/world_seams.h"

namespace {

constexpr float kCellTolerance = 2.0f;
constexpr const char* kSkeletonFile = "Modelos\\Personajes\\Skeleton%02d.y3d";
constexpr const char* kViewerSkeletonFile = "Modelos\\Personajes\\skeleton%02d.y3d";
constexpr const char* kSkeletonTextures = "Texturas\\Personajes\\";
constexpr uint32_t kSkeletonLoadMode = 3;
constexpr int kEntryAnimation[SIDE_COUNT] = {190, 192};

// The character viewer's model (application mode 1): in the scene's character list, owned here.
CharacterModel* g_ViewerSkeleton = nullptr;

// Out of the scene's character list (when it is there) and freed: a detached model is in no list
// and would otherwise be lost.
void DeleteModel(CharacterModel* model) {
    if (!model) return;
    if (g_Scene.characterModels) g_Scene.characterModels->Remove(model);
    delete model;
}

void SetAttachmentsVisible(CharacterModel* model, bool visible) {
    for (CharacterAttachment& a : model->attachments)
        if (a.inUse && a.object) AttachmentSetVisible(a.object, visible);
}

void DespawnAll() {
    for (Character& c : g_Characters)
        if (c.active) c.Despawn();
}

void FreeViewerSkeleton() {
    if (!g_ViewerSkeleton) return;
    DeleteModel(g_ViewerSkeleton);
    g_ViewerSkeleton = nullptr;
    g_FighterShellCalls.setViewerModel(nullptr);
}

bool IsSpawnable(int side, float x, float y, float z) {
    return side >= 0 && side < SIDE_COUNT && std::isfinite(x) && std::isfinite(y) && std::isfinite(z) &&
           g_SideTable[side].skeleton;
}

}  // namespace

void ResetCharacters() {
    for (Character& c : g_Characters) {
        DeleteModel(c.model);
        delete c.lookCopy;
        c = Character();
    }
    g_FallRespawnStamp = 0;
}

void LoadAllSkeletons(bool showProgress) {
    for (int side = 0; side < SIDE_COUNT; ++side) {
        char path[64];
        std::snprintf(path, sizeof path, kSkeletonFile, side);
        delete g_SideTable[side].skeleton;
        g_SideTable[side].skeleton = g_Scene.LoadCharacterModel(path, kSkeletonTextures, kSkeletonLoadMode, showProgress);
    }
}

bool FindMissingSkeleton(char* path, size_t size) {
    for (int side = 0; side < SIDE_COUNT; ++side) {
        if (g_SideTable[side].skeleton) continue;
        std::snprintf(path, size, kSkeletonFile, side);
        return true;
    }
    return false;
}

void LoadSkeletons(bool showProgress) {
    DespawnAll();
    switch (g_Settings.mode) {
    case 0: LoadAllSkeletons(showProgress); break;
    case 1: {
        FreeViewerSkeleton();
        char path[64];
        std::snprintf(path, sizeof path, kViewerSkeletonFile, g_Settings.localSide);
        CharacterModel* model = g_Scene.LoadCharacterModel(path, kSkeletonTextures, kSkeletonLoadMode, showProgress);
        if (!model) break;
        if (g_Scene.characterModels) g_Scene.characterModels->Add(model);
        model->position = Vec3{0.0f, 0.0f, 0.0f};
        model->basePosition = Vec3{0.0f, 0.0f, 0.0f};
        model->PlayAnimation(0, 0, 0, 30.0f, true);
        g_ViewerSkeleton = model;
        g_FighterShellCalls.setViewerModel(model);
        break;
    }
    case 3: LoadAllSkeletons(false); break;
    default: break;
    }
}

void FreeSkeletons() {
    DespawnAll();
    for (SideRow& row : g_SideTable) {
        delete row.skeleton;
        row.skeleton = nullptr;
    }
    FreeViewerSkeleton();
    // The records are reused: the next match starts them as the first one did, not with what the
    // behaviour and the fall rule remembered here (an unsticking stamp from the last match sends
    // a fighter back to its goal at once).
    ResetCharacters();
}

int SpawnCharacter(int slot, uint32_t playerId, int side, int level, float x, float y, float z,
                   const PlayerRecord* record, SkinImageCache* cache) {
    if (!IsSpawnable(side, x, y, z)) return -1;
    const int s = FindFighterSlot(slot);
    if (s < 0) return -1;
    return g_Characters[s].Spawn(s, playerId, side, level, x, y, z, record, cache) ? s : -1;
}

SkinParts SkinPartsOf(const PlayerLook& look) {
    SkinParts parts;
    parts.skin = int32_t(look.skin);
    parts.eyes = int32_t(look.eyes);
    parts.clothes = int32_t(look.clothes);
    for (int i = 0; i < SKIN_TATTOO_SLOTS; ++i) parts.tattoos[i] = look.tattoos[i];
    return parts;
}

void SpawnLocalPlayer() {
    // Any network game: a host starts its match before its first client is listed.
    if (!g_NetSession.active) return;
    const int side = g_Settings.localSide;
    if (side < 0 || side >= SIDE_COUNT) return;
    const PlayerRecord* record = g_Menu.SelectedRecord(side);
    const int level = record ? int(record->level) : 0;
    SkinImageCache cache;
    if (g_NetSession.hosting) {
        Vec3 start{};
        float facing = 0.0f;
        if (FindPlacedCharacter(side, 0, &start, &facing)) {
            const int s = SpawnCharacter(-1, 0, side, level, start.x, start.y, start.z, record, &cache);
            if (s >= 0) {
                g_Characters[s].FaceStart(facing);
                g_Menu.localSlot = s;
            }
        }
    } else {
        PlayerRecord plain;
        if (!record) {
            MakeRandomPlayer(side, &plain);
            record = &plain;
        }
        g_GamePacket.WriteSpawnCharacter(-1, g_NetSession.playerId, side, level, Vec3{0.0f, 0.0f, 0.0f}, *record);
        g_GamePacket.joining = JOIN_ASKED;
    }
    cache.Clear();
}

bool Character::Spawn(int newSlot, uint32_t newPlayerId, int newSide, int newLevel, float x, float y, float z,
                      const PlayerRecord* record, SkinImageCache* cache) {
    // A refused spawn leaves the record as it was.
    if (!IsSpawnable(newSide, x, y, z)) return false;
    // A fighter still here gives up its cell and look pieces first.
    if (active) Despawn();

    side = newSide;
    sideRow = &g_SideTable[side];
    behaviourRole = 0;
    DeleteModel(model);
    model = new CharacterModel();
    if (!model->CopyModel(sideRow->skeleton) || !model->root) {
        delete model;
        model = nullptr;
        return false;
    }

    attached = 0;
    AttachModel();
    slot = newSlot;
    playerId = newPlayerId;
    active = 1;

    PlayerRecord made;
    if (!record) {
        MakeRandomPlayer(side, &made);
        RandomizePlayerLook(side, &made);
        record = &made;
    }
    std::memcpy(name, record->look.name, sizeof name);
    delete lookCopy;
    lookCopy = new PlayerLook(record->look);
    if (cache && g_Settings.mode != 3) ComposeSkin(side, SkinPartsOf(record->look), cache);
    g_Menu.ApplyCharacterLook(record, slot);

    moveKeysHeld = 0;
    groundNormal = Vec3{0.0f, 1.0f, 0.0f};
    slopeVector = momentum = modelOffset = Vec3{0.0f, 0.0f, 0.0f};
    // What a record ended with must not refuse the facing, the entry animation or the protection.
    dead = 0;
    knockedDown = 0;
    health = HealthForLevel(newLevel);
    for (TimedState& t : states) t = TimedState{};

    SetPosition(x, y, z, false);
    previousPosition = position;
    for (Vec3& w : waypoints) w = position;

    PathMap* map = ScenarioPathMap();
    if (!g_Menu.active) {
        CellRef cell = CELL_NONE;
        if (map) map->WorldToCell(position, &cell, kCellTolerance);
        currentCell = cell;
    }
    previousCell = targetCell = finalCell = requestedGoalCell = homeCell = jumpCell = currentCell;
    failedGoalCell = CELL_NONE;
    failedSector = -1;
    spareCell = CELL_NONE;
    homeYaw = WrapAngle(model->angles.y);

    pathLength = 0;
    pathIndex = 0;
    std::memset(pathPoints, 0, sizeof pathPoints);
    following = 0;
    pathRequested = 0;
    velocity = rootDisplacement = rootVelocity = totalVelocity = Vec3{0.0f, 0.0f, 0.0f};

    float facing = kPi;
    if (IsNetworkActive())
        facing = playerId != 0 ? kPi : 0.0f;
    else if (g_Settings.mode == 0)
        facing = float(Random() % 3142) * 0.001f;
    SetYaw(facing);

    model->rootMotion = 1;
    Land(true);
    jumpVelocity = Vec3{0.0f, 0.0f, 0.0f};
    guarding = guardRequest = knockedDown = dead = 0;
    if (!model->bones.empty() && model->bones[0]) model->bones[0]->SetLocked(false, true);
    SetMoveMode(MOVE_STANDING);

    actionClass = upperActionClass = 0;
    currentAnimation = previousAnimation = -1;
    upperAnimation = upperPreviousAnimation = -1;
    split = 0;
    if (g_Settings.mode == 3 || g_Menu.active)
        SetAnimation(0, 0, 1, 0);
    else
        SetAnimation(kEntryAnimation[side], 0, 0, 0);
    entryOwed = 1;
    SetLevel(newLevel, false, true);

    const uint32_t now = GetTime(CLOCK_MATCH);
    credits = 0;
    creditTime = 0;
    killScore = 0;
    killTime = 0;
    // A fighter new to the match starts its result row as one placed at the start does: the slot
    // may be a leaver's. A respawn is no spawn and keeps its row; the menu's figures play no match.
    // Once the match has ended, the row of a fighter it ended with is that fighter's result until
    // the next match starts, whoever takes the slot in the pause.
    const bool endedHere = g_Match.state != MATCH_PLAYING && (g_Match.endFighters >> slot & 1u) != 0;
    if (!g_Menu.active && !endedHere) g_Scenario.ResetFighterResults(slot);
    nearestFighter = nearestEnemy = nearestEnemyLoose = attackTarget = lastAttacker = nullptr;
    nearestFighterDistance = nearestEnemyDistance = nearestEnemyLooseDistance = attackRange = lastAttackerDistance =
        0.0f;
    lastAttackAnimation = lastTauntAnimation = -1;
    lastRequestTime = 0;
    idleStart = now;
    pathStartTimes[0] = pathStartTimes[1] = 0;
    attackStartTime = knockDownTime = deathTime = defenceStartTime = guardStartTime = guardEndTime = 0;
    throwCharge = 0;
    currentPower = -1;
    castReleases = 0;
    attackHits = 0;
    pace = ActionPace{};
    for (int32_t& e : powerEffects) e = -1;
    powerRepeat = 0;
    lastPowerStart = 0;
    attachedEffect = -1;
    overlayPresent = 0;
    for (TimedState& t : states) t = TimedState{};
    springTime = portalTime = waterTime = 0;
    waterPoint = position;
    inWater = 0;
    lastSentVelocity = lastSentAimPoint = Vec3{0.0f, 0.0f, 0.0f};
    lastSentPosition = position;
    lastSentYaw = yaw;
    lastSentTarget = attackTarget;

    wallContact = groundContact = ceilingContact = 0;
    sinking = 0;
    sinkTime = 0;
    sinkPoint = Vec3{0.0f, 0.0f, 0.0f};
    return true;
}

bool Character::Despawn() {
    // The look pieces come off only an active fighter, so before it stops being one.
    g_Menu.RemoveCharacterLook(slot);
    active = 0;
    ReleaseCell();
    // The cell is given up: the next spawn registers afresh, wherever it lands.
    currentCell = CELL_NONE;
    DeleteModel(model);
    model = nullptr;
    attached = 0;
    delete lookCopy;
    lookCopy = nullptr;
    sideRow = nullptr;
    return true;
}

bool Character::AttachModel() {
    if (attached || !model || !g_Scene.characterModels) return false;
    g_Scene.characterModels->Add(model);
    attached = 1;
    SetAttachmentsVisible(model, true);
    return true;
}

bool Character::AttachToScene() {
    if (!AttachModel()) return false;
    if (IsHost() && slot != 0) g_GamePacket.WriteAttachToScene(slot);
    return true;
}

bool Character::DetachFromScene() {
    if (!attached) return false;
    if (model && g_Scene.characterModels) g_Scene.characterModels->Remove(model);
    attached = 0;
    if (model) SetAttachmentsVisible(model, false);
    return true;
}

void Character::SetPosition(float x, float y, float z, bool snap) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return;
    if (!model) {
        position = Vec3{x, y, z};
        return;
    }
    model->position.x = x - modelOffset.x;
    model->position.z = z - modelOffset.z;
    model->position.y -= modelOffset.y;
    model->heightOffset = y;
    UpdateGround(snap);
    if (!(IsNetworkActive() && g_GamePacket.dispatching)) model->applyRootMotion = 0;
}
