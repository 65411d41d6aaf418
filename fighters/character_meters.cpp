// The meters: health, energy, experience, credits and the level with the statistics it gives,
// under the match's rules, and the events that keep the other machines in step.
#include <algorithm>
#include <cmath>

#include "core/clocks.h"
#include "core/settings.h"
#include "fighters/action_pace.h"
#include "fighters/animation_control.h"
#include "fighters/character.h"
#include "fighters/fighter_shell.h"
#include "fighters/match.h"
#include "fighters/power_table.h"
#include "fighters/roles.h"
#include "frontend/menu.h"
#include "net/session.h"

namespace {

constexpr int kLevelUpAnimation = 195;
constexpr int kLevelUpSound = 210;
constexpr float kCampaignExperience = 3.0f;

KillObserver g_KillObserver = nullptr;

int SideOf(const Character& c) { return c.side == 1 ? 1 : 0; }

bool Playing() { return g_Match.state == 0; }

// Kinds 0-5 are played side against side: nothing passes between team mates there.
bool SidesPlayAsTeams() { return g_Match.gameKind >= 0 && g_Match.gameKind <= 5; }

bool TeamMates(const Character& a, const Character* b) { return b && b != &a && b->side == a.side; }

// The campaign at the lowest difficulty eases the local side's way through the levels.
bool EasyCampaign() { return CampaignRulesApply() && g_Settings.difficulty == 0; }

void RecordKill(int points, int victim, int killer) {
    if (g_KillObserver) g_KillObserver(points, victim, killer);
    g_Match.RecordKill(points, victim, killer);
}

}  // namespace

void SetKillObserver(KillObserver observer) { g_KillObserver = observer; }

void Character::ChangeHealth(float amount, Character* attacker) {
    // A value from a packet that is no number changes nothing.
    if (!std::isfinite(amount)) return;
    if (!IsReplayingHost()) {
        if (!Playing() || dead || health == 0.0f) return;
        if (amount < 0.0f && IsImmune()) return;
        if (amount < 0.0f && SidesPlayAsTeams() && TeamMates(*this, attacker)) return;
        if (IsClientNotDispatching()) return;
    }

    health = std::min(health + amount, maxHealth);
    if (health <= 0.0f) {
        health = 0.0f;
        // A client hears of the kill from the host.
        if (!(IsNetworkActive() && g_GamePacket.dispatching)) {
            if (!attacker)
                RecordKill(-1, slot, -1);
            else if (attacker == this)
                RecordKill(-1, slot, slot);
            else
                RecordKill(1, slot, attacker->slot);
        }
        if (guarding) EndGuard();
        // What its machine played through before the kill and the host still owed it lands no more.
        ForgetPace(*this, true);
    }
    if (IsHost()) g_GamePacket.WriteChangeHealth(slot, attacker ? attacker->slot : -1, amount);
}

void Character::ChangeEnergy(float amount) {
    if (!std::isfinite(amount)) return;
    if (dead || IsClientNotDispatching()) return;
    const bool local = IsLocalFighter(this);
    if (local && amount > 0.0f && g_FighterShellCalls.selectedPower() == -1) SelectDefaultPower();
    energy = std::clamp(energy + amount, 0.0f, maxEnergy);
    if (local) {
        // Power 1 of side 0 stays selected: its cast lets go of it once it has ended.
        const int selected = g_FighterShellCalls.selectedPower();
        if (selected != -1 && !(side == 0 && selected == 1) && !HasEnergyForPower(selected))
            g_FighterShellCalls.selectPower(-1);
    }
    if (IsHost()) g_GamePacket.WriteChangeEnergy(slot, amount);
}

void Character::AddExperience(float amount, Character* other) {
    if (!std::isfinite(amount)) return;
    // The host's event carries the amount as the host applied it, campaign bonus included.
    if (!IsReplayingHost()) {
        if (!Playing() || dead) return;
        if (SidesPlayAsTeams() && other && other->side == side) return;
        if (IsClientNotDispatching()) return;
        if (CampaignRulesApply() && IsLocalFighter(this)) amount *= kCampaignExperience;
    }
    experience = std::max(experience + amount, 0.0f);
    // What is past the mark is not carried into the new level.
    if (experience >= maxExperience) SetLevel(level + 1, true, true);
    if (IsHost()) g_GamePacket.WriteAddExperience(slot, amount, other ? other->slot : -1);
}

void Character::AddCredits(int amount) {
    if (IsClientNotDispatching()) return;
    credits += amount;
    creditTime = GetTime(CLOCK_MATCH);
    g_Match.AddPoints(amount, side, slot);
    if (IsHost()) g_GamePacket.WriteAddCredits(slot, float(amount));
}

void Character::SetLevel(int newLevel, bool announce, bool recompute) {
    if (newLevel < 0) return;
    const int s = SideOf(*this);
    level = newLevel;
    maxHealth = health = HealthForLevel(newLevel);
    maxEnergy = energy = HealthForLevel(newLevel);
    maxExperience = ExperienceForLevel(newLevel);
    experience = 0.0f;

    const bool eased = EasyCampaign() && side == g_Match.localSide;
    highestUnlockedPower = POWERS_PER_SIDE - 1;
    for (int k = 0; k < POWERS_PER_SIDE; ++k) {
        int required = PowerRowOf(s, k).requiredLevel;
        if (eased) required = int(float(required) * EASY_CAMPAIGN_LEVEL_FACTOR);
        if (required > newLevel) {
            highestUnlockedPower = k - 1;
            break;
        }
    }
    SelectDefaultPower();

    if (recompute) {
        const SideRow& base = g_SideTable[s];
        const float cap = StatisticCap(s);
        const float grown = 5.0f * float(newLevel);
        // Past the cap strength, power and constitution grow by two thirds; agility and speed stop.
        const float extra = grown <= cap ? 0.0f : 2.0f * (grown - cap) / 3.0f;
        const float capped = extra > 0.0f ? cap : grown;
        strength = grown + base.baseStrength + extra;
        power = grown + base.basePower + extra;
        constitution = grown + base.baseConstitution + extra;
        agility = capped + base.baseAgility;
        speed = capped + base.baseSpeed;
        if (g_Settings.difficulty == 0 && side != g_Match.localSide) {
            constitution *= 0.5f;
            speed = std::max(speed * 0.5f, base.baseSpeed);
        }
    }

    if (announce && actionClass != ACTION_CLASS_LEVEL_CHANGE) {
        SetAnimation(kLevelUpAnimation, 300, 0, 0);
        g_FighterShellCalls.playFx(kLevelUpSound, &position, 0);
    }
}

void Character::SelectDefaultPower() {
    if (!IsLocalFighter(this)) return;
    const int h = highestUnlockedPower;
    int selected = 0;
    if (h >= 8)
        selected = 8;
    else if (h >= 3)
        selected = 3;
    else if (side == 0 && h >= 1)
        selected = 1;
    g_FighterShellCalls.selectPower(selected);
}
