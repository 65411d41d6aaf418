#include "platform/gfx/d3dx_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/gfx/dds.h"

namespace gfx {

// ---- Math ----

bool MatrixInverse(Matrix* out, float* determinant, const Matrix& m) {
    double det = Mat4Determinant(m);
    if (determinant) *determinant = float(det);
    if (!out) return det != 0.0 && std::isfinite(det);
    return Mat4Inverse(out, m);
}

Quat QuaternionRotationMatrix(const Matrix& m) {
    // With row vectors the rotation by q has m[1][2] - m[2][1] = 4xw, m[2][0] - m[0][2] = 4yw,
    // m[0][1] - m[1][0] = 4zw; the largest of w, x, y, z is found from the diagonal first so the
    // divisor never gets small.
    const float m00 = m.m[0][0], m11 = m.m[1][1], m22 = m.m[2][2];
    const float trace = m00 + m11 + m22;
    Quat q;
    if (trace > 0.0f) {
        float s = std::sqrt(trace + 1.0f) * 2.0f;  // 4w
        q.w = 0.25f * s;
        q.x = (m.m[1][2] - m.m[2][1]) / s;
        q.y = (m.m[2][0] - m.m[0][2]) / s;
        q.z = (m.m[0][1] - m.m[1][0]) / s;
    } else if (m00 >= m11 && m00 >= m22) {
        float s = std::sqrt(1.0f + m00 - m11 - m22) * 2.0f;  // 4x
        q.x = 0.25f * s;
        q.w = (m.m[1][2] - m.m[2][1]) / s;
        q.y = (m.m[0][1] + m.m[1][0]) / s;
        q.z = (m.m[2][0] + m.m[0][2]) / s;
    } else if (m11 >= m22) {
        float s = std::sqrt(1.0f + m11 - m00 - m22) * 2.0f;  // 4y
        q.y = 0.25f * s;
        q.w = (m.m[2][0] - m.m[0][2]) / s;
        q.x = (m.m[0][1] + m.m[1][0]) / s;
        q.z = (m.m[1][2] + m.m[2][1]) / s;
    } else {
        float s = std::sqrt(1.0f + m22 - m00 - m11) * 2.0f;  // 4z
        q.z = 0.25f * s;
        q.w = (m.m[0][1] - m.m[1][0]) / s;
        q.x = (m.m[2][0] + m.m[0][2]) / s;
        q.y = (m.m[1][2] + m.m[2][1]) / s;
    }
    return q;
}

// ---- Pixel conversion ----

namespace {

uint32_t Quant(uint32_t c, uint32_t bits) {
    uint32_t max = (1u << bits) - 1;
    return (c * max + 127) / 255;
}
uint32_t Widen(uint32_t v, uint32_t bits) {
    uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
}
uint32_t Luminance(uint32_t p) {
    uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return (r * 299 + g * 587 + b * 114 + 500) / 1000;
}
bool IsDxtFormat(Format f) { return f == D3DFMT_DXT1 || f == D3DFMT_DXT3 || f == D3DFMT_DXT5; }

void Store16(uint8_t* d, uint32_t v) {
    d[0] = uint8_t(v);
    d[1] = uint8_t(v >> 8);
}
uint32_t Load16(const uint8_t* s) { return uint32_t(s[0]) | (uint32_t(s[1]) << 8); }

void WritePixel(Format f, uint32_t p, uint8_t* d) {
    const uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: {
        uint32_t v = f == D3DFMT_X8R8G8B8 ? (p | 0xFF000000u) : p;
        d[0] = uint8_t(v);
        d[1] = uint8_t(v >> 8);
        d[2] = uint8_t(v >> 16);
        d[3] = uint8_t(v >> 24);
        break;
    }
    case D3DFMT_R8G8B8:
        d[0] = uint8_t(b);
        d[1] = uint8_t(g);
        d[2] = uint8_t(r);
        break;
    case D3DFMT_R5G6B5: Store16(d, (Quant(r, 5) << 11) | (Quant(g, 6) << 5) | Quant(b, 5)); break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
        uint32_t top = f == D3DFMT_X1R5G5B5 || a >= 128 ? 0x8000u : 0u;
        Store16(d, top | (Quant(r, 5) << 10) | (Quant(g, 5) << 5) | Quant(b, 5));
        break;
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: {
        uint32_t a4 = f == D3DFMT_X4R4G4B4 ? 15u : Quant(a, 4);
        Store16(d, (a4 << 12) | (Quant(r, 4) << 8) | (Quant(g, 4) << 4) | Quant(b, 4));
        break;
    }
    case D3DFMT_R3G3B2: d[0] = uint8_t((Quant(r, 3) << 5) | (Quant(g, 3) << 2) | Quant(b, 2)); break;
    case D3DFMT_A8R3G3B2:
        Store16(d, (a << 8) | (Quant(r, 3) << 5) | (Quant(g, 3) << 2) | Quant(b, 2));
        break;
    case D3DFMT_A8: d[0] = uint8_t(a); break;
    case D3DFMT_L8: d[0] = uint8_t(Luminance(p)); break;
    case D3DFMT_A8L8: Store16(d, (a << 8) | Luminance(p)); break;
    case D3DFMT_A4L4: d[0] = uint8_t((Quant(a, 4) << 4) | Quant(Luminance(p), 4)); break;
    case D3DFMT_V8U8:
        // Bump offsets are stored around mid-grey in images: 128 is no offset.
        d[0] = uint8_t(int8_t(int32_t(r) - 128));
        d[1] = uint8_t(int8_t(int32_t(g) - 128));
        break;
    default: break;
    }
}

uint32_t ReadPixel(Format f, const uint8_t* s) {
    switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: {
        uint32_t v = uint32_t(s[0]) | (uint32_t(s[1]) << 8) | (uint32_t(s[2]) << 16) | (uint32_t(s[3]) << 24);
        return f == D3DFMT_X8R8G8B8 ? (v | 0xFF000000u) : v;
    }
    case D3DFMT_R8G8B8: return 0xFF000000u | (uint32_t(s[2]) << 16) | (uint32_t(s[1]) << 8) | s[0];
    case D3DFMT_R5G6B5: {
        uint32_t v = Load16(s);
        return 0xFF000000u | (Widen(v >> 11, 5) << 16) | (Widen((v >> 5) & 63, 6) << 8) | Widen(v & 31, 5);
    }
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
        uint32_t v = Load16(s);
        uint32_t a = f == D3DFMT_X1R5G5B5 || (v & 0x8000) ? 255u : 0u;
        return (a << 24) | (Widen((v >> 10) & 31, 5) << 16) | (Widen((v >> 5) & 31, 5) << 8) | Widen(v & 31, 5);
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: {
        uint32_t v = Load16(s);
        uint32_t a = f == D3DFMT_X4R4G4B4 ? 255u : (v >> 12) * 17;
        return (a << 24) | (((v >> 8) & 15) * 17 << 16) | (((v >> 4) & 15) * 17 << 8) | ((v & 15) * 17);
    }
    case D3DFMT_R3G3B2:
    case D3DFMT_A8R3G3B2: {
        uint32_t v = f == D3DFMT_R3G3B2 ? s[0] : Load16(s);
        uint32_t a = f == D3DFMT_R3G3B2 ? 255u : (v >> 8);
        return (a << 24) | (Widen((v >> 5) & 7, 3) << 16) | (Widen((v >> 2) & 7, 3) << 8) | Widen(v & 3, 2);
    }
    case D3DFMT_A8: return uint32_t(s[0]) << 24;
    case D3DFMT_L8: return 0xFF000000u | (uint32_t(s[0]) * 0x010101u);
    case D3DFMT_A8L8: return (uint32_t(s[1]) << 24) | (uint32_t(s[0]) * 0x010101u);
    case D3DFMT_A4L4: return ((uint32_t(s[0]) >> 4) * 17 << 24) | ((uint32_t(s[0]) & 15) * 17 * 0x010101u);
    case D3DFMT_V8U8:
        return 0xFF000000u | (uint32_t(uint8_t(int8_t(s[0]) + 128)) << 16) |
               (uint32_t(uint8_t(int8_t(s[1]) + 128)) << 8) | 0xFFu;
    default: return 0;
    }
}

}  // namespace

uint32_t FormatUnitBytes(Format f) {
    switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: return 4;
    case D3DFMT_R8G8B8: return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8L8:
    case D3DFMT_V8U8: return 2;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_A4L4: return 1;
    case D3DFMT_DXT1: return 8;
    case D3DFMT_DXT3:
    case D3DFMT_DXT5: return 16;
    default: return 0;
    }
}

bool CanConvertFormat(Format f) { return FormatUnitBytes(f) != 0; }

bool ConvertFromArgb(const uint32_t* argb, uint32_t width, uint32_t height, Format f, uint8_t* dst,
                     int32_t pitch) {
    const uint32_t unit = FormatUnitBytes(f);
    if (!argb || !dst || unit == 0 || width == 0 || height == 0) return false;
    if (IsDxtFormat(f)) {
        const uint32_t rowBytes = ((width + 3) / 4) * unit;
        if (pitch < int32_t(rowBytes)) return false;
        std::vector<uint8_t> blocks(DxtLevelBytes(f, width, height));
        if (!EncodeDxt(f, argb, width, height, blocks.data())) return false;
        for (uint32_t row = 0; row < (height + 3) / 4; ++row)
            std::memcpy(dst + size_t(row) * size_t(pitch), blocks.data() + size_t(row) * rowBytes, rowBytes);
        return true;
    }
    if (pitch < int32_t(width * unit)) return false;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* d = dst + size_t(y) * size_t(pitch);
        const uint32_t* s = argb + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++x) WritePixel(f, s[x], d + size_t(x) * unit);
    }
    return true;
}

bool ConvertToArgb(const uint8_t* src, int32_t pitch, uint32_t width, uint32_t height, Format f,
                   uint32_t* argb) {
    const uint32_t unit = FormatUnitBytes(f);
    if (!argb || !src || unit == 0 || width == 0 || height == 0) return false;
    if (IsDxtFormat(f)) {
        const uint32_t rowBytes = ((width + 3) / 4) * unit;
        if (pitch < int32_t(rowBytes)) return false;
        std::vector<uint8_t> blocks(DxtLevelBytes(f, width, height));
        for (uint32_t row = 0; row < (height + 3) / 4; ++row)
            std::memcpy(blocks.data() + size_t(row) * rowBytes, src + size_t(row) * size_t(pitch), rowBytes);
        return DecodeDxt(f, blocks.data(), blocks.size(), width, height, argb);
    }
    if (pitch < int32_t(width * unit)) return false;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* s = src + size_t(y) * size_t(pitch);
        uint32_t* d = argb + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++x) d[x] = ReadPixel(f, s + size_t(x) * unit);
    }
    return true;
}

// ---- Resampling with the filter choice ----

namespace {

Image Resample(const Image& src, uint32_t width, uint32_t height, uint32_t filter) {
    if (src.width == width && src.height == height) return src;
    uint32_t kind = filter == D3DX_DEFAULT ? D3DX_FILTER_BOX : (filter & 0xFF);
    if (kind != D3DX_FILTER_NONE && kind != D3DX_FILTER_POINT) return ResizeImage(src, width, height);
    Image out;
    out.width = width;
    out.height = height;
    out.hasAlpha = src.hasAlpha;
    out.fileType = src.fileType;
    out.sourceFormat = src.sourceFormat;
    out.pixels.assign(size_t(width) * height, 0u);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t sx = x, sy = y;
            if (kind == D3DX_FILTER_POINT) {
                sx = uint32_t((uint64_t(x) * 2 + 1) * src.width / (uint64_t(width) * 2));
                sy = uint32_t((uint64_t(y) * 2 + 1) * src.height / (uint64_t(height) * 2));
            } else if (sx >= src.width || sy >= src.height) {
                continue;  // no scaling: what lies outside the source stays transparent black
            }
            out.pixels[size_t(y) * width + x] = src.pixels[size_t(sy) * src.width + sx];
        }
    }
    return out;
}

Format FallbackFormat(Format f) {
    switch (f) {
    case D3DFMT_DXT1:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R8G8B8:
    case D3DFMT_R3G3B2:
    case D3DFMT_L8: return D3DFMT_X8R8G8B8;
    case D3DFMT_DXT3:
    case D3DFMT_DXT5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_A8L8:
    case D3DFMT_A4L4: return D3DFMT_A8R8G8B8;
    default: return f;
    }
}

// Writes one texture level from 32-bit pixels of exactly the level's size.
Result WriteLevel(Texture* texture, uint32_t level, const Image& img, Format format) {
    LockedRect locked{};
    Result r = texture->LockRect(level, &locked, nullptr, 0);
    if (Failed(r)) return r;
    bool ok = ConvertFromArgb(img.pixels.data(), img.width, img.height, format,
                              static_cast<uint8_t*>(locked.pBits), locked.Pitch);
    texture->UnlockRect(level);
    return ok ? D3D_OK : D3DERR_INVALIDCALL;
}

bool ValidRect(const Rect& r, uint32_t w, uint32_t h) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && uint32_t(r.right) <= w &&
           uint32_t(r.bottom) <= h;
}

}  // namespace

// ---- Textures ----

Result CreateTexture(Device* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                     Format format, Pool pool, Texture** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device) return D3DERR_INVALIDCALL;
    uint32_t w = (width == 0 || width == D3DX_DEFAULT) ? 256 : width;
    uint32_t h = (height == 0 || height == D3DX_DEFAULT) ? 256 : height;
    Caps caps{};
    if (Succeeded(device->GetDeviceCaps(&caps))) {
        if (caps.MaxTextureWidth && w > caps.MaxTextureWidth) w = caps.MaxTextureWidth;
        if (caps.MaxTextureHeight && h > caps.MaxTextureHeight) h = caps.MaxTextureHeight;
    }
    uint32_t full = FullMipLevelCount(w, h);
    uint32_t l = (levels == 0 || levels == D3DX_DEFAULT) ? full : std::min(levels, full);
    Result r = device->CreateTexture(w, h, l, usage, format, pool, texture);
    Format fallback = FallbackFormat(format);
    if (Failed(r) && fallback != format) r = device->CreateTexture(w, h, l, usage, fallback, pool, texture);
    if (Failed(r)) *texture = nullptr;
    return r;
}

Result FillTextureFromImage(Texture* texture, const Image& image, uint32_t filter, uint32_t mipFilter) {
    if (!texture || image.width == 0 || image.height == 0 ||
        image.pixels.size() != size_t(image.width) * image.height)
        return D3DERR_INVALIDCALL;
    const uint32_t levels = texture->GetLevelCount();
    Image current;
    const Image* above = &image;   // what the next level is made from
    for (uint32_t l = 0; l < levels; ++l) {
        SurfaceDesc desc{};
        Result r = texture->GetLevelDesc(l, &desc);
        if (Failed(r)) return r;
        // A level of the size of the one it is made from is written from that one, not a copy.
        if (desc.Width != above->width || desc.Height != above->height) {
            current = Resample(*above, desc.Width, desc.Height, l == 0 ? filter : mipFilter);
            above = &current;
        }
        if (above->pixels.empty()) return D3DERR_INVALIDCALL;
        r = WriteLevel(texture, l, *above, desc.Format);
        if (Failed(r)) return r;
    }
    return D3D_OK;
}

Result CreateTextureFromFileInMemoryEx(Device* device, const void* data, size_t size, uint32_t width,
                                       uint32_t height, uint32_t levels, uint32_t usage, Format format,
                                       Pool pool, uint32_t filter, uint32_t mipFilter, Color colorKey,
                                       ImageInfo* srcInfo, Texture** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (!device || !data || size == 0) return D3DERR_INVALIDCALL;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);

    DdsImage dds;
    Image image;
    const bool isDds = DetectImageFileType(bytes, size) == ImageFileType::Dds;
    if (isDds) {
        if (!ParseDds(bytes, size, &dds) || !DdsLevelToImage(dds, 0, &image)) return D3DXERR_INVALIDDATA;
    } else if (!DecodeImage(bytes, size, &image)) {
        return D3DXERR_INVALIDDATA;
    }
    if (srcInfo) {
        srcInfo->Width = image.width;
        srcInfo->Height = image.height;
        srcInfo->Depth = 1;
        srcInfo->MipLevels = isDds ? uint32_t(dds.levels.size()) : 1;
        srcInfo->Format = isDds ? dds.format : image.sourceFormat;
        srcInfo->ResourceType = D3DRTYPE_TEXTURE;
        srcInfo->ImageFileFormat = image.fileType;
    }

    uint32_t w = (width == 0 || width == D3DX_DEFAULT) ? image.width : width;
    uint32_t h = (height == 0 || height == D3DX_DEFAULT) ? image.height : height;
    Format fmt = format;
    if (format == D3DFMT_UNKNOWN || uint32_t(format) == D3DX_DEFAULT)
        fmt = isDds && dds.compressed ? dds.format : (image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);

    Texture* tex = nullptr;
    Result r = CreateTexture(device, w, h, levels, usage, fmt, pool, &tex);
    if (Failed(r)) return r;
    SurfaceDesc desc{};
    r = tex->GetLevelDesc(0, &desc);
    if (Failed(r)) {
        tex->Release();
        return r;
    }
    const uint32_t texLevels = tex->GetLevelCount();

    // Blocks already in the wanted layout go in as they are.
    if (isDds && dds.compressed && desc.Format == dds.format && colorKey == 0 && desc.Width == dds.width &&
        desc.Height == dds.height && dds.levels.size() >= texLevels) {
        const uint32_t unit = DxtBlockBytes(dds.format);
        for (uint32_t l = 0; l < texLevels && Succeeded(r); ++l) {
            const DdsLevel& lv = dds.levels[l];
            LockedRect locked{};
            r = tex->LockRect(l, &locked, nullptr, 0);
            if (Failed(r)) break;
            const uint32_t rowBytes = ((lv.width + 3) / 4) * unit;
            if (locked.Pitch < int32_t(rowBytes)) {
                r = D3DERR_INVALIDCALL;
            } else {
                for (uint32_t row = 0; row < (lv.height + 3) / 4; ++row)
                    std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(row) * size_t(locked.Pitch),
                                dds.data.data() + lv.offset + size_t(row) * rowBytes, rowBytes);
            }
            tex->UnlockRect(l);
        }
    } else {
        ApplyColorKey(&image, colorKey);
        r = FillTextureFromImage(tex, image, filter, mipFilter);
    }
    if (Failed(r)) {
        tex->Release();
        return r;
    }
    *texture = tex;
    return D3D_OK;
}

const char* DescribeTextureResult(Result r) {
    if (r != D3DXERR_INVALIDDATA) return DescribeResult(r);
    thread_local std::string text;
    text = std::string("D3DXERR_INVALIDDATA: ") + LastImageError();
    return text.c_str();
}

Result LoadSurfaceFromSurface(Surface* dest, const Rect* destRect, Surface* src, const Rect* srcRect,
                              uint32_t filter, Color colorKey) {
    if (!dest || !src) return D3DERR_INVALIDCALL;
    SurfaceDesc sd{}, dd{};
    if (Failed(src->GetDesc(&sd)) || Failed(dest->GetDesc(&dd))) return D3DERR_INVALIDCALL;
    if (!CanConvertFormat(sd.Format) || !CanConvertFormat(dd.Format)) return D3DERR_INVALIDCALL;
    const Rect sr = srcRect ? *srcRect : Rect{0, 0, int32_t(sd.Width), int32_t(sd.Height)};
    const Rect dr = destRect ? *destRect : Rect{0, 0, int32_t(dd.Width), int32_t(dd.Height)};
    if (!ValidRect(sr, sd.Width, sd.Height) || !ValidRect(dr, dd.Width, dd.Height)) return D3DERR_INVALIDCALL;
    const bool destBlocks = IsDxtFormat(dd.Format);
    if (destBlocks && (dr.left != 0 || dr.top != 0 || uint32_t(dr.right) != dd.Width ||
                       uint32_t(dr.bottom) != dd.Height))
        return D3DERR_INVALIDCALL;

    // The whole source as 32-bit pixels, then the wanted rectangle of it.
    std::vector<uint32_t> whole(size_t(sd.Width) * sd.Height);
    LockedRect locked{};
    Result r = src->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (Failed(r)) return r;
    bool ok = ConvertToArgb(static_cast<const uint8_t*>(locked.pBits), locked.Pitch, sd.Width, sd.Height,
                            sd.Format, whole.data());
    src->UnlockRect();
    if (!ok) return D3DERR_INVALIDCALL;
    Image image;
    image.width = uint32_t(sr.right - sr.left);
    image.height = uint32_t(sr.bottom - sr.top);
    image.pixels.resize(size_t(image.width) * image.height);
    for (uint32_t y = 0; y < image.height; ++y)
        std::memcpy(&image.pixels[size_t(y) * image.width], &whole[size_t(sr.top + int32_t(y)) * sd.Width + sr.left],
                    image.width * sizeof(uint32_t));
    ApplyColorKey(&image, colorKey);
    Image placed = Resample(image, uint32_t(dr.right - dr.left), uint32_t(dr.bottom - dr.top), filter);

    r = dest->LockRect(&locked, nullptr, 0);
    if (Failed(r)) return r;
    uint8_t* base = static_cast<uint8_t*>(locked.pBits);
    if (!destBlocks)
        base += size_t(dr.top) * size_t(locked.Pitch) + size_t(dr.left) * FormatUnitBytes(dd.Format);
    ok = ConvertFromArgb(placed.pixels.data(), placed.width, placed.height, dd.Format, base, locked.Pitch);
    dest->UnlockRect();
    return ok ? D3D_OK : D3DERR_INVALIDCALL;
}

}  // namespace gfx
