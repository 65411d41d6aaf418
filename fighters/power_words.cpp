// The power words: spelled from letter items, shown two seconds for the local side and then
// applied, or applied at once for the other side.
#include <cstring>

#include "core/clocks.h"
#include "fighters/match.h"
#include "fighters/match_checks.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "world/item.h"
#include "world/scenario.h"

using namespace matchrules;

namespace {

constexpr int kLetterFirstType = 24;
constexpr int kAppliedSound = 208;
constexpr uint32_t kShowMs = 1000;

enum class WordEffect { Win, Lose, Bonus, Double, Half, Life, Power, Paralysis, Poisoning, Freeze, Invisibility,
                        Invulnerability, Super };
struct WordRow {
    char text[16];
    WordEffect effect;
};
constexpr WordRow kWords[MATCH_WORDS] = {
    {"ZANTOR", WordEffect::Win},          {"FATALITY", WordEffect::Lose},
    {"BONUS", WordEffect::Bonus},         {"DOUBLE", WordEffect::Double},
    {"HALF", WordEffect::Half},           {"LIFE", WordEffect::Life},
    {"POWER", WordEffect::Power},         {"PARALYSIS", WordEffect::Paralysis},
    {"POISONING", WordEffect::Poisoning}, {"FREEZING", WordEffect::Freeze},
    {"INVISIBILITY", WordEffect::Invisibility}, {"INVULNERABILITY", WordEffect::Invulnerability},
    {"SUPER", WordEffect::Super},
};

bool IsWord(int w) { return w >= 0 && w < MATCH_WORDS; }
bool IsLetterChar(char ch) { return ch >= 'A' && ch <= 'Z'; }

// Every active fighter of the side (own) or of any other side (!own).
template <typename F>
void ForFighters(int team, bool own, F&& apply) {
    for (Character& c : g_Characters)
        if (c.active && (c.side == team) == own) apply(c);
}

}  // namespace

const char* PowerWordText(int word) { return IsWord(word) ? kWords[word].text : nullptr; }

int CountLetterItems(int k) {
    int n = 0;
    for (const Item& item : g_Items)
        if (item.active && item.type == kLetterFirstType + k) ++n;
    return n;
}

void Match::EnableWords() {
    bool marked[MATCH_LETTERS] = {};
    for (const Item& item : g_Items)
        if (item.active && item.type >= kLetterFirstType && item.type < kLetterFirstType + MATCH_LETTERS)
            marked[item.type - kLetterFirstType] = true;
    for (int w = 0; w < MATCH_WORDS; ++w) {
        SetWordState(w, 1);
        for (const char* p = kWords[w].text; *p; ++p) {
            if (*p != ' ' && (!IsLetterChar(*p) || !marked[*p - 'A'])) {
                SetWordState(w, 0);
                break;
            }
        }
    }
}

bool Match::CanSpell(int team, int word) const {
    if (!IsWord(word) || !IsTeamIndex(team)) return false;
    for (const char* p = kWords[word].text; *p; ++p)
        if (*p != ' ' && (!IsLetterChar(*p) || letters[team][*p - 'A'] < 1)) return false;
    return true;
}

bool Match::SetWordState(int w, int s) {
    if (!IsWord(w)) return false;
    if (s == 0 && wordState[w] == 3) {
        ApplyWord(localSide, w);
        g_FighterShellCalls.playFx(kAppliedSound, g_Scene.camera ? &g_Scene.camera->eye : nullptr, 0);
    }
    wordState[w] = s;
    wordTime[w] = GetTime(CLOCK_MATCH);
    return true;
}

void Match::UpdateWordTimers() {
    // A client's words move and apply with the host's tally.
    if (!IsAuthoritative()) return;
    const uint32_t now = GetTime(CLOCK_MATCH);
    for (int w = 0; w < MATCH_WORDS; ++w) {
        if (now - wordTime[w] <= kShowMs) continue;
        if (wordState[w] == 2) SetWordState(w, 3);
        else if (wordState[w] == 3) SetWordState(w, 0);
    }
}

namespace {

// Each for himself, the winner word names a fighter, as a goal reached does: the local one when the
// local player wins, else the first other fighter in the match.
uint32_t WordWinnerSlot(bool localWins) {
    const Character* local = g_FighterShellCalls.localFighter();
    if (localWins) return local ? uint32_t(local->slot) : uint32_t(-1);
    for (const Character& c : g_Characters)
        if (c.active && &c != local) return uint32_t(c.slot);
    // Alone, a loss still names a slot that is not the local fighter's: -1 reads as a time-out,
    // which ranks the lone row first and calls the defeat a win.
    return local && local->slot == 0 ? 1u : 0u;
}

}  // namespace

void Match::ApplyWord(int team, int w) {
    if (!IsWord(w) || !IsTeamIndex(team)) return;
    const WordEffect effect = kWords[w].effect;
    // A word that comes due in the end's pause cannot turn the result the match ended with.
    if ((effect == WordEffect::Win || effect == WordEffect::Lose) && state != MATCH_PLAYING) return;
    switch (effect) {
    case WordEffect::Win:
        g_Scenario.results[RESULT_WINNER] = gameKind >= 6 ? WordWinnerSlot(true) : uint32_t(localSide);
        SetState(MATCH_WON, true);
        break;
    case WordEffect::Lose:
        g_Scenario.results[RESULT_WINNER] = gameKind >= 6 ? WordWinnerSlot(false) : uint32_t(localSide == 0 ? 1 : 0);
        SetState(MATCH_LOST, true);
        break;
    case WordEffect::Bonus: AddPoints(100, team, -1); break;
    case WordEffect::Double: AddPoints(points[team], team, -1); break;
    case WordEffect::Half: AddPoints(-(points[team] / 2), team, -1); break;
    case WordEffect::Life: ForFighters(team, true, [](Character& c) { c.ChangeHealth(c.maxHealth, nullptr); }); break;
    case WordEffect::Power: ForFighters(team, true, [](Character& c) { c.ChangeEnergy(c.maxEnergy); }); break;
    case WordEffect::Paralysis: ForFighters(team, false, [](Character& c) { c.StartParalysis(20000, 1000); }); break;
    case WordEffect::Poisoning: ForFighters(team, false, [](Character& c) { c.StartPoisoning(30000, 1000); }); break;
    case WordEffect::Freeze: ForFighters(team, false, [](Character& c) { c.StartFreeze(10000, 1000); }); break;
    case WordEffect::Invisibility:
        ForFighters(team, true, [](Character& c) { c.StartInvisibility(30000, 1000); });
        break;
    case WordEffect::Invulnerability:
        ForFighters(team, true, [](Character& c) { c.StartInvulnerability(30000, 1000); });
        break;
    case WordEffect::Super: ForFighters(team, true, [](Character& c) { c.StartSuper(30000, 1000); }); break;
    }
}

void Match::CollectLetter(int side, int k, int slot) {
    if (!IsTeamIndex(side) || k < 0 || k >= MATCH_LETTERS) return;
    ++letters[side][k];
    letterTime[k] = GetTime(CLOCK_MATCH);
    // Counted before the word it may complete, which may end the match.
    AddToResult(TeamResultIndex(side, TEAM_LETTERS), 1);
    AddToResult(FighterResultIndex(slot, FIGHTER_LETTERS), 1);
    const int other = 1 - side;
    if (CountLetterItems(k) == 1 && letters[other][k] == 0) letters[other][k] = -1;
    for (int w = 0; w < MATCH_WORDS; ++w) {
        if (wordState[w] != 1 || !CanSpell(side, w)) continue;
        if (side == localSide) {
            SetWordState(w, 2);
        } else {
            ApplyWord(side, w);
            SetWordState(w, 0);
        }
    }
}

bool SameTally(const MatchTally& a, const MatchTally& b) {
    return std::memcmp(a.points, b.points, sizeof a.points) == 0 &&
           std::memcmp(a.letters, b.letters, sizeof a.letters) == 0 &&
           std::memcmp(a.wordState, b.wordState, sizeof a.wordState) == 0 && a.showSide == b.showSide &&
           a.endFighters == b.endFighters;
}

MatchTally Match::Tally() const {
    MatchTally t{};
    for (int side = 0; side < 2; ++side) {
        t.points[side] = points[side];
        for (int k = 0; k < MATCH_LETTERS; ++k)
            t.letters[side][k] = int8_t(letters[side][k] < -1 ? -1 : letters[side][k] > 127 ? 127 : letters[side][k]);
    }
    for (int w = 0; w < MATCH_WORDS; ++w) t.wordState[w] = uint8_t(wordState[w] < 0 || wordState[w] > 3 ? 0 : wordState[w]);
    t.showSide = uint8_t(localSide == 1 ? 1 : 0);
    t.endFighters = state == MATCH_PLAYING ? uint16_t(0) : endFighters;
    return t;
}

void Match::HearHostTally(const MatchTally& t) {
    const uint32_t now = GetTime(CLOCK_MATCH);
    for (int side = 0; side < 2; ++side) {
        // Each for himself, the side's flash marks only the local fighter's own gains, which its
        // credits bring.
        if (points[side] != t.points[side] && gameKind != 6 && gameKind != 7) pointsTime[side] = now;
        points[side] = t.points[side];
        for (int k = 0; k < MATCH_LETTERS; ++k) {
            if (letters[side][k] == t.letters[side][k]) continue;
            letters[side][k] = t.letters[side][k];
            letterTime[k] = now;
        }
    }
    for (int w = 0; w < MATCH_WORDS; ++w) {
        // A word on show there was spelled by the host's side: on the other side it is merely gone.
        int32_t shown = t.wordState[w];
        if ((shown == 2 || shown == 3) && t.showSide != localSide) shown = 0;
        if (wordState[w] == shown) continue;
        wordState[w] = shown;
        wordTime[w] = now;
    }
    if (t.endFighters) endFighters = t.endFighters;
}
