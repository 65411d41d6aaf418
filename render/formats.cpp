#include "render/formats.h"

#include <cstring>
#include <initializer_list>

namespace {

struct NamedFormat {
    uint32_t format;
    const char* name;
};

const NamedFormat kNames[] = {
    {20, "D3DFMT_R8G8B8"},   {21, "D3DFMT_A8R8G8B8"}, {22, "D3DFMT_X8R8G8B8"}, {23, "D3DFMT_R5G6B5"},
    {24, "D3DFMT_X1R5G5B5"}, {25, "D3DFMT_A1R5G5B5"}, {26, "D3DFMT_A4R4G4B4"}, {27, "D3DFMT_R3G3B2"},
    {28, "D3DFMT_A8"},       {29, "D3DFMT_A8R3G3B2"}, {30, "D3DFMT_X4R4G4B4"}, {40, "D3DFMT_A8P8"},
    {41, "D3DFMT_P8"},       {50, "D3DFMT_L8"},       {51, "D3DFMT_A8L8"},     {52, "D3DFMT_A4L4"},
};

const char* NameOf(uint32_t format) {
    for (const NamedFormat& n : kNames)
        if (n.format == format) return n.name;
    return "D3DFMT_UNKNOWN";
}

}  // namespace

void FormatName(uint32_t format, char* buffer) {
    if (buffer) std::strcpy(buffer, NameOf(format));
}

int FormatBits(uint32_t format) {
    const char* name = NameOf(format);
    if (std::strcmp(name, "D3DFMT_UNKNOWN") == 0) return -1;
    int bits = 0;
    for (char letter : {'X', 'A', 'P', 'R', 'G', 'B'}) {
        const char* at = std::strchr(name, letter);
        if (at && at[1] >= '0' && at[1] <= '9') bits += at[1] - '0';
    }
    return bits;
}

uint32_t FvfBlendWeightCount(uint32_t fvf) {
    uint32_t v = (fvf >> 1) & 7;
    return v > 2 ? v - 2 : 0;
}

uint32_t FvfTexCoordCount(uint32_t fvf) { return (fvf >> 8) & 0xF; }

uint32_t FvfVertexSize(uint32_t fvf) {
    uint32_t size = 0;
    if (fvf & 0xE) size += 12;
    size += 4 * FvfBlendWeightCount(fvf);
    if (fvf & 0x10) size += 12;
    if (fvf & 0x40) size += 4;
    size += 8 * FvfTexCoordCount(fvf);
    return size;
}
