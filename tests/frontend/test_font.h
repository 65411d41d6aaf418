// A small TrueType font written for the tests: rectangles for glyphs, 1000 units to the em, a
// cell of 900 units above the baseline and 300 below (the Windows line metrics), no hinting
// instructions, so that at 20 pixels to the em (a 15-point font at 96 dpi) every edge falls on a
// pixel edge (50 units = 1 pixel) and every size in the tests can be worked out by hand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fonttest {

// Family name of the test font; no system has it.
inline const char* const kFamily = "Brimvale Test Face";

// The glyphs of the test font, in font units:
//   missing glyph   advance 500, no shape
//   space           advance 250
//   'A'             advance 500, box (100,0)-(400,600)
//   'B'             advance 600, box (0,0)-(600,800), the whole ascent and advance
//   'W'             advance 1000, box (0,0)-(1000,400)
//   U+00E9 e acute  advance 450, box (100,0)-(400,500)
//   U+20AC euro     advance 700, box (100,0)-(600,700)
// The font file's bytes.
std::vector<uint8_t> BuildTestFont(const std::string& family = kFamily);

// Writes a font file of the family into a folder of its own under the system's temporary
// folder and returns its absolute path; the folder goes when the program ends.
std::string WriteTestFont(const std::string& fileName, const std::string& family = kFamily);

// The test font of kFamily, written once per program and registered (again, if a test dropped
// the registrations). False when registering fails.
bool RegisterTestFont();

}  // namespace fonttest
