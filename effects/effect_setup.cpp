#include "effects/effect_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "common/random.h"
#include "core/clocks.h"
#include "core/debug_log.h"
#include "effects/bolt_effect.h"
#include "effects/effect_draw.h"
#include "effects/effect_group.h"
#include "effects/effect_list.h"
#include "effects/effect_pool.h"
#include "effects/effect_recipe.h"
#include "effects/effect_type_table.h"
#include "effects/particle_emitter.h"
#include "effects/sprite_mover.h"
#include "render/texture_manager.h"
#include "scene/scene.h"

namespace {

// The emitters of these types fade with the scenario's fog.
bool FadesEmitters(int32_t t) {
    return t == 32 || (t >= 50 && t <= 56) || t == 60 || (t >= 62 && t <= 64) || t == 66 || t == 67 || t == 79 ||
           t == 80 || t == 82 || (t >= 93 && t <= 97);
}

// The sprites of these types fade with the scenario's fog.
bool FadesSprites(int32_t t) { return t == 82 || t == 83 || t == 90; }

// A group of these types freezes out of the box from its position - below to its position + above.
struct CullBoxRule {
    int32_t first, last;
    Vec3 below, above;
};
constexpr CullBoxRule kCullBoxes[] = {
    {50, 50, {0.2f, 0.2f, 0.2f}, {0.2f, 2.0f, 0.2f}}, {51, 51, {0.4f, 0.1f, 0.4f}, {0.4f, 4.0f, 0.4f}},
    {52, 52, {0.6f, 0.1f, 0.6f}, {0.6f, 4.0f, 0.6f}}, {53, 54, {0.4f, 0.1f, 0.4f}, {0.4f, 1.0f, 0.4f}},
    {55, 55, {0.5f, 0.1f, 0.5f}, {0.5f, 2.0f, 0.5f}}, {56, 56, {0.7f, 0.1f, 0.7f}, {0.7f, 2.0f, 0.7f}},
    {60, 60, {4.0f, 7.0f, 4.0f}, {4.0f, 0.2f, 4.0f}}, {62, 62, {0.5f, 6.0f, 0.5f}, {0.5f, 1.0f, 0.5f}},
    {63, 64, {1.5f, 1.5f, 1.5f}, {1.5f, 1.5f, 1.5f}}, {66, 66, {3.0f, 3.0f, 3.0f}, {3.0f, 3.0f, 3.0f}},
    {67, 67, {1.5f, 1.5f, 1.5f}, {1.5f, 4.0f, 1.5f}}, {82, 82, {0.3f, 0.3f, 0.3f}, {0.3f, 0.3f, 0.3f}},
    {90, 90, {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}}, {93, 97, {0.2f, 0.2f, 0.2f}, {0.2f, 0.2f, 0.2f}},
};

const CullBoxRule* CullBoxOf(int32_t t) {
    for (const CullBoxRule& rule : kCullBoxes)
        if (t >= rule.first && t <= rule.last) return &rule;
    return nullptr;
}

// These cull only beyond the fog, with no box.
bool CullsByDistanceOnly(int32_t t) { return t == 32 || t == 79 || t == 80; }

// The flags a type's emitters start with: 1 to move their particles with them; 3 for the types
// whose particles also face a fixed direction; type 3 builds its facing from the start too.
uint32_t EmitterFlagsOf(int32_t t) {
    uint32_t flags = EFFECT_TYPE_TABLE[t].emitterFlag ? EMITTER_MOVE_PARTICLES : 0;
    if (flags && (t == 63 || t == 64 || t == 81)) flags |= EMITTER_FIXED_FACING;
    if (t == 3) flags += EMITTER_FIXED_FACING;
    return flags;
}

struct SceneFog {
    bool on;          // the scene holds a fog texture
    float nearDistance;
    float middle;     // halfway between the fog's near and far distances
};

SceneFog FogOfScene() {
    return {g_Scene.skyTexture >= 0, g_Scene.hazeNear, g_Scene.hazeNear + 0.5f * (g_Scene.hazeFar - g_Scene.hazeNear)};
}

// What the rows read of the call, with the type's defaults in place.
struct BuildContext {
    const EffectRequest& call;
    float scale;
    uint32_t colour;
    uint32_t drawMode;
    SceneFog fog;
};

int32_t TimeOf(const RecipeTime& t, int32_t duration) {
    if (!t.fromDuration) return t.ms;
    if (duration < 0) return EFFECT_ENDLESS;
    return int32_t(std::clamp<int64_t>(int64_t(duration) + t.ms, 0, INT32_MAX));
}

float NumberOf(const RecipeNumber& n, float scale) { return n.timesScale ? n.k * scale : n.k; }

uint32_t ColourOf(const RecipeColour& c, uint32_t colour) {
    switch (c.source) {
        case RecipeColourSource::Argument: return colour;
        case RecipeColourSource::ArgumentHalf: return colour >> 1;
        case RecipeColourSource::ArgumentAlpha: return (colour & 0x00FFFFFFu) | (c.value & 0xFF000000u);
        case RecipeColourSource::Constant: break;
    }
    return c.value;
}

Vec3 DirectionOf(const RecipeDirection& d, const EffectRequest& call) {
    switch (d.source) {
        case RecipeDirectionSource::Velocity: return call.velocity;
        case RecipeDirectionSource::Acceleration: return call.acceleration;
        case RecipeDirectionSource::Constant: break;
    }
    return d.v;
}

// A random shade of the owner's side: n in red and green with full blue for side 0, full red with
// n in green and blue for side 1. Without an owner it takes side 0's.
uint32_t SideShade(const Character* owner) {
    const uint32_t n = 50 + uint32_t(Random() % 131);
    if (owner && owner->side != 0) return 0x00FF0000u | (n << 8) | n;
    return (n << 16) | (n << 8) | 0xFFu;
}

int32_t LoadEffectTexture(const char* name) {
    if (!name || !g_Scene.textures) return -1;
    char path[160];
    std::snprintf(path, sizeof(path), "Texturas\\Efectos\\%s", name);
    return g_Scene.textures->LoadTexture(path, false, true, true);
}

SpriteMoverTemplate TemplateOf(const RecipeChild& row, const BuildContext& b, int32_t texture) {
    SpriteMoverTemplate t;
    t.lifetime = TimeOf(row.life, b.call.durationMs);
    t.direction = DirectionOf(row.direction, b.call);
    t.speed = NumberOf(row.speed, b.scale);
    t.accelDirection = DirectionOf(row.accelDirection, b.call);
    t.accel = NumberOf(row.accel, b.scale);
    t.angle = row.angle;
    if (row.angleSource == RecipeAngleSource::FromVelocity) t.angle = FacingAngleOfVelocity(b.call.velocity);
    if (row.angleSource == RecipeAngleSource::RandomMilli) t.angle = float(Random() % 3142) * 0.001f;
    t.angleSpeed = row.angleSpeed;
    if (row.facing) t.facingDirection = b.call.direction;
    t.colourStart = ColourOf(row.colours[0], b.colour);
    t.colourMiddle = ColourOf(row.colours[1], b.colour);
    t.colourEnd = ColourOf(row.colours[2], b.colour);
    t.colourMiddleTime = row.colourMiddleTime;
    t.colourFlags = CURVE_THREE_KEYS;
    t.sizeStart = NumberOf(row.sizes[0], b.scale);
    t.sizeMiddle = NumberOf(row.sizes[1], b.scale);
    t.sizeEnd = NumberOf(row.sizes[2], b.scale);
    t.sizeMiddleTime = row.sizeMiddleTime;
    t.sizeFlags = row.sizeFlags;
    t.texture = texture;
    t.frameRate = row.frameRate;
    t.blendMode = row.blendMode;
    t.drawFlags = row.drawFlags;
    return t;
}

PositionedObject* MakeSprite(const RecipeChild& row, const BuildContext& b, int32_t texture) {
    SpriteMoverTemplate t = TemplateOf(row, b, texture);
    if (FadesSprites(b.call.type)) {
        t.fadeNear = b.fog.nearDistance;
        t.fadeFar = b.fog.middle;
        if (b.fog.on) t.drawFlags |= SPRITE_DISTANCE_FADE;
    }
    auto* sprite = new SpriteMover;
    sprite->Init(&t, REMOVE_WHEN_FINISHED);
    return sprite;
}

PositionedObject* MakeEmitter(const RecipeChild& row, const BuildContext& b, int32_t texture) {
    const SpriteMoverTemplate t = TemplateOf(row, b, texture);
    EmitterParams p;
    p.lifetime = TimeOf(row.emits, b.call.durationMs);
    p.position = row.spawnCentre.timesScale ? Vec3Scale(row.spawnCentre.v, b.scale) : row.spawnCentre.v;
    p.spawnRadius = NumberOf(row.spawnRadius, b.scale);
    const AxisBox bounds = EffectBoxAround(p.position, p.spawnRadius);
    p.boundsMax = bounds.max;
    p.boundsMin = bounds.min;
    p.directionCone = row.directionCone;
    p.angleMin = row.angleMin;
    p.angleMax = row.angleMax;
    if (row.angleSource == RecipeAngleSource::FromVelocity) p.angleMin = p.angleMax = t.angle;
    p.spinMin = row.spinMin;
    p.spinMax = row.spinMax;
    p.sizeScaleStart = row.sizeScales[0];
    p.sizeScaleMiddle = row.sizeScales[1];
    p.sizeScaleEnd = row.sizeScales[2];
    p.colourJitterStart = row.colourJitters[0];
    p.colourJitterMiddle = row.colourJitters[1];
    p.colourJitterEnd = row.colourJitters[2];
    if (row.facing) {
        p.facing = b.call.direction;
        p.facingW = -Vec3Dot(b.call.position, b.call.direction);
    }
    p.rate = row.rate;
    p.lifetimeJitter = row.lifetimeJitter;
    p.flags = EmitterFlagsOf(b.call.type);
    if (FadesEmitters(b.call.type)) {
        p.fadeNear = b.fog.nearDistance;
        p.fadeFar = b.fog.middle;
        if (b.fog.on) p.flags |= EMITTER_DISTANCE_FADE;
    }
    auto* emitter = new ParticleEmitter;
    emitter->Setup(p, t, REMOVE_WHEN_FINISHED, b.drawMode);
    return emitter;
}

PositionedObject* MakeBolt(const RecipeChild& row, const BuildContext& b, int32_t texture) {
    auto* bolt = new BoltEffect;
    // From the group's origin to the aim point; the group makes both absolute.
    bolt->Init(Vec3{}, Vec3Sub(b.call.aimPoint, b.call.position), row.minStep, row.maxStep, row.width, row.jitter,
               row.blendMode, texture, ColourOf(row.colours[0], b.colour));
    return bolt;
}

PositionedObject* MakeChild(const RecipeChild& row, const BuildContext& b) {
    const int32_t texture = LoadEffectTexture(row.texture);
    switch (row.child) {
        case RecipeChildKind::Emitter: return MakeEmitter(row, b, texture);
        case RecipeChildKind::Bolt: return MakeBolt(row, b, texture);
        case RecipeChildKind::Sprite: break;
    }
    return MakeSprite(row, b, texture);
}

// The children still held here, not yet taken by the group, go with it when the set-up fails.
struct PendingChildren {
    PositionedObject* child[RECIPE_MAX_CHILDREN] = {};
    int count = 0;
    ~PendingChildren() {
        for (PositionedObject* c : child) delete c;
    }
};

// The recipe's children, built in row order and added to the group in the recipe's order.
void BuildRecipe(const EffectRecipe& recipe, const BuildContext& b, EffectGroup* group) {
    PendingChildren pending;
    const size_t rows = std::min<size_t>(recipe.rows.size(), RECIPE_MAX_CHILDREN);
    for (size_t i = 0; i < rows; ++i) pending.child[pending.count++] = MakeChild(recipe.rows[i], b);
    const EffectTypeRow& row = EFFECT_TYPE_TABLE[b.call.type];
    group->Init(b.call.position.x, b.call.position.y, b.call.position.z, row.childCount, 0, b.drawMode);
    const size_t order = recipe.addOrder.empty() ? size_t(pending.count) : recipe.addOrder.size();
    for (size_t k = 0; k < order; ++k) {
        const size_t i = recipe.addOrder.empty() ? k : recipe.addOrder[k];
        if (i >= size_t(pending.count) || !pending.child[i]) continue;
        if (group->Add(pending.child[i]) < 0) continue;
        pending.child[i] = nullptr;
    }
    for (PositionedObject* c : pending.child)
        if (c) WriteDebugLogF("Effect type %d: a child of its recipe has no place", b.call.type);
}

}  // namespace

bool EffectTypePrewarms(int32_t type) { return type >= 50 && type < 70 && type != 65; }

float FacingAngleOfVelocity(const Vec3& velocity) {
    const Vec3 v = UnitOrZero(velocity);
    float heading = std::atan2(v.x, v.z);
    if (std::fabs(v.x) < 0.0001f) heading = v.z > 0.0f ? 0.0f : kPi;
    if (heading < 0.0f) heading += 2.0f * kPi;
    return 2.0f * kPi - heading - kPi / 2.0f;
}

bool EffectSlot::Setup(const EffectRequest& call) {
    active = 1;
    stopped = 0;
    index = call.slot;
    type = call.type;
    owner = call.owner;
    target = nullptr;
    startTime = GetTime(CLOCK_MATCH);
    lastTime = GetTime(CLOCK_MATCH);
    previousPosition = position = call.position;
    velocity = call.velocity;
    acceleration = call.acceleration;
    aimPoint = call.aimPoint;
    direction = call.direction;

    const EffectRecipe* recipe = FindEffectRecipe(type);
    const uint32_t drawMode = EFFECT_TYPE_TABLE[type].sortedAsChildren ? 0 : GROUP_QUEUE_WHOLE;
    EffectGroup* made = nullptr;
    try {
        made = new EffectGroup;
        group = made;
        if (recipe) {
            uint32_t colour = call.colour;
            if (colour == 0) colour = recipe->colourBySide ? SideShade(call.owner) : recipe->colourDefault;
            const float scale = call.scale == 0.0f && recipe->scaleDefault != 0.0f ? recipe->scaleDefault : call.scale;
            const BuildContext b{call, scale, colour, drawMode, FogOfScene()};
            BuildRecipe(*recipe, b, made);
            if (const CullBoxRule* box = CullBoxOf(type)) {
                made->SetCullBox(EffectBox(Vec3Add(position, box->above), Vec3Sub(position, box->below)));
                if (b.fog.on) made->SetCullDistance(b.fog.middle);
            } else if (CullsByDistanceOnly(type) && b.fog.on) {
                made->SetCullDistance(b.fog.middle);
            }
        }
        if (EffectTypePrewarms(type)) made->Update(1000);
        SetPosition(position);
        g_Scene.effects->Add(made);
    } catch (const std::bad_alloc&) {
        delete made;
        *this = EffectSlot{};
        return false;
    }
    ++g_ActiveEffectCount;
    return true;
}
