// The trajectory file of a scenario and game kind, and the text file of path-search statistics.
#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "core/debug_log.h"
#include "core/pack_file.h"
#include "fighters/match.h"
#include "fighters/movement.h"
#include "fighters/trajectory.h"
#include "platform/os/path.h"
#include "world/scenario.h"

namespace {

constexpr const char* kPack = "MODELOS.DAT";
constexpr char kMagic[] = "QTX BRMV TPCDAT v1.0";
constexpr size_t kMagicSize = sizeof kMagic - 1;
constexpr size_t kPointBytes = 12;

// The labels of the statistics lines, in band order.
constexpr const char* kBandLabels[PATH_BAND_COUNT] = {
    "Tray cortas (<50m)", "Tray medias (<150m)", "Tray largas (<500m)", "Tray muy largas", "Tray no encontradas",
};

void AppendF(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AppendF(std::string* out, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out->append(line, size_t(n) < sizeof line ? size_t(n) : sizeof line - 1);
}

}  // namespace

bool TrajectoryTable::Read(const char* name) {
    Clear();
    auto refuse = [&](const char* reason) {
        Clear();
        WriteDebugLogF("Trajectories %s refused: %s", name ? name : "", reason);
        return false;
    };
    PackEntry entry;
    if (const char* reason = OpenStoredFile(&entry, kPack, name, kMagic, kMagicSize)) return refuse(reason);
    BinaryReader& in = entry.Reader();
    uint32_t n = 0;
    if (!in.ReadU32(n)) return refuse("short header");
    // A cut table is one the builder never made: the whole file goes.
    if (n > TRAJECTORY_MAX) return refuse("more trajectories than the table holds");

    // The map may have been rebuilt since the file was written: every point must be one of its cells.
    const PathMap* map = ScenarioPathMap();
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t points = 0;
        if (!in.ReadU32(points)) return refuse("short trajectory record");
        if (points == 0 || points > uint32_t(PATH_POINTS_MAX)) return refuse("point count out of range");
        if (in.Remaining() / kPointBytes < points) return refuse("short trajectory points");
        CellRef* copy = new (std::nothrow) CellRef[points];
        if (!copy) return refuse("out of memory");
        entries[i].points.reset(copy);
        entries[i].n = points;
        ++count;
        for (uint32_t k = 0; k < points; ++k) {
            CellRef& cell = copy[k];
            in.ReadI32(cell.x);
            in.ReadI32(cell.z);
            in.ReadI32(cell.layer);
            if (!map || !map->IsValidCell(cell)) return refuse("point outside the path map");
        }
    }
    // Checked before, so only a fault of ours could get here.
    if (!in.ok()) return refuse("short file");
    return true;
}

bool TrajectoryTable::Write(const char* name) const {
    if (!name) return false;
    BinaryWriter out;
    out.PutBytes(kMagic, kMagicSize);
    out.PutU32(count);
    for (uint32_t i = 0; i < count && i < TRAJECTORY_MAX; ++i) {
        const Trajectory& t = entries[i];
        out.PutU32(t.n);
        for (uint32_t k = 0; k < t.n; ++k) {
            out.PutI32(t.points[k].x);
            out.PutI32(t.points[k].z);
            out.PutI32(t.points[k].layer);
        }
    }
    if (!os::WriteFileReplacing(name, out.Data())) {
        WriteDebugLogF("Trajectories %s not written", name);
        return false;
    }
    return true;
}

void TrajectoryTable::WriteStats() const {
    char name[96];
    TrajectoryFileName(name, sizeof name, "DataTray%02dG%02d.txt", g_Scenario.number, g_Match.gameKind);
    const PathSearchStats& s = g_PathSearchStats;
    std::string text;
    AppendF(&text, " Escenario %d\n", int(g_Scenario.number));
    text += "--------------\n\n";
    text += "Path: ";
    text += name;
    text += "\n\n";
    // The counters and means are unsigned 32-bit; the lines keep their formats.
    for (int band = 0; band < PATH_BAND_COUNT; ++band)
        AppendF(&text, "%s: %d (%ldmsg)\n", kBandLabels[band], int(s.count[band]), long(s.meanMs[band]));
    AppendF(&text, "(%d,%d,%d)\n", int(s.lastFailedGoal.x), int(s.lastFailedGoal.z), int(s.lastFailedGoal.layer));
    if (!os::WriteFileReplacing(name, std::vector<uint8_t>(text.begin(), text.end())))
        WriteDebugLogF("Trajectory statistics %s not written", name);
}
