#include "support/screen_picture.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace testsupport {

bool LoadScreenshot(const std::filesystem::path& file, gfx::Image* out) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return gfx::DecodeBmp(bytes.data(), bytes.size(), out);
}

namespace {

uint32_t BigEndian(const uint8_t* b) {
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

}  // namespace

bool LoadScreenFile(const std::filesystem::path& file, gfx::Image* out, float top, float bottom) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    // The header's fields are big-endian 32-bit words whatever the pixels' order.
    constexpr size_t kFields = 25, kColourEntry = 12;
    uint8_t header[kFields * 4];
    in.seekg(0);
    if (size < std::streamoff(sizeof header) || !in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    auto field = [&](size_t i) { return BigEndian(header + i * 4); };
    const uint32_t headerSize = field(0), version = field(1), format = field(2), width = field(4), height = field(5),
                   bitsPerPixel = field(11), stride = field(12), red = field(14), green = field(15), blue = field(16),
                   colours = field(19);
    const bool lsbFirst = field(7) == 0;
    constexpr uint32_t kZPixmap = 2;
    if (version != 7 || format != kZPixmap || bitsPerPixel != 32 || red != 0xFF0000 || green != 0xFF00 ||
        blue != 0xFF || width == 0 || height == 0 || width > gfx::kMaxImageSide || height > gfx::kMaxImageSide ||
        stride < width * 4 || colours > 65536)
        return false;
    const std::streamoff first = std::streamoff(headerSize) + std::streamoff(colours) * std::streamoff(kColourEntry);
    if (first > size || (size - first) / stride < height) return false;
    // Only the rows asked for are read: a band is read many times a second.
    const uint32_t y0 = uint32_t(std::clamp(top, 0.0f, 1.0f) * float(height));
    const uint32_t y1 = std::max(y0, uint32_t(std::clamp(bottom, 0.0f, 1.0f) * float(height)));
    std::vector<uint8_t> rows(size_t(y1 - y0) * stride);
    in.seekg(first + std::streamoff(y0) * stride);
    if (!in.read(reinterpret_cast<char*>(rows.data()), std::streamsize(rows.size()))) return false;
    out->width = width;
    out->height = height;
    out->pixels.assign(size_t(width) * height, 0xFF000000u);
    // Blue, green, red, unused, or the other way round.
    const int b = lsbFirst ? 0 : 3, g = lsbFirst ? 1 : 2, r = lsbFirst ? 2 : 1;
    uint32_t* to = out->pixels.data() + size_t(y0) * width;
    for (uint32_t y = y0; y < y1; ++y) {
        const uint8_t* p = &rows[size_t(y - y0) * stride];
        for (uint32_t x = 0; x < width; ++x, p += 4) *to++ = 0xFF000000u | uint32_t(p[r]) << 16 | uint32_t(p[g]) << 8 | p[b];
    }
    return true;
}

bool SavePicture(const std::filesystem::path& file, const gfx::Image& image) {
    if (image.width == 0 || image.pixels.size() != size_t(image.width) * image.height) return false;
    const uint32_t w = image.width, h = image.height, stride = (w * 3 + 3) & ~3u;
    std::vector<uint8_t> bytes(54 + size_t(stride) * h, 0);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, uint32_t(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, w, 4);
    put(22, h, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    // Bottom row first, blue, green, red.
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* to = &bytes[54 + size_t(h - 1 - y) * stride];
        const uint32_t* from = &image.pixels[size_t(y) * w];
        for (uint32_t x = 0; x < w; ++x, to += 3) {
            to[0] = uint8_t(from[x]);
            to[1] = uint8_t(from[x] >> 8);
            to[2] = uint8_t(from[x] >> 16);
        }
    }
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

PixelRect RelativeRect(const gfx::Image& image, float x0, float y0, float x1, float y1) {
    const float w = float(image.width), h = float(image.height);
    return {int(x0 * w), int(y0 * h), int(x1 * w), int(y1 * h)};
}

namespace {

PixelRect Clipped(const gfx::Image& image, PixelRect r) {
    r.x0 = std::clamp(r.x0, 0, int(image.width));
    r.x1 = std::clamp(r.x1, r.x0, int(image.width));
    r.y0 = std::clamp(r.y0, 0, int(image.height));
    r.y1 = std::clamp(r.y1, r.y0, int(image.height));
    return r;
}

template <typename F>
void ForEach(const gfx::Image& image, const PixelRect& rect, F f) {
    const PixelRect r = Clipped(image, rect);
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) f(image.pixels[size_t(y) * image.width + size_t(x)]);
}

}  // namespace

int CountPixels(const gfx::Image& image, const PixelRect& rect, const std::function<bool(uint32_t)>& test) {
    int n = 0;
    ForEach(image, rect, [&](uint32_t p) { n += test(p) ? 1 : 0; });
    return n;
}

double MeanLuma(const gfx::Image& image, const PixelRect& rect) {
    double sum = 0;
    int n = 0;
    ForEach(image, rect, [&](uint32_t p) {
        sum += Luma(p);
        ++n;
    });
    return n ? sum / n : 0.0;
}

}  // namespace testsupport
