#include "datakit/element_kit.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "datakit/pack_writer.h"
#include "datakit/y3d_builder.h"

namespace datakit {

using y3drec::PutF32;
using y3drec::PutU32;

std::vector<uint8_t> ElementFileBytes(uint32_t version, uint32_t creditCode, const std::vector<ElementBytes>& records) {
    std::vector<uint8_t> out = {'Q', 'T', 'X', 'M', 'A', 'P', 0, 0};
    PutU32(&out, version);
    if (version > 100) PutU32(&out, creditCode);
    const uint32_t firstWithExtra = version > 100 ? 4 : 5;
    for (const ElementBytes& r : records) {
        const size_t start = out.size();
        PutU32(&out, r.gameKind);
        PutU32(&out, r.elementKind);
        PutU32(&out, r.subtype);
        PutU32(&out, uint32_t(r.cell.x));
        PutU32(&out, uint32_t(r.cell.z));
        PutU32(&out, uint32_t(r.cell.layer));
        PutU32(&out, r.role);
        out.push_back(r.index);
        PutF32(&out, r.position.x);
        PutF32(&out, r.position.y);
        PutF32(&out, r.position.z);
        for (float f : r.block) PutF32(&out, f);
        if (out.size() - start != 57) std::abort();
        if (r.elementKind == firstWithExtra || r.elementKind == firstWithExtra + 1) PutU32(&out, r.extra);
    }
    return out;
}

std::string ScenarioElementPath(int scenario) {
    char path[96];
    std::snprintf(path, sizeof path, "Modelos/Escenarios/Escenario%02d/Escenario%02d.dat", scenario, scenario);
    return path;
}

void WriteScenarioElementFile(int scenario, const std::vector<uint8_t>& bytes) {
    const std::string path = ScenarioElementPath(scenario);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (!WriteBytes(path, bytes)) std::abort();
}

}  // namespace datakit
