#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/debug_log.h"
#include "core/pack_file.h"
#include "platform/os/path.h"
#include "world/path_map.h"
#include "world/scenario.h"

namespace {

constexpr const char* kPack = "MODELOS.DAT";
constexpr char kMagic[] = "QTX BRMV PMAP v1.2";
constexpr size_t kMagicSize = sizeof kMagic - 1;
constexpr uint64_t kCellBytes = 12;
constexpr uint64_t kLayerBytes = 80;
constexpr uint64_t kSectorBytes = 32;
// Wider than any scenario; a grid this size still fits the memory of the machines we run on.
constexpr int32_t kMaxSide = 4096;

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Heights come from finite geometry; anything else would carry into every distance and step taken
// on the layer.
bool FiniteHeights(const PathLayer& layer) {
    if (!std::isfinite(layer.floor) || !std::isfinite(layer.low)) return false;
    for (float c : layer.corners)
        if (!std::isfinite(c)) return false;
    return true;
}

bool SameCell(const CellRef& a, const CellRef& b) { return a.x == b.x && a.z == b.z && a.layer == b.layer; }

void ReadCellRef(BinaryReader& in, CellRef* out) {
    in.ReadI32(out->x);
    in.ReadI32(out->z);
    in.ReadI32(out->layer);
}

void ReadLayer(BinaryReader& in, PathLayer* layer) {
    in.ReadF32(layer->floor);
    in.ReadF32(layer->low);
    for (float& c : layer->corners) in.ReadF32(c);
    in.ReadI32(layer->sector);
    in.Skip(1);   // the mark of whoever wrote the file
    in.ReadU8(layer->jumpStart);
    in.Skip(2);
    ReadCellRef(in, &layer->jumpTarget);
    in.ReadU8(layer->jumpLanding);
    in.Skip(3);
    ReadCellRef(in, &layer->jumpSource);
    // Occupant pointers, the two run-time bytes and padding: nothing of the writer's run survives.
    in.Skip(16 + 2 + 2);
}

void PutCellRef(BinaryWriter& out, const CellRef& c) {
    out.PutI32(c.x);
    out.PutI32(c.z);
    out.PutI32(c.layer);
}

void PutZeros(BinaryWriter& out, int n) {
    for (int i = 0; i < n; ++i) out.PutU8(0);
}

void PutLayer(BinaryWriter& out, const PathLayer& layer) {
    out.PutF32(layer.floor);
    out.PutF32(layer.low);
    for (float c : layer.corners) out.PutF32(c);
    out.PutI32(layer.sector);
    out.PutU8(0);   // mark
    out.PutU8(layer.jumpStart);
    PutZeros(out, 2);
    PutCellRef(out, layer.jumpTarget);
    out.PutU8(layer.jumpLanding);
    PutZeros(out, 3);
    PutCellRef(out, layer.jumpSource);
    PutZeros(out, 16 + 2 + 2);
}

// The map's storage agrees with its header, so the file it gives describes itself.
bool Consistent(const PathMap& map) {
    if (map.cols < 0 || map.rows < 0 || map.columns.size() != size_t(map.cols)) return false;
    for (const std::vector<PathCell>& column : map.columns) {
        if (column.size() != size_t(map.rows)) return false;
        for (const PathCell& cell : column)
            if (cell.layerCount < 0 || cell.layers.size() != size_t(cell.layerCount)) return false;
    }
    if (map.sectorCount < 0 || map.sectors.size() != size_t(map.sectorCount)) return false;
    for (const PathSector& s : map.sectors)
        if (s.reach.size() != size_t(map.sectorCount)) return false;
    return true;
}

}  // namespace

bool PathMap::LoadOrBuild() {
    char name[64];
    std::snprintf(name, sizeof name, "Modelos\\Escenarios\\Escenario%02d\\pmap.dat", g_Scenario.number);
    Free();
    if (FindPackEntry(kPack, name) != 0) return Read(name);
    if (!Build()) return false;
    return Write(name);
}

bool PathMap::Read(const char* name) {
    Free();
    auto refuse = [&](const char* reason) {
        Free();
        WriteDebugLogF("Path map %s refused: %s", name ? name : "", reason);
        return false;
    };
    PackEntry entry;
    if (const char* reason = OpenStoredFile(&entry, kPack, name, kMagic, kMagicSize)) return refuse(reason);
    BinaryReader& in = entry.Reader();

    int32_t c = 0, r = 0, s = 0;
    float ox = 0.0f, oz = 0.0f;
    Vec3 hi{}, lo{};
    in.ReadI32(c);
    in.ReadI32(r);
    in.ReadF32(ox);
    in.ReadF32(oz);
    in.ReadF32(hi.x);
    in.ReadF32(hi.y);
    in.ReadF32(hi.z);
    in.ReadF32(lo.x);
    in.ReadF32(lo.y);
    in.ReadF32(lo.z);
    in.Skip(4);
    in.ReadI32(s);
    in.Skip(4);
    if (!in.ok()) return refuse("short header");
    if (c < 1 || c > kMaxSide || r < 1 || r > kMaxSide) return refuse("grid size out of range");
    if (!std::isfinite(ox) || !std::isfinite(oz) || !Finite(hi) || !Finite(lo))
        return refuse("offsets or bounds not finite");
    // What follows the cells is known from the header, so no count is believed before the bytes
    // for it are there.
    if (s < 0 || uint64_t(s) > in.Remaining() / kSectorBytes) return refuse("sector count out of range");
    const uint64_t sectorBytes = kSectorBytes * uint64_t(s) + 4 * uint64_t(s) * uint64_t(s);
    uint64_t cellsLeft = uint64_t(c) * uint64_t(r);
    if (in.Remaining() < kCellBytes * cellsLeft + sectorBytes) return refuse("too short for its cells and sectors");

    Allocate(c, r);
    offX = ox;
    offZ = oz;
    max = hi;
    min = lo;
    sectorCount = s;
    uint64_t totalLayers = 0;
    for (int32_t z = 0; z < rows; ++z)
        for (int32_t x = 0; x < cols; ++x) {
            PathCell& cell = columns[size_t(x)][size_t(z)];
            int32_t n = 0;
            in.ReadU8(cell.flag);
            in.Skip(3);
            in.ReadI32(n);
            in.Skip(4);
            --cellsLeft;
            if (!in.ok()) return refuse("short cell record");
            if (n < 0 || uint64_t(n) * kLayerBytes > in.Remaining() - kCellBytes * cellsLeft - sectorBytes)
                return refuse("layer count out of range");
            cell.Resize(n);
            for (PathLayer& layer : cell.layers) {
                ReadLayer(in, &layer);
                if (layer.sector < -1 || layer.sector >= s) return refuse("sector index out of range");
                if (!FiniteHeights(layer)) return refuse("layer height not finite");
            }
            totalLayers += uint64_t(n);
        }
    if (!in.ok()) return refuse("short layer record");

    // Jump ends may lie anywhere on the map, so they are checked once every cell is known. A
    // landing names the one start that jumps onto it. A start's target is a landing, but may name
    // another start: a builder that kept two starts equally near one landing stored it so.
    for (int32_t x = 0; x < cols; ++x)
        for (int32_t z = 0; z < rows; ++z)
            for (int32_t k = 0; k < LayerCount(x, z); ++k) {
                const CellRef here{x, z, k};
                const PathLayer& layer = *GetLayer(here);
                if (layer.jumpStart) {
                    if (!IsValidCell(layer.jumpTarget)) return refuse("jump target outside the map");
                    if (SameCell(layer.jumpTarget, here)) return refuse("jump onto its own floor");
                    if (!GetLayer(layer.jumpTarget)->jumpLanding) return refuse("jump target is no landing");
                }
                if (layer.jumpLanding) {
                    if (!IsValidCell(layer.jumpSource)) return refuse("jump source outside the map");
                    const PathLayer& source = *GetLayer(layer.jumpSource);
                    if (!source.jumpStart || !SameCell(source.jumpTarget, here))
                        return refuse("jump source does not jump here");
                }
            }

    sectors.resize(size_t(s));
    for (PathSector& sector : sectors) {
        in.ReadI32(sector.index);
        in.ReadU32(sector.colour);
        in.ReadI32(sector.cellCount);
        in.Skip(12);   // the builder's lists
        in.ReadU8(sector.isolated);
        in.Skip(3 + 4);
        if (sector.cellCount < 0 || uint64_t(sector.cellCount) > totalLayers)
            return refuse("sector cell count out of range");
    }
    for (PathSector& sector : sectors) {
        sector.reach.resize(size_t(s));
        for (int32_t& value : sector.reach) in.ReadI32(value);
    }
    // Checked before, so only a fault of ours could get here.
    if (!in.ok()) return refuse("short sector table");
    return true;
}

bool PathMap::Write(const char* name) const {
    if (!name || !Consistent(*this)) {
        WriteDebugLogF("Path map %s not written: the map does not match its header", name ? name : "");
        return false;
    }
    BinaryWriter out;
    out.PutBytes(kMagic, kMagicSize);
    out.PutI32(cols);
    out.PutI32(rows);
    out.PutF32(offX);
    out.PutF32(offZ);
    out.PutF32(max.x);
    out.PutF32(max.y);
    out.PutF32(max.z);
    out.PutF32(min.x);
    out.PutF32(min.y);
    out.PutF32(min.z);
    out.PutU32(0);
    out.PutI32(sectorCount);
    out.PutU32(0);
    for (int32_t z = 0; z < rows; ++z)
        for (int32_t x = 0; x < cols; ++x) {
            const PathCell& cell = columns[size_t(x)][size_t(z)];
            out.PutU8(cell.flag);
            PutZeros(out, 3);
            out.PutI32(cell.layerCount);
            out.PutU32(0);
            for (const PathLayer& layer : cell.layers) PutLayer(out, layer);
        }
    for (const PathSector& sector : sectors) {
        out.PutI32(sector.index);
        out.PutU32(sector.colour);
        out.PutI32(sector.cellCount);
        PutZeros(out, 12);
        out.PutU8(sector.isolated);
        PutZeros(out, 3 + 4);
    }
    for (const PathSector& sector : sectors)
        for (int32_t value : sector.reach) out.PutI32(value);
    if (!os::WriteFileReplacing(name, out.Data())) {
        WriteDebugLogF("Path map %s not written", name);
        return false;
    }
    return true;
}
