// The HUD's 3D markers (coin, clock, compass needle) held on pick rays near the screen corners,
// the objective of each game kind the needle points to, and the live portrait inside a panel.
#include <cmath>
#include <initializer_list>

#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "frontend/hud.h"
#include "frontend/sprite2d.h"
#include "platform/gfx/d3dx_helpers.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/video.h"
#include "scene/bone.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "scene/glow.h"
#include "scene/light_slots.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"
#include "world/item.h"

namespace {

constexpr int kCoinItemType = 20;
// Coin item types from the most valuable down, with their credits.
constexpr int kCoinTypes[4] = {23, 22, 21, 20};
constexpr int32_t kCoinValues[4] = {50, 25, 5, 1};
constexpr int kPortraitBone = 4;
// The bones posed again for the portrait's camera.
constexpr int kPortraitBones[18] = {6, 8, 10, 12, 14, 16, 18, 24, 26, 28, 30, 33, 36, 38, 44, 46, 48, 50};

DynamicMesh* CopyMarker(const DynamicMesh* model) {
    if (!model) return nullptr;
    DynamicMesh* copy = new DynamicMesh();
    copy->CloneFrom(*model);
    copy->lit = 0;
    return copy;
}

Quat AxisRotation(const Vec3& axis, float angle) {
    const float s = std::sin(angle * 0.5f);
    return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle * 0.5f)};
}

// The marker on the pick ray through the screen point (fractions), d units from the eye.
void PlaceOnRay(DynamicMesh* marker, const Camera& camera, float fx, float fy, float d, const Quat& rotation) {
    Ray ray{};
    ScreenPointToRay(&ray, int32_t(fx * SpriteScreenWidth()), int32_t(fy * SpriteScreenHeight()), camera);
    marker->transform.translation = Vec3Add(ray.origin, Vec3Scale(ray.direction, d));
    marker->transform.rotation = rotation;
    marker->transformValid = 0;
}

bool IsSide(int side) { return side == 0 || side == 1; }

}  // namespace

float HudYaw(const Vec3& a, const Vec3& b) {
    const float dx = b.x - a.x, dz = b.z - a.z;
    if (dx == 0.0f) return dz < 0.0f ? kPi : 0.0f;
    if (dz == 0.0f) return dx < 0.0f ? 1.5f * kPi : 0.5f * kPi;
    const float t = std::atan(std::fabs(dx) / std::fabs(dz));
    if (dx > 0.0f) return dz > 0.0f ? t : kPi - t;
    return dz < 0.0f ? kPi + t : kTwoPi - t;
}

void Hud::LoadMarkers() {
    coinMarker = CopyMarker(g_ItemModels[kCoinItemType]);
    coinSpin = 0.0f;
    if (ModeHasTimeLimit(g_Match.gameKind)) clockMarker = CopyMarker(AsDynamicMesh(g_Match.modeTemplates[TEMPLATE_CLOCK]));
    clockSpin = 0.0f;
    compassMarker = CopyMarker(AsDynamicMesh(g_Match.modeTemplates[TEMPLATE_COMPASS]));
    objectiveBearing = 0.0f;
    objectiveDistance = 0.0f;
    objectiveValue = 0;
}

bool Hud::FindObjective(Character* local, Vec3* out) {
    const Match& m = g_Match;
    const int side = m.localSide;
    switch (m.gameKind) {
    case 0: {
        if (!IsSide(side)) return false;
        const SymbolRecord& theirs = m.symbols[1 - side];
        *out = theirs.carrier == local ? m.symbols[side].symbolPosition : theirs.symbolPosition;
        return true;
    }
    case 1: {
        if (!IsSide(side)) return false;
        const int32_t next = m.checkpointsPassed[side];
        if (next < 0 || next >= MATCH_CHECKPOINTS || m.checkpoints[next].index < 0) return false;
        *out = m.checkpoints[next].position;
        return true;
    }
    case 2:
    case 7:
        objectiveValue = 0;
        for (int i = 0; i < 4; ++i) {
            const int slot = local->NearestItemOfType(kCoinTypes[i]);
            if (slot < 0) continue;
            objectiveValue = kCoinValues[i];
            *out = g_Items[slot].position;
            return true;
        }
        return false;
    case 3: {
        const int i = local->NearestSearchObject(1000.0f);
        if (i < 0 || i >= MATCH_SEARCH_OBJECTS) return false;
        *out = EffectSlotPosition(m.searchObjects[i]);
        return true;
    }
    case 4: {
        Character* cursed = m.cursedFighter;
        if (!cursed) return false;
        Character* aim = cursed == local ? local->nearestEnemy : cursed;
        if (!aim) return false;
        *out = aim->position;
        return true;
    }
    case 5:
    case 6:
        if (!local->nearestEnemy) return false;
        *out = local->nearestEnemy->position;
        return true;
    default: return false;
    }
}

void Hud::UpdateMarkers() {
    Character* local = g_HudShellCalls.localFighter();
    const Camera* camera = g_Scene.camera;
    if (!local || !camera) return;
    const Quat view = gfx::QuaternionRotationMatrix(camera->view);
    const float dt = g_HudShellCalls.frameSeconds();
    if (coinMarker) {
        coinSpin += dt * 2.5f;
        PlaceOnRay(coinMarker, *camera, 0.95f, 0.07f, 10.0f, QuatMul(AxisRotation({0, 1, 0}, coinSpin), view));
    }
    if (clockMarker) {
        clockSpin += dt * 1.5f;
        PlaceOnRay(clockMarker, *camera, 0.06f, 0.19f, 22.0f, QuatMul(AxisRotation({0, 1, 0}, clockSpin), view));
    }
    if (!compassMarker) return;
    Vec3 objective{};
    if (FindObjective(local, &objective)) {
        objectiveBearing =
            HudYaw(local->position, objective) - HudYaw(g_HudShellCalls.cameraEye(), g_HudShellCalls.cameraTarget());
        objectiveDistance = Vec3Length(Vec3Sub(objective, local->position));
    } else {
        objectiveBearing = 0.0f;
        objectiveDistance = 0.0f;
    }
    PlaceOnRay(compassMarker, *camera, 0.95f, 0.2f, 14.0f, QuatMul(AxisRotation({0, 0, 1}, objectiveBearing), view));
}

void Hud::DrawPortraitPanel(float x, float y, float size, Character* fighter) {
    if (!fighter || !IsSide(fighter->side)) return;
    const int s = fighter->side;
    Sprite2D* marker = markers[s];
    if (marker) {
        marker->SetSize(0.0f, size, SPRITE_SIZE_FROM_HEIGHT);
        marker->SetPosition(x, y);
        marker->diffuse = 0xFFFFFFFF;
        marker->specular = 0;
        marker->Draw();
    }
    g_Video.SetZEnable(true);
    g_Video.ClearZBuffer();
    if (Sprite2D* mask = portraitMasks[s]) {
        mask->SetSize(0.0f, size, SPRITE_SIZE_FROM_HEIGHT);
        mask->SetPosition(x, y);
        mask->SetPixelHeight(mask->pixelHeight + 1);
        mask->blendMode = 2;
        mask->Draw();
    }

    CharacterModel* model = fighter->model;
    Bone* head = model && int(model->bones.size()) > kPortraitBone ? model->bones[kPortraitBone] : nullptr;
    if (marker && head && g_Scene.camera) {
        const ScreenRect saved = g_Video.screenRect;
        g_Video.SetViewport(marker->pixelX, marker->pixelY, marker->pixelX + marker->pixelWidth,
                            marker->pixelY + marker->pixelHeight);
        Vec3 target{};
        head->GetWorldPosition(&target);
        target.y += 0.43f;
        const Vec3 eye{target.x + 1.8f * std::sin(fighter->yaw), target.y - 0.2f, target.z + 1.8f * std::cos(fighter->yaw)};
        Camera* portrait = new Camera();
        portrait->SetWithUp(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0, 1, 0, 0.7853982f, 0.05f, 10.0f);
        portrait->Update();
        const bool pushed = g_Scene.PushCamera(portrait);
        for (int b : kPortraitBones)
            if (b < int(model->bones.size()) && model->bones[size_t(b)]) model->bones[size_t(b)]->poseStamp = 0;
        if (g_Scene.materials) g_Scene.materials->ResetCache();
        if (g_Scene.lightSlots) g_Scene.lightSlots->DisableAll();
        g_Video.RestoreStates();
        g_Scene.skyLayer = 1;
        model->SetAlpha(255);
        model->DrawVariant();
        model->DrawAttachments();
        g_Scene.skyLayer = 0;
        g_Video.SetZEnable(false);
        g_Video.SetViewport(saved.left, saved.top, saved.right, saved.bottom);
        if (pushed) g_Scene.PopCamera();
        g_Scene.camera->Update();
        delete portrait;
    }
    // Whatever was drawn above, the 2D pass goes on with its own states.
    g_Video.SetZEnable(false);
    g_Video.Begin2D();
    DrawPanelBars(x, y, size, fighter);
}
