#include "shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry.h"

namespace demodata {

std::string Format(const char* format, int a, int b, int c) {
    char s[160];
    std::snprintf(s, sizeof s, format, a, b, c);
    return s;
}

void Fill(Picture* p, int x0, int y0, int x1, int y1, uint32_t argb) {
    for (int y = std::max(0, y0); y < std::min(int(p->height), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(int(p->width), x1); ++x) p->pixels[size_t(y) * p->width + x] = argb;
}

void Frame(Picture* p, int thickness, uint32_t argb) {
    const int w = int(p->width), h = int(p->height);
    Fill(p, 0, 0, w, thickness, argb);
    Fill(p, 0, h - thickness, w, h, argb);
    Fill(p, 0, 0, thickness, h, argb);
    Fill(p, w - thickness, 0, w, h, argb);
}

uint32_t Faded(float a, uint32_t rgb) {
    return (uint32_t(a * 255.0f) << 24) | (Shade(0xFF000000u | rgb, a) & 0xFFFFFF);
}

Picture Spot(uint32_t size, float sharpness, uint32_t rgb) {
    Picture p = datakit::SolidPicture(size, size, 0);
    const float c = float(size - 1) / 2;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const float d = std::sqrt((float(x) - c) * (float(x) - c) + (float(y) - c) * (float(y) - c)) / c;
            const float a = std::clamp(1.0f - std::pow(d, sharpness), 0.0f, 1.0f);
            p.pixels[y * size + x] = Faded(a, rgb);
        }
    return p;
}

Picture Button(uint32_t w, uint32_t h, bool on, uint32_t colour) {
    Picture p = datakit::SolidPicture(w, h, on ? colour : Shade(colour, 0.55f));
    Frame(&p, std::max(1u, h / 12), on ? 0xFFFFFFFF : 0xFF404040);
    return p;
}

void Disc(Picture* p, float cx, float cy, float r, uint32_t argb) {
    for (uint32_t y = 0; y < p->height; ++y)
        for (uint32_t x = 0; x < p->width; ++x) {
            const float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy);
            const float cover = std::clamp(r - d + 0.5f, 0.0f, 1.0f);
            if (cover <= 0.0f) continue;
            uint32_t& px = p->pixels[size_t(y) * p->width + x];
            uint32_t out = 0;
            for (int s = 0; s < 32; s += 8) {
                const float a = float((argb >> s) & 0xFF), b = float((px >> s) & 0xFF);
                out |= uint32_t(std::lround(b + (a - b) * cover)) << s;
            }
            px = out;
        }
}

namespace {

constexpr uint8_t kLetters[26][GLYPH_ROWS] = {
    {14, 17, 17, 31, 17, 17, 17}, {30, 17, 17, 30, 17, 17, 30}, {14, 17, 16, 16, 16, 17, 14},
    {30, 17, 17, 17, 17, 17, 30}, {31, 16, 16, 30, 16, 16, 31}, {31, 16, 16, 30, 16, 16, 16},
    {14, 17, 16, 23, 17, 17, 15}, {17, 17, 17, 31, 17, 17, 17}, {14, 4, 4, 4, 4, 4, 14},
    {7, 2, 2, 2, 2, 18, 12},      {17, 18, 20, 24, 20, 18, 17}, {16, 16, 16, 16, 16, 16, 31},
    {17, 27, 21, 21, 17, 17, 17}, {17, 17, 25, 21, 19, 17, 17}, {14, 17, 17, 17, 17, 17, 14},
    {30, 17, 17, 30, 16, 16, 16}, {14, 17, 17, 17, 21, 18, 13}, {30, 17, 17, 30, 20, 18, 17},
    {15, 16, 16, 14, 1, 1, 30},   {31, 4, 4, 4, 4, 4, 4},       {17, 17, 17, 17, 17, 17, 14},
    {17, 17, 17, 17, 17, 10, 4},  {17, 17, 17, 21, 21, 21, 10}, {17, 17, 10, 4, 10, 17, 17},
    {17, 17, 10, 4, 4, 4, 4},     {31, 1, 2, 4, 8, 16, 31}};
constexpr uint8_t kDigits[10][GLYPH_ROWS] = {
    {14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},     {14, 17, 1, 2, 4, 8, 31},
    {31, 2, 4, 2, 1, 17, 14},     {2, 6, 10, 18, 31, 2, 2},    {31, 16, 30, 1, 1, 17, 14},
    {6, 8, 16, 30, 17, 17, 14},   {31, 1, 2, 4, 8, 8, 8},      {14, 17, 17, 14, 17, 17, 14},
    {14, 17, 17, 15, 1, 2, 12}};
constexpr uint8_t kMinus[GLYPH_ROWS] = {0, 0, 0, 31, 0, 0, 0};
constexpr uint8_t kColon[GLYPH_ROWS] = {0, 4, 4, 0, 4, 4, 0};

}  // namespace

const uint8_t* Glyph(char ch) {
    if (ch >= 'A' && ch <= 'Z') return kLetters[ch - 'A'];
    if (ch >= '0' && ch <= '9') return kDigits[ch - '0'];
    if (ch == '-') return kMinus;
    if (ch == ':') return kColon;
    return nullptr;
}

void DrawText(Picture* p, const std::string& text, int x, int y, int cw, int ch, int advance, uint32_t argb) {
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t* rows = Glyph(text[i]);
        if (!rows) continue;
        const int gx = x + int(i) * advance;
        for (int r = 0; r < GLYPH_ROWS; ++r)
            for (int c = 0; c < GLYPH_COLUMNS; ++c)
                if (rows[r] & (16 >> c)) Fill(p, gx + c * cw, y + r * ch, gx + (c + 1) * cw, y + (r + 1) * ch, argb);
    }
}

}  // namespace demodata
