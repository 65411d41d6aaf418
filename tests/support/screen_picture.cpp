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
