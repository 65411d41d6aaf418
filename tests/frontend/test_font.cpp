#include "test_font.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <utility>

#include "platform/text/text.h"

namespace fonttest {

namespace {

constexpr int16_t kUnitsPerEm = 1000;
constexpr int16_t kAscent = 800;
constexpr int16_t kDescent = 200;
// The cell is taller than the em (1200 units), so the two height rules give different sizes.
constexpr int16_t kWinAscent = 900;
constexpr int16_t kWinDescent = 300;

struct Box {
    int16_t x0, y0, x1, y1;   // font units, y up from the baseline
};

struct TestGlyph {
    uint32_t codePoint;        // Unicode; 0 for the missing-glyph shape
    uint16_t advance;          // font units
    std::vector<Box> boxes;
};

// As the header lists them.
const std::vector<TestGlyph> kGlyphs = {
    {0, 500, {}},
    {0x20, 250, {}},
    {'A', 500, {{100, 0, 400, 600}}},
    {'B', 600, {{0, 0, 600, 800}}},
    {'W', 1000, {{0, 0, 1000, 400}}},
    {0xE9, 450, {{100, 0, 400, 500}}},
    {0x20AC, 700, {{100, 0, 600, 700}}},
};

// Big-endian fields, as TrueType stores them.
class Out {
public:
    std::vector<uint8_t> bytes;
    void U8(uint32_t v) { bytes.push_back(uint8_t(v)); }
    void U16(uint32_t v) {
        U8(v >> 8);
        U8(v);
    }
    void U16s(std::initializer_list<int32_t> vs) {
        for (int32_t v : vs) U16(uint32_t(v) & 0xFFFF);
    }
    void U32(uint32_t v) {
        U16(v >> 16);
        U16(v);
    }
    void Tag(const char* t) {
        for (int i = 0; i < 4; ++i) U8(uint8_t(t[i]));
    }
    void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    void Append(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
};

std::vector<uint8_t> Head() {
    Out o;
    for (uint32_t v : {0x00010000u, 0x00010000u, 0u, 0x5F0F3CF5u}) o.U32(v);  // versions, checksum, magic
    o.U16s({0x0003, kUnitsPerEm});   // baseline and left side bearing at 0
    o.Zeros(16);                     // created, modified
    // Bounds, mac style, lowest readable size, direction hint, short loca offsets, glyph format.
    o.U16s({0, -kDescent, 1000, kAscent, 0, 8, 2, 0, 0});
    return o.bytes;
}

std::vector<uint8_t> Hhea(uint16_t glyphCount) {
    Out o;
    o.U32(0x00010000);
    // Ascent, descent, line gap, advance max, side bearings, extent, caret rise, run, offset.
    o.U16s({kAscent, -kDescent, 0, 1000, 0, 0, 1000, 1, 0, 0});
    o.Zeros(8);
    o.U16s({0, glyphCount});         // metric format, horizontal metrics
    return o.bytes;
}

std::vector<uint8_t> Maxp(uint16_t glyphCount, uint16_t maxPoints, uint16_t maxContours) {
    Out o;
    o.U32(0x00010000);
    o.U16s({glyphCount, maxPoints, maxContours, 0, 0, 2});   // no composites, two zones
    o.Zeros(18);
    return o.bytes;
}

std::vector<uint8_t> Os2(uint16_t firstChar, uint16_t lastChar) {
    Out o;
    o.U16s({4, 500, 400, 5, 0});     // version, average width, weight, width class, installable
    o.Zeros(20);                     // sub/superscript, strikeout
    o.U16(0);                        // family class
    o.Zeros(10);                     // panose
    for (uint32_t v : {1u, 0u, 0u, 0u}) o.U32(v);   // unicode ranges: basic latin
    o.Tag("BRIM");
    o.U16s({0x0040, firstChar, lastChar, kAscent, -kDescent, 0, kWinAscent, kWinDescent});
    for (uint32_t v : {1u, 0u}) o.U32(v);           // code pages: latin 1
    o.U16s({500, 700, 0, 32, 1});    // x height, cap height, default, break char, max context
    return o.bytes;
}

std::vector<uint8_t> Name(const std::string& family) {
    const std::vector<std::pair<uint16_t, std::string>> names = {{1, family}, {2, "Regular"}};
    Out o;
    o.U16s({0, int32_t(names.size()), int32_t(6 + 12 * names.size())});
    Out strings;
    for (const auto& [id, text] : names) {
        // Windows, Unicode BMP, English.
        o.U16s({3, 1, 0x0409, id, int32_t(text.size() * 2), int32_t(strings.bytes.size())});
        for (char c : text) strings.U16(uint8_t(c));
    }
    o.Append(strings.bytes);
    return o.bytes;
}

// Format 4, one segment per character.
std::vector<uint8_t> Cmap(const std::map<uint32_t, uint16_t>& glyphOf) {
    std::vector<std::pair<uint16_t, uint16_t>> segs;
    for (const auto& [cp, g] : glyphOf) segs.push_back({uint16_t(cp), g});
    segs.push_back({0xFFFF, 0});
    const int32_t segCount = int32_t(segs.size());
    int32_t searchRange = 1, selector = 0;
    while (searchRange * 2 <= segCount) {
        searchRange *= 2;
        ++selector;
    }
    searchRange *= 2;
    Out o;
    o.U16s({0, 1, 3, 1});
    o.U32(12);
    o.U16s({4, 16 + 8 * segCount, 0, segCount * 2, searchRange, selector, segCount * 2 - searchRange});
    for (auto& s : segs) o.U16(s.first);      // end codes
    o.U16(0);
    for (auto& s : segs) o.U16(s.first);      // start codes
    for (auto& s : segs) o.U16(s.first == 0xFFFF ? 1 : uint16_t(s.second - s.first));  // deltas
    o.Zeros(segs.size() * 2);                 // range offsets
    return o.bytes;
}

// Each box a clockwise contour of four on-curve points.
std::vector<uint8_t> GlyphData(const TestGlyph& g) {
    if (g.boxes.empty()) return {};
    Out o;
    int16_t xMin = 32767, yMin = 32767, xMax = -32768, yMax = -32768;
    std::vector<std::pair<int16_t, int16_t>> points;
    for (const Box& b : g.boxes) {
        xMin = std::min(xMin, b.x0);
        yMin = std::min(yMin, b.y0);
        xMax = std::max(xMax, b.x1);
        yMax = std::max(yMax, b.y1);
        points.insert(points.end(), {{b.x0, b.y0}, {b.x0, b.y1}, {b.x1, b.y1}, {b.x1, b.y0}});
    }
    o.U16s({int32_t(g.boxes.size()), xMin, yMin, xMax, yMax});
    for (size_t i = 0; i < g.boxes.size(); ++i) o.U16(uint16_t(i * 4 + 3));
    o.U16(0);                        // no instructions
    for (size_t i = 0; i < points.size(); ++i) o.U8(0x01);
    int32_t last = 0;   // coordinates as deltas
    for (auto& p : points) o.U16s({p.first - std::exchange(last, p.first)});
    last = 0;
    for (auto& p : points) o.U16s({p.second - std::exchange(last, p.second)});
    return o.bytes;
}

}  // namespace

std::vector<uint8_t> BuildTestFont(const std::string& family) {
    const std::vector<TestGlyph>& glyphs = kGlyphs;
    uint16_t count = uint16_t(glyphs.size());
    std::map<uint32_t, uint16_t> glyphOf;
    uint16_t maxPoints = 0, maxContours = 0;
    Out hmtx, glyf, loca;
    for (uint16_t i = 0; i < count; ++i) {
        const TestGlyph& g = glyphs[i];
        if (g.codePoint) glyphOf[g.codePoint] = i;
        hmtx.U16s({g.advance, g.boxes.empty() ? 0 : g.boxes[0].x0});
        loca.U16(uint16_t(glyf.bytes.size() / 2));
        glyf.Append(GlyphData(g));
        maxContours = std::max<uint16_t>(maxContours, uint16_t(g.boxes.size()));
        maxPoints = std::max<uint16_t>(maxPoints, uint16_t(g.boxes.size() * 4));
    }
    loca.U16(uint16_t(glyf.bytes.size() / 2));

    // std::map keeps the tags sorted, as the table directory wants them.
    std::map<std::string, std::vector<uint8_t>> tables = {
        {"OS/2", Os2(0x20, 0xFFFF)}, {"cmap", Cmap(glyphOf)}, {"glyf", glyf.bytes},
        {"head", Head()},            {"hhea", Hhea(count)},   {"hmtx", hmtx.bytes},
        {"loca", loca.bytes},        {"maxp", Maxp(count, maxPoints, maxContours)},
        {"name", Name(family)},
    };
    const int32_t n = int32_t(tables.size());
    int32_t searchRange = 1, selector = 0;
    while (searchRange * 2 <= n) {
        searchRange *= 2;
        ++selector;
    }
    searchRange *= 16;

    Out font;
    font.U32(0x00010000);
    font.U16s({n, searchRange, selector, n * 16 - searchRange});
    uint32_t offset = 12 + 16u * uint32_t(n);
    for (const auto& [tag, data] : tables) {
        font.Tag(tag.c_str());
        for (uint32_t v : {0u, offset, uint32_t(data.size())}) font.U32(v);   // no reader checks the sums
        offset += uint32_t((data.size() + 3) & ~size_t(3));
    }
    for (const auto& [tag, data] : tables) {
        font.Append(data);
        font.Zeros((4 - data.size() % 4) % 4);
    }
    return font.bytes;
}

namespace {

namespace fs = std::filesystem;

// The folder of the written fonts, removed at exit.
struct FontFolder {
    fs::path path = fs::temp_directory_path() / ("brimvale-fonts-" + std::to_string(::getpid()));
    FontFolder() { fs::create_directories(path); }
    ~FontFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

}  // namespace

std::string WriteTestFont(const std::string& fileName, const std::string& family) {
    static FontFolder folder;
    fs::path p = folder.path / fileName;
    std::vector<uint8_t> bytes = BuildTestFont(family);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return p.string();
}

bool RegisterTestFont() {
    static std::string path = WriteTestFont("BrimvaleTestFace.ttf");
    return text::RegisterFontFile(path.c_str());
}

}  // namespace fonttest
