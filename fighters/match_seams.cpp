// The match operations that later work fills in: the game-kind rules, the power words and the
// mode objects. Each does nothing yet; those with a result answer the way "not done" reads.
#include "fighters/match.h"

// The game-kind rules fill this: contacts that score and the win tests of each kind.
int Match::UpdateRules() { return -1; }

// The power words fill these.
void Match::EnableWords() {}
void Match::UpdateWordTimers() {}

// The mode objects fill these: symbols, checkpoints, search objects and the curse, with the
// scene objects made from the templates.
bool Match::CreateSymbol(float, float, float, float, int) { return false; }
int Match::CreateCheckpoint(float, float, float, float) { return -1; }
void Match::SetSymbolCarrier(int, float, float, float, Character*) {}
void Match::ClearSymbol(int) {}
void Match::ClearCheckpoint(int) {}
bool Match::PlaceSearchObject(int) { return false; }
void Match::UpdateSearchObjects() {}
bool Match::CreateCurseMarker(float, float, float) { return false; }
void Match::SetCursedCharacter(Character*, bool) {}
void Match::SpinSymbols() {}
void Match::SpinCurseMarker() {}
