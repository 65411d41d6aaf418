// The demo data set for the tests that run on it: the folder that CTest's fixture wrote (named
// by BRIMVALE_DEMO_DATA), or, when a test program runs on its own, a folder that the data tool
// writes on first use and that is removed when the program ends.
#pragma once

#include <filesystem>

namespace testsupport {

// An absolute path; empty when the tool could not write the set.
const std::filesystem::path& DemoDataFolder(const char* toolPath);

// The files of a data folder linked into `to`, its folders made anew, so that what the game
// writes (logs, path maps, trajectories, options, saves) lands there and never in the shared set.
void LinkDataFolder(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace testsupport
