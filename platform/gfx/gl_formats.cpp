// Formats, pixel conversion, vertex layouts and matrix helpers of the OpenGL device.
#include <cmath>
#include <cstring>

#include "platform/gfx/gl_internal.h"

namespace gfx::gl {

FormatInfo GetFormatInfo(Format f) {
    FormatInfo i;
    i.known = true;
    switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_G16R16:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
    case D3DFMT_V16U16:
    case D3DFMT_W11V11U10:
    case D3DFMT_A2W10V10U10:
        i.bytesPerPixel = 4;
        break;
    case D3DFMT_R8G8B8: i.bytesPerPixel = 3; break;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8P8:
    case D3DFMT_A8L8:
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
        i.bytesPerPixel = 2;
        break;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_P8:
    case D3DFMT_L8:
    case D3DFMT_A4L4:
        i.bytesPerPixel = 1;
        break;
    case D3DFMT_DXT1:
        i.compressed = true;
        i.bytesPerPixel = 8;
        break;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        i.compressed = true;
        i.bytesPerPixel = 16;
        break;
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
        i.bytesPerPixel = 2;
        i.depth = true;
        break;
    case D3DFMT_D15S1:
        i.bytesPerPixel = 2;
        i.depth = i.stencil = true;
        break;
    case D3DFMT_D24S8:
    case D3DFMT_D24X4S4:
        i.bytesPerPixel = 4;
        i.depth = i.stencil = true;
        break;
    case D3DFMT_D24X8:
    case D3DFMT_D32:
        i.bytesPerPixel = 4;
        i.depth = true;
        break;
    default: i.known = false; break;
    }
    return i;
}

uint32_t RowBytes(Format f, uint32_t width) {
    FormatInfo i = GetFormatInfo(f);
    if (i.compressed) return ((width + 3) / 4) * i.bytesPerPixel;
    return width * i.bytesPerPixel;
}

uint32_t RowCount(Format f, uint32_t height) {
    return GetFormatInfo(f).compressed ? (height + 3) / 4 : height;
}

UploadInfo GetUploadInfo(Format f) {
    UploadInfo u;
    u.supported = true;
    switch (f) {
    case D3DFMT_A8R8G8B8: u = {true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, false}; break;
    case D3DFMT_X8R8G8B8: u = {true, false, GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE, false}; break;
    case D3DFMT_R8G8B8: u = {true, false, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, false}; break;
    case D3DFMT_R5G6B5: u = {true, false, GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, false}; break;
    case D3DFMT_X1R5G5B5: u = {true, false, GL_RGB8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false}; break;
    case D3DFMT_A1R5G5B5: u = {true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false}; break;
    case D3DFMT_A4R4G4B4: u = {true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false}; break;
    case D3DFMT_X4R4G4B4: u = {true, false, GL_RGB8, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false}; break;
    case D3DFMT_R3G3B2: u = {true, false, GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE_3_3_2, false}; break;
    case D3DFMT_A8: u = {true, false, GL_ALPHA8, GL_ALPHA, GL_UNSIGNED_BYTE, false}; break;
    case D3DFMT_L8: u = {true, false, GL_LUMINANCE8, GL_LUMINANCE, GL_UNSIGNED_BYTE, false}; break;
    case D3DFMT_A8L8: u = {true, false, GL_LUMINANCE8_ALPHA8, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, false}; break;
    case D3DFMT_A4L4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_V8U8: u = {true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, true}; break;
    case D3DFMT_DXT1: u = {true, true, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, false}; break;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3: u = {true, true, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, false}; break;
    case D3DFMT_DXT4:
    case D3DFMT_DXT5: u = {true, true, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, false}; break;
    default: u = UploadInfo{}; break;
    }
    return u;
}

bool IsRenderableColorFormat(Format f) {
    switch (f) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4: return true;
    default: return false;
    }
}

bool IsDepthFormat(Format f) { return GetFormatInfo(f).depth; }

namespace {

inline uint8_t Expand(uint32_t v, uint32_t bits) {
    uint32_t max = (1u << bits) - 1;
    return uint8_t((v * 255 + max / 2) / max);
}
inline uint32_t Shrink(uint8_t v, uint32_t bits) {
    uint32_t max = (1u << bits) - 1;
    return (uint32_t(v) * max + 127) / 255;
}
inline uint16_t Load16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void Store16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

}  // namespace

void RowToBGRA8(Format f, const uint8_t* s, uint8_t* d, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, d += 4) {
        uint8_t b = 0, g = 0, r = 0, a = 255;
        switch (f) {
        case D3DFMT_A8R8G8B8:
            b = s[0], g = s[1], r = s[2], a = s[3];
            s += 4;
            break;
        case D3DFMT_X8R8G8B8:
            b = s[0], g = s[1], r = s[2];
            s += 4;
            break;
        case D3DFMT_R8G8B8:
            b = s[0], g = s[1], r = s[2];
            s += 3;
            break;
        case D3DFMT_R5G6B5: {
            uint16_t v = Load16(s);
            s += 2;
            r = Expand(v >> 11, 5), g = Expand((v >> 5) & 63, 6), b = Expand(v & 31, 5);
            break;
        }
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            uint16_t v = Load16(s);
            s += 2;
            r = Expand((v >> 10) & 31, 5), g = Expand((v >> 5) & 31, 5), b = Expand(v & 31, 5);
            if (f == D3DFMT_A1R5G5B5) a = (v & 0x8000) ? 255 : 0;
            break;
        }
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
            uint16_t v = Load16(s);
            s += 2;
            r = Expand((v >> 8) & 15, 4), g = Expand((v >> 4) & 15, 4), b = Expand(v & 15, 4);
            if (f == D3DFMT_A4R4G4B4) a = Expand(v >> 12, 4);
            break;
        }
        case D3DFMT_A8R3G3B2: {
            uint16_t v = Load16(s);
            s += 2;
            r = Expand((v >> 5) & 7, 3), g = Expand((v >> 2) & 7, 3), b = Expand(v & 3, 2), a = uint8_t(v >> 8);
            break;
        }
        case D3DFMT_R3G3B2:
            r = Expand((s[0] >> 5) & 7, 3), g = Expand((s[0] >> 2) & 7, 3), b = Expand(s[0] & 3, 2);
            s += 1;
            break;
        case D3DFMT_A8:
            r = g = b = 0, a = s[0];
            s += 1;
            break;
        case D3DFMT_L8:
            r = g = b = s[0];
            s += 1;
            break;
        case D3DFMT_A8L8:
            r = g = b = s[0], a = s[1];
            s += 2;
            break;
        case D3DFMT_A4L4:
            r = g = b = Expand(s[0] & 15, 4), a = Expand(s[0] >> 4, 4);
            s += 1;
            break;
        case D3DFMT_V8U8:
            // Signed u and v stored biased so that 0 reads as mid-grey.
            r = uint8_t(s[0] ^ 0x80), g = uint8_t(s[1] ^ 0x80), b = 128;
            s += 2;
            break;
        default: s += GetFormatInfo(f).bytesPerPixel; break;
        }
        d[0] = b, d[1] = g, d[2] = r, d[3] = a;
    }
}

void RowFromBGRA8(Format f, const uint8_t* s, uint8_t* d, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, s += 4) {
        uint8_t b = s[0], g = s[1], r = s[2], a = s[3];
        switch (f) {
        case D3DFMT_A8R8G8B8:
            d[0] = b, d[1] = g, d[2] = r, d[3] = a;
            d += 4;
            break;
        case D3DFMT_X8R8G8B8:
            d[0] = b, d[1] = g, d[2] = r, d[3] = 255;
            d += 4;
            break;
        case D3DFMT_R8G8B8:
            d[0] = b, d[1] = g, d[2] = r;
            d += 3;
            break;
        case D3DFMT_R5G6B5:
            Store16(d, (Shrink(r, 5) << 11) | (Shrink(g, 6) << 5) | Shrink(b, 5));
            d += 2;
            break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            uint32_t av = f == D3DFMT_X1R5G5B5 ? 1 : (a >= 128 ? 1 : 0);
            Store16(d, (av << 15) | (Shrink(r, 5) << 10) | (Shrink(g, 5) << 5) | Shrink(b, 5));
            d += 2;
            break;
        }
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
            uint32_t av = f == D3DFMT_X4R4G4B4 ? 15 : Shrink(a, 4);
            Store16(d, (av << 12) | (Shrink(r, 4) << 8) | (Shrink(g, 4) << 4) | Shrink(b, 4));
            d += 2;
            break;
        }
        default: {
            uint32_t n = GetFormatInfo(f).bytesPerPixel;
            std::memset(d, 0, n);
            d += n;
            break;
        }
        }
    }
}

VertexLayout LayoutFromFvf(uint32_t fvf) {
    VertexLayout l;
    uint32_t off = 0;
    uint32_t pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == D3DFVF_XYZRHW) {
        l.rhw = true;
        l.position = 0;
        off = 16;
    } else if (pos != 0) {
        l.position = 0;
        off = 12;
        l.weights = FvfBlendWeights(fvf);
        if (l.weights) {
            l.weightOffset = int32_t(off);
            off += 4 * l.weights;
        }
        // With LASTBETA_UBYTE4 the last "weight" holds indices; indexed blending is not offered.
        if ((fvf & D3DFVF_LASTBETA_UBYTE4) && l.weights) --l.weights;
    }
    if (fvf & D3DFVF_NORMAL) {
        l.normal = int32_t(off);
        off += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.psize = int32_t(off);
        off += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = int32_t(off);
        off += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = int32_t(off);
        off += 4;
    }
    uint32_t sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > 8) return l;  // not a valid code
    static const uint32_t kFloats[4] = {2, 3, 4, 1};
    l.texCount = sets;
    for (uint32_t i = 0; i < sets; ++i) {
        l.tex[i] = int32_t(off);
        l.texSize[i] = kFloats[(fvf >> (16 + 2 * i)) & 3];
        off += 4 * l.texSize[i];
    }
    l.stride = off;
    l.valid = true;
    return l;
}

VertexLayout LayoutFromDeclaration(const uint32_t* tokens, size_t maxTokens) {
    VertexLayout l;
    if (!tokens) return l;
    uint32_t off = 0;
    bool inStream0 = false;
    for (size_t i = 0; i < maxTokens; ++i) {
        uint32_t t = tokens[i];
        if (t == 0xFFFFFFFFu) {
            if (l.position < 0 || !inStream0) return VertexLayout{};
            l.stride = off;
            l.valid = true;
            return l;
        }
        uint32_t type = t >> D3DVSD_TOKENTYPESHIFT;
        if (type == D3DVSD_TOKEN_NOP) continue;
        if (type == D3DVSD_TOKEN_STREAM) {
            if ((t & 0xF) != 0 || inStream0) return VertexLayout{};  // only stream 0 is drawn
            inStream0 = true;
            continue;
        }
        if (type != D3DVSD_TOKEN_STREAMDATA || !inStream0) return VertexLayout{};
        if (t & 0x10000000u) {  // skip dwords
            off += 4 * ((t >> 16) & 0xF);
            continue;
        }
        uint32_t dataType = (t >> 16) & 0xF;
        uint32_t reg = t & 0x1F;
        uint32_t bytes;
        switch (dataType) {
        case D3DVSDT_FLOAT1: bytes = 4; break;
        case D3DVSDT_FLOAT2: bytes = 8; break;
        case D3DVSDT_FLOAT3: bytes = 12; break;
        case D3DVSDT_FLOAT4: bytes = 16; break;
        case D3DVSDT_D3DCOLOR:
        case D3DVSDT_UBYTE4:
        case D3DVSDT_SHORT2: bytes = 4; break;
        case D3DVSDT_SHORT4: bytes = 8; break;
        default: return VertexLayout{};
        }
        bool isFloat = dataType <= D3DVSDT_FLOAT4;
        if (reg == D3DVSDE_POSITION) {
            if (dataType != D3DVSDT_FLOAT3) return VertexLayout{};
            l.position = int32_t(off);
        } else if (reg == D3DVSDE_BLENDWEIGHT) {
            if (!isFloat) return VertexLayout{};
            l.weightOffset = int32_t(off);
            l.weights = bytes / 4;
        } else if (reg == D3DVSDE_NORMAL) {
            if (dataType != D3DVSDT_FLOAT3) return VertexLayout{};
            l.normal = int32_t(off);
        } else if (reg == D3DVSDE_PSIZE) {
            l.psize = int32_t(off);
        } else if (reg == D3DVSDE_DIFFUSE) {
            if (dataType != D3DVSDT_D3DCOLOR) return VertexLayout{};
            l.diffuse = int32_t(off);
        } else if (reg == D3DVSDE_SPECULAR) {
            if (dataType != D3DVSDT_D3DCOLOR) return VertexLayout{};
            l.specular = int32_t(off);
        } else if (reg >= D3DVSDE_TEXCOORD0 && reg <= D3DVSDE_TEXCOORD7) {
            if (!isFloat) return VertexLayout{};
            uint32_t set = reg - D3DVSDE_TEXCOORD0;
            l.tex[set] = int32_t(off);
            l.texSize[set] = bytes / 4;
            if (set + 1 > l.texCount) l.texCount = set + 1;
        } else if (reg != D3DVSDE_BLENDINDICES) {
            return VertexLayout{};
        }
        off += bytes;
    }
    return VertexLayout{};  // no end token within the limit
}

Matrix Mul(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

Matrix Identity() {
    Matrix r{};
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
    return r;
}

bool NormalMatrix(const Matrix& m, float out[3][3]) {
    // Row vectors: n' = n x (M3^-1)^T.
    float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    float g = m.m[2][0], h = m.m[2][1], k = m.m[2][2];
    float A = e * k - f * h, B = -(d * k - f * g), C = d * h - e * g;
    float det = a * A + b * B + c * C;
    if (std::fabs(det) < 1e-20f) return false;
    float inv = 1.0f / det;
    // Inverse transposed is the cofactor matrix divided by the determinant.
    out[0][0] = A * inv, out[0][1] = B * inv, out[0][2] = C * inv;
    out[1][0] = -(b * k - c * h) * inv, out[1][1] = (a * k - c * g) * inv, out[1][2] = -(a * h - b * g) * inv;
    out[2][0] = (b * f - c * e) * inv, out[2][1] = -(a * f - c * d) * inv, out[2][2] = (a * e - b * d) * inv;
    return true;
}

}  // namespace gfx::gl
