// The timed states: starting and stopping each of the twelve from one table, the one-at-a-time
// rule, and telling the other machines of a network game.
#include "fighters/timed_states.h"

#include "core/clocks.h"
#include "fighters/animation_control.h"
#include "fighters/fighter_shell.h"
#include "fighters/roles.h"
#include "net/session.h"
#include "scene/bone.h"
#include "scene/character_model.h"

namespace {

// A client that is not dispatching may start Invulnerability itself only for exactly this long.
constexpr int kClientInvulnerabilityMs = 8000;

bool IsStateIndex(int k) { return k >= 0 && k < TIMED_STATE_COUNT; }

// The body's animations (bone 0 and all below it) play at the fighter's rate.
void ApplyRate(Character& c) {
    RetimePace(c, GetTime(CLOCK_MATCH));
    if (!c.model || c.model->bones.empty() || !c.model->bones[0]) return;
    c.model->bones[0]->SetSpeed(c.AnimationRate(), true);
}

void RunExtra(Character& c, StateExtra extra, bool starting) {
    switch (extra) {
    case StateExtra::None: break;
    case StateExtra::Translucent:
        if (c.model) c.model->invisible = starting ? 1 : 0;
        break;
    case StateExtra::Freeze:
        if (starting) {
            c.EndSplitAnimation();
            c.ReleasePowerEffects();
            c.powerRepeat = 0;
        }
        ApplyRate(c);
        break;
    case StateExtra::Rate: ApplyRate(c); break;
    case StateExtra::RunRate:
        if (c.actionClass == ACTION_CLASS_RUN) ApplyRate(c);
        else RetimePace(c, GetTime(CLOCK_MATCH));
        break;
    }
}

}  // namespace

const TimedStateRow TIMED_STATE_TABLE[TIMED_STATE_COUNT] = {
    {"Invisibility", 2, 1, 1.0f, 162, 163, 0, StateExtra::Translucent},
    {"Invulnerability", 4, 1, 1.0f, 164, 165, 0, StateExtra::None},
    {"Poisoning", 6, 0, 0.5f, 213, 214, 1, StateExtra::None},
    {"Paralysis", 8, 0, 0.5f, 213, 214, 1, StateExtra::Rate},
    {"Freeze", 7, 0, 1.0f, 213, 214, 1, StateExtra::Freeze},
    {"StrengthBoost", 9, 0, 0.5f, 211, 212, 0, StateExtra::None},
    {"PowerBoost", 10, 0, 0.5f, 211, 212, 0, StateExtra::None},
    {"ConstitutionBoost", 11, 0, 0.5f, 211, 212, 0, StateExtra::None},
    {"AgilityBoost", 12, 0, 0.5f, 211, 212, 0, StateExtra::None},
    {"SpeedBoost", 13, 0, 0.5f, 211, 212, 0, StateExtra::RunRate},
    {"Super", 14, 0, 1.0f, 211, 212, 0, StateExtra::RunRate},
    {"ForbiddenFruit", 15, 0, 1.0f, 211, 212, 0, StateExtra::None},
};

bool Character::StartTimedState(int k, int durationMs, int fadeInMs) {
    if (!IsStateIndex(k)) return false;
    const TimedStateRow& row = TIMED_STATE_TABLE[k];
    if (!IsReplayingHost() && (dead || (row.refusedWhenImmune && IsImmune()))) return false;
    if (IsClientNotDispatching() && !(k == STATE_INVULNERABILITY && durationMs == kClientInvulnerabilityMs))
        return false;

    TimedState& state = states[k];
    if (!state.active) {
        // One state at a time: the one running ends at once, and the new overlay needs no fade.
        bool othersActive = false;
        for (const TimedState& s : states) othersActive = othersActive || s.active;
        int fade = fadeInMs;
        if (overlayPresent || othersActive) {
            CancelStates();
            fade = 0;
        }
        const int texture = row.texture + (row.plusSide ? side : 0);
        state.active = CreateBodyOverlay(texture, fade, row.strength) ? 1 : 0;
    }
    if (!state.active) return false;

    state.startTime = GetTime(CLOCK_MATCH);
    state.durationMs = uint32_t(durationMs);
    g_FighterShellCalls.playFx(row.startSound, &position, 0);
    RunExtra(*this, row.extra, true);
    if (IsHost() && !(k == STATE_INVULNERABILITY && actionClass == ACTION_CLASS_ENTRY))
        g_GamePacket.WriteStartTimedState(slot, k, uint32_t(durationMs));
    return true;
}

bool Character::StopTimedState(int k, int fadeOutMs) {
    if (!IsStateIndex(k)) return false;
    TimedState& state = states[k];
    if (!state.active) return false;
    if (IsClientNotDispatching() && !dead) return false;
    const TimedStateRow& row = TIMED_STATE_TABLE[k];
    // The state ends whether or not its overlay is still on: one taken away earlier must not keep
    // it running.
    if (overlayPresent) RemoveBodyOverlay(fadeOutMs);
    state.active = 0;
    g_FighterShellCalls.playFx(row.stopSound, &position, 0);
    RunExtra(*this, row.extra, false);
    if (IsHost() && fadeOutMs != 0) g_GamePacket.WriteStopTimedState(slot, k, uint32_t(fadeOutMs));
    return true;
}

void Character::CancelStates() {
    for (int k = 0; k < TIMED_STATE_COUNT; ++k)
        if (states[k].active) StopTimedState(k, 0);
}

bool Character::StartInvisibility(int d, int f) { return StartTimedState(STATE_INVISIBILITY, d, f); }
bool Character::StartInvulnerability(int d, int f) { return StartTimedState(STATE_INVULNERABILITY, d, f); }
bool Character::StartPoisoning(int d, int f) { return StartTimedState(STATE_POISONING, d, f); }
bool Character::StartParalysis(int d, int f) { return StartTimedState(STATE_PARALYSIS, d, f); }
bool Character::StartFreeze(int d, int f) { return StartTimedState(STATE_FREEZE, d, f); }
bool Character::StartStrengthBoost(int d, int f) { return StartTimedState(STATE_STRENGTH_BOOST, d, f); }
bool Character::StartPowerBoost(int d, int f) { return StartTimedState(STATE_POWER_BOOST, d, f); }
bool Character::StartConstitutionBoost(int d, int f) { return StartTimedState(STATE_CONSTITUTION_BOOST, d, f); }
bool Character::StartAgilityBoost(int d, int f) { return StartTimedState(STATE_AGILITY_BOOST, d, f); }
bool Character::StartSpeedBoost(int d, int f) { return StartTimedState(STATE_SPEED_BOOST, d, f); }
bool Character::StartSuper(int d, int f) { return StartTimedState(STATE_SUPER, d, f); }
bool Character::StartForbiddenFruit(int d, int f) { return StartTimedState(STATE_FORBIDDEN_FRUIT, d, f); }

bool Character::StopInvisibility(int f) { return StopTimedState(STATE_INVISIBILITY, f); }
bool Character::StopInvulnerability(int f) { return StopTimedState(STATE_INVULNERABILITY, f); }
bool Character::StopPoisoning(int f) { return StopTimedState(STATE_POISONING, f); }
bool Character::StopParalysis(int f) { return StopTimedState(STATE_PARALYSIS, f); }
bool Character::StopFreeze(int f) { return StopTimedState(STATE_FREEZE, f); }
bool Character::StopStrengthBoost(int f) { return StopTimedState(STATE_STRENGTH_BOOST, f); }
bool Character::StopPowerBoost(int f) { return StopTimedState(STATE_POWER_BOOST, f); }
bool Character::StopConstitutionBoost(int f) { return StopTimedState(STATE_CONSTITUTION_BOOST, f); }
bool Character::StopAgilityBoost(int f) { return StopTimedState(STATE_AGILITY_BOOST, f); }
bool Character::StopSpeedBoost(int f) { return StopTimedState(STATE_SPEED_BOOST, f); }
bool Character::StopSuper(int f) { return StopTimedState(STATE_SUPER, f); }
bool Character::StopForbiddenFruit(int f) { return StopTimedState(STATE_FORBIDDEN_FRUIT, f); }
