#include "fighters/match.h"

Match g_Match;

// The match rules fill these.
void Match::InitTeamCounters(int) {}
void Match::UpdateClock() {}
// The match rules fill this: scoring, the game kinds' goals and the end of the match.
void Match::Update() {}
void Match::Setup(int, int) {}
void Match::Start() {}
void Match::EnableWords() {}
void Match::Release() {}
// The scoring rules fill this.
void Match::RecordKill(int, int, int) {}
void Match::AddPoints(int, int, int) {}
// The mode objects fill this: the symbol, its pedestal and effect moved with its carrier.
void Match::SetSymbolCarrier(int, float, float, float, Character*) {}
