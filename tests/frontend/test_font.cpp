#include "test_font.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/text/text.h"

namespace fonttest {

namespace {

constexpr int16_t kUnitsPerEm = 1000;
constexpr int16_t kAscent = 800;
constexpr int16_t kDescent = 200;
// The cell is taller than the em (1200 units), so the two height rules give different sizes.
constexpr int16_t kWinAscent = 900;
constexpr int16_t kWinDescent = 300;

class Out {
public:
    std::vector<uint8_t> bytes;
    void U8(uint32_t v) { bytes.push_back(uint8_t(v)); }
    void U16(uint32_t v) {
        U8(v >> 8);
        U8(v);
    }
    void I16(int32_t v) { U16(uint32_t(v) & 0xFFFF); }
    void U32(uint32_t v) {
        U16(v >> 16);
        U16(v);
    }
    void Tag(const char* t) {
        for (int i = 0; i < 4; ++i) U8(uint8_t(t[i]));
    }
    void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    void Append(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
    void Align4() {
        while (bytes.size() % 4) U8(0);
    }
};

std::vector<uint8_t> Head() {
    Out o;
    o.U32(0x00010000);      // version
    o.U32(0x00010000);      // font revision
    o.U32(0);               // checksum adjustment
    o.U32(0x5F0F3CF5);      // magic
    o.U16(0x0003);          // baseline at 0, left side bearing at 0
    o.U16(kUnitsPerEm);
    o.Zeros(16);            // created, modified
    o.I16(0);               // xMin
    o.I16(-kDescent);       // yMin
    o.I16(1000);            // xMax
    o.I16(kAscent);         // yMax
    o.U16(0);               // mac style
    o.U16(8);               // lowest readable size
    o.I16(2);               // direction hint
    o.I16(0);               // short loca offsets
    o.I16(0);               // glyph data format
    return o.bytes;
}

std::vector<uint8_t> Hhea(uint16_t glyphCount) {
    Out o;
    o.U32(0x00010000);
    o.I16(kAscent);
    o.I16(-kDescent);
    o.I16(0);               // line gap
    o.U16(1000);            // advance width max
    o.I16(0);               // min left side bearing
    o.I16(0);               // min right side bearing
    o.I16(1000);            // x max extent
    o.I16(1);               // caret slope rise
    o.I16(0);               // caret slope run
    o.I16(0);               // caret offset
    o.Zeros(8);             // reserved
    o.I16(0);               // metric data format
    o.U16(glyphCount);      // number of horizontal metrics
    return o.bytes;
}

std::vector<uint8_t> Maxp(uint16_t glyphCount, uint16_t maxPoints, uint16_t maxContours) {
    Out o;
    o.U32(0x00010000);
    o.U16(glyphCount);
    o.U16(maxPoints);
    o.U16(maxContours);
    o.U16(0);               // composite points
    o.U16(0);               // composite contours
    o.U16(2);               // zones
    o.Zeros(18);            // twilight points .. component depth
    return o.bytes;
}

std::vector<uint8_t> Os2(uint16_t firstChar, uint16_t lastChar) {
    Out o;
    o.U16(4);               // version
    o.I16(500);             // average char width
    o.U16(400);             // weight
    o.U16(5);               // width class
    o.U16(0);               // embedding: installable
    o.Zeros(20);            // sub/superscript, strikeout
    o.I16(0);               // family class
    o.Zeros(10);            // panose
    o.U32(1);               // unicode ranges: basic latin
    o.U32(0);
    o.U32(0);
    o.U32(0);
    o.Tag("BRIM");
    o.U16(0x0040);          // regular
    o.U16(firstChar);
    o.U16(lastChar);
    o.I16(kAscent);         // typo ascender
    o.I16(-kDescent);       // typo descender
    o.I16(0);               // typo line gap
    o.U16(kWinAscent);
    o.U16(kWinDescent);
    o.U32(1);               // code pages: latin 1
    o.U32(0);
    o.I16(500);             // x height
    o.I16(700);             // cap height
    o.U16(0);               // default char
    o.U16(32);              // break char
    o.U16(1);               // max context
    return o.bytes;
}

std::vector<uint8_t> Name(const std::string& family) {
    std::string postscript;
    for (char c : family)
        if (c != ' ') postscript += c;
    const std::vector<std::pair<uint16_t, std::string>> names = {
        {1, family}, {2, "Regular"}, {3, family + " Regular"}, {4, family}, {6, postscript}};
    Out o;
    o.U16(0);
    o.U16(uint16_t(names.size()));
    o.U16(uint16_t(6 + 12 * names.size()));
    Out strings;
    for (const auto& [id, text] : names) {
        o.U16(3);           // Windows
        o.U16(1);           // Unicode BMP
        o.U16(0x0409);      // English
        o.U16(id);
        o.U16(uint16_t(text.size() * 2));
        o.U16(uint16_t(strings.bytes.size()));
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
    uint16_t segCount = uint16_t(segs.size());
    uint16_t searchRange = 1, selector = 0;
    while (searchRange * 2 <= segCount) {
        searchRange *= 2;
        ++selector;
    }
    searchRange *= 2;
    Out sub;
    sub.U16(4);
    sub.U16(uint16_t(16 + 8 * segCount));
    sub.U16(0);
    sub.U16(uint16_t(segCount * 2));
    sub.U16(searchRange);
    sub.U16(selector);
    sub.U16(uint16_t(segCount * 2 - searchRange));
    for (auto& s : segs) sub.U16(s.first);      // end codes
    sub.U16(0);
    for (auto& s : segs) sub.U16(s.first);      // start codes
    for (auto& s : segs) sub.U16(s.first == 0xFFFF ? 1 : uint16_t(s.second - s.first));  // deltas
    for (size_t i = 0; i < segs.size(); ++i) sub.U16(0);                              // range offsets
    Out o;
    o.U16(0);
    o.U16(1);
    o.U16(3);
    o.U16(1);
    o.U32(12);
    o.Append(sub.bytes);
    return o.bytes;
}

std::vector<uint8_t> Post() {
    Out o;
    o.U32(0x00030000);
    o.U32(0);               // italic angle
    o.I16(-100);            // underline position
    o.I16(50);              // underline thickness
    o.U32(0);               // proportional
    o.Zeros(16);
    return o.bytes;
}

// Each box a clockwise contour of four on-curve points.
std::vector<uint8_t> GlyphData(const TestGlyph& g) {
    if (g.boxes.empty()) return {};
    Out o;
    int16_t xMin = 32767, yMin = 32767, xMax = -32768, yMax = -32768;
    for (const Box& b : g.boxes) {
        xMin = std::min(xMin, b.x0);
        yMin = std::min(yMin, b.y0);
        xMax = std::max(xMax, b.x1);
        yMax = std::max(yMax, b.y1);
    }
    o.I16(int16_t(g.boxes.size()));
    o.I16(xMin);
    o.I16(yMin);
    o.I16(xMax);
    o.I16(yMax);
    for (size_t i = 0; i < g.boxes.size(); ++i) o.U16(uint16_t(i * 4 + 3));
    o.U16(0);               // no instructions
    for (size_t i = 0; i < g.boxes.size() * 4; ++i) o.U8(0x01);
    std::vector<std::pair<int16_t, int16_t>> points;
    for (const Box& b : g.boxes) {
        points.push_back({b.x0, b.y0});
        points.push_back({b.x0, b.y1});
        points.push_back({b.x1, b.y1});
        points.push_back({b.x1, b.y0});
    }
    int16_t last = 0;
    for (auto& p : points) {
        o.I16(p.first - last);
        last = p.first;
    }
    last = 0;
    for (auto& p : points) {
        o.I16(p.second - last);
        last = p.second;
    }
    while (o.bytes.size() % 2) o.U8(0);
    return o.bytes;
}

}  // namespace

std::vector<TestGlyph> TestGlyphs() {
    return {
        {0, 500, {}},
        {0x20, 250, {}},
        {'A', 500, {{100, 0, 400, 600}}},
        {'B', 600, {{0, 0, 600, 800}}},
        {'W', 1000, {{0, 0, 1000, 400}}},
        {'g', 400, {{100, -200, 300, 400}}},
        {0xE9, 450, {{100, 0, 400, 500}}},
        {0x20AC, 700, {{100, 0, 600, 700}}},
    };
}

std::vector<uint8_t> BuildTestFont(const std::string& family) {
    std::vector<TestGlyph> glyphs = TestGlyphs();
    uint16_t count = uint16_t(glyphs.size());
    std::map<uint32_t, uint16_t> glyphOf;
    uint16_t maxPoints = 0, maxContours = 0;
    Out hmtx, glyf, loca;
    for (uint16_t i = 0; i < count; ++i) {
        const TestGlyph& g = glyphs[i];
        if (g.codePoint) glyphOf[g.codePoint] = i;
        hmtx.U16(g.advance);
        hmtx.I16(g.boxes.empty() ? 0 : g.boxes[0].x0);
        loca.U16(uint16_t(glyf.bytes.size() / 2));
        glyf.Append(GlyphData(g));
        maxContours = std::max<uint16_t>(maxContours, uint16_t(g.boxes.size()));
        maxPoints = std::max<uint16_t>(maxPoints, uint16_t(g.boxes.size() * 4));
    }
    loca.U16(uint16_t(glyf.bytes.size() / 2));

    std::map<std::string, std::vector<uint8_t>> tables = {
        {"OS/2", Os2(0x20, 0xFFFF)},
        {"cmap", Cmap(glyphOf)},
        {"glyf", glyf.bytes},
        {"head", Head()},
        {"hhea", Hhea(count)},
        {"hmtx", hmtx.bytes},
        {"loca", loca.bytes},
        {"maxp", Maxp(count, maxPoints, maxContours)},
        {"name", Name(family)},
        {"post", Post()},
    };
    uint16_t n = uint16_t(tables.size());
    uint16_t searchRange = 1, selector = 0;
    while (searchRange * 2 <= n) {
        searchRange *= 2;
        ++selector;
    }
    searchRange *= 16;

    Out font;
    font.U32(0x00010000);
    font.U16(n);
    font.U16(searchRange);
    font.U16(selector);
    font.U16(uint16_t(n * 16 - searchRange));
    uint32_t offset = 12 + 16u * n;
    for (const auto& [tag, data] : tables) {   // std::map keeps the tags sorted
        font.Tag(tag.c_str());
        uint32_t sum = 0;
        for (size_t i = 0; i < data.size(); i += 4) {
            uint32_t word = 0;
            for (size_t k = 0; k < 4; ++k) word = (word << 8) | (i + k < data.size() ? data[i + k] : 0);
            sum += word;
        }
        font.U32(sum);
        font.U32(offset);
        font.U32(uint32_t(data.size()));
        offset += uint32_t((data.size() + 3) & ~size_t(3));
    }
    for (const auto& [tag, data] : tables) {
        font.Append(data);
        font.Align4();
    }
    return font.bytes;
}

namespace {

namespace fs = std::filesystem;

// The folder of the written fonts, removed at exit.
struct FontFolder {
    fs::path path;
    FontFolder() {
        path = fs::temp_directory_path() / ("brimvale-fonts-" + std::to_string(::getpid()));
        fs::create_directories(path);
    }
    ~FontFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

FontFolder& Folder() {
    static FontFolder folder;
    return folder;
}

}  // namespace

std::string WriteTestFont(const std::string& fileName, const std::string& family) {
    fs::path p = Folder().path / fileName;
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
