#include "fighters/match.h"

Match g_Match;

// The match rules fill these.
void Match::InitTeamCounters(int) {}
void Match::UpdateClock() {}
