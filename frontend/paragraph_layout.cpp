#include "frontend/paragraph_layout.h"

namespace {

enum class WordEnd { Space, Centre, Break, End };

// Reads one word from pos: every token up to a space, a marker or the end of the text.
WordEnd ReadWord(const char* text, size_t* pos, std::string* word) {
    word->clear();
    size_t p = *pos;
    WordEnd end = WordEnd::End;
    for (;;) {
        const char c = text[p];
        if (c == 0) break;
        if (c == ' ') {
            ++p;
            end = WordEnd::Space;
            break;
        }
        if (c == '|') {
            const char next = text[p + 1];
            if (next == 0) {   // a lone bar at the very end ends the text
                ++p;
                break;
            }
            p += 2;
            if (next == 'n') {
                end = WordEnd::Break;
                break;
            }
            if (next == 'c') {
                end = WordEnd::Centre;
                break;
            }
            word->push_back(next);
            continue;
        }
        word->push_back(c);
        ++p;
    }
    *pos = p;
    return end;
}

}  // namespace

std::vector<ParagraphLine> LayoutParagraph(const char* text, int32_t width, const TextMeasure& measure) {
    std::vector<ParagraphLine> lines;
    if (!text) return lines;
    std::string buffer, word;
    int32_t words = 0;
    uint8_t align = LINE_JUSTIFIED;
    size_t pos = 0;
    auto close = [&](uint8_t flag) {
        lines.push_back({buffer, flag, words});
        buffer.clear();
        words = 0;
    };
    while (lines.size() < size_t(PARAGRAPH_MAX_LINES)) {
        const size_t lineLength = buffer.size(), wordStart = pos;
        const WordEnd end = ReadWord(text, &pos, &word);
        if (end == WordEnd::Centre) align = LINE_CENTRED;
        const std::string candidate = buffer + word;
        const bool fits = candidate.size() <= PARAGRAPH_MAX_LINE_BYTES && measure(candidate) <= width;
        if (!fits && lineLength > 0) {
            // The word starts the next line; the space before it goes.
            pos = wordStart;
            buffer.resize(lineLength);
            if (!buffer.empty() && buffer.back() == ' ') buffer.pop_back();
            close(align == LINE_CENTRED ? LINE_CENTRED : LINE_JUSTIFIED);
            continue;
        }
        if (!fits) {
            // Alone and still too wide: it keeps what fits and ends its own line.
            std::string cut;
            for (char c : word) {
                if (cut.size() >= PARAGRAPH_MAX_LINE_BYTES || measure(cut + c) > width) break;
                cut.push_back(c);
            }
            buffer = cut;
            words = 1;
            close(align == LINE_CENTRED ? LINE_CENTRED : LINE_LEFT);
            if (end == WordEnd::Break || end == WordEnd::End) align = LINE_JUSTIFIED;
            if (end == WordEnd::End) break;
            continue;
        }
        ++words;
        if (end == WordEnd::Space || end == WordEnd::Centre) {
            buffer = candidate + ' ';
            continue;
        }
        buffer = candidate;
        close(align == LINE_CENTRED ? LINE_CENTRED : LINE_LEFT);
        align = LINE_JUSTIFIED;
        if (end == WordEnd::End) break;
    }
    return lines;
}
