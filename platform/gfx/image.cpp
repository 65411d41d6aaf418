#include "platform/gfx/image.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include <stb_image.h>

#include "platform/gfx/dds.h"
#include "platform/gfx/image_internal.h"

namespace gfx {

namespace {
thread_local const char* t_lastError = "no error";
}

const char* LastImageError() { return t_lastError; }

namespace detail {

bool Fail(const char* why) {
    t_lastError = why;
    return false;
}

bool MakeMaskChannel(uint32_t mask, MaskChannel* out) {
    *out = MaskChannel{};
    if (mask == 0) return true;
    uint32_t shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    uint32_t run = mask >> shift;
    uint32_t bits = 0;
    while (bits < 32 && ((run >> bits) & 1u) != 0) ++bits;
    if (bits < 32 && (run >> bits) != 0) return false;  // holes in the mask
    out->mask = mask;
    out->shift = shift;
    out->bits = bits;
    return true;
}

bool CheckSize(uint32_t width, uint32_t height) {
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide;
}

bool StartImage(Image* out, uint32_t width, uint32_t height, ImageFileType type,
                Format format) {
    if (!CheckSize(width, height)) return Fail("image size out of range");
    out->width = width;
    out->height = height;
    out->pixels.assign(static_cast<size_t>(width) * height, 0u);
    out->hasAlpha = false;
    out->fileType = type;
    out->sourceFormat = format;
    return true;
}

}  // namespace detail

using detail::Fail;

ImageFileType DetectImageFileType(const uint8_t* data, size_t size) {
    if (!data) return ImageFileType::Unknown;
    if (IsDdsFile(data, size)) return ImageFileType::Dds;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return ImageFileType::Gif;
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return ImageFileType::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return ImageFileType::Jpeg;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return ImageFileType::Bmp;
    // TGA has no signature: judge the header's colour-map and image-type fields.
    if (size >= 18) {
        uint8_t mapType = data[1], type = data[2], depth = data[16];
        bool typeOk = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
        bool depthOk = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
        if (mapType <= 1 && typeOk && depthOk) return ImageFileType::Tga;
    }
    return size > 0 ? ImageFileType::Other : ImageFileType::Unknown;
}

bool DecodeImage(const uint8_t* data, size_t size, Image* out) {
    *out = Image{};
    if (!data || size == 0) return Fail("no data");
    bool ok = false;
    switch (DetectImageFileType(data, size)) {
    case ImageFileType::Dds: ok = DecodeDds(data, size, out); break;
    case ImageFileType::Gif: ok = DecodeGif(data, size, out); break;
    case ImageFileType::Bmp: ok = DecodeBmp(data, size, out); break;
    case ImageFileType::Tga: ok = DecodeTga(data, size, out); break;
    case ImageFileType::Png:
    case ImageFileType::Jpeg: ok = DecodeWithStb(data, size, out); break;
    // stb_image would take much else (a short TGA among it) for a picture of made-up size.
    case ImageFileType::Other:
    case ImageFileType::Unknown: ok = Fail("unknown image format"); break;
    }
    if (!ok) *out = Image{};
    return ok;
}

bool DecodeWithStb(const uint8_t* data, size_t size, Image* out) {
    *out = Image{};
    if (!data || size == 0) return Fail("no data");
    if (size > static_cast<size_t>(INT_MAX)) return Fail("file too large");
    int len = static_cast<int>(size);
    int w = 0, h = 0, comp = 0;
    // Ask for the size first so a hostile header cannot make stb allocate a huge picture.
    if (!stbi_info_from_memory(data, len, &w, &h, &comp)) return Fail("unrecognised image data");
    if (w <= 0 || h <= 0 || !detail::CheckSize(uint32_t(w), uint32_t(h)))
        return Fail("image size out of range");
    unsigned char* rgba = stbi_load_from_memory(data, len, &w, &h, &comp, 4);
    if (!rgba) return Fail("image data could not be decoded");
    if (w <= 0 || h <= 0 || !detail::CheckSize(uint32_t(w), uint32_t(h))) {
        stbi_image_free(rgba);
        return Fail("image size out of range");
    }
    ImageFileType type = DetectImageFileType(data, size);
    bool alpha = comp == 2 || comp == 4;
    Format format = comp <= 2 ? (alpha ? D3DFMT_A8L8 : D3DFMT_L8)
                                    : (alpha ? D3DFMT_A8R8G8B8 : D3DFMT_R8G8B8);
    detail::StartImage(out, uint32_t(w), uint32_t(h), type, format);
    out->hasAlpha = alpha;
    const unsigned char* p = rgba;
    for (uint32_t& px : out->pixels) {
        px = detail::Argb(p[3], p[0], p[1], p[2]);
        p += 4;
    }
    stbi_image_free(rgba);
    return true;
}

uint32_t FullMipLevelCount(uint32_t width, uint32_t height) {
    uint32_t side = std::max(width, height);
    uint32_t levels = 1;
    while (side > 1) {
        side >>= 1;
        ++levels;
    }
    return levels;
}

namespace {

// Weights of the source texels that one destination texel covers along one axis.
struct Tap {
    uint32_t first = 0;
    std::vector<float> weights;  // sum to 1
};

std::vector<Tap> BuildTaps(uint32_t srcSize, uint32_t dstSize) {
    std::vector<Tap> taps(dstSize);
    double scale = double(srcSize) / double(dstSize);
    for (uint32_t d = 0; d < dstSize; ++d) {
        double a = d * scale, b = (d + 1) * scale;
        uint32_t first = uint32_t(std::floor(a));
        uint32_t last = std::min(srcSize - 1, uint32_t(std::ceil(b)) - 1);
        if (last < first) last = first;
        Tap& t = taps[d];
        t.first = first;
        double total = 0.0;
        for (uint32_t s = first; s <= last; ++s) {
            double lo = std::max(a, double(s)), hi = std::min(b, double(s + 1));
            double w = std::max(0.0, hi - lo);
            t.weights.push_back(float(w));
            total += w;
        }
        for (float& w : t.weights) w = float(w / total);
    }
    return taps;
}

// Halving along one or both sides (each side halved exactly or kept): every weight is a half,
// so the float passes come to the sum of the 2 or 4 texels rounded half up, which integers give
// at a fraction of the cost. Mip chains are made of nothing else.
bool HalveExactly(const Image& src, Image* out) {
    const uint32_t w = out->width, h = out->height;
    const uint32_t sx = src.width == w ? 1 : 2, sy = src.height == h ? 1 : 2;
    if (src.width != w * sx || src.height != h * sy) return false;
    const uint32_t shift = (sx - 1) + (sy - 1), half = (1u << shift) >> 1;
    out->pixels.resize(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* top = &src.pixels[size_t(y) * sy * src.width];
        const uint32_t* bottom = top + size_t(sy - 1) * src.width;
        uint32_t* dst = &out->pixels[size_t(y) * w];
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t* a = top + size_t(x) * sx;
            const uint32_t* b = bottom + size_t(x) * sx;
            uint32_t p = 0;
            for (uint32_t c = 0; c < 32; c += 8) {
                const uint32_t sum = ((a[0] >> c) & 0xFF) + ((a[sx - 1] >> c) & 0xFF) + ((b[0] >> c) & 0xFF) +
                                     ((b[sx - 1] >> c) & 0xFF);
                // A side kept whole counted its texel twice above.
                p |= (((sum >> (2 - shift)) + half) >> shift) << c;
            }
            dst[x] = p;
        }
    }
    return true;
}

}  // namespace

Image ResizeImage(const Image& src, uint32_t width, uint32_t height) {
    Image out;
    out.hasAlpha = src.hasAlpha;
    out.fileType = src.fileType;
    out.sourceFormat = src.sourceFormat;
    if (src.width == 0 || src.height == 0 || width == 0 || height == 0 ||
        src.pixels.size() != size_t(src.width) * src.height)
        return out;
    out.width = width;
    out.height = height;
    if (width == src.width && height == src.height) {
        out.pixels = src.pixels;
        return out;
    }
    if (HalveExactly(src, &out)) return out;
    std::vector<Tap> tx = BuildTaps(src.width, width), ty = BuildTaps(src.height, height);
    // Horizontal pass into floats, then vertical, so rounding happens once. A row's horizontal
    // sums are made when the first output row needs them and kept only while later ones can:
    // windows only move down, so a ring as tall as the widest window holds every row in use.
    size_t ring = 1;
    for (const Tap& t : ty) ring = std::max(ring, t.weights.size());
    std::vector<float> rows(size_t(width) * ring * 4);
    auto rowSums = [&](uint32_t y) { return &rows[size_t(y % ring) * width * 4]; };
    uint32_t made = 0;  // source rows summed so far
    out.pixels.resize(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        const Tap& t = ty[y];
        for (made = std::max(made, t.first); made < t.first + t.weights.size(); ++made) {
            const uint32_t* line = &src.pixels[size_t(made) * src.width];
            float* sums = rowSums(made);
            for (uint32_t x = 0; x < width; ++x) {
                // Four named sums rather than an array: kept in registers, not stored and read back.
                float a = 0, r = 0, g = 0, b = 0;
                const Tap& h = tx[x];
                for (size_t k = 0; k < h.weights.size(); ++k) {
                    uint32_t p = line[h.first + k];
                    float w = h.weights[k];
                    a += w * float((p >> 24) & 0xFF);
                    r += w * float((p >> 16) & 0xFF);
                    g += w * float((p >> 8) & 0xFF);
                    b += w * float(p & 0xFF);
                }
                float* dst = sums + size_t(x) * 4;
                dst[0] = a;
                dst[1] = r;
                dst[2] = g;
                dst[3] = b;
            }
        }
        for (uint32_t x = 0; x < width; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float* s = rowSums(t.first + uint32_t(k)) + size_t(x) * 4;
                for (int c = 0; c < 4; ++c) acc[c] += t.weights[k] * s[c];
            }
            uint32_t p = 0;
            for (int c = 0; c < 4; ++c) {
                long v = std::lround(std::floor(acc[c] + 0.5f));
                v = std::clamp(v, 0L, 255L);
                p |= uint32_t(v) << (24 - 8 * c);
            }
            out.pixels[size_t(y) * width + x] = p;
        }
    }
    return out;
}

Image HalveImage(const Image& src) {
    return ResizeImage(src, std::max(1u, src.width / 2), std::max(1u, src.height / 2));
}

std::vector<Image> BuildMipChain(const Image& base, uint32_t levels) {
    std::vector<Image> chain;
    if (base.width == 0 || base.height == 0) return chain;
    uint32_t full = FullMipLevelCount(base.width, base.height);
    if (levels == 0 || levels > full) levels = full;
    chain.reserve(levels);
    chain.push_back(base);
    while (chain.size() < levels) chain.push_back(HalveImage(chain.back()));
    return chain;
}

size_t ApplyColorKey(Image* image, uint32_t key) {
    if (!image || key == 0) return 0;
    size_t replaced = 0;
    for (uint32_t& p : image->pixels) {
        if (p == key) {
            p = 0;
            ++replaced;
        }
    }
    if (replaced) image->hasAlpha = true;
    return replaced;
}

}  // namespace gfx
