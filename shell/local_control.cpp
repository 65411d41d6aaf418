#include "shell/local_control.h"

#include <algorithm>
#include <cmath>

#include "common/random.h"
#include "fighters/character.h"
#include "fighters/match.h"
#include "net/session.h"
#include "platform/os/os.h"
#include "render/geometry.h"
#include "scene/camera.h"
#include "scene/character_model.h"
#include "core/clocks.h"
#include "shell/control.h"
#include "shell/control_modes.h"
#include "shell/mouse.h"
#include "core/settings.h"
#include "world/scenario.h"

uint32_t g_SendTimer50 = 0, g_SendTimer200 = 0;

namespace {

constexpr float kLookRate = 0.0023f;     // radians per pixel of look
constexpr float kStrafeRate = 0.005f;    // radians per ms
constexpr float kYawResend = 0.0872665f;
constexpr int kSpawning = 13;
constexpr int kRising = 14;

enum Action {
    A_FORWARD = 0, A_BACK = 1, A_LEFT = 2, A_RIGHT = 3, A_TURN_LEFT = 4, A_TURN_RIGHT = 5, A_PITCH_DOWN = 6,
    A_PITCH_UP = 7, A_MELEE = 8, A_CAST = 9, A_JUMP = 10, A_GAIT = 11, A_CHARGE = 12, A_POWER_FIRST = 13,
    A_POWER_LAST = 22,
};

// The team's symbol and who carries it; `carried` is set while the symbol stands on its pedestal,
// so a fighter named with the flag clear carries it away from home.
Character* MatchSymbolHolder(int team, bool* carried) {
    if (team != 0 && team != 1) {
        *carried = false;
        return nullptr;
    }
    const SymbolRecord& symbol = g_Match.symbols[team];
    *carried = symbol.atHome != 0;
    return symbol.carrier;
}
Character* MatchCursedFighter() { return g_Match.cursedFighter; }

float RealBoneFrame(Character* c, int bone) {
    if (!c->model) return 0.0f;
    int animation = -1, count = 0;
    float frame = 0.0f;
    c->model->GetAnimationInfo(bone, &animation, &frame, &count);
    return frame;
}

FighterCalls RealCalls() {
    FighterCalls f;
    f.setAnimation = [](Character* c, int a, int blend, int flag, int layer) { c->SetAnimation(a, blend, flag, layer); };
    f.setAnimationTime = [](Character* c, float frame, int layer) { c->SetAnimationTime(frame, layer); };
    f.turn = [](Character* c, float d) { c->Turn(d); };
    f.setPosition = [](Character* c, const Vec3& p) { c->SetPosition(p.x, p.y, p.z, true); };
    f.update = [](Character* c, int ms) { c->Update(ms); };
    f.hasLineOfSight = [](Character* c, Character* t) { return c->HasLineOfSight(t); };
    f.distanceTo = [](Character* c, Character* o) { return c->DistanceTo(o); };
    f.maxGuardTime = [](Character* c) { return c->MaxGuardTime(); };
    f.startGuard = [](Character* c) { c->StartGuard(); };
    f.findIncomingEffect = [](Character* c, Vec3* p) { return c->FindIncomingEffect(p); };
    f.willBeHitBy = [](Character* c, Character* a) { return c->WillBeHitBy(a); };
    f.canUsePower = [](Character* c, int k) { return c->CanUsePower(k); };
    f.startPower = [](Character* c, int k) { c->StartPower(k); };
    f.modelYaw = [](Character* c) { return c->ModelYaw(); };
    f.turnModel = [](Character* c, float d) { c->TurnModel(d); };
    f.setModelAlpha = [](Character* c, int a) { c->SetModelAlpha(a); };
    f.passedFrame = [](Character* c, int bone, float frame) {
        return c->model && c->model->AnimationPassedFrame(bone, frame);
    };
    f.animationWrapped = [](Character* c, int bone) { return c->AnimationWrapped(bone); };
    f.boneFrame = RealBoneFrame;
    f.scenarioRayQuery = [](const Vec3& o, const Vec3& d, float len, Vec3* hit, uint32_t mask, Character** who,
                            Character* excluded) {
        return g_Scenario.RayQuery(Ray{d, o}, len, hit, nullptr, mask, who, nullptr, excluded, nullptr);
    };
    f.symbolHolder = MatchSymbolHolder;
    f.cursedFighter = MatchCursedFighter;
    f.writeSetCharge = [](Character* c) { g_GamePacket.WriteSetCharge(c); };
    f.writeSetPosition = [](Character* c) { g_GamePacket.WriteSetPosition(c); };
    f.writeSetYaw = [](Character* c) { g_GamePacket.WriteSetYaw(c); };
    f.writeSetTarget = [](Character* c) { g_GamePacket.WriteSetTarget(c); };
    f.writeSetAimPoint = [](Character* c) { g_GamePacket.WriteSetAimPoint(c); };
    f.networkActive = [] { return IsNetworkActive(); };
    f.matchTime = [] { return GetTime(CLOCK_MATCH); };
    f.random = [] { return Random(); };
    return f;
}

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

// "Start a" without other arguments.
void Start(Character* c, int animation) { g_FighterCalls.setAnimation(c, animation, 0, 1, 0); }

// Starts an animation continuing from where the one it replaces stood, at most `limit`.
void StartContinued(Character* c, int animation, int flag, float limit, bool exactly) {
    float frame = exactly ? limit : std::min(g_FighterCalls.boneFrame(c, 0), limit);
    g_FighterCalls.setAnimation(c, animation, 0, flag, 0);
    g_FighterCalls.setAnimationTime(c, frame, 0);
}

// The first chain step whose frame the attack just passed starts its next attack.
template <size_t N>
bool ChainStep(Character* c, const AttackChain (&chains)[N]) {
    for (const AttackChain& k : chains) {
        if (c->currentAnimation != k.from || !g_FighterCalls.passedFrame(c, 0, k.pastFrame)) continue;
        Start(c, k.to);
        g_FighterCalls.setAnimationTime(c, k.startFrame, 0);
        return true;
    }
    return false;
}

}  // namespace

FighterCalls g_FighterCalls = RealCalls();

void ResetFighterCalls() { g_FighterCalls = RealCalls(); }

void ResetLocalControl() {
    g_SendTimer50 = 0;
    g_SendTimer200 = 0;
}

void Control::UpdateAimPoint() {
    const FighterCalls& call = g_FighterCalls;
    Character* me = localCharacter;
    if (selectedPower == POWER_NONE) {
        aimCharacter = nullptr;
        aimPoint = Vec3{0.0f, 0.0f, 0.0f};
        if (me) me->aimPoint = aimPoint;
        return;
    }
    Camera* camera = MainCamera();
    if (!camera) return;
    Ray ray{};
    ScreenPointToRay(&ray, ScreenWidth() / 2, ScreenHeight() / 2, *camera);
    Vec3 dir = Vec3Normalize(ray.direction);
    Vec3 start = ray.origin;
    // Start beside the fighter so that nothing between the camera and it is hit.
    if (me) {
        float l2 = dir.x * dir.x + dir.z * dir.z;
        if (l2 > 0.0001f) {
            float t = ((me->position.x - start.x) * dir.x + (me->position.z - start.z) * dir.z) / l2;
            if (t >= 0.0f) start = Vec3Add(start, Vec3Scale(dir, t));
        }
    }
    Vec3 hit{};
    Character* who = nullptr;
    if (call.scenarioRayQuery(start, dir, AIM_RAY_LENGTH, &hit, AIM_RAY_MASK, &who, me)) {
        aimCharacter = who;
        aimPoint = hit;
    } else {
        aimCharacter = nullptr;
        aimPoint = Vec3Add(start, Vec3Scale(dir, AIM_RAY_LENGTH));
    }
    if (!me) return;
    me->aimPoint = aimPoint;

    if (aimCharacter) {
        me->attackTarget = aimCharacter;
    } else {
        me->attackTarget = me->nearestEnemy;
        Character* preferred = nullptr;
        if (g_Match.gameKind == 0) {
            bool carried = false;
            Character* holder = call.symbolHolder(g_Match.localSide, &carried);
            if (!carried && holder) preferred = holder;
        } else if (g_Match.gameKind == 4) {
            Character* cursed = call.cursedFighter();
            if (cursed && cursed->side != g_Match.localSide && cursed->actionClass != kSpawning) preferred = cursed;
        }
        if (preferred) me->attackTarget = call.hasLineOfSight(me, preferred) ? preferred : me->nearestEnemy;
    }
    if (me->attackTarget && (me->attackTarget->actionClass == kSpawning || me->attackTarget->dead))
        me->attackTarget = me->nearestEnemy;
    if (me->attackTarget) me->attackRange = call.distanceTo(me, me->attackTarget);
}

void Control::UpdateMouseLook(Character* c, int player) {
    if (!c || !c->model || controlMode != CONTROL_MATCH) return;
    if (player < 0 || player >= CONTROL_PLAYERS) return;
    const FighterCalls& call = g_FighterCalls;
    const ActionSlot* s = slots[player];
    const int32_t w = ScreenWidth(), h = ScreenHeight();
    int dx = g_Mouse.x - w / 2;
    int dy = g_Mouse.y - h / 2;
    if (dx == 0 && dy == 0) {
        // Keys reach full speed after one second.
        auto ramp = [](const ActionSlot& slot, int32_t size) {
            return int(float(std::clamp(slot.heldMs, 0, 1000)) * 0.001f * float(size / 4));
        };
        if (s[A_TURN_RIGHT].held)
            dx = ramp(s[A_TURN_RIGHT], w);
        else if (s[A_TURN_LEFT].held)
            dx = -ramp(s[A_TURN_LEFT], w);
        if (s[A_PITCH_DOWN].held)
            dy = ramp(s[A_PITCH_DOWN], h);
        else if (s[A_PITCH_UP].held)
            dy = -ramp(s[A_PITCH_UP], h);
    }
    const int cls = c->actionClass;
    if (dx != 0 && !c->dead && !c->knockedDown && !c->states[STATE_FREEZE].active && cls != 7 && cls != kSpawning && cls != kRising &&
        c->currentAnimation != 42 && c->currentAnimation != 176) {
        call.turn(c, float(dx) * kLookRate);
    } else if (c->currentAnimation == 2 || c->currentAnimation == 3) {
        call.setAnimation(c, 0, 200, 0, 0);
    }
    if (dy != 0) cameraPitch += float(dy) * kLookRate;
    if (g_Settings.difficulty == 0)
        cameraPitch = std::clamp(cameraPitch, -0.2471976f, 0.5135988f);
    else
        cameraPitch = std::clamp(cameraPitch, -0.7707964f, 1.5607964f);

    if (g_Mouse.wheel < 0) {
        selectedPower = selectedPower + 1 > c->highestUnlockedPower ? POWER_NONE : selectedPower + 1;
    } else if (g_Mouse.wheel > 0) {
        selectedPower = selectedPower - 1 < POWER_NONE ? c->highestUnlockedPower : selectedPower - 1;
    }
    g_Mouse.wheel = 0;
}

void Control::ApplyLocalActions(Character* c, int player) {
    // Killed in the air, it waits for its landing and death as the host does: no action more.
    if (!c || !c->model || c->OutOfTheFight()) return;
    if (player < 0 || player >= CONTROL_PLAYERS) return;
    const FighterCalls& call = g_FighterCalls;
    const ActionSlot* s = slots[player];

    if (controlMode == CONTROL_MATCH) do {
        c->moveKeysHeld = (s[A_FORWARD].held || s[A_BACK].held || s[A_LEFT].held || s[A_RIGHT].held) ? 1 : 0;

        if (c->knockedDown || c->actionClass == 6 || c->actionClass == 7) {
            if (c->currentAnimation == 134 && call.matchTime() - c->knockDownTime > 1000) {
                if (s[A_CAST].held)
                    call.setAnimation(c, 136, 200, 1, 0);
                else if (s[A_JUMP].held)
                    call.setAnimation(c, 137, 200, 1, 0);
                else if (s[A_MELEE].held)
                    call.setAnimation(c, 135, 200, 1, 0);
            }
            break;
        }
        if (c->moveMode == MOVE_DIRECT) {
            ApplyDirectMovement(c, player);
            ApplyAttackInput(c, player);
            break;
        }
        int walk = -1;
        if (s[A_FORWARD].held)
            walk = s[A_GAIT].held ? 20 : 21;
        else if (s[A_BACK].held)
            walk = 22;
        else if (s[A_RIGHT].held)
            walk = 23;
        else if (s[A_LEFT].held)
            walk = 24;
        if (walk >= 0) call.setAnimation(c, walk, 200, 1, 0);

        // Moving diagonally turns the model against the facing.
        float strafe = 0.0f;
        if (s[A_FORWARD].held && s[A_RIGHT].held) strafe = kPi / 4.0f;
        else if (s[A_FORWARD].held && s[A_LEFT].held) strafe = -kPi / 4.0f;
        else if (s[A_BACK].held && s[A_RIGHT].held) strafe = -kPi / 4.0f;
        else if (s[A_BACK].held && s[A_LEFT].held) strafe = kPi / 4.0f;
        strafeTarget[player] = strafe;
        float gap = AngleDifference(strafeAngle[player], strafe);
        if (std::fabs(gap) >= 0.0001f) {
            float step = std::min(std::fabs(gap), float(frameMs) * kStrafeRate);
            if (gap < 0.0f) step = -step;
            strafeAngle[player] = WrapAngle(strafeAngle[player] + step);
            call.turnModel(c, step);
        }

        const ActionSlot& charge = s[A_CHARGE];
        if (c->actionClass != 9 && (charge.released || (charge.held && charge.heldMs >= CHARGE_MAX_MS))) {
            c->throwCharge = uint32_t(std::clamp(charge.heldMs, 0, CHARGE_MAX_MS));
            int a = c->throwCharge <= 200 ? 150 : c->throwCharge <= 500 ? 151 : 152;
            call.setAnimation(c, a, 200, 1, 0);
            if (call.networkActive()) call.writeSetCharge(c);
        }

        const ActionSlot& melee = s[A_MELEE];
        int strike = -1;
        if (c->actionClass == 0) {
            if (melee.held && melee.heldMs >= 300)
                strike = 31;
            else if (melee.released)
                strike = 30;
        } else if (c->actionClass != 2) {
            if (melee.held && melee.heldMs >= 300)
                strike = 33;
            else if (melee.released)
                strike = 32;
            if (strike >= 0 && In(c->currentAnimation, 22, 24)) strike = 34 + (c->currentAnimation - 22);
        }
        if (strike >= 0) Start(c, strike);
        ApplyAttackInput(c, player);
    } while (false);

    UpdateBackOff(c, player);
    for (int a = A_POWER_FIRST; a <= A_POWER_LAST; ++a) {
        int index = a - A_POWER_FIRST - 1;
        if (s[a].held && index <= c->highestUnlockedPower) selectedPower = index;
    }
    const int cls = c->actionClass;
    if (!c->moveKeysHeld && c->moveMode != MOVE_DIRECT &&
        (cls == 1 || (cls != 0 && cls != kSpawning && cls != kRising && call.animationWrapped(c, 0))))
        call.setAnimation(c, 0, 200, 1, 0);
}

void Control::ApplyDirectMovement(Character* c, int player) {
    if (!c || c->moveMode != MOVE_DIRECT || player < 0 || player >= CONTROL_PLAYERS) return;
    const FighterCalls& call = g_FighterCalls;
    const ActionSlot* s = slots[player];
    const uint32_t now = call.matchTime();
    bool mayGuard = (now - c->guardStartTime < call.maxGuardTime(c) || now - c->guardEndTime > 2000) &&
                    c->jumpVelocity.y <= 0.5f;
    if (mayGuard) {
        if (s[A_MELEE].pressed) c->guardRequest = 1;
        if (c->guardRequest && !c->guarding) {
            call.startGuard(c);
            c->guardRequest = 0;
        }
    }

    const float f = c->yaw;
    float angle, speed;
    if (s[A_FORWARD].held) {
        angle = s[A_RIGHT].held ? f + kPi / 4.0f : s[A_LEFT].held ? f - kPi / 4.0f : f;
        speed = 0.004f;
    } else if (s[A_BACK].held) {
        angle = s[A_RIGHT].held ? f + 3.0f * kPi / 4.0f : s[A_LEFT].held ? f + 5.0f * kPi / 4.0f : f + kPi;
        speed = 0.002f;
    } else if (s[A_LEFT].held) {
        angle = f - kPi / 2.0f;
        speed = 0.002f;
    } else if (s[A_RIGHT].held) {
        angle = f + kPi / 2.0f;
        speed = 0.002f;
    } else {
        return;
    }
    float bonus = c->sideRow ? std::min(std::trunc(c->speed - c->sideRow->baseSpeed), 100.0f) : 0.0f;
    float distance = speed * float(frameMs) * (1.0f + bonus * 0.01f);
    Vec3 p = Vec3Add(c->position, Vec3{std::sin(angle) * distance, 0.0f, std::cos(angle) * distance});
    call.setPosition(c, p);
}

void Control::ApplyAttackInput(Character* c, int player) {
    if (!c || player < 0 || player >= CONTROL_PLAYERS) return;
    const FighterCalls& call = g_FighterCalls;
    const ActionSlot* s = slots[player];

    // Repeat cast of power 0 while its upper-body cast plays over the legs' locomotion.
    if (c->upperActionClass == 12 && c->currentAnimation <= 37 && c->upperAnimation == 170) {
        if (s[A_CAST].released || c->powerRepeat) {
            if (call.animationWrapped(c, 4)) {
                c->powerRepeat = 0;
                if (selectedPower == 0 && call.canUsePower(c, 0))
                    call.setAnimation(c, 170, 0, 0, c->upperAnimation == 170 ? 0 : 4);
            } else {
                c->powerRepeat = 1;
            }
        }
    } else {
        c->powerRepeat = 0;
    }

    const int cls = c->actionClass;
    const int anim = c->currentAnimation;
    const bool noPower = selectedPower == POWER_NONE;
    const bool stands = cls == 0;
    const bool meleeHeld = (cls == 2 && anim < 41) || (noPower && s[A_MELEE].held && cls != 3);
    const bool after37 = c->previousAnimation == 37;

    // The direction held picks one of four; a short hold (under 201 ms) the first of each pair.
    auto byDirection = [&](const int (&quick)[4], const int (&held)[4]) {
        const int order[4] = {A_FORWARD, A_BACK, A_RIGHT, A_LEFT};
        for (int i = 0; i < 4; ++i) {
            const ActionSlot& d = s[order[i]];
            if (d.held) return d.heldMs < 201 ? quick[i] : held[i];
        }
        return -1;
    };

    if (meleeHeld) {
        if (noPower && s[A_CAST].pressed) {
            if (anim == 30 || anim == 31 || anim == 37)
                StartContinued(c, 73, 0, 25.0f, after37);
            else if (s[A_MELEE].held && stands)
                Start(c, 73);
            else if (anim == 32 || anim == 33)
                StartContinued(c, 75, 1, 5.0f, after37);
            else if (s[A_MELEE].held && s[A_FORWARD].held)
                Start(c, 75);
        }
    } else if (!noPower) {
        if (s[A_CAST].released) call.startPower(c, selectedPower);
    } else if (cls == 0) {
        if (s[A_CAST].held && s[A_CAST].heldMs >= 300)
            Start(c, 57);
        else if (s[A_CAST].released)
            Start(c, 50);
    } else if (cls == 1) {
        if (s[A_CAST].pressed) {
            int a = byDirection({50, 54, 55, 56}, {59, 60, 61, 62});
            if (a >= 0) Start(c, a);
        }
    } else if (cls == 3) {
        if (s[A_CAST].pressed || attackChainLatch) {
            attackChainLatch = (In(anim, 50, 52) || anim == 57) ? 1 : 0;
            if (ChainStep(c, GROUND_ATTACK_CHAINS)) attackChainLatch = 0;
        }
    }

    // Jump, or a stomp on a fighter lying close by.
    bool stomped = false;
    if (s[A_JUMP].pressed) {
        for (Character& other : g_Characters) {
            if (&other == c || !other.active || !other.knockedDown) continue;
            float dx = other.position.x - c->position.x, dz = other.position.z - c->position.z;
            if (std::sqrt(dx * dx + dz * dz) <= 1.5f && std::fabs(other.position.y - c->position.y) <= 0.3f) {
                if (cls != 3 && cls != 4) Start(c, 77 + call.random() % 2);
                stomped = true;
                break;
            }
        }
    }
    if (!stomped && anim != 77 && anim != 78) {
        if (s[A_JUMP].pressed) {
            if (meleeHeld) {
                if (anim == 30 || anim == 31 || anim == 37)
                    StartContinued(c, 74, 1, 25.0f, false);
                else if (stands && s[A_MELEE].held)
                    Start(c, 74);
                else if (anim == 32 || anim == 33)
                    StartContinued(c, 76, 1, 5.0f, false);
                else if (s[A_MELEE].held && s[A_FORWARD].held)
                    Start(c, 76);
            } else if (cls == 0) {
                Start(c, 63);
            } else if (cls == 1) {
                int a = byDirection({63, 66, 67, 68}, {69, 70, 71, 72});
                if (a >= 0) Start(c, a);
            }
        }
        if (!meleeHeld && cls == 3 && (s[A_JUMP].pressed || jumpChainLatch)) {
            jumpChainLatch = (anim == 63 || anim == 64) ? 1 : 0;
            if (ChainStep(c, JUMP_ATTACK_CHAINS)) jumpChainLatch = 0;
        }
    }

    UpdatePowerCombo(c, player);
}

void Control::UpdateBackOff(Character* c, int player) {
    if (!c || player < 0 || player >= CONTROL_PLAYERS) return;
    const int cls = c->actionClass;
    if ((cls != 0 && cls != 1 && cls != 8) || !slots[player][A_BACK].held) return;
    const FighterCalls& call = g_FighterCalls;
    if (cls == 8 && call.boneFrame(c, 0) > 4.0f && call.matchTime() - c->defenceStartTime < 500)
        call.setAnimationTime(c, 4.0f, 0);

    Vec3 threat{};
    if (!call.findIncomingEffect(c, &threat)) {
        if (!c->lastAttacker || !call.willBeHitBy(c, c->lastAttacker)) return;
        threat = c->lastAttacker->position;
    }
    float angle = WrapAngle(std::atan2(threat.x - c->position.x, threat.z - c->position.z));
    float back = WrapAngle(c->yaw + kPi);
    if (std::fabs(AngleDifference(back, angle)) > kPi / 4.0f) return;
    if (c->currentAnimation != 149)
        call.setAnimation(c, 149, 0, 1, 0);
    else
        call.setAnimationTime(c, 4.0f, 0);
}

bool Control::IsComboStepDown(int player, int action, bool doublePress, bool hold) const {
    if (player < 0 || player >= CONTROL_PLAYERS || action < 0 || action >= CONTROL_ACTIONS) return false;
    const ActionSlot& s = slots[player][action];
    if (doublePress) return s.doublePress != 0;
    if (hold) return s.held && s.heldMs >= 300;
    return s.held != 0;
}

bool Control::IsComboStepInTime(bool doublePress, bool hold, uint32_t now) const {
    uint32_t window = doublePress ? 400 : hold ? 500 : 200;
    return now - stepTime <= window;
}

void Control::UpdatePowerCombo(Character* c, int player) {
    if (!c || !c->sideRow) return;
    const SideRow& row = *c->sideRow;
    const uint32_t now = os::timeGetTime();
    if (comboIndex < 0 || comboIndex >= COMBOS_PER_SIDE || comboStep < 1 || comboStep >= COMBO_STEPS) {
        if (comboIndex != -1) {
            comboIndex = -1;
            comboStep = 0;
            stepTime = 0;
        }
        for (int i = 0; i < COMBOS_PER_SIDE; ++i) {
            const ComboStep& first = row.combos[i][0];
            if (first.action != -1 && IsComboStepDown(player, first.action, first.doublePress, first.hold)) {
                comboIndex = i;
                comboStep = 1;
                stepTime = now;
            }
        }
        return;
    }
    const ComboStep& step = row.combos[comboIndex][comboStep];
    if (!IsComboStepInTime(step.doublePress, step.hold, now)) {
        comboIndex = -1;
        comboStep = 0;
        stepTime = 0;
        return;
    }
    if (!IsComboStepDown(player, step.action, step.doublePress, step.hold)) return;
    if (step.animation != -1) g_FighterCalls.setAnimation(c, step.animation, 100, 1, 0);
    ++comboStep;
    stepTime = now;
    if (comboStep >= COMBO_STEPS || row.combos[comboIndex][comboStep].action == -1) {
        comboIndex = -1;
        comboStep = 0;
        stepTime = 0;
    }
}

void Control::UpdateCharacters() {
    const FighterCalls& call = g_FighterCalls;
    const bool net = call.networkActive();
    bool every50 = false, every200 = false;
    if (net) {
        uint32_t now = call.matchTime();
        if (now - g_SendTimer50 > 50) {
            every50 = true;
            g_SendTimer50 = now;
        }
        if (now - g_SendTimer200 > 200) {
            every200 = true;
            g_SendTimer200 = now;
        }
    }
    for (Character& c : g_Characters) {
        if (c.active) call.update(&c, frameMs);
    }
    Character* me = localCharacter;
    if (!net || !me) return;
    const bool fast = me->moveMode == MOVE_DIRECT || Vec3Length(me->velocity) > 0.01f;
    if ((fast ? every50 : every200) && Vec3Length(Vec3Sub(me->position, me->lastSentPosition)) >= 0.1f)
        call.writeSetPosition(me);
    if (every50) {
        if (std::fabs(AngleDifference(me->lastSentYaw, me->yaw)) > kYawResend) call.writeSetYaw(me);
        if (In(me->upperAnimation, 170, 174)) {
            call.writeSetTarget(me);
            call.writeSetAimPoint(me);
        }
    }
}
