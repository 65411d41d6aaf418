// Word wrap of a label's paragraph: markers "|n" (new line) and "|c" (centre the line), "|x"
// for a plain x, justified lines except where a line ends the paragraph or a marker centres it.
// A pure function over a width measure, so it is tested with any measure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr uint8_t LINE_LEFT = 0;
constexpr uint8_t LINE_CENTRED = 2;
constexpr uint8_t LINE_JUSTIFIED = 3;

// Limits of a laid-out paragraph.
constexpr int PARAGRAPH_MAX_LINES = 255;
constexpr size_t PARAGRAPH_MAX_LINE_BYTES = 239;

struct ParagraphLine {
    std::string text;
    uint8_t flag;       // LINE_LEFT, LINE_CENTRED, LINE_JUSTIFIED
    int32_t words;
};

// Pixel width of a line of text.
using TextMeasure = std::function<int32_t(const std::string&)>;

// The lines of a paragraph in a box `width` pixels wide. A word wider than the box goes on a line
// of its own, cut at the box's edge.
std::vector<ParagraphLine> LayoutParagraph(const char* text, int32_t width, const TextMeasure& measure);
