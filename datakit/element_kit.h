// What the element-map and item tests stand on: element files in both stored versions, written
// field by field at the format's offsets independently of the game's own writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/math.h"
#include "world/path_map.h"

namespace datakit {

// One record as a file stores it. In version 100 the element kind is the old one (glows 5,
// effects 6) and the game kind counts from 1 (0 and 7 common).
struct ElementBytes {
    uint32_t gameKind = 0;
    uint32_t elementKind = 0;
    uint32_t subtype = 0;
    CellRef cell{0, 0, 0};
    uint32_t role = 0;
    uint8_t index = 0;
    Vec3 position{0, 0, 0};
    float block[4] = {0, 0, 0, 1};
    uint32_t extra = 0;     // written only where the version's glows and effects have it
};

// "QTXMAP", the version, the credit code in version 101, then the records in order.
std::vector<uint8_t> ElementFileBytes(uint32_t version, uint32_t creditCode, const std::vector<ElementBytes>& records);
// Where the scenario's element file lies under the working folder.
std::string ScenarioElementPath(int scenario);
// The file as "Modelos\Escenarios\EscenarioNN\EscenarioNN.dat" under the working folder.
void WriteScenarioElementFile(int scenario, const std::vector<uint8_t>& bytes);

}  // namespace datakit
