#include "support/match_invariants.h"

#include <cmath>
#include <cstdio>

#include "fighters/character.h"
#include "fighters/match.h"
#include "shell/control.h"
#include "world/path_map.h"
#include "world/scenario.h"

namespace testsupport {

namespace {

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

int32_t Result(int index) { return index < 0 ? 0 : int32_t(g_Scenario.results[index]); }

struct Failures {
    std::vector<std::string> lines;
    template <typename... Args>
    void Add(const char* format, Args... args) {
        char line[256];
        std::snprintf(line, sizeof line, format, args...);
        lines.emplace_back(line);
    }
};

void CheckFighter(const Character& c, int slot, const bool* wasInUse, Failures& f) {
    const bool whole = c.model && c.sideRow && c.lookCopy;
    const bool bare = !c.model && !c.sideRow && !c.lookCopy;
    if (c.active ? !whole : !bare) f.Add("fighter %d: active %d with model/row/look %d/%d/%d", slot, c.active,
                                         c.model != nullptr, c.sideRow != nullptr, c.lookCopy != nullptr);
    if (!c.active) return;
    if (!Finite(c.position) || !Finite(c.momentum) || !Finite(c.jumpVelocity))
        f.Add("fighter %d: position, momentum or jump velocity not finite", slot);
    int states = 0, last = -1;
    for (int s = 0; s < TIMED_STATE_COUNT; ++s)
        if (c.states[s].active) {
            ++states;
            last = s;
        }
    if (states > 1) f.Add("fighter %d: %d timed states at once", slot, states);
    if (states > 0 && !c.overlayPresent) f.Add("fighter %d: timed state %d without its overlay", slot, last);
    if (!(c.health >= 0.0f && c.health <= c.maxHealth)) f.Add("fighter %d: health %g of %g", slot, c.health, c.maxHealth);
    if (!(c.energy >= 0.0f && c.energy <= c.maxEnergy)) f.Add("fighter %d: energy %g of %g", slot, c.energy, c.maxEnergy);
    if (!(c.experience < c.maxExperience))
        f.Add("fighter %d: experience %g not below %g", slot, c.experience, c.maxExperience);
    if (c.following && !(c.pathIndex >= 0 && c.pathIndex <= c.pathLength && c.pathLength <= PATH_POINTS_MAX))
        f.Add("fighter %d: path index %d of %d", slot, c.pathIndex, c.pathLength);
    auto attached = [&](int32_t s, const char* what) {
        if (s == EFFECT_NO_SLOT) return;
        if (s < 0 || s >= EFFECT_SLOT_COUNT || !(EffectSlotInUse(s) || wasInUse[s]))
            f.Add("fighter %d: %s names slot %d, which is not in use", slot, what, s);
    };
    attached(c.attachedEffect, "its attached glow");
    for (int32_t s : c.powerEffects) attached(s, "a power effect");
}

void CheckOccupants(Failures& f) {
    const PathMap& map = g_Scenario.pathMap;
    int seen[MAX_CHARACTERS] = {};
    for (int32_t x = 0; x < map.cols; ++x)
        for (int32_t z = 0; z < map.rows; ++z)
            for (int32_t l = 0; l < map.LayerCount(x, z); ++l) {
                const Character* c = map.GetLayer(CellRef{x, z, l})->character;
                if (!c) continue;
                const int slot = int(c - g_Characters);
                if (slot < 0 || slot >= MAX_CHARACTERS) {
                    f.Add("cell (%d, %d, %d): an occupant that is no fighter", x, z, l);
                    continue;
                }
                ++seen[slot];
                const CellRef& at = c->currentCell;
                if (!c->active || at.x != x || at.z != z || at.layer != l)
                    f.Add("cell (%d, %d, %d): fighter %d (active %d) stands on (%d, %d, %d)", x, z, l, slot, c->active,
                          at.x, at.z, at.layer);
            }
    for (int s = 0; s < MAX_CHARACTERS; ++s)
        if (seen[s] > 1) f.Add("fighter %d occupies %d layers", s, seen[s]);
}

void CheckResults(Failures& f) {
    const Match& m = g_Match;
    for (int t = 0; t < 2; ++t) {
        const int32_t counters[] = {m.captures[t], m.checkpointsPassed[t], m.points[t], m.found[t],
                                    int32_t(m.curseTime[t]), m.killScore[t]};
        for (int field = TEAM_SYMBOLS; field <= TEAM_KILL_SCORE; ++field)
            if (Result(TeamResultIndex(t, field)) != counters[field])
                f.Add("team %d: result field %d is %d, the match has %d", t, field, Result(TeamResultIndex(t, field)),
                      counters[field]);
        const int fighterFields[] = {FIGHTER_KILL_SCORE, FIGHTER_KILL_POINTS, FIGHTER_DEATHS, FIGHTER_SELF_KILLS};
        for (int k = 0; k < 4; ++k) {
            int32_t sum = 0;
            for (int s = 0; s < MAX_CHARACTERS; ++s)
                if (g_Characters[s].slot == s && g_Characters[s].side == t)
                    sum += Result(FighterResultIndex(s, fighterFields[k]));
            const int teamField = TEAM_KILL_SCORE + k;
            if (sum != Result(TeamResultIndex(t, teamField)))
                f.Add("team %d: fighters' field %d add up to %d, team field %d is %d", t, fighterFields[k], sum,
                      teamField, Result(TeamResultIndex(t, teamField)));
        }
    }
}

}  // namespace

void MatchInvariants::Forget() { *this = MatchInvariants(); }

std::vector<std::string> MatchInvariants::Check() {
    Failures f;
    if (seen_ && g_Control.lastFrameTime == frameTime_) return f.lines;
    frameTime_ = g_Control.lastFrameTime;
    for (int s = 0; s < MAX_CHARACTERS; ++s) CheckFighter(g_Characters[s], s, inUse_, f);
    CheckOccupants(f);
    CheckResults(f);

    const Match& m = g_Match;
    if (seen_ && ended_ && m.state == MATCH_PLAYING) f.Add("the match state came back to play");
    if (seen_ && state_ != MATCH_PLAYING && m.state != state_) f.Add("the match state changed after the end");
    for (int t = 0; t < 2; ++t) {
        if (!seen_) break;
        if (m.captures[t] < captures_[t] || m.checkpointsPassed[t] < passed_[t] || m.found[t] < found_[t] ||
            m.curseTime[t] < curse_[t])
            f.Add("team %d: a goal counter fell", t);
    }
    int used = 0;
    for (int s = 0; s < EFFECT_SLOT_COUNT; ++s) {
        inUse_[s] = EffectSlotInUse(s);
        used += inUse_[s] ? 1 : 0;
    }
    if (used >= EFFECT_SLOT_COUNT) f.Add("the effect pool is full");

    seen_ = true;
    if (m.state != MATCH_PLAYING) ended_ = true;
    state_ = m.state;
    for (int t = 0; t < 2; ++t) {
        captures_[t] = m.captures[t];
        passed_[t] = m.checkpointsPassed[t];
        found_[t] = m.found[t];
        curse_[t] = m.curseTime[t];
    }
    return f.lines;
}

}  // namespace testsupport
