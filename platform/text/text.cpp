#include "platform/text/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/os/path.h"

namespace text {

namespace {

FT_Library g_Library = nullptr;
int g_LiveFonts = 0;
bool g_FontconfigUsed = false;
std::vector<std::string> g_Registered;   // resolved paths, in registration order

constexpr int32_t kMaxHeight = 2048;
constexpr int32_t kDefaultEm = 16;
// Faces keep their own hinting; one without hinting instructions is drawn as designed, not
// through an automatic hinter, as the classic rasteriser does.
constexpr FT_Int32 kLoadFlags = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | FT_LOAD_NO_AUTOHINT;

bool EnsureLibrary() {
    if (g_Library) return true;
    return FT_Init_FreeType(&g_Library) == 0;
}

// The classic weight scale and fontconfig's meet at 400 = regular, 700 = bold.
int32_t ClampWeight(int32_t weight) {
    if (weight <= 0) return FW_NORMAL;
    return std::min(weight, 1000);
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A quick check that FreeType can read a face from the file, so that registering a file that is
// not a font fails whatever fontconfig says.
bool HoldsFont(const std::string& path) {
    if (!EnsureLibrary()) return false;
    FT_Face face = nullptr;
    if (FT_New_Face(g_Library, path.c_str(), 0, &face) != 0) return false;
    FT_Done_Face(face);
    return true;
}

// Registered files are kept by absolute path: the working folder may change.
std::string AbsolutePath(const char* gamePath) {
    std::string resolved = os::ResolvePath(gamePath);
    if (resolved.empty()) return resolved;
    if (char* real = ::realpath(resolved.c_str(), nullptr)) {
        std::string out(real);
        std::free(real);
        return out;
    }
    if (resolved[0] == '/') return resolved;
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) return resolved;
    return std::string(cwd) + "/" + resolved;
}

// The weight and slant the face's file gives itself.
void ReadOwnStyle(FaceMatch* match) {
    if (!EnsureLibrary()) return;
    FT_Face face = nullptr;
    if (FT_New_Face(g_Library, match->file.c_str(), match->index, &face) != 0) return;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWeightClass >= 1 && os2->usWeightClass <= 1000)
        match->weight = os2->usWeightClass;
    else
        match->weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
    match->italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    FT_Done_Face(face);
}

int32_t RoundDiv(int64_t num, int64_t den) {
    // Half away from zero, as the classic MulDiv rounds; den > 0.
    if (num >= 0) return int32_t((num * 2 + den) / (den * 2));
    return -int32_t((-num * 2 + den) / (den * 2));
}

}  // namespace

class Font {
public:
    FT_Face face = nullptr;
    FaceMatch match;
    bool symbol = false;      // the face has only a symbol character map
    bool embolden = false;
    bool oblique = false;
    TextMetrics metrics{};
    uint32_t glyphs[256] = {};
    int32_t advances[256] = {};

    // Loads the glyph of a character with the synthetic styles applied; false when FreeType
    // refuses it.
    bool Load(uint8_t c) const {
        if (FT_Load_Glyph(face, glyphs[c], kLoadFlags) != 0) return false;
        if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return true;
        if (embolden) FT_GlyphSlot_Embolden(face->glyph);
        if (oblique) FT_GlyphSlot_Oblique(face->glyph);
        return true;
    }
};

uint32_t CodePointFrom1252(uint8_t c) {
    static const uint16_t k80[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (c >= 0x80 && c < 0xA0) return k80[c - 0x80];
    return c;
}

bool FindFace(const char* family, int32_t weight, bool italic, FaceMatch* out) {
    if (!out) return false;
    g_FontconfigUsed = true;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    if (family && *family) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(ClampWeight(weight)));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found) return false;

    bool ok = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file) {
        ok = true;
        out->file = reinterpret_cast<const char*>(file);
        int index = 0;
        out->index = FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
        FcChar8* name = nullptr;
        out->family = FcPatternGetString(found, FC_FAMILY, 0, &name) == FcResultMatch && name
                          ? reinterpret_cast<const char*>(name)
                          : "";
        int fcWeight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(found, FC_WEIGHT, 0, &fcWeight);
        out->weight = FcWeightToOpenType(fcWeight);
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(found, FC_SLANT, 0, &slant);
        out->italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(found);
    // The configuration may describe the face as the style asked for when it means to have it
    // made up; the file itself tells what the face is.
    if (ok) ReadOwnStyle(out);
    return ok;
}

Font* CreateFont(const FontDesc& desc) {
    if (desc.height > kMaxHeight || desc.height < -kMaxHeight) return nullptr;
    FaceMatch match;
    int32_t weight = ClampWeight(desc.weight);
    if (!FindFace(desc.face.c_str(), weight, desc.italic, &match)) return nullptr;
    if (!EnsureLibrary()) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(g_Library, match.file.c_str(), match.index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }

    Font* font = new Font();
    font->face = face;
    ++g_LiveFonts;
    font->match = match;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0)
        font->symbol = true;
    // Styles the face lacks are made up, as the classic rasteriser does.
    font->embolden = weight >= 600 && match.weight < 600;
    font->oblique = desc.italic && !match.italic;

    // The cell: the face's own line extents when it has them.
    int64_t upem = face->units_per_EM;
    int64_t winAscent = 0, winDescent = 0;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF) {
        winAscent = os2->usWinAscent;
        winDescent = os2->usWinDescent;
    }
    if (winAscent + winDescent <= 0) {
        winAscent = std::max<int64_t>(face->ascender, 0);
        winDescent = std::max<int64_t>(-int64_t(face->descender), 0);
    }
    if (winAscent + winDescent <= 0) {
        winAscent = upem;
        winDescent = 0;
    }
    int64_t cell = winAscent + winDescent;

    double em;
    TextMetrics& m = font->metrics;
    if (desc.height > 0) {
        em = double(desc.height) * double(upem) / double(cell);
        m.ascent = RoundDiv(winAscent * desc.height, cell);
        m.descent = desc.height - m.ascent;
    } else {
        int32_t emPixels = desc.height < 0 ? -desc.height : kDefaultEm;
        em = emPixels;
        m.ascent = RoundDiv(winAscent * emPixels, upem);
        m.descent = RoundDiv(winDescent * emPixels, upem);
    }
    m.height = m.ascent + m.descent;
    m.internalLeading = m.height - int32_t(std::lround(em));
    FT_F26Dot6 size26 = std::max<FT_F26Dot6>(1, FT_F26Dot6(std::lround(em * 64.0)));
    if (FT_Set_Char_Size(face, 0, size26, 72, 72) != 0) {
        DeleteFont(font);
        return nullptr;
    }

    int32_t widest = 0;
    for (int c = 0; c < 256; ++c) {
        uint32_t index = 0;
        if (font->symbol) {
            index = FT_Get_Char_Index(face, 0xF000u | uint32_t(c));
            if (!index) index = FT_Get_Char_Index(face, uint32_t(c));
        } else {
            index = FT_Get_Char_Index(face, CodePointFrom1252(uint8_t(c)));
        }
        font->glyphs[c] = index;
        int32_t advance = 0;
        if (font->Load(uint8_t(c))) advance = int32_t((face->glyph->advance.x + 32) >> 6);
        font->advances[c] = std::max(advance, 0);
        widest = std::max(widest, font->advances[c]);
    }
    m.maxCharWidth = widest;
    if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
        m.aveCharWidth = int32_t(std::lround(double(os2->xAvgCharWidth) * em / double(upem)));
    else
        m.aveCharWidth = font->advances[uint8_t('x')];
    return font;
}

void DeleteFont(Font* font) {
    if (!font) return;
    if (font->face) {
        FT_Done_Face(font->face);
        --g_LiveFonts;
    }
    delete font;
}

const FaceMatch* GetFontFace(const Font* font) { return font ? &font->match : nullptr; }

bool GetTextMetrics(const Font* font, TextMetrics* metrics) {
    if (!font || !metrics) return false;
    *metrics = font->metrics;
    return true;
}

int32_t GetCharWidth(const Font* font, uint8_t c) { return font ? font->advances[c] : 0; }

// ---- Bitmap ------------------------------------------------------------------------------

Bitmap::Bitmap(int32_t width, int32_t height) : width_(0), height_(0) {
    if (width < 1 || height < 1 || width > 16384 || height > 16384) return;
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * size_t(height), 0);
}

uint32_t Bitmap::Pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

// ---- Drawing context ---------------------------------------------------------------------

bool DrawContext::GetTextExtentPoint32(const char* text, int32_t length, Size* size) const {
    if (!font_ || !size || length < 0 || (length > 0 && !text)) return false;
    int64_t cx = 0;
    for (int32_t i = 0; i < length; ++i) cx += font_->advances[uint8_t(text[i])];
    size->cx = int32_t(std::min<int64_t>(cx, INT32_MAX));
    size->cy = font_->metrics.height;
    return true;
}

namespace {

uint32_t Mix(uint32_t dst, uint32_t src, uint32_t coverage) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t d = (dst >> shift) & 0xFF, s = (src >> shift) & 0xFF;
        uint32_t v = (d * (255 - coverage) + s * coverage + 127) / 255;
        out |= v << shift;
    }
    return out;
}

}  // namespace

bool DrawContext::ExtTextOut(int32_t x, int32_t y, uint32_t options, const char* text, int32_t length) {
    if (!font_ || !bitmap_ || length < 0 || (length > 0 && !text)) return false;
    Bitmap& bm = *bitmap_;
    const int32_t width = bm.Width(), height = bm.Height();
    uint32_t* pixels = bm.Pixels();

    // The justification is spent on this line, whatever it holds.
    const int32_t extra = justify_;
    justify_ = 0;
    int32_t breaks = 0;
    for (int32_t i = 0; i < length; ++i) breaks += text[i] == ' ';
    const int32_t share = breaks ? extra / breaks : 0;
    int32_t remainder = breaks ? extra % breaks : 0;

    if (options & ETO_OPAQUE) {
        Size extent{};
        GetTextExtentPoint32(text, length, &extent);
        if (breaks) extent.cx += extra;
        int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(int64_t(x) + extent.cx, width);
        int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(int64_t(y) + extent.cy, height);
        for (int64_t py = y0; py < y1; ++py)
            for (int64_t px = x0; px < x1; ++px) pixels[size_t(py) * size_t(width) + size_t(px)] = bkColor_;
    }

    FT_Face face = font_->face;
    int64_t pen = x;
    const int64_t baseline = int64_t(y) + font_->metrics.ascent;
    for (int32_t i = 0; i < length; ++i) {
        uint8_t c = uint8_t(text[i]);
        int64_t advance = font_->advances[c];
        if (font_->Load(c) && FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
            const FT_Bitmap& g = face->glyph->bitmap;
            int64_t left = pen + face->glyph->bitmap_left;
            int64_t top = baseline - face->glyph->bitmap_top;
            for (unsigned row = 0; row < g.rows; ++row) {
                int64_t py = top + row;
                if (py < 0 || py >= height) continue;
                const unsigned char* src =
                    g.pitch >= 0 ? g.buffer + size_t(row) * size_t(g.pitch)
                                 : g.buffer + size_t(g.rows - 1 - row) * size_t(-g.pitch);
                for (unsigned col = 0; col < g.width; ++col) {
                    int64_t px = left + col;
                    if (px < 0 || px >= width) continue;
                    uint32_t coverage;
                    if (g.pixel_mode == FT_PIXEL_MODE_MONO)
                        coverage = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
                    else if (g.pixel_mode == FT_PIXEL_MODE_GRAY)
                        coverage = g.num_grays == 256 ? src[col] : src[col] * 255u / std::max(1u, unsigned(g.num_grays) - 1);
                    else
                        continue;
                    if (!coverage) continue;
                    uint32_t& p = pixels[size_t(py) * size_t(width) + size_t(px)];
                    p = Mix(p, textColor_, coverage);
                }
            }
        }
        pen += advance;
        if (c == ' ' && breaks) {
            pen += share + (remainder > 0 ? 1 : 0);
            if (remainder > 0) --remainder;
        }
    }
    return true;
}

// ---- Glyph outlines ----------------------------------------------------------------------

namespace {

// Largest distance, in pixels, between a curve and the lines that stand for it.
constexpr double kFlatness = 0.25;
constexpr int kMaxCurveSteps = 64;

struct OutlineWalk {
    std::vector<OutlineContour>* contours;
    double ascent;
    double lastX = 0, lastY = 0;   // pixels, y down

    void Point(double x, double y) {
        lastX = x;
        lastY = y;
        if (contours->empty()) contours->emplace_back();
        OutlineContour& c = contours->back();
        const OutlinePoint p{int32_t(std::lround(x)), int32_t(std::lround(y))};
        if (!c.empty() && c.back().x == p.x && c.back().y == p.y) return;
        c.push_back(p);
    }
    double X(const FT_Vector* v) const { return double(v->x) / 64.0; }
    double Y(const FT_Vector* v) const { return ascent - double(v->y) / 64.0; }
};

int Steps(double deviation) {
    if (!(deviation > kFlatness)) return 1;
    return std::min(kMaxCurveSteps, int(std::ceil(std::sqrt(deviation / kFlatness))));
}

int MoveTo(const FT_Vector* to, void* user) {
    auto* w = static_cast<OutlineWalk*>(user);
    w->contours->emplace_back();
    w->Point(w->X(to), w->Y(to));
    return 0;
}

int LineTo(const FT_Vector* to, void* user) {
    auto* w = static_cast<OutlineWalk*>(user);
    w->Point(w->X(to), w->Y(to));
    return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* w = static_cast<OutlineWalk*>(user);
    const double x0 = w->lastX, y0 = w->lastY, x1 = w->X(control), y1 = w->Y(control), x2 = w->X(to), y2 = w->Y(to);
    // A quadratic strays from its chord by a quarter of its second difference.
    const int n = Steps(std::hypot(x0 - 2 * x1 + x2, y0 - 2 * y1 + y2) * 0.25);
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n, u = 1 - t;
        w->Point(u * u * x0 + 2 * u * t * x1 + t * t * x2, u * u * y0 + 2 * u * t * y1 + t * t * y2);
    }
    return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* w = static_cast<OutlineWalk*>(user);
    const double x0 = w->lastX, y0 = w->lastY, x1 = w->X(c1), y1 = w->Y(c1), x2 = w->X(c2), y2 = w->Y(c2);
    const double x3 = w->X(to), y3 = w->Y(to);
    const double d = std::max(std::hypot(x0 - 2 * x1 + x2, y0 - 2 * y1 + y2), std::hypot(x1 - 2 * x2 + x3, y1 - 2 * y2 + y3));
    const int n = Steps(d * 0.75);
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, e = t * t * t;
        w->Point(a * x0 + b * x1 + c * x2 + e * x3, a * y0 + b * y1 + c * y2 + e * y3);
    }
    return 0;
}

}  // namespace

bool GetGlyphOutline(const Font* font, uint8_t c, std::vector<OutlineContour>* contours) {
    if (!font || !contours) return false;
    contours->clear();
    if (!font->Load(c)) return false;
    FT_GlyphSlot slot = font->face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return true;
    OutlineWalk walk{contours, double(font->metrics.ascent)};
    FT_Outline_Funcs funcs{};
    funcs.move_to = MoveTo;
    funcs.line_to = LineTo;
    funcs.conic_to = ConicTo;
    funcs.cubic_to = CubicTo;
    if (FT_Outline_Decompose(&slot->outline, &funcs, &walk) != 0) {
        contours->clear();
        return false;
    }
    // The walk ends each contour back on its first point; a closed contour does not repeat it.
    for (OutlineContour& contour : *contours)
        while (contour.size() > 1 && contour.back().x == contour.front().x && contour.back().y == contour.front().y)
            contour.pop_back();
    // What rounding flattened to a line or a point encloses nothing.
    contours->erase(std::remove_if(contours->begin(), contours->end(),
                                   [](const OutlineContour& contour) { return contour.size() < 3; }),
                    contours->end());
    return true;
}

// ---- Registered font files ---------------------------------------------------------------

bool RegisterFontFile(const char* path) {
    if (!path || !*path) return false;
    std::string resolved = AbsolutePath(path);
    if (!IsRegularFile(resolved)) return false;
    if (std::find(g_Registered.begin(), g_Registered.end(), resolved) != g_Registered.end()) return true;
    if (!HoldsFont(resolved)) return false;
    g_FontconfigUsed = true;
    if (!FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(resolved.c_str()))) return false;
    g_Registered.push_back(resolved);
    return true;
}

bool UnregisterFontFile(const char* path) {
    if (!path || !*path) return false;
    std::string resolved = AbsolutePath(path);
    auto it = std::find(g_Registered.begin(), g_Registered.end(), resolved);
    if (it == g_Registered.end()) return false;
    g_Registered.erase(it);
    // The configuration can only drop all application fonts at once: the others go back in.
    FcConfigAppFontClear(nullptr);
    for (const std::string& file : g_Registered)
        FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()));
    return true;
}

void Shutdown() {
    if (!g_Registered.empty()) {
        g_Registered.clear();
        FcConfigAppFontClear(nullptr);
    }
    if (g_Library && g_LiveFonts == 0) {
        FT_Done_FreeType(g_Library);
        g_Library = nullptr;
    }
}

}  // namespace text
