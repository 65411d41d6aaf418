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
