// The scenario's fixed features, taken from the scene's elements: the health and energy springs,
// and the portals with their records, their cells on the path map and their pairs.
#include "world/scenario.h"

#include <bit>
#include <cmath>
#include <numbers>

#include "core/debug_log.h"
#include "effects/effect_slots.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "scene/scene_element.h"

namespace {

constexpr int32_t kPortalEffect = 63;   // plus the portal's kind
constexpr int32_t kLastPortalEffect = 64;
constexpr int32_t kHealthSpringEffect = 66;
constexpr int32_t kEnergySpringEffect = 67;
constexpr uint32_t kHealthSpring = 1;
constexpr uint32_t kEnergySpring = 2;
constexpr float kPortalCellTolerance = 100.0f;

// The effects made for springs and portals, so that the next set-up frees them rather than
// doubling them.
struct FeatureEffects {
    int32_t slot[EFFECT_SLOT_COUNT];
    int32_t type[EFFECT_SLOT_COUNT];
    int32_t count;
};
FeatureEffects g_FeatureEffects{};

Vec3 VectorAt(const uint32_t* v) {
    return {std::bit_cast<float>(v[0]), std::bit_cast<float>(v[1]), std::bit_cast<float>(v[2])};
}

int32_t MakeFeatureEffect(int32_t type, const Vec3& at) {
    const Vec3 zero{};
    const int32_t slot =
        CreateEffect(-1, type, at, zero, zero, zero, zero, EffectTypeLifetime(type), 0.0f, 0, nullptr);
    FeatureEffects& made = g_FeatureEffects;
    if (slot >= 0 && made.count < EFFECT_SLOT_COUNT) {
        made.slot[made.count] = slot;
        made.type[made.count] = type;
        ++made.count;
    }
    return slot;
}

// Only a slot that still holds an effect of the type made there is ours to free.
void FreeFeatureEffects() {
    FeatureEffects& made = g_FeatureEffects;
    for (int32_t i = 0; i < made.count; ++i)
        if (EffectSlotType(made.slot[i]) == made.type[i]) EffectSlotFree(made.slot[i]);
    made.count = 0;
}

// The yaw a portal faces along the direction: 0 faces +z, pi/2 faces +x.
float PortalYaw(const Vec3& direction) {
    const float length = Vec3Length(direction);
    const Vec3 d = length < 1e-6f || !std::isfinite(length) ? Vec3{} : Vec3Scale(direction, 1.0f / length);
    float yaw = std::fabs(d.x) < 0.0001f ? (d.z <= 0.0f ? kPi : 0.0f) : std::atan2(d.x, d.z);
    if (yaw > kTwoPi) yaw = std::fmod(yaw, kTwoPi);
    if (yaw < 0.0f) yaw += kTwoPi;
    return yaw;
}

void PlacePortal(const SceneElement8& element) {
    const uint32_t kind = element.values[6];
    // A kind from a damaged file would make some other effect type.
    if (kind > uint32_t(kLastPortalEffect - kPortalEffect)) {
        WriteDebugLogF("Portal element of kind %u skipped", unsigned(kind));
        return;
    }
    const int32_t slot = MakeFeatureEffect(kPortalEffect + int32_t(kind), VectorAt(&element.values[3]));
    if (slot >= 0) EffectSlotSetDirection(slot, PortalYaw(VectorAt(&element.values[0])));
}

void ClearPortalPointers(PathMap& map) {
    for (auto& column : map.columns)
        for (PathCell& cell : column)
            for (PathLayer& layer : cell.layers) layer.portal = nullptr;
}

// Two portals lead into each other whatever their kinds; more are paired by kind, in order.
void PairPortals() {
    PortalRecord* p = g_Portals;
    int32_t found = 0;
    while (found < PORTAL_COUNT && p[found].active) ++found;
    if (found < 3) {
        // A lone portal has no partner: one would send its users to the origin.
        if (p[0].active && p[1].active) {
            p[0].partner = 1;
            p[1].partner = 0;
        }
        return;
    }
    for (int32_t i = 0; i < found; ++i) {
        if (p[i].partner >= 0) continue;
        for (int32_t j = 0; j < found; ++j) {
            if (j == i || p[j].partner >= 0 || p[j].kind != p[i].kind) continue;
            p[i].partner = j;
            p[j].partner = i;
            break;
        }
    }
}

}  // namespace

void ForgetSpringAndPortalEffects() { g_FeatureEffects.count = 0; }

void Scenario::SetupSpringsAndPortals() {
    FreeFeatureEffects();
    healthSpring = energySpring = 0;
    if (g_Scene.elements) {
        for (ObjectListNode* n = g_Scene.elements->head; n; n = n->next) {
            if (const auto* portal = dynamic_cast<const SceneElement8*>(n->object)) {
                PlacePortal(*portal);
                continue;
            }
            const auto* spring = dynamic_cast<const SceneElement4*>(n->object);
            if (!spring) continue;
            const Vec3 at = VectorAt(&spring->values[0]);
            if (spring->values[3] == kHealthSpring) {
                healthSpring = 1;
                healthSpringCentre = at;
                MakeFeatureEffect(kHealthSpringEffect, at);
            } else if (spring->values[3] == kEnergySpring) {
                energySpring = 1;
                energySpringCentre = at;
                MakeFeatureEffect(kEnergySpringEffect, at);
            }
        }
    }

    for (PortalRecord& p : g_Portals) p = PortalRecord{0, -1, -1, {}, {}};
    ClearPortalPointers(pathMap);
    int32_t found = 0;
    for (int32_t s = 0; s < EFFECT_SLOT_COUNT && found < PORTAL_COUNT; ++s) {
        const int32_t type = EffectSlotType(s);
        if (type < kPortalEffect || type > kLastPortalEffect) continue;
        PortalRecord& record = g_Portals[found++];
        record = PortalRecord{1, type - kPortalEffect, -1, EffectSlotPosition(s), EffectSlotFacing(s)};
        CellRef cell{};
        if (pathMap.WorldToCell(record.position, &cell, kPortalCellTolerance)) pathMap.GetLayer(cell)->portal = &record;
    }
    PairPortals();
}
