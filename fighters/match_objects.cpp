// The mode objects of the symbol and race kinds and of the curse: the team symbols on their
// pedestals, the numbered race posts, the curse marker and their per-frame spin.
#include <cmath>
#include <cstdint>

#include "core/clocks.h"
#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/match.h"
#include "fighters/match_checks.h"
#include "scene/object_list.h"
#include "scene/scene.h"
#include "world/dynamic_mesh.h"
#include "world/scenario.h"
#include "world/world_seams.h"

using namespace matchrules;

namespace {

constexpr float kSpinPerSecond = 1.5f;
constexpr int kCaptureSound = 252;
constexpr int kCheckpointSound = 253;
constexpr uint32_t kScoreFlashMs = 600;

constexpr int kSymbolEffect = 83;
constexpr int kFlameEffect = 90;
constexpr int kPassEffect = 82;
constexpr uint32_t kSymbolColour[2] = {0x0032b4, 0xb43200};
constexpr uint32_t kPassColour[2] = {0x0000ff, 0xff0000};
// Where the post's own frame holds its flames, digits and sign.
constexpr Vec3 kFlamePoints[3] = {{-0.032f, 1.687f, -0.603f}, {-0.032f, 1.83f, 0.612f}, {0.031f, 2.645f, -0.044f}};
constexpr float kFlameParameters[3] = {0.78f, 0.78f, 1.105f};
constexpr Vec3 kSingleDigitPoint = {0.031f, 2.645f, -0.044f};
constexpr Vec3 kUnitsPoint = {0.031f, 2.645f, 0.086f};
constexpr Vec3 kTensPoint = {0.031f, 2.645f, -0.174f};
constexpr Vec3 kSignPoint = {0.06f, 1.27f, 0.0f};
constexpr Vec3 kSymbolHomeScale = {4.5f, 1.4f, 1.4f};
constexpr Vec3 kSymbolCarriedScale = {2.0f, 0.5f, 0.5f};

Quat YawQuat(float a) { return {0.0f, std::sin(a / 2.0f), 0.0f, std::cos(a / 2.0f)}; }

void Place(DynamicMesh* m, const Vec3& position, const Vec3& scale, float yaw) {
    m->transform.translation = position;
    m->transform.stretchScale = scale;
    m->transform.rotation = YawQuat(yaw);
    m->transformValid = 0;
    m->UpdateTransform();
}

void TurnMesh(DynamicMesh* m, float angle) {
    m->transform.rotation = QuatMul(YawQuat(angle), m->transform.rotation);
    m->transformValid = 0;
}

// A copy of a template put into the scene's object list; null when either is missing.
DynamicMesh* NewMeshFrom(SceneNode* node) {
    DynamicMesh* source = AsDynamicMesh(node);
    if (!source || !g_Scene.objects) return nullptr;
    auto* m = new DynamicMesh();
    if (!m->CloneFrom(*source)) {
        delete m;
        return nullptr;
    }
    g_Scene.objects->Add(m);
    return m;
}

// A copy of a solid template in the collidable list (or a plain copy there for the race's
// digits and signs, which stand on the post).
DynamicCollidableMesh* NewCollidableFrom(SceneNode* node) {
    DynamicCollidableMesh* source = AsDynamicCollidableMesh(node);
    if (!source || !g_Scene.collidables) return nullptr;
    auto* m = new DynamicCollidableMesh();
    if (!m->CloneCollidableFrom(*source)) {
        delete m;
        return nullptr;
    }
    g_Scene.collidables->Add(m);
    return m;
}

DynamicMesh* NewMeshInCollidables(SceneNode* node) {
    DynamicMesh* source = AsDynamicMesh(node);
    if (!source || !g_Scene.collidables) return nullptr;
    auto* m = new DynamicMesh();
    if (!m->CloneFrom(*source)) {
        delete m;
        return nullptr;
    }
    g_Scene.collidables->Add(m);
    return m;
}

void DeleteFrom(ObjectList* list, SceneNode*& node) {
    if (node && list) list->Delete(node);
    node = nullptr;
}

Vec3 PostPoint(SceneNode* post, const Vec3& local) {
    DynamicMesh* m = AsDynamicMesh(post);
    return m ? Vec3TransformCoord(local, m->world) : local;
}

int32_t CreatePlainEffect(int type, const Vec3& at, int32_t durationMs, float parameter, uint32_t colour) {
    const Vec3 zero{0.0f, 0.0f, 0.0f};
    return CreateEffect(-1, type, at, at, zero, zero, zero, durationMs, parameter, colour, nullptr);
}

// The yaw a new post takes so that it faces back to the previous one.
float YawTowardPrevious(const Vec3& previous, const Vec3& point) {
    float theta;
    if (previous.x == point.x) {
        theta = previous.z < point.z ? kPi : 0.0f;
    } else if (previous.z == point.z) {
        theta = previous.x < point.x ? 3.0f * kPi / 2.0f : kPi / 2.0f;
    } else {
        theta = std::atan2(previous.x - point.x, previous.z - point.z);
        if (theta < 0.0f) theta += 2.0f * kPi;
    }
    return kPi / 2.0f - theta;
}

}  // namespace

bool Match::CreateSymbol(float x, float y, float z, float yaw, int team) {
    if (gameKind != 0 || !IsTeamIndex(team)) return false;
    SymbolRecord& r = symbols[team];
    SceneNode* pedestalTemplate = collidableTemplates[team == 0 ? TEMPLATE_PEDESTAL0 : TEMPLATE_PEDESTAL1];
    SceneNode* symbolTemplate = modeTemplates[team == 0 ? TEMPLATE_SYMBOL0 : TEMPLATE_SYMBOL1];
    if (!pedestalTemplate || !symbolTemplate || r.pedestal) return false;
    r.team = team;
    r.atHome = 1;
    r.pedestalPosition = {x, y, z};
    r.symbolPosition = {x, y + 2.0f, z};
    r.yaw = yaw;
    if (DynamicCollidableMesh* p = NewCollidableFrom(pedestalTemplate)) {
        Place(p, r.pedestalPosition, {2.0f, 2.0f, 2.0f}, yaw);
        r.pedestal = p;
    }
    if (DynamicMesh* s = NewMeshFrom(symbolTemplate)) {
        Place(s, r.symbolPosition, kSymbolHomeScale, 0.0f);
        r.symbol = s;
    }
    AttachSymbolEffect(team, 1);
    return true;
}

void Match::AttachSymbolEffect(int team, int) {
    if (!IsTeamIndex(team)) return;
    SymbolRecord& r = symbols[team];
    if (!r.symbol) return;
    const int32_t e = CreatePlainEffect(kSymbolEffect, r.symbolPosition, EFFECT_ENDLESS, r.carrier ? 0.5f : 0.0f,
                                        kSymbolColour[team]);
    if (e != EFFECT_NO_SLOT) r.effect = e;
}

void Match::SetSymbolCarrier(int team, float x, float y, float z, Character* carrier) {
    if (!IsTeamIndex(team)) return;
    SymbolRecord& r = symbols[team];
    if (r.effect != EFFECT_NO_SLOT) EffectSlotStop(r.effect, 200);
    r.effect = EFFECT_NO_SLOT;
    r.atHome = 0;
    DynamicMesh* s = AsDynamicMesh(r.symbol);
    Vec3 scale = kSymbolHomeScale;
    if (carrier) {
        scale = kSymbolCarriedScale;
        r.carrier = carrier;
        r.symbolPosition = Raised(carrier->position, 2.0f);
    } else {
        r.carrier = nullptr;
        if (std::fabs(x) < 0.0001f && std::fabs(y) < 0.0001f && std::fabs(z) < 0.0001f) {
            r.symbolPosition = Raised(r.pedestalPosition, 2.0f);
            r.atHome = 1;
        } else {
            r.symbolPosition = {x, y, z};
        }
    }
    if (s) {
        s->transform.stretchScale = scale;
        s->SetPosition(r.symbolPosition);
        s->UpdateTransform();
    }
    AttachSymbolEffect(team, 1);
}

void Match::CaptureSymbol(Character* carrier) {
    if (!carrier || !IsTeamIndex(carrier->side)) return;
    const int side = carrier->side;
    ++captures[side];
    captureTime[side] = GetTime(CLOCK_MATCH);
    SpawnFlash(kScoreFlashMs, false);
    AddToResult(TeamResultIndex(side, TEAM_SYMBOLS), 1);
    AddToResult(FighterResultIndex(carrier->slot, FIGHTER_SYMBOLS), 1);
    PlaySound(kCaptureSound, carrier->position);
}

void Match::ClearSymbol(int team) {
    if (!IsTeamIndex(team)) return;
    SymbolRecord& r = symbols[team];
    r.team = team;
    r.atHome = 0;
    r.pedestalPosition = r.symbolPosition = {0.0f, 0.0f, 0.0f};
    r.yaw = 0.0f;
    r.carrier = nullptr;
    DeleteFrom(g_Scene.collidables, r.pedestal);
    DeleteFrom(g_Scene.objects, r.symbol);
    if (r.effect != EFFECT_NO_SLOT) EffectSlotFree(r.effect);
    r.effect = EFFECT_NO_SLOT;
}

void Match::SpinSymbols() {
    const float turn = kSpinPerSecond * g_FighterShellCalls.frameSeconds();
    for (SymbolRecord& r : symbols) {
        DynamicMesh* s = AsDynamicMesh(r.symbol);
        if (!s) continue;
        TurnMesh(s, turn);
        if (r.carrier) r.symbolPosition = Raised(r.carrier->position, 2.0f);
        s->SetPosition(r.symbolPosition);
        s->UpdateTransform();
        if (r.effect != EFFECT_NO_SLOT) EffectSlotSetPosition(r.effect, r.symbolPosition);
    }
}

int Match::CreateCheckpoint(float x, float y, float z, float yaw) {
    if (gameKind != 1 || !collidableTemplates[TEMPLATE_POST]) return -1;
    int i = 0;
    while (i < MATCH_CHECKPOINTS && checkpoints[i].post) ++i;
    if (i == MATCH_CHECKPOINTS) return -1;
    const Vec3 point{x, y, z};
    if (i > 0) yaw = YawTowardPrevious(checkpoints[i - 1].position, point);

    // The post first: a record without one would count toward the goal but could never be passed.
    DynamicCollidableMesh* post = NewCollidableFrom(collidableTemplates[TEMPLATE_POST]);
    if (!post) return -1;
    Place(post, point, {1.3f, 1.3f, 1.3f}, yaw);

    CheckpointRecord& r = checkpoints[i];
    r = CheckpointRecord{i, {0, 0}, point, yaw, post, {nullptr, nullptr}, nullptr};
    checkpointCount = i + 1;

    if (g_Settings.mode != 3) {
        for (int f = 0; f < 3; ++f)
            CreatePlainEffect(kFlameEffect, PostPoint(post, kFlamePoints[f]), EFFECT_ENDLESS, kFlameParameters[f],
                              0xffffff);
        const int n = i + 1;
        const int units = n % 10, tens = n / 10;
        const int shown[2] = {units, tens};
        for (int d = 0; d < (tens != 0 ? 2 : 1); ++d) {
            DynamicMesh* digit = NewMeshInCollidables(modeTemplates[TEMPLATE_NUM0 + shown[d]]);
            if (!digit) continue;
            digit->lit = 0;
            const Vec3 local = tens == 0 ? kSingleDigitPoint : d == 0 ? kUnitsPoint : kTensPoint;
            Place(digit, PostPoint(post, local), digit->transform.stretchScale, yaw + kPi / 2.0f);
            r.digits[d] = digit;
        }
        if (DynamicMesh* sign = NewMeshInCollidables(modeTemplates[i == 0 ? TEMPLATE_START_SIGN : TEMPLATE_FINISH_SIGN])) {
            Place(sign, PostPoint(post, kSignPoint), {1.1f, 1.1f, 1.1f}, yaw);
            r.sign = sign;
        }
        // The start sign stays on the first post and the finish sign moves to the newest.
        if (i > 1) DeleteFrom(g_Scene.collidables, checkpoints[i - 1].sign);
    }
    return i;
}

bool Match::PassCheckpoint(int index, int team, int slot) {
    if (index < 0 || index >= MATCH_CHECKPOINTS || !IsTeamIndex(team)) return false;
    CheckpointRecord& r = checkpoints[index];
    if (!r.post || r.passed[team]) return false;
    r.passed[team] = 1;
    checkpointsPassed[team] = index + 1;
    checkpointTime[team] = GetTime(CLOCK_MATCH);
    const Vec3 at = PostPoint(r.post, kFlamePoints[team]);
    CreatePlainEffect(kPassEffect, at, EFFECT_ENDLESS, 0.0f, kPassColour[team]);
    AddToResult(TeamResultIndex(team, TEAM_CHECKPOINTS), 1);
    if (slot != -1) AddToResult(FighterResultIndex(slot, FIGHTER_CHECKPOINTS), 1);
    PlaySound(kCheckpointSound, at);
    return true;
}

void Match::SetCheckpointYaw(int index, float delta) {
    if (index < 0 || index >= MATCH_CHECKPOINTS) return;
    CheckpointRecord& r = checkpoints[index];
    DynamicMesh* post = AsDynamicMesh(r.post);
    if (!post) return;
    TurnMesh(post, delta);
    post->UpdateTransform();
    r.yaw += delta;
}

void Match::ClearCheckpoint(int index) {
    if (index < 0 || index >= MATCH_CHECKPOINTS) return;
    CheckpointRecord& r = checkpoints[index];
    r.index = -1;
    r.passed[0] = r.passed[1] = 0;
    r.position = {0.0f, 0.0f, 0.0f};
    r.yaw = 0.0f;
    DeleteFrom(g_Scene.collidables, r.post);
    DeleteFrom(g_Scene.collidables, r.digits[0]);
    DeleteFrom(g_Scene.collidables, r.digits[1]);
    DeleteFrom(g_Scene.collidables, r.sign);
}

bool Match::CreateCurseMarker(float x, float y, float z) {
    if (gameKind != 4 || !modeTemplates[TEMPLATE_SYMBOL2] || curseMarker) return false;
    if (DynamicMesh* m = NewMeshFrom(modeTemplates[TEMPLATE_SYMBOL2])) {
        Place(m, {x, y, z}, {2.0f, 0.6f, 0.6f}, 0.0f);
        curseMarker = m;
    }
    return true;
}

void Match::SetCursedCharacter(Character* fighter, bool freeze) {
    cursedFighter = fighter;
    // Nobody to freeze: the curse lies with no one until it is given again.
    if (!freeze || !fighter) return;
    const int64_t ms = int64_t(g_Settings.freezeTime) * 1000;
    fighter->StartFreeze(ms > INT32_MAX ? INT32_MAX : int(ms), 1000);
}

void Match::SpinCurseMarker() {
    DynamicMesh* m = AsDynamicMesh(curseMarker);
    if (!cursedFighter || !m) return;
    TurnMesh(m, kSpinPerSecond * g_FighterShellCalls.frameSeconds());
    m->SetPosition(Raised(cursedFighter->position, 1.9f));
    m->UpdateTransform();
}
