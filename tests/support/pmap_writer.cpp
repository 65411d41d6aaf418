#include "support/pmap_writer.h"

#include <cstring>

namespace testsupport {
namespace {

constexpr size_t kMagic = 18;
constexpr size_t kHeader = 52;
constexpr size_t kCell = 12;
constexpr size_t kLayer = 80;
constexpr size_t kSector = 32;

void U8At(std::vector<uint8_t>& b, size_t at, uint8_t v) { b[at] = v; }
void U32At(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void I32At(std::vector<uint8_t>& b, size_t at, int32_t v) { U32At(b, at, uint32_t(v)); }
void F32At(std::vector<uint8_t>& b, size_t at, float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    U32At(b, at, u);
}
void RefAt(std::vector<uint8_t>& b, size_t at, const CellRef& c) {
    I32At(b, at, c.x);
    I32At(b, at + 4, c.z);
    I32At(b, at + 8, c.layer);
}

size_t LayersBefore(const PathMap& map, int32_t x, int32_t z) {
    size_t n = 0;
    for (int32_t zz = 0; zz < map.rows; ++zz)
        for (int32_t xx = 0; xx < map.cols; ++xx) {
            if (zz == z && xx == x) return n;
            n += size_t(map.columns[size_t(xx)][size_t(zz)].layerCount);
        }
    return n;
}

}  // namespace

size_t PmapCellOffset(const PathMap& map, int32_t x, int32_t z) {
    return kMagic + kHeader + kCell * size_t(z * map.cols + x) + kLayer * LayersBefore(map, x, z);
}

size_t PmapSectorOffset(const PathMap& map) { return PmapCellOffset(map, 0, map.rows); }

std::vector<uint8_t> PmapBytes(const PathMap& map, bool junk) {
    const size_t sectors = PmapSectorOffset(map);
    const size_t s = size_t(map.sectorCount);
    std::vector<uint8_t> b(sectors + kSector * s + 4 * s * s, junk ? 0xA5 : 0x00);

    std::memcpy(b.data(), "QTX BRMV PMAP v1.2", kMagic);
    const size_t h = kMagic;
    I32At(b, h + 0, map.cols);
    I32At(b, h + 4, map.rows);
    F32At(b, h + 8, map.offX);
    F32At(b, h + 12, map.offZ);
    F32At(b, h + 16, map.max.x);
    F32At(b, h + 20, map.max.y);
    F32At(b, h + 24, map.max.z);
    F32At(b, h + 28, map.min.x);
    F32At(b, h + 32, map.min.y);
    F32At(b, h + 36, map.min.z);
    I32At(b, h + 44, map.sectorCount);

    size_t at = kMagic + kHeader;
    for (int32_t z = 0; z < map.rows; ++z)
        for (int32_t x = 0; x < map.cols; ++x) {
            const PathCell& cell = map.columns[size_t(x)][size_t(z)];
            U8At(b, at + 0, cell.flag);
            I32At(b, at + 4, cell.layerCount);
            at += kCell;
            for (const PathLayer& l : cell.layers) {
                F32At(b, at + 0, l.floor);
                F32At(b, at + 4, l.low);
                for (int k = 0; k < 4; ++k) F32At(b, at + 8 + 4 * size_t(k), l.corners[k]);
                I32At(b, at + 24, l.sector);
                U8At(b, at + 29, l.jumpStart);
                RefAt(b, at + 32, l.jumpTarget);
                U8At(b, at + 44, l.jumpLanding);
                RefAt(b, at + 48, l.jumpSource);
                at += kLayer;
            }
        }
    for (const PathSector& sector : map.sectors) {
        I32At(b, at + 0, sector.index);
        U32At(b, at + 4, sector.colour);
        I32At(b, at + 8, sector.cellCount);
        U8At(b, at + 24, sector.isolated);
        at += kSector;
    }
    for (const PathSector& sector : map.sectors)
        for (int32_t v : sector.reach) {
            I32At(b, at, v);
            at += 4;
        }
    return b;
}

}  // namespace testsupport
