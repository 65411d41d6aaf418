// The rules step of the eight game kinds: the contacts that score, on an authoritative machine
// only, and the win test of each kind everywhere, side 0 first.
#include <cstdint>

#include "core/settings.h"
#include "effects/effect_slots.h"
#include "fighters/match.h"
#include "fighters/match_checks.h"

using namespace matchrules;

namespace {

constexpr float kSymbolTouch = 3.0f;
constexpr float kCheckpointTouch = 3.0f;
constexpr float kSearchTouch = 1.5f;
constexpr float kCurseTouch = 1.5f;
constexpr float kRaise = 0.75f;
constexpr int kTakeSound = 250;
constexpr int kReturnSound = 251;
constexpr int64_t kCurseSyncMs = 200;
constexpr Vec3 kHome{0.0f, 0.0f, 0.0f};

void AnnounceSound(int id, const Vec3& at) {
    PlaySound(id, at);
    if (IsNetworkActive()) g_GamePacket.WritePlaySound(id, at, 0);
}

void AnnounceCarrier(int team, const Vec3& point, const Character* carrier) {
    if (IsNetworkActive()) g_GamePacket.WriteSetSymbolCarrier(team, point, carrier ? carrier->slot : -1);
}

int SymbolContacts(Match& m) {
    const bool authoritative = IsAuthoritative();
    for (int t = 0; t < 2; ++t) {
        SymbolRecord& s = m.symbols[t];
        if (authoritative && !s.carrier) {
            for (Character& c : g_Characters) {
                if (!c.active || c.dead || Distance3(Raised(c.position, kRaise), s.symbolPosition) > kSymbolTouch)
                    continue;
                if (c.side != t) {
                    m.SetSymbolCarrier(t, 0.0f, 0.0f, 0.0f, &c);
                    AnnounceCarrier(t, kHome, &c);
                    AnnounceSound(kTakeSound, c.position);
                    break;
                }
                if (!s.atHome) {
                    m.SetSymbolCarrier(t, 0.0f, 0.0f, 0.0f, nullptr);
                    AnnounceCarrier(t, kHome, nullptr);
                    AnnounceSound(kReturnSound, c.position);
                    break;
                }
                const int u = 1 - t;
                if (m.symbols[u].carrier == &c) {
                    m.SetSymbolCarrier(u, 0.0f, 0.0f, 0.0f, nullptr);
                    m.CaptureSymbol(&c);
                    c.AddExperience(0.5f * c.maxExperience, nullptr);
                    AnnounceCarrier(u, kHome, nullptr);
                    if (IsNetworkActive()) g_GamePacket.WriteCaptureSymbol(c.slot);
                    break;
                }
            }
        } else if (authoritative && s.carrier->dead) {
            const Vec3 p = Raised(s.carrier->position, 1.0f);
            m.SetSymbolCarrier(t, p.x, p.y, p.z, nullptr);
            AnnounceCarrier(t, p, nullptr);
        }
        if (m.captures[t] >= g_Settings.stealsGoal[t]) return t;
    }
    return -1;
}

int RaceContacts(Match& m) {
    if (IsAuthoritative()) {
        for (Character& c : g_Characters) {
            if (!c.active || !IsTeamIndex(c.side)) continue;
            const int n = m.checkpointsPassed[c.side];
            if (n < 0 || n >= MATCH_CHECKPOINTS) continue;
            const CheckpointRecord& r = m.checkpoints[n];
            if (Distance3(c.position, r.position) >= kCheckpointTouch || r.passed[c.side]) continue;
            if (!m.PassCheckpoint(n, c.side, c.slot)) continue;
            c.AddExperience(0.08f * c.maxExperience, nullptr);
            if (IsNetworkActive()) g_GamePacket.WritePassCheckpoint(n, c.side, c.slot);
        }
    }
    for (int t = 0; t < 2; ++t)
        if (m.checkpointsPassed[t] >= m.checkpointCount) return t;
    return -1;
}

int SearchContacts(Match& m) {
    if (IsAuthoritative()) {
        for (int i = 0; i < MATCH_SEARCH_OBJECTS; ++i) {
            for (Character& c : g_Characters) {
                if (m.searchObjects[i] == EFFECT_NO_SLOT) break;
                if (!c.active || c.dead) continue;
                if (Distance3(Raised(c.position, kRaise), EffectSlotPosition(m.searchObjects[i])) > kSearchTouch)
                    continue;
                if (IsNetworkActive()) g_GamePacket.WriteCollectSearchObject(i, c.slot);
                m.CollectSearchObject(i, c.slot);
                c.AddExperience(0.1f * c.maxExperience, nullptr);
            }
        }
    }
    for (int t = 0; t < 2; ++t)
        if (m.found[t] >= g_Settings.capturesGoal[t]) return t;
    return -1;
}

int CurseContacts(Match& m) {
    Character* f = m.cursedFighter;
    if (IsAuthoritative() && f && IsTeamIndex(f->side)) {
        const int s = f->side;
        const uint32_t frameMs = uint32_t(g_FighterShellCalls.frameMs());
        m.curseTime[s] += frameMs;
        AddToResult(TeamResultIndex(s, TEAM_CURSE_MS), int32_t(frameMs));
        AddToResult(FighterResultIndex(f->slot, FIGHTER_CURSE_MS), int32_t(frameMs));
        if (IsNetworkActive()) {
            const int64_t drift = int64_t(m.curseTime[s]) - int64_t(m.lastSentCurseTime);
            if (drift > kCurseSyncMs || drift < -kCurseSyncMs) {
                g_GamePacket.WriteSetCurseTime(s, m.curseTime[s]);
                m.lastSentCurseTime = m.curseTime[s];
            }
        }
        if (!f->states[STATE_FREEZE].active && !f->dead) {
            for (Character& c : g_Characters) {
                if (!c.active || &c == f || c.side == s || c.dead || c.IsImmune()) continue;
                if (Distance3(c.position, f->position) > kCurseTouch) continue;
                f->AddExperience(0.2f * f->maxExperience, nullptr);
                m.SetCursedCharacter(&c, true);
                if (IsNetworkActive()) g_GamePacket.WriteSetCursedCharacter(c.slot, true);
                break;
            }
        }
    }
    for (int t = 0; t < 2; ++t) {
        if (m.curseTime[t] > MinutesToMs(g_Settings.curseMinutes[t])) {
            if (IsHost()) g_GamePacket.WriteSetCurseTime(t, m.curseTime[t]);
            return t == 0 ? 1 : 0;
        }
    }
    return -1;
}

}  // namespace

int Match::UpdateRules() {
    switch (gameKind) {
    case 0: return SymbolContacts(*this);
    case 1: return RaceContacts(*this);
    case 2:
        for (int t = 0; t < 2; ++t)
            if (points[t] >= g_Settings.creditsGoal[t]) return t;
        return -1;
    case 3: return SearchContacts(*this);
    case 4: return CurseContacts(*this);
    case 5:
        for (int t = 0; t < 2; ++t)
            if (killScore[t] >= g_Settings.maxDeaths[t]) return t;
        return -1;
    case 6:
    case 7:
        for (const Character& c : g_Characters) {
            if (!c.active || !IsTeamIndex(c.side)) continue;
            const int32_t score = gameKind == 6 ? c.killScore : c.credits;
            const int32_t goal = gameKind == 6 ? g_Settings.maxDeaths[c.side] : g_Settings.creditsGoal[c.side];
            if (score >= goal) return c.slot;
        }
        return -1;
    default: return -1;
    }
}
