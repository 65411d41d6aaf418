// Data the program cannot do without and could not read (a data pack, the settings file, a
// scenario, the fighters' models), told to the player in plain words: at once in the debug log
// and on standard error, and in a message box as soon as one can be shown on the main thread.
#pragma once

#include <string>
#include <vector>

// Tells `text`. Any thread.
void TellDataProblem(const char* text);
void TellDataProblemF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Main thread: each text told since the last call in a message box, where a display exists
// (headless, the standard error already had it).
void ShowDataProblems();
// From now on each text goes to standard error as it is told, those told before first: the
// program's own start calls it, so the tools and tests that share the data code stay quiet.
void TellDataProblemsOnStderr();
// Every text told this run, in order.
std::vector<std::string> ToldDataProblems();
// Every text handed to a message box this run, in order, whether or not a display showed it
// (tests: headless, no box opens).
std::vector<std::string> ShownDataProblems();
// Back to the start state: nothing told (tests).
void ResetDataProblems();
